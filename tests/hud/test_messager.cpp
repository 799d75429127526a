// The message panel over a drawing recorder (8-pixel characters, 16-pixel
// lines, a 640-pixel screen), a fake text database, a recording mission
// script and a clock the test sets.

#include "ui/FakeTextDB.h"
#include "ui/UITestKit.h"

#include "hud/messages/Messager.h"
#include "ui/menu/HtmlControl.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{
class CRecordingScript : public IMessagerScript
{
public:
    bool MMRunScript(int parameter, const char* target) override
    {
        m_Calls.push_back(std::to_string(parameter) + ":" + target);
        return m_bResult;
    }
    void AddQueuedMessageEvents(const char* suffix) override
    {
        m_Calls.push_back(std::string("events") + suffix);
    }
    void UpdateRuntimeScriptMessages() override { m_Calls.push_back("update"); }
    std::vector<std::string> m_Calls;
    bool m_bResult = true;
};

class Messager : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_Panel.m_pGraphic = &m_Graphic;
        m_Panel.m_pInput = &m_Input;
        m_Panel.SetClock(&m_Clock);
        m_Panel.SetTextDB(&m_DB);
        m_Panel.SetScript(&m_Script);
        m_Panel.OnInit();
        Doc().SetGameTime(1000.0);
    }
    CHTMLObjectView& Doc() { return *m_Panel.GetDocument(); }
    void At(double t) { Doc().SetGameTime(t); }
    void Message(const char* text, int colour = 1, const char* id = nullptr)
    {
        m_Panel.AddMessage(CXAnsiString(text), colour, id);
    }
    std::set<std::string> BlockIds()
    {
        std::set<std::string> ids;
        for (int i = 0; i < Doc().GetBlockCount(); ++i)
            ids.insert(Doc().GetBlocks()[i].id);
        return ids;
    }

    uitest::CDrawRecorder m_Graphic;
    uitest::CFakeInput m_Input;
    uitest::CFakeClock m_Clock;
    uitest::CFakeTextDB m_DB;
    CRecordingScript m_Script;
    CMessager m_Panel;
};

TEST_F(Messager, Geometry)
{
    EXPECT_EQ(Doc().m_Rect[0], 200);
    EXPECT_EQ(Doc().m_Rect[1], 12);
    EXPECT_EQ(Doc().m_Rect[2], 640 - 212);
    EXPECT_EQ(Doc().m_Rect[3], 12 + 8 * 16);
    EXPECT_EQ(m_Panel.GetControl()->m_Rect.right, 640 - 196);
    EXPECT_TRUE(m_Panel.GetControl()->m_bFramed);
    EXPECT_FALSE(m_Panel.GetControl()->m_bConsoleEnabled);
    m_Panel.UpdateState(true);
    EXPECT_EQ(Doc().m_Rect[3], 12 + 384);
    m_Panel.UpdateState(false);
    EXPECT_EQ(Doc().m_Rect[3], 12 + 128);
}

TEST_F(Messager, ColourTagsAndIds)
{
    Message("hit", 2);
    Message("plain", -1);
    Message("named", 4, "MY_ID");
    ASSERT_EQ(Doc().m_iStrNum, 3);
    EXPECT_EQ(Doc().m_Elements[0].Color, 0x00FF2020u);
    EXPECT_EQ(Doc().m_Elements[1].Color, 0xD0D0D0u);
    EXPECT_EQ(Doc().m_Elements[2].Color, 0x00FFFFFFu);
    const auto ids = BlockIds();
    EXPECT_EQ(ids.size(), 3u); // two generated ids differ
    EXPECT_TRUE(ids.count("MY_ID"));
    EXPECT_NE(Doc().GetBlockData("MY_ID"), 0u);
    EXPECT_FALSE(Doc().m_bMarkSelected);
    EXPECT_TRUE(Doc().m_bLineScroll);
}

TEST_F(Messager, RingHolds9999Messages)
{
    for (int i = 0; i < 9999; ++i)
        m_Panel.m_Ring.Push(SMessageRecord{});
    m_Panel.m_Ring.Clear();
    // Fill through AddMessage without laying out 9999 lines: the ring
    // itself decides.
    for (int i = 0; i < 9998; ++i)
        m_Panel.m_Ring.Push(SMessageRecord{});
    Message("the 9999th");
    EXPECT_EQ(Doc().GetBlockCount(), 1);
    Message("the 10000th");
    EXPECT_EQ(Doc().GetBlockCount(), 1);
    EXPECT_NE(ReadText("error.log").find("CMessager::AddMessage message ring is full"), std::string::npos);
    m_Panel.Clear();
    EXPECT_EQ(Doc().GetBlockCount(), 0);
    Message("again");
    EXPECT_EQ(Doc().GetBlockCount(), 1);
}

