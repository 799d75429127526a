#include "menus/BigMapView.h"

#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "hud/radar/Radar.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/CommandArgument.h"
#include "ui/markup/PictureButton.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr std::uint32_t kFill = 0x26FFFFFF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr int kKeyLeft = 0xCB, kKeyRight = 0xCD, kKeyUp = 0xC8, kKeyDown = 0xD0;
constexpr int kKeyPadPlus = 0x4E, kKeyPadMinus = 0x4A;
constexpr int kKeyLeftShift = 0x2A, kKeyRightShift = 0x36;
constexpr float kWheelNotch = 120.0f;
constexpr float kPixelWorld = 10.0f; // world units of a map pixel at zoom 1
constexpr float kMapAlpha = 0.9f;

// The track a scroll bar's thumb runs along, as the view measures it.
int TrackOf(const CScrollControl& bar)
{
    return bar.Height() > bar.Width() ? bar.Height() - 44 : bar.Width() - 34;
}

// A bar over the span [minimum, maximum] of the map with the view at value
// showing visible world units of it.
void FollowView(CScrollControl& bar, float minimum, float maximum, float value, float visible)
{
    const float span = maximum - minimum;
    if (!(span > 0.0f))
    {
        // Nothing explored yet: nothing to scroll.
        bar.SetMax(0);
        return;
    }
    bar.SetMax(int(std::trunc(span)));
    bar.SetPos(std::max(int(std::trunc(value - minimum)), 0));
    bar.SetThumbSize(int(std::trunc(visible * float(TrackOf(bar)) / span)));
}
} // namespace

CBigMapView::~CBigMapView()
{
    if (g_pRadar) g_pRadar->DoneBigMap();
    DeleteBars();
}

void CBigMapView::DeleteBars()
{
    for (CScrollControl** bar : {&m_pVertical, &m_pHorizontal})
    {
        RemoveControl(*bar);
        delete *bar;
        *bar = nullptr;
    }
}

float CBigMapView::GetZoom()
{
    return g_pRadar ? g_pRadar->m_fZoom : 1.0f;
}

void CBigMapView::SetZoom(float zoom)
{
    if (g_pRadar) g_pRadar->m_fZoom = std::clamp(zoom, kMinZoom, kMaxZoom);
}

float CBigMapView::WheelZoom(float zoom, float w)
{
    // A notch (120) is one step of 1.05; a smaller delta a part of a step,
    // in the same direction.
    return std::clamp(zoom * std::pow(kZoomStep, w / kWheelNotch), kMinZoom, kMaxZoom);
}

void CBigMapView::SetMapArea()
{
    m_MapArea = plat::Rect{m_Rect.left + 2, m_Rect.top + 2, m_Rect.right - 19, m_Rect.bottom - 19};
}

void CBigMapView::Init(int left, int top, int right, int bottom, IUI* screen)
{
    XTRACE("CBigMapView::Init");
    DeleteBars();
    m_Rect = m_SavedRect = plat::Rect{left, top, right, bottom};
    m_pScreen = screen;
    const int H = bottom - top;
    m_pVertical = new CScrollControl();
    m_pVertical->Init(left, top, right, bottom - 16, CScrollControl::kVertical, screen);
    AddControl(m_pVertical);
    m_pHorizontal = new CScrollControl();
    m_pHorizontal->Init(left, H - 17, right - 15, H, CScrollControl::kHorizontal, screen);
    AddControl(m_pHorizontal);
    SetMapArea();
    if (g_pRadar) g_pRadar->InitBigMap(m_MapArea.right - m_MapArea.left, m_MapArea.bottom - m_MapArea.top);
    m_vCentre = g_ViewCamera.m_vPosition;
    m_bDragging = 0;
    UpdateScrollBars();
}

void CBigMapView::ClampPoint(CVector& p) const
{
    const float width = float(g_Location.m_nWidth) * kPixelWorld;
    const float height = float(g_Location.m_nHeight) * kPixelWorld;
    p.x = std::min(std::max(p.x, 0.0f), width);
    p.y = std::min(std::max(p.y, 0.0f), height);
}

void CBigMapView::ClampView()
{
    ClampPoint(m_vCentre);
}

void CBigMapView::UpdateScrollBars()
{
    if (!m_pVertical || !m_pHorizontal) return;
    CVector mn, mx;
    if (g_pRadar) g_pRadar->GetBMVector(&mn, &mx);
    if (m_pVertical->TakePosChanged())
    {
        m_vCentre.y = float(m_pVertical->GetPos()) + mn.y;
        return;
    }
    if (m_pHorizontal->TakePosChanged())
    {
        m_vCentre.x = float(m_pHorizontal->GetPos()) + mn.x;
        return;
    }
    const float perPixel = kPixelWorld / GetZoom();
    FollowView(*m_pVertical, mn.y, mx.y, m_vCentre.y, float(Height() - 21) * perPixel);
    FollowView(*m_pHorizontal, mn.x, mx.x, m_vCentre.x, float(Width() - 21) * perPixel);
}

CVector CBigMapView::PointAt(int x, int y) const
{
    const float perPixel = kPixelWorld / GetZoom();
    const float w = float(m_MapArea.right - m_MapArea.left), h = float(m_MapArea.bottom - m_MapArea.top);
    return CVector{m_vCentre.x + (float(x - m_MapArea.left) - w * 0.5f) * perPixel,
                   m_vCentre.y + (float(y - m_MapArea.top) - h * 0.5f) * perPixel, m_vCentre.z};
}

