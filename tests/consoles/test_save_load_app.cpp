// The save/load panel in the running sample application: made through the
// class factory as the main and pause screens make it, it saves the game
// into a new numbered file with the frozen scene as its picture, then
// lists that save in load mode, draws its thumbnail (the saved scene)
// through the real Direct3D layer and hands it to the application's load.
// The screen here stands in for the main and pause screens: it keeps the
// panel's choice and answers the application's question for it.
#include "app/MenuHost.h"
#include "app/SampleAppTest.h"
#include "app/ScreenRequests.h"
#include "consoles/SaveLoadGC.h"
#include "foundation/ClassFactory.h"
#include "graphics/GraphicTestDevice.h"
#include "graphics/PngWriter.h"
#include "menus/QueryMessageBox.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/d3d8/D3D8.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace
{

class CSaveScreen : public IUI, public ISaveChoiceTaker, public ISavedGameChooser
{
public:
    void SetSaveInfo(const SSaveChoice& choice) override { m_Choice = choice; }
    bool GetChosenSave(std::string& caption, std::string& file) override
    {
        caption = m_Choice.label;
        file = m_Choice.file;
        return !file.empty();
    }
    SSaveChoice m_Choice;
};

int Channel(std::uint32_t pixel, int shift)
{
    return int(pixel >> shift & 0xFF);
}

// The colours differ by at most tolerance in each channel.
bool Near(std::uint32_t a, std::uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16})
        if (std::abs(Channel(a, shift) - Channel(b, shift)) > tolerance) return false;
    return true;
}

class SaveLoadInTheApp : public apptest::CRunningAppTest
{
protected:
    // The panel over a fresh screen of the application's drawing and input.
    std::unique_ptr<CSaveLoadGC> OpenPanel(CSaveScreen& screen, bool saveMode)
    {
        screen.Init(m_App.GetGraphic(), &m_Keys);
        screen.SetMainGroup(&m_Main);
        m_Main.Init(plat::Rect{0, 0, 800, 600}, &screen);
        CGuidKey key;
        MakeGuidKey(&key, "IGUID_CSaveLoadGC");
        std::unique_ptr<CSaveLoadGC> panel(CreateClassInstanceAs<CSaveLoadGC>(ResolveClassIndex(key)));
        if (!panel) return nullptr;
        ISaveLoadPanel* hosted = panel.get();
        hosted->Init(plat::Rect{0, 0, 421, 440}, saveMode, &screen);
        hosted->SetPanelRect(plat::Rect{200, 40, 621, 480});
        m_Main.AddControlAt(panel.get());
        panel->Show();
        return panel;
    }
    void Close(CSaveScreen& screen, std::unique_ptr<CSaveLoadGC>& panel)
    {
        m_Main.RemoveControl(panel.get());
        panel.reset();
        screen.SetMainGroup(nullptr);
    }
    void PressEnter(CSaveScreen& screen)
    {
        m_Keys.Press(uicode::kKeyEnter);
        screen.ProcessMessages();
        m_Keys.EndFrame();
    }

    uitest::CFakeInput m_Keys;
    CGroupControl m_Main;
};

TEST_F(SaveLoadInTheApp, SavesThroughTheSaveScreenAndLoadsThroughTheLoadScreen)
{
    // The scene behind the pause screen becomes its background picture.
    std::uint32_t width = 0, height = 0;
    ViewerFrame(width, height);
    g_MenuHost.FreezeBackground();
    const std::string saves = m_App.m_SavedGames.SavePath("");
    ASSERT_FALSE(plat::FileExists((saves + "1.sav").c_str()));

    CSaveScreen saveScreen;
    std::unique_ptr<CSaveLoadGC> panel = OpenPanel(saveScreen, true);
    ASSERT_TRUE(panel);
    ASSERT_TRUE(panel->GetRow(0) && panel->GetRow(0)->m_bNewSave);
    EXPECT_EQ(panel->m_nThumbnail, CSaveLoadGC::kThumbFallback);
    const std::uint32_t scene = panel->m_ThumbnailPixels[64 * 128 + 64];
    PressEnter(saveScreen);
    ASSERT_EQ(saveScreen.GetResult(), 1007);
    std::string caption, file;
    ASSERT_TRUE(g_MenuHost.GetChosenSave(&saveScreen, &caption, &file));
    EXPECT_EQ(file, "1.sav");
    EXPECT_EQ(caption, panel->GetRow(0)->Label());
    g_MenuHost.SaveGame(file.c_str(), caption.c_str(), false, "");
    Close(saveScreen, panel);
    ASSERT_TRUE(plat::FileExists((saves + "1.sav").c_str())) << Tree().ErrorLog();

    // The load screen lists it with the saved scene as its thumbnail.
    CSaveScreen loadScreen;
    panel = OpenPanel(loadScreen, false);
    ASSERT_TRUE(panel);
    ASSERT_EQ(panel->GetRowCount(), 1);
    EXPECT_EQ(panel->GetRow(0)->m_sFile, "1.sav");
    EXPECT_EQ(panel->GetRow(0)->GetTitle().GetText(), caption);
    // The location's display name from the sample's texts.
    EXPECT_EQ(panel->GetRow(0)->m_sInfo[0], plat::Utf8ToCp1251("Пустошь"));
    EXPECT_EQ(panel->m_nThumbnail, CSaveLoadGC::kThumbScreen);
    EXPECT_EQ(panel->m_ThumbnailPixels[64 * 128 + 64], scene);
    ASSERT_TRUE(panel->m_pThumbnail);

    // Drawn: the thumbnail's middle shows the scene's middle (DXT3 keeps
    // colours within a few steps).
    g_MenuHost.BeginMenuFrame();
    loadScreen.Render();
    g_MenuHost.EndMenuFrame();
    const std::vector<std::uint32_t> frame = gfxtest::ReadBackBuffer(&width, &height);
    ASSERT_GE(width, 621u);
    if (const char* png = std::getenv("TARVOX_SAVE_PANEL_PNG")) gfxtest::WritePng(png, frame, width, height);
    const int cx = 200 + (14 + 182) / 2, cy = 40 + (26 + 152) / 2;
    EXPECT_TRUE(Near(frame[std::size_t(cy) * width + cx], scene, 24))
        << std::hex << frame[std::size_t(cy) * width + cx] << " vs " << scene;
    EXPECT_EQ(frame[std::size_t(40 + 25) * width + 200 + 100] & 0xFFFFFF, 0xFFFFFFu); // the white frame

    PressEnter(loadScreen);
    ASSERT_EQ(loadScreen.GetResult(), 1003);
    ASSERT_TRUE(g_MenuHost.GetChosenSave(&loadScreen, &caption, &file));
    EXPECT_EQ(file, "1.sav");
    Close(loadScreen, panel);
    EXPECT_TRUE(m_App.LoadGame(file.c_str(), true));
    EXPECT_EQ(m_App.m_sLoadFile, "1.sav");

    // Cleaned up: the save goes, through the panel's own delete.
    CSaveScreen deleteScreen;
    panel = OpenPanel(deleteScreen, false);
    panel->OnCommand(CSaveLoadGC::kDeleteCommand, 0);
    ASSERT_TRUE(panel->m_pDeleteBox);
    panel->m_pDeleteBox->SetResult(1);
    deleteScreen.ProcessMessages();
    deleteScreen.ProcessMessages();
    EXPECT_FALSE(plat::FileExists((saves + "1.sav").c_str()));
    Close(deleteScreen, panel);
}

} // namespace
