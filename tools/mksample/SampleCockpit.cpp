// The cockpit's sample textures: the 1024 x 1024 sheet "TEX_INT_UI1" with a
// plain drawing in every cell the panels use (dark translucent frames with
// light borders, a white bar cell, bracket corners for the reticle and the
// markers, icons), the radar's arrow "TEX_INT_STRELKA", its animated point
// "TEX_INT_RADAR_POINT" (4 x 4 frames), the big map's background
// "TEX_INT_MINIMAP_BACK", the weapon and device icons "TEX_INT_WEAPON_ICONS",
// the anomaly overlay "TEX_INT_ANOMALY" and the menus' dimming noise
// "TEX_INT_NOISE"; each with its row in the texture table.
#include "tools/mksample/SampleCockpit.h"

#include "foundation/DataBase.h"
#include "foundation/Random.h"
#include "graphics/ImageFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleMenus.h"
#include "tools/mksample/SampleWidgets.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace
{
constexpr std::uint32_t kFrameFill = 0xA0102838u;
constexpr std::uint32_t kFrameEdge = 0xFFA0D0E8u;

class CSheet
{
public:
    CSheet(int width, int height)
        : m_nWidth(width), m_nHeight(height), m_Pixels(std::size_t(width * height), 0)
    {
    }

    void Fill(int x, int y, int w, int h, std::uint32_t colour)
    {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                if (i >= 0 && j >= 0 && i < m_nWidth && j < m_nHeight)
                    m_Pixels[std::size_t(j * m_nWidth + i)] = colour;
    }
    // A translucent panel with a one-pixel border; the hole (relative to the
    // panel, may be empty) stays transparent.
    void Frame(int x, int y, int w, int h, int hx = 0, int hy = 0, int hw = 0, int hh = 0)
    {
        Fill(x, y, w, h, kFrameFill);
        Fill(x, y, w, 1, kFrameEdge);
        Fill(x, y + h - 1, w, 1, kFrameEdge);
        Fill(x, y, 1, h, kFrameEdge);
        Fill(x + w - 1, y, 1, h, kFrameEdge);
        if (hw > 0) Fill(x + hx, y + hy, hw, hh, 0);
    }
    // The top-left bracket of a square: two bars of thickness t.
    void Corner(int x, int y, int size, int t, std::uint32_t colour)
    {
        Fill(x, y, size, t, colour);
        Fill(x, y, t, size, colour);
    }

    int m_nWidth, m_nHeight;
    std::vector<std::uint32_t> m_Pixels;
};

} // namespace

std::vector<std::uint32_t> CockpitPieces()
{
    CSheet s(1024, 1024);
    s.Frame(0, 103, 190, 136); // hull, shield and energy bars
    for (int y : {30, 72, 114})
        s.Fill(17, 103 + y - 1, 172, 17, 0x80000000u);
    s.Frame(1, 812, 194, 198, 9, 17, 169, 169); // minimap frame round the map
    s.Fill(0, 1010, 240, 14, 0xFFFFFFFFu);      // the bar cell
    s.Fill(495, 1013, 137, 10, 0xFF808890u);    // shield switched off
    s.Frame(34, 0, 238, 103, 10, 29, 225, 64);  // speed, clock and scanner
    s.Frame(264, 158, 227, 194);                // target panel
    s.Frame(70, 239, 93, 62);                   // gun slot
    s.Frame(0, 239, 70, 45);                    // equipment slot
    s.Frame(3, 285, 63, 20);                    // target distance plate
    s.Frame(772, 434, 87, 89);                  // damaged part
    s.Fill(196, 983, 64, 39, 0xFFFFFFFFu);      // equipment highlight
    // Sight, its ring and the reticle and marker corners.
    s.Fill(72 + 15, 324 + 4, 3, 25, 0xFFFFFFFFu);
    s.Fill(72 + 4, 324 + 15, 25, 3, 0xFFFFFFFFu);
    s.Corner(106, 323, 35, 2, 0xFFFFFFFFu);
    s.Corner(106 + 33, 323, 2, 34, 0xFFFFFFFFu);
    for (int i = 0; i < 3; ++i)
        s.Corner(191, 249 - 73 * i, 30, 3, i == 0 ? 0xFFB0D0E0u : (i == 1 ? 0xFFFFD040u : 0xFF40FF80u));
    for (int j = 0; j < 3; ++j)
        s.Corner(273, 38 * j, 20, 3, j == 0 ? 0xFFB0D0E0u : 0xFFFFFFFFu);
    s.Corner(310, 0, 8, 2, 0xFFFFFFFFu);
    for (int j = 0; j < 4; ++j)
        s.Frame(236 + 33 * j, 816, 32, 32, 8, 8, 16, 16); // warning icons
    for (int k = 0; k < 3; ++k)
        s.Fill(179, 600 + 15 * k, 11, 14, 0xFFFFFFFFu); // gauge segments
    // Compass labels: small white blocks.
    s.Fill(11, 77, 7, 8, 0xFFFFFFFFu);
    s.Fill(21, 77, 12, 8, 0xFFFFFFFFu);
    s.Fill(11, 86, 6, 8, 0xFFFFFFFFu);
    s.Fill(22, 86, 7, 9, 0xFFFFFFFFu);
    return s.m_Pixels;
}

