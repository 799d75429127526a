#include "menus/OptionDialog.h"

#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "foundation/ModelQuality.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "graphics/GraphicInterface.h"
#include "menus/DialogButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/OptionControlList.h"
#include "menus/OptionControls.h"
#include "menus/QueryMessageBox.h"
#include "ui/UI.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace menus;
using namespace options;

namespace
{
constexpr const char* kConfigFile = "cfg.ini";
constexpr const char* kDefaultsFile = "default.ini";
constexpr int kGrid = 30;
// The frame's corner and the left edge's side piece on the sheet.
constexpr int kCornerX = 831, kCornerY = 753;
constexpr int kSideX = 1018, kSideY = 743;

struct STab
{
    int command;
    int width;
};
// In screen order; the page index is the position here.
constexpr STab kTabs[kPageCount] = {
    {COptionDialog::kTabGraphics, 77}, {COptionDialog::kTabSound, 62}, {COptionDialog::kTabControls, 74},
    {COptionDialog::kTabKeys, 84},     {COptionDialog::kTabGame, 63},
};
constexpr int kTabTop = 20, kTabBottom = 42, kFirstTabLeft = 210;

// A caption: the entry's name, or its text when it has none.
std::string Caption(const char* suffix)
{
    const std::string key = std::string("INT_OPTIONS_") + suffix;
    std::string name = NameOf(key.c_str());
    return name.empty() ? TextOf(key.c_str()) : name;
}

int PageOfTab(int command)
{
    for (int i = 0; i < kPageCount; ++i)
        if (kTabs[i].command == command) return i;
    return -1;
}
} // namespace

COptionDialog::COptionDialog()
{
    m_ClassID = MakeClassKey("COptionDialog", -1);
}

COptionDialog::~COptionDialog()
{
    if (m_pMessage)
    {
        if (m_pScreen && m_pScreen->m_pPopup == m_pMessage.get()) m_pScreen->SetPopup(nullptr);
        if (m_pMessage->m_pParent) m_pMessage->m_pParent->RemoveControl(m_pMessage.get());
    }
    // The group unlinks its children; they go with their owners below.
    while (m_pFirst)
        RemoveControl(m_pFirst->control);
}

template <class T> T* COptionDialog::Own(std::unique_ptr<T> control)
{
    T* raw = control.get();
    AddControl(raw);
    m_Controls.push_back(std::move(control));
    return raw;
}

