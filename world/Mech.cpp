#include "world/Mech.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/StreamReader.h"
#include "graphics/ModelManager.h"
#include "world/Trade.h"
#include "world/MMEngine.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

void SetLevelFromFloat(CMech& m)
{
    m.m_nLevel = std::max(0, std::int32_t(m.m_fLevel));
}

} // namespace

CMech::CMech() = default;

CMech::~CMech()
{
    XTRACE("CMech::~CMech");
    DeleteMechanoid();
}

void CMech::CreateMechanoid()
{
    if (g_pfnCreateWorldMechanoid) m_pMechanoid = g_pfnCreateWorldMechanoid();
}

void CMech::DeleteMechanoid()
{
    delete m_pMechanoid;
    m_pMechanoid = nullptr;
}

void CMech::Run(float dt)
{
    XTRACE("CMech::Run");
    if (!m_bDead && !m_bInBuilding && !m_bInCluster)
    {
        const float d = float(m_nLevel - m_nBaseLevel);
        const float f = std::max(0.5f, d > 0.0f ? std::exp(2.0f * d) : std::exp(d / 2.0f));
        m_fLevel += dt / (f * kSecondsPerLevel);
        m_nLevel = std::int32_t(m_fLevel);
    }
    IWorldOrganization* org = g_pWorld ? g_pWorld->FindOrganization(m_szOrg) : nullptr;
    if (m_bDead && m_bInBuilding && m_bAlive)
    {
        m_fOrgTimer = kOrgTimer;
        if (m_bInCluster)
            m_fComebackTimer = std::max(0.1f, m_fComebackTimer - dt);
        else if (m_fLevel < 1.0f)
        {
            XTRACE("Lost");
            if (org) org->RemoveMech(this);
            m_szOrg[0] = 0;
            m_bAlive = 0;
        }
        else
        {
            XTRACE("Reanimate");
            const float before = m_fComebackTimer;
            m_fComebackTimer -= dt;
            if (m_fComebackTimer <= 0.0f)
            {
                m_fOrgTimer = kOrgTimer;
                m_bDead = 0;
                m_bAssigned = 0;
                if (m_nComebackCount < 2)
                {
                    if (org) org->AddMech(this);
                }
                else
                    m_bAlive = 0;
            }
            else if ((dt == 0.0f || std::floor(before) != std::floor(m_fComebackTimer)) && g_pWorld)
                g_pWorld->TryConvictInBuilding(this);
        }
    }
    if (m_bAlive && m_bInBuilding && !m_bDead && !m_bAssigned && !m_bInCluster)
    {
        org = g_pWorld ? g_pWorld->FindOrganization(m_szOrg) : nullptr;
        if (org && org->WantsMech(this))
            org->AssignMech(this);
        else
        {
            m_fOrgTimer -= dt;
            if (m_fOrgTimer <= 0.0f && m_nGeneration < 5)
            {
                std::strcpy(m_szOrg, "ORG_FREE");
                m_fOrgTimer = kOrgTimer;
            }
        }
    }
    if (m_pMechanoid) m_pMechanoid->Run(dt);
}

void CMech::Kill(CMech* killer)
{
    XTRACE("CMech::Kill");
    m_bDead = 1;
    m_bAssigned = 0;
    m_bInBuilding = 0;
    m_fComebackTimer = 0.0f;
    const bool byPlayer = killer && g_pWorld && killer == g_pWorld->GetPlayerMech();
    m_fLevel -= byPlayer ? 1.1f : 0.1f;
    if (m_nGeneration == 5) m_fLevel = std::max(m_fLevel, 2.0f);
    SetLevelFromFloat(*this);
    if (!killer) return;
    if (m_nLevel == 0 && byPlayer && g_pAppEvent) g_pAppEvent->OnMechDie();
    // The victim's organisation thinks worse of the killer's (and, spread,
    // its friends and enemies follow).
    if (!g_pOrgManager) return;
    const std::int32_t victim = g_pOrgManager->FindByName(m_szOrg);
    const std::int32_t by = g_pOrgManager->FindByName(killer->m_szOrg);
    if (victim < 0)
        g_ErrorLog.LogError("CMech::Kill self org=%s is invalid", m_szOrg);
    else if (by < 0)
        g_ErrorLog.LogError("CMech::Kill killer org=%s is invalid", killer->m_szOrg);
    else
        g_pOrgManager->ChangePolitic(victim, by, byPlayer ? -0.1f : -0.01f, true);
}

