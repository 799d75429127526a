// The object list's per-frame passes over a populated location: the run of
// the moving objects (with its distance cut) and the visibility pass over
// the cells around the viewer, for 100, 1,000 and 10,000 objects spread
// evenly over a location of 16 x 16 cells (10,240 units square) with the
// viewer in its middle: about a fifth of them lie within the view range.
//
// items_per_second is objects per second (the time per object is its
// inverse); it should stay flat as the count grows.
#include "foundation/Random.h"
#include "tests/world/WorldTestScene.h"
#include "world/ObjectList.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

constexpr int kLocationCells = 16;

class CBenchObject : public CMMObject
{
public:
    void Run() override { m_Frame.RotateZ(0.001f); }
};

void Populate(int count)
{
    CRandom random(12345);
    constexpr float extent = kLocationCells * kCellSize;
    for (int i = 0; i < count; ++i)
    {
        auto* o = new CBenchObject;
        o->m_nType = OBJ_STONE;
        o->m_bShown = 1;
        o->m_fRadius = 5.0f + random.Random(20.0f);
        o->m_bMoving = (i % 2) == 0;
        o->SetMatrix(MakeDefaultObjectMatrix());
        o->m_Frame.SetPosition(CVector{random.Random(extent), random.Random(extent), 0.0f});
        g_ObjectList.AddObject(o);
    }
}

// The cells the terrain pass would find visible: those within the view
// range of the viewer.
void ShowCellsAround(worldtest::CTestCells& cells, const CVector& eye)
{
    cells.m_Visible.clear();
    const float reach = 256 * kQuadSize + kCellSize;
    for (int row = 0; row < kCellGridSize; ++row)
        for (int col = 0; col < kCellGridSize; ++col)
        {
            const float cx = (float(col) + 0.5f) * kCellSize, cy = (float(row) + 0.5f) * kCellSize;
            if (std::hypot(cx - eye.x, cy - eye.y) < reach)
                cells.m_Visible.push_back(row * kCellGridSize + col);
        }
}

enum EPasses
{
    kRun = 1,
    kVisibility = 2,
};

void RunPasses(benchmark::State& state, int passes)
{
    const int count = int(state.range(0));
    worldtest::CScene scene;
    scene.m_View.m_vEye = CVector{kLocationCells * kCellSize / 2, kLocationCells * kCellSize / 2, 100.0f};
    // Half the view is behind the viewer.
    scene.m_View.m_Hidden = [&](const CVector& c, float r) { return c.y + r < scene.m_View.m_vEye.y; };
    ShowCellsAround(scene.m_Cells, scene.m_View.m_vEye);
    Populate(count);
    for (auto _ : state)
    {
        if (passes & kRun) g_ObjectList.Run();
        if (passes & kVisibility) g_ObjectList.CheckVisibility(true);
        benchmark::DoNotOptimize(g_ObjectList.m_nVisible);
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["visible"] = double(g_ObjectList.m_nVisible);
}

// Both passes of one frame: the figure to watch.
void BM_RunAndVisibility(benchmark::State& state)
{
    RunPasses(state, kRun | kVisibility);
}
// Each pass alone, to tell which one grows when the figure does.
void BM_Run(benchmark::State& state)
{
    RunPasses(state, kRun);
}
void BM_CheckVisibility(benchmark::State& state)
{
    RunPasses(state, kVisibility);
}

} // namespace

BENCHMARK(BM_RunAndVisibility)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Run)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckVisibility)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
