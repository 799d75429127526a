#include "foundation/Application.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "foundation/Screenshot.h"
#include "foundation/Settings.h"
#include "platform/Thread.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

CApplication* g_pApplication = nullptr;

namespace
{
// DirectInput codes of the keys of the layout switch.
constexpr int kDikLeftControl = 0x1D;
constexpr int kDikLeftAlt = 0x38;
constexpr int kDikRightControl = 0x9D;
constexpr int kDikRightAlt = 0xB8;
constexpr int kDikLeftShift = 0x2A;
constexpr int kDikRightShift = 0x36;

constexpr int kMessagesPerPump = 10;

constexpr int kCursorTechnique = 11;
constexpr int kCursorHighlightTechnique = 19;

ICursorPainter* g_pCursorPainter = nullptr;
} // namespace

void SetCursorPainter(ICursorPainter* painter)
{
    g_pCursorPainter = painter;
}

CApplication::CApplication() = default;

CApplication::~CApplication()
{
    if (g_pApplication == this)
        g_pApplication = nullptr;
}

plat::LResult CApplication::WindowProc(plat::Window* hwnd, std::uint32_t message, plat::WParam wParam,
                                       plat::LParam lParam)
{
    if (g_pApplication && g_pApplication->m_hWnd == hwnd)
        return g_pApplication->HandleWindowMessage(message, wParam, lParam);
    if (message == plat::WM_DESTROY)
    {
        plat::PostQuitMessage(0);
        return 0;
    }
    return plat::DefWindowProc(hwnd, message, wParam, lParam);
}

plat::LResult CApplication::HandleWindowMessage(std::uint32_t message, plat::WParam wParam, plat::LParam lParam)
{
    if (message == plat::WM_DESTROY)
    {
        plat::PostQuitMessage(0);
        return 0;
    }
    return plat::DefWindowProc(m_hWnd, message, wParam, lParam);
}

bool CApplication::Init(void* hInstance, void* /*hPrevInstance*/, char* /*commandLine*/, int showCommand,
                        std::uint32_t flags, const char* title)
{
    XTRACE("CApplication::Init");
    g_pApplication = this;
    std::strncpy(m_szWindowClassName, kWindowClassName, sizeof(m_szWindowClassName) - 1);
    m_hInstance = hInstance;
    m_nFlags = flags;

    plat::WindowClass wc;
    wc.style = plat::CS_HREDRAW | plat::CS_VREDRAW;
    wc.proc = &CApplication::WindowProc;
    wc.className = m_szWindowClassName;
    wc.iconName = "IDI_TARVOX";
    plat::RegisterClass(wc);

    m_hWnd = plat::CreateWindow(m_szWindowClassName, title, plat::WS_OVERLAPPED | plat::WS_MAXIMIZE,
                                plat::CW_USEDEFAULT, plat::CW_USEDEFAULT, plat::CW_USEDEFAULT, plat::CW_USEDEFAULT);
    if (!m_hWnd)
        return false;
    plat::ShowWindow(m_hWnd, showCommand);
    plat::UpdateWindow(m_hWnd);

    m_nQuit = 0;
    m_bPause = 0;
    m_bCursorShown = 0;
    m_bReady = 0;
    return true;
}

IShellDevice* CApplication::GetDevice() const
{
    if (m_pDevice)
        return m_pDevice;
    return graph.m_lpDevice ? &graph : nullptr;
}

void CApplication::Done()
{
    XTRACE("CApplication::Done");
    m_Services.Stop();
    if (IShellDevice* device = GetDevice())
        device->Release();
}

std::uint32_t CApplication::Run()
{
    XTRACE("CApplication::Run");
    while (!m_nQuit)
    {
        if (!CheckDeviceLost())
        {
            Main();
            PumpMessages();
        }
    }
    return m_nQuit;
}

void CApplication::PumpMessages()
{
    XTRACE("CApplication::PumpMessages");
    if (g_pInput)
        m_CursorPos = g_pInput->GetCursorPos();
    else
        plat::GetCursorPos(&m_CursorPos);

    int dispatched = 0;
    plat::Msg msg;
    while (plat::PeekMessage(&msg, m_hWnd, 0, 0, plat::PM_REMOVE))
    {
        bool keyboard = false;
        switch (msg.message)
        {
        case plat::WM_CLOSE:
        case plat::WM_QUIT:
            OnQuitMessage();
            break;
        case plat::WM_ACTIVATEAPP:
            if (msg.wParam == 1 && g_pInput)
                g_pInput->Acquire();
            break;
        case plat::WM_INPUTLANGCHANGEREQUEST:
        case plat::WM_INPUTLANGCHANGE:
            // The layout is the keyboard's business, not the window's.
            return;
        case plat::WM_CHAR:
            m_cLastChar = static_cast<std::uint8_t>(msg.wParam);
            if (g_pInput)
                g_pInput->OnChar(static_cast<char>(msg.wParam), static_cast<std::uint32_t>(msg.lParam));
            break;
        case plat::WM_SYSCOMMAND:
            if ((msg.wParam & 0xFFF0) == plat::SC_CLOSE)
            {
                OnQuitMessage();
                return;
            }
            break;
        case plat::WM_KEYUP:
            if (msg.wParam == plat::VK_SNAPSHOT)
                SaveJpegScreenshot(g_Settings.JPGQuality);
            keyboard = true;
            break;
        case plat::WM_KEYDOWN:
        case plat::WM_SYSKEYDOWN:
        case plat::WM_SYSKEYUP:
            keyboard = true;
            break;
        default:
            break;
        }

        if (keyboard)
        {
            if (g_pInput &&
                (g_pInput->IsDown(kDikLeftControl) || g_pInput->IsDown(kDikLeftAlt) ||
                 g_pInput->IsDown(kDikRightControl) || g_pInput->IsDown(kDikRightAlt)) &&
                (g_pInput->IsPressed(kDikLeftShift) || g_pInput->IsPressed(kDikRightShift)))
            {
                plat::ActivateNextKeyboardLayout();
            }
            // Until the application has finished starting, keys are not for the window.
            if (!m_bReady)
                return;
        }

        plat::TranslateMessage(&msg);
        plat::DispatchMessage(&msg);
        if (++dispatched >= kMessagesPerPump)
            return;
    }
}

