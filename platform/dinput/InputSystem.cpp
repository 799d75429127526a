// The DirectInput-shaped devices over an event source.
#include "platform/dinput/DInput.h"
#include "platform/dinput/InputSource.h"

#include "platform/Time.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

namespace plat
{
namespace
{

constexpr std::uint32_t kMaxBufferSize = 1024;
constexpr std::uint8_t kDown = 0x80;

class CInputSystem;

// An effect may be released after its joystick: the joystick clears the
// link when it closes, and the effect then does nothing.
struct SHapticLink
{
    IInputSource* source = nullptr;
};

class CEffect final : public InputEffect
{
public:
    CEffect(std::shared_ptr<SHapticLink> link, int id) : m_pLink(std::move(link)), m_nId(id) {}
    ~CEffect() override
    {
        if (m_pLink->source) m_pLink->source->DestroyHapticEffect(m_nId);
    }
    HResult Start(std::uint32_t iterations, std::uint32_t /*flags*/) override
    {
        if (!m_pLink->source) return DIERR_INPUTLOST;
        return m_pLink->source->RunHapticEffect(m_nId, iterations) ? DI_OK : E_FAIL;
    }
    HResult Stop() override
    {
        if (!m_pLink->source) return DIERR_INPUTLOST;
        return m_pLink->source->StopHapticEffect(m_nId) ? DI_OK : E_FAIL;
    }

private:
    std::shared_ptr<SHapticLink> m_pLink;
    int m_nId;
};

class CDevice final : public InputDevice
{
public:
    CDevice(CInputSystem* system, EInputDeviceKind kind, const JoystickInfo* joystick);
    ~CDevice() override;

    EInputDeviceKind Kind() const override { return m_eKind; }
    HResult SetCooperativeLevel(Window* window, std::uint32_t flags) override;
    HResult SetBufferSize(std::uint32_t events) override;
    HResult SetAxisRange(std::int32_t min, std::int32_t max) override;
    HResult SetAutoCenter(bool on) override;
    HResult Acquire() override;
    HResult Unacquire() override;
    HResult Poll() override;
    HResult GetDeviceData(InputDeviceData* out, std::uint32_t* count) override;
    HResult GetDeviceState(std::uint32_t size, void* out) override;
    bool HasForceFeedback() const override { return m_bForceFeedback; }
    HResult CreateEffect(const EffectParams& params, std::unique_ptr<InputEffect>* out) override;

    // Called by the system with its lock held.
    void Push(std::uint32_t offset, std::uint32_t data, std::uint32_t sequence);
    void AddMotion(std::int32_t dx, std::int32_t dy, std::int32_t dz);
    void Lose();
    bool Delivering() const { return m_bAcquired; }

private:
    HResult ReadableLocked() const;
    std::int32_t ScaleAxis(std::int16_t raw) const;

    CInputSystem* m_pSystem;
    const EInputDeviceKind m_eKind;
    std::uint32_t m_uCoopFlags = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool m_bAcquired = false;
    bool m_bLost = false;
    std::uint32_t m_uBufferSize = 0;
    std::deque<InputDeviceData> m_Buffer;
    bool m_bOverflow = false;
    std::int32_t m_Motion[3] = {};
    // Joystick.
    bool m_bForceFeedback = false;
    std::int32_t m_nRangeMin = 0;
    std::int32_t m_nRangeMax = 65535;
    std::shared_ptr<SHapticLink> m_pLink;
};

class CInputSystem final : public InputSystem, public IInputSink
{
public:
    CInputSystem(std::unique_ptr<IInputSource> owned, IInputSource* source)
        : m_pOwned(std::move(owned)), m_pSource(source)
    {
        m_pSource->Attach(this);
    }
    ~CInputSystem() override { m_pSource->Attach(nullptr); }

    std::unique_ptr<InputDevice> CreateKeyboard() override
    {
        return std::make_unique<CDevice>(this, EInputDeviceKind::Keyboard, nullptr);
    }
    std::unique_ptr<InputDevice> CreateMouse() override
    {
        return std::make_unique<CDevice>(this, EInputDeviceKind::Mouse, nullptr);
    }
    std::vector<JoystickInfo> EnumJoysticks(bool forceFeedbackOnly) override
    {
        std::vector<JoystickInfo> list = m_pSource->ListJoysticks();
        if (forceFeedbackOnly)
            std::erase_if(list, [](const JoystickInfo& info) { return !info.forceFeedback; });
        return list;
    }
    std::unique_ptr<InputDevice> CreateJoystick(int index) override
    {
        std::vector<JoystickInfo> list = m_pSource->ListJoysticks();
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const JoystickInfo& info) { return info.index == index; });
        if (it == list.end() || !m_pSource->OpenJoystick(index)) return nullptr;
        return std::make_unique<CDevice>(this, EInputDeviceKind::Joystick, &*it);
    }

