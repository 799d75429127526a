// Gatherers: the search (age, reservations, the 10 and 5 bounds, no shared
// container), the pick-up out of sight, the trip home, the explosion and the
// return to play, the save record (v1 and v2 read, damaged records refused).
#include "CombatFixture.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "location/ViewCamera.h"
#include "units/GathererObject.h"
#include "units/KindManagers.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/TheThing.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <string>

using unittest::CCombatTest;

namespace
{
class Gatherer : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        Write("main.ini",
              ReadText("main.ini") + "[Buildings]\nfilename=buildings.ini\n[THINGS]\nfilename=things.ini\n");
        Write("buildings.ini", "[B_BASE]\nCluster=1\n[B_SHOP]\nTYPE=7\n");
        Write("things.ini", "[TT_MECHANOID]\nTYPE=257\n");
        Write("explo.ini", ReadText("explo.ini") + "[EXP_GLIDER_2]\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_BuildingManager.Init("Buildings"));
        ASSERT_TRUE(g_ThingManager.Init("THINGS"));
        ASSERT_TRUE(g_ExploManager.Init(unit_sections::kExplosions));
        ASSERT_TRUE(g_GathererManager.Init(nullptr));
        m_savedCamera = g_ViewCamera.m_vPosition;
        g_ViewCamera.m_vPosition = CVector{1000.0f, 1000.0f, 500.0f};
        g_pWorld = &m_World;
        for (int i = 0; i < 8; ++i)
            m_World.AddMech(("MECH_" + std::to_string(i)).c_str());
    }
    void TearDown() override
    {
        g_pWorld = nullptr;
        g_ViewCamera.m_vPosition = m_savedCamera;
        CCombatTest::TearDown();
    }
    static CMMObject* Building(const char* kind, const CVector& at, const char* id)
    {
        auto* b = new CMMObject;
        b->m_nType = OBJ_BUILDING;
        b->m_fRadius = 50.0f;
        std::strncpy(b->m_TypeRef, kind, sizeof b->m_TypeRef - 1);
        std::strncpy(b->m_szGameId, id, sizeof b->m_szGameId - 1);
        CMatrix m(1.0f);
        m.SetTranslation(at);
        b->SetMatrix(m);
        g_ObjectList.AddObject(b);
        return b;
    }
    // A container of mechanoids lying at the point, age seconds old.
    static CTheThing* Container(const CVector& at, float age, std::initializer_list<const char*> mechs,
                                const char* id)
    {
        CMatrix m(1.0f);
        m.SetTranslation(at);
        auto* t = static_cast<CTheThing*>(g_ThingManager.CreateObject("TT_MECHANOID", &m, id));
        t->m_fAge = age;
        t->m_bLying = 1;
        for (const char* mech : mechs)
            t->AddContent(2, mech, 1);
        return t;
    }
    CGathererObject* Home()
    {
        Building("B_SHOP", {3000.0f, 3000.0f, 0.0f}, "SHOP");
        Building("B_BASE", {1000.0f, 1000.0f, 0.0f}, "BASE");
        CGathererManager::CreateForGame();
        SPointerArray<CMMObject> all;
        g_ObjectList.GetObjectList(OBJ_GATHERER, all);
        EXPECT_EQ(all.count, 1);
        return all.count ? static_cast<CGathererObject*>(all.items[0]) : nullptr;
    }

    CVector m_savedCamera;
    CWorld m_World;
};

TEST_F(Gatherer, OneGathererPerClusterBuildingCirclingAtHome)
{
    CGathererObject* g = Home();
    ASSERT_NE(g, nullptr);
    EXPECT_STREQ(g->m_szGameId, "BASE");
    EXPECT_FLOAT_EQ(g->m_fCircleRadius, 100.0f);
    EXPECT_FLOAT_EQ(g->m_vHomePoint.x, 1100.0f);
    EXPECT_EQ(g->m_nState, 2);
    EXPECT_GE(g->m_fSearchTimer, 0.0f);
    EXPECT_LT(g->m_fSearchTimer, 30.0f);
}

