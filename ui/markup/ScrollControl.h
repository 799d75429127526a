// CScrollControl: the vertical scroll control of the markup scroll window,
// as far as that window uses it: two arrow buttons, a track and a thumb,
// enabled or not, with a thumb length, a range and a position, and a
// changed flag set when the user moves the thumb. Its pictures belong to
// the game's widget set; here it draws plain filled rectangles.
//
// Ownership: created and deleted by its window. Threads: main thread only.
#pragma once

#include "ui/Control.h"

class CScrollControl : public CControl
{
public:
    static constexpr int kWidth = 16;
    static constexpr int kButton = 22;

    void Init(int left, int top, int right, int bottom);
    void Render() override;
    void ProcessMessages() override;

    void SetEnabled(bool on) { m_bEnabled = on ? 1 : 0; }
    void SetThumbLength(int length) { m_nThumbLength = length; }
    void SetRange(int range) { m_nRange = range < 0 ? 0 : range; }
    void SetPosition(int position);
    int GetPosition() const { return m_nPosition; }
    // The changed flag, cleared by the reading.
    bool TakeChanged();
    // Track length between the buttons.
    int TrackLength() const;
    plat::Rect FirstButton() const;
    plat::Rect SecondButton() const;
    plat::Rect Track() const;
    plat::Rect Thumb() const;

    int m_nThumbLength = 20;
    int m_nRange = 0;
    int m_nPosition = 0;
    int m_nButtonStyle = 0;
    bool m_bChanged = false;
    bool m_bThumbHeld = false;
    int m_nGrabOffset = 0;
};
