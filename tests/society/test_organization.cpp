// An organisation: member counts and targets, the death timer and the
// organisations exempt from it, money from owned buildings, and the
// organisation stream of each version with its refused forms.
#include "tests/common/DataTree.h"
#include "tests/society/TradeTables.h"

#include "world/GameWorldState.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "society/MMTrade.h"
#include "society/OrgManager.h"
#include "society/Organization.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
class CNoMechanoid : public IWorldMechanoid
{
public:
    void Run(float) override {}
    float GetPrice(bool) override { return 0.0f; }
    void SaveToStream(CMemStream&) override {}
    void LoadFromStream(CMemStream&) override {}
    void SetPendingValues(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    std::uint32_t GetStreamValue() override { return 0; }
};

class Organization : public testutil::CDataTreeTest
{
protected:
    void SetUp() override
    {
        tradetest::SetOrgTable(m_Orgs);
        g_pWorld = &m_World;
    }
    void TearDown() override
    {
        g_pWorld = nullptr;
        g_pTrade = nullptr;
    }
    std::unique_ptr<COrganization> Make(const char* name)
    {
        return std::unique_ptr<COrganization>(m_Orgs.CreateOrganization(name));
    }
    // active members with a mechanoid, garrison members in building B_<org>.
    void Members(const char* org, int active, int garrison, bool home = false)
    {
        for (int i = 0; i < active + garrison; ++i)
        {
            CMech* m = m_World.AddMech((std::string(org) + std::to_string(m_World.m_Mechs.size())).c_str());
            std::strcpy(m->m_szOrg, org);
            if (i < active)
                m->m_pMechanoid = new CNoMechanoid;
            else
            {
                m->m_bInBuilding = m->m_bInCluster = 1;
                std::snprintf(m->m_szBuilding, 32, "B_%s", org);
            }
        }
        if (home) m_World.CaptureBuilding(org, ("B_" + std::string(org)).c_str());
    }
    COrgManager m_Orgs;
    CWorld m_World;
};
} // namespace

TEST_F(Organization, CountsAndTargets)
{
    struct SCase
    {
        int active, garrison, build, keep;
    } cases[] = {{10, 2, 2, 2}, {0, 3, -2, -2}, {5, 0, 2, 1}};
    for (const SCase& c : cases)
    {
        for (CMech* m : m_World.m_Mechs)
            delete m;
        m_World.m_Mechs.clear();
        Members("CLAN_A", c.active, c.garrison);
        auto org = Make("CLAN_A");
        org->UpdateMechInfo();
        EXPECT_EQ(org->m_nMembers, c.active + c.garrison);
        EXPECT_EQ(org->m_nActive, c.active);
        EXPECT_EQ(org->m_nGarrison, c.garrison);
        EXPECT_EQ(org->m_nBuildTarget, c.build) << c.active << "/" << c.garrison;
        EXPECT_EQ(org->m_nKeepTarget, c.keep) << c.active << "/" << c.garrison;
    }
}

TEST_F(Organization, AClanOfFiveDiesInItsThirdHourAndSixKeepIt)
{
    Members("CLAN_A", 5, 0);
    Members("CLAN_B", 6, 0);
    Members("ORG_FREE", 1, 0);
    Members("ORG_PLAYER", 1, 0);
    auto a = Make("CLAN_A"), b = Make("CLAN_B"), f = Make("ORG_FREE"), p = Make("ORG_PLAYER");
    for (int hour = 1; hour <= 3; ++hour)
    {
        for (COrganization* o : {a.get(), b.get(), f.get(), p.get()})
            o->Run(120.0f);
        EXPECT_EQ(a->m_fDeathTimer, hour < 3 ? 300.0f - 120.0f * float(hour) : -1.0f) << hour;
    }
    EXPECT_EQ(b->m_fDeathTimer, 0.0f);
    EXPECT_EQ(f->m_fDeathTimer, 0.0f);
    EXPECT_EQ(p->m_fDeathTimer, 0.0f);
    // Dead once: later hours change nothing.
    a->Run(120.0f);
    EXPECT_EQ(a->m_fDeathTimer, -1.0f);

    // A sixth active member stops a running timer; members at home keep a
    // clan without active members.
    Members("CLAN_B", 0, 2, true);
    auto b2 = Make("CLAN_B");
    b2->m_fDeathTimer = 60.0f;
    b2->Run(120.0f);
    EXPECT_EQ(b2->m_fDeathTimer, 0.0f);
}

