#include "app/WorldPatrol.h"

#include "foundation/ErrorLog.h"
#include "society/GroupAI.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "world/MechGroupList.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <memory>

CWorldPatrol::~CWorldPatrol()
{
    Release();
}

int CWorldPatrol::GetCount() const
{
    return m_pGroup ? m_pGroup->GetMemberCount() : 0;
}

CGliderObject* CWorldPatrol::GetGlider(int i) const
{
    return m_pGroup ? GetMemberGlider(m_pGroup->GetMember(i)) : nullptr;
}

bool CWorldPatrol::Create(CGliderObject* player, const char* group)
{
    XTRACE("CWorldPatrol::Create");
    Release();
    const CMechGroupDesc* desc = g_MechGroupList.Find(group);
    if (!desc || !g_pWorld)
    {
        g_ErrorLog.LogError("CWorldPatrol::Create: no group description %s", group);
        return false;
    }
    std::vector<std::int32_t> round = desc->m_RoadSet;
    if (!round.empty()) round.push_back(round.front());
    const std::vector<std::int32_t> route = JoinRoute(round);
    if (route.size() < 2)
    {
        g_ErrorLog.LogError("CWorldPatrol::Create: group %s has no round of road nodes", group);
        return false;
    }
    CMechGroup2* g = g_MechGroupList2.FindGroup(group);
    if (!g && g_pWorld->CreateM1Group(group, false)) g = g_MechGroupList2.FindGroup(group);
    if (!g) return false;
    m_pGroup = g;
    m_pPlayer = player;
    g_pAIEvents = this;
    g->SetAIObject(std::make_unique<CPatrolGroupAI>());
    CGroupAI* ai = g->GetGroupAI();
    ai->m_Route = route;
    ai->m_nCurrentRoad = ai->m_nPreviousRoad = -1;
    ai->SetCurrentRoad(route.front());
    g->m_vCentre = g_RoadManager.m_Nodes[size_t(route.front())].position;
    g->Disassemble(false);
    ai->Move();
    return true;
}

void CWorldPatrol::Release()
{
    if (g_pAIEvents == this) g_pAIEvents = nullptr;
    m_pGroup = nullptr;
    m_pPlayer = nullptr;
}

void CWorldPatrol::OnAIEvent(EAIEvent event, CGliderObject*)
{
    ++m_nEvents[event];
}
