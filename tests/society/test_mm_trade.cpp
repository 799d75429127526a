// The goods trade: unit prices (class cap, the sale-price floor, the linear
// price of type 12), the player's deals against money and stock, the
// mechanoids' deals, the hourly run of one building, stocks, lists and the
// TRADE stream of each version with its damaged forms.
#include "tests/common/DataTree.h"
#include "tests/society/TradeTables.h"

#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/MMTrade.h"
#include "units/Garbage.h"

#include <cmath>
#include <cstring>
#include <map>
#include <string>

namespace
{
std::map<std::string, std::int32_t> g_Types; // building type per name

class MMTrade : public testutil::CDataTreeTest
{
protected:
    void SetUp() override
    {
        tradetest::SetGoodsTable();
        g_Types.clear();
        g_pfnTradeBuildingType = [](const char* name)
        {
            auto it = g_Types.find(name);
            return it == g_Types.end() ? 0 : it->second;
        };
        g_Random.SetState(777);
    }
    void TearDown() override
    {
        g_pfnTradeBuildingType = nullptr;
        tradetest::ClearGoodsTable();
    }
    // A native good of the building.
    STradeGood& Good(const char* building, const char* name, float stock, float buy, float sell)
    {
        SExBuildingTrade* b = m_Trade.AddBuilding(building);
        b->AddGood(name, 0, 0);
        STradeGood* g = b->FindGood(name);
        g->m_fStock = stock;
        g->m_fBuyPrice = buy;
        g->m_fSellPrice = sell;
        g->m_bNative = 1;
        return *g;
    }
    static std::int32_t Held(const CGarbage& hold, const char* name)
    {
        std::int32_t n = 0;
        for (const SItemRec& e : hold.m_Items)
            if (std::strcmp(e.m_szName, name) == 0) n += e.m_nCount;
        return n;
    }
    void Saved(CMemStream& s)
    {
        m_Trade.SaveToStream(s);
        s.m_nCapacity = s.m_nPosition;
        s.m_nPosition = 0;
    }

    CMMTrade m_Trade;
};

} // namespace

TEST_F(MMTrade, BuyPricesFollowTheStockWithTheClassCapAndTheSalePriceFloor)
{
    Good("HALL", "TOV_ORE", 0.0f, 0.0f, 10.0f);      // class 0, cap 5
    Good("HALL", "TOV_FOOD", 0.0f, 0.0f, 10.0f);     // class 1, cap 2
    Good("HALL", "TOV_GEMS", 1.0e6f, 0.0f, 10.0f);   // plenty: m about 1
    Good("HALL", "TOV_CHIP", -20.0f, 0.0f, 10.0f);   // stock - d + 10 below 0
    Good("HALL", "AMMO", 0.0f, 4.0f, 0.0f);          // bought only: doubled, K 300
    SExBuildingTrade* b = m_Trade.FindBuilding("HALL");
    struct SCase
    {
        const char* good;
        std::int32_t count, discount;
        float price;
    } cases[] = {
        {"TOV_ORE", 1, 10, 5.0f * 0.9f * 10.0f},
        {"TOV_FOOD", 1, 0, 2.0f * 10.0f},
        {"TOV_GEMS", 1, 10, 10.0f},   // 0.9 x 10 raised to the sale price
        {"TOV_CHIP", 3, 0, 30.0f},    // tiny multipliers, every unit at the floor
        {"AMMO", 1, 0, 2.0f * 5.0f * 4.0f},
        {"TOV_ORE", 2, 0, 50.0f + 10.0f * std::min(5.0f, std::exp(100.0f / 9.0f))},
    };
    for (const SCase& c : cases)
    {
        float price = -1.0f;
        ASSERT_TRUE(b->GetBuyPrice(c.good, c.count, &price, c.discount)) << c.good;
        EXPECT_NEAR(price, c.price, 1e-3f) << c.good << " x" << c.count;
    }
    float price = -1.0f;
    EXPECT_TRUE(b->GetBuyPrice("TOV_NONE", 0, &price, 0));
    EXPECT_EQ(price, 0.0f);
    price = -1.0f;
    EXPECT_FALSE(b->GetBuyPrice("TOV_NONE", 2, &price, 0));
    EXPECT_EQ(price, -1.0f);

    // Type 12 sells at a linear price and produces 15000.
    g_Types["HALL"] = 12;
    ASSERT_TRUE(b->GetBuyPrice("TOV_ORE", 3, &price, 0));
    EXPECT_FLOAT_EQ(price, 3.0f * 10.5f);
    EXPECT_EQ(m_Trade.GetProductionValue("HALL"), 15000.0f);
}

