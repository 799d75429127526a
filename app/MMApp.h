// CMMApp: the game application, the one owner of the program's life.
//
// Init brings every service up in a fixed order behind the loading screen
// (the service table m_Services is that order, one row per step; Done and a
// device loss walk the same rows): the classes, the file manager and the
// resource database, the text database and the game script manager, the
// settings and the command line, the window's style, the logo videos, the
// graphics device (with one fallback attempt), the graphics lists and the
// music manager on the first loader thread, the frame timer and gamma, the
// sound, the world engine's managers on the second loader thread, the input,
// the main classes (CreateMainClasses), the thumbnail surfaces, the cursors,
// and "Difficulty" and "OutsideSave" into the engine. Each service's global
// is set by its row and cleared by the row's done.
//
// Between Init and Done the shell's Run calls Main, one pass of the mode
// dispatch (m_nGameMode): the main menu (0), a game (1 new, 2 from a saved
// game, 6 and 7 journeys: PrepareGame, CycleGame, CloseGame), the network
// test game (3) and the end (4; any other value too). A window close or
// quit message ends the program from any mode (mode 4), not only the
// running game.
//
// The menus that interrupt a game (pause, building, glider) and the main
// menu are modal dialogs whose screens live above this library (menus/):
// they are created by class id through the class factory. A screen whose
// class the factory does not know is one debug line and the menu's "nothing
// chosen" (the building menu lets the glider out at its door).
//
// A game is PrepareGame, CycleGame and CloseGame (MMApp_Game.cpp), its
// frames Render (MMApp_Frame.cpp). The main menu's mode runs the main menu
// screen ("IGUID_CMainUI"), which starts a new game or loads a saved one.
// The network test game enters the network map through the same
// preparation; the network-game dialog (the
// screen "IGUID_CNetUI") is reached from the command line ("-netdialog 1").
//
// Saved games go through CMMApp::SaveGame and LoadGame, which write and
// read them through m_SavedGames (app/SaveGameFile.h), or through the
// stand-in a test installs in g_pSavedGames (app/SavedGames.h).
//
// Threads: the main thread, but for the two loader rows of Init, which run
// on the start-up loader thread while the main thread redraws the loading
// screen (see foundation/LoaderThread.h).
#pragma once

#include "app/AppClasses.h"
#include "app/MMApp_Music.h"
#include "app/SaveGameFile.h"
#include "foundation/Application.h"
#include "foundation/Graphic.h"
#include "platform/Types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CBaseMenu;
class CBuildingObject;
class CGliderObject;
class CMech;
class CMechanoid;
class CMMObject;
class CRandom;
class CUIDialog;
class IGraphicInterface;
class CWorldRecords;
struct SMenuOutcome;

class CMMApp : public CApplication
{
public:
    // Why Init failed (m_nInitError): the text of the start-up error box.
    enum EInitError : std::uint32_t
    {
        kInitUnknown = 0,
        kInitDatabase = 1,
        kInitGraphics = 2,
        // The database was found but cannot be read (m_sInitErrorDetail says why).
        kInitDatabaseDamaged = 4,
    };

    enum EGameMode : std::int32_t
    {
        kModeMainMenu = 0,
        kModeNewGame = 1,
        kModeSavedGame = 2,
        kModeNetGame = 3,
        kModeQuit = 4,
        kModeScriptJourney = 6,
        kModeTunnelJourney = 7,
    };

    // Why a game cycle ends (the engine's m_nExitReason).
    enum EExitReason : std::int32_t
    {
        kExitBuilding = 1,
        kExitDeath = 2,
        kExitScriptJourney = 3,
        kExitTunnel = 4,
        kExitStartInBuilding = 5,
        kExitEndText1 = 6,
        kExitEndText2 = 7,
        kExitQuit = 8,
        kExitMainMenu = 9,
        kExitEndVideo = 10,
    };

    // What the modal screens end with.
    enum EMenuResult : int
    {
        kResultRefused = 1000,
        kResultQuit = 1001,
        kResultResume = 1002,
        kResultLoad = 1003,
        kResultNetGame = 1004,
        kResultNewGame = 1005,
        kResultMainMenu = 1006,
        kResultSave = 1007,
        kResultTunnel = 1008,
    };

