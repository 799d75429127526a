// CModel: model blocks written here, loaded into heap meshes (no device).

#include "foundation/PakFileSystem.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/TextureManager.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using gfxtest::CTempDir;

struct SVertex
{
    float p[3];
    float n[3];
    float uv[2];
};

// Builds a model block byte by byte, as the format says.
class CBlock
{
public:
    CBlock()
    {
        std::memset(&header, 0, sizeof header);
        header.material[0] = header.material[1] = header.material[2] = header.material[3] = 1.0f;
        header.pingPongPeriod = 1.0f;
        header.rotationSpeed = 1.0f;
        // A quad of two triangles plus two spare vertices.
        for (int i = 0; i < 6; ++i) vertices.push_back(SVertex{{float(i % 2), float(i / 2), 0}, {0, 0, 1}, {0, 0}});
        indices = {0, 1, 2, 2, 1, 3};
    }
    template <class T>
    void Put(const T& value)
    {
        Raw(&value, sizeof value);
    }
    void Raw(const void* data, std::size_t n)
    {
        bytes.append(static_cast<const char*>(data), n);
    }
    void Mesh(const std::vector<SVertex>& v, const std::vector<std::uint16_t>& i)
    {
        Put(SMeshFileHeader{0x112, std::uint32_t(v.size()), std::uint32_t(i.size())});
        Raw(v.data(), v.size() * sizeof(SVertex));
        Raw(i.data(), i.size() * 2);
    }
    // Header and base mesh; the caller appends the rest.
    void Begin()
    {
        bytes.clear();
        Put(header);
        Mesh(vertices, indices);
    }
    // One animation moving vertex 4 with set k's delta = unit[k].
    void Animation(std::int32_t type, const char* name, std::int32_t count = 1, std::uint16_t vertex = 4)
    {
        SAnimationFile a{};
        a.type = type;
        std::snprintf(a.name, sizeof a.name, "%s", name);
        const int sets = AnimationSetCount(type);
        for (int s = 0; s < sets; ++s)
            a.sets[s] = SAnimationSetFile{count, std::uint32_t(s == 0 || (type == 1 && s == 2)), 1};
        Put(a);
        static const float kDelta[4][6] = {
            {1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0}, {1, 1, 1, 0, 0, 0}};
        for (int s = 0; s < sets; ++s)
        {
            if (a.sets[s].hasIndices)
                for (int k = 0; k < count; ++k) Put(vertex);
            for (int k = 0; k < count; ++k) Raw(kDelta[s], 24);
        }
    }
    // emptyMesh: the replacement mesh has no vertices (nothing is left).
    void Damage(std::vector<std::uint16_t> triangles, bool emptyMesh = false)
    {
        SDamageHeader h{};
        h.removedCount = std::int32_t(triangles.size());
        for (int i = 0; i < 73; ++i) h.rest[i] = std::uint8_t(i * 3);
        Put(h);
        Raw(triangles.data(), triangles.size() * 2);
        if (emptyMesh)
            Mesh({}, {});
        else
            Mesh({vertices[0], vertices[1], vertices[2]}, {0, 1, 2});
    }

    SModelBlockHeader header;
    std::vector<SVertex> vertices;
    std::vector<std::uint16_t> indices;
    std::string bytes;
};

