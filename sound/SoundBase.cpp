#include "sound/SoundBase.h"

#include "foundation/ErrorLog.h"

#include <cmath>

using namespace plat::ds;

namespace
{

// 9 / ln 256: the law's curve constant, so that full volume (n = 255)
// gives y = 10 and exactly 0 hundredths.
const double kVolumeCurve = 9.0 / std::log(256.0);

} // namespace

std::int32_t VolumeToDecibels(float volume)
{
    const double v = volume < 0.0f ? 0.0 : (volume > 1.0f ? 1.0 : static_cast<double>(volume));
    const double n = std::round(255.0 * v);
    const double y = 1.0 + kVolumeCurve * std::log(1.0 + n);
    return static_cast<std::int32_t>(std::lround(10000.0 * std::log10(y))) - 10000;
}

float DecibelsToVolume(std::int32_t hundredths)
{
    const std::int32_t h = hundredths < DSBVOLUME_MIN ? DSBVOLUME_MIN : (hundredths > 0 ? 0 : hundredths);
    const double y = std::pow(10.0, (h + 10000) / 10000.0);
    const double n = std::exp((y - 1.0) / kVolumeCurve) - 1.0;
    return static_cast<float>(std::round(n) * (1.0 / 255.0));
}

void DecibelsToVolume(std::int32_t hundredths, float* out)
{
    *out = DecibelsToVolume(hundredths);
}

CSoundBase::~CSoundBase()
{
    CSoundBase::Done();
}

CGuidKey CSoundBase::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "ISound");
    return key;
}

bool CSoundBase::Init(const SSoundInitParams* params)
{
    XTRACE("CSoundBase::Init");
    if (!params) return false;
    if (plat::Failed(DirectSoundCreate(&m_pDevice))) return false;
    if (plat::Failed(m_pDevice->SetCooperativeLevel(params->window, DSSCL_PRIORITY))) return false;
    BufferDesc desc;
    desc.flags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
    if (plat::Failed(m_pDevice->CreateSoundBuffer(&desc, &m_pPrimary))) return false;
    WaveFormat format;
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = static_cast<std::uint16_t>(params->channels & 0xFFFF);
    format.samplesPerSec = params->samplesPerSec;
    format.bitsPerSample = static_cast<std::uint16_t>(params->bitsPerSample & 0xFFFF);
    format.blockAlign = static_cast<std::uint16_t>(format.bitsPerSample / 8 * format.channels);
    format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
    if (plat::Failed(m_pPrimary->SetFormat(&format))) return false;
    if (plat::Failed(m_pPrimary->QueryListener(&m_pListener))) return false;
    GetVolume();
    return true;
}

bool CSoundBase::InitFromDevice(Device* device, Buffer* primary)
{
    XTRACE("CSoundBase::InitFromDevice");
    if (!device || !primary) return false;
    m_pDevice = device;
    m_pDevice->AddRef();
    m_pPrimary = primary;
    m_pPrimary->AddRef();
    GetVolume();
    return plat::Succeeded(m_pPrimary->QueryListener(&m_pListener));
}

void CSoundBase::Done()
{
    if (m_pListener) m_pListener->Release();
    if (m_pPrimary) m_pPrimary->Release();
    if (m_pDevice) m_pDevice->Release();
    m_pListener = nullptr;
    m_pPrimary = nullptr;
    m_pDevice = nullptr;
}

void CSoundBase::SetVolume(float volume)
{
    if (!m_pPrimary) return;
    m_fPrimaryVolume = volume;
    m_pPrimary->SetVolume(VolumeToDecibels(volume));
}

float CSoundBase::GetVolume()
{
    if (!m_pPrimary) return 0.0f;
    std::int32_t hundredths = 0;
    if (plat::Succeeded(m_pPrimary->GetVolume(&hundredths))) m_fPrimaryVolume = DecibelsToVolume(hundredths);
    return m_fPrimaryVolume;
}

bool CSoundBase::SetListenerParams(const float* params)
{
    if (!m_pListener || !params) return false;
    const bool distance = plat::Succeeded(m_pListener->SetDistanceFactor(params[0], DS3D_DEFERRED));
    const bool doppler = plat::Succeeded(m_pListener->SetDopplerFactor(params[2], DS3D_DEFERRED));
    const bool rolloff = plat::Succeeded(m_pListener->SetRolloffFactor(params[1], DS3D_DEFERRED));
    return distance && doppler && rolloff;
}

bool CSoundBase::ApplySettings()
{
    return m_pListener && plat::Succeeded(m_pListener->CommitDeferredSettings());
}

bool CSoundBase::SetListener(const float* position, const float* front, const float* top)
{
    if (!m_pListener) return false;
    m_vListenerPosition[0] = position[0];
    m_vListenerPosition[1] = position[1];
    m_vListenerPosition[2] = position[2];
    const bool orientation = plat::Succeeded(
        m_pListener->SetOrientation(front[0], front[1], front[2], top[0], top[1], top[2], DS3D_DEFERRED));
    const bool place =
        plat::Succeeded(m_pListener->SetPosition(position[0], position[1], position[2], DS3D_DEFERRED));
    return orientation && place;
}

bool CSoundBase::SetListenerVelocity(const float* velocity)
{
    return m_pListener &&
           plat::Succeeded(m_pListener->SetVelocity(velocity[0], velocity[1], velocity[2], DS3D_DEFERRED));
}
