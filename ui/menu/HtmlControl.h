// CHtmlControl: a menu element that shows a markup document with a scroll
// bar, scrolls it by wheel, arrows, thumb and by dragging the text, reports
// link clicks to its menu (99) and can open a one-line console input at the
// end of the document (97 cancelled, 98 submitted).
//
// The console line starts with a fixed prefix (two backslashes when Enter
// opens it), takes at most 40 typed characters after it and refuses the
// markup characters ':' '=' '<' '>'. Outside the framed style a submitted
// "GO name" or "JUMP TO name" moves the player (GoToMechanoid,
// JumpToBuilding: the application carries them out through g_pMenuHost).
//
// Ownership: the document is deleted with the control when the control made
// it. The menu is borrowed. Threads: main thread only.
#pragma once

#include "foundation/XString.h"
#include "ui/menu/BaseMenu.h"

#include <cstdint>

class CHTMLObject;

class CHtmlControl : public CMenuControl
{
public:
    static constexpr int kNotifyCancelled = 97;
    static constexpr int kNotifySubmitted = 98;
    static constexpr int kNotifyLink = 99;
    static constexpr int kScrollBarWidth = 14;
    static constexpr int kKeyEnter = 28;
    static constexpr const char* kConsoleBlock = "CONSOLE COMMAND";

    CHtmlControl(int left, int top, int right, int bottom, CHTMLObject* document);
    ~CHtmlControl() override;

    void Render() override;
    void OnMouseDown() override;
    void OnMouseUp() override;
    void OnMouseUpOutside() override { m_bDragging = 0; }
    void Run() override;
    void ProcessKeys() override;
    void OnAdded() override { AdoptGraphic(); }

    void BeginInput(const char* blockId, const char* prefix, const char* suffix);
    void CancelInput();
    void ExecuteCommand(const char* text);

    // The world's side of the developer commands, handed to the menu host
    // (nothing without one); names are at most 31 characters when these run.
    virtual void GoToMechanoid(const char* name);
    virtual void JumpToBuilding(const char* gameId);

    // Scroll figures read and made consistent: total >= page, position in
    // [0, total - page].
    void ReadScrollFigures(int* total, int* page, int* position) const;
    // The thumb's top and height on the track.
    void ThumbPlace(int total, int page, int position, int* top, int* height) const;

    CHTMLObject* GetDocument() const { return m_pDocument; }

    std::uint8_t m_bDragging = 0;
    int m_nDragX = 0;
    int m_nDragY = 0;
    std::uint8_t m_bOwnsDocument = 0;
    char m_szLink[32] = {};
    std::uint8_t m_bLinkClicked = 0;
    std::uint8_t m_bFramed = 0;
    std::uint8_t m_bScrollBar = 1;
    CHTMLObject* m_pDocument = nullptr;
    CXAnsiString m_sInput;
    CXAnsiString m_sSubmitted;
    std::uint8_t m_bConsoleEnabled = 1;
    std::uint8_t m_bInputActive = 0;
    std::uint8_t m_bPending = 0;
    char m_szLineBlock[65] = {};
    int m_nMaxInput = 40;
    int m_nPrefixLength = 0;

private:
    void ShowLine(bool cursor);
    void AdoptGraphic();
    plat::Point Mouse() const;
    void DrawPiece(const int screen[4], int u, int v, int w, int h, bool flip);
};
