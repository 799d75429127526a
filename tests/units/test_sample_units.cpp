// The unit tables of the sample data tree (written by mksample) load
// through their managers. The ctest entry units.sample_tables runs this
// with TARVOX_SAMPLE_DIR set to a fresh tree.
#include "common/SampleTree.h"
#include "common/LogDirTest.h"

#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "units/EquipmentManager.h"
#include "units/GunManager.h"
#include "units/ModifManager.h"
#include "units/KindManagers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class SampleUnits : public testutil::CLogDirTest
{
};

TEST_F(SampleUnits, TheSampleTablesLoad)
{
    const testutil::CInSampleTree sample;
    if (!sample.Root()) GTEST_SKIP() << "TARVOX_SAMPLE_DIR not set";
    ASSERT_TRUE(sample.Entered());
    ASSERT_TRUE(g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase));
    using namespace unit_sections;
    ASSERT_TRUE(g_GoodsManager.Init(kGoods));
    ASSERT_TRUE(g_ModifManager.Init(kModifiers));
    ASSERT_TRUE(g_EquipmentManager.Init(kEquipment));
    ASSERT_TRUE(g_ExploManager.Init(kExplosions));
    ASSERT_TRUE(g_MissileManager.Init(kMissiles));
    ASSERT_TRUE(g_GunManager.Init(kWeapons));

    EXPECT_EQ(g_GunManager.GetCount(), 8); // the deleted row is left out
    // A weapon of each way of shooting, with its missile and explosion types.
    for (const char* name : {"GUN_BOMBER", "GUN_IMPULSE", "GUN_FAN", "GUN_MINELAYER", "GUN_ROCKET_LAUNCHER"})
        EXPECT_NE(g_GunManager.GetGun(g_GunManager.FindName(name))->GetMissileId(), -1) << name;
    const SMissileParameters* bomb = g_MissileManager.Param(g_MissileManager.FindName("MIS_BOMB"));
    ASSERT_NE(bomb, nullptr);
    EXPECT_EQ(bomb->m_iSubMissile, g_MissileManager.FindName("MIS_PLASMA"));
    EXPECT_EQ(bomb->m_iExplo, g_ExploManager.FindName("EXP_SMALL"));
    EXPECT_NE(g_ExploManager.FindName("EXP_WATER"), -1);
    EXPECT_EQ(g_ExploManager.Param(g_ExploManager.FindName("EXP_SMALL"))->m_dwLightColor, 0x2080FFu);
    EXPECT_EQ(g_GunManager.FindName("GUN_OLD"), -1);
    const SGunParameters* laser = g_GunManager.GetGun(g_GunManager.FindName("GUN_LASER"));
    EXPECT_FLOAT_EQ(laser->m_fRateOfFire, 5.0f);
    EXPECT_FLOAT_EQ(laser->m_fCoolTime, 5.0f);
    EXPECT_EQ(laser->m_bDoubleGun, 1);
    EXPECT_EQ(g_GunManager.GetGun(g_GunManager.FindName("GUN_ROCKET_LAUNCHER"))->m_bTypeArms, 1);

    EXPECT_EQ(g_EquipmentManager.GetCount(), 8);
    EXPECT_EQ(g_EquipmentManager.GetEquipment(g_EquipmentManager.FindName("EQP_ACCUMULATOR"))->m_nType, 5);
    SEquipmentParameters reactor;
    g_EquipmentManager.GetParam(&reactor, g_EquipmentManager.FindName("REACTOR_SMALL"), 0x3001);
    EXPECT_FLOAT_EQ(reactor.m_fDamage, 180.0f);
    EXPECT_FLOAT_EQ(reactor.m_fPrice, 1200.0f);

    EXPECT_EQ(g_ModifManager.GetCount(), 3);
    EXPECT_EQ(g_ModifManager.FindModif(0x5001), g_ModifManager.FindName("MOD_SHIELD_1"));
    EXPECT_FLOAT_EQ(g_GoodsManager.FindGoods("TOV_MECHANOID")->m_fMass, 50.0f);
    EXPECT_FLOAT_EQ(g_GoodsManager.FindGoods("TOV_MECHANOID")->m_fPrice, 0.0f);
    EXPECT_EQ(ReadText("error.log"), "");

    g_ResourceDB.Done();
}
