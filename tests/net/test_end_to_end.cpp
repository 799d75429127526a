// The client against the test host on 127.0.0.1: enumeration, connect, the
// games list, creation, the exchange both ways, and the session's end.
#include "common/LogDirTest.h"
#include "net/NetClient.h"
#include "tools/nethost/NetTestHost.h"
#include "world/DynamicObject.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
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

float F32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    float v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

class NetEndToEnd : public testutil::CLogDirTest
{
protected:
    bool StartHost(const std::string& sessionName = "Tarvox test host")
    {
        CNetTestHost::SOptions options;
        options.sessionName = sessionName;
        return m_Host.Start(options);
    }
    // Init with a short enumeration (4 queries 10 ms apart, 60 ms after).
    void InitClient()
    {
        ASSERT_EQ(m_Client.Init(), plat::S_OK);
        dp::SPCaps caps;
        caps.defaultEnumRetryInterval = 10;
        caps.defaultEnumTimeout = 60;
        ASSERT_EQ(m_Client.GetClient()->SetSPCaps(&dp::CLSID_DP8SP_TCPIP, &caps, 0), dp::DPN_OK);
    }
    CNetTestHost m_Host;
    CMMNetClient m_Client;
};

} // namespace

TEST_F(NetEndToEnd, FindsListsCreatesAndExchangesUntilTheHostCloses)
{
    ASSERT_TRUE(StartHost());
    InitClient();
    ASSERT_EQ(m_Client.SetHost("127.0.0.1", m_Host.GetPort()), plat::S_OK);
    // Four queries, four answers, one host.
    EXPECT_EQ(m_Client.GetHostCount(), 1u);
    ASSERT_EQ(m_Client.GetServerCount(), 1);
    EXPECT_STREQ(m_Client.GetServer(0).sessionName, "Tarvox test host");
    EXPECT_STREQ(m_Client.GetServer(0).hostName, "127.0.0.1");
    EXPECT_EQ(m_Client.GetServer(0).port, m_Host.GetPort());

    m_Client.m_iSelected = 0;
    ASSERT_TRUE(m_Client.GetGamesList());
    EXPECT_TRUE(m_Client.IsConnected());
    ASSERT_EQ(m_Client.GetGameCount(), 1);
    EXPECT_EQ(CMMNetClient::GameText(m_Client.GetGame(0), 1), "NewGame");
    EXPECT_EQ(CMMNetClient::GameText(m_Client.GetGame(0), 2), "net_test.mmp");
    // The opening and the request arrived each whole and exactly sized.
    EXPECT_EQ(m_Host.GetReceived(netmsg::kOpen).size(), 1u);
    EXPECT_EQ(m_Host.GetReceived(netmsg::kGamesList).size(), 1u);

    netmsg::SGameRecord record{};
    std::strcpy(record.text1, "Arena");
    std::strcpy(record.text2, "net_test.mmp");
    record.tail = 0xFFFFFFFFu;
    ASSERT_TRUE(m_Client.CreateGame(record));
    ASSERT_TRUE(m_Client.WaitForReply(netmsg::kGameDetails, 2000));
    EXPECT_EQ(m_Client.m_iSelected, 1000);
    ASSERT_EQ(m_Client.GetGameDetails().size(), 2u);
    const auto created = m_Host.GetReceived(netmsg::kCreateGame);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(created[0].bytes.data()) + 8 + 9), "Arena");

    // Player state.
    m_Client.m_OwnDescriptor.sessionIds[0] = 11;
    m_Client.m_OwnDescriptor.sessionIds[2] = 13;
    g_Settings.VisibleRadius = 120;
    ASSERT_EQ(m_Client.Senddata(true), plat::S_OK);
    ASSERT_TRUE(m_Host.WaitForMessages(netmsg::kPlayerState, 1, 2000));
    const auto state = m_Host.GetReceived(netmsg::kPlayerState)[0].bytes;
    EXPECT_EQ(U32(state, 8), 11u);
    EXPECT_EQ(U32(state, 16), 13u);
    EXPECT_FLOAT_EQ(F32(state, 180), 1200.0f);

    // Object updates: the changed network objects, each sized by itself.
    std::vector<std::unique_ptr<CDynamicObject>> objects;
    for (int i = 0; i < 4; ++i)
    {
        objects.push_back(std::make_unique<CDynamicObject>());
        objects.back()->m_nNetId = 1001 + i;
        objects.back()->m_bChanged = i < 3 ? 1 : 0;
        g_ObjectList.AddNetObject(objects.back().get());
    }
    EXPECT_EQ(m_Client.Senddata(false), plat::S_OK);
    EXPECT_EQ(m_Client.Senddata(false), plat::S_OK); // nothing changed: nothing sent
    EXPECT_TRUE(m_Client.SendClock());
    ASSERT_TRUE(m_Host.WaitForMessages(netmsg::kClock, 1, 2000));
    const auto updates = m_Host.GetReceived(CNetTestHost::kObjectUpdates);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].objects, 3u);
    const std::uint32_t each = kNetDescriptorSize + kDynamicNetExtensionSize;
    ASSERT_EQ(updates[0].bytes.size(), 3 * each);
    EXPECT_EQ(U32(updates[0].bytes, each + 0), 1002u);
    EXPECT_EQ(U32(updates[0].bytes, each + 24), each);
    for (auto& object : objects)
        g_ObjectList.DeleteNetObject(object.get());

    // The game's events, each exactly sized.
    EXPECT_EQ(m_Client.SendGameDescriptor(), plat::S_OK);
    EXPECT_EQ(m_Client.SendPause(), plat::S_OK);
    EXPECT_EQ(m_Client.SendExitGame(), plat::S_OK);
    ASSERT_TRUE(m_Host.WaitForMessages(netmsg::kExitGame, 1, 2000));
    EXPECT_EQ(U32(m_Host.GetReceived(netmsg::kGameDescriptor)[0].bytes, 8), 11u);
    EXPECT_EQ(m_Host.GetReceived(netmsg::kPause).size(), 1u);

    // The host's messages: 0x2002 asks for exactly one details request.
    const std::size_t requests = m_Host.GetReceived(netmsg::kGameDetails).size();
    ASSERT_TRUE(m_Host.SendType(netmsg::kGameDescriptor));
    ASSERT_TRUE(m_Client.WaitForReply(netmsg::kGameDescriptor, 2000));
    ASSERT_TRUE(m_Host.WaitForMessages(netmsg::kGameDetails, requests + 1, 2000));
    ASSERT_TRUE(m_Host.SendType(netmsg::kGameState));
    ASSERT_TRUE(m_Client.WaitForReply(netmsg::kGameState, 2000));
    EXPECT_EQ(m_Client.m_dwGameState, netmsg::kGameState);
    // An abort ends a wait at once, with failure.
    ASSERT_TRUE(m_Host.SendType(netmsg::kAbort));
    EXPECT_FALSE(m_Client.WaitForReply(netmsg::kGamesList, 5000));
    // Nothing came: the wait fails.
    EXPECT_FALSE(m_Client.WaitForReply(netmsg::kGamesList, 5));
    EXPECT_TRUE(m_Host.GetReceived(CNetTestHost::kBad).empty());

    m_Host.Stop();
    for (int i = 0; i < 2000 && m_Client.IsConnected(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(m_Client.IsConnected());
    EXPECT_LT(m_Client.Senddata(true), 0);
}

TEST_F(NetEndToEnd, AnUnnamedHostOnTheLocalNetworkAndTheHostsThatAreNotThere)
{
    ASSERT_TRUE(StartHost(""));
    InitClient();
    // No host name: the local network is asked (and this machine).
    ASSERT_EQ(m_Client.SetHost(nullptr, m_Host.GetPort()), plat::S_OK);
    ASSERT_EQ(m_Client.GetServerCount(), 1);
    EXPECT_STREQ(m_Client.GetServer(0).sessionName, "<unnamed>");

    m_Client.m_byChosenHost = 1;
    EXPECT_EQ(m_Client.Connect(), dp::DPNERR_DOESNOTEXIST);
    EXPECT_FALSE(m_Client.IsConnected());
    m_Client.m_iSelected = -1;
    EXPECT_FALSE(m_Client.GetGamesList());
    EXPECT_NE(ReadText("error.log").find("no server -1 among the 1 listed"), std::string::npos);

    // The [NET] host is asked when none is given.
    Tree().WriteText("cfg.ini", "[NET]\r\nHost=127.0.0.1\r\n");
    m_Client.LoadSettingsFrom(Tree() / "cfg.ini");
    ASSERT_EQ(m_Client.SetHost(nullptr, m_Host.GetPort()), plat::S_OK);
    EXPECT_STREQ(m_Client.m_szHostName, "127.0.0.1");
    EXPECT_STREQ(m_Client.GetServer(0).hostName, "127.0.0.1");

    const std::uint32_t port = m_Host.GetPort();
    m_Host.Stop();
    EXPECT_EQ(m_Client.SetHost("127.0.0.1", port), plat::E_FAIL);
    EXPECT_EQ(m_Client.GetServerCount(), 0);
}

TEST_F(NetEndToEnd, TheHostAddressNamesOnlyWhatIsSet)
{
    struct SRow
    {
        const char* host;
        std::uint32_t port;
        const wchar_t* url;
    };
    const SRow rows[] = {
        {"", 0, L"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D"},
        {"", 2609, L"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D;port=2609"},
        {"game.example", 0,
         L"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D;hostname=game.example"},
    };
    for (const SRow& row : rows)
    {
        m_Client.m_dwPort = row.port;
        ASSERT_EQ(m_Client.SetHostAddress(row.host), plat::S_OK);
        std::uint32_t chars = 0;
        ASSERT_EQ(m_Client.m_pHostAddress->GetURLW(nullptr, &chars), dp::DPNERR_BUFFERTOOSMALL);
        std::wstring url(chars, L'\0');
        ASSERT_EQ(m_Client.m_pHostAddress->GetURLW(url.data(), &chars), dp::DPN_OK);
        url.resize(chars - 1);
        EXPECT_EQ(url, row.url);
    }
}
