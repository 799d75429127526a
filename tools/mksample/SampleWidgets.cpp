// The game widgets' sample pictures and item models:
// - "TEX_INT_UI_STARS" (256 x 256): the modification stars, one 16 x 14
//   star per level 1-15 at column 16 x level - 11, in the rows 76, 94 and
//   112 of the three properties (gold, silver, blue), brighter with the
//   level;
// - the pieces the widgets cut from "TEX_INT_UII" (painted into the menus'
//   sheet, see PaintWidgetSheetPieces): the selection corner at (217, 0),
//   the item tile's ground at (72, 0) and its drop-target ground at
//   (144, 0), the empty slot at (292, 3), the slider track at (0, 387) and
//   the map's compass at (184, 638);
// - the tile's fill gauge at (371, 0), painted into the cockpit sheet
//   "TEX_INT_UI1" (see PaintWidgetPieces); the scroll bars' and the map's
//   7 x 7 corners there are the menus' (SampleMenus.cpp);
// - the goods' item models the goods grid turns in its cells:
//   "MOD_TOV_ORE" (a rock) and "MOD_TOV_FOOD" (a barrel), each with its own
//   small texture, named by the goods' rows (SampleUnits.cpp). The gun and
//   glider cells show the models the world flies with (their type rows).
// Model space: z up, as the interface's model view shows it.
#include "tools/mksample/SampleWidgets.h"

#include "foundation/DataBase.h"
#include "graphics/ImageFile.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr float kPi = 3.14159265358979f;

// ---- pictures

class CCanvas
{
public:
    CCanvas(int width, int height, std::vector<std::uint32_t>& pixels)
        : m_nWidth(width), m_nHeight(height), m_Pixels(pixels)
    {
    }
    void Put(int x, int y, std::uint32_t colour)
    {
        if (x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight) m_Pixels[std::size_t(y * m_nWidth + x)] = colour;
    }
    void Fill(int x, int y, int w, int h, std::uint32_t colour)
    {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                Put(i, j, colour);
    }
    void Outline(int x, int y, int w, int h, std::uint32_t colour)
    {
        Fill(x, y, w, 1, colour);
        Fill(x, y + h - 1, w, 1, colour);
        Fill(x, y, 1, h, colour);
        Fill(x + w - 1, y, 1, h, colour);
    }

private:
    int m_nWidth, m_nHeight;
    std::vector<std::uint32_t>& m_Pixels;
};

std::uint32_t Scale(std::uint32_t colour, float f)
{
    auto channel = [&](int shift) { return std::uint32_t(std::min(255.0f, float((colour >> shift) & 0xFF) * f)); };
    return (colour & 0xFF000000u) | channel(16) << 16 | channel(8) << 8 | channel(0);
}

// A five-pointed star in a w x h cell: inside when the point's radius is
// below the star's outline at its angle.
bool InStar(float x, float y, float w, float h)
{
    const float cx = w * 0.5f, cy = h * 0.55f;
    const float dx = (x - cx) / (w * 0.5f), dy = (y - cy) / (h * 0.55f);
    const float r = std::sqrt(dx * dx + dy * dy);
    const float a = std::atan2(dx, -dy); // 0 at the top point
    const float sector = std::fmod(a + 2.0f * kPi, 2.0f * kPi / 5.0f) / (2.0f * kPi / 5.0f);
    const float edge = 0.42f + 0.58f * std::fabs(sector - 0.5f) * 2.0f;
    return r <= edge;
}

std::vector<std::uint32_t> StarsSheet()
{
    std::vector<std::uint32_t> pixels(256 * 256, 0);
    CCanvas s(256, 256, pixels);
    const std::uint32_t kRowColours[3] = {0xFFFFC830u, 0xFFD8E0E8u, 0xFF50A8FFu};
    const int kRows[3] = {76, 94, 112};
    for (int row = 0; row < 3; ++row)
        for (int level = 1; level <= 15; ++level)
        {
            const int x0 = 16 * level - 11, y0 = kRows[row];
            const std::uint32_t colour = Scale(kRowColours[row], 0.6f + 0.04f * float(level));
            for (int y = 0; y < 14; ++y)
                for (int x = 0; x < 16; ++x)
                    if (InStar(float(x) + 0.5f, float(y) + 0.5f, 16.0f, 14.0f)) s.Put(x0 + x, y0 + y, colour);
        }
    return pixels;
}

