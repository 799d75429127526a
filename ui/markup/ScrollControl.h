// CScrollControl: the scroll bar of the game's screens, a group of a thumb
// and (in most placements) two arrow buttons, all picture buttons. It
// keeps an integer position from 0 to a range, places the thumb to match,
// lets the player drag the thumb or click the arrows, and reports to its
// owner: 4147 stepped back, 4148 stepped forward (an arrow released over
// itself, once per click), 4149 the thumb dragged to a new position (once,
// until the owner clears the position-changed byte). Each command names
// the bar (CommandArgument(), ui/markup/CommandArgument.h).
//
// Placements (the rectangle given to Init is in the owner's coordinates;
// adding the bar to the owner moves it with its buttons):
//   0  a thumb-only strip (19, H - 16, W + 20, H + 1) under the owner's
//      area (the goods grid), thumb picture 25;
//   1  a vertical bar at the right edge with arrows above and below
//      (markup windows, lists, the big-map view): arrows 20 and 21,
//      thumb 24;
//   2  a horizontal bar between two arrows along the given strip (the
//      big-map view): arrows 28 and 29, thumb 25;
//   4  a slider without arrows over the given rectangle, a 15 x 15 thumb
//      of picture 30 (CScrollControlEx).
// A bar is vertical when it is taller than wide; the thumb placement also
// takes a square bar as vertical.
//
// CScrollControlEx: the slider that prints the split of its range,
// "range - position:position", over its thumb, and a label at each end.
//
// Ownership: the bar creates and deletes its three buttons. Threads: main
// thread only.
#pragma once

#include "ui/GroupControl.h"
#include "ui/markup/PictureButton.h"

#include <cstdint>

class CScrollControl : public CGroupControl
{
public:
    static constexpr int kStepBack = 4147;
    static constexpr int kStepForward = 4148;
    static constexpr int kDragged = 4149;
    static constexpr int kThumbMinimum = 11;
    static constexpr std::uint32_t kTrackFill = 0x26FFFFFF;
    static constexpr std::uint32_t kBoxLine = 0xFFACF0F4;

    enum EPlacement
    {
        kStrip = 0,
        kVertical = 1,
        kHorizontal = 2,
        kSlider = 4,
    };

    CScrollControl() = default;
    ~CScrollControl() override;

    void Render() override;
    void ProcessMessages() override;
    // The two sub-rectangle slots serve as the steps.
    void OnSubRect1() override { StepBack(); }
    void OnSubRect2() override { StepForward(); }

    // Builds the bar; position and range become 0. Placement values other
    // than 0, 1, 2 and 4 give a bar whose thumb has no place.
    virtual void Init(int left, int top, int right, int bottom, int placement, IUI* screen);
    // Below 11 becomes 11 (a negative length counts as long); cut to the
    // track (the space between the arrows less 2, or the bar less 2).
    virtual void SetThumbSize(int pixels);
    // Ignored while the thumb is dragged; stored unclamped.
    virtual void SetPos(int position);
    virtual void SetMax(int range);
    // Shows (1) or hides (0) the thumb; the bar's enabled flag follows.
    virtual void Enable(int flag);

    // The position, first lowered to the range when above it.
    int GetPos();
    int GetMax() const { return m_nRange; }
    void StepBack();
    void StepForward();
    // Places the thumb for the position.
    void UpdateThumb();
    // The owner reads the position-changed byte and clears it.
    bool TakePosChanged();

    bool IsVertical() const { return Height() > Width(); }

    CPictureButton* m_pBack = nullptr;
    CPictureButton* m_pForward = nullptr;
    CPictureButton* m_pThumb = nullptr;
    int m_nArrowWidth = 17;
    int m_nArrowHeight = 22;
    std::uint8_t m_bDragging = 0;
    int m_nPos = 0;
    int m_nRange = 0;
    int m_nGrabOffset = 0;
    int m_nLastReported = 0;
    std::uint8_t m_bPosChanged = 0;
    std::uint8_t m_bPressedInside = 0;

protected:
    // Sends code to itself (and so to the owner) naming itself.
    void SendToSelf(int code);

private:
    void DeleteButtons();
    void RenderDisabledTrack();
};

class CScrollControlEx : public CScrollControl
{
public:
    static constexpr int kTrackLength = 223;

    void Render() override;
    // Init with placement 4.
    virtual void InitSlider(int left, int top, int right, int bottom, IUI* screen);
    void SetLabels(const char* left, const char* right);

    CXAnsiString m_sLeftLabel;
    CXAnsiString m_sRightLabel;
};
