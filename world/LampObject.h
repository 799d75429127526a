// CLampObject: a street lamp (type 13) of the lamp section. When the
// environment gets dark a lamp lights up: it registers its point light with
// the light ware each frame (so the ground and the objects around it are
// lit), dims its model by the ground factor and queues its halo for the
// effect pass. Beyond 1000 units a lamp does no light work.
//
// Not here yet: the pool of light on the ground (the terrain patch under
// the SHADOW texture) and the glow and flare billboards of the effect pass.
//
// Threads: main thread.
#pragma once

#include "platform/d3d8/D3D8Types.h"
#include "world/MMObject.h"

struct SLampType;

class CLampObject : public CMMObject
{
public:
    static constexpr float kNoLightBeyond = 1000.0f;

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

    const SLampType* m_pLampType = nullptr;
    std::int32_t m_nTypeIndex = -1;
    plat::d3d::SLight m_Light{};
    float m_fGlow = 0.0f;
    float m_fHalo = 0.0f;
    float m_fOn = 0.0f;
    float m_fGround = 0.0f;
};
