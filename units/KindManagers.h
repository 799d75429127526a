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
// Stand-ins, in this file: the mechanoid configurations read only
// their record names; the moving kinds read their block of the objects file with the default loader, without
// their type records, objects or behaviour.
//
// Tables are read once at start-up (Init on the start-up loader thread)
// and read-only afterwards.
#pragma once

#include "foundation/DefaultManager.h"
#include "units/EquipmentManager.h"
#include "units/GunManager.h"
#include "units/ModifManager.h"
#include "world/KindManagers.h"
#include "world/ObjectManager.h"
#include "world/TypeManagers.h"

#include <cstdint>
#include <vector>

class CMechConfigManager : public DefaultManager
{
};

class CTowerManager : public CMMObjectManager
{
public:
    CTowerManager() : CMMObjectManager(OBJ_TOWER) {}
};
class CTankManager : public CMMObjectManager
{
public:
    CTankManager() : CMMObjectManager(OBJ_TANK) {}
};
class CFlyTehManager : public CMMObjectManager
{
public:
    CFlyTehManager() : CMMObjectManager(OBJ_FLYTEH) {}
};
class CGathererManager : public CMMObjectManager
{
public:
    CGathererManager() : CMMObjectManager(OBJ_GATHERER) {}
};
class CCapsuleManager : public CMMObjectManager
{
public:
    CCapsuleManager() : CMMObjectManager(OBJ_CAPSULE) {}
};

// Hands the world engine these managers (g_UnitManagers, world/MMEngine.h):
// a program that runs MMInit calls it first.
void RegisterUnitManagers();

// g_EquipmentManager, g_GunManager and g_ModifManager: in their headers.
extern CMechConfigManager g_MechConfigManager;
extern CTowerManager g_TowerManager;
extern CTankManager g_TankManager;
extern CFlyTehManager g_FlyTehManager;
extern CGathererManager g_GathererManager;
extern CCapsuleManager g_CapsuleManager;
