// Terrain queries on a one-cell map whose heights form a plane (so the
// triangle interpolation is exact on both diagonals), with water in one
// corner; rays, segments, GetMapMesh and the per-cell object lists.
#include "LocationFixture.h"

#include "world/MMObject.h"

#include <gtest/gtest.h>

#include <cmath>

using testutil::CLocationTest;
using testutil::MakeSource;

namespace
{
// z = 40 + 0.5 gx - 0.25 gy over grid coordinates (world / 10); 0 at (0, 160).
float Plane(float x, float y)
{
    return 40.0f + 0.05f * x - 0.025f * y;
}

class QueryTest : public CLocationTest
{
protected:
    void OpenPlane(bool withWater = false)
    {
        SMapSource source = MakeSource(65, 65);
        for (int y = 0; y < 65; ++y)
            for (int x = 0; x < 65; ++x)
                source.heights[std::size_t(y * 65 + x)] = Plane(10.0f * float(x), 10.0f * float(y));
        if (withWater)
        {
            source.water.push_back(MakeWaterRecord(0x3060A0, 45.0f, "", ""));
            source.cellWater.assign(1, 0);
        }
        ASSERT_TRUE(Open(source));
    }
};
} // namespace

TEST_F(QueryTest, HeightIsExactOnBothDiagonalsAndNeutralOutside)
{
    OpenPlane();
    struct
    {
        float x, y;
    } points[] = {{0, 0},   {10, 0},    {123.4f, 56.7f}, {125, 51},   {129, 59}, {13, 17},
                  {17, 13}, {333, 444}, {639.9f, 5},     {5, 639.9f}, {0, 160},  {200.5f, 630.1f}};
    for (const auto& p : points)
    {
        bool known = false;
        EXPECT_NEAR(m_location->GetHeight(CVector{p.x, p.y, 0}, false, true, nullptr, &known),
                    Plane(p.x, p.y), 1e-3f)
            << p.x << ", " << p.y;
        EXPECT_TRUE(known);
    }
    // A real height of 0 is told from "no data".
    bool known = false;
    EXPECT_EQ(m_location->GetHeight(CVector{0, 1600, 0}, false, true, nullptr, &known), 0.0f);
    EXPECT_FALSE(known);
    EXPECT_EQ(m_location->GetHeight(CVector{0, 160.0f * 10.0f / 10.0f, 0}, false, true, nullptr, &known),
              36.0f);
    // The last row and column, and points off the map, give 0.
    for (const CVector& p : {CVector{640, 10, 0}, CVector{10, 640, 0}, CVector{-5, 10, 0},
                             CVector{10, -0.5f, 0}, CVector{9000, 9000, 0}})
    {
        EXPECT_EQ(m_location->GetHeight(p, false, true, nullptr, &known), 0.0f) << p.x << ", " << p.y;
        EXPECT_FALSE(known);
    }
    // Rough heights round to the nearest vertex: (-5, 10) is still vertex 0.
    for (const CVector& p :
         {CVector{636, 10, 0}, CVector{10, 636, 0}, CVector{-6, 10, 0}, CVector{9000, 0, 0}})
    {
        EXPECT_EQ(m_location->GetRoughHeight(p), 0.0f) << p.x << ", " << p.y;
        EXPECT_EQ(m_location->GetColor(p.x + 10000, p.y), 0xFFFFFFu);
    }
    EXPECT_EQ(m_location->GetShadowTexel(-1, 0)[3], 0u);
    EXPECT_EQ(m_location->GetShadowTexel(65, 0)[3], 0u);
}

TEST_F(QueryTest, HeightWithoutLoadAndRoughHeightLoadingFarData)
{
    OpenPlane();
    MapCell& cell = m_location->GetCell(0, 0);
    EXPECT_EQ(m_location->GetHeight(CVector{100, 100, 0}, false, false), 0.0f);
    EXPECT_EQ(cell.m_pNear, nullptr);
    // Neither slot: the rough height reads the far data and sets level 4.
    EXPECT_EQ(m_location->GetRoughHeight(CVector{204, 96, 0}), std::round(Plane(200, 100)));
    EXPECT_NE(cell.m_pFar, nullptr);
    EXPECT_EQ(cell.m_nLevel, kLevelFar);
    // With near data the rough height is the nearest vertex's.
    EXPECT_FLOAT_EQ(m_location->GetHeight(CVector{14, 26, 0}), Plane(14, 26));
    EXPECT_EQ(cell.m_nLevel, kLevelNear);
    EXPECT_FLOAT_EQ(m_location->GetRoughHeight(CVector{14, 26, 0}), Plane(10, 30));
    // Light and brightness: unshadowed ground is fully lit.
    EXPECT_FLOAT_EQ(m_location->GetBrightnessAt(CVector{100, 100, 0}), 1.0f);
    EXPECT_FLOAT_EQ(m_location->GetBrightnessAt(CVector{-100, 100, 0}), 1.0f);
    EXPECT_EQ(m_location->GetLightColor(100, 100) & 0xFF, (m_location->GetLightColor(100, 100) >> 8) & 0xFF);
    EXPECT_EQ(m_location->GetColor(100, 100), m_location->GetLightColor(100, 100)); // no land types: untinted
}

