// The mechanoid record of every version, the configuration record, the
// conversion of table references between indices and names, and the
// network record.
#include "units/Mechanoid.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "units/KindManagers.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr std::uint32_t kDeviceStateSize = 12;
constexpr std::uint32_t kMissileEntrySize = 36;

float F32(CStreamReader& in)
{
    const std::uint32_t bits = in.U32();
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

void Put(CMemStream& s, const void* data, std::uint32_t size)
{
    s.Write(data, size);
}
template <typename T> void Put(CMemStream& s, T value)
{
    static_assert(sizeof(T) == 1 || sizeof(T) == 4);
    s.Write(&value, sizeof value);
}

// A key between its table's row index and the row's name.
void ConvertKey(STypeKey& key, const DefaultManager& table, bool toNames)
{
    if (toNames)
    {
        const char* name = table.GetName(key.Index());
        if (!name) name = kDefaultTypeName;
        std::memset(key.m_Bytes, 0, sizeof key.m_Bytes);
        std::memcpy(key.m_Bytes, name, strnlen(name, sizeof key.m_Bytes - 1));
        return;
    }
    char name[33] = {};
    std::memcpy(name, key.m_Bytes, 32);
    key.SetIndex(table.FindName(name));
}

// A count that must not pass its limit.
std::uint32_t Limited(CStreamReader& in, std::uint32_t limit, const char* field)
{
    const std::uint32_t count = in.U32();
    if (count > limit) in.Fail("%s %u is above %u", field, count, limit);
    return count;
}

} // namespace

// --- configuration record -------------------------------------------------------

void SMechanoidEquipment::SaveToStream(CMemStream& stream) const
{
    XTRACE("SMechanoidEquipment::SaveToStream");
    Put(stream, std::uint32_t(m_nRating));
    Put(stream, m_bNoTrading);
    for (const SMechConfig& c : m_Config)
    {
        Put(stream, c.m_Key.m_Bytes, 32);
        Put(stream, c.m_dwModif);
    }
    auto list = [&stream](const STypeKey* keys, std::int32_t count, int limit)
    {
        const auto n = std::uint32_t(count < 0 ? 0 : (count > limit ? limit : count));
        Put(stream, n);
        for (std::uint32_t i = 0; i < n; ++i)
            Put(stream, keys[i].m_Bytes, 32);
    };
    list(m_Equipment, m_nEquipmentCount, kMaxEquipment);
    list(m_MissileTypes, m_nMissileTypeCount, kMaxMissiles);
    const auto c = std::uint32_t(m_nMissileCountCount < 0 ? 0 : std::min(m_nMissileCountCount, kMaxMissiles));
    Put(stream, c);
    for (std::uint32_t i = 0; i < c; ++i)
        Put(stream, std::uint32_t(m_MissileCounts[i]));
}

void SMechanoidEquipment::LoadFromStream(CStreamReader& in)
{
    XTRACE("SMechanoidEquipment::LoadFromStream");
    SMechanoidEquipment r;
    std::memcpy(r.m_szName, m_szName, sizeof m_szName);
    r.m_nRating = in.I32();
    r.m_bNoTrading = in.U8();
    for (SMechConfig& c : r.m_Config)
    {
        in.Bytes(c.m_Key.m_Bytes, 32);
        c.m_dwModif = in.U32();
    }
    r.m_nEquipmentCount = std::int32_t(Limited(in, kMaxEquipment, "configuration equipment count"));
    for (std::int32_t i = 0; i < r.m_nEquipmentCount; ++i)
        in.Bytes(r.m_Equipment[i].m_Bytes, 32);
    r.m_nMissileTypeCount = std::int32_t(Limited(in, kMaxMissiles, "configuration missile count"));
    for (std::int32_t i = 0; i < r.m_nMissileTypeCount; ++i)
        in.Bytes(r.m_MissileTypes[i].m_Bytes, 32);
    r.m_nMissileCountCount = std::int32_t(Limited(in, kMaxMissiles, "configuration missile count count"));
    for (std::int32_t i = 0; i < r.m_nMissileCountCount; ++i)
        r.m_MissileCounts[i] = in.I32();
    *this = r;
}

