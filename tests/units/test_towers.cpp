// Towers: target choice, the alarm rules, gun choice, neighbours, sleep and
// the save record; ground turrets: the speed threshold, the lock and the arc.
#include "TurretFixture.h"

#include "foundation/MemStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using unittest::CTurretTest;

namespace
{
constexpr float kPi = std::numbers::pi_v<float>;

class Towers : public CTurretTest
{
};

TEST_F(Towers, KindsReadTheirGunsFlightAndTheFixedDistances)
{
    const STowerType* guard = g_TowerManager.GetKind(g_TowerManager.FindName("TW_GUARD"));
    ASSERT_NE(guard, nullptr);
    EXPECT_EQ(guard->m_nFightingGun, Gun("GUN_BEAM"));
    EXPECT_NEAR(guard->m_fAngleUp, kPi / 3.0f, 1e-5f);
    EXPECT_FLOAT_EQ(guard->m_fTurnRate, kPi / 4.0f);
    EXPECT_FLOAT_EQ(g_TowerManager.GetMaxViewDistance(), 1901.3153f);
    EXPECT_FLOAT_EQ(g_TowerManager.GetMaxSpyDistance(), 784.2194f);

    CTowerObject* fly = Tower("TW_FLY", {500.0f, 500.0f, 50.0f});
    EXPECT_FLOAT_EQ(fly->GetViewDistance(), 1901.3153f);
    EXPECT_FLOAT_EQ(fly->GetSpyDistance(), 784.2194f);
    EXPECT_EQ(fly->m_bPhysics, 1);
    EXPECT_FLOAT_EQ(fly->m_fMass, 1000.0f);
    CTowerObject* plain = Tower("TW_PLAIN", {700.0f, 500.0f, 0.0f});
    EXPECT_FLOAT_EQ(plain->GetViewDistance(), 1500.0f);
    EXPECT_EQ(plain->m_PunitiveGun.m_bMounted, 0);
    EXPECT_EQ(plain->m_FightingGun.m_pOwner, plain);
}

TEST_F(Towers, AFiringGliderIsPreferredToANearerQuietOne)
{
    CTowerObject* tower = Tower("TW_GUARD", {500.0f, 500.0f, 0.0f});
    Glider({550.0f, 500.0f, 20.0f});
    CGliderObject* far = Glider({500.0f, 900.0f, 20.0f});
    tower->FindTarget();
    EXPECT_NE(tower->m_pTarget, far);
    EXPECT_FLOAT_EQ(tower->m_fAlertLevel, 0.0f);
    EXPECT_EQ(tower->m_bWarning, 1);

    MakeFiring(far);
    tower->FindTarget();
    EXPECT_EQ(tower->m_pTarget, far);
    EXPECT_FLOAT_EQ(tower->m_fAlertLevel, 2.0f);
    EXPECT_FLOAT_EQ(tower->m_fCalmDown, 1.0f);

    // Beyond the spy distance nothing is picked, firing or not.
    CTowerObject* lonely = Tower("TW_GUARD", {3000.0f, 3000.0f, 0.0f});
    MakeFiring(Glider({3000.0f, 3600.0f, 20.0f}));
    lonely->FindTarget();
    EXPECT_EQ(lonely->m_pTarget, nullptr);
}

TEST_F(Towers, TheGunFollowsWarningAndAlertLevel)
{
    struct SCase
    {
        const char* kind;
        bool warning;
        float level;
        int gun; // 0 harmless, 1 fighting, 2 punitive
    };
    const SCase cases[] = {
        {"TW_GUARD", true, 5.0f, 0},    {"TW_GUARD", false, 2.0f, 1},   {"TW_GUARD", false, 99.0f, 1},
        {"TW_GUARD", false, 100.0f, 2}, {"TW_PLAIN", false, 500.0f, 1},
    };
    float x = 0.0f;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.kind << " warning " << c.warning << " level " << c.level);
        // Each case far from the others' shots.
        x += 3000.0f;
        CTowerObject* tower = Tower(c.kind, {x, 500.0f, 0.0f});
        CGliderObject* target = Glider({x, 700.0f, 30.0f});
        tower->m_pTarget = target;
        tower->m_bWarning = c.warning;
        tower->m_fAlertLevel = c.level;
        tower->Fire();
        const CGun* guns[3] = {&tower->m_HarmlessGun, &tower->m_FightingGun, &tower->m_PunitiveGun};
        for (int g = 0; g < 3; ++g)
            EXPECT_EQ(guns[g]->IsFiring(), g == c.gun) << "gun " << g;
        if (c.warning)
        {
            // A warning shot calms the tower to just below the fighting level.
            EXPECT_FLOAT_EQ(tower->m_fAlertLevel, 1.9f);
            EXPECT_FLOAT_EQ(tower->m_fCalmDown, 1.0f);
        }
    }
}

