// Flying machines: road wandering and turn-back, the refused road index,
// one-hit death with the player's events, the money drop and the return to
// play once the camera has been far.
#include "CombatFixture.h"

#include "world/GameWorldState.h"
#include "location/ViewCamera.h"
#include "units/FlyTehObject.h"
#include "units/KindManagers.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/RoadManager.h"
#include "world/TheThing.h"

#include <gtest/gtest.h>

using unittest::CCombatTest;

namespace
{
class CMachineEvents : public IMMAppEvent
{
public:
    void OnDamageObject(float, int) override { ++m_nDamaged; }
    void OnDestroyMachine(CMMObject*) override { ++m_nDestroyed; }
    int m_nDamaged = 0;
    int m_nDestroyed = 0;
};

class FlyingMachine : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        ASSERT_TRUE(g_FlyTehManager.Init("FlyTeh"));
        Write("main.ini", ReadText("main.ini") + "[THINGS]\nfilename=things.ini\n");
        Write("things.ini", "[TT_MONEY]\nTYPE=515\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_ThingManager.Init("THINGS"));
        m_savedNodes = g_RoadManager.m_Nodes;
        m_savedCamera = g_ViewCamera.m_vPosition;
        g_ViewCamera.m_vPosition = CVector{500.0f, 500.0f, 100.0f};
        g_pAppEvent = &m_Events;
    }
    void TearDown() override
    {
        g_pAppEvent = nullptr;
        g_RoadManager.m_Nodes = m_savedNodes;
        g_ViewCamera.m_vPosition = m_savedCamera;
        CCombatTest::TearDown();
    }
    // Nodes at the points, linked in a chain a - b - c ...
    static void Road(std::initializer_list<CVector> points)
    {
        g_RoadManager.m_Nodes.clear();
        for (const CVector& p : points)
        {
            CRoadManager::SNode n;
            n.position = p;
            g_RoadManager.m_Nodes.push_back(n);
        }
        for (std::size_t i = 0; i + 1 < g_RoadManager.m_Nodes.size(); ++i)
        {
            auto& a = g_RoadManager.m_Nodes[i];
            auto& b = g_RoadManager.m_Nodes[i + 1];
            a.links[a.linkCount++] = std::int32_t(i + 1);
            b.links[b.linkCount++] = std::int32_t(i);
        }
    }
    static CFlyTehObject* Machine(const CVector& at)
    {
        CMatrix m(1.0f);
        m.SetTranslation(at);
        return static_cast<CFlyTehObject*>(g_FlyTehManager.CreateObject("FTO_OBSERVER", &m, nullptr));
    }

    CMachineEvents m_Events;
    std::vector<CRoadManager::SNode> m_savedNodes;
    CVector m_savedCamera;
};

TEST_F(FlyingMachine, ADeadEndTurnsItBackAndAnUnknownKindIsLogged)
{
    Road({{500.0f, 500.0f, 0.0f}, {800.0f, 500.0f, 0.0f}, {1100.0f, 500.0f, 0.0f}});
    CFlyTehObject* m = Machine({810.0f, 500.0f, 20.0f});
    EXPECT_EQ(m->m_nRoadItem, 1);
    EXPECT_EQ(m->m_nPrevRoadItem, -1);
    // From the middle node either end; from an end only back.
    m->m_nPrevRoadItem = 0;
    EXPECT_EQ(m->GetNextRoadItem(), 2);
    EXPECT_EQ(m->GetNextRoadItem(), 1) << "the end node's only link leads back";
    EXPECT_EQ(m->m_nPrevRoadItem, 2);
    EXPECT_EQ(m->GetNextRoadItem(), 0);

    // Within 50 of the goal (20 above the node) the next node is taken.
    m->m_nRoadItem = 1;
    m->m_nPrevRoadItem = 2;
    m->SetPosition(CVector{800.0f, 500.0f, 20.0f});
    m->Run();
    EXPECT_EQ(m->m_nRoadItem, 0);

    CMatrix at(1.0f);
    CFlyTehObject stray;
    stray.Init(at, "FTO_NOTHING");
    EXPECT_EQ(stray.m_pKind, nullptr);
    EXPECT_NE(ReadText("error.log").find("CFlyTehObject::Init FTO_NOTHING not found"), std::string::npos);
}

