#include "app/MMApp.h"
#include "app/InputConfig.h"

#include "app/GameData.h"
#include "app/MMAppEvent.h"
#include "app/ScreenRequests.h"
#include "app/VideoStudio.h"
#include "app/MissionWorld.h"
#include "world/GameWorldState.h"
#include "app/MenuHost.h"
#include "app/WorldRecords.h"

#include "foundation/ClassFactory.h"
#include "foundation/DICodeTable.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileManager.h"
#include "foundation/FrameTimer.h"
#include "foundation/InputDevice.h"
#include "foundation/LoaderThread.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/GraphicInterface.h"
#include "graphics/ResourceEngine.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TextureManager.h"
#include "graphics/VideoPlayer.h"
#include "hud/Renderer.h"
#include "hud/messages/Messager.h"
#include "hud/radar/Radar.h"
#include "hud/radar/RadarMapFile.h"
#include "net/NetClient.h"
#include "location/Environment.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Ini.h"
#include "platform/Window.h"
#include "platform/video/Video.h"
#include "script/MMScriptManager.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptBuiltIns.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "society/GroupMaker.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "sound/SoundStartup.h"
#include "ui/menu/UIDialog.h"
#include "units/GliderObject.h"
#include "units/KindManagers.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

const char* const kGameTitle = "Tarvox II v.1.3.25";

namespace
{
CMMApp* RunningApp()
{
    return dynamic_cast<CMMApp*>(g_pApplication);
}

constexpr int kLogoVideos = 4;
constexpr int kLogoWidth = 800;
constexpr int kLogoHeight = 600;
// Where a windowed game's window goes.
constexpr int kWindowedWidth = 1024;
constexpr int kWindowedHeight = 768;

// Copies text into a fixed field when it fits (the terminator included).
template <std::size_t N> bool CopyIfFits(char (&field)[N], const char* text)
{
    if (std::strlen(text) >= N) return false;
    std::memcpy(field, text, std::strlen(text) + 1);
    return true;
}
} // namespace

const char* GetInitErrorText(std::uint32_t error)
{
    switch (error)
    {
    case CMMApp::kInitUnknown:
        return "Unknown Error.";
    case CMMApp::kInitDatabase:
        return "Database not found. Check program path.";
    case CMMApp::kInitGraphics:
        return "Graphic initialization fail.";
    case CMMApp::kInitDatabaseDamaged:
        return "Database damaged. Reinstall the game data.";
    default:
        return nullptr;
    }
}

CMMApp::CMMApp(FRegisterClasses registerClasses)
    : m_pfnRegisterClasses(registerClasses ? registerClasses : &RegisterAppClasses)
{
}

CMMApp::~CMMApp()
{
    // An application left running (a test that stopped early) still gives
    // every global back.
    Done();
}

// ---- start-up ---------------------------------------------------------------------

bool CMMApp::Init(void* hInstance, void* hPrevInstance, char* commandLine, int showCommand,
                  std::uint32_t flags, const char* title)
{
    XTRACE("CMMApp::Init");
    m_nInitError = kInitUnknown;
    m_sInitErrorDetail.clear();
    m_nShowCommand = showCommand;
    m_sCommandLine = commandLine ? commandLine : "";
    g_nLoadingStage.store(0);
    if (!CApplication::Init(hInstance, hPrevInstance, commandLine, showCommand, flags, title)) return false;
    if (m_Services.GetCount() == 0) AddServices();
    const bool started = m_Services.Start(
        [this](const std::function<bool()>& work)
        {
            return RunBehindLoadingScreen(work,
                                          [this]
                                          {
                                              DrawLoadingScreen(m_nLoaderProgress + g_nLoadingStage.load());
                                              // The sound keeps its per-frame settings meanwhile.
                                              if (g_pSoundManager) g_pSoundManager->ApplySettings();
                                          });
        });
    if (!started)
    {
        g_ErrorLog.LogError("CMMApp::Init: %s did not start", m_Services.GetFailed());
        g_ErrorLog.FlushTrace();
        return false;
    }
    DrawLoadingScreen(kLoadingCells);
    g_ErrorLog.LogDebug("%s started", title);
    return true;
}