    static constexpr int kLoadingCells = 17;
    static constexpr int kWaitCells = 10;
    static constexpr int kWaitPictures = 13;
    static constexpr int kThumbnailSize = 128;
    static constexpr int kMaxEndVideos = 4;
    // The warning-sound mask's bits of the two looping warnings.
    static constexpr std::uint32_t kWarnCriticalLoop = CCockpitWarnings::kCriticalLoop;
    static constexpr std::uint32_t kWarnAnomalyLoop = CCockpitWarnings::kAnomalyLoop;

    // Registers every class the program creates through the factory.
    using FRegisterClasses = void (*)();

    // registerClasses runs at start-up (step 2); the executable passes the
    // registration of every library, including those above this one.
    explicit CMMApp(FRegisterClasses registerClasses = &RegisterAppClasses);
    ~CMMApp() override;
    CMMApp(const CMMApp&) = delete;
    CMMApp& operator=(const CMMApp&) = delete;

    // ---- start-up and shutdown (MMApp.cpp) -----------------------------------
    // False with m_nInitError set; Done must run afterwards in any case.
    bool Init(void* hInstance, void* hPrevInstance, char* commandLine, int showCommand, std::uint32_t flags,
              const char* title) override;
    // The waiting screen, then every service that Init entered, last first.
    // Safe after a failed Init and when repeated.
    void Done() override;
    // The engine settings and [MMCONFIG] read again, and the screen size
    // for 2-D drawing, the sound settings and the linear-fog rule applied
    // (textures take the quality at each load; the key bindings and the
    // network client's settings join once they exist).
    void ReloadSettings() override;

    // Up to three "-name value" pairs: "g" script (a new game at once), "m"
    // mod (a new game at once), "freecamera" (the camera keys), "netdialog"
    // (the network-game dialog before the main menu), "replay" recording (a
    // new game at once in the play recorder's replay mode). Names in any case;
    // values of 128 characters or more are not taken.
    void ParseCommandLine(const char* commandLine);
    // "Data\Video\logo0.bik" to "logo3.bik" full screen at 800 x 600.
    void PlayLogoVideos(bool skippable);
    // The display parameters from the settings, or their fallback form;
    // a windowed device also places the window at 0, 0, 1024 x 768.
    void GetDisplayParams(SDisplayParameters& params, bool fallback);
    // Direct3D, the multisample check and the device; false without one.
    bool InitGraphic(SDisplayParameters params);
    // The game's services that live from start-up to shutdown: mission
    // script manager, message panel, event sink, renderer, radar and its
    // map reader, the world's registries, the quest log.
    void CreateMainClasses();

    // ---- the main loop (MMApp_Modes.cpp) -------------------------------------
    // One pass of the mode dispatch.
    void Main() override;
    // 1000 without showing anything while a cycle exit is pending; else
    // runs the dialog as the current one (the one before becomes the
    // previous dialog) and returns its result.
    virtual int RunDialog(CBaseMenu* dialog, void* argument, bool flag, bool soundFlag);
    virtual void RunMainMenu();
    // True when the game cycle must end.
    bool RunPauseMenu();
    void RunBuildingMenu(const char* buildingId, const char* buildingName, bool autosave);
    // tab: the glider menu's page (0, 1 or 2). True when the cycle must end.
    bool RunGliderMenu(int tab);
    void TogglePause();
    // With stop, the two looping cockpit warnings stop.
    void StopWarningSounds(bool stop);
    // Around a device reset (the shell calls them): every service row's
    // device part, the dialogs', the music and the thumbnail surfaces.
    void InvalidateResources() override;
    void ResetResources() override;
    void OnQuitMessage() override;

