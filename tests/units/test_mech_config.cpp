// Mechanoid configurations: the tables, fitting from a configuration and
// the slot rules for adding one item.
#include "MechConfigFixture.h"

#include <cstring>
#include <functional>
#include <string>

using unittest::CMechConfigTest;
using unittest::SGivenBack;

class MechConfig : public CMechConfigTest
{
};

TEST_F(MechConfig, TablesGiveKeysMissilesAndExtraItems)
{
    ASSERT_EQ(g_MechConfigManager.GetCount(), 3);
    const SMechanoidEquipment* scout = g_MechConfigManager.GetConfig(Config("CFG_SCOUT"));
    ASSERT_NE(scout, nullptr);
    EXPECT_STREQ(scout->m_szName, "CFG_SCOUT");
    EXPECT_EQ(scout->m_nRating, 3);
    EXPECT_EQ(scout->m_bNoTrading, 0);
    const std::int32_t keys[CFG_COUNT] = {
        Glider("GL_LIGHT"), Gun("GUN_LASER"), Gun("GUN_ROCKET"), Eqp("REACTOR_1"), -1, Eqp("ENGINE_1"), -1,
        Eqp("SHIELD_1"),    Eqp("ARMOR_1")};
    for (int k = 0; k < CFG_COUNT; ++k)
        EXPECT_EQ(scout->m_Config[k].m_Key.Index(), keys[k]) << g_MechConfigColumns[k];
    // Missile 2 is empty: missile 3 still counts.
    ASSERT_EQ(scout->m_nMissileTypeCount, 2);
    ASSERT_EQ(scout->m_nMissileCountCount, 2);
    EXPECT_EQ(scout->m_MissileTypes[0].Index(), Missile("MIS_ROCKET"));
    EXPECT_EQ(scout->m_MissileTypes[1].Index(), Missile("MIS_MINE"));
    EXPECT_EQ(scout->m_MissileCounts[1], 4);
    // The DELETED row and the unknown item add nothing.
    ASSERT_EQ(scout->m_nEquipmentCount, 1);
    EXPECT_EQ(scout->m_Equipment[0].Index(), Eqp("EQP_ACCUMULATOR"));

    const SMechanoidEquipment* bare = g_MechConfigManager.GetConfig(Config("CFG_BARE"));
    EXPECT_EQ(bare->m_bNoTrading, 1);
    EXPECT_EQ(bare->m_Config[CFG_REACTOR].m_Key.Index(), -1);
    EXPECT_EQ(bare->m_nMissileTypeCount, 0);

    // The 36th extra item does not fit: refused with one line.
    EXPECT_EQ(g_MechConfigManager.GetConfig(Config("CFG_FULL"))->m_nEquipmentCount, 35);
    EXPECT_NE(ReadText("error.log").find("row 'F35': configuration 'CFG_FULL' has 35 items already"),
              std::string::npos);
    EXPECT_EQ(g_MechConfigManager.GetConfig(3), nullptr);
}

