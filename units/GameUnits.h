// The self-acting machines a new game puts into the loaded location (the
// world's GenerateWorld calls CreateUnitsForGame through g_UnitKinds):
// on a map of 1024 vertices or more across, flying observers when the road
// graph has more than 100 nodes and the gatherers of the buildings; on any
// map the capsules between the stations.
//
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

void CreateUnitsForGame();

// One flying observer ("FTO_OBSERVER") above the road node nearest to a
// point (25 above the ground); null without a road node within 1000.
class CMMObject;
CMMObject* CreateObserverOnRoad(const CVector& near);
