#include "foundation/FrameTimer.h"
#include "foundation/Random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{

constexpr std::int64_t kFrequency = 1000000; // ticks per second
constexpr std::int64_t kFrame40 = kFrequency / 40;

// A counter the test moves by hand.
struct SFakeCounter
{
    std::int64_t now = 5000000;
    CFrameTimer::CounterSource Source()
    {
        return [this] { return now; };
    }
};

TEST(FrameTimer, ResetAssumesFortyFramesPerSecond)
{
    SFakeCounter counter;
    CFrameTimer timer(counter.Source(), kFrequency);
    EXPECT_TRUE(timer.IsStarted());
    EXPECT_FLOAT_EQ(timer.GetFrameTime(), 0.025f);
    EXPECT_FLOAT_EQ(timer.GetPrevFrameTime(), 0.025f);
    EXPECT_EQ(timer.GetFps(), 40u);
    EXPECT_DOUBLE_EQ(timer.GetElapsed(), 0.0);

    counter.now += kFrame40;
    EXPECT_FLOAT_EQ(timer.Update(), 0.025f);
    EXPECT_EQ(timer.GetFrames(), 1u);
}

TEST(FrameTimer, FrameTimeIsTheClampedMeanOfTenFrames)
{
    struct SCase
    {
        const char* name;
        std::vector<std::int64_t> frames; // ticks per frame, after a reset
        float expected;
    };
    const SCase cases[] = {
        {"one frame of 1/40 s", {kFrame40}, 0.025f},
        {"ten frames of 1 ms", std::vector<std::int64_t>(10, 1000), 0.001f},
        {"ten frames of 10 us, clamped up", std::vector<std::int64_t>(10, 10), 0.0001f},
        {"a 3 s frame after ten normal ones",
         {kFrame40, kFrame40, kFrame40, kFrame40, kFrame40, kFrame40, kFrame40, kFrame40, kFrame40, kFrame40,
          3 * kFrequency},
         (9 * kFrame40 + 3 * kFrequency) / 10 / float(kFrequency)},
        {"a 20 s frame, clamped down", {20 * kFrequency}, 1.0f},
        {"a counter running backwards", {-kFrequency}, 0.0001f},
    };
    for (const SCase& c : cases)
    {
        SFakeCounter counter;
        CFrameTimer timer(counter.Source(), kFrequency);
        float frameTime = 0.0f;
        for (std::int64_t ticks : c.frames)
        {
            counter.now += ticks;
            frameTime = timer.Update();
            EXPECT_GE(frameTime, 0.0001f) << c.name;
            EXPECT_LE(frameTime, 1.0f) << c.name;
        }
        EXPECT_FLOAT_EQ(frameTime, c.expected) << c.name;
        EXPECT_EQ(timer.GetFrameTime(), frameTime) << c.name;
    }
}

TEST(FrameTimer, PrevFrameTimeAndElapsed)
{
    SFakeCounter counter;
    CFrameTimer timer(counter.Source(), kFrequency);
    for (int i = 0; i < 10; ++i)
    {
        counter.now += 1000;
        timer.Update();
    }
    counter.now += 1000;
    timer.Update();
    EXPECT_FLOAT_EQ(timer.GetPrevFrameTime(), 0.001f);
    EXPECT_NEAR(timer.GetElapsed(), 0.011, 1e-12);

    counter.now += 2 * kFrequency;
    EXPECT_NEAR(timer.GetElapsedTicks(), 2.011, 1e-12);
    EXPECT_NEAR(timer.GetElapsed(), 2.011, 1e-12);
}

TEST(FrameTimer, SkipElapsedHidesALoad)
{
    for (bool skip : {false, true})
    {
        SFakeCounter counter;
        CFrameTimer timer(counter.Source(), kFrequency);
        for (int i = 0; i < 10; ++i)
        {
            counter.now += 20000;
            timer.Update();
        }
        counter.now += 10 * kFrequency; // a 10 s load
        if (skip) timer.SkipElapsed();
        counter.now += 20000;
        const float frameTime = timer.Update();
        if (skip)
            EXPECT_FLOAT_EQ(frameTime, 0.02f);
        else
            EXPECT_FLOAT_EQ(frameTime, 1.0f);
    }
}

