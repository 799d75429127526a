#include "app/BuildingHost.h"

#include "app/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "script/game/ScriptManager.h"
#include "units/GliderObject.h"
#include "world/MMEngine.h"

#include <cstdio>

CGliderObject* CGameBuildingHost::GetPlayerGlider()
{
    return g_pPlayerGlider;
}

void CGameBuildingHost::OnEnterBuilding(CBuildingObject& building, CGliderObject& glider)
{
    XTRACE("CGameBuildingHost::OnEnterBuilding");
    if (&glider != g_pPlayerGlider || g_MMEngine.m_bInBuilding) return;
    g_MMEngine.m_bInBuilding = 1;
    g_MMEngine.m_nBuildingState = 0;
    std::snprintf(g_MMEngine.m_szBuildingId, sizeof g_MMEngine.m_szBuildingId, "%.31s", building.m_szGameId);
    std::snprintf(g_MMEngine.m_szBuildingName, sizeof g_MMEngine.m_szBuildingName, "%.31s",
                  building.m_szTypeName);
    g_MMEngine.m_pBuilding = &building;
    ++m_nEntered;
    g_ErrorLog.LogDebug("The player entered building %s", building.m_szGameId);
    // The building's script greets the player; its results wait in the
    // script manager's list for the console that shows them.
    if (g_pScriptManager) g_pScriptManager->RunEvent(building.m_szGameId, "OnEnterBuild", nullptr);
}

void CGameBuildingHost::Run()
{
    if (!g_MMEngine.m_bInBuilding) return;
    auto* building = static_cast<CBuildingObject*>(g_MMEngine.m_pBuilding);
    if (building && g_pPlayerGlider) building->ExitGlider(g_pPlayerGlider);
    g_MMEngine.m_bInBuilding = 0;
    g_MMEngine.m_pBuilding = nullptr;
    g_MMEngine.m_szBuildingId[0] = 0;
    g_MMEngine.m_szBuildingName[0] = 0;
}
