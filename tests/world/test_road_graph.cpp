// The road graph read from road blocks written with the objects-file
// writer, its lookups and shortest path, and the path finder over it.
#include "common/LogDirTest.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "world/PathFinder.h"
#include "world/RoadManager.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

using Ids = std::vector<std::int32_t>;

CMatrix At(float x, float y)
{
    CMatrix m(1.0f);
    m.SetTranslation(CVector{x, y, 0});
    return m;
}

SRoadEntry Entry(const char* type, const char* name, std::int32_t id, float x, float y, Ids links)
{
    return SRoadEntry{MakeLocObjectRecord(At(x, y), type, name), id, std::move(links)};
}

// Nodes placed straight into the manager: (name, type, x, y, links).
struct SNodeSpec
{
    const char* name;
    std::int32_t type;
    float x, y;
    Ids links;
};

void Build(CRoadManager& roads, const std::vector<SNodeSpec>& specs)
{
    roads.m_Nodes.clear();
    for (const SNodeSpec& s : specs)
    {
        CRoadManager::SNode n;
        std::strncpy(n.name, s.name, 31);
        n.type = s.type;
        n.position = CVector{s.x, s.y, 0};
        for (std::int32_t l : s.links)
            n.links[n.linkCount++] = l;
        roads.m_Nodes.push_back(n);
    }
}

class RoadGraph : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        const std::string section = plat::Utf8ToCp1251("Дороги");
        std::ofstream(m_dir / "main.ini", std::ios::binary) << "[" << section << "]\nfilename=roads.ini\n";
        std::ofstream(m_dir / "roads.ini", std::ios::binary) << "[MAIN]\n[SIDE]\n[BASE]\n";
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(m_Roads.Init(section.c_str()));
        CMMObjectManager::SetObjectsFileName("test.loo");
        g_ErrorLog.ResetTrace();
        std::filesystem::remove(m_dir / "error.log");
    }
    void TearDown() override
    {
        m_Stream.Close();
        CMMObjectManager::SetObjectsFileName(nullptr);
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        testutil::CLogDirTest::TearDown();
    }
    void Load(const std::vector<SRoadEntry>& entries, std::uint32_t cut = 0)
    {
        CMemStream section;
        WriteRoadSection(section, entries);
        std::ofstream(m_dir / "block.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(section.m_pData) + 4,
                   std::streamsize(section.m_nPosition - 4 - cut));
        ASSERT_TRUE(GetPakFileSystem().OpenStream((m_dir / "block.bin").c_str(), m_Stream));
        m_Roads.LoadObjectsFrom(m_Stream);
        m_Stream.Close();
    }
    Ids Links(std::int32_t i) const
    {
        const CRoadManager::SNode& n = m_Roads.m_Nodes[std::size_t(i)];
        return Ids(n.links, n.links + n.linkCount);
    }
    std::string Log() const { return ReadText("error.log"); }

    CRoadManager m_Roads;
    CPakStream m_Stream;
    std::string m_previous;
};

TEST_F(RoadGraph, LoadingNamesTypesAndSymmetricLinks)
{
    // 7 links 8 only on its own side; 9 names an id nobody has and a -1.
    Load({Entry("MAIN", "GATE:2", 7, 0, 0, {8}), Entry("SIDE", "ROAD1", 8, 100, 0, {}),
          Entry("BASE", "ROADSIDE", 9, 100, 100, {8, 55, -1}), Entry("NONE", "RO", 10, 0, 100, {})});
    ASSERT_EQ(m_Roads.GetNodeCount(), 4);
    EXPECT_EQ(m_Roads.FindRoadNode("GATE"), 0);
    EXPECT_EQ(m_Roads.FindRoadNode("GATE:2"), -1);
    EXPECT_EQ(m_Roads.FindRoadNodeById(9), 2);
    EXPECT_EQ(m_Roads.FindRoadNodeById(55), -1);
    EXPECT_EQ(m_Roads.m_Nodes[0].type, 0);
    EXPECT_EQ(m_Roads.m_Nodes[2].type, 2);
    EXPECT_EQ(m_Roads.m_Nodes[3].type, -1);
    EXPECT_FLOAT_EQ(m_Roads.m_Nodes[2].position.y, 100.0f);
    EXPECT_EQ(Links(0), Ids({1}));
    EXPECT_EQ(Links(1), Ids({0, 2}));
    // The unknown id is dropped, not left as -1 for later walks to index.
    EXPECT_EQ(Links(2), Ids({1}));
    const std::string log = Log();
    EXPECT_NE(log.find("Found unlinked road link"), std::string::npos) << log;
    EXPECT_NE(log.find("Error while converting road links"), std::string::npos) << log;

    Ids found;
    char star[] = "ROAD*";
    m_Roads.FindRoadsByMask(star, found);
    EXPECT_EQ(found, Ids({1, 2}));
    EXPECT_STREQ(star, "ROAD");
    char plain[] = "ROAD";
    m_Roads.FindRoadsByMask(plain, found);
    EXPECT_EQ(found, Ids({1, 2}));
    m_Roads.GetRoadNodesInRadius(CVector{0, 0, 0}, 150.0f, found);
    EXPECT_EQ(found, Ids({0, 1})); // node 2 is of type 2, node 3 of none
    CVector p;
    EXPECT_TRUE(m_Roads.FindNode("ROADSIDE", &p));
    EXPECT_FLOAT_EQ(p.x, 100.0f);
}

