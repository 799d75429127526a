// Markup windows on a headless screen: entries from a fake text database,
// link choice by click and keys, folding, and the scroll window's bar.

#include "FakeTextDB.h"
#include "UITestKit.h"

#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
constexpr int kKeySpace = 57;
constexpr int kKey3 = 4;

class CRecordingWnd : public CHTMLWnd
{
public:
    void PlayUISound(const char* name) override { m_Sounds.push_back(name); }
    void Notify(int code, int param) override
    {
        if (code == kNotifyLink || code == kNotifyRightLink) m_Chosen.push_back({code, m_sNotifyTarget});
        CHTMLWnd::Notify(code, param);
    }
    std::vector<std::string> m_Sounds;
    std::vector<std::pair<int, std::string>> m_Chosen;
};

class MarkupWindow : public uitest::CUITest
{
protected:
    void SetUp() override
    {
        uitest::CUITest::SetUp();
        m_Wnd.Init(0, 0, 400, 200, &m_Screen);
        m_Wnd.SetTextDB(&m_DB);
        m_pMain->AddControl(&m_Wnd);
        m_DB.m_Entries["Q1"] = {"Go to <a href=base>the base</a> now.", "First quest"};
        m_DB.m_Entries["NONAME"] = {"only text", ""};
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_Wnd);
        uitest::CUITest::TearDown();
    }
    CHTMLObject& Doc() { return *m_Wnd.GetDocument(); }
    const SHTMLElement& El(int i) { return Doc().m_Elements[std::size_t(i)]; }
    // Press on (x, y), release on (x2, y2).
    void ClickFromTo(int x, int y, int x2, int y2)
    {
        Frame(x, y);
        Press(x, y);
        Release(x2, y2);
    }

    uitest::CFakeTextDB m_DB;
    CRecordingWnd m_Wnd;
};

TEST_F(MarkupWindow, EntriesFromTheTextDatabase)
{
    m_Wnd.AddTextBlock("Q1", "QUEST", false);
    // Heading: the icon, the name upper-cased in white, then the text whose
    // link targets carry the prefix and "#".
    ASSERT_GE(Doc().m_iStrNum, 3);
    EXPECT_EQ(El(0).Kind, "icon");
    EXPECT_EQ(El(0).Text, "MINUS");
    EXPECT_EQ(El(1).Text, "FIRST QUEST");
    EXPECT_EQ(El(1).Color, 0x00FFFFFFu);
    int link = -1;
    for (int i = 0; i < Doc().m_iStrNum; ++i)
        if (El(i).Type == SHTMLElement::kLink) link = i;
    ASSERT_GE(link, 0);
    EXPECT_EQ(El(link).Kind, "QUEST#base");
    EXPECT_EQ(Doc().GetBlockCount(), 2);

    // The same key again only scrolls to it.
    const int count = Doc().m_iStrNum;
    m_Wnd.AddTextBlock("Q1", "QUEST", false);
    EXPECT_EQ(Doc().m_iStrNum, count);
    // A key without a name shows its text alone; a link line needs a name.
    m_Wnd.AddTextBlock("NONAME", nullptr, false);
    EXPECT_EQ(Doc().GetBlockCount(), 3);
    m_Wnd.AddTextLink("* ", "NONAME", "x");
    EXPECT_EQ(Doc().GetBlockCount(), 3);
    m_Wnd.HTMLClear();
    m_Wnd.AddTextLink("* ", "Q1", "go");
    ASSERT_EQ(Doc().m_iStrNum, 2);
    EXPECT_EQ(El(1).Kind, "go");
    EXPECT_EQ(El(1).Text, "First quest"); // only headings are upper-cased
}

TEST_F(MarkupWindow, HeadingsAreUpperCasedSoNamedColoursFallBack)
{
    m_Wnd.AddEntry("body", "<color:red>Title", "H", CHTMLWnd::kNoUserValue, nullptr, true, false);
    EXPECT_EQ(El(0).Text, "TITLE");
    EXPECT_EQ(El(0).Color, Doc().m_NormalColor);
}

TEST_F(MarkupWindow, ClickChoosesOnlyWhenThePressBeganOnTheLink)
{
    m_Wnd.AddEntry("<link:alpha=A> and <link:beta=B>", "", "L", CHTMLWnd::kNoUserValue, nullptr, false,
                   false);
    const SHTMLElement a = El(0);
    const int ax = a.Left + 2, ay = a.Top + 2;
    // Pressed away from any link, released on it: nothing.
    ClickFromTo(390, 190, ax, ay);
    EXPECT_TRUE(m_Wnd.m_Chosen.empty());
    // Pressed on it, released outside the window: the next release on the
    // link after a press elsewhere chooses nothing either.
    ClickFromTo(ax, ay, 500, 400);
    ClickFromTo(390, 190, ax, ay);
    EXPECT_TRUE(m_Wnd.m_Chosen.empty());
    // Pressed on it, released on it: chosen with the link sound.
    ClickFromTo(ax, ay, ax, ay);
    ASSERT_EQ(m_Wnd.m_Chosen.size(), 1u);
    EXPECT_EQ(m_Wnd.m_Chosen[0], (std::pair<int, std::string>{4141, "A"}));
    EXPECT_EQ(m_Wnd.m_Sounds.back(), "SND_I_LINK");
    // The right button reports 4142.
    Frame(ax, ay, [&] { m_Input.Press(uicode::kRightButton); });
    EXPECT_EQ(m_Wnd.m_Chosen.back(), (std::pair<int, std::string>{4142, "A"}));
    // Space chooses the last link.
    Frame(ax, ay, [&] { m_Input.Release(uicode::kRightButton); });
    Frame(ax, ay, [&] { m_Input.Release(kKeySpace); });
    EXPECT_EQ(m_Wnd.m_Chosen.back().second, "B");
}

