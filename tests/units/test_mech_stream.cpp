// The mechanoid record of every version, byte for byte as the test writes
// it, the configuration record, the index/name conversion and the network
// record; damaged records are refused whole.
#include "MechConfigFixture.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

using unittest::CMechConfigTest;

namespace
{

// Little-endian bytes, with the offsets of named fields remembered.
class CBytes
{
public:
    CBytes& U32(std::uint32_t v) { return Raw(&v, 4); }
    CBytes& F32(float v) { return Raw(&v, 4); }
    CBytes& U8(std::uint8_t v) { return Raw(&v, 1); }
    CBytes& Name(const char* name)
    {
        char field[32] = {};
        std::strncpy(field, name, 31);
        return Raw(field, 32);
    }
    // A 32-byte key holding an index in its first word.
    CBytes& Index(std::int32_t index)
    {
        char field[32] = {};
        std::memcpy(field, &index, 4);
        return Raw(field, 32);
    }
    CBytes& Raw(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        m_Bytes.insert(m_Bytes.end(), b, b + n);
        return *this;
    }
    CBytes& Mark(const char* field)
    {
        m_Offsets[field] = m_Bytes.size();
        return *this;
    }
    void Patch(const char* field, std::uint32_t v) { std::memcpy(&m_Bytes[m_Offsets.at(field)], &v, 4); }

    std::vector<std::uint8_t> m_Bytes;
    std::map<std::string, std::size_t> m_Offsets;
};

void Fill(CMemStream& s, const std::vector<std::uint8_t>& bytes)
{
    s.Allocate(std::uint32_t(bytes.size()));
    if (!bytes.empty()) std::memcpy(s.m_pData, bytes.data(), bytes.size());
}

class MechStream : public CMechConfigTest
{
protected:
    // An item: type named (above 256) or by index, damage, word (from 256).
    void Item(CBytes& b, std::uint32_t version, const DefaultManager& table, const char* name, float damage,
              std::uint32_t word, int flag)
    {
        if (flag >= 0) b.U8(std::uint8_t(flag));
        if (version > 256)
            b.Name(name);
        else
            b.Index(table.FindName(name));
        b.F32(damage);
        if (version >= 256) b.U32(word);
    }

    // The sample mechanoid's record as the given version lays it out. Before
    // 260 the missile stock repeats the rocket with another count.
    CBytes Record(std::uint32_t version)
    {
        CBytes b;
        if (version >= 256) b.U32(version);
        b.Mark("add").U32(1);
        Item(b, version, g_EquipmentManager, "EQP_ACCUMULATOR", 0.0f, 0, 1);
        b.F32(123.5f).U32(7).U8(0).U8(1).F32(50.0f).F32(150.0f).F32(200.0f).U8(0).U32(0);
        if (version < 256) b.U32(0xDEADBEEF);
        // The configuration record: keys named, lists by index.
        b.U32(3).U8(0);
        const char* keys[CFG_COUNT] = {"GL_LIGHT", "GUN_LASER", "_DEFAULT_", "REACTOR_1", "_DEFAULT_",
                                       "ENGINE_1", "_DEFAULT_", "SHIELD_1",  "ARMOR_1"};
        for (int k = 0; k < CFG_COUNT; ++k)
            b.Name(keys[k]).U32(k == CFG_REACTOR ? unittest::kReactorA : 0);
        b.Mark("cfg equipment").U32(1).Index(Eqp("EQP_ACCUMULATOR"));
        b.Mark("cfg missiles").U32(1).Index(Missile("MIS_ROCKET"));
        b.Mark("cfg counts").U32(1).U32(10);
        if (version >= 256)
        {
            Item(b, version, g_EquipmentManager, "REACTOR_1", 10.0f, unittest::kReactorA, 0);
            Item(b, version, g_EquipmentManager, "_DEFAULT_", 0.0f, 0, 0);
            Item(b, version, g_EquipmentManager, "ENGINE_1", 0.0f, 0, 0);
            Item(b, version, g_EquipmentManager, "_DEFAULT_", 0.0f, 0, 0);
            Item(b, version, g_EquipmentManager, "SHIELD_1", 0.0f, 0, 1);
            Item(b, version, g_EquipmentManager, "ARMOR_1", 5.0f, 0, 0);
            Item(b, version, g_GliderManager, "GL_LIGHT", 20.0f, 0, -1);
        }
        const bool named = version >= 259;
        auto missile = [&](const char* name, std::uint32_t count)
        {
            if (named)
                b.Name(name);
            else
                b.Index(Missile(name));
            b.U32(count);
        };
        b.Mark("missiles").U32(version < 260 ? 3 : 2);
        missile("MIS_ROCKET", 5);
        missile("MIS_MINE", 2);
        if (version < 260) missile("MIS_ROCKET", 9);
        b.F32(1000.0f).Mark("cargo").U32(1).U32(0).Name("TOV_ORE").U32(3).U32(3).F32(10.0f);
        if (version >= 258)
            for (int d = 0; d < EQP_COUNT; ++d)
                b.U32(d == EQP_ACCUMULATOR ? 1 : 0)
                    .U8(d == EQP_ACCUMULATOR)
                    .U8(0)
                    .U8(0)
                    .U8(0)
                    .F32(d == EQP_ACCUMULATOR ? 2.5f : 0.0f);
        return b;
    }

