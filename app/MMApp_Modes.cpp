// The main loop: the mode dispatch, the modal menus that interrupt it, the
// pause switch and the device loss.
#include "app/MMApp.h"
#include "app/InputConfig.h"

#include "app/BuildingHost.h"
#include "app/EngineFrame.h"
#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "app/SavedGames.h"
#include "app/ScreenRequests.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Input.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "graphics/ModelManager.h"
#include "hud/Renderer.h"
#include "hud/messages/Messager.h"
#include "hud/radar/Radar.h"
#include "location/Environment.h"
#include "location/ViewCamera.h"
#include "net/NetClient.h"
#include "platform/Thread.h"
#include "platform/Window.h"
#include "script/MMScriptManager.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "ui/UI.h"
#include "ui/menu/UIDialog.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

// What a menu's result does to the game: the quit flag, the cycle exit
// with its reason (0: the flag alone), the next mode, and whether the menu
// tells its caller that the cycle must end.
struct SMenuOutcome
{
    int result;
    bool quit;
    int reason;
    int mode;
    bool ends;
};

namespace
{
// The looping cockpit warnings.
constexpr const char* kCriticalLoop = "SND_C_DAMAGE_CRITICAL_L";
constexpr const char* kAnomalyLoop = "SND_C_ANOMALY_DAMAGE";
// The network test game's map.
constexpr const char* kNetMapName = "net_test.mmp";

template <std::size_t N> void CopyName(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text ? text : "");
}

constexpr int kSameMode = -1;

// The pause menu (1003 and 1007 go through the saved games).
constexpr SMenuOutcome kPauseOutcomes[] = {
    {CMMApp::kResultQuit, true, CMMApp::kExitQuit, CMMApp::kModeQuit, true},
    {CMMApp::kResultMainMenu, false, CMMApp::kExitMainMenu, kSameMode, true},
};
// The glider menu: its load ends the cycle although the menu says it goes on.
constexpr SMenuOutcome kGliderOutcomes[] = {
    {CMMApp::kResultQuit, true, CMMApp::kExitQuit, CMMApp::kModeQuit, true},
    {CMMApp::kResultLoad, true, 0, CMMApp::kModeSavedGame, false},
    {CMMApp::kResultMainMenu, false, CMMApp::kExitMainMenu, kSameMode, true},
};
// The building menu (1008, the journey, is its own).
constexpr SMenuOutcome kBuildingOutcomes[] = {
    {CMMApp::kResultQuit, true, CMMApp::kExitQuit, kSameMode, true},
    {CMMApp::kResultLoad, true, 0, CMMApp::kModeSavedGame, true},
    {CMMApp::kResultMainMenu, true, CMMApp::kExitMainMenu, kSameMode, true},
};
} // namespace

const SMenuOutcome* CMMApp::ApplyMenuResult(const SMenuOutcome* table, std::size_t count, int result)
{
    for (const SMenuOutcome* row = table; row != table + count; ++row)
    {
        if (row->result != result) continue;
        if (row->quit) m_nQuit = 1;
        EndCycle(row->reason);
        if (row->mode != kSameMode) m_nGameMode = row->mode;
        return row;
    }
    return nullptr;
}

// ---- the mode dispatch ------------------------------------------------------------

void CMMApp::Main()
{
    XTRACE("CMMApp::Main");
    switch (m_nGameMode)
    {
    case kModeMainMenu:
        RunMainMenu();
        return;
    case kModeNewGame:
    case kModeSavedGame:
    case kModeScriptJourney:
    case kModeTunnelJourney:
        PrepareGame();
        CycleGame(m_nGameMode == kModeNewGame ? 1 : 2);
        CloseGame();
        // The cycle ended by the quit flag; Main runs again with the mode it
        // left (a window close made that the end of the program).
        m_nQuit = 0;
        return;
    case kModeNetGame:
        CycleNetGame();
        return;
    default:
        m_nQuit = 1;
        return;
    }
}

void CMMApp::EndCycle(int reason)
{
    g_MMEngine.m_bLeaveCycle = 1;
    if (reason) g_MMEngine.m_nExitReason = reason;
}

void CMMApp::Travel(const char* map, const char* point)
{
    std::snprintf(m_szNextMapFile, sizeof m_szNextMapFile, "%s", map ? map : "");
    CopyName(m_szStartBuilding, point);
    EndCycle(kExitScriptJourney);
}

