// The world state's tables and the mech records, with organisations faked
// behind the world's organisation interface.
#include "common/LogDirTest.h"
#include "common/NullOrganization.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "WorldTestScene.h"

#include "world/Trade.h"
#include "world/Camera.h"
#include "world/KindManagers.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"
#include "world/TypeManagers.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace
{

class CFakeOrg : public testutil::CNullOrganization
{
public:
    CFakeOrg(const char* name, int power) : CNullOrganization(name), m_Power(power) {}
    SOrgData* GetData() override { return m_pRecord ? m_pRecord : &m_Data; }
    int GetPower() override { return m_Power; }
    void OnClusterLeft(const char* b) override { m_Calls.push_back(std::string("left ") + b); }
    void OnCapture(const char* b) override { m_Calls.push_back(std::string("captured ") + b); }
    void OnOtherCapture(const char* b) override { m_Calls.push_back(std::string("other ") + b); }
    void RemoveMech(CMech*) override { m_Calls.push_back("remove"); }
    void AddMech(CMech*) override { m_Calls.push_back("add"); }
    bool CanConvict() override { return true; }
    void OnConvicted(CMech*) override { m_Calls.push_back("convicted"); }
    void Run(float) override { m_Calls.push_back("run"); }
    void SetFunds(double funds) override { m_Funds = funds; }
    double GetFunds() override { return m_Funds; }
    std::uint32_t GetColour() override { return 0x112233; }
    void GetCounters(std::int32_t out[8]) override { std::copy(m_Counters, m_Counters + 8, out); }
    const char* GetLeaderId() override { return m_Leader.c_str(); }
    const char* GetStatName() override { return "BASE"; }
    float GetStatValue() override { return 0.5f; }

    SOrgData* m_pRecord = nullptr; // the world's record, when made by the world
    int m_Power;
    double m_Funds = 0.0;
    std::int32_t m_Counters[8] = {};
    std::string m_Leader;
    std::vector<std::string> m_Calls;
};

class CEvents : public IMMAppEvent
{
public:
    void OnCaptureLocation(const char* org, const char* location) override
    {
        m_Calls.push_back(std::string("capture ") + org + " " + location);
    }
    void OnScriptEvent(const char* object, const char* event, const char arg[32]) override
    {
        m_Calls.push_back(std::string(event) + " " + object + " " + arg);
    }
    std::vector<std::string> m_Calls;
};

class WorldState : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        g_pWorld = &m_World;
        g_pAppEvent = &m_Events;
    }
    void TearDown() override
    {
        g_pWorld = nullptr;
        g_pAppEvent = nullptr;
        testutil::CLogDirTest::TearDown();
    }
    CFakeOrg* AddOrg(const char* name, int power)
    {
        m_World.m_Organizations.push_back(std::make_unique<CFakeOrg>(name, power));
        return static_cast<CFakeOrg*>(m_World.m_Organizations.back().get());
    }
    CMech* Mech(const char* id, const char* org)
    {
        CMech* m = m_World.AddMech(id);
        std::strcpy(m->m_szOrg, org);
        return m;
    }

    CWorld m_World;
    CEvents m_Events;
};

TEST_F(WorldState, FindMechTriesIdAndDisplayNameOfEachMechInTurn)
{
    CMech* a = Mech("ALPHA", "ORG_A");
    std::strcpy(a->m_szName, "BETA");
    CMech* b = Mech("BETA", "ORG_A");
    std::strcpy(b->m_szName, "Bee");
    EXPECT_EQ(m_World.FindMech("BETA"), a); // a's display name comes first
    EXPECT_EQ(m_World.FindMech("Bee"), b);
    EXPECT_EQ(m_World.FindMechByName("BETA"), a);
    EXPECT_EQ(m_World.FindMech("NONE"), nullptr);
}

TEST_F(WorldState, CaptureReleasesForeignGarrisonsAndTheTableIsBounded)
{
    CFakeOrg* a = AddOrg("ORG_A", 1);
    CFakeOrg* b = AddOrg("ORG_B", 1);
    Mech("A1", "ORG_A");
    Mech("B1", "ORG_B");
    m_World.SetMechInCluster("A1", "HALL");
    m_World.SetMechInCluster("B1", "HALL");
    ASSERT_TRUE(m_World.CaptureBuilding("ORG_B", "HALL"));
    EXPECT_EQ(m_World.FindMech("A1")->m_bInCluster, 0);
    EXPECT_EQ(m_World.FindMech("B1")->m_bInCluster, 1);
    EXPECT_EQ(a->m_Calls.back(), "other HALL");
    EXPECT_EQ(b->m_Calls.back(), "captured HALL");
    EXPECT_STREQ(m_World.FindBuilding("HALL")->owner, "ORG_B");
    std::vector<std::string> ids;
    m_World.GetMechInCluster("HALL", "ORG_X", ids);
    EXPECT_EQ(ids, std::vector<std::string>{"B1"});
    EXPECT_EQ(m_Events.m_Calls.back(), "OnClusterMech B1 HALL");

    // The garrison leaves: its organisation is told and the record goes.
    m_World.MechLeaveBuilding("B1");
    EXPECT_EQ(b->m_Calls.back(), "left HALL");
    EXPECT_EQ(m_World.FindBuilding("HALL"), nullptr);

    for (int i = 0; i < CWorld::kMaxBuildings; ++i)
        EXPECT_TRUE(m_World.CaptureBuilding("ORG_A", ("B" + std::to_string(i)).c_str()));
    EXPECT_FALSE(m_World.CaptureBuilding("ORG_A", "ONE_TOO_MANY"));
    EXPECT_EQ(m_World.m_nBuildings, CWorld::kMaxBuildings);
    EXPECT_NE(ReadText("error.log").find("no room for building 'ONE_TOO_MANY'"), std::string::npos);
    m_World.ReleaseBuilding("B0");
    EXPECT_STREQ(m_World.m_Buildings[0].name, "B1");
}

