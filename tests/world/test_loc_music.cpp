// Location music zones: the defaults and first starts of Reset, a zone's
// window of hours (not wrapped over midnight: 22..6 never plays, each
// would-be start put off by half a period), the stop of a looping zone at
// the end of its window, a non-looping zone never stopped, no zones at all,
// and the hour taken from the time of day in hours.
#include "foundation/GameTime.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "world/LocMusic.h"
#include "world/WorldTerrain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
class CRecorder : public ILocMusicSounds
{
public:
    void Play2D(const char* name, bool loop) override
    {
        m_Calls.push_back(std::string("play ") + name + (loop ? " loop" : ""));
    }
    void Stop(const char* name) override { m_Calls.push_back(std::string("stop ") + name); }
    std::vector<std::string> m_Calls;
};

SMusicZoneRecord Zone(const char* sound, float period, float length, bool loop, int first, int end)
{
    SMusicZoneRecord z{};
    std::snprintf(z.sound, sizeof z.sound, "%s", sound);
    z.period = period;
    z.length = length;
    z.loop = loop ? 1 : 0;
    z.firstHour = first;
    z.endHour = end;
    return z;
}

class LocMusic : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = g_Random.GetState();
        g_Random.SetState(777);
        m_music.m_pSounds = &m_sounds;
    }
    void TearDown() override { g_Random.SetState(m_saved); }
    // Steps of 0.5 s from clock 0 for seconds at the hour.
    void RunFor(float seconds, int hour)
    {
        for (double t = m_clock; t < m_clock + seconds - 1e-6; t += 0.5)
            m_music.RunAt(t, 0.5f, hour);
        m_clock += seconds;
    }
    SLocMusic m_music;
    CRecorder m_sounds;
    double m_clock = 0.0;
    std::uint32_t m_saved = 0;
};
} // namespace

TEST_F(LocMusic, ResetFillsTheDefaultsAndDrawsTheFirstStarts)
{
    m_music.m_nZones = 2;
    m_music.m_Zones[0] = Zone("SND_A", 0.0f, 4.0f, false, 0, 24);
    m_music.m_Zones[1] = Zone("SND_B", 10.0f, 4.0f, false, 0, 24);
    m_music.Reset("MUS_LOC1", "MUS_FIGHT");
    EXPECT_STREQ(m_music.m_szMusic, "MUS_LOC1");
    EXPECT_STREQ(m_music.m_szMusic2, "MUS_LOC1");
    ASSERT_EQ(m_music.m_nFight, 1u);
    EXPECT_STREQ(m_music.m_szFight[0], "MUS_FIGHT");
    EXPECT_EQ(m_music.m_Timers[0].nextStart, 0.0f); // period 0
    EXPECT_EQ(m_music.m_Timers[0].sound, -1);
    EXPECT_GE(m_music.m_Timers[1].nextStart, 0.0f);
    EXPECT_LT(m_music.m_Timers[1].nextStart, 10.0f);
    EXPECT_GE(m_music.m_Timers[1].duration, 2.0f);
    EXPECT_LT(m_music.m_Timers[1].duration, 6.0f);
    // A location's own names stay.
    SLocMusic own;
    std::strcpy(own.m_szMusic, "MUS_PORT");
    own.Reset();
    EXPECT_STREQ(own.m_szMusic, "MUS_PORT");
    EXPECT_STREQ(own.m_szMusic2, "MUS_LOC1");
}

TEST_F(LocMusic, AWindowOverMidnightNeverPlays)
{
    m_music.m_nZones = 1;
    m_music.m_Zones[0] = Zone("SND_NIGHT", 8.0f, 2.0f, true, 22, 6);
    m_music.m_Timers[0] = {1.0f, 3.0f, -1};
    for (int hour : {23, 0, 3, 22})
        RunFor(30.0f, hour);
    EXPECT_TRUE(m_sounds.m_Calls.empty() ||
                m_sounds.m_Calls == std::vector<std::string>(m_sounds.m_Calls.size(), "stop SND_NIGHT"));
    for (const std::string& call : m_sounds.m_Calls)
        EXPECT_EQ(call.find("play"), std::string::npos);
    // The first would-be start at 1.0 was put off by half the period.
    SLocMusic once;
    once.m_pSounds = &m_sounds;
    once.m_nZones = 1;
    once.m_Zones[0] = m_music.m_Zones[0];
    once.m_Timers[0] = {1.0f, 30.0f, -1};
    once.RunAt(0.5, 0.5f, 23);
    EXPECT_FLOAT_EQ(once.m_Timers[0].nextStart, 5.0f);
}

