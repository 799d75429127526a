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

// The effects' pictures, 128 x 128, drawn by a function of the frame's
// cell, the point's place in the cell (-1..1 each way) and its distance r
// from the cell's middle: ARGB.
template <class F> std::vector<std::uint32_t> Atlas(int cells, F pixel)
{
    constexpr std::uint32_t kAtlas = 128;
    std::vector<std::uint32_t> px(kAtlas * kAtlas);
    const std::uint32_t cell = kAtlas / std::uint32_t(cells);
    for (std::uint32_t y = 0; y < kAtlas; ++y)
        for (std::uint32_t x = 0; x < kAtlas; ++x)
        {
            const int frame = int(y / cell) * cells + int(x / cell);
            const double u = (double(x % cell) + 0.5) / (cell / 2.0) - 1.0;
            const double v = (double(y % cell) + 0.5) / (cell / 2.0) - 1.0;
            px[y * kAtlas + x] = pixel(frame, u, v, std::sqrt(u * u + v * v));
        }
    return px;
}

std::uint32_t Argb(double a, double r, double g, double b)
{
    auto c = [](double v) { return std::uint32_t(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

// A fireball swelling over 16 frames (4 x 4), white-hot inside, orange to
// dark red outside, its rim ragged.
std::uint32_t Fireball(int frame, double u, double v, double r)
{
    const double size = 0.35 + 0.6 * frame / 15.0;
    const double ragged = size * (1.0 + 0.12 * std::sin(7.0 * std::atan2(v, u) + frame));
    if (r >= ragged) return 0;
    const double k = r / ragged, cool = frame / 15.0;
    return Argb((1.0 - k * k) * (1.0 - 0.6 * cool), 1.0, 0.85 - 0.5 * k - 0.3 * cool, 0.5 - 0.5 * k - 0.4 * cool);
}

// A spark: a white point with a yellow glow.
std::uint32_t Spark(int, double, double, double r)
{
    return r >= 1.0 ? 0 : Argb((1.0 - r) * (1.0 - r), 1.0, 0.9, 0.4 + 0.6 * (1.0 - r));
}

// Smoke puffs, 16 variants (4 x 4): soft grey blots.
std::uint32_t Puff(int frame, double u, double v, double r)
{
    const double rim = 0.8 + 0.15 * std::sin(5.0 * std::atan2(v, u) + frame * 1.7);
    if (r >= rim) return 0;
    const double k = r / rim;
    return Argb(0.7 * (1.0 - k * k), 0.55, 0.55, 0.55);
}

// A scorch mark on the ground: black in the middle, brown to clear.
std::uint32_t Scorch(int, double, double, double r)
{
    return r >= 1.0 ? 0 : Argb(0.9 * (1.0 - r * r), 0.1 * r, 0.07 * r, 0.03);
}

// A muzzle flash, four variants (2 x 2): a yellow star.
std::uint32_t Flash(int frame, double u, double v, double r)
{
    const double arms = std::pow(std::fabs(std::cos(2.0 * std::atan2(v, u) + frame * 0.4)), 8.0);
    const double a = std::max(1.0 - r * 1.6, arms * (1.0 - r));
    return r >= 1.0 ? 0 : Argb(a, 1.0, 0.9, 0.5);
}

// A shock shell: a thin pale ring.
std::uint32_t Shock(int, double, double, double r)
{
    const double d = std::fabs(r - 0.75) / 0.25;
    return d >= 1.0 ? 0 : Argb(1.0 - d, 0.8, 0.9, 1.0);
}

} // namespace

bool WriteTga(const std::string& path, const std::vector<std::uint32_t>& px, std::uint32_t width,
              std::uint32_t height)
{
    std::vector<std::uint8_t> bytes(18, 0);
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = std::uint8_t(width);
    bytes[13] = std::uint8_t(width >> 8);
    bytes[14] = std::uint8_t(height);
    bytes[15] = std::uint8_t(height >> 8);
    bytes[16] = 32;
    bytes[17] = 8; // 8 alpha bits
    bytes.reserve(bytes.size() + px.size() * 4);
    for (std::uint32_t y = height; y-- > 0;)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint32_t p = px[std::size_t(y) * width + x];
            bytes.insert(bytes.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16),
                                       std::uint8_t(p >> 24)});
        }
    std::FILE* f = plat::FOpen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

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
        {dir + "\\sample.tga", WriteTga(dir + "\\sample.tga", picture, kSize, kSize)},
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
    // The pictures of fights: explosions, sparks, smoke, scorch marks,
    // muzzle flashes and shock shells.
    struct SEffect
    {
        const char* file;
        std::vector<std::uint32_t> pixels;
    };
    const SEffect effects[] = {
        {"fireball.tm", Atlas(4, Fireball)}, {"spark.tm", Atlas(1, Spark)},   {"smoke.tm", Atlas(4, Puff)},
        {"scorch.tm", Atlas(1, Scorch)},     {"flash.tm", Atlas(2, Flash)}, {"shock.tm", Atlas(1, Shock)},
    };
    for (const SEffect& e : effects)
    {
        const std::string path = dir + "\\" + e.file;
        if (!WriteImageFile(path.c_str(), MakeImageLevels(e.pixels, 128, 128), false, kImageFormatA8R8G8B8))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
            return false;
        }
    }
    for (const SFile& f : files)
        if (!f.ok)
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", f.path.c_str());
            return false;
        }
    return true;
}