TEST_F(Gatherer, YoungContainersAreSkippedAndAtMostTenAreReserved)
{
    CGathererObject* g = Home();
    CTheThing* young = Container({1200.0f, 1000.0f, 0.0f}, 179.0f, {"MECH_0"}, "young");
    for (int i = 0; i < 12; ++i)
        Container({1300.0f + float(i) * 10.0f, 1000.0f, 0.0f}, 200.0f, {"MECH_1"},
                  ("old" + std::to_string(i)).c_str());
    g->m_fSearchTimer = 0.0f;
    g->TargetSearch();
    EXPECT_EQ(g->m_Reserved.size(), std::size_t(CGathererObject::kMaxReserved));
    ASSERT_NE(g->m_pTarget, nullptr);
    EXPECT_NE(g->m_pTarget, young);
    EXPECT_STREQ(g->m_pTarget->m_szGameId, "old0") << "the nearest";
    EXPECT_EQ(young->m_bReserved, 0);
    EXPECT_FLOAT_EQ(g->m_fSearchTimer, 30.0f);

    // A second gatherer skips what the first reserved.
    Building("B_BASE", {2000.0f, 1000.0f, 0.0f}, "BASE2");
    auto* other = new CGathererObject;
    other->Init(g_ObjectList.FindByGameId("BASE2", OBJ_BUILDING));
    g_ObjectList.AddObject(other);
    other->m_fSearchTimer = 0.0f;
    other->TargetSearch();
    ASSERT_NE(other->m_pTarget, nullptr);
    for (CTheThing* t : g->m_Reserved)
        EXPECT_NE(other->m_pTarget, t);
}

TEST_F(Gatherer, OutOfSightItPicksUpAtOnceCarriesAtMostFiveAndGoesHome)
{
    CGathererObject* g = Home();
    // Far beyond twice the view range: moved by placement alone.
    g_ViewCamera.m_vPosition = CVector{1000.0f + GetViewRange() * 2.0f, 1000.0f, 0.0f};
    CTheThing* full =
        Container({1300.0f, 1000.0f, 0.0f}, 200.0f,
                  {"MECH_0", "MECH_1", "MECH_2", "MECH_3", "MECH_4", "MECH_5", "NOBODY"}, "full");
    Container({1400.0f, 1000.0f, 0.0f}, 200.0f, {"MECH_6"}, "other");
    g->m_fSearchTimer = 0.0f;
    bool sank = false;
    for (int i = 0; i < 400 && g->m_nCarried == 0; ++i)
    {
        g->Run();
        sank = sank || g->m_nState == 5;
        Tick();
    }
    EXPECT_FALSE(sank) << "no sinking out of sight";
    EXPECT_EQ(g->m_nCarried, CGathererObject::kMaxCarried);
    EXPECT_TRUE(g->FindByName("MECH_4"));
    EXPECT_TRUE(g->m_Reserved.empty()) << "full: every reservation released";
    EXPECT_EQ(full->m_bAlive, 1) << "a mechanoid left in it";
    EXPECT_EQ(full->m_nContents, 2u);

    for (int i = 0; i < 400 && g->m_nCarried != 0; ++i)
    {
        g->Run();
        Tick();
    }
    EXPECT_EQ(g->m_nCarried, 0);
    EXPECT_EQ(g->m_nState, 2);
    CMech* m = m_World.FindMech("MECH_2");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->m_bInBuilding, 1);
    EXPECT_STREQ(m->m_szBuilding, "BASE");
}

TEST_F(Gatherer, ShotDownItDropsItsLoadAndReturnsOnlyAfterTheCameraWasFar)
{
    CGathererObject* g = Home();
    g->m_pCarried[0] = m_World.FindMech("MECH_0");
    g->m_pCarried[1] = m_World.FindMech("MECH_1");
    g->m_nCarried = 2;
    CGliderObject attacker;
    attacker.SetPosition(CVector{1000.0f, 1200.0f, 20.0f});
    g->Damage(20000.0f, CVector{}, 0, &attacker, -1, 666);
    EXPECT_EQ(g->m_bExploded, 0);
    g->Damage(40000.0f, CVector{}, 0, &attacker, -1, 666);
    EXPECT_EQ(g->m_bExploded, 1);
    EXPECT_EQ(g->m_nCarried, 0);
    EXPECT_FLOAT_EQ(g->m_fHealth, CGathererObject::kHealth);
    EXPECT_EQ(Count(OBJ_THING), 2);
    EXPECT_EQ(Count(OBJ_SPLINTER), 2);

    g->Run();
    EXPECT_EQ(g->m_bExploded, 1);
    EXPECT_EQ(g->m_bShown, 0);
    g_ViewCamera.m_vPosition = CVector{1100.0f + GetViewRange() + 10.0f, 1000.0f, 0.0f};
    g->Run();
    EXPECT_EQ(g->m_bExploded, 0);
    g_ViewCamera.m_vPosition = CVector{1000.0f, 1000.0f, 500.0f};
    g->Run();
    EXPECT_EQ(g->m_bShown, 1);
}

