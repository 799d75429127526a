#include "ui/menu/BaseMenu.h"

#include "foundation/Application.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "foundation/Settings.h"
#include "graphics/Font.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TextureManager.h"
#include "ui/Control.h"
#include "ui/UICodes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

IMenuHost* g_pMenuHost = nullptr;

namespace
{
constexpr float kToolTipDelay = 0.5f; // seconds of rest before a tooltip
constexpr std::uint32_t kFpsColour = 0x80FFFF00u;

// Keeps the loop's promise when a pass fails: the world and the cursor are
// given back before the failure passes on.
struct SModalGuard
{
    CBaseMenu* menu;
    bool armed = true;
    ~SModalGuard()
    {
        if (!armed) return;
        try
        {
            menu->PostProcess(1);
        }
        catch (...)
        {
        }
        if (g_pMenuHost) g_pMenuHost->PauseGame(false);
    }
};
} // namespace

CMenuControl::CMenuControl(int left, int top, int right, int bottom) : m_Rect{left, top, right, bottom} {}

CBaseMenu::~CBaseMenu()
{
    for (CMenuControl* c : m_Controls)
        delete c;
}

void CMenuControl::ProcessMouse(int x, int y)
{
    CBaseMenu* menu = m_pMenu;
    const bool released = menu && menu->LeftReleased();
    if (PointInRect(x, y, m_Rect.left, m_Rect.top, m_Rect.right, m_Rect.bottom))
    {
        m_fHoverTime += menu ? menu->m_fFrameTime : 0.0f;
        if (menu && m_fHoverTime > kToolTipDelay && !m_ToolTip.empty()) menu->m_pToolTip = this;
        OnMouseOver();
        if (menu && menu->LeftPressed()) OnMouseDown();
        if (released) OnMouseUp();
        return;
    }
    m_fHoverTime = 0.0f;
    if (released) OnMouseUpOutside();
}

int CBaseMenu::DoModal(void* param, bool modal, bool caching)
{
    XTRACE("CBaseMenu::DoModal");
    IMenuHost* host = g_pMenuHost;
    m_fDimLevel = 0.0f;
    if (host)
    {
        host->PauseGame(true);
        host->StopSounds(caching);
    }
    SModalGuard guard{this};
    PreProcess();
    do
    {
        {
            XTRACE("Init");
            m_bRestart = 0;
            m_bDone = 0;
            m_nResult = 0;
            if (host)
            {
                host->ClearLeaveCycle();
                host->SwitchOffLights();
            }
            const float start = host ? host->GetElapsedTime() : 0.0f;
            const auto cachingScreen = [&]
            {
                if (caching && host && host->GetElapsedTime() - start > 0.25f)
                {
                    host->DrawWaitScreen(-1, kCachingCaption, true);
                }
            };
            OnInit();
            Render();
            cachingScreen();
            if (host) host->WaitForModels();
            Render();
            cachingScreen();
            if (host) host->WaitForTextures();
            ResetTimer();
            if (param) SetParam(param);
            if (host) host->ResetFrameTimer();
        }
        {
            XTRACE("Cycle");
            RunCycle(modal);
        }
        if (!m_bRestart) break;
        RemoveAllControls();
    } while (modal);
    {
        XTRACE("PostProcess");
        // The closing pass: the scene brightens back while the menu is done
        // (RenderMap lowers the dim level); these frames are not presented.
        m_bDone = 1;
        for (int guardFrames = 0; m_fDimLevel != 0.0f && guardFrames < 1000; ++guardFrames)
        {
            const float before = m_fDimLevel;
            Render();
            // A menu whose Render does not draw the scene would never
            // brighten; it ends here.
            if (m_fDimLevel >= before) break;
        }
        guard.armed = false;
        PostProcess(1);
        if (host) host->PauseGame(false);
    }
    return m_nResult;
}

void CBaseMenu::RunCycle(bool modal)
{
    IMenuHost* host = g_pMenuHost;
    float t = 0.0f;
    bool first = true;
    while (!m_bDone && !(host && host->IsLeaveCycle()))
    {
        if (host && host->IsDeviceLost())
        {
            if (!modal) break;
            continue;
        }
        Render();
        if (host) host->PresentFrame();
        ProcessMessages();
        RunControl();
        if (first)
        {
            ProcessMusic(0);
            first = false;
        }
        if (host) host->FrameUpkeep(t, m_fFrameTime);
        t += m_fFrameTime;
        if (!modal) break;
    }
}

void CBaseMenu::Render()
{
    XTRACE("CBaseMenu::Render");
    IMenuHost* host = g_pMenuHost;
    if (host) host->BeginMenuFrame();
    const float s = 0.8f + 0.2f * std::sin(8.0f * g_fEngineTime);
    m_uPulseColour = 0x50u << 16 | std::uint32_t(128.0f * s) << 8 | std::uint32_t(255.0f * s);
    {
        XTRACE("CBaseMenu::RenderBackGround");
        RenderBackGround();
    }
    if (m_pToolTip)
    {
        XTRACE("CBaseMenu::RenderControls");
        RenderToolTips();
    }
    if (host) host->DrawCursor();
    if (g_Settings.ShowFPS && g_pFontSmall)
    {
        char text[32];
        std::snprintf(text, sizeof(text), "FPS=%u", g_FrameTimer.GetFps());
        g_pFontSmall->RenderText(172.0f, 1.0f, text, kFpsColour);
    }
    if (host)
    {
        host->EndMenuFrame();
        m_fFrameTime = host->GetFrameTime();
    }
}

