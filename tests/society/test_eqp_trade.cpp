// The equipment stock: prices per table and with modifiers, sales and
// purchases, the hourly restock, configurations, the TRADEEQP stream of
// each version and the diagnostic list.
#include "units/MechConfigFixture.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "society/EqpTrade.h"

#include <cmath>
#include <limits>
#include <cstring>
#include <string>
#include <vector>

using unittest::CMechConfigTest;

namespace
{

class EqpTrade : public CMechConfigTest
{
protected:
    std::int32_t Count(const char* building, const char* name, std::uint32_t modif = 0)
    {
        CEqpTrade::SBuilding* b = m_Trade.FindBuilding(building);
        const SEqpItem* item = b ? CEqpTrade::Find(b->m_Items, name, modif) : nullptr;
        return item ? item->m_nCount : -100; // -100: not offered
    }
    static SEqpItem Item(const char* name, std::uint32_t kind, std::uint32_t modif, float price,
                         std::int32_t count, float rate)
    {
        SEqpItem item;
        std::strcpy(item.m_szName, name);
        item.m_dwKind = kind;
        item.m_dwModif = modif;
        item.m_fPrice = price;
        item.m_nCount = count;
        item.m_fRate = rate;
        return item;
    }

    CEqpTrade m_Trade;
};

void Put32(CMemStream& s, std::uint32_t v)
{
    s.Write(&v, 4);
}

void PutItem(CMemStream& s, const SEqpItem& item, std::uint32_t version)
{
    s.Write(&item, version >= 2 ? 52 : 48);
}

} // namespace

TEST_F(EqpTrade, PricesComeFromTheFirstTableThatKnowsTheName)
{
    struct SCase
    {
        const char* name;
        std::uint32_t modif;
        float price;
        std::uint32_t kind;
    } cases[] = {
        {"GL_WIDE", 0, 8000.0f, 1},
        {"REACTOR_1", 0, 500.0f, 2},
        {"GUN_ROCKET", 0, 3000.0f, 3},
        {"MIS_MINE", 0, 80.0f, 4},
        {"M_REACTOR_A", 0, 0.0f, 2},
        {"M_GUN_RATE", 0, 0.0f, 3},
        {"NO_SUCH_THING", 0, -1.0f, 0},
        // With modifiers: (K_CHANGE_PRICE - 1) x base for each property,
        // as the equipment table's own prices.
        {"REACTOR_1", unittest::kReactorA, 1000.0f, 2},
        {"GUN_LASER", unittest::kGunRate | unittest::kGunDamage, 1000.0f * (1.0f + 0.2f + 0.5f), 3},
        // A factor that takes the whole price and more gives 0.
        {"REACTOR_1", unittest::kReactorB, 0.0f, 2},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::uint32_t kind = 77;
        EXPECT_FLOAT_EQ(m_Trade.GetEqpPrice(c.name, &kind, c.modif), c.price);
        EXPECT_EQ(kind, c.kind);
    }
    SEquipmentParameters modified;
    g_EquipmentManager.GetParam(&modified, Eqp("REACTOR_1"), unittest::kReactorA);
    std::uint32_t kind = 0;
    EXPECT_FLOAT_EQ(m_Trade.GetEqpPrice("REACTOR_1", &kind, unittest::kReactorA), modified.m_fPrice);
}

