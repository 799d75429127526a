// Relations between groups: the outcome of judging, hits, help and keep-off,
// a weaker robber, and far combat of assembled groups by seeded rolls.
#include "GroupTestFixture.h"

#include "units/MechanoidFixture.h"

#include "society/GroupMaker.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/ObjectList.h"

#include <cmath>
#include <functional>
#include <memory>

namespace
{

using grouptest::CGroupTest;

class GroupRelations : public CGroupTest
{
protected:
    // Two assembled groups far from the viewer, `apart` between their
    // centres; this one judges the other.
    void Pair(int ours, int theirs, float apart, const char* theirOrg = "ORG_B")
    {
        AddOrg("ORG_B");
        const float x = 3.0f * GetViewRange();
        m_pOurs = Group("OURS", ours, CVector{x, 0.0f, 0.0f});
        m_pTheirs = Group("THEIRS", theirs, CVector{x + apart, 0.0f, 0.0f}, theirOrg);
        m_pOurs->GetGroupAI()->m_fReaction = 0.0f;
    }
    // The entry of the other group, fixed at a relation.
    SGroupRelation& Entry(float relation)
    {
        CGroupAI* ai = m_pOurs->GetGroupAI();
        ai->SpyGroups(m_pTheirs);
        const int i = ai->FindRelation(m_pTheirs);
        EXPECT_GE(i, 0);
        SGroupRelation& r = ai->m_Relations[i];
        r.m_bFromOrg = 0;
        r.m_fRelation = relation;
        r.m_fOrgFactor = 0.5f; // as the organisation manager answers
        return r;
    }

    CMechGroup2* m_pOurs = nullptr;
    CMechGroup2* m_pTheirs = nullptr;
};

TEST_F(GroupRelations, JudgingOutcomesByRelationStrengthAndOrganisation)
{
    struct SCase
    {
        const char* name;
        int ours, theirs;
        float relation;
        const char* theirOrg;
        std::uint32_t state;
    };
    const SCase cases[] = {
        {"friends", 1, 1, 1.0f, "ORG_B", 6},
        {"neutral", 1, 1, 0.0f, "ORG_B", 3},
        {"hostile and stronger: attack", 5, 1, -0.7f, "ORG_B", 1},
        {"hostile and weaker: flee", 1, 5, -0.7f, "ORG_B", 5},
        {"below -0.9 always fights or flees", 5, 1, -0.95f, "ORG_B", 1},
        {"the own organisation is never an enemy", 1, 5, -0.7f, "ORG_A", 3},
    };
    for (const SCase& c : cases)
    {
        g_MechGroupList2.Clear();
        g_Random.SetState(11);
        Pair(c.ours, c.theirs, 1000.0f, c.theirOrg);
        SGroupRelation& r = Entry(c.relation);
        CGroupAI* ai = m_pOurs->GetGroupAI();
        ai->m_nMode = CGroupAI::MODE_MOVE;
        ai->DefineGroup(ai->FindRelation(m_pTheirs), true);
        EXPECT_EQ(r.m_nState, c.state) << c.name;
        EXPECT_FLOAT_EQ(r.m_fRelation, c.relation) << c.name << ": a fixed relation stays";
        // Assembled groups neither attack nor flee through their members.
        EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_MOVE) << c.name;
    }
}

