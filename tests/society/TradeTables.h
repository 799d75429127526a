// A goods table and an organisation table for the trade and organisation
// tests and fuzz targets, set straight into the managers (no database).
#pragma once

#include "society/OrgManager.h"
#include "world/KindManagers.h"

#include <cstring>

namespace tradetest
{
struct SGood
{
    const char* name;
    float mass;
    float price;
    std::int32_t type;
};

// TOV_ORE class 0, TOV_FOOD class 1, TOV_GEMS class 2, TOV_CHIP (mass 2),
// AMMO (not a "TOV" good).
inline void SetGoodsTable()
{
    static constexpr SGood kGoods[] = {{"TOV_ORE", 1.0f, 10.0f, 0},
                                       {"TOV_FOOD", 1.0f, 20.0f, 1},
                                       {"TOV_GEMS", 1.0f, 100.0f, 2},
                                       {"TOV_CHIP", 2.0f, 50.0f, 0},
                                       {"AMMO", 1.0f, 5.0f, 0}};
    g_GoodsManager.m_Names.Init(8, 256);
    g_GoodsManager.m_Goods.clear();
    for (const SGood& g : kGoods)
    {
        g_GoodsManager.m_Names.Add(g.name);
        SGoodsParameters p;
        p.m_fMass = g.mass;
        p.m_fPrice = g.price;
        p.m_nType = g.type;
        g_GoodsManager.m_Goods.push_back(p);
    }
    g_GoodsManager.m_nCount = std::int32_t(g_GoodsManager.m_Goods.size());
}

inline void ClearGoodsTable()
{
    g_GoodsManager.m_Names.Init(0, 0);
    g_GoodsManager.m_Goods.clear();
    g_GoodsManager.m_nCount = 0;
}

// "ORG_FREE", "ORG_PLAYER", "CLAN_A", "CLAN_B" with volatilities 1, 1, 0.5, 2.
inline void SetOrgTable(COrgManager& orgs)
{
    std::vector<SOrgRecord> records(4);
    const float volatility[4] = {1.0f, 1.0f, 0.5f, 2.0f};
    for (int i = 0; i < 4; ++i)
        records[std::size_t(i)].m_fVolatility = volatility[i];
    orgs.SetTable({"ORG_FREE", "ORG_PLAYER", "CLAN_A", "CLAN_B"}, records);
}
} // namespace tradetest
