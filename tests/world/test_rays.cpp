// Rays against objects, area damage and the script sensors.
#include "WorldMotionFakes.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

using namespace worldtest;

namespace
{
class Rays : public testutil::CLogDirTest
{
protected:
    CBall* Sphere(CVector p, float r = 5.0f)
    {
        auto* b = new CBall(p, {}, r);
        b->m_bPhysics = 0;
        g_ObjectList.AddObject(b);
        return b;
    }
    CScene m_Scene;
};
} // namespace

TEST_F(Rays, TheNearestHitWinsAndTiesGoToTheEarlierListed)
{
    // Row 0 and column 0 are searched like every other cell.
    CBall* first = Sphere({100.0f, 100.0f, 0.0f});
    CBall* twin = Sphere({100.0f, 100.0f, 0.0f});
    CBall* nearer = Sphere({100.0f, 100.0f, 30.0f});
    const CVector origin{100.0f, 100.0f, 100.0f}, down{0.0f, 0.0f, -1.0f};
    CVector point;
    CMMObject* hit = nullptr;
    ASSERT_TRUE(g_ObjectList.GetRayIntersection(&origin, &down, 500.0f, &point, nullptr, &hit));
    EXPECT_EQ(hit, nearer);
    EXPECT_NEAR(point.z, 35.0f, 1e-3f);
    ASSERT_TRUE(g_ObjectList.GetRayIntersection(&origin, &down, 500.0f, &point, nearer, &hit));
    EXPECT_EQ(hit, first);
    (void)twin;
}

TEST_F(Rays, AMissEndsAtTheRaysEnd)
{
    Sphere({1000.0f, 1000.0f, 0.0f});
    const CVector origin{3000.0f, 3000.0f, 10.0f}, east{1.0f, 0.0f, 0.0f};
    CVector point;
    CMMObject* hit = nullptr;
    EXPECT_FALSE(g_ObjectList.GetRayIntersection(&origin, &east, 700.0f, &point, nullptr, &hit));
    EXPECT_EQ(hit, nullptr);
    EXPECT_FLOAT_EQ(point.x, 3700.0f);
}

TEST_F(Rays, ARayAcrossCellsFindsATriangleShapedObject)
{
    auto* slab = new CSlab({1900.0f, 1000.0f, 0.0f}, 20.0f, 10.0f);
    g_ObjectList.AddObject(slab);
    const CVector origin{1000.0f, 1000.0f, 5.0f}, east{1.0f, 0.0f, 0.0f};
    CVector point;
    CMMObject* hit = nullptr;
    // The top faces up: a ray along it does not hit, one from above does.
    EXPECT_FALSE(g_ObjectList.GetRayIntersection(&origin, &east, 2000.0f, &point, nullptr, &hit));
    const CVector above{1905.0f, 1000.0f, 50.0f}, down{0.0f, 0.0f, -1.0f};
    ASSERT_TRUE(g_ObjectList.GetRayIntersection(&above, &down, 100.0f, &point, nullptr, &hit));
    EXPECT_EQ(hit, slab);
    EXPECT_NEAR(point.z, 10.0f, 1e-3f);
}

