// The information console in the hall's building menu: link tokens, the
// tickets and subscriptions bought for exactly the money there is, names
// cut to 31 characters, the mechanoid search and its card's states, the
// map entry, and purchases that never take money the player has not got.
#include "common/ConsoleFixture.h"

#include "consoles/GCInfo.h"
#include "menus/QueryMessageBox.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"

#include <map>
#include <string>
#include <vector>

namespace
{

using consoletest::CConsoleTest;

class InfoConsole : public CConsoleTest
{
protected:
    void SetUp() override
    {
        CConsoleTest::SetUp();
        std::snprintf(m_World.m_szLocationName, sizeof m_World.m_szLocationName, "%s", "north");
    }
    CGCInfo& Open()
    {
        OpenHost();
        CGCInfo* info = Console<CGCInfo>(CUIMenu::kTabInfo);
        EXPECT_NE(info, nullptr);
        ShowTab(CUIMenu::kTabInfo);
        return *info;
    }
    void SetMoney(float money) { m_Mechanoid.m_Garbage.m_fMoney = money; }
    static std::string AllText(CHTMLWnd& window)
    {
        std::string out;
        const CHTMLObject* document = window.GetDocument();
        for (int b = 0; b < document->GetBlockCount(); ++b)
        {
            const SHTMLBlock& block = document->GetBlocks()[b];
            for (int i = block.first; i <= block.last; ++i)
            {
                const SHTMLElement& e = document->m_Elements[std::size_t(i)];
                if (e.Type == SHTMLElement::kText) out += e.Text + " ";
                if (e.Type == SHTMLElement::kLink) out += "[" + e.Kind + "]";
            }
        }
        return out;
    }
    static bool HasBlock(CHTMLWnd& window, const char* id)
    {
        const CHTMLObject* document = window.GetDocument();
        for (int b = 0; b < document->GetBlockCount(); ++b)
            if (std::string(document->GetBlocks()[b].id) == id) return true;
        return false;
    }
};

TEST_F(InfoConsole, TokensRunInOrderAndDescriptionEndsTheLink)
{
    CGCInfo& info = Open();
    EXPECT_EQ(m_ConsoleScripts.Count("OnEnterNet"), 1);
    m_ConsoleScripts.m_OnEvent = [this](const consoletest::CConsoleScripts::SEvent& e)
    {
        if (e.event == "OnInformation") m_ConsoleScripts.Add(3, "TOPIC_HALL");
    };
    info.ProcessLink("description,info");
    EXPECT_EQ(m_ConsoleScripts.Count("OnInformation"), 1);
    EXPECT_NE(AllText(*info.m_pList).find("[TOPIC_HALL]"), std::string::npos) << AllText(*info.m_pList);

    info.m_pPage->AddEntry("old page", "", "old", 0, nullptr, false, false);
    info.ProcessLink("clear,tickets");
    EXPECT_FALSE(HasBlock(*info.m_pPage, "old"));
    EXPECT_TRUE(HasBlock(*info.m_pPage, "INT_NET_KEYS"));
    EXPECT_EQ(m_ConsoleScripts.Count("OnTickets"), 2);
}

// The offered and the held tickets of locations without a name text are
// links the player can click: their text is the location's key.
TEST_F(InfoConsole, ALocationWithoutANameIsListedByItsKey)
{
    Text("south", "A plain");
    Text("east", "A hill");
    CGCInfo& info = Open();
    g_GameData.GetLocInfo("east").tickets = 1;
    m_ConsoleScripts.m_OnEvent = [this](const consoletest::CConsoleScripts::SEvent& e)
    {
        if (e.event == "OnTickets") m_ConsoleScripts.Add(3, "south");
    };
    info.ProcessLink("tickets");
    std::map<std::string, std::string> shown;
    const CHTMLObject* list = info.m_pList->GetDocument();
    for (int i = 0; i < list->m_iStrNum; ++i)
        if (list->m_Elements[std::size_t(i)].Type == SHTMLElement::kLink)
            shown[list->m_Elements[std::size_t(i)].Kind] = list->m_Elements[std::size_t(i)].Text;
    EXPECT_EQ(shown["ticket(south)"], "south");
    EXPECT_EQ(shown["loc(east)"], "east [1]");
}

TEST_F(InfoConsole, ExactMoneyBuysATicketAndASubscriptionHidesTheOffers)
{
    CGCInfo& info = Open();
    SetMoney(3000.0f);
    info.ProcessLink("ticket(south)");
    EXPECT_EQ(info.m_sPendingLocation, "south");
    EXPECT_NE(AllText(*info.m_pPage).find("[buy]"), std::string::npos);
    info.ProcessLink("buy");
    EXPECT_FLOAT_EQ(Money(), 0.0f);
    EXPECT_EQ(g_GameData.GetLocInfo("south").tickets, 1u);
    EXPECT_EQ(m_Events.Played("SND_I_MONEY"), 1);

    // Not enough: refused, nothing changes.
    info.ProcessLink("buy");
    EXPECT_EQ(m_Events.Played("SND_I_NO"), 1);
    EXPECT_EQ(g_GameData.GetLocInfo("south").tickets, 1u);
    EXPECT_FLOAT_EQ(Money(), 0.0f);

    SetMoney(100000.0f);
    info.ProcessLink("megabuy");
    EXPECT_FLOAT_EQ(Money(), 0.0f);
    EXPECT_EQ(g_GameData.GetLocInfo("south").subscription, 1);
    EXPECT_EQ(AllText(*info.m_pPage).find("[megabuy]"), std::string::npos);
    // Own tickets: the subscription's icon and no count; the current
    // location is never listed.
    g_GameData.GetLocInfo("north").tickets = 2;
    info.ProcessLink("tickets");
    const std::string own = AllText(*info.m_pList);
    EXPECT_NE(own.find("[loc(south)]"), std::string::npos) << own;
    EXPECT_EQ(own.find("[2]"), std::string::npos);
    EXPECT_EQ(own.find("loc(north)"), std::string::npos);
}

TEST_F(InfoConsole, LocationNamesAreCutTo31Characters)
{
    CGCInfo& info = Open();
    const std::string longName(40, 'x');
    info.ProcessLink("ticket(" + longName + ")");
    EXPECT_EQ(info.m_sPendingLocation, std::string(31, 'x'));
}

TEST_F(InfoConsole, TheMechanoidCardFollowsTheRecordsState)
{
    CGCInfo& info = Open();
    struct SCase
    {
        const char* name;
        std::function<void(CMech&)> set;
        const char* state;
    };
    Text("INT_INFO_TEXT_08", "back in %d days");
    const SCase cases[] = {
        {"dead in a building", [](CMech& m) { m.m_bDead = 1, m.m_bInBuilding = 1, m.m_fComebackTimer = 3.7f; },
         "back in 3 days"},
        {"dead", [](CMech& m) { m.m_bDead = 1; }, "INT_INFO_TEXT_09"},
        {"on a task", [](CMech& m) { m.m_bAssigned = 1; }, "INT_INFO_TEXT_10"},
        {"group in a building", [](CMech& m) { m.m_pGroup = &m, m.m_bInBuilding = 1; }, "INT_INFO_TEXT_11"},
        {"group outside", [](CMech& m) { m.m_pGroup = &m; }, "INT_INFO_TEXT_12"},
        {"nothing else", [](CMech&) {}, "ORG_WOLVES"},
        {"in a cluster", [](CMech& m) { m.m_bDead = 1, m.m_bInCluster = 1; }, "INT_INFO_TEXT_13"},
    };
    int n = 0;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string id = "MECH_" + std::to_string(n++);
        CMech* mech = AddMech(id.c_str(), "ORG_WOLVES");
        ASSERT_NE(mech, nullptr);
        std::snprintf(mech->m_szName, sizeof mech->m_szName, "%s", ("REX" + id).c_str());
        mech->m_nLevel = 2;
        c.set(*mech);
        info.ShowMechInfo(mech->m_szName);
        const std::string page = AllText(*info.m_pPage);
        EXPECT_NE(page.find(std::string("INT_INFO_TEXT_14") + c.state), std::string::npos) << page;
        mech->m_pGroup = nullptr;
    }

