// The standard controls screens place in their groups: the button (push,
// check and radio kinds), the label, the picture control, the edit field
// and the slider (CTrackBar). Each is set up by its Create with a rect in
// its group's coordinates and reports through the notification road of the
// screen (ui/UICodes.h). The lists are in ui/ListControls.h.
//
// Colours: checked fill, fill, frame, text (see CControl). Texts are code
// page 1251 bytes.
// Ownership: controls belong to their creator. Threads: main thread only.
#pragma once

#include "ui/Control.h"

#include <vector>

class CButton : public CControl
{
public:
    enum EKind
    {
        kPush = 0,
        kCheck = 1,
        kRadio = 2,
    };

    // A check or radio button's rect becomes a box of half the height at
    // its left, with the caption to the right; a push button centres it.
    void Create(int left, int top, int right, int bottom, const char* caption, int kind, int command);
    void Render() override;
    // Clicks (enabled only): the control click, then the command id unless
    // it is 0xF000; a check button flips its checked flag.
    void OnMouseLClick() override;
    void OnMouseLHeld() override;
    void OnMouseLUp() override;
    void ProcessMessages() override;

    bool IsChecked() const { return m_bChecked != 0; }
    void SetCheck(int checked) { m_bChecked = checked; }

    int m_iCommand = 0xF000; // no command
    int m_bChecked = 0;
    int m_iKind = kPush;
};

class CLabel : public CControl
{
public:
    void Create(int left, int top, int right, int bottom, const char* text);
    void Render() override;

    int m_bAutoWidth = 1;
    int m_iLabelFlag = 1;
};

// A picture control: the caption holds the image name; derived picture
// controls draw it in RenderImage, the base draws nothing.
class CImage : public CControl
{
public:
    void Create(int left, int top, int right, int bottom, const char* imageName);
    void Render() override;
    virtual void RenderImage() {}
};

// A one-line edit field. A click gives it the focus, which it loses when
// the mouse leaves it or Enter is pressed. While focused it reads the
// input device's buffered key records each frame: Backspace removes the
// last character, Left and Right move the cursor, and typed characters
// (character records, control characters excepted) are appended.
class CEdit : public CControl
{
public:
    void Create(int left, int top, int right, int bottom, const char* text);
    void Render() override;
    void OnMouseLClick() override;
    void ProcessMessages() override;

    int GetCursor() const { return m_nCursor; }

    std::vector<std::uint32_t> m_Keys; // this frame's key records, copied
    int m_iEditFlag = 1;
    int m_nTextLength = 0;
    int m_nCursor = 0;

private:
    void HandleKeys();
};

// A slider over the values minimum, minimum + step, ... maximum. The base
// measures and places its thumb and keeps its tooltip (the value) but draws
// nothing: the option screens' sliders derive from it and draw.
class CTrackBar : public CControl
{
public:
    void Create(int left, int top, int right, int bottom, int minimum, int maximum, int step);
    // Clamps index to 0..count - 1 and places the thumb.
    void SetPos(int index);
    int GetPos() const { return m_iPos; }
    int GetCount() const { return m_nCount; }
    int GetValue() const { return m_iMinimum + m_iPos * m_iStep; }
    void Render() override;
    void OnMouseLClick() override;
    void OnMouseLHeld() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;

    int m_bThumbDrag = 0;
    int m_iPos = 0;
    int m_nCount = 1;
    double m_dPixelsPerStep = 0.0;
    plat::Rect m_Track;
    int m_iMinimum = 0;
    int m_iMaximum = 0;
    int m_iStep = 1;
    plat::Rect m_Thumb;
    int m_iSpare = -1;

private:
    void PlaceThumb();
    void FollowCursor();
    void RefreshToolTip();
};
