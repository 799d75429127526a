// The glider object: set-up, drive and jump, weapons' loading and aim,
// damage and its records.
#include "CombatFixture.h"

#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "units/GliderAI.h"
#include "units/GliderObject.h"
#include "units/HitIndicators.h"
#include "units/MechRegistry.h"
#include "world/LightWare.h"
#include "world/Mech.h"
#include "world/NetDescriptor.h"
#include "world/TheThing.h"
#include "world/ObjectList.h"
#include "world/Physics.h"

#include "world/WorldMotionFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace unittest;

namespace
{
class CDifficulty : public IMechRegistry
{
public:
    bool FindMech(const char*, SMechInfo*) override { return false; }
    const char* GetPlayerOrganization() override { return ""; }
    void OnMechBuilding(const char*, const char*) override {}
    int GetDifficulty() override { return m_nDifficulty; }
    void OnMoneySound(int) override {}
    int m_nDifficulty = 0;
};

// Records the amounts its Damage slot is given.
class CHitRecorder : public CGliderObject
{
public:
    void Damage(float amount, CVector, int, CMMObject*, int, int) override { m_Amounts.push_back(amount); }
    std::vector<float> m_Amounts;
};

class Glider : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        // An engine strong enough to drive a glider at speed.
        Write("equipment.ini", ReadText("equipment.ini") +
                                   "[ENGINE_FAST]\nTYPE=4\nPOWER=1\nVALUE1=40000\n[EQP_NIGHTVISION]\n");
        ASSERT_TRUE(g_EquipmentManager.Init(unit_sections::kEquipment));
        g_pMechRegistry = &m_Registry;
        m_Terrain.m_fHeight = 0.0f;
        m_pSavedTerrain = g_pWorldTerrain;
        g_pWorldTerrain = &m_Terrain;
    }
    void TearDown() override
    {
        g_pWorldTerrain = m_pSavedTerrain;
        g_pMechRegistry = nullptr;
        CCombatTest::TearDown();
    }
    // A glider set up as the glider manager does, flown by m.
    void Place(CGliderObject& g, CMechanoid& m, const CVector& at = {500.0f, 500.0f, 20.0f})
    {
        m.m_gEqp.m_Config[CFG_GLIDER].m_Key = STypeKey(0);
        CMatrix placement(1.0f);
        placement.SetTranslation(at);
        g.Init(placement, STypeKey(0));
        g.AssignMechanoid(&m_Mech, &m, false);
    }

    CDifficulty m_Registry;
    worldtest::CFlatTerrain m_Terrain;
    IWorldTerrain* m_pSavedTerrain = nullptr;
    CMech m_Mech;
};
} // namespace

TEST_F(Glider, RadiusFollowsThePlacementAndAnUnknownNameFallsBackToTypeZero)
{
    CMatrix placement(1.0f);
    placement.ScaleRotation(2.0f);
    CGliderObject g;
    STypeKey byName;
    std::memcpy(byName.m_Bytes, "GL_NOWHERE", 11);
    g.Init(placement, byName);
    EXPECT_FLOAT_EQ(g.m_fGliderRadius, 8.0f); // 4 x a first row of length 2
    EXPECT_EQ(g.m_Key.Index(), 0);
    EXPECT_NE(ReadText("error.log").find("Unknown glider GL_NOWHERE"), std::string::npos);
}

TEST_F(Glider, AssignMechanoidKeepsTheAmmunitionOfTheGliderFlownBefore)
{
    auto m = Fitted();
    m->m_gEqp.m_Config[CFG_LIGHTGUN].m_Key = STypeKey(Gun("GUN_ROCKET"));
    CGliderObject first, second;
    Place(first, *m);
    first.m_Guns[0].m_fAmmo = 3.0f;
    Place(second, *m);
    EXPECT_EQ(second.m_Guns[0].m_Key.Index(), Gun("GUN_ROCKET"));
    EXPECT_FLOAT_EQ(second.m_Guns[0].m_fAmmo, 3.0f);
    EXPECT_EQ(m->m_lpObject, &second);
    EXPECT_FLOAT_EQ(second.m_fMass, m->GetSumWeight());
    m->m_lpObject = nullptr;
}

TEST_F(Glider, ATargetThatIsDeletedIsLetGo)
{
    auto* hunter = new CGliderObject;
    auto* prey = new CGliderObject;
    auto* other = new CGliderObject;
    for (CGliderObject* g : {hunter, prey, other})
        g_ObjectList.AddObject(g);
    hunter->m_pTarget = prey;
    g_ObjectList.DeleteObject(other);
    g_ObjectList.Pack(true);
    EXPECT_EQ(hunter->m_pTarget, prey);
    g_ObjectList.DeleteObject(prey);
    g_ObjectList.Pack(true);
    EXPECT_EQ(hunter->m_pTarget, nullptr);
    g_ObjectList.DeleteObject(hunter);
    g_ObjectList.Pack(true);
}

