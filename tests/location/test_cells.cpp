#include "LocationFixture.h"

#include "location/ViewCamera.h"

#include <gtest/gtest.h>

#include <cmath>

using testutil::CLocationTest;
using testutil::MakeSource;

struct SPoolCase
{
    int radius;
    bool details;
    int mesh[5];
    int device[5];
};
void PrintTo(const SPoolCase& c, std::ostream* os)
{
    *os << "radius " << c.radius << (c.details ? ", detail objects" : ", no detail objects");
}

class PoolSizes : public ::testing::TestWithParam<SPoolCase>
{
};

TEST_P(PoolSizes, FollowTheRadiusTable)
{
    const SPoolCase c = GetParam();
    int mesh[5], device[5];
    CLocation::ChoosePoolSizes(c.radius, c.details, mesh, device);
    for (int p = 0; p < 5; ++p)
    {
        EXPECT_EQ(mesh[p], c.mesh[p]) << "pool " << p;
        EXPECT_EQ(device[p], c.device[p]) << "pool " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(Radii, PoolSizes,
                         ::testing::Values(SPoolCase{256, true, {10, 30, 80, 0, 100}, {8, 11, 60, 10, 15}},
                                           SPoolCase{256, false, {0, 40, 80, 0, 100}, {0, 19, 60, 10, 15}},
                                           SPoolCase{512, true, {10, 30, 90, 50, 100}, {7, 10, 65, 35, 33}},
                                           SPoolCase{
                                               2000, true, {20, 70, 1280, 280, 640}, {8, 12, 36, 50, 33}},
                                           // Not in the table: the formula for the mesh slots, the
                                           // device slots of the row below (never none).
                                           SPoolCase{300, true, {12, 35, 80, 130, 245}, {8, 11, 60, 10, 15}},
                                           SPoolCase{200, true, {12, 35, 80, 20, 135}, {8, 11, 40, 0, 15}},
                                           SPoolCase{100, true, {12, 35, 80, 10, 125}, {8, 12, 11, 0, 7}}));

TEST_F(CLocationTest, InitBuildsThePoolsTheSlotsAndDeviceMeshes)
{
    m_location->Init(0, 0);
    EXPECT_EQ(m_location->GetMeshSlotCount(2), 30);
    EXPECT_EQ(m_location->GetDeviceSlotCount(2), 11);
    const SMeshSlot& slot = m_location->GetMeshSlots(2)[29];
    EXPECT_EQ(slot.m_Geometry.m_nVertexCapacity, 3617u);
    EXPECT_EQ(slot.m_Geometry.m_nFVF, 0x15Au);
    const SDeviceSlot& device = m_location->GetDeviceSlots(0)[0];
    EXPECT_EQ(device.m_Mesh.m_nVertexCount, 12288);
    EXPECT_NE(device.m_Mesh.m_pVertices, nullptr); // no device: plain arrays
    EXPECT_FLOAT_EQ(m_location->m_fViewFactor[0], 1.5f);
    EXPECT_FLOAT_EQ(m_location->m_vDirections[8].x, 1.0f);
    m_location->InvalidateResources();
    EXPECT_EQ(m_location->GetDeviceSlots(0)[0].m_Mesh.m_pVertices, nullptr);
    m_location->ResetResources();
    EXPECT_NE(m_location->GetDeviceSlots(0)[0].m_Mesh.m_pVertices, nullptr);
}

// 201 near cells of a many-cell map sharing one block: the 201st takes the
// slot used longest ago and its old cell loses the link.
TEST_F(CLocationTest, The201stNearCellEvictsTheOldestAndUnlinksItsOwner)
{
    SMapSource source = MakeSource(1025, 1025); // 16 x 16 cells
    source.shareOneBlock = true;
    ASSERT_TRUE(Open(source));
    for (int i = 0; i < CLocation::kNearSlots; ++i)
    {
        g_GameTime = 1.0 + i;
        Load(i % 16, i / 16, kLevelNear);
    }
    // Cell (5, 0) was loaded at 6 s; using it now makes cell (0, 0) (1 s) and
    // then (1, 0) the oldest.
    g_GameTime = 500.0;
    ASSERT_NE(m_location->GetCellMesh(5, 0), nullptr);
    SNearSlot* oldest = m_location->GetCell(0, 0).m_pNear;
    g_GameTime = 501.0;
    Load(8, 12, kLevelNear); // cell 200
    EXPECT_EQ(m_location->GetCell(0, 0).m_pNear, nullptr);
    EXPECT_EQ(m_location->GetCell(8, 12).m_pNear, oldest);
    EXPECT_EQ(oldest->m_nCellX, 8);
    EXPECT_EQ(oldest->m_nCellY, 12);
    EXPECT_NE(m_location->GetCell(5, 0).m_pNear, nullptr);
    Load(9, 12, kLevelNear);
    EXPECT_EQ(m_location->GetCell(1, 0).m_pNear, nullptr);
    EXPECT_NE(m_location->GetCell(5, 0).m_pNear, nullptr);
}

TEST_F(CLocationTest, FarCacheEvictsTheOldestFarCell)
{
    SMapSource source = MakeSource(1025, 1025);
    source.shareOneBlock = true;
    ASSERT_TRUE(Open(source));
    for (int i = 0; i <= CLocation::kFarSlots; ++i)
    {
        g_GameTime = 1.0 + i;
        Load(i % 16, i / 16, kLevelFar);
    }
    EXPECT_EQ(m_location->GetCell(0, 0).m_pFar, nullptr);
    EXPECT_NE(m_location->GetCell(1, 0).m_pFar, nullptr);
    EXPECT_NE(m_location->GetCell(8, 12).m_pFar, nullptr);
}

// A near cell next to a far cell has the odd vertices of the facing edge at
// the far cell's mean heights; the file heights come back when the
// neighbour turns near. Both orders of loading.
TEST_F(CLocationTest, BordersBendToFarNeighboursAndComeBack)
{
    const SMapSource source = MakeSource(129, 129);
    ASSERT_TRUE(Open(source));
    const auto height = [&](int gx, int gy) { return source.heights[std::size_t(gy * 129 + gx)]; };
    const auto farMean = [&](int i)
    {
        // Far vertices i and i + 1 of column 64 (the far cell's right edge).
        return (std::lround(height(64, 2 * i)) + std::lround(height(64, 2 * i + 2))) * 0.5f;
    };
    // The packed heights the queries read follow the records through
    // loads, bends and restores.
    const auto packedMatches = [](const SNearSlot& slot)
    {
        for (int r = 0; r < kCellVertices; ++r)
            for (int c = 0; c < kCellVertices; ++c)
                if (slot.Height(r, c) != slot.At(r, c).height) return false;
        return true;
    };

    for (bool farFirst : {false, true})
    {
        m_location->ClearCache();
        ASSERT_TRUE(m_location->OpenMap(PathOf("test.map").c_str()));
        if (farFirst) Load(0, 0, kLevelFar);
        Load(1, 0, kLevelNear);
        if (!farFirst) Load(0, 0, kLevelFar);
        SNearSlot& near = *m_location->GetCell(1, 0).m_pNear;
        EXPECT_EQ(near.m_bBorder[0], 1);
        EXPECT_EQ(near.m_bBorder[3], 0); // (1, 1) is near but not loaded: nothing to bend to
        for (int i : {0, 7, 31})
        {
            EXPECT_FLOAT_EQ(near.At(2 * i + 1, 0).height, farMean(i)) << i;
            EXPECT_FLOAT_EQ(near.At(2 * i, 0).height, height(64, 2 * i)); // even vertices stay
        }
        EXPECT_TRUE(packedMatches(near));

        Load(0, 0, kLevelNear); // the neighbour turns near
        EXPECT_EQ(near.m_bBorder[0], 0);
        for (int i : {0, 7, 31})
            EXPECT_FLOAT_EQ(near.At(2 * i + 1, 0).height, height(64, 2 * i + 1));
        EXPECT_TRUE(packedMatches(near));
        EXPECT_TRUE(packedMatches(*m_location->GetCell(0, 0).m_pNear));
    }
}

TEST_F(CLocationTest, BlockLevelsFollowTheHorizontalDistance)
{
    const SMapSource source = MakeSource(65, 65);
    ASSERT_TRUE(Open(source));
    Load(0, 0, kLevelNear);
    const MapQuad& quad = m_location->GetCell(0, 0).m_pNear->m_Quads[0];
    const CVector centre = quad.m_vCenter;
    const CViewCamera saved = g_ViewCamera;
    for (bool details : {true, false})
    {
        m_location->m_fLevelDistance[0] = details ? 64.0f : 0.0f;
        for (const auto& [distance, level] : {std::pair{639.0f, 1}, {640.0f, 2}, {1199.0f, 2}, {1200.0f, 3}})
        {
            g_ViewCamera.m_vPosition = CVector{centre.x - distance, centre.y, centre.z + 999.0f};
            ASSERT_TRUE(m_location->PrepareQuads(0, 0, true));
            EXPECT_EQ(quad.m_bVisible, 1);
            EXPECT_EQ(quad.m_nLevel, details || level != 1 ? level : 2) << distance;
        }
    }
    g_ViewCamera = saved;
    EXPECT_FALSE(m_location->PrepareQuads(0, 1, true));
}

// Block meshes go back to their pools after 30 s without use, far meshes
// after 60 s; a mesh slot taken from its owner clears the owner's link.
TEST_F(CLocationTest, UnusedMeshesAreReleasedAfter30And60Seconds)
{
    const SMapSource source = MakeSource(129, 129);
    ASSERT_TRUE(Open(source));
    g_GameTime = 100.0;
    Load(0, 0, kLevelNear);
    Load(1, 0, kLevelFar);
    MapQuad& quad = m_location->GetCell(0, 0).m_pNear->m_Quads[1];
    SFarSlot& far = *m_location->GetCell(1, 0).m_pFar;

    SMeshSlot* mesh = m_location->GetMeshSlot(1);
    ASSERT_NE(mesh, nullptr);
    mesh->m_bUsed = 1;
    mesh->m_ppOwner = &quad.m_pMesh[1];
    mesh->m_pDevice = &m_location->GetDeviceSlots(1)[0];
    mesh->m_pDevice->m_bTaken = 1;
    quad.m_pMesh[1] = mesh;
    quad.m_fReleaseStamp = 100.0f;
    SMeshSlot* farMesh = m_location->GetMeshSlot(4);
    farMesh->m_bUsed = 1;
    farMesh->m_ppOwner = &far.m_pWater;
    far.m_pWater = farMesh;

    g_GameTime = 130.0;
    m_location->ReleaseUnusedMeshes();
    EXPECT_EQ(quad.m_pMesh[1], mesh);
    g_GameTime = 130.5;
    m_location->ReleaseUnusedMeshes();
    EXPECT_EQ(quad.m_pMesh[1], nullptr);
    EXPECT_EQ(mesh->m_bUsed, 0);
    EXPECT_EQ(m_location->GetDeviceSlots(1)[0].m_bTaken, 0);
    EXPECT_EQ(far.m_pWater, farMesh);
    g_GameTime = 160.5;
    m_location->ReleaseUnusedMeshes();
    EXPECT_EQ(far.m_pWater, nullptr);
    EXPECT_FLOAT_EQ(far.m_fLastUse, 0.0f);

    // Every slot of pool 4 in use: the oldest is taken and its owner unlinked.
    for (int i = 0; i < m_location->GetMeshSlotCount(4); ++i)
    {
        SMeshSlot& slot = m_location->GetMeshSlots(4)[i];
        slot.m_bUsed = 1;
        slot.m_fLastUse = float(50 - i % 7);
        slot.m_ppOwner = nullptr;
    }
    SMeshSlot& oldest = m_location->GetMeshSlots(4)[6];
    SMeshSlot* link = &oldest;
    oldest.m_ppOwner = &link;
    EXPECT_EQ(m_location->GetMeshSlot(4), &oldest);
    EXPECT_EQ(link, nullptr);
}

TEST_F(CLocationTest, CycleLoadReadsNearCellsBeforeFarOnesAndCounts)
{
    SMapSource source = MakeSource(129, 129);
    ASSERT_TRUE(Open(source));
    m_location->GetCell(0, 0).m_nLevel = kLevelFar;
    m_location->RequestCell(0, 0, kLevelFar);
    m_location->RequestCell(1, 0, kLevelNear);
    m_location->CycleLoad();
    EXPECT_EQ(m_location->GetRequestCount(), 0);
    EXPECT_NE(m_location->GetCell(1, 0).m_pNear, nullptr);
    ASSERT_NE(m_location->GetCell(0, 0).m_pFar, nullptr);
    // The far cell came second, so the near neighbour's edge is bent.
    EXPECT_EQ(m_location->GetCell(1, 0).m_pNear->m_bBorder[0], 1);
    EXPECT_EQ(m_location->m_nLoadStats[2], 1u);
    m_location->Done();
    EXPECT_EQ(m_location->GetCell(1, 0).m_pNear, nullptr);
}
