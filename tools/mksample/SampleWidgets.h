// The game widgets' sample pictures and item models (SampleWidgets.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The widgets' pieces of the 1024 x 1024 cockpit sheet "TEX_INT_UI1".
void PaintWidgetPieces(std::vector<std::uint32_t>& ui1);
// "TEX_INT_UI_STARS", "TEX_INT_UII", the item models and their records
// (after the database exists); prints what went wrong and returns false on
// failure.
bool WriteSampleWidgets(const std::string& root);
