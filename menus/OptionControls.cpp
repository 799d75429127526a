#include "menus/OptionControls.h"

#include "graphics/GraphicInterface.h"
#include "menus/MenuDrawing.h"
#include "ui/UI.h"

#include <algorithm>
#include <cmath>

using namespace menus;

namespace
{
// Pieces of the interface sheet shared by the options' controls.
constexpr int kFieldX = 831, kFieldY = 753;
constexpr int kThumbX = 254, kThumbY = 850;
constexpr int kBoxX = 963, kBoxTicked = 195, kBoxEmpty = 213;
constexpr int kDropX = 195, kDropHoveredX = 217, kDropY = 941;
constexpr int kTabSelectedY = 642, kTabY = 617;
constexpr std::uint32_t kListFill = 0xC7000206;
constexpr std::uint32_t kListSelected = 0xC75094C6;

IGraphicInterface* GraphicOf(const CControl& control)
{
    return control.m_pScreen ? control.m_pScreen->m_pGraphic : nullptr;
}

// The caption right-aligned gap pixels left of x, centred on y.
void CaptionLeftOf(IGraphicInterface* graphic, const char* text, int x, int y, int gap)
{
    if (!text || !*text) return;
    graphic->SelectFont(0);
    const int width = graphic->TextWidth(text);
    ShadowText(graphic, text, x - width - gap - 1, y - graphic->GetTextHeight() / 2, kWhite);
}

void FrameLines(IGraphicInterface* graphic, const plat::Rect& r)
{
    FillRect(graphic, {r.left, r.top, r.right, r.top + 1}, kWhite);
    FillRect(graphic, {r.left, r.bottom - 1, r.right, r.bottom}, kWhite);
    FillRect(graphic, {r.left, r.top, r.left + 1, r.bottom}, kWhite);
    FillRect(graphic, {r.right - 1, r.top, r.right, r.bottom}, kWhite);
}
} // namespace

// ---- tab

COptionTabButton::COptionTabButton()
{
    m_ClassID = MakeClassKey("COptionTabButton", -1);
    m_iSound = -1;
}

bool COptionTabButton::TabSource(int picture, bool selected, int* left, int* top)
{
    switch (picture)
    {
    case 3961: *left = 362; break;
    case 3962: *left = 503; break;
    case 3963: *left = 578; break;
    case 3968: *left = 440; break;
    case 3969: *left = 663; break;
    default: return false;
    }
    *top = selected ? kTabSelectedY : kTabY;
    return true;
}

void COptionTabButton::Render()
{
    IGraphicInterface* graphic = GraphicOf(*this);
    if (!m_bVisible || !m_bOwnVisible || !graphic) return;
    int left = 0, top = 0;
    if (TabSource(m_iPicture, m_bSelected != 0, &left, &top))
    {
        CGuidKey sheet = GetUID();
        DrawSprite(graphic, sheet, m_Rect, left, top, kSpriteTechnique, m_bEnabled ? 1.0f : 0.5f);
    }
    if (!m_sCaption.IsEmpty())
    {
        graphic->SelectFont(m_iFont);
        const int width = graphic->TextWidth(m_sCaption.GetText());
        const int x = (m_Rect.left + m_Rect.right - width) / 2;
        const int y = (m_Rect.top + m_Rect.bottom) / 2 + 3 - graphic->GetTextHeight() / 2;
        ShadowText(graphic, m_sCaption.GetText(), x, y, kWhite);
    }
}

// ---- check box

COptionCheckBox::COptionCheckBox()
{
    m_ClassID = MakeClassKey("COptionCheckBox", -1);
}

void COptionCheckBox::Create(int left, int top, int right, int bottom, const char* caption)
{
    CButton::Create(left, top, right, bottom, "", kPush, 0xF000);
    const int h = bottom - top;
    m_Rect = plat::Rect{left, top + h / 2 + 2, left + h - 2, bottom + h / 2 + 2};
    SetText(caption);
    m_bTicked = 0;
    m_bHovered = 0;
}

void COptionCheckBox::OnMouseLClick()
{
    if (!m_bEnabled) return;
    CControl::OnMouseLClick();
    m_bTicked = !m_bTicked;
}

void COptionCheckBox::Render()
{
    IGraphicInterface* graphic = GraphicOf(*this);
    if (!m_bVisible || !graphic) return;
    CGuidKey sheet = GetUID();
    DrawSprite(graphic, sheet, m_Rect, kBoxX, m_bTicked ? kBoxTicked : kBoxEmpty, kSpriteTechnique,
               m_bEnabled ? 1.0f : 0.5f);
    CaptionLeftOf(graphic, GetText().GetText(), m_Rect.left, (m_Rect.top + m_Rect.bottom) / 2, kCaptionGap);
}

// ---- slider

void COptionTrackBar::Create(int left, int top, int right, int bottom, int minimum, int maximum)
{
    CTrackBar::Create(left, top, right, bottom, minimum, maximum, 1);
    m_ClassID = MakeClassKey("COptionTrackBar", -1);
}

void COptionTrackBar::SetValue(int value)
{
    SetPos(std::clamp(value, m_iMinimum, m_iMaximum) - m_iMinimum);
}

