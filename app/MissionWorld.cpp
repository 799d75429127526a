#include "app/MissionWorld.h"

#include "app/GameData.h"
#include "app/MMApp.h"
#include "foundation/FrameTimer.h"
#include "location/Environment.h"
#include "script/game/ScriptBuiltIns.h"
#include "script/game/ScriptManager.h"
#include "society/MechGroup.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/TypeManagers.h"
#include "world/GameWorldState.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <cstring>
#include <string>

CMechanoid* CGameMissionWorld::Player()
{
    return scriptargs::PlayerMechanoid();
}

float CGameMissionWorld::GameClock()
{
    return g_Environment.m_fDays;
}

double CGameMissionWorld::EngineTime()
{
    return g_FrameTimer.GetElapsed();
}

void CGameMissionWorld::PlaySound(const char* name)
{
    if (g_pSoundManager) g_pSoundManager->Play2D(name, false);
}

float CGameMissionWorld::PlayerMoney()
{
    const CMechanoid* player = Player();
    return player ? player->m_Garbage.m_fMoney : 0.0f;
}

void CGameMissionWorld::AddPlayerMoney(float amount)
{
    if (CMechanoid* player = Player()) player->m_Garbage.m_fMoney += amount;
}

int CGameMissionWorld::PlayerRatingLevel()
{
    return static_cast<int>(g_GameData.GetRatingLevel(2));
}

std::string CGameMissionWorld::PlayerOrganisation()
{
    const CPlayerMech* record = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    return record ? std::string(record->m_szOrg, strnlen(record->m_szOrg, 32)) : std::string();
}

std::string CGameMissionWorld::PlayerGliderType()
{
    const CMechanoid* player = Player();
    if (!player || !player->m_lpObject) return std::string();
    const char* name = g_GliderManager.GetName(player->m_GliderData.GetIndex());
    return name ? name : "";
}

bool CGameMissionWorld::PlayerHasEquipment(const char* name)
{
    return g_pScriptManager &&
           g_pScriptManager->UserFuncInt(21, name, nullptr, nullptr, nullptr, nullptr, 1) > 0;
}

int CGameMissionWorld::CargoMechanoids(const char* name)
{
    const CMechanoid* player = Player();
    if (!player) return 0;
    int count = 0;
    for (const SItemRec& e : player->m_Garbage.m_Items)
        if (e.m_nKind == ITEM_MECHANOID && (!name || std::strncmp(e.m_szName, name, sizeof e.m_szName) == 0))
            count += e.m_nCount > 0 ? e.m_nCount : 1;
    return count;
}

int CGameMissionWorld::CargoGoods(const char* name)
{
    const CMechanoid* player = Player();
    if (!player || !name) return 0;
    int units = 0;
    for (const SItemRec& e : player->m_Garbage.m_Items)
        if ((e.m_nKind == ITEM_GOODS || e.m_nKind == ITEM_UNIQUE) &&
            std::strncmp(e.m_szName, name, sizeof e.m_szName) == 0)
            units += e.m_nCount;
    return units;
}

bool CGameMissionWorld::GiveObject(const char* name, int count)
{
    if (!g_pScriptManager || !Player()) return false;
    const std::string number = std::to_string(count);
    g_pScriptManager->UserFunc(6, name, number.c_str(), nullptr, nullptr, nullptr, 2);
    return true;
}

void CGameMissionWorld::RemoveGoods(const char* name, int count)
{
    if (!g_pScriptManager) return;
    const std::string number = std::to_string(count);
    g_pScriptManager->UserFunc(22, name, number.c_str(), nullptr, nullptr, nullptr, 2);
}

bool CGameMissionWorld::PlayerBadlyDamaged()
{
    const CMechanoid* player = Player();
    return player && player->IsBadlyDamaged();
}

bool CGameMissionWorld::PlayerDamaged()
{
    const CMechanoid* player = Player();
    return player && player->IsDamaged();
}

void CGameMissionWorld::KillPlayer()
{
    if (CGliderObject* glider = g_pPlayerGlider)
        glider->Damage(10000000000.0f, CVector{0.0f, 0.0f, 1.0f}, 1, nullptr, 0, 0);
}

bool CGameMissionWorld::IsPaused()
{
    return m_pApp && m_pApp->m_bPause;
}

void CGameMissionWorld::TogglePause()
{
    if (m_pApp) m_pApp->TogglePause();
}

int CGameMissionWorld::RunSpecialAction(int action)
{
    return g_pAppEvent && g_pAppEvent->RunSpecialAction(action) ? 1 : 0;
}

void CGameMissionWorld::OnTimerRun()
{
    if (g_pAppEvent) g_pAppEvent->UpdateRuntimeScriptMessages(1);
}

void CGameMissionWorld::Mark(const char* name)
{
    if (g_ScriptGameCalls.markObject) g_ScriptGameCalls.markObject(name, false);
}

void CGameMissionWorld::Unmark(const char* name)
{
    if (g_ScriptGameCalls.unmarkObject) g_ScriptGameCalls.unmarkObject(name);
}

void CGameMissionWorld::AddSensor(const char* name)
{
    g_ObjectList.AddSysObjectSensor(name, "PLAYER", true);
}

bool CGameMissionWorld::HasGroup(const char* name)
{
    return name && g_MechGroupList2.FindGroup(name) != nullptr;
}

bool CGameMissionWorld::HasRoadNode(const char* name)
{
    return name && g_RoadManager.FindRoadNode(name) >= 0;
}
