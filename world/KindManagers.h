// The object-kind managers of the world's scenery and moving kinds that
// the world engine initialises at start-up and hands the sections of the
// objects file: trees, gliders, roads (RoadManager.h), explosions,
// missiles, buildings, map covers, lamps, sound points and pick-up things.
//
// Stand-ins: each is a plain object manager of its type code: it reads its
// database section's record names, and the default loader reads its block
// of the objects file (128-byte records; records of stone types become
// stones). The kinds' own type records, objects and block layouts are not
// here yet. The explosion manager has its two tables of 48 flags.
//
// Threads: Init on the start-up loader thread; loading on the main thread.
#pragma once

#include "world/ObjectManager.h"

#include <cstdint>

class CTreeManager : public CMMObjectManager
{
public:
    CTreeManager() : CMMObjectManager(OBJ_TREE) {}
};

class CGliderManager : public CMMObjectManager
{
public:
    CGliderManager() : CMMObjectManager(OBJ_GLIDER) {}
};

class CExploManager : public CMMObjectManager
{
public:
    static constexpr int kFlags = 48;
    CExploManager() : CMMObjectManager(OBJ_EXPLOSION) {}
    std::uint8_t m_Flags1[kFlags] = {};
    std::uint8_t m_Flags2[kFlags] = {};
};

class CMissileManager : public CMMObjectManager
{
public:
    CMissileManager() : CMMObjectManager(OBJ_MISSILE) {}
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
extern CGliderManager g_GliderManager;
extern CExploManager g_ExploManager;
extern CMissileManager g_MissileManager;
extern CBuildingManager g_BuildingManager;
extern CMapCoverManager g_MapCoverManager;
extern CLampManager g_LampManager;
extern CSoundZoneManager g_SoundZoneManager;
extern CThingManager g_ThingManager;
