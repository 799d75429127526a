// A new game on the sample through the real application: the game
// preparation runs the world's generation (organisations, mechs, groups),
// the organisations' relations are set, the player's glider is fitted from
// "CFG_STARTUP" and starts at a start point, the camera holds the glider,
// and one frame (sky, hills) is read back from the real Direct3D 8 layer
// offscreen and written as "new_game.png" next to the test program. In the
// running game: the frame's rules (the first frame and a paused one give the
// world no time, the field of view by camera mode), the second mission
// started by the location's hourly script, its sensor raised by the
// player's glider and its timer, the cockpit's command menu and the bomb
// marker from the game, and after some game time the groups fly,
// the hourly steps ran (the organisations, the hour's script event, the
// location's mesh release) and the relations stay set; a script's journey
// back into the map brings the location's state along.
#include "app/InputConfig.h"
#include "common/GameDriver.h"

#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "graphics/PngWriter.h"
#include "hud/Renderer.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "script/MMScriptManager.h"
#include "script/Script.h"
#include "script/game/ScriptManager.h"
#include "society/MechGroup.h"
#include "world/ObjectList.h"
#include "world/SysObject.h"
#include "world/Smoke.h"
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
#include <cstdlib>
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

// The hours the sample's clock script counted (its "OnHour").
int ClockHours()
{
    auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
    auto* clock = scripts ? dynamic_cast<CScript*>(scripts->LoadScript("sample_clock")) : nullptr;
    const char* hours = clock ? clock->GetVarValue("HOURS") : nullptr;
    return hours ? std::atoi(hours) : 0;
}

