// The program's entry: the single-instance test, then the application with
// every library's classes.

#include "app/MMApp.h"
#include "game/GameClasses.h"
#include "platform/CodePage.h"
#include "platform/Time.h"
#include "platform/Window.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace
{
// The options the application reads from its command line, "-name value"
// each (CMMApp::ParseCommandLine, which takes up to three).
const char* const kOptions[] = {"g", "m", "freecamera", "netdialog", "replay"};

void PrintUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: tarvox2 [-g SCRIPT] [-m MOD] [-freecamera 1] [-netdialog 1] [-replay FILE]\n"
                 "  -g SCRIPT       start a new game at once with the given game script\n"
                 "  -m MOD          start a new game at once in the mod of that name\n"
                 "  -freecamera 1   the camera keys move a free camera\n"
                 "  -netdialog 1    open the network-game dialog before the main menu\n"
                 "  -replay FILE    start a new game that replays the play recording FILE\n"
                 "  --help          print this and end\n"
                 "Run it in the data tree's folder (mksample DIR writes a sample one).\n");
}

// Nothing when the arguments are "-name value" pairs of known names (in any
// case, as the application reads them); else the message naming the first
// that is not.
std::string CheckArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; i += 2)
    {
        const char* arg = argv[i];
        bool known = false;
        if (arg[0] == '-')
            for (const char* option : kOptions)
                known = known || plat::CompareNoCase1251(arg + 1, option) == 0;
        if (!known) return std::string("unknown option \"") + arg + "\"";
        if (i + 1 >= argc) return std::string("option \"") + arg + "\" needs a value";
    }
    return {};
}
} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
        {
            PrintUsage(stdout);
            return 0;
        }
    }
    const std::string refused = CheckArguments(argc, argv);
    if (!refused.empty())
    {
        std::fprintf(stderr, "tarvox2: %s\n", refused.c_str());
        PrintUsage(stderr);
        // Not 2: that one says the graphics device did not start.
        return 64;
    }

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
