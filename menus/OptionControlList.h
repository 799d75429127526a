// COptionControlList: the options dialog's key-binding page. 27 rows (one
// per player action, see menus/OptionKeyRows.h), each with its caption, a
// primary and a secondary binding (codes of the input configuration: 1-255
// keys, 257 + n mouse buttons, 513 + n joystick buttons, 0 none), 11 rows
// of 27 pixels visible and a scroll bar at the right edge.
//
// Idle: Up and Down move the selection (the visible rows follow), Delete
// clears the selected row's primary, or its secondary when the primary is
// empty, a click selects the row under the cursor, Enter or a double click
// starts a capture. Capturing: the row shows its primary in the second
// column and "???" blinking in the first; the list holds the screen's
// capture so that it reads the keys first. The lowest code pressed in a
// frame ends it (none while the console key is held): Escape puts the row
// back as it was; any other code is taken from every row that has it and
// becomes the row's primary, the old primary its secondary. Escape can
// never be bound.
//
// The bindings travel through the input configuration: LoadOptionKeys and
// SaveOptionKeys read and write a configuration file's [INPUT] (the keys
// without a row, "FIRE3", "FIREALT3" and "ROCKET3", keep the live values).
//
// Ownership: the dialog owns the list; the list owns its scroll bar.
// Threads: main thread only.
#pragma once

#include "menus/OptionSettings.h"
#include "ui/Control.h"

#include <array>
#include <cstdint>
#include <memory>

class COptionScrollControl;

class COptionControlList : public CControl
{
public:
    static constexpr int kRows = options::kKeyRows;
    static constexpr int kVisibleRows = 11;
    static constexpr int kRowHeight = 27;
    static constexpr std::uint32_t kHighlight = 0x80FF0000;
    static constexpr std::uint32_t kCaptureColour = 0x8000FF00;
    static constexpr std::uint32_t kTextColour = 0xFFFFFFFF;
    static constexpr float kBlink = 0.2f;
    static constexpr int kKeyEnter = 28, kKeyDelete = 211, kKeyUp = 200, kKeyDown = 208;
    static constexpr int kKeyEscape = 1, kKeyConsole = 41;

    COptionControlList();
    ~COptionControlList() override;

    void Create(const plat::Rect& rect, IUI* screen);
    // The captions from the text database, every code 0.
    void FillCaptions();

    void Show() override;
    void Hide() override;
    void Render() override;
    void OnMouseLClick() override;
    void OnMouseLDblClick() override;
    void OnMouseLUp() override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;
    void SetUID(const CGuidKey& id) override;

    void StartCapture();
    bool IsCapturing() const { return m_bCapturing; }

    // A file's bindings and input options into the rows, and back.
    static void LoadOptionKeys(const char* fileName, std::array<options::SKeyPair, kRows>& keys,
                               SInputOptions& input);
    static void SaveOptionKeys(const char* fileName, const std::array<options::SKeyPair, kRows>& keys,
                               const SInputOptions& input);

    COptionScrollControl* GetScroll() const { return m_pScroll.get(); }
    int GetSelected() const { return m_iSelected; }
    void SetSelected(int row) { m_iSelected = row; }
    int GetFirstVisible() const { return m_iFirst; }

    std::array<options::SKeyPair, kRows> m_Keys{};
    std::array<CXAnsiString, kRows> m_Captions;

private:
    void CaptureStep();
    void EndCapture();
    void FollowSelection();

    std::unique_ptr<COptionScrollControl> m_pScroll;
    std::uint16_t m_nRememberedSecondary = 0;
    int m_iFirst = 0;
    int m_iSelected = 0;
    bool m_bCapturing = false;
    double m_dCaptureStart = 0.0;
    double m_dLastBlink = 0.0;
    bool m_bBlinkOn = true;
};
