#include "ui/markup/ScrollControl.h"

#include "ui/UICodes.h"

#include <algorithm>

void CScrollControl::Init(int left, int top, int right, int bottom)
{
    InitBase();
    SetRectXY(left, top, right, bottom);
    m_SavedRect = m_Rect;
}

void CScrollControl::SetPosition(int position)
{
    m_nPosition = std::clamp(position, 0, std::max(0, m_nRange));
}

bool CScrollControl::TakeChanged()
{
    const bool changed = m_bChanged;
    m_bChanged = false;
    return changed;
}

int CScrollControl::TrackLength() const
{
    const int w = Width(), h = Height();
    return (h > w ? h - 44 : w - 34) - 7;
}

plat::Rect CScrollControl::FirstButton() const
{
    return plat::Rect{m_Rect.left, m_Rect.top, m_Rect.right, m_Rect.top + kButton};
}

plat::Rect CScrollControl::SecondButton() const
{
    return plat::Rect{m_Rect.left, m_Rect.bottom - kButton, m_Rect.right, m_Rect.bottom};
}

plat::Rect CScrollControl::Track() const
{
    return plat::Rect{m_Rect.left, m_Rect.top + kButton, m_Rect.right, m_Rect.bottom - kButton};
}

plat::Rect CScrollControl::Thumb() const
{
    const plat::Rect t = Track();
    const int free = std::max(0, (t.bottom - t.top) - m_nThumbLength);
    const int y = m_nRange > 0 ? t.top + int((long long)m_nPosition * free / m_nRange) : t.top;
    return plat::Rect{t.left + 2, y, t.right - 2, y + m_nThumbLength};
}

void CScrollControl::ProcessMessages()
{
    if (!m_bVisible || !m_bEnabled) return;
    const plat::Point c = CursorPos();
    if (Pressed(uicode::kLeftButton) && PointInRect(Thumb(), c.x, c.y))
    {
        m_bThumbHeld = true;
        m_nGrabOffset = c.y - Thumb().top;
    }
    if (m_bThumbHeld && Held(uicode::kLeftButton))
    {
        const plat::Rect t = Track();
        const int free = std::max(1, (t.bottom - t.top) - m_nThumbLength);
        const int y = std::clamp(c.y - m_nGrabOffset - t.top, 0, free);
        const int position = int((long long)y * m_nRange / free);
        if (position != m_nPosition)
        {
            m_nPosition = position;
            m_bChanged = true;
        }
    }
    if (!Held(uicode::kLeftButton)) m_bThumbHeld = false;
}

void CScrollControl::Render()
{
    if (!m_bVisible) return;
    Fill(m_Rect, 0x80303840);
    if (!m_bEnabled) return;
    Fill(FirstButton(), 0xFF607080);
    Fill(SecondButton(), 0xFF607080);
    Fill(Thumb(), 0xFFACF0F4);
}
