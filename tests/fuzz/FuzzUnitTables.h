// The unit tables of the mechanoid and equipment-stock fuzz targets and
// their seed writers: a small INI resource database written into the
// working directory and loaded through the unit managers, with gliders,
// weapons, equipment, modifiers, missiles and three configurations.
#pragma once

#include "foundation/ResourceDB.h"
#include "units/KindManagers.h"
#include "units/UnitTypes.h"

#include <fstream>
#include <string>

namespace fuzz
{

inline bool LoadUnitTables()
{
    using namespace unit_sections;
    auto write = [](const char* name, const std::string& text)
    { std::ofstream(name, std::ios::binary) << text; };
    write("main.ini", std::string("[") + kWeapons + "]\nfilename=weapons.ini\n[" + kEquipment +
                          "]\nfilename=equipment.ini\n[" + kModifiers + "]\nfilename=modif.ini\n[" +
                          kMissiles + "]\nfilename=missiles.ini\n[" + kGliders +
                          "]\nfilename=gliders.ini\n[" + kConfigurations + "]\nfilename=configs.ini\n[" +
                          kCfgEquipment + "]\nfilename=cfgeqp.ini\n");
    write("weapons.ini", "[GUN_LASER]\nTYPE=0\nPRICE=1000\n[GUN_ROCKET]\nTYPE=1\nPRICE=3000\n");
    write("equipment.ini", "[REACTOR_1]\nTYPE=1\nVALUE1=10\nDAMAGE=100\nPRICE=500\n"
                           "[ENGINE_1]\nTYPE=4\nVALUE1=100\nDAMAGE=100\nPRICE=400\n"
                           "[SHIELD_1]\nTYPE=2\nVALUE1=100\nVALUE2=50\nDAMAGE=100\nPRICE=300\n"
                           "[ARMOR_1]\nTYPE=3\nVALUE1=20\nDAMAGE=100\nPRICE=200\n"
                           "[EQP_ACCUMULATOR]\nPRICE=100\n[EQP_BOOSTER]\nPRICE=200\n");
    write("modif.ini", "[M_REACTOR_A]\nUNICUM_ID=12289\nK_CHANGE_PRICE=2\nPROBABILITY=0.1\n"
                       "[M_GUN_RATE]\nUNICUM_ID=8193\nK_CHANGE_PRICE=1.2\nPROBABILITY=0.2\n");
    write("missiles.ini", "[MIS_ROCKET]\nPRICE=50\n[MIS_MINE]\nPRICE=80\n");
    write("gliders.ini",
          "[GL_LIGHT]\nDAMAGE=200\nPRICE=5000\nSTANDARD=3\n[GL_SMALL]\nDAMAGE=100\nSTANDARD=2\n");
    write("configs.ini",
          "[CFG_SCOUT]\nGLIDER=GL_LIGHT\nLIGHTGUN1=GUN_LASER\nHEAVYGUN1=GUN_ROCKET\n"
          "REACTOR=REACTOR_1\nENGINE=ENGINE_1\nSHIELD=SHIELD_1\nARMOR=ARMOR_1\n"
          "NAME_MISSILE1=MIS_ROCKET\nCOUNT_MISSILE1=10\nNAME_MISSILE2=MIS_MINE\nCOUNT_MISSILE2=3\n"
          "[CFG_SMALL]\nGLIDER=GL_SMALL\nREACTOR=REACTOR_1\nENGINE=ENGINE_1\n"
          "[CFG_EMPTY]\n");
    write("cfgeqp.ini", "[R1]\nCFG=CFG_SCOUT\nEQP=EQP_ACCUMULATOR\n[R2]\nCFG=CFG_SCOUT\nEQP=EQP_BOOSTER\n");
    return g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni) && g_ModifManager.Init(kModifiers) &&
           g_EquipmentManager.Init(kEquipment) && g_GunManager.Init(kWeapons) &&
           g_MissileManager.Init(kMissiles) && g_GliderManager.Init(kGliders) &&
           g_MechConfigManager.Init(kConfigurations);
}

} // namespace fuzz
