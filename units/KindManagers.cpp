#include "units/KindManagers.h"

#include "units/BuildingObject.h"
#include "units/AnomalZone.h"
#include "units/ExploObject.h"
#include "units/FlyTehObject.h"
#include "units/GameUnits.h"
#include "units/GliderObject.h"
#include "units/MissileObject.h"
#include "units/ThingCollector.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "graphics/ModelManager.h"
#include "sound/SoundManager.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include <cstdio>
#include <cstring>

CFlyTehManager g_FlyTehManager;
CGathererManager g_GathererManager;
CCapsuleManager g_CapsuleManager;

namespace
{
CMMObject* MakeGlider(const CMatrix& placement, std::int32_t type, const char* gameId)
{
    auto* glider = new CGliderObject;
    if (gameId) CopyName(glider->m_szGameId, gameId);
    glider->Init(placement, STypeKey(type));
    return glider;
}

CMMObject* MakeMissile(const CMatrix& placement, std::int32_t type, std::uint32_t word, const char* gameId)
{
    auto* missile = new CMissileObject;
    if (gameId) CopyName(missile->m_szGameId, gameId);
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

CMMObject* MakeBuilding(const CMatrix& placement, const char* typeName, const char* gameId)
{
    auto* building = new CBuildingObject;
    building->Init(placement, typeName, gameId);
    return building;
}

CThingCollector s_ThingCollector;

std::int32_t EquipmentClass(std::int32_t equipment)
{
    const SEquipmentParameters* e = g_EquipmentManager.GetEquipment(equipment);
    return e ? e->m_nStandard : -1;
}
} // namespace

bool CSingleKindManager::Init(const char*)
{
    m_Names.Free();
    m_Names.Init(1, 32);
    m_Names.Add(m_pszName);
    m_nCount = 1;
    m_nTypeCount = 1;
    m_Type = SObjectTypeHeader{};
    const std::int32_t model = g_pModelManager ? g_pModelManager->FindName(m_pszModel) : -1;
    if (g_pModelManager && model < 0 && m_pszMissingModel) g_ErrorLog.LogError("%s", m_pszMissingModel);
    const std::int32_t sound = g_pSoundManager && m_pszSound[0] ? g_pSoundManager->FindName(m_pszSound) : -1;
    SObjectTypeHeader::SetId(m_Type.Model, model);
    SObjectTypeHeader::SetId(m_Type.ModelAlpha, -1);
    SObjectTypeHeader::SetId(m_Type.SOUND, sound);
    const float size = model >= 0 && g_pModelManager ? g_pModelManager->GetModelScale(model) : 1.0f;
    m_fSize[0] = m_fSize[1] = m_fSize[2] = size;
    return true;
}

const void* CSingleKindManager::GetType(std::int32_t index) const
{
    return index == 0 || index == -1 ? &m_Type : nullptr;
}

CMMObject* CFlyTehManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* machine = new CFlyTehObject;
    if (gameId) std::snprintf(machine->m_szGameId, sizeof machine->m_szGameId, "%s", gameId);
    machine->Init(*placement, typeName);
    g_ObjectList.AddObject(machine);
    return machine;
}

void RegisterUnitManagers()
{
    g_UnitKinds.modifiers = &g_ModifManager;
    g_UnitKinds.equipmentClass = EquipmentClass;
    g_UnitKinds.makeGlider = MakeGlider;
    g_UnitKinds.makeMissile = MakeMissile;
    g_UnitKinds.makeExplo = MakeExplo;
    g_UnitKinds.makeSaved = MakeSaved;
    g_UnitKinds.makeBuilding = MakeBuilding;
    g_UnitKinds.makeAnomalZone = MakeAnomalZone;
    g_UnitKinds.createForGame = CreateUnitsForGame;
    g_UnitKinds.buildingKind = [](CMMObject* o) -> const SBuildingType*
    {
        // Any object may carry the building type code; only a building has a kind.
        auto* b = o && o->m_nType == OBJ_BUILDING ? dynamic_cast<CBuildingObject*>(o) : nullptr;
        return b ? b->GetKind() : nullptr;
    };
    g_UnitKinds.setBuildingState = [](CMMObject* o, bool on)
    {
        if (!o || o->m_nType != OBJ_BUILDING) return;
        auto* b = static_cast<CBuildingObject*>(o);
        for (int i = 0; i < 3; ++i)
        {
            b->m_bWorldFlags[i] = on ? 1 : 0;
            b->m_fWorldValues[i] = on ? 100.0f : 0.0f;
        }
    };
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
