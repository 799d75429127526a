// CShieldView: the flashes of a glider's energy shield where shots strike
// it. The glider owns one, records each hit (AddHit), ages the hits every
// frame (Run) and has them drawn in the distance-ordered effect pass
// (MakeEffects): each live hit is one effect entry of the glider with pass
// value 2 + its slot, whose DrawEffect calls Render(pass - 2).
//
// A hit lives 0.25 s (longer when the shield model's first part has a
// frame time: life runs down by dt / (that x 64)) and plays frames 0..16
// of the model. The glider sets the shield's scale and, when its
// mechanoid's shield item has one, the model (else the engine's shield
// model "MOD_FX_FORCE_3").
//
// Ownership: the owner is not owned; the view lives and dies with it.
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>

class CMMObject;

class CShieldView
{
public:
    static constexpr int kHits = 20;
    static constexpr float kLife = 0.25f;

    struct SHit
    {
        float matrix[16] = {}; // the strike's orientation relative to the glider
        float life = 0.0f;     // live while > 0
        std::uint32_t used = 0;
        std::uint32_t strength = 0; // percent
    };

    // Becomes the owner only for a glider (type 14).
    void SetOwner(CMMObject* object);
    // The first free slot (only slot 0 with singleSlot); dropped when none.
    void AddHit(std::uint32_t strength, const float matrix[16], bool singleSlot);
    void Run(float dt);
    // Queues each live hit for the effect pass (or draws it at once while
    // the pass is not deferring).
    void MakeEffects();
    void Render(std::uint32_t index);
    // The hit's alpha in a frame: 1 in frame 0, then (s + 1) / 2, then s,
    // with s = strength / 100 held to 0.1 .. 1.
    static float HitAlpha(int frame, std::uint32_t strength);
    // The hit's transform: S x D x inverse(glider rotation x hit rotation),
    // at the glider's position (D the default object axes).
    CMatrix HitMatrix(std::uint32_t index) const;

    SHit m_Hits[kHits];
    CMMObject* m_pOwner = nullptr;
    std::uint8_t m_bAnyHit = 0;
    CVector m_vScale{1.0f, 1.0f, 1.0f};
    std::int32_t m_nModel = -1; // the shield item's model, -1: the engine's
};
