// The game-event sink: slot to script event and argument, pick-up texts,
// script results, capture rules, the special actions.

#include "app/GameData.h"
#include "app/MMApp.h"
#include "app/MMAppEvent.h"
#include "foundation/Random.h"
#include "script/game/ScriptManager.h"
#include "units/GliderObject.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"
#include "world/TheThing.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace
{
// A sink that records what it does outside itself.
class CRecordingSink : public CMMAppEvent
{
public:
    struct SEvent
    {
        std::string object, event, argument;
        bool hasArgument;
        bool operator==(const SEvent&) const = default;
    };
    std::vector<SEvent> events;
    std::vector<std::string> lines, sounds, created;
    std::map<std::string, std::string> texts, names;
    int shows = 0;
    int mapWidth = 0, mapHeight = 0;
    std::function<bool(float, float, float*, float*)> ground;
    int ended = -1;
    int jolts = 0;

    void UpdateRuntimeScriptMessages(int colour) override
    {
        ++shows;
        CMMAppEvent::UpdateRuntimeScriptMessages(colour);
    }

protected:
    void RunEvent(const char* object, const char* event, const char* argument) override
    {
        events.push_back({object, event, argument ? argument : "", argument != nullptr});
    }
    void AddMessage(const char* line, int) override { lines.emplace_back(line); }
    void PlaySound2D(const char* name, bool) override { sounds.emplace_back(name); }
    bool IsSoundPlaying(const char*) override { return false; }
    bool GetText(const char* key, std::string& text) override
    {
        auto it = texts.find(key);
        text = it == texts.end() ? key : it->second;
        return it != texts.end();
    }
    bool GetName(const char* key, std::string& name) override
    {
        auto it = names.find(key);
        if (it == names.end()) return false;
        name = it->second;
        return true;
    }
    std::string FillNames(const std::string& text) override { return text; }
    void GetMapSize(int* w, int* h) override
    {
        *w = mapWidth;
        *h = mapHeight;
    }
    bool GetGround(float x, float y, float* height, float* up) override
    {
        return ground && ground(x, y, height, up);
    }
    CVector GetCameraPosition() override { return CVector{}; }
    void CreatePickUp(const char* type, const CVector&) override { created.emplace_back(type); }
    void EndCycle(int reason) override { ended = reason; }
    void PlayCollisionEffect() override { ++jolts; }
};

// A glider whose pilot's record has that id and name.
struct SPilot
{
    CMech mech;
    CGliderObject glider;
    SPilot(const char* id, const char* name)
    {
        std::snprintf(mech.m_szId, sizeof mech.m_szId, "%s", id);
        std::snprintf(mech.m_szName, sizeof mech.m_szName, "%s", name);
        glider.m_pMech = &mech;
    }
};

class AppEvent : public ::testing::Test
{
protected:
    CRecordingSink sink;
};

TEST_F(AppEvent, EachSlotRaisesItsScriptEventWithItsArgument)
{
    SPilot pilot("MECH_7", "Rook");
    CMech victim;
    std::snprintf(victim.m_szId, sizeof victim.m_szId, "MECH_9");
    const char arg[32] = "ARG";
    using Ev = CRecordingSink::SEvent;
    const struct
    {
        const char* what;
        std::function<void()> call;
        Ev expected;
    } rows[] = {
        {"OnHit", [&] { sink.OnHit(&pilot.glider); }, {"MECH_7", "OnHit", "", false}},
        {"OnPush", [&] { sink.OnPush(&pilot.glider); }, {"MECH_7", "OnPush", "", false}},
        {"OnView", [&] { sink.OnView(&pilot.glider); }, {"MECH_7", "OnView", "", false}},
        {"OnTalk", [&] { sink.OnTalk(&pilot.glider); }, {"MECH_7", "OnTalk", "", false}},
        {"OnEscortDie", [&] { sink.OnEscortDie("ESC"); }, {"ESC", "OnEscortDie", "", false}},
        {"OnEscortFar", [&] { sink.OnEscortFar("ESC"); }, {"ESC", "OnEscortFar", "", false}},
        {"OnEscortLeftBehind",
         [&] { sink.OnEscortLeftBehind("ESC"); },
         {"ESC", "OnEscortLeftBehind", "", false}},
        {"OnEscortHit", [&] { sink.OnEscortHit("ESC"); }, {"ESC", "OnEscortHit", "", false}},
        {"OnKill", [&] { sink.OnKill(&victim); }, {"MECH_9", "OnKill", "", true}},
        {"sensor by the player",
         [&] { sink.OnSensor("S1", "PLAYER", true); },
         {"S1", "OnEnterSensor", "", false}},
        {"sensor left by the player",
         [&] { sink.OnSensor("S1", "PLAYER", false); },
         {"S1", "OnLeaveSensor", "", false}},
        {"sensor by another",
         [&] { sink.OnSensor("S1", "MECH_3", true); },
         {"S1", "OnEnterSensorNPC", "MECH_3", true}},
        {"sensor left by another",
         [&] { sink.OnSensor("S1", "MECH_3", false); },
         {"S1", "OnLeaveSensorNPC", "MECH_3", true}},
        {"OnPlayerAttackSay",
         [&] { sink.OnPlayerAttackSay(&pilot.glider); },
         {"MECH_7", "OnAttack", "", false}},
        {"OnRetreat", [&] { sink.OnRetreat(&pilot.glider); }, {"MECH_7", "OnRetreat", "", false}},
        {"OnFear", [&] { sink.OnFear(&pilot.glider); }, {"MECH_7", "OnFear", "", false}},
        {"OnDrop", [&] { sink.OnDrop(&pilot.glider); }, {"MECH_7", "OnDrop", "", false}},
        {"OnProvocation", [&] { sink.OnProvocation(&pilot.glider); }, {"MECH_7", "OnProvocation", "", false}},
        {"OnRobbing", [&] { sink.OnRobbing(&pilot.glider); }, {"MECH_7", "OnRobbing", "", false}},
        {"OnAcceptConviction",
         [&] { sink.OnAcceptConviction(&pilot.glider); },
         {"MECH_7", "OnAcceptConviction", "", false}},
        {"OnPlayerAttackSafeZone",
         [&] { sink.OnPlayerAttackSafeZone(&pilot.glider); },
         {"MECH_7", "OnPlayerAttackSafeZone", "", false}},
        {"OnScriptEvent", [&] { sink.OnScriptEvent("OBJ", "OnHour", arg); }, {"OBJ", "OnHour", "ARG", true}},
        {"OnScriptEvent without argument",
         [&] { sink.OnScriptEvent("OBJ", "OnTen", nullptr); },
         {"OBJ", "OnTen", "", false}},
        {"LeaveBuilding", [&] { sink.LeaveBuilding("ORG_X", "B1"); }, {"ORG_X", "OnBuildLost", "B1", true}},
        {"OnCaptureLocation",
         [&] { sink.OnCaptureLocation("ORG_X", "LOC"); },
         {"ORG_X", "OnSectorControl", "LOC", true}},
        // The AIs' and the groups' seams land on the same slots.
        {"AI view", [&] { sink.OnAIEvent(AIEV_VIEW, &pilot.glider); }, {"MECH_7", "OnView", "", false}},
        {"AI attack",
         [&] { sink.OnAIEvent(AIEV_PLAYER_ATTACK_SAY, &pilot.glider); },
         {"MECH_7", "OnAttack", "", false}},
        {"group escort event",
         [&] { sink.OnGroupEvent("OnEscortFar", "ESC"); },
         {"ESC", "OnEscortFar", "", false}},
        {"group other event",
         [&] { sink.OnGroupEvent("OnGroupDone", "G1"); },
         {"G1", "OnGroupDone", "", false}},
    };
    for (const auto& row : rows)
    {
        sink.events.clear();
        const int shows = sink.shows;
        row.call();
        ASSERT_EQ(sink.events.size(), 1u) << row.what;
        EXPECT_EQ(sink.events[0], row.expected) << row.what;
        EXPECT_EQ(sink.shows, shows + 1) << row.what << ": the messages follow the event";
    }
}

// A collision jolts the joystick; a hit on the player remembers who hit,
// found again while it stays in the object list and never the player.
TEST_F(AppEvent, ACollisionJoltsAndTheLastAttackerIsFoundAgain)
{
    sink.OnCollision();
    EXPECT_EQ(sink.jolts, 1);
    EXPECT_TRUE(sink.events.empty());

    auto* attacker = new CMMObject;
    attacker->m_nType = OBJ_TOWER;
    g_ObjectList.AddObject(attacker);
    EXPECT_EQ(sink.FindLastAttacker(), nullptr);
    sink.OnPlayerHit(nullptr);
    EXPECT_EQ(sink.FindLastAttacker(), nullptr);
    sink.OnPlayerHit(attacker);
    EXPECT_EQ(sink.FindLastAttacker(), attacker);
    sink.ForgetLastAttacker();
    EXPECT_EQ(sink.FindLastAttacker(), nullptr);
    sink.OnPlayerHit(attacker);
    g_ObjectList.DeleteObject(attacker);
    g_ObjectList.Pack(true);
    EXPECT_EQ(sink.FindLastAttacker(), nullptr) << "gone from the object list";
}

TEST_F(AppEvent, PickUpTextsNameTheGoodsAndCountOnlyMoreThanOne)
{
    sink.texts["INT_PICKUP_CONT"] = "Picked up: %s";
    sink.texts["INT_PICKUP_MONEY"] = "Money %d";
    sink.texts["INT_PICKUP_MECH"] = "Mechanoid %s aboard";
    sink.names["GOOD_ORE"] = "ore";
    CTheThing box;
    box.m_nKind = 0x301;
    box.AddContent(0, "GOOD_ORE", 1);
    box.AddContent(0, "GOOD_GEM", 3);
    std::snprintf(box.m_szGameId, sizeof box.m_szGameId, "BOX1");
    sink.OnPickUp(&box);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"Picked up: ore", "Picked up: GOOD_GEM (3)"}));
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].event, "OnPickUp");

    sink.lines.clear();
    CTheThing money;
    money.m_nKind = CTheThing::kKindMoney;
    money.AddContent(3, "", 250);
    sink.OnPickUp(&money);
    CTheThing pod;
    pod.m_nKind = CTheThing::kKindMechmind;
    pod.AddContent(2, "MECH_UNKNOWN", 1);
    sink.OnPickUp(&pod);
    // A mechanoid the world does not know shows its raw id.
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"Money 250", "Mechanoid MECH_UNKNOWN aboard"}));
}

