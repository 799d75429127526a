// The group AI on the road net: the nearest road, routes, moving the members
// (disassembled) or the group's point (assembled), the choice of the next
// node, trouble mode, going into buildings and finding things.
#include "society/GroupAI.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "society/BasicAI.h"
#include "society/MMTrade.h"
#include "society/MechGroup.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
bool ValidNode(std::int32_t node)
{
    return node >= 0 && node < g_RoadManager.GetNodeCount();
}

const CRoadManager::SNode& Node(std::int32_t node)
{
    return g_RoadManager.m_Nodes[size_t(node)];
}

bool IsBad(const CVector& v)
{
    return std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z) ||
           (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f);
}

// Move calls itself back through the next-node choice; the chain is cut
// short rather than followed without end.
struct SDepth
{
    int& depth;
    explicit SDepth(int& d) : depth(++d) {}
    ~SDepth() { --depth; }
};
int g_nMoveDepth = 0;
constexpr int kMaxMoveDepth = 4;
} // namespace

bool CGroupAI::IsOnRoute(std::int32_t node) const
{
    return std::find(m_Route.begin(), m_Route.end(), node) != m_Route.end();
}

bool CGroupAI::GetRoadPoints(CVector* current, CVector* previous) const
{
    if (!ValidNode(m_nCurrentRoad) || !ValidNode(m_nPreviousRoad)) return false;
    *current = Node(m_nCurrentRoad).position;
    *previous = Node(m_nPreviousRoad).position;
    return true;
}

std::int32_t CGroupAI::GetRoadType() const
{
    return ValidNode(m_nCurrentRoad) ? Node(m_nCurrentRoad).type : -1;
}

std::int32_t CGroupAI::GetNearestRoad()
{
    if (!m_pGroup) return m_nCurrentRoad;
    const std::int32_t n = g_RoadManager.GetNodeCount();
    if (IsBad(m_pGroup->m_vCentre))
    {
        m_pGroup->UpdateActive();
        if (!m_pGroup->m_bActive || n == 0) return m_nCurrentRoad;
        std::int32_t node = 0;
        for (int i = 0; i < 20; ++i)
        {
            node = n > 2 ? g_Random.RandomInt(n - 2) : 0;
            if (Node(node).type == 0) break;
        }
        m_nPreviousRoad = node;
        m_pGroup->m_vCentre = Node(node).position;
        return node;
    }
    std::int32_t found = -1;
    float best = 0.0f;
    auto consider = [&](std::int32_t i)
    {
        if (!ValidNode(i) || i == m_nCurrentRoad) return;
        const float d = (Node(i).position - m_pGroup->m_vCentre).LengthSq();
        if (found < 0 || d < best)
        {
            found = i;
            best = d;
        }
    };
    if (!m_Route.empty())
        for (std::int32_t i : m_Route)
            consider(i);
    else
        for (std::int32_t i = 0; i < n; ++i)
            if (Node(i).type == 0) consider(i);
    if (ValidNode(found) && best < 1440000.0f) return found;
    return m_nCurrentRoad != -1 ? m_nCurrentRoad : found;
}

void CGroupAI::SetCurrentRoad(std::int32_t node)
{
    if (m_pGroup && m_pGroup->m_szName[0] && !m_Route.empty() && !IsOnRoute(node)) m_bInTrouble = 0;
    const std::int32_t oldCurrent = m_nCurrentRoad, oldPrevious = m_nPreviousRoad;
    m_nPreviousRoad = ValidNode(m_nCurrentRoad) ? m_nCurrentRoad : node;
    if (!ValidNode(node))
    {
        m_nCurrentRoad = -1;
        m_fSegmentLength = 0.0f;
        return;
    }
    m_nCurrentRoad = node;
    if (!ValidNode(m_nPreviousRoad)) return;
    if (m_bOffRoute && (oldCurrent != m_nCurrentRoad || oldPrevious != m_nPreviousRoad) && IsOnRoute(node))
        m_bOffRoute = 0;
    m_fProgress = std::max(0.0f, m_fProgress - m_fSegmentLength);
    m_vSegment = Node(m_nCurrentRoad).position - Node(m_nPreviousRoad).position;
    m_fSegmentLength = m_vSegment.Length();
}

