// Saving and loading through the menus in the running sample application,
// driven by scripted input as a player would: in play, the pause menu's Save
// item opens the save/load panel, whose Save button writes a new numbered
// save with the new row's label as its caption; back at the main menu, its
// Load item lists that save above an older one, and choosing it ends the
// menu with 1003, the application takes the save's header and the next game
// comes back from it.
#include "app/GameData.h"
#include "app/SampleAppTest.h"
#include "consoles/SaveLoadGC.h"
#include "consoles/SaveRecords.h"
#include "foundation/FileArchive.h"
#include "menus/DialogButton.h"
#include "menus/MainMenuButton.h"
#include "menus/MainUI.h"
#include "script/game/QuestLog.h"
#include "units/GliderObject.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace
{

class SaveLoadThroughTheMenus : public apptest::CSteppedAppTest
{
protected:
    void SetUp() override
    {
        apptest::CSteppedAppTest::SetUp();
        AllowSavingOutside();
    }

    static CSaveLoadGC* PanelOf(CMainUI& menu) { return dynamic_cast<CSaveLoadGC*>(menu.GetSaveLoad()); }

    // The next menu's script: the item clicked from the second pass on; once
    // the panel is open, step(panel, pass) goes on with it (a question
    // shown is answered OK by Enter).
    void Drive(int command, std::function<void(CSaveLoadGC&, int)> step = {})
    {
        m_Menus.Update();
        m_nPanelPass = -1;
        m_Menus.m_Script = [this, command, step](IUI& screen, int pass)
        {
            auto* menu = dynamic_cast<CMainUI*>(&screen);
            ASSERT_NE(menu, nullptr) << "the running screen is not the main or pause menu";
            if (menu->m_pPopup)
            {
                if (pass % 2 == 0) m_Menus.Press(uicode::kKeyEnter);
                return;
            }
            CSaveLoadGC* panel = PanelOf(*menu);
            if (!panel || !step)
            {
                m_Menus.ClickAt(menu->FindItem(command)->m_Rect, pass, 2);
                return;
            }
            if (m_nPanelPass < 0) m_nPanelPass = pass;
            step(*panel, pass - m_nPanelPass);
        };
    }

    apptest::CSampleApp m_App;
    apptest::CMenuInput m_Menus{m_App, [this] { Tick(); }};
    int m_nPanelPass = -1;
};

TEST_F(SaveLoadThroughTheMenus, SaveFromThePauseMenuLoadFromTheMainMenu)
{
    g_Random.SetState(kStartState);
    std::string commandLine;
    ASSERT_TRUE(m_App.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "save and load menus"))
        << Tree().ErrorLog();
    gametest::g_GameDriver.Attach(&m_App);
    m_Menus.Install();

    Drive(CMainUI::kNewGame);
    m_App.Main();
    ASSERT_EQ(m_App.m_nGameMode, CMMApp::kModeNewGame);
    ASSERT_TRUE(m_App.PrepareGame());
    ASSERT_NE(g_pQuestLog, nullptr);

    // An older save (the building autosave an hour ago), without what the
    // game gains next.
    ASSERT_TRUE(m_App.SaveGame("autosave.sav", "Autosave", ""));
    const std::filesystem::path saves = Tree().Path() / "SAVES";
    std::filesystem::last_write_time(saves / "autosave.sav",
                                     std::filesystem::last_write_time(saves / "autosave.sav") - std::chrono::hours(1));
    g_GameData.m_PlayerName = "Ilsa";
    g_pQuestLog->AddPart("QUEST_BRIDGE", "QUEST_BRIDGE_PART_1");
    ASSERT_TRUE(g_pQuestLog->Contains("QUEST_BRIDGE_PART_1"));
    for (int i = 0; i < 3; ++i)
    {
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }

    // The pause menu's Save: the panel (the autosave hidden) offers the new
    // save alone; its Save button.
    std::string label;
    int saveRows = 0;
    Drive(CMainUI::kSave,
          [&](CSaveLoadGC& panel, int pass)
          {
              if (pass == 0)
              {
                  saveRows = panel.GetRowCount();
                  label = panel.GetRow(0)->Label();
              }
              m_Menus.ClickAt(panel.m_pSave->m_Rect, pass, 1);
          });
    EXPECT_FALSE(m_App.RunPauseMenu());
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultSave);
    EXPECT_EQ(saveRows, 1);
    ASSERT_TRUE(std::filesystem::exists(saves / "2.sav")) << Tree().ErrorLog();
    {
        FileArchive archive;
        ASSERT_TRUE(archive.Open((saves / "2.sav").c_str()));
        SSaveSummary summary;
        ASSERT_TRUE(ReadSaveSummary(archive, "2.sav", summary));
        EXPECT_EQ(summary.caption, label);
        EXPECT_EQ(summary.player, "Ilsa");
    }
    EXPECT_FALSE(g_MMEngine.m_bLeaveCycle);

    // Back to the main menu; what the game held is gone.
    Drive(CMainUI::kMainMenu);
    EXPECT_TRUE(m_App.RunPauseMenu());
    m_App.HandleCycleExit(0, true);
    m_App.CloseGame();
    m_App.m_nQuit = 0;
    ASSERT_EQ(m_App.m_nGameMode, CMMApp::kModeMainMenu);
    g_GameData.m_PlayerName = "Someone";

    // The main menu's Load lists the new save first; its row clicked, then
    // the Load button.
    std::vector<std::string> files;
    Drive(CMainUI::kLoad,
          [&](CSaveLoadGC& panel, int pass)
          {
              if (pass == 0)
                  for (int i = 0; i < panel.GetRowCount(); ++i)
                      files.push_back(panel.GetRow(i)->m_sFile);
              if (pass < 4)
                  m_Menus.ClickAt(panel.GetRow(0)->m_Rect, pass, 1);
              else
                  m_Menus.ClickAt(panel.m_pLoad->m_Rect, pass, 4);
          });
    m_App.Main();
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultLoad);
    EXPECT_EQ(files, (std::vector<std::string>{"2.sav", "autosave.sav"}));
    ASSERT_EQ(m_App.m_nGameMode, CMMApp::kModeSavedGame);
    EXPECT_EQ(m_App.m_sLoadFile, "2.sav");

    // The game comes back from the save and plays on.
    ASSERT_TRUE(m_App.PrepareGame());
    EXPECT_TRUE(gametest::g_GameDriver.IsEntered());
    EXPECT_TRUE(g_pQuestLog->Contains("QUEST_BRIDGE_PART_1"));
    EXPECT_STREQ(g_GameData.m_PlayerName.GetText(), "Ilsa");
    // The machines the location made for its own records went with them.
    SPointerArray<CMMObject> gliders;
    g_ObjectList.GetObjectList(OBJ_GLIDER, gliders);
    for (int i = 0; i < gliders.count; ++i)
    {
        auto* glider = dynamic_cast<CGliderObject*>(gliders.items[i]);
        if (!glider || !glider->m_bAlive || !glider->m_pMech || glider == gametest::g_GameDriver.GetPlayerGlider()) continue;
        const std::vector<CMech*>& mechs = g_pWorld->m_Mechs;
        EXPECT_TRUE(std::find(mechs.begin(), mechs.end(), glider->m_pMech) != mechs.end())
            << "a machine flies on a record the load deleted";
    }
    for (int i = 0; i < 3; ++i)
    {
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }
    EXPECT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr);
    EXPECT_EQ(m_Menus.m_nMenus, 4);

    m_Menus.Remove();
    m_App.CloseGame();
    g_GameData.OnNewGame();
    m_App.Done();
    // The sample location's groups are made free (their clans are not in
    // the world the viewer enters); the loaded groups say so, and nothing
    // else is logged.
    std::string log = Tree().ErrorLog();
    const std::string freeGroups = "CMechGroupList2::LoadFromStream 2 groups (the first GUARD1) kept without an "
                                   "organisation\n";
    if (const std::size_t at = log.find(freeGroups); at != std::string::npos)
        log.erase(log.rfind('\n', at) + 1, at + freeGroups.size() - (log.rfind('\n', at) + 1));
    EXPECT_EQ(log, "");
}

} // namespace
