// The in-game menu hosts over test consoles registered under the consoles'
// class ids, and a building whose type and cluster the test chooses: the
// layout at 800 x 600 and 1024 x 768, the consoles each building type
// drops, the clan tab, tab switching and the exit, the hook that runs once,
// the glider and tunnel hosts.
#include "ConsoleTestKit.h"
#include "MenuTestKit.h"

#include "foundation/ClassFactory.h"
#include "menus/MenuButton.h"
#include "menus/PlayerInfoPanel.h"
#include "menus/UIMenu.h"
#include "world/Mech.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using menutest::CMenuTest;
using menutest::CTestConsole;

namespace
{
// A building host over a building the test describes.
class CTestBuildingUI : public CBuildingUI
{
public:
    SBuildingFacts ReadBuilding(const char*) override { return m_Facts; }
    SBuildingFacts m_Facts;
};

class MenuHost : public CMenuTest
{
protected:
    void SetUp() override
    {
        CMenuTest::SetUp();
        ResetClassRegistry();
        m_savedWorld = g_pWorld;
        g_pWorld = &m_World;
    }
    void TearDown() override
    {
        g_pWorld = m_savedWorld;
        ResetClassRegistry();
        CMenuTest::TearDown();
    }
    template <class T> void Start(T& host, plat::Point size = {1024, 768})
    {
        m_Graphic.m_Size = size;
        host.Init(&m_Graphic, &m_Input);
        host.SetClock(&m_Clock);
    }
    static CTestConsole* Console(const CUIMenu& host, CUIMenu::ETab tab)
    {
        return static_cast<CTestConsole*>(host.GetConsole(tab));
    }
    // The tabs shown, left to right.
    static std::vector<CUIMenu::ETab> ShownTabs(const CUIMenu& host)
    {
        std::vector<std::pair<int, CUIMenu::ETab>> shown;
        for (int i = 0; i < CUIMenu::kTabExit; ++i)
        {
            const auto tab = CUIMenu::ETab(i);
            if (host.GetTab(tab) && host.GetTab(tab)->m_bVisible)
                shown.emplace_back(host.GetTab(tab)->m_Rect.left, tab);
        }
        std::sort(shown.begin(), shown.end());
        std::vector<CUIMenu::ETab> out;
        for (const auto& s : shown)
            out.push_back(s.second);
        return out;
    }
    static void Bind(CUIMenu& host, const char* building)
    {
        char name[32] = {};
        std::snprintf(name, sizeof name, "%s", building);
        host.SetParam(name);
    }

