// CNetTestHost: a game server that speaks the client's messages over the
// DirectPlay-shaped layer (its server side), for the network tests and,
// through the nethost tool, for trying the game's network mode by hand on
// one machine.
//
// It answers host enumeration with its session name (empty allowed),
// accepts sessions of the game's application GUID, and handles what a
// client sends, each checked by its exact length and size word (the player
// state's size word is 0):
//   0x1004 opening: nothing; 0x2006 games list request: the games list;
//   0x2004 create: the game joins the list, and a 0x2007 reply gives the
//     creator its player id (firstPlayerId, then one more per creation) and
//     the games' descriptors;
//   0x2007 details request: the same details reply;
//   0x2002 descriptor, 0x00FF player state, 0x1006 clock, 0x2003 pause,
//     0x2001 exit: recorded;
//   anything else must be object updates: 40-byte or longer descriptors
//     back to back, each of kind 0x3001 or 0x3002 and sized at offset 24.
// A message that fits none of these is recorded as bad.
//
// Threads: the layer calls the handler on its service thread; the record
// of what arrived is guarded by a lock, so tests may wait on it from any
// thread.
#pragma once

#include "net/NetMessages.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace plat::dp
{
class Server;
}

class CNetTestHost
{
public:
    struct SGame
    {
        std::string name; // the record's first text
        std::string map;  // its second
    };

    struct SOptions
    {
        std::string bindAddress = "127.0.0.1"; // an IPv4 number; empty: every interface
        std::uint32_t port = 0;                // 0: a free port
        std::string sessionName = "Tarvox test host";
        std::vector<SGame> games = {{"NewGame", "net_test.mmp"}};
        std::int32_t firstPlayerId = 1000;
    };

    struct SReceived
    {
        std::uint32_t player = 0;
        std::uint32_t type = 0; // the message type; kObjectUpdates or kBad
        std::vector<std::uint8_t> bytes;
        std::uint32_t objects = 0; // descriptors in object updates
    };
    static constexpr std::uint32_t kObjectUpdates = 0xFFFF0001u;
    static constexpr std::uint32_t kBad = 0xFFFF0002u;

    using Log = std::function<void(const std::string&)>;

    explicit CNetTestHost(Log log = {});
    ~CNetTestHost();
    CNetTestHost(const CNetTestHost&) = delete;
    CNetTestHost& operator=(const CNetTestHost&) = delete;

    // False when the session cannot be opened (the port is taken).
    bool Start(const SOptions& options);
    // Ends every session; the clients see theirs end.
    void Stop();
    std::uint32_t GetPort() const { return m_nPort; }

    int GetPlayerCount() const;
    std::vector<SReceived> GetReceived() const;
    std::vector<SReceived> GetReceived(std::uint32_t type) const;
    // Waits until count messages of the type have arrived in all.
    bool WaitForMessages(std::uint32_t type, std::size_t count, int milliseconds) const;
    bool WaitForPlayers(int count, int milliseconds) const;

    // To every client in session.
    bool SendToClients(const std::vector<std::uint8_t>& message);
    // An 8-byte message: the type and the size 8.
    bool SendType(std::uint32_t type);
    // Ends one client's session (the one that connected first).
    bool DropFirstClient();

    static std::vector<std::uint8_t> GamesListReply(const std::vector<SGame>& games);
    static std::vector<std::uint8_t> DetailsReply(std::int32_t selected, const std::vector<SGame>& games);
    // How a message of the client reads: its type, kObjectUpdates or kBad,
    // and the descriptors of object updates.
    static std::uint32_t Classify(const std::uint8_t* data, std::size_t size, std::uint32_t* objects);

private:
    static std::int32_t Handler(void* context, std::uint32_t messageId, void* message);
    void OnReceive(std::uint32_t player, const std::uint8_t* data, std::size_t size);
    void Reply(std::uint32_t player, const std::vector<std::uint8_t>& message);

    Log m_log;
    plat::dp::Server* m_pServer = nullptr;
    std::uint32_t m_nPort = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::uint32_t> m_Players;
    std::vector<SReceived> m_Received;
    std::vector<SGame> m_Games;
    std::int32_t m_iNextPlayerId = 0;
};
