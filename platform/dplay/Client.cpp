#include "platform/dplay/Transport.h"

#include <cstring>
#include <cwchar>

namespace plat::dp
{

namespace detail
{

struct SClientState final : CServiceLoop
{
    enum class ESession
    {
        None,
        Connecting, // ENet connect sent
        Handshake,  // request sent, waiting for the host's answer
        Open,
        Failed, // until the waiting Connect takes the result
    };

    ~SClientState() override { Stop(); }

    void Pump(std::vector<SEvent>& events) override;
    void Sockets(std::vector<ENetSocket>& sockets) override;
    void AfterDelivery() override;
    void Deliver(SEvent& event) override;

    void SendQuery();
    void PumpEnumeration(std::vector<SEvent>& events);
    void PumpSession(std::vector<SEvent>& events);
    void FailConnect(HResult reason);
    void Handshake(const ENetPacket& packet);

    void* context = nullptr;
    MessageHandler handler = nullptr;
    bool initialised = false;
    bool closing = false;
    int waiters = 0;
    SPCaps caps;
    ENetHost* host = nullptr;

    ENetPeer* peer = nullptr;
    ESession session = ESession::None;
    HResult connectResult = DPN_OK;
    Guid connectApplication;
    Clock::time_point connectDeadline;

    ENetSocket enumSocket = ENET_SOCKET_NULL;
    std::vector<ENetAddress> enumTargets;
    Guid enumApplication;
    std::uint32_t queryId = 0;
    std::uint32_t queriesLeft = 0;
    std::chrono::milliseconds retry{0};
    std::chrono::milliseconds timeout{0};
    Clock::time_point lastQuery;
    Clock::time_point enumDeadline;
    bool enumActive = false;
    bool enumExpired = false;
    bool enumDone = false;

