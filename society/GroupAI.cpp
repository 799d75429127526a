#include "society/GroupAI.h"

#include "society/BasicAI.h"
#include "units/GliderObject.h"
#include "world/Mech.h"

CMechGroup2* GetMechGroup(const CMech* mech)
{
    return mech ? static_cast<CMechGroup2*>(mech->m_pGroup) : nullptr;
}

CBasicAI* CMechGroup2::GetMemberAI(int i) const
{
    if (i < 0 || i >= GetMemberCount()) return nullptr;
    const CGliderObject* g = GetMechGlider(m_Members[size_t(i)]);
    return g ? dynamic_cast<CBasicAI*>(g->m_pAI.get()) : nullptr;
}

void CPatrolGroupAI::Move()
{
    if (!m_pGroup || m_Points.empty()) return;
    m_nMode = MODE_MOVE;
    m_pTarget = nullptr;
    const CVector& p = m_Points[size_t(m_nPoint) % m_Points.size()];
    m_pGroup->m_vPoint = p;
    // The members fly side by side, 40 apart across the ring.
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
        if (CBasicAI* ai = m_pGroup->GetMemberAI(i)) ai->MoveTo(p.x + float(i) * 40.0f, p.y, p.z);
}

void CPatrolGroupAI::OnMemberHit(CMech* attacker, float /*damage*/)
{
    if (!m_pGroup || !attacker || attacker == m_pTarget || !GetMechGlider(attacker)) return;
    for (const CMech* member : m_pGroup->m_Members)
        if (member == attacker) return;
    m_nMode = MODE_ATTACK;
    m_pTarget = attacker;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
        if (CBasicAI* ai = m_pGroup->GetMemberAI(i)) ai->Attack(attacker);
}

void CPatrolGroupAI::Run(float /*dt*/)
{
    if (!m_pGroup || m_pGroup->m_Members.empty()) return;
    if (m_bInTrouble)
        for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
            if (CBasicAI* ai = m_pGroup->GetMemberAI(i)) ai->FixTrouble();
    const CGliderObject* leader = GetMechGlider(m_pGroup->m_Members[0]);
    if (!leader) return;
    if (m_nMode == MODE_ATTACK)
    {
        const CGliderObject* t = GetMechGlider(m_pTarget);
        if (t && t->m_bAlive && (t->GetPosition() - leader->GetPosition()).LengthSq() <= 2250000.0f) return;
        m_pTarget = nullptr;
        Move();
        return;
    }
    if (m_nMode != MODE_MOVE)
    {
        Move();
        return;
    }
    const CVector d = m_pGroup->m_vPoint - leader->GetPosition();
    if (d.x * d.x + d.y * d.y < 60.0f * 60.0f)
    {
        ++m_nPoint;
        Move();
    }
}
