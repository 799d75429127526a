// The looping sound an object's type carries, through the sound manager on
// a loopback device.
#include "WorldTestScene.h"
#include "sound/SoundTestUtil.h"

#include "sound/SoundManager.h"
#include "world/MMObject.h"
#include "world/ObjectTypeRecord.h"

#include <gtest/gtest.h>

using namespace soundtest;

namespace
{

std::uint32_t g_uTick = 1000;
std::uint32_t Tick()
{
    return g_uTick;
}

class ObjectSound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::vector<std::int16_t> s = Tone(4410, 1);
        ASSERT_TRUE(
            WriteWaveFile(m_dir.Path("hum.wav").c_str(), Pcm(1), s.data(), std::uint32_t(s.size() * 2)));
        WriteIniDatabase(kSoundSection, {{"SND_HUM",
                                          {{"NAME", "SND_HUM"},
                                           {"FILENAME", "hum.wav"},
                                           {"3DSOUND", "1"},
                                           {"MINDIST", "10"},
                                           {"VOLUME", "1.0"}}}});
        ASSERT_TRUE(OpenIniDatabase());
        m_manager.SetTickFunction(&Tick);
        ASSERT_TRUE(m_manager.InitSnd(m_loop.Device(), m_loop.Primary()));
        m_manager.InitMngr(kSoundSection);
        g_pSoundManager = &m_manager;
        SObjectTypeHeader::SetId(m_type.Model, -1);
        SObjectTypeHeader::SetId(m_type.SOUND, m_manager.Lookup("SND_HUM"));
    }
    void TearDown() override
    {
        g_pSoundManager = nullptr;
        g_ResourceDB.Done();
    }

    CTempDir m_dir;
    CLoopback m_loop;
    CSoundManager2 m_manager;
    worldtest::CScene m_Scene;
    SObjectTypeHeader m_type;
};

} // namespace

TEST_F(ObjectSound, PlaysWithinHearingAndReleasesWhenDeadPausedOrFar)
{
    CMMObject o;
    o.m_pType = &m_type;
    o.m_Frame.SetPosition(CVector{50, 0, 0}); // within 10 x MINDIST
    o.Run();
    EXPECT_NE(o.m_iSoundSource, -1);
    EXPECT_FLOAT_EQ(o.m_fAudibleDistSq, 100.0f * 100.0f);
    const std::int32_t first = o.m_iSoundSource;
    o.Run();
    EXPECT_EQ(o.m_iSoundSource, first); // kept, not made again

    o.Pause(true);
    EXPECT_EQ(o.m_iSoundSource, -1);
    o.Run();
    EXPECT_NE(o.m_iSoundSource, -1);

    o.m_bAlive = 0;
    o.Run();
    EXPECT_EQ(o.m_iSoundSource, -1);

    o.m_bAlive = 1;
    o.m_Frame.SetPosition(CVector{100.5f, 0, 0});
    o.Run();
    EXPECT_EQ(o.m_iSoundSource, -1);
}
