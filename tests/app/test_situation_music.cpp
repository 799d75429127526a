// The music by situation with a controllable music fake and a seeded
// generator, and the cockpit warnings.

#include "app/MMApp_Music.h"

#include "foundation/Random.h"
#include "units/Gun.h"
#include "units/GunManager.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{
class CFakeMusic : public IMusicSituation
{
public:
    bool on = true, playing = false, dead = false, queued = false;
    float silence = 0.0f, length = 100.0f, position = 0.0f;
    std::vector<std::string> calm, battle{"MUS_FIGHT"};
    std::set<CMechGroup2*> engaged;
    std::vector<std::string> log;

    bool IsMusicOn() override { return on; }
    bool IsPlayed() override { return playing; }
    float GetSilence() override { return silence; }
    bool IsRequestQueued() override { return queued; }
    void SetSilence(float s) override
    {
        silence = s;
        log.push_back("silence " + std::to_string(int(s)));
    }
    void Play(const char* name, float fade, bool loop) override
    {
        playing = true;
        log.push_back(std::string("play ") + name + " " + std::to_string(int(fade)) + (loop ? " loop" : ""));
    }
    void Stop(float fade) override
    {
        playing = false;
        log.push_back("stop " + std::to_string(fade).substr(0, 3));
    }
    void Pause(bool pause, float fade) override
    {
        if (pause) playing = false;
        log.push_back(std::string(pause ? "pause " : "resume ") + std::to_string(int(fade)));
    }
    float GetLength() override { return length; }
    float GetPosition() override { return position; }
    std::string MainTrack() override { return "MUS_LOC1"; }
    std::vector<std::string> BattleTracks() override { return battle; }
    std::vector<std::string> CalmTracks() override { return calm; }
    bool IsPlayerDead() override { return dead; }
    bool IsEngaged(CMechGroup2* g) override { return engaged.count(g) != 0; }

    // The track ends and the silence runs out.
    void TrackEnds()
    {
        playing = false;
        silence = 0.0f;
    }
};

CMechGroup2* const kGroup = reinterpret_cast<CMechGroup2*>(0x1000);

class SituationMusic : public ::testing::Test
{
protected:
    void SetUp() override { g_Random.SetState(12345); }
    CFakeMusic fake;
    CMMApp_Music music{&fake};
};

TEST_F(SituationMusic, AfterAResetTheMainTrackComesFirstThenSilence)
{
    music.AnalizeMusicSituation();
    EXPECT_EQ(music.GetState(), 1);
    EXPECT_EQ(fake.log, (std::vector<std::string>{"play MUS_LOC1 0"}));
    fake.TrackEnds();
    music.AnalizeMusicSituation();
    EXPECT_EQ(music.GetState(), 0);
    EXPECT_EQ(fake.log.back(), "silence 180");
    // With no calm list the toggle never flips: the main track again.
    fake.TrackEnds();
    music.AnalizeMusicSituation();
    EXPECT_EQ(music.GetState(), 1);
    // A silence still running keeps everything as it is.
    fake.playing = false;
    fake.silence = 10.0f;
    const std::size_t before = fake.log.size();
    music.AnalizeMusicSituation();
    EXPECT_EQ(fake.log.size(), before);
}

TEST_F(SituationMusic, CalmPicksNeverRepeatAndOneEntryIsAlwaysIndexZero)
{
    fake.calm = {"MUS_A", "MUS_B", "MUS_C"};
    std::string last;
    int calmPlays = 0;
    for (int i = 0; i < 40; ++i)
    {
        fake.TrackEnds();
        music.AnalizeMusicSituation();
        if (music.GetState() == 2)
        {
            const std::string played = fake.log.back();
            EXPECT_NE(played, last);
            last = played;
            ++calmPlays;
        }
    }
    EXPECT_GT(calmPlays, 5);

    CFakeMusic one;
    one.calm = {"MUS_ONLY"};
    CMMApp_Music single(&one);
    for (int i = 0; i < 12; ++i)
    {
        one.TrackEnds();
        single.AnalizeMusicSituation();
        if (single.GetState() == 2)
        {
            EXPECT_EQ(one.log.back().rfind("play MUS_ONLY ", 0), 0u) << one.log.back();
        }
        EXPECT_LE(single.m_nLastCalm, 0);
    }
}

