// CNetConnection: the transport under the network client, a DirectPlay 8
// client (platform/dplay) over the TCP/IP provider. It finds hosts by
// enumeration and keeps the list of found hosts, connects to one of them,
// sends buffers synchronously, and copies every received message from the
// layer's handler thread into a byte ring that the game thread empties. It
// knows nothing of the game's messages.
//
// The game talks only to hosts built on the same layer (its wire is our
// own, see platform/dplay/DPlay.h).
//
// Receive ring record (in memory), one per received message, stored whole
// or not at all:
//   0  4 message type (DPN_MSGID_RECEIVE)
//   4  4 size of the rest of this header (12)
//   8  4 sender's player id
//  12  4 data size
//  16  . the received bytes
//
// Threads: the layer's handler runs on the layer's service thread. It fills
// the found-host list under m_HostLock (which Connect, ClearHosts and the
// client's host scan also take), writes the ring (one writer, the game
// thread the one reader) and sets the connected and host-found flags
// (atomic). Everything else runs on the game thread; Init, SetHost and the
// enumeration may run on a worker thread while the game thread waits.
#pragma once

#include "net/NetRing.h"
#include "net/NetTimer.h"
#include "platform/Thread.h"
#include "platform/Types.h"
#include "platform/dplay/DPlay.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CNetConnection
{
public:
    // The receive ring's size: several frames of the largest messages.
    static constexpr std::uint32_t kRingCapacity = 1u << 20;
    static constexpr std::uint32_t kRingHeaderSize = 16;
    static constexpr std::uint32_t kDefaultPort = 2609;
    static constexpr std::size_t kNameSize = 128;
    // The game's sessions: {1AD4CA3B-AC68-4D9B-9522-BE59CD485276}.
    static constexpr plat::dp::Guid kApplicationGuid = {
        0x1AD4CA3B, 0xAC68, 0x4D9B, {0x95, 0x22, 0xBE, 0x59, 0xCD, 0x48, 0x52, 0x76}};

    // A host that answered the enumeration.
    struct SHostEntry
    {
        plat::dp::ApplicationDesc description; // its pointers cleared
        plat::dp::Address* address = nullptr;  // owned duplicate
        bool hasSessionName = false;
        std::string sessionName; // 8-bit
    };

    struct SRingHeader
    {
        std::uint32_t type;
        std::uint32_t headerSize;
        std::uint32_t sender;
        std::uint32_t dataSize;
    };
    static_assert(sizeof(SRingHeader) == kRingHeaderSize);

    CNetConnection();
    virtual ~CNetConnection();
    CNetConnection(const CNetConnection&) = delete;
    CNetConnection& operator=(const CNetConnection&) = delete;

    // S_OK when the receive ring holds data, else E_FAIL.
    plat::HResult HasData() const;
    // Receives and handles every waiting message (the client does).
    virtual plat::HResult GetData() { return HasData(); }
    // One received message (the client does).
    virtual void OnProcessMessage(const std::uint8_t* /*data*/, std::uint32_t /*size*/) {}
    CNetRing& GetReceiveRing() { return m_Ring; }

    // Creates the layer's client with the message handler; S_OK when the
    // TCP/IP provider is listed, E_FAIL when it is not, else the failure.
    plat::HResult Init();
    plat::HResult CreateDeviceAddress();
    // TCP/IP, "hostname" when the name is not empty, "port" when m_dwPort
    // is not 0. The first failure is returned.
    plat::HResult SetHostAddress(const char* hostName);
    // Empties the found-host list and enumerates m_szHostName:m_dwPort
    // (4 queries); S_OK when at least one host answered, E_FAIL when none.
    plat::HResult EnumHosts();
    // Connects to found host number m_byChosenHost. A host past the end of
    // the list is a failure (DPNERR_DOESNOTEXIST); nothing is connected then.
    plat::HResult Connect();
    // Exactly size bytes as one message.
    plat::HResult Send(const void* data, std::uint32_t size);
    // Ends the session and initialises the client again.
    plat::HResult Reset();
    void ClearHosts();
    // At shutdown; safe without Init and when called twice.
    void Close();
    // The 16-byte clock message 0x1006; false when it could not be sent.
    bool SendClock();

    bool IsConnected() const { return m_bConnected.load() != 0; }
    bool IsHostFound() const { return m_bHostFound.load() != 0; }
    std::size_t GetHostCount();
    // The layer's client (tests shorten its enumeration through SetSPCaps).
    plat::dp::Client* GetClient() { return m_pClient; }
    // The 8-bit <-> wide conversions of names (system code page), cut to
    // the destination's size in characters and always terminated: E_INVALIDARG
    // for a missing pointer or a size below 1, E_FAIL when the text cannot
    // be converted.
    static plat::HResult AnsiToWide(wchar_t* out, const char* text, int size);
    static plat::HResult WideToAnsi(char* out, const wchar_t* text, int size);

    plat::dp::Client* m_pClient = nullptr;
    plat::dp::Address* m_pDeviceAddress = nullptr;
    plat::dp::Address* m_pHostAddress = nullptr;
    char m_szSessionName[kNameSize] = {};
    char m_szHostName[kNameSize] = {};
    std::uint32_t m_dwPort = kDefaultPort;
    std::uint8_t m_byChosenHost = 0;
    // Summed into the time stamp of object updates.
    float m_fClockOffset = 0.0f;
    float m_fClock = 0.0f;
    CNetTimer m_Timer;

protected:
    static plat::HResult MessageHandler(void* context, std::uint32_t messageId, void* message);
    void OnEnumResponse(const plat::dp::MsgEnumHostsResponse& response);
    void OnReceive(const plat::dp::MsgReceive& receive);

    std::atomic<std::uint32_t> m_bConnected{0};
    std::atomic<std::uint32_t> m_bHostFound{0};
    // Newest first.
    std::vector<SHostEntry> m_Hosts;
    plat::CriticalSection m_HostLock;
    // The type and size of the last message the handler stored.
    std::atomic<std::uint32_t> m_dwLastReceiveType{0};
    std::atomic<std::uint32_t> m_dwLastReceiveSize{0};
    CNetRing m_Ring{kRingCapacity};
    bool m_bComInitialised = false;
};
