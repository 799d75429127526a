#include "ui/menu/BaseMenu.h"

#include "foundation/Application.h"
#include "foundation/Input.h"
#include "ui/Control.h"
#include "ui/UICodes.h"

CMenuControl::CMenuControl(int left, int top, int right, int bottom) : m_Rect{left, top, right, bottom} {}

CBaseMenu::~CBaseMenu()
{
    for (CMenuControl* c : m_Controls)
        delete c;
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

bool PointInRect(int x, int y, int left, int top, int right, int bottom)
{
    return PointInRect(plat::Rect{left, top, right, bottom}, x, y);
}
