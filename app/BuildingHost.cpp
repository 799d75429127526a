#include "app/BuildingHost.h"

#include "world/GameWorldState.h"
#include "app/MMApp.h"
#include "foundation/ErrorLog.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "world/MMEngine.h"
#include "world/Mech.h"

#include <cstdio>

CGliderObject* CGameBuildingHost::GetPlayerGlider()
{
    return g_pPlayerGlider;
}

void CGameBuildingHost::OnEnterBuilding(CBuildingObject& building, CGliderObject& glider)
{
    XTRACE("CGameBuildingHost::OnEnterBuilding");
    if (&glider != g_pPlayerGlider)
    {
        if (CMech* mech = glider.m_pMech)
            if (CMechGroup2* group = GetMechGroup(mech)) group->MechEnterBuilding(mech, building.m_szGameId);
        return;
    }
    if (g_MMEngine.m_bInBuilding) return;
    g_MMEngine.m_bInBuilding = 1;
    g_MMEngine.m_nBuildingState = 0;
    std::snprintf(g_MMEngine.m_szBuildingId, sizeof g_MMEngine.m_szBuildingId, "%.31s", building.m_szGameId);
    std::snprintf(g_MMEngine.m_szBuildingName, sizeof g_MMEngine.m_szBuildingName, "%.31s",
                  building.m_szTypeName);
    g_MMEngine.m_pBuilding = &building;
    ++m_nEntered;
    g_ErrorLog.LogDebug("The player entered building %s", building.m_szGameId);
    // The building's script greets the player from the building menu: the
    // quest console raises "OnEnterBuild" when it first comes to the front.
    // The game cycle ends here: the building menu follows.
    g_MMEngine.m_bLeaveCycle = 1;
    g_MMEngine.m_nExitReason = CMMApp::kExitBuilding;
}

const char* CGameBuildingHost::GetGroupName(const CMechGroup2* group)
{
    return group && g_MechGroupList2.IndexOf(group) > 0 ? group->m_szName : nullptr;
}

CMechGroup2* CGameBuildingHost::FindGroup(const char* name)
{
    return g_MechGroupList2.FindGroup(name);
}

bool CGameBuildingHost::IsGroupDone(const CMechGroup2* group)
{
    return !group || g_MechGroupList2.IndexOf(group) < 0 || !group->m_bActive || group->m_bInBuilding;
}

void CGameBuildingHost::ForgetCurrentBuilding()
{
    g_MMEngine.m_bInBuilding = 0;
    g_MMEngine.m_pBuilding = nullptr;
    g_MMEngine.m_szBuildingId[0] = 0;
    g_MMEngine.m_szBuildingName[0] = 0;
}

void CGameBuildingHost::Uninstall()
{
    if (g_pBuildingHost == this) g_pBuildingHost = nullptr;
    ForgetCurrentBuilding();
}
