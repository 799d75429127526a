// The network test game (mode 3) of the running application against the
// test host on 127.0.0.1: the player's glider comes out of its start
// building as a network object and flies again after a death, the host
// hears the player's state, the glider's updates and the end of the game; a host that goes away shows the
// failure in the message panel; without a client connected to a server the
// mode goes back to the main menu. Frames have a fixed time (the clock
// moves as the input device updates, once a frame) and the game ends by the
// window's close, posted after the last frame.
#include "world/GameWorldState.h"
#include "app/MMApp.h"
#include "common/GameDriver.h"
#include "foundation/FrameTimer.h"
#include "foundation/Input.h"
#include "foundation/Random.h"
#include "hud/messages/Messager.h"
#include "net/NetClient.h"
#include "platform/Window.h"
#include "tools/nethost/NetTestHost.h"
#include "units/GliderObject.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"
#include "common/DataTree.h"
#include "common/NullInput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace dp = plat::dp;

namespace
{

std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// The game's input: nothing pressed; each update is one frame, which moves
// the test's clock by the frame's time and, after the last frame, posts the
// window's close. What the test wants done at a frame runs then.
class CFrameInput : public testutil::CNullInput
{
public:
    int Update() override
    {
        ++m_nFrames;
        m_now += m_nStepMs;
        if (g_pPlayerGlider && !g_pPlayerGlider->m_bAlive) ++m_nDeadFrames;
        if (g_pPlayerGlider && m_nFrames > m_nKillAt && g_pPlayerGlider->m_bDestroyed) ++m_nWreckFrames;
        if (m_nFrames == m_nKillAt && g_pPlayerGlider)
        {
            // The player is killed: the glider is a wreck and the cycle ends
            // with the death, as the player's input does.
            g_pPlayerGlider->m_bDestroyed = 1;
            g_pPlayerGlider->m_bActive = 0;
            g_MMEngine.m_bLeaveCycle = 1;
            g_MMEngine.m_nExitReason = CMMApp::kExitDeath;
        }
        if (m_nFrames == m_nStopHostAt && m_pHost) m_pHost->Stop();
        if (m_nFrames == m_nFrameCount) plat::PostMessage(m_hWnd, plat::WM_CLOSE, 0, 0);
        return 0;
    }

    std::int64_t m_now = 0;
    std::int64_t m_nStepMs = 100;
    int m_nFrames = 0;
    int m_nFrameCount = 30;
    int m_nDeadFrames = 0;
    int m_nKillAt = -1;
    int m_nWreckFrames = 0;
    int m_nStopHostAt = -1;
    CNetTestHost* m_pHost = nullptr;
    plat::Window* m_hWnd = nullptr;
};

class NetGame : public apptest::CSampleAppTest
{
protected:
    void SetUp() override
    {
        CSampleAppTest::SetUp();
        m_savedTimer = g_FrameTimer;
        g_FrameTimer = CFrameTimer([this] { return m_Input.m_now; }, 1000);
    }
    void TearDown() override
    {
        if (m_pSavedInput) g_pInput = m_pSavedInput;
        m_App.Done();
        m_Host.Stop();
        g_FrameTimer = m_savedTimer;
        CSampleAppTest::TearDown();
    }

    // The application started, its client connected to the host and given
    // its player id by creating a game, as the network dialog does.
    void StartConnected()
    {
        ASSERT_TRUE(m_Host.Start(CNetTestHost::SOptions{}));
        g_Random.SetState(kStartState);
        std::string commandLine;
        ASSERT_TRUE(m_App.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "network game test"))
            << Tree().ErrorLog();
        CMMNetClient* client = g_pNetClient;
        ASSERT_NE(client, nullptr);
        ASSERT_EQ(client->Init(), plat::S_OK);
        dp::SPCaps caps;
        caps.defaultEnumRetryInterval = 10;
        caps.defaultEnumTimeout = 60;
        ASSERT_EQ(client->GetClient()->SetSPCaps(&dp::CLSID_DP8SP_TCPIP, &caps, 0), dp::DPN_OK);
        ASSERT_EQ(client->SetHost("127.0.0.1", m_Host.GetPort()), plat::S_OK);
        client->m_iSelected = 0;
        ASSERT_TRUE(client->GetGamesList());
        netmsg::SGameRecord record{};
        std::strcpy(record.text1, "NewGame");
        std::strcpy(record.text2, "net_test.mmp");
        record.tail = 0xFFFFFFFFu;
        ASSERT_TRUE(client->CreateGame(record));
        ASSERT_TRUE(client->WaitForReply(netmsg::kGameDetails, 2000));
        ASSERT_EQ(client->m_iSelected, 1000);
    }