void COptionDialog::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("COptionDialog::Init");
    CGroupControl::Init(plat::Rect{}, screen);
    m_ClassID = MakeClassKey("COptionDialog", -1);
    m_Frame = rect;
    m_Inner = plat::Rect{rect.left + 19, rect.top + 46, rect.right - 15, rect.bottom - 50};
    IOptionsTarget* target = GetOptionsTarget();

    // The tabs, in screen order; added graphics, sound, game, controls, keys.
    int left = kFirstTabLeft;
    for (int i = 0; i < kPageCount; ++i)
    {
        auto tab = std::make_unique<COptionTabButton>();
        tab->Create(left, kTabTop, left + kTabs[i].width, kTabBottom, "", CButton::kPush, kTabs[i].command);
        tab->SetPicture(kTabs[i].command);
        tab->SetFont(0);
        tab->m_bSelected = i == kPageGraphics;
        left += kTabs[i].width + kTabGap;
        m_Tabs[std::size_t(i)] = std::move(tab);
    }
    for (int page : {kPageGraphics, kPageSound, kPageGame, kPageControls, kPageKeys})
        AddControl(m_Tabs[std::size_t(page)].get());
    m_iPage = kPageGraphics;

    const struct
    {
        int command;
        plat::Rect rect;
    } buttons[3] = {{kDefaults, {210, 360, 339, 385}}, {kApply, {370, 360, 465, 385}}, {kCancel, {495, 360, 590, 385}}};
    for (int i = 0; i < 3; ++i)
    {
        auto button = std::make_unique<CDialogButton>();
        const plat::Rect& r = buttons[i].rect;
        button->Create(r.left, r.top, r.right, r.bottom, "", CButton::kPush, buttons[i].command);
        button->SetPicture(buttons[i].command);
        button->Enable(1);
        AddControl(button.get());
        m_Buttons[std::size_t(i)] = std::move(button);
    }

    auto combo = [this](plat::Rect r, const char* caption)
    {
        auto c = std::make_unique<COptionComboBox>();
        c->Create(r.left, r.top, r.right, r.bottom, Caption(caption).c_str());
        return Own(std::move(c));
    };
    auto slider = [this](plat::Rect r, const char* caption, int minimum, int maximum)
    {
        auto s = std::make_unique<COptionTrackBar>();
        s->Create(r.left, r.top, r.right, r.bottom, minimum, maximum);
        s->m_sCaption = Caption(caption).c_str();
        return Own(std::move(s));
    };
    auto check = [this](plat::Rect r, const char* caption)
    {
        auto c = std::make_unique<COptionCheckBox>();
        c->Create(r.left, r.top, r.right, r.bottom, Caption(caption).c_str());
        return Own(std::move(c));
    };
    auto qualities = [](COptionComboBox* box)
    {
        for (const char* item : {"TEXT_LOW", "TEXT_MEDIUM", "TEXT_HIGHT"})
            box->AddString(Caption(item).c_str());
    };

    // Graphics.
    m_pResolution = combo({425, 80, 575, 101}, "TEXT_RESOLUTION");
    m_Modes = FilterModes(target->GetDisplayModes());
    if (m_Modes.empty())
    {
        // Nothing to choose from: the size the game runs at now.
        const IOptionsTarget::SGraphics now = target->GetGraphics();
        m_Modes.push_back(SMode{now.width, now.height});
    }
    for (const SMode& mode : m_Modes)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%dx%d", mode.width, mode.height);
        m_pResolution->AddString(text);
    }
    m_pVisibility = slider({425, 120, 570, 138}, "TEXT_VISIBILITY", 0, 4);
    m_pTextureQuality = combo({425, 160, 575, 181}, "TEXT_QUALITY_TEX");
    qualities(m_pTextureQuality);
    m_pModelQuality = combo({425, 200, 575, 221}, "TEXT_QUALITY_MOD");
    qualities(m_pModelQuality);
    m_pFilterType = combo({425, 240, 575, 261}, "TEXT_FILTERTYPE");
    for (const char* item : {"TEXT_BILINEAR", "TEXT_TRILINEAR", "TEXT_ANISOTROP"})
        m_pFilterType->AddString(Caption(item).c_str());
    m_pFilterValue = slider({425, 280, 570, 298}, "TEXT_FILTERVALUE", 0, std::max(1, target->GetMaxAnisotropy()));
    m_pReflection = check({425, 310, 555, 330}, "TEXT_REFLECTION");
    // Sound.
    m_pMusicVolume = slider({445, 90, 575, 108}, "TEXT_VOL_MUSIC", 0, 100);
    m_pSoundVolume = slider({445, 130, 575, 148}, "TEXT_VOL_SOUND", 0, 100);
    m_pPlayerFade = slider({445, 170, 575, 188}, "TEXT_PLAYER_FADE", 0, 100);
    m_pSoundSources = slider({445, 240, 575, 258}, "TEXT_MAX_SND_SRC", 8, 100);
    m_pHardwareSound = check({445, 270, 575, 290}, "TEXT_HARDWARESND");
    // Controls.
    m_pInvertMouse = check({450, 120, 580, 140}, "TEXT_INV_MOUSE");
    m_pMouseSensitivity = slider({450, 170, 580, 188}, "TEXT_SENSITIVITY", 0, 9);
    m_pJoystick = check({450, 200, 580, 220}, "TEXT_JOYSTICK");
    m_pJoystickSensitivity = slider({450, 250, 580, 268}, "TEXT_SENSJOY", 0, 9);
    m_pForceFeedback = check({450, 280, 580, 300}, "TEXT_FEEDBACK");
    // Keys.
    {
        auto list = std::make_unique<COptionControlList>();
        list->Create(plat::Rect{211, 48, 581, 346}, screen);
        list->FillCaptions();
        m_pKeyList = Own(std::move(list));
    }
    // Game.
    m_pDifficulty = combo({430, 140, 560, 161}, "TEXT_GAMEDIFFIC");
    for (const char* item : {"TEXT_EASY", "TEXT_NORMAL", "TEXT_HARD"})
        m_pDifficulty->AddString(Caption(item).c_str());
    m_pAutoRotate = check({470, 180, 600, 200}, "TEXT_AUTOROTATE");
    m_pAutoFire = check({470, 260, 600, 280}, "TEXT_AUTOPRICEL");
    m_pCenterFire = check({470, 220, 600, 240}, "TEXT_CENTERFIRE");

    SetUID(TextureKey(kUI1));
    HideControls();
    LoadParams(kConfigFile);
}

