#include "foundation/InputDevice.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"
#include "platform/Ini.h"
#include "platform/Window.h"
#include "platform/dinput/DInput.h"
#include "platform/dinput/EffectFile.h"
#include "platform/dinput/InputSource.h"

#include <cstring>
#include <string>
#include <vector>

std::uint32_t g_iIInput = 0;

namespace
{

constexpr std::uint32_t kDown = 0x80;
constexpr int kJoystickButtons = 32;

IBaseInterface* CreateInput()
{
    return new CInput;
}

bool Append(InputQueue& queue, std::uint8_t kind, std::uint8_t isDown, std::uint16_t code)
{
    if (queue.count >= InputQueue::kCapacity) return false;
    queue.entries[queue.count++] = InputEvent{kind, isDown, code};
    return true;
}

} // namespace

CInputEffect::CInputEffect() = default;
CInputEffect::~CInputEffect() = default;

CInput::CInput() = default;

CInput::~CInput()
{
    Done();
}

CGuidKey CInput::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_IInput");
}

bool CInput::Init(SInputInit* init)
{
    XTRACE("CInput::Init");
    if (!init) return false;
    Done();

    // The keyboard locks the Windows key only in full screen; this reads the
    // mode before the engine settings exist.
    const std::string cfg = plat::GetCurrentDirectory() + "\\DATA\\CONFIG\\CFG.INI";
    init->windowed = plat::GetPrivateProfileInt("CONFIG", "Windowed", 0, cfg.c_str()) != 0 ? 1 : 0;

    m_pSystem = m_pSource ? plat::CreateInputSystem(m_pSource) : plat::CreateDesktopInputSystem();
    if (!m_pSystem)
    {
        g_ErrorLog.LogError("DirectInput8Create fails");
        return false;
    }
    m_hWnd = init->window;
    auto* window = static_cast<plat::Window*>(init->window);

    m_pKeyboard = m_pSystem->CreateKeyboard();
    if (!m_pKeyboard)
    {
        g_ErrorLog.LogError("CInput::Init error while create keyboard device");
        return false;
    }
    std::uint32_t level = plat::DISCL_NONEXCLUSIVE | plat::DISCL_FOREGROUND;
    if (!init->windowed) level |= plat::DISCL_NOWINKEY;
    if (plat::Failed(m_pKeyboard->SetCooperativeLevel(window, level)))
    {
        g_ErrorLog.LogError("CInputDX8::Init Can`t set keyboard cooperative level");
        return false;
    }
    if (plat::Failed(m_pKeyboard->SetBufferSize(kDeviceBufferSize))) return false;
    g_ErrorLog.LogDebug("Input: keyboard opened (%s)", init->windowed ? "windowed" : "full screen");

    m_pMouse = m_pSystem->CreateMouse();
    if (!m_pMouse)
    {
        g_ErrorLog.LogError("CInput::Init error while create mouse device");
        return false;
    }
    if (plat::Failed(
            m_pMouse->SetCooperativeLevel(window, plat::DISCL_NONEXCLUSIVE | plat::DISCL_FOREGROUND)) ||
        plat::Failed(m_pMouse->SetBufferSize(kDeviceBufferSize)))
        return false;
    g_ErrorLog.LogDebug("Input: mouse opened");

    // A joystick that can push back is preferred; failures here only leave
    // the game without one.
    std::string joystickName;
    for (const plat::JoystickInfo& info : m_pSystem->EnumJoysticks(true))
    {
        if ((m_pJoystick = m_pSystem->CreateJoystick(info.index)))
        {
            joystickName = info.name;
            break;
        }
    }
    m_bHasForceFeedback = m_pJoystick ? 1 : 0;
    if (!m_pJoystick)
    {
        for (const plat::JoystickInfo& info : m_pSystem->EnumJoysticks(false))
        {
            if ((m_pJoystick = m_pSystem->CreateJoystick(info.index)))
            {
                joystickName = info.name;
                break;
            }
        }
    }
    if (m_pJoystick)
    {
        m_pJoystick->SetCooperativeLevel(window, plat::DISCL_EXCLUSIVE | plat::DISCL_FOREGROUND);
        m_pJoystick->SetAxisRange(-1000, 1000);
        if (m_bHasForceFeedback) m_pJoystick->SetAutoCenter(true);
        g_ErrorLog.LogDebug("Input: joystick \"%s\" opened%s", joystickName.c_str(),
                            m_bHasForceFeedback ? " with force feedback" : "");
    }
    else
    {
        g_ErrorLog.LogDebug("Input: no joystick");
    }

    std::memset(m_Pressed, 0, sizeof(m_Pressed));
    std::memset(m_Down, 0, sizeof(m_Down));
    std::memset(m_Released, 0, sizeof(m_Released));
    Acquire();
    return true;
}

