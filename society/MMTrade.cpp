#include "society/MMTrade.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "units/Garbage.h"
#include "world/KindManagers.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr float kNoMinimum = 100000000.0f;
constexpr float kStockCeiling = 40000.0f;

std::uint32_t ClassOf(const STradeGood& g)
{
    return g.m_nClass > 2 ? 2 : g.m_nClass;
}

// Class weight W and cap of the price multiplier.
float Weight(const STradeGood& g)
{
    static constexpr float kWeight[3] = {1.0f, 2.0f, 4.0f};
    return kWeight[ClassOf(g)];
}

float Cap(const STradeGood& g)
{
    static constexpr float kCap[3] = {5.0f, 2.0f, 3.0f};
    return kCap[ClassOf(g)];
}

bool IsTov(const char* name)
{
    return std::strncmp(name, "TOV", 3) == 0;
}

bool IsUsableName(const char* name)
{
    return name && name[0] && !IsInvalidName(name);
}

const SGoodsParameters* TableGood(const char* name)
{
    return g_GoodsManager.FindGoods(name);
}

void Put(CMemStream& s, const void* data, std::uint32_t size)
{
    s.Write(data, size);
}

void Put32(CMemStream& s, std::uint32_t v)
{
    const std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    s.Write(b, 4);
}