TEST_F(Glider, OverloadRaisesTheResistancesOnlyAboveNineTenths)
{
    auto m = Fitted();
    CGliderObject g;
    Place(g, *m);
    const float front = g.m_fResFront;
    const float maxWeight = m->GetMaxWeight();
    for (float load : {0.9f, 1.0f})
    {
        m->m_Garbage.m_Items.clear();
        SGoodsItem ore;
        std::strcpy(ore.m_szName, "TOV_ORE");
        ore.m_nCount = std::int32_t((load * maxWeight - m->GetSumWeight()) / 2.0f);
        m->m_Garbage.AddGoods(ore, 0, false);
        g.m_fResFront = front;
        g.UpdateGliderConfig();
        const float l = g.m_fMass / maxWeight;
        if (l <= 0.9f)
            EXPECT_FLOAT_EQ(g.m_fResFront, front) << l;
        else
            EXPECT_NEAR(g.m_fResFront, (front - 1.0f) * ((l - 0.9f) * 9.0f + 1.0f) + 1.0f, 1e-4f) << l;
    }
    m->m_lpObject = nullptr;
}

TEST_F(Glider, TheSaveRecordIsThirtySixBytesAndComesBack)
{
    CGliderObject a, b;
    a.m_dwBrokenParts = 1u << 3;
    a.m_PartDamage[3] = 42.0f;
    CMemStream s;
    int size = 0;
    a.SaveToStream(s, &size, false);
    EXPECT_EQ(size, 36);
    EXPECT_EQ(s.m_nPosition, 36u);
    s.m_nPosition = 0;
    size = 0;
    b.LoadFromStream(s, &size, false);
    EXPECT_EQ(b.m_dwBrokenParts, 1u << 3);
    EXPECT_FLOAT_EQ(b.m_PartDamage[3], 42.0f);
    // A cut-short record is refused.
    CMemStream cut;
    cut.Write(&a.m_dwBrokenParts, 4);
    cut.m_nPosition = 0;
    EXPECT_THROW(b.LoadFromStream(cut, &size, false), CObjectStreamError);
}

TEST_F(Glider, AKilledGliderExplodesOnceEvenWhenTheNetworkSaysDestroyed)
{
    auto m = Fitted();
    auto* g = new CGliderObject;
    Place(*g, *m);
    g_ObjectList.AddObject(g);
    std::uint8_t buffer[512] = {};
    int size = 0;
    g->WriteNetDescriptor(buffer, &size);
    const int base = size - CGliderObject::kNetExtensionSize;
    std::uint32_t flags = CGliderObject::kNetDestroyed;
    std::memcpy(buffer + base, &flags, 4);
    m->m_GliderData.m_bDestroyed = 1; // killed here
    ASSERT_TRUE(m->IsKilled());
    size = 0;
    g->ReadNetDescriptor(buffer, &size);
    EXPECT_EQ(g->m_bDestroyed, 0);
    const int explosions = ExploCount();
    g->Run();
    EXPECT_EQ(g->m_bDestroyed, 1);
    g->Run();
    EXPECT_GE(ExploCount(), explosions);
    EXPECT_EQ(g->m_bAlive, 0); // queued for deletion once
    m->m_lpObject = nullptr;
    g_ObjectList.Pack(false);
}

TEST_F(Glider, AFullSyncDescriptorCarriesTheMechanoidsStateWithinItsOwnSize)
{
    auto m = Fitted();
    std::strcpy(m->m_szName, "SENDER");
    m->m_fEnergy = 12.5f;
    CGliderObject a;
    Place(a, *m);
    a.m_bFullSync = 1;
    a.m_bDestroyed = 1;
    std::vector<std::uint8_t> buffer(kMaxNetDescriptorSize);
    int size = 0;
    a.WriteNetDescriptor(buffer.data(), &size);
    const int extension = kNetDescriptorSize + kDynamicNetExtensionSize;
    ASSERT_GT(size, extension + CGliderObject::kNetExtensionSize);
    EXPECT_EQ(a.m_bFullSync, 0);
    std::uint32_t flags, kind, total;
    std::memcpy(&flags, buffer.data() + extension, 4);
    std::memcpy(&kind, buffer.data() + 8, 4);
    std::memcpy(&total, buffer.data() + 24, 4);
    EXPECT_EQ(flags, CGliderObject::kNetFullSync | CGliderObject::kNetDestroyed);
    EXPECT_EQ(kind, kNetKindAlive); // the receiver takes the state in
    EXPECT_EQ(total, std::uint32_t(size));

    auto other = Fitted();
    CGliderObject b;
    Place(b, *other);
    int read = 0;
    b.ReadNetDescriptor(buffer.data(), &read);
    EXPECT_EQ(read, size);
    EXPECT_STREQ(other->m_szName, "SENDER");
    EXPECT_FLOAT_EQ(other->m_fEnergy, 12.5f);

    // The next descriptor is the short one again.
    int again = 0;
    a.WriteNetDescriptor(buffer.data(), &again);
    EXPECT_EQ(again, extension + CGliderObject::kNetExtensionSize);

    // A size word that cuts the record short: the state is not taken in,
    // with one line, and nothing past the size is read.
    a.m_bFullSync = 1;
    a.WriteNetDescriptor(buffer.data(), &size);
    const std::uint32_t cut = std::uint32_t(size - 10);
    std::memcpy(buffer.data() + 24, &cut, 4);
    std::strcpy(other->m_szName, "KEPT");
    read = 0;
    b.ReadNetDescriptor(buffer.data(), &read);
    EXPECT_STREQ(other->m_szName, "KEPT");
    EXPECT_NE(ReadText("error.log").find("the mechanoid's full state"), std::string::npos);
}