// ---- models

struct SItemVertex
{
    float p[3];
    float n[3];
    float uv[2];
};
static_assert(sizeof(SItemVertex) == 32); // FVF 0x112
constexpr std::uint32_t kItemFvf = 0x112;

struct SPoint
{
    float x, y, z;
};

SPoint Sub(const SPoint& a, const SPoint& b)
{
    return SPoint{a.x - b.x, a.y - b.y, a.z - b.z};
}

SPoint Cross(const SPoint& a, const SPoint& b)
{
    return SPoint{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const SPoint& a, const SPoint& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Flat-shaded triangles; each piece is convex, and its triangles are wound
// with their normal pointing away from the piece's centre.
class CShape
{
public:
    void Triangle(SPoint a, SPoint b, SPoint c, const SPoint& centre)
    {
        SPoint n = Cross(Sub(b, a), Sub(c, a));
        const SPoint mid{(a.x + b.x + c.x) / 3.0f, (a.y + b.y + c.y) / 3.0f, (a.z + b.z + c.z) / 3.0f};
        if (Dot(n, Sub(mid, centre)) < 0.0f)
        {
            std::swap(b, c);
            n = SPoint{-n.x, -n.y, -n.z};
        }
        const float length = std::sqrt(Dot(n, n));
        if (length <= 0.0f) return;
        n = SPoint{n.x / length, n.y / length, n.z / length};
        for (const SPoint* p : {&a, &b, &c})
        {
            // The texture runs round the piece and up it.
            const float u = 0.5f + std::atan2(p->y - centre.y, p->x - centre.x) / (2.0f * kPi);
            const float v = 0.5f - (p->z - centre.z);
            m_Vertices.push_back(SItemVertex{{p->x, p->y, p->z}, {n.x, n.y, n.z}, {u, v}});
        }
    }
    // A box from lo to hi.
    void Box(const SPoint& lo, const SPoint& hi)
    {
        const SPoint centre{(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
        auto corner = [&](int i)
        { return SPoint{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z}; };
        static const int kFaces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                         {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
        for (const auto& f : kFaces)
        {
            Triangle(corner(f[0]), corner(f[1]), corner(f[2]), centre);
            Triangle(corner(f[0]), corner(f[2]), corner(f[3]), centre);
        }
    }
    // A prism of n sides round the z axis through (cx, cy), radius r.
    void Prism(float cx, float cy, float r, float z0, float z1, int n)
    {
        const SPoint centre{cx, cy, (z0 + z1) * 0.5f};
        for (int i = 0; i < n; ++i)
        {
            const float a0 = 2.0f * kPi * float(i) / float(n), a1 = 2.0f * kPi * float(i + 1) / float(n);
            const SPoint b0{cx + r * std::cos(a0), cy + r * std::sin(a0), z0};
            const SPoint b1{cx + r * std::cos(a1), cy + r * std::sin(a1), z0};
            const SPoint t0{b0.x, b0.y, z1}, t1{b1.x, b1.y, z1};
            Triangle(b0, b1, t1, centre);
            Triangle(b0, t1, t0, centre);
            Triangle(SPoint{cx, cy, z0}, b0, b1, centre);
            Triangle(SPoint{cx, cy, z1}, t0, t1, centre);
        }
    }

    std::unique_ptr<CMesh> Mesh() const
    {
        const std::int32_t count = std::int32_t(m_Vertices.size());
        auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kItemFvf, count, 1, count);
        std::memcpy(mesh->m_pVertices, m_Vertices.data(), m_Vertices.size() * sizeof(SItemVertex));
        for (std::int32_t i = 0; i < count; ++i)
            mesh->m_pIndices[i] = std::uint16_t(i);
        return mesh;
    }

    std::vector<SItemVertex> m_Vertices;
};

CShape Rock()
{
    CShape s;
    // An uneven double pyramid over a ring of seven points.
    const SPoint top{0.1f, 0.0f, 0.8f}, bottom{-0.1f, 0.1f, -0.6f};
    static const float kRadii[7] = {0.9f, 0.7f, 1.0f, 0.75f, 0.95f, 0.65f, 0.85f};
    const SPoint centre{0.0f, 0.0f, 0.05f};
    for (int i = 0; i < 7; ++i)
    {
        const float a0 = 2.0f * kPi * float(i) / 7.0f, a1 = 2.0f * kPi * float(i + 1) / 7.0f;
        const SPoint p0{kRadii[i] * std::cos(a0), kRadii[i] * std::sin(a0), (i % 2) * 0.15f};
        const SPoint p1{kRadii[(i + 1) % 7] * std::cos(a1), kRadii[(i + 1) % 7] * std::sin(a1),
                        ((i + 1) % 2) * 0.15f};
        s.Triangle(top, p0, p1, centre);
        s.Triangle(bottom, p0, p1, centre);
    }
    return s;
}

CShape Barrel()
{
    CShape s;
    s.Prism(0.0f, 0.0f, 0.55f, -0.7f, 0.7f, 10);
    s.Prism(0.0f, 0.0f, 0.62f, -0.15f, 0.15f, 10);
    return s;
}

// A 16 x 16 texture: a ground colour with a band, so that the turn shows.
std::vector<std::uint32_t> ItemTexture(std::uint32_t ground, std::uint32_t band)
{
    std::vector<std::uint32_t> px(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
        {
            const bool inBand = (x / 4) % 2 == 0 && y >= 6 && y < 10;
            px[std::size_t(y * 16 + x)] = inBand ? band : Scale(ground, 0.85f + 0.15f * float((x + y) % 3));
        }
    return px;
}

void SetWhiteMaterial(CModel& model)
{
    float* m = reinterpret_cast<float*>(&model.m_Material);
    for (int c = 0; c < 16; ++c)
        m[c] = (c < 8) ? 1.0f : 0.0f; // diffuse and ambient white
    m[16] = 8.0f;
    model.m_iMaterial = 0;
    model.m_iTechnique = SHADER_NORMAL;
}

bool WriteItemModel(const std::string& path, const CShape& shape, const char* partName, const char* texture)
{
    CModel model;
    model.m_bShared = false; // heap meshes only: no device here
    model.SetMesh(shape.Mesh().release());
    SetWhiteMaterial(model);
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    std::uint8_t header[kModelFileHeaderSize] = {};
    const std::int32_t parts = 1;
    std::memcpy(header, &parts, sizeof parts);
    SModelFilePart part{};
    std::snprintf(part.name, sizeof part.name, "%s", partName);
    for (auto& slot : part.textures)
        std::snprintf(slot, sizeof slot, "%s", "_DEFAULT_");
    std::snprintf(part.textures[0], sizeof part.textures[0], "%s", texture);
    part.groupMask = 1;
    bool ok = std::fwrite(header, sizeof header, 1, file) == 1 && std::fwrite(&part, sizeof part, 1, file) == 1 &&
              model.Save(file);
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

bool WriteTexture(const std::string& path, const std::vector<std::uint32_t>& pixels, std::uint32_t size,
                  std::uint32_t format)
{
    if (WriteImageFile(path.c_str(), MakeImageLevels(pixels, size, size), false, format)) return true;
    std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
    return false;
}

struct SItem
{
    const char* model;
    const char* file;
    CShape (*shape)();
    const char* texture;
    const char* textureFile;
    std::uint32_t ground, band;
};

const SItem kItems[] = {
    {"MOD_TOV_ORE", "Data\\Models\\item_ore.mdl", Rock, "TEX_ITEM_ORE", "Data\\Textures\\item_ore.tm", 0xFF8C7A68u,
     0xFFC0A040u},
    {"MOD_TOV_FOOD", "Data\\Models\\item_food.mdl", Barrel, "TEX_ITEM_FOOD", "Data\\Textures\\item_food.tm",
     0xFF3C8C3Cu, 0xFFE8D040u},
};
} // namespace

void PaintWidgetPieces(std::vector<std::uint32_t>& ui1)
{
    if (ui1.size() != 1024u * 1024u) return;
    CCanvas s(1024, 1024, ui1);
    // The fill gauge: amber, brighter towards its top.
    for (int y = 0; y < 128; ++y)
        s.Fill(371, y, 128, 1, Scale(0xE0F0A020u, 0.6f + 0.4f * float(128 - y) / 128.0f));
}

void PaintWidgetSheetPieces(std::vector<std::uint32_t>& uii)
{
    if (uii.size() != 1024u * 1024u) return;
    CCanvas s(1024, 1024, uii);
    // The selection corner: a bright bracket three pixels thick.
    s.Fill(217, 0, 24, 3, 0xFFFFFFFFu);
    s.Fill(217, 0, 3, 24, 0xFFFFFFFFu);
    s.Fill(220, 3, 10, 1, 0xFF80E0FFu);
    s.Fill(220, 3, 1, 10, 0xFF80E0FFu);
    // The tile grounds: dark blue, and green for a tile that takes drops,
    // lighter towards the top.
    for (int y = 0; y < 128; ++y)
    {
        const float f = 1.0f - float(y) / 256.0f;
        s.Fill(72, y, 72, 1, Scale(0xC0305070u, f));
        s.Fill(144, y, 72, 1, Scale(0xC0307040u, f));
    }
    s.Outline(72, 0, 72, 128, 0xFF6090B0u);
    s.Outline(144, 0, 72, 128, 0xFF60B070u);
    // The empty slot: a dashed square.
    for (int i = 0; i < 51; i += 4)
    {
        s.Fill(292 + i, 3, 2, 1, 0xC0FFFFFFu);
        s.Fill(292 + i, 53, 2, 1, 0xC0FFFFFFu);
        s.Fill(292, 3 + i, 1, 2, 0xC0FFFFFFu);
        s.Fill(342, 3 + i, 1, 2, 0xC0FFFFFFu);
    }
    // The slider track: a groove with a light edge.
    s.Fill(0, 387, 223, 11, 0x60000000u);
    s.Fill(0, 391, 223, 3, 0xFF203040u);
    s.Fill(0, 394, 223, 1, 0xFFA0C0D0u);
    // The compass: a ring, the cross and a red north point.
    for (int y = 0; y < 75; ++y)
        for (int x = 0; x < 75; ++x)
        {
            const float dx = float(x) - 37.0f, dy = float(y) - 37.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            if (std::fabs(r - 33.0f) < 1.5f || (r < 33.0f && (x == 37 || y == 37)))
                s.Put(184 + x, 638 + y, 0xC0FFFFFFu);
            if (dy < 0.0f && std::fabs(dx) < (37.0f + dy) * 0.25f && r < 30.0f && r > 6.0f)
                s.Put(184 + x, 638 + y, 0xFFFF4030u);
        }
}

bool WriteSampleWidgets(const std::string& root)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    auto inRoot = [&](const char* path) { return base + "\\" + path; };
    if (!WriteTexture(inRoot("Data\\Textures\\int_ui_stars.tm"), StarsSheet(), 256, kImageFormatA8R8G8B8))
        return false;
    for (const SItem& item : kItems)
    {
        if (!WriteTexture(inRoot(item.textureFile), ItemTexture(item.ground, item.band), 16, kImageFormatX8R8G8B8))
            return false;
        if (!WriteItemModel(inRoot(item.file), item.shape(), "ITEM", item.texture))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", item.file);
            return false;
        }
    }

    DataBase db;
    if (!db.OpenDatabase(inRoot("Data\\DB.dat").c_str(), false, false)) return false;
    struct STextureRow
    {
        const char* name;
        const char* file;
        std::int32_t textureType;
    };
    std::vector<STextureRow> textures = {{"TEX_INT_UI_STARS", "Data\\Textures\\int_ui_stars.tm", 2}};
    for (const SItem& item : kItems)
        textures.push_back({item.texture, item.textureFile, 0});
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str());
    for (const STextureRow& t : textures)
        ok = ok && db.Append(t.name) && db.SetField("Filename", t.file) && db.SetField("Type", std::int32_t(0)) &&
             db.SetField("Color", std::int32_t(0)) && db.SetField("LOD", std::int32_t(0)) &&
             db.SetField("TEXTURETYPE", t.textureType) && db.Post();
    // Radius 0: the model manager measures each model at start.
    ok = ok && db.SelectTable(plat::Utf8ToCp1251("Модели").c_str());
    for (const SItem& item : kItems)
        ok = ok && db.Append(item.model) && db.SetField("Filename", item.file) && db.SetField("Radius", 0.0f) &&
             db.Post();
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the widget textures and item models to Data\\DB.dat\n");
        return false;
    }
    return true;
}
