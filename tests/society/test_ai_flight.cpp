// AI gliders flown by the real glider and physics over flat ground, with a
// seeded generator: one ordered to a point 1,000 away arrives within 60
// simulated seconds; one attacking a glider that stands still hits it.
#include "AITestFixture.h"

#include "units/CombatFixture.h"

#include "world/ObjectList.h"
#include "world/WorldMotionFakes.h"

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
        Write("gliders.ini", "[GL_LIGHT]\nWEIGHT=100\nMAXWEIGHT=800\nDAMAGE=500\nSTANDARD=1\nRESFRONT=1.2\n"
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
        for (int r = 0; r < 3; ++r)
            placement.m[r][0] = -placement.m[r][0];
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
        f.group.m_pGroupAI = std::move(groupAI);
        f.group.m_Members.push_back(&f.mech);
        f.mech.m_pGroup = &f.group;
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

TEST_F(AIFlight, AGliderAttackingAStationaryTargetHitsIt)
{
    m_Host.m_nDifficulty = 2;
    Place(m_A, "A", CVector{500.0f, 500.0f, 3.0f}, 0.0f);
    Place(m_B, "B", CVector{650.0f, 750.0f, 3.0f}, 2.0f);
    // B only stands there.
    m_B.glider->m_pAI.reset();
    m_B.ai = nullptr;
    // The attacker's type as if its model and gun mount were loaded.
    SGliderParameters type = *m_A.glider->GetParams();
    type.m_bPrepared = 1;
    type.m_Mounts[0].m_nPart = 1;
    SObjectTypeHeader::SetId(type.Model, 0);
    m_A.glider->m_pType = &type;
    const float full = m_B.mechanoid->GetShield(1) + m_B.mechanoid->GetArmor(1);
    m_A.ai->Attack(&m_B.mech);
    ASSERT_EQ(m_A.ai->m_nMode, CBasicAI::MODE_ATTACK);
    for (int i = 0; i < int(30.0f / Dt()); ++i)
    {
        Frame();
        if (m_B.mechanoid->GetShield(1) + m_B.mechanoid->GetArmor(1) < full) break;
    }
    EXPECT_LT(m_B.mechanoid->GetShield(1) + m_B.mechanoid->GetArmor(1), full);
    m_A.glider->m_pType = nullptr;
}

} // namespace
