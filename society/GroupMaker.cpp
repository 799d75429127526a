#include "society/GroupMaker.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "society/Organization.h"
#include "society/WorldMechanoid.h"
#include "units/GliderObject.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/RoadManager.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

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

// The player's group goes: out of the list, its members without a group,
// deleted when it is the one made here (a loaded list's is its caller's).
void DropPlayerGroup()
{
    CPlayerMechGroup2* old = g_pPlayerGroup;
    if (!old) return;
    auto& groups = g_MechGroupList2.m_Groups;
    groups.erase(std::remove(groups.begin(), groups.end(), old), groups.end());
    for (int m = 0; m < old->GetMemberCount(); ++m)
        if (old->GetMember(m)->m_pGroup == old) old->GetMember(m)->m_pGroup = nullptr;
    g_pPlayerGroup = nullptr;
    if (s_pPlayerGroup.get() == old) s_pPlayerGroup.reset();
}

void CreatePlayerGroup(CPlayerMech* player)
{
    XTRACE("CreatePlayerGroup");
    DropPlayerGroup();
    s_pPlayerGroup = std::make_unique<CPlayerMechGroup2>();
    s_pPlayerGroup->InitGroup("ORG_PLAYER");
    g_pPlayerGroup = s_pPlayerGroup.get();
    auto& groups = g_MechGroupList2.m_Groups;
    groups.push_back(g_pPlayerGroup);
    std::swap(groups.front(), groups.back());
    if (player) g_pPlayerGroup->AddMech(player);
}

// The group's start: the centre on a road node and the AI moving from it
// (along the route when it has one).
void PlaceOnRoad(CMechGroup2* g, std::int32_t start, const std::vector<std::int32_t>& route)
{
    CGroupAI* ai = g->GetGroupAI();
    if (!ai || start < 0 || start >= g_RoadManager.GetNodeCount()) return;
    g->m_vCentre = g_RoadManager.m_Nodes[size_t(start)].position;
    ai->m_Route = route;
    ai->m_nCurrentRoad = ai->m_nPreviousRoad = -1;
    ai->SetCurrentRoad(start);
    ai->Move();
}

std::int32_t RandomRoadNode()
{
    const std::int32_t n = g_RoadManager.GetNodeCount();
    return n > 0 ? std::int32_t((g_Random.Next() >> 8) % std::uint32_t(n)) : 0;
}

CMechGroup2* ReanimateGroup(const CMechGroupDesc& desc, CMech* mech)
{
    XTRACE("ReanimateGroup");
    EnsurePlayerGroup();
    auto* g = new CMechGroup2;
    CopyName(g->m_szName, mech->m_szId);
    g->InitGroup(mech->m_szOrg);
    auto* mechanoid = new CWorldMechanoid;
    mechanoid->InitConfig(desc.m_nMemberCount > 0 ? desc.m_szMembers[0] : "");
    mech->DeleteMechanoid();
    mech->m_pMechanoid = mechanoid;
    mech->m_bAssigned = 1;
    g->AddMech(mech);
    g->SetAI(2);
    // Where it comes back is not told: a random road node, as a free
    // roaming group starts.
    PlaceOnRoad(g, RandomRoadNode(), {});
    g_MechGroupList2.AddGroup(g);
    return g;
}

bool GroupSpoils(CMechGroup2* group, CMech** chosen, CMech** first)
{
    CMechGroup2* g = g_MechGroupList2.FindByPointer(group);
    if (!g || !g->GetGroupAI()) return false;
    *chosen = g->GetGroupAI()->GetEmptyMech();
    *first = g->GetMember(0);
    return true;
}

std::int32_t GroupState(const void* group)
{
    const CMechGroup2* g = g_MechGroupList2.FindByPointer(group);
    return g && g->GetGroupAI() ? g->GetGroupAI()->m_nMode : -1;
}

int GroupMembers(const void* group, CMech* out[5])
{
    const CMechGroup2* g = g_MechGroupList2.FindByPointer(group);
    const int n = g ? std::min(g->GetMemberCount(), CMechGroup2::kMaxMembers) : 0;
    for (int i = 0; i < n; ++i)
        out[i] = g->GetMember(i);
    return n;
}

void ClearGroups()
{
    g_MechGroupList2.Clear();
    DropPlayerGroup();
}

void SaveGroups(CMemStream& stream)
{
    EnsurePlayerGroup();
    g_MechGroupList2.SaveToStream(stream);
}

