// The group AI's relations with other groups (spying, judging, hits, help,
// keep-off, provocation) and its fights: attacks, retreats, far combat of
// assembled groups, robbery and mines ahead.
#include "society/GroupAI.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "society/BasicAI.h"
#include "society/MechGroup.h"
#include "society/OrgManager.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "units/MissileObject.h"
#include "units/TowerObject.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
IOrgManager* Orgs()
{
    return g_pOrgManager;
}

// The organisation index of a group (-1: none or no table).
std::int32_t OrgIndex(const CMechGroup2* g)
{
    if (!g || !g->m_szOrg[0] || !Orgs()) return -1;
    return Orgs()->FindByName(g->m_szOrg);
}

float OrgFactor(std::int32_t index)
{
    return Orgs() && index >= 0 ? Orgs()->GetOrgFactor(index) : 0.5f;
}

float OrgRelation(std::int32_t a, std::int32_t b)
{
    return Orgs() && a >= 0 && b >= 0 ? Orgs()->GetRelation(a, b, false) : 0.0f;
}

// The organisation's HELPNESS (1.0 when it is not in the table).
float Helpfulness(const CMechGroup2* g)
{
    const std::int32_t i = OrgIndex(g);
    const SOrgRecord* r = i >= 0 ? Orgs()->GetRecord(i) : nullptr;
    return r ? r->m_fHelpfulness : 1.0f;
}

bool SameOrg(const CMechGroup2* a, const CMechGroup2* b)
{
    return a && b && SameName(a->m_szOrg, b->m_szOrg);
}

float Clamp1(float v)
{
    return std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
}

// The admission distance (the square root of 2137500, rounded up) and how
// far a centre may have moved since the grid last saw it: another group's
// run may refresh a group's centre from its gliders during the walk.
constexpr float kAdmissionReach = 1463.0f;
constexpr float kCentreDrift = 256.0f;

// A small set of group pointers, at most a table's worth of them (open
// addressing, never more than a third full).
class CKnownGroups
{
public:
    bool Contains(const CMechGroup2* g) const
    {
        for (std::size_t s = Slot(g);; s = (s + 1) & kMask)
            if (m_Slots[s] == g)
                return true;
            else if (!m_Slots[s])
                return false;
    }
    void Add(const CMechGroup2* g)
    {
        std::size_t s = Slot(g);
        while (m_Slots[s] && m_Slots[s] != g)
            s = (s + 1) & kMask;
        m_Slots[s] = g;
    }

private:
    static constexpr std::size_t kSize = 128;
    static constexpr std::size_t kMask = kSize - 1;
    static_assert(kSize >= 3 * CGroupAI::kMaxRelations);
    static std::size_t Slot(const CMechGroup2* g)
    {
        return std::size_t((std::uintptr_t(g) >> 4) * 0x9E3779B97F4A7C15ull >> 40) & kMask;
    }
    const CMechGroup2* m_Slots[kSize] = {};
};

// A mech that can be fought: not killed, not in a building, deployed, its
// mechanoid flying a glider.
bool Fightable(const CMech* m)
{
    return m && !m->m_bDead && !m->m_bInBuilding && m->m_bAssigned && GetMemberGlider(m) &&
           GetMemberGlider(m)->m_pMechanoid;
}
} // namespace

bool CGroupAI::TowerWatches(const CVector& point, float factor, bool viewRange)
{
    const float reach =
        factor * (viewRange ? g_TowerManager.GetMaxViewDistance() : g_TowerManager.GetMaxSpyDistance());
    if (reach <= 0.0f) return false;
    SRadiusResult towers;
    CObjectList::GetObjectsInRadius(&point, reach, OBJ_TOWER, &towers);
    for (int i = 0; i < towers.count; ++i)
    {
        const auto* t = dynamic_cast<const CTowerObject*>(towers.objects[i]);
        if (!t || !t->IsActive()) continue;
        const float r = factor * t->GetSpyDistance();
        if ((t->GetPosition() - point).LengthSq() < r * r) return true;
    }
    return false;
}

