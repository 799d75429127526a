// The sample's settings, key names and force-feedback effects, written with
// the same writers the engine's readers are tested against.
#include "tools/mksample/SampleConfig.h"

#include "foundation/DICodeTable.h"
#include "platform/File.h"
#include "platform/Ini.h"
#include "platform/dinput/EffectFile.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace
{

// The keyboard keys by DirectInput code: label, code, the name bindings use.
const SDICodeLine kKeys[] = {
    {"DIK_ESCAPE", 0x01, "ESCAPE"},
    {"DIK_1", 0x02, "1"},
    {"DIK_2", 0x03, "2"},
    {"DIK_3", 0x04, "3"},
    {"DIK_4", 0x05, "4"},
    {"DIK_5", 0x06, "5"},
    {"DIK_6", 0x07, "6"},
    {"DIK_7", 0x08, "7"},
    {"DIK_8", 0x09, "8"},
    {"DIK_9", 0x0A, "9"},
    {"DIK_0", 0x0B, "0"},
    {"DIK_MINUS", 0x0C, "MINUS"},
    {"DIK_EQUALS", 0x0D, "EQUALS"},
    {"DIK_BACK", 0x0E, "BACKSPACE"},
    {"DIK_TAB", 0x0F, "TAB"},
    {"DIK_Q", 0x10, "Q"},
    {"DIK_W", 0x11, "W"},
    {"DIK_E", 0x12, "E"},
    {"DIK_R", 0x13, "R"},
    {"DIK_T", 0x14, "T"},
    {"DIK_Y", 0x15, "Y"},
    {"DIK_U", 0x16, "U"},
    {"DIK_I", 0x17, "I"},
    {"DIK_O", 0x18, "O"},
    {"DIK_P", 0x19, "P"},
    {"DIK_LBRACKET", 0x1A, "LBRACKET"},
    {"DIK_RBRACKET", 0x1B, "RBRACKET"},
    {"DIK_RETURN", 0x1C, "ENTER"},
    {"DIK_LCONTROL", 0x1D, "LCTRL"},
    {"DIK_A", 0x1E, "A"},
    {"DIK_S", 0x1F, "S"},
    {"DIK_D", 0x20, "D"},
    {"DIK_F", 0x21, "F"},
    {"DIK_G", 0x22, "G"},
    {"DIK_H", 0x23, "H"},
    {"DIK_J", 0x24, "J"},
    {"DIK_K", 0x25, "K"},
    {"DIK_L", 0x26, "L"},
    {"DIK_SEMICOLON", 0x27, "SEMICOLON"},
    {"DIK_APOSTROPHE", 0x28, "APOSTROPHE"},
    {"DIK_GRAVE", 0x29, "GRAVE"},
    {"DIK_LSHIFT", 0x2A, "LSHIFT"},
    {"DIK_BACKSLASH", 0x2B, "BACKSLASH"},
    {"DIK_Z", 0x2C, "Z"},
    {"DIK_X", 0x2D, "X"},
    {"DIK_C", 0x2E, "C"},
    {"DIK_V", 0x2F, "V"},
    {"DIK_B", 0x30, "B"},
    {"DIK_N", 0x31, "N"},
    {"DIK_M", 0x32, "M"},
    {"DIK_COMMA", 0x33, "COMMA"},
    {"DIK_PERIOD", 0x34, "PERIOD"},
    {"DIK_SLASH", 0x35, "SLASH"},
    {"DIK_RSHIFT", 0x36, "RSHIFT"},
    {"DIK_MULTIPLY", 0x37, "NUMMULTIPLY"},
    {"DIK_LMENU", 0x38, "LALT"},
    {"DIK_SPACE", 0x39, "SPACE"},
    {"DIK_CAPITAL", 0x3A, "CAPSLOCK"},
    {"DIK_F1", 0x3B, "F1"},
    {"DIK_F2", 0x3C, "F2"},
    {"DIK_F3", 0x3D, "F3"},
    {"DIK_F4", 0x3E, "F4"},
    {"DIK_F5", 0x3F, "F5"},
    {"DIK_F6", 0x40, "F6"},
    {"DIK_F7", 0x41, "F7"},
    {"DIK_F8", 0x42, "F8"},
    {"DIK_F9", 0x43, "F9"},
    {"DIK_F10", 0x44, "F10"},
    {"DIK_NUMLOCK", 0x45, "NUMLOCK"},
    {"DIK_SCROLL", 0x46, "SCROLLLOCK"},
    {"DIK_NUMPAD7", 0x47, "NUM7"},
    {"DIK_NUMPAD8", 0x48, "NUM8"},
    {"DIK_NUMPAD9", 0x49, "NUM9"},
    {"DIK_SUBTRACT", 0x4A, "NUMMINUS"},
    {"DIK_NUMPAD4", 0x4B, "NUM4"},
    {"DIK_NUMPAD5", 0x4C, "NUM5"},
    {"DIK_NUMPAD6", 0x4D, "NUM6"},
    {"DIK_ADD", 0x4E, "NUMPLUS"},
    {"DIK_NUMPAD1", 0x4F, "NUM1"},
    {"DIK_NUMPAD2", 0x50, "NUM2"},
    {"DIK_NUMPAD3", 0x51, "NUM3"},
    {"DIK_NUMPAD0", 0x52, "NUM0"},
    {"DIK_DECIMAL", 0x53, "NUMPERIOD"},
    {"DIK_F11", 0x57, "F11"},
    {"DIK_F12", 0x58, "F12"},
    {"DIK_NUMPADENTER", 0x9C, "NUMENTER"},
    {"DIK_RCONTROL", 0x9D, "RCTRL"},
    {"DIK_DIVIDE", 0xB5, "NUMDIVIDE"},
    {"DIK_SYSRQ", 0xB7, "PRINTSCREEN"},
    {"DIK_RMENU", 0xB8, "RALT"},
    {"DIK_PAUSE", 0xC5, "PAUSE"},
    {"DIK_HOME", 0xC7, "HOME"},
    {"DIK_UP", 0xC8, "UP"},
    {"DIK_PRIOR", 0xC9, "PAGEUP"},
    {"DIK_LEFT", 0xCB, "LEFT"},
    {"DIK_RIGHT", 0xCD, "RIGHT"},
    {"DIK_END", 0xCF, "END"},
    {"DIK_DOWN", 0xD0, "DOWN"},
    {"DIK_NEXT", 0xD1, "PAGEDOWN"},
    {"DIK_INSERT", 0xD2, "INSERT"},
    {"DIK_DELETE", 0xD3, "DELETE"},
    {"DIK_LWIN", 0xDB, "LWIN"},
    {"DIK_RWIN", 0xDC, "RWIN"},
    {"DIK_APPS", 0xDD, "APPS"},
};

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

bool WriteSampleConfig(const std::string& root)
{
    const std::string cfg = root + "\\DATA\\CONFIG\\cfg.ini";
    plat::DeleteFile(cfg.c_str());
    struct SEntry
    {
        const char* key;
        const char* value;
    };
    // A window rather than the full screen, so the sample runs beside other
    // windows; the rest are the start values, so that the file shows every
    // key the engine reads.
    const SEntry entries[] = {
        {"TextureBPS", "32"},
        {"TextureQuality", "1"},
        {"ModelQuality", "0"},
        {"VisibleRadius", "256"},
        {"ScreenWidth", "1024"},
        {"ScreenHeight", "768"},
        {"ScreenBPS", "32"},
        {"ScreenRefresh", "0"},
        {"Windowed", "1"},
        {"MapShadows", "1"},
        {"ShowFPS", "0"},
        {"MusicEnable", "1"},
        {"MusicVolume", "70"},
        {"SoundVolume", "80"},
        {"MaxSoundSources", "8"},
        {"MaxSoundSources2", "12"},
        {"HardwareSounds", "0"},
        {"PlayerFade", "0"},
        {"FullReflection", "0"},
        {"TextureCompression", "1"},
        {"FixFPS", "0"},
        {"UseSystemCursor", "0"},
        {"ForceScreenShots", "0"},
        {"GliderAnimation", "1"},
        {"Filtering", "1"},
        {"Anosotropy", "1"},
        {"Antializing", "0"},
        {"Video", "1"},
        {"ForceLinearFog", "0"},
        {"Codepage", "0"},
        {"Gamma", "0"},
        {"MTGamma", "1"},
        {"JPGQuality", "85"},
        {"UseStaticMapBuffer", "1"},
        {"SelectTargetTime", "1500"},
    };
    for (const SEntry& e : entries)
    {
        if (!plat::WritePrivateProfileString("CONFIG", e.key, e.value, cfg.c_str()))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", cfg.c_str());
            return false;
        }
    }
    // The world engine's keys: the cursor and the glider's engine sound.
    const SEntry world[] = {{"MMCONFIG", "FIXCURSOR=0"},   {"SND_ENG", "MIN_VOLUME=0"},
                            {"SND_ENG", "MAX_VOLUME=100"}, {"SND_ENG", "MAX_SPEED=300"},
                            {"SND_ENG", "MIN_FREQ=20000"}, {"SND_ENG", "MAX_FREQ=40000"}};
    bool ok = plat::WritePrivateProfileString("INPUT", "ForceFeedback", "1", cfg.c_str());
    // The network client's: the player's name, no host (search the local
    // network), no server of our own.
    ok = ok && plat::WritePrivateProfileString("NET", "Player", "Pilot", cfg.c_str()) &&
         plat::WritePrivateProfileString("NET", "Host", "", cfg.c_str()) &&
         plat::WritePrivateProfileString("NET", "RunServer", "0", cfg.c_str());
    for (const SEntry& e : world)
    {
        const std::string pair = e.value;
        const std::size_t eq = pair.find('=');
        ok = ok && plat::WritePrivateProfileString(e.key, pair.substr(0, eq).c_str(),
                                                   pair.substr(eq + 1).c_str(), cfg.c_str());
    }
    if (!ok)
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", cfg.c_str());
        return false;
    }
    return true;
}

