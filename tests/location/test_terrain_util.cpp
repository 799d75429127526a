#include "LocationFixture.h"

#include "location/TerrainUtil.h"
#include "location/TileTable.h"
#include "location/ViewCamera.h"

#include <gtest/gtest.h>

#include <cmath>

using testutil::CLocationTest;
using testutil::MakeSource;

TEST(TerrainUtil, NormalsAndColours)
{
    float n[3];
    UnpackNormal(n, 0);
    EXPECT_FLOAT_EQ(n[2], 1.0f);
    UnpackNormal(n, std::int32_t(PackNormal(0.6f, -0.8f)));
    EXPECT_NEAR(n[0], 0.6f, 1e-4f);
    EXPECT_NEAR(n[1], -0.8f, 1e-4f);
    EXPECT_NEAR(n[2], 0.0f, 1e-2f);
    UnpackNormal(n, std::int32_t(0x7FFF7FFFu)); // both 32767: radicand below 0
    EXPECT_FALSE(std::isnan(n[2]));
    EXPECT_EQ(n[2], 0.0f);

    EXPECT_EQ(ModulateColor(0xFFFFFF, 0xFFFFFF), 0xFEFEFEu);
    EXPECT_EQ(ModulateColor(0xFF804020, 0x00FF0080), 0x007F0010u);
    EXPECT_EQ(ScaleColor(0xFF8040FF, 128), 0x0040207Fu);
    EXPECT_EQ(GetTextureColor(-1), 0u);
}

TEST(TerrainUtil, PointListAndListSearch)
{
    SPointList4 list;
    for (int i = 0; i < 5; ++i)
    {
        list.m_fCurrent[0] = float(i);
        list.Push();
    }
    EXPECT_EQ(list.m_nCount, 4);
    EXPECT_FLOAT_EQ(list.m_fPoints[3][0], 3.0f);

    int a = 0, b = 0, c = 0;
    SListNode third{&c, nullptr}, second{&b, &third}, first{&a, &second};
    SListNode* cursor = nullptr;
    EXPECT_TRUE(FindInList(&first, &b, &cursor));
    EXPECT_EQ(cursor, &third);
    EXPECT_TRUE(FindInList(&first, &c, &cursor));
    EXPECT_EQ(cursor, nullptr);
    int d = 0;
    EXPECT_FALSE(FindInList(&first, &d, &cursor));
}

// Every entry keeps its corners, lists positions inside its kept list and
// covers the 2 x 2 tile exactly once (the triangle areas sum to 4).
TEST(TerrainUtil, EveryTileEntryCoversItsTile)
{
    for (int e = 0; e < kTileEntries; ++e)
    {
        const STileEntry& entry = GetTileEntry(e);
        int kept = 0;
        bool corners[4] = {};
        for (; entry.kept[kept] >= 0; ++kept)
        {
            if (kept)
            {
                EXPECT_LT(entry.kept[kept - 1], entry.kept[kept]) << e;
            }
            for (int k = 0; k < 4; ++k)
                corners[k] |= entry.kept[kept] == (int[]){0, 2, 6, 8}[k];
        }
        EXPECT_TRUE(corners[0] && corners[1] && corners[2] && corners[3]) << e;
        float area = 0.0f;
        int count = 0;
        for (; entry.triangles[count] >= 0; count += 3)
        {
            float p[3][2];
            for (int k = 0; k < 3; ++k)
            {
                ASSERT_LT(entry.triangles[count + k], kept) << e;
                const int v = entry.kept[entry.triangles[count + k]];
                p[k][0] = float(v % 3);
                p[k][1] = float(v / 3);
            }
            area += std::fabs((p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) -
                              (p[2][0] - p[0][0]) * (p[1][1] - p[0][1])) *
                    0.5f;
        }
        EXPECT_FLOAT_EQ(area, 4.0f) << e;
        for (int s = 0; entry.strip[s] >= 0; ++s)
            EXPECT_LT(entry.strip[s], kept) << e;
        if (e < 31 && (e & 4))
        {
            EXPECT_EQ(std::memcmp(&entry, &GetTileEntry(e & ~4), sizeof(entry)), 0) << e;
        }
    }
    EXPECT_EQ(TileEntryFor(31, true), 32);
    EXPECT_EQ(TileEntryFor(31, false), 31);
}

