// The world's life in time (RunWorld, SimulateTime) and its start state
// (GenerateWorld, NewGame, DoneWorld).
#include "world/World.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "world/MMEngine.h"
#include "world/Trade.h"
#include "world/Camera.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"
#include "world/RoadManager.h"
#include "world/TypeManagers.h"
#include "world/WorldSeams.h"

#include <cstdio>
#include <cstring>

namespace
{

constexpr float kHour = 120.0f;
constexpr float kTenStep = 20.0f;

} // namespace

void CWorld::RunWorld(float dt)
{
    XTRACE("CWorld::RunWorld");
    {
        XTRACE("Mechs");
        for (std::size_t i = 0; i < m_Mechs.size(); ++i)
            m_Mechs[i]->Run(dt);
    }
    if (g_pfnRunGroups)
    {
        XTRACE("Groups");
        g_pfnRunGroups(dt);
    }
    const float before = m_fTime;
    m_fTime += dt;
    const char empty[32] = {};
    if (std::int64_t(m_fTime / kTenStep) > std::int64_t(before / kTenStep) && g_pAppEvent)
        g_pAppEvent->OnScriptEvent(m_szLocationName, "OnTen", empty);
    if (std::int64_t(m_fTime / kHour) > std::int64_t(before / kHour))
    {
        XTRACE("HOUR");
        for (const auto& o : m_Organizations)
            o->Run(kHour);
        if (g_pTrade) g_pTrade->RunEachHour();
        if (m_pEqpTrade) m_pEqpTrade->RestockEqp();
        if (g_pAppEvent) g_pAppEvent->OnScriptEvent(m_szLocationName, "OnHour", empty);
    }
}

void CWorld::SimulateTime(float seconds)
{
    XTRACE("CWorld::SimulateTime");
    const std::int32_t steps = std::int32_t(seconds * (1.0f / 30.0f));
    // Far off the map while the world runs ahead, so that nothing near the
    // view acts on what it sees.
    if (g_pViewCamera) g_pViewCamera->SetViewPosition(CVector{-10000.0f, -10000.0f, 0.0f});
    for (std::int32_t i = 0; i < steps; ++i)
        RunWorld(30.0f);
}

void CWorld::RaiseScriptEvent(const char* object, const char* event, const char* argument)
{
    char padded[32] = {};
    if (argument) CopyName(padded, argument);
    if (g_pAppEvent) g_pAppEvent->OnScriptEvent(object, event, padded);
}

std::int32_t CWorld::GetBuildingCluster(const char* gameId) const
{
    if (g_pfnBuildingCluster) return g_pfnBuildingCluster(gameId);
    CMMObject* o = gameId && gameId[0] ? g_ObjectList.FindByGameId(gameId, OBJ_BUILDING) : nullptr;
    const SBuildingType* kind = o && g_UnitKinds.buildingKind ? g_UnitKinds.buildingKind(o) : nullptr;
    return kind ? kind->m_nCluster : 0;
}

void CWorld::GenerateWorld(bool newGame)
{
    XTRACE("CWorld::GenerateWorld");
    m_PathFinder.Init(&g_RoadManager);
    // The buildings that hold mechs; one with an "_EXIT" twin is only a
    // way in.
    m_BuildingObjects.clear();
    SPointerArray<CMMObject> buildings;
    g_ObjectList.GetObjectList(OBJ_BUILDING, buildings);
    for (std::int32_t i = 0; i < buildings.count; ++i)
    {
        CMMObject* o = buildings.items[i];
        const SBuildingType* kind = g_UnitKinds.buildingKind ? g_UnitKinds.buildingKind(o) : nullptr;
        if (!o->m_szGameId[0] || !kind ||
            !(kind->m_nCluster != 0 || kind->m_nType == 11 || kind->m_nType == 3 || kind->m_nType == 5))
            continue;
        m_BuildingObjects.push_back(o);
        if (g_UnitKinds.setBuildingState) g_UnitKinds.setBuildingState(o, true);
    }
    for (CMMObject* o : m_BuildingObjects)
    {
        char exit[64];
        std::snprintf(exit, sizeof exit, "%s_EXIT", o->m_szGameId);
        if (g_ObjectList.FindByGameId(exit, OBJ_BUILDING) && g_UnitKinds.setBuildingState)
            g_UnitKinds.setBuildingState(o, false);
    }
    bool hasFree = false, hasPlayer = false;
    for (const SOrgData& d : m_OrgData)
    {
        hasFree = hasFree || SameName(d.name, "ORG_FREE");
        hasPlayer = hasPlayer || SameName(d.name, "ORG_PLAYER");
    }
    if (!hasFree)
    {
        SOrgData d{};
        std::strcpy(d.name, "ORG_FREE");
        d.outOfLocation = 1;
        m_OrgData.push_back(d);
    }
    if (!hasPlayer)
    {
        SOrgData d{};
        std::strcpy(d.name, "ORG_PLAYER");
        d.values[0] = 0.3f;
        d.values[1] = 0.7f;
        m_OrgData.push_back(d);
    }
    // The organisations point at their records: rebuilt together.
    m_Organizations.clear();
    if (g_pfnCreateWorldOrganization)
        for (SOrgData& d : m_OrgData)
            if (IWorldOrganization* o = g_pfnCreateWorldOrganization(&d)) m_Organizations.emplace_back(o);
    for (std::int32_t i = 0; i < m_nBuildings; ++i)
    {
        SBuildingRecord& b = m_Buildings[i];
        if (!g_ObjectList.FindByGameId(b.name, OBJ_BUILDING))
            g_ErrorLog.LogError("CWorld::GenerateWorld() building %s not found", b.name);
        if (SameName(b.owner, "ORG_FREE")) std::strcpy(b.owner, "ORG_NONE");
    }
    if (g_UnitKinds.createForGame) g_UnitKinds.createForGame();
    CreatePlayerGroup();
    if (newGame) NewGame();
}

