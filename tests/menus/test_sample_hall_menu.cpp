// The building menu of the sample hall, in the application over the sample
// tree: the player's glider flies into the hall, and the application opens
// the hall's menu in the building dialog's modal loop, its input scripted
// pass by pass (the test's consoles stand in for the building consoles but
// the quest console, which raises the hall's greeting itself): the tabs of
// the hall's type, the hall's greeting in the console in front,
// the exit tab and Escape leaving with 1000, the glider let out at the door
// afterwards; and the menu drawn through the real Direct3D 8 layer
// ("sample_hall_menu.png").
#include "app/SampleAppTest.h"

#include "ConsoleTestKit.h"
#include "MenuTestKit.h"

#include "consoles/GCQuest.h"

#include "foundation/ClassFactory.h"
#include "foundation/Graphic.h"
#include "graphics/GraphicInterface.h"
#include "graphics/PngWriter.h"
#include "platform/CodePage.h"
#include "location/Environment.h"
#include "menus/GMenu.h"
#include "menus/MenuButton.h"
#include "menus/PlayerInfoPanel.h"
#include "menus/UIMenu.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "graphics/TextureManager.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
using T = CUIMenu::ETab;

class SampleHallMenu : public apptest::CRunningAppTest
{
protected:
    void SetUp() override
    {
        CRunningAppTest::SetUp();
        menutest::RegisterTestConsoles({T::kTabGlider, T::kTabTunnel, T::kTabTrade, T::kTabMap, T::kTabLog,
                                        T::kTabGarage, T::kTabCluster, T::kTabClan, T::kTabInfo});
        // The text database the application will open at start-up.
        m_savedTexts = g_pTextDB;
        ASSERT_TRUE(m_Texts.Open());
        g_pTextDB = &m_Texts;
        g_Environment.SetEnvironment(0, true);
    }
    void TearDown() override
    {
        g_pTextDB = m_savedTexts;
        m_Texts.Close();
        CRunningAppTest::TearDown();
    }
    CBuildingObject* Hall()
    {
        return dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    }
    // The glider put into the hall's entry zone for one frame, whose
    // building event ends the game cycle with the player inside (the
    // script results then waiting for the console counted in m_nWaiting);
    // the application acts on the cycle exit and opens the hall's menu,
    // whose input onPass scripts pass by pass. Returns the menu's result.
    int FlyIntoTheHall(std::function<void(CUIMenu&, int)> onPass)
    {
        CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
        const CVector at = Hall()->GetPosition();
        glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
        glider->SetPosition(CVector{at.x, at.y - 28.0f, at.z + 8.0f});
        glider->m_vVelocity = CVector{};
        Tick();
        EXPECT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
        EXPECT_EQ(g_MMEngine.m_bInBuilding, 1);
        EXPECT_EQ(g_MMEngine.m_bLeaveCycle, 1);
        EXPECT_EQ(g_MMEngine.m_nExitReason, CMMApp::kExitBuilding);
        EXPECT_STREQ(g_MMEngine.m_szBuildingId, "SAMPLE_HALL");
        m_nWaiting = g_pScriptManager->GetResults()->m_iResultCount;
        const int menus = m_Menus.m_nMenus;
        m_Menus.m_Script = [&](IUI& screen, int pass)
        {
            auto* host = dynamic_cast<CUIMenu*>(&screen);
            if (!host)
            {
                ADD_FAILURE() << "the running screen is not the building menu";
                screen.EndModal(-1);
                return;
            }
            onPass(*host, pass);
        };
        m_App.HandleCycleExit(0, true);
        m_Menus.m_Script = nullptr;
        EXPECT_EQ(m_Menus.m_nMenus, menus + 1) << "the hall's menu opened once";
        return m_Menus.m_nResult;
    }

    CTextDB m_Texts;
    ITextDB* m_savedTexts = nullptr;
    int m_nWaiting = 0;
};

