#include "society/MechGroup.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Prefetch.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/BasicAI.h"
#include "society/GroupAI.h"
#include "society/GroupAIKinds.h"
#include "society/Organization.h"
#include "society/WorldMechanoid.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/ObjectFrame.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <cstdio>
#include <cstring>
#include <typeinfo>

namespace
{
bool Killed(const CMech* m)
{
    return m->m_bDead != 0;
}
bool OutOfPlay(const CMech* m)
{
    return m->m_bAlive == 0;
}

CBuildingObject* FindBuildingObject(const char* id)
{
    if (!id || !id[0]) return nullptr;
    return dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(id, OBJ_BUILDING));
}

float SquaredViewRange(float factor)
{
    const float r = GetViewRange() * factor;
    return r * r;
}
} // namespace

CMechGroup2* GetMechGroup(const CMech* mech)
{
    return mech ? static_cast<CMechGroup2*>(mech->m_pGroup) : nullptr;
}

CMechanoid* GetMechMechanoid(const CMech* mech)
{
    if (!mech) return nullptr;
    if (const CGliderObject* g = GetMechGlider(mech); g && g->m_pMechanoid) return g->m_pMechanoid;
    // CWorldMechanoid is final: comparing the type is the cast, without the
    // cast's walk of the class tree (spying asks for every neighbour's
    // members on each pass).
    IWorldMechanoid* own = mech->m_pMechanoid;
    return own && typeid(*own) == typeid(CWorldMechanoid) ? &static_cast<CWorldMechanoid*>(own)->m_Mechanoid
                                                          : nullptr;
}

CGliderObject* GetMemberGlider(const CMech* mech)
{
    return GetMechGlider(mech);
}

// --- the group ----------------------------------------------------------------

CMechGroup2::CMechGroup2() = default;

// The members may be gone already (the world deletes its records in its
// own order): they are not touched.
CMechGroup2::~CMechGroup2() = default;

void CMechGroup2::InitGroup(const char* org)
{
    XTRACE("CMechGroup2::InitGroup");
    CopyName(m_szOrg, org);
    m_pOrg = g_pWorld ? g_pWorld->FindOrganization(m_szOrg) : nullptr;
    m_fSpeedFactor = 0.35f + g_Random.Random(0.3f);
    m_bDisbanded = m_bInBuilding = m_bVisible = 0;
    m_bAssembled = 1;
    m_fBuildingTimer = 0.0f;
    m_vCentre = CVector{};
    SetAI(3);
}

void CMechGroup2::SetAI(std::int32_t kind)
{
    MakeAI(kind);
    m_pAI->Init(this);
}

void CMechGroup2::MakeAI(std::int32_t kind)
{
    m_pAI.reset();
    m_nAIKind = kind;
    switch (kind)
    {
    case 0: m_pAI = std::make_unique<CTransGroupAI>(); break;
    case 1: m_pAI = std::make_unique<CHunterGroupAI>(); break;
    case 2: m_pAI = std::make_unique<CPeopleGroupAI>(); break;
    default: m_pAI = std::make_unique<CGroupAI>(); break;
    }
}

void CMechGroup2::SetAIObject(std::unique_ptr<CGroupAI> ai)
{
    m_pAI = std::move(ai);
    if (m_pAI)
    {
        m_nAIKind = m_pAI->m_nKind;
        m_pAI->Init(this);
    }
}

bool CMechGroup2::AddMech(CMech* mech)
{
    if (!mech) return false;
    if (CMechGroup2* old = GetMechGroup(mech); old && old != this) old->RemoveMech(mech);
    for (int i = 0; i < m_nMembers; ++i)
        if (m_Members[i] == mech) return true;
    if (m_nMembers >= kMaxMembers)
    {
        g_ErrorLog.LogError("CMechGroup2::AddMech %s: group %s has %d members already", mech->m_szId,
                            m_szName, kMaxMembers);
        return false;
    }
    m_Members[m_nMembers++] = mech;
    mech->m_pGroup = this;
    g_MechGroupList2.ForgetWarPowers();
    if (!m_bActive && !Killed(mech) && !OutOfPlay(mech)) m_bActive = 1;
    return true;
}