void CInput::Unacquire()
{
    if (m_pJoystick) m_pJoystick->Unacquire();
    if (m_pMouse) m_pMouse->Unacquire();
    if (m_pKeyboard) m_pKeyboard->Unacquire();
}

void CInput::Acquire()
{
    if (m_pKeyboard) m_pKeyboard->Acquire();
    if (m_pMouse) m_pMouse->Acquire();
    if (m_pJoystick) m_pJoystick->Acquire();
}

void CInput::Done()
{
    Unacquire();
    m_pKeyboard.reset();
    m_pMouse.reset();
    m_pJoystick.reset();
    m_pSystem.reset();
    m_bHasForceFeedback = 0;
}

void CInput::SetButton(std::uint8_t* table, int code)
{
    if (code >= 0 && code < kInputButtonCount) table[code] = 1;
}

void CInput::ReadKeyboard()
{
    if (!m_pKeyboard) return;
    plat::InputDeviceData data[kDeviceBufferSize];
    std::uint32_t count = kDeviceBufferSize;
    const plat::HResult hr = m_pKeyboard->GetDeviceData(data, &count);
    if (hr == plat::DIERR_INPUTLOST || hr == plat::DIERR_NOTACQUIRED)
    {
        // Back from another window: take the keyboard again; this frame's
        // presses went elsewhere.
        m_pKeyboard->Acquire();
        count = 0;
    }
    else if (plat::Failed(hr))
    {
        count = 0;
    }
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const int code = static_cast<int>(data[i].offset & 0xFF);
        const bool down = data[i].data == kDown;
        // The queue keeps the first 100; every event still marks its key.
        Append(m_Events, 1, down ? 1 : 0, static_cast<std::uint16_t>(code));
        SetButton(down ? m_Pressed : m_Released, code);
    }

    std::uint8_t state[256];
    if (plat::Succeeded(m_pKeyboard->GetDeviceState(sizeof(state), state)))
    {
        for (int k = 0; k < 256; ++k)
            m_Down[k] = state[k] == kDown ? 1 : 0;
    }
}

void CInput::ReadMouse()
{
    m_MouseDelta = InputVector();
    if (!m_pMouse) return;
    plat::InputDeviceData data[kDeviceBufferSize];
    std::uint32_t count = kDeviceBufferSize;
    plat::HResult hr = m_pMouse->GetDeviceData(data, &count);
    if (hr == plat::DIERR_INPUTLOST || hr == plat::DIERR_NOTACQUIRED)
    {
        m_pMouse->Acquire();
        count = kDeviceBufferSize;
        hr = m_pMouse->GetDeviceData(data, &count);
    }
    // An overflowed buffer has lost motion: better no movement this frame
    // than a wrong one.
    if (hr != plat::DI_OK) count = 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const std::uint32_t offset = data[i].offset;
        const auto value = static_cast<float>(static_cast<std::int32_t>(data[i].data));
        if (offset == plat::MOUSE_OFS_X)
            m_MouseDelta.x += value;
        else if (offset == plat::MOUSE_OFS_Y)
            m_MouseDelta.y += value;
        else if (offset == plat::MOUSE_OFS_Z)
            m_MouseDelta.z += value;
        else if (offset >= plat::MOUSE_OFS_BUTTON0 && offset < plat::MOUSE_OFS_BUTTON0 + 8)
        {
            const int code = kMouseButtonBase + static_cast<int>(offset - plat::MOUSE_OFS_BUTTON0);
            SetButton((data[i].data & kDown) ? m_Pressed : m_Released, code);
        }
    }

    plat::MouseState state;
    if (plat::Succeeded(m_pMouse->GetDeviceState(sizeof(state), &state)))
    {
        for (int b = 0; b < 8; ++b)
            m_Down[kMouseButtonBase + b] = state.buttons[b] == kDown ? 1 : 0;
    }
}