TEST_F(Gatherer, TheRecordRoundTripsVersionOneIsReadAndDamagedRecordsAreRefused)
{
    CGathererObject* g = Home();
    CTheThing* a = Container({1300.0f, 1000.0f, 0.0f}, 200.0f, {"MECH_7"}, "CONT_A");
    Container({1400.0f, 1000.0f, 0.0f}, 200.0f, {"MECH_6"}, "CONT_B");
    g->m_fSearchTimer = 0.0f;
    g->TargetSearch();
    ASSERT_EQ(g->m_pTarget, a);
    g->m_pCarried[0] = m_World.FindMech("MECH_3");
    g->m_nCarried = 1;
    g->m_fHealth = 1234.0f;
    CMemStream saved;
    g->SaveGame(saved);

    CGathererObject copy;
    saved.m_nPosition = 0;
    copy.LoadGame(saved);
    copy.LoadInit();
    EXPECT_FLOAT_EQ(copy.m_fHealth, 1234.0f);
    EXPECT_EQ(copy.m_pTarget, a);
    EXPECT_EQ(copy.m_Reserved.size(), 2u);
    EXPECT_TRUE(copy.FindByName("MECH_3"));

    // Version 1: no version word, 4 bytes for each container name.
    CMemStream v1;
    v1.Write(saved.m_pData, CMMObject::kSaveGameSize);
    const std::uint8_t exploded = 0;
    const float health = 777.0f;
    const float points[6] = {};
    const std::int32_t state = 2;
    const float timers[2] = {5.0f, 0.0f};
    const std::uint32_t zero = 0, two = 2, one = 1;
    v1.Write(&exploded, 1);
    v1.Write(&health, 4);
    v1.Write(points, 24);
    v1.Write(&state, 4);
    v1.Write(timers, 8);
    v1.Write(&zero, 4); // target
    v1.Write(&two, 4);
    v1.Write(&zero, 4);
    v1.Write(&zero, 4);
    v1.Write(&one, 4);
    char mech[32] = "MECH_5";
    v1.Write(mech, 32);
    CGathererObject old;
    v1.m_nPosition = 0;
    old.LoadGame(v1);
    old.LoadInit();
    EXPECT_FLOAT_EQ(old.m_fHealth, 777.0f);
    EXPECT_EQ(old.m_pTarget, nullptr);
    EXPECT_TRUE(old.FindByName("MECH_5"));

    // Damaged records: cut short, too many reserved, too many carried.
    struct SCase
    {
        const char* what;
        std::uint32_t cut;     // bytes kept (0: all)
        std::uint32_t patchAt; // offset of a count to replace (0: none)
        std::uint32_t patchValue;
        const char* reason;
    };
    const std::uint32_t base = CMMObject::kSaveGameSize;
    const std::uint32_t reservedAt = base + 4 + 1 + 4 + 24 + 4 + 8 + 32;
    const std::uint32_t carriedAt = reservedAt + 4 + 2 * 32;
    const SCase cases[] = {
        {"cut in the points", base + 20, 0, 0, "bytes wanted"},
        {"eleven reserved", 0, reservedAt, 11, "reserved count"},
        {"six carried", 0, carriedAt, 6, "carried count"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        CMemStream bad;
        bad.Write(saved.m_pData, c.cut ? c.cut : saved.m_nPosition);
        if (c.patchAt) std::memcpy(bad.m_pData + c.patchAt, &c.patchValue, 4);
        // Room for the counts the patched record claims.
        std::vector<char> pad(400, 0);
        if (c.patchAt) bad.Write(pad.data(), std::uint32_t(pad.size()));
        bad.m_nPosition = 0;
        CGathererObject reader;
        reader.m_fHealth = 42.0f;
        try
        {
            reader.LoadGame(bad);
            ADD_FAILURE() << "read";
        }
        catch (const CStreamError& e)
        {
            EXPECT_NE(std::string(e.what()).find("gatherer record"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
        EXPECT_FLOAT_EQ(reader.m_fHealth, 42.0f) << "nothing applied";
    }
}
} // namespace
