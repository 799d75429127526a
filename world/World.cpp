#include "world/World.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "world/Trade.h"
#include "world/Mech.h"
#include "world/MechGroupList.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

CWorld* g_pWorld = nullptr;

namespace
{

constexpr char kPlayerOrg[] = "ORG_PLAYER";

} // namespace

CWorld::CWorld() = default;

CWorld::~CWorld()
{
    // The groups point at the current world's records and organisations: a
    // location loaded over this one must not find them left behind.
    if (g_pWorld == this && g_pfnClearGroups) g_pfnClearGroups();
    for (CMech* m : m_Mechs)
        if (m != m_pPlayerMech) delete m;
    delete m_pEqpTrade;
}

void CWorld::CreateEqpTrade()
{
    CGuidKey key;
    MakeGuidKey(&key, "IGUID_IEqpTrade");
    IBaseInterface* object = CreateClassInstance(ResolveClassIndex(key));
    m_pEqpTrade = dynamic_cast<IEqpTrade*>(object);
    if (!m_pEqpTrade) delete object;
}

void CWorld::LoadLocationData(CMemStream& stream)
{
    XTRACE("CWorld::LoadLocationData");
    CStreamReader in(stream, "location data");
    m_OrgData.clear();
    m_nBuildings = 0;
    if (in.Left() == 0) return;
    try
    {
        // Counts are not trusted ahead: reading stops at the first record
        // cut short, keeping the whole ones before it.
        const std::uint32_t orgs = in.U32();
        for (std::uint32_t o = 0; o < orgs; ++o)
        {
            SOrgData d{};
            ReadOrgData(in, d);
            m_OrgData.push_back(d);
        }
        const std::uint32_t buildings = in.U32();
        if (buildings > std::uint32_t(kMaxBuildings))
            g_ErrorLog.LogError("location data: %u buildings, only the first %d are kept", buildings,
                                kMaxBuildings);
        for (std::uint32_t b = 0; b < buildings; ++b)
        {
            SBuildingRecord r{};
            in.Bytes(&r, sizeof r);
            if (b >= std::uint32_t(kMaxBuildings)) continue;
            r.name[31] = r.owner[31] = 0;
            r.object = 0;
            m_Buildings[m_nBuildings++] = r;
        }
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("%s; %zu organisations and %d buildings kept", e.what(), m_OrgData.size(),
                            m_nBuildings);
    }
}

void CWorld::ReadOrgData(CStreamReader& in, SOrgData& d)
{
    in.U32(); // the version is not checked
    in.Bytes(&d, 256);
    std::memset(reinterpret_cast<std::uint8_t*>(&d) + 64, 0, 192);
    d.name[31] = 0;
    if (std::strcmp(d.name, "ORG_FIREHALF ") == 0) d.name[12] = 0;
    char(*lists[3])[32] = {d.trade, d.defaults, d.attack};
    std::int32_t* counts[3] = {&d.tradeCount, &d.defaultCount, &d.attackCount};
    for (int l = 0; l < 3; ++l)
    {
        const std::uint32_t n = in.Count(32, "configuration name count");
        if (n > 3) in.Fail("organisation '%s': %u configuration names, at most 3", d.name, n);
        for (std::uint32_t i = 0; i < n; ++i)
        {
            in.Bytes(lists[l][i], 32);
            lists[l][i][31] = 0;
        }
        *counts[l] = std::int32_t(n);
    }
}

void CWorld::WriteOrgData(CMemStream& out, const SOrgData& data)
{
    const std::uint32_t version = kOrgDataVersion;
    out.Write(&version, 4);
    std::uint8_t head[256] = {};
    std::memcpy(head, &data, 64);
    out.Write(head, 256);
    const char(*lists[3])[32] = {data.trade, data.defaults, data.attack};
    const std::int32_t counts[3] = {data.tradeCount, data.defaultCount, data.attackCount};
    for (int l = 0; l < 3; ++l)
    {
        const std::uint32_t n = std::uint32_t(std::clamp(counts[l], 0, 3));
        out.Write(&n, 4);
        for (std::uint32_t i = 0; i < n; ++i)
            out.Write(lists[l][i], 32);
    }
}

void CWorld::WriteLocationData(CMemStream& out, const std::vector<SOrgData>& orgs,
                               const std::vector<SBuildingRecord>& buildings)
{
    const std::uint32_t n = std::uint32_t(orgs.size());
    out.Write(&n, 4);
    for (const SOrgData& d : orgs)
        WriteOrgData(out, d);
    const std::uint32_t b = std::uint32_t(buildings.size());
    out.Write(&b, 4);
    for (const SBuildingRecord& r : buildings)
        out.Write(&r, sizeof r);
}

