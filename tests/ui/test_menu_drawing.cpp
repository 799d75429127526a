// The menu base's drawing through the real Direct3D 8 layer offscreen
// (read-back pixels): the tooltip box framed from the icon sheet, the
// darkening of the scene behind a menu with and without its noise layer,
// and the building menu's lights as the device holds them.

#include "UITestKit.h"

#include "foundation/ClassFactory.h"
#include "foundation/GuidKey.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/Font.h"
#include "graphics/ImageFile.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "ui/UI.h"
#include "ui/menu/BaseMenu.h"
#include "ui/menu/UIDialog.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace
{
using namespace plat::d3d;

// "Текстуры" in code page 1251.
constexpr const char* kTextureSection = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB";
constexpr std::uint32_t kFrame = 0xFFFF0000u;
constexpr std::uint32_t kInside = 0xFF0000FFu;

class MenuDrawing : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(320, 240));
        RegisterTextureFileReader();
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
        m_font.Init("DejaVu Sans", 10, 0, 0, 1, 1.0f, 0);
        g_pFontSmall = &m_font;
        m_quality = g_Settings.TextureQuality;
        m_compression = g_Settings.TextureCompression;
        g_Settings.TextureQuality = 0;
        g_Settings.TextureCompression = 0;

        // The icon sheet: the tooltip frame's texels (a ring two wide round
        // columns 1-13, rows 73-85) in red, the 9 x 9 patch inside in blue.
        std::vector<std::uint32_t> icons(256 * 256, 0xFF000000u);
        for (int y = 73; y < 86; ++y)
            for (int x = 1; x < 14; ++x)
                icons[std::size_t(y * 256 + x)] = x >= 3 && x < 12 && y >= 75 && y < 84 ? kInside : kFrame;
        ASSERT_TRUE(WriteImageFile("icons.tm", MakeImageLevels(icons, 256, 256), false, kImageFormatA8R8G8B8));
        std::vector<std::uint32_t> white(32 * 32, 0xFFFFFFFFu);
        ASSERT_TRUE(WriteImageFile("noise.tm", MakeImageLevels(white, 32, 32), false, kImageFormatA8R8G8B8));
        std::ofstream("db.ini") << "[" << kTextureSection << "]\nfilename=tex.ini\n";
        std::ofstream("tex.ini") << "[TEX_INT_ICONS]\nFilename=icons.tm\nTEXTURETYPE=2\n"
                                    "[TEX_INT_NOISE]\nFilename=noise.tm\nTEXTURETYPE=2\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        m_textures = std::make_unique<TextureManager>();
        m_textures->Init(kTextureSection);
        g_pTextureManager = m_textures.get();
        for (const char* name : {"TEX_INT_ICONS", "TEX_INT_NOISE"})
            ASSERT_NE(m_textures->GetTextureForce(m_textures->FindName(name)), nullptr) << name;
        Device* d = graph.m_lpDevice;
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_LIGHTING, 0);
        d->SetRenderState(D3DRS_FOGENABLE, 0);
    }
    void TearDown() override
    {
        g_pTextureManager = nullptr;
        m_textures.reset();
        g_ResourceDB.Done();
        g_Settings.TextureQuality = m_quality;
        g_Settings.TextureCompression = m_compression;
        g_pFontSmall = nullptr;
        m_font.Done();
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    std::uint32_t At(int x, int y)
    {
        if (m_pixels.empty()) m_pixels = gfxtest::ReadBackBuffer(&m_width);
        return m_pixels[std::size_t(y) * m_width + std::size_t(x)] & 0xFFFFFFu;
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
    CFont m_font;
    std::unique_ptr<TextureManager> m_textures;
    int m_quality = 0;
    std::uint8_t m_compression = 0;
    std::vector<std::uint32_t> m_pixels;
    std::uint32_t m_width = 0;
};

TEST_F(MenuDrawing, TheTooltipBoxIsFramedTwoPixelsRound)
{
    CBaseMenu menu;
    auto* element = new CMenuControl(0, 0, 10, 10);
    element->m_ToolTip = "   ";
    menu.AddControl(element);
    menu.m_pToolTip = element;
    menu.m_Mouse = plat::Point{100, 120};
    const int width = m_font.TextWidth("   ") + 4, height = m_font.GetHeight(1.0f) + 4;
    const plat::Point at = ToolTipBoxOrigin(100, 120, width, height, 320);
    graph.Clear(D3DCLEAR_TARGET, 0xFF000000u);
    graph.m_lpDevice->BeginScene();
    menu.RenderToolTips();
    graph.m_lpDevice->EndScene();

    const int x0 = at.x, y0 = at.y, x1 = at.x + width, y1 = at.y + height;
    EXPECT_EQ(At(x0 + width / 2, y0 + height / 2), kInside & 0xFFFFFF);
    for (const auto& [x, y] : {std::pair{x0 - 2, y0 - 2}, {x0 - 1, y0 + height / 2}, {x1 + 1, y1 + 1},
                              {x0 + width / 2, y0 - 1}, {x0 + width / 2, y1 + 1}, {x1, y0 + 1}})
        EXPECT_EQ(At(x, y), kFrame & 0xFFFFFF) << x << "," << y;
    for (const auto& [x, y] : {std::pair{x0 - 3, y0}, {x1 + 2, y0}, {x0, y0 - 3}, {x0, y1 + 2}})
        EXPECT_EQ(At(x, y), 0u) << "outside the frame " << x << "," << y;
}

TEST_F(MenuDrawing, TheSceneIsDarkenedByTheNoiseAndTheGrey)
{
    struct SCase
    {
        float strength;
        bool noise;
        int red, blue; // expected of a white frame
    };
    // With the (white) noise at strength s: the frame x mix(colour, white,
    // a = trunc(255 s) / 255), then x trunc(0xB0 (1 - s)) / 255.
    const SCase cases[] = {
        {0.5f, true, 66, 74},
        {0.0f, true, 88, 121},
        {0.5f, false, 88, 88},
        {1.0f, true, 0, 0},
    };
    for (const SCase& c : cases)
    {
        if (!c.noise) g_pTextureManager = nullptr;
        CBaseMenu menu;
        graph.Clear(D3DCLEAR_TARGET, 0xFFFFFFFFu);
        graph.m_lpDevice->BeginScene();
        menu.RenderNoise(0x8080B0u, c.strength);
        graph.m_lpDevice->EndScene();
        m_pixels.clear();
        const std::uint32_t p = At(160, 120);
        EXPECT_NEAR(int(p >> 16), c.red, 3) << c.strength << (c.noise ? " noise" : "");
        EXPECT_NEAR(int(p & 0xFF), c.blue, 3) << c.strength << (c.noise ? " noise" : "");
        EXPECT_EQ(p, At(7, 233)) << "the whole screen alike";
        g_pTextureManager = m_textures.get();
    }
}

TEST_F(MenuDrawing, TheBuildingMenuLightsItsRoomAndPutsTheProjectionBack)
{
    graph.SetProjection(1000.0f, 2.0f, 60.0f, 45.0f, true);
    CUIBaseDialog dialog;
    graph.m_lpDevice->BeginScene();
    dialog.RenderBackGround();
    graph.m_lpDevice->EndScene();
    Device* d = graph.m_lpDevice;
    SLight expected[7];
    MakeBaseLights(g_fEngineTime, expected);
    for (std::uint32_t i = 0; i < 7; ++i)
    {
        SLight light{};
        ASSERT_EQ(d->GetLight(i, &light), D3D_OK) << i;
        EXPECT_EQ(light.Type, expected[i].Type) << i;
        EXPECT_FLOAT_EQ(light.Range, expected[i].Range) << i;
        bool on = true;
        d->GetLightEnable(i, &on);
        EXPECT_FALSE(on) << "light " << i << " off after the room";
    }
    SMatrix projection{};
    d->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_FLOAT_EQ(projection.m[1][1], graph.m_KeptProjection.m[1][1]);
    EXPECT_NEAR(projection.m[1][1], 1.0f / std::tan(22.5f * 3.14159265f / 180.0f), 1e-5f);
}

class CMainScreen : public IUI
{
public:
    CGuidKey GetGUID() const override
    {
        CGuidKey key;
        MakeGuidKey(&key, "IGUID_CMainUI");
        return key;
    }
};

TEST_F(MenuDrawing, TheMainScreensEffectorsAreLitByAFlickeringLight)
{
    static std::uint32_t index;
    RegisterClassFactory(&index, [] { return static_cast<IBaseInterface*>(new CMainScreen); }, "IGUID_CMainUI");
    graph.SetProjection(1000.0f, 2.0f, 60.0f, 45.0f, true);
    CUIDialog dialog;
    dialog.SetScreen(new CMainScreen, false);
    dialog.ResetTimer();
    graph.m_lpDevice->BeginScene();
    dialog.RenderBackGround();
    graph.m_lpDevice->EndScene();
    Device* d = graph.m_lpDevice;
    SLight light{};
    ASSERT_EQ(d->GetLight(1, &light), D3D_OK);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_NEAR(light.Direction.x, 1.0f / std::sqrt(5.0f), 1e-6f);
    EXPECT_NEAR(light.Direction.y, -2.0f / std::sqrt(5.0f), 1e-6f);
    // 0xFF6060FF at half to full strength.
    EXPECT_GE(light.Diffuse.b, 0.5f);
    EXPECT_LE(light.Diffuse.b, 1.0f);
    EXPECT_NEAR(light.Diffuse.r / light.Diffuse.b, float(0x60) / 255.0f, 1e-5f);
    EXPECT_EQ(light.Diffuse.a, 1.0f);
    bool on = true;
    d->GetLightEnable(1, &on);
    EXPECT_FALSE(on);
    SMatrix projection{};
    d->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_FLOAT_EQ(projection.m[0][0], graph.m_KeptProjection.m[0][0]) << "the kept projection is back";
}
} // namespace
