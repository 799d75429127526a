#include "ui/GroupControl.h"

#include "foundation/ErrorLog.h"
#include "ui/UI.h"
#include "ui/UICodes.h"

#include <algorithm>
#include <utility>

CGroupControl::CGroupControl()
{
    m_ClassID = MakeClassKey("CGroupControl", -1);
}

CGroupControl::~CGroupControl()
{
    while (m_pFirst)
        RemoveControl(m_pFirst->control);
    m_bVisible = 0;
}

CGuidKey CGroupControl::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_IGroupControl");
}

void CGroupControl::Create(IUI* screen)
{
    InitBase();
    m_ClassID = MakeClassKey("CGroupControl", -1);
    m_Rect = plat::Rect{};
    m_pScreen = screen;
}

void CGroupControl::Init(const plat::Rect& rect, IUI* screen)
{
    InitBase();
    m_ClassID = MakeClassKey("CGroupControl", -1);
    m_Rect = rect;
    m_pScreen = screen;
}

int CGroupControl::GetChildCount() const
{
    int n = 0;
    for (SNode* node = m_pFirst; node; node = node->next)
        ++n;
    return n;
}

CControl* CGroupControl::GetChild(int index) const
{
    for (SNode* node = m_pFirst; node; node = node->next)
        if (index-- == 0) return node->control;
    return nullptr;
}

CGroupControl::SNode* CGroupControl::FindNode(CControl* control) const
{
    for (SNode* node = m_pFirst; node; node = node->next)
        if (node->control == control) return node;
    return nullptr;
}

void CGroupControl::Link(CControl* control)
{
    SNode* node = new SNode{control, nullptr, m_pLast};
    if (m_pLast)
        m_pLast->next = node;
    else
        m_pFirst = node;
    m_pLast = node;
}

void CGroupControl::AddControl(CControl* control)
{
    XTRACE("CGroupControl::AddControl");
    if (!control) return;
    control->m_pScreen = m_pScreen;
    control->SetParent(this);
    control->Move(m_Rect.left, m_Rect.top);
    Link(control);
}

void CGroupControl::AddControlAt(CControl* control)
{
    XTRACE("CGroupControl::AddControlAt");
    if (!control) return;
    control->m_pScreen = m_pScreen;
    control->SetParent(this);
    Link(control);
}

void CGroupControl::RemoveControl(CControl* control)
{
    if (m_pScreen && control && m_pScreen->m_pHovered == control) m_pScreen->m_pHovered = nullptr;
    SNode* node = FindNode(control);
    if (!node) return;
    if (node->prev)
        node->prev->next = node->next;
    else
        m_pFirst = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        m_pLast = node->prev;
    delete node;
}

bool CGroupControl::MoveControl(CControl* control, int mode)
{
    SNode* node = FindNode(control);
    if (!node || mode < 0 || mode > 3) return false;
    switch (mode)
    {
    case 0: // to the end: drawn last, on top
        if (node != m_pLast)
        {
            RemoveControl(control);
            Link(control);
        }
        break;
    case 1: // to the start; the last child keeps its place
        if (node != m_pFirst && node != m_pLast)
        {
            RemoveControl(control);
            SNode* head = new SNode{control, m_pFirst, nullptr};
            m_pFirst->prev = head;
            m_pFirst = head;
        }
        break;
    case 2:
        if (node->next) std::swap(node->control, node->next->control);
        break;
    case 3:
        if (node->prev) std::swap(node->control, node->prev->control);
        break;
    }
    return true;
}

void CGroupControl::SetRect(int left, int top, int right, int bottom)
{
    m_Rect = plat::Rect{left, top, right, bottom};
    for (SNode* node = m_pFirst; node; node = node->next)
    {
        plat::Rect& r = node->control->m_Rect;
        r.right = std::min(r.right, right);
        r.bottom = std::min(r.bottom, bottom);
    }
}

void CGroupControl::SetStyle(int verticalBar, int styleValue, std::uint32_t colour1, std::uint32_t colour2,
                             std::uint32_t colour3, std::uint32_t colour4)
{
    CControl::SetStyle(verticalBar, styleValue, colour1, colour2, colour3, colour4);
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        child->SetStyle(verticalBar, styleValue, colour1, colour2, colour3, colour4);
    }
}

void CGroupControl::SetUID(const CGuidKey& id)
{
    CControl::SetUID(id);
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        child->SetUID(id);
    }
}

void CGroupControl::Show()
{
    CControl::Show();
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        child->Show();
    }
}

void CGroupControl::Hide()
{
    CControl::Hide();
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        child->Hide();
    }
}

void CGroupControl::Move(int dx, int dy)
{
    CControl::Move(dx, dy);
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        child->Move(dx, dy);
    }
}

void CGroupControl::Render()
{
    if (!m_bVisible) return;
    CControl* hovered = m_pScreen ? m_pScreen->m_pHovered : nullptr;
    CControl* kept = nullptr;
    bool childHovered = false;
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        if (!child->m_bVisible) continue;
        if (child->m_bHovered) childHovered = true;
        if (child == hovered) continue; // the screen draws it last
        if (child->m_bToolTipShown)
        {
            // Drawn after its neighbours so that its tooltip lies over them.
            kept = child;
            continue;
        }
        child->Render();
    }
    if (!childHovered) RenderToolTip();
    if (kept) kept->Render();
}

void CGroupControl::OnCommand(int code, int param)
{
    // A command the screen is handing to its popup has been seen by the
    // screen: passing it back would send it round for ever.
    if (!m_pParent && m_pScreen && !m_pScreen->IsForwardingToPopup()) m_pScreen->OnCommand(code, param);
    CControl::OnCommand(code, param);
}

void CGroupControl::ProcessMessages()
{
    XTRACE("CGroupControl::ProcessMessages");
    if (!m_bVisible || !m_bEnabled) return;
    bool childHovered = false;
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        if (child->m_bVisible && child->m_bEnabled)
        {
            child->ProcessMessages();
            if (child->m_bHovered) childHovered = true;
        }
        if (m_pScreen && m_pScreen->GetResult() == uicode::kStopPass)
        {
            m_pScreen->m_pHovered = nullptr;
            return;
        }
    }
    if (childHovered) return;
    const bool inside = IsInside();
    if (inside) OnMouseOver();
    if (!inside && m_bHovered) OnMouseOut();
}
