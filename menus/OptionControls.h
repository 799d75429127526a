// The controls the options dialog is built from, with their own looks:
//
// COptionTabButton   a page tab: a CDialogButton that draws the tab picture
//                    of its picture id (3961-3963, 3968, 3969), a brighter
//                    row while selected; it plays no click sound of its
//                    own (the dialog plays "SND_I_FOLDER_MIN").
// COptionCheckBox    a tick box: Create makes a square box h - 2 wide below
//                    the middle of the given rectangle (the right edge is
//                    not used) with the caption right-aligned 19 pixels to
//                    its left; an enabled box toggles on a click, a
//                    disabled one keeps its state and draws at half opacity.
// COptionTrackBar    a slider over minimum..maximum in steps of 1 with its
//                    caption right-aligned left of it; SetValue and
//                    GetValue speak in values, the kit's positions count
//                    from 0.
// COptionComboBox    the kit's drop-down list with a caption left of it;
//                    its drop-down list starts 4 pixels left of the box and
//                    ends 1 pixel short of its right edge. (The kit already
//                    owns the name CComboBox.)
// COptionScrollControl the key list's vertical scroll bar: the kit's scroll
//                    bar (arrows 17 x 22, a thumb at least 11 long, steps
//                    4147/4148 with "SND_I_SCROLL", drag notice 4149) drawn
//                    as a striped track.
//
// Pictures come from the sheet named by the control's user id
// ("TEX_INT_UI1"), captions carry a black shadow one pixel right and down.
//
// Ownership: the dialog that creates them. Threads: main thread only.
#pragma once

#include "menus/DialogButton.h"
#include "ui/ListControls.h"
#include "ui/markup/ScrollControl.h"

#include <cstdint>

class COptionTabButton : public CDialogButton
{
public:
    COptionTabButton();

    void Render() override;
    // The tab picture's source corner for a picture id and selection; false
    // for an id that has none.
    static bool TabSource(int picture, bool selected, int* left, int* top);

    std::uint8_t m_bSelected = 0;
};

class COptionCheckBox : public CButton
{
public:
    static constexpr int kCaptionGap = 19;

    COptionCheckBox();

    void Create(int left, int top, int right, int bottom, const char* caption);
    void Render() override;
    void OnMouseLClick() override;

    std::uint8_t m_bTicked = 0;
};

class COptionTrackBar : public CTrackBar
{
public:
    static constexpr std::uint32_t kBaseColour = 0xFF5094C6;

    void Create(int left, int top, int right, int bottom, int minimum, int maximum);
    // The value clamped to minimum..maximum.
    void SetValue(int value);
    int GetValue() const { return m_iMinimum + GetPos(); }
    void Render() override;

    CXAnsiString m_sCaption;
};

class COptionComboBox : public CComboBox
{
public:
    void Create(int left, int top, int right, int bottom, const char* caption);
    void Render() override;
    // The kit's input; an opened list then takes the dialog's width.
    void ProcessMessages() override;

    CXAnsiString m_sLabel;
};

class COptionScrollControl : public CScrollControl
{
public:
    void Render() override;
};