bool CApplication::CheckDeviceLost()
{
    XTRACE("CApplication::CheckDeviceLost");
    IShellDevice* device = GetDevice();
    if (!device || plat::Succeeded(device->TestCooperativeLevel()))
        return false;
    OnDeviceLost();
    return true;
}

void CApplication::OnDeviceLost()
{
    XTRACE("CApplication::OnDeviceLost");
    IShellDevice* device = GetDevice();
    if (!device)
        return;
    plat::HResult hr = device->TestCooperativeLevel();
    if (plat::Succeeded(hr))
        return;

    InvalidateResources();
    while (hr != IShellDevice::kDeviceNotReset && !m_nQuit)
    {
        hr = device->TestCooperativeLevel();
        PumpMessages();
        plat::Sleep(5);
    }
    plat::Sleep(10);
    if (hr != IShellDevice::kDeviceNotReset)
        g_ErrorLog.LogError("hr==D3DERR_DEVICENOTRESET");

    if (plat::Succeeded(device->Reset()))
    {
        ResetResources();
        return;
    }
    g_ErrorLog.LogError("Application can`t restore to fullscreen mode");
    m_nQuit = 1;
    throw std::runtime_error("device reset failed");
}

void CApplication::InvalidateResources()
{
    XTRACE("CApplication::InvalidateResources");
    m_Services.Invalidate();
    // A reset needs every default-pool object gone, and the device holds a
    // reference to whatever is bound to it: the last mesh drawn and the
    // stage textures stay alive until unbound.
    if (plat::d3d::Device* device = graph.m_lpDevice)
    {
        for (std::uint32_t stage = 0; stage < 4; ++stage)
            device->SetTexture(stage, nullptr);
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
    }
    // So are the references to the device's own surfaces.
    if (graph.m_lpBackBuffer)
        graph.m_lpBackBuffer->Release();
    graph.m_lpBackBuffer = nullptr;
    if (graph.m_lpDepthBuffer)
        graph.m_lpDepthBuffer->Release();
    graph.m_lpDepthBuffer = nullptr;
}

void CApplication::ResetResources()
{
    XTRACE("CApplication::ResetResources");
    if (g_pInput)
        g_pInput->Acquire();
    m_Services.Reset();
    plat::d3d::Device* device = graph.m_lpDevice;
    if (!device)
        return;
    device->GetRenderTarget(&graph.m_lpBackBuffer);
    device->GetDepthStencilSurface(&graph.m_lpDepthBuffer);
    if (!graph.m_lpDepthBuffer)
        g_ErrorLog.LogError("graph.m_lpDepthBuffer==0");
    if (!graph.m_lpBackBuffer)
        g_ErrorLog.LogError("graph.m_lpBackBuffer==0");
    // The new surfaces become the base of the render-target stack: the
    // current pair, set on the device by the pop.
    graph.m_lpCurrentTarget = graph.m_lpBackBuffer;
    graph.m_lpCurrentDepth = graph.m_lpDepthBuffer;
    graph.PushRenderTarget(graph.m_lpBackBuffer, graph.m_lpDepthBuffer);
    graph.PopRenderTarget();
    graph.ApplyProjection();
    plat::d3d::SViewport viewport{0, 0, std::uint32_t(std::max(0, graph.m_nScreenWidth)),
                                  std::uint32_t(std::max(0, graph.m_nScreenHeight)), 0.0f, 1.0f};
    device->SetViewport(&viewport);
    for (int stage = 0; stage < 4; ++stage)
        graph.SetTextureFilter(stage);
}

void CApplication::RenderCursor()
{
    XTRACE("CApplication::RenderCursor");
    if (g_Settings.UseSystemCursor || !g_pCursorPainter)
        return;
    // The hot spot sits two pixels into the 32 x 32 picture.
    const int quad[4] = {m_CursorPos.x - 2, m_CursorPos.y - 2, m_CursorPos.x + 30, m_CursorPos.y + 30};
    g_pCursorPainter->DrawQuad(quad, m_nCursorTexture, kCursorTechnique);
    if (m_nCursorHighlightTexture != -1 && g_pCursorPainter->IsAvailable(m_nCursorHighlightTexture))
    {
        // The highlight pulses four times in a little under a second.
        g_pCursorPainter->SetBlendFactor(0.66f + 0.33f * std::sin(8.0f * g_pCursorPainter->GetEngineTime()));
        g_pCursorPainter->DrawQuad(quad, m_nCursorHighlightTexture, kCursorHighlightTechnique);
    }
}