float AsFloat(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

std::uint32_t Bits(float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// The units of that name the hold carries as plain goods.
std::int32_t HeldUnits(const CGarbage& hold, const char* name)
{
    std::int64_t n = 0;
    for (const SItemRec& e : hold.m_Items)
        if (e.m_nKind == ITEM_GOODS && SameName(e.m_szName, name)) n += std::max(e.m_nCount, 0);
    return std::int32_t(std::min<std::int64_t>(n, INT32_MAX));
}
} // namespace

std::int32_t STradeGood::Units() const
{
    if (!(m_fUnitMass > 0.0f)) return 0;
    const float u = m_fStock / m_fUnitMass;
    if (!(u > 0.0f)) return 0;
    return u >= 2147483520.0f ? INT32_MAX : std::int32_t(u);
}

bool IsInvalidName(const char* name)
{
    static constexpr unsigned char kInvalid[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    return std::memcmp(name, kInvalid, 4) == 0;
}

// ---- one building ----

STradeGood* SExBuildingTrade::FindGood(const char* name)
{
    if (!name) return nullptr;
    for (STradeGood& g : m_Goods)
        if (SameName(g.m_szName, name)) return &g;
    return nullptr;
}

std::int32_t SExBuildingTrade::GetBuildingType() const
{
    if (g_pfnTradeBuildingType) return g_pfnTradeBuildingType(m_szName);
    const CMMObject* o = g_ObjectList.FindByGameId(m_szName, OBJ_BUILDING);
    if (!o || !o->m_pType) return 0;
    return static_cast<const SBuildingType*>(o->m_pType)->m_nType;
}

bool SExBuildingTrade::GetGoodPrice(const char* name, float* price)
{
    const STradeGood* g = FindGood(name);
    if (!g) return false;
    *price = g->m_fBuyPrice > 0.0f ? g->m_fBuyPrice : g->m_fSellPrice;
    return true;
}

bool SExBuildingTrade::GetBuyPrice(const char* name, std::int32_t count, float* price, std::int32_t discount)
{
    const STradeGood* g = FindGood(name);
    const float S = g ? g->m_fSellPrice : 0.0f;
    if (g && S > 0.0f && GetBuildingType() == 12)
    {
        const float unit = std::max((1.0f - float(discount) * 0.005f) * S * 1.05f, S);
        *price = float(count) * unit;
        return true;
    }
    if (count <= 0)
    {
        *price = 0.0f;
        return true;
    }
    if (!g) return false;
    const float f = 1.0f - float(discount) * 0.01f;
    const float K = S > 0.0f ? 100.0f : 300.0f;
    float d = 0.0f;
    float sum = 0.0f;
    for (std::int32_t i = 0; i < count; ++i)
    {
        float m = std::exp(K / (g->m_fStock - d + 10.0f));
        if (m > Cap(*g)) m = Cap(*g);
        float p = f * S;
        if (p <= 0.0f)
        {
            p = f * g->m_fBuyPrice;
            m *= 2.0f;
        }
        sum += std::max(m * p, S);
        d += g->m_fUnitMass;
    }
    *price = sum;
    return true;
}

bool SExBuildingTrade::GetSoldPrice(const char* name, std::int32_t count, float* price, std::int32_t bonus)
{
    const STradeGood* entry = nullptr;
    for (const STradeGood& g : m_Goods)
        if (SameName(g.m_szName, name) && g.m_fBuyPrice > 0.0f)
        {
            entry = &g;
            break;
        }
    const std::int32_t type = GetBuildingType();
    float base = 0.0f;
    if (entry)
        base = entry->m_fBuyPrice;
    else if (const SGoodsParameters* t = TableGood(name))
        base = t->m_fPrice * (type == 12 ? 0.75f : 0.25f);
    base *= 1.0f + float(bonus) * 0.01f;
    float sum = 0.0f;
    float d = 0.0f;
    for (std::int32_t i = 0; i < count; ++i)
    {
        if (!entry)
        {
            sum += base;
            continue;
        }
        const float K = entry->m_fSellPrice > 0.0f ? 300.0f : (type == 12 ? 500.0f : 1000.0f);
        float m = std::exp(K / (d + entry->m_fStock + 100.0f));
        m = std::max(std::min(m, Cap(*entry)), 1.0f);
        sum += m * base;
        d += entry->m_fUnitMass;
    }
    *price = sum;
    return true;
}

std::int32_t SExBuildingTrade::BuyGoodFromBuilding(const char* name, std::int32_t count, std::int32_t discount,
                                                   CGarbage& hold)
{
    XTRACE("SExBuildingTrade::BuyGoodFromBuilding");
    STradeGood* g = FindGood(name);
    if (!g || count <= 0) return 0;
    // Only whole units in stock are sold and only those are paid for.
    count = std::min(count, g->Units());
    auto priceOf = [&](std::int32_t n)
    {
        float p = 0.0f;
        return GetBuyPrice(name, n, &p, discount) ? p : 0.0f;
    };
    float price = priceOf(count);
    if (price > hold.m_fMoney)
    {
        // The largest batch the money pays for (prices grow with the count).
        std::int32_t lo = 0, hi = count;
        while (lo < hi)
        {
            const std::int32_t mid = lo + (hi - lo + 1) / 2;
            if (priceOf(mid) <= hold.m_fMoney)
                lo = mid;
            else
                hi = mid - 1;
        }
        count = lo;
        price = priceOf(count);
    }
    if (count <= 0 || !(price > 0.0f)) return 0;
    g = FindGood(name);
    g->m_fStock -= float(count) * g->m_fUnitMass;
    hold.m_fMoney -= price;
    SGoodsItem item;
    CopyName(item.m_szName, name);
    item.m_nCount = count;
    item.m_fPrice = price / float(count);
    hold.AddGoods(item, ITEM_GOODS, true);
    return count;
}

std::int32_t SExBuildingTrade::SoldGoodToBuilding(const char* name, std::int32_t count, std::int32_t bonus,
                                                  CGarbage& hold)
{
    XTRACE("SExBuildingTrade::SoldGoodToBuilding");
    count = std::min(count, HeldUnits(hold, name));
    if (count <= 0) return 0;
    float price = 0.0f;
    GetSoldPrice(name, count, &price, bonus);
    if (!(price > 0.0f)) return 0;
    STradeGood* g = FindGood(name);
    if (!g)
    {
        const SGoodsParameters* t = TableGood(name);
        if (!t) return 0;
        STradeGood n;
        CopyName(n.m_szName, name);
        n.m_fSellPrice = price / float(count);
        n.m_fUnitMass = t->m_fMass;
        n.m_nClass = std::uint32_t(std::clamp(t->m_nType, 0, 2));
        m_Goods.push_back(n);
        g = &m_Goods.back();
    }
    if (g->m_fStock < 0.0f) g->m_fStock = 0.0f;
    g->m_fStock += float(count) * g->m_fUnitMass;
    SGoodsItem item;
    CopyName(item.m_szName, name);
    item.m_nCount = count;
    hold.RemoveGoods(item, true);
    hold.m_fMoney += price;
    return count;
}

std::int32_t SExBuildingTrade::AddGood(const char* name, std::int32_t count, std::int32_t mode)
{
    XTRACE("SExBuildingTrade::AddGood");
    if (!IsUsableName(name)) return -1;
    STradeGood* g = FindGood(name);
    if (g)
        g->m_fStock += float(count) * g->m_fUnitMass;
    else
    {
        STradeGood n;
        CopyName(n.m_szName, name);
        if (const SGoodsParameters* t = TableGood(name))
        {
            if (mode == 1) n.m_fBuyPrice = t->m_fPrice;
            if (mode == 2) n.m_fSellPrice = t->m_fPrice;
            n.m_fUnitMass = t->m_fMass;
            n.m_fStock = float(count) * t->m_fMass;
            n.m_nClass = std::uint32_t(std::clamp(t->m_nType, 0, 2));
        }
        m_Goods.push_back(n);
        g = &m_Goods.back();
    }
    return g->Units();
}

std::int32_t SExBuildingTrade::AddGoodCount(const char* name, std::int32_t count)
{
    STradeGood* g = FindGood(name);
    if (!g) return -1;
    g->m_fStock += float(count) * g->m_fUnitMass;
    return g->Units();
}

void SExBuildingTrade::GetGoodList(std::vector<STradeGood>& list)
{
    list.clear();
    for (const STradeGood& g : m_Goods)
    {
        if (!IsTov(g.m_szName) || !TableGood(g.m_szName)) continue;
        STradeGood c;
        CopyName(c.m_szName, g.m_szName);
        c.m_fStock = g.m_fStock;
        c.m_fUnitMass = g.m_fUnitMass;
        float p = 0.0f;
        GetSoldPrice(g.m_szName, 1, &p, 0);
        c.m_fBuyPrice = c.m_fSellPrice = p;
        c.m_nClass = g.m_nClass;
        c.m_bNative = g.m_fBuyPrice > 0.0f ? 0 : 1;
        list.push_back(c);
    }
}

namespace
{
bool InList(const std::vector<STradeGood>& list, const STradeGood& g)
{
    for (const STradeGood& e : list)
        if (SameName(e.m_szName, g.m_szName) && e.m_fBuyPrice == g.m_fBuyPrice && e.m_fSellPrice == g.m_fSellPrice)
            return true;
    return false;
}
} // namespace

void SExBuildingTrade::GetHighPriceGoods(std::vector<STradeGood>& list, std::int32_t n)
{
    XTRACE("SExBuildingTrade::GetHighPriceGoods");
    list.clear();
    for (std::int32_t pass = 0; pass < n; ++pass)
    {
        const STradeGood* best = nullptr;
        float fewest = kNoMinimum;
        for (const STradeGood& g : m_Goods)
        {
            if (!IsTov(g.m_szName) || !(g.m_fBuyPrice > 0.0f) || InList(list, g)) continue;
            const float units = g.m_fUnitMass > 0.0f ? std::trunc(g.m_fStock / g.m_fUnitMass) : 0.0f;
            if (units < fewest)
            {
                fewest = units;
                best = &g;
            }
        }
        if (best) list.push_back(*best);
    }
}

void SExBuildingTrade::GetLowPriceGoods(std::vector<STradeGood>& list, std::int32_t n)
{
    XTRACE("SExBuildingTrade::GetLowPriceGoods");
    list.clear();
    const bool anyTov = GetBuildingType() == 3;
    for (std::int32_t pass = 0; pass < n; ++pass)
    {
        const STradeGood* best = nullptr;
        float most = 0.0f;
        for (const STradeGood& g : m_Goods)
        {
            if (!IsTov(g.m_szName) || (!anyTov && !(g.m_fSellPrice > 0.0f)) || InList(list, g)) continue;
            const float units = g.m_fUnitMass > 0.0f ? std::trunc(g.m_fStock / g.m_fUnitMass) : 0.0f;
            if (units > most)
            {
                most = units;
                best = &g;
            }
        }
        if (best) list.push_back(*best);
    }
}

// ---- the manager ----

CGuidKey CMMTrade::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "IMMTrade");
    return key;
}

