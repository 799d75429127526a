// Pick-up things (collection, transfer, expiry, records) and the object
// list's saved state, over an INI-mode database with a stand-in pilot.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "units/GliderObject.h"
#include "world/GameWorldState.h"
#include "world/KindManagers.h"
#include "world/ObjectList.h"
#include "world/StoneObject.h"
#include "world/TheThing.h"
#include "world/TypeManagers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace
{

// A pilot whose hold fills after a given number of goods entries.
class CFakeCollector : public IThingCollector
{
public:
    bool CanCollect(CMMObject*) override { return true; }
    bool IsHoldFull(CMMObject*) override { return m_nGoods >= m_nRoom; }
    bool AddMissiles(CMMObject*, std::int32_t type, std::uint32_t amount) override
    {
        m_Log.push_back("missile " + std::to_string(type) + " x" + std::to_string(amount));
        return true;
    }
    void AddGoods(CMMObject*, std::uint32_t kind, const char* name, std::uint32_t amount) override
    {
        ++m_nGoods;
        m_Log.push_back(std::string(name) + " kind " + std::to_string(kind) + " x" + std::to_string(amount));
    }
    void UpdateWeight(CMMObject*) override {}

    int m_nGoods = 0;
    int m_nRoom = 100;
    std::vector<std::string> m_Log;
};

constexpr std::int64_t kFrequency = 1000;
constexpr std::int64_t kStep = 100; // 0.1 s frames

class Things : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        Write("main.ini", "[S]\nfilename=s.ini\n[T]\nfilename=t.ini\n[M]\nfilename=m.ini\n");
        Write("s.ini", "[STONE_A]\n");
        Write("t.ini", "[CONT]\nTYPE=1\n[MONEY]\nTYPE=515\n[WRECK]\nTYPE=769\n");
        Write("m.ini", "[MIS_ROCKET]\nDAMAGE=5\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_StoneManager.Init("S"));
        ASSERT_TRUE(g_ThingManager.Init("T"));
        ASSERT_TRUE(g_MissileManager.Init("M"));
        m_savedTimer = g_FrameTimer;
        g_FrameTimer = CFrameTimer([this] { return m_now; }, kFrequency);
        for (int i = 0; i < CFrameTimer::kStamps + 1; ++i)
            Tick();
        g_pThingCollector = &m_Collector;
        m_Scene.m_View.m_vEye = CVector{0.0f, 0.0f, 0.0f};
    }
    void TearDown() override
    {
        g_pThingCollector = nullptr;
        g_pPlayerGlider = nullptr;
        g_ObjectList.Clear();
        g_FrameTimer = m_savedTimer;
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        testutil::CLogDirTest::TearDown();
    }
    void Write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    void Tick()
    {
        m_now += kStep;
        g_FrameTimer.Update();
    }
    static CMatrix At(float x, float y, float z = 0.0f)
    {
        CMatrix m(1.0f);
        m.SetTranslation(CVector{x, y, z});
        return m;
    }
    CTheThing* Thing(const char* type, float x, float y, bool playerOnly = true)
    {
        const CMatrix m = At(x, y);
        auto* t = static_cast<CTheThing*>(g_ThingManager.CreateObject(type, &m, "T1"));
        t->m_bPlayerOnly = playerOnly;
        return t;
    }
    CGliderObject* Player(float x, float y, float speed)
    {
        auto* g = new CGliderObject;
        g->SetMatrix(At(x, y));
        g->m_vVelocity = CVector{speed, 0.0f, 0.0f};
        g_ObjectList.AddObject(g);
        g_pPlayerGlider = g;
        return g;
    }

    worldtest::CScene m_Scene;
    CFakeCollector m_Collector;
    std::int64_t m_now = 0;
    CFrameTimer m_savedTimer;
    std::string m_previous;
};

struct SCollectCase
{
    float speed;
    float distance;
    bool collected;
};
void PrintTo(const SCollectCase& c, std::ostream* os)
{
    *os << "speed " << c.speed << ", distance " << c.distance << (c.collected ? ", collected" : ", left");
}

class ThingCollection : public Things, public ::testing::WithParamInterface<SCollectCase>
{
};

} // namespace

