#include "world/KindManagers.h"

#include "world/RoadManager.h"

// Defined apart from the world engine (MMEngine.cpp): the object list's
// passes use some of them, and a program that links the object list but not
// the engine then needs neither the engine nor the units' managers it
// initialises.
CTreeManager g_TreeManager;
CBuildingManager g_BuildingManager;
CMapCoverManager g_MapCoverManager;
CLampManager g_LampManager;
CSoundZoneManager g_SoundZoneManager;
CThingManager g_ThingManager;
CRoadManager g_RoadManager;
