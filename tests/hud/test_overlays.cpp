// The stasis flash's curve and tint, the recorder overlay's lines, and the
// flash and the killed mechanoid's screen mask drawn through the real
// Direct3D 8 layer offscreen.

#include "graphics/GraphicTestDevice.h"

#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "hud/Renderer.h"
#include "hud/debug/RecorderOverlay.h"

#include <gtest/gtest.h>

namespace
{
TEST(StasisFlash, CurveAndTint)
{
    struct SCase
    {
        float t;
        std::uint32_t colour;
    };
    const SCase cases[] = {
        {0.0f, 0x7F6060A0u},  // settles at half strength
        {1.0f, 0xFFFFFFFFu},  // full strength: white
        {9.5f, 0x3F6060A0u},  // a = 0.25
        {9.75f, 0xF26060A0u}, // the first flash's peak, 0.95
    };
    for (const SCase& c : cases)
        EXPECT_EQ(StasisFlashColour(StasisFlashStrength(c.t)), c.colour) << c.t;
    EXPECT_NEAR(StasisFlashStrength(2.0f), 0.45f, 1e-4f);
    EXPECT_NEAR(StasisFlashStrength(10.0f), 0.0f, 1e-4f);
    // Just below 10 the sine is already positive; never a negative alpha.
    EXPECT_EQ(StasisFlashColour(-0.1f) >> 24, 0u);
}

TEST(RecorderOverlay, LinesByState)
{
    SRecorderStatus status;
    std::string lines[4];
    status.state = 2;
    status.totalTime = 12.5f;
    RecorderLines(status, 0.1, lines);
    EXPECT_EQ(lines[0], "\xCD\xE5 \xE7\xE0\xEF\xE8\xF1\xE0\xED!"); // nothing recorded
    EXPECT_EQ(lines[1], "Recorded time = 12.50");
    EXPECT_EQ(lines[2], ""); // not paused
    EXPECT_EQ(lines[3].substr(0, 2), "3-");

    status.state = 1;
    status.currentTime = 3.0f;
    status.bufferSize = 400;
    status.bytesUsed = 100;
    RecorderLines(status, 0.1, lines); // blinking on
    EXPECT_EQ(lines[2], "Buffer = 25.00%");
    EXPECT_EQ(lines[3], "Record");
    RecorderLines(status, 0.3, lines); // off
    EXPECT_EQ(lines[3], "");
    status.bufferSize = 0;
    RecorderLines(status, 0.1, lines);
    EXPECT_EQ(lines[2], "Buffer =  0.00%");

    for (int state : {7, 8, 9})
    {
        status.state = state;
        RecorderLines(status, 0.1, lines);
        for (const std::string& line : lines)
            EXPECT_EQ(line, "") << state;
    }
}

class OverlayPicture : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        SDisplayParameters params = gfxtest::WindowedParameters();
        params.width = 64;
        params.height = 48;
        ASSERT_TRUE(OpenDevice(64, 48, params));
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
    }
    void TearDown() override
    {
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    std::uint32_t Draw(std::uint32_t clear, void (*draw)(CRenderer&))
    {
        graph.Clear(plat::d3d::D3DCLEAR_TARGET, clear);
        graph.m_lpDevice->BeginScene();
        CRenderer renderer;
        draw(renderer);
        graph.m_lpDevice->EndScene();
        CMesh::ResetCurrent();
        std::uint32_t w = 0;
        const auto pixels = gfxtest::ReadBackBuffer(&w);
        return pixels.empty() ? 0xDEADBEEF : pixels[std::size_t(20) * w + 30] & 0xFFFFFF;
    }

    CModelManager m_models;
    TexShaderManager m_shaders;
};

TEST_F(OverlayPicture, FlashAndMaskTintThePicture)
{
    EXPECT_EQ(Draw(0xFF000000u, [](CRenderer& r) { r.DrawStasisFlash(1.0f); }), 0xFFFFFFu);
    // Half strength over black: about half the tint.
    const std::uint32_t half = Draw(0xFF000000u, [](CRenderer& r) { r.DrawStasisFlash(0.0f); });
    EXPECT_NEAR(double(half >> 16), 0x60 * 0.5, 2.0);
    EXPECT_NEAR(double(half & 0xFF), 0xA0 * 0.5, 2.0);
    // Without its textures the mask multiplies by 0xC0C0FF.
    EXPECT_EQ(Draw(0xFFFFFFFFu, [](CRenderer& r) { r.DrawScreenMask(); }), 0xC0C0FFu);
    EXPECT_EQ(Draw(0xFF808080u, [](CRenderer& r) { r.DrawScreenMask(); }), 0x606080u);
}
} // namespace