TEST_F(QueryTest, WaterRaisesHeightsWhereFlagged)
{
    OpenPlane(true); // water at 45: under it where 0.05 x - 0.025 y < 5
    const CVector wet{10, 10, 0}, dry{600, 10, 0};
    std::uint8_t over = 7;
    EXPECT_FLOAT_EQ(m_location->GetHeight(wet, true, true, &over), 45.0f);
    EXPECT_EQ(over, 1);
    EXPECT_FLOAT_EQ(m_location->GetHeight(wet, false, true, &over), Plane(10, 10));
    EXPECT_EQ(over, 0);
    EXPECT_FLOAT_EQ(m_location->GetHeight(dry, true, true, &over), Plane(600, 10));
    EXPECT_EQ(over, 0);
    EXPECT_GE(m_location->GetRoughHeight(wet, true), 48.0f);
    EXPECT_FLOAT_EQ(m_location->GetRoughHeight(wet, false), Plane(10, 10));
}

TEST_F(QueryTest, TheZoneComesFromTheGroundRecordWithoutTakingANearSlot)
{
    OpenPlane(true);
    float level = 0.0f;
    int kind = -1;
    ASSERT_TRUE(m_location->GetZone(CVector{10, 10, 0}, &level, &kind));
    EXPECT_FLOAT_EQ(level, 45.0f);
    EXPECT_EQ(kind, 0);
    EXPECT_FALSE(m_location->GetZone(CVector{600, 10, 0}, &level, &kind));
    EXPECT_EQ(m_location->GetCell(0, 0).m_pNear, nullptr);
    EXPECT_NE(m_location->PeekGround(0, 0), nullptr);
    EXPECT_EQ(m_location->PeekGround(1, 0), nullptr); // outside the one-cell map
}

TEST_F(QueryTest, RaysAndSegmentsAgainstThePlane)
{
    OpenPlane();
    m_location->GetHeight(CVector{1, 1, 0}); // near data in
    CVector hit;
    const CVector down{0, 0, -1};
    ASSERT_TRUE(m_location->GetRayIntersection(CVector{300, 200, 120}, down, 500, &hit));
    EXPECT_NEAR(hit.z, Plane(300, 200), 1e-3f);
    EXPECT_FLOAT_EQ(hit.x, 300.0f);
    // A slanted ray: the hit lies on the plane and on the ray.
    const CVector slant = Normalize(CVector{1, 0.5f, -0.3f});
    ASSERT_TRUE(m_location->GetRayIntersection(CVector{50, 50, 90}, slant, 2000, &hit));
    EXPECT_NEAR(hit.z, Plane(hit.x, hit.y), 0.05f);
    EXPECT_NEAR((hit.y - 50) / (hit.x - 50), 0.5f, 1e-3f);
    // Starting under the ground returns the start; never meeting it, false.
    ASSERT_TRUE(m_location->GetRayIntersection(CVector{300, 200, 0}, down, 500, &hit));
    EXPECT_FLOAT_EQ(hit.z, 0.0f);
    EXPECT_FALSE(m_location->GetRayIntersection(CVector{300, 200, 500}, CVector{1, 0, 0}, 200, &hit));

    EXPECT_TRUE(m_location->GetSegmentIntersection(CVector{100, 100, 80}, CVector{100, 100, 0}, &hit));
    EXPECT_NEAR(hit.z, Plane(100, 100), 1e-3f);
    EXPECT_FALSE(m_location->GetSegmentIntersection(CVector{100, 100, 0}, CVector{100, 100, -9}, &hit));
    EXPECT_FLOAT_EQ(hit.z, 0.0f);
    EXPECT_FALSE(m_location->GetSegmentIntersection(CVector{100, 100, 90}, CVector{100, 100, 80}, &hit));
    EXPECT_FLOAT_EQ(hit.z, 80.0f);

    // The coarse march stops at its first sample under the ground: steps of
    // 10, 20, 40, 80 down from 130 reach 130 - 150 = -20.
    ASSERT_TRUE(m_location->GetRoughRayIntersection(CVector{300, 200, 130}, down, 1000, &hit));
    EXPECT_FLOAT_EQ(hit.z, -20.0f);
    EXPECT_FALSE(m_location->GetRoughRayIntersection(CVector{300, 200, 130}, CVector{0, 0, 1}, 1000, &hit));
}

