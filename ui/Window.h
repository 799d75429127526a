// CWindow: a group with a title bar and a close box; CTabPage: a group
// that shows one of up to ten pages, selected by a strip of tabs.
//
// A window's rect is its client area (below the title bar); children are
// placed relative to the client area's top-left. Notifications of a
// window's or tab page's children stop there (their OnCommand is empty).
// A window closes by clearing itself when its close box is clicked; its
// owner notices through its visibility. A window moves only when its owner
// sets the window-drag flag; the drag moves it by the cursor's travel
// (DragTo), while Move keeps the relative meaning it has for every control.
//
// Pages of a tab page are not children of its list: only the current page
// draws and receives input. A page is made with its children at
// page-relative positions; AddPage moves it once into the client area.
//
// Ownership: pages and children belong to their creator.
// Threads: main thread only.
#pragma once

#include "ui/GroupControl.h"

class CWindow : public CGroupControl
{
public:
    static constexpr std::uint32_t kCloseBoxColour = 0xFFFF0000;

    CWindow() = default;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    // Also hides the window and disarms the close box.
    int Clear() override;
    // As the group's, and colour2 becomes the window colour (colour3 is the
    // frame, colour4 the text).
    void SetStyle(int verticalBar, int styleValue, std::uint32_t colour1, std::uint32_t colour2,
                  std::uint32_t colour3, std::uint32_t colour4) override;
    void Render() override;
    void RenderBackground() override;
    void OnMouseLClick() override;
    void OnCommand(int, int) override {}
    void ProcessMessages() override;
    // Moves the window, its title bar, close box and children by dx, dy, as
    // any control moves with its group.
    void Move(int dx, int dy) override;
    // The drag: moves by the cursor's distance from the drag origin, sets the
    // moved flag and makes the cursor the new origin.
    void DragTo(int x, int y);
    void RenderText() override;

    virtual void Create(int left, int top, int right, int bottom, const char* title, IUI* screen);
    virtual void RenderTitleBar();

    std::uint32_t m_WindowColour = kLightGrey;
    std::uint32_t m_Colour2 = kLightGrey;
    std::uint32_t m_Colour3 = 0;
    int m_iWindowFlag = 1;
    int m_nDragX = 0;
    int m_nDragY = 0;
    plat::Rect m_TitleBar;
    plat::Rect m_CloseBox;
    int m_bCloseArmed = 0;
    int m_bWindowDrag = 0;
    CXAnsiString m_sTitle;
    int m_nTitleHeight = 0;
    std::uint32_t m_TitleBarColour = 0xFFFFFFFF;
    int m_bMoved = 0;

private:
    using CGroupControl::Create;
};

class CTabPage : public CGroupControl
{
public:
    static constexpr int kMaxPages = 10;

    struct SPage
    {
        CGroupControl* page = nullptr;
        CXAnsiString title;
        plat::Rect tab;
    };

    CTabPage() = default;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    int Clear() override { return 0; }
    void Render() override;
    void OnMouseLClick() override;
    void OnCommand(int, int) override {}
    void ProcessMessages() override;
    void Move(int dx, int dy) override;
    void RenderText() override {}

    virtual void Create(int left, int top, int right, int bottom, IUI* screen);
    // False (and an error line) for a null page or an eleventh page.
    virtual bool AddPage(CGroupControl* page, const char* title);

    int GetPageCount() const { return m_nPages; }
    int GetCurrentPage() const { return m_iCurrent; }
    void SetCurrentPage(int index)
    {
        if (index >= 0 && index < m_nPages) m_iCurrent = index;
    }

    std::uint32_t m_TabColour = kLightGrey;
    int m_nPages = 0;
    int m_iCurrent = 0;
    int m_nNextTabX = 0;
    int m_nTabHeight = 0;
    SPage m_Pages[kMaxPages];
    SPage m_Spare;

private:
    using CGroupControl::Create;
};
