#include "society/WorldMechanoid.h"

#include "units/MechConfigManager.h"

#include <cstdio>

void CWorldMechanoid::InitConfig(const char* configName)
{
    std::int32_t config = configName ? g_MechConfigManager.FindName(configName) : -1;
    if (config < 0) config = 0;
    if (g_MechConfigManager.GetConfig(config)) m_Mechanoid.InitConfig(config, true);
}

void CWorldMechanoid::CopyHoldTo(IWorldMechanoid& to, bool mechmindsOnly)
{
    // Only a mechanoid of the same kind has a hold to take the entries.
    auto* other = dynamic_cast<CWorldMechanoid*>(&to);
    if (!other || other == this) return;
    for (const SItemRec& e : m_Mechanoid.m_Garbage.m_Items)
        if (!mechmindsOnly || e.m_nKind == ITEM_MECHANOID) other->m_Mechanoid.m_Garbage.m_Items.Add(e);
}

void CWorldMechanoid::AddGoods(const char* name, std::uint32_t count, std::uint32_t kind)
{
    SGoodsItem item;
    std::snprintf(item.m_szName, sizeof item.m_szName, "%.31s", name ? name : "");
    item.m_nCount = std::int32_t(count);
    m_Mechanoid.m_Garbage.AddGoods(item, std::int32_t(kind), false);
}
