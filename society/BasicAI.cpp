#include "society/BasicAI.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "units/MechRegistry.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/ObjectFrame.h"
#include "world/Physics.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
float SignOf(float v)
{
    return v <= 0.0f ? -1.0f : 1.0f;
}

CVector Flat(const CVector& v)
{
    return CVector{v.x, v.y, 0.0f};
}
} // namespace

CGliderObject* GetMechGlider(const CMech* mech)
{
    return mech ? dynamic_cast<CGliderObject*>(mech->m_pObject) : nullptr;
}

CBasicAI::CBasicAI() : m_fClock(g_Random.Random(100.0f)) {}

CGliderObject* CBasicAI::GetGlider() const
{
    return GetMechGlider(m_lpMech);
}

CMechanoid* CBasicAI::GetMechanoid() const
{
    const CGliderObject* g = GetGlider();
    return g ? g->m_pMechanoid : nullptr;
}

CMechGroup2* CBasicAI::GetGroup() const
{
    return GetMechGroup(m_lpMech);
}

CGroupAI* CBasicAI::GetGroupAI() const
{
    const CMechGroup2* group = GetGroup();
    return group ? group->GetGroupAI() : nullptr;
}

int CBasicAI::GetDifficulty() const
{
    return g_pMechRegistry ? g_pMechRegistry->GetDifficulty() : 0;
}

float CBasicAI::GetFrameTime() const
{
    return g_FrameTimer.GetFrameTime();
}

CGliderObject* CBasicAI::GetPlayerGlider() const
{
    return g_pAIEvents ? g_pAIEvents->GetPlayerGlider() : nullptr;
}

bool CBasicAI::IsPlayerMech(const CMech* mech) const
{
    const CGliderObject* player = GetPlayerGlider();
    return mech && player && (player->m_pMech == mech || mech->m_pObject == player);
}

void CBasicAI::Raise(EAIEvent event)
{
    // The game's scripts may change anything.
    const CMechGroupList2::CWarPowerChange change;
    if (g_pAIEvents) g_pAIEvents->OnAIEvent(event, GetGlider());
}

bool CBasicAI::InRetreat() const
{
    const CGroupAI* ai = GetGroupAI();
    return m_nMode == MODE_RETREAT || (ai && ai->m_nMode == CGroupAI::MODE_RETREAT);
}

// --- controls ---------------------------------------------------------------

void CBasicAI::ControlTraction(CGliderObject& g, float t)
{
    g.SetTraction(t);
}

void CBasicAI::ControlStrafe(CGliderObject& g, float s)
{
    g.StrafeLeft(s);
}

void CBasicAI::ControlJump(CGliderObject& g, float power)
{
    g.Jump(power, true);
}

void CBasicAI::ControlRotation(CGliderObject& g, int axis, float value)
{
    if (axis == 0)
        g.SetRotationX(value);
    else
        g.SetRotationY(value);
}

void CBasicAI::ControlFire(CGliderObject& g, int gun, float dispersion, const CVector& target)
{
    g.Fire(gun, 1.0f, dispersion, target);
}

void CBasicAI::SetBrake(CGliderObject& g, float brake)
{
    g.m_fGrip = brake;
}

// --- orders -----------------------------------------------------------------

void CBasicAI::SetMech(CMech* mech)
{
    m_lpMech = mech;
    m_bPickUp = 0;
}

void CBasicAI::Inspect()
{
    m_nMode = MODE_INSPECT;
}

void CBasicAI::Wait()
{
    XTRACE("CBasicAI::Wait");
    m_nMode = MODE_WAIT;
    if (CGliderObject* g = GetGlider())
    {
        SetBrake(*g, 1.0f);
        ControlTraction(*g, 0.0f);
    }
}

void CBasicAI::FaceTarget(CMech* target)
{
    m_nMode = MODE_FACE;
    m_pTarget = target;
}

