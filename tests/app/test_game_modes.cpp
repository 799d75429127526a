// The game application's main loop without a device: the mode table, the
// window's close ending the program from a game, the dialog stack and its
// refusal while a cycle exit is pending, and what the main, pause, building
// and glider menus do with each result (their screens are stand-ins
// registered under the screens' ids, the dialogs' results scripted).
#include "app/MMApp.h"
#include "app/SavedGames.h"
#include "app/ScreenRequests.h"

#include "foundation/ClassFactory.h"
#include "platform/Window.h"
#include "ui/UI.h"
#include "ui/menu/BaseMenu.h"
#include "ui/menu/UIDialog.h"
#include "world/MMEngine.h"

#include "common/DataTree.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace
{

const char* const kScreens[] = {kMainScreenId,   kPauseScreenId, kBuildingScreenId,
                                kGliderScreenId, kTunnelScreenId, kNetScreenId};

// A screen that answers the application's requests: the saved game
// "slot1.sav" captioned "Before the storm" (when s_bChosen), the journey to
// "NORTH".
class CStandInScreen : public IUI, public ISavedGameChooser, public ITunnelDestination
{
public:
    explicit CStandInScreen(const char* id) : m_pId(id) {}
    CGuidKey GetGUID() const override
    {
        CGuidKey key;
        return *MakeGuidKey(&key, m_pId);
    }
    bool GetChosenSave(std::string& caption, std::string& file) override
    {
        if (!s_bChosen) return false;
        caption = "Before the storm";
        file = "slot1.sav";
        return true;
    }
    const char* GetDestination() override { return "NORTH"; }

    static inline bool s_bChosen = true;

private:
    const char* m_pId;
};

template <int N> IBaseInterface* CreateStandIn()
{
    return new CStandInScreen(kScreens[N]);
}

// The saved games, recorded; loads succeed when m_bLoads is set.
class CRecordedSaves : public ISavedGames
{
public:
    bool SaveGame(const char* file, const char* caption, const char* extra) override
    {
        m_Calls.push_back(std::string("save ") + file + " '" + caption + "' '" + extra + "'");
        return true;
    }
    bool LoadGame(const char* file, bool headerOnly) override
    {
        m_Calls.push_back(std::string("load ") + file + (headerOnly ? " header" : " whole"));
        return m_bLoads;
    }
    std::vector<std::string> m_Calls;
    bool m_bLoads = true;
};

// The application with its dialogs' results scripted: each run records the
// screen it hosts and the first word of its argument.
class CScriptedApp : public CMMApp
{
public:
    int RunDialog(CBaseMenu* dialog, void* argument, bool, bool) override
    {
        auto* ui = dynamic_cast<CUIDialog*>(dialog);
        m_Screens.push_back(ui && ui->m_pScreen ? ui->m_pScreen->GetGUID().name : "");
        m_nArgument = argument ? *static_cast<const std::int32_t*>(argument) : -1;
        const int result = m_Results.empty() ? kResultResume : m_Results.front();
        if (!m_Results.empty()) m_Results.pop_front();
        return result;
    }

    std::deque<int> m_Results;
    std::vector<std::string> m_Screens;
    std::int32_t m_nArgument = -1;
};

class GameModes : public testutil::CDataTreeTest
{
protected:
    void SetUp() override
    {
        ResetClassRegistry();
        std::uint32_t index = 0;
        RegisterClassFactory(&index, CreateStandIn<0>, kScreens[0]);
        RegisterClassFactory(&index, CreateStandIn<1>, kScreens[1]);
        RegisterClassFactory(&index, CreateStandIn<2>, kScreens[2]);
        RegisterClassFactory(&index, CreateStandIn<3>, kScreens[3]);
        RegisterClassFactory(&index, CreateStandIn<4>, kScreens[4]);
        RegisterClassFactory(&index, CreateStandIn<5>, kScreens[5]);
        CStandInScreen::s_bChosen = true;
        g_pSavedGames = &m_Saves;
        ClearEngine();
    }
    void TearDown() override
    {
        g_pSavedGames = nullptr;
        ClearEngine();
        // The registrations of the application's own tests start afresh.
        ResetClassRegistry();
    }
    static void ClearEngine()
    {
        g_MMEngine.m_bLeaveCycle = 0;
        g_MMEngine.m_nExitReason = 0;
        g_MMEngine.m_bInBuilding = 0;
        g_MMEngine.m_szBuildingId[0] = 0;
    }

    // What a menu left: the quit flag, the cycle-exit flag, the reason and
    // the mode.
    struct SAfter
    {
        std::uint32_t quit;
        int exit, reason, mode;
        bool operator==(const SAfter&) const = default;
    };
    static SAfter After(const CMMApp& app)
    {
        return {app.m_nQuit, g_MMEngine.m_bLeaveCycle, g_MMEngine.m_nExitReason, app.m_nGameMode};
    }
    friend std::ostream& operator<<(std::ostream& out, const SAfter& a)
    {
        return out << "quit " << a.quit << " exit " << a.exit << " reason " << a.reason << " mode " << a.mode;
    }

    CRecordedSaves m_Saves;
};

// The mode dispatch, with the game's stages recorded.
class CModesApp : public CMMApp
{
public:
    void RunMainMenu() override { m_Log += "menu "; }
    bool PrepareGame() override
    {
        m_Log += "prepare ";
        return true;
    }
    void CycleGame(int kind) override
    {
        m_Log += "cycle" + std::to_string(kind) + " ";
        if (m_bCloseWindow)
        {
            // The window's close arrives as the frames pump the messages.
            plat::PostMessage(m_hWnd, plat::WM_CLOSE, 0, 0);
            PumpMessages();
        }
        else
        {
            m_nQuit = 1; // the cycle ended
        }
    }
    void CloseGame() override { m_Log += "close "; }
    void CycleNetGame() override { m_Log += "net "; }

    std::string m_Log;
    bool m_bCloseWindow = false;
};

TEST_F(GameModes, EachModeRunsItsStretch)
{
    struct SCase
    {
        int mode;
        const char* log;
        std::uint32_t quit;
    } const cases[] = {
        {CMMApp::kModeMainMenu, "menu ", 0},
        {CMMApp::kModeNewGame, "prepare cycle1 close ", 0},
        {CMMApp::kModeSavedGame, "prepare cycle2 close ", 0},
        {CMMApp::kModeScriptJourney, "prepare cycle2 close ", 0},
        {CMMApp::kModeTunnelJourney, "prepare cycle2 close ", 0},
        {CMMApp::kModeNetGame, "net ", 0},
        {CMMApp::kModeQuit, "", 1},
        {5, "", 1},
        {-1, "", 1},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.mode);
        CModesApp app;
        app.m_nGameMode = c.mode;
        app.Main();
        EXPECT_EQ(app.m_Log, c.log);
        // A game's cycle ends by the quit flag, which Main clears.
        EXPECT_EQ(app.m_nQuit, c.quit);
        EXPECT_EQ(app.m_nGameMode, c.mode);
    }
}

