// The sound manager: the sound table, playing by entry, the sound sources
// and their per-frame update, rendered through a loopback device.

#include "SoundTestUtil.h"

#include "platform/Time.h"
#include "sound/SoundContainer.h"
#include "sound/SoundManager.h"

#include <cfloat>
#include <cstring>
#include <set>

using namespace soundtest;

namespace
{

std::uint32_t g_uNow = 1000;
std::uint32_t ManualTick()
{
    return g_uNow;
}

const float kOrigin[3] = {0.0f, 0.0f, 0.0f};
const float kFront[3] = {0.0f, 0.0f, 1.0f};
const float kTop[3] = {0.0f, 1.0f, 0.0f};

class SoundManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Mono tones (3-D) of one second, a short one-shot, a stereo one.
        WriteTone("tone.wav", 1, 44100);
        WriteTone("short.wav", 1, 2205);
        WriteTone("stereo.wav", 2, 44100);
        const std::string longKey(29, 'L');
        WriteIniDatabase(kSoundSection, {
                                            Entry("SND_K", "tone.wav", "1", "2"),
                                            Entry("SND_K.01", "tone.wav", "1", "2"),
                                            Entry("SND_K.02", "tone.wav", "1", "2"),
                                            Entry("SND_K.04", "tone.wav", "1", "2"),
                                            Entry(longKey, "tone.wav", "1", "2"),
                                            Entry(longKey + ".01", "tone.wav", "1", "2"),
                                            Entry("SND_NEAR", "tone.wav", "1", "1"),
                                            Entry("SND_ZERO", "tone.wav", "1", "0"),
                                            Entry("SND_SHORT", "short.wav", "0", "1"),
                                            Entry("SND_LOUD8", "tone.wav", "1", "1", "0.8"),
                                            Entry("SND_MISSING", "missing.wav", "1", "1"),
                                            Entry("SND_STEREO", "stereo.wav", "0", "1"),
                                        });
        ASSERT_TRUE(OpenIniDatabase());
        g_uNow = 1000;
        m_manager.SetTickFunction(&ManualTick);
        ASSERT_TRUE(m_manager.InitSnd(m_loop.Device(), m_loop.Primary()));
        m_manager.InitMngr(kSoundSection);
        m_manager.SetListener(kOrigin, kFront, kTop);
    }

    void TearDown() override { g_ResourceDB.Done(); }

    void WriteTone(const char* name, std::uint16_t channels, std::uint32_t frames)
    {
        const std::vector<std::int16_t> s = Tone(frames, channels);
        ASSERT_TRUE(WriteWaveFile(m_dir.Path(name).c_str(), Pcm(channels), s.data(),
                                  static_cast<std::uint32_t>(s.size() * 2)));
    }

    static SRecord Entry(const std::string& name, const char* file, const char* is3D, const char* minDist,
                         const char* volume = "1.0")
    {
        return {name,
                {{"NAME", name},
                 {"FILENAME", file},
                 {"3DSOUND", is3D},
                 {"MINDIST", minDist},
                 {"VOLUME", volume}}};
    }

    std::int32_t Index(const std::string& name) { return m_manager.Lookup(name.c_str()); }

    // Loads an entry's container now, as the loader would.
    CSoundContainer2* Load(const std::string& name)
    {
        return static_cast<CSoundContainer2*>(m_manager.GetResourceForce(Index(name)));
    }

    // One frame: the clock moves on, the update runs, and some sound is mixed.
    std::vector<float> Frame(std::uint32_t ms = 40)
    {
        g_uNow += ms;
        m_manager.ApplySettings();
        return m_loop.Render(kRate * ms / 1000);
    }

    CTempDir m_dir;
    CLoopback m_loop;
    CSoundManager2 m_manager;
};

TEST_F(SoundManagerTest, TableReadsEntriesAndCountsSynonyms)
{
    ASSERT_EQ(m_manager.GetTableSize(), 12);
    SSoundInfo info;
    ASSERT_TRUE(m_manager.GetEntry(Index("SND_K"), &info));
    EXPECT_EQ(info.synonymCount, 2); // .01 and .02; .04 is not reached
    EXPECT_STREQ(info.key, "SND_K");
    EXPECT_STREQ(info.fileName, "tone.wav");
    EXPECT_TRUE(info.is3D);
    EXPECT_EQ(info.minDistance, 2.0f);
    EXPECT_EQ(info.maxDistance, 20.0f);
    ASSERT_TRUE(m_manager.GetEntry(Index(std::string(29, 'L')), &info));
    EXPECT_EQ(info.synonymCount, 0);
    ASSERT_TRUE(m_manager.GetEntry(Index("SND_STEREO"), &info));
    EXPECT_FALSE(info.is3D);

    std::set<std::int32_t> picked;
    plat::CrtSrand(1);
    for (int i = 0; i < 2000; ++i)
    {
        std::int32_t out = -5;
        m_manager.RandomSynonym(Index("SND_K"), &out);
        picked.insert(out);
    }
    EXPECT_EQ(picked, (std::set<std::int32_t>{Index("SND_K"), Index("SND_K.01"), Index("SND_K.02")}));
    std::int32_t out = 0;
    m_manager.RandomSynonym(-1, &out);
    EXPECT_EQ(out, -1);
}

