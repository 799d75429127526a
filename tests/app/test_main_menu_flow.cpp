// The application starts at the main menu and is driven through it with
// scripted input: New game starts a game, the pause menu's Main menu item
// (after its question) leaves the game for the main menu, and its Exit item
// (after its question) ends the program.
#include "SampleAppTest.h"

#include "graphics/GraphicInterface.h"
#include "graphics/PngWriter.h"
#include "graphics/TextureManager.h"
#include "menus/MainMenuButton.h"
#include "menus/MainUI.h"
#include "menus/NewGameGC.h"
#include "world/MMEngine.h"

#include <memory>

namespace
{
class MainMenuFlow : public apptest::CSteppedAppTest
{
protected:
    // The item clicked from the second pass on; once a question is shown,
    // Enter answers it with OK.
    void ChooseItem(int command)
    {
        // No menu runs now: the next one starts counting its passes afresh.
        m_Menus.Update();
        m_Menus.m_Script = [this, command](IUI& screen, int pass)
        {
            auto* menu = dynamic_cast<CMainUI*>(&screen);
            ASSERT_NE(menu, nullptr) << "the running screen is not the main or pause menu";
            if (menu->m_pPopup)
            {
                if (pass % 2 == 0) m_Menus.Press(uicode::kKeyEnter);
                return;
            }
            m_Menus.ClickAt(menu->FindItem(command)->m_Rect, pass, 2);
        };
    }

    // The menu drawn through the real layer (over the game's frame for the
    // pause menu), read back and written to png.
    std::vector<std::uint32_t> Draw(CMainUI& menu, const char* png)
    {
        IGraphicInterface* g = m_App.GetGraphic();
        menu.Init(g, g_pInput);
        // The first frame asks for the sheets; the second draws them.
        for (int frame = 0; frame < 2; ++frame)
        {
            graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000u);
            // A paused frame of the game (it draws its own scene).
            if (menu.IsPause()) gametest::g_GameDriver.Frame(0.0f, nullptr);
            graph.m_lpDevice->BeginScene();
            menu.Render();
            graph.m_lpDevice->EndScene();
            g_pTextureManager->WaitLoad();
        }
        std::uint32_t w = 0, h = 0;
        std::vector<std::uint32_t> pixels = gfxtest::ReadBackBuffer(&w, &h);
        EXPECT_EQ(w, 1024u);
        EXPECT_EQ(h, 768u);
        gfxtest::WritePng((gfxtest::PictureDirectory() / png).c_str(), pixels, w, h);
        return pixels;
    }
    static std::uint32_t Pixel(const std::vector<std::uint32_t>& pixels, int x, int y)
    {
        return pixels[std::size_t(y) * 1024 + std::size_t(x)] & 0xFFFFFF;
    }
    // An item in its normal look: the sample's dark blue bar.
    static void ExpectNormalItem(const std::vector<std::uint32_t>& pixels, const plat::Rect& r)
    {
        const std::uint32_t p = Pixel(pixels, r.left + 100, r.top + 6);
        EXPECT_NEAR(int(p >> 16 & 0xFF), 0x17, 6);
        EXPECT_NEAR(int(p >> 8 & 0xFF), 0x3C, 6);
        EXPECT_NEAR(int(p & 0xFF), 0x5C, 6);
    }

    apptest::CSampleApp m_App;
    apptest::CMenuInput m_Menus{m_App, [this] { Tick(); }};
};

TEST_F(MainMenuFlow, NewGamePauseMenuMainMenuAndQuit)
{
    g_Random.SetState(kStartState);
    std::string commandLine;
    ASSERT_TRUE(m_App.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "main menu flow"))
        << Tree().ErrorLog();
    EXPECT_EQ(m_App.m_nGameMode, CMMApp::kModeMainMenu);
    m_Menus.Install();

    ChooseItem(CMainUI::kNewGame);
    m_App.Main();
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultNewGame);
    ASSERT_EQ(m_App.m_nGameMode, CMMApp::kModeNewGame);
    ASSERT_TRUE(m_App.PrepareGame());
    gametest::g_GameDriver.Attach(&m_App);
    EXPECT_TRUE(gametest::g_GameDriver.IsEntered());

    // The two menus through the real layer: the items' pictures, the
    // new-game panel's white frame line (right of the video), the game drawn behind the pause
    // menu.
    {
        CMainUI main;
        const std::vector<std::uint32_t> pixels = Draw(main, "main_menu.png");
        ExpectNormalItem(pixels, main.FindItem(CMainUI::kLoad)->m_Rect);
        const plat::Rect area = main.GetDialogArea();
        EXPECT_EQ(Pixel(pixels, area.right - 5, area.top + 200), 0xFFFFFFu);
        CEscUI pause;
        const std::vector<std::uint32_t> over = Draw(pause, "pause_menu.png");
        ExpectNormalItem(over, pause.FindItem(CMainUI::kContinue)->m_Rect);
        int lit = 0;
        for (int x = 800; x < 1000; x += 10)
            lit += Pixel(over, x, 400) != 0;
        EXPECT_GT(lit, 15) << "the game is not drawn behind the pause menu";
    }

    // Escape or F10 in play opens the pause menu.
    ChooseItem(CMainUI::kMainMenu);
    EXPECT_TRUE(m_App.RunPauseMenu());
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultMainMenu);
    EXPECT_EQ(g_MMEngine.m_nExitReason, CMMApp::kExitMainMenu);
    m_App.HandleCycleExit(0, true);
    m_App.CloseGame();
    m_App.m_nQuit = 0;
    EXPECT_EQ(m_App.m_nGameMode, CMMApp::kModeMainMenu);

    ChooseItem(CMainUI::kExit);
    m_App.Main();
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultQuit);
    EXPECT_EQ(m_App.m_nQuit, 1u);
    EXPECT_EQ(m_Menus.m_nMenus, 3);

    m_Menus.Remove();
    m_App.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
} // namespace
