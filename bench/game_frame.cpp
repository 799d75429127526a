// One whole game frame of the sample location per pass, as the game cycle
// runs it (CMMApp::Render): the world, the groups' AI, the scripts, the
// terrain, water and objects, the HUD, the physics and the presentation, on
// an offscreen device. The application is started and a new game prepared
// on a fresh sample tree; the frame time is the frame timer's. Set
// LP_NUM_THREADS=0 so that llvmpipe draws on the main thread.
#include "tests/common/GameDriver.h"

#include "SampleApp.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{

void GameFrame(benchmark::State& state)
{
    if (!benchapp::SampleApp().ok)
    {
        state.SkipWithError("the sample location could not be entered");
        return;
    }
    CMMApp& app = benchapp::SampleApp().app;
    for (auto _ : state) app.Render(false);
}
BENCHMARK(GameFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    benchapp::RemoveSampleApp();
    // The application and the world go with the process.
    std::quick_exit(0);
}