TEST_F(MarkupWindow, DigitKeyCountsAWrappedLinkOnce)
{
    const std::string longLink = "<link:" + std::string(45, 'w') + " second half=one>";
    m_Wnd.AddEntry((longLink + " <link:two=two> <link:three=three>").c_str(), "", "L", CHTMLWnd::kNoUserValue,
                   nullptr, false, false);
    ASSERT_EQ(El(1).Kind, "one"); // the first link takes two lines
    Frame(10, 5, [&] { m_Input.Release(kKey3); });
    ASSERT_FALSE(m_Wnd.m_Chosen.empty());
    EXPECT_EQ(m_Wnd.m_Chosen.back().second, "three");
}

TEST_F(MarkupWindow, HeadingIconFoldsTheEntry)
{
    m_Wnd.AddTextBlock("Q1", nullptr, false);
    const SHTMLElement icon = El(0);
    const int lastTop = El(Doc().m_iStrNum - 1).Top;
    ClickFromTo(icon.Left + 3, icon.Top + 3, icon.Left + 3, icon.Top + 3);
    EXPECT_EQ(El(0).Text, "PLUS");
    EXPECT_EQ(El(Doc().m_iStrNum - 1).Visible, 0);
    EXPECT_EQ(m_Wnd.m_Sounds.back(), "SND_I_ROLL");
    EXPECT_TRUE(m_Wnd.m_Chosen.empty());
    ClickFromTo(icon.Left + 3, icon.Top + 3, icon.Left + 3, icon.Top + 3);
    EXPECT_EQ(El(0).Text, "MINUS");
    EXPECT_EQ(El(Doc().m_iStrNum - 1).Top, lastTop);
}

TEST_F(MarkupWindow, WheelScrollsByHalfTheDelta)
{
    for (int i = 0; i < 30; ++i)
        m_Wnd.AddEntry(("line " + std::to_string(i)).c_str(), "", nullptr, CHTMLWnd::kNoUserValue, nullptr,
                       false, false);
    const int top = El(0).Top;
    m_Wnd.OnWheel(40.0f);
    EXPECT_EQ(El(0).Top, top); // already at the start
    m_Wnd.OnWheel(-40.0f);
    EXPECT_EQ(El(0).Top, top - 20);
    m_Wnd.ScrollToTop();
    EXPECT_EQ(El(0).Top, top);
}

class MarkupScrollWindow : public uitest::CUITest
{
};

TEST_F(MarkupScrollWindow, BarFollowsTheText)
{
    CHTMLScrollWnd wnd;
    wnd.Init(0, 0, 300, 200, &m_Screen);
    m_pMain->AddControl(&wnd);
    CHTMLObject& doc = *wnd.GetDocument();
    EXPECT_EQ(doc.m_Rect[0], 8);
    EXPECT_EQ(doc.m_Rect[2], 300 - 17 - 9);
    // The bar stands at the window's right edge between its arrows.
    EXPECT_EQ(wnd.m_pScroll->m_Rect.left, 283);
    EXPECT_EQ(wnd.m_pScroll->m_Rect.top, 22);
    EXPECT_EQ(wnd.m_pScroll->m_pForward->m_Rect.bottom, 200);
    wnd.AddEntry("short", "", nullptr, CHTMLWnd::kNoUserValue, nullptr, false, false);
    Frame(50, 50);
    EXPECT_FALSE(wnd.m_pScroll->m_bEnabled);
    for (int i = 0; i < 40; ++i)
        wnd.AddEntry(("line " + std::to_string(i)).c_str(), "", nullptr, CHTMLWnd::kNoUserValue, nullptr,
                     false, false);
    Frame(50, 50);
    ASSERT_TRUE(wnd.m_pScroll->m_bEnabled);
    int total = 0, page = 0, position = 0;
    doc.GetScrollRange(&total, &page, &position, false);
    EXPECT_EQ(wnd.m_pScroll->m_pThumb->Height(), int(double(page) / total * page));
    EXPECT_EQ(wnd.m_pScroll->GetMax(), total - page);
    // A click on the second button scrolls by 20.
    const plat::Rect b = wnd.m_pScroll->m_pForward->m_Rect;
    Click(b.left + 2, b.top + 2);
    doc.GetScrollRange(&total, &page, &position, false);
    EXPECT_EQ(position, 20);
    EXPECT_EQ(wnd.m_pScroll->GetPos(), 20);
    m_pMain->RemoveControl(&wnd);
}

} // namespace
