// The application's tests start it over the whole sample tree, as the game
// does (every library's classes), without the logo videos (their own tests
// play them) and with no error line the writers left behind: what error.log
// holds afterwards is the application's.
#pragma once

#include "app/MMApp.h"
#include "game/GameClasses.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/GuidKey.h"
#include "foundation/Input.h"
#include "foundation/Random.h"

#include "common/DataTree.h"
#include "common/SampleTree.h"
#include "common/GameDriver.h"
#include "common/NullInput.h"
#include "graphics/GraphicTestDevice.h"
#include "hud/Renderer.h"
#include "menus/MenuButton.h"
#include "menus/UIMenu.h"
#include "ui/UITestKit.h"
#include "ui/menu/UIDialog.h"
#include "world/MMEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace apptest
{

// Keys held down by the test (m_held, m_held2) and one key pressed in the
// next frame (m_pressed: the frame's Update takes it, the next one clears
// it); everything else is idle.
class CHeldKeys : public testutil::CNullInput
{
public:
    int Update() override
    {
        m_pressedNow = m_pressed;
        m_pressed = -1;
        return 0;
    }
    bool IsPressed(int code) override { return code == m_pressedNow; }
    bool IsDown(int code) override { return code == m_held || code == m_held2; }

    int m_held = -1;
    int m_held2 = -1;
    int m_pressed = -1;
    int m_pressedNow = -1;
};

// The input of the application's own modal menus, scripted pass by pass.
// Install puts it in as g_pInput (the application's device comes back with
// Remove, before the application is shut down). Update runs once per pass
// of a menu's loop (and once before and once after each menu, when no
// dialog runs): while the application runs a dialog it moves the test's
// clock on, keeps the dialog's result and hands the script the dialog's
// screen and the pass number. A menu still running after kMaxPasses passes
// would wait for input forever: it is ended, and the test fails.
class CMenuInput : public uitest::CFakeInput
{
public:
    static constexpr int kMaxPasses = 200;
    using Script = std::function<void(IUI& screen, int pass)>;

    CMenuInput(const CMMApp& app, std::function<void()> clock) : m_App(app), m_Clock(std::move(clock)) {}
    ~CMenuInput() override { Remove(); }

    void Install()
    {
        if (m_bInstalled) return;
        m_pSaved = g_pInput;
        g_pInput = this;
        m_bInstalled = true;
    }
    void Remove()
    {
        if (!m_bInstalled) return;
        g_pInput = m_pSaved;
        m_bInstalled = false;
    }

    int Update() override
    {
        EndFrame();
        auto* dialog = dynamic_cast<CUIDialog*>(m_App.m_pDialog);
        IUI* screen = dialog ? dialog->m_pScreen : nullptr;
        if (!screen)
        {
            m_nPass = 0;
            return 0;
        }
        if (m_Clock) m_Clock();
        m_nResult = dialog->m_nResult;
        if (m_nPass == 0) ++m_nMenus;
        const int pass = m_nPass++;
        if (pass == kMaxPasses)
        {
            ADD_FAILURE() << "the application's menu still runs after " << kMaxPasses << " passes";
            dialog->m_nResult = m_nResult = -1;
            dialog->m_bDone = 1;
            return 0;
        }
        if (m_Script) m_Script(*screen, pass);
        return 0;
    }

    // Hover over the middle of a rectangle from pass from on, the left
    // button down the pass after and up the pass after that.
    void ClickAt(const plat::Rect& r, int pass, int from)
    {
        if (pass < from) return;
        m_Cursor = plat::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        if (pass == from + 1) Press(uicode::kLeftButton);
        if (pass == from + 2) Release(uicode::kLeftButton);
    }
    // The player leaves the building menu by its exit tab, from pass from on.
    void ClickExitTab(IUI& screen, int pass, int from = 0)
    {
        auto* menu = dynamic_cast<CUIMenu*>(&screen);
        CMenuButton* exit = menu ? menu->GetTab(CUIMenu::kTabExit) : nullptr;
        if (!exit)
        {
            ADD_FAILURE() << "the running screen is not a building menu with an exit tab";
            return;
        }
        ClickAt(exit->m_Rect, pass, from);
    }

    Script m_Script;
    // The menus opened while installed, and the last one's result as its
    // last pass saw it (its screen's, once the screen has ended).
    int m_nMenus = 0;
    int m_nResult = 0;

private:
    const CMMApp& m_App;
    std::function<void()> m_Clock;
    IInput* m_pSaved = nullptr;
    bool m_bInstalled = false;
    int m_nPass = 0;
};

// The game application with the classes the executable registers.
class CSampleApp : public CMMApp
{
public:
    CSampleApp() : CMMApp(&RegisterGameClasses) {}
};

class CSampleAppTest : public testutil::CDataTreeTest
{
protected:
    static constexpr std::uint32_t kStartState = 4321;

    void SetUp() override
    {
        ASSERT_TRUE(testutil::WriteSampleTreeCopy(Tree().Path().string()));
        std::string cfg = Tree().ReadText("Data/CONFIG/cfg.ini");
        const std::size_t video = cfg.find("Video=1");
        ASSERT_NE(video, std::string::npos);
        cfg[video + 6] = '0';
        Tree().WriteText("Data/CONFIG/cfg.ini", cfg);
        std::filesystem::remove(Tree().Path() / "error.log");
    }

    // Starts the application (its window hidden) and prepares its first
    // game as a new game does: the sample location entered and the
    // renderer's caching pass run. The program's generator starts from a
    // fixed state rather than the clock's, so that every run of a test meets
    // the same world (the groups' first moves are drawn from it).
    ::testing::AssertionResult StartGame(CMMApp& app, const char* title)
    {
        g_Random.SetState(kStartState);
        std::string commandLine;
        if (!app.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, title))
            return ::testing::AssertionFailure() << "start-up failed: " << Tree().ErrorLog();
        app.m_nGameMode = CMMApp::kModeNewGame;
        gametest::g_GameDriver.Attach(&app);
        if (!app.PrepareGame() || !gametest::g_GameDriver.IsEntered())
            return ::testing::AssertionFailure()
                   << "the sample location was not entered: " << Tree().ErrorLog();
        // The test's frames stand in for the game cycle, which starts with
        // its exit flag and reason cleared (an earlier game of the process
        // may have left them set).
        g_MMEngine.m_bLeaveCycle = 0;
        g_MMEngine.m_nExitReason = 0;
        // The tests look at the glider from behind.
        gametest::g_GameDriver.SetFreeCamera(false);
        g_pRenderer->PreLoad();
        return ::testing::AssertionSuccess();
    }

    // One frame of the game (no time passes), read back as it was shown:
    // the game's frame ends with its presentation, after which the back
    // buffer holds an older picture (the discarding present trades the two).
    std::vector<std::uint32_t> ViewerFrame(std::uint32_t& width, std::uint32_t& height)
    {
        EXPECT_TRUE(gametest::g_GameDriver.Frame(0.0f, nullptr));
        width = std::uint32_t(graph.m_nScreenWidth);
        height = std::uint32_t(graph.m_nScreenHeight);
        return gfxtest::ReadFrontBuffer();
    }
};

