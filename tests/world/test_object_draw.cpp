// An object's base drawing on the Direct3D 8 layer: the type's model at the
// placement, its colour scaled by the light level of the ground under it.
#include "QuadModelFile.h"
#include "WorldTestScene.h"
#include "graphics/GraphicTestDevice.h"

#include "foundation/FrameTimer.h"
#include "foundation/GameTime.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/ImageFile.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelInstance.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "world/BoundObject.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/KindManagers.h"
#include "world/LampObject.h"
#include "world/LightWare.h"
#include "world/MMObject.h"
#include "world/ObjectManager.h"
#include "world/ObjectTypeRecord.h"
#include "world/SceneryObjects.h"
#include "world/StoneObject.h"
#include "world/TheThing.h"
#include "world/EffectQueue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <vector>
#include <string>

namespace
{
using namespace plat::d3d;

class CDimCells : public worldtest::CTestCells
{
public:
    float GetBrightnessAt(const CVector&) override { return m_fLevel; }
    std::uint32_t GetColor(float, float) override { return m_uColor; }
    // Flat ground at z = 0: one quad over the square, texture set 0 across it.
    bool GetMapMesh(float x, float y, float radius, CGeometryBuffer* out) override
    {
        struct SVertex
        {
            float x, y, z;
            std::uint32_t colour;
            float u0, v0, u1, v1;
        };
        static_assert(sizeof(SVertex) == 32);
        if (out->m_nVertexCapacity < 4 || out->m_nIndexCapacity < 6) return false;
        auto* v = reinterpret_cast<SVertex*>(out->m_pVertices);
        for (int i = 0; i < 4; ++i)
        {
            const float u = float(i % 2), w = float(i / 2);
            v[i] = {x - radius + 2 * radius * u, y - radius + 2 * radius * w, 0, 0xFFFFFFFFu, u, w, u, w};
        }
        const std::uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
        std::memcpy(out->m_pIndices, quad, sizeof quad);
        out->m_nVertexCount = 4;
        out->m_nIndexCount = 6;
        ++m_nMapMeshes;
        return true;
    }
    float m_fLevel = 1.0f;
    std::uint32_t m_uColor = 0x808080;
    int m_nMapMeshes = 0;
};

// The eye of the lamp's billboards.
class CEyeView : public IObjectView
{
public:
    CVector GetViewPosition() const override { return m_vEye; }
    CVector GetViewDirection() const override { return {0, 0, 1}; }
    bool IsSphereVisible(const CVector*, float) const override { return true; }
    CVector m_vEye{0, 0, -100};
};

struct CNight : IEnvironmentLights
{
    std::uint32_t GetLightColor(int) const override { return 0; }
};

class ObjectDraw : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.Path().c_str()));
        std::ofstream("quad.mdl", std::ios::binary) << worldtest::QuadModelFile();
        // "Модели", "Текстуры"
        std::ofstream("db.ini") << "[\xCC\xEE\xE4\xE5\xEB\xE8]\nfilename=models.ini\n"
                                   "[\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB]\nfilename=tex.ini\n";
        // A white spot, opaque in the middle and clear at its rim.
        std::vector<std::uint32_t> spot(16 * 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
            {
                const float dx = (float(x) - 7.5f) / 8.0f, dy = (float(y) - 7.5f) / 8.0f;
                const float a = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
                spot[std::size_t(y * 16 + x)] = (std::uint32_t(a * 255.0f) << 24) | 0xFFFFFFu;
            }
        RegisterTextureFileReader();
        m_quality = g_Settings.TextureQuality;
        g_Settings.TextureQuality = 0;
        ASSERT_TRUE(WriteImageFile("spot.tm", MakeImageLevels(spot, 16, 16), false, kImageFormatA8R8G8B8));
        const std::vector<std::uint32_t> white(16 * 16, 0xFFFFFFFFu);
        ASSERT_TRUE(WriteImageFile("white.tm", MakeImageLevels(white, 16, 16), false, kImageFormatA8R8G8B8));
        std::ofstream("tex.ini") << "[TEX_SPOT]\nFilename=spot.tm\nType=0\nColor=0\nLOD=0\nTEXTURETYPE=2\n"
                                    "[TEX_WHITE]\nFilename=white.tm\nType=0\nColor=0\nLOD=0\nTEXTURETYPE=2\n";
        std::ofstream("models.ini") << "[MOD_QUAD]\nFilename=quad.mdl\nRadius=1.5\n"
                                    << "[MOD_HOUSE]\nFilename=house.mdl\nRadius=7\n"
                                    << "[MOD_BARE]\nFilename=quad.mdl\nRadius=4.5\n"
                                    << "[MOD_SMOKING]\nFilename=smoking.mdl\nRadius=1\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(m_shaders.Init(false));
        g_pTexShaderManager = &m_shaders;
        m_textures = std::make_unique<TextureManager>();
        m_textures->Init("\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB");
        g_pTextureManager = m_textures.get();
        g_pModelManager = &m_models;
        ASSERT_TRUE(m_models.Init());
        m_models.Init("\xCC\xEE\xE4\xE5\xEB\xE8");
        ASSERT_NE(m_models.GetModelForce(0), nullptr);
        g_pObjectCells = &m_cells;
    }
    void TearDown() override
    {
        g_pObjectCells = nullptr;
        g_pTextureManager = nullptr;
        g_Settings.TextureQuality = m_quality;
        m_models.Done();
        m_models.Purge();
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        g_ResourceDB.Done();
        CMesh::ResetCurrent();
        m_textures.reset();
        plat::SetCurrentDirectory(m_previous.c_str());
        CGraphicDeviceTest::TearDown();
    }
    // The centre pixel's red channel after drawing the object once, seen
    // through the view and projection given (identities by default).
    int DrawCentre(CMMObject& o, const SMatrix* view = nullptr, const SMatrix* projection = nullptr)
    {
        Device* d = graph.m_lpDevice;
        SetDefaultStates();
        const SMatrix identity = IdentityMatrix();
        d->SetTransform(D3DTS_VIEW, view ? view : &identity);
        d->SetTransform(D3DTS_PROJECTION, projection ? projection : &identity);
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
    std::unique_ptr<TextureManager> m_textures;
    CModelManager m_models;
    CDimCells m_cells;
    int m_quality = 0;
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
        void SetViewPosition(const CVector&) override {}
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
        // A perspective of 90 degrees across, near 1, far 100.
        SMatrix projection{};
        projection.m[0][0] = 1.0f;
        projection.m[1][1] = 64.0f / 48.0f;
        projection.m[2][2] = 100.0f / 99.0f;
        projection.m[2][3] = 1.0f;
        projection.m[3][2] = -100.0f / 99.0f;
        return DrawCentre(o, reinterpret_cast<const SMatrix*>(&view.m_View), &projection);
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

// A lamp at night lays its SHADOW spot on the ground around it (taken from
// the terrain once), seen from above: bright under the lamp, fading out.
TEST_F(ObjectDraw, LampLaysItsPoolOfLightOnTheGroundAtNight)
{
    CNight night;
    g_pEnvironmentLights = &night;
    g_GameTime = 0.0;
    SLampType type;
    SObjectTypeHeader::SetId(type.Model, -1);
    type.m_nShadow = g_pTextureManager->FindName("TEX_SPOT");
    ASSERT_NE(g_pTextureManager->GetTextureForce(type.m_nShadow), nullptr);
    CLampObject lamp;
    lamp.Init(CMatrix(10.0f), "NO_SUCH_LAMP"); // radius 10: a pool of 40
    lamp.m_pLampType = &type;
    lamp.m_pType = &type;
    lamp.m_nObjectNumber = 0;
    Device* d = graph.m_lpDevice;
    auto draw = [&]()
    {
        SetDefaultStates();
        const SMatrix identity = IdentityMatrix();
        SMatrix proj = IdentityMatrix();
        proj.m[0][0] = proj.m[1][1] = 0.02f; // 100 units across, 1.56 units a pixel
        proj.m[2][2] = 0.001f;
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &proj);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        lamp.PreDraw();
        lamp.Draw();
        d->EndScene();
        return gfxtest::ReadBackBuffer();
    };
    auto red = [](const std::vector<std::uint32_t>& p, int x) { return int((p[std::size_t(24 * 64 + x)] >> 16) & 0xFF); };
    const auto lit = draw();
    ASSERT_EQ(lit.size(), 64u * 48u);
    EXPECT_GT(lamp.m_fGlow, 0.001f);
    const int under = red(lit, 32), half = red(lit, 32 + 13), outside = red(lit, 32 + 29);
    EXPECT_GT(under, 60);
    EXPECT_GT(under, half + 15);
    EXPECT_EQ(outside, 0);
    draw();
    EXPECT_EQ(m_cells.m_nMapMeshes, 1); // the patch is built once
    // By day the lamp is off: no pool.
    g_pEnvironmentLights = nullptr;
    EXPECT_EQ(red(draw(), 32), 0);
    g_LightWare.DisableLights();
    g_LightWare.ResetFrame();
}