TEST_F(GameModes, ClosingTheWindowDuringAGameEndsTheProgram)
{
    CModesApp app;
    app.m_hWnd = gfxtest::HiddenWindow(64, 48);
    app.m_bCloseWindow = true;
    app.m_nGameMode = CMMApp::kModeNewGame;
    app.Main();
    EXPECT_EQ(app.m_Log, "prepare cycle1 close ");
    EXPECT_EQ(app.m_nGameMode, CMMApp::kModeQuit);
    EXPECT_EQ(app.m_nQuit, 0u);
    // The next pass ends the run loop instead of starting a new game.
    app.Main();
    EXPECT_EQ(app.m_Log, "prepare cycle1 close ");
    EXPECT_EQ(app.m_nQuit, 1u);
}

// A menu that ends at once with its result, noting the dialogs the
// application holds while it runs (and running one more inside, if asked).
class CStackMenu : public CBaseMenu
{
public:
    CStackMenu(CMMApp& app, int result, CStackMenu* inner = nullptr)
        : m_App(app), m_nEnd(result), m_pInner(inner)
    {
    }
    void OnInit() override
    {
        m_bRan = true;
        m_pCurrent = m_App.m_pDialog;
        m_pPrevious = m_App.m_pPrevDialog;
        if (m_pInner) m_nInnerResult = m_App.RunDialog(m_pInner, nullptr, true, false);
        m_nResult = m_nEnd;
        m_bDone = 1;
    }
    CMMApp& m_App;
    int m_nEnd;
    CStackMenu* m_pInner;
    bool m_bRan = false;
    CBaseMenu* m_pCurrent = nullptr;
    CBaseMenu* m_pPrevious = nullptr;
    int m_nInnerResult = 0;
};

