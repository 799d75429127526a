// The quest console on the shared fixture: the entry events once per visit
// and again after an owner change, the quest list built from the script
// results, the link tokens, the status panel's repair and trade-level
// lines.
#include "common/ConsoleFixture.h"

#include "consoles/GCQuest.h"
#include "menus/MenuButton.h"
#include "ui/markup/HTMLWnd.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

class QuestConsole : public consoletest::CConsoleTest
{
protected:
    CGCQuest& Quest() { return *Console<CGCQuest>(CUIMenu::kTabQuest); }
    static std::string Text(const CHTMLWnd* window) { return menutest::WindowText(*window); }
    using consoletest::CConsoleTest::Text;
    // A link of a window chosen, as a click sends it.
    void Choose(CHTMLWnd* window, const std::string& target)
    {
        window->m_sNotifyTarget = target;
        Quest().OnCommand(CHTMLWnd::kNotifyLink, 0);
    }
};

TEST_F(QuestConsole, TheEntryEventsRunOncePerVisitAndAgainAfterAnOwnerChange)
{
    AddMech("M_CARRIED", "ORG_PLAYER");
    AddCargo("M_CARRIED", 1, 0, 0.0f, ITEM_MECHANOID);
    AddCargo("M_UNKNOWN", 1, 0, 0.0f, ITEM_MECHANOID); // the world lacks it: skipped
    OpenHost();
    ASSERT_EQ(m_pHost->GetCurrent(), &Quest());
    EXPECT_EQ(m_ConsoleScripts.Count("OnEnterBuild"), 1);
    ASSERT_EQ(m_ConsoleScripts.Count("OnPlayerMechCommit"), 1);
    const auto& first = m_ConsoleScripts.m_Events[0];
    EXPECT_EQ(first.object, "M_CARRIED");
    EXPECT_EQ(first.param, kHall);
    EXPECT_EQ(m_ConsoleScripts.m_Events[1].object, kHall);

    ShowTab(CUIMenu::kTabTrade);
    ShowTab(CUIMenu::kTabQuest);
    EXPECT_EQ(m_ConsoleScripts.Count("OnEnterBuild"), 1) << "the same visit, the same owner";

    SetOwner("ORG_PLAYER");
    ShowTab(CUIMenu::kTabTrade);
    ShowTab(CUIMenu::kTabQuest);
    EXPECT_EQ(m_ConsoleScripts.Count("OnEnterBuild"), 2);

    OpenHost(); // the next visit
    EXPECT_EQ(m_ConsoleScripts.Count("OnEnterBuild"), 3);
}

TEST_F(QuestConsole, TheQuestListFollowsTheScriptResults)
{
    Text("Q_A", "", "Find the ore");
    m_ConsoleScripts.m_OnEvent = [&](const consoletest::CConsoleScripts::SEvent& e)
    {
        if (e.event != "OnEnterBuild") return;
        m_ConsoleScripts.Add(1, "Q_A", 0, "hall_script");
        m_ConsoleScripts.Add(1, "Q_A", 0, "hall_script"); // listed already
        m_ConsoleScripts.Add(1, "Q_B", 0, "hall_script");
        m_ConsoleScripts.Add(3, "HALL_PAGE"); // for the page window
    };
    OpenHost();
    CGCQuest& q = Quest();
    CHTMLScrollWnd* list = q.GetQuestList();
    EXPECT_TRUE(menutest::HasBlock(*list, "Q_A"));
    EXPECT_TRUE(menutest::HasBlock(*list, "Q_B"));
    EXPECT_EQ(list->GetDocument()->GetBlockCount(), 2);
    EXPECT_EQ(Text(list), "Find the ore Q_B");
    EXPECT_TRUE(menutest::HasBlock(*q.GetPage(), "HALL_PAGE"));
    EXPECT_EQ(m_ConsoleScripts.m_Results.m_iResultCount, 0) << "shown and taken";

    // A quest link runs the quest's procedure of its script.
    m_ConsoleScripts.m_Calls.clear();
    Choose(list, "hall_script#OnQuest(Q_A)");
    ASSERT_EQ(m_ConsoleScripts.m_Calls.size(), 1u);
    EXPECT_EQ(m_ConsoleScripts.m_Calls[0].script, "hall_script");
    EXPECT_EQ(m_ConsoleScripts.m_Calls[0].procedure, "OnQuest");
    EXPECT_EQ(m_ConsoleScripts.m_Calls[0].object, "Q_A");

    m_ConsoleScripts.Add(0, "Q_A");
    q.ViewScriptResult();
    EXPECT_FALSE(menutest::HasBlock(*list, "Q_A"));
    EXPECT_TRUE(menutest::HasBlock(*list, "Q_B"));
    m_ConsoleScripts.Add(0, "ALL_GENERATED");
    q.ViewScriptResult();
    EXPECT_EQ(list->GetDocument()->GetBlockCount(), 0);
}

