// Mechanoid groups: the assembling band, the five member slots, kill
// notices, the stay in a building, the group and list streams and their
// damaged forms.
#include "GroupTestFixture.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "world/ObjectList.h"

#include <cmath>
#include <cstring>

namespace
{

using grouptest::CGroupTest;

class MechGroup : public CGroupTest
{
};

TEST_F(MechGroup, TheViewBandKeepsTheFormBetweenNinetyFiveAndOneHundredTenPercent)
{
    const float R = GetViewRange();
    struct SCase
    {
        std::uint8_t assembled;
        float distance; // in view ranges
        std::uint8_t expected;
    };
    const SCase cases[] = {
        {1, 1.20f, 1}, {1, 1.05f, 1}, {1, 0.96f, 1}, {1, 0.90f, 0},
        {0, 0.50f, 0}, {0, 0.96f, 0}, {0, 1.05f, 0}, {0, 1.15f, 1},
    };
    for (const SCase& c : cases)
    {
        CMechGroup2* g = Group("BAND", 1, CVector{c.distance * R, 0.0f, 0.0f});
        g->m_bAssembled = c.assembled;
        g->Run(0.1f);
        EXPECT_EQ(g->m_bAssembled, c.expected) << "from " << int(c.assembled) << " at " << c.distance;
    }
}

TEST_F(MechGroup, FiveSlotsAndMovingAMemberBetweenGroups)
{
    CMechGroup2* a = Group("A", 5, CVector{100.0f, 0.0f, 0.0f});
    CMechGroup2* b = Group("B", 1, CVector{200.0f, 0.0f, 0.0f});
    CMech* extra = Mech("EXTRA");
    EXPECT_FALSE(a->AddMech(extra));
    EXPECT_EQ(a->GetMemberCount(), 5);
    EXPECT_EQ(extra->m_pGroup, nullptr);
    EXPECT_TRUE(Logged("EXTRA"));

    CMech* moved = a->GetMember(1);
    EXPECT_TRUE(b->AddMech(moved));
    EXPECT_EQ(a->GetMemberCount(), 4);
    EXPECT_EQ(a->GetMember(1)->m_szId, std::string("A_2")); // order kept
    EXPECT_EQ(GetMechGroup(moved), b);
    EXPECT_EQ(b->GetMemberCount(), 2);
}

TEST_F(MechGroup, TheLastDeathRaisesOnKillGroupOnceAndOtherKillsOnlyClearTargets)
{
    CMechGroup2* a = Group("A", 2, CVector{100.0f, 0.0f, 0.0f});
    CMechGroup2* b = Group("B", 1, CVector{200.0f, 0.0f, 0.0f});
    CMech* victim = a->GetMember(0);
    b->GetGroupAI()->m_pTarget = victim;
    victim->m_bDead = 1;
    g_MechGroupList2.OnKillMech(victim);
    EXPECT_EQ(b->GetGroupAI()->m_pTarget, nullptr);
    EXPECT_EQ(b->GetMemberCount(), 1);
    EXPECT_EQ(a->GetMemberCount(), 1);
    EXPECT_EQ(m_Events.Count("A OnKillGroup"), 0);

    CMech* last = a->GetMember(0);
    last->m_bDead = 1;
    g_MechGroupList2.OnKillMech(last);
    EXPECT_EQ(a->GetMemberCount(), 0);
    EXPECT_EQ(a->m_bActive, 0);
    g_MechGroupList2.OnKillMech(last); // an inactive group hears no more
    EXPECT_EQ(m_Events.Count("A OnKillGroup"), 1);
    a->m_bActive = 1;
    a->Run(0.1f); // an empty group loses its AI
    EXPECT_EQ(a->GetGroupAI(), nullptr);
}

TEST_F(MechGroup, ABuildingWithoutItsObjectStillKeepsTheGroupThirtyThreeSeconds)
{
    const float far = GetViewRange() * 2.0f;
    CMechGroup2* g = Group("STAY", 2, CVector{far, 0.0f, 0.0f});
    g->OnBuilding();
    EXPECT_EQ(g->m_bInBuilding, 1);
    EXPECT_FLOAT_EQ(g->m_fBuildingTimer, 33.0f);
    for (int i = 0; i < 320; ++i)
        g->Run(0.1f);
    EXPECT_EQ(g->m_bInBuilding, 1);
    for (int i = 0; i < 20; ++i)
        g->Run(0.1f);
    EXPECT_EQ(g->m_bInBuilding, 0);
    EXPECT_EQ(g->m_bAssembled, 1);
    EXPECT_FLOAT_EQ(g->m_vCentre.x, far);
}

// --- streams ------------------------------------------------------------------

void WriteI32(CMemStream& s, std::int32_t v)
{
    s.Write(&v, 4);
}

// A group stream of the old form (no name) with the member count and ids
// given, organisation org and no AI.
void OldGroupStream(CMemStream& s, const char* org, std::int32_t count, const std::vector<std::string>& ids)
{
    const float centre[3] = {10.0f, 20.0f, 0.0f};
    s.Write(centre, 12);
    char name[32] = {};
    std::snprintf(name, 32, "%s", org);
    s.Write(name, 32);
    char building[32] = {};
    s.Write(building, 32);
    const std::uint8_t flags[6] = {0, 1, 0, 0, 0, 1};
    s.Write(flags, 6);
    const float values[2] = {0.0f, 0.5f};
    s.Write(values, 8);
    WriteI32(s, 0);
    WriteI32(s, count);
    for (const std::string& id : ids)
    {
        char buf[32] = {};
        std::snprintf(buf, 32, "%s", id.c_str());
        s.Write(buf, 32);
    }
    WriteI32(s, -1);
    s.m_nPosition = 0;
}

// The first n bytes of a stream as a stream of exactly that size.
void Cut(CMemStream& out, const CMemStream& in, std::uint32_t n)
{
    if (n) std::memcpy(out.Allocate(n), in.m_pData, n);
}

TEST_F(MechGroup, TheGroupStreamRoundTripsWithItsNameMembersAndRoute)
{
    grouptest::SRoadNode line[] = {{0, 0, {1}}, {500, 0, {2}}, {1000, 0, {}}};
    Roads({line[0], line[1], line[2]});
    CMechGroup2* g = Group("CARAVAN_1", 3, CVector{3.0f * GetViewRange(), 0.0f, 0.0f});
    g->SetAI(0);
    g->GetGroupAI()->m_Route = {0, 1, 2};
    g->GetGroupAI()->SetCurrentRoad(1);
    std::snprintf(g->m_szBuilding, 32, "SAMPLE_HALL");
    g->m_fBuildingTimer = 12.5f;
    CMemStream written;
    g->SaveToStream(written);
    CMemStream s;
    Cut(s, written, written.m_nPosition);

    CMechGroup2 copy;
    copy.LoadFromStream(s);
    EXPECT_EQ(s.m_nPosition, written.m_nPosition);
    EXPECT_STREQ(copy.m_szName, "CARAVAN_1");
    EXPECT_STREQ(copy.m_szOrg, "ORG_A");
    EXPECT_EQ(copy.m_pOrg, m_World.FindOrganization("ORG_A"));
    EXPECT_STREQ(copy.m_szBuilding, "SAMPLE_HALL");
    EXPECT_FLOAT_EQ(copy.m_fBuildingTimer, 12.5f);
    EXPECT_FLOAT_EQ(copy.m_fSpeedFactor, g->m_fSpeedFactor);
    ASSERT_EQ(copy.GetMemberCount(), 3);
    EXPECT_STREQ(copy.GetMember(2)->m_szId, "CARAVAN_1_2");
    ASSERT_NE(copy.GetGroupAI(), nullptr);
    EXPECT_EQ(copy.GetGroupAI()->m_nKind, 0);
    EXPECT_EQ(copy.GetGroupAI()->m_Route, (std::vector<std::int32_t>{0, 1, 2}));
    EXPECT_EQ(copy.GetGroupAI()->m_nCurrentRoad, 1);
}

TEST_F(MechGroup, OlderStreamsAndDamagedCountsAndUnknownOrganisations)
{
    Mech("M1");
    Mech("M2");
    struct SCase
    {
        const char* name;
        const char* org;
        std::int32_t count;
        std::vector<std::string> ids;
        int members;
        const char* resolvedOrg; // null: none
        const char* logged;      // null: nothing logged
    };
    const std::vector<std::string> seven = {"M1", "M2", "X3", "X4", "X5", "X6", "X7"};
    const SCase cases[] = {
        {"old form", "ORG_A", 2, {"M1", "M2"}, 2, "ORG_A", nullptr},
        {"unknown id skipped", "ORG_A", 2, {"M1", "NOBODY"}, 1, "ORG_A", nullptr},
        {"unknown organisation", "ORG_GONE", 1, {"M1"}, 1, "ORG_FREE", nullptr},
        {"seven members", "ORG_A", 7, seven, 2, "ORG_A", "X6"},
        {"count 21", "ORG_A", 21, {}, 0, nullptr, "Load error"},
        {"count -1", "ORG_A", -1, {}, 0, nullptr, "Load error"},
    };
    for (const SCase& c : cases)
    {
        CMemStream s;
        OldGroupStream(s, c.org, c.count, c.ids);
        CMechGroup2 g;
        g.LoadFromStream(s);
        EXPECT_EQ(g.GetMemberCount(), c.members) << c.name;
        EXPECT_EQ(g.m_pOrg, c.resolvedOrg ? m_World.FindOrganization(c.resolvedOrg) : nullptr) << c.name;
        if (c.logged)
        {
            EXPECT_TRUE(Logged(c.logged)) << c.name;
        }
        EXPECT_EQ(g.GetGroupAI(), nullptr) << c.name;
        for (int i = 0; i < g.GetMemberCount(); ++i)
            g.GetMember(i)->m_pGroup = nullptr;
    }
    // Cut anywhere, a group stream throws one error naming where.
    CMechGroup2* full = Group("FULL", 2, CVector{3.0f * GetViewRange(), 0.0f, 0.0f});
    CMemStream whole;
    full->SaveToStream(whole);
    for (std::uint32_t cut : {0u, 20u, 100u, whole.m_nPosition - 1})
    {
        CMemStream s;
        Cut(s, whole, cut);
        CMechGroup2 g;
        EXPECT_THROW(g.LoadFromStream(s), CStreamError) << cut;
        for (int i = 0; i < g.GetMemberCount(); ++i)
            g.GetMember(i)->m_pGroup = nullptr;
    }
}

TEST_F(MechGroup, TheListKeepsGroupsWithoutOrganisationAndRefusesBadCounts)
{
    Group("KEEP", 1, CVector{3.0f * GetViewRange(), 0.0f, 0.0f});
    Group("ORPHAN", 1, CVector{3.0f * GetViewRange(), 0.0f, 0.0f}, "ORG_NONE");
    Group("AFTER", 1, CVector{3.0f * GetViewRange(), 0.0f, 0.0f});
    CMemStream written;
    g_MechGroupList2.SaveToStream(written);
    CMemStream s;
    Cut(s, written, written.m_nPosition);
    // Nothing to fall back on: the orphan is kept without an organisation,
    // as the world made it, and said once.
    m_World.m_Organizations.pop_back();
    g_MechGroupList2.LoadFromStream(s);
    std::unique_ptr<CPlayerMechGroup2> player(g_pPlayerGroup);
    ASSERT_EQ(g_MechGroupList2.GetCount(), 4);
    EXPECT_EQ(g_MechGroupList2.GetGroup(0), player.get());
    EXPECT_NE(g_MechGroupList2.FindGroup("KEEP"), nullptr);
    EXPECT_NE(g_MechGroupList2.FindGroup("AFTER"), nullptr);
    CMechGroup2* orphan = g_MechGroupList2.FindGroup("ORPHAN");
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->m_pOrg, nullptr);
    EXPECT_EQ(m_World.FindMech("ORPHAN_0")->m_pGroup, orphan);
    EXPECT_TRUE(Logged("1 groups (the first ORPHAN) kept without an organisation"));

