#include "app/InputConfig.h"

#include "foundation/DICodeTable.h"
#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "foundation/Settings.h"
#include "platform/CodePage.h"
#include "platform/Ini.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

CInputConfig g_InputConfig;

namespace
{
constexpr const char* kSection = "INPUT";
constexpr int kKeyLeftAlt = 0x38;
constexpr int kKeyEnter = 28;

struct SBinding
{
    const char* name;
    std::uint16_t code;
};

// By slot: the configuration key and the default code.
constexpr SBinding kBindings[CInputConfig::kKeyCount] = {
    {"FORWARD", 0x11},           {"FORWARD2", 0xC8},       {"BACKWARD", 0x1F},
    {"BACKWARD2", 0xD0},         {"LEFT", 0xCB},           {"LEFT2", 0},
    {"RIGHT", 0xCD},             {"RIGHT2", 0},            {"STRAFELEFT", 0x1E},
    {"STRAFERIGHT", 0x20},       {"STRAFELEFT2", 0x1E},    {"STRAFERIGHT2", 0x20},
    {"FIRE", 0x1D},              {"FIRE2", 257},           {"FIRE3", 513},
    {"FIREALT", 0x36},           {"FIREALT2", 258},        {"FIREALT3", 514},
    {"ROCKET", 0x3A},            {"ROCKET2", 259},         {"ROCKET3", 515},
    {"BOMB", 0x30},              {"BOMB2", 0x30},          {"MINE", 0x2F},
    {"MINE2", 0x2F},             {"JUMP", 0x39},           {"JUMP2", 516},
    {nullptr, 0},                {"BRAKE", 0x2D},          {"BRAKE2", 517},
    {"NIGHTLIGHTTOGGLE", 0x16},  {"NIGHTLIGHTTOGGLE2", 0x16}, {"SHOWHOLD", 0x23},
    {"SHOWHOLD2", 0x23},         {"SHOWMAP", 0x32},        {"SHOWMAP2", 0x32},
    {"SHOWJOURNAL", 0x24},       {"SHOWJOURNAL2", 0x24},   {"BOOSTER", 0x02},
    {"BOOSTER2", 0x02},          {"INVISIVILITY", 0x04},   {"INVISIVILITY2", 0x04},
    {"SHIELD", 0x05},            {"SHIELD2", 0x05},        {"STASIS", 0x06},
    {"STASIS2", 0x06},           {"PUSHER", 0x0B},         {"PUSHER2", 0x0B},
    {"ALWAYSRUN", 0x3A},         {"ALWAYSRUN2", 0x3A},     {"RUN", 0x2A},
    {"RUN2", 0x2A},              {"SELECT", 0x0F},         {"SELECT2", 0x0F},
    {"CHANGEAMMO", 0x10},        {"CHANGEAMMO2", 0x10},    {"CRUISE", 0x29},
    {"CRUISE2", 0x29},
};

// The order the options page writes the bindings in.
using K = CInputConfig;
constexpr int kSaveOrder[] = {
    K::KEY_FORWARD,     K::KEY_FORWARD2,     K::KEY_BACKWARD,     K::KEY_BACKWARD2,   K::KEY_RIGHT,
    K::KEY_RIGHT2,      K::KEY_LEFT,         K::KEY_LEFT2,        K::KEY_STRAFERIGHT, K::KEY_STRAFELEFT,
    K::KEY_STRAFERIGHT2, K::KEY_STRAFELEFT2, K::KEY_FIRE,         K::KEY_FIRE2,       K::KEY_FIRE3,
    K::KEY_FIREALT,     K::KEY_FIREALT2,     K::KEY_FIREALT3,     K::KEY_ROCKET,      K::KEY_ROCKET2,
    K::KEY_ROCKET3,     K::KEY_BOMB,         K::KEY_BOMB2,        K::KEY_MINE,        K::KEY_MINE2,
    K::KEY_JUMP,        K::KEY_JUMP2,        K::KEY_BRAKE,        K::KEY_BRAKE2,      K::KEY_NIGHTLIGHT,
    K::KEY_NIGHTLIGHT2, K::KEY_SHOWHOLD,     K::KEY_SHOWHOLD2,    K::KEY_SHOWMAP,     K::KEY_SHOWMAP2,
    K::KEY_SHOWJOURNAL, K::KEY_SHOWJOURNAL2, K::KEY_BOOSTER,      K::KEY_BOOSTER2,    K::KEY_SHIELD,
    K::KEY_SHIELD2,     K::KEY_STASIS,       K::KEY_STASIS2,      K::KEY_PUSHER,      K::KEY_PUSHER2,
    K::KEY_INVISIBILITY, K::KEY_INVISIBILITY2, K::KEY_RUN,        K::KEY_RUN2,        K::KEY_ALWAYSRUN,
    K::KEY_ALWAYSRUN2,  K::KEY_SELECT,       K::KEY_SELECT2,      K::KEY_CHANGEAMMO,  K::KEY_CHANGEAMMO2,
    K::KEY_CRUISE,      K::KEY_CRUISE2,
};
static_assert(std::size(kSaveOrder) == CInputConfig::kKeyCount - 1);

// The typed codes, spelled in DirectInput key codes.
constexpr std::uint16_t kMoney[] = {0x22, 0x17, 0x32, 0x32, 0x12, 0x14, 0x23,
                                    0x12, 0x32, 0x18, 0x31, 0x12, 0x15}; // GIMMETHEMONEY
constexpr std::uint16_t kIronHull[] = {0x17, 0x13, 0x18, 0x31, 0x23, 0x16, 0x26, 0x26}; // IRONHULL
constexpr std::uint16_t kSeeItAll[] = {0x1F, 0x12, 0x12, 0x17, 0x14, 0x1E, 0x26, 0x26}; // SEEITALL
constexpr std::uint16_t kWorkshop[] = {0x11, 0x18, 0x13, 0x25, 0x1F, 0x23,
                                       0x18, 0x19, 0x18, 0x19, 0x12, 0x31}; // WORKSHOPOPEN
constexpr std::uint16_t kEveryone[] = {0x12, 0x2F, 0x12, 0x13, 0x15, 0x18,
                                       0x31, 0x12, 0x32, 0x17, 0x31, 0x12}; // EVERYONEMINE
constexpr std::uint16_t kGiveLoot[] = {0x22, 0x17, 0x2F, 0x12, 0x26, 0x18, 0x18, 0x14}; // GIVELOOT

struct STypedCode
{
    const std::uint16_t* keys;
    int length;
};
constexpr STypedCode kTypedCodes[CInputConfig::kTypedCodeCount] = {
    {kMoney, 13}, {kIronHull, 8}, {kSeeItAll, 8}, {kWorkshop, 12}, {kEveryone, 12}, {kGiveLoot, 8},
};
static_assert(std::size(kMoney) == 13 && std::size(kIronHull) == 8 && std::size(kSeeItAll) == 8 &&
              std::size(kWorkshop) == 12 && std::size(kEveryone) == 12 && std::size(kGiveLoot) == 8);

std::string ConfigPath(const char* fileName)
{
    return GetEngineBaseDirectory() + "DATA\\CONFIG\\" + (fileName ? fileName : "");
}

void StorePath(char (&out)[260], const std::string& path)
{
    std::snprintf(out, sizeof out, "%s", path.c_str());
}
} // namespace