TEST_F(EqpTrade, SoldAndBoughtByRestockRate)
{
    m_Trade.AddEqpToBuiding("HALL", "REACTOR_1", 1, 0, 0.0f);
    m_Trade.AddEqpToBuiding("HALL", "ENGINE_1", 1, 0, 2.0f);
    m_Trade.AddEqpToBuiding("HALL", "NO_SUCH_THING", 1, 0, 0.0f);
    m_Trade.AddEqpToBuiding("HALL", "REACTOR_1", 2, 0, 0.0f);
    EXPECT_EQ(Count("HALL", "REACTOR_1"), 3);
    EXPECT_EQ(Count("HALL", "NO_SUCH_THING"), -100);

    // The last one bought: without a rate the item goes, with one it stays at 0.
    m_Trade.OnBoughtEqp("HALL", "REACTOR_1", 3, 0);
    m_Trade.OnBoughtEqp("HALL", "ENGINE_1", 1, 0);
    EXPECT_EQ(Count("HALL", "REACTOR_1"), -100);
    EXPECT_EQ(Count("HALL", "ENGINE_1"), 0);
    m_Trade.OnBoughtEqp("HALL", "ENGINE_1", 1, 0); // none left: nothing
    m_Trade.OnBoughtEqp("NOWHERE", "ENGINE_1", 1, 0);
    EXPECT_EQ(Count("HALL", "ENGINE_1"), 0);
    EXPECT_EQ(m_Trade.FindBuilding("NOWHERE"), nullptr);

    // Sold: to the building's item, as a new item, to a new building; an
    // item the common list offers without limit is not kept.
    m_Trade.OnSoldEqp("HALL", "ENGINE_1", 2, 0);
    m_Trade.OnSoldEqp("HALL", "REACTOR_1", 1, unittest::kReactorA);
    m_Trade.OnSoldEqp("DEPOT", "GUN_LASER", 1, 0);
    m_Trade.AddEqp("ARMOR_1", 2u, 0u);
    m_Trade.OnSoldEqp("HALL", "ARMOR_1", 1, 0);
    EXPECT_EQ(Count("HALL", "ENGINE_1"), 2);
    EXPECT_EQ(Count("HALL", "REACTOR_1", unittest::kReactorA), 1);
    EXPECT_EQ(Count("HALL", "REACTOR_1"), -100);
    EXPECT_EQ(Count("DEPOT", "GUN_LASER"), 1);
    EXPECT_EQ(Count("HALL", "ARMOR_1"), -100);
    const SEqpItem* sold =
        CEqpTrade::Find(m_Trade.FindBuilding("HALL")->m_Items, "REACTOR_1", unittest::kReactorA);
    EXPECT_EQ(sold->m_dwKind, 2u);
    EXPECT_FLOAT_EQ(sold->m_fPrice, 1000.0f);
    EXPECT_EQ(sold->m_fRate, 0.0f);
    // Buying what the common list offers changes no building.
    m_Trade.AddEqp("ENGINE_1", 0u, 1.0f);
    m_Trade.OnBoughtEqp("HALL", "ENGINE_1", 1, 0);
    EXPECT_EQ(Count("HALL", "ENGINE_1"), 2);

    std::int32_t common, buildings, items;
    m_Trade.GetEqpCounts(&common, &buildings, &items);
    EXPECT_EQ(common, 2);
    EXPECT_EQ(buildings, 2);
    EXPECT_EQ(items, 3);

    // The building's own items first, then the common ones, priced anew.
    CEqpTrade::Find(m_Trade.m_Common, "ARMOR_1", 0)->m_fPrice = 1.0f;
    std::vector<SEqpConsoleItem> list;
    ASSERT_EQ(m_Trade.GetEqpList("DEPOT", list), 3);
    EXPECT_STREQ(list[0].m_szName, "GUN_LASER");
    EXPECT_STREQ(list[1].m_szName, "ARMOR_1");
    EXPECT_FLOAT_EQ(list[1].m_fPrice, 200.0f);
    EXPECT_EQ(list[1].m_nCount, -1);
    EXPECT_EQ(m_Trade.GetEqpList("NOWHERE", list), 2);
}

TEST_F(EqpTrade, CommonListAdditions)
{
    m_Trade.AddEqp("REACTOR_1", 0u, 0.5f);
    m_Trade.AddEqp("REACTOR_1", 0u, 0.25f);
    ASSERT_EQ(m_Trade.m_Common.size(), 1u);
    EXPECT_FLOAT_EQ(m_Trade.m_Common[0].m_fRate, 0.75f);
    EXPECT_EQ(m_Trade.m_Common[0].m_nCount, -1);
    // The unlimited form resets the rate; an unknown item is ignored.
    m_Trade.AddEqp("REACTOR_1", 2u, 0u);
    m_Trade.AddEqp("NO_SUCH_THING", 2u, 0u);
    ASSERT_EQ(m_Trade.m_Common.size(), 1u);
    EXPECT_EQ(m_Trade.m_Common[0].m_fRate, 0.0f);
    // Nothing reaches a building's list while the common list has it.
    m_Trade.AddEqpToBuiding("HALL", "REACTOR_1", 3, 0, 0.0f);
    EXPECT_EQ(m_Trade.FindBuilding("HALL"), nullptr);
}

