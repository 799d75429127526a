// COptionDialog: the options panel of the main and pause menus. Five tab
// pages (graphics, sound, controls, key bindings, game), three buttons
// along the bottom (defaults 61443, apply 3966, cancel 3967) and the 22
// page controls, all with screen rectangles of the menu (the dialog's own
// rectangle stays empty; the menu's item group moves it into place). The
// Init rectangle is only the frame it draws.
//
// The dialog edits a settings block (menus/OptionSettings.h) that mirrors
// "cfg.ini": Init loads it and shows the graphics page; apply
// applies it to the running game (a device reset when the screen
// size changed, which the menu follows by rebuilding its layout; purges
// when a quality changed; nothing of the kind for a sound-only change) and
// saves it; cancel reloads "cfg.ini" and hides the dialog; defaults
// reads the selected page's group from "default.ini" into the controls.
// Apply saves once, after the game has taken the values (so "Joystick" is
// the device's flag after the change).
//
// The resolution list offers the display modes of adapter 0 that are
// X8R8G8B8 and at least 600 high, one item per size; when there are none
// it offers the current size, so that the list is never empty. A device
// reset that fails keeps the previous size (the block and "cfg.ini" then
// say that size) and shows a message.
//
// Captions: the text database's "INT_OPTIONS_" keys (their name, or their
// text when they have none).
//
// Ownership: the menu owns the dialog; the dialog owns its controls and
// its message box. Threads: main thread only.
#pragma once

#include "menus/OptionSettings.h"
#include "ui/GroupControl.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CDialogButton;
class COptionCheckBox;
class COptionComboBox;
class COptionControlList;
class COptionTabButton;
class COptionTrackBar;
class CQueryMessageBox;

class COptionDialog : public CGroupControl
{
public:
    enum ECommand : int
    {
        kTabGraphics = 3961,
        kTabControls = 3962,
        kTabKeys = 3963,
        kApply = 3966,
        kCancel = 3967,
        kTabSound = 3968,
        kTabGame = 3969,
        kDefaults = 61443,
    };
    static constexpr std::uint32_t kBackground = 0x7F194B7F;
    static constexpr std::uint32_t kGridColour = 0x26FFFFFF;
    static constexpr int kTabGap = 5;
    static constexpr int kFormatX8R8G8B8 = 22;
    static constexpr int kMinModeHeight = 600;

    COptionDialog();
    ~COptionDialog() override;

    void Init(const plat::Rect& rect, IUI* screen) override;
    void Show() override;
    void Render() override;
    void OnCommand(int code, int param) override;
    void Move(int dx, int dy) override;

    void HideControls();
    // The pages' control sets (HideControls first).
    void GraphOptions();
    void SoundOptions();
    void Options();
    void KeyOptions();
    void GameOptions();

    void SetParams();
    void GetParams();
    void LoadParams(const char* fileName);
    void LoadDefaults(const char* fileName);
    void SaveParams(const char* fileName);
    void ApplyParams();
    void CancelChanges();

    // The resolution list's modes from the device's list (see above).
    struct SMode
    {
        int width;
        int height;
    };
    static std::vector<SMode> FilterModes(const std::vector<options::IOptionsTarget::SMode>& modes);

    int GetPage() const { return m_iPage; }
    const options::SOptionSettings& GetSettings() const { return m_Settings; }
    options::SOptionSettings& Settings() { return m_Settings; }
    const std::vector<SMode>& GetModes() const { return m_Modes; }
    COptionTabButton* GetTab(int page) const { return m_Tabs[std::size_t(page)].get(); }
    CDialogButton* GetButton(int command) const;
    // Page controls by name, for the menus and the tests.
    COptionComboBox* m_pResolution = nullptr;
    COptionTrackBar* m_pVisibility = nullptr;
    COptionComboBox* m_pTextureQuality = nullptr;
    COptionComboBox* m_pModelQuality = nullptr;
    COptionComboBox* m_pFilterType = nullptr;
    COptionTrackBar* m_pFilterValue = nullptr;
    COptionCheckBox* m_pReflection = nullptr;
    COptionTrackBar* m_pMusicVolume = nullptr;
    COptionTrackBar* m_pSoundVolume = nullptr;
    COptionTrackBar* m_pPlayerFade = nullptr;
    COptionTrackBar* m_pSoundSources = nullptr;
    COptionCheckBox* m_pHardwareSound = nullptr;
    COptionCheckBox* m_pInvertMouse = nullptr;
    COptionTrackBar* m_pMouseSensitivity = nullptr;
    COptionCheckBox* m_pJoystick = nullptr;
    COptionTrackBar* m_pJoystickSensitivity = nullptr;
    COptionCheckBox* m_pForceFeedback = nullptr;
    COptionControlList* m_pKeyList = nullptr;
    COptionComboBox* m_pDifficulty = nullptr;
    COptionCheckBox* m_pAutoRotate = nullptr;
    COptionCheckBox* m_pAutoFire = nullptr;
    COptionCheckBox* m_pCenterFire = nullptr;
    // The 22 in the order of the dialog's table.
    std::vector<CControl*> PageControls() const;
    CQueryMessageBox* GetMessageBox() const { return m_pMessage.get(); }

    plat::Rect m_Frame{};
    plat::Rect m_Inner{};

private:
    void ShowPage(int page);
    void SelectTab(int page);
    void ShowMessage(const char* text);
    template <class T> T* Own(std::unique_ptr<T> control);

    options::SOptionSettings m_Settings;
    std::vector<SMode> m_Modes;
    int m_iPage = options::kPageGraphics;
    std::array<std::unique_ptr<COptionTabButton>, options::kPageCount> m_Tabs;
    std::array<std::unique_ptr<CDialogButton>, 3> m_Buttons;
    std::vector<std::unique_ptr<CControl>> m_Controls;
    std::unique_ptr<CQueryMessageBox> m_pMessage;
};