void CBasicAI::MoveTo(float x, float y, float z)
{
    XTRACE("CBasicAI::MoveTo");
    const CVector p{x, y, z};
    if (x == 0.0f && y == 0.0f && z == 0.0f) return;
    if (m_nMode == MODE_MOVE && p.x == m_vDestination.x && p.y == m_vDestination.y && p.z == m_vDestination.z)
        return;
    CGroupAI* ai = GetGroupAI();
    CGliderObject* g = GetGlider();
    const CMechanoid* m = GetMechanoid();
    if (!m_lpMech || !ai || !m_lpMech->m_bAlive || m_lpMech->m_bDead || !g || !m || m->IsKilled()) return;

    m_fBestSq = 1e8f;
    const float speed = std::max(g->m_vVelocity.Length(), 0.001f);
    m_fTroubleThreshold = std::fabs(2.0f * (p - g->GetPosition()).Length() / speed);
    // A glider at rest would get a threshold of hours and never count as
    // stuck: the threshold is taken at a cruising speed of at least 30.
    m_fTroubleThreshold =
        std::min(m_fTroubleThreshold, 2.0f * (p - g->GetPosition()).Length() / 30.0f + 5.0f);
    if (ai->m_nMode == CGroupAI::MODE_PACK) m_fTroubleThreshold *= 2.0f;
    m_vDestination = p;
    m_fTroubleStartSq = 0.0f;
    m_fTroubleTimer = 0.0f;
    m_fArrivalSq = ai->m_nKind == CGroupAI::kPlainKind ? 2500.0f * 1.5f : 2500.0f;
    if (ai->m_nMode != CGroupAI::MODE_RETREAT)
    {
        m_pTarget = nullptr;
        m_nMode = MODE_MOVE;
        SetBrake(*g, 1.0f);
    }
}

// --- steering ---------------------------------------------------------------

float CBasicAI::GetTurnFactor(int difficulty)
{
    return difficulty == 0 ? 0.8f : difficulty == 1 ? 0.7f : 0.6f;
}

void CBasicAI::TurnTo(float x, float y, float z)
{
    XTRACE("CBasicAI::TurnTo");
    CGliderObject* g = GetGlider();
    if (!g) return;
    const CVector d = CVector{x, y, z} - g->GetPosition();
    const float l = d.Length();
    if (l < 0.1f) return;
    const CVector u = d * (1.0f / l);
    const CVector a = g->ForwardAxis();
    const float f = GetTurnFactor(GetDifficulty());
    bool boosted = false;
    if (const CMechanoid* m = GetMechanoid(); m && m->IsFitted(EQP_CONTROL_BUSTER))
        boosted = m->IsOn(EQP_CONTROL_BUSTER) && GetFrameTime() != 0.0f;

    const float yaw = std::asin(std::clamp(a.y * u.x - a.x * u.y, -1.0f, 1.0f));
    const float k = (boosted ? 0.6f : 1.0f) * f;
    if (std::isnan(yaw) || std::isnan(k)) return;
    ControlRotation(*g, 0, std::fabs(yaw) <= k ? yaw / (2.0f * k) : SignOf(yaw));

    // The pitch is scaled down for a point close to the glider (the point's
    // offset, not its world coordinates: far from the world's origin every
    // point would count as far).
    const float h1 = std::sqrt(u.x * u.x + u.y * u.y);
    const float h2 = std::sqrt(a.x * a.x + a.y * a.y);
    const float s = std::clamp(d.LengthSq() * (1.0f / 5625.0f) - 0.5f, 0.0f, 1.0f);
    const float p = std::asin(std::clamp(a.z * h1 - u.z * h2, -1.0f, 1.0f)) * s;
    const float k2 = (boosted ? 0.5f : 0.8f) * f;
    if (std::isnan(p) || std::isnan(k2)) return;
    ControlRotation(*g, 1, std::fabs(p) <= k2 ? p / (2.0f * k2) : SignOf(p));
}

float CBasicAI::GetSideCorrection(const CVector& p, const CVector& q) const
{
    const CGliderObject* g = GetGlider();
    if (!g) return 0.0f;
    const CVector a = p - g->GetPosition();
    const CVector e = Normalize(p - q);
    const CVector c = a - e * Dot(a, e);
    const float side = a.y * e.x - a.x * e.y > 0.0f ? 1.0f : -1.0f;
    const float r = std::clamp(-side * c.Length() * 0.01f, -2.0f, 2.0f);
    return std::isnan(r) ? 0.0f : r;
}

bool CBasicAI::CheckPath() const
{
    CGliderObject* g = GetGlider();
    if (!g || !g_pPhysics) return true;
    const CVector here = g->GetPosition();
    const CVector ahead = here + g->ForwardAxis() * 25.0f;
    return g_pPhysics->GetGroundHeight(&ahead, g) - g_pPhysics->GetGroundHeight(&here, g) <= 7.0f;
}

// --- the frame ----------------------------------------------------------------