// The effect pass draws the lamp's glow facing the eye at its light point,
// only once the halo is up, and nothing while its model is not loaded.
TEST_F(ObjectDraw, LampGlowFacesTheEyeAtNight)
{
    CNight night;
    g_pEnvironmentLights = &night;
    CEyeView eye;
    g_pObjectView = &eye;
    g_GameTime = 0.0;
    SLampType type;
    SObjectTypeHeader::SetId(type.Model, 0);
    type.m_bPrepared = 1;
    type.m_nGlow = g_pTextureManager->FindName("TEX_SPOT");
    ASSERT_NE(g_pTextureManager->GetTextureForce(type.m_nGlow), nullptr);
    CLampObject lamp;
    lamp.Init(CMatrix(1.0f), "NO_SUCH_LAMP");
    lamp.m_pLampType = &type;
    lamp.m_pType = &type;
    lamp.m_fRadius = 10.0f;
    lamp.m_nObjectNumber = 0;
    Device* d = graph.m_lpDevice;
    auto centre = [&]()
    {
        SetDefaultStates();
        const SMatrix identity = IdentityMatrix();
        SMatrix proj = IdentityMatrix();
        proj.m[0][0] = proj.m[1][1] = 0.05f;
        proj.m[2][2] = 0.001f;
        proj.m[3][2] = 0.5f;
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &proj);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        lamp.PreDraw();
        lamp.DrawEffect(0);
        d->EndScene();
        const auto p = gfxtest::ReadBackBuffer();
        // The light point lies on the line of sight through the middle.
        return p.empty() ? -1 : int((p[std::size_t(24 * 64 + 32)] >> 16) & 0xFF);
    };
    EXPECT_GT(centre(), 60);
    SObjectTypeHeader::SetId(type.Model, 5); // no such model
    EXPECT_EQ(centre(), 0);
    SObjectTypeHeader::SetId(type.Model, 0);
    g_pEnvironmentLights = nullptr; // day: no halo
    EXPECT_EQ(centre(), 0);
    g_pObjectView = nullptr;
    g_LightWare.ResetFrame();
}

