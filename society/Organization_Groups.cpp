// COrganization: recruiting free members into groups and making the groups.
#include "society/Organization.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "society/GroupAIKinds.h"
#include "society/MechGroup.h"
#include "society/OrgManager.h"
#include "society/WorldMechanoid.h"
#include "units/BuildingObject.h"
#include "units/MechConfigManager.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/World.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// The location's buildings: game id, object and place count.
struct SPlace
{
    const char* id;
    CBuildingObject* object;
    std::int32_t places;
};

std::vector<SPlace> Places()
{
    std::vector<SPlace> out;
    if (!g_pWorld) return out;
    for (CMMObject* o : g_pWorld->m_BuildingObjects)
        if (auto* b = dynamic_cast<CBuildingObject*>(o); b && b->m_szGameId[0])
            out.push_back({b->m_szGameId, b, std::max(g_pWorld->GetBuildingCluster(b->m_szGameId), 0)});
    return out;
}

bool Owns(const char* org, const char* building)
{
    const SBuildingRecord* r = g_pWorld ? g_pWorld->FindBuilding(building) : nullptr;
    return r && SameName(r->owner, org);
}

// A draw weighted by place count among the places that pass; null when
// the weights sum to 0.
const SPlace* Weighted(const std::vector<SPlace>& places, bool (*pass)(const SPlace&, const char*), const char* org)
{
    std::int32_t sum = 0;
    for (const SPlace& p : places)
        if (pass(p, org)) sum += p.places;
    if (sum <= 0) return nullptr;
    std::int32_t x = g_Random.RandomInt(sum);
    for (const SPlace& p : places)
        if (pass(p, org) && (x -= p.places) < 0) return &p;
    return nullptr;
}

bool Own(const SPlace& p, const char* org)
{
    return Owns(org, p.id);
}

bool Any(const SPlace&, const char*)
{
    return true;
}

const SPlace* Random(const std::vector<SPlace>& places)
{
    return places.empty() ? nullptr : &places[std::size_t(g_Random.RandomInt(std::int32_t(places.size())))];
}

// The group waits inside its building for 20 to 40 s before it sets out.
void StartInside(CMechGroup2& g, const SPlace& p)
{
    CopyName(g.m_szBuilding, p.id);
    g.m_pBuilding = p.object;
    g.m_vCentre = p.object->GetPosition();
    g.m_bInBuilding = 1;
    g.m_fBuildingTimer = 20.0f + g_Random.Random(20.0f);
}
} // namespace

void COrganization::ChooseBase()
{
    // Any building nobody holds yet whose places the build target can fill;
    // each is taken at once with chance 1 in 3, else the last one seen.
    CopyName(m_szBase, "");
    const std::vector<SPlace> places = Places();
    const SPlace* chosen = nullptr;
    for (const SPlace& p : places)
    {
        if (p.places < 1 || p.places > 10 || p.places > m_nBuildTarget || g_pWorld->FindBuilding(p.id)) continue;
        chosen = &p;
        if (g_Random.RandomInt(3) == 0) break;
    }
    if (chosen) CopyName(m_szBase, chosen->id);
}

void COrganization::RechooseBase()
{
    if (!m_Clan.m_bFixedBase)
        ChooseBase();
    else
        CopyName(m_szBase, "");
}

void COrganization::OnLoseBuilding(const char* building)
{
    const CMechGroupList2::CWarPowerChange change;
    if (g_pAppEvent && building) g_pAppEvent->LeaveBuilding(m_szName, building);
    RechooseBase();
    UpdateMechInfo();
    if (!SameName(m_szName, kFree))
    {
        // With nobody at home every group goes back to living among people;
        // hunters around the lost building do so in any case. A group that
        // already has that AI keeps it (and its way).
        for (CMechGroup2* g : g_MechGroupList2.m_Groups)
        {
            if (!g || g == g_pPlayerGroup || !g->m_bActive || !SameName(g->m_szOrg, m_szName)) continue;
            const CGroupAI* ai = g->GetGroupAI();
            const bool hunter = ai && ai->m_nKind == 1 && building && SameName(g->m_szBuilding, building);
            if ((m_nAtHome == 0 || hunter) && !(ai && ai->m_nKind == 2)) g->SetAI(2);
        }
    }
    if (!m_Clan.m_bFixedBase && !m_szBase[0] && m_nBuildTarget >= 1) ChooseBase();
}

