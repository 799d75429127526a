// The gun: mounting, reload cadence, heat, ammunition, energy, the AI's
// cancel rules, missile and fan shots, barrels and network copies.
#include "CombatFixture.h"

#include "world/Mech.h"
#include "world/DynamicObject.h"

#include <algorithm>
#include <cmath>

using unittest::CCombatTest;

namespace
{

// A damageable glider that counts what it takes (an AI shoots only gliders).
class CTarget : public CGliderObject
{
public:
    explicit CTarget(CVector p)
    {
        m_bShown = 1;
        m_bCollidable = 1;
        m_bDamageable = 1;
        m_fRadius = 5.0f;
        SetPosition(p);
    }
    void Damage(float amount, CVector, int flag, CMMObject* source, int codeB, int codeA) override
    {
        ++hits;
        total += amount;
        lastFlag = flag;
        lastSource = source;
        lastType = codeB;
        lastKind = codeA;
    }
    int hits = 0;
    float total = 0.0f;
    int lastFlag = -1, lastType = -99, lastKind = -1;
    CMMObject* lastSource = nullptr;
};

class CEvents : public IShotEvents
{
public:
    void OnShoot(float damage, int kind) override
    {
        ++shots;
        lastDamage = damage;
        lastKind = kind;
    }
    void OnFireWeapon(int) override { ++fired; }
    CMMObject* GetLockedTarget() override { return locked; }
    int shots = 0, fired = 0, lastKind = -1;
    float lastDamage = 0.0f;
    CMMObject* locked = nullptr;
};

class Gun : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        m_Mech = Fitted();
        Fly(*m_Mech);
        m_Glider.SetPosition({1000.0f, 1000.0f, 500.0f});
        m_Gun.m_pOwner = &m_Glider;
        m_Owner = CMatrix(1.0f);
        m_Owner.SetTranslation(m_Glider.GetPosition());
    }
    void Mount(const char* weapon, std::uint32_t word = 0)
    {
        m_Gun.Assign(STypeKey(CCombatTest::Gun(weapon)), word);
    }
    // One frame with the trigger held (or not): Fire, then Run.
    void Frame(bool trigger = true, CVector dir = {1.0f, 0.0f, 0.0f})
    {
        if (trigger) m_Gun.Fire(&m_Owner, CMatrix(1.0f), dir, 0, 1.0f);
        m_Gun.Run();
        Tick();
    }
    void PlentyOfEnergy() { m_Mech->m_fEnergy = m_Mech->GetEnergy(2); }

    std::unique_ptr<CMechanoid> m_Mech;
    CGun m_Gun;
    CMatrix m_Owner;
};

} // namespace

TEST_F(Gun, AssignMountsAReadyWeaponAndAnUnknownIndexMountsNothing)
{
    Mount("GUN_ROCKET");
    EXPECT_TRUE(m_Gun.m_bMounted);
    EXPECT_FLOAT_EQ(m_Gun.m_fReload, CGun::kReadyAtOnce);
    EXPECT_FLOAT_EQ(m_Gun.m_fAmmo, 5.0f);
    EXPECT_EQ(m_Gun.m_iMissile, Missile("MIS_ROCKET"));
    EXPECT_EQ(m_Gun.GetGunDesc(), g_GunManager.GetGun(CCombatTest::Gun("GUN_ROCKET")));
    // A modifier word gives the gun its own record.
    Mount("GUN_BEAM", unittest::kGunDamage);
    EXPECT_NE(m_Gun.GetGunDesc(), g_GunManager.GetGun(CCombatTest::Gun("GUN_BEAM")));
    m_Gun.Assign(STypeKey(999), 0);
    EXPECT_FALSE(m_Gun.m_bMounted);
    EXPECT_EQ(m_Gun.GetGunDesc(), nullptr);
    EXPECT_EQ(m_Gun.m_iMissile, -1);
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f); // nothing mounted: nothing happens
    EXPECT_FALSE(m_Gun.m_bFiring);
}

