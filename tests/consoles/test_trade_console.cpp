// The trade console on the shared fixture: the counts it offers (money,
// room, stock, the cap of 999), prices with and without the rating, which
// goods it lists and how, the colours of the building's goods, and the
// deals: money, cargo and stock move together, the deal log and the
// sink's reports say what moved.
#include "common/ConsoleFixture.h"

#include "consoles/GCTrade.h"
#include "menus/ControlList.h"
#include "menus/CountSelector.h"
#include "menus/MenuButton.h"
#include "ui/markup/CommandArgument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{

class TradeConsole : public consoletest::CConsoleTest
{
protected:
    // Opens the host on the trade tab.
    CGCTrade& Open()
    {
        OpenHost();
        ShowTab(CUIMenu::kTabTrade);
        CGCTrade* trade = Console<CGCTrade>(CUIMenu::kTabTrade);
        EXPECT_NE(trade, nullptr);
        return *trade;
    }
    float BuyPrice(const char* good, int count, int level)
    {
        float p = 0.0f;
        m_pHallTrade->GetBuyPrice(good, count, &p, level);
        return p;
    }
    float SoldPrice(const char* good, int count, int level)
    {
        float p = 0.0f;
        m_pHallTrade->GetSoldPrice(good, count, &p, level);
        return p;
    }
    // The item of a good in a grid, or null.
    static CControlListItem* Item(CControlList* list, const char* good)
    {
        for (int i = 0; i < list->GetItemCount(); ++i)
            if (std::string(list->GetItem(i)->m_ClassID.name) == good) return list->GetItem(i);
        return nullptr;
    }
    static std::string LogText(const CGCTrade& t) { return menutest::WindowText(*t.GetDealLog()); }
    // Selects a cargo item (as a click there does).
    static void SelectCargo(CGCTrade& t, const char* good)
    {
        t.GetBuildingList()->SelectIndex(-1);
        t.GetCargoList()->SelectByName(good, true, 0);
        t.ShowGood(t.GetGood());
    }
};

TEST_F(TradeConsole, TheOfferedCountIsTheLargestTheMoneyRoomStockAndCapAllow)
{
    AddGood("TOV_FOOD", 50, 0.0f, 20.0f);
    const int level = PlayerRatingLevel();
    // Money for exactly three units, though stock and room allow 50.
    m_Mechanoid.m_Garbage.m_fMoney = BuyPrice("TOV_FOOD", 3, level) + 0.01f;
    ASSERT_LT(m_Mechanoid.m_Garbage.m_fMoney, BuyPrice("TOV_FOOD", 4, level));
    CGCTrade& t = Open();
    EXPECT_EQ(t.GetBuyCount()->GetValue(), 3);
    EXPECT_TRUE(t.IsBuyOpen());
    EXPECT_FALSE(t.IsSellOpen());
}

TEST_F(TradeConsole, NoOfferAboveNineHundredNinetyNine)
{
    AddGood("TOV_FOOD", 5000, 0.0f, 1.0f);
    SetGlider("GL_HEAVY"); // 1200 units of room
    m_Mechanoid.m_Garbage.m_fMoney = 1.0e9f;
    CGCTrade& t = Open();
    EXPECT_EQ(t.GetBuyCount()->GetValue(), CGCTrade::kMaxCount);
}

TEST_F(TradeConsole, TheUnitPriceLeavesTheRatingOutAndTheTotalTakesItIn)
{
    g_GameData.SetRatingLevel(1, 6);
    const int level = PlayerRatingLevel();
    ASSERT_GT(level, 1);
    AddGood("TOV_FOOD", 50, 0.0f, 20.0f);
    CGCTrade& t = Open();
    const int count = t.GetBuyCount()->GetValue();
    EXPECT_FLOAT_EQ(t.GetUnitPrice(), BuyPrice("TOV_FOOD", 1, 0));
    EXPECT_FLOAT_EQ(t.GetBuyTotal(), BuyPrice("TOV_FOOD", count, level));
    EXPECT_LT(t.GetBuyTotal(), float(count) * t.GetUnitPrice());
}

