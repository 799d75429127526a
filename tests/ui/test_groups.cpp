// Group controls, windows and tab pages: child placement, the input pass,
// list order, clipping, tab switching and where notifications stop.

#include "UITestKit.h"

#include "ui/Controls.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
using namespace uitest;

using Groups = CUITest;

TEST_F(Groups, ChildrenArePlacedRelativeToTheGroupAndMoveWithIt)
{
    CGroupControl group;
    group.Init(plat::Rect{100, 50, 300, 200}, &m_Screen);
    CControl child;
    child.SetRectXY(10, 10, 30, 20);
    group.AddControl(&child);
    EXPECT_EQ(child.m_Rect.left, 110);
    EXPECT_EQ(child.m_Rect.top, 60);
    EXPECT_EQ(child.m_pParent, &group);
    EXPECT_EQ(child.m_pScreen, &m_Screen);
    CControl fixed;
    fixed.SetRectXY(10, 10, 30, 20);
    group.AddControlAt(&fixed);
    EXPECT_EQ(fixed.m_Rect.left, 10);

    group.Move(5, -5);
    EXPECT_EQ(group.m_Rect.left, 105);
    EXPECT_EQ(child.m_Rect.left, 115);
    EXPECT_EQ(child.m_Rect.top, 55);
}

TEST_F(Groups, ScreenResultStopPassEndsThePassBeforeTheNextChild)
{
    struct CStopper : CCountingControl
    {
        void ProcessMessages() override
        {
            CCountingControl::ProcessMessages();
            m_pScreen->m_iResult = uicode::kStopPass;
        }
    };
    CStopper first;
    first.SetRectXY(0, 0, 10, 10);
    CCountingControl second;
    second.SetRectXY(20, 0, 30, 10);
    m_pMain->AddControl(&first);
    m_pMain->AddControl(&second);
    m_Screen.m_pHovered = &second;
    Frame(300, 300);
    EXPECT_EQ(first.m_nPasses, 1);
    EXPECT_EQ(second.m_nPasses, 0);
    EXPECT_EQ(m_Screen.m_pHovered, nullptr);
}

TEST_F(Groups, SetRectClipsRightAndBottomOnly)
{
    CControl wide, inside;
    wide.SetRectXY(10, 10, 500, 400);
    inside.SetRectXY(20, 20, 40, 40);
    m_pMain->AddControl(&wide);
    m_pMain->AddControl(&inside);
    m_pMain->SetRect(30, 30, 200, 100);
    EXPECT_EQ(wide.m_Rect.left, 10);
    EXPECT_EQ(wide.m_Rect.top, 10);
    EXPECT_EQ(wide.m_Rect.right, 200);
    EXPECT_EQ(wide.m_Rect.bottom, 100);
    EXPECT_EQ(inside.m_Rect.right, 40);
    EXPECT_EQ(inside.m_Rect.bottom, 40);
}

TEST_F(Groups, MoveControlModes)
{
    struct
    {
        int child; // index among a, b, c, d
        int mode;
        bool result;
        const char* order;
    } cases[] = {
        {0, 0, true, "bcda"},  {3, 0, true, "abcd"},   {1, 0, true, "acdb"}, // to the end
        {2, 1, true, "cabd"},  {3, 1, true, "abcd"},   {0, 1, true, "abcd"}, // to the start, not the last
        {1, 2, true, "acbd"},  {3, 2, true, "abcd"},                         // swap with the next
        {1, 3, true, "bacd"},  {0, 3, true, "abcd"},                         // swap with the previous
        {1, 4, false, "abcd"}, {1, -1, false, "abcd"},
    };
    for (const auto& c : cases)
    {
        CGroupControl group;
        group.Init(plat::Rect{0, 0, 100, 100}, &m_Screen);
        CControl controls[4];
        for (CControl& control : controls)
            group.AddControl(&control);
        EXPECT_EQ(group.MoveControl(&controls[c.child], c.mode), c.result);
        std::string order;
        for (int i = 0; i < group.GetChildCount(); ++i)
            order += char('a' + (group.GetChild(i) - controls));
        EXPECT_EQ(order, c.order) << "child " << c.child << " mode " << c.mode;
        // First and last stay linked both ways.
        EXPECT_EQ(group.m_pFirst->prev, nullptr);
        EXPECT_EQ(group.m_pLast->next, nullptr);
    }
    CControl stranger;
    EXPECT_FALSE(m_pMain->MoveControl(&stranger, 0));
}

TEST_F(Groups, RemovingAChildClearsTheHoverAndAChildMayRemoveItselfDuringThePass)
{
    struct CLeaver : CCountingControl
    {
        void ProcessMessages() override
        {
            CCountingControl::ProcessMessages();
            m_pParent->RemoveControl(this);
        }
    };
    CLeaver leaver;
    CCountingControl after;
    m_pMain->AddControl(&leaver);
    m_pMain->AddControl(&after);
    Frame(300, 300);
    EXPECT_EQ(leaver.m_nPasses, 1);
    EXPECT_EQ(after.m_nPasses, 1);
    EXPECT_EQ(m_pMain->GetChildCount(), 1);

    after.SetRectXY(0, 0, 50, 50);
    Frame(10, 10);
    EXPECT_EQ(m_Screen.m_pHovered, &after);
    m_pMain->RemoveControl(&after);
    EXPECT_EQ(m_Screen.m_pHovered, nullptr);
    m_pMain->RemoveControl(&after); // not a child: nothing happens
}

