#include "sound/OggSound.h"

#include "foundation/ErrorLog.h"
#include "foundation/PakFileSystem.h"

#include <vorbis/codec.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace
{

constexpr int kReadSize = 4096;
// Bytes read in search of a page before the file is taken for something
// other than Ogg.
constexpr std::uint32_t kMaxSearch = 65536;

// The decoder state of one logical stream; cleared in the reverse order of
// its set-up, whatever step failed.
struct SStreamState
{
    ogg_stream_state stream{};
    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    bool hasStream = false;
    bool hasInfo = false;
    bool hasDsp = false;
    bool hasBlock = false;

    ~SStreamState()
    {
        if (hasStream) ogg_stream_clear(&stream);
        if (hasBlock) vorbis_block_clear(&block);
        if (hasDsp) vorbis_dsp_clear(&dsp);
        if (hasInfo)
        {
            vorbis_comment_clear(&comment);
            vorbis_info_clear(&info);
        }
    }
};

class COggReader
{
public:
    COggReader(const char* path, std::uint32_t maxBytes, std::vector<std::uint8_t>& pcm)
        : m_path(path), m_maxBytes(maxBytes), m_pcm(pcm)
    {
        ogg_sync_init(&m_sync);
    }
    ~COggReader() { ogg_sync_clear(&m_sync); }
    COggReader(const COggReader&) = delete;
    COggReader& operator=(const COggReader&) = delete;

    bool Open() { return GetPakFileSystem().OpenStream(m_path, m_file); }

    // 0: end of file, -1: not Ogg, 1: a page.
    int NextPage(ogg_page* page)
    {
        std::uint32_t searched = 0;
        for (;;)
        {
            const int r = ogg_sync_pageout(&m_sync, page);
            if (r == 1) return 1;
            if (searched >= kMaxSearch) return -1;
            const std::uint32_t n = Feed();
            if (n == 0) return 0;
            searched += n;
        }
    }

    std::uint32_t Feed()
    {
        char* buffer = ogg_sync_buffer(&m_sync, kReadSize);
        const std::uint32_t n = buffer ? m_file.ReadBytes(buffer, kReadSize) : 0;
        ogg_sync_wrote(&m_sync, static_cast<long>(n));
        return n;
    }

    // Decodes one logical stream that starts with page; false on failure.
    bool DecodeStream(ogg_page* page, bool first, plat::ds::WaveFormat* format)
    {
        SStreamState s;
        ogg_stream_init(&s.stream, ogg_page_serialno(page));
        s.hasStream = true;
        vorbis_info_init(&s.info);
        vorbis_comment_init(&s.comment);
        s.hasInfo = true;
        if (ogg_stream_pagein(&s.stream, page) < 0)
        {
            g_ErrorLog.LogError("Disparity version ogg in file %s", m_path);
            return false;
        }
        ogg_packet packet;
        if (ogg_stream_packetout(&s.stream, &packet) != 1 ||
            vorbis_synthesis_headerin(&s.info, &s.comment, &packet) < 0)
        {
            g_ErrorLog.LogError("Ogg sound %s: the stream does not start with a Vorbis header", m_path);
            return false;
        }
        if (s.info.channels < 1 || s.info.channels > 2 || s.info.rate < 100 || s.info.rate > 200000)
        {
            g_ErrorLog.LogError("Ogg sound %s: %d channels at %ld Hz cannot be played", m_path,
                                s.info.channels, s.info.rate);
            return false;
        }
        if (first)
        {
            format->formatTag = plat::ds::WAVE_FORMAT_PCM;
            format->channels = static_cast<std::uint16_t>(s.info.channels);
            format->samplesPerSec = static_cast<std::uint32_t>(s.info.rate);
            format->bitsPerSample = 16;
            format->blockAlign = static_cast<std::uint16_t>(2 * s.info.channels);
            format->avgBytesPerSec = format->samplesPerSec * format->blockAlign;
            format->extraSize = 0;
        }
        else if (format->channels != s.info.channels ||
                 format->samplesPerSec != static_cast<std::uint32_t>(s.info.rate))
        {
            g_ErrorLog.LogError(
                "Ogg sound %s: a chained stream has %d channels at %ld Hz, the first %u at %u Hz", m_path,
                s.info.channels, s.info.rate, format->channels, format->samplesPerSec);
            return false;
        }

        // The comment and codebook headers.
        int headers = 0;
        while (headers < 2)
        {
            while (headers < 2)
            {
                const int r = ogg_sync_pageout(&m_sync, page);
                if (r == 0) break;
                if (r < 0) continue;
                ogg_stream_pagein(&s.stream, page);
                while (headers < 2)
                {
                    const int p = ogg_stream_packetout(&s.stream, &packet);
                    if (p == 0) break;
                    if (p < 0 || vorbis_synthesis_headerin(&s.info, &s.comment, &packet) < 0)
                    {
                        g_ErrorLog.LogError("Error header reading in ogg file - %s", m_path);
                        return false;
                    }
                    ++headers;
                }
            }
            if (headers < 2 && Feed() == 0)
            {
                g_ErrorLog.LogError("Ogg sound %s ends inside its headers", m_path);
                return false;
            }
        }

        if (vorbis_synthesis_init(&s.dsp, &s.info) != 0)
        {
            g_ErrorLog.LogError("Ogg sound %s: the decoder cannot start", m_path);
            return false;
        }
        s.hasDsp = true;
        vorbis_block_init(&s.dsp, &s.block);
        s.hasBlock = true;
        const int channels = s.info.channels;
        const int perStep = kReadSize / channels;
        bool eos = false;
        while (!eos)
        {
            while (!eos)
            {
                const int r = ogg_sync_pageout(&m_sync, page);
                if (r == 0) break;
                if (r < 0)
                {
                    g_ErrorLog.LogError("Data is fail in ogg file - %s", m_path);
                    continue;
                }
                ogg_stream_pagein(&s.stream, page);
                for (;;)
                {
                    const int p = ogg_stream_packetout(&s.stream, &packet);
                    if (p == 0) break;
                    if (p < 0) continue;
                    if (vorbis_synthesis(&s.block, &packet) == 0) vorbis_synthesis_blockin(&s.dsp, &s.block);
                    float** samples = nullptr;
                    int count = 0;
                    while ((count = vorbis_synthesis_pcmout(&s.dsp, &samples)) > 0)
                    {
                        const int n = std::min(count, perStep);
                        Store(samples, n, channels);
                        vorbis_synthesis_read(&s.dsp, n);
                    }
                }
                if (ogg_page_eos(page)) eos = true;
            }
            // A sound cut at the buffer's end needs no more decoding.
            if (m_bTruncated) break;
            if (!eos && Feed() == 0) eos = true;
        }
        return true;
    }

    bool Truncated() const { return m_bTruncated; }

private:
    // Interleaved 16-bit samples, never past maxBytes.
    void Store(float** samples, int n, int channels)
    {
        const std::size_t frameBytes = static_cast<std::size_t>(channels) * 2;
        const std::size_t room = (m_maxBytes - std::min<std::size_t>(m_pcm.size(), m_maxBytes)) / frameBytes;
        const std::size_t frames = std::min(room, static_cast<std::size_t>(n));
        if (frames < static_cast<std::size_t>(n)) m_bTruncated = true;
        const std::size_t at = m_pcm.size();
        m_pcm.resize(at + frames * frameBytes);
        std::uint8_t* out = m_pcm.data() + at;
        for (std::size_t i = 0; i < frames; ++i)
        {
            for (int c = 0; c < channels; ++c)
            {
                float v = samples[c][i] * 32767.0f;
                // Clipped before the conversion; NaN becomes the lowest value.
                if (!(v >= -32768.0f)) v = -32768.0f;
                if (v > 32767.0f) v = 32767.0f;
                const auto s = static_cast<std::int16_t>(static_cast<int>(v));
                *out++ = static_cast<std::uint8_t>(s & 0xFF);
                *out++ = static_cast<std::uint8_t>((s >> 8) & 0xFF);
            }
        }
    }

    const char* m_path;
    std::uint32_t m_maxBytes;
    std::vector<std::uint8_t>& m_pcm;
    ogg_sync_state m_sync{};
    CPakStream m_file;
    bool m_bTruncated = false;
};

} // namespace

