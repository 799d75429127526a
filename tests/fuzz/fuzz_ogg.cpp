// Fuzz target of the Ogg Vorbis sound decoder: any bytes as an Ogg file,
// decoded whole (at most 1 MiB of samples).
#include "sound/OggSound.h"
#include "tests/fuzz/FuzzCommon.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("ogg");
    (void)ready;
    if (!fuzz::WriteFile("input.ogg", data, size)) return 0;
    plat::ds::WaveFormat format;
    std::vector<std::uint8_t> pcm;
    DecodeOggSound("input.ogg", 1u << 20, &format, &pcm);
    return 0;
}
