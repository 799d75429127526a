// The network client's part of a network game frame with 100 network
// objects, over a real session with a host on 127.0.0.1 (the host's
// service thread runs beside the benchmark and discards what it gets):
// - send: every object changed, Senddata(false) writes the 100 dynamic
//   descriptors (137 bytes each) and sends them as one message, plus the
//   player state;
// - receive: a frame's worth of incoming messages (another player's 100
//   object updates, a player state, a game state) taken from the receive
//   ring and dispatched by GetData.
//
// items_per_second is frames per second.
#include "net/NetClient.h"
#include "platform/dplay/DPlay.h"
#include "world/DynamicObject.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace dp = plat::dp;

namespace
{

constexpr int kObjects = 100;

plat::HResult Discard(void*, std::uint32_t, void*)
{
    return dp::DPN_OK;
}

// A host on a free port of 127.0.0.1 and a client connected to it.
class CSession
{
public:
    CSession()
    {
        dp::ApplicationDesc description;
        description.application = CNetConnection::kApplicationGuid;
        auto* device = new dp::Address;
        device->SetSP(&dp::CLSID_DP8SP_TCPIP);
        const wchar_t* local = L"127.0.0.1";
        device->AddComponent(dp::DPNA_KEY_HOSTNAME, local, 10 * sizeof(wchar_t), dp::DPNA_DATATYPE_STRING);
        m_Server.Initialize(nullptr, &Discard, 0);
        m_Server.Host(&description, &device, 1, nullptr, nullptr, nullptr, 0);
        device->Release();
        dp::Address* bound = nullptr;
        std::uint32_t count = 1, size = 4, type = 0, port = 0;
        m_Server.GetLocalHostAddresses(&bound, &count, 0);
        bound->GetComponentByName(dp::DPNA_KEY_PORT, &port, &size, &type);
        bound->Release();

        m_Client.Init();
        dp::SPCaps caps;
        caps.defaultEnumRetryInterval = 10;
        caps.defaultEnumTimeout = 50;
        m_Client.GetClient()->SetSPCaps(&dp::CLSID_DP8SP_TCPIP, &caps, 0);
        m_Client.SetHost("127.0.0.1", port);
        m_Client.m_byChosenHost = 0;
        m_bConnected = plat::Succeeded(m_Client.Connect());

        for (int i = 0; i < kObjects; ++i)
        {
            m_Objects.push_back(std::make_unique<CDynamicObject>());
            m_Objects.back()->m_nNetId = std::uint32_t(2000 + i);
            m_Objects.back()->m_Frame.SetPosition(CVector{float(i), 2.0f * float(i), 10.0f});
            g_ObjectList.AddNetObject(m_Objects.back().get());
        }
    }
    ~CSession()
    {
        for (auto& object : m_Objects)
            g_ObjectList.DeleteNetObject(object.get());
        m_Client.Close();
        m_Server.Close(0);
    }

    dp::Server m_Server;
    CMMNetClient m_Client;
    std::vector<std::unique_ptr<CDynamicObject>> m_Objects;
    bool m_bConnected = false;
};

void BM_SendFrame(benchmark::State& state)
{
    CSession session;
    if (!session.m_bConnected)
    {
        state.SkipWithError("no session on 127.0.0.1");
        return;
    }
    for (auto _ : state)
    {
        for (auto& object : session.m_Objects)
            object->m_bChanged = 1;
        benchmark::DoNotOptimize(session.m_Client.Senddata(false));
        benchmark::DoNotOptimize(session.m_Client.Senddata(true));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendFrame)->Unit(benchmark::kMicrosecond);

void BM_ReceiveFrame(benchmark::State& state)
{
    CMMNetClient client;
    // Another player's frame as it arrives: its object updates, its player
    // state and a game state.
    std::vector<std::uint8_t> updates;
    for (int i = 0; i < kObjects; ++i)
    {
        CDynamicObject object;
        object.m_nNetId = std::uint32_t(3000 + i);
        std::uint8_t descriptor[kMaxNetDescriptorSize];
        int size = 0;
        object.WriteNetDescriptor(descriptor, &size);
        updates.insert(updates.end(), descriptor, descriptor + size);
    }
    std::vector<std::uint8_t> playerState(184);
    playerState[0] = 0xFF;
    std::vector<std::uint8_t> gameState(8);
    const std::uint32_t gameStateType = 0x2009;
    std::memcpy(gameState.data(), &gameStateType, 4);
    CNetRing& ring = client.GetReceiveRing();
    for (auto _ : state)
    {
        for (const auto* message : {&updates, &playerState, &gameState})
        {
            const CNetConnection::SRingHeader header{dp::DPN_MSGID_RECEIVE, 12, 1,
                                                     std::uint32_t(message->size())};
            ring.WriteRecord(&header, sizeof header, message->data(), std::uint32_t(message->size()));
        }
        benchmark::DoNotOptimize(client.GetData());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReceiveFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
