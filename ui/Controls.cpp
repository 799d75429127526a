#include "ui/Controls.h"

#include "foundation/Input.h"
#include "ui/UI.h"
#include "ui/UICodes.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

plat::Rect Inside(const plat::Rect& r)
{
    return plat::Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}
} // namespace

// ---- CButton

void CButton::Create(int left, int top, int right, int bottom, const char* caption, int kind, int command)
{
    InitBase();
    m_ClassID = MakeClassKey("CButton", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    SetText(caption);
    m_iKind = kind;
    m_iCommand = command & 0xFFFF;
    m_bChecked = 0;
    m_Colours[1] = kind == kPush ? kLightGrey : kWhite;
    m_Colours[2] = kBlack;
    m_Colours[3] = kBlack;
    m_iBackgroundStyle = 1;
    m_bVerticalBar = 0;
    m_bHovered = 0;
    if (kind == kCheck || kind == kRadio)
    {
        const int h = bottom - top;
        m_Rect = plat::Rect{left, top + h / 4, left + h / 2, top + h / 4 + h / 2};
        m_iTextAlign = 1;
    }
    else
        m_iTextAlign = 2;
}

void CButton::OnMouseLClick()
{
    if (!m_bEnabled) return;
    CControl::OnMouseLClick();
    if (m_iCommand != uicode::kNoCommand) Notify(m_iCommand, 0);
    if (m_iKind == kCheck) m_bChecked = !m_bChecked;
}

void CButton::OnMouseLHeld()
{
    CControl::OnMouseLHeld();
    if (m_iKind == kPush) m_bChecked = 1;
}

void CButton::OnMouseLUp()
{
    CControl::OnMouseLUp();
    if (m_iKind == kPush) m_bChecked = 0;
}

void CButton::ProcessMessages()
{
    CControl::ProcessMessages();
    if (m_bCaptured && Released(uicode::kLeftButton) && m_pScreen)
    {
        m_pScreen->ReleaseCapture(this);
        m_bCaptured = 0;
    }
    // A push button looks pressed only while the button is held on it: one
    // that lost the mouse while held must not stay pressed.
    if (m_iKind == kPush && (!Held(uicode::kLeftButton) || !m_bHovered)) m_bChecked = 0;
}

void CButton::Render()
{
    if (!m_bVisible) return;
    RenderBackground();
    std::uint32_t hoverFill = m_Colours[1];
    if (m_bHovered)
    {
        RenderToolTip();
        hoverFill = kLightGrey;
    }
    const std::uint32_t fill = m_bChecked ? m_Colours[0] : m_bHovered ? hoverFill : m_Colours[1];
    // The inside, so that the background's frame stays visible.
    Fill(Inside(m_Rect), fill);
    RenderText();
}

// ---- CLabel

void CLabel::Create(int left, int top, int right, int bottom, const char* text)
{
    InitBase();
    m_ClassID = MakeClassKey("CLabel", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    SetText(text);
    m_Colours[1] = kLightGrey;
    m_Colours[2] = kGrey;
    m_Colours[3] = kBlack;
    m_iBackgroundStyle = 2;
    m_nCaptionX = left + 2;
    m_nCaptionY = top + 1;
    m_bAutoWidth = 1;
    m_iLabelFlag = 1;
}

void CLabel::Render()
{
    if (!m_bVisible) return;
    m_nCaptionWidth = MeasureText(m_sCaption.GetText());
    m_nCaptionHeight = LineHeight();
    if (m_bAutoWidth) m_Rect.right = m_Rect.left + m_nCaptionWidth;
    RenderBackground();
    RenderScrollBars();
    Fill(Inside(m_Rect), m_Colours[1]);
    if (!m_sCaption.IsEmpty()) DrawText(m_sCaption.GetText(), m_Rect.left + 2, m_Rect.top + 1, m_Colours[3]);
}

// ---- CImage

void CImage::Create(int left, int top, int right, int bottom, const char* imageName)
{
    InitBase();
    m_ClassID = MakeClassKey("CImage", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    SetText(imageName);
    m_Colours[1] = kWhite;
    m_Colours[2] = kGrey;
    m_Colours[3] = kBlack;
    m_iBackgroundStyle = 2;
}

void CImage::Render()
{
    if (m_bVisible) RenderImage();
}

// ---- CEdit

void CEdit::Create(int left, int top, int right, int bottom, const char* text)
{
    InitBase();
    m_ClassID = MakeClassKey("CEdit", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    SetText(text);
    m_Colours[1] = kWhite;
    m_Colours[2] = kGrey;
    m_Colours[3] = kBlack;
    m_iBackgroundStyle = 1;
    m_bFocused = 0;
    m_nCaptionX = left + 2;
    m_nCaptionY = top + 1;
    m_iEditFlag = 1;
    m_nTextLength = m_sCaption.GetLength();
    m_nCursor = m_nTextLength;
    m_Keys.clear();
}

void CEdit::OnMouseLClick()
{
    CControl::OnMouseLClick();
    m_bFocused = 1;
}

void CEdit::ProcessMessages()
{
    CControl::ProcessMessages();
    m_Keys.clear();
    if (m_pScreen && m_pScreen->m_pInput)
    {
        const InputQueue& events = m_pScreen->m_pInput->GetEvents();
        const int count = std::clamp(events.count, 0, InputQueue::kCapacity);
        for (int i = 0; i < count; ++i)
        {
            const InputEvent& e = events.entries[i];
            m_Keys.push_back(std::uint32_t(e.kind) | std::uint32_t(e.isDown) << 8 |
                             std::uint32_t(e.code) << 16);
        }
    }
    if (m_bFocused) HandleKeys();
}

void CEdit::HandleKeys()
{
    for (std::uint32_t record : m_Keys)
    {
        if (!m_bFocused) break; // Enter ends the focus; later records are not for us
        const int kind = int(record & 0xFF);
        const bool down = ((record >> 8) & 0xFF) != 0;
        const int code = int(record >> 16);
        m_nTextLength = m_sCaption.GetLength();
        if (kind == 0)
        {
            // A typed character. Backspace and Enter arrive as key records
            // too; their character records are not text.
            const auto ch = static_cast<unsigned char>(code & 0xFF);
            if (ch < 0x20 || ch == 0x7F) continue;
            m_sCaption += static_cast<char>(ch);
            m_nTextLength = m_sCaption.GetLength();
            m_nCursor = m_nTextLength;
            continue;
        }
        if (!down) continue; // releases carry no editing
        switch (code)
        {
        case uicode::kKeyBackspace:
            if (m_nTextLength > 0) m_sCaption = m_sCaption.Left(m_nTextLength - 1).GetText();
            m_nTextLength = m_sCaption.GetLength();
            m_nCursor = m_nTextLength;
            break;
        case uicode::kKeyEnter:
            m_bFocused = 0;
            break;
        case uicode::kKeyLeft:
            m_nCursor = std::max(0, m_nCursor - 1);
            break;
        case uicode::kKeyRight:
            m_nCursor = std::min(m_nTextLength, m_nCursor + 1);
            break;
        default:
            break;
        }
    }
}

void CEdit::Render()
{
    if (!m_bVisible) return;
    RenderBackground();
    RenderScrollBars();
    Fill(Inside(m_Rect), m_Colours[1]);
    const int x = m_Rect.left + 2, y = m_Rect.top + 1;
    if (!m_sCaption.IsEmpty()) DrawText(m_sCaption.GetText(), x, y, m_Colours[3]);
    if (!m_sCaption.IsEmpty() && m_bFocused)
    {
        const int cursor = std::clamp(m_nCursor, 0, m_sCaption.GetLength());
        const int cx = x + MeasureText(m_sCaption.Left(cursor).GetText());
        Fill(plat::Rect{cx, y, cx + 1, y + LineHeight()}, kBlack);
    }
}

// ---- CTrackBar

void CTrackBar::Create(int left, int top, int right, int bottom, int minimum, int maximum, int step)
{
    InitBase();
    m_ClassID = MakeClassKey("CTrackBar", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    m_Colours[1] = kGrey;
    m_Colours[2] = kGrey;
    m_Colours[3] = kWhite;
    m_iSpare = -1;
    m_iMinimum = minimum;
    m_iMaximum = std::max(minimum, maximum);
    // A step of 0 (or below) would divide by zero: it counts as 1.
    m_iStep = step > 0 ? step : 1;
    const int steps = (m_iMaximum - m_iMinimum) / m_iStep;
    m_nCount = steps + 1;
    const int mid = (bottom - top) / 2 + top;
    m_Track = plat::Rect{left + 8, mid, right - 9, mid + 2};
    m_dPixelsPerStep = steps > 0 ? double(right - left - 17) / steps : 0.0;
    m_bThumbDrag = 0;
    m_iPos = 0;
    PlaceThumb();
}

void CTrackBar::PlaceThumb()
{
    const int height = LineHeight();
    const int left = m_Track.left + int(m_iPos * m_dPixelsPerStep) - height / 4;
    m_Thumb = plat::Rect{left, m_Rect.top, left + height / 2, m_Rect.bottom};
}

void CTrackBar::SetPos(int index)
{
    // The last position is count - 1.
    m_iPos = std::clamp(index, 0, m_nCount - 1);
    PlaceThumb();
}

void CTrackBar::FollowCursor()
{
    if (m_dPixelsPerStep <= 0.0)
    {
        SetPos(0);
        return;
    }
    // The position nearest to the cursor along the track.
    const double along = (CursorPos().x - m_Track.left) / m_dPixelsPerStep;
    SetPos(int(std::floor(along + 0.5)));
}

void CTrackBar::RefreshToolTip()
{
    // The text only: SetToolTip would restart the hover time every frame.
    m_ToolTip[0].Format("%d", GetValue());
    m_nToolTipLines = 1;
    m_bHasToolTip = 1;
}

void CTrackBar::OnMouseLClick()
{
    CControl::OnMouseLClick();
    m_bFocused = 1;
}

void CTrackBar::OnMouseLHeld()
{
    CControl::OnMouseLHeld();
    if (m_bThumbDrag || !m_pScreen) return;
    m_pScreen->SetCapture(this);
    m_bThumbDrag = 1;
    FollowCursor();
}

void CTrackBar::OnCommand(int code, int param)
{
    if (code == uicode::kMouseLeave) m_Colours[3] = kGrey;
    CControl::OnCommand(code, param);
}

void CTrackBar::ProcessMessages()
{
    if (!m_pScreen) return;
    if (!m_bThumbDrag)
    {
        CControl::ProcessMessages();
        return;
    }
    // The thumb drag holds the capture: the position follows the cursor
    // wherever it is until the button is released.
    if (Released(uicode::kLeftButton) || !Held(uicode::kLeftButton))
    {
        m_bThumbDrag = 0;
        m_pScreen->ReleaseCapture(this);
        return;
    }
    FollowCursor();
}

void CTrackBar::Move(int dx, int dy)
{
    CControl::Move(dx, dy);
    m_Track.left += dx;
    m_Track.right += dx;
    m_Track.top += dy;
    m_Track.bottom += dy;
    PlaceThumb();
}

void CTrackBar::Render()
{
    m_nCaptionHeight = LineHeight();
    PlaceThumb();
    if (m_bThumbDrag || m_bHovered) RefreshToolTip();
}
