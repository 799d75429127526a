// CInput: the input device of the game (IInput) over the platform's
// DirectInput-shaped layer: the keyboard, the mouse and at most one joystick,
// read once per frame into flat button tables, plus the character queue fed
// by the window's WM_CHAR and force-feedback effects from effect files.
//
// Ownership: CInput owns its devices and their system; Done (or the
// destructor) releases them. A CInputEffect owns its effect and may outlive
// the joystick: its effect then does nothing.
// Threads: main thread only.
#pragma once

#include "foundation/Input.h"

#include <cstdint>
#include <memory>

namespace plat
{
class IInputSource;
class InputSystem;
class InputDevice;
class InputEffect;
} // namespace plat

// A force-feedback effect loaded from a file. The game starts it with
// m_pEffect->Start(1, 0) and stops it with m_pEffect->Stop(); m_pEffect is
// null when the file held no effect the joystick accepts.
class CInputEffect
{
public:
    CInputEffect();
    virtual ~CInputEffect();
    CInputEffect(const CInputEffect&) = delete;
    CInputEffect& operator=(const CInputEffect&) = delete;

    std::unique_ptr<plat::InputEffect> m_pEffect;
};

class CInput : public IInput
{
public:
    static constexpr int kDeviceBufferSize = 256;

    CInput();
    ~CInput() override;
    CInput(const CInput&) = delete;
    CInput& operator=(const CInput&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }

    // Opens the devices; logs and returns false when the keyboard or the
    // mouse cannot be set up. A missing joystick is no failure.
    bool Init(SInputInit* init) override;
    void Unacquire() override;
    void Acquire() override;
    void Done() override;
    // Reads all devices; returns the number of pending characters handled.
    int Update() override;
    void OnChar(char ch, std::uint32_t lParam) override;
    plat::Point GetCursorPos() override;
    bool IsPressed(int code) override;
    bool IsReleased(int code) override;
    bool IsDown(int code) override;
    void SetJoystickEnabled(bool enabled) override { m_bJoystickEnabled = enabled ? 1 : 0; }
    bool IsJoystickEnabled() override { return m_bJoystickEnabled != 0; }
    bool HasForceFeedback() override { return m_bHasForceFeedback != 0; }
    InputVector GetMouseDelta() override { return m_MouseDelta; }
    InputVector GetJoystickAxes() override { return m_JoyAxes; }
    int GetJoystickPov() override { return m_nJoyPov; }
    InputVector GetJoystickSliders() override { return m_JoySliders; }
    InputVector GetJoystickRotation() override { return m_JoyRotation; }
    const InputQueue& GetEvents() override { return m_Events; }
    const InputQueue& GetPendingChars() override { return m_PendingChars; }

    // Null without a force-feedback joystick; otherwise a holder with the
    // first effect of the file (a data-tree path) that the joystick accepts,
    // or with none (logged) when the file cannot be read or nothing fits.
    CInputEffect* LoadForceFeedbackEffect(const char* fileName);

    // The event source the next Init reads instead of the desktop (tests);
    // the caller keeps it alive until Done.
    void SetInputSource(plat::IInputSource* source) { m_pSource = source; }

    // Read by the game from its options; the joystick is read only while set.
    std::uint8_t m_bJoystickEnabled = 1;
    void* m_hWnd = nullptr;

private:
    void ReadKeyboard();
    void ReadMouse();
    void ReadJoystick();
    void SetButton(std::uint8_t* table, int code);

    plat::IInputSource* m_pSource = nullptr;
    std::unique_ptr<plat::InputSystem> m_pSystem;
    std::unique_ptr<plat::InputDevice> m_pKeyboard;
    std::unique_ptr<plat::InputDevice> m_pMouse;
    std::unique_ptr<plat::InputDevice> m_pJoystick;

    InputQueue m_Events;
    InputQueue m_PendingChars;
    std::uint8_t m_Pressed[kInputButtonCount] = {};
    std::uint8_t m_Down[kInputButtonCount] = {};
    std::uint8_t m_Released[kInputButtonCount] = {};
    InputVector m_MouseDelta;
    InputVector m_JoyAxes;
    InputVector m_JoySliders;
    InputVector m_JoyRotation;
    int m_nJoyPov = -1;
    std::uint8_t m_JoyPrevButtons[32] = {};
    std::uint8_t m_bHasForceFeedback = 0;
};

// Class index of "IGUID_IInput".
extern std::uint32_t g_iIInput;
// Registers "IGUID_IInput" with CInput's create function.
void RegisterInputClasses();
