#include "foundation/Settings.h"

#include "foundation/ErrorLog.h"
#include "foundation/LogText.h"
#include "foundation/ModelQuality.h"
#include "foundation/ResourceDB.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Ini.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

SEngineSettings g_Settings;

namespace
{
// Display sizes the device set-up can be asked for.
constexpr std::int32_t kMinScreenWidth = 640;
constexpr std::int32_t kMinScreenHeight = 480;
constexpr std::int32_t kMaxScreenSize = 16384;

// The [CONFIG] keys that other readers of the file own: the application's
// difficulty and outside-save switch, the options dialog's anisotropy and
// the mods dialog's choice. They are not settings of this record, but
// neither are they strangers in the file.
constexpr const char* kOtherConfigKeys[] = {"Difficulty", "OutsideSave", "Anisotropy", "GameMod"};

bool SameName(const std::string& a, const char* b)
{
    return plat::CompareNoCase1251(a.c_str(), b) == 0;
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The file as the settings reader sees it: where each key of [CONFIG] and
// [INPUT] stands (line numbers for the messages), and why the file is not a
// settings file at all when it is not one (every line must be blank, a
// comment, a [section] or key=value).
class CConfigFile
{
public:
    struct SKey
    {
        std::string section; // "CONFIG" or "INPUT", as the file spells it
        std::string name;
        int line = 0;
        // In a second section of the same name, which the profile
        // functions do not read.
        bool repeated = false;
    };

    explicit CConfigFile(const char* path)
    {
        std::FILE* file = plat::FOpen(path, "rb");
        if (!file) return;
        std::string text;
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            text.append(chunk, n);
        std::fclose(file);
        if (text.empty()) m_sDamage = "the file is empty";
        Scan(text);
    }

    const std::string& Damage() const { return m_sDamage; }
    const std::vector<SKey>& Keys() const { return m_Keys; }

    // The line of the key the profile functions read; 0 when none.
    int LineOf(const char* section, const char* key) const
    {
        for (const SKey& k : m_Keys)
            if (!k.repeated && SameName(k.section, section) && SameName(k.name, key)) return k.line;
        return 0;
    }

private:
    void Scan(const std::string& text)
    {
        std::vector<std::string> sections;
        std::string section;
        bool inSection = false, repeated = false;
        int lineNo = 0;
        for (std::size_t begin = 0; begin < text.size();)
        {
            std::size_t end = text.find('\n', begin);
            if (end == std::string::npos) end = text.size();
            ++lineNo;
            const std::string_view raw(text.data() + begin, end - begin);
            begin = end + 1;
            const std::string_view line = Trimmed(raw);
            if (raw.find('\0') != std::string_view::npos)
            {
                SetDamage(lineNo, "holds a NUL byte");
                continue;
            }
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[')
            {
                // Without its ']' the rest of the line is the section's name,
                // as the profile functions read it; the file is damaged all
                // the same.
                const std::size_t close = line.find(']');
                if (close == std::string_view::npos) SetDamage(lineNo, "opens a section without ']'");
                section = std::string(Trimmed(
                    line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
                inSection = true;
                repeated = false;
                for (const std::string& seen : sections)
                    repeated = repeated || SameName(seen, section.c_str());
                sections.push_back(section);
                continue;
            }
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos || equals == 0)
            {
                SetDamage(lineNo, "is not a [section] or key=value line");
                continue;
            }
            if (!inSection)
            {
                SetDamage(lineNo, "stands before any [section]");
                continue;
            }
            if (SameName(section, "CONFIG") || SameName(section, "INPUT"))
                m_Keys.push_back({section, std::string(Trimmed(line.substr(0, equals))), lineNo, repeated});
        }
    }

    // The first fault is the one reported.
    void SetDamage(int line, const char* what)
    {
        if (m_sDamage.empty()) m_sDamage = "line " + std::to_string(line) + " " + what;
    }

    std::string m_sDamage;
    std::vector<SKey> m_Keys;
};

// Reads the settings' keys through the profile functions, each against its
// range: a value that is not a whole number, or lies outside the range, gets
// one line naming the file, the line and the key, and the key takes the
// value it would have if it were missing.
class CConfigReader
{
public:
    CConfigReader(const char* path, const CConfigFile& file) : m_szPath(path), m_File(file) {}

    // fallback: the value when the key is missing or bad.
    std::int32_t Int(const char* key, std::int32_t fallback, std::int32_t low, std::int32_t high,
                     const char* section = "CONFIG") const
    {
        std::int32_t value = 0;
        if (!Read(section, key, fallback, &value)) return fallback;
        if (value >= low && value <= high) return value;
        ReportOutside(section, key, value, low, high, fallback);
        return fallback;
    }

    // 1 exactly when the file says 1; a number but 0 or 1 is reported.
    std::uint8_t Flag(const char* key, std::int32_t fallback, const char* section = "CONFIG") const
    {
        std::int32_t value = 0;
        if (!Read(section, key, fallback, &value)) return fallback == 1 ? 1 : 0;
        if (value != 0 && value != 1) ReportOutside(section, key, value, 0, 1, 0);
        return value == 1 ? 1 : 0;
    }

    // A percentage as a factor 0..1: below 0 is silence, above 100 full.
    float Percent(const char* key) const
    {
        std::int32_t percent = 0;
        if (!Read("CONFIG", key, 0, &percent)) return 0.0f;
        if (percent < 0 || percent > 100)
        {
            const std::int32_t used = percent < 0 ? 0 : 100;
            ReportOutside("CONFIG", key, percent, 0, 100, used);
            percent = used;
        }
        return static_cast<float>(percent) * 0.01f;
    }

    // The [CONFIG] keys that no reader of the file knows, and those that
    // stand where the profile functions do not look.
    void ReportStrangers(const char* const* known, std::size_t count) const
    {
        for (const CConfigFile::SKey& k : m_File.Keys())
        {
            if (k.repeated)
            {
                g_ErrorLog.LogError(
                    "LoadConfig: \"%s\" line %d: \"%s\" stands in a second [%s] section, which "
                    "is not read",
                    m_szPath, k.line, EscapeForLog(k.name).c_str(), EscapeForLog(k.section).c_str());
                continue;
            }
            if (!SameName(k.section, "CONFIG")) continue;
            bool found = false;
            for (std::size_t i = 0; i < count && !found; ++i)
                found = SameName(k.name, known[i]);
            for (const char* other : kOtherConfigKeys)
                found = found || SameName(k.name, other);
            if (!found)
                g_ErrorLog.LogError("LoadConfig: \"%s\" line %d: [CONFIG] \"%s\" is no setting; the line is "
                                    "skipped",
                                    m_szPath, k.line, EscapeForLog(k.name).c_str());
        }
    }

private:
    void ReportOutside(const char* section, const char* key, std::int32_t value, std::int32_t low,
                       std::int32_t high, std::int32_t used) const
    {
        g_ErrorLog.LogError("LoadConfig: \"%s\" line %d: [%s] %s=%d is outside %d..%d; %d used", m_szPath,
                            m_File.LineOf(section, key), section, key, value, low, high, used);
    }

    // The key's value as a whole number: false when it is missing, or is
    // not one (reported).
    bool Read(const char* section, const char* key, std::int32_t fallback, std::int32_t* value) const
    {
        const int line = m_File.LineOf(section, key);
        if (!line) return false;
        char text[256] = {};
        plat::GetPrivateProfileString(section, key, "", text, sizeof text, m_szPath);
        if (ParseWhole(text, value)) return true;
        g_ErrorLog.LogError("LoadConfig: \"%s\" line %d: [%s] %s=\"%s\" is not a whole number; %d used",
                            m_szPath, line, section, key, EscapeForLog(text).c_str(), fallback);
        return false;
    }

    // Decimal with an optional sign, or hexadecimal after "0x", and nothing
    // else; within 32 bits.
    static bool ParseWhole(const char* text, std::int32_t* value)
    {
        const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const char* digits = hex ? text + 2 : text;
        if (!std::isdigit(static_cast<unsigned char>(digits[0])) &&
            (hex || (digits[0] != '-' && digits[0] != '+') ||
             !std::isdigit(static_cast<unsigned char>(digits[1]))))
            return false;
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(digits, &end, hex ? 16 : 10);
        if (errno || *end) return false;
        if (hex ? v > 0xFFFFFFFFLL
                : v < std::numeric_limits<std::int32_t>::min() ||
                      v > std::numeric_limits<std::int32_t>::max())
            return false;
        *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return true;
    }

    const char* m_szPath;
    const CConfigFile& m_File;
};

} // namespace

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
    const CConfigFile file(path);
    const CConfigReader cfg(path, file);
    SEngineSettings& s = g_Settings;

    if (!file.Damage().empty())
        g_ErrorLog.LogError("LoadConfig: \"%s\" is damaged (%s); the keys found are read, the others take "
                            "their start values, except that a missing Windowed is 1",
                            path, file.Damage().c_str());
    else
    {
        static const char* const kKeys[] = {"TextureBPS",
                                            "TextureQuality",
                                            "ModelQuality",
                                            "VisibleRadius",
                                            "ScreenWidth",
                                            "ScreenHeight",
                                            "ScreenBPS",
                                            "ScreenRefresh",
                                            "Windowed",
                                            "MapShadows",
                                            "ShowFPS",
                                            "MusicEnable",
                                            "MusicVolume",
                                            "SoundVolume",
                                            "MaxSoundSources",
                                            "MaxSoundSources2",
                                            "HardwareSounds",
                                            "PlayerFade",
                                            "Interval",
                                            "FullReflection",
                                            "TextureCompression",
                                            "FixFPS",
                                            "UseSystemCursor",
                                            "ForceScreenShots",
                                            "GliderAnimation",
                                            "Filtering",
                                            "Anosotropy",
                                            "Antializing",
                                            "Video",
                                            "ForceLinearFog",
                                            "Codepage",
                                            "Gamma",
                                            "MTGamma",
                                            "JPGQuality",
                                            "UseStaticMapBuffer",
                                            "SelectTargetTime"};
        // A damaged file is reported once, above, not line by line.
        cfg.ReportStrangers(kKeys, std::size(kKeys));
    }

    s.TextureBPS = cfg.Int("TextureBPS", s.TextureBPS, 16, 32);
    s.TextureQuality = cfg.Int("TextureQuality", s.TextureQuality, 0, 4);
    s.ModelQuality = ModelQualityFactor(cfg.Int("ModelQuality", s.ModelQuality, -100, 100));
    // The options offer 128..512; the location's pools grow with it.
    s.VisibleRadius = cfg.Int("VisibleRadius", s.VisibleRadius, 64, 1024);
    s.ScreenWidth = cfg.Int("ScreenWidth", s.ScreenWidth, kMinScreenWidth, kMaxScreenSize);
    s.ScreenHeight = cfg.Int("ScreenHeight", s.ScreenHeight, kMinScreenHeight, kMaxScreenSize);
    s.ScreenBPS = cfg.Int("ScreenBPS", s.ScreenBPS, 16, 32);
    s.ScreenRefresh = cfg.Int("ScreenRefresh", s.ScreenRefresh, 0, 1000);
    // A damaged file says nothing of the display mode: the game starts in a
    // window rather than taking the whole screen on a value it never read.
    s.Windowed = cfg.Flag("Windowed", file.Damage().empty() ? s.Windowed : 1);
    s.MapShadows = cfg.Flag("MapShadows", s.MapShadows);
    s.ShowFPS = cfg.Flag("ShowFPS", s.ShowFPS);
    s.MusicEnable = cfg.Flag("MusicEnable", 0);
    s.MusicVolume = cfg.Percent("MusicVolume");
    s.SoundVolume = cfg.Percent("SoundVolume");
    s.MaxSoundSources = cfg.Int("MaxSoundSources", 0, 0, 256);
    s.MaxSoundSources2 = cfg.Int("MaxSoundSources2", 0, 0, 256);
    s.HardwareSounds = cfg.Flag("HardwareSounds", 0);
    s.PlayerFade = cfg.Percent("PlayerFade");
    // 1..4: the presentation interval 1 << (Interval - 1); 0 leaves it.
    s.Interval = cfg.Int("Interval", 4, 0, 4);
    s.FullReflection = cfg.Flag("FullReflection", s.FullReflection);
    s.TextureCompression = cfg.Flag("TextureCompression", s.TextureCompression);
    const std::int32_t fps = cfg.Int("FixFPS", 0, 0, 1000);
    s.FixFPS = fps ? 1.0f / static_cast<float>(fps) : 0.0f;
    s.UseSystemCursor = cfg.Flag("UseSystemCursor", s.UseSystemCursor);
    s.ForceScreenShots = cfg.Flag("ForceScreenShots", s.ForceScreenShots);
    s.GliderAnimation = cfg.Flag("GliderAnimation", s.GliderAnimation);
    // The device's texture filter (none, point, linear, anisotropic), its
    // anisotropy and multisample type.
    s.Filtering = cfg.Int("Filtering", 1, 0, 3);
    // The options dialog writes "Anisotropy"; files from before it have
    // only the old spelling, which is read when the new one is absent.
    s.Anosotropy = cfg.Int(file.LineOf("CONFIG", "Anisotropy") ? "Anisotropy" : "Anosotropy", 1, 0, 16);
    s.Antializing = cfg.Int("Antializing", 0, 0, 16);
    s.Video = cfg.Flag("Video", 1);
    s.ForceLinearFog = cfg.Flag("ForceLinearFog", s.ForceLinearFog);
    s.ForceFeedback = cfg.Flag("ForceFeedback", s.ForceFeedback, "INPUT");
    // 0, or a Windows code page number.
    s.Codepage = cfg.Int("Codepage", s.Codepage, 0, 65535);
    s.Gamma = cfg.Int("Gamma", s.Gamma, -100, 100);
    s.MTGamma = cfg.Int("MTGamma", s.MTGamma, 0, 1);
    s.JPGQuality = cfg.Int("JPGQuality", s.JPGQuality, 1, 100);
    s.UseStaticMapBuffer = cfg.Flag("UseStaticMapBuffer", s.UseStaticMapBuffer);
    // Milliseconds in the file, seconds stored; the raw value is returned.
    const std::int32_t current = static_cast<std::int32_t>(s.SelectTargetTime * 1000.0f);
    const std::int32_t selectTargetTime =
        static_cast<std::int32_t>(plat::GetPrivateProfileInt("CONFIG", "SelectTargetTime", current, path));
    s.SelectTargetTime = static_cast<float>(cfg.Int("SelectTargetTime", current, 0, 60000)) * 0.001f;

    s.loaded = 1;
    return selectTargetTime;
}
