// The application's side of the menus over the sample data tree: the
// renderer's caching pass under the waiting screen, and a menu run through
// the application's host with the game scene dimmed behind it (read back
// from the real Direct3D 8 layer offscreen).
#include "app/MenuHost.h"
#include "app/MMApp.h"
#include "common/GameDriver.h"

#include "foundation/Graphic.h"
#include "graphics/TextureManager.h"
#include "hud/Renderer.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"
#include "world/Camera.h"
#include "world/MMEngine.h"

#include "SampleAppTest.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// The dimming's colour (CBaseMenu::RenderMap).
constexpr std::uint32_t kDimColour = 0x8080B0;

// The application's host, with the waiting screens and the world's pause
// recorded.
class CRecordingHost : public CMenuHost
{
public:
    void DrawWaitScreen(int step, const char* caption, bool flag) override
    {
        m_Steps.push_back(step);
        if (flag) m_Caption = caption;
        m_Forward.push_back(CVector{g_ViewCamera.m_mView.m[0][2], g_ViewCamera.m_mView.m[1][2], 0.0f});
        CMenuHost::DrawWaitScreen(step, caption, flag);
    }
    void PauseGame(bool pause) override
    {
        m_Pauses.push_back(pause);
        CMenuHost::PauseGame(pause);
    }
    // With m_bKeepScene the scene is not drawn again: what the frame holds
    // stands for it.
    void RenderScene(bool overlay) override
    {
        ++m_nScenes;
        if (!m_bKeepScene) CMenuHost::RenderScene(overlay);
    }

    std::vector<int> m_Steps;
    std::vector<CVector> m_Forward;
    std::vector<bool> m_Pauses;
    std::string m_Caption;
    int m_nScenes = 0;
    bool m_bKeepScene = false;
};

// Draws the scene behind it dimmed; ends after `frames` input passes.
class CSceneMenu : public CBaseMenu
{
public:
    void RenderBackGround() override { RenderMap(true); }
    void ProcessMessages() override
    {
        CBaseMenu::ProcessMessages();
        if (++m_nPasses >= m_nFrames) m_bDone = 1;
        m_nResult = 77;
    }
    int m_nFrames = 1;
    int m_nPasses = 0;
};

// On the test's frame timer: no time passes in the menu's frames, so the
// scene behind it stays as it was drawn.
class MenuHost : public apptest::CSteppedAppTest
{
protected:
    void SetUp() override
    {
        CSteppedAppTest::SetUp();
        ASSERT_TRUE(StartGame(m_app, "menu host test"));
        // The free camera: the player's glider waits and hovers.
        gametest::g_GameDriver.SetFreeCamera(true);
        ASSERT_EQ(g_pMenuHost, &g_MenuHost);
        ASSERT_NE(g_pRenderer, nullptr);
        m_host.m_pApp = &m_app;
        g_pMenuHost = &m_host;
        g_pDialogHost = &m_host;
    }
    void TearDown() override
    {
        g_pMenuHost = &g_MenuHost;
        g_pDialogHost = &g_MenuHost;
        m_app.Done();
        CSteppedAppTest::TearDown();
    }

    apptest::CSampleApp m_app;
    CRecordingHost m_host;
};

