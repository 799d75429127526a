// CStoneObject: a stone, the simplest scenery kind (type 3): a model of a
// type of the "Камни" section placed by the location's objects file.
//
// What is here: initialisation from a placement and a type name (type
// record, model radius, flags), the saved state (type reference) and the
// base drawing. The stone's own collision thresholds, map colour and part
// sphere come with the scenery kinds.
//
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

class CStoneObject : public CMMObject
{
public:
    CStoneObject();

    // Placement and type by name from the stone manager; an unknown name
    // leaves the object without a type record (no model, no sound).
    void Init(const CMatrix& placement, const char* typeName);
    // The base state, then the type reference; re-initialises from it with
    // an identity matrix at the loaded position (the shown flag stays).
    void LoadGame(CMemStream& stream) override;
    void SaveGame(CMemStream& stream) override;
};