CMechGroup2* CGroupAI::ResolveEntry(int entry)
{
    SGroupRelation& r = m_Relations[entry];
    if (!r.m_pGroup && r.m_nIndex >= 0 && r.m_nIndex < g_MechGroupList2.GetCount())
    {
        r.m_pGroup = g_MechGroupList2.GetGroup(r.m_nIndex);
        DefineGroup(entry, false);
    }
    return r.m_pGroup;
}

// --- spying ---------------------------------------------------------------------

void CGroupAI::SpyGroups(CMechGroup2* hint)
{
    XTRACE("CGroupAI::SpyGroups");
    if (!m_pGroup) return;
    ++m_nSpyCount;
    m_bTowerAlert = 0;
    const CVector& c = m_pGroup->m_vCentre;
    // The groups of the table, what FindRelation would find, for the
    // candidates below without a walk of the table each.
    CKnownGroups known;
    // Admission: the list's groups in index order, as a walk over the whole
    // list would meet them, but only those the grid has near the centre (the
    // others fail the distance test). The player's group and the hint are
    // candidates wherever they are. The window reaches a little further than
    // the admission distance, for centres that another group's run
    // refreshed during this walk.
    auto consider = [&](std::int32_t i)
    {
        CMechGroup2* g = g_MechGroupList2.GetGroup(i);
        if (!g) return;
        if (i == 0)
        {
            if (const CGliderObject* p = GetPlayerGlider(); p && g->GetMemberCount() > 0 && !g->m_bAssembled)
                g->m_vCentre = p->GetPosition();
        }
        else if (!g->m_bActive || g->m_bInBuilding || g->m_bDisbanded || g == m_pGroup)
            return;
        if (((g->m_vCentre - c).LengthSq() < 2137500.0f || g == hint) && !known.Contains(g))
        {
            known.Add(g);
            SGroupRelation& r = m_Relations[m_nRelations++];
            r = SGroupRelation{};
            r.m_nIndex = i;
            r.m_pGroup = g;
        }
    };
    if (m_nRelations < kMaxRelations && g_MechGroupList2.GetCount() > 0)
    {
        for (int i = 0; i < m_nRelations; ++i)
            if (m_Relations[i].m_pGroup) known.Add(m_Relations[i].m_pGroup);
        std::int32_t always[2] = {0, hint ? g_MechGroupList2.IndexOf(hint) : -1};
        const int count = always[1] > 0 ? 2 : 1;
        int next = 0;
        g_MechGroupList2.WalkGroupsNear(c, kAdmissionReach + kCentreDrift,
                                        [&](std::int32_t i)
                                        {
                                            for (; next < count && always[next] <= i; ++next)
                                            {
                                                if (always[next] < i) consider(always[next]);
                                                if (m_nRelations >= kMaxRelations) return false;
                                            }
                                            consider(i);
                                            return m_nRelations < kMaxRelations;
                                        });
        for (; next < count && m_nRelations < kMaxRelations; ++next)
            consider(always[next]);
    }
    if (!m_pGroup->m_bAssembled && TowerWatches(c, 1.0f, true))
    {
        m_bTowerAlert = 1;
        if (m_nMode == MODE_ATTACK) Move();
    }
    // The judgements of this pass share this group's war power.
    struct SPass
    {
        CGroupAI& ai;
        bool was;
        explicit SPass(CGroupAI& a) : ai(a), was(a.m_bInPass)
        {
            ai.m_bInPass = true;
            ai.m_bPassPowerKnown = false;
        }
        ~SPass()
        {
            ai.m_bInPass = was;
            ai.m_bPassPowerKnown = false;
        }
    } pass(*this);
    for (int i = 0; i < m_nRelations;)
    {
        // The records of the groups judged lie apart: asked for two entries
        // ahead, they arrive while this entry is judged (what a judgement
        // reads of them lies in their first line, MechGroup.h).
        if (i + 2 < m_nRelations)
            if (const CMechGroup2* ahead = m_Relations[i + 2].m_pGroup) __builtin_prefetch(&ahead->m_vCentre);
        CMechGroup2* g = ResolveEntry(i);
        SGroupRelation& r = m_Relations[i];
        const float d = g ? (g->m_vCentre - c).LengthSq() : 1e30f;
        const bool near = g && g != m_pGroup && d <= 2250000.0f &&
                          (r.m_nIndex == 0 || (g->m_bActive && !g->m_bInBuilding && !g->m_bDisbanded));
        if (near || r.m_bKept || (g && g == hint))
        {
            r.m_fDistance = d;
            r.m_bTower = m_bTowerAlert;
            if (d < 1822500.0f)
            {
                if (r.m_nState == 0)
                    DefineGroup(i, true);
                else if (!m_bTowerAlert)
                    DefineGroup(i, false);
            }
            ++i;
            continue;
        }
        if (r.m_nIndex == 0 && IsPlayerMech(m_pTarget))
        {
            const CMech* first = m_pGroup->GetMember(0);
            Raise("OnFear", first ? first->m_szId : "");
            AssignToPlayer(false);
            ForgetWarPowers();
        }
        for (int j = i; j + 1 < m_nRelations; ++j)
            m_Relations[j] = m_Relations[j + 1];
        --m_nRelations;
    }
}

