// The options dialog: the file's values in the controls and back (the
// quality map, the visibility table, percents, the anisotropy's two
// spellings, negative volumes), the resolution list, the pages and their
// defaults, and what apply asks of the running game.
#include "OptionsTestKit.h"

#include "foundation/Settings.h"
#include "menus/DialogButton.h"
#include "menus/MenuDrawing.h"
#include "menus/OptionControlList.h"
#include "menus/OptionControls.h"
#include "menus/OptionDialog.h"
#include "menus/QueryMessageBox.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
using options::SKeyPair;

int g_nSounds = 0;
void CountSound(std::int32_t)
{
    ++g_nSounds;
}

class OptionDialog : public optiontest::COptionsTest
{
protected:
    void SetUp() override
    {
        COptionsTest::SetUp();
        g_nSounds = 0;
        menus::SetSoundListener(&CountSound);
    }
    void TearDown() override
    {
        if (m_pDialog) m_pMain->RemoveControl(m_pDialog.get());
        m_pDialog.reset();
        menus::SetSoundListener(nullptr);
        COptionsTest::TearDown();
    }
    COptionDialog& Open()
    {
        if (m_pDialog) m_pMain->RemoveControl(m_pDialog.get());
        m_pDialog = std::make_unique<COptionDialog>();
        m_pDialog->Init(plat::Rect{191, -4, 612, 399}, &m_Screen);
        m_pMain->AddControl(m_pDialog.get());
        m_pDialog->Show();
        return *m_pDialog;
    }
    void Command(int code) { m_pDialog->OnCommand(code, 0); }
    std::vector<int> Shown() const
    {
        std::vector<int> out;
        const std::vector<CControl*> controls = m_pDialog->PageControls();
        for (std::size_t i = 0; i < controls.size(); ++i)
            if (controls[i]->m_bVisible) out.push_back(int(i));
        return out;
    }

    std::unique_ptr<COptionDialog> m_pDialog;
};

