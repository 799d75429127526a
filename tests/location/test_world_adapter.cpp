// The location seen through the world's seams: exact heights and normals
// on a tilted plane, and a box dropped from the air settling on the ground
// through the object list's physics.
#include "LocationFixture.h"

#include "world/DynamicObject.h"
#include "location/WorldAdapter.h"
#include "world/ObjectList.h"
#include "world/Physics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

class WorldAdapter : public testutil::CLocationTest
{
protected:
    void OpenGlobal(const SMapSource& source)
    {
        g_Location.Init(0, 0);
        g_Location.ClearCache();
        g_Location.InitCells();
        ASSERT_TRUE(g_Location.OpenMap(WriteBytes("adapter.map", BuildMap(source)).c_str()));
        m_Adapter.Install();
    }
    void TearDown() override
    {
        g_ObjectList.Clear();
        m_Adapter.Uninstall();
        g_Location.m_CellStream.Close();
        g_Location.ClearCache();
        CLocationTest::TearDown();
    }
    SMapSource Plane(float a, float b, float c)
    {
        SMapSource s;
        s.width = s.height = 129;
        s.name = u"Plane";
        for (int y = 0; y < 129; ++y)
            for (int x = 0; x < 129; ++x)
                s.heights.push_back(a + b * float(x) + c * float(y));
        return s;
    }
    CLocationWorldAdapter m_Adapter;
};

} // namespace

TEST_F(WorldAdapter, HeightsAndNormalsOfATiltedPlaneAreExact)
{
    OpenGlobal(Plane(10.0f, 0.5f, 0.25f));
    const CVector normal = Normalize(CVector{-0.05f, -0.025f, 1.0f});
    // Points on both triangles of even and odd quads, in two cells.
    for (const CVector p : {CVector{123.4f, 456.7f, 0.0f}, CVector{127.0f, 451.0f, 0.0f},
                            CVector{651.0f, 3.0f, 0.0f}, CVector{659.0f, 9.5f, 0.0f}})
    {
        float h = 0.0f;
        ASSERT_TRUE(m_Adapter.GetHeight(p, &h));
        EXPECT_NEAR(h, 10.0f + 0.05f * p.x + 0.025f * p.y, 1e-3f) << p.x << "," << p.y;
        CVector n;
        ASSERT_TRUE(m_Adapter.GetTriangleNormal(p, &n));
        EXPECT_NEAR(n.x, normal.x, 1e-5f);
        EXPECT_NEAR(n.y, normal.y, 1e-5f);
    }
    float h = 0.0f;
    EXPECT_FALSE(m_Adapter.GetHeight(CVector{-5.0f, 10.0f, 0.0f}, &h));
    EXPECT_FALSE(m_Adapter.GetHeight(CVector{1285.0f, 10.0f, 0.0f}, &h));
}

TEST_F(WorldAdapter, ProbesReadTheGroundCacheNotTheRenderersNearCells)
{
    OpenGlobal(Plane(10.0f, 0.5f, 0.25f));
    // A near cell whose edge the renderer bent: the probes keep the file's
    // heights, and take no near slot for the other cell.
    g_Location.GetCell(0, 0).m_nLevel = kLevelNear;
    g_Location.LoadCell(0, 0);
    g_Location.GetCell(0, 0).m_pNear->SetHeight(10, 64, 500.0f);
    float h = 0.0f;
    ASSERT_TRUE(m_Adapter.GetHeight(CVector{635.0f, 100.0f, 0.0f}, &h));
    EXPECT_NEAR(h, 10.0f + 0.05f * 635.0f + 0.025f * 100.0f, 1e-3f);
    ASSERT_TRUE(m_Adapter.GetHeight(CVector{700.0f, 700.0f, 0.0f}, &h));
    EXPECT_EQ(g_Location.GetCell(1, 1).m_pNear, nullptr);
    EXPECT_NE(g_Location.PeekGround(1, 1), nullptr);
    // A new map forgets the records.
    OpenGlobal(Plane(40.0f, 0.0f, 0.0f));
    EXPECT_EQ(g_Location.PeekGround(1, 1), nullptr);
    ASSERT_TRUE(m_Adapter.GetHeight(CVector{700.0f, 700.0f, 0.0f}, &h));
    EXPECT_FLOAT_EQ(h, 40.0f);
}

TEST_F(WorldAdapter, ABoxDroppedFromTheAirSettlesOnTheGround)
{
    OpenGlobal(Plane(40.0f, 0.0f, 0.0f));
    // A body that the physics moves as it moves a glider.
    auto* box = new CDynamicObject;
    box->m_nType = OBJ_GLIDER;
    box->m_bShown = box->m_bMoving = box->m_bPhysics = box->m_bCollidable = 1;
    box->m_bGravity = 1;
    box->m_bGroundFollowing = 1;
    box->m_fHoverHeight = 1.0f;
    box->m_fRisingFriction = 3.0f;
    box->m_Frame.SetPosition(CVector{600.0f, 650.0f, 400.0f});
    g_ObjectList.AddObject(box);
    for (int frame = 0; frame < 600; ++frame)
    {
        g_ObjectList.StepPhysics(0.05f);
        g_ObjectList.Pack(false);
    }
    EXPECT_NEAR(box->GetPosition().z, 40.0f + 15.0f, 0.1f);
    // It is listed in the cell it stands in.
    EXPECT_TRUE(g_Location.GetCell(0, 1).m_Objects.Contains(box));
}
