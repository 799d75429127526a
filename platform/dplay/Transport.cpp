#include "platform/dplay/Transport.h"

#include "platform/CodePage.h"
#include "platform/Debug.h"

#include <poll.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <mutex>

namespace plat::dp::detail
{

std::uint32_t Magic(const char (&text)[5])
{
    return Get32(reinterpret_cast<const std::uint8_t*>(text));
}

void Put16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = std::uint8_t(value >> (8 * i));
}

std::uint16_t Get16(const std::uint8_t* at)
{
    return std::uint16_t(at[0] | (at[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
           (std::uint32_t(at[3]) << 24);
}

void PutGuid(std::uint8_t* at, const Guid& guid)
{
    Put32(at, guid.data1);
    Put16(at + 4, guid.data2);
    Put16(at + 6, guid.data3);
    std::memcpy(at + 8, guid.data4, 8);
}

Guid GetGuid(const std::uint8_t* at)
{
    Guid guid;
    guid.data1 = Get32(at);
    guid.data2 = Get16(at + 4);
    guid.data3 = Get16(at + 6);
    std::memcpy(guid.data4, at + 8, 8);
    return guid;
}

bool IsNullGuid(const Guid& guid)
{
    return guid == Guid{};
}

std::vector<std::uint8_t> EncodeQuery(const Guid& application, std::uint32_t queryId)
{
    std::vector<std::uint8_t> out(kQuerySize);
    Put32(out.data(), Magic("TVXQ"));
    Put32(out.data() + 4, kVersion);
    PutGuid(out.data() + 8, application);
    Put32(out.data() + 24, queryId);
    return out;
}

bool DecodeQuery(const std::uint8_t* data, std::size_t size, Guid* application, std::uint32_t* queryId)
{
    if (size != kQuerySize || Get32(data) != Magic("TVXQ") || Get32(data + 4) != kVersion) return false;
    *application = GetGuid(data + 8);
    *queryId = Get32(data + 24);
    return true;
}

std::vector<std::uint8_t> EncodeAnswer(const SEnumAnswer& answer)
{
    const std::size_t units = std::min(answer.sessionName.size(), kMaxNameUnits);
    std::vector<std::uint8_t> out(kAnswerHeaderSize + 2 * units);
    Put32(out.data(), Magic("TVXR"));
    Put32(out.data() + 4, kVersion);
    PutGuid(out.data() + 8, answer.application);
    PutGuid(out.data() + 24, answer.instance);
    Put32(out.data() + 40, answer.queryId);
    Put32(out.data() + 44, answer.maxPlayers);
    Put32(out.data() + 48, answer.currentPlayers);
    Put16(out.data() + 52, std::uint16_t(units));
    for (std::size_t i = 0; i < units; ++i)
        Put16(out.data() + kAnswerHeaderSize + 2 * i, std::uint16_t(answer.sessionName[i]));
    return out;
}

bool DecodeAnswer(const std::uint8_t* data, std::size_t size, SEnumAnswer* answer)
{
    if (size < kAnswerHeaderSize || Get32(data) != Magic("TVXR") || Get32(data + 4) != kVersion) return false;
    const std::size_t units = Get16(data + 52);
    if (units > kMaxNameUnits || size != kAnswerHeaderSize + 2 * units) return false;
    answer->application = GetGuid(data + 8);
    answer->instance = GetGuid(data + 24);
    answer->queryId = Get32(data + 40);
    answer->maxPlayers = Get32(data + 44);
    answer->currentPlayers = Get32(data + 48);
    answer->sessionName.resize(units);
    for (std::size_t i = 0; i < units; ++i)
    {
        // A terminator inside the name ends it.
        const wchar_t unit = wchar_t(Get16(data + kAnswerHeaderSize + 2 * i));
        if (unit == 0)
        {
            answer->sessionName.resize(i);
            break;
        }
        answer->sessionName[i] = unit;
    }
    return true;
}

ENetPacket* MakeConnectRequest(const Guid& application)
{
    ENetPacket* packet = enet_packet_create(nullptr, kConnectRequestSize, ENET_PACKET_FLAG_RELIABLE);
    if (!packet) return nullptr;
    Put32(packet->data, Magic("TVXC"));
    Put32(packet->data + 4, kVersion);
    PutGuid(packet->data + 8, application);
    return packet;
}

ENetPacket* MakeAccept(const Guid& instance, DPNID player)
{
    ENetPacket* packet = enet_packet_create(nullptr, kAcceptSize, ENET_PACKET_FLAG_RELIABLE);
    if (!packet) return nullptr;
    Put32(packet->data, Magic("TVXA"));
    Put32(packet->data + 4, kVersion);
    PutGuid(packet->data + 8, instance);
    Put32(packet->data + 24, player);
    return packet;
}

ENetPacket* MakeReject(HResult reason)
{
    ENetPacket* packet = enet_packet_create(nullptr, kRejectSize, ENET_PACKET_FLAG_RELIABLE);
    if (!packet) return nullptr;
    Put32(packet->data, Magic("TVXJ"));
    Put32(packet->data + 4, kVersion);
    Put32(packet->data + 8, std::uint32_t(reason));
    return packet;
}

bool EnsureEnet()
{
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = enet_initialize() == 0; });
    return ready;
}

namespace
{

const SComponent* FindComponent(Address* address, const wchar_t* name)
{
    for (const SComponent& c : address->State().components)
    {
        if (c.name == name) return &c;
    }
    return nullptr;
}

} // namespace

bool ReadHostAndPort(Address* address, std::string* host, std::uint32_t* port)
{
    host->clear();
    *port = 0;
    if (const SComponent* c = FindComponent(address, DPNA_KEY_HOSTNAME))
    {
        if (c->type == DPNA_DATATYPE_STRING)
        {
            std::wstring text(reinterpret_cast<const wchar_t*>(c->data.data()),
                              c->data.size() / sizeof(wchar_t));
            text.resize(std::wcslen(text.c_str()));
            *host = WideToCp1251(text);
        }
        else if (c->type == DPNA_DATATYPE_STRING_ANSI)
            host->assign(reinterpret_cast<const char*>(c->data.data()),
                         strnlen(reinterpret_cast<const char*>(c->data.data()), c->data.size()));
        else
            return false;
    }
    if (const SComponent* c = FindComponent(address, DPNA_KEY_PORT))
    {
        if (c->type != DPNA_DATATYPE_DWORD || c->data.size() != 4) return false;
        std::memcpy(port, c->data.data(), 4);
    }
    return true;
}

std::string DottedHost(const ENetAddress& where)
{
    char text[64] = {};
    if (enet_address_get_host_ip(&where, text, sizeof text) != 0) return {};
    return text;
}

Address* MakeAddress(const ENetAddress& where)
{
    Address* address = new Address;
    address->SetSP(&CLSID_DP8SP_TCPIP);
    const std::wstring host = Cp1251ToWide(DottedHost(where));
    address->AddComponent(DPNA_KEY_HOSTNAME, host.c_str(), std::uint32_t((host.size() + 1) * sizeof(wchar_t)),
                          DPNA_DATATYPE_STRING);
    const std::uint32_t port = where.port;
    address->AddComponent(DPNA_KEY_PORT, &port, 4, DPNA_DATATYPE_DWORD);
    return address;
}

void CServiceLoop::Start()
{
    m_bStop = false;
    m_thread = std::thread([this] { Run(); });
}

void CServiceLoop::Stop()
{
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_thread.join();
}

void CServiceLoop::Run()
{
    std::vector<SEvent> events;
    std::vector<ENetSocket> sockets;
    std::vector<pollfd> polls;
    for (;;)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStop) break;
            Pump(events);
            sockets.clear();
            Sockets(sockets);
        }
        for (SEvent& event : events)
            Deliver(event);
        events.clear();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            AfterDelivery();
        }
        m_changed.notify_all();
        // ENet resends and times out on its own clock: a pass every few
        // milliseconds, sooner when a datagram arrives.
        polls.clear();
        for (ENetSocket s : sockets)
            polls.push_back(pollfd{s, POLLIN, 0});
        ::poll(polls.data(), polls.size(), 5);
    }
    for (SEvent& event : events)
        DropEvent(event);
}

