// CMenuHost: the application's side of the modal menus (g_pMenuHost and
// g_pDialogHost while the application runs).
//
// While a menu runs, the game's own frame loop is suspended: the host
// pauses the object list and the environment's sounds, stops or purges the
// sounds, draws the game scene behind the menu through the renderer
// (g_pRenderer, when a location is entered), keeps the frame clock, reads
// the input and pumps the window messages, and presents. The waiting
// screen, the dialog's background picture (the thumbnail) and the saved
// games are the application's (m_pApp; without one they do nothing).
//
// What it lacks, for want of the parts of the game that are not built: the
// cockpit warning sounds (none play yet) and the music situations of the
// game (the building menus set 3; nothing else sets one yet). In the network game the application's exchange runs once a
// second of the menu (CMMApp::RunNetMenuUpkeep).
//
// Threads: main thread.
#pragma once

#include "ui/UI.h"
#include "ui/menu/BaseMenu.h"
#include "ui/menu/UIDialog.h"

class CMMApp;

class CMenuHost : public IMenuHost, public IDialogHost
{
public:
    static constexpr int kWaitSteps = 10;

    // IMenuHost
    void PauseGame(bool pause) override;
    void StopSounds(bool purge) override;
    bool IsDeviceLost() override;
    void BeginMenuFrame() override;
    void EndMenuFrame() override;
    void DrawCursor() override;
    void PresentFrame() override;
    void DrawWaitScreen(int step, const char* caption, bool flag) override;
    void WaitForModels() override;
    void WaitForTextures() override;
    float GetFrameTime() override;
    float GetElapsedTime() override;
    void ResetFrameTimer() override;
    void SwitchOffLights() override;
    bool IsLeaveCycle() override;
    void ClearLeaveCycle() override;
    void PumpInput() override;
    void FrameUpkeep(float t, float frameTime) override;
    void RenderScene(bool overlay) override;
    void ShowCursor(bool show) override;
    // The console line's commands on the entered location (nothing without
    // one): GO puts the player's glider 20 above the live glider of the
    // world's mech of that id or name; JUMP TO makes the building of that
    // game id the world engine's current building and puts the player in
    // it, so that the building host lets the glider out at its exit on the
    // next frame (there is no building menu to leave yet).
    void GoToMechanoid(const char* name) override;
    void JumpToBuilding(const char* gameId) override;

    // IDialogHost
    // The thumbnail from the back buffer.
    void FreezeBackground() override;
    // The header of the saved game (the game preparation reads the rest).
    void LoadGame(const char* file) override;
    void SaveGame(const char* file, const char* caption, bool inBuilding, const char* building) override;
    // The screen's answer when it chooses saved games (ScreenRequests.h).
    bool GetChosenSave(IUI* screen, std::string* caption, std::string* file) override;
    void SetOpenedFromBuilding(IUI*) override {}
    // A screen with a popup open keeps Escape and F10 to itself.
    bool IsScreenBusy(IUI* screen) override { return screen && screen->IsBusy(); }
    // The application's music by situation (the menu states 3 and 4); the
    // host's own value without an application.
    int GetMusicSituation() override;
    void SetMusicSituation(int situation) override;
    float GetMusicTimeLeft() override;
    IMusicManager* GetMusicManager() override;
    IMusic* GetMusicObject(int id) override;
    void SetSilence(float seconds) override;
    bool IsSilence() override;
    bool IsMusicBusy() override;

    CMMApp* m_pApp = nullptr;
    int m_nMusicSituation = 0;
};

extern CMenuHost g_MenuHost;
