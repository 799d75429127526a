// The world's groups through the society's maker: the player's group at the
// head of the list, a described mech brought back in a group of its own,
// a kill's spoils handed to the killer's group, the statistics' counts by
// the groups' states, the player's configuration mechanoids, the world's
// end taking every group with it, and the groups in the world's saved game.
#include "tests/society/GroupTestFixture.h"

#include "common/MemArchive.h"

#include "society/GroupAIKinds.h"
#include "society/GroupMaker.h"
#include "world/MechGroupList.h"

#include <algorithm>
#include <typeinfo>

using grouptest::CGroupTest;

namespace
{

// An AI that names a member of its choice for the spoils.
class CPickingAI : public CGroupAI
{
public:
    explicit CPickingAI(int pick) : m_nPick(pick) {}
    CMech* GetEmptyMech() const override { return m_nPick >= 0 ? m_pGroup->GetMember(m_nPick) : nullptr; }
    int m_nPick;
};

std::vector<std::string> Hold(const CMech* m)
{
    std::vector<std::string> out;
    for (const SItemRec& e : static_cast<CWorldMechanoid*>(m->m_pMechanoid)->m_Mechanoid.m_Garbage.m_Items)
        out.push_back(std::to_string(e.m_nKind) + ":" + e.m_szName);
    return out;
}

} // namespace

class WorldGroups : public CGroupTest
{
protected:
    void SetUp() override
    {
        CGroupTest::SetUp();
        RegisterGroupMaker();
        m_Player.m_bAlive = 1;
        std::strcpy(m_Player.m_szId, "PLAYER");
        std::strcpy(m_Player.m_szOrg, "ORG_PLAYER");
        m_World.SetPlayerMech(&m_Player);
    }
    void TearDown() override
    {
        UnregisterGroupMaker();
        for (IWorldMechanoid*& c : g_pPlayerConfigs)
        {
            delete c;
            c = nullptr;
        }
        g_MechGroupList.Clear();
        m_World.SetPlayerMech(nullptr);
        CGroupTest::TearDown();
    }
    CMechGroup2* PlainGroup(const char* name, int members)
    {
        auto* g = new CMechGroup2;
        std::snprintf(g->m_szName, sizeof g->m_szName, "%s", name);
        g->InitGroup("ORG_A");
        for (int i = 0; i < members; ++i)
            g->AddMech(Mech((std::string(name) + "_" + std::to_string(i)).c_str()));
        g_MechGroupList2.AddGroup(g);
        return g;
    }

    CPlayerMech m_Player;
};

TEST_F(WorldGroups, ThePlayersGroupLeadsTheListWithThePlayerAndIsReplacedWhole)
{
    CMechGroup2* first = PlainGroup("FIRST", 1);
    CMechGroup2* second = PlainGroup("SECOND", 1);
    m_World.CreatePlayerGroup();
    ASSERT_NE(g_pPlayerGroup, nullptr);
    ASSERT_EQ(g_MechGroupList2.GetCount(), 3);
    EXPECT_EQ(g_MechGroupList2.GetGroup(0), g_pPlayerGroup);
    EXPECT_EQ(g_MechGroupList2.GetGroup(1), second);
    EXPECT_EQ(g_MechGroupList2.GetGroup(2), first) << "the former first goes to the end";
    EXPECT_STREQ(g_pPlayerGroup->m_szOrg, "ORG_PLAYER");
    EXPECT_EQ(g_pPlayerGroup->GetGroupAI(), nullptr);
    ASSERT_EQ(g_pPlayerGroup->GetMemberCount(), 1);
    EXPECT_EQ(g_pPlayerGroup->GetMember(0), &m_Player);
    EXPECT_EQ(m_Player.m_pGroup, g_pPlayerGroup);
    EXPECT_EQ(g_pPlayerGroup->m_bActive, 1) << "the other groups see it";

    // Made again: still one player's group, at the head, with the player.
    m_World.CreatePlayerGroup();
    ASSERT_EQ(g_MechGroupList2.GetCount(), 3);
    EXPECT_EQ(g_MechGroupList2.GetGroup(0), g_pPlayerGroup);
    EXPECT_EQ(g_pPlayerGroup->GetMemberCount(), 1);
    EXPECT_EQ(m_Player.m_pGroup, g_pPlayerGroup);

    // The world's end: every group goes, no record keeps a pointer to one.
    CMech* member = first->GetMember(0);
    m_World.m_Mechs.erase(std::find(m_World.m_Mechs.begin(), m_World.m_Mechs.end(), member));
    m_World.DoneWorld();
    EXPECT_EQ(g_MechGroupList2.GetCount(), 0);
    EXPECT_EQ(g_pPlayerGroup, nullptr);
    EXPECT_EQ(m_Player.m_pGroup, nullptr);
    EXPECT_EQ(member->m_pGroup, nullptr);
    delete member;
}

