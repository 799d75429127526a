// Ten game days of the sample world with the merchants' caravan between the
// hall and the depot: it buys at both ends and unloads at the other, and
// the goods and the money add up. Goods are moved by the caravan and the
// world's other groups; the buildings' hourly consumption and production are
// the one source and sink (a ledger around the trade's hourly run books what
// they change) besides the holds of members a clan keeps in its base (their
// mechanoids go, and the goods with them), and the
// clans' money changes only in the hour, by the income of the buildings
// they own. Run by the ctest entry society.sample_trade with
// TARVOX_SAMPLE_DIR set.
#include "common/SampleTree.h"
#include "common/LogDirTest.h"
#include "world/SampleEngine.h"
#include "world/WorldTestScene.h"

#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "platform/File.h"
#include "society/EqpTrade.h"
#include "society/GroupAIKinds.h"
#include "society/GroupMaker.h"
#include "society/MMTrade.h"
#include "society/MechGroup.h"
#include "society/WorldMechanoid.h"
#include "units/Garbage.h"
#include "units/KindManagers.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

class SampleTrade : public testutil::CLogDirTest
{
};

namespace
{
using Totals = std::map<std::string, double>;

// Mass of each good in the buildings' stocks.
Totals Stocks(CMMTrade& trade)
{
    Totals t;
    for (std::uint32_t i = 0; i < trade.m_nCount; ++i)
        for (const STradeGood& g : trade.m_Buildings[i].m_Goods)
            t[g.m_szName] += g.m_fStock;
    return t;
}

// Stocks plus the goods in every group member's hold, by the unit mass the
// trade knows.
Totals Everything(CMMTrade& trade)
{
    Totals t = Stocks(trade);
    for (const CMechGroup2* g : g_MechGroupList2.m_Groups)
        for (int i = 0; g && i < g->GetMemberCount(); ++i)
            if (const CMechanoid* m = GetMechMechanoid(g->GetMember(i)))
                for (const SItemRec& item : m->m_Garbage.m_Items)
                {
                    if (item.m_nKind != ITEM_GOODS) continue;
                    const std::string name(item.m_szName, strnlen(item.m_szName, 32));
                    const STradeGood* good = trade.m_Buildings[0].FindGood(name.c_str());
                    t[name] += double(item.m_nCount) * (good ? good->m_fUnitMass : 1.0f);
                }
    return t;
}

// The goods in one mech's hold, by the unit mass the trade knows.
Totals Hold(CMMTrade& trade, const CMech* mech)
{
    Totals t;
    if (const CMechanoid* m = GetMechMechanoid(mech))
        for (const SItemRec& item : m->m_Garbage.m_Items)
        {
            if (item.m_nKind != ITEM_GOODS) continue;
            const std::string name(item.m_szName, strnlen(item.m_szName, 32));
            const STradeGood* good = trade.m_Buildings[0].FindGood(name.c_str());
            t[name] += double(item.m_nCount) * (good ? good->m_fUnitMass : 1.0f);
        }
    return t;
}

// The trade with a ledger of what the hourly run changes; each change is of
// a kind the rules allow: a building consumes only what it buys and makes
// only what it sells.
class CLedgerTrade : public CMMTrade
{
public:
    void RunEachHour() override
    {
        std::vector<std::vector<STradeGood>> before;
        for (std::uint32_t i = 0; i < m_nCount; ++i)
            before.push_back(m_Buildings[i].m_Goods);
        const Totals t0 = Stocks(*this);
        CMMTrade::RunEachHour();
        for (const auto& [name, mass] : Stocks(*this))
            m_Ruled[name] += mass - t0.at(name);
        for (std::uint32_t i = 0; i < m_nCount; ++i)
            for (std::size_t k = 0; k < before[i].size(); ++k)
            {
                const STradeGood& was = before[i][k];
                const STradeGood& is = m_Buildings[i].m_Goods[k];
                const char* where = m_Buildings[i].m_szName;
                if (is.m_fStock < was.m_fStock)
                {
                    EXPECT_GT(was.m_fBuyPrice, 0.0f) << where << " " << is.m_szName;
                }
                if (is.m_fStock > was.m_fStock)
                {
                    EXPECT_GT(was.m_fSellPrice, 0.0f) << where << " " << is.m_szName;
                }
            }
        ++m_nHours;
    }

    Totals m_Ruled;
    int m_nHours = 0;
};
} // namespace

