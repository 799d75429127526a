// The model manager's rings and quads, and an animated model drawn on the
// device at three animation times.

#include "foundation/PakFileSystem.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"

#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "platform/Thread.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using namespace plat::d3d;

class ModelManagerDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
        g_pModelManager = &m_manager;
    }
    void TearDown() override
    {
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_manager.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    // A piece of n vertices (FVF 0x112) and one triangle per three.
    static void Piece(CGeometryBuffer& piece, std::uint32_t vertices, std::uint32_t indices)
    {
        std::uint16_t* idx = piece.Allocate(0x112, vertices, indices);
        std::memset(piece.m_pVertices, 0, std::size_t(vertices) * 32);
        for (std::uint32_t i = 0; i < indices; ++i)
            idx[i] = std::uint16_t(i % vertices);
    }
    std::vector<std::uint16_t> RingIndices(CMesh* mesh)
    {
        std::uint8_t* data = nullptr;
        std::vector<std::uint16_t> out;
        if (Succeeded(mesh->m_pIB->Lock(std::uint32_t(mesh->m_nStartIndex) * 2,
                                        std::uint32_t(mesh->m_nIndexCount) * 2, &data, D3DLOCK_READONLY)))
        {
            out.assign(reinterpret_cast<std::uint16_t*>(data),
                       reinterpret_cast<std::uint16_t*>(data) + mesh->m_nIndexCount);
            mesh->m_pIB->Unlock();
        }
        return out;
    }

    CModelManager m_manager;
    TexShaderManager m_shaders;
    // The fixture's data tree, the working directory during the test.
    testutil::CDataTree& m_dir = Tree();
};

TEST_F(ModelManagerDevice, RingsAppendRestartAndAge)
{
    const std::int32_t slot = m_manager.CreateRenderBuffer("TEST", 0x112, 10, 12, 3, false);
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(m_manager.CreateRenderBuffer("NEXT", 0x112, 4, 6, 2, false), 3);
    CGeometryBuffer piece;
    Piece(piece, 4, 6);
    CMesh* first = m_manager.GetRenderSingleBufMesh(slot, &piece);
    EXPECT_EQ(first, m_manager.GetSlot(0));
    EXPECT_EQ(first->m_nFirstVertex, 0);
    CMesh* second = m_manager.GetRenderSingleBufMesh(slot, &piece);
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->m_nFirstVertex, 4);
    EXPECT_EQ(second->m_nStartIndex, 6);
    // Indices move with the piece: base vertex 0 in the ring.
    EXPECT_EQ(RingIndices(second), (std::vector<std::uint16_t>{4, 5, 6, 7, 4, 5}));
    // A third piece does not fit behind (8 + 4 > 10): the ring moves on.
    CMesh* third = m_manager.GetRenderSingleBufMesh(slot, &piece);
    EXPECT_EQ(third, m_manager.GetSlot(1));
    EXPECT_EQ(third->m_nFirstVertex, 0);
    EXPECT_EQ(m_manager.GetSlot(1)->m_nRestarts, 1u);
    EXPECT_EQ(RingIndices(third)[0], 0);
    // Aged: the next piece goes to the next mesh even though it fits.
    m_manager.AgeRenderBuffers();
    EXPECT_EQ(m_manager.GetRenderSingleBufMesh(slot, &piece), m_manager.GetSlot(2));
    m_manager.AgeRenderBuffers();
    EXPECT_EQ(m_manager.GetRenderSingleBufMesh(slot, &piece), m_manager.GetSlot(0));

    // Larger than the ring: refused, nothing drawn, one error line.
    CGeometryBuffer big;
    Piece(big, 11, 3);
    CMesh* refused = m_manager.GetRenderSingleBufMesh(slot, &big);
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->m_nVertexCount, 0);
    EXPECT_NE(m_dir.ErrorLog().find("exceeds render buffer 'TEST'"), std::string::npos);
    // An empty piece keeps the ring where it is.
    CGeometryBuffer empty;
    EXPECT_EQ(m_manager.GetRenderSingleBufMesh(slot, &empty)->m_nVertexCount, 0);
}

