// Weather effects without a device: particle counts, the box wrap, the
// rescatter on a camera jump, the fade steps, the streaks of rain and a
// storm without wind.
#include "foundation/Random.h"
#include "location/EnvFX.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{

class EnvFXTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedCamera = g_ViewCamera;
        m_savedWind = g_Environment.m_vWind;
        g_Environment.m_vWind = CVector{};
        // A camera at the origin looking along +y, 90 degrees wide: the
        // projection of row vectors with w = y.
        CMatrix vp;
        vp.m[0][0] = 1.0f;
        vp.m[2][1] = 1.0f;
        vp.m[1][2] = 1.0f;
        vp.m[1][3] = 1.0f;
        vp.m[3][2] = -0.1f;
        g_ViewCamera.m_mViewProjection = vp;
    }
    void TearDown() override
    {
        g_ViewCamera = m_savedCamera;
        g_Environment.m_vWind = m_savedWind;
    }
    template <typename T> static CVector& At(T& fx, int i)
    {
        return *reinterpret_cast<CVector*>(fx.m_pParticles.get() + std::size_t(i) * fx.GetParticleSize());
    }
    template <typename T> static std::uint8_t Wrapped(T& fx, int i)
    {
        return fx.m_pParticles[std::size_t(i) * fx.GetParticleSize() + 12];
    }

    CViewCamera m_savedCamera;
    CVector m_savedWind;
    CRandom m_random{4711};
};

TEST_F(EnvFXTest, DensityZeroHasNoParticles)
{
    CEnvFXSnow snow;
    CEnvFXRain rain;
    CEnvFXStorm storm;
    for (CEnvFX* fx :
         {static_cast<CEnvFX*>(&snow), static_cast<CEnvFX*>(&rain), static_cast<CEnvFX*>(&storm)})
    {
        fx->SetRandom(&m_random);
        fx->Init(0.0f);
        fx->SetFull();
        fx->Run(0.5f);
        fx->Render();
        EXPECT_EQ(fx->m_nCount, 0);
        EXPECT_EQ(fx->m_nActive, 0);
    }
    EXPECT_EQ(rain.m_Triangles.m_nVertexCount, 0u);
    EXPECT_EQ(storm.m_Points.m_nVertexCount, 0u);
}

TEST_F(EnvFXTest, KindsScatterIntoTheirBoxes)
{
    struct SCase
    {
        CEnvFX* fx;
        float radius;
        int size;
    };
    CEnvFXSnow snow;
    CEnvFXRain rain;
    CEnvFXStorm storm;
    for (const SCase& c : {SCase{&snow, 25.0f, 32}, SCase{&rain, 50.0f, 28}, SCase{&storm, 50.0f, 32}})
    {
        c.fx->SetRandom(&m_random);
        c.fx->Init(0.1f);
        EXPECT_EQ(c.fx->m_nCount, 800);
        EXPECT_EQ(CEnvFX::ParticleCount(3.0f), CEnvFX::kMaxParticles);
        EXPECT_EQ(c.fx->m_fRadius, c.radius);
        EXPECT_EQ(c.fx->GetParticleSize(), c.size);
        for (int i = 0; i < c.fx->m_nCount; ++i)
        {
            const CVector& p =
                *reinterpret_cast<CVector*>(c.fx->m_pParticles.get() + std::size_t(i) * c.size);
            ASSERT_LE(std::fabs(p.x), c.radius);
            ASSERT_LE(std::fabs(p.y), c.radius);
            ASSERT_LE(std::fabs(p.z), c.radius * 0.5f);
        }
    }
}

TEST_F(EnvFXTest, ParticlesLeavingTheBoxReEnterOnTheOppositeFace)
{
    CEnvFXSnow snow;
    snow.SetRandom(&m_random);
    snow.Init(0.001f); // 8 particles
    ASSERT_EQ(snow.m_nCount, 8);
    const float r = 25.0f;
    At(snow, 0) = CVector{r, 0.0f, 0.0f};        // on the face: stays
    At(snow, 1) = CVector{r + 1.0f, 0.0f, 0.0f}; // just outside in x
    At(snow, 2) = CVector{0.0f, -r - 2.0f, 0.0f};
    At(snow, 3) = CVector{0.0f, 0.0f, r * 0.5f + 1.0f};
    At(snow, 4) = CVector{0.0f, 0.0f, -r * 0.5f};
    snow.Check();
    EXPECT_EQ(At(snow, 0).x, r);
    EXPECT_EQ(Wrapped(snow, 0), 0);
    EXPECT_FLOAT_EQ(At(snow, 1).x, -r + 1.0f);
    EXPECT_EQ(Wrapped(snow, 1), 1);
    EXPECT_FLOAT_EQ(At(snow, 2).y, r - 2.0f);
    EXPECT_FLOAT_EQ(At(snow, 3).z, -r * 0.5f + 1.0f);
    EXPECT_EQ(At(snow, 4).z, -r * 0.5f);
    EXPECT_EQ(Wrapped(snow, 4), 0);
}

