// A fixture that writes small unit tables into an INI-mode resource
// database in the test's own directory and loads every unit table from it.
#pragma once

#include "common/LogDirTest.h"

#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "units/EquipmentManager.h"
#include "units/GunManager.h"
#include "units/ModifManager.h"
#include "units/KindManagers.h"
#include "units/UnitTypes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace unittest
{

// Modifier identifiers of the fixture's "Модификаторы" rows.
constexpr std::uint32_t kGunRate = 0x2001;   // weapon, property 0, level 1
constexpr std::uint32_t kGunDamage = 0x2010; // weapon, property 1, level 1
constexpr std::uint32_t kGunSaver = 0x2100;  // weapon, property 2, level 1
constexpr std::uint32_t kReactorA = 0x3001;  // reactor, property 0, level 1
constexpr std::uint32_t kReactorB = 0x3020;  // reactor, property 1, level 2
constexpr std::uint32_t kEngineA = 0x4001;   // engine, property 0, level 1
constexpr std::uint32_t kShieldC = 0x5100;   // shield, property 2, level 1

class CUnitTables : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        using namespace unit_sections;
        Write("main.ini", std::string("[") + kWeapons + "]\nfilename=weapons.ini\n[" + kEquipment +
                              "]\nfilename=equipment.ini\n[" + kModifiers + "]\nfilename=modif.ini\n[" +
                              kMissiles + "]\nfilename=missiles.ini\n[" + kExplosions +
                              "]\nfilename=explo.ini\n[" + kGliders + "]\nfilename=gliders.ini\n[" + kGoods +
                              "]\nfilename=goods.ini\n");
        Write("weapons.ini",
              "[GUN_LASER]\nTYPE=0\nShootType=1\nRATEOFFIRE=120\nDAMAGE=10\nPOWER=2\nPRICE=1000\n"
              "EXPLO=EXP_SMALL\nWEIGHT=15\nTFIRE=8\n"
              "[GUN_GONE]\nDeleted=1\nTYPE=1\n"
              "[GUN_ROCKET]\nTYPE=1\nShootType=2\nMISSILE=MIS_ROCKET\nPRICE=3000\nTYPEARMS=1\nSPARE=100\n"
              "[GUN_PLAIN]\nTYPE=1\nMISSILE=NO_SUCH_MISSILE\nTCOOL=3\n");
        Write("equipment.ini",
              "[REACTOR_1]\nTYPE=1\nVALUE1=10\nDAMAGE=100\nWEIGHT=50\nPRICE=500\n"
              "[REACTOR_2]\nTYPE=1\nVALUE1=20\nDAMAGE=200\nWEIGHT=60\nPRICE=900\n"
              "[ENGINE_1]\nTYPE=4\nPOWER=5\nVALUE1=100\nDAMAGE=100\nWEIGHT=40\nPRICE=400\n"
              "[SHIELD_1]\nTYPE=2\nVALUE1=100\nVALUE2=50\nVALUE3=10\nPOWER=1\nDAMAGE=100\nWEIGHT=10\nPRICE="
              "300\n"
              "[ARMOR_1]\nTYPE=3\nVALUE1=20\nVALUE3=5\nPOWER=0.5\nDAMAGE=100\nWEIGHT=30\nPRICE=200\n"
              "[EQP_GONE]\nDeleted=1\n"
              "[EQP_ACCUMULATOR]\nPOWER=0.1\nWEIGHT=5\nPRICE=100\n"
              "[EQP_BOOSTER]\nPOWER=0.1\n"
              "[EQP_STASIS_GENERATOR]\nPOWER=0.1\n"
              "[EQP_ANTIROCKET_SYSTEM]\nPOWER=0.1\n"
              "[EQP_INVISIBILITY_SHIELD]\nPOWER=0.1\n"
              "[EQP_EXTRA_ARMOR]\n"
              "[EQP_MOBILIZER]\n"
              "[EQP_FUEL_EXPANDER]\n"
              "[EQP_SHIELD_MULTIPLIER]\n"
              "[EQP_PUSHER]\nPOWER=0.1\n"
              "[EQP_HEAVY]\nPOWER=100\n");
        Write(
            "modif.ini",
            "[M_GUN_RATE]\nUNICUM_ID=8193\nK_INCREASE_1_PAR=1.5\nK_DECREASE_2_PAR=0.8\nK_CHANGE_PRICE=1.2\n"
            "[M_GUN_DAMAGE]\nUNICUM_ID=8208\nK_INCREASE_1_PAR=1.2\nK_DECREASE_2_PAR=0.5\nK_CHANGE_PRICE=1.5\n"
            "[M_GUN_SAVER]\nUNICUM_ID=8448\nK_INCREASE_1_PAR=1.5\nK_DECREASE_2_PAR=0.9\nK_CHANGE_PRICE=1.1\n"
            "[M_REACTOR_A]\nUNICUM_ID=12289\nK_INCREASE_1_PAR=1.5\nK_DECREASE_2_PAR=0.5\nK_CHANGE_PRICE=2\n"
            "[M_REACTOR_B]\nUNICUM_ID=12320\nK_INCREASE_1_PAR=3\nK_DECREASE_2_PAR=-5\nK_CHANGE_PRICE=-9\n"
            "[M_ENGINE_A]\nUNICUM_ID=16385\nK_INCREASE_1_PAR=1.1\nK_DECREASE_2_PAR=1\nK_CHANGE_PRICE=1\n"
            "[M_SHIELD_C]\nUNICUM_ID=20736\nK_INCREASE_1_PAR=2\nK_DECREASE_2_PAR=0.5\nK_CHANGE_PRICE=1\n");
        Write("missiles.ini", "[MIS_ROCKET]\nDAMAGE=40\nWEIGHT=2\nEXPLO=EXP_SMALL\n");
        Write("explo.ini", "[EXP_SMALL]\nDAMAGE=25\n");
        Write("gliders.ini",
              "[GL_LIGHT]\nWEIGHT=100\nMAXWEIGHT=400\nDAMAGE=200\nPRICE=5000\nRESTORE=1\nSTANDARD=3\n");
        Write("goods.ini",
              "[TOV_ORE]\nMASSA=2\nPRICE=10\n[TOV_MECHANOID]\nMASSA=50\n[TOV_FREE]\nNOTRADE=1\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        RegisterUnitManagers();
        ASSERT_TRUE(g_ExploManager.Init(kExplosions));
        ASSERT_TRUE(g_MissileManager.Init(kMissiles));
        ASSERT_TRUE(g_GliderManager.Init(kGliders));
        ASSERT_TRUE(g_GoodsManager.Init(kGoods));
        ASSERT_TRUE(g_ModifManager.Init(kModifiers));
        ASSERT_TRUE(g_EquipmentManager.Init(kEquipment));
        ASSERT_TRUE(g_GunManager.Init(kWeapons));
        g_Random.SetState(12345);
    }
    void TearDown() override
    {
        plat::SetCurrentDirectory(m_previous.c_str());
        testutil::CLogDirTest::TearDown();
    }

    void Write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    static std::int32_t Eqp(const char* name) { return g_EquipmentManager.FindName(name); }
    static std::int32_t Gun(const char* name) { return g_GunManager.FindName(name); }

    std::string m_previous;
};

} // namespace unittest