void CMMApp::AddServices()
{
    m_Services.Add({.name = "Classes",
                    .init = [this]
                    {
                        plat::ShowWindow(m_hWnd, plat::SW_HIDE);
                        m_pfnRegisterClasses();
                        plat::ShowWindow(m_hWnd, m_nShowCommand);
                        m_bReady = 1;
                        return true;
                    }});
    // The packs of "Data" are mounted before anything reads a file.
    m_Services.Add({.name = "File manager",
                    .init =
                        []
                    {
                        SetFileManager(
                            CreateClassInstanceAs<IFileManager>(static_cast<int>(g_iIFileManager)));
                        if (g_pFileManager) g_pFileManager->SetDirectory("Data");
                        return true;
                    },
                    .done = [] { SetFileManager(nullptr); }});
    m_Services.Add({.name = "Resource database",
                    .init =
                        [this]
                    {
                        if (g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase)) return true;
                        // A file that was found but cannot be read is not a wrong path.
                        m_sInitErrorDetail = g_ResourceDB.GetDataBase().GetLastError();
                        m_nInitError = m_sInitErrorDetail.empty() ? kInitDatabase : kInitDatabaseDamaged;
                        return false;
                    },
                    .done = [] { g_ResourceDB.Done(); }});
    m_Services.Add({.name = "Text database",
                    .init =
                        []
                    {
                        g_pTextDB = CreateClassInstanceAs<ITextDB>(static_cast<int>(g_iITextDB));
                        return g_pTextDB && g_pTextDB->Open();
                    },
                    .done =
                        []
                    {
                        if (g_pTextDB) g_pTextDB->Close();
                        delete g_pTextDB;
                        g_pTextDB = nullptr;
                    }});
    m_Services.Add({.name = "Game script manager",
                    .init = [] { return InitScriptManager(); },
                    .done = [] { DoneScriptManager(); }});
    m_Services.Add({.name = "Settings",
                    .init = [this]
                    {
                        LogFileSource("Data\\Pack.txt");
                        SetDefaultConfig();
                        m_nGameMode = kModeMainMenu;
                        g_ErrorLog.LogDebug("Settings: %dx%d, %s", g_Settings.ScreenWidth,
                                            g_Settings.ScreenHeight,
                                            g_Settings.Windowed ? "windowed" : "full screen");
                        return true;
                    }});
    m_Services.Add({.name = "Command line",
                    .init = [this]
                    {
                        m_szStartBuilding[0] = 0;
                        ParseCommandLine(m_sCommandLine.c_str());
                        return true;
                    }});
    m_Services.Add({.name = "Window style",
                    .init = [this]
                    {
                        plat::SetWindowStyle(m_hWnd, plat::GetWindowStyle(m_hWnd) &
                                                         ~(plat::WS_CAPTION | plat::WS_SYSMENU));
                        return true;
                    }});
    m_Services.Add({.name = "Logo videos",
                    .init = [this]
                    {
                        if (g_Settings.Video) PlayLogoVideos(true);
                        return true;
                    }});
    // The shell watches this device for loss and releases it after every
    // service has stopped.
    m_Services.Add({.name = "Graphic device",
                    .init = [this]
                    {
                        SDisplayParameters params;
                        GetDisplayParams(params, false);
                        if (!InitGraphic(params))
                        {
                            g_ErrorLog.LogError("Graphic device: %dx%d failed, trying 800x600", params.width,
                                                params.height);
                            GetDisplayParams(params, true);
                            if (!InitGraphic(params))
                            {
                                m_nInitError = kInitGraphics;
                                return false;
                            }
                        }
                        g_ErrorLog.LogDebug("Graphic device: %dx%d %s, %s, depth format %u%s",
                                            graph.m_nScreenWidth, graph.m_nScreenHeight,
                                            graph.m_bWindowed ? "windowed" : "full screen",
                                            graph.m_bHAL ? "HAL" : "REF", graph.m_DepthFormat,
                                            graph.m_bDXT5 ? ", DXT5 textures" : "");
                        if (!params.windowed) plat::SetWindowStyle(m_hWnd, plat::WS_POPUP | plat::WS_VISIBLE);
                        return true;
                    }});
    // The managers the loading screen draws with, on the main thread; then
    // the resource lists and the music manager on the loader thread while
    // the loading screen is redrawn every 50 ms.
    m_Services.Add({.name = "Resource Initialization",
                    .init =
                        [this]
                    {
                        graph.Clear(plat::d3d::D3DCLEAR_TARGET, 0xFF000000u);
                        graph.Present();
                        g_ResourceEngine.PreInit();
                        m_nLoaderProgress = 1;
                        return true;
                    },
                    .done = [] { g_ResourceEngine.GlobalDone(); },
                    .invalidate = [] { g_ResourceEngine.InvalidateDeviceObjects(); },
                    .reset = [] { g_ResourceEngine.RestoreDeviceObjects(); }});
    m_Services.Add({.name = "Graphics lists",
                    .init =
                        []
                    {
                        g_ResourceEngine.GlobalInit(false);
                        return true;
                    },
                    .loader = true});
    // The music manager's done is the sound's: its streams play on the
    // sound manager's device, so it goes first (DoneSound), also when the
    // sound manager never started.
    m_Services.Add({.name = "Music",
                    .init =
                        []
                    {
                        InitMusicManager();
                        return true;
                    },
                    .done = [] { DoneSound(); },
                    .loader = true});
    // The frame clock, the gamma ramp, linear fog when asked for, and the
    // graphic interface the menus and the message panel draw with.
    m_Services.Add({.name = "Frame",
                    .init =
                        [this]
                    {
                        g_FrameTimer.Reset();
                        m_fTime = g_FrameTimer.GetFrameTime();
                        Graphic::BuildGammaRamp(graph.m_GammaRamp, g_Settings.Gamma);
                        graph.ApplyGammaRamp();
                        if (g_Settings.ForceLinearFog) graph.m_bTableFog = 0;
                        m_pGraphic =
                            CreateClassInstanceAs<IGraphicInterface>(static_cast<int>(g_iIGraphicInterface));
                        if (m_pGraphic) m_pGraphic->Init(nullptr);
                        return true;
                    },
                    .done =
                        [this]
                    {
                        if (m_pGraphic) m_pGraphic->Done();
                        delete m_pGraphic;
                        m_pGraphic = nullptr;
                    },
                    // The interface's quad lives in the default pool.
                    .invalidate =
                        [this]
                    {
                        if (m_pGraphic) m_pGraphic->Done();
                    },
                    .reset =
                        [this]
                    {
                        if (m_pGraphic) m_pGraphic->Init(nullptr);
                    }});
    m_Services.Add({.name = "Engine Initialization",
                    .init =
                        [this]
                    {
                        DrawLoadingScreen(8);
                        if (g_pMusicManager) g_pMusicManager->SetVolume(g_Settings.MusicVolume);
                        InitSoundManager(m_hWnd);
                        m_nLoaderProgress = 2;
                        return true;
                    },
                    .done = [] { DoneSound(); }});
    // The world engine's managers from the database; the world they fill
    // is released at the end.
    m_Services.Add({.name = "World engine",
                    .init =
                        []
                    {
                        RegisterUnitManagers();
                        RegisterGroupMaker();
                        g_MMEngine.MMInit();
                        return true;
                    },
                    .done = [] { g_MMEngine.Done(); },
                    .loader = true});
    m_Services.Add({.name = "Input",
                    .init =
                        [this]
                    {
                        InitInput();
                        DrawLoadingScreen(14);
                        return true;
                    },
                    .done = [this] { DoneInput(); }});
    // The key names, the force-feedback effects and the player's bindings
    // from cfg.ini [INPUT].
    m_Services.Add({.name = "Key bindings",
                    .init =
                        [this]
                    {
                        g_InputConfig.Init();
                        g_InputConfig.LoadKeyConfig("cfg.ini", g_InputConfig.m_Keys, &g_InputConfig.m_Options);
                        g_InputConfig.m_pfnTypedCode = [](int code)
                        {
                            if (auto* app = dynamic_cast<CMMApp*>(g_pApplication)) app->OnTypedCode(code);
                        };
                        DrawLoadingScreen(15);
                        return true;
                    },
                    .done =
                        []
                    {
                        g_InputConfig.m_pfnTypedCode = nullptr;
                        g_InputConfig.Done();
                        FreeDICodeTable();
                    }});
    // The application's side of the modal menus.
    m_Services.Add({.name = "Menu host",
                    .init =
                        [this]
                    {
                        g_MenuHost.m_pApp = this;
                        g_pMenuHost = &g_MenuHost;
                        g_pDialogHost = &g_MenuHost;
                        return true;
                    },
                    .done =
                        [this]
                    {
                        if (g_pMenuHost == &g_MenuHost) g_pMenuHost = nullptr;
                        if (g_pDialogHost == &g_MenuHost) g_pDialogHost = nullptr;
                        if (g_MenuHost.m_pApp == this) g_MenuHost.m_pApp = nullptr;
                    }});
    m_Services.Add({.name = "Create main classes",
                    .init =
                        [this]
                    {
                        CreateMainClasses();
                        DrawLoadingScreen(16);
                        return true;
                    },
                    .done = [this] { DoneMainClasses(); },
                    .invalidate =
                        []
                    {
                        if (g_pRadar) g_pRadar->InvalidateResources();
                    },
                    .reset =
                        []
                    {
                        if (g_pRadar) g_pRadar->ResetResources();
                    }});
    // The thumbnail picture lives in system memory and survives a reset;
    // its render target and depth surface are made again after one.
    m_Services.Add({.name = "Thumbnails",
                    .init =
                        [this]
                    {
                        CreateThumbnailSurfaces();
                        return true;
                    },
                    .done = [this] { ReleaseThumbnailSurfaces(); },
                    .invalidate = [this] { ReleaseThumbnailTargets(); },
                    .reset = [this] { CreateThumbnailTargets(); }});
    m_Services.Add({.name = "Cursors",
                    .init = [this]
                    {
                        m_nCursorTexture = m_nCursorHighlightTexture = -1;
                        if (!g_Settings.UseSystemCursor && g_pTextureManager)
                        {
                            m_nCursorTexture = g_pTextureManager->FindName("TEX_INT_CURSOR");
                            m_nCursorHighlightTexture = g_pTextureManager->FindName("TEX_INT_CURSOR_BLUE");
                        }
                        return true;
                    }});
    m_Services.Add({.name = "Game settings",
                    .init = []
                    {
                        const std::string cfg = GetEngineBaseDirectory() + "DATA\\CONFIG\\cfg.ini";
                        g_MMEngine.m_nDifficulty =
                            int(plat::GetPrivateProfileInt("CONFIG", "Difficulty", 0, cfg.c_str()));
                        // Only 1 allows saving outside buildings.
                        g_MMEngine.m_bOutsideSave =
                            plat::GetPrivateProfileInt("CONFIG", "OutsideSave", 0, cfg.c_str()) == 1 ? 1 : 0;
                        return true;
                    }});
    // The game's location and the running menus: nothing to start, but
    // the location goes with the program and both lose their device
    // objects with the device. The music stops at once on a loss.
    m_Services.Add({.name = "Game location",
                    .done = [] { LeaveGameLocation(); },
                    .invalidate =
                        []
                    {
                        InvalidateGameLocation();
                        g_ObjectList.InvalidateResources();
                    },
                    .reset =
                        []
                    {
                        ResetGameLocation();
                        g_Environment.SetFog(true, 1.0f, 0.0f);
                    }});
    m_Services.Add({.name = "Dialogs",
                    .invalidate =
                        [this]
                    {
                        if (m_pDialog) m_pDialog->PostProcess(1);
                        if (m_pPrevDialog) m_pPrevDialog->PostProcess(1);
                        if (g_pMusicManager) g_pMusicManager->StopMusic(0.0f);
                    },
                    .reset =
                        [this]
                    {
                        if (m_pPrevDialog) m_pPrevDialog->PreProcess();
                        if (m_pDialog) m_pDialog->PreProcess();
                    }});
}

