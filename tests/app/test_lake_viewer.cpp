// The sample location's lake in the game by day: the water
// with the hills' reflection and the detail objects on the flats and the
// shore. The frame is written as "sample_lake.png" next to the test program.
#include "common/GameDriver.h"

#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "graphics/PngWriter.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace
{
using LakeViewer = apptest::CSampleAppTest;
} // namespace

TEST_F(LakeViewer, TheLakeReflectsTheHillsAmongTheDetailObjects)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "lake test"));
    // The free camera, placed below; the player's glider waits.
    gametest::g_GameDriver.SetFreeCamera(true);
    const std::uint8_t full = g_Settings.FullReflection;
    g_Settings.FullReflection = 1;
    g_Environment.SetEnvironment(0, true);
    g_Environment.m_fTime = 11.0f;
    ASSERT_EQ(g_Location.m_Water.size(), 1u);
    const float level = g_Location.m_Water[0].record.level;
    // From the south-west shore across the lake (centre 1700, 900).
    const float heading = 0.6f;
    gametest::g_GameDriver.m_fHeading = heading;
    gametest::g_GameDriver.m_fPitch = -0.2f;
    gametest::g_GameDriver.m_vPosition =
        CVector{1700.0f - 360.0f * std::sin(heading), 900.0f - 360.0f * std::cos(heading), level + 30.0f};
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(gametest::g_GameDriver.Frame(0.0f, nullptr));
    const std::uint32_t waterBefore = g_Location.m_nWaterDraws, detailsBefore = g_Location.m_nDetailDraws;

    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "sample_lake.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("sample lake: %s\n", picture.c_str());
    EXPECT_EQ(g_Location.m_Water[0].reflection, 1);
    EXPECT_GT(g_Location.m_nWaterDraws, waterBefore);
    EXPECT_GT(g_Location.m_nDetailDraws, detailsBefore);
    EXPECT_GT(g_Location.GetDetailCount(), 0);

    g_Settings.FullReflection = full;
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
