#include "app/WorldRecords.h"

#include "foundation/ErrorLog.h"
#include "script/game/ScriptManager.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/GameWorldState.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <cstdio>

void CWorldRecords::Install()
{
    g_pMechRegistry = this;
    g_pGroupEvents = this;
}

CWorldRecords::~CWorldRecords()
{
    if (g_pMechRegistry == this) g_pMechRegistry = nullptr;
    if (g_pGroupEvents == this) g_pGroupEvents = nullptr;
}

bool CWorldRecords::FindMech(const char* id, SMechInfo* out)
{
    const CMech* mech = g_pWorld && id ? g_pWorld->FindMech(id) : nullptr;
    if (!mech) return false;
    if (out)
    {
        out->m_nLevel = mech->m_nLevel;
        out->m_nClass = mech->m_nGeneration;
        std::snprintf(out->m_szOrganization, sizeof out->m_szOrganization, "%.31s", mech->m_szOrg);
    }
    return true;
}

const char* CWorldRecords::GetPlayerOrganization()
{
    const CPlayerMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    return player ? player->m_szOrg : "";
}

void CWorldRecords::OnMechBuilding(const char* id, const char* building)
{
    XTRACE("CWorldRecords::OnMechBuilding");
    CMech* mech = g_pWorld && id ? g_pWorld->FindMech(id) : nullptr;
    if (!mech) return;
    if (IWorldOrganization* organisation = g_pWorld->FindOrganization(mech->m_szOrg))
        organisation->OnMechBuilding(mech, building ? building : "");
    mech->Run(0.0f);
}

int CWorldRecords::GetDifficulty()
{
    return g_MMEngine.m_nDifficulty;
}

void CWorldRecords::OnMoneySound(int)
{
    // The event sink plays it, as for every other game event.
    if (g_pAppEvent) g_pAppEvent->OnMoneySound();
}

void CWorldRecords::OnGroupEvent(const char* event, const char* id)
{
    if (g_pScriptManager && event) g_pScriptManager->RunEvent(id ? id : "", event, nullptr);
}
