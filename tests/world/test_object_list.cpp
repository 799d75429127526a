// The object list: numbering, look-ups, the per-frame run and physics
// steps, deletion through the queue and Pack, radius queries.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "world/GameWorldState.h"
#include "world/DynamicObject.h"
#include "world/ObjectList.h"
#include "world/Physics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

// An object that counts its runs and remembers every deletion it is told of.
class CProbe : public CDynamicObject
{
public:
    explicit CProbe(CVector p = {}, int type = OBJ_STONE)
    {
        m_nType = type;
        m_bShown = 1;
        m_fRadius = 1.0f;
        SetMatrix(CMatrix(1.0f));
        m_Frame.SetPosition(p);
    }
    ~CProbe() override
    {
        if (m_pDestroyed) m_pDestroyed->push_back(this);
    }
    void Run() override { ++m_nRuns; }
    void ProcessDelete(CMMObject* deleted) override { m_Told.push_back(deleted); }

    int m_nRuns = 0;
    std::vector<CMMObject*> m_Told;
    std::vector<CMMObject*>* m_pDestroyed = nullptr;
};

class CRecordingPhysics : public CPhysics
{
public:
    void PreMove(CDynamicObject* o, float dt) override { m_PreMoves.push_back({o, dt}); }
    bool Move(CDynamicObject* o, float dt) override
    {
        m_Moves.push_back({o, dt});
        return true;
    }
    std::vector<std::pair<CDynamicObject*, float>> m_PreMoves, m_Moves;
};

class ObjectList : public testutil::CLogDirTest
{
protected:
    CProbe* Add(CVector p = {}, int type = OBJ_STONE)
    {
        auto* o = new CProbe(p, type);
        g_ObjectList.AddObject(o);
        return o;
    }
    worldtest::CScene m_Scene;
};

} // namespace

TEST_F(ObjectList, NumbersObjectsKeepingGivenNumbers)
{
    EXPECT_EQ(Add()->m_nObjectNumber, 1);
    Add();
    Add();
    auto* given = new CProbe;
    given->m_nObjectNumber = 5;
    g_ObjectList.AddObject(given);
    EXPECT_EQ(given->m_nObjectNumber, 5);
    EXPECT_EQ(Add()->m_nObjectNumber, 6);

    auto* numbered = new CProbe;
    numbered->m_bNumbered = 1;
    g_ObjectList.AddObject(numbered);
    EXPECT_EQ(numbered->m_nSaveNumber, 1);
    EXPECT_EQ(g_ObjectList.FindByNumber(1), numbered);
    EXPECT_EQ(g_ObjectList.FindByNumberAndType(5, 0), given);
    EXPECT_EQ(g_ObjectList.FindByNumberAndType(5, OBJ_TREE), nullptr);

    g_ObjectList.m_bLoading = 1;
    EXPECT_EQ(Add()->m_nObjectNumber, 1000001);
    EXPECT_EQ(Add()->m_nObjectNumber, 1000002);
}

TEST_F(ObjectList, FindsNamedObjectsAndSystemPointsByName)
{
    auto* stone = new CProbe;
    std::snprintf(stone->m_szGameId, 32, "ROCK");
    g_ObjectList.AddObject(stone);
    Add(); // without a name
    EXPECT_EQ(g_ObjectList.m_NamedObjects.GetCount(), 1);
    EXPECT_EQ(g_ObjectList.FindByGameId("ROCK", 0), stone);
    EXPECT_EQ(g_ObjectList.FindByGameId("ROCK", OBJ_STONE), stone);
    EXPECT_EQ(g_ObjectList.FindByGameId("ROCK", OBJ_GLIDER), nullptr);
    EXPECT_EQ(g_ObjectList.FindByGameId("rock", 0), nullptr);

    for (const char* name : {"ab", "abc", "a"})
        g_ObjectList.AddSysObject(new CSysObject(CMatrix(1.0f), name, 2));
    for (const char* mask : {"ab*", "ab"})
    {
        SPointerArray<CSysObject> found;
        g_ObjectList.FindSysObjectsByMask(mask, found);
        ASSERT_EQ(found.count, 2) << mask;
        EXPECT_STREQ(found.items[0]->m_szName, "ab");
        EXPECT_STREQ(found.items[1]->m_szName, "abc");
    }
    EXPECT_EQ(g_ObjectList.FindSysObject("abc", 3), nullptr);
    ASSERT_NE(g_ObjectList.FindSysObject("abc", 0), nullptr);
    EXPECT_EQ(g_ObjectList.GetRandomSysObj(9), nullptr);
    ASSERT_NE(g_ObjectList.GetRandomSysObj(2), nullptr);
    EXPECT_EQ(g_ObjectList.FindSysObject("abc", 2)->m_fRadius, 200.0f);
}

