// What towers, gatherers and capsules ask of a building object (type 11):
// its type record in the building manager and its entrance points.
//
// Stand-in until the building object exists: a building is any object of
// type 11 whose type name (m_TypeRef) names a record of "Здания"; an
// unknown name gives the default record (no cluster, TYPE 0). The entrance
// points come from the record's INTO and INTO1 boxes carried by the
// object's placement (what the building's GetEntrancePoint gives).
#pragma once

#include "world/KindManagers.h"

class CMMObject;

// The building's type record (the default record for an unknown name);
// null for an object that is not a building.
const SBuildingType* GetBuildingKind(const CMMObject* building);

// The world centre of the INTO box (0) or the INTO1 box (1); the kind's
// model is loaded at once when the model manager does not have it yet.
CVector GetEntrancePoint(const CMMObject* building, int index);