bool CGroupAI::TakeZone(const char* point, float radius)
{
    XTRACE("CGroupAI::TakeZone");
    std::vector<std::int32_t> zone;
    if (!g_pWorld || !point || !g_pWorld->m_PathFinder.GetZone(point, radius, zone)) return false;
    m_Route.clear();
    for (std::int32_t node : zone)
        if (ValidNode(node)) m_Route.push_back(node);
    return !m_Route.empty();
}

bool CGroupAI::GuardPoint(const char* point, float radius)
{
    XTRACE("CGroupAI::GuardPoint");
    if (!TakeZone(point, radius)) return false;
    m_bGuarding = 1;
    m_bStopAtEnd = 0;
    m_bOffRoute = 0;
    Move();
    return true;
}

void CGroupAI::WalkZone()
{
    XTRACE("CGroupAI::WalkZone");
    if (!ValidNode(m_nCurrentRoad)) return;
    const CRoadManager::SNode& cur = Node(m_nCurrentRoad);
    std::vector<std::int32_t> onRoute;
    int back = 0;
    for (int i = 0; i < cur.linkCount && i < CRoadManager::kMaxLinks; ++i)
    {
        const std::int32_t link = cur.links[i];
        if (link == m_nPreviousRoad)
            ++back;
        else if (IsOnRoute(link))
            onRoute.push_back(link);
    }
    std::int32_t next = -1;
    if (onRoute.empty())
    {
        if (back == 0)
        {
            GetNextRoadItem2();
            return;
        }
        next = m_nPreviousRoad;
    }
    else
        next = onRoute[std::size_t(g_Random.RandomInt(std::int32_t(onRoute.size())))];
    if (next != -1) SetCurrentRoad(next);
    m_fProgress = 0.0f;
}

void CGroupAI::ProcessRoamingMove(float dt)
{
    CGroupAI::ProcessMove(dt);
    if (m_pGroup && !m_pGroup->m_bAssembled && !m_bAssigned && IsNearDestination())
    {
        GetNextRoadItem();
        if (m_nMode != MODE_PACK) Move();
    }
}

void CGroupAI::Move(std::int32_t road)
{
    XTRACE("CGroupAI::Move");
    if (!m_pGroup) return;
    m_bGuarding = 0;
    m_fModeTimer = 0.0f;
    m_pGroup->UpdateCentre();
    if (m_nCurrentRoad == -1) m_nCurrentRoad = m_nPreviousRoad = GetNearestRoad();
    if (IsOnRoute(road))
    {
        m_bStopAtEnd = 1;
        Move();
        return;
    }
    SPathRoute route;
    float length = 0.0f;
    if (g_pWorld && g_pWorld->m_PathFinder.FindPathByIndex(m_nCurrentRoad, road, &route, &length, 1, true) &&
        route.Count() > 0)
    {
        m_Route = route.nodes;
        m_bStopAtEnd = 1;
        Move();
    }
}