TEST_F(WorldState, ALocationFallsOnlyAboveAShareOfFiftyFivePercent)
{
    struct SCase
    {
        int power, others;
        bool falls;
    } cases[] = {{55, 45, false}, {56, 44, true}, {0, 0, false}};
    for (const SCase& c : cases)
    {
        m_World.m_Organizations.clear();
        m_Events.m_Calls.clear();
        AddOrg("ORG_PLAYER", 0);
        AddOrg("ORG_A", c.power);
        CFakeOrg* other = AddOrg("ORG_B", c.others);
        CFakeOrg* gone = AddOrg("ORG_GONE", 1000);
        gone->m_Data.outOfLocation = 1; // counts in neither sum
        CMech* m = Mech("M", "ORG_A");
        m->m_nLevel = 1;
        m_World.OnTryConvict("M", "ORG_A");
        EXPECT_EQ(other->m_Data.outOfLocation, c.falls ? 1 : 0) << c.power;
        EXPECT_EQ(m_World.FindOrganization("ORG_PLAYER")->GetData()->outOfLocation, 0);
        const bool captured = !m_Events.m_Calls.empty() && m_Events.m_Calls.back().rfind("capture", 0) == 0;
        EXPECT_EQ(captured, c.falls) << c.power;
    }
}

TEST_F(WorldState, LocationDataRoundTripAndDamage)
{
    SOrgData org{};
    std::strcpy(org.name, "ORG_FIREHALF ");
    org.mechCount = 4;
    org.tradeCount = 1;
    std::strcpy(org.trade[0], "TRADER");
    org.attackCount = 2;
    std::strcpy(org.attack[1], "HEAVY");
    SBuildingRecord hall{};
    std::strcpy(hall.name, "HALL");
    std::strcpy(hall.owner, "ORG_FIREHALF");
    CMemStream block;
    CWorld::WriteLocationData(block, {org}, {hall, hall});
    block.m_nCapacity = block.m_nPosition;
    block.m_nPosition = 0;
    m_World.LoadLocationData(block);
    ASSERT_EQ(m_World.m_OrgData.size(), 1u);
    EXPECT_STREQ(m_World.m_OrgData[0].name, "ORG_FIREHALF");
    EXPECT_EQ(m_World.m_OrgData[0].mechCount, 4);
    EXPECT_STREQ(m_World.m_OrgData[0].trade[0], "TRADER");
    EXPECT_EQ(m_World.m_OrgData[0].attackCount, 2);
    EXPECT_STREQ(m_World.m_OrgData[0].attack[1], "HEAVY");
    EXPECT_EQ(m_World.m_nBuildings, 2);

    // Cut inside the second building: the organisation and one building stay.
    block.m_nCapacity -= 10;
    block.m_nPosition = 0;
    m_World.LoadLocationData(block);
    EXPECT_EQ(m_World.m_OrgData.size(), 1u);
    EXPECT_EQ(m_World.m_nBuildings, 1);
    EXPECT_NE(ReadText("error.log").find("1 organisations and 1 buildings kept"), std::string::npos);
}

TEST_F(WorldState, GrowthDependsOnTheDistanceToTheBaseLevel)
{
    struct SCase
    {
        int level, base;
        double secondsPerLevel;
    } cases[] = {{3, 3, 43200.0}, {4, 3, 43200.0 * std::exp(2.0)}, {1, 5, 21600.0}};
    for (const SCase& c : cases)
    {
        CMech m;
        m.m_nLevel = c.level;
        m.m_nBaseLevel = c.base;
        m.m_fLevel = float(c.level);
        m.Run(float(c.secondsPerLevel / 2));
        EXPECT_NEAR(m.m_fLevel, c.level + 0.5f, 1e-3f) << c.level << "/" << c.base;
        EXPECT_EQ(m.m_nLevel, c.level);
    }
}