TEST_F(MMTrade, SellPricesOfListedAndUnlistedGoods)
{
    Good("HALL", "TOV_ORE", 1.0e7f, 8.0f, 0.0f);
    SExBuildingTrade* b = m_Trade.FindBuilding("HALL");
    float price = 0.0f;
    ASSERT_TRUE(b->GetSoldPrice("TOV_ORE", 2, &price, 50));
    EXPECT_NEAR(price, 2.0f * 8.0f * 1.5f, 1e-2f); // plenty: the multiplier is raised to 1
    b->FindGood("TOV_ORE")->m_fStock = 0.0f;
    ASSERT_TRUE(b->GetSoldPrice("TOV_ORE", 1, &price, 0));
    EXPECT_FLOAT_EQ(price, 5.0f * 8.0f); // scarce: the class cap
    // Unlisted: a quarter of the table price, three quarters in type 12.
    ASSERT_TRUE(b->GetSoldPrice("TOV_GEMS", 2, &price, 0));
    EXPECT_FLOAT_EQ(price, 2.0f * 25.0f);
    g_Types["HALL"] = 12;
    ASSERT_TRUE(b->GetSoldPrice("TOV_GEMS", 2, &price, 0));
    EXPECT_FLOAT_EQ(price, 2.0f * 75.0f);
}

TEST_F(MMTrade, ThePlayerPaysOnlyForWhatTheStockGivesAndWhatTheMoneyPays)
{
    Good("HALL", "TOV_CHIP", 10.0f, 0.0f, 10.0f); // 5 units of mass 2
    SExBuildingTrade* b = m_Trade.FindBuilding("HALL");
    CGarbage hold;
    hold.m_fMoney = 100000.0f;
    float five = 0.0f;
    ASSERT_TRUE(b->GetBuyPrice("TOV_CHIP", 5, &five, 0));
    EXPECT_EQ(b->BuyGoodFromBuilding("TOV_CHIP", 8, 0, hold), 5);
    EXPECT_EQ(Held(hold, "TOV_CHIP"), 5);
    EXPECT_FLOAT_EQ(hold.m_fMoney, 100000.0f - five);
    EXPECT_FLOAT_EQ(b->FindGood("TOV_CHIP")->m_fStock, 0.0f);

    // Money for two units and a bit: two units.
    b->FindGood("TOV_CHIP")->m_fStock = 10.0f;
    float two = 0.0f;
    b->GetBuyPrice("TOV_CHIP", 2, &two, 0);
    CGarbage poor;
    poor.m_fMoney = two + 1.0f;
    EXPECT_EQ(b->BuyGoodFromBuilding("TOV_CHIP", 5, 0, poor), 2);
    EXPECT_FLOAT_EQ(poor.m_fMoney, 1.0f);
    EXPECT_FLOAT_EQ(b->FindGood("TOV_CHIP")->m_fStock, 6.0f);
    poor.m_fMoney = 0.0f;
    EXPECT_EQ(b->BuyGoodFromBuilding("TOV_CHIP", 1, 0, poor), 0);

    // Selling back: at most what the hold has; money and stock move together.
    const float before = hold.m_fMoney;
    float paid = 0.0f;
    b->GetSoldPrice("TOV_CHIP", 5, &paid, 0);
    EXPECT_EQ(b->SoldGoodToBuilding("TOV_CHIP", 9, 0, hold), 5);
    EXPECT_EQ(Held(hold, "TOV_CHIP"), 0);
    EXPECT_FLOAT_EQ(hold.m_fMoney, before + paid);
    EXPECT_FLOAT_EQ(b->FindGood("TOV_CHIP")->m_fStock, 16.0f);
}

