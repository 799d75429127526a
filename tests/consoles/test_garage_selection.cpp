// The garage's selection and button rules: what the buy, ammunition and
// repair buttons allow, the host's tabs while the glider cannot fly, the
// gun bars by the glider's mounts, the select sound and the stock shown
// cheapest first.
#include "common/GarageFixture.h"

#include <gtest/gtest.h>

namespace
{
using consoletest::CGarageTest;
using consoletest::SFitting;

class GarageSelection : public CGarageTest
{
};

TEST_F(GarageSelection, TheBuyButtonFollowsMoneyRoomMountsAndPrerequisites)
{
    struct SCase
    {
        const char* what;
        const char* glider;
        const char* item;
        float money;
        int count;
        int config;
        bool chaos;
        bool enabled;
    };
    // GUN_LASER 1000 (kind 4, 15 in weight), GUN_ROCKET 3000 (kind 5),
    // GL_HEAVY 20000, EQP_CHAOS_GEN 100, MIS_ROCKET 10 (weight 2).
    const SCase cases[] = {
        {"money short", "GL_HEAVY", "GUN_LASER", 999.0f, 1, 0, false, false},
        {"money exact", "GL_HEAVY", "GUN_LASER", 1000.0f, 1, 0, false, true},
        {"clan page ignores money", "GL_HEAVY", "GUN_LASER", 0.0f, 1, 1, false, true},
        {"a glider ignores room", "GL_LIGHT", "GL_HEAVY", 20000.0f, 1, 0, false, true},
        {"room is strict", "GL_HEAVY", "MIS_ROCKET", 1000.0f, 100, 0, false, false},
        {"room below", "GL_HEAVY", "MIS_ROCKET", 1000.0f, 99, 0, false, true},
        {"heavy gun on 0x201", "GL_HEAVY", "GUN_ROCKET", 5000.0f, 1, 0, false, true},
        {"heavy gun on 0x001", "GL_LIGHT", "GUN_ROCKET", 5000.0f, 1, 0, false, false},
        {"light gun on 0x001", "GL_LIGHT", "GUN_LASER", 5000.0f, 1, 0, false, true},
        // The regenerator is a name here, on an item the hall sells.
        {"regenerator without chaos", "GL_HEAVY", "GUN_LASER", 5000.0f, 1, 0, false, false},
        {"regenerator with chaos", "GL_HEAVY", "GUN_LASER", 5000.0f, 1, 0, true, true},
    };
    Stock("GUN_LASER", 5);
    Stock("GUN_ROCKET", 5);
    Stock("GL_HEAVY", 1);
    Stock("MIS_ROCKET", 500);
    CGCGarage& g = Garage();
    for (const SCase& c : cases)
    {
        SFitting f;
        f.glider = c.glider;
        Fit(f);
        // GL_HEAVY carries 1500 - 300 - the fitting's 145: 2 x 99 fits, 2 x
        // 100 does not once 1.0 more is loaded.
        m_Mechanoid.m_Garbage.m_Items.clear();
        const float room = m_Mechanoid.GetMaxGoodsWeight() - m_Mechanoid.GetGoodsWeight();
        if (std::string(c.item) == "MIS_ROCKET") AddCargo("TOV_ORE", int((room - 199.0f) / 2.0f));
        if (c.chaos) m_Mechanoid.AddEquipment(STypeKey(g_EquipmentManager.FindName("EQP_CHAOS_GEN")), 0);
        m_Mechanoid.UpdateEquipment();
        m_Mechanoid.m_Garbage.m_fMoney = c.money;
        g.m_iConfig = c.config;
        PickGoods(g, c.item);
        g.m_iCount = c.count;
        if (std::string(c.what).find("regenerator") == 0) CGCGarage::SetName(g.m_szGood, "EQP_REGENERATOR");
        g.CheckButtonsEnable();
        EXPECT_EQ(g.m_pBuyButton->m_bEnabled != 0, c.enabled) << c.what;
        g.m_iConfig = 0;
        while (m_Mechanoid.m_nAddCount > 0)
            m_Mechanoid.RemoveAddEquipment(0);
    }
}

TEST_F(GarageSelection, AmmunitionAndRepairNeedAGunBelowItsMaximumOrDamageAndTheMoney)
{
    SFitting f;
    f.gun2 = "GUN_ROCKET";
    Fit(f);
    // The rocket gun holds at most 20 (SPARE); it has 5.
    auto* rocket = const_cast<SGunParameters*>(m_Glider.m_Guns[1].GetGunDesc());
    ASSERT_NE(rocket, nullptr);
    rocket->m_fSpare = 20.0f;
    rocket->m_bTypeArms = 1;
    m_Glider.m_Guns[1].m_fAmmo = 5.0f;
    CGCGarage& g = Garage();
    PickSlot(g, CGCGarage::kSlotGun2);
    g.CheckButtonsEnable();
    EXPECT_EQ(g.m_pAmmoButton->m_bEnabled, 1);
    EXPECT_EQ(g.m_pAmmoButton->m_bVisible, 1);
    EXPECT_FLOAT_EQ(g.m_apSlots[CGCGarage::kSlotGun2]->m_fFill, 0.75f);
    m_Mechanoid.m_Garbage.m_fMoney = 99.0f;
    g.CheckButtonsEnable();
    EXPECT_EQ(g.m_pAmmoButton->m_bEnabled, 0);
    EXPECT_EQ(g.m_pAmmoButton->m_bVisible, 0);
    m_Mechanoid.m_Garbage.m_fMoney = 1000.0f;
    g.m_iConfigPage = 1;
    g.CheckButtonsEnable();
    EXPECT_EQ(g.m_pAmmoButton->m_bEnabled, 0) << "only on the player's own page";
    g.m_iConfigPage = 0;

    // A damaged reactor: half its 100 damage, a tenth of 500 for all of it.
    m_Mechanoid.m_Reactor.m_fDamage = 50.0f;
    m_Mechanoid.m_Reactor.m_bDamaged = 1;
    PickSlot(g, CGCGarage::kSlotReactor);
    g.CheckButtonsEnable();
    EXPECT_FLOAT_EQ(g.m_fRepairPrice, 25.0f);
    EXPECT_EQ(g.m_pRepairButton->m_bEnabled, 1);
    m_Mechanoid.m_Garbage.m_fMoney = 24.0f;
    g.CheckButtonsEnable();
    EXPECT_EQ(g.m_pRepairButton->m_bEnabled, 0);
    // The shield has no repair cost, nor an undamaged place.
    m_Mechanoid.m_Garbage.m_fMoney = 1000.0f;
    PickSlot(g, CGCGarage::kSlotEngine);
    g.CheckButtonsEnable();
    EXPECT_EQ(g.m_pRepairButton->m_bEnabled, 0);
    EXPECT_FLOAT_EQ(g.m_fRepairPrice, 0.0f);
}

TEST_F(GarageSelection, TabsStayShutWhileTheGliderCannotFly)
{
    CGCGarage& g = Garage();
    ASSERT_TRUE(g.IsGliderReady());
    g.CheckButtonsEnable();
    // The exit tab stands for the others (the fixture's host has no other
    // console).
    CMenuButton* trade = m_pHost->GetTab(CUIMenu::kTabExit);
    ASSERT_NE(trade, nullptr);
    EXPECT_EQ(trade->m_bEnabled, 1);
    for (const char* missing : {"engine", "reactor", "glider"})
    {
        SFitting f;
        if (std::string(missing) == "engine") f.engine = nullptr;
        if (std::string(missing) == "reactor") f.reactor = nullptr;
        if (std::string(missing) == "glider") f.glider = nullptr;
        Fit(f);
        EXPECT_FALSE(g.IsGliderReady()) << missing;
        g.CheckButtonsEnable();
        EXPECT_EQ(trade->m_bEnabled, 0) << missing;
        EXPECT_EQ(m_pHost->GetTab(CUIMenu::kTabGarage)->m_bEnabled, 1);
    }
}

TEST_F(GarageSelection, GunBarsFollowTheGlidersMounts)
{
    CGCGarage& g = Garage();
    // GL_HEAVY (class 3, mounts 0x201): the second reactor and engine, a
    // light gun in front, a heavy gun behind.
    g.UpdateGunSlots();
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotReactor2]->m_bEnabled, 1);
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotGun1]->m_bEnabled, 1);
    EXPECT_EQ(g.m_SlotKinds[CGCGarage::kSlotGun1], 4);
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotGun2]->m_bEnabled, 1);
    EXPECT_EQ(g.m_SlotKinds[CGCGarage::kSlotGun2], 5);
    EXPECT_FLOAT_EQ(g.m_fAmmoPrice, 100.0f);
    // GL_LIGHT (class 1, mount 0x001): one light gun, no second places.
    SFitting f;
    f.glider = "GL_LIGHT";
    Fit(f);
    g.UpdateGunSlots();
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotReactor2]->m_bEnabled, 0);
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotEngine2]->m_bEnabled, 0);
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotGun1]->m_bEnabled, 1);
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotGun2]->m_bEnabled, 0);
    // No glider: every extra bar off.
    f.glider = nullptr;
    Fit(f);
    g.UpdateGunSlots();
    EXPECT_EQ(g.m_apSlots[CGCGarage::kSlotGun1]->m_bEnabled, 0);
}

