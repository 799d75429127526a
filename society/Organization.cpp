#include "society/Organization.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/GroupAI.h"
#include "society/MMTrade.h"
#include "society/MechGroup.h"
#include "society/OrgManager.h"
#include "units/MechConfigManager.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

void Put32(CMemStream& s, std::uint32_t v)
{
    const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    s.Write(b, 4);
}

void PutF(CMemStream& s, float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    Put32(s, v);
}

float ReadF(CStreamReader& in)
{
    const std::uint32_t v = in.U32();
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

std::int32_t PlaceCount(const char* building)
{
    return g_pWorld ? g_pWorld->GetBuildingCluster(building) : 0;
}
} // namespace

COrganization::COrganization(const char* name, const SOrgRecord* record, COrgManager* manager)
    : m_pRecord(record), m_pManager(manager)
{
    CopyName(m_szName, name);
}

std::int32_t COrganization::GetIndex() const
{
    return m_pManager ? m_pManager->FindName(m_szName) : -1;
}

void COrganization::UpdateMechInfo()
{
    XTRACE("COrganization::UpdateMechInfo");
    m_nMembers = m_nActive = m_nKilled = m_nGarrison = m_nIdle = m_nAtHome = 0;
    if (g_pWorld)
        for (CMech* m : g_pWorld->m_Mechs)
        {
            if (!m || !SameName(m->m_szOrg, m_szName)) continue;
            ++m_nMembers;
            if (m->m_bInCluster)
            {
                ++m_nGarrison;
                const SBuildingRecord* b = g_pWorld->FindBuilding(m->m_szBuilding);
                if (b && SameName(b->owner, m_szName)) ++m_nAtHome;
            }
            else if (m->m_bDead)
                ++m_nKilled;
            else if (m->m_pMechanoid)
                ++m_nActive;
            else
                ++m_nIdle;
        }
    m_nBuildTarget = std::int32_t(0.4f * float(m_nActive + m_nGarrison)) - m_nGarrison;
    m_nKeepTarget = std::int32_t(0.35f * float(m_nActive + m_nGarrison)) - m_nGarrison;
}

std::int32_t COrganization::GetPower()
{
    std::int32_t power = 0;
    if (g_pWorld)
        for (const CMech* m : g_pWorld->m_Mechs)
            if (m && SameName(m->m_szOrg, m_szName) && m->m_bAlive && (m->m_bInCluster || m->m_pMechanoid))
                power += m->m_nGeneration == kLeaderRank ? m->m_nLevel * 20 : m->m_nLevel;
    return power;
}

bool COrganization::IsRich()
{
    return m_fMoney * 0.01f / (float(m_nMembers) + 0.01f) > 9.0f;
}

bool COrganization::CanRecruit()
{
    return m_Clan.m_bFixedBase || m_Clan.m_bImmortal || m_fMoney * 0.01f / (float(m_nMembers) + 0.01f) > 1.0f;
}

void COrganization::PayConvict(CMech* member)
{
    if (member) m_fMoney -= member->GetConvictPrice(0, false);
}

void COrganization::PayMechanoid(CMech* member)
{
    if (member && member->m_pMechanoid) m_fMoney -= member->m_pMechanoid->GetPrice(true);
}

void COrganization::OnMechBuilding(CMech* member, const char* building)
{
    XTRACE("COrganization::OnMechBuilding");
    if (!member || !building) return;
    char argument[32] = {};
    CopyName(argument, building);
    const CMechGroupList2::CWarPowerChange change; // the game's scripts may change anything
    CWorld::RaiseScriptEvent(member->m_szId, "OnMechCommit", argument);
    member->m_bInBuilding = 1;
    CopyName(member->m_szBuilding, argument);
    if (member->m_bDead && member->m_fComebackTimer == 0.0f)
    {
        // Slow in another clan's building, unless either clan keeps a fixed
        // base.
        const SBuildingRecord* b = g_pWorld ? g_pWorld->FindBuilding(argument) : nullptr;
        const bool foreign = b && b->owner[0] && !SameName(b->owner, m_szName);
        const auto* owner = foreign ? dynamic_cast<COrganization*>(g_pWorld->FindOrganization(b->owner)) : nullptr;
        const bool ownerFixed = owner && owner->m_Clan.m_bFixedBase;
        member->m_fComebackTimer = !m_Clan.m_bFixedBase && foreign && !ownerFixed ? 600.0f : 30.0f;
    }
    UpdateMechInfo();
}

