// The effect mesh builders over the shared effect buffer (no device: the
// builders return no mesh but fill the buffer).
#include "location/EffectRenderManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
const SEffectVertex* V()
{
    return reinterpret_cast<const SEffectVertex*>(CEffectRenderManager::EffectBuffer().m_pVertices);
}
std::uint32_t Alpha(const SEffectVertex& v)
{
    return v.color >> 24;
}
} // namespace

TEST(EffectMesh, ShotAlphasFollowItsAge)
{
    const CVector a{0, 0, 0}, b{0, 100, 0}, eye{50, 50, 10};
    struct Case
    {
        float age;
        std::uint32_t first, second;
    };
    for (const Case& c : {Case{0.0f, 255, 255}, Case{0.25f, 127, 191}, Case{0.5f, 0, 127}, Case{1.0f, 0, 0}})
    {
        CEffectRenderManager::GetShotMesh(a, b, 1.0f, eye, c.age, false, 1.0f, 0.0f);
        ASSERT_EQ(CEffectRenderManager::EffectBuffer().m_nVertexCount, 8u);
        EXPECT_EQ(CEffectRenderManager::EffectBuffer().m_nIndexCount, 18u);
        SCOPED_TRACE(c.age);
        EXPECT_EQ(Alpha(V()[0]), c.first);
        EXPECT_EQ(Alpha(V()[2]), c.second);
        EXPECT_EQ(Alpha(V()[4]), 255u);
        EXPECT_EQ(Alpha(V()[6]), 0u);
        EXPECT_EQ(Alpha(V()[7]), 0u);
    }
    // A pair is two half widths apart, across the segment.
    const CVector across{V()[1].x - V()[0].x, V()[1].y - V()[0].y, V()[1].z - V()[0].z};
    EXPECT_NEAR(across.Length(), 2.0f, 1e-4f);
    EXPECT_NEAR(across.y, 0.0f, 1e-4f);
    // Pair 2 stops eight half widths short of the tip.
    EXPECT_NEAR((V()[4].y + V()[5].y) * 0.5f, 92.0f, 1e-4f);
}

TEST(EffectMesh, RayAndClotWriteEveryColourAndMapTheTexture)
{
    const CVector a{0, 0, 0}, b{0, 40, 0}, eye{10, 20, 5};
    auto& buffer = CEffectRenderManager::EffectBuffer();
    CEffectRenderManager::GetShotMesh(a, b, 1.0f, eye, 1.0f, false, 1.0f, 0.0f); // leaves alpha 0 behind
    CEffectRenderManager::GetRayMesh2(a, b, 2.0f, eye, 0.0f, 0.0f);
    ASSERT_EQ(buffer.m_nVertexCount, 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(V()[i].color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(V()[0].u, 0.0f);
    EXPECT_FLOAT_EQ(V()[3].u, 1.0f);
    // With a texture length the texture keeps its world scale.
    CEffectRenderManager::GetRayMesh2(a, b, 2.0f, eye, 10.0f, 5.0f);
    EXPECT_FLOAT_EQ(V()[0].u, -0.5f);
    EXPECT_FLOAT_EQ(V()[2].u, 3.5f);

    CEffectRenderManager::GetShotMesh(a, b, 1.0f, eye, 1.0f, false, 1.0f, 0.0f);
    CEffectRenderManager::GetClotMesh(&a, &b, 1.0f, &eye, 0.25f);
    ASSERT_EQ(buffer.m_nVertexCount, 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(V()[i].color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(V()[1].u, 0.25f);
    EXPECT_FLOAT_EQ(V()[3].u, 1.0f);
}

TEST(EffectMesh, DegenerateSegmentsBuildNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const CVector a{1, 2, 3}, eye{0, 0, 0};
    auto& buffer = CEffectRenderManager::EffectBuffer();
    for (const CVector& b : {a, CVector{nan, 0, 0}})
    {
        EXPECT_EQ(CEffectRenderManager::GetShotMesh(a, b, 1.0f, eye, 0.0f, true, 1.0f, 0.0f), nullptr);
        EXPECT_EQ(buffer.m_nVertexCount, 0u);
        EXPECT_EQ(CEffectRenderManager::GetBeamMesh(&a, &b, 1.0f, &eye, 0.0f, 0.02f, 0.0f), nullptr);
        EXPECT_EQ(buffer.m_nIndexCount, 0u);
    }
    // Pointing straight at the camera: the side vector (e.z, -e.x, e.y).
    CVector side, axis;
    float length = 0.0f;
    ASSERT_TRUE(CEffectRenderManager::SideVector(CVector{0, 10, 0}, CVector{0, 20, 0}, CVector{0, 0, 0}, &side,
                                                 &axis, &length));
    EXPECT_FLOAT_EQ(side.x, 0.0f);
    EXPECT_FLOAT_EQ(side.y, 0.0f);
    EXPECT_FLOAT_EQ(side.z, 1.0f);
}

TEST(EffectMesh, BeamAndSphereCounts)
{
    const CVector a{0, 0, 0}, b{0, 0, 50}, eye{30, 0, 0};
    CEffectRenderManager::GetBeamMesh(&a, &b, 3.0f, &eye, 0.0f, 0.02f, 0.0f);
    EXPECT_EQ(CEffectRenderManager::EffectBuffer().m_nVertexCount, 51u);
    EXPECT_EQ(CEffectRenderManager::EffectBuffer().m_nIndexCount, 192u);
    // Every beam vertex 3i+2 is the tip.
    EXPECT_FLOAT_EQ(V()[5].z, 50.0f);

    struct Case
    {
        int n;
        std::uint32_t vertices, triangles;
    };
    for (const Case& c : {Case{2, 23, 36}, Case{16, 359, 680}, Case{6, 79, 140}})
    {
        CGeometryBuffer sphere;
        CEffectRenderManager::CreateSphereEx(&sphere, 2.0f, c.n, 0x80FFFFFFu, CVector{0, 1, 0}, true);
        SCOPED_TRACE(c.n);
        EXPECT_EQ(sphere.m_nVertexCount, c.vertices);
        EXPECT_EQ(sphere.m_nIndexCount, 3 * c.triangles);
        const auto* v = reinterpret_cast<const SEffectVertex*>(sphere.m_pVertices);
        // The poles are seen edge-on from +y: transparent; every index is a vertex.
        EXPECT_EQ(v[0].color >> 24, 0u);
        EXPECT_FLOAT_EQ(v[0].z, 2.0f);
        for (std::uint32_t i = 0; i < sphere.m_nIndexCount; ++i)
            ASSERT_LT(sphere.m_pIndices[i], sphere.m_nVertexCount);
    }
}
