// The cost of an idle frame: Clear and Present of a 1024 x 768 windowed
// device (identity gamma ramp), against clear + blit + swap issued straight
// to OpenGL in a context of its own on the same window. Each iteration is one
// frame and ends when the GPU has finished it. Target: the layer at 0.8 of
// the raw rate or better.
#include "platform/d3d8/D3D8.h"
#include "platform/Window.h"
#include "platform/d3d8/gl/RawGlReference.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

using namespace plat::d3d;

namespace
{

constexpr int kWidth = 1024, kHeight = 768;

struct SFixture
{
    plat::Window* window = nullptr;
    Direct3D* d3d = nullptr;
    Device* dev = nullptr;

    SFixture()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!plat::RegisterClass(plat::WindowClass{0, plat::DefWindowProc, "PresentBench", nullptr}))
            std::abort();
        window =
            plat::CreateWindow("PresentBench", "", plat::WS_POPUP | plat::WS_VISIBLE, 0, 0, kWidth, kHeight);
        plat::Rect client{};
        if (!window || !plat::GetClientRect(window, &client) || client.right - client.left != kWidth ||
            client.bottom - client.top != kHeight)
            std::abort();
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        SPresentParameters p;
        p.BackBufferWidth = kWidth;
        p.BackBufferHeight = kHeight;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = 1;
        p.EnableAutoDepthStencil = 1;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &dev) !=
            D3D_OK)
            std::abort();
    }
    ~SFixture()
    {
        dev->Release();
        d3d->Release();
        plat::DestroyWindow(window);
    }
};

SFixture& Fixture()
{
    static SFixture f;
    return f;
}

void BM_LayerPresent(benchmark::State& state)
{
    SFixture& f = Fixture();
    for (auto _ : state)
    {
        f.dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF182838, 1.0f, 0);
        f.dev->Present(nullptr, nullptr, nullptr, nullptr);
        f.dev->WaitIdle();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LayerPresent)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

// The same with a ramp that is not the identity (a full-screen gamma
// setting): the full-screen pass through the ramp, for comparison.
void BM_LayerPresentThroughRamp(benchmark::State& state)
{
    SFixture& f = Fixture();
    SGammaRamp ramp{}, identity{};
    for (int i = 0; i < 256; ++i)
    {
        identity.red[i] = identity.green[i] = identity.blue[i] = std::uint16_t(i * 257);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = std::uint16_t(std::min(65535, i * 300));
    }
    f.dev->SetGammaRamp(0, &ramp);
    for (auto _ : state)
    {
        f.dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF182838, 1.0f, 0);
        f.dev->Present(nullptr, nullptr, nullptr, nullptr);
        f.dev->WaitIdle();
    }
    f.dev->SetGammaRamp(0, &identity);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LayerPresentThroughRamp)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_RawGlPresent(benchmark::State& state)
{
    Fixture();
    static CRawGlPresentReference raw(kWidth, kHeight);
    raw.Begin();
    for (auto _ : state)
    {
        raw.Frame(0xFF182838);
        raw.Finish();
    }
    raw.End();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawGlPresent)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
