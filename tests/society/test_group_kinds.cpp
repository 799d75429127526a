// The trading kinds of group AI: where each stops, what it unloads and
// what it buys; goods only move between stocks and holds.
#include "GroupTestFixture.h"
#include "TradeTables.h"

#include "foundation/MemStream.h"
#include "society/GroupAIKinds.h"
#include "society/GroupMaker.h"
#include "society/MMTrade.h"
#include "society/Organization.h"
#include "units/BuildingObject.h"
#include "world/MMEngine.h"
#include "world/MechGroupList.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

namespace
{
using namespace grouptest;

class GroupKinds : public CGroupTest
{
protected:
    void SetUp() override
    {
        CGroupTest::SetUp();
        tradetest::SetGoodsTable();
        SGliderParameters glider;
        glider.m_fMaxWeight = 10.0f;
        glider.m_fWeight = 0.0f;
        g_GliderManager.m_Types = {glider};
        g_pfnTradeBuildingType = [](const char*) { return 0; };
        g_pTrade = &m_Trade;
        // HALL_A - cross - HALL_B - edge - HOME
        Roads({{0, 0, {1}, "HALL_A"}, {1000, 0, {2}}, {2000, 0, {3}, "HALL_B"}, {3000, 0, {4}}, {4000, 0, {}, "HOME"}});
        for (const char* id : {"HALL_A", "HALL_B", "HOME"})
        {
            auto* b = new CBuildingObject;
            std::snprintf(b->m_szGameId, sizeof b->m_szGameId, "%s", id);
            g_ObjectList.AddObject(b);
        }
    }
    void TearDown() override
    {
        g_MechGroupList2.Clear();
        g_ObjectList.Clear();
        g_pTrade = nullptr;
        g_pfnTradeBuildingType = nullptr;
        g_GliderManager.m_Types.clear();
        tradetest::ClearGoodsTable();
        CGroupTest::TearDown();
    }
    // A building's goods: units in stock, the price it pays (0: it does
    // not buy) and the price it asks (0: it does not sell).
    void Stock(const char* building, const char* good, float units, float buy, float sell)
    {
        SExBuildingTrade* b = m_Trade.FindBuilding(building);
        if (!b) b = m_Trade.AddBuilding(building);
        b->AddGood(good, 0, 0);
        STradeGood* g = b->FindGood(good);
        g->m_fStock = units * g->m_fUnitMass;
        g->m_fBuyPrice = buy;
        g->m_fSellPrice = sell;
    }
    float Units(const char* building, const char* good)
    {
        const STradeGood* g = m_Trade.FindBuilding(building)->FindGood(good);
        return g->m_fStock / g->m_fUnitMass;
    }
    CMechGroup2* KindGroup(std::int32_t kind, int members, const char* name = "G")
    {
        CMechGroup2* g = Group(name, members, CVector{});
        for (int i = 0; i < members; ++i)
            GetMechMechanoid(g->GetMember(i))->m_gEqp.m_Config[CFG_GLIDER].m_Key = STypeKey(0);
        g->SetAI(kind);
        return g;
    }
    static void Carry(CMechGroup2* g, int member, const char* good, std::int32_t count)
    {
        SGoodsItem item;
        CopyName(item.m_szName, good);
        item.m_nCount = count;
        item.m_fPrice = 1.0f;
        GetMechMechanoid(g->GetMember(member))->m_Garbage.AddGoods(item, ITEM_GOODS, true);
    }
    static std::int32_t Held(CMechGroup2* g, const char* good)
    {
        std::int32_t n = 0;
        for (int i = 0; i < g->GetMemberCount(); ++i)
            for (const SItemRec& e : GetMechMechanoid(g->GetMember(i))->m_Garbage.m_Items)
                if (std::strncmp(e.m_szName, good, 32) == 0) n += e.m_nCount;
        return n;
    }
    // The AI stands on the named building's node and arrives there.
    static void Arrive(CMechGroup2* g, std::int32_t node)
    {
        CGroupAI* ai = g->GetGroupAI();
        ai->SetCurrentRoad(node);
        g->m_bInBuilding = 0;
        ai->OnBuilding(g_RoadManager.m_Nodes[size_t(node)].name);
    }