TEST_F(GarageSelection, ASlotClickedTwicePlaysTheSelectSoundOnce)
{
    CGCGarage& g = Garage();
    m_Events.Clear();
    PickSlot(g, CGCGarage::kSlotReactor);
    EXPECT_EQ(Good(g), "REACTOR_1");
    EXPECT_EQ(g.m_iGoodKind, 11);
    PickSlot(g, CGCGarage::kSlotReactor);
    EXPECT_EQ(m_Events.Played("SND_I_GLIDER_SELECT_DEVICE"), 1);
    PickSlot(g, CGCGarage::kSlotEngine);
    EXPECT_EQ(m_Events.Played("SND_I_GLIDER_SELECT_DEVICE"), 2);
    // Nothing selected: the glider's whole configuration.
    g.SelectSlot(-1);
    Reselect(g);
    EXPECT_EQ(g.m_iGoodKind, 100);
    EXPECT_EQ(Good(g), "GL_HEAVY");
}

TEST_F(GarageSelection, TheStockIsListedCheapestFirstAndAnEmptyEntryGoesOnlyWithTheGoodsRebuild)
{
    Stock("SHIELD_1", 1);  // 300
    Stock("REACTOR_1", 1); // 500
    Stock("ARMOR_1", 1);   // 200
    CGCGarage& g = Garage();
    EXPECT_EQ(Items(*g.m_pGoodsList), "ARMOR_1 SHIELD_1 REACTOR_1");
    CEqpTrade::Find(m_EqpTrade.FindBuilding(kHall)->m_Items, "SHIELD_1", 0)->m_nCount = 0;
    g.Refresh(2);
    EXPECT_EQ(Items(*g.m_pGoodsList), "ARMOR_1 SHIELD_1 REACTOR_1");
    g.Refresh(1);
    EXPECT_EQ(Items(*g.m_pGoodsList), "ARMOR_1 REACTOR_1");
}

} // namespace