void COrganization::OnMechStay(CMech* member)
{
    if (!member || !g_pWorld) return;
    std::int32_t there = 0;
    for (const CMech* m : g_pWorld->m_Mechs)
        if (m && SameName(m->m_szOrg, m_szName) && m->m_bInCluster && SameName(m->m_szBuilding, member->m_szBuilding))
            ++there;
    if (PlaceCount(member->m_szBuilding) == there)
        g_pWorld->CaptureBuilding(m_szName, member->m_szBuilding);
    else if (!m_Clan.m_bFixedBase)
        CopyName(m_szBase, member->m_szBuilding);
}

std::uint32_t COrganization::ChooseGroupKind() const
{
    const float h = std::round(float(m_nActive) * m_Clan.m_fTransportShare); // halves away from zero
    if (h > float(m_nGroupCounts[0])) return 0;
    const float t = float(m_nActive) - h;
    return std::int32_t(t * m_Clan.m_fHunterShare) > m_nGroupCounts[1] ? 1 : 2;
}

void COrganization::StartGroupConstruct(std::uint32_t kind)
{
    XTRACE("CreateGroupContruct");
    kind = std::min<std::uint32_t>(kind, 2);
    const std::uint32_t m = std::max<std::uint32_t>(m_Clan.m_nMaxSize[kind], 1);
    std::uint32_t planned = m <= 1 ? 1 : 1 + std::uint32_t(g_Random.RandomInt(std::int32_t(m - 1)));
    planned = std::min(planned, SGroupConstruct::kMaxMembers);
    SGroupConstruct g;
    g.m_nKind = kind;
    g.m_nPlanned = planned;
    if (!SameName(m_szName, kPlayer))
    {
        const std::uint32_t count = std::min<std::uint32_t>(m_Clan.m_nConfigs[kind], 3);
        for (std::uint32_t i = 0; i < planned; ++i)
        {
            char name[33] = {};
            if (count) CopyName(name, m_Clan.m_Configs[kind][g_Random.RandomInt(std::int32_t(count))]);
            const std::int32_t index = g_MechConfigManager.FindName(name);
            if (index < 0)
                g_ErrorLog.LogError(
                    "COrganization::CreateGroupContruct configuration '%s' not found. Replaced to Default.", name);
            g.m_nConfigs[i] = std::uint32_t(std::max(index, 0));
        }
        g.m_nConfigCount = planned;
    }
    g.m_bIdle = 0;
    m_Construct = g;
}

void COrganization::OnBuildingGone(const char* building)
{
    if (building && m_szBase[0] && SameName(building, m_szBase)) RechooseBase();
    UpdateMechInfo();
}

void COrganization::OnGainBuilding(const char* building)
{
    const CMechGroupList2::CWarPowerChange change;
    if (g_pAppEvent && building) g_pAppEvent->CaptureBuilding(m_szName, building);
    RechooseBase();
    m_fDeathTimer = 0.0f;
}

void COrganization::Bind(SOrgData* data)
{
    m_pData = data;
    if (!data) return;
    SClanConfig c;
    c.m_bFixedBase = data->rest[0] ? 1 : 0;
    c.m_bImmortal = data->rest[1] ? 1 : 0;
    c.m_fTransportShare = data->values[0];
    c.m_fHunterShare = data->values[1];
    const char(*lists[3])[32] = {data->trade, data->attack, data->defaults};
    const std::int32_t counts[3] = {data->tradeCount, data->attackCount, data->defaultCount};
    for (int k = 0; k < 3; ++k)
    {
        c.m_nMaxSize[k] = std::max<std::uint32_t>(data->more[k], 1);
        c.m_nConfigs[k] = std::uint32_t(std::clamp(counts[k], 0, 3));
        for (std::uint32_t i = 0; i < c.m_nConfigs[k]; ++i)
            CopyName(c.m_Configs[k][i], lists[k][i]);
    }
    m_Clan = c;
}

void COrganization::RemoveMech(CMech*)
{
    UpdateMechInfo();
}

void COrganization::AddMech(CMech* member)
{
    UpdateMechInfo();
    AssignMech(member);
}

bool COrganization::CanConvict()
{
    return m_fMoney * 0.01f / (float(m_nMembers) + 0.01f) >= 9.0f;
}

void COrganization::OnConvicted(CMech* member)
{
    if (member) m_fMoney -= member->GetConvictPrice(3, true);
}

bool COrganization::WantsMech(CMech* member)
{
    // A described member is taken back into its own group whatever the
    // funds; any other free member only when the clan can recruit.
    if (!member || member->m_bInCluster) return false;
    return g_MechGroupList.Find(member->m_szId) || CanRecruit();
}


std::uint32_t COrganization::GetColour()
{
    return m_pRecord ? m_pRecord->m_nColour & 0xFFFFFFu : 0xFFFFFFu;
}