    CMMTrade m_Trade;
};

TEST_F(GroupKinds, EachKindHasItsClassReactionAndKind)
{
    struct SCase
    {
        std::int32_t kind;
        float reaction;
        bool trans, hunter, people;
    };
    for (const SCase& c : {SCase{0, 0.5f, true, false, false}, SCase{1, 0.8f, false, true, false},
                           SCase{2, 0.6f, false, false, true}, SCase{7, 0.0f, false, false, false}})
    {
        CGroupAI* ai = KindGroup(c.kind, 1)->GetGroupAI();
        EXPECT_EQ(dynamic_cast<CTransGroupAI*>(ai) != nullptr, c.trans) << c.kind;
        EXPECT_EQ(dynamic_cast<CHunterGroupAI*>(ai) != nullptr, c.hunter) << c.kind;
        EXPECT_EQ(dynamic_cast<CPeopleGroupAI*>(ai) != nullptr, c.people) << c.kind;
        EXPECT_EQ(ai->m_nKind, c.kind <= 2 ? c.kind : CGroupAI::kPlainKind);
        if (c.kind <= 2)
        {
            // The kind's value, drawn within its spread.
            EXPECT_GE(ai->GetReaction(), 0.75f * (c.reaction - 0.1f)) << c.kind;
            EXPECT_LE(ai->GetReaction(), 1.25f * (c.reaction + 0.1f)) << c.kind;
        }
        g_MechGroupList2.Clear();
    }
}

TEST_F(GroupKinds, ACaravanStopsOnlyAtItsRouteEndsUnloadsAndBuysWhatTheOtherEndWants)
{
    Stock("HALL_A", "TOV_ORE", 100, 0, 10);  // plentiful, sold here
    Stock("HALL_B", "TOV_ORE", 2, 10, 0);    // wanted there
    Stock("HALL_A", "TOV_FOOD", 50, 20, 30); // not wanted at HALL_B
    Stock("HALL_B", "TOV_GEMS", 0, 100, 0);
    CMechGroup2* g = KindGroup(0, 2);
    auto* ai = static_cast<CTransGroupAI*>(g->GetGroupAI());
    ai->SetRoute("HALL_A", "HALL_B", false);
    EXPECT_STREQ(ai->m_szRouteStart, "HALL_A");
    EXPECT_STREQ(ai->m_szRouteEnd, "HALL_B");
    ASSERT_EQ(ai->m_Route, (std::vector<std::int32_t>{0, 1, 2}));

    // At a building that is no end of the route it only travels on.
    Carry(g, 0, "TOV_GEMS", 3);
    Arrive(g, 4);
    EXPECT_EQ(g->m_bInBuilding, 0);
    EXPECT_EQ(Held(g, "TOV_GEMS"), 3);

    // At HALL_B: two goods entries in a row are both delivered, nothing
    // to buy (HALL_A wants nothing of HALL_B's).
    Carry(g, 0, "TOV_FOOD", 2);
    Arrive(g, 2);
    EXPECT_EQ(g->m_bInBuilding, 1);
    EXPECT_EQ(Held(g, "TOV_GEMS") + Held(g, "TOV_FOOD"), 0);
    EXPECT_FLOAT_EQ(Units("HALL_B", "TOV_GEMS"), 3.0f);
    EXPECT_FLOAT_EQ(Units("HALL_B", "TOV_FOOD"), 2.0f);
    EXPECT_EQ(Held(g, "TOV_ORE"), 0);

    // At HALL_A: ore, half a hold at a time, until both holds are full;
    // the food HALL_B does not want stays.
    Arrive(g, 0);
    EXPECT_EQ(Held(g, "TOV_ORE"), 20);
    EXPECT_FLOAT_EQ(Units("HALL_A", "TOV_ORE") + float(Held(g, "TOV_ORE")), 100.0f);
    EXPECT_EQ(Held(g, "TOV_FOOD"), 0);
    EXPECT_FLOAT_EQ(Units("HALL_A", "TOV_FOOD"), 50.0f);
}

TEST_F(GroupKinds, ACaravanTakesTheLastUnitsButNeverMoreThanTheStock)
{
    Stock("HALL_A", "TOV_ORE", 3, 0, 10);
    Stock("HALL_B", "TOV_ORE", 0, 10, 0);
    CMechGroup2* g = KindGroup(0, 1);
    static_cast<CTransGroupAI*>(g->GetGroupAI())->SetRoute("HALL_A", "HALL_B", false);
    Arrive(g, 0);
    EXPECT_EQ(Held(g, "TOV_ORE"), 3);
    EXPECT_FLOAT_EQ(Units("HALL_A", "TOV_ORE"), 0.0f);
}

TEST_F(GroupKinds, ACaravanWithoutRouteEndsUnloadsButBuysNothing)
{
    Stock("HALL_A", "TOV_ORE", 100, 0, 10);
    Stock("HALL_B", "TOV_ORE", 0, 10, 0);
    CMechGroup2* g = KindGroup(0, 1);
    auto* ai = static_cast<CTransGroupAI*>(g->GetGroupAI());
    ai->SetRoute("HALL_A", "HALL_A", false); // the same building: no route
    EXPECT_FALSE(IsNameSet(ai->m_szRouteStart));
    Arrive(g, 0);
    EXPECT_EQ(Held(g, "TOV_ORE"), 0);
}

TEST_F(GroupKinds, PeopleBuyCheapGoodsUnitByUnitUntilTheEmptiestMemberIsHalfFull)
{
    // Cheap: with a stock this large the building pays no more than its
    // price. The gems are dear (a small stock) and stay.
    Stock("HALL_A", "TOV_ORE", 10000, 10, 10);
    Stock("HALL_A", "TOV_FOOD", 8000, 20, 20);
    Stock("HALL_A", "TOV_GEMS", 50, 100, 100);
    CMechGroup2* g = KindGroup(2, 2);
    Arrive(g, 0);
    // Each pass one unit of each cheap good for the emptiest member; the
    // last pass starts below half (4 of 10) and ends at 6.
    EXPECT_EQ(Held(g, "TOV_ORE") + Held(g, "TOV_FOOD"), 12);
    EXPECT_EQ(Held(g, "TOV_ORE"), 6);
    EXPECT_EQ(Held(g, "TOV_GEMS"), 0);
    EXPECT_FLOAT_EQ(Units("HALL_A", "TOV_ORE") + float(Held(g, "TOV_ORE")), 10000.0f);
    EXPECT_FLOAT_EQ(Units("HALL_A", "TOV_FOOD") + float(Held(g, "TOV_FOOD")), 8000.0f);
}

TEST_F(GroupKinds, HuntersKeepTheirCargoAtHomeAndRestBeforeGoingBack)
{
    Stock("HALL_B", "TOV_ORE", 0, 10, 0);
    Stock("HOME", "TOV_ORE", 0, 10, 0);
    CMechGroup2* g = KindGroup(1, 1);
    auto* ai = static_cast<CHunterGroupAI*>(g->GetGroupAI());
    ai->FindRoute("HOME", 1500.0f);
    ASSERT_FALSE(ai->m_Route.empty());
    EXPECT_EQ(ai->m_Route[0], 4);
    Carry(g, 0, "TOV_ORE", 4);

    Arrive(g, 4);
    EXPECT_EQ(Held(g, "TOV_ORE"), 4);
    EXPECT_FLOAT_EQ(ai->m_fRestTimer, CHunterGroupAI::kRest);

    Arrive(g, 2);
    EXPECT_EQ(Held(g, "TOV_ORE"), 0);
    EXPECT_FLOAT_EQ(Units("HALL_B", "TOV_ORE"), 4.0f);

    // The building left stays barred while the hunters rest.
    CopyName(ai->m_szLastBuilding, "HALL_B");
    ai->m_fRestTimer = 1.0f;
    ai->Run(0.5f);
    EXPECT_STREQ(ai->m_szLastBuilding, "HALL_B");
    ai->Run(0.6f);
    EXPECT_FLOAT_EQ(ai->m_fRestTimer, 0.0f);
    EXPECT_FALSE(IsNameSet(ai->m_szLastBuilding));
}

TEST_F(GroupKinds, ACaravanRunIsAdvisableWhenAGoodMatchesInEitherDirection)
{
    struct SCase
    {
        const char* name;
        float stockA, buyA, sellA, stockB, buyB, sellB;
        bool advisable;
    };
    const SCase cases[] = {
        {"A to B", 10, 0, 10, 0, 10, 0, true},
        {"B to A", 0, 10, 0, 10, 0, 10, true},
        {"nothing in stock", 0, 0, 10, 0, 10, 0, false},
        {"nobody wants it", 10, 0, 10, 10, 0, 10, false},
    };
    for (const SCase& c : cases)
    {
        m_Trade.m_nCount = 0;
        m_Trade.m_Buildings[0] = {};
        m_Trade.m_Buildings[1] = {};
        Stock("HALL_A", "TOV_ORE", c.stockA, c.buyA, c.sellA);
        Stock("HALL_B", "TOV_ORE", c.stockB, c.buyB, c.sellB);
        EXPECT_EQ(CheckPathAdvisability("HALL_A", "HALL_B"), c.advisable) << c.name;
    }
    EXPECT_FALSE(CheckPathAdvisability("HALL_A", "HOME")); // no trade record
}

} // namespace

