// The video library over FFmpeg: demuxing with libavformat, pictures with
// libavcodec and libswscale, sound with libswresample into the
// DirectSound-shaped device.
#include "platform/video/Video.h"

#include "platform/File.h"
#include "platform/Time.h"
#include "platform/d3d8/D3D8.h"
#include "platform/ddraw/DDraw.h"
#include "platform/video/VideoSound.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

namespace plat::video
{

namespace
{

thread_local std::string t_lastError;
// Errors FFmpeg logged on this thread. Its own complaints stay off the
// console, but a decoder that finds a picture damaged may say so only
// there: FFV1's slice checksums log a mismatch and hand out a concealed
// picture without a flag on it.
thread_local std::uint32_t t_ffmpegErrors = 0;

void CountFFmpegErrors(void*, int level, const char*, va_list)
{
    if (level <= AV_LOG_ERROR) ++t_ffmpegErrors;
}

// Frames beyond these sizes are taken for a damaged header, not a video.
constexpr int kMaxVideoSide = 8192;
// A frame due more than this late moves the clock on instead of racing
// through the backlog (a stalled process, a debugger).
constexpr std::int64_t kMaxLateMs = 500;

void SetError(std::string text)
{
    t_lastError = std::move(text);
}

std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof(text));
    return text;
}

AVFormatContext* OpenContainer(const std::string& path, std::string* error)
{
    AVFormatContext* fmt = nullptr;
    int r = avformat_open_input(&fmt, path.c_str(), nullptr, nullptr);
    if (r < 0)
    {
        *error = "cannot open: " + AvError(r);
        return nullptr;
    }
    r = avformat_find_stream_info(fmt, nullptr);
    if (r < 0)
    {
        avformat_close_input(&fmt);
        *error = "cannot read stream info: " + AvError(r);
        return nullptr;
    }
    return fmt;
}

// Containers that do not store a frame count get their packets counted:
// one packet carries one picture for the decoders videos use.
std::uint32_t CountVideoPackets(AVFormatContext* fmt, int stream)
{
    AVPacket* pkt = av_packet_alloc();
    std::uint32_t count = 0;
    while (av_read_frame(fmt, pkt) >= 0)
    {
        if (pkt->stream_index == stream) ++count;
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    return count;
}

AVCodecContext* OpenDecoder(AVStream* stream, std::string* error)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
    {
        *error = std::string("no decoder for ") + avcodec_get_name(stream->codecpar->codec_id);
        return nullptr;
    }
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    if (!ctx || avcodec_parameters_to_context(ctx, stream->codecpar) < 0)
    {
        avcodec_free_context(&ctx);
        *error = "cannot set up the decoder";
        return nullptr;
    }
    ctx->pkt_timebase = stream->time_base;
    const int r = avcodec_open2(ctx, codec, nullptr);
    if (r < 0)
    {
        avcodec_free_context(&ctx);
        *error = "cannot open the decoder: " + AvError(r);
        return nullptr;
    }
    return ctx;
}

} // namespace

namespace detail
{

struct SVideoState
{
    std::string path;
    AVFormatContext* fmt = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoStream = -1;
    int audioStream = -1;
    SwsContext* sws = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* pkt = nullptr;
    std::vector<std::uint32_t> pixels;
    std::uint32_t decoded = 0; // number of the frame in pixels (0: none)
    std::uint32_t damaged = 0; // packets refused and pictures concealed
    std::uint32_t errorsSeen = 0; // t_ffmpegErrors when last looked at
    bool pictureComplained = false; // the decoder logged an error since the last picture
    bool failed = false;
    bool drained = false; // the end of the file was given to the decoder
    bool clockStarted = false;
    std::int64_t clockStart = 0;
    std::int64_t counterFrequency = 1;
    std::unique_ptr<detail::CVideoSound> sound;

    ~SVideoState()
    {
        sound.reset();
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        avformat_close_input(&fmt);
    }

