// CSplinterObject: a piece of debris (object type 17) thrown by an
// explosion, a breaking glider or a dropping unit: it flies under the
// physics of the object list, tumbles, bounces off the ground, comes to
// rest, sinks and disappears. Trail kind 4 carries another object and lays
// it on the ground where the splinter rests.
//
// Trail kinds 1-3 trail a named particle model; kind 4 carries an object
// and has the hit-ground dust as both tail and ground effect.
// Drawing: the model tumbling at the splinter's place (after its first
// 0.05 s), the carried object with it, and in the effect pass the tail's
// and the ground dust's particles.
//
// Ownership: the carried object is not owned. Threads: main thread.
#pragma once

#include "units/UnitTypes.h"
#include "graphics/ModelInstance.h"
#include "world/DynamicObject.h"

#include <cstdint>

class CSplinterObject : public CDynamicObject
{
public:
    static constexpr float kLifeLimit = 10.0f;
    static constexpr float kCarryLifeLimit = 1000.0f;
    static constexpr int kTrailCarry = 4;

    CSplinterObject();
    ~CSplinterObject() override;

    // placement carries the splinter's scale in its rows; the creator sets
    // the velocity afterwards.
    void Init(const CMatrix& placement, const STypeKey& model, int trail, CMMObject* carried);
    void Run() override;
    void Draw() override;
    void DrawNVisible() override;
    void DrawEffect(int pass) override;
    // The model's world matrix: the rotation turned by the two tumble
    // angles (about z, then about x), scaled, at the position.
    CMatrix TumbleMatrix(float scale) const;
    void RunMove(float dt);
    void RunRest(float dt);
    void PlaceCarried();

    CModelInstance m_Tail;
    CModelInstance m_HitGroundFx;
    std::uint8_t m_bHasTail = 0;
    std::uint8_t m_bHitGround = 0;
    std::uint8_t m_bFlying = 1;
    CMMObject* m_pCarried = nullptr;
    STypeKey m_Model;
    std::int32_t m_nTrail = 0;
    float m_fScale = 1.0f;
    float m_fRestTime = 0.0f;
    float m_fAge = 0.0f;
    float m_fLifeLimit = kLifeLimit;
    float m_fTumbleRate[2] = {};
    float m_fTumble[2] = {};
};