void CGroupAI::Move()
{
    XTRACE("CGroupAI::Move");
    SDepth depth(g_nMoveDepth);
    if (depth.depth > kMaxMoveDepth || !m_pGroup) return;
    if (m_nMode == MODE_ATTACK && IsPlayerMech(m_pTarget))
    {
        const CMech* first = m_pGroup->GetMember(0);
        Raise("OnFear", first ? first->m_szId : "");
    }
    if (m_nMode != MODE_RETREAT) m_pTarget = nullptr;
    if (!m_pGroup->m_bActive || m_pGroup->GetMemberCount() == 0) return;
    if (m_nKind == kPlainKind) m_bStopAtEnd = 1;
    if (!m_bAssigned)
    {
        if (m_nCurrentRoad == -1)
        {
            SetCurrentRoad(GetNearestRoad());
            m_nPreviousRoad = m_nCurrentRoad;
            m_bForward = 0;
        }
        if (!ValidNode(m_nCurrentRoad))
        {
            SetCurrentRoad(GetNearestRoad());
            return;
        }
        m_vDestination = Node(m_nCurrentRoad).position;
        if (!m_pGroup->m_bAssembled)
        {
            for (CBasicAI* ai : MemberAIs(true))
                ai->MoveTo(m_vDestination.x, m_vDestination.y, m_vDestination.z);
            m_pGroup->UpdateCentre();
        }
    }
    else
    {
        m_pGroup->UpdateCentre();
        if (const CGliderObject* p = GetPlayerGlider()) m_vDestination = p->GetPosition();
    }
    if (m_nMode != MODE_RETREAT) m_nMode = MODE_MOVE;
    m_fModeTimer = 0.0f;
    if (IsNearDestination()) GetNextRoadItem();
}

bool CGroupAI::IsNearDestination() const
{
    if (!m_pGroup) return false;
    const float r = m_bInTrouble ? 70.0f : m_nMode == MODE_RETREAT ? 180.0f : 120.0f;
    if ((m_vDestination - m_pGroup->m_vCentre).LengthSq() <= r * r) return true;
    if (!ValidNode(m_nCurrentRoad) || !ValidNode(m_nPreviousRoad) || m_nCurrentRoad == m_nPreviousRoad)
        return false;
    const CVector& cur = Node(m_nCurrentRoad).position;
    CVector back = Node(m_nPreviousRoad).position - cur;
    const float len = back.Length();
    if (len <= 0.0f) return false;
    back = back * (1.0f / len);
    return Dot(back, cur - m_pGroup->m_vCentre) >= 0.0f;
}

