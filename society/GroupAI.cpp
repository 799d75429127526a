#include "society/GroupAI.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Prefetch.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/BasicAI.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

std::uint32_t SGroupRelation::GetColor() const
{
    static constexpr std::uint32_t kColours[7] = {0xFFCCCCCC, 0xFFFF0000, 0xFFFF8080, 0xFFFFFFFF,
                                                  0xFF8080FF, 0xFF0000FF, 0xFF00FF00};
    std::uint32_t c = m_nState < 7 ? kColours[m_nState] : 0xFFFFFFFF;
    if (m_bTower) c = (c & 0x00FFFFFF) | 0xAA000000;
    return c;
}

CGroupAI::CGroupAI()
{
    ClearName(m_szTarget);
    ClearName(m_szRouteStart);
    ClearName(m_szRouteEnd);
    ClearName(m_szLastBuilding);
}

CGroupAI::~CGroupAI() = default;

float CGroupAI::GetFrameTime() const
{
    return g_FrameTimer.GetFrameTime();
}

void CGroupAI::Init(CMechGroup2* group)
{
    XTRACE("CGroupAI::Init");
    m_pGroup = group;
    m_bFollow = 1;
    m_nCurrentRoad = m_nPreviousRoad = GetNearestRoad();
    m_fThinkClock = g_Random.Random(1000.0f);
    SetReaction(0.0f);
}

void CGroupAI::SetReaction(float x)
{
    const float a = g_Random.Random(0.5f) + 0.75f;
    const float b = x + g_Random.Random(0.2f) - 0.1f;
    m_fReaction = std::max(0.0f, a * b);
}

// --- members ------------------------------------------------------------------

std::vector<CBasicAI*> CGroupAI::MemberAIs(bool liveOnly) const
{
    std::vector<CBasicAI*> out;
    if (!m_pGroup) return out;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        const CGliderObject* g = GetMemberGlider(m_pGroup->GetMember(i));
        if (!g || !g->m_pMechanoid) continue;
        if (liveOnly && g->m_pMechanoid->IsKilled()) continue;
        if (auto* ai = dynamic_cast<CBasicAI*>(g->m_pAI.get())) out.push_back(ai);
    }
    return out;
}

CGliderObject* CGroupAI::GetPlayerGlider() const
{
    return g_pAIEvents ? g_pAIEvents->GetPlayerGlider() : nullptr;
}

CMech* CGroupAI::GetPlayerMech() const
{
    if (const CGliderObject* g = GetPlayerGlider(); g && g->m_pMech) return g->m_pMech;
    return g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
}

bool CGroupAI::IsPlayerMech(const CMech* mech) const
{
    return mech && mech == GetPlayerMech();
}

void CGroupAI::Raise(const char* event, const char* id) const
{
    // The game's scripts may change anything.
    const CMechGroupList2::CWarPowerChange change;
    if (g_pGroupEvents) g_pGroupEvents->OnGroupEvent(event, id ? id : "");
}

void CGroupAI::PrefetchRun() const
{
    PrefetchLines(this, m_Relations);
    PrefetchLines(&m_nRelations, reinterpret_cast<const char*>(this) + sizeof(CGroupAI));
}

// --- the think clock and the modes --------------------------------------------