TEST_F(SampleTrade, TheCaravanTradesAtBothEndsForTenDaysAndGoodsAndMoneyAddUp)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    {
        worldtest::CScene scene;
        CMMEngine engine;
        ASSERT_TRUE(worldtest::StartSampleEngine(
            engine, {RegisterUnitManagers, RegisterTradeClasses, RegisterGroupMaker}));
        g_Random.SetState(31);
        engine.LoadWorld("sample.loc");
        ASSERT_NE(g_pWorld, nullptr);
        CPlayerMech player;
        g_pWorld->SetPlayerMech(&player);
        g_pWorld->GenerateWorld(true);
        const std::int32_t radius = g_Settings.VisibleRadius;
        g_Settings.VisibleRadius = 10; // far away: every group travels assembled

        auto* loaded = dynamic_cast<CMMTrade*>(g_pTrade);
        ASSERT_NE(loaded, nullptr);
        CLedgerTrade ledger;
        static_cast<CMMTrade&>(ledger) = *loaded;
        g_pTrade = &ledger;
        SExBuildingTrade* hall = ledger.FindBuilding("SAMPLE_HALL");
        SExBuildingTrade* depot = ledger.FindBuilding("SAMPLE_DEPOT");
        ASSERT_NE(hall, nullptr);
        ASSERT_NE(depot, nullptr);
        ASSERT_GE(g_RoadManager.FindRoadNode("SAMPLE_DEPOT"), 0);
        ASSERT_TRUE(CheckPathAdvisability("SAMPLE_HALL", "SAMPLE_DEPOT"));

        auto* caravan = new CMechGroup2;
        std::strcpy(caravan->m_szName, "CARAVAN");
        caravan->InitGroup("ORG_MERCHANTS");
        for (const char* id : {"TRADER_A", "TRADER_B"})
        {
            CMech* m = g_pWorld->AddMech(id);
            auto* mechanoid = new CWorldMechanoid;
            mechanoid->InitConfig("MECH_LIGHT");
            m->m_pMechanoid = mechanoid;
            m->m_bAssigned = 1;
            caravan->AddMech(m);
        }
        caravan->SetAI(0);
        auto* ai = dynamic_cast<CTransGroupAI*>(caravan->GetGroupAI());
        ASSERT_NE(ai, nullptr);
        ai->SetRoute("SAMPLE_HALL", "SAMPLE_DEPOT", true);
        ASSERT_GE(ai->m_Route.size(), 2u);
        ai->Move();
        g_MechGroupList2.AddGroup(caravan);

        const Totals start = Everything(ledger);
        // The stocks the caravan moves: what each end sells and the other
        // buys. A change outside the hour is the caravan's.
        struct SWatch
        {
            const char* building;
            const char* good;
            float last = 0.0f;
            bool fell = false, rose = false;
        };
        SWatch watches[] = {{"SAMPLE_HALL", "TOV_FOOD"},
                            {"SAMPLE_DEPOT", "TOV_FOOD"},
                            {"SAMPLE_DEPOT", "TOV_ORE"},
                            {"SAMPLE_HALL", "TOV_ORE"}};
        auto stock = [&ledger](const SWatch& w)
        { return ledger.FindBuilding(w.building)->FindGood(w.good)->m_fStock; };
        for (SWatch& w : watches)
            w.last = stock(w);
        Totals gone;
        int hallVisits = 0, depotVisits = 0;
        bool wasIn = false;
        const float tenDays = 10 * 24 * 120.0f;
        for (float t = 0.0f; t < tenDays; t += 1.0f)
        {
            const int hours = ledger.m_nHours;
            // A clan's money changes only in the hour: for each building it
            // owns then (it may have given one up just before), a little is
            // spent and the building's income, as it stood, earned.
            std::map<std::string, float> before, income;
            for (const auto& o : g_pWorld->m_Organizations)
                before[o->GetName()] = float(o->GetFunds());
            for (std::uint32_t i = 0; i < ledger.m_nCount; ++i)
                income[ledger.m_Buildings[i].m_szName] =
                    ledger.GetBuildingIncome(ledger.m_Buildings[i].m_szName);
            // A member a clan keeps in its base leaves its mechanoid, and the
            // hold goes with it: that is the only other way goods leave.
            std::map<const CMech*, Totals> holds;
            for (const CMech* m : g_pWorld->m_Mechs)
                holds[m] = Hold(ledger, m);
            g_pWorld->RunWorld(1.0f);
            for (const CMech* m : g_pWorld->m_Mechs)
                if (!GetMechMechanoid(m) && holds.count(m))
                    for (const auto& [name, mass] : holds[m])
                        gone[name] += mass;
            for (const auto& o : g_pWorld->m_Organizations)
            {
                float m = before[o->GetName()];
                for (std::int32_t i = 0; i < g_pWorld->m_nBuildings && ledger.m_nHours != hours; ++i)
                    if (std::strcmp(g_pWorld->m_Buildings[i].owner, o->GetName()) == 0)
                        m = m / ((1.0f + std::fabs(m) * 0.0000000001f) * 1.05f) +
                            income[g_pWorld->m_Buildings[i].name];
                ASSERT_FLOAT_EQ(float(o->GetFunds()), m) << o->GetName() << " at " << t;
            }
            const bool in = caravan->m_bInBuilding != 0;
            if (in && !wasIn)
                ++(std::strcmp(caravan->m_szBuilding, "SAMPLE_HALL") == 0 ? hallVisits : depotVisits);
            wasIn = in;
            for (SWatch& w : watches)
            {
                const float now = stock(w);
                if (ledger.m_nHours == hours)
                {
                    w.fell = w.fell || now < w.last;
                    w.rose = w.rose || now > w.last;
                }
                w.last = now;
            }
        }
        EXPECT_EQ(ledger.m_nHours, 240);
        EXPECT_GE(hallVisits, 2);
        EXPECT_GE(depotVisits, 2);
        // Food bought at the hall and unloaded at the depot; ore the other way.
        EXPECT_TRUE(watches[0].fell && watches[1].rose) << "no food carried to the depot";
        EXPECT_TRUE(watches[2].fell && watches[3].rose) << "no ore carried to the hall";

        // Nothing made or lost but by the hourly rules and the kept members.
        const Totals end = Everything(ledger);
        for (const auto& [name, mass] : end)
        {
            const double expected = (start.count(name) ? start.at(name) : 0.0) +
                                    (ledger.m_Ruled.count(name) ? ledger.m_Ruled.at(name) : 0.0) -
                                    (gone.count(name) ? gone.at(name) : 0.0);
            EXPECT_NEAR(mass, expected, 1e-3 * std::max(1.0, std::fabs(expected))) << name;
        }
        EXPECT_EQ(end.size(), start.size());

        g_pTrade = loaded;
        g_Settings.VisibleRadius = radius;
        UnregisterGroupMaker();
        g_pWorld->SetPlayerMech(nullptr);
        g_ResourceDB.Done();
    }
}
