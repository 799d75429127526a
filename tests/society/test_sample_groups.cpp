// The sample location's groups, made by the world from its group
// descriptions, and a caravan from the gate to the sample hall, travelling
// the sample roads assembled through one simulated game day of the world:
// they go into the hall and come out again. Run by the ctest entry
// society.sample_groups with TARVOX_SAMPLE_DIR set.
#include "common/SampleTree.h"
#include "common/LogDirTest.h"
#include "world/SampleEngine.h"
#include "world/WorldTestScene.h"

#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "platform/File.h"
#include "society/GroupAI.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "society/WorldMechanoid.h"
#include "units/KindManagers.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

class SampleGroups : public testutil::CLogDirTest
{
};

namespace
{
// When a group was first seen inside the hall and first seen out again
// after that (seconds of world time, -1 never).
struct SVisit
{
    float in = -1.0f;
    float out = -1.0f;
    int entries = 0;
    bool wasInside = false;
    // Times the group headed for the hall's node again after leaving.
    int passes = 0;
    std::int32_t lastRoad = -1;

    void Watch(const CMechGroup2* g, float t, std::int32_t hallNode)
    {
        const bool inside = g->m_bInBuilding && std::strcmp(g->m_szBuilding, "SAMPLE_HALL") == 0;
        if (inside && !wasInside) ++entries;
        wasInside = inside;
        if (inside && in < 0.0f) in = t;
        if (!g->m_bInBuilding && in >= 0.0f && out < 0.0f) out = t;
        const std::int32_t road = g->GetGroupAI() ? g->GetGroupAI()->m_nCurrentRoad : -1;
        if (out >= 0.0f && road == hallNode && lastRoad != hallNode) ++passes;
        lastRoad = road;
    }
};
} // namespace