void CBasicAI::Run()
{
    XTRACE("CBasicAI::Run");
    CGliderObject* g = GetGlider();
    const CMechanoid* m = GetMechanoid();
    if (!g || !m || m->IsKilled()) return;
    GenerateEvents();
    if (m_pTarget)
    {
        const CGliderObject* tg = GetMechGlider(m_pTarget);
        const CMechanoid* tm = tg ? tg->m_pMechanoid : nullptr;
        if (!tg || !tm || tm->m_bOutOfAction || tm->m_bHalted || m_pTarget->m_bInBuilding ||
            !m_pTarget->m_bAlive || !tg->m_bAlive)
            m_pTarget = nullptr;
    }
    const int before = m_nTicks / 1000;
    m_fClock += GetFrameTime();
    m_nTicks = int(m_fClock * 10.0f);
    if (m_nTicks / 1000 != before) m_nStuckCount = 0;
    if (m_vHome.x == 0.0f && m_vHome.y == 0.0f && m_vHome.z == 0.0f) m_vHome = g->GetPosition();

    switch (m_nMode)
    {
    case MODE_WAIT:
        ProcessWait();
        break;
    case MODE_ATTACK:
        ProcessAttack();
        break;
    case MODE_RETREAT:
        ProcessRetreat();
        break;
    case MODE_MOVE:
        m_fTroubleTimer += GetFrameTime();
        ProcessMove();
        break;
    case MODE_FACE:
        ProcessFaceTarget();
        break;
    case MODE_INSPECT:
        ProcessInspect();
        break;
    case MODE_BUILDING:
        ProcessMove();
        break;
    default:
        break;
    }
    if (m_fTroubleTimer > m_fTroubleThreshold)
    {
        if (m_fTroubleStartSq == 0.0f) m_fTroubleStartSq = (m_vDestination - g->GetPosition()).LengthSq();
        OnTrouble();
    }
}

void CBasicAI::GenerateEvents()
{
    const CGliderObject* player = GetPlayerGlider();
    const CGliderObject* g = GetGlider();
    const CMechanoid* m = GetMechanoid();
    if (!player || !g || !m || m->IsKilled()) return;
    const float dd = (player->GetPosition() - g->GetPosition()).LengthSq();
    constexpr float v2 = kViewDistance * kViewDistance, t2 = kTalkDistance * kTalkDistance;
    if (m_bTalk && dd > 2.0f * t2) m_bTalk = 0;
    if (m_bView && dd > 2.0f * v2) m_bView = 0;
    if (!m_bView && dd < v2)
    {
        Raise(AIEV_VIEW);
        m_bView = 1;
    }
    if (!m_bTalk && dd < t2)
    {
        Raise(AIEV_TALK);
        m_bTalk = 1;
    }
    if (CGroupAI* ai = GetGroupAI()) ai->m_bTalk = m_bTalk;
}

