// The environment's clock, record switches, blends, lights, shadow weights,
// fog values and saved state, on records built here and an injected
// generator (no device: the device calls are skipped).
#include "common/LogDirTest.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

namespace
{

SEnvRecord Record(bool night, float weight, std::uint32_t tag)
{
    SEnvRecord r = MakeDefaultEnvRecord();
    r.night = night ? 1 : 0;
    r.weight = weight;
    // Distinct colours per record and field, so a blend shows its sources.
    r.skyColor = 0xFF000000u | tag << 16 | 0x10;
    r.skyColorDawn = 0xFF000000u | tag << 16 | 0x20;
    r.fogToSun = 0xFF000000u | tag << 16 | 0x30;
    r.fogFromSun = 0xFF000000u | tag << 16 | 0x40;
    r.fogToSunDawn = 0xFF000000u | tag << 16 | 0x50;
    r.fogFromSunDawn = 0xFF000000u | tag << 16 | 0x60;
    r.sunColor = 0xFFFFFFFFu;
    r.ambient = 0xFF404040u;
    return r;
}

class EnvironmentTest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        m_env = std::make_unique<CEnvironment>();
        m_env->SetRandom(&m_random);
    }
    // Records day 0 (tag 1), night 1 (tag 2), day 2 (tag 3); record 0 current.
    void ThreeRecords()
    {
        m_env->m_Records = {Record(false, 1.0f, 1), Record(true, 1.0f, 2), Record(false, 1.0f, 3)};
        m_env->m_bFrozen = false;
        m_env->SetEnvironment(0, false);
    }
    // Seconds of clock for a number of game hours.
    static float Hours(float h) { return h * 120.0f; }

    CRandom m_random{12345};
    std::unique_ptr<CEnvironment> m_env;
};

TEST_F(EnvironmentTest, AStepOverTwoSwitchHoursActsOnTheFirstOnly)
{
    ThreeRecords();
    m_env->m_fTime = 2.9f;
    m_env->Run(Hours(2.2f)); // crosses 3 and 5
    EXPECT_TRUE(m_env->m_bChanging);
    EXPECT_EQ(m_env->m_iCurrent, 0);
    EXPECT_NE(m_env->m_iNext, -1);
    EXPECT_EQ(m_env->GetRecord(m_env->m_iNext)->night, 0);
    EXPECT_NEAR(m_env->m_fTime, 5.1f, 1e-4f);
    // The next step (no switch hour) keeps the change running; crossing 13
    // later makes the next record current.
    const int next = m_env->m_iNext;
    m_env->m_fTime = 12.95f;
    m_env->Run(Hours(0.1f));
    EXPECT_FALSE(m_env->m_bChanging);
    EXPECT_EQ(m_env->m_iCurrent, next);
    EXPECT_EQ(m_env->m_iPrevious, 0);
}

TEST_F(EnvironmentTest, MidnightWrapsAfterTheSwitchTests)
{
    ThreeRecords();
    m_env->m_fTime = 23.9f;
    m_env->Run(Hours(0.2f));
    EXPECT_NEAR(m_env->m_fTime, 0.1f, 1e-4f);
    EXPECT_FALSE(m_env->m_bChanging);
    EXPECT_EQ(m_env->m_iCurrent, 0);
}

TEST_F(EnvironmentTest, WithoutNightRecordsTheClockStopsAtNineteen)
{
    m_env->m_Records = {Record(false, 1.0f, 1), Record(false, 1.0f, 3)};
    m_env->m_bFrozen = false;
    m_env->SetEnvironment(0, false);
    m_env->m_fTime = 17.0f;
    m_env->Run(0.0f);
    const std::uint32_t sky = m_env->m_uSkyColor;
    m_env->m_fTime = 18.95f;
    m_env->Run(Hours(0.1f));
    EXPECT_EQ(m_env->m_iCurrent, -1);
    EXPECT_TRUE(m_env->m_bFrozen);
    EXPECT_FALSE(m_env->m_bChanging);
    const float stopped = m_env->m_fTime;
    m_env->Run(Hours(1.0f));
    EXPECT_EQ(m_env->m_fTime, stopped);
    EXPECT_EQ(m_env->m_uSkyColor, sky);
}