TEST_F(WorldState, KillsPricesAndCommand)
{
    auto* player = new CPlayerMech;
    std::strcpy(player->m_szOrg, "ORG_PLAYER");
    player->m_nLevel = 3;
    m_World.SetPlayerMech(player);

    CMech* special = Mech("SPECIAL", "ORG_A");
    special->m_nGeneration = 5;
    special->m_fLevel = 2.3f;
    special->Kill(player);
    EXPECT_FLOAT_EQ(special->m_fLevel, 2.0f);
    EXPECT_EQ(special->m_bDead, 1);

    CMech* plain = Mech("PLAIN", "ORG_A");
    plain->m_fLevel = 0.5f;
    plain->Kill(nullptr);
    EXPECT_EQ(plain->m_nLevel, 0);

    CMech* dear = Mech("DEAR", "ORG_A");
    dear->m_nLevel = 5;
    dear->m_fLevel = 5.0f;
    EXPECT_FLOAT_EQ(dear->GetConvictPrice(1, false), 6180.0f);
    std::strcpy(dear->m_szOrg, "ORG_PLAYER");
    EXPECT_FLOAT_EQ(dear->GetConvictPrice(1, false), 0.0f);

    struct SCase
    {
        int level, groups;
        bool can;
    } cases[] = {{4, 0, true}, {4, 1, false}, {7, 1, true}, {7, 2, false}, {8, 2, true}, {8, 3, false}};
    for (const SCase& c : cases)
    {
        player->m_nLevel = c.level;
        EXPECT_EQ(player->CanAssign(c.groups), c.can) << c.level << " " << c.groups;
    }
    m_World.SetPlayerMech(nullptr);
    delete player;

    struct SModel
    {
        int generation, level;
        const char* name;
    } models[] = {{6, 3, "MOD_EQP_ORGANIC_HACK"},
                  {5, 3, "MOD_TOV_MECHMIND_L5"},
                  {4, 0, "MOD_TOV_MECHMIND_1"},
                  {4, 12, "MOD_TOV_MECHMIND_10"},
                  {4, 7, "MOD_TOV_MECHMIND_7"}};
    for (const SModel& c : models)
    {
        CMech m;
        m.m_nGeneration = c.generation;
        m.m_nLevel = c.level;
        char name[32];
        m.GetMechmindModelName(name);
        EXPECT_STREQ(name, c.name);
    }
}

TEST_F(WorldState, ADeadGarrisonKeepsItsOrganisationAndWaits)
{
    CFakeOrg* org = AddOrg("ORG_A", 1);
    CMech* m = Mech("G", "ORG_A");
    m->m_fLevel = 0.5f; // low enough to be lost, were it not a garrison
    m->m_bDead = 1;
    m->m_bInBuilding = 1;
    m->m_bInCluster = 1;
    m->m_fComebackTimer = 5.0f;
    m->Run(100.0f);
    EXPECT_STREQ(m->m_szOrg, "ORG_A");
    EXPECT_FLOAT_EQ(m->m_fComebackTimer, 0.1f);
    EXPECT_TRUE(org->m_Calls.empty());

    // Not a garrison: lost.
    m->m_bInCluster = 0;
    m->Run(1.0f);
    EXPECT_STREQ(m->m_szOrg, "");
    EXPECT_EQ(m->m_bAlive, 0);
    EXPECT_EQ(org->m_Calls.back(), "remove");

    // Level 1 and more: comes back to its organisation when the timer ends.
    CMech* back = Mech("BACK", "ORG_A");
    back->m_fLevel = 2.0f;
    back->m_bDead = 1;
    back->m_bInBuilding = 1;
    back->m_fComebackTimer = 2.0f;
    back->Run(3.0f);
    EXPECT_EQ(back->m_bDead, 0);
    EXPECT_EQ(org->m_Calls.back(), "add");
}

TEST_F(WorldState, PlayerRecordStreamVersions)
{
    CPlayerMech source;
    std::strcpy(source.m_szId, "PLAYER");
    std::strcpy(source.m_szBuilding, "HALL");
    source.m_fLevel = 3.25f;
    source.m_nComebackCount = 1;
    source.m_GliderValues[0] = 11;
    source.m_GliderValues[1] = 22;
    CMemStream full;
    source.SaveToStream(full);
    const std::uint32_t base = 1 + 4 * 32 + 5 + 4 * 3 + 4 * 3 + 1 + 4;
    ASSERT_EQ(full.m_nPosition, base + 8 + 4 + 1);
    struct SCase
    {
        std::uint8_t version;
        std::uint32_t length;
        std::uint32_t glider0;
    } cases[] = {{0, base, 0}, {1, base + 8, 11}, {2, base + 12, 11}, {3, base + 13, 11}};
    for (const SCase& c : cases)
    {
        CMemStream in;
        std::memcpy(in.Allocate(c.length), full.m_pData, c.length);
        in.m_pData[0] = c.version;
        CPlayerMech read;
        read.LoadFromStream(in);
        EXPECT_EQ(in.m_nPosition, c.length) << int(c.version);
        EXPECT_STREQ(read.m_szId, "PLAYER");
        EXPECT_STREQ(read.m_szBuilding, "HALL");
        EXPECT_FLOAT_EQ(read.m_fLevel, 3.25f);
        EXPECT_EQ(read.m_nComebackCount, 1);
        EXPECT_EQ(read.m_GliderValues[0], c.glider0) << int(c.version);
    }
    // Cut short: one error naming the record.
    CMemStream cut;
    std::memcpy(cut.Allocate(base - 3), full.m_pData, base - 3);
    CPlayerMech read;
    try
    {
        read.LoadFromStream(cut);
        ADD_FAILURE() << "no error";
    }
    catch (const CStreamError& e)
    {
        EXPECT_NE(std::string(e.what()).find("mech record"), std::string::npos) << e.what();
    }
}

