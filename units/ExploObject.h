// CExploObject: one explosion (object type 15) made by the explosion
// manager from a "Взрывы" type: its area damage and push once on the first
// frame (none for a network copy), up to eight effect layers on their own
// delays (sprites, decals, bursts, rings, sprays, shock shells, smoke
// rings, child explosions, thrown splinters, models), and its removal once
// the longest layer (at least 0.5 s), scaled by a random speed factor, has
// passed.
//
// Drawing (ExploObject_Draw.cpp): Draw queues the explosion for the effect
// pass, where DrawEffect draws its layers by kind; PreDraw lights the scene
// with the flash of the first second (a point light added to the frame's
// dynamic lights).
//
// Ownership: the owner is not owned. Threads: main thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "graphics/ModelInstance.h"
#include "platform/d3d8/D3D8Types.h"
#include "world/MMObject.h"
#include "world/Smoke.h"

#include <cstdint>

struct SExploParameters;
struct SExploLayer;

class CExploObject : public CMMObject
{
public:
    static constexpr int kLayers = 8;
    static constexpr int kMaxPoints = 160;
    static constexpr int kMaxItems = 50;

    CExploObject();
    ~CExploObject() override;

    void Init(const CMatrix& placement, std::int32_t type);
    void AttachTo(CMMObject* object);
    void ApplyVolumeDamage();
    void Run() override;
    void ProcessDelete(CMMObject* deleted) override;
    // The light flash while the age is at most 1 s, added to the frame's
    // dynamic lights; then the light is off.
    void PreDraw() override;
    void Draw() override;
    void DrawEffect(int pass) override;
    const SExploParameters* GetDesc() const { return m_pDesc; }
    // The growing scale of a layer at its local time t.
    static float GrowingScale(const SExploLayer& layer, float t);
    // The fade term of a layer at its local time t (1 until HIDETIME
    // before its end, then down to 0).
    static float FadeTerm(const SExploLayer& layer, float t);

    std::uint8_t m_bSoundPlayed = 0;
    std::uint8_t m_bAttached = 0;
    CVector m_vOffset;
    float m_fHeight = 0.0f;
    float m_fAge = 0.0f;
    float m_fLifeTime = 0.0f;
    float m_fSpeedFactor = 1.0f;
    std::int32_t m_iType = -1;
    std::int32_t m_Texture[kLayers] = {};
    std::int32_t m_ModelVariant[kLayers] = {};
    std::int32_t m_Count[kLayers] = {};
    std::int32_t m_FirstPoint[kLayers] = {};
    std::int32_t m_FirstItem[kLayers] = {};
    std::int32_t m_Phase[kLayers] = {};
    // The frame a layer of kind 2 shows.
    std::int32_t m_LayerFrame[kLayers] = {};
    // Children or splinters made so far by layers of kinds 10 and 11.
    std::int32_t m_Made[kLayers] = {};
    // Pairs: velocity, position.
    CVector m_Points[kMaxPoints];
    std::int32_t m_nPoints = 0;
    std::int32_t m_ItemFrame[kMaxItems] = {};
    std::int32_t m_nItems = 0;
    CVector m_vInherited;
    std::int32_t m_nWeaponKind = 666;
    plat::d3d::SLight m_Light{};
    std::uint8_t m_bLightOn = 0;
    // Per layer: the model of kind 12, the mesh of kinds 3, 4 (the decal,
    // cut on the first draw) and 8 (the shock shell), the smoke ring of
    // kind 9.
    CModelInstance m_Models[kLayers];
    CGeometryBuffer m_Meshes[kLayers];
    CExploParticles m_Smoke[kLayers];

private:
    void InitLayer(int n);
    void RunLayer(int n, float dt);
    void DrawLayer(int n);
    void DrawDecal(int n, float t);
    void DrawShock(int n);
    void DrawModelLayer(int n, float t);
    const SExploParameters* m_pDesc = nullptr;
};
