#include "ui/Window.h"

#include "foundation/ErrorLog.h"
#include "ui/UI.h"
#include "ui/UICodes.h"

#include "graphics/GraphicInterface.h"

#include <algorithm>

namespace
{
// Fills rect with the frame colour, then its inside (1 pixel in) with fill.
void DrawFrame(const CControl& c, const plat::Rect& rect, std::uint32_t frame, std::uint32_t fill)
{
    c.Fill(rect, frame);
    c.Fill(plat::Rect{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, fill);
}

void Offset(plat::Rect& r, int dx, int dy)
{
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}
} // namespace

// ---- CWindow

CGuidKey CWindow::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_IWindow");
}

void CWindow::Create(int left, int top, int right, int bottom, const char* title, IUI* screen)
{
    InitBase();
    m_ClassID = MakeClassKey("CWindow", -1);
    if (screen)
    {
        m_pScreen = screen;
        m_nTitleHeight = LineHeight();
    }
    m_Rect = plat::Rect{left, top + m_nTitleHeight, right, bottom};
    m_TitleBar = plat::Rect{left, top, right, top + std::max(16, m_nTitleHeight + 2)};
    m_CloseBox = plat::Rect{right - 17, top + 1, right - 1, top + 17};
    m_sTitle = title ? title : "";
    m_WindowColour = kLightGrey;
    m_Colour2 = kLightGrey;
    m_TitleBarColour = 0xFFFFFFFF;
    m_Colours[2] = kGrey;
    m_Colours[3] = 0xFF000000;
    m_bCloseArmed = 0;
    m_bWindowDrag = 0;
    m_bMoved = 0;
}

int CWindow::Clear()
{
    CGroupControl::Clear();
    Hide();
    m_bCloseArmed = 0;
    return 0;
}

void CWindow::SetStyle(int verticalBar, int styleValue, std::uint32_t colour1, std::uint32_t colour2,
                       std::uint32_t colour3, std::uint32_t colour4)
{
    CGroupControl::SetStyle(verticalBar, styleValue, colour1, colour2, colour3, colour4);
    m_WindowColour = colour2;
}

void CWindow::Render()
{
    if (!m_bVisible) return;
    RenderTitleBar();
    RenderBackground();
    CGroupControl::Render();
}

void CWindow::RenderTitleBar()
{
    DrawFrame(*this, m_TitleBar, m_Colours[2], m_TitleBarColour);
    RenderText();
    const bool noUID =
        m_UID.id == CGuidKey::kNone || (m_UID.id == CGuidKey::kUnresolved && m_UID.name[0] == 0);
    if (noUID) Fill(m_CloseBox, kCloseBoxColour);
}

void CWindow::RenderText()
{
    if (!m_sTitle.IsEmpty())
        DrawText(m_sTitle.GetText(), m_TitleBar.left + 1, m_TitleBar.top + 1, m_Colours[3]);
}

void CWindow::RenderBackground()
{
    DrawFrame(*this, m_Rect, m_Colours[2], m_WindowColour);
}

void CWindow::OnMouseLClick()
{
    const plat::Point cursor = CursorPos();
    m_nDragX = cursor.x;
    m_nDragY = cursor.y;
}

void CWindow::ProcessMessages()
{
    if (!m_pScreen) return;
    const plat::Point c = CursorPos();
    const bool pressed = Pressed(uicode::kLeftButton);
    const bool released = Released(uicode::kLeftButton);
    const bool held = Held(uicode::kLeftButton);
    const bool inWindow = PointInRect(m_Rect, c.x, c.y);
    const bool inTitle = PointInRect(m_TitleBar, c.x, c.y);
    const bool inClose = PointInRect(m_CloseBox, c.x, c.y);

    if (pressed && (inWindow || (inTitle && !inClose)))
    {
        m_nDragX = c.x;
        m_nDragY = c.y;
    }
    if (held && !inClose && m_bWindowDrag) DragTo(c.x, c.y);
    if (released && (inTitle || inWindow)) m_bMoved = 0;
    if (pressed && inClose) m_bCloseArmed = 1;
    if (released && inClose && m_bCloseArmed) Clear();
    if (released && inTitle && m_bWindowDrag)
    {
        m_bWindowDrag = 0;
        m_pScreen->ReleaseCapture(this);
    }
    CGroupControl::ProcessMessages();
}

