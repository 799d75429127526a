// An object's base drawing on the Direct3D 8 layer: the type's model at the
// placement, its colour scaled by the light level of the ground under it.
#include "WorldTestScene.h"
#include "graphics/GraphicTestDevice.h"

#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "world/Camera.h"
#include "world/MMObject.h"
#include "world/ObjectTypeRecord.h"
#include "world/SceneryObjects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

namespace
{
using namespace plat::d3d;

// A 2 x 2 quad in the z = 0 plane, lit by its material's ambient colour only.
std::string QuadModelFile()
{
    std::string file(kModelFileHeaderSize, '\0');
    const std::int32_t parts = 1;
    std::memcpy(file.data(), &parts, sizeof parts);
    SModelFilePart record{};
    std::snprintf(record.name, sizeof record.name, "QUAD");
    file.append(reinterpret_cast<const char*>(&record), sizeof record);
    auto put = [&](const void* p, std::size_t n) { file.append(static_cast<const char*>(p), n); };
    SModelBlockHeader h{};
    for (int c = 4; c < 8; ++c)
        h.material[c] = 1.0f; // ambient
    h.material[3] = 1.0f;
    h.techniqueId = SHADER_ONLYMATERIAL;
    h.rotationSpeed = h.pingPongPeriod = 1.0f;
    put(&h, sizeof h);
    const SMeshFileHeader mh{0x112, 4, 6};
    put(&mh, sizeof mh);
    const float quad[4][8] = {{-1, 1, 0, 0, 0, -1, 0, 0},
                              {1, 1, 0, 0, 0, -1, 1, 0},
                              {-1, -1, 0, 0, 0, -1, 0, 1},
                              {1, -1, 0, 0, 0, -1, 1, 1}};
    put(quad, sizeof quad);
    const std::uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    put(idx, sizeof idx);
    return file;
}

class CDimCells : public worldtest::CTestCells
{
public:
    float GetBrightnessAt(const CVector&) override { return m_fLevel; }
    float m_fLevel = 1.0f;
};

class ObjectDraw : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.Path().c_str()));
        std::ofstream("quad.mdl", std::ios::binary) << QuadModelFile();
        std::ofstream("db.ini") << "[\xCC\xEE\xE4\xE5\xEB\xE8]\nfilename=models.ini\n"; // "Модели"
        std::ofstream("models.ini") << "[MOD_QUAD]\nFilename=quad.mdl\nRadius=1.5\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(m_shaders.Init(false));
        g_pTexShaderManager = &m_shaders;
        g_pModelManager = &m_models;
        ASSERT_TRUE(m_models.Init());
        m_models.Init("\xCC\xEE\xE4\xE5\xEB\xE8");
        ASSERT_NE(m_models.GetModelForce(0), nullptr);
        g_pObjectCells = &m_cells;
    }
    void TearDown() override
    {
        g_pObjectCells = nullptr;
        m_models.Done();
        m_models.Purge();
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        g_ResourceDB.Done();
        CMesh::ResetCurrent();
        plat::SetCurrentDirectory(m_previous.c_str());
        CGraphicDeviceTest::TearDown();
    }
    // The centre pixel's red channel after drawing the object once.
    int DrawCentre(CMMObject& o)
    {
        Device* d = graph.m_lpDevice;
        SetDefaultStates();
        const SMatrix identity = IdentityMatrix();
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &identity);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        o.Draw();
        d->EndScene();
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        return pixels.empty() ? -1 : int((pixels[24 * w + 32] >> 16) & 0xFF);
    }

    gfxtest::CTempDir m_dir{"objectdraw"};
    std::string m_previous;
    TexShaderManager m_shaders;
    CModelManager m_models;
    CDimCells m_cells;
};

} // namespace

TEST_F(ObjectDraw, DrawsTheTypesModelLitByTheGround)
{
    SObjectTypeHeader type;
    SObjectTypeHeader::SetId(type.Model, 0);
    CMMObject o;
    o.m_pType = &type;
    o.m_fRadius = 1.5f;
    CMatrix m(1.0f);
    m.SetTranslation(CVector{0, 0, 0.5f});
    o.SetMatrix(m);

    const int full = DrawCentre(o);
    EXPECT_GT(full, 0xF0);
    m_cells.m_fLevel = 0.25f;
    const int dim = DrawCentre(o);
    EXPECT_NEAR(dim, 0x40, 8);
    // Moved aside, the quad leaves the centre dark.
    m.SetTranslation(CVector{3, 0, 0.5f});
    o.SetMatrix(m);
    EXPECT_EQ(DrawCentre(o), 0);
    // Without a model the object draws nothing.
    SObjectTypeHeader::SetId(type.Model, -1);
    m.SetTranslation(CVector{0, 0, 0.5f});
    o.SetMatrix(m);
    EXPECT_EQ(DrawCentre(o), 0);
}

