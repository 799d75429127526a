// CInputConfig: the player's key bindings and input options, and the
// per-frame action state built from them.
//
// 58 binding slots (two bindings for most actions, three for the fire
// actions; slot 27 is not used) are stored by key name in section "INPUT"
// of "DATA\CONFIG\cfg.ini" below the engine's base directory; the names
// are those of the key-name table ("Data\CONFIG\DICode.ini",
// foundation/DICodeTable.h). Codes: 1-255 keyboard (DirectInput key
// codes), 257 + n mouse button n, 513 + n joystick button n; 0 unbound.
//
// ProcessInput runs once per game frame: it updates the device, rebuilds
// the action state (keys, mouse, the joystick's hat and axes) and runs the
// typed-code collector. The player input (CMMApp::ProcessInput) reads the
// result. The holder also keeps the four force-feedback effects of the
// joystick (idle, collision, light gun, heavy gun) and their gate.
//
// The device read is g_pInput unless a test or the frame hands another one
// to SetInput.
//
// Threads: main thread. One global instance, g_InputConfig.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>

class CGliderObject;
class CGun;
class CInputEffect;
class CMMObject;
class IInput;

// 0 idle, 1 held, 2 released this frame.
struct SActionState
{
    float Thrust = 0.0f;
    float Turn = 0.0f;
    float Pitch = 0.0f; // written by the player input only
    float LookVertical = 0.0f;
    float LookHorizontal = 0.0f;
    float Spare[2] = {};
    float Strafe = 0.0f;
    std::int32_t StrafeLeftState = 0;
    std::int32_t StrafeRightState = 0;
    std::uint8_t Fire = 0;
    std::uint8_t FireAlt = 0;
    std::uint8_t Rocket = 0;
    std::int32_t BombState = 0;
    std::uint8_t Mine = 0; // on press
    std::int32_t JumpState = 0;
    std::uint8_t JumpPressed = 0;
    std::uint8_t Brake = 0;       // held
    std::uint8_t NightLight = 0;  // on press
    std::uint8_t ShowHold = 0;    // on release
    std::uint8_t ShowMap = 0;     // on release
    std::uint8_t ShowJournal = 0; // on release
    std::uint8_t Booster = 0;     // on press
    std::uint8_t Camouflage = 0;  // never set here
    std::uint8_t Invisibility = 0;
    std::uint8_t Shield = 0;
    std::uint8_t Stasis = 0;
    std::uint8_t Pusher = 0;
    std::uint8_t Run = 0; // held
    std::uint8_t AlwaysRun = 0;
    std::uint8_t Select = 0;
    std::uint8_t ChangeAmmo = 0;
    std::uint8_t Cruise = 0;
};

struct SInputOptions
{
    // The file's value plus 1.0 (the file's default 5 reads as 6.0).
    float MouseSensitivity = 6.0f;
    std::uint8_t InverseMouse = 0;
    std::uint8_t MouseAutoRotate = 0;
    std::uint8_t Joystick = 0;
    std::int32_t SensitivityJoystick = 0;
    std::uint8_t AutoFire = 0;
    std::uint8_t CenterFire = 0;
};

class CInputConfig
{
public:
    static constexpr int kKeyCount = 58;
    static constexpr int kTypedSlots = 19;
    static constexpr int kMaxTypedKeys = 18;
    static constexpr int kTypedCodeCount = 6;
    // A stored MouseSensitivity is clamped to this range before the 1.0 is
    // added (a negative or huge entry would stop or spin the mouse look).
    static constexpr int kMaxMouseSensitivity = 100;