TEST_F(ObjectList, RunCutsAtElevenTenthsOfTheViewRange)
{
    const float cut = 2560.0f * 1.1f;
    CProbe* near = Add({cut - 1.0f, 0, 0});
    CProbe* edge = Add({cut, 0, 0});
    CProbe* always = Add({cut * 2, 0, 0});
    CProbe* still = Add({10, 0, 0});
    for (CProbe* o : {near, edge, always})
    {
        o->m_bMoving = 1;
        g_ObjectList.m_MovingObjects.AddTail(o);
    }
    always->m_bAlwaysRun = 1;
    g_PlayerHitNotes.level = 2;
    g_PlayerHitNotes.flags[1] = 1;
    g_ObjectList.Run();
    EXPECT_EQ(near->m_nRuns, 1);
    EXPECT_EQ(edge->m_nRuns, 0);
    EXPECT_EQ(always->m_nRuns, 1);
    EXPECT_EQ(still->m_nRuns, 0);
    EXPECT_EQ(g_PlayerHitNotes.level, -1);
    EXPECT_EQ(g_PlayerHitNotes.flags[1], 0);
}

TEST_F(ObjectList, PhysicsRunsInSubStepsOfAtMostTwoTenths)
{
    CRecordingPhysics physics;
    CPhysics* saved = g_pPhysics;
    g_pPhysics = &physics;
    auto* mover = new CProbe;
    mover->m_bPhysics = 1;
    g_ObjectList.AddObject(mover);
    auto* lagged = new CProbe;
    lagged->m_bPhysics = 1;
    lagged->m_bNetwork = 1;
    lagged->m_fLagTime = 0.3f;
    g_ObjectList.AddObject(lagged);

    CDynamicObject camera;
    camera.m_bPhysics = 1;
    g_pCameraObject = &camera;

    EXPECT_EQ(g_ObjectList.StepPhysics(0.5f), 3);
    g_pPhysics = saved;
    g_pCameraObject = nullptr;
    ASSERT_EQ(physics.m_Moves.size(), 9u);
    const float steps[] = {0.2f, 0.2f, 0.1f};
    for (int i = 0; i < 3; ++i)
    {
        // The camera first, with the sub-step: over the frame it moves by
        // the frame time, not three times the frame time.
        EXPECT_EQ(physics.m_Moves[3 * i].first, &camera);
        EXPECT_NEAR(physics.m_Moves[3 * i].second, steps[i], 1e-6f);
        EXPECT_EQ(physics.m_Moves[3 * i + 1].first, mover);
        EXPECT_NEAR(physics.m_Moves[3 * i + 1].second, steps[i], 1e-6f);
    }
    // A remote object catches up its lag in the first step, once.
    EXPECT_NEAR(physics.m_PreMoves[2].second, 0.1f + 0.3f, 1e-6f);
    EXPECT_NEAR(physics.m_Moves[2].second, 0.4f, 1e-6f);
    EXPECT_NEAR(physics.m_Moves[5].second, 0.2f, 1e-6f);
    EXPECT_EQ(lagged->m_fLagTime, 0.0f);
}

TEST_F(ObjectList, DeletionQueueHoldsAtMost499AndEveryDeletionIsAnnounced)
{
    CProbe* watcher = Add();
    watcher->m_bDeleteNotify = 1;
    std::vector<CMMObject*> destroyed;
    std::vector<CProbe*> doomed;
    for (int i = 0; i < 500; ++i)
    {
        CProbe* o = Add();
        o->m_bQueueOnDelete = 1;
        o->m_pDestroyed = &destroyed;
        doomed.push_back(o);
    }
    CProbe* unqueued = Add(); // no queue flag
    unqueued->m_pDestroyed = &destroyed;
    for (CProbe* o : doomed)
        g_ObjectList.DeleteObject(o);
    g_ObjectList.DeleteObject(unqueued);
    EXPECT_EQ(g_ObjectList.m_nDeleteQueue, 499);
    EXPECT_EQ(doomed.back()->m_bAlive, 0);
    EXPECT_NE(ReadText("error.log").find("COBjectList::DeleteObject count overflow. ObjectType = 3"),
              std::string::npos);

    g_ObjectList.Pack(true);
    EXPECT_EQ(destroyed.size(), 501u);
    // The overflowing and the unqueued deletion were announced too, before
    // the objects went: no one is left holding a dangling pointer.
    ASSERT_EQ(watcher->m_Told.size(), 501u);
    EXPECT_EQ(watcher->m_Told[499], doomed.back());
    EXPECT_EQ(watcher->m_Told[500], unqueued);
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 1);
    EXPECT_EQ(g_ObjectList.m_nDeleteQueue, 0);
}