    std::atomic<bool> warnedAsync{false};
};

void SClientState::SendQuery()
{
    const std::vector<std::uint8_t> query = EncodeQuery(enumApplication, queryId);
    for (const ENetAddress& target : enumTargets)
    {
        ENetBuffer buffer{const_cast<std::uint8_t*>(query.data()), query.size()};
        // A broadcast that the network refuses is no error: the loopback
        // query still goes.
        enet_socket_send(enumSocket, &target, &buffer, 1);
    }
    lastQuery = Clock::now();
    if (queriesLeft > 0) --queriesLeft;
    if (queriesLeft == 0) enumDeadline = lastQuery + timeout;
}

void SClientState::PumpEnumeration(std::vector<SEvent>& events)
{
    if (!enumActive || enumExpired) return;
    const Clock::time_point now = Clock::now();
    if (queriesLeft > 0 && now >= lastQuery + retry) SendQuery();
    std::uint8_t data[1500];
    // At most a bounded number per pass, so that a flood cannot hold the lock.
    for (int i = 0; i < 64; ++i)
    {
        ENetBuffer buffer{data, sizeof data};
        ENetAddress from{};
        const int received = enet_socket_receive(enumSocket, &from, &buffer, 1);
        if (received == 0) break;
        if (received < 0) continue; // cut short or refused: dropped
        SEvent event;
        if (!DecodeAnswer(data, std::size_t(received), &event.answer)) continue;
        if (event.answer.queryId != queryId) continue; // an earlier enumeration's
        if (!IsNullGuid(enumApplication) && event.answer.application != enumApplication) continue;
        event.id = DPN_MSGID_ENUM_HOSTS_RESPONSE;
        event.from = from;
        event.latencyMs = std::uint32_t(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastQuery).count());
        events.push_back(std::move(event));
    }
    if (queriesLeft == 0 && now >= enumDeadline) enumExpired = true;
}

void SClientState::FailConnect(HResult reason)
{
    session = ESession::Failed;
    connectResult = reason;
    peer = nullptr;
}

void SClientState::Handshake(const ENetPacket& packet)
{
    const std::uint8_t* data = packet.data;
    if (packet.dataLength == kAcceptSize && Get32(data) == Magic("TVXA") && Get32(data + 4) == kVersion)
    {
        session = ESession::Open;
        return;
    }
    enet_peer_disconnect_now(peer, 0);
    FailConnect(DPNERR_HOSTREJECTEDCONNECTION);
}

void SClientState::PumpSession(std::vector<SEvent>& events)
{
    if (!host) return;
    ENetEvent e;
    while (enet_host_service(host, &e, 0) > 0)
    {
        switch (e.type)
        {
        case ENET_EVENT_TYPE_CONNECT:
            if (e.peer == peer && session == ESession::Connecting)
            {
                if (ENetPacket* request = MakeConnectRequest(connectApplication))
                {
                    if (enet_peer_send(peer, kChannel, request) < 0) enet_packet_destroy(request);
                }
                session = ESession::Handshake;
            }
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (e.peer == peer && session == ESession::Open)
            {
                SEvent event;
                event.id = DPN_MSGID_RECEIVE;
                event.player = kHostPlayer;
                event.packet = e.packet;
                events.push_back(std::move(event));
                break;
            }
            if (e.peer == peer && session == ESession::Handshake) Handshake(*e.packet);
            enet_packet_destroy(e.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (e.peer != peer) break;
            if (session == ESession::Open)
            {
                SEvent event;
                event.id = DPN_MSGID_TERMINATE_SESSION;
                event.reason =
                    e.data == kHostTerminated ? DPNERR_HOSTTERMINATEDSESSION : DPNERR_CONNECTIONLOST;
                events.push_back(std::move(event));
                session = ESession::None;
                peer = nullptr;
            }
            else if (session == ESession::Connecting || session == ESession::Handshake)
                FailConnect(DPNERR_NORESPONSE);
            break;
        default:
            break;
        }
    }
    if ((session == ESession::Connecting || session == ESession::Handshake) &&
        Clock::now() >= connectDeadline)
    {
        enet_peer_reset(peer);
        FailConnect(DPNERR_TIMEDOUT);
    }
}

void SClientState::Pump(std::vector<SEvent>& events)
{
    PumpEnumeration(events);
    PumpSession(events);
}

void SClientState::Sockets(std::vector<ENetSocket>& sockets)
{
    if (host) sockets.push_back(host->socket);
    if (enumActive) sockets.push_back(enumSocket);
}

void SClientState::AfterDelivery()
{
    // The enumeration ends only after its last answers reached the handler.
    if (!enumExpired) return;
    enet_socket_destroy(enumSocket);
    enumSocket = ENET_SOCKET_NULL;
    enumActive = false;
    enumExpired = false;
    enumDone = true;
}

void SClientState::Deliver(SEvent& event)
{
    if (!handler)
    {
        DropEvent(event);
        return;
    }
    switch (event.id)
    {
    case DPN_MSGID_ENUM_HOSTS_RESPONSE:
    {
        Address* sender = MakeAddress(event.from);
        Address* device = new Address;
        device->SetSP(&CLSID_DP8SP_TCPIP);
        std::wstring name = event.answer.sessionName;
        ApplicationDesc description;
        description.instance = event.answer.instance;
        description.application = event.answer.application;
        description.maxPlayers = event.answer.maxPlayers;
        description.currentPlayers = event.answer.currentPlayers;
        description.sessionName = name.empty() ? nullptr : name.data();
        MsgEnumHostsResponse message;
        message.addressSender = sender;
        message.addressDevice = device;
        message.applicationDescription = &description;
        message.roundTripLatencyMs = event.latencyMs;
        handler(context, event.id, &message);
        sender->Release();
        device->Release();
        break;
    }
    case DPN_MSGID_RECEIVE:
    {
        DeliverReceive(handler, context, event);
        break;
    }
    case DPN_MSGID_TERMINATE_SESSION:
    {
        MsgTerminateSession message;
        message.resultCode = event.reason;
        handler(context, event.id, &message);
        break;
    }
    default:
        break;
    }
    DropEvent(event);
}

// Resolves the "hostname" and "port" of a TCP/IP address; an empty host
// name leaves where->host at ENET_HOST_ANY.
HResult ResolveAddress(Address* address, ENetAddress* where, bool* hasHost)
{
    Guid provider;
    if (address->GetSP(&provider) == DPN_OK && provider != CLSID_DP8SP_TCPIP)
        return DPNERR_INVALIDHOSTADDRESS;
    std::string name;
    std::uint32_t port = 0;
    if (!ReadHostAndPort(address, &name, &port) || port > 0xFFFF) return DPNERR_INVALIDHOSTADDRESS;
    where->host = ENET_HOST_ANY;
    where->port = enet_uint16(port ? port : kDefaultPort);
    *hasHost = !name.empty();
    if (*hasHost && enet_address_set_host(where, name.c_str()) != 0) return DPNERR_INVALIDHOSTADDRESS;
    return DPN_OK;
}

} // namespace detail

using detail::SClientState;

namespace
{
using ESession = SClientState::ESession;
}

Client::Client() : m_pState(std::make_unique<SClientState>()) {}

Client::~Client()
{
    Close(0);
}

HResult Client::Initialize(void* context, MessageHandler handler, std::uint32_t)
{
    if (!handler) return DPNERR_INVALIDPARAM;
    SClientState& s = *m_pState;
    {
        std::lock_guard<std::mutex> lock(s.m_mutex);
        if (s.initialised) return DPNERR_ALREADYINITIALIZED;
        if (!detail::EnsureEnet()) return DPNERR_GENERIC;
        s.context = context;
        s.handler = handler;
        s.initialised = true;
        s.session = ESession::None;
        s.peer = nullptr;
    }
    s.Start();
    return DPN_OK;
}

HResult Client::EnumServiceProviders(const Guid* serviceProvider, const Guid*, ServiceProviderInfo* buffer,
                                     std::uint32_t* bufferSize, std::uint32_t* count, std::uint32_t)
{
    if (!bufferSize || !count) return DPNERR_INVALIDPOINTER;
    {
        std::lock_guard<std::mutex> lock(m_pState->m_mutex);
        if (!m_pState->initialised) return DPNERR_UNINITIALIZED;
    }
    if (serviceProvider && *serviceProvider != CLSID_DP8SP_TCPIP) return DPNERR_DOESNOTEXIST;
    static const wchar_t kName[] = L"DirectPlay8 TCP/IP Service Provider";
    const std::uint32_t needed = std::uint32_t(sizeof(ServiceProviderInfo) + sizeof kName);
    if (!buffer || *bufferSize < needed)
    {
        *bufferSize = needed;
        *count = 0;
        return DPNERR_BUFFERTOOSMALL;
    }
    auto* name = reinterpret_cast<wchar_t*>(buffer + 1);
    std::memcpy(name, kName, sizeof kName);
    *buffer = ServiceProviderInfo{};
    buffer->guid = CLSID_DP8SP_TCPIP;
    buffer->name = name;
    *bufferSize = needed;
    *count = 1;
    return DPN_OK;
}

HResult Client::EnumHosts(const ApplicationDesc* application, Address* host, Address*, const void*,
                          std::uint32_t, std::uint32_t count, std::uint32_t retryInterval,
                          std::uint32_t timeOut, void*, DPNHANDLE*, std::uint32_t flags)
{
    SClientState& s = *m_pState;
    if (detail::RefuseAsync(flags, DPNENUMHOSTS_SYNC, s.warnedAsync)) return DPNERR_UNSUPPORTED;
    if (!application || !host) return DPNERR_INVALIDPOINTER;
    ENetAddress where{};
    bool hasHost = false;
    if (const HResult hr = detail::ResolveAddress(host, &where, &hasHost); Failed(hr)) return hr;
    std::vector<ENetAddress> targets;
    if (hasHost)
        targets.push_back(where);
    else
    {
        where.host = ENET_HOST_BROADCAST;
        targets.push_back(where);
        enet_address_set_host_ip(&where, "127.0.0.1");
        targets.push_back(where);
    }

    std::unique_lock<std::mutex> lock(s.m_mutex);
    if (!s.initialised) return DPNERR_UNINITIALIZED;
    if (s.closing || s.enumActive) return DPNERR_NOTREADY;
    ENetSocket socket = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    if (socket == ENET_SOCKET_NULL) return DPNERR_GENERIC;
    ENetAddress any{ENET_HOST_ANY, 0};
    if (enet_socket_set_option(socket, ENET_SOCKOPT_NONBLOCK, 1) < 0 ||
        enet_socket_set_option(socket, ENET_SOCKOPT_BROADCAST, 1) < 0 || enet_socket_bind(socket, &any) < 0)
    {
        enet_socket_destroy(socket);
        return DPNERR_GENERIC;
    }
    s.enumSocket = socket;
    s.enumTargets = std::move(targets);
    s.enumApplication = application->application;
    ++s.queryId;
    s.queriesLeft = std::max<std::uint32_t>(1, count ? count : s.caps.defaultEnumCount);
    s.retry = std::chrono::milliseconds(retryInterval ? retryInterval : s.caps.defaultEnumRetryInterval);
    s.timeout = std::chrono::milliseconds(timeOut ? timeOut : s.caps.defaultEnumTimeout);
    s.enumActive = true;
    s.enumExpired = false;
    s.enumDone = false;
    s.SendQuery();
    ++s.waiters;
    s.m_changed.wait(lock, [&] { return s.enumDone; });
    s.enumDone = false;
    --s.waiters;
    s.m_changed.notify_all();
    return s.closing ? DPNERR_NOTREADY : DPN_OK;
}

HResult Client::Connect(const ApplicationDesc* application, Address* host, Address*, const void*, const void*,
                        const void*, std::uint32_t, void*, DPNHANDLE*, std::uint32_t flags)
{
    SClientState& s = *m_pState;
    if (detail::RefuseAsync(flags, DPNCONNECT_SYNC, s.warnedAsync)) return DPNERR_UNSUPPORTED;
    if (!application || !host) return DPNERR_INVALIDPOINTER;
    ENetAddress where{};
    bool hasHost = false;
    if (const HResult hr = detail::ResolveAddress(host, &where, &hasHost); Failed(hr)) return hr;
    if (!hasHost) return DPNERR_INVALIDHOSTADDRESS;

    std::unique_lock<std::mutex> lock(s.m_mutex);
    if (!s.initialised) return DPNERR_UNINITIALIZED;
    if (s.closing) return DPNERR_NOTREADY;
    if (s.session != ESession::None) return DPNERR_ALREADYCONNECTED;
    // Every session from a port of its own: what the host still sends to an
    // earlier one (a refusal, a late disconnect) cannot reach this one.
    if (s.host) enet_host_destroy(s.host);
    s.host = enet_host_create(nullptr, 1, detail::kChannelCount, 0, 0);
    if (!s.host) return DPNERR_GENERIC;
    s.host->maximumPacketSize = kMaxMessageSize;
    s.peer = enet_host_connect(s.host, &where, detail::kChannelCount, 0);
    if (!s.peer) return DPNERR_GENERIC;
    s.connectApplication = application->application;
    s.connectDeadline = detail::Clock::now() + detail::kConnectTimeout;
    s.session = ESession::Connecting;
    enet_host_flush(s.host);
    ++s.waiters;
    s.m_changed.wait(lock, [&] { return s.session == ESession::Open || s.session == ESession::Failed; });
    --s.waiters;
    s.m_changed.notify_all();
    if (s.session == ESession::Failed)
    {
        s.session = ESession::None;
        return s.connectResult;
    }
    return DPN_OK;
}

HResult Client::Send(const BufferDesc* buffers, std::uint32_t count, std::uint32_t, void*, DPNHANDLE*,
                     std::uint32_t flags)
{
    SClientState& s = *m_pState;
    if (detail::RefuseAsync(flags, DPNSEND_SYNC, s.warnedAsync)) return DPNERR_UNSUPPORTED;
    if (!buffers || count == 0) return DPNERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(s.m_mutex);
    if (!s.initialised) return DPNERR_UNINITIALIZED;
    if (s.session != ESession::Open) return DPNERR_NOCONNECTION;
    return detail::SendPacket(s.host, s.peer, buffers, count);
}

HResult Client::Close(std::uint32_t)
{
    SClientState& s = *m_pState;
    {
        std::unique_lock<std::mutex> lock(s.m_mutex);
        if (!s.initialised) return DPNERR_UNINITIALIZED;
        s.closing = true;
        if (s.peer) enet_peer_disconnect_now(s.peer, 0);
        s.peer = nullptr;
        if (s.session == ESession::Connecting || s.session == ESession::Handshake)
            s.FailConnect(DPNERR_NOTREADY);
        else if (s.session == ESession::Open)
            s.session = ESession::None;
        if (s.enumActive) s.enumExpired = true;
        s.AfterDelivery();
        s.m_changed.notify_all();
        s.m_changed.wait(lock, [&] { return s.waiters == 0; });
    }
    s.Stop();
    std::lock_guard<std::mutex> lock(s.m_mutex);
    if (s.host) enet_host_destroy(s.host);
    s.host = nullptr;
    s.session = ESession::None;
    s.initialised = false;
    s.closing = false;
    s.handler = nullptr;
    return DPN_OK;
}

HResult Client::GetSPCaps(const Guid* serviceProvider, SPCaps* caps, std::uint32_t)
{
    if (!serviceProvider || !caps) return DPNERR_INVALIDPOINTER;
    if (*serviceProvider != CLSID_DP8SP_TCPIP) return DPNERR_DOESNOTEXIST;
    if (caps->size != sizeof(SPCaps)) return DPNERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_pState->m_mutex);
    *caps = m_pState->caps;
    return DPN_OK;
}

HResult Client::SetSPCaps(const Guid* serviceProvider, const SPCaps* caps, std::uint32_t)
{
    if (!serviceProvider || !caps) return DPNERR_INVALIDPOINTER;
    if (*serviceProvider != CLSID_DP8SP_TCPIP) return DPNERR_DOESNOTEXIST;
    if (caps->size != sizeof(SPCaps) || caps->defaultEnumCount == 0 || caps->defaultEnumRetryInterval == 0 ||
        caps->defaultEnumTimeout == 0)
        return DPNERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_pState->m_mutex);
    m_pState->caps.defaultEnumCount = caps->defaultEnumCount;
    m_pState->caps.defaultEnumRetryInterval = caps->defaultEnumRetryInterval;
    m_pState->caps.defaultEnumTimeout = caps->defaultEnumTimeout;
    return DPN_OK;
}

} // namespace plat::dp
