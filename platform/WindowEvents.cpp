// SDL events become the window messages the engine expects.
#include "platform/detail/WindowObject.h"

#include "platform/CodePage.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace plat
{
namespace
{

// Window message values the engine does not name.
constexpr WParam MK_LBUTTON = 0x0001;
constexpr WParam MK_RBUTTON = 0x0002;
constexpr WParam MK_SHIFT = 0x0004;
constexpr WParam MK_CONTROL = 0x0008;
constexpr WParam MK_MBUTTON = 0x0010;
constexpr WParam SIZE_RESTORED = 0;
constexpr WParam SIZE_MINIMIZED = 1;
constexpr WParam SIZE_MAXIMIZED = 2;
constexpr int WHEEL_DELTA = 120;

// Key message lParam bits.
constexpr std::uint32_t KF_EXTENDED = 1u << 24;
constexpr std::uint32_t KF_ALTDOWN = 1u << 29;
constexpr std::uint32_t KF_REPEAT = 1u << 30;
constexpr std::uint32_t KF_UP = 1u << 31;

// At most this many events per pump call: a flood from the desktop must
// not keep the game from drawing.
constexpr int kMaxEventsPerPump = 1024;

struct SObservers
{
    std::mutex mutex;
    std::vector<std::pair<detail::SdlEventObserver, void*>> list;
};

SObservers& Observers()
{
    static auto* observers = new SObservers;
    return *observers;
}

LParam MakePointParam(int x, int y)
{
    const std::uint32_t packed = (static_cast<std::uint32_t>(static_cast<std::uint16_t>(x))) |
                                 (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16);
    return static_cast<LParam>(packed);
}

Window* TargetOf(std::uint32_t windowId)
{
    Window* hwnd = detail::FindWindowBySdlId(windowId);
    if (hwnd && detail::LiveWindow(hwnd)) return hwnd;
    return detail::GetMainWindow();
}

Point ScreenPoint(Window* hwnd, int x, int y)
{
    int wx = 0;
    int wy = 0;
    if (hwnd && hwnd->m_pSdlWindow) SDL_GetWindowPosition(hwnd->m_pSdlWindow, &wx, &wy);
    return Point{wx + x, wy + y};
}

WParam MouseKeyState(std::uint32_t buttons)
{
    WParam state = 0;
    if (buttons & SDL_BUTTON_LMASK) state |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) state |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK) state |= MK_MBUTTON;
    const SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) state |= MK_SHIFT;
    if (mod & KMOD_CTRL) state |= MK_CONTROL;
    return state;
}

void OnKey(const SDL_KeyboardEvent& key)
{
    Window* hwnd = TargetOf(key.windowID);
    if (!hwnd) return;
    const detail::SKeyCode code =
        detail::LookupSdlScancode(key.keysym.scancode, (key.keysym.mod & KMOD_NUM) != 0);
    if (code.vk == 0) return;
    const bool down = key.type == SDL_KEYDOWN;
    const bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    const bool ctrl = (key.keysym.mod & KMOD_CTRL) != 0;
    // Windows makes system keys of everything typed with Alt (but not with
    // Ctrl+Alt, which is AltGr on many layouts), of Alt itself and of F10.
    const bool sys = (alt && !ctrl) || (code.vk == VK_MENU && !ctrl) || code.vk == VK_F1 + 9;
    std::uint32_t lParam = 1u | (static_cast<std::uint32_t>(code.scanCode) << 16);
    if (code.extended) lParam |= KF_EXTENDED;
    if (sys && alt) lParam |= KF_ALTDOWN;
    if (!down || key.repeat) lParam |= KF_REPEAT;
    if (!down) lParam |= KF_UP;
    const std::uint32_t message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    detail::PostToWindow(hwnd, message, code.vk, static_cast<LParam>(lParam));
}