void COrganization::OnGroupBuilding(CMechGroup2* group)
{
    XTRACE("COrganization::OnGroupBuilding");
    if (!group || !g_pWorld) return;
    char here[32];
    CopyName(here, group->m_szBuilding);
    if (m_szBase[0] && SameName(here, m_szBase) && m_nKeepTarget >= 1)
    {
        std::int32_t free = g_pWorld->GetBuildingCluster(here);
        for (const CMech* m : g_pWorld->m_Mechs)
            if (m && SameName(m->m_szOrg, m_szName) && m->m_bInCluster && SameName(m->m_szBuilding, here)) --free;
        bool leader = false;
        for (int i = 0; i < group->GetMemberCount(); ++i)
            leader = leader || group->GetMember(i)->m_nGeneration == kLeaderRank;
        if (leader) return;
        for (int i = group->GetMemberCount() - 1; i >= 0 && free > 0 && m_nKeepTarget > 0; --i)
        {
            CMech* m = group->GetMember(i);
            if (m->m_bDead || m->m_bInCluster) continue;
            m->DeleteMechanoid();
            m->m_bAssigned = 0;
            m->m_bInBuilding = m->m_bInCluster = 1;
            CopyName(m->m_szBuilding, here);
            OnMechStay(m);
            group->RemoveMech(m);
            --m_nKeepTarget;
            --free;
        }
        return;
    }
    CGroupAI* ai = group->GetGroupAI();
    if (!ai || ai->m_nKind != 0) return;
    const SBuildingRecord* record = g_pWorld->FindBuilding(here);
    if (!SameName(here, ai->m_szRouteStart) && !(record && !SameName(record->owner, m_szName))) return;
    // The caravan goes on to another building, one worth the run if one of
    // 15 draws finds it.
    const std::vector<SPlace> places = Places();
    const SPlace* to = nullptr;
    for (int draw = 0; draw < 15; ++draw)
    {
        const SPlace* p = Random(places);
        if (!p || SameName(p->id, here)) continue;
        to = p;
        if (CheckPathAdvisability(here, p->id)) break;
    }
    if (to) static_cast<CTransGroupAI*>(ai)->SetRoute(here, to->id, false);
}

void COrganization::AssignMech(CMech* member)
{
    // Only a free member: one already flying with a group, or dead, stays.
    if (!member || !g_pWorld || member->m_bAssigned || member->m_bDead || member->m_pGroup) return;
    // A member the location's designer described gets its own group back,
    // starting in the building it waits in.
    if (g_MechGroupList.Find(member->m_szId))
    {
        member->m_bAssigned = 1;
        CMechGroup2* g = g_pWorld->ReanimateM1Mech(member);
        if (!g) return;
        char building[32];
        CopyName(building, member->m_szBuilding);
        for (const SPlace& p : Places())
            if (SameName(p.id, building))
            {
                StartInside(*g, p);
                break;
            }
        return;
    }
    if (member->m_bInCluster || !CanRecruit()) return;
    AddMechToGroupConstruct(member);
    if (member->m_pMechanoid) PayMechanoid(member);
}

