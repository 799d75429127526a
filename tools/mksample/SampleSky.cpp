// The sample's sky: the textures the environment records of the sample map
// name (SampleLocation.cpp) and their rows in "Текстуры":
// - "TEX_SKY_CLOUDS" (256 x 256, alpha): soft white clouds over a clear
//   ground, repeating without a seam, drawn on the two cloud layers;
// - "TEX_SKY_RAIN_CLOUDS": the same clouds grey and closer together;
// - "TEX_SKY_SUN" and "TEX_SKY_MOON" (64 x 64, alpha): the discs;
// - "TEX_SKY_HILLS" (64 x 64): the far hills of the horizon ring
//   (SampleProps.cpp);
// - "TEX_SKY_GLOW_DAWN" (128 x 64, alpha): the orange haze over the horizon
//   at dawn and dusk, brightest towards the sun (u 0.5 faces it; v runs from
//   the top of the band to the horizon).
#include "foundation/DataBase.h"
#include "graphics/ImageFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleMeshKit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

bool WriteSampleSky(const std::string& root);

namespace
{
constexpr float kPi = 3.14159265f;

float Smooth(float a, float b, float x)
{
    const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

std::uint32_t WithAlpha(std::uint32_t rgb, float alpha)
{
    return std::uint32_t(std::clamp(alpha, 0.0f, 1.0f) * 255.0f + 0.5f) << 24 | (rgb & 0xFFFFFFu);
}

std::vector<std::uint32_t> Clouds(int size, std::uint32_t seed, float cover, std::uint32_t light, std::uint32_t dark)
{
    const CTileNoise noise(8, seed);
    std::vector<std::uint32_t> px(std::size_t(size * size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const float n = noise.Fractal(float(x) / float(size) * 8.0f, float(y) / float(size) * 8.0f, 5);
            const float alpha = Smooth(1.0f - cover, 1.0f - cover + 0.3f, n);
            px[std::size_t(y * size + x)] = WithAlpha(MixColour(light, dark, Smooth(0.6f, 1.0f, n)), alpha * 0.9f);
        }
    return px;
}

std::vector<std::uint32_t> Disc(int size, std::uint32_t core, std::uint32_t halo, float radius, bool craters)
{
    const CTileNoise noise(4, 77);
    std::vector<std::uint32_t> px(std::size_t(size * size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const float r = std::hypot(float(x) + 0.5f - float(size) / 2.0f, float(y) + 0.5f - float(size) / 2.0f) /
                            (float(size) / 2.0f);
            std::uint32_t c = r < radius ? core : halo;
            if (craters && r < radius) c = ScaleColour(c, 0.8f + 0.2f * noise.Fractal(float(x) / 8.0f, float(y) / 8.0f, 2));
            const float alpha = r < radius ? 1.0f : std::max(0.0f, 1.0f - (r - radius) / (1.0f - radius)) * 0.5f;
            px[std::size_t(y * size + x)] = WithAlpha(c, craters && r >= radius ? 0.0f : alpha * alpha);
        }
    return px;
}

std::vector<std::uint32_t> Glow(std::uint32_t sunward, std::uint32_t elsewhere)
{
    constexpr int kW = 128, kH = 64;
    std::vector<std::uint32_t> px(std::size_t(kW * kH));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
        {
            const float towards = 0.5f + 0.5f * std::cos((float(x) + 0.5f) / float(kW) * 2.0f * kPi - kPi);
            const float low = float(y) / float(kH - 1); // 1 at the horizon
            const float alpha = low * low * low * low * (0.25f + 0.35f * towards * towards);
            px[std::size_t(y * kW + x)] = WithAlpha(MixColour(elsewhere, sunward, towards), alpha);
        }
    return px;
}

// The far hills of the horizon ring: hazy blue-green at their tops (the
// top rows), darker below, a little mottled; repeats across.
std::vector<std::uint32_t> Hills()
{
    constexpr int kSize = 64;
    const CTileNoise noise(8, 5103);
    std::vector<std::uint32_t> px(std::size_t(kSize * kSize));
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
        {
            const float down = std::min(1.0f, float(y) / 8.0f);
            const float n = noise.Fractal(float(x) / float(kSize) * 8.0f, float(y) / float(kSize) * 8.0f, 3);
            px[std::size_t(y * kSize + x)] =
                ScaleColour(MixColour(0xFF8AA89Cu, 0xFF4C6A50u, down), 0.9f + 0.2f * n) | 0xFF000000u;
        }
    return px;
}

struct STexture
{
    const char* key;
    const char* file;
    std::vector<std::uint32_t> pixels;
    std::uint32_t width, height;
};
} // namespace

// Called after the database and the textures folder exist.
bool WriteSampleSky(const std::string& root)
{
    const STexture textures[] = {
        {"TEX_SKY_CLOUDS", "sky_clouds.tm", Clouds(256, 5101, 0.45f, 0xFFFFFFFFu, 0xFFC8D0DCu), 256, 256},
        {"TEX_SKY_RAIN_CLOUDS", "sky_rain_clouds.tm", Clouds(256, 5102, 0.75f, 0xFFB0B4BCu, 0xFF60646Cu), 256, 256},
        {"TEX_SKY_SUN", "sky_sun.tm", Disc(64, 0xFFFFFCE8u, 0xFFFFE8A0u, 0.3f, false), 64, 64},
        {"TEX_SKY_MOON", "sky_moon.tm", Disc(64, 0xFFE8ECF4u, 0xFFE8ECF4u, 0.9f, true), 64, 64},
        {"TEX_SKY_GLOW_DAWN", "sky_glow_dawn.tm", Glow(0xFFFFA040u, 0xFFFFD0B0u), 128, 64},
        {"TEX_SKY_HILLS", "sky_hills.tm", Hills(), 64, 64},
    };
    const std::string dir = root + "\\Data\\Textures\\";
    for (const STexture& t : textures)
    {
        const std::string path = dir + t.file;
        if (!WriteImageFile(path.c_str(), MakeImageLevels(t.pixels, t.width, t.height), false,
                            kImageFormatA8R8G8B8))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
            return false;
        }
    }
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    DataBase db;
    bool ok = db.OpenDatabase((base + "\\Data\\DB.dat").c_str(), false, false) &&
              db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str());
    for (const STexture& t : textures)
        ok = ok && db.Append(t.key) && db.SetField("Filename", (std::string("Data\\Textures\\") + t.file).c_str()) &&
             db.SetField("Type", std::int32_t(0)) && db.SetField("Color", std::int32_t(0)) &&
             db.SetField("LOD", std::int32_t(0)) && db.SetField("TEXTURETYPE", std::int32_t(2)) && db.Post();
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the sky textures to Data\\DB.dat\n");
        return false;
    }
    return true;
}