void CGroupAI::ProcessMove(float dt)
{
    XTRACE("CGroupAI::ProcessMove");
    if (!m_pGroup) return;
    m_fThreat = -10.0f;
    CMech* playerMech = GetPlayerMech();
    if (m_bAssigned && !m_pGroup->m_bInBuilding && m_bFollow && g_pPlayerGroup && playerMech)
    {
        m_pGroup->UpdateCentre();
        m_vDestination = g_pPlayerGroup->m_vCentre;
        if (!m_pGroup->m_bAssembled)
        {
            bool sent = false;
            for (CBasicAI* ai : MemberAIs(false))
            {
                CGliderObject* g = ai->GetGlider();
                const float d = (g->GetPosition() - m_vDestination).LengthSq();
                if (d > m_fEscortRadius + 10000.0f)
                {
                    ai->MoveTo(m_vDestination.x, m_vDestination.y, m_vDestination.z);
                    ai->m_fArrivalSq = 2500.0f;
                    sent = true;
                }
                else if (d < m_fEscortRadius)
                {
                    ai->FaceTarget(playerMech);
                    g->m_fGrip = 1.0f;
                    g->SetTraction(0.0f);
                }
            }
            if (sent) Move();
        }
    }
    auto escortTests = [&](CMech* member) -> bool
    {
        const CGliderObject* g = GetMemberGlider(member);
        const CVector at = g ? g->GetPosition() : m_pGroup->m_vCentre;
        if ((at - m_vDestination).LengthSq() > 2700000.0f)
        {
            m_pGroup->AssignToPlayer(false);
            Raise("OnEscortLeftBehind", member->m_szId);
            return true;
        }
        if (!m_bEscortFar && (m_pGroup->m_vCentre - m_vDestination).LengthSq() > 1800000.0f)
        {
            m_bEscortFar = 1;
            Raise("OnEscortFar", member->m_szId);
        }
        return false;
    };
    if (!m_pGroup->m_bAssembled)
    {
        m_pGroup->UpdateCentre();
        if ((m_pGroup->m_vCentre - m_vDestination).LengthSq() > 2250000.0f)
        {
            FixTrouble();
            SetCurrentRoad(GetNearestRoad());
            Move();
            return;
        }
        // The transport, hunter and people kinds advance the same way until
        // their own steps exist.
        if ((m_pGroup->m_vCentre - m_vDestination).LengthSq() < 6400.0f && !m_bAssigned)
        {
            GetNextRoadItem();
            if (m_nMode != MODE_WAIT && m_nMode != MODE_PACK) Move();
        }
        if ((m_pGroup->m_vCentre - m_vDestination).LengthSq() < 0.7f * 1800000.0f) m_bEscortFar = 0;
        if (!m_bAssigned)
        {
            for (CBasicAI* ai : MemberAIs(false))
                if (CGliderObject* g = ai->GetGlider();
                    (g->GetPosition() - m_pGroup->m_vCentre).LengthSq() > 62500.0f)
                    g->m_fGrip = 0.5f;
        }
        else
            for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
            {
                CMech* m = m_pGroup->GetMember(i);
                if (!m->m_bDead && GetMemberGlider(m))
                {
                    escortTests(m);
                    break;
                }
            }
        return;
    }
    if (m_pGroup->m_bInBuilding) return;
    const float step = (g_Random.Random(1.0f) + 0.5f) * m_pGroup->m_fSpeedFactor * 150.0f * dt;
    if (!m_bAssigned)
    {
        m_fProgress += step;
        if (m_nCurrentRoad == -1 && m_nPreviousRoad == -1) GetNextRoadItem();
        const int n = std::clamp(int(std::lround(3.0f * dt)), 5, 100);
        for (int i = 0; i <= n && m_fProgress > m_fSegmentLength; ++i)
        {
            GetNextRoadItem();
            if (m_pGroup->m_bInBuilding || m_nMode == MODE_WAIT) break;
        }
        if (m_fProgress > m_fSegmentLength) m_fProgress = m_fSegmentLength;
        if (ValidNode(m_nPreviousRoad) && !m_pGroup->m_bInBuilding)
            m_pGroup->m_vCentre = m_fSegmentLength > 0.0f ? Node(m_nPreviousRoad).position +
                                                                m_vSegment * (m_fProgress / m_fSegmentLength)
                                                          : Node(m_nPreviousRoad).position;
        return;
    }
    // An assembled escort keeps beside the player's group.
    m_fProgress = step;
    if (g_pPlayerGroup) m_pGroup->m_vCentre = g_pPlayerGroup->m_vCentre;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        CMech* m = m_pGroup->GetMember(i);
        if (GetMechMechanoid(m) && !m->m_bDead && !m->m_bInBuilding && m->m_bAlive)
        {
            escortTests(m);
            break;
        }
    }
}

bool CGroupAI::IsBuildingNode(std::int32_t node)
{
    if (!ValidNode(node) || !m_pGroup) return false;
    if (IsNameSet(m_szLastBuilding) && SameName(Node(node).name, m_szLastBuilding)) return false;
    return m_pGroup->CheckBuilding(node);
}

void CGroupAI::EnterNodeBuilding()
{
    m_fProgress = 0.0f;
    if (m_pGroup->m_bAssembled)
        OnBuilding(Node(m_nCurrentRoad).name);
    else
        PackToBuilding();
}