void CBasicAI::ProcessMove()
{
    XTRACE("CBasicAI::ProcessMove");
    CGliderObject* g = GetGlider();
    const CMechanoid* mech = GetMechanoid();
    CGroupAI* ai = GetGroupAI();
    if (!g || !mech || mech->IsKilled() || !ai) return;
    const bool trouble = ai->m_bInTrouble != 0;
    const float dt = GetFrameTime();
    const CVector pos = g->GetPosition();
    CVector P{m_vDestination.x, m_vDestination.y, pos.z};

    float m = 1.0f, T = 1.5f, S = 0.0f;
    SetBrake(*g, 0.0f);
    if (ai->m_nKind == CGroupAI::kPlainKind && !ai->m_bAssigned) m = T = 1.05f;

    if (trouble && !m_bPickUp)
    {
        P.z += 15.0f;
        T *= 1.7f;
        if (Every(50)) ControlJump(*g, T);
        if (GetMechanoid()->GetEnergy(0) < 0.2f)
        {
            ai->FixTrouble();
            OnTrouble();
            return;
        }
    }
    else if (!m_bPickUp && Every(50) && !CheckPath())
    {
        OnTrouble();
        return;
    }

    float dd = (P - pos).LengthSq();
    if (InRetreat()) T = 2.0f;

    if (m_bPickUp)
    {
        P.z -= 10.5f;
        if (dd < 900.0f)
        {
            SetBrake(*g, 0.7f);
            m_bPickUp = 0;
            return;
        }
        if (dd < 1600.0f)
            SetBrake(*g, 0.5f);
        else if (dd < 4900.0f)
            SetBrake(*g, 0.9f);
        else if (dd < 14400.0f)
            SetBrake(*g, 0.5f);
        else if (dd < 22500.0f)
            SetBrake(*g, 0.8f);
    }

    const float radius = g->m_fGliderRadius > 0.0f ? g->m_fGliderRadius : g->m_fRadius;
    const bool atDoor = (m_vDestination - pos).LengthSq() < 2.0f * radius * radius;
    if (m_nMode == MODE_BUILDING)
    {
        SetBrake(*g, 0.2f);
        T = 0.5f;
        if (atDoor)
        {
            ControlTraction(*g, 0.0f);
            SetBrake(*g, 100.0f);
            m_nMode = MODE_IDLE;
            return;
        }
        if (!m_bArrived)
        {
            const bool sameStart = m_vSegmentStart.x == m_vDestination.x &&
                                   m_vSegmentStart.y == m_vDestination.y &&
                                   m_vSegmentStart.z == m_vDestination.z;
            if (dd < 10000.0f && sameStart)
            {
                SetBrake(*g, 0.9f);
                m_bArrived = 1;
            }
            else if (dd < 22500.0f)
                SetBrake(*g, 0.0f);
        }
        else
        {
            TurnTo(P.x, P.y, P.z);
            if (dd < 0.9f * (P - m_vSegmentStart).LengthSq()) S = GetSideCorrection(P, m_vSegmentStart);
            SetBrake(*g, atDoor ? 0.9f : 0.0f);
        }
    }
    else if (dd < m_fArrivalSq)
    {
        SetBrake(*g, 1.0f);
        ControlTraction(*g, 0.0f);
        T = 0.0f;
    }
    else if (dd < 2.0f * m_fArrivalSq && !m_bPickUp)
        SetBrake(*g, 0.2f);

    const CVector n = Normalize(P - pos);
    const CVector v = g->m_vVelocity;
    const float w = v.x * v.x + v.y * v.y;
    const float along = Dot(n, v);
    const float facing = Dot(n, g->ForwardAxis());

    // Creeping toward the point: push harder, hop now and then.
    if (along > 0.75f && w < 625.0f)
    {
        m_fSlow += dt;
        m = 2.0f;
        if (m_fSlow > 2.0f)
        {
            m_fSlow -= 1.0f;
            if (m_nMode != MODE_BUILDING && !m_bArrived) ControlJump(*g, 1.5f);
        }
    }
    else
        m_fSlow = 0.0f;

    // Facing the point but not moving: step sideways, changing side every
    // half second.
    if (facing > 0.75f && w < 225.0f && m_fSideStep < 7.5f)
    {
        m_fSideStep += dt;
        if (m_fSideStep > 3.0f)
        {
            const float frac = m_fSideStep - std::floor(m_fSideStep);
            S += frac <= 0.5f ? 2.0f * T : -2.0f * T;
        }
    }
    else if (m_fSideStep < 3.0f || m_fSideStep > 7.5f)
        m_fSideStep = 0.0f;

    CVector road, previous;
    const bool roads = !m_bPickUp && ai->GetRoadPoints(&road, &previous);
    if (roads)
    {
        if (ai->m_nKind == CGroupAI::kPlainKind)
        {
            if (Every(40)) S -= GetSideCorrection(previous, road);
        }
        else if (along < 0.9f && (Every(40) || m_nMode == MODE_RETREAT))
        {
            S += GetSideCorrection(previous, road);
            if (!trouble && m_nMode != MODE_RETREAT && S != 0.0f) S += g_Random.Random(0.2f) - 0.1f;
        }
    }

    const float K = m * 3000.0f + 5000.0f;
    if (along < 0.0f && w > 100.0f && dd < K && m_fSideStep < 3.0f)
    {
        SetBrake(*g, 1.0f);
        T = 0.0f;
    }
    else if (dd >= K)
        T = facing <= 0.7f ? 0.1f : T * m;
    else if (facing <= 0.95f)
        T = 0.1f;
    else
        T = w <= (100.0f * m) * (100.0f * m) ? T * m : T * 0.5f * m;

    const CVector aim = P - v * (2.0f * dt);
    TurnTo(aim.x, aim.y, aim.z);

    if (roads)
    {
        const float speed = v.Length();
        const float q = speed > 0.0f ? Dot(v * (1.0f / speed), road - previous) : 0.0f;
        if (dd < m_fBestSq)
        {
            m_fBestSq = dd;
            m_fNoProgress = 0.0f;
        }
        else
            m_fNoProgress += dt;
        if (m_nStuckCount > 4 && !ai->m_bOffRoute)
        {
            m_nStuckCount = 0;
            m_fNoProgress = 0.0f;
            ai->m_bOffRoute = 1;
            ai->GetNextRoadItem();
            ai->Move();
        }
        if (!ai->m_bAssigned)
        {
            if (q < 0.8f)
            {
                if (dd < 2500.0f)
                {
                    T = 2.5f;
                    SetBrake(*g, 1.0f);
                }
                else if (dd < 22500.0f)
                {
                    SetBrake(*g, 0.6f);
                    T *= 0.8f;
                }
                else if (dd < 62500.0f)
                {
                    SetBrake(*g, 0.3f);
                    T *= 0.5f;
                }
            }
            if (q < 0.5f) SetBrake(*g, 0.0f);
            if (ai->m_nKind == CGroupAI::kPlainKind && q < 0.7f) T = 0.0f;
        }
    }
    if (m_fNoProgress > 1.0f)
    {
        m_fNoProgress = 0.0f;
        OnTrouble();
        ++m_nStuckCount;
    }

    if (dd < 2500.0f) S = 0.0f;
    S = std::clamp(S, -1.5f, 1.5f);
    T = std::clamp(T, -2.0f, 2.0f);
    ControlStrafe(*g, S);
    ControlTraction(*g, T);
    if (trouble) SetBrake(*g, 0.0f);
}

