// CBigMapView: the map window of the map console. It shows the radar's big
// map of the current location (the radar owns the map's surfaces and draws
// it) and decides which world point lies at the centre of its map area and
// at which zoom: the player pans by dragging with the left button, with
// the arrow keys (160 world units a frame) and with a vertical and a
// horizontal scroll bar; zooms with the mouse wheel and the keypad plus
// and minus (the radar's zoom, 0.5 to 2.0, one pixel covering 10 / zoom
// world units); and sets a bearing with the right button: the clicked
// world point becomes the radar's target, or with a Shift key held a
// further point of its route. The console can make the view glide to a
// place (glide target and gliding flag); a drag cancels a glide.
//
// The wheel zooms by 1.05 per notch of 120, in fractions of a notch too:
// a delta w multiplies the zoom by 1.05^(w / 120), so the small deltas of
// smooth scrolling zoom a little in the wheel's direction.
//
// The view centre is kept inside the location (0 to its width and height
// x 10 world units) however it moves.
//
// Ownership: the view creates and deletes its two scroll bars; its
// destructor releases the radar's big-map resources. The radar is the
// global one (g_pRadar; without it the view draws and zooms nothing).
// Threads: main thread only.
#pragma once

#include "foundation/Vector.h"
#include "ui/GroupControl.h"
#include "ui/markup/ScrollControl.h"

#include <cstdint>

class CBigMapView : public CGroupControl
{
public:
    static constexpr float kMinZoom = 0.5f;
    static constexpr float kMaxZoom = 2.0f;
    static constexpr float kZoomStep = 1.05f;
    static constexpr float kKeyPan = 160.0f;
    static constexpr float kGlideStop = 10.0f;

    CBigMapView() = default;
    ~CBigMapView() override;

    void Render() override;
    // The scroll bars' steps and drags; nothing goes on to the owner.
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    virtual void Init(int left, int top, int right, int bottom, IUI* screen);

    void UpdateScrollBars();
    void ClampView();
    void UpdateBigMapView();
    // The radar's zoom (1 without a radar) and setting it within the limits.
    static float GetZoom();
    static void SetZoom(float zoom);
    // The zoom after a wheel delta w.
    static float WheelZoom(float zoom, float w);
    // The world point under a screen point of the map area.
    CVector PointAt(int x, int y) const;

    CScrollControl* m_pVertical = nullptr;
    CScrollControl* m_pHorizontal = nullptr;
    std::uint8_t m_bDragging = 0;
    int m_nDragX = 0;
    int m_nDragY = 0;
    plat::Rect m_MapArea;
    CVector m_vCentre;
    CVector m_vGlideTarget;
    std::uint8_t m_bGliding = 0;

private:
    void DeleteBars();
    void SetMapArea();
    void ClampPoint(CVector& p) const;
};
