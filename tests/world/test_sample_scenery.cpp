// The sample location's scenery (trees, the lamp) through the world engine,
// from the tree mksample writes. Run by the ctest entry world.sample_objects.
#include "common/SampleTree.h"
#include "SampleEngine.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "units/KindManagers.h"
#include "world/KindManagers.h"
#include "world/LampObject.h"
#include "world/MMEngine.h"
#include "world/TreeObject.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class SampleWorldEngineScenery : public testutil::CLogDirTest
{
};

TEST_F(SampleWorldEngineScenery, TreesAndTheLampOfTheSampleLocation)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    {
        worldtest::CScene scene;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(engine, {RegisterUnitManagers}));
        EXPECT_EQ(g_TreeManager.m_nTypeCount, 2);
        ASSERT_EQ(g_LampManager.m_nTypeCount, 1);
        EXPECT_FLOAT_EQ(g_LampManager.GetKind(0)->m_fRadius, 150.0f);
        EXPECT_FLOAT_EQ(g_SoundZoneManager.GetKind(0)->m_fPeriod, 10.0f);
        engine.LoadWorld("sample.loc");
        SPointerArray<CMMObject> trees, lamps;
        g_ObjectList.GetObjectList(OBJ_TREE, trees);
        g_ObjectList.GetObjectList(OBJ_LAMP, lamps);
        EXPECT_EQ(trees.count, 3);
        ASSERT_EQ(lamps.count, 1);
        EXPECT_NE(dynamic_cast<CLampObject*>(lamps.items[0]), nullptr);
        EXPECT_NE(g_ObjectList.FindByGameId("BIG_PINE", OBJ_TREE), nullptr);
        EXPECT_EQ(ReadText("error.log"), "");
        engine.Done();
        g_ResourceDB.Done();
    }
}