void CBasicAI::OnTrouble()
{
    CGroupAI* ai = GetGroupAI();
    if (m_nMode == MODE_BUILDING || !GetGlider() || !ai || ai->m_bOffRoute) return;
    m_bInTrouble = 1;
    ai->m_bInTrouble = 1;
    ai->OnTrouble(m_lpMech);
}

void CBasicAI::FixTrouble()
{
    XTRACE("CBasicAI::FixTrouble");
    m_bInTrouble = 0;
    CGroupAI* ai = GetGroupAI();
    CGliderObject* g = GetGlider();
    if (!ai || !g || ai->m_nKind == CGroupAI::kPlainKind) return;
    if (m_bReseed)
    {
        g_Random.Next();
        m_bReverse = m_bReseed = 0;
    }
    const float dd = Flat(m_vDestination - g->GetPosition()).LengthSq();
    if (m_fTroubleStartSq - dd > 90000.0f || dd < 10000.0f) m_fTroubleTimer = 0.0f;

    switch (m_nMode)
    {
    case MODE_RETREAT:
    case MODE_MOVE:
    {
        if (m_fTroubleTimer == 0.0f)
        {
            MoveTo(m_vDestination.x, m_vDestination.y, m_vDestination.z);
            m_fTroubleStartSq = 0.0f;
            break;
        }
        const float t = m_fTroubleThreshold, tau = m_fTroubleTimer;
        if (!ai->m_bInTrouble && tau > t + 6.0f) OnTrouble();
        float r = m_bReverse ? -1.0f : 1.0f;
        if (tau > t + 15.0f)
        {
            OnTrouble();
            r *= 0.1f;
            ControlTraction(*g, 4.0f);
            if (Every(40)) ControlJump(*g, 4.0f);
        }
        else if (tau > t + 8.0f)
        {
            ControlTraction(*g, -0.2f);
            r = 0.0f;
        }
        else if (tau > t + 5.0f)
        {
            r *= 0.1f;
            ControlTraction(*g, 4.0f);
            if (Every(30)) ControlJump(*g, 0.3f);
        }
        else if (tau > t + 2.0f)
        {
            r = 0.0f;
            ControlTraction(*g, -1.2f);
        }
        else if (tau > t)
        {
            ControlTraction(*g, 2.0f);
            r *= 0.1f;
            if (Every(20)) ControlJump(*g, 1.7f);
            if (!CheckPath()) ai->OnTrouble(m_lpMech);
        }
        if (ai->m_nCurrentRoad >= 0 && ai->GetRoadType() != 3) ControlStrafe(*g, r);
        ProcessMove();
        break;
    }
    case MODE_FACE:
        ProcessFaceTarget();
        break;
    case MODE_BUILDING:
        ai->OnTrouble(m_lpMech);
        ProcessAttack();
        break;
    case MODE_ATTACK:
        ProcessAttack();
        break;
    default:
        break;
    }

    const CMechGroup2* group = GetGroup();
    bool any = false;
    for (int i = 0; group && i < group->GetMemberCount(); ++i)
        if (const CBasicAI* member = group->GetMemberAI(i); member && member->m_bInTrouble) any = true;
    if (!any && !ai->m_bInTrouble) ai->FixTrouble();
}

