// Terrain rendering: the visible-cell list (radius, levels, the sqrt 2
// rule, the map edges, the sort, the request indices, its capacity), and
// through the real Direct3D 8 layer offscreen: a lit ridge with two land
// types read back pixel by pixel, and the sample location drawn from above
// at the three block levels into "terrain_levels.png".
#include "LandTypeFixture.h"
#include "LocationFixture.h"
#include "TerrainPixelFixture.h"
#include "location/Environment.h"

#include "foundation/Texture.h"
#include "graphics/GraphicTestDevice.h"
#include "graphics/ModelManager.h"
#include "graphics/PngWriter.h"
#include "graphics/TexShaderManager.h"
#include "location/LocationObjectCells.h"
#include "location/ViewCamera.h"
#include "tools/mksample/SampleLocation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

using namespace plat::d3d;
using testutil::CLandTypeScope;
using testutil::CLocationTest;
using testutil::MakeSource;
using namespace terraintest;

TEST_F(RenderTest, VisibleCellsAtRadius256AreAllNearAndSorted)
{
    ASSERT_TRUE(OpenGrid(16));
    g_Settings.VisibleRadius = 256; // R = 4.5 cells
    ViewFrom(8.5f, 8.5f);
    const auto visible = Visible();
    ASSERT_EQ(visible.size(), 69u); // lattice points with i^2 + j^2 <= 20.25
    EXPECT_EQ(visible[0].x, 8);
    EXPECT_EQ(visible[0].y, 8);
    for (std::size_t i = 0; i < visible.size(); ++i)
    {
        EXPECT_EQ(m_location->GetCell(visible[i].x, visible[i].y).m_nLevel, kLevelNear);
        if (i == 0) continue;
        const auto &a = visible[i - 1], &b = visible[i];
        EXPECT_LE(a.distance2, b.distance2);
        if (a.distance2 == b.distance2)
        {
            EXPECT_TRUE(a.y < b.y || (a.y == b.y && a.x < b.x)) << i; // grid order kept
        }
    }
    // Nothing is loaded: every visible cell is requested, pointing at its
    // place in the sorted list.
    ASSERT_EQ(m_location->GetRequestCount(), 69);
    for (int r = 0; r < m_location->GetRequestCount(); ++r)
    {
        const CLocation::SRequest& request = m_location->GetRequests()[r];
        ASSERT_GE(request.index, 0);
        EXPECT_EQ(visible[std::size_t(request.index)].x, request.x);
        EXPECT_EQ(visible[std::size_t(request.index)].y, request.y);
        EXPECT_EQ(request.level, kLevelNear);
    }
    // The object list walks the same cells through the location's cells.
    CLocationObjectCells cells(*m_location);
    const int* list = nullptr;
    ASSERT_EQ(cells.GetVisibleCells(&list), 69);
    EXPECT_EQ(list[0], 8 * 64 + 8);
    EXPECT_EQ(list[68], visible[68].y * 64 + visible[68].x);
    EXPECT_EQ(cells.GetCellObjects(8 * 64 + 8), &m_location->GetCell(8, 8).m_Objects);
    EXPECT_EQ(cells.GetCellObjects(4096), nullptr);

    m_location->PreRender(); // the requests are loaded in the same frame
    EXPECT_NE(m_location->GetCell(8, 12).m_pNear, nullptr);
    m_location->CycleSetVisibility();
    EXPECT_EQ(m_location->GetRequestCount(), 0);
}

TEST_F(RenderTest, CellsBeyondFiveCellsAreFarAtRadius384)
{
    ASSERT_TRUE(OpenGrid(16));
    g_Settings.VisibleRadius = 384; // R = 6.5 cells
    ViewFrom(8.5f, 8.5f);
    int far = 0;
    for (const auto& v : Visible())
    {
        EXPECT_LE(v.distance2, 42.25f);
        EXPECT_EQ(m_location->GetCell(v.x, v.y).m_nLevel, v.distance2 < 25.0f ? kLevelNear : kLevelFar);
        far += v.distance2 >= 25.0f;
    }
    EXPECT_GT(far, 0);
    // The far cells load far data; a near cell beside a far one bends its edge.
    m_location->CycleLoad();
    EXPECT_NE(m_location->GetCell(8, 3).m_pFar, nullptr);
    EXPECT_EQ(m_location->GetCell(8, 3).m_pNear, nullptr);
    EXPECT_EQ(m_location->GetCell(8, 4).m_pNear->m_bBorder[1], 1);
}

