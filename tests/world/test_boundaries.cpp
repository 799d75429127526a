// Boundary posts, anomaly zone objects and sound points: the fence mesh of
// a post with three links and none, the push thresholds and the mirror,
// a deleted neighbour leaving the fence, the sound point's on and off
// spans and its reset when the camera leaves.
#include "WorldTestScene.h"

#include "world/AnomalZoneObject.h"
#include "world/BoundObject.h"
#include "world/DynamicObject.h"
#include "world/KindManagers.h"
#include "world/SoundPointObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace
{
CBoundObject* Post(float x, float y)
{
    auto* post = new CBoundObject;
    CMatrix at(1.0f);
    at.SetTranslation(CVector{x, y, 0});
    post->Init(&at, "", nullptr);
    g_ObjectList.AddObject(post);
    return post;
}

class CMover : public CDynamicObject
{
public:
    CMover(const CVector& p, const CVector& v)
    {
        m_bPhysics = 1;
        CMatrix at(1.0f);
        at.SetTranslation(p);
        SetMatrix(at);
        m_vVelocity = v;
    }
};
} // namespace

TEST(Boundaries, FenceMeshOfThreeLinksAndNone)
{
    worldtest::CScene scene;
    CBoundObject* post = Post(0, 0);
    EXPECT_EQ(post->m_Fence.m_nVertexCount, 0u);
    EXPECT_EQ(post->m_Fence.m_nIndexCount, 0u);
    EXPECT_EQ(post->m_bOwnCollision, 1);
    EXPECT_EQ(post->m_bDeleteNotify, 1);
    const float radius = post->m_fRadius;
    CBoundObject* a = Post(100, 0);
    CBoundObject* b = Post(0, 60);
    CBoundObject* c = Post(-40, 0);
    for (CBoundObject* other : {a, b, c})
        post->Link(other, true);
    ASSERT_EQ(post->m_nLinks, 3);
    EXPECT_EQ(post->m_Fence.m_nVertexCount, 8u);
    EXPECT_EQ(post->m_Fence.m_nIndexCount, 18u);
    const std::uint16_t* idx = post->m_Fence.m_pIndices;
    for (int k = 1; k <= 3; ++k)
    {
        const std::uint16_t want[6] = {
            0, 1, std::uint16_t(2 * k), std::uint16_t(2 * k), 1, std::uint16_t(2 * k + 1)};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(idx[6 * (k - 1) + i], want[i]) << k;
    }
    // Transparent at the post, opaque at the midpoints; the reach grows by
    // the longest half link once, however often the fence is rebuilt.
    std::uint32_t colour[8];
    for (int i = 0; i < 8; ++i)
        std::memcpy(&colour[i], post->m_Fence.m_pVertices + 32 * i + 12, 4);
    EXPECT_EQ(colour[0], 0x10FFFFFFu);
    EXPECT_EQ(colour[1], 0x10FFFFFFu);
    EXPECT_EQ(colour[2], 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(post->m_fHalfLength, 50.0f);
    post->RebuildFence();
    EXPECT_FLOAT_EQ(post->m_fRadius, radius + 50.0f);

    // A deleted neighbour leaves the links and the fence shrinks.
    post->ProcessDelete(a);
    EXPECT_EQ(post->m_nLinks, 2);
    EXPECT_EQ(post->m_Fence.m_nVertexCount, 6u);
    EXPECT_FLOAT_EQ(post->m_fHalfLength, 30.0f);
}

TEST(Boundaries, PushThresholdsAndTheMirror)
{
    worldtest::CScene scene;
    CBoundObject* post = Post(0, 0);
    CBoundObject* other = Post(200, 0);
    post->Link(other, true); // segment from (0, 0) to (100, 0), reach 25 + |v| dt
    ASSERT_FALSE(post->m_bLargeFence);
    const float dt = 0.1f;
    struct SCase
    {
        float y;      // distance from the fence
        float vy;     // velocity across it
        float wantVy; // after the push
    };
    const SCase cases[] = {
        {0.05f, 0.0f, 0.0f},                  // below 0.1: left alone
        {12.5f, 0.0f, 300.0f * dt},           // within half the reach: full strength
        {18.75f, 0.0f, 0.5f * 300.0f * dt},   // three quarters: half strength
        {30.0f, 0.0f, 0.0f},                  // out of reach
        {10.0f, 20.0f, 20.0f + 300.0f * dt},  // moving away: pushed, not mirrored (reach 27)
        {10.0f, -20.0f, 20.0f + 300.0f * dt}, // moving in: mirrored, then pushed
    };
    for (const SCase& c : cases)
    {
        CMover mover(CVector{50, c.y, 5}, CVector{0, c.vy, 0});
        // Only the mover's velocity changes: nothing for the collision
        // pass to check again.
        EXPECT_FALSE(post->OnCollision(&mover, dt));
        EXPECT_NEAR(mover.m_vVelocity.y, c.wantVy, 1e-3f) << c.y << " " << c.vy;
        EXPECT_FLOAT_EQ(mover.m_vVelocity.x, 0.0f);
    }
}

TEST(AnomalZones, TheVisiblePartStandsAndRunsOnlyWithAnInstanceModel)
{
    worldtest::CScene scene;
    CAnomalZoneObject zone;
    CMatrix at(2.0f);
    at.m[3][3] = 1.0f;
    zone.Init(&at, "unknown");
    EXPECT_EQ(zone.m_nType, OBJ_ANOMALZONE);
    EXPECT_EQ(zone.m_bShown, 1);
    EXPECT_FLOAT_EQ(zone.m_fRadius, 2.0f);
    EXPECT_EQ(zone.m_bMoving, 0);
}

TEST(SoundPoints, TwoSecondsOnThreeOffWhileTheCameraIsNear)
{
    worldtest::CScene scene;
    SSoundZoneType type;
    type.m_fPeriod = 3.0f;
    type.m_fLength = 2.0f;
    auto* point = new CSoundPointObject;
    CMatrix at(1.0f);
    point->Init(&at, "none");
    EXPECT_FLOAT_EQ(point->m_fRadius, 100.0f);
    point->m_pZoneType = &type;
    point->m_nSound = 0;
    g_ObjectList.AddObject(point);
    scene.m_View.m_vEye = CVector{50, 0, 0};

    // 0.5 s steps: the state after each step.
    std::string trace;
    for (int i = 0; i < 22; ++i)
    {
        point->Step(0.5f);
        trace += point->m_bSounding ? '#' : '.';
    }
    // Starts at once, sounds 2 s (plus the step that ends it), pauses 3 s.
    EXPECT_EQ(trace, "#####.......#####.....");
    EXPECT_FLOAT_EQ(point->m_fHearing2, 100.0f * 100.0f);

    // The camera beyond twice the hearing distance resets it.
    scene.m_View.m_vEye = CVector{150, 0, 0};
    point->Step(0.5f);
    EXPECT_EQ(point->m_bSounding, 0);
    EXPECT_EQ(point->m_fPlay, 0.0f);
    EXPECT_EQ(point->m_fSilence, 0.0f);

    // Without a sound the point removes itself.
    point->m_nSound = -1;
    point->Step(0.5f);
    EXPECT_EQ(point->m_bAlive, 0);
}
