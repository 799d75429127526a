// The one table from SDL scancodes to Windows virtual keys, PC scan codes and
// DirectInput codes, and the keyboard-layout call.
//
// Keys are mapped by position (as the scan code, and so DirectInput, always
// was): the engine binds keys by code, and a Russian layout gives the same
// virtual keys as an English one on Windows too.
#include "platform/detail/WindowObject.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstdio>

namespace plat
{
namespace
{

// Virtual keys the engine does not name.
constexpr std::uint8_t VK_CLEAR = 0x0C;
constexpr std::uint8_t VK_OEM_102 = 0xE2;

struct SKeyRow
{
    SDL_Scancode sdl;
    std::uint8_t vk;
    std::uint8_t scan;
    bool extended;
};

constexpr std::uint8_t F(int n)
{
    return static_cast<std::uint8_t>(VK_F1 + n - 1);
}

constexpr std::uint8_t V(std::uint32_t vk)
{
    return static_cast<std::uint8_t>(vk);
}

// The keypad's digit keys: the virtual key follows Num Lock, the scan code
// does not.
struct SKeypadRow
{
    SDL_Scancode sdl;
    std::uint8_t vkNumLock;
    std::uint8_t vkNavigation;
    std::uint8_t scan;
};

constexpr SKeypadRow kKeypad[] = {
    {SDL_SCANCODE_KP_0, V(VK_NUMPAD0 + 0), V(VK_INSERT), 0x52},
    {SDL_SCANCODE_KP_1, V(VK_NUMPAD0 + 1), V(VK_END), 0x4F},
    {SDL_SCANCODE_KP_2, V(VK_NUMPAD0 + 2), V(VK_DOWN), 0x50},
    {SDL_SCANCODE_KP_3, V(VK_NUMPAD0 + 3), V(VK_NEXT), 0x51},
    {SDL_SCANCODE_KP_4, V(VK_NUMPAD0 + 4), V(VK_LEFT), 0x4B},
    {SDL_SCANCODE_KP_5, V(VK_NUMPAD0 + 5), VK_CLEAR, 0x4C},
    {SDL_SCANCODE_KP_6, V(VK_NUMPAD0 + 6), V(VK_RIGHT), 0x4D},
    {SDL_SCANCODE_KP_7, V(VK_NUMPAD0 + 7), V(VK_HOME), 0x47},
    {SDL_SCANCODE_KP_8, V(VK_NUMPAD0 + 8), V(VK_UP), 0x48},
    {SDL_SCANCODE_KP_9, V(VK_NUMPAD0 + 9), V(VK_PRIOR), 0x49},
    {SDL_SCANCODE_KP_PERIOD, V(VK_DECIMAL), V(VK_DELETE), 0x53},
};

constexpr SKeyRow kKeys[] = {
    {SDL_SCANCODE_ESCAPE, V(VK_ESCAPE), 0x01, false},
    {SDL_SCANCODE_1, '1', 0x02, false},
    {SDL_SCANCODE_2, '2', 0x03, false},
    {SDL_SCANCODE_3, '3', 0x04, false},
    {SDL_SCANCODE_4, '4', 0x05, false},
    {SDL_SCANCODE_5, '5', 0x06, false},
    {SDL_SCANCODE_6, '6', 0x07, false},
    {SDL_SCANCODE_7, '7', 0x08, false},
    {SDL_SCANCODE_8, '8', 0x09, false},
    {SDL_SCANCODE_9, '9', 0x0A, false},
    {SDL_SCANCODE_0, '0', 0x0B, false},
    {SDL_SCANCODE_MINUS, V(VK_OEM_MINUS), 0x0C, false},
    {SDL_SCANCODE_EQUALS, V(VK_OEM_PLUS), 0x0D, false},
    {SDL_SCANCODE_BACKSPACE, V(VK_BACK), 0x0E, false},
    {SDL_SCANCODE_TAB, V(VK_TAB), 0x0F, false},
    {SDL_SCANCODE_Q, 'Q', 0x10, false},
    {SDL_SCANCODE_W, 'W', 0x11, false},
    {SDL_SCANCODE_E, 'E', 0x12, false},
    {SDL_SCANCODE_R, 'R', 0x13, false},
    {SDL_SCANCODE_T, 'T', 0x14, false},
    {SDL_SCANCODE_Y, 'Y', 0x15, false},
    {SDL_SCANCODE_U, 'U', 0x16, false},
    {SDL_SCANCODE_I, 'I', 0x17, false},
    {SDL_SCANCODE_O, 'O', 0x18, false},
    {SDL_SCANCODE_P, 'P', 0x19, false},
    {SDL_SCANCODE_LEFTBRACKET, V(VK_OEM_4), 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, V(VK_OEM_6), 0x1B, false},
    {SDL_SCANCODE_RETURN, V(VK_RETURN), 0x1C, false},
    {SDL_SCANCODE_LCTRL, V(VK_CONTROL), 0x1D, false},
    {SDL_SCANCODE_A, 'A', 0x1E, false},
    {SDL_SCANCODE_S, 'S', 0x1F, false},
    {SDL_SCANCODE_D, 'D', 0x20, false},
    {SDL_SCANCODE_F, 'F', 0x21, false},
    {SDL_SCANCODE_G, 'G', 0x22, false},
    {SDL_SCANCODE_H, 'H', 0x23, false},
    {SDL_SCANCODE_J, 'J', 0x24, false},
    {SDL_SCANCODE_K, 'K', 0x25, false},
    {SDL_SCANCODE_L, 'L', 0x26, false},
    {SDL_SCANCODE_SEMICOLON, V(VK_OEM_1), 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, V(VK_OEM_7), 0x28, false},
    {SDL_SCANCODE_GRAVE, V(VK_OEM_3), 0x29, false},
    {SDL_SCANCODE_LSHIFT, V(VK_SHIFT), 0x2A, false},
    {SDL_SCANCODE_BACKSLASH, V(VK_OEM_5), 0x2B, false},
    {SDL_SCANCODE_NONUSHASH, V(VK_OEM_5), 0x2B, false},
    {SDL_SCANCODE_Z, 'Z', 0x2C, false},
    {SDL_SCANCODE_X, 'X', 0x2D, false},
    {SDL_SCANCODE_C, 'C', 0x2E, false},
    {SDL_SCANCODE_V, 'V', 0x2F, false},
    {SDL_SCANCODE_B, 'B', 0x30, false},
    {SDL_SCANCODE_N, 'N', 0x31, false},
    {SDL_SCANCODE_M, 'M', 0x32, false},
    {SDL_SCANCODE_COMMA, V(VK_OEM_COMMA), 0x33, false},
    {SDL_SCANCODE_PERIOD, V(VK_OEM_PERIOD), 0x34, false},
    {SDL_SCANCODE_SLASH, V(VK_OEM_2), 0x35, false},
    {SDL_SCANCODE_RSHIFT, V(VK_SHIFT), 0x36, false},
    {SDL_SCANCODE_KP_MULTIPLY, V(VK_MULTIPLY), 0x37, false},
    {SDL_SCANCODE_LALT, V(VK_MENU), 0x38, false},
    {SDL_SCANCODE_SPACE, V(VK_SPACE), 0x39, false},
    {SDL_SCANCODE_CAPSLOCK, V(VK_CAPITAL), 0x3A, false},
    {SDL_SCANCODE_F1, F(1), 0x3B, false},
    {SDL_SCANCODE_F2, F(2), 0x3C, false},
    {SDL_SCANCODE_F3, F(3), 0x3D, false},
    {SDL_SCANCODE_F4, F(4), 0x3E, false},
    {SDL_SCANCODE_F5, F(5), 0x3F, false},
    {SDL_SCANCODE_F6, F(6), 0x40, false},
    {SDL_SCANCODE_F7, F(7), 0x41, false},
    {SDL_SCANCODE_F8, F(8), 0x42, false},
    {SDL_SCANCODE_F9, F(9), 0x43, false},
    {SDL_SCANCODE_F10, F(10), 0x44, false},
    // Windows reports Num Lock with the extended flag and Pause without it;
    // DirectInput numbers them the other way round (see LookupSdlScancode).
    {SDL_SCANCODE_NUMLOCKCLEAR, V(VK_NUMLOCK), 0x45, true},
    {SDL_SCANCODE_PAUSE, V(VK_PAUSE), 0x45, false},
    {SDL_SCANCODE_SCROLLLOCK, V(VK_SCROLL), 0x46, false},
    {SDL_SCANCODE_KP_MINUS, V(VK_SUBTRACT), 0x4A, false},
    {SDL_SCANCODE_KP_PLUS, V(VK_ADD), 0x4E, false},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0x56, false},
    {SDL_SCANCODE_F11, F(11), 0x57, false},
    {SDL_SCANCODE_F12, F(12), 0x58, false},
    {SDL_SCANCODE_KP_ENTER, V(VK_RETURN), 0x1C, true},
    {SDL_SCANCODE_RCTRL, V(VK_CONTROL), 0x1D, true},
    {SDL_SCANCODE_KP_DIVIDE, V(VK_DIVIDE), 0x35, true},
    {SDL_SCANCODE_PRINTSCREEN, V(VK_SNAPSHOT), 0x37, true},
    {SDL_SCANCODE_RALT, V(VK_MENU), 0x38, true},
    {SDL_SCANCODE_HOME, V(VK_HOME), 0x47, true},
    {SDL_SCANCODE_UP, V(VK_UP), 0x48, true},
    {SDL_SCANCODE_PAGEUP, V(VK_PRIOR), 0x49, true},
    {SDL_SCANCODE_LEFT, V(VK_LEFT), 0x4B, true},
    {SDL_SCANCODE_RIGHT, V(VK_RIGHT), 0x4D, true},
    {SDL_SCANCODE_END, V(VK_END), 0x4F, true},
    {SDL_SCANCODE_DOWN, V(VK_DOWN), 0x50, true},
    {SDL_SCANCODE_PAGEDOWN, V(VK_NEXT), 0x51, true},
    {SDL_SCANCODE_INSERT, V(VK_INSERT), 0x52, true},
    {SDL_SCANCODE_DELETE, V(VK_DELETE), 0x53, true},
    {SDL_SCANCODE_LGUI, V(VK_LWIN), 0x5B, true},
    {SDL_SCANCODE_RGUI, V(VK_RWIN), 0x5C, true},
    {SDL_SCANCODE_APPLICATION, V(VK_APPS), 0x5D, true},
};

constexpr std::uint8_t DirectInputCode(std::uint8_t scan, bool extended)
{
    return static_cast<std::uint8_t>(extended ? (scan | 0x80) : scan);
}

using KeyTable = std::array<detail::SKeyCode, SDL_NUM_SCANCODES>;

const KeyTable& Table()
{
    static const KeyTable table = []
    {
        KeyTable t{};
        for (const SKeyRow& row : kKeys)
            t[row.sdl] =
                detail::SKeyCode{row.vk, row.scan, row.extended, DirectInputCode(row.scan, row.extended)};
        t[SDL_SCANCODE_NUMLOCKCLEAR].dik = 0x45;
        t[SDL_SCANCODE_PAUSE].dik = 0xC5;
        return t;
    }();
    return table;
}

std::atomic<int> g_iLayoutSwitches{0};

} // namespace

namespace detail
{

SKeyCode LookupSdlScancode(int sdlScancode, bool numLock)
{
    if (sdlScancode <= 0 || sdlScancode >= SDL_NUM_SCANCODES) return SKeyCode{};
    for (const SKeypadRow& row : kKeypad)
        if (row.sdl == sdlScancode)
            return SKeyCode{numLock ? row.vkNumLock : row.vkNavigation, row.scan, false, row.scan};
    return Table()[static_cast<std::size_t>(sdlScancode)];
}

} // namespace detail

void ActivateNextKeyboardLayout()
{
    if (g_iLayoutSwitches.fetch_add(1) == 0)
        std::fprintf(stderr, "platform: the keyboard layout is chosen by the desktop's input method; "
                             "the game's layout key does not switch it\n");
}

int GetKeyboardLayoutSwitchCount()
{
    return g_iLayoutSwitches.load();
}

} // namespace plat
