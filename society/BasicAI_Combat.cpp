// The fighting side of the per-mechanoid AI: attack, retreat, facing a
// mech, hits and collisions.
#include "society/BasicAI.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/ObjectFrame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// A mech record without a rank of its own is of rank 4 (its generation).
int RankOf(const CMech* mech)
{
    return mech ? mech->m_nGeneration : 4;
}
} // namespace

CBasicAI::SCombatValues CBasicAI::GetCombatValues(int difficulty, int rank, int level)
{
    static constexpr SCombatValues kTable[3] = {
        {30, 35, 1.0f, 120, 50, 160000.0f},
        {20, 21, 1.5f, 100, 40, 360000.0f},
        {10, 11, 2.0f, 80, 30, 640000.0f},
    };
    if (difficulty < 0 || difficulty > 2) difficulty = 0;
    SCombatValues v = kTable[difficulty];
    if (rank > 4)
    {
        v.jumpA = std::max(v.jumpA / 2, 5);
        v.jumpB = std::max(v.jumpB / 2, 8);
        v.gain *= 1.2f;
    }
    if (level > 7)
    {
        v.bombPeriod /= 2;
        v.gain *= 1.1f;
    }
    if (level > 8)
    {
        v.rocketPeriod /= 2;
        v.gain *= 1.1f;
    }
    if (level > 9)
    {
        v.fireRangeSq += 10000.0f;
        v.bombPeriod = v.bombPeriod / 4 + 1;
        v.rocketPeriod = v.rocketPeriod / 4 + 1;
    }
    v.gain = std::min(v.gain, 2.3f);
    return v;
}

float CBasicAI::GetFireFacing(int difficulty)
{
    return difficulty == 0 ? 0.9f : difficulty == 1 ? 0.85f : 0.8f;
}

float CBasicAI::GetDispersion(int difficulty, int rank, int level, bool invisibleTarget)
{
    // A mech of level 0 (a record not yet levelled) would divide by zero.
    float d = float(4 - difficulty) / float(std::max(level, 1)) * 0.4f;
    if (rank == 4) d *= 0.5f;
    if (rank > 4) d *= 0.1f;
    if (invisibleTarget) d *= 30.0f;
    return d;
}

void CBasicAI::Attack(CMech* target)
{
    XTRACE("CBasicAI::Attack");
    CGliderObject* g = GetGlider();
    if (!target || target == m_pTarget || !g) return;
    if (IsPlayerMech(target) && g->m_pMech) Raise(AIEV_PLAYER_ATTACK_SAY);
    m_pTarget = target;
    m_nMode = MODE_ATTACK;
    const int r = g_Random.RandomInt(4);
    m_fAttackDistance = float((r + 1) * 10 + 40);
    m_nAttackStyle = r;
    const CMechGroup2* group = GetGroup();
    if (m_nAttackStyle == 2 && (!group || group->GetMemberCount() < 2)) m_nAttackStyle = 3;
}

void CBasicAI::SetAttackStyle(int style)
{
    const CMechGroup2* group = GetGroup();
    if (m_nAttackStyle == 2 && (!group || group->GetMemberCount() < 2))
        m_nAttackStyle = 3;
    else
        m_nAttackStyle = style;
}

void CBasicAI::Retreat(CMech* from, const CVector& point)
{
    XTRACE("CBasicAI::Retreat");
    if (IsPlayerMech(from)) Raise(AIEV_RETREAT);
    m_pTarget = from;
    m_nMode = MODE_RETREAT;
    MoveTo(point.x, point.y, point.z);
    m_vDestination = point;
}

void CBasicAI::OnHit(CMech* attacker, float damage)
{
    XTRACE("CBasicAI::OnHit");
    CGliderObject* g = GetGlider();
    if (!attacker || !g) return;
    m_fDamageSum = std::min(m_fDamageSum, 1e6f);
    const CMechanoid* m = GetMechanoid();
    if (!InRetreat() || !m || m->GetGoodsWeight() <= 1.0f) return;
    m_fDamageSum += damage;
    // Every 700 of damage taken while fleeing with cargo from the player
    // costs the goods once.
    while (m_fDamageSum > 700.0f)
    {
        m_fDamageSum -= 700.0f;
        if (IsPlayerMech(attacker) && !GetMechanoid()->IsKilled())
        {
            g->ThrowOutGoods(false);
            Raise(AIEV_DROP);
        }
    }
}

bool CBasicAI::OnGroupHit(CMech* attacker, float damage)
{
    CGroupAI* ai = GetGroupAI();
    if (!ai) return false;
    ai->OnMemberHit(attacker, damage);
    return ai->m_bAssigned != 0;
}