TEST_F(GroupRelations, HitsLowerTheRelationWithinTheirBounds)
{
    struct SCase
    {
        const char* name;
        float reaction, amount;
        const char* attackerOrg;
        float expected; // relation after one hit from 0
    };
    const SCase cases[] = {
        {"a graze changes nothing", 1.0f, 0.1f, "ORG_B", 0.0f},
        {"the smallest loss is 0.02", 0.01f, 1.0f, "ORG_B", -0.02f},
        {"amount x reaction x 0.006", 1.0f, 50.0f, "ORG_B", -0.3f},
        {"the largest loss is 0.7", 1.0f, 1000.0f, "ORG_B", -0.7f},
        {"the own organisation's hits are not counted", 1.0f, 50.0f, "ORG_A", 0.0f},
    };
    for (const SCase& c : cases)
    {
        g_MechGroupList2.Clear();
        Pair(1, 1, 1000.0f, c.attackerOrg);
        SGroupRelation& r = Entry(0.0f);
        r.m_bFromOrg = 1;
        CGroupAI* ai = m_pOurs->GetGroupAI();
        ai->m_fReaction = c.reaction;
        ai->OnHit(m_pTheirs, c.amount, false);
        EXPECT_NEAR(r.m_fRelation, c.expected, 1e-5f) << c.name;
    }
    // Down to -1 and no further.
    g_MechGroupList2.Clear();
    Pair(1, 1, 1000.0f);
    SGroupRelation& r = Entry(0.0f);
    r.m_bFromOrg = 1;
    m_pOurs->GetGroupAI()->m_fReaction = 1.0f;
    for (int i = 0; i < 5; ++i)
        m_pOurs->GetGroupAI()->OnHit(m_pTheirs, 1000.0f, false);
    EXPECT_EQ(r.m_fRelation, -1.0f);
    // A hit from a group not yet known only makes it known.
    CMechGroup2* stranger = Group("STRANGER", 1, CVector{1e5f, 0.0f, 0.0f}, "ORG_B");
    m_pOurs->GetGroupAI()->OnHit(stranger, 500.0f, false);
    const int i = m_pOurs->GetGroupAI()->FindRelation(stranger);
    ASSERT_GE(i, 0);
    EXPECT_EQ(m_pOurs->GetGroupAI()->m_Relations[i].m_fRelation, 0.0f);
}

TEST_F(GroupRelations, HelpKeepOffAndAWeakerRobber)
{
    Pair(1, 1, 500.0f);
    CGroupAI* ai = m_pOurs->GetGroupAI();
    // Keep off: with the organisation factor at most the entry's, -0.2; else -1.
    SGroupRelation& r = Entry(0.5f);
    r.m_fOrgFactor = 0.6f;
    ai->TryKeepOff(m_pTheirs);
    EXPECT_FLOAT_EQ(r.m_fRelation, 0.3f);
    r.m_fOrgFactor = 0.4f;
    ai->TryKeepOff(m_pTheirs);
    EXPECT_FLOAT_EQ(r.m_fRelation, -1.0f);

    // A weaker robber with no target of its own (d = 1): 2 x 0.1 off.
    r.m_fRelation = 0.5f;
    CMech* robber = m_pTheirs->GetMember(0);
    CGliderObject glider;
    glider.m_pMech = robber;
    glider.m_pMechanoid = GetMechMechanoid(robber);
    robber->m_pObject = &glider;
    ai->TryFuck(robber);
    EXPECT_NEAR(r.m_fRelation, 0.3f, 1e-5f);
    robber->m_pObject = nullptr;

    // Help: the asking group's enemy becomes this group's.
    CMechGroup2* asking = Group("ASKING", 1, CVector{3.0f * GetViewRange() + 100.0f, 0.0f, 0.0f});
    asking->GetGroupAI()->m_pTarget = m_pTheirs->GetMember(0);
    ai->SpyGroups(asking);
    r.m_bFromOrg = 1;
    r.m_fRelation = 0.0f;
    ai->m_fReaction = 1.0f;
    ai->Help(asking);
    EXPECT_NEAR(r.m_fRelation, -0.7f, 1e-5f) << "a hit of 200";
}

// Far combat needs mechanoids that a hit can kill: fitted from the unit
// tables of the units' tests.
class FarCombat : public unittest::CMechanoidTest
{
protected:
    void SetUp() override
    {
        unittest::CMechanoidTest::SetUp();
        g_pWorld = &m_World;
        for (const char* org : {"ORG_A", "ORG_B"})
            m_World.m_Organizations.push_back(std::make_unique<grouptest::CFakeOrg>(org));
        m_Player.InitGroup("ORG_PLAYER");
        g_pPlayerGroup = &m_Player;
        RegisterGroupMaker(); // deaths reach the groups
    }
    void TearDown() override
    {
        g_MechGroupList2.Clear();
        g_pPlayerGroup = nullptr;
        g_pfnCreateGroup = nullptr;
        g_pfnRunGroups = nullptr;
        g_pfnMechKilled = nullptr;
        g_pWorld = nullptr;
        unittest::CMechanoidTest::TearDown();
    }
    CMechGroup2* Group(const char* name, int n, float x, const char* org)
    {
        if (g_MechGroupList2.GetCount() == 0) g_MechGroupList2.AddGroup(&m_Player);
        auto* g = new CMechGroup2;
        std::snprintf(g->m_szName, sizeof g->m_szName, "%s", name);
        g->InitGroup(org);
        g->m_vCentre = CVector{x, 0.0f, 0.0f};
        for (int i = 0; i < n; ++i)
        {
            CMech* m = m_World.AddMech((std::string(name) + std::to_string(i)).c_str());
            auto* own = new CWorldMechanoid;
            CMechanoid& mm = own->m_Mechanoid;
            mm.m_Reactor.Assign(STypeKey(Eqp("REACTOR_1")), 0);
            mm.m_Engine.Assign(STypeKey(Eqp("ENGINE_1")), 0);
            mm.m_Shield.Assign(STypeKey(Eqp("SHIELD_1")), 0);
            mm.m_Armor.Assign(STypeKey(Eqp("ARMOR_1")), 0);
            mm.m_GliderData.Assign(STypeKey(0), 0);
            mm.UpdateEquipment();
            mm.Repair();
            m->m_pMechanoid = own;
            m->m_bAssigned = 1;
            g->AddMech(m);
        }
        g_MechGroupList2.AddGroup(g);
        return g;
    }