    // ---- a game (MMApp_Game.cpp, MMApp_Frame.cpp) ------------------------------
    // PrepareGame builds the location and the player for the mode (1 new
    // game, 2 saved game, 6 script journey, 7 tunnel journey): the world's
    // generation (with its population for a new game or a location never
    // seen, else the stored location state), the map, the player's
    // mechanoid, glider, camera and smoke; CycleGame runs frames until a
    // cycle exit and acts on its reason; CloseGame tears the world down.
    virtual bool PrepareGame();
    virtual void CycleGame(int kind);
    virtual void CloseGame();
    // The network test game (mode 3) on the network map, with the network
    // client's connection: the player's glider is a network object whose id
    // follows the player id the server gave (g_pNetClient->m_iSelected); the
    // game starts at one of the map's buildings of types 1, 4, 6 or 9 (drawn
    // by g_Random), runs the game cycle, flies again after the player's
    // death, and at its end tells the server and leaves the location.
    // Without a client connected to a server: one error line and the main
    // menu. The mode it leaves is the main menu, or the end of the program
    // after a window close or a quit.
    virtual void CycleNetGame();
    // The network step of a frame, network game only: what arrived is
    // handled, the changed network objects are sent, the player's glider is
    // marked changed at each whole second of the frame timer's time and
    // sent again at each fifth, when a failed send posts "INT_NET_FAIL".
    void RunNetFrame();
    // A modal menu's pass in the network game (t: the menu's time, from 0):
    // the player's state sent and what arrived handled at each new whole
    // second of t.
    void RunNetMenuUpkeep(float t, float frameTime);
    // One frame of a game, in the game's fixed frame order; the first frame
    // of a pass skips the world's step and the objects' run and resets the
    // frame timer afterwards.
    void Render(bool firstFrame);
    // What a game cycle does when a pass of frames ended with a cycle exit
    // (the engine's flag, cleared here, and reason): the building menu
    // (without autosave when the pass ran no frame), back to the main
    // menu, a journey, the end. kind: the cycle's first pass (1 new game,
    // 2 saved game or journey) or a later one (0).
    void HandleCycleExit(int kind, bool ranFrame);

    // A script's journey: the next map and the start point there, and the
    // cycle ends (reason 3).
    void Travel(const char* map, const char* point);
    // One more video for the end of the game (at most 4; more are logged).
    void QueueEndVideo(const char* name);

    // ---- game preparation and the per-frame update (MMApp_Game.cpp, MMApp_Frame.cpp)
    // The map a new game enters when the start script names none.
    static constexpr const char* kDefaultMap = "sample.loc";
    static constexpr const char* kStartConfig = "CFG_STARTUP";
    static constexpr const char* kMainMechId = "SMT5001";
    static constexpr int kStartPointKind = 9;
    static constexpr int kStartPointPicks = 100;
    static constexpr float kSimulateFresh = 1000.0f; // seconds, 10 times
    static constexpr float kSimulateStored = 100.0f; // seconds, 10 times
    // The preparation's steps below are virtual so that a test can record
    // their order per mode.
    // The cell grid, the map, the horizon, the location's music defaults,
    // the radar's map, the environment at ten o'clock, a clean frame timer
    // and message panel. newGame is not consulted.
    virtual void InitMap(const char* mapFile, bool newGame);
    // The player's main mechanoid object (id "SMT5001") fitted from
    // "CFG_STARTUP" (configuration 0, logged, when there is none).
    virtual void LoadStartConfig(int unused);
    // The player's glider for the main mechanoid, placed at a start point,
    // the game camera held on it, the smoke object; a new game gives the
    // player's clan its icon and colour.
    virtual void InitMainMech(bool newGame, bool tunnel);
    // The view camera and the glider at the start point named after the
    // start building (a random one otherwise, a tunnel one only for a tunnel
    // arrival, at most 100 picks), or over the map's centre; loaded: the
    // saved game's placement.
    void InitGliderOnStartPos(bool tunnel, bool loaded);
    // The speed-dependent field of view (70 to 100 degrees; 70 in camera
    // modes 2 to 4) and the view camera's projection.
    void UpdateViewAngle(float dt);
    // The main mechanoid object and its mechanoid go (the next
    // LoadStartConfig or Done).
    void ReleaseMainMech();
    CMech* GetMainMech() const;
    // The location in play left (its objects, cells and installed views),
    // without the world's tear-down; and its device objects around a reset.
    static void LeaveGameLocation();
    static void InvalidateGameLocation();
    static void ResetGameLocation();
    CMechanoid* GetMainMechanoid() const;

