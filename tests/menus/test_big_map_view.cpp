// The big-map view: the view kept inside the location, the wheel and keypad
// zoom (smooth-scroll deltas too), the bearing by right click with and
// without Shift, the glide and its stop, and the scroll bars' steps.

#include "WidgetTestKit.h"

#include "hud/radar/Radar.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "menus/BigMapView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
constexpr int kKeyLeft = 0xCB, kKeyPadPlus = 0x4E, kKeyPadMinus = 0x4A, kKeyLeftShift = 0x2A;

class CWheelInput : public uitest::CFakeInput
{
public:
    InputVector GetMouseDelta() override { return InputVector{0.0f, 0.0f, m_fWheel}; }
    float m_fWheel = 0.0f;
};

class BigMap : public widgettest::CWidgetTest
{
protected:
    void SetUp() override
    {
        CWidgetTest::SetUp();
        m_Screen.Init(&m_Sprites, &m_Wheel);
        m_Screen.SetMainGroup(m_pMain);
        m_pRadar = std::make_unique<CRadar>();
        g_pRadar = m_pRadar.get();
        m_nWidth = g_Location.m_nWidth;
        m_nHeight = g_Location.m_nHeight;
        // A location 257 x 257: 2570 world units across.
        g_Location.m_nWidth = g_Location.m_nHeight = 257;
        m_Camera = g_ViewCamera.m_vPosition;
        g_ViewCamera.m_vPosition = CVector{1000.0f, 800.0f, 50.0f};
        m_View.Init(0, 0, 400, 300, &m_Screen);
        m_pMain->AddControl(&m_View);
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_View);
        g_ViewCamera.m_vPosition = m_Camera;
        g_Location.m_nWidth = m_nWidth;
        g_Location.m_nHeight = m_nHeight;
        g_pRadar = nullptr;
        CWidgetTest::TearDown();
    }
    // One frame of the view alone, input set up by before.
    template <class F> void Step(int x, int y, F before)
    {
        m_Wheel.m_Cursor = plat::Point{x, y};
        m_Screen.m_nCursorX = x;
        m_Screen.m_nCursorY = y;
        before();
        m_View.ProcessMessages();
        m_Wheel.EndFrame();
        m_Wheel.m_fWheel = 0.0f;
    }

    CWheelInput m_Wheel;
    std::unique_ptr<CRadar> m_pRadar;
    CBigMapView m_View;
    int m_nWidth = 0, m_nHeight = 0;
    CVector m_Camera;
};

TEST_F(BigMap, TheViewStartsAtTheCameraAndStaysInsideTheLocation)
{
    EXPECT_EQ(widgettest::R(m_View.m_MapArea), (std::array{2, 2, 381, 281}));
    EXPECT_FLOAT_EQ(m_View.m_vCentre.x, 1000.0f);
    EXPECT_EQ(m_pRadar->m_nViewWidth, 379);
    struct SCase
    {
        CVector given, kept;
    };
    const SCase cases[] = {
        {{-5.0f, 100.0f, 7.0f}, {0.0f, 100.0f, 7.0f}},
        {{100.0f, -1.0f, 0.0f}, {100.0f, 0.0f, 0.0f}},
        {{9000.0f, 2570.5f, 0.0f}, {2570.0f, 2570.0f, 0.0f}},
        {{2570.0f, 0.0f, 0.0f}, {2570.0f, 0.0f, 0.0f}},
    };
    for (const SCase& c : cases)
    {
        m_View.m_vCentre = c.given;
        m_View.ClampView();
        EXPECT_FLOAT_EQ(m_View.m_vCentre.x, c.kept.x);
        EXPECT_FLOAT_EQ(m_View.m_vCentre.y, c.kept.y);
        EXPECT_FLOAT_EQ(m_View.m_vCentre.z, c.kept.z);
    }
    // Keys pan 160 a frame whatever the zoom, and stop at the edge too.
    m_View.m_vCentre = CVector{100.0f, 100.0f, 0.0f};
    Step(500, 500, [&] { m_Wheel.Press(kKeyLeft); });
    EXPECT_FLOAT_EQ(m_View.m_vCentre.x, 0.0f);
}

