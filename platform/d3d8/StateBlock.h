// Inside the Direct3D 8 layer: the device state and state blocks.
//
// Contract:
// - SStateData holds every value a setter writes plus a "changed" mark per
//   value. The device's live state uses the marks as dirty flags for the GL
//   backend; a state block uses them as the set of values it holds.
// - CStateBlock owns references to the textures and buffers it records and
//   applies itself through the device's public setters, so applying goes
//   through the same argument checks and the same one write target.
// - Not thread safe: owned by the device's thread.
#pragma once

#include "platform/d3d8/D3D8.h"

#include <bitset>
#include <map>

namespace plat::d3d::detail
{

constexpr std::uint32_t kMaxVsConstants = 96;
constexpr std::uint32_t kMaxPsConstants = 8;
constexpr std::uint32_t kMaxClipPlanes = 6;
constexpr std::uint32_t kMaxWorld = 4;
// Transform slots: 0 view, 1 projection, 2..9 texture 0-7, 10..13 world 0-3.
constexpr std::uint32_t kTransformSlots = 14;
int TransformSlot(std::uint32_t state); // -1 when the layer has no such matrix

struct SLightEntry
{
    SLight light{};
    bool enabled = false;
    bool hasLight = false;      // set (or given the default light by LightEnable)
    bool lightChanged = false;  // recorded: SetLight
    bool enableChanged = false; // recorded: LightEnable
};

struct SStateData
{
    std::uint32_t rs[kRenderStateCount] = {};
    std::uint32_t tss[kMaxStages][kStageStateCount] = {};
    Texture* textures[kMaxStages] = {};
    SMatrix transforms[kTransformSlots];
    SMaterial material{};
    SViewport viewport{};
    float clipPlanes[kMaxClipPlanes][4] = {};
    std::map<std::uint32_t, SLightEntry> lights;
    std::uint32_t vertexShader = 0;
    std::uint32_t pixelShader = 0;
    float vsConst[kMaxVsConstants][4] = {};
    float psConst[kMaxPsConstants][4] = {};
    VertexBuffer* stream = nullptr;
    std::uint32_t stride = 0;
    IndexBuffer* indices = nullptr;
    std::uint32_t baseVertex = 0;

    std::bitset<kRenderStateCount> rsChanged;
    std::bitset<kStageStateCount> tssChanged[kMaxStages];
    std::uint32_t texChanged = 0;
    std::uint32_t transformChanged = 0;
    bool materialChanged = false;
    bool viewportChanged = false;
    std::uint32_t clipChanged = 0;
    bool vsChanged = false;
    bool psChanged = false;
    std::bitset<kMaxVsConstants> vsConstChanged;
    std::uint32_t psConstChanged = 0;
    bool streamChanged = false;
    bool indicesChanged = false;

    SStateData();
    void ClearChanged();
    // Sets every state to the value a new device has.
    void SetDefaults(bool autoDepth, std::uint32_t width, std::uint32_t height);
    // Drops the references the data holds (state blocks own theirs).
    void ReleaseReferences();
};

class CStateBlock
{
public:
    CStateBlock() = default;
    ~CStateBlock();
    SStateData& Data() { return m_data; }
    // Marks every state of the type as held (CreateStateBlock).
    void MarkType(std::uint32_t type, const SStateData& live);
    // Re-reads the held states from the live state.
    void Capture(const SStateData& live);
    void Apply(Device& device) const;

private:
    SStateData m_data;
};

} // namespace plat::d3d::detail