// The saved groups replace the list. They are read with the old groups set
// aside and every mech record out of its group, so that a record that does
// not read as a list puts everything back as it was.
void LoadGroups(CMemStream& stream)
{
    XTRACE("LoadGroups");
    std::vector<CMechGroup2*> old;
    old.swap(g_MechGroupList2.m_Groups);
    CPlayerMechGroup2* oldPlayer = g_pPlayerGroup;
    std::vector<std::pair<CMech*, void*>> held;
    if (g_pWorld)
        for (CMech* m : g_pWorld->m_Mechs)
        {
            held.emplace_back(m, m->m_pGroup);
            m->m_pGroup = nullptr;
        }
    try
    {
        g_MechGroupList2.LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        g_MechGroupList2.Clear();
        g_MechGroupList2.m_Groups.swap(old);
        g_pPlayerGroup = oldPlayer;
        for (auto& [m, group] : held)
            m->m_pGroup = group;
        throw;
    }
    // The old groups go without touching the records (now the new groups').
    for (CMechGroup2* g : old)
        if (g != oldPlayer) delete g;
    // The loaded player's group is ours, as one made here; the old one goes
    // when it was ours too.
    s_pPlayerGroup.reset(g_pPlayerGroup);
}

IWorldMechanoid* CreateWorldMechanoid()
{
    return new CWorldMechanoid;
}

void RunGroups(float dt)
{
    g_MechGroupList2.Run(dt);
}

void MechKilled(CMech* mech)
{
    // The record deletes its mechanoid after this: the blown-up glider,
    // deleted at the end of the frame, must not point at it any more. The
    // player's record keeps its mechanoid and its glider stays: the game
    // sees the player's death through them.
    if (CMechGroup2* group = GetMechGroup(mech))
    {
        // The member's clan hears of it first (it may give up a building).
        if (auto* org = dynamic_cast<COrganization*>(group->m_pOrg)) org->OnKillMech(mech);
        const bool player = g_pWorld && mech == g_pWorld->GetPlayerMech();
        if (CGliderObject* g = GetMemberGlider(mech); g && !player)
        {
            if (g->m_pMechanoid) g->m_pMechanoid->m_lpObject = nullptr;
            g->m_pMechanoid = nullptr;
            g->m_pMech = nullptr;
        }
        if (!player) mech->m_pObject = nullptr;
    }
    g_MechGroupList2.OnKillMech(mech);
}
} // namespace

void RegisterGroupMaker()
{
    g_pfnCreateGroup = MakeGroup;
    g_pfnRunGroups = RunGroups;
    g_pfnMechKilled = MechKilled;
    g_pfnCreateWorldMechanoid = CreateWorldMechanoid;
    g_pfnCreatePlayerGroup = CreatePlayerGroup;
    g_pfnReanimateGroup = ReanimateGroup;
    g_pfnGroupSpoils = GroupSpoils;
    g_pfnGroupState = GroupState;
    g_pfnGroupMembers = GroupMembers;
    g_pfnClearGroups = ClearGroups;
    g_pfnSaveGroups = SaveGroups;
    g_pfnLoadGroups = LoadGroups;
}

void UnregisterGroupMaker()
{
    ClearGroups();
    g_pfnCreateGroup = nullptr;
    g_pfnRunGroups = nullptr;
    g_pfnMechKilled = nullptr;
    g_pfnCreateWorldMechanoid = nullptr;
    g_pfnCreatePlayerGroup = nullptr;
    g_pfnReanimateGroup = nullptr;
    g_pfnGroupSpoils = nullptr;
    g_pfnGroupState = nullptr;
    g_pfnGroupMembers = nullptr;
    g_pfnClearGroups = nullptr;
    g_pfnSaveGroups = nullptr;
    g_pfnLoadGroups = nullptr;
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
            mechanoid->InitConfig(i < std::size_t(CMechGroupDesc::kMaxMembers) ? desc.m_szMembers[i] : "");
            m->m_pMechanoid = mechanoid;
        }
        m->m_bAssigned = 1;
        g->AddMech(m);
    }
    std::vector<std::int32_t> route;
    std::int32_t start = -1;
    // A road guard is a hunter whose zone is its one node (which it holds),
    // a road set a hunter walking the set.
    if (desc.m_nType == 0 || desc.m_nType == 2)
    {
        route = desc.m_nType == 0 ? std::vector<std::int32_t>{desc.m_nGuardNode} : JoinRoute(desc.m_RoadSet);
        if (!route.empty()) start = route.front();
        // The new AI's first move starts from the group's centre: the group
        // stands at its start before, or it would set out from a random
        // node (into the building there, while placed at its start after).
        if (start >= 0 && start < g_RoadManager.GetNodeCount())
            g->m_vCentre = g_RoadManager.m_Nodes[size_t(start)].position;
        g->SetAI(1);
    }
    else if (desc.m_nType == 3)
    {
        g->SetAI(2);
        start = RandomRoadNode();
    }
    PlaceOnRoad(g, start, route);
    g_MechGroupList2.AddGroup(g);
    return g;
}
