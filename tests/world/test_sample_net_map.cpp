// The network test game's map "net_test.mmp" of the sample tree (written by
// mksample): the world engine enters it by that name and finds its objects
// file, its map and the buildings the network game starts in; the radar
// map lies beside it. Run by the ctest entry world.sample_objects with
// TARVOX_SAMPLE_DIR set.
#include "common/SampleTree.h"
#include "SampleEngine.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/PakFileSystem.h"
#include "foundation/ResourceDB.h"
#include "units/KindManagers.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <string>

class SampleWorldEngineNetMap : public testutil::CLogDirTest
{
};

TEST_F(SampleWorldEngineNetMap, TheNetworkMapIsTheSampleLocationUnderItsOwnName)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    {
        worldtest::CScene scene;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(engine, {RegisterUnitManagers}));
        engine.LoadWorld("net_test.mmp");
        ASSERT_NE(g_pWorld, nullptr);
        EXPECT_STREQ(g_pWorld->m_szLocationName, "net_test");
        EXPECT_NE(engine.m_sMapPath.find("net_test.mmp"), std::string::npos);
        // The two halls of type 1, where a network game may start.
        EXPECT_NE(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING), nullptr);
        EXPECT_NE(g_ObjectList.FindByGameId("SAMPLE_DEPOT", OBJ_BUILDING), nullptr);
        // The radar reads the map name with its last character "m".
        CPakStream radar;
        EXPECT_TRUE(GetPakFileSystem().OpenStream("Data\\Locs\\net_test.mmm", radar));
        radar.Close();
        EXPECT_EQ(ReadText("error.log"), "");
        engine.Done();
        g_ResourceDB.Done();
    }
}
