// AI gliders flown by the real glider and physics over flat ground, with a
// seeded generator: one ordered to a point 1,000 away arrives within 60
// simulated seconds; one fleeing with cargo drops goods under the player's
// fire. (The attack that hits a glider standing still is flown over the
// sample location, where the guns' ground checks have terrain:
// tests/app/test_world_patrol.cpp.)
#include "AITestFixture.h"

#include "units/CombatFixture.h"

#include "world/ObjectList.h"
#include "world/WorldMotionFakes.h"

#include <algorithm>
#include <cmath>

namespace
{

using aitest::CCountingGroupAI;

class AIFlight : public unittest::CCombatTest
{
protected:
    // A glider of the world, fitted with the beam gun, placed at the point
    // facing heading (radians from +y toward +x), with its AI in a group of
    // its own.
    struct SFlier
    {
        CMech mech;
        std::unique_ptr<CMechanoid> mechanoid;
        CGliderObject* glider = nullptr;
        CBasicAI* ai = nullptr;
        CMechGroup2 group;
        CCountingGroupAI* groupAI = nullptr;
    };

    void SetUp() override
    {
        CCombatTest::SetUp();
        // A glider type that turns and holds its course like the sample's.
        Write("gliders.ini",
              "[GL_LIGHT]\nWEIGHT=100\nMAXWEIGHT=800\nDAMAGE=500\nSTANDARD=1\nRESFRONT=1.2\n"
              "RESSIDE=3\nRESTOP=1.5\nTURBULENCE=9\nSTABFRONT=50\nSTABSIDE=50\nROTATESPEED=120\n"
              "CAREEN=10\nDELTAT=10\n");
        ASSERT_TRUE(g_GliderManager.Init(unit_sections::kGliders));
        // And the sample's drive: about 120 units a second.
        Write("equipment.ini", "[REACTOR_1]\nTYPE=1\nVALUE1=60\nVALUE2=40\nDAMAGE=200\nWEIGHT=60\n"
                               "[ENGINE_1]\nTYPE=4\nPOWER=3\nVALUE1=40000\nDAMAGE=200\nWEIGHT=50\n"
                               "[SHIELD_1]\nTYPE=2\nVALUE1=100\nVALUE2=50\nVALUE3=10\nPOWER=1\nDAMAGE=100\n"
                               "[ARMOR_1]\nTYPE=3\nVALUE1=20\nVALUE3=5\nDAMAGE=100\nWEIGHT=30\n");
        ASSERT_TRUE(g_EquipmentManager.Init(unit_sections::kEquipment));
        g_Random.SetState(12345);
        g_pMechRegistry = &m_Host;
        g_pAIEvents = &m_Host;
    }
    void TearDown() override
    {
        g_ObjectList.Clear();
        g_pMechRegistry = nullptr;
        g_pAIEvents = nullptr;
        CCombatTest::TearDown();
    }

    void Place(SFlier& f, const char* id, const CVector& at, float heading)
    {
        std::snprintf(f.mech.m_szId, sizeof f.mech.m_szId, "%s", id);
        f.mechanoid = Fitted();
        f.mechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key = STypeKey(0);
        f.mechanoid->m_gEqp.m_Config[CFG_LIGHTGUN].m_Key = STypeKey(Gun("GUN_BEAM"));
        CObjectFrame frame;
        frame.SetForward(CVector{std::sin(heading), std::cos(heading), 0.0f});
        CMatrix placement = frame.m_Matrix;
        placement.SetTranslation(at);
        f.glider = new CGliderObject;
        f.glider->m_pMechanoid = f.mechanoid.get();
        f.glider->Init(placement, STypeKey(0));
        f.glider->AssignMechanoid(&f.mech, f.mechanoid.get(), true);
        f.mechanoid->Repair();
        f.mechanoid->m_fEnergy = f.mechanoid->GetEnergy(2);
        g_ObjectList.AddObject(f.glider);
        auto groupAI = std::make_unique<CCountingGroupAI>();
        f.groupAI = groupAI.get();
        f.groupAI->m_nKind = 1;
        f.groupAI->m_nMode = CGroupAI::MODE_MOVE;
        f.group.m_pAI = std::move(groupAI);
        f.groupAI->m_pGroup = &f.group;
        f.group.AddMech(&f.mech);
        f.ai = new CBasicAI;
        f.glider->m_pAI.reset(f.ai);
        f.ai->SetMech(&f.mech);
    }
    void Frame()
    {
        Tick();
        g_ObjectList.Run();
        g_ObjectList.StepPhysics(Dt());
        g_ObjectList.Pack(false);
        for (SFlier* f : {&m_A, &m_B})
            if (f->mechanoid && f->glider) f->mechanoid->Run(Dt());
    }