TEST_F(WorldState, TheClockRaisesTenAndHourEventsOncePerBoundary)
{
    std::strcpy(m_World.m_szLocationName, "Town");
    CFakeOrg* org = AddOrg("ORG_A", 1);
    struct SCase
    {
        float from, dt;
        std::vector<std::string> events;
    } cases[] = {
        {10.0f, 30.0f, {"OnTen Town "}},
        {110.0f, 30.0f, {"OnTen Town ", "OnHour Town "}},
        {0.0f, 10.0f, {}},
        {100.0f, 200.0f, {"OnTen Town ", "OnHour Town "}}, // several boundaries: once each
    };
    for (const SCase& c : cases)
    {
        m_Events.m_Calls.clear();
        org->m_Calls.clear();
        m_World.m_fTime = c.from;
        m_World.RunWorld(c.dt);
        EXPECT_EQ(m_Events.m_Calls, c.events) << c.from;
        EXPECT_EQ(org->m_Calls.size(), c.events.size() == 2 ? 1u : 0u) << c.from;
    }
    // Running ahead moves the view far off the map first.
    struct CView : IViewCamera
    {
        void TakeCameraFrame(const CObjectFrame&) override {}
        void SetViewPosition(const CVector& p) override { m_vAt = p; }
        CVector m_vAt;
    } view;
    g_pViewCamera = &view;
    for (const auto& [seconds, steps] : {std::pair{59.0f, 1}, std::pair{60.0f, 2}})
    {
        m_World.m_fTime = 0.0f;
        view.m_vAt = CVector{};
        m_World.SimulateTime(seconds);
        EXPECT_FLOAT_EQ(m_World.m_fTime, 30.0f * steps) << seconds;
        EXPECT_EQ(view.m_vAt.x, -10000.0f);
        EXPECT_EQ(view.m_vAt.y, -10000.0f);
    }
    g_pViewCamera = nullptr;
}

TEST_F(WorldState, NewGameFillsTheBuildingsThenTheFreeMembers)
{
    static IWorldOrganization* made[4];
    static int madeCount;
    madeCount = 0;
    g_pfnCreateWorldOrganization = [](SOrgData* d) -> IWorldOrganization*
    {
        auto* o = new CFakeOrg(d->name, 1);
        o->m_pRecord = d;
        made[madeCount++] = o;
        return o;
    };
    g_pfnBuildingCluster = [](const char* id) { return std::strcmp(id, "BIG") == 0 ? 2 : 1; };
    SOrgData a{};
    std::strcpy(a.name, "ORG_A");
    a.mechCount = 5;
    a.baseLevel = 4.0f;
    m_World.m_OrgData = {a};
    m_World.CaptureBuilding("ORG_A", "BIG");
    m_World.CaptureBuilding("ORG_A", "SMALL");
    m_World.CaptureBuilding("ORG_FREE", "LOST");
    auto* player = new CPlayerMech;
    m_World.SetPlayerMech(player);
    m_World.GenerateWorld(true);
    g_pfnCreateWorldOrganization = nullptr;
    g_pfnBuildingCluster = nullptr;

    ASSERT_EQ(madeCount, 3); // ORG_A, then the added ORG_FREE and ORG_PLAYER
    EXPECT_STREQ(m_World.m_OrgData[1].name, "ORG_FREE");
    EXPECT_EQ(m_World.m_OrgData[1].outOfLocation, 1);
    EXPECT_FLOAT_EQ(m_World.m_OrgData[2].values[1], 0.7f);
    EXPECT_STREQ(m_World.FindBuilding("LOST")->owner, "ORG_NONE");
    EXPECT_NE(ReadText("error.log").find("CWorld::GenerateWorld() building BIG not found"),
              std::string::npos);
    ASSERT_EQ(m_World.m_Mechs.size(), 6u);
    EXPECT_EQ(m_World.m_Mechs[0], player);
    EXPECT_STREQ(player->m_szId, "PLAYER");
    std::vector<std::string> big, small;
    m_World.GetMechInCluster("BIG", "ORG_A", big);
    m_World.GetMechInCluster("SMALL", "ORG_A", small);
    EXPECT_EQ(big.size(), 2u);
    EXPECT_EQ(small.size(), 1u);
    auto* orgA = static_cast<CFakeOrg*>(made[0]);
    EXPECT_EQ(std::count(orgA->m_Calls.begin(), orgA->m_Calls.end(), "add"), 2);
    EXPECT_DOUBLE_EQ(orgA->m_Funds, 5000.0);
    for (std::size_t i = 1; i < m_World.m_Mechs.size(); ++i)
    {
        const CMech* m = m_World.m_Mechs[i];
        EXPECT_GE(m->m_fLevel, 3.0f) << m->m_szId; // 4 + n*n - ... with n in -1..1, or 2
        EXPECT_EQ(m->m_nBaseLevel, m->m_nLevel);
    }

    // The simulated game day runs without error; DoneWorld keeps the player.
    m_World.SimulateTime(24 * 120.0f);
    EXPECT_FLOAT_EQ(m_World.m_fTime, 24 * 120.0f);
    m_World.DoneWorld();
    EXPECT_TRUE(m_World.m_Mechs.empty());
    m_World.SetPlayerMech(nullptr);
    delete player;
}

