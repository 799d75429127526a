// CEnvironment: the weather sounds and the saved environment state.
//
// The state record (the whole "ENV" chunk), 765 bytes, packed, little-endian:
//   0    4    f32 time of day (hours)
//   4    4    f32 moon clock (hours)
//   8    12   3 x f32 sun direction
//   20   12   3 x f32 moon direction
//   32   4    f32 glare limit
//   36   4    f32 sun brightness
//   40   1    u8 weather change running
//   41   4    f32 change fraction
//   45   64   4 x 4 f32 texture matrix, current cloud layer 1 (row by row)
//   109  64   current cloud layer 2
//   173  64   next record's cloud layer 1
//   237  64   next record's cloud layer 2
//   301  4    i32 sky texture A
//   305  4    i32 sky texture B
//   309  4    f32 sky blend
//   313  4    u32 sky colour in use
//   317  4    f32 reserved (0)
//   321  4    f32 sun glare
//   325  4    i32 current record index
//   329  4    i32 next record index
//   333  4    i32 previous record index
//   337  428  the working record (texture fields hold ids)
#include "location/Environment.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// The fields in record order: address and size.
struct SField
{
    void* data;
    std::uint32_t size;
};

template <typename F> void ForEachField(CEnvironment& e, F&& f)
{
    const SField fields[] = {
        {&e.m_fTime, 4},       {&e.m_fMoonTime, 4},      {&e.m_vSunDir, 12},       {&e.m_vMoonDir, 12},
        {&e.m_fGlareLimit, 4}, {&e.m_fSunBrightness, 4}, {&e.m_bChanging, 1},      {&e.m_fChange, 4},
        {&e.m_mCloud[0], 64},  {&e.m_mCloud[1], 64},     {&e.m_mNextCloud[0], 64}, {&e.m_mNextCloud[1], 64},
        {&e.m_iSkyA, 4},       {&e.m_iSkyB, 4},          {&e.m_fSkyBlend, 4},      {&e.m_uSkyColor, 4},
        {&e.m_fReserved, 4},   {&e.m_fGlare, 4},         {&e.m_iCurrent, 4},       {&e.m_iNext, 4},
        {&e.m_iPrevious, 4},   {&e.m_Work, 428},
    };
    for (const SField& field : fields)
        f(field);
}
static_assert(sizeof(bool) == 1);
} // namespace

void CEnvironment::WriteState(CMemStream* stream, std::uint32_t* size)
{
    std::uint8_t record[kStateSize];
    std::uint32_t at = 0;
    ForEachField(*this,
                 [&](const SField& f)
                 {
                     std::memcpy(record + at, f.data, f.size);
                     at += f.size;
                 });
    stream->Write(record, kStateSize);
    if (size) *size = kStateSize;
}

bool CEnvironment::ReadState(CMemStream* stream, std::uint32_t* /*size*/)
{
    XTRACE("CEnvironment::ReadState");
    // The chunk may be short: never read past it, and change nothing then.
    if (!stream->m_pData || stream->m_nPosition > stream->m_nCapacity ||
        stream->m_nCapacity - stream->m_nPosition < kStateSize)
    {
        g_ErrorLog.LogError(
            "ENV: the environment state needs %u bytes, the chunk has %u left; not read", kStateSize,
            stream->m_nPosition > stream->m_nCapacity ? 0u : stream->m_nCapacity - stream->m_nPosition);
        return false;
    }
    const std::uint8_t* in = stream->m_pData + stream->m_nPosition;
    std::uint32_t at = 0;
    ForEachField(*this,
                 [&](const SField& f)
                 {
                     std::memcpy(f.data, in + at, f.size);
                     at += f.size;
                 });
    stream->m_nPosition += kStateSize;
    // A bool must hold 0 or 1 whatever the byte said.
    std::uint8_t changing;
    std::memcpy(&changing, in + 40, 1);
    m_bChanging = changing != 0;
    // The indices name records of the location now loaded: both sides clamped.
    const int count = GetCount();
    for (std::int32_t* index : {&m_iCurrent, &m_iNext, &m_iPrevious})
    {
        if (*index >= count) *index = count - 1;
        if (*index < -1) *index = -1;
    }
    return true;
}

void CEnvironment::StartRainLoop()
{
    if (m_iRainSound != -1 || !g_pSoundManager) return;
    m_iRainSound = g_pSoundManager->Lookup("SND_W_RAIN_L");
    if (m_bRaining && m_iRainSource == -1)
    {
        const float zero[3] = {};
        m_iRainSource = g_pSoundManager->AddSndSrc(m_iRainSound, zero);
        g_pSoundManager->SetVolumeSndSrc(m_iRainSource, 0.0f);
        g_pSoundManager->PlaySndSrc(m_iRainSource, true, false, false);
    }
}

void CEnvironment::ProcSound(float seconds)
{
    CSoundManager2* sound = g_pSoundManager;
    if (!sound) return;
    if (m_iRainSource != -1)
    {
        const float rate = seconds / (m_bRaining ? 10.0f : 3.0f);
        const float target = m_Work.weatherIntensity * 1.1111112f + 0.1f;
        if (!m_bRaining)
            m_fRainVolume = std::max(0.0f, m_fRainVolume - rate);
        else if (m_fRainVolume < target)
            m_fRainVolume = std::min(target, m_fRainVolume + rate);
        else if (m_fRainVolume > target)
            m_fRainVolume = std::max(target, m_fRainVolume - rate);
        sound->SetVolumeSndSrc(m_iRainSource, m_fRainVolume);
        if (m_fRainVolume == 0.0f) sound->DeleteSndSrc(&m_iRainSource, true);
    }
    if (m_bRaining)
    {
        const std::int32_t thunder = sound->Lookup("SND_W_THUNDER");
        if (!sound->IsPlaying(thunder))
        {
            if (m_fThunderTimer <= 0.0f)
            {
                sound->Play2D("SND_W_THUNDER", false);
                m_fThunderTimer = m_pRandom->Random(170.0f) + 10.0f;
            }
            else
                m_fThunderTimer -= seconds;
        }
    }
    if (m_vWind.LengthSq() != 0.0f)
    {
        if (m_fWindTimer <= 0.0f)
        {
            sound->Play2D("SND_W_WIND", false);
            m_fWindTimer = m_vWind.Length() / std::sqrt(30000.0f) * 50.0f + 10.0f;
        }
        else
            m_fWindTimer -= seconds;
    }
}

void CEnvironment::Pause(bool pause)
{
    m_bSoundsPaused = pause;
    CSoundManager2* sound = g_pSoundManager;
    if (!sound) return;
    if (pause)
    {
        sound->DeleteSndSrc(&m_iRainSource, false);
        m_fRainVolume = 0.0f;
        sound->Stop("SND_W_WIND");
        sound->Stop("SND_W_THUNDER");
        m_fWindTimer = m_pRandom->Random(20.0f);
        return;
    }
    m_fRainVolume = m_bRaining ? m_Work.weatherIntensity * 1.1111112f + 0.1f : 0.0f;
    if (m_iRainSource == -1)
    {
        const float zero[3] = {};
        m_iRainSource = sound->AddSndSrc(m_iRainSound, zero);
    }
    sound->SetVolumeSndSrc(m_iRainSource, m_fRainVolume);
    sound->PlaySndSrc(m_iRainSource, true, false, false);
}
