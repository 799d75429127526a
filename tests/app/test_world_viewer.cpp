// The world viewer of the game application over the sample data tree:
// the application starts, the sample location is entered through the world
// engine, the dropped boxes settle on the ground, one frame (sky, hills,
// boxes) is read back from the real Direct3D 8 layer offscreen and written
// as "world_viewer.png" next to the test program; the arrow keys move the
// camera and the camera stays above the ground.
#include "app/WorldViewer.h"

#include "foundation/Graphic.h"
#include "foundation/GuidKey.h"
#include "foundation/Input.h"
#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "tools/mksample/SampleTree.h"
#include "world/Camera.h"
#include "world/DynamicObject.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"
#include "common/DataTree.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <string>

using namespace plat::d3d;

namespace
{
using apptest::CHeldKeys;
using WorldViewer = apptest::CSampleAppTest;

float Ground(const CVector& p)
{
    return g_Location.GetHeight(p);
}
} // namespace

TEST_F(WorldViewer, DrawsSkyHillsAndSettledBoxesAndFliesWithTheArrowKeys)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "viewer test"));
    // The free camera: the player's glider waits and hovers.
    g_WorldViewer.SetFreeCamera(true);
    ASSERT_EQ(g_WorldViewer.GetBoxes().size(), std::size_t(CWorldViewer::kDropCount));

    // The clear day (the game starts with the last record, the rain here),
    // so that the sky is blue.
    g_Environment.SetEnvironment(0, true);
    // Ten seconds: every box has fallen and rests on the ground.
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(g_WorldViewer.Frame(0.05f, nullptr));
    for (CMMObject* box : g_WorldViewer.GetBoxes())
    {
        const CVector p = box->GetPosition();
        EXPECT_GE(p.z, Ground(p) + 0.5f);
        EXPECT_LE(p.z, Ground(p) + 3.0f);
        EXPECT_LT(static_cast<CDynamicObject*>(box)->m_vVelocity.Length(), 1.0f);
    }

    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "world_viewer.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("world viewer: %s\n", picture.c_str());

    // The top row is sky: blue, or the white of a cloud over it, and not
    // the empty frame's colour; the lower half is lit, uneven ground (grass,
    // sand, rock): many shades, hardly any sky.
    const auto isSky = [](std::uint32_t c)
    {
        const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
        return b > 140 && b >= r && b >= g - 10;
    };
    int skyPixels = 0;
    for (std::uint32_t x = 0; x < width; ++x)
        skyPixels += isSky(pixels[x]) && (pixels[x] & 0xFFFFFF) != 0x182838u;
    EXPECT_GT(skyPixels, int(width) * 9 / 10);
    std::set<std::uint32_t> shades;
    int ground = 0;
    for (std::uint32_t y = height / 2; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint32_t c = pixels[y * width + x] & 0xFFFFFF;
            shades.insert(c);
            ground += !isSky(c);
        }
    EXPECT_GT(shades.size(), 100u);
    EXPECT_GT(ground, int(width * height / 2) * 9 / 10);

    // The boxes are in the picture: without them the frame differs.
    for (CMMObject* box : g_WorldViewer.GetBoxes())
        g_ObjectList.DeleteObject(box);
    g_ObjectList.Pack(false);
    const std::vector<std::uint32_t> without = ViewerFrame(width, height);
    ASSERT_EQ(without.size(), pixels.size());
    int changed = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        changed += (pixels[i] & 0xFFFFFF) != (without[i] & 0xFFFFFF);
    EXPECT_GT(changed, 50);

    // One second of the up arrow: 300 units along the heading; the camera
    // (the world's, and the view) stays 20 units or more over the ground.
    CHeldKeys keys;
    keys.m_held = 0xC8;
    const CVector start = g_WorldViewer.m_vPosition;
    const float heading = g_WorldViewer.m_fHeading;
    for (int i = 0; i < 10; ++i)
        g_WorldViewer.Frame(0.1f, &keys);
    EXPECT_NEAR(g_WorldViewer.m_vPosition.x - start.x, 300.0f * std::sin(heading), 0.5f);
    EXPECT_NEAR(g_WorldViewer.m_vPosition.y - start.y, 300.0f * std::cos(heading), 0.5f);
    keys.m_held = 0xD1; // page down: into the ground, held up above it
    for (int i = 0; i < 30; ++i)
        g_WorldViewer.Frame(0.1f, &keys);
    const CVector camera = g_WorldViewer.GetCamera()->GetPosition();
    EXPECT_GE(camera.z, Ground(camera) + 19.9f);
    EXPECT_NEAR(g_ViewCamera.m_vPosition.z, camera.z, 0.01f);

    app.Done();
    EXPECT_FALSE(g_WorldViewer.IsEntered());
    EXPECT_EQ(Tree().ErrorLog(), "");
}
