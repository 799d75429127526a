#include "sound/SoundContainer.h"

#include "foundation/ErrorLog.h"
#include "platform/dsound/Mmio.h"
#include "sound/OggSound.h"
#include "sound/SoundBase.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace plat::ds;

namespace
{

constexpr plat::FourCC kWave = plat::MakeFourCC('W', 'A', 'V', 'E');
constexpr plat::FourCC kFmt = plat::MakeFourCC('f', 'm', 't', ' ');
constexpr plat::FourCC kData = plat::MakeFourCC('d', 'a', 't', 'a');
constexpr plat::FourCC kOggS = plat::MakeFourCC('O', 'g', 'g', 'S');

// The RIFF WAVE header: the PCM format from "fmt " and the "data" chunk,
// whose size is checked against the file before anything is allocated.
bool ReadWaveHeader(plat::MmioHandle h, const plat::MmChunkInfo& riff, const char* path, WaveFormat* format,
                    plat::MmChunkInfo* data)
{
    auto fail = [path](const char* why)
    {
        g_ErrorLog.LogError("Sound file %s: %s", path, why);
        return false;
    };
    if (riff.fccType != kWave) return fail("a RIFF file that is not WAVE");
    plat::MmChunkInfo fmt;
    fmt.ckid = kFmt;
    if (plat::MmioDescend(h, &fmt, &riff, plat::MMIO_FINDCHUNK) != plat::MMSYSERR_NOERROR)
        return fail("no \"fmt \" chunk");
    if (fmt.cksize < 16) return fail("the \"fmt \" chunk is shorter than 16 bytes");
    *format = WaveFormat();
    if (plat::MmioRead(h, reinterpret_cast<char*>(format), 16) != 16)
        return fail("the \"fmt \" chunk is cut short");
    if (format->formatTag != WAVE_FORMAT_PCM)
    {
        g_ErrorLog.LogError("Sound file %s: format tag %u is not PCM", path, format->formatTag);
        return false;
    }
    format->extraSize = 0;
    if (plat::MmioAscend(h, &fmt, 0) != plat::MMSYSERR_NOERROR ||
        plat::MmioSeek(h, static_cast<std::int32_t>(riff.dataOffset + 4), SEEK_SET) < 0)
        return fail("cannot seek in the file");
    data->ckid = kData;
    if (plat::MmioDescend(h, data, &riff, plat::MMIO_FINDCHUNK) != plat::MMSYSERR_NOERROR)
        return fail("no \"data\" chunk");
    const std::int32_t fileSize = plat::MmioSeek(h, 0, SEEK_END);
    if (fileSize < 0 || plat::MmioSeek(h, static_cast<std::int32_t>(data->dataOffset), SEEK_SET) < 0)
        return fail("cannot seek in the file");
    if (static_cast<std::uint64_t>(data->dataOffset) + data->cksize > static_cast<std::uint64_t>(fileSize))
        return fail("the \"data\" chunk runs past the end of the file");
    return true;
}

// Copies the data chunk through the file's I/O buffer.
bool CopyWaveData(plat::MmioHandle h, std::uint8_t* out, std::uint32_t size)
{
    plat::MmioInfo info;
    if (plat::MmioGetInfo(h, &info, 0) != plat::MMSYSERR_NOERROR) return false;
    std::uint32_t copied = 0;
    while (copied < size)
    {
        if (info.next == info.endRead)
        {
            if (plat::MmioAdvance(h, &info, plat::MMIO_READ) != plat::MMSYSERR_NOERROR ||
                info.next == info.endRead)
                return false;
        }
        const std::uint32_t n = std::min(static_cast<std::uint32_t>(info.endRead - info.next), size - copied);
        std::memcpy(out + copied, info.next, n);
        info.next += n;
        copied += n;
    }
    return plat::MmioSetInfo(h, &info, 0) == plat::MMSYSERR_NOERROR;
}

} // namespace

CSoundContainer2::~CSoundContainer2()
{
    CSoundContainer2::Unload();
}

CGuidKey CSoundContainer2::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "ISoundContainer");
    return key;
}

void CSoundContainer2::Init(CSoundBase* manager, bool is3D)
{
    m_pManager = manager;
    m_bIs3D = is3D;
}

