// mksample's models and their texture list: a textured box whose top lifts
// with a one-key animation and that carries an "FX" marker, written with the
// engine's own model writer (CModel::Save) and image writer; the fights'
// models: the gun with its fire points, its muzzle flash, the mine and the
// particle trails of rockets, splinters and the hover dust; and the records
// of "Текстуры" and "Модели" that point at them and at the sample's
// procedural models (the glider, its flame, the hall, the station and the
// machines, written by SampleProps.cpp).

#include "foundation/DataBase.h"
#include "graphics/ComplexObject.h"
#include "graphics/ImageFile.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/ParticleSystem.h"
#include "graphics/TexShaderManager.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleMeshKit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{
struct SBoxVertex
{
    float p[3];
    float n[3];
    float uv[2];
};
static_assert(sizeof(SBoxVertex) == 32); // FVF 0x112

constexpr std::uint32_t kBoxFvf = 0x112;
constexpr std::uint32_t kTextureSize = 32;

// The two triangles of quad q, whose four vertices from 4 x q on run
// across its first row, then its second.
void AddQuadIndices(CMesh& mesh, int q)
{
    const std::uint16_t base = std::uint16_t(q * 4);
    const std::uint16_t tri[6] = {base,
                                  std::uint16_t(base + 1),
                                  std::uint16_t(base + 2),
                                  std::uint16_t(base + 2),
                                  std::uint16_t(base + 1),
                                  std::uint16_t(base + 3)};
    std::memcpy(mesh.m_pIndices + q * 6, tri, sizeof tri);
}

// A unit box around the origin, four vertices per face so that every face
// has its own normal and the whole texture; `lift` raises the top face.
std::unique_ptr<CMesh> MakeBox(float lift)
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kBoxFvf, 24, 1, 36);
    auto* v = reinterpret_cast<SBoxVertex*>(mesh->m_pVertices);
    static const float kNormals[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; ++f)
    {
        const float* n = kNormals[f];
        // Two axes across the face: the ones the normal does not point along.
        const int a = n[0] != 0 ? 1 : 0, b = n[2] != 0 ? 1 : 2;
        for (int k = 0; k < 4; ++k)
        {
            SBoxVertex& out = v[f * 4 + k];
            for (int c = 0; c < 3; ++c)
                out.p[c] = n[c] * 0.5f;
            out.p[a] = (k % 2) ? 0.5f : -0.5f;
            out.p[b] = (k / 2) ? 0.5f : -0.5f;
            if (out.p[2] > 0.0f) out.p[2] += lift;
            std::memcpy(out.n, n, sizeof out.n);
            out.uv[0] = float(k % 2);
            out.uv[1] = float(k / 2);
        }
        AddQuadIndices(*mesh, f);
    }
    return mesh;
}

// The marker: nine vertices on four points above the box: the origin holds
// three, forward (farthest), right and top two each.
std::unique_ptr<CMesh> MakeMarker()
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kBoxFvf, 9, 1, 9);
    auto* v = reinterpret_cast<SBoxVertex*>(mesh->m_pVertices);
    static const float kPoints[9][3] = {{0, 0, 0.5f},    {0, 0, 0.5f}, {0, 0, 0.5f},
                                        {0, 1, 0.5f},    {0, 1, 0.5f}, {0.5f, 0, 0.5f},
                                        {0.5f, 0, 0.5f}, {0, 0, 0.8f}, {0, 0, 0.8f}};
    for (int i = 0; i < 9; ++i)
    {
        v[i] = SBoxVertex{{kPoints[i][0], kPoints[i][1], kPoints[i][2]}, {0, 0, 1}, {0, 0}};
        mesh->m_pIndices[i] = std::uint16_t(i);
    }
    return mesh;
}

void SetWhiteMaterial(CModel& model, std::int32_t technique)
{
    float* m = reinterpret_cast<float*>(&model.m_Material);
    for (int c = 0; c < 16; ++c)
        m[c] = (c < 8) ? 1.0f : 0.0f; // diffuse and ambient white
    m[16] = 8.0f;
    model.m_iMaterial = 0;
    model.m_iTechnique = technique;
}