bool CMMApp::InitScriptManager()
{
    g_pScriptManager = CreateClassInstanceAs<IScriptManager>(static_cast<int>(g_iIScriptManager));
    if (!g_pScriptManager) return false;
    // The scripts' timers run on the environment's day count; each run
    // checks the sensors and shows what the scripts said.
    if (auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager))
        scripts->SetHost({[] { return g_Environment.m_fDays; }, [] { g_ObjectList.CheckObjectSensor(); },
                          [] {
                              if (g_pAppEvent) g_pAppEvent->UpdateRuntimeScriptMessages(1);
                          }});
    // Without the compiled scripts the game runs, but no script: one line
    // says why (the script manager says so for a missing binding table).
    const std::string base = GetEngineBaseDirectory();
    if (!plat::DirectoryExists((base + "Data\\Bin").c_str()))
        g_ErrorLog.LogError("%sData\\Bin not found: the game runs without scripts", base.c_str());
    // A script moves the player to another location (its map and the start
    // point there), ends the game, or queues an end video.
    g_ScriptGameCalls.travel = [](const char* map, const char* point)
    {
        if (CMMApp* app = RunningApp()) app->Travel(map, point);
    };
    g_ScriptGameCalls.endGame = [](int reason) { EndCycle(reason); };
    g_ScriptGameCalls.queueVideo = [](const char* name, bool)
    {
        // The queued videos play when the cycle ends for them (the end
        // sequences play them once they exist).
        if (CMMApp* app = RunningApp()) app->QueueEndVideo(name);
    };
    return g_pScriptManager->Init();
}