void CMMApp::QueueEndVideo(const char* name)
{
    if (!name || !*name) return;
    if (m_EndVideos.size() >= kMaxEndVideos)
    {
        g_ErrorLog.LogError("CMMApp: more than %d end videos; %s is not played", kMaxEndVideos, name);
        return;
    }
    m_EndVideos.emplace_back(name);
}

void CMMApp::OnQuitMessage()
{
    // Closing the window ends the program, not the game alone: the mode is
    // the end before the cycle's quit flag is cleared, and a running menu
    // ends with the cycle.
    m_nGameMode = kModeQuit;
    g_MMEngine.m_bLeaveCycle = 1;
    CApplication::OnQuitMessage();
}

int CMMApp::RunDialog(CBaseMenu* dialog, void* argument, bool flag, bool soundFlag)
{
    XTRACE("RunDialog");
    if (g_MMEngine.m_bLeaveCycle) return kResultRefused;
    g_InputConfig.StopFFEffects();
    if (m_pDialog) m_pPrevDialog = m_pDialog;
    m_pDialog = dialog;
    // The dialog's own keys (Escape, F10) read the game's input.
    if (!dialog->m_pInput) dialog->m_pInput = g_pInput;
    struct SRestore
    {
        CMMApp& app;
        ~SRestore()
        {
            app.m_pDialog = app.m_pPrevDialog;
            app.m_pPrevDialog = nullptr;
        }
    } restore{*this};
    return dialog->DoModal(argument, flag, soundFlag);
}

int CMMApp::RunScreen(CUIDialog& dialog, const char* screenId, void* argument, bool soundFlag)
{
    const int index = FindClassIndex(screenId);
    if (index < 0 || !dialog.SetUI(index, true))
    {
        g_ErrorLog.LogDebug("CMMApp: no screen %s; nothing chosen", screenId);
        return kResultResume;
    }
    return RunDialog(&dialog, argument, true, soundFlag);
}

void CMMApp::RunMainMenu()
{
    XTRACE("CMMApp::RunMainMenu");
    if (m_bNetDialog)
    {
        // Asked for on the command line: the network-game dialog first, once.
        // A game created there is the network test game; anything else goes
        // on to the main menu.
        m_bNetDialog = 0;
        g_MMEngine.m_bLeaveCycle = 0;
        CUIMainDialog netDialog;
        if (RunScreen(netDialog, kNetScreenId, nullptr, true) == kResultNetGame)
        {
            m_nGameMode = kModeNetGame;
            CopyName(m_szNetMapName, kNetMapName);
            DrawWaitScreen(-1, "", false);
            return;
        }
    }
    const int screen = FindClassIndex(kMainScreenId);
    if (screen < 0)
    {
        // Until the main menu screen exists, its mode starts a new game: the
        // main menu takes over here.
        g_ErrorLog.LogDebug("CMMApp::RunMainMenu: no screen %s; a new game starts", kMainScreenId);
        m_nGameMode = kModeNewGame;
        return;
    }
    CUIMainDialog dialog;
    // No game runs under the main menu: there is no location to draw behind it.
    dialog.SetUI(screen, false);
    for (;;)
    {
        g_MMEngine.m_bLeaveCycle = 0;
        const int result = RunDialog(&dialog, nullptr, true, true);
        if (result == kResultQuit)
        {
            m_nQuit = 1;
            break;
        }
        if (result == kResultLoad)
        {
            std::string caption, file;
            auto* chooser = dynamic_cast<ISavedGameChooser*>(dialog.m_pScreen);
            // The mode changes only once the saved game's header was read: a
            // file that cannot be read shows the menu again, nothing taken
            // from it.
            if (chooser && chooser->GetChosenSave(caption, file) && LoadGame(file.c_str(), true))
            {
                m_nGameMode = kModeSavedGame;
                break;
            }
            continue;
        }
        if (result == kResultNetGame)
        {
            m_nGameMode = kModeNetGame;
            CopyName(m_szNetMapName, kNetMapName);
        }
        else if (result == kResultNewGame)
        {
            m_nGameMode = kModeNewGame;
        }
        break;
    }
    DrawWaitScreen(-1, "", false);
}

