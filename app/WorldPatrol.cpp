#include "app/WorldPatrol.h"

#include "app/PlayerGlider.h"
#include "foundation/ErrorLog.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/ObjectFrame.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/World.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <cmath>

namespace
{
// Members fly this far apart, this high over the ground.
constexpr float kSpacing = 40.0f;
constexpr float kOverGround = 6.0f;

float Ground(const CVector& p)
{
    float h = 0.0f;
    if (g_pWorldTerrain && g_pWorldTerrain->GetHeight(p, &h)) return h;
    return g_pWorldTerrain ? g_pWorldTerrain->GetRoughHeight(p, true) : 0.0f;
}
} // namespace

CWorldPatrol::~CWorldPatrol()
{
    Release();
}

CGliderObject* CWorldPatrol::GetGlider(int i) const
{
    return i >= 0 && i < GetCount() ? m_Members[std::size_t(i)].glider : nullptr;
}

bool CWorldPatrol::Create(CGliderObject* player, const char* group)
{
    XTRACE("CWorldPatrol::Create");
    Release();
    const CMechGroupDesc* desc = g_MechGroupList.Find(group);
    if (!desc || !g_pWorld)
    {
        g_ErrorLog.LogError("CWorldPatrol::Create: no group description %s", group);
        return false;
    }
    auto patrol = std::make_unique<CPatrolGroupAI>();
    for (std::int32_t node : desc->m_RoadSet)
        if (node >= 0 && node < g_RoadManager.GetNodeCount())
            patrol->m_Points.push_back(g_RoadManager.m_Nodes[std::size_t(node)].position);
    if (patrol->m_Points.size() < 2)
    {
        g_ErrorLog.LogError("CWorldPatrol::Create: group %s has fewer than two road nodes", group);
        return false;
    }
    // Every member's configuration first, so that nothing is half made.
    const int count = std::min<int>(desc->m_nMemberCount, CMechGroupDesc::kMaxMembers);
    std::vector<std::unique_ptr<CMechanoid>> fitted;
    for (int i = 0; i < count; ++i)
    {
        fitted.push_back(std::make_unique<CMechanoid>());
        if (!FitFromConfiguration(*fitted.back(), desc->m_szMembers[i]))
        {
            g_ErrorLog.LogError("CWorldPatrol::Create: group %s, member %d: no configuration %s", group, i,
                                desc->m_szMembers[i]);
            return false;
        }
    }
    // The world's mech records of the group: the leader under the group's
    // name and the members after it.
    const std::size_t first = g_pWorld->m_Mechs.size();
    if (!g_pWorld->CreateM1Group(group, true) || g_pWorld->m_Mechs.size() < first + std::size_t(count))
        return false;

    m_pPlayer = player;
    g_pAIEvents = this;
    const CVector from = patrol->m_Points[0], to = patrol->m_Points[1];
    const CVector ahead = Normalize(CVector{to.x - from.x, to.y - from.y, 0.0f});
    const CVector across{ahead.y, -ahead.x, 0.0f};
    patrol->m_pGroup = &m_Group;
    patrol->m_nPoint = 1;
    m_Group.m_pGroupAI = std::move(patrol);
    for (int i = 0; i < count; ++i)
    {
        SMember m;
        m.mech = g_pWorld->m_Mechs[first + std::size_t(i)];
        m.mechanoid = std::move(fitted[std::size_t(i)]);
        CObjectFrame frame;
        frame.SetForward(ahead);
        CMatrix placement = frame.m_Matrix;
        // The side axis to the right, as the physics steers the glider.
        for (int r = 0; r < 3; ++r)
            placement.m[r][0] = -placement.m[r][0];
        CVector at = from + across * (kSpacing * float(i));
        at.z = Ground(at) + kOverGround;
        placement.SetTranslation(at);
        m.glider = new CGliderObject;
        m.glider->m_pMechanoid = m.mechanoid.get();
        m.glider->Init(placement, m.mechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key);
        m.glider->AssignMechanoid(m.mech, m.mechanoid.get(), true);
        m.mechanoid->Repair();
        m.mech->m_pGroup = &m_Group;
        auto* ai = new CBasicAI;
        ai->SetMech(m.mech);
        m.glider->m_pAI.reset(ai);
        g_ObjectList.AddObject(m.glider);
        m_Group.m_Members.push_back(m.mech);
        m_Members.push_back(std::move(m));
    }
    m_Group.m_vPoint = from;
    m_Group.GetGroupAI()->Move();
    return true;
}

void CWorldPatrol::Run(float dt)
{
    if (m_Members.empty()) return;
    // A member whose mechanoid was killed has blown up: the object list
    // deletes its glider at the end of the frame, so it is forgotten here
    // (and by its mech record and the group) without being touched.
    for (SMember& m : m_Members)
    {
        if (!m.glider || !m.mechanoid->IsKilled()) continue;
        m.glider = nullptr;
        m.mech->m_pObject = nullptr;
        m.mechanoid->m_lpObject = nullptr;
        std::erase(m_Group.m_Members, m.mech);
    }
    if (CGroupAI* ai = m_Group.GetGroupAI()) ai->Run(dt);
    for (SMember& m : m_Members)
        if (m.glider) m.mechanoid->Run(dt);
}

void CWorldPatrol::Release()
{
    for (SMember& m : m_Members)
    {
        if (m.glider)
        {
            m.glider->m_pAI.reset();
            m.glider->m_pMech = nullptr;
            m.glider->m_pMechanoid = nullptr;
        }
        if (m.mech)
        {
            m.mech->m_pObject = nullptr;
            m.mech->m_pGroup = nullptr;
        }
        if (m.mechanoid) m.mechanoid->m_lpObject = nullptr;
    }
    m_Members.clear();
    m_Group.m_Members.clear();
    m_Group.m_pGroupAI.reset();
    if (g_pAIEvents == this) g_pAIEvents = nullptr;
    m_pPlayer = nullptr;
}

void CWorldPatrol::OnAIEvent(EAIEvent event, CGliderObject*)
{
    ++m_nEvents[event];
}
