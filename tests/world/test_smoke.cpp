// The smoke puff ring, emission, ageing and the three mesh builders, and the
// trajectory marker over a flat ground.
#include "WorldTestScene.h"

#include "foundation/Random.h"
#include "world/Smoke.h"
#include "world/WorldTerrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
SPuff At(float x, float y, float z)
{
    SPuff p;
    p.position = CVector{x, y, z};
    p.opacity = 1.0f;
    p.color = 0x808080;
    return p;
}

std::uint32_t QuadAlpha(const CSmoke& s, int quad)
{
    const auto* v = reinterpret_cast<const std::uint8_t*>(s.m_Buffer.m_pVertices) + 32 * 4 * quad;
    std::uint32_t color;
    std::memcpy(&color, v + 12, 4);
    return color >> 24;
}

class CFlatGround : public IWorldTerrain
{
public:
    bool GetHeight(const CVector&, float* height) override
    {
        *height = 0.0f;
        return true;
    }
    float GetRoughHeight(const CVector&, bool) override { return 0.0f; }
    bool GetTriangleNormal(const CVector&, CVector* normal) override
    {
        *normal = CVector{0, 0, 1};
        return true;
    }
    float GetUpperLimit() override { return 10000.0f; }
};
} // namespace

TEST(Smoke, RingKeepsTheLastPushesAndEmptyGivesNothing)
{
    CSmoke s;
    const CVector origin{};
    s.Init(0, 4, &origin, 1.0f, 10.0f, 1.0f, 0.0f);
    s.MakeMesh(CVector{0, -100, 0}, CVector{0, 1, 0});
    EXPECT_EQ(s.m_Buffer.m_nVertexCount, 0u);
    for (int i = 0; i < 6; ++i)
        s.PushPuff(At(float(i), 0, 0));
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.m_nHead, (s.m_nTail + 1) % 4);
    for (int k = 0; k < 3; ++k)
        EXPECT_FLOAT_EQ(s.m_Ring[std::size_t((s.m_nHead + k) % 4)].position.x, float(3 + k));
}

TEST(Smoke, BillboardsFarFirstAndNothingWithinTheNearLimit)
{
    CSmoke s;
    const CVector origin{};
    s.Init(0, 16, &origin, 1.0f, 10.0f, 2.0f, 0.0f);
    s.PushPuff(At(0, 10, 0));
    s.PushPuff(At(0, 50, 0));
    s.PushPuff(At(0, 1.7f, 0)); // 1.7 squared is below 3
    s.MakeMesh(CVector{0, 0, 0}, CVector{0, 1, 0});
    ASSERT_EQ(s.m_Buffer.m_nVertexCount, 8u);
    EXPECT_EQ(s.m_Buffer.m_nIndexCount, 12u);
    const auto* v = reinterpret_cast<const float*>(s.m_Buffer.m_pVertices);
    EXPECT_NEAR(v[1], 50.0f, 1e-3f); // the farthest quad first
    EXPECT_EQ(QuadAlpha(s, 0), 127u);

    CSmoke points;
    points.Init(5, 16, &origin, 1.0f, 10.0f, 1.0f, 0.0f);
    points.PushPuff(At(0, 1, 0));
    points.PushPuff(At(0, 5, 0));
    points.MakeMesh(CVector{0, 0, 0}, CVector{0, 1, 0});
    EXPECT_EQ(points.m_Buffer.m_nVertexCount, 1u);
}

TEST(Smoke, EdgeOnFadedPuffsAddUpBeforeOneIsDrawn)
{
    CSmoke s;
    const CVector origin{};
    s.Init(2, 16, &origin, 1.0f, 10.0f, 1.0f, 0.0f);
    s.m_vDirection = CVector{0, 1, 0}; // along the view: e = 0.1 x 127
    for (int i = 0; i < 3; ++i)
    {
        SPuff p = At(0, 100.0f + float(i), 0);
        p.opacity = 8.0f / 12.7f + 1e-4f; // alpha 8 each
        s.PushPuff(p);
    }
    s.MakeMesh(CVector{0, 0, 0}, CVector{0, 1, 0});
    ASSERT_EQ(s.m_Buffer.m_nVertexCount, 4u);
    EXPECT_EQ(QuadAlpha(s, 0), 20u);
}