    // The binding slots.
    enum EKey
    {
        KEY_FORWARD = 0,
        KEY_FORWARD2,
        KEY_BACKWARD,
        KEY_BACKWARD2,
        KEY_LEFT,
        KEY_LEFT2,
        KEY_RIGHT,
        KEY_RIGHT2,
        KEY_STRAFELEFT,
        KEY_STRAFERIGHT,
        KEY_STRAFELEFT2,
        KEY_STRAFERIGHT2,
        KEY_FIRE,
        KEY_FIRE2,
        KEY_FIRE3,
        KEY_FIREALT,
        KEY_FIREALT2,
        KEY_FIREALT3,
        KEY_ROCKET,
        KEY_ROCKET2,
        KEY_ROCKET3,
        KEY_BOMB,
        KEY_BOMB2,
        KEY_MINE,
        KEY_MINE2,
        KEY_JUMP,
        KEY_JUMP2,
        KEY_UNUSED,
        KEY_BRAKE,
        KEY_BRAKE2,
        KEY_NIGHTLIGHT,
        KEY_NIGHTLIGHT2,
        KEY_SHOWHOLD,
        KEY_SHOWHOLD2,
        KEY_SHOWMAP,
        KEY_SHOWMAP2,
        KEY_SHOWJOURNAL,
        KEY_SHOWJOURNAL2,
        KEY_BOOSTER,
        KEY_BOOSTER2,
        KEY_INVISIBILITY,
        KEY_INVISIBILITY2,
        KEY_SHIELD,
        KEY_SHIELD2,
        KEY_STASIS,
        KEY_STASIS2,
        KEY_PUSHER,
        KEY_PUSHER2,
        KEY_ALWAYSRUN,
        KEY_ALWAYSRUN2,
        KEY_RUN,
        KEY_RUN2,
        KEY_SELECT,
        KEY_SELECT2,
        KEY_CHANGEAMMO,
        KEY_CHANGEAMMO2,
        KEY_CRUISE,
        KEY_CRUISE2,
    };
    static_assert(KEY_CRUISE2 == kKeyCount - 1);

    // The force-feedback holders, in the order of their files.
    enum EEffect
    {
        FFE_IDLE,
        FFE_COLLISION,
        FFE_LIGHT_GUN,
        FFE_HEAVY_GUN,
        FFE_COUNT
    };

    CInputConfig();
    ~CInputConfig();
    CInputConfig(const CInputConfig&) = delete;
    CInputConfig& operator=(const CInputConfig&) = delete;

    // The key-name table, then the four effects (ForceFeedback.cpp).
    void Init();
    // Releases the effects.
    void Done();

    // Bindings and options from "DATA\CONFIG\" + fileName below the base
    // directory: an absent key takes its default, an empty value or a name
    // the key-name table lacks is unbound. The joystick option goes to the
    // device.
    void LoadKeyConfig(const char* fileName, std::uint16_t* keys, SInputOptions* options);
    // Writes them back in the order of the options page; a code the table
    // does not name is written as unbound, so that a reload agrees with
    // what the game used.
    void SaveKeyConfig(const char* fileName, const std::uint16_t* keys, const SInputOptions* options);

    // The key-name table: first match wins; null / 0 when absent.
    static const char* GetKeyNameByCode(std::uint16_t code);
    static std::uint16_t GetKeyCodeByName(const char* name);
    // The configuration key of a binding slot (null for the unused one) and
    // its default code.
    static const char* GetBindingName(int slot);
    static std::uint16_t GetDefaultCode(int slot);

    bool IsKeyDown(std::uint16_t code) const;
    bool WasKeyPressed(std::uint16_t code) const;
    bool WasKeyReleased(std::uint16_t code) const;

    // Once per game frame (and per frame of the end texts): the device
    // updated, the action state rebuilt, the typed codes collected.
    void ProcessInput();
    // The typed-code collector over this frame's key events; returns the
    // code (1-6) that matched, 0 for none. A match runs m_pfnTypedCode.
    int CheckTypedCode();

