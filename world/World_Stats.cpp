// The organisations' statistics as the consoles and the HUD show them.
#include "world/World.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "world/Trade.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace
{

} // namespace

bool CWorld::GetOrgStatistics(const char* org, SOrgStatistics* out)
{
    XTRACE("CWorld::GetOrgStatistics");
    IWorldOrganization* o = FindOrganization(org);
    if (!o || !out) return false;
    SOrgStatistics s;
    const bool player = SameName(o->GetName(), "ORG_PLAYER");
    if (player && m_pPlayerMech && SameName(m_pPlayerMech->m_szOrg, "ORG_PLAYER"))
        CopyName(s.leader, "PLAYER");
    else if (const char* leader = o->GetLeaderId(); leader && leader[0])
        for (const CMech* m : m_Mechs)
            if (SameName(m->m_szId, leader))
            {
                CopyName(s.leader, m->m_szName);
                break;
            }

    o->UpdateMechInfo();
    std::int32_t c[8];
    o->GetCounters(c);
    // Members, active, killed, idle, at home, garrison, build, keep.
    static const int kOrder[8] = {0, 1, 2, 4, 5, 3, 6, 7};
    for (int i = 0; i < 8; ++i)
        s.counters[i] = c[kOrder[i]];
    s.power = float(o->GetPower());
    CopyName(s.name, o->GetStatName());

    const std::int32_t self = g_pOrgManager ? g_pOrgManager->FindByName(o->GetName()) : -1;
    for (const auto& other : m_Organizations)
    {
        if (other.get() == o) continue;
        other->UpdateMechInfo();
        std::int32_t oc[8];
        other->GetCounters(oc);
        if (oc[0] < 1) continue;
        SOrgStatistics::SRelation r{};
        CopyName(r.name, other->GetName());
        const std::int32_t j = g_pOrgManager ? g_pOrgManager->FindByName(other->GetName()) : -1;
        r.relation = self >= 0 && j >= 0 ? g_pOrgManager->GetRelation(self, j, false) : 0.0f;
        s.relations.push_back(r);
    }

    if (g_pfnGroupState)
        for (const CMech* m : m_Mechs)
        {
            if (!m->m_bAlive || m->m_bDead || !m->m_pGroup || !SameName(m->m_szOrg, o->GetName())) continue;
            switch (g_pfnGroupState(m->m_pGroup))
            {
            case 0: ++s.groupStates[0]; break;
            case 1: ++s.groupStates[1]; break;
            case 2: ++s.groupStates[2]; break;
            case 4:
            {
                // By the player's group-command mode.
                const std::int32_t mode = m_pPlayerMech ? m_pPlayerMech->m_nGroupMode : 0;
                if (mode == 1)
                    ++s.groupStates[0];
                else if (mode == 0 || mode == 2)
                    ++s.groupStates[2];
                break;
            }
            default: break;
            }
        }
    if (player) ++s.groupStates[2];

    if (!SameName(o->GetName(), "ORG_FREE"))
        for (std::int32_t i = 0; i < m_nBuildings; ++i)
            if (SameName(m_Buildings[i].owner, o->GetName()))
            {
                ++s.buildings;
                if (g_pTrade) s.tradeValue += g_pTrade->GetProductionValue(m_Buildings[i].name);
            }

    // A negative purse rates 0, not the root of a negative number.
    const double x = o->GetFunds() / (double(c[0]) + 0.01) * 0.01;
    s.rating = x > 0.0 ? float(std::min(std::sqrt(x), 10.0)) : 0.0f;
    if (const SOrgData* d = o->GetData())
    {
        s.standing[0] = d->outOfLocation;
        s.standing[1] = d->standing;
    }
    s.value = o->GetStatValue();
    *out = std::move(s);
    return true;
}