// The sky blend table at its key hours: record 0 current (tag 1), 2 next
// (tag 3), 1 previous (tag 2).
struct SBlendCase
{
    float hour;
    float blend;
    std::uint32_t sky;   // expected sky colour
    std::uint32_t fogTo; // expected working fog colour towards the sun
};

TEST_F(EnvironmentTest, SkyAndFogBlendsFollowTheTable)
{
    const auto mix = [](std::uint32_t a, std::uint32_t b, float g) { return BlendColorRGB(a, b, g); };
    const SEnvRecord cur = Record(false, 1.0f, 1), prev = Record(true, 1.0f, 2),
                     next = Record(false, 1.0f, 3);
    const SBlendCase cases[] = {
        {3.0f, 0.5f, mix(cur.skyColor, cur.skyColorDawn, 0.5f), mix(cur.fogToSun, cur.fogToSunDawn, 0.5f)},
        {4.5f, 0.25f, mix(cur.skyColorDawn, next.skyColor, 0.75f),
         mix(cur.fogToSunDawn, next.fogToSun, 0.75f)},
        {5.5f, 0.75f, mix(prev.skyColorDawn, cur.skyColor, 0.25f),
         mix(prev.fogToSunDawn, cur.fogToSun, 0.25f)},
        {8.0f, 0.0f, cur.skyColor, cur.fogToSun},
        {12.0f, 0.5f, mix(cur.skyColor, next.skyColor, 0.5f), mix(cur.fogToSun, next.fogToSun, 0.5f)},
        {19.0f, 0.5f, mix(cur.skyColor, cur.skyColorDawn, 0.5f), mix(cur.fogToSun, cur.fogToSunDawn, 0.5f)},
        {20.5f, 0.25f, mix(cur.skyColorDawn, next.skyColor, 0.75f),
         mix(cur.fogToSunDawn, next.fogToSun, 0.75f)},
        {21.5f, 0.75f, mix(prev.skyColorDawn, cur.skyColor, 0.25f),
         mix(prev.fogToSunDawn, cur.fogToSun, 0.25f)},
        {23.0f, 0.0f, cur.skyColor, cur.fogToSun},
    };
    m_env->m_Records = {cur, prev, next};
    m_env->m_bFrozen = false;
    m_env->SetEnvironment(0, false);
    for (const SBlendCase& c : cases)
    {
        SCOPED_TRACE(c.hour);
        m_env->m_iNext = 2;
        m_env->m_iPrevious = 1;
        m_env->m_fTime = c.hour;
        m_env->Run(0.0f);
        EXPECT_FLOAT_EQ(m_env->m_fSkyBlend, c.blend);
        EXPECT_EQ(m_env->m_uSkyColor, c.sky);
        EXPECT_EQ(m_env->m_Work.fogToSun, c.fogTo);
    }
}

TEST_F(EnvironmentTest, ChangeFractionAndWeatherBlendRunOverTwoHours)
{
    ThreeRecords();
    m_env->m_Records[2].fogDensity = 0.003f;
    m_env->m_Records[2].wind[0] = 10.0f;
    m_env->m_fTime = 2.99f;
    m_env->Run(Hours(0.02f)); // crosses 3: a change starts
    ASSERT_TRUE(m_env->m_bChanging);
    m_env->m_iNext = 2;
    m_env->m_fTime = 4.0f;
    m_env->Run(0.0f);
    EXPECT_NEAR(m_env->m_fChange, 0.5f, 1e-5f);
    EXPECT_NEAR(m_env->m_Work.fogDensity, 0.5f * 0.003f + 0.5f * 0.001f, 1e-7f);
    EXPECT_NEAR(m_env->m_Work.wind[0], 5.0f, 1e-5f);
}

