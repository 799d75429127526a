// CLightWare (g_LightWare): the point lights of the frame. Objects register
// their lights while the frame runs (AddLight); every object draw then asks
// for the six nearest of them (SetLights), which are switched on as device
// lights 32 + table index. Lights that stay on from one object to the next
// are not re-enabled, so neighbours sharing lights cost no device calls.
//
// The application starts each frame with DisableLights and ResetFrame. A
// registered light record belongs to its object, which keeps it alive until
// the frame's draws are over.
//
// Threads: main thread only; device lights 32..231 belong to this class.
#pragma once

#include "foundation/Vector.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>

class CLightWare
{
public:
    static constexpr int kMaxLights = 200;
    static constexpr int kFirstDeviceLight = 32;
    static constexpr int kMaxEnabled = 8;

    // Registers a light for this frame; beyond 200 it is logged and dropped.
    void AddLight(const plat::d3d::SLight* light, float distanceScale);
    // Enables the nearest lights (smallest distance-to-range ratio) that
    // reach the sphere, at most m_nMaxPerObject; the rest go off.
    void SetLights(float x, float y, float z, float radius);
    void SetLights(const CVector& p, float radius) { SetLights(p.x, p.y, p.z, radius); }
    // Switches off every light enabled for the last object.
    void DisableLights();
    // Empties the table (the frame's start, after DisableLights).
    void ResetFrame() { m_nCount = 0; }

    struct SEntry
    {
        const plat::d3d::SLight* light = nullptr;
        std::uint8_t enabledNow = 0;
        std::uint8_t wasEnabled = 0;
        float distanceScale = 1.0f;
    };

    SEntry m_Lights[kMaxLights];
    int m_nCount = 0;
    std::uint32_t m_Enabled[kMaxEnabled] = {};
    int m_nEnabled = 0;
    int m_nMaxPerObject = 6;
    // LightEnable calls made (with or without a device).
    std::uint32_t m_nEnableCalls = 0;
};

extern CLightWare g_LightWare;

// The environment's light colours the lamps read (index 0 the ambient
// light, 1 the sun's), installed by the location's environment; without
// one it is full daylight and lamps stay dark.
class IEnvironmentLights
{
public:
    virtual ~IEnvironmentLights() = default;
    virtual std::uint32_t GetLightColor(int index) const = 0;
};

extern IEnvironmentLights* g_pEnvironmentLights;