    // Mode 3 on the network map for the input's frames.
    void PlayNetGame()
    {
        m_Input.m_hWnd = m_App.m_hWnd;
        m_pSavedInput = g_pInput;
        g_pInput = &m_Input;
        m_App.m_nGameMode = CMMApp::kModeNetGame;
        std::snprintf(m_App.m_szNetMapName, sizeof m_App.m_szNetMapName, "net_test.mmp");
        m_App.Main();
        g_pInput = m_pSavedInput;
        m_pSavedInput = nullptr;
    }

    CNetTestHost m_Host;
    apptest::CSampleApp m_App;
    CFrameInput m_Input;
    IInput* m_pSavedInput = nullptr;
    CFrameTimer m_savedTimer;
};

} // namespace

TEST_F(NetGame, ThePlayerFliesAgainstTheHostWhichHearsTheGameAndItsEnd)
{
    StartConnected();
    // 2.5 s of game: past the network's 2-s check of objects not heard from.
    m_Input.m_nStepMs = 250;
    m_Input.m_nFrameCount = 10;
    m_Input.m_nKillAt = 5;
    PlayNetGame();

    // Killed halfway, the player flew on in the same game, repaired.
    EXPECT_EQ(m_Input.m_nFrames, 10);
    EXPECT_EQ(m_Input.m_nWreckFrames, 0);
    EXPECT_EQ(m_Input.m_nDeadFrames, 0) << "the own glider is not a foreign object gone quiet";
    // The window's close ends the program, not the game alone.
    EXPECT_EQ(m_App.m_nGameMode, CMMApp::kModeQuit);
    EXPECT_EQ(m_App.m_nQuit, 0u);
    EXPECT_FALSE(g_pNetClient->m_bInNetGame);
    EXPECT_FALSE(gametest::g_GameDriver.IsEntered());
    EXPECT_EQ(g_pPlayerGlider, nullptr);
    EXPECT_TRUE(g_ObjectList.m_NetObjects.IsEmpty());
    EXPECT_STREQ(m_App.m_szLocationName, "net_test");

    ASSERT_TRUE(m_Host.WaitForMessages(netmsg::kExitGame, 1, 2000));
    // The start building let the glider out and the player's state went.
    EXPECT_EQ(m_Host.GetReceived(netmsg::kPlayerState).size(), 1u);
    // The glider, id 1001 after the player's 1000, sent as it came out and
    // at least at each whole second (it marks itself changed as it moves).
    const auto updates = m_Host.GetReceived(CNetTestHost::kObjectUpdates);
    int glider = 0;
    for (const auto& update : updates)
        if (update.objects >= 1 && U32(update.bytes, 0) == 1001u) ++glider;
    EXPECT_GE(glider, 3);
    EXPECT_TRUE(m_Host.GetReceived(CNetTestHost::kBad).empty());
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(NetGame, AHostThatGoesAwayShowsTheFailureEveryFiveSeconds)
{
    StartConnected();
    // Frames of half a second: the host goes after one second, the game
    // runs on past five.
    m_Input.m_nStepMs = 500;
    m_Input.m_nFrameCount = 11;
    m_Input.m_nStopHostAt = 2;
    m_Input.m_pHost = &m_Host;
    PlayNetGame();

    ASSERT_NE(g_pMessager, nullptr);
    const CMessageRing& ring = g_pMessager->m_Ring;
    int failures = 0;
    for (int i = ring.m_nRead; i != ring.m_nWrite; i = (i + 1) % ring.m_nCapacity)
        if (std::strcmp(ring.m_Records[std::size_t(i)].id, "INT_NET_FAIL") == 0) ++failures;
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(g_pNetClient->m_bInNetGame);
    EXPECT_EQ(m_App.m_nGameMode, CMMApp::kModeQuit);
}

class NetGameRefused : public testutil::CDataTreeTest
{
};

// Without a client, or with one that is not connected, mode 3 goes back to
// the main menu with one line and nothing entered.
TEST_F(NetGameRefused, WithoutAConnectedClientTheModeGoesBackToTheMainMenu)
{
    for (const bool withClient : {false, true})
    {
        SCOPED_TRACE(withClient);
        std::filesystem::remove(Tree().Path() / "error.log");
        ASSERT_EQ(g_pNetClient, nullptr);
        if (withClient) CreateNetClient();
        CMMApp app;
        app.m_nGameMode = CMMApp::kModeNetGame;
        app.Main();
        EXPECT_EQ(app.m_nGameMode, CMMApp::kModeMainMenu);
        EXPECT_EQ(app.m_nQuit, 0u);
        EXPECT_FALSE(gametest::g_GameDriver.IsEntered());
        const std::string log = Tree().ErrorLog();
        EXPECT_NE(log.find(withClient ? "not connected to a server; back to the main menu"
                                      : "no network client; back to the main menu"),
                  std::string::npos)
            << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        DestroyNetClient();
    }
}