void CBasicAI::ProcessWait()
{
    CGliderObject* g = GetGlider();
    if (!g) return;
    SetBrake(*g, 1.0f);
    ControlTraction(*g, 0.0f);
    const CGroupAI* ai = GetGroupAI();
    if (ai && ai->m_nKind == CGroupAI::kPlainKind) return;
    if (m_fWaitTimer > 0.0f)
    {
        static constexpr float kTurns[6] = {0.2f, -0.2f, 0.4f, -0.4f, 0.5f, -0.5f};
        if (m_nWaitPattern == 0)
            ControlStrafe(*g, 0.5f);
        else if (m_nWaitPattern == 1)
            ControlStrafe(*g, -0.5f);
        else if (m_nWaitPattern >= 2 && m_nWaitPattern <= 7)
            ControlRotation(*g, 0, kTurns[m_nWaitPattern - 2]);
        m_fWaitTimer -= GetFrameTime();
    }
    if (Every(20))
    {
        m_nWaitPattern = g_Random.RandomInt(8);
        m_fWaitTimer = 0.5f;
    }
}

void CBasicAI::ProcessInspect()
{
    CGliderObject* g = GetGlider();
    if (!g) return;
    static constexpr float kTurns[8] = {0.05f, -0.05f, 0.1f, -0.1f, 0.5f, -0.5f, 3.0f, -3.0f};
    ControlTraction(*g, 0.0f);
    SetBrake(*g, m_nInspectPattern >= 6 ? 0.9f : 0.0f);
    const float value = kTurns[std::clamp(m_nInspectPattern, 0, 7)];
    ControlRotation(*g, 0, 2.0f * value);
    const float y = std::min(0.05f * value, 0.1f);
    if (g->m_vR.y != y)
    {
        g->m_vR.y = y;
        g->m_bChanged = 1;
    }
    if (Every(30)) m_nInspectPattern = g_Random.RandomInt(8);
}

// --- stream -------------------------------------------------------------------

void CBasicAI::SaveToStream(CMemStream& stream) const
{
    SRecord r{};
    r.view = m_bView;
    r.talk = m_bTalk;
    r.reference[0] = m_vReference.x;
    r.reference[1] = m_vReference.y;
    r.reference[2] = m_vReference.z;
    r.mode = m_nMode;
    r.style = m_nAttackStyle;
    r.attackDistance = m_fAttackDistance;
    r.clockSeconds = m_fClock;
    r.clockTenths = m_nTicks;
    r.destination[0] = m_vDestination.x;
    r.destination[1] = m_vDestination.y;
    r.destination[2] = m_vDestination.z;
    if (m_lpMech) std::memcpy(r.mechId, m_lpMech->m_szId, sizeof r.mechId);
    if (m_pTarget)
        std::memcpy(r.targetId, m_pTarget->m_szId, sizeof r.targetId);
    else
    {
        const std::int32_t none = -1;
        std::memcpy(r.targetId, &none, 4);
    }
    stream.Write(&r, sizeof r);
}

void CBasicAI::LoadFromStream(CMemStream& stream)
{
    XTRACE("CBasicAI::LoadFromStream");
    CStreamReader in(stream, "AI record");
    SRecord r;
    in.Bytes(&r, sizeof r);
    if (r.mode < 0 || r.mode > MODE_IDLE) in.Fail("mode %d", r.mode);
    if (!std::isfinite(r.clockSeconds) || r.clockSeconds < 0.0f || r.clockSeconds > 1e9f)
        in.Fail("clock %g", double(r.clockSeconds));
    m_bView = r.view != 0;
    m_bTalk = r.talk != 0;
    m_vReference = CVector{r.reference[0], r.reference[1], r.reference[2]};
    m_nMode = r.mode;
    m_nAttackStyle = r.style;
    m_fAttackDistance = r.attackDistance;
    m_fClock = r.clockSeconds;
    m_nTicks = r.clockTenths;
    m_vDestination = CVector{r.destination[0], r.destination[1], r.destination[2]};
    // The target is found again by its id among the world's mech records.
    std::int32_t first;
    std::memcpy(&first, r.targetId, 4);
    m_pTarget = nullptr;
    if (first != -1 && g_pWorld)
    {
        char id[33] = {};
        CopyName(id, r.targetId);
        m_pTarget = g_pWorld->FindMech(id);
    }
}