SExBuildingTrade* CMMTrade::FindBuilding(const char* building)
{
    if (!building || IsInvalidName(building)) return nullptr;
    for (std::uint32_t i = 0; i < m_nCount; ++i)
        if (SameName(m_Buildings[i].m_szName, building)) return &m_Buildings[i];
    return nullptr;
}

SExBuildingTrade* CMMTrade::AddBuilding(const char* building)
{
    if (SExBuildingTrade* b = FindBuilding(building)) return b;
    if (!building || m_nCount >= kMaxBuildings) return nullptr;
    SExBuildingTrade& b = m_Buildings[m_nCount++];
    b = SExBuildingTrade{};
    CopyName(b.m_szName, building);
    b.m_bRegistered = 1;
    return &b;
}

bool CMMTrade::IsTradeBuilding(const char* building)
{
    const SExBuildingTrade* b = FindBuilding(building);
    return b && b->m_bRegistered;
}

std::int32_t CMMTrade::GetBuildingType(const char* building)
{
    const SExBuildingTrade* b = FindBuilding(building);
    return b ? b->GetBuildingType() : 0;
}

void CMMTrade::SaveToStream(CMemStream& stream)
{
    XTRACE("CMMTrade::SaveToStream");
    Put32(stream, kStreamVersion);
    Put32(stream, m_nCount);
    for (std::uint32_t i = 0; i < m_nCount; ++i)
    {
        const SExBuildingTrade& b = m_Buildings[i];
        Put(stream, b.m_szName, 32);
        Put32(stream, std::uint32_t(b.m_Goods.size()));
        if (!b.m_Goods.empty())
            Put(stream, b.m_Goods.data(), std::uint32_t(b.m_Goods.size() * sizeof(STradeGood)));
        Put32(stream, Bits(b.m_fTurnover));
    }
}