TEST_F(ModelManagerDevice, FourRingsAndQuads)
{
    ASSERT_TRUE(m_manager.Init());
    EXPECT_EQ(m_manager.m_iEffectSlot, 0);
    EXPECT_EQ(m_manager.m_iEffectPointSlot, 3);
    EXPECT_EQ(m_manager.m_iScreenSlot, 5);
    EXPECT_EQ(m_manager.m_iModelsSlot, 7);
    EXPECT_EQ(m_manager.m_nSlotsUsed, 12);
    EXPECT_EQ(m_manager.GetSlot(0)->m_nIndexCapacity, 63356);

    const int rect[4] = {0, 0, 64, 32};
    CGeometryBuffer* q = m_manager.SetScreenQuadUV(rect, 64, 32, nullptr, false);
    const float* v = reinterpret_cast<const float*>(q->m_pVertices);
    const float expected[4][4] = {
        {-0.5f, -0.5f, 0, 0}, {63.5f, -0.5f, 1, 0}, {-0.5f, 31.5f, 0, 1}, {63.5f, 31.5f, 1, 1}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(v[i * 8 + 0], expected[i][0]);
        EXPECT_EQ(v[i * 8 + 1], expected[i][1]);
        EXPECT_EQ(v[i * 8 + 4], expected[i][2]);
        EXPECT_EQ(v[i * 8 + 5], expected[i][3]);
    }
    q = m_manager.SetScreenQuadUV(rect, 64, 32, nullptr, true);
    EXPECT_EQ(v[2 * 8 + 0], -0.5f); // corner (left, top) went to vertex 2
    EXPECT_EQ(v[1 * 8 + 1], 31.5f); // corner (left, bottom) went to vertex 1
    const int tex[4] = {16, 8, 128, 64};
    q = m_manager.SetScreenQuad(rect, tex, false);
    EXPECT_FLOAT_EQ(v[3 * 8 + 4], (16.0f + 64.0f) / 128.0f);
    EXPECT_FLOAT_EQ(v[3 * 8 + 5], (8.0f + 32.0f) / 64.0f);
    CGeometryBuffer* b = m_manager.SetBillboardQuad(2.0f, 4.0f, false);
    const float* bv = reinterpret_cast<const float*>(b->m_pVertices);
    EXPECT_EQ(bv[0], -2.0f);
    EXPECT_EQ(bv[1], 2.0f);
    EXPECT_EQ(bv[3 * 8 + 1], 0.0f);
    EXPECT_EQ(m_manager.GetModel(-1), nullptr);
    EXPECT_EQ(m_manager.GetModelForce(-1), nullptr);
}

// A half-screen quad whose right edge an animation of type 3 moves right:
// the read-back pixels change as the slot value says.
TEST_F(ModelManagerDevice, AnimatedModelDrawsItsAnimationTimes)
{
    ASSERT_TRUE(m_manager.Init());
    ASSERT_TRUE(m_shaders.Init(false));
    g_pTexShaderManager = &m_shaders;

    std::string block;
    auto put = [&](const void* p, std::size_t n) { block.append(static_cast<const char*>(p), n); };
    SModelBlockHeader h{};
    h.animationCount = 1;
    for (int c = 0; c < 4; ++c)
        h.material[c] = h.material[4 + c] = h.material[12 + c] = 1.0f;
    h.techniqueId = SHADER_ONLYMATERIAL;
    h.rotationSpeed = 1.0f;
    h.pingPongPeriod = 1.0f;
    put(&h, sizeof h);
    const float quad[4][8] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0},
                              {0, 1, 0.5f, 0, 0, -1, 1, 0},
                              {-1, -1, 0.5f, 0, 0, -1, 0, 1},
                              {0, -1, 0.5f, 0, 0, -1, 1, 1}};
    const SMeshFileHeader mh{0x112, 4, 6};
    put(&mh, sizeof mh);
    put(quad, sizeof quad);
    const std::uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    put(idx, sizeof idx);
    SAnimationFile a{};
    a.type = 3;
    std::strcpy(a.name, "open");
    a.sets[0] = SAnimationSetFile{2, 1, 1};
    put(&a, sizeof a);
    const std::uint16_t moving[2] = {1, 3};
    put(moving, sizeof moving);
    const float deltas[2][6] = {{1, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}};
    put(deltas, sizeof deltas);
    const std::string path = m_dir / "anim.bin";
    std::ofstream(path, std::ios::binary).write(block.data(), std::streamsize(block.size()));

    CModel model;
    CPakStream stream;
    ASSERT_TRUE(GetPakFileSystem().OpenStream(path.c_str(), stream));
    ASSERT_TRUE(model.Load(stream, true));
    EXPECT_EQ(model.FindAnimation("OPEN"), 0);

    Device* d = graph.m_lpDevice;
    const SMatrix identity = IdentityMatrix();
    struct
    {
        float s;
        bool lit40, lit56;
    } times[] = {{0.0f, false, false}, {0.5f, true, false}, {1.0f, true, true}};
    for (const auto& t : times)
    {
        SetDefaultStates();
        d->SetTransform(D3DTS_WORLD, &identity);
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &identity);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        float state[4] = {t.s, 0, 0, 0};
        model.RenderState(state);
        d->EndScene();
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        ASSERT_FALSE(pixels.empty());
        const auto lit = [&](int x) { return (pixels[24 * w + std::uint32_t(x)] & 0xFFFFFF) != 0; };
        EXPECT_TRUE(lit(8)) << "s " << t.s;
        EXPECT_EQ(lit(40), t.lit40) << "s " << t.s;
        EXPECT_EQ(lit(56), t.lit56) << "s " << t.s;
        CMesh::ResetCurrent();
    }
}

