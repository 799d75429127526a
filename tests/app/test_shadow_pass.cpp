// The player's glider's shadow in the sample application, read back from
// the real Direct3D 8 layer and seen from above: the picture rendered into
// the shadow atlas and the same tile kept in the next frame give the same
// pixels, the patch cut to the part of the picture the hull can cover gives
// those of the whole square (a level apart on a few edge pixels), and the
// picture rendered and laid at once without the atlases, in the middle of
// the scene right after the hull set its own texture factor, gives the very
// same pixels (the picture's alpha is the hull texture's, whatever factor
// was set before it); and
// the shadow darkens the ground only inside the square its picture covers
// (read clamped: the picture no longer repeats around the glider).
// "shadow_pass.png" is the frame with the shadow.
#include "common/GameDriver.h"

#include "graphics/PngWriter.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ShadowPass.h"
#include "location/ViewCamera.h"
#include "units/GliderObject.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

namespace
{

class ShadowPass : public apptest::CKeyFlightAppTest
{
protected:
    // Screen point of a world point (row-vector convention of the camera's
    // view-projection).
    static bool ToScreen(const CVector& p, std::uint32_t w, std::uint32_t h, float* x, float* y)
    {
        const auto& m = g_ViewCamera.m_mViewProjection.m;
        const float cx = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0];
        const float cy = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1];
        const float cw = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
        if (cw <= 0.0f) return false;
        *x = (cx / cw * 0.5f + 0.5f) * float(w);
        *y = (0.5f - cy / cw * 0.5f) * float(h);
        return true;
    }
};

TEST_F(ShadowPass, OnePictureByEveryPathAndOnlyInsideItsSquare)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "shadow pass test"));
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr) << Tree().ErrorLog();
    g_Environment.SetEnvironment(0, true);
    g_Environment.m_fTime = 12.0f;
    CGliderObject& glider = Glider();
    Fly(40);

    // Seen from above and behind, the world held still.
    HoldStill();
    const float viewAngle = app.m_fViewAngleState;
    gametest::g_GameDriver.LookFromBehindAndAbove(glider);
    const CVector at = glider.GetPosition();
    std::uint32_t w = 0, h = 0;
    auto still = [&]
    {
        glider.m_Dust.Restart(glider.GetPosition());
        glider.m_bDustRestart = 1;
        app.m_fViewAngleState = viewAngle;
        return ViewerFrame(w, h);
    };
    CShadowPass& pass = g_EffectRenderManager.Shadows();
    const std::vector<std::uint32_t> fresh = still();
    const std::uint64_t kept = pass.GetKept();
    const std::vector<std::uint32_t> again = still();
    EXPECT_EQ(pass.GetKept(), kept + 1) << "the glider at rest keeps its tile";
    pass.SetAtlasesUsed(false);
    const std::vector<std::uint32_t> alone = still();
    pass.SetAtlasesUsed(true);
    pass.SetCoverUsed(false);
    const std::vector<std::uint32_t> square = still();
    pass.SetCoverUsed(true);
    g_Environment.m_bShadowsOff = true;
    const std::vector<std::uint32_t> none = still();
    g_Environment.m_bShadowsOff = false;
    gametest::g_GameDriver.SetFreeCamera(false);
    ASSERT_EQ(fresh.size(), std::size_t(w) * h);
    gfxtest::WritePng((gfxtest::PictureDirectory() / "shadow_pass.png").c_str(), fresh, w, h);

    // The square the picture covers on the ground (as the glider lays it:
    // displaced along the light by its height), on the screen.
    const CVector sun = g_Environment.m_vSunDir;
    ASSERT_GT(sun.z, 0.05f);
    const float height = glider.m_Sphere.m_bUsed ? std::max(0.0f, at.z - glider.m_Sphere.m_vCentre.z) : 0.0f;
    const float size = std::max(glider.m_fGliderRadius * 0.5f, 0.1f);
    const float extent = 4.0f * 1.44f * size / 0.98f;
    const CVector centre{at.x - sun.x / sun.z * height, at.y - sun.y / sun.z * height, 0.0f};
    float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
    for (const float dx : {-extent, extent})
        for (const float dy : {-extent, extent})
        {
            CVector corner{centre.x + dx, centre.y + dy, 0.0f};
            corner.z = g_Location.GetHeight(corner);
            float x = 0, y = 0;
            ASSERT_TRUE(ToScreen(corner, w, h, &x, &y));
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }

    int darker = 0, outside = 0, moved = 0, differs = 0, maxDiff = 0, uncovered = 0, cutDiff = 0;
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const std::size_t i = std::size_t(y) * w + x;
            const bool inside = float(x) >= left - 2.0f && float(x) <= right + 2.0f &&
                                float(y) >= top - 2.0f && float(y) <= bottom + 2.0f;
            const int shaded = int(fresh[i] >> 8 & 0xFF), bare = int(none[i] >> 8 & 0xFF);
            if (shaded + 4 < bare) (inside ? darker : outside) += 1;
            for (int c = 0; c < 24; c += 8)
                cutDiff = std::max(cutDiff, std::abs(int(square[i] >> c & 0xFF) - int(fresh[i] >> c & 0xFF)));
            uncovered += (square[i] & 0xFFFFFF) != (fresh[i] & 0xFFFFFF);
            if (inside)
            {
                moved += (again[i] & 0xFFFFFF) != (fresh[i] & 0xFFFFFF);
                const bool shadowHere = (fresh[i] & 0xFFFFFF) != (none[i] & 0xFFFFFF);
                const bool shadowAlone = (alone[i] & 0xFFFFFF) != (none[i] & 0xFFFFFF);
                differs += shadowHere != shadowAlone;
                if (shadowHere && shadowAlone)
                    for (int c = 0; c < 24; c += 8)
                        maxDiff = std::max(maxDiff,
                                           std::abs(int(alone[i] >> c & 0xFF) - int(fresh[i] >> c & 0xFF)));
            }
        }
    EXPECT_GT(darker, 200) << "the shadow darkens the ground under the glider";
    EXPECT_EQ(outside, 0) << "darkened outside the picture's square";
    EXPECT_EQ(moved, 0) << "the kept tile shows another shadow";
    // Cut further, the patch's triangles interpolate the same texture
    // coordinates with other rounding: a level apart on a few pixels of the
    // shadow's filtered edge, nowhere else.
    EXPECT_LE(cutDiff, 1) << "the patch cut to what the hull covers shades differently";
    EXPECT_LE(uncovered, darker / 100) << "the patch cut to what the hull covers shades other pixels";
    EXPECT_EQ(differs, 0) << "the picture rendered at once shades other pixels";
    EXPECT_EQ(maxDiff, 0) << "the picture rendered at once shades differently";

    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}

} // namespace