    for (std::int32_t bad : {0, -5, 100000})
    {
        CMemStream b;
        std::memcpy(b.Allocate(4), &bad, 4);
        EXPECT_THROW(g_MechGroupList2.LoadFromStream(b), CStreamError) << bad;
        EXPECT_EQ(g_MechGroupList2.GetCount(), 4) << "a refused count changes nothing";
    }
    // A cut player's group: one error, an empty list, nothing leaked.
    CMemStream cut;
    Cut(cut, written, 4 + 50);
    EXPECT_THROW(g_MechGroupList2.LoadFromStream(cut), CStreamError);
    EXPECT_EQ(g_MechGroupList2.GetCount(), 0);
    g_MechGroupList2.Clear();
    g_pPlayerGroup = nullptr;
}

} // namespace

namespace
{

TEST_F(MechGroup, HelpReachesOnlyFlyingGroupsWithinEightHundred)
{
    AddOrg("ORG_B");
    const float x = 3.0f * GetViewRange();
    CMechGroup2* asking = Group("ASKING", 1, CVector{x, 0.0f, 0.0f});
    CMechGroup2* enemy = Group("ENEMY", 1, CVector{x + 300.0f, 0.0f, 0.0f}, "ORG_B");
    asking->GetGroupAI()->m_pTarget = enemy->GetMember(0);
    struct SCase
    {
        const char* name;
        float apart;
        std::uint8_t assembled;
        bool helps;
    };
    const SCase cases[] = {
        {"near and flying", 500.0f, 0, true},
        {"beyond 800", 900.0f, 0, false},
        {"near but assembled", 500.0f, 1, false},
    };
    for (const SCase& c : cases)
    {
        CMechGroup2* helper = Group("HELPER", 1, CVector{x, c.apart, 0.0f});
        helper->m_bAssembled = c.assembled;
        CGroupAI* ai = helper->GetGroupAI();
        ai->m_fReaction = 1.0f;
        ai->SpyGroups(asking);
        ai->SpyGroups(enemy);
        const int i = ai->FindRelation(enemy);
        ASSERT_GE(i, 0) << c.name;
        ai->m_Relations[i].m_fRelation = 0.0f;
        asking->C_Help();
        EXPECT_EQ(ai->m_Relations[i].m_fRelation < 0.0f, c.helps) << c.name;
        helper->m_bDisbanded = 1; // out of the next cases
    }
}

} // namespace