void CMech::KillOffline(CMech* chosen, CMech* first)
{
    XTRACE("CMech::KillOffline");
    if (!first) return;
    if (m_pMechanoid)
    {
        if (chosen && chosen->m_pMechanoid)
            m_pMechanoid->CopyHoldTo(*chosen->m_pMechanoid, false);
        else if (!chosen && first->m_pMechanoid)
            m_pMechanoid->CopyHoldTo(*first->m_pMechanoid, true);
    }
    if (first->m_pMechanoid) first->m_pMechanoid->AddGoods(m_szId, 1, 2);
}

void CMech::KillOffline(CMechGroup2* killerGroup)
{
    CMech* chosen = nullptr;
    CMech* first = nullptr;
    if (killerGroup && g_pfnGroupSpoils && g_pfnGroupSpoils(killerGroup, &chosen, &first))
        KillOffline(chosen, first);
}

void CMech::OnKill()
{
    XTRACE("CMech::OnKill");
    if (g_pfnMechKilled) g_pfnMechKilled(this);
    if (!g_pWorld || this != g_pWorld->GetPlayerMech()) DeleteMechanoid();
}

void CMech::GetMechmindModelName(char out[32]) const
{
    if (m_nGeneration == 6)
        std::snprintf(out, 32, "MOD_EQP_ORGANIC_HACK");
    else if (m_nGeneration == 5)
        std::snprintf(out, 32, "MOD_TOV_MECHMIND_L5");
    else
        std::snprintf(out, 32, "MOD_TOV_MECHMIND_%d", std::clamp(m_nLevel, 1, 10));
}

void CMech::GetMechmindModel(std::int32_t* model, std::uint32_t* colour) const
{
    char name[32];
    GetMechmindModelName(name);
    *model = g_pModelManager ? g_pModelManager->FindName(name) : -1;
    IWorldOrganization* org = g_pWorld ? g_pWorld->FindOrganization(m_szOrg) : nullptr;
    *colour = org ? org->GetColour() : 0xFFFFFFu;
}

float CMech::GetConvictPrice(std::int32_t mode, bool withGroup)
{
    if (m_nGeneration == 5 || m_fLevel < 1.0f) return 0.0f;
    const CMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    if (player && SameName(m_szOrg, player->m_szOrg)) return 0.0f;
    double p = 10000.0 * std::pow(1.5, double(m_nLevel - (player ? player->m_nLevel : 0)));
    if (mode == 0)
    {
        if (m_pMechanoid) p += 0.01 * m_pMechanoid->GetPrice(true);
    }
    else if (mode == 1)
        p *= 0.25;
    else
        p *= 0.1;
    CMech* members[5] = {};
    const int n = withGroup && m_pGroup && g_pfnGroupMembers ? g_pfnGroupMembers(m_pGroup, members) : 0;
    for (int i = 0; i < n; ++i)
        if (members[i] && members[i] != this && members[i]->m_pMechanoid)
            p += members[i]->GetConvictPrice(mode, false);
    return float(std::int32_t(p * 0.11) * 10);
}

void CMech::ReadBase(CMemStream& stream)
{
    CStreamReader in(stream, "mech record");
    m_nVersion = in.U8();
    in.Bytes(m_szId, 32);
    in.Bytes(m_szName, 32);
    in.Bytes(m_szOrg, 32);
    in.Bytes(m_szBuilding, 32);
    m_szId[31] = m_szName[31] = m_szOrg[31] = m_szBuilding[31] = 0;
    m_bAlive = in.U8();
    m_bAssigned = in.U8();
    m_bDead = in.U8();
    m_bInBuilding = in.U8();
    m_bInCluster = in.U8();
    const std::uint32_t timers[3] = {in.U32(), in.U32(), in.U32()};
    std::memcpy(&m_fComebackTimer, &timers[0], 4);
    std::memcpy(&m_fOrgTimer, &timers[1], 4);
    std::memcpy(&m_fLevel, &timers[2], 4);
    m_nGeneration = in.I32();
    m_nLevel = in.I32();
    m_nBaseLevel = in.I32();
    const bool hasMechanoid = in.U8() != 0;
    m_nComebackCount = in.I32();
    if (hasMechanoid)
    {
        if (!m_pMechanoid) CreateMechanoid();
        if (!m_pMechanoid) in.Fail("mech '%s': a mechanoid is stored but none can be made", m_szId);
        m_pMechanoid->LoadFromStream(stream);
    }
}

