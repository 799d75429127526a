#include "app/MinimalApplication.h"

#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "platform/Thread.h"
#include "platform/Window.h"

const char* const kGameTitle = "Tarvox II v.1.3.25";

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
    g_ErrorLog.LogDebug("%s started", title);
    m_bReady = 1;
    return true;
}

void CMinimalApplication::Main()
{
    // Nothing to draw yet; do not spin the processor.
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
