// CAuthorsDialog: the credits panel of the main menu's "Authors" item. The
// credits texts of the text database ("INT_AUTORS", "INT_AUTORS1" to
// "INT_AUTORS4", "INT_AUTORS6" to "INT_AUTORS8"; keys the database lacks
// are skipped) become one markup document, followed by 20 blank blocks so
// that the last text leaves the view before the start comes back. The
// document waits 5 s, then scrolls one step every 30 ms (at most one step a
// frame) until it can move no further, jumps back to the top and waits
// again. Times are unsigned differences of the millisecond tick count, so
// its wrap-around does not stop the scrolling.
//
// It draws the dialog frame (with a 6-pixel side piece), a faint 30-pixel
// grid and the document. No controls, no commands.
//
// Ownership: the dialog owns its document; the menu owns the dialog.
// Threads: main thread only.
#pragma once

#include "ui/GroupControl.h"

#include <cstdint>
#include <memory>

class CHTMLObject;

class CAuthorsDialog : public CGroupControl
{
public:
    using FTicks = std::uint32_t (*)();
    static constexpr std::uint32_t kWait = 5000;
    static constexpr std::uint32_t kStep = 30;
    static constexpr int kBlankBlocks = 20;
    static constexpr int kSideWidth = 6;
    static constexpr std::uint32_t kGridColour = 0x26FFFFFF;

    CAuthorsDialog();
    ~CAuthorsDialog() override;

    void Render() override;
    void ProcessMessages() override;
    void Init(const plat::Rect& rect, IUI* screen) override;

    // The millisecond clock (the system tick count unless a test gives one).
    void SetTicks(FTicks ticks);
    CHTMLObject* GetDocument() const { return m_pDocument.get(); }
    bool IsScrolling() const { return m_bScrolling; }

    bool m_bShown = true;
    std::uint32_t m_uBackground = 0x7F194B7F;
    plat::Rect m_Frame{};

private:
    std::unique_ptr<CHTMLObject> m_pDocument;
    std::uint32_t m_uLastStep = 0;
    bool m_bScrolling = false;
    FTicks m_pfnTicks;
};
