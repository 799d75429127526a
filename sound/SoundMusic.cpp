#include "sound/SoundMusic.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"
#include "sound/SoundBase.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace plat::ds;

namespace
{

constexpr std::uint32_t kChunkSize = 4096;
// Reads in a row that give an error before the stream counts as ended.
constexpr int kMaxReadErrors = 8;

const char* SeekErrorName(int r)
{
    switch (r)
    {
    case OV_ENOSEEK:
        return "OV_ENOSEEK";
    case OV_EBADLINK:
        return "OV_EBADLINK";
    case OV_EINVAL:
        return "OV_EINVAL";
    case OV_EFAULT:
        return "OV_EFAULT";
    case OV_EREAD:
        return "OV_EREAD";
    default:
        return "Unknown";
    }
}

} // namespace

// ------------------------------------------------------------- CSoundMusic

CSoundMusic::~CSoundMusic()
{
    StopThread();
    std::lock_guard lock(m_Lock);
    ReleaseBuffer();
}

CGuidKey CSoundMusic::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "IMusic");
    return key;
}

plat::HResult CSoundMusic::SetFileName(const char* name)
{
    std::memset(m_szFileName, 0, sizeof(m_szFileName));
    if (!name) return plat::E_FAIL;
    std::snprintf(m_szFileName, sizeof(m_szFileName), "%s", name);
    return plat::S_OK;
}

void CSoundMusic::SetDevice(Device* device)
{
    m_pDevice = device;
}

void CSoundMusic::SetBlockSize(std::uint32_t bytes)
{
    std::lock_guard lock(m_Lock);
    if (m_pBuffer) return;
    bytes -= bytes % 4;
    m_nBlockSize = std::max<std::uint32_t>(bytes, 64);
}

std::uint32_t CSoundMusic::GetBlocksWritten()
{
    std::lock_guard lock(m_Lock);
    return m_nBlocksWritten;
}

plat::HResult CSoundMusic::Play(bool loop, std::uint32_t position)
{
    char trace[64];
    std::snprintf(trace, sizeof(trace), "CSoundMusic::Play (dwPos=%u)", position);
    XTRACE(trace);
    m_nState = kStarting;
    Unload(true);
    std::lock_guard lock(m_Lock);
    const plat::HResult result = PreLoad(position);
    if (plat::Failed(result))
    {
        Unload(true);
        m_nState = kStopped;
        return result;
    }
    m_bLoop = loop;
    m_nBlocksWritten = 0;
    {
        XTRACE("Load first block");
        LoadBlock();
    }
    m_nState = kPlaying;
    {
        XTRACE("Load second block");
        LoadBlock();
    }
    const plat::HResult hr = m_pBuffer->Play(0, 0, DSBPLAY_LOOPING);
    if (plat::Failed(hr))
    {
        m_nState = kStopped;
        return hr;
    }
    m_bStopThread = false;
    m_hNotifyThread = plat::CreateThread(&CSoundMusic::NotifyHandleer, this, &m_nNotifyThreadId);
    if (!m_hNotifyThread || !plat::SetThreadPriority(m_hNotifyThread, plat::THREAD_PRIORITY_HIGHEST))
        g_ErrorLog.LogError("SetThreadPriority for NotifyHandleer is failed");
    return hr;
}

void CSoundMusic::Stop()
{
    XTRACE("CSoundMusic::Stop");
    Unload(true);
    m_nState = kStopped;
}

void CSoundMusic::StopThread()
{
    if (!m_hNotifyThread || plat::GetCurrentThreadId() == m_nNotifyThreadId) return;
    // The thread may be inside a block: it is asked to end and waited for,
    // never cut off while it holds the buffer.
    m_bStopThread = true;
    plat::SetEvent(m_hNotifyEvent);
    plat::WaitForSingleObject(m_hNotifyThread, plat::INFINITE);
    plat::CloseHandle(m_hNotifyThread);
    m_hNotifyThread = nullptr;
    m_nNotifyThreadId = 0;
}

void CSoundMusic::Unload(bool terminateThread)
{
    XTRACE("CSoundMusic::Unload()");
    if (terminateThread) StopThread();
    std::lock_guard lock(m_Lock);
    ReleaseBuffer();
}

