// The resource engine on the sample data tree (written by mksample): the
// start-up load of its lists and fonts, and the time from the device to the
// first drawn frame.
//
//     mksample /tmp/tree && TARVOX_SAMPLE_DIR=/tmp/tree bench_resource_engine
//
// GlobalInit/Cold is a first load: every iteration (and repetition) runs
// in a new process of this program, which opens the tree and the device and
// times one load, so nothing of the tree is in the engine's caches (the
// system's file cache may hold it). Warm repeats the load in this process.
// Each iteration starts from PreInit and ends with GlobalDone. Both report
// the technique manager's part apart ("shader_ms": recording the techniques
// and compiling their programs, which reads no file; "programs" compiled)
// and the rest ("files_ms"): the cold/warm gap is mostly the programs, which
// the device keeps for the rest of the process.
// FirstFrame runs the start-up as the application does: PreInit, GlobalInit
// on a loader thread while the loading screen is drawn every 50 ms, then one
// frame with a line of text, presented.
#include "foundation/ClassFactory.h"
#include "foundation/FileManager.h"
#include "foundation/Graphic.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/GraphicInterface.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TextureFile.h"
#include "platform/File.h"
#include "platform/Thread.h"
#include "platform/Window.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

// Opens the tree and the device once for the whole run; false (with the
// reason) when there is no tree.
bool OpenTree(std::string* error)
{
    static int s_state = 0; // 0 not tried, 1 open, -1 failed
    static std::string s_error;
    if (s_state == 0)
    {
        s_state = -1;
        const char* dir = std::getenv("TARVOX_SAMPLE_DIR");
        if (!dir || !plat::SetCurrentDirectory(dir))
            s_error = "set TARVOX_SAMPLE_DIR to a tree written by mksample";
        else
        {
            RegisterBaseClasses();
            RegisterFileClasses();
            RegisterEngineClasses();
            RegisterTextureFileReader();
            SetFileManager(
                dynamic_cast<IFileManager*>(CreateClassInstance(static_cast<int>(g_iIFileManager))));
            if (g_pFileManager) g_pFileManager->SetDirectory("Data");
            plat::RegisterClass(
                plat::WindowClass{0,
                                  [](plat::Window* w, std::uint32_t m, plat::WParam wp, plat::LParam lp)
                                  { return plat::DefWindowProc(w, m, wp, lp); },
                                  "ResourceEngineBench", nullptr});
            plat::Window* window =
                plat::CreateWindow("ResourceEngineBench", "bench", plat::WS_OVERLAPPED, 0, 0, 1024, 768);
            if (!g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase))
                s_error = "no Data\\DB.dat in the tree";
            else if ((SetDefaultConfig(), !InitGraphicDevice(window, g_Settings)))
                s_error = "no graphics device";
            else
                s_state = 1;
        }
    }
    *error = s_error;
    return s_state == 1;
}

// The loading picture over the whole screen, presented.
void DrawLoadingScreen()
{
    CMesh::ResetCurrent();
    graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000);
    SetTextureFactor(0xFFFFFFFF, kFactorRenderState | kFactorPixelShader);
    const int id = g_pSurfaceManager->FindName("SUF_LOADING");
    if (id >= 0)
        g_pSurfaceManager->DrawSurface(id, 19, 0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight, nullptr);
    graph.Present();
}

void LoadAll()
{
    g_ResourceEngine.PreInit();
    g_ResourceEngine.GlobalInit(false);
}