TEST_F(MenuHost, ThePreLoadTurnsAFullCircleUnderTheWaitingScreen)
{
    g_pRenderer->PreLoad();
    EXPECT_EQ(m_host.m_Steps, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(m_host.m_Caption, kCachingCaption);
    // 45 degrees between passes, back where it began after the eighth.
    ASSERT_EQ(m_host.m_Forward.size(), 11u);
    for (std::size_t pass = 1; pass < 8; ++pass)
    {
        const CVector& a = m_host.m_Forward[pass];
        const CVector& b = m_host.m_Forward[pass + 1];
        const float cosine =
            (a.x * b.x + a.y * b.y) / std::sqrt((a.x * a.x + a.y * a.y) * (b.x * b.x + b.y * b.y));
        EXPECT_NEAR(cosine, std::cos(3.14159265f / 4.0f), 1e-3f) << "pass " << pass;
    }
    EXPECT_NEAR(m_host.m_Forward[8].x, m_host.m_Forward[0].x, 1e-4f);
    EXPECT_NEAR(m_host.m_Forward[8].y, m_host.m_Forward[0].y, 1e-4f);
    // The view stands at the camera object.
    const CVector camera = gametest::g_GameDriver.GetCamera()->GetPosition();
    const CMatrix& view = g_ViewCamera.m_mView;
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(view.m[3][j],
                    -(camera.x * view.m[0][j] + camera.y * view.m[1][j] + camera.z * view.m[2][j]), 0.05f)
            << "column " << j;
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(MenuHost, AMenuDimsTheSceneBehindItAndGivesTheWorldBack)
{
    g_Environment.SetEnvironment(0, true);
    std::uint32_t width = 0, height = 0;

    // The menu's run pauses the world and gives it back.
    g_MMEngine.m_bLeaveCycle = 1;
    CSceneMenu menu;
    menu.m_nFrames = 1;
    EXPECT_EQ(menu.DoModal(nullptr, false, false), 77) << "the leave-cycle flag is cleared at the start";
    EXPECT_EQ(g_MMEngine.m_bLeaveCycle, 0);
    EXPECT_EQ(m_host.m_Pauses, (std::vector<bool>{true, false}));

    // The scene, then the same frame dimmed fully by the menu, then white
    // dimmed. The scene is drawn once: drawn again it would not be the
    // same (a muzzle flash takes a frame of its own each time it is drawn).
    // The engine clock, which shifts the noise and which the tests before
    // have moved on, is held at 0.
    auto drawn = [&](auto draw)
    {
        graph.m_lpDevice->BeginScene();
        draw();
        graph.m_lpDevice->EndScene();
        return gfxtest::ReadBackBuffer(&width, &height);
    };
    const std::vector<std::uint32_t> scene = drawn([] { g_pMenuHost->RenderScene(true); });
    const float engineTime = g_fEngineTime;
    g_fEngineTime = 0.0f;
    CSceneMenu dimmed;
    dimmed.m_fDimLevel = 1.0f;
    dimmed.m_fFrameTime = 0.0f;
    m_host.m_bKeepScene = true;
    m_host.m_nScenes = 0;
    const std::vector<std::uint32_t> behind = drawn([&] { dimmed.RenderMap(true); });
    EXPECT_EQ(m_host.m_nScenes, 1) << "the menu draws the scene behind it";
    const std::vector<std::uint32_t> factor = drawn(
        [&]
        {
            graph.Clear(plat::d3d::D3DCLEAR_TARGET, 0xFFFFFFFFu);
            dimmed.RenderMap(true);
        });
    m_host.m_bKeepScene = false;
    g_fEngineTime = engineTime;
    ASSERT_EQ(behind.size(), scene.size());
    ASSERT_EQ(factor.size(), scene.size());
    // White dimmed: the noise laid half over the dim colour (0x8080B0),
    // then everything times half the blue of the dim colour (88 / 255).
    // Each channel lies between the darkest and the lightest noise's, and
    // the noise varies; the scene behind is the scene times that factor.
    int darkest = 255, lightest = 0;
    std::size_t outside = 0, unlike = 0;
    for (std::size_t i = 0; i < scene.size(); ++i)
        for (int shift : {0, 8, 16})
        {
            const float dim = float(kDimColour >> shift & 0xFF) / 255.0f;
            const float low = 88.0f * dim * (128.0f / 255.0f);
            const float high = 88.0f * (127.0f / 255.0f + dim * (128.0f / 255.0f));
            const int f = int(factor[i] >> shift & 0xFF);
            outside += f < low - 1.0f || f > high + 1.0f;
            darkest = std::min(darkest, f);
            lightest = std::max(lightest, f);
            const int a = int(scene[i] >> shift & 0xFF), b = int(behind[i] >> shift & 0xFF);
            unlike += std::abs(b - (a * f + 127) / 255) > 2;
        }
    EXPECT_EQ(outside, 0u);
    EXPECT_GT(lightest - darkest, 16) << "no noise";
    EXPECT_EQ(unlike, 0u);
    EXPECT_EQ(Tree().ErrorLog(), "");
}
} // namespace