TEST_F(QueryTest, MapMeshCoversAtMostTwoHundredUnits)
{
    OpenPlane();
    CGeometryBuffer out;
    out.Allocate(578, 60000, 90000);
    EXPECT_FALSE(m_location->GetMapMesh(320, 320, 0, 50, &out)); // no near data yet
    m_location->GetHeight(CVector{1, 1, 0});
    ASSERT_TRUE(m_location->GetMapMesh(320, 320, 0, 50, &out));
    // 100 x 100 units, aligned to 2-quad tiles: 6 x 6 tiles of 8 triangles.
    EXPECT_EQ(out.m_nIndexCount, 36u * 24u);
    const std::uint32_t at200 = (m_location->GetMapMesh(320, 320, 0, 200, &out), out.m_nVertexCount);
    const std::uint32_t at500 = (m_location->GetMapMesh(320, 320, 0, 500, &out), out.m_nVertexCount);
    EXPECT_EQ(at200, at500);
    EXPECT_EQ(at200, 20u * 20u * 9u);
    // Texture pairs span 0..1 over the square.
    float uv[2];
    std::memcpy(uv, out.m_pVertices + 16, 8);
    EXPECT_GE(uv[0], 0.0f);
    EXPECT_LE(uv[0], 1.0f);
    // Off the map's side: only the part on the map.
    ASSERT_TRUE(m_location->GetMapMesh(0, 0, 0, 100, &out));
    EXPECT_EQ(out.m_nVertexCount, 5u * 5u * 9u);
}

TEST_F(QueryTest, CellObjectListsWithSpreadObjects)
{
    SMapSource source = MakeSource(129, 129);
    ASSERT_TRUE(Open(source));
    CMMObject plain, wide;
    plain.m_fRadius = 50;
    wide.m_fRadius = 50;
    wide.m_bCollidable = 1;
    wide.m_bSphereCollider = 0;
    const auto in = [&](int x, int y, CMMObject& o)
    { return m_location->GetCell(x, y).m_Objects.Contains(&o); };

    // Near the corner of four cells: the plain object only in its home
    // cell, the spread one in all four.
    const CVector corner{620, 620, 0};
    m_location->AddCellObject(corner, &plain, true);
    m_location->AddCellObject(corner, &wide, true);
    m_location->AddCellObject(corner, &wide, true); // no second entry
    EXPECT_TRUE(in(0, 0, plain));
    EXPECT_FALSE(in(1, 1, plain));
    EXPECT_TRUE(in(0, 0, wide) && in(1, 0, wide) && in(0, 1, wide) && in(1, 1, wide));
    EXPECT_EQ(m_location->GetCell(0, 0).m_Objects.GetCount(), 2);

    // Moving the spread object away takes it out of all its old cells.
    const CVector away{100, 100, 0};
    m_location->MoveCellObject(corner, away, &wide);
    EXPECT_TRUE(in(0, 0, wide));
    EXPECT_FALSE(in(1, 0, wide) || in(0, 1, wide) || in(1, 1, wide));
    m_location->MoveCellObject(corner, CVector{700, 100, 0}, &plain);
    EXPECT_FALSE(in(0, 0, plain));
    EXPECT_TRUE(in(1, 0, plain));

    m_location->DeleteCellObject(away, &wide);
    EXPECT_FALSE(in(0, 0, wide));
    m_location->DeleteCellObject(away, &plain); // not in that cell: logged
    EXPECT_NE(ReadText("error.log").find("CLocation::DeleteCellObject Object not deleted. Type=0"),
              std::string::npos);
    m_location->AddCellObject(CVector{-700, 10, 0}, &plain, false); // off the map: nothing
    EXPECT_EQ(m_location->GetCell(0, 0).m_Objects.GetCount(), 0);
    // ... and deleting it there finds nothing amiss.
    std::filesystem::remove(m_dir / "error.log");
    m_location->DeleteCellObject(CVector{-700, 10, 0}, &plain);
    EXPECT_EQ(ReadText("error.log"), "");
    // Nor does deleting one that flew off the map: moving it there took it
    // out of its last cell's list.
    m_location->MoveCellObject(CVector{700, 100, 0}, CVector{-700, 100, 0}, &plain);
    EXPECT_FALSE(in(1, 0, plain));
    m_location->DeleteCellObject(CVector{-700, 100, 0}, &plain);
    EXPECT_EQ(ReadText("error.log"), "");
}
