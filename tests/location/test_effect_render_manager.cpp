// The effect queue (order, equal keys, overflow, immediate drawing during a
// reflection) and the reflection render target through the Direct3D 8 layer
// offscreen: with the clip plane at the water height nothing below the
// water line reaches the reflection.
#include "graphics/GraphicTestDevice.h"
#include "world/QuadModelFile.h"
#include "world/WorldTestScene.h"

#include "foundation/PakFileSystem.h"
#include "foundation/Settings.h"
#include "graphics/ModelManager.h"
#include "location/EffectRenderManager.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace
{
using namespace plat::d3d;

std::vector<std::pair<int, int>> g_Drawn; // (object tag, pass)

class CTagged : public CMMObject
{
public:
    explicit CTagged(int tag) : m_nTag(tag) {}
    void DrawEffect(int pass) override { g_Drawn.emplace_back(m_nTag, pass); }
    int m_nTag;
};

// Fills the reflection only through the effect queue's immediate mode and
// draws a wall from z = -10 to z = 10 across the view.
class CWall : public CMMObject
{
public:
    CWall()
    {
        m_bShown = 1;
        m_fRadius = 20.0f;
    }
    void Draw() override { g_EffectRenderManager.AddObject(1.0f, this, 5); }
    void DrawEffect(int pass) override
    {
        g_Drawn.emplace_back(-1, pass);
        struct V
        {
            float x, y, z;
            std::uint32_t c;
        };
        const V v[4] = {{-20, 0, -10, 0xFFFF0000}, {20, 0, -10, 0xFFFF0000}, {-20, 0, 10, 0xFFFF0000},
                        {20, 0, 10, 0xFFFF0000}};
        Device* d = graph.m_lpDevice;
        CMatrix id(1.0f);
        d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&id));
        d->SetRenderState(D3DRS_LIGHTING, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetTexture(0, nullptr);
        VertexBuffer* vb = nullptr;
        d->CreateVertexBuffer(sizeof v, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_MANAGED, &vb);
        ASSERT_NE(vb, nullptr);
        std::uint8_t* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, v, sizeof v);
        vb->Unlock();
        d->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        d->SetStreamSource(0, vb, sizeof(V));
        d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        d->SetStreamSource(0, nullptr, 0);
        vb->Release();
    }
};

} // namespace

TEST(EffectQueue, FarthestFirstEqualKeysBothDrawnAndSurplusRefused)
{
    auto m = std::make_unique<CEffectRenderManager>();
    CTagged a(1), b(2), c(3), d(4);
    g_Drawn.clear();
    m->RenderEffects(); // empty: nothing drawn
    EXPECT_TRUE(g_Drawn.empty());

    m->AddObject(10.0f, &a, 0);
    m->AddObject(400.0f, &b, 1);
    m->AddObject(10.0f, &c, 2);
    m->AddObject(0.0f, &d, 3);
    m->AddObject(5.0f, nullptr, CEffectRenderManager::kDetailPass);
    m->RenderEffects();
    ASSERT_EQ(g_Drawn.size(), 4u);
    EXPECT_EQ(g_Drawn[0], std::make_pair(2, 1));
    EXPECT_EQ(g_Drawn[3], std::make_pair(4, 3));
    const bool both = (g_Drawn[1].first == 1 && g_Drawn[2].first == 3) ||
                      (g_Drawn[1].first == 3 && g_Drawn[2].first == 1);
    EXPECT_TRUE(both);

    // The queue stays until the frame is reset.
    g_Drawn.clear();
    m->RenderEffects();
    EXPECT_EQ(g_Drawn.size(), 4u);
    m->ResetFrame();
    for (int i = 0; i < CEffectRenderManager::kMaxEntries + 10; ++i)
        m->AddObject(float(i % 7), &a, 0);
    EXPECT_EQ(m->m_nCount, CEffectRenderManager::kMaxEntries);
    EXPECT_EQ(m->m_nDropped, 10u);
    g_Drawn.clear();
    m->RenderEffects();
    EXPECT_EQ(g_Drawn.size(), std::size_t(CEffectRenderManager::kMaxEntries));

    // Not deferring: drawn at once, not queued.
    m->ResetFrame();
    m->m_bDeferred = false;
    g_Drawn.clear();
    m->AddObject(3.0f, &b, 7);
    EXPECT_EQ(m->m_nCount, 0);
    EXPECT_EQ(g_Drawn.size(), 1u);
}

