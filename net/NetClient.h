// CMMNetClient: the game's network client, one object made at start-up
// (g_pNetClient) on the connection of CNetConnection. It reads the [NET]
// settings, scans the found hosts into a server list, connects to the
// chosen server, asks for its games, creates a game, and in the network
// game exchanges the player's state and the changed network objects every
// frame. The messages are in net/NetMessages.h.
//
// Everything from the wire is checked before use: a message larger than the
// work buffer, shorter than its type needs, or whose record count does not
// fit its length is dropped with one error-log line; the connection stays.
//
// What the application calls:
//   start-up (after the settings are read): CreateNetClient();
//   options applied: g_pNetClient->LoadSettings("cfg.ini");
//   network dialog: Init(), SetHost(nullptr, 0), m_iSelected = row,
//     GetGamesList(); the tables through GetServer/GetGame;
//   network game frame: GetData(); Senddata(false) every frame and again
//     every 5 s (a negative result: the send failed); the glider marked for
//     sending once a second; SendPause() when the pause menu opens;
//     m_bInNetGame while the loop runs; SendExitGame() when it ends;
//     m_iSelected is the player id the object ids start from;
//   modal menus in the network game: Senddata(true) and GetData() once a second;
//   shutdown: DestroyNetClient().
//
// Threads: the game thread, except Init and SetHost, which the network
// dialog runs on a worker thread while the game thread only draws.
#pragma once

#include "net/NetConnection.h"
#include "net/NetMessages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMMNetClient : public CNetConnection
{
public:
    // The shared buffer of outgoing messages: the largest message and a
    // frame's object updates.
    static constexpr std::uint32_t kBufferSize = 64 * 1024;
    // The largest message taken in (the work buffer's 204,800 bytes less
    // the 28 that a received message's header took in it).
    static constexpr std::uint32_t kMaxMessageSize = 204800 - 28;
    static constexpr std::size_t kFieldSize = 64;
    // The chosen host is a byte: later hosts cannot be chosen.
    static constexpr std::size_t kMaxServers = 256;

    struct SServerEntry
    {
        std::uint32_t port = 0;
        char hostName[kFieldSize] = {};
        char sessionName[kFieldSize] = {};
        std::uint32_t index = 0; // in the found-host list
    };

    CMMNetClient();
    ~CMMNetClient() override;

    // Receives and handles every waiting message; E_FAIL when none waits.
    plat::HResult GetData() override;
    // One received message (any bytes: it is checked here).
    void OnProcessMessage(const std::uint8_t* data, std::uint32_t size) override;

    // [NET] of "DATA\CONFIG\" + fileName below the game's folder (none:
    // "cfg.ini"): "Player" (the own descriptor's name), "Host" (the host
    // that SetHost enumerates when it is given none), "RunServer".
    void LoadSettings(const char* fileName = nullptr);
    void LoadSettingsFrom(const std::string& path);
    void SetHostName(const char* name);
    // Enumerates the host (none: the [NET] host, else the local network) on
    // the port (0: 2609) and builds the server list; E_FAIL when none answers.
    plat::HResult SetHost(const char* hostName, std::uint32_t port);
    // Connects to server m_iSelected and asks for its games; true when the
    // list arrived.
    bool GetGamesList();
    // Connects first when not connected; true once the record is sent.
    bool CreateGame(netmsg::SGameRecord record);
    plat::HResult SendExitGame();
    plat::HResult SendPause();
    plat::HResult SendGameDescriptor();
    // player: the player state (the send's result). Else the changed
    // network objects: S_OK when none changed, else the send's result.
    plat::HResult Senddata(bool player);
    // True when a message of the type arrives within the tries (1 ms
    // apart); false on an abort (0xFFFF) or when none came.
    bool WaitForReply(std::uint32_t type, int tries);

    int GetServerCount() const { return int(m_Servers.size()); }
    const SServerEntry& GetServer(int index) const { return m_Servers[std::size_t(index)]; }
    int GetGameCount() const { return int(m_Games.size()); }
    const netmsg::SGameRecord& GetGame(int index) const { return m_Games[std::size_t(index)]; }
    // The host name ("hostname=", empty when absent) and port ("port=", 0
    // when absent) of an address URL, the host name cut to its field.
    static void ReadServerUrl(const std::string& url, SServerEntry* entry);
    // A game record's two texts (which 1 or 2), cut at their field's end.
    static std::string GameText(const netmsg::SGameRecord& record, int which);
    const std::vector<netmsg::SGameDescriptor>& GetGameDetails() const { return m_GameDetails; }
    const std::string& GetDefaultHost() const { return m_strDefaultHost; }

    std::uint32_t m_dwReplyType = 0;
    netmsg::SGameDescriptor m_OwnDescriptor{};
    // -1 at construction; 0xFFFFFFFF until a 0x2009 arrives.
    std::uint32_t m_dwGameState = 0xFFFFFFFF;
    // The chosen server (the dialog sets it), then the player id that a
    // 0x2007 or 0x2008 reply gives.
    std::int32_t m_iSelected = -1;
    bool m_bInNetGame = false;

private:
    void DropMessage(std::uint32_t type, std::uint32_t size, const char* reason) const;
    // A 120-byte message: the header, then the payload, the rest 0.
    plat::HResult SendSessionMessage(std::uint32_t type, const void* payload, std::uint32_t size);
    plat::HResult SendHeader(std::uint32_t type, std::uint32_t size);
    plat::HResult SendObjectUpdates();

    std::vector<SServerEntry> m_Servers;
    std::vector<netmsg::SGameRecord> m_Games;
    std::vector<netmsg::SGameDescriptor> m_GameDetails;
    std::string m_strDefaultHost;
    std::unique_ptr<std::uint8_t[]> m_pBuffer;
    std::unique_ptr<std::uint8_t[]> m_pWork;
    // The type a wait is for, and whether it came.
    std::uint32_t m_dwAwaited = 0;
    bool m_bAwaitedArrived = false;
};

extern CMMNetClient* g_pNetClient;
// "RunServer" of [NET] is 1.
extern bool g_bRunServer;

// Start-up: makes g_pNetClient and reads [NET] from "cfg.ini".
void CreateNetClient();
// Shutdown: closes the connection and frees the client; safe twice.
void DestroyNetClient();
