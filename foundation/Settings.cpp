#include "foundation/Settings.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "platform/Ini.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

SEngineSettings g_Settings;

namespace
{
// Display sizes the device set-up can be asked for.
constexpr std::int32_t kMinScreenWidth = 640;
constexpr std::int32_t kMinScreenHeight = 480;
constexpr std::int32_t kMaxScreenSize = 16384;
} // namespace

namespace
{

class CConfigReader
{
public:
    explicit CConfigReader(const char* path) : m_szPath(path) {}

    std::int32_t Int(const char* key, std::int32_t fallback, const char* section = "CONFIG") const
    {
        return static_cast<std::int32_t>(plat::GetPrivateProfileInt(section, key, fallback, m_szPath));
    }

    // A value outside [low, high] is reported and the start value used
    // (a screen of 99999999 x -5 pixels would fail the device set-up).
    std::int32_t Ranged(const char* key, std::int32_t fallback, std::int32_t low, std::int32_t high,
                        std::int32_t start) const
    {
        const std::int32_t value = Int(key, fallback);
        if (value >= low && value <= high) return value;
        g_ErrorLog.LogError("LoadConfig: \"%s\" [CONFIG] %s=%d is outside %d..%d; %d used", m_szPath, key, value,
                            low, high, start);
        return start;
    }

    std::uint8_t Flag(const char* key, std::int32_t fallback, const char* section = "CONFIG") const
    {
        return Int(key, fallback, section) == 1 ? 1 : 0;
    }

    // The file's value as a count that cannot be negative. A negative
    // number would turn into one near 2^32 once taken as unsigned (a volume
    // of 43 million); it is reported and replaced.
    std::uint32_t Unsigned(const char* key, std::int32_t value, std::uint32_t replacement) const
    {
        if (value >= 0) return static_cast<std::uint32_t>(value);
        g_ErrorLog.LogError("LoadConfig: \"%s\" [CONFIG] %s=%d is negative; %u used", m_szPath, key, value,
                            replacement);
        return replacement;
    }

    // A volume in percent as a factor 0..1.
    float Volume(const char* key, std::int32_t fallback) const
    {
        const std::int32_t value = Int(key, fallback);
        std::uint32_t percent = Unsigned(key, value, 0);
        if (percent > 100)
        {
            g_ErrorLog.LogError("LoadConfig: \"%s\" [CONFIG] %s=%d is above 100; 100 used", m_szPath, key,
                                value);
            percent = 100;
        }
        return static_cast<float>(percent) * 0.01f;
    }

private:
    const char* m_szPath;
};

// The file's model quality q as a level-of-detail factor: a better quality
// (q above 0) shrinks the factor, a worse one (q below 0) grows it.
std::int32_t ModelQualityFactor(std::int32_t q)
{
    if (q > 0)
    {
        const double ratio = 100.0 / (static_cast<double>(q) + 100.0);
        return static_cast<std::int32_t>(ratio * ratio);
    }
    const double scaled = std::fabs(static_cast<double>(q)) * 0.02;
    return static_cast<std::int32_t>(scaled * scaled + 1.0);
}

// Why the file is not a settings file, or empty when it is one (or is
// missing): every line must be blank, a comment, a [section] or key=value.
// Reports the first line that is none of them, so a damaged or foreign
// file is told apart from one that merely lacks keys.
std::string DamageOf(const char* path)
{
    std::FILE* file = plat::FOpen(path, "rb");
    if (!file) return {};
    std::string text;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, n);
    std::fclose(file);
    std::size_t lineNo = 0;
    for (std::size_t begin = 0; begin < text.size();)
    {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        ++lineNo;
        std::string_view line(text.data() + begin, end - begin);
        begin = end + 1;
        if (line.find('\0') != std::string_view::npos) return "line " + std::to_string(lineNo) + " holds a NUL byte";
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == ';') continue;
        if (line[first] == '[')
        {
            if (line.find(']', first) == std::string_view::npos)
                return "line " + std::to_string(lineNo) + " opens a section without ']'";
            continue;
        }
        const std::size_t equals = line.find('=', first);
        if (equals == std::string_view::npos || equals == first)
            return "line " + std::to_string(lineNo) + " is not a [section] or key=value line";
    }
    return {};
}

} // namespace

std::string GetEngineBaseDirectory()
{
    // Before the database is opened (tools, tests) the working directory
    // stands in for the one it will record.
    const std::string& base = g_ResourceDB.GetBaseDirectory();
    return base.empty() ? plat::GetCurrentDirectory() + "\\" : base;
}

int SetDefaultConfig()
{
    XTRACE("SetDefaultConfig");
    g_Settings = SEngineSettings();
    return LoadConfig();
}

