// The garage's commands: where a drop goes (one drop, one command), the
// count under Shift and Alt, the configuration pages, the first tab with
// goods, repair (which place first, and only with the money) and the
// ammunition refill (charged only for a gun that is filled).
#include "common/GarageFixture.h"

#include "ui/markup/CommandArgument.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using consoletest::CGarageTest;
using consoletest::SFitting;

// A garage that records the action commands it sends itself and runs none.
class CRecordingGarage : public CGCGarage
{
public:
    void OnCommand(int code, int param) override
    {
        if (code == kBuy || code == kRemove || code == kModify)
        {
            m_Sent.push_back(code);
            return;
        }
        CGCGarage::OnCommand(code, param);
    }
    std::vector<int> m_Sent;
};

class GarageCommands : public CGarageTest
{
};

TEST_F(GarageCommands, ADropGoesToOneCommandByItsTarget)
{
    OpenHost();
    CRecordingGarage g;
    g.Init(plat::Rect{0, 0, 800, 600}, m_pHost.get());
    g.SetBuilding(kHall);
    struct SCase
    {
        const char* what;
        int target; // 0 a slot bar, 1 the goods list, 2 the glider list
        bool modifying;
        bool goodsSelected, gliderSelected;
        std::vector<int> sent;
        bool changed;
    };
    const SCase cases[] = {
        {"slot, buying", 0, false, true, false, {CGCGarage::kBuy}, false},
        {"slot, modifying from the stock", 0, true, true, false, {CGCGarage::kModify}, false},
        {"slot, modifying from the cargo", 0, true, false, true, {CGCGarage::kModify}, false},
        {"goods list", 1, false, false, true, {CGCGarage::kRemove}, true},
        {"goods list while modifying", 1, true, false, true, {CGCGarage::kRemove}, true},
        {"glider list, buying", 2, false, true, false, {CGCGarage::kBuy}, true},
        {"glider list, modifying", 2, true, false, true, {CGCGarage::kModify}, false},
    };
    Stock("GUN_LASER", 1);
    m_Mechanoid.AddEquipment(STypeKey(g_EquipmentManager.FindName("EQP_CHAOS_GEN")), 0);
    g.Refresh(7);
    for (const SCase& c : cases)
    {
        g.m_Sent.clear();
        g.m_bChanged = false;
        g.m_pGoodsList->SelectIndex(c.goodsSelected ? 0 : -1);
        g.m_pGliderList->SelectIndex(c.gliderSelected ? 0 : -1);
        if (c.modifying)
            g.m_pModifButton->Show();
        else
            g.m_pModifButton->Hide();
        g.m_pModifButton->Enable(1);
        CControl* target = c.target == 0   ? static_cast<CControl*>(g.m_apSlots[CGCGarage::kSlotGun1])
                           : c.target == 1 ? static_cast<CControl*>(g.m_pGoodsList)
                                           : static_cast<CControl*>(g.m_pGliderList);
        SendControlCommand(g, CGCGarage::kDropped, target);
        EXPECT_EQ(g.m_Sent, c.sent) << c.what;
        EXPECT_EQ(g.m_bChanged, c.changed) << c.what;
    }
    // A drop anywhere else does nothing.
    g.m_Sent.clear();
    SendControlCommand(g, CGCGarage::kDropped, g.m_pInfoWnd);
    EXPECT_TRUE(g.m_Sent.empty());
}

TEST_F(GarageCommands, ShiftAndAltCountMissilesOnly)
{
    CGCGarage& g = Garage();
    struct SCase
    {
        int kind;
        int held1, held2;
        int count;
    };
    const SCase cases[] = {
        {6, -1, -1, 1}, {6, 42, -1, 10}, {6, 54, -1, 10}, {6, 56, -1, 100},
        {6, 184, -1, 100}, {6, 42, 56, 100}, {4, 42, 56, 1}, {11, 56, -1, 1},
    };
    for (const SCase& c : cases)
    {
        for (int key : {42, 54, 56, 184})
            m_Input.Release(key);
        m_Input.EndFrame();
        for (int key : {c.held1, c.held2})
            if (key >= 0) m_Input.Press(key);
        g.m_iGoodKind = c.kind;
        m_Input.m_Cursor = plat::Point{-100, -100};
        g.ProcessMessages();
        EXPECT_EQ(g.m_iCount, c.count) << c.kind << " " << c.held1 << " " << c.held2;
        // The frame's selection step keeps the kind.
        EXPECT_EQ(g.m_iGoodKind, c.kind);
    }
}

TEST_F(GarageCommands, PagesWrapAndOnlyTheOwnBuildingHasClanPages)
{
    SetOwner("ORG_PLAYER");
    CGCGarage& g = Garage();
    ASSERT_EQ(g.m_nConfigPages, 3);
    g.OnCommand(CGCGarage::kPrevPage, 0);
    EXPECT_EQ(g.m_iConfigPage, 3);
    g.OnCommand(CGCGarage::kNextPage, 0);
    EXPECT_EQ(g.m_iConfigPage, 0);
    g.OnCommand(CGCGarage::kNextPage, 0);
    EXPECT_EQ(g.m_iConfigPage, 1);
    // Another organisation's building, after a visit to one's own.
    SetOwner("ORG_MERCHANTS");
    g.OnActivated();
    EXPECT_EQ(g.m_nConfigPages, 0);
    EXPECT_EQ(g.m_iConfigPage, 0);
    g.OnCommand(CGCGarage::kNextPage, 0);
    EXPECT_EQ(g.m_iConfigPage, 0);
}

