// Fuzz target of the settings reader: any bytes as "cfg.ini". Whatever the
// file holds, every setting ends within its range.
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_settings_seeds DIR writes settings files (every key, as mksample
// writes them, through the profile writer), plus damaged variants of each.
#include "foundation/Settings.h"
#include "platform/Ini.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>

#ifndef TVX_FUZZ_WRITE_SEEDS

namespace
{
void Within(std::int32_t value, std::int32_t low, std::int32_t high)
{
    if (value < low || value > high) std::abort();
}
void Within(float value, float low, float high)
{
    if (!(value >= low && value <= high)) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("settings");
    (void)ready;
    if (!fuzz::WriteFile("cfg.ini", data, size)) return 0;
    g_Settings = SEngineSettings();
    LoadConfigFrom("cfg.ini");
    const SEngineSettings& s = g_Settings;
    Within(s.TextureBPS, 16, 32);
    Within(s.TextureQuality, 0, 4);
    Within(s.ModelQuality, 0, 5);
    Within(s.VisibleRadius, 64, 1024);
    Within(s.ScreenWidth, 640, 16384);
    Within(s.ScreenHeight, 480, 16384);
    Within(s.ScreenBPS, 16, 32);
    Within(s.ScreenRefresh, 0, 1000);
    Within(s.MaxSoundSources, 0, 256);
    Within(s.MaxSoundSources2, 0, 256);
    Within(s.Interval, 0, 4);
    Within(s.Filtering, 0, 3);
    Within(s.Anosotropy, 0, 16);
    Within(s.Antializing, 0, 16);
    Within(s.Codepage, 0, 65535);
    Within(s.Gamma, -100, 100);
    Within(s.MTGamma, 0, 1);
    Within(s.JPGQuality, 1, 100);
    Within(s.MusicVolume, 0.0f, 1.0f);
    Within(s.SoundVolume, 0.0f, 1.0f);
    Within(s.PlayerFade, 0.0f, 1.0f);
    Within(s.FixFPS, 0.0f, 1.0f);
    Within(s.SelectTargetTime, 0.0f, 60.0f);
    for (std::uint8_t flag :
         {s.Windowed, s.MapShadows, s.ShowFPS, s.MusicEnable, s.HardwareSounds, s.FullReflection,
          s.TextureCompression, s.UseSystemCursor, s.ForceScreenShots, s.GliderAnimation, s.Video,
          s.ForceLinearFog, s.ForceFeedback, s.UseStaticMapBuffer})
        if (flag > 1) std::abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_settings_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "cfg.tmp";
    const char* const entries[][3] = {
        {"CONFIG", "TextureBPS", "32"},         {"CONFIG", "VisibleRadius", "256"},
        {"CONFIG", "ScreenWidth", "1024"},      {"CONFIG", "Windowed", "1"},
        {"CONFIG", "MusicVolume", "70"},        {"CONFIG", "FixFPS", "25"},
        {"CONFIG", "ModelQuality", "-50"},      {"CONFIG", "Interval", "0x2"},
        {"CONFIG", "SelectTargetTime", "1500"}, {"CONFIG", "Difficulty", "1"},
        {"INPUT", "ForceFeedback", "0"},        {"MMCONFIG", "FIXCURSOR", "0"},
    };
    for (const auto& e : entries)
        if (!plat::WritePrivateProfileString(e[0], e[1], e[2], file.c_str())) return 1;
    const std::vector<std::uint8_t> bytes = fuzz::TakeFile(file);
    fuzz::WriteSeeds(dir, "cfg", bytes);
    return 0;
}

#endif
