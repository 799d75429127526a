// Writes short videos with FFmpeg's encoders, for tests and the sample data
// tree: lossless FFV1 pictures (so a decoded pixel is exactly the one
// written), each slice with a checksum (so a damaged one is found), in a
// Matroska file, and optionally a 16-bit PCM tone. FFmpeg has
// no Bink encoder; the reader finds the container by its content whatever
// the file is called, so a sample may carry a ".bik" name.
//
// Threads: any; no shared state.
#pragma once

#include <cstdint>
#include <string>

namespace plat::video
{

struct SVideoWriteParams
{
    std::uint32_t width = 64;
    std::uint32_t height = 48;
    std::uint32_t frames = 5;
    std::uint32_t framesPerSecond = 15;
    bool withSound = false; // a 440 Hz tone, 22050 Hz stereo
};

// The X8R8G8B8 colour of pixel (x, y) of frame number frame (1-based) in
// the videos WriteTestVideo writes.
std::uint32_t TestVideoPixel(std::uint32_t frame, std::uint32_t x, std::uint32_t y);

// Writes the video to a path (engine form, resolved like every file).
// False, with the reason in *error when given, on failure.
bool WriteTestVideo(const char* fileName, const SVideoWriteParams& params, std::string* error = nullptr);

} // namespace plat::video