TEST_F(MMTrade, AnUnlistedSaleMakesAForeignEntryThatDecaysHourly)
{
    Good("HALL", "TOV_ORE", 1000.0f, 10.0f, 0.0f);
    SExBuildingTrade* b = m_Trade.FindBuilding("HALL");
    CGarbage hold;
    SGoodsItem item;
    std::strcpy(item.m_szName, "TOV_GEMS");
    item.m_nCount = 4;
    hold.AddGoods(item, ITEM_GOODS, true);
    EXPECT_EQ(b->SoldGoodToBuilding("TOV_GEMS", 4, 0, hold), 4);
    const STradeGood* g = b->FindGood("TOV_GEMS");
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->m_fSellPrice, 25.0f); // the average unit price paid
    EXPECT_EQ(g->m_bNative, 0);
    EXPECT_FLOAT_EQ(g->m_fStock, 4.0f);
    EXPECT_FLOAT_EQ(hold.m_fMoney, 100.0f);
    m_Trade.CalcBuilding("HALL");
    ASSERT_NE(b->FindGood("TOV_GEMS"), nullptr);
    EXPECT_FLOAT_EQ(b->FindGood("TOV_GEMS")->m_fStock, 1.0f);
    m_Trade.CalcBuilding("HALL");
    EXPECT_EQ(b->FindGood("TOV_GEMS"), nullptr);
}

TEST_F(MMTrade, MechanoidDealsMoveOnlyTheStock)
{
    Good("HALL", "TOV_CHIP", 10.0f, 5.0f, 10.0f);
    m_Trade.BuyGoodFromBuilding("HALL", "TOV_CHIP", 9); // 5 units there
    EXPECT_FLOAT_EQ(m_Trade.FindBuilding("HALL")->FindGood("TOV_CHIP")->m_fStock, 0.0f);
    m_Trade.SoldGoodToBuilding("HALL", "TOV_CHIP", 3);
    EXPECT_FLOAT_EQ(m_Trade.FindBuilding("HALL")->FindGood("TOV_CHIP")->m_fStock, 6.0f);
    m_Trade.SoldGoodToBuilding("HALL", "TOV_GEMS", 2); // unlisted: a foreign entry
    const STradeGood* g = m_Trade.FindBuilding("HALL")->FindGood("TOV_GEMS");
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->m_fStock, 2.0f);
    EXPECT_FLOAT_EQ(g->m_fSellPrice, 25.0f);
    m_Trade.SoldGoodToBuilding("NOWHERE", "TOV_GEMS", 2);
    EXPECT_EQ(m_Trade.AddGoodCount("NOWHERE", "TOV_GEMS", 1), -1);
    EXPECT_EQ(m_Trade.AddGoodCount("HALL", "TOV_NONE", 1), -1);
    EXPECT_EQ(m_Trade.AddGoodCount("HALL", "TOV_CHIP", 1), 4);
    m_Trade.SetGoodCount("HALL", "TOV_CHIP", 7);
    EXPECT_FLOAT_EQ(m_Trade.FindBuilding("HALL")->FindGood("TOV_CHIP")->m_fStock, 14.0f);
}

TEST_F(MMTrade, OneHourOfABuildingConsumesAndProduces)
{
    g_Types["MINE"] = 3; // income 200000, no random draw
    Good("MINE", "TOV_ORE", 1000.0f, 10.0f, 0.0f);  // minBuy, v 1000
    Good("MINE", "TOV_FOOD", 1000.0f, 20.0f, 0.0f); // maxBuy, v 2000
    Good("MINE", "TOV_GEMS", 500.0f, 0.0f, 100.0f); // v 2000, not above maxV
    Good("MINE", "TOV_CHIP", 100.0f, 0.0f, 50.0f);  // minSell, v 100
    m_Trade.CalcBuilding("MINE");
    const SExBuildingTrade* b = m_Trade.FindBuilding("MINE");
    // B = 2 x 0.2 x 1000 = 400; T = 4 x (200000 + 400) = 801600.
    EXPECT_FLOAT_EQ(b->m_Goods[0].m_fStock, 1000.0f - 200.0f * 0.25f);
    EXPECT_FLOAT_EQ(b->m_Goods[1].m_fStock, 1000.0f - 200.0f * 1.75f / 2.0f);
    EXPECT_FLOAT_EQ(b->m_Goods[2].m_fStock, 500.0f + 801600.0f / 2.0f / 4.0f);
    EXPECT_FLOAT_EQ(b->m_Goods[3].m_fStock, 100.0f + 1.5f * 400.0f);
    EXPECT_FLOAT_EQ(b->m_fTurnover, 400.0f);
    EXPECT_FLOAT_EQ(m_Trade.GetBuildingIncome("MINE"), 800.0f);
    EXPECT_FLOAT_EQ(m_Trade.GetBuildingIncome("NOWHERE"), 0.0f);
    // Over 40000 a produced good stops growing.
    m_Trade.CalcBuilding("MINE");
    const float gems = b->m_Goods[2].m_fStock;
    m_Trade.CalcBuilding("MINE");
    EXPECT_FLOAT_EQ(b->m_Goods[2].m_fStock, gems);
}

