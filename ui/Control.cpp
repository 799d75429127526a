#include "ui/Control.h"

#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "ui/GroupControl.h"
#include "ui/UI.h"
#include "ui/UICodes.h"

#include <algorithm>
#include <cstring>

bool PointInRect(const plat::Rect& rect, int x, int y)
{
    return x >= std::min(rect.left, rect.right + 1) && x <= std::max(rect.left, rect.right - 1) &&
           y >= std::min(rect.top, rect.bottom + 1) && y <= std::max(rect.top, rect.bottom - 1);
}

CGuidKey MakeClassKey(const char* name, int id)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    key.id = id;
    return key;
}

CControl::CControl()
{
    InitBase();
}

CGuidKey CControl::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_IControl");
}

void CControl::InitBase()
{
    m_bVisible = 1;
    m_bHovered = 0;
    m_bFocused = 0;
    m_bHasToolTip = 0;
    m_sSpare = "";
    for (CXAnsiString& line : m_ToolTip)
        line = "";
    m_nToolTipLines = 0;
    m_bEnabled = 1;
    m_bCaptured = 0;
    m_bDraggable = 0;
    m_bDragging = 0;
    m_bState1 = m_bState2 = 0;
    m_bLastLineOnly = 0;
    m_bToolTipShown = 0;
    m_fHoverTime = 0.0f;
    m_UID = CGuidKey();
    m_bVerticalBar = 1;
    m_bHorizontalBar = 0;
    m_iFlag = 0;
    m_iValue = 0;
    m_iStyleValue = 0;
    m_iTextAlign = 0;
    m_iBackgroundStyle = 0;
    m_sCaption = "";
    m_dLastClickTime = -1.0;
    m_LastToolTipColour = 0xFFFFFFFF;
    m_fRestTime = 0.0f;
    m_nToolTipX = m_nToolTipY = 0;
}

int CControl::Clear()
{
    m_bVisible = 0;
    m_bEnabled = 0;
    m_sCaption = "";
    m_Rect = plat::Rect{};
    return 0;
}

void CControl::SetStyle(int verticalBar, int styleValue, std::uint32_t colour1, std::uint32_t colour2,
                        std::uint32_t colour3, std::uint32_t colour4)
{
    m_bVerticalBar = verticalBar;
    m_iStyleValue = styleValue;
    m_Colours[0] = colour1;
    m_Colours[1] = colour2;
    m_Colours[2] = colour3;
    m_Colours[3] = colour4;
}

void CControl::Show()
{
    m_bVisible = 1;
    // Showing a control must never count as a mouse movement.
    const plat::Point cursor = CursorPos();
    m_nLastCursorX = cursor.x;
    m_nLastCursorY = cursor.y;
}

void CControl::Hide()
{
    m_bToolTipShown = 0;
    m_bDragging = 0;
    m_bState1 = m_bState2 = 0;
    m_bHovered = 0;
    m_bVisible = 0;
}

void CControl::SetToolTip(const char* text)
{
    m_bHasToolTip = text && *text;
    for (CXAnsiString& line : m_ToolTip)
        line = "";
    m_ToolTip[0] = text ? text : "";
    m_nToolTipLines = 1;
    m_fHoverTime = 0.0f;
    m_nToolTipX = m_nToolTipY = 0;
}

// ---- input

plat::Point CControl::CursorPos() const
{
    return m_pScreen ? plat::Point{m_pScreen->m_nCursorX, m_pScreen->m_nCursorY} : plat::Point{};
}

bool CControl::IsInside() const
{
    const plat::Point c = CursorPos();
    return PointInRect(m_Rect, c.x, c.y);
}

bool CControl::Pressed(int code) const
{
    return m_pScreen && m_pScreen->m_pInput && m_pScreen->m_pInput->IsPressed(code);
}

bool CControl::Released(int code) const
{
    return m_pScreen && m_pScreen->m_pInput && m_pScreen->m_pInput->IsReleased(code);
}

bool CControl::Held(int code) const
{
    return m_pScreen && m_pScreen->m_pInput && m_pScreen->m_pInput->IsDown(code);
}