TEST_F(FlyingMachine, ABadRoadIndexIsReportedNotReadAndNoRoadRemovesTheMachine)
{
    Road({{500.0f, 500.0f, 0.0f}, {800.0f, 500.0f, 0.0f}});
    CFlyTehObject* m = Machine({500.0f, 500.0f, 300.0f});
    m->m_nRoadItem = 57;
    m->Run();
    EXPECT_NE(ReadText("error.log").find("CFlyTehObject::Run RoadPoint is invalid"), std::string::npos);
    EXPECT_EQ(m->m_nRoadItem, 0);
    EXPECT_EQ(m->m_bAlive, 1);

    g_RoadManager.m_Nodes.clear();
    m->m_nRoadItem = 1;
    m->Run();
    EXPECT_EQ(m->m_bAlive, 0) << "no node left: the machine deletes itself";
}

TEST_F(FlyingMachine, OneHitDestroysItOnlyThePlayersHitRaisesEventsAndItReturnsAfterFar)
{
    Road({{500.0f, 500.0f, 0.0f}, {800.0f, 500.0f, 0.0f}});
    CFlyTehObject* m = Machine({600.0f, 500.0f, 20.0f});
    CGliderObject stranger;
    m->Damage(1.0f, CVector{}, 0, &stranger, -1, 666);
    EXPECT_EQ(m->m_bDestroyed, 1);
    EXPECT_EQ(m->m_bShown, 0);
    EXPECT_EQ(m_Events.m_nDestroyed, 0);
    m->Damage(1.0f, CVector{}, 0, &stranger, -1, 666);

    CFlyTehObject* second = Machine({700.0f, 500.0f, 20.0f});
    CMechanoid pilot;
    pilot.m_bPlayer = 1;
    CGliderObject player;
    player.m_pMechanoid = &pilot;
    second->Damage(1.0f, CVector{}, 0, &player, -1, 3);
    second->Damage(1.0f, CVector{}, 0, &player, -1, 3);
    EXPECT_EQ(m_Events.m_nDamaged, 1);
    EXPECT_EQ(m_Events.m_nDestroyed, 1);
    player.m_pMechanoid = nullptr;

    // Destroyed, it follows the roads unseen while the camera is near.
    m->Run();
    EXPECT_EQ(m->m_bDestroyed, 1);
    EXPECT_EQ(m->m_bShown, 0);
    g_ViewCamera.m_vPosition = CVector{600.0f + GetViewRange() + 10.0f, 500.0f, 0.0f};
    m->Run();
    EXPECT_EQ(m->m_bDestroyed, 0);
    g_ViewCamera.m_vPosition = CVector{500.0f, 500.0f, 100.0f};
    m->Run();
    EXPECT_EQ(m->m_bShown, 1);
    EXPECT_EQ(m->m_bPhysics, 1);
}

TEST_F(FlyingMachine, AboutHalfOfTheDestroyedMachinesDropMoney)
{
    Road({{500.0f, 500.0f, 0.0f}, {800.0f, 500.0f, 0.0f}});
    constexpr int kMachines = 200;
    for (int i = 0; i < kMachines; ++i)
        Machine({500.0f + float(i), 500.0f, 20.0f})->Explosion();
    SPointerArray<CMMObject> things;
    g_ObjectList.GetObjectList(OBJ_THING, things);
    EXPECT_GT(things.count, kMachines * 35 / 100);
    EXPECT_LT(things.count, kMachines * 65 / 100);
    ASSERT_GT(things.count, 0);
    auto* money = static_cast<CTheThing*>(things.items[0]);
    ASSERT_EQ(money->m_nContents, 1u);
    EXPECT_EQ(money->m_Contents[0].kind, 3u);
    EXPECT_EQ(money->m_Contents[0].amount, 1u);
    EXPECT_EQ(money->Hidden(), 1);
    EXPECT_EQ(Count(OBJ_SPLINTER), things.count);
}
} // namespace
