// The cockpit over the sample location: the application starts, the player
// flies the sample glider, and one frame read back from the real Direct3D 8
// layer offscreen shows the panels (written as "cockpit.png" next to the
// test program): the minimap of the sample's radar map in its frame at the
// top right, the energy and armour bars at the top left, the speed panel at
// the bottom left. The free camera hides the cockpit.
#include "common/GameDriver.h"

#include "foundation/Graphic.h"
#include "graphics/PngWriter.h"
#include "hud/radar/Radar.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "location/Environment.h"

#include "SampleAppTest.h"
#include "common/DataTree.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace
{
using CockpitViewer = apptest::CSteppedAppTest;

int Channel(std::uint32_t c, int shift)
{
    return int(c >> shift & 0xFF);
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16})
        if (std::abs(Channel(a, shift) - Channel(b, shift)) > tolerance) return false;
    return true;
}
} // namespace

TEST_F(CockpitViewer, ShowsThePanelsAndTheMinimapWhileFlying)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "cockpit test"));
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr);
    g_Environment.SetEnvironment(0, true);
    for (int i = 0; i < 20; ++i)
    {
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    }

    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "cockpit.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("cockpit: %s\n", picture.c_str());
    const auto at = [&](int x, int y) { return pixels[std::size_t(y) * width + std::size_t(x)] & 0xFFFFFF; };
    const int w = int(width), h = int(height);

    // The radar has revealed the land round the glider.
    ASSERT_NE(g_pRadar, nullptr);
    EXPECT_GT(g_pRadar->m_nTileReads, 0u);
    // The minimap square shows the sample's radar map: its green land and
    // its blue water, and nothing of the scene behind.
    int land = 0, water = 0;
    for (int y = 20; y < 184; ++y)
        for (int x = w - 180; x < w - 16; ++x)
        {
            const std::uint32_t c = at(x, y);
            land += Channel(c, 8) > Channel(c, 16) + 40 && Channel(c, 8) > Channel(c, 0) + 40;
            water += Channel(c, 0) > Channel(c, 16) + 60 && Channel(c, 0) > Channel(c, 8) + 30;
        }
    EXPECT_GT(land, 164 * 164 / 5);
    // The lake alone is water (about 3 % of the square round the start),
    // not the hollows below its level that it once wetted too.
    EXPECT_GT(water, 164 * 164 / 50);
    // The minimap frame's edge, the sheet's light border.
    EXPECT_TRUE(Near(at(w - 100, 0), 0xA0D0E8u, 8)) << std::hex << at(w - 100, 0);
    // The energy and armour bars of a fresh glider run full: their colours.
    EXPECT_TRUE(Near(at(100, 36), 0xD3F76Fu, 6)) << std::hex << at(100, 36);
    EXPECT_TRUE(Near(at(100, 120), 0x00FFAEu, 6)) << std::hex << at(100, 120);
    // The speed panel's border at the bottom left.
    EXPECT_TRUE(Near(at(100, h - 104), 0xA0D0E8u, 8)) << std::hex << at(100, h - 104);

    // Low energy (0.2): a 33-pixel bar over the blinking backdrop, which
    // shows past the bar's end.
    CMechanoid* mech = gametest::g_GameDriver.GetPlayerGlider()->m_pMechanoid;
    ASSERT_NE(mech, nullptr);
    mech->m_fEnergy = 0.2f * mech->GetEnergy(2);
    const std::vector<std::uint32_t> low = ViewerFrame(width, height);
    const auto lowAt = [&](int x, int y) { return low[std::size_t(y) * width + std::size_t(x)] & 0xFFFFFF; };
    EXPECT_TRUE(Near(lowAt(45, 36), 0xD3F76Fu, 6)) << std::hex << lowAt(45, 36);
    EXPECT_FALSE(Near(lowAt(60, 36), 0xD3F76Fu, 6)) << std::hex << lowAt(60, 36);
    EXPECT_GT(Channel(lowAt(60, 36), 16), 0xF0) << std::hex << lowAt(60, 36); // red to white

    // The free camera: no cockpit.
    gametest::g_GameDriver.SetFreeCamera(true);
    Tick();
    ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
    const std::vector<std::uint32_t> free = ViewerFrame(width, height);
    EXPECT_FALSE(Near(free[36 * width + 100] & 0xFFFFFF, 0xD3F76Fu, 6));

    app.Done();
    EXPECT_EQ(g_pRadar, nullptr);
    EXPECT_EQ(Tree().ErrorLog(), "");
}
