// The DirectPlay-shaped layer on its own: addresses and their URLs, and a
// client and a server on 127.0.0.1 (enumeration by application, the
// hand-shake, exact messages both ways, stray datagrams, the session's end).
#include "platform/dplay/DPlay.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace plat::dp;
using plat::HResult;

namespace
{

constexpr Guid kGame = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid kOther = {0x99999999, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};

// What a handler saw, for the test thread to wait on.
struct SInbox
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<std::uint8_t>> messages;
    std::vector<std::wstring> sessions;
    std::vector<Guid> instances;
    std::vector<DPNID> players;
    std::atomic<int> terminated{0};

    template <typename P> bool WaitFor(P predicate)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(3), predicate);
    }
};

HResult Handler(void* context, std::uint32_t id, void* message)
{
    auto* inbox = static_cast<SInbox*>(context);
    {
        std::lock_guard<std::mutex> lock(inbox->mutex);
        if (id == DPN_MSGID_RECEIVE)
        {
            const auto* m = static_cast<MsgReceive*>(message);
            inbox->messages.emplace_back(m->receiveData, m->receiveData + m->receiveDataSize);
        }
        if (id == DPN_MSGID_ENUM_HOSTS_RESPONSE)
        {
            const auto* m = static_cast<MsgEnumHostsResponse*>(message);
            const wchar_t* name = m->applicationDescription->sessionName;
            inbox->sessions.push_back(name ? name : L"(none)");
            inbox->instances.push_back(m->applicationDescription->instance);
        }
        if (id == DPN_MSGID_CREATE_PLAYER)
            inbox->players.push_back(static_cast<MsgCreatePlayer*>(message)->player);
        if (id == DPN_MSGID_TERMINATE_SESSION) ++inbox->terminated;
    }
    inbox->changed.notify_all();
    return DPN_OK;
}

Address* HostAddress(const wchar_t* host, std::uint32_t port)
{
    auto* address = new Address;
    address->SetSP(&CLSID_DP8SP_TCPIP);
    if (host)
        address->AddComponent(DPNA_KEY_HOSTNAME, host,
                              std::uint32_t((std::wcslen(host) + 1) * sizeof(wchar_t)), DPNA_DATATYPE_STRING);
    if (port) address->AddComponent(DPNA_KEY_PORT, &port, 4, DPNA_DATATYPE_DWORD);
    return address;
}

class DirectPlayLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ApplicationDesc description;
        description.application = kGame;
        description.sessionName = const_cast<wchar_t*>(L"Hall");
        Address* device = HostAddress(L"127.0.0.1", 0);
        ASSERT_EQ(m_Server.Initialize(&m_ServerInbox, &Handler, 0), DPN_OK);
        ASSERT_EQ(m_Server.Host(&description, &device, 1, nullptr, nullptr, nullptr, 0), DPN_OK);
        device->Release();
        Address* bound = nullptr;
        std::uint32_t count = 1;
        ASSERT_EQ(m_Server.GetLocalHostAddresses(&bound, &count, 0), DPN_OK);
        std::uint32_t size = 4, type = 0;
        ASSERT_EQ(bound->GetComponentByName(DPNA_KEY_PORT, &m_nPort, &size, &type), DPN_OK);
        bound->Release();
        ASSERT_EQ(m_Client.Initialize(&m_ClientInbox, &Handler, 0), DPN_OK);
        SPCaps caps;
        caps.defaultEnumRetryInterval = 10;
        caps.defaultEnumTimeout = 60;
        ASSERT_EQ(m_Client.SetSPCaps(&CLSID_DP8SP_TCPIP, &caps, 0), DPN_OK);
    }
    void TearDown() override
    {
        m_Client.Close(0);
        m_Server.Close(0);
    }
    HResult Enumerate(const Guid& application)
    {
        ApplicationDesc description;
        description.application = application;
        Address* host = HostAddress(L"127.0.0.1", m_nPort);
        const HResult hr = m_Client.EnumHosts(&description, host, nullptr, nullptr, 0, 2, 0, 0, nullptr,
                                              nullptr, DPNENUMHOSTS_SYNC);
        host->Release();
        return hr;
    }
    HResult Connect(const Guid& application)
    {
        ApplicationDesc description;
        description.application = application;
        Address* host = HostAddress(L"127.0.0.1", m_nPort);
        const HResult hr = m_Client.Connect(&description, host, nullptr, nullptr, nullptr, nullptr, 0,
                                            nullptr, nullptr, DPNCONNECT_SYNC);
        host->Release();
        return hr;
    }

    // Destroyed after the tear-down's Close, which ends the handler calls.
    SInbox m_ServerInbox;
    SInbox m_ClientInbox;
    Server m_Server;
    Client m_Client;
    std::uint32_t m_nPort = 0;
};

} // namespace