void CMMApp::DoneScriptManager()
{
    g_ScriptGameCalls.travel = nullptr;
    g_ScriptGameCalls.endGame = nullptr;
    g_ScriptGameCalls.queueVideo = nullptr;
    if (g_pScriptManager) g_pScriptManager->Done();
    delete g_pScriptManager;
    g_pScriptManager = nullptr;
}

void CMMApp::ParseCommandLine(const char* commandLine)
{
    XTRACE("CMMApp::ParseCommandLine");
    char names[3][256] = {}, values[3][256] = {};
    const int read = std::sscanf(commandLine ? commandLine : "", "-%255s %255s -%255s %255s -%255s %255s",
                                 names[0], values[0], names[1], values[1], names[2], values[2]);
    for (int i = 0; i < read / 2; ++i)
    {
        if (plat::CompareNoCase1251(names[i], "g") == 0)
        {
            CopyIfFits(m_szScriptFile, values[i]);
            m_nGameMode = kModeNewGame;
        }
        else if (plat::CompareNoCase1251(names[i], "m") == 0)
        {
            m_bMod = 1;
            CopyIfFits(m_szModName, values[i]);
            m_nGameMode = kModeNewGame;
        }
        else if (plat::CompareNoCase1251(names[i], "freecamera") == 0)
        {
            m_bFreeCamera = 1;
        }
        else if (plat::CompareNoCase1251(names[i], "netdialog") == 0)
        {
            m_bNetDialog = 1;
        }
        else if (plat::CompareNoCase1251(names[i], "replay") == 0)
        {
            // A new game that replays the recording.
            g_VideoStudio.m_bReplayMode = 1;
            CopyIfFits(g_VideoStudio.m_szFileName, values[i]);
            m_nGameMode = kModeNewGame;
        }
    }
}

