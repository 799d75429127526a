// CExploObject: one explosion (object type 15) made by the explosion
// manager from a "Взрывы" type: its area damage and push once on the first
// frame (none for a network copy), up to eight effect layers on their own
// delays (bursts, rings, sprays, child explosions, thrown splinters), and
// its removal once the longest layer (at least 0.5 s), scaled by a random
// speed factor, has passed.
//
// The light flash of the first second is worked out in PreDraw into
// m_Light; the scene's dynamic lights do not take it yet.
// Not here yet: the drawing of the layers,
// textures, models, decals, smoke rings and shock meshes (their layers
// count towards radius and lifetime only).
//
// Ownership: the owner is not owned. Threads: main thread.
#pragma once

#include "world/MMObject.h"

#include <cstdint>

struct SExploParameters;

// A point light: colours as r, g, b, a in 0..1.
struct SExploLight
{
    float m_Diffuse[4] = {};
    float m_Specular[4] = {};
    float m_Ambient[4] = {};
    CVector m_vPosition;
    float m_fRange = 0.0f;
    float m_Attenuation[3] = {1.0f, 0.0f, 0.0f};
};

class CExploObject : public CMMObject
{
public:
    static constexpr int kLayers = 8;
    static constexpr int kMaxPoints = 160;
    static constexpr int kMaxItems = 50;

    CExploObject();

    void Init(const CMatrix& placement, std::int32_t type);
    void AttachTo(CMMObject* object);
    void ApplyVolumeDamage();
    void Run() override;
    void ProcessDelete(CMMObject* deleted) override;
    // The light flash while the age is at most 1 s; then the light is off.
    void PreDraw() override;
    const SExploParameters* GetDesc() const { return m_pDesc; }

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
    // Children or splinters made so far by layers of kinds 10 and 11.
    std::int32_t m_Made[kLayers] = {};
    // Pairs: velocity, position.
    CVector m_Points[kMaxPoints];
    std::int32_t m_nPoints = 0;
    std::int32_t m_ItemFrame[kMaxItems] = {};
    std::int32_t m_nItems = 0;
    CVector m_vInherited;
    std::int32_t m_nWeaponKind = 666;
    SExploLight m_Light;
    std::uint8_t m_bLightOn = 0;

private:
    void InitLayer(int n);
    void RunLayer(int n, float dt);
    const SExploParameters* m_pDesc = nullptr;
};