TEST_F(Glider, TractionFollowsTheEnergyBandsOfAGliderOfTheWorld)
{
    auto m = Fitted();
    CGliderObject g;
    Place(g, *m);
    const float engine = m->m_Engine.GetValue1();
    const float full = m->GetEnergy(2);
    const struct
    {
        float energy, throttle, traction;
    } cases[] = {
        {0.05f, 2.0f, 0.5f}, {0.2f, 2.0f, 0.9f}, {0.2f, 1.0f, 0.8f},   {0.35f, 1.0f, 0.8f},
        {0.45f, 1.0f, 0.9f}, {0.6f, 1.5f, 1.5f}, {0.6f, -1.0f, -1.0f}, {0.6f, 0.0f, 0.0f},
    };
    for (const auto& c : cases)
    {
        m->m_fEnergy = c.energy * full;
        g.SetTraction(c.throttle);
        EXPECT_NEAR(g.m_fDrive, c.traction * engine, 1e-3f) << c.energy << " " << c.throttle;
    }
    // The player's glider drives as asked.
    m->m_bPlayer = 1;
    m->m_fEnergy = 0.05f * full;
    g.SetTraction(2.0f);
    EXPECT_FLOAT_EQ(g.m_fDrive, 2.0f * engine);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, StrafeZeroKeepsTheStrafeAndNotANumberIsRefused)
{
    auto m = Fitted();
    CGliderObject g;
    Place(g, *m);
    g.StrafeLeft(1.0f);
    const float strafe = g.m_fStrafe;
    EXPECT_GT(strafe, 0.0f);
    g.StrafeLeft(0.0f);
    EXPECT_EQ(g.m_fStrafe, strafe);
    EXPECT_THROW(g.StrafeLeft(std::nanf("")), std::runtime_error);
    EXPECT_NE(ReadText("error.log").find("CGliderObject::StrafeLeft. Value is nan"), std::string::npos);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, AJumpCostsEnergyNeedsReadinessAndIsWeakerHighUp)
{
    auto m = Fitted({}, true);
    m->m_bPlayer = 1;
    CGliderObject g;
    Place(g, *m, {500.0f, 500.0f, 10.0f});
    m->m_fEnergy = 1000.0f;
    g.Jump(1.0f, true);
    EXPECT_GT(g.m_vVelocity.z, 0.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 600.0f);
    EXPECT_EQ(g.m_fJumpReadiness, 0.0f);
    EXPECT_EQ(g.m_fJumpCharge, 0.0f);
    // A second jump at once gives no impulse but still resets the charge.
    g.m_vVelocity = CVector{};
    g.Jump(1.0f, true);
    EXPECT_EQ(g.m_vVelocity.z, 0.0f);
    EXPECT_EQ(g.m_fJumpCharge, 0.0f);
    // Too little energy: nothing at all.
    g.m_fJumpReadiness = 1.0f;
    m->m_fEnergy = 299.0f;
    g.Jump(1.0f, true);
    EXPECT_EQ(g.m_vVelocity.z, 0.0f);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 299.0f);
    // 200 units up a held charge of 20 plus the release's 20 becomes 20.
    m->m_fEnergy = 1000.0f;
    g.SetPosition({500.0f, 500.0f, 200.0f});
    g.m_fJumpCharge = 20.0f;
    g.m_fJumpReadiness = 0.0f; // no impulse: the charge shows what was left
    g.Jump(1.0f, false);
    EXPECT_EQ(g.m_fJumpCharge, 0.0f);
    // Readiness comes back by a half per second.
    Tick();
    g.Run();
    EXPECT_NEAR(g.m_fJumpReadiness, 0.5f * Dt(), 1e-6f);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, CollisionsHurtAboveNinetyAndAtMostOneHundredFifty)
{
    CHitRecorder g;
    auto* stone = new worldtest::CBall({0.0f, 0.0f, 0.0f}, {});
    stone->m_nType = OBJ_STONE;
    g_ObjectList.AddObject(stone);
    const CVector at = g.GetPosition();
    for (float speed : {90.0f, 270.0f, 1000.0f})
    {
        // Only a contact that hurts may have changed objects for the
        // collision pass.
        EXPECT_EQ(g.Collision(stone, speed * speed, &at), speed > 90.0f) << speed;
    }
    ASSERT_EQ(g.m_Amounts.size(), 2u); // none at 90 exactly
    EXPECT_FLOAT_EQ(g.m_Amounts[0], 37.5f);
    EXPECT_FLOAT_EQ(g.m_Amounts[1], 150.0f);
}

