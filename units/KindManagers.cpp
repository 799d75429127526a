#include "units/KindManagers.h"

#include "units/ExploObject.h"
#include "units/GliderObject.h"
#include "units/MissileObject.h"
#include "units/ThingCollector.h"
#include "world/MMEngine.h"

#include <cstring>

CMechConfigManager g_MechConfigManager;
CTowerManager g_TowerManager;
CTankManager g_TankManager;
CFlyTehManager g_FlyTehManager;
CGathererManager g_GathererManager;
CCapsuleManager g_CapsuleManager;

namespace
{
CMMObject* MakeGlider(const CMatrix& placement, std::int32_t type, const char* gameId)
{
    auto* glider = new CGliderObject;
    if (gameId) std::strncpy(glider->m_szGameId, gameId, sizeof glider->m_szGameId - 1);
    glider->Init(placement, STypeKey(type));
    return glider;
}

CMMObject* MakeMissile(const CMatrix& placement, std::int32_t type, std::uint32_t word, const char* gameId)
{
    auto* missile = new CMissileObject;
    if (gameId) std::strncpy(missile->m_szGameId, gameId, sizeof missile->m_szGameId - 1);
    missile->Init(placement, STypeKey(type), word);
    return missile;
}

CMMObject* MakeExplo(const CMatrix& placement, std::int32_t type)
{
    auto* explo = new CExploObject;
    explo->Init(placement, type);
    return explo;
}

CMMObject* MakeSaved(std::int32_t type)
{
    return type == OBJ_MISSILE ? new CMissileObject : nullptr;
}

CThingCollector s_ThingCollector;

std::int32_t EquipmentClass(std::int32_t equipment)
{
    const SEquipmentParameters* e = g_EquipmentManager.GetEquipment(equipment);
    return e ? e->m_nStandard : -1;
}
} // namespace

void RegisterUnitManagers()
{
    g_UnitKinds.modifiers = &g_ModifManager;
    g_UnitKinds.equipmentClass = EquipmentClass;
    g_UnitKinds.makeGlider = MakeGlider;
    g_UnitKinds.makeMissile = MakeMissile;
    g_UnitKinds.makeExplo = MakeExplo;
    g_UnitKinds.makeSaved = MakeSaved;
    g_pThingCollector = &s_ThingCollector;
    SUnitManagers& u = g_UnitManagers;
    u.glider = &g_GliderManager;
    u.explo = &g_ExploManager;
    u.missile = &g_MissileManager;
    u.equipment = &g_EquipmentManager;
    u.gun = &g_GunManager;
    u.modif = &g_ModifManager;
    u.goods = &g_GoodsManager;
    u.mechConfig = &g_MechConfigManager;
    u.flyTeh = &g_FlyTehManager;
    u.gatherer = &g_GathererManager;
    u.capsule = &g_CapsuleManager;
    u.tower = &g_TowerManager;
    u.tank = &g_TankManager;
    u.exploFlags[0] = g_ExploManager.m_Flags1;
    u.exploFlags[1] = g_ExploManager.m_Flags2;
    u.exploFlagCount = CExploManager::kFlags;
}

