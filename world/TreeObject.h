// CTreeObject: a tree (type 4) of the "Деревья" section. Trees are drawn
// with the effects, in distance order; the model's vertices bound to the
// second world matrix sway with the tree's flexibility. A small tree takes
// damage from collisions and, once its health is gone, hides and leaves a
// wood explosion behind.
//
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

struct STreeType;

// Makes an explosion of the named type at the placement (the units install
// it; without one no explosion is made).
using ExplosionMaker = CMMObject* (*)(const char* type, const CMatrix& placement);
extern ExplosionMaker g_pMakeExplosion;

class CTreeObject : public CMMObject
{
public:
    static constexpr float kDamageableBelow = 300.0f;

    CTreeObject();

    // Placement, type by name from the tree manager, radius from the model,
    // health and collision flags from the radius.
    void Init(const CMatrix& placement, const char* typeName);
    // Queues the tree for the effect pass (pass 0).
    void Draw() override;
    // The sway matrix into world matrix 1, then the model.
    void DrawEffect(int pass) override;
    bool SetColissionObject(CMMObject* other, CVector normal, CVector point) override;
    // Only damage without a weapon (weapon -1) counts.
    void Damage(float amount, CVector point, int flag, CMMObject* source, int weapon, int kind) override;

    // The sway matrix of the moment (rotation about the model's y axis).
    static CMatrix SwayMatrix(float angle);
    float SwayAngle() const;

    const STreeType* m_pTreeType = nullptr;
    float m_fHealth = 0.0f;
};
