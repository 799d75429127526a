// One terrain frame of the sample location at the default VisibleRadius
// (256): CLocation::PreRender (visibility, requests, cell loads) and
// CLocation::CycleRender through the Direct3D layer on an offscreen device.
//
// CPU time is the main thread's own (the software rasterizer's threads are
// not counted). The terrain share is PreRender plus the block pass and the
// mesh look-ups and builds of every visible cell (run first, so the builds
// fall there); the graphics share is the rest of CycleRender: device-slot
// uploads, texture and state changes, draws. Target: the terrain code under
// a quarter of the frame.
//
// The camera stands 60 units behind and 40 above a point in the middle of
// the map, with a 90-degree view volume for the culling (the device itself
// draws the whole map from above). SteadyFrame: the camera holds still,
// meshes stay cached. CirclingFrame: the camera circles the point once in
// 64 frames: blocks enter and leave the view, change level, and meshes of
// blocks whose sector (the direction from the camera) changes are rebuilt.
// ColdFrame: every mesh is built anew each frame (the first frame in a
// location, or after the pools were reset).
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/LandTypes.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "location/Location.h"
#include "location/MapWriter.h"
#include "location/ViewCamera.h"
#include "platform/Window.h"
#include "tools/mksample/SampleLocation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

using namespace plat::d3d;

namespace
{
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

std::unique_ptr<CTexture> SolidTexture(std::uint32_t colour)
{
    auto t = std::make_unique<CTexture>();
    t->CreateTexture(32, 32, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    SLockedRect locked{};
    if (t->m_lpTexture && t->m_lpTexture->LockRect(0, &locked, nullptr, 0) == D3D_OK)
    {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &colour, 4);
        t->m_lpTexture->UnlockRect(0);
    }
    return t;
}

class CTextures : public ITerrainTextures
{
public:
    CTexture* GetTexture(std::int32_t id) override
    {
        return id >= 0 && id < 3 ? m_textures[id].get() : nullptr;
    }
    std::int32_t GetDefaultTexture() override { return 2; }
    std::unique_ptr<CTexture> m_textures[3];
};

struct SFixture
{
    plat::Window* window = nullptr;
    TexShaderManager techniques;
    CModelManager models;
    CLandTypeManager lands;
    CTextures textures;
    std::unique_ptr<CLocation> location = std::make_unique<CLocation>();
    bool ok = false;

    SFixture()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        plat::RegisterClass(
            plat::WindowClass{0,
                              [](plat::Window* w, std::uint32_t m, plat::WParam wp, plat::LParam lp)
                              { return plat::DefWindowProc(w, m, wp, lp); },
                              "TerrainBench", nullptr});
        window = plat::CreateWindow("TerrainBench", "terrain bench", plat::WS_OVERLAPPED, 0, 0, 640, 480);
        SDisplayParameters params;
        params.width = 640;
        params.height = 480;
        params.windowed = 1;
        if (!window || !graph.CreateDirect3D() || !graph.CreateDevice(params, window)) return;
        if (!techniques.Init(true)) return;
        g_pTexShaderManager = &techniques;
        g_pModelManager = &models;
        SLandType grass;
        grass.gid = 1;
        grass.texture = 0;
        grass.textureFull = 1;
        grass.samples = 4;
        grass.regular = true;
        lands.m_Types.push_back(grass);
        lands.m_nCount = 1;
        g_pLandTypeManager = &lands;
        textures.m_textures[0] = SolidTexture(0xFF50A040);
        textures.m_textures[1] = SolidTexture(0xFF60B048);
        textures.m_textures[2] = SolidTexture(0xFF807060);

        const std::filesystem::path map = std::filesystem::temp_directory_path() / "tvx_bench_terrain.lop";
        if (!WriteMapFile(map.c_str(), MakeSampleLocation())) return;
        g_Settings.VisibleRadius = 256;
        location->m_pTextures = &textures;
        location->Init(0, 0);
        location->ClearCache();
        ok = location->OpenMap(map.c_str());
    }
    ~SFixture()
    {
        location->Done();
        location.reset();
        g_pLandTypeManager = nullptr;
        g_pModelManager = nullptr;
        g_pTexShaderManager = nullptr;
        techniques.Purge();
        CMesh::ResetCurrent();
        graph.Release();
        if (window) plat::DestroyWindow(window);
    }