TEST_F(WorldGroups, ADescribedMechComesBackInAGroupOfItsOwn)
{
    Roads({{100, 100, {1}}, {300, 100, {0}}});
    auto desc = std::make_unique<CMechGroupDesc>();
    std::strcpy(desc->m_szName, "M1_BOSS");
    std::strcpy(desc->m_szOrgName, "ORG_A");
    desc->m_nType = 3;
    desc->m_nMemberCount = 1;
    std::strcpy(desc->m_szMembers[0], "CFG_NONE");
    g_MechGroupList.m_Descs.push_back(std::move(desc));

    CMech* boss = Mech("M1_BOSS");
    std::strcpy(boss->m_szOrg, "ORG_A");
    CMechGroup2* g = m_World.ReanimateM1Mech(boss);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g_MechGroupList2.IndexOf(g), g_MechGroupList2.GetCount() - 1);
    EXPECT_STREQ(g->m_szName, "M1_BOSS");
    EXPECT_STREQ(g->m_szOrg, "ORG_A");
    EXPECT_EQ(g->GetAIKind(), 2);
    ASSERT_EQ(g->GetMemberCount(), 1);
    EXPECT_EQ(g->GetMember(0), boss);
    EXPECT_EQ(boss->m_pGroup, g);
    EXPECT_NE(boss->m_pMechanoid, nullptr);
    EXPECT_EQ(g->m_vCentre.y, 100.0f) << "it starts on a road node";
    EXPECT_TRUE(g->m_vCentre.x == 100.0f || g->m_vCentre.x == 300.0f);

    CMech* nobody = Mech("NOBODY");
    EXPECT_EQ(m_World.ReanimateM1Mech(nobody), nullptr);
    EXPECT_TRUE(Logged("CWorld::ReanimateM1Mech M1 Mech 'NOBODY' not found"));
    EXPECT_EQ(nobody->m_pGroup, nullptr);
}

TEST_F(WorldGroups, AKillAwayFromThePlayerPaysTheKillersGroup)
{
    m_World.CreatePlayerGroup();
    struct SCase
    {
        const char* what;
        int ai; // -2 no AI, -1 the AI names nobody, else the member it names
        bool listed;
        std::vector<std::string> first, second;
    };
    const std::vector<SCase> cases = {
        {"the named member takes the hold", 1, true, {"2:VICTIM"}, {"0:ORE", "2:CAPTIVE"}},
        {"nobody named: the first takes the mechminds", -1, true, {"2:CAPTIVE", "2:VICTIM"}, {}},
        {"the first named takes both", 0, true, {"0:ORE", "2:CAPTIVE", "2:VICTIM"}, {}},
        {"a group without AI takes nothing", -2, true, {}, {}},
        {"a group no longer listed takes nothing", 0, false, {}, {}},
    };
    int n = 0;
    for (const SCase& c : cases)
    {
        const std::string name = "K" + std::to_string(n++);
        CMechGroup2* killers = PlainGroup(name.c_str(), 2);
        if (c.ai == -2)
            killers->SetAIObject(nullptr);
        else
            killers->SetAIObject(std::make_unique<CPickingAI>(c.ai));
        if (!c.listed) g_MechGroupList2.m_Groups.pop_back();
        CMech* victim = Mech(("VICTIM" + name).c_str());
        std::strcpy(victim->m_szId, "VICTIM");
        auto& hold = static_cast<CWorldMechanoid*>(victim->m_pMechanoid)->m_Mechanoid.m_Garbage.m_Items;
        hold.push_back(SItemRec{ITEM_GOODS, "ORE", 3, 0, 1.0f});
        hold.push_back(SItemRec{ITEM_MECHANOID, "CAPTIVE", 1, 0, 0.0f});
        victim->KillOffline(killers);
        EXPECT_EQ(Hold(killers->GetMember(0)), c.first) << c.what;
        EXPECT_EQ(Hold(killers->GetMember(1)), c.second) << c.what;
        if (c.listed) continue;
        for (int i = 0; i < killers->GetMemberCount(); ++i)
            killers->GetMember(i)->m_pGroup = nullptr;
        delete killers;
    }
}