SModelFilePart Part(std::int32_t type, const char* name, const char* texture)
{
    SModelFilePart part{};
    part.type = type;
    std::snprintf(part.name, sizeof part.name, "%s", name);
    for (auto& slot : part.textures)
        std::snprintf(slot, sizeof slot, "%s", "_DEFAULT_");
    if (texture) std::snprintf(part.textures[0], sizeof part.textures[0], "%s", texture);
    part.groupMask = 1;
    return part;
}

bool WriteBoxModel(const std::string& path)
{
    CModel box;
    box.m_bShared = false; // heap meshes only: no device here
    box.SetMesh(MakeBox(0.0f).release());
    SetWhiteMaterial(box, SHADER_NORMAL);
    std::unique_ptr<CMesh> lifted = MakeBox(0.5f);
    CMesh* keys[] = {lifted.get()};
    box.AddAnimation(3, "LIFT", keys);

    CModel marker;
    marker.m_bShared = false;
    marker.SetMesh(MakeMarker().release());
    SetWhiteMaterial(marker, SHADER_NORMAL);

    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    std::uint8_t header[kModelFileHeaderSize] = {};
    const std::int32_t parts = 2;
    std::memcpy(header, &parts, sizeof parts);
    const SModelFilePart boxPart = Part(0, "BOX", "TEX_BOX");
    const SModelFilePart markerPart = Part(1, "FX", nullptr);
    bool ok = std::fwrite(header, sizeof header, 1, file) == 1 &&
              std::fwrite(&boxPart, sizeof boxPart, 1, file) == 1 && box.Save(file) &&
              std::fwrite(&markerPart, sizeof markerPart, 1, file) == 1 && marker.Save(file);
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

// A checkerboard in two warm colours, so that the faces show their texture.
bool WriteBoxTexture(const std::string& path)
{
    std::vector<std::uint32_t> px(kTextureSize * kTextureSize);
    for (std::uint32_t y = 0; y < kTextureSize; ++y)
        for (std::uint32_t x = 0; x < kTextureSize; ++x)
            px[y * kTextureSize + x] = ((x / 8 + y / 8) % 2) ? 0xFFE0A040u : 0xFF804020u;
    return WriteImageFile(path.c_str(), MakeImageLevels(px, kTextureSize, kTextureSize), false,
                          kImageFormatX8R8G8B8);
}

std::string InRoot(const std::string& root, const char* path)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + path;
}

// A point marker part of a model file: its name and its point.
struct SPointMarker
{
    const char* name;
    SKitPoint at;
};

