#include "sound/SoundObject.h"

#include "foundation/ErrorLog.h"
#include "platform/Thread.h"
#include "sound/SoundBase.h"
#include "sound/SoundContainer.h"

#include <cstdio>
#include <cstring>

using namespace plat::ds;

namespace
{

float DistanceSquared(const float* a, const float* b)
{
    const float dx = a[0] - b[0];
    const float dy = a[1] - b[1];
    const float dz = a[2] - b[2];
    return dx * dx + dy * dy + dz * dz;
}

} // namespace

void GetDSResultName(std::int32_t result, char* out)
{
    struct SName
    {
        plat::HResult code;
        const char* name;
    };
    static const SName kNames[] = {
        {DS_OK, "DS_OK"},
        {DS_NO_VIRTUALIZATION, "DS_NO_VIRTUALIZATION"},
        {DSERR_ACCESSDENIED, "DSERR_ACCESSDENIED"},
        {DSERR_ALLOCATED, "DSERR_ALLOCATED"},
        {DSERR_ALREADYINITIALIZED, "DSERR_ALREADYINITIALIZED"},
        {DSERR_BADFORMAT, "DSERR_BADFORMAT"},
        {DSERR_BADSENDBUFFERGUID, "DSERR_BADSENDBUFFERGUID"},
        {DSERR_BUFFERLOST, "DSERR_BUFFERLOST"},
        {DSERR_BUFFERTOOSMALL, "DSERR_BUFFERTOOSMALL"},
        {DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL"},
        {DSERR_DS8_REQUIRED, "DSERR_DS8_REQUIRED"},
        {DSERR_FXUNAVAILABLE, "DSERR_FXUNAVAILABLE"},
        {DSERR_GENERIC, "DSERR_GENERIC"},
        {DSERR_INVALIDCALL, "DSERR_INVALIDCALL"},
        {DSERR_INVALIDPARAM, "DSERR_INVALIDPARAM"},
        {DSERR_NOAGGREGATION, "DSERR_NOAGGREGATION"},
        {DSERR_NODRIVER, "DSERR_NODRIVER"},
        {DSERR_NOINTERFACE, "DSERR_NOINTERFACE"},
        {DSERR_OBJECTNOTFOUND, "DSERR_OBJECTNOTFOUND"},
        {DSERR_OTHERAPPHASPRIO, "DSERR_OTHERAPPHASPRIO"},
        {DSERR_OUTOFMEMORY, "DSERR_OUTOFMEMORY"},
        {DSERR_PRIOLEVELNEEDED, "DSERR_PRIOLEVELNEEDED"},
        {DSERR_SENDLOOP, "DSERR_SENDLOOP"},
        {DSERR_UNINITIALIZED, "DSERR_UNINITIALIZED"},
        {DSERR_UNSUPPORTED, "DSERR_UNSUPPORTED"},
    };
    for (const SName& n : kNames)
    {
        if (n.code == result)
        {
            std::strcpy(out, n.name);
            return;
        }
    }
}

CSoundObject2::~CSoundObject2()
{
    CSoundObject2::Done();
}

CGuidKey CSoundObject2::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "ISoundObject");
    return key;
}

void CSoundObject2::Init(CSoundContainer2* container, Buffer* buffer)
{
    XTRACE("CSoundObject2::Init");
    m_pBuffer = buffer;
    if (container->Is3D() && buffer && plat::Succeeded(buffer->QueryBuffer3D(&m_pBuffer3D)))
    {
        m_pBuffer3D->SetMinDistance(container->GetMinDistance(), DS3D_DEFERRED);
        m_pBuffer3D->SetMaxDistance(container->GetMaxDistance(), DS3D_DEFERRED);
        m_fMoveThreshold = container->GetMinDistance() * container->GetMinDistance() * 0.001f;
    }
    m_fBaseVolume = container->GetVolume();
    SetVolume(1.0f);
}

void CSoundObject2::Done()
{
    if (m_pBuffer)
    {
        std::uint32_t status = 0;
        if (plat::Succeeded(m_pBuffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING)) m_pBuffer->Stop();
        m_pBuffer->Release();
        m_pBuffer = nullptr;
    }
    if (m_pBuffer3D)
    {
        m_pBuffer3D->Release();
        m_pBuffer3D = nullptr;
    }
}

