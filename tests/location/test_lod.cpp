// Level-of-detail meshes: the view sector, group triangulation on even and
// odd groups, the cached level-3 mesh across sectors, repeatable level-1
// atlas tiles, the 16-subset cap and the facing thresholds.
#include "LandTypeFixture.h"
#include "LocationFixture.h"

#include "foundation/Random.h"
#include "location/ViewCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using testutil::CLandTypeScope;
using testutil::CLocationTest;
using testutil::MakeSource;

namespace
{
class LodTest : public CLocationTest
{
protected:
    void SetUp() override
    {
        CLocationTest::SetUp();
        m_savedCamera = g_ViewCamera.m_vPosition;
    }
    void TearDown() override
    {
        g_ViewCamera.SetPosition(m_savedCamera);
        CLocationTest::TearDown();
    }
    // The camera placed 1000 units from p in the direction against sector s.
    void LookAt(const CVector& p, int sector)
    {
        g_ViewCamera.SetPosition(p - m_location->m_vDirections[sector] * 1000.0f);
    }
    std::vector<float> Vertex(const SMeshSlot* slot, int i) const
    {
        const float* f =
            reinterpret_cast<const float*>(slot->m_Geometry.m_pVertices + i * slot->m_Geometry.m_nStride);
        return std::vector<float>(f, f + slot->m_Geometry.m_nStride / 4);
    }
    CVector m_savedCamera;
};
} // namespace

TEST_F(LodTest, ViewSectorsAndTheirDistance)
{
    struct
    {
        CVector d;
        int sector;
    } cases[] = {
        {{0, 1, 0}, 0},      {{1, 0, 0}, 8},      {{0, -1, 0}, 16}, {{-1, 0, 0}, 24},  {{0, 0, -1}, -1},
        {{0, 1, -0.19f}, 0}, {{0, 1, -0.3f}, -1}, {{0, 1, 1}, -1},  {{0.4f, 1, 0}, 2}, {{0.2f, 1, 0}, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m_location->GetViewSector(c.d.x, c.d.y, c.d.z), c.sector)
            << c.d.x << " " << c.d.y << " " << c.d.z;
    EXPECT_EQ(CLocation::SectorDistance(5, 6), 31);
    EXPECT_EQ(CLocation::SectorDistance(6, 5), 1);
    EXPECT_EQ(CLocation::SectorDistance(5, 7), 30);
    EXPECT_EQ(CLocation::SectorDistance(-1, 3), 16);
    EXPECT_EQ(CLocation::SectorDistance(3, -1), 16);
    EXPECT_EQ(CLocation::SectorDistance(-1, -1), 0);
    EXPECT_EQ(CLocation::SectorDistance(0, 31), 1);
}

// All five middle vertices dropped: two triangles per group, diagonal 0-8
// on even groups and 2-6 on odd ones.
TEST_F(LodTest, CornerOnlyGroupsAlternateTheirDiagonal)
{
    SMapSource source = MakeSource(65, 65);
    source.dropMasks.assign(source.heights.size(), 1);
    ASSERT_TRUE(Open(source));
    Load(0, 0, kLevelNear);
    const SMeshSlot* slot = m_location->GenerateLod1(0, 0, 0);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->m_nVertexCount, 256 * 4);
    EXPECT_EQ(slot->m_nIndexCount, 256 * 6);
    EXPECT_EQ(slot->m_Subsets[0].landType, -1);
    EXPECT_EQ(slot->m_Subsets[1].landType, -2);
    const std::uint16_t* i = slot->m_Geometry.m_pIndices;
    EXPECT_EQ(std::vector<int>(i, i + 12), (std::vector<int>{0, 1, 3, 0, 3, 2, 4, 5, 6, 7, 6, 5}));
    // Group 0 keeps (0, 0), (20, 0), (0, 20), (20, 20): its diagonal joins
    // the first and the last; group 1's joins (40, 0) and (20, 20).
    EXPECT_FLOAT_EQ(Vertex(slot, 3)[0], 20.0f);
    EXPECT_FLOAT_EQ(Vertex(slot, 3)[1], 20.0f);
    EXPECT_FLOAT_EQ(Vertex(slot, 5)[0], 40.0f);
    EXPECT_FLOAT_EQ(Vertex(slot, 5)[1], 0.0f);
    EXPECT_FLOAT_EQ(Vertex(slot, 6)[0], 20.0f);
    EXPECT_FLOAT_EQ(Vertex(slot, 6)[1], 20.0f);
    EXPECT_FLOAT_EQ(Vertex(slot, 3)[2], source.heights[2 * 65 + 2]);

    // Nothing dropped at level 2: shared vertices, eight triangles a group.
    const SMeshSlot* full = m_location->GenerateLod2(0, 0, 3);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->m_nVertexCount, 33 * 33);
    EXPECT_EQ(full->m_nIndexCount, 256 * 24);
    EXPECT_FLOAT_EQ(Vertex(full, 0)[0], 320.0f);
}

