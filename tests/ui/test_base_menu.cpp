// The menu base's modal loop over a recording host: one pass, restart, the
// leave-cycle flag, the closing dim-out, failures, tooltips, the modal
// element and the tooltip box's placement.

#include "UITestKit.h"

#include "ui/menu/BaseMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
class CRecordingHost : public IMenuHost
{
public:
    void PauseGame(bool pause) override { Log(pause ? "pause" : "resume"); }
    void StopSounds(bool purge) override { Log(purge ? "purge" : "stop"); }
    bool IsDeviceLost() override { return false; }
    void BeginMenuFrame() override {}
    void EndMenuFrame() override {}
    void DrawCursor() override {}
    void PresentFrame() override { Log("present"); }
    void DrawWaitScreen(int, const char*, bool) override { Log("wait"); }
    void WaitForModels() override {}
    void WaitForTextures() override {}
    float GetFrameTime() override { return m_fFrameTime; }
    float GetElapsedTime() override { return 0.0f; }
    void ResetFrameTimer() override {}
    void SwitchOffLights() override {}
    bool IsLeaveCycle() override { return m_bLeave; }
    void ClearLeaveCycle() override { m_bLeave = false; }
    void PumpInput() override {}
    void FrameUpkeep(float, float) override {}
    void RenderScene(bool overlay) override { Log(overlay ? "scene+" : "scene"); }
    void ShowCursor(bool show) override { Log(show ? "cursor on" : "cursor off"); }

    void Log(const std::string& s) { m_Calls.push_back(s); }
    std::vector<std::string> m_Calls;
    float m_fFrameTime = 0.05f;
    bool m_bLeave = false;
};

// Logs its loop steps; ends after `passes` input passes (0: never).
class CTestMenu : public CBaseMenu
{
public:
    explicit CTestMenu(CRecordingHost& host) : m_Host(host) {}
    void Render() override
    {
        CBaseMenu::Render();
        m_Host.Log("render");
        if (m_bOverlay) RenderMap(true);
    }
    void ProcessMessages() override
    {
        CBaseMenu::ProcessMessages();
        m_Host.Log("messages");
        if (++m_nPasses == m_nEndAfter) m_bDone = 1;
        if (m_nPasses == m_nThrowAt) throw std::runtime_error("broken pass");
        if (m_nPasses == m_nRestartAt) m_bRestart = 1, m_bDone = 1;
        if (m_nPasses == m_nLeaveAt) m_Host.m_bLeave = true;
        m_nResult = m_nPasses;
    }
    void RunControl() override
    {
        CBaseMenu::RunControl();
        m_Host.Log("run");
    }
    void ProcessMusic(int stage) override { m_Host.Log("music" + std::to_string(stage)); }
    void OnInit() override { m_Host.Log("init"); }

    CRecordingHost& m_Host;
    int m_nPasses = 0;
    int m_nEndAfter = 0;
    int m_nThrowAt = 0;
    int m_nRestartAt = 0;
    int m_nLeaveAt = 0;
    bool m_bOverlay = false;
};

class CCountingControl : public CMenuControl
{
public:
    using CMenuControl::CMenuControl;
    void Run() override { ++m_nRuns; }
    void OnMouseOver() override { ++m_nOver; }
    int m_nRuns = 0;
    int m_nOver = 0;
};

class BaseMenu : public ::testing::Test
{
protected:
    void SetUp() override { g_pMenuHost = &m_Host; }
    void TearDown() override { g_pMenuHost = nullptr; }
    int Count(const std::string& call) const { return int(std::count(m_Host.m_Calls.begin(), m_Host.m_Calls.end(), call)); }
    CRecordingHost m_Host;
};

TEST_F(BaseMenu, OnePassWhenNotModal)
{
    CTestMenu menu(m_Host);
    EXPECT_EQ(menu.DoModal(nullptr, false, false), 1);
    const std::vector<std::string> expected = {"pause", "stop", "cursor on", "init", "render", "render",
                                               "render", "present", "messages", "run", "music0",
                                               "cursor off", "resume"};
    EXPECT_EQ(m_Host.m_Calls, expected);
}

TEST_F(BaseMenu, DoneInTheFirstPassStillRunsAndStartsTheMusic)
{
    CTestMenu menu(m_Host);
    menu.m_nEndAfter = 1;
    EXPECT_EQ(menu.DoModal(nullptr, true, true), 1);
    EXPECT_EQ(Count("messages"), 1);
    EXPECT_EQ(Count("run"), 1);
    EXPECT_EQ(Count("music0"), 1);
    EXPECT_EQ(Count("purge"), 1);
}