void CMMTrade::LoadFromStream(CMemStream& stream)
{
    XTRACE("CMMTrade::LoadFromStream");
    CStreamReader in(stream, "TRADE");
    struct SRead
    {
        char name[32];
        std::vector<STradeGood> goods;
        bool hasTurnover;
        float turnover;
    };
    std::vector<SRead> read;
    std::uint32_t version = 0;
    try
    {
        version = in.U32();
        if (version > kStreamVersion) in.Fail("version %u, at most %u", version, kStreamVersion);
        if (version >= 1)
        {
            // A record is at least its name and its goods count.
            const std::uint32_t count = in.Count(version >= 2 ? 40 : 36, "building count");
            if (count > kMaxBuildings) in.Fail("%u buildings, at most %u", count, kMaxBuildings);
            read.resize(count);
            for (SRead& r : read)
            {
                in.Bytes(r.name, 32);
                r.name[31] = 0;
                const std::uint32_t n = in.Count(sizeof(STradeGood), "goods count");
                r.goods.resize(n);
                if (n) in.Bytes(r.goods.data(), n * std::uint32_t(sizeof(STradeGood)));
                r.hasTurnover = version >= 2;
                r.turnover = r.hasTurnover ? AsFloat(in.U32()) : 0.0f;
            }
        }
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("CMMTrade::LoadFromStream: %s", e.what());
        throw;
    }
    for (std::uint32_t i = std::uint32_t(read.size()); i < m_nCount; ++i)
        m_Buildings[i] = SExBuildingTrade{};
    m_nCount = std::uint32_t(read.size());
    for (std::uint32_t i = 0; i < m_nCount; ++i)
    {
        SExBuildingTrade& b = m_Buildings[i];
        SRead& r = read[i];
        // Version 1 has no turnover: a building keeps the one it had.
        const float turnover = r.hasTurnover ? r.turnover : b.m_fTurnover;
        b = SExBuildingTrade{};
        b.m_fTurnover = turnover;
        CopyName(b.m_szName, r.name);
        b.m_bRegistered = 1;
        for (STradeGood& g : r.goods)
        {
            g.m_szName[31] = 0;
            if (g.m_nClass > 2) g.m_nClass = 2;
            if (const SGoodsParameters* t = TableGood(g.m_szName))
            {
                g.m_fUnitMass = t->m_fMass;
                if (g.m_fBuyPrice > 0.0f) g.m_fBuyPrice = t->m_fPrice;
                if (g.m_fSellPrice > 0.0f) g.m_fSellPrice = t->m_fPrice;
            }
        }
        std::erase_if(r.goods,
                      [](const STradeGood& g)
                      {
                          return (!(g.m_fBuyPrice > 0.0f) && !(g.m_fSellPrice > 0.0f)) || !(g.m_fUnitMass > 0.0f) ||
                                 !IsUsableName(g.m_szName);
                      });
        b.m_Goods = std::move(r.goods);
    }
}