void CMechGroup2::RemoveMech(CMech* mech)
{
    for (int i = 0; i < m_nMembers; ++i)
        if (m_Members[i] == mech)
        {
            for (int j = i; j + 1 < m_nMembers; ++j)
                m_Members[j] = m_Members[j + 1];
            m_Members[--m_nMembers] = nullptr;
            break;
        }
    if (mech) mech->m_pGroup = nullptr;
    g_MechGroupList2.ForgetWarPowers();
    UpdateActive();
}

void CMechGroup2::UpdateActive()
{
    if (!m_bAssembled && !m_bInBuilding && m_bActive && !m_pBuilding)
    {
        bool any = false;
        for (int i = 0; i < m_nMembers; ++i)
            if (GetMemberGlider(m_Members[i])) any = true;
        m_bActive = any ? 1 : 0;
    }
    else
        m_bActive = m_nMembers > 0 ? 1 : 0;
}

void CMechGroup2::UpdateCentre()
{
    CVector sum;
    int n = 0;
    for (int i = 0; i < m_nMembers; ++i)
    {
        const CMech* m = m_Members[i];
        if (Killed(m) || m->m_bInBuilding) continue;
        if (const CGliderObject* g = GetMemberGlider(m))
        {
            sum = sum + g->GetPosition();
            ++n;
        }
    }
    if (n == 0) return;
    const CVector c = sum * (1.0f / float(n));
    if (c.LengthSq() > 1.0f) m_vCentre = c;
}

float CMechGroup2::GetViewerDistanceSq() const
{
    return (m_vCentre - GetViewerPosition()).LengthSq();
}

void CMechGroup2::Run(float dt)
{
    XTRACE("CMechGroup2::Run");
    if (m_bInBuilding)
    {
        m_fBuildingTimer -= dt;
        if (m_fBuildingTimer >= 0.0f) return;
        OnExitFromBuilding();
    }
    if (m_pAI)
    {
        if (!m_bActive || m_bDisbanded || m_nMembers == 0)
            m_pAI.reset();
        else
            m_pAI->Run(dt);
    }
    if (!m_bAssembled)
    {
        UpdateCentre();
        if (GetViewerDistanceSq() > SquaredViewRange(1.1f)) Assemble();
    }
    else if (GetViewerDistanceSq() < SquaredViewRange(0.95f))
        Disassemble(false);
}

void CMechGroup2::SpyGroups()
{
    if (m_pAI) m_pAI->SpyGroups(nullptr);
}

void CMechGroup2::Disassemble(bool exact)
{
    XTRACE("CMechGroup2::Disassemble");
    std::vector<CVector> placed;
    for (int i = 0; i < m_nMembers; ++i)
        if (const CGliderObject* g = GetMemberGlider(m_Members[i])) placed.push_back(g->GetPosition());
    for (int i = 0; i < m_nMembers; ++i)
    {
        CMech* m = m_Members[i];
        CMechanoid* mechanoid = GetMechMechanoid(m);
        if (Killed(m) || m->m_bInBuilding || !mechanoid || GetMemberGlider(m)) continue;
        // A mechanoid fitted with no glider stays without one.
        if (mechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key.Index() < 0) continue;
        // Level, facing +y, the side axis to the glider's right (the
        // player's glider is placed the same way).
        CObjectFrame frame;
        frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
        CMatrix placement = frame.m_Matrix;
        CVector at = m_vCentre;
        at.z = m_vCentre.z + 15.0f;
        placement.SetTranslation(at);
        auto* glider = new CGliderObject;
        glider->m_pMechanoid = mechanoid;
        glider->Init(placement, mechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key);
        // Scattered within 25 of the centre, but never into a member placed
        // before: gliders made overlapping are thrown apart by the collision
        // pass, far off the map.
        const float clear = 2.0f * glider->m_fRadius + 2.0f;
        for (int attempt = 0; attempt < 20; ++attempt)
        {
            CVector p = at;
            if (!exact || attempt > 0)
            {
                p.x = m_vCentre.x + g_Random.Random(50.0f) - 25.0f;
                p.y = m_vCentre.y + g_Random.Random(50.0f) - 25.0f;
            }
            if (attempt == 19) p.x = m_vCentre.x + clear * float(i + 1);
            bool free = true;
            for (const CVector& q : placed)
                if ((CVector{p.x - q.x, p.y - q.y, 0.0f}).LengthSq() < clear * clear) free = false;
            at = p;
            if (free) break;
        }
        placed.push_back(at);
        glider->m_Frame.SetPosition(at);
        glider->AssignMechanoid(m, mechanoid, true);
        mechanoid->m_lpObject = glider;
        m->m_pObject = glider;
        m->m_bAssigned = 1;
        g_ObjectList.AddObject(glider);
        auto* ai = new CBasicAI;
        glider->m_pAI.reset(ai);
        ai->SetMech(m);
    }
    m_bAssembled = 0;
    UpdateCentre();
}

