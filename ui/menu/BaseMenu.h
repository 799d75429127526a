// CBaseMenu and CMenuControl: the menu base and its elements, as far as the
// markup control and the message panel need them.
//
// A menu owns a list of elements, hands each the mouse once per frame (only
// the modal element while one is set), runs them, draws them in order, shows
// the tooltip of the element the mouse rests on and receives the elements'
// notifications through OnNotify. DoModal runs a menu on its own loop until
// it ends: the world paused, the frame drawn, presented, the input pass and
// the elements' run, the window messages pumped inside the loop.
//
// What the loop needs of the layers above (the world's pause, the sounds,
// the scene behind the menu, presenting, the cursor, the wait screen, the
// network) it reaches through IMenuHost (g_pMenuHost, set by the
// application); without one the loop runs on its own clock of nothing.
// The tooltip box is framed from the renderer's icon sheet ("TEX_INT_ICONS")
// and the dimmed scene is darkened with moving noise ("TEX_INT_NOISE"); a
// texture that is not loaded is skipped.
//
// The mouse position and the last typed character are read from the
// application object when there is one (tests set them here); the
// application's text-input flag is kept here until the application has one.
//
// Ownership: the menu deletes its elements. Threads: main thread only.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <vector>

class CBaseMenu;
class IGraphicInterface;
class IInput;

// The application's services to the modal loop.
class IMenuHost
{
public:
    virtual ~IMenuHost() = default;
    // The object list, the environment and the cockpit warnings.
    virtual void PauseGame(bool pause) = 0;
    // With purge, every sound source and loaded sound; else all stop.
    virtual void StopSounds(bool purge) = 0;
    // Runs the device-lost handling; true while the device is lost.
    virtual bool IsDeviceLost() = 0;
    // The base Render's frame: resources run, scene begun, cleared black,
    // fog off (Begin); scene ended, new frame, frame timer (End).
    virtual void BeginMenuFrame() = 0;
    virtual void EndMenuFrame() = 0;
    virtual void DrawCursor() = 0;
    virtual void PresentFrame() = 0;
    // The application's waiting screen (picture, progress bar for step, -1
    // none, and the caption, which replaces the shown one when flag is set
    // and is kept otherwise), presented.
    virtual void DrawWaitScreen(int step, const char* caption, bool flag) = 0;
    // The model and texture loads requested so far, waited for.
    virtual void WaitForModels() = 0;
    virtual void WaitForTextures() = 0;
    virtual float GetFrameTime() = 0;
    virtual float GetElapsedTime() = 0;
    virtual void ResetFrameTimer() = 0;
    // The dynamic lights of the last game frame switched off.
    virtual void SwitchOffLights() = 0;
    // The engine's leave-cycle flag.
    virtual bool IsLeaveCycle() = 0;
    virtual void ClearLeaveCycle() = 0;
    // The input device, typed keys and at most 10 window messages.
    virtual void PumpInput() = 0;
    // Per pass after the input: sound upkeep and, in a network game, the
    // client's exchange at each new whole second of t.
    virtual void FrameUpkeep(float t, float frameTime) = 0;
    // The game scene behind a menu: the environment's step, last frame's
    // lights off, the camera's view, the location prepared, the visibility
    // pass, then the renderer's frame, the cockpit off when overlay is set.
    virtual void RenderScene(bool overlay) = 0;
    virtual void ShowCursor(bool show) = 0;
    // The console line's developer commands, with the upper-cased name of
    // at most 31 characters: the player's glider 20 above the glider of the
    // named mechanoid; the named building (a game id) as the current one.
    // A name that matches nothing changes nothing.
    virtual void GoToMechanoid(const char* /*name*/) {}
    virtual void JumpToBuilding(const char* /*gameId*/) {}
};

extern IMenuHost* g_pMenuHost;

class CMenuControl
{
public:
    CMenuControl(int left, int top, int right, int bottom);
    virtual ~CMenuControl() = default;
    CMenuControl(const CMenuControl&) = delete;
    CMenuControl& operator=(const CMenuControl&) = delete;

    virtual void Render() {}
    virtual void OnMouseOver() {}
    virtual void OnMouseDown() {}
    virtual void OnMouseUp() {}
    virtual void OnMouseUpOutside() {}
    virtual void Run() {}
    virtual void ProcessKeys() {}
    // The element has joined a menu (m_pMenu is set).
    virtual void OnAdded() {}