void CGroupAI::GetNextRoadItem()
{
    XTRACE("CGroupAI::GetNextRoadItem");
    if (m_bOffRoute)
    {
        GetNextRoadItem2();
        return;
    }
    if (m_bInTrouble)
    {
        GetNextRoadItemOnTrouble();
        return;
    }
    if (m_Route.empty() && !m_bAssigned)
    {
        if (m_nKind == kPlainKind)
        {
            m_fSegmentLength = m_fProgress = 0.0f;
            Wait();
        }
        SetCurrentRoad(-1);
        return;
    }
    const auto it = std::find(m_Route.begin(), m_Route.end(), m_nCurrentRoad);
    if (it == m_Route.end())
    {
        m_bOffRoute = 1;
        GetNextRoadItem2();
        return;
    }
    if (m_nKind != kPlainKind && IsBuildingNode(m_nCurrentRoad))
    {
        EnterNodeBuilding();
        return;
    }
    if (m_bGuarding)
    {
        WalkZone();
        return;
    }
    const std::int32_t last = std::int32_t(m_Route.size()) - 1;
    std::int32_t pos = std::int32_t(it - m_Route.begin()) + (m_bForward ? 1 : -1);
    if (pos < 0)
    {
        m_bForward = 1;
        pos = 0;
    }
    else if (pos > last)
    {
        if (m_bStopAtEnd)
        {
            Wait();
            return;
        }
        m_bForward = 0;
        pos = last;
    }
    SetCurrentRoad(m_Route[size_t(pos)]);
}

void CGroupAI::GetNextRoadItem2()
{
    XTRACE("CGroupAI::GetNextRoadItem2");
    if (!m_pGroup)
    {
        g_ErrorLog.LogError("Warning: Can't move empty group");
        return;
    }
    if (!ValidNode(m_nCurrentRoad))
    {
        SetCurrentRoad(GetNearestRoad());
        m_nPreviousRoad = m_nCurrentRoad;
        m_bOffRoute = 0;
        m_bInTrouble = 1;
        if (ValidNode(m_nCurrentRoad)) Move();
        return;
    }
    if (m_nKind != kPlainKind && IsBuildingNode(m_nCurrentRoad))
    {
        EnterNodeBuilding();
        return;
    }
    const CRoadManager::SNode& cur = Node(m_nCurrentRoad);
    std::vector<std::int32_t> others;
    int back = 0;
    for (int i = 0; i < cur.linkCount && i < CRoadManager::kMaxLinks; ++i)
        if (cur.links[i] == m_nPreviousRoad)
            ++back;
        else
            others.push_back(cur.links[i]);
    std::int32_t next = -1;
    if (others.empty())
    {
        if (back > 0)
            next = m_nPreviousRoad;
        else
        {
            float best = 0.0f;
            for (std::int32_t i = 1; i < g_RoadManager.GetNodeCount(); ++i)
            {
                const float d = (Node(i).position - m_pGroup->m_vCentre).LengthSq();
                if (next < 0 || d < best)
                {
                    next = i;
                    best = d;
                }
            }
        }
    }
    else if (const CGliderObject* t = GetMemberGlider(m_pTarget); m_nMode == MODE_RETREAT && t &&
                                                                  GetMechMechanoid(m_pTarget) &&
                                                                  !GetMechMechanoid(m_pTarget)->IsKilled())
    {
        CVector away = m_pGroup->m_vCentre - t->GetPosition();
        const float len = away.Length();
        if (len > 0.0f) away = away * (1.0f / len);
        float best = -1e30f;
        for (std::int32_t link : others)
        {
            if (!ValidNode(link)) continue;
            const float d = Dot(away, Node(link).position);
            if (d > best)
            {
                best = d;
                next = link;
            }
        }
    }
    else
        next = others[size_t(g_Random.RandomInt(int(others.size())))];
    if (next != -1 && !ValidNode(next))
    {
        g_ErrorLog.LogError("iNextPos!=NOID");
        next = -1;
    }
    if (next == -1) next = m_nCurrentRoad;
    SetCurrentRoad(next);
}

