// Fuzz target of the play recorder's recording file: any bytes as the file.
// A recording is either taken whole (every frame and record inside its data,
// the frame count as the file says) or refused with the recorder unchanged.
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_recording_seeds DIR writes a small recording with and without its
// trailer, plus damaged variants of each.
#include "app/VideoStudio.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("recording");
    (void)ready;
    if (!fuzz::WriteFile("play.rec", data, size)) return 0;
    CVideoStudio studio;
    const bool loaded = studio.Load("play.rec");
    if (loaded != (studio.m_nState == CVideoStudio::kHeld)) std::abort();
    if (loaded && (studio.m_nDataSize > size || studio.m_nDataSize > studio.m_Stream.m_nCapacity))
        std::abort();
    if (!loaded && studio.m_Stream.m_pData) std::abort();
    return 0;
}

#else

namespace
{
void Put(std::vector<std::uint8_t>& out, const void* p, std::size_t n)
{
    const auto* b = static_cast<const std::uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put(out, &v, 4);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_recording_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    // Two frames: an environment record and an object record each.
    std::vector<std::uint8_t> stream;
    for (int f = 0; f < 2; ++f)
    {
        const double clock = 1.5 + f;
        Put(stream, &clock, 8);
        PutU32(stream, 2);
        PutU32(stream, 8 + 6 + 8 + 4 + 5);
        PutU32(stream, 0);
        PutU32(stream, 6);
        Put(stream, "envst", 6);
        PutU32(stream, 1);
        PutU32(stream, 4 + 5);
        PutU32(stream, 42);
        Put(stream, "objst", 5);
    }
    std::vector<std::uint8_t> file;
    PutU32(file, 2);
    const float length = 1.0f / 30.0f;
    Put(file, &length, 4);
    PutU32(file, std::uint32_t(stream.size()));
    Put(file, stream.data(), stream.size());
    fuzz::WriteSeeds(dir, "bare", file);
    PutU32(file, 42);
    char config[32] = "_DEFAULT_";
    Put(file, config, 32);
    fuzz::WriteSeeds(dir, "trailer", file);
    return 0;
}

#endif
