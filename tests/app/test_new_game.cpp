// A new game on the sample through the real application: the game
// preparation runs the world's generation (organisations, mechs, groups),
// the organisations' relations are set, the player's glider is fitted from
// "CFG_STARTUP" and starts at a start point, the camera holds the glider,
// and one frame (sky, hills) is read back from the real Direct3D 8 layer
// offscreen and written as "new_game.png" next to the test program. After
// some game time the groups fly and the hourly steps ran.
#include "common/GameDriver.h"

#include "foundation/Graphic.h"
#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "society/MechGroup.h"
#include "world/Trade.h"
#include "units/GliderObject.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"

#include "SampleAppTest.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>

namespace
{
using NewGame = apptest::CSampleAppTest;

// The largest distance of a current relation from the standard one, and
// from 0, over every pair.
float RelationsSpread(bool fromStandard)
{
    float most = 0.0f;
    const int n = g_pOrgManager->GetOrgCount();
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
        {
            const float current = g_pOrgManager->GetRelation(i, j, false);
            const float base = fromStandard ? g_pOrgManager->GetRelation(i, j, true) : 0.0f;
            most = std::max(most, std::fabs(current - base));
        }
    return most;
}
} // namespace

TEST_F(NewGame, RunsTheWorldsGenerationAndDrawsTheLocation)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "new game test"));
    ASSERT_NE(g_pWorld, nullptr);
    EXPECT_STREQ(g_pWorld->m_szLocationName, "sample");
    EXPECT_STREQ(app.m_szLocationName, "sample");

    // The world's generation: the organisations' mechs after the player's.
    EXPECT_GT(g_pWorld->m_Mechs.size(), std::size_t(5));
    EXPECT_EQ(g_pWorld->GetPlayerMech(), app.GetMainMech());
    EXPECT_NE(app.GetMainMechanoid(), nullptr);
    // The relations of a new game are set.
    ASSERT_NE(g_pOrgManager, nullptr);
    EXPECT_GT(RelationsSpread(false), 0.0f);

    // The player's glider, held by the game camera over the ground.
    CGliderObject* glider = g_pPlayerGlider;
    ASSERT_NE(glider, nullptr);
    EXPECT_EQ(glider->m_pMechanoid, app.GetMainMechanoid());
    auto* camera = gametest::g_GameDriver.GetCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(g_CameraMode, 1); // the fixture's orbit camera after the game's held one
    const CVector at = glider->GetPosition();
    EXPECT_GT(at.z, g_Location.GetHeight(at));

    // The clear day, so that the sky is blue; the camera looks over the hills.
    g_Environment.SetEnvironment(0, true);
    gametest::g_GameDriver.SetFreeCamera(true);
    gametest::g_GameDriver.m_vPosition = CVector{at.x, at.y, at.z + 20.0f};
    gametest::g_GameDriver.m_fHeading = 0.3f;
    gametest::g_GameDriver.m_fPitch = -0.3f;
    std::uint32_t width = 0, height = 0;
    ViewerFrame(width, height);
    const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "new_game.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("new game: %s\n", picture.c_str());
    std::set<std::uint32_t> shades;
    for (std::uint32_t y = height / 2; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) shades.insert(pixels[y * width + x] & 0xFFFFFF);
    EXPECT_GT(shades.size(), 100u);

    app.Done();
    EXPECT_FALSE(gametest::g_GameDriver.IsEntered());
    EXPECT_EQ(Tree().ErrorLog(), "");
}

using NewGameRunning = apptest::CRunningAppTest;

TEST_F(NewGameRunning, TheGroupsFlyAndTheHourlyStepsRunAsGameTimePasses)
{
    // The groups of the world's generation are on their way.
    int flying = 0;
    for (int i = 1; i < g_MechGroupList2.GetCount(); ++i) flying += g_MechGroupList2.m_Groups[std::size_t(i)] ? 1 : 0;
    EXPECT_GT(flying, 0);
    const float before = g_Environment.m_fTime;
    const float spread = RelationsSpread(true);
    // A game hour and a bit (the environment's day runs at the game's pace).
    g_Environment.m_fTime = std::floor(before) + 0.995f;
    for (int i = 0; i < 40; ++i) Frame();
    EXPECT_NE(int(g_Environment.m_fTime), int(before));
    // The hourly relaxing moved the relations towards the standard ones.
    EXPECT_LE(RelationsSpread(true), spread);
}
