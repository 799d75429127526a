// The object-kind managers of the world's scenery and moving kinds that
// the world engine initialises at start-up and hands the sections of the
// objects file: trees, roads (RoadManager.h), buildings, map covers, lamps,
// sound points and pick-up things. The glider, missile and explosion type
// managers are the units' (units/KindManagers.h).
//
// Stand-ins: each is a plain object manager of its type code: it reads its
// database section's record names, and the default loader reads its block
// of the objects file (128-byte records; records of stone types become
// stones). The kinds' own type records, objects and block layouts are not
// here yet.
//
// Threads: Init on the start-up loader thread; loading on the main thread.
#pragma once

#include "world/ObjectManager.h"

class CTreeManager : public CMMObjectManager
{
public:
    CTreeManager() : CMMObjectManager(OBJ_TREE) {}
};

class CBuildingManager : public CMMObjectManager
{
public:
    CBuildingManager() : CMMObjectManager(OBJ_BUILDING) {}
};

class CMapCoverManager : public CMMObjectManager
{
public:
    CMapCoverManager() : CMMObjectManager(OBJ_MAPCOVER) {}
};

class CLampManager : public CMMObjectManager
{
public:
    CLampManager() : CMMObjectManager(OBJ_LAMP) {}
};

class CSoundZoneManager : public CMMObjectManager
{
public:
    CSoundZoneManager() : CMMObjectManager(OBJ_SOUNDPOINT) {}
};

class CThingManager : public CMMObjectManager
{
public:
    CThingManager() : CMMObjectManager(OBJ_THING) {}
};

extern CTreeManager g_TreeManager;
extern CBuildingManager g_BuildingManager;
extern CMapCoverManager g_MapCoverManager;
extern CLampManager g_LampManager;
extern CSoundZoneManager g_SoundZoneManager;
extern CThingManager g_ThingManager;
