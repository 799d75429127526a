#include "tools/mksample/SampleTextures.h"

#include "graphics/ImageFile.h"
#include "platform/File.h"

#include <algorithm>
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

// A hot glow (the glider's engine and its flare seen from afar): white in
// the middle, orange, clear at the rim.
std::vector<std::uint32_t> Glow()
{
    std::vector<std::uint32_t> px(kSize * kSize);
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            const double dx = (double(x) + 0.5) / (kSize / 2.0) - 1.0, dy = (double(y) + 0.5) / (kSize / 2.0) - 1.0;
            const double r = std::min(1.0, std::sqrt(dx * dx + dy * dy));
            const std::uint32_t g = std::uint32_t(255 * (1.0 - 0.6 * r)), b = std::uint32_t(220 * (1.0 - r) * (1.0 - r));
            const std::uint32_t a = std::uint32_t(255 * (1.0 - r) * (1.0 - r));
            px[y * kSize + x] = a << 24 | 0xFFu << 16 | g << 8 | b;
        }
    return px;
}

// The boundary's force field: 4 x 4 frames of a pale blue band whose
// bright streaks move up a little from frame to frame.
std::vector<std::uint32_t> Border()
{
    std::vector<std::uint32_t> px(kSize * kSize);
    const std::uint32_t frame = kSize / 4;
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            const std::uint32_t f = (y / frame) * 4 + x / frame, fy = y % frame, fx = x % frame;
            const double streak = std::sin((double(fy) + double(f) * 0.25 + double(fx) * 0.3) * 1.2);
            const std::uint32_t a = std::uint32_t(60 + 120 * std::max(0.0, streak));
            px[y * kSize + x] = a << 24 | 0x80C0FFu;
        }
    return px;
}

// Ripples on water, blue-green, repeating across the tile.
std::vector<std::uint32_t> Ripples(double turn)
{
    constexpr double kTwoPi = 6.283185307179586;
    std::vector<std::uint32_t> px(kSize * kSize);
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            const double u = double(x) / kSize, v = double(y) / kSize;
            const double w = 0.5 + 0.25 * std::sin(kTwoPi * (3 * u + 2 * v) + turn) +
                             0.25 * std::sin(kTwoPi * (-2 * u + 5 * v) + 2 * turn);
            const std::uint32_t r = std::uint32_t(30 + 40 * w), g = std::uint32_t(80 + 60 * w),
                                b = std::uint32_t(120 + 70 * w);
            px[y * kSize + x] = 0xC0u << 24 | r << 16 | g << 8 | b;
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
        {dir + "\\glow.tm", WriteImageFile((dir + "\\glow.tm").c_str(), MakeImageLevels(Glow(), kSize, kSize), false,
                                            kImageFormatA8R8G8B8)},
        {dir + "\\border.tm", WriteImageFile((dir + "\\border.tm").c_str(), MakeImageLevels(Border(), kSize, kSize),
                                              false, kImageFormatA8R8G8B8)},
        {dir + "\\water.tm", WriteImageFile((dir + "\\water.tm").c_str(), MakeImageLevels(Ripples(0.0), kSize, kSize),
                                             false, kImageFormatA8R8G8B8)},
        {dir + "\\water2.tm", WriteImageFile((dir + "\\water2.tm").c_str(),
                                              MakeImageLevels(Ripples(1.7), kSize, kSize), false, kImageFormatA8R8G8B8)},
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
