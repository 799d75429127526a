// Windows, message queues, cursor and message boxes, over SDL2.
//
// Contract:
// - One process has at most a handful of windows; in practice the engine
//   makes one main window. Windows belong to the thread that created them and
//   their messages arrive in that thread's queue. Window functions other than
//   PostMessage must be called on that thread.
// - Every thread has a message queue, made on its first use (PeekMessage,
//   GetMessage, or a call that needs it). PostThreadMessage to a thread whose
//   queue does not exist yet fails, as on Windows; callers retry.
// - SDL events are read while the owner thread asks its queue for messages
//   (PeekMessage/GetMessage) and become the Windows messages the engine
//   expects: WM_CLOSE, WM_ACTIVATEAPP, WM_KEYDOWN/UP (WM_SYSKEYDOWN/UP while
//   Alt is held) with virtual keys, WM_CHAR with the character in code page
//   1251, mouse messages, WM_SIZE.
// - Texts given to or taken from this layer (titles, message box texts) are
//   code page 1251; conversion to UTF-8 happens inside.
// - Single instance: registering a window class and creating a window of it
//   makes that class findable from other processes of the same user
//   (FindWindow). A window found that way is a proxy: IsIconic, ShowWindow
//   (SW_RESTORE) and SetForegroundWindow on it ask the first process to
//   restore and raise its window. Nothing else may be called on a proxy.
//   The owner carries such requests out during its own PeekMessage.
// - Queues follow Windows: posted messages in order, WM_QUIT (PostQuitMessage)
//   only once no posted message the call would take is left, whatever the
//   filters, so that a pump filtered to its window still sees it. At most
//   10000 messages wait per queue (a post beyond fails); consecutive
//   WM_MOUSEMOVE of a window are merged into the newest.
// - SendMessage calls the window procedure directly; it is not carried over
//   to the owner thread (a call from another thread is logged once).
#pragma once

#include "platform/Types.h"

#include <cstdint>

namespace plat
{

class Window;

using WndProc = LResult (*)(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam);

struct Msg
{
    Window* hwnd = nullptr;
    std::uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    std::uint32_t time = 0;
    Point pt;
};

struct WindowClass
{
    std::uint32_t style = 0;
    WndProc proc = nullptr;
    const char* className = nullptr; // at most 63 characters
    const char* iconName = nullptr;  // kept; SDL windows carry no resource icon
};

// Window classes and windows.
bool RegisterClass(const WindowClass& wc);
bool UnregisterClass(const char* className);
// x, y, width, height may be CW_USEDEFAULT. Returns null on failure.
Window* CreateWindow(const char* className, const char* title, std::uint32_t style, std::int32_t x,
                     std::int32_t y, std::int32_t width, std::int32_t height);
// Sends WM_DESTROY to the window procedure and hides the window; the window
// object itself stays valid (and drawable for a device made on it) until
// ShutdownWindows, as a device may still be bound to it.
bool DestroyWindow(Window* hwnd);
// Releases every window, removes the single-instance files and ends the SDL
// video subsystem (the libraries it loaded stay loaded). Called at exit.
void ShutdownWindows();

bool ShowWindow(Window* hwnd, int command);
bool UpdateWindow(Window* hwnd);
bool IsWindow(Window* hwnd);
bool IsIconic(Window* hwnd);
bool SetForegroundWindow(Window* hwnd);
bool SetWindowText(Window* hwnd, const char* text);
bool GetClientRect(Window* hwnd, Rect* rect);
bool GetWindowRect(Window* hwnd, Rect* rect);
// Places the client area (the whole window when it has no frame, as the
// engine's windows) and ends a maximised or minimised state.
bool SetWindowPos(Window* hwnd, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
// Without the full WS_CAPTION the window has no frame; WS_VISIBLE shows or
// hides it. GetWindowStyle keeps WS_VISIBLE and WS_MAXIMIZE in step with the
// window, and overlapped windows carry WS_CAPTION from creation, as on Windows.
bool SetWindowStyle(Window* hwnd, std::uint32_t style);
std::uint32_t GetWindowStyle(Window* hwnd);
bool ClientToScreen(Window* hwnd, Point* pt);
bool ScreenToClient(Window* hwnd, Point* pt);
// The desktop size (the primary display's mode); 1024x768 when unknown.
Rect GetDesktopRect();

// Another process's (or this process's) window of the class, or null.
Window* FindWindow(const char* className);

// Window procedures. DefWindowProc: WM_CLOSE destroys the window; Alt+F4
// (WM_SYSKEYDOWN VK_F4) posts WM_SYSCOMMAND SC_CLOSE; SC_CLOSE sends
// WM_CLOSE, SC_MINIMIZE and SC_RESTORE show the window so; else 0.
LResult DefWindowProc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam);
LResult SendMessage(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam);

// Message queues. PostMessage with a null window posts to the calling thread.
bool PostMessage(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam);
void PostQuitMessage(int exitCode);
bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, WParam wParam, LParam lParam);
// hwnd null: any message of the thread, thread messages included; otherwise
// only that window's messages. filterMin/filterMax 0/0: no filter.
bool PeekMessage(Msg* msg, Window* hwnd, std::uint32_t filterMin, std::uint32_t filterMax,
                 std::uint32_t remove);
// Blocks until a message arrives; returns 0 for WM_QUIT, else 1.
int GetMessage(Msg* msg, Window* hwnd, std::uint32_t filterMin, std::uint32_t filterMax);
// Generates WM_CHAR for keys that type a control character (Backspace,
// Tab, Enter, Escape): text input itself arrives as WM_CHAR directly.
bool TranslateMessage(const Msg* msg);
LResult DispatchMessage(const Msg* msg);
// A process-wide id for a message name, the same for the same name.
std::uint32_t RegisterWindowMessage(const char* name);

// Cursor.
int ShowCursor(bool show);    // returns the new display counter
bool GetCursorPos(Point* pt); // screen coordinates
bool SetCursorPos(std::int32_t x, std::int32_t y);
// Confines the cursor to the rectangle of the window it lies in; null frees it.
bool ClipCursor(const Rect* rect);
void SetCapture(Window* hwnd);
void ReleaseCapture();

// Keyboard layouts: the next layout is taken by the desktop's input method;
// the call is kept so that the engine's key combination has an effect to ask for.
void ActivateNextKeyboardLayout();
int GetKeyboardLayoutSwitchCount();

// Message box. Without a display the text goes to standard error and the
// first answer (IDOK or IDYES) is returned.
int MessageBox(Window* hwnd, const char* text, const char* caption, std::uint32_t flags);

} // namespace plat