void CInput::ReadJoystick()
{
    if (!m_pJoystick || !m_bJoystickEnabled) return;
    m_pJoystick->Poll();
    plat::JoyState state;
    const plat::HResult hr = m_pJoystick->GetDeviceState(sizeof(state), &state);
    if (plat::Failed(hr))
    {
        if (hr == plat::DIERR_INPUTLOST || hr == plat::DIERR_NOTACQUIRED) m_pJoystick->Acquire();
        return;
    }
    m_JoyAxes = InputVector{state.x * 0.001f, state.y * 0.001f, state.z * 0.001f};
    m_JoyRotation = InputVector{state.rx * 0.001f, state.ry * 0.001f, state.rz * 0.001f};
    m_JoySliders = InputVector{state.sliders[0] * 0.001f, state.sliders[1] * 0.001f, 0.0f};
    m_nJoyPov = static_cast<int>(state.pov[0]); // centred (0xFFFFFFFF) reads -1
    for (int i = 0; i < kJoystickButtons; ++i)
    {
        const bool down = state.buttons[i] == kDown;
        const bool wasDown = m_JoyPrevButtons[i] == kDown;
        m_Down[kJoystickButtonBase + i] = down ? 1 : 0;
        if (down && !wasDown)
            m_Pressed[kJoystickButtonBase + i] = 1;
        else if (!down && wasDown)
            m_Released[kJoystickButtonBase + i] = 1;
        m_JoyPrevButtons[i] = state.buttons[i];
    }
}

int CInput::Update()
{
    m_Events.count = 0;
    std::memset(m_Pressed, 0, sizeof(m_Pressed));
    std::memset(m_Down, 0, sizeof(m_Down));
    std::memset(m_Released, 0, sizeof(m_Released));

    ReadKeyboard();
    ReadMouse();
    ReadJoystick();

    const int pending = m_PendingChars.count;
    for (int i = 0; i < pending; ++i)
        Append(m_Events, m_PendingChars.entries[i].kind, m_PendingChars.entries[i].isDown,
               m_PendingChars.entries[i].code);
    m_PendingChars.count = 0;
    return pending;
}

void CInput::OnChar(char ch, std::uint32_t /*lParam*/)
{
    Append(m_PendingChars, 0, 1, static_cast<std::uint8_t>(ch));
}

plat::Point CInput::GetCursorPos()
{
    plat::Point pt;
    plat::GetCursorPos(&pt);
    return pt;
}

bool CInput::IsPressed(int code)
{
    return code >= 0 && code < kInputButtonCount && m_Pressed[code];
}

bool CInput::IsReleased(int code)
{
    return code >= 0 && code < kInputButtonCount && m_Released[code];
}

bool CInput::IsDown(int code)
{
    return code >= 0 && code < kInputButtonCount && m_Down[code];
}

CInputEffect* CInput::LoadForceFeedbackEffect(const char* fileName)
{
    XTRACE("CInput::LoadForceFeedbackEffect");
    if (!m_pJoystick || !m_bHasForceFeedback || !fileName) return nullptr;
    auto* holder = new CInputEffect;
    std::vector<plat::FileEffect> effects;
    std::string error;
    if (!plat::ReadEffectFile(fileName, &effects, &error))
    {
        g_ErrorLog.LogError("CInput::LoadForceFeedbackEffect: \"%s\": %s", fileName, error.c_str());
        return holder;
    }
    for (const plat::FileEffect& effect : effects)
    {
        if (plat::Succeeded(m_pJoystick->CreateEffect(effect.params, &holder->m_pEffect)) &&
            holder->m_pEffect)
            return holder;
    }
    g_ErrorLog.LogError("CInput::LoadForceFeedbackEffect: \"%s\": no effect the joystick can play", fileName);
    return holder;
}

void RegisterInputClasses()
{
    RegisterClassFactory(&g_iIInput, CreateInput, "IGUID_IInput");
}
