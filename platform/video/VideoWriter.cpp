#include "platform/video/VideoWriter.h"

#include "platform/File.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <cstring>

namespace plat::video
{

std::uint32_t TestVideoPixel(std::uint32_t frame, std::uint32_t x, std::uint32_t y)
{
    // A moving gradient with a frame-numbered blue channel, so both the
    // position and the frame show in one pixel.
    const std::uint32_t r = (x * 4 + frame * 16) & 0xFF;
    const std::uint32_t g = (y * 4) & 0xFF;
    const std::uint32_t b = (frame * 40) & 0xFF;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

namespace
{

class CWriter
{
public:
    ~CWriter()
    {
        av_frame_free(&m_frame);
        av_packet_free(&m_pkt);
        avcodec_free_context(&m_video);
        avcodec_free_context(&m_audio);
        if (m_fmt)
        {
            if (m_fmt->pb) avio_closep(&m_fmt->pb);
            avformat_free_context(m_fmt);
        }
    }

    bool Write(const std::string& path, const SVideoWriteParams& p, std::string* error)
    {
        if (p.width == 0 || p.height == 0 || p.frames == 0 || p.framesPerSecond == 0)
            return Fail(error, "empty video");
        if (avformat_alloc_output_context2(&m_fmt, nullptr, "matroska", path.c_str()) < 0)
            return Fail(error, "no Matroska muxer");
        const AVCodec* vcodec = avcodec_find_encoder(AV_CODEC_ID_FFV1);
        if (!vcodec) return Fail(error, "no FFV1 encoder");
        m_video = avcodec_alloc_context3(vcodec);
        m_video->width = int(p.width);
        m_video->height = int(p.height);
        m_video->pix_fmt = AV_PIX_FMT_RGB32;
        m_video->time_base = AVRational{1, int(p.framesPerSecond)};
        m_video->framerate = AVRational{int(p.framesPerSecond), 1};
        if (m_fmt->oformat->flags & AVFMT_GLOBALHEADER) m_video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        // Version 3 with a checksum on every slice: a damaged picture is
        // found when it is read, not shown as it came.
        m_video->level = 3;
        av_opt_set_int(m_video->priv_data, "slicecrc", 1, 0);
        if (avcodec_open2(m_video, vcodec, nullptr) < 0) return Fail(error, "cannot open the FFV1 encoder");
        m_vs = avformat_new_stream(m_fmt, nullptr);
        avcodec_parameters_from_context(m_vs->codecpar, m_video);
        m_vs->time_base = m_video->time_base;
        m_vs->avg_frame_rate = m_video->framerate;

        if (p.withSound)
        {
            const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
            if (!acodec) return Fail(error, "no PCM encoder");
            m_audio = avcodec_alloc_context3(acodec);
            m_audio->sample_fmt = AV_SAMPLE_FMT_S16;
            m_audio->sample_rate = 22050;
            AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            av_channel_layout_copy(&m_audio->ch_layout, &stereo);
            m_audio->time_base = AVRational{1, 22050};
            if (avcodec_open2(m_audio, acodec, nullptr) < 0)
                return Fail(error, "cannot open the PCM encoder");
            m_as = avformat_new_stream(m_fmt, nullptr);
            avcodec_parameters_from_context(m_as->codecpar, m_audio);
            m_as->time_base = m_audio->time_base;
        }
        if (avio_open(&m_fmt->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
            return Fail(error, "cannot create the file");
        if (avformat_write_header(m_fmt, nullptr) < 0) return Fail(error, "cannot write the header");

        m_frame = av_frame_alloc();
        m_pkt = av_packet_alloc();
        const std::uint32_t samplesPerFrame = 22050 / p.framesPerSecond;
        for (std::uint32_t f = 1; f <= p.frames; ++f)
        {
            if (!VideoFrame(p, f)) return Fail(error, "cannot encode a picture");
            if (m_audio && !AudioFrame(f, samplesPerFrame)) return Fail(error, "cannot encode sound");
        }
        if (!Encode(m_video, m_vs, nullptr) || (m_audio && !Encode(m_audio, m_as, nullptr)))
            return Fail(error, "cannot finish encoding");
        if (av_write_trailer(m_fmt) < 0) return Fail(error, "cannot finish the file");
        return true;
    }

private:
    static bool Fail(std::string* error, const char* what)
    {
        if (error) *error = what;
        return false;
    }

    bool Encode(AVCodecContext* ctx, AVStream* stream, AVFrame* frame)
    {
        if (avcodec_send_frame(ctx, frame) < 0) return false;
        for (;;)
        {
            const int r = avcodec_receive_packet(ctx, m_pkt);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) return false;
            av_packet_rescale_ts(m_pkt, ctx->time_base, stream->time_base);
            m_pkt->stream_index = stream->index;
            if (av_interleaved_write_frame(m_fmt, m_pkt) < 0) return false;
        }
    }

    bool VideoFrame(const SVideoWriteParams& p, std::uint32_t f)
    {
        av_frame_unref(m_frame);
        m_frame->format = AV_PIX_FMT_RGB32;
        m_frame->width = int(p.width);
        m_frame->height = int(p.height);
        if (av_frame_get_buffer(m_frame, 0) < 0) return false;
        for (std::uint32_t y = 0; y < p.height; ++y)
        {
            auto* row =
                reinterpret_cast<std::uint32_t*>(m_frame->data[0] + std::size_t(y) * m_frame->linesize[0]);
            for (std::uint32_t x = 0; x < p.width; ++x)
                row[x] = TestVideoPixel(f, x, y);
        }
        m_frame->pts = f - 1;
        return Encode(m_video, m_vs, m_frame);
    }

    bool AudioFrame(std::uint32_t f, std::uint32_t samples)
    {
        av_frame_unref(m_frame);
        m_frame->format = AV_SAMPLE_FMT_S16;
        m_frame->sample_rate = 22050;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&m_frame->ch_layout, &stereo);
        m_frame->nb_samples = int(samples);
        if (av_frame_get_buffer(m_frame, 0) < 0) return false;
        auto* out = reinterpret_cast<std::int16_t*>(m_frame->data[0]);
        const std::int64_t first = std::int64_t(f - 1) * samples;
        for (std::uint32_t i = 0; i < samples; ++i)
        {
            const double t = double(first + i) / 22050.0;
            const auto v = std::int16_t(8000.0 * std::sin(2.0 * M_PI * 440.0 * t));
            out[2 * i] = v;
            out[2 * i + 1] = v;
        }
        m_frame->pts = first;
        return Encode(m_audio, m_as, m_frame);
    }

    AVFormatContext* m_fmt = nullptr;
    AVCodecContext* m_video = nullptr;
    AVCodecContext* m_audio = nullptr;
    AVStream* m_vs = nullptr;
    AVStream* m_as = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_pkt = nullptr;
};

} // namespace

bool WriteTestVideo(const char* fileName, const SVideoWriteParams& params, std::string* error)
{
    if (!fileName) return false;
    CWriter writer;
    return writer.Write(ResolvePath(fileName), params, error);
}

} // namespace plat::video
