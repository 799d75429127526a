// The sample world with its real organisations: generated from the sample
// location's records, run for a game day, saved and loaded back. Run by the
// ctest entry society.sample_stock with TARVOX_SAMPLE_DIR set.
#include "common/SampleTree.h"
#include "common/LogDirTest.h"
#include "world/SampleEngine.h"
#include "world/WorldTestScene.h"

#include "foundation/FileManager.h"
#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "society/EqpTrade.h"
#include "society/GroupAI.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "society/MMTrade.h"
#include "society/Organization.h"
#include "society/OrgManager.h"
#include "society/WorldMechanoid.h"
#include "units/BuildingObject.h"
#include "units/KindManagers.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

class SampleSociety : public testutil::CLogDirTest
{
};

namespace
{
COrganization* Org(const char* name)
{
    return dynamic_cast<COrganization*>(g_pWorld->FindOrganization(name));
}

std::vector<CMech*> Members(const char* org)
{
    std::vector<CMech*> out;
    for (CMech* m : g_pWorld->m_Mechs)
        if (std::strcmp(m->m_szOrg, org) == 0) out.push_back(m);
    return out;
}
} // namespace

TEST_F(SampleSociety, TheSampleWorldRunsADayWithItsOrganisations)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    // The recruits' group sizes are drawn: one generator state for them.
    g_Random.SetState(1);
    ASSERT_TRUE(sample.Entered());
    const bool ownFileManager = GetFileManager() == nullptr;
    if (ownFileManager) SetFileManager(new StdFileManager());
    const std::string save = (m_dir / "sample.sav").string();
    {
        worldtest::CScene scene;
        CPlayerMech player;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(
            engine, {RegisterUnitManagers, RegisterTradeClasses, RegisterGroupMaker}));
        ASSERT_EQ(g_pOrgManager, engine.m_pOrgManager);
        g_pOrgManager->InitRelations();
        engine.LoadWorld("sample.loc");
        ASSERT_NE(g_pWorld, nullptr);
        g_pWorld->SetPlayerMech(&player);
        g_pWorld->GenerateWorld(true);

        // The location's two clans, then the free pilots and the player's
        // organisation, each the organisation manager's and bound to its
        // record.
        ASSERT_EQ(g_pWorld->m_Organizations.size(), 4u);
        // The player's three configuration mechanoids (the sample names
        // none for the player: the first configuration) and the player's
        // group at the head of the groups.
        for (IWorldMechanoid* c : g_pPlayerConfigs)
        {
            auto* made = dynamic_cast<CWorldMechanoid*>(c);
            ASSERT_NE(made, nullptr);
            EXPECT_NE(made->m_Mechanoid.GetConfigGlider(), nullptr);
        }
        ASSERT_NE(g_pPlayerGroup, nullptr);
        EXPECT_EQ(g_MechGroupList2.GetGroup(0), g_pPlayerGroup);
        EXPECT_EQ(player.m_pGroup, g_pPlayerGroup);
        const char* names[] = {"ORG_SAMPLE", "ORG_MERCHANTS", "ORG_FREE", "ORG_PLAYER"};
        for (std::size_t i = 0; i < 4; ++i)
        {
            auto* o = dynamic_cast<COrganization*>(g_pWorld->m_Organizations[i].get());
            ASSERT_NE(o, nullptr) << i;
            EXPECT_STREQ(o->GetName(), names[i]);
            EXPECT_EQ(o->GetData(), &g_pWorld->m_OrgData[i]);
            EXPECT_EQ(o->GetIndex(), g_pOrgManager->FindByName(names[i]));
        }
        COrganization* merchants = Org("ORG_MERCHANTS");
        COrganization* sample = Org("ORG_SAMPLE");
        EXPECT_FLOAT_EQ(merchants->m_Clan.m_fTransportShare, 0.6f);
        EXPECT_STREQ(sample->m_Clan.m_Configs[1][0], "MECH_LIGHT");
        EXPECT_EQ(merchants->GetColour(), 0x2040FFu);

        // The hall holds mechs: its state set; one merchant garrisons it
        // (its kind's cluster is 1), the other two are free members.
        // The hall, the depot, the garage and the east tunnel.
        ASSERT_EQ(g_pWorld->m_BuildingObjects.size(), 4u);
        auto* hall = static_cast<CBuildingObject*>(g_pWorld->m_BuildingObjects[0]);
        EXPECT_STREQ(hall->m_szGameId, "SAMPLE_HALL");
        EXPECT_EQ(hall->m_bWorldFlags[2], 1);
        EXPECT_FLOAT_EQ(hall->m_fWorldValues[0], 100.0f);
        ASSERT_EQ(g_pWorld->m_Mechs.size(), 1u + 4u + 3u);
        const std::vector<CMech*> traders = Members("ORG_MERCHANTS");
        ASSERT_EQ(traders.size(), 3u);
        EXPECT_EQ(traders[0]->m_bInCluster, 1);
        EXPECT_STREQ(traders[0]->m_szBuilding, "SAMPLE_HALL");
        EXPECT_EQ(traders[1]->m_bInCluster + traders[2]->m_bInCluster, 0);
        EXPECT_FLOAT_EQ(merchants->m_fMoney, 3000.0f);

        SOrgStatistics stats;
        ASSERT_TRUE(g_pWorld->GetOrgStatistics("ORG_MERCHANTS", &stats));
        EXPECT_EQ(stats.counters[0], 3); // members
        EXPECT_EQ(stats.counters[4], 1); // at home
        EXPECT_EQ(stats.counters[5], 1); // garrison
        EXPECT_EQ(stats.buildings, 1);
        EXPECT_FLOAT_EQ(stats.tradeValue, g_pTrade->GetProductionValue("SAMPLE_HALL"));
        EXPECT_NEAR(stats.rating, std::sqrt(3000.0f / 3.01f * 0.01f), 1e-4f);
        // The clan and the player's organisation have members; the free
        // pilots none yet.
        ASSERT_EQ(stats.relations.size(), 2u);
        EXPECT_STREQ(stats.relations[0].name, "ORG_SAMPLE");
        EXPECT_STREQ(stats.relations[1].name, "ORG_PLAYER");
        const std::int32_t s = g_pOrgManager->FindByName("ORG_SAMPLE");
        const std::int32_t m = g_pOrgManager->FindByName("ORG_MERCHANTS");
        const std::int32_t p = g_pOrgManager->FindByName("ORG_PLAYER");
        EXPECT_FLOAT_EQ(stats.relations[0].relation, g_pOrgManager->GetRelation(m, s, false));

        // The player kills a clansman: the clan's relation to the player
        // falls by 0.1 times the pair's mean volatility (1.5 and 1.0).
        const float before = g_pOrgManager->GetRelation(s, p, false);
        Members("ORG_SAMPLE")[0]->Kill(&player);
        EXPECT_NEAR(g_pOrgManager->GetRelation(s, p, false), std::max(-1.0f, before - 0.125f), 1e-5f);

        // A game day. The members waiting in the hall are recruited into
        // groups of their clans, which pay for their mechanoids. The clan,
        // with no home and fewer than six active, dies within the day all
        // the same; the merchants keep their garrison at home and the hall,
        // and live. The free pilots and the player's organisation never die.
        const float funds = merchants->m_fMoney;
        g_pWorld->SimulateTime(24 * 120.0f);
        EXPECT_FLOAT_EQ(g_pWorld->m_fTime, 24 * 120.0f);
        EXPECT_EQ(sample->m_fDeathTimer, -1.0f);
        ASSERT_NE(g_pWorld->FindBuilding("SAMPLE_HALL"), nullptr);
        EXPECT_STREQ(g_pWorld->FindBuilding("SAMPLE_HALL")->owner, "ORG_MERCHANTS");
        EXPECT_EQ(traders[0]->m_bInCluster, 1);
        EXPECT_EQ(merchants->m_fDeathTimer, 0.0f);
        EXPECT_EQ(merchants->m_nActive, 2);
        EXPECT_GT(merchants->m_fMoney, funds); // the hall's income
        std::vector<std::string> made;
        for (int i = 1; i < g_MechGroupList2.GetCount(); ++i)
        {
            const CMechGroup2* g = g_MechGroupList2.GetGroup(i);
            made.push_back(std::string(g->m_szOrg) + " " + std::to_string(g->GetMemberCount()));
        }
        EXPECT_EQ(made, (std::vector<std::string>{"ORG_SAMPLE 2", "ORG_SAMPLE 2", "ORG_MERCHANTS 1",
                                                  "ORG_MERCHANTS 1"}));
        for (CMech* t : {traders[1], traders[2]})
        {
            EXPECT_NE(t->m_pGroup, nullptr);
            EXPECT_NE(t->m_pMechanoid, nullptr);
        }
        EXPECT_EQ(Org("ORG_FREE")->m_fDeathTimer, 0.0f);
        EXPECT_EQ(Org("ORG_PLAYER")->m_fDeathTimer, 0.0f);
        const float money = merchants->m_fMoney;

        // The organisations' own records go into the save and come back,
        // and so do the location's described groups: the same groups,
        // members, organisations, AI kinds and places on their roads.
        ASSERT_EQ(CreateLocationGroups(), 2);
        auto describe = []
        {
            std::vector<std::string> out;
            for (int i = 0; i < g_MechGroupList2.GetCount(); ++i)
            {
                const CMechGroup2* g = g_MechGroupList2.GetGroup(i);
                std::string d = std::string(g->m_szName) + " of " + g->m_szOrg;
                for (int k = 0; k < g->GetMemberCount(); ++k)
                    d += std::string(" ") + g->GetMember(k)->m_szId;
                if (const CGroupAI* ai = g->GetGroupAI())
                    d += " ai " + std::to_string(ai->m_nKind) + " road " +
                         std::to_string(ai->m_nCurrentRoad) + " of " + std::to_string(ai->m_Route.size());
                out.push_back(d);
            }
            return out;
        };
        ASSERT_TRUE(SaveWorldFile(*g_pWorld, save.c_str()));
        const std::vector<std::string> groups = describe();
        ASSERT_EQ(groups.size(), 7u);
        engine.LoadWorld("sample.loc");
        g_pWorld->SetPlayerMech(&player);
        g_pWorld->GenerateWorld(false);
        EXPECT_EQ(Org("ORG_MERCHANTS")->m_fMoney, 0.0f);
        ASSERT_TRUE(LoadWorldFile(*g_pWorld, save.c_str()));
        EXPECT_FLOAT_EQ(Org("ORG_MERCHANTS")->m_fMoney, money);
        EXPECT_EQ(Org("ORG_SAMPLE")->m_fDeathTimer, -1.0f);
        EXPECT_EQ(Org("ORG_MERCHANTS")->m_nMembers, 3);
        EXPECT_EQ(describe(), groups);
        EXPECT_EQ(player.m_pGroup, g_MechGroupList2.GetGroup(0));

        // The configuration mechanoids came back from the save.
        for (IWorldMechanoid* c : g_pPlayerConfigs)
            EXPECT_NE(dynamic_cast<CWorldMechanoid*>(c), nullptr);

        g_pWorld->DoneWorld();
        EXPECT_EQ(g_pPlayerGroup, nullptr);
        g_pWorld->SetPlayerMech(nullptr);
        EXPECT_EQ(ReadText("error.log"), "");
        UnregisterGroupMaker();
        for (IWorldMechanoid*& c : g_pPlayerConfigs)
        {
            delete c;
            c = nullptr;
        }
        engine.Done();
        g_ResourceDB.Done();
    }
    if (ownFileManager) SetFileManager(nullptr);
}
