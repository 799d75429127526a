// Where the input devices get their events from: the seam between the
// DirectInput-shaped devices (DInput.h) and the desktop (SDL) or a test
// script.
//
// A source reports keyboard, mouse and focus events to the sink attached to
// it, in the order they happened, with keys already as DIK codes and mouse
// buttons in DirectInput's numbering (0 left, 1 right, 2 middle, 3-7 the
// others); it answers joystick state and force-feedback calls for the one
// joystick it has open. Threads: events are delivered on the thread that
// pumps the source (the window thread for SDL); everything else is called on
// the device owner's thread.
#pragma once

#include "platform/dinput/DInput.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace plat
{

class IInputSink
{
public:
    virtual ~IInputSink() = default;
    virtual void OnKey(std::uint8_t dik, bool down) = 0;
    virtual void OnMouseMotion(std::int32_t dx, std::int32_t dy) = 0;
    // DirectInput units: 120 per notch, positive away from the user.
    virtual void OnMouseWheel(std::int32_t delta) = 0;
    virtual void OnMouseButton(int button, bool down) = 0;
    virtual void OnFocus(bool focused) = 0;
};

// One reading of the open joystick.
struct JoystickReading
{
    std::int16_t axes[8] = {}; // X, Y, Z, Rx, Ry, Rz, slider 0, slider 1; raw -32768..32767
    std::uint32_t pov[4] = {POV_CENTERED, POV_CENTERED, POV_CENTERED, POV_CENTERED};
    std::uint8_t buttons[32] = {}; // 1 when down
};

class IInputSource
{
public:
    virtual ~IInputSource() = default;

    // sink null detaches.
    virtual void Attach(IInputSink* sink) = 0;

    virtual std::vector<JoystickInfo> ListJoysticks() = 0;
    // At most one joystick is open at a time.
    virtual bool OpenJoystick(int index) = 0;
    virtual void CloseJoystick() = 0;
    // False when no joystick is open or it has gone.
    virtual bool ReadJoystick(JoystickReading* out) = 0;

    // Force feedback of the open joystick. An effect id is -1 when the
    // effect cannot be made.
    virtual int CreateHapticEffect(const EffectParams& params) = 0;
    virtual bool RunHapticEffect(int id, std::uint32_t iterations) = 0;
    virtual bool StopHapticEffect(int id) = 0;
    virtual void DestroyHapticEffect(int id) = 0;
    virtual bool SetHapticAutoCenter(bool on) = 0;
};

// The desktop's keyboard, mouse and joysticks through SDL. Keyboard and
// mouse events are taken from the window's SDL event pump; joysticks and
// force feedback need SDL's joystick and haptic subsystems, and without
// them the source simply lists no joystick.
std::unique_ptr<IInputSource> CreateSdlInputSource();

} // namespace plat