    CWorld m_World;
    CPlayerMechGroup2 m_Player;
};

TEST_F(FarCombat, RollsOfAssembledGroupsKillOnlyTheOthersAtMostOneAtATime)
{
    const float x = 3.0f * GetViewRange();
    int kills = 0, tries = 0;
    for (std::uint32_t seed = 1; seed <= 300; ++seed)
    {
        g_MechGroupList2.Clear();
        CMechGroup2* ours = Group("OURS", 3, x, "ORG_A");
        CMechGroup2* theirs = Group("THEIRS", 2, x + 100.0f, "ORG_B");
        g_Random.SetState(seed);
        ours->GetGroupAI()->Attack2(theirs, false);
        ++tries;
        EXPECT_EQ(ours->GetMemberCount(), 3) << seed;
        const int lost = 2 - theirs->GetMemberCount();
        EXPECT_LE(lost, 1) << seed;
        if (lost)
        {
            // The loser's mechmind passes to the winners' first member.
            const auto* first = dynamic_cast<CWorldMechanoid*>(ours->GetMember(0)->m_pMechanoid);
            ASSERT_NE(first, nullptr);
            const CGarbage& hold = first->m_Mechanoid.m_Garbage;
            EXPECT_TRUE(hold.HasGoods("THEIRS0", ITEM_MECHANOID, 1) || hold.HasGoods("THEIRS1", ITEM_MECHANOID, 1))
                << seed;
        }
        kills += lost;
    }
    // 3 in 18 rolls fight, and the stronger side wins a little more than half.
    EXPECT_GT(kills, tries / 20);
    EXPECT_LT(kills, tries / 6);

    struct SCase
    {
        const char* name;
        float apart;
        std::uint8_t assembled;
    };
    const SCase never[] = {{"beyond 150", 160.0f, 1}, {"one flying", 100.0f, 0}};
    for (const SCase& c : never)
        for (std::uint32_t seed = 1; seed <= 100; ++seed)
        {
            g_MechGroupList2.Clear();
            CMechGroup2* ours = Group("OURS", 3, x, "ORG_A");
            CMechGroup2* theirs = Group("THEIRS", 2, x + c.apart, "ORG_B");
            ours->m_bAssembled = c.assembled;
            g_Random.SetState(seed);
            ours->GetGroupAI()->Attack2(theirs, false);
            EXPECT_EQ(theirs->GetMemberCount(), 2) << c.name << " " << seed;
        }
}

// Within one run of the list a group's war power is taken once for all its
// judges, until something changes it: a group judged after such a change,
// in the same run, must be judged by its new power.
class JudgedInOneRun : public FarCombat, public IGroupEvents
{
protected:
    // Spies in the next frame (assembled: every 20 ticks of a clock that
    // runs 0.9..1.1 ticks a frame of 0.1 s); with a hook run before its own
    // turn.
    class CStepAI : public CGroupAI
    {
    public:
        explicit CStepAI(float clock, std::function<void(CGroupAI&)> step = {}) : m_Step(std::move(step))
        {
            m_nKind = 0;
            m_fThinkClock = clock;
            m_nTick = std::int32_t(clock);
        }
        void Run(float dt) override
        {
            if (m_Step) m_Step(*this);
            CGroupAI::Run(dt);
        }
        using CGroupAI::Raise;
        std::function<void(CGroupAI&)> m_Step;
    };