void CWindow::Move(int dx, int dy)
{
    CGroupControl::Move(dx, dy);
    Offset(m_TitleBar, dx, dy);
    Offset(m_CloseBox, dx, dy);
}

void CWindow::DragTo(int x, int y)
{
    Move(x - m_nDragX, y - m_nDragY);
    m_bMoved = 1;
    m_nDragX = x;
    m_nDragY = y;
}

// ---- CTabPage

CGuidKey CTabPage::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_ITabPage");
}

void CTabPage::Create(int left, int top, int right, int bottom, IUI* screen)
{
    InitBase();
    m_ClassID = MakeClassKey("CTabPage", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    if (screen)
    {
        m_pScreen = screen;
        m_nTabHeight = LineHeight();
    }
    m_nNextTabX = 0;
    m_nPages = 0;
    m_iCurrent = 0;
    m_TabColour = kLightGrey;
    m_Colours[2] = kGrey;
    m_Colours[3] = 0xFF000000;
}

bool CTabPage::AddPage(CGroupControl* page, const char* title)
{
    if (!page)
    {
        g_ErrorLog.LogError("CTabPage::AddPage   ERROR-Add Pages is NULL");
        return false;
    }
    if (m_nPages >= kMaxPages)
    {
        g_ErrorLog.LogError("CTabPage::AddPage   ERROR-more than %d pages ('%s' refused)", kMaxPages,
                            title ? title : "");
        return false;
    }
    // The page's children stand at page-relative places: the page and its
    // children move once into the client area below the tabs.
    const plat::Rect client{m_Rect.left, m_Rect.top + m_nTabHeight, m_Rect.right, m_Rect.bottom};
    page->Move(client.left - page->m_Rect.left, client.top - page->m_Rect.top);
    page->SetRect(client.left, client.top, client.right, client.bottom);
    if (!page->m_pScreen) page->m_pScreen = m_pScreen;
    // Notifications of a page stop at the tab page, as those of its children.
    page->SetParent(this);

    SPage& entry = m_Pages[m_nPages];
    entry.page = page;
    entry.title = title ? title : "";
    const int x0 = m_Rect.left + m_nNextTabX;
    const int width = MeasureText(entry.title.GetText()) + 10;
    entry.tab = plat::Rect{x0, m_Rect.top, x0 + width, m_Rect.top + m_nTabHeight - 1};
    m_nNextTabX += width;
    ++m_nPages;
    return true;
}

void CTabPage::Render()
{
    if (!m_bVisible) return;
    for (int i = 0; i < m_nPages; ++i)
    {
        const SPage& p = m_Pages[i];
        DrawFrame(*this, p.tab, m_Colours[2], i == m_iCurrent ? m_Colours[2] : m_TabColour);
        DrawText(p.title.GetText(), p.tab.left + 5, p.tab.top, m_Colours[3]);
    }
    if (m_iCurrent < m_nPages && m_Pages[m_iCurrent].page) m_Pages[m_iCurrent].page->Render();
}

void CTabPage::OnMouseLClick()
{
    if (m_iCurrent < m_nPages)
    {
        m_Spare.page = m_Pages[m_iCurrent].page;
        m_Spare.title = m_Pages[m_iCurrent].title;
        m_Spare.tab = m_Pages[m_iCurrent].tab;
    }
    CControl::OnMouseLClick();
    // The tab page never runs the control pass that would release the
    // capture on the button's release; holding it would starve the rest of
    // the screen, so the click does not keep it.
    if (m_bCaptured && m_pScreen) m_pScreen->ReleaseCapture(this);
}

void CTabPage::ProcessMessages()
{
    if (!m_pScreen || !m_bVisible || !m_bEnabled) return;
    const plat::Point c = CursorPos();
    if (Pressed(uicode::kLeftButton))
        for (int i = 0; i < m_nPages; ++i)
            if (PointInRect(m_Pages[i].tab, c.x, c.y))
            {
                m_iCurrent = i;
                OnMouseLClick();
                break;
            }
    if (m_iCurrent < m_nPages && m_Pages[m_iCurrent].page) m_Pages[m_iCurrent].page->ProcessMessages();
}

void CTabPage::Move(int dx, int dy)
{
    for (int i = 0; i < m_nPages; ++i)
    {
        Offset(m_Pages[i].tab, dx, dy);
        if (m_Pages[i].page) m_Pages[i].page->Move(dx, dy);
    }
    CGroupControl::Move(dx, dy);
}