TEST_F(SoundManagerTest, ThreeDOneShotsPlayOnlyWithinTheirDistance)
{
    const float listener[3] = {1.0f, 0.0f, 0.0f};
    const float atEdge[3] = {21.0f, 0.0f, 0.0f}; // 10 x MINDIST 2
    const float beyond[3] = {21.001f, 0.0f, 0.0f};
    EXPECT_GE(m_manager.Play3DMotionless("SND_K", atEdge, listener, true), 1);
    EXPECT_EQ(m_manager.Play3DMotionless("SND_K", beyond, listener, true), -1);
    EXPECT_EQ(m_manager.Play3DMotionless("SND_ZERO", atEdge, listener, true), -1);
    EXPECT_GE(m_manager.Play3DMotionless("SND_ZERO", listener, listener, true), 1);
    EXPECT_EQ(m_manager.Play3DMotionless("SND_NONE", listener, listener, true), -1);
    EXPECT_EQ(m_manager.GetMaxDistance(-1), FLT_MAX);
    m_manager.Stop(static_cast<const char*>(nullptr)); // stops nothing
    EXPECT_TRUE(m_manager.IsPlaying(Index("SND_K")));
    m_manager.StopAll();
    EXPECT_FALSE(m_manager.IsPlaying(Index("SND_K")));
}

TEST_F(SoundManagerTest, MasterVolumeLimitAndVolumeZero)
{
    m_manager.SetVolumeMng(0.5f);
    CSoundContainer2* container = Load("SND_LOUD8");
    ASSERT_NE(container, nullptr);
    EXPECT_FLOAT_EQ(container->GetVolume(), 0.4f);

    m_manager.SetLimitSoundSource(0);
    EXPECT_EQ(m_manager.GetSourceLimit(), 1);
    m_manager.SetVolumeMng(0.0f);
    m_manager.SetLimitSoundSource(5); // ignored at volume 0
    EXPECT_EQ(m_manager.GetSourceLimit(), 1);
    EXPECT_EQ(m_manager.AddSndSrc("SND_K", kOrigin), -1);
    EXPECT_FALSE(m_manager.ApplySettings());

    // A load refused at volume 0 is tried again once the volume is back.
    const std::int32_t near = Index("SND_NEAR");
    m_manager.Request(near, 1);
    m_manager.WaitLoad();
    EXPECT_EQ(m_manager.GetState(near), CMTResourceManager::kFailed);
    m_manager.SetVolumeMng(1.0f);
    EXPECT_NE(m_manager.GetResourceForce(near), nullptr);

    // A missing file: the entry is refused from then on.
    EXPECT_EQ(m_manager.GetResourceForce(Index("SND_MISSING")), nullptr);
    EXPECT_EQ(m_manager.AddSndSrc("SND_MISSING", kOrigin), -1);
    EXPECT_NE(m_dir.ErrorLog().find("missing.wav cannot be opened"), std::string::npos);
}

TEST(SoundManagerNotReady, EveryOperationFailsQuietly)
{
    CSoundManager2 manager;
    const float p[3] = {};
    EXPECT_EQ(manager.Play3DMotionlessById(0, p, p, true), -1);
    EXPECT_EQ(manager.GetMaxDistance(0), FLT_MAX);
    EXPECT_TRUE(manager.Is3DSound(0));
    EXPECT_FALSE(manager.IsPlaying(0));
    EXPECT_FALSE(manager.ApplySettings());
    EXPECT_EQ(manager.AddSndSrc(0, p), -1);
    std::int32_t id = 3;
    manager.DeleteSndSrc(&id, false);
    EXPECT_EQ(id, -1);
}

TEST_F(SoundManagerTest, OneShotReleasesItselfAndPlayTwiceIsListedOnce)
{
    ASSERT_NE(Load("SND_SHORT"), nullptr);
    m_manager.Play2D("SND_SHORT", false);
    EXPECT_EQ(m_manager.GetActiveCount(), 1);
    Frame(); // binds and plays
    EXPECT_GT(CLoopback::Rms(m_loop.Render(1000)).left, 0.01);
    for (int i = 0; i < 3; ++i)
        Frame(); // 50 ms of sound have ended
    EXPECT_EQ(m_manager.GetActiveCount(), 0);

    const std::int32_t id = m_manager.AddSndSrc("SND_NEAR", kFront);
    m_manager.PlaySndSrc(id, true, false, false);
    m_manager.PlaySndSrc(id, true, false, false);
    EXPECT_EQ(m_manager.GetActiveCount(), 1);
}