void COrganization::AddMechToGroupConstruct(CMech* member)
{
    XTRACE("COrganization::AddMechToGroupConstruct");
    if (!member) return;
    if (m_Construct.m_bIdle)
    {
        for (std::int32_t& n : m_nGroupCounts)
            n = 0;
        for (const CMechGroup2* g : g_MechGroupList2.m_Groups)
            if (g && g != g_pPlayerGroup && g->GetGroupAI() && SameName(g->m_szOrg, m_szName))
                if (const std::int32_t k = g->GetGroupAI()->m_nKind; k >= 0 && k <= 2) ++m_nGroupCounts[k];
        StartGroupConstruct(ChooseGroupKind());
    }
    SGroupConstruct& c = m_Construct;
    if (c.m_nMembers >= c.m_nPlanned || c.m_nMembers >= SGroupConstruct::kMaxMembers) return;
    for (std::uint32_t i = 0; i < c.m_nMembers; ++i)
        if (c.m_pMembers[i] == member) return;
    // Equipping: a member that has no mechanoid gets one of its slot's
    // configuration (one it has already is kept, not thrown away).
    if (!member->m_pMechanoid)
    {
        XTRACE("COrganization::CreateMechEqp");
        auto* mechanoid = new CWorldMechanoid;
        member->m_pMechanoid = mechanoid;
        // The player's clan recruits in the player's own fitting for the
        // kind (trade for caravans, attack for hunters, default for people).
        IWorldMechanoid* model = nullptr;
        if (SameName(m_szName, kPlayer) && c.m_nKind <= 2) model = g_pPlayerConfigs[2 - c.m_nKind];
        if (model)
        {
            CMemStream copy;
            copy.Allocate(5000);
            model->SaveToStream(copy);
            copy.m_nPosition = 0;
            mechanoid->LoadFromStream(copy);
        }
        else
        {
            const std::int32_t config =
                c.m_nMembers < c.m_nConfigCount ? std::int32_t(c.m_nConfigs[c.m_nMembers]) : 0;
            if (g_MechConfigManager.GetConfig(config)) mechanoid->m_Mechanoid.InitConfig(config, true);
        }
    }
    member->m_bAssigned = 1;
    c.m_pMembers[c.m_nMembers++] = member;
    if (c.m_nMembers >= c.m_nPlanned) CreateConstructedGroup();
}

void COrganization::CreateConstructedGroup()
{
    SGroupConstruct& c = m_Construct;
    auto* g = new CMechGroup2;
    g->InitGroup(m_szName);
    std::snprintf(g->m_szName, sizeof g->m_szName, "%.20s_%d", m_szName, g_MechGroupList2.GetCount());
    for (std::uint32_t i = 0; i < c.m_nMembers; ++i)
        g->AddMech(c.m_pMembers[i]);
    const std::vector<SPlace> places = Places();
    const float reaction = m_pRecord ? m_pRecord->m_fReactions[std::min<std::uint32_t>(c.m_nKind, 2)] : 0.5f;
    const SPlace* home = nullptr;
    switch (c.m_nKind)
    {
    case 1:
    {
        XTRACE("COrganization::CreateGroupHunters");
        g->SetAI(1);
        g->GetGroupAI()->SetReaction(reaction);
        if (!m_Clan.m_bFixedBase) home = Weighted(places, Own, m_szName);
        if (!home) home = Random(places);
        if (home) static_cast<CHunterGroupAI*>(g->GetGroupAI())->FindRoute(home->id, 5000.0f);
        break;
    }
    case 0:
    {
        XTRACE("COrganization::CreateGroupTrans");
        g->SetAI(0);
        g->GetGroupAI()->SetReaction(reaction);
        if (m_Clan.m_bImmortal)
        {
            for (const SPlace& p : places)
                if (p.object->GetKindCode() == 3) home = &p;
        }
        else if (!m_Clan.m_bFixedBase)
            for (int draw = 0; draw < 5 && !home; ++draw)
                if (const SPlace* p = Random(places); p && Owns(m_szName, p->id)) home = p;
        if (!home) home = Random(places);
        const SPlace* to = nullptr;
        for (int count = 0; home && !places.empty();)
        {
            const SPlace* p = Random(places);
            ++count;
            if (count < 15 && !CheckPathAdvisability(home->id, p->id)) continue;
            ++count;
            to = p;
            if (!SameName(p->id, home->id) || count > 49) break;
        }
        if (home && to) static_cast<CTransGroupAI*>(g->GetGroupAI())->SetRoute(home->id, to->id, false);
        break;
    }
    default:
    {
        XTRACE("COrganization::CreateGroupPeople");
        g->SetAI(2);
        g->GetGroupAI()->SetReaction(reaction);
        home = Weighted(places, Own, m_szName);
        if (!home) home = Weighted(places, Any, m_szName);
        if (!home)
            for (const SPlace& p : places)
                if (p.object->GetKindCode() == 3) home = &p;
        if (!home && !places.empty()) home = &places.front();
        break;
    }
    }
    if (home) StartInside(*g, *home);
    g_MechGroupList2.AddGroup(g);
    c = SGroupConstruct{};
}