TEST_F(ObjectDraw, AtlasFrameMatrixSelectsColumnAndRow)
{
    MakeAtlasFrameMatrix(4, 2, 5);
    SMatrix t{};
    ASSERT_EQ(graph.m_lpDevice->GetTransform(D3DTS_TEXTURE0, &t), D3D_OK);
    EXPECT_FLOAT_EQ(t.m[0][0], 0.25f);
    EXPECT_FLOAT_EQ(t.m[1][1], 0.5f);
    EXPECT_FLOAT_EQ(t.m[2][0], 0.25f);
    EXPECT_FLOAT_EQ(t.m[2][1], 0.5f);
    std::uint32_t flags = 0;
    graph.m_lpDevice->GetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    EXPECT_EQ(flags, D3DTTFF_COUNT2);
    DisableTextureTransform();
    graph.m_lpDevice->GetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    EXPECT_EQ(flags, D3DTTFF_DISABLE);
}

// The camera's frame as the view: a camera looking at an object sees it in
// the middle of the picture, one turned away does not.
TEST_F(ObjectDraw, TheCameraLookingAtAnObjectSeesItInTheMiddle)
{
    struct CDeviceView : IViewCamera
    {
        void TakeCameraFrame(const CObjectFrame& frame) override
        {
            // The view camera's form: the frame's rows with the view
            // translation of its position.
            CObjectFrame view;
            view.Assign(frame);
            view.SetViewPosition(frame.m_vPosition);
            m_View = view.m_Matrix;
        }
        CMatrix m_View;
    } view;
    g_pViewCamera = &view;
    SObjectTypeHeader type;
    SObjectTypeHeader::SetId(type.Model, 0);
    CMMObject o;
    o.m_pType = &type;
    o.m_fRadius = 1.5f;
    CMatrix m(1.0f);
    m.SetTranslation(CVector{4.0f, 6.0f, 0.5f});
    o.SetMatrix(m);

    auto centreSeenFrom = [&](const CVector& eye, CMMObject* target)
    {
        CCamera camera;
        camera.SetPosition(eye);
        camera.SetMode4(target);
        camera.UpdateView();
        Device* d = graph.m_lpDevice;
        SetDefaultStates();
        // A perspective of 90 degrees across, near 1, far 100.
        SMatrix projection{};
        projection.m[0][0] = 1.0f;
        projection.m[1][1] = 64.0f / 48.0f;
        projection.m[2][2] = 100.0f / 99.0f;
        projection.m[2][3] = 1.0f;
        projection.m[3][2] = -100.0f / 99.0f;
        d->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&view.m_View));
        d->SetTransform(D3DTS_PROJECTION, &projection);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        o.Draw();
        d->EndScene();
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        return pixels.empty() ? -1 : int((pixels[24 * w + 32] >> 16) & 0xFF);
    };
    // From above and from the side, looking at it.
    EXPECT_GT(centreSeenFrom(CVector{4.0f, 6.0f, 8.0f}, &o), 0xF0);
    EXPECT_GT(centreSeenFrom(CVector{1.0f, 2.0f, 6.0f}, &o), 0xF0);
    // Looking at a point beside it.
    CMMObject aside;
    aside.SetMatrix(CMatrix(1.0f));
    aside.m_Frame.SetPosition(CVector{40.0f, 6.0f, 0.5f});
    EXPECT_EQ(centreSeenFrom(CVector{4.0f, 6.0f, 8.0f}, &aside), 0);
    g_pViewCamera = nullptr;
    g_CameraMode = 0;
}

// A road node's band to its linked node: a flat strip 10 units wide along
// the link, drawn through the layer (seen from above, 100 units across).
TEST_F(ObjectDraw, RoadBandIsTenUnitsWideAlongTheLink)
{
    CRoadObject a, b;
    CMatrix m(1.0f);
    m.SetTranslation(CVector{-50, 0, 0});
    a.Init(m, "");
    m.SetTranslation(CVector{50, 0, 0});
    b.Init(m, "");
    a.m_Links.push_back(&b);
    Device* d = graph.m_lpDevice;
    auto row = [&](int y, int x)
    {
        SetDefaultStates();
        const SMatrix identity = IdentityMatrix();
        SMatrix proj = IdentityMatrix();
        proj.m[0][0] = proj.m[1][1] = 0.01f;
        proj.m[2][2] = 0.001f;
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &proj);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
        SMaterial white{};
        white.Diffuse = white.Ambient = {1, 1, 1, 1};
        d->SetMaterial(&white);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        a.Draw();
        d->EndScene();
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        return pixels.empty() ? -1 : int((pixels[std::size_t(y) * w + std::size_t(x)] >> 16) & 0xFF);
    };
    EXPECT_GT(row(24, 32), 0x80);   // the middle of the band
    EXPECT_EQ(row(24, 2), 0);       // beyond its end (x = -90)
    EXPECT_EQ(row(10, 32), 0);      // beside it (y = 58)
    // Without the link only the node's own (missing) model: nothing.
    a.m_Links.clear();
    EXPECT_EQ(row(24, 32), 0);
}
