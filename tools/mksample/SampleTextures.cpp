#include "tools/mksample/SampleTextures.h"

#include "graphics/ImageFile.h"
#include "platform/File.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

constexpr std::uint32_t kSize = 64;

// A picture that shows its orientation and its alpha: a colour gradient,
// a light cross through the middle and alpha falling off towards the edge.
std::vector<std::uint32_t> SamplePicture()
{
    std::vector<std::uint32_t> px(kSize * kSize);
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            std::uint32_t r = x * 255 / (kSize - 1), g = y * 255 / (kSize - 1), b = 160;
            if (x == kSize / 2 || y == kSize / 2) r = g = b = 240;
            const double dx = double(x) - kSize / 2.0, dy = double(y) - kSize / 2.0;
            const double edge = std::sqrt(dx * dx + dy * dy) / (kSize / 2.0);
            const std::uint32_t a = edge >= 1.0 ? 0 : std::uint32_t(255 * (1.0 - edge * edge));
            px[y * kSize + x] = a << 24 | r << 16 | g << 8 | b;
        }
    return px;
}

// A lamp's light: warm white, opaque in the middle, clear at the rim.
std::vector<std::uint32_t> LampSpot()
{
    std::vector<std::uint32_t> px(kSize * kSize);
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            const double dx = (double(x) + 0.5) / (kSize / 2.0) - 1.0, dy = (double(y) + 0.5) / (kSize / 2.0) - 1.0;
            const double edge = std::sqrt(dx * dx + dy * dy);
            const std::uint32_t a = edge >= 1.0 ? 0 : std::uint32_t(255 * (1.0 - edge) * (1.0 - edge));
            px[y * kSize + x] = a << 24 | 0xFFE0B0u;
        }
    return px;
}

// An uncompressed 32-bit TGA, bottom row first as the format's default.
bool WriteTga(const std::string& path, const std::vector<std::uint32_t>& px)
{
    std::vector<std::uint8_t> bytes(18, 0);
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = std::uint8_t(kSize);
    bytes[13] = std::uint8_t(kSize >> 8);
    bytes[14] = std::uint8_t(kSize);
    bytes[15] = std::uint8_t(kSize >> 8);
    bytes[16] = 32;
    bytes[17] = 8; // 8 alpha bits
    for (std::uint32_t y = kSize; y-- > 0;)
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            const std::uint32_t p = px[y * kSize + x];
            bytes.insert(bytes.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16),
                                       std::uint8_t(p >> 24)});
        }
    std::FILE* f = plat::FOpen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

bool WriteSampleTextures(const std::string& root)
{
    const std::string dir = root + "\\Data\\Textures";
    if (!plat::CreateDirectory(dir.c_str()))
    {
        std::fprintf(stderr, "mksample: cannot create %s\n", dir.c_str());
        return false;
    }
    const std::vector<std::uint32_t> picture = SamplePicture();
    const SImageFileLevels levels = MakeImageLevels(picture, kSize, kSize);
    struct SFile
    {
        std::string path;
        bool ok;
    };
    const SFile files[] = {
        {dir + "\\sample_dxt5.tm", WriteImageFile((dir + "\\sample_dxt5.tm").c_str(), levels, true, 0)},
        {dir + "\\sample_argb.tm",
         WriteImageFile((dir + "\\sample_argb.tm").c_str(), levels, false, kImageFormatA8R8G8B8)},
        {dir + "\\sample.tga", WriteTga(dir + "\\sample.tga", picture)},
        {dir + "\\lamp_spot.tm", WriteImageFile((dir + "\\lamp_spot.tm").c_str(), MakeImageLevels(LampSpot(), kSize, kSize),
                                                 false, kImageFormatA8R8G8B8)},
    };
    for (const SFile& f : files)
        if (!f.ok)
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", f.path.c_str());
            return false;
        }
    return true;
}
