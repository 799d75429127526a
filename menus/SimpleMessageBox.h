// CSimpleMessageBox: the large box in which the results of script runs
// appear (text blocks from the text database, objects received and given,
// money, journal updates, mechanoid speech), in a scrolling markup window.
// Links in the window act on it ("exit", "clear", "delete", "close"), add
// text entries by key, or run script procedures whose results are appended
// in turn (link forms in menus/LinkText.h).
//
// Inside a menu host it is the popup of the host's screen (own screen 0):
// OK sets its group result to 1 and the screen takes it off. During flight
// it is the main group of its own screen CBoxUI (own screen 1): OK ends that
// screen's modal run with 1; an "exit" link ends it with 0. Script results
// of type 10 switch whether OK, Enter and Escape close it.
//
// CBoxUI ("IGUID_CBoxUI"): the screen of a stand-alone box, centred and at
// most 800 x 600. The dialog runner calls SetParam with a text key (or
// none) before the modal loop; the key's entry is shown in the box.
//
// Pending results are read from the game script manager's table
// (g_pScriptManager), which this box empties; texts come from g_pTextDB.
//
// Ownership: the box owns its OK button and window; the screen that shows
// it as a popup does not own it (its creator does); CBoxUI owns its box as
// its main group. Main thread only.
#pragma once

#include "ui/GroupControl.h"
#include "ui/UI.h"

#include <cstdint>
#include <memory>

class CHTMLScrollWnd;
class CMenuButton;

class CSimpleMessageBox : public CGroupControl
{
public:
    static constexpr std::uint32_t kBackground = 0xA12E5A7B;
    static constexpr std::uint32_t kPanel = 0x46000000;
    static constexpr std::uint32_t kBorder = 0xFFACF0F4;

    explicit CSimpleMessageBox(bool ownScreen);
    ~CSimpleMessageBox() override;

    void Init(const plat::Rect& rect, IUI* screen) override;
    void Render() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    virtual void DisableClose() { m_bClosable = 0; }
    virtual void EnableClose() { m_bClosable = 1; }

    // Appends the pending script results to the window and empties the
    // table.
    void CViewScriptResults();
    // Runs the parts of a link text in order.
    void RunLink(const char* link);

    std::unique_ptr<CMenuButton> m_pOK;
    std::uint8_t m_bClosable = 1;
    std::uint8_t m_bOwnScreen = 0;
    std::unique_ptr<CHTMLScrollWnd> m_pText;
};

class CBoxUI : public IUI
{
public:
    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(IGraphicInterface* graphic, IInput* input) override;
    // The dialog's parameter: a 32-character text key, shown in the box.
    void SetParam(void* key) override { ShowTextKey(static_cast<const char*>(key)); }
    void ShowTextKey(const char* key);
    // OK ends the run with 1 (once: not again with 61441); the rest as any
    // screen.
    void OnCommand(int code, int param) override;

    CSimpleMessageBox* m_pBox = nullptr;
};
