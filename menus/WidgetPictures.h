// What the game widgets (count selector, goods grid, item tiles) share for
// drawing, besides their picture buttons' pictures (the menu buttons'
// picture table, menus/MenuButton.h):
//
// - the selection corners of a cell or tile: four 24 x 24 brackets from
//   "TEX_INT_UII" (sheet piece (217, 0)), mirrored for the other corners;
// - the modification stars of an equipment modifier: one 16 x 14 star per
//   property with a non-zero level, centred 18 pixels apart, from
//   "TEX_INT_UI_STARS" (column 16 x level - 11, rows 76, 94 and 112 by
//   property);
// - the drop target under the cursor (see FindDropTarget).
//
// Threads: main thread only.
#pragma once

#include "menus/MenuDrawing.h"
#include "platform/Types.h"

#include <cstdint>

class CControl;
class IGraphicInterface;
class IUI;

namespace widgets
{
// The sheets, their size and the techniques are the menus' (MenuDrawing.h).
using menus::kBlendTechnique;
using menus::kSheetSize;
using menus::kSpriteTechnique;
using menus::kUI1;
using menus::kUII;
constexpr const char* kSheetStars = "TEX_INT_UI_STARS";
constexpr int kStarsSheetSize = 256;
constexpr int kCorner = 24;
constexpr int kStarWidth = 16;
constexpr int kStarHeight = 14;
constexpr int kStarPitch = 18;
constexpr int kStarRows[3] = {76, 94, 112};

// The four corners of rect, each inset by inset pixels.
void DrawSelectionCorners(IGraphicInterface* graphic, const plat::Rect& rect, int inset, int technique);

// The stars of modifier over rect (left, width), their tops at y; the
// number drawn (0 for a modifier without a non-zero level).
int DrawModifierStars(IGraphicInterface* graphic, std::uint32_t modifier, const plat::Rect& rect, int y,
                      int technique);
// Where star k of n goes over a rect of that left and width.
int StarX(int left, int width, int n, int k);

// The topmost drop target under the cursor: among every visible control
// below the screen's main group (drawn later means on top), the last one
// that has its drop-highlight byte set and contains the cursor, skipping
// dragged and its children. Null when none. One drop is given to one
// target, so overlapping targets never both act on it.
CControl* FindDropTarget(IUI* screen, const CControl* dragged);
} // namespace widgets