void CControl::ProcessMessages()
{
    if (!m_pScreen) return;
    const bool hadPopup = m_pScreen->m_pPopup != nullptr;
    const plat::Point cursor = CursorPos();
    const bool inside = PointInRect(m_Rect, cursor.x, cursor.y);
    const bool leftHeld = Held(uicode::kLeftButton);
    const bool rightHeld = Held(uicode::kRightButton);
    const bool leftPressed = Pressed(uicode::kLeftButton);
    const bool rightPressed = Pressed(uicode::kRightButton);

    if (!inside && (m_bHovered || leftPressed)) OnMouseOut();
    if (m_bHovered)
    {
        // A click is reported on the release of the button, followed in the
        // same pass by the release itself.
        if (rightPressed) OnMouseRClick();
        const bool leftReleased = Released(uicode::kLeftButton);
        if (m_bHovered && leftReleased) OnMouseLClick();
        if (m_bHovered && leftHeld) OnMouseLHeld();
        if (m_bHovered && leftReleased) OnMouseLUp();
    }
    const bool popupChanged = (m_pScreen->m_pPopup != nullptr) != hadPopup;

    if (leftPressed)
    {
        if (PointInRect(m_SubRects[0], cursor.x, cursor.y)) OnSubRect1();
        if (PointInRect(m_SubRects[1], cursor.x, cursor.y)) OnSubRect2();
        if (PointInRect(m_SubRects[3], cursor.x, cursor.y)) OnSubRect3();
        if (PointInRect(m_SubRects[4], cursor.x, cursor.y)) OnSubRect4();
    }
    if (inside && m_fRestTime > kDragRest && m_bDraggable && leftHeld &&
        (cursor.x != m_nLastCursorX || cursor.y != m_nLastCursorY))
        OnBeginDrag();
    if (m_bDraggable && m_bDragging && Released(uicode::kLeftButton)) OnDrop();
    if (m_bDragging)
    {
        const int w = Width(), h = Height();
        m_Rect.left = cursor.x - m_nGrabX;
        m_Rect.top = cursor.y - m_nGrabY;
        m_Rect.right = m_Rect.left + w;
        m_Rect.bottom = m_Rect.top + h;
    }
    m_nLastCursorX = cursor.x;
    m_nLastCursorY = cursor.y;
    if (inside && !leftHeld && !rightHeld && !popupChanged && m_bVisible && m_bEnabled) OnMouseOver();
}

void CControl::OnMouseOver()
{
    const float frame = m_pScreen ? m_pScreen->GetClock()->GetFrameTime() : 0.0f;
    m_fHoverTime = m_bHovered ? m_fHoverTime + frame : 0.0f;
    m_fRestTime += frame;
    m_bHovered = 1;
    Notify(uicode::kMouseOver, 0);
    if (m_pScreen) m_pScreen->m_pHovered = this;
}

void CControl::OnMouseOut()
{
    if (!m_bHovered)
    {
        // A left press outside a control that was not hovered.
        Notify(uicode::kClick, 0);
        m_fRestTime = 0.0f;
        return;
    }
    if (m_pScreen && m_pScreen->m_pHovered == this) m_pScreen->m_pHovered = nullptr;
    m_bFocused = 0;
    m_bHovered = 0;
    Notify(uicode::kMouseLeave, 0);
    m_fHoverTime = 0.0f;
    m_fRestTime = 0.0f;
    m_nToolTipX = m_nToolTipY = 0;
}

void CControl::OnMouseRClick()
{
    Notify(uicode::kClick, uicode::kRightButton);
}

void CControl::OnMouseLClick()
{
    if (m_pScreen) m_pScreen->SetCapture(this);
    m_bCaptured = 1;
    const double now = m_pScreen ? m_pScreen->GetClock()->GetElapsedTicks() : 0.0;
    if (now - m_dLastClickTime < kDoubleClickTime) OnMouseLDblClick();
    m_dLastClickTime = now;
    Notify(uicode::kClick, uicode::kLeftButton);
}

void CControl::OnMouseLDblClick()
{
    Notify(uicode::kDoubleClick, 0);
}

void CControl::OnMouseLHeld()
{
    if (m_bCaptured) Notify(uicode::kHeld, 0);
}

void CControl::OnMouseLUp()
{
    if (!m_bCaptured) return;
    if (m_pScreen) m_pScreen->ReleaseCapture(this);
    m_bCaptured = 0;
    Notify(uicode::kReleased, 0);
}

void CControl::OnActivated()
{
    Notify(uicode::kActivated, 0);
}