void CBaseMenu::ProcessMessages()
{
    XTRACE("CBaseMenu::ProcessMessages");
    m_pToolTip = nullptr;
    if (g_pMenuHost) g_pMenuHost->PumpInput();
    ReadApplicationInput();
    if (m_pModal)
    {
        m_pModal->ProcessMouse(m_Mouse.x, m_Mouse.y);
        return;
    }
    const std::vector<CMenuControl*> controls = m_Controls;
    for (CMenuControl* c : controls)
        if (c->m_bVisible) c->ProcessMouse(m_Mouse.x, m_Mouse.y);
}

void CBaseMenu::RunControl()
{
    XTRACE("CBaseMenu::RunControl");
    if (m_pModal)
    {
        m_pModal->ProcessKeys();
        if (m_pModal) m_pModal->Run();
        return;
    }
    const std::vector<CMenuControl*> controls = m_Controls;
    for (CMenuControl* c : controls)
    {
        if (!c->m_bVisible || !c->m_bActive) continue;
        c->ProcessKeys();
        c->Run();
    }
}

void CBaseMenu::RemoveControl(CMenuControl* control, bool deleteIt)
{
    XTRACE("CBaseMenu::RemoveControl");
    if (m_pToolTip == control) m_pToolTip = nullptr;
    const auto at = std::find(m_Controls.begin(), m_Controls.end(), control);
    if (at == m_Controls.end()) return;
    m_Controls.erase(at);
    if (m_pModal == control) m_pModal = nullptr;
    if (deleteIt) delete control;
}

void CBaseMenu::RemoveAllControls()
{
    m_pToolTip = nullptr;
    m_pModal = nullptr;
    const std::vector<CMenuControl*> controls = std::move(m_Controls);
    m_Controls.clear();
    for (CMenuControl* c : controls)
        delete c;
}

void CBaseMenu::PreProcess()
{
    if (!m_bManageCursor || m_bCursorShown) return;
    m_bCursorShown = 1;
    if (g_pMenuHost) g_pMenuHost->ShowCursor(true);
}

void CBaseMenu::PostProcess(int)
{
    if (!m_bManageCursor || !m_bCursorShown) return;
    m_bCursorShown = 0;
    if (g_pMenuHost) g_pMenuHost->ShowCursor(false);
}

void CBaseMenu::AddControl(CMenuControl* control)
{
    if (!control) return;
    control->m_pMenu = this;
    m_Controls.push_back(control);
    control->OnAdded();
}

void CBaseMenu::ReadApplicationInput()
{
    if (!g_pApplication) return;
    m_Mouse = g_pApplication->m_CursorPos;
    m_cTypedChar = g_pApplication->m_cLastChar;
}

std::uint8_t CBaseMenu::TakeTypedChar()
{
    const std::uint8_t c = m_cTypedChar;
    m_cTypedChar = 0;
    if (g_pApplication) g_pApplication->m_cLastChar = 0;
    return c;
}

bool CBaseMenu::LeftPressed() const
{
    return m_pInput && m_pInput->IsPressed(uicode::kLeftButton);
}

bool CBaseMenu::LeftReleased() const
{
    return m_pInput && m_pInput->IsReleased(uicode::kLeftButton);
}

float CBaseMenu::WheelDelta() const
{
    return m_pInput ? m_pInput->GetMouseDelta().z : 0.0f;
}

void CBaseMenu::RunControls()
{
    // A copy: an element may open or close the modal state while it runs.
    const std::vector<CMenuControl*> controls = m_Controls;
    for (CMenuControl* c : controls)
    {
        if (m_pModal && c != m_pModal) continue;
        if (!c->m_bVisible || !c->m_bActive) continue;
        c->ProcessKeys();
        c->Run();
        const plat::Rect& r = c->m_Rect;
        const bool inside = PointInRect(m_Mouse.x, m_Mouse.y, r.left, r.top, r.right, r.bottom);
        if (inside) c->OnMouseOver();
        if (inside && LeftPressed()) c->OnMouseDown();
        if (LeftReleased())
        {
            if (inside)
                c->OnMouseUp();
            else
                c->OnMouseUpOutside();
        }
    }
}

void CBaseMenu::RenderControls()
{
    for (CMenuControl* c : m_Controls)
        if (c->m_bVisible) c->Render();
}

plat::Point ToolTipBoxOrigin(int mouseX, int mouseY, int width, int height, int screenWidth)
{
    return plat::Point{std::min(mouseX + width - 2, screenWidth) - width - 2, std::max(mouseY + 2 - height, 0) + 2};
}

bool PointInRect(int x, int y, int left, int top, int right, int bottom)
{
    return PointInRect(plat::Rect{left, top, right, bottom}, x, y);
}