void CBasicAI::OnCollision(CMech* other)
{
    CGroupAI* ai = GetGroupAI();
    const CMechGroup2* own = GetGroup();
    const CMechGroup2* theirs = GetMechGroup(other);
    if (!ai || !own || !theirs) return;
    const int i = ai->FindRelation(theirs);
    if (i < 0 || SameName(theirs->m_szOrg, own->m_szOrg)) return;
    SGroupRelation& r = ai->m_Relations[i];
    if (r.m_bFromOrg) r.m_fRelation = std::max(r.m_fRelation - 0.02f, -1.0f);
}

void CBasicAI::ProcessAttack()
{
    XTRACE("CBasicAI::ProcessAttack");
    CGliderObject* g = GetGlider();
    const CMechanoid* own = GetMechanoid();
    CGliderObject* tg = GetMechGlider(m_pTarget);
    const CMechanoid* tm = tg ? tg->m_pMechanoid : nullptr;
    if (!g || !own || own->IsKilled() || !GetGroup() || !tg || !tm || tm->IsKilled()) return;
    const float dt = GetFrameTime();
    CVector d = tg->GetPosition() - g->GetPosition();
    const float dd = d.LengthSq();
    if (dd == 0.0f) return;
    const CVector heading = g->ForwardAxis();
    const float facing = Dot(heading, d * (1.0f / std::sqrt(dd)));

    int difficulty = GetDifficulty();
    if (difficulty < 0 || difficulty > 2) difficulty = 0;
    const SCombatValues v = GetCombatValues(difficulty, RankOf(m_lpMech), m_lpMech->m_nLevel);
    const float G = v.gain;

    if (Every(100)) m_fAttackDistance *= 0.9f;
    if (own->GetShield(0) < 0.5f && own->GetArmor(0) < 0.5f) m_fAttackDistance = 350.0f;
    const float D = m_fAttackDistance;

    auto targetFacing = [&]
    {
        return dd >= 100.0f
                   ? Dot(tg->ForwardAxis(), (g->GetPosition() - tg->GetPosition()) * (1.0f / std::sqrt(dd)))
                   : 1.0f;
    };
    float tf = targetFacing();
    float T = 0.0f, S = 0.0f, J = 0.0f;
    const float near2 = (0.8f * D) * (0.8f * D), far2 = (1.2f * D) * (1.2f * D);

    if (dd < 25.0f)
    {
        switch (m_nAttackStyle)
        {
        case 0:
            ControlStrafe(*g, std::min(1.1f * G, 1.0f));
            break;
        case 1:
            ControlStrafe(*g, std::max(-1.1f * G, -1.0f));
            break;
        case 2:
        {
            const float h = Dot(heading, tg->ForwardAxis());
            T = h >= 0.9f ? -0.5f * G : h * G;
            S = G;
            break;
        }
        case 3:
            T = G;
            break;
        default:
            if (Every(v.jumpB)) J = G;
            break;
        }
    }
    else if (dd < near2)
    {
        S = 0.0f;
        T = -G;
    }
    else if (dd > near2 && dd < far2)
    {
        T = 0.0f;
        if (m_nAttackStyle == 2) SetBrake(*g, 0.5f);
    }
    else if ((dd >= far2 || dd == near2) && dd > D * D)
    {
        T = facing >= 0.5f ? G : -G;
        SetBrake(*g, 0.0f);
    }
    if (dd >= near2)
    {
        if (tf < 0.9f || difficulty == 0)
        {
            if (m_nAttackStyle == 0) S = G;
            if (m_nAttackStyle == 1) S = -G;
        }
        else
        {
            if (m_nAttackStyle == 0 || m_nAttackStyle == 1) S = 0.0f;
            if (Every(v.jumpB))
                J = G;
            else if (Every(v.jumpA))
                J = G / 2.0f;
        }
        tf = targetFacing();
        if (m_nAttackStyle == 2) S = G;
    }

    // Chasing a target that turned away: lead it.
    if (tf >= 0.0f)
        SetBrake(*g, 0.0f);
    else
    {
        SetBrake(*g, 0.5f);
        T = 1.0f;
        d = d + tg->m_vVelocity * (5.0f * dt);
        if (tf < -0.5f)
        {
            // A target showing its back is chased at full drive: reversing
            // here flew the attacker away from a target standing still
            // until it was out of the attack's reach.
            J = 2.0f * G;
            T = 2.0f * G;
            S *= 0.5f;
            d = d + tg->m_vVelocity * (10.0f * dt);
        }
    }
    const CVector aim = g->GetPosition() + d;
    TurnTo(aim.x, aim.y, aim.z);

    if (dd > (D - 10.0f) * (D - 10.0f) && Every(v.jumpA + 10))
    {
        S += g_Random.RandomInt(2) == 0 ? -G : G;
        J = G;
    }

    // Firing.
    const float ownFacing = dd >= 100.0f ? facing : 1.0f;
    if (ownFacing >= GetFireFacing(difficulty))
    {
        if (dd >= v.fireRangeSq)
        {
            if (Every(v.bombPeriod)) ControlFire(*g, 3, 0.0f, CVector{});
        }
        else
        {
            const float dispersion = GetDispersion(difficulty, RankOf(m_lpMech), m_lpMech->m_nLevel,
                                                   tm->IsOn(EQP_INVISIBILITY_SHIELD));
            CVector at = tg->GetPosition();
            if (difficulty > 0) at = at + tg->m_vVelocity * (5.0f * dt);
            if (difficulty > 1) at = at + tg->m_vVelocity * (10.0f * dt);
            ControlFire(*g, 0, dispersion, at);
            ControlFire(*g, 1, dispersion, at);
        }
        if (dd > 225.0f && Every(v.rocketPeriod))
        {
            for (int i = g_Random.RandomInt(3); i > 0; --i)
                g->UpdateAmmo(true, true);
            ControlFire(*g, 2, 0.0f, CVector{});
        }
    }

    if (CGroupAI* ai = GetGroupAI(); ai && dd > 2250000.0f)
    {
        ai->Move();
        return;
    }
    S *= float(difficulty + 1) / 3.0f + 1.0f;
    if (Every(50))
    {
        if (facing < 0.5f) SetBrake(*g, 0.6f);
        if (facing < 0.3f)
        {
            SetBrake(*g, 0.8f);
            T = 0.1f;
        }
    }
    ControlTraction(*g, std::clamp(T, -2.0f, 2.0f));
    ControlStrafe(*g, std::clamp(S, -2.0f, 2.0f));
    if (const float j = std::clamp(J, -2.0f, 2.0f); j != 0.0f) ControlJump(*g, j);
}

