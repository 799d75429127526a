// The radar's state: the reveal rule, the route, marking and unmarking, and
// the "RADAR" chunk written and read back (and refused when damaged or
// written for another map size).

#include "common/LogDirTest.h"
#include "world/WorldTestScene.h"

#include "foundation/MemStream.h"
#include "hud/radar/Radar.h"
#include "society/MechGroup.h"
#include "world/Mech.h"
#include "world/RoadManager.h"
#include "world/SysObject.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
class CNamedObject : public CMMObject
{
public:
    CNamedObject(const char* id, int type, CVector p)
    {
        m_nType = type;
        std::strncpy(m_szGameId, id, 31);
        SetMatrix(CMatrix(1.0f));
        m_Frame.SetPosition(p);
    }
};

// The centre of explored cell (column, row).
CVector CellCentre(int column, int row)
{
    return CVector{(float(column) + 0.5f) * 80.0f, (float(row) + 0.5f) * 80.0f, 0.0f};
}

class RadarState : public testutil::CLogDirTest
{
protected:
    RadarState()
    {
        m_Radar.Reset();
        m_Radar.InitLocationMap("none.lom", 4, 4); // 32 x 32 explored cells
        g_pWorld = &m_World;
    }
    ~RadarState() override
    {
        g_pWorld = nullptr;
        g_RoadManager.m_Nodes.clear();
        g_MechGroupList2.Clear();
    }
    CMMObject* AddObject(const char* id, int type, CVector p)
    {
        auto* object = new CNamedObject(id, type, p);
        g_ObjectList.AddObject(object);
        return object;
    }
    CMechGroup2* AddGroup(const char* name, CVector p)
    {
        if (g_MechGroupList2.m_Groups.empty()) // the player's group comes first
            g_MechGroupList2.AddGroup(&m_PlayerGroup);
        auto* group = new CMechGroup2;
        std::strncpy(group->m_szName, name, 31);
        group->m_vCentre = p;
        g_MechGroupList2.AddGroup(group);
        return group;
    }
    std::uint8_t Cell(int column, int row) const { return m_Radar.ExploredAt(column, row); }

    worldtest::CScene m_Scene;
    CWorld m_World;
    CRadar m_Radar;
    CPlayerMechGroup2 m_PlayerGroup;
};
} // namespace

TEST_F(RadarState, RevealFadesFromHalfTheRadiusAndNeverLowersACell)
{
    const CVector p = CellCentre(12, 12);
    m_Radar.OpenMap(p, 320.0f, false);
    EXPECT_EQ(Cell(12, 12), 255);
    EXPECT_EQ(Cell(14, 12), 255); // r / 2
    EXPECT_EQ(Cell(15, 12), 127); // 3r / 4
    EXPECT_EQ(Cell(16, 12), 0);   // r: nothing left
    EXPECT_EQ(Cell(12, 8), 0);

    // 49 units on, even a larger radius does nothing; at 50 it runs.
    m_Radar.OpenMap(CVector{p.x + 49.0f, p.y, 0.0f}, 800.0f, false);
    EXPECT_EQ(Cell(16, 12), 0);
    m_Radar.m_Explored[12 * 32 + 22] = 200;
    m_Radar.OpenMap(CVector{p.x + 50.0f, p.y, 0.0f}, 800.0f, false);
    EXPECT_EQ(Cell(16, 12), 255);
    EXPECT_EQ(Cell(15, 12), 255); // raised from 127
    EXPECT_EQ(Cell(22, 12), 200); // would get 31: keeps its value
    EXPECT_GT(Cell(17, 12), 127);

    // Outside the location: the bounds grow, no cell changes.
    const std::vector<std::uint8_t> before = m_Radar.m_Explored;
    m_Radar.OpenMap(CVector{-5000.0f, 9000.0f, 0.0f}, 100.0f, false);
    EXPECT_EQ(m_Radar.m_Explored, before);
    CVector minimum, maximum;
    m_Radar.GetBMVector(&minimum, &maximum);
    EXPECT_FLOAT_EQ(minimum.x, -5100.0f);
    EXPECT_FLOAT_EQ(maximum.y, 9100.0f);
    EXPECT_FLOAT_EQ(maximum.x, p.x + 50.0f + 800.0f);
}

