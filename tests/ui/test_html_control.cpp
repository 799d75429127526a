// The markup console control in a menu: the console line's rules, the
// developer commands, link clicks, wheel, drag, arrows and thumb.

#include "UITestKit.h"

#include "ui/markup/HTMLObject.h"
#include "ui/menu/HtmlControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
class CRecordingMenu : public CBaseMenu
{
public:
    void OnNotify(int code) override { m_Codes.push_back(code); }
    std::vector<int> m_Codes;
};

class CCommandControl : public CHtmlControl
{
public:
    using CHtmlControl::CHtmlControl;
    void GoToMechanoid(const char* name) override { m_Commands.push_back("GO:" + std::string(name)); }
    void JumpToBuilding(const char* name) override { m_Commands.push_back("JUMP:" + std::string(name)); }
    std::vector<std::string> m_Commands;
};

class HtmlControl : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_Menu.m_pInput = &m_Input;
        m_Menu.m_pGraphic = &m_Graphic;
        m_pControl = new CCommandControl(100, 100, 314, 260, nullptr);
        m_Menu.AddControl(m_pControl);
    }
    CHTMLObject& Doc() { return *m_pControl->GetDocument(); }
    // One frame with the mouse at (x, y), a typed character and the input
    // set up by before.
    template <class F> void Frame(int x, int y, char typed, F before)
    {
        m_Menu.m_Mouse = plat::Point{x, y};
        m_Menu.m_cTypedChar = std::uint8_t(typed);
        before();
        m_Menu.RunControls();
        m_Input.EndFrame();
    }
    void Frame(int x = 0, int y = 0, char typed = 0)
    {
        Frame(x, y, typed, [] {});
    }
    void Enter()
    {
        Frame(0, 0, 0, [&] { m_Input.Press(uicode::kKeyEnter); });
    }
    void Type(const std::string& s)
    {
        for (char c : s)
            Frame(0, 0, c);
    }
    std::string Line() const { return m_pControl->m_sInput.GetText(); }
    void Lines(int n)
    {
        for (int i = 0; i < n; ++i)
            Doc().AddText(("line " + std::to_string(i)).c_str(), "T", nullptr, true);
    }

    uitest::CFakeInput m_Input;
    uitest::CDrawRecorder m_Graphic;
    CRecordingMenu m_Menu;
    CCommandControl* m_pControl = nullptr;
};

TEST_F(HtmlControl, ConsoleLineRules)
{
    Enter();
    ASSERT_TRUE(m_pControl->m_bInputActive);
    EXPECT_EQ(m_Menu.m_pModal, m_pControl);
    EXPECT_TRUE(m_Menu.m_bTextInput);
    EXPECT_EQ(Line(), "\\\\");
    ASSERT_GE(Doc().FindBlock("CONSOLE COMMAND"), 0);
    // Markup characters are refused; backspace stops at the prefix.
    Type("a:b=c<d>e");
    EXPECT_EQ(Line(), "\\\\abcde");
    Type(std::string(10, '\b'));
    EXPECT_EQ(Line(), "\\\\");
    // 40 characters fit after the prefix; the 41st is refused.
    Type(std::string(41, 'x'));
    EXPECT_EQ(Line(), "\\\\" + std::string(40, 'x'));
    EXPECT_EQ(m_Menu.m_cTypedChar, 0); // taken
    // The document block shows the line with the cursor.
    const SHTMLElement& shown =
        Doc().m_Elements[std::size_t(Doc().GetBlocks()[Doc().FindBlock("CONSOLE COMMAND")].first)];
    EXPECT_EQ(shown.Text.substr(0, 2), "\\\\");
    Enter();
    EXPECT_FALSE(m_pControl->m_bInputActive);
    EXPECT_EQ(m_Menu.m_pModal, nullptr);
    EXPECT_EQ(m_Menu.m_Codes, std::vector<int>{98});
    EXPECT_EQ(std::string(m_pControl->m_sSubmitted.GetText()), std::string(40, 'x'));
    // Cancelling reports 97 once.
    Enter();
    m_pControl->CancelInput();
    m_pControl->CancelInput();
    EXPECT_EQ(m_Menu.m_Codes, (std::vector<int>{98, 97}));
}

