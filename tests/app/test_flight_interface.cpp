// The cockpit in flight as the game feeds it, read back from the real
// Direct3D 8 layer offscreen ("flight_interface.png" next to the test
// program): the gun column shows the weapon icon of the gun's type, the
// anomaly overlay pulses round the centre while the player takes anomaly
// damage, the centre-fire option adds the heading sight, and none of the
// cockpit is drawn while the play recorder hides the interface. A vital
// script result in flight opens the message-box screen over the game, which
// stays until the player's key closes it; then the game flies on.
#include "app/MMAppEvent.h"
#include "app/InputConfig.h"
#include "app/VideoStudio.h"
#include "common/GameDriver.h"

#include "foundation/Graphic.h"
#include "graphics/PngWriter.h"
#include "graphics/TextureManager.h"
#include "hud/Renderer.h"
#include "menus/SimpleMessageBox.h"
#include "script/game/ScriptManager.h"
#include "units/HitIndicators.h"
#include "world/GameWorldState.h"

#include "SampleAppTest.h"
#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace
{
constexpr int kEnter = 28;

class FlightInterface : public apptest::CRunningAppTest
{
protected:
    std::vector<std::uint32_t> Picture()
    {
        const std::vector<std::uint32_t> pixels = ViewerFrame(m_nWidth, m_nHeight);
        EXPECT_EQ(pixels.size(), std::size_t(m_nWidth) * m_nHeight);
        return pixels;
    }
    // The mean of channel (0 blue, 8 green, 16 red) over a rectangle.
    double Mean(const std::vector<std::uint32_t>& pixels, const plat::Rect& r, int shift) const
    {
        double sum = 0.0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                sum += double(pixels[std::size_t(y) * m_nWidth + std::size_t(x)] >> shift & 0xFF);
        return sum / double((r.right - r.left) * (r.bottom - r.top));
    }

    std::uint32_t m_nWidth = 0, m_nHeight = 0;
};

TEST_F(FlightInterface, TheCockpitShowsIconsAnomalyAndHeadingSightAndHidesForTheRecorder)
{
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(Frame());
    CRenderer* renderer = g_pRenderer;
    ASSERT_NE(renderer, nullptr);
    // The sample's icon sheet and anomaly picture, loaded before they are
    // drawn (the game's loads are asynchronous).
    ASSERT_GE(renderer->m_iTexWeaponIcons, 0);
    ASSERT_GE(renderer->m_iTexAnomaly, 0);
    ASSERT_NE(g_pTextureManager->GetTextureForce(renderer->m_iTexWeaponIcons), nullptr);
    ASSERT_NE(g_pTextureManager->GetTextureForce(renderer->m_iTexAnomaly), nullptr);
    HoldStill();

    // The first gun's icon (14, 144)-(78, 176): the sheet's magenta plate,
    // against the same frame drawn without the sheet.
    const plat::Rect icon{24, 150, 68, 172};
    const std::int32_t icons = renderer->m_iTexWeaponIcons;
    renderer->m_iTexWeaponIcons = -1;
    g_PlayerHitIndicators[HIT_ENVIRONMENT] = 0.0f;
    const std::vector<std::uint32_t> plain = Picture();
    renderer->m_iTexWeaponIcons = icons;
    EXPECT_FALSE(renderer->m_bHeadingSight);

    // Anomaly damage and the centre-fire option.
    g_PlayerHitIndicators[HIT_ENVIRONMENT] = 50.0f;
    g_InputConfig.m_Options.CenterFire = 1;
    const std::vector<std::uint32_t> shown = Picture();
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "flight_interface.png";
    gfxtest::WritePng(picture.c_str(), shown, m_nWidth, m_nHeight);
    std::printf("flight interface: %s\n", picture.c_str());
    EXPECT_TRUE(renderer->m_bHeadingSight);
    EXPECT_GT(renderer->m_fAnomalyLevel[0], 1.0f);
    const auto magenta = [&](const std::vector<std::uint32_t>& p)
    { return (Mean(p, icon, 16) + Mean(p, icon, 0)) / 2.0 - Mean(p, icon, 8); };
    EXPECT_GT(magenta(shown), magenta(plain) + 60.0) << magenta(shown) << " " << magenta(plain);
    // The overlay's yellow below the centre: (W/2 - 96, 3H/4 - 32)-(W/2 + 97, 3H/4 + 34).
    const int w = int(m_nWidth), h = int(m_nHeight);
    const plat::Rect below{w / 2 - 90, 3 * h / 4 - 26, w / 2 + 90, 3 * h / 4 + 28};
    const auto yellow = [&](const std::vector<std::uint32_t>& p)
    { return (Mean(p, below, 16) + Mean(p, below, 8)) / 2.0 - Mean(p, below, 0); };
    EXPECT_GT(yellow(shown), yellow(plain) + 40.0) << yellow(shown) << " " << yellow(plain);

    // The recorder hides the interface: no icon, no overlay, no bars.
    g_VideoStudio.m_bInterfaceHidden = 1;
    const std::vector<std::uint32_t> hidden = Picture();
    g_VideoStudio.m_bInterfaceHidden = 0;
    EXPECT_LT(yellow(hidden), yellow(plain) + 10.0);
    const plat::Rect energy{40, 32, 160, 42};
    EXPECT_GT(Mean(plain, energy, 8), 200.0) << "the energy bar's green";
    EXPECT_LT(Mean(hidden, energy, 8), Mean(plain, energy, 8) - 40.0);
    const unsigned before = renderer->m_nCockpitFrames;
    Picture();
    EXPECT_EQ(renderer->m_nCockpitFrames, before + 1) << "shown again";

    g_InputConfig.m_Options.CenterFire = 0;
    g_PlayerHitIndicators[HIT_ENVIRONMENT] = 0.0f;
    Resume();
}

TEST_F(FlightInterface, AVitalResultInFlightOpensTheBoxUntilThePlayersKey)
{
    ASSERT_TRUE(Frame());
    auto* sink = dynamic_cast<CMMAppEvent*>(g_pAppEvent);
    ASSERT_NE(sink, nullptr);
    ASSERT_NE(g_pScriptManager, nullptr);
    // A vital result (type 2) whose key is the sample's autosave caption.
    SScriptResults* results = g_pScriptManager->GetResults();
    ASSERT_NE(results, nullptr);
    SScriptResult& vital = results->m_Results[results->m_iResultCount++];
    vital = SScriptResult{};
    vital.type = 2;
    std::snprintf(vital.text, sizeof vital.text, "%s", "OTH_AUTOSAVE");
    sink->UpdateRuntimeScriptMessages(1);
    EXPECT_TRUE(m_App.m_bVitalBoxPending);

    // The box opens when the frame is drawn and stays until Enter.
    const int menus = m_Menus.m_nMenus;
    bool box = false;
    int passes = 0;
    m_Menus.m_Script = [&](IUI& screen, int pass)
    {
        box = dynamic_cast<CBoxUI*>(&screen) != nullptr;
        passes = pass + 1;
        if (pass == 5) m_Menus.Press(kEnter);
        if (pass == 6) m_Menus.Release(kEnter);
    };
    ASSERT_TRUE(Frame());
    m_Menus.m_Script = nullptr;
    EXPECT_EQ(m_Menus.m_nMenus, menus + 1);
    EXPECT_TRUE(box) << "the message-box screen";
    EXPECT_GE(passes, 6) << "the box waited for the key";
    EXPECT_LT(passes, 40) << "and ended on it (after its fade)";
    EXPECT_FALSE(m_App.m_bVitalBoxPending);

    // The game flies on, with no box again.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(Frame());
    EXPECT_EQ(m_Menus.m_nMenus, menus + 1);
    EXPECT_FALSE(g_MMEngine.m_bLeaveCycle);
}
} // namespace