TEST_F(SampleHallMenu, FlyingIntoTheHallOpensItsMenu)
{
    // The player leaves by the exit tab; the host is looked at on the
    // first pass after its screen has ended, before the dialog goes.
    std::vector<T> tabs;
    std::string greeting;
    bool inspected = false;
    const int result = FlyIntoTheHall(
        [&](CUIMenu& host, int pass)
        {
            m_Menus.ClickExitTab(host, pass, 3);
            if (!host.IsDone() || inspected) return;
            inspected = true;
            for (int i = 0; i < T::kTabExit; ++i)
                if (host.GetTab(T(i)) && host.GetTab(T(i))->m_bVisible) tabs.push_back(T(i));
            auto* quest = dynamic_cast<CGCQuest*>(host.GetConsole(T::kTabQuest));
            if (quest) greeting = menutest::WindowText(*quest->GetPage());
            EXPECT_EQ(host.GetCurrent(), quest);
            EXPECT_STREQ(host.GetBuildingName(), "SAMPLE_HALL");
        });
    EXPECT_EQ(m_nWaiting, 0) << "entering runs no script: the quest console raises the greeting";
    EXPECT_TRUE(inspected);
    EXPECT_EQ(result, 1000);
    // A trading hall of type 1 with a cluster, owned by another clan.
    EXPECT_EQ(tabs, (std::vector<T>{T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabGarage,
                                    T::kTabCluster, T::kTabInfo}));
    EXPECT_NE(greeting.find(plat::Utf8ToCp1251("пожаловать")), std::string::npos) << greeting;
    EXPECT_NE(greeting.find(plat::Utf8ToCp1251("Услуги")), std::string::npos) << greeting;
    EXPECT_EQ(g_pScriptManager->GetResults()->m_iResultCount, 0);

    // Leaving: the glider comes out in front of the door.
    EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
    ASSERT_TRUE(Frame());
    const CVector at = Hall()->GetPosition();
    const CVector out = gametest::g_GameDriver.GetPlayerGlider()->GetPosition();
    EXPECT_NEAR(out.x, at.x, 6.0f);
    EXPECT_LT(out.y, at.y - 35.0f);

    // Back in: Escape leaves too, but not while a box is open (it answers
    // the box instead).
    int passes = 0;
    const int escaped = FlyIntoTheHall(
        [&](CUIMenu& host, int pass)
        {
            passes = pass;
            CGMenu* quest = host.GetConsole(T::kTabQuest);
            // A name box: Escape answers it, and the menu stays.
            if (pass == 2) quest->OpenNameBox(false);
            if (pass == 4) m_Menus.Press(1);
            if (pass == 6)
            {
                EXPECT_FALSE(host.IsDone());
                EXPECT_EQ(host.m_pPopup, nullptr);
            }
            if (pass == 8) m_Menus.Press(1);
        });
    EXPECT_EQ(escaped, 1000);
    EXPECT_LT(passes, 40);

    // The menu drawn through the real layer: the backdrop, the tabs'
    // icons, the frame of the console in front and the panel.
    CGuidKey id;
    MakeGuidKey(&id, "IGUID_CBuildingUI");
    std::unique_ptr<CUIMenu> host(CreateClassInstanceAs<CUIMenu>(ResolveClassIndex(id)));
    ASSERT_NE(host, nullptr);
    IGraphicInterface* g = m_App.GetGraphic();
    ASSERT_NE(g, nullptr);
    host->Init(g, g_pInput);
    // The greeting once more, for the console in front.
    auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager);
    ASSERT_NE(scripts, nullptr);
    scripts->AddResult(3, "HALL_WELCOME", 0, false);
    char building[32] = "SAMPLE_HALL";
    host->SetParam(building);
    // The mouse over the map tab.
    const plat::Rect mapTab = host->GetTab(T::kTabMap)->m_Rect;
    m_Menus.m_Cursor = plat::Point{(mapTab.left + mapTab.right) / 2, mapTab.top + 20};
    host->ProcessMessages();

    // The first frame asks for the sheets; the second draws them.
    for (int frame = 0; frame < 2; ++frame)
    {
        graph.m_lpDevice->BeginScene();
        graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000u);
        host->Render();
        graph.m_lpDevice->EndScene();
        g_pTextureManager->WaitLoad();
    }
    std::uint32_t w = 0, h = 0;
    const std::vector<std::uint32_t> pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_EQ(w, 1024u);
    ASSERT_EQ(h, 768u);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "sample_hall_menu.png").c_str(), pixels, w, h);
    auto pixel = [&](int x, int y) { return pixels[std::size_t(y) * w + std::size_t(x)] & 0xFFFFFF; };

    const plat::Rect s = host->m_SavedRect;
    // The backdrop: the host's blue over black, the white line 2 inside.
    const std::uint32_t back = pixel(s.left + 100, s.top + 74);
    EXPECT_NEAR(int(back >> 16 & 0xFF), 0x2E * 0xA1 / 255, 3);
    EXPECT_NEAR(int(back >> 8 & 0xFF), 0x5A * 0xA1 / 255, 3);
    EXPECT_NEAR(int(back & 0xFF), 0x7B * 0xA1 / 255, 3);
    EXPECT_EQ(pixel(s.left + 300, s.top + 2), 0xFFFFFFu);
    // Every tab of the hall shows its icon: the icons' strokes stand out
    // of the backdrop.
    for (T tab : {T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabGarage, T::kTabCluster,
                  T::kTabInfo, T::kTabExit})
    {
        const plat::Rect r = host->GetTab(tab)->m_Rect;
        int bright = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                bright += (pixel(x, y) >> 8 & 0xFF) > 150;
        EXPECT_GT(bright, 40) << "tab " << int(tab);
    }
    // The console in front is framed: its left line is white.
    const plat::Rect c = host->GetCurrent()->m_Rect;
    EXPECT_EQ(pixel(c.left, (c.top + c.bottom) / 2), 0xFFFFFFu);
    // The money panel below the console: the coin is yellow.
    const plat::Rect p = host->GetPanel()->m_Rect;
    const std::uint32_t coin = pixel(p.left + 40, p.top + 27);
    EXPECT_GT(int(coin >> 16 & 0xFF), 150);
    EXPECT_LT(int(coin & 0xFF), 100);
}
} // namespace