TEST_F(SampleGroups, ACaravanReachesTheHallWithinAGameDayAndTheDescribedGroupsTravel)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    {
        worldtest::CScene scene;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(engine, {RegisterUnitManagers, RegisterGroupMaker}));
        engine.LoadWorld("sample.loc");
        ASSERT_NE(g_pWorld, nullptr);
        g_Random.SetState(2026);
        // The player's record: the world gives it its group, the groups'
        // first, which the other groups see through the day.
        CPlayerMech player;
        g_pWorld->SetPlayerMech(&player);
        g_pWorld->GenerateWorld(true);
        ASSERT_NE(g_pPlayerGroup, nullptr);
        EXPECT_EQ(g_MechGroupList2.GetGroup(0), g_pPlayerGroup);
        EXPECT_EQ(player.m_pGroup, g_pPlayerGroup);
        // The viewer stays far: every group travels assembled.
        const std::int32_t radius = g_Settings.VisibleRadius;
        g_Settings.VisibleRadius = 10;

        ASSERT_EQ(CreateLocationGroups(), 2);
        CMechGroup2* guard = g_MechGroupList2.FindGroup("GUARD1");
        CMechGroup2* patrol = g_MechGroupList2.FindGroup("PATROL1");
        ASSERT_NE(guard, nullptr);
        ASSERT_NE(patrol, nullptr);
        EXPECT_EQ(guard->GetMemberCount(), 2);
        EXPECT_EQ(patrol->GetAIKind(), 1);
        const std::int32_t hall = g_RoadManager.FindRoadNode("SAMPLE_HALL");
        const std::int32_t gate = g_RoadManager.FindRoadNode("GATE");
        ASSERT_GE(hall, 0);
        ASSERT_GE(gate, 0);
        const std::vector<std::int32_t>& round = patrol->GetGroupAI()->m_Route;
        EXPECT_NE(std::find(round.begin(), round.end(), hall), round.end());

        // Near the view (the view range back to its default) the described
        // groups fly: every member gets a glider with its AI; far again, the
        // gliders go.
        g_Settings.VisibleRadius = radius;
        g_pWorld->RunWorld(0.1f);
        for (const CMechGroup2* g : {guard, patrol})
        {
            EXPECT_EQ(g->m_bAssembled, 0) << g->m_szName;
            for (int i = 0; i < g->GetMemberCount(); ++i)
                EXPECT_NE(g->GetMemberAI(i), nullptr) << g->m_szName << " " << i;
        }
        g_Settings.VisibleRadius = 10;
        g_pWorld->RunWorld(0.1f);
        g_ObjectList.Pack(false);
        for (const CMechGroup2* g : {guard, patrol})
        {
            EXPECT_EQ(g->m_bAssembled, 1) << g->m_szName;
            for (int i = 0; i < g->GetMemberCount(); ++i)
                EXPECT_EQ(g->GetMember(i)->m_pObject, nullptr) << g->m_szName << " " << i;
        }

        // The caravan: two mechs of the world from the gate to the hall.
        auto* caravan = new CMechGroup2;
        std::strcpy(caravan->m_szName, "CARAVAN");
        caravan->InitGroup("ORG_MERCHANTS");
        for (const char* id : {"TRADER_A", "TRADER_B"})
        {
            CMech* m = g_pWorld->AddMech(id);
            m->m_pMechanoid = new CWorldMechanoid;
            m->m_bAssigned = 1;
            caravan->AddMech(m);
        }
        caravan->SetAI(0);
        caravan->m_vCentre = g_RoadManager.m_Nodes[size_t(gate)].position;
        CGroupAI* ai = caravan->GetGroupAI();
        ai->m_Route = JoinRoute({gate, hall});
        ASSERT_GE(ai->m_Route.size(), 2u);
        // A caravan goes in only at the ends of its route.
        CopyName(ai->m_szRouteStart, g_RoadManager.m_Nodes[size_t(gate)].name);
        CopyName(ai->m_szRouteEnd, g_RoadManager.m_Nodes[size_t(hall)].name);
        ai->m_nCurrentRoad = ai->m_nPreviousRoad = -1;
        ai->SetCurrentRoad(gate);
        ai->Move();
        g_MechGroupList2.AddGroup(caravan);

        SVisit caravanVisit, patrolVisit;
        const float day = 24 * 120.0f;
        float farthest = 0.0f;
        for (float t = 0.0f; t < day; t += 1.0f)
        {
            g_pWorld->RunWorld(1.0f);
            caravanVisit.Watch(caravan, t, hall);
            patrolVisit.Watch(patrol, t, hall);
            farthest = std::max(
                farthest,
                (patrol->m_vCentre - g_RoadManager.m_Nodes[size_t(round.front())].position).Length());
        }
        EXPECT_GE(caravanVisit.in, 0.0f) << "the caravan never reached the hall";
        EXPECT_GE(caravanVisit.out, caravanVisit.in + 33.0f) << "it stays its time inside, then leaves";
        // Back and forth on its route it passes the hall's node again, but
        // does not go into the building it has left.
        EXPECT_GT(caravanVisit.passes, 1);
        EXPECT_EQ(caravanVisit.entries, 1);
        EXPECT_GE(patrolVisit.in, 0.0f) << "the patrol's round passes the hall";
        EXPECT_GE(patrolVisit.out, 0.0f);
        EXPECT_GT(farthest, 400.0f) << "the patrol travels its round";
        // Every group stays on the map.
        for (const CMechGroup2* g : {guard, patrol, caravan})
        {
            EXPECT_GT(g->m_vCentre.x, 1000.0f) << g->m_szName;
            EXPECT_LT(g->m_vCentre.x, 1800.0f) << g->m_szName;
            EXPECT_GT(g->m_vCentre.y, 1000.0f) << g->m_szName;
            EXPECT_LT(g->m_vCentre.y, 1600.0f) << g->m_szName;
        }
        EXPECT_EQ(ReadText("error.log").find("Load error"), std::string::npos);

        // Whatever the random state, a road guard made anew stands at its
        // guard node, out in the open (its AI's first move once set out
        // from a random node, into the hall when it drew the hall's).
        const std::int32_t guardNode = g_MechGroupList.Find("GUARD1")->m_nGuardNode;
        for (std::uint32_t state = 1; state <= 40; ++state)
        {
            SCOPED_TRACE(state);
            g_Random.SetState(state);
            ASSERT_TRUE(g_pWorld->CreateM1Group("GUARD1", false));
            const CMechGroup2* made = g_MechGroupList2.GetGroup(g_MechGroupList2.GetCount() - 1);
            EXPECT_EQ(made->m_bInBuilding, 0);
            EXPECT_EQ(made->GetGroupAI()->m_nCurrentRoad, guardNode);
        }
        g_Settings.VisibleRadius = radius;
        UnregisterGroupMaker();
        g_pWorld->SetPlayerMech(nullptr);
        g_ResourceDB.Done();
    }
}
