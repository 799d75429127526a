// CStoneObject: a stone, the simplest scenery kind (type 3): a model of a
// type of the "Камни" section placed by the location's objects file.
//
// The model is drawn in the opaque pass, coloured by the ground's light
// and, unless the type says "NOMAPCOLOR", by the ground's colour. The type's
// model is also the model of the stone's instance, which carries the
// model's particle systems: a stone with a model keeps an instance, runs
// each frame (its sound) and queues itself for effect pass 1, where the
// particles are placed and drawn in distance order with the effects. Its
// particles advance, and its bounds take theirs, only in frames in which
// pass 1 drew it. A type with a second (alpha) model also queues pass 17
// for that model.
//
// Ownership: the stone owns its instance (released with the device's
// resources and at destruction); the type record is the stone manager's.
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

#include <memory>

class CModelInstance;
struct SStoneType;

class CStoneObject : public CMMObject
{
public:
    CStoneObject();
    ~CStoneObject() override;

    // Placement and type by name from the stone manager (an unknown name
    // leaves the object without a type record: no model, no sound, no
    // instance); radius, flags, and the instance of the type's model.
    void Init(const CMatrix& placement, const char* typeName);
    // The base state, then the type reference; re-initialises from it with
    // an identity matrix at the loaded position (the shown flag stays).
    void LoadGame(CMemStream& stream) override;
    void SaveGame(CMemStream& stream) override;
    // The model lit and tinted by the ground; queues pass 1 for the
    // instance and, with a second model, pass 17.
    void Draw() override;
    // Pass 1: places the instance's particles at the stone and draws them;
    // marks the stone drawn. Pass 17: the second model at the stone's
    // matrix, lit by the nearest dynamic lights. Other passes draw nothing.
    void DrawEffect(int pass) override;
    // The sound (for a stone with a model); after a frame that drew it, the
    // particles advance by the frame time and the first part sphere takes
    // their bounds.
    void Run() override;
    void InvalidateResources() override;

    CModelInstance* GetInstance() const { return m_pInstance.get(); }

    static constexpr int kInstancePass = 1;
    static constexpr int kAlphaModelPass = 17;

private:
    const SStoneType* StoneType() const;

    std::unique_ptr<CModelInstance> m_pInstance;
};
