// Buildings: the door cycle by distance, entering and the AI waiting for a
// closed door, leaving by exit object, door or fallback, the racing
// platforms, the service platform's cost, the visitor list, the tower
// alarm and the save record.
#include "CombatFixture.h"

#include "foundation/MemStream.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "world/KindManagers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace unittest
{
namespace
{
// Groups are names here.
class CFakeHost : public IBuildingHost
{
public:
    CGliderObject* GetPlayerGlider() override { return m_pPlayer; }
    void OnEnterBuilding(CBuildingObject& b, CGliderObject& g) override
    {
        m_Entered.push_back({b.m_szGameId, &g});
    }
    const char* GetGroupName(const CMechGroup2* g) override
    {
        for (auto& [name, group] : m_Groups)
            if (group == g) return name.c_str();
        return nullptr;
    }
    CMechGroup2* FindGroup(const char* name) override
    {
        auto it = m_Groups.find(name);
        return it == m_Groups.end() ? nullptr : it->second;
    }
    bool IsGroupDone(const CMechGroup2* g) override { return g == m_pDone; }
    void OnSpendMoney(float amount, int kind) override { m_fSpent += kind == 2 ? amount : 0.0f; }
    std::int32_t GetOrgIconModel(const char*) override { return -1; }
    float GetTowerMaxViewDistance() override { return 500.0f; }
    bool TowerWatches(CMMObject*, const CVector& p) override { return p.x < 2000.0f; }
    void AlarmTower(CMMObject* tower, CMMObject* attacker) override { m_Alarms.push_back({tower, attacker}); }

    CGliderObject* m_pPlayer = nullptr;
    std::vector<std::pair<std::string, CGliderObject*>> m_Entered;
    std::map<std::string, CMechGroup2*> m_Groups;
    const CMechGroup2* m_pDone = nullptr;
    float m_fSpent = 0.0f;
    std::vector<std::pair<CMMObject*, CMMObject*>> m_Alarms;
};

CMechGroup2* Group(int i)
{
    return reinterpret_cast<CMechGroup2*>(std::uintptr_t(0x1000 + 16 * i));
}

const CVector kAt{1000.0f, 1000.0f, 0.0f};
} // namespace

class Building : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        Write("buildings.ini", "[HALL]\nTYPE=0\n[BARE]\nTYPE=0\n[SERVICE]\nTYPE=14\n[BOOST]\nTYPE=16\n"
                               "[BRAKE]\nTYPE=17\n[TOWER]\nTYPE=7\n");
        std::ofstream("main.ini", std::ios::app) << "[Buildings]\nfilename=buildings.ini\n";
        g_ResourceDB.Done();
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_BuildingManager.Init("Buildings"));
        // HALL: the door zone in front (-y), the entry zone behind it, three
        // exits; BARE has no parts at all.
        SBuildingType* hall = g_BuildingManager.GetKindForEdit(0);
        hall->m_Open = {{-20, -60, -5}, {20, -30, 15}};
        hall->m_Into = {{-10, -30, -5}, {10, -20, 15}};
        hall->m_vExit[0] = {0, -70, 2};
        hall->m_vExit[1] = {10, -70, 2};
        hall->m_vExit[2] = {-10, -70, 2};
        for (int i = 0; i < g_BuildingManager.m_nCount; ++i)
            g_BuildingManager.GetKindForEdit(i)->m_bInitialised = 1;
        g_pBuildingHost = &m_Host;
    }
    void TearDown() override
    {
        g_pBuildingHost = nullptr;
        g_ObjectList.Clear();
        CCombatTest::TearDown();
    }

    CBuildingObject* Make(const char* kind, const char* id, CVector at = kAt, float turn = 0.0f)
    {
        CMatrix m(1.0f);
        m.SetRotationZ(turn);
        m.SetTranslation(at);
        auto* b = static_cast<CBuildingObject*>(g_BuildingManager.CreateObject(kind, &m, id));
        return b;
    }
    CGliderObject* Glider(CVector at, bool player)
    {
        m_Mechs.push_back(Fitted());
        auto* g = new CGliderObject;
        g->m_pMechanoid = m_Mechs.back().get();
        m_Mechs.back()->m_lpObject = g;
        m_Mechs.back()->m_bPlayer = player;
        g->m_fRadius = 5.0f;
        g_ObjectList.AddObject(g);
        g->SetPosition(at);
        if (player) m_Host.m_pPlayer = g;
        return g;
    }
    void Frames(CBuildingObject* b, int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            b->Run();
        }
    }

    CFakeHost m_Host;
    std::vector<std::unique_ptr<CMechanoid>> m_Mechs;
};