class ReflectionPixels : public gfxtest::CGraphicDeviceTest
{
};

TEST_F(ReflectionPixels, ClipPlaneKeepsOnlyWhatIsAboveTheWater)
{
    ASSERT_TRUE(OpenDevice());
    worldtest::CScene scene;
    scene.m_Cells.ShowAllCells();
    const std::uint8_t full = g_Settings.FullReflection;
    g_Settings.FullReflection = 1;

    g_EffectRenderManager.Init(1);
    ASSERT_NE(g_EffectRenderManager.GetSlotTexture(0), nullptr);
    auto* wall = new CWall;
    CMatrix at(1.0f);
    at.SetTranslation(CVector{0, 30, 0});
    wall->SetMatrix(at);
    g_ObjectList.AddObject(wall);

    // Looking along +y from (0, -30, 0); the wall fills the middle of the view.
    CMatrix view(1.0f);
    view.m[1][1] = 0.0f;
    view.m[1][2] = 1.0f;
    view.m[2][1] = 1.0f;
    view.m[2][2] = 0.0f;
    view.m[3][2] = 30.0f;
    CMatrix proj;
    proj.m[0][0] = 1.0f;
    proj.m[1][1] = 1.0f;
    proj.m[2][2] = 1000.0f / 999.0f;
    proj.m[2][3] = 1.0f;
    proj.m[3][2] = -1000.0f / 999.0f;
    graph.m_lpDevice->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&view));
    graph.m_lpDevice->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const SMatrix*>(&proj));

    g_EffectRenderManager.ResetFrame();
    g_Drawn.clear();
    EXPECT_EQ(g_EffectRenderManager.CreateReflection(0.0f), 1);
    // Drawn inside the reflection, not queued.
    EXPECT_EQ(g_EffectRenderManager.m_nCount, 0);
    ASSERT_FALSE(g_Drawn.empty());
    EXPECT_EQ(g_EffectRenderManager.CreateReflection(0.0f), 0);

    // The red of the slot above and below the middle row.
    auto halves = [] {
        Surface* level = nullptr;
        Surface* image = nullptr;
        std::pair<std::uint32_t, std::uint32_t> out{0, 0};
        if (g_EffectRenderManager.GetSlotTexture(0)->GetSurfaceLevel(0, &level) != D3D_OK) return out;
        graph.m_lpDevice->CreateImageSurface(512, 512, D3DFMT_A8R8G8B8, &image);
        if (image && graph.m_lpDevice->CopyRects(level, nullptr, 0, image, nullptr) == D3D_OK)
        {
            SLockedRect locked{};
            if (image->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK)
            {
                auto pixel = [&](int x, int y) {
                    std::uint32_t c;
                    std::memcpy(&c, static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
                    return c & 0xFFFFFF;
                };
                out = {pixel(256, 256 - 40), pixel(256, 256 + 40)};
                image->UnlockRect();
            }
        }
        if (image) image->Release();
        level->Release();
        return out;
    };
    // The wall spans z -10..10 at distance 60: rows 256 +- 85. Above the
    // water line (z > 0) it is there; below it is clipped away. Which image
    // row is up depends on the target's orientation, so compare the halves.
    const auto clipped = halves();
    EXPECT_TRUE((clipped.first == 0xFF0000) != (clipped.second == 0xFF0000))
        << std::hex << clipped.first << " " << clipped.second;
    // With the water far below, the whole wall is reflected.
    g_EffectRenderManager.ResetFrame();
    EXPECT_EQ(g_EffectRenderManager.CreateReflection(-100.0f), 1);
    const auto whole = halves();
    EXPECT_EQ(whole.first, 0xFF0000u);
    EXPECT_EQ(whole.second, 0xFF0000u);

    g_EffectRenderManager.ResetFrame();
    EXPECT_EQ(g_EffectRenderManager.CreateReflection(0.0f), 1);
    g_EffectRenderManager.Done();
    g_Settings.FullReflection = full;
}