    // The time scale of the player's time effect (on, level).
    static float TimeScale(bool effectOn, float level);
    // The view-angle target t of a forward speed factor v.
    static float ViewAngleTarget(float v);
    // The horizontal angle of a view-angle state in a camera mode.
    static float HorizontalViewAngle(float state, int cameraMode);
    // The start point chosen among names (by index), draw giving the next
    // random index: the wanted name first, else a random one; a name's
    // "TUNNEL" must match tunnel, at most kStartPointPicks picks (the last
    // is kept). -1 without any.
    static int ChooseStartPoint(const std::vector<std::string>& names, const char* wanted, bool tunnel,
                                const std::function<int()>& draw);

    // The smoothed view-angle state (0 to 1.1) and the angle it gave.
    float m_fViewAngleState = 0.0f;
    float m_fViewAngle = 70.0f;
    // The input's selection state, the start timer and started flag that
    // the player input reads.
    std::int32_t m_nInputSelection = -1;
    float m_fStartTimer = 0.0f;
    std::uint8_t m_bStarted = 0;
    // A new game clears it; free for the game's use.
    std::int32_t m_GameBlock[17] = {};

    // ---- screens (MMApp_Screens.cpp) -----------------------------------------
    // The loading picture with 17 cells, progress of them filled, presented.
    void DrawLoadingScreen(int progress);
    // A waiting picture (newPicture: another one drawn by the program's
    // generator) with 10 cells unless progress is -1, presented. The text
    // is not drawn.
    void DrawWaitScreen(int progress, const char* text, bool newPicture);
    // The back buffer scaled into the 128 x 128 thumbnail; a failure leaves
    // the thumbnail as it was (one line).
    void MakeScreenShot();
    void MakeDialogScreenShot();
    // The thumbnail picture (128 x 128, X8R8G8B8, system memory), its
    // render target and its depth surface on graph's device; released.
    void CreateThumbnailSurfaces();
    void ReleaseThumbnailSurfaces();
    // Cell index's place on a screen of that height (20 x 40 from the
    // left and bottom edges, 24 apart).
    static plat::Rect CellRect(int index, int screenHeight);
    // A waiting picture number: the generator advanced once, (x >> 8) mod 13.
    static int ChooseWaitPicture(CRandom& random);

    // ---- saved games (m_SavedGames, or a test's g_pSavedGames) ----------------
    bool SaveGame(const char* file, const char* caption, const char* extra);
    // headerOnly: only what the game preparation needs (the file, the map,
    // the start building, the glider's placement) is taken.
    bool LoadGame(const char* file, bool headerOnly);

    // ---- location state and the transfer stream (m_SavedGames) -------------
    // The current location's state file "SAVES\LOCS\<location>_<n>" (the
    // location's older ones deleted, its SLocInfo records naming it); a
    // journey's next location reads it back with LoadLoc (false when it
    // cannot be opened).
    bool SaveLoc();
    virtual bool LoadLoc(const char* file);
    // The player's mechanoid and its transfer state into the transfer
    // stream when the player leaves through a tunnel, and back from it in
    // the next location (false, logged, the player as he was, for a damaged
    // stream).
    bool SaveMainMech();
    virtual bool LoadMainMech();
    // The glider takes back the transfer block's reserve charge and the
    // mechanoid's device switches (the game preparation's last step).
    virtual void RestoreGliderState();

