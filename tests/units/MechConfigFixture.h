// The unit fixture's tables with three glider types, two missile types and
// the configuration tables: "CFG_SCOUT" (a full fitting, missiles 1 and 3
// with a gap between, one extra item; a row marked DELETED and a row with
// an unknown item), "CFG_BARE" (not traded, a small hull, an unknown
// reactor) and "CFG_FULL" with 36 extra items, one more than fits.
// Displaced items given back to a building's stock are recorded.
#pragma once

#include "MechanoidFixture.h"

#include "units/EquipmentStock.h"
#include "units/MechConfigManager.h"

#include <string>
#include <vector>

namespace unittest
{

struct SGivenBack
{
    std::string building, item;
    std::int32_t count;
    std::uint32_t modif;
    bool operator==(const SGivenBack&) const = default;
};

class CRecordingStock : public IEquipmentStock
{
public:
    void OnSoldEqp(const char* building, const char* item, std::int32_t count, std::uint32_t modif) override
    {
        m_Given.push_back({building, item, count, modif});
    }
    std::vector<SGivenBack> m_Given;
};

class CMechConfigTest : public CMechanoidTest
{
protected:
    void SetUp() override
    {
        CMechanoidTest::SetUp();
        using namespace unit_sections;
        std::ofstream(m_dir / "main.ini", std::ios::app)
            << "[" << kConfigurations << "]\nfilename=configs.ini\n[" << kCfgEquipment
            << "]\nfilename=cfgeqp.ini\n";
        Write("gliders.ini",
              "[GL_LIGHT]\nWEIGHT=100\nMAXWEIGHT=400\nDAMAGE=200\nPRICE=5000\nRESTORE=1\nSTANDARD=3\n"
              "[GL_SMALL]\nWEIGHT=80\nMAXWEIGHT=300\nDAMAGE=100\nPRICE=2000\nSTANDARD=2\n"
              "[GL_WIDE]\nWEIGHT=150\nMAXWEIGHT=600\nDAMAGE=300\nPRICE=8000\nSTANDARD=3\nGUNMASK=771\n");
        Write("missiles.ini", "[MIS_ROCKET]\nDAMAGE=40\nWEIGHT=2\nEXPLO=EXP_SMALL\nPRICE=50\n"
                              "[MIS_MINE]\nWEIGHT=4\nPRICE=80\nNOTRADE=1\n");
        Write("configs.ini",
              "[CFG_SCOUT]\nRATING=3\nGLIDER=GL_LIGHT\nLIGHTGUN1=GUN_LASER\nHEAVYGUN1=GUN_ROCKET\n"
              "REACTOR=REACTOR_1\nENGINE=ENGINE_1\nSHIELD=SHIELD_1\nARMOR=ARMOR_1\n"
              "NAME_MISSILE1=MIS_ROCKET\nCOUNT_MISSILE1=10\nNAME_MISSILE3=MIS_MINE\nCOUNT_MISSILE3=4\n"
              "[CFG_BARE]\nNO_TRADING=1\nGLIDER=GL_SMALL\nREACTOR=NO_SUCH_REACTOR\n"
              "[CFG_FULL]\nGLIDER=GL_WIDE\n");
        std::string rows = "[R1]\nCFG=CFG_SCOUT\nEQP=EQP_ACCUMULATOR\n"
                           "[R2]\nCFG=CFG_SCOUT\nEQP=EQP_BOOSTER\nDELETED=2\n"
                           "[R3]\nCFG=CFG_SCOUT\nEQP=NO_SUCH_ITEM\n";
        for (int i = 0; i < 36; ++i)
            rows += "[F" + std::to_string(i) + "]\nCFG=CFG_FULL\nEQP=EQP_PUSHER\n";
        Write("cfgeqp.ini", rows);
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_MissileManager.Init(kMissiles));
        ASSERT_TRUE(g_GliderManager.Init(kGliders));
        ASSERT_TRUE(g_MechConfigManager.Init(kConfigurations));
        m_previousStock = g_pfnEquipmentStock;
        s_pStock = &m_Stock;
        g_pfnEquipmentStock = []() -> IEquipmentStock* { return s_pStock; };
    }
    void TearDown() override
    {
        g_pfnEquipmentStock = m_previousStock;
        s_pStock = nullptr;
        CMechanoidTest::TearDown();
    }

    static std::int32_t Config(const char* name) { return g_MechConfigManager.FindName(name); }
    static std::int32_t Glider(const char* name) { return g_GliderManager.FindName(name); }
    static std::int32_t Missile(const char* name) { return g_MissileManager.FindName(name); }

    CRecordingStock m_Stock;
    IEquipmentStock* (*m_previousStock)() = nullptr;
    static inline IEquipmentStock* s_pStock = nullptr;
};

} // namespace unittest
