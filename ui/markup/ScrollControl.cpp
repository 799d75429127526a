#include "ui/markup/ScrollControl.h"

#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/CommandArgument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kShadow = 0xFF000000;
constexpr const char* kSheet = "TEX_INT_UI1";
constexpr const char* kSheetII = "TEX_INT_UII";

// The picture the script-results box gives its window's forward arrow: the
// bar then draws in the box's colour.
constexpr int kBoxArrowPicture = 32;

CPictureButton* NewButton(const plat::Rect& r, const char* caption)
{
    auto* button = new CPictureButton();
    button->SetClickSound(CPictureButton::SoundId("SND_I_SCROLL"));
    button->Create(r.left, r.top, r.right, r.bottom, caption, CButton::kPush, uicode::kNoCommand);
    return button;
}

void PlaceAt(CControl* control, int left, int top, int right, int bottom)
{
    control->m_Rect = plat::Rect{left, top, right, bottom};
    control->m_SavedRect = control->m_Rect;
}

bool Over(const CControl* control, const plat::Point& c)
{
    return control && PointInRect(control->m_Rect, c.x, c.y);
}
} // namespace

CScrollControl::~CScrollControl()
{
    DeleteButtons();
}

void CScrollControl::DeleteButtons()
{
    for (CPictureButton** button : {&m_pBack, &m_pForward, &m_pThumb})
    {
        if (!*button) continue;
        RemoveControl(*button);
        delete *button;
        *button = nullptr;
    }
}

void CScrollControl::Init(int left, int top, int right, int bottom, int placement, IUI* screen)
{
    XTRACE("CScrollControl::Init");
    const int W = right - left, H = bottom - top;
    m_bDragging = m_bPosChanged = m_bPressedInside = 0;
    m_nLastReported = 0;
    plat::Rect rect{left, top, right, bottom};
    if (placement == kStrip) rect = plat::Rect{19, H - 16, W + 20, H + 1};
    DeleteButtons();
    CGroupControl::Init(rect, screen);
    m_ClassID = MakeClassKey("CScrollControl", -1);
    m_nArrowWidth = 17;
    m_nArrowHeight = 22;
    m_nPos = m_nRange = 0;

    m_pBack = NewButton(rect, "^");
    m_pForward = NewButton(rect, "V");
    m_pThumb = NewButton(rect, "");
    auto dropArrows = [this]
    {
        delete m_pBack;
        delete m_pForward;
        m_pBack = m_pForward = nullptr;
    };
    auto addArrows = [this]
    {
        for (CPictureButton* arrow : {m_pBack, m_pForward, m_pThumb})
            arrow->SetToolTip("");
        AddControl(m_pBack);
        AddControl(m_pForward);
    };
    switch (placement)
    {
    case kStrip:
        dropArrows();
        AddControl(m_pThumb);
        PlaceAt(m_pThumb, 19, H - 16, 30, H + 1);
        m_pThumb->m_nPicture = 25;
        break;
    case kVertical:
        PlaceAt(this, W - 17, 22, W, H - 22);
        addArrows();
        PlaceAt(m_pBack, W - 17, 0, W, 22);
        m_pBack->m_nPicture = 20;
        PlaceAt(m_pForward, W - 17, H - 22, W, H);
        m_pForward->m_nPicture = 21;
        AddControl(m_pThumb);
        PlaceAt(m_pThumb, W - 17, 22, W, 33);
        m_pThumb->m_nPicture = 24;
        break;
    case kHorizontal:
        PlaceAt(this, 22, top, W - 22, bottom);
        addArrows();
        PlaceAt(m_pBack, 0, bottom - 17, 22, bottom);
        m_pBack->m_nPicture = 28;
        PlaceAt(m_pForward, W - 22, bottom - 17, W, bottom);
        m_pForward->m_nPicture = 29;
        AddControl(m_pThumb);
        PlaceAt(m_pThumb, 22, bottom - 17, 33, bottom);
        m_pThumb->m_nPicture = 25;
        break;
    case kSlider:
    {
        dropArrows();
        AddControl(m_pThumb);
        const int m = (H - 15) / 2 + top;
        PlaceAt(m_pThumb, left, m, left + 15, m + 15);
        m_pThumb->m_nPicture = 30;
        break;
    }
    default:
        dropArrows();
        AddControl(m_pThumb);
        break;
    }
    SetMax(0);
    SetPos(0);
}

void CScrollControl::SetPos(int position)
{
    if (m_bDragging) return;
    if (position == m_nPos) return;
    m_nPos = position;
    UpdateThumb();
}

void CScrollControl::SetMax(int range)
{
    m_nRange = range;
    UpdateThumb();
}

int CScrollControl::GetPos()
{
    if (m_nPos > m_nRange) m_nPos = m_nRange;
    return m_nPos;
}

bool CScrollControl::TakePosChanged()
{
    const bool changed = m_bPosChanged != 0;
    m_bPosChanged = 0;
    return changed;
}