CInputConfig::CInputConfig() = default;

CInputConfig::~CInputConfig()
{
    Done();
}

IInput* CInputConfig::GetInput() const
{
    return m_pInput ? m_pInput : g_pInput;
}

const char* CInputConfig::GetBindingName(int slot)
{
    return slot >= 0 && slot < kKeyCount ? kBindings[slot].name : nullptr;
}

std::uint16_t CInputConfig::GetDefaultCode(int slot)
{
    return slot >= 0 && slot < kKeyCount ? kBindings[slot].code : 0;
}

const std::uint16_t* CInputConfig::GetTypedCode(int code, int* length)
{
    if (code < 1 || code > kTypedCodeCount) return nullptr;
    if (length) *length = kTypedCodes[code - 1].length;
    return kTypedCodes[code - 1].keys;
}

const char* CInputConfig::GetKeyNameByCode(std::uint16_t code)
{
    for (const SDICode& e : g_DICodeTable.entries)
        if (e.code == code) return e.name;
    return nullptr;
}

std::uint16_t CInputConfig::GetKeyCodeByName(const char* name)
{
    if (!name) return 0;
    for (const SDICode& e : g_DICodeTable.entries)
        if (plat::CompareNoCase1251(e.name, name) == 0) return e.code;
    return 0;
}

