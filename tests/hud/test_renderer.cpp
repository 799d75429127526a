// The game renderer's set-up and frame decisions: the field of view, when
// the cockpit is due, and what Init prepares on an offscreen device.

#include "foundation/Graphic.h"
#include "hud/Renderer.h"
#include "location/ViewCamera.h"
#include "units/Mechanoid.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
TEST(Renderer, FieldOfViewFollowsTheScreen)
{
    struct SCase
    {
        int width, height;
        bool integer;
        float degrees;
    };
    const SCase cases[] = {
        {1024, 768, false, 72.0f}, {1024, 768, true, 72.0f},   {1280, 1024, false, 67.5f},
        {1280, 1024, true, 67.0f}, {800, 600, false, 72.0f},   {640, 0, false, 54.0f},
    };
    for (const SCase& c : cases)
        EXPECT_FLOAT_EQ(CRenderer::HorizontalFieldOfView(c.width, c.height, c.integer), c.degrees)
            << c.width << " x " << c.height << (c.integer ? " integer" : "");
}

TEST(Renderer, CockpitOnlyWhileFollowingAndAlive)
{
    CMechanoid alive;
    CMechanoid killed;
    killed.m_Reactor.m_bDestroyed = 1;
    for (int mode = 0; mode <= 6; ++mode)
    {
        const bool following = mode == 0 || mode == 1 || mode == 6;
        EXPECT_EQ(CRenderer::IsCockpitShown(true, &alive, mode), following) << "mode " << mode;
        EXPECT_EQ(CRenderer::IsCockpitShown(true, nullptr, mode), following) << "mode " << mode;
        EXPECT_FALSE(CRenderer::IsCockpitShown(true, &killed, mode)) << "mode " << mode;
        EXPECT_FALSE(CRenderer::IsCockpitShown(false, &alive, mode)) << "menu background, mode " << mode;
    }
}

class RendererDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        m_saved = g_ViewCamera;
        ASSERT_TRUE(OpenDevice(1024, 768));
    }
    void TearDown() override
    {
        g_ViewCamera = m_saved;
        CGraphicDeviceTest::TearDown();
    }
    CViewCamera m_saved;
};

TEST_F(RendererDevice, InitSetsTheProjectionViewportAndHudBuffers)
{
    CRenderer renderer;
    renderer.Init();
    constexpr float kDegrees = 3.14159265f / 180.0f;
    EXPECT_NEAR(g_ViewCamera.m_mProjection.m[0][0], 1.0f / std::tan(36.0f * kDegrees), 1e-5f);
    EXPECT_NEAR(g_ViewCamera.m_mProjection.m[1][1], 1.0f / std::tan(27.0f * kDegrees), 1e-5f);
    EXPECT_EQ(renderer.m_Viewport.Width, 1024u);
    EXPECT_EQ(renderer.m_Viewport.Height, 768u);
    EXPECT_EQ(renderer.m_Viewport.MaxZ, 1.0f);
    EXPECT_EQ(renderer.m_HudBuffer.m_nVertexCapacity, 160u);
    EXPECT_EQ(renderer.m_HudBuffer.m_nIndexCapacity, 240u);
    EXPECT_EQ(renderer.m_HudBuffer.m_nStride, 32u) << "XYZRHW and two texture sets";
    EXPECT_EQ(renderer.m_BigHudBuffer.m_nVertexCapacity, 800u);
    EXPECT_EQ(renderer.m_BigHudBuffer.m_nIndexCapacity, 1200u);
    static constexpr std::uint16_t kQuad[6] = {0, 1, 2, 2, 3, 0};
    for (int i = 0; i < 48; ++i) EXPECT_EQ(renderer.m_HudBuffer.m_pIndices[i], kQuad[i % 6] + 4 * (i / 6));
    // No texture list: every HUD texture is missing.
    EXPECT_EQ(renderer.m_iTexUI1, -1);
    EXPECT_EQ(renderer.m_iWarning, -1);
}
} // namespace