void CGroupAI::Run(float dt)
{
    XTRACE("CGroupAI::Run");
    if (!m_pGroup) return;
    const std::int32_t oldTick = m_nTick;
    if ((m_nMode == MODE_ATTACK || m_nMode == MODE_RETREAT) && !m_pTarget) Move();
    if (m_pGroup->m_bAssembled && m_bInTrouble) FixTrouble();
    if (m_nKind == 2) m_bOffRoute = 0;
    if (m_nKind != kPlainKind)
    {
        if (m_bAssigned && g_pPlayerGroup) g_pPlayerGroup->m_bCommanded = 1;
        m_fThinkClock += (g_Random.Random(2.0f) + 9.0f) * dt;
        m_nTick = std::int32_t(m_fThinkClock);
        const int p = m_pGroup->m_bAssembled ? 20 : 10;
        if (oldTick / p != m_nTick / p) SpyGroups(nullptr);
        if (!m_pGroup->m_bAssembled && oldTick / 11 != m_nTick / 11 &&
            (m_nMode == MODE_WAIT || m_nMode == MODE_FACE || m_nMode == MODE_MOVE))
            FindThing();
    }
    if (m_nKind != kPlainKind || m_nMode == MODE_MOVE || m_nMode == MODE_WAIT || m_nMode == MODE_FACE)
    {
        if (m_pGroup->m_bAssembled) m_bOffRoute = 0;
        if (m_bInTrouble && !m_Route.empty() && !IsOnRoute(m_nCurrentRoad)) m_bInTrouble = 0;
        switch (m_nMode)
        {
        case MODE_WAIT:
            ProcessWait();
            break;
        case MODE_ATTACK:
            ProcessAttack();
            break;
        case MODE_RETREAT:
            ProcessRetreat(dt);
            break;
        case MODE_MOVE:
            ProcessMove(dt);
            break;
        case MODE_FACE:
            ProcessFaceTarget();
            break;
        case MODE_INSPECT:
            ProcessInspect();
            break;
        case MODE_PACK:
            ProcessPackToBuilding();
            break;
        case MODE_PICKUP:
            ProcessPickup();
            break;
        default:
            break;
        }
        if (!m_pGroup->m_bAssembled && m_nKind != kPlainKind)
        {
            if (m_nTick % 100 == 0 && m_nMode != MODE_PICKUP) Command();
            if (oldTick / 11 != m_nTick / 11) FindMines();
        }
    }
    if (m_nMode == MODE_PICKUP) m_fPickupTimer += dt;
}

void CGroupAI::Command()
{
    XTRACE("CGroupAI::Command");
    if (!m_pGroup || m_pGroup->m_bAssembled || m_nMode == MODE_PICKUP) return;
    bool differs = false;
    for (CBasicAI* ai : MemberAIs(false))
    {
        if (m_nMode == MODE_PACK)
            differs = ai->m_nMode == CBasicAI::MODE_IDLE;
        else
            differs = (ai->m_nMode != m_nMode && ai->m_nMode != CBasicAI::MODE_BUILDING) ||
                      ai->m_pTarget != m_pTarget;
        if (differs) break;
        if (ai->m_nMode == CBasicAI::MODE_IDLE && m_nKind != kPlainKind)
        {
            Move();
            return;
        }
    }
    if (!differs) return;
    switch (m_nMode)
    {
    case MODE_WAIT:
    case MODE_MOVE:
        Move();
        break;
    case MODE_ATTACK:
    {
        const CMechanoid* m = GetMechMechanoid(m_pTarget);
        if (m && !m->IsKilled() && GetMemberGlider(m_pTarget))
            Attack1(m_pTarget, true);
        else
            Move();
        break;
    }
    case MODE_RETREAT:
        if (m_pTarget)
            Retreat(GetMechGroup(m_pTarget));
        else
        {
            m_nMode = MODE_MOVE;
            Move();
        }
        break;
    case MODE_FACE:
        if (m_pTarget) FaceTarget(m_pTarget);
        break;
    case MODE_PACK:
        PackToBuilding();
        break;
    default:
        break;
    }
}

void CGroupAI::Wait()
{
    m_nMode = MODE_WAIT;
    m_fThreat = -10.0f;
    for (CBasicAI* ai : MemberAIs(false))
        ai->Wait();
}

void CGroupAI::FaceTarget(CMech* target)
{
    if (!m_pGroup || m_pGroup->m_bAssembled) return;
    m_nMode = MODE_FACE;
    m_pTarget = target;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        const CMechanoid* m = GetMechMechanoid(m_pGroup->GetMember(i));
        if (CBasicAI* ai = m_pGroup->GetMemberAI(i); ai && m && !m->m_bOutOfAction) ai->FaceTarget(target);
    }
    if (m_pGroup->GetMemberCount() >= 2)
        if (CGliderObject* g = GetMemberGlider(GetStrongestGlider(false))) g->SetTraction(0.05f);
    if (m_pGroup->GetMemberCount() >= 3)
        if (CGliderObject* g = GetMemberGlider(GetFastestGlider())) g->StrafeLeft(0.2f);
}

