// Weapons of every shoot type and missile types of several kinds over the
// mechanoid fixture, a test scene for the object list, and a frame timer
// that steps a fixed frame time.
#pragma once

#include "MechanoidFixture.h"

#include "foundation/FrameTimer.h"
#include "location/Location.h"
#include "tools/mksample/SampleLocation.h"
#include "units/ExploObject.h"
#include "units/Gun.h"
#include "units/SplinterObject.h"
#include "units/MissileObject.h"
#include "world/ObjectList.h"
#include "world/WorldTestScene.h"

#include <filesystem>
#include <memory>
#include <string>

namespace unittest
{

class CCombatTest : public CMechanoidTest
{
protected:
    static constexpr std::int64_t kFrequency = 1000;
    static constexpr std::int64_t kStep = 50; // dt = 0.05 s

    void SetUp() override
    {
        CMechanoidTest::SetUp();
        using namespace unit_sections;
        Write("weapons.ini",
              // rate 2/s, instant beam, heat weapon
              "[GUN_BEAM]\nTYPE=0\nShootType=1\nRATEOFFIRE=120\nDAMAGE=10\nPOWER=2\nTFIRE=8\n"
              "DAMAGETYPE=1\nEXPLO=EXP_SMALL\n"
              // continuous beam that overheats after 0.5 s and cools in 0.25 s
              "[GUN_HOT]\nTYPE=0\nShootType=1\nRATEOFFIRE=600\nDAMAGE=1\nVTYPE=1\nTFIRE=0.5\nTCOOL=0.25\n"
              // ammunition rockets
              "[GUN_ROCKET]\nTYPE=1\nShootType=2\nRATEOFFIRE=60\nMISSILE=MIS_ROCKET\nTYPEARMS=1\nSPARE=5\n"
              "RECONSTRUCTION=1\n"
              // fans of plasma
              "[GUN_FAN0]\nTYPE=2\nShootType=9\nRATEOFFIRE=60\nMISSILE=MIS_PLASMA\nXSTATE=0\nANGLE=30\n"
              "[GUN_FAN80]\nTYPE=2\nShootType=9\nRATEOFFIRE=60\nMISSILE=MIS_PLASMA\nXSTATE=80\nANGLE=30\n"
              "[GUN_DOUBLE]\nTYPE=2\nShootType=4\nDoubleGun=1\nRATEOFFIRE=600\nMISSILE=MIS_PLASMA\n");
        Write("explo.ini", "[EXP_SMALL]\nDAMAGE=25\nRADIUS=20\n[EXP_DEFAULT]\nDAMAGE=5\n[EXP_WATER]\n");
        ASSERT_TRUE(g_ExploManager.Init(kExplosions));
        Write("missiles.ini",
              "[MIS_ROCKET]\nTYPE=2\nSPEED=100\nDAMAGE=40\nWEIGHT=2\nEXPLO=EXP_SMALL\nLIFE_TIME=5\nT=3\n"
              "STRENGTH=10\n"
              "[MIS_PLASMA]\nTYPE=1\nSPEED=200\nDAMAGE=5\nSCALE=2\nLIFE_TIME=1\n"
              "[MIS_TURN]\nTYPE=2\nROTATE=90\n"
              "[MIS_BOMB]\nTYPE=4\nWEIGHT=3\n"
              "[MIS_MINE]\nTYPE=9\nDETONATION_DELAY=2\nNUMSTATE=0\n"
              "[MIS_SPHERE]\nTYPE=8\nSCALE=0\n"
              "[MIS_LAID]\nTYPE=9\nDISTANCE_DETONATION=30\nDETONATION_DELAY=0.2\nLIFE_TIME=100\n"
              "EXPLO=EXP_SMALL\n"
              "[MIS_FUSE]\nTYPE=2\nSPEED=100\nDISTANCE_DETONATION=20\nLIFE_TIME=10\nEXPLO=EXP_SMALL\n"
              "[MIS_CLUSTER]\nTYPE=4\nSUBTYPE=3\nNUMSTATE=4\nSUBMISSILE=MIS_PLASMA\nLIFE_TIME=10\n"
              "EXPLO=EXP_SMALL\n");
        ASSERT_TRUE(g_MissileManager.Init(kMissiles));
        ASSERT_TRUE(g_GunManager.Init(kWeapons));
        m_savedTimer = g_FrameTimer;
        g_FrameTimer = CFrameTimer([this] { return m_now; }, kFrequency);
        // Ten equal frames settle the timer's mean on the step.
        for (int i = 0; i < CFrameTimer::kStamps + 1; ++i)
            Tick();
        g_pShotEvents = nullptr;
    }
    void TearDown() override
    {
        CloseMap();
        g_FrameTimer = m_savedTimer;
        g_pShotEvents = nullptr;
        CMechanoidTest::TearDown();
    }
    void Tick()
    {
        m_now += kStep;
        g_FrameTimer.Update();
    }
    // The sample location's map (with its lake) written into the test's
    // directory and opened; false when either fails.
    bool OpenSampleMap()
    {
        const std::string root = m_dir.string();
        std::filesystem::create_directories(m_dir / "Data" / "Locs");
        if (!WriteSampleLocation(root)) return false;
        g_Location.Init(0, 0);
        g_Location.ClearCache();
        return g_Location.OpenMap((root + "\\" + kSampleLocationMap).c_str());
    }
    // A test that opened a map leaves none behind, also when it stopped
    // half-way: a later test would read cells from the closed map file.
    static void CloseMap()
    {
        g_Location.m_CellStream.Close();
        g_Location.ClearCache();
        g_Location.Init(0, 0);
        g_Location.m_nCellsX = g_Location.m_nCellsY = 0;
        g_Location.m_nWidth = g_Location.m_nHeight = 0;
    }
    static float Dt() { return float(kStep) / float(kFrequency); }
    static std::int32_t Missile(const char* name) { return g_MissileManager.FindName(name); }
    static int Count(int type)
    {
        SPointerArray<CMMObject> all;
        g_ObjectList.GetObjectList(type, all);
        int alive = 0;
        for (int i = 0; i < all.count; ++i)
            alive += all.items[i]->m_bAlive;
        return alive;
    }
    static int MissileCount() { return Count(OBJ_MISSILE); }
    static int ExploCount() { return Count(OBJ_EXPLOSION); }

    std::int64_t m_now = 0;
    CFrameTimer m_savedTimer;
    worldtest::CScene m_Scene;
};

} // namespace unittest
