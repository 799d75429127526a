// The HUD's drawing operations through the real Direct3D 8 layer offscreen
// (read-back pixels), the sprite arithmetic, the colour blends and the view
// camera's visibility tests.

#include "foundation/Color.h"
#include "foundation/Texture.h"
#include "graphics/ImageFile.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureFile.h"
#include "hud/Renderer.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace
{
using namespace plat::d3d;

TEST(HudSprite, ScalesAndMirrorsWithIntegers)
{
    struct SCase
    {
        plat::Rect screen;
        plat::Point origin;
        int scaleX, scaleY;
        plat::Rect wantScreen, wantTexture;
    };
    const plat::Rect cell{100, 200, 100 + 1024, 200 + 1024};
    const SCase cases[] = {
        {{10, 20, 26, 28}, {0, 0}, 1, 1, {10, 20, 26, 28}, {100, 200, 1124, 1224}},
        // Mirrored across: the cell lies to the left of the point.
        {{10, 20, 26, 28}, {0, 0}, -1, 1, {10, 20, -6, 28}, {-100, 200, -1124, 1224}},
        // A mirrored frame corner placed by its corner offset.
        {{50, 50, 58, 58}, {4, 3}, -1, -1, {54, 53, 46, 45}, {-100, -200, -1124, -1224}},
        {{0, 0, 5, 5}, {1, 2}, 2, 2, {-2, -4, 8, 6}, {200, 400, 2248, 2448}},
    };
    for (const SCase& c : cases)
    {
        plat::Rect screen, texture;
        ScaleSprite(c.screen, &c.origin, cell, c.scaleX, c.scaleY, &screen, &texture);
        EXPECT_EQ((std::array{screen.left, screen.top, screen.right, screen.bottom}),
                  (std::array{c.wantScreen.left, c.wantScreen.top, c.wantScreen.right, c.wantScreen.bottom}));
        EXPECT_EQ((std::array{texture.left, texture.top, texture.right, texture.bottom}),
                  (std::array{c.wantTexture.left, c.wantTexture.top, c.wantTexture.right, c.wantTexture.bottom}));
    }
}

TEST(HudColours, BlendTable)
{
    EXPECT_EQ(BlendColorRGB(0xFFFF0000u, 0xFFFFFFFFu, 0.5f), 0xFFFF8080u);
    EXPECT_EQ(BlendColorRGB(0x00123456u, 0x00654321u, 1.0f), 0xFF123456u) << "opaque, t = 1 gives a";
    EXPECT_EQ(BlendColorRGB(0x00123456u, 0x00654321u, 0.0f), 0xFF654321u);
    // No 0.5: 127.5 is cut to 127.
    EXPECT_EQ(BlendColorARGB(0xFFFF0000u, 0xFFFFFFFFu, 0.5f, 1.0f), 0xFFFF7F7Fu);
    EXPECT_EQ(BlendColorARGB(0xFFFF0000u, 0xFFFFFFFFu, 0.5f, 0.0f) >> 24, 0u);
    EXPECT_EQ(BlendColorARGB(0x80000000u, 0x40000000u, 0.25f, 1.0f) >> 24, 0x50u);
}

class ViewTests : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = g_ViewCamera; }
    void TearDown() override { g_ViewCamera = m_saved; }
    CViewCamera m_saved;
};