void DropEvent(SEvent& event)
{
    if (event.packet) enet_packet_destroy(event.packet);
    event.packet = nullptr;
}

void DeliverReceive(MessageHandler handler, void* context, const SEvent& event)
{
    MsgReceive message;
    message.sender = event.player;
    message.receiveData = event.packet->data;
    message.receiveDataSize = std::uint32_t(event.packet->dataLength);
    handler(context, event.id, &message);
}

HResult SendPacket(ENetHost* host, ENetPeer* peer, const BufferDesc* buffers, std::uint32_t count)
{
    std::size_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (!buffers[i].data && buffers[i].size) return DPNERR_INVALIDPOINTER;
        total += buffers[i].size;
    }
    if (total > kMaxMessageSize) return DPNERR_DATATOOLARGE;
    ENetPacket* packet = enet_packet_create(nullptr, total, ENET_PACKET_FLAG_RELIABLE);
    if (!packet) return DPNERR_OUTOFMEMORY;
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (buffers[i].size) std::memcpy(packet->data + at, buffers[i].data, buffers[i].size);
        at += buffers[i].size;
    }
    if (enet_peer_send(peer, kChannel, packet) < 0)
    {
        enet_packet_destroy(packet);
        return DPNERR_GENERIC;
    }
    enet_host_flush(host);
    return DPN_OK;
}

bool RefuseAsync(std::uint32_t flags, std::uint32_t syncFlag, std::atomic<bool>& warned)
{
    if (flags & syncFlag) return false;
    if (!warned.exchange(true))
        OutputDebugString("DirectPlay layer: only synchronous operations are supported\n");
    return true;
}

} // namespace plat::dp::detail
