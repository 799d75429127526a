// Streamed music: what the loopback device plays is compared with the
// decoded file, block boundary by block boundary.

#include "SoundTestUtil.h"

#include "platform/Thread.h"
#include "sound/SoundBase.h"
#include "sound/SoundMusic.h"

#include <vorbis/vorbisfile.h>

#include <chrono>
#include <fstream>
#include <thread>

using namespace soundtest;
using namespace plat::ds;

namespace
{

// 2,048 stereo frames a block: a short piece crosses many boundaries.
constexpr std::uint32_t kBlock = 8192;
constexpr std::uint32_t kBlockFrames = kBlock / 4;

std::vector<float> DecodeAsFloat(const std::string& path)
{
    std::vector<float> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return out;
    char buffer[4096];
    int link = 0;
    long n = 0;
    while ((n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &link)) > 0)
    {
        const auto* s = reinterpret_cast<const std::int16_t*>(buffer);
        for (long i = 0; i < n / 2; ++i)
            out.push_back(s[i] / 32768.0f);
    }
    ov_clear(&vf);
    return out;
}

class SoundMusicTest : public ::testing::Test
{
protected:
    std::string Piece(const char* name, std::uint32_t frames)
    {
        const std::vector<std::int16_t> s = Tone(frames, 2, 300.0);
        const std::string path = m_dir.Path(name);
        EXPECT_TRUE(WriteOggVorbisFile(path.c_str(), 2, kRate, s.data(), frames, 0.5f, 11));
        return path;
    }

    void Prepare(CSoundMusicOGG& music, const std::string& path)
    {
        music.SetDevice(m_loop.Device());
        music.SetBlockSize(kBlock);
        ASSERT_EQ(music.SetFileName(path.c_str()), plat::S_OK);
    }