    // "PLAYER" and unknown names are not found.
    info.ShowMechInfo("PLAYER");
    EXPECT_NE(AllText(*info.m_pPage).find("INT_INFO_TEXT_18"), std::string::npos);
    EXPECT_FALSE(HasBlock(*info.m_pPage, "mech"));
}

TEST_F(InfoConsole, PurchasesNeverTakeMoneyThePlayerHasNot)
{
    CGCInfo& info = Open();
    SetMoney(1999.0f);
    info.ProcessLink("ShowClan(ORG_WOLVES)");
    EXPECT_FLOAT_EQ(Money(), 1999.0f);
    EXPECT_EQ(m_Events.Played("SND_I_NO"), 1);

    CMech* mech = AddMech("MECH_B", "ORG_WOLVES");
    std::snprintf(mech->m_szName, sizeof mech->m_szName, "BOLT");
    mech->m_nLevel = 1;
    info.ShowMechInfo("BOLT");
    EXPECT_TRUE(HasBlock(*info.m_pPage, "peleng"));
    SetMoney(10.0f);
    info.ProcessLink("setpeleng");
    EXPECT_FLOAT_EQ(Money(), 10.0f);

    // A confirmed map purchase without the money takes nothing.
    info.ShowMapDialog();
    ASSERT_TRUE(info.m_pDialog);
    info.m_pDialog->SetResult(1);
    info.OnCommand(CGMenu::kPopupAnswered, 1);
    EXPECT_FLOAT_EQ(Money(), 10.0f);
}

TEST_F(InfoConsole, TheMapEntryNeedsARecordAndTheMoney)
{
    CGCInfo& info = Open();
    EXPECT_EQ(AllText(*info.m_pMenu).find("INT_INFO_LISTITEM_05"), std::string::npos);
    g_GameData.GetLocInfo("north");
    SetMoney(50000.0f);
    info.BuildMenu();
    EXPECT_NE(AllText(*info.m_pMenu).find("[map]"), std::string::npos);
    SetMoney(49999.0f);
    info.BuildMenu();
    EXPECT_EQ(AllText(*info.m_pMenu).find("[map]"), std::string::npos);
    EXPECT_NE(AllText(*info.m_pMenu).find("INT_INFO_LISTITEM_05"), std::string::npos);
}

} // namespace
