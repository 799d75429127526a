// Draws per second through the Direct3D layer against the same frames
// issued straight to OpenGL in the same run. A frame clears the target and
// draws a small indexed mesh (8x8 quads) N times at 256 places, N = 100,
// 1,000 and 10,000, in three mixes: no state change between draws, a texture
// change per draw, a render-state change per draw (the texture factor: a
// uniform of the cached program). Each iteration is one frame and ends when
// the GPU has finished it; the rate is wall clock (the software rasterizer
// draws on threads of its own, so compare the CPU column too).
//
// The raw path draws in a GL context of its own, the layer's way (same
// clip-space mapping, point sampling, texture times factor), and before
// timing each benchmark checks that both paths give the same pixel sums.
// Target: the layer at 0.9 of the raw rate or better in each mix.
#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/gl/RawGlReference.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace plat::d3d;

namespace
{

constexpr int kGrid = 8; // 8x8 quads: 81 vertices, 384 indices
constexpr std::uint32_t kMeshVertices = (kGrid + 1) * (kGrid + 1);
constexpr std::uint32_t kMeshIndices = kGrid * kGrid * 6;
constexpr int kPlaces = 256; // copies of the mesh on a 16x16 lattice
constexpr int kTextures = 4;
constexpr int kTarget = 256;
constexpr std::uint32_t kClearColour = 0xFF102030;

enum EMix : int
{
    kNoChange = 0,
    kTextureChange = 1,
    kRenderStateChange = 2,
};

std::uint32_t FactorOf(int draw)
{
    return 0xFF000000u | (std::uint32_t(draw) * 2654435761u >> 8);
}

struct SScene
{
    std::vector<float> positions; // x, y, z per vertex, every place
    std::vector<std::uint16_t> indices;
    std::vector<std::vector<std::uint32_t>> textures;
    SScene()
    {
        for (int place = 0; place < kPlaces; ++place)
        {
            const float dx = float(place % 16) * 0.1f, dy = float(place / 16) * 0.1f;
            const auto base = std::uint16_t(positions.size() / 3);
            for (int y = 0; y <= kGrid; ++y)
                for (int x = 0; x <= kGrid; ++x)
                {
                    positions.push_back(float(x) / kGrid * 0.2f - 1.0f + dx);
                    positions.push_back(float(y) / kGrid * 0.2f - 1.0f + dy);
                    positions.push_back(0.5f);
                }
            for (int y = 0; y < kGrid; ++y)
                for (int x = 0; x < kGrid; ++x)
                {
                    const auto a = std::uint16_t(base + y * (kGrid + 1) + x), b = std::uint16_t(a + 1),
                               c = std::uint16_t(a + kGrid + 1), d = std::uint16_t(c + 1);
                    for (std::uint16_t i : {a, b, c, c, b, d})
                        indices.push_back(i);
                }
        }
        // A two-colour checker per texture, so that a path sampling any other
        // way than point sampling gives other pixels.
        for (int t = 0; t < kTextures; ++t)
        {
            std::vector<std::uint32_t> texels(16);
            for (int i = 0; i < 16; ++i)
                texels[i] = ((i % 4) + (i / 4)) % 2 ? 0xFFFFFFFFu - std::uint32_t(t) * 0x00302010u
                                                    : 0xFF406080u + std::uint32_t(t) * 0x00102030u;
            textures.push_back(texels);
        }
    }
};

struct SFixture
{
    Direct3D* d3d = nullptr;
    Device* dev = nullptr;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    Texture* tex[kTextures] = {};
    SScene scene;