TEST_P(ThingCollection, SpeedAndDistanceDecide)
{
    const SCollectCase& c = GetParam();
    EXPECT_EQ(CTheThing::IsCollectedAt(c.speed * c.speed, c.distance * c.distance), c.collected);
    CTheThing* thing = Thing("CONT", 0.0f, 0.0f);
    thing->AddContent(0, "TOV_ORE", 3);
    Player(c.distance, 0.0f, c.speed);
    thing->Run();
    EXPECT_EQ(thing->m_bLying, c.collected ? 0 : 1);
    EXPECT_EQ(m_Collector.m_Log.size(), c.collected ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, ThingCollection,
                         ::testing::Values(SCollectCase{79.0f, 10.0f, false},
                                           SCollectCase{17.0f, 10.0f, true}, SCollectCase{0.0f, 16.1f, false},
                                           SCollectCase{79.0f, 7.9f, true}, SCollectCase{80.0f, 1.0f, false},
                                           SCollectCase{17.8f, 15.9f, true},
                                           SCollectCase{17.9f, 15.9f, false}));

TEST_F(Things, AFullHoldStopsATransferPartWayButNotMoney)
{
    Player(0.0f, 0.0f, 0.0f);
    CTheThing* crate = Thing("CONT", 0.0f, 0.0f);
    crate->AddContent(0, "TOV_ORE", 3);
    crate->AddContent(0, "TOV_GEM", 1);
    m_Collector.m_nRoom = 1;
    crate->Run();
    EXPECT_EQ(crate->m_bLying, 1); // stays with what did not fit
    ASSERT_EQ(crate->m_nContents, 1u);
    EXPECT_STREQ(crate->m_Contents[0].name, "TOV_GEM");

    CTheThing* money = Thing("MONEY", 0.0f, 0.0f);
    money->AddContent(3, "MONEY", 500);
    money->Run();
    EXPECT_EQ(money->m_bLying, 0);
    EXPECT_EQ(m_Collector.m_Log.back(), "MONEY kind 3 x500");
}

TEST_F(Things, MissilesGoToTheStockAndTheThingRisesThenGoes)
{
    Player(0.0f, 0.0f, 0.0f);
    CTheThing* crate = Thing("CONT", 0.0f, 0.0f);
    crate->AddContent(0, "MIS_ROCKET", 12);
    for (int i = 0; i < CTheThing::kMaxContents - 1; ++i)
        EXPECT_TRUE(crate->AddContent(0, "TOV_ORE", 1));
    EXPECT_FALSE(crate->AddContent(0, "TOV_ORE", 1)); // an eleventh is refused
    crate->Run();
    ASSERT_FALSE(m_Collector.m_Log.empty());
    EXPECT_EQ(m_Collector.m_Log[0], "missile 0 x12");
    EXPECT_EQ(crate->m_nContents, 0u);
    const float z = crate->GetPosition().z;
    Tick();
    crate->Run();
    EXPECT_NEAR(crate->GetPosition().z - z, 1.0f, 1e-4f); // 5 units in 0.5 s
    for (int i = 0; i < 5; ++i)
    {
        Tick();
        crate->Run();
    }
    EXPECT_EQ(crate->m_bAlive, 0);
}

TEST_F(Things, FarThingsExpireButMechmindsAndPlayerThingsStay)
{
    m_Scene.m_View.m_vEye = CVector{5000.0f, 0.0f, 0.0f};
    CTheThing* crate = Thing("CONT", 0.0f, 0.0f, false);
    CTheThing* mechmind = Thing("", 0.0f, 0.0f, false);
    CTheThing* mine = Thing("CONT", 0.0f, 0.0f, true);
    EXPECT_EQ(mechmind->m_nKind, CTheThing::kKindMechmind);
    for (CTheThing* t : {crate, mechmind, mine})
        t->m_fAge = 299.85f;
    for (CTheThing* t : {crate, mechmind, mine})
        t->Run();
    EXPECT_EQ(crate->m_bAlive, 1);
    for (CTheThing* t : {crate, mechmind, mine})
        t->Run();
    EXPECT_EQ(crate->m_bAlive, 0);
    EXPECT_EQ(mechmind->m_bAlive, 1);
    EXPECT_EQ(mine->m_bAlive, 1);
}

TEST_F(Things, WrecksPickOneOfFiveModels)
{
    bool seen[6] = {};
    for (std::uint32_t state = 0; state < 233280; state += 97)
    {
        const std::uint32_t n = CTheThing::WreckNumber(state);
        ASSERT_GE(n, 1u);
        ASSERT_LE(n, 5u);
        seen[n] = true;
    }
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(seen[n]) << n;
    EXPECT_EQ(Thing("WRECK", 0.0f, 0.0f)->m_nKind, CTheThing::kKindWreck);
}

TEST_F(Things, NetworkDescriptorRoundTripAndAnOverlongCountIsRefused)
{
    CTheThing* a = Thing("MONEY", 10.0f, 20.0f);
    a->AddContent(3, "MONEY", 70);
    std::uint8_t buffer[1024] = {};
    int size = 0;
    a->WriteNetDescriptor(buffer, &size);
    EXPECT_EQ(size, 40 + 8 + 40);
    EXPECT_EQ(a->m_bChanged, 0);
    CTheThing* b = Thing("CONT", 0.0f, 0.0f);
    int read = 0;
    b->ReadNetDescriptor(buffer, &read);
    EXPECT_EQ(read, size);
    EXPECT_EQ(b->m_nKind, CTheThing::kKindMoney);
    ASSERT_EQ(b->m_nContents, 1u);
    EXPECT_EQ(b->m_Contents[0].amount, 70u);

    const std::uint32_t eleven = 11;
    std::memcpy(buffer + 44, &eleven, 4);
    b->ReadNetDescriptor(buffer, &read);
    EXPECT_EQ(b->m_nContents, 1u);
    EXPECT_NE(ReadText("error.log").find("11 entries (at most 10)"), std::string::npos);
}

namespace
{
// A thing record after the base's 13 bytes, of the given version (2457: no
// version word).
void WriteThingRecord(CMemStream& s, std::uint32_t version, std::uint32_t count)
{
    const std::uint8_t shown = 1;
    const float position[3] = {30.0f, 40.0f, 5.0f};
    s.Write(&shown, 1);
    s.Write(position, 12);
    if (version != 2457) s.Write(&version, 4);
    char type[32] = "CONT";
    s.Write(type, 32);
    const std::uint8_t playerOnly = 1;
    s.Write(&playerOnly, 1);
    s.Write(&count, 4);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        SThingContent c{};
        std::snprintf(c.name, sizeof c.name, "TOV_%u", i);
        c.amount = i + 1;
        s.Write(&c, sizeof c);
    }
    if (version >= 4096)
    {
        char id[32] = "SAVED";
        s.Write(id, 32);
    }
    if (version >= 4097)
    {
        const float age = 12.5f;
        s.Write(&age, 4);
    }
}

struct SVersionCase
{
    std::uint32_t version;
    const char* gameId;
    float age;
};
void PrintTo(const SVersionCase& c, std::ostream* os)
{
    *os << "version " << c.version << ", game id \"" << c.gameId << "\", age " << c.age;
}

class ThingSaveVersions : public Things, public ::testing::WithParamInterface<SVersionCase>
{
};
} // namespace