TEST_F(TradeConsole, WhatIsListedAndUnderWhichFilter)
{
    AddGood("TOV_FOOD", 10, 15.0f, 20.0f); // sold and bought: once, kind 1
    AddGood("TOV_ORE", 10, 8.0f, 0.0f);    // bought only: kind 2
    AddGood("TOV_GEMS", 10, 0.0f, 0.0f);   // neither: not listed
    AddCargo("TOV_ORE", 4, 0, 6.0f);
    AddCargo("TOV_GEMS", 1, 0, 0.0f); // a single unit, nothing apart, no price
    CGCTrade& t = Open();
    CControlList* building = t.GetBuildingList();
    ASSERT_NE(Item(building, "TOV_FOOD"), nullptr);
    EXPECT_EQ(Item(building, "TOV_FOOD")->m_dwCategory, CGCTrade::kSold);
    ASSERT_NE(Item(building, "TOV_ORE"), nullptr);
    EXPECT_EQ(Item(building, "TOV_ORE")->m_dwCategory, CGCTrade::kBought);
    EXPECT_EQ(Item(building, "TOV_GEMS"), nullptr);
    EXPECT_EQ(building->GetItemCount(), 2);
    EXPECT_EQ(building->GetFilter(), CGCTrade::kSold);

    CControlList* cargo = t.GetCargoList();
    ASSERT_NE(Item(cargo, "TOV_ORE"), nullptr);
    EXPECT_EQ(Item(cargo, "TOV_ORE")->m_nCount, 4);
    EXPECT_EQ(Item(cargo, "TOV_GEMS"), nullptr);
}

TEST_F(TradeConsole, ABuildingThatSellsNothingOpensOnItsPurchases)
{
    AddGood("TOV_ORE", 10, 8.0f, 0.0f);
    CGCTrade& t = Open();
    EXPECT_EQ(t.GetBuildingList()->GetFilter(), CGCTrade::kBought);
}

TEST_F(TradeConsole, BuyingClosesWhenThePlayerCannotPayHasNoRoomOrTheStockIsOut)
{
    struct SCase
    {
        const char* name;
        float money;
        std::int32_t stock;
        std::int32_t cargo; // units of ore (2 each) already in the hold
        bool open;
    };
    const SCase cases[] = {
        {"can buy", 1000.0f, 20, 0, true},
        {"no money", 0.0f, 20, 0, false},
        {"no room", 1000.0f, 20, 200, false},
        {"out of stock", 1000.0f, 0, 0, false},
    };
    for (const SCase& c : cases)
    {
        m_pHallTrade->m_Goods.clear();
        m_Mechanoid.m_Garbage.m_Items.clear();
        AddGood("TOV_FOOD", c.stock, 0.0f, 20.0f);
        if (c.cargo) AddCargo("TOV_ORE", c.cargo);
        m_Mechanoid.m_Garbage.m_fMoney = c.money;
        CGCTrade& t = Open();
        EXPECT_EQ(t.IsBuyOpen(), c.open) << c.name;
        if (!c.open)
        {
            EXPECT_EQ(t.GetBuyCount()->GetValue(), 1) << c.name;
        }
    }
}

