// Draws per second through the Direct3D layer against the same mix issued
// straight to OpenGL in the same run: each draw changes the texture, the
// texture factor and the world matrix, then draws a small indexed mesh.
// Both paths draw the same triangles to the same pixels; the rate is wall
// clock (the software rasterizer draws on threads of its own), and each
// iteration ends when the GPU has finished. Target: the layer at 0.5 of the
// raw rate or better.
#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/gl/RawGlReference.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace plat::d3d;

namespace
{

constexpr int kGrid = 8; // 8x8 quads: 81 vertices, 384 indices
constexpr int kTextures = 4;
constexpr int kDrawsPerIteration = 256;

struct SMeshData
{
    std::vector<float> positions;
    std::vector<std::uint16_t> indices;
    SMeshData()
    {
        for (int y = 0; y <= kGrid; ++y)
            for (int x = 0; x <= kGrid; ++x)
            {
                // Clip space: the layer draws with identity matrices, so both
                // paths get the same positions.
                positions.push_back(float(x) / kGrid * 0.2f - 1.0f);
                positions.push_back(float(y) / kGrid * 0.2f - 1.0f);
                positions.push_back(0.5f);
            }
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x)
            {
                const std::uint16_t a = std::uint16_t(y * (kGrid + 1) + x), b = std::uint16_t(a + 1),
                                    c = std::uint16_t(a + kGrid + 1), d = std::uint16_t(c + 1);
                for (std::uint16_t i : {a, b, c, c, b, d})
                    indices.push_back(i);
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
    SMeshData mesh;

    SFixture()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        SPresentParameters p;
        p.BackBufferWidth = p.BackBufferHeight = 256;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = 1;
        p.EnableAutoDepthStencil = 1;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &dev) !=
            D3D_OK)
            std::abort();
        const std::uint32_t fvf = D3DFVF_XYZ | D3DFVF_TEX1;
        dev->CreateVertexBuffer(std::uint32_t(mesh.positions.size() / 3 * 20), D3DUSAGE_WRITEONLY, fvf,
                                D3DPOOL_MANAGED, &vb);
        std::uint8_t* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        for (std::size_t i = 0; i < mesh.positions.size() / 3; ++i)
        {
            const float v[5] = {mesh.positions[i * 3], mesh.positions[i * 3 + 1], 0.5f, mesh.positions[i * 3],
                                mesh.positions[i * 3 + 1]};
            std::memcpy(data + i * 20, v, 20);
        }
        vb->Unlock();
        dev->CreateIndexBuffer(std::uint32_t(mesh.indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                               D3DPOOL_MANAGED, &ib);
        ib->Lock(0, 0, &data, 0);
        std::memcpy(data, mesh.indices.data(), mesh.indices.size() * 2);
        ib->Unlock();
        for (int t = 0; t < kTextures; ++t)
        {
            dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex[t]);
            SLockedRect lr;
            tex[t]->LockRect(0, &lr, nullptr, 0);
            for (int i = 0; i < 16; ++i)
                static_cast<std::uint32_t*>(lr.pBits)[i] = 0xFFFFFFFFu - std::uint32_t(t) * 0x00101010u;
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
};

SFixture& Fixture()
{
    static SFixture f;
    return f;
}

void BM_LayerDraws(benchmark::State& state)
{
    SFixture& f = Fixture();
    const auto verts = std::uint32_t(f.mesh.positions.size() / 3);
    const auto prims = std::uint32_t(f.mesh.indices.size() / 3);
    int n = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < kDrawsPerIteration; ++i, ++n)
        {
            SMatrix world = IdentityMatrix();
            world.m[3][0] = float(n % 16) * 0.1f;
            world.m[3][1] = float((n / 16) % 16) * 0.1f;
            f.dev->SetTransform(D3DTS_WORLD, &world);
            f.dev->SetTexture(0, f.tex[n % kTextures]);
            f.dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000u | std::uint32_t(n * 2654435761u >> 8));
            f.dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, verts, 0, prims);
        }
        f.dev->WaitIdle();
    }
    state.SetItemsProcessed(state.iterations() * kDrawsPerIteration);
}
BENCHMARK(BM_LayerDraws)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_RawGlDraws(benchmark::State& state)
{
    SFixture& f = Fixture();
    static CRawGlReference raw(f.mesh.positions.data(), std::uint32_t(f.mesh.positions.size() / 3),
                               f.mesh.indices.data(), std::uint32_t(f.mesh.indices.size()), kTextures);
    int n = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < kDrawsPerIteration; ++i, ++n)
            raw.Draw(n % kTextures, 0xFF000000u | std::uint32_t(n * 2654435761u >> 8), float(n % 16) * 0.1f,
                     float((n / 16) % 16) * 0.1f);
        raw.Finish();
    }
    state.SetItemsProcessed(state.iterations() * kDrawsPerIteration);
}
BENCHMARK(BM_RawGlDraws)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
