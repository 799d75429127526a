// The sound of one open video: decoded audio frames resampled to 16-bit
// stereo at 44.1 kHz and written ahead of the play cursor of a streaming
// buffer of the DirectSound-shaped device. Where no data is waiting, silence
// is written beyond the device's write cursor, so a stalled video never
// replays old sound.
//
// Ownership: made by the video it belongs to; holds one buffer on the
// device chosen with UseDirectSound. Threads: the video's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct AVFrame;
struct SwrContext;

namespace plat::ds
{
class Buffer;
}

namespace plat::video::detail
{

class CVideoSound
{
public:
    // Null when no sound output was chosen or none could be made.
    static std::unique_ptr<CVideoSound> Create();
    ~CVideoSound();
    CVideoSound(const CVideoSound&) = delete;
    CVideoSound& operator=(const CVideoSound&) = delete;

    void Feed(const AVFrame* frame);
    // Samples already in the buffer's form (16-bit stereo, 44.1 kHz).
    void FeedPcm(const std::int16_t* samples, std::size_t count);
    // Writes waiting samples (or silence) ahead of the play cursor.
    void Service();
    void Start();

private:
    explicit CVideoSound(ds::Buffer* buffer);
    void Write(const std::int16_t* samples, std::uint32_t bytes);
    void TrimPending();

    ds::Buffer* m_pBuffer;
    SwrContext* m_pSwr = nullptr;
    std::vector<std::int16_t> m_pending;
    std::uint32_t m_nWritePos = 0;
    bool m_bPlaying = false;
};

} // namespace plat::video::detail
