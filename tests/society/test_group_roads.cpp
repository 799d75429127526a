// Groups on a small road net laid out here:
//
//          6 (800,800)                      7 (2000,2000), no links
//          |
//          5 (800,400)
//          |
//   0 ---- 1 ---- 2 ---- 3 ---- 4           (x 0..1600 by 400, y 0)
//                 |
//                 8 (800,-200), side net (type 1)
//
// Routes ping-pong, dead ends turn back, a fleeing group takes the branch
// away from its pursuer, the node steps of one frame are capped, a lost
// group re-routes from the nearest road.
#include "GroupTestFixture.h"

#include "AITestFixture.h"

#include <cmath>

namespace
{

using grouptest::CGroupTest;

class GroupRoads : public CGroupTest
{
protected:
    void SetUp() override
    {
        CGroupTest::SetUp();
        Roads({{0, 0, {1}},
               {400, 0, {2}},
               {800, 0, {3, 5, 8}},
               {1200, 0, {4}},
               {1600, 0, {}},
               {800, 400, {6}},
               {800, 800, {}},
               {2000, 2000, {}},
               {800, -200, {}, "", 1}});
    }
    // A group of the given kind far out of view (it stays assembled), its
    // point on node `at`.
    CGroupAI* Traveller(std::int32_t kind, std::int32_t at)
    {
        const CVector p = g_RoadManager.m_Nodes[size_t(at)].position;
        CMechGroup2* g = Group("TRAVEL", 2, p);
        m_pGroup = g;
        g->SetAI(kind);
        CGroupAI* ai = g->GetGroupAI();
        ai->m_nCurrentRoad = ai->m_nPreviousRoad = -1;
        ai->SetCurrentRoad(at);
        return ai;
    }
    // Runs the AI for `frames` frames of dt and returns the nodes it headed
    // for, one entry per change.
    std::vector<std::int32_t> Visit(CGroupAI* ai, int frames, float dt)
    {
        std::vector<std::int32_t> seen;
        for (int i = 0; i < frames; ++i)
        {
            ai->Run(dt);
            if (seen.empty() || seen.back() != ai->m_nCurrentRoad) seen.push_back(ai->m_nCurrentRoad);
        }
        return seen;
    }

    CMechGroup2* m_pGroup = nullptr;
};

TEST_F(GroupRoads, ACaravanPingPongsAlongItsRouteOnTheSegments)
{
    CGroupAI* ai = Traveller(0, 0);
    ai->m_Route = {0, 1, 2, 3, 4};
    ai->Move();
    const std::vector<std::int32_t> seen = Visit(ai, 800, 0.5f);
    const std::vector<std::int32_t> expected = {1, 2, 3, 4, 3, 2, 1, 0, 1, 2};
    ASSERT_GE(seen.size(), expected.size());
    EXPECT_EQ(std::vector<std::int32_t>(seen.begin(), seen.begin() + std::ptrdiff_t(expected.size())),
              expected);
    // The point stays on the segment between the two nodes.
    EXPECT_NEAR(m_pGroup->m_vCentre.y, 0.0f, 1e-3f);
    EXPECT_GE(m_pGroup->m_vCentre.x, 0.0f);
    EXPECT_LE(m_pGroup->m_vCentre.x, 1600.0f);
}

TEST_F(GroupRoads, APlainGroupRoutedToANodeWaitsThere)
{
    CGroupAI* ai = Traveller(3, 0);
    ai->Move(6);
    EXPECT_EQ(ai->m_Route, (std::vector<std::int32_t>{0, 1, 2, 5, 6}));
    EXPECT_EQ(ai->m_bStopAtEnd, 1);
    Visit(ai, 600, 0.5f);
    EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_WAIT);
    EXPECT_EQ(ai->m_nCurrentRoad, 6);
    EXPECT_NEAR(m_pGroup->m_vCentre.y, 800.0f, 1.0f);
}

TEST_F(GroupRoads, WanderingChoicesAtDeadEndsLonelyNodesAndForks)
{
    struct SCase
    {
        const char* name;
        std::int32_t previous, current;
        CVector centre;
        CVector pursuer; // z < 0: none
        std::int32_t expected;
    };
    const SCase cases[] = {
        {"dead end turns back", 5, 6, {800, 790, 0}, {0, 0, -1}, 5},
        {"a node without links: the nearest but node 0", 7, 7, {10, 10, 0}, {0, 0, -1}, 1},
        {"a fork away from the pursuer", 1, 2, {800, 0, 0}, {800, -600, 0}, 5},
        {"the other way round", 1, 2, {800, 0, 0}, {800, 900, 0}, 8},
    };
    for (const SCase& c : cases)
    {
        CGroupAI* ai = Traveller(0, c.current);
        ai->m_nPreviousRoad = c.previous;
        m_pGroup->m_vCentre = c.centre;
        std::unique_ptr<aitest::SPilot> pursuer;
        if (c.pursuer.z >= 0.0f)
        {
            pursuer = std::make_unique<aitest::SPilot>("PURSUER", c.pursuer);
            ai->m_nMode = CGroupAI::MODE_RETREAT;
            ai->m_pTarget = &pursuer->mech;
        }
        ai->GetNextRoadItem2();
        EXPECT_EQ(ai->m_nCurrentRoad, c.expected) << c.name;
        ai->m_pTarget = nullptr;
    }
}

TEST_F(GroupRoads, OneLongFrameAdvancesAtMostSixNodes)
{
    std::vector<grouptest::SRoadNode> line;
    std::vector<std::int32_t> route;
    for (int i = 0; i < 10; ++i)
    {
        line.push_back({float(i) * 10.0f, 0.0f, {}});
        if (i) line.back().links = {i - 1};
        route.push_back(i);
    }
    Roads(line);
    CGroupAI* ai = Traveller(0, 0);
    ai->m_Route = route;
    ai->Move();
    m_pGroup->m_fSpeedFactor = 100.0f; // thousands of units in a frame
    const std::int32_t start = ai->m_nCurrentRoad;
    ai->ProcessMove(1.0f);
    EXPECT_EQ(ai->m_nCurrentRoad, start + 6) << "n = 5 at one second, n + 1 steps";
    EXPECT_FLOAT_EQ(m_pGroup->m_vCentre.x, float(start + 6) * 10.0f)
        << "the progress is cut at the segment's end";
}

TEST_F(GroupRoads, ALostGroupLeavesTroubleAndReRoutesFromTheNearestRoad)
{
    // The plain kind: a disassembled caravan steps by its route only.
    CGroupAI* ai = Traveller(3, 0);
    ai->m_Route = {0, 1, 2, 3, 4};
    ai->Move();
    m_pGroup->m_bAssembled = 0; // its members fly (none has a glider here)
    ai->m_bInTrouble = 1;
    ai->m_TroubleRoute = {2, 8};
    // More than 1500 from node 1, its destination; node 4 is the nearest.
    m_pGroup->m_vCentre = CVector{1600.0f, 1000.0f, 0.0f};
    ai->ProcessMove(0.1f);
    EXPECT_EQ(ai->m_bInTrouble, 0);
    EXPECT_TRUE(ai->m_TroubleRoute.empty());
    EXPECT_EQ(ai->m_nCurrentRoad, 4);
    EXPECT_FLOAT_EQ(ai->m_vDestination.x, 1600.0f);
}

} // namespace