    static void Load(CMechanoid& m, const std::vector<std::uint8_t>& bytes)
    {
        CMemStream s;
        Fill(s, bytes);
        m.LoadFromStream(s);
    }
};

} // namespace

TEST_F(MechStream, Version260IsWrittenByteForByte)
{
    const CBytes expected = Record(260);
    CMechanoid m;
    Load(m, expected.m_Bytes);
    CMemStream out;
    m.SaveToStream(out);
    ASSERT_EQ(out.m_nPosition, expected.m_Bytes.size());
    EXPECT_EQ(std::vector<std::uint8_t>(out.m_pData, out.m_pData + out.m_nPosition), expected.m_Bytes);
    // The keys are indices again after writing.
    EXPECT_EQ(m.m_gEqp.m_Config[CFG_GLIDER].m_Key.Index(), Glider("GL_LIGHT"));
    EXPECT_EQ(m.m_Missiles[1].m_Type.Index(), Missile("MIS_MINE"));
}

TEST_F(MechStream, EveryVersionLoads)
{
    // Below 256 the first word is the additional count: 1.
    for (std::uint32_t version : {1u, 256u, 257u, 258u, 259u, 260u})
    {
        SCOPED_TRACE(version);
        CMechanoid m;
        std::strcpy(m.m_gEqp.m_szName, "KEPT");
        Load(m, Record(version).m_Bytes);
        EXPECT_EQ(m.m_dwVersion, version);
        ASSERT_EQ(m.m_nAddCount, 1);
        EXPECT_EQ(m.GetAddEquipment(0)->GetIndex(), Eqp("EQP_ACCUMULATOR"));
        EXPECT_EQ(m.GetAddEquipment(0)->m_bFlag, 1);
        EXPECT_FLOAT_EQ(m.m_fRating, 123.5f);
        EXPECT_EQ(m.m_bHalted, 1);
        EXPECT_FLOAT_EQ(m.m_fArmor, 150.0f);
        EXPECT_STREQ(m.m_gEqp.m_szName, "KEPT"); // not part of the record
        EXPECT_EQ(m.m_gEqp.m_Config[CFG_GLIDER].m_Key.Index(), Glider("GL_LIGHT"));
        EXPECT_EQ(m.m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index(), Gun("GUN_LASER"));
        EXPECT_EQ(m.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index(), -1);
        EXPECT_EQ(m.m_GliderData.GetIndex(), Glider("GL_LIGHT"));
        EXPECT_EQ(m.m_Reactor.GetIndex(), Eqp("REACTOR_1"));
        if (version >= 256)
        {
            EXPECT_EQ(m.m_Reactor.m_dwModif, unittest::kReactorA);
            EXPECT_FLOAT_EQ(m.m_Reactor.m_fDamage, 10.0f);
            EXPECT_FLOAT_EQ(m.m_GliderData.m_fDamage, 20.0f);
            EXPECT_EQ(m.m_Shield.m_bFlag, 1);
        }
        else
        {
            // The oldest layout re-fits the slots from the keys, undamaged.
            EXPECT_EQ(m.m_Reactor.m_dwModif, 0u);
            EXPECT_FLOAT_EQ(m.m_Reactor.m_fDamage, 0.0f);
            EXPECT_FLOAT_EQ(m.m_GliderData.m_fDamage, 0.0f);
        }
        EXPECT_EQ(m.m_Engine.GetIndex(), Eqp("ENGINE_1"));
        EXPECT_EQ(m.m_Armor.GetIndex(), Eqp("ARMOR_1"));
        // One entry per name; before 260 the first count of a repeated name stays.
        ASSERT_EQ(m.m_nMissileCount, 2u);
        EXPECT_EQ(m.m_Missiles[0].m_Type.Index(), Missile("MIS_ROCKET"));
        EXPECT_EQ(m.m_Missiles[0].m_nCount, 5u);
        EXPECT_EQ(m.m_Missiles[1].m_Type.Index(), Missile("MIS_MINE"));
        EXPECT_FLOAT_EQ(m.m_Garbage.m_fMoney, 1000.0f);
        ASSERT_EQ(m.m_Garbage.GetCount(), 1);
        EXPECT_STREQ(m.m_Garbage.m_Items[0].m_szName, "TOV_ORE");
        // Device states from 258 on; cleared before.
        EXPECT_EQ(m.m_Devices[EQP_ACCUMULATOR].m_nIndex, version >= 258 ? 1u : 0u);
        EXPECT_FLOAT_EQ(m.m_Devices[EQP_ACCUMULATOR].m_fTimer, version >= 258 ? 2.5f : 0.0f);
    }
}

