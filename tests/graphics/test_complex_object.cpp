// Complex objects: model files written here, loaded on a hidden device
// (model parts live in device meshes); names, shapes, groups and damage.

#include "foundation/PakFileSystem.h"
#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ParticleSystem.h"
#include "graphics/TextureManager.h"
#include "platform/File.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using Corners = std::vector<std::vector<float>>;

// A model block: the header, then a mesh of the given positions (FVF 0x112)
// drawn as the given triangles.
std::string Block(const Corners& positions, const std::vector<std::uint16_t>& indices)
{
    std::string block;
    auto put = [&](const void* p, std::size_t n) { block.append(static_cast<const char*>(p), n); };
    SModelBlockHeader h{};
    h.material[0] = h.material[1] = h.material[2] = h.material[3] = 1.0f;
    h.rotationSpeed = h.pingPongPeriod = 1.0f;
    put(&h, sizeof h);
    const SMeshFileHeader mh{0x112, std::uint32_t(positions.size()), std::uint32_t(indices.size())};
    put(&mh, sizeof mh);
    for (const auto& p : positions)
    {
        const float v[8] = {p[0], p[1], p[2], 0, 0, 1, 0, 0};
        put(v, sizeof v);
    }
    put(indices.data(), indices.size() * 2);
    return block;
}

std::string Quad(float z)
{
    return Block({{-1, 1, z}, {1, 1, z}, {-1, -1, z}, {1, -1, z}}, {0, 1, 2, 2, 1, 3});
}

