// The game widgets' sample pictures and item models (SampleWidgets.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The widgets' pieces of the 1024 x 1024 cockpit sheet "TEX_INT_UI1": the
// tile's fill gauge (371, 0).
void PaintWidgetPieces(std::vector<std::uint32_t>& ui1);
// The widgets' pieces of the 1024 x 1024 sheet "TEX_INT_UII" (which the
// menus' sample writes): the selection corner (217, 0), the tile grounds
// (72, 0) and (144, 0), the empty slot (292, 3), the slider track (0, 387)
// and the compass (184, 638), at the places the widgets cut them from.
void PaintWidgetSheetPieces(std::vector<std::uint32_t>& uii);
// "TEX_INT_UI_STARS", the item models and their records (after the
// database exists); prints what went wrong and returns false on failure.
bool WriteSampleWidgets(const std::string& root);
