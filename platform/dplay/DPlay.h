// The network layer in the shape of DirectPlay 8, over ENet.
//
// What the game sees is DirectPlay's: COM-style creation of a client, a
// server and address objects, the TCP/IP service provider, address objects
// whose URL reads "x-directplay:/provider=%7B...%7D;hostname=...;port=...",
// synchronous host enumeration, connect and send, and a message handler
// that receives DPN_MSGID_* messages on a thread of the layer.
//
// The wire is our own, so the game talks only to hosts built on this layer
// (the original's protocol is not reproduced):
// - Sessions are ENet connections (reliable, sequenced packets over UDP,
//   connect and disconnect notices, time-outs). The first packet each way
//   is the layer's hand-shake (the host checks the application GUID and
//   answers with its instance GUID); every later one is one application
//   message of exactly the bytes sent.
// - Host enumeration uses plain datagrams to the host's port, which the
//   host answers from its session socket: sent to the "hostname" of the
//   host address when it has one, else broadcast on the local network and
//   also sent to 127.0.0.1, so that a host on the same machine is found
//   even where broadcasts do not loop back. Port: the "port" component, else
//   kDefaultPort. A host that answers several queries is reported once per
//   answer; the caller tells instances apart by the instance GUID.
// - Every datagram and hand-shake message is checked for its exact size and
//   magic before use; anything else is dropped. Received application
//   messages are limited to kMaxMessageSize bytes (ENet drops larger ones).
//
// Only synchronous operation is offered (DPNENUMHOSTS_SYNC, DPNCONNECT_SYNC,
// DPNSEND_SYNC); a call without its sync flag answers DPNERR_UNSUPPORTED and
// writes one warning. A synchronous send returns once ENet has the packet
// and has put it on the wire (not when the peer acknowledges it).
//
// Ownership: reference counted as COM objects; every creation and
// Duplicate hands out one reference, the last Release frees. Objects given
// to the handler (the sender address of an enumeration response, the data
// of a receive) live until the handler returns: keep a Duplicate or a copy.
// Threads: every call may come from any thread. Each initialised client or
// server runs one service thread of its own, which calls the handler,
// never while the layer holds its lock, so the handler may call the object
// back. Close waits for that thread: after Close (or Release) returns, the
// handler is not called again. Close must not be called from the handler.
#pragma once

#include "platform/Types.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace plat::dp
{

namespace detail
{
struct SAddressState;
struct SClientState;
struct SServerState;
} // namespace detail

struct Guid
{
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
};
bool operator==(const Guid& a, const Guid& b);
inline bool operator!=(const Guid& a, const Guid& b)
{
    return !(a == b);
}

using DPNID = std::uint32_t;
using DPNHANDLE = std::uint32_t;

// Class and interface ids, and the TCP/IP service provider (the only one).
extern const Guid CLSID_DirectPlay8Client;
extern const Guid CLSID_DirectPlay8Server;
extern const Guid CLSID_DirectPlay8Address;
extern const Guid IID_IDirectPlay8Client;
extern const Guid IID_IDirectPlay8Server;
extern const Guid IID_IDirectPlay8Address;
extern const Guid CLSID_DP8SP_TCPIP;

// The port hosts listen on, and that enumeration asks, when none is given.
constexpr std::uint32_t kDefaultPort = 2609;
// The largest application message a session carries.
constexpr std::uint32_t kMaxMessageSize = 256 * 1024;

// Result codes.
constexpr HResult DPN_OK = S_OK;
constexpr HResult DPNERR_GENERIC = E_FAIL;
constexpr HResult DPNERR_INVALIDPARAM = E_INVALIDARG;
constexpr HResult DPNERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HResult DPNERR_UNSUPPORTED = E_NOTIMPL;
constexpr HResult DPNERR_INVALIDPOINTER = static_cast<HResult>(0x80004003u);
constexpr HResult DPNERR_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult REGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154u);
constexpr HResult DPNERR_ADDRESSING = static_cast<HResult>(0x80158040u);
constexpr HResult DPNERR_ALREADYCONNECTED = static_cast<HResult>(0x80158060u);
constexpr HResult DPNERR_ALREADYINITIALIZED = static_cast<HResult>(0x80158080u);
constexpr HResult DPNERR_BUFFERTOOSMALL = static_cast<HResult>(0x80158100u);
constexpr HResult DPNERR_CONNECTIONLOST = static_cast<HResult>(0x801580D0u);
constexpr HResult DPNERR_DATATOOLARGE = static_cast<HResult>(0x80158120u);
constexpr HResult DPNERR_DOESNOTEXIST = static_cast<HResult>(0x80158160u);
constexpr HResult DPNERR_HOSTREJECTEDCONNECTION = static_cast<HResult>(0x80158220u);
constexpr HResult DPNERR_HOSTTERMINATEDSESSION = static_cast<HResult>(0x80158230u);
constexpr HResult DPNERR_INVALIDDEVICEADDRESS = static_cast<HResult>(0x80158260u);
constexpr HResult DPNERR_INVALIDFLAGS = static_cast<HResult>(0x80158270u);
constexpr HResult DPNERR_INVALIDHOSTADDRESS = static_cast<HResult>(0x801582A0u);
constexpr HResult DPNERR_INVALIDPLAYER = static_cast<HResult>(0x80158300u);
constexpr HResult DPNERR_NOCONNECTION = static_cast<HResult>(0x80158360u);
constexpr HResult DPNERR_NORESPONSE = static_cast<HResult>(0x801583A0u);
constexpr HResult DPNERR_NOTREADY = static_cast<HResult>(0x801583B0u);
constexpr HResult DPNERR_TIMEDOUT = static_cast<HResult>(0x801584A0u);
constexpr HResult DPNERR_UNINITIALIZED = static_cast<HResult>(0x801584B0u);