// A model file of one drawn part (its mesh, texture and technique) and its
// point markers.
bool WriteMarkedModel(const std::string& path, const char* partName, std::unique_ptr<CMesh> mesh,
                      const char* texture, std::int32_t technique, const std::vector<SPointMarker>& markers,
                      bool glows = false, std::int32_t frameGrid = 0)
{
    CModel body;
    body.m_bShared = false;
    body.SetMesh(mesh.release());
    SetWhiteMaterial(body, technique);
    if (glows)
    {
        float* m = reinterpret_cast<float*>(&body.m_Material);
        for (int c = 12; c < 16; ++c)
            m[c] = 1.0f; // emissive: the same in any light
    }
    body.m_iFrameGrid = frameGrid;
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    std::uint8_t header[kModelFileHeaderSize] = {};
    const std::int32_t parts = 1 + std::int32_t(markers.size());
    std::memcpy(header, &parts, sizeof parts);
    const SModelFilePart bodyPart = Part(0, partName, texture);
    bool ok = std::fwrite(header, sizeof header, 1, file) == 1 &&
              std::fwrite(&bodyPart, sizeof bodyPart, 1, file) == 1 && body.Save(file);
    for (const SPointMarker& m : markers)
    {
        CModel marker;
        marker.m_bShared = false;
        marker.SetMesh(MakePointMarker(m.at).release());
        SetWhiteMaterial(marker, SHADER_NORMAL);
        const SModelFilePart part = Part(1, m.name, nullptr);
        ok = ok && std::fwrite(&part, sizeof part, 1, file) == 1 && marker.Save(file);
    }
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

// A box of the given size about the point c.
std::unique_ptr<CMesh> MakeBlock(const float size[3], const float c[3])
{
    std::unique_ptr<CMesh> box = MakeBox(0.0f);
    auto* v = reinterpret_cast<SBoxVertex*>(box->m_pVertices);
    for (std::int32_t i = 0; i < box->m_nVertexCount; ++i)
        for (int k = 0; k < 3; ++k)
            v[i].p[k] = v[i].p[k] * size[k] + c[k];
    return box;
}

// The sample's gun: a barrel along z with its two fire points "FX" and
// "FX1" at the muzzle and the "FIRE" part the firing moves.
bool WriteGunModel(const std::string& path)
{
    static const float kSize[3] = {0.2f, 0.2f, 0.8f}, kCentre[3] = {0.0f, 0.1f, 0.3f};
    return WriteMarkedModel(path, "BARREL", MakeBlock(kSize, kCentre), "TEX_BOX", SHADER_NORMAL,
                            {{"FX", {-0.05f, 0.1f, 0.72f}}, {"FX1", {0.05f, 0.1f, 0.72f}},
                             {"FIRE", {0.0f, 0.2f, 0.0f}}});
}

// The muzzle flash: three crossed squares, one across the muzzle and two
// along the shot, glowing with the flash's 2 x 2 frames.
std::unique_ptr<CMesh> MakeFlash()
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kBoxFvf, 12, 1, 18);
    auto* v = reinterpret_cast<SBoxVertex*>(mesh->m_pVertices);
    // Each square: its middle, its two half axes, its normal.
    static const float kSquares[3][4][3] = {
        {{0, 0, 0}, {0.25f, 0, 0}, {0, 0.25f, 0}, {0, 0, 1}},
        {{0, 0, 0.4f}, {0.15f, 0, 0}, {0, 0, 0.4f}, {0, 1, 0}},
        {{0, 0, 0.4f}, {0, 0.15f, 0}, {0, 0, 0.4f}, {1, 0, 0}},
    };
    for (int q = 0; q < 3; ++q)
    {
        const auto& s = kSquares[q];
        for (int k = 0; k < 4; ++k)
        {
            const float a = (k % 2) ? 1.0f : -1.0f, b = (k / 2) ? 1.0f : -1.0f;
            SBoxVertex& out = v[q * 4 + k];
            for (int c = 0; c < 3; ++c)
            {
                out.p[c] = s[0][c] + a * s[1][c] + b * s[2][c];
                out.n[c] = s[3][c];
            }
            out.uv[0] = float(k % 2);
            out.uv[1] = float(k / 2);
        }
        AddQuadIndices(*mesh, q);
    }
    return mesh;
}

// A trail of particles (a complex object of one emitter) as missiles,
// splinters and the ground's dust carry them: quads of the texture, alpha
// blended (technique 24) or added (45), that grow or shrink as they age.
bool WriteTrailModel(const std::string& path, const char* texture, std::int32_t technique, float rate,
                     float lifetime, float speed, float spread, float sizeBirth, float sizeDeath)
{
    CComplexObject object;
    SObjectPart trail;
    trail.m_Record = Part(4, "TRAIL", nullptr);
    auto particles = std::make_unique<CParticleViewer>();
    SParticleRender& r = particles->m_Render;
    r.kind = 1;
    std::snprintf(r.texture, sizeof r.texture, "%s", texture);
    r.technique = technique;
    r.sizeBirth = sizeBirth;
    r.sizeDeath = sizeDeath;
    r.randomAngle = 1;
    SEmitterParams p = SEmitterParams::Defaults();
    p.maxParticles = 200;
    p.lifetime = lifetime;
    p.rate = rate;
    p.speed = speed;
    p.speedBase = 0.5f;
    p.spread = spread;
    particles->Init(p);
    trail.m_pParticles = std::move(particles);
    object.m_Parts.push_back(std::move(trail));
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = object.Save(file);
    return std::fclose(file) == 0 && ok;
}

