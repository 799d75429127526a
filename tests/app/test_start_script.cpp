// A new game runs its start script before "OnStartGame": the mod chosen in
// the main menu's mods dialog starts the game with its own script, which
// begins the sample's storm mod in the north.
#include "SampleAppTest.h"

#include "menus/DialogButton.h"
#include "menus/ListRowButton.h"
#include "menus/MainMenuButton.h"
#include "menus/MainUI.h"
#include "menus/ModsDialog.h"
#include "script/game/ScriptManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
class StartScript : public apptest::CSteppedAppTest
{
protected:
    apptest::CSampleApp m_App;
    apptest::CMenuInput m_Menus{m_App, [this] { Tick(); }};
};

// The storm mod's row, once the list has read the folder (on its first
// frame drawn); -1 before.
int StormRow(const CModsList& list)
{
    for (int i = 0; i < list.GetCount(); ++i)
        if (const SModInfo* mod = list.GetRecord(i); mod && std::strcmp(mod->fileName, "storm.ini") == 0) return i;
    return -1;
}

TEST_F(StartScript, AModChosenInTheMainMenuStartsTheGameWithItsOwnScript)
{
    g_Random.SetState(kStartState);
    std::string commandLine;
    ASSERT_TRUE(m_App.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "start script"))
        << Tree().ErrorLog();
    m_Menus.Install();
    m_Menus.Update();
    // The Mods item, then (once the list has read the folder) the storm
    // mod's row, then "Загрузка мода".
    int listed = -1;
    m_Menus.m_Script = [this, &listed](IUI& screen, int pass)
    {
        auto* menu = dynamic_cast<CMainUI*>(&screen);
        ASSERT_NE(menu, nullptr);
        CModsDialog* mods = menu->GetMods();
        const int storm = mods && mods->m_bVisible ? StormRow(*mods->GetList()) : -1;
        if (storm < 0)
        {
            m_Menus.ClickAt(menu->FindItem(CMainUI::kMods)->m_Rect, pass, 2);
            return;
        }
        if (listed < 0) listed = pass;
        if (pass < listed + 4)
            m_Menus.ClickAt(mods->GetList()->GetRow(storm)->m_Rect, pass, listed);
        else
            m_Menus.ClickAt(mods->GetLoadButton()->m_Rect, pass, listed + 4);
    };
    m_App.Main();
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultNewGame);
    ASSERT_EQ(m_App.m_nGameMode, CMMApp::kModeNewGame);
    EXPECT_STREQ(m_App.m_szScriptFile, "STORM.src");

    ASSERT_TRUE(m_App.PrepareGame()) << Tree().ErrorLog();
    auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
    ASSERT_NE(scripts, nullptr);
    // The mod's script ran (not the game's own), named the first map, and
    // "OnStartGame" followed it.
    EXPECT_EQ(scripts->GetVar("START_SCRIPT"), 2);
    EXPECT_STREQ(m_App.m_szLocationName, "north");
    ASSERT_NE(g_pWorld, nullptr);
    EXPECT_STREQ(g_pWorld->m_szLocationName, "north");
    EXPECT_EQ(scripts->GetVar("GAME_STARTED"), 1);

    m_Menus.Remove();
    m_App.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
} // namespace
