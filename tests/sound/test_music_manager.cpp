// The music manager with fake pieces and a manual clock; one run with the
// real fade thread and streamed pieces.

#include "SoundTestUtil.h"

#include "foundation/ClassFactory.h"
#include "sound/MusicManager.h"
#include "sound/SoundModule.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

using namespace soundtest;

namespace
{

// A piece that does what it is told and remembers it.
class CFakeMusic : public IMusic
{
public:
    static std::mutex s_Lock;
    static std::map<std::string, CFakeMusic*> s_Made; // by file name
    static float s_fLength;

    ~CFakeMusic() override
    {
        std::lock_guard lock(s_Lock);
        s_Made.erase(m_name);
    }
    CGuidKey GetGUID() const override
    {
        CGuidKey key;
        MakeGuidKeyConcat(&key, "IGUID_", "IMusic");
        return key;
    }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    plat::HResult SetFileName(const char* name) override
    {
        if (!name) return plat::E_FAIL;
        m_name = name;
        std::lock_guard lock(s_Lock);
        s_Made[m_name] = this;
        return plat::S_OK;
    }
    void SetDevice(plat::ds::Device*) override {}
    plat::HResult Play(bool loop, std::uint32_t position) override
    {
        std::lock_guard lock(s_Lock);
        if (m_bFailPlay) return plat::E_FAIL;
        m_bPlaying = true;
        m_nState = 1;
        m_bLoop = loop;
        m_nStartedAt = position;
        ++m_nPlays;
        return plat::S_OK;
    }
    void Stop() override
    {
        std::lock_guard lock(s_Lock);
        m_bPlaying = false;
        m_nState = 2;
        ++m_nStops;
    }
    std::uint32_t GetCurrentPos() override { return m_nPosition; }
    bool IsMusicPlayed() override
    {
        std::lock_guard lock(s_Lock);
        return m_bPlaying;
    }
    int GetState() override
    {
        std::lock_guard lock(s_Lock);
        return m_nState;
    }
    plat::HResult SetVolume(float volume) override
    {
        std::lock_guard lock(s_Lock);
        m_fVolume = volume;
        return plat::S_OK;
    }
    float GetVolume() override
    {
        std::lock_guard lock(s_Lock);
        return m_fVolume;
    }
    float GetLength() override { return s_fLength; }
    float GetPlayDuration() override { return 0.0f; }
    plat::HResult PreLoad(std::uint32_t) override { return plat::S_OK; }
    void Unload(bool) override {}
    void LoadBlock() override {}

    // The piece has run out by itself.
    void End()
    {
        std::lock_guard lock(s_Lock);
        m_bPlaying = false;
        m_nState = 2;
    }

    std::string m_name;
    bool m_bPlaying = false;
    int m_nState = 2;
    bool m_bLoop = false;
    bool m_bFailPlay = false;
    std::uint32_t m_nStartedAt = 0;
    std::uint32_t m_nPosition = 0;
    int m_nPlays = 0;
    int m_nStops = 0;
    float m_fVolume = 1.0f;
};

std::mutex CFakeMusic::s_Lock;
std::map<std::string, CFakeMusic*> CFakeMusic::s_Made;
float CFakeMusic::s_fLength = 100.0f;

IBaseInterface* CreateFake()
{
    return new CFakeMusic;
}

std::uint32_t g_uNow = 1000;
std::uint32_t ManualTick()
{
    return g_uNow;
}

class MusicManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterClassFactory(&g_IMusicClass, &CreateFake, "IGUID_IMusic");
        CFakeMusic::s_fLength = 100.0f;
        WriteIniDatabase(kMusicSection, {{"MUS_A", {{"Filename", "a.ogg"}, {"TYPE", "1"}}},
                                         {"MUS_B", {{"Filename", "b.ogg"}, {"TYPE", "2"}}},
                                         {"MUS_C", {{"Filename", "c.ogg"}}},
                                         {"MUS_D", {{"Filename", "d.ogg"}}},
                                         {"MUS_E", {{"Filename", "e.ogg"}}},
                                         {"MUS_F", {{"Filename", "f.ogg"}}}});
        ASSERT_TRUE(OpenIniDatabase());
        m_music = std::make_unique<CMusicMng>(false);
        ASSERT_TRUE(m_music->Init(kMusicSection));
        g_uNow = 1000;
        m_music->SetTickFunction(&ManualTick);
        m_music->Run(); // the first step counts no time
    }

    void TearDown() override
    {
        m_music.reset();
        g_ResourceDB.Done();
        RegisterSoundClasses();
    }

    void Step(float seconds)
    {
        g_uNow += static_cast<std::uint32_t>(seconds * 1000.0f + 0.5f);
        m_music->Run();
    }

    CFakeMusic* Piece(const char* file)
    {
        std::lock_guard lock(CFakeMusic::s_Lock);
        auto it = CFakeMusic::s_Made.find(file);
        return it == CFakeMusic::s_Made.end() ? nullptr : it->second;
    }

    int Id(const char* name) { return m_music->FindName(name); }

    CTempDir m_dir;
    std::unique_ptr<CMusicMng> m_music;
};

