#include "foundation/Settings.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <functional>
#include <ostream>
#include <string>

namespace
{

class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("tvx_settings_" + std::to_string(std::random_device{}()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        g_ErrorLog.SetDirectory(m_dir.c_str());
        m_cfg = (m_dir / "cfg.ini").string();
    }
    void TearDown() override
    {
        g_ErrorLog.SetDirectory(plat::GetCurrentDirectory().c_str());
        std::filesystem::remove_all(m_dir);
        g_Settings = SEngineSettings();
    }

    // Start values, then the file.
    int Load(const std::string& text)
    {
        std::ofstream(m_cfg) << text;
        g_Settings = SEngineSettings();
        return LoadConfigFrom(m_cfg.c_str());
    }

    std::string ErrorLog() const
    {
        std::ifstream in(m_dir / "error.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path m_dir;
    std::string m_cfg;
};

TEST_F(Settings, MissingFileGivesStartValuesAndTheFixedFallbacks)
{
    g_Settings = SEngineSettings();
    g_Settings.loaded = 0;
    EXPECT_EQ(LoadConfigFrom((m_dir / "absent.ini").c_str()), 1500);
    const SEngineSettings start;
    const SEngineSettings& s = g_Settings;
    EXPECT_EQ(s.loaded, 1);
    // The keys whose fallback is a number rather than the current value.
    EXPECT_EQ(s.MusicEnable, 0);
    EXPECT_EQ(s.MaxSoundSources, 0);
    EXPECT_EQ(s.MaxSoundSources2, 0);
    EXPECT_EQ(s.Interval, 4);
    EXPECT_EQ(s.ModelQuality, 1);
    // The rest keep their start values.
    EXPECT_EQ(s.TextureBPS, start.TextureBPS);
    EXPECT_EQ(s.ScreenWidth, 1024);
    EXPECT_EQ(s.ScreenHeight, 768);
    EXPECT_EQ(s.Windowed, 0);
    EXPECT_EQ(s.TextureCompression, 1);
    EXPECT_EQ(s.Video, 1);
    EXPECT_EQ(s.ForceFeedback, 1);
    EXPECT_EQ(s.JPGQuality, 70);
    EXPECT_EQ(s.UseStaticMapBuffer, 1);
    EXPECT_FLOAT_EQ(s.SelectTargetTime, 1.5f);
    EXPECT_FLOAT_EQ(s.MusicVolume, 0.0f);
    EXPECT_FLOAT_EQ(s.FixFPS, 0.0f);
    EXPECT_TRUE(ErrorLog().empty());
}

TEST_F(Settings, SetDefaultConfigResetsWhatTheFileDoesNotHold)
{
    if (plat::FileExists((GetEngineBaseDirectory() + "DATA\\CONFIG\\cfg.ini").c_str()))
        GTEST_SKIP() << "the working directory holds a cfg.ini";
    g_Settings.JPGQuality = 5;
    g_Settings.Windowed = 1;
    g_Settings.SelectTargetTime = 9.0f;
    SetDefaultConfig();
    EXPECT_EQ(g_Settings.JPGQuality, 70);
    EXPECT_EQ(g_Settings.Windowed, 0);
    EXPECT_FLOAT_EQ(g_Settings.SelectTargetTime, 1.5f);
}

struct SConfigCase
{
    const char* name;
    std::string file;
    std::function<void(const SEngineSettings&)> check;
    bool logsError;
};

void PrintTo(const SConfigCase& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsCases : public Settings, public ::testing::WithParamInterface<SConfigCase>
{
};

TEST_P(SettingsCases, ReadsTheKey)
{
    const SConfigCase& c = GetParam();
    Load(c.file);
    c.check(g_Settings);
    EXPECT_EQ(!ErrorLog().empty(), c.logsError) << ErrorLog();
}

const SConfigCase kConfigCases[] = {
    {"ModelQuality0", "[CONFIG]\nModelQuality=0\n", [](auto& s) { EXPECT_EQ(s.ModelQuality, 1); }, false},
    {"ModelQualityMinus50", "[CONFIG]\nModelQuality=-50\n", [](auto& s) { EXPECT_EQ(s.ModelQuality, 2); },
     false},
    {"ModelQuality100", "[CONFIG]\nModelQuality=100\n", [](auto& s) { EXPECT_EQ(s.ModelQuality, 0); }, false},
    {"FixFPS25", "[CONFIG]\nFixFPS=25\n", [](auto& s) { EXPECT_FLOAT_EQ(s.FixFPS, 0.04f); }, false},
    {"FixFPS0", "[CONFIG]\nFixFPS=0\n", [](auto& s) { EXPECT_FLOAT_EQ(s.FixFPS, 0.0f); }, false},
    {"FixFPSNegative", "[CONFIG]\nFixFPS=-30\n", [](auto& s) { EXPECT_FLOAT_EQ(s.FixFPS, 0.0f); }, true},
    {"SelectTargetTime", "[CONFIG]\nSelectTargetTime=2500\n",
     [](auto& s) { EXPECT_FLOAT_EQ(s.SelectTargetTime, 2.5f); }, false},
    {"SelectTargetTimeNegative", "[CONFIG]\nSelectTargetTime=-1\n",
     [](auto& s) { EXPECT_FLOAT_EQ(s.SelectTargetTime, 1.5f); }, true},
    {"Windowed2", "[CONFIG]\nWindowed=2\n", [](auto& s) { EXPECT_EQ(s.Windowed, 0); }, true},
    {"Windowed1", "[CONFIG]\nwindowed=1\n", [](auto& s) { EXPECT_EQ(s.Windowed, 1); }, false},
    {"Volumes", "[CONFIG]\nMusicVolume=70\nSoundVolume=100\nPlayerFade=50\n",
     [](auto& s)
     {
         EXPECT_FLOAT_EQ(s.MusicVolume, 0.7f);
         EXPECT_FLOAT_EQ(s.SoundVolume, 1.0f);
         EXPECT_FLOAT_EQ(s.PlayerFade, 0.5f);
     },
     false},
    {"NegativeVolumeIsSilence", "[CONFIG]\nMusicVolume=-20\nSoundVolume=-1\n",
     [](auto& s)
     {
         EXPECT_FLOAT_EQ(s.MusicVolume, 0.0f);
         EXPECT_FLOAT_EQ(s.SoundVolume, 0.0f);
     },
     true},
    {"VolumeAbove100IsFull", "[CONFIG]\nMusicVolume=250\n",
     [](auto& s) { EXPECT_FLOAT_EQ(s.MusicVolume, 1.0f); }, true},
    {"NegativePlayerFade", "[CONFIG]\nPlayerFade=-5\n", [](auto& s) { EXPECT_FLOAT_EQ(s.PlayerFade, 0.0f); },
     true},
    {"ForceFeedbackFromInput", "[CONFIG]\nWindowed=1\n[INPUT]\nForceFeedback=0\n",
     [](auto& s) { EXPECT_EQ(s.ForceFeedback, 0); }, false},
    {"ForceFeedbackNotFromConfig", "[CONFIG]\nForceFeedback=0\n",
     [](auto& s) { EXPECT_EQ(s.ForceFeedback, 1); }, true},
    {"FixedFallbacksOnlyWhenMissing", "[CONFIG]\nMusicEnable=1\nInterval=0\nMaxSoundSources=16\n",
     [](auto& s)
     {
         EXPECT_EQ(s.MusicEnable, 1);
         EXPECT_EQ(s.Interval, 0);
         EXPECT_EQ(s.MaxSoundSources, 16);
     },
     false},
    {"Screen", "[CONFIG]\nScreenWidth=800\nScreenHeight=600\nJPGQuality=85\nUseSystemCursor=1\n",
     [](auto& s)
     {
         EXPECT_EQ(s.ScreenWidth, 800);
         EXPECT_EQ(s.ScreenHeight, 600);
         EXPECT_EQ(s.JPGQuality, 85);
         EXPECT_EQ(s.UseSystemCursor, 1);
     },
     false},
    {"OtherSectionIgnored", "[MMCONFIG]\nScreenWidth=640\n", [](auto& s) { EXPECT_EQ(s.ScreenWidth, 1024); },
     false},
    {"ScreenOutOfRange", "[CONFIG]\nScreenWidth=99999999\nScreenHeight=-5\nScreenBPS=7\nJPGQuality=400\n",
     [](auto& s)
     {
         EXPECT_EQ(s.ScreenWidth, 1024);
         EXPECT_EQ(s.ScreenHeight, 768);
         EXPECT_EQ(s.ScreenBPS, 32);
         EXPECT_EQ(s.JPGQuality, 70);
     },
     true},
    {"CommentsAndBlankLinesAreNoDamage", "; written by the options\n\n[CONFIG]\r\n  Windowed = 0\r\n",
     [](auto& s) { EXPECT_EQ(s.Windowed, 0); }, false},
    // A damaged file never silently takes the whole screen.
    {"DamagedStartsWindowed", "[CONFIG]\nScreenWidth=800\n\x89PNG\x1a garbage\n",
     [](auto& s)
     {
         EXPECT_EQ(s.Windowed, 1);
         EXPECT_EQ(s.ScreenWidth, 800);
     },
     true},
    {"DamagedKeepsAWindowedKeyFound", "[CONFIG\nWindowed=0\n", [](auto& s) { EXPECT_EQ(s.Windowed, 0); },
     true},
    {"RandomBytes", std::string("\x13\xf7\x00\x42=\x01", 6), [](auto& s) { EXPECT_EQ(s.Windowed, 1); },
     true},
};

INSTANTIATE_TEST_SUITE_P(Config, SettingsCases, ::testing::ValuesIn(kConfigCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Each bad line of a file gets exactly one error line, naming the file, the
// line and the key; a good line none.
TEST_F(Settings, EachBadLineGetsOneMessage)
{
    struct SCase
    {
        std::string file;
        const char* message; // empty: none
    };
    const SCase cases[] = {
        {"[CONFIG]\nVisibleRadius=-5\n", "line 2: [CONFIG] VisibleRadius=-5 is outside 64..1024; 256 used"},
        {"[CONFIG]\nScreenHeight=-5\n", "line 2: [CONFIG] ScreenHeight=-5 is outside 480..16384; 768 used"},
        {"[CONFIG]\nTextureBPS=abc\n", "line 2: [CONFIG] TextureBPS=\"abc\" is not a whole number; 32 used"},
        {"[CONFIG]\nGamma=12abc\n", "[CONFIG] Gamma=\"12abc\" is not a whole number; 0 used"},
        {"[CONFIG]\nWindowed=1\nInterval=\x01\xff\n",
         "line 3: [CONFIG] Interval=\"\\x01\\xFF\" is not a whole number; 4 used"},
        {"[CONFIG]\nWindowed=2\n", "[CONFIG] Windowed=2 is outside 0..1; 0 used"},
        {"[CONFIG]\nMusicVolume=250\n", "[CONFIG] MusicVolume=250 is outside 0..100; 100 used"},
        {"[CONFIG]\nSelectTargetTime=99999\n", "SelectTargetTime=99999 is outside 0..60000; 1500 used"},
        {"[CONFIG]\nShadows=1\n", "line 2: [CONFIG] \"Shadows\" is no setting; the line is skipped"},
        {"[CONFIG]\nScr\x01"
         "en=1\n",
         "[CONFIG] \"Scr\\x01en\" is no setting"},
        {"[CONFIG]\nWindowed=1\n[config]\nShowFPS=1\n",
         "line 4: \"ShowFPS\" stands in a second [config] section, which is not read"},
        {"", "is damaged (the file is empty)"},
        {"Windowed=1\n[CONFIG]\n", "is damaged (line 1 stands before any [section])"},
        {"[CONFIG]\nWindowed=1\nthis is no setting\n",
         "is damaged (line 3 is not a [section] or key=value line)"},
        // Good lines: hexadecimal, the keys other readers own, case.
        {"[config]\nscreenwidth=0x400\nDifficulty=2\nOutsideSave=1\n[NET]\nName=x\n", ""},
    };
    for (const SCase& c : cases)
    {
        std::filesystem::remove(m_dir / "error.log");
        g_ErrorLog.SetDirectory(m_dir.c_str()); // the same line again is written again
        Load(c.file);
        const std::string log = ErrorLog();
        if (!*c.message)
        {
            EXPECT_TRUE(log.empty()) << c.file << ": " << log;
            continue;
        }
        EXPECT_NE(log.find("cfg.ini\" "), std::string::npos) << c.file << ": " << log;
        EXPECT_NE(log.find(c.message), std::string::npos) << c.file << ": " << log;
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << c.file << ": " << log;
    }
}

TEST_F(Settings, ReturnsTheRawSelectTargetTime)
{
    EXPECT_EQ(Load("[CONFIG]\nSelectTargetTime=2500\n"), 2500);
    EXPECT_EQ(Load("[CONFIG]\nSelectTargetTime=-7\n"), -7);
}

} // namespace