TEST_F(Organization, OwnedBuildingsBringTheirTradeIncome)
{
    CMMTrade trade;
    trade.AddBuilding("B_CLAN_A")->m_fTurnover = 300.0f;
    g_pTrade = &trade;
    Members("CLAN_A", 6, 2, true);
    auto a = Make("CLAN_A");
    a->m_fMoney = 1050.0f;
    a->Run(120.0f);
    EXPECT_NEAR(a->m_fMoney, 1000.0f + 600.0f, 0.01f);
    EXPECT_FALSE(a->IsRich());
    a->m_fMoney = 10000.0f;
    EXPECT_TRUE(a->IsRich());
    EXPECT_TRUE(a->CanRecruit());
}

TEST_F(Organization, TheStreamOfEachVersion)
{
    Members("CLAN_A", 2, 0);
    auto a = Make("CLAN_A");
    a->UpdateMechInfo();
    std::strcpy(a->m_szBase, "B_CLAN_A");
    std::strcpy(a->m_szSecondName, "SECOND");
    a->m_fMoney = 512.0f;
    a->m_fDeathTimer = 180.0f;
    a->m_fFactor = 0.75f;
    a->m_Construct.m_bIdle = 0;
    a->m_Construct.m_nKind = 1;
    a->m_Construct.m_nPlanned = 2;
    a->m_Construct.m_nMembers = 1;
    a->m_Construct.m_pMembers[0] = m_World.m_Mechs[1];
    a->m_Construct.m_nConfigCount = 2;
    a->m_Construct.m_nConfigs[1] = 7;
    CMemStream s;
    a->SaveToStream(s);
    const std::vector<std::uint8_t> bytes(s.m_pData, s.m_pData + s.m_nPosition);

    auto load = [&](const std::vector<std::uint8_t>& b, COrganization& into)
    {
        CMemStream in;
        if (!b.empty()) std::memcpy(in.Allocate(std::uint32_t(b.size())), b.data(), b.size());
        into.LoadFromStream(in);
    };
    auto back = Make("CLAN_A");
    load(bytes, *back);
    EXPECT_EQ(back->m_nMembers, 2);
    EXPECT_EQ(back->m_nActive, 2);
    EXPECT_STREQ(back->m_szBase, "B_CLAN_A");
    EXPECT_STREQ(back->m_szSecondName, "SECOND");
    EXPECT_EQ(back->m_fMoney, 512.0f);
    EXPECT_EQ(back->m_fDeathTimer, 180.0f);
    EXPECT_EQ(back->m_fFactor, 0.75f);
    EXPECT_EQ(back->m_Construct.m_nKind, 1u);
    EXPECT_EQ(back->m_Construct.m_pMembers[0], m_World.m_Mechs[1]);
    EXPECT_EQ(back->m_Construct.m_nConfigs[1], 7u);

    // 4097 has no money; an old stream (no version word) neither timer nor money.
    std::vector<std::uint8_t> v4097(bytes.begin(), bytes.end() - 4);
    const std::uint32_t ver = 4097;
    std::memcpy(v4097.data(), &ver, 4);
    auto older = Make("CLAN_A");
    older->m_fMoney = 9.0f;
    load(v4097, *older);
    EXPECT_EQ(older->m_fMoney, 9.0f);
    EXPECT_EQ(older->m_fDeathTimer, 180.0f);
    std::vector<std::uint8_t> old(bytes.begin() + 4, bytes.end() - 8);
    auto oldest = Make("CLAN_A");
    oldest->m_fMoney = 9.0f;
    oldest->m_fDeathTimer = 5.0f;
    load(old, *oldest);
    EXPECT_EQ(oldest->m_nMembers, 2);
    EXPECT_EQ(oldest->m_nKeepTarget, a->m_nKeepTarget);
    EXPECT_STREQ(oldest->m_szSecondName, "SECOND");
    EXPECT_EQ(oldest->m_fMoney, 9.0f);
    EXPECT_EQ(oldest->m_fDeathTimer, 5.0f);

    // Damaged: refused whole, one line each.
    struct SCase
    {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        std::size_t length;
        const char* reason;
    } cases[] = {
        {"planned size", 4 + 32 + 36 + 1 + 4, 6, 0, "planned size 6"},
        {"member count", 4 + 32 + 36 + 1 + 8, 99, 0, "member count 99"},
        {"kind", 4 + 32 + 36 + 1, 3, 0, "group kind 3"},
        {"truncated", 0, 0, bytes.size() - 2, "wanted"},
    };
    for (const SCase& c : cases)
    {
        std::vector<std::uint8_t> b = bytes;
        if (c.length) b.resize(c.length);
        if (c.offset) std::memcpy(b.data() + c.offset, &c.value, 4);
        auto kept = Make("CLAN_A");
        kept->m_fMoney = 3.0f;
        EXPECT_THROW(load(b, *kept), CStreamError) << c.what;
        EXPECT_EQ(kept->m_fMoney, 3.0f) << c.what;
        EXPECT_NE(Tree().ErrorLog().find(c.reason), std::string::npos) << c.what;
    }
}