TEST_F(TradeConsole, ABuyMovesMoneyCargoAndStockAndIsLoggedAndReported)
{
    Text("INT_TRADE_TEXT_11", "%d units for %d");
    Text("INT_TRADE_TEXT_12", "Bought");
    AddGood("TOV_FOOD", 50, 0.0f, 20.0f);
    CGCTrade& t = Open();
    const int level = PlayerRatingLevel();
    t.GetBuyCount()->SetValue(4);
    const float price = BuyPrice("TOV_FOOD", 4, level);
    m_pHost->OnCommand(CGCTrade::kBuyCommand, 0);

    EXPECT_FLOAT_EQ(Money(), kMoney - price);
    EXPECT_EQ(Cargo("TOV_FOOD"), 4);
    EXPECT_EQ(HallGood("TOV_FOOD")->Units(), 46);
    ASSERT_EQ(m_Events.m_Bought.size(), 1u);
    EXPECT_EQ(m_Events.m_Bought[0].count, 4);
    EXPECT_FLOAT_EQ(m_Events.m_Bought[0].unitPrice, price / 4.0f);
    EXPECT_EQ(m_Events.Played("SND_I_MONEY"), 1);
    const std::string expected = "4 units for " + std::to_string(std::lround(price));
    EXPECT_NE(LogText(t).find(expected), std::string::npos) << LogText(t);
    // The new cargo is listed, without being selected.
    ASSERT_NE(Item(t.GetCargoList(), "TOV_FOOD"), nullptr);
    EXPECT_EQ(t.GetCargoList()->GetSelected(), nullptr);
}

// The count the player typed stays through the click on the buy button:
// the console's own filtering as it opened re-shows nothing then.
TEST_F(TradeConsole, TheTypedCountIsTheOneBought)
{
    AddGood("TOV_FOOD", 50, 0.0f, 20.0f);
    CGCTrade& t = Open();
    t.GetBuyCount()->SetValue(4);
    const plat::Rect& buy = t.GetBuyButton()->m_Rect;
    m_Input.m_Cursor = plat::Point{(buy.left + buy.right) / 2, (buy.top + buy.bottom) / 2};
    m_Input.Press(uicode::kLeftButton);
    t.ProcessMessages();
    EXPECT_EQ(t.GetBuyCount()->GetValue(), 4);
}

TEST_F(TradeConsole, ACountAboveTheStockIsChargedForTheUnitsDelivered)
{
    AddGood("TOV_FOOD", 3, 0.0f, 20.0f);
    CGCTrade& t = Open();
    CCountField* field = t.GetBuyCount()->m_pField;
    field->m_nMaximum = 10;
    field->SetValue(10, false);
    const float price = BuyPrice("TOV_FOOD", 3, PlayerRatingLevel());
    t.Buy();
    EXPECT_EQ(Cargo("TOV_FOOD"), 3);
    EXPECT_FLOAT_EQ(Money(), kMoney - price);
    ASSERT_EQ(m_Events.m_Bought.size(), 1u);
    EXPECT_EQ(m_Events.m_Bought[0].count, 3);
}

TEST_F(TradeConsole, ASaleReportsTheUnitsCountedApartWithTheSecondFlag)
{
    AddGood("TOV_FOOD", 10, 15.0f, 20.0f);
    AddCargo("TOV_FOOD", 5, 2, 12.0f);
    CGCTrade& t = Open();
    SelectCargo(t, "TOV_FOOD");
    EXPECT_TRUE(t.IsSellOpen());
    EXPECT_FALSE(t.IsBuyOpen());
    EXPECT_EQ(t.GetSellCount()->GetValue(), 5);
    const float unit = t.GetGood()->m_fBuyPrice;
    const float total = SoldPrice("TOV_FOOD", 5, PlayerRatingLevel());
    m_pHost->OnCommand(CGCTrade::kSellCommand, 0);

    ASSERT_EQ(m_Events.m_Sold.size(), 2u);
    EXPECT_EQ(m_Events.m_Sold[0].count, 3);
    EXPECT_FALSE(m_Events.m_Sold[0].secondKind);
    EXPECT_EQ(m_Events.m_Sold[1].count, 2);
    EXPECT_TRUE(m_Events.m_Sold[1].secondKind);
    EXPECT_FLOAT_EQ(m_Events.m_Sold[0].unitPrice, unit);
    EXPECT_FLOAT_EQ(Money(), kMoney + total);
    EXPECT_EQ(Cargo("TOV_FOOD"), 0);
    EXPECT_EQ(HallGood("TOV_FOOD")->Units(), 15);
    EXPECT_EQ(Item(t.GetCargoList(), "TOV_FOOD"), nullptr);
}