TEST_F(SoundManagerTest, FadeInTakesThirteenFramesOfFortyMilliseconds)
{
    ASSERT_NE(Load("SND_NEAR"), nullptr);
    const float ahead[3] = {0.0f, 0.0f, 2.0f};
    const std::int32_t id = m_manager.AddSndSrc("SND_NEAR", ahead);
    m_manager.PlaySndSrc(id, true, false, true);
    m_manager.ApplySettings(); // the first update: no time has passed
    EXPECT_EQ(m_manager.GetSource(id).state, kSourceFadingIn);
    EXPECT_EQ(m_manager.GetSource(id).level, 0u);
    std::vector<std::uint32_t> levels;
    for (int i = 0; i < 13; ++i)
    {
        Frame(40);
        levels.push_back(m_manager.GetSource(id).level);
    }
    EXPECT_EQ(levels,
              (std::vector<std::uint32_t>{40, 80, 120, 160, 200, 240, 280, 320, 360, 400, 440, 480, 500}));
    EXPECT_EQ(m_manager.GetSource(id).state, kSourcePlaying);

    // Faded out over 500 ms, the level heard falling all the way.
    m_manager.StopSndSrc(id, true);
    double previous = CLoopback::Rms(Frame(100)).left;
    for (int i = 0; i < 4; ++i)
    {
        const double now = CLoopback::Rms(Frame(100)).left;
        EXPECT_LT(now, previous) << i;
        previous = now;
    }
    Frame(100);
    EXPECT_EQ(m_manager.GetSource(id).state, kSourceStopped);
    EXPECT_LT(CLoopback::Rms(m_loop.Render(2000)).left, 1e-4);
}

TEST_F(SoundManagerTest, OnlyTheLoudestSourcesWithinTheLimitSound)
{
    ASSERT_NE(Load("SND_NEAR"), nullptr);
    m_manager.SetLimitSoundSource(3);
    // MINDIST 1, so audibility = volume / distance.
    const float volumes[5] = {0.5f, 0.9f, 0.5f, 0.2f, 0.7f};
    std::int32_t ids[5];
    for (int i = 0; i < 5; ++i)
    {
        const float at[3] = {0.0f, 0.0f, 1.0f};
        ids[i] = m_manager.AddSndSrc("SND_NEAR", at);
        m_manager.SetVolumeSndSrc(ids[i], volumes[i]);
        m_manager.PlaySndSrc(ids[i], false, true, false);
    }
    Frame();
    const bool expected[5] = {true, true, false, false, true};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(m_manager.IsPlayingSndSrc(ids[i]), expected[i]) << i;
    // The two not started one-shots were dropped and their ids freed.
    EXPECT_EQ(m_manager.GetActiveCount(), 3);
    EXPECT_FALSE(m_manager.IsActiveSndSrc(ids[2]));
}

TEST_F(SoundManagerTest, WhatIsHeardFollowsTheRanking)
{
    ASSERT_NE(Load("SND_NEAR"), nullptr);
    m_manager.SetLimitSoundSource(1);
    const float left[3] = {-2.0f, 0.0f, 0.0f}; // audibility 0.5
    const float right[3] = {4.0f, 0.0f, 0.0f}; // audibility 0.25
    const std::int32_t a = m_manager.AddSndSrc("SND_NEAR", left);
    const std::int32_t b = m_manager.AddSndSrc("SND_NEAR", right);
    m_manager.PlaySndSrc(a, true, false, false);
    m_manager.PlaySndSrc(b, true, false, false);
    for (int i = 0; i < 20; ++i)
        Frame();
    CLoopback::SLevel one = CLoopback::Rms(m_loop.Render(4410));
    EXPECT_GT(one.left, 0.02);
    EXPECT_LT(one.right, one.left * 0.5); // only the left source

    m_manager.SetLimitSoundSource(2);
    for (int i = 0; i < 20; ++i)
        Frame();
    CLoopback::SLevel two = CLoopback::Rms(m_loop.Render(4410));
    EXPECT_GT(two.right, one.right * 2.0);
}

