// The noise that darkens the scene behind a menu: "TEX_INT_NOISE", a
// 128 x 128 grey speckle (every texel drawn on its own, opaque), with its
// row in the texture table. The menus lay it over the dimmed scene a pixel
// to a texel, shifted by half the picture four times a second, so that the
// scene behind seems to flicker.
#include "foundation/DataBase.h"
#include "foundation/Random.h"
#include "graphics/ImageFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
constexpr std::uint32_t kSide = 128;
const char* const kName = "TEX_INT_NOISE";
const char* const kFile = "Data\\Textures\\int_noise.tm";

std::vector<std::uint32_t> Speckle()
{
    // Greys from a quarter to full: the darkest speckles still let the
    // scene show through.
    CRandom random(20261210u);
    std::vector<std::uint32_t> px(std::size_t(kSide) * kSide);
    for (std::uint32_t& p : px)
    {
        const std::uint32_t g = 0x40u + std::uint32_t(random.RandomInt(0xC0));
        p = 0xFF000000u | g << 16 | g << 8 | g;
    }
    return px;
}
} // namespace

bool WriteSampleMenuNoise(const std::string& root)
{
    const std::string path = root + "\\" + kFile;
    if (!WriteImageFile(path.c_str(), MakeImageLevels(Speckle(), kSide, kSide), false, kImageFormatA8R8G8B8))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    DataBase db;
    // The database wants a whole path.
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    const std::string dbPath = base + "\\Data\\DB.dat";
    if (!db.OpenDatabase(dbPath.c_str(), false, false)) return false;
    const bool ok = db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str()) && db.Append(kName) &&
                    db.SetField("Filename", kFile) && db.SetField("Type", std::int32_t(0)) &&
                    db.SetField("Color", std::int32_t(0)) && db.SetField("LOD", std::int32_t(0)) &&
                    db.SetField("TEXTURETYPE", std::int32_t(2)) && db.Post();
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add %s to %s\n", kName, dbPath.c_str());
        return false;
    }
    return true;
}