namespace
{
using namespace grouptest;

class GroupAIRecord : public GroupKinds
{
protected:
    // A hunter's record of version 4, rewritten as an older version: 3 has
    // no talk flag, 2 neither, 1 ends after the target.
    std::vector<std::uint8_t> Record(CHunterGroupAI& ai, std::uint32_t version)
    {
        CMemStream s;
        ai.SaveToStream(s);
        std::vector<std::uint8_t> bytes(s.m_pData, s.m_pData + s.m_nPosition);
        if (version < 4) bytes.pop_back();
        if (version < 2) bytes.resize(bytes.size() - 58);
        std::memcpy(bytes.data(), &version, 4);
        return bytes;
    }
    static void Read(CGroupAI& ai, const std::vector<std::uint8_t>& bytes)
    {
        CMemStream s;
        std::memcpy(s.Allocate(std::uint32_t(bytes.size())), bytes.data(), bytes.size());
        ai.LoadFromStream(s);
    }
};

TEST_F(GroupAIRecord, VersionsOneToFourReadBackWhatTheyCarry)
{
    CMechGroup2* g = KindGroup(1, 1);
    auto* ai = static_cast<CHunterGroupAI*>(g->GetGroupAI());
    ai->m_Route = {2, 3};
    ai->SetCurrentRoad(2);
    ai->SetCurrentRoad(3);
    ai->m_nMode = CGroupAI::MODE_MOVE;
    ai->m_nTick = 77;
    ai->m_vDestination = CVector{1.0f, 2.0f, 3.0f};
    ai->m_nRelations = 2;
    ai->m_Relations[0].m_nIndex = 0;
    ai->m_Relations[0].m_pGroup = g;
    ai->m_Relations[0].m_fRelation = -0.5f;
    ai->m_Relations[1].m_nIndex = 1;
    CopyName(ai->m_szLastBuilding, "HOME");
    ai->m_fReaction = 0.9f;
    ai->m_bFollow = 1;
    ai->m_bTalk = 1;
    ai->m_fThreat = 2.5f;

    struct SCase
    {
        std::uint32_t version;
        bool tail;   // follow .. assignment
        bool talk;
        bool zone;   // the route rebuilt from the last building
    };
    for (const SCase& c : {SCase{4, true, true, false}, SCase{3, true, false, false}, SCase{2, true, false, true},
                           SCase{1, false, false, false}})
    {
        CHunterGroupAI back;
        Read(back, Record(*ai, c.version));
        EXPECT_EQ(back.m_nLoadedVersion, c.version);
        EXPECT_EQ(back.m_nMode, CGroupAI::MODE_MOVE);
        EXPECT_EQ(back.m_nTick, 77);
        EXPECT_FLOAT_EQ(back.m_vDestination.z, 3.0f);
        ASSERT_EQ(back.m_nRelations, 2) << c.version;
        EXPECT_EQ(back.m_Relations[0].m_pGroup, nullptr);
        EXPECT_FLOAT_EQ(back.m_Relations[0].m_fRelation, -0.5f);
        EXPECT_EQ(back.m_Relations[1].m_nIndex, 1);
        EXPECT_GE(back.m_fThinkClock, 0.0f);
        EXPECT_LT(back.m_fThinkClock, 10000.0f);
        EXPECT_FLOAT_EQ(back.m_fReaction, c.tail ? 0.9f : 0.0f) << c.version;
        EXPECT_EQ(back.m_bFollow, c.tail ? 1 : 0);
        EXPECT_FLOAT_EQ(back.m_fThreat, c.tail ? 2.5f : 0.0f);
        EXPECT_EQ(IsNameSet(back.m_szLastBuilding), c.tail);
        EXPECT_EQ(back.m_bTalk, c.talk ? 1 : 0);
        if (c.zone)
        {
            ASSERT_FALSE(back.m_Route.empty());
            EXPECT_EQ(back.m_Route[0], 4);
        }
        else
            EXPECT_EQ(back.m_Route, (std::vector<std::int32_t>{2, 3})) << c.version;
        EXPECT_NE(back.m_nCurrentRoad, -1);
    }
}

TEST_F(GroupAIRecord, AGroupListRoundTripKeepsEveryGroupsKindAndRoad)
{
    Stock("HALL_A", "TOV_ORE", 100, 0, 10);
    Stock("HALL_B", "TOV_ORE", 0, 10, 0);
    for (std::int32_t kind : {0, 1, 2, 3})
    {
        CMechGroup2* g = KindGroup(kind, 2, ("K" + std::to_string(kind)).c_str());
        g->GetGroupAI()->SetCurrentRoad(kind);
    }
    static_cast<CTransGroupAI*>(g_MechGroupList2.GetGroup(1)->GetGroupAI())->SetRoute("HALL_A", "HALL_B", false);
    g_MechGroupList2.GetGroup(4)->m_bActive = 0;
    CMemStream s;
    g_MechGroupList2.SaveToStream(s);
    const std::uint32_t written = s.m_nPosition;
    s.m_nPosition = 0;
    g_MechGroupList2.Clear();
    g_MechGroupList2.LoadFromStream(s);
    // The list does not own its player's group.
    const std::unique_ptr<CMechGroup2> player(g_MechGroupList2.GetGroup(0));
    EXPECT_EQ(g_pPlayerGroup, player.get());
    EXPECT_EQ(s.m_nPosition, written);
    ASSERT_EQ(g_MechGroupList2.GetCount(), 5);
    for (int i = 1; i <= 4; ++i)
    {
        const CMechGroup2* g = g_MechGroupList2.GetGroup(i);
        ASSERT_NE(g->GetGroupAI(), nullptr);
        EXPECT_EQ(g->GetGroupAI()->m_nKind, i - 1);
        EXPECT_EQ(g->GetGroupAI()->m_nCurrentRoad, i - 1);
        EXPECT_EQ(g->GetMemberCount(), 2);
        EXPECT_EQ(g->m_bActive, i == 4 ? 0 : 1);
    }
    const CGroupAI* caravan = g_MechGroupList2.GetGroup(1)->GetGroupAI();
    EXPECT_STREQ(caravan->m_szRouteEnd, "HALL_B");
    EXPECT_EQ(caravan->m_Route, (std::vector<std::int32_t>{0, 1, 2}));
    g_pPlayerGroup = nullptr;
}
} // namespace