TEST_F(BigMap, TheWheelZoomsByItsShareOfANotchInItsDirection)
{
    struct SCase
    {
        float zoom, wheel, want;
    };
    const SCase cases[] = {
        {1.0f, 120.0f, 1.05f},
        {1.0f, -120.0f, 1.0f / 1.05f},
        {1.0f, 240.0f, 1.05f * 1.05f},
        // Smooth scrolling: a part of a notch, still the wheel's way.
        {1.0f, 60.0f, std::sqrt(1.05f)},
        {1.0f, -30.0f, std::pow(1.05f, -0.25f)},
        {1.0f, 1.0f, std::pow(1.05f, 1.0f / 120.0f)},
        {1.98f, 240.0f, 2.0f},
        {0.51f, -600.0f, 0.5f},
    };
    for (const SCase& c : cases)
    {
        m_pRadar->m_fZoom = c.zoom;
        Step(500, 500, [&] { m_Wheel.m_fWheel = c.wheel; });
        EXPECT_NEAR(m_pRadar->m_fZoom, c.want, 1e-5f) << c.wheel;
        if (c.wheel > 0.0f && c.zoom < 1.9f)
        {
            EXPECT_GT(m_pRadar->m_fZoom, c.zoom);
        }
        if (c.wheel < 0.0f && c.zoom > 0.6f)
        {
            EXPECT_LT(m_pRadar->m_fZoom, c.zoom);
        }
    }
    // The keypad zooms while held, to the limits.
    m_pRadar->m_fZoom = 1.0f;
    for (int i = 0; i < 30; ++i)
        Step(500, 500, [&] { m_Wheel.Press(kKeyPadPlus); });
    EXPECT_FLOAT_EQ(m_pRadar->m_fZoom, 2.0f);
    m_Wheel.Release(kKeyPadPlus);
    for (int i = 0; i < 30; ++i)
        Step(500, 500, [&] { m_Wheel.Press(kKeyPadMinus); });
    EXPECT_FLOAT_EQ(m_pRadar->m_fZoom, 0.5f);
}

TEST_F(BigMap, ARightClickSetsTheTargetOrWithShiftExtendsTheRoute)
{
    m_pRadar->m_fZoom = 2.0f;
    m_View.m_vCentre = CVector{1000.0f, 800.0f, 50.0f};
    // 40 pixels right of and 20 above the area's middle (191.5, 141.5).
    const int x = 2 + 189 + 40, y = 2 + 139 - 20;
    Step(x, y, [&] { m_Wheel.Press(uicode::kRightButton); });
    EXPECT_EQ(m_pRadar->m_bTargetSet, 1);
    EXPECT_FLOAT_EQ(m_pRadar->m_vTarget.x, 1000.0f + (40.0f - 0.5f) * 5.0f);
    EXPECT_FLOAT_EQ(m_pRadar->m_vTarget.y, 800.0f + (-20.0f - 0.5f) * 5.0f);
    EXPECT_TRUE(m_pRadar->m_Route.IsEmpty());
    // With Shift the point joins the route and the target stays.
    Step(x + 10, y, [&] { m_Wheel.Press(kKeyLeftShift), m_Wheel.Press(uicode::kRightButton); });
    EXPECT_FLOAT_EQ(m_pRadar->m_vTarget.x, 1000.0f + 39.5f * 5.0f);
    ASSERT_EQ(m_pRadar->m_Route.GetCount(), 1);
    EXPECT_FLOAT_EQ(m_pRadar->m_Route.At(0).x, 1000.0f + 49.5f * 5.0f);
    // On a scroll bar, outside the map area: no bearing.
    Step(395, 100, [&] { m_Wheel.Release(kKeyLeftShift), m_Wheel.Press(uicode::kRightButton); });
    EXPECT_EQ(m_pRadar->m_Route.GetCount(), 1);
    EXPECT_FLOAT_EQ(m_pRadar->m_vTarget.x, 1000.0f + 39.5f * 5.0f);
}