    aitest::CFakeHost m_Host;
    worldtest::CFlatTerrain m_Ground;
    SFlier m_A, m_B;
};

TEST_F(AIFlight, AGliderOrderedAThousandAwayArrivesWithinAMinute)
{
    m_Host.m_nDifficulty = 1;
    const CVector start{500.0f, 500.0f, 3.0f};
    Place(m_A, "A", start, 1.2f); // not facing the point
    const CVector goal{start.x + 600.0f, start.y + 800.0f, 0.0f};
    m_A.ai->MoveTo(goal.x, goal.y, goal.z);
    ASSERT_EQ(m_A.ai->m_nMode, CBasicAI::MODE_MOVE);
    int frames = 0;
    float closest = 1e9f;
    for (; frames < int(60.0f / Dt()); ++frames)
    {
        Frame();
        const CVector p = m_A.glider->GetPosition();
        const float d = std::hypot(p.x - goal.x, p.y - goal.y);
        closest = std::min(closest, d);
        if (d < 50.0f) break;
    }
    EXPECT_LT(closest, 50.0f) << "closest " << closest;
    EXPECT_LT(frames * Dt(), 60.0f);
    EXPECT_GT(m_A.glider->GetPosition().z, 0.0f);
}

// Fleeing with cargo, every 700 of the player's damage costs goods once.
TEST_F(AIFlight, EverySevenHundredOfThePlayersDamageWhileFleeingDropsGoods)
{
    Place(m_A, "A", CVector{500.0f, 500.0f, 3.0f}, 0.0f);
    Place(m_B, "B", CVector{650.0f, 750.0f, 3.0f}, 2.0f);
    m_Host.m_pPlayer = m_B.glider;
    m_A.mechanoid->m_Missiles[0] = {STypeKey(Missile("MIS_ROCKET")), 5};
    m_A.mechanoid->m_nMissileCount = 1;
    ASSERT_GT(m_A.mechanoid->GetGoodsWeight(), 1.0f);
    m_A.ai->m_nMode = CBasicAI::MODE_RETREAT;
    auto drops = [this] { return std::count(m_Host.m_Events.begin(), m_Host.m_Events.end(), AIEV_DROP); };
    m_A.ai->OnHit(&m_B.mech, 1500.0f);
    EXPECT_EQ(drops(), 2);
    EXPECT_FLOAT_EQ(m_A.ai->m_fDamageSum, 100.0f);
    // Another's damage only adds up; not retreating nothing counts.
    CMech other;
    m_A.ai->OnHit(&other, 700.0f);
    EXPECT_EQ(drops(), 2);
    EXPECT_FLOAT_EQ(m_A.ai->m_fDamageSum, 100.0f);
    m_A.ai->m_nMode = CBasicAI::MODE_ATTACK;
    m_A.ai->OnHit(&m_B.mech, 5000.0f);
    EXPECT_EQ(drops(), 2);
    EXPECT_FLOAT_EQ(m_A.ai->m_fDamageSum, 100.0f);
}

// The preferred distance shrinks by a tenth every 100 ticks of attacking
// and is 350 once shield and armour are both below half.
// Told to kill itself, a glider is thrown up and destroyed: it blows up in
// its next step.
TEST_F(AIFlight, ASuicideThrowsTheGliderUpAndDestroysIt)
{
    Place(m_A, "A", CVector{500.0f, 500.0f, 3.0f}, 0.0f);
    ASSERT_FALSE(m_A.mechanoid->IsKilled());
    const float vz = m_A.glider->m_vVelocity.z;
    m_A.group.C_Suicide(m_A.glider);
    EXPECT_NEAR(m_A.glider->m_vVelocity.z, vz + 100000.0f / m_A.glider->m_fMass, 1e-2f);
    EXPECT_TRUE(m_A.mechanoid->IsKilled());
    EXPECT_EQ(m_A.glider->m_bShieldEffect, 1);
    EXPECT_EQ(m_A.glider->m_bDestroyed, 0);
    Frame();
    // Blown up and gone: the mechanoid and its record keep no pointer to it.
    EXPECT_EQ(m_A.mechanoid->m_lpObject, nullptr);
    EXPECT_EQ(m_A.mech.m_pObject, nullptr);
    // Without a glider nothing happens.
    m_A.group.C_Suicide(nullptr);
}

TEST_F(AIFlight, AttackDistanceShrinksAndIs350WhenBadlyHurt)
{
    Place(m_A, "A", CVector{500.0f, 500.0f, 3.0f}, 0.0f);
    Place(m_B, "B", CVector{500.0f, 800.0f, 3.0f}, 0.0f);
    m_A.ai->Attack(&m_B.mech);
    const float d = m_A.ai->m_fAttackDistance;
    m_A.ai->m_nTicks = 101;
    m_A.ai->ProcessAttack();
    EXPECT_EQ(m_A.ai->m_fAttackDistance, d);
    m_A.ai->m_nTicks = 200;
    m_A.ai->ProcessAttack();
    EXPECT_FLOAT_EQ(m_A.ai->m_fAttackDistance, d * 0.9f);
    m_A.ai->m_nTicks = 201;
    m_A.mechanoid->m_fShield = m_A.mechanoid->GetShield(2) * 0.4f;
    m_A.ai->ProcessAttack();
    EXPECT_FLOAT_EQ(m_A.ai->m_fAttackDistance, d * 0.9f);
    m_A.mechanoid->m_fArmor = m_A.mechanoid->GetArmor(2) * 0.4f;
    m_A.ai->ProcessAttack();
    EXPECT_EQ(m_A.ai->m_fAttackDistance, 350.0f);
}

} // namespace