TEST_F(LocMusic, ALoopingZoneStopsAtTheEndOfItsWindowAPlainOneNever)
{
    m_music.m_nZones = 2;
    m_music.m_Zones[0] = Zone("SND_LOOP", 8.0f, 2.0f, true, 10, 14);
    m_music.m_Zones[1] = Zone("SND_ONCE", 8.0f, 2.0f, false, 10, 14);
    m_music.m_Timers[0] = {1.0f, 3.0f, -1};
    m_music.m_Timers[1] = {1.0f, 3.0f, -1};
    RunFor(1.5f, 12);
    EXPECT_EQ(m_sounds.m_Calls, (std::vector<std::string>{"play SND_LOOP loop", "play SND_ONCE"}));
    m_sounds.m_Calls.clear();
    RunFor(3.0f, 12); // the windows end at 4.0
    EXPECT_EQ(m_sounds.m_Calls, (std::vector<std::string>{"stop SND_LOOP"}));
    // The next start lies half a period to one and a half periods on.
    EXPECT_GE(m_music.m_Timers[0].nextStart, 4.0f + 4.0f);
    EXPECT_LT(m_music.m_Timers[0].nextStart, 4.5f + 12.0f);

    // No zones: nothing happens.
    SLocMusic none;
    none.m_pSounds = &m_sounds;
    m_sounds.m_Calls.clear();
    none.RunAt(0.0, 100.0f, 12);
    EXPECT_TRUE(m_sounds.m_Calls.empty());
}

namespace
{
class CClockLocation : public IWorldLocation
{
public:
    float GetTimeOfDay() override { return m_fTime; }
    float m_fTime = 12.0f;
};
} // namespace

// The hour of day is the integer part of the environment's time (hours),
// not of 24 times it.
TEST_F(LocMusic, TheHourComesFromTheTimeOfDayInHours)
{
    CClockLocation clock;
    IWorldLocation* saved = g_pWorldLocation;
    g_pWorldLocation = &clock;
    const double savedClock = g_GameTime;
    g_GameTime = 0.0;
    m_music.m_nZones = 1;
    m_music.m_Zones[0] = Zone("SND_DAY", 8.0f, 2.0f, false, 13, 15);
    for (auto [time, plays] : {std::pair{13.5f, true}, {14.99f, true}, {15.0f, false}, {0.56f, false}})
    {
        clock.m_fTime = time;
        m_sounds.m_Calls.clear();
        m_music.m_Timers[0] = {0.25f, 1.0f, -1};
        m_music.Run(0.5f);
        EXPECT_EQ(!m_sounds.m_Calls.empty() && m_sounds.m_Calls[0] == "play SND_DAY", plays) << time;
    }
    g_pWorldLocation = saved;
    g_GameTime = savedClock;
}

// The block round-trips through Save and Load; a block cut short or a count
// over its limit is refused with one message naming the field, and the
// music stays empty.
TEST_F(LocMusic, TheBlockRoundTripsAndDamageIsNamed)
{
    SLocMusic music;
    std::strcpy(music.m_szMusic, "MUS_THEME");
    music.m_nFight = 2;
    std::strcpy(music.m_szFight[1], "MUS_FIGHT2");
    music.m_nZones = 1;
    music.m_Zones[0] = Zone("SND_CHORD", 20.0f, 4.0f, true, 6, 18);
    CMemStream block;
    music.Save(block);
    EXPECT_EQ(block.m_nPosition, 64u + 4 + 64 + 4 + 4 + 68);
    CMemStream in;
    in.Write(block.m_pData, block.m_nPosition);
    in.m_nCapacity = in.m_nPosition;
    in.m_nPosition = 0;
    SLocMusic back;
    back.Load(in);
    EXPECT_STREQ(back.m_szMusic, "MUS_THEME");
    EXPECT_STREQ(back.m_szFight[1], "MUS_FIGHT2");
    ASSERT_EQ(back.m_nZones, 1u);
    EXPECT_STREQ(back.m_Zones[0].sound, "SND_CHORD");
    EXPECT_EQ(back.m_Zones[0].endHour, 18);

    struct SCase
    {
        std::uint32_t size;   // bytes kept
        std::uint32_t offset; // where a count of 99 is written (0: none)
        const char* message;
    };
    for (const SCase& c :
         {SCase{40, 0, "second music name cut short"}, SCase{200, 0, "music zone records cut short"},
          SCase{block.m_nPosition, 64, "fight music count 99 above 10"}})
    {
        CMemStream damaged;
        damaged.Write(block.m_pData, c.size);
        if (c.offset)
        {
            const std::uint32_t many = 99;
            std::memcpy(damaged.m_pData + c.offset, &many, 4);
        }
        damaged.m_nCapacity = damaged.m_nPosition;
        damaged.m_nPosition = 0;
        SLocMusic target;
        std::strcpy(target.m_szMusic, "OLD");
        try
        {
            target.Load(damaged);
            ADD_FAILURE() << c.message;
        }
        catch (const std::runtime_error& e)
        {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_STREQ(target.m_szMusic, "");
        EXPECT_EQ(target.m_nZones, 0u);
    }
}