// A crowd of gliders bumping into each other: after a report that says it
// changed nothing (a knock) the collision pass goes on with its copies of
// the cells, and they are still what it would make of the objects now.
TEST_F(Glider, AKnockLeavesTheCollisionPassesCopiesAsTheyAre)
{
    CRandom random(5);
    std::vector<CGliderObject*> gliders;
    for (int i = 0; i < 200; ++i)
    {
        auto* g = new CGliderObject;
        g->m_fRadius = 4.0f;
        g->m_bShown = 1;
        g->m_Frame.SetPosition(CVector{600.0f + random.Random(250.0f), 600.0f + random.Random(250.0f), 20.0f});
        g->m_vVelocity = CVector{random.Random(80.0f) - 40.0f, random.Random(80.0f) - 40.0f, 0.0f};
        g_ObjectList.AddObject(g);
        gliders.push_back(g);
    }
    CCollisionCells& cells = g_ObjectList.GetCollisionCells();
    cells.SetChecking(true);
    for (int step = 0; step < 20; ++step)
    {
        g_ObjectList.CheckCollision(0.05f);
        for (CGliderObject* g : gliders)
            g->SetPosition(g->GetPosition() + g->m_vVelocity * 0.05f);
    }
    EXPECT_GT(cells.GetChecks(), 20);
    EXPECT_EQ(cells.GetStaleCopies(), 0);
    cells.SetChecking(false);
}

TEST_F(Glider, AnAIAimsAtTheTargetOnlyWithinItsPrecision)
{
    auto m = Fitted();
    m->m_gEqp.m_Config[CFG_LIGHTGUN].m_Key = STypeKey(Gun("GUN_BEAM"));
    auto* g = new CGliderObject;
    Place(*g, *m);
    g_ObjectList.AddObject(g);
    // A type whose model and mounts are there.
    SGliderParameters type = *g->GetParams();
    type.m_bPrepared = 1;
    type.m_Mounts[0].m_nPart = 1;
    SObjectTypeHeader::SetId(type.Model, 0);
    g->m_pType = &type;
    m_Registry.m_nDifficulty = 2;
    const CVector p = g->GetPosition();
    const CVector f = g->ForwardAxis();
    const CVector s = g->SideAxis();
    for (float degrees : {25.0f, 26.0f})
    {
        const float a = degrees * 3.14159265f / 180.0f;
        const CVector target = p + (f * std::cos(a) + s * std::sin(a)) * 100.0f;
        g->m_Guns[0].m_fReload = -1.0f;
        m->m_fEnergy = m->GetEnergy(2);
        g->Fire(0, 1.0f, 0.0f, target);
        const float along = Dot(g->m_Guns[0].m_vDirection, f);
        if (degrees < 25.5f)
            EXPECT_NEAR(along, std::cos(a), 1e-3f);
        else
            EXPECT_NEAR(along, 1.0f, 1e-3f);
    }
    m->m_lpObject = nullptr;
}