TEST_F(GarageCommands, TheGarageOpensOnTheFirstTabWithGoods)
{
    struct SCase
    {
        const char* item;
        std::uint32_t filter;
    };
    const SCase cases[] = {
        {"GL_LIGHT", 0x1}, {"GUN_LASER", 0xF0}, {"REACTOR_1", 0xF00}, {"MIS_ROCKET", 0xF000}, {nullptr, 0xF000},
    };
    for (const SCase& c : cases)
    {
        m_EqpTrade.Clear();
        if (c.item) Stock(c.item, 1);
        CGCGarage& g = Garage();
        EXPECT_EQ(g.m_pGoodsList->GetFilter(), c.filter) << (c.item ? c.item : "nothing");
    }
}

TEST_F(GarageCommands, RepairMendsTheFirstSelectedPlaceAndNeedsTheMoney)
{
    CGCGarage& g = Garage();
    m_Mechanoid.m_GliderData.m_fDamage = 100.0f;
    m_Mechanoid.m_GliderData.m_bDamaged = 1;
    m_Mechanoid.m_Reactor.m_fDamage = 50.0f;
    m_Mechanoid.m_Reactor.m_bDamaged = 1;
    g.SelectSlot(CGCGarage::kSlotReactor);
    g.m_apSlots[CGCGarage::kSlotGlider]->m_bSelected = 1;
    g.m_fRepairPrice = 30.0f;
    m_Events.Clear();
    g.Repair();
    EXPECT_FLOAT_EQ(m_Mechanoid.m_GliderData.m_fDamage, 0.0f);
    EXPECT_FLOAT_EQ(m_Mechanoid.m_fArmor, m_Mechanoid.GetArmor(2));
    EXPECT_FLOAT_EQ(m_Mechanoid.m_Reactor.m_fDamage, 50.0f) << "one place a repair";
    EXPECT_FLOAT_EQ(Money(), kMoney - 30.0f);
    ASSERT_EQ(m_Events.m_Spent.size(), 1u);
    EXPECT_EQ(m_Events.m_Spent[0].kind, 2);
    EXPECT_FLOAT_EQ(g.m_fRepairPrice, 0.0f);

    // Without the money nothing is mended or charged.
    m_Mechanoid.m_Garbage.m_fMoney = 10.0f;
    g.SelectSlot(CGCGarage::kSlotReactor);
    g.m_fRepairPrice = 25.0f;
    m_Events.Clear();
    g.Repair();
    EXPECT_FLOAT_EQ(m_Mechanoid.m_Reactor.m_fDamage, 50.0f);
    EXPECT_FLOAT_EQ(Money(), 10.0f);
    EXPECT_EQ(m_Events.Played("SND_I_NO"), 1);
    EXPECT_TRUE(m_Events.m_Spent.empty());
}

TEST_F(GarageCommands, AmmunitionFillsTheSelectedGunAndIsChargedOnlyThen)
{
    SFitting f;
    f.gun2 = "GUN_ROCKET";
    Fit(f);
    auto* rocket = const_cast<SGunParameters*>(m_Glider.m_Guns[1].GetGunDesc());
    ASSERT_NE(rocket, nullptr);
    rocket->m_fSpare = 20.0f;
    rocket->m_bTypeArms = 1;
    m_Glider.m_Guns[1].m_fAmmo = 5.0f;
    CGCGarage& g = Garage();
    g.SelectSlot(CGCGarage::kSlotGun2);
    g.BuyAmmo();
    EXPECT_FLOAT_EQ(m_Glider.m_Guns[1].m_fAmmo, 20.0f);
    EXPECT_FLOAT_EQ(Money(), kMoney - 100.0f);
    ASSERT_EQ(m_Events.m_Spent.size(), 1u);
    EXPECT_EQ(m_Events.m_Spent[0].kind, 3);
    EXPECT_EQ(g.m_pAmmoButton->m_bEnabled, 0);

    // No gun slot selected, or no money: nothing charged.
    m_Events.Clear();
    g.SelectSlot(-1);
    g.BuyAmmo();
    EXPECT_FLOAT_EQ(Money(), kMoney - 100.0f);
    m_Glider.m_Guns[1].m_fAmmo = 0.0f;
    m_Mechanoid.m_Garbage.m_fMoney = 99.0f;
    g.SelectSlot(CGCGarage::kSlotGun2);
    g.BuyAmmo();
    EXPECT_FLOAT_EQ(m_Glider.m_Guns[1].m_fAmmo, 0.0f);
    EXPECT_FLOAT_EQ(Money(), 99.0f);
    EXPECT_TRUE(m_Events.m_Spent.empty());
}

} // namespace