TEST_F(MMTrade, StocksListsAndTheBuildingCap)
{
    Good("HALL", "TOV_ORE", 0.0f, 10.0f, 0.0f);
    Good("HALL", "TOV_GEMS", 0.0f, 0.0f, 100.0f);
    Good("HALL", "AMMO", 0.0f, 0.0f, 5.0f);
    m_Trade.ResetStocks();
    for (const STradeGood& g : m_Trade.FindBuilding("HALL")->m_Goods)
    {
        EXPECT_GE(g.m_fStock, 8000.0f);
        EXPECT_LT(g.m_fStock, 28000.0f);
        EXPECT_EQ(g.m_bNative, 1);
    }
    std::vector<STradeGood> list;
    m_Trade.GetGoodList("HALL", list);
    ASSERT_EQ(list.size(), 2u); // AMMO is not a "TOV" good
    EXPECT_EQ(list[0].m_bNative, 0);
    EXPECT_EQ(list[1].m_bNative, 1);
    SExBuildingTrade* b = m_Trade.FindBuilding("HALL");
    b->GetHighPriceGoods(list, 3);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list[0].m_szName, "TOV_ORE");
    b->GetLowPriceGoods(list, 3);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list[0].m_szName, "TOV_GEMS");
    char good[32];
    m_Trade.GetRandomGood(good);
    EXPECT_STREQ(good, "TOV_GEMS");
    CMMTrade empty;
    empty.GetRandomGood(good);
    EXPECT_TRUE(IsInvalidName(good));

    for (int i = 1; i < 60; ++i)
        ASSERT_NE(m_Trade.AddBuilding(("B" + std::to_string(i)).c_str()), nullptr);
    EXPECT_EQ(m_Trade.AddBuilding("ONE_TOO_MANY"), nullptr);
    EXPECT_EQ(m_Trade.AddBuilding("HALL"), m_Trade.FindBuilding("HALL"));
    EXPECT_EQ(m_Trade.m_nCount, 60u);
    EXPECT_TRUE(m_Trade.IsTradeBuilding("B59"));
    EXPECT_FALSE(m_Trade.IsTradeBuilding("ONE_TOO_MANY"));
}

