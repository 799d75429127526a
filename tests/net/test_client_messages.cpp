// What the client takes from the wire: every message type through
// OnProcessMessage, the truncated, miscounted and oversized variants
// refused with one error line each and nothing changed, and GetData's
// limit on a message's size.
#include "common/LogDirTest.h"
#include "net/NetClient.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

// Within the message only: a cut message loses what lies past its end.
void Put(Bytes& m, std::size_t at, std::uint32_t v)
{
    if (at + 4 <= m.size()) std::memcpy(m.data() + at, &v, 4);
}

Bytes Message(std::uint32_t type, std::size_t size)
{
    Bytes m(size);
    if (size >= 4) std::memcpy(m.data(), &type, 4);
    return m;
}

// A games list of count records (each text1 "G<n>"), of size bytes (0: exact).
Bytes GamesList(std::uint32_t count, std::size_t size = 0)
{
    Bytes m = Message(0x2006, size ? size : 12 + 112 * count);
    Put(m, 8, count);
    for (std::uint32_t i = 0; i < count && 12 + 112 * (i + 1) <= m.size(); ++i)
    {
        const std::string text = "G" + std::to_string(i);
        std::memcpy(m.data() + 12 + 112 * i + 9, text.c_str(), text.size());
        std::memcpy(m.data() + 12 + 112 * i + 76, "map", 3);
    }
    return m;
}

Bytes Details(std::int32_t selected, std::uint32_t count, std::size_t size = 0)
{
    Bytes m = Message(0x2007, size ? size : (count ? 396 + 164 * count : 12));
    Put(m, 4, std::uint32_t(selected));
    Put(m, 8, count);
    for (std::uint32_t i = 0; i < count && 396 + 164 * (i + 1) <= m.size(); ++i)
        Put(m, 396 + 164 * i, 100 + i);
    return m;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class NetClientMessages : public testutil::CLogDirTest
{
protected:
    void Process(const Bytes& m) { m_Client.OnProcessMessage(m.data(), std::uint32_t(m.size())); }

    CMMNetClient m_Client;
};

} // namespace

TEST_F(NetClientMessages, EachTypeIsTakenIn)
{
    struct SRow
    {
        const char* name;
        Bytes message;
        std::function<void(const CMMNetClient&)> check;
    };
    const std::vector<SRow> rows = {
        {"games list of three", GamesList(3),
         [](const CMMNetClient& c)
         {
             ASSERT_EQ(c.GetGameCount(), 3);
             EXPECT_EQ(CMMNetClient::GameText(c.GetGame(0), 1), "G0");
             EXPECT_EQ(CMMNetClient::GameText(c.GetGame(2), 1), "G2");
             EXPECT_EQ(CMMNetClient::GameText(c.GetGame(2), 2), "map");
         }},
        {"games list with bytes to spare", GamesList(1, 12 + 112 + 50),
         [](const CMMNetClient& c) { EXPECT_EQ(c.GetGameCount(), 1); }},
        {"empty games list replaces the list", GamesList(0),
         [](const CMMNetClient& c) { EXPECT_EQ(c.GetGameCount(), 0); }},
        {"details of two", Details(1234, 2),
         [](const CMMNetClient& c)
         {
             EXPECT_EQ(c.m_iSelected, 1234);
             ASSERT_EQ(c.GetGameDetails().size(), 2u);
             EXPECT_EQ(c.GetGameDetails()[0].sessionIds[0], 100u);
             EXPECT_EQ(c.GetGameDetails()[1].sessionIds[0], 101u);
         }},
        {"details of none", Details(77, 0),
         [](const CMMNetClient& c)
         {
             EXPECT_EQ(c.m_iSelected, 77);
             EXPECT_TRUE(c.GetGameDetails().empty());
         }},
        {"selected",
         []
         {
             Bytes m = Message(0x2008, 8);
             Put(m, 4, 4321);
             return m;
         }(),
         [](const CMMNetClient& c) { EXPECT_EQ(c.m_iSelected, 4321); }},
        {"game state", Message(0x2009, 4),
         [](const CMMNetClient& c) { EXPECT_EQ(c.m_dwGameState, 0x2009u); }},
        {"created", Message(0x2004, 8), nullptr},
        {"game created", Message(0x2005, 8), nullptr},
        {"an object update", Message(0x3001, 40), nullptr},
        {"unknown", Message(0x7777, 4), nullptr},
        // Each asks for the details (not connected here, so the request
        // cannot go; the end-to-end test sees it arrive).
        {"exit", Message(0x2001, 120), nullptr},
        {"descriptor", Message(0x2002, 120), nullptr},
        {"pause", Message(0x2003, 120), nullptr},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        m_Client.m_dwReplyType = 0;
        Process(row.message);
        std::uint32_t type;
        std::memcpy(&type, row.message.data(), 4);
        EXPECT_EQ(m_Client.m_dwReplyType, type);
        if (row.check) row.check(m_Client);
    }
    EXPECT_EQ(Count(ReadText("error.log"), "dropped"), 0u);
}