void CMech::WriteBase(CMemStream& stream)
{
    m_nVersion = kStreamVersion;
    stream.Write(&m_nVersion, 1);
    stream.Write(m_szId, 32);
    stream.Write(m_szName, 32);
    stream.Write(m_szOrg, 32);
    stream.Write(m_szBuilding, 32);
    const std::uint8_t flags[5] = {m_bAlive, m_bAssigned, m_bDead, m_bInBuilding, m_bInCluster};
    stream.Write(flags, 5);
    stream.Write(&m_fComebackTimer, 4);
    stream.Write(&m_fOrgTimer, 4);
    stream.Write(&m_fLevel, 4);
    stream.Write(&m_nGeneration, 4);
    stream.Write(&m_nLevel, 4);
    stream.Write(&m_nBaseLevel, 4);
    const std::uint8_t has = m_pMechanoid ? 1 : 0;
    stream.Write(&has, 1);
    stream.Write(&m_nComebackCount, 4);
    if (m_pMechanoid) m_pMechanoid->SaveToStream(stream);
}

void CMech::LoadFromStream(CMemStream& stream)
{
    XTRACE("CMech::LoadFromStream");
    ReadBase(stream);
}

void CMech::SaveToStream(CMemStream& stream)
{
    XTRACE("CMech::SaveToStream");
    WriteBase(stream);
}

CPlayerMech::~CPlayerMech()
{
    delete m_pBackup;
    m_pBackup = nullptr;
}

void CPlayerMech::LoadFromStream(CMemStream& stream)
{
    XTRACE("CPlayerMech::LoadFromStream");
    ReadBase(stream);
    CStreamReader in(stream, "player mech record");
    std::uint32_t values[3] = {};
    if (m_nVersion >= 1)
    {
        values[0] = in.U32();
        values[1] = in.U32();
        m_GliderValues[0] = values[0];
        m_GliderValues[1] = values[1];
    }
    if (m_nVersion >= 2) values[2] = in.U32();
    if (m_nVersion >= 1 && m_pMechanoid) m_pMechanoid->SetPendingValues(values[0], values[1], values[2]);
    if (m_nVersion >= 3 && in.U8())
    {
        delete m_pBackup;
        m_pBackup = g_pfnCreateWorldMechanoid ? g_pfnCreateWorldMechanoid() : nullptr;
        if (!m_pBackup) in.Fail("player mech: a backup is stored but no mechanoid can be made");
        m_pBackup->LoadFromStream(stream);
    }
}

void CPlayerMech::SaveToStream(CMemStream& stream)
{
    XTRACE("CPlayerMech::SaveToStream");
    WriteBase(stream);
    stream.Write(m_GliderValues, 8);
    const std::uint32_t value = m_pMechanoid ? m_pMechanoid->GetStreamValue() : 0;
    stream.Write(&value, 4);
    const std::uint8_t has = m_pBackup ? 1 : 0;
    stream.Write(&has, 1);
    if (m_pBackup) m_pBackup->SaveToStream(stream);
}

namespace
{

// A copy of a mechanoid through its stream form (the saved form is the one
// complete description of its state).
void CopyMechanoidInto(IWorldMechanoid& from, IWorldMechanoid& to)
{
    CMemStream out;
    from.SaveToStream(out);
    CMemStream in;
    if (out.m_nPosition) std::memcpy(in.Allocate(out.m_nPosition), out.m_pData, out.m_nPosition);
    to.LoadFromStream(in);
}

IWorldMechanoid* CopyMechanoid(IWorldMechanoid* from)
{
    if (!from || !g_pfnCreateWorldMechanoid) return nullptr;
    IWorldMechanoid* copy = g_pfnCreateWorldMechanoid();
    if (copy) CopyMechanoidInto(*from, *copy);
    return copy;
}

} // namespace

void CPlayerMech::StoreBackup()
{
    XTRACE("CPlayerMech::StoreBackup");
    if (!m_pMechanoid) return;
    delete m_pBackup;
    m_pBackup = CopyMechanoid(m_pMechanoid);
}

void CPlayerMech::RestoreBackup()
{
    XTRACE("CPlayerMech::RestoreBackup");
    if (!m_pBackup) return;
    // Into the mechanoid in place: its glider and the game hold it.
    if (m_pMechanoid)
        CopyMechanoidInto(*m_pBackup, *m_pMechanoid);
    else
        m_pMechanoid = CopyMechanoid(m_pBackup);
}

bool CPlayerMech::CanAssign(int groupsUnderCommand) const
{
    const int limit = m_nLevel < 5 ? 1 : (m_nLevel <= 7 ? 2 : 3);
    return groupsUnderCommand < limit;
}
