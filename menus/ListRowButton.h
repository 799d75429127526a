// CListRowButton: a row of the dialogs' lists (the save/load list, the mods
// list, the network-game dialog's server and game lists): a push button
// that shows a title in the normal font and a subtitle below it in the
// second font, each with a black shadow one pixel right and down. An
// editable row takes typed characters into its subtitle while it has the
// focus (a blinking caret after the text, an overlay picture from
// "TEX_INT_UI1" unless no-overlay is set); a double click on a focused
// row empties its subtitle. A Backspace press removes one character;
// once Backspace has been held for 0.3 s, each of its repeated presses
// removes two (the time it went down is one value for all rows).
//
// Ownership: the creating dialog. Threads: main thread only.
#pragma once

#include "ui/Controls.h"

#include <cstdint>

class CListRowButton : public CButton
{
public:
    static constexpr int kTitle = 1;
    static constexpr int kSubtitle = 2;
    static constexpr float kCaretBlink = 0.5f;
    static constexpr std::uint16_t kBackspace = 14;
    static constexpr double kBackspaceRepeat = 0.3;

    CListRowButton();
    ~CListRowButton() override = default;

    void Render() override;
    void OnMouseLDblClick() override;
    void ProcessMessages() override;

    void SetTitle(const char* text) { m_sText[kTitle] = text ? text : ""; }
    void SetSubtitle(const char* text) { m_sText[kSubtitle] = text ? text : ""; }
    const CXAnsiString& GetTitle() const { return m_sText[kTitle]; }
    const CXAnsiString& GetSubtitle() const { return m_sText[kSubtitle]; }
    // This frame's typed characters and Backspace presses (focused and
    // editable rows only).
    void TakeKeys();

    std::uint8_t m_bEditable = 0;
    std::uint8_t m_bRowFocused = 0;
    std::uint8_t m_bDoubleClicked = 0;
    std::uint8_t m_bNoOverlay = 0;
    std::uint8_t m_bCaretOn = 0;
    float m_fCaretTime = 0.0f;
    int m_nNumber = 10;
    CXAnsiString m_sText[6];
    std::uint32_t m_dwTextColour = 0xFFFFFFFF;
    std::uint32_t m_dwSecondColour = 0x80FFFFFF;
    std::uint32_t m_dwShadowColour = 0xFF000000;
    int m_nNumber2 = 2;
    std::uint8_t m_bTextChanged = 0;
};
