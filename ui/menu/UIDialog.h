// CUIDialog: the menu that hosts one screen (IUI). It passes input and
// drawing to the screen, fades it in (nothing for 0.25 s, the screen's
// intro up to 0.4 s, then the screen) and out (0.4 s back down), handles
// Escape and F10 (ending the screen, or opening the pause screen over it and
// acting on the pause screen's choice) and pauses or stops the game's music
// while it is open.
//
// Screens are known by their class ("IGUID_CMainUI", "IGUID_CEscUI",
// "IGUID_CBoxUI", "IGUID_CBuildingUI", "IGUID_CTunnelUI",
// "IGUID_CGliderUI"), resolved through the class factory.
//
// What the dialog needs of the application (the frozen background picture,
// loading and saving a game, the music situation, the time left of the
// current music) it reaches through IDialogHost (g_pDialogHost).
//
// Not here yet: the 3-D side effectors and backgrounds, and the main-menu,
// building-menu and message-box dialogs built on this one (their music
// choice is ChooseBaseMusic).
//
// Ownership: the dialog owns its screen, the screens under the pause
// screen and its graphic interface. Threads: main thread only.
#pragma once

#include "ui/menu/BaseMenu.h"

#include <cstdint>
#include <string>

class IUI;
class IGraphicInterface;
class IMusicManager;

class IDialogHost
{
public:
    virtual ~IDialogHost() = default;
    // The back buffer becomes the dialog-background picture.
    virtual void FreezeBackground() = 0;
    virtual void LoadGame(const char* file) = 0;
    virtual void SaveGame(const char* file, const char* caption, bool inBuilding, const char* building) = 0;
    // The pause screen's chosen saved game: its caption and file name.
    virtual bool GetChosenSave(IUI* pauseScreen, std::string* caption, std::string* file) = 0;
    // The pause screen opened over a building screen knows it.
    virtual void SetOpenedFromBuilding(IUI* pauseScreen) = 0;
    // Whether a menu-host screen is busy (a popup, a disabled console).
    virtual bool IsScreenBusy(IUI* screen) = 0;
    virtual int GetMusicSituation() = 0;
    // Seconds left of the current music (length - position).
    virtual float GetMusicTimeLeft() = 0;
    virtual IMusicManager* GetMusicManager() = 0;
};

extern IDialogHost* g_pDialogHost;

enum class EScreenKind
{
    kOther,
    kMain,
    kEsc,
    kBox,
    kBuilding,
    kTunnel,
    kGlider
};

// The kind of a screen by its class.
EScreenKind ScreenKindOf(IUI* screen);

// The building menu's music pair for the building's owner: the player's own
// organisation, or the relation to it (below -1/3 enemy, above 1/3 ours,
// otherwise and for an unknown owner neutral).
struct SBaseMusic
{
    const char* music;
    const char* effect;
};
SBaseMusic ChooseBaseMusic(bool playersOwn, bool ownerKnown, float relation);

class CUIDialog : public CBaseMenu
{
public:
    static constexpr int kStackDepth = 3;
    static constexpr int kKeyEscape = 0x01;
    static constexpr int kKeyF10 = 0x44;

    CUIDialog();
    ~CUIDialog() override;

    // Makes the screen of the class and its graphic interface; false when
    // the class cannot be made.
    bool SetUI(int classIndex, bool worldBehind);
    // Hosts a screen made by the caller (the dialog owns it).
    void SetScreen(IUI* screen, bool worldBehind);
    // Appends screen under the pause screen; false (the stack unchanged)
    // when it is full.
    bool PushScreen(IUI* screen);

    void SetParam(void* param) override;
    void RenderBackGround() override;
    void ProcessMessages() override;
    void ProcessMusic(int stage) override;
    void ResetTimer() override { m_fFadeTime = 0.0f; }
    void PreProcess() override;
    void PostProcess(int stage) override;
    virtual const char* GetBuildingName() { return ""; }

    IUI* m_pScreen = nullptr;
    int m_nStack = 0;
    IUI* m_Stack[kStackDepth] = {};
    std::uint8_t m_bWorldBehind = 1;
    IGraphicInterface* m_pDialogGraphic = nullptr;
    std::uint8_t m_bMainOrPause = 0;
    std::uint8_t m_bResumeMusic = 0;
    float m_fFadeTime = 5.0f;
    std::uint8_t m_bClosing = 0;
    // DoModal's parameter (a building's or glider's name, a message), for
    // the screens that take one; the base screen has no hook for it yet.
    void* m_pParam = nullptr;

private:
    void OpenPauseScreen();
    void ClosePauseScreen();
};
