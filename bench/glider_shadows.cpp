// The gliders' shadows in a game frame of the sample location: 0, 20 and 80
// gliders of the sample's first type hovering a few units over the ground
// in front of the camera, each frame drawn with the shadows on and then
// with them off (CEnvironment::m_bShadowsOff), side by side in one run.
// Counters: the frame with and without shadows (ms) and their ratio; the
// goal is a ratio of at most 1.15 at 80 gliders. The second argument 1 turns
// every glider a little before each frame, so that no shadow picture can be
// kept from the frame before (the pass keeps those of gliders at rest):
// that is the cost of gliders in flight. pictures_per_frame counts the
// pictures rendered. cpu_ratio is the same ratio of the process's CPU time
// (all threads, the rasteriser's included): steadier than the wall times on
// a loaded machine.
//
// A frame is what the game does for it: the effect queue and the lights
// reset, the visibility pass, CRenderer::Render and Present. Run it with
// llvmpipe's rasteriser threads (LP_NUM_THREADS unset): the cost measured
// is that of a main thread that waits for them.
#include "SampleApp.h"

#include "foundation/Graphic.h"
#include "graphics/Mesh.h"
#include "location/EffectRenderManager.h"
#include "location/Location.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"
#include "location/ViewCamera.h"
#include "units/GliderObject.h"
#include "world/TypeManagers.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace
{

// The free camera over the sample's middle, looking north and down; the
// gliders in rows across its view, 6 units over the ground.
std::vector<CGliderObject*> PlaceGliders(int count)
{
    static std::vector<CGliderObject*> placed;
    for (CGliderObject* g : placed)
        g_ObjectList.DeleteObject(g);
    g_ObjectList.Pack(false);
    placed.clear();
    const CVector eye{700.0f, 1900.0f, 0.0f};
    gametest::g_GameDriver.SetFreeCamera(true);
    gametest::g_GameDriver.m_fHeading = 0.0f;
    gametest::g_GameDriver.m_fPitch = -0.45f;
    gametest::g_GameDriver.m_vPosition = CVector{eye.x, eye.y, g_Location.GetHeight(eye) + 30.0f};
    for (int i = 0; i < count; ++i)
    {
        const int row = i / 10, column = i % 10;
        CVector at{eye.x - 54.0f + 12.0f * float(column) + 4.0f * float(row & 1), eye.y + 40.0f + 12.0f * float(row),
                   0.0f};
        at.z = g_Location.GetHeight(at) + 6.0f;
        CMatrix m(1.0f);
        m.SetTranslation(at);
        auto* glider = new CGliderObject;
        STypeKey key;
        key.SetIndex(0);
        glider->Init(m, key);
        // No mechanoid: the type's record directly (its model).
        glider->m_pType = g_GliderManager.GetGlider(0);
        // Still: the frames compare drawing, not flight.
        glider->m_bPhysics = 0;
        // Level, nose north: the placement's identity frame has the nose
        // (its third axis) pointing up, a glider standing on its tail, whose
        // hull and shadow are a fraction of a flying one's; the gliders that
        // turn are level too, so the two cases draw the same hulls.
        glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
        g_ObjectList.AddObject(glider);
        placed.push_back(glider);
    }
    // World frames place the camera and let the gliders settle in.
    for (int i = 0; i < 10; ++i)
    {
        gametest::g_GameDriver.Frame(0.0f, nullptr);
        // The gliders' models and textures load in the background.
        if (g_pModelManager) g_pModelManager->WaitLoad();
        if (g_pTextureManager) g_pTextureManager->WaitLoad();
    }
    return placed;
}

double ProcessSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

double Frame(bool shadows, double* cpu)
{
    g_Environment.m_bShadowsOff = !shadows;
    const double c0 = ProcessSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    g_LightWare.DisableLights();
    g_LightWare.ResetFrame();
    g_EffectRenderManager.ResetFrame();
    g_ObjectList.CheckVisibility(true);
    g_pRenderer->Render();
    CMesh::ResetCurrent();
    graph.Present();
    *cpu += ProcessSeconds() - c0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void Shadows(benchmark::State& state)
{
    if (!benchapp::SampleApp().ok)
    {
        state.SkipWithError("the sample location could not be entered");
        return;
    }
    const int count = int(state.range(0));
    const bool turning = state.range(1) != 0;
    const std::vector<CGliderObject*> gliders = PlaceGliders(count);
    const bool was = g_Environment.m_bShadowsOff;
    double on = 0.0, off = 0.0, onCpu = 0.0, offCpu = 0.0;
    long n = 0;
    const std::uint64_t pictures = g_EffectRenderManager.Shadows().GetPictures();
    for (auto _ : state)
    {
        if (turning)
            for (CGliderObject* g : gliders)
            {
                const float a = 0.01f * float(n % 50);
                g->m_Frame.SetForward(CVector{std::sin(a), std::cos(a), 0.0f});
            }
        on += Frame(true, &onCpu);
        off += Frame(false, &offCpu);
        ++n;
    }
    g_Environment.m_bShadowsOff = was;
    const double k = 1e3 / double(std::max(n, 1L));
    state.counters["shadows_ms"] = on * k;
    state.counters["no_shadows_ms"] = off * k;
    state.counters["ratio"] = off > 0.0 ? on / off : 0.0;
    state.counters["cpu_ratio"] = offCpu > 0.0 ? onCpu / offCpu : 0.0;
    state.counters["pictures_per_frame"] =
        double(g_EffectRenderManager.Shadows().GetPictures() - pictures) / double(std::max(n, 1L));
}

} // namespace

BENCHMARK(Shadows)->ArgsProduct({{0, 20, 80}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(3.0);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    benchapp::RemoveSampleApp();
    std::quick_exit(0);
}
