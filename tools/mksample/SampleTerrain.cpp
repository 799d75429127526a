// The sample's ground: the four land types of the sample map (grass on the
// flats, rock on the slopes, sand along the roads and round the buildings,
// shore round the lake; their GIDs in SampleLocation.h) with their
// textures and detail objects, written into "Поверхности" and
// "Текстуры".
//
// Each type has a base texture (one 128 x 128 tile per 20 units of ground,
// drawn from the second level of detail on) and a full texture of 2 x 2
// such tiles (the nearest level picks one at random per 20 units, so the
// ground does not repeat); every tile is made from one noise that repeats
// over the tile, and the tiles of the full texture differ only inside, so
// that any two of them meet without a seam. Grass also has an overlay of
// scattered blades (its detail texture, drawn with alpha over the near
// ground).
#include "tools/mksample/SampleLocation.h"

#include "foundation/DataBase.h"
#include "graphics/ImageFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleMeshKit.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

bool WriteSampleTerrain(const std::string& root);

namespace
{
constexpr int kTile = 128;
constexpr float kPi = 3.14159265f;

// Noises that repeat over a tile: each is read at tile fractions times a
// whole multiple of its period, so every tile meets itself without a seam.
struct SNoises
{
    CTileNoise broad{4, 9107}, mid{16, 9108}, fine{64, 9109};
};

// The colour of a land at (tx, ty), fractions of a tile, in variation v (0
// the base, 1-4 the full texture's tiles); `inside` is 0 at the tile's edge
// and 1 in its middle, where the variations may differ.
using LandPaint = std::uint32_t (*)(const SNoises& n, float tx, float ty, int v, float inside);

std::uint32_t Grass(const SNoises& n, float tx, float ty, int v, float inside)
{
    const float broad = n.broad.Fractal(tx * 4.0f, ty * 4.0f, 3);
    const float fine = n.fine.At(tx * 64.0f, ty * 64.0f);
    const float patch = inside * n.mid.At(tx * 16.0f + 5.3f * float(v), ty * 16.0f + 2.9f * float(v));
    std::uint32_t c = MixColour(0xFF3E7A2Au, 0xFF78A844u, broad * 0.8f + patch * 0.4f);
    c = ScaleColour(c, 0.86f + 0.28f * fine);
    // Now and then a small yellow flower in the varied tiles.
    if (v > 0 && inside > 0.3f && n.fine.At(tx * 64.0f + 7.7f * float(v), ty * 64.0f + 3.1f) > 0.9f)
        c = 0xFFE8D850u;
    return c;
}

std::uint32_t Rock(const SNoises& n, float tx, float ty, int v, float inside)
{
    const float broad = n.broad.Fractal(tx * 4.0f + 1.5f, ty * 4.0f, 4);
    const float strata = 0.5f + 0.5f * std::sin(ty * 8.0f * kPi + broad * 6.0f);
    const float crack = std::fabs(n.mid.At(tx * 16.0f + 2.2f * float(v) * inside, ty * 16.0f) - 0.5f);
    std::uint32_t c = MixColour(0xFF6E665Cu, 0xFFA49A8Cu, broad * 0.7f + strata * 0.3f);
    if (crack < 0.03f) c = ScaleColour(c, 0.6f);
    return ScaleColour(c, 0.92f + 0.16f * n.fine.At(tx * 64.0f, ty * 64.0f));
}

std::uint32_t Sand(const SNoises& n, float tx, float ty, int v, float inside)
{
    const float grain = n.fine.At(tx * 64.0f + 0.5f, ty * 64.0f + 0.5f);
    const float broad = n.broad.Fractal(tx * 4.0f + 2.5f, ty * 4.0f, 2);
    const float ripple =
        0.5f + 0.5f * std::sin((tx * 8.0f + ty * 4.0f) * 2.0f * kPi + inside * float(v) * broad * 4.0f);
    const std::uint32_t c = MixColour(0xFFC4A470u, 0xFFE6D09Cu, broad * 0.6f + ripple * 0.25f);
    return ScaleColour(c, 0.9f + 0.2f * grain);
}

std::uint32_t Shore(const SNoises& n, float tx, float ty, int v, float inside)
{
    const float broad = n.broad.Fractal(tx * 4.0f + 3.5f, ty * 4.0f, 3);
    const float pebble = n.fine.At(tx * 64.0f + 4.1f * float(v) * inside, ty * 64.0f + 9.0f);
    std::uint32_t c = MixColour(0xFF8A7A5Au, 0xFFB4A27Cu, broad);
    if (pebble > 0.8f) c = MixColour(0xFF8C8C88u, 0xFFB8B8B0u, (pebble - 0.8f) * 5.0f);
    return c;
}

std::vector<std::uint32_t> Tile(const SNoises& noises, LandPaint paint, int v)
{
    std::vector<std::uint32_t> px(std::size_t(kTile * kTile));
    for (int y = 0; y < kTile; ++y)
        for (int x = 0; x < kTile; ++x)
        {
            const float tx = float(x) / float(kTile), ty = float(y) / float(kTile);
            const float inside = std::sin(kPi * (float(x) + 0.5f) / float(kTile)) *
                                 std::sin(kPi * (float(y) + 0.5f) / float(kTile));
            px[std::size_t(y * kTile + x)] = paint(noises, tx, ty, v, inside);
        }
    return px;
}

// The full texture: tiles 1-4 in a 2 x 2 grid.
std::vector<std::uint32_t> FullTexture(const SNoises& noises, LandPaint paint)
{
    std::vector<std::uint32_t> px(std::size_t(4 * kTile * kTile));
    for (int v = 0; v < 4; ++v)
    {
        const std::vector<std::uint32_t> tile = Tile(noises, paint, v + 1);
        const int ox = (v % 2) * kTile, oy = (v / 2) * kTile;
        for (int y = 0; y < kTile; ++y)
            for (int x = 0; x < kTile; ++x)
                px[std::size_t((oy + y) * 2 * kTile + ox + x)] = tile[std::size_t(y * kTile + x)];
    }
    return px;
}

// Blades of grass scattered over a clear ground: the overlay of the near
// grass.
std::vector<std::uint32_t> GrassBlades(const SNoises& noises)
{
    std::vector<std::uint32_t> px(std::size_t(kTile * kTile), 0x00000000u);
    for (int y = 0; y < kTile; ++y)
        for (int x = 0; x < kTile; ++x)
        {
            const float n = noises.fine.At(float(x) / float(kTile) * 128.0f, float(y) / float(kTile) * 32.0f);
            if (n > 0.72f)
                px[std::size_t(y * kTile + x)] = (n > 0.85f ? 0xC0000000u : 0x80000000u) |
                                                 (MixColour(0xFF2A5A1Cu, 0xFF9AC860u, (n - 0.72f) * 3.5f) & 0xFFFFFFu);
        }
    return px;
}

struct SLand
{
    const char* key;
    const char* name; // UTF-8
    std::uint16_t gid;
    const char* texture;
    const char* full;
    const char* file;
    LandPaint paint;
    std::int32_t regular; // 1: opaque layer; 0: blends into the layers drawn before it
    struct SDetail
    {
        const char* model;
        float frequency, scale;
        std::int32_t kind;
    } details[2];
};

const SLand kLands[] = {
    {"LAND_GRASS", "Трава", kSampleLandGrass, "TEX_LAND_GRASS", "TEX_LAND_GRASS_FULL", "grass", Grass, 1,
     {{"MOD_GRASS", 4.0f, 1.5f, 0}, {"MOD_PEBBLE", 0.3f, 1.0f, 1}}},
    {"LAND_SHORE", "Берег", kSampleLandShore, "TEX_LAND_SHORE", "TEX_LAND_SHORE_FULL", "shore", Shore, 0,
     {{"MOD_PEBBLE", 4.0f, 1.2f, 1}, {nullptr, 0, 0, 0}}},
    {"LAND_ROCK", "Скалы", kSampleLandRock, "TEX_LAND_ROCK", "TEX_LAND_ROCK_FULL", "rock", Rock, 0,
     {{"MOD_PEBBLE", 1.0f, 2.0f, 1}, {nullptr, 0, 0, 0}}},
    {"LAND_SAND", "Песок", kSampleLandSand, "TEX_LAND_SAND", "TEX_LAND_SAND_FULL", "sand", Sand, 0,
     {{"MOD_PEBBLE", 0.5f, 0.8f, 1}, {nullptr, 0, 0, 0}}},
};

bool WriteTexture(const std::string& path, const std::vector<std::uint32_t>& px, int size, std::uint32_t format)
{
    if (WriteImageFile(path.c_str(), MakeImageLevels(px, std::uint32_t(size), std::uint32_t(size)), false, format))
        return true;
    std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
    return false;
}

bool AddRecords(DataBase& db)
{
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str());
    auto texture = [&](const std::string& key, const std::string& file, std::int32_t type)
    {
        ok = ok && db.Append(key.c_str()) && db.SetField("Filename", ("Data\\Textures\\" + file).c_str()) &&
             db.SetField("Type", std::int32_t(0)) && db.SetField("Color", std::int32_t(0)) &&
             db.SetField("LOD", std::int32_t(0)) && db.SetField("TEXTURETYPE", type) && db.Post();
    };
    for (const SLand& land : kLands)
    {
        texture(land.texture, std::string("land_") + land.file + ".tm", 0);
        texture(land.full, std::string("land_") + land.file + "_full.tm", 0);
    }
    texture("TEX_LAND_BLADES", "land_blades.tm", 2);
    ok = ok && db.SelectTable(plat::Utf8ToCp1251("Поверхности").c_str());
    for (const SLand& land : kLands)
    {
        ok = ok && db.Append(land.key) && db.SetField("Name", plat::Utf8ToCp1251(land.name).c_str()) &&
             db.SetField("GID", std::int32_t(land.gid)) && db.SetField("Vertical", std::int32_t(0)) &&
             db.SetField("Texture", land.texture) && db.SetField("TextureFull", land.full) &&
             db.SetField("Animated", std::int32_t(0)) && db.SetField("Regular", land.regular) &&
             db.SetField("Height", 5.0f) && db.SetField("Width", 1.0f) && db.SetField("SAMPLES", std::int32_t(4)) &&
             db.SetField("TextureDetail", land.gid == kSampleLandGrass ? "TEX_LAND_BLADES" : "") &&
             db.SetField("SPECDETAIL", std::int32_t(0)) && db.SetField("DIFFBUMP", std::int32_t(0)) &&
             db.SetField("IDHORIZONT", land.key) && db.SetField("SELFILLUM", std::int32_t(0));
        // The detail objects: columns MODEL0..MODEL9 (see SampleDatabase.cpp).
        for (int k = 0; k < 2 && land.details[k].model; ++k)
        {
            const std::string d(1, char('0' + k));
            ok = ok && db.SetField(("MODEL" + d).c_str(), land.details[k].model) &&
                 db.SetField(("FREQ" + d).c_str(), land.details[k].frequency) &&
                 db.SetField(("SCALE" + d).c_str(), land.details[k].scale) &&
                 db.SetField(("TYPE" + d).c_str(), land.details[k].kind);
        }
        ok = ok && db.Post();
    }
    return ok;
}
} // namespace

// Called after the database exists.
bool WriteSampleTerrain(const std::string& root)
{
    const std::string dir = root + "\\Data\\Textures\\";
    const SNoises noises;
    for (const SLand& land : kLands)
    {
        const std::string stem = dir + "land_" + land.file;
        if (!WriteTexture(stem + ".tm", Tile(noises, land.paint, 0), kTile, kImageFormatX8R8G8B8) ||
            !WriteTexture(stem + "_full.tm", FullTexture(noises, land.paint), 2 * kTile, kImageFormatX8R8G8B8))
            return false;
    }
    if (!WriteTexture(dir + "land_blades.tm", GrassBlades(noises), kTile, kImageFormatA8R8G8B8)) return false;
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    DataBase db;
    const bool ok = db.OpenDatabase((base + "\\Data\\DB.dat").c_str(), false, false) && AddRecords(db);
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the land types to Data\\DB.dat\n");
        return false;
    }
    return true;
}