    CWorld m_World;
    CWorld* m_savedWorld = nullptr;
};

using T = CUIMenu::ETab;

TEST_F(MenuHost, TheLayoutFollowsTheScreenSize)
{
    menutest::RegisterTestConsoles();
    {
        CBuildingUI host;
        Start(host, {800, 600});
        EXPECT_EQ(host.m_pMainGroup->m_Rect, (plat::Rect{0, 0, 800, 600}));
        EXPECT_EQ(host.m_nTabSpacing, 85);
        EXPECT_EQ(host.m_bSmallScreen, 1);
        EXPECT_EQ(host.GetConsole(T::kTabQuest)->m_Rect, (plat::Rect{10, 80, 792, 593}));
        CPlayerInfoPanel* panel = host.GetPanel();
        EXPECT_EQ(panel->m_Rect, (plat::Rect{227, 628, 573, 682}));
        EXPECT_EQ(panel->m_bExpanded, 1);
        // Tabs in placement order (before a building is known): quest,
        // trade, map, garage, log ... 85 apart; exit at the right.
        EXPECT_EQ(host.GetTab(T::kTabQuest)->m_Rect, (plat::Rect{10, 12, 80, 68}));
        EXPECT_EQ(host.GetTab(T::kTabTrade)->m_Rect.left, 95);
        EXPECT_EQ(host.GetTab(T::kTabGarage)->m_Rect.left, 265);
        EXPECT_EQ(host.GetTab(T::kTabLog)->m_Rect.left, 350);
        EXPECT_EQ(host.GetTab(T::kTabExit)->m_Rect, (plat::Rect{708, 12, 778, 68}));
        // The host's tabs are silent: the switch plays its own sound.
        for (int i = 0; i < T::kTabCount; ++i)
        {
            if (CMenuButton* tab = host.GetTab(T(i)))
            {
                EXPECT_EQ(tab->m_nClickSound, -1);
            }
        }
        // The panel glides in while the mouse is in the bottom 54 pixels,
        // and back out.
        for (int i = 0; i < 12; ++i)
            Frame(host, 400, 580);
        EXPECT_LE(panel->m_Rect.bottom, 603);
        EXPECT_EQ(panel->m_Rect.bottom - panel->m_Rect.top, 54);
        for (int i = 0; i < 12; ++i)
            Frame(host, 400, 300);
        EXPECT_GE(panel->m_Rect.top, 598);
    }
    {
        CBuildingUI host;
        Start(host, {1024, 768});
        EXPECT_EQ(host.m_pMainGroup->m_Rect, (plat::Rect{170, 30, 970, 660}));
        EXPECT_EQ(host.m_SavedRect, (plat::Rect{170, 30, 970, 660}));
        EXPECT_EQ(host.m_bSmallScreen, 0);
        EXPECT_EQ(host.m_nTabSpacing, 85);
        EXPECT_EQ(host.GetConsole(T::kTabQuest)->m_Rect, (plat::Rect{180, 110, 962, 653}));
        const plat::Rect panel = host.GetPanel()->m_Rect;
        EXPECT_EQ(panel, (plat::Rect{397, 688, 743, 742}));
        Frame(host, 500, 740);
        EXPECT_EQ(host.GetPanel()->m_Rect, panel) << "no sliding on a wide screen";
        EXPECT_STREQ(host.m_pMainGroup->GetUID().name, "TEX_INT_UI1");
    }
}

TEST_F(MenuHost, EachBuildingTypeDropsItsConsoles)
{
    menutest::RegisterTestConsoles();
    struct SCase
    {
        int type, cluster;
        std::vector<T> tabs;
    };
    const SCase cases[] = {
        {1,
         1,
         {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabGarage, T::kTabCluster, T::kTabInfo}},
        {3, 1, {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabCluster, T::kTabInfo}},
        {4, 1, {T::kTabQuest, T::kTabMap, T::kTabLog, T::kTabCluster}},
        {5, 1, {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog}},
        {9,
         1,
         {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabGarage, T::kTabCluster, T::kTabInfo}},
        {11, 1, {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabGarage, T::kTabInfo}},
        {13, 1, {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabCluster}},
        {20, 1, {T::kTabQuest, T::kTabMap, T::kTabLog, T::kTabCluster}},
        {21, 1, {T::kTabQuest, T::kTabMap, T::kTabLog, T::kTabCluster, T::kTabInfo}},
        // A building without a cluster loses its cluster console.
        {1, -1, {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabGarage, T::kTabInfo}},
    };
    for (const SCase& c : cases)
    {
        CTestBuildingUI host;
        host.m_Facts = CUIMenu::SBuildingFacts{true, c.type, c.cluster};
        Start(host);
        Bind(host, "HALL");
        EXPECT_EQ(ShownTabs(host), c.tabs) << "type " << c.type;
        // Dropped consoles take no building; kept ones do.
        for (T tab : c.tabs)
            EXPECT_STREQ(host.GetConsole(tab)->m_szBuilding, "HALL");
        // 85 apart from the left, the exit at the right.
        for (std::size_t i = 0; i < c.tabs.size(); ++i)
            EXPECT_EQ(host.GetTab(c.tabs[i])->m_Rect.left, 180 + 85 * int(i)) << "type " << c.type;
        EXPECT_EQ(host.GetTab(T::kTabExit)->m_Rect, (plat::Rect{878, 42, 948, 98}));
        const bool restricted = c.type == 4 || c.type == 20;
        if (CGMenu* cluster = host.GetConsole(T::kTabCluster))
        {
            EXPECT_EQ(cluster->m_bClusterRestricted, restricted ? 1 : 0);
        }
    }
    // Unknown building: everything stays, the clan tab excepted.
    CTestBuildingUI host;
    Start(host);
    Bind(host, "NOWHERE");
    EXPECT_EQ(ShownTabs(host).size(), 7u);
}

TEST_F(MenuHost, TheClanTabShowsOnlyInTheClansOwnBuilding)
{
    menutest::RegisterTestConsoles();
    CPlayerMech player;
    m_World.SetPlayerMech(&player);
    std::strcpy(m_World.m_Buildings[0].name, "HALL");
    m_World.m_nBuildings = 1;
    struct SCase
    {
        const char *owner, *playerOrg;
        bool shown;
    };
    for (const SCase& c :
         {SCase{"ORG_PLAYER", "ORG_PLAYER", true}, SCase{"ORG_MERCHANTS", "ORG_PLAYER", false},
          SCase{"ORG_MERCHANTS", "ORG_MERCHANTS", false}})
    {
        std::snprintf(m_World.m_Buildings[0].owner, 32, "%s", c.owner);
        std::snprintf(player.m_szOrg, 32, "%s", c.playerOrg);
        CTestBuildingUI host;
        host.m_Facts = CUIMenu::SBuildingFacts{true, 1, 1};
        Start(host);
        Bind(host, "HALL");
        EXPECT_EQ(host.GetTab(T::kTabClan)->m_bVisible, c.shown ? 1 : 0) << c.owner << " " << c.playerOrg;
        EXPECT_NE(host.GetConsole(T::kTabClan), nullptr) << "the clan console itself stays";
        if (c.shown)
        {
            // Between the cluster and the information tabs.
            EXPECT_EQ(host.GetTab(T::kTabClan)->m_Rect.left, host.GetTab(T::kTabCluster)->m_Rect.left + 85);
            EXPECT_EQ(host.GetTab(T::kTabInfo)->m_Rect.left, host.GetTab(T::kTabClan)->m_Rect.left + 85);
        }
    }
    m_World.SetPlayerMech(nullptr);
}

TEST_F(MenuHost, TabsSwitchConsolesAndTheExitLeavesWithoutPassingItOn)
{
    menutest::RegisterTestConsoles();
    CTestBuildingUI host;
    host.m_Facts = CUIMenu::SBuildingFacts{true, 1, 1};
    Start(host);
    CTestConsole* quest = Console(host, T::kTabQuest);
    CTestConsole* map = Console(host, T::kTabMap);
    EXPECT_EQ(host.GetCurrent(), quest);
    EXPECT_EQ(host.GetDefault(), quest);
    EXPECT_EQ(quest->m_bVisible, 1);
    EXPECT_EQ(map->m_bVisible, 0);
    EXPECT_EQ(quest->m_nHooks, 0) << "no building yet";
    Bind(host, "HALL");
    EXPECT_EQ(quest->m_nHooks, 1) << "the second activation runs the hook";
    EXPECT_EQ(host.GetTab(T::kTabQuest)->m_bSelected, 1);

    // The map tab by the mouse.
    const plat::Rect mapTab = host.GetTab(T::kTabMap)->m_Rect;
    Click(host, mapTab.left + 30, mapTab.top + 20);
    EXPECT_EQ(host.GetCurrent(), map);
    EXPECT_EQ(quest->m_bVisible, 0);
    EXPECT_EQ(host.GetTab(T::kTabMap)->m_bSelected, 1);
    EXPECT_EQ(host.GetTab(T::kTabQuest)->m_bSelected, 0);
    EXPECT_EQ(map->m_nHooks, 1);
    // The switch command reaches the console in front too.
    EXPECT_NE(std::find(map->m_Commands.begin(), map->m_Commands.end(), 61452), map->m_Commands.end());
    // Its tab again: nothing happens; back to quest: no second hook.
    const int activations = map->m_nActivations;
    host.OnCommand(61452, 0);
    EXPECT_EQ(map->m_nActivations, activations);
    host.OnCommand(61450, 0);
    EXPECT_EQ(quest->m_nHooks, 1);

    // The exit tab: done with 1000, and the command goes no further.
    const plat::Rect exit = host.GetTab(T::kTabExit)->m_Rect;
    Click(host, exit.left + 30, exit.top + 20);
    EXPECT_TRUE(host.IsDone());
    EXPECT_EQ(host.GetResult(), 1000);
    for (int i = 0; i < T::kTabExit; ++i)
    {
        if (CTestConsole* c = Console(host, T(i)))
        {
            EXPECT_EQ(std::find(c->m_Commands.begin(), c->m_Commands.end(), 61458), c->m_Commands.end());
        }
    }
}

TEST_F(MenuHost, AConsoleNobodyRegisteredHasNoTab)
{
    menutest::RegisterTestConsoles({T::kTabTrade, T::kTabMap, T::kTabLog});
    CTestBuildingUI host;
    host.m_Facts = CUIMenu::SBuildingFacts{true, 1, 1};
    Start(host);
    EXPECT_EQ(host.GetTab(T::kTabQuest), nullptr);
    EXPECT_EQ(host.GetConsole(T::kTabGarage), nullptr);
    Bind(host, "HALL");
    EXPECT_EQ(ShownTabs(host), (std::vector<T>{T::kTabTrade, T::kTabMap, T::kTabLog}));
    // Without a quest console the trade console is the first and in front.
    EXPECT_EQ(host.GetDefault(), host.GetConsole(T::kTabTrade));
    EXPECT_EQ(host.GetCurrent(), host.GetConsole(T::kTabTrade));
    EXPECT_EQ(host.GetTab(T::kTabTrade)->m_Rect.left, 180);
    EXPECT_EQ(Tree().ErrorLog(), "");

    // No consoles at all: an exit tab and nothing else.
    ResetClassRegistry();
    CTestBuildingUI empty;
    Start(empty);
    Bind(empty, "HALL");
    EXPECT_TRUE(ShownTabs(empty).empty());
    EXPECT_NE(empty.GetTab(T::kTabExit), nullptr);
    EXPECT_EQ(empty.GetCurrent(), nullptr);
}

TEST_F(MenuHost, TheGliderAndTunnelHostsHaveTheirOwnTabs)
{
    menutest::RegisterTestConsoles();
    CGliderUI glider;
    Start(glider);
    EXPECT_EQ(ShownTabs(glider), (std::vector<T>{T::kTabGlider, T::kTabMap, T::kTabLog}));
    EXPECT_EQ(glider.GetTab(T::kTabExit)->m_nPicture, 10);
    EXPECT_EQ(glider.GetTab(T::kTabGlider)->m_nPicture, 13);
    EXPECT_EQ(glider.GetConsole(T::kTabLog)->m_bGliderMenu, 1);
    // Page 2: the journal, activated twice.
    CTestConsole* log = Console(glider, T::kTabLog);
    const std::int32_t page = 2;
    glider.SetParam(const_cast<std::int32_t*>(&page));
    EXPECT_EQ(glider.GetCurrent(), log);
    EXPECT_EQ(log->m_nActivations, 2);
    const std::int32_t none = 7;
    glider.SetParam(const_cast<std::int32_t*>(&none));
    EXPECT_EQ(glider.GetCurrent(), log);
    // The keys that open the glider menu close it.
    CGliderUI::s_CloseKeys[1] = 35;
    Key(glider, 35);
    CGliderUI::s_CloseKeys[1] = 0;
    EXPECT_TRUE(glider.IsDone());
    EXPECT_EQ(glider.GetResult(), 1000);

    CTunnelUI tunnel;
    Start(tunnel);
    EXPECT_EQ(ShownTabs(tunnel), (std::vector<T>{T::kTabTunnel, T::kTabMap, T::kTabLog}));
    EXPECT_EQ(tunnel.GetTab(T::kTabTunnel)->m_nPicture, 11);
    // The tunnel console writes where to and ends the screen with 1008.
    tunnel.SetDestination("LOC_NORTH");
    tunnel.EndModal(CUIMenu::kResultTunnel);
    IUI& screen = tunnel;
    char where[32];
    screen.GetDestination(where);
    EXPECT_STREQ(where, "LOC_NORTH");
    EXPECT_EQ(screen.GetResult(), 1008);
}

TEST_F(MenuHost, APopupMakesTheHostBusy)
{
    menutest::RegisterTestConsoles();
    CTestBuildingUI host;
    Start(host);
    EXPECT_FALSE(host.IsBusy());
    CGroupControl box;
    host.SetPopup(&box);
    EXPECT_TRUE(host.IsBusy());
    host.SetPopup(nullptr);
    host.GetTab(T::kTabExit)->Enable(0);
    EXPECT_TRUE(host.IsBusy());
}

TEST_F(MenuHost, TheFrameDrawsRoundTheConsoleAndItsTab)
{
    menutest::RegisterTestConsoles();
    CTestBuildingUI host;
    host.m_Facts = CUIMenu::SBuildingFacts{true, 5, 1};
    Start(host);
    Bind(host, "HALL");
    host.OnCommand(61452, 0); // the map: not the first console
    m_Graphic.Clear();
    host.Render();
    // The console's four corners from the host's sheet, all inside the
    // console rectangle.
    const plat::Rect c = host.GetConsole(T::kTabMap)->m_Rect;
    int corners = 0;
    for (const menutest::SSprite& s : m_Graphic.From("TEX_INT_UI1"))
    {
        if (std::min(s.source[0], s.source[2]) != 648) continue;
        ++corners;
        EXPECT_GE(s.screen.left, c.left);
        EXPECT_LE(s.screen.right, c.right);
        EXPECT_GE(s.screen.top, c.top);
        EXPECT_LE(s.screen.bottom, c.bottom);
    }
    EXPECT_EQ(corners, 4);
    EXPECT_TRUE(m_Graphic.Filled(CUIMenu::kBackground));
    // The selected tab joins the console: a translucent fill from its
    // bottom to the console's top.
    const plat::Rect tab = host.GetTab(T::kTabMap)->m_Rect;
    bool joined = false;
    for (const uitest::SDrawOp& op : m_Graphic.m_Ops)
        joined = joined || (op.kind == uitest::SDrawOp::kFill && op.colour == 0x26FFFFFF &&
                            op.rect == plat::Rect{tab.left + 1, tab.bottom, tab.right - 1, c.top + 1});
    EXPECT_TRUE(joined);
}
} // namespace