void CGroupAI::GetNextRoadItemOnTrouble()
{
    XTRACE("CGroupAI::GetNextRoadItemOnTrouble");
    if (!m_pGroup) return;
    if (m_pGroup->m_bAssembled)
    {
        m_bInTrouble = 0;
        return;
    }
    if (m_nCurrentRoad == -1 || !ValidNode(m_nCurrentRoad))
    {
        FixTrouble();
        return;
    }
    const CVector& c = m_pGroup->m_vCentre;
    if (Node(m_nCurrentRoad).type == 1)
    {
        if (m_TroubleRoute.empty())
        {
            m_bOffRoute = 1;
            FixTrouble();
            GetNextRoadItem();
            Move();
            return;
        }
        std::int32_t pos = 0;
        float best = 1e30f;
        for (std::int32_t i = 0; i < std::int32_t(m_TroubleRoute.size()); ++i)
            if (ValidNode(m_TroubleRoute[size_t(i)]))
                if (const float d = (Node(m_TroubleRoute[size_t(i)]).position - c).LengthSq(); d < best)
                {
                    best = d;
                    pos = i;
                }
        if (pos > 1 && pos < std::int32_t(m_TroubleRoute.size()))
        {
            SetCurrentRoad(m_TroubleRoute[size_t(pos - 1)]);
            return;
        }
        SetCurrentRoad(GetNearestRoad());
        FixTrouble();
        return;
    }
    std::int32_t found = -1;
    float best = 90000.0f;
    for (std::int32_t i = 0; i < g_RoadManager.GetNodeCount(); ++i)
    {
        const CRoadManager::SNode& n = Node(i);
        if (n.type != 1 || n.position.z - c.z >= 30.0f) continue;
        if (const float d = (n.position - c).LengthSq(); d < best)
        {
            best = d;
            found = i;
        }
    }
    if (found < 0 || found == m_nCurrentRoad)
    {
        m_bOffRoute = 1;
        SetCurrentRoad(GetNearestRoad());
        FixTrouble();
        return;
    }
    SPathRoute route;
    float length = 0.0f;
    if (g_pWorld && g_pWorld->m_PathFinder.FindPathByIndex(m_nCurrentRoad, found, &route, &length, 3, true))
    {
        m_TroubleRoute = route.nodes;
        if (!m_TroubleRoute.empty()) SetCurrentRoad(found);
    }
    else
    {
        m_bOffRoute = 1;
        GetNextRoadItem2();
        FixTrouble();
    }
}

void CGroupAI::OnTrouble(CMech* member)
{
    XTRACE("CGroupAI::OnTrouble");
    const CGliderObject* g = GetMemberGlider(member);
    if (!g || m_nMode == MODE_PACK) return;
    if (m_bAssigned || m_nMode == MODE_PICKUP)
    {
        m_bInTrouble = 0;
        return;
    }
    auto* ai = dynamic_cast<CBasicAI*>(g->m_pAI.get());
    if (!ai) return;
    if (ai->m_nMode == CBasicAI::MODE_RETREAT || ai->m_nMode == CBasicAI::MODE_MOVE)
    {
        m_bInTrouble = 1;
        GetNextRoadItemOnTrouble();
        Move();
    }
    else if (ai->m_nMode == CBasicAI::MODE_BUILDING)
    {
        ai->m_bArrived = ai->m_bArrived ? 0 : 1;
        ai->m_fTroubleTimer = 0.0f;
        if (++m_nTroubleCount >= 5)
        {
            m_nTroubleCount = 0;
            CBuildingObject* b = m_pGroup ? m_pGroup->m_pBuilding : nullptr;
            if (b && b->m_pApproaching)
            {
                CGliderObject* blocker = b->m_pApproaching;
                blocker->Jump(2.0f, true);
                if (auto* bai = dynamic_cast<CBasicAI*>(blocker->m_pAI.get()))
                    bai->MoveTo(b->GetPosition().x, b->GetPosition().y, b->GetPosition().z);
                b->m_pApproaching = nullptr;
            }
        }
    }
}

void CGroupAI::FixTrouble()
{
    m_bInTrouble = 0;
    if (m_nMode == MODE_PICKUP) return;
    m_TroubleRoute.clear();
    if (m_pGroup && !m_pGroup->m_bAssembled)
        for (CBasicAI* ai : MemberAIs(true))
            ai->m_fTroubleTimer = 0.0f;
    Move();
}