TEST_F(LodTest, LevelThreeMeshLastsWithinOneSector)
{
    g_Settings.VisibleRadius = 384; // pools with far-mesh slots
    ASSERT_TRUE(Open(MakeSource(65, 65)));
    Load(0, 0, kLevelNear);
    MapQuad& quad = m_location->GetCell(0, 0).m_pNear->m_Quads[1];
    quad.m_nLevel = 3;
    LookAt(quad.m_vCenter, 5);
    ASSERT_NE(m_location->GetQuadObject(0, 0, 1, 3), nullptr);
    EXPECT_EQ(quad.m_nSector[2], 5);
    EXPECT_EQ(m_location->m_Stats.buildMisses[2], 1u);
    LookAt(quad.m_vCenter, 6);
    ASSERT_NE(m_location->GetQuadObject(0, 0, 1, 3), nullptr);
    EXPECT_EQ(m_location->m_Stats.buildHits[2], 1u);
    EXPECT_EQ(quad.m_nSector[2], 5);
    LookAt(quad.m_vCenter, 7);
    ASSERT_NE(m_location->GetQuadObject(0, 0, 1, 3), nullptr);
    EXPECT_EQ(m_location->m_Stats.buildMisses[2], 2u);
    EXPECT_EQ(quad.m_nSector[2], 7);

    // Levels 1 and 2 hold in every direction; the far mesh follows the
    // sector as level 3 does.
    quad.m_nLevel = 2;
    m_location->GetQuadObject(0, 0, 1, 2);
    LookAt(quad.m_vCenter, 20);
    m_location->GetQuadObject(0, 0, 1, 2);
    EXPECT_EQ(m_location->m_Stats.buildMisses[1], 1u);
    EXPECT_EQ(m_location->m_Stats.buildHits[1], 1u);
    Load(0, 0, kLevelFar);
    const SFarSlot* far = m_location->GetCell(0, 0).m_pFar;
    LookAt(far->m_vCenter, 20);
    ASSERT_NE(m_location->GetQuadObject(0, 0, 4, 4), nullptr);
    LookAt(far->m_vCenter, 21);
    m_location->GetQuadObject(0, 0, 4, 4);
    EXPECT_EQ(m_location->m_Stats.buildHits[3], 1u);
    LookAt(far->m_vCenter, 23);
    m_location->GetQuadObject(0, 0, 4, 4);
    EXPECT_EQ(m_location->m_Stats.buildMisses[3], 2u);
    EXPECT_EQ(far->m_nSector, 23);
}

TEST_F(LodTest, RebuiltLevelOneBlockDrawsTheSameAtlasTiles)
{
    CLandTypeScope lands;
    lands.Add(1, 10, 11, 16); // a 4 x 4 atlas
    SMapSource source = MakeSource(65, 65);
    source.landTypes.assign(source.heights.size(), 1);
    ASSERT_TRUE(Open(source));
    Load(0, 0, kLevelNear);
    g_Random.SetState(1234);
    SMeshSlot* slot = m_location->GenerateLod1(0, 0, 2);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->m_Subsets[0].landType, 0);
    const std::size_t bytes = std::size_t(slot->m_nVertexCount) * slot->m_Geometry.m_nStride;
    const std::vector<std::uint8_t> first(slot->m_Geometry.m_pVertices, slot->m_Geometry.m_pVertices + bytes);
    // The tiles vary: not every group drew the same one.
    bool varied = false;
    for (int v = 9; v < slot->m_nVertexCount && !varied; v += 9)
        varied = Vertex(slot, v)[7] != Vertex(slot, 0)[7] || Vertex(slot, v)[8] != Vertex(slot, 0)[8];
    EXPECT_TRUE(varied);

    m_location->GetCell(0, 0).m_pNear->m_Quads[2].Release(false, 0.0f);
    for (int i = 0; i < 7; ++i)
        g_Random.Next();
    const std::uint32_t before = g_Random.GetState();
    slot = m_location->GenerateLod1(0, 0, 2);
    ASSERT_NE(slot, nullptr);
    ASSERT_EQ(std::size_t(slot->m_nVertexCount) * slot->m_Geometry.m_nStride, bytes);
    EXPECT_EQ(std::memcmp(slot->m_Geometry.m_pVertices, first.data(), bytes), 0);
    EXPECT_EQ(g_Random.GetState(), before); // the game's sequence goes on where it was
}

