#include "location/EnvironmentLights.h"

#include "location/Environment.h"
#include "world/LightWare.h"

namespace
{

class CEnvironmentLights : public IEnvironmentLights
{
public:
    std::uint32_t GetLightColor(int index) const override
    {
        return index == 0 ? g_Environment.m_Work.ambient : g_Environment.m_Work.sunColor;
    }
};

CEnvironmentLights s_Lights;

} // namespace

void EnvironmentLights::Install()
{
    g_pEnvironmentLights = &s_Lights;
}

void EnvironmentLights::Uninstall()
{
    if (g_pEnvironmentLights == &s_Lights) g_pEnvironmentLights = nullptr;
}
