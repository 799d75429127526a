#include "foundation/Color.h"

namespace
{
// A weight outside 0..1 or a large alpha factor would otherwise carry a
// channel into its neighbour (or convert a negative float to unsigned, which
// is undefined).
std::uint32_t Channel(float value)
{
    if (!(value > 0.0f)) return 0;
    if (value >= 255.0f) return 255;
    return static_cast<std::uint32_t>(value);
}

float Component(std::uint32_t colour, int shift)
{
    return static_cast<float>((colour >> shift) & 0xFF);
}
} // namespace

std::uint32_t BlendColorARGB(std::uint32_t c0, std::uint32_t c1, float w, float alphaFactor)
{
    const float v = 1.0f - w;
    const std::uint32_t a = Channel((Component(c0, 24) * w + Component(c1, 24) * v) * alphaFactor);
    const std::uint32_t r = Channel(Component(c0, 16) * w + Component(c1, 16) * v);
    const std::uint32_t g = Channel(Component(c0, 8) * w + Component(c1, 8) * v);
    const std::uint32_t b = Channel(Component(c0, 0) * w + Component(c1, 0) * v);
    return a << 24 | r << 16 | g << 8 | b;
}