TEST_F(MechStream, ReferencesSurviveARoundTrip)
{
    CMechanoid a;
    a.InitConfig(Config("CFG_SCOUT"), false);
    a.AddToConfig("GL_WIDE", "", 1, 0, false);
    a.m_Engine2.Assign(STypeKey(Eqp("ENGINE_1")), unittest::kEngineA);
    CMemStream s;
    a.SaveToStream(s);
    s.m_nPosition = 0;
    CMechanoid b;
    b.LoadFromStream(s);
    for (int k = 0; k < CFG_COUNT; ++k)
    {
        EXPECT_EQ(b.m_gEqp.m_Config[k].m_Key.Index(), a.m_gEqp.m_Config[k].m_Key.Index()) << k;
        EXPECT_EQ(b.m_gEqp.m_Config[k].m_dwModif, a.m_gEqp.m_Config[k].m_dwModif) << k;
    }
    EXPECT_EQ(b.m_GliderData.GetIndex(), Glider("GL_WIDE"));
    EXPECT_EQ(b.m_Engine2.m_dwModif, unittest::kEngineA);
    ASSERT_EQ(b.m_nMissileCount, a.m_nMissileCount);
    for (std::uint32_t i = 0; i < a.m_nMissileCount; ++i)
        EXPECT_EQ(b.m_Missiles[i].m_Type.Index(), a.m_Missiles[i].m_Type.Index());
}

TEST_F(MechStream, ConvertIdsBothWaysWithUnknownNames)
{
    CMechanoid m;
    m.m_gEqp.m_Config[CFG_GLIDER].m_Key.SetIndex(99);
    m.m_gEqp.m_Config[CFG_REACTOR].m_Key.SetIndex(Eqp("REACTOR_2"));
    m.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.SetIndex(Gun("GUN_ROCKET"));
    m.m_Missiles[0].m_Type.SetIndex(Missile("MIS_MINE"));
    m.m_nMissileCount = 1;
    m.ConvertIds(true);
    auto name = [](const STypeKey& key) { return std::string(reinterpret_cast<const char*>(key.m_Bytes)); };
    EXPECT_EQ(name(m.m_gEqp.m_Config[CFG_GLIDER].m_Key), "_DEFAULT_");
    EXPECT_EQ(name(m.m_gEqp.m_Config[CFG_REACTOR].m_Key), "REACTOR_2");
    EXPECT_EQ(name(m.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key), "GUN_ROCKET");
    EXPECT_EQ(name(m.m_Missiles[0].m_Type), "MIS_MINE");
    std::memset(m.m_gEqp.m_Config[CFG_SHIELD].m_Key.m_Bytes, 0, 32);
    std::strcpy(reinterpret_cast<char*>(m.m_gEqp.m_Config[CFG_SHIELD].m_Key.m_Bytes), "NO_SUCH_SHIELD");
    m.ConvertIds(false);
    EXPECT_EQ(m.m_gEqp.m_Config[CFG_GLIDER].m_Key.Index(), -1);
    EXPECT_EQ(m.m_gEqp.m_Config[CFG_REACTOR].m_Key.Index(), Eqp("REACTOR_2"));
    EXPECT_EQ(m.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index(), Gun("GUN_ROCKET"));
    EXPECT_EQ(m.m_gEqp.m_Config[CFG_SHIELD].m_Key.Index(), -1);
    EXPECT_EQ(m.m_Missiles[0].m_Type.Index(), Missile("MIS_MINE"));
    // A mechanoid read from an older record keeps its stock as indices.
    m.m_dwVersion = 258;
    m.ConvertIds(true);
    EXPECT_EQ(m.m_Missiles[0].m_Type.Index(), Missile("MIS_MINE"));
}