IWorldOrganization* CWorld::FindOrganization(const char* name) const
{
    for (const auto& o : m_Organizations)
        if (SameName(o->GetName(), name)) return o.get();
    return nullptr;
}

SBuildingRecord* CWorld::FindBuilding(const char* name)
{
    for (std::int32_t i = 0; i < m_nBuildings; ++i)
        if (SameName(m_Buildings[i].name, name)) return &m_Buildings[i];
    return nullptr;
}

CMech* CWorld::FindMech(const char* s) const
{
    for (CMech* m : m_Mechs)
        if (SameName(m->m_szId, s) || SameName(m->m_szName, s)) return m;
    return nullptr;
}

CMech* CWorld::FindMechByName(const char* name) const
{
    for (CMech* m : m_Mechs)
        if (SameName(m->m_szName, name)) return m;
    return nullptr;
}

CMech* CWorld::AddMech(const char* id)
{
    auto* m = new CMech;
    CopyName(m->m_szId, id);
    CopyName(m->m_szName, id);
    m_Mechs.push_back(m);
    return m;
}

void CWorld::SetPlayerMech(CPlayerMech* player)
{
    if (m_pPlayerMech && !m_Mechs.empty() && m_Mechs[0] == m_pPlayerMech) m_Mechs.erase(m_Mechs.begin());
    m_pPlayerMech = player;
    if (player) m_Mechs.insert(m_Mechs.begin(), player);
}

bool CWorld::HasGroupDesc(const char* name) const
{
    return g_MechGroupList.Find(name) != nullptr;
}

void CWorld::GenerateName(char* out)
{
    m_NameGenerator.Generate(out, m_nLocationNumber);
}

bool CWorld::CaptureBuilding(const char* org, const char* building)
{
    XTRACE("CWorld::CaptureBuilding");
    SBuildingRecord* r = FindBuilding(building);
    if (!r)
    {
        if (m_nBuildings == kMaxBuildings)
        {
            g_ErrorLog.LogError("CWorld::CaptureBuilding: no room for building '%s' (%d records)",
                                building ? building : "", kMaxBuildings);
            return false;
        }
        r = &m_Buildings[m_nBuildings++];
        *r = SBuildingRecord{};
    }
    CopyName(r->name, building);
    CopyName(r->owner, org);
    for (CMech* m : m_Mechs)
        if (m->m_bInCluster && SameName(m->m_szBuilding, building) && !SameName(m->m_szOrg, org))
            m->m_bInCluster = 0;
    for (const auto& o : m_Organizations)
        if (SameName(o->GetName(), org))
            o->OnCapture(building);
        else
            o->OnOtherCapture(building);
    return true;
}

void CWorld::RemoveBuildingRecord(std::int32_t index)
{
    for (std::int32_t i = index; i + 1 < m_nBuildings; ++i)
        m_Buildings[i] = m_Buildings[i + 1];
    --m_nBuildings;
}

void CWorld::ReleaseBuilding(const char* building)
{
    for (std::int32_t i = 0; i < m_nBuildings; ++i)
        if (SameName(m_Buildings[i].name, building)) return RemoveBuildingRecord(i);
}

void CWorld::SetMechInBuilding(const char* mechId, const char* building)
{
    CMech* m = FindMech(mechId);
    if (!m) return;
    m->m_bInCluster = 0;
    m->m_bInBuilding = 1;
    CopyName(m->m_szBuilding, building);
    if (IWorldOrganization* o = FindOrganization(m->m_szOrg))
    {
        o->UpdateMechInfo();
        o->OnMechBuilding(m, building);
    }
}

void CWorld::SetMechInCluster(const char* mechId, const char* building)
{
    CMech* m = FindMech(mechId);
    if (!m) return;
    CopyName(m->m_szBuilding, building);
    m->m_bInBuilding = 1;
    m->m_bInCluster = 1;
    if (IWorldOrganization* o = FindOrganization(m->m_szOrg)) o->OnMechCluster(m);
    char argument[32];
    CopyName(argument, building);
    if (g_pAppEvent) g_pAppEvent->OnScriptEvent(mechId, "OnClusterMech", argument);
}

