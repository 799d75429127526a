// The collision pass: two spheres meeting, the minimum normal speed, the
// owner passing through, a still sphere, an object's triangles.
#include "WorldMotionFakes.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace worldtest;

namespace
{
class Collision : public testutil::CLogDirTest
{
protected:
    CBall* Ball(CVector p, CVector v, float r = 2.0f)
    {
        auto* b = new CBall(p, v, r);
        g_ObjectList.AddObject(b);
        return b;
    }
    CScene m_Scene;
};
} // namespace

TEST_F(Collision, TwoEqualMassesHeadOnLeaveWithEightyPercentOfTheEnergyOnce)
{
    struct SCase
    {
        float speed, gap, expected;
    };
    // 20 and -20 leave at about 17.9; 1 and -1 count as 10 along the normal.
    for (const SCase c : {SCase{20.0f, 4.5f, -17.8885f}, SCase{1.0f, 4.0f, 1.0f - (10.0f + 8.9443f)}})
    {
        g_ObjectList.Clear();
        CBall* a = Ball({1000.0f, 1000.0f, 50.0f}, {c.speed, 0.0f, 0.0f});
        CBall* b = Ball({1000.0f + c.gap, 1000.0f, 50.0f}, {-c.speed, 0.0f, 0.0f});
        g_ObjectList.CheckCollision(0.1f);
        EXPECT_NEAR(a->m_vVelocity.x, c.expected, 1e-3f) << c.speed;
        EXPECT_NEAR(b->m_vVelocity.x, -c.expected, 1e-3f) << c.speed;
        ASSERT_EQ(a->m_Contacts.size(), 1u);
        EXPECT_EQ(a->m_Contacts[0].other, b);
        EXPECT_NEAR(a->m_Contacts[0].normal.x, 1.0f, 1e-5f);
        ASSERT_EQ(b->m_Contacts.size(), 1u);
        EXPECT_NEAR(b->m_Contacts[0].normal.x, -1.0f, 1e-5f);
    }
}

TEST_F(Collision, AMissilePassesThroughItsLauncherAndBadMoversAreNotTested)
{
    CBall* glider = Ball({1000.0f, 1000.0f, 50.0f}, {0.0f, 5.0f, 0.0f});
    CBall* missile = Ball({1001.0f, 1000.0f, 50.0f}, {0.0f, 80.0f, 0.0f}, 0.5f);
    missile->m_pOwner = glider;
    CBall* broken = Ball({1000.0f, 1003.0f, 50.0f}, {std::nanf(""), 0.0f, 0.0f});
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_TRUE(glider->m_Contacts.empty());
    EXPECT_TRUE(missile->m_Contacts.empty());
    EXPECT_TRUE(broken->m_Contacts.empty());
    EXPECT_EQ(missile->m_vVelocity.y, 80.0f);
}

TEST_F(Collision, AStillSphereTakesEightTenthsOfTheNormalSpeed)
{
    CBall* a = Ball({1000.0f, 1000.0f, 50.0f}, {20.0f, 0.0f, 0.0f});
    CBall* wall = Ball({1004.5f, 1000.0f, 50.0f}, {});
    wall->m_bPhysics = 0;
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_NEAR(a->m_vVelocity.x, 20.0f - 0.8f * 20.0f, 1e-4f);
    EXPECT_EQ(wall->m_Contacts.size(), 1u);
}

TEST_F(Collision, ANonPositiveMassIsNotADivisor)
{
    CBall* a = Ball({1000.0f, 1000.0f, 50.0f}, {20.0f, 0.0f, 0.0f});
    CBall* b = Ball({1004.5f, 1000.0f, 50.0f}, {-20.0f, 0.0f, 0.0f});
    b->m_fMass = 0.0f;
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_EQ(a->m_vVelocity.x, 20.0f);
    EXPECT_EQ(b->m_vVelocity.x, -20.0f);
    EXPECT_NE(ReadText("error.log").find("m1>0 && m2>0"), std::string::npos);
}

TEST_F(Collision, ASphereFallingOnTrianglesIsPushedAlongTheirNormal)
{
    auto* slab = new CSlab({1000.0f, 1000.0f, 0.0f}, 20.0f, 0.0f);
    g_ObjectList.AddObject(slab);
    // Over the face, and grazing the slab's edge from outside.
    CBall* face = Ball({1005.0f, 995.0f, 3.0f}, {0.0f, 0.0f, -20.0f}, 1.0f);
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_NEAR(face->m_vVelocity.z, -20.0f + 20.0f * 1.3f, 1e-3f);
    ASSERT_FALSE(face->m_Contacts.empty());
    EXPECT_NEAR(face->m_Contacts[0].point.z, 0.0f, 1e-3f);

    g_ObjectList.Clear();
    slab = new CSlab({1000.0f, 1000.0f, 0.0f}, 20.0f, 0.0f);
    g_ObjectList.AddObject(slab);
    CBall* edge = Ball({1020.5f, 1005.0f, 3.0f}, {0.0f, 0.0f, -20.0f}, 1.0f);
    g_ObjectList.CheckCollision(0.1f);
    ASSERT_FALSE(edge->m_Contacts.empty());
    EXPECT_NEAR(edge->m_Contacts[0].point.x, 1020.0f, 1e-3f);
    EXPECT_NEAR(edge->m_Contacts[0].normal.z, 1.0f, 1e-5f);
    EXPECT_GT(edge->m_vVelocity.z, 0.0f);
}

TEST_F(Collision, APointColliderHitsTheFirstTriangle)
{
    auto* slab = new CSlab({1000.0f, 1000.0f, 0.0f}, 20.0f, 0.0f);
    g_ObjectList.AddObject(slab);
    CBall* p = Ball({1005.0f, 995.0f, 1.0f}, {0.0f, 0.0f, -20.0f}, 0.1f);
    p->m_bPointCollider = 1;
    g_ObjectList.CheckCollision(0.1f);
    EXPECT_NEAR(p->m_vVelocity.z, -20.0f + 1.3f * 20.0f, 1e-3f);
    EXPECT_EQ(p->m_Contacts.size(), 1u);
}
