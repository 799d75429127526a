// CAnomalZoneObject: the visible part of an anomaly (type 20): the type's
// model standing where the anomaly is. Its force on gliders belongs to the
// anomaly itself (CAnomalZone, a system record of the object list).
//
// Drawing and running are the base object's.
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

class CAnomalZoneObject : public CMMObject
{
public:
    CAnomalZoneObject();
    // Placement, type name and record; radius = axis length x the model's
    // radius; runs each frame when the type has an instance model.
    void Init(const CMatrix* placement, const char* typeName);
};