std::vector<COptionDialog::SMode> COptionDialog::FilterModes(const std::vector<IOptionsTarget::SMode>& modes)
{
    std::vector<SMode> out;
    const IOptionsTarget::SMode* previous = nullptr;
    for (const IOptionsTarget::SMode& m : modes)
    {
        if (m.format != kFormatX8R8G8B8 || m.height < kMinModeHeight) continue;
        if (!previous || previous->width != m.width || previous->height != m.height)
            out.push_back(SMode{m.width, m.height});
        previous = &m;
    }
    return out;
}

std::vector<CControl*> COptionDialog::PageControls() const
{
    return {m_pResolution,   m_pVisibility,    m_pTextureQuality, m_pModelQuality,        m_pFilterType,
            m_pFilterValue,  m_pReflection,    m_pMusicVolume,    m_pSoundVolume,         m_pPlayerFade,
            m_pSoundSources, m_pHardwareSound, m_pInvertMouse,    m_pMouseSensitivity,    m_pJoystick,
            m_pJoystickSensitivity, m_pForceFeedback, m_pKeyList, m_pDifficulty, m_pAutoRotate,
            m_pAutoFire,     m_pCenterFire};
}

CDialogButton* COptionDialog::GetButton(int command) const
{
    for (const auto& button : m_Buttons)
        if (button && button->m_iCommand == command) return button.get();
    return nullptr;
}

// ---- pages

void COptionDialog::HideControls()
{
    for (CControl* control : PageControls())
        if (control) control->Hide();
}

void COptionDialog::GraphOptions()
{
    HideControls();
    for (CControl* c : std::initializer_list<CControl*>{m_pResolution, m_pVisibility, m_pTextureQuality,
                                                        m_pModelQuality, m_pFilterType, m_pFilterValue,
                                                        m_pReflection})
        c->Show();
}

void COptionDialog::SoundOptions()
{
    HideControls();
    for (CControl* c : std::initializer_list<CControl*>{m_pMusicVolume, m_pSoundVolume, m_pPlayerFade,
                                                        m_pSoundSources, m_pHardwareSound})
        c->Show();
}

void COptionDialog::Options()
{
    HideControls();
    for (CControl* c : std::initializer_list<CControl*>{m_pMouseSensitivity, m_pInvertMouse, m_pJoystick,
                                                        m_pJoystickSensitivity})
        c->Show();
    if (GetOptionsTarget()->HasForceFeedback()) m_pForceFeedback->Show();
}

void COptionDialog::KeyOptions()
{
    HideControls();
    m_pKeyList->Show();
}

void COptionDialog::GameOptions()
{
    HideControls();
    for (CControl* c : std::initializer_list<CControl*>{m_pDifficulty, m_pAutoRotate, m_pCenterFire})
        c->Show();
}

void COptionDialog::ShowPage(int page)
{
    switch (page)
    {
    case kPageGraphics: GraphOptions(); break;
    case kPageSound: SoundOptions(); break;
    case kPageControls: Options(); break;
    case kPageKeys: KeyOptions(); break;
    case kPageGame: GameOptions(); break;
    default: break;
    }
}

