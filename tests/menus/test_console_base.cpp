// The console base inside a building host (test consoles under the
// consoles' class ids): the link commands of its markup window, the script
// results it shows, the name box's answers (and its one owner), the
// organisation colours, the mechanoid card and the conviction with the
// game-event sink's messages switched off and on again.
#include "ConsoleTestKit.h"
#include "MenuTestKit.h"

#include "common/NullOrganization.h"

#include "app/GameData.h"
#include "app/MMAppEvent.h"
#include "world/GameWorldState.h"
#include "foundation/ClassFactory.h"
#include "menus/QueryMessageBox.h"
#include "menus/SimpleMessageBox.h"
#include "menus/UIMenu.h"
#include "script/game/ScriptBuiltIns.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using menutest::CMenuTest;
using menutest::CTestConsole;

namespace
{
std::string g_PlayerName;

class CTestBuildingUI : public CBuildingUI
{
public:
    SBuildingFacts ReadBuilding(const char*) override { return SBuildingFacts{true, 5, 1}; }
};

class ConsoleBase : public CMenuTest
{
protected:
    void SetUp() override
    {
        CMenuTest::SetUp();
        ResetClassRegistry();
        menutest::RegisterTestConsoles();
        Text("INT_INFO", "Info text", "Info");
        Text("INT_MENU_TEXT_01", "What is your name?", "Name");
        m_Graphic.m_Size = {1024, 768};
        m_Host.Init(&m_Graphic, &m_Input);
        m_Host.SetClock(&m_Clock);
        char building[32] = "HALL";
        m_Host.SetParam(building);
        m_pConsole = static_cast<CTestConsole*>(m_Host.GetCurrent());
        ASSERT_NE(m_pConsole, nullptr);
        m_Scripts.m_Calls.clear();
        g_PlayerName.clear();
        g_ScriptGameCalls.setPlayerName = [](const char* name) { g_PlayerName = name; };
    }
    void TearDown() override
    {
        g_ScriptGameCalls.setPlayerName = nullptr;
        ResetClassRegistry();
        CMenuTest::TearDown();
    }
    std::string Shown() const { return menutest::WindowText(m_pConsole->m_Window); }
    int Blocks() const { return m_pConsole->m_Window.GetDocument()->GetBlockCount(); }
    bool Has(const char* id) const { return menutest::HasBlock(m_pConsole->m_Window, id); }
    void Type(const char* text)
    {
        Frame(m_Host, 0, 0,
              [&]
              {
                  for (const char* p = text; *p; ++p)
                      m_Input.Type(*p);
              });
    }