void CMMTrade::ResetStocks()
{
    for (std::uint32_t i = 0; i < m_nCount; ++i)
    {
        std::vector<STradeGood>& goods = m_Buildings[i].m_Goods;
        std::erase_if(goods, [](const STradeGood& g) { return !IsUsableName(g.m_szName); });
        for (STradeGood& g : goods)
        {
            g.m_fStock = 8000.0f + g_Random.Random(20000.0f);
            g.m_bNative = 1;
        }
    }
}

void CMMTrade::RunEachHour()
{
    XTRACE("CMMTrade::RunEachHour");
    SPointerArray<CMMObject> buildings;
    g_ObjectList.GetObjectList(OBJ_BUILDING, buildings);
    for (std::int32_t i = 0; i < buildings.count; ++i)
    {
        const CMMObject* o = buildings.items[i];
        if (!o || !o->m_szGameId[0]) continue;
        if (GetBuildingType(o->m_szGameId) == 3) continue;
        CalcBuilding(o->m_szGameId);
    }
}

void CMMTrade::CalcBuilding(const char* building)
{
    XTRACE("CMMTrade::CalcBuilding");
    SExBuildingTrade* b = FindBuilding(building);
    if (!b) return;
    const std::int32_t type = b->GetBuildingType();
    std::vector<STradeGood>& goods = b->m_Goods;

    // What the building consumes: its own goods that it buys.
    int nBuy = 0;
    std::ptrdiff_t maxBuy = -1, minBuy = -1;
    float maxV = 0.0f, minV = kNoMinimum;
    for (std::size_t i = 0; i < goods.size(); ++i)
    {
        const STradeGood& g = goods[i];
        if (!(g.m_fBuyPrice > 0.0f) || g.m_bNative != 1) continue;
        ++nBuy;
        if (!(g.m_fStock >= 0.0f)) continue;
        const float v = Weight(g) * g.m_fStock;
        if (v > maxV)
        {
            maxV = v;
            maxBuy = std::ptrdiff_t(i);
        }
        if (v < minV)
        {
            minV = v;
            minBuy = std::ptrdiff_t(i);
        }
    }
    float B = 0.0f;
    if (minBuy >= 0)
    {
        B = float(nBuy) * (type == 12 ? 0.5f : 0.2f) * minV;
        B = std::min(B, type == 1 ? 20000.0f : 10000.0f);
    }

    // What it produces.
    int nSell = 0;
    std::ptrdiff_t maxSell = -1, minSell = -1;
    if (minBuy >= 0 || type == 12)
    {
        float minS = kNoMinimum;
        for (std::size_t i = 0; i < goods.size(); ++i)
        {
            const STradeGood& g = goods[i];
            if (!(g.m_fSellPrice > 0.0f)) continue;
            ++nSell;
            if (!(g.m_fStock > 0.0f && g.m_fStock < kStockCeiling)) continue;
            const float v = Weight(g) * g.m_fStock;
            if (v > maxV)
            {
                maxV = v;
                maxSell = std::ptrdiff_t(i);
            }
            if (v < minS)
            {
                minS = v;
                minSell = std::ptrdiff_t(i);
            }
        }
        if (minSell == maxSell) minSell = maxSell = -1;
    }

    // Entries chosen above keep their part across the removal of decayed
    // foreign entries: 1 minBuy, 2 maxBuy, 4 minSell, 8 maxSell.
    std::vector<std::uint8_t> role(goods.size(), 0);
    if (minBuy >= 0) role[std::size_t(minBuy)] |= 1;
    if (maxBuy >= 0) role[std::size_t(maxBuy)] |= 2;
    if (minSell >= 0) role[std::size_t(minSell)] |= 4;
    if (maxSell >= 0) role[std::size_t(maxSell)] |= 8;
    float decay = 0.0f;
    for (STradeGood& g : goods)
    {
        if (g.m_bNative != 0) continue;
        decay += Weight(g) * g.m_fStock * 0.125f;
        g.m_fStock *= 0.25f;
    }
    {
        std::size_t w = 0;
        for (std::size_t i = 0; i < goods.size(); ++i)
        {
            if (goods[i].m_bNative == 0 && goods[i].m_fStock < goods[i].m_fUnitMass) continue;
            goods[w] = goods[i];
            role[w] = role[i];
            ++w;
        }
        goods.resize(w);
        role.resize(w);
    }

    float income;
    if (type == 3)
        income = 200000.0f;
    else
        income = g_Random.Random(1000.0f) * (type == 12 || type == 15 ? 10.0f : 1.0f);
    if (nBuy == 0) nBuy = 1;
    if (nSell == 0) nSell = 1;
    const float T = 4.0f * (income + B + decay);
    for (std::size_t i = 0; i < goods.size(); ++i)
    {
        STradeGood& g = goods[i];
        if (g.m_bNative != 1) continue;
        const float W = Weight(g);
        if (g.m_fBuyPrice > 0.0f)
        {
            float c = B / float(nBuy);
            if (role[i] & 1)
                c *= 0.25f;
            else if (role[i] & 2)
                c *= 1.75f;
            g.m_fStock -= c / W;
        }
        if (g.m_fSellPrice > 0.0f)
        {
            float p = T / float(nSell);
            if (role[i] & 4)
                p = 1.5f * B;
            else if (role[i] & 8)
                p = 0.5f * B;
            if (g.m_fStock < kStockCeiling) g.m_fStock += p / W;
        }
    }
    b->m_fTurnover = B + decay;
}