    // IInputSink: events reach every device that is acquired.
    void OnKey(std::uint8_t dik, bool down) override
    {
        std::lock_guard lock(m_Mutex);
        // A key that goes down while another window has the focus belongs
        // to that window; its release is taken whenever it comes.
        if (m_bFocus || !down) m_KeyState[dik] = down ? kDown : 0;
        const std::uint32_t sequence = ++m_uSequence;
        for (CDevice* device : m_Devices)
            if (device->Kind() == EInputDeviceKind::Keyboard && device->Delivering())
                device->Push(dik, down ? kDown : 0, sequence);
    }
    void OnMouseMotion(std::int32_t dx, std::int32_t dy) override
    {
        std::lock_guard lock(m_Mutex);
        const std::uint32_t sequence = ++m_uSequence;
        for (CDevice* device : m_Devices)
        {
            if (device->Kind() != EInputDeviceKind::Mouse || !device->Delivering()) continue;
            device->AddMotion(dx, dy, 0);
            // One event per axis that moved, with the same sequence number:
            // DirectInput reports a diagonal move as two simultaneous events.
            if (dx) device->Push(MOUSE_OFS_X, static_cast<std::uint32_t>(dx), sequence);
            if (dy) device->Push(MOUSE_OFS_Y, static_cast<std::uint32_t>(dy), sequence);
        }
    }
    void OnMouseWheel(std::int32_t delta) override
    {
        if (!delta) return;
        std::lock_guard lock(m_Mutex);
        const std::uint32_t sequence = ++m_uSequence;
        for (CDevice* device : m_Devices)
        {
            if (device->Kind() != EInputDeviceKind::Mouse || !device->Delivering()) continue;
            device->AddMotion(0, 0, delta);
            device->Push(MOUSE_OFS_Z, static_cast<std::uint32_t>(delta), sequence);
        }
    }
    void OnMouseButton(int button, bool down) override
    {
        if (button < 0 || button >= 8) return;
        std::lock_guard lock(m_Mutex);
        if (m_bFocus || !down) m_MouseButtons[button] = down ? kDown : 0;
        const std::uint32_t sequence = ++m_uSequence;
        for (CDevice* device : m_Devices)
            if (device->Kind() == EInputDeviceKind::Mouse && device->Delivering())
                device->Push(MOUSE_OFS_BUTTON0 + static_cast<std::uint32_t>(button), down ? kDown : 0,
                             sequence);
    }
    void OnFocus(bool focused) override
    {
        std::lock_guard lock(m_Mutex);
        m_bFocus = focused;
        if (focused) return;
        // The desktop keeps the keys that go down elsewhere; what was held
        // here is up as far as this window can tell.
        std::memset(m_KeyState, 0, sizeof(m_KeyState));
        std::memset(m_MouseButtons, 0, sizeof(m_MouseButtons));
        for (CDevice* device : m_Devices)
            device->Lose();
    }

    std::mutex m_Mutex;
    std::vector<CDevice*> m_Devices;
    std::unique_ptr<IInputSource> m_pOwned;
    IInputSource* m_pSource;
    bool m_bFocus = true;
    std::uint32_t m_uSequence = 0;
    std::uint8_t m_KeyState[256] = {};
    std::uint8_t m_MouseButtons[8] = {};
};

CDevice::CDevice(CInputSystem* system, EInputDeviceKind kind, const JoystickInfo* joystick)
    : m_pSystem(system), m_eKind(kind)
{
    if (joystick)
    {
        m_bForceFeedback = joystick->forceFeedback;
        m_pLink = std::make_shared<SHapticLink>();
        if (m_bForceFeedback) m_pLink->source = system->m_pSource;
    }
    std::lock_guard lock(m_pSystem->m_Mutex);
    m_pSystem->m_Devices.push_back(this);
}

CDevice::~CDevice()
{
    {
        std::lock_guard lock(m_pSystem->m_Mutex);
        std::erase(m_pSystem->m_Devices, this);
    }
    if (m_eKind == EInputDeviceKind::Joystick)
    {
        m_pLink->source = nullptr;
        m_pSystem->m_pSource->CloseJoystick();
    }
}