TEST_F(TradeConsole, SellingAGoodTheBuildingDidNotListAddsItAsItsOwn)
{
    AddGood("TOV_FOOD", 10, 0.0f, 20.0f);
    AddCargo("TOV_GEMS", 4, 0, 50.0f);
    CGCTrade& t = Open();
    SelectCargo(t, "TOV_GEMS");
    t.GetSellCount()->SetValue(4);
    // Dropping a cargo item on the building's grid sells it.
    {
        CCommandArgument target(t.GetBuildingList());
        t.OnCommand(CControlListItem::kDropped, 0);
    }
    EXPECT_EQ(Cargo("TOV_GEMS"), 0);
    ASSERT_NE(HallGood("TOV_GEMS"), nullptr);
    EXPECT_EQ(HallGood("TOV_GEMS")->Units(), 4);
    CControlListItem* item = Item(t.GetBuildingList(), "TOV_GEMS");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_dwCategory, CGCTrade::kSold);
    EXPECT_TRUE(item->m_bSelected) << "the cargo grid has nothing left to select";
}

TEST_F(TradeConsole, ItemColoursFollowStockAndPriceRatio)
{
    struct SCase
    {
        std::uint32_t kind;
        bool inStock;
        float ratio;
        std::uint32_t colour;
    };
    const std::uint32_t G = CGCTrade::kGreen, Y = CGCTrade::kYellow, R = CGCTrade::kRed;
    const SCase cases[] = {
        {1, false, 1.0f, R}, {2, false, 1.0f, G}, // out of stock
        {2, true, 1.5f, G},  {2, true, 1.4f, Y},  {2, true, 0.71f, Y}, {2, true, 0.7f, R},
        {1, true, 1.5f, R},  {1, true, 1.4f, Y},  {1, true, 0.71f, Y}, {1, true, 0.7f, G},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(CGCTrade::ItemColour(cases[i].kind, cases[i].inStock, cases[i].ratio), cases[i].colour) << i;
}

TEST_F(TradeConsole, BuildingItemsShowStockAndPricesInTheirTooltips)
{
    Text("INT_TRADE_TEXT_06", "Base ");
    AddGood("TOV_FOOD", 7, 0.0f, 20.0f);
    STradeGood& ore = AddGood("TOV_ORE", 0, 8.0f, 0.0f);
    ore.m_fStock = 1.0f; // below one unit's mass of 2
    CGCTrade& t = Open();
    CControlListItem* food = Item(t.GetBuildingList(), "TOV_FOOD");
    CControlListItem* oreItem = Item(t.GetBuildingList(), "TOV_ORE");
    ASSERT_NE(food, nullptr);
    ASSERT_NE(oreItem, nullptr);
    EXPECT_EQ(food->m_nCount, 7);
    EXPECT_STREQ(food->m_ToolTip[1].GetText(), "Base 20.0");
    EXPECT_EQ(oreItem->m_nCount, 0);
    EXPECT_EQ(oreItem->m_dwColour, CGCTrade::kGreen) << "bought and out of stock";
}

TEST_F(TradeConsole, DealTextsFillTheirNumbersAsValuesNeverAsFormats)
{
    Text("INT_TRADE_TEXT_11", "%s %s %n %d");
    AddGood("TOV_FOOD", 5, 0.0f, 20.0f);
    CGCTrade& t = Open();
    t.GetBuyCount()->SetValue(2);
    t.Buy();
    EXPECT_EQ(Cargo("TOV_FOOD"), 2);
    EXPECT_NE(LogText(t).find("2 "), std::string::npos) << LogText(t);
}

} // namespace