    SFixture()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        SPresentParameters p;
        p.BackBufferWidth = p.BackBufferHeight = kTarget;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = 1;
        p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &dev) !=
            D3D_OK)
            std::abort();
        const std::uint32_t fvf = D3DFVF_XYZ | D3DFVF_TEX1;
        const std::size_t vertices = scene.positions.size() / 3;
        dev->CreateVertexBuffer(std::uint32_t(vertices * 20), D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb);
        std::uint8_t* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        for (std::size_t i = 0; i < vertices; ++i)
        {
            const float* q = &scene.positions[i * 3];
            const float v[5] = {q[0], q[1], q[2], q[0], q[1]};
            std::memcpy(data + i * 20, v, 20);
        }
        vb->Unlock();
        dev->CreateIndexBuffer(std::uint32_t(scene.indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                               D3DPOOL_MANAGED, &ib);
        ib->Lock(0, 0, &data, 0);
        std::memcpy(data, scene.indices.data(), scene.indices.size() * 2);
        ib->Unlock();
        for (int t = 0; t < kTextures; ++t)
        {
            dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex[t]);
            SLockedRect lr;
            tex[t]->LockRect(0, &lr, nullptr, 0);
            for (int row = 0; row < 4; ++row)
                std::memcpy(static_cast<std::uint8_t*>(lr.pBits) + row * lr.Pitch,
                            &scene.textures[t][row * 4], 16);
            tex[t]->UnlockRect(0);
        }
        dev->SetRenderState(D3DRS_LIGHTING, 0);
        dev->SetRenderState(D3DRS_ZENABLE, 0);
        // The grid winds counter-clockwise, which Direct3D culls by default;
        // the raw path culls nothing, so neither does this one.
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
        dev->SetVertexShader(fvf);
        dev->SetStreamSource(0, vb, 20);
        dev->SetIndices(ib, 0);
    }
    ~SFixture()
    {
        dev->SetStreamSource(0, nullptr, 0);
        dev->SetIndices(nullptr, 0);
        dev->SetTexture(0, nullptr);
        for (auto* t : tex)
            t->Release();
        vb->Release();
        ib->Release();
        dev->Release();
        d3d->Release();
    }

    void LayerFrame(EMix mix, int draws)
    {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClearColour, 1.0f, 0);
        dev->SetTexture(0, tex[0]);
        dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
        for (int i = 0; i < draws; ++i)
        {
            if (mix == kTextureChange) dev->SetTexture(0, tex[i % kTextures]);
            if (mix == kRenderStateChange) dev->SetRenderState(D3DRS_TEXTUREFACTOR, FactorOf(i));
            const std::uint32_t place = std::uint32_t(i % kPlaces);
            dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, place * kMeshVertices, kMeshVertices,
                                      place * kMeshIndices, kMeshIndices / 3);
        }
        dev->WaitIdle();
    }

    std::uint64_t LayerPixelSum()
    {
        Surface* bb = nullptr;
        dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
        SLockedRect lr{};
        std::uint64_t sum = 0;
        if (bb->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK)
        {
            for (int y = 0; y < kTarget; ++y)
                for (int x = 0; x < kTarget; ++x)
                {
                    std::uint32_t p;
                    std::memcpy(&p, static_cast<const std::uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
                    sum += ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255);
                }
            bb->UnlockRect();
        }
        bb->Release();
        return sum;
    }
};

SFixture& Fixture()
{
    static SFixture f;
    return f;
}

CRawGlDrawReference& Raw()
{
    SFixture& f = Fixture();
    static CRawGlDrawReference raw(kTarget, kTarget, f.scene.positions.data(),
                                   std::uint32_t(f.scene.positions.size() / 3), f.scene.indices.data(),
                                   std::uint32_t(f.scene.indices.size()), f.scene.textures, 4, 4);
    return raw;
}

void RawFrame(CRawGlDrawReference& raw, EMix mix, int draws)
{
    raw.Clear(kClearColour);
    raw.SetTexture(0);
    raw.SetColour(0xFFFFFFFFu);
    for (int i = 0; i < draws; ++i)
    {
        if (mix == kTextureChange) raw.SetTexture(i % kTextures);
        if (mix == kRenderStateChange) raw.SetColour(FactorOf(i));
        raw.Draw(std::uint32_t(i % kPlaces) * kMeshIndices, kMeshIndices);
    }
    raw.Finish();
}

// One frame down each path; false (with the reason) when the pixels differ.
bool SamePixels(EMix mix, int draws, std::string* why)
{
    SFixture& f = Fixture();
    CRawGlDrawReference& raw = Raw();
    f.LayerFrame(mix, draws);
    const std::uint64_t layer = f.LayerPixelSum();
    raw.Begin();
    RawFrame(raw, mix, draws);
    const std::uint64_t reference = raw.PixelSum();
    raw.End();
    if (layer == reference) return true;
    *why = "pixel sums differ: layer " + std::to_string(layer) + ", raw GL " + std::to_string(reference);
    return false;
}

void BM_LayerDraws(benchmark::State& state)
{
    const auto mix = EMix(state.range(0));
    const int draws = int(state.range(1));
    std::string why;
    if (!SamePixels(mix, draws, &why))
    {
        state.SkipWithError(why.c_str());
        return;
    }
    SFixture& f = Fixture();
    for (auto _ : state)
        f.LayerFrame(mix, draws);
    state.SetItemsProcessed(state.iterations() * draws);
}

void BM_RawGlDraws(benchmark::State& state)
{
    const auto mix = EMix(state.range(0));
    const int draws = int(state.range(1));
    std::string why;
    if (!SamePixels(mix, draws, &why))
    {
        state.SkipWithError(why.c_str());
        return;
    }
    CRawGlDrawReference& raw = Raw();
    raw.Begin();
    for (auto _ : state)
        RawFrame(raw, mix, draws);
    raw.End();
    state.SetItemsProcessed(state.iterations() * draws);
}

void Mixes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"mix", "draws"});
    for (int mix : {kNoChange, kTextureChange, kRenderStateChange})
        for (int draws : {100, 1000, 10000})
            b->Args({mix, draws});
}

BENCHMARK(BM_LayerDraws)->Apply(Mixes)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_RawGlDraws)->Apply(Mixes)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