// A lamp type is prepared on its first effect pass: its model has no part
// "FX", so the light point stays 0.8 x the radius above the lamp.
TEST_F(ObjectDraw, InitLampPreparesTheTypeWithoutAnFxPart)
{
    std::ofstream("lamps.ini") << "[LAMP_Q]\nModel=MOD_QUAD\n";
    std::ofstream("db.ini", std::ios::app) << "[Lamps]\nfilename=lamps.ini\n";
    g_ResourceDB.Done();
    ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
    ASSERT_TRUE(g_LampManager.Init("Lamps"));
    SLampType* type = g_LampManager.GetKindForEdit(0);
    ASSERT_NE(type, nullptr);
    ASSERT_EQ(type->GetModelId(), 0);
    type->m_nFxPart = 7;
    g_LampManager.InitLamp(0);
    EXPECT_EQ(type->m_bPrepared, 1);
    EXPECT_EQ(type->m_nFxPart, -1);
    g_LampManager.InitLamp(5); // no such type: nothing
}

// A building type's part geometry from its model's marker parts: exits and
// the sign at a part's lowest corner, boxes about it, zero vectors for the
// parts the model lacks; without a sign part the sign stands the model's
// scale high. A model that is not loaded leaves the type unprepared.
TEST_F(ObjectDraw, InitBuildingTakesThePartGeometryFromTheModel)
{
    std::ofstream("house.mdl", std::ios::binary)
        << worldtest::PartsModelFile({{"EXIT_01", {1, 2, 0}, {3, 4, 1}},
                                      {"EXIT_03", {-5, 0, 0}, {-4, 1, 2}},
                                      {"INTO", {2, 2, 0}, {4, 6, 2}},
                                      {"SIGN", {0, -1, 9}, {1, 1, 10}}});
    std::ofstream("buildings.ini")
        << "[HOUSE]\nModel=MOD_HOUSE\n[SHED]\nModel=MOD_BARE\n[RUIN]\nModel=MOD_NOWHERE\n";
    std::ofstream("db.ini", std::ios::app) << "[Buildings]\nfilename=buildings.ini\n";
    g_ResourceDB.Done();
    ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
    ASSERT_TRUE(g_BuildingManager.Init("Buildings"));
    auto expect = [](const CVector& v, CVector want, const char* what) {
        EXPECT_EQ((std::vector<float>{v.x, v.y, v.z}), (std::vector<float>{want.x, want.y, want.z})) << what;
    };

    // Not loaded yet and not forced: nothing is marked.
    SBuildingType* shed = g_BuildingManager.GetKindForEdit(1);
    ASSERT_NE(shed, nullptr);
    g_BuildingManager.InitBuilding(1, false);
    EXPECT_EQ(shed->m_bInitialised, 0);
    shed->m_uCleared = 5;
    g_BuildingManager.InitBuilding(1, true);
    EXPECT_EQ(shed->m_bInitialised, 1);
    EXPECT_EQ(shed->m_uCleared, 0u);
    expect(shed->m_vSign, {0, 0, 4.5f}, "sign without a SIGN part");

    g_BuildingManager.InitBuilding(0, true);
    const SBuildingType* house = g_BuildingManager.GetKind(0);
    EXPECT_EQ(house->m_bInitialised, 1);
    expect(house->m_vExit[0], {1, 2, 0}, "EXIT_01");
    expect(house->m_vExit[1], {0, 0, 0}, "no EXIT_02");
    expect(house->m_vExit[2], {-5, 0, 0}, "EXIT_03");
    expect(house->m_Into.m_vMin, {0, -1, -1}, "INTO low");
    expect(house->m_Into.m_vMax, {4, 5, 1}, "INTO high");
    expect(house->m_Out.m_vMax, {0, 0, 0}, "no OUT");
    expect(house->m_vSign, {0, -1, 9}, "SIGN");

    // A type whose model the manager does not know stays unprepared.
    g_BuildingManager.InitBuilding(2, true);
    EXPECT_EQ(g_BuildingManager.GetKind(2)->m_bInitialised, 0);
    g_BuildingManager.InitBuilding(9, true); // no such type: nothing
}

