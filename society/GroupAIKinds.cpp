#include "society/GroupAIKinds.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "society/MMTrade.h"
#include "society/MechGroup.h"
#include "units/Garbage.h"
#include "units/GliderObject.h"
#include "units/BuildingObject.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <algorithm>
#include <cstring>

namespace
{
const CRoadManager::SNode* Road(std::int32_t node)
{
    return g_RoadManager.GetRoad(node);
}

SExBuildingTrade* TradeOf(const char* building)
{
    return g_pTrade && building && IsNameSet(building) ? g_pTrade->FindBuilding(building) : nullptr;
}

void GiveGoods(CMechanoid& mechanoid, const char* name, std::int32_t count, float price)
{
    SGoodsItem item;
    CopyName(item.m_szName, name);
    item.m_nCount = count;
    item.m_fPrice = price;
    mechanoid.m_Garbage.AddGoods(item, ITEM_GOODS, true);
}

// A good of `here` that `there` wants, with a price and a unit in stock.
bool HasCarriableGood(SExBuildingTrade& here, SExBuildingTrade& there)
{
    std::vector<STradeGood> low, high;
    here.GetLowPriceGoods(low, 5);
    there.GetHighPriceGoods(high, 5);
    for (const STradeGood& a : low)
        for (const STradeGood& b : high)
        {
            if (!SameName(a.m_szName, b.m_szName)) continue;
            float price = 0.0f;
            const STradeGood* g = here.FindGood(a.m_szName);
            if (g && here.GetBuyPrice(a.m_szName, 1, &price, 0) && price > 0.0f && g->m_fUnitMass <= g->m_fStock)
                return true;
        }
    return false;
}
} // namespace

bool CheckPathAdvisability(const char* from, const char* to)
{
    XTRACE("CheckPathAdvisability");
    SExBuildingTrade* a = TradeOf(from);
    SExBuildingTrade* b = TradeOf(to);
    if (!a || !b) return false;
    return HasCarriableGood(*a, *b) || HasCarriableGood(*b, *a);
}

// --- caravans -----------------------------------------------------------------

void CTransGroupAI::Init(CMechGroup2* group)
{
    CGroupAI::Init(group);
    SetReaction(0.5f);
    m_nKind = 0;
    ClearName(m_szRouteStart);
    ClearName(m_szRouteEnd);
}

void CTransGroupAI::SetRoute(const char* from, const char* to, bool start)
{
    XTRACE("CTransGroupAI::SetRoute");
    if (!from || !to || SameName(from, to) || !g_pWorld) return;
    SPathRoute route;
    float length = 0.0f;
    if (!g_pWorld->m_PathFinder.FindPath(from, to, &route, &length, 1) || route.Count() == 0) return;
    m_Route = route.nodes;
    CopyName(m_szRouteStart, from);
    CopyName(m_szRouteEnd, to);
    if (!start) return;
    SetCurrentRoad(-1);
    SetCurrentRoad(m_Route[std::size_t(g_Random.RandomInt(route.Count()))]);
    SetCurrentRoad(m_nCurrentRoad);
    if (m_pGroup && Road(m_nCurrentRoad)) m_pGroup->m_vCentre = Road(m_nCurrentRoad)->position;
}

void CTransGroupAI::OnBuilding(const char* building)
{
    XTRACE("CTransGroupAI::OnBuilding");
    // A caravan stops only at the ends of its route.
    const CRoadManager::SNode* node = Road(m_nCurrentRoad);
    if (!node || (!SameName(node->name, m_szRouteStart) && !SameName(node->name, m_szRouteEnd))) return;
    CGroupAI::OnBuilding(building);
    if (!IsNameSet(m_szRouteStart) || !IsNameSet(m_szRouteEnd)) return;
    const char* other = SameName(node->name, m_szRouteStart) ? m_szRouteEnd : m_szRouteStart;
    SExBuildingTrade* here = TradeOf(node->name);
    SExBuildingTrade* there = TradeOf(other);
    if (!here || !there) return;
    std::vector<STradeGood> low, high;
    here->GetLowPriceGoods(low, 5);
    there->GetHighPriceGoods(high, 5);
    CMech* member = GetEmptyMech();
    while (member)
    {
        CMechanoid* mechanoid = GetMechMechanoid(member);
        bool bought = false;
        for (const STradeGood& a : low)
            for (const STradeGood& b : high)
            {
                if (!SameName(a.m_szName, b.m_szName)) continue;
                float price = 0.0f;
                STradeGood* g = here->FindGood(a.m_szName);
                if (!g || !here->GetBuyPrice(a.m_szName, 1, &price, 0) || price <= 0.0f || !(g->m_fUnitMass > 0.0f))
                    continue;
                const float free = mechanoid->GetMaxGoodsWeight();
                const std::int32_t count = std::max(
                    1, std::min(std::int32_t(free * 0.5f / g->m_fUnitMass), std::int32_t(g->m_fStock / g->m_fUnitMass)));
                if (float(count) * g->m_fUnitMass > g->m_fStock) continue;
                g->m_fStock -= float(count) * g->m_fUnitMass;
                GiveGoods(*mechanoid, g->m_szName, count, price);
                bought = true;
            }
        if (!bought) break;
        if (mechanoid->GetGoodsWeight() > 0.9f * mechanoid->GetMaxGoodsWeight()) member = GetEmptyMech();
    }
}