TEST_F(GameModes, TheDialogStackAndTheRefusalWhileACycleExitIsPending)
{
    CMMApp app;
    CStackMenu inner(app, 1002);
    CStackMenu outer(app, 1005, &inner);
    EXPECT_EQ(app.RunDialog(&outer, nullptr, true, false), 1005);
    EXPECT_EQ(outer.m_nInnerResult, 1002);
    EXPECT_EQ(outer.m_pCurrent, &outer);
    EXPECT_EQ(outer.m_pPrevious, nullptr);
    EXPECT_EQ(inner.m_pCurrent, &inner);
    EXPECT_EQ(inner.m_pPrevious, &outer);
    EXPECT_EQ(app.m_pDialog, nullptr);
    EXPECT_EQ(app.m_pPrevDialog, nullptr);

    g_MMEngine.m_bLeaveCycle = 1;
    CStackMenu refused(app, 1005);
    EXPECT_EQ(app.RunDialog(&refused, nullptr, true, false), CMMApp::kResultRefused);
    EXPECT_FALSE(refused.m_bRan);
}

TEST_F(GameModes, TheMainMenuChoosesTheNextMode)
{
    struct SCase
    {
        std::deque<int> results;
        bool loads;
        int mode;
        std::uint32_t quit;
        std::size_t runs;
    } const cases[] = {
        {{1005}, true, CMMApp::kModeNewGame, 0, 1},
        {{1001}, true, CMMApp::kModeMainMenu, 1, 1},
        {{1004}, true, CMMApp::kModeNetGame, 0, 1},
        {{1003}, true, CMMApp::kModeSavedGame, 0, 1},
        // A saved game that cannot be read: the menu again, the mode as it was.
        {{1003, 1002}, false, CMMApp::kModeMainMenu, 0, 2},
        {{1003, 1005}, false, CMMApp::kModeNewGame, 0, 2},
        {{1002}, true, CMMApp::kModeMainMenu, 0, 1},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.results.front());
        CScriptedApp app;
        m_Saves.m_bLoads = c.loads;
        m_Saves.m_Calls.clear();
        app.m_Results = c.results;
        g_MMEngine.m_bLeaveCycle = 1; // cleared before each run
        app.RunMainMenu();
        EXPECT_EQ(app.m_nGameMode, c.mode);
        EXPECT_EQ(app.m_nQuit, c.quit);
        EXPECT_EQ(app.m_Screens, std::vector<std::string>(c.runs, kMainScreenId));
        if (c.results.front() == 1004)
        {
            EXPECT_STREQ(app.m_szNetMapName, "net_test.mmp");
        }
        if (c.results.front() == 1003)
        {
            ASSERT_FALSE(m_Saves.m_Calls.empty());
            EXPECT_EQ(m_Saves.m_Calls.front(), "load slot1.sav header");
        }
    }
    // Without a main menu screen its mode starts a new game.
    ResetClassRegistry();
    CScriptedApp app;
    app.RunMainMenu();
    EXPECT_EQ(app.m_nGameMode, CMMApp::kModeNewGame);
    EXPECT_TRUE(app.m_Screens.empty());
}

// "-netdialog 1" opens the network dialog once before the main menu; a game
// created there is the network test game.
TEST_F(GameModes, TheCommandLinesNetworkDialogComesBeforeTheMainMenu)
{
    struct SCase
    {
        const char* line;
        std::deque<int> results;
        std::vector<std::string> screens;
        int mode;
    } const cases[] = {
        {"-a 1 -b 2 -netdialog 1", {1004}, {kNetScreenId}, CMMApp::kModeNetGame},
        {"-netdialog 1", {1000, 1005}, {kNetScreenId, kMainScreenId}, CMMApp::kModeNewGame},
        // Three pairs at most: a fourth is not read.
        {"-a 1 -b 2 -c 3 -netdialog 1", {1005}, {kMainScreenId}, CMMApp::kModeNewGame},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.line);
        CScriptedApp app;
        app.ParseCommandLine(c.line);
        app.m_Results = c.results;
        app.RunMainMenu();
        EXPECT_EQ(app.m_Screens, c.screens);
        EXPECT_EQ(app.m_nGameMode, c.mode);
        EXPECT_STREQ(app.m_szNetMapName, c.mode == CMMApp::kModeNetGame ? "net_test.mmp" : "");
        // Once: the next main menu is the main menu alone.
        app.m_Screens.clear();
        app.RunMainMenu();
        EXPECT_EQ(app.m_Screens, std::vector<std::string>{kMainScreenId});
    }
}