// The sample application on a frame timer that the test advances in steps
// of exactly kStep (Tick), so that what reads the timer during a frame (the
// glider's own step) sees the same time the frame was given.
class CSteppedAppTest : public CSampleAppTest
{
protected:
    // The player's setting that enables the pause menu's Save outside a
    // building.
    void AllowSavingOutside()
    {
        std::string cfg = Tree().ReadText("Data/CONFIG/cfg.ini");
        const std::size_t at = cfg.find("OutsideSave=0");
        ASSERT_NE(at, std::string::npos);
        cfg[at + 12] = '1';
        Tree().WriteText("Data/CONFIG/cfg.ini", cfg);
    }
    static constexpr float kStep = 0.05f;

    void SetUp() override
    {
        CSampleAppTest::SetUp();
        m_savedTimer = g_FrameTimer;
        g_FrameTimer = CFrameTimer([this] { return m_now; }, 1000);
        for (int i = 0; i < CFrameTimer::kStamps + 1; ++i)
        {
            Tick();
            g_FrameTimer.Update();
        }
    }
    void TearDown() override
    {
        g_FrameTimer = m_savedTimer;
        CSampleAppTest::TearDown();
    }
    // The clock moves on by one step; the next frame (the game's, or a
    // menu's) takes it.
    void Tick() { m_now += std::int64_t(kStep * 1000.0f); }
    // The frame timer's mean step down to its least: in the frames that
    // follow (paused ones too) nothing moves on the frame's unscaled time
    // either (the view angle's approach to the glider's speed, the
    // sound panel's trace), so that pictures drawn one after the other
    // differ only by what the test changed between them.
    static void HoldStill()
    {
        for (int i = 0; i < CFrameTimer::kStamps + 1; ++i)
            g_FrameTimer.Update();
    }
    // The clock moves again: the frame timer's mean step back to kStep.
    void Resume()
    {
        for (int i = 0; i < CFrameTimer::kStamps + 1; ++i)
        {
            Tick();
            g_FrameTimer.Update();
        }
    }

    std::int64_t m_now = 0;
    CFrameTimer m_savedTimer;
};

// The stepped application flown by keys the test holds down (m_keys).
class CKeyFlightAppTest : public CSteppedAppTest
{
protected:
    // n frames of kStep with the keys as they are held.
    void Fly(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, &m_keys));
            m_keys.Update();
        }
    }
    static CGliderObject& Glider() { return *gametest::g_GameDriver.GetPlayerGlider(); }

    CHeldKeys m_keys;
};

// The application started over the sample tree for the whole test with its
// first game prepared, and shut down after it with nothing left in
// error.log; Frame steps the game once, as the game cycle does (a cycle exit
// the frame raised is acted on at once: a menu it opens reads m_Menus).
class CRunningAppTest : public CSteppedAppTest
{
protected:
    void SetUp() override
    {
        CSteppedAppTest::SetUp();
        ASSERT_TRUE(StartGame(m_App, "sample application test"));
        m_Menus.Install();
    }
    void TearDown() override
    {
        m_Menus.Remove();
        m_App.Done();
        EXPECT_EQ(Tree().ErrorLog(), "");
        CSteppedAppTest::TearDown();
    }
    bool Frame(IInput* input = nullptr)
    {
        Tick();
        const bool drawn = gametest::g_GameDriver.Frame(kStep, input);
        if (g_MMEngine.m_bLeaveCycle) m_App.HandleCycleExit(0, true);
        return drawn;
    }

    CSampleApp m_App;
    CMenuInput m_Menus{m_App, [this] { Tick(); }};
};

} // namespace apptest
