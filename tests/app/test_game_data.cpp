// The player's progress: rating levels, the events that feed the counters,
// the statistics, the clan look, the GAMEDATA chunk of every version and
// the scripts' calls into it.
#include "app/GameData.h"

#include "common/LogDirTest.h"
#include "common/NullOrganization.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "graphics/ModelManager.h"
#include "hud/radar/Radar.h"
#include "script/BuiltInTestUtil.h"
#include "society/OrgManager.h"
#include "world/MMEngine.h"
#include "world/MMObject.h"
#include "world/ObjectTypes.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

class CFakeMechanoid : public IWorldMechanoid
{
public:
    explicit CFakeMechanoid(float price) : m_fPrice(price) {}
    void Run(float) override {}
    float GetPrice(bool) override { return m_fPrice; }
    void SaveToStream(CMemStream&) override {}
    void LoadFromStream(CMemStream&) override {}
    void SetPendingValues(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    std::uint32_t GetStreamValue() override { return 0; }
    float m_fPrice;
};

// An organisation with a fixed strength and member count.
class CFakeOrganisation : public testutil::CNullOrganization
{
public:
    CFakeOrganisation(const char* name, int power, int members, bool alerted)
        : CNullOrganization(name), m_nPower(power), m_nMembers(members)
    {
        m_Data.outOfLocation = alerted ? 1 : 0;
    }
    int GetPower() override { return m_nPower; }
    void GetCounters(std::int32_t out[8]) override
    {
        CNullOrganization::GetCounters(out);
        out[0] = m_nMembers;
    }

    int m_nPower;
    int m_nMembers;
};

// The world of the location "NORTH" whose entry 0 is the player's record
// (of "ORG_PLAYER", with a glider configuration worth 2500), as g_pWorld.
struct SPlayerWorld
{
    SPlayerWorld()
    {
        CopyName(world.m_szLocationName, "NORTH");
        CopyName(player.m_szOrg, "ORG_PLAYER");
        player.m_pMechanoid = new CFakeMechanoid(2500.0f);
        world.SetPlayerMech(&player);
        g_pWorld = &world;
    }
    ~SPlayerWorld() { g_pWorld = nullptr; }

    CPlayerMech player;
    CWorld world;
};

class GameData : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        m_data.OnNewGame();
    }
    void TearDown() override
    {
        g_pModelManager = nullptr;
        g_pOrgManager = nullptr;
        g_pQuestLog = nullptr;
        CLogDirTest::TearDown();
    }
    bool Logged(const std::string& line) const
    {
        return ReadText("error.log").find(line) != std::string::npos;
    }

    SPlayerWorld m_scene;
    CPlayerMech& m_player = m_scene.player;
    CWorld& m_world = m_scene.world;
    CGameData m_data;
};

std::vector<std::uint8_t> Saved(const CGameData& data)
{
    CMemStream stream;
    data.SaveToStream(stream);
    return {stream.m_pData, stream.m_pData + stream.m_nPosition};
}

void Load(CGameData& data, const std::vector<std::uint8_t>& bytes)
{
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
    data.LoadFromStream(stream);
}

// A chunk as an older program wrote it.
struct SChunk
{
    std::vector<std::uint8_t> bytes;

    SChunk& U32(std::uint32_t v) { return Raw(&v, 4); }
    SChunk& F32(float v) { return Raw(&v, 4); }
    SChunk& Raw(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
        return *this;
    }
    SChunk& Name(const char* text)
    {
        const CName32 name = MakeName32(text);
        return Raw(name.name, 32);
    }
    SChunk& Text(const char* text)
    {
        U32(static_cast<std::uint32_t>(std::strlen(text)));
        return Raw(text, std::strlen(text));
    }
};