TEST_F(Rays, VolumeDamageFallsOffBeyondHalfTheRadius)
{
    CBall* centre = Sphere({1000.0f, 1000.0f, 0.0f}, 1.0f);
    CBall* near = Sphere({1030.0f, 1000.0f, 0.0f}, 1.0f);
    CBall* far = Sphere({1075.0f, 1000.0f, 0.0f}, 1.0f);
    CBall* outside = Sphere({1200.0f, 1000.0f, 0.0f}, 1.0f);
    for (CBall* b : {centre, near, far, outside})
    {
        b->m_bDamageable = 1;
        b->m_bPhysics = 1;
    }
    // The one at the centre sits 0.5 off: pushed by the offset unnormalised.
    centre->m_Frame.SetPosition(CVector{1000.5f, 1000.0f, 0.0f});
    const CVector c{1000.0f, 1000.0f, 0.0f};
    g_ObjectList.SetVolumeDamage(&c, 100.0f, 40.0f, 0.0f, nullptr, false, 1, 2);
    ASSERT_EQ(centre->m_Damage.size(), 1u);
    EXPECT_FLOAT_EQ(centre->m_Damage[0], 40.0f);
    EXPECT_FLOAT_EQ(centre->m_vVelocity.x, 0.5f * 40.0f);
    EXPECT_FLOAT_EQ(near->m_Damage[0], 40.0f); // surface within half the radius
    const float k = 1.0f - (74.0f - 50.0f) / 50.0f;
    EXPECT_NEAR(far->m_Damage[0], 40.0f * k * k, 1e-3f);
    EXPECT_NEAR(far->m_vVelocity.x, 40.0f * k * k, 1e-3f);
    EXPECT_TRUE(outside->m_Damage.empty());
}

TEST_F(Rays, SensorsTakeTheirRadiiAndFireOnePerFrame)
{
    CSensorSink sink;
    CWorld world;
    g_pWorld = &world;
    auto* point = new CSysObject;
    std::snprintf(point->m_szName, sizeof point->m_szName, "SPOT");
    point->m_fRadius = 50.0f;
    point->m_Frame.SetPosition(CVector{500.0f, 500.0f, 0.0f});
    g_ObjectList.AddSysObject(point);
    g_RoadManager.m_Nodes = {{"CROSSING", CVector{2000.0f, 2000.0f, 0.0f}}};

    g_ObjectList.AddSysObjectSensor("SPOT", "MECH1", false);
    g_ObjectList.AddSysObjectSensor("CROSSING", "MECH1", true);
    g_ObjectList.AddSysObjectSensor("NOWHERE", "MECH1", true);
    ASSERT_EQ(g_ObjectList.m_nSensors, 2);
    EXPECT_FLOAT_EQ(g_ObjectList.GetSensor(0)->radius, 105.0f);
    EXPECT_FLOAT_EQ(g_ObjectList.GetSensor(1)->radius, 285.0f);
    EXPECT_NE(ReadText("error.log").find("game id not found: 'NOWHERE'"), std::string::npos);

    // Ten units under an enter sensor of radius 25 counts as thirty.
    CBall* mover = Sphere({2000.0f, 2000.0f, -10.0f});
    CMech* mech = world.AddMech("MECH1");
    mech->m_pObject = mover;
    g_ObjectList.m_nSensors = 0;
    g_ObjectList.AddSysObjectSensor("CROSSING", "MECH1", true);
    g_ObjectList.GetSensor(0)->radius = 25.0f;
    g_ObjectList.CheckObjectSensor();
    EXPECT_TRUE(sink.m_Fired.empty());

    // Two that fire at once fire on two frames.
    mover->m_Frame.SetPosition(CVector{2000.0f, 2000.0f, 0.0f});
    g_ObjectList.AddSysObjectSensor("SPOT", "MECH1", false);
    g_ObjectList.CheckObjectSensor();
    EXPECT_EQ(sink.m_Fired, std::vector<std::string>{"CROSSING/MECH1/in"});
    g_ObjectList.CheckObjectSensor();
    EXPECT_EQ(sink.m_Fired.back(), "SPOT/MECH1/out");
    EXPECT_EQ(g_ObjectList.m_nSensors, 0);

    // The array grows past its capacity and keeps its records.
    for (int i = 0; i < 40; ++i)
        g_ObjectList.AddSysObjectSensor("SPOT", "MECH1", i % 2 == 0);
    EXPECT_EQ(g_ObjectList.m_nSensors, 40);
    EXPECT_STREQ(g_ObjectList.GetSensor(39)->target, "SPOT");
    g_RoadManager.m_Nodes.clear();
    g_pWorld = nullptr;
}