TEST_F(MechStream, GliderRecordsNamedThroughTheEquipmentTableStillLoad)
{
    // The glider's index 0 under the equipment table's name of row 0.
    ASSERT_EQ(Eqp("REACTOR_1"), 0);
    CBytes b;
    Item(b, 260, g_EquipmentManager, "REACTOR_1", 0.0f, 0, -1);
    CMemStream s;
    Fill(s, b.m_Bytes);
    CStreamReader in(s, "glider");
    CGliderData glider;
    glider.LoadFromStream(in, 260);
    EXPECT_EQ(glider.GetIndex(), Glider("GL_LIGHT"));
}

TEST_F(MechStream, DamagedRecordsAreRefusedWhole)
{
    struct SCase
    {
        const char* field;
        std::uint32_t value;
        const char* reason;
    } cases[] = {
        {"add", 36, "additional count 36 is above 35"},
        {"cfg equipment", 36, "configuration equipment count 36 is above 35"},
        {"cfg missiles", 5, "configuration missile count 5 is above 4"},
        {"cfg counts", 5, "configuration missile count count 5 is above 4"},
        {"missiles", 16, "missile stock count 16 is above 15"},
        {"cargo", 0x10000000, "cargo entry count 268435456 needs"},
    };
    std::vector<std::vector<std::uint8_t>> inputs;
    for (const SCase& c : cases)
    {
        CBytes b = Record(260);
        b.Patch(c.field, c.value);
        inputs.push_back(b.m_Bytes);
    }
    CBytes newer = Record(260);
    newer.m_Bytes[0] = 5; // version 261
    inputs.push_back(newer.m_Bytes);
    // Every cut of a whole record.
    const std::vector<std::uint8_t> whole = Record(260).m_Bytes;
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        inputs.emplace_back(whole.begin(), whole.begin() + std::ptrdiff_t(cut));

    for (std::size_t i = 0; i < inputs.size(); ++i)
    {
        SCOPED_TRACE(i);
        CMechanoid m;
        m.m_fRating = 42.0f;
        m.AddEquipment(STypeKey(Eqp("EQP_BOOSTER")), 0);
        EXPECT_THROW(Load(m, inputs[i]), CStreamError);
        EXPECT_FLOAT_EQ(m.m_fRating, 42.0f);
        ASSERT_EQ(m.m_nAddCount, 1);
        EXPECT_EQ(m.GetAddEquipment(0)->GetIndex(), Eqp("EQP_BOOSTER"));
    }
    const std::string log = ReadText("error.log");
    for (const SCase& c : cases)
        EXPECT_NE(log.find(c.reason), std::string::npos) << c.reason;
    EXPECT_NE(
        log.find("CMechanoid::LoadFromStream: mechanoid record at byte 4: version 261 is newer than 260"),
        std::string::npos);
}