void COrganization::GetCounters(std::int32_t out[8])
{
    const std::int32_t counters[8] = {m_nMembers, m_nActive, m_nKilled, m_nGarrison,
                                      m_nIdle,    m_nAtHome, m_nBuildTarget, m_nKeepTarget};
    std::memcpy(out, counters, sizeof counters);
}

void COrganization::ClanDeath()
{
    if (g_pWorld)
        for (CMech* m : g_pWorld->m_Mechs)
            if (m && SameName(m->m_szOrg, m_szName) && m->m_nGeneration < kLeaderRank)
                g_pWorld->OnTryConvict(m->m_szId, kFree);
    {
        const CMechGroupList2::CWarPowerChange change;
        CWorld::RaiseScriptEvent(m_szName, "OnClanDeath", "");
    }
    char base[32];
    CopyName(base, m_szBase);
    OnBuildingGone(base);
    UpdateMechInfo();
    m_fDeathTimer = -1.0f;
}

void COrganization::ReleaseWeakest()
{
    if (!g_pWorld) return;
    // The weakest building the organisation holds without a leader in it.
    const char* weakest = nullptr;
    std::int32_t fewest = 100;
    for (std::int32_t i = 0; i < g_pWorld->m_nBuildings; ++i)
    {
        const SBuildingRecord& b = g_pWorld->m_Buildings[i];
        if (!SameName(b.owner, m_szName)) continue;
        bool leader = false;
        for (const CMech* m : g_pWorld->m_Mechs)
            leader = leader || (m && m->m_bInCluster && SameName(m->m_szBuilding, b.name) &&
                                m->m_nGeneration == kLeaderRank);
        const std::int32_t places = PlaceCount(b.name);
        if (!leader && places < fewest)
        {
            fewest = places;
            weakest = b.name;
        }
    }
    if (weakest)
    {
        char name[32];
        CopyName(name, weakest);
        for (CMech* m : g_pWorld->m_Mechs)
            if (m && SameName(m->m_szOrg, m_szName) && m->m_bInCluster && SameName(m->m_szBuilding, name))
            {
                m->m_bInCluster = 0;
                m->m_bAssigned = 0;
                m->m_bInBuilding = 1;
            }
        g_pWorld->ReleaseBuilding(name);
        OnLoseBuilding(name);
        CopyName(m_szBase, "");
    }
}

void COrganization::OnKillMech(CMech*)
{
    XTRACE("COrganization::OnKillMech");
    UpdateMechInfo();
    if (m_nBuildTarget < 0 && g_pWorld)
    {
        // Too many kept in buildings for the members left outside: one
        // (not a leader) comes out of the base, else the weakest building
        // is given up.
        CMech* out = nullptr;
        if (m_szBase[0])
            for (CMech* m : g_pWorld->m_Mechs)
                if (m && SameName(m->m_szOrg, m_szName) && m->m_bInCluster && SameName(m->m_szBuilding, m_szBase) &&
                    m->m_nGeneration < kLeaderRank)
                {
                    out = m;
                    break;
                }
        if (out)
        {
            out->m_bInCluster = 0;
            out->m_bInBuilding = 1;
            out->m_bAssigned = 0;
        }
        else
            ReleaseWeakest();
        UpdateMechInfo();
    }
    if (g_pWorld && g_pWorld->GetOrgShare(kPlayer) > 0.55f) g_pWorld->AlertOrganizations(kPlayer);
}

void COrganization::Run(float dt)
{
    UpdateMechInfo();
    if (!m_Clan.m_bFixedBase && !m_szBase[0] && m_nBuildTarget > 0) ChooseBase();

    if (!SameName(m_szName, kFree) && m_nBuildTarget < 0) ReleaseWeakest();

    if (!m_Clan.m_bImmortal && !SameName(m_szName, kFree) && !SameName(m_szName, kPlayer) && m_fDeathTimer >= 0.0f)
    {
        if (m_nAtHome == 0 && m_fDeathTimer == 0.0f && m_nActive < 6) m_fDeathTimer = kDeathDelay;
        if (m_nActive > 5) m_fDeathTimer = 0.0f;
        if (m_fDeathTimer > 0.0f)
        {
            m_fDeathTimer -= dt;
            if (m_fDeathTimer <= 0.0f || m_nActive == 0) ClanDeath();
        }
    }

    if (g_pWorld && g_pTrade)
        for (std::int32_t i = 0; i < g_pWorld->m_nBuildings; ++i)
        {
            const SBuildingRecord& b = g_pWorld->m_Buildings[i];
            if (!SameName(b.owner, m_szName)) continue;
            m_fMoney = m_fMoney / ((1.0f + std::fabs(m_fMoney) * 0.0000000001f) * 1.05f);
            m_fMoney += g_pTrade->GetBuildingIncome(b.name);
        }
}