void CScrollControl::Enable(int flag)
{
    if (m_pThumb)
    {
        if (flag == 1) m_pThumb->Show();
        if (flag == 0) m_pThumb->Hide();
    }
    m_bEnabled = flag;
}

void CScrollControl::UpdateThumb()
{
    if (m_nPos < 0) m_nPos = 0;
    if (!m_pThumb || m_nRange == 0 || m_pThumb->m_bChecked) return;
    plat::Rect& t = m_pThumb->m_Rect;
    const int H = Height(), W = Width();
    if (H >= W && m_pThumb->m_nPicture != 30)
    {
        const int th = t.bottom - t.top;
        const double share = double(GetPos()) / double(m_nRange);
        t.top = int(std::lround(double(m_Rect.top) + share * double(H - th)));
        t.bottom = t.top + th;
    }
    else
    {
        GetPos();
        const int tw = t.right - t.left;
        const double share = double(m_nPos) / double(m_nRange);
        t.left = int(std::trunc(share * double(W - tw) + double(m_Rect.left)));
        t.right = t.left + tw;
    }
    m_pThumb->m_SavedRect = t;
}

void CScrollControl::SetThumbSize(int pixels)
{
    if (!m_pThumb) return;
    // Compared as unsigned: a negative length is long, and the track's
    // limit below cuts it.
    unsigned n = static_cast<unsigned>(pixels);
    if (n < unsigned(kThumbMinimum)) n = kThumbMinimum;
    plat::Rect& t = m_pThumb->m_Rect;
    if (IsVertical())
    {
        if (!m_pForward) return;
        const int limit = m_pForward->m_Rect.top - (m_pBack ? m_pBack->m_Rect.bottom : m_Rect.top) - 2;
        if (limit >= 0 && n > unsigned(limit)) n = unsigned(limit);
        t.bottom = t.top + int(n);
    }
    else
    {
        const int limit = m_pBack && m_pBack->m_pParent && m_pForward
                              ? m_pForward->m_Rect.left - m_pBack->m_Rect.right - 2
                              : Width() - 2;
        if (limit >= 0 && n > unsigned(limit)) n = unsigned(limit);
        t.right = t.left + int(n);
    }
    m_pThumb->m_SavedRect = t;
}

void CScrollControl::SendToSelf(int code)
{
    CCommandArgument scope(this);
    Notify(code, 0);
}

void CScrollControl::StepBack()
{
    m_nPos = std::max(m_nPos - 1, 0);
    SendToSelf(kStepBack);
    UpdateThumb();
}

void CScrollControl::StepForward()
{
    m_nPos = std::min(m_nPos + 1, m_nRange);
    SendToSelf(kStepForward);
    UpdateThumb();
}

void CScrollControl::ProcessMessages()
{
    XTRACE("CScrollControl::ProcessMessages");
    if (!m_pThumb) return;
    m_bEnabled = m_pThumb->m_bVisible;
    if (m_pBack && m_pForward) m_pBack->m_bEnabled = m_pForward->m_bEnabled = m_pThumb->m_bVisible;
    const plat::Point c = CursorPos();
    const bool vertical = IsVertical();

    if (Pressed(uicode::kLeftButton))
    {
        if (Over(m_pThumb, c))
        {
            m_bDragging = 1;
            m_nGrabOffset = vertical ? c.y - m_pThumb->m_Rect.top : c.x - m_pThumb->m_Rect.left;
        }
        if (Over(this, c) || Over(m_pBack, c) || Over(m_pForward, c)) m_bPressedInside = 1;
    }
    if (m_bDragging && !Held(uicode::kLeftButton)) m_bDragging = 0;
    if (Released(uicode::kLeftButton) && m_bPressedInside && m_pBack && m_pForward)
    {
        m_bDragging = 0;
        // A step on the release, once, and only over the arrow still.
        if (Over(m_pBack, c) && m_pBack->m_bHovered && m_pBack->m_bVisible)
            StepBack();
        else if (Over(m_pForward, c) && m_pForward->m_bHovered && m_pForward->m_bVisible)
            StepForward();
    }

    CGroupControl::ProcessMessages();

    if (!m_bDragging) return;
    if (m_nPos > m_nRange) m_nPos = m_nRange;
    if (m_nRange == 0) return;
    plat::Rect& t = m_pThumb->m_Rect;
    if (vertical)
    {
        const int th = t.bottom - t.top;
        int top = c.y - m_nGrabOffset;
        if (top + th > m_Rect.bottom) top = m_Rect.bottom - th;
        if (top < m_Rect.top) top = m_Rect.top;
        t.top = top;
        t.bottom = top + th;
        const int free = Height() - th;
        m_nPos = free > 0 ? int(std::lround(double(top - m_Rect.top) / double(free) * double(m_nRange))) : 0;
    }
    else
    {
        const int tw = t.right - t.left;
        int left = c.x - m_nGrabOffset;
        if (left + tw > m_Rect.right) left = m_Rect.right - tw;
        if (left < m_Rect.left) left = m_Rect.left;
        t.left = left;
        t.right = left + tw;
        const int free = Width() - tw;
        m_nPos = free > 0 ? int(std::lround(double(left - m_Rect.left) / double(free) * double(m_nRange))) : 0;
    }
    m_pThumb->m_SavedRect = t;
    if (!m_bPosChanged && m_nPos != m_nLastReported)
    {
        m_bPosChanged = 1;
        m_nLastReported = m_nPos;
        SendToSelf(kDragged);
    }
}

