// The ground detail layer: the weight at half the radius and at the
// radius, no batches without detail textures, a land-type border faded to
// 0 in the other type's batch, the overflow stop with its message, and
// through the Direct3D 8 layer offscreen: the detail texture shows around
// the viewer on its land type and nowhere else.
#include "LandTypeFixture.h"
#include "TerrainPixelFixture.h"

#include "graphics/ModelManager.h"
#include "graphics/PngWriter.h"

#include <gtest/gtest.h>

using namespace terraintest;

namespace
{
struct SVertex
{
    float x, y, z, nx, ny, nz;
    std::uint32_t diffuse, specular;
    float u, v;
};

class GroundDetails : public TerrainPixels
{
protected:
    // A flat cell: land type 1 (grey, red detail texture) left of column
    // 32, type 2 (grey, no detail texture) from it on.
    void OpenFlat(bool detail = true)
    {
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFF808080u; }));
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFFFF0000u; }));
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFF808080u; }));
        const int a = m_lands.Add(1, 0);
        m_lands.Add(2, 0);
        m_lands.Manager().m_Types[std::size_t(a)].textureDetail = detail ? 1 : -1;
        SMapSource source = MakeSource(65, 65);
        source.landTypes.resize(source.heights.size());
        for (int y = 0; y < 65; ++y)
            for (int x = 0; x < 65; ++x)
            {
                source.heights[std::size_t(y * 65 + x)] = 0.0f;
                source.landTypes[std::size_t(y * 65 + x)] = x < 32 ? 1 : 2;
            }
        ASSERT_TRUE(Open(source));
        g_ViewCamera.SetPosition(CVector{320, 320, 2000});
        g_ViewCamera.m_mViewProjection = CMatrix(0.0f);
        m_location->PreRender(); // loads the cell
        m_location->PreRender(); // sees it
    }
    testutil::CLandTypeScope m_lands;
};
} // namespace

TEST(GroundDetailWeight, FullAtHalfTheRadiusNoneAtIt)
{
    EXPECT_EQ(CLocation::DetailWeight(0.0f), 1.0f);
    EXPECT_EQ(CLocation::DetailWeight(0.5f), 1.0f);
    EXPECT_FLOAT_EQ(CLocation::DetailWeight(0.75f), 0.5f);
    EXPECT_EQ(CLocation::DetailWeight(1.0f), 0.0f);
    EXPECT_EQ(CLocation::DetailWeight(1.2f), 0.0f);
}

TEST_F(GroundDetails, NoDetailTextureNoBatches)
{
    OpenFlat(false);
    const float centre[3] = {320, 320, 0};
    m_location->GenerateDetailMesh(centre, 200.0f);
    EXPECT_EQ(m_location->GetDetailBatchCount(), 0);
}

TEST_F(GroundDetails, TheOtherLandTypeFadesToNothingAtTheBorder)
{
    OpenFlat();
    const float centre[3] = {320, 320, 0};
    m_location->GenerateDetailMesh(centre, 200.0f);
    ASSERT_EQ(m_location->GetDetailBatchCount(), 1);
    const CLocation::SDetailBatch& batch = m_location->GetDetailBatch(0);
    ASSERT_GT(batch.vertexCount, 100u);
    EXPECT_EQ(batch.texture, 1);
    EXPECT_FALSE(batch.bump);
    const auto* v = reinterpret_cast<const SVertex*>(m_location->m_SpareBuffers[0].m_pVertices);
    int border = 0;
    for (std::uint32_t i = 0; i < batch.vertexCount; ++i)
    {
        const std::uint32_t alpha = v[i].diffuse >> 24;
        const float dx = v[i].x - 320.0f, dy = v[i].y - 320.0f;
        if (v[i].x >= 320.0f)
        {
            EXPECT_EQ(alpha, 0u) << v[i].x; // type 2: not this batch's
            ++border;
        }
        else if (dx * dx + dy * dy > 200.0f * 200.0f)
        {
            EXPECT_EQ(alpha, 0u);
        }
        EXPECT_LE(v[i].x, 320.0f); // tiles of type 2 only are left out
    }
    EXPECT_GT(border, 0);
    for (std::uint32_t i = 0; i < batch.indexCount; ++i)
        EXPECT_LT(m_location->m_SpareBuffers[0].m_pIndices[i], batch.vertexCount);
}

TEST_F(GroundDetails, AFullBatchStopsWithItsMessage)
{
    OpenFlat();
    m_location->m_SpareBuffers[0].Allocate(0x1D2, 60, 25000);
    const float centre[3] = {320, 320, 0};
    m_location->GenerateDetailMesh(centre, 200.0f);
    ASSERT_EQ(m_location->GetDetailBatchCount(), 1);
    EXPECT_LE(m_location->GetDetailBatch(0).vertexCount, 60u);
    EXPECT_GT(m_location->GetDetailBatch(0).vertexCount, 40u);
    EXPECT_NE(ReadText("error.log").find("DETAILS VERTEX OVERFLOW"), std::string::npos);
}

TEST_F(GroundDetails, TheDetailTextureShowsAroundTheViewerOnItsLandType)
{
    CModelManager models;
    g_pModelManager = &models;
    OpenFlat();
    const auto draw = [&](bool details)
    {
        m_location->m_bDrawDetails = details;
        BeginTarget(128, 128);
        Look(320, 320, 640, 0, 128);
        DrawFrame();
        return EndTarget();
    };
    const std::vector<std::uint32_t> plain = draw(false), layered = draw(true);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "ground_details.png").c_str(), layered, 128, 128);
    // World (x, y) -> pixel: x to the left, y up; 5 units a pixel.
    const auto at = [](const std::vector<std::uint32_t>& p, float x, float y)
    {
        const int px = int(64.0f - (x - 320.0f) / 5.0f), py = int(64.0f - (y - 320.0f) / 5.0f);
        return p[std::size_t(py) * 128 + std::size_t(px)];
    };
    const auto redder = [](std::uint32_t a, std::uint32_t b)
    { return int((a >> 16) & 0xFF) - int(a & 0xFF) > int((b >> 16) & 0xFF) - int(b & 0xFF) + 20; };
    // Near the viewer on type 1: red shows; on type 2 and far away: as before.
    EXPECT_TRUE(redder(at(layered, 260, 320), at(plain, 260, 320)))
        << std::hex << at(layered, 260, 320) << " " << at(plain, 260, 320);
    EXPECT_EQ(at(layered, 400, 320), at(plain, 400, 320));
    EXPECT_EQ(at(layered, 40, 40), at(plain, 40, 40));
    m_location->Done();
    g_pModelManager = nullptr;
}