void CGroupAI::Inspect()
{
    if (m_nMode == MODE_PACK || m_nMode == MODE_WAIT) return;
    m_nMode = MODE_INSPECT;
    m_fModeTimer = 0.5f;
    for (CBasicAI* ai : MemberAIs(false))
        ai->Inspect();
}

void CGroupAI::PickUp(float x, float y, float z)
{
    if (m_nMode != MODE_MOVE && m_nMode != MODE_WAIT) return;
    m_fPickupTimer = 0.0f;
    for (CBasicAI* ai : MemberAIs(true))
        if (!ai->m_bPickUp)
        {
            m_nMode = MODE_PICKUP;
            ai->MoveTo(x, y, z);
            ai->m_bPickUp = 1;
            ai->m_fArrivalSq = 225.0f;
        }
}

bool CGroupAI::IsThingTaken(float x, float y, float z) const
{
    for (const CBasicAI* ai : MemberAIs(false))
        if (ai->m_bPickUp && ai->m_vDestination.x == x && ai->m_vDestination.y == y &&
            ai->m_vDestination.z == z)
            return true;
    return false;
}

void CGroupAI::AssignToPlayer(bool assign)
{
    m_bStopAtEnd = 0;
    const std::uint8_t was = m_bAssigned;
    m_bAssigned = assign ? 1 : 0;
    m_fEscortRadius = kEscortRadius;
    if (was != m_bAssigned) Move();
}

bool CGroupAI::IsAttackingPlayer() const
{
    if (!m_pGroup) return false;
    const CMech* player = GetPlayerMech();
    if (!player) return false;
    if (m_nMode == MODE_ATTACK && m_pGroup->m_bActive && m_pTarget == player) return true;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        const CMech* m = m_pGroup->GetMember(i);
        const CBasicAI* ai = m_pGroup->GetMemberAI(i);
        if (ai && m->m_bAssigned && !m->m_bInBuilding && ai->m_pTarget == player) return true;
    }
    return false;
}

bool CGroupAI::IsRetreatingFromPlayer() const
{
    if (!m_pGroup || m_nMode != MODE_RETREAT) return false;
    const CMech* player = GetPlayerMech();
    if (!player) return false;
    if (m_pGroup->m_bActive && m_pTarget == player) return true;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
        if (const CBasicAI* ai = m_pGroup->GetMemberAI(i);
            ai && !m_pGroup->GetMember(i)->m_bInBuilding && ai->m_pTarget == player)
            return true;
    return false;
}

std::uint32_t CGroupAI::GetColor() const
{
    if (m_pGroup && g_pPlayerGroup &&
        (m_bAssigned || SameName(m_pGroup->m_szOrg, g_pPlayerGroup->m_szOrg)))
        return 0xFF00FF00;
    if (IsAttackingPlayer()) return 0xFFFF0000;
    if (IsRetreatingFromPlayer()) return 0xFF0000FF;
    for (int i = 0; i < m_nRelations; ++i)
        if (m_Relations[i].m_nIndex == 0) return m_Relations[i].GetColor();
    return 0xFFFFFFFF;
}

// --- pickers ------------------------------------------------------------------

CMech* CGroupAI::GetStrongestGlider(bool anyForm) const
{
    if (!m_pGroup) return nullptr;
    CMech* best = nullptr;
    float bestValue = -100.0f;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        CMech* m = m_pGroup->GetMember(i);
        CMechanoid* mechanoid = GetMechMechanoid(m);
        if (!mechanoid || !m->m_bAssigned || (!anyForm && !GetMemberGlider(m))) continue;
        const float v = float(m->m_nLevel) * mechanoid->GetWarPower();
        if (v > bestValue)
        {
            bestValue = v;
            best = m;
        }
    }
    if (best && !anyForm && !GetMemberGlider(best)) return nullptr;
    return best;
}