TEST_F(RenderTest, NearCellsPassWithoutTheViewAndEdgesClamp)
{
    ASSERT_TRUE(OpenGrid(16));
    g_Settings.VisibleRadius = 256;
    g_ViewCamera.m_mViewProjection = CMatrix(1.0f); // a view that sees none of the cells' spheres
    ViewFrom(8.5f, 8.5f);
    EXPECT_EQ(Visible().size(), 9u); // within sqrt 2 cells
    g_ViewCamera.m_mViewProjection = CMatrix(0.0f);
    for (auto [x, y] : {std::pair{0.1f, 0.2f}, {15.9f, 15.5f}, {-3.0f, 8.0f}, {19.0f, 19.0f}})
    {
        ViewFrom(x, y);
        for (const auto& v : Visible())
        {
            EXPECT_TRUE(v.x >= 0 && v.x < 16 && v.y >= 0 && v.y < 16) << v.x << ", " << v.y;
        }
    }
}

TEST_F(RenderTest, VisibleListHoldsAtMostAThousandCells)
{
    ASSERT_TRUE(OpenGrid(64));
    g_Settings.VisibleRadius = 2048; // R = 32.5 cells: about 3,300 in range
    ViewFrom(32.0f, 32.0f);
    EXPECT_EQ(m_location->GetVisibleCount(), CLocation::kVisibleCells);
    EXPECT_LE(m_location->GetRequestCount(), CLocation::kRequests);
    for (int r = 0; r < m_location->GetRequestCount(); ++r)
        EXPECT_LT(m_location->GetRequests()[r].index, CLocation::kVisibleCells);
}

namespace
{
// A ridge along y at x = 320 on a one-cell map; rows y < 320 are land type
// 1 (a red texture), the others type 2 (blue).
class RidgeTest : public TerrainPixels
{
protected:
    void OpenRidge()
    {
        m_lands.Add(1, 0);
        m_lands.Add(2, 1);
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFFFF4040u; }));
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFF4040FFu; }));
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFF40FF40u; }));
        SMapSource source = MakeSource(65, 65);
        source.landTypes.resize(source.heights.size());
        for (int y = 0; y < 65; ++y)
            for (int x = 0; x < 65; ++x)
            {
                source.heights[std::size_t(y * 65 + x)] = 200.0f - 6.0f * float(std::abs(x - 32));
                source.landTypes[std::size_t(y * 65 + x)] = y < 32 ? 1 : 2;
            }
        ASSERT_TRUE(Open(source));
        ASSERT_TRUE(m_location->m_bTerrainTechnique);
    }
    std::vector<std::uint32_t> DrawRidge()
    {
        g_ViewCamera.SetPosition(CVector{320, 320, 2000});
        g_ViewCamera.m_mViewProjection = CMatrix(0.0f);
        BeginTarget(128, 128);
        Look(320, 320, 640, 0, 128);
        DrawFrame();
        return EndTarget();
    }
    CLandTypeScope m_lands;
};
} // namespace

// The slope facing the light (+x) is brighter; each half shows its own
// texture; a second frame draws from the device slots the blocks keep.
TEST_F(RidgeTest, LitSlopesAndLandTypeTextures)
{
    OpenRidge();
    const std::vector<std::uint32_t> pixels = DrawRidge();
    // World (x, y) -> pixel: x to the left, y up; 5 units a pixel.
    const auto at = [&](float x, float y)
    {
        const int px = int(64.0f - (x - 320.0f) / 5.0f), py = int(64.0f - (y - 320.0f) / 5.0f);
        return pixels[std::size_t(py) * 128 + std::size_t(px)];
    };
    const std::uint32_t litRed = at(480, 160), darkRed = at(160, 160);
    const std::uint32_t litBlue = at(480, 480), darkBlue = at(160, 480);
    EXPECT_GT(Luma(litRed), Luma(darkRed) + 60) << std::hex << litRed << " " << darkRed;
    EXPECT_GT(Luma(litBlue), Luma(darkBlue) + 60) << std::hex << litBlue << " " << darkBlue;
    for (std::uint32_t c : {litRed, darkRed})
        EXPECT_GT((c >> 16) & 0xFF, (c & 0xFF) + 20) << std::hex << c;
    for (std::uint32_t c : {litBlue, darkBlue})
        EXPECT_GT(c & 0xFF, ((c >> 16) & 0xFF) + 20) << std::hex << c;
    EXPECT_EQ(m_location->m_Stats.slotMisses[0], 0u);
    EXPECT_GT(m_location->m_Stats.buildMisses[0], 0u);

    EXPECT_EQ(DrawRidge(), pixels);
    EXPECT_GT(m_location->m_Stats.slotHits[0], 0u);

    // The reflection pass draws the same ground from the same camera.
    BeginTarget(128, 128);
    Look(320, 320, 640, 0, 128);
    graph.m_lpDevice->BeginScene();
    m_location->RenderForWater();
    graph.m_lpDevice->EndScene();
    EXPECT_EQ(EndTarget(), pixels);
}

