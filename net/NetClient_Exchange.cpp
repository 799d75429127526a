// The client's exchange: receiving and dispatching messages, the waits, and
// what it sends every frame and on the game's events.
#include "net/NetClient.h"

#include "foundation/ErrorLog.h"
#include "foundation/Settings.h"
#include "platform/Thread.h"
#include "world/MMObject.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"

#include <algorithm>
#include <cstring>

using namespace netmsg;
using plat::E_FAIL;
using plat::Failed;
using plat::HResult;
using plat::S_OK;

namespace
{

std::uint32_t U32At(const std::uint8_t* data, std::uint32_t at)
{
    std::uint32_t value;
    std::memcpy(&value, data + at, 4);
    return value;
}

} // namespace

void CMMNetClient::DropMessage(std::uint32_t type, std::uint32_t size, const char* reason) const
{
    g_ErrorLog.LogError("CMMNetClient::OnProcessMessage: message 0x%04X of %u bytes dropped: %s", type, size,
                        reason);
}

HResult CMMNetClient::GetData()
{
    XTRACE("CMMNetClient::GetData()");
    if (!m_Ring.HasData()) return E_FAIL;
    while (m_Ring.HasData())
    {
        // Records go in whole, so a header that cannot be read means the
        // ring is damaged: what is in it cannot be trusted.
        SRingHeader header;
        if (!m_Ring.Read(&header, sizeof header) || header.headerSize != kRingHeaderSize - 4)
        {
            g_ErrorLog.LogError(
                "CMMNetClient::GetData: the receive ring holds a damaged record; %u bytes dropped",
                m_Ring.GetReadable());
            m_Ring.SkipAll();
            break;
        }
        if (header.type != plat::dp::DPN_MSGID_RECEIVE) continue;
        if (header.dataSize > kMaxMessageSize)
        {
            g_ErrorLog.LogError(
                "CMMNetClient::GetData: a message of %u bytes is larger than the %u bytes taken in; "
                "dropped",
                header.dataSize, kMaxMessageSize);
            if (!m_Ring.Skip(header.dataSize)) m_Ring.SkipAll();
            continue;
        }
        if (!m_Ring.Read(m_pWork.get(), header.dataSize))
        {
            g_ErrorLog.LogError(
                "CMMNetClient::GetData: the receive ring holds a damaged record; %u bytes dropped",
                m_Ring.GetReadable());
            m_Ring.SkipAll();
            break;
        }
        OnProcessMessage(m_pWork.get(), header.dataSize);
    }
    return S_OK;
}

void CMMNetClient::OnProcessMessage(const std::uint8_t* data, std::uint32_t size)
{
    XTRACE("CMMNetClient::OnProcessMessage");
    if (size < 4)
    {
        DropMessage(0, size, "no type");
        return;
    }
    const std::uint32_t type = U32At(data, 0);
    switch (type)
    {
    case kExitGame:
    case kGameDescriptor:
    case kPause:
        SendHeader(kGameDetails, kDetailsRequestSize);
        break;
    case kGamesList:
    {
        if (size < kGamesListRecordsAt)
        {
            DropMessage(type, size, "no record count");
            return;
        }
        const std::uint32_t count = U32At(data, 8);
        if (count > (size - kGamesListRecordsAt) / sizeof(SGameRecord))
        {
            DropMessage(type, size, "more records than bytes");
            return;
        }
        m_Games.assign(count, SGameRecord{});
        for (std::uint32_t i = 0; i < count; ++i)
            std::memcpy(&m_Games[i], data + kGamesListRecordsAt + i * sizeof(SGameRecord),
                        sizeof(SGameRecord));
        break;
    }
    case kGameDetails:
    {
        if (size < kGamesListRecordsAt)
        {
            DropMessage(type, size, "no descriptor count");
            return;
        }
        const std::uint32_t count = U32At(data, 8);
        if (count &&
            (size < kDetailsRecordsAt || count > (size - kDetailsRecordsAt) / sizeof(SGameDescriptor)))
        {
            DropMessage(type, size, "more descriptors than bytes");
            return;
        }
        m_iSelected = std::int32_t(U32At(data, 4));
        m_GameDetails.assign(count, SGameDescriptor{});
        for (std::uint32_t i = 0; i < count; ++i)
            std::memcpy(&m_GameDetails[i], data + kDetailsRecordsAt + i * sizeof(SGameDescriptor),
                        sizeof(SGameDescriptor));
        break;
    }
    case kSelected:
        if (size < kHeaderSize)
        {
            DropMessage(type, size, "no selected index");
            return;
        }
        m_iSelected = std::int32_t(U32At(data, 4));
        break;
    case kGameState:
        m_dwGameState = type;
        break;
    default:
        break;
    }
    m_dwReplyType = type;
    if (m_dwAwaited && type == m_dwAwaited) m_bAwaitedArrived = true;
}

