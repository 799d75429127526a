// Capsules: station pairing and the shuttle run with its wrap-around.
#include "CombatFixture.h"

#include "units/CapsuleObject.h"
#include "units/KindManagers.h"
#include "world/KindManagers.h"

#include <gtest/gtest.h>

#include <vector>

using unittest::CCombatTest;

namespace
{
class Capsule : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        Write("main.ini", ReadText("main.ini") + "[Buildings]\nfilename=buildings.ini\n");
        Write("buildings.ini", "[B_STATION]\nTYPE=13\n[B_SHOP]\nTYPE=3\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_BuildingManager.Init("Buildings"));
        ASSERT_TRUE(g_CapsuleManager.Init(nullptr));
        // The entrance boxes of the station kind: INTO at +x, INTO1 at -x.
        SBuildingType* station = g_BuildingManager.GetKindForEdit(g_BuildingManager.FindName("B_STATION"));
        station->m_Into = SBox{{9.0f, -1.0f, 0.0f}, {11.0f, 1.0f, 2.0f}};
        station->m_Into1 = SBox{{-11.0f, -1.0f, 0.0f}, {-9.0f, 1.0f, 2.0f}};
        station->m_bInitialised = 1;
    }
    // A plain object standing for a building of the kind.
    static CMMObject* Building(const char* kind, const CVector& at)
    {
        auto* b = new CMMObject;
        b->m_nType = OBJ_BUILDING;
        std::strncpy(b->m_TypeRef, kind, sizeof b->m_TypeRef - 1);
        CMatrix m(1.0f);
        m.SetTranslation(at);
        b->SetMatrix(m);
        g_ObjectList.AddObject(b);
        return b;
    }
    static std::vector<CCapsuleObject*> Capsules()
    {
        SPointerArray<CMMObject> all;
        g_ObjectList.GetObjectList(OBJ_CAPSULE, all);
        std::vector<CCapsuleObject*> out;
        for (int i = 0; i < all.count; ++i)
            out.push_back(static_cast<CCapsuleObject*>(all.items[i]));
        return out;
    }
};

TEST_F(Capsule, OneStationGetsNoCapsule)
{
    Building("B_STATION", {1000.0f, 1000.0f, 0.0f});
    Building("B_SHOP", {1100.0f, 1000.0f, 0.0f});
    CCapsuleManager::CreateForGame();
    EXPECT_TRUE(Capsules().empty());
}

TEST_F(Capsule, OfThreeStationsTheFirstIsPairedWithItsNearestAndTheThirdStaysAlone)
{
    Building("B_STATION", {0.0f, 0.0f, 0.0f});
    Building("B_STATION", {3000.0f, 0.0f, 0.0f});
    Building("B_STATION", {1000.0f, 0.0f, 0.0f});
    CCapsuleManager::CreateForGame();
    const std::vector<CCapsuleObject*> c = Capsules();
    ASSERT_EQ(c.size(), 2u);
    // The first station (at 0) with its nearest (at 1000): from one's INTO
    // to the other's INTO1, and back.
    EXPECT_FLOAT_EQ(c[0]->m_vStart.x, 10.0f);
    EXPECT_FLOAT_EQ(c[0]->m_vEnd.x, 990.0f);
    EXPECT_FLOAT_EQ(c[1]->m_vStart.x, 1010.0f);
    EXPECT_FLOAT_EQ(c[1]->m_vEnd.x, -10.0f);
    EXPECT_FLOAT_EQ(c[0]->m_vStart.z, 1.0f);
}

TEST_F(Capsule, ItIsPushedAlongTheTrackAndJumpsBackBehindTheStart)
{
    CCapsuleObject capsule;
    capsule.Init({0.0f, 0.0f, 10.0f}, {100.0f, 0.0f, 10.0f});
    EXPECT_FLOAT_EQ(capsule.m_fScale, 1.0f);
    EXPECT_EQ(capsule.m_bDamageable, 0);
    capsule.m_fScale = 20.0f; // the length
    capsule.Run();
    EXPECT_FLOAT_EQ(capsule.m_vForce.x, CCapsuleObject::kPush);
    capsule.m_vForce = CVector{};
    capsule.SetPosition({109.0f, 0.0f, 10.0f});
    capsule.Run();
    EXPECT_FLOAT_EQ(capsule.m_vForce.x, CCapsuleObject::kPush) << "still within half a length past the end";
    capsule.SetPosition({111.0f, 0.0f, 10.0f});
    capsule.Run();
    EXPECT_FLOAT_EQ(capsule.GetPosition().x, -10.0f);
    EXPECT_FLOAT_EQ(capsule.GetPosition().z, 10.0f);
}
} // namespace
