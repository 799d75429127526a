#include "app/MinimalApplication.h"

#include "app/EngineFrame.h"
#include "app/MenuHost.h"
#include "app/WorldViewer.h"

#include "foundation/ClassFactory.h"
#include "foundation/DICodeTable.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileManager.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/InputDevice.h"
#include "foundation/LoaderThread.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/GraphicInterface.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TextureManager.h"
#include "graphics/VideoPlayer.h"
#include "script/Script.h"
#include "script/game/ScriptManager.h"
#include "society/EqpTrade.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "sound/SoundModule.h"
#include "sound/SoundStartup.h"
#include "world/MMEngine.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "platform/video/Video.h"

#include <functional>
#include <memory>
#include <string>

const char* const kGameTitle = "Tarvox II v.1.3.25";

namespace
{
// The colour of the empty frame.
constexpr std::uint32_t kClearColour = 0xFF182838;
constexpr std::uint32_t kTextColour = 0xFFE0E0C0;
constexpr std::uint32_t kPanelColour = 0xA0000000;
} // namespace

const char* GetInitErrorText(std::uint32_t error)
{
    switch (error)
    {
    case CMinimalApplication::kInitDatabase:
        return "Database not found. Check program path.";
    case CMinimalApplication::kInitGraphics:
        return "Graphic initialization fail.";
    case CMinimalApplication::kInitDatabaseDamaged:
        return "Database damaged. Reinstall the game data.";
    default:
        return "Unknown Error.";
    }
}

bool CMinimalApplication::Init(void* hInstance, void* hPrevInstance, char* commandLine, int showCommand,
                               std::uint32_t flags, const char* title)
{
    XTRACE("CMinimalApplication::Init");
    m_nInitError = kInitUnknown;
    if (!CApplication::Init(hInstance, hPrevInstance, commandLine, showCommand, flags, title)) return false;
    AddServices();
    const bool started = m_Services.Start(
        [this](const std::function<bool()>& work)
        { return RunBehindLoadingScreen(work, [this] { DrawLoadingScreen(); }); });
    if (!started)
    {
        g_ErrorLog.LogError("CMinimalApplication::Init: %s did not start", m_Services.GetFailed());
        g_ErrorLog.FlushTrace();
        return false;
    }
    g_ErrorLog.LogDebug("%s started", title);
    m_bReady = 1;
    return true;
}

