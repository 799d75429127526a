// The screen's routing and the control base: clicks on release, double
// clicks, popups, capture, the hit test, drag and tooltips.

#include "UITestKit.h"

#include "ui/Control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using namespace uitest;
using uicode::kClick;
using uicode::kLeftButton;

class ScreenControl : public CUITest
{
protected:
    void SetUp() override
    {
        CUITest::SetUp();
        m_Control.SetRectXY(10, 10, 60, 40);
        m_pMain->AddControl(&m_Control);
        m_Other.SetRectXY(100, 10, 150, 40);
        m_pMain->AddControl(&m_Other);
    }
    std::vector<int> ClicksAndDoubles() const
    {
        std::vector<int> out;
        for (int code : m_Screen.Codes())
            if (code == kClick || code == uicode::kDoubleClick) out.push_back(code);
        return out;
    }

    CCountingControl m_Control;
    CCountingControl m_Other;
};

TEST_F(ScreenControl, ClickIsReportedOnReleaseThenTheRelease)
{
    Frame(20, 20);
    EXPECT_EQ(m_Screen.m_pHovered, &m_Control);
    Press(20, 20);
    EXPECT_TRUE(m_Screen.Codes().empty());
    Release(20, 20);
    EXPECT_EQ(m_Screen.Codes(), (std::vector<int>{kClick, uicode::kReleased}));
    int leftClicks = 0;
    for (const auto& c : m_Screen.m_Commands)
        leftClicks += c.code == kClick && c.param == kLeftButton;
    EXPECT_EQ(leftClicks, 1);
    // The capture of the click ends with the release in the same pass.
    EXPECT_EQ(m_Screen.m_bCapturing, 0);
    EXPECT_EQ(m_Control.m_bCaptured, 0);
}

TEST_F(ScreenControl, DoubleClickWithinThreeTenthsOfASecond)
{
    struct
    {
        double gap;
        std::vector<int> expected;
    } cases[] = {
        {0.29, {kClick, uicode::kDoubleClick, kClick}},
        {0.31, {kClick, kClick}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.gap);
        m_Screen.m_Commands.clear();
        m_Control.m_dLastClickTime = -1.0;
        Frame(20, 20);
        Press(20, 20);
        // The two releases are c.gap apart.
        Release(20, 20, c.gap - 0.1);
        Press(20, 20);
        Release(20, 20, 1.0);
        EXPECT_EQ(ClicksAndDoubles(), c.expected);
    }
}

TEST_F(ScreenControl, AFirstClickEarlyAfterStartIsNoDoubleClick)
{
    m_Clock.m_dNow = 0.1;
    Click(20, 20);
    EXPECT_EQ(ClicksAndDoubles(), (std::vector<int>{kClick}));
}

TEST_F(ScreenControl, LeftPressOutsideAControlNotHoveredIsReportedWithParamZero)
{
    Press(300, 300);
    int outside = 0;
    for (const auto& c : m_Screen.m_Commands)
        outside += c.code == kClick && c.param == 0;
    EXPECT_EQ(outside, 2); // one from each control
}

TEST_F(ScreenControl, RightClickIsSentOnThePress)
{
    Frame(20, 20);
    Frame(20, 20, [&] { m_Input.Press(uicode::kRightButton); });
    ASSERT_FALSE(m_Screen.Codes().empty());
    EXPECT_EQ(m_Screen.m_Commands.back().code, kClick);
    EXPECT_EQ(m_Screen.m_Commands.back().param, uicode::kRightButton);
}

TEST_F(ScreenControl, PopupTakesAllInputUntilItHasAResult)
{
    CGroupControl popup;
    popup.Init(plat::Rect{200, 200, 300, 300}, &m_Screen);
    CCountingControl inPopup;
    inPopup.SetRectXY(0, 0, 50, 50);
    popup.AddControl(&inPopup);
    m_pMain->AddControl(&popup);
    m_Screen.SetPopup(&popup);

    for (int i = 0; i < 3; ++i)
        Click(20, 20);
    EXPECT_EQ(m_Control.m_nPasses, 0);
    EXPECT_EQ(m_Other.m_nPasses, 0);
    EXPECT_EQ(inPopup.m_nPasses, 9);
    EXPECT_EQ(popup.GetChildCount(), 1);

    // A result: 4151 while the popup is still shown, then 4152 once it is
    // gone, both with the result; the main group had no input that frame.
    m_Screen.m_Commands.clear();
    popup.SetResult(7);
    Frame(20, 20);
    ASSERT_EQ(m_Screen.m_Commands.size(), 2u);
    EXPECT_EQ(m_Screen.m_Commands[0].code, uicode::kPopupResult);
    EXPECT_EQ(m_Screen.m_Commands[0].param, 7);
    EXPECT_TRUE(m_Screen.m_Commands[0].popupShown);
    EXPECT_EQ(m_Screen.m_Commands[1].code, uicode::kPopupRemoved);
    EXPECT_EQ(m_Screen.m_Commands[1].param, 7);
    EXPECT_FALSE(m_Screen.m_Commands[1].popupShown);
    EXPECT_EQ(m_Screen.m_pPopup, nullptr);
    EXPECT_EQ(m_pMain->GetChildCount(), 2); // removed from its parent
    EXPECT_EQ(m_Control.m_nPasses, 0);
    Frame(20, 20);
    EXPECT_EQ(m_Control.m_nPasses, 1);
}

