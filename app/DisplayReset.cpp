#include "app/DisplayReset.h"

#include "foundation/Application.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "platform/Window.h"

#include <cstdio>

namespace
{
plat::HResult ResetTo(CApplication* app, int width, int height)
{
    if (graph.m_bWindowed && app && app->m_hWnd) plat::SetWindowPos(app->m_hWnd, 0, 0, width, height);
    graph.m_PresentParameters.BackBufferWidth = std::uint32_t(width);
    graph.m_PresentParameters.BackBufferHeight = std::uint32_t(height);
    const plat::HResult hr = graph.Reset();
    if (plat::Succeeded(hr))
    {
        graph.m_nScreenWidth = width;
        graph.m_nScreenHeight = height;
        g_Settings.ScreenWidth = width;
        g_Settings.ScreenHeight = height;
    }
    return hr;
}
} // namespace

bool ResetDisplaySize(int width, int height, std::string* why)
{
    XTRACE("ResetDisplaySize");
    CApplication* app = g_pApplication;
    if (!graph.m_lpDevice || !app)
    {
        if (why) *why = "no graphics device runs";
        return false;
    }
    const int oldWidth = graph.m_nScreenWidth, oldHeight = graph.m_nScreenHeight;
    app->InvalidateResources();
    const plat::HResult hr = ResetTo(app, width, height);
    bool ok = plat::Succeeded(hr);
    if (!ok)
    {
        char text[128];
        std::snprintf(text, sizeof text, "the device refused %dx%d (0x%08X); %dx%d is kept", width, height,
                      std::uint32_t(hr), oldWidth, oldHeight);
        if (why) *why = text;
        g_ErrorLog.LogError("ResetDisplaySize: %s", text);
        const plat::HResult back = ResetTo(app, oldWidth, oldHeight);
        if (plat::Failed(back))
            g_ErrorLog.LogError("ResetDisplaySize: the device did not take %dx%d back either (0x%08X)", oldWidth,
                                oldHeight, std::uint32_t(back));
    }
    app->ResetResources();
    return ok;
}