// The pixels of the command menu's place in the cockpit drawn in its
// enabled green.
int GreenMenuPixels(const std::vector<std::uint32_t>& pixels, std::uint32_t width, std::uint32_t height)
{
    int green = 0;
    for (std::uint32_t y = 150; y < std::min(height, 230u); ++y)
        for (std::uint32_t x = 118; x < std::min(width, 400u); ++x)
        {
            const std::uint32_t p = pixels[y * width + x];
            const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            green += g > 200 && r < 80 && b < 80 ? 1 : 0;
        }
    return green;
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
    // The game's own start script ran (the sample's "TARVOXII.src").
    auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
    ASSERT_NE(scripts, nullptr);
    EXPECT_EQ(scripts->GetVar("START_SCRIPT"), 1);
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
    ASSERT_NE(g_pWorld, nullptr);
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(glider, nullptr);
    auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
    ASSERT_NE(scripts, nullptr);
    ASSERT_NE(g_pMMScriptManager, nullptr);
    // A glider placed at or flown into a building whose doors work (once
    // its model has loaded) enters it: the player leaves by the exit tab.
    m_Menus.m_Script = [&](IUI& screen, int pass) { m_Menus.ClickExitTab(screen, pass); };

    // The first frame of a pass gives the world no time, the next one does;
    // a paused frame gives it none either, and the cockpit knows the pause.
    // The new game's world ran ahead by 10 x 1000 s (in its 30 s steps).
    const float worldStart = g_pWorld->m_fTime;
    EXPECT_NEAR(worldStart, 10 * 990.0f, 1.0f);
    Tick();
    m_App.Render(true);
    EXPECT_EQ(g_pWorld->m_fTime, worldStart);
    ASSERT_TRUE(Frame());
    EXPECT_GT(g_pWorld->m_fTime, worldStart);
    m_App.m_bPause = 1;
    const float paused = g_pWorld->m_fTime;
    ASSERT_TRUE(Frame());
    EXPECT_EQ(g_pWorld->m_fTime, paused);
    EXPECT_TRUE(g_pRenderer->m_bPaused);
    m_App.m_bPause = 0;

    // A fast glider widens the view, except in camera modes 2, 3 and 4.
    CCamera* camera = gametest::g_GameDriver.GetCamera();
    ASSERT_NE(camera, nullptr);
    for (int mode : {1, 2, 3, 4, 0})
    {
        switch (mode)
        {
        case 0: camera->SetFollowMode(glider); break;
        case 1: camera->SetOrbitMode(glider); break;
        case 2: camera->SetMode2(); break;
        case 3: camera->SetMode3(glider); break;
        default: camera->SetMode4(glider); break;
        }
        m_App.m_fViewAngleState = 0.5f;
        glider->m_vVelocity = glider->ForwardAxis() * 400.0f;
        ASSERT_TRUE(Frame());
        const bool fixed = mode >= 2 && mode <= 4;
        EXPECT_EQ(g_CameraMode, mode);
        EXPECT_EQ(m_App.m_fViewAngle == 70.0f, fixed) << "camera mode " << mode << ": " << m_App.m_fViewAngle;
    }
    gametest::g_GameDriver.SetFreeCamera(false);
    glider->m_vVelocity = CVector{};

    // The first game hour in the location runs its hourly mission script,
    // which starts the second sample mission: its sensor at the depot
    // waits for the player's glider, which raises it by flying in, not
    // from outside.
    const int sensors = g_ObjectList.m_nSensors;
    g_Environment.m_fTime = std::floor(g_Environment.m_fTime) + 0.999f;
    const int hour = int(g_Environment.m_fTime);
    for (int i = 0; i < 40 && int(g_Environment.m_fTime) == hour; ++i) ASSERT_TRUE(Frame());
    ASSERT_NE(int(g_Environment.m_fTime), hour);
    ASSERT_EQ(g_ObjectList.m_nSensors, sensors + 1) << Tree().ErrorLog();
    const SSensorRecord depot = *g_ObjectList.GetSensor(g_ObjectList.m_nSensors - 1);
    const CVector centre{depot.centre[0], depot.centre[1], depot.centre[2]};
    // The yard's sensor: at the depot's helper point, 0.95 x its radius
    // of 200 round it.
    const CSysObject* yard = g_ObjectList.FindSysObject("DEPOT_YARD", 0);
    ASSERT_NE(yard, nullptr);
    EXPECT_STREQ(depot.target, "DEPOT_YARD");
    EXPECT_LT((centre - yard->m_Frame.m_vPosition).Length(), 0.01f);
    EXPECT_FLOAT_EQ(depot.radius, 190.0f);
    glider->SetPosition(centre + CVector{depot.radius + 100.0f, 0.0f, 20.0f});
    ASSERT_TRUE(Frame());
    EXPECT_EQ(scripts->GetVar("DEPOT_REACHED"), 0);
    glider->SetPosition(centre + CVector{0.0f, 0.0f, depot.radius * 0.5f});
    ASSERT_TRUE(Frame());
    EXPECT_EQ(scripts->GetVar("DEPOT_REACHED"), 1) << Tree().ErrorLog();
    // The mission's two-hour timer runs out and runs its procedure.
    ASSERT_NE(g_pMMScriptManager->FindTimer("M2"), nullptr);
    g_Environment.m_fDays += 0.1f;
    ASSERT_TRUE(Frame());
    EXPECT_EQ(g_pMMScriptManager->FindTimer("M2"), nullptr);

    // The cockpit lists the command menu's orders while it is open.
    std::uint32_t width = 0, height = 0;
    // (each state read back over two frames, as the picture tests do: the
    // first read may show the frame before)
    auto menuPixels = [&]
    {
        EXPECT_TRUE(Frame());
        gfxtest::ReadBackBuffer(&width, &height);
        EXPECT_TRUE(Frame());
        return GreenMenuPixels(gfxtest::ReadBackBuffer(&width, &height), width, height);
    };
    m_App.m_nCommandMenu = 0;
    EXPECT_GT(menuPixels(), 20);
    EXPECT_EQ(g_pRenderer->m_nCommandLevel, 0);
    m_App.m_nCommandMenu = -1;
    EXPECT_EQ(menuPixels(), 0);

    // While the bomb key is held with a bomb ready, the marker shows the
    // bomb's flight; without a bomb it goes.
    apptest::CHeldKeys keys;
    keys.m_held = g_InputConfig.m_Keys[CInputConfig::KEY_BOMB];
    ASSERT_NE(keys.m_held, 0);
    ASSERT_NE(m_App.m_pBombMarker, nullptr);
    glider->m_Guns[3].m_fAmmo = 1.0f;
    Tick();
    ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, &keys));
    EXPECT_EQ(m_App.m_pBombMarker->m_bShown, 1);
    EXPECT_GT(m_App.m_pBombMarker->m_Smoke.Count(), 0);
    glider->m_Guns[3].m_fAmmo = 0.0f;
    Tick();
    ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, &keys));
    EXPECT_EQ(m_App.m_pBombMarker->m_bShown, 0);

    // The groups of the world's generation are on their way.
    int flying = 0;
    for (int i = 1; i < g_MechGroupList2.GetCount(); ++i) flying += g_MechGroupList2.m_Groups[std::size_t(i)] ? 1 : 0;
    EXPECT_GT(flying, 0);
    const float before = g_Environment.m_fTime;
    const float spread = RelationsSpread(true);
    const int hours = ClockHours();
    // A game hour and a bit (the environment's day runs at the game's
    // pace), the world's clock just before its hour, and the location's
    // meshes unused for longer than it keeps them.
    g_Environment.m_fTime = std::floor(before) + 0.995f;
    g_pWorld->m_fTime = (std::floor(g_pWorld->m_fTime / 120.0f) + 1.0f) * 120.0f - 0.01f;
    g_GameTime += 100.0;
    const float released = float(g_GameTime);
    for (int i = 0; i < 40; ++i) Frame();
    EXPECT_NE(int(g_Environment.m_fTime), int(before));
    // The hourly relaxing moved the relations towards the standard ones,
    // which are not all neutral.
    EXPECT_LE(RelationsSpread(true), spread);
    EXPECT_GT(RelationsSpread(false), 0.0f);
    // The world's hour raised the sample clock's "OnHour" once.
    EXPECT_EQ(ClockHours(), hours + 1);
    // The far meshes of the location were released.
    bool anyReleased = false;
    for (int y = 0; y < g_Location.m_nCellsY; ++y)
        for (int x = 0; x < g_Location.m_nCellsX; ++x)
            if (const SFarSlot* far = g_Location.GetCell(x, y).m_pFar; far && far->m_fReleaseStamp >= released)
                anyReleased = true;
    EXPECT_TRUE(anyReleased);

    // A script's journey back into the same map: the location's state goes
    // with the journey and comes back on arrival, advanced by 10 x 100 s.
    std::snprintf(m_App.m_szNextMapFile, sizeof m_App.m_szNextMapFile, "%s", m_App.m_szMapFile);
    g_MMEngine.m_bLeaveCycle = 1;
    g_MMEngine.m_nExitReason = CMMApp::kExitScriptJourney;
    m_App.HandleCycleExit(0, true);
    ASSERT_EQ(m_App.m_nGameMode, CMMApp::kModeScriptJourney);
    const float left = g_pWorld->m_fTime;
    m_App.CloseGame();
    m_App.m_nQuit = 0;
    ASSERT_TRUE(m_App.PrepareGame());
    EXPECT_NEAR(g_pWorld->m_fTime, left + 10 * 90.0f, 1.0f);
    ASSERT_TRUE(gametest::g_GameDriver.IsEntered());
    EXPECT_TRUE(Frame());
}
