// The group AI's clock and modes, its pickers and colours, relations kept in
// range, the target found again after loading, and its record.
#include "GroupTestFixture.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "units/GliderObject.h"
#include "world/ObjectList.h"

#include <cmath>
#include <cstring>

namespace
{

using grouptest::CGroupTest;

class CCountingAI : public CGroupAI
{
public:
    void SpyGroups(CMechGroup2* hint) override
    {
        ++m_nSpies;
        CGroupAI::SpyGroups(hint);
    }
    void FindThing() override { ++m_nFinds; }
    int m_nSpies = 0;
    int m_nFinds = 0;
};

// Frames of 0.3 s.
class CTimedAI : public CGroupAI
{
protected:
    float GetFrameTime() const override { return 0.3f; }
};

class GroupAI : public CGroupTest
{
protected:
    CMechGroup2* Far(const char* name, int members)
    {
        return Group(name, members, CVector{3.0f * GetViewRange(), 0.0f, 0.0f});
    }
};

TEST_F(GroupAI, ThinkIntervalsByKindAndForm)
{
    struct SCase
    {
        std::int32_t kind;
        std::uint8_t assembled;
        int spiesMin, spiesMax, findsMax;
    };
    // 20 s at ten frames a second: the clock runs 9..11 ticks a second.
    const SCase cases[] = {
        {3, 0, 0, 0, 0},    // the plain kind never spies nor looks for things
        {0, 1, 9, 12, 0},   // assembled: every 20 ticks, no things
        {0, 0, 18, 23, 20}, // disassembled: every 10 ticks, things every 11
    };
    for (const SCase& c : cases)
    {
        CMechGroup2* g = Far("THINK", 1);
        auto ai = std::make_unique<CCountingAI>();
        CCountingAI* counting = ai.get();
        g->SetAIObject(std::move(ai));
        counting->m_nKind = c.kind;
        counting->m_nMode = CGroupAI::MODE_WAIT;
        g->m_bAssembled = c.assembled;
        for (int i = 0; i < 200; ++i)
            counting->Run(0.1f);
        EXPECT_GE(counting->m_nSpies, c.spiesMin) << c.kind << "/" << int(c.assembled);
        EXPECT_LE(counting->m_nSpies, c.spiesMax) << c.kind << "/" << int(c.assembled);
        EXPECT_LE(counting->m_nFinds, c.findsMax) << c.kind << "/" << int(c.assembled);
        if (c.findsMax)
        {
            EXPECT_GE(counting->m_nFinds, 15);
        }
    }
}

TEST_F(GroupAI, ModeCommandsKeepToTheirModes)
{
    Roads({{3.0f * GetViewRange(), 400.0f, {}}});
    CMechGroup2* g = Far("MODES", 2);
    g->SetAIObject(std::make_unique<CTimedAI>());
    CGroupAI* ai = g->GetGroupAI();
    ai->m_nMode = CGroupAI::MODE_ATTACK;
    ai->PickUp(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_ATTACK) << "no pick-up while attacking";
    ai->FaceTarget(g->GetMember(0));
    EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_ATTACK) << "an assembled group faces nobody";
    ai->m_nMode = CGroupAI::MODE_WAIT;
    ai->Inspect();
    EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_WAIT) << "no inspecting while waiting";
    ai->m_nMode = CGroupAI::MODE_MOVE;
    ai->Inspect();
    EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_INSPECT);
    ai->ProcessInspect();
    EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_INSPECT);
    ai->ProcessInspect();
    EXPECT_EQ(ai->m_nMode, CGroupAI::MODE_MOVE) << "half a second of inspecting, then on the road";
}

TEST_F(GroupAI, TheStrongestByLevelAndWarPowerTiesKeepTheFirst)
{
    CMechGroup2* g = Far("PICK", 0);
    CMech* a = Mech("A", 3);
    CMech* b = Mech("B", 3);
    CMech* c = Mech("C", 5);
    g->AddMech(a);
    g->AddMech(b);
    CGroupAI* ai = g->GetGroupAI();
    EXPECT_EQ(ai->GetStrongestGlider(true), a) << "a tie keeps the first";
    EXPECT_EQ(ai->GetStrongestGlider(false), nullptr) << "no member has a glider";
    EXPECT_EQ(ai->GetFastestGlider(), nullptr);
    g->AddMech(c);
    EXPECT_EQ(ai->GetStrongestGlider(true), c);
    c->m_bAssigned = 0; // not deployed
    EXPECT_EQ(ai->GetStrongestGlider(true), a);
}

TEST_F(GroupAI, ColoursAsThePlayerSeesThem)
{
    CMechGroup2* g = Far("COLOUR", 1);
    CGroupAI* ai = g->GetGroupAI();
    EXPECT_EQ(ai->GetColor(), 0xFFFFFFFFu) << "no entry for the player's group";
    ai->m_nRelations = 1;
    SGroupRelation& player = ai->m_Relations[0];
    player.m_nIndex = 0;
    player.m_pGroup = &m_PlayerGroup;
    const std::uint32_t colours[] = {0xFFCCCCCC, 0xFFFF0000, 0xFFFF8080, 0xFFFFFFFF,
                                     0xFF8080FF, 0xFF0000FF, 0xFF00FF00, 0xFFFFFFFF};
    for (std::uint32_t state = 0; state < 8; ++state)
    {
        player.m_nState = state;
        player.m_bTower = 0;
        EXPECT_EQ(ai->GetColor(), colours[state]) << state;
        player.m_bTower = 1;
        EXPECT_EQ(ai->GetColor(), (colours[state] & 0xFFFFFF) | 0xAA000000u) << state;
    }
    ai->m_bAssigned = 1;
    EXPECT_EQ(ai->GetColor(), 0xFF00FF00u) << "under the player's command";
    ai->m_bAssigned = 0;
    std::strcpy(g->m_szOrg, "ORG_PLAYER");
    EXPECT_EQ(ai->GetColor(), 0xFF00FF00u) << "the player's own organisation";
}