void CBigMapView::ProcessMessages()
{
    XTRACE("CBigMapView::ProcessMessages");
    IInput* input = m_pScreen ? m_pScreen->m_pInput : nullptr;
    if (Held(kKeyLeft)) m_vCentre.x -= kKeyPan;
    if (Held(kKeyRight)) m_vCentre.x += kKeyPan;
    if (Held(kKeyUp)) m_vCentre.y -= kKeyPan;
    if (Held(kKeyDown)) m_vCentre.y += kKeyPan;
    const plat::Point c = CursorPos();
    const bool inMap = PointInRect(m_MapArea, c.x, c.y);

    if (Pressed(uicode::kRightButton) && inMap)
    {
        const CVector p = PointAt(c.x, c.y);
        if (g_pSoundManager) g_pSoundManager->Play2D("SND_I_BEARING", false);
        if (g_pRadar)
        {
            if (!Held(kKeyLeftShift) && !Held(kKeyRightShift))
                g_pRadar->SetTarget(1, &p, false);
            else
                g_pRadar->SetBearing(p);
        }
    }
    if (Pressed(uicode::kLeftButton) && inMap)
    {
        m_bDragging = 1;
        m_nDragX = c.x;
        m_nDragY = c.y;
        m_bGliding = 0;
    }
    if (Released(uicode::kLeftButton)) m_bDragging = 0;
    if (m_bDragging)
    {
        const float perPixel = kPixelWorld / GetZoom();
        m_vCentre.x -= float(c.x - m_nDragX) * perPixel;
        m_vCentre.y -= float(c.y - m_nDragY) * perPixel;
        m_nDragX = c.x;
        m_nDragY = c.y;
    }
    ClampView();

    const float wheel = input ? input->GetMouseDelta().z : 0.0f;
    if (wheel != 0.0f) SetZoom(WheelZoom(GetZoom(), wheel));
    if (Held(kKeyPadPlus)) SetZoom(std::min(GetZoom() * kZoomStep, kMaxZoom));
    if (Held(kKeyPadMinus)) SetZoom(std::max(GetZoom() * 0.952381f, kMinZoom));

    UpdateScrollBars();
    CGroupControl::ProcessMessages();
}

void CBigMapView::OnCommand(int code, int)
{
    const CControl* sender = CommandArgument();
    const float step = 100.0f / GetZoom();
    const bool vertical = sender && sender == m_pVertical;
    switch (code)
    {
    case CScrollControl::kStepBack:
        (vertical ? m_vCentre.y : m_vCentre.x) -= step;
        break;
    case CScrollControl::kStepForward:
        (vertical ? m_vCentre.y : m_vCentre.x) += step;
        break;
    case CScrollControl::kDragged:
    {
        CVector mn, mx;
        if (g_pRadar) g_pRadar->GetBMVector(&mn, &mx);
        if (vertical)
            m_vCentre.y = float(m_pVertical->GetPos()) + mn.y;
        else if (m_pHorizontal)
            m_vCentre.x = float(m_pHorizontal->GetPos()) + mn.x;
        break;
    }
    default:
        break;
    }
    ClampView();
}

void CBigMapView::UpdateBigMapView()
{
    if (m_bGliding)
    {
        ClampPoint(m_vGlideTarget);
        const float dx = m_vGlideTarget.x - m_vCentre.x, dy = m_vGlideTarget.y - m_vCentre.y;
        float s = std::sqrt(dx * dx + dy * dy);
        if (s < kGlideStop)
            m_bGliding = 0;
        else
        {
            const float length = s;
            const float dt = m_pScreen ? m_pScreen->GetClock()->GetFrameTime() : 0.0f;
            // About a tenth of the way left each second, and at least
            // 100 units a second, never past the target.
            s /= std::pow(10.0f * (1.0f + s / 1e10f), dt);
            s = std::max(s - 100.0f * dt, 0.0f);
            m_vCentre.x = m_vGlideTarget.x - dx / length * s;
            m_vCentre.y = m_vGlideTarget.y - dy / length * s;
            m_vCentre.z = m_vGlideTarget.z;
        }
    }
    SetMapArea();
    if (!g_pRadar) return;
    g_pRadar->SetBMVector(m_vCentre);
    g_pRadar->RenderBigMap(m_MapArea.left, m_MapArea.top, kMapAlpha);
}

void CBigMapView::Render()
{
    if (!m_bVisible) return;
    CGroupControl::Render();
    UpdateBigMapView();
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const int l = m_Rect.left, t = m_Rect.top, r = m_Rect.right, b = m_Rect.bottom;
    if (g && m_UID.name[0])
    {
        DrawSheetPiece(g, m_UID.name, plat::Rect{l, t, l + 7, t + 7}, 692, 0, 1716, 1024, 11);
        DrawSheetPiece(g, m_UID.name, MirroredX(MirroredY(plat::Rect{r - 15, b - 17, r - 8, b - 10})), 692, 0,
                       1716, 1024, 11);
    }
    const int barBottom = m_pHorizontal ? m_pHorizontal->m_Rect.bottom : b;
    const int barRight = m_pVertical ? m_pVertical->m_Rect.right : r;
    Fill(plat::Rect{r - 15, b - 10, r - 8, barBottom}, kFill);
    Fill(plat::Rect{r - 8, b - 16, barRight, b}, kFill);
    Fill(plat::Rect{l, t + 7, l + 1, b - 7}, kWhite);
    Fill(plat::Rect{l + 7, t, r - 7, t + 1}, kWhite);
    if (g) DrawSheetPiece(g, "TEX_INT_UII", plat::Rect{l + 12, t + 12, l + 87, t + 87}, 184, 638, 1208, 1662, 11);
}