void CMechGroup2::Assemble()
{
    XTRACE("CMechGroup::Assemble");
    UpdateCentre();
    for (int i = 0; i < m_nMembers; ++i)
    {
        CMech* m = m_Members[i];
        if (Killed(m) || m->m_bInBuilding) continue;
        CGliderObject* g = GetMemberGlider(m);
        if (!g) continue;
        if (CMechanoid* mechanoid = g->m_pMechanoid) mechanoid->m_lpObject = nullptr;
        g->m_pMech = nullptr;
        g->m_pMechanoid = nullptr;
        m->m_pObject = nullptr;
        g_ObjectList.DeleteObject(g);
    }
    m_bAssembled = 1;
}

void CMechGroup2::OnHit(CMechGroup2* attacker, float amount)
{
    if (m_pAI) m_pAI->OnHit(attacker, amount, true);
}

void CMechGroup2::OnKillMech(CMech* mech)
{
    XTRACE("CMechGroup2::OnKillMech");
    if (GetMechGroup(mech) != this)
    {
        if (m_pAI && m_pAI->m_pTarget == mech) m_pAI->m_pTarget = nullptr;
        return;
    }
    const CMechGroupList2::CWarPowerChange change;
    if (m_pAI && m_pAI->m_bAssigned && g_pGroupEvents)
        g_pGroupEvents->OnGroupEvent("OnEscortDie", mech->m_szId);
    RemoveMech(mech);
    if (m_nMembers == 0) CWorld::RaiseScriptEvent(m_szName, "OnKillGroup", "");
}

void CMechGroup2::MechEnterBuilding(CMech* mech, const char* building)
{
    if (mech->m_bInBuilding) return;
    if (CMechanoid* mechanoid = GetMechMechanoid(mech)) mechanoid->CheckHeads(building, false);
    if (CGliderObject* g = GetMemberGlider(mech))
    {
        if (CMechanoid* mechanoid = g->m_pMechanoid) mechanoid->m_lpObject = nullptr;
        g->m_pMech = nullptr;
        g->m_pMechanoid = nullptr;
        g_ObjectList.DeleteObject(g);
    }
    mech->m_pObject = nullptr;
    mech->m_bInBuilding = 1;
}

bool CMechGroup2::CheckBuilding(std::int32_t road)
{
    XTRACE("CMechGroup::CheckBuilding");
    if (m_bInBuilding || road < 0 || road >= g_RoadManager.GetNodeCount()) return false;
    const char* name = g_RoadManager.m_Nodes[size_t(road)].name;
    if (!name[0]) return false;
    CBuildingObject* b = FindBuildingObject(name);
    if (!b) return false;
    const std::int32_t type = b->GetKindCode();
    if (type < 1 || type == 4 || type == 6 || type == 8 || type == 14) return false;
    m_pBuilding = b;
    return true;
}