TEST_F(GameModes, ThePauseMenusResults)
{
    struct SCase
    {
        int result;
        bool chosen, loads;
        bool ends;
        SAfter after;
        const char* saves;
    } const cases[] = {
        {1001, true, true, true, {1, 1, 8, CMMApp::kModeQuit}, ""},
        {1003, true, true, true, {1, 1, 0, CMMApp::kModeSavedGame}, "load slot1.sav header"},
        // A saved game that cannot be read leaves the game running.
        {1003, true, false, false, {0, 0, 0, CMMApp::kModeNewGame}, "load slot1.sav header"},
        {1003, false, true, false, {0, 0, 0, CMMApp::kModeNewGame}, ""},
        {1006, true, true, true, {0, 1, 9, CMMApp::kModeNewGame}, ""},
        {1007, true, true, false, {0, 0, 0, CMMApp::kModeNewGame}, "save slot1.sav 'Before the storm' ''"},
        {1002, true, true, false, {0, 0, 0, CMMApp::kModeNewGame}, ""},
        {1000, true, true, false, {0, 0, 0, CMMApp::kModeNewGame}, ""},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.result);
        ClearEngine();
        CScriptedApp app;
        app.m_nGameMode = CMMApp::kModeNewGame;
        app.m_Results = {c.result};
        CStandInScreen::s_bChosen = c.chosen;
        m_Saves.m_bLoads = c.loads;
        m_Saves.m_Calls.clear();
        app.m_uWarningSounds = 0xFF;
        EXPECT_EQ(app.RunPauseMenu(), c.ends);
        EXPECT_EQ(After(app), c.after);
        EXPECT_EQ(app.m_Screens, std::vector<std::string>{kPauseScreenId});
        EXPECT_EQ(m_Saves.m_Calls.empty() ? "" : m_Saves.m_Calls.front(), std::string(c.saves));
        // The looping warnings stop as the menu opens.
        EXPECT_EQ(app.m_uWarningSounds, 0xF5u);
    }
}

TEST_F(GameModes, TheGliderMenusResults)
{
    struct SCase
    {
        int result;
        bool ends;
        SAfter after;
    } const cases[] = {
        {1001, true, {1, 1, 8, CMMApp::kModeQuit}},
        // The cycle ends all the same: the save screen has loaded the game.
        {1003, false, {1, 1, 0, CMMApp::kModeSavedGame}},
        {1006, true, {0, 1, 9, CMMApp::kModeNewGame}},
        {1002, false, {0, 0, 0, CMMApp::kModeNewGame}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.result);
        ClearEngine();
        CScriptedApp app;
        app.m_nGameMode = CMMApp::kModeNewGame;
        app.m_Results = {c.result};
        EXPECT_EQ(app.RunGliderMenu(2), c.ends);
        EXPECT_EQ(After(app), c.after);
        EXPECT_EQ(app.m_Screens, std::vector<std::string>{kGliderScreenId});
        EXPECT_EQ(app.m_nArgument, 2) << "the page to open";
    }
}

TEST_F(GameModes, TheBuildingMenusResults)
{
    struct SCase
    {
        int result;
        int pendingReason; // a cycle exit pending before the menu ends
        SAfter after;
        bool stillInside;
    } const cases[] = {
        {1001, 0, {1, 1, 8, CMMApp::kModeNewGame}, true},
        {1003, 0, {1, 1, 0, CMMApp::kModeSavedGame}, true},
        {1006, 0, {1, 1, 9, CMMApp::kModeNewGame}, true},
        {1008, 0, {0, 1, 4, CMMApp::kModeNewGame}, true},
        // Nothing chosen: out at the door, the engine's building forgotten.
        {1002, 0, {0, 0, 0, CMMApp::kModeNewGame}, false},
        {1000, 0, {0, 0, 0, CMMApp::kModeNewGame}, false},
        // A script moved the player meanwhile: the glider stays for the journey.
        {1002, 3, {0, 1, 3, CMMApp::kModeNewGame}, true},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.result) + " pending " + std::to_string(c.pendingReason));
        ClearEngine();
        g_MMEngine.m_bInBuilding = 1;
        CScriptedApp app;
        app.m_nGameMode = CMMApp::kModeNewGame;
        app.m_Results = {c.result};
        if (c.pendingReason)
        {
            g_MMEngine.m_bLeaveCycle = 1;
            g_MMEngine.m_nExitReason = c.pendingReason;
        }
        m_Saves.m_Calls.clear();
        app.RunBuildingMenu("SAMPLE_HALL", "HALL_SAMPLE", false);
        EXPECT_EQ(After(app), c.after);
        EXPECT_EQ(g_MMEngine.m_bInBuilding == 1, c.stillInside);
        EXPECT_EQ(app.m_Screens, std::vector<std::string>{kBuildingScreenId});
        EXPECT_TRUE(m_Saves.m_Calls.empty()) << "no autosave asked for";
        if (c.result == 1008)
        {
            EXPECT_STREQ(app.m_szNextMapFile, "NORTH.mmp");
        }
    }
    // With autosave the game is saved before the menu opens, inside the
    // building.
    ClearEngine();
    CScriptedApp app;
    app.RunBuildingMenu("SAMPLE_HALL", "HALL_SAMPLE", true);
    EXPECT_EQ(m_Saves.m_Calls, std::vector<std::string>{"save autosave.sav '' 'SAMPLE_HALL'"});
}