    // The mouse at (x, y) this frame: inside, the hover time grows (past
    // 0.5 s with a tooltip the element becomes its menu's tooltip element),
    // then over, down and up; outside, the hover time is reset and a release
    // is an up outside.
    void ProcessMouse(int x, int y);

    float m_fHoverTime = 0.0f;
    std::string m_ToolTip;
    plat::Rect m_Rect;
    std::uint8_t m_bVisible = 1;
    std::uint8_t m_bActive = 1;
    CBaseMenu* m_pMenu = nullptr;
};

class CBaseMenu
{
public:
    CBaseMenu() = default;
    virtual ~CBaseMenu();
    CBaseMenu(const CBaseMenu&) = delete;
    CBaseMenu& operator=(const CBaseMenu&) = delete;

    // Runs the menu (modal 1: until it ends; 0: one pass) and returns its
    // result; param goes to SetParam when set. caching purges the sounds
    // and allows the caching screen. A failure inside resumes the world and
    // the cursor before it passes on.
    int DoModal(void* param, bool modal, bool caching);

    virtual void Render();
    virtual void SetParam(void*) {}
    virtual void RenderToolTips();
    virtual void RenderBackGround() {}
    virtual void RenderControl() { RenderControls(); }
    virtual void ProcessMessages();
    virtual void ProcessMusic(int) {}
    virtual void OnInit() {}
    virtual void RunControl();
    virtual void RemoveControl(CMenuControl* control, bool deleteIt);
    virtual void ResetTimer() {}
    virtual void PreProcess();
    virtual void PostProcess(int stage);
    virtual void OnNotify(int) {}

    // The scene behind the menu; with overlay, dimmed toward the menu's
    // state (4 levels a second up, 8 down once the menu is done).
    void RenderMap(bool overlay);
    // Multiplies the whole frame by a darkening: below strength 1 a layer of
    // "TEX_INT_NOISE" (repeating every 128 pixels, shifting with the engine
    // clock) blended toward colour, then always the grey of colour's low
    // byte x (1 - strength).
    void RenderNoise(std::uint32_t colour, float strength);

    // The menu takes ownership.
    void AddControl(CMenuControl* control);
    // Removes (and deletes) every element.
    void RemoveAllControls();
    // Mouse and typed character from the application (when there is one).
    void ReadApplicationInput();
    // One input pass: keys, then the per-frame run, then the mouse
    // presses and releases, for each visible and active element (only the
    // modal element while one is set).
    void RunControls();
    void RenderControls();

    // The typed character, cleared for the next reader.
    std::uint8_t TakeTypedChar();
    bool LeftPressed() const;
    bool LeftReleased() const;
    float WheelDelta() const;

    std::vector<CMenuControl*> m_Controls;
    CMenuControl* m_pModal = nullptr;
    IInput* m_pInput = nullptr;
    IGraphicInterface* m_pGraphic = nullptr;
    plat::Point m_Mouse;
    std::uint8_t m_cTypedChar = 0;
    std::uint8_t m_bTextInput = 0;
    float m_fFrameTime = 0.0f;

    CMenuControl* m_pToolTip = nullptr;
    float m_fDimLevel = 0.0f;
    std::uint32_t m_uPulseColour = 0;
    std::uint8_t m_bDone = 0;
    std::uint8_t m_bRestart = 0;
    std::int32_t m_nResult = 0;
    std::uint8_t m_bManageCursor = 1;
    std::uint8_t m_bCursorShown = 0;

private:
    void RunCycle(bool modal);
};

// Where the tooltip box of a text box W x H goes for the mouse at (x, y) on
// a screen of the given width: left = min(x + W - 2, width) - W - 2,
// top = max(y + 2 - H, 0) + 2.
plat::Point ToolTipBoxOrigin(int mouseX, int mouseY, int width, int height, int screenWidth);

// The caption of the caching screen, "Кеширование..." in code page 1251.
inline constexpr const char* kCachingCaption = "\xCA\xE5\xF8\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5...";

// The hit test of menus: the first corner's row and column are inside, the
// second's outside, in either order of the corners.
bool PointInRect(int x, int y, int left, int top, int right, int bottom);
