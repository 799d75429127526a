// The sample data tree's objects file and object kinds (written by
// mksample): every section loads through its manager. The ctest entry
// world.sample_objects runs this with TARVOX_SAMPLE_DIR set to a fresh tree.
#include "common/SampleTree.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "foundation/ResourceDB.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "world/BoundObject.h"
#include "world/LocMusic.h"
#include "world/MechGroupList.h"
#include "world/ObjectManager.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>
#include <string>

class SampleWorld : public testutil::CLogDirTest
{
};

TEST_F(SampleWorld, TheSampleObjectsFileLoadsThroughTheManagers)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    worldtest::CScene scene;
    ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
    ASSERT_TRUE(g_StoneManager.Init(plat::Utf8ToCp1251("Камни").c_str()));
    ASSERT_TRUE(g_HelperManager.Init(plat::Utf8ToCp1251("Хелперы").c_str()));
    ASSERT_TRUE(g_BoundaryManager.Init("Boundary"));
    CRoadManager roads;
    ASSERT_TRUE(roads.Init(plat::Utf8ToCp1251("Дороги").c_str()));
    EXPECT_EQ(g_StoneManager.m_nTypeCount, 3);

    CPakStream file;
    ASSERT_TRUE(GetPakFileSystem().OpenStream("Data\\Locs\\sample.loo", file));
    std::uint32_t sections = 0;
    ASSERT_EQ(file.ReadBytes(&sections, 4), 4u);
    g_ObjectList.m_bLoading = 1;
    for (std::uint32_t i = 0; i < sections; ++i)
    {
        std::int32_t code = 0;
        ASSERT_EQ(file.ReadBytes(&code, 4), 4u);
        if (code == OBJ_HELPER)
            g_HelperManager.LoadObjectsFrom(file);
        else if (code == OBJ_BOUND)
            g_BoundaryManager.LoadObjectsFrom(file);
        else if (code == OBJ_ROAD)
            roads.LoadObjectsFrom(file);
        else
            g_StoneManager.LoadObjectsFrom(file);
    }
    g_ObjectList.m_bLoading = 0;
    // The five blocks follow: the group descriptions, the goods trade, the
    // music, an empty one and the equipment stock.
    std::uint32_t length = 0;
    ASSERT_EQ(file.ReadBytes(&length, 4), 4u);
    CMemStream groups;
    ASSERT_EQ(file.ReadBytes(groups.Allocate(length), length), length);
    CMechGroupList list;
    list.Load(groups);
    EXPECT_EQ(list.GetCount(), 2);
    ASSERT_NE(list.Find("PATROL1"), nullptr);
    EXPECT_EQ(list.Find("PATROL1")->m_RoadSet.size(), 4u);
    // Block 2 holds the goods trade (read by the society's tests); block 3
    // the music with one ambient zone.
    ASSERT_EQ(file.ReadBytes(&length, 4), 4u);
    EXPECT_GT(length, 8u);
    CMemStream tradeBlock;
    ASSERT_EQ(file.ReadBytes(tradeBlock.Allocate(length), length), length);
    ASSERT_EQ(file.ReadBytes(&length, 4), 4u);
    CMemStream musicBlock;
    ASSERT_EQ(file.ReadBytes(musicBlock.Allocate(length), length), length);
    SLocMusic music;
    music.Load(musicBlock);
    EXPECT_STREQ(music.m_szMusic, "MUS_THEME");
    ASSERT_EQ(music.m_nZones, 1u);
    EXPECT_STREQ(music.m_Zones[0].sound, "SND_CHORD");
    // Block 4 holds the two clans' location records and the hall, owned by
    // the merchants; block 5 the equipment stock, to the end.
    ASSERT_EQ(file.ReadBytes(&length, 4), 4u);
    CMemStream worldBlock;
    ASSERT_EQ(file.ReadBytes(worldBlock.Allocate(length), length), length);
    CWorld world;
    world.LoadLocationData(worldBlock);
    ASSERT_EQ(world.m_OrgData.size(), 2u);
    EXPECT_STREQ(world.m_OrgData[1].name, "ORG_MERCHANTS");
    ASSERT_EQ(world.m_nBuildings, 1);
    EXPECT_STREQ(world.m_Buildings[0].owner, "ORG_MERCHANTS");
    ASSERT_EQ(file.ReadBytes(&length, 4), 4u);
    EXPECT_GT(length, 0u);
    EXPECT_EQ(file.GetLength() - file.Tell(), length);
    file.Close();

    // Twelve, and the two at the east tunnel's and the garage's doors.
    ASSERT_EQ(roads.GetNodeCount(), 14);
    EXPECT_EQ(roads.FindRoadNode("GATE"), 3);
    std::vector<std::int32_t> path;
    EXPECT_TRUE(roads.GetNearestPath(0, 11, path));
    EXPECT_EQ(path.front(), 0);
    EXPECT_EQ(path.back(), 11);

    SPointerArray<CMMObject> stones;
    g_ObjectList.GetObjectList(OBJ_STONE, stones);
    EXPECT_EQ(stones.count, 3);
    ASSERT_NE(g_ObjectList.FindByGameId("FIRSTSTONE", OBJ_STONE), nullptr);
    EXPECT_NE(g_ObjectList.FindSysObject("GATE_EAST", 2), nullptr);
    auto* middle = static_cast<CBoundObject*>(g_ObjectList.FindByNumberAndType(2, OBJ_BOUND));
    ASSERT_NE(middle, nullptr);
    EXPECT_EQ(middle->m_nLinks, 2);
    EXPECT_EQ(middle->m_Fence.m_nVertexCount, 6u); // a fence to either neighbour
    EXPECT_EQ(ReadText("error.log"), "");
    g_ResourceDB.Done();
}