TEST_F(EqpTrade, RestockFollowsTheRate)
{
    // Rates of 120 and more add one every hour, whatever else happens;
    // small rates rarely; 0 and unlimited items never change.
    m_Trade.m_Buildings.push_back(
        {"HALL",
         {Item("A", 2, 0, 1, 0, 120.0f), Item("B", 2, 0, 1, 0, 1000.0f), Item("C", 2, 0, 1, 0, 0.5f),
          Item("D", 2, 0, 1, 5, 0.0f), Item("E", 2, 0, 1, -1, 50.0f), Item("F", 2, 0, 1, 0, 12.0f)}});
    g_Random.SetState(2024);
    const int hours = 800;
    for (int h = 0; h < hours; ++h)
        m_Trade.RestockEqp();
    const auto& items = m_Trade.m_Buildings[0].m_Items;
    // One in eight hours takes one away.
    for (int i : {0, 1})
    {
        EXPECT_LE(items[i].m_nCount, hours);
        EXPECT_GE(items[i].m_nCount, hours - hours / 8 - 40);
    }
    EXPECT_LT(items[2].m_nCount, 10); // n = 240
    EXPECT_EQ(items[3].m_nCount, 5);
    EXPECT_EQ(items[4].m_nCount, -1);
    EXPECT_LT(items[5].m_nCount, 40); // n = 10: about 80 come, about 100 chances to go
    // The same seed gives the same stock.
    std::vector<std::int32_t> first;
    for (const SEqpItem& item : items)
        first.push_back(item.m_nCount);
    for (SEqpItem& item : m_Trade.m_Buildings[0].m_Items)
        item.m_nCount = item.m_nCount < 0 ? -1 : (item.m_fRate == 0.0f ? 5 : 0);
    g_Random.SetState(2024);
    for (int h = 0; h < hours; ++h)
        m_Trade.RestockEqp();
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i].m_nCount, first[i]) << i;
}

