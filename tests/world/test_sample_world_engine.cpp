// The sample data tree (written by mksample) through the world engine:
// start-up from its database and cfg.ini, then its location entered. Run by
// the ctest entry world.sample_objects with TARVOX_SAMPLE_DIR set.
#include "common/SampleTree.h"
#include "SampleEngine.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/FileManager.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "units/KindManagers.h"
#include "world/Mech.h"
#include "world/TheThing.h"
#include "world/WorldSave.h"
#include "world/MMEngine.h"
#include "world/MechGroupList.h"
#include "world/ObjectManager.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

class SampleWorldEngine : public testutil::CLogDirTest
{
};

TEST_F(SampleWorldEngine, StartsUpAndEntersTheSampleLocation)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    {
        worldtest::CScene scene;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(engine, {RegisterUnitManagers}));
        EXPECT_EQ(g_StoneManager.m_nTypeCount, 3);
        EXPECT_FLOAT_EQ(engine.m_fMaxFreq, 40000.0f);
        engine.LoadWorld("sample.loc");
        ASSERT_NE(g_pWorld, nullptr);
        EXPECT_STREQ(g_pWorld->m_szLocationName, "sample");
        EXPECT_EQ(g_pWorld->m_nLocationNumber, -1);
        SPointerArray<CMMObject> stones;
        g_ObjectList.GetObjectList(OBJ_STONE, stones);
        EXPECT_EQ(stones.count, 3);
        EXPECT_NE(g_ObjectList.FindSysObject("START", 1), nullptr);
        EXPECT_NE(engine.m_sMapPath.find("sample.lop"), std::string::npos);
        EXPECT_EQ(g_RoadManager.GetNodeCount(), 14); // with the two door nodes
        EXPECT_EQ(g_RoadManager.m_Nodes[5].type, 1);
        EXPECT_EQ(g_MechGroupList.GetCount(), 2);
        // One simulated game day of the sample world, and a route over its roads.
        g_pWorld->GenerateWorld(true);
        g_pWorld->SimulateTime(24 * 120.0f);
        EXPECT_FLOAT_EQ(g_pWorld->m_fTime, 24 * 120.0f);
        EXPECT_TRUE(g_pWorld->CreateM1Group("PATROL1", true));
        SPathRoute route;
        float length = 0.0f;
        EXPECT_TRUE(g_pWorld->m_PathFinder.FindPath("ROAD1", "GATE", &route, &length, 7));
        EXPECT_EQ(route.Count(), 4);
        g_pWorld->DoneWorld();
        EXPECT_EQ(ReadText("error.log"), "");
        engine.Done();
        g_ResourceDB.Done();
    }
}

namespace
{
struct SObjectState
{
    std::int32_t type;
    std::int32_t number;
    std::string id;
    float x, y, z;
    int shown;
    bool operator<(const SObjectState& o) const
    {
        return std::tie(type, number, id) < std::tie(o.type, o.number, o.id);
    }
    bool operator==(const SObjectState& o) const
    {
        return type == o.type && number == o.number && id == o.id && x == o.x && y == o.y && z == o.z &&
               shown == o.shown;
    }
};

std::vector<SObjectState> Snapshot()
{
    std::vector<SObjectState> out;
    for (CMMObject* o : g_ObjectList.m_Objects)
    {
        if (!o->m_bAlive) continue;
        const CVector p = o->GetPosition();
        out.push_back({o->m_nType, o->m_nObjectNumber, o->m_szGameId, p.x, p.y, p.z, o->m_bShown});
    }
    std::sort(out.begin(), out.end());
    return out;
}
} // namespace

TEST_F(SampleWorldEngine, ASaveOfTheSampleWorldLoadsBackEqual)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    const bool ownFileManager = GetFileManager() == nullptr;
    if (ownFileManager) SetFileManager(new StdFileManager());
    const std::string save = (m_dir / "sample.sav").string();
    {
        worldtest::CScene scene;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(engine, {RegisterUnitManagers}));
        EXPECT_NE(g_GliderManager.FindName("GL_SCOUT"), -1);
        engine.LoadWorld("sample.loc");
        ASSERT_NE(g_pWorld, nullptr);
        g_pWorld->GenerateWorld(true);
        g_pWorld->SimulateTime(240.0f);
        // The named stones and the crate are saved; a thing dropped since
        // the location loaded comes back from the save alone.
        auto* crate = static_cast<CTheThing*>(g_ObjectList.FindByGameId("SAMPLE_CRATE", OBJ_THING));
        ASSERT_NE(crate, nullptr);
        crate->AddContent(0, "TOV_ORE", 5);
        crate->SetPosition(crate->GetPosition() + CVector{3.0f, 4.0f, 0.0f});
        g_ObjectList.FindByGameId("FIRSTSTONE", OBJ_STONE)->m_bSave = 1;
        g_ObjectList.FindByGameId("FLOATER", OBJ_STONE)->m_bShown = 0;
        g_ObjectList.FindByGameId("FLOATER", OBJ_STONE)->m_bSave = 1;
        CMatrix at(1.0f);
        at.SetTranslation(CVector{1250.0f, 1250.0f, 40.0f});
        static_cast<CTheThing*>(g_ThingManager.CreateObject("CONT_MONEY", &at, ""))
            ->AddContent(3, "MONEY", 900);
        const std::vector<SObjectState> before = Snapshot();
        std::vector<std::string> mechs;
        for (CMech* m : g_pWorld->m_Mechs)
            mechs.push_back(m->m_szId);
        const float time = g_pWorld->m_fTime;
        ASSERT_TRUE(SaveWorldFile(*g_pWorld, save.c_str()));

        // The location entered afresh (as a loaded game enters it), then the
        // save read over it.
        engine.LoadWorld("sample.loc");
        g_pWorld->GenerateWorld(false);
        ASSERT_TRUE(LoadWorldFile(*g_pWorld, save.c_str()));
        EXPECT_EQ(Snapshot(), before);
        std::vector<std::string> loaded;
        for (CMech* m : g_pWorld->m_Mechs)
            loaded.push_back(m->m_szId);
        EXPECT_EQ(loaded, mechs);
        EXPECT_FLOAT_EQ(g_pWorld->m_fTime, time);
        auto* back = static_cast<CTheThing*>(g_ObjectList.FindByGameId("SAMPLE_CRATE", OBJ_THING));
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(back->m_nContents, 1u);
        EXPECT_EQ(back->m_Contents[0].amount, 5u);
        g_pWorld->DoneWorld();
        EXPECT_EQ(ReadText("error.log"), "");
        engine.Done();
        g_ResourceDB.Done();
    }
    if (ownFileManager) SetFileManager(nullptr);
}