TEST_F(Glider, LoadingTakesTheFirstBombOrMineAndUnloadingTruncates)
{
    auto m = Fitted();
    CGliderObject g;
    Place(g, *m);
    const std::int32_t mine = Missile("MIS_MINE"), bomb = Missile("MIS_BOMB"), rocket = Missile("MIS_ROCKET");
    m->m_Missiles[0] = {STypeKey(rocket), 4};
    m->m_Missiles[1] = {STypeKey(mine), 2};
    m->m_Missiles[2] = {STypeKey(bomb), 5};
    m->m_nMissileCount = 3;
    g.UpdateAmmo(true, false);
    EXPECT_EQ(g.m_Guns[3].m_iMissile, mine);
    EXPECT_FLOAT_EQ(g.m_Guns[3].m_fAmmo, 2.0f);
    EXPECT_EQ(g.m_Guns[2].m_iMissile, rocket);
    ASSERT_EQ(m->m_nMissileCount, 1u);
    EXPECT_EQ(m->m_Missiles[0].m_Type.Index(), bomb);
    // 3.7 bombs go back as 3, at the end when appending.
    g.m_Guns[3].m_iMissile = bomb;
    g.m_Guns[3].m_fAmmo = 3.7f;
    g.m_Guns[2].m_fAmmo = 0.0f;
    g.UpdateAmmo(false, true);
    ASSERT_EQ(m->m_nMissileCount, 2u);
    EXPECT_EQ(m->m_Missiles[1].m_nCount, 3u);
    // A full stock keeps its bound of 15.
    for (std::uint32_t i = m->m_nMissileCount; i < 15; ++i)
        m->m_Missiles[i] = {STypeKey(rocket), 1};
    m->m_nMissileCount = 15;
    g.m_Guns[3].m_iMissile = bomb;
    g.m_Guns[3].m_fAmmo = 2.0f;
    g.UpdateAmmo(false, true);
    EXPECT_EQ(m->m_nMissileCount, 15u);
    g.m_Guns[3].m_iMissile = bomb;
    g.m_Guns[3].m_fAmmo = 2.0f;
    g.UpdateAmmo(false, false);
    EXPECT_EQ(m->m_nMissileCount, 15u);
    EXPECT_EQ(m->m_Missiles[0].m_Type.Index(), bomb);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, StunShockDrainAndDifficulty)
{
    auto m = Fitted();
    m->m_bPlayer = 1;
    CGliderObject g;
    Place(g, *m);
    g.m_pMech = nullptr; // no mechanoid damage for the stun checks
    const float shield = m->GetShield(1), armor = m->GetArmor(1);
    g.m_vVelocity = CVector{10.0f, 0.0f, 0.0f};
    g.Damage(500.0f, g.GetPosition(), 1, nullptr, 4, 666);
    EXPECT_FLOAT_EQ(g.m_fStunTime, 10.0f);
    EXPECT_EQ(g.m_bMoving, 0);
    EXPECT_EQ(g.m_vVelocity.LengthSq(), 0.0f);
    EXPECT_FLOAT_EQ(m->GetShield(1), shield);
    EXPECT_FLOAT_EQ(m->GetArmor(1), armor);
    // Drain: the victim's energy goes.
    m->m_fEnergy = 100.0f;
    g.Damage(30.0f, g.GetPosition(), 1, nullptr, 6, 666);
    EXPECT_FLOAT_EQ(m->m_fEnergy, 70.0f);

    // Difficulty 0: half of an environment hit, all of a collision.
    g.m_pMech = &m_Mech;
    for (const auto& c : {std::pair{0, 50.0f}, std::pair{100, 100.0f}})
    {
        m->Repair();
        m->m_fShield = 0.0f;
        const float before = m->GetArmor(1);
        g.Damage(100.0f, g.GetPosition(), 1, nullptr, c.first, 666);
        EXPECT_NEAR(before - m->GetArmor(1), c.second / m->GetArmorFactor(), 1.0f) << c.first;
    }
    m->m_lpObject = nullptr;
}

TEST_F(Glider, AHitOfAThousandSpreadsOverTheRing)
{
    auto m = Fitted();
    m->m_bPlayer = 1;
    CGliderObject g;
    Place(g, *m);
    g.m_pMech = nullptr;
    // From straight ahead: atan2(0, 1) = 0, sector 112 mod 56 = 0.
    g.Damage(1000.0f, g.GetPosition() + g.ForwardAxis() * 10.0f, 1, nullptr, -1, 666);
    EXPECT_FLOAT_EQ(g_PlayerHitRing[0], 1000.0f * 0.5f);
    EXPECT_FLOAT_EQ(g_PlayerHitRing[1], 125.0f);
    EXPECT_FLOAT_EQ(g_PlayerHitRing[55], 125.0f);
    EXPECT_FLOAT_EQ(g_PlayerHitRing[2], 31.25f);
    EXPECT_FLOAT_EQ(g_PlayerHitRing[3], 0.0f);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, PartsBreakOnceAndANinthNever)
{
    CGliderObject g;
    SGliderParameters type = *g_GliderManager.GetGlider(0);
    type.m_nPoints = 8;
    g.m_pType = &type;
    for (int i = 0; i < 10; ++i)
        g.DetachPart(i);
    EXPECT_EQ(g.m_dwBrokenParts, 0xFFu);
    g.DetachPart(3);
    EXPECT_EQ(g.m_dwBrokenParts, 0xFFu);
}