TEST_F(GroupAI, RelationsStayInRangeAndTheTableHoldsForty)
{
    CMechGroup2* g = Far("REL", 1);
    CGroupAI* ai = g->GetGroupAI();
    CMechGroup2* other = Far("OTHER", 1);
    struct SCase
    {
        float value;
        float relation;
        std::uint32_t state;
    };
    const SCase cases[] = {{5.0f, 1.0f, 6}, {-3.0f, -1.0f, 4}, {0.3f, 0.3f, 3}, {NAN, 0.0f, 3}};
    for (const SCase& c : cases)
    {
        ai->SetRelation(other, c.value, true);
        EXPECT_EQ(ai->GetRelation(other), c.relation) << c.value;
        const SGroupRelation& r = ai->m_Relations[ai->FindRelation(other)];
        EXPECT_EQ(r.m_nState, c.state) << c.value;
        EXPECT_EQ(r.m_bFromOrg, 0);
        EXPECT_EQ(r.m_bKept, 1);
    }
    ai->SetRelation(other, 0.0f, true);
    EXPECT_EQ(ai->m_Relations[ai->FindRelation(other)].m_bFromOrg, 1) << "0 only clears the fixed state";
    EXPECT_EQ(ai->GetRelation(other), 0.0f);

    // Forty far groups kept by script, then a forty-first is not admitted.
    for (int i = ai->m_nRelations; i < CGroupAI::kMaxRelations; ++i)
        ai->SetRelation(Far(("G" + std::to_string(i)).c_str(), 1), 0.7f, true);
    ASSERT_EQ(ai->m_nRelations, CGroupAI::kMaxRelations);
    CMechGroup2* late = Far("LATE", 1);
    ai->SetRelation(late, 0.9f, true);
    EXPECT_EQ(ai->FindRelation(late), -1);
    EXPECT_EQ(ai->GetRelation(late), 0.0f);
    // Kept entries survive a spying pass however far their groups are.
    other->m_vCentre = CVector{1e6f, 0.0f, 0.0f};
    ai->SpyGroups(nullptr);
    EXPECT_NE(ai->FindRelation(other), -1);
}

TEST_F(GroupAI, TheTargetIsFoundAgainByItsIdAfterLoading)
{
    CMechGroup2* g = Far("HUNT", 2);
    CMechGroup2* prey = Far("PREY", 1);
    // The prey flies: an attack needs its glider.
    CMech* hunted = prey->GetMember(0);
    CGliderObject glider;
    glider.m_pMech = hunted;
    glider.m_pMechanoid = GetMechMechanoid(hunted);
    glider.m_Frame.SetPosition(prey->m_vCentre);
    hunted->m_pObject = &glider;
    struct SCase
    {
        std::int32_t mode;
        const char* id;
        CMech* expected;
    };
    const SCase cases[] = {
        {CGroupAI::MODE_ATTACK, "PREY_0", prey->GetMember(0)},
        {CGroupAI::MODE_ATTACK, "NOBODY", nullptr},
        {CGroupAI::MODE_WAIT, "PREY_0", nullptr},
    };
    for (const SCase& c : cases)
    {
        CGroupAI* ai = g->GetGroupAI();
        ai->m_pTarget = nullptr;
        ai->m_nMode = c.mode;
        CopyName(ai->m_szTarget, c.id);
        g_MechGroupList2.RestoreTargets();
        EXPECT_EQ(ai->m_pTarget, c.expected) << c.id;
        EXPECT_FALSE(IsNameSet(ai->m_szTarget)) << "the id is used once";
    }
    hunted->m_pObject = nullptr;
}

TEST_F(GroupAI, ADamagedRecordIsRefusedWholeWithItsPlace)
{
    CMechGroup2* g = Far("REC", 1);
    CGroupAI* ai = g->GetGroupAI();
    ai->m_Route = {4, 5, 6};
    ai->m_nMode = CGroupAI::MODE_MOVE;
    CMemStream whole;
    ai->SaveToStream(whole);
    const std::uint32_t size = whole.m_nPosition;
    struct SCase
    {
        const char* name;
        std::uint32_t length;
        std::uint32_t offset; // byte patched (past the end: none)
        std::uint8_t value;
        const char* reason;
    };
    const SCase cases[] = {
        {"empty", 0, 9999, 0, "wanted"},
        {"cut in the names", 60, 9999, 0, "wanted"},
        {"cut in the route", 50, 9999, 0, "route nodes 3 needs 12 bytes"},
        {"unknown version", size, 0, 9, "version"},
        {"version 0", size, 0, 0, "version"},
        {"route of 2^24 nodes", size, 43, 1, "route"},
        {"relations past the bytes", size, 56, 41, "relations 41"},
    };
    for (const SCase& c : cases)
    {
        CMemStream s;
        if (c.length) std::memcpy(s.Allocate(c.length), whole.m_pData, c.length);
        if (c.offset < c.length) s.m_pData[c.offset] = c.value;
        CGroupAI copy;
        copy.m_nMode = CGroupAI::MODE_WAIT;
        try
        {
            copy.LoadFromStream(s);
            ADD_FAILURE() << c.name << " was read";
        }
        catch (const CStreamError& e)
        {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("group AI at byte"), std::string::npos) << e.what();
        }
        EXPECT_EQ(copy.m_nMode, CGroupAI::MODE_WAIT) << c.name;
        EXPECT_TRUE(copy.m_Route.empty()) << c.name;
    }
}

} // namespace