TEST_F(WorldGroups, TheStatisticsCountLiveMembersByTheirGroupsMode)
{
    m_World.CreatePlayerGroup();
    struct SCase
    {
        std::int32_t mode;
        std::int32_t playerMode;
        std::int32_t counts[3];
    };
    // Wait, attack, move (by the player's command mode); inspecting counts
    // nowhere.
    const SCase cases[] = {
        {CGroupAI::MODE_WAIT, 0, {0, 2, 0}},   {CGroupAI::MODE_ATTACK, 0, {0, 0, 2}},
        {CGroupAI::MODE_MOVE, 1, {2, 0, 0}},   {CGroupAI::MODE_MOVE, 0, {0, 0, 2}},
        {CGroupAI::MODE_MOVE, 2, {0, 0, 2}},   {CGroupAI::MODE_INSPECT, 0, {0, 0, 0}},
    };
    CMechGroup2* g = PlainGroup("ORGA", 3);
    for (int i = 0; i < 3; ++i)
        std::strcpy(g->GetMember(i)->m_szOrg, "ORG_A");
    g->GetMember(2)->m_bDead = 1; // the dead are not counted
    CMechGroup2* free = PlainGroup("FREE", 1); // its member is of no organisation
    free->GetGroupAI()->m_nMode = CGroupAI::MODE_WAIT;
    for (const SCase& c : cases)
    {
        g->GetGroupAI()->m_nMode = c.mode;
        m_Player.m_nGroupMode = c.playerMode;
        SOrgStatistics s;
        ASSERT_TRUE(m_World.GetOrgStatistics("ORG_A", &s));
        EXPECT_EQ(std::vector<std::int32_t>(s.groupStates, s.groupStates + 3),
                  std::vector<std::int32_t>(c.counts, c.counts + 3))
            << "mode " << c.mode << ", player's mode " << c.playerMode;
    }
}

TEST_F(WorldGroups, TheDefaultStateMakesThePlayersThreeMechanoids)
{
    CGroupTest::AddOrg("ORG_PLAYER");
    m_World.SetDefaultState();
    for (IWorldMechanoid* c : g_pPlayerConfigs)
        EXPECT_NE(dynamic_cast<CWorldMechanoid*>(c), nullptr);
    // Only the missing ones are made.
    IWorldMechanoid* kept = g_pPlayerConfigs[1];
    delete g_pPlayerConfigs[0];
    g_pPlayerConfigs[0] = nullptr;
    m_World.SetDefaultState();
    EXPECT_NE(g_pPlayerConfigs[0], nullptr);
    EXPECT_EQ(g_pPlayerConfigs[1], kept);
}

TEST_F(WorldGroups, AConvictionPriceWithTheGroupAddsTheEquippedMembers)
{
    m_World.CreatePlayerGroup();
    m_Player.m_nLevel = 2;
    CMechGroup2* g = PlainGroup("CONVICTS", 3);
    for (int i = 0; i < 3; ++i)
    {
        g->GetMember(i)->m_fLevel = 2.0f;
        g->GetMember(i)->m_nLevel = 2;
    }
    // Each alone: 10000 x 0.25 -> 2750; the group's adds the others' prices.
    CMech* leader = g->GetMember(0);
    EXPECT_EQ(leader->GetConvictPrice(1, false), 2750.0f);
    EXPECT_EQ(leader->GetConvictPrice(1, true), 8800.0f);
    g->GetMember(2)->DeleteMechanoid();
    EXPECT_EQ(leader->GetConvictPrice(1, true), 5770.0f) << "a member without mechanoid adds nothing";
}