void CInputConfig::LoadKeyConfig(const char* fileName, std::uint16_t* keys, SInputOptions* options)
{
    XTRACE("CInputConfig::LoadKeyConfig");
    const std::string path = ConfigPath(fileName);
    StorePath(m_szPath, path);
    // A key absent from the section is told from an empty one by a default
    // no key name can be.
    constexpr const char* kAbsent = "\x01";
    for (int slot = 0; slot < kKeyCount; ++slot)
    {
        const char* name = kBindings[slot].name;
        if (!name) continue;
        char value[1024] = {};
        plat::GetPrivateProfileString(kSection, name, kAbsent, value, sizeof value, path.c_str());
        if (std::strcmp(value, kAbsent) == 0)
            keys[slot] = kBindings[slot].code;
        else
            keys[slot] = value[0] ? GetKeyCodeByName(value) : 0;
    }
    auto flag = [&](const char* key)
    {
        return std::uint8_t(std::int32_t(plat::GetPrivateProfileInt(kSection, key, 0, path.c_str())) == 1);
    };
    // Read signed: a negative entry is the least sensitivity, not a huge one.
    const std::int32_t sensitivity =
        std::int32_t(plat::GetPrivateProfileInt(kSection, "MouseSensitivity", 5, path.c_str()));
    options->MouseSensitivity = float(std::clamp(sensitivity, 0, kMaxMouseSensitivity)) + 1.0f;
    options->InverseMouse = flag("InverseMouse");
    options->MouseAutoRotate = flag("MouseAutoRotate");
    options->AutoFire = flag("AutoFire");
    options->CenterFire = flag("CenterFire");
    options->Joystick = flag("Joystick");
    options->SensitivityJoystick =
        std::int32_t(plat::GetPrivateProfileInt(kSection, "SensitivityJoystick", 0, path.c_str()));
    if (IInput* input = GetInput()) input->SetJoystickEnabled(options->Joystick != 0);
}