void CMechGroup2::OnBuilding()
{
    XTRACE("CMechGroup2::OnBuilding");
    m_bInBuilding = 1;
    m_fBuildingTimer = kBuildingStay;
    if (!m_pBuilding) return;
    CopyName(m_szBuilding, m_pBuilding->m_szGameId);
    for (int i = 0; i < m_nMembers; ++i)
    {
        CMech* m = m_Members[i];
        if (Killed(m) || OutOfPlay(m)) continue;
        MechEnterBuilding(m, m_szBuilding);
        m->m_bInBuilding = 1;
        CopyName(m->m_szBuilding, m_szBuilding);
    }
    if (auto* org = dynamic_cast<COrganization*>(m_pOrg)) org->OnGroupBuilding(this);
}

void CMechGroup2::OnExitFromBuilding()
{
    XTRACE("CMechGroup2::OnExitFromBuilding");
    m_bInBuilding = 0;
    for (int i = 0; i < m_nMembers; ++i)
    {
        CMech* m = m_Members[i];
        if (Killed(m) || OutOfPlay(m) || !m->m_bAssigned) continue;
        m->m_bInBuilding = 0;
        if (CMechanoid* mechanoid = GetMechMechanoid(m)) mechanoid->RepairAll();
    }
    if (m_pBuilding)
    {
        const char* id = m_pBuilding->m_szGameId;
        char exitName[40];
        std::snprintf(exitName, sizeof exitName, "%.31s_EXIT", id);
        if (g_RoadManager.FindRoadNode(exitName) < 0)
        {
            CVector at;
            if (!g_RoadManager.FindNode(id, &at))
            {
                at = m_pBuilding->GetPosition();
                g_ErrorLog.LogError("CMechGroup2::OnExitFromBuilding road undefined at %s", id);
            }
            m_vCentre = at;
        }
        m_bAssembled = GetViewerDistanceSq() > SquaredViewRange(0.95f) ? 1 : 0;
        if (!m_bAssembled)
        {
            Disassemble(true);
            for (int i = 0; i < m_nMembers; ++i)
                if (CGliderObject* g = GetMemberGlider(m_Members[i]))
                {
                    m_pBuilding->ExitGlider(g);
                    if (m_pAI)
                    {
                        m_pAI->OnTrouble(m_Members[i]);
                        m_pAI->GetNextRoadItemOnTrouble();
                        m_pAI->Move();
                    }
                }
        }
    }
    if (m_pAI) m_pAI->OnExitFromBuilding();
}

float CMechGroup2::GetWarPower() const
{
    float power = 0.01f;
    for (int i = 0; i < m_nMembers; ++i)
        if (!Killed(m_Members[i]))
            if (CMechanoid* m = GetMechMechanoid(m_Members[i])) power += m->GetWarPower();
    return power;
}

void CMechGroup2::AssignToPlayer(bool assign)
{
    if (m_pAI) m_pAI->AssignToPlayer(assign);
}

CBasicAI* CMechGroup2::GetMemberAI(int i) const
{
    const CGliderObject* g = GetMemberGlider(GetMember(i));
    return g ? dynamic_cast<CBasicAI*>(g->m_pAI.get()) : nullptr;
}

// --- commands -----------------------------------------------------------------

void CMechGroup2::C_FollowOn()
{
    if (m_pAI) m_pAI->m_bFollow = 1;
}
void CMechGroup2::C_FollowOff()
{
    if (m_pAI) m_pAI->m_bFollow = 0;
}
void CMechGroup2::C_ReactionLow()
{
    if (m_pAI) m_pAI->m_fReaction = 0.1f;
}
void CMechGroup2::C_ReactionFull()
{
    if (m_pAI) m_pAI->m_fReaction = 1.0f;
}
void CMechGroup2::C_LeaveMe()
{
    AssignToPlayer(false);
}
void CMechGroup2::C_Assign()
{
    AssignToPlayer(true);
}

void CMechGroup2::C_Attack(CGliderObject* glider)
{
    if (m_pAI && glider && glider->m_pMech) m_pAI->Attack1(glider->m_pMech, true);
}

std::vector<CMechGroup2*> CMechGroup2::Neighbours() const
{
    std::vector<CMechGroup2*> out;
    for (CMechGroup2* g : g_MechGroupList2.m_Groups)
        if (g && g != this && g->m_bActive && !g->m_bAssembled && !g->m_bInBuilding && !g->m_bDisbanded &&
            (g->m_vCentre - m_vCentre).LengthSq() < 640000.0f)
            out.push_back(g);
    return out;
}

