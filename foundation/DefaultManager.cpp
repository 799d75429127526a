#include "foundation/DefaultManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/LogWriter.h"
#include "foundation/ResourceDB.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

DefaultManager::DefaultManager() = default;

DefaultManager::~DefaultManager() = default;

bool DefaultManager::Init(const char* section)
{
    XTRACE("DefaultManager::Init");
    m_pLogWriter.reset();
    std::snprintf(m_szSection, sizeof(m_szSection), "%s", section);
    m_nCount = 0;
    m_Names.Init(0, 0);
    if (!g_ResourceDB.SelectSection(section, true)) return false;

    // Two passes: the pool is sized for exactly the listed names.
    std::int32_t count = 0;
    for (int more = g_ResourceDB.First(); more; more = g_ResourceDB.Next())
    {
        if (g_ResourceDB.GetIntegerField(g_ResourceDB.GetCurrentRecordName(), "Deleted", -1) != 1) ++count;
    }
    m_Names.Init(static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(count) * 32);
    for (int more = g_ResourceDB.First(); more; more = g_ResourceDB.Next())
    {
        const char* name = g_ResourceDB.GetCurrentRecordName();
        if (g_ResourceDB.GetIntegerField(name, "Deleted", -1) != 1) m_Names.Add(name);
    }
    m_nCount = static_cast<std::int32_t>(m_Names.GetCount());
    return true;
}

const char* DefaultManager::GetName(std::int32_t index) const
{
    if (index < 0 || index >= m_nCount) return nullptr;
    return m_Names.Get(static_cast<std::uint32_t>(index));
}

const char* DefaultManager::GetNameOrDefault(std::int32_t index) const
{
    const char* name = GetName(index);
    return name ? name : kDefaultName;
}

void DefaultManager::GetVectorField(float out[3], std::int32_t index, const char* field)
{
    out[0] = out[1] = out[2] = 0.0f;
    const char* name = GetName(index);
    if (!name) return;
    g_ResourceDB.SelectSection(m_szSection, false);
    char text[256];
    g_ResourceDB.GetStringField(name, field, text, sizeof(text));
    const char* part = text;
    for (int i = 0; i < 3 && part; ++i)
    {
        out[i] = static_cast<float>(std::atof(part));
        part = std::strchr(part, ',');
        if (part) ++part;
    }
}

std::uint32_t DefaultManager::GetHexField(std::int32_t index, const char* field)
{
    const char* name = GetName(index);
    if (!name) return 0;
    g_ResourceDB.SelectSection(m_szSection, false);
    char text[256];
    g_ResourceDB.GetStringField(name, field, text, sizeof(text));
    unsigned value = 0;
    if (std::sscanf(text, "%x", &value) != 1) return 0;
    return value;
}