namespace
{
using namespace grouptest;

class OrgGroups : public GroupKinds
{
protected:
    void SetUp() override
    {
        GroupKinds::SetUp();
        tradetest::SetOrgTable(m_Orgs);
        for (CMMObject* o : {g_ObjectList.FindByGameId("HALL_A", OBJ_BUILDING),
                             g_ObjectList.FindByGameId("HALL_B", OBJ_BUILDING)})
            m_World.m_BuildingObjects.push_back(o);
        Stock("HALL_A", "TOV_ORE", 100, 0, 10);
        Stock("HALL_B", "TOV_ORE", 0, 10, 0);
        AddPlayerGroup();
    }
    void TearDown() override
    {
        m_World.m_BuildingObjects.clear();
        GroupKinds::TearDown();
    }
    COrgManager m_Orgs;
};

TEST_F(OrgGroups, AFullConstructionBecomesAGroupOfTheChosenKindInsideABuilding)
{
    struct SCase
    {
        float transport, hunter;
        std::int32_t kind;
    };
    int made = 0;
    for (const SCase& c : {SCase{1.0f, 0.0f, 0}, SCase{0.0f, 1.0f, 1}, SCase{0.0f, 0.0f, 2}})
    {
        std::unique_ptr<COrganization> org(m_Orgs.CreateOrganization("CLAN_A"));
        org->m_Clan.m_bFixedBase = 1; // recruits without money
        org->m_Clan.m_fTransportShare = c.transport;
        org->m_Clan.m_fHunterShare = c.hunter;
        for (std::uint32_t& m : org->m_Clan.m_nMaxSize)
            m = 3; // two members planned at most
        org->m_nActive = 4;
        std::vector<CMech*> recruits;
        for (int i = 0; i < 2 && (i == 0 || !org->m_Construct.m_bIdle); ++i)
        {
            CMech* m = m_World.AddMech(("R" + std::to_string(made) + "_" + std::to_string(i)).c_str());
            std::strcpy(m->m_szOrg, "CLAN_A");
            org->AddMechToGroupConstruct(m);
            EXPECT_NE(m->m_pMechanoid, nullptr);
            EXPECT_EQ(m->m_bAssigned, 1);
            recruits.push_back(m);
        }
        ++made;
        EXPECT_TRUE(org->m_Construct.m_bIdle);
        ASSERT_EQ(g_MechGroupList2.GetCount(), 1 + made) << c.kind;
        const CMechGroup2* g = g_MechGroupList2.GetGroup(made);
        EXPECT_STREQ(g->m_szOrg, "CLAN_A");
        EXPECT_EQ(g->GetMemberCount(), int(recruits.size()));
        ASSERT_NE(g->GetGroupAI(), nullptr);
        EXPECT_EQ(g->GetGroupAI()->m_nKind, c.kind);
        EXPECT_EQ(g->m_bInBuilding, 1);
        EXPECT_GE(g->m_fBuildingTimer, 20.0f);
        EXPECT_LT(g->m_fBuildingTimer, 40.0f);
        if (c.kind == 0)
        {
            // The only run worth making: ore from HALL_A to HALL_B.
            EXPECT_STREQ(g->GetGroupAI()->m_szRouteStart, g->m_szBuilding);
            EXPECT_FALSE(g->GetGroupAI()->m_Route.empty());
        }
        if (c.kind == 1)
        {
            EXPECT_FALSE(g->GetGroupAI()->m_Route.empty());
        }
    }
}

// Places per building for the organisation tests (HALL_A, HALL_B).
std::int32_t g_nPlaces[2] = {};
std::int32_t TestPlaces(const char* id)
{
    return std::strncmp(id, "HALL_A", 32) == 0 ? g_nPlaces[0] : std::strncmp(id, "HALL_B", 32) == 0 ? g_nPlaces[1] : 0;
}

class OrgBuildings : public OrgGroups
{
protected:
    void SetUp() override
    {
        OrgGroups::SetUp();
        g_pfnBuildingCluster = TestPlaces;
        m_pOrg.reset(m_Orgs.CreateOrganization("CLAN_A"));
    }
    void TearDown() override
    {
        g_pfnBuildingCluster = nullptr;
        m_pOrg.reset();
        OrgGroups::TearDown();
    }
    // A member of CLAN_A kept in the building's cluster.
    CMech* Kept(const char* id, const char* building, std::int32_t rank = 0)
    {
        CMech* m = m_World.AddMech(id);
        std::strcpy(m->m_szOrg, "CLAN_A");
        std::strcpy(m->m_szBuilding, building);
        m->m_bInBuilding = m->m_bInCluster = 1;
        m->m_nGeneration = rank;
        return m;
    }
    std::unique_ptr<COrganization> m_pOrg;
};

TEST_F(OrgBuildings, ANewBaseIsABuildingNobodyHoldsThatTheBuildTargetFills)
{
    struct SCase
    {
        std::int32_t target, placesA, placesB;
        bool heldA;
        const char* base;
    } cases[] = {
        {5, 3, 12, false, "HALL_A"}, // more than 10 places never
        {2, 3, 2, false, "HALL_B"},  // more places than the target
        {5, 3, 4, true, "HALL_B"},   // already held
        {5, 0, 0, false, ""},        // no places
        {0, 1, 1, false, ""},        // nothing to build
    };
    for (const SCase& c : cases)
    {
        g_nPlaces[0] = c.placesA;
        g_nPlaces[1] = c.placesB;
        if (c.heldA) m_World.CaptureBuilding("CLAN_B", "HALL_A");
        m_pOrg->m_nBuildTarget = c.target;
        std::strcpy(m_pOrg->m_szBase, "OLD");
        m_pOrg->OnGainBuilding(nullptr);
        EXPECT_STREQ(m_pOrg->m_szBase, c.base) << c.target << " " << c.placesA << " " << c.placesB;
        m_World.ReleaseBuilding("HALL_A");
    }
}

TEST_F(OrgBuildings, ALostBuildingTurnsGroupsToPeople)
{
    g_nPlaces[0] = g_nPlaces[1] = 4;
    struct SCase
    {
        bool home;
        std::int32_t kinds[3]; // caravan at HALL_B, hunters at HALL_A and at HALL_B
    } cases[] = {{false, {2, 2, 2}}, {true, {0, 2, 1}}};
    int n = 0;
    for (const SCase& c : cases)
    {
        Kept(("K" + std::to_string(n)).c_str(), "HALL_B");
        if (c.home) m_World.CaptureBuilding("CLAN_A", "HALL_B");
        std::vector<CMechGroup2*> groups;
        const std::pair<std::int32_t, const char*> made[] = {{0, "HALL_B"}, {1, "HALL_A"}, {1, "HALL_B"}};
        for (const auto& [kind, at] : made)
        {
            CMechGroup2* g = Group(("G" + std::to_string(n++)).c_str(), 1, CVector{}, "CLAN_A");
            g->SetAI(kind);
            std::strcpy(g->m_szBuilding, at);
            g->m_bActive = 1;
            groups.push_back(g);
        }
        m_pOrg->OnLoseBuilding("HALL_A");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(groups[size_t(i)]->GetGroupAI()->m_nKind, c.kinds[i]) << c.home << " " << i;
        EXPECT_EQ(m_PlayerGroup.GetGroupAI(), nullptr);
        m_World.ReleaseBuilding("HALL_B");
    }
}

TEST_F(OrgBuildings, AMemberKilledBringsOneOutOfTheBaseOrGivesUpTheWeakestBuilding)
{
    g_nPlaces[0] = 4;
    g_nPlaces[1] = 2;
    struct SCase
    {
        const char* base;
        std::int32_t rankA, rankB;
        bool outA0, outB, heldA, heldB;
    } cases[] = {
        {"HALL_A", 0, 0, true, false, true, true},  // the first of the base comes out
        {"", 0, 0, false, true, true, false},       // HALL_B has fewer places
        {"", 0, 5, true, false, false, true},       // a leader keeps HALL_B
        {"HALL_B", 5, 5, false, false, true, true}, // leaders only: nothing given up
    };
    int n = 0;
    for (const SCase& c : cases)
    {
        const std::string k = std::to_string(n++);
        CMech* a0 = Kept(("A0_" + k).c_str(), "HALL_A", c.rankA);
        CMech* a1 = Kept(("A1_" + k).c_str(), "HALL_A", c.rankA);
        CMech* b = Kept(("B0_" + k).c_str(), "HALL_B", c.rankB);
        m_World.CaptureBuilding("CLAN_A", "HALL_A");
        m_World.CaptureBuilding("CLAN_A", "HALL_B");
        std::strcpy(m_pOrg->m_szBase, c.base);
        m_pOrg->m_Clan.m_bFixedBase = 1;
        m_pOrg->OnKillMech(nullptr);
        EXPECT_EQ(a0->m_bInCluster == 0, c.outA0) << c.base << c.rankB;
        EXPECT_EQ(b->m_bInCluster == 0, c.outB) << c.base << c.rankB;
        EXPECT_EQ(a1->m_bInCluster == 0, !c.heldA) << c.base << c.rankB;
        EXPECT_EQ(m_World.FindBuilding("HALL_A") != nullptr, c.heldA) << c.base << c.rankB;
        EXPECT_EQ(m_World.FindBuilding("HALL_B") != nullptr, c.heldB) << c.base << c.rankB;
        for (CMech* m : {a0, a1, b})
            m->m_szOrg[0] = 0; // out of the next case's counts
        m_World.ReleaseBuilding("HALL_A");
        m_World.ReleaseBuilding("HALL_B");
    }
}

TEST_F(OrgBuildings, AGroupReachingTheBaseLeavesMembersThereUpToPlacesAndKeepTarget)
{
    g_nPlaces[0] = 4;
    Kept("A0", "HALL_A");
    struct SCase
    {
        std::int32_t keep;
        bool leader;
        int stay;
    } cases[] = {{5, false, 3}, {2, false, 2}, {0, false, 0}, {5, true, 0}};
    int n = 0;
    for (const SCase& c : cases)
    {
        CMechGroup2* g = Group(("S" + std::to_string(n++)).c_str(), 4, CVector{}, "CLAN_A");
        for (int i = 0; i < 4; ++i)
            std::strcpy(g->GetMember(i)->m_szOrg, "CLAN_A");
        g->GetMember(0)->m_nGeneration = c.leader ? 5 : 0;
        CMech* last = g->GetMember(3);
        std::strcpy(g->m_szBuilding, "HALL_A");
        std::strcpy(m_pOrg->m_szBase, "HALL_A");
        m_pOrg->m_nKeepTarget = c.keep;
        m_pOrg->OnGroupBuilding(g);
        EXPECT_EQ(g->GetMemberCount(), 4 - c.stay) << c.keep << c.leader;
        if (c.stay)
        {
            EXPECT_EQ(last->m_bInCluster, 1);
            EXPECT_EQ(last->m_pMechanoid, nullptr);
            EXPECT_STREQ(last->m_szBuilding, "HALL_A");
        }
        // The kept members of this case leave again for the next one.
        for (CMech* m : m_World.m_Mechs)
            if (m != m_World.m_Mechs[0]) m->m_bInCluster = 0;
        m_World.ReleaseBuilding("HALL_A");
    }
}

TEST_F(OrgBuildings, AFreeMemberInABuildingGetsItsDescribedGroupBackOrIsRecruited)
{
    RegisterGroupMaker();
    auto desc = std::make_unique<CMechGroupDesc>();
    std::strcpy(desc->m_szName, "LEADER");
    std::strcpy(desc->m_szOrgName, "CLAN_A");
    desc->m_nMemberCount = 1;
    desc->m_nType = 3;
    g_MechGroupList.m_Descs.push_back(std::move(desc));
    for (std::uint32_t& m : m_pOrg->m_Clan.m_nMaxSize)
        m = 1; // a recruit makes a group of its own at once
    struct SCase
    {
        const char* id;
        bool kept, deployed, dead;
        float money;
        const char* outcome;
    } cases[] = {
        {"LEADER", false, false, false, 0.0f, "group LEADER in HALL_B"}, // whatever the funds
        {"KEPT", true, false, false, 1e6f, "nothing"},
        {"FLYING", false, true, false, 1e6f, "nothing"},
        {"DEAD", false, false, true, 1e6f, "nothing"},
        {"POOR", false, false, false, 0.0f, "nothing"},
        {"RICH", false, false, false, 1e6f, "recruited"},
    };
    for (const SCase& c : cases)
    {
        CMech* m = m_World.AddMech(c.id);
        std::strcpy(m->m_szOrg, "CLAN_A");
        std::strcpy(m->m_szBuilding, "HALL_B");
        m->m_bInBuilding = 1;
        m->m_bInCluster = c.kept;
        m->m_bAssigned = c.deployed;
        m->m_bDead = c.dead;
        m_pOrg->m_fMoney = c.money;
        m_pOrg->UpdateMechInfo();
        const bool wanted = m_pOrg->WantsMech(m);
        m_pOrg->AssignMech(m);
        const auto* g = static_cast<const CMechGroup2*>(m->m_pGroup);
        std::string outcome = "nothing";
        if (g && std::strcmp(g->m_szName, c.id) == 0)
            outcome = std::string("group ") + g->m_szName + " in " + (g->m_bInBuilding ? g->m_szBuilding : "the open");
        else if (g)
            outcome = "recruited";
        EXPECT_EQ(outcome, c.outcome) << c.id;
        EXPECT_EQ(m->m_bAssigned, c.deployed || g) << c.id;
        if (!c.kept && !c.deployed && !c.dead)
        {
            EXPECT_EQ(wanted, std::strcmp(c.outcome, "nothing") != 0) << c.id;
        }
        if (std::strcmp(c.id, "RICH") == 0)
        {
            ASSERT_NE(m->m_pMechanoid, nullptr);
            EXPECT_FLOAT_EQ(m_pOrg->m_fMoney, 1e6f - m->m_pMechanoid->GetPrice(true));
        }
    }

    // The player's clan recruits copies of the player's configuration
    // mechanoid for the kind (people: the default one).
    auto* model = new CWorldMechanoid;
    model->m_Mechanoid.m_Garbage.m_fMoney = 77.0f;
    g_pPlayerConfigs[0] = model;
    std::unique_ptr<COrganization> player(m_Orgs.CreateOrganization("ORG_PLAYER"));
    player->m_Clan.m_bFixedBase = 1;
    CMech* recruit = m_World.AddMech("HIRED");
    std::strcpy(recruit->m_szOrg, "ORG_PLAYER");
    recruit->m_bInBuilding = 1;
    std::strcpy(recruit->m_szBuilding, "HALL_A");
    player->AssignMech(recruit);
    auto* copy = dynamic_cast<CWorldMechanoid*>(recruit->m_pMechanoid);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, model);
    EXPECT_FLOAT_EQ(copy->m_Mechanoid.m_Garbage.m_fMoney, 77.0f);
    delete model;
    g_pPlayerConfigs[0] = nullptr;
    g_MechGroupList.Clear();
    UnregisterGroupMaker();
}