TEST_F(HtmlControl, DeveloperCommands)
{
    struct SRow
    {
        const char* typed;
        const char* command; // "" when nothing runs
    };
    const SRow rows[] = {
        {"go pilot ", "GO:PILOT"},
        {"  Go Pilot", "GO:PILOT"},
        {"go  pilot", "GO: PILOT"},
        {"jump to base1", "JUMP:BASE1"},
        {"jump to 0123456789012345678901234567890", "JUMP:0123456789012345678901234567890"},
        {"jump to 01234567890123456789012345678901", ""},
        {"goal", ""},
    };
    for (const SRow& row : rows)
    {
        m_pControl->m_Commands.clear();
        m_pControl->m_bPending = 1;
        m_pControl->ExecuteCommand(row.typed);
        const std::vector<std::string> want =
            *row.command ? std::vector<std::string>{row.command} : std::vector<std::string>{};
        EXPECT_EQ(m_pControl->m_Commands, want) << row.typed;
        EXPECT_EQ(std::string(m_pControl->m_sSubmitted.GetText()), row.typed);
    }
    // The framed style reports the line but runs no command.
    m_pControl->m_bFramed = 1;
    m_pControl->m_Commands.clear();
    m_Menu.m_Codes.clear();
    m_pControl->m_bPending = 1;
    m_pControl->ExecuteCommand("go pilot");
    EXPECT_TRUE(m_pControl->m_Commands.empty());
    EXPECT_EQ(m_Menu.m_Codes, std::vector<int>{98});
}

TEST_F(HtmlControl, LinkClicksAreCutAndIgnoredWhileTheLineIsOpen)
{
    const std::string target(40, 't');
    Doc().AddText(("<link:click me=" + target + ">").c_str(), "L", nullptr, true);
    const SHTMLElement link = Doc().m_Elements[0];
    Frame(link.Left + 2, link.Top + 2, 0, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(link.Left + 2, link.Top + 2, 0, [&] { m_Input.Release(uicode::kLeftButton); });
    EXPECT_EQ(m_Menu.m_Codes, std::vector<int>{99});
    EXPECT_EQ(std::string(m_pControl->m_szLink), target.substr(0, 31));
    // With the console line open clicks on links do nothing.
    Enter();
    m_Menu.m_Codes.clear();
    const SHTMLElement again = Doc().m_Elements[0];
    Frame(again.Left + 2, again.Top + 2, 0, [&] { m_Input.Release(uicode::kLeftButton); });
    EXPECT_TRUE(m_Menu.m_Codes.empty());
}

TEST_F(HtmlControl, WheelDragAndArrows)
{
    Lines(40);
    // A wheel movement of 120 scrolls by -12: at the end of the text it
    // moves back up 12 pixels; outside the control nothing happens.
    Doc().Scroll(100000);
    const int top = Doc().m_Elements[0].Top;
    struct CWheelInput : uitest::CFakeInput
    {
        InputVector GetMouseDelta() override { return InputVector{0, 0, m_fWheel}; }
        float m_fWheel = 0;
    } wheel;
    m_Menu.m_pInput = &wheel;
    wheel.m_fWheel = 120;
    Frame(150, 150);
    EXPECT_EQ(Doc().m_Elements[0].Top, top + 12);
    Frame(10, 10);
    EXPECT_EQ(Doc().m_Elements[0].Top, top + 12);
    wheel.m_fWheel = 0;
    m_Menu.m_pInput = &m_Input;

    // Pressing in the text and moving 30 pixels down scrolls by -30.
    const int before = Doc().m_Elements[0].Top;
    Frame(150, 150, 0, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(150, 180);
    EXPECT_EQ(Doc().m_Elements[0].Top, before + 30);
    Frame(150, 180, 0, [&] { m_Input.Release(uicode::kLeftButton); });
    EXPECT_FALSE(m_pControl->m_bDragging);

    // Hovering the up arrow scrolls one pixel a frame; pressing in it ten.
    const int t0 = Doc().m_Elements[0].Top;
    Frame(310, 105);
    EXPECT_EQ(Doc().m_Elements[0].Top, t0 + 1);
    Frame(310, 105, 0, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(310, 105);
    EXPECT_EQ(Doc().m_Elements[0].Top, t0 + 1 + 1 + 10);
}

TEST_F(HtmlControl, ThumbDragWithTheWholeTextInView)
{
    // One line: page == total after the clamp; the thumb fills the track,
    // and dragging it must not divide by zero.
    Lines(1);
    int total = 0, page = 0, position = 0;
    m_pControl->ReadScrollFigures(&total, &page, &position);
    EXPECT_EQ(total, page);
    int thumbTop = 0, thumbHeight = 0;
    m_pControl->ThumbPlace(total, page, position, &thumbTop, &thumbHeight);
    const int x = 314 - 4;
    Frame(x, thumbTop + 20, 0, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(x, thumbTop + 40);
    EXPECT_EQ(Doc().m_Elements[0].Top, 100);

    // With a long text the thumb moves the document in proportion.
    Doc().Clear();
    Lines(40);
    m_pControl->ReadScrollFigures(&total, &page, &position);
    m_pControl->ThumbPlace(total, page, position, &thumbTop, &thumbHeight);
    Frame(x, thumbTop + 1, 0, [&] { m_Input.Release(uicode::kLeftButton); });
    Frame(x, thumbTop + 1, 0, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(x, thumbTop + 11);
    m_pControl->ReadScrollFigures(&total, &page, &position);
    EXPECT_GT(position, 10);
}

} // namespace