TEST_F(LodTest, SeventeenthLandTypeKeyIsLeftOut)
{
    CLandTypeScope lands;
    for (int gid = 1; gid <= 17; ++gid)
        lands.Add(gid, 100 + gid);
    SMapSource source = MakeSource(65, 65);
    source.landTypes.resize(source.heights.size());
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 65; ++x)
            source.landTypes[std::size_t(y * 65 + x)] = std::uint16_t(1 + x % 17);
    ASSERT_TRUE(Open(source));
    Load(0, 0, kLevelNear);
    const SMeshSlot* slot = m_location->GenerateLod1(0, 0, 0);
    ASSERT_NE(slot, nullptr);
    for (int u = 0; u < SMeshSlot::kSubsets; ++u)
    {
        EXPECT_EQ(slot->m_Subsets[u].landType, u) << u; // gids 1..16, in order
        EXPECT_GT(slot->m_Subsets[u].indexCount, 0) << u;
    }
}

// A plane rising along +y at 0.225 (faces tilted 12.4 degrees, a dot
// product of 0.2195 with the horizontal direction against or along it):
// level 3 (threshold 0.22) keeps every triangle, the far mesh (0.2) drops
// those facing one way.
TEST_F(LodTest, FacingThresholdsOfLevelThreeAndFar)
{
    g_Settings.VisibleRadius = 384;
    SMapSource source = MakeSource(65, 65);
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 65; ++x)
            source.heights[std::size_t(y * 65 + x)] = 2.25f * float(y);
    ASSERT_TRUE(Open(source));
    Load(0, 0, kLevelNear);
    for (int sector : {-1, 0, 16})
    {
        const SMeshSlot* slot = m_location->GenerateLod3(0, 0, 0, sector);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->m_nIndexCount, 256 * 24) << sector;
    }
    Load(0, 0, kLevelFar);
    SFarSlot* far = m_location->GetCell(0, 0).m_pFar;
    for (SFarVertex& v : far->m_Vertices)
        v.flags |= 0x08; // corner-only groups: each triangle spans two far steps, 9 units up
    int counts[3];
    const int sectors[3] = {-1, 0, 16};
    for (int i = 0; i < 3; ++i)
    {
        const SMeshSlot* slot = m_location->GenerateLOD4B(0, 0, sectors[i]);
        ASSERT_NE(slot, nullptr);
        counts[i] = slot->m_nIndexCount;
    }
    EXPECT_EQ(counts[0], 256 * 6);
    EXPECT_EQ(std::min(counts[1], counts[2]), 0);
    EXPECT_EQ(std::max(counts[1], counts[2]), 256 * 6);
}

TEST_F(LodTest, BuildersStopAtTheirSlotCapacity)
{
    SMapSource source = MakeSource(65, 65);
    ASSERT_TRUE(Open(source));
    Load(0, 0, kLevelNear);
    // A level-1 slot shrunk to 100 vertices: the builder stops at a group
    // boundary inside the capacity and says so once.
    SMeshSlot* slot = m_location->GetMeshSlot(0);
    slot->m_Geometry.Allocate(0x152, 100, 18432);
    const SMeshSlot* built = m_location->GenerateLod1(0, 0, 0);
    ASSERT_EQ(built, slot);
    EXPECT_LE(built->m_nVertexCount, 100);
    EXPECT_EQ(built->m_nVertexCount % 9, 0);
    EXPECT_NE(ReadText("error.log").find("nV<MAP_NVERTEX[MAPMESH_LOD1]"), std::string::npos);
}

// Strip mode: each group's strip joined to the one before; the strip's
// triangles (degenerate ones skipped) cover the block once.
TEST_F(LodTest, StripModeCoversTheBlockOnce)
{
    m_location->m_bStripMode = true;
    SMapSource source = MakeSource(65, 65);
    source.dropMasks.assign(source.heights.size(), 0);
    for (std::size_t i = 0; i < source.dropMasks.size(); i += 3)
        source.dropMasks[i] = 2; // a mix of codes at level 2
    ASSERT_TRUE(Open(source));
    Load(0, 0, kLevelNear);
    const SMeshSlot* slot = m_location->GenerateLod2(0, 0, 1);
    ASSERT_NE(slot, nullptr);
    const std::uint16_t* index = slot->m_Geometry.m_pIndices;
    double area = 0.0;
    for (int i = 0; i + 2 < slot->m_nIndexCount; ++i)
    {
        const std::uint16_t a = index[i], b = index[i + 1], c = index[i + 2];
        if (a == b || b == c || a == c) continue;
        const std::vector<float> p = Vertex(slot, a), q = Vertex(slot, b), r = Vertex(slot, c);
        area += std::fabs((q[0] - p[0]) * (r[1] - p[1]) - (r[0] - p[0]) * (q[1] - p[1])) * 0.5;
    }
    EXPECT_DOUBLE_EQ(area, 320.0 * 320.0);
}
