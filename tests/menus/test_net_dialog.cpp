// The network-game dialog against the test host on 127.0.0.1: the set-up
// without a client, a search that finds nobody, the server list, the games
// list cut to 30 rows under the scroll bar, the action button's walk
// through the modes, and the creation of a game.
#include "menus/DialogButton.h"
#include "menus/ListRowButton.h"
#include "menus/NetDialog.h"
#include "net/NetClient.h"
#include "tools/nethost/NetTestHost.h"
#include "ui/UITestKit.h"
#include "ui/markup/ScrollControl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace dp = plat::dp;

namespace
{

constexpr plat::Rect kRect{40, 20, 600, 460};

std::string Title(const CListRowButton* row)
{
    return row ? row->GetTitle().GetText() : "<none>";
}
std::string Subtitle(const CListRowButton* row)
{
    return row ? row->GetSubtitle().GetText() : "<none>";
}

class NetDialogTest : public uitest::CUITest
{
protected:
    void TearDown() override
    {
        if (m_pDialog) m_pMain->RemoveControl(m_pDialog.get());
        m_pDialog.reset();
        m_Host.Stop();
        CUITest::TearDown();
    }
    // The client's layer with a short search (4 queries 10 ms apart, 60 ms
    // after the last), so that a search that finds nobody ends soon.
    void InitClient()
    {
        ASSERT_EQ(m_Client.Init(), plat::S_OK);
        dp::SPCaps caps;
        caps.defaultEnumRetryInterval = 10;
        caps.defaultEnumTimeout = 60;
        ASSERT_EQ(m_Client.GetClient()->SetSPCaps(&dp::CLSID_DP8SP_TCPIP, &caps, 0), dp::DPN_OK);
    }
    // A port on which nobody answers: the host's, once it has stopped.
    std::uint32_t DeadPort()
    {
        CNetTestHost host;
        EXPECT_TRUE(host.Start(CNetTestHost::SOptions{}));
        const std::uint32_t port = host.GetPort();
        host.Stop();
        return port;
    }
    void StartHost(int games)
    {
        CNetTestHost::SOptions options;
        options.games.clear();
        for (int i = 0; i < games; ++i)
            options.games.push_back({"Game" + std::to_string(i), "net_test.mmp"});
        ASSERT_TRUE(m_Host.Start(options));
    }
    void Open(CMMNetClient* client, std::uint32_t port)
    {
        m_pDialog = std::make_unique<CNetDialog>(client);
        m_pDialog->SetSearchAddress("127.0.0.1", port);
        m_pDialog->Init(kRect, &m_Screen);
        m_pMain->AddControlAt(m_pDialog.get());
    }
    void Command(int code) { m_pDialog->OnCommand(code, 0); }
    // The row's middle, clicked through the screen's input.
    void ClickRow(int index)
    {
        const plat::Rect& r = m_pDialog->GetRow(index)->m_Rect;
        Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    std::string ActionCaption()
    {
        m_Graphic.m_Ops.clear();
        m_pDialog->Render();
        return m_pDialog->GetButton(CNetDialog::kActionButton)->GetText().GetText();
    }

    CMMNetClient m_Client;
    CNetTestHost m_Host;
    std::unique_ptr<CNetDialog> m_pDialog;
};

} // namespace

TEST_F(NetDialogTest, WithoutANetworkTheErrorRowShowsAndNothingCanBeChosen)
{
    Open(nullptr, 0);
    ASSERT_EQ(m_pDialog->GetRowCount(), 2);
    EXPECT_EQ(Subtitle(m_pDialog->GetRow(0)), nettext::kInitialising);
    EXPECT_EQ(Title(m_pDialog->GetRow(1)), nettext::kInitError);
    EXPECT_EQ(Subtitle(m_pDialog->GetRow(1)), "");
    EXPECT_TRUE(m_pDialog->IsListLocked());
    EXPECT_EQ(m_pDialog->GetMode(), CNetDialog::kModeStart);
    EXPECT_NE(ReadText("error.log").find("CNetDialog::LoadingThreadNetInit - Error Net Init"),
              std::string::npos);

    // A click on a message row chooses nothing.
    ClickRow(1);
    EXPECT_EQ(m_pDialog->GetSelectedRow(), -1);
    EXPECT_FALSE(m_pDialog->GetRow(1)->IsChecked());
    // Nor does asking for a games list without a client.
    Command(CNetDialog::kCmdAction);
    Command(CNetDialog::kCmdCancel);
    EXPECT_EQ(m_pDialog->GetMode(), CNetDialog::kModeStart);
}

TEST_F(NetDialogTest, TheActionButtonWalksTheModes)
{
    Open(nullptr, 0);
    struct SStep
    {
        int command;
        int mode;
        const char* title;
        const char* action;
        std::vector<std::pair<std::string, std::string>> rows;
        bool startButtons;
    };
    const SStep steps[] = {
        {CNetDialog::kCmdAction,
         CNetDialog::kModeNetOptions,
         nettext::kNetParameters,
         nettext::kOk,
         {{nettext::kIpAddress, ""}, {nettext::kPort, "2609"}},
         false},
        {CNetDialog::kCmdAction,
         CNetDialog::kModeStart,
         nettext::kNetworkGame,
         nettext::kNetSettings,
         {{nettext::kIpAddress, ""}, {nettext::kPort, "2609"}},
         true},
        {CNetDialog::kCmdNewGame,
         CNetDialog::kModeNewGame,
         nettext::kNewGameParameters,
         nettext::kCreate,
         {{nettext::kGameName, "NewGame"}, {nettext::kMap, "net_test.mmp"}, {nettext::kPlayers, "16"}},
         false},
        // Creating needs a server: without a client nothing happens.
        {CNetDialog::kCmdAction,
         CNetDialog::kModeNewGame,
         nettext::kNewGameParameters,
         nettext::kCreate,
         {{nettext::kGameName, "NewGame"}, {nettext::kMap, "net_test.mmp"}, {nettext::kPlayers, "16"}},
         false},
        {CNetDialog::kCmdCancel,
         CNetDialog::kModeStart,
         nettext::kNetworkGame,
         nettext::kNetSettings,
         {{nettext::kGameName, "NewGame"}, {nettext::kMap, "net_test.mmp"}, {nettext::kPlayers, "16"}},
         true},
        {CNetDialog::kCmdOptions,
         CNetDialog::kModeNetOptions,
         nettext::kNetParameters,
         nettext::kOk,
         {{nettext::kIpAddress, ""}, {nettext::kPort, "2609"}},
         false},
    };
    for (const SStep& step : steps)
    {
        SCOPED_TRACE(step.command);
        Command(step.command);
        EXPECT_EQ(m_pDialog->GetMode(), step.mode);
        EXPECT_EQ(ActionCaption(), step.action);
        EXPECT_EQ(m_pDialog->GetTitle(), step.title);
        ASSERT_EQ(m_pDialog->GetRowCount(), int(step.rows.size()));
        for (int i = 0; i < m_pDialog->GetRowCount(); ++i)
        {
            EXPECT_EQ(Title(m_pDialog->GetRow(i)), step.rows[std::size_t(i)].first);
            EXPECT_EQ(Subtitle(m_pDialog->GetRow(i)), step.rows[std::size_t(i)].second);
        }
        EXPECT_FALSE(m_pDialog->IsListLocked());
        EXPECT_EQ(m_pDialog->GetSelectedRow(), 0) << "the first row of a table is chosen";
        EXPECT_EQ(m_pDialog->GetButton(CNetDialog::kNewGameButton)->IsShown(), step.startButtons);
        EXPECT_EQ(m_pDialog->GetButton(CNetDialog::kFindServerButton)->IsShown(), step.startButtons);
    }
    EXPECT_FALSE(m_Screen.IsDone());
}

TEST_F(NetDialogTest, ASearchThatFindsNobodyShowsOneLockedRowThenFindsTheHostAgain)
{
    InitClient();
    Open(&m_Client, DeadPort());
    ASSERT_EQ(m_pDialog->GetRowCount(), 1);
    EXPECT_EQ(Title(m_pDialog->GetRow(0)), nettext::kNoServers);
    EXPECT_EQ(m_pDialog->GetRow(0)->Height(), CNetDialog::kMessageRowHeight);
    EXPECT_TRUE(m_pDialog->IsListLocked());
    EXPECT_EQ(m_pDialog->GetMode(), CNetDialog::kModeStart);
    EXPECT_EQ(ReadText("error.log").find("Error Net Init"), std::string::npos) << "the start itself worked";

    // The find-server button asks again, and now a host answers.
    StartHost(1);
    m_pDialog->SetSearchAddress("127.0.0.1", m_Host.GetPort());
    const plat::Rect& button = m_pDialog->GetButton(CNetDialog::kFindServerButton)->m_Rect;
    Click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    EXPECT_EQ(m_pDialog->GetMode(), CNetDialog::kModeServers);
    ASSERT_EQ(m_pDialog->GetRowCount(), 1);
    EXPECT_EQ(Title(m_pDialog->GetRow(0)), "Tarvox test host");
    EXPECT_EQ(Subtitle(m_pDialog->GetRow(0)), "127.0.0.1");
    EXPECT_EQ(m_pDialog->GetRow(0)->Height(), CNetDialog::kRowHeight);
    EXPECT_FALSE(m_pDialog->IsListLocked());
}

TEST_F(NetDialogTest, TheChosenServersGamesFillAtMostThirtyRowsUnderTheScrollBar)
{
    StartHost(33);
    InitClient();
    Open(&m_Client, m_Host.GetPort());
    ASSERT_EQ(m_pDialog->GetMode(), CNetDialog::kModeServers);
    ASSERT_EQ(m_pDialog->GetRowCount(), 1);
    EXPECT_EQ(m_pDialog->GetSelectedRow(), 0);
    EXPECT_EQ(ActionCaption(), nettext::kGameList);

    // The games list needs a server the player has chosen.
    Command(CNetDialog::kCmdAction);
    EXPECT_EQ(m_pDialog->GetMode(), CNetDialog::kModeServers);
    EXPECT_TRUE(m_Host.GetReceived(netmsg::kGamesList).empty());
    ClickRow(0);
    EXPECT_EQ(m_Client.m_iSelected, 0);

    Command(CNetDialog::kCmdAction);
    EXPECT_EQ(m_pDialog->GetMode(), CNetDialog::kModeGames);
    EXPECT_EQ(ActionCaption(), nettext::kJoin);
    EXPECT_EQ(m_pDialog->GetTitle(), nettext::kGameList);
    ASSERT_EQ(m_Client.GetGameCount(), 33);
    ASSERT_EQ(m_pDialog->GetRowCount(), CNetDialog::kMaxRows);
    EXPECT_EQ(Title(m_pDialog->GetRow(29)), "Game29");
    EXPECT_EQ(Subtitle(m_pDialog->GetRow(29)), "net_test.mmp");
    for (int i = 0; i < CNetDialog::kMaxRows; ++i)
        EXPECT_EQ(m_pDialog->GetRow(i)->m_bVisible != 0, i < CNetDialog::kVisibleRows) << i;
    CScrollControl* scroll = m_pDialog->GetScroll();
    EXPECT_EQ(scroll->GetMax(), CNetDialog::kMaxRows - CNetDialog::kVisibleRows);

    // Scrolled down by five: rows 5 to 12 show, stacked from the list's top.
    scroll->SetPos(5);
    Command(CScrollControl::kDragged);
    EXPECT_EQ(m_pDialog->GetFirstVisibleRow(), 5);
    for (int i = 0; i < CNetDialog::kMaxRows; ++i)
        EXPECT_EQ(m_pDialog->GetRow(i)->m_bVisible != 0, i >= 5 && i < 13) << i;
    EXPECT_EQ(m_pDialog->GetRow(5)->m_Rect.top, m_pDialog->GetListRect().top);
    EXPECT_EQ(m_pDialog->GetRow(6)->m_Rect.top, m_pDialog->GetListRect().top + CNetDialog::kRowPitch);

    // A game row is chosen by its click; joining does nothing.
    ClickRow(7);
    EXPECT_EQ(m_pDialog->GetSelectedRow(), 7);
    EXPECT_TRUE(m_pDialog->GetRow(7)->IsChecked());
    EXPECT_FALSE(m_pDialog->GetRow(0)->IsChecked());
    Command(CNetDialog::kCmdAction);
    EXPECT_EQ(m_pDialog->GetMode(), CNetDialog::kModeGames);
    EXPECT_EQ(m_pDialog->GetRowCount(), CNetDialog::kMaxRows);
    EXPECT_FALSE(m_Screen.IsDone());
}

TEST_F(NetDialogTest, CreatingAGameEndsTheScreenAsANetworkGame)
{
    StartHost(1);
    InitClient();
    Open(&m_Client, m_Host.GetPort());
    ClickRow(0);
    Command(CNetDialog::kCmdNewGame);
    ASSERT_EQ(m_pDialog->GetMode(), CNetDialog::kModeNewGame);
    Command(CNetDialog::kCmdAction);

    EXPECT_TRUE(m_Screen.IsDone());
    EXPECT_EQ(m_Screen.GetResult(), CNetDialog::kResultNetworkGame);
    EXPECT_EQ(m_Client.m_iSelected, 1000) << "the player's id from the server";
    const auto created = m_Host.GetReceived(netmsg::kCreateGame);
    ASSERT_EQ(created.size(), 1u);
    ASSERT_EQ(created[0].bytes.size(), netmsg::kSessionMessageSize);
    netmsg::SGameRecord record;
    std::memcpy(&record, created[0].bytes.data() + netmsg::kHeaderSize, sizeof record);
    EXPECT_EQ(CMMNetClient::GameText(record, 1), "NewGame");
    EXPECT_EQ(CMMNetClient::GameText(record, 2), "net_test.mmp");
    EXPECT_EQ(record.tail, 0xFFFFFFFFu);
}

TEST_F(NetDialogTest, TheScreenBuildsTheDialogOnTheGamesClient)
{
    ASSERT_EQ(g_pNetClient, nullptr);
    RegisterNetUIClass();
    IUI* screen = CreateClassInstanceAs<IUI>(int(g_iCNetUI));
    ASSERT_NE(screen, nullptr);
    screen->Init(&m_Graphic, &m_Input);
    auto* net = dynamic_cast<CNetUI*>(screen);
    ASSERT_NE(net, nullptr);
    ASSERT_NE(net->GetDialog(), nullptr);
    EXPECT_EQ(screen->m_pMainGroup, net->GetDialog());
    // No client made at start-up: the start fails with its row.
    EXPECT_EQ(Title(net->GetDialog()->GetRow(1)), nettext::kInitError);
    const plat::Rect& r = net->GetDialog()->m_Rect;
    EXPECT_GE(r.right - r.left, CNetDialog::kMinWidth);
    EXPECT_GE(r.bottom - r.top, CNetDialog::kMinHeight);
    delete screen;
}