TEST_F(EnvironmentTest, ShadowWeightsAtHourEdges)
{
    m_env->m_Records = {Record(false, 1.0f, 1)};
    m_env->SetEnvironment(0, false);
    // Each nibble n holds n + 1: the level shows which fields are read.
    const std::uint32_t texel = 0x87654321u;
    const float k = 1.0f / 15.0f; // red 0xFF: sqrt(2 x 1) is capped at 1
    struct SCase
    {
        float hour, level;
    } cases[] = {
        {4.0f, 1 * k},
        {5.0f, 1 * k},
        {6.5f, (0.5f * 1 + 0.5f * 2) * k},
        {8.0f, 2 * k},
        {12.0f, (0.5f * 4 + 0.5f * 5) * k},
        {18.9f, ((0.1f / 3.0f) * 7 + (2.9f / 3.0f) * 8) * k},
        {19.0f, 8 * k},
        {23.0f, 8 * k},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.hour);
        m_env->m_fTime = c.hour;
        m_env->Run(0.0f);
        EXPECT_NEAR(m_env->GetShadowLevel(texel), c.level, 1e-4f);
    }
    m_env->m_bShadowsOff = true;
    EXPECT_EQ(m_env->GetShadowLevel(texel), 0.0f);
}

TEST_F(EnvironmentTest, WeightedDrawUsesTheInjectedGenerator)
{
    m_env->m_Records = {Record(false, 0.0f, 1), Record(true, 5.0f, 2), Record(false, 1.0f, 3),
                        Record(false, 3.0f, 4)};
    // Draw r = (x mod 1000) x 0.001 x 4 over the day weights 0, 1, 3.
    for (std::uint32_t state : {1u, 77u, 4242u, 100000u})
    {
        CRandom probe(state);
        const float r = float(probe.Next() % 1000u) * 0.001f * 4.0f;
        const int expected = r <= 0.0f + 1e-6f ? 0 : r <= 1.0f + 1e-6f ? 2 : 3;
        m_random.SetState(state);
        EXPECT_EQ(m_env->PickNextEnvironment(0), expected) << "state " << state;
    }
    // No candidate: the clock stops.
    m_env->m_Records = {Record(false, 1.0f, 1)};
    m_env->m_bFrozen = false;
    m_env->m_iCurrent = 0;
    EXPECT_EQ(m_env->PickNextEnvironment(1), 0);
    EXPECT_EQ(m_env->m_iCurrent, -1);
    EXPECT_TRUE(m_env->m_bFrozen);
}

TEST_F(EnvironmentTest, ImmediateSwitchMovesTheClockAndBadIndicesAreRefused)
{
    ThreeRecords();
    m_env->m_fTime = 12.0f;
    m_env->SetEnvironment(1, true); // night record at noon
    EXPECT_EQ(m_env->m_fTime, 0.0f);
    m_env->m_fTime = 23.0f;
    m_env->SetEnvironment(2, true); // day record at night
    EXPECT_EQ(m_env->m_fTime, 14.0f);
    m_env->SetEnvironment(7, false);
    EXPECT_EQ(m_env->m_iCurrent, 2);
    EXPECT_NE(ReadText("error.log").find("Environment record 7 of 3"), std::string::npos);
    // A current index of -1 with a running clock does not blend from nothing.
    m_env->m_iCurrent = -1;
    m_env->m_fTime = 3.5f;
    m_env->Run(Hours(1.0f));
    EXPECT_EQ(m_env->m_fTime, 3.5f);
}

TEST_F(EnvironmentTest, SunAndMoonFollowTheClock)
{
    m_env->m_Records = {Record(false, 1.0f, 1)};
    m_env->SetEnvironment(0, false);
    m_env->m_fTime = 12.25f;
    m_env->UpdateLights();
    EXPECT_GT(m_env->m_vSunDir.z, 0.8f);
    EXPECT_NEAR(m_env->m_vSunDir.Length(), 1.0f, 1e-5f);
    EXPECT_NEAR(m_env->m_fGlareLimit, 1.0f, 1e-5f); // white sun near noon
    m_env->m_fTime = 0.25f;
    m_env->UpdateLights();
    EXPECT_LT(m_env->m_vSunDir.z, 0.0f);
    EXPECT_EQ(m_env->m_fGlareLimit, 0.0f);
    EXPECT_NEAR(m_env->m_fSunBrightness, 0.5f + 64.0f / 255.0f, 1e-5f);
}