void CControl::OnDeactivated()
{
    Notify(uicode::kDeactivated, 0);
}

void CControl::Notify(int code, int param)
{
    OnCommand(code, param);
    if (code == uicode::kMouseLeave)
    {
        m_bHovered = 0;
        m_bFocused = 0;
        if (m_pScreen && m_pScreen->m_pHovered == this) m_pScreen->m_pHovered = nullptr;
    }
}

void CControl::OnCommand(int code, int param)
{
    if (m_pParent) m_pParent->OnCommand(code, param);
}

void CControl::Move(int dx, int dy)
{
    m_Rect.left += dx;
    m_Rect.right += dx;
    m_Rect.top += dy;
    m_Rect.bottom += dy;
    m_SavedRect = m_Rect;
}

void CControl::OnBeginDrag()
{
    if (!m_bDraggable || m_bDragging || !m_pScreen || !m_pScreen->m_pHovered) return;
    const plat::Point cursor = CursorPos();
    m_nGrabX = cursor.x - m_Rect.left;
    m_nGrabY = cursor.y - m_Rect.top;
    m_SavedRect = m_Rect;
    m_bDragging = 1;
    m_pScreen->m_pDragged = m_pScreen->m_pHovered;
    Notify(uicode::kBeginDrag, 0);
}

void CControl::OnDrop()
{
    // The control returns to where the drag began; what a drop means is the
    // screen's business (it has seen kBeginDrag).
    m_Rect = m_SavedRect;
    m_bDragging = 0;
    m_fHoverTime = 0.0f;
    if (m_pScreen) m_pScreen->m_pDragged = nullptr;
}

void CControl::OnSubRect1()
{
    Notify(uicode::kSubRect1, 0);
}

void CControl::OnSubRect2()
{
    Notify(uicode::kSubRect2, 0);
}

void CControl::OnSubRect4()
{
    Notify(uicode::kSubRect4, 0);
}

void CControl::OnSubRect3()
{
    Notify(uicode::kSubRect3, 0);
}

int CControl::HitTest()
{
    if (IsInside()) return 1;
    return Released(uicode::kLeftButton) ? 0 : 1;
}

// ---- drawing

int CControl::MeasureText(const char* text) const
{
    return m_pScreen && m_pScreen->m_pGraphic ? m_pScreen->m_pGraphic->TextWidth(text) : 0;
}

int CControl::LineHeight() const
{
    return m_pScreen && m_pScreen->m_pGraphic ? m_pScreen->m_pGraphic->GetTextHeight() : 0;
}

void CControl::Fill(const plat::Rect& rect, std::uint32_t colour) const
{
    if (!m_pScreen || !m_pScreen->m_pGraphic) return;
    const int r[4] = {rect.left, rect.top, rect.right, rect.bottom};
    m_pScreen->m_pGraphic->FillRect(r, colour);
}

void CControl::DrawText(const char* text, int x, int y, std::uint32_t colour) const
{
    if (m_pScreen && m_pScreen->m_pGraphic) m_pScreen->m_pGraphic->RenderText(text, x, y, colour);
}

void CControl::RenderBackground()
{
    const plat::Rect& r = m_Rect;
    const plat::Rect inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    switch (m_iBackgroundStyle)
    {
    case 0:
        Fill(plat::Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}, m_Colours[2]);
        Fill(r, m_Colours[2]);
        break;
    case 1:
        Fill(r, m_Colours[2]);
        break;
    case 2:
        Fill(r, m_Colours[1]);
        break;
    default:
        return;
    }
    Fill(inner, kLightGrey);
}

void CControl::LayoutCaption()
{
    m_nCaptionWidth = MeasureText(m_sCaption.GetText());
    m_nCaptionHeight = LineHeight();
    switch (m_iTextAlign)
    {
    case 1:
        m_nCaptionX = m_Rect.right + 5;
        m_nCaptionY = m_Rect.top + Height() / 2 - m_nCaptionHeight / 2;
        break;
    case 2:
        m_nCaptionX = m_Rect.left + (Width() - m_nCaptionWidth) / 2;
        m_nCaptionY = m_Rect.top + (m_Rect.bottom - m_nCaptionHeight - m_Rect.top) / 2;
        break;
    default:
        m_nCaptionX = m_Rect.left + 5;
        m_nCaptionY = m_Rect.top + Height() / 2 - m_nCaptionHeight / 2;
        break;
    }
}