TEST_F(OptionDialog, QualitiesVisibilityAndPercentsLoadAndSaveBack)
{
    // The file's quality as loaded (index) and as saved again.
    struct SQuality
    {
        int stored, index, saved;
    };
    for (const SQuality& q : {SQuality{0, 2, 0}, SQuality{1, 1, 2}, SQuality{2, 1, 2}, SQuality{3, 0, 4},
                              SQuality{4, 0, 4}, SQuality{7, 0, 4}, SQuality{-2, 0, 4}})
    {
        SCOPED_TRACE(q.stored);
        EXPECT_EQ(options::QualityIndexFromFile(q.stored), q.index);
        EXPECT_EQ(options::QualityToFile(q.index), q.saved);
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(options::VisibleRadiusIndexOf(options::kVisibleRadii[i]), i);
    EXPECT_EQ(options::VisibleRadiusIndexOf(300), -1);

    // Every percent survives a load (a fraction) and a save unchanged.
    for (int percent = 0; percent <= 100; ++percent)
        EXPECT_EQ(options::WholePercent(float(percent) * 0.01f), percent);

    // Through the dialog: a quality of 1 and 3, a radius the table lacks,
    // a negative volume and the old spelling of the anisotropy.
    Tree().WriteText("Data/CONFIG/cfg.ini", "[CONFIG]\nScreenWidth=1024\nScreenHeight=768\nTextureQuality=1\n"
                                            "ModelQuality=3\nVisibleRadius=300\nMusicVolume=-5\nSoundVolume=30\n"
                                            "PlayerFade=250\nAnosotropy=6\n");
    COptionDialog& dialog = Open();
    EXPECT_EQ(dialog.m_pTextureQuality->GetSelection(), 1);
    EXPECT_EQ(dialog.m_pModelQuality->GetSelection(), 0);
    EXPECT_EQ(dialog.m_pVisibility->GetValue(), 2) << "the radius before any match: 256";
    EXPECT_EQ(dialog.m_pMusicVolume->GetValue(), 0) << "a negative entry is silence, not a huge number";
    EXPECT_EQ(dialog.m_pSoundVolume->GetValue(), 30);
    EXPECT_EQ(dialog.m_pPlayerFade->GetValue(), 100);
    EXPECT_EQ(dialog.m_pFilterValue->GetValue(), 6);
    Command(COptionDialog::kApply);
    const std::string cfg = Cfg();
    for (const char* line : {"TextureQuality=2", "ModelQuality=4", "VisibleRadius=256", "MusicVolume=0",
                             "SoundVolume=30", "PlayerFade=100", "Anisotropy=6"})
        EXPECT_TRUE(Has(cfg, line)) << line << "\n" << cfg;

    // What the dialog wrote is what the game reads at its next start.
    g_Settings = SEngineSettings();
    LoadConfigFrom((Tree() / "Data/CONFIG/cfg.ini").c_str());
    EXPECT_EQ(g_Settings.Anosotropy, 6);
    dialog.m_pFilterValue->SetValue(3);
    Command(COptionDialog::kApply);
    LoadConfigFrom((Tree() / "Data/CONFIG/cfg.ini").c_str());
    EXPECT_EQ(g_Settings.Anosotropy, 3) << "the new spelling wins over the old one left in the file";
}

TEST_F(OptionDialog, TheResolutionListOffersEachLargeTrueColourSizeOnce)
{
    using M = options::IOptionsTarget::SMode;
    const std::vector<COptionDialog::SMode> modes = COptionDialog::FilterModes(
        {M{640, 480, 22}, M{800, 600, 22}, M{800, 600, 22}, M{800, 600, 23}, M{1024, 768, 23}, M{1024, 768, 22},
         M{1280, 1024, 22}});
    ASSERT_EQ(modes.size(), 3u);
    EXPECT_EQ(modes[0].width, 800);
    EXPECT_EQ(modes[1].width, 1024);
    EXPECT_EQ(modes[2].height, 1024);

    // A size the list lacks takes the first and saves it on apply.
    Tree().WriteText("Data/CONFIG/cfg.ini", "[CONFIG]\nScreenWidth=1111\nScreenHeight=700\n");
    m_Target.m_Now.width = 1111;
    m_Target.m_Now.height = 700;
    Open();
    EXPECT_EQ(m_pDialog->m_pResolution->GetSelection(), 0);
    Command(COptionDialog::kApply);
    EXPECT_TRUE(Has(Cfg(), "ScreenWidth=800"));
    EXPECT_TRUE(Has(Cfg(), "ScreenHeight=600"));

    // No mode at all: the list offers the size the game runs at.
    m_Target.m_Modes.clear();
    m_Target.m_Calls.clear();
    Open();
    ASSERT_EQ(m_pDialog->GetModes().size(), 1u);
    EXPECT_EQ(m_pDialog->GetModes()[0].width, 800);
    EXPECT_EQ(std::string(m_pDialog->m_pResolution->GetText().GetText()), "800x600");
    Command(COptionDialog::kApply);
    for (const std::string& call : m_Target.m_Calls)
        EXPECT_EQ(call.find("reset"), std::string::npos) << call;
}

TEST_F(OptionDialog, ApplyResetsAndPurgesOnlyForWhatChanged)
{
    struct SCase
    {
        const char* what;
        void (*change)(COptionDialog&);
        std::vector<std::string> calls;
    };
    const SCase cases[] = {
        {"the sound volume alone", [](COptionDialog& d) { d.m_pSoundVolume->SetValue(20); }, {"game"}},
        {"both qualities",
         [](COptionDialog& d)
         {
             d.m_pTextureQuality->SetSelection(2);
             d.m_pModelQuality->SetSelection(2);
         },
         {"purge models", "purge textures", "qualities", "filters", "game"}},
        {"the resolution",
         [](COptionDialog& d) { d.m_pResolution->SetSelection(0); },
         {"qualities", "reset 800x600", "filters", "game"}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        Tree().WriteText("Data/CONFIG/cfg.ini", optiontest::kConfig);
        m_Target = optiontest::CFakeTarget();
        m_Screen.m_Commands.clear();
        COptionDialog& dialog = Open();
        c.change(dialog);
        Command(COptionDialog::kApply);
        EXPECT_EQ(m_Target.m_Calls, c.calls);
    }
    EXPECT_TRUE(Has(Cfg(), "ScreenWidth=800"));
    EXPECT_FLOAT_EQ(m_Target.m_Applied.SoundVolume, 0.8f);
    EXPECT_EQ(m_Target.m_Applied.Difficulty, 1);
    EXPECT_EQ(m_Target.m_Applied.Keys[0], (SKeyPair{0x11, 0xC8})) << "the key table goes with the rest";
}

TEST_F(OptionDialog, ARefusedDisplaySizeKeepsThePreviousOneAndSaysSo)
{
    m_Target.m_bResetWorks = false;
    COptionDialog& dialog = Open();
    dialog.m_pResolution->SetSelection(2);
    Command(COptionDialog::kApply);
    EXPECT_EQ(m_Target.m_Calls.front(), "qualities");
    EXPECT_EQ(m_Target.m_Calls[1], "reset 1280x1024");
    EXPECT_EQ(dialog.m_pResolution->GetSelection(), 1) << "back to the size that runs";
    EXPECT_TRUE(Has(Cfg(), "ScreenWidth=1024"));
    EXPECT_TRUE(Has(Cfg(), "ScreenHeight=768"));
    ASSERT_NE(dialog.GetMessageBox(), nullptr);
    EXPECT_EQ(m_Screen.m_pPopup, dialog.GetMessageBox());
}

TEST_F(OptionDialog, EachPageShowsItsControlsAndTheSelectedTabIsQuiet)
{
    m_Target.m_bForceFeedback = false;
    COptionDialog& dialog = Open();
    // Indices in the order of PageControls.
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    struct SPage
    {
        int tab;
        std::vector<int> shown;
    };
    const SPage pages[] = {
        {COptionDialog::kTabSound, {7, 8, 9, 10, 11}},
        {COptionDialog::kTabControls, {12, 13, 14, 15}},
        {COptionDialog::kTabKeys, {17}},
        {COptionDialog::kTabGame, {18, 19, 21}},
    };
    for (const SPage& p : pages)
    {
        SCOPED_TRACE(p.tab);
        const int sounds = g_nSounds;
        Command(p.tab);
        EXPECT_EQ(Shown(), p.shown) << "auto fire (20) is never shown";
        EXPECT_EQ(g_nSounds, sounds + 1);
        Command(p.tab);
        EXPECT_EQ(g_nSounds, sounds + 1) << "the selected tab again: nothing";
        for (int page = 0; page < options::kPageCount; ++page)
            EXPECT_EQ(dialog.GetTab(page)->m_bSelected != 0, page == dialog.GetPage());
    }
    // With force feedback the controls page shows its box too; hiding and
    // showing the dialog keeps the page.
    m_Target.m_bForceFeedback = true;
    Command(COptionDialog::kTabControls);
    EXPECT_EQ(Shown(), (std::vector<int>{12, 13, 14, 15, 16}));
    dialog.Hide();
    dialog.Show();
    EXPECT_EQ(Shown(), (std::vector<int>{12, 13, 14, 15, 16}));
    EXPECT_EQ(dialog.GetPage(), options::kPageControls);
}

TEST_F(OptionDialog, DefaultsReplaceOnlyTheSelectedPagesValues)
{
    COptionDialog& dialog = Open();
    auto snapshot = [&]
    {
        dialog.GetParams();
        return dialog.GetSettings();
    };
    const options::SOptionSettings before = snapshot();

    Command(COptionDialog::kTabSound);
    Command(COptionDialog::kDefaults);
    options::SOptionSettings after = snapshot();
    EXPECT_FLOAT_EQ(after.MusicVolume, 0.5f);
    EXPECT_EQ(after.MaxSoundSources, 16);
    EXPECT_TRUE(after.HardwareSounds);
    EXPECT_EQ(after.TextureQualityIndex, before.TextureQualityIndex) << "graphics stay";
    EXPECT_EQ(after.Keys, before.Keys) << "keys stay";
    EXPECT_EQ(after.Difficulty, before.Difficulty) << "game stays";

    Command(COptionDialog::kTabControls);
    Command(COptionDialog::kDefaults);
    after = snapshot();
    EXPECT_FALSE(after.ForceFeedback);
    EXPECT_TRUE(after.JoystickEnabled);
    EXPECT_EQ(after.JoystickSensitivity, 9);
    EXPECT_FLOAT_EQ(after.Input.MouseSensitivity, 6.0f) << "mouse sensitivity comes with the keys page";
    EXPECT_FALSE(after.Input.InverseMouse);

    Command(COptionDialog::kTabKeys);
    Command(COptionDialog::kDefaults);
    after = snapshot();
    EXPECT_EQ(after.Keys[0], (SKeyPair{0xC8, 0}));
    EXPECT_FLOAT_EQ(after.Input.MouseSensitivity, 3.0f);
    EXPECT_TRUE(after.Input.InverseMouse);
    EXPECT_TRUE(after.Input.MouseAutoRotate) << "the game page's option stays";

    Command(COptionDialog::kTabGame);
    Command(COptionDialog::kDefaults);
    after = snapshot();
    EXPECT_EQ(after.Difficulty, 2);
    EXPECT_FALSE(after.Input.MouseAutoRotate);
    EXPECT_TRUE(after.AutoFire);
    EXPECT_FALSE(after.CenterFire);

    Command(COptionDialog::kTabGraphics);
    Command(COptionDialog::kDefaults);
    after = snapshot();
    EXPECT_EQ(after.ScreenWidth, 800);
    EXPECT_EQ(after.VisibleRadiusIndex, 4);
    EXPECT_EQ(after.FilteringIndex, 2);
    EXPECT_TRUE(after.FullReflection);

    // Nothing reached the file or the game; cancel brings the file back and
    // hides the dialog.
    EXPECT_TRUE(m_Target.m_Calls.empty());
    EXPECT_TRUE(Has(Cfg(), "Difficulty=1"));
    Command(COptionDialog::kCancel);
    EXPECT_FALSE(dialog.m_bVisible);
    EXPECT_EQ(snapshot().Difficulty, 1);
    EXPECT_EQ(snapshot().ScreenWidth, 1024);
}

TEST_F(OptionDialog, TheControlsKeepTheirLooksAndRules)
{
    COptionDialog& dialog = Open();
    // A disabled check box ignores a click; an enabled one toggles.
    COptionCheckBox& box = *dialog.m_pReflection;
    EXPECT_EQ(box.m_Rect.left, 425);
    EXPECT_EQ(box.m_Rect.right - box.m_Rect.left, 18) << "h - 2 wide";
    const bool ticked = box.m_bTicked;
    box.Enable(0);
    box.OnMouseLClick();
    EXPECT_EQ(box.m_bTicked != 0, ticked);
    box.Enable(1);
    box.OnMouseLClick();
    EXPECT_NE(box.m_bTicked != 0, ticked);

    // The drop-down list: 4 pixels left of the box, 1 short of its right.
    COptionComboBox& combo = *dialog.m_pTextureQuality;
    EXPECT_EQ(combo.m_ListRect.left, combo.m_ClosedRect.left - 4);
    EXPECT_EQ(combo.m_ListRect.right, combo.m_ClosedRect.right - 1);

    // Tab pictures by id; a tab plays nothing of its own.
    int left = 0, top = 0;
    EXPECT_TRUE(COptionTabButton::TabSource(3963, true, &left, &top));
    EXPECT_EQ(left, 578);
    EXPECT_EQ(top, 642);
    EXPECT_FALSE(COptionTabButton::TabSource(3964, false, &left, &top));
    EXPECT_EQ(dialog.GetTab(0)->m_iSound, -1);
    // The tabs sit side by side with a 5-pixel gap.
    for (int page = 1; page < options::kPageCount; ++page)
        EXPECT_EQ(dialog.GetTab(page)->m_Rect.left, dialog.GetTab(page - 1)->m_Rect.right + COptionDialog::kTabGap);

    // The key list's scroll bar: a thumb under 11 pixels is 11 long.
    COptionScrollControl& bar = *dialog.m_pKeyList->GetScroll();
    bar.SetThumbSize(4);
    EXPECT_EQ(bar.m_pThumb->m_Rect.bottom - bar.m_pThumb->m_Rect.top, 11);
    bar.SetPos(0);
    bar.StepBack();
    EXPECT_EQ(bar.GetPos(), 0);

    // Drawn: the frame, the grid and the graphics page's captions.
    m_Graphic.m_Ops.clear();
    dialog.Render();
    EXPECT_TRUE(m_Graphic.Filled(COptionDialog::kBackground));
    EXPECT_TRUE(m_Graphic.Filled(COptionDialog::kGridColour));
    const std::vector<std::string> texts = m_Graphic.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "INT_OPTIONS_TEXT_RESOLUTION"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "1024x768"), texts.end());
}
} // namespace