TEST_F(Groups, RenderSkipsHiddenAndHoveredChildrenTheScreenDrawsTheHoveredLast)
{
    CCountingControl a, b, hidden;
    a.SetRectXY(0, 0, 50, 50);
    b.SetRectXY(60, 0, 110, 50);
    hidden.Hide();
    for (CControl* c :
         {static_cast<CControl*>(&a), static_cast<CControl*>(&b), static_cast<CControl*>(&hidden)})
        m_pMain->AddControl(c);
    Frame(10, 10);
    ASSERT_EQ(m_Screen.m_pHovered, &a);
    m_pMain->Render();
    EXPECT_EQ(a.m_nDraws, 0);
    EXPECT_EQ(b.m_nDraws, 1);
    EXPECT_EQ(hidden.m_nDraws, 0);
    m_Screen.Render();
    EXPECT_EQ(a.m_nDraws, 1);
    EXPECT_EQ(b.m_nDraws, 2);
}

// A page made at the origin with a button at page-relative (5, 5).
struct SPage
{
    CGroupControl group;
    CButton button;
    explicit SPage(IUI* screen, int command, const char* caption = "b")
    {
        group.Init(plat::Rect{0, 0, 200, 100}, screen);
        button.Create(5, 5, 65, 25, caption, CButton::kPush, command);
        group.AddControl(&button);
    }
};

TEST_F(Groups, TabPagesSwitchInTheSameFrameAndStayInPlace)
{
    CTabPage tabs;
    tabs.Create(100, 50, 400, 250, &m_Screen);
    m_pMain->AddControlAt(&tabs);
    SPage one(&m_Screen, uicode::kNoCommand, "b1"), two(&m_Screen, uicode::kNoCommand, "b2");
    ASSERT_TRUE(tabs.AddPage(&one.group, "One"));
    ASSERT_TRUE(tabs.AddPage(&two.group, "Two"));

    // Tabs side by side from the tab page's left; pages below the tabs,
    // their children moved once.
    EXPECT_EQ(tabs.m_Pages[0].tab.left, 100);
    EXPECT_EQ(tabs.m_Pages[0].tab.right, 100 + 3 * 8 + 10);
    EXPECT_EQ(tabs.m_Pages[1].tab.left, tabs.m_Pages[0].tab.right);
    EXPECT_EQ(tabs.m_Pages[0].tab.bottom, 50 + 16 - 1);
    EXPECT_EQ(two.group.m_Rect.top, 66);
    EXPECT_EQ(two.button.m_Rect.left, 105);
    EXPECT_EQ(two.button.m_Rect.top, 71);
    for (int i = 0; i < 3; ++i)
        tabs.Render();
    EXPECT_EQ(tabs.m_Pages[1].tab.left, tabs.m_Pages[0].tab.right);
    EXPECT_EQ(tabs.m_nNextTabX, 2 * (3 * 8 + 10));

    // Pressing the second tab makes its page current in the same frame: its
    // button is hovered there, the first page's receives nothing.
    Frame(110, 80);
    EXPECT_EQ(one.button.m_bHovered, 1);
    const int tab2x = tabs.m_Pages[1].tab.left + 5;
    Frame(tab2x, 55, [&] { m_Input.Press(uicode::kLeftButton); });
    EXPECT_EQ(tabs.GetCurrentPage(), 1);
    m_Input.m_Cursor = plat::Point{110, 80};
    m_Input.Release(uicode::kLeftButton);
    m_Screen.ProcessMessages();
    m_Input.EndFrame();
    EXPECT_EQ(m_Screen.m_bCapturing, 0); // the tab click holds no capture
    Frame(110, 80);
    EXPECT_EQ(two.button.m_bHovered, 1);

    // Only the current page draws (its hovered button last, by the screen).
    m_Graphic.m_Ops.clear();
    m_Screen.Render();
    const std::vector<std::string> texts = m_Graphic.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "b2"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "b1"), 0);

    // Moving the tab page moves tabs, pages and their children once.
    tabs.Move(10, 20);
    EXPECT_EQ(tabs.m_Rect.left, 110);
    EXPECT_EQ(tabs.m_Pages[0].tab.left, 110);
    EXPECT_EQ(two.button.m_Rect.left, 115);
    EXPECT_EQ(two.button.m_Rect.top, 91);
}

TEST_F(Groups, AnEleventhTabPageIsRefused)
{
    CTabPage tabs;
    tabs.Create(0, 0, 600, 400, &m_Screen);
    std::vector<CGroupControl> pages(11);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(tabs.AddPage(&pages[i], "P"));
    EXPECT_FALSE(tabs.AddPage(&pages[10], "Eleven"));
    EXPECT_EQ(tabs.GetPageCount(), 10);
    EXPECT_FALSE(tabs.AddPage(nullptr, "Null"));
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("CTabPage::AddPage   ERROR-Add Pages is NULL"), std::string::npos);
    EXPECT_NE(log.find("Eleven"), std::string::npos);
}

