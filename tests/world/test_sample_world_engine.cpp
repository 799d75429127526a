// The sample data tree (written by mksample) through the world engine:
// start-up from its database and cfg.ini, then its location entered. Run by
// the ctest entry world.sample_objects with TARVOX_SAMPLE_DIR set.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "units/KindManagers.h"
#include "world/MMEngine.h"
#include "world/MechGroupList.h"
#include "world/ObjectManager.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class SampleWorldEngine : public testutil::CLogDirTest
{
};

TEST_F(SampleWorldEngine, StartsUpAndEntersTheSampleLocation)
{
    const char* root = std::getenv("TARVOX_SAMPLE_DIR");
    if (!root) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    const std::string previous = plat::GetCurrentDirectory();
    ASSERT_TRUE(plat::SetCurrentDirectory(root));
    {
        worldtest::CScene scene;
        ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
        CMMEngine engine;
        engine.m_pfnMessageBox = [](const char* text) { ADD_FAILURE() << text; };
        RegisterUnitManagers();
        engine.MMInit();
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
        EXPECT_EQ(g_RoadManager.GetNodeCount(), 12);
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
    plat::SetCurrentDirectory(previous.c_str());
}
