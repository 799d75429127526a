#include "ui/ListControls.h"

#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "ui/UI.h"
#include "ui/UICodes.h"

#include <algorithm>

namespace
{
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kGrey = CControl::kGrey;
constexpr std::uint32_t kLightGrey = CControl::kLightGrey;

plat::Rect Inside(const plat::Rect& r)
{
    return plat::Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

// Draws into rect only, through the screen's viewport.
class CClip
{
public:
    CClip(IUI* screen, const plat::Rect& r) : m_pGraphic(screen ? screen->m_pGraphic : nullptr)
    {
        const int rect[4] = {r.left, r.top, r.right, r.bottom};
        if (m_pGraphic && r.right > r.left && r.bottom > r.top) m_pGraphic->SetViewport(rect);
    }
    ~CClip()
    {
        if (m_pGraphic) m_pGraphic->SetFullViewport();
    }
    CClip(const CClip&) = delete;
    CClip& operator=(const CClip&) = delete;

private:
    IGraphicInterface* m_pGraphic;
};
} // namespace

// ---- CListCtrl

void CListCtrl::Create(int left, int top, int right, int bottom, int rows, int columns)
{
    InitBase();
    m_ClassID = MakeClassKey("CListCtrl", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    m_nRows = std::max(0, rows);
    m_nColumns = std::max(0, columns);
    m_Cells.assign(std::size_t(m_nRows) * std::size_t(m_nColumns), SCell{});
    m_Colours[2] = kGrey;
    m_Colours[3] = kBlack;
    m_iFirst = 0;
    m_iSelRow = m_iSelColumn = -1;
    m_bSelection = 0;
    m_ColumnX.assign(std::size_t(m_nColumns) + 1, 0);
    for (int c = 0; c <= m_nColumns; ++c)
        m_ColumnX[c] = m_nColumns ? Width() * c / m_nColumns : 0;
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nColumns; ++c)
            m_Cells[std::size_t(r) * m_nColumns + c].x = m_ColumnX[c];
}

bool CListCtrl::AddItem(int row, int column, const char* text)
{
    if (row < 0 || row >= m_nRows || column < 0 || column >= m_nColumns)
    {
        g_ErrorLog.LogError("CListCtrl::AddItem() Out of Range");
        return false;
    }
    m_Cells[std::size_t(row) * m_nColumns + column].text = text ? text : "";
    return true;
}

const char* CListCtrl::GetItem(int row, int column) const
{
    if (row < 0 || row >= m_nRows || column < 0 || column >= m_nColumns) return nullptr;
    return m_Cells[std::size_t(row) * m_nColumns + column].text.GetText();
}

void CListCtrl::SetColumnWidth(int column, float fraction)
{
    if (column < 0 || column >= m_nColumns) return;
    const int width = Width();
    const int own = int(float(width) * std::clamp(fraction, 0.0f, 1.0f));
    const int others = m_nColumns > 1 ? (width - own) / (m_nColumns - 1) : 0;
    int x = 0;
    for (int c = 0; c < m_nColumns; ++c)
    {
        m_ColumnX[c] = x;
        x += c == column ? own : others;
    }
    m_ColumnX[m_nColumns] = width;
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nColumns; ++c)
            m_Cells[std::size_t(r) * m_nColumns + c].x = m_ColumnX[c];
}

int CListCtrl::Clear()
{
    for (SCell& cell : m_Cells)
        cell.text = "";
    return 0;
}

int CListCtrl::RowHeight() const
{
    return std::max(1, LineHeight());
}

int CListCtrl::VisibleRows() const
{
    return std::max(0, Height() / RowHeight());
}

void CListCtrl::Step(int delta)
{
    if (m_nRows == 0) return;
    m_iFirst = std::clamp(m_iFirst + delta, 0, m_nRows - 1);
    if (m_iSelRow >= 0) m_iSelRow = std::clamp(m_iSelRow + delta, 0, m_nRows - 1);
}

void CListCtrl::OnSubRect1()
{
    CControl::OnSubRect1();
    Step(-1);
}

void CListCtrl::OnSubRect2()
{
    CControl::OnSubRect2();
    Step(1);
}

void CListCtrl::ProcessMessages()
{
    CControl::ProcessMessages();
    if (!m_bHovered) return;
    if (Pressed(uicode::kKeyUp)) Step(-1);
    if (Pressed(uicode::kKeyDown)) Step(1);
}

