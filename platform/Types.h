// Basic types and Windows numeric values shared by the platform layer.
//
// The engine was written against Win32; where it stores or compares numbers
// that Windows defines (message ids, virtual keys, result codes) the same
// numbers are kept here under the platform's own namespace.
#pragma once

#include <cstdint>

namespace plat
{

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using HResult = std::int32_t;

struct Point
{
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct Rect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Result codes (HRESULT values).
constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001u);
constexpr bool Succeeded(HResult hr) { return hr >= 0; }
constexpr bool Failed(HResult hr) { return hr < 0; }

// Window messages.
constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_CREATE = 0x0001;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_MOVE = 0x0003;
constexpr std::uint32_t WM_SIZE = 0x0005;
constexpr std::uint32_t WM_ACTIVATE = 0x0006;
constexpr std::uint32_t WM_SETFOCUS = 0x0007;
constexpr std::uint32_t WM_KILLFOCUS = 0x0008;
constexpr std::uint32_t WM_PAINT = 0x000F;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_ERASEBKGND = 0x0014;
constexpr std::uint32_t WM_SHOWWINDOW = 0x0018;
constexpr std::uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr std::uint32_t WM_INPUTLANGCHANGEREQUEST = 0x0050;
constexpr std::uint32_t WM_INPUTLANGCHANGE = 0x0051;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
constexpr std::uint32_t WM_SYSCHAR = 0x0106;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr std::uint32_t WM_USER = 0x0400;
constexpr std::uint32_t WM_APP = 0x8000;
// RegisterWindowMessage hands out ids from this range.
constexpr std::uint32_t WM_REGISTERED_FIRST = 0xC000;
constexpr std::uint32_t WM_REGISTERED_LAST = 0xFFFF;

// WM_SYSCOMMAND codes; WM_COMMAND ids.
constexpr WParam SC_CLOSE = 0xF060;
constexpr WParam SC_MINIMIZE = 0xF020;
constexpr WParam SC_RESTORE = 0xF120;
constexpr WParam IDOK = 1;
constexpr WParam IDCANCEL = 2;

// Virtual keys.
constexpr std::uint32_t VK_BACK = 0x08;
constexpr std::uint32_t VK_TAB = 0x09;
constexpr std::uint32_t VK_RETURN = 0x0D;
constexpr std::uint32_t VK_SHIFT = 0x10;
constexpr std::uint32_t VK_CONTROL = 0x11;
constexpr std::uint32_t VK_MENU = 0x12;
constexpr std::uint32_t VK_PAUSE = 0x13;
constexpr std::uint32_t VK_CAPITAL = 0x14;
constexpr std::uint32_t VK_ESCAPE = 0x1B;
constexpr std::uint32_t VK_SPACE = 0x20;
constexpr std::uint32_t VK_PRIOR = 0x21;
constexpr std::uint32_t VK_NEXT = 0x22;
constexpr std::uint32_t VK_END = 0x23;
constexpr std::uint32_t VK_HOME = 0x24;
constexpr std::uint32_t VK_LEFT = 0x25;
constexpr std::uint32_t VK_UP = 0x26;
constexpr std::uint32_t VK_RIGHT = 0x27;
constexpr std::uint32_t VK_DOWN = 0x28;
constexpr std::uint32_t VK_SNAPSHOT = 0x2C;
constexpr std::uint32_t VK_INSERT = 0x2D;
constexpr std::uint32_t VK_DELETE = 0x2E;
// '0'..'9' are 0x30..0x39, 'A'..'Z' are 0x41..0x5A.
constexpr std::uint32_t VK_LWIN = 0x5B;
constexpr std::uint32_t VK_RWIN = 0x5C;
constexpr std::uint32_t VK_APPS = 0x5D;
constexpr std::uint32_t VK_NUMPAD0 = 0x60;
constexpr std::uint32_t VK_MULTIPLY = 0x6A;
constexpr std::uint32_t VK_ADD = 0x6B;
constexpr std::uint32_t VK_SUBTRACT = 0x6D;
constexpr std::uint32_t VK_DECIMAL = 0x6E;
constexpr std::uint32_t VK_DIVIDE = 0x6F;
constexpr std::uint32_t VK_F1 = 0x70;  // F1..F24 are consecutive
constexpr std::uint32_t VK_NUMLOCK = 0x90;
constexpr std::uint32_t VK_SCROLL = 0x91;
constexpr std::uint32_t VK_LSHIFT = 0xA0;
constexpr std::uint32_t VK_RSHIFT = 0xA1;
constexpr std::uint32_t VK_LCONTROL = 0xA2;
constexpr std::uint32_t VK_RCONTROL = 0xA3;
constexpr std::uint32_t VK_LMENU = 0xA4;
constexpr std::uint32_t VK_RMENU = 0xA5;
constexpr std::uint32_t VK_OEM_1 = 0xBA;       // ;:
constexpr std::uint32_t VK_OEM_PLUS = 0xBB;
constexpr std::uint32_t VK_OEM_COMMA = 0xBC;
constexpr std::uint32_t VK_OEM_MINUS = 0xBD;
constexpr std::uint32_t VK_OEM_PERIOD = 0xBE;
constexpr std::uint32_t VK_OEM_2 = 0xBF;       // /?
constexpr std::uint32_t VK_OEM_3 = 0xC0;       // `~
constexpr std::uint32_t VK_OEM_4 = 0xDB;       // [{
constexpr std::uint32_t VK_OEM_5 = 0xDC;       // \|
constexpr std::uint32_t VK_OEM_6 = 0xDD;       // ]}
constexpr std::uint32_t VK_OEM_7 = 0xDE;       // '"

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// Window styles and class styles.
constexpr std::uint32_t WS_OVERLAPPED = 0x00000000;
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_MAXIMIZE = 0x01000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr std::uint32_t WS_OVERLAPPEDWINDOW = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | 0x00010000;
constexpr std::uint32_t CS_VREDRAW = 0x0001;
constexpr std::uint32_t CS_HREDRAW = 0x0002;
constexpr std::int32_t CW_USEDEFAULT = static_cast<std::int32_t>(0x80000000u);

// PeekMessage options.
constexpr std::uint32_t PM_NOREMOVE = 0;
constexpr std::uint32_t PM_REMOVE = 1;

// MessageBox flags and answers.
constexpr std::uint32_t MB_OK = 0x00000000;
constexpr std::uint32_t MB_OKCANCEL = 0x00000001;
constexpr std::uint32_t MB_YESNO = 0x00000004;
constexpr std::uint32_t MB_ICONERROR = 0x00000010;
constexpr std::uint32_t MB_ICONWARNING = 0x00000030;
constexpr std::uint32_t MB_ICONINFORMATION = 0x00000040;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Wait results and time-outs.
constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;
constexpr std::uint32_t WAIT_OBJECT_0 = 0x00000000;
constexpr std::uint32_t WAIT_TIMEOUT = 0x00000102;
constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFFu;
constexpr std::uint32_t STILL_ACTIVE = 0x00000103;

constexpr std::uint32_t MAX_PATH = 260;

} // namespace plat
