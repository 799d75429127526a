// Layer-internal parts of the DirectPlay-shaped layer: the wire formats of
// host enumeration and of the session hand-shake, the address state, and
// the service thread that the client and the server share.
//
// Datagrams and hand-shake messages (little-endian):
//
//   enumeration query, 28 bytes (to the host's port)
//     0  4 magic "TVXQ"          4  4 version (1)
//     8 16 application GUID (all zeros: any application)
//    24  4 query id (the answer echoes it)
//   enumeration answer, 54 + 2 n bytes (from the host's session socket)
//     0  4 magic "TVXR"          4  4 version (1)
//     8 16 application GUID     24 16 instance GUID
//    40  4 query id             44  4 maximum players
//    48  4 current players      52  2 n: session name length, UTF-16 units (at most 255)
//    54 2n session name, UTF-16LE, no terminator
// A session's first packet each way is the hand-shake; every later packet
// is one application message as it was sent (one ENet channel, so the
// hand-shake is always delivered before the data):
//   connect request (client), 24 bytes: magic "TVXC", version, application GUID
//   accept (host), 28 bytes: magic "TVXA", version, instance GUID, the client's player id
//   reject (host), 12 bytes: magic "TVXJ", version, the reason (an HRESULT)
//
// A datagram of another size, magic or version is dropped; a hand-shake
// that is not well formed ends the session attempt.
#pragma once

#include "platform/dplay/DPlay.h"

#include <enet/enet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat::dp::detail
{

constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kQuerySize = 28;
constexpr std::size_t kAnswerHeaderSize = 54;
constexpr std::size_t kMaxNameUnits = 255;
constexpr std::size_t kConnectRequestSize = 24;
constexpr std::size_t kAcceptSize = 28;
constexpr std::size_t kRejectSize = 12;
constexpr std::uint8_t kChannel = 0;
constexpr std::size_t kChannelCount = 1;
// ENet's disconnect data when the host ends a session on purpose.
constexpr std::uint32_t kHostTerminated = 1;
// The id every client gives the host's player.
constexpr DPNID kHostPlayer = 1;
// How long a synchronous connect waits for the host's acceptance.
constexpr std::chrono::milliseconds kConnectTimeout{5000};

using Clock = std::chrono::steady_clock;

// The magic words as they stand in the first four bytes.
std::uint32_t Magic(const char (&text)[5]);

// Little-endian field access.
void Put16(std::uint8_t* at, std::uint16_t value);
void Put32(std::uint8_t* at, std::uint32_t value);
std::uint16_t Get16(const std::uint8_t* at);
std::uint32_t Get32(const std::uint8_t* at);
void PutGuid(std::uint8_t* at, const Guid& guid);
Guid GetGuid(const std::uint8_t* at);
bool IsNullGuid(const Guid& guid);

struct SEnumAnswer
{
    Guid application;
    Guid instance;
    std::uint32_t queryId = 0;
    std::uint32_t maxPlayers = 0;
    std::uint32_t currentPlayers = 0;
    std::wstring sessionName; // UTF-16 units, one per wchar_t
};

std::vector<std::uint8_t> EncodeQuery(const Guid& application, std::uint32_t queryId);
// False for anything but a well-formed query.
bool DecodeQuery(const std::uint8_t* data, std::size_t size, Guid* application, std::uint32_t* queryId);
std::vector<std::uint8_t> EncodeAnswer(const SEnumAnswer& answer);
bool DecodeAnswer(const std::uint8_t* data, std::size_t size, SEnumAnswer* answer);
// The hand-shake packets (reliable, ready to send).
ENetPacket* MakeConnectRequest(const Guid& application);
ENetPacket* MakeAccept(const Guid& instance, DPNID player);
ENetPacket* MakeReject(HResult reason);

// The layer's one ENet initialisation.
bool EnsureEnet();

// Address components.
struct SComponent
{
    std::wstring name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

struct SAddressState
{
    bool hasServiceProvider = false;
    Guid serviceProvider;
    std::vector<SComponent> components;
};

// The "hostname" (converted to 8 bits; empty when absent) and the "port"
// (0 when absent) of an address. False when a component has the wrong type.
bool ReadHostAndPort(Address* address, std::string* host, std::uint32_t* port);
// A new TCP/IP address holding the dotted IPv4 number and the port.
Address* MakeAddress(const ENetAddress& where);
// "a.b.c.d" of an ENet address.
std::string DottedHost(const ENetAddress& where);

// One event taken from the wire under the lock and handed to the handler
// without it.
struct SEvent
{
    std::uint32_t id = 0;
    DPNID player = 0;
    ENetPacket* packet = nullptr; // owned until delivered
    HResult reason = DPN_OK;
    ENetAddress from{};
    SEnumAnswer answer;
    std::uint32_t latencyMs = 0;
};

// The service thread of a client or a server. Each pass takes the lock,
// lets the owner pump its sockets into a list of events, releases the lock,
// delivers the events and waits at most a few milliseconds for a socket to
// become readable.
class CServiceLoop
{
public:
    CServiceLoop() = default;
    CServiceLoop(const CServiceLoop&) = delete;
    CServiceLoop& operator=(const CServiceLoop&) = delete;
    virtual ~CServiceLoop() = default;

    void Start();
    // Waits for the thread; the caller does not hold the lock.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

    std::mutex m_mutex;
    std::condition_variable m_changed;

protected:
    // Under the lock.
    virtual void Pump(std::vector<SEvent>& events) = 0;
    virtual void Sockets(std::vector<ENetSocket>& sockets) = 0;
    virtual void AfterDelivery() {}
    // Without the lock.
    virtual void Deliver(SEvent& event) = 0;

private:
    void Run();

    std::thread m_thread;
    bool m_bStop = false;
};

// Frees what an undelivered event owns.
void DropEvent(SEvent& event);
// Hands a received message to the handler.
void DeliverReceive(MessageHandler handler, void* context, const SEvent& event);
// The buffers back to back as one reliable packet to the peer, put on the
// wire at once (the caller holds the lock).
HResult SendPacket(ENetHost* host, ENetPeer* peer, const BufferDesc* buffers, std::uint32_t count);
// True, with one warning the first time, when flags lack the sync flag.
bool RefuseAsync(std::uint32_t flags, std::uint32_t syncFlag, std::atomic<bool>& warned);

} // namespace plat::dp::detail
