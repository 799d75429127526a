#include "tools/nethost/NetTestHost.h"

#include "net/NetConnection.h"
#include "platform/CodePage.h"
#include "platform/dplay/DPlay.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

using namespace netmsg;
namespace dp = plat::dp;

namespace
{

std::uint32_t U32At(const std::uint8_t* data, std::size_t at)
{
    std::uint32_t value;
    std::memcpy(&value, data + at, 4);
    return value;
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    std::memcpy(out.data() + at, &value, 4);
}

// The exact length of each message a client sends.
std::uint32_t ExpectedSize(std::uint32_t type)
{
    switch (type)
    {
    case kPlayerState:
        return kPlayerStateSize;
    case kOpen:
        return kHeaderSize;
    case kClock:
        return kClockSize;
    case kExitGame:
    case kGameDescriptor:
    case kPause:
    case kCreateGame:
        return kSessionMessageSize;
    case kGamesList:
        return kGamesListRequestSize;
    case kGameDetails:
        return kDetailsRequestSize;
    default:
        return 0;
    }
}

std::string Hex(std::uint32_t type)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", type);
    return text;
}

} // namespace

CNetTestHost::CNetTestHost(Log log) : m_log(std::move(log)) {}

CNetTestHost::~CNetTestHost()
{
    Stop();
}

bool CNetTestHost::Start(const SOptions& options)
{
    Stop();
    void* object = nullptr;
    if (plat::Failed(dp::CoCreateInstance(dp::CLSID_DirectPlay8Server, nullptr, dp::CLSCTX_INPROC_SERVER,
                                          dp::IID_IDirectPlay8Server, &object)))
        return false;
    m_pServer = static_cast<dp::Server*>(object);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_Games = options.games;
        m_iNextPlayerId = options.firstPlayerId;
        m_Players.clear();
        m_Received.clear();
    }
    auto* device = new dp::Address;
    device->SetSP(&dp::CLSID_DP8SP_TCPIP);
    if (!options.bindAddress.empty())
    {
        const std::wstring host = plat::Cp1251ToWide(options.bindAddress);
        device->AddComponent(dp::DPNA_KEY_HOSTNAME, host.c_str(),
                             std::uint32_t((host.size() + 1) * sizeof(wchar_t)), dp::DPNA_DATATYPE_STRING);
    }
    device->AddComponent(dp::DPNA_KEY_PORT, &options.port, 4, dp::DPNA_DATATYPE_DWORD);
    std::wstring name = plat::Cp1251ToWide(options.sessionName);
    dp::ApplicationDesc description;
    description.application = CNetConnection::kApplicationGuid;
    description.sessionName = name.data();
    bool ok = plat::Succeeded(m_pServer->Initialize(this, &CNetTestHost::Handler, 0)) &&
              plat::Succeeded(m_pServer->Host(&description, &device, 1, nullptr, nullptr, nullptr, 0));
    device->Release();
    dp::Address* bound = nullptr;
    std::uint32_t count = 1;
    if (ok && plat::Succeeded(m_pServer->GetLocalHostAddresses(&bound, &count, 0)))
    {
        std::uint32_t size = 4, type = 0;
        bound->GetComponentByName(dp::DPNA_KEY_PORT, &m_nPort, &size, &type);
        bound->Release();
    }
    if (!ok)
    {
        Stop();
        return false;
    }
    if (m_log) m_log("listening on port " + std::to_string(m_nPort));
    return true;
}

void CNetTestHost::Stop()
{
    if (!m_pServer) return;
    m_pServer->Close(0);
    m_pServer->Release();
    m_pServer = nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_Players.clear();
    m_changed.notify_all();
}

int CNetTestHost::GetPlayerCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_Players.size());
}

std::vector<CNetTestHost::SReceived> CNetTestHost::GetReceived() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_Received;
}

std::vector<CNetTestHost::SReceived> CNetTestHost::GetReceived(std::uint32_t type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<SReceived> out;
    for (const SReceived& r : m_Received)
    {
        if (r.type == type) out.push_back(r);
    }
    return out;
}

bool CNetTestHost::WaitForMessages(std::uint32_t type, std::size_t count, int milliseconds) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [&]
                              {
                                  return std::size_t(std::count_if(m_Received.begin(), m_Received.end(),
                                                                   [&](const SReceived& r)
                                                                   { return r.type == type; })) >= count;
                              });
}

bool CNetTestHost::WaitForPlayers(int count, int milliseconds) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [&] { return int(m_Players.size()) >= count; });
}

bool CNetTestHost::SendToClients(const std::vector<std::uint8_t>& message)
{
    std::vector<std::uint32_t> players;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        players = m_Players;
    }
    if (!m_pServer || players.empty()) return false;
    bool ok = true;
    for (std::uint32_t player : players)
    {
        const dp::BufferDesc buffer{std::uint32_t(message.size()), message.data()};
        ok = plat::Succeeded(m_pServer->SendTo(player, &buffer, 1, 0, nullptr, nullptr, dp::DPNSEND_SYNC)) &&
             ok;
    }
    return ok;
}

bool CNetTestHost::SendType(std::uint32_t type)
{
    std::vector<std::uint8_t> message(kHeaderSize);
    PutU32(message, 0, type);
    PutU32(message, 4, kHeaderSize);
    return SendToClients(message);
}

bool CNetTestHost::DropFirstClient()
{
    std::uint32_t player = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_Players.empty()) return false;
        player = m_Players.front();
    }
    return m_pServer && plat::Succeeded(m_pServer->DestroyClient(player, nullptr, 0, 0));
}