void CMMApp::PlayLogoVideos(bool skippable)
{
    XTRACE("CMMApp::PlayLogoVideos");
    plat::SetCapture(m_hWnd);
    std::unique_ptr<IBinkPlayer> player(CreateClassInstanceAs<IBinkPlayer>(static_cast<int>(g_iIBinkPlayer)));
    // A video that cannot be opened or decoded is skipped inside, logged.
    if (player && plat::Succeeded(player->InitFullscreen(m_hWnd, kLogoWidth, kLogoHeight, 32)))
    {
        for (int i = 0; i < kLogoVideos; ++i)
        {
            char name[32];
            std::snprintf(name, sizeof name, "Data\\Video\\logo%d.bik", i);
            player->PlayBink(name, skippable);
        }
    }
    if (player) player->Done();
    player.reset();
    // The video's own sound device is not kept for the rest of the run: the
    // sound manager opens the game's.
    plat::video::StopDirectSound();
    plat::ReleaseCapture();
}

void CMMApp::GetDisplayParams(SDisplayParameters& params, bool fallback)
{
    params = fallback ? MakeFallbackDisplayParameters(params, g_Settings) : MakeDisplayParameters(g_Settings);
    // A windowed game's window is the size the settings ask for (the options
    // dialog may have chosen another), the usual one when they name none.
    const bool sized = params.width > 0 && params.height > 0;
    if (params.windowed)
        plat::SetWindowPos(m_hWnd, 0, 0, sized ? params.width : kWindowedWidth,
                           sized ? params.height : kWindowedHeight);
}

bool CMMApp::InitGraphic(SDisplayParameters params)
{
    XTRACE("CMMApp::InitGraphic");
    if (!graph.CreateDirect3D())
    {
        g_ErrorLog.LogError("Direct3DCreate8 failed");
        return false;
    }
    if (!graph.CheckMultiSampleType(params)) params.multiSampleType = 0;
    return graph.CreateDevice(params, m_hWnd);
}

