#include "app/MinimalApplication.h"

#include "foundation/ClassFactory.h"
#include "foundation/DICodeTable.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileManager.h"
#include "foundation/Graphic.h"
#include "foundation/InputDevice.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/TextureFile.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "sound/SoundModule.h"
#include "sound/SoundStartup.h"
#include "platform/Thread.h"
#include "platform/Window.h"

const char* const kGameTitle = "Tarvox II v.1.3.25";

namespace
{
// The colour of the empty frame.
constexpr std::uint32_t kClearColour = 0xFF182838;
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
    RegisterTextureFileReader();
    // The sound module registers last.
    RegisterSoundClasses();
    // The packs of "Data" are mounted before anything reads a file.
    SetFileManager(dynamic_cast<IFileManager*>(CreateClassInstance(static_cast<int>(g_iIFileManager))));
    if (g_pFileManager)
        g_pFileManager->SetDirectory("Data");
    if (!g_ResourceDB.Init("Data\\DB.dat", ResourceDBManager::kModeDataBase))
    {
        m_nInitError = kInitDatabase;
        return false;
    }
    LogFileSource("Data\\Pack.txt");
    SetDefaultConfig();
    g_ErrorLog.LogDebug("Settings: %dx%d, %s", g_Settings.ScreenWidth, g_Settings.ScreenHeight,
                        g_Settings.Windowed ? "windowed" : "full screen");
    // One retry with the fallback display parameters is inside.
    if (!InitGraphicDevice(m_hWnd, g_Settings))
    {
        m_nInitError = kInitGraphics;
        return false;
    }
    m_pDevice = &graph;
    InitInput();
    // The music manager on a loader thread while the frame is redrawn every
    // 50 ms, then the sound manager; the first piece of the list plays.
    plat::Handle loader = plat::CreateThread(
        [](void*) -> std::uint32_t {
            InitMusicManager();
            return 0;
        },
        nullptr, nullptr);
    while (loader && plat::WaitForSingleObject(loader, 50) == plat::WAIT_TIMEOUT)
    {
        graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, kClearColour);
        graph.Present();
    }
    plat::CloseHandle(loader);
    InitSoundManager(m_hWnd);
    if (g_pMusicManager)
        g_pMusicManager->PlayMusic(0, 0.0f, true, 0.0f);
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

void CMinimalApplication::Main()
{
    if (g_pInput)
        g_pInput->Update();
    // Nothing to draw yet but a cleared frame; do not spin the processor.
    graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, kClearColour);
    graph.Present();
    if (g_pSoundManager)
        g_pSoundManager->ApplySettings();
    plat::Sleep(10);
}

void CMinimalApplication::Done()
{
    if (g_pInput)
    {
        g_pInput->Done();
        delete g_pInput;
        g_pInput = nullptr;
    }
    FreeDICodeTable();
    DoneSound();
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