TEST_F(MechConfig, InitConfigFitsEverySlotAndTheMissileTypeOfIndexZero)
{
    CMechanoid m;
    m.m_nLevel = 4;
    m.AddEquipment(STypeKey(Eqp("EQP_BOOSTER")), 0);
    m.m_Devices[EQP_BOOSTER].m_nIndex = 1;
    m.InitConfig(Config("CFG_SCOUT"), false);
    EXPECT_EQ(m.m_nConfigIndex, Config("CFG_SCOUT"));
    EXPECT_EQ(m.m_Reactor.GetIndex(), Eqp("REACTOR_1"));
    EXPECT_EQ(m.m_Reactor2.GetIndex(), -1);
    EXPECT_EQ(m.m_Engine.GetIndex(), Eqp("ENGINE_1"));
    EXPECT_EQ(m.m_Armor.GetIndex(), Eqp("ARMOR_1"));
    EXPECT_EQ(m.m_GliderData.GetIndex(), Glider("GL_LIGHT"));
    EXPECT_FLOAT_EQ(m.m_fArmor, 200.0f);
    EXPECT_FLOAT_EQ(m.m_fShield, 100.0f);
    EXPECT_FLOAT_EQ(m.m_fEnergy, 301.0f);
    ASSERT_EQ(m.m_nAddCount, 1);
    EXPECT_EQ(m.GetAddEquipment(0)->GetIndex(), Eqp("EQP_ACCUMULATOR"));
    EXPECT_EQ(m.m_Devices[EQP_BOOSTER].m_nIndex, 0u);
    // The rocket is missile type 0, and it is carried.
    ASSERT_EQ(Missile("MIS_ROCKET"), 0);
    ASSERT_EQ(m.m_nMissileCount, 2u);
    EXPECT_EQ(m.m_Missiles[0].m_Type.Index(), 0);
    EXPECT_EQ(m.m_Missiles[0].m_nCount, 10u);
    EXPECT_EQ(m.m_Missiles[1].m_nCount, 4u);
    // A world mechanoid takes its level into the configuration; the player
    // only when asked.
    EXPECT_EQ(m.m_gEqp.m_nRating, 4);
    EXPECT_EQ(m.m_nConfigLevel, 4);

    CMechanoid player;
    player.m_bPlayer = 1;
    player.m_nLevel = 7;
    player.InitConfig(Config("CFG_SCOUT"), false);
    EXPECT_EQ(player.m_gEqp.m_nRating, 3);
    player.m_nLevel = 7; // fitting repairs, which sets the level from the rating points
    player.InitConfig(Config("CFG_SCOUT"), true);
    EXPECT_EQ(player.m_gEqp.m_nRating, 7);

    // -1 fits from the record as it stands.
    m.m_gEqp.m_Config[CFG_REACTOR].m_Key.SetIndex(Eqp("REACTOR_2"));
    m.m_gEqp.m_nEquipmentCount = 0;
    m.InitConfig(-1, false);
    EXPECT_EQ(m.m_Reactor.GetIndex(), Eqp("REACTOR_2"));
    EXPECT_EQ(m.m_nAddCount, 0);
    EXPECT_EQ(m.m_nConfigIndex, Config("CFG_SCOUT"));
}

TEST_F(MechConfig, AConfigurationOutsideTheTableIsLoggedAndThrown)
{
    CMechanoid m;
    std::strcpy(m.m_gEqp.m_szName, "OLD");
    EXPECT_ANY_THROW(m.InitConfig(9, false));
    const std::string log = ReadText("error.log");
    EXPECT_NE(log.find("Error in 9 configuration"), std::string::npos);
    EXPECT_NE(log.find("Error in OLD configuration"), std::string::npos);
}

namespace
{
struct SSlotCase
{
    const char* what;
    const char* glider;              // the configuration's hull
    std::vector<const char*> fitted; // fitted first, nothing given back
    const char* item;
    float result;
    std::function<bool(const CMechanoid&)> check;
    std::vector<std::string> givenBack; // item names, in order
};
} // namespace