TEST_F(RoadGraph, TooManyLinksAndDamagedBlocksAreLoggedNotOverflowed)
{
    // A hub listed by twelve spokes: the symmetric pass stops at ten.
    std::vector<SRoadEntry> entries{Entry("MAIN", "HUB", 0, 0, 0, {})};
    for (int i = 1; i <= 12; ++i)
        entries.push_back(Entry("MAIN", "SPOKE", i, float(i), 0, {0}));
    // A node asking for eleven links in the file keeps ten.
    entries.push_back(Entry("MAIN", "GREEDY", 13, 0, 50, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    Load(entries);
    ASSERT_EQ(m_Roads.GetNodeCount(), 14);
    EXPECT_EQ(m_Roads.m_Nodes[0].linkCount, 10);
    EXPECT_EQ(m_Roads.m_Nodes[13].linkCount, 10);
    EXPECT_NE(Log().find("has ten links"), std::string::npos);
    EXPECT_NE(Log().find("more than ten links"), std::string::npos);

    struct SCase
    {
        const char* what;
        std::uint32_t cut;
        std::int32_t nodes;
        const char* message;
    } cases[] = {
        {"last entry cut", 4, 1, "test.loo: road block at offset 0, entry 1: link count 2 past the end"},
        {"header cut", 8 + 2 * (128 + 12), 0, "test.loo: road block at offset 0, entry -1: header cut short"},
    };
    for (const SCase& c : cases)
    {
        std::filesystem::remove(m_dir / "error.log");
        Load({Entry("MAIN", "A", 1, 0, 0, {2}), Entry("MAIN", "B", 2, 10, 0, {1})}, c.cut);
        EXPECT_EQ(m_Roads.GetNodeCount(), c.nodes) << c.what;
        EXPECT_NE(Log().find(c.message), std::string::npos) << c.what << ": " << Log();
    }
}

TEST_F(RoadGraph, NodesInRadiusAreTheNearestTwentyOfTheFirstFiftyTwo)
{
    std::vector<SNodeSpec> specs;
    // 60 nodes inside the radius, farthest first; only the first 52 count.
    for (int i = 0; i < 60; ++i)
        specs.push_back({"N", 0, float(60 - i), 0, {}});
    Build(m_Roads, specs);
    CRoadManager::SRadiusNodes out;
    m_Roads.GetNodesInRadius(CVector{0, 0, 0}, 100.0f, out);
    ASSERT_EQ(out.count, 20);
    for (int j = 0; j < 20; ++j)
        EXPECT_EQ(out.index[j], 51 - j);
    m_Roads.GetNodesInRadius(CVector{0, 0, 0}, 60.0f, out); // strictly below
    EXPECT_EQ(out.count, 20);
    EXPECT_EQ(out.index[19], 33); // node 0 lies on the radius
}

// A square with a diagonal shortcut through a node of type 1:
//   0 (0,0) - 1 (100,0) - 2 (100,100)
//   0 - 3 (0,100) - 2;  0 - 4 (50,50, type 1) - 2
std::vector<SNodeSpec> Square()
{
    return {{"A", 0, 0, 0, {1, 3, 4}}, {"B", 0, 100, 0, {0, 2}}, {"C", 0, 100, 100, {1, 3, 4}},
            {"D", 0, 0, 100, {0, 2}},  {"X", 1, 50, 50, {0, 2}}, {"LONE", 0, 500, 500, {}}};
}

TEST_F(RoadGraph, NearestPathAndItsDeadEnds)
{
    Build(m_Roads, Square());
    Ids path{99};
    ASSERT_TRUE(m_Roads.GetNearestPath(0, 2, path));
    EXPECT_EQ(path, Ids({0, 4, 2}));
    ASSERT_TRUE(m_Roads.GetNearestPath(1, 3, path));
    EXPECT_EQ(path.size(), 3u);
    EXPECT_EQ(path.front(), 1);
    EXPECT_EQ(path.back(), 3);

    path = {99};
    EXPECT_FALSE(m_Roads.GetNearestPath(0, 0, path));
    EXPECT_FALSE(m_Roads.GetNearestPath(0, 5, path));
    EXPECT_EQ(path, Ids({99}));
    EXPECT_NE(Log().find("CRoadManager::GetNearestPath dead end of the road"), std::string::npos);
}

TEST_F(RoadGraph, AWaveWiderThanTheFrontierIsRefusedNotOverflowed)
{
    // A tree of branching nine below a root of ten: the third wave holds 810.
    std::vector<SNodeSpec> tree{{"ROOT", 0, 0, 0, {}}};
    std::vector<std::int32_t> level{0};
    for (int depth = 0; depth < 3; ++depth)
    {
        std::vector<std::int32_t> next;
        for (std::int32_t parent : level)
            for (int c = 0; c < (depth == 0 ? 10 : 9); ++c)
            {
                const std::int32_t child = std::int32_t(tree.size());
                tree.push_back({"LEAF", 0, float(child), float(depth + 1), {parent}});
                tree[std::size_t(parent)].links.push_back(child);
                next.push_back(child);
            }
        level.swap(next);
    }
    Build(m_Roads, tree);
    Ids path{99};
    EXPECT_TRUE(m_Roads.GetNearestPath(0, 11, path)); // a child of the first child: wave 2
    EXPECT_EQ(path, Ids({0, 1, 11}));
    // The third wave is cut at 256 nodes: logged, the search ends there.
    EXPECT_TRUE(m_Roads.GetNearestPath(0, level.back(), path));
    EXPECT_EQ(path.size(), 4u);
    EXPECT_NE(Log().find("more than 256 nodes in one wave"), std::string::npos) << Log();
    // The path finder's queues grow instead.
    CPathFinder finder(&m_Roads);
    SPathRoute route;
    float length = 0.0f;
    EXPECT_TRUE(finder.FindPathByIndex(0, level.back(), &route, &length, 1, true));
    EXPECT_EQ(route.Count(), 4);
}

TEST_F(RoadGraph, PathFinderExactRoutesAndMasks)
{
    Build(m_Roads, Square());
    CPathFinder finder(&m_Roads);
    SPathRoute route;
    float length = -1.0f;
    struct SCase
    {
        std::int32_t from, to;
        std::uint8_t mask;
        bool found;
        Ids nodes;
        float length;
    } cases[] = {
        {2, 2, 0, true, {}, 0.0f},              // self route, whatever the mask
        {0, 2, 3, true, {0, 4, 2}, 141.42136f}, // through the type-1 shortcut
        {0, 2, 1, true, {0, 1, 2}, 200.0f},     // type 0 only: round the square
        {4, 2, 1, false, {}, 0.0f},             // start of type 1 under mask 1
        {0, 2, 0, false, {}, 0.0f},
        {0, 2, 8, false, {}, 0.0f},
        {0, 5, 7, false, {}, 0.0f}, // unreachable
    };
    for (const SCase& c : cases)
    {
        route.nodes = {99};
        const bool found = finder.FindPathByIndex(c.from, c.to, &route, &length, c.mask, true);
        EXPECT_EQ(found, c.found) << c.from << "->" << c.to << " mask " << int(c.mask);
        if (!found || !c.found) continue;
        EXPECT_EQ(route.nodes, c.nodes) << c.from << "->" << c.to;
        EXPECT_NEAR(length, c.length, 0.01f);
    }
    // The mask is part of the cache key: mask 3 found the shortcut first,
    // mask 1 must still go round.
    Build(m_Roads, Square());
    finder.Init(&m_Roads);
    ASSERT_TRUE(finder.FindPathByIndex(0, 2, &route, &length, 3, true));
    ASSERT_TRUE(finder.FindPathByIndex(0, 2, &route, &length, 1, true));
    EXPECT_EQ(route.nodes, Ids({0, 1, 2}));
    EXPECT_EQ(finder.GetCacheHits(), 0);

    EXPECT_TRUE(finder.FindPath("A", "C", &route, &length, 7));
    EXPECT_EQ(route.nodes, Ids({0, 4, 2}));
    EXPECT_FALSE(finder.FindPath("A", "NOWHERE", &route, &length, 7));
    EXPECT_FALSE(finder.FindPath("A", "X", &route, &length, 1));
    EXPECT_NE(Log().find("CPathFinder::FindPath End road node is other type, node ID: [X]"),
              std::string::npos);
}

TEST_F(RoadGraph, PathCacheEvictsTheLeastRecentlyUsed)
{
    // A chain of eight nodes: pairs (0, k) are distinct searches.
    std::vector<SNodeSpec> chain;
    for (int i = 0; i < 8; ++i)
    {
        Ids links;
        if (i > 0) links.push_back(i - 1);
        if (i < 7) links.push_back(i + 1);
        chain.push_back({"N", 0, float(i * 10), 0, links});
    }
    Build(m_Roads, chain);
    CPathFinder finder(&m_Roads);
    SPathRoute route;
    float length = 0.0f;
    for (int k = 1; k <= 5; ++k)
        ASSERT_TRUE(finder.FindPathByIndex(0, k, &route, &length, 1, true));
    EXPECT_EQ(finder.GetCacheCount(), 5);
    ASSERT_TRUE(finder.FindPathByIndex(0, 1, &route, &length, 1, true)); // (0,1) is now the newest
    EXPECT_EQ(finder.GetCacheHits(), 1);
    ASSERT_TRUE(finder.FindPathByIndex(0, 6, &route, &length, 1, true)); // evicts (0,2)
    EXPECT_EQ(finder.GetCacheHits(), 1);
    ASSERT_TRUE(finder.FindPathByIndex(0, 1, &route, &length, 1, true));
    ASSERT_TRUE(finder.FindPathByIndex(0, 6, &route, &length, 1, true));
    EXPECT_EQ(finder.GetCacheHits(), 3);
    EXPECT_EQ(route.nodes, Ids({0, 1, 2, 3, 4, 5, 6}));
    EXPECT_FLOAT_EQ(length, 60.0f);
    ASSERT_TRUE(finder.FindPathByIndex(0, 2, &route, &length, 1, true));
    EXPECT_EQ(finder.GetCacheHits(), 3); // (0,2) was evicted
    EXPECT_EQ(finder.GetCacheCount(), 5);
}

TEST_F(RoadGraph, VariedRoutesAreNeverShorterThanExactOnes)
{
    // A 6 x 6 grid of type-0 nodes.
    std::vector<SNodeSpec> grid;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
        {
            Ids links;
            if (x > 0) links.push_back(y * 6 + x - 1);
            if (x < 5) links.push_back(y * 6 + x + 1);
            if (y > 0) links.push_back((y - 1) * 6 + x);
            if (y < 5) links.push_back((y + 1) * 6 + x);
            grid.push_back({"G", 0, float(x * 100), float(y * 100 + (x % 2) * 10), links});
        }
    Build(m_Roads, grid);
    CPathFinder finder(&m_Roads);
    g_Random.SetState(12345);
    SPathRoute route;
    float exact = 0.0f, varied = 0.0f;
    ASSERT_TRUE(finder.FindPathByIndex(0, 35, &route, &exact, 1, true));
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_TRUE(finder.FindPathByIndex(0, 35, &route, &varied, 1, false));
        EXPECT_GE(varied, exact - 0.01f);
        ASSERT_GE(route.Count(), 2);
        EXPECT_EQ(route.nodes.front(), 0);
        EXPECT_EQ(route.nodes.back(), 35);
        float sum = 0.0f;
        for (std::size_t n = 1; n < route.nodes.size(); ++n)
            sum += (m_Roads.m_Nodes[std::size_t(route.nodes[n])].position -
                    m_Roads.m_Nodes[std::size_t(route.nodes[n - 1])].position)
                       .Length();
        EXPECT_NEAR(varied, sum, 0.01f);
    }
    EXPECT_EQ(finder.GetCacheCount(), 1); // varied routes are not cached
}

TEST_F(RoadGraph, ZonesGrowOverTypeZeroNodesWithinTheRadius)
{
    Build(m_Roads, Square());
    CPathFinder finder(&m_Roads);
    Ids zone{42, 43};
    EXPECT_TRUE(finder.GetZone("A", 0.0f, zone));
    EXPECT_EQ(zone, Ids({0}));
    EXPECT_TRUE(finder.GetZone("A", 120.0f, zone));
    EXPECT_EQ(zone, Ids({0, 1, 3})); // X is of type 1, C beyond the radius
    EXPECT_TRUE(finder.GetZone("A", 200.0f, zone));
    EXPECT_EQ(zone, Ids({0, 1, 3, 2}));
    EXPECT_FALSE(finder.GetZone("NOWHERE", 200.0f, zone));
    EXPECT_TRUE(zone.empty());
}

} // namespace

TEST_F(RoadGraph, GetRoadRefusesEveryIndexOutsideTheNodes)
{
    Build(m_Roads, {{"A", 0, 0, 0, {1}}, {"B", 0, 100, 0, {0}}, {"C", 1, 200, 0, {}}});
    const struct
    {
        std::int32_t index;
        const char* name; // null: refused
    } cases[] = {{-1, nullptr}, {-2, nullptr}, {INT32_MIN, nullptr}, {0, "A"}, {2, "C"}, {3, nullptr}};
    for (const auto& c : cases)
    {
        const CRoadManager::SNode* node = m_Roads.GetRoad(c.index);
        EXPECT_STREQ(node ? node->name : nullptr, c.name) << c.index;
    }
}
