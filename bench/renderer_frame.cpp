// One game frame of the sample location through CRenderer::Render on an
// offscreen device, the application started and its game prepared on a
// fresh sample tree, against the terrain-only frame. The split runs each of
// Render's passes alone in Render's order (environment, what flies over the
// horizon, terrain, objects, detail objects, water, effects, weather, the
// HUD: the cockpit as the game draws it), each followed by a present so that
// the rasterizer's work lands with its pass. A present of an empty scene is
// timed on its own ("present_ms") and taken off each pass, so that the
// passes add up to the frame less its one present ("passes_ms" beside
// "frame_ms"). Set LP_NUM_THREADS=0 so that llvmpipe draws on the main
// thread.
//
// The objects are the sample location's after a new game's generation.
#include "app/MMApp.h"
#include "tests/common/GameDriver.h"
#include "foundation/Graphic.h"
#include "graphics/Mesh.h"
#include "hud/Renderer.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/EffectRenderManager.h"
#include "world/Camera.h"
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
    // The HUD is the cockpit, drawn when the camera follows the glider.
    g_bDrawCockpit = true;
    g_CameraMode = 0;
    if (!CRenderer::IsCockpitShown(g_bDrawCockpit, g_pRenderer->m_pPlayerMech, g_CameraMode))
    {
        state.SkipWithError("the cockpit is not shown");
        return;
    }
    double present = 0, env = 0, fly = 0, terrain = 0, objects = 0, details = 0, water = 0, effects = 0,
           weather = 0, hud = 0, whole = 0;
    long n = 0;
    for (auto _ : state)
    {
        const auto t0 = std::chrono::steady_clock::now();
        g_pRenderer->Render();
        graph.Present();
        whole += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        present += Seconds([] {});
        env += Seconds([] {
            g_Environment.ClearScreen();
            g_Environment.RenderEnv();
        });
        fly += Seconds([] {
            g_ObjectList.RenderFly();
            g_Environment.RenderHorizonLimit();
        });
        terrain += Seconds([] { g_Location.CycleRender(); });
        objects += Seconds([] { g_ObjectList.Render(false); });
        details += Seconds([] { g_Location.RenderDetailObjects(); });
        water += Seconds([] { g_Location.CycleRenderWater(); });
        effects += Seconds([] { g_EffectRenderManager.RenderEffects(); });
        weather += Seconds([] { g_Environment.RenderFX(false); });
        hud += Seconds([] {
            g_Environment.SetFog(false, 1.0f, 0.0f);
            CMesh::ResetCurrent();
            g_pRenderer->DrawKokpit();
        });
        ++n;
    }
    const double k = 1e3 / double(std::max(n, 1L));
    const double p = present * k;
    const double passes[] = {env, fly, terrain, objects, details, water, effects, weather, hud};
    const char* names[] = {"environment_ms", "fly_ms", "terrain_ms", "objects_ms", "details_ms",
                           "water_ms", "effects_ms", "weather_ms", "hud_ms"};
    double sum = 0;
    for (std::size_t i = 0; i < std::size(passes); ++i)
    {
        state.counters[names[i]] = passes[i] * k - p;
        sum += passes[i] * k - p;
    }
    state.counters["frame_ms"] = whole * k;
    state.counters["present_ms"] = p;
    state.counters["passes_ms"] = sum + p;
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