// A stone whose type has a second model queues it for the effect pass
// (pass 17), which draws it at the stone; a stone without one queues nothing.
TEST_F(ObjectDraw, StoneQueuesItsSecondModelForTheEffectPass)
{
    struct CQueue : IEffectQueue
    {
        void AddObject(float, CMMObject* object, std::uint32_t pass) override { queued.emplace_back(object, pass); }
        std::vector<std::pair<CMMObject*, std::uint32_t>> queued;
    } queue;
    g_pEffectQueue = &queue;
    SStoneType type;
    SObjectTypeHeader::SetId(type.Model, -1);
    SObjectTypeHeader::SetId(type.ModelAlpha, 0);
    CStoneObject stone;
    stone.m_pType = &type;
    stone.m_fRadius = 1.5f;
    CMatrix m(1.0f);
    m.SetTranslation(CVector{0, 0, 0.5f});
    stone.SetMatrix(m);
    // Queued, not drawn: the centre stays dark until the effect pass.
    EXPECT_EQ(DrawCentre(stone), 0);
    ASSERT_EQ(queue.queued.size(), 1u);
    EXPECT_EQ(queue.queued[0].first, &stone);
    EXPECT_EQ(queue.queued[0].second, 17u);
    g_pEffectQueue = nullptr;
    // Without a queue the effect draws at once: the second model is there.
    EXPECT_GT(DrawCentre(stone), 0xF0);
    SObjectTypeHeader::SetId(type.ModelAlpha, -1);
    queue.queued.clear();
    g_pEffectQueue = &queue;
    EXPECT_EQ(DrawCentre(stone), 0);
    EXPECT_TRUE(queue.queued.empty());
    g_pEffectQueue = nullptr;
}

