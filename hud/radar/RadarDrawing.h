// The arithmetic of the radar's drawing, apart so that it can be checked
// without a device: tile slots, the cockpit radar's reach and edge arrow,
// the big map's tile rectangles and the clipping of marks to a view.
#pragma once

#include "platform/Types.h"

#include <cmath>

namespace radar
{
// Cockpit radar: centre (width - 98, 102), one pixel per grid step, objects
// within 85 pixels on both axes.
inline constexpr float kRadarReach = 85.0f;
inline constexpr int kMinimapLeftFromRight = 183, kMinimapTop = 17;
inline constexpr int kMinimapRightFromRight = 14, kMinimapBottom = 186;

// The slot of tile coordinate c in a window of n slots (n > 0), the same
// for every c that differs by a multiple of n, negative ones included.
inline int Slot(int c, int n)
{
    const int m = c % n;
    return m < 0 ? m + n : m;
}

// The rotated offset (rx, ry) of an object d grid steps from the player
// with heading a, inside the radar's square or not.
inline bool InRadarSquare(float rx, float ry)
{
    return std::fabs(rx) < kRadarReach && std::fabs(ry) < kRadarReach;
}

// Where the edge arrow toward a target outside the square points: the
// offset pushed back onto the square's edge.
inline void EdgePoint(float rx, float ry, float* ex, float* ey)
{
    const float k = kRadarReach / std::fmax(std::fabs(rx), std::fabs(ry));
    *ex = rx * k;
    *ey = ry * k;
}

// Clips rect to bounds; where its left or top is cut, the source rectangle
// moves right or down by the same amount (both edges); right and bottom
// are only lowered to the bounds. False when nothing is left.
inline bool ClipRect(const plat::Rect& bounds, plat::Rect* rect, plat::Rect* source)
{
    if (rect->left < bounds.left)
    {
        const int cut = bounds.left - rect->left;
        source->left += cut;
        source->right += cut;
        rect->left = bounds.left;
    }
    if (rect->top < bounds.top)
    {
        const int cut = bounds.top - rect->top;
        source->top += cut;
        source->bottom += cut;
        rect->top = bounds.top;
    }
    if (rect->right > bounds.right) rect->right = bounds.right;
    if (rect->bottom > bounds.bottom) rect->bottom = bounds.bottom;
    return rect->left < rect->right && rect->top < rect->bottom;
}

// A 32 x 32 radar point centred on view pixel (sx, sy) is drawn when it
// lies within 12 pixels outside the view.
inline bool BigMapPointShown(float sx, float sy, int viewWidth, int viewHeight)
{
    return -12.0f < sx && -12.0f < sy && sx < float(viewWidth) + 12.0f && sy < float(viewHeight) + 12.0f;
}

// The big-map canvas size for a screen: (screen + 500) with its low four
// bits cleared.
inline int CanvasSize(int screen)
{
    return (screen + 500) & ~15;
}
} // namespace radar