TEST_F(Gun, ReloadCadenceRefusesWhileReloadingAndRunsDoubleAfterTheBurst)
{
    Mount("GUN_BEAM"); // 2 shots a second: period 0.5 s
    PlentyOfEnergy();
    auto* target = new CTarget({1100.0f, 1000.0f, 500.0f});
    g_ObjectList.AddObject(target);
    Frame();
    EXPECT_EQ(target->hits, 1);
    EXPECT_EQ(target->lastFlag, 1);   // no ammunition
    EXPECT_EQ(target->lastType, 0);   // DAMAGETYPE - 1
    EXPECT_EQ(target->lastKind, 666); // not the player's
    EXPECT_EQ(target->lastSource, &m_Glider);
    EXPECT_NEAR(m_Gun.m_fBeamLength, 95.0f, 0.5f);
    EXPECT_EQ(ExploCount(), 1); // EXPLO at the hit point
    int frames = 1;
    int refused = 0;
    while (target->hits == 1 && frames < 40)
    {
        m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
        if (m_Gun.m_nFireResult == GUN_RELOADING) ++refused;
        m_Gun.Run();
        EXPECT_EQ(m_Gun.m_nPrevFireResult, target->hits == 1 ? GUN_RELOADING : GUN_OK);
        Tick();
        ++frames;
    }
    EXPECT_EQ(target->hits, 2);
    EXPECT_GT(refused, 0);
    // About half the period plus a frame: 0.25 s + 0.05 s at 0.05 s frames.
    EXPECT_NEAR(frames * Dt(), 0.5f * 0.5f + 2 * Dt(), 2 * Dt() + 1e-4f);
}

TEST_F(Gun, AContinuousGunOverheatsAndFiresAgainOnceCool)
{
    Mount("GUN_HOT");
    PlentyOfEnergy();
    int frames = 0;
    while (!m_Gun.m_bOverheated && frames < 100)
    {
        PlentyOfEnergy();
        Frame();
        ++frames;
    }
    ASSERT_TRUE(m_Gun.m_bOverheated);
    EXPECT_NEAR(frames * Dt(), 0.5f, Dt() + 1e-4f);
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(m_Gun.m_nFireResult, GUN_OVERHEATED);
    m_Gun.Run();
    Tick();
    while (m_Gun.m_bOverheated)
        Frame(false);
    EXPECT_FLOAT_EQ(m_Gun.m_fHeat, 0.0f);
    EXPECT_FLOAT_EQ(m_Gun.m_fRecovery, 0.5f);
    PlentyOfEnergy();
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(m_Gun.m_nFireResult, GUN_OK);
    EXPECT_TRUE(m_Gun.m_bFiring);
}

TEST_F(Gun, AmmunitionBelowOneIsRefusedAndOneAndAHalfFires)
{
    Mount("GUN_ROCKET");
    PlentyOfEnergy();
    m_Gun.m_fAmmo = 0.9f;
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(m_Gun.m_nFireResult, GUN_NO_AMMO);
    EXPECT_EQ(MissileCount(), 0);
    m_Gun.Run();
    EXPECT_EQ(m_Gun.m_nPrevFireResult, GUN_NO_AMMO);
    m_Gun.m_fAmmo = 1.5f;
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(m_Gun.m_nFireResult, GUN_OK);
    EXPECT_EQ(MissileCount(), 1);
    EXPECT_FLOAT_EQ(m_Gun.m_fAmmo, 0.5f);
    // The ammunition comes back at RECONSTRUCTION per second.
    m_Gun.Run();
    EXPECT_NEAR(m_Gun.m_fAmmo, 0.5f + Dt(), 1e-5f);
    (void)0;
}

TEST_F(Gun, TooLittleEnergyIsRefusedAndPaysNothing)
{
    Mount("GUN_BEAM");
    m_Mech->m_fEnergy = 0.001f;
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(m_Gun.m_nFireResult, GUN_NO_ENERGY);
    EXPECT_FLOAT_EQ(m_Mech->m_fEnergy, 0.001f);
    PlentyOfEnergy();
    const float before = m_Mech->m_fEnergy;
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_NEAR(before - m_Mech->m_fEnergy, 2.0f / 2.0f, 1e-4f); // POWER / rate
}

