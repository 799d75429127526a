// The sample location's groups in the game application: the world makes
// the road guard and the patrol from the location's descriptions; near the
// start they fly as gliders steered by their AIs and travel the sample
// roads, staying over the map.
#include "common/GameDriver.h"

#include "society/BasicAI.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "world/Mech.h"
#include "world/RoadManager.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

class WorldGroups : public apptest::CRunningAppTest
{
};

} // namespace

TEST_F(WorldGroups, TheDescribedGroupsFlyTheSampleRoads)
{
    CMechGroup2* guard = g_MechGroupList2.FindGroup("GUARD1");
    CMechGroup2* patrol = g_MechGroupList2.FindGroup("PATROL1");
    ASSERT_NE(guard, nullptr);
    ASSERT_NE(patrol, nullptr);
    std::set<std::int32_t> roads;
    for (int i = 0; i < 400; ++i) // 20 s
    {
        ASSERT_TRUE(Frame());
        roads.insert(patrol->GetGroupAI()->m_nCurrentRoad);
    }
    for (const CMechGroup2* g : {guard, patrol})
    {
        EXPECT_EQ(g->m_bAssembled, 0) << g->m_szName << " is near the start";
        ASSERT_EQ(g->GetMemberCount(), 2) << g->m_szName;
        for (int i = 0; i < g->GetMemberCount(); ++i)
        {
            const CGliderObject* glider = GetMemberGlider(g->GetMember(i));
            ASSERT_NE(glider, nullptr) << g->m_szName << " " << i;
            EXPECT_NE(g->GetMemberAI(i), nullptr);
            // Over the road grid (1100..1700 x 1100..1500), give or take.
            const CVector p = glider->GetPosition();
            EXPECT_GT(p.x, 800.0f) << g->m_szName << " " << i;
            EXPECT_LT(p.x, 2000.0f) << g->m_szName << " " << i;
            EXPECT_GT(p.y, 800.0f) << g->m_szName << " " << i;
            EXPECT_LT(p.y, 1800.0f) << g->m_szName << " " << i;
        }
    }
    EXPECT_GE(roads.size(), 2u) << "the patrol heads for more than one node";
}
