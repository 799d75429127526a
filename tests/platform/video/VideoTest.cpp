// The video library over FFmpeg on videos written by the test: size and
// frame count, exact decoded pixels, clipping of the copy, pacing, and bad
// files that must fail with a reason instead of hanging.
#include "platform/Time.h"
#include "platform/video/Video.h"
#include "platform/video/VideoWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace
{

using namespace plat::video;

class CVideoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir =
            std::filesystem::temp_directory_path() / ("tvx-video-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Path(const char* name) const { return (m_dir / name).string(); }
    std::string Write(const char* name, const SVideoWriteParams& p)
    {
        std::string error;
        EXPECT_TRUE(WriteTestVideo(Path(name).c_str(), p, &error)) << error;
        return Path(name);
    }
    std::filesystem::path m_dir;
};

TEST_F(CVideoTest, DecodesEveryFrameExactly)
{
    SVideoWriteParams p;
    p.width = 40;
    p.height = 30;
    p.frames = 4;
    for (bool sound : {false, true})
    {
        p.withSound = sound;
        if (sound) UseDirectSound(nullptr);
        // A ".bik" name: the container is found by its content.
        const std::string path = Write("clip.bik", p);
        SVideo* v = OpenVideo(path.c_str(), kVideoOpenDefault);
        ASSERT_NE(v, nullptr) << LastVideoError();
        EXPECT_EQ(v->Width, 40u);
        EXPECT_EQ(v->Height, 30u);
        EXPECT_EQ(v->Frames, 4u);
        EXPECT_EQ(v->FramesMissing, 0u);
        EXPECT_EQ(v->FrameNum, 1u);
        for (std::uint32_t f = 1; f <= 4; ++f)
        {
            ASSERT_EQ(DoFrame(v), 0) << LastVideoError();
            ASSERT_EQ(DoFrame(v), 0); // the same frame again costs nothing
            EXPECT_EQ(DecodedPixels(v)[2 * 40 + 3], TestVideoPixel(f, 3, 2)) << "frame " << f;
            EXPECT_EQ(DecodedPixels(v)[29 * 40 + 39], TestVideoPixel(f, 39, 29));
            NextFrame(v);
        }
        EXPECT_EQ(v->FrameNum, 4u); // stays on the last frame
        EXPECT_EQ(v->PicturesDamaged, 0u);
        CloseVideo(v);
        StopDirectSound();
    }
}

TEST_F(CVideoTest, CopyIsPlacedAndClipped)
{
    SVideoWriteParams p;
    p.width = 4;
    p.height = 4;
    p.frames = 1;
    SVideo* v = OpenVideo(Write("small.mkv", p).c_str(), 0);
    ASSERT_NE(v, nullptr);
    std::vector<std::uint32_t> dest(6 * 5, 0x12345678u);
    EXPECT_EQ(CopyToBuffer(v, dest.data(), 6 * 4, 5, 0, 0, kVideoSurface32), -1); // nothing decoded yet
    ASSERT_EQ(DoFrame(v), 0);
    // At (3, 2) in a 6 x 5 buffer only 3 x 3 of the 4 x 4 picture fit.
    ASSERT_EQ(CopyToBuffer(v, dest.data(), 6 * 4, 5, 3, 2, kVideoSurface32), 0);
    for (std::uint32_t y = 0; y < 5; ++y)
        for (std::uint32_t x = 0; x < 6; ++x)
        {
            const std::uint32_t want = x >= 3 && y >= 2 ? TestVideoPixel(1, x - 3, y - 2) : 0x12345678u;
            EXPECT_EQ(dest[y * 6 + x], want) << x << "," << y;
        }
    std::vector<std::uint16_t> dest16(4 * 4, 0);
    ASSERT_EQ(CopyToBuffer(v, dest16.data(), 4 * 2, 4, 0, 0, kVideoSurface565), 0);
    const std::uint32_t c = TestVideoPixel(1, 1, 1);
    EXPECT_EQ(dest16[5],
              ((((c >> 16) & 0xFF) >> 3) << 11) | ((((c >> 8) & 0xFF) >> 2) << 5) | ((c & 0xFF) >> 3));
    EXPECT_EQ(CopyToBuffer(v, dest.data(), 6 * 4, 5, 0, 0, 77), -1); // unknown format
    CloseVideo(v);
}

TEST_F(CVideoTest, WaitPacesByFrameRate)
{
    SVideoWriteParams p;
    p.frames = 3;
    p.framesPerSecond = 2; // half a second a frame
    SVideo* v = OpenVideo(Write("slow.mkv", p).c_str(), 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(WaitVideo(v), 0); // the first frame is due at once
    NextFrame(v);
    EXPECT_EQ(WaitVideo(v), 1); // the second only after 500 ms
    CloseVideo(v);
}

TEST_F(CVideoTest, BadFilesFailWithAReason)
{
    SVideoWriteParams p;
    p.width = 32;
    p.height = 32;
    p.frames = 30;
    const std::string good = Write("good.mkv", p);
    std::ifstream in(good, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    auto writeBytes = [&](const char* name, const std::vector<char>& data)
    {
        std::ofstream(Path(name), std::ios::binary).write(data.data(), std::streamsize(data.size()));
        return Path(name);
    };
    std::vector<char> garbage(4096);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char(i * 7919 % 251);
    std::vector<char> half(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 2));
    std::vector<char> damaged = bytes;
    for (std::size_t i = damaged.size() / 3; i < damaged.size(); i += 5)
        damaged[i] = char(0xA5);

    struct SCase
    {
        const char* name;
        std::string path;
    };
    const SCase cases[] = {{"missing", Path("none.bik")},
                           {"empty", writeBytes("empty.bik", {})},
                           {"garbage", writeBytes("garbage.bik", garbage)},
                           {"truncated", writeBytes("half.mkv", half)},
                           {"damaged", writeBytes("damaged.mkv", damaged)}};
    for (const SCase& c : cases)
    {
        SVideo* v = OpenVideo(c.path.c_str(), 0);
        if (!v)
        {
            EXPECT_STRNE(LastVideoError(), "") << c.name;
            continue;
        }
        // Half the file: the header's length tells what is missing.
        if (std::string(c.name) == "truncated")
        {
            EXPECT_GT(v->FramesMissing, 5u);
            EXPECT_EQ(v->Frames + v->FramesMissing, 30u);
        }
        // Whatever opened plays to its end or fails a frame: never a hang,
        // and a failure is kept.
        bool failed = false;
        for (std::uint32_t f = 1; f <= v->Frames && !failed; ++f, NextFrame(v))
            failed = DoFrame(v) != 0;
        if (failed)
        {
            EXPECT_STRNE(LastVideoError(), "") << c.name;
            EXPECT_EQ(DoFrame(v), -1) << c.name;
        }
        // Every frame there, every picture whole: then nothing is missing.
        if (std::string(c.name) == "damaged")
        {
            EXPECT_TRUE(failed || v->PicturesDamaged > 0 || v->Frames < 30) << c.name;
        }
        CloseVideo(v);
    }
}

} // namespace

namespace
{

// Changed bytes inside a picture decode without an error code; the slice
// checksums of the videos written here find them, wherever they land.
TEST_F(CVideoTest, ChangedPictureBytesCountAsDamaged)
{
    SVideoWriteParams p;
    p.width = 320;
    p.height = 240;
    p.frames = 8;
    const std::string good = Write("logo.bik", p);
    std::ifstream in(good, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    for (const std::size_t tenths : {1u, 5u, 8u})
    {
        std::vector<char> changed = bytes;
        const std::size_t at = changed.size() * tenths / 10;
        for (std::size_t i = 0; i < 16; ++i)
            changed[at + i] = char(changed[at + i] ^ (0x5A + i));
        const std::string path = Path("changed.bik");
        std::ofstream(path, std::ios::binary).write(changed.data(), std::streamsize(changed.size()));
        SVideo* v = OpenVideo(path.c_str(), 0);
        ASSERT_NE(v, nullptr) << LastVideoError();
        bool failed = false;
        for (std::uint32_t f = 1; f <= v->Frames && !failed; ++f, NextFrame(v))
            failed = DoFrame(v) != 0;
        EXPECT_TRUE(failed || v->PicturesDamaged > 0) << "changed at byte " << at;
        CloseVideo(v);
    }
}

} // namespace
