// The game's events in the application over the sample tree, through the
// one sink it installs: the ten-minute event arms the second sample's
// timer, which hands the player an escort; the depot's sensor raises its
// script, the death of an escort reaches its script, and a kill by the
// player raises the combat rating.
#include "app/GameData.h"
#include "app/MMAppEvent.h"
#include "common/GameDriver.h"

#include "location/Environment.h"
#include "script/game/ScriptManager.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "world/World.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

namespace
{

class SampleEvents : public apptest::CSteppedAppTest
{
};

TEST_F(SampleEvents, TheWorldsEventsReachTheSampleScripts)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "sample events test"));
    ASSERT_NE(dynamic_cast<CMMAppEvent*>(g_pAppEvent), nullptr);
    auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
    ASSERT_NE(scripts, nullptr);
    CGliderObject* player = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(player, nullptr);

    // Twenty seconds of the world's clock: "OnTen" arms the depot.
    ASSERT_NE(g_pWorld, nullptr);
    g_pWorld->RunWorld(21.0f);
    EXPECT_EQ(scripts->GetVar("DEPOT_ARMED"), 1) << Tree().ErrorLog();

    // The sensor in the depot's yard, as the object list raises it for the
    // player's record "PLAYER" (the sink is called as the list calls it).
    g_pAppEvent->OnSensor("DEPOT_YARD", "PLAYER", true);
    EXPECT_EQ(scripts->GetVar("DEPOT_REACHED"), 1) << Tree().ErrorLog();

    // An hour of the environment's clock later the timer hands the player
    // an escort.
    g_Environment.m_fDays += 0.1f;
    g_pScriptManager->Run(0.0f);
    EXPECT_EQ(scripts->GetVar("DEPOT_TIMER"), 1) << Tree().ErrorLog();

    // The escort the script handed to the player loses a member.
    CMechGroup2* escort = nullptr;
    for (int i = 0; i < g_MechGroupList2.GetCount() && !escort; ++i)
    {
        CMechGroup2* group = g_MechGroupList2.GetGroup(i);
        if (group && group->GetGroupAI() && group->GetGroupAI()->m_bAssigned && group->GetMemberCount() > 0)
            escort = group;
    }
    ASSERT_NE(escort, nullptr) << "no group was handed to the player: " << Tree().ErrorLog();
    escort->OnKillMech(escort->GetMember(0));
    EXPECT_EQ(scripts->GetVar("ESCORT_LOST"), 1) << Tree().ErrorLog();

    // A kill by the player raises the combat rating.
    // The victim: a glider of the sample's patrol, which the world's
    // generation makes.
    CMechGroup2* patrol = g_MechGroupList2.FindGroup("PATROL1");
    ASSERT_NE(patrol, nullptr);
    ASSERT_GT(patrol->GetMemberCount(), 0);
    CGliderObject* victim = GetMemberGlider(patrol->GetMember(0));
    ASSERT_NE(victim, nullptr);
    const float rating = g_GameData.m_Counters.ratings[2].points;
    victim->Damage(10000000000.0f, victim->GetPosition(), 1, player, -1, 0);
    EXPECT_GT(g_GameData.m_Counters.ratings[2].points, rating);
    app.Done();
}

} // namespace