void COptionTrackBar::Render()
{
    CTrackBar::Render();
    IGraphicInterface* graphic = GraphicOf(*this);
    if (!m_bVisible || !graphic) return;
    CGuidKey sheet = GetUID();
    const plat::Rect& r = m_Rect;
    const int mid = (r.top + r.bottom) / 2;
    // The track: two white lines with end marks, the end pieces mirrored.
    FillRect(graphic, {r.left + 4, mid - 2, r.right - 4, mid - 1}, kWhite);
    FillRect(graphic, {r.left + 4, mid + 1, r.right - 4, mid + 2}, kWhite);
    FillRect(graphic, {r.left + 4, mid - 5, r.left + 5, mid + 5}, kWhite);
    FillRect(graphic, {r.right - 5, mid - 5, r.right - 4, mid + 5}, kWhite);
    DrawSprite(graphic, sheet, {r.left, r.top, r.left + 4, r.bottom}, kFieldX, kFieldY);
    DrawSprite(graphic, sheet, {r.right, r.top, r.right - 4, r.bottom}, kFieldX, kFieldY);
    // The thumb: 15 pixels tall on the track's line, centred on the position.
    const int x = int(std::lround(GetPos() * m_dPixelsPerStep)) + m_Track.left - 7;
    DrawSprite(graphic, sheet, {x, mid - 7, x + 15, mid + 8}, kThumbX, kThumbY);
    CaptionLeftOf(graphic, m_sCaption.GetText(), r.left, mid, 19);
}

// ---- combo box

void COptionComboBox::Create(int left, int top, int right, int bottom, const char* caption)
{
    CComboBox::Create(left, top, right, bottom, "");
    m_sLabel = caption ? caption : "";
    m_ListRect.left -= 4;
    m_ListRect.right -= 1;
}

void COptionComboBox::ProcessMessages()
{
    CComboBox::ProcessMessages();
    if (m_bOpen)
    {
        m_ListRect.left = m_ClosedRect.left - 4;
        m_ListRect.right = m_ClosedRect.right - 1;
    }
}

void COptionComboBox::Render()
{
    IGraphicInterface* graphic = GraphicOf(*this);
    if (!m_bVisible || !graphic) return;
    CGuidKey sheet = GetUID();
    const plat::Rect& box = m_ClosedRect;
    const int rowHeight = RowHeight();
    FrameLines(graphic, box);
    DrawSprite(graphic, sheet, {box.left + 1, box.top + 1, box.right - 1, (box.top + box.bottom) / 2}, kFieldX,
               kFieldY);
    if (!m_bOpen)
        DrawSprite(graphic, sheet, {box.left + 1, box.bottom - 1, box.right - 1, (box.top + box.bottom) / 2},
                   kFieldX, kFieldY);
    CaptionLeftOf(graphic, m_sLabel.GetText(), box.left, box.top + 13, 20);
    const plat::Rect drop{box.right - 21, box.top, box.right, box.top + 21};
    DrawSprite(graphic, sheet, drop, m_bHovered ? kDropHoveredX : kDropX, kDropY);
    if (m_bOpen)
    {
        FillRect(graphic, m_ListRect, kListFill);
        FrameLines(graphic, m_ListRect);
        graphic->SelectFont(0);
        for (int i = 0; i < GetCount(); ++i)
        {
            const int top = box.top + (i + 1) * rowHeight;
            const bool selected = i == m_iCurrent;
            if (selected) FillRect(graphic, {m_ListRect.left + 1, top, m_ListRect.right - 1, top + rowHeight}, kListSelected);
            const int x = m_ListRect.left + (selected ? 3 : 2);
            graphic->RenderText(m_Items.Get(std::uint32_t(i)), x + 1, top + 1, kBlack);
            graphic->RenderText(m_Items.Get(std::uint32_t(i)), x, top, m_Colours[3] | 0xFF000000);
        }
    }
    graphic->SelectFont(0);
    graphic->RenderText(GetText().GetText(), box.left + 6, box.top + 2, kBlack);
    graphic->RenderText(GetText().GetText(), box.left + 5, box.top + 2, kWhite);
}

// ---- scroll bar

void COptionScrollControl::Render()
{
    IGraphicInterface* graphic = GraphicOf(*this);
    if (!m_bVisible || !graphic) return;
    const plat::Rect& r = m_Rect;
    if (m_bEnabled)
    {
        FillRect(graphic, r, kFrameFill);
        FillRect(graphic, {r.left, r.top, r.left + 1, r.bottom}, kWhite);
        FillRect(graphic, {r.right - 1, r.top, r.right, r.bottom}, kWhite);
        for (int y = r.top + 3; y < r.bottom; y += 3)
            FillRect(graphic, {r.left + 1, y, r.right - 1, y + 1}, kFrameFill);
    }
    else
    {
        FillRect(graphic, {r.right - 1, r.top + 7, r.right, r.bottom - 7}, kWhite);
        FillRect(graphic, {r.left + 6, r.top, r.left + 10, r.top + 1}, kWhite);
        FillRect(graphic, {r.left + 6, r.bottom - 1, r.left + 10, r.bottom}, kWhite);
    }
    CGroupControl::Render();
}
