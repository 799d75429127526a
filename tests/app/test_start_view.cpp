// The sample world as a newcomer first sees it, through the real Direct3D 8
// layer: the start view behind the player's glider ("start_view.png"), the
// glider seen from its side ("start_glider.png") and the hall's front
// ("start_hall.png", and with its door open "start_hall_open.png"). What a
// player tells apart is checked in the pixels: sky over grass and sandy
// roads, the red nose at the glider's front end (the end its frame calls
// forward), a pine's green crown over its trunk, and the hall's door under
// its blue sign, dark once it opens.
#include "common/GameDriver.h"

#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "units/GliderObject.h"
#include "world/ObjectList.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
struct SRgb
{
    int r, g, b;
};

SRgb Rgb(std::uint32_t c)
{
    return {int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)};
}

bool IsSky(std::uint32_t c)
{
    const SRgb p = Rgb(c);
    return p.b > 140 && p.b >= p.r && p.b >= p.g - 10;
}
bool IsGrass(std::uint32_t c)
{
    const SRgb p = Rgb(c);
    return p.g > p.r + 10 && p.g > p.b + 20;
}
bool IsSand(std::uint32_t c)
{
    const SRgb p = Rgb(c);
    return p.r > 140 && p.r > p.g && p.g > p.b + 20;
}
// The hull's red paint (its green a fifth of its red), not the orange of the
// engine's exhaust and flame (a third or more): green and blue each under a
// quarter of the red.
bool IsRed(std::uint32_t c)
{
    const SRgb p = Rgb(c);
    return p.r > 120 && p.r > 4 * p.g && p.r > 4 * p.b;
}
bool IsSignBlue(std::uint32_t c)
{
    const SRgb p = Rgb(c);
    return p.b > 100 && p.b > p.r + 50 && p.b > p.g + 20;
}
bool IsDark(std::uint32_t c)
{
    const SRgb p = Rgb(c);
    return p.r + p.g + p.b < 90;
}

// Where a world point lands in a width x height frame of the current view.
struct SScreen
{
    float x, y;
};
SScreen Project(const CVector& p, std::uint32_t width, std::uint32_t height)
{
    const CMatrix& m = g_ViewCamera.m_mViewProjection;
    float out[4];
    for (int c = 0; c < 4; ++c)
        out[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
    return {(out[0] / out[3] * 0.5f + 0.5f) * float(width), (0.5f - out[1] / out[3] * 0.5f) * float(height)};
}

class StartView : public apptest::CSteppedAppTest
{
protected:
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
        }
    }
    // The free camera at `eye`, looking at `at` (level, a little down).
    void LookAt(const CVector& eye, const CVector& at)
    {
        gametest::g_GameDriver.SetFreeCamera(true);
        gametest::g_GameDriver.m_vPosition = eye;
        gametest::g_GameDriver.m_fHeading = std::atan2(at.x - eye.x, at.y - eye.y);
        gametest::g_GameDriver.m_fPitch = std::atan2(at.z - eye.z, std::hypot(at.x - eye.x, at.y - eye.y));
    }
    std::vector<std::uint32_t> Picture(const char* name)
    {
        const std::vector<std::uint32_t> pixels = ViewerFrame(m_nWidth, m_nHeight);
        EXPECT_EQ(pixels.size(), std::size_t(m_nWidth) * m_nHeight);
        const std::filesystem::path picture = gfxtest::PictureDirectory() / name;
        gfxtest::WritePng(picture.c_str(), pixels, m_nWidth, m_nHeight);
        std::printf("%s\n", picture.c_str());
        return pixels;
    }
    // The pixels that differ between two frames.
    std::vector<std::size_t> Changed(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) const
    {
        std::vector<std::size_t> out;
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
            if ((a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF)) out.push_back(i);
        return out;
    }

    std::uint32_t m_nWidth = 0, m_nHeight = 0;
};
} // namespace