TEST_F(MechConfig, AddToConfigSlotRules)
{
    auto eqp = [](const CMechanoid& m, const CEquipment& slot, const char* name)
    {
        (void)m;
        return slot.GetIndex() == Eqp(name);
    };
    auto key = [](const CMechanoid& m, int slot, const char* name)
    { return m.m_gEqp.m_Config[slot].m_Key.Index() == g_GunManager.FindName(name); };
    const SSlotCase cases[] = {
        {"empty engine slot",
         "GL_LIGHT",
         {},
         "ENGINE_1",
         0.0f,
         [&](const CMechanoid& m) { return eqp(m, m.m_Engine, "ENGINE_1") && m.m_Engine2.GetIndex() == -1; },
         {}},
        {"second reactor where the hull has room",
         "GL_LIGHT",
         {"REACTOR_1"},
         "REACTOR_2",
         0.0f,
         [&](const CMechanoid& m)
         { return eqp(m, m.m_Reactor, "REACTOR_1") && eqp(m, m.m_Reactor2, "REACTOR_2"); },
         {}},
        {"both reactors fitted: the first is displaced",
         "GL_LIGHT",
         {"REACTOR_1", "REACTOR_2"},
         "REACTOR_2",
         500.0f,
         [&](const CMechanoid& m) { return eqp(m, m.m_Reactor, "REACTOR_2"); },
         {"REACTOR_1"}},
        {"a small hull: the first is displaced",
         "GL_SMALL",
         {"REACTOR_1"},
         "REACTOR_2",
         500.0f,
         [&](const CMechanoid& m)
         {
             return eqp(m, m.m_Reactor, "REACTOR_2") && m.m_Reactor2.GetIndex() == -1 &&
                    m.m_gEqp.m_Config[CFG_REACTOR].m_Key.Index() == Eqp("REACTOR_2");
         },
         {"REACTOR_1"}},
        {"the same item with no room",
         "GL_SMALL",
         {"REACTOR_1"},
         "REACTOR_1",
         -1.0f,
         [&](const CMechanoid& m) { return eqp(m, m.m_Reactor, "REACTOR_1"); },
         {}},
        {"armour is replaced",
         "GL_LIGHT",
         {"ARMOR_1"},
         "ARMOR_1",
         200.0f,
         [&](const CMechanoid& m) { return eqp(m, m.m_Armor, "ARMOR_1"); },
         {"ARMOR_1"}},
        {"a shield into an empty slot",
         "GL_LIGHT",
         {},
         "SHIELD_1",
         0.0f,
         [&](const CMechanoid& m) { return eqp(m, m.m_Shield, "SHIELD_1"); },
         {}},
        {"a device once",
         "GL_LIGHT",
         {"EQP_ACCUMULATOR"},
         "EQP_ACCUMULATOR",
         -1.0f,
         [](const CMechanoid& m) { return m.m_nAddCount == 1; },
         {}},
        {"another device",
         "GL_LIGHT",
         {"EQP_ACCUMULATOR"},
         "EQP_BOOSTER",
         0.0f,
         [](const CMechanoid& m) { return m.m_nAddCount == 2; },
         {}},
        {"an unknown name",
         "GL_LIGHT",
         {},
         "NO_SUCH_THING",
         -1.0f,
         [](const CMechanoid&) { return true; },
         {}},
        {"a light gun on the free light mount",
         "GL_LIGHT",
         {},
         "GUN_LASER",
         0.0f,
         [&](const CMechanoid& m) { return key(m, CFG_LIGHTGUN, "GUN_LASER"); },
         {}},
        {"a light gun where only the light mount takes one",
         "GL_LIGHT",
         {"GUN_LASER"},
         "GUN_LASER",
         1000.0f,
         [&](const CMechanoid& m)
         { return key(m, CFG_LIGHTGUN, "GUN_LASER") && m.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index() == -1; },
         {"GUN_LASER"}},
        {"a heavy gun on the heavy mount",
         "GL_LIGHT",
         {"GUN_LASER"},
         "GUN_ROCKET",
         0.0f,
         [&](const CMechanoid& m)
         { return key(m, CFG_HEAVYGUN, "GUN_ROCKET") && key(m, CFG_LIGHTGUN, "GUN_LASER"); },
         {}},
        {"both mounts take it and both are taken: the heavy one's gun goes",
         "GL_WIDE",
         {"GUN_LASER", "GUN_ROCKET"},
         "GUN_PLAIN",
         3000.0f,
         [&](const CMechanoid& m)
         { return key(m, CFG_HEAVYGUN, "GUN_PLAIN") && key(m, CFG_LIGHTGUN, "GUN_LASER"); },
         {"GUN_ROCKET"}},
        {"no mount takes a heavy gun",
         "GL_SMALL",
         {},
         "GUN_ROCKET",
         -1.0f,
         [](const CMechanoid& m) { return m.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index() == -1; },
         {}},
        {"a smaller hull: what it cannot carry comes off",
         "GL_WIDE",
         {"REACTOR_1", "REACTOR_2", "ENGINE_1", "ENGINE_1", "GUN_ROCKET", "GUN_LASER"},
         "GL_SMALL",
         8000.0f + 3000.0f + 1000.0f + 900.0f + 400.0f,
         [&](const CMechanoid& m)
         {
             return m.m_GliderData.GetIndex() == Glider("GL_SMALL") &&
                    m.m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index() == -1 &&
                    m.m_gEqp.m_Config[CFG_HEAVYGUN].m_Key.Index() == -1 && m.m_Reactor2.GetIndex() == -1 &&
                    m.m_Engine2.GetIndex() == -1 && eqp(m, m.m_Reactor, "REACTOR_1") &&
                    m.m_gEqp.m_Config[CFG_GLIDER].m_Key.Index() == Glider("GL_SMALL");
         },
         {"GL_WIDE", "GUN_ROCKET", "GUN_LASER", "REACTOR_2", "ENGINE_1"}},
    };
    for (const SSlotCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        CMechanoid m;
        m.m_gEqp.m_Config[CFG_GLIDER].m_Key.SetIndex(Glider(c.glider));
        m.m_GliderData.Assign(STypeKey(Glider(c.glider)), 0);
        for (const char* item : c.fitted)
            ASSERT_GE(m.AddToConfig(item, "HALL", 1, 0, false), 0.0f) << item;
        m_Stock.m_Given.clear();
        EXPECT_FLOAT_EQ(m.AddToConfig(c.item, "HALL", 1, 0, true), c.result);
        EXPECT_TRUE(c.check(m));
        std::vector<std::string> given;
        for (const SGivenBack& g : m_Stock.m_Given)
        {
            EXPECT_EQ(g.building, "HALL");
            EXPECT_EQ(g.count, 1);
            given.push_back(g.item);
        }
        EXPECT_EQ(given, c.givenBack);
    }
}

