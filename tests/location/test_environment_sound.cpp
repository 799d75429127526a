// The weather sounds through a real sound manager on a loopback device: the
// rain loop's volume, thunder only while it rains, wind gusts and pausing.
#include "sound/SoundTestUtil.h"

#include "foundation/Random.h"
#include "location/EnvFX.h"
#include "location/Environment.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
using namespace soundtest;

std::uint32_t g_uNow = 1000;
std::uint32_t ManualTick()
{
    return g_uNow;
}

SEnvRecord Weather(std::uint32_t flags, float intensity)
{
    SEnvRecord r = MakeDefaultEnvRecord();
    r.weather = flags;
    r.weatherIntensity = intensity;
    r.weight = 1.0f;
    return r;
}

class EnvironmentSoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::vector<std::int16_t> s = Tone(4410, 1);
        ASSERT_TRUE(WriteWaveFile(m_dir.Path("tone.wav").c_str(), Pcm(1), s.data(),
                                  static_cast<std::uint32_t>(s.size() * 2)));
        const auto entry = [](const char* name) {
            return SRecord{name,
                           {{"NAME", name}, {"FILENAME", "tone.wav"}, {"3DSOUND", "0"}, {"MINDIST", "1"}}};
        };
        WriteIniDatabase(kSoundSection, {entry("SND_W_RAIN_L"), entry("SND_W_WIND"), entry("SND_W_THUNDER")});
        ASSERT_TRUE(OpenIniDatabase());
        m_manager.SetTickFunction(&ManualTick);
        ASSERT_TRUE(m_manager.InitSnd(m_loop.Device(), m_loop.Primary()));
        m_manager.InitMngr(kSoundSection);
        g_pSoundManager = &m_manager;
        m_env = std::make_unique<CEnvironment>();
        m_env->SetRandom(&m_random);
    }
    void TearDown() override
    {
        m_env.reset();
        g_pSoundManager = nullptr;
        m_manager.Done();
        g_ResourceDB.Done();
    }
    std::int32_t Index(const char* name) const { return m_manager.Lookup(name); }

    CTempDir m_dir;
    CLoopback m_loop;
    CSoundManager2 m_manager;
    CRandom m_random{99};
    std::unique_ptr<CEnvironment> m_env;
};

TEST_F(EnvironmentSoundTest, RainLoopRisesToItsTargetAndFadesWhenTheRainEnds)
{
    m_env->m_Records = {Weather(1, 0.0f), Weather(0, 0.0f)};
    m_env->SetEnvironment(0, false);
    m_env->m_fThunderTimer = 100.0f;
    m_env->Run(0.5f); // looks the loop up and starts it at volume 0
    ASSERT_NE(m_env->m_iRainSource, -1);
    EXPECT_NEAR(m_env->m_fRainVolume, 0.05f, 1e-6f);
    m_env->Run(5.0f);
    // Intensity 0 still rains at 0.1.
    EXPECT_NEAR(m_env->m_fRainVolume, 0.1f, 1e-6f);
    EXPECT_NEAR(m_manager.GetSource(m_env->m_iRainSource).volume, 0.1f, 1e-6f);

    m_env->SetEnvironment(1, false);
    EXPECT_FALSE(m_env->m_bRaining);
    m_env->Run(0.15f); // falls by 0.05
    EXPECT_NEAR(m_env->m_fRainVolume, 0.05f, 1e-6f);
    m_env->Run(1.0f);
    EXPECT_EQ(m_env->m_fRainVolume, 0.0f);
    EXPECT_EQ(m_env->m_iRainSource, -1);
}

TEST_F(EnvironmentSoundTest, ThunderOnlyWhileItRains)
{
    struct SCase
    {
        std::uint32_t flags;
        bool thunder;
    } cases[] = {{1, true}, {2, false}, {4, false}, {0, false}};
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.flags);
        m_manager.Stop("SND_W_THUNDER");
        m_env->m_Records = {Weather(c.flags, 0.5f)};
        m_env->m_iCurrent = -1;
        m_env->SetEnvironment(0, false);
        m_env->m_fThunderTimer = 0.0f;
        m_env->Run(0.1f);
        EXPECT_EQ(m_manager.IsPlaying(Index("SND_W_THUNDER")), c.thunder);
        if (c.thunder)
        {
            EXPECT_GE(m_env->m_fThunderTimer, 10.0f);
            EXPECT_LT(m_env->m_fThunderTimer, 180.0f);
        }
        else
            EXPECT_EQ(m_env->m_fThunderTimer, 0.0f);
        EXPECT_EQ(m_env->m_iRainSource != -1, c.flags == 1);
    }
}

TEST_F(EnvironmentSoundTest, WindGapsGrowWithTheWind)
{
    m_env->m_Records = {Weather(0, 0.0f)};
    m_env->SetEnvironment(0, false);
    m_env->m_fWindTimer = 0.0f;
    m_env->Run(0.1f); // no wind: no gust
    EXPECT_FALSE(m_manager.IsPlaying(Index("SND_W_WIND")));
    EXPECT_EQ(m_env->m_fWindTimer, 0.0f);
    float previous = 0.0f;
    for (float strength : {10.0f, 100.0f, 173.2f})
    {
        m_env->m_Work.wind[0] = strength;
        m_env->m_fWindTimer = 0.0f;
        m_env->Run(0.1f);
        EXPECT_NEAR(m_env->m_fWindTimer, strength / std::sqrt(30000.0f) * 50.0f + 10.0f, 1e-3f);
        EXPECT_GT(m_env->m_fWindTimer, previous);
        previous = m_env->m_fWindTimer;
    }
    EXPECT_TRUE(m_manager.IsPlaying(Index("SND_W_WIND")));
}

TEST_F(EnvironmentSoundTest, PauseStopsTheSoundsAndResumeRestartsTheRain)
{
    m_env->m_Records = {Weather(1, 0.45f)};
    m_env->SetEnvironment(0, false);
    m_env->Run(0.1f);
    ASSERT_NE(m_env->m_iRainSource, -1);
    m_env->Pause(true);
    EXPECT_EQ(m_env->m_iRainSource, -1);
    EXPECT_EQ(m_env->m_fRainVolume, 0.0f);
    EXPECT_LE(m_env->m_fWindTimer, 20.0f);
    m_env->m_fThunderTimer = 0.0f;
    m_env->Run(1.0f); // paused: no sound step
    EXPECT_FALSE(m_manager.IsPlaying(Index("SND_W_THUNDER")));
    m_env->Pause(false);
    ASSERT_NE(m_env->m_iRainSource, -1);
    EXPECT_NEAR(m_env->m_fRainVolume, 0.45f * 1.1111112f + 0.1f, 1e-6f);
    EXPECT_NEAR(m_manager.GetSource(m_env->m_iRainSource).volume, m_env->m_fRainVolume, 1e-6f);
}

} // namespace