TEST_F(MechStream, NetworkRecordCarriesTheFittingByName)
{
    CMechanoid a;
    std::strcpy(a.m_szName, "PILOT");
    a.InitConfig(Config("CFG_SCOUT"), false);
    a.m_Reactor.Assign(STypeKey(Eqp("REACTOR_2")), unittest::kReactorB);
    float hit = 30.0f;
    a.m_Reactor.Damage(&hit);
    a.m_Missiles[0].m_nCount = 3;
    a.m_fShield = 12.0f;
    a.m_fRating = 77.0f;
    a.m_bHalted = 1;
    std::vector<std::uint8_t> buffer(4000, 0xEE);
    std::uint32_t put = 10;
    a.PutNetBuffer(buffer.data(), std::uint32_t(buffer.size()), &put);
    EXPECT_EQ(put, 10u + 32 + SMechanoidEquipment::kImageSize + 4 + 2 * 36 + 6 * 41 + 40 + 4 + 2 + 12);
    // Where the names stand: the mechanoid's, the image's glider key, the
    // first missile, the reactor after its flag byte, the glider record.
    auto text = [&buffer](std::size_t at) { return std::string(reinterpret_cast<const char*>(&buffer[at])); };
    const std::size_t image = 10 + 32;
    const std::size_t stock = image + SMechanoidEquipment::kImageSize;
    EXPECT_EQ(text(10), "PILOT");
    EXPECT_EQ(text(image + offsetof(SMechanoidEquipment, m_Config)), "GL_LIGHT");
    EXPECT_EQ(text(image + offsetof(SMechanoidEquipment, m_Config) + CFG_REACTOR * 36), "REACTOR_2");
    EXPECT_EQ(text(stock + 4), "MIS_ROCKET");
    EXPECT_EQ(text(stock + 4 + 2 * 36 + 1), "REACTOR_2");
    EXPECT_EQ(text(stock + 4 + 2 * 36 + 6 * 41), "GL_LIGHT");
    // The keys are indices again after writing.
    EXPECT_EQ(a.m_gEqp.m_Config[CFG_GLIDER].m_Key.Index(), Glider("GL_LIGHT"));

    CMechanoid b;
    std::uint32_t get = 10;
    b.GetNetBuffer(buffer.data(), put, &get);
    EXPECT_EQ(get, put);
    EXPECT_STREQ(b.m_szName, "PILOT");
    EXPECT_EQ(b.m_Reactor.GetIndex(), Eqp("REACTOR_2"));
    EXPECT_EQ(b.m_Reactor.m_dwModif, unittest::kReactorB);
    EXPECT_FLOAT_EQ(b.m_Reactor.m_fDamage, 30.0f);
    EXPECT_EQ(b.m_GliderData.GetIndex(), Glider("GL_LIGHT"));
    EXPECT_EQ(b.m_Engine.GetIndex(), Eqp("ENGINE_1"));
    EXPECT_EQ(b.m_nAddCount, 1);
    ASSERT_EQ(b.m_nMissileCount, 2u);
    EXPECT_EQ(b.m_Missiles[0].m_Type.Index(), Missile("MIS_ROCKET"));
    EXPECT_EQ(b.m_Missiles[0].m_nCount, 3u); // the stock sent, not the configuration's
    EXPECT_FLOAT_EQ(b.m_fShield, 12.0f);
    EXPECT_FLOAT_EQ(b.m_fRating, 77.0f);
    EXPECT_EQ(b.m_bHalted, 1);

    // A buffer too small takes nothing.
    std::uint32_t small = 0;
    EXPECT_THROW(a.PutNetBuffer(buffer.data(), 100, &small), CStreamError);
    EXPECT_EQ(small, 0u);

    // Damaged: cut short anywhere, or a configuration count past its limit.
    std::vector<std::vector<std::uint8_t>> damaged;
    for (std::uint32_t cut = 10; cut < put; cut += 7)
        damaged.emplace_back(buffer.begin(), buffer.begin() + cut);
    std::vector<std::uint8_t> counted(buffer.begin(), buffer.begin() + put);
    const std::int32_t tooMany = 36;
    std::memcpy(&counted[10 + 32 + offsetof(SMechanoidEquipment, m_nEquipmentCount)], &tooMany, 4);
    damaged.push_back(counted);
    for (const auto& bytes : damaged)
    {
        CMechanoid c;
        std::strcpy(c.m_szName, "OTHER");
        std::uint32_t at = 10;
        EXPECT_THROW(c.GetNetBuffer(bytes.data(), std::uint32_t(bytes.size()), &at), CStreamError);
        EXPECT_EQ(at, 10u);
        EXPECT_STREQ(c.m_szName, "OTHER");
    }
    EXPECT_NE(ReadText("error.log").find("configuration image: equipment count 36 is not in 0..35"),
              std::string::npos);
}