void CWorld::SetDefaultState()
{
    XTRACE("CWorld::SetDefaultState");
    // Nothing to make without a mechanoid maker.
    if (!g_pfnCreateWorldMechanoid) return;
    IWorldOrganization* player = FindOrganization("ORG_PLAYER");
    const SOrgData* d = player ? player->GetData() : nullptr;
    if (!d)
    {
        g_ErrorLog.LogError("CWorld::SetDefaultState impossible ORG_PLAYER not found");
        return;
    }
    // g_pPlayerConfigs is in the order default, attack, trade.
    const char(*lists[3])[32] = {d->defaults, d->attack, d->trade};
    const std::int32_t counts[3] = {d->defaultCount, d->attackCount, d->tradeCount};
    static const char* const kFallback[3] = {"CFG_PLAYER_DEF", "CFG_PLAYER_AT", "CFG_PLAYER_TRADE"};
    for (int i = 0; i < 3; ++i)
    {
        if (g_pPlayerConfigs[i]) continue;
        char name[32] = {};
        std::snprintf(name, sizeof name, "%.31s", counts[i] > 0 ? lists[i][0] : kFallback[i]);
        g_pPlayerConfigs[i] = g_pfnCreateWorldMechanoid();
        if (g_pPlayerConfigs[i]) g_pPlayerConfigs[i]->InitConfig(name);
    }
}

void CWorld::NewGame()
{
    XTRACE("CWorld::NewGame");
    for (IWorldMechanoid*& config : g_pPlayerConfigs)
    {
        delete config;
        config = nullptr;
    }
    SetDefaultState();
    for (CMech* m : m_Mechs)
        if (m != m_pPlayerMech) delete m;
    m_Mechs.clear();
    if (m_pPlayerMech)
    {
        m_Mechs.push_back(m_pPlayerMech);
        std::strcpy(m_pPlayerMech->m_szOrg, "ORG_PLAYER");
        std::strcpy(m_pPlayerMech->m_szId, "PLAYER");
        std::strcpy(m_pPlayerMech->m_szName, "PLAYER");
        m_pPlayerMech->m_fLevel = 1.0f;
        m_pPlayerMech->m_nLevel = 1;
        m_pPlayerMech->m_nBaseLevel = 1;
    }
    for (const auto& org : m_Organizations)
    {
        const SOrgData* d = org->GetData();
        if (!d) continue;
        std::vector<std::int32_t> owned;
        std::int32_t capacity = 0;
        for (std::int32_t i = 0; i < m_nBuildings; ++i)
            if (SameName(m_Buildings[i].owner, d->name))
            {
                owned.push_back(i);
                capacity += GetBuildingCluster(m_Buildings[i].name);
            }
        std::size_t current = 0;
        std::int32_t inCurrent = 0;
        const std::int32_t count = d->mechCount > 0 ? d->mechCount : 0;
        org->SetFunds(double(count) * 100000000.0);
        for (std::int32_t k = 0; k < count; ++k)
        {
            auto* m = new CMech;
            GenerateName(m->m_szId);
            CopyName(m->m_szName, m->m_szId);
            CopyName(m->m_szOrg, d->name);
            auto draw = [&] { return float(std::int32_t(float(g_Random.Next() % 10000) * 0.0003f - 1.5f)); };
            float n = draw();
            const float x = n * n + d->baseLevel;
            if (x < 2.0f)
                m->m_fLevel = 2.0f;
            else
            {
                n = draw();
                m->m_fLevel = n * n + d->baseLevel;
            }
            m->m_nLevel = m->m_nBaseLevel = std::int32_t(m->m_fLevel);
            m_Mechs.push_back(m);
            if (capacity > 0 && current < owned.size())
            {
                --capacity;
                const SBuildingRecord& b = m_Buildings[owned[current]];
                m->m_bDead = 0;
                m->m_bAssigned = 0;
                m->m_bInBuilding = 1;
                m->m_bInCluster = 1;
                CopyName(m->m_szBuilding, b.name);
                if (++inCurrent >= GetBuildingCluster(b.name) && current + 1 < owned.size())
                {
                    ++current;
                    inCurrent = 0;
                }
            }
            else
                org->AddMech(m);
        }
        org->SetFunds(double(count) * 1000.0);
    }
    g_GameState.Clear();
}

void CWorld::DoneWorld()
{
    XTRACE("CWorld::DoneWorld");
    g_ObjectList.Clear();
    m_BuildingObjects.clear(); // they went with the object list
    // The groups point at the records: they go first.
    if (g_pfnClearGroups) g_pfnClearGroups();
    for (CMech* m : m_Mechs)
        if (m != m_pPlayerMech) delete m;
    m_Mechs.clear();
    m_Organizations.clear();
}
