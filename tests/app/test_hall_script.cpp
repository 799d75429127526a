// The sample hall's script in the game application over the sample tree:
// the player's glider flown into the hall's entry zone opens the building
// menu, whose quest console raises the hall's "OnEnterBuild" through the
// game script manager, and the script's built-ins give the player money and
// a quest, greet the player on the console and mark the hall on the radar.
#include "common/GameDriver.h"
#include "consoles/GCQuest.h"
#include "menus/UIMenu.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"

#include "foundation/FrameTimer.h"
#include "hud/radar/Radar.h"
#include "location/Environment.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "tools/scriptc/CodeTreeBuilder.h"
#include "world/MMEngine.h"
#include "world/TypeManagers.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{

class HallScript : public apptest::CSteppedAppTest
{
protected:
    // One frame with the glider put into the hall's entry zone, as the
    // sample hall's own test flies in.
    void FlyIntoTheHall(CGliderObject& glider, const CBuildingObject& hall)
    {
        const CVector at = hall.GetPosition();
        glider.m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
        glider.SetPosition(CVector{at.x, at.y - 28.0f, at.z + 8.0f});
        glider.m_vVelocity = CVector{};
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }
};

TEST_F(HallScript, EnteringTheHallGivesMoneyAndAQuest)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "hall script test"));
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(glider, nullptr);
    ASSERT_NE(glider->m_pMechanoid, nullptr);
    auto* hall = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    ASSERT_NE(hall, nullptr);
    ASSERT_NE(g_pBuildingHost, nullptr);

    // The application's script manager and quest log.
    auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
    ASSERT_NE(scripts, nullptr) << Tree().ErrorLog();
    ASSERT_NE(g_pQuestLog, nullptr);
    IQuestLog& quests = *g_pQuestLog;
    const float money = glider->m_pMechanoid->m_Garbage.m_fMoney;

    FlyIntoTheHall(*glider, *hall);
    ASSERT_EQ(gametest::g_GameDriver.GetBuildingEntries(), 1);
    // Entering alone runs no script: the building menu's quest console does.
    EXPECT_FLOAT_EQ(glider->m_pMechanoid->m_Garbage.m_fMoney, money);
    EXPECT_EQ(scripts->GetVar("HALL_VISITED"), 0);

    // The cycle's building menu opens on the quest console, which raises
    // the hall's "OnEnterBuild" and shows its greeting; the player leaves
    // by the exit tab and is put out of the hall again.
    ASSERT_EQ(g_MMEngine.m_bLeaveCycle, 1);
    apptest::CMenuInput menus(app, [this] { Tick(); });
    menus.Install();
    bool greeted = false;
    float inside = 0.0f; // the money while in the menu (the rest after it costs some)
    menus.m_Script = [&](IUI& screen, int pass)
    {
        if (pass == 0) inside = glider->m_pMechanoid->m_Garbage.m_fMoney;
        auto* menu = dynamic_cast<CUIMenu*>(&screen);
        auto* quest = menu ? dynamic_cast<CGCQuest*>(menu->GetConsole(CUIMenu::kTabQuest)) : nullptr;
        if (pass == 0 && quest && quest->GetPage())
            greeted = quest->GetPage()->GetDocument() && quest->GetPage()->GetDocument()->FindBlock("HALL_WELCOME") >= 0;
        menus.ClickExitTab(screen, pass);
    };
    app.HandleCycleExit(0, true);
    menus.Remove();
    EXPECT_EQ(menus.m_nMenus, 1);
    EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
    EXPECT_TRUE(greeted);

    EXPECT_FLOAT_EQ(inside, money + 10000.0f);
    const SQuestRecord* quest = quests.FindQuest("Q_SAMPLE_HALL");
    ASSERT_NE(quest, nullptr);
    EXPECT_STREQ(quest->titleKey, "Q_SAMPLE_HALL_TITLE");
    EXPECT_TRUE(quest->IsOpen());
    EXPECT_EQ(scripts->GetResults()->m_iResultCount, 0) << "the console has shown them";
    EXPECT_EQ(scripts->GetVar("HALL_VISITED"), 1);
    ASSERT_NE(g_pRadar, nullptr);
    EXPECT_TRUE(g_pRadar->IsMarked("SAMPLE_HALL"));

    // A script refitting the player's glider changes the glider in flight.
    {
        CCodeTreeBuilder b;
        SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
        SScriptSymbol* run = b.Proc("Run", DT_INT);
        b.SetRoot(b.List(
            {b.ProcDecl(run, {object}, b.List({b.Oper(64, DT_CHAR, {b.Str("1"), b.Str("GL_HAULER")})}))}));
        ASSERT_TRUE(WriteScriptFile((Tree().Path() / "Data" / "Bin" / "refit.bin").string(), b.Bytes()));
    }
    scripts->RunScriptProc("refit", "Run", "PLAYER", false, nullptr);
    EXPECT_EQ(glider->m_Key.Index(), g_GliderManager.FindName("GL_HAULER"));

    // A timer a script sets for an hour rings once the environment's day
    // count has passed it.
    {
        CCodeTreeBuilder b;
        SScriptSymbol* object = b.Var("OBJECT", DT_CHAR, nullptr, 1);
        SScriptSymbol* arm = b.Proc("Arm", DT_INT);
        SScriptSymbol* ring = b.Proc("Ring", DT_INT);
        b.SetRoot(b.List(
            {b.ProcDecl(arm, {object}, b.List({b.Oper(16, DT_CHAR, {b.Str("Ring"), b.Str("1"), b.Str("PLAYER")})})),
             b.ProcDecl(ring, {object}, b.List({b.Oper(4, DT_CHAR, {b.Str("RANG"), b.Str("1")})}))}));
        ASSERT_TRUE(WriteScriptFile((Tree().Path() / "Data" / "Bin" / "alarm.bin").string(), b.Bytes()));
    }
    scripts->RunScriptProc("alarm", "Arm", "PLAYER", false, nullptr);
    Tick();
    ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    EXPECT_EQ(scripts->GetVar("RANG"), 0);
    g_Environment.m_fDays += 1.0f / 24.0f;
    // A frame rings the earliest due timer only: the sample's own timers
    // (set while the world's generation ran its first hours) may come first.
    for (int i = 0; i < 3 && scripts->GetVar("RANG") == 0; ++i)
    {
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }
    EXPECT_EQ(scripts->GetVar("RANG"), 1);

    app.Done();
    EXPECT_EQ(g_pScriptManager, nullptr);
    EXPECT_EQ(g_pQuestLog, nullptr);
    EXPECT_EQ(Tree().ErrorLog(), "");
}

// Without the script table the game still runs (one line), with its script
// manager, and entering the hall changes nothing.
TEST_F(HallScript, ATreeWithoutScriptsRunsTheWorldWithoutThem)
{
    const std::filesystem::path removed = Tree().Path() / "Data/CONFIG/objects.ini";
    std::filesystem::rename(removed, removed.string() + ".away");
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "no scripts test"));
    ASSERT_NE(g_pScriptManager, nullptr);
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    auto* hall = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    ASSERT_TRUE(glider && glider->m_pMechanoid && hall);
    const float money = glider->m_pMechanoid->m_Garbage.m_fMoney;
    FlyIntoTheHall(*glider, *hall);
    EXPECT_EQ(gametest::g_GameDriver.GetBuildingEntries(), 1);
    EXPECT_FLOAT_EQ(glider->m_pMechanoid->m_Garbage.m_fMoney, money);
    app.Done();
    std::filesystem::rename(removed.string() + ".away", removed);
    const std::string log = Tree().ErrorLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("objects.ini\" not found: no script will run"), std::string::npos) << log;
}

} // namespace
