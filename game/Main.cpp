// The program's entry: the single-instance test, then the application with
// every library's classes.

#include "app/MMApp.h"
#include "game/GameClasses.h"
#include "platform/Time.h"
#include "platform/Window.h"

#include <cstdio>
#include <ctime>
#include <string>

int main(int argc, char** argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
    {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }

    plat::ShowCursor(false);
    if (plat::Window* running = plat::FindWindow(CApplication::kWindowClassName))
    {
        if (plat::IsIconic(running)) plat::ShowWindow(running, plat::SW_RESTORE);
        plat::SetForegroundWindow(running);
        std::fprintf(stderr, "%s is already running: its window was brought to the front; this one ends.\n",
                     kGameTitle);
        return 1;
    }

    plat::CrtSrand(static_cast<std::uint32_t>(std::time(nullptr)));
    const int exitCode = RunApplication(&RegisterGameClasses, commandLine.data(), kGameTitle);
    plat::ShutdownWindows();
    return exitCode;
}
