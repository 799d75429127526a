// The radar's drawing: the tile windows' slots and loads, the cockpit
// radar's reach, the big map's arithmetic, and the minimap drawn through
// the real Direct3D 8 layer offscreen from a radar map file the test writes.

#include "graphics/GraphicTestDevice.h"

#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "hud/radar/Radar.h"
#include "hud/radar/RadarDrawing.h"

#include <gtest/gtest.h>

namespace
{
// The radar of a location of 4 x 4 cells without a map file.
class RadarWindows : public ::testing::Test
{
protected:
    RadarWindows() { m_Radar.InitLocationMap("none.lom", 4, 4); }
    CRadar m_Radar;
};

TEST(RadarArithmetic, SlotsWrapForNegativeTilesToo)
{
    EXPECT_EQ(radar::Slot(0, 8), 0);
    EXPECT_EQ(radar::Slot(9, 8), 1);
    EXPECT_EQ(radar::Slot(-3, 8), 5);
    EXPECT_EQ(radar::Slot(-19, 8), 5);
    EXPECT_EQ(radar::Slot(-1, 23), 22);
    EXPECT_EQ(radar::CanvasSize(1024), 1520);
    EXPECT_EQ(radar::CanvasSize(768), 1264);
}

TEST(RadarArithmetic, TargetOnTheSquaresEdgeGetsTheArrow)
{
    EXPECT_TRUE(radar::InRadarSquare(84.9f, -84.9f));
    EXPECT_FALSE(radar::InRadarSquare(85.0f, 0.0f)); // exactly 85 steps: the edge arrow
    float ex, ey;
    radar::EdgePoint(170.0f, -85.0f, &ex, &ey);
    EXPECT_FLOAT_EQ(ex, 85.0f);
    EXPECT_FLOAT_EQ(ey, -42.5f);
}

TEST(RadarArithmetic, BigMapMarksWithinTwelvePixelsAreClipped)
{
    EXPECT_FALSE(radar::BigMapPointShown(-12.0f, 50.0f, 200, 100));
    EXPECT_TRUE(radar::BigMapPointShown(-11.0f, 50.0f, 200, 100));
    EXPECT_FALSE(radar::BigMapPointShown(50.0f, 112.0f, 200, 100));
    // A 32 x 32 point centred 11 pixels left of the view: 5 columns stay,
    // and the texture moves right by the 27 cut off.
    plat::Rect rect{-11 - 16, 10, -11 + 16, 42};
    plat::Rect source{32, 0, 64, 32};
    ASSERT_TRUE(radar::ClipRect(plat::Rect{0, 0, 200, 100}, &rect, &source));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 5);
    EXPECT_EQ(source.left, 59);
    EXPECT_EQ(source.right, 91);
    plat::Rect gone{-40, 0, -8, 32}, unused{};
    EXPECT_FALSE(radar::ClipRect(plat::Rect{0, 0, 200, 100}, &gone, &unused));
}

TEST_F(RadarWindows, LayerReadsOnlyTheTilesThatEnterTheWindow)
{
    m_Radar.m_vPlayer = CVector{2000.0f, 2000.0f, 0.0f}; // grid (200, 200)
    m_Radar.CreateLayer0();
    EXPECT_EQ(m_Radar.m_nTileReads, 64u);
    EXPECT_EQ(m_Radar.m_nLayerColumn, 0);
    EXPECT_FLOAT_EQ(m_Radar.m_fPlayerOffsetX, 8.0f);
    // Within the tile: nothing; across one border: one column of 8; across
    // both: a row and a column (15).
    m_Radar.m_vPlayer = CVector{2500.0f, 2300.0f, 0.0f};
    m_Radar.CreateLayer0();
    EXPECT_EQ(m_Radar.m_nTileReads, 64u);
    m_Radar.m_vPlayer = CVector{2600.0f, 2300.0f, 0.0f};
    m_Radar.CreateLayer0();
    EXPECT_EQ(m_Radar.m_nTileReads, 72u);
    m_Radar.m_vPlayer = CVector{3300.0f, 2600.0f, 0.0f};
    m_Radar.CreateLayer0();
    EXPECT_EQ(m_Radar.m_nTileReads, 87u);
    // Back where it started: the window's slots hold the old tiles no more.
    m_Radar.m_vPlayer = CVector{-100.0f, -100.0f, 0.0f};
    m_Radar.CreateLayer0();
    EXPECT_EQ(m_Radar.m_nLayerColumn, -4);
}

TEST_F(RadarWindows, BigMapTilesScaleWithTheZoom)
{
    m_Radar.m_nViewWidth = 400;
    m_Radar.m_nViewHeight = 300;
    m_Radar.m_nCanvasColumns = 23;
    m_Radar.m_nCanvasRows = 19;
    for (float zoom : {0.5f, 1.0f, 2.0f})
    {
        m_Radar.m_fZoom = zoom;
        m_Radar.SetBMVector(CVector{1280.0f, 1280.0f, 0.0f});
        const plat::Rect tile = m_Radar.BigMapTileRect(m_Radar.m_nFirstColumn + 1, m_Radar.m_nFirstRow);
        EXPECT_EQ(tile.right - tile.left, int(64 * zoom)) << zoom;
        // The centre point is at the view's centre.
        float sx, sy;
        m_Radar.BigMapPixel(CVector{1280.0f, 1280.0f, 0.0f}, &sx, &sy);
        EXPECT_NEAR(sx, 200.0f, 0.01f) << zoom;
        EXPECT_NEAR(sy, 150.0f, 0.01f) << zoom;
    }
    // A small scroll loads nothing new; a tile's width loads one column.
    m_Radar.m_fZoom = 1.0f;
    m_Radar.SetBMVector(CVector{1280.0f, 1280.0f, 0.0f});
    const std::uint32_t reads = m_Radar.m_nTileReads;
    m_Radar.SetBMVector(CVector{1290.0f, 1280.0f, 0.0f});
    EXPECT_EQ(m_Radar.m_nTileReads, reads);
    m_Radar.SetBMVector(CVector{1280.0f + 640.0f, 1280.0f, 0.0f});
    EXPECT_EQ(m_Radar.m_nTileReads, reads + 19);

    // A new location empties every canvas slot, the 23rd column's too.
    m_Radar.InitLocationMap("other.lom", 4, 4);
    const std::uint32_t before = m_Radar.m_nTileReads;
    m_Radar.SetBMVector(CVector{1280.0f + 640.0f, 1280.0f, 0.0f});
    EXPECT_EQ(m_Radar.m_nTileReads, before + 23u * 19u);
}