void SMechanoidEquipment::WriteImage(CMemStream& stream) const
{
    std::uint8_t image[kImageSize] = {};
    auto at = [&image](std::size_t offset, const void* data, std::size_t size)
    { std::memcpy(image + offset, data, size); };
    at(offsetof(SMechanoidEquipment, m_szName), m_szName, sizeof m_szName);
    at(offsetof(SMechanoidEquipment, m_nRating), &m_nRating, 4);
    at(offsetof(SMechanoidEquipment, m_bNoTrading), &m_bNoTrading, 1);
    at(offsetof(SMechanoidEquipment, m_Config), m_Config, sizeof m_Config);
    at(offsetof(SMechanoidEquipment, m_Equipment), m_Equipment, sizeof m_Equipment);
    at(offsetof(SMechanoidEquipment, m_nEquipmentCount), &m_nEquipmentCount, 4);
    at(offsetof(SMechanoidEquipment, m_MissileTypes), m_MissileTypes, sizeof m_MissileTypes);
    at(offsetof(SMechanoidEquipment, m_nMissileTypeCount), &m_nMissileTypeCount, 4);
    at(offsetof(SMechanoidEquipment, m_MissileCounts), m_MissileCounts, sizeof m_MissileCounts);
    at(offsetof(SMechanoidEquipment, m_nMissileCountCount), &m_nMissileCountCount, 4);
    stream.Write(image, kImageSize);
}

void SMechanoidEquipment::ReadImage(CStreamReader& in)
{
    std::uint8_t image[kImageSize];
    in.Bytes(image, kImageSize);
    SMechanoidEquipment r;
    auto from = [&image](std::size_t offset, void* data, std::size_t size)
    { std::memcpy(data, image + offset, size); };
    from(offsetof(SMechanoidEquipment, m_szName), r.m_szName, sizeof r.m_szName);
    r.m_szName[sizeof r.m_szName - 1] = 0;
    from(offsetof(SMechanoidEquipment, m_nRating), &r.m_nRating, 4);
    from(offsetof(SMechanoidEquipment, m_bNoTrading), &r.m_bNoTrading, 1);
    from(offsetof(SMechanoidEquipment, m_Config), r.m_Config, sizeof r.m_Config);
    from(offsetof(SMechanoidEquipment, m_Equipment), r.m_Equipment, sizeof r.m_Equipment);
    from(offsetof(SMechanoidEquipment, m_nEquipmentCount), &r.m_nEquipmentCount, 4);
    from(offsetof(SMechanoidEquipment, m_MissileTypes), r.m_MissileTypes, sizeof r.m_MissileTypes);
    from(offsetof(SMechanoidEquipment, m_nMissileTypeCount), &r.m_nMissileTypeCount, 4);
    from(offsetof(SMechanoidEquipment, m_MissileCounts), r.m_MissileCounts, sizeof r.m_MissileCounts);
    from(offsetof(SMechanoidEquipment, m_nMissileCountCount), &r.m_nMissileCountCount, 4);
    auto check = [&in](std::int32_t count, int limit, const char* field)
    {
        if (count < 0 || count > limit)
            in.Fail("configuration image: %s %d is not in 0..%d", field, count, limit);
    };
    check(r.m_nEquipmentCount, kMaxEquipment, "equipment count");
    check(r.m_nMissileTypeCount, kMaxMissiles, "missile count");
    check(r.m_nMissileCountCount, kMaxMissiles, "missile count count");
    *this = r;
}

// --- table references -------------------------------------------------------------

void CMechanoid::ConvertIds(bool toNames)
{
    for (int k = 0; k < CFG_COUNT; ++k)
        ConvertKey(m_gEqp.m_Config[k].m_Key, GetMechConfigTable(k), toNames);
    // Older records hold the missile stock's indices as they are.
    if (m_dwVersion >= 259)
        for (std::uint32_t i = 0; i < m_nMissileCount; ++i)
            ConvertKey(m_Missiles[i].m_Type, g_MissileManager, toNames);
}

namespace
{
// Keys named for the length of a scope, back to indices however it ends.
class CNamedIds
{
public:
    explicit CNamedIds(CMechanoid& m) : m_m(m) { m_m.ConvertIds(true); }
    ~CNamedIds() { m_m.ConvertIds(false); }
    CNamedIds(const CNamedIds&) = delete;
    CNamedIds& operator=(const CNamedIds&) = delete;

private:
    CMechanoid& m_m;
};
} // namespace