CMech* CGroupAI::GetFastestGlider() const
{
    if (!m_pGroup) return nullptr;
    CMech* best = nullptr;
    float bestValue = 0.0f;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        CMech* m = m_pGroup->GetMember(i);
        CMechanoid* mechanoid = GetMechMechanoid(m);
        if (!mechanoid || mechanoid->m_bOutOfAction) continue;
        const float v = (mechanoid->GetSumWeight() + 1.0f) * (mechanoid->GetEnergy(0) + 1.0f);
        if (v > bestValue)
        {
            bestValue = v;
            best = m;
        }
    }
    return best && GetMemberGlider(best) ? best : nullptr;
}

namespace
{
// The member with the least goods that still has room; null when none.
CMech* FindEmpty(const CMechGroup2* group, bool needGlider)
{
    if (!group) return nullptr;
    CMech* best = nullptr;
    float least = 1e11f;
    for (int i = 0; i < group->GetMemberCount(); ++i)
    {
        CMech* m = group->GetMember(i);
        const CMechanoid* mechanoid = GetMechMechanoid(m);
        if (!mechanoid || mechanoid->m_bOutOfAction) continue;
        if (needGlider && !GetMemberGlider(m)) continue;
        const float goods = mechanoid->GetGoodsWeight();
        if (goods < least && goods < mechanoid->GetMaxGoodsWeight())
        {
            least = goods;
            best = m;
        }
    }
    if (!best) return nullptr;
    const CMechanoid* m = GetMechMechanoid(best);
    return m->GetMaxGoodsWeight() >= m->GetGoodsWeight() ? best : nullptr;
}
} // namespace

CMech* CGroupAI::GetEmptyGlider() const
{
    return FindEmpty(m_pGroup, true);
}

CMech* CGroupAI::GetEmptyMech() const
{
    return FindEmpty(m_pGroup, false);
}

// --- handlers -----------------------------------------------------------------

void CGroupAI::ProcessWait()
{
    if (!m_pGroup || !m_pGroup->m_bActive || m_pGroup->m_bAssembled) return;
    const CGliderObject* player = GetPlayerGlider();
    CMech* playerMech = GetPlayerMech();
    if (!player || !playerMech || (m_Route.empty() && !m_bAssigned)) return;
    if ((player->GetPosition() - m_pGroup->m_vCentre).LengthSq() > 62500.0f)
        Move();
    else
        FaceTarget(playerMech);
}

void CGroupAI::ProcessFaceTarget()
{
    if (!m_pGroup || m_pGroup->m_bAssembled || !m_pGroup->m_bActive || m_pGroup->m_bDisbanded ||
        m_pGroup->GetMemberCount() == 0)
        return;
    m_pGroup->UpdateCentre();
    const CGliderObject* player = GetPlayerGlider();
    if (player && (player->GetPosition() - m_pGroup->m_vCentre).LengthSq() > 62500.0f) Wait();
}

void CGroupAI::ProcessInspect()
{
    m_fModeTimer -= GetFrameTime();
    if (m_fModeTimer <= 0.0f) Move();
}

void CGroupAI::ProcessPickup()
{
    if (!m_pGroup) return;
    if (m_pGroup->m_bAssembled)
    {
        Move();
        return;
    }
    if (m_fPickupTimer > 10.0f)
    {
        Move();
        if (m_nMode != MODE_PICKUP) return;
    }
    for (const CBasicAI* ai : MemberAIs(false))
        if (ai->m_nMode == CBasicAI::MODE_MOVE && ai->m_bPickUp) return;
    FindThing();
}

void CGroupAI::RestoreTarget()
{
    if (!IsNameSet(m_szTarget) || !g_pWorld) return;
    CMech* found = nullptr;
    for (CMech* m : g_pWorld->m_Mechs)
        if (m && SameName(m->m_szId, m_szTarget)) found = m;
    if (found)
    {
        if (m_nMode == MODE_RETREAT)
            Retreat(GetMechGroup(found));
        else if (m_nMode == MODE_ATTACK)
            Attack1(found, true);
    }
    ClearName(m_szTarget);
}

// --- relations ----------------------------------------------------------------

int CGroupAI::FindRelation(const CMechGroup2* group) const
{
    if (!group) return -1;
    for (int i = 0; i < m_nRelations; ++i)
        if (m_Relations[i].m_pGroup == group) return i;
    return -1;
}

