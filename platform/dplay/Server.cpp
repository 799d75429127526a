#include "platform/dplay/Transport.h"

#include <algorithm>
#include <cwchar>
#include <random>
#include <unordered_map>

namespace plat::dp
{

namespace detail
{

struct SServerState final : CServiceLoop
{
    ~SServerState() override { Stop(); }

    void Pump(std::vector<SEvent>& events) override;
    void Sockets(std::vector<ENetSocket>& sockets) override;
    void Deliver(SEvent& event) override;

    static int Intercept(ENetHost* host, ENetEvent* event);
    void Handshake(ENetPeer* peer, const ENetPacket& packet, std::vector<SEvent>& events);
    void Reject(ENetPeer* peer, HResult reason);
    static DPNID PlayerOf(const ENetPeer* peer)
    {
        return DPNID(reinterpret_cast<std::uintptr_t>(peer->data));
    }

    void* context = nullptr;
    MessageHandler handler = nullptr;
    bool initialised = false;
    ENetHost* host = nullptr;
    Guid application;
    Guid instance;
    std::uint32_t maxPlayers = 0;
    std::wstring sessionName;
    std::unordered_map<DPNID, ENetPeer*> players;
    DPNID nextPlayer = kHostPlayer + 1;
    std::atomic<bool> warnedAsync{false};
};

// The server whose host the service thread is pumping: ENet's intercept
// callback carries no context of its own.
thread_local SServerState* t_servicing = nullptr;

int SServerState::Intercept(ENetHost* host, ENetEvent*)
{
    SServerState* s = t_servicing;
    if (!s || s->host != host) return 0;
    const std::uint8_t* data = host->receivedData;
    const std::size_t size = host->receivedDataLength;
    if (size < 4 || Get32(data) != Magic("TVXQ")) return 0; // ENet's own
    Guid asked;
    std::uint32_t queryId = 0;
    if (!DecodeQuery(data, size, &asked, &queryId)) return 1;
    if (!IsNullGuid(asked) && !IsNullGuid(s->application) && asked != s->application) return 1;
    SEnumAnswer answer;
    answer.application = IsNullGuid(s->application) ? asked : s->application;
    answer.instance = s->instance;
    answer.queryId = queryId;
    answer.maxPlayers = s->maxPlayers;
    answer.currentPlayers = std::uint32_t(s->players.size());
    answer.sessionName = s->sessionName;
    const std::vector<std::uint8_t> bytes = EncodeAnswer(answer);
    ENetBuffer buffer{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    enet_socket_send(host->socket, &host->receivedAddress, &buffer, 1);
    return 1;
}

void SServerState::Reject(ENetPeer* peer, HResult reason)
{
    if (ENetPacket* packet = MakeReject(reason))
    {
        if (enet_peer_send(peer, kChannel, packet) < 0) enet_packet_destroy(packet);
    }
    enet_peer_disconnect_later(peer, 0);
}

void SServerState::Handshake(ENetPeer* peer, const ENetPacket& packet, std::vector<SEvent>& events)
{
    const std::uint8_t* data = packet.data;
    if (packet.dataLength != kConnectRequestSize || Get32(data) != Magic("TVXC") ||
        Get32(data + 4) != kVersion)
    {
        Reject(peer, DPNERR_INVALIDPARAM);
        return;
    }
    const Guid asked = GetGuid(data + 8);
    if (!IsNullGuid(application) && asked != application)
    {
        Reject(peer, DPNERR_HOSTREJECTEDCONNECTION);
        return;
    }
    if (maxPlayers && players.size() >= maxPlayers)
    {
        Reject(peer, DPNERR_NOTREADY);
        return;
    }
    const DPNID id = nextPlayer++;
    ENetPacket* accept = MakeAccept(instance, id);
    if (!accept || enet_peer_send(peer, kChannel, accept) < 0)
    {
        if (accept) enet_packet_destroy(accept);
        enet_peer_disconnect_now(peer, 0);
        return;
    }
    peer->data = reinterpret_cast<void*>(std::uintptr_t(id));
    players[id] = peer;
    SEvent event;
    event.id = DPN_MSGID_CREATE_PLAYER;
    event.player = id;
    events.push_back(std::move(event));
}

void SServerState::Pump(std::vector<SEvent>& events)
{
    if (!host) return;
    t_servicing = this;
    ENetEvent e;
    while (enet_host_service(host, &e, 0) > 0)
    {
        switch (e.type)
        {
        case ENET_EVENT_TYPE_CONNECT:
            e.peer->data = nullptr; // a player once the hand-shake is done
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (const DPNID id = PlayerOf(e.peer))
            {
                SEvent event;
                event.id = DPN_MSGID_RECEIVE;
                event.player = id;
                event.packet = e.packet;
                events.push_back(std::move(event));
                break;
            }
            Handshake(e.peer, *e.packet, events);
            enet_packet_destroy(e.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (const DPNID id = PlayerOf(e.peer))
            {
                players.erase(id);
                SEvent event;
                event.id = DPN_MSGID_DESTROY_PLAYER;
                event.player = id;
                events.push_back(std::move(event));
            }
            e.peer->data = nullptr;
            break;
        default:
            break;
        }
    }
    t_servicing = nullptr;
}

void SServerState::Sockets(std::vector<ENetSocket>& sockets)
{
    if (host) sockets.push_back(host->socket);
}

void SServerState::Deliver(SEvent& event)
{
    if (handler)
    {
        switch (event.id)
        {
        case DPN_MSGID_CREATE_PLAYER:
        {
            MsgCreatePlayer message;
            message.player = event.player;
            handler(context, event.id, &message);
            break;
        }
        case DPN_MSGID_DESTROY_PLAYER:
        {
            MsgDestroyPlayer message;
            message.player = event.player;
            handler(context, event.id, &message);
            break;
        }
        case DPN_MSGID_RECEIVE:
        {
            DeliverReceive(handler, context, event);
            break;
        }
        default:
            break;
        }
    }
    DropEvent(event);
}

} // namespace detail

using detail::SServerState;

Server::Server() : m_pState(std::make_unique<SServerState>()) {}

Server::~Server()
{
    Close(0);
}

HResult Server::Initialize(void* context, MessageHandler handler, std::uint32_t)
{
    if (!handler) return DPNERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(m_pState->m_mutex);
    if (m_pState->initialised) return DPNERR_ALREADYINITIALIZED;
    if (!detail::EnsureEnet()) return DPNERR_GENERIC;
    m_pState->context = context;
    m_pState->handler = handler;
    m_pState->initialised = true;
    return DPN_OK;
}

HResult Server::Host(const ApplicationDesc* application, Address* const* devices, std::uint32_t deviceCount,
                     const void*, const void*, void*, std::uint32_t)
{
    if (!application) return DPNERR_INVALIDPOINTER;
    ENetAddress where{ENET_HOST_ANY, 0};
    if (devices && deviceCount > 0 && devices[0])
    {
        std::string name;
        std::uint32_t port = 0;
        if (!detail::ReadHostAndPort(devices[0], &name, &port) || port > 0xFFFF)
            return DPNERR_INVALIDDEVICEADDRESS;
        if (!name.empty() && enet_address_set_host_ip(&where, name.c_str()) != 0)
            return DPNERR_INVALIDDEVICEADDRESS;
        where.port = enet_uint16(port);
    }
    SServerState& s = *m_pState;
    {
        std::lock_guard<std::mutex> lock(s.m_mutex);
        if (!s.initialised) return DPNERR_UNINITIALIZED;
        if (s.host) return DPNERR_ALREADYCONNECTED;
        // Room for the players and for one more whose refusal is on its way.
        const std::size_t peers =
            application->maxPlayers ? std::min<std::size_t>(application->maxPlayers + 1, 4095) : 64;
        s.host = enet_host_create(&where, peers, detail::kChannelCount, 0, 0);
        if (!s.host) return DPNERR_ADDRESSING;
        s.host->maximumPacketSize = kMaxMessageSize;
        s.host->intercept = &SServerState::Intercept;
        s.application = application->application;
        // The instance id tells sessions apart on the network, so it needs
        // the system's entropy, not the game's seedable generator.
        std::random_device entropy;
        s.instance.data1 = entropy();
        const std::uint32_t a = entropy(), b = entropy(), c = entropy();
        s.instance.data2 = std::uint16_t(a);
        s.instance.data3 = std::uint16_t(a >> 16);
        detail::Put32(s.instance.data4, b);
        detail::Put32(s.instance.data4 + 4, c);
        s.maxPlayers = application->maxPlayers;
        s.sessionName = application->sessionName ? application->sessionName : L"";
        s.players.clear();
    }
    s.Start();
    return DPN_OK;
}

HResult Server::SetApplicationDesc(const ApplicationDesc* application, std::uint32_t)
{
    if (!application) return DPNERR_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(m_pState->m_mutex);
    if (!m_pState->host) return DPNERR_NOTREADY;
    m_pState->sessionName = application->sessionName ? application->sessionName : L"";
    m_pState->maxPlayers = application->maxPlayers;
    return DPN_OK;
}

HResult Server::GetLocalHostAddresses(Address** addresses, std::uint32_t* count, std::uint32_t)
{
    if (!count) return DPNERR_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(m_pState->m_mutex);
    if (!m_pState->host) return DPNERR_NOTREADY;
    if (!addresses || *count < 1)
    {
        *count = 1;
        return DPNERR_BUFFERTOOSMALL;
    }
    ENetAddress where = m_pState->host->address;
    // Bound to every interface: the loopback address reaches it from here.
    if (where.host == ENET_HOST_ANY) enet_address_set_host_ip(&where, "127.0.0.1");
    addresses[0] = detail::MakeAddress(where);
    *count = 1;
    return DPN_OK;
}

HResult Server::SendTo(DPNID player, const BufferDesc* buffers, std::uint32_t count, std::uint32_t, void*,
                       DPNHANDLE*, std::uint32_t flags)
{
    SServerState& s = *m_pState;
    if (detail::RefuseAsync(flags, DPNSEND_SYNC, s.warnedAsync)) return DPNERR_UNSUPPORTED;
    if (!buffers || count == 0) return DPNERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(s.m_mutex);
    const auto found = s.players.find(player);
    if (found == s.players.end()) return DPNERR_INVALIDPLAYER;
    return detail::SendPacket(s.host, found->second, buffers, count);
}

HResult Server::DestroyClient(DPNID player, const void*, std::uint32_t, std::uint32_t)
{
    std::lock_guard<std::mutex> lock(m_pState->m_mutex);
    const auto found = m_pState->players.find(player);
    if (found == m_pState->players.end()) return DPNERR_INVALIDPLAYER;
    enet_peer_disconnect_later(found->second, detail::kHostTerminated);
    enet_host_flush(m_pState->host);
    return DPN_OK;
}

HResult Server::Close(std::uint32_t)
{
    SServerState& s = *m_pState;
    {
        std::lock_guard<std::mutex> lock(s.m_mutex);
        if (!s.initialised) return DPNERR_UNINITIALIZED;
        if (s.host)
        {
            for (std::size_t i = 0; i < s.host->peerCount; ++i)
            {
                ENetPeer& peer = s.host->peers[i];
                if (peer.state == ENET_PEER_STATE_CONNECTED)
                    enet_peer_disconnect_now(&peer, detail::kHostTerminated);
            }
        }
        s.players.clear();
    }
    s.Stop();
    std::lock_guard<std::mutex> lock(s.m_mutex);
    if (s.host) enet_host_destroy(s.host);
    s.host = nullptr;
    s.initialised = false;
    s.handler = nullptr;
    return DPN_OK;
}

} // namespace plat::dp