// --- the record ---------------------------------------------------------------------

struct CMechanoid::SRecord
{
    std::uint32_t version = 0;
    std::vector<SEqpImage> add;
    float rating = 0.0f;
    std::uint32_t saved = 0;
    std::uint8_t outOfAction = 0, halted = 0, player = 0;
    float shield = 0.0f, armor = 0.0f, energy = 0.0f;
    std::int32_t configIndex = -1;
    SMechanoidEquipment config;
    SEqpImage slots[6];
    SEqpImage glider;
    std::vector<SMissileStock> missiles;
    float money = 0.0f;
    CItemRecArray cargo;
    SDeviceState devices[EQP_COUNT];
};

void CMechanoid::SaveToStream(CMemStream& stream)
{
    XTRACE("CMechanoid::SaveToStream");
    m_dwVersion = kStreamVersion;
    Put(stream, m_dwVersion);
    Put(stream, std::uint32_t(m_nAddCount));
    for (int i = 0; i < m_nAddCount; ++i)
        m_AddEqp[i]->SaveToStream(stream);
    Put(stream, m_fRating);
    Put(stream, m_dwSavedWord);
    Put(stream, m_bOutOfAction);
    Put(stream, m_bHalted);
    Put(stream, m_fShield);
    Put(stream, m_fArmor);
    Put(stream, m_fEnergy);
    Put(stream, m_bPlayer);
    Put(stream, m_nConfigIndex);
    {
        CNamedIds named(*this);
        {
            XTRACE("m_gEqp");
            m_gEqp.SaveToStream(stream);
        }
        for (const CEquipment* item : {&m_Reactor, &m_Reactor2, &m_Engine, &m_Engine2, &m_Shield, &m_Armor})
            item->SaveToStream(stream);
        m_GliderData.CMMEqp::SaveToStream(stream);
        Put(stream, m_nMissileCount);
        for (std::uint32_t i = 0; i < m_nMissileCount; ++i)
        {
            Put(stream, m_Missiles[i].m_Type.m_Bytes, 32);
            Put(stream, m_Missiles[i].m_nCount);
        }
    }
    {
        XTRACE("m_Garbage");
        Put(stream, m_Garbage.m_fMoney);
        Put(stream, std::uint32_t(m_Garbage.m_Items.size()));
        for (const SItemRec& e : m_Garbage.m_Items)
            Put(stream, &e, sizeof e);
    }
    for (const SDeviceState& d : m_Devices)
    {
        const std::uint8_t unused[3] = {};
        Put(stream, d.m_nIndex);
        Put(stream, d.m_bOn);
        Put(stream, unused, 3);
        Put(stream, d.m_fTimer);
    }
}

void CMechanoid::ReadRecord(CStreamReader& in, SRecord& r)
{
    const std::uint32_t first = in.U32();
    r.version = first;
    std::uint32_t count = first;
    if (first >= 256)
    {
        if (first > kStreamVersion) in.Fail("version %u is newer than %u", first, kStreamVersion);
        count = in.U32();
    }
    if (count > std::uint32_t(kMaxAddEquipment))
        in.Fail("additional count %u is above %d", count, kMaxAddEquipment);
    for (std::uint32_t i = 0; i < count; ++i)
        r.add.push_back(CMMEqp::ReadImage(in, r.version, true));
    r.rating = F32(in);
    r.saved = in.U32();
    r.outOfAction = in.U8();
    r.halted = in.U8();
    r.shield = F32(in);
    r.armor = F32(in);
    r.energy = F32(in);
    r.player = in.U8();
    r.configIndex = in.I32();
    if (r.version < 256) in.U32();
    r.config.LoadFromStream(in);
    if (r.version >= 256)
    {
        for (SEqpImage& slot : r.slots)
            slot = CMMEqp::ReadImage(in, r.version, true);
        r.glider = CMMEqp::ReadImage(in, r.version, false);
    }
    const std::uint32_t missiles = Limited(in, kMaxMissiles, "missile stock count");
    for (std::uint32_t i = 0; i < missiles; ++i)
    {
        SMissileStock entry;
        in.Bytes(entry.m_Type.m_Bytes, 32);
        entry.m_nCount = in.U32();
        r.missiles.push_back(entry);
    }
    r.money = F32(in);
    const std::uint32_t items = in.Count(sizeof(SItemRec), "cargo entry count");
    r.cargo.resize(items);
    for (SItemRec& e : r.cargo)
    {
        e.m_nKind = in.I32();
        in.Bytes(e.m_szName, 32);
        e.m_szName[31] = 0;
        e.m_nCount = in.I32();
        e.m_nCount2 = in.I32();
        e.m_fPrice = F32(in);
    }
    if (r.version >= 258)
        for (SDeviceState& d : r.devices)
        {
            if (in.Left() < kDeviceStateSize) in.Fail("device states cut short");
            d.m_nIndex = in.U32();
            d.m_bOn = in.U8();
            std::uint8_t unused[3];
            in.Bytes(unused, 3);
            d.m_fTimer = F32(in);
        }
}