void COrganization::SaveToStream(CMemStream& s)
{
    XTRACE("COrganization::SaveToStream");
    Put32(s, kStreamVersion);
    for (std::int32_t v : {m_nMembers, m_nActive, m_nKilled, m_nGarrison, m_nIdle, m_nAtHome, m_nBuildTarget,
                           m_nKeepTarget})
        Put32(s, std::uint32_t(v));
    // Only the name goes out, as a load gives it back: bytes after its
    // terminator would make two saves of one state differ.
    char base[32];
    CopyName(base, m_szBase);
    s.Write(base, 32);
    PutF(s, m_fFactor);
    const SGroupConstruct& g = m_Construct;
    s.Write(&g.m_bIdle, 1);
    Put32(s, g.m_nKind);
    Put32(s, g.m_nPlanned);
    const std::uint32_t n = std::min(g.m_nMembers, SGroupConstruct::kMaxMembers);
    Put32(s, n);
    for (std::uint32_t i = 0; i < n; ++i)
    {
        char id[32] = {};
        if (g.m_pMembers[i]) CopyName(id, g.m_pMembers[i]->m_szId);
        s.Write(id, 32);
    }
    const std::uint32_t c = std::min(g.m_nConfigCount, SGroupConstruct::kMaxMembers);
    Put32(s, c);
    for (std::uint32_t i = 0; i < c; ++i)
        Put32(s, g.m_nConfigs[i]);
    char second[32];
    CopyName(second, m_szSecondName);
    s.Write(second, 32);
    PutF(s, m_fDeathTimer);
    PutF(s, m_fMoney);
}

void COrganization::LoadFromStream(CMemStream& stream)
{
    XTRACE("COrganization::LoadFromStream");
    CStreamReader in(stream, "organisation");
    std::int32_t counters[8] = {};
    char base[32], second[32];
    float factor = 0.0f, timer = m_fDeathTimer, money = m_fMoney;
    SGroupConstruct g;
    char ids[SGroupConstruct::kMaxMembers][32] = {};
    try
    {
        std::uint32_t version = in.U32();
        std::int32_t first = 0;
        if (version < 4096)
        {
            first = 1;
            counters[0] = std::int32_t(version);
            version = 0;
        }
        for (std::int32_t i = first; i < 8; ++i)
            counters[i] = in.I32();
        in.Bytes(base, 32);
        base[31] = 0;
        factor = ReadF(in);
        g.m_bIdle = in.U8() ? 1 : 0;
        g.m_nKind = in.U32();
        g.m_nPlanned = in.U32();
        if (g.m_nKind > 2) in.Fail("group kind %u", g.m_nKind);
        if (g.m_nPlanned > SGroupConstruct::kMaxMembers)
            in.Fail("planned size %u, at most %u", g.m_nPlanned, SGroupConstruct::kMaxMembers);
        g.m_nMembers = in.U32();
        if (g.m_nMembers > SGroupConstruct::kMaxMembers)
            in.Fail("member count %u, at most %u", g.m_nMembers, SGroupConstruct::kMaxMembers);
        for (std::uint32_t i = 0; i < g.m_nMembers; ++i)
        {
            in.Bytes(ids[i], 32);
            ids[i][31] = 0;
        }
        g.m_nConfigCount = in.U32();
        if (g.m_nConfigCount > SGroupConstruct::kMaxMembers)
            in.Fail("configuration count %u, at most %u", g.m_nConfigCount, SGroupConstruct::kMaxMembers);
        for (std::uint32_t i = 0; i < g.m_nConfigCount; ++i)
            g.m_nConfigs[i] = in.U32();
        in.Bytes(second, 32);
        second[31] = 0;
        if (version >= 4097) timer = ReadF(in);
        if (version >= 4098) money = ReadF(in);
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("COrganization::LoadFromStream %s: %s", m_szName, e.what());
        throw;
    }
    std::int32_t* fields[8] = {&m_nMembers,  &m_nActive, &m_nKilled,      &m_nGarrison,
                               &m_nIdle,     &m_nAtHome, &m_nBuildTarget, &m_nKeepTarget};
    for (int i = 0; i < 8; ++i)
        *fields[i] = counters[i];
    CopyName(m_szBase, base);
    m_fFactor = factor;
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < g.m_nMembers; ++i)
    {
        CMech* m = g_pWorld ? g_pWorld->FindMech(ids[i]) : nullptr;
        if (m) g.m_pMembers[kept++] = m;
    }
    g.m_nMembers = kept;
    m_Construct = g;
    CopyName(m_szSecondName, second);
    m_fDeathTimer = timer;
    m_fMoney = money;
}
