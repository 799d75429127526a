// The sample location at night in the game: the lamp lights
// up and lights the ground and the trees around it. The frame is written as
// "sample_night.png" next to the test program.
#include "common/GameDriver.h"

#include "foundation/Graphic.h"
#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "tools/mksample/SampleTree.h"
#include "world/KindManagers.h"
#include "world/LampObject.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"
#include "world/Smoke.h"
#include "graphics/TextureManager.h"

#include "SampleAppTest.h"
#include "common/DataTree.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace
{
using NightViewer = apptest::CSampleAppTest;
} // namespace

TEST_F(NightViewer, TheLampLightsTheSampleLocationAtNight)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "night test"));
    // The free camera: the player's glider waits and hovers.
    gametest::g_GameDriver.SetFreeCamera(true);
    // The sample's night record, an hour before midnight.
    g_Environment.SetEnvironment(1, true);
    g_Environment.m_fTime = 23.0f;
    SPointerArray<CMMObject> lamps;
    g_ObjectList.GetObjectList(OBJ_LAMP, lamps);
    ASSERT_EQ(lamps.count, 1);
    auto* lamp = static_cast<CLampObject*>(lamps.items[0]);
    // The camera 60 units before the lamp, looking at it and the trees.
    const CVector at = lamp->GetPosition();
    gametest::g_GameDriver.m_fHeading = 0.2f;
    gametest::g_GameDriver.m_fPitch = -0.15f;
    gametest::g_GameDriver.m_vPosition = CVector{at.x - 60.0f * std::sin(0.2f), at.y - 60.0f * std::cos(0.2f), at.z + 15.0f};
    // A smoke trail arcing over the lamp (the trajectory marker's points).
    auto* marker = new CSmokeObject;
    marker->m_nTexture = g_pTextureManager->FindName("TEX_SAMPLECOLOR");
    marker->m_Smoke.m_fSize = 6.0f;
    marker->ShowTrajectory(at.x - 30.0f, at.y + 10.0f, at.z + 5.0f, 30.0f, 0.0f, 40.0f, 0.0f, 4.0f);
    g_ObjectList.AddObject(marker);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(gametest::g_GameDriver.Frame(0.0f, nullptr));

    std::uint32_t width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ViewerFrame(width, height);
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "sample_night.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("sample at night: %s\n", picture.c_str());
    EXPECT_GT(lamp->m_fOn, 0.9f);
    EXPECT_GT(lamp->m_fGlow, 1.0f);
    // The pool of light lies on the ground; the road nodes (with the two at
    // the east tunnel's and the garage's doors) and the map cover are there.
    EXPECT_GT(lamp->m_Patch.m_nIndexCount, 0u);
    SPointerArray<CMMObject> roads, covers;
    g_ObjectList.GetObjectList(OBJ_ROAD, roads);
    g_ObjectList.GetObjectList(OBJ_MAPCOVER, covers);
    EXPECT_EQ(roads.count, 14);
    EXPECT_EQ(covers.count, 1);

    // Without the lamp's light the picture is darker where it fell.
    SLampType off = *lamp->m_pLampType;
    off.m_fLimit = -10.0f; // a lamp that never lights
    lamp->m_pLampType = &off;
    const std::vector<std::uint32_t> dark = ViewerFrame(width, height);
    ASSERT_EQ(dark.size(), pixels.size());
    int brighter = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
    {
        const std::uint32_t a = pixels[i], b = dark[i];
        const int sa = int((a >> 16) & 0xFF) + int((a >> 8) & 0xFF) + int(a & 0xFF);
        const int sb = int((b >> 16) & 0xFF) + int((b >> 8) & 0xFF) + int(b & 0xFF);
        brighter += sa > sb + 6;
    }
    EXPECT_GT(brighter, 100);

    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