TEST_F(Messager, ExpiryOnePerFrameOldestFirstAndPaused)
{
    At(100.0);
    Message("old one");
    Message("old two");
    At(110.0);
    Message("new");
    At(125.5);
    m_Panel.UpdateState(true);
    m_Panel.Run();
    EXPECT_EQ(Doc().GetBlockCount(), 3); // paused: nothing expires
    m_Panel.UpdateState(false);
    m_Panel.Run();
    EXPECT_EQ(Doc().GetBlockCount(), 2);
    m_Panel.Run();
    EXPECT_EQ(Doc().GetBlockCount(), 1);
    m_Panel.Run();
    EXPECT_EQ(Doc().GetBlockCount(), 1); // 15.5 s old
    EXPECT_EQ(Doc().m_Elements[0].Text, "new");
}

TEST_F(Messager, LinesFadeByAgeUnlessPaused)
{
    At(100.0);
    Message("expired");
    At(101.5);
    Message("fading");
    At(120.5);
    Message("fresh");
    At(121.0);
    m_Panel.Draw();
    EXPECT_EQ(Doc().m_iExpiredLines, 1);
    std::vector<std::uint32_t> colours;
    for (const auto& op : m_Graphic.m_Ops)
        if (op.kind == uitest::SDrawOp::kText && op.text != "" && (op.colour & 0xFFFFFF) != 0)
            colours.push_back(op.colour);
    ASSERT_EQ(colours.size(), 2u);
    // 19.5 s old: 255 x (20 - 19.5) x 0.5.
    EXPECT_EQ(colours[0] >> 24, 63u);
    EXPECT_EQ(colours[0] & 0xFFFFFF, 0x40FF40u);
    // Half a second old: white to its colour begins.
    EXPECT_EQ(colours[1] >> 24, 255u);
    EXPECT_EQ(colours[1] & 0xFFFFFF, 0xFFFFFFu);
    // Paused: nothing hidden, faded or flashed.
    m_Graphic.m_Ops.clear();
    m_Panel.UpdateState(true);
    m_Panel.Draw();
    EXPECT_EQ(Doc().m_iExpiredLines, 0);
    int drawn = 0;
    for (const auto& op : m_Graphic.m_Ops)
        if (op.kind == uitest::SDrawOp::kText && (op.colour >> 24) == 255 && (op.colour & 0xFFFFFF) != 0)
            ++drawn;
    EXPECT_EQ(drawn, 3);
}

TEST_F(Messager, LinkClicks)
{
    m_DB.m_Entries["INT_HELP"] = {"Help text", "Help"};
    Message("see <link:help=INT_HELP> or <link:there=MSG_X> or <link:quest=Q7>", 1);
    Message("target", 1, "MSG_X");
    auto click = [&](const char* target)
    {
        std::strcpy(m_Panel.GetControl()->m_szLink, target);
        m_Panel.OnNotify(99);
    };
    // A target shown in the panel: scroll to it, add nothing.
    click("MSG_X");
    EXPECT_EQ(Doc().GetBlockCount(), 2);
    // A text-database key: its name as a heading above its text.
    click("INT_HELP");
    ASSERT_EQ(Doc().GetBlockCount(), 3);
    EXPECT_STREQ(Doc().GetLastBlock()->id, "INT_HELP");
    bool heading = false;
    for (int i = 0; i < Doc().m_iStrNum; ++i)
        if (Doc().m_Elements[std::size_t(i)].Text == "Help" &&
            Doc().m_Elements[std::size_t(i)].Color == 0x00D1D153)
            heading = true;
    EXPECT_TRUE(heading);
    // Anything else goes to the mission script.
    Message("more", 1, "INT_NEXT_PAGE");
    click("Q7");
    EXPECT_EQ(m_Script.m_Calls, (std::vector<std::string>{"1:Q7", "events.GET", "update"}));
    EXPECT_LT(Doc().FindBlock("INT_NEXT_PAGE"), 0);
    m_Panel.OnNotify(98);
    EXPECT_EQ(m_Script.m_Calls.size(), 3u);
}

TEST_F(Messager, ScrollsByItselfOnlyWhenUnpaused)
{
    // Six lines: the last drawn one is below the middle of the panel.
    for (int i = 0; i < 6; ++i)
        Message(("line " + std::to_string(i)).c_str());
    m_Panel.Draw(); // the drawing tells the panel where its last line is
    const int top = Doc().m_Elements[0].Top;
    m_Panel.m_bPaused = 1;
    m_Clock.m_fFrame = 0.5f;
    m_Panel.Run();
    EXPECT_EQ(Doc().m_Elements[0].Top, top);
    m_Panel.m_bPaused = 0;
    m_Panel.Run();
    EXPECT_EQ(Doc().m_Elements[0].Top, top - 8); // one line height x 0.5 s
}

} // namespace