class RadarPicture : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        SDisplayParameters params = gfxtest::WindowedParameters();
        params.width = 256;
        params.height = 200;
        ASSERT_TRUE(OpenDevice(256, 200, params));
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
        g_pRadarMapFile = &m_MapFile;
    }
    void TearDown() override
    {
        m_Radar.Done();
        m_Radar.DoneBigMap();
        g_pRadarMapFile = nullptr;
        m_MapFile.Close();
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
    CRadarMapFile m_MapFile;
    CRadar m_Radar;
};

TEST_F(RadarPicture, MinimapShowsTheMapAroundThePlayer)
{
    // 4 x 4 cells: the western half red, the eastern half blue.
    std::vector<std::uint32_t> picture(256 * 256);
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = i % 256 < 128 ? 0xFFFF0000u : 0xFF0000FFu;
    const std::string path = Tree() / "map.lom";
    ASSERT_TRUE(WriteRadarMapFile(path.c_str(), 256, 256, picture));
    m_Radar.Init();
    ASSERT_NE(m_Radar.m_pLayerTexture, nullptr);
    m_Radar.InitLocationMap(path.c_str(), 4, 4);
    ASSERT_TRUE(m_MapFile.IsOpen());
    // The player 28 grid steps west of the colour border.
    m_Radar.m_vPlayer = CVector{1000.0f, 1280.0f, 0.0f};

    using namespace plat::d3d;
    Device* d = graph.m_lpDevice;
    d->SetRenderState(D3DRS_ZENABLE, 0);
    graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
    d->BeginScene();
    m_Radar.DrawMinimap();
    d->EndScene();
    CMesh::ResetCurrent();

    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_EQ(w, 256u);
    auto at = [&](int x, int y) { return pixels[std::size_t(y) * w + std::size_t(x)] & 0xFFFFFF; };
    const int cx = 256 - 98, cy = 102;
    const auto isRed = [](std::uint32_t c) { return (c >> 16 & 0xFF) > 0xE0 && (c & 0xFF) < 0x20; };
    const auto isBlue = [](std::uint32_t c) { return (c & 0xFF) > 0xE0 && (c >> 16 & 0xFF) < 0x20; };
    EXPECT_TRUE(isRed(at(cx, cy))) << std::hex << at(cx, cy);
    // 60 pixels to either side along the border's normal: red on one side,
    // blue on the other, however the map is turned.
    const std::uint32_t left = at(cx - 60, cy), right = at(cx + 60, cy);
    EXPECT_TRUE((isRed(left) && isBlue(right)) || (isBlue(left) && isRed(right)))
        << std::hex << left << " " << right;
    // Outside the minimap's square nothing is drawn.
    EXPECT_EQ(at(cx, 195), 0u);
    EXPECT_EQ(at(256 - 190, cy), 0u);
}

TEST_F(RadarPicture, BigMapFadesInTheExploredPart)
{
    // 4 x 4 cells of red land.
    std::vector<std::uint32_t> picture(256 * 256, 0xFFFF0000u);
    const std::string path = Tree() / "map.lom";
    ASSERT_TRUE(WriteRadarMapFile(path.c_str(), 256, 256, picture));
    m_Radar.Init();
    m_Radar.InitLocationMap(path.c_str(), 4, 4);
    // Explored: the western half of the first tile row only.
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 16; ++column)
            m_Radar.m_Explored[std::size_t(row * 32 + column)] = 255;
    m_Radar.InitBigMap(200, 150);
    ASSERT_NE(m_Radar.m_pCanvasSurface, nullptr);
    // The view's top-left corner on the map's corner.
    m_Radar.SetBMVector(CVector{1000.0f, 750.0f, 0.0f});
    EXPECT_EQ(m_Radar.m_nFirstColumn, 0);
    EXPECT_EQ(m_Radar.m_nFirstRow, 0);

    using namespace plat::d3d;
    Device* d = graph.m_lpDevice;
    d->SetRenderState(D3DRS_ZENABLE, 0);
    graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
    d->BeginScene();
    m_Radar.RenderBigMap(20, 10, 1.0f);
    d->EndScene();
    CMesh::ResetCurrent();

    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    auto at = [&](int x, int y) { return pixels[std::size_t(y) * w + std::size_t(x)] & 0xFFFFFF; };
    // Explored (view x < 128, y < 64): the map's red; beyond: nothing.
    EXPECT_GT(at(20 + 30, 10 + 30) >> 16 & 0xFF, 0xE0u) << std::hex << at(50, 40);
    EXPECT_EQ(at(20 + 160, 10 + 30), 0u);
    EXPECT_EQ(at(20 + 30, 10 + 100), 0u);
    // Left of the view nothing is drawn.
    EXPECT_EQ(at(10, 40), 0u);
}
} // namespace