// A stone's model takes the ground's colour unless its type says
// "NOMAPCOLOR"; its instance carries the model's particles, which pass 1
// places and draws and which advance (and give the stone its bounds) only
// after a frame that drew them.
class StoneDraw : public ObjectDraw
{
protected:
    void SetUp() override
    {
        ObjectDraw::SetUp();
        std::ofstream("smoking.mdl", std::ios::binary) << worldtest::PartsModelFile({}, 1);
        std::ofstream("stones.ini") << "[TINTED]\nModel=MOD_QUAD\n[PLAIN]\nModel=MOD_QUAD\nNOMAPCOLOR=1\n"
                                    << "[SMOKING]\nModel=MOD_SMOKING\n[BARE]\n";
        std::ofstream("db.ini", std::ios::app) << "[Stones]\nfilename=stones.ini\n";
        g_ResourceDB.Done();
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_StoneManager.Init("Stones"));
    }
    struct CQueue : IEffectQueue
    {
        void AddObject(float, CMMObject*, std::uint32_t pass) override { passes.push_back(pass); }
        std::vector<std::uint32_t> passes;
    };
};

TEST_F(StoneDraw, TheGroundsColourTintsTheModelUnlessTheTypeSaysNot)
{
    CMatrix at(1.0f);
    at.SetTranslation(CVector{0, 0, 0.5f});
    struct SCase
    {
        const char* type;
        std::uint32_t ground;
        int red; // of the centre pixel, 0-255
    };
    // Mid grey keeps the light level; a dark red ground halves the red.
    for (const SCase& c :
         {SCase{"TINTED", 0x808080, 255}, SCase{"TINTED", 0x400000, 128}, SCase{"PLAIN", 0x400000, 255}})
    {
        CStoneObject stone;
        stone.Init(at, c.type);
        m_cells.m_uColor = c.ground;
        EXPECT_NEAR(DrawCentre(stone), c.red, 2) << c.type << " on " << std::hex << c.ground;
    }
}

TEST_F(StoneDraw, ParticlesAdvanceOnlyAfterAFrameThatDrewThem)
{
    CMatrix at(1.0f);
    at.SetTranslation(CVector{5, 6, 0.5f});
    CStoneObject smoking, bare;
    smoking.Init(at, "SMOKING");
    bare.Init(at, "BARE");
    // A stone without a model does not run; one with a model does.
    EXPECT_EQ(bare.m_bMoving, 0);
    EXPECT_EQ(smoking.m_bMoving, 1);
    ASSERT_NE(smoking.GetInstance(), nullptr);
    ASSERT_EQ(smoking.GetInstance()->GetParticleCount(), 1);
    const CParticleViewer* smoke = smoking.GetInstance()->GetParticles(0);

    CQueue queue;
    g_pEffectQueue = &queue;
    smoking.Draw();
    g_pEffectQueue = nullptr;
    EXPECT_EQ(queue.passes, (std::vector<std::uint32_t>{CStoneObject::kInstancePass}));

    g_FrameTimer.Reset();
    g_FrameTimer.Update();
    ASSERT_GT(g_FrameTimer.GetFrameTime(), 0.0f);
    // Queued but not drawn by the effect pass: nothing advances.
    smoking.Run();
    EXPECT_EQ(smoke->m_fSinceStart, 0.0f);
    EXPECT_EQ(smoking.m_nPartSpheres, 0);

    smoking.DrawEffect(CStoneObject::kInstancePass);
    EXPECT_EQ(smoking.m_bDrawnThisFrame, 1);
    smoking.Run();
    EXPECT_GT(smoke->m_fSinceStart, 0.0f);
    EXPECT_EQ(smoking.m_bDrawnThisFrame, 0);
    ASSERT_EQ(smoking.m_nPartSpheres, 1);
    EXPECT_EQ(smoking.m_PartSpheres[0].m_bUsed, 1);
    EXPECT_EQ(smoking.m_PartSpheres[0].m_fRadius, smoking.GetInstance()->m_fParticleRadius);

    // Released with the device's resources.
    smoking.InvalidateResources();
    EXPECT_EQ(smoking.GetInstance(), nullptr);
    smoking.DrawEffect(CStoneObject::kInstancePass);
    smoking.Run();
}