// --- the AI's record ----------------------------------------------------------
//
// Little-endian, packed; version 4 is written, 1 to 4 are read.
//     u32 version              i32 member count (skipped on reading)
//     i32 tick                 i32 spy counter
//     f32 think clock (a fresh draw replaces it on reading)
//     f32 mode timer           i32 mode            3 x f32 destination
//     u32 n (at most 4096), n x i32 route nodes (-1 entries dropped)
//     u32 m (at most 40), m x 32-byte SGroupRelationRecord (pointer word
//         written as it is, cleared on reading)
//     i32 current road, i32 reserved 0, i32 previous road, f32 progress,
//     f32 segment length, i32 spare, u8 forward, 3 x f32 segment direction,
//     32 route start, 32 route end,
//     i32 index of the group in the group list (-1 when not listed)
//     only for a disassembled group: each member's CBasicAI record whose
//         mech is neither killed, in a building nor out of play
//     32 target mech id (first word -1: none)
//   version 2 on:
//     u8 follow, f32 threat, u8 off route, i32 trouble count, 32 last
//     building, u8 escort far, u8 in trouble, u8 stop at the route's end,
//     i32 spare 2, f32 escort radius, f32 reaction, u8 assigned to player
//   version 4 on:
//     u8 talk
// Groups save assembled, so the member records normally do not appear.

namespace
{
constexpr std::uint32_t kRecordVersion = 4;
constexpr std::uint32_t kMaxRouteNodes = 4096;

bool MemberHasRecord(const CMech* m)
{
    return !m->m_bDead && !m->m_bInBuilding && m->m_bAlive;
}

CBasicAI* MemberAI(const CMech* m)
{
    CGliderObject* g = GetMemberGlider(m);
    return g ? dynamic_cast<CBasicAI*>(g->m_pAI.get()) : nullptr;
}
} // namespace

void CGroupAI::SaveToStream(CMemStream& s) const
{
    XTRACE("CGroupAI::SaveToStream");
    auto put = [&s](const auto& v) { s.Write(&v, sizeof v); };
    put(kRecordVersion);
    put(std::int32_t(m_pGroup ? m_pGroup->GetMemberCount() : 0));
    put(m_nTick);
    put(m_nSpyCount);
    put(m_fThinkClock);
    put(m_fModeTimer);
    put(m_nMode);
    s.Write(&m_vDestination, 12);
    put(std::uint32_t(m_Route.size()));
    for (std::int32_t node : m_Route)
        put(node);
    const std::uint32_t relations = std::uint32_t(std::clamp(m_nRelations, 0, kMaxRelations));
    put(relations);
    for (std::uint32_t i = 0; i < relations; ++i)
    {
        const SGroupRelation& r = m_Relations[i];
        const SGroupRelationRecord rec{r.m_nIndex,   0,           r.m_nState, r.m_fDistance, r.m_fLastSum,
                                       r.m_fRelation, r.m_fOrgFactor, r.m_bTower, r.m_bSpare,   r.m_bFromOrg,
                                       r.m_bKept};
        put(rec);
    }
    put(m_nCurrentRoad);
    put(std::int32_t(0));
    put(m_nPreviousRoad);
    put(m_fProgress);
    put(m_fSegmentLength);
    put(m_nSpare);
    put(m_bForward);
    s.Write(&m_vSegment, 12);
    s.Write(m_szRouteStart, 32);
    s.Write(m_szRouteEnd, 32);
    std::int32_t index = -1;
    for (int i = 0; i < g_MechGroupList2.GetCount(); ++i)
        if (m_pGroup && g_MechGroupList2.GetGroup(i) == m_pGroup) index = i;
    put(index);
    if (m_pGroup && !m_pGroup->m_bAssembled)
        for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
            if (const CMech* m = m_pGroup->GetMember(i); MemberHasRecord(m))
            {
                const CBasicAI* ai = MemberAI(m);
                CBasicAI blank;
                (ai ? ai : &blank)->SaveToStream(s);
            }
    char target[32];
    ClearName(target);
    if (m_pTarget) CopyName(target, m_pTarget->m_szId);
    s.Write(target, 32);
    put(m_bFollow);
    put(m_fThreat);
    put(m_bOffRoute);
    put(m_nTroubleCount);
    s.Write(m_szLastBuilding, 32);
    put(m_bEscortFar);
    put(m_bInTrouble);
    put(m_bStopAtEnd);
    put(m_nSpare2);
    put(m_fEscortRadius);
    put(m_fReaction);
    put(m_bAssigned);
    put(m_bTalk);
}