// Handler message ids.
constexpr std::uint32_t DPN_MSGID_OFFSET = 0xFFFF0000u;
constexpr std::uint32_t DPN_MSGID_CREATE_PLAYER = DPN_MSGID_OFFSET | 0x0007;
constexpr std::uint32_t DPN_MSGID_DESTROY_PLAYER = DPN_MSGID_OFFSET | 0x0009;
constexpr std::uint32_t DPN_MSGID_ENUM_HOSTS_RESPONSE = DPN_MSGID_OFFSET | 0x000B;
constexpr std::uint32_t DPN_MSGID_RECEIVE = DPN_MSGID_OFFSET | 0x0011;
constexpr std::uint32_t DPN_MSGID_TERMINATE_SESSION = DPN_MSGID_OFFSET | 0x0016;

// Operation flags.
constexpr std::uint32_t DPNENUMHOSTS_SYNC = 0x80000000u;
constexpr std::uint32_t DPNCONNECT_SYNC = 0x80000000u;
constexpr std::uint32_t DPNSEND_SYNC = 0x80000000u;
constexpr std::uint32_t DPNENUMSERVICEPROVIDERS_ALL = 0x00000001u;

// COM class contexts.
constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
constexpr std::uint32_t CLSCTX_INPROC_HANDLER = 0x2;
constexpr std::uint32_t CLSCTX_LOCAL_SERVER = 0x4;

// Address component types and names.
constexpr std::uint32_t DPNA_DATATYPE_STRING = 0x1; // wide, with terminator
constexpr std::uint32_t DPNA_DATATYPE_DWORD = 0x2;
constexpr std::uint32_t DPNA_DATATYPE_GUID = 0x3;
constexpr std::uint32_t DPNA_DATATYPE_BINARY = 0x4;
constexpr std::uint32_t DPNA_DATATYPE_STRING_ANSI = 0x5;
constexpr const wchar_t* DPNA_KEY_HOSTNAME = L"hostname";
constexpr const wchar_t* DPNA_KEY_PORT = L"port";
constexpr const wchar_t* DPNA_KEY_PROVIDER = L"provider";

// DPN_APPLICATION_DESC.
struct ApplicationDesc
{
    std::uint32_t size = sizeof(ApplicationDesc);
    std::uint32_t flags = 0;
    Guid instance;
    Guid application;
    std::uint32_t maxPlayers = 0; // 0: no limit
    std::uint32_t currentPlayers = 0;
    wchar_t* sessionName = nullptr;
    wchar_t* password = nullptr;
    void* reservedData = nullptr;
    std::uint32_t reservedDataSize = 0;
    void* applicationReservedData = nullptr;
    std::uint32_t applicationReservedDataSize = 0;
};