void CWorld::MechLeaveCluster(const char* mechId)
{
    CMech* m = FindMech(mechId);
    if (!m || !m->m_bInCluster) return;
    for (std::int32_t i = 0; i < m_nBuildings; ++i)
        if (SameName(m_Buildings[i].name, m->m_szBuilding))
        {
            if (IWorldOrganization* o = FindOrganization(m->m_szOrg)) o->OnClusterLeft(m->m_szBuilding);
            RemoveBuildingRecord(i);
            break;
        }
    m->m_bInCluster = 0;
}

void CWorld::MechLeaveBuilding(const char* mechId)
{
    CMech* m = FindMech(mechId);
    if (!m) return;
    m->m_bInBuilding = 0;
    MechLeaveCluster(mechId);
}

void CWorld::GetMechInBuilding(const char* building, const char* org, std::vector<std::string>& out) const
{
    out.clear();
    for (const CMech* m : m_Mechs)
    {
        if (!m->m_bAlive || !m->m_bInBuilding || m->m_pGroup || !SameName(m->m_szBuilding, building))
            continue;
        if (m->m_bInCluster &&
            (SameName(m->m_szOrg, kPlayerOrg) || SameName(m->m_szOrg, org)))
            continue;
        out.emplace_back(m->m_szId);
    }
}

void CWorld::GetMechInCluster(const char* building, const char* org, std::vector<std::string>& out) const
{
    out.clear();
    const char* owner = org;
    for (std::int32_t i = 0; i < m_nBuildings; ++i)
        if (SameName(m_Buildings[i].name, building))
        {
            owner = m_Buildings[i].owner;
            break;
        }
    for (const CMech* m : m_Mechs)
        if (m->m_bAlive && m->m_bInBuilding && m->m_bInCluster &&
            (SameName(m->m_szOrg, owner) || SameName(m->m_szOrg, org)) && SameName(m->m_szBuilding, building))
            out.emplace_back(m->m_szId);
}

float CWorld::GetOrgShare(const char* org) const
{
    if (m_Organizations.empty()) return 0.0f;
    float p = 0.0f, s = 0.0f;
    for (const auto& o : m_Organizations)
    {
        const SOrgData* d = o->GetData();
        if (d && d->outOfLocation) continue;
        const float power = float(o->GetPower());
        s += power;
        if (SameName(o->GetName(), org)) p += power;
    }
    return p / (0.001f + s);
}

void CWorld::AlertOrganizations(const char* org)
{
    XTRACE("CWorld::AlertOrganizations");
    bool changed = false;
    for (const auto& o : m_Organizations)
    {
        const char* name = o->GetName();
        if (SameName(name, kPlayerOrg) || SameName(name, org)) continue;
        SOrgData* d = o->GetData();
        if (!d) continue;
        if (!d->outOfLocation) changed = true;
        d->outOfLocation = 1;
    }
    if (changed && g_pAppEvent) g_pAppEvent->OnCaptureLocation(org, m_szLocationName);
}

void CWorld::OnTryConvict(const char* mechId, const char* org)
{
    XTRACE("CWorld::OnTryConvict");
    CMech* m = FindMech(mechId);
    if (!m || (m->m_nLevel == 0 && m->m_nGeneration < 4)) return;
    char argument[32];
    CopyName(argument, org);
    if (g_pAppEvent) g_pAppEvent->OnScriptEvent(mechId, "OnTryConvict", argument);
    if (!SameName(m->m_szOrg, org)) return;
    if (g_pAppEvent)
    {
        g_pAppEvent->OnScriptEvent(mechId, "OnConviction", argument);
        g_pAppEvent->ConvictMech(mechId, org);
    }
    if (GetOrgShare(org) > kFallShare) AlertOrganizations(org);
}

void CWorld::TryConvictInBuilding(CMech* m)
{
    const SBuildingRecord* b = FindBuilding(m->m_szBuilding);
    if (!b || m->m_nGeneration >= 5 || SameName(b->owner, m->m_szOrg)) return;
    const bool playerOwns = SameName(b->owner, kPlayerOrg);
    if (!playerOwns && m_nConvictSetting <= 1) return;
    IWorldOrganization* owner = FindOrganization(b->owner);
    if (!owner) return;
    const SOrgData* d = owner->GetData();
    if ((d && (d->outOfLocation || d->standing)) || !owner->CanConvict()) return;
    char ownerName[32];
    CopyName(ownerName, b->owner);
    OnTryConvict(m->m_szId, ownerName);
    if (SameName(m->m_szOrg, ownerName))
    {
        owner->OnConvicted(m);
        m->m_fComebackTimer = std::min(m->m_fComebackTimer, 30.0f);
    }
}

