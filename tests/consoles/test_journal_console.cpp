// The journal console in the hall's building menu: the journal's four
// colour passes, the quests page with its time left, the statistics lines,
// the link commands and the tabs' sounds.
#include "common/ConsoleFixture.h"

#include "consoles/GCLog.h"
#include "menus/MenuButton.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"

#include <cstring>
#include <string>
#include <vector>

namespace
{

using consoletest::CConsoleTest;

class JournalConsole : public CConsoleTest
{
protected:
    void SetUp() override
    {
        CConsoleTest::SetUp();
        m_savedLog = g_pQuestLog;
        g_pQuestLog = &m_Log;
    }
    void TearDown() override
    {
        g_pQuestLog = m_savedLog;
        CConsoleTest::TearDown();
    }

    CGCLog& Open()
    {
        OpenHost();
        CGCLog* log = Console<CGCLog>(CUIMenu::kTabLog);
        EXPECT_NE(log, nullptr);
        ShowTab(CUIMenu::kTabLog);
        return *log;
    }
    // A journal record of that kind, new or not.
    void Entry(const char* name, std::uint8_t kind, bool fresh)
    {
        m_Log.AddEntry(name);
        SQuestEntry* e = m_Log.FindEntry(name);
        ASSERT_NE(e, nullptr);
        e->state = kind;
        e->updated = fresh ? 1 : 0;
    }
    // The link targets of a window, in order.
    static std::vector<std::string> Links(CHTMLWnd& window)
    {
        std::vector<std::string> out;
        const CHTMLObject* document = window.GetDocument();
        for (int b = 0; b < document->GetBlockCount(); ++b)
        {
            const SHTMLBlock& block = document->GetBlocks()[b];
            for (int i = block.first; i <= block.last; ++i)
                if (document->m_Elements[std::size_t(i)].Type == SHTMLElement::kLink &&
                    (out.empty() || out.back() != document->m_Elements[std::size_t(i)].Kind))
                    out.push_back(document->m_Elements[std::size_t(i)].Kind);
        }
        return out;
    }
    static std::vector<std::string> BlockIds(CHTMLWnd& window)
    {
        std::vector<std::string> out;
        const CHTMLObject* document = window.GetDocument();
        // A heading and its text are two blocks of one id; "EMPTY" holds
        // lines without an id.
        for (int b = 0; b < document->GetBlockCount(); ++b)
        {
            const std::string id = document->GetBlocks()[b].id;
            if (id != "EMPTY" && (out.empty() || out.back() != id)) out.push_back(id);
        }
        return out;
    }
    static std::string AllText(CHTMLWnd& window)
    {
        std::string out;
        const CHTMLObject* document = window.GetDocument();
        for (int b = 0; b < document->GetBlockCount(); ++b)
        {
            const SHTMLBlock& block = document->GetBlocks()[b];
            for (int i = block.first; i <= block.last; ++i)
                if (document->m_Elements[std::size_t(i)].Type == SHTMLElement::kText)
                    out += document->m_Elements[std::size_t(i)].Text + " ";
        }
        return out;
    }
    void Link(CGCLog& log, const char* text)
    {
        log.m_pList->m_sNotifyTarget = text;
        log.OnCommand(CHTMLWnd::kNotifyLink, 0);
    }