TEST_F(StoneDraw, AStoneGivenAnotherTypeInPlaceDropsTheOldModel)
{
    CMatrix at(1.0f);
    at.SetTranslation(CVector{5, 6, 0.5f});
    CStoneObject stone;
    stone.Init(at, "SMOKING");
    ASSERT_NE(stone.GetInstance(), nullptr);
    ASSERT_EQ(stone.GetInstance()->GetParticleCount(), 1);
    for (const char* type : {"TINTED", "BARE", "SMOKING"})
    {
        stone.Init(at, type);
        const CModelInstance* instance = stone.GetInstance();
        ASSERT_NE(instance, nullptr) << type;
        EXPECT_EQ(instance->m_iModel, stone.GetModelId()) << type;
        EXPECT_EQ(instance->GetParticleCount(), std::string(type) == "SMOKING" ? 1 : 0) << type;
    }
}

// A boundary fence between two posts, seen from the side: nearly
// transparent at the posts, opaque at the link's middle (drawn through the
// effect pass the post queues itself for).
TEST_F(ObjectDraw, TheFenceIsOpaqueMidwayAndFaintAtThePosts)
{
    worldtest::CScene scene;
    SObjectTypeHeader type;
    SObjectTypeHeader::SetId(type.Model, -1); // no post model: only the fence
    const std::int32_t texture = g_pTextureManager->FindName("TEX_WHITE");
    ASSERT_NE(g_pTextureManager->GetTextureForce(texture), nullptr);
    const std::int32_t saved = g_MMEngine.m_nResourceIds[CMMEngine::kBoundaryTexture];
    g_MMEngine.m_nResourceIds[CMMEngine::kBoundaryTexture] = texture;
    CBoundObject posts[2];
    for (int i = 0; i < 2; ++i)
    {
        CMatrix at(1.0f);
        at.SetTranslation(CVector{i == 0 ? -0.9f : 0.9f, 0.5f, -0.5f});
        posts[i].Init(&at, "", nullptr);
        posts[i].m_pType = &type;
    }
    posts[0].Link(&posts[1], true);
    ASSERT_EQ(posts[0].m_Fence.m_nIndexCount, 6u);

    // Looking along +y: world x across, z up, y the depth.
    SMatrix view = IdentityMatrix();
    view.m[1][1] = 0.0f;
    view.m[1][2] = 1.0f;
    view.m[2][1] = 1.0f;
    view.m[2][2] = 0.0f;
    Device* d = graph.m_lpDevice;
    SetDefaultStates();
    const SMatrix identity = IdentityMatrix();
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &identity);
    d->SetRenderState(D3DRS_ZENABLE, 0);
    graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
    d->BeginScene();
    posts[0].DrawEffect(0); // one post's fence: its half of the link
    d->EndScene();
    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_EQ(pixels.size(), std::size_t(w) * h);
    auto red = [&](float x)
    {
        const std::size_t column = std::size_t((x + 1.0f) * 0.5f * float(w));
        return int((pixels[std::size_t(h / 2) * w + column] >> 16) & 0xFF);
    };
    EXPECT_GT(red(-0.02f), 200);         // the link's middle
    EXPECT_LT(red(-0.85f), 60);          // at the post
    EXPECT_GT(red(-0.45f), red(-0.85f)); // brighter towards the middle
    EXPECT_EQ(red(0.5f), 0);             // the other post's half is its own
    g_MMEngine.m_nResourceIds[CMMEngine::kBoundaryTexture] = saved;
}

