// The sample hall in the game application over the sample tree: the
// building "SAMPLE_HALL" stands where the objects file puts it with its
// door parts; the player's glider flown at its open door passes the
// doorway into its entry zone and enters it (the building event fills the
// world engine's current building and ends the game cycle), the
// application opens the hall's building menu, and the player's click on
// its exit tab lets the glider out in front of the door; a frame looking
// at it, read back from the real Direct3D 8 layer, differs from the same
// frame with the hall hidden ("sample_hall.png").
#include "common/GameDriver.h"

#include "foundation/FrameTimer.h"
#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace
{

class SampleHall : public apptest::CSteppedAppTest
{
protected:
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
        }
    }
};
} // namespace

TEST_F(SampleHall, ThePlayerEntersTheHallAndComesOutAtItsDoor)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "hall test"));
    apptest::CMenuInput menus(app, [this] { Tick(); });
    menus.Install();
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(glider, nullptr);
    g_Environment.SetEnvironment(0, true);

    auto* hall = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    ASSERT_NE(hall, nullptr) << Tree().ErrorLog();
    EXPECT_STREQ(hall->m_szTypeName, "HALL_SAMPLE");
    const CVector at = hall->GetPosition();
    const CVector entrance = hall->GetEntrancePoint(0);
    EXPECT_NEAR(entrance.x, at.x, 0.01f);
    EXPECT_NEAR(entrance.y, at.y - 30.0f, 0.01f);

    // In front of the door, facing it: the door opens.
    const CVector front{at.x, at.y - 45.0f, at.z + 8.0f};
    glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
    glider->SetPosition(front);
    glider->m_vVelocity = CVector{};
    Frames(2);
    EXPECT_EQ(hall->m_nDoorState, CBuildingObject::kOpening);
    for (int i = 0; i < 30 && hall->m_nDoorState != CBuildingObject::kOpen; ++i)
        Frames(1);
    ASSERT_EQ(hall->m_nDoorState, CBuildingObject::kOpen);

    // Flown on at a walk through the doorway, the hall's collision and the
    // ground following on the way, into the entry zone: the building event
    // ends the cycle; the cycle's building menu opens, the player leaves it
    // by the exit tab and the glider comes out at the door.
    for (int i = 0; i < 100 && gametest::g_GameDriver.GetBuildingEntries() == 0; ++i)
    {
        glider->m_vVelocity.x = 0.0f;
        glider->m_vVelocity.y = 10.0f;
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }
    const CVector entered = glider->GetPosition() - at;
    EXPECT_EQ(gametest::g_GameDriver.GetBuildingEntries(), 1)
        << "the glider stopped at " << entered.x << ' ' << entered.y << ' ' << entered.z << " from the hall";
    EXPECT_EQ(g_MMEngine.m_bInBuilding, 1);
    EXPECT_STREQ(g_MMEngine.m_szBuildingId, "SAMPLE_HALL");
    EXPECT_EQ(g_MMEngine.m_bLeaveCycle, 1);
    EXPECT_EQ(g_MMEngine.m_nExitReason, CMMApp::kExitBuilding);
    menus.m_Script = [&](IUI& screen, int pass) { menus.ClickExitTab(screen, pass); };
    app.HandleCycleExit(0, true);
    EXPECT_EQ(menus.m_nMenus, 1);
    EXPECT_EQ(menus.m_nResult, 1000);
    EXPECT_EQ(g_MMEngine.m_bLeaveCycle, 0);
    EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
    Frames(1);
    const CVector out = glider->GetPosition();
    EXPECT_NEAR(out.x, at.x, 6.0f);
    EXPECT_LT(out.y, at.y - 35.0f);
    EXPECT_EQ(gametest::g_GameDriver.GetBuildingEntries(), 1);

    // Looking at the hall from 150 units before its door.
    glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
    glider->SetPosition(CVector{at.x, at.y - 150.0f, at.z + 10.0f});
    glider->m_vVelocity = CVector{};
    Frames(30);
    std::uint32_t w = 0, h = 0;
    const std::vector<std::uint32_t> shown = ViewerFrame(w, h);
    ASSERT_EQ(shown.size(), std::size_t(w) * h);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "sample_hall.png";
    gfxtest::WritePng(picture.c_str(), shown, w, h);
    hall->m_bShown = 0;
    const std::vector<std::uint32_t> hidden = ViewerFrame(w, h);
    hall->m_bShown = 1;
    std::size_t differ = 0;
    for (std::size_t i = 0; i < shown.size(); ++i)
        differ += (shown[i] & 0xFFFFFF) != (hidden[i] & 0xFFFFFF);
    EXPECT_GT(differ, shown.size() / 50) << "the hall covers part of the view";

    menus.Remove();
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