class CFakeMechanoid : public IWorldMechanoid
{
public:
    void Run(float dt) override { m_fRun += dt; }
    float GetPrice(bool) override { return 1000.0f; }
    void SaveToStream(CMemStream& s) override { s.Write(&m_nValue, 4); }
    void LoadFromStream(CMemStream& s) override { CStreamReader(s, "fake mechanoid").Bytes(&m_nValue, 4); }
    void SetPendingValues(std::uint32_t a, std::uint32_t b, std::uint32_t c) override
    {
        m_Pending[0] = a;
        m_Pending[1] = b;
        m_Pending[2] = c;
    }
    std::uint32_t GetStreamValue() override { return 33; }
    void InitConfig(const char* name) override { m_Config = name; }
    void CopyHoldTo(IWorldMechanoid& to, bool mechmindsOnly) override
    {
        static_cast<CFakeMechanoid&>(to).m_Hold.push_back(mechmindsOnly ? "mechminds" : "all");
    }
    void AddGoods(const char* name, std::uint32_t count, std::uint32_t kind) override
    {
        m_Hold.push_back(std::string(name) + " " + std::to_string(count) + " " + std::to_string(kind));
    }

    std::int32_t m_nValue = 0;
    float m_fRun = 0.0f;
    std::uint32_t m_Pending[3] = {};
    std::string m_Config;
    std::vector<std::string> m_Hold;
};

TEST_F(WorldState, MechanoidsAndBackupsTravelInTheStream)
{
    g_pfnCreateWorldMechanoid = []() -> IWorldMechanoid* { return new CFakeMechanoid; };
    CPlayerMech source;
    source.CreateMechanoid();
    static_cast<CFakeMechanoid*>(source.m_pMechanoid)->m_nValue = 7;
    source.StoreBackup();
    static_cast<CFakeMechanoid*>(source.m_pMechanoid)->m_nValue = 8;
    source.m_GliderValues[0] = 11;
    CMemStream out;
    source.SaveToStream(out);
    CMemStream in;
    std::memcpy(in.Allocate(out.m_nPosition), out.m_pData, out.m_nPosition);
    CPlayerMech read;
    read.LoadFromStream(in);
    EXPECT_EQ(in.m_nPosition, out.m_nPosition);
    auto* mechanoid = static_cast<CFakeMechanoid*>(read.m_pMechanoid);
    ASSERT_NE(mechanoid, nullptr);
    EXPECT_EQ(mechanoid->m_nValue, 8);
    EXPECT_EQ(mechanoid->m_Pending[0], 11u);
    EXPECT_EQ(mechanoid->m_Pending[2], 33u);
    read.RestoreBackup();
    EXPECT_EQ(read.m_pMechanoid, mechanoid); // restored in place
    EXPECT_EQ(static_cast<CFakeMechanoid*>(read.m_pMechanoid)->m_nValue, 7);
    read.Run(2.0f);
    EXPECT_FLOAT_EQ(static_cast<CFakeMechanoid*>(read.m_pMechanoid)->m_fRun, 2.0f);

    // Mode 0 adds a hundredth of the mechanoid's price.
    CMech priced;
    priced.CreateMechanoid();
    priced.m_fLevel = 1.0f;
    EXPECT_FLOAT_EQ(priced.GetConvictPrice(0, false), float(std::int32_t((10000.0 + 10.0) * 0.11) * 10));
    priced.OnKill();
    EXPECT_EQ(priced.m_pMechanoid, nullptr);
    g_pfnCreateWorldMechanoid = nullptr;
}

TEST_F(WorldState, M1GroupsMakeTheirMechRecords)
{
    CMechGroupDesc guard;
    std::strcpy(guard.m_szName, "BOSS");
    std::strcpy(guard.m_szLabel, "Boss");
    std::strcpy(guard.m_szOrgName, "ORG_A");
    guard.m_nType = 2; // a road set, left empty
    guard.m_nLevel = 6;
    guard.m_nMemberCount = 3;
    CMemStream block;
    WriteMechGroupBlock(block, {guard}, false);
    CMemStream in;
    std::memcpy(in.Allocate(block.m_nPosition), block.m_pData, block.m_nPosition);
    g_MechGroupList.Load(in);
    g_Random.SetState(5);
    EXPECT_FALSE(m_World.CreateM1Group("NOBODY", true));
    ASSERT_TRUE(m_World.CreateM1Group("BOSS", true));
    ASSERT_EQ(m_World.m_Mechs.size(), 3u);
    EXPECT_STREQ(m_World.m_Mechs[0]->m_szId, "BOSS");
    EXPECT_STREQ(m_World.m_Mechs[0]->m_szName, "BOSS"); // the label in upper case
    EXPECT_EQ(m_World.m_Mechs[0]->m_nLevel, 6);
    for (int i = 1; i < 3; ++i)
    {
        EXPECT_STREQ(m_World.m_Mechs[std::size_t(i)]->m_szOrg, "ORG_A");
        EXPECT_GE(m_World.m_Mechs[std::size_t(i)]->m_fLevel, 2.0f);
        EXPECT_LE(m_World.m_Mechs[std::size_t(i)]->m_fLevel, 5.0f);
    }
    EXPECT_EQ(ReadText("error.log"), "");
    EXPECT_TRUE(m_World.CreateM1Group("BOSS", false));
    EXPECT_NE(ReadText("error.log").find("CWorld::CreateM1Group road set for group BOSS is empty"),
              std::string::npos);
    g_MechGroupList.Clear();
}