TEST_P(ThingSaveVersions, EveryVersionIsRead)
{
    const SVersionCase& c = GetParam();
    CMemStream s;
    WriteThingRecord(s, c.version, 2);
    s.m_nCapacity = s.m_nPosition;
    s.m_nPosition = 0;
    CTheThing thing;
    thing.LoadGame(s);
    EXPECT_EQ(s.m_nPosition, s.m_nCapacity);
    EXPECT_STREQ(thing.m_TypeRef, "CONT");
    EXPECT_STREQ(thing.m_szGameId, c.gameId);
    EXPECT_FLOAT_EQ(thing.m_fAge, c.age);
    EXPECT_EQ(thing.m_bPlayerOnly, 1);
    ASSERT_EQ(thing.m_nContents, 2u);
    EXPECT_EQ(thing.m_Contents[1].amount, 2u);
    EXPECT_FLOAT_EQ(thing.GetPosition().y, 40.0f);
    EXPECT_EQ(thing.m_bShown, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, ThingSaveVersions,
                         ::testing::Values(SVersionCase{2457, "", 0.0f}, SVersionCase{4096, "SAVED", 0.0f},
                                           SVersionCase{4097, "SAVED", 12.5f}));

TEST_F(Things, ABadSaveRecordIsAnErrorAndChangesNothing)
{
    for (std::uint32_t count : {11u, 2u})
    {
        CMemStream s;
        WriteThingRecord(s, 4097, count);
        // The second record is cut short inside its last entry.
        s.m_nCapacity = count == 2 ? 13 + 4 + 32 + 1 + 4 + 60 : s.m_nPosition;
        s.m_nPosition = 0;
        CTheThing thing;
        thing.AddContent(0, "KEPT", 1);
        try
        {
            thing.LoadGame(s);
            ADD_FAILURE() << "no error for count " << count;
        }
        catch (const CObjectStreamError& e)
        {
            EXPECT_NE(std::string(e.what()).find("thing save record at byte"), std::string::npos) << e.what();
        }
        EXPECT_EQ(thing.m_nContents, 1u);
        EXPECT_STREQ(thing.m_Contents[0].name, "KEPT");
    }
}

// --- the object list's saved state --------------------------------------------

TEST_F(Things, StonesAndThingsRoundTripWithTheirNumbers)
{
    const CMatrix m = At(100.0f, 200.0f, 3.0f);
    CMMObject* stone = g_StoneManager.CreateObject("STONE_A", &m, nullptr);
    stone->m_bSave = 1;
    CTheThing* thing = Thing("CONT", 50.0f, 60.0f);
    thing->AddContent(0, "TOV_ORE", 4);
    CMMObject* unsaved = g_StoneManager.CreateObject("STONE_A", &m, nullptr);
    (void)unsaved;
    const std::int32_t stoneNumber = stone->m_nObjectNumber;
    const std::int32_t thingNumber = thing->m_nObjectNumber;
    g_ObjectList.AddSysObjectSensor("T1", "MECH_1", true); // at the thing

    CMemStream s;
    g_ObjectList.SaveGame(s);
    s.m_nCapacity = s.m_nPosition;
    g_ObjectList.Clear();
    g_ObjectList.m_nLastObjectNumber = 0;
    s.m_nPosition = 0;
    g_ObjectList.LoadGame(s);
    EXPECT_EQ(s.m_nPosition, s.m_nCapacity);

    ASSERT_EQ(g_ObjectList.m_Objects.GetCount(), 2);
    CMMObject* s2 = g_ObjectList.FindByNumberAndType(stoneNumber, OBJ_STONE);
    ASSERT_NE(s2, nullptr);
    EXPECT_FLOAT_EQ(s2->GetPosition().y, 200.0f);
    auto* t2 = static_cast<CTheThing*>(g_ObjectList.FindByNumberAndType(thingNumber, OBJ_THING));
    ASSERT_NE(t2, nullptr);
    EXPECT_STREQ(t2->m_szGameId, "T1");
    ASSERT_EQ(t2->m_nContents, 1u);
    EXPECT_EQ(t2->m_Contents[0].amount, 4u);
    ASSERT_EQ(g_ObjectList.m_nSensors, 1);
    EXPECT_STREQ(g_ObjectList.GetSensor(0)->mechId, "MECH_1");
    EXPECT_EQ(g_ObjectList.GetSensor(0)->cachedMech, 0u);
    EXPECT_EQ(g_ObjectList.m_pSensorMechs[0], nullptr);
}

TEST_F(Things, NothingToSaveWritesACountOfZeroAndTheSensors)
{
    const CMatrix m = At(1.0f, 1.0f);
    g_StoneManager.CreateObject("STONE_A", &m, nullptr);
    CMemStream s;
    g_ObjectList.SaveGame(s);
    ASSERT_EQ(s.m_nPosition, 8u);
    std::int32_t words[2];
    std::memcpy(words, s.m_pData, 8);
    EXPECT_EQ(words[0], 0);
    EXPECT_EQ(words[1], 0);
}

TEST_F(Things, AnUnknownRecordStopsTheObjectsWithAnErrorLine)
{
    Thing("CONT", 5.0f, 5.0f);
    CMemStream s;
    g_ObjectList.SaveGame(s);
    // A second record of a type nothing can make, then a thing after it.
    std::int32_t count = 3;
    std::memcpy(s.m_pData, &count, 4);
    s.m_nPosition -= 4; // before the sensor count
    char id[32] = "ODD";
    const std::int32_t type = 99, number = 7;
    s.Write(id, 32);
    s.Write(&type, 4);
    s.Write(&number, 4);
    const std::int32_t sensors = 0;
    s.Write(&sensors, 4);
    s.m_nCapacity = s.m_nPosition;
    g_ObjectList.Clear();
    s.m_nPosition = 0;
    g_ObjectList.LoadGame(s);
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 1);
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("CObjectList::LoadGame object type '99' game id 'ODD' error"), std::string::npos);
    EXPECT_NE(log.find("record 1 of 3"), std::string::npos);
}