bool DecodeOggSound(const char* path, std::uint32_t maxBytes, plat::ds::WaveFormat* format,
                    std::vector<std::uint8_t>* pcm)
{
    XTRACE("DecodeOggSound");
    pcm->clear();
    COggReader reader(path, maxBytes, *pcm);
    errno = 0;
    if (!reader.Open())
    {
        const int error = errno;
        g_ErrorLog.LogError("Ogg sound %s cannot be opened: %s", path,
                            error ? std::strerror(error) : "not in the packs nor on the disk");
        return false;
    }
    bool first = true;
    try
    {
        for (;;)
        {
            ogg_page page;
            const int r = reader.NextPage(&page);
            if (r == 0) break;
            if (r < 0)
            {
                g_ErrorLog.LogError("Ogg sound %s: no Ogg page found", path);
                return false;
            }
            if (!reader.DecodeStream(&page, first, format)) return false;
            first = false;
            if (reader.Truncated()) break;
        }
    }
    catch (const std::bad_alloc&)
    {
        g_ErrorLog.LogError(first ? "Exeption while read first page in ogg file: %s"
                                  : "Exeption while read ogg file: %s",
                            path);
        return false;
    }
    if (first)
    {
        g_ErrorLog.LogError("Ogg sound %s holds no stream", path);
        return false;
    }
    if (reader.Truncated())
        g_ErrorLog.LogError("Ogg sound %s is longer than %u bytes of samples; the rest is left out", path,
                            maxBytes);
    return true;
}