bool CWorld::CreateM1Group(const char* name, bool mechsOnly)
{
    XTRACE("CWorld::CreateM1Group");
    CMechGroupDesc* desc = g_MechGroupList.Find(name);
    if (!desc) return false;
    std::vector<CMech*> made;
    if (!mechsOnly)
    {
        if (!g_pfnCreateGroup)
        {
            static bool s_bSaid = false;
            if (!s_bSaid)
                g_ErrorLog.LogError("CWorld::CreateM1Group: no groups here; only the mech records are made");
            s_bSaid = true;
        }
        if (desc->m_nType == 0 && desc->m_nGuardNode == -1)
            g_ErrorLog.LogError("CWorld::CreateM1Group road guard for group %s is empty", desc->m_szName);
        else if (desc->m_nType == 2 && desc->m_RoadSet.empty())
            g_ErrorLog.LogError("CWorld::CreateM1Group road set for group %s is empty", desc->m_szName);
        else if (desc->m_nType != 0 && desc->m_nType != 2 && desc->m_nType != 3)
            g_ErrorLog.LogError("CWorld::CreateM1Group group type %d not supported", desc->m_nType);
    }
    for (std::int32_t i = 0; i < desc->m_nMemberCount; ++i)
    {
        auto* m = new CMech;
        if (i == 0)
        {
            for (char* c = desc->m_szLabel; *c; ++c)
                if (*c >= 'a' && *c <= 'z') *c = char(*c - 'a' + 'A');
            CopyName(m->m_szId, desc->m_szName);
            CopyName(m->m_szName, desc->m_szLabel);
            m->m_fLevel = float(desc->m_nLevel);
        }
        else
        {
            GenerateName(m->m_szId);
            CopyName(m->m_szName, m->m_szId);
            const float b = float(desc->m_nLevel - 2);
            const float x = float(g_Random.Next() % 10000) * 0.0002f - 1.0f + b;
            m->m_fLevel = x < 2.0f ? 2.0f : g_Random.Random(2.0f) - 1.0f + b;
        }
        m->m_nLevel = std::int32_t(m->m_fLevel);
        CopyName(m->m_szOrg, desc->m_szOrgName);
        m_Mechs.push_back(m);
        made.push_back(m);
    }
    if (!mechsOnly && g_pfnCreateGroup) g_pfnCreateGroup(*desc, made);
    return true;
}

CMechGroup2* CWorld::ReanimateM1Mech(CMech* mech)
{
    XTRACE("CWorld::ReanimateM1Mech");
    const CMechGroupDesc* desc = mech ? g_MechGroupList.Find(mech->m_szId) : nullptr;
    if (!desc)
    {
        g_ErrorLog.LogError("CWorld::ReanimateM1Mech M1 Mech '%s' not found", mech ? mech->m_szId : "");
        return nullptr;
    }
    return g_pfnReanimateGroup ? g_pfnReanimateGroup(*desc, mech) : nullptr;
}

void CWorld::CreatePlayerGroup()
{
    XTRACE("CWorld::CreatePlayerGroup");
    if (g_pfnCreatePlayerGroup) g_pfnCreatePlayerGroup(m_pPlayerMech);
}

std::vector<CMech*>& CWorld::GetPendingMechs()
{
    static std::vector<CMech*> s_Pending;
    return s_Pending;
}

void CWorld::ExcludeMechanoids()
{
    XTRACE("CWorld::ExcludeMechanoids");
    std::vector<CMech*>& pending = GetPendingMechs();
    // Records still pending from an earlier exclusion were never included:
    // they are the pending list's to free.
    for (CMech* m : pending)
        delete m;
    pending.clear();
    std::vector<std::string> ids;
    if (g_pfnPlayerMechminds) g_pfnPlayerMechminds(ids);
    for (const std::string& id : ids)
    {
        CMech* m = FindMech(id.c_str());
        if (!m || m->m_nGeneration < 5 || m == m_pPlayerMech)
        {
            g_ErrorLog.LogError("CWorld::ExcludeMechanoids Mech '%s' not found or low generation",
                                id.c_str());
            continue;
        }
        m->m_bInBuilding = 0;
        m->m_bDead = 0;
        pending.push_back(m);
        m_Mechs.erase(std::find(m_Mechs.begin(), m_Mechs.end(), m));
    }
}

void CWorld::IncludeMechanoids()
{
    XTRACE("CWorld::IncludeMechanoids");
    std::vector<CMech*>& pending = GetPendingMechs();
    for (CMech* m : pending)
    {
        g_ErrorLog.LogError("Include mech '%s' in World", m->m_szId);
        m_Mechs.push_back(m);
    }
    pending.clear();
}