TEST_F(QuestConsole, TheRepairTokenInACommaListOpensTheGarage)
{
    Text("INT_QUEST_CAPTION_03", "Repair the glider");
    DamageGlider(10.0f);
    OpenHost({CUIMenu::kTabGarage});
    CGCQuest& q = Quest();
    ASSERT_NE(m_pHost->GetConsole(CUIMenu::kTabGarage), nullptr);
    EXPECT_TRUE(menutest::HasBlock(*q.GetStatus(), "repair"));
    EXPECT_NE(Text(q.GetStatus()).find("Repair the glider."), std::string::npos) << Text(q.GetStatus());

    // A token past 255 characters is not read; the others are.
    const std::string target = std::string(300, 'x') + ",clear,REPAIR";
    Choose(q.GetStatus(), target);
    EXPECT_FALSE(menutest::HasBlock(*q.GetStatus(), "repair"));
    EXPECT_EQ(m_pHost->GetCurrent(), m_pHost->GetConsole(CUIMenu::kTabGarage));
    EXPECT_NE(ReadText("error.log").find("a link token of 300 characters"), std::string::npos);

    // Still damaged: the line is back at the next activation.
    ShowTab(CUIMenu::kTabQuest);
    EXPECT_TRUE(menutest::HasBlock(*q.GetStatus(), "repair"));
}

TEST_F(QuestConsole, WithoutAGarageTabThereIsNoRepairLine)
{
    consoletest::g_Building.type = 2; // a trading building without a garage
    DamageGlider(150.0f);
    OpenHost();
    EXPECT_EQ(m_pHost->GetConsole(CUIMenu::kTabGarage), nullptr);
    EXPECT_FALSE(menutest::HasBlock(*Quest().GetStatus(), "repair"));
    Choose(Quest().GetStatus(), "repair");
    EXPECT_EQ(m_pHost->GetCurrent(), &Quest());
}

TEST_F(QuestConsole, TradeLevelLinesAtTheirBoundaries)
{
    struct SCase
    {
        float level;
        const char* line;
    };
    const SCase cases[] = {
        {0.0f, "<icon:POINT><color=red>out<color><br>"},
        {0.01f, "<icon:POINT><color=red>out<color><br>"},
        {0.011f, "<icon:POINT><color=red> Trade   1%<color><br>"},
        {0.15f, "<icon:POINT><color=red> Trade  15%<color><br>"},
        {0.151f, "<icon:POINT><color=yellow> Trade  15%<color><br>"},
        {0.5f, "<icon:POINT><color=yellow> Trade  50%<color><br>"},
        {0.79f, "<icon:POINT><color=white> Trade  79%<color><br>"},
        {0.8f, "<icon:POINT><color=green> Trade  80%<color><br>"},
        {1.0f, "<icon:POINT><color=green> Trade 100%<color><br>"},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(CGCQuest::TradeLevelLine(c.level, "Trade ", "out"), c.line) << c.level;
}

TEST_F(QuestConsole, TheStatusShowsTheHallsTradeLevelOrTheNoTradeText)
{
    Text("INT_QUEST_CAPTION_04", "Glider in order");
    Text("INT_QUEST_CAPTION_06", "Trade ");
    Text("INT_QUEST_CAPTION_07", "No trade here");
    m_pHallTrade->m_fTurnover = 2500.0f; // twice that over 10000: 0.5
    OpenHost({CUIMenu::kTabGarage});
    EXPECT_NE(Text(Quest().GetStatus()).find("Glider in order."), std::string::npos) << Text(Quest().GetStatus());
    EXPECT_NE(Text(Quest().GetStatus()).find("Trade  50%"), std::string::npos) << Text(Quest().GetStatus());

    // A building of type 5 has no trade line, though it has a trade tab.
    consoletest::g_Building.type = 5;
    OpenHost();
    ASSERT_NE(m_pHost->GetConsole(CUIMenu::kTabTrade), nullptr);
    EXPECT_NE(Text(Quest().GetStatus()).find("No trade here"), std::string::npos) << Text(Quest().GetStatus());
    EXPECT_EQ(Text(Quest().GetStatus()).find("Trade "), std::string::npos);
}

} // namespace
