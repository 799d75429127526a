// The desktop's input through SDL: keys, mouse and focus from the window's
// event pump, joysticks and force feedback from SDL_Joystick and SDL_Haptic.
#include "platform/dinput/InputSource.h"

#include "platform/CodePage.h"
#include "platform/detail/WindowInternal.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace plat
{
namespace
{

// SDL counts mouse buttons 1 left, 2 middle, 3 right, 4-5 the side buttons;
// DirectInput 0 left, 1 right, 2 middle, then the rest in order.
int MouseButtonOf(std::uint8_t sdlButton)
{
    switch (sdlButton)
    {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    default:
        return sdlButton >= 4 && sdlButton <= 8 ? sdlButton - 1 : -1;
    }
}

// An SDL hat (bit set of up, right, down, left) as a DirectInput point of
// view: hundredths of a degree clockwise from north, or centred.
std::uint32_t PovOf(std::uint8_t hat)
{
    switch (hat)
    {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return POV_CENTERED;
    }
}

// Effect magnitudes are -10000..10000 scaled by a gain of 0..10000; SDL
// levels are 16-bit.
Sint16 LevelOf(std::int32_t magnitude, std::uint32_t gain)
{
    const double value =
        static_cast<double>(magnitude) / 10000.0 * std::min(gain, 10000u) / 10000.0 * 32767.0;
    return static_cast<Sint16>(std::clamp(std::lround(value), -32767L, 32767L));
}

Uint32 LengthOf(std::uint32_t microseconds)
{
    if (microseconds == EFFECT_INFINITE) return SDL_HAPTIC_INFINITY;
    return std::max<Uint32>(1, microseconds / 1000);
}

Uint16 Clamp16(std::uint32_t value)
{
    return static_cast<Uint16>(std::min<std::uint32_t>(value, 0xFFFF));
}

class CSdlInputSource final : public IInputSource
{
public:
    CSdlInputSource()
    {
        m_bJoystick = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
        m_bHaptic = m_bJoystick && SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0;
        detail::AddSdlEventObserver(&CSdlInputSource::Observe, this);
    }

    ~CSdlInputSource() override
    {
        detail::RemoveSdlEventObserver(&CSdlInputSource::Observe, this);
        CloseJoystick();
        if (m_bHaptic) SDL_QuitSubSystem(SDL_INIT_HAPTIC);
        if (m_bJoystick) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    void Attach(IInputSink* sink) override { m_pSink = sink; }

    std::vector<JoystickInfo> ListJoysticks() override
    {
        std::vector<JoystickInfo> list;
        if (!m_bJoystick) return list;
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i)
        {
            JoystickInfo info;
            info.index = i;
            const char* name = SDL_JoystickNameForIndex(i);
            info.name = Utf8ToCp1251(name ? name : "");
            // Whether it can rumble is only known once it is open; SDL
            // counts opens, so this does not disturb the joystick in use.
            if (SDL_Joystick* joystick = SDL_JoystickOpen(i))
            {
                info.forceFeedback = m_bHaptic && SDL_JoystickIsHaptic(joystick) == SDL_TRUE;
                SDL_JoystickClose(joystick);
            }
            list.push_back(info);
        }
        return list;
    }

    bool OpenJoystick(int index) override
    {
        if (!m_bJoystick || m_pJoystick) return false;
        m_pJoystick = SDL_JoystickOpen(index);
        if (!m_pJoystick) return false;
        m_nInstance = SDL_JoystickInstanceID(m_pJoystick);
        m_bGone = false;
        if (m_bHaptic && SDL_JoystickIsHaptic(m_pJoystick) == SDL_TRUE)
        {
            m_pHaptic = SDL_HapticOpenFromJoystick(m_pJoystick);
            m_uHapticFlags = m_pHaptic ? SDL_HapticQuery(m_pHaptic) : 0;
        }
        return true;
    }

    void CloseJoystick() override
    {
        if (m_pHaptic) SDL_HapticClose(m_pHaptic); // destroys its effects too
        m_pHaptic = nullptr;
        m_uHapticFlags = 0;
        if (m_pJoystick) SDL_JoystickClose(m_pJoystick);
        m_pJoystick = nullptr;
        m_nInstance = -1;
    }

    bool ReadJoystick(JoystickReading* out) override
    {
        if (!m_pJoystick || m_bGone || !SDL_JoystickGetAttached(m_pJoystick)) return false;
        SDL_JoystickUpdate();
        *out = JoystickReading();
        const int axes = std::min(SDL_JoystickNumAxes(m_pJoystick), 8);
        for (int i = 0; i < axes; ++i)
            out->axes[i] = SDL_JoystickGetAxis(m_pJoystick, i);
        const int hats = std::min(SDL_JoystickNumHats(m_pJoystick), 4);
        for (int i = 0; i < hats; ++i)
            out->pov[i] = PovOf(SDL_JoystickGetHat(m_pJoystick, i));
        const int buttons = std::min(SDL_JoystickNumButtons(m_pJoystick), 32);
        for (int i = 0; i < buttons; ++i)
            out->buttons[i] = SDL_JoystickGetButton(m_pJoystick, i) ? 1 : 0;
        return true;
    }

    int CreateHapticEffect(const EffectParams& params) override
    {
        if (!m_pHaptic) return -1;
        SDL_HapticEffect effect;
        if (!Describe(params, &effect)) return -1;
        return SDL_HapticNewEffect(m_pHaptic, &effect);
    }

    bool RunHapticEffect(int id, std::uint32_t iterations) override
    {
        return m_pHaptic &&
               SDL_HapticRunEffect(m_pHaptic, id,
                                   iterations == EFFECT_INFINITE ? SDL_HAPTIC_INFINITY : iterations) == 0;
    }

    bool StopHapticEffect(int id) override { return m_pHaptic && SDL_HapticStopEffect(m_pHaptic, id) == 0; }

    void DestroyHapticEffect(int id) override
    {
        if (m_pHaptic) SDL_HapticDestroyEffect(m_pHaptic, id);
    }

    bool SetHapticAutoCenter(bool on) override
    {
        return m_pHaptic && (m_uHapticFlags & SDL_HAPTIC_AUTOCENTER) &&
               SDL_HapticSetAutocenter(m_pHaptic, on ? 100 : 0) == 0;
    }

private:
    // The effect in SDL's terms: the kind the file names when the device
    // plays it, else the same strength and length as a plain rumble, so a
    // pad without force motors still shakes for a hit.
    bool Describe(const EffectParams& params, SDL_HapticEffect* effect) const
    {
        SDL_zerop(effect);
        const Uint32 length = LengthOf(params.durationUs);
        const Uint16 delay = Clamp16(params.startDelayUs / 1000);
        const Sint16 level = LevelOf(params.magnitude, params.gain);
        SDL_HapticDirection direction;
        SDL_zero(direction);
        direction.type = SDL_HAPTIC_CARTESIAN;
        direction.dir[0] = 1;

        unsigned int periodic = 0;
        unsigned int condition = 0;
        switch (params.kind)
        {
        case EEffectKind::Constant:
            if (m_uHapticFlags & SDL_HAPTIC_CONSTANT)
            {
                effect->type = SDL_HAPTIC_CONSTANT;
                effect->constant.direction = direction;
                effect->constant.length = length;
                effect->constant.delay = delay;
                effect->constant.level = level;
                return true;
            }
            break;
        case EEffectKind::Ramp:
            if (m_uHapticFlags & SDL_HAPTIC_RAMP)
            {
                effect->type = SDL_HAPTIC_RAMP;
                effect->ramp.direction = direction;
                effect->ramp.length = length;
                effect->ramp.delay = delay;
                effect->ramp.start = level;
                effect->ramp.end = LevelOf(params.rampEnd, params.gain);
                return true;
            }
            break;
        case EEffectKind::Square: // SDL 2 has no square wave; the sine is nearest
        case EEffectKind::Sine:
            periodic = SDL_HAPTIC_SINE;
            break;
        case EEffectKind::Triangle:
            periodic = SDL_HAPTIC_TRIANGLE;
            break;
        case EEffectKind::SawtoothUp:
            periodic = SDL_HAPTIC_SAWTOOTHUP;
            break;
        case EEffectKind::SawtoothDown:
            periodic = SDL_HAPTIC_SAWTOOTHDOWN;
            break;
        case EEffectKind::Spring:
            condition = SDL_HAPTIC_SPRING;
            break;
        case EEffectKind::Damper:
            condition = SDL_HAPTIC_DAMPER;
            break;
        case EEffectKind::Inertia:
            condition = SDL_HAPTIC_INERTIA;
            break;
        case EEffectKind::Friction:
            condition = SDL_HAPTIC_FRICTION;
            break;
        case EEffectKind::Custom:
            return false;
        }
        if (periodic && (m_uHapticFlags & periodic))
        {
            effect->type = static_cast<Uint16>(periodic);
            effect->periodic.direction = direction;
            effect->periodic.length = length;
            effect->periodic.delay = delay;
            effect->periodic.period =
                params.periodUs ? std::max<Uint16>(1, Clamp16(params.periodUs / 1000)) : 100;
            effect->periodic.magnitude = static_cast<Sint16>(std::abs(level));
            return true;
        }
        if (condition && (m_uHapticFlags & condition))
        {
            effect->type = static_cast<Uint16>(condition);
            effect->condition.length = length;
            effect->condition.delay = delay;
            const Sint16 coefficient = static_cast<Sint16>(std::abs(level));
            for (int axis = 0; axis < 3; ++axis)
            {
                effect->condition.right_sat[axis] = 0xFFFF;
                effect->condition.left_sat[axis] = 0xFFFF;
                effect->condition.right_coeff[axis] = coefficient;
                effect->condition.left_coeff[axis] = coefficient;
            }
            return true;
        }
        if (condition) return false; // a spring has no rumble equivalent
        if (m_uHapticFlags & SDL_HAPTIC_LEFTRIGHT)
        {
            effect->type = SDL_HAPTIC_LEFTRIGHT;
            effect->leftright.length = length == SDL_HAPTIC_INFINITY ? SDL_HAPTIC_INFINITY : length;
            const Uint16 strength =
                static_cast<Uint16>(std::min(65535L, std::labs(static_cast<long>(level)) * 2));
            effect->leftright.large_magnitude = strength;
            effect->leftright.small_magnitude = strength;
            return true;
        }
        return false;
    }

    static void Observe(const SDL_Event& event, void* context)
    {
        static_cast<CSdlInputSource*>(context)->OnEvent(event);
    }

    void OnEvent(const SDL_Event& event)
    {
        switch (event.type)
        {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
        {
            // DirectInput reports a held key once; the desktop's repeats are
            // for typing and arrive as characters.
            if (event.key.repeat || !m_pSink) break;
            const detail::SKeyCode code =
                detail::LookupSdlScancode(event.key.keysym.scancode, (event.key.keysym.mod & KMOD_NUM) != 0);
            if (code.dik) m_pSink->OnKey(code.dik, event.type == SDL_KEYDOWN);
            break;
        }
        case SDL_MOUSEMOTION:
            if (m_pSink && (event.motion.xrel || event.motion.yrel))
                m_pSink->OnMouseMotion(event.motion.xrel, event.motion.yrel);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        {
            const int button = MouseButtonOf(event.button.button);
            if (m_pSink && button >= 0) m_pSink->OnMouseButton(button, event.type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        case SDL_MOUSEWHEEL:
        {
            int notches = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            if (m_pSink && notches) m_pSink->OnMouseWheel(notches * 120);
            break;
        }
        case SDL_WINDOWEVENT:
            if (m_pSink && event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                m_pSink->OnFocus(true);
            else if (m_pSink && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                m_pSink->OnFocus(false);
            break;
        case SDL_JOYDEVICEREMOVED:
            if (event.jdevice.which == m_nInstance) m_bGone = true;
            break;
        default:
            break;
        }
    }

    IInputSink* m_pSink = nullptr;
    bool m_bJoystick = false;
    bool m_bHaptic = false;
    SDL_Joystick* m_pJoystick = nullptr;
    SDL_JoystickID m_nInstance = -1;
    bool m_bGone = false;
    SDL_Haptic* m_pHaptic = nullptr;
    unsigned int m_uHapticFlags = 0;
};

} // namespace

std::unique_ptr<IInputSource> CreateSdlInputSource()
{
    return std::make_unique<CSdlInputSource>();
}

} // namespace plat