TEST_F(MMTrade, TheStreamKeepsTheTablesAndFiltersEntries)
{
    Good("HALL", "TOV_ORE", 123.0f, 3.0f, 0.0f);
    Good("HALL", "TOV_GEMS", 45.0f, 0.0f, 7.0f);
    Good("DEPOT", "TOV_FOOD", 6.0f, 20.0f, 20.0f);
    m_Trade.FindBuilding("HALL")->m_fTurnover = 99.0f;
    STradeGood none{};
    std::strcpy(none.m_szName, "TOV_ORE_OLD"); // no price, no mass: dropped
    m_Trade.FindBuilding("DEPOT")->m_Goods.push_back(none);
    CMemStream s;
    Saved(s);
    CMMTrade back;
    back.LoadFromStream(s);
    ASSERT_EQ(back.m_nCount, 2u);
    const SExBuildingTrade* hall = back.FindBuilding("HALL");
    ASSERT_NE(hall, nullptr);
    EXPECT_EQ(hall->m_bRegistered, 1);
    EXPECT_FLOAT_EQ(hall->m_fTurnover, 99.0f);
    ASSERT_EQ(hall->m_Goods.size(), 2u);
    EXPECT_FLOAT_EQ(hall->m_Goods[0].m_fStock, 123.0f);
    EXPECT_FLOAT_EQ(hall->m_Goods[0].m_fBuyPrice, 10.0f); // the table's PRICE
    EXPECT_FLOAT_EQ(hall->m_Goods[1].m_fSellPrice, 100.0f);
    EXPECT_EQ(back.FindBuilding("DEPOT")->m_Goods.size(), 1u);

    // Version 1 has no turnover: each building keeps its own.
    back.FindBuilding("HALL")->m_fTurnover = 5.0f;
    CMemStream v1;
    const std::uint32_t one = 1, count = 1, n = 0;
    v1.Write(&one, 4);
    v1.Write(&count, 4);
    char name[32] = "HALL";
    v1.Write(name, 32);
    v1.Write(&n, 4);
    v1.m_nCapacity = v1.m_nPosition;
    v1.m_nPosition = 0;
    back.LoadFromStream(v1);
    EXPECT_EQ(back.m_nCount, 1u);
    EXPECT_FLOAT_EQ(back.FindBuilding("HALL")->m_fTurnover, 5.0f);
    // Version 0 empties the table.
    CMemStream v0;
    const std::uint32_t zero = 0;
    v0.Write(&zero, 4);
    v0.m_nCapacity = v0.m_nPosition;
    v0.m_nPosition = 0;
    back.LoadFromStream(v0);
    EXPECT_EQ(back.m_nCount, 0u);
}

TEST_F(MMTrade, ADamagedStreamIsRefusedWholeWithOneLine)
{
    Good("HALL", "TOV_ORE", 123.0f, 3.0f, 0.0f);
    CMemStream good;
    Saved(good);
    const std::vector<std::uint8_t> bytes(good.m_pData, good.m_pData + good.m_nCapacity);
    struct SCase
    {
        const char* what;
        std::size_t length;
        std::size_t patchAt;
        std::uint32_t patch;
        const char* reason;
    } cases[] = {
        {"truncated goods", bytes.size() - 10, 0, 0, "needs 56 bytes"},
        {"no turnover", bytes.size() - 4, 0, 0, "wanted"},
        {"goods count", bytes.size(), 40, 0x10000000u, "goods count"},
        {"future version", bytes.size(), 0, 0, "version 3, at most 2"},
    };
    for (const SCase& c : cases)
    {
        std::vector<std::uint8_t> b(bytes.begin(), bytes.begin() + std::ptrdiff_t(c.length));
        if (c.patchAt) std::memcpy(b.data() + c.patchAt, &c.patch, 4);
        if (!c.patchAt && c.length == bytes.size()) b[0] = 3;
        CMemStream s;
        std::memcpy(s.Allocate(std::uint32_t(b.size())), b.data(), b.size());
        CMMTrade t;
        t.AddBuilding("KEPT");
        EXPECT_THROW(t.LoadFromStream(s), CStreamError) << c.what;
        EXPECT_EQ(t.m_nCount, 1u) << c.what;
        EXPECT_NE(Tree().ErrorLog().find(c.reason), std::string::npos) << c.what << "\n" << Tree().ErrorLog();
    }
    EXPECT_NE(Tree().ErrorLog().find("CMMTrade::LoadFromStream: TRADE at byte"), std::string::npos);

    // Sixty-one whole records are still too many.
    CMemStream many;
    const std::uint32_t head[2] = {2u, 61u};
    many.Write(head, 8);
    for (int i = 0; i < 61; ++i)
    {
        char record[40] = {};
        std::snprintf(record, 32, "B%d", i);
        many.Write(record, 40);
    }
    many.m_nCapacity = many.m_nPosition;
    many.m_nPosition = 0;
    CMMTrade t;
    EXPECT_THROW(t.LoadFromStream(many), CStreamError);
    EXPECT_EQ(t.m_nCount, 0u);
    EXPECT_NE(Tree().ErrorLog().find("61 buildings, at most 60"), std::string::npos);
}