void CSoundMusic::ReleaseBuffer()
{
    if (m_pBuffer)
    {
        std::uint32_t status = 0;
        if (plat::Succeeded(m_pBuffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING)) m_pBuffer->Stop();
    }
    if (m_pNotify) m_pNotify->Release();
    m_pNotify = nullptr;
    if (m_pBuffer) m_pBuffer->Release();
    m_pBuffer = nullptr;
    delete m_pFormat;
    m_pFormat = nullptr;
    // A thread that still waits on the event keeps it until it is joined.
    if (m_hNotifyEvent && !m_hNotifyThread)
    {
        plat::CloseHandle(m_hNotifyEvent);
        m_hNotifyEvent = nullptr;
    }
}

std::uint32_t CSoundMusic::GetCurrentPos()
{
    XTRACE("CSoundMusic::GetCurrentPos");
    std::lock_guard lock(m_Lock);
    if (!m_pBuffer) return 0;
    std::uint32_t cursor = 0;
    m_pBuffer->GetCurrentPosition(&cursor, nullptr);
    const std::uint32_t played = m_nPlayedBlocks - (cursor > m_nBlockSize ? 1 : 0);
    return cursor + played * m_nBlockSize;
}

bool CSoundMusic::IsMusicPlayed()
{
    XTRACE("CSoundMusic::IsMusicPlayed()");
    std::lock_guard lock(m_Lock);
    std::uint32_t status = 0;
    return m_pBuffer && plat::Succeeded(m_pBuffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

plat::HResult CSoundMusic::SetVolume(float volume)
{
    XTRACE("CSoundMusic::SetVolume");
    std::lock_guard lock(m_Lock);
    m_fVolume = volume;
    if (!m_pBuffer) return plat::E_FAIL;
    return m_pBuffer->SetVolume(VolumeToDecibels(volume));
}

float CSoundMusic::GetPlayDuration()
{
    XTRACE("CSoundMusic::GetPlayDuration");
    std::lock_guard lock(m_Lock);
    if (!m_pBuffer || !m_pFormat || m_pFormat->avgBytesPerSec == 0) return 0.0f;
    return static_cast<float>(GetCurrentPos()) / static_cast<float>(m_pFormat->avgBytesPerSec);
}

plat::HResult CSoundMusic::PreLoad(std::uint32_t position)
{
    XTRACE("CSoundMusic::PreLoad");
    std::lock_guard lock(m_Lock);
    m_nPendingBlocks = 0;
    m_nWriteOffset = 0;
    m_nPlayedBlocks = position / m_nBlockSize;
    return CreateSoundBuffer();
}

plat::HResult CSoundMusic::CreateSoundBuffer()
{
    XTRACE("CSoundMusic::CreateSoundBuffer");
    std::lock_guard lock(m_Lock);
    if (!m_pDevice || m_pBuffer || !m_pFormat) return plat::E_FAIL;
    BufferDesc desc;
    desc.flags =
        DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_CTRLVOLUME | DSBCAPS_LOCSOFTWARE;
    desc.bufferBytes = 2 * m_nBlockSize;
    desc.format = m_pFormat;
    plat::HResult hr = m_pDevice->CreateSoundBuffer(&desc, &m_pBuffer);
    if (plat::Failed(hr)) return hr;
    hr = m_pBuffer->QueryNotify(&m_pNotify);
    if (plat::Failed(hr)) return hr;
    SetVolume(m_fVolume);
    m_hNotifyEvent = plat::CreateEvent(false, false);
    const PositionNotify notes[2] = {{m_nBlockSize - 1, m_hNotifyEvent},
                                     {2 * m_nBlockSize - 1, m_hNotifyEvent}};
    return m_pNotify->SetNotificationPositions(2, notes);
}

plat::HResult CSoundMusic::WriteDataToNextBlock(const std::uint8_t* data, std::uint32_t size,
                                                std::uint32_t* written)
{
    XTRACE("CSoundMusic::WriteDataToNextBlock");
    std::lock_guard lock(m_Lock);
    if (written) *written = 0;
    if (!m_pBuffer) return plat::E_FAIL;
    const std::uint32_t n = (size == 0 || size > m_nBlockSize) ? m_nBlockSize : size;
    void* part1 = nullptr;
    void* part2 = nullptr;
    std::uint32_t bytes1 = 0;
    std::uint32_t bytes2 = 0;
    plat::HResult hr = m_pBuffer->Lock(m_nWriteOffset, m_nBlockSize, &part1, &bytes1, &part2, &bytes2, 0);
    if (hr == DSERR_BUFFERLOST)
    {
        m_pBuffer->Restore();
        hr = m_pBuffer->Lock(m_nWriteOffset, m_nBlockSize, &part1, &bytes1, &part2, &bytes2, 0);
        if (plat::Succeeded(hr) && (bytes1 != m_nBlockSize || bytes2 != 0))
        {
            m_pBuffer->Unlock(part1, bytes1, part2, bytes2);
            return plat::E_FAIL;
        }
    }
    if (plat::Failed(hr)) return hr;
    auto* out = static_cast<std::uint8_t*>(part1);
    if (size != 0)
    {
        std::memcpy(out, data, n);
        std::memset(out + n, 0, bytes1 - n);
        ++m_nPendingBlocks;
        if (written) *written = n;
    }
    else
    {
        std::memset(out, 0, bytes1);
    }
    m_pBuffer->Unlock(part1, bytes1, part2, bytes2);
    ++m_nBlocksWritten;
    m_nWriteOffset = m_nWriteOffset == 0 ? m_nBlockSize : 0;
    return hr;
}

std::uint32_t CSoundMusic::NotifyHandleer(void* param)
{
    auto* music = static_cast<CSoundMusic*>(param);
    try
    {
        XTRACE("CSoundMusic::NotifyHandleer");
        while (!music->m_bStopThread && music->IsMusicPlayed())
        {
            const std::uint32_t r = plat::WaitForSingleObject(music->m_hNotifyEvent, 100);
            if (music->m_bStopThread || r == plat::WAIT_FAILED) break;
            if (r == plat::WAIT_TIMEOUT) continue;
            std::lock_guard lock(music->m_Lock);
            ++music->m_nPlayedBlocks;
            --music->m_nPendingBlocks;
            if (music->m_nPendingBlocks <= 0 && !music->m_bLoop)
            {
                // Everything written has been heard. The buffer stops here;
                // it is released by whoever stops or plays the piece next.
                if (music->m_pBuffer) music->m_pBuffer->Stop();
                music->m_nState = kStopped;
                break;
            }
            music->LoadBlock();
        }
    }
    catch (...)
    {
        g_ErrorLog.FlushTrace();
    }
    return 0;
}

// ---------------------------------------------------------- CSoundMusicOGG

struct CSoundMusicOGG::SOggFile
{
    OggVorbis_File vf{};
};

CSoundMusicOGG::CSoundMusicOGG() = default;

CSoundMusicOGG::~CSoundMusicOGG()
{
    CSoundMusicOGG::Unload(true);
}

CSoundMusicOGG::SOggFile& CSoundMusicOGG::Ogg()
{
    if (!m_pOgg) m_pOgg = std::make_unique<SOggFile>();
    return *m_pOgg;
}

void CSoundMusicOGG::ReleaseDecoder()
{
    if (m_bLoaded)
        ov_clear(&Ogg().vf); // closes the file it was opened on
    else if (m_pFile)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    delete[] m_pPcm;
    m_pPcm = nullptr;
    delete[] m_pChunk;
    m_pChunk = nullptr;
    m_bLoaded = false;
    m_nFilled = 0;
}

void CSoundMusicOGG::Unload(bool terminateThread)
{
    XTRACE("CSoundMusicOGG::Unload");
    if (terminateThread) StopThread();
    std::lock_guard lock(m_Lock);
    ReleaseBuffer();
    ReleaseDecoder();
}

plat::HResult CSoundMusicOGG::PreLoad(std::uint32_t position)
{
    XTRACE("CSoundMusicOGG::PreLoad");
    std::lock_guard lock(m_Lock);
    m_nFilled = 0;
    m_bEnded = false;
    plat::HResult result = plat::E_FAIL;
    ReleaseDecoder();
    m_pFile = plat::FOpen(m_szFileName, "rb");
    if (!m_pFile || ov_open(m_pFile, &Ogg().vf, nullptr, 0) != 0)
    {
        // A failed open leaves the file to us.
        if (m_pFile) std::fclose(m_pFile);
        m_pFile = nullptr;
        g_ErrorLog.LogError("Error open sound file - %s", m_szFileName);
    }
    else
    {
        m_bLoaded = true;
        const vorbis_info* info = ov_info(&Ogg().vf, -1);
        m_pPcm = new std::uint8_t[2 * static_cast<std::size_t>(m_nBlockSize)];
        delete m_pFormat;
        m_pFormat = new WaveFormat;
        m_pFormat->formatTag = WAVE_FORMAT_PCM;
        m_pFormat->channels = static_cast<std::uint16_t>(info ? info->channels : 0);
        m_pFormat->samplesPerSec = static_cast<std::uint32_t>(info ? info->rate : 0);
        m_pFormat->bitsPerSample = 16;
        m_pFormat->blockAlign = static_cast<std::uint16_t>(m_pFormat->channels * 16 / 8);
        m_pFormat->avgBytesPerSec = m_pFormat->blockAlign * m_pFormat->samplesPerSec;
        m_pFormat->extraSize = 0;
        m_pChunk = new std::uint8_t[kChunkSize];
        if (m_fLength == 0.0f)
        {
            const double total = ov_time_total(&Ogg().vf, -1);
            m_fLength = total > 0.0 ? static_cast<float>(total) : 0.0f;
        }
        if (ov_seekable(&Ogg().vf) && position > 0)
        {
            const int r = ov_pcm_seek_page(&Ogg().vf, position);
            if (r != 0)
                g_ErrorLog.LogError("ov_pcm_seek_page is fail. Error is %s (dwPos=%u)", SeekErrorName(r),
                                    position);
        }
        result = CSoundMusic::PreLoad(position);
    }
    if (plat::Failed(result))
    {
        ReleaseBuffer();
        ReleaseDecoder();
    }
    m_nState = kStopped;
    return result;
}

void CSoundMusicOGG::LoadBlock()
{
    XTRACE("CSoundMusicOGG::LoadBlock");
    std::lock_guard lock(m_Lock);
    if (!m_bLoaded || !m_pPcm || !m_pFormat) return;
    const bool seekable = ov_seekable(&Ogg().vf) != 0;
    bool rewound = false; // rewound and nothing read since
    int errors = 0;
    while (!m_bEnded && m_nFilled < m_nBlockSize)
    {
        int link = 0;
        const long n =
            ov_read(&Ogg().vf, reinterpret_cast<char*>(m_pChunk),
                    static_cast<int>(std::min(m_nBlockSize - m_nFilled, kChunkSize)), 0, 2, 1, &link);
        if (n > 0)
        {
            const vorbis_info* info = ov_info(&Ogg().vf, link);
            if (!info || info->channels != m_pFormat->channels ||
                static_cast<std::uint32_t>(info->rate) != m_pFormat->samplesPerSec)
            {
                // A chained stream in another format would play as noise.
                g_ErrorLog.LogError("Music %s changes its format in a chained stream; it ends there",
                                    m_szFileName);
                m_bEnded = true;
                break;
            }
            std::memcpy(m_pPcm + m_nFilled, m_pChunk, static_cast<std::size_t>(n));
            m_nFilled += static_cast<std::uint32_t>(n);
            rewound = false;
            errors = 0;
            continue;
        }
        if (n < 0 && ++errors < kMaxReadErrors) continue; // a hole in the data: read on
        if (n < 0) g_ErrorLog.LogError("Music %s cannot be decoded further (error %ld)", m_szFileName, n);
        // End of the stream (or nothing but errors).
        if (m_bLoop && seekable && !rewound && ov_raw_seek(&Ogg().vf, 0) == 0)
        {
            rewound = true;
            errors = 0;
            continue;
        }
        m_bEnded = true;
    }
    if (m_nFilled >= m_nBlockSize)
    {
        WriteDataToNextBlock(m_pPcm, m_nBlockSize, nullptr);
        m_nFilled -= m_nBlockSize;
        std::memmove(m_pPcm, m_pPcm + m_nBlockSize, m_nFilled);
    }
    else if (m_nFilled > 0)
    {
        // The tail of the piece, padded with silence.
        WriteDataToNextBlock(m_pPcm, m_nFilled, nullptr);
        m_nFilled = 0;
    }
    else
    {
        // Nothing left: silence, so that the half does not play old sound
        // again while the last block ends.
        WriteDataToNextBlock(nullptr, 0, nullptr);
    }
}

std::uint32_t CSoundMusicOGG::GetCurrentPos()
{
    std::lock_guard lock(m_Lock);
    if (!m_bLoaded) return 0;
    const ogg_int64_t position = ov_pcm_tell(&Ogg().vf);
    return position > 0 ? static_cast<std::uint32_t>(position) : 0;
}

bool CSoundMusicOGG::IsMusicPlayed()
{
    std::lock_guard lock(m_Lock);
    return CSoundMusic::IsMusicPlayed() && m_bLoaded;
}

float CSoundMusicOGG::GetPlayDuration()
{
    std::lock_guard lock(m_Lock);
    if (!m_pBuffer || !m_bLoaded) return 0.0f;
    const double t = ov_time_tell(&Ogg().vf);
    return t > 0.0 ? static_cast<float>(t) : 0.0f;
}