namespace
{
// Each group of the list as text: what a saved game must bring back.
std::vector<std::string> DescribeGroups()
{
    std::vector<std::string> out;
    for (int i = 0; i < g_MechGroupList2.GetCount(); ++i)
    {
        const CMechGroup2* g = g_MechGroupList2.GetGroup(i);
        std::string d = std::string(g->m_szName) + " of " + g->m_szOrg + (g->m_bActive ? "" : " inactive");
        d += " at " + std::to_string(g->m_vCentre.x) + "," + std::to_string(g->m_vCentre.y) + " members";
        for (int m = 0; m < g->GetMemberCount(); ++m)
            d += std::string(" ") + g->GetMember(m)->m_szId + (g->GetMember(m)->m_pGroup == g ? "" : "(elsewhere)");
        if (const CGroupAI* ai = g->GetGroupAI())
        {
            d += " ai " + std::to_string(ai->m_nKind) + " " + typeid(*ai).name() + " route";
            for (std::int32_t n : ai->m_Route)
                d += " " + std::to_string(n);
            auto name = [](const char* n) { return IsNameSet(n) ? std::string(n) : std::string("-"); };
            d += " road " + std::to_string(ai->m_nCurrentRoad) + "/" + std::to_string(ai->m_nPreviousRoad) +
                 " from " + name(ai->m_szRouteStart) + " to " + name(ai->m_szRouteEnd);
        }
        out.push_back(d);
    }
    return out;
}

std::size_t Lines(const std::string& text)
{
    return std::size_t(std::count(text.begin(), text.end(), '\n'));
}
} // namespace

class WorldGroupsSaved : public WorldGroups
{
protected:
    // The player's group, three described groups (a road guard, a road set,
    // a free roamer of an organisation the world lacks) and a caravan on
    // its way between two buildings, one of its members dead.
    void MakeGroups()
    {
        Roads({{100, 100, {1}}, {300, 100, {0, 2}}, {300, 400, {1}}});
        struct SDesc
        {
            const char* name;
            const char* org;
            std::int32_t type;
            int members;
        };
        for (const SDesc& d : {SDesc{"GUARD", "ORG_A", 0, 2}, SDesc{"PATROL", "ORG_A", 2, 1},
                               SDesc{"ROAMER", "ORG_GONE", 3, 3}})
        {
            auto desc = std::make_unique<CMechGroupDesc>();
            std::strcpy(desc->m_szName, d.name);
            std::strcpy(desc->m_szOrgName, d.org);
            std::strcpy(desc->m_szLabel, d.name);
            desc->m_nType = d.type;
            desc->m_nLevel = 3;
            desc->m_nGuardNode = 1;
            desc->m_RoadSet = {0, 2};
            desc->m_nMemberCount = d.members;
            for (int i = 0; i < d.members; ++i)
                std::strcpy(desc->m_szMembers[i], "CFG_NONE");
            g_MechGroupList.m_Descs.push_back(std::move(desc));
        }
        m_World.CreatePlayerGroup();
        ASSERT_EQ(CreateLocationGroups(), 3);
        CMechGroup2* caravan = PlainGroup("CARAVAN", 2);
        caravan->SetAI(0);
        CGroupAI* ai = caravan->GetGroupAI();
        ai->m_Route = {0, 1, 2};
        ai->SetCurrentRoad(1);
        std::strcpy(ai->m_szRouteStart, "GATE");
        std::strcpy(ai->m_szRouteEnd, "HALL");
        caravan->m_vCentre = CVector{250.0f, 100.0f, 0.0f};
        caravan->GetMember(1)->m_bDead = 1;
        m_World.m_fTime = 321.0f;
    }
};

TEST_F(WorldGroupsSaved, ASavedGameBringsBackTheGroupsAfterTheirMechs)
{
    MakeGroups();
    testutil::CMemArchive saved;
    ASSERT_TRUE(m_World.SaveGame(&saved));
    const std::vector<std::string> before = DescribeGroups();
    ASSERT_EQ(before.size(), 5u);
    EXPECT_NE(before[3].find("ROAMER of ORG_FREE"), std::string::npos) << before[3];

    // The groups change after the save; the load puts back the saved ones.
    g_MechGroupList2.GetGroup(4)->RemoveMech(g_MechGroupList2.GetGroup(4)->GetMember(0));
    g_MechGroupList2.GetGroup(1)->GetGroupAI()->m_Route.clear();
    m_World.LoadGame(&saved);
    EXPECT_EQ(DescribeGroups(), before);
    EXPECT_EQ(g_MechGroupList2.GetGroup(0), g_pPlayerGroup);
    EXPECT_EQ(m_Player.m_pGroup, g_pPlayerGroup);
    EXPECT_EQ(ReadText("error.log"), "");

    // Loaded twice: the groups of the first load go, nothing points at them.
    m_World.LoadGame(&saved);
    EXPECT_EQ(DescribeGroups(), before);
    for (CMech* m : m_World.m_Mechs)
        EXPECT_NE(g_MechGroupList2.FindByPointer(m->m_pGroup), nullptr) << m->m_szId;
}