    // Renders in quarter blocks; after each boundary the play cursor has
    // passed, waits until the notification thread has written the next
    // block, as it would have long done on a real device.
    std::vector<float> Play(CSoundMusicOGG& music, std::uint32_t frames)
    {
        std::vector<float> out;
        std::uint32_t rendered = 0;
        while (rendered < frames)
        {
            const std::uint32_t n = std::min(kBlockFrames / 4, frames - rendered);
            const std::vector<float> part = m_loop.Render(n);
            out.insert(out.end(), part.begin(), part.end());
            rendered += n;
            const std::uint32_t wanted = 2 + rendered / kBlockFrames;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (music.GetState() != CSoundMusic::kStopped && music.GetBlocksWritten() < wanted)
            {
                if (std::chrono::steady_clock::now() > deadline)
                {
                    ADD_FAILURE() << "no refill after " << rendered << " frames";
                    return out;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        return out;
    }

    // out (interleaved stereo) equals expected from its start, within the
    // conversion's rounding.
    static void ExpectSame(const std::vector<float>& out, const std::vector<float>& expected,
                           std::size_t count, const char* what)
    {
        ASSERT_GE(out.size(), count) << what;
        ASSERT_GE(expected.size(), count) << what;
        for (std::size_t i = 0; i < count; ++i)
        {
            if (std::abs(out[i] - expected[i]) > 1e-4f)
            {
                ADD_FAILURE() << what << ": sample " << i << " (frame " << i / 2 << ", block "
                              << i / 2 / kBlockFrames << ") is " << out[i] << ", expected " << expected[i];
                return;
            }
        }
    }

    CTempDir m_dir;
    CLoopback m_loop;
};

TEST_F(SoundMusicTest, LoopingPieceRunsOnFromItsStartWithoutGapOrRepeat)
{
    const std::string path = Piece("loop.ogg", kBlockFrames * 5 / 2 + 123);
    const std::vector<float> decoded = DecodeAsFloat(path);
    ASSERT_EQ(decoded.size(), (kBlockFrames * 5 / 2 + 123) * 2);
    CSoundMusicOGG music;
    Prepare(music, path);
    ASSERT_EQ(music.Play(true, 0), DS_OK);
    EXPECT_EQ(music.GetState(), CSoundMusic::kPlaying);
    const std::vector<float> out = Play(music, kBlockFrames * 8);
    std::vector<float> expected;
    while (expected.size() < out.size())
        expected.insert(expected.end(), decoded.begin(), decoded.end());
    ExpectSame(out, expected, out.size(), "looping");
    EXPECT_TRUE(music.IsMusicPlayed());
    music.Stop();
    EXPECT_FALSE(music.IsMusicPlayed());
    EXPECT_EQ(music.GetState(), CSoundMusic::kStopped);
}

TEST_F(SoundMusicTest, NonLoopingPiecePlaysItsTailAndEnds)
{
    struct Case
    {
        const char* name;
        std::uint32_t frames;
    };
    const Case cases[] = {
        {"tail.ogg", kBlockFrames * 5 / 2 + 77}, // ends inside its third block
        {"short.ogg", kBlockFrames / 3},         // shorter than one block
    };
    for (const Case& c : cases)
    {
        const std::string path = Piece(c.name, c.frames);
        const std::vector<float> decoded = DecodeAsFloat(path);
        CSoundMusicOGG music;
        Prepare(music, path);
        ASSERT_EQ(music.Play(false, 0), DS_OK) << c.name;
        const std::vector<float> out = Play(music, (c.frames / kBlockFrames + 3) * kBlockFrames);
        std::vector<float> expected = decoded;
        expected.resize(out.size(), 0.0f); // then silence
        ExpectSame(out, expected, out.size(), c.name);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (music.IsMusicPlayed() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_FALSE(music.IsMusicPlayed()) << c.name;
        EXPECT_EQ(music.GetState(), CSoundMusic::kStopped) << c.name;
    }
}

TEST_F(SoundMusicTest, StartsAtThePageThatHoldsTheGivenSample)
{
    const std::string path = Piece("seek.ogg", kRate * 2);
    const std::vector<float> decoded = DecodeAsFloat(path);
    CSoundMusicOGG music;
    Prepare(music, path);
    const std::uint32_t position = kRate; // one second in
    ASSERT_EQ(music.Play(false, position), DS_OK);
    EXPECT_GT(music.GetCurrentPos(), position - kRate / 2);
    const std::vector<float> out = Play(music, kBlockFrames * 3);
    // Where in the piece it starts: at or before the sample asked for.
    std::size_t start = decoded.size();
    for (std::size_t f = 0; f <= position; ++f)
    {
        bool same = true;
        for (std::size_t i = 0; i < 64 && same; ++i)
            same = std::abs(out[i] - decoded[2 * f + i]) <= 1e-4f;
        if (same)
        {
            start = f;
            break;
        }
    }
    ASSERT_LE(start, position);
    EXPECT_GT(start, position - kRate / 2);
    const std::vector<float> rest(decoded.begin() + static_cast<std::ptrdiff_t>(2 * start), decoded.end());
    ExpectSame(out, rest, out.size(), "from the page");
    music.Stop();
}

TEST_F(SoundMusicTest, MissingFileAndNullNameFail)
{
    CSoundMusicOGG music;
    EXPECT_EQ(music.SetFileName(nullptr), plat::E_FAIL);
    Prepare(music, m_dir.Path("nothing.ogg"));
    EXPECT_EQ(music.Play(true, 0), plat::E_FAIL);
    EXPECT_EQ(music.GetState(), CSoundMusic::kStopped);
    EXPECT_FALSE(music.IsMusicPlayed());
    // The line says why: here the file is missing; below it is no Ogg.
    EXPECT_NE(m_dir.ErrorLog().find("nothing.ogg: No such file or directory"), std::string::npos)
        << m_dir.ErrorLog();
    const std::string text = m_dir.Path("text.ogg");
    std::ofstream(text) << "no Ogg pages in here";
    CSoundMusicOGG other;
    Prepare(other, text);
    EXPECT_EQ(other.Play(true, 0), plat::E_FAIL);
    EXPECT_NE(m_dir.ErrorLog().find("Error open sound file - " + text + ": not an Ogg Vorbis file"),
              std::string::npos)
        << m_dir.ErrorLog();
}

TEST_F(SoundMusicTest, VolumeSetBeforePlayIsApplied)
{
    const std::string path = Piece("volume.ogg", kRate);
    CSoundMusicOGG music;
    Prepare(music, path);
    EXPECT_EQ(music.SetVolume(0.5f), plat::E_FAIL); // no buffer yet: stored
    ASSERT_EQ(music.Play(true, 0), DS_OK);
    const std::vector<float> half = Play(music, kBlockFrames * 2);
    music.SetVolume(1.0f);
    music.Stop();
    ASSERT_EQ(music.Play(true, 0), DS_OK);
    const std::vector<float> full = Play(music, kBlockFrames * 2);
    music.Stop();
    EXPECT_NEAR(CLoopback::Rms(half).left / CLoopback::Rms(full).left, std::pow(10.0, -512 / 2000.0), 0.01);
}

// Stop while the notification thread may be writing, many times over: the
// thread is always ended before the buffer goes.
TEST_F(SoundMusicTest, StopAndPlayAgainWhileTheThreadWorks)
{
    const std::string path = Piece("again.ogg", kBlockFrames * 6);
    CSoundMusicOGG music;
    Prepare(music, path);
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_EQ(music.Play(i % 2 == 0, static_cast<std::uint32_t>(i * 100)), DS_OK);
        m_loop.Render(kBlockFrames + 10);
        music.GetCurrentPos();
        music.GetPlayDuration();
        if (i % 3 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        music.Stop();
        EXPECT_FALSE(music.IsMusicPlayed());
    }
}

} // namespace