TEST_F(Towers, SetTargetFollowsItsRules)
{
    CTowerObject* tower = Tower("TW_GUARD", {500.0f, 500.0f, 0.0f});
    CGliderObject* a = Glider({500.0f, 700.0f, 20.0f});
    CGliderObject* b = Glider({700.0f, 500.0f, 20.0f});

    // Not a glider, too far, or the tower switched off: ignored.
    CTowerObject* other = Tower("TW_GUARD", {600.0f, 600.0f, 0.0f});
    tower->SetTarget(other, 5.0f, true, false);
    EXPECT_EQ(tower->m_pTarget, nullptr);
    tower->SetTarget(Glider({500.0f, 2100.0f, 20.0f}), 5.0f, true, false);
    EXPECT_EQ(tower->m_pTarget, nullptr);
    tower->SetActive(false);
    tower->SetTarget(a, 5.0f, true, false);
    EXPECT_EQ(tower->m_pTarget, nullptr);
    tower->SetActive(true);

    // A new target takes the level and the warning asked for.
    tower->SetTarget(a, 5.0f, true, false);
    EXPECT_EQ(tower->m_pTarget, a);
    EXPECT_FLOAT_EQ(tower->m_fAlertLevel, 5.0f);
    EXPECT_EQ(tower->m_bWarning, 1);
    EXPECT_EQ(tower->m_bAlarmed, 1);

    // Another glider at a lower level does not take over.
    tower->SetTarget(b, 3.0f, false, false);
    EXPECT_EQ(tower->m_pTarget, a);

    // Accumulating on the same target: (dt + 1) x level + the new level;
    // a hit without warning request clears the warning.
    tower->SetTarget(a, 5.0f, false, true);
    EXPECT_NEAR(tower->m_fAlertLevel, 1.9f, 1e-6f) << "a warned target alarmed without warning calms";
    EXPECT_EQ(tower->m_bWarning, 0);
    tower->SetTarget(a, 5.0f, true, true);
    EXPECT_NEAR(tower->m_fAlertLevel, (Dt() + 1.0f) * 1.9f + 5.0f, 1e-4f);
    EXPECT_EQ(tower->m_bWarning, 0);

    // A higher level moves the tower to another glider.
    tower->SetTarget(b, 50.0f, false, false);
    EXPECT_EQ(tower->m_pTarget, b);
    EXPECT_FLOAT_EQ(tower->m_fAlertLevel, 50.0f);

    // Damage alarms the tower (level 5, accumulating) but leaves it whole.
    tower = Tower("TW_GUARD", {1500.0f, 1500.0f, 0.0f});
    a = Glider({1500.0f, 1700.0f, 20.0f});
    tower->Damage(100.0f, CVector{}, 0, a, -1, 666);
    EXPECT_EQ(tower->m_pTarget, a);
    EXPECT_FLOAT_EQ(tower->m_fAlertLevel, 5.0f);
    EXPECT_EQ(tower->m_bAlive, 1);
}