    // Whether FFmpeg logged an error since the last look.
    bool NewErrors()
    {
        const bool any = t_ffmpegErrors != errorsSeen;
        errorsSeen = t_ffmpegErrors;
        return any;
    }

    void FeedAudio(const AVPacket* packet)
    {
        if (!audio || !sound) return;
        if (avcodec_send_packet(audio, packet) >= 0) // a bad sound packet costs only its sound
            while (avcodec_receive_frame(audio, frame) == 0)
            {
                sound->Feed(frame);
                av_frame_unref(frame);
            }
        NewErrors(); // the sound's errors are not the picture's
    }

    bool Convert(std::uint32_t width, std::uint32_t height)
    {
        sws = sws_getCachedContext(sws, frame->width, frame->height, AVPixelFormat(frame->format), int(width),
                                   int(height), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!sws) return false;
        std::uint8_t* dst[4] = {reinterpret_cast<std::uint8_t*>(pixels.data()), nullptr, nullptr, nullptr};
        int dstPitch[4] = {int(width * 4), 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstPitch);
        return true;
    }

    // The next picture of the file into pixels; false at the end or when the
    // decoder gives up.
    bool DecodeNext(std::uint32_t width, std::uint32_t height)
    {
        for (;;)
        {
            int r = avcodec_receive_frame(video, frame);
            pictureComplained |= NewErrors();
            if (r == 0)
            {
                if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT) || pictureComplained)
                    ++damaged;
                pictureComplained = false;
                const bool ok = Convert(width, height);
                av_frame_unref(frame);
                if (!ok)
                {
                    SetError("cannot convert the picture format");
                    return false;
                }
                return true;
            }
            if (r != AVERROR(EAGAIN))
            {
                SetError(r == AVERROR_EOF ? "the file has fewer pictures than frames"
                                          : "decoding failed: " + AvError(r));
                return false;
            }
            if (drained)
            {
                SetError("the decoder wants data after the end");
                return false;
            }
            r = av_read_frame(fmt, pkt);
            if (r < 0)
            {
                avcodec_send_packet(video, nullptr);
                drained = true;
                continue;
            }
            if (pkt->stream_index == videoStream)
            {
                // A damaged packet is dropped (and counted); the next one
                // may decode.
                if (avcodec_send_packet(video, pkt) < 0) ++damaged;
                pictureComplained |= NewErrors();
            }
            else if (pkt->stream_index == audioStream)
                FeedAudio(pkt);
            av_packet_unref(pkt);
        }
    }
};

} // namespace detail