    // Force feedback (ForceFeedback.cpp). Nothing happens unless the
    // "ForceFeedback" setting is on and the device has a force-feedback
    // joystick that the options enabled.
    bool IsForceFeedbackOn() const;
    void StopFFEffects();
    void PlayCollisionEffect();
    void StartLightGunEffect();
    void StopLightGunEffect();
    void StartHeavyGunEffect();

    // The guns' recoil once a frame: the light effect while the first gun
    // slot's light gun fires (stopped otherwise), the heavy effect when the
    // second slot's heavy gun fires.
    void UpdateGunRecoil(const CGun* first, const CGun* second);

    // The device read (g_pInput when null).
    void SetInput(IInput* input) { m_pInput = input; }
    IInput* GetInput() const;

    // The typed codes: their keys in DirectInput codes (which keys spell
    // each code is this program's choice).
    static const std::uint16_t* GetTypedCode(int code, int* length);

    char m_szPath[260] = {};
    CInputEffect* m_pEffects[FFE_COUNT] = {};
    CVector m_vMouseCarry;
    std::uint16_t m_Keys[kKeyCount] = {};
    SActionState m_Actions;
    SInputOptions m_Options;
    std::uint16_t m_Typed[kTypedSlots] = {};
    // 0 collecting is off; n >= 1 armed with n - 1 keys collected.
    std::int32_t m_nTypedCount = 0;
    // Run for a matched typed code (1-6); the application installs it.
    void (*m_pfnTypedCode)(int code) = nullptr;

private:
    bool Down(int a, int b) const;
    bool Pressed(int a, int b) const;
    bool Released(int a, int b) const;
    // 1 held, 2 released this frame (release wins), else 0.
    std::int32_t HeldState(int a, int b) const;
    void ApplyHat(int pov);

    IInput* m_pInput = nullptr;
    // The alternate-fire select latch: armed while fire is not held.
    bool m_bAltSelectArmed = true;
};

extern CInputConfig g_InputConfig;

// ---- the player input's steps (MMApp_Input.cpp, PlayerCommands.cpp) ----

// One frame of sight steering from the offsets h and v: the glider's yaw
// and pitch inputs, the offsets for the next frame and the sight's
// forward part (sight = side x h + up x v + forward x forward).
struct SSightStep
{
    float yaw = 0.0f;
    float pitch = 0.0f;
    float h = 0.0f;
    float v = 0.0f;
    float forward = 1.0f;
};
SSightStep SteerSight(float h, float v, float turn, float lookHorizontal, float lookVertical, bool autoRotate,
                      float dt);
// Run and cruise: a negative thrust ends cruise, cruise holds full thrust
// (neither with the fixed cursor); Run alone or AlwaysRun alone doubles a
// forward thrust.
float ApplyRunAndCruise(float thrust, bool run, bool alwaysRun, bool* cruise, bool fixCursor);
// The brake value (the physics' grip) of the brake action: 0 released, 1
// held, 5 held with the brake booster.
float BrakeValue(bool brake, bool strongBrake);
// The energy a shield switched off gives back: 2 x (first / second value
// of the shield device) x the shield left; nothing for a second value 0.
float ShieldGiveBack(float first, float second, float shield);
// How ready the glider's bombs are: 0 without a bomb mount or a bomb, up to
// 1 as their reload comes round.
float BombReadiness(const CGliderObject& glider);

// A glider near the sight, as the target choice weighs it.
struct STargetCandidate
{
    CMMObject* object = nullptr;
    bool direct = false;  // the sight ray hits it
    float cosine = 0.0f;  // of the angle between the glider's heading and it
    float range = 0.0f;   // its distance + 10
};
// A direct hit; else with no current target the nearest in the cone; else
// the first in the cone by list order whose object number is greater than
// the current one's; else the first in the cone unless it is the current
// one; else none.
CMMObject* ChooseTarget(const STargetCandidate* candidates, int count, const CMMObject* current);
// (index + step) mod count, 0 for one entry or none.
int NextCycleIndex(int index, int step, int count);