// The child of GlobalInit/Cold (TARVOX_COLD_CHILD set): one load, its
// seconds on stdout; exit code 0 when it ran.
int ColdChild()
{
    std::string error;
    if (!OpenTree(&error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::size_t programs = graph.m_lpDevice->ProgramCount();
    const auto start = std::chrono::steady_clock::now();
    LoadAll();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("cold_seconds=%.9f shader_seconds=%.9f programs=%zu\n", elapsed.count(),
                g_ResourceEngine.GetTechniqueSeconds(), graph.m_lpDevice->ProgramCount() - programs);
    std::fflush(stdout);
    g_ResourceEngine.GlobalDone();
    return 0;
}

// The technique manager's part of the loads and the rest, per load.
void ReportSplit(benchmark::State& state, double total, double shader, double programs)
{
    using benchmark::Counter;
    state.counters["shader_ms"] = Counter(shader * 1e3, Counter::kAvgIterations);
    state.counters["files_ms"] = Counter((total - shader) * 1e3, Counter::kAvgIterations);
    state.counters["programs"] = Counter(programs, Counter::kAvgIterations);
}

void BM_GlobalInitCold(benchmark::State& state)
{
    double totalSeconds = 0, shaderSeconds = 0, programs = 0;
    for (auto _ : state)
    {
        // A new process of this program for every load.
        static const std::string command =
            "exec '" + std::filesystem::read_symlink("/proc/self/exe").string() + "'";
        setenv("TARVOX_COLD_CHILD", "1", 1);
        std::FILE* child = popen(command.c_str(), "r");
        unsetenv("TARVOX_COLD_CHILD");
        double seconds = -1.0, shader = 0.0;
        std::size_t compiled = 0;
        char line[256];
        while (child && std::fgets(line, sizeof line, child))
            std::sscanf(line, "cold_seconds=%lf shader_seconds=%lf programs=%zu", &seconds, &shader, &compiled);
        if (!child || pclose(child) != 0 || seconds < 0.0)
        {
            state.SkipWithError("the cold load failed (see stderr)");
            return;
        }
        state.SetIterationTime(seconds);
        shaderSeconds += shader;
        totalSeconds += seconds;
        programs += double(compiled);
    }
    ReportSplit(state, totalSeconds, shaderSeconds, programs);
}

void BM_GlobalInit(benchmark::State& state)
{
    std::string error;
    if (!OpenTree(&error))
    {
        state.SkipWithError(error.c_str());
        return;
    }
    // One load first, untimed: the device keeps its programs from then on.
    LoadAll();
    g_ResourceEngine.GlobalDone();
    double totalSeconds = 0, shaderSeconds = 0, programs = 0;
    for (auto _ : state)
    {
        const std::size_t before = graph.m_lpDevice->ProgramCount();
        const auto start = std::chrono::steady_clock::now();
        LoadAll();
        totalSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        shaderSeconds += g_ResourceEngine.GetTechniqueSeconds();
        programs += double(graph.m_lpDevice->ProgramCount() - before);
        g_ResourceEngine.GlobalDone();
        state.ResumeTiming();
    }
    ReportSplit(state, totalSeconds, shaderSeconds, programs);
}

void BM_FirstFrame(benchmark::State& state)
{
    std::string error;
    if (!OpenTree(&error))
    {
        state.SkipWithError(error.c_str());
        return;
    }
    std::int64_t loadingFrames = 0;
    for (auto _ : state)
    {
        g_ResourceEngine.PreInit();
        DrawLoadingScreen();
        ++loadingFrames;
        plat::Handle loader = plat::CreateThread(
            [](void*) -> std::uint32_t
            {
                g_ResourceEngine.GlobalInit(false);
                return 0;
            },
            nullptr, nullptr);
        while (loader && plat::WaitForSingleObject(loader, 50) == plat::WAIT_TIMEOUT)
        {
            DrawLoadingScreen();
            ++loadingFrames;
        }
        plat::CloseHandle(loader);
        CGraphicInterface gi;
        gi.Init(nullptr);
        g_ResourceEngine.NewFrame();
        g_ResourceEngine.GlobalRun(0.0f);
        CMesh::ResetCurrent();
        graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF182838);
        gi.RenderText("Tarvox II", 24, 24, 0xFFFFFFFF);
        graph.Present();
        state.PauseTiming();
        gi.Done();
        g_ResourceEngine.GlobalDone();
        state.ResumeTiming();
    }
    state.counters["loading_frames"] =
        benchmark::Counter(double(loadingFrames), benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_GlobalInitCold)->Name("GlobalInit/Cold")->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobalInit)->Name("GlobalInit/Warm")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstFrame)->Name("FirstFrame")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (std::getenv("TARVOX_COLD_CHILD")) return ColdChild();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