std::string Particles(float jitter)
{
    CParticleViewer viewer;
    SEmitterParams params = SEmitterParams::Defaults();
    params.jitter = jitter;
    params.maxParticles = 10;
    viewer.Init(params);
    std::FILE* f = std::tmpfile();
    viewer.Save(f);
    std::string bytes(std::size_t(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

struct SPartSpec
{
    std::int32_t type;
    const char* name;
    std::string payload;
    std::uint32_t groups = 0;
    std::vector<const char*> textures = {};
};

constexpr std::int32_t kCountOfParts = INT32_MIN;

std::string ObjectFile(const std::vector<SPartSpec>& parts, std::int32_t count = kCountOfParts)
{
    std::string file(CComplexObject::kHeaderSize, '\0');
    if (count == kCountOfParts) count = std::int32_t(parts.size());
    std::memcpy(file.data(), &count, sizeof count);
    for (int i = 4; i < 68; ++i) file[std::size_t(i)] = char(i); // kept bytes
    for (const SPartSpec& p : parts)
    {
        SModelFilePart record{};
        record.type = p.type;
        std::snprintf(record.name, sizeof record.name, "%s", p.name);
        for (std::size_t t = 0; t < p.textures.size(); ++t)
            std::snprintf(record.textures[t], sizeof record.textures[t], "%s", p.textures[t]);
        record.groupMask = p.groups;
        file.append(reinterpret_cast<const char*>(&record), sizeof record);
        file += p.payload;
    }
    return file;
}

class ComplexObjectFile : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
        // The texture name table: a one-letter name whose bytes would read
        // as a small number, and an ordinary one.
        std::ofstream("db.ini") << "[TEXTURES]\nfilename=tex.ini\n";
        std::ofstream("tex.ini") << "[WOOD]\nFilename=wood.tga\n[A]\nFilename=a.tga\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        m_textures = std::make_unique<TextureManager>();
        ASSERT_TRUE(m_textures->DefaultManager::Init("TEXTURES"));
        g_pTextureManager = m_textures.get();
    }
    void TearDown() override
    {
        g_pTextureManager = nullptr;
        m_textures.reset();
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    bool Load(const std::string& bytes, CComplexObject& object)
    {
        std::ofstream("object.mdl", std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        CPakStream stream;
        EXPECT_TRUE(GetPakFileSystem().OpenStream("object.mdl", stream));
        return object.LoadFromStream(stream);
    }

    // The fixture's data tree, the working directory during the test.
    testutil::CDataTree& m_dir = Tree();
    std::unique_ptr<TextureManager> m_textures;
};

TEST_F(ComplexObjectFile, LoadsPartsResolvesNamesAndSavesTheSameBytes)
{
    const std::string bytes = ObjectFile({{0, "BODY", Quad(0), 1u << 3, {"A", "WOOD", "NOPE"}},
                                          {1, "SHAPE", Quad(2)},
                                          {2, "SPRITE", "", 0, {"WOOD"}},
                                          {4, "SMOKE", Particles(0.5f)}});
    CComplexObject object;
    ASSERT_TRUE(Load(bytes, object)) << m_dir.ErrorLog();
    ASSERT_EQ(object.GetPartCount(), 4);
    EXPECT_EQ(object.FindObject("SPRITE"), 2);
    EXPECT_EQ(object.FindObject("sprite"), -1);
    ASSERT_NE(object.GetPart(3).m_pParticles, nullptr);
    EXPECT_GT(object.m_nMeshBytes, 0u);

    // "A" is looked up by name (its bytes must not pass for id 65).
    const SObjectPart& body = object.GetPart(0);
    EXPECT_EQ(body.m_iTextures[0], m_textures->FindName("A"));
    EXPECT_EQ(body.m_iTextures[1], m_textures->FindName("WOOD"));
    EXPECT_EQ(body.m_iTextures[2], -1);
    EXPECT_EQ(body.m_iTextures[3], -1);
    object.ResolveTextures(true);
    EXPECT_STREQ(body.m_Record.textures[0], "A");
    EXPECT_STREQ(body.m_Record.textures[2], "_DEFAULT_");
    object.ResolveTextures(false);
    EXPECT_EQ(body.m_iTextures[0], m_textures->FindName("A"));

    // Radius: the larger of the quad (sqrt 2) and the emitter's size x 10.
    EXPECT_FLOAT_EQ(object.GetRadius(), 5.0f);
    float centre[3];
    object.GetBoundingCenter(centre);
    EXPECT_FLOAT_EQ(centre[2], 0.0f);
    object.GetPart(0).m_pModel->m_pMesh->Transform(CMatrix(3.0f).m[0]);
    object.GetBoundingCenter(centre); // cached
    EXPECT_FLOAT_EQ(centre[0], 0.0f);

    // Save writes the file back as read ("NOPE" became "_DEFAULT_" above).
    CComplexObject fresh;
    ASSERT_TRUE(Load(bytes, fresh));
    std::FILE* f = std::fopen("saved.mdl", "wb");
    ASSERT_TRUE(fresh.Save(f));
    std::fclose(f);
    std::ifstream in("saved.mdl", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

TEST_F(ComplexObjectFile, EmptyObjectAndGroupMask)
{
    CComplexObject object;
    ASSERT_TRUE(Load(ObjectFile({}), object));
    EXPECT_EQ(object.GetPartCount(), 0);
    EXPECT_FLOAT_EQ(object.GetRadius(), 0.001f);
    object.Render(nullptr, 0, -1); // draws nothing

    SObjectPart part;
    part.m_Record.groupMask = (1u << 3) | (1u << 31);
    const struct
    {
        std::int32_t group;
        bool drawn;
    } cases[] = {{-1, true}, {3, true}, {31, true}, {2, false}, {0, false}, {32, false}, {-2, false}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(CComplexObject::InGroup(part, c.group), c.drawn) << c.group;
    }
    part.m_Record.groupMask = 0;
    EXPECT_TRUE(CComplexObject::InGroup(part, -1));
}

TEST_F(ComplexObjectFile, ShapeSourceAndDegenerateNormal)
{
    // SHAPE: one proper triangle and one with all corners on a line.
    const std::string shape = Block({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}}, {0, 1, 2, 0, 1, 3});
    const std::string shape2 = Block({{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}, {0, 1, 2});
    const struct
    {
        const char* what;
        std::vector<SPartSpec> parts;
        std::size_t triangles;
        float z;
    } cases[] = {
        {"both", {{0, "BODY", Quad(9)}, {1, "SHAPE", shape}, {1, "SHAPE2", shape2}}, 1, 5},
        {"SHAPE only", {{0, "BODY", Quad(9)}, {1, "SHAPE", shape}}, 2, 0},
        {"neither: part 0", {{0, "BODY", Quad(9)}}, 2, 9},
        {"part 0 is a sprite", {{2, "SPRITE", ""}}, 0, 0},
    };
    for (const auto& c : cases)
    {
        CComplexObject object;
        ASSERT_TRUE(Load(ObjectFile(c.parts), object)) << c.what;
        object.CreateShape(false);
        ASSERT_EQ(object.m_Shape2.size(), c.triangles) << c.what;
        if (c.triangles)
        {
            EXPECT_FLOAT_EQ(object.m_Shape2[0].corners[0].z, c.z) << c.what;
        }
    }
    CComplexObject object;
    ASSERT_TRUE(Load(ObjectFile({{1, "SHAPE", shape}}), object));
    object.CreateShape(true);
    ASSERT_EQ(object.m_Shape.size(), 2u);
    // (p2 - p1) x (p0 - p1) for (0,0,0), (1,0,0), (0,1,0): +z.
    EXPECT_FLOAT_EQ(object.m_Shape[0].normal.z, 1.0f);
    EXPECT_FLOAT_EQ(object.m_Shape[0].boxCentre.x, 0.5f);
    EXPECT_FLOAT_EQ(object.m_Shape[0].radiusSq, 0.5f);
    EXPECT_FLOAT_EQ(object.m_Shape[1].normal.x, 0.0f);
    EXPECT_FLOAT_EQ(object.m_Shape[1].normal.z, 1.0f); // degenerate
}

TEST_F(ComplexObjectFile, DamagedFilesAreRefusedWithTheReason)
{
    std::string badParticles = Particles(0);
    const std::uint32_t hugeSize = 100000;
    std::memcpy(badParticles.data(), &hugeSize, 4);
    std::string manyEffects = Particles(0);
    const std::uint32_t effects = 40;
    std::memcpy(manyEffects.data() + 4 + sizeof(SEmitterParams), &effects, 4);
    std::string badModel = Quad(0);
    const std::int32_t animations = 9;
    std::memcpy(badModel.data(), &animations, 4);
    const struct
    {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"header cut", std::string(40, '\0'), "header truncated"},
        {"negative count", ObjectFile({}, -1), "part count -1 out of range"},
        {"count past end", ObjectFile({{2, "S", ""}}, 5), "part count 5 out of range"},
        // The payload of part 0 lets the count pass; part 1's record is cut.
        {"record cut", ObjectFile({{4, "P", Particles(0)}}, 2), "part record truncated (part 1)"},
        {"type 5", ObjectFile({{2, "S", ""}, {5, "ODD", ""}}), "CComplexObject::Load \xC7\xE0\xE3\xF0\xF3\xE7\xEA\xE0 \xF2\xE8\xEF\xE0"},
        {"particle size", ObjectFile({{4, "P", badParticles}}), "record size 100000 out of range"},
        {"particle effects", ObjectFile({{4, "P", manyEffects}}), "effect count out of range"},
        {"model block", ObjectFile({{0, "M", badModel}}), "model block damaged (part 0)"},
        {"model cut", ObjectFile({{0, "M", Quad(0).substr(0, 200)}}), "model block damaged"},
    };
    for (const auto& c : cases)
    {
        CComplexObject object;
        EXPECT_FALSE(Load(c.bytes, object)) << c.what;
        EXPECT_NE(m_dir.ErrorLog().find(c.message), std::string::npos) << c.what << "\n" << m_dir.ErrorLog();
    }
    // The parts read before the bad one stay.
    CComplexObject object;
    EXPECT_FALSE(Load(cases[4].bytes, object));
    EXPECT_EQ(object.GetPartCount(), 1);
}
} // namespace