TEST(RatingLevels, PointsToSpotLevel)
{
    const struct
    {
        float points;
        std::int32_t level;
        float fraction;
        float spot;
    } cases[] = {
        {0.0f, 0, 0.0f, 1.0f},           {-30.0f, 0, 0.0f, 1.0f},
        {25.0f, 1, 0.5f, 1.5f},          {49.9f, 1, 0.99f, 1.99f},
        {50.0f, 2, 0.0f, 2.0f},          {350.0f, 3, 0.5f, 3.5f},
        {9999999.0f, 10, 0.99f, 10.99f}, {1e7f, 10, 1.0f, 11.0f},
        {5e8f, 10, 1.0f, 11.0f},         {NAN, 0, 0.0f, 1.0f},
    };
    for (const auto& c : cases)
    {
        std::int32_t level = -1;
        float fraction = -1.0f;
        CGameData::RatingToLevel(c.points, level, fraction);
        EXPECT_EQ(level, c.level) << c.points;
        EXPECT_NEAR(fraction, c.fraction, 1e-4f) << c.points;
        EXPECT_NEAR(CGameData::SpotLevel(c.points), c.spot, 1e-4f) << c.points;
    }
    EXPECT_EQ(CGameData::SpotToRating(SRatingPair{1000.0f, 100.0f}), 4); // 3.8 rounds to 4
}

TEST_F(GameData, DeductionStopsAtNothingLeftAndTheLevelFollows)
{
    m_data.ChangeRating0(120.0f);
    m_data.ChangeRating0(-20.0f);
    EXPECT_EQ(m_data.m_Counters.ratings[0].spent, 20.0f);
    m_data.ChangeRating0(-500.0f); // more than remains
    EXPECT_EQ(m_data.m_Counters.ratings[0].spent, 120.0f);
    EXPECT_EQ(m_data.GetRatingLevel(0), 1.0f);
    // The trade rating's level counts the points alone.
    m_data.ChangeRating1(300.0f);
    m_data.ChangeRating1(-300.0f);
    EXPECT_NEAR(m_data.GetRatingLevel(1), 3.3333f, 1e-3f);

    m_data.AddRating(m_data.m_Counters.ratings[2], -5.0f);
    EXPECT_EQ(m_data.m_Counters.ratings[2].points, 0.0f);
    EXPECT_TRUE(Logged("Fail for increase rating on -5"));
    EXPECT_EQ(m_data.GetRatingLevel(3), 0.0f);
}

TEST_F(GameData, PlayerClassFollowsTheDominantRatingTiesToTheLowerKind)
{
    const struct
    {
        float points[3];
        std::int32_t rankClass;
    } cases[] = {
        {{0.0f, 0.0f, 0.0f}, 0},        // all equal
        {{0.0f, 200.0f, 200.0f}, 1},    // L2 = L1 > L0
        {{0.0f, 200.0f, 500.0f}, 2},    // L2 highest
        {{1500.0f, 200.0f, 500.0f}, 0}, // L0 highest
        {{500.0f, 500.0f, 0.0f}, 0},    // L1 = L0
    };
    for (const auto& c : cases)
    {
        for (int kind = 0; kind < 3; ++kind)
            m_data.m_Counters.ratings[kind] = SRatingPair{c.points[kind], 0.0f};
        m_data.UpdatePlayerClass();
        EXPECT_EQ(m_player.m_nRatingClass, c.rankClass)
            << c.points[0] << " " << c.points[1] << " " << c.points[2];
    }
    m_data.m_Counters.ratings[2] = SRatingPair{650.0f, 0.0f}; // level 4.15
    m_data.UpdatePlayerClass();
    EXPECT_NEAR(m_player.m_fLevel, 4.15f, 1e-4f);
    EXPECT_EQ(m_player.m_nLevel, 4);
    EXPECT_EQ(m_player.m_nBaseLevel, 4);
}