std::vector<std::uint8_t> CNetTestHost::GamesListReply(const std::vector<SGame>& games)
{
    std::vector<std::uint8_t> message(kGamesListRecordsAt + games.size() * sizeof(SGameRecord));
    PutU32(message, 0, kGamesList);
    PutU32(message, 4, std::uint32_t(message.size()));
    PutU32(message, 8, std::uint32_t(games.size()));
    for (std::size_t i = 0; i < games.size(); ++i)
    {
        SGameRecord record{};
        std::snprintf(record.text1, sizeof record.text1, "%s", games[i].name.c_str());
        std::snprintf(record.text2, sizeof record.text2, "%s", games[i].map.c_str());
        record.tail = 0xFFFFFFFFu;
        std::memcpy(message.data() + kGamesListRecordsAt + i * sizeof record, &record, sizeof record);
    }
    return message;
}

std::vector<std::uint8_t> CNetTestHost::DetailsReply(std::int32_t selected, const std::vector<SGame>& games)
{
    const std::size_t count = std::min<std::size_t>(games.size(), 32);
    std::vector<std::uint8_t> message(kDetailsRecordsAt + count * sizeof(SGameDescriptor));
    PutU32(message, 0, kGameDetails);
    PutU32(message, 4, std::uint32_t(selected));
    PutU32(message, 8, std::uint32_t(count));
    for (std::size_t i = 0; i < count; ++i)
    {
        SGameDescriptor descriptor{};
        descriptor.sessionIds[0] = std::uint32_t(i + 1);
        const std::wstring name = plat::Cp1251ToWide(games[i].name);
        for (std::size_t c = 0; c < name.size() && c + 1 < std::size(descriptor.name); ++c)
            descriptor.name[c] = std::uint16_t(name[c]);
        std::memcpy(message.data() + kDetailsRecordsAt + i * sizeof descriptor, &descriptor,
                    sizeof descriptor);
    }
    return message;
}

std::uint32_t CNetTestHost::Classify(const std::uint8_t* data, std::size_t size, std::uint32_t* objects)
{
    *objects = 0;
    if (size >= kHeaderSize)
    {
        const std::uint32_t type = U32At(data, 0);
        const std::uint32_t expected = ExpectedSize(type);
        const std::uint32_t sizeWord = type == kPlayerState ? 0 : expected;
        if (expected && size == expected && U32At(data, 4) == sizeWord) return type;
    }
    // Object updates: descriptors back to back, each sized by itself.
    std::size_t at = 0;
    std::uint32_t count = 0;
    while (at < size)
    {
        if (size - at < 40) return kBad;
        const std::uint32_t kind = U32At(data, at + 8);
        const std::uint32_t length = U32At(data, at + 24);
        if ((kind != 0x3001 && kind != 0x3002) || length < 40 || length > size - at) return kBad;
        at += length;
        ++count;
    }
    if (count == 0) return kBad;
    *objects = count;
    return kObjectUpdates;
}

std::int32_t CNetTestHost::Handler(void* context, std::uint32_t messageId, void* message)
{
    auto* self = static_cast<CNetTestHost*>(context);
    switch (messageId)
    {
    case dp::DPN_MSGID_CREATE_PLAYER:
    {
        const auto* m = static_cast<const dp::MsgCreatePlayer*>(message);
        {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_Players.push_back(m->player);
        }
        self->m_changed.notify_all();
        if (self->m_log) self->m_log("player " + std::to_string(m->player) + " joined");
        break;
    }
    case dp::DPN_MSGID_DESTROY_PLAYER:
    {
        const auto* m = static_cast<const dp::MsgDestroyPlayer*>(message);
        {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            std::erase(self->m_Players, m->player);
        }
        self->m_changed.notify_all();
        if (self->m_log) self->m_log("player " + std::to_string(m->player) + " left");
        break;
    }
    case dp::DPN_MSGID_RECEIVE:
    {
        const auto* m = static_cast<const dp::MsgReceive*>(message);
        self->OnReceive(m->sender, m->receiveData, m->receiveDataSize);
        break;
    }
    default:
        break;
    }
    return dp::DPN_OK;
}

void CNetTestHost::Reply(std::uint32_t player, const std::vector<std::uint8_t>& message)
{
    const dp::BufferDesc buffer{std::uint32_t(message.size()), message.data()};
    m_pServer->SendTo(player, &buffer, 1, 0, nullptr, nullptr, dp::DPNSEND_SYNC);
}

void CNetTestHost::OnReceive(std::uint32_t player, const std::uint8_t* data, std::size_t size)
{
    SReceived received;
    received.player = player;
    received.type = Classify(data, size, &received.objects);
    received.bytes.assign(data, data + size);
    std::vector<std::uint8_t> reply;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (received.type == kGamesList) reply = GamesListReply(m_Games);
        if (received.type == kCreateGame)
        {
            SGameRecord record;
            std::memcpy(&record, data + kHeaderSize, sizeof record);
            m_Games.push_back({std::string(record.text1, strnlen(record.text1, sizeof record.text1)),
                               std::string(record.text2, strnlen(record.text2, sizeof record.text2))});
            reply = DetailsReply(m_iNextPlayerId++, m_Games);
        }
        if (received.type == kGameDetails) reply = DetailsReply(m_iNextPlayerId - 1, m_Games);
        m_Received.push_back(received);
    }
    m_changed.notify_all();
    if (m_log)
    {
        std::string line = "player " + std::to_string(player) + ": ";
        if (received.type == kObjectUpdates)
            line += std::to_string(received.objects) + " object updates";
        else if (received.type == kBad)
            line += "a message of " + std::to_string(size) + " bytes that is none of the game's";
        else
            line += "message " + Hex(received.type) + ", " + std::to_string(size) + " bytes";
        m_log(line);
    }
    if (!reply.empty()) Reply(player, reply);
}