bool CSoundContainer2::LoadFromFile(const char* path)
{
    XTRACE("CSoundContainer2::LoadFromFile");
    if (!m_pManager || !m_pManager->GetDevice() || !path) return false;
    if (m_pFileName || m_nObjectCount > 0) Unload();

    plat::MmioHandle h = plat::MmioOpen(path, nullptr, plat::MMIO_READ | plat::MMIO_ALLOCBUF);
    if (!h)
    {
        g_ErrorLog.LogError("Sound file %s cannot be opened", path);
        return false;
    }
    plat::MmChunkInfo first;
    WaveFormat format;
    plat::MmChunkInfo data;
    std::vector<std::uint8_t> decoded;
    bool wave = false;
    if (plat::MmioDescend(h, &first, nullptr, 0) != plat::MMSYSERR_NOERROR)
    {
        plat::MmioClose(h, 0);
        g_ErrorLog.LogError("Sound file %s is too short to be a sound", path);
        return false;
    }
    if (first.ckid == plat::FOURCC_RIFF)
    {
        if (!ReadWaveHeader(h, first, path, &format, &data))
        {
            plat::MmioClose(h, 0);
            return false;
        }
        wave = true;
    }
    else if (first.ckid == kOggS)
    {
        plat::MmioClose(h, 0);
        h = nullptr;
        if (!DecodeOggSound(path, kDecodeBufferSize, &format, &decoded)) return false;
    }
    else
    {
        plat::MmioClose(h, 0);
        g_ErrorLog.LogError("Sound file %s is neither RIFF WAVE nor Ogg", path);
        return false;
    }
    auto closeWave = [&h]
    {
        if (h) plat::MmioClose(h, 0);
        h = nullptr;
    };

    m_bMono = format.channels == 1;
    if (!m_bMono) m_bIs3D = false;
    m_nDataSize = wave ? data.cksize : static_cast<std::uint32_t>(decoded.size());

    BufferDesc desc;
    desc.flags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME |
                 (m_pManager->IsHardwareSounds() ? DSBCAPS_LOCDEFER : DSBCAPS_LOCSOFTWARE);
    if (m_bIs3D) desc.flags |= DSBCAPS_CTRL3D | DSBCAPS_MUTE3DATMAXDISTANCE;
    desc.bufferBytes = m_nDataSize;
    desc.format = &format;
    Buffer* buffer = nullptr;
    const plat::HResult hr = m_pManager->GetDevice()->CreateSoundBuffer(&desc, &buffer);
    if (hr != DS_OK && hr != DS_NO_VIRTUALIZATION)
    {
        char name[64] = "unknown result";
        GetDSResultName(hr, name);
        g_ErrorLog.LogError("Sound file %s: no sound buffer for %u bytes of %u-channel %u-bit sound (%s)",
                            path, m_nDataSize, format.channels, format.bitsPerSample, name);
        closeWave();
        m_nDataSize = 0;
        return false;
    }

    void* locked = nullptr;
    std::uint32_t lockedBytes = 0;
    if (plat::Failed(buffer->Lock(0, m_nDataSize, &locked, &lockedBytes, nullptr, nullptr, 0)))
    {
        g_ErrorLog.LogError("Sound file %s: the sound buffer cannot be locked", path);
        buffer->Release();
        closeWave();
        m_nDataSize = 0;
        return false;
    }
    bool copied = true;
    if (wave)
        copied = CopyWaveData(h, static_cast<std::uint8_t*>(locked), lockedBytes);
    else
        std::memcpy(locked, decoded.data(), std::min<std::size_t>(lockedBytes, decoded.size()));
    closeWave();
    decoded = std::vector<std::uint8_t>();
    buffer->Unlock(locked, lockedBytes, nullptr, 0);
    if (!copied)
    {
        g_ErrorLog.LogError("Sound file %s ends inside its data", path);
        buffer->Release();
        m_nDataSize = 0;
        return false;
    }

    auto* object = new CSoundObject2;
    object->Init(this, buffer);
    m_pObjects[0] = object;
    m_nObjectCount = 1;
    std::free(m_pFileName);
    m_pFileName = strdup(path);
    return true;
}