TEST_F(SituationMusic, BattlePausesALongTrackAndResumesIt)
{
    music.AnalizeMusicSituation(); // the main track
    fake.position = 10.0f;         // 90 s left
    music.AddAttacker(kGroup);
    fake.engaged.insert(kGroup);
    music.AnalizeMusicSituation();
    EXPECT_EQ(music.GetState(), 5);
    EXPECT_TRUE(music.m_bPausedForBattle);
    EXPECT_EQ(fake.log, (std::vector<std::string>{"play MUS_LOC1 0", "pause 2", "play MUS_FIGHT 2 loop"}));
    // The battle holds while the group attacks.
    music.AnalizeMusicSituation();
    EXPECT_EQ(fake.log.size(), 3u);
    // The group gives up: the battle music fades, then the track resumes.
    fake.engaged.clear();
    music.AnalizeMusicSituation();
    EXPECT_EQ(fake.log[3], "stop 8.0");
    EXPECT_EQ(fake.log[4], "silence 11");
    EXPECT_EQ(music.GetState(), 1);
    fake.TrackEnds();
    music.AnalizeMusicSituation();
    EXPECT_EQ(fake.log.back(), "resume 6");
    EXPECT_FALSE(music.m_bPausedForBattle);
}

TEST_F(SituationMusic, BattleStopsANearlyFinishedTrackAnd30SecondsOfSilenceFollow)
{
    music.AnalizeMusicSituation();
    fake.position = 80.0f; // 20 s left
    music.AddAttacker(kGroup);
    fake.engaged.insert(kGroup);
    music.AnalizeMusicSituation();
    EXPECT_FALSE(music.m_bPausedForBattle);
    EXPECT_EQ(fake.log[1], "stop 2.0");
    fake.engaged.clear();
    music.AnalizeMusicSituation();
    EXPECT_EQ(music.GetState(), 0);
    EXPECT_EQ(fake.log.back(), "silence 30");
}

TEST_F(SituationMusic, DeathPlaysOneOfTheDeathThemesAndHolds)
{
    music.AnalizeMusicSituation();
    fake.dead = true;
    music.AnalizeMusicSituation();
    EXPECT_EQ(music.GetState(), 7);
    EXPECT_EQ(music.GetPrevious(), -1);
    EXPECT_EQ(fake.log[1], "stop 0.5");
    EXPECT_TRUE(fake.log[2] == "play MUS_DIED_1 0" || fake.log[2] == "play MUS_DIED_2 0") << fake.log[2];
    const std::size_t before = fake.log.size();
    fake.TrackEnds();
    music.AnalizeMusicSituation();
    EXPECT_EQ(fake.log.size(), before);
}

TEST_F(SituationMusic, MenuStatesRestoreThroughTheirSilence)
{
    music.AnalizeMusicSituation();
    music.SetMenuState(4);
    EXPECT_EQ(music.GetState(), 4);
    music.SetMenuState(3); // not while the state is 4
    EXPECT_EQ(music.GetState(), 4);
    music.SetMenuState(2); // only 3 and 4
    EXPECT_EQ(music.GetState(), 4);
    fake.TrackEnds();
    music.AnalizeMusicSituation();
    EXPECT_EQ(music.GetState(), 0);
    EXPECT_EQ(fake.log.back(), "silence 5");
    EXPECT_FALSE(music.m_bCalmToggle);
    // Music off: nothing happens at all.
    fake.on = false;
    fake.TrackEnds();
    const std::size_t before = fake.log.size();
    music.AnalizeMusicSituation();
    EXPECT_EQ(fake.log.size(), before);
}

class CSoundLog : public IWarningSounds
{
public:
    std::vector<std::string> log;
    void Play(const char* name, bool loop) override
    {
        log.push_back(std::string(name) + (loop ? " loop" : ""));
    }
    void Stop(const char* name) override { log.push_back(std::string("stop ") + name); }
};

class CockpitWarnings : public ::testing::Test
{
protected:
    SCockpitState Alive()
    {
        SCockpitState s;
        s.alive = true;
        return s;
    }
    int Run(const SCockpitState& s) { return CCockpitWarnings::Analize(s, bits, shield, sounds); }
    std::uint32_t bits = 0;
    float shield = 1.0f;
    CSoundLog sounds;
};

