// CMenuHost: the application's side of the modal menus (g_pMenuHost and
// g_pDialogHost while the application runs) and its waiting screen.
//
// While a menu runs, the game's own frame loop is suspended: the host
// pauses the object list and the environment's sounds, stops or purges the
// sounds, draws the game scene behind the menu through the renderer
// (g_pRenderer, when a location is entered), keeps the frame clock, reads
// the input and pumps the window messages, and presents.
//
// The waiting screen is the "SUF_LOADING" image over the whole screen, a
// progress bar of the caching pass's steps (0-10) and a caption.
//
// What it lacks, for want of the game application, its screens and its
// saved games: the cockpit warning sounds (none play yet), the key
// bindings' typed keys, the network client's exchange, the frozen
// dialog-background picture, loading and saving games, the pause screen's
// chosen saved game and the music situations of the game (the building
// menus set 3; nothing else sets one yet).
//
// Threads: main thread; DrawWaitScreen also from the loading screen while
// the start-up loader thread runs (it then touches only the image).
#pragma once

#include "ui/menu/BaseMenu.h"
#include "ui/menu/UIDialog.h"

class IGraphicInterface;

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
    void FreezeBackground() override {}
    void LoadGame(const char* file) override;
    void SaveGame(const char* file, const char* caption, bool inBuilding, const char* building) override;
    bool GetChosenSave(IUI*, std::string*, std::string*) override { return false; }
    void SetOpenedFromBuilding(IUI*) override {}
    bool IsScreenBusy(IUI*) override { return false; }
    int GetMusicSituation() override { return m_nMusicSituation; }
    void SetMusicSituation(int situation) override { m_nMusicSituation = situation; }
    float GetMusicTimeLeft() override;
    IMusicManager* GetMusicManager() override;
    IMusic* GetMusicObject(int id) override;
    void SetSilence(float seconds) override;
    bool IsSilence() override;
    bool IsMusicBusy() override;

    // The interface the bar and caption are drawn with (null: the image
    // alone, as while the start-up loader thread runs).
    IGraphicInterface* m_pGraphic = nullptr;
    int m_nMusicSituation = 0;
};

extern CMenuHost g_MenuHost;