void CMechanoid::ApplyRecord(SRecord& r)
{
    const std::uint32_t version = r.version;
    m_dwVersion = version;
    for (auto& item : m_AddEqp)
        item.reset();
    m_nAddCount = 0;
    for (const SEqpImage& image : r.add)
    {
        auto item = std::make_unique<CEquipment>();
        item->Restore(image, version);
        item->m_bFlag = image.m_bFlag;
        m_AddEqp[m_nAddCount++] = std::move(item);
    }
    m_fRating = r.rating;
    m_dwSavedWord = r.saved;
    m_bOutOfAction = r.outOfAction;
    m_bHalted = r.halted;
    m_fShield = r.shield;
    m_fArmor = r.armor;
    m_fEnergy = r.energy;
    m_bPlayer = r.player;
    m_nConfigIndex = r.configIndex;
    std::memcpy(r.config.m_szName, m_gEqp.m_szName, sizeof m_gEqp.m_szName);
    m_gEqp = r.config;
    CEquipment* slots[6] = {&m_Reactor, &m_Reactor2, &m_Engine, &m_Engine2, &m_Shield, &m_Armor};
    if (version >= 256)
    {
        for (int i = 0; i < 6; ++i)
        {
            slots[i]->Restore(r.slots[i], version);
            slots[i]->m_bFlag = r.slots[i].m_bFlag;
        }
        m_GliderData.Restore(r.glider, version);
    }
    m_nMissileCount = 0;
    for (const SMissileStock& entry : r.missiles)
    {
        bool known = false;
        // Older records may repeat a name: the first entry stays.
        if (version < 260)
            for (std::uint32_t i = 0; i < m_nMissileCount && !known; ++i)
                known = std::memcmp(m_Missiles[i].m_Type.m_Bytes, entry.m_Type.m_Bytes, 32) == 0;
        if (!known) m_Missiles[m_nMissileCount++] = entry;
    }
    ConvertIds(false);
    m_Garbage.m_fMoney = r.money;
    m_Garbage.m_Items = std::move(r.cargo);
    m_Garbage.m_Items.shrink_to_fit();
    if (version < 256)
    {
        const int keys[6] = {CFG_REACTOR, CFG_REACTOR2, CFG_ENGINE, CFG_ENGINE2, CFG_SHIELD, CFG_ARMOR};
        for (int i = 0; i < 6; ++i)
            slots[i]->Assign(STypeKey(m_gEqp.m_Config[keys[i]].m_Key.Index()), 0);
        m_GliderData.Assign(STypeKey(m_gEqp.m_Config[CFG_GLIDER].m_Key.Index()), 0);
    }
    for (int d = 0; d < EQP_COUNT; ++d)
        m_Devices[d] = version >= 258 ? r.devices[d] : SDeviceState{};
}

void CMechanoid::LoadFromStream(CStreamReader& in)
{
    XTRACE("CMechanoid::LoadFromStream");
    SRecord r;
    ReadRecord(in, r);
    ApplyRecord(r);
}

void CMechanoid::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "mechanoid record");
    try
    {
        LoadFromStream(in);
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("CMechanoid::LoadFromStream: %s", e.what());
        throw;
    }
}

// --- network record ---------------------------------------------------------------