void CGroupAI::ForgetWarPowers()
{
    m_bPassPowerKnown = false;
    g_MechGroupList2.ForgetWarPowers();
}

float CGroupAI::OwnWarPower()
{
    if (m_bInPass && m_bPassPowerKnown) return m_fPassPower;
    const float power = m_pGroup->GetWarPower();
    if (m_bInPass)
    {
        m_fPassPower = power;
        m_bPassPowerKnown = true;
    }
    return power;
}

void CGroupAI::DefineGroup(int entry, bool fresh)
{
    if (entry < 0 || entry >= m_nRelations || !m_pGroup) return;
    SGroupRelation& r = m_Relations[entry];
    if (fresh || r.m_nState == 0)
    {
        if (!r.m_pGroup)
        {
            if (r.m_nIndex != 0) return;
            r.m_pGroup = g_pPlayerGroup;
        }
        const std::int32_t mine = OrgIndex(m_pGroup), theirs = OrgIndex(r.m_pGroup);
        float rel = r.m_bFromOrg ? OrgRelation(theirs, mine) + g_Random.Random(0.2f) - 0.1f : r.m_fRelation;
        if (mine >= 0 && mine == theirs) rel = 1.0f;
        r.m_fRelation = std::min(rel, 1.0f);
        if (theirs >= 0) r.m_fOrgFactor = OrgFactor(theirs);
        r.m_fOrgFactor += g_Random.Random(0.2f) - 0.1f;
        r.m_fRelation = Clamp1(r.m_fRelation);
    }
    CMechGroup2* other = r.m_pGroup;
    if (!other) return;
    const float theirs = g_MechGroupList2.WarPowerOf(other, r.m_nIndex);
    const float b = std::clamp((OwnWarPower() / theirs * 1.2f - 1.0f) * 0.4f, -1.0f, 1.0f);
    float h = r.m_fRelation < 0.0f ? r.m_fRelation * -0.3f : 0.0f;
    h = std::min(1.0f, m_fReaction * 0.2f + h);
    const float o = std::clamp(OrgFactor(OrgIndex(m_pGroup)) - r.m_fOrgFactor + b, -1.0f, 1.0f);
    float a = r.m_fRelation * 1.2f + 1.0f - h - 0.2f * o - 0.2f * b;
    if (m_pGroup->m_pOrg && other->m_pOrg && SameOrg(m_pGroup, other)) a = 10.0f;
    if (a + b != r.m_fLastSum || fresh)
    {
        // The trace scope only here: the judging above throws nothing, and
        // spying judges every entry of the table on each pass.
        XTRACE("CGroupAI::DefineGroup");
        bool changed;
        if (a * 0.8f > m_fThreat && m_fThreat - a > 0.01f)
        {
            m_fThreat = a;
            changed = true;
        }
        else
            changed = m_nMode != MODE_ATTACK && m_nMode != MODE_RETREAT;
        if (r.m_nIndex == 0) m_fFear = -o;
        const bool feared = m_fReaction * 0.4f <= -o;
        if (a < 0.1f || r.m_fRelation < -0.9f)
        {
            if (feared)
            {
                if (changed) Retreat(other);
                r.m_nState = 5;
            }
            else
            {
                if (changed) Attack2(other, false);
                r.m_nState = 1;
            }
            // A far combat moves cargo and kills.
            ForgetWarPowers();
        }
        else if (a >= 0.2f)
            r.m_nState = 3;
        else
            r.m_nState = feared ? 4 : 2;
        if (r.m_fRelation > 0.8f) r.m_nState = 6;
        if (r.m_nIndex == 0 && fresh && m_nSpyCount % 3 == 1)
        {
            for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
                if (GetMemberGlider(m_pGroup->GetMember(i))) Raise("OnView", m_pGroup->GetMember(i)->m_szId);
            // The game's scripts may change anything.
            ForgetWarPowers();
        }
    }
    r.m_fLastSum = a + b;
}

