// What towers, gatherers and capsules ask of a building (type 11): its kind
// record in the building manager and its entrance points, as the building
// object (CBuildingObject) gives them. Another object of type 11 is taken
// by its type name (m_TypeRef): the record of "Здания" of that name, or the
// default record (no cluster, TYPE 0) for an unknown one, and the INTO and
// INTO1 boxes of that record carried by the object's placement.
#pragma once

#include "world/KindManagers.h"

class CMMObject;

// The building's type record (the default record for an unknown name);
// null for an object that is not a building.
const SBuildingType* GetBuildingKind(const CMMObject* building);

// The world centre of the INTO box (0) or the INTO1 box (1); the kind's
// model is loaded at once when the model manager does not have it yet.
CVector GetEntrancePoint(const CMMObject* building, int index);
