#include "consoles/ConsoleServices.h"

#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "foundation/Name32.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "sound/SoundManager.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <cstring>

namespace
{
IConsoleEvents* g_pConsoleEvents = nullptr;
} // namespace

void CGameConsoleEvents::Play2D(const char* sound)
{
    if (g_pSoundManager && sound) g_pSoundManager->Play2D(sound, false);
}

// Deals and spending go to the game's event sink, which keeps the player's
// progress; without one (a tool, a test) straight to the progress.
void CGameConsoleEvents::OnBuyGood(float unitPrice, std::int32_t count)
{
    if (g_pAppEvent)
        g_pAppEvent->OnBuyGood(unitPrice, count);
    else
        g_GameData.OnBuyGood(unitPrice, count);
}

void CGameConsoleEvents::OnSoldGood(float unitPrice, std::int32_t count, bool secondKind)
{
    if (g_pAppEvent)
        g_pAppEvent->OnSoldGood(unitPrice, count, secondKind);
    else
        g_GameData.OnSoldGood(unitPrice, count, secondKind);
}

void CGameConsoleEvents::OnSpendMoney(float amount, std::int32_t kind)
{
    if (g_pAppEvent)
        g_pAppEvent->OnSpendMoney(amount, kind);
    else
        g_GameData.OnSpendMoney(amount, kind);
}

IConsoleEvents& ConsoleEvents()
{
    static CGameConsoleEvents game;
    return g_pConsoleEvents ? *g_pConsoleEvents : game;
}

void SetConsoleEvents(IConsoleEvents* events)
{
    g_pConsoleEvents = events;
}

std::string FieldText(const char* field)
{
    return field ? std::string(field, strnlen(field, 32)) : std::string();
}

CMechanoid* PlayerMechanoid()
{
    return g_pPlayerGlider ? g_pPlayerGlider->m_pMechanoid : nullptr;
}

std::int32_t PlayerRatingLevel()
{
    return std::int32_t(g_GameData.GetRatingLevel(1));
}

std::int32_t BuildingType(const char* gameId, bool* found)
{
    if (g_pfnConsoleBuildingType) return g_pfnConsoleBuildingType(gameId, found);
    bool any = false;
    std::int32_t type = 0;
    if (gameId && gameId[0])
    {
        SPointerArray<CMMObject> objects;
        g_ObjectList.GetObjectList(OBJ_BUILDING, objects);
        for (int i = 0; i < objects.count; ++i)
        {
            auto* b = dynamic_cast<CBuildingObject*>(objects.items[i]);
            if (!b || !SameName(b->m_szGameId, gameId) || !b->GetKind()) continue;
            any = true;
            type = b->GetKind()->m_nType;
        }
    }
    if (found) *found = any;
    return type;
}

CVector GetGroupHeading(const CMechGroup2* group)
{
    if (group)
    {
        if (const CGroupAI* ai = group->GetGroupAI()) return group->m_vCentre - ai->m_vDestination;
        const CPlayerMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
        if (player && GetMechGroup(player) == group && g_pPlayerGlider)
            return g_pPlayerGlider->m_vVelocity;
    }
    return CVector{1.0f, 0.0f, 0.0f};
}
