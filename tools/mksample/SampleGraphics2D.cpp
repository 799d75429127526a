// mksample's complex object with a particle system and its 2-D image:
// "Data\Models\sparks.mdl" (a plate, an "FX" marker and a point-sprite
// particle system, written with CComplexObject::Save), the 302 x 200
// picture "Data\Images\sample2d.tga" (two 256 x 256 tiles, the second one
// cut at the right edge) and the record "SUF_SAMPLE" that points at it. The
// "small" and "big" fonts are written with the loading screen
// (SampleLoading.cpp), the land types with the ground (SampleTerrain.cpp).

#include "foundation/DataBase.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ParticleSystem.h"
#include "graphics/TexShaderManager.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleTextures.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct SPlateVertex
{
    float p[3];
    float n[3];
    float uv[2];
};
static_assert(sizeof(SPlateVertex) == 32); // FVF 0x112

constexpr std::uint32_t kPlateFvf = 0x112;
constexpr std::uint32_t kImageWidth = 302, kImageHeight = 200;

std::string InRoot(const std::string& root, const char* path)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + path;
}

// A flat square of side `size` at height z, facing up.
std::unique_ptr<CMesh> MakePlate(float size, float z)
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kPlateFvf, 4, 1, 6);
    auto* v = reinterpret_cast<SPlateVertex*>(mesh->m_pVertices);
    for (int k = 0; k < 4; ++k)
    {
        const float x = (k % 2) ? 0.5f : -0.5f, y = (k / 2) ? 0.5f : -0.5f;
        v[k] = SPlateVertex{{x * size, y * size, z}, {0, 0, 1}, {float(k % 2), float(k / 2)}};
    }
    static const std::uint16_t kIndices[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(mesh->m_pIndices, kIndices, sizeof kIndices);
    return mesh;
}

SObjectPart Part(std::int32_t type, const char* name, const char* texture, std::uint32_t groupMask)
{
    SObjectPart part;
    part.m_Record.type = type;
    std::snprintf(part.m_Record.name, sizeof part.m_Record.name, "%s", name);
    for (auto& slot : part.m_Record.textures)
        std::snprintf(slot, sizeof slot, "%s", "_DEFAULT_");
    if (texture) std::snprintf(part.m_Record.textures[0], sizeof part.m_Record.textures[0], "%s", texture);
    part.m_Record.groupMask = groupMask;
    return part;
}

std::unique_ptr<CModel> PlateModel(float size, float z)
{
    auto model = std::make_unique<CModel>();
    model->m_bShared = false; // heap meshes only: no device here
    model->SetMesh(MakePlate(size, z).release());
    float* m = reinterpret_cast<float*>(&model->m_Material);
    for (int c = 0; c < 16; ++c)
        m[c] = (c < 8) ? 1.0f : 0.0f; // diffuse and ambient white
    m[16] = 8.0f;
    model->m_iMaterial = 0;
    model->m_iTechnique = SHADER_NORMAL;
    return model;
}

// A fountain of point sprites rising from the marker, textured with the
// sample colour picture.
std::unique_ptr<CParticleViewer> Sparks()
{
    auto sparks = std::make_unique<CParticleViewer>();
    SParticleRender& r = sparks->m_Render;
    r.kind = 0;
    std::snprintf(r.texture, sizeof r.texture, "%s", "TEX_SAMPLECOLOR");
    r.sizeBirth = 0.3f;
    r.sizeDeath = 0.05f;
    SEmitterParams p = SEmitterParams::Defaults();
    p.maxParticles = 200;
    p.lifetime = 2.0f;
    p.rate = 40.0f;
    p.speed = 2.0f;
    p.spread = 0.4f;
    p.gravity = -2.0f;
    p.gravityOn = 1;
    p.systemLifetime = 0.0f;
    sparks->Init(p);
    return sparks;
}

bool WriteSparksObject(const std::string& path)
{
    CComplexObject object;
    SObjectPart plate = Part(0, "PLATE", "TEX_BOX", 1);
    plate.m_pModel = PlateModel(1.0f, 0.0f);
    SObjectPart marker = Part(1, "FX", nullptr, 0);
    marker.m_pModel = PlateModel(0.1f, 0.1f);
    SObjectPart sparks = Part(4, "SPARKS", nullptr, 2);
    sparks.m_pParticles = Sparks();
    object.m_Parts.push_back(std::move(plate));
    object.m_Parts.push_back(std::move(marker));
    object.m_Parts.push_back(std::move(sparks));
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = object.Save(file);
    return std::fclose(file) == 0 && ok;
}

// Diagonal stripes over a frame one pixel wide: a wrong tile edge shows as
// a broken stripe or a missing frame line.
bool WriteImage(const std::string& path)
{
    std::vector<std::uint32_t> px(std::size_t(kImageWidth) * kImageHeight);
    for (std::uint32_t y = 0; y < kImageHeight; ++y)
        for (std::uint32_t x = 0; x < kImageWidth; ++x)
        {
            const bool frame = x == 0 || y == 0 || x == kImageWidth - 1 || y == kImageHeight - 1;
            const bool stripe = (x + y) / 16 % 2 == 0;
            px[std::size_t(y) * kImageWidth + x] = frame ? 0xFFFFFFFFu : stripe ? 0xFF3070D0u : 0xC0203040u;
        }
    return WriteTga(path, px, kImageWidth, kImageHeight);
}

bool AddRecords(const std::string& root)
{
    DataBase db;
    if (!db.OpenDatabase(InRoot(root, "Data\\DB.dat").c_str(), false, false)) return false;
    // "Data\\Models\\sparks.mdl" gets its "Модели" record ("MOD_SPARKS") once
    // the game installs the complex-object factory before the model list is
    // read: the stand-in model object does not read particle parts and would
    // log the record as an error.
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Изображения").c_str()) && db.Append("SUF_SAMPLE") &&
              db.SetField("Filename", "Data\\Images\\sample2d.tga") &&
              db.SetField("WIDTH", std::int32_t(kImageWidth)) &&
              db.SetField("HEIGHT", std::int32_t(kImageHeight)) && db.SetField("NOFILTER", std::int32_t(0)) &&
              db.SetField("NOFILTERALPHA", std::int32_t(0)) && db.Post();
    return db.CloseDatabase() && ok;
}
} // namespace

// Called after the database, the sample textures and models are written.
bool WriteSampleGraphics2D(const std::string& root)
{
    const std::string object = root + "\\Data\\Models\\sparks.mdl";
    const std::string image = root + "\\Data\\Images\\sample2d.tga";
    if (!WriteSparksObject(object))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", object.c_str());
        return false;
    }
    if (!WriteImage(image))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", image.c_str());
        return false;
    }
    if (!AddRecords(root))
    {
        std::fprintf(stderr, "mksample: cannot add the complex object and image records to Data\\DB.dat\n");
        return false;
    }
    return true;
}