bool CMMApp::RunPauseMenu()
{
    XTRACE("CMMApp::RunPauseMenu");
    MakeScreenShot();
    StopWarningSounds(true);
    if (g_pNetClient && g_pNetClient->m_bInNetGame) g_pNetClient->SendPause();
    CUIDialog dialog;
    const int result = RunScreen(dialog, kPauseScreenId, nullptr, false);
    if (const SMenuOutcome* outcome = ApplyMenuResult(kPauseOutcomes, std::size(kPauseOutcomes), result))
        return outcome->ends;
    std::string caption, file;
    auto* chooser = dynamic_cast<ISavedGameChooser*>(dialog.m_pScreen);
    if (result == kResultLoad)
    {
        // A saved game whose header cannot be read leaves the game running.
        if (!chooser || !chooser->GetChosenSave(caption, file) || !LoadGame(file.c_str(), true)) return false;
        m_nGameMode = kModeSavedGame;
        m_nQuit = 1;
        EndCycle(0);
        return true;
    }
    if (result == kResultSave && chooser && chooser->GetChosenSave(caption, file))
        SaveGame(file.c_str(), caption.c_str(), "");
    return false;
}

void CMMApp::RunBuildingMenu(const char* buildingId, const char* /*buildingName*/, bool autosave)
{
    XTRACE("CMMApp::RunBuildingMenu");
    char id[32];
    CopyName(id, buildingId);
    // The player's progress records the building as the current one.
    g_GameData.m_BuildingName.Set(id);
    if (g_pRadar) g_pRadar->m_BuildingMarks.AddUnique(id);
    // Keys pressed before the menu are not the menu's.
    if (g_pInput) g_pInput->Update();
    if (autosave)
    {
        MakeScreenShot();
        CXAnsiString caption;
        if (g_pTextDB) g_pTextDB->GetText(STextKey("OTH_AUTOSAVE"), caption);
        // Saved inside the building: its load starts in this menu again.
        SaveGame("autosave.sav", caption.GetText(), id);
    }
    CGliderObject* glider = g_pPlayerGlider;
    if (glider) glider->UpdateAmmo(false, false);

    CUIBaseDialog dialog;
    auto* building = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(id, OBJ_BUILDING));
    if (building)
    {
        g_ViewCamera.SetViewPosition(building->GetPosition());
        if (glider) glider->SetPosition(building->GetPosition());
    }
    const char* screen = building && building->GetKindCode() == 3 ? kTunnelScreenId : kBuildingScreenId;
    const int result = RunScreen(dialog, screen, id, true);
    if (glider) glider->UpdateAmmo(true, false);

    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    // Those the player carries stay behind in the location they leave.
    const auto leaveLocation = [&]
    {
        if (mechanoid) mechanoid->CheckHeads(id, true);
        if (g_pWorld) g_pWorld->ExcludeMechanoids();
    };
    if (g_MMEngine.m_bLeaveCycle && g_MMEngine.m_nExitReason == kExitScriptJourney) leaveLocation();
    const bool applied = ApplyMenuResult(kBuildingOutcomes, std::size(kBuildingOutcomes), result) != nullptr;
    if (!applied && result == kResultTunnel)
    {
        leaveLocation();
        auto* tunnel = dynamic_cast<ITunnelDestination*>(dialog.m_pScreen);
        const char* destination = tunnel && tunnel->GetDestination() ? tunnel->GetDestination() : "";
        EndCycle(kExitTunnel);
        std::snprintf(m_szNextMapFile, sizeof m_szNextMapFile, "%.120s.mmp", destination);
        // The music's journey state is set here once the music by situation
        // exists.
        if (g_pScriptManager) g_pScriptManager->RunEvent(m_szLocationName, "OnJump", destination);
    }
    else if (!applied && !g_MMEngine.m_bLeaveCycle)
    {
        // Nothing chosen: back out into the location.
        LeaveBuilding(building);
    }
    if (mechanoid)
    {
        mechanoid->m_fEnergy = mechanoid->GetEnergy(2);
        mechanoid->m_fShield = mechanoid->GetShield(2);
    }
    if (g_pMessager) g_pMessager->Clear();
    if (graph.m_lpDevice) CRenderer::SetProjection(false);
}

void CMMApp::LeaveBuilding(CBuildingObject* building)
{
    XTRACE("CMMApp::LeaveBuilding");
    CGliderObject* glider = g_pPlayerGlider;
    if (building && glider) building->ExitGlider(glider);
    CGameBuildingHost::ForgetCurrentBuilding();
    if (glider)
    {
        glider->UpdateGliderConfig();
        glider->m_bChanged = 1;
    }
    if (g_pRenderer)
    {
        if (g_pRenderer->m_pCameraObject)
        {
            g_pRenderer->m_pCameraObject->RestoreMode();
            g_pRenderer->m_pCameraObject->UpdateView();
        }
        g_pRenderer->PreLoad();
    }
}