// "Модели" in code page 1251.
constexpr const char* kModelSection = "\xCC\xEE\xE4\xE5\xEB\xE8";

// One model block: a 2 x 2 quad in the z = 0 plane, no animations.
std::string QuadBlock()
{
    std::string block;
    auto put = [&](const void* p, std::size_t n) { block.append(static_cast<const char*>(p), n); };
    SModelBlockHeader h{};
    h.material[0] = h.material[1] = h.material[2] = h.material[3] = 1.0f;
    h.rotationSpeed = h.pingPongPeriod = 1.0f;
    put(&h, sizeof h);
    const SMeshFileHeader mh{0x112, 4, 6};
    put(&mh, sizeof mh);
    const float quad[4][8] = {{-1, 1, 0, 0, 0, 1, 0, 0},
                              {1, 1, 0, 0, 0, 1, 1, 0},
                              {-1, -1, 0, 0, 0, 1, 0, 1},
                              {1, -1, 0, 0, 0, 1, 1, 1}};
    put(quad, sizeof quad);
    const std::uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    put(idx, sizeof idx);
    return block;
}

// A model file: the 68-byte header with the part count, then the parts.
std::string ModelFile(std::int32_t count, const std::vector<std::pair<std::int32_t, std::string>>& parts)
{
    std::string file(kModelFileHeaderSize, '\0');
    std::memcpy(file.data(), &count, sizeof count);
    for (const auto& [type, payload] : parts)
    {
        SModelFilePart record{};
        record.type = type;
        std::snprintf(record.name, sizeof record.name, "PART%d", type);
        file.append(reinterpret_cast<const char*>(&record), sizeof record);
        file += payload;
    }
    return file;
}