void CGroupAI::SetRelation(CMechGroup2* group, float value, bool fixed)
{
    if (!group) return;
    if (FindRelation(group) < 0) SpyGroups(group);
    const int i = FindRelation(group);
    if (i < 0) return;
    SGroupRelation& r = m_Relations[i];
    if (value == 0.0f)
    {
        r.m_bFromOrg = 1;
        return;
    }
    value = Clamp1(value);
    r.m_bFromOrg = fixed ? 0 : 1;
    r.m_bKept = 1;
    r.m_fRelation = r.m_fOrgFactor = value;
    r.m_nState = value > 0.5f ? 6 : value < -0.5f ? 4 : 3;
}

float CGroupAI::GetRelation(const CMechGroup2* group) const
{
    const int i = FindRelation(group);
    return i < 0 ? 0.0f : m_Relations[i].m_fRelation;
}

void CGroupAI::OnHit(CMechGroup2* attacker, float amount, bool spread)
{
    XTRACE("CGroupAI::OnHit");
    if (!attacker || !m_pGroup || attacker == m_pGroup || amount <= 0.1f || SameOrg(attacker, m_pGroup))
        return;
    if (attacker == g_pPlayerGroup && m_bAssigned) return;
    const CGroupAI* attackers = attacker->GetGroupAI();
    const bool theirTarget = m_pTarget && GetMechGroup(m_pTarget) == attacker;
    if (m_nMode == MODE_PACK || m_nMode == MODE_PICKUP)
        amount *= 1.5f;
    else if (m_nMode == MODE_RETREAT && theirTarget)
        amount *= 1.2f;
    else if (m_nMode == MODE_ATTACK && theirTarget)
        amount *= 0.7f;
    (void)attackers;
    int found = -1;
    const float help = Helpfulness(m_pGroup);
    for (int i = 0; i < m_nRelations; ++i)
    {
        CMechGroup2* g = ResolveEntry(i);
        if (spread && g && SameOrg(g, m_pGroup) && g->GetGroupAI() && help > 0.0f)
            g->GetGroupAI()->OnHit(attacker, help * amount, false);
        if (g == attacker)
        {
            found = i;
            if (!spread) break;
        }
    }
    if (found < 0)
    {
        SpyGroups(attacker);
        return;
    }
    SGroupRelation& r = m_Relations[found];
    const float loss = std::clamp(amount * m_fReaction * 0.006f, 0.02f, 0.7f);
    if (r.m_bFromOrg) r.m_fRelation = std::max(r.m_fRelation - loss, -1.0f);
    DefineGroup(found, false);
}

void CGroupAI::OnMemberHit(CMech* attacker, float damage)
{
    if (m_pGroup) m_pGroup->OnHit(GetMechGroup(attacker), damage);
}