TEST_F(Glider, GivenTractionForFiveSecondsOnFlatGroundItMovesAndHovers)
{
    auto m = Fitted();
    m->m_Engine.Assign(STypeKey(Eqp("ENGINE_FAST")), 0);
    m->m_bPlayer = 1;
    m_Terrain.m_fHeight = 100.0f;
    auto* g = new CGliderObject;
    Place(*g, *m, {500.0f, 500.0f, 110.0f});
    g_ObjectList.AddObject(g);
    const CVector start = g->GetPosition();
    float lowest = 1e9f, highest = -1e9f;
    for (int i = 0; i < 100; ++i)
    {
        Tick();
        m->m_fEnergy = m->GetEnergy(2);
        g->SetTraction(1.0f);
        g_ObjectList.Run();
        g_ObjectList.StepPhysics(Dt());
        g_ObjectList.Pack(false);
        if (i >= 40)
        {
            lowest = std::min(lowest, g->GetPosition().z - 100.0f);
            highest = std::max(highest, g->GetPosition().z - 100.0f);
        }
    }
    EXPECT_GT(Dot(g->GetPosition() - start, g->ForwardAxis()), 100.0f);
    EXPECT_GT(lowest, 0.5f);
    EXPECT_LT(highest, 30.0f);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, AVoluntaryEjectionThrowsOnePortionOfFiveHundred)
{
    auto m = Fitted();
    CGliderObject g;
    Place(g, *m);
    SGoodsItem goods;
    std::strcpy(goods.m_szName, "TOV_FREE"); // no unit weight: taken as 1
    goods.m_nCount = 1000;
    m->m_Garbage.AddGoods(goods, 0, false);
    int calls = 0;
    while (m->m_Garbage.m_Items[0].m_nCount == 1000 && calls < 50)
    {
        g.ThrowOutGoods(false);
        ++calls;
    }
    EXPECT_EQ(m->m_Garbage.m_Items[0].m_nCount, 500);
    EXPECT_EQ(Count(OBJ_THING), 1);
    EXPECT_EQ(Count(OBJ_SPLINTER), 1);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, BoomThrowsTheCapsuleAndTheMoney)
{
    auto m = Fitted();
    auto* g = new CGliderObject;
    Place(*g, *m);
    g_ObjectList.AddObject(g);
    std::strcpy(m_Mech.m_szId, "MECH_7");
    m->m_GliderData.m_bDestroyed = 1;
    g->Run();
    EXPECT_EQ(g->m_bDestroyed, 1);
    // Capsule and money at least (fragments one time in three).
    EXPECT_GE(Count(OBJ_THING), 2);
    SPointerArray<CMMObject> things;
    g_ObjectList.GetObjectList(OBJ_THING, things);
    bool capsule = false;
    for (int i = 0; i < things.count; ++i)
    {
        const auto* t = static_cast<const CTheThing*>(things.items[i]);
        capsule = capsule || (t->m_nContents == 1 && t->m_Contents[0].kind == 2 &&
                              std::strcmp(t->m_Contents[0].name, "MECH_7") == 0);
    }
    EXPECT_TRUE(capsule);
    m->m_lpObject = nullptr;
}

TEST_F(Glider, NightVisionLengthensAndWidensThePlayersHeadlight)
{
    auto m = Fitted({"EQP_NIGHTVISION"});
    m->m_bPlayer = 1;
    CGliderObject g;
    Place(g, *m);
    g_LightWare.ResetFrame();
    g.PreDraw(); // the switch is off: no light
    EXPECT_EQ(g_LightWare.m_nCount, 0);
    g.m_bHeadlight = 1;
    g.PreDraw();
    EXPECT_EQ(g_LightWare.m_nCount, 2);
    EXPECT_NEAR(g.m_Headlight.Range, 2121.32f, 0.01f);
    EXPECT_NEAR(g.m_Headlight.Phi * 180.0f / 3.14159265f, 90.0f, 1e-3f);
    EXPECT_NEAR(g.m_Headlight.Theta * 180.0f / 3.14159265f, 33.75f, 1e-3f);
    EXPECT_NEAR(g.m_GlowLight.Range, 70.71f, 0.01f);
    g_LightWare.ResetFrame();
    m->m_lpObject = nullptr;
}

namespace
{
// What the event sink hears, in order.
class CEventLog : public IMMAppEvent
{
public:
    CEventLog() { g_pAppEvent = this; }
    ~CEventLog() override { g_pAppEvent = nullptr; }
    void OnScriptEvent(const char* object, const char* event, const char[32]) override
    {
        m_Log.push_back(std::string(event) + " " + object);
    }
    void OnPlayerHit(CMMObject*) override { m_Log.push_back("hit"); }
    void OnPlayerKill(CMech* victim) override { m_Log.push_back(std::string("kill ") + victim->m_szId); }
    void OnKill(CMech* mech) override { m_Log.push_back(std::string("died ") + (mech ? mech->m_szId : "-")); }
    void OnDamageObject(float amount, int weaponKind) override
    {
        m_Log.push_back("damage " + std::to_string(int(amount)) + " " + std::to_string(weaponKind));
    }
    void OnCollision() override { m_Log.push_back("collision"); }
    void OnEscortHit(const char* mechName) override { m_Log.push_back(std::string("escort hit by ") + mechName); }
    std::vector<std::string> m_Log;
};

// An AI whose group is, or is not, the player's escort.
class CEscortAI : public IGliderAI
{
public:
    explicit CEscortAI(bool escort) : m_bEscort(escort) {}
    void Run() override {}
    void OnHit(CMech*, float) override {}
    void OnCollision(CMech*) override {}
    bool OnGroupHit(CMech*, float) override { return m_bEscort; }
    bool m_bEscort;
};
} // namespace