TEST_F(WorldState, SpecialMechsCarriedAsMechmindsMoveToTheNextWorld)
{
    g_pfnPlayerMechminds = [](std::vector<std::string>& ids) { ids = {"SPECIAL", "COMMON", "NOBODY"}; };
    CMech* special = Mech("SPECIAL", "ORG_A");
    special->m_nGeneration = 5;
    special->m_bDead = 1;
    special->m_bInBuilding = 1;
    Mech("COMMON", "ORG_A");
    m_World.ExcludeMechanoids();
    g_pfnPlayerMechminds = nullptr;
    EXPECT_EQ(m_World.FindMech("SPECIAL"), nullptr);
    ASSERT_EQ(CWorld::GetPendingMechs().size(), 1u);
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("Mech 'COMMON' not found or low generation"), std::string::npos);
    EXPECT_NE(log.find("Mech 'NOBODY' not found or low generation"), std::string::npos);

    CWorld next;
    next.IncludeMechanoids();
    EXPECT_TRUE(CWorld::GetPendingMechs().empty());
    ASSERT_EQ(next.FindMech("SPECIAL"), special);
    EXPECT_EQ(special->m_bDead, 0);
    EXPECT_EQ(special->m_bInBuilding, 0);
    EXPECT_NE(ReadText("error.log").find("Include mech 'SPECIAL' in World"), std::string::npos);
}

} // namespace

namespace
{
// The organisation manager as the world reaches it: a table of names and
// the relation changes asked of it.
class CFakeOrgManager : public IOrgManager
{
public:
    CGuidKey GetGUID() const override { return {}; }
    std::uint32_t GetSize() const override { return sizeof *this; }
    void SaveToStream(CMemStream&) override {}
    void LoadFromStream(CMemStream&) override {}
    COrganization* CreateOrganization(const char*) override { return nullptr; }
    void InitRelations() override {}
    float GetRelation(std::int32_t i, std::int32_t j, bool) override { return float(i * 10 + j) * 0.01f; }
    void ChangePolitic(std::int32_t i, std::int32_t j, float change, bool spread) override
    {
        m_Changes.push_back(std::to_string(i) + ">" + std::to_string(j) + " " + std::to_string(change) +
                            (spread ? " spread" : ""));
    }
    void RelaxRelations(float) override {}
    void SetRelation(std::int32_t, std::int32_t, float, bool, bool) override {}
    float GetOrgFactor(std::int32_t) override { return 0.0f; }
    bool LoadTable(const char*) override { return true; }
    std::int32_t FindByName(const char* name) override
    {
        for (std::size_t i = 0; i < m_Names.size(); ++i)
            if (m_Names[i] == name) return std::int32_t(i);
        return -1;
    }
    std::int32_t GetOrgCount() override { return std::int32_t(m_Names.size()); }
    const SOrgRecord* GetRecord(std::int32_t) override { return nullptr; }

    std::vector<std::string> m_Names{"ORG_A", "ORG_B", "ORG_PLAYER", "ORG_FREE"};
    std::vector<std::string> m_Changes;
};
} // namespace

TEST_F(WorldState, AKillLowersTheVictimsRelationToTheKillersOrganisation)
{
    CFakeOrgManager orgs;
    g_pOrgManager = &orgs;
    CPlayerMech player;
    std::strcpy(player.m_szOrg, "ORG_PLAYER");
    m_World.SetPlayerMech(&player);
    struct SCase
    {
        const char *victimOrg, *killerOrg;
        bool byPlayer;
        const char* change; // or the error line
    } cases[] = {
        {"ORG_A", "ORG_PLAYER", true, "0>2 -0.100000 spread"},
        {"ORG_A", "ORG_B", false, "0>1 -0.010000 spread"},
        {"ORG_GONE", "ORG_B", false, "CMech::Kill self org=ORG_GONE is invalid"},
        {"ORG_A", "ORG_GONE", false, "CMech::Kill killer org=ORG_GONE is invalid"},
    };
    for (const SCase& c : cases)
    {
        orgs.m_Changes.clear();
        CMech* victim = Mech("V", c.victimOrg);
        victim->m_fLevel = 5.0f;
        CMech* killer = c.byPlayer ? &player : Mech("K", c.killerOrg);
        victim->Kill(killer);
        if (std::strncmp(c.change, "CMech", 5) == 0)
        {
            EXPECT_TRUE(orgs.m_Changes.empty()) << c.change;
            EXPECT_NE(ReadText("error.log").find(c.change), std::string::npos) << c.change;
        }
        else
            EXPECT_EQ(orgs.m_Changes, std::vector<std::string>{c.change});
    }
    // Without a killer nothing changes.
    orgs.m_Changes.clear();
    Mech("W", "ORG_A")->Kill(nullptr);
    EXPECT_TRUE(orgs.m_Changes.empty());
    g_pOrgManager = nullptr;
    m_World.SetPlayerMech(nullptr);
}