void CGroupAI::TryKeepOff(CMechGroup2* group)
{
    const int i = FindRelation(group);
    if (i < 0) return;
    SGroupRelation& r = m_Relations[i];
    if (OrgFactor(OrgIndex(m_pGroup)) <= r.m_fOrgFactor)
        r.m_fRelation = std::max(r.m_fRelation - 0.2f, -1.0f);
    else
        r.m_fRelation = -1.0f;
}

void CGroupAI::Provocation(CMechGroup2* group)
{
    if (FindRelation(group) < 0 || !m_pGroup) return;
    OnHit(group, 20.0f, false);
    const CMech* first = m_pGroup->GetMember(0);
    if (first && GetMemberGlider(first)) Raise("OnProvocation", first->m_szId);
}

void CGroupAI::Help(CMechGroup2* asking)
{
    const CGroupAI* other = asking ? asking->GetGroupAI() : nullptr;
    const int i = FindRelation(asking);
    if (!other || !other->m_pTarget || i < 0 || !m_pGroup) return;
    SGroupRelation& r = m_Relations[i];
    const float p = (r.m_fRelation + 1.0f) * 0.5f;
    if (r.m_bFromOrg && SameOrg(asking, m_pGroup)) r.m_fOrgFactor -= (1.0f - p) * r.m_fRelation * 0.2f;
    OnHit(GetMechGroup(other->m_pTarget), 200.0f, false);
}

// --- fights ---------------------------------------------------------------------

void CGroupAI::Attack1(CMech* target, bool /*order*/)
{
    XTRACE("CGroupAI::Attack1");
    if (!m_pGroup) return;
    if (!Fightable(target) || GetMechGroup(target) == m_pGroup)
    {
        Move();
        return;
    }
    const CGliderObject* tg = GetMemberGlider(target);
    if (!m_bAssigned)
    {
        if (std::fabs(std::trunc(tg->GetPosition().z - m_pGroup->m_vCentre.z)) > 25.0f) return;
        if (TowerWatches(m_pGroup->m_vCentre, 1.1f, false))
        {
            if (m_nMode != MODE_MOVE) Move();
            return;
        }
        m_pTarget = target;
        m_nMode = MODE_ATTACK;
        if (TowerWatches(tg->GetPosition(), 1.1f, false))
        {
            Move();
            return;
        }
    }
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        const CMechanoid* m = GetMechMechanoid(m_pGroup->GetMember(i));
        if (CBasicAI* ai = m_pGroup->GetMemberAI(i); ai && m && !m->m_bOutOfAction) ai->Attack(target);
    }
    if (m_pGroup->GetMemberCount() > 1 && !m_pGroup->m_bAssembled)
        if (CMech* strongest = GetStrongestGlider(false))
            if (auto* ai = dynamic_cast<CBasicAI*>(GetMemberGlider(strongest)->m_pAI.get()))
                ai->SetAttackStyle(3);
}