TEST_F(StartView, TheGliderATreeAndTheHallsDoorCanBeToldApart)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "start view test"));
    ASSERT_TRUE(gametest::g_GameDriver.IsEntered()) << Tree().ErrorLog();
    CGliderObject* glider = gametest::g_GameDriver.GetPlayerGlider();
    ASSERT_NE(glider, nullptr) << Tree().ErrorLog();
    // The weather a new game starts in, at its hour (the morning sun).
    g_Environment.SetEnvironment(0, true);

    // The start: behind the hovering glider, over grass cut by sandy roads
    // under a blue sky.
    Frames(20);
    const std::vector<std::uint32_t> start = Picture("start_view.png");
    int sky = 0, grass = 0, sand = 0;
    for (std::uint32_t x = 0; x < m_nWidth; ++x)
        sky += IsSky(start[x]);
    for (std::size_t i = start.size() / 2; i < start.size(); ++i)
    {
        grass += IsGrass(start[i]);
        sand += IsSand(start[i]);
    }
    EXPECT_GT(sky, int(m_nWidth) * 9 / 10);
    EXPECT_GT(grass, int(start.size() / 2) / 10);
    EXPECT_GT(sand, int(start.size() / 2) / 50);

    // The glider from its sunlit side (the start point sets its heading):
    // the front end of its picture (the end towards which its frame's
    // forward axis points on the screen) is the red nose cone; the back
    // end, the engine, is not red.
    glider->m_Frame.UpdateAxes();
    const CVector at = glider->GetPosition();
    const CVector forward = glider->ForwardAxis();
    CVector side{-forward.y, forward.x, 0.0f};
    if (side.x * g_Environment.m_vSunDir.x + side.y * g_Environment.m_vSunDir.y < 0.0f) side = side * -1.0f;
    LookAt(at + side * 25.0f + CVector{0.0f, 0.0f, 3.0f}, at);
    glider->m_Guns[0].m_bMounted = 0; // the gun on its back would hide the nose
    const std::vector<std::uint32_t> withGlider = Picture("start_glider.png");
    const SObjectTypeHeader* type = glider->m_pType;
    glider->m_pType = nullptr; // no model: no hull
    const std::vector<std::uint32_t> noGlider = ViewerFrame(m_nWidth, m_nHeight);
    glider->m_pType = type;
    glider->m_Guns[0].m_bMounted = 1;
    const SScreen middle = Project(at, m_nWidth, m_nHeight);
    const SScreen ahead = Project(at + forward, m_nWidth, m_nHeight);
    const float ux = ahead.x - middle.x, uy = ahead.y - middle.y, length = std::hypot(ux, uy);
    ASSERT_GT(length, 1.0f);
    // Each hull pixel's place along the glider, towards its front.
    std::vector<std::pair<float, std::uint32_t>> along;
    for (std::size_t i : Changed(withGlider, noGlider))
    {
        // (Its shadows on the ground change too: only the hull's place.)
        const float x = float(i % m_nWidth) - middle.x, y = float(i / m_nWidth) - middle.y;
        const float a = (x * ux + y * uy) / length, across = (y * ux - x * uy) / length;
        if (std::fabs(a) < 4.0f * length && std::fabs(across) < 2.0f * length) along.emplace_back(a, withGlider[i]);
    }
    ASSERT_GT(along.size(), 2000u);
    std::sort(along.begin(), along.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const std::size_t tenth = along.size() / 10;
    int redFront = 0, redBack = 0;
    for (std::size_t k = 0; k < tenth; ++k)
    {
        redBack += IsRed(along[k].second);
        redFront += IsRed(along[along.size() - 1 - k].second);
    }
    EXPECT_GT(redFront, int(tenth) / 3) << "back " << redBack;
    EXPECT_LT(redBack, int(tenth) / 10);

    // The nearest pine: a green crown over a brown trunk.
    SPointerArray<CMMObject> trees;
    g_ObjectList.GetObjectList(OBJ_TREE, trees);
    ASSERT_GT(trees.count, 0);
    CMMObject* pine = trees.items[0];
    const CVector root = pine->GetPosition();
    // 12 units a model unit: the crown from 3 to 14 units up.
    LookAt(root + CVector{0.0f, -40.0f, 8.0f}, root + CVector{0.0f, 0.0f, 8.0f});
    const std::vector<std::uint32_t> withTree = ViewerFrame(m_nWidth, m_nHeight);
    pine->m_bShown = 0;
    const std::vector<std::uint32_t> noTree = ViewerFrame(m_nWidth, m_nHeight);
    pine->m_bShown = 1;
    int crown = 0, trunk = 0;
    const SScreen crownAt = Project(root + CVector{0.0f, 0.0f, 8.0f}, m_nWidth, m_nHeight);
    for (std::size_t i : Changed(withTree, noTree))
    {
        const SRgb p = Rgb(withTree[i]);
        const float y = float(i / m_nWidth);
        if (p.g > p.r && p.g > p.b && y < crownAt.y + 40.0f) ++crown;
        if (p.r > p.g && p.g > p.b && y > crownAt.y) ++trunk;
    }
    EXPECT_GT(crown, 2000);
    EXPECT_GT(trunk, 50);

    // The hall from 90 units before its door: under the blue sign the
    // closed door, steel grey-blue; a glider before it opens it, and the
    // doorway is dark.
    auto* hall = g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING);
    ASSERT_NE(hall, nullptr);
    const CVector door = hall->GetPosition() + CVector{0.0f, -30.0f, 10.0f};
    LookAt(door + CVector{0.0f, -90.0f, 5.0f}, door);
    glider->SetPosition(door + CVector{0.0f, -300.0f, 0.0f}); // out of the way
    glider->m_vVelocity = CVector{};
    Frames(1);
    const std::vector<std::uint32_t> closed = Picture("start_hall.png");
    const SScreen doorway = Project(door, m_nWidth, m_nHeight);
    const SScreen sign = Project(door + CVector{0.0f, 0.0f, 13.0f}, m_nWidth, m_nHeight);
    const auto count = [&](const std::vector<std::uint32_t>& pixels, const SScreen& c, int half, bool (*is)(std::uint32_t))
    {
        int n = 0;
        for (int dy = -half / 4; dy <= half / 4; ++dy)
            for (int dx = -half; dx <= half; ++dx)
                n += is(pixels[std::size_t(int(c.y) + dy) * m_nWidth + std::size_t(int(c.x) + dx)]);
        return n;
    };
    const auto steel = [](std::uint32_t c)
    {
        const SRgb p = Rgb(c);
        return p.b > p.r + 10 && p.b < 200 && p.r > 40;
    };
    const int area = 41 * 11;
    EXPECT_GT(count(closed, sign, 20, IsSignBlue), area / 2); // blue round white letters
    EXPECT_GT(count(closed, doorway, 20, steel), area * 3 / 4);
    // The player's glider flies in the game's own view (the free camera's
    // frames leave the player out, and the door opens for the player).
    glider->SetPosition(door + CVector{0.0f, -12.0f, -2.0f});
    glider->m_vVelocity = CVector{};
    gametest::g_GameDriver.SetFreeCamera(false);
    Frames(30);
    EXPECT_EQ(gametest::g_GameDriver.GetBuildingEntries(), 0);
    LookAt(door + CVector{0.0f, -90.0f, 5.0f}, door);
    glider->SetPosition(door + CVector{0.0f, -300.0f, 0.0f});
    glider->m_vVelocity = CVector{};
    const std::vector<std::uint32_t> open = Picture("start_hall_open.png");
    EXPECT_GT(count(open, doorway, 20, IsDark), area * 3 / 4);

    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
