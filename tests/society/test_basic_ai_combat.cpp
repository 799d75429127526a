// The per-mechanoid AI's fighting with its controls recorded: the
// difficulty table, the scatter, attack styles, facing needed to fire, the
// hand-off of a far target and hits while retreating.
#include "AITestFixture.h"

#include <cmath>
#include <cstring>

using namespace aitest;

namespace
{

class BasicAICombat : public CAITest
{
protected:
    // An enemy at distance r, at angle a (radians) off the own heading.
    void PlaceEnemy(float r, float a)
    {
        const CVector at = m_Own.glider.GetPosition();
        m_Enemy.glider.m_Frame.SetPosition(CVector{at.x + r * std::sin(a), at.y + r * std::cos(a), at.z});
    }
    SPilot m_Enemy{"ENEMY", CVector{}};
};

TEST_F(BasicAICombat, DifficultyTableWithRankAndLevel)
{
    struct SCase
    {
        int difficulty, rank, level;
        CBasicAI::SCombatValues v;
    };
    const SCase cases[] = {
        {0, 4, 1, {30, 35, 1.0f, 120, 50, 160000.0f}},
        {1, 4, 1, {20, 21, 1.5f, 100, 40, 360000.0f}},
        {2, 4, 1, {10, 11, 2.0f, 80, 30, 640000.0f}},
        {-1, 4, 1, {30, 35, 1.0f, 120, 50, 160000.0f}}, // outside 0..2: as 0
        {3, 4, 1, {30, 35, 1.0f, 120, 50, 160000.0f}},
        {0, 5, 1, {15, 17, 1.2f, 120, 50, 160000.0f}},
        {2, 5, 1, {5, 8, 2.3f, 80, 30, 640000.0f}}, // halving floors, gain limit
        {1, 4, 8, {20, 21, 1.65f, 50, 40, 360000.0f}},
        {1, 4, 9, {20, 21, 1.815f, 50, 20, 360000.0f}},
        {1, 4, 10, {20, 21, 1.815f, 13, 6, 370000.0f}}, // on the halved periods
    };
    for (const SCase& c : cases)
    {
        const CBasicAI::SCombatValues v = CBasicAI::GetCombatValues(c.difficulty, c.rank, c.level);
        const std::string row =
            std::to_string(c.difficulty) + "/" + std::to_string(c.rank) + "/" + std::to_string(c.level);
        EXPECT_EQ(v.jumpA, c.v.jumpA) << row;
        EXPECT_EQ(v.jumpB, c.v.jumpB) << row;
        EXPECT_NEAR(v.gain, c.v.gain, 1e-4f) << row;
        EXPECT_EQ(v.bombPeriod, c.v.bombPeriod) << row;
        EXPECT_EQ(v.rocketPeriod, c.v.rocketPeriod) << row;
        EXPECT_EQ(v.fireRangeSq, c.v.fireRangeSq) << row;
    }
}

TEST_F(BasicAICombat, ScatterByDifficultyRankAndLevelNeverDividesByZero)
{
    struct SCase
    {
        int difficulty, rank, level;
        bool invisible;
        float expected;
    };
    const SCase cases[] = {
        {0, 3, 1, false, 1.6f},  {2, 3, 2, false, 0.4f}, {1, 4, 3, false, 0.2f},
        {0, 6, 4, false, 0.04f}, {0, 3, 1, true, 48.0f}, {0, 3, 0, false, 1.6f}, // level 0 as 1
    };
    for (const SCase& c : cases)
    {
        const float d = CBasicAI::GetDispersion(c.difficulty, c.rank, c.level, c.invisible);
        EXPECT_TRUE(std::isfinite(d));
        EXPECT_NEAR(d, c.expected, 1e-5f) << c.difficulty << "/" << c.rank << "/" << c.level;
    }
}

// A lone glider never keeps the side-by-side style 2; with a mate it may.
TEST_F(BasicAICombat, StyleTwoBecomesThreeForALoneMember)
{
    bool drewTwo = false;
    for (std::uint32_t seed = 0; seed < 40; ++seed)
    {
        g_Random.SetState(seed);
        m_pAI->m_pTarget = nullptr;
        m_pAI->Attack(&m_Enemy.mech);
        EXPECT_NE(m_pAI->m_nAttackStyle, 2);
        EXPECT_EQ(m_pAI->m_nMode, CBasicAI::MODE_ATTACK);
        if (m_pAI->m_fAttackDistance == 70.0f)
        {
            drewTwo = true;
            EXPECT_EQ(m_pAI->m_nAttackStyle, 3);
        }
    }
    EXPECT_TRUE(drewTwo);
    // Attacking the same target again changes nothing.
    const float distance = m_pAI->m_fAttackDistance;
    m_pAI->Attack(&m_Enemy.mech);
    EXPECT_EQ(m_pAI->m_fAttackDistance, distance);

    m_pAI->m_nAttackStyle = 2;
    m_pAI->SetAttackStyle(1);
    EXPECT_EQ(m_pAI->m_nAttackStyle, 3);
    CMech mate;
    m_Group.AddMech(&mate);
    m_pAI->m_nAttackStyle = 2;
    m_pAI->SetAttackStyle(1);
    EXPECT_EQ(m_pAI->m_nAttackStyle, 1);
}

TEST_F(BasicAICombat, AttackingThePlayerIsAnnounced)
{
    m_Host.m_pPlayer = &m_Enemy.glider;
    m_pAI->Attack(&m_Enemy.mech);
    ASSERT_EQ(m_Host.m_Events.size(), 1u);
    EXPECT_EQ(m_Host.m_Events[0], AIEV_PLAYER_ATTACK_SAY);
}

// Guns 1 and 2 fire only when the nose points at the target closely enough
// for the difficulty.
TEST_F(BasicAICombat, FacingNeededToFireByDifficulty)
{
    struct SCase
    {
        int difficulty;
        float cosine;
        bool fires;
    };
    const SCase cases[] = {
        {0, 0.91f, true},  {0, 0.87f, false}, {1, 0.87f, true},
        {1, 0.83f, false}, {2, 0.83f, true},  {2, 0.78f, false},
    };
    for (const SCase& c : cases)
    {
        m_Host.m_nDifficulty = c.difficulty;
        PlaceEnemy(150.0f, std::acos(c.cosine));
        m_pAI->m_pTarget = nullptr;
        m_pAI->Attack(&m_Enemy.mech);
        m_pAI->m_Calls.clear();
        m_pAI->ProcessAttack();
        EXPECT_EQ(m_pAI->Count('F', 0), c.fires ? 1 : 0) << c.difficulty << " " << c.cosine;
        EXPECT_EQ(m_pAI->Count('F', 1), c.fires ? 1 : 0) << c.difficulty << " " << c.cosine;
    }
}

TEST_F(BasicAICombat, ATargetBeyond1500IsHandedBackAndOneOnTheSpotIgnored)
{
    m_pAI->Attack(&m_Enemy.mech);
    PlaceEnemy(1600.0f, 0.0f);
    m_pAI->m_Calls.clear();
    m_pAI->ProcessAttack();
    EXPECT_EQ(m_pGroupAI->m_nMoves, 1);
    EXPECT_EQ(m_pAI->Count('T'), 0);

    PlaceEnemy(0.0f, 0.0f);
    m_pAI->m_Calls.clear();
    m_pAI->ProcessAttack();
    EXPECT_TRUE(m_pAI->m_Calls.empty());

    // Within reach: drive, strafe and turn, no hand-off.
    PlaceEnemy(300.0f, 0.1f);
    m_pAI->ProcessAttack();
    EXPECT_EQ(m_pGroupAI->m_nMoves, 1);
    EXPECT_EQ(m_pAI->Count('T'), 1);
    EXPECT_EQ(m_pAI->Count('X'), 1);
}

// Far from a target the drive is forward whichever way the target looks;
// one that shows its back is chased harder, never fled.
TEST_F(BasicAICombat, ATargetThatTurnedAwayIsChasedNotFled)
{
    struct SCase
    {
        const char* name;
        float targetHeading; // radians off the own heading
        int difficulty;
        float traction;
    };
    // The target's facing toward us in the names; the traction is limited to 2.
    const SCase cases[] = {
        {"facing us (1)", 3.1416f, 0, 1.0f},
        {"half turned away (-0.32)", 1.9f, 0, 1.0f},
        {"back to us (-1), 2 G", 0.0f, 0, 2.0f},
        {"back to us (-1), 2 G = 3", 0.0f, 1, 2.0f},
        {"mostly away (-0.83), 2 G = 4", 0.6f, 2, 2.0f},
    };
    for (const SCase& c : cases)
    {
        m_Host.m_nDifficulty = c.difficulty;
        PlaceEnemy(300.0f, 0.0f);
        m_Enemy.glider.m_Frame.SetForward(
            CVector{std::sin(c.targetHeading), std::cos(c.targetHeading), 0.0f});
        m_pAI->m_pTarget = nullptr;
        m_pAI->Attack(&m_Enemy.mech);
        m_pAI->m_nAttackStyle = 3; // no strafing in the way
        m_pAI->m_Calls.clear();
        m_pAI->ProcessAttack();
        EXPECT_FLOAT_EQ(m_pAI->Last('T'), c.traction) << c.name;
    }
}

// A target that leaves the world's play (dead, halted, in a building) is
// dropped by the next step.
TEST_F(BasicAICombat, ATargetOutOfPlayIsDropped)
{
    for (int way = 0; way < 3; ++way)
    {
        SPilot enemy("E", CVector{5100.0f, 5100.0f, 10.0f});
        m_pAI->m_pTarget = nullptr;
        m_pAI->Attack(&enemy.mech);
        if (way == 0) enemy.mechanoid.m_bHalted = 1;
        if (way == 1) enemy.mech.m_bInBuilding = 1;
        if (way == 2) enemy.mech.m_bAlive = 0;
        m_pAI->Run();
        EXPECT_EQ(m_pAI->m_pTarget, nullptr) << way;
    }
}

// Hits count toward dropping goods only while retreating with cargo.
TEST_F(BasicAICombat, HitsWithoutCargoAddNothingWhileRetreating)
{
    m_pAI->m_nMode = CBasicAI::MODE_RETREAT;
    m_pAI->OnHit(&m_Enemy.mech, 500.0f);
    EXPECT_EQ(m_pAI->m_fDamageSum, 0.0f);
    m_pAI->OnHit(nullptr, 500.0f);
    EXPECT_EQ(m_pAI->m_fDamageSum, 0.0f);
}

TEST_F(BasicAICombat, CollisionLowersAnOrganisationRelationOnce)
{
    CMechGroup2 other;
    std::strcpy(other.m_szOrg, "ORG_B");
    std::strcpy(m_Group.m_szOrg, "ORG_A");
    m_Enemy.mech.m_pGroup = &other;
    m_pGroupAI->m_nRelations = 2;
    m_pGroupAI->m_Relations[0].m_pGroup = &other;
    m_pGroupAI->m_Relations[0].m_fRelation = -0.99f;
    m_pGroupAI->m_Relations[1].m_pGroup = &other;
    m_pGroupAI->m_Relations[1].m_fRelation = 0.5f;
    m_pAI->OnCollision(&m_Enemy.mech);
    EXPECT_EQ(m_pGroupAI->m_Relations[0].m_fRelation, -1.0f);
    EXPECT_EQ(m_pGroupAI->m_Relations[1].m_fRelation, 0.5f);
    m_pAI->OnCollision(&m_Enemy.mech);
    EXPECT_EQ(m_pGroupAI->m_Relations[0].m_fRelation, -1.0f);
}

} // namespace