// The player's glider in the door zone opens the door (1 s at 2 per
// second); it stands open 5 s after the glider left, then closes in 1 s.
TEST_F(Building, DoorOpensForAGliderInTheDoorZoneAndClosesFiveSecondsLater)
{
    CBuildingObject* b = Make("HALL", "HALL1");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->m_nType, OBJ_BUILDING);
    CGliderObject* player = Glider(kAt + CVector{0, -200, 0}, true);
    Frames(b, 5);
    EXPECT_EQ(b->m_nDoorState, CBuildingObject::kClosed) << "too far";
    player->SetPosition(kAt + CVector{0, -45, 0});
    Frames(b, 1);
    EXPECT_EQ(b->m_nDoorState, CBuildingObject::kOpening);
    Frames(b, 20);
    EXPECT_EQ(b->m_nDoorState, CBuildingObject::kOpen);
    EXPECT_FLOAT_EQ(b->m_fDoorOpening, 2.0f);
    player->SetPosition(kAt + CVector{0, -200, 0});
    Frames(b, 98); // 4.9 s: not yet
    EXPECT_EQ(b->m_nDoorState, CBuildingObject::kOpen);
    Frames(b, 4);
    EXPECT_EQ(b->m_nDoorState, CBuildingObject::kClosing);
    Frames(b, 21);
    EXPECT_EQ(b->m_nDoorState, CBuildingObject::kClosed);
    EXPECT_EQ(b->m_fDoorOpening, 0.0f);
    EXPECT_TRUE(m_Host.m_Entered.empty());
}

// The player enters at once; an AI glider in the entry zone while the door
// stands open makes it close, and enters on a later frame once it is shut.
TEST_F(Building, PlayerEntersAtOnceAndAnAIGliderWaitsForTheClosedDoor)
{
    CBuildingObject* b = Make("HALL", "HALL1");
    CGliderObject* player = Glider(kAt + CVector{0, -45, 0}, true);
    CGliderObject* ai = Glider(kAt + CVector{0, -25, 0}, false);
    b->m_pApproaching = ai;
    Frames(b, 25);
    ASSERT_EQ(m_Host.m_Entered.size(), 0u) << "the AI glider is only a candidate after the player";
    player->SetPosition(kAt + CVector{0, -200, 0});
    b->m_nDoorState = CBuildingObject::kOpen;
    b->m_fDoorOpening = 2.0f;
    Frames(b, 1);
    EXPECT_EQ(b->m_nDoorState, CBuildingObject::kClosing);
    EXPECT_TRUE(m_Host.m_Entered.empty());
    Frames(b, 25);
    ASSERT_EQ(m_Host.m_Entered.size(), 1u);
    EXPECT_EQ(m_Host.m_Entered[0].first, "HALL1");
    EXPECT_EQ(m_Host.m_Entered[0].second, ai);
    EXPECT_EQ(b->m_pApproaching, nullptr);

    player->SetPosition(kAt + CVector{0, -25, 0});
    b->m_nDoorState = CBuildingObject::kOpen;
    Frames(b, 1);
    ASSERT_EQ(m_Host.m_Entered.size(), 2u);
    EXPECT_EQ(m_Host.m_Entered[1].second, player);

    // An out-of-action pilot is no candidate; a deleted approaching glider
    // is forgotten.
    player->m_pMechanoid->m_bOutOfAction = 1;
    Frames(b, 1);
    EXPECT_EQ(m_Host.m_Entered.size(), 2u);
    b->m_pApproaching = ai;
    b->ProcessDelete(ai);
    EXPECT_EQ(b->m_pApproaching, nullptr);
}