bool CSoundObject2::Play(bool loop)
{
    XTRACE("CSoundObject2::Play");
    if (!m_pBuffer) return false;
    std::uint32_t status = 0;
    if (plat::Failed(m_pBuffer->GetStatus(&status))) return false;
    if (status & DSBSTATUS_BUFFERLOST)
    {
        // The sound card may stay taken by another program: give up after
        // a bounded number of rounds instead of waiting for ever.
        plat::HResult hr = DSERR_BUFFERLOST;
        for (int round = 0; round < kRestoreRounds && hr == DSERR_BUFFERLOST; ++round)
        {
            hr = m_pBuffer->Restore();
            if (hr == DSERR_BUFFERLOST)
            {
                plat::Sleep(10);
                hr = m_pBuffer->Restore();
            }
        }
        if (hr == DSERR_BUFFERLOST)
        {
            g_ErrorLog.LogError("CSoundObject2::Play: the sound buffer is lost and cannot be restored");
            m_nLastPlayResult = hr;
            return false;
        }
    }
    m_nLastPlayResult = m_pBuffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0);
    return plat::Succeeded(m_nLastPlayResult);
}

bool CSoundObject2::Stop()
{
    if (!m_pBuffer) return false;
    const bool rewound = plat::Succeeded(m_pBuffer->SetCurrentPosition(0));
    const bool stopped = plat::Succeeded(m_pBuffer->Stop());
    return rewound && stopped;
}

bool CSoundObject2::IsPlaying()
{
    if (!m_pBuffer) return false;
    std::uint32_t status = 0;
    return plat::Succeeded(m_pBuffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

void CSoundObject2::SetVolume(float volume)
{
    if (!(volume >= 0.0f && volume <= 1.0f)) return;
    m_fVolume = volume;
    const float effective = m_bInUse ? volume * m_fBaseVolume : m_fBaseVolume;
    if (m_pBuffer) m_pBuffer->SetVolume(VolumeToDecibels(effective));
}

float CSoundObject2::GetVolume()
{
    return m_bInUse ? m_fVolume : m_fBaseVolume;
}

bool CSoundObject2::SetPosition(const float* position)
{
    if (!m_pBuffer3D) return false;
    if (DistanceSquared(position, m_vPosition) < m_fMoveThreshold) return true;
    std::memcpy(m_vPosition, position, sizeof(m_vPosition));
    return plat::Succeeded(m_pBuffer3D->SetPosition(position[0], position[1], position[2], DS3D_DEFERRED));
}

bool CSoundObject2::SetSpeed(const float* velocity)
{
    if (!m_pBuffer3D) return false;
    if (DistanceSquared(velocity, m_vVelocity) < m_fMoveThreshold) return true;
    std::memcpy(m_vVelocity, velocity, sizeof(m_vVelocity));
    return plat::Succeeded(m_pBuffer3D->SetVelocity(velocity[0], velocity[1], velocity[2], DS3D_DEFERRED));
}

void CSoundObject2::GetSpeed(float* out)
{
    std::memcpy(out, m_vVelocity, sizeof(m_vVelocity));
}

bool CSoundObject2::SetFrequency(float frequency)
{
    if (!m_pBuffer) return false;
    const std::uint32_t hz = frequency > 0.0f ? static_cast<std::uint32_t>(frequency) : 0;
    return plat::Succeeded(m_pBuffer->SetFrequency(hz));
}

void CSoundObject2::SetDistance(float minDistance, float maxDistance)
{
    if (!m_pBuffer3D) return;
    m_fMinDistance = minDistance;
    m_fMaxDistance = maxDistance;
    m_pBuffer3D->SetMinDistance(minDistance, DS3D_DEFERRED);
    m_pBuffer3D->SetMaxDistance(maxDistance, DS3D_DEFERRED);
}

void CSoundObject2::GetDistance(float* minDistance, float* maxDistance)
{
    if (m_fMinDistance == -1.0f && m_fMaxDistance == -1.0f) return;
    *minDistance = m_fMinDistance;
    *maxDistance = m_fMaxDistance;
}

bool CSoundObject2::SetMode(std::int32_t mode)
{
    if (!m_pBuffer3D) return false;
    std::uint32_t current = 0;
    m_pBuffer3D->GetMode(&current);
    if (current == static_cast<std::uint32_t>(mode)) return true;
    const plat::HResult hr = m_pBuffer3D->SetMode(static_cast<std::uint32_t>(mode), DS3D_DEFERRED);
    if (plat::Failed(hr))
    {
        char name[64] = "";
        GetDSResultName(hr, name);
        g_ErrorLog.LogError("CSoundObject2::SetMode error='%s'", name);
        return false;
    }
    return true;
}

bool CSoundObject2::SetCurrentPosition(std::uint32_t bytes)
{
    return m_pBuffer && plat::Succeeded(m_pBuffer->SetCurrentPosition(bytes));
}
