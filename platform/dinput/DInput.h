// Keyboard, mouse and joystick devices in the shape of DirectInput 8.
//
// An InputSystem (the DirectInput object) is made over an event source: SDL
// (the desktop) or, in tests, a ScriptedInputSource. It creates the system
// keyboard, the system mouse and joysticks; each device buffers its events
// (key presses, mouse motion, wheel and buttons) while it is acquired and
// reports its immediate state. The numbers callers see are DirectInput's:
// keys are DIK codes (0-255), mouse offsets and the 272-byte extended
// joystick state keep their layouts, the wheel moves 120 per notch and a
// point-of-view hat reads hundredths of a degree clockwise from north, or
// 0xFFFFFFFF when centred.
//
// Acquisition: a device delivers nothing until acquired. A foreground device
// is lost when the window loses the focus: its buffer is emptied and reads
// fail with DIERR_INPUTLOST until it is acquired again; acquiring fails with
// DIERR_OTHERAPPHASPRIO while the window has no focus.
//
// Ownership: the desktop system owns its source, a test's system does not;
// devices and effects are released by deleting them (every device must be
// deleted before its system; an effect may outlive both and then does
// nothing). Threads: a system and its
// devices belong to one thread (the window's); events may arrive from the
// SDL event pump on that thread.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat
{

class Window;
class IInputSource;

// Result codes.
constexpr HResult DI_OK = S_OK;
constexpr HResult DI_BUFFEROVERFLOW = S_FALSE; // data was lost since the last read; what is left is returned
constexpr HResult DI_NOEFFECT = S_FALSE;
constexpr HResult DIERR_INPUTLOST = static_cast<HResult>(0x8007001Eu);
constexpr HResult DIERR_NOTACQUIRED = static_cast<HResult>(0x8007000Cu);
constexpr HResult DIERR_OTHERAPPHASPRIO = static_cast<HResult>(0x80070005u);
constexpr HResult DIERR_NOTBUFFERED = static_cast<HResult>(0x80040207u);
constexpr HResult DIERR_DEVICENOTREG = static_cast<HResult>(0x80040154u);
constexpr HResult DIERR_INVALIDPARAM = E_INVALIDARG;
constexpr HResult DIERR_UNSUPPORTED = E_NOTIMPL;

// Cooperative levels. Exclusive access and the Windows-key lock are
// accepted and kept; the desktop decides them here.
constexpr std::uint32_t DISCL_EXCLUSIVE = 0x01;
constexpr std::uint32_t DISCL_NONEXCLUSIVE = 0x02;
constexpr std::uint32_t DISCL_FOREGROUND = 0x04;
constexpr std::uint32_t DISCL_BACKGROUND = 0x08;
constexpr std::uint32_t DISCL_NOWINKEY = 0x10;

// Buffered data offsets of the mouse (those of MouseState).
constexpr std::uint32_t MOUSE_OFS_X = 0;
constexpr std::uint32_t MOUSE_OFS_Y = 4;
constexpr std::uint32_t MOUSE_OFS_Z = 8;
constexpr std::uint32_t MOUSE_OFS_BUTTON0 = 12; // buttons 0-7 at 12-19

constexpr std::uint32_t POV_CENTERED = 0xFFFFFFFFu;
constexpr std::uint32_t EFFECT_INFINITE = 0xFFFFFFFFu;

// One buffered event. Keyboard: offset = DIK code, data 0x80 pressed or 0
// released. Mouse: offset = MOUSE_OFS_*, data the signed motion (as u32) or
// 0x80/0 for a button.
struct InputDeviceData
{
    std::uint32_t offset = 0;
    std::uint32_t data = 0;
    std::uint32_t timeStamp = 0; // GetTickCount when the event arrived
    std::uint32_t sequence = 0;  // rises across all devices of a system
};

// Immediate mouse state: motion since the previous state read, buttons 0x80 when down.
struct MouseState
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
    std::uint8_t buttons[8] = {};
};
static_assert(sizeof(MouseState) == 20);

