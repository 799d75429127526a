// The building menu of the sample hall, in the application over the sample
// tree: the player's glider flies into the hall, and the menu host runs
// in the building dialog's modal loop as the application opens it, with
// input injected pass by pass (the test's consoles stand in for the
// building consoles): the tabs of the hall's type, the hall's greeting in
// the console in front, the exit tab and Escape leaving with 1000, the
// glider let out at the door afterwards; and the menu drawn through the real Direct3D 8 layer
// ("sample_hall_menu.png").
#include "app/MenuHost.h"
#include "app/SampleAppTest.h"

#include "ConsoleTestKit.h"
#include "MenuTestKit.h"

#include "foundation/ClassFactory.h"
#include "foundation/Graphic.h"
#include "graphics/GraphicInterface.h"
#include "graphics/PngWriter.h"
#include "platform/CodePage.h"
#include "location/Environment.h"
#include "menus/MenuButton.h"
#include "menus/MenusModule.h"
#include "menus/PlayerInfoPanel.h"
#include "menus/UIMenu.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "graphics/TextureManager.h"
#include "ui/UICodes.h"
#include "ui/menu/UIDialog.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace
{
using T = CUIMenu::ETab;

// The application's dialog host, asking a busy menu host to keep Escape
// and F10 away from it (as the application's own host is to).
class CBusyAwareHost : public CMenuHost
{
public:
    bool IsScreenBusy(IUI* screen) override { return screen && screen->IsBusy(); }
};

// Input scripted pass by pass: Update (once per pass of the modal loop)
// advances the test's clock and asks the script for this pass's input.
class CScriptedInput : public uitest::CFakeInput
{
public:
    int Update() override
    {
        EndFrame();
        if (m_OnPass) m_OnPass(m_nPass++);
        return 0;
    }
    std::function<void(int)> m_OnPass;
    int m_nPass = 0;
};

class SampleHallMenu : public apptest::CRunningAppTest
{
protected:
    void SetUp() override
    {
        CRunningAppTest::SetUp();
        RegisterMenusClasses();
        menutest::RegisterTestConsoles();
        m_savedInput = g_pInput;
        m_savedHost = g_pDialogHost;
        g_pInput = &m_Input;
        m_Host.m_pApp = g_MenuHost.m_pApp;
        g_pDialogHost = &m_Host;
        // The text database the application will open at start-up.
        m_savedTexts = g_pTextDB;
        ASSERT_TRUE(m_Texts.Open());
        g_pTextDB = &m_Texts;
        g_Environment.SetEnvironment(0, true);
    }
    void TearDown() override
    {
        g_pInput = m_savedInput;
        g_pDialogHost = m_savedHost;
        g_pTextDB = m_savedTexts;
        m_Texts.Close();
        CRunningAppTest::TearDown();
    }
    CBuildingObject* Hall()
    {
        return dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING));
    }
    // The glider put into the hall's entry zone for one frame.
    void FlyIntoTheHall()
    {
        CGliderObject* glider = g_WorldViewer.GetPlayerGlider();
        const CVector at = Hall()->GetPosition();
        glider->m_Frame.SetForward(CVector{0.0f, 1.0f, 0.0f});
        glider->SetPosition(CVector{at.x, at.y - 28.0f, at.z + 8.0f});
        glider->m_vVelocity = CVector{};
        ASSERT_TRUE(Frame());
        ASSERT_EQ(g_MMEngine.m_bInBuilding, 1);
    }
    // Runs the building menu of the building the player is in, as the
    // application does; onPass scripts the input of each pass, and inspect
    // sees the host before the dialog goes.
    int RunBuildingMenu(std::function<void(CUIMenu&, int)> onPass, std::function<void(CUIMenu&)> inspect = {})
    {
        CUIBaseDialog dialog;
        CGuidKey id;
        MakeGuidKey(&id, "IGUID_CBuildingUI");
        EXPECT_TRUE(dialog.SetUI(ResolveClassIndex(id), true));
        auto* host = dynamic_cast<CUIMenu*>(dialog.m_pScreen);
        EXPECT_NE(host, nullptr);
        if (!host) return -1;
        // The dialog's own keys (Escape, F10) read the same device.
        dialog.m_pInput = g_pInput;
        m_Input.m_nPass = 0;
        m_Input.m_OnPass = [&](int pass)
        {
            Tick();
            if (pass > 200) host->EndModal(-1); // a run that never ends is a fault
            onPass(*host, pass);
        };
        char building[32] = {};
        std::memcpy(building, g_MMEngine.m_szBuildingId, sizeof building - 1);
        const int result = dialog.DoModal(building, true, true);
        m_Input.m_OnPass = nullptr;
        if (inspect) inspect(*host);
        return result;
    }
    // Hover, press and release at the middle of a rectangle, from a pass.
    void ClickAt(const plat::Rect& r, int pass, int from)
    {
        m_Input.m_Cursor = plat::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        if (pass == from + 1) m_Input.Press(uicode::kLeftButton);
        if (pass == from + 2) m_Input.Release(uicode::kLeftButton);
    }

    CScriptedInput m_Input;
    CBusyAwareHost m_Host;
    CTextDB m_Texts;
    IInput* m_savedInput = nullptr;
    IDialogHost* m_savedHost = nullptr;
    ITextDB* m_savedTexts = nullptr;
};

