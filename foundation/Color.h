// Colour helpers shared by the renderers and effects.
//
// Pure functions; safe from any thread.
#pragma once

#include <cstdint>

// Mixes two ARGB colours: each of red, green and blue is c0 x w + c1 x (1 - w),
// alpha is (alpha0 x w + alpha1 x (1 - w)) x alphaFactor; every channel is
// truncated and kept within 0..255. Packed as A << 24 | R << 16 | G << 8 | B.
std::uint32_t BlendColorARGB(std::uint32_t c0, std::uint32_t c1, float w, float alphaFactor);
