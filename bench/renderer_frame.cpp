// One game frame of the sample location through CRenderer::Render on an
// offscreen device, the application started and its game prepared on a
// fresh sample tree, against the terrain-only frame. The split runs each of
// Render's passes alone in Render's order (environment, objects, terrain,
// effects, HUD), each followed by a present so that the rasterizer's work
// lands with its pass. Set LP_NUM_THREADS=0 so that llvmpipe draws on the
// main thread.
//
// The objects are the sample location's after a new game's generation.
#include "app/MMApp.h"
#include "tests/common/GameDriver.h"
#include "foundation/Graphic.h"
#include "graphics/Mesh.h"
#include "hud/Renderer.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "platform/File.h"
#include "platform/Window.h"
#include "tools/mksample/SampleTree.h"

#include "SampleApp.h"
#include "world/ObjectList.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

namespace
{
namespace fs = std::filesystem;

double Seconds(const std::function<void()>& pass)
{
    const auto t0 = std::chrono::steady_clock::now();
    plat::d3d::Device* d = graph.m_lpDevice;
    d->BeginScene();
    pass();
    d->EndScene();
    CMesh::ResetCurrent();
    graph.Present();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void WholeFrame(benchmark::State& state)
{
    if (!benchapp::SampleApp().ok)
    {
        state.SkipWithError("the sample location could not be entered");
        return;
    }
    double env = 0, objects = 0, terrain = 0, effects = 0, hud = 0, whole = 0;
    long n = 0;
    for (auto _ : state)
    {
        const auto t0 = std::chrono::steady_clock::now();
        g_pRenderer->Render();
        graph.Present();
        whole += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        env += Seconds([] {
            g_Environment.ClearScreen();
            g_Environment.RenderEnv();
        });
        objects += Seconds([] {
            g_ObjectList.RenderFly();
            g_Environment.RenderHorizonLimit();
        });
        terrain += Seconds([] { g_Location.CycleRender(); });
        objects += Seconds([] { g_ObjectList.Render(false); });
        effects += Seconds([] { g_Environment.RenderFX(false); });
        hud += Seconds([] { g_Environment.SetFog(false, 1.0f, 0.0f); });
        ++n;
    }
    const double k = 1e3 / double(std::max(n, 1L));
    state.counters["frame_ms"] = whole * k;
    state.counters["environment_ms"] = env * k;
    state.counters["terrain_ms"] = terrain * k;
    state.counters["objects_ms"] = objects * k;
    state.counters["effects_ms"] = effects * k;
    state.counters["hud_ms"] = hud * k;
}

void TerrainOnlyFrame(benchmark::State& state)
{
    if (!benchapp::SampleApp().ok)
    {
        state.SkipWithError("the sample location could not be entered");
        return;
    }
    for (auto _ : state)
        Seconds([] {
            graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000);
            g_Location.CycleRender();
        });
}
} // namespace

BENCHMARK(WholeFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TerrainOnlyFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The application and the world go with the process.
    benchapp::RemoveSampleApp();
    std::quick_exit(0);
}
