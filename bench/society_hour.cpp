// One game hour of the world's society: 120 s of group frames (assembled
// groups travelling a road grid, entering and trading in buildings), then
// every organisation's hourly run and the goods trade's hourly step, with
// 60 trading buildings and 20 organisations. The argument is the number of
// groups (three members each, caravans, hunters and people in turn); the
// complexity fit tells how an hour grows with it.
//
// On the one map more groups are also more neighbours per group: on each
// spying pass a group judges, with both war powers, every group of its table
// (those within 1.5 km, up to 40), so the judgements per group and hour go
// from about 1,030 at 100 groups to 2,050 at 800, and an hour grows faster
// than N log N until the tables fill near 400 groups. A run of the list
// takes each judged group's war power once until something may change it
// (about 0.6 computations per group and frame at 100 and at 800 groups),
// but at 800 each of them took about twice as long as at 100 when measured:
// the groups and their mechanoids no longer fit in the caches.
//
// Counted with callgrind over one hour (a 512 KB second-level cache
// simulated): from 100 to 800 groups the instructions per group grow by
// about a tenth (the judgements, about 130 instructions each with a kept war
// power), the misses of that cache per group about fivefold. With the
// setting up counted too (cachegrind, the same cache) they go from 5,500 to
// 27,000 per group (28,000 while what spying reads of a group record lay on
// two or three of its lines); while a war power still read the mechanoids'
// six slot items they went from 17,000 to 60,000. About half of them are war
// powers taken: each reads some 6 lines of each of the three mechanoids (the
// head with the slot items' values, one or two of device states, two of
// configuration keys) and one of each member's record, and a group's is
// taken anew every frame in which it is judged, as many times per group at
// 800 groups as at 100. The rest are the groups' and their AIs' own records,
// read on every run and by every neighbour's judgement; the list, the spying
// and the grid's walk ask for those a little ahead (which cachegrind does
// not count).
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "society/GroupAIKinds.h"
#include "society/MMTrade.h"
#include "society/MechGroup.h"
#include "society/OrgManager.h"
#include "society/Organization.h"
#include "society/WorldMechanoid.h"
#include "units/BuildingObject.h"
#include "world/KindManagers.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kSide = 20;        // 400 road nodes, 300 apart
constexpr int kBuildings = 60;   // every sixth node and so on
constexpr int kOrganisations = 20;
constexpr float kFar = 100000.0f; // far from the viewer: groups stay assembled
const char* const kGoods[] = {"TOV_ORE", "TOV_FOOD", "TOV_GEMS", "TOV_CHIP"};

void SetTables()
{
    g_GoodsManager.m_Names.Init(8, 256);
    g_GoodsManager.m_Goods.clear();
    float price = 10.0f;
    for (const char* name : kGoods)
    {
        g_GoodsManager.m_Names.Add(name);
        SGoodsParameters p;
        p.m_fMass = 1.0f;
        p.m_fPrice = price;
        price *= 2.0f;
        g_GoodsManager.m_Goods.push_back(p);
    }
    g_GoodsManager.m_nCount = std::int32_t(g_GoodsManager.m_Goods.size());
    SGliderParameters glider;
    glider.m_fMaxWeight = 40.0f;
    g_GliderManager.m_Types = {glider};
}

struct SSociety
{
    CWorld world;
    CMMTrade trade;
    COrgManager orgs;
    std::vector<std::unique_ptr<COrganization>> organisations;