class ModelManagerList : public ModelManagerDevice
{
protected:
    void SetUp() override
    {
        ModelManagerDevice::SetUp();
        // The list's own checks read the stand-in object's parts.
        SetModelObjectFactory([]() -> IModelObject* { return new CSingleModelObject(); });
    }
    void TearDown() override
    {
        m_manager.Done();
        m_manager.Purge();
        SetModelObjectFactory(nullptr);
        ModelManagerDevice::TearDown();
    }
    static void Write(const char* name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    bool Load(const std::string& bytes)
    {
        Write("probe.mdl", bytes);
        CPakStream stream;
        if (!GetPakFileSystem().OpenStream("probe.mdl", stream)) return false;
        CSingleModelObject object;
        return object.LoadFromStream(stream);
    }

};

TEST_F(ModelManagerList, ListLoadsMeasuresAndReportsMissingModels)
{
    Write("quad.mdl", ModelFile(2, {{0, QuadBlock()}, {2, ""}}));
    Write("bad.mdl", ModelFile(1000, {{0, QuadBlock()}}));
    std::ofstream("db.ini") << "[" << kModelSection << "]\nfilename=models.ini\n";
    std::ofstream("models.ini") << "[MOD_MEASURED]\nFilename=quad.mdl\nRadius=0\n"
                                << "[MOD_GIVEN]\nFilename=quad.mdl\nRadius=2.5\n"
                                << "[MOD_MISSING]\nFilename=missing.mdl\nRadius=0\n"
                                << "[MOD_BAD]\nFilename=bad.mdl\nRadius=3\n";
    ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
    m_manager.Init(kModelSection);
    ASSERT_EQ(m_manager.GetRecordCount(), 4);

    // Radius 0: measured at start from the loaded model; 1.0 when missing.
    auto* measured = dynamic_cast<CSingleModelObject*>(m_manager.GetModelForce(0));
    ASSERT_NE(measured, nullptr);
    ASSERT_NE(measured->GetModel(), nullptr);
    EXPECT_FLOAT_EQ(m_manager.GetRecord(0)->m_fRadius, measured->GetModel()->m_pMesh->GetRadius());
    EXPECT_FLOAT_EQ(measured->GetRadius(), m_manager.GetRecord(0)->m_fRadius);
    EXPECT_EQ(measured->FindPart("PART2"), 1);
    EXPECT_FLOAT_EQ(m_manager.GetRecord(2)->m_fRadius, 1.0f);
    // The record's radius is the model's scale; 1.0 outside the records.
    EXPECT_FLOAT_EQ(m_manager.GetModelScale(1), 2.5f);
    EXPECT_FLOAT_EQ(m_manager.GetModelScale(-1), 1.0f);
    EXPECT_FLOAT_EQ(m_manager.GetModelScale(4), 1.0f);
    const std::string log = m_dir.ErrorLog();
    EXPECT_NE(log.find("missing.mdl I = 'MOD_MISSING' not found"), std::string::npos) << log;

    // A given radius is kept; the asynchronous call yields null until the
    // loader has it.
    EXPECT_EQ(m_manager.GetModel(1), nullptr);
    IModelObject* given = nullptr;
    for (int i = 0; i < 2000 && !given; ++i, plat::Sleep(1))
        given = m_manager.GetModel(1);
    ASSERT_NE(given, nullptr);
    EXPECT_FLOAT_EQ(given->GetRadius(), 2.5f);

    // A corrupt file: the part count line, "Error in %s model", then null
    // for good.
    EXPECT_EQ(m_manager.GetModelForce(3), nullptr);
    EXPECT_EQ(m_manager.GetModel(3), nullptr);
    const std::string after = m_dir.ErrorLog();
    EXPECT_NE(after.find("part count 1000 out of range"), std::string::npos) << after;
    EXPECT_NE(after.find("Error in MOD_BAD model"), std::string::npos) << after;
    m_manager.Run(0.1f);
}

TEST_F(ModelManagerList, CorruptModelFilesAreRefused)
{
    std::string block = QuadBlock();
    std::string badBlock = block;
    const std::int32_t manyAnimations = 9;
    std::memcpy(badBlock.data(), &manyAnimations, sizeof manyAnimations);
    const std::string good = ModelFile(1, {{0, block}});
    struct
    {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"header cut", std::string(40, '\0'), "header truncated"},
        {"negative count", ModelFile(-1, {}), "part count -1 out of range"},
        {"count past end", ModelFile(3, {{0, block}}), "part count 3 out of range"},
        {"part cut", ModelFile(2, {{0, block}}) + std::string(200, '\0'), "part 1 truncated"},
        {"particle part", ModelFile(1, {{4, std::string(300, '\0')}}), "of type 4 is not read here"},
        {"bad model block", ModelFile(1, {{0, badBlock}}), "animation count 9 out of 0..4"},
        {"model block cut", good.substr(0, good.size() - 4), "CModel::Load bad model block"},
    };
    EXPECT_TRUE(Load(good));
    for (const auto& c : cases)
    {
        EXPECT_FALSE(Load(c.bytes)) << c.what;
        EXPECT_NE(m_dir.ErrorLog().find(c.message), std::string::npos) << c.what;
    }
}
} // namespace