void CInputConfig::SaveKeyConfig(const char* fileName, const std::uint16_t* keys, const SInputOptions* options)
{
    XTRACE("CInputConfig::SaveKeyConfig");
    const std::string path = ConfigPath(fileName);
    StorePath(m_szPath, path);
    for (int slot : kSaveOrder)
    {
        const char* name = keys[slot] ? GetKeyNameByCode(keys[slot]) : nullptr;
        // A code without a name is written as unbound: left out, the old
        // value would come back at the next load.
        if (keys[slot] && !name)
            g_ErrorLog.LogDebug("Key %s: code %u has no name, saved unbound", kBindings[slot].name,
                                unsigned(keys[slot]));
        plat::WritePrivateProfileString(kSection, kBindings[slot].name, name ? name : "", path.c_str());
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d", int(options->MouseSensitivity - 1.0f));
    plat::WritePrivateProfileString(kSection, "MouseSensitivity", text, path.c_str());
    plat::WritePrivateProfileString(kSection, "InverseMouse", options->InverseMouse ? "1" : "0", path.c_str());
    plat::WritePrivateProfileString(kSection, "MouseAutoRotate", options->MouseAutoRotate ? "1" : "0",
                                    path.c_str());
    IInput* input = GetInput();
    const bool joystick = input ? input->IsJoystickEnabled() : options->Joystick != 0;
    plat::WritePrivateProfileString(kSection, "Joystick", joystick ? "1" : "0", path.c_str());
}

bool CInputConfig::IsKeyDown(std::uint16_t code) const
{
    IInput* input = GetInput();
    return input && code && input->IsDown(code);
}

bool CInputConfig::WasKeyPressed(std::uint16_t code) const
{
    IInput* input = GetInput();
    return input && code && input->IsPressed(code);
}

bool CInputConfig::WasKeyReleased(std::uint16_t code) const
{
    IInput* input = GetInput();
    return input && code && input->IsReleased(code);
}

bool CInputConfig::Down(int a, int b) const
{
    return IsKeyDown(m_Keys[a]) || IsKeyDown(m_Keys[b]);
}

bool CInputConfig::Pressed(int a, int b) const
{
    return WasKeyPressed(m_Keys[a]) || WasKeyPressed(m_Keys[b]);
}

bool CInputConfig::Released(int a, int b) const
{
    return WasKeyReleased(m_Keys[a]) || WasKeyReleased(m_Keys[b]);
}

std::int32_t CInputConfig::HeldState(int a, int b) const
{
    if (Released(a, b)) return 2;
    return Down(a, b) ? 1 : 0;
}

void CInputConfig::ApplyHat(int pov)
{
    // A centred hat reports a value above 36000 (or -1).
    if (pov < 0 || pov > 36000) return;
    SActionState& s = m_Actions;
    const double a = pov * 0.000174533;
    if (pov != 9000 && pov != 27000) s.Thrust += std::cos(a) > 0.0 ? 1.0f : -1.0f;
    if (pov != 0 && pov != 18000)
    {
        const float k = float(m_Options.SensitivityJoystick) * 0.1f;
        s.Turn += std::sin(a) > 0.0 ? -k : k;
    }
}

void CInputConfig::ProcessInput()
{
    SActionState& s = m_Actions;
    s = SActionState();
    IInput* input = GetInput();
    if (!input) return;
    input->Update();
    InputVector mouse = input->GetMouseDelta();
    if (m_Options.InverseMouse) mouse.y = -mouse.y;

    if (Down(KEY_FORWARD, KEY_FORWARD2)) s.Thrust = 1.0f;
    if (Down(KEY_BACKWARD, KEY_BACKWARD2)) s.Thrust -= 0.5f;
    if (Down(KEY_LEFT, KEY_LEFT2)) s.Turn = 1.0f;
    if (Down(KEY_RIGHT, KEY_RIGHT2)) s.Turn -= 1.0f;

    if (input->IsJoystickEnabled())
    {
        ApplyHat(input->GetJoystickPov());
        const float k = float(m_Options.SensitivityJoystick) * 0.1f;
        const InputVector axes = input->GetJoystickAxes();
        const InputVector rotation = input->GetJoystickRotation();
        const InputVector sliders = input->GetJoystickSliders();
        s.Turn -= axes.x * k;
        s.LookVertical -= axes.y * k;
        s.Thrust -= axes.z + rotation.z + sliders.x;
        s.Turn = std::clamp(s.Turn, -1.0f, 1.0f);
        s.Thrust = std::min(s.Thrust, 1.0f);
    }

    if (Down(KEY_STRAFELEFT, KEY_STRAFELEFT2)) s.Strafe = 1.0f;
    if (Down(KEY_STRAFERIGHT, KEY_STRAFERIGHT2)) s.Strafe -= 1.0f;
    s.StrafeLeftState = HeldState(KEY_STRAFELEFT, KEY_STRAFELEFT2);
    s.StrafeRightState = HeldState(KEY_STRAFERIGHT, KEY_STRAFERIGHT2);
    s.JumpState = HeldState(KEY_JUMP, KEY_JUMP2);
    s.BombState = HeldState(KEY_BOMB, KEY_BOMB2);

    // The third fire bindings are kept for the options page; the frame
    // consults the first two.
    s.Fire = Down(KEY_FIRE, KEY_FIRE2);
    s.FireAlt = Down(KEY_FIREALT, KEY_FIREALT2);
    s.Rocket = Down(KEY_ROCKET, KEY_ROCKET2);
    s.Mine = Pressed(KEY_MINE, KEY_MINE2);
    s.JumpPressed = Pressed(KEY_JUMP, KEY_JUMP2);
    s.Brake = Down(KEY_BRAKE, KEY_BRAKE2);
    s.NightLight = Pressed(KEY_NIGHTLIGHT, KEY_NIGHTLIGHT2);
    s.ShowHold = Released(KEY_SHOWHOLD, KEY_SHOWHOLD2);
    s.ShowMap = Released(KEY_SHOWMAP, KEY_SHOWMAP2);
    s.ShowJournal = Released(KEY_SHOWJOURNAL, KEY_SHOWJOURNAL2);
    s.Booster = Pressed(KEY_BOOSTER, KEY_BOOSTER2);
    s.Invisibility = Pressed(KEY_INVISIBILITY, KEY_INVISIBILITY2);
    s.Shield = Pressed(KEY_SHIELD, KEY_SHIELD2);
    s.Stasis = Pressed(KEY_STASIS, KEY_STASIS2);
    s.Pusher = Pressed(KEY_PUSHER, KEY_PUSHER2);
    s.Run = Down(KEY_RUN, KEY_RUN2);
    s.AlwaysRun = Pressed(KEY_ALWAYSRUN, KEY_ALWAYSRUN2);
    s.Select = Pressed(KEY_SELECT, KEY_SELECT2);
    s.ChangeAmmo = Pressed(KEY_CHANGEAMMO, KEY_CHANGEAMMO2);
    s.Cruise = Pressed(KEY_CRUISE, KEY_CRUISE2);

    // Left Alt with fire: no shot, one target selection per fire press.
    if (!s.Fire)
        m_bAltSelectArmed = true;
    else if (input->IsDown(kKeyLeftAlt))
    {
        s.Fire = 0;
        if (m_bAltSelectArmed)
        {
            s.Select = 1;
            m_bAltSelectArmed = false;
        }
    }

    const float x = mouse.x + m_vMouseCarry.x;
    if (x != 0.0f) s.LookHorizontal -= x * m_Options.MouseSensitivity * 0.05f;
    if (mouse.y != 0.0f) s.LookVertical += mouse.y * m_Options.MouseSensitivity * 0.05f;

    CheckTypedCode();
}

int CInputConfig::CheckTypedCode()
{
    IInput* input = GetInput();
    if (!input) return 0;
    const InputQueue& events = input->GetEvents();
    const int count = std::clamp(events.count, 0, InputQueue::kCapacity);
    for (int i = 0; i < count; ++i)
    {
        const InputEvent& e = events.entries[i];
        if (e.kind != 1 || !e.isDown) continue;
        if (e.code == kKeyEnter)
        {
            const int n = m_nTypedCount - 1;
            m_nTypedCount = 1;
            if (n < 1) continue;
            for (int c = 0; c < kTypedCodeCount; ++c)
            {
                const STypedCode& code = kTypedCodes[c];
                if (code.length != n || !std::equal(m_Typed, m_Typed + n, code.keys)) continue;
                // The keys of this frame are spent on the code.
                input->Update();
                if (m_pfnTypedCode) m_pfnTypedCode(c + 1);
                return c + 1;
            }
            continue;
        }
        if (m_nTypedCount == 0) continue;
        if (m_nTypedCount < kTypedSlots)
        {
            m_Typed[m_nTypedCount - 1] = e.code;
            ++m_nTypedCount;
        }
        else
            m_nTypedCount = 0; // too long: nothing until the next Enter
    }
    return 0;
}