// Decodes one UTF-8 character at text[i]; -1 for a malformed sequence (one
// byte is then skipped).
std::int32_t NextCodePoint(const unsigned char* text, std::size_t length, std::size_t& i)
{
    const unsigned char lead = text[i];
    int extra = 0;
    std::int32_t cp = lead;
    if ((lead & 0xE0) == 0xC0)
    {
        extra = 1;
        cp = lead & 0x1F;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        extra = 2;
        cp = lead & 0x0F;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        extra = 3;
        cp = lead & 0x07;
    }
    else if (lead >= 0x80)
    {
        ++i;
        return -1;
    }
    if (i + static_cast<std::size_t>(extra) >= length)
    {
        ++i;
        return -1;
    }
    for (int k = 1; k <= extra; ++k)
    {
        const unsigned char next = text[i + k];
        if ((next & 0xC0) != 0x80)
        {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    i += 1 + extra;
    return cp;
}

void OnText(const SDL_TextInputEvent& text)
{
    Window* hwnd = TargetOf(text.windowID);
    if (!hwnd) return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.text);
    const std::size_t length = std::strlen(text.text);
    std::size_t i = 0;
    while (i < length)
    {
        const std::size_t start = i;
        const std::int32_t cp = NextCodePoint(bytes, length, i);
        // Control characters come from TranslateMessage, never twice.
        if (cp < 0x20 || cp == 0x7F) continue;
        const std::string converted = Utf8ToCp1251(std::string_view(text.text + start, i - start));
        // A character code page 1251 lacks is dropped rather than typed as '?'.
        if (converted.size() != 1 || (converted[0] == '?' && cp != '?')) continue;
        detail::PostToWindow(hwnd, WM_CHAR, static_cast<unsigned char>(converted[0]), 1);
    }
}

void OnWindowEvent(const SDL_WindowEvent& event)
{
    Window* hwnd = detail::FindWindowBySdlId(event.windowID);
    if (!hwnd || !detail::LiveWindow(hwnd)) return;
    switch (event.event)
    {
    case SDL_WINDOWEVENT_CLOSE:
        detail::PostToWindow(hwnd, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        detail::PostToWindow(hwnd, WM_ACTIVATEAPP, 1, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        detail::PostToWindow(hwnd, WM_ACTIVATEAPP, 0, 0);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        hwnd->m_bMinimized = true;
        detail::PostToWindow(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        hwnd->m_bMaximized = true;
        hwnd->m_bMinimized = false;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        // Restored from minimised keeps a maximised window maximised.
        if (hwnd->m_bMinimized)
            hwnd->m_bMinimized = false;
        else
            hwnd->m_bMaximized = false;
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        detail::PostToWindow(hwnd, WM_SIZE, hwnd->m_bMaximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                             MakePointParam(event.data1, event.data2));
        break;
    default:
        break;
    }
}

void OnMouseMotion(const SDL_MouseMotionEvent& motion)
{
    Window* hwnd = TargetOf(motion.windowID);
    if (!hwnd) return;
    detail::NoteCursorPos(ScreenPoint(hwnd, motion.x, motion.y));
    detail::PostToWindow(hwnd, WM_MOUSEMOVE, MouseKeyState(motion.state), MakePointParam(motion.x, motion.y));
}

void OnMouseButton(const SDL_MouseButtonEvent& button)
{
    Window* hwnd = TargetOf(button.windowID);
    if (!hwnd) return;
    const bool down = button.type == SDL_MOUSEBUTTONDOWN;
    std::uint32_t message = 0;
    switch (button.button)
    {
    case SDL_BUTTON_LEFT:
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        break;
    case SDL_BUTTON_RIGHT:
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        break;
    case SDL_BUTTON_MIDDLE:
        message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        break;
    default:
        return;
    }
    detail::NoteCursorPos(ScreenPoint(hwnd, button.x, button.y));
    detail::PostToWindow(hwnd, message, MouseKeyState(SDL_GetMouseState(nullptr, nullptr)),
                         MakePointParam(button.x, button.y));
}

void OnMouseWheel(const SDL_MouseWheelEvent& wheel)
{
    Window* hwnd = TargetOf(wheel.windowID);
    if (!hwnd || wheel.y == 0) return;
    int notches = wheel.y;
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    const int delta = std::clamp(notches * WHEEL_DELTA, -32768, 32767);
    const WParam wParam = (static_cast<WParam>(static_cast<std::uint16_t>(delta)) << 16) |
                          MouseKeyState(SDL_GetMouseState(nullptr, nullptr));
    // The wheel message carries screen coordinates, unlike the others.
    const Point pt = detail::GetLastCursorPos();
    detail::PostToWindow(hwnd, WM_MOUSEWHEEL, wParam, MakePointParam(pt.x, pt.y));
}

void Translate(const SDL_Event& event)
{
    switch (event.type)
    {
    case SDL_QUIT:
        // A signal (SIGTERM, SIGINT) or the desktop's logout: the game's own
        // path for closing its window.
        if (Window* main = detail::GetMainWindow()) detail::PostToWindow(main, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        OnWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        OnKey(event.key);
        break;
    case SDL_TEXTINPUT:
        OnText(event.text);
        break;
    case SDL_MOUSEMOTION:
        OnMouseMotion(event.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        OnMouseButton(event.button);
        break;
    case SDL_MOUSEWHEEL:
        OnMouseWheel(event.wheel);
        break;
    default:
        break;
    }
}

std::uint32_t MainSdlId()
{
    Window* main = detail::GetMainWindow();
    return main ? main->m_uSdlId : 0;
}

} // namespace

namespace detail
{

bool PumpWindowEvents()
{
    bool pumping = false;
    if (IsVideoThread())
    {
        pumping = true;
        SDL_Event event;
        for (int n = 0; n < kMaxEventsPerPump && SDL_PollEvent(&event); ++n)
        {
            std::vector<std::pair<SdlEventObserver, void*>> observers;
            {
                auto& all = Observers();
                std::lock_guard lock(all.mutex);
                observers = all.list;
            }
            for (auto& [observer, context] : observers)
                observer(event, context);
            Translate(event);
        }
    }
    if (PollInstanceRequests()) pumping = true;
    return pumping;
}

void AddSdlEventObserver(SdlEventObserver observer, void* context)
{
    if (!observer) return;
    auto& all = Observers();
    std::lock_guard lock(all.mutex);
    all.list.emplace_back(observer, context);
}

void RemoveSdlEventObserver(SdlEventObserver observer, void* context)
{
    auto& all = Observers();
    std::lock_guard lock(all.mutex);
    std::erase(all.list, std::make_pair(observer, context));
}

bool InjectKeyEvent(int sdlScancode, bool down, bool repeat, std::uint16_t sdlMod)
{
    const std::uint32_t windowId = MainSdlId();
    if (!windowId) return false;
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = windowId;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(sdlScancode);
    event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
    event.key.keysym.mod = sdlMod;
    return SDL_PushEvent(&event) == 1;
}

bool InjectTextEvent(const char* utf8)
{
    const std::uint32_t windowId = MainSdlId();
    if (!windowId || !utf8) return false;
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = windowId;
    std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
    return SDL_PushEvent(&event) == 1;
}

bool InjectMouseWheel(int notches)
{
    const std::uint32_t windowId = MainSdlId();
    if (!windowId) return false;
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = windowId;
    event.wheel.y = notches;
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    return SDL_PushEvent(&event) == 1;
}

} // namespace detail
} // namespace plat
