// Small records several subsystems share: the configuration entry copy,
// the fixed keyed list of the missile stock and the cargo hold's count test.
#include "common/LogDirTest.h"

#include "units/Garbage.h"
#include "units/GuidKeyList.h"
#include "units/MechanoidEquipment.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

class SharedRecords : public testutil::CLogDirTest
{
};

SGuidKeyEntry Entry(std::int32_t index, std::uint32_t value)
{
    SGuidKeyEntry e;
    e.m_Key = STypeKey(index);
    e.m_nValue = value;
    return e;
}

TEST_F(SharedRecords, ConfigurationsCopyWholeAndOntoThemselves)
{
    SMechanoidEquipment source;
    for (int i = 0; i < CFG_COUNT; ++i)
        source.m_Config[i] = SMechConfig{STypeKey(i % 3 == 0 ? -1 : i), std::uint32_t(0x100 + i)};
    std::memcpy(source.m_Config[4].m_Key.m_Bytes + 4, "tail", 4); // bytes past the index go along
    SMechanoidEquipment copy;
    for (int i = 0; i < CFG_COUNT; ++i)
        copy.m_Config[i] = source.m_Config[i];
    EXPECT_EQ(std::memcmp(copy.m_Config, source.m_Config, sizeof copy.m_Config), 0);
    EXPECT_EQ(copy.m_Config[0].m_Key.Index(), -1);

    SMechConfig& self = copy.m_Config[4];
    const SMechConfig before = self;
    const SMechConfig& alias = self;
    self = alias;
    EXPECT_EQ(std::memcmp(&self, &before, sizeof self), 0);
}

TEST_F(SharedRecords, TheKeyedListTakesFifteenEntriesAndRefusesTheSixteenth)
{
    CGuidKeyList list;
    for (int i = 0; i < 14; ++i)
        ASSERT_TRUE(list.Add(Entry(i, 1)));
    // An item already listed gets a second entry: merging is the caller's.
    ASSERT_TRUE(list.Add(Entry(3, 7)));
    EXPECT_EQ(list.m_nCount, 15);
    EXPECT_EQ(list.m_Entries[14].m_Key.Index(), 3);
    EXPECT_EQ(list.m_Entries[14].m_nValue, 7u);

    EXPECT_FALSE(list.Add(Entry(99, 5)));
    EXPECT_EQ(list.m_nCount, 15);
    EXPECT_EQ(list.m_Entries[14].m_Key.Index(), 3);
    EXPECT_NE(ReadText("error.log").find("CGuidKeyList::Add: the list holds 15 entries, no room for item 99"),
              std::string::npos);
}

TEST_F(SharedRecords, CargoCountsAddUpOverEntriesOfTheSameItem)
{
    CGarbage hold;
    SItemRec a;
    a.m_nKind = ITEM_UNIQUE;
    std::strcpy(a.m_szName, "TOV_RELIC");
    a.m_nCount = 2;
    SItemRec b = a;
    b.m_nCount = 3;
    SItemRec other = a;
    other.m_nKind = ITEM_GOODS; // same name, another kind: not counted
    other.m_nCount = 100;
    hold.m_Items = {a, other, b};
    const struct
    {
        std::int32_t count;
        bool has;
    } cases[] = {{5, true}, {6, false}, {1, true}};
    for (const auto& c : cases)
        EXPECT_EQ(hold.HasGoods("TOV_RELIC", ITEM_UNIQUE, c.count), c.has) << c.count;
    EXPECT_FALSE(hold.HasGoods("TOV_RELI", ITEM_UNIQUE, 1)) << "whole names only";
    EXPECT_FALSE(CGarbage().HasGoods("TOV_RELIC", ITEM_UNIQUE, 1));
}

TEST_F(SharedRecords, CargoEntriesGrowByFiveAndCloseUpOnRemoval)
{
    CItemRecArray items;
    EXPECT_EQ(items.capacity(), CItemRecArray::kGrowBy);
    for (std::int32_t i = 0; i < 6; ++i)
        items.Add(SItemRec{ITEM_GOODS, "TOV_ORE", i, 0, 1.0f});
    EXPECT_EQ(items.capacity(), 2 * CItemRecArray::kGrowBy); // by the step, not doubled
    items.RemoveAt(1);
    items.RemoveAt(99); // past the count: nothing
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].m_nCount, 0);
    EXPECT_EQ(items[1].m_nCount, 2);
    EXPECT_EQ(items[4].m_nCount, 5);
}

} // namespace