    // ---- the player's input (MMApp_Input.cpp, PlayerCommands.cpp) ------------
    // One frame of the player's input, from the bindings' action state
    // (g_InputConfig) and the function keys: menus, quick save and load,
    // camera keys, steering, death, command menu, devices, gamma, target.
    void ProcessInput();
    // One order of the command menu; true when carried out (the menu closes).
    bool PlayerCommand(int menu, int command);
    // The refitting and target hot keys the typed codes enable.
    void ProcessCheatKeys();
    // The effect of a typed code (1-6) that matched.
    void OnTypedCode(int code);
    // The glider the player's selection lands on (null: none).
    CMMObject* SelectTarget(CGliderObject& glider);
    // The cursor: shown (pause, menus) or hidden with the pointer kept
    // inside the window (flight).
    void SetGameCursor(bool shown);
    // Gamma to gamma (clamped to -10..10): the ramp, cfg.ini, a message.
    void SetGamma(int gamma);
    int CountCommandedGroups() const;
    // The glider placed at its start: alive, death timer 5 s, the command
    // menu closed, the sight straight ahead; a new game also clears the
    // run, cruise and headlight toggles.
    void ResetPlayerInput(bool newGame);
    float m_fSightH = 0.0f;
    float m_fSightV = 0.0f;
    bool m_bAlwaysRun = false;
    bool m_bCruise = false;
    std::uint8_t m_bDead = 0;
    float m_fDeathTimer = 5.0f;
    // -1 closed, 0 top level, 1-3 a submenu.
    std::int32_t m_nCommandMenu = -1;
    float m_fStasisTimer = 0.0f;
    // Set by typed codes: the target and travel keys (and no damage), the
    // refitting keys.
    bool m_bCheatTarget = false;
    bool m_bCheatRefit = false;
    std::int32_t m_nGunCycle = 0;
    // The pointer is kept inside the window (flight).
    bool m_bPointerKept = false;
    // The bomb marker (the smoke object of the location) shows where the
    // glider's bomb would fall, or (null) is hidden.
    void ShowBombMarker(const CGliderObject* glider);
    bool m_bBombMarkerShown = false;
    // The object that hit the player's glider last (the event sink keeps
    // it), null when none or gone.
    CMMObject* FindLastAttacker() const;

    // The menus' and loading screens' drawing interface (null before start-up).
    IGraphicInterface* GetGraphic() const { return m_pGraphic; }

    // ---- fields ---------------------------------------------------------------
    // The camera keys are on ("freecamera" sets it too).
    std::uint8_t m_bFreeCamera = 1;
    std::string m_sLoadFile;
    char m_szMapFile[128] = {};
    char m_szNextMapFile[128] = {};
    char m_szLocationName[32] = {};
    char m_szStartBuilding[32] = {};
    std::vector<std::string> m_EndVideos;
    char m_szScriptFile[128] = "TARVOXII.src";
    std::uint8_t m_bMod = 0;
    char m_szModName[128] = {};
    char m_szNetMapName[128] = {};
    // "netdialog" on the command line: the main menu opens the network
    // dialog first (once).
    std::uint8_t m_bNetDialog = 0;
    std::int32_t m_nGameMode = kModeMainMenu;
    // The thumbnail: the picture (system memory; it survives a reset), and
    // the render target and depth surface made again after a reset.
    plat::d3d::Surface* m_pThumbnail = nullptr;
    CSavedGames m_SavedGames;
    plat::d3d::Surface* m_pThumbnailTarget = nullptr;
    plat::d3d::Surface* m_pThumbnailDepth = nullptr;
    // The running modal menus: the current one and the one under it.
    CBaseMenu* m_pDialog = nullptr;
    CBaseMenu* m_pPrevDialog = nullptr;
    std::uint32_t m_nInitError = kInitUnknown;
    // The error line behind the code, shown under its text; may be empty.
    std::string m_sInitErrorDetail;
    // The waiting picture shown last (0-12).
    std::int32_t m_nWaitPicture = 0;
    // The cockpit warnings playing (a bit each).
    std::uint32_t m_uWarningSounds = 0;

    // ---- The situation: music, cockpit warnings, end texts and end videos.
    // The frame's last step: the music for the player's situation, the
    // cockpit warnings' sounds and the HUD's warning code.
    void AnalizeSituation();
    // The end text of ending 1 or 2 with the titles, on its own loop until
    // it ends (exit reasons 6 and 7).
    void ShowEndText(int ending);
    // Plays the queued end videos (exit reason 10) and empties the queue.
    void PlayEndGameVideo();
    CMMApp_Music m_Music;
    // The shield fraction of the last frame's warnings.
    float m_fLastShield = 1.0f;
    // The mission scripts' view of the game (g_pMMScriptManager's world).
    class CGameMissionWorld* m_pMissionWorld = nullptr;