TEST_F(EnvironmentTest, FogFloorsAndLinearDistances)
{
    const int savedRadius = g_Settings.VisibleRadius;
    const CMatrix savedProjection = g_ViewCamera.m_mProjection;
    // A device opened by an earlier test of this program leaves its table
    // fog capability behind: this test runs without it.
    const std::uint8_t savedTableFog = graph.m_bTableFog;
    graph.m_bTableFog = 0;
    // A perspective projection with near 2 and far 4000.
    CMatrix p(1.0f);
    const float n = 2.0f, f = 4000.0f;
    p.m[2][2] = f / (f - n);
    p.m[2][3] = 1.0f;
    p.m[3][2] = -n * f / (f - n);
    p.m[3][3] = 0.0f;
    g_ViewCamera.m_mProjection = p;

    m_env->m_Records = {Record(false, 1.0f, 1)};
    m_env->m_Records[0].fogDensity = 0.0001f; // under both floors
    m_env->m_Records[0].fogMode = 2;
    m_env->SetEnvironment(0, false);
    for (const auto& [radius, floor] : {std::pair{256, 0.0005f}, std::pair{512, 0.00025f}, {1024, 0.00025f}})
    {
        g_Settings.VisibleRadius = radius;
        m_env->SetFog(true, 1.0f, 0.0f);
        EXPECT_FLOAT_EQ(m_env->m_fLastFogDensity, floor) << radius;
    }
    // Without table fog (no device: flag clear) every mode becomes linear.
    EXPECT_EQ(m_env->m_Work.fogMode, 3);
    g_Settings.VisibleRadius = 512;
    m_env->SetFog(true, 4.0f, 0.0f);
    const float d = 0.001f;
    EXPECT_NEAR(m_env->m_Work.fogStart, std::sqrt(std::log(1.1111111f)) / d + n, 0.05f);
    EXPECT_NEAR(m_env->m_Work.fogEnd, std::sqrt(std::log(100.0f)) / d + n, 0.05f);
    m_env->SetFog(true, 0.1f, 0.0f); // thin fog: the end is the far distance
    EXPECT_NEAR(m_env->m_Work.fogEnd, f, 1.0f);
    // A multiplier of 0 switches linear fog off instead of dividing by zero.
    m_env->m_fFogMultiplier = 0.0f;
    m_env->SetFog(true, 1.0f, 0.0f);
    EXPECT_EQ(m_env->m_Work.fogStart, 10000.0f);
    EXPECT_EQ(m_env->m_Work.fogEnd, 100000.0f);
    m_env->m_fFogMultiplier = 1.0f;
    // Mode 0 with no density becomes squared-exponential fog at 0.0002.
    m_env->m_Work.fogMode = 0;
    m_env->m_Work.fogDensity = 0.0f;
    m_env->SetFog(true, 1.0f, 0.0f);
    EXPECT_FLOAT_EQ(m_env->m_Work.fogDensity, 0.0002f);

    g_Settings.VisibleRadius = savedRadius;
    g_ViewCamera.m_mProjection = savedProjection;
    graph.m_bTableFog = savedTableFog;
}

// ---- the ENV state