TEST(DirectPlayAddress, TheUrlNamesTheProviderAndTheComponentsInOrder)
{
    Address* a = HostAddress(L"my host;x", 2609);
    std::uint32_t chars = 3;
    wchar_t small[3];
    ASSERT_EQ(a->GetURLW(small, &chars), DPNERR_BUFFERTOOSMALL);
    std::wstring url(chars, L'\0');
    ASSERT_EQ(a->GetURLW(url.data(), &chars), DPN_OK);
    EXPECT_STREQ(url.c_str(), L"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D;"
                              L"hostname=my%20host%3Bx;port=2609");
    Address* copy = nullptr;
    ASSERT_EQ(a->Duplicate(&copy), DPN_OK);
    a->Release();
    char narrow[128];
    chars = sizeof narrow;
    ASSERT_EQ(copy->GetURLA(narrow, &chars), DPN_OK);
    EXPECT_EQ(std::string(narrow).substr(0, 14), "x-directplay:/");
    // A string without its terminator and a DWORD of the wrong size are refused.
    const wchar_t unterminated[2] = {L'a', L'b'};
    EXPECT_EQ(copy->AddComponent(L"hostname", unterminated, sizeof unterminated, DPNA_DATATYPE_STRING),
              DPNERR_INVALIDPARAM);
    EXPECT_EQ(copy->AddComponent(L"port", unterminated, 2, DPNA_DATATYPE_DWORD), DPNERR_INVALIDPARAM);
    copy->Release();
}

TEST_F(DirectPlayLayer, OnlyTheHostsOfTheApplicationAnswerAndOnlyItsClientsConnect)
{
    ASSERT_EQ(Enumerate(kOther), DPN_OK);
    EXPECT_TRUE(m_ClientInbox.sessions.empty());
    ASSERT_EQ(Enumerate(kGame), DPN_OK);
    // Two queries, two answers from the one instance, before EnumHosts returned.
    ASSERT_EQ(m_ClientInbox.sessions.size(), 2u);
    EXPECT_EQ(m_ClientInbox.sessions[0], L"Hall");
    EXPECT_EQ(m_ClientInbox.instances[0], m_ClientInbox.instances[1]);

    EXPECT_EQ(Connect(kOther), DPNERR_HOSTREJECTEDCONNECTION);
    EXPECT_TRUE(m_ServerInbox.players.empty());
    ASSERT_EQ(Connect(kGame), DPN_OK);
    EXPECT_EQ(Connect(kGame), DPNERR_ALREADYCONNECTED);
    ASSERT_TRUE(m_ServerInbox.WaitFor([&] { return m_ServerInbox.players.size() == 1; }));
}

TEST_F(DirectPlayLayer, MessagesArriveExactlyAsSentAndTheSessionEndsWithTheHost)
{
    ASSERT_EQ(Connect(kGame), DPN_OK);
    ASSERT_TRUE(m_ServerInbox.WaitFor([&] { return m_ServerInbox.players.size() == 1; }));
    const std::uint8_t five[6] = {1, 2, 3, 4, 5, 0xEE};
    const BufferDesc parts[2] = {{2, five}, {3, five + 2}};
    ASSERT_EQ(m_Client.Send(parts, 2, 0, nullptr, nullptr, DPNSEND_SYNC), DPN_OK);
    ASSERT_TRUE(m_ServerInbox.WaitFor([&] { return m_ServerInbox.messages.size() == 1; }));
    EXPECT_EQ(m_ServerInbox.messages[0], (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));

    const BufferDesc reply{1, five + 5};
    ASSERT_EQ(m_Server.SendTo(m_ServerInbox.players[0], &reply, 1, 0, nullptr, nullptr, DPNSEND_SYNC),
              DPN_OK);
    ASSERT_TRUE(m_ClientInbox.WaitFor([&] { return m_ClientInbox.messages.size() == 1; }));
    EXPECT_EQ(m_ClientInbox.messages[0], (std::vector<std::uint8_t>{0xEE}));

    std::vector<std::uint8_t> huge(kMaxMessageSize + 1);
    const BufferDesc tooLarge{std::uint32_t(huge.size()), huge.data()};
    EXPECT_EQ(m_Client.Send(&tooLarge, 1, 0, nullptr, nullptr, DPNSEND_SYNC), DPNERR_DATATOOLARGE);
    EXPECT_EQ(m_Client.Send(&tooLarge, 1, 0, nullptr, nullptr, 0), DPNERR_UNSUPPORTED);

    // Stray datagrams at the host's port are dropped; it goes on answering.
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(std::uint16_t(m_nPort));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char* strays[] = {"TVXQ", "TVXQ too short", "garbage that is not ENet"};
    for (const char* stray : strays)
        ::sendto(s, stray, std::strlen(stray), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(s);
    ASSERT_EQ(Enumerate(kGame), DPN_OK);
    EXPECT_EQ(m_ClientInbox.sessions.size(), 2u);

    m_Server.Close(0);
    ASSERT_TRUE(m_ClientInbox.WaitFor([&] { return m_ClientInbox.terminated == 1; }));
    EXPECT_EQ(m_Client.Send(parts, 2, 0, nullptr, nullptr, DPNSEND_SYNC), DPNERR_NOCONNECTION);
}