// A road guard is a hunter holding its one node, and comes back as one.
TEST_F(WorldGroupsSaved, ARoadGuardHoldsItsNodeAsAHunterBeforeAndAfterALoad)
{
    MakeGroups();
    CMechGroup2* guard = g_MechGroupList2.FindGroup("GUARD");
    ASSERT_NE(guard, nullptr);
    auto* hunter = dynamic_cast<CHunterGroupAI*>(guard->GetGroupAI());
    ASSERT_NE(hunter, nullptr);
    EXPECT_EQ(hunter->m_Route, std::vector<std::int32_t>{1});
    hunter->GetNextRoadItem();
    EXPECT_EQ(hunter->m_nCurrentRoad, 1);
    testutil::CMemArchive saved;
    ASSERT_TRUE(m_World.SaveGame(&saved));
    m_World.LoadGame(&saved);
    guard = g_MechGroupList2.FindGroup("GUARD");
    ASSERT_NE(guard, nullptr);
    EXPECT_NE(dynamic_cast<CHunterGroupAI*>(guard->GetGroupAI()), nullptr);
    EXPECT_EQ(guard->GetAIKind(), 1);
}

// A world without organisations keeps its groups through a load: one line
// says they have none.
TEST_F(WorldGroupsSaved, AWorldWithoutOrganisationsKeepsItsGroupsThroughALoad)
{
    m_World.m_Organizations.clear();
    MakeGroups();
    testutil::CMemArchive saved;
    ASSERT_TRUE(m_World.SaveGame(&saved));
    const std::vector<std::string> before = DescribeGroups();
    ASSERT_EQ(before.size(), 5u);
    const std::size_t lines = Lines(ReadText("error.log"));
    m_World.LoadGame(&saved);
    EXPECT_EQ(DescribeGroups(), before);
    const std::string log = ReadText("error.log");
    EXPECT_EQ(Lines(log), lines + 1) << log;
    EXPECT_NE(log.find("4 groups (the first GUARD) kept without an organisation"), std::string::npos) << log;
}

TEST_F(WorldGroupsSaved, ADamagedGroupsRecordLosesNothingElseOfTheSave)
{
    MakeGroups();
    testutil::CMemArchive saved;
    ASSERT_TRUE(m_World.SaveGame(&saved));
    const std::vector<std::string> before = DescribeGroups();
    const std::vector<std::uint8_t> groups = saved.m_Records["GROUPS"];
    struct SCase
    {
        const char* what;
        std::vector<std::uint8_t> record;
        // The groups read: none but a new player's group when the record
        // is refused whole.
        std::size_t kept;
        const char* logged;
    };
    auto cut = [&](std::size_t n) { return std::vector<std::uint8_t>(groups.begin(), groups.begin() + long(n)); };
    std::vector<std::uint8_t> negative = groups;
    std::memset(negative.data(), 0xFF, 4);
    const SCase cases[] = {
        {"a negative count", negative, 1, "group count -1"},
        {"cut inside the player's group", cut(40), 1, "'GROUPS'"},
        {"cut inside the last group", cut(groups.size() - 10), 4, "group 4 dropped"},
    };
    for (const SCase& c : cases)
    {
        testutil::CMemArchive damaged = saved;
        damaged.m_Records["GROUPS"] = c.record;
        m_World.m_fTime = 0.0f;
        const std::size_t linesBefore = Lines(ReadText("error.log"));
        m_World.LoadGame(&damaged);
        const std::string log = ReadText("error.log");
        EXPECT_EQ(Lines(log), linesBefore + 1) << c.what << ":\n" << log;
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.what << ":\n" << log;
        EXPECT_EQ(m_World.m_fTime, 321.0f) << c.what;
        EXPECT_EQ(m_World.m_Mechs.size(), 9u) << c.what;
        const std::vector<std::string> now = DescribeGroups();
        ASSERT_EQ(now.size(), c.kept) << c.what;
        EXPECT_EQ(g_MechGroupList2.GetGroup(0), g_pPlayerGroup) << c.what;
        EXPECT_EQ(m_Player.m_pGroup, g_pPlayerGroup) << c.what;
        if (c.kept > 1)
        {
            EXPECT_EQ(now, std::vector<std::string>(before.begin(), before.begin() + long(c.kept))) << c.what;
        }
    }
}