TEST_F(Groups, CommandsStopAtWindowsAndTabPages)
{
    struct
    {
        const char* where;
        bool ends;
    } cases[] = {{"main", true}, {"window", false}, {"tab page", false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.where);
        uitest::CRecordingScreen screen;
        screen.Init(&m_Graphic, &m_Input);
        screen.SetClock(&m_Clock);
        auto* main = new CGroupControl();
        main->Init(plat::Rect{0, 0, 640, 480}, &screen);
        screen.SetMainGroup(main);
        CWindow window;
        window.Create(100, 100, 300, 300, "W", &screen);
        CTabPage tabs;
        tabs.Create(100, 100, 300, 300, &screen);
        SPage page(&screen, uicode::kOK);
        CButton button;
        button.Create(5, 5, 65, 25, "OK", CButton::kPush, uicode::kOK);
        const std::string where = c.where;
        if (where == "main")
        {
            button.Create(105, 121, 165, 141, "OK", CButton::kPush, uicode::kOK);
            main->AddControl(&button);
        }
        else if (where == "window")
        {
            main->AddControl(&window);
            window.AddControl(&button);
        }
        else
        {
            main->AddControl(&tabs);
            tabs.AddPage(&page.group, "T");
        }
        m_Input.m_Cursor = plat::Point{110, 125};
        for (int frame = 0; frame < 3; ++frame)
        {
            if (frame == 1) m_Input.Press(uicode::kLeftButton);
            if (frame == 2) m_Input.Release(uicode::kLeftButton);
            screen.ProcessMessages();
            m_Input.EndFrame();
        }
        EXPECT_EQ(screen.IsDone(), c.ends);
        EXPECT_EQ(screen.GetResult(), c.ends ? uicode::kOK : 0);
        main->RemoveControl(&window);
        main->RemoveControl(&tabs);
        main->RemoveControl(&button);
    }
}

TEST_F(Groups, WindowClientAreaCloseBoxAndDrag)
{
    CWindow window;
    window.Create(100, 100, 300, 300, "Title", &m_Screen);
    m_pMain->AddControl(&window);
    EXPECT_EQ(window.m_Rect.top, 116); // below the title
    EXPECT_EQ(window.m_TitleBar.bottom, 118);
    EXPECT_EQ(window.m_CloseBox.left, 283);
    CControl child;
    child.SetRectXY(10, 10, 20, 20);
    window.AddControl(&child);
    EXPECT_EQ(child.m_Rect.left, 110); // moved once, by the client area's origin
    EXPECT_EQ(child.m_Rect.top, 126);

    // Drag only while the owner has set the window-drag flag.
    Frame(150, 105, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(170, 125);
    EXPECT_EQ(window.m_Rect.left, 100);
    window.m_bWindowDrag = 1;
    Frame(180, 135);
    // By the cursor's travel from where the button went down.
    EXPECT_EQ(window.m_Rect.left, 130);
    EXPECT_EQ(window.m_TitleBar.top, 130);
    EXPECT_EQ(window.m_CloseBox.left, 313);
    EXPECT_EQ(child.m_Rect.left, 140);
    EXPECT_EQ(window.m_bMoved, 1);
    Frame(180, 135, [&] { m_Input.Release(uicode::kLeftButton); }); // in the title bar
    EXPECT_EQ(window.m_bWindowDrag, 0);
    EXPECT_EQ(window.m_bMoved, 0);

    // The close box: press and release inside it clear the window.
    const int cx = window.m_CloseBox.left + 3, cy = window.m_CloseBox.top + 3;
    Frame(cx, cy, [&] { m_Input.Press(uicode::kLeftButton); });
    EXPECT_EQ(window.m_bCloseArmed, 1);
    EXPECT_EQ(window.m_bVisible, 1);
    Frame(cx, cy, [&] { m_Input.Release(uicode::kLeftButton); });
    EXPECT_EQ(window.m_bVisible, 0);
    EXPECT_EQ(window.m_bCloseArmed, 0);
    EXPECT_EQ(child.m_bVisible, 0);
}

TEST_F(Groups, WindowDrawsItsCloseBoxOnlyWithoutUserId)
{
    CWindow window;
    window.Create(100, 100, 300, 300, "Title", &m_Screen);
    window.Render();
    EXPECT_TRUE(m_Graphic.Filled(CWindow::kCloseBoxColour));
    EXPECT_EQ(m_Graphic.Texts(), (std::vector<std::string>{"Title"}));
    m_Graphic.m_Ops.clear();
    CGuidKey uid;
    window.SetUID(*MakeGuidKey(&uid, "TEX_INT_UI1"));
    window.Render();
    EXPECT_FALSE(m_Graphic.Filled(CWindow::kCloseBoxColour));
}
} // namespace