TEST_F(BigMap, AGlideStopsNearItsTargetAndADragCancelsIt)
{
    m_View.m_vCentre = CVector{1000.0f, 800.0f, 50.0f};
    m_View.m_vGlideTarget = CVector{1006.0f, 805.0f, 60.0f};
    m_View.m_bGliding = 1;
    m_View.Render();
    EXPECT_EQ(m_View.m_bGliding, 0) << "closer than 10: it stops at once";
    EXPECT_FLOAT_EQ(m_View.m_vCentre.x, 1000.0f);

    m_View.m_vGlideTarget = CVector{2000.0f, 800.0f, 60.0f};
    m_View.m_bGliding = 1;
    float last = 1000.0f;
    for (int i = 0; i < 30 && m_View.m_bGliding; ++i)
    {
        m_Clock.Advance(0.1);
        m_View.Render();
        EXPECT_GE(m_View.m_vCentre.x, last);
        EXPECT_LE(m_View.m_vCentre.x, 2000.0f);
        last = m_View.m_vCentre.x;
    }
    EXPECT_EQ(m_View.m_bGliding, 0);
    EXPECT_NEAR(m_View.m_vCentre.x, 2000.0f, 10.0f);
    EXPECT_FLOAT_EQ(m_View.m_vCentre.z, 60.0f);

    // A glide beyond the location ends at its edge; a left press in the map
    // area stops a glide and drags the map against the mouse.
    m_View.m_vGlideTarget = CVector{5000.0f, 800.0f, 0.0f};
    m_View.m_bGliding = 1;
    for (int i = 0; i < 60 && m_View.m_bGliding; ++i)
    {
        m_Clock.Advance(0.1);
        m_View.Render();
    }
    EXPECT_EQ(m_View.m_bGliding, 0);
    EXPECT_LE(m_View.m_vCentre.x, 2570.0f);
    m_View.m_vCentre = CVector{1000.0f, 800.0f, 0.0f};
    m_View.m_bGliding = 1;
    m_pRadar->m_fZoom = 1.0f;
    Step(100, 100, [&] { m_Wheel.Press(uicode::kLeftButton); });
    EXPECT_EQ(m_View.m_bGliding, 0);
    Step(120, 90, [] {});
    EXPECT_FLOAT_EQ(m_View.m_vCentre.x, 800.0f);
    EXPECT_FLOAT_EQ(m_View.m_vCentre.y, 900.0f);
}

TEST_F(BigMap, TheBarsStepTheViewByTenMapPixels)
{
    m_pRadar->m_fZoom = 2.0f;
    m_View.m_vCentre = CVector{1000.0f, 800.0f, 0.0f};
    m_View.m_pVertical->StepForward();
    EXPECT_FLOAT_EQ(m_View.m_vCentre.y, 850.0f);
    m_View.m_pHorizontal->StepBack();
    EXPECT_FLOAT_EQ(m_View.m_vCentre.x, 950.0f);
    EXPECT_FLOAT_EQ(m_View.m_vCentre.y, 850.0f);
    // The bars follow the view over the explored bounds.
    m_pRadar->m_vExploredMin = CVector{0.0f, 0.0f, 0.0f};
    m_pRadar->m_vExploredMax = CVector{2000.0f, 1600.0f, 0.0f};
    m_View.UpdateScrollBars();
    EXPECT_EQ(m_View.m_pHorizontal->GetMax(), 2000);
    EXPECT_EQ(m_View.m_pHorizontal->GetPos(), 950);
    EXPECT_EQ(m_View.m_pVertical->GetPos(), 850);
    // A bar's drag moves the view once through its changed byte.
    m_View.m_pVertical->m_nPos = 400;
    m_View.m_pVertical->m_bPosChanged = 1;
    m_View.UpdateScrollBars();
    EXPECT_FLOAT_EQ(m_View.m_vCentre.y, 400.0f);
    EXPECT_EQ(m_View.m_pVertical->m_bPosChanged, 0);
}

} // namespace