TEST_F(ObjectList, PackNotEntireRemovesOnlyDeadMovers)
{
    std::vector<CMMObject*> destroyed;
    CProbe* mover = Add();
    mover->m_bMoving = 1;
    g_ObjectList.m_MovingObjects.AddTail(mover);
    mover->m_pDestroyed = &destroyed;
    CProbe* still = Add();
    still->m_pDestroyed = &destroyed;
    CProbe* large = Add();
    g_ObjectList.AddChild(large);
    g_ObjectList.AddChild(still);
    for (CProbe* o : {mover, still})
        g_ObjectList.DeleteObject(o);

    g_ObjectList.Pack(false);
    EXPECT_EQ(destroyed, std::vector<CMMObject*>{mover});
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 2);
    EXPECT_TRUE(g_ObjectList.m_Objects.Contains(still));
    EXPECT_EQ(g_ObjectList.m_MovingObjects.GetCount(), 0);
    ASSERT_EQ(g_ObjectList.m_nLargeObjects, 1);
    EXPECT_EQ(g_ObjectList.m_LargeObjects[0], large);
    EXPECT_TRUE(m_Scene.m_Cells.m_Cells[0].Contains(still));
    EXPECT_FALSE(m_Scene.m_Cells.m_Cells[0].Contains(mover));

    g_ObjectList.Pack(true);
    EXPECT_EQ(destroyed.size(), 2u);
}

TEST_F(ObjectList, RadiusQueryIncludesTheBoundaryAndStopsAtFifty)
{
    const CVector centre{3200, 3200, 0};
    CProbe* onEdge = Add({3300, 3200, 0});
    Add({3300.01f, 3200, 0});
    Add({3250, 3200, 0}, OBJ_TREE);
    CProbe* dead = Add({3210, 3200, 0});
    dead->m_bAlive = 0;
    SRadiusResult result;
    CObjectList::GetObjectsInRadius(&centre, 100.0f, OBJ_STONE, &result);
    ASSERT_EQ(result.count, 1);
    EXPECT_EQ(result.objects[0], onEdge);

    // Listed in two cells, still found once.
    m_Scene.m_Cells.AddTo(worldtest::CellOf({3900, 3200, 0}), onEdge);
    CObjectList::GetObjectsInRadius(&centre, 700.0f, OBJ_STONE, &result);
    EXPECT_EQ(result.count, 2);

    for (int i = 0; i < 60; ++i)
        Add({3200.0f + float(i), 3100, 0});
    CObjectList::GetObjectsInRadius(&centre, 700.0f, OBJ_STONE, &result);
    EXPECT_EQ(result.count, 50);
}

TEST_F(ObjectList, GetObjectListFiltersByTypeAndSkipsTheDead)
{
    Add({}, OBJ_TREE);
    Add();
    Add()->m_bAlive = 0;
    SPointerArray<CMMObject> out;
    g_ObjectList.GetObjectList(OBJ_STONE, out);
    EXPECT_EQ(out.count, 1);
    g_ObjectList.GetObjectList(0, out);
    EXPECT_EQ(out.count, 2);
    g_ObjectList.GetObjectList(OBJ_LAMP, out);
    EXPECT_EQ(out.count, 0);
    EXPECT_EQ(out.items, nullptr);
}

TEST_F(ObjectList, ANetObjectThatIsNotListedIsLogged)
{
    CProbe* o = Add();
    o->m_nNetId = 9;
    g_ObjectList.AddNetObject(o);
    EXPECT_EQ(g_ObjectList.FindNetObject(9), o);
    g_ObjectList.DeleteNetObject(o);
    EXPECT_EQ(g_ObjectList.FindNetObject(9), nullptr);
    g_ObjectList.DeleteNetObject(o);
    EXPECT_NE(ReadText("error.log").find("CObjectList::DeleteNetObject object not found"), std::string::npos);
}