TEST_F(GameData, SetRatingLevelKeepsToTheTable)
{
    const struct
    {
        int level;
        float points;
        bool logged;
    } cases[] = {{3, 200.0f, false}, {11, 1e7f, false}, {1, 0.0f, false},
                 {0, 0.0f, true},    {12, 1e7f, true},  {-40, 0.0f, true}};
    for (const auto& c : cases)
    {
        m_data.m_Counters.ratings[1] = SRatingPair{77.0f, 5.0f};
        m_data.SetRatingLevel(1, c.level);
        EXPECT_EQ(m_data.m_Counters.ratings[1].points, c.points) << c.level;
        EXPECT_EQ(m_data.m_Counters.ratings[1].spent, 0.0f) << c.level;
        EXPECT_EQ(Logged("level " + std::to_string(c.level) + " is outside 1..11"), c.logged) << c.level;
    }
    m_data.SetRatingLevel(5, 2);
    EXPECT_TRUE(Logged("SetRatingLevel: no rating of kind 5"));
}

TEST_F(GameData, TradeAndWeaponEventsFeedTheCounters)
{
    m_data.OnBuyGood(10.0f, 3);
    m_data.OnBuyGood(10.0f, 0);
    m_data.OnBuyGood(10.0f, -3); // no purchase of four billion goods
    EXPECT_EQ(m_data.m_Counters.goodsBought, 30.0f);
    m_data.OnSoldGood(100.0f, 2, false);
    m_data.OnSoldGood(100.0f, 2, true);
    m_data.OnSoldGood(100.0f, -2, true);
    EXPECT_EQ(m_data.m_Counters.goodsSold, 200.0f);
    EXPECT_EQ(m_data.m_Counters.goodsSoldSecond, 200.0f);
    EXPECT_NEAR(m_data.m_Counters.ratings[1].points, 0.03f + 0.2f + 0.1f, 1e-5f);

    for (int kind : {2, 4, 4, 9, 9, 9, 7})
        m_data.OnFireWeapon(kind);
    EXPECT_EQ(m_data.m_Counters.weaponsFired[0], 1u);
    EXPECT_EQ(m_data.m_Counters.weaponsFired[1], 2u);
    EXPECT_EQ(m_data.m_Counters.weaponsFired[2], 3u);
    m_data.OnSpendMoney(5.0f, 1);
    m_data.OnSpendMoney(6.0f, 2);
    m_data.OnSpendMoney(7.0f, 3);
    m_data.OnSpendMoney(8.0f, 4);
    EXPECT_EQ(m_data.m_Counters.spent1 + m_data.m_Counters.spent2 + m_data.m_Counters.spent3, 18.0f);

    // A new game has records for gun types 0-4; another type gets one on
    // its first shot, but its damage alone is only logged.
    ASSERT_EQ(m_data.m_Weapons.count, 5u);
    m_data.OnShoot(4.0f, 1);
    m_data.OnDamageObject(3.0f, 1);
    m_data.OnShoot(2.0f, 8);
    EXPECT_EQ(m_data.m_Weapons.count, 6u);
    m_data.OnDamageObject(1.0f, 12);
    EXPECT_TRUE(Logged("We can not shooting at Unknown Gun"));
    EXPECT_EQ(m_data.m_Weapons[1].shots, 4.0f);
    EXPECT_EQ(m_data.m_Weapons[1].damage, 3.0f);
}