TEST_F(CockpitWarnings, LowEnergyWarnsOnTheRisingEdgeBelowTheExactThreshold)
{
    SCockpitState s = Alive();
    s.energy = CCockpitWarnings::kLowEnergyFraction;
    EXPECT_EQ(Run(s), -1);
    EXPECT_TRUE(sounds.log.empty());
    s.energy = 0.2406f;
    EXPECT_EQ(Run(s), 6);
    EXPECT_EQ(Run(s), 6);
    EXPECT_EQ(sounds.log, (std::vector<std::string>{"SND_C_ENERGY_LOW"}));
    s.energy = 0.5f;
    Run(s);
    s.energy = 0.1f;
    Run(s);
    EXPECT_EQ(sounds.log.size(), 2u);
}

TEST_F(CockpitWarnings, ShieldDropsSoundByTheBandLeft)
{
    const struct
    {
        float from, to;
        const char* sound;
    } rows[] = {
        {0.8f, 0.6f, "SND_C_SHIELD_HIT_75"}, {0.6f, 0.55f, nullptr}, {0.6f, 0.45f, "SND_C_SHIELD_HIT_50"},
        {0.3f, 0.2f, "SND_C_SHIELD_HIT_25"}, {1.0f, 0.9f, nullptr},  {0.2f, 0.04f, nullptr}};
    for (const auto& row : rows)
    {
        sounds.log.clear();
        shield = row.from;
        SCockpitState s = Alive();
        s.shield = row.to;
        s.shieldHit = true;
        Run(s);
        if (row.sound)
            EXPECT_EQ(sounds.log, (std::vector<std::string>{row.sound})) << row.from << " -> " << row.to;
        else
            EXPECT_TRUE(sounds.log.empty()) << row.from << " -> " << row.to;
        EXPECT_EQ(shield, row.to);
    }
    // Without a hit this frame nothing sounds.
    sounds.log.clear();
    shield = 0.8f;
    SCockpitState s = Alive();
    s.shield = 0.6f;
    Run(s);
    EXPECT_TRUE(sounds.log.empty());
}

TEST_F(CockpitWarnings, AlarmsLoopWhileTheyLastAndStopWithDeath)
{
    SCockpitState s = Alive();
    s.armour = 0.2f;
    s.anomalyZone = 3;
    s.anomalyDamage = true;
    EXPECT_EQ(Run(s), 3);
    EXPECT_EQ(Run(s), 3);
    EXPECT_EQ(sounds.log, (std::vector<std::string>{"SND_C_DAMAGE_CRITICAL_L loop", "SND_C_ANOMALY_WARNING",
                                                    "SND_C_ANOMALY_DAMAGE loop"}));
    // Armour back at 0.25: the critical alarm stops; out of the zone: the
    // anomaly's.
    sounds.log.clear();
    s.armour = 0.25f;
    s.anomalyZone = -1;
    EXPECT_EQ(Run(s), -1);
    EXPECT_EQ(sounds.log,
              (std::vector<std::string>{"stop SND_C_DAMAGE_CRITICAL_L", "stop SND_C_ANOMALY_DAMAGE"}));
    // Death ends whatever loops.
    s.armour = 0.1f;
    Run(s);
    sounds.log.clear();
    EXPECT_EQ(Run(SCockpitState{}), -1);
    EXPECT_EQ(sounds.log,
              (std::vector<std::string>{"stop SND_C_DAMAGE_CRITICAL_L", "stop SND_C_ANOMALY_DAMAGE"}));
    EXPECT_EQ(bits & (CCockpitWarnings::kCriticalLoop | CCockpitWarnings::kAnomalyLoop), 0u);
}

TEST_F(CockpitWarnings, TheHudShowsTheLastRuleThatHolds)
{
    SCockpitState s = Alive();
    s.energy = 0.1f;
    EXPECT_EQ(Run(s), 6);
    s.armour = 0.1f;
    EXPECT_EQ(Run(s), 4);
    s.watched = true;
    EXPECT_EQ(Run(s), 5);
    s.stasis = true;
    EXPECT_EQ(Run(s), 7);
    s.anomalyZone = 12;
    EXPECT_EQ(Run(s), 12);
}