TEST_F(Organization, TheNextGroupsKindAndSize)
{
    Members("CLAN_A", 10, 0);
    auto a = Make("CLAN_A");
    a->UpdateMechInfo();
    a->m_Clan.m_fTransportShare = 0.25f; // h = round(2.5) = 3
    a->m_Clan.m_fHunterShare = 0.5f;     // int(7 x 0.5) = 3
    struct SCase
    {
        std::int32_t transport, hunters;
        std::uint32_t kind;
    } cases[] = {{2, 0, 0}, {3, 2, 1}, {3, 3, 2}, {9, 9, 2}};
    for (const SCase& c : cases)
    {
        a->m_nGroupCounts[0] = c.transport;
        a->m_nGroupCounts[1] = c.hunters;
        EXPECT_EQ(a->ChooseGroupKind(), c.kind) << c.transport << "/" << c.hunters;
    }

    // Sizes 1 and 2 always plan one member; 9 plans at most 5.
    for (std::uint32_t m : {0u, 1u, 2u, 9u})
    {
        a->m_Clan.m_nMaxSize[1] = m;
        for (int i = 0; i < 20; ++i)
        {
            a->StartGroupConstruct(1);
            EXPECT_EQ(a->m_Construct.m_bIdle, 0);
            if (m <= 2)
            {
                EXPECT_EQ(a->m_Construct.m_nPlanned, 1u);
            }
            EXPECT_GE(a->m_Construct.m_nPlanned, 1u);
            EXPECT_LE(a->m_Construct.m_nPlanned, 5u);
            EXPECT_EQ(a->m_Construct.m_nConfigCount, a->m_Construct.m_nPlanned);
        }
    }
    // An unknown configuration becomes configuration 0, with its line.
    std::strcpy(a->m_Clan.m_Configs[2][0], "CFG_NOWHERE");
    a->m_Clan.m_nConfigs[2] = 1;
    a->StartGroupConstruct(2);
    EXPECT_EQ(a->m_Construct.m_nConfigs[0], 0u);
    EXPECT_NE(Tree().ErrorLog().find("configuration 'CFG_NOWHERE' not found. Replaced to Default."),
              std::string::npos);
    // The player's organisation draws none.
    auto p = Make("ORG_PLAYER");
    p->m_Clan.m_nMaxSize[0] = 4;
    p->StartGroupConstruct(0);
    EXPECT_EQ(p->m_Construct.m_nConfigCount, 0u);
}

TEST_F(Organization, MembersEnteringAndStayingInBuildings)
{
    Members("CLAN_A", 0, 1);
    Members("CLAN_B", 1, 0);
    m_World.CaptureBuilding("CLAN_B", "B_CLAN_B");
    g_pfnBuildingCluster = [](const char*) { return 2; };
    auto a = Make("CLAN_A");
    CMech* m = m_World.m_Mechs[0];
    m->m_bInCluster = 0;
    m->m_bDead = 1;
    a->OnMechBuilding(m, "B_CLAN_B"); // another clan's building
    EXPECT_EQ(m->m_fComebackTimer, 600.0f);
    EXPECT_STREQ(m->m_szBuilding, "B_CLAN_B");
    m->m_fComebackTimer = 0.0f;
    a->OnMechBuilding(m, "B_FREE");
    EXPECT_EQ(m->m_fComebackTimer, 30.0f);

    // One of two places taken: the building becomes the base; both: captured.
    m->m_bDead = 0;
    m->m_bInCluster = 1;
    a->OnMechStay(m);
    EXPECT_STREQ(a->m_szBase, "B_FREE");
    EXPECT_EQ(m_World.FindBuilding("B_FREE"), nullptr);
    CMech* second = m_World.AddMech("A2");
    std::strcpy(second->m_szOrg, "CLAN_A");
    std::strcpy(second->m_szBuilding, "B_FREE");
    second->m_bInCluster = second->m_bInBuilding = 1;
    a->OnMechStay(second);
    ASSERT_NE(m_World.FindBuilding("B_FREE"), nullptr);
    EXPECT_STREQ(m_World.FindBuilding("B_FREE")->owner, "CLAN_A");
    g_pfnBuildingCluster = nullptr;
}

