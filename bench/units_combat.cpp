// Missiles and explosions in flight: one frame of the object list (every
// object's Run and the physics sub-step) with 1,000 and 10,000 missiles and
// 100 explosions over the sample terrain, tiled over the whole grid. The
// missiles keep the same density as their count grows: 10,000 fill 12 x 12
// cells, within the terrain's near cache of 200 cells (beyond it every
// frame would reload cells). items_per_second is missiles per second per
// frame: the time per missile per frame is its inverse, and should grow at
// most 1.5 times from 1,000 to 10,000. Missiles high above the ground
// check the map's per-cell height bounds instead of the cells' full height
// data, whose cache misses grew with the number of cells in play.
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "location/Location.h"
#include "location/MapWriter.h"
#include "location/ViewCamera.h"
#include "location/WorldAdapter.h"
#include "tools/mksample/SampleLocation.h"
#include "units/ExploObject.h"
#include "units/KindManagers.h"
#include "units/MissileObject.h"
#include "world/ObjectList.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

namespace
{

namespace fs = std::filesystem;

struct SFixture
{
    fs::path dir;
    std::string map;
    CLocationWorldAdapter adapter;

    SFixture()
    {
        dir = fs::temp_directory_path() / ("tvx_bench_combat_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        const SMapSource large = MakeTiledSampleLocation();
        map = (dir / "large.map").string();
        WriteMapFile(map.c_str(), large);
        // Far enough for every missile to stay in play.
        g_Settings.VisibleRadius = 4096;
        g_Location.Init(0, 0);
        adapter.Install();
        g_ObjectList.Clear();
        g_Location.InitCells();
        g_Location.OpenMap(map.c_str());

        // The type tables, filled directly: a rocket, a plasma clot and a
        // bursting explosion, none of which ends during the measurement.
        SMissileParameters rocket;
        rocket.m_nKind = CMissileObject::KIND_ROCKET;
        rocket.m_fSpeed = 60.0f;
        rocket.m_fWeight = 2.0f;
        rocket.m_fLifeTime = 1e9f;
        SMissileParameters plasma = rocket;
        plasma.m_nKind = CMissileObject::KIND_PLASMA;
        g_MissileManager.m_Types = {rocket, plasma};
        SExploParameters explo;
        explo.m_Layers[0].m_nKind = 5;
        explo.m_Layers[0].m_nNum = 20;
        explo.m_Layers[0].m_fSpeed = 30.0f;
        explo.m_Layers[0].m_fDuration = 1e9f;
        g_ExploManager.m_Types = {explo};
        RegisterUnitManagers();
    }
    ~SFixture()
    {
        g_ObjectList.Clear();
        adapter.Uninstall();
        g_Location.m_CellStream.Close();
        fs::remove_all(dir);
    }
};

SFixture& Fixture()
{
    static SFixture fixture;
    return fixture;
}

void Populate(int missiles, int explosions)
{
    g_ObjectList.Clear();
    CRandom random(4242);
    // 10,000 missiles fill 12 x 12 cells (the terrain's near cache holds
    // 200 cells); fewer fill a square of the same density.
    const float extent = 12.0f * 640.0f * std::sqrt(float(missiles) / 10000.0f);
    g_ViewCamera.SetPosition(CVector{extent / 2.0f, extent / 2.0f, 500.0f});
    for (int i = 0; i < missiles; ++i)
    {
        const float x = 20.0f + random.Random(extent), y = 20.0f + random.Random(extent);
        CObjectFrame frame;
        frame.SetForward(Normalize(CVector{random.Random(2.0f) - 1.0f, random.Random(2.0f) - 1.0f, 0.0f}));
        CMatrix m = frame.m_Matrix;
        m.SetTranslation(CVector{x, y, 400.0f});
        g_MissileManager.CreateMissile(i % 2, m, nullptr, 0);
    }
    for (int i = 0; i < explosions; ++i)
    {
        CMatrix m(1.0f);
        m.SetTranslation(CVector{20.0f + random.Random(extent), 20.0f + random.Random(extent), 350.0f});
        g_ExploManager.CreateObject(0, m);
    }
}

void MissilesInFlight(benchmark::State& state)
{
    Fixture();
    const int count = int(state.range(0));
    Populate(count, 100);
    for (int i = 0; i < 5; ++i)
    {
        g_ObjectList.Run();
        g_ObjectList.StepPhysics(0.05f);
    }
    int alive = 0;
    for (CMMObject* o : g_ObjectList.m_Objects)
        alive += o->m_nType == OBJ_MISSILE && o->m_bAlive;
    state.counters["alive"] = alive;
    for (auto _ : state)
    {
        g_ObjectList.Run();
        g_ObjectList.StepPhysics(0.05f);
    }
    state.SetItemsProcessed(state.iterations() * count);
    g_ObjectList.Clear();
}

} // namespace

BENCHMARK(MissilesInFlight)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