TEST_F(WorldState, OrganisationStatistics)
{
    CFakeOrgManager orgs;
    g_pOrgManager = &orgs;
    CFakeOrg* a = AddOrg("ORG_A", 7);
    CFakeOrg* b = AddOrg("ORG_B", 1);
    AddOrg("ORG_PLAYER", 0); // no members: no relation entry
    CFakeOrg* free = AddOrg("ORG_FREE", 0);
    const std::int32_t counters[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::copy(counters, counters + 8, a->m_Counters);
    b->m_Counters[0] = 2;
    free->m_Counters[0] = 1;
    a->m_Leader = "BOSS";
    std::strcpy(Mech("BOSS", "ORG_A")->m_szName, "The Boss");
    m_World.CaptureBuilding("ORG_A", "HALL");
    m_World.CaptureBuilding("ORG_FREE", "SHED");

    SOrgStatistics s;
    EXPECT_FALSE(m_World.GetOrgStatistics("ORG_NONE", &s));
    ASSERT_TRUE(m_World.GetOrgStatistics("ORG_A", &s));
    EXPECT_STREQ(s.leader, "The Boss");
    const std::int32_t reordered[8] = {1, 2, 3, 5, 6, 4, 7, 8};
    EXPECT_TRUE(std::equal(s.counters, s.counters + 8, reordered));
    EXPECT_FLOAT_EQ(s.power, 7.0f);
    ASSERT_EQ(s.relations.size(), 2u);
    EXPECT_STREQ(s.relations[0].name, "ORG_B");
    EXPECT_FLOAT_EQ(s.relations[0].relation, 0.01f); // the manager's (0, 1)
    EXPECT_STREQ(s.relations[1].name, "ORG_FREE");
    EXPECT_EQ(s.buildings, 1);
    EXPECT_STREQ(s.name, "BASE");
    EXPECT_FLOAT_EQ(s.value, 0.5f);
    // The free pilots own nothing, whatever the records say.
    ASSERT_TRUE(m_World.GetOrgStatistics("ORG_FREE", &s));
    EXPECT_EQ(s.buildings, 0);

    // Rating: sqrt(funds / (members + 0.01) x 0.01), 0 to 10.
    struct SCase
    {
        double funds;
        float rating;
    } cases[] = {{0.0, 0.0f}, {-5000.0, 0.0f}, {1.01 * 400.0, 2.0f}, {1e9, 10.0f}};
    for (const SCase& c : cases)
    {
        a->m_Funds = c.funds;
        ASSERT_TRUE(m_World.GetOrgStatistics("ORG_A", &s));
        EXPECT_NEAR(s.rating, c.rating, 1e-4f) << c.funds;
    }

    // Members in groups by the group's state; a state-4 group counts by the
    // player's command mode; the player's own organisation counts one more.
    CPlayerMech player;
    std::strcpy(player.m_szOrg, "ORG_PLAYER");
    m_World.SetPlayerMech(&player);
    static int states[4] = {0, 1, 4, 4};
    g_pfnGroupState = [](const void* group) { return *static_cast<const int*>(group); };
    for (int& state : states)
        Mech("G", "ORG_A")->m_pGroup = &state;
    for (const auto& [mode, first, third] : {std::tuple{1, 3, 0}, std::tuple{2, 1, 2}})
    {
        player.m_nGroupMode = mode;
        ASSERT_TRUE(m_World.GetOrgStatistics("ORG_A", &s));
        EXPECT_EQ(s.groupStates[0], first) << mode;
        EXPECT_EQ(s.groupStates[1], 1) << mode;
        EXPECT_EQ(s.groupStates[2], third) << mode;
    }
    ASSERT_TRUE(m_World.GetOrgStatistics("ORG_PLAYER", &s));
    EXPECT_STREQ(s.leader, "PLAYER");
    EXPECT_EQ(s.groupStates[2], 1);
    g_pfnGroupState = nullptr;
    g_pOrgManager = nullptr;
    m_World.SetPlayerMech(nullptr);
}

TEST_F(WorldState, DefaultStateMakesTheMissingConfigurationMechanoids)
{
    g_pfnCreateWorldMechanoid = []() -> IWorldMechanoid* { return new CFakeMechanoid; };
    m_World.SetDefaultState();
    EXPECT_NE(ReadText("error.log").find("CWorld::SetDefaultState impossible ORG_PLAYER not found"),
              std::string::npos);
    EXPECT_EQ(g_pPlayerConfigs[0], nullptr);

    // The record's first attack name; the others' lists are empty.
    CFakeOrg* player = AddOrg("ORG_PLAYER", 0);
    std::strcpy(player->m_Data.attack[0], "CFG_HEAVY");
    player->m_Data.attackCount = 1;
    auto* kept = new CFakeMechanoid;
    g_pPlayerConfigs[2] = kept;
    m_World.SetDefaultState();
    ASSERT_NE(g_pPlayerConfigs[0], nullptr);
    EXPECT_EQ(static_cast<CFakeMechanoid*>(g_pPlayerConfigs[0])->m_Config, "CFG_PLAYER_DEF");
    EXPECT_EQ(static_cast<CFakeMechanoid*>(g_pPlayerConfigs[1])->m_Config, "CFG_HEAVY");
    EXPECT_EQ(g_pPlayerConfigs[2], kept);
    EXPECT_EQ(kept->m_Config, "");
    for (IWorldMechanoid*& m : g_pPlayerConfigs)
    {
        delete m;
        m = nullptr;
    }
    g_pfnCreateWorldMechanoid = nullptr;
}

TEST_F(WorldState, AnOfflineKillHandsTheVictimsHoldToTheGroup)
{
    g_pfnCreateWorldMechanoid = []() -> IWorldMechanoid* { return new CFakeMechanoid; };
    auto hold = [](CMech* m) { return static_cast<CFakeMechanoid*>(m->m_pMechanoid)->m_Hold; };
    CMech* victim = Mech("VICTIM", "ORG_A");
    CMech* first = Mech("FIRST", "ORG_B");
    CMech* chosen = Mech("CHOSEN", "ORG_B");
    for (CMech* m : {victim, first, chosen})
        m->CreateMechanoid();
    // The mech the group's AI names takes everything.
    victim->KillOffline(chosen, first);
    EXPECT_EQ(hold(chosen), std::vector<std::string>{"all"});
    EXPECT_EQ(hold(first), std::vector<std::string>{"VICTIM 1 2"});
    // Without one, the first member takes the mechminds only.
    victim->KillOffline(nullptr, first);
    EXPECT_EQ(hold(first), (std::vector<std::string>{"VICTIM 1 2", "mechminds", "VICTIM 1 2"}));
    // No group member, nothing.
    victim->KillOffline(chosen, nullptr);
    EXPECT_EQ(hold(chosen).size(), 1u);
    g_pfnCreateWorldMechanoid = nullptr;
}

TEST_F(WorldState, GenerationMarksTheBuildingsThatHoldMechs)
{
    // Buildings of a kind with a cluster, of TYPE 3 and of a plain kind,
    // one without a name, and the TYPE 3 building's way in ("<id>_EXIT").
    struct CBuilding : CMMObject
    {
        CBuilding(const char* id, const SBuildingType* kind) : m_pKind(kind)
        {
            m_nType = OBJ_BUILDING;
            std::snprintf(m_szGameId, 32, "%s", id);
        }
        const SBuildingType* m_pKind;
        bool m_bOn = false, m_bSet = false;
    };
    static SBuildingType cluster, station, plain;
    cluster.m_nCluster = 2;
    station.m_nType = 3;
    plain.m_nType = 0;
    worldtest::CScene scene;
    std::vector<CBuilding*> made;
    for (const auto& [id, kind] :
         {std::pair{"HALL", &cluster}, std::pair{"DEPOT", &station}, std::pair{"SHED", &plain},
          std::pair{"", &cluster}, std::pair{"DEPOT_EXIT", &plain}})
    {
        made.push_back(new CBuilding(id, kind));
        g_ObjectList.AddObject(made.back());
    }
    g_UnitKinds.buildingKind = [](CMMObject* o) { return static_cast<CBuilding*>(o)->m_pKind; };
    g_UnitKinds.setBuildingState = [](CMMObject* o, bool on)
    {
        static_cast<CBuilding*>(o)->m_bOn = on;
        static_cast<CBuilding*>(o)->m_bSet = true;
    };
    m_World.GenerateWorld(false);
    EXPECT_EQ(m_World.m_BuildingObjects, (std::vector<CMMObject*>{made[0], made[1]}));
    EXPECT_TRUE(made[0]->m_bOn);
    EXPECT_TRUE(made[1]->m_bSet);
    EXPECT_FALSE(made[1]->m_bOn); // it has a way in of its own
    EXPECT_FALSE(made[2]->m_bSet);
    EXPECT_FALSE(made[3]->m_bSet);
    // The cluster of a building object's kind, 0 for a name none has.
    EXPECT_EQ(m_World.GetBuildingCluster("HALL"), 2);
    EXPECT_EQ(m_World.GetBuildingCluster("NOWHERE"), 0);
    g_UnitKinds.buildingKind = nullptr;
    g_UnitKinds.setBuildingState = nullptr;
    // The list goes with the objects at the end of the game.
    m_World.DoneWorld();
    EXPECT_TRUE(m_World.m_BuildingObjects.empty());
}
