// The managers of the units' kinds that the world engine initialises at
// start-up: equipment, guns, modifiers, goods, mechanoid configurations,
// and the moving kinds towers, tanks, flying machines, gatherers and
// capsules (towers and tanks also have sections in the objects file).
//
// Stand-ins: each reads only its database section's record names (the
// lists the world engine's resource-id table looks names up in); the
// object kinds read their block of the objects file with the default
// loader. Their type records, objects and behaviour are not here yet; the
// units subsystem replaces this file.
//
// Threads: Init on the start-up loader thread.
#pragma once

#include "foundation/DefaultManager.h"
#include "world/ObjectManager.h"

class CEquipmentManager : public DefaultManager
{
};
class CGunManager : public DefaultManager
{
};
class CModifManager : public DefaultManager
{
};
class CGoodsManager : public DefaultManager
{
};
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

// Defined with the world engine until the units library has its own.
extern CEquipmentManager g_EquipmentManager;
extern CGunManager g_GunManager;
extern CModifManager g_ModifManager;
extern CGoodsManager g_GoodsManager;
extern CMechConfigManager g_MechConfigManager;
extern CTowerManager g_TowerManager;
extern CTankManager g_TankManager;
extern CFlyTehManager g_FlyTehManager;
extern CGathererManager g_GathererManager;
extern CCapsuleManager g_CapsuleManager;