TEST_F(MechConfig, GunsWithoutGivingBackAndOnTheGliderObject)
{
    CMechanoid m;
    m.InitConfig(Config("CFG_SCOUT"), false);
    // Not asked to give back: the key changes, nothing is displaced.
    EXPECT_FLOAT_EQ(m.AddToConfig("GUN_LASER", "HALL", 1, unittest::kGunRate, false), 0.0f);
    EXPECT_EQ(m.m_gEqp.m_Config[CFG_LIGHTGUN].m_dwModif, unittest::kGunRate);
    EXPECT_TRUE(m_Stock.m_Given.empty());

    // With a glider object the mount itself is fitted; a displaced gun's
    // price carries its modifiers, and nothing goes back without a building.
    Fly(m);
    const float price = m.AddToConfig("GUN_LASER", "", 1, 0, true);
    SGunParameters modified;
    g_GunManager.GetParam(&modified, Gun("GUN_LASER"), unittest::kGunRate, false);
    EXPECT_FLOAT_EQ(price, modified.m_fPrice);
    EXPECT_EQ(m_Glider.m_Guns[0].m_Key.Index(), Gun("GUN_LASER"));
    EXPECT_EQ(m_Glider.m_Guns[0].m_dwModif, 0u);
    EXPECT_TRUE(m_Stock.m_Given.empty());
}

TEST_F(MechConfig, MissilesJoinTheirStockEntry)
{
    CMechanoid m;
    EXPECT_FLOAT_EQ(m.AddToConfig("MIS_ROCKET", "", 5, 0, true), 0.0f);
    EXPECT_FLOAT_EQ(m.AddToConfig("MIS_ROCKET", "", 7, 0, true), 0.0f);
    ASSERT_EQ(m.m_nMissileCount, 1u);
    EXPECT_EQ(m.m_Missiles[0].m_nCount, 12u);
    // Fifteen kinds fill the stock: a sixteenth is refused.
    m.m_nMissileCount = CMechanoid::kMaxMissiles;
    EXPECT_FLOAT_EQ(m.AddToConfig("MIS_MINE", "", 1, 0, true), -1.0f);
    EXPECT_EQ(m.m_nMissileCount, std::uint32_t(CMechanoid::kMaxMissiles));
}
