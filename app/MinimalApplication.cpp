#include "app/MinimalApplication.h"

#include "app/TerrainViewer.h"

#include "foundation/ClassFactory.h"
#include "foundation/DICodeTable.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileManager.h"
#include "foundation/Graphic.h"
#include "foundation/InputDevice.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/GraphicInterface.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "graphics/VideoPlayer.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "sound/SoundModule.h"
#include "sound/SoundStartup.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "platform/video/Video.h"

#include <atomic>
#include <exception>

const char* const kGameTitle = "Tarvox II v.1.3.25";

namespace
{
// The colour of the empty frame.
constexpr std::uint32_t kClearColour = 0xFF182838;
// The 2-D images' technique: texture times the blend factor.
constexpr int kImageTechnique = 19;
constexpr std::uint32_t kTextColour = 0xFFE0E0C0;
constexpr std::uint32_t kPanelColour = 0xA0000000;

// The start-up loader thread's work: the graphics resources, then the music.
std::uint32_t LoadResources(void* failed)
{
    try
    {
        g_ResourceEngine.GlobalInit(false);
    }
    catch (const std::exception& e)
    {
        // The trace holds the step that failed; the main thread ends start-up.
        g_ErrorLog.LogError("%s", e.what());
        static_cast<std::atomic<bool>*>(failed)->store(true);
        return 1;
    }
    catch (...)
    {
        static_cast<std::atomic<bool>*>(failed)->store(true);
        return 1;
    }
    InitMusicManager();
    return 0;
}
} // namespace

const char* GetInitErrorText(std::uint32_t error)
{
    switch (error)
    {
    case CMinimalApplication::kInitDatabase:
        return "Database not found. Check program path.";
    case CMinimalApplication::kInitGraphics:
        return "Graphic initialization fail.";
    default:
        return "Unknown Error.";
    }
}

bool CMinimalApplication::Init(void* hInstance, void* hPrevInstance, char* commandLine, int showCommand,
                               std::uint32_t flags, const char* title)
{
    XTRACE("CMinimalApplication::Init");
    if (!CApplication::Init(hInstance, hPrevInstance, commandLine, showCommand, flags, title))
    {
        m_nInitError = kInitUnknown;
        return false;
    }
    RegisterBaseClasses();
    RegisterInputClasses();
    RegisterFileClasses();
    RegisterEngineClasses();
    RegisterTextureFileReader();
    // The sound module registers last.
    RegisterSoundClasses();
    // The packs of "Data" are mounted before anything reads a file.
    SetFileManager(dynamic_cast<IFileManager*>(CreateClassInstance(static_cast<int>(g_iIFileManager))));
    if (g_pFileManager) g_pFileManager->SetDirectory("Data");
    if (!g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase))
    {
        m_nInitError = kInitDatabase;
        return false;
    }
    LogFileSource("Data\\Pack.txt");
    SetDefaultConfig();
    g_ErrorLog.LogDebug("Settings: %dx%d, %s", g_Settings.ScreenWidth, g_Settings.ScreenHeight,
                        g_Settings.Windowed ? "windowed" : "full screen");
    if (g_Settings.Video) PlayLogoVideo();
    // One retry with the fallback display parameters is inside.
    if (!InitGraphicDevice(m_hWnd, g_Settings))
    {
        m_nInitError = kInitGraphics;
        return false;
    }
    m_pDevice = &graph;
    InitInput();
    // The managers the loading screen draws with, then the resource lists
    // and the music manager on a loader thread while the loading screen is
    // redrawn every 50 ms; then the sound manager, and the first piece of
    // the music list plays.
    g_ResourceEngine.PreInit();
    // Shown at once, as the game's start-up does before each step: a short
    // load would otherwise end before the first 50 ms redraw.
    DrawLoadingScreen();
    std::atomic<bool> loadFailed{false};
    plat::Handle loader = plat::CreateThread(LoadResources, &loadFailed, nullptr);
    if (!loader) LoadResources(&loadFailed);
    while (loader && plat::WaitForSingleObject(loader, 50) == plat::WAIT_TIMEOUT)
        DrawLoadingScreen();
    if (loader) plat::CloseHandle(loader);
    if (loadFailed.load())
    {
        g_ErrorLog.LogError("CMinimalApplication::Init: the graphics resources did not load");
        g_ErrorLog.FlushTrace();
        m_nInitError = kInitUnknown;
        return false;
    }
    InitFrame();
    g_TerrainViewer.Init();
    InitSoundManager(m_hWnd);
    if (g_pMusicManager) g_pMusicManager->PlayMusic(0, 0.0f, true, 0.0f);
    g_ErrorLog.LogDebug("%s started", title);
    m_bReady = 1;
    return true;
}

