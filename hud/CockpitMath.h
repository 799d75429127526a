// The cockpit panels' arithmetic, apart from the drawing so that it can be
// checked without a device: bars, the hit-direction ring, the pulse and
// blink colours, the warning text's colour, the war-power gauge, the clock
// and the quest timers' time left.
#pragma once

#include "foundation/Color.h"
#include "platform/Types.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace cockpit
{
inline constexpr std::uint32_t kEnergyColour = 0xFFD3F76Fu;
inline constexpr std::uint32_t kShieldColour = 0xFF00D9FFu;
inline constexpr std::uint32_t kArmourColour = 0xFF00FFAEu;
inline constexpr int kRingCells = 56;

// The saw pulse: 1.0 down to 0.25, 1.5 times a second.
inline float Pulse(double t)
{
    const double x = 1.5 * t;
    return float(1.0 - 0.75 * (x - std::floor(x)));
}

// Red to white and back, (sin(8 t) + 1) / 2 of red.
inline std::uint32_t BlinkColour(double t)
{
    return BlendColorARGB(0xFFFF0000u, 0xFFFFFFFFu, float((std::sin(8.0 * t) + 1.0) * 0.5), 1.0f);
}

// The bar of a fraction 0..1: 167 pixels at full.
inline int BarLength(float v)
{
    return int(167.0f * std::clamp(v, 0.0f, 1.0f));
}

// Cell i of the hit-direction ring round the minimap, clockwise from the
// top centre, for screen width w.
inline plat::Rect RingCell(int i, int w)
{
    if (i <= 6 || i >= 49)
    {
        const int column = i <= 6 ? i + 7 : i - 49;
        const int x = w + 12 * column - 182;
        return plat::Rect{x, 10, x + 11, 17};
    }
    if (i <= 20)
    {
        const int y = 12 * (i - 7) + 18;
        return plat::Rect{w - 14, y, w - 8, y + 11};
    }
    if (i <= 34)
    {
        const int x = w + 12 * (34 - i) - 182;
        return plat::Rect{x, 186, x + 11, 192};
    }
    const int y = 12 * (48 - i) + 18;
    return plat::Rect{w - 190, y, w - 183, y + 11};
}

// The ring cell's colour for damage v; 0 (nothing drawn) for zero or NaN.
inline std::uint32_t RingColour(float v)
{
    if (!(v > 0.0f)) return 0;
    const std::uint32_t alpha = std::uint32_t(255.0f * std::min(1.0f, 0.2f * std::sqrt(v)));
    return alpha << 24 | 0xFF0000u;
}

// The war-power gauge's length g (pixels, signed: positive when the player
// is stronger) for the player's and the target's war powers.
inline float WarPowerGauge(float player, float target)
{
    const float p = player + 0.1f, t = target + 0.1f;
    const float offset = p > t ? std::min(3.0f, p / t - 1.0f) : std::max(-3.0f, 1.0f - t / p);
    const float g = offset * 43.0f / 3.0f;
    return g + 2.0f * (g > 0.0f ? 1.0f : -1.0f);
}

// How many gauge segments are lit (1 to 3) for g.
inline int GaugeSegments(float g)
{
    const float a = std::fabs(g);
    return a >= 30.0f ? 3 : (a >= 15.0f ? 2 : 1);
}

// The central warning text's colour for warning index w at pulse p.
inline std::uint32_t WarningColour(int w, float p, bool paused)
{
    if (paused) return 0xFFFFFFFFu;
    const float m = std::max(0.8f, p);
    const std::uint32_t x = std::uint32_t(1275.0f * (m - 0.8f));
    const std::uint32_t alpha = std::uint32_t(255.0f * p);
    std::uint32_t r = 0xFF, g, b = x;
    if (w == 7)
        r = g = x;
    else if (w == 5)
        g = 0xFF;
    else if (w == 6)
        g = 0x80 + std::uint32_t(635.0f * (m - 0.8f));
    else
        g = 0x2C + std::uint32_t(1055.0f * (m - 0.8f));
    return alpha << 24 | std::min(r, 255u) << 16 | std::min(g, 255u) << 8 | std::min(b, 255u);
}

// The warning key of an index ("NONE" when it has none).
inline const char* WarningKey(int w, bool paused)
{
    static const char* const kKeys[8] = {"INT_CCW_LOWENERGY", "INT_CCW_UNKNOWN", "INT_CCW_RADIOACTIVE",
                                         "INT_CCW_HIGHTEMP",  "INT_CCW_ELECTRO", "INT_CCW_STASIS",
                                         "INT_CCW_CRITICAL",  "INT_CCW_SAFEZONE"};
    if (paused) return "INT_PAUSE";
    return w >= 0 && w < 8 ? kKeys[w] : "NONE";
}

// "HH:MM" of a time of day in hours.
inline std::string ClockText(float hours)
{
    const int hh = int(hours);
    const int mm = int((hours - float(hh)) * 60.0f);
    char text[16];
    std::snprintf(text, sizeof(text), "%02d:%02d", std::clamp(hh, 0, 99), std::clamp(mm, 0, 59));
    return text;
}

// A quest timer's time left in hours and its " HH:MM" suffix.
inline std::string QuestTimeText(float fireDay, float clockDays, float* hoursLeft)
{
    const float hours = (fireDay - clockDays) * 24.0f;
    if (hoursLeft) *hoursLeft = hours;
    const int hh = int(hours);
    const int mm = int((hours - float(hh)) * 60.0f);
    char text[32];
    std::snprintf(text, sizeof(text), " %02d:%02d", hh, mm);
    return text;
}

// The flicker of a freshly switched equipment entry: white with alpha
// (1 - s) s 255, s = (sin(8 t) + 1) / 2.
inline std::uint32_t EquipHighlight(double t)
{
    const float s = float((std::sin(8.0 * t) + 1.0) * 0.5);
    return BlendColorARGB(0x00FFFFFFu, 0xFFFFFFFFu, s, s);
}
} // namespace cockpit
