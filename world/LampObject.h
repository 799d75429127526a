// CLampObject: a street lamp (type 13) of the lamp section. When the
// environment gets dark a lamp lights up: it registers its point light with
// the light ware each frame (so the ground and the objects around it are
// lit), dims its model by the ground factor and queues its halo for the
// effect pass. Beyond 1000 units a lamp does no light work.
//
// While it glows a lamp lays its SHADOW texture on the ground triangles
// around it (the pool of light, taken from the terrain once), and the
// effect pass draws its GLOW billboard and its FLARE at the light point.
//
// Ownership: the lamp owns its ground patch.
// Threads: main thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "platform/d3d8/D3D8Types.h"
#include "world/MMObject.h"

struct SLampType;

class CLampObject : public CMMObject
{
public:
    static constexpr float kNoLightBeyond = 1000.0f;
    static constexpr std::uint32_t kPatchVertices = 300;
    static constexpr std::uint32_t kPatchIndices = 1200;
    // Lamps this large or larger lay no pool.
    static constexpr float kPoolBelowRadius = 50.0f;

    CLampObject();

    // Placement, type by name from the lamp manager, radius, the light record.
    void Init(const CMatrix& placement, const char* typeName);
    void Draw() override;
    // The levels of the frame from the darkness and the camera distance;
    // registers the light when it glows.
    void PreDraw() override;
    void PostDraw() override {}
    void DrawEffect(int pass) override;

    // How far the lamp is on (0..1) for the environment's two light colours.
    static float OnLevel(std::uint32_t ambient, std::uint32_t sun, float limit);
    // The ground the pool covers around the lamp: 4 x its radius, at most
    // what the patch holds.
    float PoolRadius() const;
    // Where the glow and the flare shine: 0.8 x the radius above the lamp.
    CVector LightPoint() const;

    const SLampType* m_pLampType = nullptr;
    std::int32_t m_nTypeIndex = -1;
    plat::d3d::SLight m_Light{};
    float m_fGlow = 0.0f;
    float m_fHalo = 0.0f;
    float m_fOn = 0.0f;
    float m_fGround = 0.0f;
    std::uint8_t m_bPatchBuilt = 0;
    CGeometryBuffer m_Patch;

private:
    void DrawPool();
    void DrawBillboard(std::int32_t texture, const CVector& at, float scale, float alpha, int technique);
};