TEST_F(RadarState, RouteKeepsNineWaypointsAndAdvancesWithinReach)
{
    // Without a target a bearing only places the (unset) target.
    m_Radar.SetBearing(CVector{5.0f, 6.0f, 0.0f});
    EXPECT_EQ(m_Radar.m_bTargetSet, 0);
    EXPECT_FLOAT_EQ(m_Radar.m_vTarget.x, 5.0f);
    EXPECT_TRUE(m_Radar.m_Route.IsEmpty());

    const CVector start{100.0f, 100.0f, 0.0f};
    m_Radar.SetTarget(1, &start, false);
    for (int i = 1; i <= 10; ++i)
        m_Radar.SetBearing(CVector{100.0f + 1000.0f * float(i), 100.0f, 0.0f});
    ASSERT_EQ(m_Radar.m_Route.GetCount(), 9); // the first one pushed is gone

    // Far from the target nothing moves; within 150 units (horizontally,
    // whatever the height) the next waypoint in push order becomes the target.
    m_Radar.OpenMap(CVector{400.0f, 100.0f, 0.0f}, 10.0f, true);
    EXPECT_FLOAT_EQ(m_Radar.m_vTarget.x, 100.0f);
    for (int i = 2; i <= 10; ++i)
    {
        const CVector here{m_Radar.m_vTarget.x + 149.0f, 100.0f, 900.0f};
        m_Radar.OpenMap(here, 10.0f, true);
        EXPECT_FLOAT_EQ(m_Radar.m_vTarget.x, 100.0f + 1000.0f * float(i)) << i;
    }
    EXPECT_TRUE(m_Radar.m_Route.IsEmpty());
    m_Radar.OpenMap(m_Radar.m_vTarget, 10.0f, true);
    EXPECT_FLOAT_EQ(m_Radar.m_vTarget.x, 10100.0f);
}

TEST_F(RadarState, MarkObjectTriesMechanoidsThenObjectsPointsAndRoads)
{
    AddObject("BUILDING_A", OBJ_BUILDING, CellCentre(3, 3));
    AddObject("STONE_A", OBJ_STONE, CellCentre(20, 3));
    AddObject("MECH_A", OBJ_BUILDING, CellCentre(25, 25)); // shares the mechanoid's name
    g_ObjectList.AddSysObject(new CSysObject(CMatrix(1.0f), "POINT_A", 2));
    CRoadManager::SNode node;
    std::strcpy(node.name, "NODE_A");
    node.position = CellCentre(30, 30);
    g_RoadManager.m_Nodes.push_back(node);
    m_World.AddMech("MECH_A");

    EXPECT_TRUE(m_Radar.MarkObject("BUILDING_A", true));
    EXPECT_EQ(m_Radar.m_bTargetSet, 1);
    EXPECT_FLOAT_EQ(m_Radar.m_vTarget.x, CellCentre(3, 3).x);
    EXPECT_EQ(Cell(3, 3), 255); // the target's surroundings are revealed
    EXPECT_TRUE(m_Radar.MarkObject("STONE_A", true));
    EXPECT_TRUE(m_Radar.MarkObject("POINT_A", true));
    EXPECT_TRUE(m_Radar.MarkObject("NODE_A", false));
    EXPECT_FLOAT_EQ(m_Radar.m_vTarget.y, CellCentre(30, 30).y);
    // A mechanoid's name is found as a mechanoid first: no building mark.
    EXPECT_TRUE(m_Radar.MarkObject("MECH_A", true));
    EXPECT_EQ(m_Radar.m_bFollowMech, 1);
    EXPECT_FALSE(m_Radar.MarkObject("NOBODY", true));
    EXPECT_NE(Tree().ErrorLog().find("CRadar::MarkObject object 'NOBODY' not found"), std::string::npos);

    ASSERT_EQ(m_Radar.m_BuildingMarks.GetCount(), 1);
    EXPECT_STREQ(m_Radar.m_BuildingMarks[0], "BUILDING_A");
    ASSERT_EQ(m_Radar.m_PointMarks.GetCount(), 1);
    EXPECT_STREQ(m_Radar.m_PointMarks[0], "POINT_A");
    ASSERT_EQ(m_Radar.m_MechMarks.GetCount(), 1);

    // Unmarking ends the target and the point and mechanoid marks, not the
    // building's.
    m_Radar.UnmarkObject("BUILDING_A");
    m_Radar.UnmarkObject("POINT_A");
    m_Radar.UnmarkObject("MECH_A");
    EXPECT_EQ(m_Radar.m_bTargetSet, 0);
    EXPECT_TRUE(m_Radar.IsMarked("BUILDING_A"));
    EXPECT_FALSE(m_Radar.IsMarked("POINT_A"));
    EXPECT_FALSE(m_Radar.IsMarked("MECH_A"));
}

TEST_F(RadarState, TargetFollowsAGroupUntilItRuns)
{
    CMechGroup2* group = AddGroup("GROUP_A", CVector{10.0f, 20.0f, 0.0f});
    EXPECT_FALSE(m_Radar.MarkGroup("NOBODY"));
    EXPECT_EQ(m_Radar.m_bTargetSet, 0);
    ASSERT_TRUE(m_Radar.MarkGroup("GROUP_A"));
    EXPECT_EQ(m_Radar.m_bTargetSet, 1);
    group->m_vCentre = CVector{30.0f, 40.0f, 0.0f};
    m_Radar.UpdateFollow();
    EXPECT_FLOAT_EQ(m_Radar.m_vTarget.x, 30.0f);
    EXPECT_EQ(m_Radar.m_bFollowGroup, 1);
    group->m_bActive = 1;
    m_Radar.UpdateFollow();
    EXPECT_EQ(m_Radar.m_bFollowGroup, 0);
    EXPECT_EQ(m_Radar.m_bTargetSet, 0);
}

