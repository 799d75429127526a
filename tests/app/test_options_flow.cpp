// The options dialog in the running application, driven through the main
// menu with injected input: a new resolution applied resizes the window
// and the back buffer and the game then draws at that size; a key rebound
// on the key page is in "cfg.ini" and flies the glider after a restart.
#include "SampleAppTest.h"

#include "graphics/PngWriter.h"
#include "menus/DialogButton.h"
#include "menus/MainMenuButton.h"
#include "menus/MainUI.h"
#include "menus/OptionControls.h"
#include "menus/OptionDialog.h"
#include "platform/Window.h"
#include "hud/Renderer.h"
#include "units/GliderObject.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace
{
constexpr int kI = 0x17;
constexpr int kW = 0x11;

// The program's target with the display modes the test offers (the
// offscreen driver reports whatever it likes).
class CTwoModes : public options::CGameOptionsTarget
{
public:
    std::vector<SMode> GetDisplayModes() override { return {{800, 600, 22}, {1024, 768, 22}}; }
};

class OptionsFlow : public apptest::CSteppedAppTest
{
protected:
    using Step = std::function<void(CMainUI& menu, int pass)>;

    void SetUp() override
    {
        CSteppedAppTest::SetUp();
        options::SetOptionsTarget(&m_Modes);
    }
    void TearDown() override
    {
        options::SetOptionsTarget(nullptr);
        CSteppedAppTest::TearDown();
    }
    // The menu's passes run the steps in turn: each gets the passes from
    // its start to the next one's.
    void Script(std::vector<std::pair<int, Step>> steps)
    {
        m_Menus.Update();
        m_Menus.m_Script = [this, steps](IUI& screen, int pass)
        {
            auto* menu = dynamic_cast<CMainUI*>(&screen);
            ASSERT_NE(menu, nullptr);
            if (menu->m_pPopup)
            {
                if (pass % 2 == 0) m_Menus.Press(uicode::kKeyEnter);
                return;
            }
            const std::pair<int, Step>* current = nullptr;
            for (const auto& s : steps)
                if (pass >= s.first) current = &s;
            if (current) current->second(*menu, pass - current->first);
        };
    }
    Step ClickItem(int command)
    {
        return [this, command](CMainUI& menu, int pass) { m_Menus.ClickAt(menu.FindItem(command)->m_Rect, pass, 0); };
    }
    Step ClickOn(std::function<CControl*(COptionDialog&)> control)
    {
        return [this, control](CMainUI& menu, int pass)
        {
            ASSERT_NE(menu.GetOptions(), nullptr);
            m_Menus.ClickAt(control(*menu.GetOptions())->m_Rect, pass, 0);
        };
    }
    Step PressKey(int code)
    {
        return [this, code](CMainUI&, int pass)
        {
            if (pass == 0) m_Menus.Press(code);
        };
    }

    CTwoModes m_Modes;
    apptest::CSampleApp m_App;
    apptest::CMenuInput m_Menus{m_App, [this] { Tick(); }};
};

TEST_F(OptionsFlow, ANewResolutionResizesTheWindowAndTheGameDrawsAtIt)
{
    g_Random.SetState(kStartState);
    std::string commandLine;
    ASSERT_TRUE(m_App.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "options flow"))
        << Tree().ErrorLog();
    m_Menus.Install();
    Script({
        {2, ClickItem(CMainUI::kSettings)},
        {6,
         [](CMainUI& menu, int pass)
         {
             ASSERT_NE(menu.GetOptions(), nullptr);
             if (pass == 0) menu.GetOptions()->m_pResolution->SetSelection(0);
         }},
        {7, ClickOn([](COptionDialog& d) -> CControl* { return d.GetButton(COptionDialog::kApply); })},
        {11, ClickItem(CMainUI::kNewGame)},
    });
    m_App.Main();
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultNewGame);
    EXPECT_EQ(graph.m_nScreenWidth, 800);
    EXPECT_EQ(graph.m_nScreenHeight, 600);
    plat::Rect client{};
    ASSERT_TRUE(plat::GetClientRect(m_App.m_hWnd, &client));
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
    const std::string cfg = Tree().ReadText("Data/CONFIG/cfg.ini");
    EXPECT_NE(cfg.find("ScreenWidth=800"), std::string::npos);
    EXPECT_NE(cfg.find("ScreenHeight=600"), std::string::npos);

    // The game at the new size: its picture fills the smaller back buffer.
    ASSERT_EQ(m_App.m_nGameMode, CMMApp::kModeNewGame);
    ASSERT_TRUE(m_App.PrepareGame()) << Tree().ErrorLog();
    gametest::g_GameDriver.Attach(&m_App);
    gametest::g_GameDriver.SetFreeCamera(false);
    g_pRenderer->PreLoad();
    std::uint32_t w = 0, h = 0;
    for (int frame = 0; frame < 3; ++frame)
    {
        Tick();
        EXPECT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }
    const std::vector<std::uint32_t> pixels = gfxtest::ReadBackBuffer(&w, &h);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "options_800x600.png").c_str(), pixels, w, h);
    // The scene, not a loading screen: many colours, and the ground green
    // below the middle of the new size.
    std::set<std::uint32_t> colours;
    for (std::uint32_t y = 0; y < h; y += 10)
        for (std::uint32_t x = 0; x < w; x += 10)
            colours.insert(pixels[std::size_t(y) * w + x] & 0xFFFFFF);
    EXPECT_GT(colours.size(), 200u);
    const std::uint32_t ground = pixels[std::size_t(h * 2 / 3) * w + w / 6];
    EXPECT_GT(ground >> 8 & 0xFF, ground >> 16 & 0xFF) << std::hex << ground;
    EXPECT_GT(ground >> 8 & 0xFF, ground & 0xFF) << std::hex << ground;

    m_Menus.Remove();
    m_App.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(OptionsFlow, AKeyReboundOnTheKeyPageFliesTheGliderAfterARestart)
{
    g_Random.SetState(kStartState);
    std::string commandLine;
    ASSERT_TRUE(m_App.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "options keys"))
        << Tree().ErrorLog();
    m_Menus.Install();
    Script({
        {2, ClickItem(CMainUI::kSettings)},
        {6, ClickOn([](COptionDialog& d) -> CControl* { return d.GetTab(options::kPageKeys); })},
        {10, PressKey(uicode::kKeyEnter)},
        {12, PressKey(kI)},
        {14, ClickOn([](COptionDialog& d) -> CControl* { return d.GetButton(COptionDialog::kApply); })},
        {18, ClickItem(CMainUI::kExit)},
    });
    m_App.Main();
    EXPECT_EQ(m_Menus.m_nResult, CMMApp::kResultQuit);
    EXPECT_EQ(g_InputConfig.m_Keys[CInputConfig::KEY_FORWARD], kI) << "applied at once";
    EXPECT_EQ(g_InputConfig.m_Keys[CInputConfig::KEY_FORWARD2], kW) << "the old key became the second";
    m_Menus.Remove();
    m_App.Done();
    const std::string cfg = Tree().ReadText("Data/CONFIG/cfg.ini");
    EXPECT_NE(cfg.find("\nFORWARD=I"), std::string::npos) << cfg;

    // A new start reads the binding, and I flies the glider forward.
    apptest::CSampleApp again;
    ASSERT_TRUE(StartGame(again, "options keys again"));
    EXPECT_EQ(g_InputConfig.m_Keys[CInputConfig::KEY_FORWARD], kI);
    apptest::CHeldKeys keys;
    CGliderObject& glider = *gametest::g_GameDriver.GetPlayerGlider();
    auto fly = [&](int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, &keys));
            keys.Update();
        }
    };
    fly(40);
    glider.m_Frame.UpdateAxes();
    const CVector forward = glider.ForwardAxis();
    const CVector start = glider.GetPosition();
    keys.m_held = kI;
    fly(40);
    EXPECT_GT(Dot(glider.GetPosition() - start, forward), 50.0f);
    again.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
} // namespace