TEST_F(GameData, KillsMachinesLocationsAndBuildings)
{
    CMech victim;
    CopyName(victim.m_szOrg, "CLAN_A");
    victim.m_nLevel = 2;
    victim.m_pMechanoid = new CFakeMechanoid(7000.0f);
    m_data.OnPlayerKill(&victim);
    m_data.OnPlayerKill(&victim);
    ASSERT_EQ(m_data.m_Kills.count, 1u);
    EXPECT_EQ(m_data.m_Kills[0].kills, 2);
    // 7000 / (2 x 1000 + 5000) + 3 x 2 x 0.5, twice.
    EXPECT_NEAR(m_data.m_Counters.ratings[2].points, 8.0f, 1e-4f);

    CMMObject flyer, gatherer;
    flyer.m_nType = OBJ_FLYTEH;
    gatherer.m_nType = OBJ_GATHERER;
    m_data.OnDestroyMachine(&flyer);
    m_data.OnDestroyMachine(&gatherer);
    EXPECT_EQ(m_data.m_Counters.flyersDestroyed, 1u);
    EXPECT_EQ(m_data.m_Counters.gatherersDestroyed, 1u);
    EXPECT_EQ(m_data.m_Counters.ratings[2].spent, 8.0f); // no more than there was

    m_data.OnCaptureLocation("NORTH");
    m_data.OnCaptureLocation("NORTH");
    EXPECT_EQ(m_data.m_CapturedLocations.GetCount(), 1);
    m_data.OnLeaveLocation("SOUTH");
    EXPECT_TRUE(Logged("Location SOUTH is not capture"));
    m_data.OnLeaveLocation("NORTH");
    EXPECT_EQ(m_data.m_CapturedLocations.GetCount(), 0);

    // Buildings count only in a location that has a statistics record.
    m_data.CaptureBuilding("ORG_PLAYER", "HALL");
    EXPECT_EQ(m_data.m_LocStatistics.count, 0u);
    SGameStatistics statistics;
    m_data.GetStatistics("NORTH", statistics, false);
    m_data.CaptureBuilding("ORG_PLAYER", "HALL");
    m_data.CaptureBuilding("CLAN_A", "HALL");
    m_data.LeaveBuilding("ORG_PLAYER", "HALL");
    m_data.ConvictMech("MECH_1", "ORG_PLAYER");
    m_data.OnMechDie();
    m_data.GetStatistics("NORTH", statistics, false);
    EXPECT_EQ(statistics.buildingsCaptured, 1);
    EXPECT_EQ(statistics.buildingsLost, 1);
    EXPECT_EQ(statistics.convicted, 1u);
    EXPECT_EQ(statistics.mechDeaths, 1u);
    ASSERT_NE(statistics.kills, nullptr);
    EXPECT_EQ(statistics.kills->count, 1u);
}

TEST_F(GameData, StatisticsShareRatiosAndQuests)
{
    m_world.m_Organizations.push_back(std::make_unique<CFakeOrganisation>("ORG_PLAYER", 30, 4, false));
    m_world.m_Organizations.push_back(std::make_unique<CFakeOrganisation>("CLAN_A", 90, 9, false));
    m_world.m_Organizations.push_back(std::make_unique<CFakeOrganisation>("CLAN_B", 500, 9, true));
    CQuestLog quests;
    quests.AddQuest("Q1", "T1", 1, "");
    quests.AddQuest("Q2", "T2", 2, "");
    quests.AddQuest("Q3", "T3", 3, "");
    quests.SetQuestCompleted("Q1");
    quests.SetQuestFailed("Q2");
    g_pQuestLog = &quests;
    m_data.OnShoot(4.0f, 0);
    m_data.OnDamageObject(3.0f, 0);
    m_data.OnCaptureLocation("WEST");

    SGameStatistics statistics;
    statistics.weaponRatios[4] = 9.0f;
    m_data.GetStatistics("NORTH", statistics, true);
    EXPECT_NEAR(statistics.playerShare, 0.25f, 1e-6f); // CLAN_B is alerted: not counted
    EXPECT_EQ(statistics.members, 4u);
    EXPECT_EQ(statistics.capturedLocations, 1u);
    EXPECT_EQ(statistics.money[4], 2500.0f); // the player's configuration
    EXPECT_EQ(statistics.weaponRatios[0], 0.75f);
    EXPECT_EQ(statistics.weaponRatios[4], 0.0f); // a gun type without shots
    EXPECT_EQ(statistics.questsCompleted, 1u);
    EXPECT_EQ(statistics.questsFailed, 1u);
    EXPECT_EQ(statistics.questsActive, 1u);

    // Without the ratio flag the ratios are the caller's.
    SGameStatistics again;
    again.weaponRatios[0] = -1.0f;
    m_data.GetStatistics("NORTH", again, false);
    EXPECT_EQ(again.weaponRatios[0], -1.0f);
}