// One model drawn into the 256 x 256 model texture: transparent around it,
// the model in the middle, with and without the blur passes; the frame's
// render target and depth test come back.
TEST_F(ReflectionPixels, RenderModelToTextureDrawsTheModelIntoTheModelTexture)
{
    ASSERT_TRUE(OpenDevice());
    TexShaderManager shaders;
    CModelManager models;
    ASSERT_TRUE(shaders.Init(false));
    g_pTexShaderManager = &shaders;
    g_pModelManager = &models;
    ASSERT_TRUE(models.Init());
    std::ofstream("quad.mdl", std::ios::binary) << worldtest::QuadModelFile();
    CComplexObject quad;
    {
        CPakStream stream;
        ASSERT_TRUE(GetPakFileSystem().OpenStream("quad.mdl", stream));
        ASSERT_TRUE(quad.LoadFromStream(stream));
    }
    g_EffectRenderManager.Init(1);
    Device* d = graph.m_lpDevice;
    Surface* frame = nullptr;
    d->GetRenderTarget(&frame);
    d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    d->SetRenderState(D3DRS_LIGHTING, 1);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    auto texel = [](int x, int y) {
        Surface* level = nullptr;
        Surface* image = nullptr;
        std::uint32_t c = 0xDEADBEEF;
        if (g_EffectRenderManager.m_pModelTexture->GetSurfaceLevel(0, &level) != D3D_OK) return c;
        graph.m_lpDevice->CreateImageSurface(256, 256, D3DFMT_A8R8G8B8, &image);
        if (image && graph.m_lpDevice->CopyRects(level, nullptr, 0, image, nullptr) == D3D_OK)
        {
            SLockedRect locked{};
            if (image->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK)
            {
                std::memcpy(&c, static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
                image->UnlockRect();
            }
        }
        if (image) image->Release();
        level->Release();
        return c;
    };
    EXPECT_EQ(g_EffectRenderManager.RenderModelToTexture(nullptr, nullptr, -1, 0, 2.0f, CMatrix(1.0f), false), 0);
    for (bool blur : {false, true})
    {
        d->BeginScene();
        EXPECT_EQ(g_EffectRenderManager.RenderModelToTexture(&quad, nullptr, -1, 0, 2.0f, CMatrix(1.0f), blur), 1);
        d->EndScene();
        // The quad spans +-0.49 at 1.44 ahead: +-0.34 of the half width.
        EXPECT_GT((texel(128, 128) >> 16) & 0xFF, 0xC0u) << "blur " << blur;
        EXPECT_EQ(texel(10, 10), 0u) << "blur " << blur;
        EXPECT_EQ(texel(128, 30), 0u) << "blur " << blur;
        Surface* now = nullptr;
        d->GetRenderTarget(&now);
        EXPECT_EQ(now, frame);
        if (now) now->Release();
        std::uint32_t z = 0;
        d->GetRenderState(D3DRS_ZENABLE, &z);
        EXPECT_EQ(z, 1u);
    }
    if (frame) frame->Release();
    g_EffectRenderManager.Done();
    models.Purge();
    models.InvalidateDeviceObjects();
    g_pModelManager = nullptr;
    shaders.Purge();
    g_pTexShaderManager = nullptr;
    CMesh::ResetCurrent();
}