TEST_F(MusicManagerTest, PlaysOncePerRequestAndRestartsAnEndedPiece)
{
    EXPECT_TRUE(m_music->PlayMusic(Id("MUS_A"), 0.0f, true, 0.0f));
    CFakeMusic* a = Piece("a.ogg");
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(m_music->PlayMusic(Id("MUS_A"), 0.0f, true, 0.0f)); // already playing
    EXPECT_EQ(a->m_nPlays, 1);
    a->End();
    EXPECT_TRUE(m_music->PlayMusic(Id("MUS_A"), 0.0f, true, 0.0f));
    EXPECT_EQ(a->m_nPlays, 2);
    EXPECT_FALSE(m_music->PlayMusic(99, 0.0f, true, 0.0f));
    EXPECT_FALSE(m_music->PlayMusic(-1, 0.0f, true, 0.0f));

    // Off, or at volume 0: nothing starts, nothing stops.
    m_music->EnableMusic(false);
    EXPECT_FALSE(m_music->PlayMusic(Id("MUS_B"), 0.0f, true, 0.0f));
    m_music->EnableMusic(true);
    m_music->SetVolume(0.0f);
    EXPECT_EQ(a->m_fVolume, 0.0f); // silent, still playing
    m_music->StopMusic(0.0f);
    m_music->Pause(true, 0.0f);
    EXPECT_TRUE(a->m_bPlaying);
    EXPECT_EQ(m_music->GetPauseCount(), 0);
    m_music->SetVolume(0.8f);
    EXPECT_FLOAT_EQ(a->m_fVolume, 0.8f);
}

TEST_F(MusicManagerTest, FadesAreLinearInTime)
{
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_A"), 4.0f, true, 0.0f));
    CFakeMusic* a = Piece("a.ogg");
    EXPECT_EQ(a->m_fVolume, 0.0f);
    Step(1.0f);
    EXPECT_FLOAT_EQ(a->m_fVolume, 0.25f);
    Step(1.0f);
    EXPECT_FLOAT_EQ(a->m_fVolume, 0.5f);

    // Halfway through the fade-in: the fade-out starts at half volume.
    m_music->StopMusic(2.0f);
    EXPECT_TRUE(m_music->IsStopping());
    EXPECT_EQ(m_music->GetCurrentMusic(), -1);
    Step(0.5f);
    EXPECT_FLOAT_EQ(a->m_fVolume, 0.25f); // 0.5 s left of 2 s
    Step(0.5f);
    EXPECT_FALSE(a->m_bPlaying);
    EXPECT_FALSE(m_music->IsStopping());

    // A second stop during a fade-out stops the first piece at once.
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_B"), 0.0f, true, 0.0f));
    CFakeMusic* b = Piece("b.ogg");
    m_music->StopMusic(2.0f);
    Step(1.0f);
    EXPECT_FLOAT_EQ(b->m_fVolume, 0.5f);
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_C"), 0.0f, true, 0.0f));
    m_music->StopMusic(2.0f);
    EXPECT_FALSE(b->m_bPlaying);
}

TEST_F(MusicManagerTest, APieceTakenBackFromItsFadeOutFadesInFromThere)
{
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_A"), 0.0f, true, 0.0f));
    CFakeMusic* a = Piece("a.ogg");
    m_music->StopMusic(4.0f);
    Step(1.0f); // 3 of 4 s left: volume 0.75
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_B"), 0.0f, true, 0.0f));
    CFakeMusic* b = Piece("b.ogg");
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_A"), 2.0f, true, 0.0f));
    EXPECT_FLOAT_EQ(a->m_fVolume, 0.75f); // fadeInTime = 2 x 3 / 4
    EXPECT_EQ(a->m_nPlays, 2);            // from its beginning again
    EXPECT_EQ(a->m_nStartedAt, 0u);
    EXPECT_FALSE(b->m_bPlaying); // what played is not left playing
    Step(0.5f);
    EXPECT_FLOAT_EQ(a->m_fVolume, 1.0f);
}

TEST_F(MusicManagerTest, SilencesCountDown)
{
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_A"), 0.0f, true, 0.0f));
    m_music->SetSilence(5.0f);
    EXPECT_FALSE(Piece("a.ogg")->m_bPlaying);
    EXPECT_TRUE(m_music->IsSilence());
    EXPECT_EQ(m_music->GetCurrentMusic(), -2);
    Step(4.9f);
    EXPECT_EQ(m_music->GetCurrentMusic(), -2);
    Step(0.2f);
    EXPECT_EQ(m_music->GetCurrentMusic(), -1);
    EXPECT_FALSE(m_music->IsSilence());

    // A silence paused and resumed keeps the seconds it had left.
    m_music->SetSilence(3.0f);
    Step(1.0f);
    m_music->Pause(true, 0.0f);
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_B"), 0.0f, true, 0.0f));
    m_music->Pause(false, 0.0f);
    EXPECT_EQ(m_music->GetCurrentMusic(), -2);
    EXPECT_FLOAT_EQ(m_music->GetSilence(), 2.0f);
    EXPECT_FALSE(Piece("b.ogg")->m_bPlaying);
}

