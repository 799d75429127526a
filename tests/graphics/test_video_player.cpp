// The video player with a fake decoder and clock (skip rules, the end after
// the last frame, centring, pacing, files that fail), and once with the real
// library on a video the test writes.
#include "GraphicTestDevice.h"
#include "graphics/VideoPlayer.h"
#include "platform/Window.h"
#include "platform/ddraw/DDraw.h"
#include "platform/video/VideoWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace
{

using namespace plat;

class CFakeVideo : public CVideoCalls
{
public:
    HBINK Open(const char* file, std::uint32_t) override
    {
        ++opens;
        if (std::string(file) == "missing.bik") return nullptr;
        auto* v = new video::SVideo;
        v->Width = width;
        v->Height = height;
        v->Frames = frames;
        v->FrameNum = 1;
        v->FramesMissing = missing;
        v->PicturesDamaged = damagedPictures;
        return v;
    }
    const char* LastError() override { return "fake reason"; }
    void Close(HBINK bink) override
    {
        ++closes;
        delete bink;
    }
    int DoFrame(HBINK bink) override
    {
        ++decoded;
        return bink->FrameNum == failAt ? -1 : 0;
    }
    int CopyToBuffer(HBINK, void*, std::int32_t, std::uint32_t height, std::uint32_t x, std::uint32_t y,
                     std::uint32_t) override
    {
        copies.push_back({x, y, height});
        return 0;
    }
    int Wait(HBINK) override { return 0; }
    void NextFrame(HBINK bink) override
    {
        ++nexts;
        ++bink->FrameNum;
    }
    void SetSoundSystem() override {}
    void Sleep(std::uint32_t ms) override
    {
        sleeps.push_back(ms);
        clock += std::int64_t(ms) * 1000 + 300; // every sleep runs 300 us over
    }
    std::int64_t Counter() override { return clock; }
    std::int64_t Frequency() override { return 1000000; }

    std::uint32_t width = 320, height = 240, frames = 3, failAt = 0, missing = 0, damagedPictures = 0;
    int opens = 0, closes = 0, decoded = 0, nexts = 0;
    std::vector<std::array<std::uint32_t, 3>> copies;
    std::vector<std::uint32_t> sleeps;
    std::int64_t clock = 0;
};

class CVideoPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("XDG_RUNTIME_DIR", m_dir.Path().c_str(), 1);
        m_player.SetVideoCalls(&m_fake);
        Msg msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        {
        }
    }
    Window* MakeWindow()
    {
        RegisterClass(WindowClass{
            0, [](Window* w, std::uint32_t m, WParam wp, LParam lp) { return DefWindowProc(w, m, wp, lp); },
            "VideoTestWindow", nullptr});
        return CreateWindow("VideoTestWindow", "video", WS_OVERLAPPED, 0, 0, 320, 240);
    }
    void TearDown() override
    {
        m_player.Done();
        ShutdownWindows();
    }
    gfxtest::CTempDir m_dir{"video"};
    CFakeVideo m_fake;
    CBinkPlayer m_player;
};

TEST_F(CVideoPlayerTest, SkipRules)
{
    struct SCase
    {
        std::uint32_t message;
        WParam wParam;
        bool skipAllowed;
        bool ends;
    };
    const SCase cases[] = {
        {WM_KEYDOWN, VK_ESCAPE, true, true},   {WM_COMMAND, IDCANCEL, true, true},
        {WM_SYSCOMMAND, SC_CLOSE, true, true}, {WM_KEYDOWN, VK_ESCAPE, false, false},
        {WM_KEYDOWN, VK_SPACE, true, false},   {WM_LBUTTONDOWN, 0, true, false},
    };
    m_fake.frames = 50;
    for (const SCase& c : cases)
    {
        m_fake.decoded = 0;
        // The first waiting message is taken before the loop.
        PostMessage(nullptr, WM_NULL, 0, 0);
        PostMessage(nullptr, c.message, c.wParam, 0);
        m_player.PlayBink("clip.bik", c.skipAllowed);
        EXPECT_EQ(m_fake.decoded, c.ends ? 1 : 50) << c.message << " " << c.wParam << " " << c.skipAllowed;
        EXPECT_EQ(m_player.m_hBink, nullptr);
    }
}

TEST_F(CVideoPlayerTest, EndsAfterLastFrameAndSkipsBadFiles)
{
    m_player.PlayBink("clip.bik", false);
    EXPECT_EQ(m_fake.decoded, 3);
    EXPECT_EQ(m_fake.nexts, 2);
    EXPECT_EQ(m_fake.closes, 1);

    m_fake.decoded = 0;
    m_player.PlayBink("missing.bik", false);
    EXPECT_EQ(m_fake.decoded, 0);
    EXPECT_NE(m_dir.ErrorLog().find("can't play \"missing.bik\": fake reason"), std::string::npos);

    // A frame that does not decode ends the video at once: no waiting for it.
    m_fake.frames = 1000;
    m_fake.failAt = 2;
    m_fake.decoded = 0;
    m_player.PlayBink("broken.bik", false);
    EXPECT_EQ(m_fake.decoded, 2);
    EXPECT_EQ(m_player.m_hBink, nullptr);
    EXPECT_NE(m_dir.ErrorLog().find("can't decode frame 2 of \"broken.bik\""), std::string::npos);
    // An on-screen loop does not reopen a file that failed.
    const int opens = m_fake.opens;
    m_player.ShowFrame(true, false);
    EXPECT_EQ(m_fake.opens, opens);

    // A file cut short, or with pictures that did not decode, plays what
    // it holds and says so.
    m_fake.frames = 3;
    m_fake.failAt = 0;
    m_fake.missing = 27;
    m_fake.damagedPictures = 1;
    m_fake.decoded = 0;
    m_player.PlayBink("cut.bik", false);
    EXPECT_EQ(m_fake.decoded, 3);
    EXPECT_NE(m_dir.ErrorLog().find("\"cut.bik\" ends early: 27 of its 30 frames are missing"),
              std::string::npos);
    EXPECT_NE(m_dir.ErrorLog().find("\"cut.bik\" is damaged: 1 of its pictures did not decode"),
              std::string::npos);
}