void CBasicAI::ProcessRetreat()
{
    XTRACE("CBasicAI::ProcessRetreat");
    CGliderObject* g = GetGlider();
    const CMechanoid* own = GetMechanoid();
    if (!g || !own || own->IsKilled()) return;
    ProcessMove();
    SetBrake(*g, 0.0f);
    CGroupAI* ai = GetGroupAI();
    if (!m_pTarget && ai) m_pTarget = ai->m_pTarget;
    if (!m_pTarget)
    {
        if (ai) ai->Move();
        return;
    }
    const CGliderObject* tg = GetMechGlider(m_pTarget);
    if (!tg || !tg->m_bAlive) return;
    const CVector d = g->GetPosition() - tg->GetPosition();
    const float dd = d.LengthSq();
    const float tf = dd > 0.0f ? Dot(tg->ForwardAxis(), d * (1.0f / std::sqrt(dd))) : 1.0f;
    if (tf >= 0.7f) ControlStrafe(*g, Every(20) ? (g_Random.RandomInt(2) == 0 ? -1.1f : 1.1f) : 0.0f);
    if (tf >= 0.9f && Every(30)) ControlJump(*g, 1.1f);
    const float facing = dd < 5.0f ? 1.0f : Dot(g->ForwardAxis(), d * (-1.0f / std::sqrt(dd)));
    if (facing >= 0.9f && dd < 250000.0f)
    {
        ControlFire(*g, 1, 0.0f, CVector{});
        if (dd < 40000.0f) ControlFire(*g, 0, 0.0f, CVector{});
    }
}

void CBasicAI::ProcessFaceTarget()
{
    XTRACE("CBasicAI::ProcessFaceTarget");
    CGroupAI* ai = GetGroupAI();
    const CGliderObject* tg = GetMechGlider(m_pTarget);
    CGliderObject* g = GetGlider();
    if (!m_pTarget || !tg)
    {
        if (ai) ai->Move();
        return;
    }
    if (!g) return;
    TurnTo(tg->GetPosition().x, tg->GetPosition().y, tg->GetPosition().z);
    const CGliderObject* player = GetPlayerGlider();
    if (!player) return;
    if ((player->GetPosition() - g->GetPosition()).LengthSq() <= 6400.0f)
    {
        SetBrake(*g, 1.0f);
        ControlTraction(*g, 0.0f);
    }
    if (const CMechGroup2* group = GetGroup();
        group && (group->m_vCentre - player->GetPosition()).LengthSq() > 62500.0f)
        MoveTo(group->m_vCentre.x, group->m_vCentre.y, group->m_vCentre.z);
}