void CGroupAI::LoadFromStream(CMemStream& stream)
{
    XTRACE("CGroupAI::LoadFromStream");
    CStreamReader in(stream, "group AI");
    // Read whole into a copy of the fields, then taken over: a damaged
    // record leaves the AI as it was.
    struct SRecord
    {
        std::int32_t tick, spy, mode, current, previous, spare, trouble, spare2;
        float modeTimer, progress, segmentLength, threat, escortRadius, reaction;
        CVector destination, segment;
        std::vector<std::int32_t> route;
        std::vector<SGroupRelationRecord> relations;
        std::uint8_t forward, follow, offRoute, escortFar, inTrouble, stopAtEnd, assigned, talk;
        char routeStart[32], routeEnd[32], target[32], lastBuilding[32];
    } r{m_nTick, m_nSpyCount, m_nMode, 0, 0, 0, m_nTroubleCount, m_nSpare2,
        m_fModeTimer, 0.0f, 0.0f, m_fThreat, m_fEscortRadius, m_fReaction,
        {}, {}, {}, {}, 0, m_bFollow, m_bOffRoute, m_bEscortFar, m_bInTrouble, m_bStopAtEnd, m_bAssigned, m_bTalk,
        {}, {}, {}, {}};
    CopyName(r.lastBuilding, m_szLastBuilding);
    auto f32 = [&in]
    {
        float f;
        in.Bytes(&f, 4);
        return f;
    };
    auto name = [&in](char out[32])
    {
        in.Bytes(out, 32);
        out[31] = 0;
    };
    const std::uint32_t v = in.U32();
    if (v < 1 || v > kRecordVersion) in.Fail("version %u", v);
    in.I32();
    r.tick = in.I32();
    r.spy = in.I32();
    f32();
    r.modeTimer = f32();
    r.mode = in.I32();
    in.Bytes(&r.destination, 12);
    const std::uint32_t n = in.Count(4, "route nodes");
    if (n > kMaxRouteNodes) in.Fail("route of %u nodes", n);
    for (std::uint32_t i = 0; i < n; ++i)
        if (const std::int32_t node = in.I32(); node != -1) r.route.push_back(node);
    const std::uint32_t m = in.Count(sizeof(SGroupRelationRecord), "relations");
    if (m > std::uint32_t(kMaxRelations)) in.Fail("%u relations, at most %d", m, kMaxRelations);
    r.relations.resize(m);
    for (SGroupRelationRecord& rec : r.relations)
        in.Bytes(&rec, sizeof rec);
    r.current = in.I32();
    in.I32();
    r.previous = in.I32();
    r.progress = f32();
    r.segmentLength = f32();
    r.spare = in.I32();
    r.forward = in.U8();
    in.Bytes(&r.segment, 12);
    name(r.routeStart);
    name(r.routeEnd);
    const std::int32_t index = in.I32();
    CMechGroup2* group = m_pGroup;
    // The listed group is taken only when it is the one that owns this AI;
    // another group's entry would leave two AIs driving one group.
    if (CMechGroup2* listed = g_MechGroupList2.GetGroup(index); listed && listed->GetGroupAI() == this)
        group = listed;
    if (group && !group->m_bAssembled)
        for (int i = 0; i < group->GetMemberCount(); ++i)
            if (const CMech* mech = group->GetMember(i); MemberHasRecord(mech))
            {
                CBasicAI* ai = MemberAI(mech);
                CBasicAI scratch;
                (ai ? ai : &scratch)->LoadFromStream(stream);
            }
    name(r.target);
    if (v > 1)
    {
        r.follow = in.U8();
        r.threat = f32();
        r.offRoute = in.U8();
        r.trouble = in.I32();
        name(r.lastBuilding);
        r.escortFar = in.U8();
        r.inTrouble = in.U8();
        r.stopAtEnd = in.U8();
        r.spare2 = in.I32();
        r.escortRadius = f32();
        r.reaction = f32();
        r.assigned = in.U8();
    }
    if (v > 3) r.talk = in.U8();

    m_nLoadedVersion = v;
    m_pGroup = group;
    m_nTick = r.tick;
    m_nSpyCount = r.spy;
    m_fModeTimer = r.modeTimer;
    m_nMode = r.mode;
    m_vDestination = r.destination;
    m_Route = std::move(r.route);
    m_nRelations = std::int32_t(r.relations.size());
    for (int i = 0; i < kMaxRelations; ++i)
    {
        SGroupRelation e;
        if (i < m_nRelations)
        {
            const SGroupRelationRecord& rec = r.relations[std::size_t(i)];
            e.m_nIndex = rec.index;
            e.m_nState = rec.state;
            e.m_fDistance = rec.distance;
            e.m_fLastSum = rec.lastSum;
            e.m_fRelation = std::isfinite(rec.relation) ? std::clamp(rec.relation, -1.0f, 1.0f) : 0.0f;
            e.m_fOrgFactor = rec.orgFactor;
            e.m_bTower = rec.tower;
            e.m_bSpare = rec.spare;
            e.m_bFromOrg = rec.fromOrg;
            e.m_bKept = rec.kept;
        }
        m_Relations[i] = e;
    }
    m_nCurrentRoad = m_nPreviousRoad = -1;
    SetCurrentRoad(r.previous);
    SetCurrentRoad(r.current);
    m_fProgress = r.progress;
    m_fSegmentLength = r.segmentLength;
    m_nSpare = r.spare;
    m_bForward = r.forward;
    m_vSegment = r.segment;
    CopyName(m_szRouteStart, r.routeStart);
    CopyName(m_szRouteEnd, r.routeEnd);
    m_pTarget = nullptr;
    if (IsNameSet(r.target))
        CopyName(m_szTarget, r.target);
    else
        ClearName(m_szTarget);
    m_bFollow = r.follow;
    m_fThreat = r.threat;
    m_bOffRoute = r.offRoute;
    m_nTroubleCount = r.trouble;
    CopyName(m_szLastBuilding, r.lastBuilding);
    m_bEscortFar = r.escortFar;
    m_bInTrouble = r.inTrouble;
    m_bStopAtEnd = r.stopAtEnd;
    m_nSpare2 = r.spare2;
    m_fEscortRadius = r.escortRadius;
    m_fReaction = r.reaction;
    m_bAssigned = r.assigned;
    m_bTalk = r.talk;
    // Loaded groups think out of step.
    m_fThinkClock = g_Random.Random(10000.0f);
}

// --- the patrol -----------------------------------------------------------------

void CPatrolGroupAI::OnMemberHit(CMech* attacker, float /*damage*/)
{
    if (!m_pGroup || !attacker || attacker == m_pTarget || !GetMemberGlider(attacker)) return;
    if (GetMechGroup(attacker) == m_pGroup) return;
    Attack1(attacker, true);
}

void CPatrolGroupAI::Attack1(CMech* target, bool /*order*/)
{
    if (!m_pGroup || !GetMemberGlider(target) || GetMechGroup(target) == m_pGroup)
    {
        Move();
        return;
    }
    m_nMode = MODE_ATTACK;
    m_pTarget = target;
    for (CBasicAI* ai : MemberAIs(true))
        ai->Attack(target);
}

void CPatrolGroupAI::ProcessAttack()
{
    const CGliderObject* t = GetMemberGlider(m_pTarget);
    const CMechanoid* m = t ? t->m_pMechanoid : nullptr;
    if (!m_pGroup || !t || !t->m_bAlive || !m || m->IsKilled() ||
        (t->GetPosition() - m_pGroup->m_vCentre).LengthSq() > 2250000.0f)
    {
        m_pTarget = nullptr;
        Move();
    }
}