TEST_F(SoundManagerTest, SourcesOutOfRangeAndAtTheBoundaryAreSilent)
{
    ASSERT_NE(Load("SND_NEAR"), nullptr);
    const float ahead[3] = {0.0f, 0.0f, 1.0f};
    const std::int32_t id = m_manager.AddSndSrc("SND_NEAR", ahead);
    m_manager.PlaySndSrc(id, true, false, false);
    Frame();
    ASSERT_TRUE(m_manager.IsPlayingSndSrc(id));

    // Left behind: stopped at once, unbound, no longer requested.
    const float far[3] = {0.0f, 0.0f, 100.0f};
    m_manager.SetPosSndSrc(id, far);
    Frame();
    EXPECT_FALSE(m_manager.IsPlayingSndSrc(id));
    EXPECT_FALSE(m_manager.IsActiveSndSrc(id));
    EXPECT_EQ(m_manager.GetSource(id).object, nullptr);
    Frame();
    EXPECT_EQ(m_manager.GetActiveCount(), 0);

    // Exactly 0.01 counts as inaudible; a requested source waits for range.
    m_manager.SetMaxDistSndSrc(id, 1.0f, 1000.0f);
    m_manager.PlaySndSrc(id, true, false, false);
    Frame();
    EXPECT_FALSE(m_manager.IsPlayingSndSrc(id));
    EXPECT_TRUE(m_manager.IsActiveSndSrc(id));
    m_manager.SetPosSndSrc(id, ahead);
    Frame();
    EXPECT_TRUE(m_manager.IsPlayingSndSrc(id));
}

TEST_F(SoundManagerTest, DeleteWaitsForTheFadeAndRebindGetsEveryParameterAgain)
{
    ASSERT_NE(Load("SND_NEAR"), nullptr);
    const float ahead[3] = {0.0f, 0.0f, 1.0f};
    std::int32_t id = m_manager.AddSndSrc("SND_NEAR", ahead);
    const std::int32_t kept = id;
    const float velocity[3] = {1.0f, 0.0f, 0.0f};
    m_manager.SetSpeedSndSrc(id, velocity);
    m_manager.SetVolumeSndSrc(id, 0.5f);
    m_manager.PlaySndSrc(id, true, false, false);
    Frame();
    m_manager.FreeSndSrc(id, false);
    EXPECT_EQ(m_manager.GetSource(id).dirty, kDirtyPosition | kDirtyVelocity | kDirtyVolume);

    m_manager.PlaySndSrc(id, true, false, false);
    Frame();
    ASSERT_TRUE(m_manager.IsPlayingSndSrc(id));
    m_manager.DeleteSndSrc(&id, true);
    EXPECT_EQ(id, -1);
    EXPECT_TRUE(m_manager.IsPlayingSndSrc(kept)); // freed once it has stopped
    for (int i = 0; i < 14; ++i)
        Frame();
    EXPECT_FALSE(m_manager.IsPlayingSndSrc(kept));
    EXPECT_EQ(m_manager.GetActiveCount(), 0);
}

TEST_F(SoundManagerTest, IdsKeptAcrossTheResetAreDead)
{
    const std::int32_t id = m_manager.AddSndSrc("SND_NEAR", kFront);
    m_manager.PlaySndSrc(id, true, false, false);
    ASSERT_TRUE(m_manager.IsActiveSndSrc(id));
    m_manager.DoneSources();
    EXPECT_FALSE(m_manager.IsActiveSndSrc(id));
    m_manager.PlaySndSrc(id, true, false, false);
    EXPECT_EQ(m_manager.GetActiveCount(), 0);
    EXPECT_EQ(m_manager.GetSource(id).entry, -1);
}

// The loader releases containers (a budget far too small) while the main
// thread binds, plays and frees sources of the same entries.
TEST_F(SoundManagerTest, LoaderReleasesContainersWhileSourcesComeAndGo)
{
    m_manager.SetMemoryLimit(1000);
    m_manager.SetLimitSoundSource(4);
    const char* names[] = {"SND_K", "SND_NEAR", "SND_SHORT", "SND_LOUD8", "SND_STEREO"};
    std::vector<std::int32_t> ids;
    for (int round = 0; round < 60; ++round)
    {
        const float at[3] = {float(round % 5) - 2.0f, 0.0f, 1.0f};
        const std::int32_t id = m_manager.AddSndSrc(names[round % 5], at);
        if (id > 0)
        {
            m_manager.PlaySndSrc(id, round % 2 == 0, false, round % 3 == 0);
            ids.push_back(id);
        }
        if (ids.size() > 6)
        {
            m_manager.DeleteSndSrc(&ids.front(), round % 2 == 0);
            ids.erase(ids.begin());
        }
        Frame(20);
    }
    for (std::int32_t& id : ids)
        m_manager.DeleteSndSrc(&id, false);
    for (int i = 0; i < 30; ++i)
        Frame(40);
    m_manager.WaitLoad();
    EXPECT_EQ(m_manager.GetActiveCount(), 0);
}

} // namespace