void CMechGroup2::C_Help()
{
    for (CMechGroup2* g : Neighbours())
        if (g->m_pAI) g->m_pAI->Help(this);
}

void CMechGroup2::C_TryKeepOff()
{
    for (CMechGroup2* g : Neighbours())
        if (g->m_pAI) g->m_pAI->TryKeepOff(this);
}

namespace
{
CGliderObject* PlayerGlider()
{
    return g_pAIEvents ? g_pAIEvents->GetPlayerGlider() : nullptr;
}

// The mech of the glider the player's glider has selected, null without one.
CMech* PlayerTargetMech()
{
    const CGliderObject* player = PlayerGlider();
    const auto* target = player ? dynamic_cast<const CGliderObject*>(player->m_pTarget) : nullptr;
    return target ? target->m_pMech : nullptr;
}
} // namespace

void CMechGroup2::C_PleaseAttack()
{
    CMech* target = PlayerTargetMech();
    if (!target) return;
    const CMechGroup2* targetGroup = GetMechGroup(target);
    for (CMechGroup2* g : g_MechGroupList2.m_Groups)
    {
        if (!g || g == targetGroup || !g->m_bActive || g->m_bAssembled || g->m_bInBuilding || g->m_bDisbanded)
            continue;
        CGroupAI* ai = g->GetGroupAI();
        const CMech* aiTarget = ai ? ai->m_pTarget : nullptr;
        const CMechGroup2* aiTargetGroup = aiTarget ? GetMechGroup(aiTarget) : nullptr;
        if (!aiTarget || aiTargetGroup == g_pPlayerGroup) continue;
        if ((g->m_vCentre - m_vCentre).LengthSq() < 640000.0f) ai->Attack1(target, true);
    }
}

void CMechGroup2::C_Convict(CGliderObject* glider)
{
    CPlayerMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    if (g_pWorld && glider && glider->m_pMech)
        g_pWorld->OnTryConvict(glider->m_pMech->m_szId, player ? player->m_szOrg : "");
}

void CMechGroup2::C_Provocation(CGliderObject* glider)
{
    if (m_pAI && glider && glider->m_pMech) m_pAI->Provocation(GetMechGroup(glider->m_pMech));
}

void CMechGroup2::C_TryFuck(CGliderObject* glider)
{
    if (m_pAI && glider && glider->m_pMech) m_pAI->TryFuck(glider->m_pMech);
}

void CMechGroup2::C_Suicide(CGliderObject* glider)
{
    if (!glider) return;
    // No attacker: the glider throws itself up and blows itself apart with
    // two hits of a weapon of nobody's.
    glider->AddImpulse(CVector{0.0f, 0.0f, 100000.0f});
    for (int i = 0; i < 2; ++i)
        glider->Damage(1000000.0f, CVector{0.0f, 0.0f, 10000.0f}, 0, nullptr, -1, 666);
}

// --- streams ------------------------------------------------------------------

void CMechGroup2::WriteCommon(CMemStream& s)
{
    s.Write(&m_vCentre, 12);
    s.Write(m_szOrg, 32);
    s.Write(m_szBuilding, 32);
    const std::uint8_t flags[6] = {m_bDisbanded, m_bActive, 0, m_bInBuilding, m_bVisible, m_bAssembled};
    s.Write(flags, 6);
    s.Write(&m_fBuildingTimer, 4);
    s.Write(&m_fSpeedFactor, 4);
    s.Write(&m_nVisible, 4);
    s.Write(&m_nMembers, 4);
    for (int i = 0; i < m_nMembers; ++i)
        s.Write(m_Members[i]->m_szId, 32);
}

