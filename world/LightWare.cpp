#include "world/LightWare.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"

#include <cmath>

using namespace plat::d3d;

CLightWare g_LightWare;
IEnvironmentLights* g_pEnvironmentLights = nullptr;

void CLightWare::AddLight(const SLight* light, float distanceScale)
{
    XTRACE("CLightWare::AddLight");
    if (!light) return;
    if (m_nCount >= kMaxLights)
    {
        g_ErrorLog.LogError("CLightWare::AddLight static array overflow");
        return;
    }
    SEntry& e = m_Lights[m_nCount];
    e.light = light;
    e.enabledNow = 0;
    e.wasEnabled = 0;
    e.distanceScale = distanceScale > 0.0f ? distanceScale : 1.0f;
    if (graph.m_lpDevice) graph.m_lpDevice->SetLight(std::uint32_t(kFirstDeviceLight + m_nCount), light);
    ++m_nCount;
}

void CLightWare::SetLights(float x, float y, float z, float radius)
{
    Device* device = graph.m_lpDevice;
    for (int k = 0; k < m_nEnabled; ++k)
    {
        m_Lights[m_Enabled[k]].enabledNow = 0;
        m_Lights[m_Enabled[k]].wasEnabled = 1;
    }

    const int most = m_nMaxPerObject < kMaxEnabled ? m_nMaxPerObject : kMaxEnabled;
    std::uint32_t candidates[kMaxEnabled];
    float keys[kMaxEnabled];
    int found = 0;
    for (int i = 0; i < m_nCount; ++i)
    {
        const SLight& l = *m_Lights[i].light;
        const float dx = x - l.Position.x, dy = y - l.Position.y, dz = z - l.Position.z;
        const float distSq = dx * dx + dy * dy + dz * dz;
        // Most lights of a frame are out of reach: tell them by the squares.
        const float reach = (radius + l.Range) * m_Lights[i].distanceScale;
        if (!(distSq < reach * reach) || l.Range <= 0.0f) continue;
        const float d = std::sqrt(distSq) / m_Lights[i].distanceScale;
        if (!(d < radius + l.Range)) continue;
        const float key = d / l.Range;
        // Before the first candidate whose key is not smaller.
        int at = 0;
        while (at < found && keys[at] < key) ++at;
        if (at >= most) continue;
        const int last = found < most ? found : most - 1;
        for (int j = last; j > at; --j)
        {
            candidates[j] = candidates[j - 1];
            keys[j] = keys[j - 1];
        }
        candidates[at] = std::uint32_t(i);
        keys[at] = key;
        if (found < most) ++found;
    }

    for (int k = 0; k < found; ++k)
    {
        SEntry& e = m_Lights[candidates[k]];
        if (!e.wasEnabled)
        {
            ++m_nEnableCalls;
            if (device) device->LightEnable(std::uint32_t(kFirstDeviceLight) + candidates[k], true);
        }
        e.enabledNow = 1;
    }
    for (int k = 0; k < m_nEnabled; ++k)
    {
        SEntry& e = m_Lights[m_Enabled[k]];
        if (!e.enabledNow)
        {
            ++m_nEnableCalls;
            if (device) device->LightEnable(std::uint32_t(kFirstDeviceLight) + m_Enabled[k], false);
        }
        e.wasEnabled = 0;
    }
    for (int k = 0; k < found; ++k)
        m_Enabled[k] = candidates[k];
    m_nEnabled = found;
}

void CLightWare::DisableLights()
{
    Device* device = graph.m_lpDevice;
    for (int k = 0; k < m_nEnabled; ++k)
    {
        SEntry& e = m_Lights[m_Enabled[k]];
        ++m_nEnableCalls;
        if (device) device->LightEnable(std::uint32_t(kFirstDeviceLight) + m_Enabled[k], false);
        e.enabledNow = 0;
        e.wasEnabled = 0;
    }
    m_nEnabled = 0;
}