HResult CDevice::SetCooperativeLevel(Window* /*window*/, std::uint32_t flags)
{
    // Exactly one of each pair, as DirectInput demands.
    const bool exclusive = flags & DISCL_EXCLUSIVE;
    const bool nonExclusive = flags & DISCL_NONEXCLUSIVE;
    const bool foreground = flags & DISCL_FOREGROUND;
    const bool background = flags & DISCL_BACKGROUND;
    if (exclusive == nonExclusive || foreground == background) return DIERR_INVALIDPARAM;
    std::lock_guard lock(m_pSystem->m_Mutex);
    m_uCoopFlags = flags;
    return DI_OK;
}

HResult CDevice::SetBufferSize(std::uint32_t events)
{
    if (events > kMaxBufferSize || m_eKind == EInputDeviceKind::Joystick)
        return m_eKind == EInputDeviceKind::Joystick ? DIERR_UNSUPPORTED : DIERR_INVALIDPARAM;
    std::lock_guard lock(m_pSystem->m_Mutex);
    m_uBufferSize = events;
    while (m_Buffer.size() > m_uBufferSize)
        m_Buffer.pop_front();
    return DI_OK;
}

HResult CDevice::SetAxisRange(std::int32_t min, std::int32_t max)
{
    if (m_eKind != EInputDeviceKind::Joystick) return DIERR_UNSUPPORTED;
    if (min >= max) return DIERR_INVALIDPARAM;
    std::lock_guard lock(m_pSystem->m_Mutex);
    m_nRangeMin = min;
    m_nRangeMax = max;
    return DI_OK;
}

HResult CDevice::SetAutoCenter(bool on)
{
    if (!m_bForceFeedback) return DIERR_UNSUPPORTED;
    return m_pSystem->m_pSource->SetHapticAutoCenter(on) ? DI_OK : DIERR_UNSUPPORTED;
}

HResult CDevice::Acquire()
{
    std::lock_guard lock(m_pSystem->m_Mutex);
    if (m_bAcquired) return DI_NOEFFECT;
    if ((m_uCoopFlags & DISCL_FOREGROUND) && !m_pSystem->m_bFocus) return DIERR_OTHERAPPHASPRIO;
    m_bAcquired = true;
    m_bLost = false;
    m_Buffer.clear();
    m_bOverflow = false;
    std::memset(m_Motion, 0, sizeof(m_Motion));
    return DI_OK;
}

HResult CDevice::Unacquire()
{
    std::lock_guard lock(m_pSystem->m_Mutex);
    if (!m_bAcquired) return DI_NOEFFECT;
    m_bAcquired = false;
    m_Buffer.clear();
    return DI_OK;
}

void CDevice::Lose()
{
    if (!m_bAcquired || !(m_uCoopFlags & DISCL_FOREGROUND)) return;
    m_bAcquired = false;
    m_bLost = true;
    m_Buffer.clear();
    m_bOverflow = false;
}

HResult CDevice::ReadableLocked() const
{
    if (m_bLost) return DIERR_INPUTLOST;
    if (!m_bAcquired) return DIERR_NOTACQUIRED;
    return DI_OK;
}

HResult CDevice::Poll()
{
    std::lock_guard lock(m_pSystem->m_Mutex);
    const HResult hr = ReadableLocked();
    if (Failed(hr)) return hr;
    // Keyboard and mouse are interrupt-driven: nothing to poll.
    return m_eKind == EInputDeviceKind::Joystick ? DI_OK : DI_NOEFFECT;
}

void CDevice::Push(std::uint32_t offset, std::uint32_t data, std::uint32_t sequence)
{
    if (m_Buffer.size() >= m_uBufferSize)
    {
        // Full: the newest data is dropped, and the next read says so.
        if (m_uBufferSize) m_bOverflow = true;
        return;
    }
    InputDeviceData item;
    item.offset = offset;
    item.data = data;
    item.timeStamp = GetTickCount();
    item.sequence = sequence;
    m_Buffer.push_back(item);
}

void CDevice::AddMotion(std::int32_t dx, std::int32_t dy, std::int32_t dz)
{
    m_Motion[0] += dx;
    m_Motion[1] += dy;
    m_Motion[2] += dz;
}

