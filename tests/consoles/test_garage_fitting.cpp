// The garage's money side: the price and kind of a selection, what a
// removal pays back (and gives back to the building's stock only when
// something was removed), and cargo thrown out in containers.
#include "common/GarageFixture.h"

#include "world/ObjectList.h"
#include "world/TheThing.h"

#include <gtest/gtest.h>

namespace
{
using consoletest::CGarageTest;
using consoletest::SFitting;

class GarageFitting : public CGarageTest
{
protected:
    // Everything sold to the hall so far (counts of its own list).
    int Spent(int kind) const
    {
        int n = 0;
        for (const auto& s : m_Events.m_Spent)
            n += s.kind == kind;
        return n;
    }
};

TEST_F(GarageFitting, ThePriceOfASelectionResolvesItsKindByTable)
{
    Stock("GL_HEAVY", 1);
    CGCGarage& g = Garage();
    struct SCase
    {
        const char* name;
        int kindBefore;
        float price;
        int kind;
    };
    const SCase cases[] = {
        {"M_GUN_RATE", 11, 0.0f, 100},   {"GUN_LASER", 100, 1000.0f, 4}, {"GUN_ROCKET", 100, 3000.0f, 5},
        {"REACTOR_1", 100, 500.0f, 11},  {"ARMOR_1", 100, 200.0f, 13},   {"SHIELD_1", 100, 300.0f, 12},
        {"EQP_CHAOS_GEN", 100, 100.0f, 15}, {"MIS_ROCKET", 100, 10.0f, 6}, {"TOV_FOOD", 100, 20.0f, 1},
        {"NOTHING_KNOWN", 11, 0.0f, 7},  {"NOTHING_KNOWN", 100, 0.0f, 100},
        // A glider without the glider bar or a goods-list selection.
        {"GL_LIGHT", 11, 0.0f, 7},       {"GL_LIGHT", 100, 0.0f, 100},
    };
    for (const SCase& c : cases)
    {
        CGCGarage::SetName(g.m_szGood, c.name);
        g.m_dwModif = 0;
        g.m_iGoodKind = c.kindBefore;
        EXPECT_FLOAT_EQ(g.GetGoodPrice(), c.price) << c.name;
        EXPECT_EQ(g.m_iGoodKind, c.kind) << c.name << " after " << c.kindBefore;
    }
    // With the goods list's glider selected it is a glider; a name given
    // outright leaves the selection's kind alone.
    PickGoods(g, "GL_HEAVY");
    EXPECT_EQ(g.m_iGoodKind, 3);
    EXPECT_FLOAT_EQ(g.m_fPrice, 20000.0f);
    char name[32] = {};
    CGCGarage::SetName(name, "GUN_ROCKET");
    EXPECT_FLOAT_EQ(g.GetGoodPrice(name), 3000.0f);
    EXPECT_EQ(g.m_iGoodKind, 3);
}

TEST_F(GarageFitting, RemovalPaysBackAndTheHallTakesBackOnlyWhatWasRemoved)
{
    CGCGarage& g = Garage();
    // A fitted reactor: its type's PRICE.
    PickSlot(g, CGCGarage::kSlotReactor);
    g.RemoveEqp();
    EXPECT_FLOAT_EQ(Money(), kMoney + 500.0f);
    EXPECT_FALSE(m_Mechanoid.m_Reactor.HasRecord());
    EXPECT_EQ(StockCount("REACTOR_1"), 1);
    EXPECT_EQ(Spent(1), 1);
    EXPECT_EQ(m_Events.Played("SND_I_DEVICE_INSTALL"), 1);

    // The empty place again: nothing paid, nothing taken back.
    m_Events.Clear();
    PickSlot(g, CGCGarage::kSlotReactor2);
    g.RemoveEqp();
    EXPECT_FLOAT_EQ(Money(), kMoney + 500.0f);
    EXPECT_EQ(StockCount("REACTOR_1"), 1);
    EXPECT_EQ(Spent(1), 0);

    // The second gun goes silently; the first one with the install sound.
    SFitting f;
    f.gun2 = "GUN_ROCKET";
    Fit(f);
    const float before = Money();
    PickSlot(g, CGCGarage::kSlotGun2);
    m_Events.Clear();
    g.RemoveEqp();
    EXPECT_FLOAT_EQ(Money(), before + 3000.0f);
    EXPECT_EQ(m_Mechanoid.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index(), -1);
    EXPECT_EQ(m_Glider.m_Guns[1].m_Key.Index(), -1);
    EXPECT_TRUE(m_Events.m_Sounds.empty());
    PickSlot(g, CGCGarage::kSlotGun1);
    g.RemoveEqp();
    EXPECT_EQ(m_Events.Played("SND_I_DEVICE_INSTALL"), 1);
    EXPECT_EQ(StockCount("GUN_LASER"), 1);
}

TEST_F(GarageFitting, ADamagedGlidersRemovalChargesItsRepairFirst)
{
    CGCGarage& g = Garage();
    // GL_HEAVY: DAMAGE 800, PRICE 20000; a quarter of its strength gone
    // costs a quarter of its tenth price.
    m_Mechanoid.m_GliderData.m_fDamage = 200.0f;
    m_Mechanoid.m_GliderData.m_bDamaged = 1;
    m_Mechanoid.m_Reactor.m_fDamage = 10.0f;
    m_Mechanoid.m_Reactor.m_bDamaged = 1;
    PickSlot(g, CGCGarage::kSlotGlider);
    m_Events.Clear();
    g.RemoveEqp();
    EXPECT_FLOAT_EQ(Money(), kMoney + 20000.0f - 500.0f);
    EXPECT_FALSE(m_Mechanoid.m_GliderData.HasRecord());
    EXPECT_FLOAT_EQ(m_Mechanoid.m_Reactor.m_fDamage, 0.0f) << "the whole mechanoid is mended";
    EXPECT_EQ(m_Events.Played("SND_I_GLIDER_NEW"), 1);
}

TEST_F(GarageFitting, GliderItemsPayTheirFullPriceAmmunitionOnlyWhatWasThere)
{
    const std::int32_t chaos = g_EquipmentManager.FindName("EQP_CHAOS_GEN");
    ASSERT_TRUE(m_Mechanoid.AddEquipment(STypeKey(chaos), 0));
    // The same name as cargo: the additional item goes first.
    AddCargo("EQP_CHAOS_GEN", 1, 0, 10.0f, ITEM_STACK);
    m_Mechanoid.m_Missiles[0].m_Type = STypeKey(g_MissileManager.FindName("MIS_ROCKET"));
    m_Mechanoid.m_Missiles[0].m_nCount = 4;
    m_Mechanoid.m_nMissileCount = 1;
    CGCGarage& g = Garage();
    EXPECT_EQ(Items(*g.m_pGliderList), "EQP_CHAOS_GEN MIS_ROCKET");

    PickGlider(g, "EQP_CHAOS_GEN");
    EXPECT_EQ(g.m_iGoodKind, 15);
    g.RemoveEqp();
    EXPECT_EQ(m_Mechanoid.m_nAddCount, 0);
    EXPECT_EQ(Cargo("EQP_CHAOS_GEN"), 1);
    EXPECT_FLOAT_EQ(Money(), kMoney + 100.0f);
    EXPECT_EQ(StockCount("EQP_CHAOS_GEN"), 1);

    // Ten asked, four there: four paid for.
    PickGlider(g, "MIS_ROCKET");
    ASSERT_EQ(g.m_iGoodKind, 6);
    g.m_iCount = 10;
    g.RemoveEqp();
    EXPECT_EQ(m_Mechanoid.m_nMissileCount, 0u);
    EXPECT_FLOAT_EQ(Money(), kMoney + 100.0f + 40.0f);
    EXPECT_EQ(StockCount("MIS_ROCKET"), 4);
}

TEST_F(GarageFitting, AClanConfigurationChangesWithoutMoneyOrStock)
{
    g_pWorld->FindBuilding(kHall);
    SetOwner("ORG_PLAYER");
    CGCGarage& g = Garage();
    ASSERT_EQ(g.m_nConfigPages, 3);
    g.m_iConfigPage = 1;
    g.OnCommand(CGCGarage::kApplyConfig, 0);
    ASSERT_EQ(g.m_iConfig, 1);
    EXPECT_EQ(SlotName(g, CGCGarage::kSlotGlider), "GL_HEAVY");
    PickSlot(g, CGCGarage::kSlotGlider);
    g.RemoveEqp();
    EXPECT_FALSE(m_Clan[0].m_Mechanoid.m_GliderData.HasRecord()) << "page 1 is the defence configuration";
    EXPECT_TRUE(m_Clan[1].m_Mechanoid.m_GliderData.HasRecord());
    EXPECT_FLOAT_EQ(Money(), kMoney);
    EXPECT_EQ(StockCount("GL_HEAVY"), 0);
    EXPECT_TRUE(m_Events.m_Spent.empty());
}

TEST_F(GarageFitting, CargoIsThrownOutInContainersByItsWeight)
{
    struct SCase
    {
        int count, kind;
        float massa;
        std::vector<int> containers;
    };
    const SCase cases[] = {
        {9, ITEM_GOODS, 33.0f, {3, 3, 3}},
        {7, ITEM_GOODS, 33.0f, {3, 3, 1}},
        {20, ITEM_GOODS, 5.0f, {10, 10}},
        {25, ITEM_GOODS, 10.0f, {10, 10, 1, 1, 1, 1, 1}},
        {2, ITEM_GOODS, 200.0f, {1, 1}},
        {3, ITEM_MECHANOID, 1.0f, {1, 1, 1}},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(CGCGarage::SplitDrop(c.count, c.kind, c.massa), c.containers) << c.count << " of " << c.massa;
}

TEST_F(GarageFitting, ThrownOutCargoLeavesTheHoldAsContainersFromTheSeededGenerator)
{
    CGCGarage& g = Garage();
    AddCargo("TOV_ORE", 12);
    CGCGarage::SetName(g.m_szGood, "TOV_ORE");
    const int before = g_ObjectList.m_Objects.GetCount();
    g_Random.SetState(777);
    g.DropGoods();
    EXPECT_EQ(Cargo("TOV_ORE"), 0);
    EXPECT_EQ(m_Events.Played("SND_I_DROP"), 1);
    // TOV_ORE weighs 2: ten in a container and then two single ones, each
    // container with its carrier.
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount() - before, 6);
    g_ObjectList.Clear();
}

} // namespace
