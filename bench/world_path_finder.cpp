// Path queries over generated road graphs: a square grid of type-0 nodes,
// 200 units apart with a jitter, each linked to its four neighbours, and
// pairs that never repeat within the cache's five entries (so every query
// is a full search). Items per second are queries per second; the
// complexity fit tells how the time grows with the node count.
#include "foundation/Random.h"
#include "world/PathFinder.h"
#include "world/RoadManager.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

void BuildGrid(CRoadManager& roads, int n)
{
    const int side = int(std::lround(std::sqrt(double(n))));
    CRandom random(1234);
    roads.m_Nodes.assign(std::size_t(side * side), CRoadManager::SNode{});
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
        {
            CRoadManager::SNode& node = roads.m_Nodes[std::size_t(y * side + x)];
            node.position =
                CVector{200.0f * x + random.Random(80.0f), 200.0f * y + random.Random(80.0f), 0.0f};
            if (x > 0) node.links[node.linkCount++] = y * side + x - 1;
            if (x + 1 < side) node.links[node.linkCount++] = y * side + x + 1;
            if (y > 0) node.links[node.linkCount++] = (y - 1) * side + x;
            if (y + 1 < side) node.links[node.linkCount++] = (y + 1) * side + x;
        }
}

void BM_PathQuery(benchmark::State& state)
{
    CRoadManager roads;
    BuildGrid(roads, int(state.range(0)));
    CPathFinder finder(&roads);
    const std::int64_t count = roads.GetNodeCount();
    SPathRoute route;
    float length = 0.0f;
    std::int64_t k = 0;
    for (auto _ : state)
    {
        const std::int32_t from = std::int32_t(k % count);
        const std::int32_t to = std::int32_t((k * 7919 + count / 2) % count);
        ++k;
        benchmark::DoNotOptimize(finder.FindPathByIndex(from, to, &route, &length, 1, true));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetComplexityN(count);
}
BENCHMARK(BM_PathQuery)->Arg(100)->Arg(1000)->Arg(10000)->Complexity(benchmark::oNLogN);

} // namespace

BENCHMARK_MAIN();