TEST_F(GameData, ClanLookGoesIntoThePlayerOrganisationsRecord)
{
    COrgManager orgs;
    orgs.SetTable({"ORG_FREE", "ORG_PLAYER"}, {SOrgRecord{}, SOrgRecord{}});
    g_pOrgManager = &orgs;
    m_data.m_nClanIcon = 3;
    m_data.m_nClanColour = 0xFF2A4767;
    m_data.ApplyClanLook(); // the world has no such organisation yet
    EXPECT_EQ(orgs.GetRecord(1)->m_nColour, 0u);

    m_world.m_Organizations.push_back(std::make_unique<CFakeOrganisation>("ORG_PLAYER", 1, 1, false));
    m_data.ApplyClanLook();
    EXPECT_EQ(orgs.GetRecord(1)->m_nColour, 0xFF2A4767u);
    EXPECT_EQ(orgs.GetRecord(1)->IconModelIndex(), 3);
    EXPECT_EQ(orgs.GetRecord(0)->m_nColour, 0u);
}

// Everything the chunk holds, set to values of its own.
void Fill(CGameData& data)
{
    data.OnNewGame();
    data.m_PlayerName = "Ilsa";
    data.m_ClanName = "\xD0\xEE\xE9"; // code page 1251
    data.m_BuildingName.Set("HALL_7");
    data.m_Counters.goodsBought = 11.0f;
    data.m_Counters.spent3 = 7.0f;
    data.m_Counters.ratings[2] = SRatingPair{600.0f, 50.0f};
    data.m_Counters.convicted = 5;
    SGameStatistics statistics;
    data.GetStatistics("NORTH", statistics, false);
    data.m_LocStatistics[0].captured = 2;
    data.m_Kills.Append(SOrgKills{"CLAN_A", 4});
    data.OnCaptureLocation("NORTH");
    data.OnShoot(10.0f, 2);
    SLocInfo& info = data.GetLocInfo("SOUTH");
    info.tickets = 3;
    info.subscription = 1;
    std::snprintf(info.stateFile, sizeof info.stateFile, "SOUTH_2.loc");
    data.GetLocInfo("EAST").mapBought = 1;
    data.m_nClanIcon = 1;
    data.m_nClanColour = 0xFF2A4767;
}

TEST_F(GameData, ChunkRoundTripsWithItsLayout)
{
    CModelManager models;
    models.m_Names.Init(4, 64);
    models.m_Names.Add("MOD_ICO_00");
    models.m_Names.Add("MOD_ICO_01_USER");
    models.m_nCount = 2;
    g_pModelManager = &models;
    Fill(m_data);
    const std::vector<std::uint8_t> bytes = Saved(m_data);

    std::uint32_t word;
    std::memcpy(&word, bytes.data(), 4);
    EXPECT_EQ(word, 16u);
    std::memcpy(&word, bytes.data() + 4 + 84, 4);
    EXPECT_EQ(word, 5u); // counter 22 ends the 88-byte block
    std::memcpy(&word, bytes.data() + 92, 4);
    EXPECT_EQ(word, 1u); // one location statistics record
    const std::size_t tail = bytes.size() - 36;
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + tail), "MOD_ICO_01_USER");

    CGameData loaded;
    Load(loaded, bytes);
    EXPECT_EQ(Saved(loaded), bytes);
    EXPECT_STREQ(loaded.m_PlayerName.GetText(), "Ilsa");
    EXPECT_STREQ(loaded.m_BuildingName.name, "HALL_7");
    ASSERT_NE(loaded.FindLocInfo("SOUTH"), nullptr);
    EXPECT_EQ(loaded.FindLocInfo("SOUTH")->tickets, 3u);
    EXPECT_EQ(loaded.m_nClanIcon, 1);
    EXPECT_EQ(loaded.m_LocInfo.capacity, 2u); // exactly the stored count
    EXPECT_EQ(loaded.m_LocInfo.step, 8u);
    // The player's record takes the loaded combat level.
    EXPECT_EQ(m_player.m_nLevel, 4);

    // An icon the model list no longer has reads back as none.
    models.m_nCount = 1;
    models.m_Names.Empty();
    models.m_Names.Add("MOD_ICO_00");
    Load(loaded, bytes);
    EXPECT_EQ(loaded.m_nClanIcon, -1);
}

