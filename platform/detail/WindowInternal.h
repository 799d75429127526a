// Inside the platform layer only: what other parts of the layer (the
// graphics device, input, video) need of a window.
//
// Thread safety: the SDL calls behind these functions must run on the thread
// that owns the windows (the one that created them, which also pumps SDL
// events); the counters and the key table may be read from any thread.
#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace plat::detail
{

// Initialises SDL's video subsystem once (events included); false when no
// video driver can be opened. Without SDL_VIDEODRIVER, DISPLAY and
// WAYLAND_DISPLAY the "offscreen" driver is used. ShutdownWindows ends it; a
// later call starts it again.
bool InitVideo();

// The SDL window behind an engine window; null for a proxy or a bad handle.
// Windows are created with SDL_WINDOW_OPENGL when the driver can do it. A
// destroyed window keeps its SDL window (hidden) until ShutdownWindows.
SDL_Window* GetSdlWindow(Window* hwnd);

// The engine window of an SDL window id, or null (destroyed windows too).
Window* FindWindowBySdlId(std::uint32_t windowId);

// The first window created and not yet destroyed: the one that gets
// SDL_QUIT as WM_CLOSE and keyboard input without a focus window.
Window* GetMainWindow();

// Every SDL event read by the pump is shown to the observers first (on the
// window owner's thread, inside PeekMessage/GetMessage), before it becomes a
// window message. Input devices read keys, mouse motion and joysticks here.
using SdlEventObserver = void (*)(const SDL_Event& event, void* context);
void AddSdlEventObserver(SdlEventObserver observer, void* context);
void RemoveSdlEventObserver(SdlEventObserver observer, void* context);

// One row of the key table, by SDL scancode: the Windows virtual key, the PC
// set-1 scan code with its extended (E0) flag, and the DirectInput code.
// vk 0: a key the engine does not know. numLock chooses what the keypad's
// digit keys mean, as on Windows.
struct SKeyCode
{
    std::uint8_t vk = 0;
    std::uint8_t scanCode = 0;
    bool extended = false;
    std::uint8_t dik = 0;
};
SKeyCode LookupSdlScancode(int sdlScancode, bool numLock);

// Single instance: requests another process made on this process's window
// and that were carried out (ShowWindow SW_RESTORE, SetForegroundWindow).
int GetRestoreRequestCount();
int GetRaiseRequestCount();
// Where the lock file and the socket of a window class live.
std::string GetInstanceLockPath(const char* className);
std::string GetInstanceSocketPath(const char* className);

// Test hooks: queue a synthetic SDL event for the main window, handled by the
// next PeekMessage exactly like one from the desktop. Scancodes and modifier
// bits are SDL's numbers. False without a main window.
bool InjectKeyEvent(int sdlScancode, bool down, bool repeat, std::uint16_t sdlMod);
bool InjectTextEvent(const char* utf8);
bool InjectMouseWheel(int notches);

} // namespace plat::detail
