// A night frame's light and effect work: 1,000 object draws each asking the
// light ware for its nearest lights among 200 registered point lights, and
// 1,000 queued effects sorted and drawn farthest first; against the same
// frame with no lights registered and nothing queued. No device: this is
// the selection and queue work itself, not the driver's.
#include "foundation/Random.h"
#include "location/EffectRenderManager.h"
#include "world/LightWare.h"
#include "world/MMObject.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{

class CCountedEffect : public CMMObject
{
public:
    void DrawEffect(int pass) override { m_nDrawn += pass + 1; }
    int m_nDrawn = 0;
};

struct SNightScene
{
    std::vector<plat::d3d::SLight> lights;
    std::vector<CVector> objects;
    CCountedEffect effect;
    std::unique_ptr<CEffectRenderManager> manager = std::make_unique<CEffectRenderManager>();

    SNightScene(int lightCount, int objectCount)
    {
        g_Random.SetState(7);
        lights.resize(std::size_t(lightCount));
        for (auto& l : lights)
        {
            l.Type = 1;
            l.Range = 125.0f;
            l.Position = {g_Random.Random(2000.0f), g_Random.Random(2000.0f), 20.0f};
        }
        for (int i = 0; i < objectCount; ++i)
            objects.push_back(CVector{g_Random.Random(2000.0f), g_Random.Random(2000.0f), 10.0f});
    }
};

void Frame(benchmark::State& state, int lights, int effects)
{
    SNightScene scene(lights, 1000);
    CLightWare ware;
    for (auto _ : state)
    {
        ware.DisableLights();
        ware.ResetFrame();
        for (const auto& l : scene.lights)
            ware.AddLight(&l, 1.0f);
        for (const CVector& p : scene.objects)
            ware.SetLights(p, 10.0f);
        scene.manager->ResetFrame();
        for (int i = 0; i < effects; ++i)
        {
            const CVector& p = scene.objects[std::size_t(i) % scene.objects.size()];
            scene.manager->AddObject(p.x * p.x + p.y * p.y, &scene.effect, 0);
        }
        scene.manager->RenderEffects();
    }
    benchmark::DoNotOptimize(scene.effect.m_nDrawn);
}

void BM_NightFrame200Lights1000Effects(benchmark::State& state)
{
    Frame(state, 200, 1000);
}
void BM_FrameWithoutLightsOrEffects(benchmark::State& state)
{
    Frame(state, 0, 0);
}

// The two halves apart.
void BM_SetLightsOnly(benchmark::State& state)
{
    Frame(state, 200, 0);
}
void BM_EffectQueueOnly(benchmark::State& state)
{
    Frame(state, 0, 1000);
}

} // namespace

BENCHMARK(BM_NightFrame200Lights1000Effects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameWithoutLightsOrEffects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetLightsOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EffectQueueOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