void CListCtrl::OnMouseLClick()
{
    CControl::OnMouseLClick(); // before the selection changes
    const plat::Point c = CursorPos();
    const int row = (c.y - m_Rect.top) / RowHeight() + m_iFirst;
    if (row < 0 || row >= m_nRows) return;
    const int x = c.x - m_Rect.left;
    for (int col = 0; col < m_nColumns; ++col)
        if (x >= m_ColumnX[col] && (col + 1 == m_nColumns || x < m_ColumnX[col + 1]))
        {
            m_iSelRow = row;
            m_iSelColumn = col;
            m_bSelection = 1;
            return;
        }
}

void CListCtrl::Render()
{
    if (!m_bVisible) return;
    const int rowHeight = RowHeight();
    {
        CClip clip(m_pScreen, m_Rect);
        const int last = std::min(m_nRows, m_iFirst + VisibleRows());
        for (int row = m_iFirst; row < last; ++row)
        {
            const int y = m_Rect.top + (row - m_iFirst) * rowHeight;
            if (row == m_iSelRow)
                Fill(plat::Rect{m_Rect.left, y, m_Rect.right, y + rowHeight},
                     m_bSelection ? m_Colours[2] : m_Colours[1]);
            for (int col = 0; col < m_nColumns; ++col)
            {
                const SCell& cell = m_Cells[std::size_t(row) * m_nColumns + col];
                if (!cell.text.IsEmpty())
                    DrawText(cell.text.GetText(), m_Rect.left + 2 + cell.x, y, m_Colours[3]);
            }
        }
    }
    RenderScrollBars();
}

// ---- CComboBox

