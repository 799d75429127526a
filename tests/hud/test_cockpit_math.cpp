// The cockpit panels' arithmetic: bars, the hit ring, the gauge, the
// warning colours, the clock and the quest timers.

#include "hud/CockpitMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(CockpitMath, BarsAndTheHitRing)
{
    EXPECT_EQ(cockpit::BarLength(0.2f), 33);
    EXPECT_EQ(cockpit::BarLength(1.0f), 167);
    EXPECT_EQ(cockpit::BarLength(0.0f), 0);

    const int w = 1024;
    struct SCase
    {
        int i;
        plat::Rect cell;
    };
    const SCase cases[] = {
        {0, {w + 84 - 182, 10, w + 84 - 182 + 11, 17}},      // top centre: column 7
        {49, {w - 182, 10, w - 182 + 11, 17}},               // top, column 0
        {7, {w - 14, 18, w - 8, 29}},                        // right, row 0
        {21, {w + 156 - 182, 186, w + 156 - 182 + 11, 192}}, // bottom, column 13
        {48, {w - 190, 18, w - 183, 29}},                    // left, row 0
    };
    for (const SCase& c : cases)
    {
        const plat::Rect r = cockpit::RingCell(c.i, w);
        EXPECT_EQ(r.left, c.cell.left) << c.i;
        EXPECT_EQ(r.top, c.cell.top) << c.i;
        EXPECT_EQ(r.right, c.cell.right) << c.i;
        EXPECT_EQ(r.bottom, c.cell.bottom) << c.i;
    }
    EXPECT_EQ(cockpit::RingColour(0.0f), 0u);
    EXPECT_EQ(cockpit::RingColour(std::numeric_limits<float>::quiet_NaN()), 0u);
    EXPECT_EQ(cockpit::RingColour(25.0f), 0xFFFF0000u);
    EXPECT_EQ(cockpit::RingColour(1.0f) >> 24, 51u);
}

TEST(CockpitMath, WarPowerGauge)
{
    EXPECT_NEAR(cockpit::WarPowerGauge(1.9f, 0.9f), 43.0f / 3.0f + 2.0f, 1e-3f); // twice as strong
    EXPECT_EQ(cockpit::GaugeSegments(cockpit::WarPowerGauge(1.9f, 0.9f)), 2);
    EXPECT_NEAR(cockpit::WarPowerGauge(3.9f, 0.9f), 45.0f, 1e-3f); // four times
    EXPECT_EQ(cockpit::GaugeSegments(cockpit::WarPowerGauge(3.9f, 0.9f)), 3);
    EXPECT_NEAR(cockpit::WarPowerGauge(0.0f, 0.0f), -2.0f, 1e-6f); // both nothing
    EXPECT_EQ(cockpit::GaugeSegments(-2.0f), 1);
    EXPECT_NEAR(cockpit::WarPowerGauge(0.9f, 3.9f), -45.0f, 1e-3f);
}

TEST(CockpitMath, WarningColoursAndKeys)
{
    EXPECT_EQ(cockpit::WarningColour(2, 0.5f, true), 0xFFFFFFFFu);
    EXPECT_STREQ(cockpit::WarningKey(2, true), "INT_PAUSE");
    EXPECT_STREQ(cockpit::WarningKey(2, false), "INT_CCW_RADIOACTIVE");
    EXPECT_STREQ(cockpit::WarningKey(9, false), "NONE");
    // At the start of a pulse (p = 1): m = 1, x = 1275 x 0.2, which the
    // float arithmetic truncates to 254.
    EXPECT_EQ(cockpit::WarningColour(7, 1.0f, false), 0xFFFEFEFEu);
    EXPECT_EQ(cockpit::WarningColour(6, 1.0f, false), 0xFFFFFEFEu);
    // Late in a pulse (p <= 0.8): dark and translucent.
    EXPECT_EQ(cockpit::WarningColour(0, 0.5f, false), 0x7FFF2C00u);
    EXPECT_EQ(cockpit::WarningColour(5, 0.5f, false), 0x7FFFFF00u);
    EXPECT_FLOAT_EQ(cockpit::Pulse(0.0), 1.0f);
    EXPECT_NEAR(cockpit::Pulse(0.5), 0.4375f, 1e-5f);
}

TEST(CockpitMath, ClockAndQuestTimers)
{
    EXPECT_EQ(cockpit::ClockText(13.5f), "13:30");
    EXPECT_EQ(cockpit::ClockText(0.0f), "00:00");
    float hours = 0.0f;
    EXPECT_EQ(cockpit::QuestTimeText(2.0f + 1.0f / 32.0f, 2.0f, &hours), " 00:45");
    EXPECT_LT(hours, 1.0f); // pulses
    EXPECT_EQ(cockpit::QuestTimeText(3.125f, 3.0f, &hours), " 03:00");
    EXPECT_GE(hours, 1.0f); // white
    // The equipment highlight flickers up to alpha 63.
    for (double t = 0.0; t < 1.0; t += 0.01)
        EXPECT_LE(cockpit::EquipHighlight(t) >> 24, 64u);
}

#include "hud/Renderer.h"

TEST(CockpitWarnings, TimeOutAndIconTimers)
{
    CRenderer renderer;
    renderer.m_fFrameTime = 0.5f;
    // Warning 2 shown for more than 5 seconds: it goes.
    renderer.m_iWarning = 2;
    renderer.m_fWarningTime[2] = 5.5f;
    renderer.DrawCockpitInfo();
    EXPECT_EQ(renderer.m_iWarning, -1);
    // Under 5 seconds it stays; warnings past 3 have no timer and stay.
    renderer.m_iWarning = 1;
    renderer.m_bWarningFlags[1] = true;
    renderer.m_fWarningTime[1] = 4.0f;
    renderer.DrawCockpitInfo();
    EXPECT_EQ(renderer.m_iWarning, 1);
    EXPECT_FLOAT_EQ(renderer.m_fWarningTime[1], 4.5f); // the set flag's timer grows
    EXPECT_FLOAT_EQ(renderer.m_fWarningTime[2], 0.0f); // a clear flag's is reset
    // 5.0 is not past 5 seconds; the frame after 5.5 is.
    renderer.DrawCockpitInfo();
    renderer.DrawCockpitInfo();
    EXPECT_EQ(renderer.m_iWarning, 1);
    renderer.DrawCockpitInfo();
    EXPECT_EQ(renderer.m_iWarning, -1);
    renderer.m_iWarning = 6;
    renderer.DrawCockpitInfo();
    EXPECT_EQ(renderer.m_iWarning, 6);
}