// Leaving: by the exit object's exits (AI gliders wait 2 s while one is
// taken, the player takes the first free one or the third), by the door
// zone, or 300 units behind a building without parts, turned by pi.
TEST_F(Building, LeavingGlidersUseTheExitObjectTheDoorOrTheFallback)
{
    CBuildingObject* hall = Make("HALL", "HALL1");
    ASSERT_NE(Make("HALL", "HALL1_EXIT", kAt + CVector{500, 0, 0}), nullptr);
    CGliderObject* player = Glider(kAt, true);
    CGliderObject* ai = Glider(kAt, false);
    auto near = [](const CVector& a, const CVector& b) { return (a - b).Length() < 1e-3f; };

    ASSERT_TRUE(hall->ExitGlider(ai));
    EXPECT_TRUE(near(ai->GetPosition(), kAt + CVector{500, -70, 2}));
    EXPECT_FALSE(hall->ExitGlider(ai)) << "exit 1 is taken for 2 s";
    ASSERT_TRUE(hall->ExitGlider(player));
    EXPECT_TRUE(near(player->GetPosition(), kAt + CVector{510, -70, 2}));
    ASSERT_TRUE(hall->ExitGlider(player));
    ASSERT_TRUE(hall->ExitGlider(player));
    EXPECT_TRUE(near(player->GetPosition(), kAt + CVector{490, -70, 2})) << "all taken: the third";
    Frames(hall, 41);
    EXPECT_TRUE(hall->ExitGlider(ai)) << "free again after 2 s";
    EXPECT_EQ(ai->m_vVelocity.LengthSq(), 0.0f);

    // No exit object: the door zone's centre, give or take 5, facing away
    // from the entry zone (-y here).
    CBuildingObject* lone = Make("HALL", "LONE", kAt + CVector{0, 1000, 0});
    player->m_fThrottle = 1.0f;
    ASSERT_TRUE(lone->ExitGlider(player));
    const CVector p = player->GetPosition() - (kAt + CVector{0, 1000, 0});
    EXPECT_LE(std::fabs(p.x), 5.0f);
    EXPECT_LE(std::fabs(p.y + 45.0f), 5.0f);
    EXPECT_EQ(player->m_fThrottle, 0.0f);
    EXPECT_LT(player->m_vSight.y, -0.99f);

    // No parts: 300 behind, turned by pi.
    CBuildingObject* bare = Make("BARE", "BARE1", kAt + CVector{0, 3000, 0});
    const auto column2 = [](const CMatrix& m) { return CVector{m.m[0][2], m.m[1][2], m.m[2][2]}; };
    const CVector forward = column2(ai->m_Frame.m_Matrix);
    ASSERT_TRUE(bare->ExitGlider(ai));
    const CVector q = ai->GetPosition() - (kAt + CVector{0, 3000, 0});
    EXPECT_LE(std::fabs(q.x), 5.0f);
    EXPECT_LE(std::fabs(q.y + 300.0f), 5.0f);
    const CVector turned = column2(ai->m_Frame.m_Matrix);
    EXPECT_NEAR(turned.x, -forward.x, 1e-4f);
    EXPECT_NEAR(turned.y, -forward.y, 1e-4f);
}

// The accelerator pushes along its own Y axis at 10,000 units/s^2; the
// brake keeps 100^-dt of the velocity; gliders beyond reach are left.
TEST_F(Building, RacingPlatformsPushAndBrakeTheGlidersOnThem)
{
    const float dt = Dt();
    CBuildingObject* boost = Make("BOOST", "B1", kAt, 1.5707964f);
    CBuildingObject* brake = Make("BRAKE", "B2", kAt + CVector{0, 2000, 0});
    EXPECT_EQ(boost->m_bCollidable, 0);
    CGliderObject* on = Glider(kAt + CVector{1, 0, 0}, false);
    CGliderObject* far = Glider(kAt + CVector{100, 0, 0}, false);
    on->m_fMass = 2.0f;
    Tick();
    boost->Run();
    // Y turned by 90 degrees about z.
    const CVector axis{boost->m_Frame2.m_Matrix.m[0][1], boost->m_Frame2.m_Matrix.m[1][1],
                       boost->m_Frame2.m_Matrix.m[2][1]};
    EXPECT_NEAR(std::fabs(axis.x), 1.0f, 1e-5f);
    EXPECT_NEAR((on->m_vVelocity - axis * (10000.0f * dt)).Length(), 0.0f, 1e-2f);
    EXPECT_EQ(far->m_vVelocity.LengthSq(), 0.0f);

    CGliderObject* slow = Glider(kAt + CVector{0, 2000, 0}, false);
    slow->m_vVelocity = {100, 0, 0};
    brake->Run();
    EXPECT_NEAR(slow->m_vVelocity.x, 100.0f * std::pow(100.0f, -dt), 1e-3f);
}

