#include "sound/SoundWriters.h"

#include "platform/File.h"

#include <vorbis/vorbisenc.h>

#include <cstdio>
#include <cstring>

namespace
{

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag)
{
    // One byte at a time: GCC 12 warns falsely (stringop-overflow) about an
    // insert of a range into a vector that may be empty.
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void AppendPage(std::vector<std::uint8_t>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

bool WriteBytes(const char* path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = plat::FOpen(path, "wb");
    if (!file) return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, file) == 1;
    return std::fclose(file) == 0 && written;
}

bool WriteWaveFile(const char* path, const plat::ds::WaveFormat& format, const void* data,
                   std::uint32_t bytes)
{
    std::vector<std::uint8_t> out;
    out.reserve(44 + bytes + 1);
    PutTag(out, "RIFF");
    PutU32(out, 4 + 8 + 16 + 8 + bytes + (bytes & 1));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutU32(out, 16);
    const auto* f = reinterpret_cast<const std::uint8_t*>(&format);
    out.insert(out.end(), f, f + 16); // the record's first 16 bytes are the chunk's
    PutTag(out, "data");
    PutU32(out, bytes);
    const auto* d = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), d, d + bytes);
    if (bytes & 1) out.push_back(0);
    return WriteBytes(path, out);
}

bool EncodeOggVorbis(std::uint32_t channels, std::uint32_t rate, const std::int16_t* samples,
                     std::uint32_t frames, float quality, int serial, std::vector<std::uint8_t>* out)
{
    if (channels < 1 || channels > 2) return false;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, static_cast<long>(channels), static_cast<long>(rate), quality) != 0)
    {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet id;
    ogg_packet comments;
    ogg_packet codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &codebooks);
    ogg_stream_packetin(&stream, &id);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    ogg_page page;
    // The audio starts on a page of its own.
    while (ogg_stream_flush(&stream, &page) != 0)
        AppendPage(*out, page);

    constexpr std::uint32_t kStep = 1024;
    std::uint32_t done = 0;
    bool eos = false;
    while (!eos)
    {
        const std::uint32_t n = frames - done < kStep ? frames - done : kStep;
        if (n == 0)
        {
            vorbis_analysis_wrote(&dsp, 0);
        }
        else
        {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (std::uint32_t i = 0; i < n; ++i)
                for (std::uint32_t c = 0; c < channels; ++c)
                    buffer[c][i] = samples[(done + i) * channels + c] / 32768.0f;
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1)
        {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet))
            {
                ogg_stream_packetin(&stream, &packet);
                while (!eos && ogg_stream_pageout(&stream, &page) != 0)
                {
                    AppendPage(*out, page);
                    eos = ogg_page_eos(&page) != 0;
                }
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

bool WriteOggVorbisFile(const char* path, std::uint32_t channels, std::uint32_t rate,
                        const std::int16_t* samples, std::uint32_t frames, float quality, int serial)
{
    std::vector<std::uint8_t> bytes;
    return EncodeOggVorbis(channels, rate, samples, frames, quality, serial, &bytes) &&
           WriteBytes(path, bytes);
}