void CMMApp::InitInput()
{
    g_pInput = CreateClassInstanceAs<IInput>(static_cast<int>(g_iIInput));
    if (!g_pInput)
    {
        g_ErrorLog.LogError("CMMApp::Init: no input device");
        return;
    }
    SInputInit init{m_hWnd, m_hInstance, 0};
    if (!g_pInput->Init(&init))
    {
        // The game runs on without keys rather than not at all.
        delete g_pInput;
        g_pInput = nullptr;
    }
}

void CMMApp::DoneInput()
{
    if (!g_pInput) return;
    g_pInput->Done();
    delete g_pInput;
    g_pInput = nullptr;
}

void CMMApp::CreateMainClasses()
{
    XTRACE("CMMApp::CreateMainClasses");
    g_pMMScriptManager = new CMMScriptManager;
    g_pMessager = new CMessager;
    g_pMessager->m_pGraphic = m_pGraphic;
    g_pMessager->m_pInput = g_pInput;
    g_pMessager->SetTextDB(g_pTextDB);
    // The one sink of the game's events, with the AIs' and the groups'. A
    // running menu with consoles shows the vital script results in a box.
    auto* sink = new CMMAppEvent(&m_Music);
    sink->ShowVitalResults = [this](const char* key)
    {
        // In flight (no dialog runs) the message-box screen shows the key
        // once the frame is drawn (ShowVitalBox).
        if (!m_pDialog) return QueueVitalBox(key);
        auto* dialog = dynamic_cast<CUIDialog*>(m_pDialog);
        auto* view = dialog ? dynamic_cast<IVitalResultsView*>(dialog->m_pScreen) : nullptr;
        return view && view->ShowVitalResults();
    };
    sink->Install();
    g_pRenderer = new CRenderer;
    g_pRadar = new CRadar;
    g_pRadarMapFile = new CRadarMapFile;
    // The network client reads [NET] from "cfg.ini"; it connects only when
    // the network dialog asks it to.
    CreateNetClient();
    g_pMMScriptManager->Init();
    m_pMissionWorld = new CGameMissionWorld(this);
    g_pMMScriptManager->SetWorld(m_pMissionWorld);
    // Both kinds of script act on the mechanoid of the player's glider.
    g_ScriptGameCalls.playerMechanoid = []() -> CMechanoid*
    {
        CGliderObject* glider = g_pPlayerGlider;
        return glider ? glider->m_pMechanoid : nullptr;
    };
    g_pRenderer->Init();
    LoadCockpitTextures();
    g_pRadar->Init();
    g_pMessager->OnInit();
    g_pQuestLog = CreateClassInstanceAs<IQuestLog>(static_cast<int>(g_iIQuestLog));
    if (g_pQuestLog) g_pQuestLog->Init();
    m_pWorldRecords = new CWorldRecords;
    m_pWorldRecords->Install();    // The scripts' rating, name and location-key calls read the player's
    // progress.
    InstallGameDataCalls();
}

void CMMApp::DoneMainClasses()
{
    XTRACE("CMMApp::DoneMainClasses");
    if (g_pRadar)
    {
        g_pRadar->Done();
        g_pRadar->DoneBigMap();
    }
    if (g_pMessager) g_pMessager->Done();
    if (g_pRenderer) g_pRenderer->Done();
    DestroyNetClient();
    RemoveGameDataCalls();
    delete m_pWorldRecords;
    m_pWorldRecords = nullptr;
    delete g_pQuestLog;
    g_pQuestLog = nullptr;
    delete g_pAppEvent;
    g_pAppEvent = nullptr;
    delete g_pRadar;
    g_pRadar = nullptr;
    if (g_pRadarMapFile) g_pRadarMapFile->Close();
    delete g_pRadarMapFile;
    g_pRadarMapFile = nullptr;
    delete g_pMessager;
    g_pMessager = nullptr;
    delete g_pMMScriptManager;
    g_pMMScriptManager = nullptr;
    delete m_pMissionWorld;
    m_pMissionWorld = nullptr;
    g_ScriptGameCalls.playerMechanoid = nullptr;
    delete g_pRenderer;
    g_pRenderer = nullptr;
}

void CMMApp::CreateThumbnailSurfaces()
{
    if (plat::d3d::Device* device = graph.m_lpDevice)
        if (!m_pThumbnail && plat::Failed(device->CreateImageSurface(
                                 kThumbnailSize, kThumbnailSize, plat::d3d::D3DFMT_X8R8G8B8, &m_pThumbnail)))
            g_ErrorLog.LogError("CMMApp: no thumbnail surface");
    CreateThumbnailTargets();
}

