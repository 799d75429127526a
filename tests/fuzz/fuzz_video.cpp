// Fuzz target of the video library: any bytes as a ".bik" video, opened and
// played frame by frame into a small surface (at most 64 frames). A file is
// refused or plays: the frame number never passes the frame count.
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_video_seeds DIR writes short FFV1/Matroska videos (with and without
// sound) and a small Bink header with two frames, plus damaged variants.
#include "platform/video/Video.h"
#include "platform/video/VideoWriter.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("video");
    (void)ready;
    if (!fuzz::WriteFile("input.bik", data, size)) return 0;
    plat::video::SVideo* video = plat::video::OpenVideo("input.bik", plat::video::kVideoOpenDefault);
    if (!video) return 0;
    if (video->Frames == 0 || video->FrameNum != 1) std::abort();
    static std::uint32_t surface[64 * 64];
    for (std::uint32_t frame = 1; frame <= std::min<std::uint32_t>(video->Frames, 64); ++frame)
    {
        if (plat::video::DoFrame(video) != 0) break;
        plat::video::CopyToBuffer(video, surface, 64 * 4, 64, 3, 5, plat::video::kVideoSurface32);
        plat::video::NextFrame(video);
        if (video->FrameNum > video->Frames) std::abort();
    }
    plat::video::CloseVideo(video);
    return 0;
}

#else

namespace
{
void Put(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A Bink header for two 32 x 32 frames at 15 a second, no sound, the frame
// index, and 16 bytes of picture data per frame.
std::vector<std::uint8_t> BinkSeed()
{
    std::vector<std::uint8_t> out = {'B', 'I', 'K', 'i'};
    constexpr std::uint32_t kFirst = 56, kFrame = 16, kEnd = kFirst + 2 * kFrame;
    Put(out, kEnd - 8); // file size after these eight bytes
    Put(out, 2);        // frames
    Put(out, kFrame);   // largest frame
    Put(out, 0);
    Put(out, 32); // width
    Put(out, 32); // height
    Put(out, 15); // frame rate
    Put(out, 1);
    Put(out, 0);          // video flags
    Put(out, 0);          // sound tracks
    Put(out, kFirst | 1); // frame 1, a key frame
    Put(out, kFirst + kFrame);
    out.resize(kEnd, 0);
    return out;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_video_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (bool sound : {false, true})
    {
        const std::filesystem::path file = dir / "video.tmp";
        plat::video::SVideoWriteParams params;
        params.width = 16;
        params.height = 12;
        params.frames = 3;
        params.withSound = sound;
        std::string error;
        if (!plat::video::WriteTestVideo(file.c_str(), params, &error))
        {
            std::fprintf(stderr, "fuzz_video_seeds: %s\n", error.c_str());
            return 1;
        }
        const std::vector<std::uint8_t> bytes = fuzz::TakeFile(file);
        fuzz::WriteSeeds(dir, sound ? "ffv1_sound" : "ffv1", bytes);
    }
    fuzz::WriteSeeds(dir, "bink", BinkSeed());
    return 0;
}

#endif