TEST_F(AppEvent, ADatabaseTextIsNeverAFormat)
{
    EXPECT_EQ(CMMAppEvent::FillPlaceholder("Got %s now", "ore"), "Got ore now");
    EXPECT_EQ(CMMAppEvent::FillPlaceholder("%d credits", "12"), "12 credits");
    // A bad entry prints as it stands: only the first placeholder is used.
    EXPECT_EQ(CMMAppEvent::FillPlaceholder("%s %s %n %x", "a"), "a %s %n %x");
    EXPECT_EQ(CMMAppEvent::FillPlaceholder("100%", "a"), "100%");
    EXPECT_EQ(CMMAppEvent::FillPlaceholder(nullptr, "a"), "");
}

TEST_F(AppEvent, ResultsOfTypes3And11And2AreShownAndCleared)
{
    CScriptManager scripts;
    IScriptManager* saved = g_pScriptManager;
    CWorld* savedWorld = g_pWorld;
    g_pScriptManager = &scripts;
    CWorld world;
    g_pWorld = &world;
    CMech* known = world.AddMech("MECH_K");
    ASSERT_NE(known, nullptr);
    std::snprintf(known->m_szName, sizeof known->m_szName, "Kestrel");
    sink.texts["MSG_A"] = "Plain";
    sink.texts["MSG_B"] = "Spoken";
    sink.texts["MSG_V"] = "Vital";
    auto speech = [&](const char* key, const char* mech)
    {
        SScriptResult* r = scripts.AddResultRecord(11, 0, false);
        std::memset(r->text, 0, sizeof r->text);
        std::snprintf(r->text, 64, "%s", key);
        std::snprintf(r->text + 64, 64, "%s", mech);
    };
    scripts.AddResult(3, "MSG_A", 0, false);
    speech("MSG_B", "MECH_K");
    speech("MSG_B", "MECH_GONE");
    scripts.AddResult(6, "BALANCE", 0, false);
    sink.UpdateRuntimeScriptMessages(1);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"Plain", "Kestrel: <color=white>Spoken<color>"}));
    EXPECT_EQ(sink.sounds, (std::vector<std::string>{"SND_C_MESSAGE"}));
    EXPECT_EQ(scripts.GetResults()->m_iResultCount, 0);

    // A vital message goes to the menus' box, with its sound.
    std::string shown;
    sink.ShowVitalResults = [&](const char* key)
    {
        shown = key;
        return true;
    };
    sink.sounds.clear();
    sink.lines.clear();
    scripts.AddResult(2, "MSG_V", 0, false);
    sink.UpdateRuntimeScriptMessages(1);
    EXPECT_EQ(shown, "MSG_V");
    EXPECT_EQ(sink.sounds, (std::vector<std::string>{"SND_C_MESSAGE_VITAL"}));
    EXPECT_TRUE(sink.lines.empty());
    // Where no menu shows it, its text goes to the message panel.
    sink.ShowVitalResults = [](const char*) { return false; };
    scripts.AddResult(2, "MSG_A", 0, false);
    sink.UpdateRuntimeScriptMessages(1);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"Plain"}));

    // Quiet messages stay queued, and come back on however the scope ends.
    scripts.AddResult(3, "MSG_A", 0, false);
    try
    {
        CMMAppEvent::CQuietMessages quiet(&sink);
        sink.UpdateRuntimeScriptMessages(1);
        EXPECT_EQ(scripts.GetResults()->m_iResultCount, 1);
        throw std::runtime_error("a script failed");
    }
    catch (const std::runtime_error&)
    {
    }
    EXPECT_TRUE(sink.m_bMessagesEnabled);
    g_pScriptManager = saved;
    g_pWorld = savedWorld;
}