void CMMApp::ReleaseThumbnailSurfaces()
{
    ReleaseThumbnailTargets();
    if (m_pThumbnail) m_pThumbnail->Release();
    m_pThumbnail = nullptr;
}

void CMMApp::CreateThumbnailTargets()
{
    plat::d3d::Device* device = graph.m_lpDevice;
    if (!device) return;
    if (!m_pThumbnailTarget)
        device->CreateRenderTarget(kThumbnailSize, kThumbnailSize, plat::d3d::D3DFMT_X8R8G8B8,
                                   plat::d3d::D3DMULTISAMPLE_NONE, true, &m_pThumbnailTarget);
    if (!m_pThumbnailDepth)
        device->CreateDepthStencilSurface(kThumbnailSize, kThumbnailSize, graph.m_DepthFormat,
                                          plat::d3d::D3DMULTISAMPLE_NONE, &m_pThumbnailDepth);
}

void CMMApp::ReleaseThumbnailTargets()
{
    if (m_pThumbnailTarget) m_pThumbnailTarget->Release();
    m_pThumbnailTarget = nullptr;
    if (m_pThumbnailDepth) m_pThumbnailDepth->Release();
    m_pThumbnailDepth = nullptr;
}

void CMMApp::ReloadSettings()
{
    XTRACE("CMMApp::ReloadSettings");
    // The texture manager takes its quality from the settings at each load.
    SetDefaultConfig();
    g_InputConfig.LoadKeyConfig("cfg.ini", g_InputConfig.m_Keys, &g_InputConfig.m_Options);
    g_MMEngine.ReadConfig();
    graph.m_nScreenWidth = g_Settings.ScreenWidth;
    graph.m_nScreenHeight = g_Settings.ScreenHeight;
    ApplySoundSettings();
    if (g_Settings.ForceLinearFog) graph.m_bTableFog = 0;
    if (g_pNetClient) g_pNetClient->LoadSettings("cfg.ini");
}

// ---- shutdown ---------------------------------------------------------------------

void CMMApp::Done()
{
    XTRACE("CMMApp::Done");
    // An application that never started has nothing to give back (and the
    // device, if there is one, is someone else's).
    if (!m_hWnd && m_Services.GetEntered() == 0) return;
    if (m_Services.GetEntered() > 0 && graph.m_lpDevice && g_pSurfaceManager) DrawWaitScreen(-1, "", true);
    // The rows' dones close the location and the world, the main classes,
    // the sound and the engines, last first; the player's main mechanoid
    // object goes after the world that holds its group.
    CApplication::Done();
    ReleaseMainMech();
    DoneBaseClasses();
}

// ---- the entry --------------------------------------------------------------------

int RunApplication(CMMApp::FRegisterClasses registerClasses, char* commandLine, const char* title)
{
    auto application = std::make_unique<CMMApp>(registerClasses);
    int exitCode = 0;
    try
    {
        if (application->Init(nullptr, nullptr, commandLine, plat::SW_SHOW, 0, title))
        {
            application->Run();
        }
        else
        {
            if (application->m_hWnd) plat::ShowWindow(application->m_hWnd, plat::SW_HIDE);
            plat::ShowCursor(true);
            if (const char* text = GetInitErrorText(application->m_nInitError))
            {
                std::string message = text;
                if (!application->m_sInitErrorDetail.empty())
                    message += "\n" + application->m_sInitErrorDetail;
                plat::MessageBox(nullptr, message.c_str(), "Initialization error",
                                 plat::MB_OK | plat::MB_ICONERROR);
            }
            // A start that failed does not end as a success.
            exitCode = application->m_nInitError ? static_cast<int>(application->m_nInitError) : 3;
        }
        application->Done();
        if (application->m_hWnd) plat::ShowWindow(application->m_hWnd, plat::SW_SHOW);
    }
    catch (...)
    {
        g_ErrorLog.FlushTrace();
        try
        {
            application->Done();
        }
        catch (...)
        {
        }
        exitCode = 3;
    }
    application.reset();
    plat::ShowCursor(true);
    g_ErrorLog.LogDebug("%s ended with code %d", title, exitCode);
    return exitCode;
}
