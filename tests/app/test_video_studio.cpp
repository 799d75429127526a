// The play recorder without a running game: its states (an operation in
// the wrong state answers false and changes nothing), the number keys and
// frame step of replay mode, the recording file
// written and read back, the automatic stop near a full buffer, a file
// without its trailer, damaged files refused, and the folder and picture
// numbering of a render.
#include "app/VideoStudio.h"

#include "hud/debug/RecorderOverlay.h"

#include "platform/File.h"

#include "common/DataTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class VideoStudio : public testutil::CDataTreeTest
{
protected:
    // A held recording of n frames (no objects: the environment alone).
    void Record(CVideoStudio& studio, int frames)
    {
        ASSERT_TRUE(studio.StartRecording());
        for (int i = 1; i < frames; ++i)
            studio.RecordFrame(false);
        ASSERT_EQ(studio.StopRecording(), 1);
    }
};

TEST_F(VideoStudio, OperationsAnswerOnlyInTheirStates)
{
    CVideoStudio studio;
    // Idle: nothing to stop, play, correct or render.
    EXPECT_EQ(studio.StopRecording(), 0);
    EXPECT_FALSE(studio.PlayBack());
    EXPECT_FALSE(studio.Stop());
    EXPECT_FALSE(studio.RenderToFiles());
    EXPECT_FALSE(studio.StartEnvironmentCorrection());
    EXPECT_FALSE(studio.Save("x.rec"));
    EXPECT_FALSE(plat::FileExists("x.rec"));
    EXPECT_FALSE(studio.ContinueRecording());
    EXPECT_EQ(studio.m_nState, CVideoStudio::kIdle);
    Record(studio, 3);
    EXPECT_EQ(studio.m_nState, CVideoStudio::kHeld);
    EXPECT_EQ(studio.m_nTotalFrames, 3);
    EXPECT_FLOAT_EQ(studio.m_fLength, 2.0f * CVideoStudio::GetFixedFrameTime());
    // Playing: no second start, and the replay ends by itself.
    ASSERT_TRUE(studio.PlayBack());
    EXPECT_EQ(studio.m_nState, CVideoStudio::kPlaying);
    EXPECT_FALSE(studio.PlayBack());
    EXPECT_FALSE(studio.StartRecording());
    studio.PlayMoment(false);
    studio.PlayMoment(false);
    EXPECT_EQ(studio.m_nState, CVideoStudio::kHeld);
    EXPECT_EQ(studio.m_nFrame, 3);
    // Held again: recording anew is allowed.
    EXPECT_TRUE(studio.StartRecording());
    EXPECT_TRUE(studio.ContinueRecording());
    EXPECT_EQ(studio.StopRecording(), 1);
}

TEST_F(VideoStudio, ReplayModesNumberKeysAndFrameStepFollowTheStates)
{
    CVideoStudio studio;
    SRecorderStatus status;
    studio.FillStatus(status);
    EXPECT_EQ(status.state, CVideoStudio::kIdle);
    EXPECT_EQ(status.recording, "");
    // Idle: only 1 (record) is taken.
    for (int digit : {2, 3, 4, 7, 9, 0, 5, 6, 8}) EXPECT_FALSE(studio.ProcessKey(digit)) << digit;
    ASSERT_TRUE(studio.ProcessKey(1));
    // Each drawn frame is recorded while recording.
    studio.OnFrameDrawn();
    studio.OnFrameDrawn();
    studio.FillStatus(status);
    EXPECT_EQ(status.state, CVideoStudio::kRecording);
    EXPECT_EQ(std::uint32_t(status.bytesUsed), studio.m_Stream.m_nPosition);
    EXPECT_EQ(std::uint32_t(status.bufferSize), CVideoStudio::kBufferSize);
    ASSERT_TRUE(studio.ProcessKey(2));
    EXPECT_EQ(studio.m_nTotalFrames, 3);
    // Held: 9 saves under the recording's name, 3 plays it; each drawn
    // frame replays the next, and the last one ends the replay.
    EXPECT_FALSE(studio.ProcessKey(9));
    std::snprintf(studio.m_szFileName, sizeof studio.m_szFileName, "%s", "clip.rec");
    ASSERT_TRUE(studio.ProcessKey(9));
    EXPECT_TRUE(plat::FileExists("clip.rec"));
    studio.FillStatus(status);
    EXPECT_EQ(status.recording, "clip.rec");
    ASSERT_TRUE(studio.ProcessKey(3));
    EXPECT_FALSE(studio.ProcessKey(1));
    studio.OnFrameDrawn();
    EXPECT_EQ(studio.m_nFrame, 2);
    // 4: back to the start.
    ASSERT_TRUE(studio.ProcessKey(4));
    EXPECT_EQ(studio.m_nFrame, 1);
    studio.OnFrameDrawn();
    studio.OnFrameDrawn();
    EXPECT_EQ(studio.m_nState, CVideoStudio::kHeld);
    // 7: the weather corrected frame by frame until the replay ends, the
    // interface hidden meanwhile; in replay mode it stays hidden after.
    for (const std::uint8_t replayMode : {0, 1})
    {
        studio.m_bReplayMode = replayMode;
        ASSERT_TRUE(studio.ProcessKey(7));
        EXPECT_EQ(studio.m_nState, CVideoStudio::kCorrectingEnvironment);
        EXPECT_TRUE(studio.m_bInterfaceHidden);
        for (int i = 0; i < 5 && studio.m_nState != CVideoStudio::kHeld; ++i) studio.OnFrameDrawn();
        EXPECT_EQ(studio.m_nState, CVideoStudio::kHeld);
        EXPECT_EQ(studio.m_bInterfaceHidden, replayMode) << int(replayMode);
    }
    // No player's glider or camera to correct here.
    EXPECT_FALSE(studio.ProcessKey(5));
    EXPECT_FALSE(studio.ProcessKey(8));
    EXPECT_FALSE(studio.ProcessKey(11));
}