TEST_F(ViewTests, PointsInsideTheMarginAreVisible)
{
    CViewCamera& camera = g_ViewCamera;
    // Clip x = p.x, y = p.y, w = p.z.
    camera.m_mViewProjection = CMatrix(1.0f);
    camera.m_mViewProjection.m[2][3] = 1.0f;
    camera.m_mViewProjection.m[3][3] = 0.0f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct SCase
    {
        CVector p;
        bool visible;
    };
    const SCase cases[] = {
        {{1.01f, 0, 1}, true},  {{-1.01f, 0, 1}, true}, {{0, 1.01f, 1}, true},
        {{1.03f, 0, 1}, false}, {{0, -1.03f, 1}, false}, {{0, 0, 0}, true},
        {{0.001f, 0, 0}, false}, {{0, 0, -1}, false},   {{nan, 0, 1}, false},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(camera.IsPointVisible(c.p), c.visible) << c.p.x << " " << c.p.y << " " << c.p.z;
}

TEST_F(ViewTests, SpheresBehindTheViewer)
{
    CViewCamera& camera = g_ViewCamera;
    // Looking down +z from the origin, 90 degrees across, near plane 1.
    camera.m_mView = CMatrix(1.0f);
    camera.m_mProjection = CMatrix(1.0f);
    camera.m_mProjection.m[2][2] = 1.0f;
    camera.m_mProjection.m[2][3] = 1.0f;
    camera.m_mProjection.m[3][2] = -1.0f;
    camera.m_mProjection.m[3][3] = 0.0f;
    camera.UpdateViewProjection();
    EXPECT_TRUE(camera.IsSphereVisible({0, 0, 10}, 1.0f));
    EXPECT_TRUE(camera.IsSphereVisible({0, 0, -0.5f}, 2.0f)) << "behind by less than the radius";
    EXPECT_FALSE(camera.IsSphereVisible({0, 0, -5.0f}, 2.0f)) << "behind by more than the radius";
    EXPECT_FALSE(camera.IsSphereVisible({50, 0, 10}, 1.0f)) << "far to the side";
}

class HudDrawing : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(96, 48));
        RegisterTextureFileReader();
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
    }
    void TearDown() override
    {
        m_texture.Free();
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
    CTexture m_texture;
};

TEST_F(HudDrawing, QuadsAndSpritesShowTheirTexels)
{
    // 32 x 32: the left half white, the right half blue.
    std::vector<std::uint32_t> texels(32 * 32);
    for (int i = 0; i < 32 * 32; ++i) texels[std::size_t(i)] = i % 32 < 16 ? 0xFFFFFFFFu : 0xFF0000FFu;
    const std::string path = Tree() / "sheet.tm";
    ASSERT_TRUE(WriteImageFile(path.c_str(), MakeImageLevels(texels, 32, 32, 1), false, 21));
    ASSERT_TRUE(m_texture.LoadFromFile(path.c_str(), 32, 0, 1, 1)) << Tree().ErrorLog();

    Device* d = graph.m_lpDevice;
    d->SetRenderState(D3DRS_ZENABLE, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
    d->BeginScene();
    CRenderer renderer;
    const plat::Rect whole{0, 0, 32, 32};
    const plat::Rect rightHalf{16, 0, 16 + 32, 32};
    renderer.DrawQuad(plat::Rect{0, 0, 16, 16}, &whole, &m_texture, 0);
    renderer.DrawQuad(plat::Rect{16, 0, 32, 16}, &rightHalf, &m_texture, 0);
    renderer.DrawQuad(plat::Rect{0, 16, 16, 32}, &whole, &m_texture, 0xFFFF0000u);
    // Mirrored: x 56 down to 40, the white half.
    plat::Rect screen, texture;
    ScaleSprite(plat::Rect{56, 0, 72, 16}, nullptr, whole, -1, 1, &screen, &texture);
    renderer.DrawQuad(screen, &texture, &m_texture, 0);
    renderer.FillQuad(plat::Rect{40, 24, 56, 40}, 0xFF00FF00u);
    renderer.DrawQuad(plat::Rect{64, 24, 80, 40}, &whole, -1, 0); // no texture: nothing
    d->EndScene();
    CMesh::ResetCurrent();

    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_EQ(w, 96u);
    auto at = [&](int x, int y) { return pixels[std::size_t(y) * w + std::size_t(x)] & 0xFFFFFF; };
    EXPECT_EQ(at(8, 8), 0xFFFFFFu);
    EXPECT_EQ(at(24, 8), 0x0000FFu);
    EXPECT_EQ(at(8, 24), 0xFF0000u) << "white modulated by red";
    EXPECT_EQ(at(48, 8), 0xFFFFFFu);
    EXPECT_EQ(at(60, 8), 0u);
    EXPECT_EQ(at(48, 32), 0x00FF00u);
    EXPECT_EQ(at(72, 32), 0u);
}
} // namespace