void CSoundContainer2::Unload()
{
    const std::int32_t count = m_nObjectCount;
    m_nObjectCount = 0;
    for (std::int32_t i = 0; i < count; ++i)
    {
        delete m_pObjects[i];
        m_pObjects[i] = nullptr;
    }
    std::free(m_pFileName);
    m_pFileName = nullptr;
    m_nDataSize = 0;
}

CSoundObject2* CSoundContainer2::Duplicate()
{
    const std::int32_t count = m_nObjectCount;
    if (count == 0 || count >= kMaxObjects || !m_pManager->GetDevice()) return nullptr;
    Buffer* copy = nullptr;
    if (plat::Failed(m_pManager->GetDevice()->DuplicateSoundBuffer(m_pObjects[0]->GetBuffer(), &copy)))
        return nullptr;
    auto* object = new CSoundObject2;
    object->Init(this, copy);
    m_pObjects[count] = object;
    // Published after the slot is filled: the loader may count meanwhile.
    m_nObjectCount = count + 1;
    return object;
}

ISoundObject* CSoundContainer2::GetSoundObject()
{
    XTRACE("CSoundContainer2::GetSoundObject");
    const std::int32_t count = m_nObjectCount;
    if (count == 0) return nullptr;
    for (std::int32_t i = 0; i < count; ++i)
    {
        CSoundObject2* object = m_pObjects[i];
        if (!object->IsInUse() && !object->IsPlaying())
        {
            object->SetInUse(true);
            object->SetVolume(1.0f);
            return object;
        }
    }
    CSoundObject2* object = Duplicate();
    if (!object) return nullptr;
    object->SetInUse(true);
    object->SetVolume(1.0f);
    return object;
}

void CSoundContainer2::FreeSoundObject(ISoundObject* object)
{
    XTRACE("CSoundContainer2::FreeSoundObject");
    const std::int32_t count = m_nObjectCount;
    for (std::int32_t i = 0; i < count; ++i)
    {
        if (m_pObjects[i] != object) continue;
        CSoundObject2* o = m_pObjects[i];
        o->SetInUse(false);
        o->Stop();
        o->SetFrequency(0.0f);
        o->SetVolume(1.0f);
        o->SetDistance(m_fMinDistance, m_fMaxDistance);
        o->SetMode(0);
        return;
    }
}

bool CSoundContainer2::Play(bool loop)
{
    XTRACE("CSoundContainer2::Play");
    const std::int32_t count = m_nObjectCount;
    if (count == 0) return false;
    for (std::int32_t i = 0; i < count; ++i)
    {
        CSoundObject2* object = m_pObjects[i];
        if (!object->IsInUse() && !object->IsPlaying()) return object->Play(loop);
    }
    CSoundObject2* object = Duplicate();
    return object && object->Play(loop);
}

bool CSoundContainer2::IsPlaying()
{
    const std::int32_t count = m_nObjectCount;
    for (std::int32_t i = 0; i < count; ++i)
        if (m_pObjects[i]->IsPlaying()) return true;
    return false;
}

bool CSoundContainer2::Stop()
{
    const std::int32_t count = m_nObjectCount;
    bool all = count > 0;
    for (std::int32_t i = 0; i < count; ++i)
        all = m_pObjects[i]->Stop() && all;
    return all;
}

void CSoundContainer2::SetVolume(float volume)
{
    m_fVolume = volume;
    const std::int32_t count = m_nObjectCount;
    for (std::int32_t i = 0; i < count; ++i)
    {
        CSoundObject2* object = m_pObjects[i];
        object->SetBaseVolume(volume);
        object->SetVolume(object->IsInUse() ? object->GetVolume() : 1.0f);
    }
}

bool CSoundContainer2::SetDistance(float minDistance, float maxDistance)
{
    m_fMinDistance = minDistance;
    m_fMaxDistance = maxDistance;
    bool all = true;
    const std::int32_t count = m_nObjectCount;
    for (std::int32_t i = 0; i < count; ++i)
    {
        Buffer3D* b3 = m_pObjects[i]->GetBuffer3D();
        if (!b3) continue;
        all = plat::Succeeded(b3->SetMinDistance(minDistance, DS3D_DEFERRED)) && all;
        all = plat::Succeeded(b3->SetMaxDistance(maxDistance, DS3D_DEFERRED)) && all;
        m_pObjects[i]->SetMoveThreshold(minDistance * minDistance * 0.001f);
    }
    return all;
}