void CTransGroupAI::ProcessMove(float dt)
{
    if (!m_pGroup) return;
    if (m_pGroup->m_bAssembled || m_bAssigned)
    {
        CGroupAI::ProcessMove(dt);
        return;
    }
    if (!IsNearDestination()) return;
    GetNextRoadItem();
    if (m_nMode != MODE_PACK) Move();
}

void CTransGroupAI::ProcessWait()
{
    CGroupAI::ProcessWait();
    // A caravan waits only while queued at its building.
    const CBuildingObject* b = m_pGroup ? m_pGroup->m_pBuilding : nullptr;
    if (!b || b->m_Visitors.Find(m_pGroup) < 0) Move();
}

void CTransGroupAI::Retreat(CMechGroup2* from)
{
    if (m_nMode == MODE_RETREAT) return;
    CGroupAI::Retreat(from);
}

// --- hunters ------------------------------------------------------------------

void CHunterGroupAI::Setup(CMechGroup2* group)
{
    CGroupAI::Init(group);
    SetReaction(0.8f);
    m_nKind = 1;
    m_fRestTimer = 0.0f;
}

void CHunterGroupAI::Init(CMechGroup2* group)
{
    CHunterGroupAI::Setup(group);
    Move();
}

void CHunterGroupAI::Run(float dt)
{
    if (m_fRestTimer > 0.0f)
    {
        m_fRestTimer -= dt;
        if (m_fRestTimer < 0.0f)
        {
            m_fRestTimer = 0.0f;
            ClearName(m_szLastBuilding);
        }
    }
    CGroupAI::Run(dt);
}

void CHunterGroupAI::LoadFromStream(CMemStream& stream)
{
    CGroupAI::LoadFromStream(stream);
    // Records before version 3 carry no zone: it is rebuilt from the last
    // building.
    if (m_nLoadedVersion < 3 && IsNameSet(m_szLastBuilding)) FindRoute(m_szLastBuilding, 5000.0f);
    if (m_nCurrentRoad == -1 && !m_Route.empty())
    {
        SetCurrentRoad(m_Route[0]);
        SetCurrentRoad(m_nCurrentRoad);
    }
}

void CHunterGroupAI::SetRoute(const std::vector<std::int32_t>& route)
{
    m_Route.clear();
    for (std::int32_t node : route)
        if (node != -1) m_Route.push_back(node);
    if (m_Route.empty()) return;
    SetCurrentRoad(m_Route[std::size_t(g_Random.RandomInt(std::int32_t(m_Route.size()) - 1))]);
    SetCurrentRoad(m_nCurrentRoad);
    if (m_pGroup && Road(m_nCurrentRoad)) m_pGroup->m_vCentre = Road(m_nCurrentRoad)->position;
}

void CHunterGroupAI::FindRoute(const char* building, float radius)
{
    XTRACE("CHunterGroupAI::FindRoute");
    if (!TakeZone(building, radius))
    {
        m_Route.clear();
        return;
    }
    const std::vector<std::int32_t> zone = m_Route;
    SetRoute(zone);
}

void CHunterGroupAI::OnBuilding(const char* building)
{
    XTRACE("CHunterGroupAI::OnBuilding");
    m_fRestTimer = kRest;
    const std::int32_t node = building ? g_RoadManager.FindRoadNode(building) : -1;
    if (node < 0) return;
    // The hunters keep their cargo at home.
    if (!m_Route.empty() && node == m_Route[0]) return;
    CGroupAI::OnBuilding(building);
}

void CHunterGroupAI::ProcessMove(float dt)
{
    ProcessRoamingMove(dt);
}