// DPN_BUFFER_DESC.
struct BufferDesc
{
    std::uint32_t size = 0;
    const std::uint8_t* data = nullptr;
};

// DPN_SERVICE_PROVIDER_INFO.
struct ServiceProviderInfo
{
    std::uint32_t flags = 0;
    Guid guid;
    wchar_t* name = nullptr;
    void* reserved = nullptr;
    std::uint32_t data = 0;
};

// DPN_SP_CAPS: the enumeration defaults used when a caller passes 0.
struct SPCaps
{
    std::uint32_t size = sizeof(SPCaps);
    std::uint32_t flags = 0;
    std::uint32_t numThreads = 1;
    std::uint32_t defaultEnumCount = 4;
    std::uint32_t defaultEnumRetryInterval = 250; // ms between queries
    std::uint32_t defaultEnumTimeout = 500;       // ms after the last query
    std::uint32_t maxEnumPayloadSize = 0;
    std::uint32_t buffersPerThread = 0;
    std::uint32_t systemBufferSize = 0;
};

class Address;

// Handler messages.
struct MsgEnumHostsResponse
{
    std::uint32_t size = sizeof(MsgEnumHostsResponse);
    Address* addressSender = nullptr;
    Address* addressDevice = nullptr;
    const ApplicationDesc* applicationDescription = nullptr;
    void* responseData = nullptr;
    std::uint32_t responseDataSize = 0;
    void* userContext = nullptr;
    std::uint32_t roundTripLatencyMs = 0;
};

struct MsgReceive
{
    std::uint32_t size = sizeof(MsgReceive);
    DPNID sender = 0;
    void* playerContext = nullptr;
    const std::uint8_t* receiveData = nullptr;
    std::uint32_t receiveDataSize = 0;
    DPNHANDLE bufferHandle = 0;
};

struct MsgTerminateSession
{
    std::uint32_t size = sizeof(MsgTerminateSession);
    HResult resultCode = DPN_OK;
    void* terminateData = nullptr;
    std::uint32_t terminateDataSize = 0;
};

struct MsgCreatePlayer
{
    std::uint32_t size = sizeof(MsgCreatePlayer);
    DPNID player = 0;
    void* playerContext = nullptr;
};

struct MsgDestroyPlayer
{
    std::uint32_t size = sizeof(MsgDestroyPlayer);
    DPNID player = 0;
    void* playerContext = nullptr;
    std::uint32_t reason = 0;
};

// The handler's answer is ignored except that it is returned nowhere: the
// layer keeps no buffer either way.
using MessageHandler = HResult (*)(void* context, std::uint32_t messageId, void* message);

// Reference counting shared by every object of the layer.
class Unknown
{
public:
    std::uint32_t AddRef();
    std::uint32_t Release();

protected:
    Unknown() = default;
    virtual ~Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;

private:
    std::atomic<std::uint32_t> m_nRefs{1};
};

// Counts only: the layer needs no apartment.
HResult CoInitialize(void* reserved);
void CoUninitialize();
// The three classes above, by class and interface id; *out receives a
// Client*, Server* or Address*. REGDB_E_CLASSNOTREG for another class,
// DPNERR_NOINTERFACE for an interface the class does not have.
HResult CoCreateInstance(const Guid& classId, void* outer, std::uint32_t context, const Guid& interfaceId,
                         void** out);

// IDirectPlay8Address: a service provider and named components.
class Address : public Unknown
{
public:
    HResult SetSP(const Guid* serviceProvider);
    HResult GetSP(Guid* serviceProvider);
    // A component of the type's size (a string: its characters and the
    // terminator, in bytes; a DWORD: 4 bytes). Adding a name again replaces it.
    HResult AddComponent(const wchar_t* name, const void* data, std::uint32_t size, std::uint32_t type);
    // *size in bytes; DPNERR_BUFFERTOOSMALL with the size needed.
    HResult GetComponentByName(const wchar_t* name, void* buffer, std::uint32_t* size, std::uint32_t* type);
    // *chars counts the terminator; DPNERR_BUFFERTOOSMALL with the count needed.
    HResult GetURLW(wchar_t* url, std::uint32_t* chars);
    HResult GetURLA(char* url, std::uint32_t* chars);
    HResult Duplicate(Address** out);
    HResult Clear();