TEST_F(GameData, VersionFiveEmptiesTheCountersAndStatisticsOnly)
{
    Fill(m_data);
    Load(m_data, SChunk{}.U32(5).bytes);
    EXPECT_EQ(m_data.m_Counters.goodsBought, 0.0f);
    EXPECT_EQ(m_data.m_Counters.ratings[2].points, 0.0f);
    EXPECT_EQ(m_data.m_LocStatistics.count, 0u);
    EXPECT_EQ(m_data.m_Kills.count, 0u);
    EXPECT_EQ(m_data.m_CapturedLocations.GetCount(), 0);
    EXPECT_EQ(m_data.m_Weapons.count, 0u);
    EXPECT_STREQ(m_data.m_PlayerName.GetText(), "Ilsa");
    EXPECT_STREQ(m_data.m_BuildingName.name, "HALL_7");
    EXPECT_EQ(m_data.m_LocInfo.count, 2u);
    EXPECT_EQ(m_data.m_nClanColour, 0xFF2A4767u);
    EXPECT_EQ(m_player.m_nLevel, 1);
}

// Versions 6-8 (80-byte counters) and 9 (88 bytes): negative spent values
// turn positive; the names come from 7 and the clan look from 8.
TEST_F(GameData, OlderVersionsReadWithTheirFallbacks)
{
    for (std::uint32_t version : {6u, 7u, 8u, 9u, 16u})
    {
        Fill(m_data);
        SChunk chunk;
        chunk.U32(version);
        for (float v : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f})
            chunk.F32(v);
        if (version >= 9) chunk.F32(6.0f).F32(7.0f);
        chunk.F32(100.0f).F32(-40.0f).F32(10.0f).F32(0.0f).F32(700.0f).F32(-100.0f);
        for (std::uint32_t i = 14; i <= 22; ++i)
            chunk.U32(i);
        chunk.U32(0).U32(0).U32(1).Name("WEST").U32(0);
        if (version >= 7)
        {
            chunk.Name("GATE").Text("CLAN").Text("Vera");
            SLocInfo info;
            CopyName(info.location, "WEST");
            info.tickets = 2;
            chunk.U32(1).Raw(&info, sizeof info);
        }
        if (version >= 8) chunk.Name("_DEFAULT_").U32(0xFF00FF00);
        Load(m_data, chunk.bytes);

        const SGameCounters& c = m_data.m_Counters;
        EXPECT_EQ(c.configValue, 5.0f) << version;
        EXPECT_EQ(c.spent2, version >= 9 ? 6.0f : 0.0f) << version;
        EXPECT_EQ(c.spent3, version >= 9 ? 7.0f : 0.0f) << version;
        EXPECT_EQ(c.ratings[0].points, 100.0f) << version;
        EXPECT_EQ(c.ratings[0].spent, version <= 9 ? 40.0f : -40.0f) << version;
        EXPECT_EQ(c.ratings[2].spent, version <= 9 ? 100.0f : -100.0f) << version;
        EXPECT_EQ(c.flyersDestroyed, 14u) << version;
        EXPECT_EQ(c.convicted, 22u) << version;
        EXPECT_EQ(m_data.m_CapturedLocations.Find("WEST"), 0) << version;
        EXPECT_EQ(m_data.m_Weapons.count, 0u) << version;
        EXPECT_STREQ(m_data.m_PlayerName.GetText(), version >= 7 ? "Vera" : "Ilsa") << version;
        EXPECT_EQ(m_data.FindLocInfo("WEST") != nullptr, version >= 7) << version;
        EXPECT_EQ(m_data.m_nClanColour, version >= 8 ? 0xFF00FF00u : 0xFF2A4767u) << version;
        EXPECT_EQ(m_data.m_nClanIcon, version >= 8 ? -1 : 1) << version;
    }
}