bool CMMNetClient::WaitForReply(std::uint32_t type, int tries)
{
    XTRACE("CMMNetClient::WaitForReply");
    m_dwReplyType = 0;
    m_dwAwaited = type;
    m_bAwaitedArrived = false;
    bool arrived = false;
    for (int i = 0; i < tries; ++i)
    {
        GetData();
        if (m_bAwaitedArrived)
        {
            arrived = true;
            break;
        }
        if (m_dwReplyType == kAbort) break;
        plat::Sleep(1);
    }
    m_dwAwaited = 0;
    return arrived;
}

HResult CMMNetClient::SendHeader(std::uint32_t type, std::uint32_t size)
{
    std::uint8_t* m = m_pBuffer.get();
    std::memset(m, 0, size);
    std::memcpy(m, &type, 4);
    std::memcpy(m + 4, &size, 4);
    return Send(m, size);
}

HResult CMMNetClient::SendSessionMessage(std::uint32_t type, const void* payload, std::uint32_t size)
{
    std::uint8_t* m = m_pBuffer.get();
    std::memset(m, 0, kSessionMessageSize);
    std::memcpy(m, &type, 4);
    std::memcpy(m + 4, &kSessionMessageSize, 4);
    std::memcpy(m + kHeaderSize, payload, std::min(size, kSessionMessageSize - kHeaderSize));
    return Send(m, kSessionMessageSize);
}

HResult CMMNetClient::SendExitGame()
{
    return SendSessionMessage(kExitGame, m_OwnDescriptor.sessionIds, sizeof m_OwnDescriptor.sessionIds);
}

HResult CMMNetClient::SendPause()
{
    return SendSessionMessage(kPause, m_OwnDescriptor.sessionIds, sizeof m_OwnDescriptor.sessionIds);
}

HResult CMMNetClient::SendGameDescriptor()
{
    m_OwnDescriptor.state = 2;
    return SendSessionMessage(kGameDescriptor, &m_OwnDescriptor, kSessionMessageSize - kHeaderSize);
}

HResult CMMNetClient::Senddata(bool player)
{
    XTRACE("SMMNEtClient::Senddata()");
    if (!player) return SendObjectUpdates();
    std::uint8_t* m = m_pBuffer.get();
    std::memset(m, 0, kPlayerStateSize);
    // The size word stays 0, as servers of this message expect.
    std::memcpy(m, &kPlayerState, 4);
    std::memcpy(m + 8, m_OwnDescriptor.sessionIds, sizeof m_OwnDescriptor.sessionIds);
    const CVector view = GetViewerPosition();
    const float radius = float(g_Settings.VisibleRadius) * 10.0f;
    std::memcpy(m + kViewXAt, &view.x, 4);
    std::memcpy(m + kViewYAt, &view.y, 4);
    std::memcpy(m + kRadiusAt, &radius, 4);
    return Send(m, kPlayerStateSize);
}

HResult CMMNetClient::SendObjectUpdates()
{
    // The stamps follow the connection's timer, the clock SendClock sends.
    m_fClock = float(m_Timer.Command(ENetTimerCommand::GetAppTime));
    const double stamp = double(m_fClockOffset) + double(m_fClock);
    std::uint8_t* buffer = m_pBuffer.get();
    std::uint32_t offset = 0;
    bool full = false;
    for (CMMObject* object : g_ObjectList.m_NetObjects)
    {
        if (!object->m_bNetwork || !object->m_bChanged) continue;
        // Every descriptor fits in kMaxNetDescriptorSize; an object that
        // finds less room keeps its changed mark for the next frame.
        if (kBufferSize - offset < std::uint32_t(kMaxNetDescriptorSize))
        {
            full = true;
            break;
        }
        int size = 0;
        object->WriteNetDescriptor(buffer + offset, &size);
        if (size < kNetDescriptorSize || size > kMaxNetDescriptorSize)
        {
            g_ErrorLog.LogError(
                "SMMNEtClient::Senddata: net object %u wrote a descriptor of %d bytes; this frame's "
                "updates are not sent",
                object->m_nNetId, size);
            return E_FAIL;
        }
        const std::uint32_t total = std::uint32_t(size);
        std::memcpy(buffer + offset + 16, &stamp, 8);
        std::memcpy(buffer + offset + 24, &total, 4);
        offset += total;
    }
    if (full) g_ErrorLog.LogDebug("SMMNEtClient::Senddata: the other changed objects go with the next frame");
    if (offset == 0) return S_OK;
    return Send(buffer, offset);
}