    // The game's camera: above the glider behind it, looking along heading.
    void PlaceCamera(float heading)
    {
        const CVector target{1180.0f, 1100.0f, 120.0f};
        const CVector forward{std::sin(heading), std::cos(heading), 0.0f};
        const CVector eye = target - forward * 60.0f + CVector{0, 0, 40.0f};
        g_ViewCamera.SetPosition(eye);
        // The view volume the culling tests: 90 degrees wide, 4:3, looking
        // along the heading and a little down, out to 4000 units.
        const CVector z = Normalize(forward + CVector{0, 0, -0.2f});
        CVector up{0, 0, 1}, x, y;
        VectorCross(&x, &up, &z);
        x = Normalize(x);
        VectorCross(&y, &z, &x);
        CMatrix& v = g_ViewCamera.m_mView;
        v = CMatrix(1.0f);
        const CVector axes[3] = {x, y, z};
        for (int c = 0; c < 3; ++c)
        {
            v.m[0][c] = axes[c].x;
            v.m[1][c] = axes[c].y;
            v.m[2][c] = axes[c].z;
            v.m[3][c] = -(axes[c].x * eye.x + axes[c].y * eye.y + axes[c].z * eye.z);
        }
        CMatrix& p = g_ViewCamera.m_mProjection;
        p = CMatrix(0.0f);
        const float nearZ = 1.0f, farZ = 4000.0f;
        p.m[0][0] = 0.75f;
        p.m[1][1] = 1.0f;
        p.m[2][2] = farZ / (farZ - nearZ);
        p.m[2][3] = 1.0f;
        p.m[3][2] = -nearZ * farZ / (farZ - nearZ);
        g_ViewCamera.UpdateViewProjection();
        Device* d = graph.m_lpDevice;
        // The device draws the whole map from straight above.
        SMatrix view = IdentityMatrix();
        view.m[0][0] = -1.0f;
        view.m[2][2] = -1.0f;
        view.m[3][0] = 1280.0f;
        view.m[3][1] = -1280.0f;
        view.m[3][2] = 2000.0f;
        SMatrix projection = IdentityMatrix();
        projection.m[0][0] = projection.m[1][1] = 2.0f / 2560.0f;
        projection.m[2][2] = 1.0f / 4000.0f;
        d->SetTransform(D3DTS_VIEW, &view);
        d->SetTransform(D3DTS_PROJECTION, &projection);
    }

    // The terrain's own work of a frame: visibility, loads, block passes and
    // mesh look-ups (builds included).
    int TerrainPass()
    {
        location->PreRender();
        int blocks = 0;
        for (int i = 0; i < location->GetVisibleCount(); ++i)
        {
            const CLocation::SVisibleCell& v = location->GetVisibleCells()[i];
            if (location->GetCell(v.drawX, v.drawY).m_nLevel != kLevelNear)
            {
                location->GetQuadObject(unsigned(v.drawX), unsigned(v.drawY), 4, kLevelFar);
                ++blocks;
                continue;
            }
            if (!location->PrepareQuads(unsigned(v.drawX), unsigned(v.drawY), false)) continue;
            for (int b = 0; b < 4; ++b)
            {
                const MapQuad& quad = location->GetCell(v.drawX, v.drawY).m_pNear->m_Quads[b];
                if (!quad.m_bVisible) continue;
                location->GetQuadObject(unsigned(v.drawX), unsigned(v.drawY), b, quad.m_nLevel);
                ++blocks;
            }
        }
        return blocks;
    }
};

SFixture& Fixture()
{
    static SFixture fixture;
    return fixture;
}

void RunFrames(benchmark::State& state, bool turning, bool cold = false)
{
    SFixture& f = Fixture();
    if (!f.ok)
    {
        state.SkipWithError("no device or no sample map");
        return;
    }
    Device* d = graph.m_lpDevice;
    double terrain = 0.0, graphics = 0.0;
    long frames = 0, blocks = 0;
    const CLocation::SLodStats before = f.location->m_Stats;
    float heading = 0.3f;
    for (auto _ : state)
    {
        if (turning) heading += 6.2831853f / 64.0f;
        if (cold) f.location->ResetMeshPools(); // every mesh built anew
        f.PlaceCamera(heading);
        g_GameTime += 1.0 / 60.0;
        const double t0 = ThreadSeconds();
        blocks += f.TerrainPass();
        const double t1 = ThreadSeconds();
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        d->BeginScene();
        f.location->CycleRender();
        d->EndScene();
        graph.Present();
        const double t2 = ThreadSeconds();
        terrain += t1 - t0;
        graphics += t2 - t1;
        ++frames;
    }
    const CLocation::SLodStats& after = f.location->m_Stats;
    std::uint32_t builds = 0, fallbacks = 0;
    const double n = double(std::max(frames, 1L));
    static const char* const kLevels[4] = {"lod1", "lod2", "lod3", "far"};
    for (int i = 0; i < 4; ++i)
    {
        builds += after.buildMisses[i] - before.buildMisses[i];
        fallbacks += after.slotMisses[i] - before.slotMisses[i];
        state.counters[std::string("builds_") + kLevels[i]] =
            double(after.buildMisses[i] - before.buildMisses[i]) / n;
    }
    state.counters["cells_drawn"] = f.location->GetVisibleCount();
    state.counters["blocks_drawn"] = double(blocks) / n;
    state.counters["builds_per_frame"] = double(builds) / n;
    state.counters["render_buffer_draws_per_frame"] = double(fallbacks) / n;
    state.counters["terrain_ms"] = terrain / n * 1e3;
    state.counters["graphics_ms"] = graphics / n * 1e3;
    state.counters["terrain_share"] = terrain / std::max(terrain + graphics, 1e-12);
}

void SteadyFrame(benchmark::State& state)
{
    RunFrames(state, false);
}
void CirclingFrame(benchmark::State& state)
{
    RunFrames(state, true);
}
void ColdFrame(benchmark::State& state)
{
    RunFrames(state, false, true);
}
} // namespace

BENCHMARK(SteadyFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(CirclingFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ColdFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