void CGroupAI::Attack2(CMechGroup2* group, bool again)
{
    XTRACE("CGroupAI::Attack2");
    if (!group || !m_pGroup || m_nMode == MODE_RETREAT) return;
    if (m_nMode == MODE_ATTACK && m_pTarget && GetMechGroup(m_pTarget) == group && !again) return;
    m_pTarget = nullptr;
    const CGroupAI* theirs = group->GetGroupAI();
    if (m_pGroup->m_bAssembled && group->m_bAssembled && theirs && !group->m_bInBuilding &&
        group->m_bActive && !group->m_bDisbanded &&
        (group->m_vCentre - m_pGroup->m_vCentre).LengthSq() < 22500.0f)
    {
        if (g_Random.RandomInt(18) > 14)
        {
            const CMechGroupList2::CWarPowerChange change;
            const float rA = g_Random.Random(m_pGroup->GetWarPower() + 100.0f);
            const float rB = g_Random.Random(group->GetWarPower() + 100.0f);
            if (rB >= rA) return;
            if (m_pGroup->GetMemberCount() > 0 && group->GetMemberCount() > 0)
            {
                CMech* loser = theirs->GetStrongestGlider(true);
                CMech* winner = GetStrongestGlider(true);
                CMechanoid* lm = GetMechMechanoid(loser);
                const CMechanoid* wm = GetMechMechanoid(winner);
                auto fit = [](const CMech* m) { return !m->m_bInBuilding && !m->m_bDead && m->m_bAlive; };
                if (lm && wm && !lm->IsKilled() && !wm->IsKilled() && fit(loser) && fit(winner))
                {
                    float armour = 0.0f, shield = 0.0f;
                    lm->Damage(1000000.0f, true, &armour, &shield);
                    if (lm->IsKilled())
                    {
                        // The loser's cargo passes to this group.
                        loser->KillOffline(m_pGroup);
                        loser->Kill(winner);
                        loser->OnKill();
                    }
                }
            }
            Move();
            return;
        }
    }
    CMech* mech = nullptr;
    if (theirs)
    {
        if (theirs->m_bTowerAlert)
        {
            if (m_nMode != MODE_MOVE) Move();
            return;
        }
        mech = theirs->GetStrongestGlider(false);
    }
    else if (CMech* player = GetPlayerMech(); player && GetMechGroup(player) == group)
        mech = player;
    if (mech) Attack1(mech, false);
}

void CGroupAI::Retreat(CMechGroup2* from)
{
    XTRACE("CGroupAI::Retreat");
    if (!from || !m_pGroup || m_pGroup->m_bAssembled || from->m_bAssembled || from->m_bInBuilding) return;
    if (m_nMode == MODE_RETREAT && m_pTarget && GetMechGroup(m_pTarget) == from) return;
    m_nMode = MODE_RETREAT;
    CMech* player = GetPlayerMech();
    if (const CGroupAI* theirs = from->GetGroupAI())
        m_pTarget = theirs->GetStrongestGlider(false);
    else
        m_pTarget = player && GetMechGroup(player) == from ? player : nullptr;
    if (!m_pTarget) return;
    for (CBasicAI* ai : MemberAIs(false))
        ai->Retreat(m_pTarget, m_vDestination);
}

void CGroupAI::ProcessAttack()
{
    XTRACE("CGroupAI::ProcessAttack");
    if (!m_pGroup) return;
    const CGliderObject* tg = GetMemberGlider(m_pTarget);
    const CMechanoid* tm = GetMechMechanoid(m_pTarget);
    if (!m_pTarget || !tm || !tg || tm->m_bOutOfAction || tm->m_bHalted || m_pTarget->m_bInBuilding ||
        !m_pTarget->m_bAssigned || SameName(m_pTarget->m_szOrg, m_pGroup->m_szOrg))
    {
        m_pTarget = nullptr;
        Move();
        return;
    }
    if (m_pGroup->m_bAssembled) return;
    if (m_nTick % 100 == 0 && TowerWatches(tg->GetPosition(), 1.1f, false))
    {
        Move();
        return;
    }
    if (m_fAttackOrderTimer > 3.0f)
        if (CMech* strongest = GetStrongestGlider(false))
        {
            m_fAttackOrderTimer = 0.0f;
            int style = g_Random.RandomInt(3);
            if (style == 2) style = 3;
            if (auto* ai = dynamic_cast<CBasicAI*>(GetMemberGlider(strongest)->m_pAI.get()))
                ai->SetAttackStyle(style);
        }
    m_fAttackOrderTimer += GetFrameTime();
}

void CGroupAI::ProcessRetreat(float dt)
{
    XTRACE("CGroupAI::ProcessRetreat");
    if (!m_pGroup) return;
    const CMechanoid* tm = GetMechMechanoid(m_pTarget);
    if (!m_pTarget || !tm || tm->IsKilled() || !GetMemberGlider(m_pTarget) || tm->m_bHalted ||
        SameName(m_pTarget->m_szOrg, m_pGroup->m_szOrg) || m_pTarget->m_bInBuilding)
    {
        m_pTarget = nullptr;
        m_nMode = MODE_MOVE;
        Move();
        return;
    }
    ProcessMove(dt);
    const CMechGroup2* theirs = GetMechGroup(m_pTarget);
    if (m_pTarget && theirs && (theirs->m_vCentre - m_pGroup->m_vCentre).LengthSq() > 2700000.0f)
    {
        m_pTarget = nullptr;
        m_nMode = MODE_MOVE;
        Move();
    }
}

