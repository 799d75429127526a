// Fitting in the garage: a purchase for the player's glider, a refusal, a
// clan configuration, missiles (spending only on a real purchase), a new
// glider over a damaged one; and modifications: where a modifier goes,
// from the cargo and from the stock (a refusal leaves nothing behind), and
// the modifier's page.
#include "common/GarageFixture.h"

#include <gtest/gtest.h>

namespace
{
using consoletest::CGarageTest;
using consoletest::SFitting;

class GarageConfig : public CGarageTest
{
protected:
    int Spent(int kind) const
    {
        int n = 0;
        for (const auto& s : m_Events.m_Spent)
            n += s.kind == kind;
        return n;
    }
    float SpentAmount(int kind) const
    {
        float sum = 0.0f;
        for (const auto& s : m_Events.m_Spent)
            if (s.kind == kind) sum += s.amount;
        return sum;
    }
    // A modifier unit in the player's cargo.
    void CarryModifier(const char* name, int count = 1) { AddCargo(name, count, 0, 0.0f, ITEM_STACK); }
};

TEST_F(GarageConfig, AGunBoughtForThePlayersGliderIsPaidRecordedAndSelected)
{
    Stock("GUN_ROCKET", 2);
    m_Mechanoid.m_Garbage.m_fMoney = 5000.0f;
    CGCGarage& g = Garage();
    PickGoods(g, "GUN_ROCKET");
    ASSERT_EQ(g.m_iGoodKind, 5);
    m_Events.Clear();
    g.OnCommand(CGCGarage::kBuy, 0);
    EXPECT_FLOAT_EQ(Money(), 2000.0f);
    EXPECT_EQ(StockCount("GUN_ROCKET"), 1);
    EXPECT_EQ(m_Mechanoid.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index(), g_GunManager.FindName("GUN_ROCKET"));
    EXPECT_EQ(m_Glider.m_Guns[1].m_Key.Index(), g_GunManager.FindName("GUN_ROCKET"));
    EXPECT_EQ(m_Events.Played("SND_I_DEVICE_INSTALL"), 1);
    EXPECT_EQ(Spent(1), 1);
    EXPECT_EQ(Spent(3), 0);
    EXPECT_EQ(g.GetSelectedSlot(), CGCGarage::kSlotGun2);
    EXPECT_EQ(SlotName(g, CGCGarage::kSlotGun2), "GUN_ROCKET");
}

TEST_F(GarageConfig, ARefusedFittingCostsNothing)
{
    SFitting f;
    f.glider = "GL_LIGHT"; // one light mount: no heavy gun
    Fit(f);
    Stock("GUN_ROCKET", 2);
    m_Mechanoid.m_Garbage.m_fMoney = 5000.0f;
    CGCGarage& g = Garage();
    PickGoods(g, "GUN_ROCKET");
    m_Events.Clear();
    g.InstallEqp();
    EXPECT_EQ(m_Events.Played("SND_I_NO"), 1);
    EXPECT_FLOAT_EQ(Money(), 5000.0f);
    EXPECT_EQ(StockCount("GUN_ROCKET"), 2);
    EXPECT_TRUE(m_Events.m_Spent.empty());
}

TEST_F(GarageConfig, MissilesCountAsSpentOnlyWhenReallyBought)
{
    Stock("MIS_ROCKET", 100);
    CGCGarage& g = Garage();
    PickGoods(g, "MIS_ROCKET");
    ASSERT_EQ(g.m_iGoodKind, 6);
    g.m_iCount = 10;
    m_Events.Clear();
    g.InstallEqp();
    EXPECT_FLOAT_EQ(Money(), kMoney - 100.0f);
    EXPECT_EQ(Spent(3), 1);
    EXPECT_FLOAT_EQ(SpentAmount(3), 100.0f);
    EXPECT_EQ(m_Mechanoid.m_Missiles[0].m_nCount, 10u);
    EXPECT_EQ(StockCount("MIS_ROCKET"), 90);

    // A full missile stock refuses a new kind: nothing spent.
    for (int i = 0; i < CMechanoid::kMaxMissiles; ++i)
    {
        m_Mechanoid.m_Missiles[i].m_Type = STypeKey(1000 + i);
        m_Mechanoid.m_Missiles[i].m_nCount = 1;
    }
    m_Mechanoid.m_nMissileCount = CMechanoid::kMaxMissiles;
    m_Events.Clear();
    g.InstallEqp();
    EXPECT_EQ(Spent(3), 0);
    EXPECT_EQ(m_Events.Played("SND_I_NO"), 1);
    m_Mechanoid.m_nMissileCount = 0;
}

TEST_F(GarageConfig, AClanConfigurationIsFittedWithoutMoneySaleOrSpending)
{
    SetOwner("ORG_PLAYER");
    Stock("GUN_LASER", 2);
    Stock("MIS_ROCKET", 100);
    m_Mechanoid.m_Garbage.m_fMoney = 0.0f;
    CGCGarage& g = Garage();
    g.OnCommand(CGCGarage::kNextPage, 0);
    g.OnCommand(CGCGarage::kNextPage, 0);
    g.OnCommand(CGCGarage::kApplyConfig, 0);
    ASSERT_EQ(g.m_iConfig, 2);
    PickGoods(g, "GUN_LASER");
    g.CheckButtonsEnable();
    EXPECT_EQ(g.m_pBuyButton->m_bEnabled, 1) << "no money needed on a clan page";
    m_Events.Clear();
    g.InstallEqp();
    EXPECT_EQ(m_Clan[2].m_Mechanoid.m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index(), g_GunManager.FindName("GUN_LASER"))
        << "page 2 is the trade configuration";
    EXPECT_EQ(m_Clan[1].m_Mechanoid.m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index(), -1);
    EXPECT_FLOAT_EQ(Money(), 0.0f);
    EXPECT_EQ(StockCount("GUN_LASER"), 2);
    PickGoods(g, "MIS_ROCKET");
    g.InstallEqp();
    EXPECT_TRUE(m_Events.m_Spent.empty());
    EXPECT_EQ(StockCount("MIS_ROCKET"), 100);
}

TEST_F(GarageConfig, ANewGliderOverADamagedOneChargesTheOldOnesRepairFirst)
{
    Stock("GL_LIGHT", 1);
    m_Mechanoid.m_Garbage.m_fMoney = 10000.0f;
    m_Mechanoid.m_GliderData.m_fDamage = 200.0f;
    m_Mechanoid.m_GliderData.m_bDamaged = 1;
    CGCGarage& g = Garage();
    PickGoods(g, "GL_LIGHT");
    ASSERT_EQ(g.m_iGoodKind, 3);
    m_Events.Clear();
    g.InstallEqp();
    // Repair 200 / 800 of 2000, GL_HEAVY taken back at 20000, GL_LIGHT
    // paid 5000.
    EXPECT_FLOAT_EQ(Money(), 10000.0f - 500.0f + 20000.0f - 5000.0f);
    EXPECT_EQ(m_Mechanoid.m_GliderData.GetIndex(), g_GliderManager.FindName("GL_LIGHT"));
    EXPECT_EQ(m_Events.Played("SND_I_GLIDER_NEW"), 1);
}

TEST_F(GarageConfig, AModifierGoesToTheFirstFittedItemThatTakesIt)
{
    SFitting f;
    f.gun2 = "GUN_ROCKET";
    Fit(f);
    CarryModifier("M_GUN_RATE", 3);
    CGCGarage& g = Garage();
    PickGlider(g, "M_GUN_RATE");
    EXPECT_TRUE(g.IsEnableModification());
    EXPECT_EQ(g.m_pModifButton->m_bVisible, 1);
    EXPECT_EQ(g.m_pModifButton->m_bEnabled, 1);
    EXPECT_EQ(g.m_pBuyButton->m_bVisible, 0);

    // First gun, then the second, then neither (property 0 taken on both).
    const int expected[] = {CGCGarage::kSlotGun1, CGCGarage::kSlotGun2};
    for (int slot : expected)
    {
        m_Events.Clear();
        PickGlider(g, "M_GUN_RATE");
        g.OnCommand(CGCGarage::kModify, 0);
        EXPECT_EQ(m_Events.Played("SND_I_DEVICE_UPGRADE"), 1) << slot;
        const int n = slot == CGCGarage::kSlotGun1 ? 0 : 1;
        EXPECT_EQ(m_Glider.m_Guns[n].m_dwModif, 0x2001u) << slot;
        EXPECT_EQ(m_Mechanoid.m_gEqp.m_Config[CFG_LIGHTGUN + n].m_dwModif, 0x2001u) << slot;
    }
    EXPECT_EQ(Cargo("M_GUN_RATE"), 1);
    PickGlider(g, "M_GUN_RATE");
    EXPECT_FALSE(g.IsEnableModification());
    m_Events.Clear();
    g.OnModification();
    EXPECT_EQ(m_Events.Played("SND_I_NO"), 1);
    EXPECT_EQ(Cargo("M_GUN_RATE"), 1) << "a refusal consumes nothing";
    // Armour takes no modifier at all.
    EXPECT_EQ(g.FindModifTarget(0x0001, nullptr), -1);
    EXPECT_EQ(g.FindModifTarget(0x6001, nullptr), -1);
}

TEST_F(GarageConfig, AModifierFromTheStockThatCannotBeFittedLeavesNothingBehind)
{
    Stock("M_GUN_RATE", 2);
    CGCGarage& g = Garage();
    PickGoods(g, "M_GUN_RATE");
    g.m_fPrice = 250.0f;
    m_Events.Clear();
    g.OnModification();
    EXPECT_EQ(m_Events.Played("SND_I_NO"), 1);
    EXPECT_FLOAT_EQ(Money(), kMoney);
    EXPECT_EQ(Cargo("M_GUN_RATE"), 0);
    EXPECT_EQ(StockCount("M_GUN_RATE"), 2);
    EXPECT_EQ(m_Events.Played("SND_I_DEVICE_INSTALL_MOD"), 0);
}

TEST_F(GarageConfig, TheModifiersPageGivesItsTypeGradeAndPercentages)
{
    const std::int32_t index = g_ModifManager.FindName("M_GUN_RATE");
    ASSERT_GE(index, 0);
    g_ModifManager.m_Records[std::size_t(index)].m_fKIncrease1 = 1.2f;
    g_ModifManager.m_Records[std::size_t(index)].m_fKDecrease2 = 0.9f;
    CGCGarage& g = Garage();
    CGCGarage::SetName(g.m_szGood, "M_GUN_RATE");
    std::string page;
    g.GetInfoModif(page);
    EXPECT_EQ(page, "INT_GARAGE_TEXT26<halign=right>INT_GARAGE_TEXT14</halign>"
                    "INT_GARAGE_TEXT27<halign=right><color:ab2424>INT_GARAGE_TEXT29<color></halign>"
                    "INT_GARAGE_TEXT28<halign=right>1</halign>"
                    "<br>INT_GARAGE_TEXT7 <halign=right>20%</halign>INT_GARAGE_TEXT8 <halign=right>10%</halign>");
    // Anything else has no modifier page.
    CGCGarage::SetName(g.m_szGood, "GUN_LASER");
    page.clear();
    g.GetInfoModif(page);
    EXPECT_EQ(page, "");
}

} // namespace