    CQuestLog m_Log;
    IQuestLog* m_savedLog = nullptr;
};

TEST_F(JournalConsole, TheJournalListsNewRecordsFirstThenKindsOneZeroTwoNewestFirst)
{
    CGCLog& log = Open();
    EXPECT_EQ(m_ConsoleScripts.Count("OnEnterLog"), 1);
    EXPECT_EQ(log.m_nPage, 2);
    EXPECT_TRUE(Links(*log.m_pList).empty());
    Entry("Q_OLD_WHITE", 0, false);
    Entry("Q_BLUE", 1, false);
    Entry("Q_NEW_1", 0, true);
    Entry("Q_GREEN", 2, false);
    Entry("Q_BLUE_2", 1, false);
    Entry("Q_NEW_2", 2, true);
    Entry("Q_OTHER_KIND", 5, false);
    log.RefreshHTML();
    EXPECT_EQ(Links(*log.m_pList), (std::vector<std::string>{"QUESTQ_NEW_2", "QUESTQ_NEW_1", "QUESTQ_BLUE_2",
                                                              "QUESTQ_BLUE", "QUESTQ_OLD_WHITE", "QUESTQ_GREEN"}));
    // The newest new record is shown, and is new no more.
    EXPECT_EQ(BlockIds(*log.m_pDetail), (std::vector<std::string>{"Q_NEW_2"}));
    EXPECT_EQ(m_Log.FindEntry("Q_NEW_2")->updated, 0);
    EXPECT_EQ(m_Log.FindEntry("Q_NEW_1")->updated, 1);
}

TEST_F(JournalConsole, TheQuestsPageShowsOpenQuestsAndTheTimeLeft)
{
    m_Log.AddQuest("Q_DONE", "Q_DONE_TEXT", 1, "");
    m_Log.SetQuestCompleted("Q_DONE");
    m_Log.AddQuest("Q_RUN", "Q_RUN_TEXT", 2, "T_RUN");
    m_Log.AddQuest("Q_SIT", "Q_SIT_TEXT", 3, "");
    m_Log.AddPart("Q_RUN", "Q_RUN_PART");
    Text("INT_TIMELEFT", "Left: %d h %d min %s", "");
    CGCLog& log = Open();
    SScriptTimer timer{};
    timer.fireDay = 10.0f + 1.5f / 24.0f;
    log.m_FindTimer = [&](const char* name) { return std::strcmp(name, "T_RUN") == 0 ? &timer : nullptr; };
    log.m_GameClock = [] { return 10.0f; };
    log.OnCommand(CGCLog::kQuestsTab, 0);
    EXPECT_EQ(Links(*log.m_pList), (std::vector<std::string>{"QUESTQ_RUN", "QUESTQ_SIT"}));
    ASSERT_FALSE(BlockIds(*log.m_pDetail).empty());
    EXPECT_EQ(BlockIds(*log.m_pDetail).front(), "Q_RUN_TEXT");
    // The text's third conversion has no value: it stays as written.
    EXPECT_NE(AllText(*log.m_pDetail).find("Left: 1 h 30 min %s"), std::string::npos) << AllText(*log.m_pDetail);

    // No running timer: no line.
    log.m_FindTimer = [](const char*) { return nullptr; };
    log.ShowQuest("Q_RUN");
    EXPECT_EQ(AllText(*log.m_pDetail).find("Left:"), std::string::npos);

    int hours = 0, minutes = 0;
    CGCLog::TimeLeft(2.0f + 1.5f / 24.0f, 2.0f, &hours, &minutes);
    EXPECT_EQ(hours, 1);
    EXPECT_EQ(minutes, 30);
}

TEST_F(JournalConsole, StatisticsLinesTakeTheirFormats)
{
    CGCLog& log = Open();
    log.m_Stats = SGameStatistics{};
    EXPECT_EQ(log.StatLines("GlidersStat").front(),
              "INT_LOG_TEXT_03<halign=right><color:green>    0<color></halign>");
    SGrowArray<SOrgKills> kills;
    SOrgKills k;
    std::strcpy(k.organisation, "ORG_WOLVES");
    k.kills = 4;
    kills.Append(k);
    log.m_Stats.kills = &kills;
    log.m_Stats.weaponRatios[0] = 0.425f;
    log.m_Stats.weaponsFired[2] = 17;
    log.m_Stats.playerShare = 0.5f;
    const std::vector<std::string> gliders = log.StatLines("GlidersStat");
    ASSERT_EQ(gliders.size(), 4u);
    EXPECT_EQ(gliders[0], "INT_LOG_TEXT_03<halign=right><color:green>    4<color></halign>INT_LOG_TEXT_04");
    EXPECT_EQ(gliders[1], "        ORG_WOLVES<halign=right><color:green>    4<color></halign>");
    const std::vector<std::string> fight = log.StatLines("FightStat");
    ASSERT_EQ(fight.size(), 8u);
    EXPECT_EQ(fight[0], "INT_LOG_TEXT_08<color:green><halign=right>   42%<color></halign>");
    EXPECT_EQ(fight[7], "INT_LOG_TEXT_07<color:green><halign=right>   17<color></halign>");
    EXPECT_EQ(log.StatLines("RatingStat").size(), 11u);
    EXPECT_EQ(log.StatLines("ClanStat").front(), "INT_LOG_TEXT_30<color:green><halign=right>   50%<color></halign>");
    EXPECT_TRUE(log.StatLines("NoSuchStat").empty());

    // "AllStat" shows the six groups in their order, each once.
    log.OnCommand(CGCLog::kStatisticsTab, 0);
    EXPECT_EQ(BlockIds(*log.m_pDetail), (std::vector<std::string>{"GlidersStat", "FightStat", "TradeStat",
                                                                   "QuestStat", "RatingStat", "ClanStat"}));
    EXPECT_EQ(Links(*log.m_pList).size(), 7u);
    log.m_Stats.kills = nullptr;
}

TEST_F(JournalConsole, LinkCommandsRunLeftToRight)
{
    m_Log.AddQuest("Q_ONE", "Q_ONE_TEXT", 1, "");
    const std::string longName(31, 'L');
    m_Log.AddQuest(longName.c_str(), "Q_LONG_TEXT", 2, "");
    CGCLog& log = Open();

    Link(log, "clear,QUESTQ_ONE");
    EXPECT_EQ(BlockIds(*log.m_pDetail), (std::vector<std::string>{"Q_ONE_TEXT"}));
    // A quest name of 31 characters fits (the command is longer than 34).
    Link(log, ("QUEST" + longName).c_str());
    EXPECT_EQ(BlockIds(*log.m_pDetail), (std::vector<std::string>{"Q_LONG_TEXT"}));
    // "delete" acts on the block shown, not on an emptied window.
    std::strcpy(log.m_pDetail->GetDocument()->m_szCurBlockID, "Q_LONG_TEXT");
    Link(log, "delete");
    EXPECT_TRUE(BlockIds(*log.m_pDetail).empty());

    m_ConsoleScripts.m_Calls.clear();
    Link(log, "Reward(gold),Thanks");
    ASSERT_EQ(m_ConsoleScripts.m_Calls.size(), 2u);
    EXPECT_EQ(m_ConsoleScripts.m_Calls[0].procedure, "Reward");
    EXPECT_EQ(m_ConsoleScripts.m_Calls[0].object, "gold");
    EXPECT_EQ(m_ConsoleScripts.m_Calls[1].procedure, "Thanks");
    EXPECT_EQ(m_ConsoleScripts.m_Calls[1].object, "");

    // A link runs once: the console base does not run it again.
    m_ConsoleScripts.m_Calls.clear();
    Link(log, "Once");
    EXPECT_EQ(m_ConsoleScripts.m_Calls.size(), 1u);
}

TEST_F(JournalConsole, OnlyAChangedPagePlaysTheFolderSound)
{
    CGCLog& log = Open();
    EXPECT_EQ(m_Events.Played("SND_I_FOLDER"), 0);
    log.OnCommand(CGCLog::kJournalTab, 0);
    EXPECT_EQ(m_Events.Played("SND_I_FOLDER"), 0);
    log.OnCommand(CGCLog::kStatisticsTab, 0);
    EXPECT_EQ(m_Events.Played("SND_I_FOLDER"), 1);
    EXPECT_TRUE(log.m_pTabs[2]->m_bSelected);
    EXPECT_FALSE(log.m_pTabs[1]->m_bSelected);
}

} // namespace