TEST_F(Glider, HitsKillsAndCollisionsReachTheEventSink)
{
    CEventLog events;
    auto pm = Fitted();
    pm->m_bPlayer = 1;
    CGliderObject player;
    Place(player, *pm);
    std::strcpy(m_Mech.m_szId, "PLAYER");
    auto om = Fitted();
    auto* other = new CGliderObject;
    CMech otherMech;
    std::strcpy(otherMech.m_szId, "MECH_2");
    CMatrix at(1.0f);
    at.SetTranslation(CVector{560.0f, 500.0f, 20.0f});
    other->Init(at, STypeKey(0));
    other->AssignMechanoid(&otherMech, om.get(), false);
    g_ObjectList.AddObject(other);

    struct SCase
    {
        CGliderObject* victim;
        CGliderObject* attacker;
        float amount;
        int kind;
        std::vector<std::string> heard;
    };
    const SCase cases[] = {
        {&player, other, 10.0f, -1, {"hit", "OnPlayerHit MECH_2"}},
        {&player, other, 10.0f, 100, {}}, // a collision is no hit
        {&player, nullptr, 10.0f, 0, {"hit"}},
        {other, &player, 10.0f, -1, {"damage 10 3"}},
        {other, &player, 1e7f, -1, {"damage 10000000 3", "kill MECH_2"}},
    };
    // A glider of a group: the player hears of a hit on it only while the
    // group escorts the player.
    int group = 0;
    otherMech.m_pGroup = &group;
    for (const bool escort : {false, true})
    {
        other->m_pAI = std::make_unique<CEscortAI>(escort);
        events.m_Log.clear();
        other->Damage(1.0f, other->GetPosition(), 1, &player, -1, 3);
        ASSERT_FALSE(events.m_Log.empty());
        EXPECT_EQ(events.m_Log.back() == "escort hit by PLAYER", escort) << events.m_Log.back();
    }
    other->m_pAI.reset();
    otherMech.m_pGroup = nullptr;
    for (const SCase& c : cases)
    {
        events.m_Log.clear();
        c.victim->Damage(c.amount, c.victim->GetPosition() + CVector{0.0f, 5.0f, 0.0f}, 1, c.attacker, c.kind, 3);
        EXPECT_EQ(events.m_Log, c.heard) << c.kind << " " << c.amount;
    }
    ASSERT_TRUE(om->IsKilled());
    // The next step blows the glider up and reports the death.
    events.m_Log.clear();
    other->Run();
    EXPECT_EQ(events.m_Log, std::vector<std::string>{"died MECH_2"});
    // The player's glider colliding, however gently.
    events.m_Log.clear();
    const CVector point = player.GetPosition();
    player.Collision(other, 1.0f, &point);
    EXPECT_EQ(events.m_Log, std::vector<std::string>{"collision"});
    pm->m_lpObject = nullptr;
    om->m_lpObject = nullptr;
    g_ObjectList.Pack(false);
}

TEST_F(Glider, AWeaponHitFlashesTheShieldWhereItCameFrom)
{
    auto m = Fitted();
    CGliderObject g;
    Place(g, *m);
    g.m_pMech = nullptr;
    // Environment damage shows nothing on the shield.
    g.Damage(50.0f, g.GetPosition(), 1, nullptr, 0, 666);
    EXPECT_EQ(g.m_bShieldEffect, 0);
    const CVector from = Normalize(CVector{1.0f, 1.0f, 0.0f});
    g.Damage(50.0f, g.GetPosition() + from * 10.0f, 1, nullptr, -1, 666);
    ASSERT_EQ(g.m_bShieldEffect, 1);
    const CShieldView::SHit& hit = g.m_ShieldView.m_Hits[0];
    EXPECT_GT(hit.life, 0.0f);
    EXPECT_EQ(hit.strength, 50u);
    // The glider's rotation times the hit's gives the strike's frame, whose
    // second row is the direction (tilted by at most 0.05 each way).
    const CMatrix& r = g.m_Frame.m_Matrix;
    float row[3] = {};
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            row[j] += r.m[1][k] * hit.matrix[k * 4 + j];
    const CVector second{row[0], row[1], row[2]};
    EXPECT_GT(Dot(second, from), 0.99f);
    // The flash fades within a quarter of a second of steps.
    for (int i = 0; i < 10; ++i)
    {
        Tick();
        g.Run();
    }
    EXPECT_EQ(g.m_bShieldEffect, 0);
    m->m_lpObject = nullptr;
}

