#include "society/EqpTrade.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "units/KindManagers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstring>
#include <string>

namespace
{

constexpr const char* kLogFile = "EqpTrade.log";
constexpr std::uint32_t kOldItemSize = 48;

// A stock count changed by n, kept within 0..INT32_MAX (loaded stocks may
// hold any count).
std::int32_t Added(std::int32_t count, std::int64_t n)
{
    const std::int64_t sum = std::int64_t(count) + n;
    return std::int32_t(std::clamp<std::int64_t>(sum, 0, std::numeric_limits<std::int32_t>::max()));
}

float F32(CStreamReader& in)
{
    const std::uint32_t bits = in.U32();
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

SEqpItem ReadItem(CStreamReader& in, std::uint32_t version)
{
    SEqpItem item;
    in.Bytes(item.m_szName, 32);
    item.m_szName[31] = 0;
    item.m_dwKind = in.U32();
    item.m_dwModif = in.U32();
    item.m_fPrice = F32(in);
    item.m_nCount = in.I32();
    item.m_fRate = version >= 2 ? F32(in) : 0.0f;
    return item;
}

void ReadItems(CStreamReader& in, std::uint32_t version, std::vector<SEqpItem>& out, const char* field)
{
    const std::uint32_t count = in.Count(version >= 2 ? sizeof(SEqpItem) : kOldItemSize, field);
    out.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        out.push_back(ReadItem(in, version));
}

void WriteItems(CMemStream& stream, const std::vector<SEqpItem>& items)
{
    const auto count = std::uint32_t(items.size());
    stream.Write(&count, 4);
    for (const SEqpItem& item : items)
        stream.Write(&item, sizeof item);
}

// Items of stocks written before the restock rate was kept restock as
// often as their modifier is found.
void SetOldRate(SEqpItem& item)
{
    const SModifParameters* m = g_ModifManager.GetModif(g_ModifManager.FindName(item.m_szName));
    if (!m) return;
    std::uint32_t type = 0, property = 0, level = 0;
    CModifManager::GetProperties(m->m_dwUnicumId, &type, &property, &level);
    if (level == 0) return;
    item.m_fRate = 19.0f * m->m_fProbability / std::pow(float(level), 0.8f);
}

} // namespace

CGuidKey CEqpTrade::GetGUID() const
{
    CGuidKey key;
    MakeGuidKeyConcat(&key, "IGUID_", "IEqpTrade");
    return key;
}

SEqpItem* CEqpTrade::Find(std::vector<SEqpItem>& items, const char* name, std::uint32_t modif)
{
    if (!name) return nullptr;
    for (SEqpItem& item : items)
        if (item.m_dwModif == modif && SameName(item.m_szName, name)) return &item;
    return nullptr;
}

CEqpTrade::SBuilding* CEqpTrade::FindBuilding(const char* name)
{
    if (!name) return nullptr;
    for (SBuilding& b : m_Buildings)
        if (SameName(b.m_szName, name)) return &b;
    return nullptr;
}

CEqpTrade::SBuilding& CEqpTrade::GetOrAddBuilding(const char* name)
{
    if (SBuilding* b = FindBuilding(name)) return *b;
    SBuilding& b = m_Buildings.emplace_back();
    CopyName(b.m_szName, name);
    b.m_Items.reserve(5);
    return b;
}

bool CEqpTrade::MakeItem(SEqpItem* out, const char* name, std::uint32_t modif, std::int32_t count, float rate)
{
    std::uint32_t kind = 0;
    const float price = GetEqpPrice(name, &kind, modif);
    if (price < 0.0f) return false;
    *out = SEqpItem{};
    CopyName(out->m_szName, name);
    out->m_dwKind = kind;
    out->m_dwModif = modif;
    out->m_fPrice = price;
    out->m_nCount = count;
    out->m_fRate = rate;
    return true;
}

float CEqpTrade::GetEqpPrice(const char* name, std::uint32_t* kind, std::uint32_t modif)
{
    XTRACE("CEqpTrade::GetEqpPrice");
    // The kind is always written, also for a name no table knows.
    *kind = 0;
    if (!name) return -1.0f;
    float base;
    if (const SModifParameters* m = g_ModifManager.GetModif(g_ModifManager.FindName(name)))
    {
        base = m->m_fPrice;
        switch (CModifManager::GetModifType(m->m_dwUnicumId))
        {
        case 1:
            *kind = 1;
            break;
        case MODIF_WEAPON:
            *kind = 3;
            break;
        case MODIF_REACTOR:
        case MODIF_ENGINE:
        case MODIF_SHIELD:
            *kind = 2;
            break;
        default:
            *kind = 4;
            break;
        }
    }
    else if (const SGliderParameters* g = g_GliderManager.GetGlider(g_GliderManager.FindName(name)))
    {
        base = g->m_fPrice;
        *kind = 1;
    }
    else if (const SEquipmentParameters* e =
                 g_EquipmentManager.GetEquipment(g_EquipmentManager.FindName(name)))
    {
        base = e->m_fPrice;
        *kind = 2;
    }
    else if (const std::int32_t gun = g_GunManager.FindName(name); gun != -1)
    {
        base = g_GunManager.GetGun(gun)->m_fPrice;
        *kind = 3;
    }
    // Param gives -1 (no such name) the shared default record.
    else if (const std::int32_t m = g_MissileManager.FindName(name); m != -1 && g_MissileManager.Param(m))
    {
        base = g_MissileManager.Param(m)->m_fPrice;
        *kind = 4;
    }
    else
    {
        return -1.0f;
    }
    if (modif == 0) return base;
    float factor = 1.0f;
    const std::uint32_t type = CModifManager::GetModifType(modif);
    for (std::uint32_t p = 0; p < 3; ++p)
    {
        const std::uint32_t level = CModifManager::GetModifNibble(modif, p);
        if (level == 0) continue;
        if (const SModifParameters* m = g_ModifManager.GetModif(
                g_ModifManager.FindModif(CModifManager::CreateModif(0, type, p, level))))
            factor += m->m_fKChangePrice - 1.0f;
    }
    const float price = base * factor;
    return price > 0.0f ? price : 0.0f;
}

std::int32_t CEqpTrade::GetEqpList(const char* building, std::vector<SEqpConsoleItem>& list)
{
    XTRACE("CEqpTrade::GetEqpList");
    list.clear();
    auto add = [this, &list](const std::vector<SEqpItem>& items)
    {
        for (const SEqpItem& item : items)
        {
            SEqpConsoleItem c;
            std::memcpy(&c, &item, sizeof c);
            std::uint32_t kind = 0;
            c.m_fPrice = GetEqpPrice(item.m_szName, &kind, item.m_dwModif);
            list.push_back(c);
        }
    };
    if (SBuilding* b = FindBuilding(building)) add(b->m_Items);
    add(m_Common);
    return std::int32_t(list.size());
}

void CEqpTrade::RestockEqp()
{
    XTRACE("CEqpTrade::RestockEqp");
    for (SBuilding& b : m_Buildings)
        for (SEqpItem& item : b.m_Items)
        {
            // Unlimited items and rates that are not a positive number stay.
            if (!(item.m_fRate > 0.0f) || item.m_nCount < 0) continue;
            if (((g_Random.Next() >> 8) & 7) == 7 && item.m_nCount > 0) --item.m_nCount;
            const float every = 120.0f / item.m_fRate;
            const std::uint32_t n = every < 1.0f ? 1u : (every > 1e9f ? 1000000000u : std::uint32_t(every));
            if ((g_Random.Next() >> 8) % n == n - 1) item.m_nCount = Added(item.m_nCount, 1);
        }
}

void CEqpTrade::OnSoldEqp(const char* building, const char* name, std::int32_t count, std::uint32_t modif)
{
    XTRACE("CEqpTrade::OnSoldEqp");
    if (const SEqpItem* common = Find(m_Common, name, modif); common && common->m_nCount == -1) return;
    SBuilding* b = FindBuilding(building);
    if (SEqpItem* item = b ? Find(b->m_Items, name, modif) : nullptr)
    {
        if (item->m_nCount != -1) item->m_nCount = Added(item->m_nCount, count);
        return;
    }
    SEqpItem item;
    if (!MakeItem(&item, name, modif, count, 0.0f)) return;
    GetOrAddBuilding(building).m_Items.push_back(item);
}

void CEqpTrade::OnBoughtEqp(const char* building, const char* name, std::int32_t count, std::uint32_t modif)
{
    XTRACE("CEqpTrade::OnBoughtEqp");
    if (Find(m_Common, name, modif)) return;
    SBuilding* b = FindBuilding(building);
    SEqpItem* item = b ? Find(b->m_Items, name, modif) : nullptr;
    // An unlimited item stays unlimited.
    if (!item || item->m_nCount <= 0) return;
    item->m_nCount = Added(item->m_nCount, -std::int64_t(count));
    if (item->m_nCount > 0) return;
    if (item->m_fRate != 0.0f)
        item->m_nCount = 0;
    else
        b->m_Items.erase(b->m_Items.begin() + (item - b->m_Items.data()));
}

void CEqpTrade::Clear()
{
    m_Common.clear();
    m_Buildings.clear();
}

void CEqpTrade::SaveToStream(CMemStream& stream)
{
    XTRACE("CEqpTrade::SaveToStream");
    const std::uint32_t version = kStreamVersion;
    stream.Write(&version, 4);
    WriteItems(stream, m_Common);
    const auto buildings = std::uint32_t(m_Buildings.size());
    stream.Write(&buildings, 4);
    for (const SBuilding& b : m_Buildings)
    {
        stream.Write(b.m_szName, 32);
        WriteItems(stream, b.m_Items);
    }
}

void CEqpTrade::LoadFromStream(CMemStream& stream)
{
    XTRACE("CEqpTrade::LoadFromStream");
    CStreamReader in(stream, "equipment trade");
    std::vector<SEqpItem> common;
    std::vector<SBuilding> buildings;
    std::uint32_t version = 0;
    try
    {
        version = in.U32();
        if (version > kStreamVersion)
        {
            g_ErrorLog.LogError(
                "CEqpTrade::LoadFromStream - version of equipment trade mismatch; iVersion=%d", int(version));
            return;
        }
        ReadItems(in, version, common, "common item count");
        // Each building is at least its name and its count.
        const std::uint32_t count = in.Count(36, "building count");
        buildings.resize(count);
        for (SBuilding& b : buildings)
        {
            in.Bytes(b.m_szName, 32);
            b.m_szName[31] = 0;
            ReadItems(in, version, b.m_Items, "building item count");
        }
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("CEqpTrade::LoadFromStream: %s", e.what());
        throw;
    }
    m_Common = std::move(common);
    m_Buildings = std::move(buildings);
    if (version < 3)
    {
        for (SEqpItem& item : m_Common)
            SetOldRate(item);
        for (SBuilding& b : m_Buildings)
            for (SEqpItem& item : b.m_Items)
                SetOldRate(item);
    }
}

void CEqpTrade::AddConfig(const char* name)
{
    XTRACE("CEqpTrade::AddConfig");
    const SMechanoidEquipment* config = g_MechConfigManager.GetConfig(g_MechConfigManager.FindName(name));
    if (!config) return;
    auto key = [config](int slot) { return config->m_Config[slot].m_Key.Index(); };
    if (const char* glider = g_GliderManager.GetName(key(CFG_GLIDER))) AddEqp(glider, 1u, 0u);
    for (int slot : {CFG_LIGHTGUN, CFG_HEAVYGUN})
        if (const char* gun = g_GunManager.GetName(key(slot));
            gun && !g_GunManager.GetGun(key(slot))->m_bNoTrade)
            AddEqp(gun, 3u, 0u);
    auto equipment = [this](std::int32_t index)
    {
        const SEquipmentParameters* e = g_EquipmentManager.GetEquipment(index);
        if (e && !e->m_bNoTrade) AddEqp(g_EquipmentManager.GetName(index), 2u, 0u);
    };
    for (int slot : {CFG_REACTOR, CFG_REACTOR2, CFG_ENGINE, CFG_ENGINE2, CFG_SHIELD, CFG_ARMOR})
        equipment(key(slot));
    for (int i = 0; i < config->m_nMissileTypeCount && i < SMechanoidEquipment::kMaxMissiles; ++i)
    {
        const std::int32_t missile = config->m_MissileTypes[i].Index();
        const SMissileParameters* p = missile < 0 ? nullptr : g_MissileManager.Param(missile);
        if (p && !p->m_bNoTrade) AddEqp(g_MissileManager.GetName(missile), 4u, 0u);
    }
    for (int i = 0; i < config->m_nEquipmentCount && i < SMechanoidEquipment::kMaxEquipment; ++i)
        equipment(config->m_Equipment[i].Index());
}

void CEqpTrade::AddEqp(const char* name, std::uint32_t modif, float rate)
{
    XTRACE("CEqpTrade::AddEqp");
    if (SEqpItem* item = Find(m_Common, name, modif))
    {
        item->m_fRate += rate;
        return;
    }
    SEqpItem item;
    if (MakeItem(&item, name, modif, -1, rate)) m_Common.push_back(item);
}

void CEqpTrade::AddEqp(const char* name, std::uint32_t kind, std::uint32_t modif)
{
    XTRACE("CEqpTrade::AddEqp");
    if (SEqpItem* item = Find(m_Common, name, modif))
    {
        item->m_nCount = -1;
        item->m_fRate = 0.0f;
        return;
    }
    SEqpItem item;
    if (!MakeItem(&item, name, modif, -1, 0.0f)) return;
    item.m_dwKind = kind;
    m_Common.push_back(item);
}

void CEqpTrade::AddEqpToBuiding(const char* building, const char* name, std::int32_t count,
                                std::uint32_t modif, float rate)
{
    XTRACE("CEqpTrade::AddEqpToBuiding");
    if (Find(m_Common, name, modif)) return;
    SBuilding* b = FindBuilding(building);
    if (SEqpItem* item = b ? Find(b->m_Items, name, modif) : nullptr)
    {
        if (item->m_nCount != -1) item->m_nCount = Added(item->m_nCount, count);
        return;
    }
    SEqpItem item;
    if (MakeItem(&item, name, modif, count, rate)) GetOrAddBuilding(building).m_Items.push_back(item);
}

bool CEqpTrade::TestEqpList(const SEqpItem& item)
{
    XTRACE("CEqpTrade::TestEqpList");
    if (item.m_dwModif == 0 || (item.m_dwKind != 2 && item.m_dwKind != 4)) return true;
    if (item.m_dwKind == 2)
    {
        const SEquipmentParameters* e =
            g_EquipmentManager.GetEquipment(g_EquipmentManager.FindName(item.m_szName));
        if (!e || e->m_nType != EQK_DEVICE) return true;
    }
    char name[33] = {};
    CopyName(name, item.m_szName);
    g_ErrorLog.LogToFile(false, kLogFile, "ID=%25s;\t\tdwModifiers=%#x;\t\tfPrice=%7.0f\tiCount=%d", name,
                         item.m_dwModif, double(item.m_fPrice), item.m_nCount);
    return false;
}

void CEqpTrade::GetEqpCounts(std::int32_t* common, std::int32_t* buildings, std::int32_t* items)
{
    *common = std::int32_t(m_Common.size());
    *buildings = std::int32_t(m_Buildings.size());
    std::int32_t total = 0;
    for (const SBuilding& b : m_Buildings)
        total += std::int32_t(b.m_Items.size());
    *items = total;
}
