// A land-type list built in the test and installed as g_pLandTypeManager
// for the lifetime of the object (the previous one comes back after).
#pragma once

#include "graphics/LandTypes.h"

#include <cstdint>

namespace testutil
{

class CLandTypeScope
{
public:
    CLandTypeScope() : m_previous(g_pLandTypeManager) { g_pLandTypeManager = &m_manager; }
    ~CLandTypeScope() { g_pLandTypeManager = m_previous; }
    CLandTypeScope(const CLandTypeScope&) = delete;
    CLandTypeScope& operator=(const CLandTypeScope&) = delete;

    // Appends a type; returns its record index.
    int Add(std::int32_t gid, std::int32_t texture, std::int32_t textureFull = -1, std::int32_t samples = 0)
    {
        SLandType type;
        type.gid = gid;
        type.texture = texture;
        type.textureFull = textureFull;
        type.samples = samples;
        type.regular = true;
        m_manager.m_Types.push_back(type);
        m_manager.m_nCount = std::int32_t(m_manager.m_Types.size());
        return m_manager.m_nCount - 1;
    }
    CLandTypeManager& Manager() { return m_manager; }

private:
    CLandTypeManager m_manager;
    CLandTypeManager* m_previous;
};

} // namespace testutil
