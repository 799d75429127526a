// Tower and ground-turret kinds over the combat fixture, the camera near the
// scene, and gliders placed straight into the object list.
#pragma once

#include "CombatFixture.h"

#include "location/ViewCamera.h"
#include "units/GliderObject.h"
#include "units/TankObject.h"
#include "units/TowerObject.h"

namespace unittest
{

class CTurretTest : public CCombatTest
{
protected:
    void SetUp() override
    {
        CCombatTest::SetUp();
        Write("main.ini",
              ReadText("main.ini") + "[Tower]\nfilename=tower.ini\n[TANKS]\nfilename=tanks.ini\n");
        Write("tower.ini",
              "[TW_GUARD]\nHARMLESS_GUN=GUN_BEAM\nFIGHTING_GUN=GUN_BEAM\nPUNITIVE_GUN=GUN_BEAM\n"
              "ANGLE_UP=60\nANGLE_DOWN=-30\n"
              "[TW_PLAIN]\nHARMLESS_GUN=GUN_BEAM\nFIGHTING_GUN=GUN_BEAM\nANGLE_UP=60\nANGLE_DOWN=-30\n"
              "[TW_FLY]\nFLIGHT=1\nFIGHTING_GUN=GUN_BEAM\nANGLE_UP=60\nANGLE_DOWN=-60\n");
        Write("tanks.ini",
              "[TK_POST]\nFIGHTING_GUN=GUN_BEAM\nROTATE_ANGLE=45\nANGLE_UP=45\nANGLE_DOWN=-10\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_TowerManager.Init("Tower"));
        ASSERT_TRUE(g_TankManager.Init("TANKS"));
        m_savedCamera = g_ViewCamera.m_vPosition;
        g_ViewCamera.m_vPosition = CVector{500.0f, 500.0f, 200.0f};
    }
    void TearDown() override
    {
        g_ViewCamera.m_vPosition = m_savedCamera;
        CCombatTest::TearDown();
    }
    static CMatrix At(const CVector& p)
    {
        CMatrix m(1.0f);
        m.SetTranslation(p);
        return m;
    }
    static CTowerObject* Tower(const char* kind, const CVector& at)
    {
        const CMatrix m = At(at);
        return static_cast<CTowerObject*>(g_TowerManager.CreateObject(kind, &m, nullptr));
    }
    static CTankObject* Tank(const CVector& at)
    {
        const CMatrix m = At(at);
        return static_cast<CTankObject*>(g_TankManager.CreateObject("TK_POST", &m, nullptr));
    }
    static CGliderObject* Glider(const CVector& at, const CVector& velocity = {})
    {
        auto* g = new CGliderObject;
        g->m_fRadius = 5.0f;
        g->m_bCollidable = 1;
        g->m_bShown = 1;
        g->SetPosition(at);
        g->m_vVelocity = velocity;
        g_ObjectList.AddObject(g);
        return g;
    }
    // A glider whose light gun is in a burst.
    static void MakeFiring(CGliderObject* g)
    {
        g->m_Guns[0].m_bMounted = 1;
        g->m_Guns[0].m_nBurstFrames = 3;
    }

    CVector m_savedCamera;
};

} // namespace unittest