TEST_F(EnvironmentTest, StateRecordHasItsOffsets)
{
    m_env->m_Records = {Record(false, 1.0f, 1), Record(true, 1.0f, 2)};
    m_env->SetEnvironment(1, false);
    m_env->m_fTime = 7.5f;
    m_env->m_fMoonTime = 3.25f;
    m_env->m_bChanging = true;
    m_env->m_fChange = 0.625f;
    m_env->m_mNextCloud[1].m[3][3] = 9.0f;
    m_env->m_iSkyB = 17;
    m_env->m_fGlare = 0.375f;
    m_env->m_iNext = 0;
    CMemStream stream;
    std::uint32_t size = 0;
    m_env->WriteState(&stream, &size);
    ASSERT_EQ(size, 765u);
    ASSERT_EQ(stream.m_nPosition, 765u);
    const std::uint8_t* b = stream.m_pData;
    const auto f32 = [&](std::size_t at)
    {
        float v;
        std::memcpy(&v, b + at, 4);
        return v;
    };
    const auto i32 = [&](std::size_t at)
    {
        std::int32_t v;
        std::memcpy(&v, b + at, 4);
        return v;
    };
    EXPECT_EQ(f32(0), 7.5f);
    EXPECT_EQ(f32(4), 3.25f);
    EXPECT_EQ(b[40], 1);
    EXPECT_EQ(f32(41), 0.625f);
    EXPECT_EQ(f32(237 + 60), 9.0f);
    EXPECT_EQ(i32(305), 17);
    EXPECT_EQ(f32(321), 0.375f);
    EXPECT_EQ(i32(325), 1);
    EXPECT_EQ(i32(329), 0);
    EXPECT_EQ(i32(333), -1);
    EXPECT_EQ(b[337 + 64], 1); // the working record's night flag
}

TEST_F(EnvironmentTest, StateRoundTripsAndIsClampedToTheLoadedRecords)
{
    m_env->m_Records = {Record(false, 1.0f, 1), Record(true, 1.0f, 2), Record(false, 1.0f, 3)};
    m_env->SetEnvironment(2, false);
    m_env->m_iNext = 1;
    m_env->m_fTime = 16.5f;
    m_env->m_uSkyColor = 0xFF123456;
    CMemStream stream;
    m_env->SaveToStream(&stream);

    CEnvironment other;
    other.m_Records = {Record(false, 1.0f, 1), Record(true, 1.0f, 2), Record(false, 1.0f, 3)};
    stream.m_nCapacity = stream.m_nPosition;
    stream.m_nPosition = 0;
    ASSERT_TRUE(other.LoadFromStream(&stream));
    EXPECT_EQ(stream.m_nPosition, 765u);
    EXPECT_EQ(other.m_fTime, 16.5f);
    EXPECT_EQ(other.m_uSkyColor, 0xFF123456u);
    EXPECT_EQ(other.m_iCurrent, 2);
    EXPECT_EQ(other.m_iNext, 1);
    EXPECT_EQ(std::memcmp(&other.m_Work, &m_env->m_Work, sizeof(SEnvRecord)), 0);

    // Fewer records now: indices beyond them become count - 1, and -1 for
    // a location without records; an index below -1 becomes -1.
    std::int32_t bad = -7;
    std::memcpy(stream.m_pData + 333, &bad, 4);
    other.m_Records.resize(1);
    stream.m_nPosition = 0;
    ASSERT_TRUE(other.ReadState(&stream, nullptr));
    EXPECT_EQ(other.m_iCurrent, 0);
    EXPECT_EQ(other.m_iNext, 0);
    EXPECT_EQ(other.m_iPrevious, -1);
    other.m_Records.clear();
    stream.m_nPosition = 0;
    ASSERT_TRUE(other.ReadState(&stream, nullptr));
    EXPECT_EQ(other.m_iCurrent, -1);

    // A short chunk is refused and nothing changes.
    other.m_fTime = 1.0f;
    stream.m_nCapacity = 764;
    stream.m_nPosition = 0;
    EXPECT_FALSE(other.ReadState(&stream, nullptr));
    EXPECT_EQ(other.m_fTime, 1.0f);
    EXPECT_EQ(stream.m_nPosition, 0u);
    EXPECT_NE(
        ReadText("error.log").find("ENV: the environment state needs 765 bytes, the chunk has 764 left"),
        std::string::npos);
    stream.m_nCapacity = 765; // the buffer's real size, for its release
}

} // namespace