bool CMechGroup2::ReadCommon(CMemStream& stream, char org[32])
{
    CStreamReader in(stream, "group");
    in.Bytes(&m_vCentre, 12);
    in.Bytes(org, 32);
    org[31] = 0;
    in.Bytes(m_szBuilding, 32);
    m_szBuilding[31] = 0;
    m_bDisbanded = in.U8();
    const std::uint8_t active = in.U8();
    m_bActive = active;
    in.U8();
    m_bInBuilding = in.U8();
    m_bVisible = in.U8();
    m_bAssembled = in.U8();
    in.Bytes(&m_fBuildingTimer, 4);
    in.Bytes(&m_fSpeedFactor, 4);
    m_nVisible = in.U32();
    for (int i = 0; i < m_nMembers; ++i)
        if (m_Members[i] && m_Members[i]->m_pGroup == this) m_Members[i]->m_pGroup = nullptr;
    m_nMembers = 0;
    m_bLoadStopped = 0;
    const std::int32_t n = in.I32();
    if (n < 0 || n > kMaxStoredMembers)
    {
        g_ErrorLog.LogError("Load error: group %s, %d members", m_szName, n);
        m_bLoadStopped = 1;
        m_pAI.reset();
        m_pOrg = nullptr;
        return false;
    }
    for (std::int32_t i = 0; i < n; ++i)
    {
        char id[32];
        in.Bytes(id, 32);
        id[31] = 0;
        if (i >= kMaxMembers)
        {
            g_ErrorLog.LogError("CMechGroup2::LoadFromStream group %s: member %s past the %d slots left out",
                                m_szName, id, kMaxMembers);
            continue;
        }
        if (CMech* m = g_pWorld ? g_pWorld->FindMech(id) : nullptr) AddMech(m);
    }
    // Adding a live member activates a group; a group saved inactive stays so.
    m_bActive = active;
    return true;
}

void CMechGroup2::SaveToStream(CMemStream& s)
{
    XTRACE("CMechGroup2::SaveToStream");
    Assemble();
    s.Write(&kNameMarker, 4);
    s.Write(m_szName, 32);
    WriteCommon(s);
    const std::int32_t kind = m_pAI ? m_pAI->m_nKind : -1;
    s.Write(&kind, 4);
    if (m_pAI) m_pAI->SaveToStream(s);
}

void CMechGroup2::LoadFromStream(CMemStream& stream)
{
    XTRACE("CMechGroup2::LoadFromStream");
    CStreamReader in(stream, "group");
    if (in.Left() >= 4)
    {
        std::uint32_t marker = 0;
        std::memcpy(&marker, stream.m_pData + stream.m_nPosition, 4);
        if (marker == kNameMarker)
        {
            in.U32();
            in.Bytes(m_szName, 32);
            m_szName[31] = 0;
        }
    }
    char org[32] = {};
    m_pAI.reset();
    if (!ReadCommon(stream, org)) return;
    m_pBuilding = m_bInBuilding ? FindBuildingObject(m_szBuilding) : nullptr;
    m_pOrg = g_pWorld ? g_pWorld->FindOrganization(org) : nullptr;
    if (!m_pOrg && g_pWorld)
    {
        m_pOrg = g_pWorld->FindOrganization("ORG_FREE");
        if (m_pOrg) std::strcpy(org, "ORG_FREE");
    }
    CopyName(m_szOrg, org);
    const std::int32_t kind = in.I32();
    // The AI is only set up before its record is read: a first move of
    // its kind would take the loaded members where the save did not have
    // them (into a building, out of their buildings).
    if (kind != -1)
    {
        MakeAI(kind);
        m_pAI->Setup(this);
        m_pAI->LoadFromStream(stream);
    }
}

// --- the player's group -------------------------------------------------------

void CPlayerMechGroup2::InitGroup(const char* org)
{
    CMechGroup2::InitGroup(org);
    m_pAI.reset();
    ClearName(m_szTarget);
}

void CPlayerMechGroup2::Run(float /*dt*/)
{
    if (IsNameSet(m_szTarget)) ResolveTarget();
    UpdateCentre();
}