void CMinimalApplication::AddServices()
{
    m_Services.Add({.name = "Classes",
                    .init = []
                    {
                        RegisterBaseClasses();
                        RegisterInputClasses();
                        RegisterFileClasses();
                        RegisterEngineClasses();
                        // The script interpreter, its scripts the game's.
                        RegisterScriptClasses();
                        RegisterGameScriptClasses();
                        RegisterTradeClasses();
                        // The sound module registers last.
                        RegisterSoundClasses();
                        return true;
                    }});
    // The packs of "Data" are mounted before anything reads a file.
    m_Services.Add({.name = "File manager",
                    .init = []
                    {
                        SetFileManager(CreateClassInstanceAs<IFileManager>(static_cast<int>(g_iIFileManager)));
                        if (g_pFileManager) g_pFileManager->SetDirectory("Data");
                        return true;
                    },
                    .done = [] { SetFileManager(nullptr); }});
    m_Services.Add({.name = "Resource database",
                    .init = [this]
                    {
                        if (g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase)) return true;
                        // A file that was found but cannot be read is not a wrong path.
                        m_sInitErrorDetail = g_ResourceDB.GetDataBase().GetLastError();
                        m_nInitError = m_sInitErrorDetail.empty() ? kInitDatabase : kInitDatabaseDamaged;
                        return false;
                    },
                    .done = [] { g_ResourceDB.Done(); }});
    m_Services.Add({.name = "Settings",
                    .init = []
                    {
                        LogFileSource("Data\\Pack.txt");
                        SetDefaultConfig();
                        g_ErrorLog.LogDebug("Settings: %dx%d, %s", g_Settings.ScreenWidth, g_Settings.ScreenHeight,
                                            g_Settings.Windowed ? "windowed" : "full screen");
                        return true;
                    }});
    m_Services.Add({.name = "Logo video",
                    .init = [this]
                    {
                        if (g_Settings.Video) PlayLogoVideo();
                        return true;
                    }});
    // The shell watches this device for loss and releases it after every
    // service has stopped.
    m_Services.Add({.name = "Graphic device",
                    .init = [this]
                    {
                        // One retry with the fallback display parameters is inside.
                        if (!InitGraphicDevice(m_hWnd, g_Settings))
                        {
                            m_nInitError = kInitGraphics;
                            return false;
                        }
                        return true;
                    }});
    m_Services.Add({.name = "Input",
                    .init = [this]
                    {
                        InitInput();
                        return true;
                    },
                    .done = [this] { DoneInput(); }});
    // The managers the loading screen draws with, on the main thread; then
    // the resource lists and the music manager on the loader thread while
    // the loading screen is redrawn every 50 ms.
    m_Services.Add({.name = "Graphics resources",
                    .init = []
                    {
                        g_ResourceEngine.PreInit();
                        return true;
                    },
                    .done = [] { g_ResourceEngine.GlobalDone(); },
                    .invalidate = [] { g_ResourceEngine.InvalidateDeviceObjects(); },
                    .reset = [] { g_ResourceEngine.RestoreDeviceObjects(); }});
    m_Services.Add({.name = "Graphics lists",
                    .init = []
                    {
                        g_ResourceEngine.GlobalInit(false);
                        return true;
                    },
                    .loader = true});
    // The world engine's managers from the database, beside the resource
    // lists; the world they fill is released at the end.
    m_Services.Add({.name = "World engine",
                    .init = []
                    {
                        g_WorldViewer.StartUp();
                        return true;
                    },
                    .done = [] { g_MMEngine.Done(); },
                    .loader = true});
    // The music manager's done is the sound's: its streams play on the
    // sound manager's device, so it goes first (DoneSound), also when the
    // sound manager never started.
    m_Services.Add({.name = "Music",
                    .init = []
                    {
                        InitMusicManager();
                        return true;
                    },
                    .done = [] { DoneSound(); },
                    .loader = true});
    m_Services.Add({.name = "Frame",
                    .init = [this]
                    {
                        InitFrame();
                        return true;
                    },
                    .done = [this] { DoneFrame(); },
                    // The interface's quad lives in the default pool.
                    .invalidate = [this] { if (m_pGraphic) m_pGraphic->Done(); },
                    .reset = [this] { if (m_pGraphic) m_pGraphic->Init(nullptr); }});
    // The application's side of the modal menus and its waiting screen.
    m_Services.Add({.name = "Menu host",
                    .init = []
                    {
                        g_pMenuHost = &g_MenuHost;
                        g_pDialogHost = &g_MenuHost;
                        return true;
                    },
                    .done = []
                    {
                        g_pMenuHost = nullptr;
                        g_pDialogHost = nullptr;
                    }});
    // The sample location entered through the world engine, drawn each
    // frame under a free camera; a location that cannot be entered is
    // logged and the frame stays empty.
    m_Services.Add({.name = "World viewer",
                    .init = []
                    {
                        g_WorldViewer.Enter();
                        return true;
                    },
                    .done = [] { g_WorldViewer.Done(); },
                    .invalidate = [] { g_WorldViewer.InvalidateResources(); },
                    .reset = [] { g_WorldViewer.ResetResources(); }});
    // Then the sound manager, and the first piece of the music list plays.
    m_Services.Add({.name = "Sound",
                    .init = [this]
                    {
                        InitSoundManager(m_hWnd);
                        if (g_pMusicManager) g_pMusicManager->PlayMusic(0, 0.0f, true, 0.0f);
                        return true;
                    },
                    .done = [] { DoneSound(); }});
}

void CMinimalApplication::InitInput()
{
    g_pInput = CreateClassInstanceAs<IInput>(static_cast<int>(g_iIInput));
    if (!g_pInput)
    {
        g_ErrorLog.LogError("CMinimalApplication::Init: no input device");
        return;
    }
    SInputInit init{m_hWnd, m_hInstance, 0};
    if (!g_pInput->Init(&init))
    {
        // The game runs on without keys rather than not at all.
        delete g_pInput;
        g_pInput = nullptr;
        return;
    }
    LoadDICodeTable();
}