void CMinimalApplication::InitInput()
{
    IBaseInterface* object = CreateClassInstance(static_cast<int>(g_iIInput));
    g_pInput = dynamic_cast<IInput*>(object);
    if (!g_pInput)
    {
        delete object;
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

void CMinimalApplication::PlayLogoVideo()
{
    IBaseInterface* object = CreateClassInstance(static_cast<int>(g_iIBinkPlayer));
    auto* player = dynamic_cast<IBinkPlayer*>(object);
    if (!player)
    {
        delete object;
        return;
    }
    plat::SetCapture(m_hWnd);
    // A video that cannot be opened or decoded is skipped inside, logged.
    if (plat::Succeeded(player->InitFullscreen(m_hWnd, 800, 600, 32)))
        player->PlayBink("Data\\Video\\logo0.bik", true);
    player->Done();
    delete player;
    // The video's own sound device is not kept for the rest of the run: the
    // sound manager opens the game's.
    plat::video::StopDirectSound();
    plat::ReleaseCapture();
}

void CMinimalApplication::DrawLoadingScreen()
{
    // Drawn while the loader thread fills the managers: only the surface
    // manager's own image is touched here.
    CMesh::ResetCurrent();
    graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, kClearColour);
    SetTextureFactorAlpha(1.0f, kFactorRenderState | kFactorPixelShader);
    SetTextureFactor(0xFFFFFFFF, kFactorRenderState | kFactorPixelShader);
    if (g_pSurfaceManager)
    {
        const int id = g_pSurfaceManager->FindName("SUF_LOADING");
        if (id >= 0)
            g_pSurfaceManager->DrawSurface(id, kImageTechnique, 0, 0, graph.m_nScreenWidth,
                                           graph.m_nScreenHeight, nullptr);
    }
    graph.Present();
}

void CMinimalApplication::InitFrame()
{
    IBaseInterface* object = CreateClassInstance(static_cast<int>(g_iIGraphicInterface));
    m_pGraphic = dynamic_cast<IGraphicInterface*>(object);
    if (!m_pGraphic)
        delete object;
    else
        m_pGraphic->Init(nullptr);
    if (!g_Settings.UseSystemCursor && g_pTextureManager)
        m_nCursorTexture = g_pTextureManager->FindName("TEX_INT_CURSOR");
    SetCursorPainter(GetEngineCursorPainter());
    plat::QueryPerformanceFrequency(&m_nCounterFrequency);
    plat::QueryPerformanceCounter(&m_nLastCounter);
}

void CMinimalApplication::Main()
{
    if (g_pInput) g_pInput->Update();
    std::int64_t now = 0;
    plat::QueryPerformanceCounter(&now);
    const float frameTime =
        m_nCounterFrequency > 0
            ? static_cast<float>(double(now - m_nLastCounter) / double(m_nCounterFrequency))
            : 0.0f;
    m_nLastCounter = now;

    g_ResourceEngine.NewFrame();
    g_ResourceEngine.GlobalRun(frameTime);
    CMesh::ResetCurrent();
    graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, kClearColour);
    g_TerrainViewer.Frame(frameTime, g_pInput);
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
    graph.Present();
    if (g_pSoundManager) g_pSoundManager->ApplySettings();
    // Do not spin the processor.
    plat::Sleep(10);
}

void CMinimalApplication::InvalidateResources()
{
    XTRACE("CMinimalApplication::InvalidateResources");
    // The interface's quad lives in the default pool.
    if (m_pGraphic) m_pGraphic->Done();
    if (g_pTextureManager) g_pTextureManager->InvalidateDeviceObjects();
    if (g_pSurfaceManager)
    {
        // The tile cache names work textures that are about to go.
        g_pSurfaceManager->m_pLastSurface = nullptr;
        g_pSurfaceManager->m_LastTile = plat::Rect{-1, -1, -1, -1};
    }
    if (g_pModelManager) g_pModelManager->InvalidateDeviceObjects();
    g_TerrainViewer.InvalidateResources();
    CApplication::InvalidateResources();
    if (g_pTexShaderManager) g_pTexShaderManager->Purge();
}

void CMinimalApplication::ResetResources()
{
    XTRACE("CMinimalApplication::ResetResources");
    if (g_pTexShaderManager) g_pTexShaderManager->Init(false);
    if (g_pTextureManager) g_pTextureManager->RestoreDeviceObjects();
    if (g_pSurfaceManager && g_pTextureManager)
        g_pSurfaceManager->SetWorkTextures(g_pTextureManager->GetWorkTexture(0),
                                           g_pTextureManager->GetWorkTexture(1));
    if (g_pModelManager) g_pModelManager->RestoreDeviceObjects();
    g_TerrainViewer.ResetResources();
    CApplication::ResetResources();
    if (m_pGraphic) m_pGraphic->Init(nullptr);
}

void CMinimalApplication::Done()
{
    SetCursorPainter(nullptr);
    if (m_pGraphic)
    {
        m_pGraphic->Done();
        delete m_pGraphic;
        m_pGraphic = nullptr;
    }
    if (g_pInput)
    {
        g_pInput->Done();
        delete g_pInput;
        g_pInput = nullptr;
    }
    FreeDICodeTable();
    g_TerrainViewer.Done();
    DoneSound();
    g_ResourceEngine.GlobalDone();
    CApplication::Done();
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
            plat::MessageBox(nullptr, GetInitErrorText(application.m_nInitError), "Initialization error",
                             plat::MB_OK | plat::MB_ICONERROR);
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