float CMMTrade::GetBuildingIncome(const char* building)
{
    const SExBuildingTrade* b = FindBuilding(building);
    return b ? std::min(2.0f * b->m_fTurnover, 10000.0f) : 0.0f;
}

void CMMTrade::SetGoodCount(const char* building, const char* good, std::int32_t count)
{
    SExBuildingTrade* b = FindBuilding(building);
    if (!b || !good) return;
    for (STradeGood& g : b->m_Goods)
        if (SameName(g.m_szName, good)) g.m_fStock = float(count) * g.m_fUnitMass;
}

void CMMTrade::GetRandomGood(char* out)
{
    XTRACE("CMMTrade::GetRandomGood");
    ClearName(out);
    if (m_nCount == 0) return;
    const std::uint32_t start = std::uint32_t(g_Random.RandomInt(std::int32_t(m_nCount)));
    for (std::uint32_t k = 0; k < m_nCount; ++k)
    {
        SExBuildingTrade& b = m_Buildings[(start + k) % m_nCount];
        if (b.m_Goods.empty() || b.GetBuildingType() == 3) continue;
        g_Random.Next();
        const std::int32_t n = std::int32_t(b.m_Goods.size());
        for (std::int32_t i = 0; i < n; ++i)
        {
            const STradeGood& g = b.m_Goods[std::size_t(g_Random.RandomInt(n))];
            if (g.m_fSellPrice > 0.0f && IsTov(g.m_szName))
            {
                CopyName(out, g.m_szName);
                return;
            }
        }
    }
}

