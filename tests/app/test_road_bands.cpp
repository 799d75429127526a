// The sample location's road bands in daylight: every band lies over the
// ground along its whole length, so the roads show. The frame, seen from
// above the road grid, is written as "sample_roads.png".
#include "common/GameDriver.h"

#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "world/ObjectList.h"
#include "world/SceneryObjects.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace
{
using RoadBands = apptest::CSampleAppTest;
} // namespace

TEST_F(RoadBands, TheSampleRoadsLieOverTheGround)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "road test"));
    // The free camera, placed below; the player's glider waits.
    gametest::g_GameDriver.SetFreeCamera(true);
    g_Environment.SetEnvironment(0, true);
    g_Environment.m_fTime = 12.0f;
    SPointerArray<CMMObject> roads;
    g_ObjectList.GetObjectList(OBJ_ROAD, roads);
    ASSERT_GT(roads.count, 0);
    int bands = 0, under = 0;
    float worst = 1e9f;
    for (int i = 0; i < roads.count; ++i)
    {
        auto* node = static_cast<CRoadObject*>(roads.items[i]);
        for (CRoadObject* link : node->m_Links)
        {
            ++bands;
            const CVector p = node->GetPosition(), q = link->GetPosition();
            for (int s = 0; s <= 20; ++s)
            {
                const float t = float(s) / 20.0f;
                const CVector at = p + (q - p) * t;
                const float clearance = at.z + node->m_fRadius - g_Location.GetHeight(at);
                worst = std::min(worst, clearance);
                if (clearance < 0.0f)
                {
                    ++under;
                    break;
                }
            }
        }
    }
    EXPECT_EQ(bands, 18);
    EXPECT_EQ(under, 0) << "lowest clearance " << worst;

    // Looking down on the crossing of the side road (the sixth node) and
    // the bands that leave it.
    const CVector crossing = roads.items[5]->GetPosition();
    gametest::g_GameDriver.SetFreeCamera(true);
    gametest::g_GameDriver.m_fHeading = 0.5f;
    gametest::g_GameDriver.m_fPitch = -0.6f;
    gametest::g_GameDriver.m_vPosition = CVector{crossing.x - 40.0f, crossing.y - 60.0f, crossing.z + 50.0f};
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(gametest::g_GameDriver.Frame(0.0f, nullptr));
    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "sample_roads.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("sample roads: %s\n", picture.c_str());
    for (int i = 0; i < roads.count; ++i)
        static_cast<CRoadObject*>(roads.items[i])->m_Links.clear();
    const std::vector<std::uint32_t> bare = ViewerFrame(width, height);
    int differ = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        differ += pixels[i] != bare[i];
    EXPECT_GT(differ, int(width * height / 50));
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