TEST_F(EqpTrade, StreamsOfEveryVersion)
{
    m_Trade.AddEqp("GL_LIGHT", 1u, 0u);
    m_Trade.AddEqpToBuiding("HALL", "M_REACTOR_A", 2, 0, 0.0f);
    m_Trade.AddEqpToBuiding("HALL", "REACTOR_1", 1, unittest::kReactorA, 3.0f);
    m_Trade.AddEqpToBuiding("DEPOT", "GUN_LASER", 4, 0, 0.0f);
    CMemStream out;
    m_Trade.SaveToStream(out);
    // 4 + 4 + 52 + 4 + 2 x (32 + 4) + 2 x 52 + 52
    EXPECT_EQ(out.m_nPosition, 4u + 4 + 52 + 4 + 72 + 104 + 52);
    // Byte for byte: version, the common item, the first building's name,
    // count and its second item.
    auto u32 = [&out](std::size_t at)
    {
        std::uint32_t v;
        std::memcpy(&v, out.m_pData + at, 4);
        return v;
    };
    auto f32 = [&out](std::size_t at)
    {
        float v;
        std::memcpy(&v, out.m_pData + at, 4);
        return v;
    };
    auto text = [&out](std::size_t at)
    { return std::string(reinterpret_cast<const char*>(out.m_pData + at)); };
    EXPECT_EQ(u32(0), 3u);
    EXPECT_EQ(u32(4), 1u);
    EXPECT_EQ(text(8), "GL_LIGHT");
    EXPECT_EQ(u32(8 + 32), 1u);            // kind
    EXPECT_FLOAT_EQ(f32(8 + 40), 5000.0f); // price
    EXPECT_EQ(u32(8 + 44), 0xFFFFFFFFu);   // unlimited
    EXPECT_EQ(u32(60), 2u);                // buildings
    EXPECT_EQ(text(64), "HALL");
    EXPECT_EQ(u32(96), 2u); // its items
    const std::size_t second = 100 + 52;
    EXPECT_EQ(text(second), "REACTOR_1");
    EXPECT_EQ(u32(second + 36), unittest::kReactorA); // modifier word
    EXPECT_FLOAT_EQ(f32(second + 40), 1000.0f);
    EXPECT_EQ(u32(second + 44), 1u);
    EXPECT_FLOAT_EQ(f32(second + 48), 3.0f); // restock rate
    out.m_nPosition = 0;
    CEqpTrade copy;
    copy.LoadFromStream(out);
    ASSERT_EQ(copy.m_Common.size(), 1u);
    ASSERT_EQ(copy.m_Buildings.size(), 2u);
    EXPECT_EQ(std::memcmp(&copy.m_Buildings[0].m_Items[1], &m_Trade.m_Buildings[0].m_Items[1], 52), 0);
    EXPECT_STREQ(copy.m_Buildings[1].m_szName, "DEPOT");

    // Older streams: 48-byte items before version 2; before 3 the items
    // named by a modifier record restock as often as it turns up.
    const SModifParameters* modif = g_ModifManager.GetModif(g_ModifManager.FindName("M_REACTOR_B"));
    g_ModifManager.m_Records[std::size_t(g_ModifManager.FindName("M_REACTOR_B"))].m_fProbability = 0.5f;
    for (std::uint32_t version : {0u, 1u, 2u})
    {
        SCOPED_TRACE(version);
        CMemStream s;
        Put32(s, version);
        Put32(s, 1);
        PutItem(s, Item("M_REACTOR_B", 2, 0, 10, -1, 7.0f), version);
        Put32(s, 1);
        s.Write("HALL\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 32);
        Put32(s, 1);
        PutItem(s, Item("ENGINE_1", 2, 0, 400, 2, 7.0f), version);
        s.m_nPosition = 0;
        CEqpTrade old;
        old.LoadFromStream(s);
        ASSERT_EQ(old.m_Common.size(), 1u);
        // M_REACTOR_B is property 1 at level 2.
        EXPECT_FLOAT_EQ(old.m_Common[0].m_fRate, 19.0f * modif->m_fProbability / std::pow(2.0f, 0.8f));
        EXPECT_FLOAT_EQ(old.m_Buildings[0].m_Items[0].m_fRate, version >= 2 ? 7.0f : 0.0f);
        EXPECT_EQ(old.m_Buildings[0].m_Items[0].m_nCount, 2);
    }

    // Version 4 is refused with its line; the lists stay as they were.
    CMemStream newer;
    Put32(newer, 4);
    Put32(newer, 0);
    Put32(newer, 0);
    newer.m_nPosition = 0;
    copy.LoadFromStream(newer);
    EXPECT_EQ(copy.m_Buildings.size(), 2u);
    EXPECT_NE(ReadText("error.log")
                  .find("CEqpTrade::LoadFromStream - version of equipment trade mismatch; iVersion=4"),
              std::string::npos);
}

TEST_F(EqpTrade, DamagedStreamsAreRefusedWhole)
{
    m_Trade.AddEqp("GL_LIGHT", 1u, 0u);
    m_Trade.AddEqpToBuiding("HALL", "REACTOR_1", 1, 0, 3.0f);
    CMemStream whole;
    m_Trade.SaveToStream(whole);
    std::vector<std::vector<std::uint8_t>> inputs;
    for (std::uint32_t cut = 0; cut < whole.m_nPosition; ++cut)
        inputs.emplace_back(whole.m_pData, whole.m_pData + cut);
    std::vector<std::uint8_t> counted(whole.m_pData, whole.m_pData + whole.m_nPosition);
    counted[4] = 0xFF; // 255 common items in a stream of one
    inputs.push_back(counted);
    for (const auto& bytes : inputs)
    {
        CMemStream s;
        s.Allocate(std::uint32_t(bytes.size()));
        if (!bytes.empty()) std::memcpy(s.m_pData, bytes.data(), bytes.size());
        CEqpTrade t;
        t.AddEqp("ENGINE_1", 2u, 0u);
        EXPECT_THROW(t.LoadFromStream(s), CStreamError);
        ASSERT_EQ(t.m_Common.size(), 1u);
        EXPECT_STREQ(t.m_Common[0].m_szName, "ENGINE_1");
    }
    EXPECT_NE(ReadText("error.log")
                  .find("CEqpTrade::LoadFromStream: equipment trade at byte 8: common item count "
                        "255 needs 13260 bytes"),
              std::string::npos);
}

TEST_F(EqpTrade, AConfigurationOffersItsTradeableParts)
{
    g_GunManager.m_Records[std::size_t(Gun("GUN_ROCKET"))].m_bNoTrade = 1;
    m_Trade.AddConfig("CFG_SCOUT");
    m_Trade.AddConfig("NO_SUCH_CONFIG");
    std::vector<std::string> names;
    for (const SEqpItem& item : m_Trade.m_Common)
    {
        names.push_back(item.m_szName);
        EXPECT_EQ(item.m_nCount, -1);
    }
    // The rocket launcher and the mines are not traded.
    EXPECT_EQ(names, (std::vector<std::string>{"GL_LIGHT", "GUN_LASER", "REACTOR_1", "ENGINE_1", "SHIELD_1",
                                               "ARMOR_1", "MIS_ROCKET", "EQP_ACCUMULATOR"}));
    EXPECT_EQ(CEqpTrade::Find(m_Trade.m_Common, "MIS_ROCKET", 0)->m_dwKind, 4u);
    EXPECT_EQ(CEqpTrade::Find(m_Trade.m_Common, "GL_LIGHT", 0)->m_dwKind, 1u);
}

TEST_F(EqpTrade, ModifiedDevicesAndOtherItemsAreListed)
{
    const SEqpItem cases[] = {Item("EQP_BOOSTER", 2, 0x5001, 2500, 3, 0),
                              Item("MIS_ROCKET", 4, 0x2001, 60, -1, 0)};
    for (const SEqpItem& item : cases)
        EXPECT_FALSE(m_Trade.TestEqpList(item)) << item.m_szName;
    for (const SEqpItem& item : {Item("EQP_BOOSTER", 2, 0, 0, 1, 0), Item("REACTOR_1", 2, 0x3001, 0, 1, 0),
                                 Item("GUN_LASER", 3, 0x2001, 0, 1, 0)})
        EXPECT_TRUE(m_Trade.TestEqpList(item)) << item.m_szName;
    EXPECT_EQ(ReadText("EqpTrade.log"),
              "ID=              EQP_BOOSTER;\t\tdwModifiers=0x5001;\t\tfPrice=   2500\tiCount=3\n"
              "ID=               MIS_ROCKET;\t\tdwModifiers=0x2001;\t\tfPrice=     60\tiCount=-1\n");
}

TEST_F(EqpTrade, DisplacedItemsGoBackToTheBuildingsStock)
{
    s_pStock = &m_Trade;
    CMechanoid m;
    m.InitConfig(Config("CFG_SCOUT"), false);
    m.AddToConfig("ARMOR_1", "HALL", 1, 0, true);
    m.AddToConfig("ARMOR_1", "HALL", 1, 0, true);
    EXPECT_EQ(Count("HALL", "ARMOR_1"), 2);
}

TEST_F(EqpTrade, CountsStayWithinTheirRange)
{
    // A loaded stock may hold any count: restocking and selling stop at the
    // largest count, buying more than there is leaves none.
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    m_Trade.m_Buildings.push_back(
        {"HALL", {Item("REACTOR_1", 2, 0, 500, most, 1000.0f), Item("ENGINE_1", 2, 0, 400, 3, 1.0f)}});
    g_Random.SetState(1);
    for (int h = 0; h < 50; ++h)
        m_Trade.RestockEqp();
    m_Trade.OnSoldEqp("HALL", "REACTOR_1", most, 0);
    EXPECT_EQ(Count("HALL", "REACTOR_1"), most);
    m_Trade.OnBoughtEqp("HALL", "ENGINE_1", most, 0);
    EXPECT_EQ(Count("HALL", "ENGINE_1"), 0);
}