void COptionDialog::SelectTab(int page)
{
    m_iPage = page;
    for (int i = 0; i < kPageCount; ++i)
        m_Tabs[std::size_t(i)]->m_bSelected = i == page;
}

void COptionDialog::Show()
{
    CGroupControl::Show();
    ShowPage(m_iPage);
}

void COptionDialog::Move(int dx, int dy)
{
    CGroupControl::Move(dx, dy);
    for (plat::Rect* r : {&m_Frame, &m_Inner})
    {
        r->left += dx;
        r->right += dx;
        r->top += dy;
        r->bottom += dy;
    }
}

// ---- commands

void COptionDialog::OnCommand(int code, int)
{
    const int page = PageOfTab(code);
    if (page >= 0)
    {
        if (page == m_iPage) return;
        PlaySound("SND_I_FOLDER_MIN");
        ShowPage(page);
        SelectTab(page);
        return;
    }
    switch (code)
    {
    case kApply:
        // Saved once, at the end of the apply: a save before it would be
        // overwritten by the same values (and every key written is a
        // synchronised write of the whole file).
        ApplyParams();
        return;
    case kCancel:
        CancelChanges();
        return;
    case kDefaults:
        LoadDefaults(kDefaultsFile);
        return;
    default:
        // Nothing goes on to the menu.
        return;
    }
}

// ---- the settings block and the controls

void COptionDialog::SetParams()
{
    SOptionSettings& s = m_Settings;
    m_pResolution->SetSelection(0);
    bool found = false;
    for (std::size_t i = 0; i < m_Modes.size() && !found; ++i)
        if (m_Modes[i].width == s.ScreenWidth && m_Modes[i].height == s.ScreenHeight)
        {
            m_pResolution->SetSelection(int(i));
            found = true;
        }
    if (!found && !m_Modes.empty())
    {
        s.ScreenWidth = m_Modes[0].width;
        s.ScreenHeight = m_Modes[0].height;
    }
    m_pVisibility->SetValue(s.VisibleRadiusIndex);
    m_pTextureQuality->SetSelection(s.TextureQualityIndex);
    m_pModelQuality->SetSelection(s.ModelQualityIndex);
    m_pFilterType->SetSelection(s.FilteringIndex);
    m_pFilterValue->SetValue(s.Anisotropy);
    m_pReflection->m_bTicked = s.FullReflection;
    m_pMusicVolume->SetValue(WholePercent(s.MusicVolume));
    m_pSoundVolume->SetValue(WholePercent(s.SoundVolume));
    m_pPlayerFade->SetValue(WholePercent(s.PlayerFade));
    m_pSoundSources->SetValue(s.MaxSoundSources);
    m_pHardwareSound->m_bTicked = s.HardwareSounds;
    if (GetOptionsTarget()->HasForceFeedback()) m_pForceFeedback->m_bTicked = s.ForceFeedback;
    m_pJoystick->m_bTicked = s.JoystickEnabled;
    m_pJoystickSensitivity->SetValue(s.JoystickSensitivity - 1);
    m_pAutoRotate->m_bTicked = s.Input.MouseAutoRotate;
    m_pInvertMouse->m_bTicked = s.Input.InverseMouse;
    m_pMouseSensitivity->SetValue(int(s.Input.MouseSensitivity - 1.0f));
    m_pDifficulty->SetSelection(s.Difficulty);
    m_pAutoFire->m_bTicked = s.AutoFire;
    m_pCenterFire->m_bTicked = s.CenterFire;
    m_pKeyList->m_Keys = s.Keys;
}

