// Equipment items: damage passed on, private records, the 41-byte record.
#include "UnitTestTables.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "units/Equipment.h"

#include <cstring>

using unittest::CUnitTables;

class EquipmentItem : public CUnitTables
{
};

TEST_F(EquipmentItem, DamageFillsTheDurabilityAndPassesTheRestOn)
{
    CEquipment item(STypeKey(Eqp("REACTOR_1"))); // durability 100
    float hit = 30;
    item.Damage(&hit);
    EXPECT_EQ(hit, 0.0f);
    EXPECT_TRUE(item.WasDamaged());
    EXPECT_FALSE(item.m_bDestroyed);
    hit = 80;
    item.Damage(&hit);
    EXPECT_FLOAT_EQ(hit, 10.0f);
    EXPECT_FLOAT_EQ(item.m_fDamage, 100.0f);
    EXPECT_TRUE(item.m_bDestroyed);

    CEquipment exact(STypeKey(Eqp("REACTOR_1")));
    hit = 100;
    exact.Damage(&hit);
    EXPECT_EQ(hit, 0.0f);
    EXPECT_TRUE(exact.m_bDestroyed);
    EXPECT_FLOAT_EQ(exact.GetDamageRatio(), 1.0f);

    CEquipment device(STypeKey(Eqp("EQP_BOOSTER"))); // durability 0
    EXPECT_EQ(device.GetDamageRatio(), 0.0f);

    exact.Assign(exact.m_Key, 0); // reassignment mends
    EXPECT_FALSE(exact.m_bDestroyed);
    EXPECT_FALSE(exact.WasDamaged());
}

TEST_F(EquipmentItem, ModifiedItemsOwnTheirRecordAndInvalidIdsHaveNone)
{
    const std::int32_t reactor = Eqp("REACTOR_1");
    CEquipment item;
    item.Assign(STypeKey(reactor), unittest::kReactorA);
    EXPECT_NE(item.GetParams(), g_EquipmentManager.GetEquipment(reactor));
    EXPECT_FLOAT_EQ(item.GetDurability(), 150.0f);
    EXPECT_FLOAT_EQ(item.GetWeight(), 75.0f);
    item.Assign(STypeKey(reactor), 0);
    EXPECT_EQ(item.GetParams(), g_EquipmentManager.GetEquipment(reactor));

    for (std::int32_t bad : {-7, g_EquipmentManager.GetCount()})
    {
        item.Assign(STypeKey(bad), unittest::kReactorA);
        EXPECT_EQ(item.GetIndex(), -1);
        EXPECT_FALSE(item.HasRecord());
        EXPECT_EQ(item.GetValue1(), 0.0f);
    }
    CEquipment none{STypeKey(-1)};
    EXPECT_FALSE(none.HasRecord());
    EXPECT_FALSE(none.WasDamaged());
}

TEST_F(EquipmentItem, GliderDataTakesTheGliderType)
{
    CGliderData hull;
    hull.Assign(STypeKey(0), 0);
    EXPECT_FLOAT_EQ(hull.GetDurability(), 200.0f);
    EXPECT_FLOAT_EQ(hull.GetWeight(), 100.0f);
    float hit = 250;
    hull.Damage(&hit);
    EXPECT_FLOAT_EQ(hit, 50.0f);
    EXPECT_TRUE(hull.m_bDestroyed);
}

namespace
{
// A record as older versions wrote it: the index in place of the name.
void WriteOld(CMemStream& s, std::uint8_t flag, std::int32_t index, float damage, bool withWord,
              std::uint32_t word)
{
    char name[32] = {};
    std::memcpy(name, &index, 4);
    s.Write(&flag, 1);
    s.Write(name, 32);
    s.Write(&damage, 4);
    if (withWord) s.Write(&word, 4);
}
} // namespace