void CGroupAI::OnExitFromBuilding()
{
    XTRACE("CGroupAI::OnExitFromBuilding");
    if (!m_pGroup) return;
    bool exitFound = false;
    if (!m_pGroup->m_pBuilding)
        m_pGroup->m_pBuilding =
            dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(m_pGroup->m_szBuilding, OBJ_BUILDING));
    if (!m_pGroup->m_pBuilding)
        CopyName(m_szLastBuilding, m_pGroup->m_szBuilding);
    else
    {
        const char* id = m_pGroup->m_pBuilding->m_szGameId;
        char exitName[40];
        std::snprintf(exitName, sizeof exitName, "%.31s_EXIT", id);
        exitFound = g_RoadManager.FindRoadNode(exitName) >= 0 && !m_pGroup->m_bAssembled;
        const std::int32_t node = g_RoadManager.FindRoadNode(id);
        if (ValidNode(node)) SetCurrentRoad(node);
        CopyName(m_szLastBuilding, id);
    }
    m_pGroup->m_pBuilding = nullptr;
    m_bInTrouble = exitFound ? 1 : 0;
    if (exitFound) GetNextRoadItemOnTrouble();
    Move();
    m_bInTrouble = 1;
}

void CGroupAI::PackToBuilding()
{
    XTRACE("CGroupAI::PackToBuilding");
    if (m_bAssigned || !m_pGroup) return;
    m_nMode = MODE_PACK;
    for (CBasicAI* ai : MemberAIs(false))
    {
        ai->Wait();
        ai->m_bArrived = 0;
    }
    if (!ValidNode(m_nCurrentRoad) || !IsNameSet(Node(m_nCurrentRoad).name)) return;
    if (auto* b = dynamic_cast<CBuildingObject*>(
            g_ObjectList.FindByGameId(Node(m_nCurrentRoad).name, OBJ_BUILDING)))
    {
        b->AddVisitor(m_pGroup);
        m_pGroup->m_pBuilding = b;
    }
}

namespace
{
void RemoveVisitor(CBuildingObject* b, CMechGroup2* group)
{
    if (b) b->m_Visitors.RemoveAt(b->m_Visitors.Find(group));
}
} // namespace

// The group goes in; its members' plain goods go to the building's stock
// (a delivery: no money changes hands).
void CGroupAI::OnBuilding(const char* building)
{
    XTRACE("CGroupAI::OnBuilding");
    if (!m_pGroup || !building || !IsNameSet(building)) return;
    auto* b = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(building, OBJ_BUILDING));
    if (!b) return;
    SExBuildingTrade* trade = g_pTrade ? g_pTrade->FindBuilding(building) : nullptr;
    m_fProgress = 0.0f;
    m_pGroup->m_pBuilding = b;
    m_pGroup->OnBuilding();
    RemoveVisitor(b, m_pGroup);
    if (!trade) return;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
    {
        CMech* m = m_pGroup->GetMember(i);
        CMechanoid* mechanoid = GetMechMechanoid(m);
        if (!m->m_bAssigned || !mechanoid) continue;
        CItemRecArray& items = mechanoid->m_Garbage.m_Items;
        for (std::size_t k = 0; k < items.size();)
            if (items[k].m_nKind == ITEM_GOODS)
            {
                char name[33] = {};
                CopyName(name, items[k].m_szName);
                trade->AddGood(name, items[k].m_nCount, 0);
                items.RemoveAt(k);
            }
            else
                ++k;
    }
}