TEST_F(EnvFXTest, OnlyAJumpBeyondOneAndAHalfBoxesScattersAgain)
{
    CEnvFXSnow snow; // R = 25: jumps beyond 37.5 units scatter
    snow.SetRandom(&m_random);
    snow.Init(0.001f);
    const CVector first = At(snow, 0);
    struct SCase
    {
        float move;
        bool scatter;
    } cases[] = {{3.0f, false}, {7.0f, false}, {37.0f, false}, {38.0f, true}};
    float x = 0.0f;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.move);
        const CVector before = At(snow, 0);
        x += c.move;
        snow.SetCenter(x, 0.0f, 0.0f);
        EXPECT_EQ(snow.m_vCenter.x, x);
        const bool moved = std::memcmp(&before, &At(snow, 0), sizeof(CVector)) != 0;
        EXPECT_EQ(moved, c.scatter);
    }
    EXPECT_NE(At(snow, 0).x, first.x);
}

TEST_F(EnvFXTest, FadeStepsAndFullStrength)
{
    CEnvFXRain rain;
    rain.SetRandom(&m_random);
    rain.Init(0.25f); // 2000 drops
    rain.m_nFade = 1;
    rain.Run(1.0f);
    EXPECT_FLOAT_EQ(rain.m_fIntensity, 0.05f);
    EXPECT_EQ(rain.m_nActive, int(2000 * 0.05f));
    for (int i = 0; i < 19; ++i)
        rain.Run(1.0f);
    EXPECT_EQ(rain.m_fIntensity, 1.0f);
    EXPECT_EQ(rain.m_nFade, 0);
    EXPECT_EQ(rain.m_nActive, 2000);
    rain.m_nFade = 2;
    rain.Run(30.0f);
    EXPECT_EQ(rain.m_fIntensity, 0.0f);
    EXPECT_EQ(rain.m_nActive, 0);
    rain.SetFull();
    EXPECT_EQ(rain.m_nActive, 2000);
}

TEST_F(EnvFXTest, RainDrawsOneStreakPerVisibleUnwrappedDrop)
{
    CEnvFXRain rain;
    rain.SetRandom(&m_random);
    rain.Init(0.001f); // 8 drops
    rain.SetFull();
    for (int i = 0; i < 8; ++i)
        At(rain, i) = CVector{0.0f, 10.0f + float(i), 5.0f}; // in front of the camera
    At(rain, 6) = CVector{0.0f, -10.0f, 5.0f};               // behind it
    At(rain, 7) = CVector{0.0f, 10.0f, -24.9f};              // falls out of the box: wrapped
    rain.Run(0.01f);
    EXPECT_EQ(Wrapped(rain, 7), 1);
    EXPECT_EQ(rain.m_Triangles.m_nVertexCount, 18u);
    EXPECT_EQ(rain.m_Triangles.m_nIndexCount, 18u);
    std::uint32_t colour;
    std::memcpy(&colour, rain.m_Triangles.m_pVertices + 12, 4);
    EXPECT_EQ(colour, 0x80FFFFFFu);
}

TEST_F(EnvFXTest, StormWithoutWindRests)
{
    CEnvFXStorm storm;
    storm.SetRandom(&m_random);
    storm.Init(0.01f);
    storm.SetFull();
    const CVector before = At(storm, 3);
    storm.Run(1.0f);
    EXPECT_EQ(At(storm, 3).x, before.x);
    EXPECT_FALSE(std::isnan(At(storm, 3).z));
    // With wind the particles are carried along it.
    g_Environment.m_vWind = CVector{5.0f, 0.0f, 0.0f};
    At(storm, 3) = CVector{};
    storm.Run(1.0f);
    EXPECT_GT(At(storm, 3).x, 0.0f);
}

} // namespace