// The extended joystick state (272 bytes). Axes and sliders in the device's
// range; only position, sliders, hats and buttons are filled, the velocity,
// acceleration and force fields stay 0.
struct JoyState
{
    std::int32_t x = 0, y = 0, z = 0;
    std::int32_t rx = 0, ry = 0, rz = 0;
    std::int32_t sliders[2] = {};
    std::uint32_t pov[4] = {POV_CENTERED, POV_CENTERED, POV_CENTERED, POV_CENTERED};
    std::uint8_t buttons[128] = {};
    std::int32_t velocity[8] = {};
    std::int32_t acceleration[8] = {};
    std::int32_t force[8] = {};
};
static_assert(sizeof(JoyState) == 272);

enum class EInputDeviceKind
{
    Keyboard,
    Mouse,
    Joystick,
};

struct JoystickInfo
{
    int index = -1; // as the source counts its joysticks
    std::string name;
    bool forceFeedback = false;
};

// A force-feedback effect as an effect file stores it (see EffectFile.h).
enum class EEffectKind
{
    Constant,
    Ramp,
    Square,
    Sine,
    Triangle,
    SawtoothUp,
    SawtoothDown,
    Spring,
    Damper,
    Inertia,
    Friction,
    Custom,
};

struct EffectParams
{
    EEffectKind kind = EEffectKind::Constant;
    std::uint32_t durationUs = 0;   // EFFECT_INFINITE: until stopped
    std::uint32_t gain = 10000;     // 0..10000
    std::int32_t magnitude = 10000; // -10000..10000 (ramp: start)
    std::int32_t rampEnd = 0;
    std::uint32_t periodUs = 0; // periodic kinds; 0: the device's own
    std::uint32_t startDelayUs = 0;
};

class InputEffect
{
public:
    virtual ~InputEffect() = default;
    // Plays the effect iterations times (EFFECT_INFINITE: until stopped).
    virtual HResult Start(std::uint32_t iterations, std::uint32_t flags) = 0;
    virtual HResult Stop() = 0;
};

class InputDevice
{
public:
    virtual ~InputDevice() = default;

    virtual EInputDeviceKind Kind() const = 0;
    virtual HResult SetCooperativeLevel(Window* window, std::uint32_t flags) = 0;
    // Events kept between reads; 0 switches buffering off. At most 1024.
    virtual HResult SetBufferSize(std::uint32_t events) = 0;
    // Joystick: the range every axis and slider reports (default 0..65535).
    virtual HResult SetAxisRange(std::int32_t min, std::int32_t max) = 0;
    // Joystick with force feedback: the device's own centring spring.
    virtual HResult SetAutoCenter(bool on) = 0;
    virtual HResult Acquire() = 0;
    virtual HResult Unacquire() = 0;
    virtual HResult Poll() = 0;
    // Takes up to *count buffered events, oldest first; *count receives the
    // number taken. DI_BUFFEROVERFLOW when events were dropped since the
    // last read because the buffer was full.
    virtual HResult GetDeviceData(InputDeviceData* out, std::uint32_t* count) = 0;
    // size must be the state's size: 256 (keyboard), sizeof(MouseState),
    // sizeof(JoyState).
    virtual HResult GetDeviceState(std::uint32_t size, void* out) = 0;
    virtual bool HasForceFeedback() const = 0;
    // Joystick with force feedback only; DIERR_UNSUPPORTED for a kind the
    // device cannot play in any form.
    virtual HResult CreateEffect(const EffectParams& params, std::unique_ptr<InputEffect>* out) = 0;
};

class InputSystem
{
public:
    virtual ~InputSystem() = default;

    virtual std::unique_ptr<InputDevice> CreateKeyboard() = 0;
    virtual std::unique_ptr<InputDevice> CreateMouse() = 0;
    // Attached joysticks, optionally only those with force feedback.
    virtual std::vector<JoystickInfo> EnumJoysticks(bool forceFeedbackOnly) = 0;
    // Null when the joystick cannot be opened (or one is open already).
    virtual std::unique_ptr<InputDevice> CreateJoystick(int index) = 0;
};

// The desktop's devices through SDL; null when SDL cannot give them.
std::unique_ptr<InputSystem> CreateDesktopInputSystem();
// A system over a source the caller keeps alive longer (tests); null for a
// null source.
std::unique_ptr<InputSystem> CreateInputSystem(IInputSource* source);

} // namespace plat