HResult CDevice::GetDeviceData(InputDeviceData* out, std::uint32_t* count)
{
    if (!count) return DIERR_INVALIDPARAM;
    std::lock_guard lock(m_pSystem->m_Mutex);
    const std::uint32_t wanted = *count;
    *count = 0;
    const HResult hr = ReadableLocked();
    if (Failed(hr)) return hr;
    if (m_eKind == EInputDeviceKind::Joystick || m_uBufferSize == 0) return DIERR_NOTBUFFERED;
    const std::uint32_t taken = std::min<std::uint32_t>(wanted, static_cast<std::uint32_t>(m_Buffer.size()));
    // A null buffer flushes, as in DirectInput.
    if (out) std::copy_n(m_Buffer.begin(), taken, out);
    m_Buffer.erase(m_Buffer.begin(), m_Buffer.begin() + taken);
    *count = taken;
    const bool overflow = m_bOverflow;
    m_bOverflow = false;
    return overflow ? DI_BUFFEROVERFLOW : DI_OK;
}

std::int32_t CDevice::ScaleAxis(std::int16_t raw) const
{
    // -32768..32767 onto min..max, rounded to nearest, so that the centre
    // of a symmetric range reads 0.
    const double t = (static_cast<double>(raw) + 32768.0) / 65535.0;
    const double value = m_nRangeMin + t * (static_cast<double>(m_nRangeMax) - m_nRangeMin);
    return static_cast<std::int32_t>(value < 0 ? value - 0.5 : value + 0.5);
}

HResult CDevice::GetDeviceState(std::uint32_t size, void* out)
{
    if (!out) return DIERR_INVALIDPARAM;
    if (m_eKind == EInputDeviceKind::Joystick)
    {
        if (size != sizeof(JoyState)) return DIERR_INVALIDPARAM;
        {
            std::lock_guard lock(m_pSystem->m_Mutex);
            const HResult hr = ReadableLocked();
            if (Failed(hr)) return hr;
        }
        JoystickReading reading;
        if (!m_pSystem->m_pSource->ReadJoystick(&reading)) return DIERR_INPUTLOST;
        JoyState state;
        std::int32_t* axes[8] = {&state.x,  &state.y,  &state.z,          &state.rx,
                                 &state.ry, &state.rz, &state.sliders[0], &state.sliders[1]};
        for (int i = 0; i < 8; ++i)
            *axes[i] = ScaleAxis(reading.axes[i]);
        std::copy_n(reading.pov, 4, state.pov);
        for (int i = 0; i < 32; ++i)
            state.buttons[i] = reading.buttons[i] ? kDown : 0;
        std::memcpy(out, &state, sizeof(state));
        return DI_OK;
    }

    std::lock_guard lock(m_pSystem->m_Mutex);
    const HResult hr = ReadableLocked();
    if (Failed(hr)) return hr;
    if (m_eKind == EInputDeviceKind::Keyboard)
    {
        if (size != sizeof(m_pSystem->m_KeyState)) return DIERR_INVALIDPARAM;
        std::memcpy(out, m_pSystem->m_KeyState, sizeof(m_pSystem->m_KeyState));
        return DI_OK;
    }
    if (size != sizeof(MouseState)) return DIERR_INVALIDPARAM;
    MouseState state;
    state.x = m_Motion[0];
    state.y = m_Motion[1];
    state.z = m_Motion[2];
    std::memcpy(state.buttons, m_pSystem->m_MouseButtons, sizeof(state.buttons));
    std::memset(m_Motion, 0, sizeof(m_Motion));
    std::memcpy(out, &state, sizeof(state));
    return DI_OK;
}

HResult CDevice::CreateEffect(const EffectParams& params, std::unique_ptr<InputEffect>* out)
{
    if (!out) return DIERR_INVALIDPARAM;
    out->reset();
    if (!m_bForceFeedback || !m_pLink->source) return DIERR_UNSUPPORTED;
    const int id = m_pLink->source->CreateHapticEffect(params);
    if (id < 0) return DIERR_UNSUPPORTED;
    *out = std::make_unique<CEffect>(m_pLink, id);
    return DI_OK;
}

} // namespace

std::unique_ptr<InputSystem> CreateInputSystem(IInputSource* source)
{
    if (!source) return nullptr;
    return std::make_unique<CInputSystem>(nullptr, source);
}

std::unique_ptr<InputSystem> CreateDesktopInputSystem()
{
    std::unique_ptr<IInputSource> source = CreateSdlInputSource();
    if (!source) return nullptr;
    IInputSource* raw = source.get();
    return std::make_unique<CInputSystem>(std::move(source), raw);
}

} // namespace plat
