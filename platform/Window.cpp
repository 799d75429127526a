// Window classes and windows over SDL2 windows.
#include "platform/detail/WindowObject.h"

#include "platform/CodePage.h"
#include "platform/Thread.h"

#include <SDL.h>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace plat
{
namespace
{

constexpr std::int32_t kDefaultWidth = 1024;
constexpr std::int32_t kDefaultHeight = 768;
constexpr std::size_t kMaxClassName = 63;

// ShowWindow commands the engine does not name but Windows programs pass.
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_SHOWDEFAULT = 10;
constexpr int SW_FORCEMINIMIZE = 11;

struct SWindowClass
{
    std::string name;
    WndProc proc = nullptr;
    std::uint32_t style = 0;
    std::string iconName;
};

struct SWindowRegistry
{
    std::mutex mutex;
    std::map<std::string, SWindowClass> classes; // by folded name
    // Every window made since the last ShutdownWindows, destroyed ones and
    // proxies included: handles stay valid pointers until then.
    std::vector<std::unique_ptr<Window>> windows;
    Window* mainWindow = nullptr;
    // The process that made the windows. A child made by fork() sees a copy
    // of the registry but owns none of it.
    pid_t ownerPid = 0;
};

SWindowRegistry& Registry()
{
    // Never destroyed: queues and windows may still be asked about from
    // thread-exit and atexit handlers.
    static auto* registry = new SWindowRegistry;
    return *registry;
}

std::mutex g_videoMutex;
std::atomic<bool> g_bVideoUp{false};
std::atomic<std::uint32_t> g_uVideoThread{0};

// Window class names compare without regard to case, as on Windows.
std::string FoldName(const char* name)
{
    std::string key(name);
    for (char& c : key)
        c = CharLower1251(c);
    return key;
}

bool IsRegisteredLocked(const SWindowRegistry& registry, const Window* hwnd)
{
    return hwnd && std::any_of(registry.windows.begin(), registry.windows.end(),
                               [hwnd](const std::unique_ptr<Window>& w) { return w.get() == hwnd; });
}

bool IsOwnProcess(const SWindowRegistry& registry)
{
    return registry.ownerPid == 0 || registry.ownerPid == getpid();
}

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

void PickNewMainWindowLocked(SWindowRegistry& registry)
{
    registry.mainWindow = nullptr;
    for (auto& w : registry.windows)
        if (!w->m_bProxy && !w->m_bDestroyed)
        {
            registry.mainWindow = w.get();
            break;
        }
}

// The libraries loaded for video (the GL driver stack) stay loaded when
// video ends. Drivers keep process-wide state that a second load, when video
// starts again, does not expect; and memory they still hold would look lost
// to a leak checker once their code is unmapped.
std::set<std::string> LoadedLibraryNames()
{
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data)
        {
            if (info->dlpi_name && *info->dlpi_name)
                static_cast<std::set<std::string>*>(data)->emplace(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

// The libraries the program started with are never unloaded; those pinned
// once stay. Only the rest are pinned: under a thread checker each dlopen
// rescans every loaded module, and pinning all of them on every shutdown
// took half a minute per test.
std::set<std::string> g_PinnedLibraries = LoadedLibraryNames();

void KeepLoadedLibraries()
{
    for (const std::string& name : LoadedLibraryNames())
    {
        if (!g_PinnedLibraries.insert(name).second) continue;
        if (void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
    }
}

void ShowSdl(Window* hwnd)
{
    if (!hwnd->m_bVisible) SDL_ShowWindow(hwnd->m_pSdlWindow);
    hwnd->m_bVisible = true;
    hwnd->m_bShownOnce = true;
}

} // namespace

namespace detail
{

void LogWindowError(const char* text, const char* detail, bool once)
{
    static std::mutex s_mutex;
    static std::set<std::string> s_logged;
    std::lock_guard lock(s_mutex);
    if (once && !s_logged.insert(text).second) return;
    if (detail && *detail)
        std::fprintf(stderr, "platform: %s: %s\n", text, detail);
    else
        std::fprintf(stderr, "platform: %s\n", text);
}

bool InitVideo()
{
    std::lock_guard lock(g_videoMutex);
    if (g_bVideoUp) return true;
    // A machine without a desktop (a server, a test run) still gets windows
    // that can carry a GL context, rather than a start-up failure.
    if (!IsSet("SDL_VIDEODRIVER") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    // The engine closes its own window on WM_CLOSE; SDL must not add a quit
    // event of its own when that window goes.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
    {
        LogWindowError("cannot start SDL video", SDL_GetError());
        return false;
    }
    g_uVideoThread = GetCurrentThreadId();
    g_bVideoUp = true;
    ApplyCursorState();
    return true;
}

bool IsVideoUp()
{
    return g_bVideoUp;
}

bool IsVideoThread()
{
    return g_bVideoUp && g_uVideoThread == GetCurrentThreadId();
}

Window* LiveWindow(Window* hwnd)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    if (!IsOwnProcess(registry) || !IsRegisteredLocked(registry, hwnd) || hwnd->m_bProxy ||
        hwnd->m_bDestroyed)
        return nullptr;
    return hwnd;
}

bool IsProxyWindow(Window* hwnd)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    return IsRegisteredLocked(registry, hwnd) && hwnd->m_bProxy;
}

Window* AddProxyWindow(const char* className)
{
    auto& registry = Registry();
    const std::string key = FoldName(className);
    std::lock_guard lock(registry.mutex);
    for (auto& w : registry.windows)
        if (w->m_bProxy && FoldName(w->m_strClassName.c_str()) == key) return w.get();
    auto proxy = std::make_unique<Window>();
    proxy->m_strClassName = className;
    proxy->m_bProxy = true;
    registry.windows.push_back(std::move(proxy));
    return registry.windows.back().get();
}

std::vector<Window*> LiveWindows()
{
    auto& registry = Registry();
    std::vector<Window*> result;
    std::lock_guard lock(registry.mutex);
    if (!IsOwnProcess(registry)) return result;
    for (auto& w : registry.windows)
        if (!w->m_bProxy && !w->m_bDestroyed) result.push_back(w.get());
    return result;
}

SDL_Window* GetSdlWindow(Window* hwnd)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    if (!IsRegisteredLocked(registry, hwnd) || hwnd->m_bProxy) return nullptr;
    return hwnd->m_pSdlWindow;
}

Window* FindWindowBySdlId(std::uint32_t windowId)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    if (windowId == 0) return nullptr;
    for (auto& w : registry.windows)
        if (!w->m_bProxy && w->m_uSdlId == windowId) return w.get();
    return nullptr;
}

Window* GetMainWindow()
{
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    return registry.mainWindow;
}

} // namespace detail

bool RegisterClass(const WindowClass& wc)
{
    if (!wc.className || !*wc.className || std::strlen(wc.className) > kMaxClassName || !wc.proc)
        return false;
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    SWindowClass entry;
    entry.name = wc.className;
    entry.proc = wc.proc;
    entry.style = wc.style;
    entry.iconName = wc.iconName ? wc.iconName : "";
    return registry.classes.emplace(FoldName(wc.className), std::move(entry)).second;
}

bool UnregisterClass(const char* className)
{
    if (!className) return false;
    auto& registry = Registry();
    const std::string key = FoldName(className);
    std::lock_guard lock(registry.mutex);
    auto it = registry.classes.find(key);
    if (it == registry.classes.end()) return false;
    // As on Windows, a class cannot go while a window of it exists.
    for (auto& w : registry.windows)
        if (!w->m_bProxy && !w->m_bDestroyed && FoldName(w->m_strClassName.c_str()) == key) return false;
    registry.classes.erase(it);
    return true;
}

Window* CreateWindow(const char* className, const char* title, std::uint32_t style, std::int32_t x,
                     std::int32_t y, std::int32_t width, std::int32_t height)
{
    if (!className) return nullptr;
    auto& registry = Registry();
    SWindowClass windowClass;
    {
        std::lock_guard lock(registry.mutex);
        auto it = registry.classes.find(FoldName(className));
        if (it == registry.classes.end())
        {
            detail::LogWindowError("CreateWindow: class not registered", className);
            return nullptr;
        }
        windowClass = it->second;
    }
    if (!detail::InitVideo()) return nullptr;

    // Windows gives every overlapped window a caption, whether asked or not;
    // removing it later is how the engine makes a borderless window.
    if (!(style & WS_POPUP)) style |= WS_CAPTION;
    if (x == CW_USEDEFAULT) x = y = static_cast<std::int32_t>(SDL_WINDOWPOS_UNDEFINED);
    if (width == CW_USEDEFAULT)
    {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    width = std::max(width, 1);
    height = std::max(height, 1);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE;
    flags |= (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (style & WS_MAXIMIZE) flags |= SDL_WINDOW_MAXIMIZED;
    if ((style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    const std::string utf8Title = Cp1251ToUtf8(title ? title : "");
    SDL_Window* sdlWindow = SDL_CreateWindow(utf8Title.c_str(), x, y, width, height, flags);
    if (!sdlWindow)
    {
        // Without GL the window still serves for messages and message boxes;
        // the graphics device reports its own failure.
        detail::LogWindowError("window without OpenGL", SDL_GetError());
        sdlWindow = SDL_CreateWindow(utf8Title.c_str(), x, y, width, height, flags & ~SDL_WINDOW_OPENGL);
    }
    if (!sdlWindow)
    {
        detail::LogWindowError("cannot create window", SDL_GetError());
        return nullptr;
    }

    detail::EnsureCurrentQueue();
    auto window = std::make_unique<Window>();
    Window* hwnd = window.get();
    hwnd->m_strClassName = windowClass.name;
    hwnd->m_pfnProc = windowClass.proc;
    hwnd->m_pSdlWindow = sdlWindow;
    hwnd->m_uSdlId = SDL_GetWindowID(sdlWindow);
    hwnd->m_uOwnerThread = GetCurrentThreadId();
    hwnd->m_uStyle = style & ~(WS_VISIBLE | WS_MAXIMIZE | detail::WS_MINIMIZE_BIT);
    hwnd->m_bVisible = (style & WS_VISIBLE) != 0;
    hwnd->m_bShownOnce = hwnd->m_bVisible;
    hwnd->m_bMaximized = (style & WS_MAXIMIZE) != 0;
    bool isMain = false;
    {
        std::lock_guard lock(registry.mutex);
        registry.ownerPid = getpid();
        registry.windows.push_back(std::move(window));
        if (!registry.mainWindow)
        {
            registry.mainWindow = hwnd;
            isMain = true;
        }
    }
    if (isMain) SDL_StartTextInput();

    // A window procedure that refuses WM_CREATE refuses the window.
    if (hwnd->m_pfnProc(hwnd, WM_CREATE, 0, 0) == -1)
    {
        hwnd->m_bDestroyed = true;
        SDL_HideWindow(sdlWindow);
        std::lock_guard lock(registry.mutex);
        if (registry.mainWindow == hwnd) PickNewMainWindowLocked(registry);
        return nullptr;
    }
    detail::PublishInstance(hwnd);
    return hwnd;
}

bool DestroyWindow(Window* hwnd)
{
    if (!detail::LiveWindow(hwnd) || hwnd->m_bDestroying) return false;
    if (hwnd->m_uOwnerThread != GetCurrentThreadId())
    {
        // Windows refuses this too: the owner thread may be using the window.
        detail::LogWindowError("DestroyWindow called off the window's thread", nullptr, true);
        return false;
    }
    hwnd->m_bDestroying = true;
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    // The SDL window stays (hidden): a graphics device may still present to it.
    SDL_HideWindow(hwnd->m_pSdlWindow);
    hwnd->m_bVisible = false;
    hwnd->m_bDestroyed = true;
    detail::WithdrawInstance(hwnd);
    detail::ReleaseCursorFor(hwnd);
    detail::RemoveWindowMessages(hwnd);
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    if (registry.mainWindow == hwnd) PickNewMainWindowLocked(registry);
    return true;
}

void ShutdownWindows()
{
    detail::WithdrawAllInstances();
    auto& registry = Registry();
    std::vector<std::unique_ptr<Window>> windows;
    {
        std::lock_guard lock(registry.mutex);
        windows.swap(registry.windows);
        registry.classes.clear();
        registry.mainWindow = nullptr;
    }
    const bool ownProcess = registry.ownerPid == 0 || registry.ownerPid == getpid();
    if (g_bVideoUp && ownProcess) KeepLoadedLibraries();
    for (auto& w : windows)
    {
        detail::ReleaseCursorFor(w.get());
        detail::RemoveWindowMessages(w.get());
        if (w->m_pSdlWindow && ownProcess) SDL_DestroyWindow(w->m_pSdlWindow);
    }
    std::lock_guard lock(g_videoMutex);
    if (g_bVideoUp && ownProcess)
    {
        SDL_StopTextInput();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }
    g_bVideoUp = false;
    g_uVideoThread = 0;
}

bool ShowWindow(Window* hwnd, int command)
{
    if (detail::IsProxyWindow(hwnd)) return command == SW_RESTORE && detail::ProxyRestore(hwnd);
    if (!detail::LiveWindow(hwnd)) return false;
    const bool wasVisible = hwnd->m_bVisible;
    SDL_Window* sdlWindow = hwnd->m_pSdlWindow;
    switch (command)
    {
    case SW_HIDE:
        if (hwnd->m_bVisible) SDL_HideWindow(sdlWindow);
        hwnd->m_bVisible = false;
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        ShowSdl(hwnd);
        SDL_MinimizeWindow(sdlWindow);
        hwnd->m_bMinimized = true;
        break;
    case SW_SHOWMAXIMIZED:
        ShowSdl(hwnd);
        SDL_MaximizeWindow(sdlWindow);
        hwnd->m_bMaximized = true;
        hwnd->m_bMinimized = false;
        break;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_SHOWDEFAULT:
        // The first showing keeps the WS_MAXIMIZE the window was made with:
        // the show command of the process's start is not meant to undo it.
        if (!hwnd->m_bShownOnce && hwnd->m_bMaximized)
        {
            ShowSdl(hwnd);
            break;
        }
        [[fallthrough]];
    case SW_RESTORE:
        ShowSdl(hwnd);
        // A minimised window comes back as it was before, maximised or not.
        if (hwnd->m_bMinimized)
        {
            SDL_RestoreWindow(sdlWindow);
            hwnd->m_bMinimized = false;
        }
        else if (hwnd->m_bMaximized)
        {
            SDL_RestoreWindow(sdlWindow);
            hwnd->m_bMaximized = false;
        }
        break;
    case SW_SHOW:
    case SW_SHOWNA:
        ShowSdl(hwnd);
        break;
    default:
        return false;
    }
    return wasVisible;
}

bool UpdateWindow(Window* hwnd)
{
    // Nothing is painted by the window itself: the device draws every frame.
    return detail::LiveWindow(hwnd) != nullptr;
}

bool IsWindow(Window* hwnd)
{
    return detail::LiveWindow(hwnd) || detail::IsProxyWindow(hwnd);
}

bool IsIconic(Window* hwnd)
{
    if (detail::IsProxyWindow(hwnd)) return detail::ProxyIsIconic(hwnd);
    return detail::LiveWindow(hwnd) && hwnd->m_bMinimized;
}

bool SetForegroundWindow(Window* hwnd)
{
    if (detail::IsProxyWindow(hwnd)) return detail::ProxyRaise(hwnd);
    if (!detail::LiveWindow(hwnd)) return false;
    SDL_RaiseWindow(hwnd->m_pSdlWindow);
    return true;
}

bool SetWindowText(Window* hwnd, const char* text)
{
    if (!detail::LiveWindow(hwnd)) return false;
    SDL_SetWindowTitle(hwnd->m_pSdlWindow, Cp1251ToUtf8(text ? text : "").c_str());
    return true;
}

bool GetClientRect(Window* hwnd, Rect* rect)
{
    if (!rect || !detail::LiveWindow(hwnd)) return false;
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(hwnd->m_pSdlWindow, &width, &height);
    *rect = Rect{0, 0, width, height};
    return true;
}

bool GetWindowRect(Window* hwnd, Rect* rect)
{
    if (!rect || !detail::LiveWindow(hwnd)) return false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(hwnd->m_pSdlWindow, &x, &y);
    SDL_GetWindowSize(hwnd->m_pSdlWindow, &width, &height);
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    if (SDL_GetWindowBordersSize(hwnd->m_pSdlWindow, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0; // the driver does not know its frame
    *rect = Rect{x - left, y - top, x + width + right, y + height + bottom};
    return true;
}

bool SetWindowPos(Window* hwnd, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    if (!detail::LiveWindow(hwnd)) return false;
    // A placed window is no longer maximised; SDL would otherwise keep the
    // maximised size and ignore the new one.
    if (hwnd->m_bMaximized || hwnd->m_bMinimized)
    {
        SDL_RestoreWindow(hwnd->m_pSdlWindow);
        hwnd->m_bMaximized = false;
        hwnd->m_bMinimized = false;
    }
    SDL_SetWindowPosition(hwnd->m_pSdlWindow, x, y);
    SDL_SetWindowSize(hwnd->m_pSdlWindow, std::max(width, 1), std::max(height, 1));
    return true;
}

bool SetWindowStyle(Window* hwnd, std::uint32_t style)
{
    if (!detail::LiveWindow(hwnd)) return false;
    hwnd->m_uStyle = style & ~(WS_VISIBLE | WS_MAXIMIZE | detail::WS_MINIMIZE_BIT);
    SDL_SetWindowBordered(hwnd->m_pSdlWindow, (style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
    if ((style & WS_VISIBLE) && !hwnd->m_bVisible)
        ShowSdl(hwnd);
    else if (!(style & WS_VISIBLE) && hwnd->m_bVisible)
    {
        SDL_HideWindow(hwnd->m_pSdlWindow);
        hwnd->m_bVisible = false;
    }
    return true;
}

std::uint32_t GetWindowStyle(Window* hwnd)
{
    if (!detail::LiveWindow(hwnd)) return 0;
    std::uint32_t style = hwnd->m_uStyle;
    if (hwnd->m_bVisible) style |= WS_VISIBLE;
    if (hwnd->m_bMaximized) style |= WS_MAXIMIZE;
    if (hwnd->m_bMinimized) style |= detail::WS_MINIMIZE_BIT;
    return style;
}

bool ClientToScreen(Window* hwnd, Point* pt)
{
    if (!pt || !detail::LiveWindow(hwnd)) return false;
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(hwnd->m_pSdlWindow, &x, &y);
    pt->x += x;
    pt->y += y;
    return true;
}

bool ScreenToClient(Window* hwnd, Point* pt)
{
    if (!pt || !detail::LiveWindow(hwnd)) return false;
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(hwnd->m_pSdlWindow, &x, &y);
    pt->x -= x;
    pt->y -= y;
    return true;
}

Rect GetDesktopRect()
{
    SDL_DisplayMode mode{};
    if (detail::InitVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0)
        return Rect{0, 0, mode.w, mode.h};
    return Rect{0, 0, kDefaultWidth, kDefaultHeight};
}

Window* FindWindow(const char* className)
{
    if (!className || !*className) return nullptr;
    auto& registry = Registry();
    const std::string key = FoldName(className);
    {
        std::lock_guard lock(registry.mutex);
        if (IsOwnProcess(registry))
            for (auto& w : registry.windows)
                if (!w->m_bProxy && !w->m_bDestroyed && FoldName(w->m_strClassName.c_str()) == key)
                    return w.get();
    }
    return detail::FindForeignInstance(className);
}

LResult DefWindowProc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    (void)lParam;
    switch (message)
    {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 asks to close through the system command, as on Windows.
        if (wParam == VK_F1 + 3) PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0)
        {
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            break;
        default:
            break;
        }
        return 0;
    default:
        return 0;
    }
}

LResult SendMessage(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    if (!detail::LiveWindow(hwnd) || !hwnd->m_pfnProc) return 0;
    if (hwnd->m_uOwnerThread != GetCurrentThreadId())
        detail::LogWindowError("SendMessage called off the window's thread; called directly", nullptr, true);
    return hwnd->m_pfnProc(hwnd, message, wParam, lParam);
}

} // namespace plat
