#include "society/GroupMaker.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "society/WorldMechanoid.h"
#include "units/GliderObject.h"
#include "units/MechConfigManager.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/RoadManager.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <memory>
#include <string>

namespace
{
std::unique_ptr<CPlayerMechGroup2> s_pPlayerGroup;

void EnsurePlayerGroup()
{
    if (g_MechGroupList2.GetCount() > 0) return;
    if (!g_pPlayerGroup)
    {
        s_pPlayerGroup = std::make_unique<CPlayerMechGroup2>();
        s_pPlayerGroup->InitGroup("ORG_PLAYER");
        g_pPlayerGroup = s_pPlayerGroup.get();
    }
    g_MechGroupList2.AddGroup(g_pPlayerGroup);
}

void MakeGroup(const CMechGroupDesc& desc, const std::vector<CMech*>& mechs)
{
    MakeDescribedGroup(desc, mechs);
}

void RunGroups(float dt)
{
    g_MechGroupList2.Run(dt);
}

void MechKilled(CMech* mech)
{
    // The record deletes its mechanoid after this: the blown-up glider,
    // deleted at the end of the frame, must not point at it any more.
    if (GetMechGroup(mech))
    {
        if (CGliderObject* g = GetMemberGlider(mech))
        {
            if (g->m_pMechanoid) g->m_pMechanoid->m_lpObject = nullptr;
            g->m_pMechanoid = nullptr;
            g->m_pMech = nullptr;
        }
        mech->m_pObject = nullptr;
    }
    g_MechGroupList2.OnKillMech(mech);
}
} // namespace

void RegisterGroupMaker()
{
    g_pfnCreateGroup = MakeGroup;
    g_pfnRunGroups = RunGroups;
    g_pfnMechKilled = MechKilled;
}

int CreateLocationGroups()
{
    XTRACE("CreateLocationGroups");
    if (!g_pWorld) return 0;
    int made = 0;
    std::vector<std::string> names;
    for (const auto& desc : g_MechGroupList.m_Descs)
        names.emplace_back(desc->m_szName);
    for (const std::string& name : names)
        made += g_pWorld->CreateM1Group(name.c_str(), false) ? 1 : 0;
    return made;
}

std::vector<std::int32_t> JoinRoute(const std::vector<std::int32_t>& nodes)
{
    std::vector<std::int32_t> route;
    if (!g_pWorld || nodes.empty()) return route;
    route.push_back(nodes.front());
    for (std::size_t i = 1; i < nodes.size(); ++i)
    {
        SPathRoute leg;
        float length = 0.0f;
        if (!g_pWorld->m_PathFinder.FindPathByIndex(route.back(), nodes[i], &leg, &length, 7, true))
            return {};
        route.insert(route.end(), leg.nodes.begin() + (leg.nodes.empty() ? 0 : 1), leg.nodes.end());
    }
    return route;
}

CMechGroup2* MakeDescribedGroup(const CMechGroupDesc& desc, const std::vector<CMech*>& mechs)
{
    XTRACE("MakeDescribedGroup");
    EnsurePlayerGroup();
    auto* g = new CMechGroup2;
    CopyName(g->m_szName, desc.m_szName);
    const bool known = g_pWorld && g_pWorld->FindOrganization(desc.m_szOrgName);
    g->InitGroup(known ? desc.m_szOrgName : "ORG_FREE");
    for (std::size_t i = 0; i < mechs.size(); ++i)
    {
        CMech* m = mechs[i];
        if (!m->m_pMechanoid)
        {
            auto* mechanoid = new CWorldMechanoid;
            std::int32_t config = i < std::size_t(CMechGroupDesc::kMaxMembers)
                                      ? g_MechConfigManager.FindName(desc.m_szMembers[i])
                                      : -1;
            if (config < 0) config = 0;
            if (g_MechConfigManager.GetConfig(config)) mechanoid->m_Mechanoid.InitConfig(config, true);
            m->m_pMechanoid = mechanoid;
        }
        m->m_bAssigned = 1;
        g->AddMech(m);
    }
    std::vector<std::int32_t> route;
    std::int32_t start = -1;
    if (desc.m_nType == 0)
    {
        // A road guard holds its node: the plain road following under the
        // hunters' kind number (a hunter AI would wander off its one-node
        // zone).
        g->SetAIObject(std::make_unique<CGroupAI>());
        g->GetGroupAI()->m_nKind = g->m_nAIKind = 1;
    }
    else if (desc.m_nType == 2)
        g->SetAI(1);
    if (desc.m_nType == 0 || desc.m_nType == 2)
    {
        route = desc.m_nType == 0 ? std::vector<std::int32_t>{desc.m_nGuardNode} : JoinRoute(desc.m_RoadSet);
        if (!route.empty()) start = route.front();
    }
    else if (desc.m_nType == 3)
    {
        g->SetAI(2);
        const std::int32_t n = g_RoadManager.GetNodeCount();
        start = n > 0 ? std::int32_t((g_Random.Next() >> 8) % std::uint32_t(n)) : 0;
    }
    CGroupAI* ai = g->GetGroupAI();
    if (ai && start >= 0 && start < g_RoadManager.GetNodeCount())
    {
        g->m_vCentre = g_RoadManager.m_Nodes[size_t(start)].position;
        ai->m_Route = route;
        ai->m_nCurrentRoad = ai->m_nPreviousRoad = -1;
        ai->SetCurrentRoad(start);
        ai->Move();
    }
    g_MechGroupList2.AddGroup(g);
    return g;
}