    CTestBuildingUI m_Host;
    CTestConsole* m_pConsole = nullptr;
};

TEST_F(ConsoleBase, LinkWordsActOnTheWindowAndTheRestRunsScripts)
{
    CTestConsole& c = *m_pConsole;
    c.RunLink("INT_INFO");
    EXPECT_TRUE(Has("INT_INFO"));
    c.RunLink("CLEAR");
    EXPECT_EQ(Blocks(), 0);
    // The game's names fill the placeholders of the markup.
    Text("INT_HELLO", "Hello %NAME, 100%.", "Hello");
    c.RunLink("INT_HELLO");
    EXPECT_NE(Shown().find("Hello Rex, 100%."), std::string::npos) << Shown();
    c.RunLink("clear");

    // "delete" and "close" act on the block whose link was clicked.
    c.RunLink("INT_INFO");
    std::strcpy(c.m_Window.GetDocument()->m_szCurBlockID, "INT_INFO");
    c.RunLink("close");
    EXPECT_EQ(Shown().find("Info text"), std::string::npos) << "collapsed";
    EXPECT_TRUE(Has("INT_INFO"));
    c.RunLink("Delete");
    EXPECT_FALSE(Has("INT_INFO"));

    const int hooks = c.m_nHooks;
    c.RunLink("restart");
    EXPECT_EQ(c.m_nHooks, hooks + 1);

    struct SCall
    {
        const char *link, *script, *procedure, *object;
    };
    const SCall calls[] = {
        // No object: the script manager's current one.
        {"Accept(Q1)", "sample_hall", "Accept", "Q1"},
        {"Refuse", "sample_hall", "Refuse", ""},
        {"npc#Talk(hi)", "npc", "Talk", "hi"},
    };
    for (const SCall& call : calls)
    {
        m_Scripts.m_Calls.clear();
        m_Scripts.m_Current = "sample_hall";
        c.RunLink(call.link);
        ASSERT_EQ(m_Scripts.m_Calls.size(), 1u) << call.link;
        EXPECT_EQ(m_Scripts.m_Calls[0].script, call.script) << call.link;
        EXPECT_EQ(m_Scripts.m_Calls[0].procedure, call.procedure) << call.link;
        EXPECT_EQ(m_Scripts.m_Calls[0].object, call.object) << call.link;
    }
    // An object named in a part stays for the parts after it, also for a
    // text key; a later part may name another.
    m_Scripts.m_Calls.clear();
    c.RunLink("npc#Talk(hi),Bye,INT_INFO,guard#Halt");
    ASSERT_EQ(m_Scripts.m_Calls.size(), 3u);
    EXPECT_EQ(m_Scripts.m_Calls[1].script, "npc");
    EXPECT_EQ(m_Scripts.m_Calls[1].procedure, "Bye");
    EXPECT_EQ(m_Scripts.m_Calls[2].script, "guard");
    EXPECT_TRUE(Has("INT_INFO"));
    // Each call's results show at once.
    m_Scripts.m_OnRun = [this](const menutest::CScriptRecorder::SCall&) { m_Scripts.Add(4, "Q1"); };
    Text("INT_JOURNAL_UPDATED", "Journal updated.");
    c.RunLink("Accept(Q1)");
    EXPECT_NE(Shown().find("Journal updated."), std::string::npos);
    EXPECT_EQ(m_Scripts.m_Results.m_iResultCount, 0);
    // Parts past their bounds are refused whole.
    m_Scripts.m_Calls.clear();
    c.RunLink(("Go(" + std::string(32, 'z') + ")").c_str());
    c.RunLink((std::string(128, 'o') + "#Go").c_str());
    c.RunLink((std::string(32, 'p') + "(x)").c_str());
    EXPECT_TRUE(m_Scripts.m_Calls.empty());
}

// A vital script result during a building's menu: a box inside the console
// in front takes the pending results, and an open box takes later ones.
TEST_F(ConsoleBase, VitalResultsOpenABoxInsideTheConsoleInFront)
{
    m_Scripts.Add(2, "INT_INFO");
    ASSERT_TRUE(m_Host.ShowVitalResults());
    CSimpleMessageBox* box = m_pConsole->m_pResultBox.get();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(m_Host.m_pPopup, box);
    const plat::Rect c = m_pConsole->m_Rect;
    EXPECT_EQ(box->m_Rect, (plat::Rect{c.left + 100, c.top + 50, c.right - 100, c.bottom - 50}));
    EXPECT_TRUE(menutest::HasBlock(*box->m_pText, "INT_INFO"));
    EXPECT_EQ(m_Scripts.m_Results.m_iResultCount, 0);
    m_Scripts.Add(2, "INT_MENU_TEXT_01");
    ASSERT_TRUE(m_Host.ShowVitalResults());
    EXPECT_EQ(m_pConsole->m_pResultBox.get(), box);
    EXPECT_TRUE(menutest::HasBlock(*box->m_pText, "INT_MENU_TEXT_01"));
    Key(m_Host, uicode::kKeyEnter);
    Frame(m_Host);
    EXPECT_EQ(m_pConsole->m_pResultBox, nullptr);
}

TEST_F(ConsoleBase, GetNameOpensTheNameBoxAndOKNamesThePlayer)
{
    CTestConsole& c = *m_pConsole;
    c.RunLink("GetName");
    ASSERT_EQ(m_Scripts.m_Calls.size(), 1u);
    EXPECT_EQ(m_Scripts.m_Calls[0].procedure, "GetName");
    ASSERT_NE(c.m_pNameBox, nullptr);
    EXPECT_EQ(m_Host.m_pPopup, c.m_pNameBox.get());
    EXPECT_EQ(c.m_pNameBox->m_sBoxCaption, "Name");
    EXPECT_EQ(c.m_pNameBox->m_Lines[0], "What is your name?");
    EXPECT_NE(c.m_pNameBox->m_pInput, nullptr);
    EXPECT_TRUE(m_Host.IsBusy());

    Type("Rex");
    Key(m_Host, uicode::kKeyEnter);
    Frame(m_Host); // the screen reports the answer and takes the box off
    EXPECT_EQ(g_PlayerName, "Rex");
    EXPECT_EQ(c.m_sEnteredName, "Rex");
    ASSERT_EQ(m_Scripts.m_Calls.size(), 2u);
    EXPECT_EQ(m_Scripts.m_Calls[1].procedure, "ConfirmName");
    EXPECT_EQ(m_Scripts.m_Calls[1].object, "");
    EXPECT_EQ(c.m_pNameBox, nullptr) << "the box goes once the screen has taken it off";
    EXPECT_EQ(m_Host.m_pPopup, nullptr);
    EXPECT_FALSE(m_Host.IsBusy());
}

TEST_F(ConsoleBase, ACancelledNameBoxIsNeverReadAgain)
{
    CTestConsole& c = *m_pConsole;
    c.RunLink("GetName");
    Type("Ghost");
    Key(m_Host, 1); // Escape
    Frame(m_Host);
    EXPECT_EQ(c.m_pNameBox, nullptr);
    EXPECT_EQ(g_PlayerName, "");
    // A later answer of another popup reads nothing of the old box.
    c.OnCommand(CGMenu::kPopupAnswered, 1);
    c.OnCommand(CGMenu::kPopupRemoved, 1);
    EXPECT_EQ(g_PlayerName, "");
    // A second box works as the first.
    c.RunLink("GetName");
    Type("Ann");
    Key(m_Host, uicode::kKeyEnter);
    Frame(m_Host);
    EXPECT_EQ(g_PlayerName, "Ann");
    // Twice in a row: the first box goes when the second comes.
    c.RunLink("GetName");
    c.RunLink("GetName");
    EXPECT_EQ(m_Host.m_pPopup, c.m_pNameBox.get());
    EXPECT_EQ(c.GetChildCount(), 2) << "the window and one box";
}

// The clan-name box names the player's clan in the progress data; a
// cancelled one leaves the name as it was.
TEST_F(ConsoleBase, TheClanNameBoxNamesThePlayersClan)
{
    const CXAnsiString saved = g_GameData.m_ClanName;
    g_GameData.m_ClanName = "Old";
    CTestConsole& c = *m_pConsole;
    c.OpenNameBox(true);
    Type("Ghost");
    Key(m_Host, 1); // Escape
    Frame(m_Host);
    EXPECT_STREQ(g_GameData.m_ClanName.GetText(), "Old");
    c.OpenNameBox(true);
    Type("Wolves");
    Key(m_Host, uicode::kKeyEnter);
    Frame(m_Host);
    EXPECT_STREQ(g_GameData.m_ClanName.GetText(), "Wolves");
    EXPECT_EQ(g_PlayerName, "") << "the player's own name stays";
    g_GameData.m_ClanName = saved;
}

TEST_F(ConsoleBase, ThePopupOpenBeforeTheNameBoxComesBack)
{
    CTestConsole& c = *m_pConsole;
    m_Scripts.Add(10, "", 1);
    c.ViewScriptResult();
    EXPECT_EQ(m_Host.m_pPopup, &c.m_Window);
    EXPECT_EQ(m_Host.m_nPopupHalo, 1);
    m_Host.SetPopupHalo(0);
    c.RunLink("GetName");
    Key(m_Host, 1);
    Frame(m_Host);
    EXPECT_EQ(m_Host.m_pPopup, &c.m_Window);
    EXPECT_EQ(m_Host.m_nPopupHalo, 1);
    m_Scripts.Add(10, "", 0);
    c.ViewScriptResult();
    EXPECT_EQ(m_Host.m_pPopup, nullptr);
}

TEST_F(ConsoleBase, ScriptResultsShowInTheConsole)
{
    Text("INT_JOURNAL_UPDATED", "Journal updated.");
    Text("INT_PLAYER_GOT_OBJECT", "Got %OBJECTNAME.");
    Text("INT_PLAYER_GOT_OBJECT_MULTY", "Got %OBJECTCOUNT %OBJECTNAME.");
    Text("INT_PLAYER_GAVE_OBJECT_MULTY", "Gave %OBJECTCOUNT %OBJECTID.");
    Text("INT_PLAYER_ADD_BALANCE", "Paid %COUNT.");
    Text("INT_KEY_ADD", "Key to %s.");
    Text("INT_KEY_ADD_MULTY", "Keys to %s %s %d.");
    Text("LOC_NORTH", "", "North");
    Text("TOV_CRYSTAL", "Crystal");
    Text("INT_OTHER", "Other text", "Other");
    CTestConsole& c = *m_pConsole;
    m_Scripts.Add(3, "INT_INFO", 0, "sample_hall");
    m_Scripts.Add(3, "INT_OTHER");
    m_Scripts.Add(4, "Q1");
    m_Scripts.Add(6, "INT_OTHER");
    m_Scripts.Add(7, "TOV_CRYSTAL", 1);
    m_Scripts.Add(7, "TOV_CRYSTAL", 2);
    m_Scripts.Add(8, "TOV_CRYSTAL", 5);
    m_Scripts.Add(9, "", 300);
    m_Scripts.Add(11, "SPEECH");
    m_Scripts.Add(12, "LOC_NORTH", 0);
    m_Scripts.Add(12, "LOC_NORTH", 3);
    m_Scripts.Add(99, "INT_NOTHING");
    c.ViewScriptResult();
    EXPECT_EQ(m_Scripts.m_Results.m_iResultCount, 0);
    EXPECT_TRUE(Has("INT_INFO"));
    EXPECT_TRUE(Has("INT_OTHER"));
    const std::string shown = Shown();
    for (const char* part : {"Info text", "Journal updated.", "Got Crystal.", "Got 2 Crystal.",
                             "Gave 5 TOV_CRYSTAL.", "Paid 300.", "Key to North.", "Keys to North %s %d."})
        EXPECT_NE(shown.find(part), std::string::npos) << part << " in " << shown;
    EXPECT_EQ(shown.find("Other text"), std::string::npos) << "collapsed by type 6";
    EXPECT_EQ(shown.find("SPEECH"), std::string::npos);
    EXPECT_EQ(shown.find("NOTHING"), std::string::npos);

    // Type 5: "ALL" (exactly) empties, another name deletes its block.
    m_Scripts.Add(5, "INT_OTHER");
    c.ViewScriptResult();
    EXPECT_FALSE(Has("INT_OTHER"));
    EXPECT_TRUE(Has("INT_INFO"));
    m_Scripts.Add(5, "All");
    c.ViewScriptResult();
    EXPECT_TRUE(Has("INT_INFO"));
    m_Scripts.Add(5, "ALL");
    c.ViewScriptResult();
    EXPECT_EQ(Blocks(), 0);
}

TEST(RelationColour, ThresholdsOfTheOrganisationPage)
{
    struct SCase
    {
        float relation;
        const char* colour;
    };
    for (const SCase& c :
         {SCase{0.8f, "green"}, SCase{0.01f, "green"}, SCase{0.0f, "white"}, SCase{-0.3f, "white"},
          SCase{-0.31f, "yellow"}, SCase{-0.5f, "yellow"}, SCase{-0.51f, "red"}})
        EXPECT_STREQ(CGMenu::RelationColour(c.relation), c.colour) << c.relation;
}

// The sink: a conviction moves the mech into the asking clan, or fails; it
// notes whether its messages were on while the scripts ran.
class CConvictingSink : public CMMAppEvent
{
public:
    void OnScriptEvent(const char*, const char* event, const char argument[32]) override
    {
        m_MessagesOn.push_back(m_bMessagesEnabled);
        if (m_bThrow) throw std::runtime_error("script failed");
        if (std::strcmp(event, "OnTryConvict") == 0 && m_pMech && m_bAccept)
            std::snprintf(m_pMech->m_szOrg, sizeof m_pMech->m_szOrg, "%.31s", argument);
        if (m_pScripts && m_nResultType) m_pScripts->Add(m_nResultType, "INT_INFO");
    }
    CMech* m_pMech = nullptr;
    menutest::CScriptRecorder* m_pScripts = nullptr;
    bool m_bThrow = false, m_bAccept = true;
    int m_nResultType = 0;
    std::vector<bool> m_MessagesOn;
    // Every script event of the conviction ran with the messages off.
    bool QuietWhileItRan() const
    {
        return !m_MessagesOn.empty() && std::find(m_MessagesOn.begin(), m_MessagesOn.end(), true) == m_MessagesOn.end();
    }
};

class Conviction : public ConsoleBase
{
protected:
    void SetUp() override
    {
        ConsoleBase::SetUp();
        m_saved = {g_pWorld, g_pAppEvent, g_pPlayerGlider};
        g_pWorld = &m_World;
        g_pAppEvent = &m_Sink;
        g_pPlayerGlider = &m_Glider;
        m_Glider.m_pMechanoid = &m_Mechanoid;
        m_Mechanoid.m_Garbage.m_fMoney = 5000.0f;
        std::strcpy(m_Player.m_szOrg, "ORG_PLAYER");
        m_World.SetPlayerMech(&m_Player);
        m_pMech = m_World.AddMech("M1");
        std::strcpy(m_pMech->m_szName, "Bolt");
        std::strcpy(m_pMech->m_szOrg, "ORG_SAMPLE");
        m_pMech->m_nLevel = 3;
        m_pMech->m_fLevel = 3.0f;
        m_Sink.m_pMech = m_pMech;
        m_Sink.m_pScripts = &m_Scripts;
        for (int i = 32; i <= 44; ++i)
        {
            const std::string key = "INT_MENU_TEXT_" + std::to_string(i);
            Text(key.c_str(), i == 34 ? "Level %d. " : (i == 44 ? "Price %d." : (i == 43 ? "(%d) " : "")));
        }
        Text("INT_MENU_TEXT_39", "free");
        Text("INT_MENU_TEXT_45", "%s joins you.", "Convicted");
    }
    void TearDown() override
    {
        m_World.SetPlayerMech(nullptr);
        g_pWorld = m_saved.world;
        g_pAppEvent = m_saved.sink;
        g_pPlayerGlider = m_saved.glider;
        ConsoleBase::TearDown();
    }

