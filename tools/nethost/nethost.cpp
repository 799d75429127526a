// nethost: the network test host as a program, to try the game's network
// dialog and network game by hand on one machine or a local network.
//
//     nethost [--port N] [--bind ADDRESS] [--name SESSION] [--game NAME:MAP]...
//
// It listens on port N (default 2609) of ADDRESS (default: every
// interface), answers host enumeration with SESSION (default "Tarvox test
// host"), lists the games given (default NewGame:net_test.mmp) and prints
// one line for every player and message until it is interrupted (Ctrl-C).
// Exit codes: 0 after an interrupt, 1 when the port cannot be opened, 2
// wrong arguments; --help prints the usage on stdout and exits 0.
#include "platform/CodePage.h"
#include "tools/nethost/NetTestHost.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace
{

std::atomic<bool> g_stop{false};

void OnSignal(int)
{
    g_stop = true;
}

int Usage(bool asked = false)
{
    std::fprintf(asked ? stdout : stderr,
                 "usage: nethost [--port N] [--bind ADDRESS] [--name SESSION] [--game NAME:MAP]...\n"
                 "N: the port (default 2609); ADDRESS: an IPv4 number (default: every interface).\n");
    return asked ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    CNetTestHost::SOptions options;
    options.bindAddress.clear();
    options.port = 2609;
    bool gamesGiven = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--help") return Usage(true);
        if (i + 1 >= argc) return Usage();
        const std::string value = argv[++i];
        if (arg == "--port")
        {
            char* end = nullptr;
            const unsigned long port = std::strtoul(value.c_str(), &end, 10);
            if (!*value.c_str() || *end || port == 0 || port > 65535) return Usage();
            options.port = std::uint32_t(port);
        }
        else if (arg == "--bind")
            options.bindAddress = value;
        else if (arg == "--name")
            options.sessionName = plat::Utf8ToCp1251(value); // the game's texts are 1251
        else if (arg == "--game")
        {
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) return Usage();
            if (!gamesGiven) options.games.clear();
            gamesGiven = true;
            options.games.push_back(
                {plat::Utf8ToCp1251(value.substr(0, colon)), plat::Utf8ToCp1251(value.substr(colon + 1))});
        }
        else
            return Usage();
    }
    CNetTestHost host(
        [](const std::string& line)
        {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        });
    if (!host.Start(options))
    {
        std::fprintf(stderr, "nethost: cannot open port %u\n", options.port);
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    while (!g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    host.Stop();
    return 0;
}