namespace
{
std::vector<std::uint32_t> CockpitSheet()
{
    // The in-game menus' and the widgets' cells share the sheet.
    std::vector<std::uint32_t> pixels = CockpitPieces();
    DrawMenuSheetUI1(pixels);
    PaintWidgetPieces(pixels);
    return pixels;
}

std::vector<std::uint32_t> Arrow()
{
    CSheet s(16, 16);
    for (int y = 1; y < 15; ++y)
    {
        const int half = y / 2;
        s.Fill(8 - half, y, 2 * half, 1, 0xFFFFFFFFu);
    }
    return s.m_Pixels;
}

std::vector<std::uint32_t> RadarPoint()
{
    CSheet s(128, 128);
    for (int f = 0; f < 16; ++f)
    {
        const int x0 = (f % 4) * 32, y0 = (f / 4) * 32;
        const float r = 4.0f + float(f % 8) * 1.5f;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
            {
                const float d = std::hypot(float(x) - 15.5f, float(y) - 15.5f);
                if (std::fabs(d - r) < 1.2f || d < 2.5f) s.Fill(x0 + x, y0 + y, 1, 1, 0xFFFFE040u);
            }
    }
    return s.m_Pixels;
}

// The weapon and device icons: 64 x 32 cells, icon n at ((n / 16) x 64,
// (n % 16) x 32), each a magenta plate with a white rim and n light notches.
std::vector<std::uint32_t> WeaponIcons()
{
    CSheet s(256, 512);
    for (int n = 0; n < 64; ++n)
    {
        const int x0 = (n / 16) * 64, y0 = (n % 16) * 32;
        s.Fill(x0 + 2, y0 + 2, 60, 28, 0xFFFFFFFFu);
        s.Fill(x0 + 4, y0 + 4, 56, 24, 0xFFE020D0u);
        for (int k = 0; k < n % 8; ++k) s.Fill(x0 + 8 + 6 * k, y0 + 6, 3, 4, 0xFFFFFFFFu);
    }
    return s.m_Pixels;
}

// The anomaly overlay: a yellow haze, opaque in the middle of each cell the
// cockpit cuts from it and fading towards their edges.
std::vector<std::uint32_t> AnomalyHaze()
{
    CSheet s(512, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
        {
            const float d = std::hypot(float(x) - 415.0f, float(y) - 300.0f) / 360.0f;
            const auto a = std::uint32_t(255.0f * std::max(0.0f, 1.0f - d * d * 0.5f));
            s.Fill(x, y, 1, 1, a << 24 | 0xFFE030u);
        }
    return s.m_Pixels;
}

std::vector<std::uint32_t> MapBack()
{
    CSheet s(64, 64);
    s.Fill(0, 0, 64, 64, 0xFF182028u);
    for (int i = 0; i < 64; i += 8)
        s.Fill(i, 0, 1, 64, 0xFF283848u);
    return s.m_Pixels;
}

// The noise the menus lay over the dimmed scene, a pixel to a texel, shifted
// by half the picture four times a second so that the scene seems to
// flicker: greys from a quarter to full, every texel drawn on its own and
// opaque; the darkest speckles still let the scene show through.
std::vector<std::uint32_t> MenuNoise()
{
    CRandom random(20261210u);
    std::vector<std::uint32_t> px(std::size_t(128) * 128);
    for (std::uint32_t& p : px)
    {
        const std::uint32_t g = 0x40u + std::uint32_t(random.RandomInt(0xC0));
        p = 0xFF000000u | g << 16 | g << 8 | g;
    }
    return px;
}

struct STexture
{
    const char* name;
    const char* file;
    std::vector<std::uint32_t> (*picture)();
    std::uint32_t width, height;
};
// A texture's id is its row's place in the table: the noise's row follows
// the widgets' and the menus' rows, so the rows after kCockpitRows are added
// later, by WriteSampleMenuNoise.
const STexture kTextures[] = {
    {"TEX_INT_UI1", "Data\\Textures\\int_ui1.tm", CockpitSheet, 1024, 1024},
    {"TEX_INT_STRELKA", "Data\\Textures\\int_strelka.tm", Arrow, 16, 16},
    {"TEX_INT_RADAR_POINT", "Data\\Textures\\int_radar_point.tm", RadarPoint, 128, 128},
    {"TEX_INT_MINIMAP_BACK", "Data\\Textures\\int_minimap_back.tm", MapBack, 64, 64},
    {"TEX_INT_WEAPON_ICONS", "Data\\Textures\\int_weapon_icons.tm", WeaponIcons, 256, 512},
    {"TEX_INT_ANOMALY", "Data\\Textures\\int_anomaly.tm", AnomalyHaze, 512, 512},
    {"TEX_INT_NOISE", "Data\\Textures\\int_noise.tm", MenuNoise, 128, 128},
};
constexpr std::size_t kCockpitRows = 6;

bool WriteTextures(const std::string& root, std::span<const STexture> textures)
{
    for (const STexture& t : textures)
    {
        const std::string path = root + "\\" + t.file;
        if (!WriteImageFile(path.c_str(), MakeImageLevels(t.picture(), t.width, t.height), false,
                            kImageFormatA8R8G8B8))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
            return false;
        }
    }
    DataBase db;
    // The database wants a whole path.
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    const std::string dbPath = base + "\\Data\\DB.dat";
    if (!db.OpenDatabase(dbPath.c_str(), false, false)) return false;
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str());
    for (const STexture& t : textures)
        ok = ok && db.Append(t.name) && db.SetField("Filename", t.file) &&
             db.SetField("Type", std::int32_t(0)) && db.SetField("Color", std::int32_t(0)) &&
             db.SetField("LOD", std::int32_t(0)) && db.SetField("TEXTURETYPE", std::int32_t(2)) && db.Post();
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the texture rows from %s on to %s\n", textures.front().name,
                     dbPath.c_str());
        return false;
    }
    return true;
}
} // namespace

bool WriteSampleCockpit(const std::string& root)
{
    return WriteTextures(root, std::span(kTextures).first(kCockpitRows));
}

bool WriteSampleMenuNoise(const std::string& root)
{
    return WriteTextures(root, std::span(kTextures).subspan(kCockpitRows));
}