TEST(Smoke, EmissionSpacingCarryAndJumps)
{
    CSmoke s;
    const CVector origin{};
    s.Init(0, 64, &origin, 1.0f, 10.0f, 1.0f, 0.0f);
    s.Emit(0, 2.5f, 0, 1.0f, 0xFFFFFF, CVector{0, 0, 1});
    EXPECT_EQ(s.Count(), 2);
    EXPECT_FLOAT_EQ(s.m_Ring[1].position.y, 2.0f);
    // The half unit left carries: 0.5 more lays the third puff at 3.0.
    s.Emit(0, 3.0f + 1e-4f, 0, 1.0f, 0xFFFFFF, CVector{0, 0, 1});
    EXPECT_EQ(s.Count(), 3);
    EXPECT_NEAR(s.m_Ring[2].position.y, 3.0f, 1e-3f);
    // A movement below 1e-6 neither emits nor turns the emitter.
    const CVector dir = s.m_vDirection;
    s.Emit(0, 3.0f + 1e-4f + 1e-7f, 0, 1.0f, 0xFFFFFF, CVector{0, 0, 1});
    EXPECT_EQ(s.Count(), 3);
    EXPECT_FLOAT_EQ(s.m_vDirection.y, dir.y);
    // A jump of more than 1000 spacings starts over.
    s.Emit(5000, 0, 0, 1.0f, 0xFFFFFF, CVector{0, 0, 1});
    EXPECT_EQ(s.Count(), 0);
    EXPECT_FLOAT_EQ(s.m_vLast.x, 5000.0f);
}

TEST(Smoke, AgeingGrowsAndRampsTheColour)
{
    CSmoke s;
    const CVector origin{};
    s.Init(4, 8, &origin, 1.0f, 10.0f, 1.0f, 2.0f);
    s.m_Ramp[0] = 0x000000;
    s.m_Ramp[1] = 0x204060;
    s.m_Ramp[2] = 0xFFFFFF;
    const float times[4] = {1.0f, 3.0f, 5.0f, 7.0f};
    std::copy(times, times + 4, s.m_RampTimes);
    SPuff p = At(0, 0, 0);
    p.rate = 1.0f;
    s.PushPuff(p);
    s.Run(2.0f);
    EXPECT_EQ(s.m_Ring[0].color, 0x102030u);
    EXPECT_FLOAT_EQ(s.m_Ring[0].scale, 2.0f / 10.0f * 2.0f + 1.0f);
    s.Run(1.0f);
    EXPECT_EQ(s.m_Ring[0].color, 0x204060u);
    s.Run(8.0f); // dead at the head: the ring empties
    EXPECT_EQ(s.Count(), 0);
}

TEST(Smoke, TrajectoryMarkerShowsItsImpactOrOnlyItsTrail)
{
    worldtest::CScene scene;
    CFlatGround ground;
    g_pWorldTerrain = &ground;
    CSmokeObject marker;
    marker.ShowTrajectory(0, 0, 10, 50, 0, 100, 0.0f, 5.0f);
    EXPECT_EQ(marker.m_bShown, 1);
    ASSERT_EQ(marker.m_bImpactShown, 1);
    EXPECT_NEAR(marker.m_vImpact.z, 0.0f, 0.01f);
    EXPECT_GT(marker.m_vImpact.x, 50.0f);
    EXPECT_GT(marker.m_Smoke.Count(), 10);
    EXPECT_FLOAT_EQ(marker.m_fRadius, 5.0f);

    // Far above the ground and rising fast: 10 seconds end in the air.
    marker.ShowTrajectory(0, 0, 10, 0, 0, 20000, 0.0f, 5.0f);
    EXPECT_EQ(marker.m_bShown, 1);
    EXPECT_EQ(marker.m_bImpactShown, 0);
    g_pWorldTerrain = nullptr;
}

// An explosion's smoke ring runs outward over the ground: each live puff
// moves away from the centre by dt x its rate and rests half its scale
// above the ground; dead puffs stay where they are.
TEST(Smoke, ExplosionParticlesRunOutwardOnTheGround)
{
    CFlatGround ground;
    g_pWorldTerrain = &ground;
    CExploParticles s;
    const CVector centre{10, 10, 5};
    s.Init(3, 4, &centre, 1.0f, 2.0f, 1.0f, 0.0f);
    SPuff east = At(13, 10, 5), north = At(10, 14, 5), dead = At(0, 0, 9);
    east.scale = 2.0f;
    dead.age = 5.0f;
    for (const SPuff& p : {east, north, dead})
        s.PushPuff(p);
    s.Run(0.5f, &centre);
    const SPuff* p = s.m_Ring.data();
    EXPECT_NEAR(p[0].position.x, 13.0f + 0.5f * east.rate, 1e-5f);
    EXPECT_FLOAT_EQ(p[0].position.z, 1.0f);
    EXPECT_NEAR(p[1].position.y, 14.0f + 0.5f * north.rate, 1e-5f);
    EXPECT_FLOAT_EQ(p[1].position.z, 0.5f);
    EXPECT_FLOAT_EQ(p[2].position.z, 9.0f);
    g_pWorldTerrain = nullptr;
}