// The sample lake as each zone kind: water marks the glider as on water,
// the damaging kinds hurt it and raise the player's warning; dry ground
// does nothing. Below the location's lower limit a glider is lost.
TEST_F(Glider, ZonesOfTheMapAndTheLowerLimit)
{
    ASSERT_TRUE(OpenSampleMap());
    ASSERT_EQ(g_Location.m_Water.size(), 1u);
    const CVector lake{1700.0f, 900.0f, 0.0f};
    const float level = g_Location.m_Water[0].record.level;
    g_Location.GetHeight(lake); // the cell's near data
    auto m = Fitted();
    m->m_bPlayer = 1;
    struct SCase
    {
        CVector at;
        int kind;
        bool onWater, hurt;
        int warning;
    };
    const SCase cases[] = {
        {{lake.x, lake.y, level + 5.0f}, 0, true, false, 0},
        {{lake.x, lake.y, level + 5.0f}, 1, false, true, 2},
        {{lake.x, lake.y, level + 5.0f}, 2, false, true, 1},
        {{lake.x, lake.y, level + 40.0f}, 2, false, false, 0}, // too high above it
        {{300.0f, 300.0f, 20.0f}, 1, false, false, 0},         // dry ground
    };
    for (const SCase& c : cases)
    {
        g_Location.m_Water[0].record.surfaceKind = c.kind;
        g_ZoneWarningLevel = 0;
        m->Repair();
        const float before = m->GetShield(1) + m->GetArmor(1);
        CGliderObject g;
        Place(g, *m, c.at);
        g.Run();
        EXPECT_EQ(g.m_bOnWater != 0, c.onWater) << c.kind << " at " << c.at.z;
        EXPECT_EQ(m->GetShield(1) + m->GetArmor(1) < before, c.hurt) << c.kind << " at " << c.at.z;
        EXPECT_EQ(g_ZoneWarningLevel, c.warning) << c.kind << " at " << c.at.z;
        m->m_lpObject = nullptr;
    }
    CloseMap();
    g_ZoneWarningLevel = 0;

    // The lower limit: a glider above it flies on, one below it is lost.
    for (const auto& [z, killed] : {std::pair{60.0f, false}, std::pair{40.0f, true}})
    {
        g_Environment.m_fDeathHeight = 50.0f;
        m->Repair();
        CGliderObject g;
        Place(g, *m, CVector{500.0f, 500.0f, z});
        g.Run();
        EXPECT_EQ(m->IsKilled(), killed) << z;
        m->m_lpObject = nullptr;
    }
    g_Environment.Clear();
}

// The hull's animation weights: sideways and forward speed in hundredths
// (at most 1), the turn against the lean, the ambient cycle; together
// above 1 they are scaled down by the root of their sum.
TEST_F(Glider, AnimationWeightsFollowTheMotion)
{
    CGliderObject g;
    SGliderParameters type = *g_GliderManager.GetGlider(0);
    // Slots turn, forward, jump, strafe, ambient at the model's animations
    // 0, 1, none, 3 and 2.
    const std::int32_t anims[5] = {0, 1, -1, 3, 2};
    std::copy(anims, anims + 5, type.m_nAnims);
    g.m_pType = &type;
    struct SCase
    {
        CVector velocity; // side, up, forward components
        float turn, lean;
        double clock;
        float turnW, forwardW, strafeW, ambientW;
    };
    const float r = 1.0f / std::sqrt(1.005f);
    const SCase cases[] = {
        {{-30.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 2.0, 0.0f, 0.0f, -0.3f, 0.0f},
        {{0.0f, 0.0f, 50.0f}, 0.0f, 0.0f, 2.0, 0.0f, 0.5f, 0.0f, 0.0f},
        {{0.0f, 0.0f, 0.0f}, -0.1f, 0.25f, 2.0, 0.25f, 0.0f, 0.0f, 0.0f},
        // forward 1 and ambient 0.005 (a quarter into the cycle): scaled.
        {{0.0f, 0.0f, 500.0f}, 0.0f, 0.0f, 1.0, 0.0f, r, 0.0f, 0.005f * r},
    };
    for (const SCase& c : cases)
    {
        g.m_vVelocity = g.SideAxis() * c.velocity.x + g.ForwardAxis() * c.velocity.z;
        g.m_vR = CVector{0.0f, 0.0f, c.turn};
        g.m_fLean = c.lean;
        g.UpdateAnimWeights(c.clock);
        EXPECT_NEAR(g.m_fAnimWeights[0], c.turnW, 1e-5f) << c.velocity.z;
        EXPECT_NEAR(g.m_fAnimWeights[1], c.forwardW, 1e-5f) << c.velocity.z;
        EXPECT_NEAR(g.m_fAnimWeights[3], c.strafeW, 1e-5f) << c.velocity.z;
        EXPECT_NEAR(g.m_fAnimWeights[4], c.ambientW, 1e-6f) << c.velocity.z;
    }
    // The model's state takes each slot's weight at the slot's animation.
    float state[4];
    g.AnimState(state);
    EXPECT_FLOAT_EQ(state[1], g.m_fAnimWeights[1]);
    EXPECT_FLOAT_EQ(state[3], g.m_fAnimWeights[3]);
    EXPECT_FLOAT_EQ(state[2], g.m_fAnimWeights[4]);
}
