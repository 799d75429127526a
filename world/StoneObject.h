// CStoneObject: a stone, the simplest scenery kind (type 3): a model of a
// type of the "Камни" section placed by the location's objects file.
//
// What is here: initialisation from a placement and a type name (type
// record, model radius, flags), the saved state (type reference), the base
// drawing and the effect pass 17 of a type with a second (alpha) model,
// drawn in distance order with the effects.
//
// Not here yet: the stone's model instance (its particle systems, effect
// pass 1 and the Run that advances them) and the terrain's colour tint.
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
    // The base draw; a type with a second model queues pass 17 for it.
    void Draw() override;
    // Pass 17: the second model at the stone's matrix, lit by the nearest
    // dynamic lights. Other passes draw nothing.
    void DrawEffect(int pass) override;

    static constexpr int kAlphaModelPass = 17;
};