TEST_F(EquipmentItem, RecordRoundTripsInEveryVersion)
{
    const std::int32_t reactor = Eqp("REACTOR_1");
    CEquipment item;
    item.Assign(STypeKey(reactor), unittest::kReactorA);
    item.m_bFlag = 1;
    float hit = 20;
    item.Damage(&hit);

    CMemStream saved;
    item.SaveToStream(saved);
    ASSERT_EQ(saved.m_nPosition, CEquipment::kRecordSize);
    EXPECT_STREQ(reinterpret_cast<const char*>(saved.m_pData + 1), "REACTOR_1");

    struct SCase
    {
        std::uint32_t version;
        bool byName;
        bool withWord;
    };
    for (const SCase& c :
         {SCase{260, true, true}, SCase{257, true, true}, SCase{256, false, true}, SCase{255, false, false}})
    {
        CMemStream s;
        if (c.byName)
            item.SaveToStream(s);
        else
            WriteOld(s, 1, reactor, 20.0f, c.withWord, unittest::kReactorA);
        s.m_nCapacity = s.m_nPosition; // the stream ends with the record
        s.m_nPosition = 0;
        CStreamReader in(s, "equipment");
        CEquipment back;
        back.LoadFromStream(in, c.version);
        EXPECT_EQ(in.Left(), 0u) << c.version;
        EXPECT_EQ(back.GetIndex(), reactor) << c.version;
        EXPECT_EQ(back.m_bFlag, 1) << c.version;
        EXPECT_FLOAT_EQ(back.m_fDamage, 20.0f) << c.version;
        EXPECT_TRUE(back.WasDamaged()) << c.version;
        EXPECT_EQ(back.m_dwModif, c.withWord ? unittest::kReactorA : 0u) << c.version;
        EXPECT_FLOAT_EQ(back.GetDurability(), c.withWord ? 150.0f : 100.0f) << c.version;
    }

    // No type is saved as "_DEFAULT_" and loads as none.
    CEquipment none;
    CMemStream s;
    none.SaveToStream(s);
    EXPECT_STREQ(reinterpret_cast<const char*>(s.m_pData + 1), "_DEFAULT_");
    s.m_nCapacity = s.m_nPosition;
    s.m_nPosition = 0;
    CStreamReader in(s, "equipment");
    CEquipment back;
    back.LoadFromStream(in, 260);
    EXPECT_EQ(back.GetIndex(), -1);
}

TEST_F(EquipmentItem, AShortRecordIsAnErrorAndChangesNothing)
{
    const std::int32_t engine = Eqp("ENGINE_1");
    CEquipment item;
    item.Assign(STypeKey(engine), 0);
    CMemStream saved;
    item.SaveToStream(saved);
    for (std::uint32_t length : {0u, 1u, 33u, 40u})
    {
        CMemStream s;
        s.Write(saved.m_pData, length);
        s.m_nCapacity = length;
        s.m_nPosition = 0;
        CStreamReader in(s, "equipment");
        CEquipment target;
        target.Assign(STypeKey(Eqp("REACTOR_1")), 0);
        EXPECT_THROW(target.LoadFromStream(in, 260), CStreamError) << length;
        EXPECT_EQ(target.GetIndex(), Eqp("REACTOR_1")) << length;
        EXPECT_EQ(s.m_nPosition, 0u) << length;
    }
}

TEST_F(EquipmentItem, GliderRecordIsNamedThroughTheGliderTable)
{
    CGliderData hull;
    hull.Assign(STypeKey(g_GliderManager.FindName("GL_LIGHT")), 0);
    float hit = 30;
    hull.Damage(&hit);
    CMemStream s;
    hull.SaveToStream(s);
    ASSERT_EQ(s.m_nPosition, CMMEqp::kRecordSize);
    EXPECT_STREQ(reinterpret_cast<const char*>(s.m_pData), "GL_LIGHT");
    s.m_nCapacity = s.m_nPosition;
    s.m_nPosition = 0;
    CStreamReader in(s, "glider");
    CGliderData back;
    back.LoadFromStream(in, 260);
    EXPECT_EQ(back.GetIndex(), g_GliderManager.FindName("GL_LIGHT"));
    EXPECT_FLOAT_EQ(back.m_fDamage, 30.0f);
    EXPECT_FLOAT_EQ(back.GetWeight(), 100.0f);
}
