// The pictures of start-up: the loading screen "SUF_LOADING", its cell
// strip "SUF_BARS" and the thirteen waiting screens "SUF_WAITING0".."12" in
// the image list, the cursor "TEX_INT_CURSOR" and its blue highlight
// "TEX_INT_CURSOR_BLUE" in the texture list, and the "small" and "big"
// fonts the resource engine loads.

#include "foundation/DataBase.h"
#include "graphics/Font.h"
#include "graphics/ImageFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleTextures.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

std::string InRoot(const std::string& root, const char* path)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + path;
}

} // namespace

namespace
{

constexpr std::uint32_t kLoadingWidth = 512, kLoadingHeight = 384;

// A dark blue sky over a horizon glow, with concentric rings in the middle:
// easy to tell apart from the cleared frame.
std::vector<std::uint32_t> LoadingPicture()
{
    std::vector<std::uint32_t> px(std::size_t(kLoadingWidth) * kLoadingHeight);
    for (std::uint32_t y = 0; y < kLoadingHeight; ++y)
        for (std::uint32_t x = 0; x < kLoadingWidth; ++x)
        {
            const double t = double(y) / (kLoadingHeight - 1);
            std::uint32_t r = std::uint32_t(20 + 200 * t * t), g = std::uint32_t(30 + 110 * t * t),
                          b = std::uint32_t(90 + 40 * t);
            const double dx = double(x) - kLoadingWidth / 2.0, dy = double(y) - kLoadingHeight / 2.0;
            if (int(std::sqrt(dx * dx + dy * dy)) % 24 < 3) r = g = b = 230;
            px[std::size_t(y) * kLoadingWidth + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    return px;
}

constexpr std::uint32_t kWaitingWidth = 256, kWaitingHeight = 192;
constexpr int kWaitingPictures = 13;

// Waiting picture n: a flat colour of its own with light stripes across
// the middle (more for higher numbers), so that each one can be told from
// the others.
std::vector<std::uint32_t> WaitingPicture(int n)
{
    std::vector<std::uint32_t> px(std::size_t(kWaitingWidth) * kWaitingHeight);
    const std::uint32_t hue = std::uint32_t(n) * 19u;
    for (std::uint32_t y = 0; y < kWaitingHeight; ++y)
        for (std::uint32_t x = 0; x < kWaitingWidth; ++x)
        {
            const bool stripe = x * std::uint32_t(n + 1) / kWaitingWidth % 2 == 1 && y > 60 && y < 130;
            const std::uint32_t r = stripe ? 220 : 30 + hue % 120, g = stripe ? 220 : 40 + (hue * 3) % 90,
                                b = stripe ? 200 : 60 + (hue * 7) % 100;
            px[std::size_t(y) * kWaitingWidth + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    return px;
}

// Two 20 x 40 cells side by side: filled, then empty.
std::vector<std::uint32_t> BarsPicture()
{
    std::vector<std::uint32_t> px(40 * 40);
    for (std::uint32_t y = 0; y < 40; ++y)
        for (std::uint32_t x = 0; x < 40; ++x)
        {
            const std::uint32_t cx = x % 20;
            const bool border = cx < 2 || cx > 17 || y < 2 || y > 37;
            px[y * 40 + x] = border ? 0xFFE0E0E0 : x < 20 ? 0xFF40C060 : 0x60000000;
        }
    return px;
}

// A 32 x 32 arrow with its tip at (2, 2), its inside and its outline in
// the given colours: white with a dark outline for the cursor, a
// translucent blue glow for its highlight.
std::vector<std::uint32_t> CursorPicture(std::uint32_t inside, std::uint32_t outline)
{
    std::vector<std::uint32_t> px(32 * 32, 0);
    for (int y = 2; y < 24; ++y)
        for (int x = 2; x < 32; ++x)
        {
            const int dx = x - 2, dy = y - 2;
            if (dx > dy) continue;
            const bool edge = dx == 0 || dx == dy || y == 23;
            px[std::size_t(y) * 32 + std::size_t(x)] = edge ? outline : inside;
        }
    return px;
}

// The cursor textures: name and file.
const char* const kCursors[2][2] = {{"TEX_INT_CURSOR", "Data\\Textures\\cursor.tm"},
                                    {"TEX_INT_CURSOR_BLUE", "Data\\Textures\\cursor_blue.tm"}};

bool AddRecords(const std::string& root)
{
    DataBase db;
    if (!db.OpenDatabase(InRoot(root, "Data\\DB.dat").c_str(), false, false)) return false;
    struct SImageRow
    {
        std::string name;
        std::string file;
        std::int32_t width, height;
    };
    std::vector<SImageRow> images = {
        {"SUF_LOADING", "Data\\Images\\loading.tga", std::int32_t(kLoadingWidth),
         std::int32_t(kLoadingHeight)},
        {"SUF_BARS", "Data\\Images\\bars.tga", 40, 40},
    };
    for (int n = 0; n < kWaitingPictures; ++n)
        images.push_back({"SUF_WAITING" + std::to_string(n),
                          "Data\\Images\\waiting" + std::to_string(n) + ".tga", std::int32_t(kWaitingWidth),
                          std::int32_t(kWaitingHeight)});
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Изображения").c_str());
    for (const SImageRow& i : images)
        ok = ok && db.Append(i.name.c_str()) && db.SetField("Filename", i.file.c_str()) &&
             db.SetField("WIDTH", i.width) && db.SetField("HEIGHT", i.height) &&
             db.SetField("NOFILTER", std::int32_t(0)) && db.SetField("NOFILTERALPHA", std::int32_t(0)) &&
             db.Post();
    ok = ok && db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str());
    for (const char* const* cursor : {kCursors[0], kCursors[1]})
        ok = ok && db.Append(cursor[0]) && db.SetField("Filename", cursor[1]) &&
             db.SetField("Type", std::int32_t(0)) && db.SetField("Color", std::int32_t(0)) &&
             db.SetField("LOD", std::int32_t(0)) && db.SetField("TEXTURETYPE", std::int32_t(2)) && db.Post();
    return db.CloseDatabase() && ok;
}

// The fonts as rasterised from the system's DejaVu Sans, unless the tree
// has them already.
bool WriteFonts(const std::string& root)
{
    struct SFontRow
    {
        const char* name;
        int points;
        int bold;
    };
    static const SFontRow kFonts[] = {{"small", 10, 0}, {"big", 16, 1}};
    for (const SFontRow& f : kFonts)
    {
        // Forward slashes: the font writer opens its files with the C
        // library, which takes the path as it is.
        const std::string path = root + "/Data/fonts/" + f.name;
        if (plat::FileExists((path + ".fdf").c_str())) continue;
        CFont font;
        font.Init("DejaVu Sans", f.points, f.bold, 0, 1, 1.0f, 0);
        if (!font.SaveFiles(path.c_str()))
        {
            std::fprintf(stderr, "mksample: cannot write %s.fdf\n", path.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

// Called after the database and the sample textures are written.
bool WriteSampleLoading(const std::string& root)
{
    const std::string images = root + "\\Data\\Images";
    bool ok = WriteTga(images + "\\loading.tga", LoadingPicture(), kLoadingWidth, kLoadingHeight) &&
              WriteTga(images + "\\bars.tga", BarsPicture(), 40, 40);
    for (int n = 0; n < kWaitingPictures; ++n)
        ok = ok && WriteTga(images + "\\waiting" + std::to_string(n) + ".tga", WaitingPicture(n),
                            kWaitingWidth, kWaitingHeight);
    if (!ok)
    {
        std::fprintf(stderr, "mksample: cannot write the loading screens below %s\n", images.c_str());
        return false;
    }
    const std::vector<std::uint32_t> pictures[2] = {CursorPicture(0xFFF8F8F8, 0xFF101010),
                                                    CursorPicture(0x6040A0FF, 0xC02060FF)};
    for (int i = 0; i < 2; ++i)
    {
        const std::string cursor = root + "\\" + kCursors[i][1];
        if (!WriteImageFile(cursor.c_str(), MakeImageLevels(pictures[i], 32, 32), false,
                            kImageFormatA8R8G8B8))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", cursor.c_str());
            return false;
        }
    }
    if (!AddRecords(root))
    {
        std::fprintf(stderr, "mksample: cannot add the image and cursor records to Data\\DB.dat\n");
        return false;
    }
    return WriteFonts(root);
}
