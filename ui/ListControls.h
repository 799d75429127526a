// The list controls: the grid list (CListCtrl, rows x columns of texts),
// the drop-down list (CComboBox) and the list box (CListBox).
//
// Rows are one line of the screen's font high; a font without a height
// counts as one pixel so that no row arithmetic divides by zero. A click
// sends the control's click notification (0xF0D, 0x101) before the new
// selection is stored, so an owner acting on it still sees the previous
// selection. The up and down arrows of the scroll bar and the cursor keys
// move the first visible row and the selection by one within the items.
//
// Ownership: a list owns its texts. Threads: main thread only.
#pragma once

#include "foundation/StringPool.h"
#include "ui/Control.h"

#include <vector>

class CListCtrl : public CControl
{
public:
    struct SCell
    {
        CXAnsiString text;
        int x = 0; // the column's offset from the left edge
    };

    void Create(int left, int top, int right, int bottom, int rows, int columns);
    // Stores a cell's text; a row or column outside the table is reported
    // ("CListCtrl::AddItem() Out of Range") and nothing is stored.
    bool AddItem(int row, int column, const char* text);
    const char* GetItem(int row, int column) const;
    // The column gets fraction of the width, the others share the rest.
    void SetColumnWidth(int column, float fraction);
    // Empties every cell (the control stays as it is).
    int Clear() override;
    void Render() override;
    void OnMouseLClick() override;
    void OnSubRect1() override;
    void OnSubRect2() override;
    void ProcessMessages() override;

    int RowHeight() const;
    int VisibleRows() const;

    std::vector<SCell> m_Cells;
    int m_nRows = 0;
    int m_nColumns = 0;
    int m_iFirst = 0;
    int m_iSelRow = -1;
    int m_iSelColumn = -1;
    int m_bSelection = 0;

private:
    void Step(int delta);
    std::vector<int> m_ColumnX; // offsets, one per column, plus the width
};

class CComboBox : public CControl
{
public:
    static constexpr std::uint32_t kPoolNames = 32;
    static constexpr std::uint32_t kPoolChars = 65536;

    void Create(int left, int top, int right, int bottom, const char* caption);
    // Appends an item; returns the new count.
    int AddString(const char* text);
    // Item i (0 <= i < count) becomes the caption and the selection; other
    // values are ignored.
    void SetSelection(int index);
    int GetSelection() const { return m_iCurrent; }
    int GetCount() const { return int(m_Items.GetCount()); }
    bool IsOpen() const { return m_bOpen != 0; }
    void Open();
    void Close();
    void Render() override;
    void OnMouseLClick() override;
    void OnMouseOut() override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;

    int RowHeight() const;

    int m_bOpen = 0;
    CStringPool m_Items{kPoolNames, kPoolChars};
    int m_iCurrent = -1;
    plat::Rect m_ClosedRect;
    plat::Rect m_ListRect;
    plat::Rect m_ArrowBox;
    int m_bKeepOpen = 0;
};

class CListBox : public CControl
{
public:
    void Create(int left, int top, int right, int bottom, int itemCount, int itemLength);
    int AddString(const char* text);
    int GetCount() const { return int(m_Items.GetCount()); }
    int GetSelection() const { return m_iSelected; }
    void Render() override;
    void OnMouseLClick() override;
    void OnSubRect1() override;
    void OnSubRect2() override;
    void ProcessMessages() override;

    int RowHeight() const;

    plat::Rect m_Highlight;
    int m_iSelected = -1;
    int m_iFirst = 0;
    CStringPool m_Items;

private:
    void Step(int delta);
};