TEST_F(GameData, DamagedOrNewerChunksChangeNothing)
{
    Fill(m_data);
    const std::vector<std::uint8_t> good = Saved(m_data);
    std::vector<std::vector<std::uint8_t>> damaged;
    for (std::size_t cut : {std::size_t(0), std::size_t(3), std::size_t(50), std::size_t(100),
                            good.size() / 2, good.size() - 1})
        damaged.emplace_back(good.begin(), good.begin() + std::ptrdiff_t(cut));
    std::vector<std::uint8_t> newer = good;
    newer[0] = 17;
    damaged.push_back(newer);
    std::vector<std::uint8_t> huge = good;
    huge[92] = huge[93] = huge[94] = 0xFF; // location statistics count
    damaged.push_back(huge);

    for (const auto& bytes : damaged)
    {
        EXPECT_THROW(Load(m_data, bytes), CStreamError) << bytes.size();
        EXPECT_EQ(Saved(m_data), good) << bytes.size();
    }
    try
    {
        Load(m_data, newer);
    }
    catch (const CStreamError& error)
    {
        EXPECT_STREQ(error.what(), "GAMEDATA at byte 4: version 17 is newer than 16");
    }
}

// The scripts' built-ins reach the progress through the installed calls.
class GameDataScripts : public builtintest::CBuiltInTest
{
protected:
    void SetUp() override
    {
        CBuiltInTest::SetUp();
        g_GameData.OnNewGame();
        InstallGameDataCalls();
    }
    void TearDown() override
    {
        RemoveGameDataCalls();
        g_GameData.OnNewGame();
        CBuiltInTest::TearDown();
    }

    SPlayerWorld m_scene;
    CPlayerMech& m_player = m_scene.player;
};

TEST_F(GameDataScripts, RatingsNamesAndKeys)
{
    Call(7, true, {"3", "600"}); // combat rating
    Call(7, true, {"2", "60"});  // script rating
    Call(7, true, {"2", "-10"});
    EXPECT_EQ(g_GameData.m_Counters.ratings[2].points, 600.0f);
    EXPECT_EQ(g_GameData.m_Counters.ratings[0].spent, 10.0f);
    EXPECT_EQ(Call(90, false, {"0"}), "4"); // "0" asks the combat rating
    EXPECT_EQ(m_player.m_nLevel, 4);

    Call(85, true, {"SOUTH", "0"});
    Call(85, true, {"SOUTH", "0"});
    Call(85, true, {"EAST", "1"});
    EXPECT_EQ(g_GameData.FindLocInfo("SOUTH")->tickets, 2u);
    EXPECT_EQ(g_GameData.FindLocInfo("EAST")->subscription, 1);
    EXPECT_EQ(Call(86, false, {"EAST"}), "1");
    EXPECT_EQ(Call(86, false, {"WEST"}), "0");
    EXPECT_EQ(g_GameData.FindLocInfo("WEST"), nullptr); // asking adds no record

    g_pfnLocationMapRevealed();
    EXPECT_EQ(g_GameData.GetLocInfo("NORTH").mapBought, 1);

    Call(76, true, {"PLAYER", "Ilsa"}); // the player renamed
    EXPECT_STREQ(g_GameData.m_PlayerName.GetText(), "Ilsa");
    g_GameData.m_ClanName = "Wolves";
    CXAnsiString text = "%NAME of %MYCLANNAME";
    m_manager->UpdateStringWithNames(text);
    EXPECT_STREQ(text.GetText(), "Ilsa of Wolves");
    EXPECT_EQ(Log(), "");
}

} // namespace