// A lying pick-up thing glows on the ground around it, pulsing with its age;
// once picked up the glow is gone.
TEST_F(ObjectDraw, AThingGlowsOnTheGroundWhileItLies)
{
    CTheThing thing;
    thing.Init(nullptr, "", "MIND");
    thing.SetMatrix(CMatrix(2.0f)); // radius 2: a glow of 10 around it
    thing.m_fRadius = 2.0f;
    thing.m_nGlowTexture = g_pTextureManager->FindName("TEX_SPOT");
    ASSERT_NE(g_pTextureManager->GetTextureForce(thing.m_nGlowTexture), nullptr);
    Device* d = graph.m_lpDevice;
    auto draw = [&]()
    {
        SetDefaultStates();
        const SMatrix identity = IdentityMatrix();
        SMatrix proj = IdentityMatrix();
        proj.m[0][0] = proj.m[1][1] = 0.05f; // 40 units across
        proj.m[2][2] = 0.001f;
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &proj);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        thing.Draw();
        d->EndScene();
        return gfxtest::ReadBackBuffer();
    };
    auto red = [](const std::vector<std::uint32_t>& p, int x) { return int((p[std::size_t(24 * 64 + x)] >> 16) & 0xFF); };
    thing.m_fAge = 0.0f; // sin 0: alpha 0.4
    const auto dim = draw();
    ASSERT_EQ(dim.size(), 64u * 48u);
    thing.m_fAge = 0.25f; // sin 90 degrees: alpha 0.55
    const auto bright = draw();
    EXPECT_GT(red(dim, 32), 60);
    EXPECT_GT(red(bright, 32), red(dim, 32) + 15);
    EXPECT_EQ(red(bright, 32 + 24), 0); // beyond 10 units
    EXPECT_EQ(m_cells.m_nMapMeshes, 1);  // the patch is built once
    thing.m_bLying = 0;
    EXPECT_EQ(red(draw(), 32), 0);
    g_LightWare.DisableLights();
    g_LightWare.ResetFrame();
}

// Near the camera a thing lights itself from below with device light 10,
// a purple pulse; past 500 units the light stays off.
TEST_F(ObjectDraw, ANearThingLightsItselfWithItsOwnLight)
{
    CTheThing thing;
    thing.Init(nullptr, "", "MIND");
    thing.m_nModel = 0;
    thing.m_nGlowTexture = -1;
    thing.m_fRadius = 1.5f;
    CMatrix m(1.0f);
    m.SetTranslation(CVector{0, 0, 0.5f});
    thing.SetMatrix(m);
    thing.m_fAge = 0.25f; // the pulse at its top
    Device* d = graph.m_lpDevice;
    auto draw = [&]()
    {
        SetDefaultStates();
        const SMatrix identity = IdentityMatrix();
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &identity);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        thing.Draw();
        d->EndScene();
        bool on = true;
        d->GetLightEnable(CTheThing::kDeviceLight, &on);
        EXPECT_FALSE(on); // off again after the draw
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        return pixels.empty() ? 0u : pixels[24 * w + 32];
    };
    const std::uint32_t near = draw();
    CEyeView far;
    far.m_vEye = CVector{0, 0, -600};
    g_pObjectView = &far;
    const std::uint32_t distant = draw();
    g_pObjectView = nullptr;
    EXPECT_GT(near & 0xFF, (distant & 0xFF) + 20) << std::hex << near << " " << distant;
    EXPECT_GT(near & 0xFF, (near >> 16) & 0xFF); // more blue than red
}