void CGroupAI::ProcessPackToBuilding()
{
    XTRACE("CGroupAI::ProcessPackToBuilding");
    if (!m_pGroup || !ValidNode(m_nCurrentRoad) || !IsNameSet(Node(m_nCurrentRoad).name)) return;
    CBuildingObject* b = m_pGroup->m_pBuilding;
    if (!b || m_pGroup->m_bInBuilding) return;
    auto* nodeBuilding =
        dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(Node(m_nCurrentRoad).name, OBJ_BUILDING));
    const CVector entrance = b->GetEntrancePoint(0);
    if (!b->m_pApproaching)
    {
        float best = 1e30f;
        for (int v = 0; v < b->m_Visitors.m_nCount; ++v)
        {
            const CMechGroup2* g = b->m_Visitors.m_Groups[v];
            for (int i = 0; g && i < g->GetMemberCount(); ++i)
                if (CGliderObject* glider = GetMemberGlider(g->GetMember(i)))
                {
                    glider->m_fGrip = 1.0f;
                    if (const float d = (glider->GetPosition() - entrance).LengthSq(); d < best)
                    {
                        best = d;
                        b->m_pApproaching = glider;
                    }
                }
        }
    }
    CGliderObject* entrant = b->m_pApproaching;
    const bool own = entrant && GetMechGroup(entrant->m_pMech) == m_pGroup;
    if (entrant && entrant->m_pMech)
    {
        const auto* eai = dynamic_cast<CBasicAI*>(entrant->m_pAI.get());
        const int em = eai ? eai->m_nMode : CBasicAI::MODE_IDLE;
        if (m_pGroup->m_bAssembled ||
            (em != CBasicAI::MODE_BUILDING && em != CBasicAI::MODE_WAIT && em != CBasicAI::MODE_MOVE &&
             em != CBasicAI::MODE_IDLE) ||
            (own && (entrant->GetPosition() - entrance).LengthSq() > 640000.0f))
        {
            RemoveVisitor(nodeBuilding, m_pGroup);
            CopyName(m_szLastBuilding, b->m_szGameId);
            if (b->m_pApproaching == entrant) b->m_pApproaching = nullptr;
            GetNextRoadItem();
            Move();
            return;
        }
    }
    int outside = 0;
    for (int i = 0; i < m_pGroup->GetMemberCount(); ++i)
        if (const CMech* m = m_pGroup->GetMember(i); m->m_bAssigned && !m->m_bInBuilding) ++outside;
    if (outside == 0)
    {
        if (b->m_szGameId[0]) OnBuilding(b->m_szGameId);
        RemoveVisitor(nodeBuilding, m_pGroup);
        m_nMode = MODE_MOVE;
        return;
    }
    if (own)
        if (auto* eai = dynamic_cast<CBasicAI*>(entrant->m_pAI.get()))
        {
            const CVector to = eai->m_bArrived ? entrance : Node(m_nCurrentRoad).position;
            eai->MoveTo(to.x, to.y, to.z);
            eai->m_nMode = CBasicAI::MODE_BUILDING;
            eai->m_vSegmentStart = Node(m_nCurrentRoad).position;
        }
}

void CGroupAI::FindThing()
{
    XTRACE("CGroupAI::FindThing");
    if (!m_pGroup || m_pGroup->m_bAssembled || m_bInTrouble || m_nMode == MODE_INSPECT ||
        m_nMode == MODE_ATTACK || m_nMode == MODE_RETREAT)
        return;
    SRadiusResult things;
    const CVector c = m_pGroup->m_vCentre;
    CObjectList::GetObjectsInRadius(&c, 200.0f, OBJ_THING, &things);
    bool any = false;
    for (int i = 0; i < things.count; ++i)
    {
        const CVector p = things.objects[i]->GetPosition();
        if (std::fabs(p.z - c.z) > 15.0f || IsThingTaken(p.x, p.y, p.z)) continue;
        any = true;
        PickUp(p.x, p.y, p.z);
        break;
    }
    if (!any && m_nMode == MODE_PICKUP)
    {
        for (CBasicAI* ai : MemberAIs(false))
            ai->m_bPickUp = 0;
        Move();
    }
}