TEST_F(CVideoPlayerTest, OnScreenLoopReopensAfterTheEnd)
{
    m_fake.frames = 2;
    m_player.Open("menu.bik");
    for (int i = 0; i < 2; ++i)
        m_player.ShowFrame(true, false);
    EXPECT_EQ(m_player.m_hBink, nullptr); // ended after its last frame
    m_player.ShowFrame(true, false);
    EXPECT_EQ(m_fake.opens, 2);
    ASSERT_NE(m_player.m_hBink, nullptr);
    EXPECT_EQ(m_player.m_hBink->FrameNum, 2u);
}

TEST_F(CVideoPlayerTest, WindowedCentresInTheArea)
{
    Window* window = MakeWindow();
    ASSERT_EQ(m_player.Init(window), S_OK);
    struct SCase
    {
        std::uint32_t w, h, x, y;
    };
    for (const SCase& c :
         {SCase{320, 240, 240, 180}, SCase{800, 600, 0, 0}, SCase{1024, 768, 0, 0}, SCase{900, 100, 0, 0}})
    {
        m_fake.copies.clear();
        m_fake.width = c.w;
        m_fake.height = c.h;
        m_fake.frames = 1;
        m_player.PlayBink("clip.bik", false);
        ASSERT_EQ(m_fake.copies.size(), 1u);
        EXPECT_EQ(m_fake.copies[0][0], c.x) << c.w << "x" << c.h;
        EXPECT_EQ(m_fake.copies[0][1], c.y);
        EXPECT_EQ(m_fake.copies[0][2], 600u); // bounded by the surface, not the video
    }
}

TEST_F(CVideoPlayerTest, PaceSleepArithmetic)
{
    struct SStep
    {
        std::int32_t debt, oversleep;
        std::size_t sleeps;
    };
    // Requests of 500 us gather; each sleep of whole milliseconds overruns by
    // 300 us, and the oversleep is measured against the debt it paid.
    const SStep steps[] = {{500, 0, 0},   {1000, 0, 0},  {500, -200, 1},
                           {200, 100, 2}, {700, 100, 2}, {100, 200, 3}};
    for (const SStep& s : steps)
    {
        m_player.PaceSleep(500);
        EXPECT_EQ(m_player.m_nPaceDebt, s.debt);
        EXPECT_EQ(m_player.m_nPaceOversleep, s.oversleep);
        EXPECT_EQ(m_fake.sleeps.size(), s.sleeps);
    }
    m_player.Close(); // the counters start again after Close
    m_player.PaceSleep(500);
    EXPECT_EQ(m_player.m_nPaceDebt, 500);
    EXPECT_EQ(m_player.m_nPaceOversleep, 0);
}

TEST_F(CVideoPlayerTest, PlaysARealVideoIntoTheSurface)
{
    m_player.SetVideoCalls(nullptr);
    video::SVideoWriteParams p;
    p.width = 64;
    p.height = 48;
    p.frames = 3;
    p.framesPerSecond = 60;
    const std::string path = m_dir / "logo0.bik";
    ASSERT_TRUE(video::WriteTestVideo(path.c_str(), p));
    HBINK v = video::OpenVideo(path.c_str(), 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Frames, 3u);
    video::CloseVideo(v);

    ASSERT_EQ(m_player.Init(MakeWindow()), S_OK);
    m_player.PlayBink(path.c_str(), true);
    EXPECT_EQ(m_player.m_hBink, nullptr);
    ddraw::SSurfaceDesc d;
    d.dwSize = sizeof(d);
    ASSERT_EQ(m_player.m_lpOffscreen->Lock(nullptr, &d, ddraw::DDLOCK_WAIT, nullptr), ddraw::DD_OK);
    auto pixel = [&](int x, int y)
    { return static_cast<const std::uint32_t*>(d.lpSurface)[y * (d.lPitch / 4) + x]; };
    // The last frame, centred: (800 - 64) / 2, (600 - 48) / 2.
    EXPECT_EQ(pixel(368 + 5, 276 + 7), video::TestVideoPixel(3, 5, 7));
    EXPECT_EQ(pixel(367, 276) & 0xFFFFFF, 0u);
    m_player.m_lpOffscreen->Unlock(nullptr);
}

TEST_F(CVideoPlayerTest, NamesAndFactory)
{
    EXPECT_STREQ(CBinkPlayer::DDErrorName(0), "DD_OK");
    EXPECT_STREQ(CBinkPlayer::DDErrorName(ddraw::DDERR_SURFACELOST), "DDERR_SURFACELOST");
    EXPECT_STREQ(CBinkPlayer::DDErrorName(12345), "ERROR IS NOT DEFINED");
    RegisterBinkPlayer();
    std::unique_ptr<IBaseInterface> made(CreateClassInstance(int(g_iIBinkPlayer)));
    ASSERT_NE(dynamic_cast<CBinkPlayer*>(made.get()), nullptr);
    char name[40] = {};
    std::snprintf(name, sizeof(name), "%s", made->GetGUID().name);
    EXPECT_STREQ(name, "IGUID_IBinkPlayer");
}

} // namespace