TEST_F(MusicManagerTest, PauseStackKeepsFiveAndResumesWherePiecesStopped)
{
    const char* names[] = {"MUS_A", "MUS_B", "MUS_C", "MUS_D", "MUS_E", "MUS_F"};
    const char* files[] = {"a.ogg", "b.ogg", "c.ogg", "d.ogg", "e.ogg", "f.ogg"};
    for (int i = 0; i < 6; ++i)
    {
        ASSERT_TRUE(m_music->PlayMusic(Id(names[i]), 0.0f, false, 0.0f));
        Piece(files[i])->m_nPosition = 1000u * (i + 1);
        m_music->Pause(true, 0.0f); // immediate: the position is kept too
    }
    EXPECT_EQ(m_music->GetPauseCount(), 5); // the sixth is lost
    EXPECT_EQ(m_music->GetPauseRecord(4).id, Id("MUS_E"));
    EXPECT_EQ(m_music->GetPauseRecord(4).position, 5000u);

    m_music->Pause(false, 1.0f);
    CFakeMusic* e = Piece("e.ogg");
    EXPECT_TRUE(e->m_bPlaying);
    EXPECT_EQ(e->m_nStartedAt, 5000u);
    EXPECT_EQ(e->m_fVolume, 0.0f); // fading in
    EXPECT_EQ(m_music->GetCurrentMusic(), Id("MUS_E"));

    // With a fade the position is taken when the fade-out ends.
    e->m_nPosition = 7777;
    m_music->Pause(true, 1.0f);
    EXPECT_EQ(m_music->GetPauseRecord(4).position, 0u);
    Step(1.5f);
    EXPECT_EQ(m_music->GetPauseRecord(4).position, 7777u);

    for (int i = 0; i < 5; ++i)
        m_music->Pause(false, 0.0f);
    EXPECT_EQ(m_music->GetPauseCount(), 0);
    EXPECT_EQ(Piece("a.ogg")->m_nStartedAt, 1000u);
    m_music->Pause(false, 0.0f); // empty: nothing
    EXPECT_EQ(m_music->GetCurrentMusic(), Id("MUS_A"));
}

TEST_F(MusicManagerTest, NonLoopingPieceFadesOutItsEndMargin)
{
    CFakeMusic::s_fLength = 10.2f;
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_A"), 0.0f, false, 10.0f));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_music->IsStopping() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(m_music->IsStopping());
    EXPECT_EQ(m_music->GetCurrentMusic(), -1);
    Step(5.0f);
    EXPECT_FLOAT_EQ(Piece("a.ogg")->m_fVolume, 0.5f);

    // A piece stopped before its margin releases its waiting thread, and a
    // waiting thread still running when the manager goes is waited for.
    CFakeMusic::s_fLength = 1000.0f;
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_B"), 0.0f, false, 5.0f));
    m_music->StopMusic(0.0f);
    ASSERT_TRUE(m_music->PlayMusic(Id("MUS_C"), 0.0f, false, 5.0f));
    const auto started = std::chrono::steady_clock::now();
    m_music.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// The real thing: the fade thread, waiting threads and streamed pieces on a
// loopback device, driven from this thread at the same time.
TEST(MusicManagerThreads, FadeThreadAndCallersShareTheManager)
{
    CTempDir dir;
    CLoopback loop;
    const std::vector<std::int16_t> s = Tone(kRate / 2, 2);
    for (const char* name : {"a.ogg", "b.ogg"})
        ASSERT_TRUE(WriteOggVorbisFile(dir.Path(name).c_str(), 2, kRate, s.data(), kRate / 2, 0.3f, 5));
    WriteIniDatabase(kMusicSection, {{"MUS_A", {{"Filename", "a.ogg"}}}, {"MUS_B", {{"Filename", "b.ogg"}}}});
    ASSERT_TRUE(OpenIniDatabase());
    RegisterSoundClasses();
    {
        CMusicMng music;
        ASSERT_TRUE(music.Init(kMusicSection));
        music.SetSoundDevice(loop.Device());
        for (int i = 0; i < 40; ++i)
        {
            music.PlayMusic(i % 2, 0.05f, i % 3 == 0, 0.2f);
            loop.Render(2000);
            music.SetVolume(0.5f + 0.01f * i);
            if (i % 4 == 0) music.Pause(true, 0.02f);
            if (i % 4 == 2) music.Pause(false, 0.02f);
            if (i % 5 == 0) music.StopMusic(0.03f);
            music.GetMusicTime();
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        music.PlayMusic(0, 0.0f, true, 0.0f);
        loop.Render(4000);
        EXPECT_GT(CLoopback::Rms(loop.Render(4000)).left, 0.01);
        EXPECT_TRUE(music.IsPlayed(0));
    }
    g_ResourceDB.Done();
}

} // namespace
