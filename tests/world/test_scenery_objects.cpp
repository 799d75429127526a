// Road nodes, helpers and map covers: the band's transform, the road
// objects made from the road graph (one band per linked pair), the map
// cover's radius and glow.
#include "WorldTestScene.h"

#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/SceneryObjects.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
float Len(float x, float y, float z)
{
    return std::sqrt(x * x + y * y + z * z);
}
} // namespace

TEST(SceneryObjects, BandSpansTheHorizontalLengthAndTenUnitsAcross)
{
    struct SCase
    {
        CVector p, q;
        float r;
    };
    const SCase cases[] = {{{0, 0, 0}, {100, 0, 0}, 2}, {{10, 10, 5}, {40, 50, 55}, 0}, {{0, 0, 0}, {0, -20, 0}, 1}};
    for (const SCase& c : cases)
    {
        const CMatrix m = CRoadObject::BandMatrix(c.p, c.q, c.r);
        const CVector d = c.q - c.p;
        const float horizontal = std::sqrt(d.x * d.x + d.y * d.y);
        EXPECT_NEAR(Len(m.m[0][0], m.m[0][1], m.m[0][2]), horizontal, 1e-3f);
        EXPECT_NEAR(Len(m.m[1][0], m.m[1][1], m.m[1][2]), 10.0f, 1e-4f);
        EXPECT_FLOAT_EQ(m.m[1][2], 0.0f); // across stays level
        // Along points down the link; the centre is the midpoint raised by r.
        EXPECT_GT(m.m[0][0] * d.x + m.m[0][1] * d.y + m.m[0][2] * d.z, 0.0f);
        EXPECT_NEAR(m.m[3][0], (c.p.x + c.q.x) / 2, 1e-4f);
        EXPECT_NEAR(m.m[3][1], (c.p.y + c.q.y) / 2, 1e-4f);
        EXPECT_NEAR(m.m[3][2], (c.p.z + c.q.z) / 2 + c.r, 1e-4f);
    }
    // Two nodes one above the other have no band.
    const CMatrix none = CRoadObject::BandMatrix({0, 0, 0}, {0, 0, 10}, 1);
    EXPECT_EQ(Len(none.m[0][0], none.m[0][1], none.m[0][2]), 0.0f);
}

TEST(SceneryObjects, RoadObjectsLinkEachPairOnceAndForgetDeletedNodes)
{
    CRoadManager roads;
    roads.m_Nodes.resize(3);
    // 0-1, 1-2 and 0-2, symmetric as the loader leaves them.
    const int links[3][2] = {{1, 2}, {0, 2}, {0, 1}};
    for (int i = 0; i < 3; ++i)
    {
        roads.m_Nodes[std::size_t(i)].position = CVector{float(i) * 100, 0, 0};
        roads.m_Nodes[std::size_t(i)].linkCount = 2;
        roads.m_Nodes[std::size_t(i)].links[0] = links[i][0];
        roads.m_Nodes[std::size_t(i)].links[1] = links[i][1];
        roads.m_Nodes[std::size_t(i)].type = -1;
    }
    const int before = g_ObjectList.m_Objects.GetCount();
    roads.CreateRoadObjects();
    ASSERT_EQ(g_ObjectList.m_Objects.GetCount(), before + 3);
    std::vector<CRoadObject*> made;
    g_ObjectList.m_Objects.ResetCursor();
    while (CMMObject* o = g_ObjectList.m_Objects.GetNext())
        if (o->m_nType == OBJ_ROAD) made.push_back(static_cast<CRoadObject*>(o));
    ASSERT_EQ(made.size(), 3u);
    std::size_t bands = 0;
    for (CRoadObject* r : made)
    {
        bands += r->m_Links.size();
        EXPECT_TRUE(r->m_bDeleteNotify && r->m_bQueueOnDelete && r->m_bSphereCollider && !r->m_bCollidable);
    }
    EXPECT_EQ(bands, 3u);
    for (CRoadObject* r : made)
        r->ProcessDelete(made[2]);
    bands = 0;
    for (CRoadObject* r : made)
        bands += r->m_Links.size();
    EXPECT_EQ(bands, 1u);
    g_ObjectList.Clear();
}

TEST(SceneryObjects, MapCoverRadiusAndGlow)
{
    EXPECT_FLOAT_EQ(CMapCoverObject::CoverRadius(10.0f), 150.0f);
    EXPECT_FLOAT_EQ(CMapCoverObject::CoverRadius(5.0f), 100.0f);
    EXPECT_FLOAT_EQ(CMapCoverObject::GlowAlpha(7, 123.4, 0.0f), 1.0f);
    for (double t = 0; t < 20; t += 0.37)
    {
        const float a = CMapCoverObject::GlowAlpha(3, t, 2.0f);
        EXPECT_GE(a, 0.5f);
        EXPECT_LE(a, 1.0f);
    }
    // A cover is not collidable; a move asks for a new patch.
    CMapCoverObject cover;
    CMatrix m(1.0f);
    cover.Init(m, "");
    EXPECT_FALSE(cover.m_bCollidable);
    EXPECT_FALSE(cover.m_bSphereCollider);
    EXPECT_EQ(cover.m_Patch.m_nVertexCapacity, CMapCoverObject::kPatchVertices);
    cover.m_bPatchBuilt = 1;
    cover.SetPosition(CVector{5, 5, 0});
    EXPECT_FALSE(cover.m_bPatchBuilt);
}