void CMinimalApplication::DoneInput()
{
    if (g_pInput)
    {
        g_pInput->Done();
        delete g_pInput;
        g_pInput = nullptr;
    }
    FreeDICodeTable();
}

void CMinimalApplication::PlayLogoVideo()
{
    std::unique_ptr<IBinkPlayer> player(CreateClassInstanceAs<IBinkPlayer>(static_cast<int>(g_iIBinkPlayer)));
    if (!player) return;
    plat::SetCapture(m_hWnd);
    // A video that cannot be opened or decoded is skipped inside, logged.
    if (plat::Succeeded(player->InitFullscreen(m_hWnd, 800, 600, 32)))
        player->PlayBink("Data\\Video\\logo0.bik", true);
    player->Done();
    player.reset();
    // The video's own sound device is not kept for the rest of the run: the
    // sound manager opens the game's.
    plat::video::StopDirectSound();
    plat::ReleaseCapture();
}

void CMinimalApplication::DrawLoadingScreen()
{
    // Drawn while the loader thread fills the managers: only the surface
    // manager's own image is touched here (the host has no interface for
    // its bar and caption yet), and the resource engine's frame (which runs
    // the models) waits for the loader to end.
    g_MenuHost.DrawWaitScreen(-1, "", false);
    if (g_pSoundManager) g_pSoundManager->ApplySettings();
}

void CMinimalApplication::InitFrame()
{
    m_pGraphic = CreateClassInstanceAs<IGraphicInterface>(static_cast<int>(g_iIGraphicInterface));
    if (m_pGraphic) m_pGraphic->Init(nullptr);
    g_MenuHost.m_pGraphic = m_pGraphic;
    if (!g_Settings.UseSystemCursor && g_pTextureManager)
        m_nCursorTexture = g_pTextureManager->FindName("TEX_INT_CURSOR");
    // The load is not a frame.
    g_FrameTimer.Reset();
}

void CMinimalApplication::DoneFrame()
{
    g_MenuHost.m_pGraphic = nullptr;
    if (m_pGraphic)
    {
        m_pGraphic->Done();
        delete m_pGraphic;
        m_pGraphic = nullptr;
    }
}

void CMinimalApplication::Main()
{
    const float frameTime = BeginEngineFrame();
    // The world clears the frame with its sky.
    if (!g_WorldViewer.Frame(frameTime, g_pInput))
        graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, kClearColour);
    if (m_pGraphic)
    {
        // A line of text on a dark panel: the fonts, the screen buffer and
        // the techniques at work.
        const int panel[4] = {16, 16, 400, 48};
        m_pGraphic->FillRect(panel, kPanelColour);
        m_pGraphic->SelectFont(0);
        m_pGraphic->RenderText(kGameTitle, 24, 24, kTextColour);
    }
    RenderCursor();
    EndEngineFrame();
    // Do not spin the processor.
    plat::Sleep(10);
}

int RunApplication(char* commandLine, const char* title)
{
    CMinimalApplication application;
    int exitCode = 0;
    try
    {
        if (application.Init(nullptr, nullptr, commandLine, plat::SW_SHOW, 0, title))
        {
            application.Run();
        }
        else
        {
            std::string text = GetInitErrorText(application.m_nInitError);
            if (!application.m_sInitErrorDetail.empty()) text += "\n" + application.m_sInitErrorDetail;
            plat::MessageBox(nullptr, text.c_str(), "Initialization error", plat::MB_OK | plat::MB_ICONERROR);
            exitCode = application.m_nInitError ? static_cast<int>(application.m_nInitError) : 3;
        }
        application.Done();
    }
    catch (...)
    {
        g_ErrorLog.FlushTrace();
        application.Done();
        exitCode = 3;
    }
    g_ErrorLog.LogDebug("%s ended with code %d", title, exitCode);
    return exitCode;
}
