// The application shell: main window, main loop, message pump, device-loss
// handling and the mouse cursor.
//
// The game's application class derives from CApplication, fills the service
// table m_Services in start-up order, starts it from its Init, overrides
// Main and calls Init and Run. Done stops the services in reverse order and
// then releases the device. On a device loss the services' invalidate steps
// run (last first) before the shell gives back the device's surfaces; after
// the reset their reset steps run (first first) between the input's
// acquisition and the device's own surfaces, projection, viewport and
// filters. g_pApplication points at the one application object. Everything
// here runs on the main thread.
//
// The window class name "TVXWC0" is also the single-instance test of the
// entry function.
#pragma once

#include "foundation/ServiceTable.h"
#include "foundation/ShellInterfaces.h"
#include "platform/Types.h"
#include "platform/Window.h"

#include <cstdint>

class CApplication
{
public:
    static constexpr const char* kWindowClassName = "TVXWC0";

    CApplication();
    virtual ~CApplication();

    virtual bool Init(void* hInstance, void* hPrevInstance, char* commandLine, int showCommand, std::uint32_t flags,
                      const char* title);
    virtual void Done();
    virtual std::uint32_t Run();
    virtual void Main() {}
    // The services' invalidate steps, last first, then the device's own
    // back and depth buffers are released.
    virtual void InvalidateResources();
    // The input is acquired again, the services' reset steps run first
    // first, then the device's buffers, projection, viewport and texture
    // filters come back.
    virtual void ResetResources();
    // Re-reads the settings and applies them (the options dialog).
    virtual void ReloadSettings() {}
    // A quit or close message reached the message pump: sets the quit flag.
    // The game application also ends the program there, not only the game.
    virtual void OnQuitMessage() { m_nQuit = 1; }
    // Messages dispatched to the main window: WM_DESTROY posts the quit
    // message, everything else goes to the default procedure.
    virtual plat::LResult HandleWindowMessage(std::uint32_t message, plat::WParam wParam, plat::LParam lParam);

    void PumpMessages();
    bool CheckDeviceLost();
    void OnDeviceLost();
    void RenderCursor();

    char m_szWindowClassName[20] = {};
    std::uint8_t m_bReady = 0;
    std::uint8_t m_cLastChar = 0;
    void* m_hInstance = nullptr;
    plat::Window* m_hWnd = nullptr;
    std::uint32_t m_nFlags = 0;
    std::uint32_t m_nQuit = 0;
    // The pause switch and whether the system cursor is shown for it.
    std::uint8_t m_bPause = 0;
    std::uint8_t m_bCursorShown = 0;
    // The last frame time, unscaled by the pause.
    float m_fTime = 0.0f;
    int m_nCursorTexture = -1;
    int m_nCursorHighlightTexture = -1;
    plat::Point m_CursorPos;

    // The device the shell watches: m_pDevice when set (a test's scripted
    // device), else the graphics device `graph` once it has a device.
    IShellDevice* GetDevice() const;
    IShellDevice* m_pDevice = nullptr;
    // The application's services in start-up order.
    CServiceTable m_Services;

    static plat::LResult WindowProc(plat::Window* hwnd, std::uint32_t message, plat::WParam wParam,
                                    plat::LParam lParam);
};

extern CApplication* g_pApplication;