bool WriteSampleKeyCodes(const std::string& root)
{
    std::vector<SDICodeLine> lines(std::begin(kKeys), std::end(kKeys));
    // Mouse buttons and joystick buttons share the code space of the keys.
    std::vector<std::string> names;
    names.reserve(8 * 2 + 32 * 2);
    for (int b = 0; b < 8; ++b)
    {
        names.push_back("MOUSE_" + std::to_string(b));
        names.push_back("MOUSE" + std::to_string(b + 1));
    }
    for (int i = 0; i < 32; ++i)
    {
        names.push_back("JOY_" + std::to_string(i));
        names.push_back("JOY" + std::to_string(i + 1));
    }
    for (std::size_t i = 0; i < names.size(); i += 2)
    {
        const std::uint16_t code = i < 16 ? static_cast<std::uint16_t>(0x101 + i / 2)
                                          : static_cast<std::uint16_t>(0x201 + (i - 16) / 2);
        lines.push_back(SDICodeLine{names[i].c_str(), code, names[i + 1].c_str()});
    }
    const std::string path = root + "\\Data\\CONFIG\\DICode.ini";
    if (!WriteDICodeTable(path.c_str(), lines.data(), static_cast<int>(lines.size())))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteSampleEffects(const std::string& root)
{
    struct SSample
    {
        const char* file;
        plat::EEffectKind kind;
        std::uint32_t durationUs;
        std::int32_t magnitude;
        std::uint32_t periodUs;
    };
    // idle is only loaded and stopped by the game; collision and the guns
    // are short shakes of different strength.
    const SSample samples[] = {
        {"idle.ffe", plat::EEffectKind::Constant, 100000, 1000, 0},
        {"coll.ffe", plat::EEffectKind::Constant, 300000, 8000, 0},
        {"light.ffe", plat::EEffectKind::Sine, 120000, 3000, 40000},
        {"heavy.ffe", plat::EEffectKind::Constant, 400000, 10000, 0},
    };
    for (const SSample& sample : samples)
    {
        plat::FileEffect effect;
        effect.name = sample.file;
        effect.params.kind = sample.kind;
        effect.params.durationUs = sample.durationUs;
        effect.params.magnitude = sample.magnitude;
        effect.params.periodUs = sample.periodUs;
        const std::string path = root + "\\Data\\FFE\\" + sample.file;
        if (!WriteBytes(path, plat::WriteEffectFile({effect})))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}