TEST_F(Towers, NeighboursAreAlarmedAndTheTwentyFirstIsRefused)
{
    CTowerObject* first = Tower("TW_GUARD", {500.0f, 500.0f, 0.0f});
    for (int i = 0; i < 21; ++i)
        Tower("TW_GUARD", {600.0f + float(i) * 20.0f, 500.0f, 0.0f});
    first->CollectNeighbours();
    EXPECT_EQ(first->m_nNeighbours, CTowerObject::kMaxNeighbours);
    EXPECT_NE(ReadText("error.log").find("Neighbouring array for Tower object is overflow"),
              std::string::npos);

    CGliderObject* attacker = Glider({500.0f, 700.0f, 20.0f});
    first->Damage(10.0f, CVector{}, 0, attacker, -1, 666);
    for (int i = 0; i < first->m_nNeighbours; ++i)
    {
        EXPECT_EQ(first->m_pNeighbours[i]->m_pTarget, attacker);
        EXPECT_FLOAT_EQ(first->m_pNeighbours[i]->m_fAlertLevel, 5.0f);
    }
    // A deleted neighbour leaves the list.
    CTowerObject* gone = first->m_pNeighbours[0];
    first->ProcessDelete(gone);
    EXPECT_EQ(first->m_nNeighbours, CTowerObject::kMaxNeighbours - 1);
    for (int i = 0; i < first->m_nNeighbours; ++i)
        EXPECT_NE(first->m_pNeighbours[i], gone);
}

TEST_F(Towers, AnAwakeTowerLaysItsGunAndASleepingOneDoesNothing)
{
    CTowerObject* tower = Tower("TW_GUARD", {500.0f, 500.0f, 0.0f});
    CGliderObject* target = Glider({800.0f, 500.0f, 100.0f});
    MakeFiring(target);
    for (int i = 0; i < 200; ++i)
    {
        tower->Run();
        Tick();
    }
    EXPECT_EQ(tower->m_pTarget, target);
    // The gun points at the target (toward +x: yaw pi/2), pitched up to it.
    EXPECT_NEAR(tower->m_Laying.m_fYaw, kPi / 2.0f, CTowerObject::kFireError);
    EXPECT_GT(tower->m_Laying.m_fPitch, 0.0f);
    // Picked while firing (level 2) with a warning: the harmless gun's
    // warning shot, which calms the tower to 1.9; the fighting gun is quiet.
    EXPECT_LT(tower->m_HarmlessGun.m_fSinceShot, 200.0f * Dt());
    EXPECT_NEAR(tower->m_FightingGun.m_fSinceShot, 1.5f + 200.0f * Dt(), 1e-3f);
    EXPECT_FLOAT_EQ(tower->m_fAlertLevel, 1.9f);

    // The camera beyond sqrt(2) x the view range: the tower sleeps.
    tower = Tower("TW_GUARD", {5500.0f, 500.0f, 0.0f});
    target = Glider({5800.0f, 500.0f, 100.0f});
    MakeFiring(target);
    const float range = GetViewRange();
    g_ViewCamera.m_vPosition = CVector{5500.0f + range * 1.5f, 500.0f, 0.0f};
    for (int i = 0; i < 20; ++i)
    {
        tower->Run();
        Tick();
    }
    EXPECT_EQ(tower->m_pTarget, nullptr);
    EXPECT_FLOAT_EQ(tower->m_Laying.m_fYaw, 0.0f);
    EXPECT_EQ(tower->m_FightingGun.m_fSinceShot, 1.5f);
}

TEST_F(Towers, TheSaveRecordHoldsTheActiveFlagAndAShortOneIsRefused)
{
    CTowerObject* tower = Tower("TW_GUARD", {500.0f, 500.0f, 0.0f});
    tower->SetActive(false);
    CMemStream stream;
    tower->SaveGame(stream);
    EXPECT_EQ(stream.m_nPosition, std::uint32_t(CMMObject::kSaveGameSize + 1));

    CTowerObject* other = Tower("TW_GUARD", {600.0f, 500.0f, 0.0f});
    stream.m_nPosition = 0;
    other->LoadGame(stream);
    EXPECT_FALSE(other->IsActive());

    CMemStream cut;
    cut.Write(stream.m_pData, CMMObject::kSaveGameSize);
    cut.m_nPosition = 0;
    try
    {
        other->LoadGame(cut);
        ADD_FAILURE() << "a record without its active byte was read";
    }
    catch (const CObjectStreamError& e)
    {
        EXPECT_NE(std::string(e.what()).find("tower record"), std::string::npos) << e.what();
    }
}

class Turrets : public CTurretTest
{
};