void COptionDialog::GetParams()
{
    SOptionSettings& s = m_Settings;
    const int mode = m_pResolution->GetSelection();
    if (mode >= 0 && mode < int(m_Modes.size()))
    {
        s.ScreenWidth = m_Modes[std::size_t(mode)].width;
        s.ScreenHeight = m_Modes[std::size_t(mode)].height;
    }
    s.TextureQualityIndex = std::max(0, m_pTextureQuality->GetSelection());
    s.ModelQualityIndex = std::max(0, m_pModelQuality->GetSelection());
    s.FilteringIndex = std::max(0, m_pFilterType->GetSelection());
    s.VisibleRadiusIndex = m_pVisibility->GetValue();
    s.Anisotropy = m_pFilterValue->GetValue();
    s.FullReflection = m_pReflection->m_bTicked != 0;
    s.MusicVolume = float(m_pMusicVolume->GetValue()) * 0.01f;
    s.SoundVolume = float(m_pSoundVolume->GetValue()) * 0.01f;
    s.PlayerFade = float(m_pPlayerFade->GetValue()) * 0.01f;
    s.MaxSoundSources = m_pSoundSources->GetValue();
    s.HardwareSounds = m_pHardwareSound->m_bTicked != 0;
    s.ForceFeedback = m_pForceFeedback->m_bTicked != 0;
    s.JoystickEnabled = m_pJoystick->m_bTicked != 0;
    s.JoystickSensitivity = m_pJoystickSensitivity->GetValue() + 1;
    s.Input.MouseAutoRotate = m_pAutoRotate->m_bTicked;
    s.Input.InverseMouse = m_pInvertMouse->m_bTicked;
    s.Input.MouseSensitivity = float(m_pMouseSensitivity->GetValue() + 1);
    const int difficulty = m_pDifficulty->GetSelection();
    s.Difficulty = difficulty >= 0 && difficulty <= 2 ? difficulty : 0;
    s.AutoFire = m_pAutoFire->m_bTicked != 0;
    s.CenterFire = m_pCenterFire->m_bTicked != 0;
    s.Keys = m_pKeyList->m_Keys;
}

void COptionDialog::LoadParams(const char* fileName)
{
    ReadConfigKeys(ConfigPath(fileName).c_str(), m_Settings);
    COptionControlList::LoadOptionKeys(fileName, m_Settings.Keys, m_Settings.Input);
    SetParams();
}

void COptionDialog::LoadDefaults(const char* fileName)
{
    // The other pages keep what their controls show.
    GetParams();
    if (m_iPage == kPageKeys)
    {
        // The bindings with the mouse options the controls page shows; the
        // game page's options stay, and so does the device's joystick
        // switch until apply.
        IInput* device = g_InputConfig.GetInput();
        const bool joystick = device && device->IsJoystickEnabled();
        SInputOptions read = m_Settings.Input;
        COptionControlList::LoadOptionKeys(fileName, m_Settings.Keys, read);
        m_Settings.Input.MouseSensitivity = read.MouseSensitivity;
        m_Settings.Input.InverseMouse = read.InverseMouse;
        if (device) device->SetJoystickEnabled(joystick);
    }
    else
    {
        ReadConfigKeys(ConfigPath(fileName).c_str(), m_Settings, m_iPage);
    }
    SetParams();
}

void COptionDialog::SaveParams(const char* fileName)
{
    GetParams();
    WriteConfigKeys(ConfigPath(fileName).c_str(), m_Settings);
    COptionControlList::SaveOptionKeys(fileName, m_Settings.Keys, m_Settings.Input);
}

void COptionDialog::ApplyParams()
{
    XTRACE("COptionDialog::ApplyParams");
    GetParams();
    IOptionsTarget* target = GetOptionsTarget();
    SOptionSettings& s = m_Settings;
    const IOptionsTarget::SGraphics now = target->GetGraphics();
    const int texture = QualityToFile(s.TextureQualityIndex);
    // The engine keeps the model quality as its level-of-detail factor.
    const int model = ModelQualityFactor(QualityToFile(s.ModelQualityIndex));
    const bool sizeChanged = s.ScreenWidth != now.width || s.ScreenHeight != now.height;
    const bool changed = texture != now.textureQuality || model != now.modelQuality ||
                         s.FilteringIndex != now.filtering || s.Anisotropy != now.anisotropy || sizeChanged ||
                         s.FullReflection != now.fullReflection;
    if (changed)
    {
        if (model != now.modelQuality) target->PurgeModels();
        if (texture != now.textureQuality) target->PurgeTextures();
        target->StoreQualities(texture, model);
        if (sizeChanged)
        {
            std::string why;
            if (!target->ResetDisplay(s.ScreenWidth, s.ScreenHeight, &why))
            {
                // The size that still runs is the one the list and the file
                // say from now on.
                s.ScreenWidth = now.width;
                s.ScreenHeight = now.height;
                SetParams();
                ShowMessage(why.c_str());
            }
            if (m_pScreen) m_pScreen->Hook2();
        }
        target->SetFilters(s.FilteringIndex, s.Anisotropy, s.FullReflection);
    }
    target->ApplyGame(s);
    SaveParams(kConfigFile);
}

