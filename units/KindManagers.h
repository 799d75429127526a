// The managers of the units' kinds that the world engine initialises at
// start-up: equipment, guns and modifiers (their own headers, included
// here), mechanoid configurations, and the moving kinds towers, tanks, flying machines,
// gatherers and capsules (towers and tanks also have sections in the
// objects file).
//
// The glider, missile and explosion type managers are the world's
// (world/TypeManagers.h) and the goods table too (world/KindManagers.h):
// RegisterUnitManagers hands them the units' modifier table, equipment
// classes and object makers (g_UnitKinds).
//
// The towers' and turrets' managers are in TowerObject.h and TankObject.h,
// the mechanoid configurations in MechConfigManager.h.
//
// Tables are read once at start-up (Init on the start-up loader thread)
// and read-only afterwards.
#pragma once

#include "foundation/DefaultManager.h"
#include "units/EquipmentManager.h"
#include "units/GunManager.h"
#include "units/MechConfigManager.h"
#include "units/ModifManager.h"
#include "units/TankObject.h"
#include "units/TowerObject.h"
#include "world/KindManagers.h"
#include "world/ObjectManager.h"
#include "world/TypeManagers.h"

#include <cstdint>
#include <vector>

// A manager of one built-in kind that reads no table: the flying machines
// ("FTO_OBSERVER"), the gatherers ("VIRTUAL_ID_GATHERER") and the capsules
// ("VIRTUAL_ID_CAPSULE"). Init sets up the one name and its record (model
// and sound by name, -1 when unknown); the section is not read.
class CSingleKindManager : public CMMObjectManager
{
public:
    CSingleKindManager(std::int32_t objectType, const char* name, const char* model, const char* sound,
                       const char* missingModel)
        : CMMObjectManager(objectType), m_pszName(name), m_pszModel(model), m_pszSound(sound),
          m_pszMissingModel(missingModel)
    {
    }
    bool Init(const char* section) override;
    // The one record for 0 and -1, null for any other index.
    const void* GetType(std::int32_t index) const override;
    // These kinds are made by the game's set-up, not by the objects file.
    CMMObject* CreateObject(const char*, const CMatrix*, const char*) override { return nullptr; }
    // The model's bounding-box size (gatherers).
    float m_fSize[3] = {1.0f, 1.0f, 1.0f};

protected:
    SObjectTypeHeader* GetTypeHeader(std::int32_t index) override { return index == 0 ? &m_Type : nullptr; }

private:
    SObjectTypeHeader m_Type;
    const char* m_pszName;
    const char* m_pszModel;
    const char* m_pszSound;
    const char* m_pszMissingModel;
};

class CFlyTehManager : public CSingleKindManager
{
public:
    CFlyTehManager() : CSingleKindManager(OBJ_FLYTEH, "FTO_OBSERVER", "MOD_TEH_OBSERVER", "SND_T_FLY_FLIGHT", nullptr)
    {
    }
    // A flying machine of the kind at the placement, added to the object list.
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
};

class CGathererManager : public CSingleKindManager
{
public:
    CGathererManager()
        : CSingleKindManager(OBJ_GATHERER, "VIRTUAL_ID_GATHERER", "MOD_RESCUER", "SND_T_GATHERER_FLIGHT",
                             "Error: CGathererManager::Init - model not found")
    {
    }
    // One gatherer for every building with a cluster or of TYPE 3, placed
    // at its home above the building (units/GathererObject.cpp).
    static void CreateForGame();
};

class CCapsuleManager : public CSingleKindManager
{
public:
    CCapsuleManager() : CSingleKindManager(OBJ_CAPSULE, "VIRTUAL_ID_CAPSULE", "MOD_TEH_TRANSPORT", "", nullptr) {}
    // Walks the live buildings: each station (building TYPE 13) still free
    // is paired with its nearest free station, and two capsules run between
    // them, one each way (units/CapsuleObject.cpp).
    static void CreateForGame();
};

// Hands the world engine these managers (g_UnitManagers, world/MMEngine.h):
// a program that runs MMInit calls it first.
void RegisterUnitManagers();

// g_EquipmentManager, g_GunManager, g_ModifManager and g_MechConfigManager:
// in their headers.
extern CFlyTehManager g_FlyTehManager;
extern CGathererManager g_GathererManager;
extern CCapsuleManager g_CapsuleManager;