    explicit SSociety(int groups)
    {
        g_Random.SetState(99);
        SetTables();
        g_pWorld = &world;
        g_pTrade = &trade;
        g_pfnTradeBuildingType = [](const char*) { return 0; };
        g_RoadManager.m_Nodes.assign(std::size_t(kSide * kSide), CRoadManager::SNode{});
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
            {
                const int i = y * kSide + x;
                CRoadManager::SNode& n = g_RoadManager.m_Nodes[std::size_t(i)];
                n.id = i;
                n.position = CVector{kFar + 300.0f * float(x), kFar + 300.0f * float(y), 0.0f};
                if (x > 0) n.links[n.linkCount++] = i - 1;
                if (x + 1 < kSide) n.links[n.linkCount++] = i + 1;
                if (y > 0) n.links[n.linkCount++] = i - kSide;
                if (y + 1 < kSide) n.links[n.linkCount++] = i + kSide;
            }
        world.m_PathFinder.Init(&g_RoadManager);
        for (int b = 0; b < kBuildings; ++b)
        {
            CRoadManager::SNode& n = g_RoadManager.m_Nodes[std::size_t(b * (kSide * kSide) / kBuildings)];
            std::snprintf(n.name, sizeof n.name, "B%02d", b);
            auto* object = new CBuildingObject;
            std::snprintf(object->m_szGameId, sizeof object->m_szGameId, "%s", n.name);
            object->SetPosition(n.position);
            g_ObjectList.AddObject(object);
            world.m_BuildingObjects.push_back(object);
            SExBuildingTrade* t = trade.AddBuilding(n.name);
            // Each building makes one good and wants another.
            t->AddGood(kGoods[b % 4], 200, 2);
            t->AddGood(kGoods[(b + 1) % 4], 5, 1);
        }
        std::vector<std::string> names;
        for (int o = 0; o < kOrganisations; ++o)
        {
            char name[24]; // "CLAN_" and any int
            std::snprintf(name, sizeof name, "CLAN_%d", o);
            names.emplace_back(name);
        }
        std::vector<const char*> pointers;
        for (const std::string& s : names)
            pointers.push_back(s.c_str());
        orgs.SetTable(pointers, std::vector<SOrgRecord>(std::size_t(kOrganisations)));
        for (const std::string& s : names)
            organisations.emplace_back(orgs.CreateOrganization(s.c_str()));

        auto* player = new CPlayerMechGroup2;
        player->InitGroup("ORG_PLAYER");
        g_pPlayerGroup = player;
        g_MechGroupList2.AddGroup(player);
        for (int i = 0; i < groups; ++i)
        {
            const std::string org = names[std::size_t(i % kOrganisations)];
            auto* g = new CMechGroup2;
            std::snprintf(g->m_szName, sizeof g->m_szName, "G%d", i);
            g->InitGroup(org.c_str());
            for (int m = 0; m < 3; ++m)
            {
                char id[32];
                std::snprintf(id, sizeof id, "M%d_%d", i, m);
                CMech* mech = world.AddMech(id);
                std::snprintf(mech->m_szOrg, sizeof mech->m_szOrg, "%s", org.c_str());
                auto* mechanoid = new CWorldMechanoid;
                mechanoid->m_Mechanoid.m_gEqp.m_Config[0].m_Key = STypeKey(0);
                mech->m_pMechanoid = mechanoid;
                mech->m_bAssigned = 1;
                g->AddMech(mech);
            }
            g->SetAI(i % 3);
            CGroupAI* ai = g->GetGroupAI();
            const int from = i % kBuildings, to = (i * 7 + 3) % kBuildings;
            char a[32], b[32];
            std::snprintf(a, sizeof a, "B%02d", from);
            std::snprintf(b, sizeof b, "B%02d", to);
            if (auto* t = dynamic_cast<CTransGroupAI*>(ai)) t->SetRoute(a, b, true);
            if (auto* h = dynamic_cast<CHunterGroupAI*>(ai)) h->FindRoute(a, 1500.0f);
            if (ai->m_nCurrentRoad < 0) ai->SetCurrentRoad((i * 13) % (kSide * kSide));
            g->m_vCentre = g_RoadManager.m_Nodes[std::size_t(std::max(ai->m_nCurrentRoad, 0))].position;
            ai->Move();
            g_MechGroupList2.AddGroup(g);
        }
    }
    ~SSociety()
    {
        g_MechGroupList2.Clear();
        delete g_pPlayerGroup;
        g_pPlayerGroup = nullptr;
        world.m_BuildingObjects.clear();
        g_ObjectList.Clear();
        g_RoadManager.m_Nodes.clear();
        g_pTrade = nullptr;
        g_pfnTradeBuildingType = nullptr;
        g_pWorld = nullptr;
    }
    void Hour()
    {
        for (int frame = 0; frame < 1200; ++frame)
            g_MechGroupList2.Run(0.1f);
        for (auto& o : organisations)
            o->Run(120.0f);
        trade.RunEachHour();
    }
    // The state the hour leaves: every group with its AI and relations,
    // the organisations, the goods trade and the generator, as saved.
    std::uint64_t Checksum()
    {
        std::uint64_t h = 1469598103934665603ull;
        auto add = [&h](const CMemStream& s)
        {
            for (std::uint32_t i = 0; i < s.m_nPosition; ++i)
                h = (h ^ s.m_pData[i]) * 1099511628211ull;
        };
        CMemStream groups;
        g_MechGroupList2.SaveToStream(groups);
        add(groups);
        for (auto& o : organisations)
        {
            CMemStream s;
            o->SaveToStream(s);
            add(s);
        }
        CMemStream goods;
        trade.SaveToStream(goods);
        add(goods);
        return (h ^ g_Random.GetState()) * 1099511628211ull;
    }
};

void BM_SocietyHour(benchmark::State& state)
{
    const int groups = int(state.range(0));
    // The same decisions leave the same state: two hours of a society of
    // its own, before the one timed.
    if (std::getenv("TVX_CHECKSUM"))
    {
        SSociety society(groups);
        society.Hour();
        society.Hour();
        std::fprintf(stderr, "checksum %d %016llx\n", groups, (unsigned long long)society.Checksum());
    }
    SSociety society(groups);
    for (auto _ : state)
        society.Hour();
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SocietyHour)
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Arg(800)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
} // namespace

BENCHMARK_MAIN();
