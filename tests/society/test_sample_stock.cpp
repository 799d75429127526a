// The sample data tree's configurations and the sample building's
// equipment stock, read through the world engine as the game reads them.
// Run by the ctest entry society.sample_stock with TARVOX_SAMPLE_DIR set.
#include "common/SampleTree.h"
#include "common/LogDirTest.h"
#include "world/SampleEngine.h"
#include "world/WorldTestScene.h"

#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "society/EqpTrade.h"
#include "society/MMTrade.h"
#include "society/OrgManager.h"
#include "society/Organization.h"
#include "units/KindManagers.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

class SampleStock : public testutil::CLogDirTest
{
};

TEST_F(SampleStock, ConfigurationsAndTheSampleBuildingsStock)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    {
        worldtest::CScene scene;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(engine, {RegisterUnitManagers, RegisterTradeClasses}));

        // The sample groups' two, the patrol's, the player's and the new
        // game's start ("CFG_STARTUP").
        ASSERT_EQ(g_MechConfigManager.GetCount(), 5);
        const SMechanoidEquipment* light =
            g_MechConfigManager.GetConfig(g_MechConfigManager.FindName("MECH_LIGHT"));
        ASSERT_NE(light, nullptr);
        EXPECT_EQ(light->m_nEquipmentCount, 2);
        EXPECT_EQ(light->m_nMissileTypeCount, 2);
        // Its row is deleted.
        EXPECT_EQ(
            g_MechConfigManager.GetConfig(g_MechConfigManager.FindName("MECH_TRADER"))->m_nEquipmentCount, 0);
        CMechanoid m;
        m.InitConfig(g_MechConfigManager.FindName("MECH_LIGHT"), false);
        EXPECT_EQ(m.m_GliderData.GetIndex(), g_GliderManager.FindName("GL_SCOUT"));
        EXPECT_EQ(m.m_nAddCount, 2);
        EXPECT_EQ(m.m_nMissileCount, 2u);

        engine.LoadWorld("sample.loc");
        ASSERT_NE(g_pWorld, nullptr);
        auto* stock = dynamic_cast<CEqpTrade*>(g_pWorld->m_pEqpTrade);
        ASSERT_NE(stock, nullptr);
        std::vector<SEqpConsoleItem> list;
        ASSERT_EQ(stock->GetEqpList("SAMPLE_HALL", list), 10);
        // Priced from the tables as the stock was written.
        for (const SEqpConsoleItem& item : list)
        {
            const SEqpItem* kept = CEqpTrade::Find(stock->m_Common, item.m_szName, item.m_dwModif);
            if (!kept)
                kept = CEqpTrade::Find(stock->FindBuilding("SAMPLE_HALL")->m_Items, item.m_szName,
                                       item.m_dwModif);
            ASSERT_NE(kept, nullptr);
            EXPECT_FLOAT_EQ(item.m_fPrice, kept->m_fPrice) << item.m_szName;
        }
        // A displaced item goes back to the building's stock.
        EXPECT_FLOAT_EQ(m.AddToConfig("REACTOR_SMALL", "SAMPLE_HALL", 1, 0x3001, true),
                        0.0f); // the second reactor
        EXPECT_FLOAT_EQ(m.AddToConfig("GL_HAULER", "SAMPLE_HALL", 1, 0, true), 6000.0f + 4000.0f + 1200.0f);
        EXPECT_EQ(
            CEqpTrade::Find(stock->FindBuilding("SAMPLE_HALL")->m_Items, "REACTOR_SMALL", 0x3001)->m_nCount,
            2);
        // Every game hour restocks it: a rate of 120 brings one each hour,
        // and one in eight hours takes one away.
        SEqpItem* launcher =
            CEqpTrade::Find(stock->FindBuilding("SAMPLE_HALL")->m_Items, "GUN_ROCKET_LAUNCHER", 0);
        ASSERT_NE(launcher, nullptr);
        launcher->m_fRate = 120.0f;
        const std::int32_t before = launcher->m_nCount;
        g_Random.SetState(7);
        g_pWorld->SimulateTime(24 * 120.0f);
        EXPECT_GE(launcher->m_nCount, before + 12);
        EXPECT_LE(launcher->m_nCount, before + 24);
        g_pWorld->DoneWorld();
        EXPECT_EQ(ReadText("error.log"), "");
        engine.Done();
        g_ResourceDB.Done();
    }
}

TEST_F(SampleStock, TheSampleBuildingsGoodsAndTheOrganisations)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    {
        worldtest::CScene scene;
        ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
        CMMEngine engine;
        RegisterUnitManagers();
        RegisterTradeClasses();
        engine.MMInit();
        IOrgManager* orgs = engine.m_pOrgManager;
        ASSERT_NE(orgs, nullptr);
        ASSERT_EQ(orgs->GetOrgCount(), 4);
        const std::int32_t sample = orgs->FindByName("ORG_SAMPLE");
        const std::int32_t merchants = orgs->FindByName("ORG_MERCHANTS");
        ASSERT_GE(sample, 0);
        ASSERT_GE(merchants, 0);
        EXPECT_FLOAT_EQ(orgs->GetRecord(sample)->m_fVolatility, 1.5f);
        EXPECT_FLOAT_EQ(orgs->GetRecord(merchants)->m_fHelpfulness, 0.8f);
        orgs->InitRelations();
        const float r = orgs->GetRelation(sample, merchants, false);
        EXPECT_TRUE(r >= -0.45f && r < -0.35f) << r;

        g_Random.SetState(11);
        engine.LoadWorld("sample.loc");
        ASSERT_NE(g_pTrade, nullptr);
        SExBuildingTrade* hall = g_pTrade->FindBuilding("SAMPLE_HALL");
        ASSERT_NE(hall, nullptr);
        ASSERT_EQ(hall->m_Goods.size(), 2u);
        const STradeGood* food = hall->FindGood("TOV_FOOD");
        ASSERT_NE(food, nullptr);
        EXPECT_FLOAT_EQ(food->m_fSellPrice, 40.0f);
        EXPECT_GE(food->m_fStock, 8000.0f); // drawn as the location loads
        EXPECT_EQ(food->m_bNative, 1);
        float price = 0.0f;
        ASSERT_TRUE(hall->GetBuyPrice("TOV_FOOD", 1, &price, 0));
        EXPECT_FLOAT_EQ(price, 40.0f * std::exp(100.0f / (food->m_fStock + 10.0f)));
        // Each clan knows a configuration for a group of every kind: a
        // recruit is never fitted with a name the table lacks.
        for (const char* clan : {"ORG_SAMPLE", "ORG_MERCHANTS"})
        {
            std::unique_ptr<IWorldOrganization> made(orgs->CreateOrganization(clan));
            auto* org = dynamic_cast<COrganization*>(made.get());
            ASSERT_NE(org, nullptr) << clan;
            for (SOrgData& data : g_pWorld->m_OrgData)
                if (std::strcmp(data.name, clan) == 0) org->Bind(&data);
            ASSERT_NE(org->GetData(), nullptr) << clan;
            for (std::uint32_t kind = 0; kind < 3; ++kind)
                org->StartGroupConstruct(kind);
        }
        g_pWorld->DoneWorld();
        EXPECT_EQ(ReadText("error.log"), "");
        engine.Done();
        g_ResourceDB.Done();
    }
}