void COptionDialog::CancelChanges()
{
    LoadParams(kConfigFile);
    Hide();
}

void COptionDialog::ShowMessage(const char* text)
{
    if (!m_pScreen || !m_pScreen->m_pMainGroup) return;
    if (m_pMessage)
    {
        if (m_pScreen->m_pPopup == m_pMessage.get()) m_pScreen->SetPopup(nullptr);
        if (m_pMessage->m_pParent) m_pMessage->m_pParent->RemoveControl(m_pMessage.get());
    }
    m_pMessage = std::make_unique<CQueryMessageBox>();
    m_pMessage->Init(plat::Rect{0, 0, 350, 150}, m_pScreen,
                     CQueryMessageBox::kFlagOK | CQueryMessageBox::kFlagCentreScreen);
    m_pMessage->AddLine(Caption("TEXT_RESOLUTION").c_str());
    m_pMessage->AddLine(text);
    m_pScreen->m_pMainGroup->AddControl(m_pMessage.get());
    m_pScreen->SetPopup(m_pMessage.get());
}

// ---- drawing

void COptionDialog::Render()
{
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!m_bVisible || !graphic) return;
    const int L = m_Frame.left, T = m_Frame.top, R = m_Frame.right, B = m_Frame.bottom;
    FillRect(graphic, m_Frame, kBackground);
    for (const plat::Rect& line : {plat::Rect{L + 4, T + 13, L + 5, T + 27}, plat::Rect{L + 4, T + 154, L + 5, B - 13},
                                   plat::Rect{R - 5, T + 13, R - 4, B - 13}, plat::Rect{L + 13, T + 4, L + 408, T + 5},
                                   plat::Rect{L + 13, B - 5, L + 408, B - 4}})
        FillRect(graphic, line, kWhite);
    CGuidKey sheet = TextureKey(kUI1);
    // A rectangle with left > right (or top > bottom) draws mirrored.
    DrawSprite(graphic, sheet, {L + 4, T + 4, L + 13, T + 13}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {L + 4, B - 4, L + 13, B - 13}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {R - 4, B - 4, R - 13, B - 13}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {R - 4, T + 4, R - 13, T + 13}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {L + 3, T + 27, L + 9, T + 154}, kSideX, kSideY, kBlendTechnique);

    const int l = m_Inner.left, t = m_Inner.top, r = m_Inner.right, b = m_Inner.bottom;
    DrawSprite(graphic, sheet, {l, b, l + 9, b - 9}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {r, b, r - 9, b - 9}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {r, t, r - 9, t + 9}, kCornerX, kCornerY);
    for (const plat::Rect& line : {plat::Rect{l, t, r - 7, t + 1}, plat::Rect{l + 7, b - 1, r - 7, b},
                                   plat::Rect{l, t, l + 1, b - 7}, plat::Rect{r - 1, t + 7, r, b - 7}})
        FillRect(graphic, line, kWhite);

    for (int x = L + 19; x < R - 23; x += kGrid)
        FillRect(graphic, {x, T + 4, x + 1, B - 4}, kGridColour);
    for (int y = T + 19; y < B - 23; y += kGrid)
        FillRect(graphic, {L + 4, y, R - 4, y + 1}, kGridColour);
    CGroupControl::Render();
}