TEST_F(RadarState, ChunkRoundTripsAndRefusesAnotherMapSize)
{
    m_Radar.OpenMap(CellCentre(5, 7), 400.0f, false);
    const CVector target{1.0f, 2.0f, 3.0f};
    m_Radar.SetTarget(1, &target, false);
    m_Radar.m_bFollowGroup = 1;
    std::strcpy(m_Radar.m_szTargetGroup, "GROUP_A");
    m_Radar.m_BuildingMarks.AddUnique("B1");
    m_Radar.m_PointMarks.AddUnique("P1");
    m_Radar.m_PointMarks.AddUnique("P2");
    m_Radar.m_MechMarks.AddUnique("M1");
    m_Radar.m_ShownClans.AddUnique("ORG_A");
    CMemStream saved;
    m_Radar.SaveToStream(saved);
    const std::uint32_t size = saved.m_nPosition;
    const auto reopen = [&saved, size]
    {
        saved.m_nCapacity = size;
        saved.m_nPosition = 0;
    };

    CRadar loaded;
    loaded.InitLocationMap("none.lom", 4, 4);
    reopen();
    ASSERT_TRUE(loaded.LoadFromStream(saved));
    EXPECT_EQ(loaded.m_Explored, m_Radar.m_Explored);
    EXPECT_EQ(loaded.m_bTargetSet, 1);
    EXPECT_FLOAT_EQ(loaded.m_vTarget.z, 3.0f);
    EXPECT_EQ(loaded.m_bFollowGroup, 1);
    EXPECT_STREQ(loaded.m_szTargetGroup, "GROUP_A");
    EXPECT_EQ(loaded.m_BuildingMarks, m_Radar.m_BuildingMarks);
    EXPECT_EQ(loaded.m_PointMarks, m_Radar.m_PointMarks);
    EXPECT_EQ(loaded.m_MechMarks, m_Radar.m_MechMarks);
    EXPECT_EQ(loaded.m_ShownClans, m_Radar.m_ShownClans);
    EXPECT_FLOAT_EQ(loaded.m_vExploredMin.x, m_Radar.m_vExploredMin.x);
    EXPECT_FLOAT_EQ(loaded.m_vExploredMax.y, m_Radar.m_vExploredMax.y);

    // Version 260 has no shown clans: the loader keeps its own.
    {
        CMemStream old;
        old.Write(saved.m_pData, size - 4 - 32);
        old.m_pData[0] = 4; // 260 = 0x104
        old.m_nCapacity = old.m_nPosition;
        old.m_nPosition = 0;
        CRadar older;
        older.InitLocationMap("none.lom", 4, 4);
        older.m_ShownClans.AddUnique("ORG_KEPT");
        ASSERT_TRUE(older.LoadFromStream(old));
        ASSERT_EQ(older.m_ShownClans.GetCount(), 1);
        EXPECT_STREQ(older.m_ShownClans[0], "ORG_KEPT");
        EXPECT_EQ(older.m_MechMarks, m_Radar.m_MechMarks);
    }

    // Refused, one line each, nothing changed: another map size (bigger and
    // smaller), cut short, a count past the end, an unknown version.
    struct SCase
    {
        const char* what;
        int cells;
        std::uint32_t keep;
        int patchAt;
        std::uint8_t patch;
    };
    const SCase cases[] = {
        {"bigger map", 5, size, -1, 0},    {"smaller map", 3, size, -1, 0},
        {"cut short", 4, size - 1, -1, 0}, {"count past the end", 4, size, int(50 + 32 * 32), 0x7F},
        {"version", 4, size, 1, 0x02},
    };
    for (const SCase& c : cases)
    {
        CMemStream bad;
        bad.Write(saved.m_pData, c.keep);
        if (c.patchAt >= 0) bad.m_pData[c.patchAt] = c.patch;
        bad.m_nCapacity = bad.m_nPosition;
        bad.m_nPosition = 0;
        CRadar other;
        other.InitLocationMap("none.lom", c.cells, c.cells);
        other.m_BuildingMarks.AddUnique("KEEP");
        const std::size_t before = Tree().ErrorLog().size();
        EXPECT_FALSE(other.LoadFromStream(bad)) << c.what;
        EXPECT_EQ(other.m_BuildingMarks.GetCount(), 1) << c.what;
        EXPECT_EQ(other.m_bTargetSet, 0) << c.what;
        const std::string line = Tree().ErrorLog().substr(before);
        EXPECT_NE(line.find("RADAR chunk"), std::string::npos) << c.what;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << c.what;
    }
}