TEST_F(NetClientMessages, TruncatedMiscountedAndOversizedMessagesAreDroppedWithOneLineEach)
{
    Process(GamesList(2));
    Process(Details(55, 1));
    const std::vector<std::pair<const char*, Bytes>> rows = {
        {"empty", Bytes{}},
        {"three bytes", Bytes{0x06, 0x20, 0}},
        {"games list without its count", Message(0x2006, 11)},
        {"games list one record short", GamesList(3, 12 + 2 * 112)},
        {"games list one byte short", GamesList(1, 12 + 111)},
        {"games list counting 2^32 - 1", GamesList(0xFFFFFFFFu, 12 + 112)},
        {"games list counting past 32 bits of bytes", GamesList(0x02492493u, 12 + 112 + 4)},
        {"details without their count", Details(9, 0, 11)},
        {"details too short for the first descriptor", Details(9, 1, 100)},
        {"details one byte short", Details(9, 2, 396 + 2 * 164 - 1)},
        {"details counting past 32 bits of bytes", Details(9, 0x01900001u, 396 + 164)},
        {"selected without the index", Message(0x2008, 7)},
    };
    std::size_t lines = Count(ReadText("error.log"), "dropped");
    for (const auto& [name, message] : rows)
    {
        SCOPED_TRACE(name);
        m_Client.m_dwReplyType = 0;
        Process(message);
        EXPECT_EQ(m_Client.m_dwReplyType, 0u);
        EXPECT_EQ(m_Client.GetGameCount(), 2);
        EXPECT_EQ(m_Client.m_iSelected, 55);
        EXPECT_EQ(m_Client.GetGameDetails().size(), 1u);
        const std::size_t now = Count(ReadText("error.log"), "dropped");
        EXPECT_EQ(now, lines + 1);
        lines = now;
    }
}

TEST_F(NetClientMessages, GetDataDropsAMessageLargerThanItsWorkBufferAndReadsTheNext)
{
    CNetRing& ring = m_Client.GetReceiveRing();
    EXPECT_EQ(m_Client.GetData(), plat::E_FAIL);

    const std::uint32_t big = CMMNetClient::kMaxMessageSize + 1;
    Bytes huge = GamesList(1, big);
    CNetConnection::SRingHeader header{plat::dp::DPN_MSGID_RECEIVE, 12, 1, big};
    ASSERT_TRUE(ring.WriteRecord(&header, sizeof header, huge.data(), big));
    Bytes fits = GamesList(3);
    header.dataSize = std::uint32_t(fits.size());
    ASSERT_TRUE(ring.WriteRecord(&header, sizeof header, fits.data(), header.dataSize));

    EXPECT_EQ(m_Client.GetData(), plat::S_OK);
    EXPECT_EQ(m_Client.GetGameCount(), 3);
    EXPECT_FALSE(ring.HasData());
    EXPECT_NE(ReadText("error.log").find("a message of 204773 bytes is larger"), std::string::npos);

    // A record whose head is not the ring's own: everything waiting goes.
    header.headerSize = 99;
    ASSERT_TRUE(ring.WriteRecord(&header, sizeof header, fits.data(), header.dataSize));
    EXPECT_EQ(m_Client.GetData(), plat::S_OK);
    EXPECT_FALSE(ring.HasData());
    EXPECT_NE(ReadText("error.log").find("damaged record"), std::string::npos);
}