bool CMMApp::RunGliderMenu(int tab)
{
    XTRACE("CMMApp::RunGliderMenu");
    MakeScreenShot();
    CGliderObject* glider = g_pPlayerGlider;
    if (glider) glider->UpdateAmmo(false, false);
    CUIDialog dialog;
    std::int32_t argument[8] = {tab};
    const int result = RunScreen(dialog, kGliderScreenId, argument, false);
    const SMenuOutcome* outcome = ApplyMenuResult(kGliderOutcomes, std::size(kGliderOutcomes), result);
    const bool endCycle = outcome && outcome->ends;
    if (glider)
    {
        glider->UpdateAmmo(true, false);
        glider->m_bChanged = 1;
    }
    if (g_pRenderer && graph.m_lpDevice) graph.m_lpDevice->SetViewport(&g_pRenderer->m_Viewport);
    return endCycle;
}

void CMMApp::TogglePause()
{
    XTRACE("CMMApp::TogglePause");
    m_bPause = m_bPause ? 0 : 1;
    if (m_bCursorShown != m_bPause)
    {
        m_bCursorShown = m_bPause;
        // The system cursor shows only for the pause and only when the game
        // uses it; otherwise it stays hidden.
        plat::ShowCursor(g_Settings.UseSystemCursor && m_bPause);
    }
    if (g_pMessager) g_pMessager->UpdateState(m_bPause != 0);
}

void CMMApp::StopWarningSounds(bool stop)
{
    if (!stop) return;
    if (g_pSoundManager)
    {
        g_pSoundManager->Stop(kCriticalLoop);
        g_pSoundManager->Stop(kAnomalyLoop);
    }
    m_uWarningSounds &= ~(kWarnCriticalLoop | kWarnAnomalyLoop);
}

// ---- device loss ------------------------------------------------------------------

void CMMApp::InvalidateResources()
{
    XTRACE("CMMApp::InvalidateResources");
    CApplication::InvalidateResources();
}

void CMMApp::ResetResources()
{
    XTRACE("CMMApp::ResetResources");
    plat::Rect window{};
    if (m_hWnd && plat::GetWindowRect(m_hWnd, &window)) plat::ClipCursor(&window);
    CApplication::ResetResources();
    // The time the device was away does not count as a frame.
    g_FrameTimer.SkipElapsed();
    graph.m_nFrameCount = 0;
}

// ---- saved games ------------------------------------------------------------------

bool CMMApp::SaveGame(const char* file, const char* caption, const char* extra)
{
    XTRACE("CMMApp::SaveGame");
    if (g_pSavedGames) return g_pSavedGames->SaveGame(file, caption, extra);
    m_SavedGames.m_pScreen = m_pThumbnail;
    std::snprintf(m_SavedGames.m_szMapFile, sizeof m_SavedGames.m_szMapFile, "%s",
                  m_szMapFile[0] ? m_szMapFile : kDefaultMap);
    return m_SavedGames.SaveGame(file, caption, extra && *extra, extra ? extra : "");
}

bool CMMApp::LoadGame(const char* file, bool headerOnly)
{
    XTRACE("CMMApp::LoadGame");
    if (g_pSavedGames) return g_pSavedGames->LoadGame(file, headerOnly);
    m_SavedGames.m_pScreen = m_pThumbnail;
    if (!m_SavedGames.LoadGame(file, headerOnly)) return false;
    // What the game preparation needs: the map and where the player starts.
    const std::string map = m_SavedGames.m_szMapFile;
    if (map.size() >= sizeof m_szMapFile)
    {
        g_ErrorLog.LogError("CMMApp::LoadGame %s: the map name is too long", file);
        return false;
    }
    std::memcpy(m_szMapFile, map.c_str(), map.size() + 1);
    CopyName(m_szStartBuilding, m_SavedGames.m_szStartBuilding);
    m_sLoadFile = file ? file : "";
    return true;
}

bool CMMApp::SaveLoc()
{
    std::snprintf(m_SavedGames.m_szMapFile, sizeof m_SavedGames.m_szMapFile, "%s", m_szMapFile);
    return m_SavedGames.SaveLoc();
}

bool CMMApp::LoadLoc(const char* file)
{
    return m_SavedGames.LoadLoc(file);
}

bool CMMApp::SaveMainMech()
{
    return m_SavedGames.SaveMainMech();
}

bool CMMApp::LoadMainMech()
{
    return m_SavedGames.LoadMainMech();
}

void CMMApp::RestoreGliderState()
{
    CSavedGames::RestoreGliderState();
}