TEST_F(OrgBuildings, TheWorldTellsTheClanOfItsMembersDeathsAndItsGroupsArrivals)
{
    RegisterGroupMaker();
    g_nPlaces[0] = 4;
    m_World.m_Organizations.push_back(std::move(m_pOrg));
    auto* org = static_cast<COrganization*>(m_World.m_Organizations.back().get());
    std::strcpy(org->m_szBase, "HALL_A");
    org->m_Clan.m_bFixedBase = 1;

    // Two kept in the base and one flying: the build target is below 0, so
    // when the flier dies one of the base comes out.
    CMech* kept = Kept("K0", "HALL_A");
    Kept("K1", "HALL_A");
    CMechGroup2* g = Group("FLIERS", 3, CVector{}, "CLAN_A");
    ASSERT_EQ(g->m_pOrg, org);
    for (int i = 0; i < 3; ++i)
        std::strcpy(g->GetMember(i)->m_szOrg, "CLAN_A");
    CMech* victim = g->GetMember(0);
    victim->Kill(nullptr);
    victim->OnKill();
    EXPECT_EQ(kept->m_bInCluster, 0);

    // The group comes into its base: with a keep target of 1 its last
    // member stays there.
    const int members = g->GetMemberCount();
    CMech* last = g->GetMember(members - 1);
    g->m_pBuilding = static_cast<CBuildingObject*>(g_ObjectList.FindByGameId("HALL_A", OBJ_BUILDING));
    org->m_nKeepTarget = 1;
    g->OnBuilding();
    EXPECT_EQ(last->m_bInCluster, 1);
    EXPECT_EQ(last->m_pGroup, nullptr);
    EXPECT_EQ(g->GetMemberCount(), members - 1);
    UnregisterGroupMaker();
}

TEST_F(OrgBuildings, ACaravanAtTheStartOfItsRouteIsSentOn)
{
    CMechGroup2* g = KindGroup(0, 1, "C");
    std::strcpy(g->m_szOrg, "CLAN_A");
    auto* ai = static_cast<CTransGroupAI*>(g->GetGroupAI());
    ai->SetRoute("HALL_A", "HALL_B", false);
    std::strcpy(g->m_szBuilding, "HALL_B");
    m_pOrg->OnGroupBuilding(g); // at the far end of its route: it stays
    EXPECT_STREQ(ai->m_szRouteStart, "HALL_A");
    std::strcpy(g->m_szBuilding, "HALL_A");
    m_pOrg->OnGroupBuilding(g);
    EXPECT_STREQ(ai->m_szRouteStart, "HALL_A");
    EXPECT_STREQ(ai->m_szRouteEnd, "HALL_B");
    EXPECT_FALSE(ai->m_Route.empty());
}
} // namespace