TEST_F(NetClientMessages, ServerUrlsGiveHostAndPortOrNothing)
{
    struct SRow
    {
        const char* url;
        const char* host;
        std::uint32_t port;
    };
    const SRow rows[] = {
        {"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D;hostname=10.1.2.3;port=2609",
         "10.1.2.3", 2609},
        {"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D;hostname=game.example",
         "game.example", 0},
        {"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D;port=77", "", 77},
        {"x-directplay:/hostname=a;port=x9", "a", 0},
        {"x-directplay:/xhostname=a;port=5", "", 5},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.url);
        CMMNetClient::SServerEntry entry;
        entry.port = 99;
        CMMNetClient::ReadServerUrl(row.url, &entry);
        EXPECT_STREQ(entry.hostName, row.host);
        EXPECT_EQ(entry.port, row.port);
    }
    // A host name past its 64-character field is cut, with a line.
    CMMNetClient::SServerEntry entry;
    CMMNetClient::ReadServerUrl("x-directplay:/hostname=" + std::string(100, 'h') + ";port=1", &entry);
    EXPECT_EQ(std::string(entry.hostName), std::string(63, 'h'));
    EXPECT_EQ(entry.port, 1u);
    EXPECT_NE(ReadText("error.log").find("has 100 characters; cut to 63"), std::string::npos);
}

TEST_F(NetClientMessages, SettingsComeFromTheNetSection)
{
    // "Игрок" (player) in code page 1251.
    Tree().WriteText(
        "DATA/CONFIG/cfg.ini",
        "[CONFIG]\r\nVisibleRadius=100\r\n[NET]\r\nPlayer=\xc8\xe3\xf0\xee\xea\r\nHost=192.0.2.7\r\n"
        "RunServer=1\r\n");
    g_Settings.Codepage = 0;
    m_Client.LoadSettingsFrom(Tree() / "DATA/CONFIG/cfg.ini");
    const std::uint16_t player[] = {0x0418, 0x0433, 0x0440, 0x043E, 0x043A, 0};
    EXPECT_EQ(0, std::memcmp(m_Client.m_OwnDescriptor.name, player, sizeof player));
    // The host does not overwrite the player's name; it is the host to ask.
    EXPECT_EQ(m_Client.GetDefaultHost(), "192.0.2.7");
    EXPECT_TRUE(g_bRunServer);

    Tree().WriteText("DATA/CONFIG/cfg.ini",
                     "[NET]\r\nPlayer=" + std::string(80, 'p') + "\r\nRunServer=2\r\n");
    m_Client.LoadSettingsFrom(Tree() / "DATA/CONFIG/cfg.ini");
    EXPECT_EQ(m_Client.m_OwnDescriptor.name[62], 'p');
    EXPECT_EQ(m_Client.m_OwnDescriptor.name[63], 0);
    EXPECT_EQ(m_Client.GetDefaultHost(), "");
    EXPECT_FALSE(g_bRunServer);
}

TEST(NetConnectionNames, AreCutToTheirFieldAndAlwaysEnded)
{
    wchar_t wide[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(CNetConnection::AnsiToWide(wide, "\xc8\xe3\xf0\xee\xea", 4), plat::S_OK); // "Игрок"
    EXPECT_EQ(std::wstring(wide), std::wstring(L"\x0418\x0433\x0440"));
    char narrow[3] = {'x', 'x', 'x'};
    EXPECT_EQ(CNetConnection::WideToAnsi(narrow, L"host", 3), plat::S_OK);
    EXPECT_STREQ(narrow, "ho");
    EXPECT_EQ(CNetConnection::AnsiToWide(wide, "a", 0), plat::E_INVALIDARG);
    EXPECT_EQ(CNetConnection::AnsiToWide(nullptr, "a", 4), plat::E_INVALIDARG);
    EXPECT_EQ(CNetConnection::WideToAnsi(narrow, nullptr, 3), plat::E_INVALIDARG);
}