TEST_F(VideoStudio, TheFileRoundTripsWithAndWithoutItsTrailer)
{
    CVideoStudio studio;
    Record(studio, 4);
    ASSERT_TRUE(studio.Save("play.rec"));
    const std::vector<std::uint8_t> bytes = ReadBytes(Tree() / "play.rec");
    ASSERT_EQ(bytes.size(), CVideoStudio::kFileHeadSize + studio.m_nDataSize + CVideoStudio::kTrailerSize);
    std::uint32_t head[3];
    std::memcpy(head, bytes.data(), 12);
    EXPECT_EQ(head[0], 4u);
    EXPECT_EQ(head[2], studio.m_nDataSize);
    // Every frame: its clock, one record (the environment), its size.
    std::uint32_t count, size;
    std::memcpy(&count, bytes.data() + 12 + 8, 4);
    std::memcpy(&size, bytes.data() + 12 + 12, 4);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(std::size_t(size) * 4 + 16 * 4, studio.m_nDataSize);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + bytes.size() - 32), "_DEFAULT_");

    CVideoStudio again;
    ASSERT_TRUE(again.Load("play.rec"));
    EXPECT_EQ(again.m_nState, CVideoStudio::kHeld);
    EXPECT_EQ(again.m_nTotalFrames, 4);
    EXPECT_EQ(again.m_nDataSize, studio.m_nDataSize);
    EXPECT_EQ(std::memcmp(again.m_Stream.m_pData, studio.m_Stream.m_pData, studio.m_nDataSize), 0);
    // Without the glider number and configuration name the frames load.
    CVideoStudio bare;
    std::string error;
    ASSERT_TRUE(bare.LoadFromMemory(bytes.data(), bytes.size() - CVideoStudio::kTrailerSize, &error)) << error;
    EXPECT_EQ(bare.m_nTotalFrames, 4);
}

TEST_F(VideoStudio, DamagedFilesAreRefusedWithTheRecorderUnchanged)
{
    CVideoStudio studio;
    Record(studio, 2);
    ASSERT_TRUE(studio.Save("play.rec"));
    const std::vector<std::uint8_t> good = ReadBytes(Tree() / "play.rec");
    const auto with = [&](std::size_t at, std::uint32_t value)
    {
        std::vector<std::uint8_t> b = good;
        std::memcpy(b.data() + at, &value, 4);
        return b;
    };
    const struct
    {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"cut head", std::vector<std::uint8_t>(good.begin(), good.begin() + 7)},
        {"data size past the file", with(8, 0x7FFFFFF0u)},
        {"data cut", std::vector<std::uint8_t>(good.begin(), good.begin() + 40)},
        {"frame count", with(0, 3)},
        {"record count", with(12 + 8, 5)},
        {"record size", with(12 + 16 + 4, 0xFFFFFFF0u)},
    };
    for (const auto& c : cases)
    {
        CVideoStudio loaded;
        std::string error;
        EXPECT_FALSE(loaded.LoadFromMemory(c.bytes.data(), c.bytes.size(), &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_EQ(loaded.m_nState, CVideoStudio::kIdle) << c.what;
    }
    // Through the file: one error line.
    std::ofstream(Tree() / "bad.rec", std::ios::binary)
        .write(reinterpret_cast<const char*>(cases[4].bytes.data()), std::streamsize(cases[4].bytes.size()));
    CVideoStudio loaded;
    EXPECT_FALSE(loaded.Load("bad.rec"));
    EXPECT_NE(Tree().ErrorLog().find("Error while reading video file bad.rec"), std::string::npos);
}

TEST_F(VideoStudio, RecordingStopsByItselfNearAFullBuffer)
{
    CVideoStudio studio;
    ASSERT_TRUE(studio.StartRecording());
    const std::uint32_t frame = studio.m_Stream.m_nPosition;
    // A buffer with room for the reserve and three frames more.
    std::vector<std::uint8_t> first(studio.m_Stream.m_pData, studio.m_Stream.m_pData + frame);
    studio.m_Stream.Free();
    studio.m_Stream.Allocate(CVideoStudio::kFrameReserve + 4 * frame + frame / 2);
    std::memcpy(studio.m_Stream.m_pData, first.data(), frame);
    studio.m_Stream.m_nPosition = frame;
    int frames = 1;
    while (studio.m_nState == CVideoStudio::kRecording && frames < 100)
    {
        studio.RecordFrame(false);
        ++frames;
    }
    EXPECT_EQ(studio.m_nState, CVideoStudio::kHeld);
    // The fifth frame leaves less than the reserve.
    EXPECT_EQ(studio.m_nTotalFrames, 5);
    EXPECT_EQ(studio.m_nDataSize, 5 * frame);
}

TEST_F(VideoStudio, RenderFoldersAndPicturesAreNumbered)
{
    const std::string base = Tree().Path().string() + "/";
    std::filesystem::create_directories(Tree().Path() / "Video" / "000001");
    std::filesystem::create_directories(Tree().Path() / "Video" / "000002");
    const std::string folder = CVideoStudio::MakeOutputFolder(base);
    EXPECT_NE(folder.find("000003"), std::string::npos) << folder;
    EXPECT_TRUE(std::filesystem::is_directory(Tree().Path() / "Video" / "000003"));
    EXPECT_EQ(CVideoStudio::PictureName(7), "00000007.bmp");
    EXPECT_EQ(CVideoStudio::PictureName(12345678), "12345678.bmp");
}
} // namespace