TEST_F(Turrets, OnlyFastGlidersAreSearchedButASlowAttackerIsLocked)
{
    CTankObject* tank = Tank({500.0f, 500.0f, 0.0f});
    CGliderObject* slow = Glider({500.0f, 700.0f, 20.0f}, {0.0f, 140.0f, 0.0f});
    CGliderObject* fast = Glider({700.0f, 500.0f, 20.0f}, {150.0f, 0.0f, 0.0f});
    CGliderObject* faster = Glider({300.0f, 500.0f, 20.0f}, {0.0f, 0.0f, 200.0f});
    tank->SearchTarget();
    EXPECT_EQ(tank->m_pTarget, faster);
    faster->m_bDestroyed = 1;
    tank->SearchTarget();
    EXPECT_EQ(tank->m_pTarget, fast);

    fast->m_vVelocity = CVector{};
    tank->SearchTarget();
    EXPECT_EQ(tank->m_pTarget, nullptr);

    // Shot by the slow glider: locked on it; the search no longer runs.
    tank->Damage(10.0f, CVector{}, 0, slow, -1, 666);
    EXPECT_EQ(tank->m_pTarget, slow);
    EXPECT_EQ(tank->m_bLocked, 1);
    fast->m_vVelocity = CVector{300.0f, 0.0f, 0.0f};
    tank->Run();
    EXPECT_EQ(tank->m_pTarget, slow);

    // A locked target stays until it leaves the 1000 range ...
    slow->SetPosition(CVector{500.0f, 1600.0f, 20.0f});
    tank->Run();
    EXPECT_EQ(tank->m_bLocked, 0);
    EXPECT_EQ(tank->m_pTarget, fast);
    // ... or is deleted.
    tank->Damage(10.0f, CVector{}, 0, fast, -1, 666);
    tank->ProcessDelete(fast);
    EXPECT_EQ(tank->m_pTarget, nullptr);
    EXPECT_EQ(tank->m_bLocked, 0);
}

TEST_F(Turrets, ATargetBehindIsFollowedOnlyToTheArcAndNeverFiredAt)
{
    CTankObject* tank = Tank({500.0f, 500.0f, 0.0f});
    const float base = tank->BaseYaw();
    // Behind the mounting direction: the yaw that would face it is base + pi.
    const CVector behind{500.0f - 300.0f * std::sin(base), 500.0f - 300.0f * std::cos(base), 10.0f};
    CGliderObject* target = Glider(behind, {200.0f, 0.0f, 0.0f});
    tank->Damage(1.0f, CVector{}, 0, target, -1, 666);
    for (int i = 0; i < 320; ++i)
    {
        tank->Run();
        Tick();
        const float relative = WrapPi(tank->m_Laying.m_fYaw - base);
        ASSERT_LE(std::fabs(relative), kPi / 4.0f + 1e-4f) << "frame " << i;
    }
    EXPECT_NEAR(std::fabs(WrapPi(tank->m_Laying.m_fYaw - base)), kPi / 4.0f, 1e-3f);
    EXPECT_NEAR(tank->m_Gun.m_fSinceShot, 1.5f + 320.0f * Dt(), 1e-3f);
}
} // namespace

// A glider attacked by a glider: the first active tower (in list order)
// within whose own spy distance it flies hears of the attacker, once; a
// collision alerts none.
TEST_F(Towers, AGliderHitByAGliderAlertsTheFirstTowerThatSpiesOnIt)
{
    CTowerObject* beyond = Tower("TW_GUARD", {500.0f, 1100.0f, 0.0f}); // 600 away: past its 500
    CTowerObject* off = Tower("TW_GUARD", {500.0f, 550.0f, 0.0f});
    off->SetActive(false);
    CTowerObject* first = Tower("TW_GUARD", {500.0f, 600.0f, 0.0f});
    CTowerObject* second = Tower("TW_GUARD", {500.0f, 650.0f, 0.0f});
    CGliderObject* victim = Glider({500.0f, 500.0f, 20.0f});
    CGliderObject* attacker = Glider({900.0f, 500.0f, 20.0f});
    victim->Damage(10.0f, victim->GetPosition(), 0, attacker, 100, 10);
    EXPECT_EQ(first->m_pTarget, nullptr);
    victim->Damage(10.0f, victim->GetPosition(), 0, attacker, -1, 666);
    EXPECT_EQ(first->m_pTarget, attacker);
    EXPECT_FLOAT_EQ(first->m_fAlertLevel, 7.0f);
    for (CTowerObject* t : {beyond, off, second})
        EXPECT_EQ(t->m_pTarget, nullptr);
}