TEST_F(Gun, AnAIShooterHoldsFireForBuildingsMatesAndNearGround)
{
    Mount("GUN_BEAM");
    auto* building = new CTarget({1100.0f, 1000.0f, 500.0f});
    building->m_nType = OBJ_BUILDING;
    g_ObjectList.AddObject(building);
    auto* mate = new CGliderObject;
    mate->m_fRadius = 5.0f;
    mate->SetPosition({1000.0f, 1100.0f, 500.0f});
    g_ObjectList.AddObject(mate);
    int group = 0;
    CMech mech, mateMech;
    mech.m_pGroup = mateMech.m_pGroup = &group;
    m_Glider.m_pMech = &mech;
    mate->m_pMech = &mateMech;
    struct Case
    {
        const char* what;
        CVector dir;
    } cases[] = {
        {"building ahead", {1.0f, 0.0f, 0.0f}},
        {"group mate ahead", {0.0f, 1.0f, 0.0f}},
        {"ground just below", {0.0f, 0.0f, -1.0f}},
    };
    m_Glider.SetPosition({1000.0f, 1000.0f, 50.0f});
    m_Owner.SetTranslation({1000.0f, 1000.0f, 500.0f});
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        if (c.dir.z < 0.0f) m_Owner.SetTranslation({1000.0f, 1000.0f, 50.0f});
        PlentyOfEnergy();
        const float before = m_Mech->m_fEnergy;
        m_Gun.Fire(&m_Owner, CMatrix(1.0f), c.dir, 0, 1.0f);
        EXPECT_FALSE(m_Gun.m_bFiring);
        EXPECT_FLOAT_EQ(m_Mech->m_fEnergy, before);
        EXPECT_EQ(building->hits, 0);
    }
    // The player fires whatever is in the way.
    m_Mech->m_bPlayer = 1;
    m_Owner.SetTranslation({1000.0f, 1000.0f, 500.0f});
    CEvents events;
    g_pShotEvents = &events;
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_TRUE(m_Gun.m_bFiring);
    EXPECT_EQ(building->hits, 1);
    EXPECT_EQ(building->lastKind, 0); // the weapon's TYPE for the player
    EXPECT_EQ(events.shots, 1);
    EXPECT_EQ(events.lastKind, 0);
}

TEST_F(Gun, AMissileShotLaunchesAlongTheDirectionOwnedByTheOwner)
{
    Mount("GUN_ROCKET");
    PlentyOfEnergy();
    m_Mech->m_bPlayer = 1;
    CEvents events;
    auto* locked = new CTarget({3000.0f, 3000.0f, 0.0f});
    g_ObjectList.AddObject(locked);
    events.locked = locked;
    g_pShotEvents = &events;
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {0.0f, 1.0f, 0.0f}, 0, 1.0f);
    SPointerArray<CMMObject> all;
    g_ObjectList.GetObjectList(OBJ_MISSILE, all);
    ASSERT_EQ(all.count, 1);
    auto* missile = static_cast<CMissileObject*>(all.items[0]);
    EXPECT_EQ(missile->m_pOwner, &m_Glider);
    EXPECT_EQ(missile->m_pTarget, locked);
    EXPECT_EQ(missile->m_nWeaponKind, 1);
    EXPECT_EQ(events.fired, 1);
    EXPECT_EQ(events.lastKind, 1);
    EXPECT_NEAR(missile->m_vVelocity.y, 100.0f, 1.0f);
    EXPECT_NEAR(missile->m_vVelocity.x, 0.0f, 1.0f);
}

TEST_F(Gun, AFanFiresXStateMissilesClampedToOneAndFifty)
{
    struct Case
    {
        const char* weapon;
        int missiles;
    } cases[] = {{"GUN_FAN0", 1}, {"GUN_FAN80", 50}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.weapon);
        g_ObjectList.Clear();
        Mount(c.weapon);
        PlentyOfEnergy();
        m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
        EXPECT_EQ(MissileCount(), c.missiles);
    }
}

TEST_F(Gun, ADoubleGunAlternatesBarrels)
{
    Mount("GUN_DOUBLE");
    CMatrix mount(1.0f);
    mount.SetTranslation({3.0f, 0.0f, 0.0f});
    int barrels[4];
    for (int& b : barrels)
    {
        PlentyOfEnergy();
        m_Gun.Fire(&m_Owner, mount, {0.0f, 1.0f, 0.0f}, 0, 1.0f);
        b = m_Gun.m_nBarrel;
        m_Gun.m_fReload = 0.0f;
    }
    EXPECT_NE(barrels[0], barrels[1]);
    EXPECT_EQ(barrels[0], barrels[2]);
    EXPECT_EQ(barrels[1], barrels[3]);
}