void CScrollControl::RenderDisabledTrack()
{
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!g || !m_pBack || !m_pForward) return;
    const bool box = m_pForward->m_nPicture == kBoxArrowPicture;
    const std::uint32_t line = box ? kBoxLine : kWhite;
    const int sx = box ? 347 : 692, sy = box ? 796 : 0;
    const int a = m_pBack->m_Rect.top, f = m_pForward->m_Rect.bottom;
    const plat::Rect& r = m_Rect;
    g->SetFade(1.0f);
    DrawSheetPiece(g, kSheet, MirroredX(plat::Rect{r.right - 7, a, r.right, a + 7}), sx, sy, sx + 1024, sy + 1024,
                   19);
    DrawSheetPiece(g, kSheet, MirroredY(MirroredX(plat::Rect{r.right - 7, f - 7, r.right, f})), sx, sy, sx + 1024,
                   sy + 1024, 19);
    Fill(plat::Rect{r.right - 1, a + 7, r.right, f - 7}, line);
    Fill(plat::Rect{r.left + 6, a, r.left + 10, a + 1}, line);
    Fill(plat::Rect{r.left + 6, f - 1, r.left + 10, f}, line);
}

void CScrollControl::Render()
{
    if (!m_bVisible) return;
    const bool vertical = IsVertical();
    if (!m_bEnabled && vertical)
    {
        // Only the decorated track; a bar without arrows shows nothing.
        if (m_pBack) RenderDisabledTrack();
        return;
    }
    const std::uint32_t line = m_pForward && m_pForward->m_nPicture == kBoxArrowPicture ? kBoxLine : kWhite;
    const plat::Rect& r = m_Rect;
    Fill(r, kTrackFill);
    if (vertical)
    {
        Fill(plat::Rect{r.left, r.top, r.left + 1, r.bottom}, line);
        Fill(plat::Rect{r.right - 1, r.top, r.right, r.bottom}, line);
        for (int y = r.top; y < r.bottom; y += 3)
            Fill(plat::Rect{r.left + 1, y, r.right - 1, y + 1}, kTrackFill);
    }
    else
    {
        Fill(plat::Rect{r.left, r.top, r.right, r.top + 1}, line);
        Fill(plat::Rect{r.left, r.bottom - 1, r.right, r.bottom}, line);
        for (int x = r.left; x < r.right; x += 3)
            Fill(plat::Rect{x, r.top + 1, x + 1, r.bottom - 1}, kTrackFill);
        Fill(plat::Rect{r.left, r.top, r.left + 1, r.bottom}, line);
        Fill(plat::Rect{r.right, r.top, r.right + 1, r.bottom}, line);
    }
    CGroupControl::Render();
}

// ---- CScrollControlEx

void CScrollControlEx::InitSlider(int left, int top, int right, int bottom, IUI* screen)
{
    Init(left, top, right, bottom, kSlider, screen);
}

void CScrollControlEx::SetLabels(const char* left, const char* right)
{
    m_sLeftLabel = left ? left : "";
    m_sRightLabel = right ? right : "";
}

void CScrollControlEx::Render()
{
    if (!m_bVisible || !m_pThumb) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const int position = GetPos();
    char text[32];
    std::snprintf(text, sizeof text, "%d:%d", m_nRange - position, position);
    const plat::Rect& r = m_Rect;
    const plat::Rect& t = m_pThumb->m_Rect;
    if (g) g->SelectFont(0);
    const int width = MeasureText(text);
    int x = t.left + (t.right - t.left) / 2 - width / 2;
    x = std::max(r.left, std::min(x, r.right - width));

    Fill(plat::Rect{r.left - 7, r.top, r.right + 3, r.bottom}, kTrackFill);
    if (g)
    {
        g->SetFade(1.0f);
        DrawSheetPiece(g, kSheetII, plat::Rect{r.left + 2, t.top, r.left + 2 + kTrackLength, t.top + 11}, 0, 387,
                       1024, 1411, 11);
    }
    DrawText(text, x + 1, r.top + 1, kShadow);
    DrawText(text, x, r.top, kWhite);
    const int h = LineHeight();
    const char* left = m_sLeftLabel.GetText();
    DrawText(left, r.left + 1, r.bottom - h + 1, kShadow);
    DrawText(left, r.left, r.bottom - h, kWhite);
    const char* right = m_sRightLabel.GetText();
    const int w = MeasureText(right);
    DrawText(right, r.right - w + 1, r.bottom - h + 1, kShadow);
    DrawText(right, r.right - w, r.bottom - h, kWhite);
    CGroupControl::Render();
}
