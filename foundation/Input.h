// The input device interface: keyboard, mouse and one joystick, read once
// per frame into flat button tables.
//
// Button codes share one space: 0-255 keyboard (DirectInput key codes),
// 257 + b mouse button b (0-7), 513 + i joystick button i (0-31).
// The game keeps its device in g_pInput (null until it is created).
// Main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "platform/Types.h"

#include <cstdint>

struct InputEvent
{
    std::uint8_t kind;    // 1 key event, 0 character
    std::uint8_t isDown;  // key: 1 press, 0 release; character: 1
    std::uint16_t code;   // key: DirectInput code; character: the character in the low byte
};
static_assert(sizeof(InputEvent) == 4);

struct InputQueue
{
    static constexpr int kCapacity = 100;
    InputEvent entries[kCapacity];
    int count = 0;
};

struct InputVector
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct SInputInit
{
    void* window;    // the main window (plat::Window*)
    void* instance;
    std::uint8_t windowed;
};

constexpr int kInputButtonCount = 768;
constexpr int kMouseButtonBase = 257;
constexpr int kJoystickButtonBase = 513;

class IInput : public IBaseInterface
{
public:
    virtual bool Init(SInputInit* init) = 0;
    virtual void Unacquire() = 0;
    virtual void Acquire() = 0;
    virtual void Done() = 0;
    virtual int Update() = 0;
    virtual void OnChar(char ch, std::uint32_t lParam) = 0;
    virtual void Reserved(int, int) {}
    virtual plat::Point GetCursorPos() = 0;
    virtual bool IsPressed(int code) = 0;
    virtual bool IsReleased(int code) = 0;
    virtual bool IsDown(int code) = 0;
    virtual void SetJoystickEnabled(bool enabled) = 0;
    virtual bool IsJoystickEnabled() = 0;
    virtual bool HasForceFeedback() = 0;
    virtual InputVector GetMouseDelta() = 0;
    virtual InputVector GetJoystickAxes() = 0;
    virtual int GetJoystickPov() = 0;
    virtual InputVector GetJoystickSliders() = 0;
    virtual InputVector GetJoystickRotation() = 0;
    virtual const InputQueue& GetEvents() = 0;
    virtual const InputQueue& GetPendingChars() = 0;
};

extern IInput* g_pInput;