// The player pays for the damage, not for what is whole; without money the
// repair goes on six times slower and free. Others are repaired free.
TEST_F(Building, ServicePlatformChargesForDamageAndRepairsThePoorSlower)
{
    CBuildingObject* service = Make("SERVICE", "S1");
    service->m_fRadius = 50.0f;
    CGliderObject* player = Glider(kAt, true);
    CMechanoid& m = *player->m_pMechanoid;
    const float durability = m.m_GliderData.GetDurability();
    ASSERT_GT(durability, 0.0f);
    auto damage = [&](float ratio)
    {
        m.m_GliderData.m_fDamage = ratio * durability;
        m.m_GliderData.m_bDamaged = 1;
    };
    damage(0.5f);
    m.m_Garbage.m_fMoney = 1000.0f;
    Tick();
    service->Run();
    // GL_LIGHT's PRICE 5000: a tenth, half of it damaged.
    const float charge = 0.1f * 5000.0f * 0.5f * 0.5f / 30.0f * Dt();
    EXPECT_NEAR(m_Host.m_fSpent, charge, 1e-4f);
    EXPECT_NEAR(m.m_Garbage.m_fMoney, 1000.0f - charge, 1e-3f);
    EXPECT_NEAR(m.m_GliderData.m_fDamage / durability, 0.5f - Dt() / 30.0f, 1e-5f);
    EXPECT_EQ(service->m_bServicing, 1);

    damage(0.5f);
    m.m_Garbage.m_fMoney = 0.0f;
    m_Host.m_fSpent = 0.0f;
    service->Run();
    EXPECT_EQ(m_Host.m_fSpent, 0.0f);
    EXPECT_NEAR(m.m_GliderData.m_fDamage / durability, 0.5f - Dt() / 180.0f, 1e-5f);

    // Whole: nothing to pay, nothing serviced.
    m.RepairAll();
    m.m_Garbage.m_fMoney = 1000.0f;
    service->Run();
    EXPECT_EQ(service->m_bServicing, 0);
    EXPECT_EQ(m.m_Garbage.m_fMoney, 1000.0f);
}

// A group is listed once and at most 20; groups that are done drop out.
TEST_F(Building, VisitorsAreListedOnceUpToTwentyAndPurgedWhenDone)
{
    CBuildingObject* b = Make("HALL", "HALL1");
    EXPECT_TRUE(b->AddVisitor(Group(0)));
    EXPECT_FALSE(b->AddVisitor(Group(0)));
    for (int i = 1; i < 20; ++i)
        EXPECT_TRUE(b->AddVisitor(Group(i)));
    EXPECT_FALSE(b->AddVisitor(Group(20)));
    EXPECT_EQ(b->m_Visitors.Find(Group(7)), 7);
    b->m_Visitors.RemoveAt(7);
    EXPECT_EQ(b->m_Visitors.Find(Group(7)), -1);
    EXPECT_EQ(b->m_Visitors.m_Groups[7], Group(8));
    m_Host.m_pDone = Group(3);
    Frames(b, 1);
    EXPECT_EQ(b->m_Visitors.m_nCount, 18);
    EXPECT_EQ(b->m_Visitors.Find(Group(3)), -1);
}

// A shot at a building alarms the active towers near the attacker whose
// spy distance reaches the building; the building takes no damage.
TEST_F(Building, AShotAtItAlarmsTheTowersThatWatchIt)
{
    CBuildingObject* b = Make("HALL", "HALL1");
    CGliderObject* attacker = Glider(kAt + CVector{0, -300, 0}, false);
    auto* tower = new CMMObject;
    tower->m_nType = OBJ_TOWER;
    g_ObjectList.AddObject(tower);
    tower->SetPosition(kAt + CVector{0, -500, 0});
    auto* farTower = new CMMObject;
    farTower->m_nType = OBJ_TOWER;
    g_ObjectList.AddObject(farTower);
    farTower->SetPosition(kAt + CVector{0, -1500, 0});
    b->Damage(10.0f, kAt, 0, nullptr, -1, 666);
    EXPECT_TRUE(m_Host.m_Alarms.empty());
    b->Damage(10.0f, kAt, 0, attacker, -1, 666);
    ASSERT_EQ(m_Host.m_Alarms.size(), 1u);
    EXPECT_EQ(m_Host.m_Alarms[0].first, tower);
    EXPECT_EQ(m_Host.m_Alarms[0].second, attacker);
}