TEST_F(ScreenControl, PopupWithoutParentIsHiddenAndResultsOneAndTwoAreStoredBack)
{
    // A box of the menus decides its own result; the screen stores 1 and 2
    // back into it before the box's handler sees 4151.
    struct CBox : CGroupControl
    {
        int GetResult() override { return m_iReturn; }
        void SetResult(int v) override { m_Log.push_back("set " + std::to_string(v)); }
        void OnCommand(int code, int param) override
        {
            m_Log.push_back("cmd " + std::to_string(code) + " " + std::to_string(param));
            CGroupControl::OnCommand(code, param);
        }
        int m_iReturn = 0;
        std::vector<std::string> m_Log;
    };
    struct
    {
        int result;
        std::vector<std::string> log;
    } cases[] = {
        {1, {"set 1", "cmd 4151 1"}},
        {2, {"set 2", "cmd 4151 2"}},
        {3, {"cmd 4151 3"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.result);
        CBox box;
        box.Init(plat::Rect{200, 200, 300, 300}, &m_Screen);
        m_Screen.SetPopup(&box);
        box.m_iReturn = c.result;
        m_Screen.m_Commands.clear();
        Frame(20, 20);
        EXPECT_EQ(box.m_bVisible, 0);
        EXPECT_EQ(m_Screen.Codes(), (std::vector<int>{uicode::kPopupResult, uicode::kPopupRemoved}));
        EXPECT_EQ(box.m_Log, c.log);
        EXPECT_EQ(m_Screen.m_pPopup, nullptr);
    }
}

TEST_F(ScreenControl, OkAndCancelEndTheScreenOnlyWithoutPopup)
{
    m_Screen.OnCommand(uicode::kCancel, 0);
    EXPECT_TRUE(m_Screen.IsDone());
    EXPECT_EQ(m_Screen.GetResult(), uicode::kCancel);

    // With a popup the command goes to the popup, which sends it on to its
    // parent, the main group, which would hand it back to the screen: it
    // reaches the screen's handler once and ends nothing.
    m_Screen.m_bDone = 0;
    m_Screen.m_iResult = 0;
    CGroupControl popup;
    popup.Init(plat::Rect{200, 200, 300, 300}, &m_Screen);
    m_pMain->AddControl(&popup);
    m_Screen.SetPopup(&popup);
    m_Screen.m_Commands.clear();
    m_Screen.OnCommand(uicode::kOK, 0);
    EXPECT_FALSE(m_Screen.IsDone());
    EXPECT_EQ(m_Screen.m_Commands.size(), 1u); // the call only: no echo

    // A top-level popup (no parent) hands it straight back: also bounded.
    m_pMain->RemoveControl(&popup);
    popup.SetParent(nullptr);
    m_Screen.m_Commands.clear();
    m_Screen.OnCommand(uicode::kOK, 0);
    EXPECT_FALSE(m_Screen.IsDone());
    EXPECT_EQ(m_Screen.m_Commands.size(), 1u);
}

TEST_F(ScreenControl, CapturingControlAloneReceivesInputEvenOutsideIt)
{
    m_Control.m_bPassBase = false;
    m_Screen.SetCapture(&m_Control);
    EXPECT_EQ(m_Control.m_bCaptured, 1);
    Frame(120, 20, [&] { m_Input.Press(kLeftButton); }); // over the other control
    Frame(300, 300);
    EXPECT_EQ(m_Control.m_nPasses, 2);
    EXPECT_EQ(m_Other.m_nPasses, 0);

    m_Screen.ReleaseCapture(&m_Control);
    EXPECT_EQ(m_Control.m_bCaptured, 0);
    EXPECT_EQ(m_Screen.m_pHovered, &m_Control); // the hovered control stays
    Frame(120, 20);
    EXPECT_EQ(m_Other.m_nPasses, 1);
}

TEST_F(ScreenControl, HitTestFailsOnlyOutsideWithTheLeftButtonReleased)
{
    struct
    {
        int x;
        bool released;
        int expected;
    } cases[] = {{20, false, 1}, {20, true, 1}, {300, false, 1}, {300, true, 0}};
    for (const auto& c : cases)
    {
        m_Input.m_Cursor = plat::Point{c.x, 20};
        if (c.released) m_Input.Release(kLeftButton);
        m_Screen.m_nCursorX = c.x;
        m_Screen.m_nCursorY = 20;
        EXPECT_EQ(m_Control.HitTest(), c.expected) << c.x << " " << c.released;
        m_Input.EndFrame();
    }
}

TEST_F(ScreenControl, HoveredControlFailingItsHitTestIsToldTheMouseLeft)
{
    m_Control.m_bPassBase = false;
    Frame(20, 20);
    m_Screen.m_pHovered = &m_Control;
    m_Screen.m_Commands.clear();
    Frame(300, 300); // outside, nothing released: no leave from the screen
    EXPECT_TRUE(m_Screen.Codes().empty());
    Release(300, 300);
    EXPECT_EQ(m_Screen.Codes(), (std::vector<int>{uicode::kMouseLeave}));
}

TEST(PointInRect, FirstCornerInsideSecondOutside)
{
    struct
    {
        plat::Rect r;
        int x, y;
        bool inside;
    } cases[] = {
        {{10, 10, 20, 20}, 10, 10, true},  {{10, 10, 20, 20}, 19, 19, true},
        {{10, 10, 20, 20}, 20, 15, false}, {{10, 10, 20, 20}, 15, 20, false},
        {{10, 10, 20, 20}, 9, 15, false},  {{10, 10, 10, 20}, 10, 15, true}, // right == left
        {{10, 10, 10, 20}, 11, 15, false}, {{10, 10, 10, 20}, 9, 15, false},
        {{10, 10, 20, 10}, 15, 10, true},  {{20, 20, 10, 10}, 15, 15, true}, // reversed corners
        {{20, 20, 10, 10}, 21, 15, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PointInRect(c.r, c.x, c.y), c.inside) << c.r.left << "," << c.r.top << "," << c.r.right
                                                        << "," << c.r.bottom << " @ " << c.x << "," << c.y;
}

TEST_F(ScreenControl, DragBeginsOnlyAfterRestAndSnapsBackOnDrop)
{
    m_Control.m_bDraggable = 1;
    // 0.2 s of rest: pressing and moving does not drag.
    Frame(20, 20);
    Frame(20, 20);
    Press(20, 20);
    Frame(25, 25, [] {});
    EXPECT_EQ(m_Control.m_bDragging, 0);
    Release(25, 25);

    // Rest above 0.25 s, then hold and move: the drag begins.
    m_Screen.m_Commands.clear();
    for (int i = 0; i < 4; ++i)
        Frame(20, 20);
    EXPECT_GT(m_Control.m_fRestTime, CControl::kDragRest);
    Press(20, 20);
    Frame(30, 35);
    EXPECT_EQ(m_Control.m_bDragging, 1);
    EXPECT_EQ(m_Screen.m_pDragged, &m_Control);
    EXPECT_EQ(m_Screen.Codes().back(), uicode::kBeginDrag);

    // The control follows the cursor; nothing else gets input; it is drawn last.
    const int otherPasses = m_Other.m_nPasses;
    Frame(130, 25);
    EXPECT_EQ(m_Control.m_Rect.left, 110); // the grab point stays under the cursor
    EXPECT_EQ(m_Control.m_Rect.top, 0);
    EXPECT_EQ(m_Control.Width(), 50);
    EXPECT_EQ(m_Other.m_nPasses, otherPasses);
    m_Control.m_nDraws = m_Other.m_nDraws = 0;
    m_Screen.Render();
    EXPECT_EQ(m_Control.m_nDraws, 2); // in the walk (it lost the hover) and last, as the dragged one
    EXPECT_EQ(m_Other.m_nDraws, 1);

    Release(130, 25);
    EXPECT_EQ(m_Control.m_bDragging, 0);
    EXPECT_EQ(m_Screen.m_pDragged, nullptr);
    EXPECT_EQ(m_Control.m_Rect.left, 10);
    EXPECT_EQ(m_Control.m_Rect.top, 10);
}

TEST_F(ScreenControl, TooltipShowsFromSevenTenthsToFourPointSevenSeconds)
{
    m_Control.SetToolTip("hint");
    CGuidKey uid;
    m_Control.SetUID(*MakeGuidKey(&uid, "TIP"));
    // The first hovered frame starts the hover time at 0; each later one
    // adds 0.1 s.
    for (int frame = 0; frame <= 50; ++frame)
    {
        Frame(20, 20);
        m_Graphic.m_Ops.clear();
        m_Control.RenderToolTip();
        const float t = m_Control.m_fHoverTime;
        const bool expected = t >= 0.7f - 1e-4f && t <= 4.7f + 1e-4f;
        if (t > 0.65f && t < 0.75f) continue; // float sums straddle the edges
        if (t > 4.65f && t < 4.75f) continue;
        EXPECT_EQ(m_Control.m_bToolTipShown != 0, expected) << t;
        if (expected)
        {
            EXPECT_TRUE(m_Graphic.Filled(0xCC000000));
            EXPECT_EQ(m_Graphic.Texts(), (std::vector<std::string>{"hint", "hint"})); // shadow, then the line
        }
    }
    // Leaving resets it.
    Frame(300, 300);
    EXPECT_EQ(m_Control.m_fHoverTime, 0.0f);
    EXPECT_EQ(m_Control.m_nToolTipX, 0);
    Frame(20, 20);
    m_Control.RenderToolTip();
    EXPECT_EQ(m_Control.m_bToolTipShown, 0);
}

TEST_F(ScreenControl, TooltipStaysOnTheScreen)
{
    m_Control.SetToolTip("a rather long hint text");
    m_Control.SetRectXY(590, 440, 640, 480);
    for (int i = 0; i < 9; ++i)
        Frame(630, 470);
    int lastX = 1 << 30;
    for (int i = 0; i < 12; ++i)
    {
        m_Control.RenderToolTip();
        ASSERT_EQ(m_Control.m_bToolTipShown, 1);
        EXPECT_LE(m_Control.m_nToolTipX, lastX); // moves in by half the overshoot per frame
        lastX = m_Control.m_nToolTipX;
    }
    const int width = m_Graphic.TextWidth("a rather long hint text");
    EXPECT_LE(m_Control.m_nToolTipX + width, 640 - 10 + 1);
    EXPECT_LE(m_Control.m_nToolTipY + CDrawRecorder::kLineHeight, 480 - 10 + 1);
}

TEST_F(ScreenControl, HiddenOrDisabledControlIsNeverHoveredAndShowsNoTooltip)
{
    m_Control.SetToolTip("hint");
    for (int i = 0; i < 10; ++i)
        Frame(20, 20);
    m_Control.RenderToolTip();
    EXPECT_EQ(m_Control.m_bToolTipShown, 1);

    m_Control.Enable(0);
    m_Control.RenderToolTip();
    EXPECT_EQ(m_Control.m_bHovered, 0);
    EXPECT_EQ(m_Control.m_bToolTipShown, 0);
    for (int i = 0; i < 3; ++i)
        Frame(20, 20);
    EXPECT_EQ(m_Control.m_bHovered, 0);

    m_Control.Enable(1);
    m_Control.Hide();
    Frame(20, 20);
    EXPECT_EQ(m_Control.m_bHovered, 0);
}

TEST_F(ScreenControl, SubRectanglesAreArrowsOfTheScrollBars)
{
    m_Control.SetHorizontalBar(1);
    m_Control.RenderScrollBars(); // lays out the arrows: s = 8, h = 16
    EXPECT_EQ(m_Control.m_SubRects[0].left, 52);
    EXPECT_EQ(m_Control.m_SubRects[1].bottom, 40 - 16);
    EXPECT_EQ(m_Control.m_SubRects[4].right, 60 - 16);
    m_Screen.m_Commands.clear();
    m_pMain->RemoveControl(&m_Other);
    Press(55, 12); // up arrow
    Press(12, 38); // left arrow
    Press(40, 38); // right arrow
    Press(55, 20); // down arrow
    EXPECT_EQ(m_Screen.Codes(),
              (std::vector<int>{uicode::kSubRect1, uicode::kSubRect3, uicode::kSubRect4, uicode::kSubRect2}));
}
} // namespace