    struct
    {
        CWorld* world;
        IMMAppEvent* sink;
        CGliderObject* glider;
    } m_saved{};
    CWorld m_World;
    CPlayerMech m_Player;
    CMech* m_pMech = nullptr;
    CConvictingSink m_Sink;
    CGliderObject m_Glider;
    CMechanoid m_Mechanoid;
};

// An organisation of the world with the counters the test gives it.
class CFakeOrganisation : public testutil::CNullOrganization
{
public:
    using CNullOrganization::CNullOrganization;
    int GetPower() override { return 42; }
    void SetFunds(double funds) override { m_dFunds = funds; }
    double GetFunds() override { return m_dFunds; }
    void GetCounters(std::int32_t out[8]) override { std::memcpy(out, m_Counters, sizeof m_Counters); }
    const char* GetLeaderId() override { return "M1"; }
    const char* GetStatName() override { return "ORG_SAMPLE_MOTTO"; }
    float GetStatValue() override { return m_fValue; }

    std::int32_t m_Counters[8] = {9, 4, 2, 1, 1, 1, 0, 0};
    double m_dFunds = 0.0;
    float m_fValue = 0.0f;
};

TEST_F(Conviction, TheOrganisationPageHasItsBlocks)
{
    auto* sample = new CFakeOrganisation("ORG_SAMPLE");
    sample->m_fValue = 250.0f; // at war: two more hours
    sample->m_dFunds = 9.0 * 2500.0;
    m_World.m_Organizations.emplace_back(sample);
    m_World.m_Organizations.emplace_back(new CFakeOrganisation("ORG_MERCHANTS"));
    Text("ORG_SAMPLE", "", "Sample clan");
    Text("INT_MENU_TEXT_02", "State: ");
    Text("INT_MENU_TEXT_04", "war");
    Text("INT_MENU_TEXT_08", "Hours left %d.<br>");
    Text("INT_MENU_TEXT_09", "Leader: ");
    Text("INT_MENU_TEXT_13", "Power %.0f. ");
    Text("INT_MENU_TEXT_17", "Economy %.1f. ");
    Text("INT_MENU_TEXT_19", "rich");
    Text("INT_MENU_TEXT_21", "trading");
    Text("INT_MENU_TEXT_27", "Active %d, killed %d.", "Mechanoids");
    Text("INT_MENU_TEXT_29", "All %d.");
    Text("INT_MENU_TEXT_30", "Offer");
    Text("INT_MENU_TEXT_31", "Join %s %s %d!");
    m_pConsole->ShowOrgInfo("ORG_SAMPLE", false);
    for (const char* block : {"clan", "econom", "relation", "gliders", "mechanoids"})
        EXPECT_TRUE(Has(block)) << block;
    const std::string shown = Shown();
    for (const char* part :
         {"SAMPLE CLAN", "State:", "war", "Hours left 3.", "Bolt", "Power 42.", "Join ORG_SAMPLE %s %d!"})
        EXPECT_NE(shown.find(part), std::string::npos) << part << " in " << shown;
    // The blocks after the first start collapsed.
    EXPECT_EQ(shown.find("Economy"), std::string::npos);
    EXPECT_EQ(shown.find("Active 4"), std::string::npos);
    EXPECT_NE(shown.find("MECHANOIDS"), std::string::npos);
    EXPECT_EQ(m_pConsole->m_OrgStats.counters[0], 9);

    // Asked with the flag, or by a poorer player: no offer.
    m_pConsole->ShowOrgInfo("ORG_SAMPLE", true);
    EXPECT_EQ(Shown().find("Join"), std::string::npos);
    m_Mechanoid.m_Garbage.m_fMoney = 2000.0f;
    m_pConsole->ShowOrgInfo("ORG_SAMPLE", false);
    EXPECT_EQ(Shown().find("Join"), std::string::npos);
    // An organisation the world lacks leaves the page as it was.
    m_pConsole->ShowOrgInfo("ORG_NONE", false);
    EXPECT_TRUE(Has("clan"));
}

TEST_F(Conviction, TheCardShowsThePriceOnlyForAnotherClansMechanoid)
{
    const std::string card = m_pConsole->GetMechInfo("Bolt");
    EXPECT_NE(card.find("Bolt"), std::string::npos);
    EXPECT_NE(card.find("Level 3."), std::string::npos);
    EXPECT_NE(card.find("free"), std::string::npos);
    EXPECT_NE(card.find("Price 3710."), std::string::npos) << card;
    std::strcpy(m_pMech->m_szOrg, "ORG_PLAYER");
    EXPECT_EQ(m_pConsole->GetMechInfo("M1").find("Price"), std::string::npos);
    EXPECT_EQ(m_pConsole->GetMechInfo("NOBODY"), "");
}

TEST_F(Conviction, AConvictedMechanoidCostsItsPriceAndSaysSo)
{
    m_pConsole->ConvictMech("M1");
    EXPECT_STREQ(m_pMech->m_szOrg, "ORG_PLAYER");
    EXPECT_FLOAT_EQ(m_Mechanoid.m_Garbage.m_fMoney, 5000.0f - 3710.0f);
    EXPECT_TRUE(m_Sink.QuietWhileItRan());
    EXPECT_TRUE(m_Sink.m_bMessagesEnabled);
    ASSERT_NE(m_pConsole->m_pNoteBox, nullptr);
    EXPECT_EQ(m_Host.m_pPopup, m_pConsole->m_pNoteBox.get());
    EXPECT_EQ(m_pConsole->m_pNoteBox->m_Lines[0], "Bolt joins you.");
    EXPECT_EQ(m_pConsole->m_pNoteBox->m_pCancel, nullptr);
    Key(m_Host, uicode::kKeyEnter);
    Frame(m_Host);
    EXPECT_EQ(m_pConsole->m_pNoteBox, nullptr);
    // Already the player's: nothing more to pay.
    m_pConsole->ConvictMech("M1");
    EXPECT_FLOAT_EQ(m_Mechanoid.m_Garbage.m_fMoney, 1290.0f);
}

TEST_F(Conviction, ScriptResultsOfTheAttemptShowInABoxOverTheConsole)
{
    m_Sink.m_bAccept = false;
    m_Sink.m_nResultType = 3;
    m_pConsole->ConvictMech("M1");
    EXPECT_FLOAT_EQ(m_Mechanoid.m_Garbage.m_fMoney, 5000.0f);
    ASSERT_NE(m_pConsole->m_pResultBox, nullptr);
    EXPECT_EQ(m_Host.m_pPopup, m_pConsole->m_pResultBox.get());
    const plat::Rect c = m_pConsole->m_Rect;
    EXPECT_EQ(m_pConsole->m_pResultBox->m_Rect,
              (plat::Rect{c.left + 100, c.top + 50, c.right - 100, c.bottom - 50}));
    EXPECT_TRUE(menutest::HasBlock(*m_pConsole->m_pResultBox->m_pText, "INT_INFO"));
    EXPECT_EQ(m_Scripts.m_Results.m_iResultCount, 0);
    Key(m_Host, uicode::kKeyEnter);
    Frame(m_Host);
    EXPECT_EQ(m_pConsole->m_pResultBox, nullptr);
    EXPECT_EQ(m_Host.m_pPopup, nullptr);

    // A single journal line is no reason for a box.
    m_Sink.m_nResultType = 4;
    m_pConsole->ConvictMech("M1");
    EXPECT_EQ(m_pConsole->m_pResultBox, nullptr);
    EXPECT_EQ(m_Scripts.m_Results.m_iResultCount, 0);
}

TEST_F(Conviction, AFailingAttemptStillTurnsTheSinksMessagesBackOn)
{
    m_Sink.m_bThrow = true;
    EXPECT_THROW(m_pConsole->ConvictMech("M1"), std::runtime_error);
    EXPECT_TRUE(m_Sink.QuietWhileItRan());
    EXPECT_TRUE(m_Sink.m_bMessagesEnabled);
    EXPECT_STREQ(m_pMech->m_szOrg, "ORG_SAMPLE");
    EXPECT_FLOAT_EQ(m_Mechanoid.m_Garbage.m_fMoney, 5000.0f);
}
} // namespace
