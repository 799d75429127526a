// The end text's clock: skip slots, the minimum and the end times, the
// picture's and the strips' alphas, the titles; the end videos with "Video"
// off.

#include "app/EndTextTimeline.h"
#include "app/MMApp.h"
#include "foundation/Settings.h"

#include <gtest/gtest.h>

namespace
{
// Frames of dt until the timeline ends or maxTime passes.
void RunUntil(CEndTextTimeline& t, float until, float dt = 0.1f)
{
    while (t.Time() < until && !t.IsDone())
        t.Advance(dt);
}

TEST(EndText, EscapeWalksFromSlotToSlotAndEndsAfter65Seconds)
{
    CEndTextTimeline t(2000, 768);
    t.Skip();
    EXPECT_FLOAT_EQ(t.Time(), 2.0f);
    t.Skip(); // between 2 and 3 nothing happens, so a held key does not race
    EXPECT_FLOAT_EQ(t.Time(), 2.0f);
    RunUntil(t, 3.5f);
    t.Skip();
    EXPECT_FLOAT_EQ(t.Time(), 20.0f);
    RunUntil(t, 23.5f);
    t.Skip();
    EXPECT_FLOAT_EQ(t.Time(), 40.0f);
    RunUntil(t, 43.5f);
    t.Skip();
    EXPECT_FLOAT_EQ(t.Time(), 60.0f);
    t.Skip();
    EXPECT_FALSE(t.IsDone());
    RunUntil(t, 65.5f);
    t.Skip();
    EXPECT_TRUE(t.IsDone());
}

TEST(EndText, NeverEndsBefore5SecondsAndEndsAlone)
{
    CEndTextTimeline t(100, 768);
    RunUntil(t, 1000.0f, 1.0f);
    EXPECT_TRUE(t.IsDone());
    EXPECT_GT(t.Time(), CEndTextTimeline::kEnd);
    EXPECT_LE(t.Time(), CEndTextTimeline::kEnd + 1.0f);
}

TEST(EndText, PictureStripsAndTitlesFollowTheClock)
{
    CEndTextTimeline t(1000, 768);
    EXPECT_FLOAT_EQ(t.PictureAlpha(), 1.0f);
    EXPECT_EQ(t.Strip(), -1);
    RunUntil(t, 2.5f, 0.5f);
    EXPECT_EQ(t.Strip(), 0);
    EXPECT_NEAR(t.StripAlpha(), 0.5f, 1e-4f);
    EXPECT_NEAR(t.PictureAlpha(), 0.75f, 1e-4f);
    RunUntil(t, 30.0f, 0.5f);
    EXPECT_EQ(t.Strip(), 1);
    EXPECT_FLOAT_EQ(t.PictureAlpha(), 0.5f);
    EXPECT_FALSE(t.TitlesShown());
    RunUntil(t, 60.5f, 0.5f);
    EXPECT_TRUE(t.TitlesShown());
    EXPECT_NEAR(t.TitlesAlpha(), 0.5f, 1e-4f);
    RunUntil(t, 71.0f, 0.5f);
    EXPECT_NEAR(t.TitlesScroll(), 500.0f, 1e-3f);
    // (t - 65) x 50 + 768 - 256 passes 1000 after t = 74.76.
    RunUntil(t, 74.5f, 0.5f);
    EXPECT_FALSE(t.TitlesDone());
    RunUntil(t, 75.0f, 0.5f);
    EXPECT_TRUE(t.TitlesDone());
    EXPECT_FALSE(t.TitlesShown());
    RunUntil(t, 152.0f, 0.5f);
    EXPECT_NEAR(t.PictureAlpha(), 1.0f, 1e-4f);
}

TEST(EndText, VideoOffEmptiesTheQueue)
{
    CMMApp app;
    const std::uint8_t video = g_Settings.Video;
    g_Settings.Video = 0;
    app.QueueEndVideo("Data\\Video\\end1.bik");
    app.PlayEndGameVideo();
    EXPECT_TRUE(app.m_EndVideos.empty());
    g_Settings.Video = video;
}
} // namespace