// The save record: the object's 13 bytes, then the two lists by group
// name (a name no group has loads as an empty entry). A count beyond its
// list or a cut record is refused with one line and the lists stay.
TEST_F(Building, SaveRecordKeepsTheGroupNamesAndRefusesBadCounts)
{
    CBuildingObject* b = Make("HALL", "HALL1");
    m_Host.m_Groups = {{"CARAVAN", Group(1)}, {"HUNTERS", Group(2)}, {"GUARD", Group(3)}};
    b->AddVisitor(Group(1));
    b->AddVisitor(Group(2));
    b->m_Groups2.m_Groups[0] = Group(3);
    b->m_Groups2.m_nCount = 1;
    CMemStream out;
    b->SaveGame(out);
    ASSERT_EQ(out.m_nPosition, 13u + 4 + 2 * 32 + 4 + 32);
    const std::vector<std::uint8_t> bytes(out.m_pData, out.m_pData + out.m_nPosition);
    // A stream holding exactly the record.
    auto load = [](CBuildingObject* into, const std::vector<std::uint8_t>& record)
    {
        CMemStream in;
        std::memcpy(in.Allocate(std::uint32_t(record.size())), record.data(), record.size());
        into->LoadGame(in);
    };
    EXPECT_EQ(0, std::memcmp(bytes.data() + 17, "CARAVAN", 8));

    // Through the object list's saved state: found again by its game id.
    EXPECT_EQ(b->m_bSave, 1);
    CMemStream list;
    g_ObjectList.SaveGame(list);
    b->m_Visitors = {};
    CMemStream back;
    std::memcpy(back.Allocate(list.m_nPosition), list.m_pData, list.m_nPosition);
    g_ObjectList.LoadGame(back);
    EXPECT_EQ(b->m_Visitors.m_nCount, 2);
    EXPECT_EQ(b->m_Visitors.m_Groups[1], Group(2));

    m_Host.m_Groups.erase("HUNTERS");
    CBuildingObject* c = Make("HALL", "HALL2");
    load(c, bytes);
    ASSERT_EQ(c->m_Visitors.m_nCount, 2);
    EXPECT_EQ(c->m_Visitors.m_Groups[0], Group(1));
    EXPECT_EQ(c->m_Visitors.m_Groups[1], nullptr);
    EXPECT_EQ(c->m_Groups2.m_Groups[0], Group(3));
    Frames(c, 1);
    EXPECT_EQ(c->m_Visitors.m_nCount, 1) << "the empty entry is purged";

    struct SCase
    {
        const char* what;
        std::vector<std::uint8_t> record;
        const char* reason;
    };
    auto withCount = [&](std::uint32_t count, std::size_t at)
    {
        std::vector<std::uint8_t> r = bytes;
        std::memcpy(r.data() + at, &count, 4);
        return r;
    };
    const SCase cases[] = {
        {"21 visitors", withCount(21, 13), "21 visitors stored, at most 20"},
        {"6 in the second list", withCount(6, 13 + 4 + 64), "6 second-list groups stored, at most 5"},
        {"cut in a name", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 40), "visitor names"},
        {"no second count", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 13 + 4 + 64),
         "second-list group count"},
    };
    for (const SCase& k : cases)
    {
        try
        {
            load(c, k.record);
            ADD_FAILURE() << k.what << ": accepted";
        }
        catch (const CObjectStreamError& e)
        {
            EXPECT_NE(std::string(e.what()).find("HALL2"), std::string::npos) << k.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(k.reason), std::string::npos) << k.what << ": " << e.what();
        }
        EXPECT_EQ(c->m_Visitors.m_nCount, 1) << k.what << ": the lists stay";
        EXPECT_EQ(c->m_Groups2.m_nCount, 1) << k.what;
    }
}

// Kind 7 turns pi/10 per second and bobs; it is seen from far as kind 11.
TEST_F(Building, RotatingKindTurnsAndIsSeenFromFar)
{
    CBuildingObject* t = Make("TOWER", "T1");
    EXPECT_EQ(t->m_bFarDrawn, 1);
    EXPECT_FLOAT_EQ(t->m_fScale, 1.25f);
    Frames(t, 20); // 1 s
    EXPECT_NEAR(std::fabs(std::atan2(t->m_Frame.m_Matrix.m[0][1], t->m_Frame.m_Matrix.m[0][0])), 0.31415927f,
                1e-4f);
    EXPECT_LE(std::fabs(t->m_fHeightOffset), 20.0f);
}

TEST_F(Building, AnotherKindInPlaceKeepsTheIdAndIsListedFarOnce)
{
    CBuildingObject* t = Make("TOWER", "T1", kAt, 0.5f);
    const int listed = g_ObjectList.m_nLargeObjects;
    const CMatrix placement = t->m_Frame.m_Matrix;
    for (const char* kind : {"HALL", "TOWER", "TOWER"})
    {
        t->Init(placement, kind, nullptr);
        EXPECT_STREQ(t->m_szTypeName, kind);
        EXPECT_STREQ(t->m_szGameId, "T1");
        EXPECT_EQ(t->GetKindCode(), std::string(kind) == "TOWER" ? 7 : 0);
        EXPECT_EQ((t->GetPosition() - kAt).LengthSq(), 0.0f) << kind;
        EXPECT_EQ(g_ObjectList.m_nLargeObjects, listed) << kind;
    }
}

} // namespace unittest