// With every level-1 device slot taken the blocks are drawn through the
// "MAP1" render buffer, to the same picture.
TEST_F(RidgeTest, FullDevicePoolFallsBackToTheRenderBuffer)
{
    CModelManager models;
    g_pModelManager = &models;
    OpenRidge();
    const std::vector<std::uint32_t> pixels = DrawRidge();
    for (int p = 0; p < CLocation::kPools; ++p)
        for (int i = 0; i < m_location->GetMeshSlotCount(p); ++i)
            if (SDeviceSlot* device = m_location->GetMeshSlots(p)[i].m_pDevice)
            {
                device->m_bTaken = 0;
                m_location->GetMeshSlots(p)[i].m_pDevice = nullptr;
            }
    for (int i = 0; i < m_location->GetDeviceSlotCount(0); ++i)
        m_location->GetDeviceSlots(0)[i].m_bTaken = 1;
    EXPECT_EQ(DrawRidge(), pixels);
    EXPECT_GT(m_location->m_Stats.slotMisses[0], 0u);
    m_location->Done();
    g_pModelManager = nullptr;
}

// The sample location from above at block levels 1, 2 and 3, side by side,
// into terrain_levels.png next to the test program.
TEST_F(TerrainPixels, SampleLocationAtThreeLevelsToPicture)
{
    CLandTypeScope lands;
    lands.Add(1, 0, 1, 4); // grass; level 1 draws a 2 x 2 atlas of it
    m_textures.m_textures.push_back(MakeTexture(
        [](int x, int y)
        {
            const std::uint32_t n = std::uint32_t((x * 7 + y * 13) % 5) * 6;
            return 0xFF000000u | (0x40 + n) << 16 | (0x90 + n) << 8 | (0x30 + n);
        }));
    m_textures.m_textures.push_back(MakeTexture(
        [](int x, int y)
        {
            const std::uint32_t tint[4] = {0x4A9A38, 0x5AA040, 0x3E8A30, 0x66A848};
            return 0xFF000000u | tint[(x / 16) + 2 * (y / 16)] | (((x ^ y) & 1) ? 0x080808u : 0u);
        }));
    m_textures.m_textures.push_back(MakeTexture(
        [](int x, int y)
        {
            const std::uint32_t n = std::uint32_t((x * 5 + y * 3) % 7) * 5;
            return 0xFF000000u | (0x80 + n) << 16 | (0x70 + n) << 8 | (0x60 + n); // rock, the default
        }));
    ASSERT_TRUE(Open(MakeSampleLocation()));
    g_Settings.VisibleRadius = 0; // one cell a frame: the small test pools suffice
    constexpr std::uint32_t kSide = 256;
    BeginTarget(3 * kSide, kSide);
    const float levels[3][3] = {{1e9f, 1e9f, 1e9f}, {0.0f, 1e9f, 1e9f}, {0.0f, 0.0f, 0.0f}};
    for (int panel = 0; panel < 3; ++panel)
    {
        std::copy(std::begin(levels[panel]), std::end(levels[panel]), m_location->m_fLevelDistance);
        Look(1280, 1280, 2560, std::uint32_t(panel) * kSide, kSide);
        for (int cy = 0; cy < 4; ++cy)
            for (int cx = 0; cx < 4; ++cx)
            {
                g_ViewCamera.SetPosition(
                    CVector{640.0f * float(cx) + 320.0f, 640.0f * float(cy) + 320.0f, 2000.0f});
                g_ViewCamera.m_mViewProjection = CMatrix(0.0f);
                DrawFrame();
            }
    }
    const std::vector<std::uint32_t> pixels = EndTarget();
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "terrain_levels.png";
    gfxtest::WritePng(picture.c_str(), pixels, 3 * kSide, kSide);
    std::printf("terrain levels: %s\n", picture.c_str());
    EXPECT_GT(m_location->m_Stats.buildMisses[0], 0u);
    EXPECT_GT(m_location->m_Stats.buildMisses[1], 0u);
    EXPECT_GT(m_location->m_Stats.buildMisses[2], 0u);
    // Each panel is covered and shows hills: many shades, nothing black.
    for (int panel = 0; panel < 3; ++panel)
    {
        std::set<std::uint32_t> shades;
        int black = 0;
        for (std::uint32_t y = 8; y < kSide - 8; ++y)
            for (std::uint32_t x = 8; x < kSide - 8; ++x)
            {
                const std::uint32_t c = pixels[y * 3 * kSide + std::uint32_t(panel) * kSide + x] & 0xFFFFFF;
                shades.insert(c);
                black += c == 0;
            }
        EXPECT_GT(shades.size(), 200u) << panel;
        EXPECT_EQ(black, 0) << panel;
    }
}