TEST_F(CLocationTest, AppendTilesWritesTheGroundAndStopsWhenFull)
{
    SMapSource source = MakeSource(129, 129);
    source.dropMasks.assign(source.heights.size(), 1); // every middle vertex dropped at level 1
    ASSERT_TRUE(Open(source));
    Load(1, 1, kLevelNear);
    const MapQuad& quad = m_location->GetCell(1, 1).m_pNear->m_Quads[3];

    CGeometryBuffer out;
    out.Allocate(578, 2000, 3000);
    out.m_nVertexCount = out.m_nIndexCount = out.m_nReserved = 0;
    quad.AppendTiles(&out, 0, 0, 4, 2, 960.0f, 960.0f, 20.0f); // two corner-only tiles
    ASSERT_EQ(out.m_nVertexCount, 8u);
    ASSERT_EQ(out.m_nIndexCount, 12u);
    float v[7];
    std::memcpy(v, out.m_pVertices + 3 * out.m_nStride, sizeof(v));
    // Tile (16, 16) of the cell is even: entry 32, the last kept vertex is (34, 34).
    EXPECT_FLOAT_EQ(v[0], 640.0f + 340.0f);
    EXPECT_FLOAT_EQ(v[1], 640.0f + 340.0f);
    EXPECT_FLOAT_EQ(v[2], source.heights[std::size_t((64 + 34) * 129 + 64 + 34)]);
    EXPECT_FLOAT_EQ(v[4], (980.0f - 960.0f) / 20.0f);
    EXPECT_FLOAT_EQ(v[6], v[4]);
    EXPECT_EQ(out.m_pIndices[1], 1);         // (0, 1, 3)
    EXPECT_EQ(out.m_pIndices[6 + 1], 4 + 1); // second tile, odd: (0, 1, 2) offset by 4
    EXPECT_EQ(out.m_nReserved, 8u);

    // 9 or fewer free vertices stop the appender.
    CGeometryBuffer small;
    small.Allocate(578, 20, 3000);
    small.m_nVertexCount = small.m_nIndexCount = small.m_nReserved = 0;
    quad.AppendTiles(&small, 0, 0, 32, 32, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(small.m_nVertexCount, 12u); // 4 + 4 + 4, then 8 left
}

TEST_F(CLocationTest, QuadReleaseKeepsRecentlyUsedMeshes)
{
    ASSERT_TRUE(Open(MakeSource(65, 65)));
    Load(0, 0, kLevelNear);
    MapQuad& quad = m_location->GetCell(0, 0).m_pNear->m_Quads[0];
    SMeshSlot* mesh = m_location->GetMeshSlot(0);
    mesh->m_bUsed = 1;
    mesh->m_ppOwner = &quad.m_pMesh[0];
    quad.m_pMesh[0] = mesh;
    SDetailSlot* detail = m_location->GetDetailSlot();
    detail->m_bUsed = 1;
    quad.m_pDetail = detail;
    quad.m_bDetail = 1;
    g_GameTime = 40.0;
    quad.m_fReleaseStamp = 30.0f; // used 10 s ago
    quad.Release(true, 30.0f);
    EXPECT_EQ(quad.m_pMesh[0], mesh);
    g_GameTime = 70.0;
    quad.Release(true, 30.0f); // 40 s: meshes go, the details stay
    EXPECT_EQ(quad.m_pMesh[0], nullptr);
    EXPECT_EQ(mesh->m_bUsed, 0);
    EXPECT_EQ(quad.m_pDetail, detail);
    EXPECT_FLOAT_EQ(quad.m_fReleaseStamp, 70.0f);
    quad.Release(false, 0.0f);
    EXPECT_EQ(quad.m_pDetail, nullptr);
    EXPECT_EQ(detail->m_bUsed, 0);
}

TEST(ViewCamera, LooksDownFromTheDefaultFrameAndCopies)
{
    CViewCamera camera;
    EXPECT_FLOAT_EQ(camera.m_fValue2, -1.0f);
    EXPECT_NEAR(camera.m_vRightDiagonal.x, std::sqrt(0.5f), 1e-6f);
    // The default object matrix pitched by -1.4922565 rad: row 1 leans
    // from +z towards -y.
    const float c = std::cos(-1.4922565f), s = std::sin(-1.4922565f);
    EXPECT_NEAR(camera.m_Matrix.m[0][0], -1.0f, 1e-6f);
    EXPECT_NEAR(camera.m_Matrix.m[1][1], s, 1e-5f);
    EXPECT_NEAR(camera.m_Matrix.m[1][2], c, 1e-5f);
    camera.SetPosition(CVector{1.0f, 2.0f, 3.0f});
    EXPECT_FLOAT_EQ(camera.m_vPosition.z, 3.0f);
    EXPECT_FLOAT_EQ(camera.m_Matrix.m[3][0], 1.0f); // -(p . column 0), column 0 = (-1, 0, 0)
    camera.m_mView.m[2][1] = 7.0f;
    const CViewCamera copy(camera);
    EXPECT_FLOAT_EQ(copy.m_mView.m[2][1], 7.0f);
    EXPECT_FLOAT_EQ(copy.m_Matrix.m[3][0], 1.0f);

    // A camera at the origin looking along +z with a 90-degree projection.
    CViewCamera eye;
    eye.m_mView = CMatrix(1.0f);
    eye.m_mProjection = CMatrix(1.0f);
    eye.m_mProjection.m[2][2] = 1.0f;
    eye.m_mProjection.m[2][3] = 1.0f;
    eye.m_mProjection.m[3][2] = -1.0f;
    eye.m_mProjection.m[3][3] = 0.0f;
    eye.UpdateViewProjection();
    EXPECT_TRUE(eye.IsSphereVisible(CVector{0.0f, 0.0f, 10.0f}, 1.0f));
    EXPECT_FALSE(eye.IsSphereVisible(CVector{0.0f, 0.0f, -10.0f}, 1.0f));
    EXPECT_FALSE(eye.IsSphereVisible(CVector{30.0f, 0.0f, 10.0f}, 1.0f));
    EXPECT_TRUE(eye.IsSphereVisible(CVector{10.5f, 0.0f, 10.0f}, 1.0f));
}