void CControl::RenderText()
{
    LayoutCaption();
    if (!m_sCaption.IsEmpty()) DrawText(m_sCaption.GetText(), m_nCaptionX, m_nCaptionY, m_Colours[3]);
}

void CControl::RenderScrollBars()
{
    const int height = LineHeight();
    const int s = height / 2;
    const plat::Rect& r = m_Rect;
    if (m_bVerticalBar)
    {
        const int h = m_bHorizontalBar ? height : 0;
        m_SubRects[0] = plat::Rect{r.right - s, r.top, r.right, r.top + s};
        m_SubRects[1] = plat::Rect{r.right - s, r.bottom - h - s, r.right, r.bottom - h};
        m_SubRects[2] = plat::Rect{r.right - s, r.top + s, r.right, r.bottom - h - s};
        Fill(plat::Rect{r.right - s, r.top, r.right, r.bottom - h}, kLightGrey);
        Fill(m_SubRects[0], kGrey);
        Fill(m_SubRects[1], kGrey);
    }
    if (m_bHorizontalBar)
    {
        const int v = m_bVerticalBar ? height : 0;
        m_SubRects[3] = plat::Rect{r.left, r.bottom - s, r.left + s, r.bottom};
        m_SubRects[4] = plat::Rect{r.right - s - v, r.bottom - s, r.right - v, r.bottom};
        Fill(plat::Rect{r.left, r.bottom - s, r.right - v, r.bottom}, kLightGrey);
        Fill(m_SubRects[3], kGrey);
        Fill(m_SubRects[4], kGrey);
    }
}

void CControl::RenderToolTip()
{
    if (m_bHovered && (!m_bEnabled || !m_bVisible)) m_bHovered = 0;
    m_bToolTipShown = 0;
    if (!m_bHasToolTip || m_fHoverTime < kToolTipFrom || m_fHoverTime > kToolTipUntil || m_bDragging ||
        !m_bHovered || !m_pScreen)
        return;
    m_bToolTipShown = 1;
    if (m_nToolTipX == 0 && m_nToolTipY == 0)
    {
        const plat::Point cursor = CursorPos();
        m_nToolTipX = cursor.x;
        m_nToolTipY = cursor.y + 25;
    }
    const int lines = std::clamp(m_nToolTipLines, 0, kToolTipLines);
    const int first = m_bLastLineOnly && lines > 0 ? lines - 1 : 0;
    const int lineHeight = LineHeight();
    int width = 0;
    for (int i = first; i < lines; ++i)
        width = std::max(width, MeasureText(m_ToolTip[i].GetText()));
    const int height = lineHeight * (lines - first);

    // Kept on the screen, moving half of the overshoot per frame.
    if (m_pScreen->m_pMainGroup)
    {
        const plat::Rect& area = m_pScreen->m_pMainGroup->m_Rect;
        if (m_nToolTipX + width > area.right - 10) m_nToolTipX -= (m_nToolTipX + width + 10 - area.right) / 2;
        if (m_nToolTipY + height > area.bottom - 10)
            m_nToolTipY -= (m_nToolTipY + height + 10 - area.bottom) / 2;
        if (m_nToolTipX < area.left + 10) m_nToolTipX += (area.left - m_nToolTipX - 10) / 2;
        if (m_nToolTipY < area.top + 10) m_nToolTipY += (area.top - m_nToolTipY - 10) / 2;
    }
    const int x = m_nToolTipX, y = m_nToolTipY;
    Fill(plat::Rect{x, y + 3, x + width + 6, y + height + 3}, 0xCC000000);
    Fill(plat::Rect{x, y + height + 3, x + width + 6, y + height + 5}, 0xCC000000);
    Fill(plat::Rect{x + 3, y + height + 5, x + 3 + width, y + height + 6}, 0xFFFFFFFF);
    if (m_UID.id == CGuidKey::kNone) return;
    int lineY = y + 3;
    for (int i = first; i < lines; ++i)
    {
        const char* text = m_ToolTip[i].GetText();
        DrawText(text, x + 4, lineY + 1, 0xFF000000);
        DrawText(text, x + 3, lineY, i == lines - 1 ? m_LastToolTipColour : 0xFFFFFFFF);
        lineY += lineHeight;
    }
}