    void SetUp() override
    {
        FarCombat::SetUp();
        g_pGroupEvents = this;
    }
    void TearDown() override
    {
        g_pGroupEvents = nullptr;
        FarCombat::TearDown();
    }
    // A game event's script that leaves a group without armour and
    // shields.
    void OnGroupEvent(const char*, const char*) override
    {
        if (m_pScriptStrips) Strip(*m_pScriptStrips);
    }
    static void Strip(CMechGroup2& g)
    {
        for (int i = 0; i < g.GetMemberCount(); ++i)
        {
            CMechanoid* m = GetMechMechanoid(g.GetMember(i));
            m->m_fArmor = 0.0f;
            m->m_fShield = 0.0f;
        }
    }
    // A lone group of ORG_A that spies in the next frame and holds the
    // strong group for a deadly enemy: it would flee from it, and attack it
    // without armour.
    CMechGroup2* Judge(const char* name, float x)
    {
        CMechGroup2* g = Group(name, 1, x, "ORG_A");
        g->SetAIObject(std::make_unique<CStepAI>(19.95f));
        return g;
    }
    SGroupRelation& Enemy(CMechGroup2* judge)
    {
        CGroupAI* ai = judge->GetGroupAI();
        ai->m_fReaction = 0.0f;
        ai->m_nMode = CGroupAI::MODE_MOVE;
        ai->SpyGroups(m_pStrong);
        const int i = ai->FindRelation(m_pStrong);
        EXPECT_GE(i, 0);
        SGroupRelation& r = ai->m_Relations[std::max(i, 0)];
        r.m_bFromOrg = 0;
        r.m_fRelation = -0.95f;
        r.m_fOrgFactor = 0.5f;
        ai->DefineGroup(i, false);
        EXPECT_EQ(r.m_nState, 5u) << judge->m_szName << " flees the armoured group";
        return r;
    }

    CMechGroup2* m_pStrong = nullptr;
    CMechGroup2* m_pScriptStrips = nullptr;
};

TEST_F(JudgedInOneRun, AGroupChangedDuringTheRunIsJudgedAnewAfterTheChange)
{
    const float x = 3.0f * GetViewRange();
    enum EChange
    {
        ITS_OWN_RUN,   // the strong group's own run strips it (as trading changes a hold)
        ANOTHERS_EVENT // another group's run raises a game event whose script strips it
    };
    struct SCase
    {
        const char* name;
        EChange change;
    };
    const SCase cases[] = {{"its own run", ITS_OWN_RUN}, {"a game event in another's run", ANOTHERS_EVENT}};
    for (const SCase& c : cases)
    {
        g_MechGroupList2.Clear();
        g_Random.SetState(5);
        m_pScriptStrips = nullptr;
        // List order: (the strong group,) the first judge, the change, the
        // second judge; the first judge takes the strong group's power
        // before the change.
        CMechGroup2* strong = nullptr;
        if (c.change == ANOTHERS_EVENT) strong = Group("STRONG", 3, x + 500.0f, "ORG_B");
        CMechGroup2* first = Judge("FIRST", x);
        if (c.change == ITS_OWN_RUN)
        {
            strong = Group("STRONG", 3, x + 500.0f, "ORG_B");
            strong->SetAIObject(std::make_unique<CStepAI>(0.0f, [](CGroupAI& ai) { Strip(*ai.m_pGroup); }));
        }
        else
        {
            CMechGroup2* raiser = Group("RAISER", 1, x + 5000.0f, "ORG_A");
            raiser->SetAIObject(std::make_unique<CStepAI>(
                0.0f, [](CGroupAI& ai) { static_cast<CStepAI&>(ai).Raise("OnTest", ""); }));
        }
        CMechGroup2* second = Judge("SECOND", x + 100.0f);
        m_pStrong = strong;
        const float armoured = strong->GetWarPower();
        SGroupRelation& seenFirst = Enemy(first);
        SGroupRelation& seenSecond = Enemy(second);

        if (c.change == ANOTHERS_EVENT) m_pScriptStrips = strong;
        g_MechGroupList2.Run(0.1f);
        ASSERT_LT(strong->GetWarPower(), armoured / 3.0f) << c.name << ": stripped";
        EXPECT_EQ(seenFirst.m_nState, 5u) << c.name << ": judged before the change";
        EXPECT_EQ(seenSecond.m_nState, 1u) << c.name << ": judged after the change";
    }
}

} // namespace