void CMMTrade::GetGoodList(const char* building, std::vector<STradeGood>& list)
{
    XTRACE("CMMTrade::GetGoodList");
    list.clear();
    if (SExBuildingTrade* b = FindBuilding(building)) b->GetGoodList(list);
}

bool CMMTrade::GetBuyPrice(const char* building, const char* good, float* price, std::int32_t count)
{
    SExBuildingTrade* b = FindBuilding(building);
    return b && b->GetBuyPrice(good, count, price, 0);
}

bool CMMTrade::GetSoldPrice(const char* building, const char* good, float* price, std::int32_t count)
{
    SExBuildingTrade* b = FindBuilding(building);
    return b && b->GetSoldPrice(good, count, price, 0);
}

std::int32_t CMMTrade::AddGood(const char* building, const char* good, std::int32_t count, std::int32_t mode)
{
    SExBuildingTrade* b = FindBuilding(building);
    return b ? b->AddGood(good, count, mode) : -1;
}

std::int32_t CMMTrade::AddGoodCount(const char* building, const char* good, std::int32_t count)
{
    SExBuildingTrade* b = FindBuilding(building);
    return b ? b->AddGoodCount(good, count) : -1;
}

void CMMTrade::BuyGoodFromBuilding(const char* building, const char* good, std::int32_t count)
{
    XTRACE("CMMTrade::BuyGoodFromBuilding");
    SExBuildingTrade* b = FindBuilding(building);
    if (!b) return;
    float price = 0.0f;
    b->GetSoldPrice(good, count, &price, 0);
    STradeGood* g = b->FindGood(good);
    if (!(price > 0.0f) || !g) return;
    count = std::min(count, g->Units());
    if (count > 0) g->m_fStock -= float(count) * g->m_fUnitMass;
}

void CMMTrade::SoldGoodToBuilding(const char* building, const char* good, std::int32_t count)
{
    XTRACE("CMMTrade::SoldGoodToBuilding");
    SExBuildingTrade* b = FindBuilding(building);
    if (!b || count <= 0) return;
    STradeGood* g = b->FindGood(good);
    if (!g)
    {
        // A good the building does not list comes in as a foreign entry
        // priced as the building would pay for the batch; the next hours
        // let it decay.
        const SGoodsParameters* t = TableGood(good);
        if (!t || !IsUsableName(good)) return;
        float price = 0.0f;
        b->GetSoldPrice(good, count, &price, 0);
        STradeGood n;
        CopyName(n.m_szName, good);
        n.m_fSellPrice = price / float(count);
        n.m_fUnitMass = t->m_fMass;
        n.m_nClass = std::uint32_t(std::clamp(t->m_nType, 0, 2));
        b->m_Goods.push_back(n);
        g = &b->m_Goods.back();
    }
    else
    {
        float price = 0.0f;
        b->GetBuyPrice(good, count, &price, 0);
        if (!(price > 0.0f)) return;
    }
    if (g->m_fStock < 0.0f) g->m_fStock = 0.0f;
    g->m_fStock += float(count) * g->m_fUnitMass;
}

float CMMTrade::GetProductionValue(const char* building)
{
    SExBuildingTrade* b = FindBuilding(building);
    if (!b) return 0.0f;
    if (b->GetBuildingType() == 12) return 15000.0f;
    if (b->m_Goods.empty()) return 0.0f;
    double v = 0.0;
    double minimum = 100000000000.0;
    for (const STradeGood& g : b->m_Goods)
    {
        if (g.m_fBuyPrice > 0.0f && g.m_bNative && g.m_fStock > 0.0f) v = double(g.m_fStock) * Weight(g);
        minimum = std::min(minimum, v);
    }
    double sum = 0.0;
    for (const STradeGood& g : b->m_Goods)
        if (g.m_fSellPrice > 0.0f) sum += minimum / Weight(g);
    return float(sum);
}