struct STextureRow
{
    const char* name;
    const char* file;
    std::int32_t type, textureType;
};

struct SModelRow
{
    const char* name;
    const char* file;
    float radius;
};

bool AddRecords(const std::string& root)
{
    const std::string path = InRoot(root, "Data\\DB.dat");
    DataBase db;
    if (!db.OpenDatabase(path.c_str(), false, false)) return false;
    // Paths relative to the game's directory, where the resource database
    // puts its data directory.
    static const STextureRow kTextures[] = {
        {"TEX_SAMPLECOLOR", "Data\\Textures\\sample_argb.tm", 0, 2},
        {"TEX_BOX", "Data\\Textures\\box.tm", 0, 0},
        {"TEX_SAMPLE_DXT5", "Data\\Textures\\sample_dxt5.tm", 0, 1},
        {"TEX_LAMP_SPOT", "Data\\Textures\\lamp_spot.tm", 0, 2},
        // The boundary fence's 4 x 4 animation frames.
        {"TEX_FX_BORDER", "Data\\Textures\\border.tm", 0, 2},
        // The glider's engine glow and its flare seen from afar.
        {"TEX_GL_FIRE_GLOW", "Data\\Textures\\glow.tm", 0, 2},
        {"TEX_FIRE_GLOW2", "Data\\Textures\\glow.tm", 0, 2},
        // The lake's two ripple layers.
        {"TEX_WATER_WAVES", "Data\\Textures\\water.tm", 0, 2},
        {"TEX_WATER_WAVES2", "Data\\Textures\\water2.tm", 0, 2},
        // Fights: explosions (a 4 x 4 fireball), sparks, smoke (4 x 4
        // puffs, also the hover dust), scorch marks, muzzle flashes (2 x 2),
        // shock shells, and the red glow of a triggered mine.
        {"TEX_FX_FIREBALL", "Data\\Textures\\fireball.tm", 0, 2},
        {"TEX_FX_SPARK", "Data\\Textures\\spark.tm", 0, 2},
        {"TEX_FX_ROCKET_SMOKE", "Data\\Textures\\smoke.tm", 0, 2},
        {"TEX_FX_WATER_DUST", "Data\\Textures\\smoke.tm", 0, 2},
        {"TEX_FX_SCORCH", "Data\\Textures\\scorch.tm", 0, 2},
        {"TEX_FX_FLASH", "Data\\Textures\\flash.tm", 0, 2},
        {"TEX_FX_SHOCK", "Data\\Textures\\shock.tm", 0, 2},
        {"TEX_FX_THING_GLOW_MECH", "Data\\Textures\\spark.tm", 0, 2},
    };
    // MOD_BOX has radius 0: the model manager measures it at start.
    static const SModelRow kModels[] = {
        {"MOD_BOX", "Data\\Models\\box.mdl", 0.0f},
        {"MOD_BOX_GIVEN", "Data\\Models\\box.mdl", 1.5f},
        {"MOD_HALL", "Data\\Models\\hall.mdl", 0.0f},
        {"MOD_STATION", "Data\\Models\\station.mdl", 0.0f},
        // The self-acting machines' built-in kinds.
        {"MOD_TEH_OBSERVER", "Data\\Models\\drone.mdl", 0.0f},
        {"MOD_TEH_TRANSPORT", "Data\\Models\\capsule.mdl", 0.0f},
        {"MOD_RESCUER", "Data\\Models\\rescuer.mdl", 0.0f},
        // The glider's size is its collision box's: a glider is four times
        // its model's size across.
        {"MOD_GL_SAMPLE", "Data\\Models\\glider.mdl", 1.0f},
        {"MOD_GL_FIRE", "Data\\Models\\flame.mdl", 0.0f},
        {"MOD_FX_ENGINE_FIRE", "Data\\Models\\flame.mdl", 0.0f},
        // Fights: the guns' model and muzzle flash, the mine, and the trails
        // of rockets, splinters and dropped things.
        {"MOD_GUN_SAMPLE", "Data\\Models\\gun.mdl", 0.0f},
        {"MOD_FX_FLASH", "Data\\Models\\flash.mdl", 0.0f},
        {"MOD_MINE", "Data\\Models\\mine.mdl", 0.0f},
        {"MOD_FX_ROCKET_SMOKE", "Data\\Models\\smoke_trail.mdl", 0.0f},
        {"MOD_FX_SMALL_TAIL", "Data\\Models\\smoke_trail.mdl", 0.0f},
        {"MOD_FX_OBJECT_TAIL", "Data\\Models\\smoke_trail.mdl", 0.0f},
        {"MOD_FX_BIG_FIRE_TAIL", "Data\\Models\\fire_trail.mdl", 0.0f},
        {"MOD_FX_HIT_GROUND", "Data\\Models\\dust.mdl", 0.0f},
    };
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str());
    for (const STextureRow& t : kTextures)
        ok = ok && db.Append(t.name) && db.SetField("Filename", t.file) && db.SetField("Type", t.type) &&
             db.SetField("Color", std::int32_t(0)) && db.SetField("LOD", std::int32_t(0)) &&
             db.SetField("TEXTURETYPE", t.textureType) && db.Post();
    ok = ok && db.SelectTable(plat::Utf8ToCp1251("Модели").c_str());
    for (const SModelRow& m : kModels)
        ok = ok && db.Append(m.name) && db.SetField("Filename", m.file) && db.SetField("Radius", m.radius) &&
             db.Post();
    return db.CloseDatabase() && ok;
}
} // namespace