TEST_F(GameModes, ACycleExitLeadsWhereItsReasonSays)
{
    struct SCase
    {
        int reason;
        std::deque<int> menu; // the building menu's result, when it runs
        SAfter after;
    } const cases[] = {
        {CMMApp::kExitDeath, {}, {1, 0, 2, CMMApp::kModeMainMenu}},
        {CMMApp::kExitMainMenu, {}, {1, 0, 9, CMMApp::kModeMainMenu}},
        {CMMApp::kExitQuit, {}, {1, 0, 8, CMMApp::kModeQuit}},
        {CMMApp::kExitScriptJourney, {}, {1, 0, 3, CMMApp::kModeScriptJourney}},
        {CMMApp::kExitTunnel, {}, {1, 0, 4, CMMApp::kModeTunnelJourney}},
        {CMMApp::kExitEndVideo, {}, {1, 0, 10, CMMApp::kModeMainMenu}},
        {CMMApp::kExitEndText1, {}, {0, 0, 6, CMMApp::kModeNewGame}},
        // The building menu, and what its result makes of the cycle.
        {CMMApp::kExitBuilding, {1002}, {0, 0, 1, CMMApp::kModeNewGame}},
        {CMMApp::kExitBuilding, {1001}, {1, 1, 8, CMMApp::kModeQuit}},
        {CMMApp::kExitStartInBuilding, {1006}, {1, 1, 9, CMMApp::kModeMainMenu}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.reason);
        ClearEngine();
        CScriptedApp app;
        app.m_nGameMode = CMMApp::kModeNewGame;
        app.m_Results = c.menu;
        std::snprintf(app.m_szNextMapFile, sizeof app.m_szNextMapFile, "north.mmp");
        g_MMEngine.m_bLeaveCycle = 1;
        g_MMEngine.m_nExitReason = c.reason;
        app.HandleCycleExit(0, true);
        EXPECT_EQ(After(app), c.after);
        EXPECT_EQ(app.m_Screens.size(), c.menu.size());
        if (c.reason == CMMApp::kExitScriptJourney)
        {
            EXPECT_STREQ(app.m_szMapFile, "north.mmp");
        }
    }
}

// What the scripts' game-cycle calls do: a journey to a map and a start
// point there, and the end videos queued (four at most).
TEST_F(GameModes, ScriptsTravelAndQueueEndVideos)
{
    CMMApp app;
    app.Travel("north.mmp", "TUNNEL_START");
    EXPECT_STREQ(app.m_szNextMapFile, "north.mmp");
    EXPECT_STREQ(app.m_szStartBuilding, "TUNNEL_START");
    EXPECT_EQ(g_MMEngine.m_bLeaveCycle, 1);
    EXPECT_EQ(g_MMEngine.m_nExitReason, CMMApp::kExitScriptJourney);
    for (const char* video : {"a.bik", "b.bik", "", "c.bik", "d.bik", "e.bik"})
        app.QueueEndVideo(video);
    EXPECT_EQ(app.m_EndVideos, (std::vector<std::string>{"a.bik", "b.bik", "c.bik", "d.bik"}));
    EXPECT_NE(Tree().ErrorLog().find("e.bik is not played"), std::string::npos);
}

TEST_F(GameModes, ThePauseSwitch)
{
    CMMApp app;
    app.TogglePause();
    EXPECT_EQ(app.m_bPause, 1);
    EXPECT_EQ(app.m_bCursorShown, 1);
    app.TogglePause();
    EXPECT_EQ(app.m_bPause, 0);
    EXPECT_EQ(app.m_bCursorShown, 0);
    // Without the stop flag the warnings go on.
    app.m_uWarningSounds = 0xFF;
    app.StopWarningSounds(false);
    EXPECT_EQ(app.m_uWarningSounds, 0xFFu);
}

} // namespace
