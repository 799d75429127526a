// The mouse cursor: display counter, position, clipping and capture.
#include "platform/detail/WindowObject.h"

#include <SDL.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace plat
{
namespace
{

// Windows counts ShowCursor calls; the cursor shows while the count is not
// negative. The engine hides it before any window exists.
std::atomic<int> g_iShowCount{0};

// The last screen position known, for messages posted from any thread and
// for a cursor asked about before the video starts.
std::mutex g_posMutex;
Point g_lastPos;

std::atomic<Window*> g_pCaptureWindow{nullptr};
std::atomic<Window*> g_pClipWindow{nullptr};

// The window the mouse is in, else the main window.
Window* MouseWindow()
{
    if (SDL_Window* focus = SDL_GetMouseFocus())
        if (Window* hwnd = detail::FindWindowBySdlId(SDL_GetWindowID(focus)))
            if (detail::LiveWindow(hwnd)) return hwnd;
    return detail::GetMainWindow();
}

// Drivers that can ask the desktop where the pointer is right now; the others
// know it only relative to a window, from their last event.
bool HasGlobalPointer()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "windows") == 0 ||
                      std::strcmp(driver, "cocoa") == 0);
}

} // namespace

namespace detail
{

void ApplyCursorState()
{
    SDL_ShowCursor(g_iShowCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

Point GetLastCursorPos()
{
    std::lock_guard lock(g_posMutex);
    return g_lastPos;
}

void NoteCursorPos(Point pt)
{
    std::lock_guard lock(g_posMutex);
    g_lastPos = pt;
}

void ReleaseCursorFor(Window* hwnd)
{
    Window* expected = hwnd;
    if (g_pCaptureWindow.compare_exchange_strong(expected, nullptr) && IsVideoThread())
        SDL_CaptureMouse(SDL_FALSE);
    expected = hwnd;
    if (g_pClipWindow.compare_exchange_strong(expected, nullptr) && IsVideoThread() && hwnd->m_pSdlWindow)
    {
        SDL_SetWindowMouseRect(hwnd->m_pSdlWindow, nullptr);
        SDL_SetWindowGrab(hwnd->m_pSdlWindow, SDL_FALSE);
    }
}

} // namespace detail

int ShowCursor(bool show)
{
    const int count = show ? ++g_iShowCount : --g_iShowCount;
    if (detail::IsVideoThread()) detail::ApplyCursorState();
    return count;
}

bool GetCursorPos(Point* pt)
{
    if (!pt) return false;
    if (detail::IsVideoThread())
    {
        int x = 0;
        int y = 0;
        // Asked of the desktop, the answer is right even just after a warp
        // whose motion event has not been read yet.
        if (HasGlobalPointer())
        {
            SDL_GetGlobalMouseState(&x, &y);
            detail::NoteCursorPos(Point{x, y});
        }
        else if (Window* hwnd = MouseWindow(); hwnd && hwnd->m_pSdlWindow)
        {
            int wx = 0;
            int wy = 0;
            SDL_GetMouseState(&x, &y);
            SDL_GetWindowPosition(hwnd->m_pSdlWindow, &wx, &wy);
            detail::NoteCursorPos(Point{wx + x, wy + y});
        }
    }
    *pt = detail::GetLastCursorPos();
    return true;
}

bool SetCursorPos(std::int32_t x, std::int32_t y)
{
    if (!detail::IsVideoThread()) return false;
    Window* hwnd = MouseWindow();
    if (!hwnd || !hwnd->m_pSdlWindow) return false;
    // Warping inside the window works on every driver; a global warp does not.
    int wx = 0;
    int wy = 0;
    SDL_GetWindowPosition(hwnd->m_pSdlWindow, &wx, &wy);
    SDL_WarpMouseInWindow(hwnd->m_pSdlWindow, x - wx, y - wy);
    detail::NoteCursorPos(Point{x, y});
    return true;
}

bool ClipCursor(const Rect* rect)
{
    if (!detail::IsVideoThread()) return false;
    if (!rect)
    {
        if (Window* hwnd = g_pClipWindow.exchange(nullptr); hwnd && hwnd->m_pSdlWindow)
        {
            SDL_SetWindowMouseRect(hwnd->m_pSdlWindow, nullptr);
            SDL_SetWindowGrab(hwnd->m_pSdlWindow, SDL_FALSE);
        }
        return true;
    }
    Window* hwnd = MouseWindow();
    if (!hwnd || !hwnd->m_pSdlWindow) return false;
    int wx = 0;
    int wy = 0;
    SDL_GetWindowPosition(hwnd->m_pSdlWindow, &wx, &wy);
    const SDL_Rect area{rect->left - wx, rect->top - wy, rect->right - rect->left, rect->bottom - rect->top};
    if (area.w <= 0 || area.h <= 0) return false;
    SDL_SetWindowMouseRect(hwnd->m_pSdlWindow, &area);
    SDL_SetWindowGrab(hwnd->m_pSdlWindow, SDL_TRUE);
    g_pClipWindow = hwnd;
    return true;
}

void SetCapture(Window* hwnd)
{
    if (!detail::LiveWindow(hwnd)) return;
    g_pCaptureWindow = hwnd;
    // Drivers without capture (offscreen, some Wayland setups) keep mouse
    // events in the window anyway while it has focus; nothing to report.
    if (detail::IsVideoThread()) SDL_CaptureMouse(SDL_TRUE);
}

void ReleaseCapture()
{
    if (g_pCaptureWindow.exchange(nullptr) && detail::IsVideoThread()) SDL_CaptureMouse(SDL_FALSE);
}

} // namespace plat