TEST_F(AppEvent, OnlyThePlayersOrganisationCountsACapture)
{
    sink.CaptureBuilding("ORG_OTHER", "B1");
    EXPECT_TRUE(sink.sounds.empty());
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].event, "OnBuildCapture");
    EXPECT_EQ(sink.events[0].argument, "B1");
    sink.CaptureBuilding("ORG_PLAYER", "B1");
    EXPECT_EQ(sink.sounds, (std::vector<std::string>{"SND_I_CLUSTER_COMPLETE"}));
}

TEST_F(AppEvent, SpecialActions)
{
    EXPECT_FALSE(sink.RunSpecialAction(0));
    EXPECT_FALSE(sink.RunSpecialAction(6));
    EXPECT_FALSE(sink.RunSpecialAction(-1));
    EXPECT_TRUE(sink.RunSpecialAction(4));
    EXPECT_EQ(sink.ended, CMMApp::kExitEndText2);
    EXPECT_TRUE(sink.RunSpecialAction(5));
    EXPECT_EQ(sink.ended, CMMApp::kExitEndText1);
    // No name text for the player: nothing changes.
    EXPECT_FALSE(sink.RunSpecialAction(2));

    // A map under a million cells gets nothing.
    sink.mapWidth = 999;
    sink.mapHeight = 1000;
    int draws = 0;
    sink.ground = [&](float, float, float* h, float* up)
    {
        ++draws;
        *h = 5.0f;
        *up = 1.0f;
        return true;
    };
    EXPECT_TRUE(sink.RunSpecialAction(3));
    EXPECT_TRUE(sink.created.empty());
    EXPECT_EQ(draws, 0);

    // Two million cells of flat ground: two pick-ups.
    g_Random.SetState(7);
    sink.mapWidth = 2000;
    sink.mapHeight = 1000;
    EXPECT_TRUE(sink.RunSpecialAction(3));
    EXPECT_EQ(sink.created.size(), 2u);
    for (const std::string& type : sink.created)
        EXPECT_TRUE(type == "TT_MONEY" || type == "TT_CONTAINER_WHITE") << type;

    // Nowhere flat: the draws stop at their bound and nothing is made.
    sink.created.clear();
    draws = 0;
    sink.ground = [&](float, float, float*, float* up)
    {
        ++draws;
        *up = 0.5f;
        return true;
    };
    EXPECT_TRUE(sink.RunSpecialAction(3));
    EXPECT_TRUE(sink.created.empty());
    EXPECT_EQ(draws, CMMAppEvent::kMaxScatterDraws);
}

TEST_F(AppEvent, InstallTakesTheSeamsAndTheDestructorGivesThemBack)
{
    {
        CMMAppEvent installed;
        installed.Install();
        EXPECT_EQ(g_pAppEvent, &installed);
        EXPECT_EQ(g_pAIEvents, &installed);
        EXPECT_EQ(g_pGroupEvents, &installed);
        EXPECT_EQ(g_pShotEvents, &installed);
    }
    EXPECT_EQ(g_pAppEvent, nullptr);
    EXPECT_EQ(g_pAIEvents, nullptr);
    EXPECT_EQ(g_pGroupEvents, nullptr);
    EXPECT_EQ(g_pShotEvents, nullptr);
}
} // namespace
