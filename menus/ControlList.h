// CControlList: the goods grid of the building consoles, a strip of item
// cells (CControlListItem) in one row that shows as many whole cells as fit
// and scrolls sideways. Its children are, in this order: the left and right
// scroll buttons (pictures 26 and 27, commands 4145 and 4146), the scroll
// bar (placement 0, thumb only), then the items; every walk over the items
// starts at the fourth child.
//
// Items are added by name and kind (AddControl(name, kind, value)): goods
// (0x20000000), mechanoids (0x40000000; the console sets their category)
// and equipment (0x10000000; the modifier, glider, gun, equipment and
// missile tables are asked in that order and the first that knows the
// name gives the category, the model and the item name). An item equal to
// one in the grid (class-id key, item name and modifier) is not added
// twice: the one there is returned.
//
// A category filter, set by the filter buttons the console registers (a
// menu button whose value holds its mask), hides the items outside the
// mask; 0 means no filter. At most one item passing the filter is
// selected; a click selects (a locked item is never selected, but the
// click still clears the old selection). Items can be dragged out and
// dropped on another control that takes drops (CControlListItem).
//
// Layout: for a grid of height h the cells are (h - 18) pixels square;
// visible count = cell area width / cell width, and the gap spreads the
// rest over the spaces between the visible cells (0 when one cell or none
// fits, where there is no space between cells).
//
// Sounds: "SND_I_SCROLL" (scroll buttons), "SND_I_SELECT" (a click changes
// the selection), "SND_I_FOLDER_MIN" (a filter button with another mask).
//
// Ownership: the grid owns its scroll buttons, its scroll bar and every
// item added to it (RemoveAll and the destructor delete them); an item
// taken out with RemoveControl or DetachControl belongs to the caller.
// Filter buttons are borrowed: their owner clears them
// (ClearFilterButtons) before they go, unless the grid goes first.
// The text database is borrowed (g_pTextDB when none is set).
// Threads: main thread only.
#pragma once

#include "menus/ControlListItem.h"
#include "menus/MenuButton.h"
#include "ui/GroupControl.h"
#include "ui/markup/ScrollControl.h"

#include <cstdint>

class ITextDB;

class CControlList : public CGroupControl
{
public:
    static constexpr int kMaxFilterButtons = 15;
    static constexpr int kScrollLeftCommand = 4145;
    static constexpr int kScrollRightCommand = 4146;
    static constexpr int kScrollButtonWidth = 16;
    static constexpr int kStripWidth = 19;
    static constexpr std::uint32_t kDropHighlight = 0xFFBCFFA4;
    static constexpr int kFixedChildren = 3;

    CControlList() = default;
    ~CControlList() override;

    void Show() override;
    void Render() override;
    void RenderBackground() override;
    // Hover without notifications.
    void OnMouseOver() override;
    void OnMouseOut() override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;
    // An item began a drag: the grid is dragging and the screen's captured
    // control is the drag source.
    void OnBeginDrag() override;
    void OnDrop() override;
    // The base's third and fourth sub-rectangle slots.
    void OnSubRect4() override { ScrollRight(); }
    void OnSubRect3() override { ScrollLeft(); }
    // An item: placed, made draggable, hidden until RecalcArray shows it.
    void AddControl(CControl* item) override;
    void RemoveControl(CControl* item) override;

    void Create(int left, int top, int right, int bottom, IUI* screen);
    // The cell (left button pressed over the grid): see the header.
    virtual void SelectAtCursor();
    virtual void ScrollRight();
    virtual void ScrollLeft();
    virtual CControlListItem* AddControl(const char* name, std::uint32_t kind, std::uint32_t value);
    // As AddControl(item), linked before the child before (nothing when it
    // is not a child), without the drag flag, selection or filter step.
    virtual void InsertControl(CControl* before, CControlListItem* item);
    virtual void SelectByName(const char* name, bool select, std::uint32_t id);
    // Unlinked, hidden and disabled, and put into the screen's main group
    // so that it can be carried across the screen; the caller owns it.
    virtual void DetachControl(CControlListItem* item);
    virtual void RemoveAll();
    virtual void ClearFilterButtons();
    virtual int GetCount();
    virtual void SelectIndex(int index);
    virtual int GetSelectedIndex();
    // False (and an error line) for a 16th button.
    virtual bool AddFilterButton(CMenuButton* button);
    virtual bool TakeFilterChanged();
    virtual void RecalcArray();
    virtual void EnableControls(bool scrollButtons);
    virtual bool IsScrollEnabled();
    virtual void FillBackground();
    virtual void SetFilter(std::uint32_t mask, bool force);
    virtual std::uint32_t GetFilter() { return m_dwFilter; }
    virtual int FindItemIndexAt(int x, int y);
    virtual CControlListItem* FindItemAt(int x, int y);

    CControlListItem* GetSelected();
    // The items in child order (the fixed children left out).
    int GetItemCount() const { return m_nItemCount; }
    CControlListItem* GetItem(int index) const;
    bool Passes(const CControlListItem& item) const;
    void SetTextDB(ITextDB* db) { m_pTextDB = db; }

    CControl* m_pDragSource = nullptr;
    CScrollControl* m_pScroll = nullptr;
    plat::Rect m_CellArea;
    int m_nItemCount = 0;
    std::uint8_t m_bLockCounted = 0;
    CMenuButton* m_FilterButtons[kMaxFilterButtons] = {};
    int m_nFilterButtons = 0;
    CMenuButton* m_pLeftButton = nullptr;
    CMenuButton* m_pRightButton = nullptr;
    plat::Rect m_LeftRect;
    plat::Rect m_RightRect;
    int m_nCellWidth = 0;
    int m_nCellHeight = 0;
    std::uint8_t m_bFilterChanged = 0;
    int m_nFrameWidth = 1;
    int m_nTextHeight = 0;
    int m_nButtonWidth = kScrollButtonWidth;
    int m_nCellGap = 0;
    int m_nFirstVisible = 0;
    int m_nVisibleCount = 0;
    int m_nFilteredCount = 0;
    std::uint32_t m_dwFilter = 0;
    std::uint32_t m_dwFillColour = 0xFFD3D3D3;

private:
    template <class F> void ForEachItem(F f) const;
    void DeleteFixedChildren();
    void DeleteItems();
    void PrepareItem(CControlListItem* item);
    void SetScrollRange(int range);
    CControlListItem* MakeItem(const char* name, std::uint32_t kind, std::uint32_t value);

    ITextDB* m_pTextDB = nullptr;
};