    // ---- The cockpit's view of the game and the bomb marker (MMApp_Hud.cpp).
    // What the renderer draws of the game this frame: the player's glider,
    // its target and mechanoid, the frame time, the pause, the command
    // menu's level with what its items ask, the money, the stasis, the
    // speed key and the run and cruise toggles, the heading sight (the
    // centre-fire option), the anomaly damage and the warning icons.
    void FeedHud(float dt);
    // The units' weapon-icon sheet "TEX_INT_WEAPON_ICONS" (256 x 512, 64 x
    // 32 cells) and anomaly picture "TEX_INT_ANOMALY" (512 x 512) handed to
    // the renderer once it exists (-1 when the texture list lacks them).
    static void LoadCockpitTextures();
    // While the bomb key is held with a bomb ready, the marker shows the
    // flight the bomb would take (CSmokeObject::ShowTrajectory); otherwise
    // it is hidden.
    void UpdateBombMarker();
    // The bomb-drop marker InitMainMech adds to the object list (null
    // outside a game).
    class CSmokeObject* m_pBombMarker = nullptr;

    // ---- Vital script results in flight (MMApp_Frame.cpp).
    // A vital result raised while no dialog runs: its key (at most 32
    // characters) is kept for the message-box screen, which the frame opens
    // as a modal dialog once its picture is shown, so that no world step or
    // object run is inside it. True: the box will show it.
    bool QueueVitalBox(const char* key);
    // The kept key's box, run until the player closes it (OK, Enter or
    // Escape); the game stands still meanwhile and the time in the box does
    // not count for the next frame.
    void ShowVitalBox();
    bool m_bVitalBoxPending = false;
    char m_szVitalBoxKey[33] = {};

private:
    void AddServices();
    void InitInput();
    void DoneInput();
    void CreateThumbnailTargets();
    void ReleaseThumbnailTargets();
    void DoneMainClasses();
    // The game script manager, with the scripts' calls into the game cycle
    // (g_ScriptGameCalls); false when it cannot be made.
    static bool InitScriptManager();
    static void DoneScriptManager();
    // Runs the screen of class id in dialog; kResultResume (nothing chosen)
    // with one line when the factory has no such class.
    int RunScreen(CUIDialog& dialog, const char* screenId, void* argument, bool soundFlag);
    void TakeThumbnail(const char* trace);
    // The quit flag, the cycle exit and the mode of the table's row for the
    // menu's result; null (nothing done) when the table has none.
    const SMenuOutcome* ApplyMenuResult(const SMenuOutcome* table, std::size_t count, int result);
    // The game cycle ends (reason 0: the flag alone, the reason as it was).
    static void EndCycle(int reason);
    // Leaves the building menu: the glider out at the door, the camera
    // back, the caching pass.
    void LeaveBuilding(CBuildingObject* building);
    // The network game's start building: one of the buildings of types 1,
    // 4, 6 and 9 drawn by g_Random, or "NOID" without one.
    void ChooseNetStartBuilding();
    // After a pass of the network game: the player's mechanoid repaired and
    // its glider placed again, alive, at a start point.
    void RestartNetGlider();

    // A number key of an open command submenu; true when its order ran.
    bool RunCommandKey(int key);
    bool BuyOut(CMMObject* target);

    FRegisterClasses m_pfnRegisterClasses;
    std::string m_sCommandLine;
    int m_nShowCommand = 0;
    // Added to the loading progress while a loader row runs.
    int m_nLoaderProgress = 0;
    IGraphicInterface* m_pGraphic = nullptr;
    CWorldRecords* m_pWorldRecords = nullptr;
    // The frame timer's time at the last network step.
    double m_dNetClock = 0.0;
};

// The text of the start-up error box for an error code; null for a code
// that shows no box.
const char* GetInitErrorText(std::uint32_t error);

// The program after the single-instance test: creates the application, runs
// it and shuts it down. Returns the process exit code: 0 after a normal
// end; after a failed start the error code (3 when it is 0 or an exception
// ended the start).
int RunApplication(CMMApp::FRegisterClasses registerClasses, char* commandLine, const char* title);

extern const char* const kGameTitle;