class ModelBlock : public ::testing::Test
{
protected:
    bool Load(const std::string& bytes, CModel& model)
    {
        const std::string path = m_dir / "model.bin";
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        CPakStream stream;
        EXPECT_TRUE(GetPakFileSystem().OpenStream(path.c_str(), stream));
        return model.Load(stream, false);
    }
    std::string Save(CModel& model)
    {
        const std::string path = m_dir / "saved.bin";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_TRUE(model.Save(f));
        std::fclose(f);
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static CVector Position(CMesh* mesh, int v)
    {
        CVector p;
        std::memcpy(&p, mesh->m_pVertices + std::size_t(v) * mesh->m_nStride, 12);
        return p;
    }

    CTempDir m_dir{"model"};
    CBlock m_block;
};

TEST_F(ModelBlock, LoadClampsTheHeader)
{
    struct
    {
        float frameTime;
        std::int32_t grid;
        float expectTime;
        std::int32_t expectGrid;
    } cases[] = {{-3.0f, -1, 0.0f, 0}, {250.0f, 4, 100.0f, 4}, {0.5f, 0x0302, 0.5f, 0x0302}};
    for (const auto& c : cases)
    {
        m_block.header.frameTime = c.frameTime;
        m_block.header.frameGrid = c.grid;
        m_block.header.materialIndex = 77;
        m_block.Begin();
        CModel model;
        ASSERT_TRUE(Load(m_block.bytes, model));
        EXPECT_EQ(model.m_fFrameTime, c.expectTime);
        EXPECT_EQ(model.m_iFrameGrid, c.expectGrid);
        EXPECT_EQ(model.m_iMaterial, 0);
        EXPECT_FALSE(model.m_bAnimated);
        EXPECT_EQ(model.GetCurrentMesh(nullptr), model.m_pMesh.get());
    }
}

TEST_F(ModelBlock, SaveWritesBackTheSameBytes)
{
    m_block.header.animationCount = 2;
    m_block.header.sortingMode = 1;
    m_block.header.damageCount = 1;
    m_block.header.frameGrid = 4;
    m_block.header.frameTime = 0.25f;
    m_block.header.rotationAxis = 2;
    m_block.Begin();
    m_block.Animation(6, "OPEN");
    m_block.Animation(1, "WAVE");
    for (int k = 0; k < 6; ++k) m_block.Raw(m_block.indices.data(), 12);
    m_block.Damage({1});
    CModel model;
    ASSERT_TRUE(Load(m_block.bytes, model));
    EXPECT_EQ(model.m_nAnimationCount, 2);
    EXPECT_EQ(model.FindAnimation("WAVE"), 1);
    EXPECT_EQ(Save(model), m_block.bytes);

    // A block with no animations and no sorting is header, mesh, damages.
    CBlock plain;
    plain.header.damageCount = 1;
    plain.Begin();
    plain.Damage({0, 1});
    CModel second;
    ASSERT_TRUE(Load(plain.bytes, second));
    EXPECT_EQ(Save(second), plain.bytes);

    // A damage variant whose mesh is empty (the part is gone) loads too.
    CBlock gone;
    gone.header.damageCount = 2;
    gone.Begin();
    gone.Damage({0});
    gone.Damage({0, 1}, true);
    CModel third;
    ASSERT_TRUE(Load(gone.bytes, third)) << m_dir.ErrorLog();
    EXPECT_EQ(third.m_nDamageCount, 2);
    EXPECT_EQ(third.m_Damages[1].m_pMesh->m_nVertexCount, 0);
    EXPECT_EQ(Save(third), gone.bytes);
}

struct SCorrupt
{
    const char* what;
    void (*build)(CBlock&);
};
void PrintTo(const SCorrupt& c, std::ostream* os)
{
    *os << c.what;
}

class ModelBlockCorrupt : public ModelBlock, public ::testing::WithParamInterface<SCorrupt>
{
};

TEST_P(ModelBlockCorrupt, IsRefusedWithOneLineAndDrawsNothing)
{
    GetParam().build(m_block);
    CModel model;
    EXPECT_FALSE(Load(m_block.bytes, model)) << GetParam().what;
    EXPECT_EQ(model.GetCurrentMesh(nullptr), nullptr);
    EXPECT_EQ(model.m_nAnimationCount, 0);
    // The line names the file by its path.
    EXPECT_NE(m_dir.ErrorLog().find("CModel::Load bad model block in " + (m_dir / "model.bin") + ": "),
              std::string::npos)
        << m_dir.ErrorLog();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModelBlockCorrupt,
    ::testing::Values(
        SCorrupt{"truncated header", [](CBlock& b) { b.Begin(); b.bytes.resize(100); }},
        SCorrupt{"five animations", [](CBlock& b) { b.header.animationCount = 5; b.Begin(); }},
        SCorrupt{"negative animations", [](CBlock& b) { b.header.animationCount = -1; b.Begin(); }},
        SCorrupt{"nine damages", [](CBlock& b) { b.header.damageCount = 9; b.Begin(); }},
        SCorrupt{"damage count past data", [](CBlock& b) { b.header.damageCount = 2; b.Begin(); b.Damage({0}); }},
        SCorrupt{"truncated mesh", [](CBlock& b) { b.Begin(); b.bytes.resize(b.bytes.size() - 4); }},
        SCorrupt{"set longer than the mesh",
                 [](CBlock& b) { b.header.animationCount = 1; b.Begin(); b.Animation(3, "A", 7); }},
        SCorrupt{"vertex index past the mesh",
                 [](CBlock& b) { b.header.animationCount = 1; b.Begin(); b.Animation(3, "A", 1, 6); }},
        SCorrupt{"truncated deltas",
                 [](CBlock& b) { b.header.animationCount = 1; b.Begin(); b.Animation(2, "A"); b.bytes.resize(b.bytes.size() - 8); }},
        SCorrupt{"removed triangle past the list", [](CBlock& b) { b.header.damageCount = 1; b.Begin(); b.Damage({2}); }},
        SCorrupt{"sorted index past the mesh",
                 [](CBlock& b)
                 {
                     b.header.sortingMode = 2;
                     b.Begin();
                     std::vector<std::uint16_t> lists(36, 9);
                     b.Raw(lists.data(), 72);
                 }},
        SCorrupt{"ping-pong slot out of range",
                 [](CBlock& b) { b.header.pingPong = 1; b.header.pingPongSlot = 4; b.Begin(); }}),
    [](const auto& info)
    {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

// Evaluation: vertex 4 starts at (0, 2, 0); set k's delta is unit[k].
struct SEval
{
    std::int32_t type;
    float s;
    float x, y, z; // expected offset of vertex 4
};
void PrintTo(const SEval& c, std::ostream* os)
{
    *os << "type " << c.type << " at " << c.s;
}

class ModelEvaluation : public ModelBlock, public ::testing::WithParamInterface<SEval>
{
};

TEST_P(ModelEvaluation, FollowsTheTypesRule)
{
    const SEval& e = GetParam();
    m_block.header.animationCount = 1;
    m_block.Begin();
    m_block.Animation(e.type, "A");
    CModel model;
    ASSERT_TRUE(Load(m_block.bytes, model));
    float state[4] = {e.s, 0, 0, 0};
    CMesh* mesh = model.GetAnimatedMesh(state, true);
    ASSERT_NE(mesh, nullptr);
    const CVector p = Position(mesh, 4);
    EXPECT_NEAR(p.x - 0.0f, e.x, 1e-5f) << "type " << e.type << " s " << e.s;
    EXPECT_NEAR(p.y - 2.0f, e.y, 1e-5f) << "type " << e.type << " s " << e.s;
    EXPECT_NEAR(p.z - 0.0f, e.z, 1e-5f) << "type " << e.type << " s " << e.s;
    EXPECT_EQ(Position(mesh, 3).y, 1.0f); // vertices not listed stay
}

const float kThird = 1.0f / 3.0f;
const float kTwoThirds = 2.0f / 3.0f;

INSTANTIATE_TEST_SUITE_P(
    Table, ModelEvaluation,
    ::testing::Values(
        SEval{3, 0.5f, 0.5f, 0, 0}, SEval{3, -0.5f, 0, 0, 0}, SEval{5, -0.5f, 0.5f, 0, 0},
        SEval{2, 0.5f, 0.5f, 0.25f, 0}, SEval{4, -1.0f, 1, 1, 0},
        SEval{6, 0.5f, 0.5f, 0, 0}, SEval{6, 0.75f, 0.5f, 0.25f, 0}, SEval{7, -0.75f, 0.5f, 0.25f, 0},
        SEval{8, kThird, kThird, 0, 0}, SEval{8, kTwoThirds, kThird, kThird, 0},
        SEval{14, -1.0f, kThird, kThird, kThird},
        SEval{9, 0.25f, 0.25f, 0, 0}, SEval{9, 0.5f, 0.25f, 0.25f, 0}, SEval{9, 0.75f, 0.25f, 0.25f, 0.25f},
        SEval{9, 1.0f, 0.5f, 0.5f, 0.5f},
        // Type 1 below zero: set 2's list, set 2 and 3 deltas.
        SEval{1, 0.5f, 0.5f, 0.25f, 0}, SEval{1, -0.5f, 0.25f, 0.25f, 0.75f},
        SEval{10, 0.5f, 1.0f, 1.0f, 0}, SEval{11, -1.0f, 2.0f, 0.0f, 0},
        SEval{12, 0.5f, 0.5f, 0.25f, 0.125f}));

TEST_F(ModelBlock, CurrentMeshThresholdsAndPingPong)
{
    m_block.header.animationCount = 3;
    m_block.header.pingPong = 1;
    m_block.header.pingPongSlot = 2;
    m_block.header.pingPongPeriod = 2.0f;
    m_block.Begin();
    m_block.Animation(3, "A");
    m_block.Animation(3, "B");
    m_block.Animation(3, "C");
    CModel model;
    ASSERT_TRUE(Load(m_block.bytes, model));
    float zero[4] = {};
    EXPECT_EQ(model.GetCurrentMesh(zero), model.m_pMesh.get());
    float small[4] = {0.004f, 0, 0, 0};
    EXPECT_EQ(model.GetCurrentMesh(small), model.m_pMesh.get());
    float state[4] = {0.5f, 0, 0, 0};
    CMesh* work = model.GetCurrentMesh(state);
    EXPECT_EQ(work, model.m_pWorkMesh.get());
    EXPECT_EQ(model.m_fLastState[0], 0.5f);
    float close[4] = {0.501f, 0, 0, 0};
    EXPECT_EQ(model.GetCurrentMesh(close), work);
    EXPECT_EQ(model.m_fLastState[0], 0.5f) << "a change of 0.001 reuses the animated mesh";

    // Ping-pong: 0 -> 1 -> 0 over two periods, written into its slot.
    model.Update(1.0f);
    EXPECT_NEAR(model.m_fPingPongValue, 0.5f, 1e-6f);
    model.Update(2.0f);
    EXPECT_NEAR(model.m_fPingPongValue, 0.5f, 1e-6f);
    float none[4] = {};
    model.GetCurrentMesh(none);
    EXPECT_NEAR(none[2], 0.5f, 1e-6f);

    model.DeleteAnimation("A");
    EXPECT_EQ(model.m_iPingPongSlot, 1);
    EXPECT_TRUE(model.m_bPingPong);
    model.DeleteAnimation("C");
    EXPECT_FALSE(model.m_bPingPong);
    model.DeleteAnimation("Z");
    EXPECT_NE(m_dir.ErrorLog().find("CModel::DeleteAnimation"), std::string::npos);
}

TEST(ModelFrames, CountsAndAdvance)
{
    EXPECT_EQ(CModel::FrameCount(4), 16);
    EXPECT_EQ(CModel::FrameCount(0x0302), 6);
    EXPECT_EQ(CModel::FrameCount(0), 1);
    CModel model;
    model.m_iFrameGrid = 2;
    model.m_fFrameTime = 0.1f;
    for (int i = 0; i < 5; ++i) model.Update(0.15f);
    // At most one frame per call: five calls, five frames, modulo 4.
    EXPECT_EQ(model.m_iCurrentFrame, 1);
}

TEST_F(ModelBlock, DamageCacheFollowsTheTenSecondRule)
{
    m_block.header.damageCount = 3;
    m_block.Begin();
    m_block.Damage({0});
    m_block.Damage({1});
    m_block.Damage({0, 1});
    CModel model;
    ASSERT_TRUE(Load(m_block.bytes, model));
    CGeometryBuffer source;
    g_fEngineTime = 100.0f;
    model.SetDamageData(source, 1);
    EXPECT_EQ(model.m_nCopyCount, 2) << "only entry 0: the first mask appends";
    EXPECT_EQ(source.m_nIndexCount, 3u);
    EXPECT_EQ(source.m_pIndices[0], 2);
    model.SetDamageData(source, 2);
    EXPECT_EQ(model.m_nCopyCount, 2) << "entry 1 used just now is replaced";
    EXPECT_EQ(model.m_Copies[1].m_nMask, 2u);
    g_fEngineTime = 111.0f;
    model.SetDamageData(source, 3);
    EXPECT_EQ(model.m_nCopyCount, 3) << "entry 1 older than 10 s: a new entry";
    EXPECT_EQ(source.m_nIndexCount, 0u);
    model.SetDamageData(source, 2 | 8); // bit 3 has no record: cut away
    EXPECT_EQ(model.m_iCopyEntry, 1);
    model.SetDamageData(source, 0);
    EXPECT_EQ(source.m_nIndexCount, 6u);
    source.m_pIndices = nullptr; // the cache owns the list it lent
    g_fEngineTime = 0.0f;
}

TEST_F(ModelBlock, AddAnimationReachesItsKeys)
{
    m_block.Begin();
    CModel model;
    ASSERT_TRUE(Load(m_block.bytes, model));
    auto key = [&](float dy)
    {
        auto* mesh = new CMesh(MESH_MEMORY_HEAP, 0x112, 6, 1, 6);
        std::vector<SVertex> v = m_block.vertices;
        v[5].p[1] += dy;
        std::memcpy(mesh->m_pVertices, v.data(), v.size() * sizeof(SVertex));
        return mesh;
    };
    std::unique_ptr<CMesh> k0(key(1.0f)), k1(key(0.3f)), k2(key(-0.5f));
    CMesh* two[2] = {k0.get(), k1.get()};
    model.AddAnimation(2, "TWO", two);
    CMesh* three[3] = {k0.get(), k1.get(), k2.get()};
    model.AddAnimation(12, "CUBIC", three);
    ASSERT_EQ(model.m_nAnimationCount, 2);
    EXPECT_EQ(model.m_Animations[0].m_Sets[0].m_nCount, 1) << "only the moving vertex is listed";
    struct
    {
        float s0, s1, dy;
    } cases[] = {{0.5f, 0, 0.3f}, {1.0f, 0, 1.0f}, {0, kThird, 1.0f}, {0, kTwoThirds, 0.3f}, {0, 1.0f, -0.5f}};
    for (const auto& c : cases)
    {
        float state[4] = {c.s0, c.s1, 0, 0};
        CMesh* mesh = model.GetAnimatedMesh(state, true);
        EXPECT_NEAR(Position(mesh, 5).y - 2.0f, c.dy, 1e-4f) << c.s0 << " " << c.s1;
    }
    CMesh* keys[1] = {k0.get()};
    model.AddAnimation(3, "C", keys);
    model.AddAnimation(3, "D", keys);
    model.AddAnimation(3, "E", keys);
    EXPECT_EQ(model.m_nAnimationCount, 4);
}

TEST(ModelMarkers, FindsTheFourPointsAndBuildsTheFrame)
{
    // Origin x3, forward x2 (far), right x2, top x2 (largest z difference).
    const float pos[9][3] = {{0, 0, 0}, {0, 3, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1},
                             {0, 3, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    auto* mesh = new CMesh(MESH_MEMORY_HEAP, 0x112, 9, 1, 0);
    for (int v = 0; v < 9; ++v) std::memcpy(mesh->m_pVertices + v * 32, pos[v], 12);
    CModel model;
    model.m_bShared = false;
    model.SetMesh(mesh);
    STransData t;
    ASSERT_TRUE(CreateTransData(&model, &t));
    EXPECT_EQ(t.iOrigin, 0);
    EXPECT_EQ(t.iForward, 1);
    EXPECT_EQ(t.iRight, 3);
    EXPECT_EQ(t.iTop, 4);
    CMatrix m;
    GetTransMatrix(&m, &model, t.iOrigin, t.iForward, t.iRight, t.iTop, nullptr);
    EXPECT_FLOAT_EQ(m.m[0][0], -1.0f); // -R.x
    EXPECT_FLOAT_EQ(m.m[1][1], 1.0f);  // F.y
    EXPECT_FLOAT_EQ(m.m[2][2], 1.0f);  // T.z
    GetTransMatrixCentered(&m, &model, t.iOrigin, t.iForward, t.iRight, t.iTop, nullptr);
    EXPECT_FLOAT_EQ(m.m[3][0], 0.5f);
    EXPECT_FLOAT_EQ(m.m[3][1], 1.5f);
    EXPECT_FLOAT_EQ(m.m[3][2], 0.5f);
    float lengths[3];
    GetTransMatrixNormalized(&m, &model, t.iOrigin, t.iForward, t.iRight, t.iTop, nullptr, lengths);
    EXPECT_FLOAT_EQ(lengths[0], 1.0f);
    EXPECT_FLOAT_EQ(lengths[1], 3.0f);
    EXPECT_FLOAT_EQ(lengths[2], 1.0f);

    // Five distinct points: no marker.
    std::memcpy(mesh->m_pVertices + 8 * 32, pos[4], 12);
    float odd[3] = {5, 5, 5};
    std::memcpy(mesh->m_pVertices + 2 * 32, odd, 12);
    EXPECT_FALSE(CreateTransData(&model, &t));
}
} // namespace
