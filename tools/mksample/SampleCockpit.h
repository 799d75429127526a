// The cockpit's sample textures (SampleCockpit.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The cockpit's own cells of the 1024 x 1024 sheet "TEX_INT_UI1", alone
// (the written sheet adds the menus' and the widgets' cells).
std::vector<std::uint32_t> CockpitPieces();
// The cockpit sheet and the radar's textures with their texture rows.
bool WriteSampleCockpit(const std::string& root);
// The menus' dimming noise "TEX_INT_NOISE" with its texture row, added after
// the menus' rows.
bool WriteSampleMenuNoise(const std::string& root);