TEST_F(BaseMenu, RestartRebuildsAndTheLeaveCycleFlagEnds)
{
    CTestMenu menu(m_Host);
    menu.AddControl(new CCountingControl(0, 0, 10, 10));
    menu.m_nRestartAt = 2;
    menu.m_nLeaveAt = 4;
    EXPECT_EQ(menu.DoModal(nullptr, true, false), 4);
    EXPECT_EQ(Count("init"), 2);
    EXPECT_TRUE(menu.m_Controls.empty()) << "the restart removed the elements";
    EXPECT_EQ(Count("music0"), 2);
    EXPECT_EQ(m_Host.m_Calls.back(), "resume");
}

TEST_F(BaseMenu, TheClosingPassBrightensTheSceneInAnEighthOfASecond)
{
    CTestMenu menu(m_Host);
    menu.m_bOverlay = true;
    menu.m_nEndAfter = 20; // a second: fully dimmed
    m_Host.m_fFrameTime = 0.025f;
    menu.DoModal(nullptr, true, false);
    EXPECT_EQ(menu.m_fDimLevel, 0.0f);
    // After the last presented frame, 1 / (8 x 0.025) = 5 more frames (a
    // sixth for the rounding of the float steps).
    int closing = 0;
    for (auto it = m_Host.m_Calls.rbegin(); it != m_Host.m_Calls.rend() && *it != "run"; ++it)
        closing += *it == "scene+";
    EXPECT_GE(closing, 5);
    EXPECT_LE(closing, 6);

    CRecordingHost other;
    g_pMenuHost = &other;
    CTestMenu plain(other);
    plain.m_nEndAfter = 3;
    plain.DoModal(nullptr, true, false);
    EXPECT_EQ(plain.m_fDimLevel, 0.0f) << "without the overlay nothing dims";
}

TEST_F(BaseMenu, AFailureInsideResumesTheWorldAndTheCursor)
{
    CTestMenu menu(m_Host);
    menu.m_nThrowAt = 2;
    EXPECT_THROW(menu.DoModal(nullptr, true, false), std::runtime_error);
    ASSERT_GE(m_Host.m_Calls.size(), 2u);
    EXPECT_EQ(m_Host.m_Calls[m_Host.m_Calls.size() - 2], "cursor off");
    EXPECT_EQ(m_Host.m_Calls.back(), "resume");
}

TEST_F(BaseMenu, TooltipsAfterHalfASecondAndTheModalElementAlone)
{
    uitest::CFakeInput input;
    CBaseMenu menu;
    menu.m_pInput = &input;
    auto* a = new CCountingControl(0, 0, 100, 100);
    auto* b = new CCountingControl(200, 0, 300, 100);
    a->m_ToolTip = "A";
    menu.AddControl(a);
    menu.AddControl(b);
    menu.m_fFrameTime = 0.2f;
    menu.m_Mouse = plat::Point{50, 50};
    for (int frame = 1; frame <= 3; ++frame)
    {
        menu.ProcessMessages();
        EXPECT_EQ(menu.m_pToolTip, frame == 3 ? a : nullptr) << "frame " << frame;
    }
    // Leaving resets the time.
    menu.m_Mouse = plat::Point{150, 50};
    menu.ProcessMessages();
    EXPECT_EQ(a->m_fHoverTime, 0.0f);
    menu.m_Mouse = plat::Point{50, 50};
    for (int frame = 0; frame < 3; ++frame) menu.ProcessMessages();
    EXPECT_EQ(menu.m_pToolTip, a);
    menu.RemoveControl(a, true);
    EXPECT_EQ(menu.m_pToolTip, nullptr) << "removing the tooltip element clears it";

    // b alone while modal, even with another visible element.
    auto* c = new CCountingControl(0, 0, 300, 100);
    menu.AddControl(c);
    menu.m_pModal = b;
    menu.m_Mouse = plat::Point{250, 50};
    menu.ProcessMessages();
    menu.RunControl();
    EXPECT_EQ(b->m_nOver, 1);
    EXPECT_EQ(b->m_nRuns, 1);
    EXPECT_EQ(c->m_nOver, 0);
    EXPECT_EQ(c->m_nRuns, 0);
}

TEST(ToolTipBox, PlacedByTheMouseAndKeptOnTheScreen)
{
    struct SCase
    {
        int x, y;
        plat::Point want;
    };
    // A 40 x 20 box on a 640-pixel screen.
    const SCase cases[] = {
        {300, 200, {296, 184}}, // 4 left of the mouse, bottom 4 below it
        {630, 200, {598, 184}}, // the frame (2 pixels) ends at the right edge
        {300, 5, {296, 2}},     // the frame starts at the top edge
    };
    for (const SCase& c : cases)
    {
        const plat::Point at = ToolTipBoxOrigin(c.x, c.y, 40, 20, 640);
        EXPECT_EQ(at.x, c.want.x) << c.x << "," << c.y;
        EXPECT_EQ(at.y, c.want.y) << c.x << "," << c.y;
    }
}
} // namespace