TEST_F(Gun, ANetworkCopyDealsNoDamageAndMakesNoMissiles)
{
    m_Glider.m_bNetwork = 1;
    m_Glider.m_bLocal = 0;
    Mount("GUN_BEAM");
    PlentyOfEnergy();
    auto* target = new CTarget({1100.0f, 1000.0f, 500.0f});
    g_ObjectList.AddObject(target);
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(target->hits, 1);
    EXPECT_FLOAT_EQ(target->total, 0.0f);
    // The beam's explosion is a copy too: it will deal no damage.
    SPointerArray<CMMObject> blasts;
    g_ObjectList.GetObjectList(OBJ_EXPLOSION, blasts);
    ASSERT_EQ(blasts.count, 1);
    EXPECT_TRUE(IsNetworkCopy(blasts.items[0]));
    Mount("GUN_ROCKET");
    PlentyOfEnergy();
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {0.0f, 1.0f, 0.0f}, 0, 1.0f);
    EXPECT_EQ(MissileCount(), 0);
}

TEST_F(Gun, ThePlayersFanMissilesInheritTheGlidersVelocityAndAFuseFactor)
{
    Mount("GUN_FAN80");
    PlentyOfEnergy();
    m_Mech->m_bPlayer = 1;
    m_Glider.m_vVelocity = {0.0f, 0.0f, 30.0f};
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {1.0f, 0.0f, 0.0f}, 0, 0.5f);
    SPointerArray<CMMObject> all;
    g_ObjectList.GetObjectList(OBJ_MISSILE, all);
    ASSERT_EQ(all.count, CGun::kMaxFan);
    float leftmost = 0.0f, rightmost = 0.0f;
    for (int i = 0; i < all.count; ++i)
    {
        auto* m = static_cast<CMissileObject*>(all.items[i]);
        EXPECT_NEAR(m->m_vVelocity.z, 15.0f, 1e-3f);
        EXPECT_GE(m->m_fFuse, 0.8f);
        EXPECT_LT(m->m_fFuse, 1.2f);
        EXPECT_TRUE(m->m_bNetwork && m->m_bLocal);
        const float angle = std::atan2(m->m_vVelocity.y, m->m_vVelocity.x) * 180.0f / 3.14159265f;
        leftmost = std::min(leftmost, angle);
        rightmost = std::max(rightmost, angle);
    }
    // The fan spans ANGLE x (count - 1) / count degrees about the direction.
    EXPECT_NEAR(rightmost - leftmost, 30.0f * 49.0f / 50.0f, 0.1f);
    EXPECT_NEAR(rightmost + leftmost, 0.0f, 0.1f);
}

TEST_F(Gun, AGunOfTheFirstKindsWaitsForItsModelToLoad)
{
    // A model id that no model manager can hand out: it is still loading.
    auto& record = const_cast<SGunParameters&>(*g_GunManager.GetGun(CCombatTest::Gun("GUN_ROCKET")));
    ASSERT_LE(record.m_nType, 1);
    SetFieldId(record.m_Model, 0);
    Mount("GUN_ROCKET");
    PlentyOfEnergy();
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {0.0f, 1.0f, 0.0f}, 0, 1.0f);
    SPointerArray<CMMObject> all;
    g_ObjectList.GetObjectList(OBJ_MISSILE, all);
    EXPECT_EQ(all.count, 0);
    EXPECT_FALSE(m_Gun.m_bFiring);
    // Without a model to wait for it fires.
    SetFieldId(record.m_Model, -1);
    m_Gun.Fire(&m_Owner, CMatrix(1.0f), {0.0f, 1.0f, 0.0f}, 0, 1.0f);
    g_ObjectList.GetObjectList(OBJ_MISSILE, all);
    EXPECT_EQ(all.count, 1);
    EXPECT_TRUE(m_Gun.m_bFiring);
}
