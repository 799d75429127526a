// The video library of the engine's videos, over FFmpeg: the operations the
// video player calls on a video file, in the shape of the library the game
// was written for. Bink files (".bik") decode through FFmpeg's Bink decoders;
// any other file FFmpeg reads plays the same way.
//
// Contract:
// - OpenVideo gives a handle, or null when the file cannot be played
//   (missing, no video stream, no decoder, no frames, absurd size);
//   LastVideoError then says why. The handle's public fields are read-only
//   for the caller: the size, the frame count, and the number of the current
//   frame, 1 after opening and equal to the frame count while the last frame
//   is current.
// - DoFrame decodes the current frame (again calls for the same frame are
//   free; frames skipped by NextFrame are decoded and dropped). It fails,
//   and keeps failing, once the file gives no more pictures (a damaged or
//   truncated file), so a caller never waits for a frame that will not come.
// - A file that still plays may be damaged: FramesMissing (set on opening)
//   counts the frames its header promises beyond those the file holds (a
//   cut Matroska file, whose frames are counted); PicturesDamaged (kept up
//   by DoFrame) the pictures the decoder refused or could only conceal.
// - CopyToBuffer writes the decoded frame at (x, y) into caller memory with
//   the given pitch, in one of the copy formats below, clipped to the pitch
//   and to destHeight rows.
// - WaitVideo answers 0 when the current frame is due (the clock starts on
//   the first call), 1 while it is early.
// - Sound: after UseDirectSound, videos with sound play it through the
//   DirectSound-shaped device (platform/dsound), fed as frames are decoded.
//   Without it videos are silent.
// - Threads: a handle belongs to one thread; UseDirectSound before opening.
#pragma once

#include "platform/Types.h"

#include <cstdint>

namespace plat::ddraw
{
class DirectDrawSurface;
}
namespace plat::d3d
{
class Surface;
}
namespace plat::ds
{
class Device;
}

namespace plat::video
{

namespace detail
{
struct SVideoState;
}

// Copy formats (never 0; kVideoSurfaceNone marks a surface that cannot take
// frames). 32-bit formats are B, G, R, X/A bytes in memory.
constexpr std::uint32_t kVideoSurfaceNone = 0xFFFFFFFFu;
constexpr std::uint32_t kVideoSurface32 = 3;  // X8R8G8B8
constexpr std::uint32_t kVideoSurface32A = 4; // A8R8G8B8, alpha 255
constexpr std::uint32_t kVideoSurface565 = 10;
constexpr std::uint32_t kVideoSurface555 = 9;

// Open flags are accepted and kept; none changes how a file plays.
constexpr std::uint32_t kVideoOpenDefault = 0x180000;

struct SVideo
{
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Frames = 0;
    std::uint32_t FrameNum = 0; // 1-based
    std::uint32_t FrameRateNum = 0;
    std::uint32_t FrameRateDen = 1;
    std::uint32_t Flags = 0;
    std::uint32_t FramesMissing = 0;
    std::uint32_t PicturesDamaged = 0;
    detail::SVideoState* State = nullptr;
};

SVideo* OpenVideo(const char* fileName, std::uint32_t flags);
void CloseVideo(SVideo* video);
// The reason the last OpenVideo or DoFrame of this thread failed.
const char* LastVideoError();

// 0 when the frame is decoded, -1 when it cannot be.
int DoFrame(SVideo* video);
// 0 on success, -1 without a decoded frame or with a bad format.
int CopyToBuffer(SVideo* video, void* dest, std::int32_t destPitch, std::uint32_t destHeight, std::uint32_t x,
                 std::uint32_t y, std::uint32_t format);
int WaitVideo(SVideo* video);
void NextFrame(SVideo* video);

// The copy format for a surface, or kVideoSurfaceNone.
std::uint32_t DDSurfaceType(ddraw::DirectDrawSurface* surface);
std::uint32_t D3DSurfaceType(d3d::Surface* surface);

// Videos opened from now on play their sound on the device (a reference is
// held); null gives a device of the layer's own, made on first need.
// False when no device could be had (videos stay silent).
bool UseDirectSound(ds::Device* device);
// Back to silence; releases the device.
void StopDirectSound();

// The decoded current frame as X8R8G8B8 pixels (Width x Height, tightly
// packed), or null before DoFrame. For tests and tools.
const std::uint32_t* DecodedPixels(const SVideo* video);

} // namespace plat::video