SVideo* OpenVideo(const char* fileName, std::uint32_t flags)
{
    if (!fileName || !*fileName)
    {
        SetError("no file name");
        return nullptr;
    }
    // FFmpeg's own complaints stay off the console: the reason a file
    // fails reaches the caller through LastVideoError, damaged pictures
    // through PicturesDamaged.
    static const bool quiet = (av_log_set_callback(CountFFmpegErrors), true);
    (void)quiet;
    auto state = std::make_unique<detail::SVideoState>();
    state->path = ResolvePath(fileName);
    if (!FileExists(fileName))
    {
        SetError("no such file");
        return nullptr;
    }
    std::string error;
    state->fmt = OpenContainer(state->path, &error);
    if (!state->fmt)
    {
        SetError(error);
        return nullptr;
    }
    state->videoStream = av_find_best_stream(state->fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (state->videoStream < 0)
    {
        SetError("no video stream");
        return nullptr;
    }
    AVStream* vs = state->fmt->streams[state->videoStream];
    const int width = vs->codecpar->width, height = vs->codecpar->height;
    if (width <= 0 || height <= 0 || width > kMaxVideoSide || height > kMaxVideoSide)
    {
        SetError("bad picture size " + std::to_string(width) + "x" + std::to_string(height));
        return nullptr;
    }
    AVRational rate =
        vs->avg_frame_rate.num > 0 && vs->avg_frame_rate.den > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    // Rates outside 1..240 frames a second are damaged headers: play at 15.
    if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) < 1.0 || av_q2d(rate) > 240.0)
        rate = AVRational{15, 1};
    std::int64_t frames = vs->nb_frames;
    std::int64_t promised = 0;
    if (frames <= 0)
    {
        // What the header says the file lasts, in frames: a file cut short
        // holds fewer. A length guessed from the bit rate says nothing.
        if (vs->duration > 0 && vs->duration != AV_NOPTS_VALUE)
            promised = av_rescale_q_rnd(vs->duration, vs->time_base, av_inv_q(rate), AV_ROUND_NEAR_INF);
        else if (state->fmt->duration > 0 && state->fmt->duration != AV_NOPTS_VALUE &&
                 state->fmt->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
            promised =
                av_rescale_q_rnd(state->fmt->duration, AV_TIME_BASE_Q, av_inv_q(rate), AV_ROUND_NEAR_INF);
        frames = CountVideoPackets(state->fmt, state->videoStream);
        avformat_close_input(&state->fmt);
        state->fmt = OpenContainer(state->path, &error);
        if (!state->fmt)
        {
            SetError(error);
            return nullptr;
        }
    }
    if (frames <= 0 || frames > 0x7FFFFFFF)
    {
        SetError("no frames");
        return nullptr;
    }
    state->video = OpenDecoder(vs = state->fmt->streams[state->videoStream], &error);
    if (!state->video)
    {
        SetError(error);
        return nullptr;
    }
    state->audioStream =
        av_find_best_stream(state->fmt, AVMEDIA_TYPE_AUDIO, -1, state->videoStream, nullptr, 0);
    if (state->audioStream >= 0)
    {
        auto sound = detail::CVideoSound::Create();
        if (sound)
        {
            // A video whose sound cannot be decoded still plays, silent.
            state->audio = OpenDecoder(state->fmt->streams[state->audioStream], &error);
            if (state->audio) state->sound = std::move(sound);
        }
    }
    state->NewErrors(); // what reading the header logged is not a picture's
    state->frame = av_frame_alloc();
    state->pkt = av_packet_alloc();
    state->pixels.assign(std::size_t(width) * std::size_t(height), 0);
    QueryPerformanceFrequency(&state->counterFrequency);

    auto* video = new SVideo;
    video->Width = std::uint32_t(width);
    video->Height = std::uint32_t(height);
    video->Frames = std::uint32_t(frames);
    video->FrameNum = 1;
    video->FrameRateNum = std::uint32_t(rate.num);
    video->FrameRateDen = std::uint32_t(rate.den);
    video->Flags = flags;
    // A frame either way is the container's rounding, not a cut.
    if (promised > frames + 1 && promised <= 0x7FFFFFFF)
        video->FramesMissing = std::uint32_t(promised - frames);
    video->State = state.release();
    return video;
}

void CloseVideo(SVideo* video)
{
    if (!video) return;
    delete video->State;
    delete video;
}

const char* LastVideoError()
{
    return t_lastError.c_str();
}

int DoFrame(SVideo* video)
{
    if (!video) return -1;
    detail::SVideoState& s = *video->State;
    if (s.failed) return -1;
    while (s.decoded < video->FrameNum)
    {
        const bool ok = s.DecodeNext(video->Width, video->Height);
        video->PicturesDamaged = s.damaged;
        if (!ok)
        {
            s.failed = true;
            return -1;
        }
        ++s.decoded;
    }
    if (s.sound) s.sound->Service();
    return 0;
}

