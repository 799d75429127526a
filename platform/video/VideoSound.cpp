#include "platform/video/VideoSound.h"

#include "platform/dsound/DSound.h"
#include "platform/video/Video.h"

extern "C"
{
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>

namespace plat::video
{

namespace
{

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kBlockAlign = 4;                    // 16-bit stereo
constexpr std::uint32_t kBufferBytes = kRate * kBlockAlign; // one second
// Written at most this far ahead of the play cursor; below the low mark
// with nothing decoded, silence is added so the ring never plays old sound.
constexpr std::uint32_t kAheadBytes = kBufferBytes / 2;
constexpr std::uint32_t kLowBytes = kBufferBytes / 10;
// Decoded sound waiting beyond this is dropped (a video decoded far ahead).
constexpr std::size_t kMaxPendingSamples = kRate * 2 * 4;

std::mutex g_lock;
ds::Device* g_pDevice = nullptr;
bool g_bWanted = false;

ds::Device* SoundDevice()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_bWanted) return nullptr;
    if (!g_pDevice)
    {
        if (ds::DirectSoundCreate(&g_pDevice) != ds::DS_OK)
        {
            g_pDevice = nullptr;
            g_bWanted = false;
            return nullptr;
        }
        g_pDevice->SetCooperativeLevel(nullptr, ds::DSSCL_PRIORITY);
    }
    g_pDevice->AddRef();
    return g_pDevice;
}

} // namespace

bool UseDirectSound(ds::Device* device)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_pDevice) g_pDevice->Release();
    g_pDevice = device;
    if (device) device->AddRef();
    g_bWanted = true;
    return true;
}

void StopDirectSound()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_pDevice) g_pDevice->Release();
    g_pDevice = nullptr;
    g_bWanted = false;
}

namespace detail
{

std::unique_ptr<CVideoSound> CVideoSound::Create()
{
    ds::Device* device = SoundDevice();
    if (!device) return nullptr;
    ds::WaveFormat format;
    format.formatTag = ds::WAVE_FORMAT_PCM;
    format.channels = 2;
    format.samplesPerSec = kRate;
    format.bitsPerSample = 16;
    format.blockAlign = kBlockAlign;
    format.avgBytesPerSec = kRate * kBlockAlign;
    ds::BufferDesc desc;
    desc.flags = ds::DSBCAPS_CTRLPOSITIONNOTIFY | ds::DSBCAPS_GETCURRENTPOSITION2 | ds::DSBCAPS_CTRLVOLUME |
                 ds::DSBCAPS_LOCSOFTWARE;
    desc.bufferBytes = kBufferBytes;
    desc.format = &format;
    ds::Buffer* buffer = nullptr;
    const HResult hr = device->CreateSoundBuffer(&desc, &buffer);
    device->Release(); // the buffer keeps the device's core
    if (hr != ds::DS_OK || !buffer) return nullptr;
    return std::unique_ptr<CVideoSound>(new CVideoSound(buffer));
}

CVideoSound::CVideoSound(ds::Buffer* buffer) : m_pBuffer(buffer) {}

CVideoSound::~CVideoSound()
{
    m_pBuffer->Stop();
    m_pBuffer->Release();
    swr_free(&m_pSwr);
}

void CVideoSound::Feed(const AVFrame* frame)
{
    if (!m_pSwr)
    {
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&m_pSwr, &stereo, AV_SAMPLE_FMT_S16, int(kRate),
                                const_cast<AVChannelLayout*>(&frame->ch_layout),
                                AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr) < 0 ||
            swr_init(m_pSwr) < 0)
        {
            swr_free(&m_pSwr);
            return;
        }
    }
    const int room = swr_get_out_samples(m_pSwr, frame->nb_samples);
    if (room <= 0) return;
    const std::size_t old = m_pending.size();
    m_pending.resize(old + std::size_t(room) * 2);
    auto* out = reinterpret_cast<std::uint8_t*>(m_pending.data() + old);
    const int got = swr_convert(m_pSwr, &out, room, const_cast<const std::uint8_t**>(frame->extended_data),
                                frame->nb_samples);
    m_pending.resize(old + std::size_t(std::max(got, 0)) * 2);
    TrimPending();
}

void CVideoSound::FeedPcm(const std::int16_t* samples, std::size_t count)
{
    m_pending.insert(m_pending.end(), samples, samples + count);
    TrimPending();
}

void CVideoSound::TrimPending()
{
    if (m_pending.size() > kMaxPendingSamples)
        m_pending.erase(m_pending.begin(), m_pending.end() - std::ptrdiff_t(kMaxPendingSamples));
}

void CVideoSound::Write(const std::int16_t* samples, std::uint32_t bytes)
{
    void *p1 = nullptr, *p2 = nullptr;
    std::uint32_t b1 = 0, b2 = 0;
    if (m_pBuffer->Lock(m_nWritePos, bytes, &p1, &b1, &p2, &b2, 0) != ds::DS_OK) return;
    const auto* src = reinterpret_cast<const std::uint8_t*>(samples);
    if (samples)
    {
        std::memcpy(p1, src, b1);
        if (p2) std::memcpy(p2, src + b1, b2);
    }
    else
    {
        std::memset(p1, 0, b1);
        if (p2) std::memset(p2, 0, b2);
    }
    m_pBuffer->Unlock(p1, b1, p2, b2);
    m_nWritePos = (m_nWritePos + bytes) % kBufferBytes;
}

void CVideoSound::Service()
{
    std::uint32_t play = 0, write = 0;
    if (m_pBuffer->GetCurrentPosition(&play, &write) != ds::DS_OK) return;
    auto distance = [](std::uint32_t from, std::uint32_t to) { return (to + kBufferBytes - from) % kBufferBytes; };
    // Between the play and the write cursor lie bytes the mixer has been
    // given already: sound written there is never heard, and what is not
    // written beyond the write cursor in time is played stale.
    const std::uint32_t committed = distance(play, write);
    std::uint32_t ahead = distance(play, m_nWritePos);
    if (m_bPlaying && (ahead < committed || ahead > kAheadBytes))
    {
        // Behind the write cursor, or overtaken by the play cursor (never
        // written this far ahead) after a stall: go on from the write cursor.
        m_nWritePos = write;
        ahead = committed;
    }
    if (ahead >= kAheadBytes) return;
    const std::uint32_t room = kAheadBytes - ahead;
    const std::uint32_t waiting = std::uint32_t(m_pending.size() * sizeof(std::int16_t));
    if (waiting > 0)
    {
        const std::uint32_t bytes = std::min(room, waiting) / kBlockAlign * kBlockAlign;
        if (bytes == 0) return;
        Write(m_pending.data(), bytes);
        m_pending.erase(m_pending.begin(), m_pending.begin() + bytes / sizeof(std::int16_t));
    }
    else if (m_bPlaying && ahead - committed < kLowBytes)
        Write(nullptr, std::min(room, kLowBytes));
}

void CVideoSound::Start()
{
    if (m_bPlaying) return;
    Service();
    m_bPlaying = m_pBuffer->Play(0, 0, ds::DSBPLAY_LOOPING) == ds::DS_OK;
}

} // namespace detail

} // namespace plat::video
