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
// loading and saving a game, the music situation, the music manager's
// pieces and silences) it reaches through IDialogHost (g_pDialogHost).
//
// The dialog draws the game scene behind its screen (world behind) and,
// for the main and pause screens and wide screens, two 3-D side effectors
// that slide in with the fade. Three dialogs are built on it:
// CUIMainDialog (the main menu: its 3-D scene and pictures, the menu
// music), CUIBaseDialog (the building and tunnel menus: the lit 3-D room,
// the music by the owner's relation to the player, then 90 s of silence
// after each piece and a new choice) and CUIBoxDialog (message boxes over
// the running game). Models and images not loaded are skipped.
//
// Ownership: the dialog owns its screen, the screens under the pause
// screen and its graphic interface. Threads: main thread only.
#pragma once

#include "platform/d3d8/D3D8Types.h"
#include "ui/menu/BaseMenu.h"

#include <cstdint>
#include <string>

class IUI;
class IGraphicInterface;
class IMusic;
class IMusicManager;
struct CMatrix;

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
    // The building menus set situation 3.
    virtual void SetMusicSituation(int situation) = 0;
    // Seconds left of the current music (length - position).
    virtual float GetMusicTimeLeft() = 0;
    virtual IMusicManager* GetMusicManager() = 0;
    // A piece of the music list as an object of its own (the building
    // menus' effect music plays beside the music), null when none.
    virtual IMusic* GetMusicObject(int id) = 0;
    // Silence for seconds (0 ends it), played like a piece.
    virtual void SetSilence(float seconds) = 0;
    virtual bool IsSilence() = 0;
    // A piece plays or fades out.
    virtual bool IsMusicBusy() = 0;
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

// The four-float colours of the backgrounds' lights: (r, g, b, a) x factor
// with a kept, and an ARGB value's bytes / 255.
plat::d3d::SColorValue ScaleColorValue(float r, float g, float b, float a, float factor);
plat::d3d::SColorValue ColorValueFromARGB(std::uint32_t argb);

// The building menu's seven lights at the engine clock: six point lights
// (two of them flickering, one pulsing) and a spot light turning with the
// clock.
void MakeBaseLights(float clock, plat::d3d::SLight out[7]);

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
    // Draws a 3-D model of the model list by name with `entry` as the model
    // renderer's world matrix (and, with setWorld, the device's world
    // transform); false when it is not loaded.
    static bool DrawModel(const char* name, const CMatrix& entry, bool setWorld = true);
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

private:
    void OpenPauseScreen();
    void ClosePauseScreen();
};

// The main menu: its 3-D scene, the "SUF_MAINMENU" picture and the logo,
// and the menu music.
class CUIMainDialog : public CUIDialog
{
public:
    void RenderBackGround() override;
    void ProcessMusic(int stage) override;
};

// The building and tunnel menus: the lit 3-D room ("MOD_INTERFACE") and the
// base music chosen by the building's owner.
class CUIBaseDialog : public CUIDialog
{
public:
    static constexpr float kSilence = 90.0f; // seconds between two pieces

    void SetParam(void* param) override;
    void RenderBackGround() override;
    void ProcessMusic(int stage) override;
    const char* GetBuildingName() override { return m_szBuildingName; }
    // The music pair for the building's owner (the player's own
    // organisation, or the organisations' relation) into the ids.
    virtual void ChoiceMusic();

    char m_szBuildingName[33] = {};
    std::uint8_t m_bSilence = 0;
    std::int32_t m_nBaseMusic = -1;
    std::int32_t m_nEffectMusic = -1;
};

// Message boxes over the running game: the game frame with its cockpit,
// undimmed, then the screen.
class CUIBoxDialog : public CUIDialog
{
public:
    void RenderBackGround() override;
};
