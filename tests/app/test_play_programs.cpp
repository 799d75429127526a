// No program compiled during play: the real application over the sample
// tree warms every program its drawing needs while the loading screen shows,
// so that a flight through the sample's day, night and rain, firing the
// light gun, hit by a rocket (its trail, fireball and debris), and into the
// hall and out again makes the Direct3D layer compile none after loading (a
// program built in a frame stalls that frame). A program the warm-up missed
// is named, key and all, in the debug output.
#include "common/GameDriver.h"

#include "location/Environment.h"
#include "location/Location.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/MissileObject.h"
#include "world/MMEngine.h"
#include "world/ObjectFrame.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

namespace
{

constexpr int kForwardKey = 0x11;
constexpr int kFireKey = 0x1D;

class PlayPrograms : public apptest::CRunningAppTest
{
protected:
    // n frames with the keys as they are held.
    void Fly(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            ASSERT_TRUE(Frame(&m_keys));
            m_keys.Update();
        }
    }
    static std::uint32_t CompiledAfterLoading()
    {
        return graph.m_lpDevice->GetStatistics().programsAfterLoading;
    }

    apptest::CHeldKeys m_keys;
};

} // namespace

TEST_F(PlayPrograms, AFlightThroughDayNightRainAFightAndTheHallCompilesNone)
{
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(glider, nullptr);
    ASSERT_GE(g_Environment.GetCount(), 3);

    // Each environment record (day, night, rain), flown forward with the
    // light gun firing.
    for (int environment = 0; environment < 3; ++environment)
    {
        g_Environment.SetEnvironment(environment, true);
        m_keys.m_held = kForwardKey;
        m_keys.m_held2 = kFireKey;
        Fly(20);
        m_keys.m_held = m_keys.m_held2 = -1;
        Fly(5);
        EXPECT_EQ(CompiledAfterLoading(), 0u) << "environment " << environment;
    }

    // A rocket from straight above hits the glider: its trail, the
    // fireball with its light and the debris.
    g_Environment.SetEnvironment(0, true);
    const CVector at = glider->GetPosition();
    CObjectFrame frame;
    frame.SetForward(CVector{0.0f, 0.0f, -1.0f});
    CMatrix launch = frame.m_Matrix;
    launch.SetTranslation(at + CVector{0.0f, 0.0f, 40.0f});
    auto* rocket = static_cast<CMissileObject*>(
        g_MissileManager.CreateMissile(g_MissileManager.FindName("MIS_ROCKET"), launch, nullptr, 0));
    ASSERT_NE(rocket, nullptr);
    for (int i = 0; i < 60 && !rocket->HasExploded(); ++i)
    {
        glider->SetPosition(at);
        glider->m_vVelocity = CVector{};
        Fly(1);
    }
    EXPECT_TRUE(rocket->HasExploded());
    Fly(20);
    EXPECT_EQ(CompiledAfterLoading(), 0u) << "the hit";

    // Into the hall at its open door, out by the building menu's exit tab.
    auto* hall = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    ASSERT_NE(hall, nullptr);
    const CVector door = hall->GetPosition();
    glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
    glider->SetPosition(CVector{door.x, door.y - 45.0f, door.z + 8.0f});
    glider->m_vVelocity = CVector{};
    for (int i = 0; i < 40 && hall->m_nDoorState != CBuildingObject::kOpen; ++i)
        Fly(1);
    ASSERT_EQ(hall->m_nDoorState, CBuildingObject::kOpen);
    m_Menus.m_Script = [&](IUI& screen, int pass) { m_Menus.ClickExitTab(screen, pass); };
    for (int i = 0; i < 100 && gametest::g_GameDriver.GetBuildingEntries() == 0; ++i)
    {
        glider->m_vVelocity.x = 0.0f;
        glider->m_vVelocity.y = 10.0f;
        Fly(1);
    }
    ASSERT_EQ(gametest::g_GameDriver.GetBuildingEntries(), 1);
    EXPECT_EQ(m_Menus.m_nMenus, 1);
    EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
    Fly(10);
    EXPECT_EQ(CompiledAfterLoading(), 0u) << "the hall";
}