int CopyToBuffer(SVideo* video, void* dest, std::int32_t destPitch, std::uint32_t destHeight, std::uint32_t x,
                 std::uint32_t y, std::uint32_t format)
{
    if (!video || !dest || destPitch <= 0) return -1;
    const detail::SVideoState& s = *video->State;
    if (s.decoded == 0) return -1;
    std::uint32_t bytesPerPixel;
    switch (format)
    {
    case kVideoSurface32:
    case kVideoSurface32A:
        bytesPerPixel = 4;
        break;
    case kVideoSurface565:
    case kVideoSurface555:
        bytesPerPixel = 2;
        break;
    default:
        return -1;
    }
    // The destination's width is its pitch: a frame placed near the edge is
    // cut there instead of writing into the next row or past the buffer.
    const std::uint32_t destWidth = std::uint32_t(destPitch) / bytesPerPixel;
    if (x >= destWidth || y >= destHeight) return 0;
    const std::uint32_t cols = std::min(video->Width, destWidth - x);
    const std::uint32_t rows = std::min(video->Height, destHeight - y);
    auto* base = static_cast<std::uint8_t*>(dest);
    for (std::uint32_t row = 0; row < rows; ++row)
    {
        const std::uint32_t* src = s.pixels.data() + std::size_t(row) * video->Width;
        std::uint8_t* line =
            base + std::size_t(y + row) * std::size_t(destPitch) + std::size_t(x) * bytesPerPixel;
        if (bytesPerPixel == 4)
        {
            auto* out = reinterpret_cast<std::uint32_t*>(line);
            for (std::uint32_t c = 0; c < cols; ++c)
                out[c] = src[c] | 0xFF000000u;
        }
        else
        {
            auto* out = reinterpret_cast<std::uint16_t*>(line);
            for (std::uint32_t c = 0; c < cols; ++c)
            {
                const std::uint32_t p = src[c];
                const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                out[c] = format == kVideoSurface565
                             ? std::uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
                             : std::uint16_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            }
        }
    }
    return 0;
}

int WaitVideo(SVideo* video)
{
    if (!video) return 0;
    detail::SVideoState& s = *video->State;
    if (s.sound) s.sound->Service();
    std::int64_t now = 0;
    QueryPerformanceCounter(&now);
    if (!s.clockStarted)
    {
        s.clockStarted = true;
        s.clockStart = now;
        if (s.sound) s.sound->Start();
    }
    const std::int64_t due = s.clockStart + std::int64_t(video->FrameNum - 1) * s.counterFrequency *
                                                video->FrameRateDen /
                                                std::max<std::int64_t>(1, video->FrameRateNum);
    if (now < due) return 1;
    const std::int64_t late = (now - due) * 1000 / s.counterFrequency;
    if (late > kMaxLateMs) s.clockStart += now - due;
    return 0;
}

void NextFrame(SVideo* video)
{
    if (!video || video->FrameNum >= video->Frames) return;
    ++video->FrameNum;
}

std::uint32_t DDSurfaceType(ddraw::DirectDrawSurface* surface)
{
    if (!surface) return kVideoSurfaceNone;
    ddraw::SSurfaceDesc desc;
    desc.dwSize = sizeof(desc);
    if (surface->GetSurfaceDesc(&desc) != ddraw::DD_OK) return kVideoSurfaceNone;
    switch (desc.ddpfPixelFormat.dwRGBBitCount)
    {
    case 32:
        return kVideoSurface32;
    case 16:
        return desc.ddpfPixelFormat.dwGBitMask == 0x3E0 ? kVideoSurface555 : kVideoSurface565;
    default:
        return kVideoSurfaceNone;
    }
}

std::uint32_t D3DSurfaceType(d3d::Surface* surface)
{
    if (!surface) return kVideoSurfaceNone;
    d3d::SSurfaceDesc desc{};
    if (surface->GetDesc(&desc) != S_OK) return kVideoSurfaceNone;
    switch (desc.Format)
    {
    case d3d::D3DFMT_A8R8G8B8:
        return kVideoSurface32A;
    case d3d::D3DFMT_X8R8G8B8:
        return kVideoSurface32;
    case d3d::D3DFMT_R5G6B5:
        return kVideoSurface565;
    case d3d::D3DFMT_X1R5G5B5:
        return kVideoSurface555;
    default:
        return kVideoSurfaceNone;
    }
}

const std::uint32_t* DecodedPixels(const SVideo* video)
{
    if (!video || video->State->decoded == 0) return nullptr;
    return video->State->pixels.data();
}

} // namespace plat::video
