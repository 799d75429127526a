// Fuzz target of the network client's received messages: any bytes as one
// message to OnProcessMessage, and the same bytes through the receive ring
// and GetData. What the client keeps must fit what it was given. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_netmessage_seeds DIR writes the test host's replies (games lists,
// game details) and the short messages, plus damaged variants of each.
#include "net/NetClient.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("netmessage");
    if (!ready) std::abort();
    static CMMNetClient client;
    if (size > CMMNetClient::kMaxMessageSize + 16) return 0;
    client.m_dwReplyType = 0; // set again only by a message taken in
    client.OnProcessMessage(data, std::uint32_t(size));
    std::uint32_t type = 0;
    if (size >= 4) std::memcpy(&type, data, 4);
    if (size >= 4 && client.m_dwReplyType == type)
    {
        if (type == netmsg::kGamesList && 12 + std::size_t(client.GetGameCount()) * 112 > size) std::abort();
        if (type == netmsg::kGameDetails && !client.GetGameDetails().empty() &&
            396 + client.GetGameDetails().size() * 164 > size)
            std::abort();
    }
    // The same bytes as a received message.
    const CNetConnection::SRingHeader header{plat::dp::DPN_MSGID_RECEIVE, 12, 1, std::uint32_t(size)};
    if (client.GetReceiveRing().WriteRecord(&header, sizeof header, data, std::uint32_t(size)))
    {
        client.GetData();
        if (client.GetReceiveRing().HasData()) std::abort();
    }
    return 0;
}

#else

#include "tools/nethost/NetTestHost.h"

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_netmessage_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::vector<CNetTestHost::SGame> games = {{"NewGame", "net_test.mmp"}, {"Arena", "net_test.mmp"}};
    fuzz::WriteSeeds(dir, "games_none", CNetTestHost::GamesListReply({}));
    fuzz::WriteSeeds(dir, "games_two", CNetTestHost::GamesListReply(games));
    fuzz::WriteSeeds(dir, "details_none", CNetTestHost::DetailsReply(7, {}));
    fuzz::WriteSeeds(dir, "details_two", CNetTestHost::DetailsReply(1000, games));
    for (std::uint32_t type : {netmsg::kExitGame, netmsg::kGameDescriptor, netmsg::kPause, netmsg::kSelected,
                               netmsg::kGameState, netmsg::kAbort})
    {
        std::vector<std::uint8_t> message(netmsg::kHeaderSize);
        std::memcpy(message.data(), &type, 4);
        std::memcpy(message.data() + 4, &netmsg::kHeaderSize, 4);
        fuzz::WriteSeeds(dir, "type_" + std::to_string(type), message);
    }
    return 0;
}

#endif