void CPlayerMechGroup2::ResolveTarget()
{
    // A saved game's selection comes back once the player's glider and the
    // target's glider exist; until then the key waits.
    CGliderObject* player = PlayerGlider();
    if (!player || player->m_pTarget || !g_pWorld) return;
    CMech* mech = g_pWorld->FindMech(m_szTarget);
    CMechanoid* mechanoid = GetMechMechanoid(mech);
    if (!mechanoid || !mechanoid->m_lpObject) return;
    player->m_pTarget = mechanoid->m_lpObject;
    ClearName(m_szTarget);
}

void CPlayerMechGroup2::MechEnterBuilding(CMech* mech, const char* building)
{
    const CMechGroupList2::CWarPowerChange change;
    if (g_pGroupEvents) g_pGroupEvents->OnGroupEvent("OnBuildingSpawn", building);
    (void)mech;
}

void CPlayerMechGroup2::SaveToStream(CMemStream& s)
{
    XTRACE("CPlayerMechGroup2::SaveToStream");
    m_bAssembled = 1;
    WriteCommon(s);
    char target[32] = {};
    ClearName(target);
    // The selection of the player's glider, or a key still waiting.
    if (const CMech* mech = PlayerTargetMech())
        CopyName(target, mech->m_szId);
    else if (IsNameSet(m_szTarget))
        CopyName(target, m_szTarget);
    s.Write(target, 32);
}

void CPlayerMechGroup2::LoadFromStream(CMemStream& stream)
{
    XTRACE("CPlayerMechGroup2::LoadFromStream");
    char org[32] = {};
    const std::string held(m_szOrg);
    if (!ReadCommon(stream, org)) return;
    CStreamReader in(stream, "player group");
    char target[32];
    in.Bytes(target, 32);
    if (held != org)
    {
        m_pOrg = g_pWorld ? g_pWorld->FindOrganization(org) : nullptr;
        CopyName(m_szOrg, org);
    }
    CopyName(m_szTarget, target);
}

// --- the list -----------------------------------------------------------------

CMechGroup2* CMechGroupList2::FindGroup(const char* name) const
{
    if (!name) return nullptr;
    for (std::size_t i = 1; i < m_Groups.size(); ++i)
        if (m_Groups[i] && SameName(m_Groups[i]->m_szName, name)) return m_Groups[i];
    return nullptr;
}

CMechGroup2* CMechGroupList2::FindByPointer(const void* group) const
{
    for (CMechGroup2* g : m_Groups)
        if (g && g == group) return g;
    return nullptr;
}

int CMechGroupList2::IndexOf(const CMechGroup2* group) const
{
    for (std::size_t i = 0; i < m_Groups.size(); ++i)
        if (m_Groups[i] == group) return int(i);
    return -1;
}

void CMechGroupList2::Run(float dt)
{
    XTRACE("RUN Groups");
    if (g_pPlayerGroup) g_pPlayerGroup->m_bCommanded = 0;
    // The centres moved since the last run (gliders, buildings, scripts);
    // within the walk a group's centre changes in its own run, after which
    // its entry is updated.
    m_Grid.Sync(m_Groups);
    // Anything may have changed since the last run.
    m_WarPowers.resize(m_Groups.size());
    ForgetWarPowers();
    m_bRunning = true;
    try
    {
        // A group's run may add none and remove none; index order.
        for (std::size_t i = 0; i < m_Groups.size(); ++i)
        {
            PrefetchRuns(i);
            if (CMechGroup2* g = m_Groups[i]; g && g->m_bActive)
            {
                XTRACE("Groups");
                m_nRunningIndex = int(i);
                g->Run(dt);
                m_nRunningIndex = -1;
                if (i < m_WarPowers.size()) m_WarPowers[i].stamp = 0;
                m_Grid.Update(int(i), g);
            }
        }
    }
    catch (...)
    {
        m_bRunning = false;
        m_nRunningIndex = -1;
        throw;
    }
    m_bRunning = false;
}

void CMechGroupList2::PrefetchRuns(std::size_t i) const
{
    // The group two ahead, then (its record read by now) the next one's AI.
    if (i + 2 < m_Groups.size())
        if (const CMechGroup2* ahead = m_Groups[i + 2])
            PrefetchLines(ahead, reinterpret_cast<const char*>(ahead) + sizeof(CMechGroup2));
    if (i + 1 < m_Groups.size())
        if (const CMechGroup2* next = m_Groups[i + 1]; next && next->m_pAI) next->m_pAI->PrefetchRun();
}

