// Private to the window sources (Window*.cpp, Message*.cpp, Cursor.cpp,
// SingleInstance.cpp, Keyboard*.cpp): the window object and the calls these
// files make of one another.
//
// Window objects are owned by the registry in Window.cpp and live until
// ShutdownWindows. Their state fields are touched only by the owner thread;
// m_bDestroyed is read by PostMessage from any thread.
#pragma once

#include "platform/detail/WindowInternal.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace plat
{

class Window
{
public:
    std::string m_strClassName;
    WndProc m_pfnProc = nullptr;
    SDL_Window* m_pSdlWindow = nullptr;
    std::uint32_t m_uSdlId = 0;
    std::uint32_t m_uOwnerThread = 0;
    std::uint32_t m_uStyle = 0; // without the state bits below
    std::atomic<bool> m_bDestroyed{false};
    bool m_bDestroying = false;
    bool m_bVisible = false;
    bool m_bMinimized = false;
    bool m_bMaximized = false;
    bool m_bShownOnce = false;
    // Another process's window of the class, found by FindWindow.
    bool m_bProxy = false;
};

namespace detail
{

// Style bits Windows keeps in step with the window's state.
constexpr std::uint32_t WS_MINIMIZE_BIT = 0x20000000;

// Window.cpp
bool IsVideoUp();
bool IsVideoThread();
// hwnd when it is a window of this process that is not destroyed, else null.
Window* LiveWindow(Window* hwnd);
bool IsProxyWindow(Window* hwnd);
Window* AddProxyWindow(const char* className);
// Windows of this process that are not destroyed, in creation order.
std::vector<Window*> LiveWindows();

// MessageQueue.cpp
// Queues the message for the window's owner thread (front: before every
// message already waiting, as the characters TranslateMessage makes).
bool PostToWindow(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam);
void EnsureCurrentQueue();
void RemoveWindowMessages(Window* hwnd);

// WindowEvents.cpp: reads SDL events and single-instance requests; called by
// PeekMessage and GetMessage. True when the calling thread has something to
// pump (it must then not wait on its queue for long).
bool PumpWindowEvents();

// Cursor.cpp
void ApplyCursorState();
Point GetLastCursorPos();
void NoteCursorPos(Point pt);
void ReleaseCursorFor(Window* hwnd);

// SingleInstance.cpp
void PublishInstance(Window* hwnd);
void WithdrawInstance(Window* hwnd);
void WithdrawAllInstances();
// Owner side: answers requests from other processes; true while listening.
bool PollInstanceRequests();
// Another process's live window of the class as a proxy, else null.
Window* FindForeignInstance(const char* className);
bool ProxyIsIconic(Window* proxy);
bool ProxyRestore(Window* proxy);
bool ProxyRaise(Window* proxy);

// Errors of the window layer go to standard error; each text at most once
// when once is set, so a broken desktop does not flood the terminal.
void LogWindowError(const char* text, const char* detail = nullptr, bool once = false);

} // namespace detail
} // namespace plat