int LoadConfig()
{
    const std::string path = GetEngineBaseDirectory() + "DATA\\CONFIG\\cfg.ini";
    return LoadConfigFrom(path.c_str());
}

int LoadConfigFrom(const char* path)
{
    XTRACE("LoadConfig");
    const CConfigReader cfg(path);
    SEngineSettings& s = g_Settings;

    const SEngineSettings start;
    const std::string damage = DamageOf(path);
    if (!damage.empty())
        g_ErrorLog.LogError("LoadConfig: \"%s\" is damaged (%s); the keys found are read, the others take "
                            "their start values, except that a missing Windowed is 1",
                            path, damage.c_str());

    s.TextureBPS = cfg.Ranged("TextureBPS", s.TextureBPS, 16, 32, start.TextureBPS);
    s.TextureQuality = cfg.Int("TextureQuality", s.TextureQuality);
    s.ModelQuality = ModelQualityFactor(cfg.Int("ModelQuality", s.ModelQuality));
    s.VisibleRadius = cfg.Int("VisibleRadius", s.VisibleRadius);
    s.ScreenWidth = cfg.Ranged("ScreenWidth", s.ScreenWidth, kMinScreenWidth, kMaxScreenSize, start.ScreenWidth);
    s.ScreenHeight =
        cfg.Ranged("ScreenHeight", s.ScreenHeight, kMinScreenHeight, kMaxScreenSize, start.ScreenHeight);
    s.ScreenBPS = cfg.Ranged("ScreenBPS", s.ScreenBPS, 16, 32, start.ScreenBPS);
    s.ScreenRefresh = cfg.Ranged("ScreenRefresh", s.ScreenRefresh, 0, 1000, start.ScreenRefresh);
    // A damaged file says nothing of the display mode: the game starts in a
    // window rather than taking the whole screen on a value it never read.
    s.Windowed = cfg.Flag("Windowed", damage.empty() ? s.Windowed : 1);
    s.MapShadows = cfg.Flag("MapShadows", s.MapShadows);
    s.ShowFPS = cfg.Flag("ShowFPS", s.ShowFPS);
    s.MusicEnable = cfg.Flag("MusicEnable", 0);
    s.MusicVolume = cfg.Volume("MusicVolume", 0);
    s.SoundVolume = cfg.Volume("SoundVolume", 0);
    s.MaxSoundSources = cfg.Int("MaxSoundSources", 0);
    s.MaxSoundSources2 = cfg.Int("MaxSoundSources2", 0);
    s.HardwareSounds = cfg.Flag("HardwareSounds", 0);
    s.PlayerFade = static_cast<float>(cfg.Unsigned("PlayerFade", cfg.Int("PlayerFade", 0), 0)) * 0.01f;
    s.Interval = cfg.Int("Interval", 4);
    s.FullReflection = cfg.Flag("FullReflection", s.FullReflection);
    s.TextureCompression = cfg.Flag("TextureCompression", s.TextureCompression);
    const std::uint32_t fps = cfg.Unsigned("FixFPS", cfg.Int("FixFPS", 0), 0);
    s.FixFPS = fps ? 1.0f / static_cast<float>(fps) : 0.0f;
    s.UseSystemCursor = cfg.Flag("UseSystemCursor", s.UseSystemCursor);
    s.ForceScreenShots = cfg.Flag("ForceScreenShots", s.ForceScreenShots);
    s.GliderAnimation = cfg.Flag("GliderAnimation", s.GliderAnimation);
    s.Filtering = cfg.Int("Filtering", 1);
    s.Anosotropy = cfg.Int("Anosotropy", 1);
    s.Antializing = cfg.Int("Antializing", 0);
    s.Video = cfg.Flag("Video", 1);
    s.ForceLinearFog = cfg.Flag("ForceLinearFog", s.ForceLinearFog);
    s.ForceFeedback = cfg.Flag("ForceFeedback", s.ForceFeedback, "INPUT");
    s.Codepage = cfg.Int("Codepage", s.Codepage);
    s.Gamma = cfg.Int("Gamma", s.Gamma);
    s.MTGamma = cfg.Int("MTGamma", s.MTGamma);
    s.JPGQuality = cfg.Ranged("JPGQuality", s.JPGQuality, 1, 100, start.JPGQuality);
    s.UseStaticMapBuffer = cfg.Flag("UseStaticMapBuffer", s.UseStaticMapBuffer);
    const std::int32_t current = static_cast<std::int32_t>(s.SelectTargetTime * 1000.0f);
    const std::int32_t selectTargetTime = cfg.Int("SelectTargetTime", current);
    s.SelectTargetTime = static_cast<float>(cfg.Unsigned("SelectTargetTime", selectTargetTime,
                                                         static_cast<std::uint32_t>(current))) *
                         0.001f;

    s.loaded = 1;
    return selectTargetTime;
}