void CMechGroupList2::ForgetWarPowers()
{
    if (++m_nWarPowerStamp != 0) return;
    // Once in 2^32: no stamp kept may match again.
    for (SWarPower& w : m_WarPowers)
        w.stamp = 0;
    m_nWarPowerStamp = 1;
}

CMechGroupList2::CWarPowerChange::CWarPowerChange()
{
    ++g_MechGroupList2.m_nChanges;
    g_MechGroupList2.ForgetWarPowers();
}

CMechGroupList2::CWarPowerChange::~CWarPowerChange()
{
    --g_MechGroupList2.m_nChanges;
    g_MechGroupList2.ForgetWarPowers();
}

void CMechGroupList2::OnKillMech(CMech* mech)
{
    for (std::size_t i = 0; i < m_Groups.size(); ++i)
        if (CMechGroup2* g = m_Groups[i]; g && g->m_bActive) g->OnKillMech(mech);
}

void CMechGroupList2::RestoreTargets()
{
    for (CMechGroup2* g : m_Groups)
        if (g && g->m_bActive && g->GetGroupAI()) g->GetGroupAI()->RestoreTarget();
}

void CMechGroupList2::SaveToStream(CMemStream& s)
{
    XTRACE("CMechGroupList2::SaveToStream");
    const std::int32_t n = GetCount();
    s.Write(&n, 4);
    for (CMechGroup2* g : m_Groups)
        g->SaveToStream(s);
}

void CMechGroupList2::LoadFromStream(CMemStream& stream)
{
    XTRACE("CMechGroupList2::LoadFromStream");
    CStreamReader in(stream, "groups");
    const std::int32_t n = in.I32();
    if (n < 1 || n > kMaxGroups) in.Fail("group count %d", n);
    Clear();
    // The player's group: a damaged one throws before it is taken.
    auto player = std::make_unique<CPlayerMechGroup2>();
    ClearName(player->m_szTarget);
    try
    {
        player->LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        for (int m = 0; m < player->GetMemberCount(); ++m)
            player->GetMember(m)->m_pGroup = nullptr;
        throw;
    }
    g_pPlayerGroup = player.get();
    AddGroup(player.release());
    // Groups whose organisation the world lacks (and "ORG_FREE" too) stay,
    // as the world made them: one line tells of them all.
    int orphans = 0;
    const char* firstOrphan = nullptr;
    for (std::int32_t i = 1; i < n; ++i)
    {
        auto* g = new CMechGroup2;
        try
        {
            g->LoadFromStream(stream);
        }
        catch (const CStreamError& e)
        {
            g_ErrorLog.LogError("CMechGroupList2::LoadFromStream group %d dropped: %s", i, e.what());
            for (int m = 0; m < g->GetMemberCount(); ++m)
                g->GetMember(m)->m_pGroup = nullptr;
            delete g;
            break;
        }
        if (g->m_bLoadStopped)
        {
            g_ErrorLog.LogError(
                "CMechGroupList2::LoadFromStream group %d (%s) dropped; the groups after it are lost", i,
                g->m_szName);
            delete g;
            break;
        }
        if (!g->m_pOrg && ++orphans == 1) firstOrphan = g->m_szName;
        AddGroup(g);
    }
    if (orphans > 0)
        g_ErrorLog.LogError(
            "CMechGroupList2::LoadFromStream %d groups (the first %s) kept without an organisation", orphans,
            firstOrphan);
    RestoreTargets();
}

void CMechGroupList2::DeleteGroups(bool detachMembers)
{
    for (std::size_t i = 1; i < m_Groups.size(); ++i)
    {
        CMechGroup2* g = m_Groups[i];
        if (!g) continue;
        for (int m = 0; detachMembers && m < g->GetMemberCount(); ++m)
            if (g->GetMember(m)->m_pGroup == g) g->GetMember(m)->m_pGroup = nullptr;
        delete g;
    }
    m_Groups.clear();
}