void CHunterGroupAI::GetNextRoadItem()
{
    XTRACE("CHunterGroupAI::GetNextRoadItem");
    const CRoadManager::SNode* cur = Road(m_nCurrentRoad);
    if (!cur || !m_pGroup) return;
    if (m_bInTrouble)
    {
        GetNextRoadItemOnTrouble();
        return;
    }
    if (IsBuildingNode(m_nCurrentRoad))
    {
        EnterNodeBuilding();
        return;
    }
    // A zone of one node (a road guard's) is held, not walked.
    if (m_Route.size() == 1 && m_Route.front() == m_nCurrentRoad)
    {
        m_fProgress = 0.0f;
        return;
    }
    WalkZone();
}

// --- people -------------------------------------------------------------------

void CPeopleGroupAI::Init(CMechGroup2* group)
{
    CGroupAI::Init(group);
    m_nKind = 2;
    Move();
    SetReaction(0.6f);
}

void CPeopleGroupAI::Setup(CMechGroup2* group)
{
    CGroupAI::Init(group);
    m_nKind = 2;
    SetReaction(0.6f);
}

void CPeopleGroupAI::OnBuilding(const char* building)
{
    XTRACE("CPeopleGroupAI::OnBuilding");
    CGroupAI::OnBuilding(building);
    SExBuildingTrade* trade = TradeOf(building);
    if (!trade || !m_pGroup || !m_pGroup->m_bInBuilding) return;
    CMech* member = GetEmptyMech();
    while (member)
    {
        CMechanoid* mechanoid = GetMechMechanoid(member);
        if (mechanoid->GetGoodsWeight() >= 0.5f * mechanoid->GetMaxGoodsWeight()) break;
        std::vector<STradeGood> low;
        trade->GetLowPriceGoods(low, 3);
        bool bought = false;
        float lastMass = 0.0f;
        for (const STradeGood& listed : low)
        {
            lastMass = listed.m_fUnitMass;
            float sold = 0.0f, base = 0.0f;
            STradeGood* g = trade->FindGood(listed.m_szName);
            if (!g || !trade->GetSoldPrice(listed.m_szName, 1, &sold, 0) ||
                !trade->GetGoodPrice(listed.m_szName, &base) || !(base > 0.0f) || sold / base > 1.05f)
                continue;
            // One whole unit out of the stock, never past it.
            if (!(g->m_fUnitMass > 0.0f) || g->m_fStock < g->m_fUnitMass) continue;
            g->m_fStock -= g->m_fUnitMass;
            GiveGoods(*mechanoid, g->m_szName, 1, sold);
            bought = true;
        }
        if (!bought || !(lastMass > 0.0f)) break;
        member = GetEmptyMech();
    }
}

void CPeopleGroupAI::ProcessMove(float dt)
{
    ProcessRoamingMove(dt);
}

void CPeopleGroupAI::GetNextRoadItem()
{
    XTRACE("CPeopleGroupAI::GetNextRoadItem");
    const CRoadManager::SNode* cur = Road(m_nCurrentRoad);
    if (!cur || !m_pGroup) return;
    if (IsBuildingNode(m_nCurrentRoad))
    {
        EnterNodeBuilding();
        return;
    }
    std::vector<std::int32_t> usable;
    int back = 0;
    for (int i = 0; i < cur->linkCount && i < CRoadManager::kMaxLinks; ++i)
    {
        const std::int32_t link = cur->links[i];
        const CRoadManager::SNode* n = Road(link);
        if (!n || n->type != 0) continue;
        if (link == m_nPreviousRoad)
            ++back;
        else
            usable.push_back(link);
    }
    std::int32_t next = -1;
    const CGliderObject* target = GetMemberGlider(m_pTarget);
    if (usable.empty())
    {
        if (back > 0)
            next = m_nPreviousRoad;
        else
        {
            float best = 0.0f;
            for (std::int32_t i = 1; i < g_RoadManager.GetNodeCount(); ++i)
                if (const float d = (Road(i)->position - m_pGroup->m_vCentre).LengthSq(); next < 0 || d < best)
                {
                    next = i;
                    best = d;
                }
        }
    }
    else if (m_nMode == MODE_RETREAT && target)
    {
        // Away from the target, over any link.
        CVector away = m_pGroup->m_vCentre - target->GetPosition();
        float most = -1e30f;
        for (int i = 0; i < cur->linkCount && i < CRoadManager::kMaxLinks; ++i)
            if (const CRoadManager::SNode* n = Road(cur->links[i]))
                if (const float d = Dot(away, n->position - cur->position); d > most)
                {
                    most = d;
                    next = cur->links[i];
                }
    }
    else
        next = usable[std::size_t(g_Random.RandomInt(std::int32_t(usable.size())))];
    if (next < -1 || next >= g_RoadManager.GetNodeCount())
    {
        g_ErrorLog.LogError("iNextPos!=NOID");
        return;
    }
    if (next != -1) SetCurrentRoad(next);
}
