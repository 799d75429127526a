#include "units/MechConfigManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "units/KindManagers.h"

#include <cstdio>
#include <cstring>

CMechConfigManager g_MechConfigManager;

const char* const g_MechConfigColumns[CFG_COUNT] = {"GLIDER", "LIGHTGUN1", "HEAVYGUN1", "REACTOR", "REACTOR2",
                                                    "ENGINE", "ENGINE2",   "SHIELD",    "ARMOR"};

const DefaultManager& GetMechConfigTable(int slot)
{
    if (slot == CFG_GLIDER) return g_GliderManager;
    if (slot == CFG_LIGHTGUN || slot == CFG_HEAVYGUN) return g_GunManager;
    return g_EquipmentManager;
}

namespace
{
// A text field, "" when the table gives none.
void ReadName(const char* record, const char* field, char* out, std::uint32_t size)
{
    g_ResourceDB.GetStringField(record, field, out, size);
    if (std::strcmp(out, kDefaultTypeName) == 0) out[0] = 0;
}
} // namespace

bool CMechConfigManager::Init(const char* section)
{
    XTRACE("CMechConfigManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Configs.assign(std::size_t(m_nCount), SMechanoidEquipment{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SMechanoidEquipment& c = m_Configs[std::size_t(i)];
        std::snprintf(c.m_szName, sizeof c.m_szName, "%s", name);
        c.m_nRating = g_ResourceDB.GetIntegerField(name, "RATING", 0);
        c.m_bNoTrading = g_ResourceDB.GetIntegerField(name, "NO_TRADING", 0) == 1;
        for (int k = 0; k < CFG_COUNT; ++k)
        {
            char key[32] = {};
            ReadName(name, g_MechConfigColumns[k], key, sizeof key);
            c.m_Config[k].m_Key.SetIndex(key[0] ? GetMechConfigTable(k).FindName(key) : -1);
            c.m_Config[k].m_dwModif = 0;
        }
        // An empty missile field ends nothing: the later numbers are read too.
        for (int n = 1; n <= 4; ++n)
        {
            char field[32], missile[32] = {};
            std::snprintf(field, sizeof field, "NAME_MISSILE%d", n);
            ReadName(name, field, missile, sizeof missile);
            if (!missile[0]) continue;
            if (c.m_nMissileTypeCount >= SMechanoidEquipment::kMaxMissiles)
            {
                g_ErrorLog.LogError("%s: configuration '%s': more than %d missiles, '%s' left out", section,
                                    name, SMechanoidEquipment::kMaxMissiles, missile);
                continue;
            }
            c.m_MissileTypes[c.m_nMissileTypeCount++].SetIndex(g_MissileManager.FindName(missile));
            std::snprintf(field, sizeof field, "COUNT_MISSILE%d", n);
            c.m_MissileCounts[c.m_nMissileCountCount++] = g_ResourceDB.GetIntegerField(name, field, 0);
        }
    }

    DefaultManager rows;
    if (!rows.Init(unit_sections::kCfgEquipment)) return ok;
    for (std::int32_t r = 0; r < rows.GetCount(); ++r)
    {
        const char* row = rows.GetName(r);
        if (g_ResourceDB.GetIntegerField(row, "DELETED", 0) != 0) continue;
        char config[128] = {}, item[32] = {};
        ReadName(row, "CFG", config, sizeof config);
        ReadName(row, "EQP", item, sizeof item);
        const std::int32_t index = g_EquipmentManager.FindName(item);
        if (index < 0) continue;
        for (SMechanoidEquipment& c : m_Configs)
        {
            if (std::strcmp(c.m_szName, config) != 0) continue;
            if (c.m_nEquipmentCount >= SMechanoidEquipment::kMaxEquipment)
            {
                g_ErrorLog.LogError("%s: row '%s': configuration '%s' has %d items already, '%s' left out",
                                    unit_sections::kCfgEquipment, row, config,
                                    SMechanoidEquipment::kMaxEquipment, item);
                continue;
            }
            c.m_Equipment[c.m_nEquipmentCount++].SetIndex(index);
        }
    }
    return ok;
}

const SMechanoidEquipment* CMechConfigManager::GetConfig(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Configs.size())) return nullptr;
    return &m_Configs[std::size_t(index)];
}
