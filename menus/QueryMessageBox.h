// CQueryMessageBox: the small box with a caption, up to five centred text
// lines, an optional one-line text input and OK and Cancel buttons that
// screens and consoles open as their screen's popup (confirmations, notes
// with OK only, name entry).
//
// It never ends a modal run: OK (the button, Enter or command 61441) sets
// its group result to 1, Cancel (the button, Escape or 61442) to 2; the
// screen polls the popup's result every frame, sends 4151 with it to its
// main group, takes the box off its parent and sends 4152. With an input
// field, OK does nothing while the field is empty (its button is disabled
// meanwhile). Escape answers Cancel also in a box without a Cancel button.
//
// Flags of Init: 1 OK, 2 Cancel, 4 input (with 1 only), 8 centred on the
// screen's main group, 16 centred on the whole screen. Init's rectangle is
// relative to the screen's main group: the owner adds the box to a group,
// which moves it by the group's origin, and makes it the screen's popup.
//
// CQueryEditField is the box's input line: an edit field that always has
// the focus while it is shown, drawn white-framed on black with a blinking
// caret, widening around its centre (for good) when the text outgrows it.
//
// Ownership: the box owns its buttons and field; its owner destroys the box
// once the screen has taken it off (after 4152). A box destroyed while it is
// still shown unlinks itself from its parent and from the screen's popup.
// Main thread only.
#pragma once

#include "ui/Controls.h"
#include "ui/GroupControl.h"

#include <cstdint>
#include <memory>
#include <string>

class CMenuButton;

// Stands in for the row button of the dialog widgets (not built yet), of
// which the box needs only the text entry: the UI framework's edit field.
class CQueryEditField : public CEdit
{
public:
    void Create(int left, int top, int right, int bottom);
    void Render() override;
    // Typing goes on whether or not the mouse is over the field.
    void ProcessMessages() override;

    float m_fCaretTimer = 0.0f;
    std::uint8_t m_bCaretShown = 0;
};

class CQueryMessageBox : public CGroupControl
{
public:
    enum EFlags : std::uint32_t
    {
        kFlagOK = 1,
        kFlagCancel = 2,
        kFlagInput = 4,
        kFlagCentreMain = 8,
        kFlagCentreScreen = 16,
    };
    static constexpr int kMaxLines = 5;
    static constexpr int kButtonWidth = 36;
    static constexpr std::uint32_t kBackground = 0xA12E5A7B;
    static constexpr std::uint32_t kCaptionBand = 0xCC000000;

    CQueryMessageBox();
    ~CQueryMessageBox() override;

    // Takes the OK, Cancel and input controls out of the box.
    int Clear() override;
    void Render() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;

    using CGroupControl::Init;
    virtual void Init(const plat::Rect& rect, IUI* screen, std::uint32_t flags);
    virtual void SetCaption(const char* caption);
    // False (the line dropped) once the box holds five lines.
    virtual bool AddLine(const char* line);
    virtual void ResetLines();

    // The input field's text, empty without a field.
    std::string GetInputText() const;
    // The two background colours with the fade applied.
    std::uint32_t BackgroundColour() const;
    std::uint32_t CaptionBandColour() const;

    std::unique_ptr<CMenuButton> m_pOK;
    std::unique_ptr<CMenuButton> m_pCancel;
    std::unique_ptr<CQueryEditField> m_pInput;
    std::string m_sBoxCaption;
    std::uint32_t m_uFlags = 0;
    std::string m_Lines[kMaxLines];
    std::int32_t m_nLines = 0;
    float m_fFade = 0.0f;
};