namespace
{
class CBuildingEvents : public IMMAppEvent
{
public:
    void CaptureBuilding(const char* org, const char* building) override
    {
        m_Calls.push_back(std::string("capture ") + org + " " + building);
    }
    void LeaveBuilding(const char* org, const char* building) override
    {
        m_Calls.push_back(std::string("leave ") + org + " " + building);
    }
    std::vector<std::string> m_Calls;
};
} // namespace

TEST_F(Organization, AsTheWorldsOrganisation)
{
    // Bound to its location record, which gives the clan configuration.
    SOrgData data{};
    std::strcpy(data.name, "CLAN_A");
    data.values[0] = 0.25f;
    data.values[1] = 0.5f;
    data.more[0] = 4;
    data.more[2] = 2; // hunters' 0 counts as 1
    data.rest[0] = 1; // fixed base
    std::strcpy(data.attack[0], "CFG_HUNT");
    data.attackCount = 1;
    std::strcpy(data.trade[1], "CFG_TWO");
    data.tradeCount = 2;
    auto a = Make("CLAN_A");
    a->Bind(&data);
    EXPECT_EQ(a->GetData(), &data);
    EXPECT_EQ(a->m_Clan.m_bFixedBase, 1);
    EXPECT_EQ(a->m_Clan.m_bImmortal, 0);
    EXPECT_FLOAT_EQ(a->m_Clan.m_fHunterShare, 0.5f);
    EXPECT_EQ(a->m_Clan.m_nMaxSize[0], 4u);
    EXPECT_EQ(a->m_Clan.m_nMaxSize[1], 1u);
    EXPECT_EQ(a->m_Clan.m_nConfigs[0], 2u);
    EXPECT_STREQ(a->m_Clan.m_Configs[0][1], "CFG_TWO");
    EXPECT_STREQ(a->m_Clan.m_Configs[1][0], "CFG_HUNT");
    EXPECT_EQ(a->m_Clan.m_nConfigs[2], 0u);

    // Conviction: funds x 0.01 / (members + 0.01) at least 9 (one member).
    Members("CLAN_A", 1, 0);
    a->UpdateMechInfo();
    struct SCase
    {
        float money;
        bool convicts, rich;
    } cases[] = {{920.0f, true, true}, {900.0f, false, false}, {0.0f, false, false}};
    for (const SCase& c : cases)
    {
        a->SetFunds(c.money);
        EXPECT_EQ(a->CanConvict(), c.convicts) << c.money;
        EXPECT_EQ(a->IsRich(), c.rich) << c.money;
    }
    // It pays the mech's conviction price of mode 3 (a tenth).
    CMech* other = m_World.AddMech("OTHER");
    std::strcpy(other->m_szOrg, "CLAN_B");
    other->m_fLevel = 1.0f;
    a->SetFunds(5000.0);
    a->OnConvicted(other);
    EXPECT_DOUBLE_EQ(a->GetFunds(), 5000.0 - double(other->GetConvictPrice(3, true)));
    EXPECT_LT(a->GetFunds(), 5000.0);

    // Buildings taken and lost are reported; a capture stops the death
    // timer.
    CBuildingEvents events;
    g_pAppEvent = &events;
    a->m_fDeathTimer = 180.0f;
    m_World.m_Organizations.push_back(std::move(a));
    auto* org = static_cast<COrganization*>(m_World.m_Organizations.back().get());
    m_World.CaptureBuilding("CLAN_A", "HALL");
    EXPECT_EQ(org->m_fDeathTimer, 0.0f);
    CMech* guard = m_World.m_Mechs[0];
    guard->m_bInBuilding = guard->m_bInCluster = 1;
    std::strcpy(guard->m_szBuilding, "HALL");
    m_World.MechLeaveCluster(guard->m_szId);
    EXPECT_EQ(events.m_Calls, (std::vector<std::string>{"capture CLAN_A HALL", "leave CLAN_A HALL"}));

    // A dead member waiting in the building of a clan that keeps a fixed
    // base comes back in 30 s, not 600.
    auto b = Make("CLAN_B");
    m_World.CaptureBuilding("CLAN_A", "HALL");
    other->m_bDead = 1;
    other->m_fComebackTimer = 0.0f;
    b->OnMechBuilding(other, "HALL");
    EXPECT_EQ(other->m_fComebackTimer, 30.0f);
    g_pAppEvent = nullptr;
    m_World.m_Organizations.clear();
}