void CMechanoid::PutNetBuffer(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* position)
{
    XTRACE("CMechanoid::PutNetBuffer");
    CMemStream out;
    Put(out, m_szName, sizeof m_szName);
    UpdateEquipment();
    m_dwVersion = kStreamVersion;
    {
        CNamedIds named(*this);
        m_gEqp.WriteImage(out);
        Put(out, m_nMissileCount);
        for (std::uint32_t i = 0; i < m_nMissileCount; ++i)
        {
            Put(out, m_Missiles[i].m_Type.m_Bytes, 32);
            Put(out, m_Missiles[i].m_nCount);
        }
        // Named as in the saved record, and read back as named.
        for (const CEquipment* item : {&m_Reactor, &m_Reactor2, &m_Engine, &m_Engine2, &m_Shield, &m_Armor})
            item->SaveToStream(out);
        m_GliderData.CMMEqp::SaveToStream(out);
    }
    Put(out, m_fRating);
    Put(out, m_bOutOfAction);
    Put(out, m_bHalted);
    Put(out, m_fShield);
    Put(out, m_fArmor);
    Put(out, m_fEnergy);
    if (*position > size || out.m_nPosition > size - *position)
        throw CStreamError("mechanoid network record: " + std::to_string(out.m_nPosition) +
                           " bytes do not fit");
    std::memcpy(buffer + *position, out.m_pData, out.m_nPosition);
    *position += out.m_nPosition;
}

void CMechanoid::GetNetBuffer(const std::uint8_t* buffer, std::uint32_t size, std::uint32_t* position)
{
    XTRACE("CMechanoid::GetNetBuffer");
    if (*position > size)
    {
        g_ErrorLog.LogError("CMechanoid::GetNetBuffer: position %u past the %u-byte buffer", *position, size);
        throw CStreamError("mechanoid network record: position past the buffer");
    }
    CMemStream stream;
    stream.m_bAttached = 1;
    stream.m_pData = const_cast<std::uint8_t*>(buffer + *position);
    stream.m_nCapacity = size - *position;
    CStreamReader in(stream, "mechanoid network record");
    char name[32];
    SMechanoidEquipment config;
    std::vector<SMissileStock> missiles;
    SEqpImage slots[6], glider;
    float rating, shield, armor, energy;
    std::uint8_t outOfAction, halted;
    try
    {
        in.Bytes(name, 32);
        name[31] = 0;
        config.ReadImage(in);
        const std::uint32_t m = Limited(in, kMaxMissiles, "missile stock count");
        for (std::uint32_t i = 0; i < m; ++i)
        {
            SMissileStock entry;
            in.Bytes(entry.m_Type.m_Bytes, 32);
            entry.m_nCount = in.U32();
            missiles.push_back(entry);
        }
        for (SEqpImage& slot : slots)
            slot = CMMEqp::ReadImage(in, kStreamVersion, true);
        glider = CMMEqp::ReadImage(in, kStreamVersion, false);
        rating = F32(in);
        outOfAction = in.U8();
        halted = in.U8();
        shield = F32(in);
        armor = F32(in);
        energy = F32(in);
    }
    catch (const CStreamError& e)
    {
        g_ErrorLog.LogError("CMechanoid::GetNetBuffer: %s", e.what());
        throw;
    }
    *position += in.Offset();

    std::memcpy(m_szName, name, sizeof m_szName);
    m_gEqp = config;
    m_dwVersion = kStreamVersion;
    m_nMissileCount = 0;
    for (const SMissileStock& entry : missiles)
        m_Missiles[m_nMissileCount++] = entry;
    ConvertIds(false);
    // Fitting from the configuration rebuilds the stock from it; the stock
    // that was sent is the one the mechanoid carries.
    SMissileStock stock[kMaxMissiles];
    const std::uint32_t stockCount = m_nMissileCount;
    std::copy(m_Missiles, m_Missiles + stockCount, stock);
    InitConfig(-1, false);
    std::copy(stock, stock + stockCount, m_Missiles);
    m_nMissileCount = stockCount;
    CEquipment* items[6] = {&m_Reactor, &m_Reactor2, &m_Engine, &m_Engine2, &m_Shield, &m_Armor};
    for (int i = 0; i < 6; ++i)
    {
        items[i]->Restore(slots[i], kStreamVersion);
        items[i]->m_bFlag = slots[i].m_bFlag;
    }
    m_GliderData.Restore(glider, kStreamVersion);
    m_fRating = rating;
    m_bOutOfAction = outOfAction;
    m_bHalted = halted;
    m_fShield = shield;
    m_fArmor = armor;
    m_fEnergy = energy;
}