TEST(FrameTimer, FpsCountsFramesOfTheLastCompletedSecond)
{
    SFakeCounter counter;
    CFrameTimer timer(counter.Source(), kFrequency);
    // 1/32 s is exact in a float, so the second is passed by frame 33.
    for (int i = 0; i < 32; ++i)
    {
        counter.now += kFrequency / 32;
        timer.Update();
    }
    EXPECT_EQ(timer.GetFps(), 40u) << "no second completed yet";
    counter.now += kFrequency / 32;
    timer.Update();
    EXPECT_EQ(timer.GetFps(), 33u);

    timer.Reset();
    EXPECT_EQ(timer.GetFps(), 40u);
    EXPECT_EQ(timer.GetFrames(), 0u);
}

TEST(FrameTimer, ZeroFrequencyMeansMicroseconds)
{
    SFakeCounter counter;
    CFrameTimer timer(counter.Source(), 0);
    EXPECT_EQ(timer.GetFrequency(), CFrameTimer::kDefaultFrequency);
    counter.now += 25000;
    EXPECT_FLOAT_EQ(timer.Update(), 0.025f);
}

TEST(FrameTimer, GlobalTimerRunsOnThePlatformCounter)
{
    EXPECT_TRUE(g_FrameTimer.IsStarted());
    EXPECT_GT(g_FrameTimer.GetFrequency(), 0);
    const float frameTime = g_FrameTimer.Update();
    EXPECT_GE(frameTime, 0.0001f);
    EXPECT_LE(frameTime, 1.0f);
}

// ---------------------------------------------------------------------------

TEST(Random, SequenceFromZero)
{
    CRandom random(0);
    EXPECT_FLOAT_EQ(random.Random(1.0f), 0.9297f);
    EXPECT_EQ(random.GetState(), 49297u);
    EXPECT_FLOAT_EQ(random.GetLast(), 49297.0f / 233280.0f);
    EXPECT_EQ(random.Next(), 165494u);
}

TEST(Random, StepWrapsIn32BitsBeforeTheRemainder)
{
    struct SCase
    {
        std::uint32_t state;
        std::uint32_t next;
    };
    const SCase cases[] = {{0, 49297}, {49297, 165494}, {0xFFFFFFFFu, 39996}, {1585046016u, 150481}};
    for (const SCase& c : cases)
    {
        CRandom random(c.state);
        EXPECT_EQ(random.Next(), c.next) << c.state;
    }
}

TEST(Random, SeedFromClock)
{
    struct SCase
    {
        long clockTicks;
        float last;
        std::uint32_t state;
    };
    // 1 / (|ticks| + 1e-6) + 1000, as a float; the state is that times 233280,
    // truncated to 64 bits and cut to the low 32.
    const SCase cases[] = {{0, 1001000.0f, 1585046016u}, {5, 1000.2f, 233326658u}, {-5, 1000.2f, 233326658u}};
    for (const SCase& c : cases)
    {
        CRandom random(0);
        random.SeedFromClock(c.clockTicks);
        EXPECT_FLOAT_EQ(random.GetLast(), c.last) << c.clockTicks;
        EXPECT_EQ(random.GetState(), c.state) << c.clockTicks;
    }
}

TEST(Random, RandomIntAdvancesEvenForZero)
{
    CRandom random(0);
    EXPECT_EQ(random.RandomInt(0), 0);
    EXPECT_EQ(random.GetState(), 49297u);

    random.SetState(0);
    EXPECT_EQ(random.RandomInt(100), 92) << "(49297 >> 8) mod 100";

    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(random.RandomInt(1), 0);
}

TEST(Random, RangesStayInside)
{
    // RandomRange and RandomSigned draw from g_Random; restore it afterwards.
    const std::uint32_t saved = g_Random.GetState();
    g_Random.SetState(12345);
    for (int i = 0; i < 2000; ++i)
    {
        const float high = RandomRange(10.0f, 2.0f);
        EXPECT_GE(high, 10.0f);
        EXPECT_LT(high, 20.0f);
        const float low = RandomRange(10.0f, -1.0f);
        EXPECT_GE(low, 0.0f);
        EXPECT_LT(low, 10.0f);
        const float signedValue = RandomSigned(5.0f);
        EXPECT_GT(signedValue, -5.0f);
        EXPECT_LT(signedValue, 5.0f);
    }

    // From 0 the sign draw is 0.9297 (positive), the value draw comes from
    // state 165494: 5494 * 5 * 0.0001.
    g_Random.SetState(0);
    EXPECT_FLOAT_EQ(RandomSigned(5.0f), 2.747f);
    // From 7 the sign draw is 0.4404 (negative), then 821 * 5 * 0.0001.
    g_Random.SetState(7);
    EXPECT_FLOAT_EQ(RandomSigned(5.0f), -0.4105f);
    g_Random.SetState(saved);
}

} // namespace