// Called after the database and the sample textures are written.
bool WriteSampleModels(const std::string& root)
{
    const std::string dir = root + "\\Data\\Models";
    const std::string model = dir + "\\box.mdl";
    const std::string texture = root + "\\Data\\Textures\\box.tm";
    if (!plat::CreateDirectory(dir.c_str()))
    {
        std::fprintf(stderr, "mksample: cannot create %s\n", dir.c_str());
        return false;
    }
    if (!WriteBoxTexture(texture))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", texture.c_str());
        return false;
    }
    if (!WriteBoxModel(model))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", model.c_str());
        return false;
    }
    static const float kMineSize[3] = {1.2f, 0.4f, 1.2f}, kMineCentre[3] = {0.0f, 0.2f, 0.0f};
    if (!WriteGunModel(dir + "\\gun.mdl") ||
        !WriteMarkedModel(dir + "\\flash.mdl", "FLASH", MakeFlash(), "TEX_FX_FLASH", SHADER_FIRE_ADD, {}, true,
                          2) ||
        !WriteMarkedModel(dir + "\\mine.mdl", "MINE", MakeBlock(kMineSize, kMineCentre), "TEX_BOX",
                          SHADER_NORMAL, {}) ||
        !WriteTrailModel(dir + "\\smoke_trail.mdl", "TEX_FX_ROCKET_SMOKE", 24, 40.0f, 1.5f, 2.0f, 1.5f, 0.8f,
                         3.0f) ||
        !WriteTrailModel(dir + "\\fire_trail.mdl", "TEX_FX_SPARK", 45, 50.0f, 0.6f, 3.0f, 1.0f, 1.2f, 0.2f) ||
        !WriteTrailModel(dir + "\\dust.mdl", "TEX_FX_ROCKET_SMOKE", 24, 30.0f, 1.0f, 4.0f, 3.0f, 1.0f, 4.0f))
    {
        std::fprintf(stderr, "mksample: cannot write the fights' models in %s\n", dir.c_str());
        return false;
    }
    if (!AddRecords(root))
    {
        std::fprintf(stderr, "mksample: cannot add the texture and model records to Data\\DB.dat\n");
        return false;
    }
    return true;
}
