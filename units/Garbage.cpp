#include "units/Garbage.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "units/KindManagers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

SItemRec& CItemRecArray::Add(const SItemRec& record)
{
    if (size() == capacity()) reserve(size() + kGrowBy);
    push_back(record);
    return back();
}

void CItemRecArray::RemoveAt(std::size_t index)
{
    if (index < size()) erase(begin() + std::ptrdiff_t(index));
}

void CGarbage::AddGoods(const SGoodsItem& item, std::int32_t kind, bool counted)
{
    XTRACE("CGarbage::AddGoods");
    if (kind == ITEM_MONEY)
    {
        m_fMoney += float(item.m_nCount);
        return;
    }
    if (kind == ITEM_GOODS || kind == ITEM_STACK)
    {
        for (SItemRec& e : m_Items)
        {
            if (e.m_nKind != kind || !SameName(e.m_szName, item.m_szName)) continue;
            const float total = float(e.m_nCount) + float(item.m_nCount);
            if (total != 0.0f)
                e.m_fPrice = (float(e.m_nCount) * e.m_fPrice + float(item.m_nCount) * item.m_fPrice) / total;
            e.m_nCount += item.m_nCount;
            if (counted) e.m_nCount2 += item.m_nCount;
            return;
        }
    }
    if (kind == ITEM_MECHANOID)
    {
        for (const SItemRec& e : m_Items)
            if (SameName(e.m_szName, item.m_szName) && e.m_nKind == ITEM_MECHANOID) return;
    }
    if (kind == ITEM_GOODS)
    {
        const SGoodsParameters* goods = g_GoodsManager.FindGoods(item.m_szName);
        if (!goods)
        {
            char name[33] = {};
            CopyName(name, item.m_szName);
            g_ErrorLog.LogError("CGarbage::AddGoods unknown goods '%s'", name);
            return;
        }
        if (goods->m_bUnique) kind = ITEM_UNIQUE;
    }
    SItemRec e;
    e.m_nKind = kind;
    CopyName(e.m_szName, item.m_szName);
    e.m_nCount = item.m_nCount;
    e.m_nCount2 = counted ? item.m_nCount : 0;
    e.m_fPrice = item.m_fPrice;
    m_Items.Add(e);
}

std::int32_t CGarbage::RemoveGoods(const SGoodsItem& item, bool counted)
{
    XTRACE("CGarbage::RemoveGoods");
    std::int32_t left = item.m_nCount;
    for (std::size_t i = 0; i < m_Items.size() && left > 0;)
    {
        SItemRec& e = m_Items[i];
        if (!SameName(e.m_szName, item.m_szName))
        {
            ++i;
            continue;
        }
        if (e.m_nCount > left)
        {
            e.m_nCount -= left;
            if (counted)
                e.m_nCount2 -= left;
            else
                // New count less the amount taken, as the hold always did,
                // but never below 0 nor above the count.
                e.m_nCount2 = std::clamp(e.m_nCount - left, 0, e.m_nCount);
            if (e.m_nCount2 < 0) e.m_nCount2 = 0;
            break;
        }
        left -= e.m_nCount;
        m_Items.RemoveAt(i);
    }
    return GetCount();
}

bool CGarbage::HasGoods(const char* name, std::int32_t kind, std::int32_t count) const
{
    std::int32_t have = 0;
    for (const SItemRec& e : m_Items)
        if (e.m_nKind == kind && SameName(e.m_szName, name)) have += e.m_nCount;
    return have >= count;
}