TEST_F(CockpitWarnings, GunsAndCoreDamageSoundOnlyOnTheirRisingEdges)
{
    SCockpitState s = Alive();
    s.guns[0].mounted = true;
    s.guns[0].fireTime = 5.0f;
    s.guns[0].rateOfFire = 0.5f;
    s.partDamage[0] = 0.8f;
    s.partDamage[3] = 0.9f; // the fourth item is not fitted
    Run(s);
    EXPECT_EQ(sounds.log, (std::vector<std::string>{"SND_C_WEAPON_READY", "SND_C_DAMAGE_CORE"}));
    EXPECT_EQ(bits & CCockpitWarnings::kCoreBits, 0x10u);
    sounds.log.clear();
    Run(s);
    EXPECT_TRUE(sounds.log.empty());
    // Overheated this frame: not also "not available".
    s.guns[0].overheated = true;
    s.guns[0].stateCode = 2;
    Run(s);
    EXPECT_EQ(sounds.log, (std::vector<std::string>{"SND_C_WEAPON_OVERHEAT"}));
    sounds.log.clear();
    Run(s);
    EXPECT_EQ(sounds.log, (std::vector<std::string>{"SND_C_WEAPON_NA"}));
}
// A gun as the warnings read it: its weapon's firing time and rate, how
// hot it is, how far its reload has come and this frame's trigger result.
TEST(CockpitGun, TheSnapshotReadsHeatReloadAndTheTriggersResult)
{
    SGunParameters type;
    type.m_fFireTime = 5.0f;
    type.m_fRateOfFire = 0.5f;
    CGun gun;
    EXPECT_FALSE(ReadCockpitGun(gun).mounted);
    gun.m_pRecord = &type;
    EXPECT_FALSE(ReadCockpitGun(gun).mounted) << "a record without a mount";
    gun.m_bMounted = 1;
    struct SCase
    {
        float heat, reload;
        std::uint8_t overheated;
        std::int32_t result;
        float charge, condition;
    };
    for (const SCase& c : {SCase{0.0f, 0.0f, 0, GUN_OK, 1.0f, 1.0f}, SCase{4.5f, 0.0f, 0, GUN_OK, 0.1f, 1.0f},
                           SCase{5.0f, 0.0f, 1, GUN_OVERHEATED, 0.0f, 1.0f},
                           SCase{0.0f, 1.0f, 0, GUN_RELOADING, 1.0f, 0.5f},
                           SCase{0.0f, 9.0f, 0, GUN_NO_AMMO, 1.0f, 0.0f}})
    {
        gun.m_fHeat = c.heat;
        gun.m_fReload = c.reload;
        gun.m_bOverheated = c.overheated;
        gun.m_nPrevFireResult = c.result;
        const SCockpitState::SGun g = ReadCockpitGun(gun);
        EXPECT_TRUE(g.mounted);
        EXPECT_EQ(g.overheated, c.overheated != 0) << c.heat;
        EXPECT_NEAR(g.chargeRatio, c.charge, 1e-6f) << c.heat;
        EXPECT_NEAR(g.condition, c.condition, 1e-6f) << c.reload;
        EXPECT_EQ(g.stateCode, c.result);
        EXPECT_FLOAT_EQ(g.fireTime, 5.0f);
        EXPECT_FLOAT_EQ(g.rateOfFire, 0.5f);
    }
    gun.m_pRecord = nullptr;
}

// Read and analysed together: a gun close to overheating warns once.
TEST_F(CockpitWarnings, AGunCloseToOverheatingWarnsOnce)
{
    SGunParameters type;
    type.m_fFireTime = 5.0f;
    type.m_fRateOfFire = 2.0f;
    CGun gun;
    gun.m_pRecord = &type;
    gun.m_bMounted = 1;
    gun.m_fHeat = 4.5f;
    SCockpitState s = Alive();
    s.guns[1] = ReadCockpitGun(gun);
    Run(s);
    Run(s);
    EXPECT_EQ(sounds.log, (std::vector<std::string>{"SND_C_WEAPON_OVERHEAT_WARN"}));
    EXPECT_EQ(bits & 0x8000u, 0x8000u);
    gun.m_pRecord = nullptr;
}
} // namespace
