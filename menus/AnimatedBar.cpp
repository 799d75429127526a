#include "menus/AnimatedBar.h"

#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "graphics/GraphicInterface.h"
#include "menus/UIRenderObject.h"
#include "menus/WidgetPictures.h"
#include "ui/GroupControl.h"
#include "ui/UI.h"
#include "ui/markup/CommandArgument.h"
#include "ui/markup/PictureButton.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
using widgets::kBlendTechnique;
using widgets::kSheetSize;
using widgets::kUI1;
using widgets::kUII;

void Piece(IGraphicInterface* g, const char* sheet, const plat::Rect& dest, int x, int y, int technique)
{
    DrawSheetPiece(g, sheet, dest, x, y, x + kSheetSize, y + kSheetSize, technique);
}
} // namespace

CAnimatedBar::CAnimatedBar()
{
    m_fAngle = float(g_Random.Next() % 360);
    ClearModel();
    CAnimatedBar::SetUID(CGuidKey());
}

void CAnimatedBar::SetUID(const CGuidKey&)
{
    CGuidKey key;
    MakeGuidKey(&key, kUII);
    CControl::SetUID(key);
}

void CAnimatedBar::Create(int left, int top, int right, int bottom, IUI* screen)
{
    m_Rect = m_SavedRect = plat::Rect{left, top, right, bottom};
    m_bHasModel = m_bSelected = 0;
    m_pScreen = screen;
    ClearModel();
    m_ClassID.id = CGuidKey::kNone;
}

void CAnimatedBar::Reset()
{
    m_dwModifier = 0;
    m_fFill = 0.0f;
    m_bHasModel = m_bSelected = 0;
    const CXAnsiString first = m_ToolTip[0];
    SetToolTip(first.GetText());
}

void CAnimatedBar::SetModel(const char* name)
{
    CopyName(m_szModel, name);
}

void CAnimatedBar::ClearModel()
{
    std::memset(m_szModel, 0, sizeof m_szModel);
    std::memset(m_szModel, 0xFF, 4);
}

bool CAnimatedBar::HasModelName() const
{
    static const unsigned char kNone[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    return std::memcmp(m_szModel, kNone, sizeof kNone) != 0;
}

int CAnimatedBar::GaugeHeight(int height, float fill)
{
    return int(std::lround(double(height) * double(fill)));
}

void CAnimatedBar::Animate(float dt)
{
    const float target = m_bDragging ? kDragInset : kRestInset;
    if (m_fInset != target) m_fInset += (target - m_fInset) * dt * 2.5f;
    if (m_bSelected) m_fSpinRate = std::min(m_fSpinRate + dt * 0.8f, 1.0f);
    if (m_bHovered)
    {
        m_fSpinRate += dt * 0.8f;
        if (m_fSpinRate > 0.5f && !m_bSelected) m_fSpinRate -= dt * 1.6f;
    }
    if (!m_bHovered && !m_bSelected) m_fSpinRate -= dt * 0.2f;
    m_fSpinRate = std::max(m_fSpinRate, 0.0001f);
    m_fAngle += dt * m_fSpinRate;
}

void CAnimatedBar::Render()
{
    if (!m_bVisible) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const double now = m_pScreen ? m_pScreen->GetClock()->GetElapsedTicks() : 0.0;
    if (now != m_dLastStep)
    {
        m_dLastStep = now;
        Animate(m_pScreen ? m_pScreen->GetClock()->GetFrameTime() : 0.0f);
    }
    const int k = int(m_fInset);
    const plat::Rect& home = m_SavedRect;
    const int l = home.left, t = home.top, r = home.right, b = home.bottom;
    const int W = r - l, H = b - t;
    const bool takesDrops = m_bState1 || m_bState2;
    const plat::Rect emptySlot{l + 10, t + 11, l + 61, t + 62};

    if (m_bHasModel && m_bEnabled)
    {
        if (!HasModelName())
        {
            m_bHasModel = 0;
            return;
        }
        plat::Rect background = home;
        if (m_fFill > 0.0f)
        {
            const int gauge = GaugeHeight(H, m_fFill);
            if (g) g->SetFade(1.0f);
            Piece(g, kUI1, plat::Rect{l, b - gauge, r, b}, 371, H - gauge, widgets::kSpriteTechnique);
            background.bottom = b - gauge;
        }
        if (g) g->SetFade(1.0f);
        Piece(g, kUII, background, takesDrops ? 144 : 72, 0, kBlendTechnique);
        if (g) g->SetFade(1.0f);
        SUIModelName model;
        std::memcpy(model.name, m_szModel, sizeof model.name);
        UIRenderObject(model, m_fAngle, plat::Rect{l + k, t + k, r - k, b - k}, false);
    }
    else if (takesDrops)
    {
        if (m_bEnabled)
            Piece(g, kUII, home, 144, 0, kBlendTechnique);
        else
            Piece(g, kUII, emptySlot, 292, 3, kBlendTechnique);
    }
    else
    {
        if (m_bEnabled)
            Piece(g, kUII, home, m_nIconX, m_nIconY, kBlendTechnique);
        else
            Piece(g, kUII, emptySlot, 292, 3, kBlendTechnique);
    }

    if (m_ClassID.id != CGuidKey::kNone && m_bShowLabel)
    {
        const int width = MeasureText(m_ClassID.name);
        DrawText(m_ClassID.name, l + (W - width) / 2, b - LineHeight(), kLabelColour);
    }
    if (m_bSelected && !m_bDragging) widgets::DrawSelectionCorners(g, home, 0, kBlendTechnique);
    widgets::DrawModifierStars(g, m_dwModifier, home, t + 8, widgets::kSpriteTechnique);
    if (!m_bDragging) RenderToolTip();
}

void CAnimatedBar::OnBeginDrag()
{
    CControl::OnBeginDrag();
    if (m_pParent) m_pParent->OnBeginDrag();
}

void CAnimatedBar::OnDrop()
{
    CControl::OnDrop();
    if (m_pParent) m_pParent->OnDrop();
    if (!m_pScreen) return;
    // One drop, one target: the topmost that takes drops.
    if (CControl* target = widgets::FindDropTarget(m_pScreen, this))
    {
        CCommandArgument scope(target);
        m_pScreen->OnCommand(kDropped, 0);
    }
}
