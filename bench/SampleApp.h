// The game application started on a fresh sample tree in a temporary
// folder, a new game prepared on the sample location: the fixture of
// the benchmarks that draw game frames. The folder is removed by
// RemoveSampleApp (at exit: the application and the world go with the
// process).
#pragma once

#include "app/MMApp.h"
#include "tests/common/GameDriver.h"
#include "hud/Renderer.h"
#include "location/Environment.h"
#include "platform/File.h"
#include "platform/Window.h"
#include "tools/mksample/SampleTree.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace benchapp
{

inline std::filesystem::path& SampleDir()
{
    static std::filesystem::path dir;
    return dir;
}

struct SSampleApp
{
    CMMApp app;
    bool ok = false;

    SSampleApp()
    {
        namespace fs = std::filesystem;
        const fs::path dir = fs::temp_directory_path() / ("tvx_bench_app_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        SampleDir() = dir;
        plat::SetCurrentDirectory(dir.c_str());
        if (!WriteSampleTree(dir.string())) return;
        // No intro video.
        const fs::path cfgPath = dir / "Data" / "CONFIG" / "cfg.ini";
        std::ifstream in(cfgPath, std::ios::binary);
        std::string cfg((std::istreambuf_iterator<char>(in)), {});
        in.close();
        const std::size_t video = cfg.find("Video=1");
        if (video != std::string::npos) cfg[video + 6] = '0';
        std::ofstream(cfgPath, std::ios::binary) << cfg;
        std::string commandLine;
        if (!app.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "bench")) return;
        // The game's first steps: the location entered, the caching pass.
        app.m_nGameMode = CMMApp::kModeNewGame;
        gametest::g_GameDriver.Attach(&app);
        if (!app.PrepareGame() || !g_pRenderer) return;
        g_pRenderer->PreLoad();
        g_Environment.SetEnvironment(0, true);
        for (int i = 0; i < 60; ++i)
            gametest::g_GameDriver.Frame(0.05f, nullptr);
        ok = gametest::g_GameDriver.IsEntered() && g_pRenderer;
    }
};

inline SSampleApp& SampleApp()
{
    static SSampleApp fixture;
    return fixture;
}

inline void RemoveSampleApp()
{
    std::error_code ignored;
    if (!SampleDir().empty()) std::filesystem::remove_all(SampleDir(), ignored);
}

} // namespace benchapp