TEST_F(SampleHallMenu, FlyingIntoTheHallOpensItsMenu)
{
    FlyIntoTheHall();
    ASSERT_STREQ(g_MMEngine.m_szBuildingId, "SAMPLE_HALL");
    const SScriptResults* pending = g_pScriptManager->GetResults();
    ASSERT_EQ(pending->m_iResultCount, 2) << "the money and the greeting wait for the console";

    std::vector<T> tabs;
    std::string greeting;
    const int result = RunBuildingMenu(
        [&](CUIMenu& host, int pass)
        {
            if (pass < 3) return;
            ClickAt(host.GetTab(T::kTabExit)->m_Rect, pass, 3);
        },
        [&](CUIMenu& host)
        {
            for (int i = 0; i < T::kTabExit; ++i)
                if (host.GetTab(T(i)) && host.GetTab(T(i))->m_bVisible) tabs.push_back(T(i));
            auto* quest = static_cast<menutest::CTestConsole*>(host.GetConsole(T::kTabQuest));
            if (quest) greeting = menutest::WindowText(quest->m_Window);
            EXPECT_EQ(host.GetCurrent(), quest);
            EXPECT_STREQ(host.GetBuildingName(), "SAMPLE_HALL");
        });
    EXPECT_EQ(result, 1000);
    // A trading hall of type 1 with a cluster, owned by another clan.
    EXPECT_EQ(tabs, (std::vector<T>{T::kTabQuest, T::kTabTrade, T::kTabMap, T::kTabLog, T::kTabGarage,
                                    T::kTabCluster, T::kTabInfo}));
    EXPECT_NE(greeting.find(plat::Utf8ToCp1251("пожаловать")), std::string::npos) << greeting;
    EXPECT_NE(greeting.find(plat::Utf8ToCp1251("Услуги")), std::string::npos) << greeting;
    EXPECT_EQ(pending->m_iResultCount, 0);

    // Leaving: the glider comes out in front of the door on the next frame.
    ASSERT_TRUE(Frame());
    EXPECT_EQ(g_MMEngine.m_bInBuilding, 0);
    const CVector at = Hall()->GetPosition();
    const CVector out = g_WorldViewer.GetPlayerGlider()->GetPosition();
    EXPECT_NEAR(out.x, at.x, 6.0f);
    EXPECT_LT(out.y, at.y - 35.0f);

    // Back in: Escape leaves too, but not while a box is open (it answers
    // the box instead).
    FlyIntoTheHall();
    int passes = 0;
    const int escaped = RunBuildingMenu(
        [&](CUIMenu& host, int pass)
        {
            passes = pass;
            auto* quest = static_cast<menutest::CTestConsole*>(host.GetConsole(T::kTabQuest));
            // A name box: Escape answers it, and the menu stays.
            if (pass == 2) quest->OpenNameBox(false);
            if (pass == 4) m_Input.Press(1);
            if (pass == 6)
            {
                EXPECT_FALSE(host.IsDone());
                EXPECT_EQ(host.m_pPopup, nullptr);
            }
            if (pass == 8) m_Input.Press(1);
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
    m_Input.m_Cursor = plat::Point{(mapTab.left + mapTab.right) / 2, mapTab.top + 20};
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