void CGroupAI::TryFuck(CMech* robber)
{
    XTRACE("CGroupAI::TryFuck");
    CGliderObject* rg = GetMemberGlider(robber);
    CMechGroup2* robbers = GetMechGroup(robber);
    const int i = FindRelation(robbers);
    if (!rg || i < 0 || !m_pGroup) return;
    const CMechGroupList2::CWarPowerChange change; // the victim's hold is emptied
    const auto* rai = dynamic_cast<const CBasicAI*>(rg->m_pAI.get());
    const CGliderObject* victimGlider = rai ? GetMemberGlider(rai->m_pTarget) : nullptr;
    const float d =
        victimGlider ? std::min((rg->GetPosition() - victimGlider->GetPosition()).LengthSq() * 0.001f, 1.0f)
                     : 1.0f;
    SGroupRelation& r = m_Relations[i];
    r.m_fRelation = Clamp1(r.m_fRelation - 2.0f * (1.1f - d));
    if (robbers->GetWarPower() <= m_pGroup->GetWarPower()) return;
    CMech* victim = victimGlider ? victimGlider->m_pMech : nullptr;
    if (!victim) victim = GetStrongestGlider(true);
    if (!victim) return;
    r.m_fRelation = Clamp1(r.m_fRelation - (1.1f - 0.7f * d));
    if (CGliderObject* vg = GetMemberGlider(victim))
    {
        vg->ThrowOutGoods(true);
        if (CMechanoid* vm = vg->m_pMechanoid) vm->m_Garbage.m_Items.clear();
        vg->UpdateGliderConfig();
    }
    else if (CMechanoid* vm = GetMechMechanoid(victim))
        vm->m_Garbage.m_Items.clear();
    Raise("OnRobbing", victim->m_szId);
    if (r.m_fOrgFactor <= 0.0f)
        Attack1(robber, true);
    else
        Retreat(robbers);
}

void CGroupAI::FindMines()
{
    XTRACE("CGroupAI::FindMines");
    if (!m_pGroup || m_pGroup->m_bAssembled) return;
    CVector dir = m_vSegment;
    const float len = dir.Length();
    dir = len > 0.0f ? dir * (1.0f / len) : CVector{};
    const CVector probe = m_pGroup->m_vCentre + dir * 30.0f;
    SRadiusResult missiles;
    CObjectList::GetObjectsInRadius(&probe, 300.0f, OBJ_MISSILE, &missiles);
    for (int k = 0; k < missiles.count; ++k)
    {
        const auto* missile = dynamic_cast<const CMissileObject*>(missiles.objects[k]);
        if (!missile) continue;
        for (CBasicAI* ai : MemberAIs(true))
        {
            CGliderObject* g = ai->GetGlider();
            CVector aim = missile->GetPosition();
            aim.z -= 15.0f;
            const CVector v = aim - g->GetPosition();
            const float facing = Dot(g->ForwardAxis(), dir);
            if (facing >= 0.85f)
            {
                // Toward the mine's point in the world, not its offset.
                ai->TurnTo(aim.x, aim.y, aim.z);
                if (missile->GetKind() == CMissileObject::KIND_MINE)
                    for (int gun = 0; gun < 3; ++gun)
                        g->Fire(gun, 1.0f, 0.0f, missile->GetPosition());
            }
            if (v.LengthSq() < 2500.0f)
            {
                g->Jump(1.0f, true);
                continue;
            }
            if (v.LengthSq() < 10000.0f && facing >= 0.7f) g->StrafeLeft(g_Random.Random(2.0f) - 1.0f);
        }
    }
}
