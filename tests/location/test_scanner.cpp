// The scanner strip: bearings to columns (ahead 113, behind 0, the front
// spread and the sides squeezed), the rows a bar of a height colours, the
// colour priority and the dimmed alpha of every third column and of the
// bars' tips; through the Direct3D 8 layer offscreen: the cleared strip is
// opaque black, an empty scene draws nothing, and a glider ahead of the
// camera shows as a bar in the middle column.
#include "graphics/GraphicTestDevice.h"
#include "world/WorldTestScene.h"

#include "location/EffectRenderManager.h"
#include "location/ScannerSubjects.h"
#include "location/ViewCamera.h"
#include "world/DynamicObject.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace plat::d3d;
using Scanner = CEffectRenderManager;

TEST(ScannerStrip, BearingsToColumns)
{
    const float ahead = Scanner::ScannerHeading(0.0f, 1.0f); // looking along +y
    EXPECT_EQ(Scanner::ScannerColumn(ahead, 0.0f, 10.0f), 113);
    EXPECT_EQ(Scanner::ScannerColumn(ahead, 0.0f, -10.0f), 0);
    EXPECT_EQ(Scanner::ScannerColumn(ahead, 0.001f, -10.0f), 0);
    EXPECT_EQ(Scanner::ScannerColumn(ahead, -0.001f, -10.0f), 0);
    // A quarter turn each way: columns symmetric about the middle, and the
    // front half of the circle takes more than half of the strip.
    const int right = Scanner::ScannerColumn(ahead, 10.0f, 0.0f),
              left = Scanner::ScannerColumn(ahead, -10.0f, 0.0f);
    EXPECT_EQ(right + left, 225);
    EXPECT_GT(std::abs(right - left), 225 / 2);
    // Turning the camera turns the strip.
    EXPECT_EQ(Scanner::ScannerColumn(Scanner::ScannerHeading(1.0f, 0.0f), 10.0f, 0.0f), 113);
}

TEST(ScannerStrip, BarRowsPriorityAndDimming)
{
    // Only the "any object" bar of height h, in column 1 (not dimmed).
    auto rows = [](float h)
    {
        const float heights[7] = {0, 0, 0, 0, 0, 0, h};
        int n = 0;
        for (int m = 0; m <= 21; ++m)
            n += Scanner::ScannerPixel(heights, 1, m) != 0 ? (m == 0 ? 1 : 2) : 0;
        return n;
    };
    EXPECT_EQ(rows(0.0f), 0);
    EXPECT_EQ(rows(0.5f), 1);
    EXPECT_EQ(rows(1.0f), 1);
    EXPECT_EQ(rows(1.5f), 3);
    // A pilot-8 glider that fires shows in the pilot-8 colour.
    const float both[7] = {3, 0, 3, 0, 0, 0, 0};
    EXPECT_EQ(Scanner::ScannerPixel(both, 1, 1), 0xF0FE);
    // Every third column has its alpha halved; the tip of a glider bar too,
    // and the middle row wherever a glider, building or thing bar is empty
    // (its height truncates to 0 there).
    EXPECT_EQ(Scanner::ScannerPixel(both, 3, 1), 0x70FE);
    EXPECT_EQ(Scanner::ScannerPixel(both, 1, 0), 0x70FE);
    const float glider[7] = {0, 0, 0, 2.5f, 0, 0, 0};
    EXPECT_EQ(Scanner::ScannerPixel(glider, 1, 1), 0xFFFF);
    EXPECT_EQ(Scanner::ScannerPixel(glider, 1, 2), 0x7FFF);
    EXPECT_EQ(Scanner::ScannerPixel(glider, 3, 2), 0x3FFF);
}

namespace
{
class ScannerPixels : public gfxtest::CGraphicDeviceTest
{
protected:
    // The written strip, rows 11..52 of columns 0..224.
    std::vector<std::uint16_t> Strip()
    {
        std::vector<std::uint16_t> out;
        Texture* t = g_EffectRenderManager.GetScannerSystemTexture();
        SLockedRect locked{};
        if (!t || t->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return out;
        for (int y = 11; y <= 52; ++y)
            for (int x = 0; x < 225; ++x)
                out.push_back(reinterpret_cast<const std::uint16_t*>(
                    static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch)[x]);
        t->UnlockRect(0);
        return out;
    }
};

class CShip : public CDynamicObject
{
public:
    explicit CShip(const CVector& p)
    {
        m_nType = OBJ_GLIDER;
        m_bPhysics = 1;
        m_fRadius = 10.0f;
        CMatrix at(1.0f);
        at.SetTranslation(p);
        SetMatrix(at);
    }
};
} // namespace

TEST_F(ScannerPixels, ClearedBlackEmptyNothingAndAGliderAhead)
{
    ASSERT_TRUE(OpenDevice());
    worldtest::CScene scene;
    scene.m_Cells.ShowAllCells();
    g_EffectRenderManager.Init(1);
    ASSERT_NE(g_EffectRenderManager.GetScannerTexture(), nullptr);
    const CViewCamera saved = g_ViewCamera;
    g_ViewCamera.m_Matrix = CMatrix(1.0f);
    g_ViewCamera.SetForward(CVector{0, 1, 0});
    g_ViewCamera.SetPosition(CVector{1000, 1000, 50});

    g_EffectRenderManager.ClearScanner();
    std::vector<std::uint16_t> strip = Strip();
    ASSERT_EQ(strip.size(), 42u * 225u);
    for (std::uint16_t p : strip)
        ASSERT_EQ(p, 0xF000);

    g_EffectRenderManager.RenderScanner();
    strip = Strip();
    for (std::uint16_t p : strip)
        ASSERT_EQ(p, 0);

    // A glider 100 ahead: a bar about the middle column in the glider colour
    // (alpha dimmed in every third column and at its tip).
    auto* ship = new CShip(CVector{1000, 1100, 50});
    g_ObjectList.AddObject(ship);
    g_EffectRenderManager.RenderScanner();
    strip = Strip();
    const std::uint16_t middle = strip[std::size_t(21 * 225 + 113)]; // row 32, column 113
    EXPECT_EQ(middle & 0x0FFF, 0x0FFF) << std::hex << middle;
    EXPECT_EQ(strip[std::size_t(21 * 225 + 0)], 0); // behind: nothing
    g_ViewCamera = saved;
    g_EffectRenderManager.Done();
}