TEST_F(Things, ASavedPositionOutsideAnyWorldIsRefused)
{
    Thing("CONT", 5.0f, 5.0f)->m_bSave = 1;
    CMemStream s;
    g_ObjectList.SaveGame(s);
    s.m_nCapacity = s.m_nPosition;
    for (float bad : {4e27f, std::numeric_limits<float>::quiet_NaN()})
    {
        std::memcpy(s.m_pData + 4 + 40 + 1, &bad, 4); // the first record's x
        g_ObjectList.Clear();
        s.m_nPosition = 0;
        g_ObjectList.LoadGame(s);
        EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 0);
    }
    EXPECT_NE(ReadText("error.log").find("lies outside any world"), std::string::npos);
}

TEST_F(Things, StaleNetworkObjectsGoOnePerFrame)
{
    CMMObject* a = Thing("CONT", 0.0f, 0.0f);
    CMMObject* b = Thing("CONT", 10.0f, 0.0f);
    CMMObject* local = Thing("CONT", 20.0f, 0.0f);
    local->m_bLocal = 1;
    for (CMMObject* o : {local, a, b})
        g_ObjectList.AddNetObject(o);
    m_now += 3 * kFrequency; // 3 s without updates
    Tick();
    g_ObjectList.CheckNetDead();
    EXPECT_EQ(a->m_bAlive, 0);
    EXPECT_EQ(b->m_bAlive, 1);
    g_ObjectList.Pack(false);
    g_ObjectList.CheckNetDead();
    EXPECT_EQ(b->m_bAlive, 0);
    EXPECT_EQ(local->m_bAlive, 1);
}