    // Layer-internal.
    Address();
    ~Address() override;
    detail::SAddressState& State() { return *m_pState; }

private:
    std::unique_ptr<detail::SAddressState> m_pState;
};

// IDirectPlay8Client.
class Client : public Unknown
{
public:
    HResult Initialize(void* context, MessageHandler handler, std::uint32_t flags);
    // Lists the TCP/IP provider; the first call may ask for the size.
    HResult EnumServiceProviders(const Guid* serviceProvider, const Guid* application,
                                 ServiceProviderInfo* buffer, std::uint32_t* bufferSize, std::uint32_t* count,
                                 std::uint32_t flags);
    // Sends count queries (0: the default count) retry ms apart and waits
    // timeOut ms after the last; each answer reaches the handler as
    // DPN_MSGID_ENUM_HOSTS_RESPONSE before the call returns.
    HResult EnumHosts(const ApplicationDesc* application, Address* host, Address* device,
                      const void* userData, std::uint32_t userDataSize, std::uint32_t count,
                      std::uint32_t retryInterval, std::uint32_t timeOut, void* asyncContext,
                      DPNHANDLE* asyncHandle, std::uint32_t flags);
    // Opens a session with the host; returns when the host has accepted it
    // (DPNERR_HOSTREJECTEDCONNECTION, DPNERR_NORESPONSE otherwise).
    HResult Connect(const ApplicationDesc* application, Address* host, Address* device, const void* security,
                    const void* credentials, const void* userData, std::uint32_t userDataSize,
                    void* asyncContext, DPNHANDLE* asyncHandle, std::uint32_t flags);
    // The buffers, back to back, as one message to the host.
    HResult Send(const BufferDesc* buffers, std::uint32_t count, std::uint32_t timeOut, void* asyncContext,
                 DPNHANDLE* asyncHandle, std::uint32_t flags);
    // Ends the session and the service thread; Initialize may follow.
    HResult Close(std::uint32_t flags);
    HResult GetSPCaps(const Guid* serviceProvider, SPCaps* caps, std::uint32_t flags);
    HResult SetSPCaps(const Guid* serviceProvider, const SPCaps* caps, std::uint32_t flags);

    // Layer-internal.
    Client();
    ~Client() override;

private:
    std::unique_ptr<detail::SClientState> m_pState;
};

// IDirectPlay8Server: the host side, for test hosts and tools.
class Server : public Unknown
{
public:
    HResult Initialize(void* context, MessageHandler handler, std::uint32_t flags);
    // Opens the session on the device address's "hostname" (an IPv4 number;
    // none: every interface) and "port" (none or 0: a free port). The
    // description's application GUID is what connecting clients must give
    // (all zeros: any); maxPlayers 0 means no limit.
    HResult Host(const ApplicationDesc* application, Address* const* devices, std::uint32_t deviceCount,
                 const void* security, const void* credentials, void* playerContext, std::uint32_t flags);
    // The session name (and player limit) that later enumerations report.
    HResult SetApplicationDesc(const ApplicationDesc* application, std::uint32_t flags);
    // One address with the bound "hostname" and "port".
    HResult GetLocalHostAddresses(Address** addresses, std::uint32_t* count, std::uint32_t flags);
    HResult SendTo(DPNID player, const BufferDesc* buffers, std::uint32_t count, std::uint32_t timeOut,
                   void* asyncContext, DPNHANDLE* asyncHandle, std::uint32_t flags);
    // Ends one client's session after what was sent to it has gone.
    HResult DestroyClient(DPNID player, const void* data, std::uint32_t dataSize, std::uint32_t flags);
    // Ends every session (the clients see DPN_MSGID_TERMINATE_SESSION).
    HResult Close(std::uint32_t flags);

    // Layer-internal.
    Server();
    ~Server() override;

private:
    std::unique_ptr<detail::SServerState> m_pState;
};

} // namespace plat::dp