void CComboBox::Create(int left, int top, int right, int bottom, const char* caption)
{
    InitBase();
    m_ClassID = MakeClassKey("CComboBox", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    SetText(caption);
    m_Colours[1] = kWhite;
    m_Colours[2] = kGrey;
    m_Colours[3] = kBlack;
    m_iBackgroundStyle = 1;
    m_bVerticalBar = 0;
    m_bHorizontalBar = 0;
    m_iTextAlign = 0;
    const int h = bottom - top;
    m_ArrowBox = plat::Rect{right - h / 2, top + 2, right, bottom};
    m_ClosedRect = m_Rect;
    m_ListRect = plat::Rect{left, bottom, right, bottom};
    m_iCurrent = -1;
    m_bOpen = 0;
    m_bKeepOpen = 0;
}

int CComboBox::AddString(const char* text)
{
    m_Items.Add(text ? text : "");
    return GetCount();
}

void CComboBox::SetSelection(int index)
{
    if (index < 0 || index >= GetCount()) return;
    m_iCurrent = index;
    SetText(m_Items.Get(std::uint32_t(index)));
}

int CComboBox::RowHeight() const
{
    return std::max(1, LineHeight());
}

void CComboBox::Open()
{
    const int bottom = m_ClosedRect.bottom + GetCount() * RowHeight();
    m_ListRect = plat::Rect{m_ClosedRect.left, m_ClosedRect.bottom, m_ClosedRect.right, bottom};
    m_Rect.bottom = bottom;
    m_bOpen = 1;
    m_bKeepOpen = 1;
}

void CComboBox::Close()
{
    m_Rect = m_ClosedRect;
    m_ListRect = plat::Rect{m_ClosedRect.left, m_ClosedRect.bottom, m_ClosedRect.right, m_ClosedRect.bottom};
    m_bOpen = 0;
    m_bKeepOpen = 0;
}

void CComboBox::OnMouseOut()
{
    // An open list keeps its hover (and so stays drawn over its neighbours).
    if (m_bKeepOpen && m_bHovered) return;
    CControl::OnMouseOut();
}

void CComboBox::OnMouseLClick()
{
    CControl::OnMouseLClick();
    if (!m_bOpen)
    {
        Open();
        return;
    }
    const plat::Point c = CursorPos();
    if (PointInRect(m_ListRect, c.x, c.y) && GetCount() > 0)
        SetSelection(std::clamp(m_iCurrent, 0, GetCount() - 1));
    Close();
}

void CComboBox::ProcessMessages()
{
    if (!m_pScreen) return;
    const plat::Point c = CursorPos();
    if (m_bOpen)
    {
        // A release outside the control releases the capture and closes the
        // list, before the control pass could take it for a click.
        if (Released(uicode::kLeftButton) && !PointInRect(m_Rect, c.x, c.y))
        {
            if (m_bCaptured) m_pScreen->ReleaseCapture(this);
            Close();
            CControl::OnMouseOut();
            return;
        }
        // The mouse picks the row under it when it moves, so that the keys
        // still work while it rests on the list.
        const bool moved = c.x != m_nLastCursorX || c.y != m_nLastCursorY;
        if (moved && PointInRect(m_ListRect, c.x, c.y))
        {
            const int row = (c.y - m_Rect.top) / RowHeight() - 1;
            if (row >= 0 && row < GetCount()) m_iCurrent = row;
        }
        if (Pressed(uicode::kKeyUp)) m_iCurrent = std::max(0, m_iCurrent - 1);
        if (Pressed(uicode::kKeyDown)) m_iCurrent = std::min(GetCount() - 1, m_iCurrent + 1);
    }
    CControl::ProcessMessages();
}

void CComboBox::Move(int dx, int dy)
{
    CControl::Move(dx, dy);
    for (plat::Rect* r : {&m_ClosedRect, &m_ListRect, &m_ArrowBox})
    {
        r->left += dx;
        r->right += dx;
        r->top += dy;
        r->bottom += dy;
    }
}

void CComboBox::Render()
{
    if (!m_bVisible) return;
    const int rowHeight = RowHeight();
    RenderBackground();
    Fill(Inside(m_ClosedRect), m_Colours[1]);
    Fill(m_ArrowBox, m_Colours[3]);
    if (m_bOpen)
    {
        const plat::Rect& l = m_ListRect;
        Fill(l, m_Colours[2]);
        Fill(Inside(l), m_Colours[1]);
        if (m_iCurrent >= 0)
            Fill(plat::Rect{l.left + 1, l.top + m_iCurrent * rowHeight, l.right - 1,
                            l.top + (m_iCurrent + 1) * rowHeight},
                 m_Colours[2]);
        for (int i = 0; i < GetCount(); ++i)
            DrawText(m_Items.Get(std::uint32_t(i)), m_Rect.left + 2, m_Rect.top + (i + 1) * rowHeight + 2,
                     m_Colours[3]);
    }
    if (!m_sCaption.IsEmpty()) DrawText(m_sCaption.GetText(), m_Rect.left + 5, m_Rect.top, m_Colours[3]);
}

// ---- CListBox

void CListBox::Create(int left, int top, int right, int bottom, int itemCount, int itemLength)
{
    InitBase();
    m_ClassID = MakeClassKey("CListBox", -1);
    m_Rect = plat::Rect{left, top, right, bottom};
    m_Colours[2] = kGrey;
    m_Colours[3] = kBlack;
    const std::uint32_t count = std::uint32_t(std::max(1, itemCount));
    m_Items.Free();
    m_Items.Init(count, count * std::uint32_t(std::max(1, itemLength)));
    m_iSelected = -1;
    m_iFirst = 0;
    m_Highlight = plat::Rect{};
}

int CListBox::AddString(const char* text)
{
    m_Items.Add(text ? text : "");
    return GetCount();
}

int CListBox::RowHeight() const
{
    return std::max(1, LineHeight());
}

void CListBox::Step(int delta)
{
    const int count = GetCount();
    if (count == 0) return;
    m_iFirst = std::clamp(m_iFirst + delta, 0, count - 1);
    if (m_iSelected >= 0)
    {
        m_iSelected = std::clamp(m_iSelected + delta, 0, count - 1);
        SetText(m_Items.Get(std::uint32_t(m_iSelected)));
    }
}

void CListBox::OnSubRect1()
{
    CControl::OnSubRect1();
    Step(-1);
}

void CListBox::OnSubRect2()
{
    CControl::OnSubRect2();
    Step(1);
}

void CListBox::ProcessMessages()
{
    CControl::ProcessMessages();
    if (!m_bHovered) return;
    if (Pressed(uicode::kKeyUp)) Step(-1);
    if (Pressed(uicode::kKeyDown)) Step(1);
}

void CListBox::OnMouseLClick()
{
    CControl::OnMouseLClick(); // before the selection changes
    const int index = (CursorPos().y - m_Rect.top) / RowHeight() + m_iFirst;
    if (index >= 0 && index < GetCount())
    {
        m_iSelected = index;
        SetText(m_Items.Get(std::uint32_t(index)));
    }
    else
    {
        m_iSelected = -1;
        SetText("");
    }
}

void CListBox::Render()
{
    if (!m_bVisible) return;
    const int rowHeight = RowHeight();
    int y = m_Rect.top;
    for (int i = m_iFirst; i < GetCount() && y + rowHeight <= m_Rect.bottom; ++i, y += rowHeight)
    {
        if (i == m_iSelected)
        {
            m_Highlight = plat::Rect{m_Rect.left, y, m_Rect.right, y + rowHeight};
            Fill(m_Highlight, m_Colours[2]);
        }
        DrawText(m_Items.Get(std::uint32_t(i)), m_Rect.left + 2, y, m_Colours[3]);
    }
    RenderScrollBars();
}
