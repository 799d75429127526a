#include "menus/PlayerInfoPanel.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "menus/MenuDrawing.h"
#include "ui/UI.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"

#include <cmath>
#include <cstdio>

using namespace menus;

CPlayerInfoPanel::CPlayerInfoPanel()
{
    m_ClassID = MakeClassKey("CPlayerInfoPanel", -1);
}

void CPlayerInfoPanel::Init(int left, int top, int right, int bottom, IUI* screen)
{
    SetRectXY(left, top, right, bottom);
    m_pScreen = screen;
    m_bEnabled = 0;
}

bool CPlayerInfoPanel::Toggle()
{
    m_bExpanded = !m_bExpanded;
    return m_bExpanded != 0;
}

CMechanoid* CPlayerInfoPanel::GetMechanoid()
{
    return g_pPlayerGlider ? g_pPlayerGlider->m_pMechanoid : nullptr;
}

int CPlayerInfoPanel::CargoBarWidth(float weight, float maximum, bool hasGlider)
{
    if (!hasGlider || !(maximum > 0.0f)) return 0;
    const float share = weight / maximum * float(kBarWidth);
    if (!(share > 0.0f)) return 0;
    return share >= float(kBarWidth) ? kBarWidth : int(share);
}

void CPlayerInfoPanel::RenderFrame()
{
    IGraphicInterface* g = m_pScreen->m_pGraphic;
    const int l = m_Rect.left, t = m_Rect.top, r = m_Rect.right, b = m_Rect.bottom;
    CGuidKey sheet = m_UID;
    const plat::Rect corner{l, t, l + kCorner, t + kCorner};
    DrawSprite(g, sheet, MirrorRectX(corner, m_Rect), kCornerX, 0);
    DrawSprite(g, sheet, MirrorRectY(MirrorRectX(corner, m_Rect), m_Rect), kCornerX, 0);
    DrawSprite(g, sheet, MirrorRectY(corner, m_Rect), kCornerX, 0);
    DrawSprite(g, sheet, corner, kCornerX, 0);
    FillRect(g, {l, t + kCorner, l + 1, b - kCorner}, kWhite);
    FillRect(g, {r - 1, t + kCorner, r, b - kCorner}, kWhite);
    FillRect(g, {l + kCorner, t, r - kCorner, t + 1}, kWhite);
    FillRect(g, {l + kCorner, b - 1, r - kCorner, b}, kWhite);
}

void CPlayerInfoPanel::RenderExpanded(CMechanoid* mechanoid)
{
    IGraphicInterface* g = m_pScreen->m_pGraphic;
    const int l = m_Rect.left, t = m_Rect.top;
    const int w = Width(), h = Height();
    CGuidKey sheet = m_UID;
    DrawSprite(g, sheet, m_Rect, 0, kBackgroundY);
    if (!mechanoid) return;
    g->SelectFont(0);
    const int textY = t + (h - g->GetTextHeight()) / 2;
    char text[64];
    // The money as a whole number, cut toward zero (and kept in range).
    const float money = mechanoid->m_Garbage.m_fMoney;
    const long long shown =
        std::isfinite(money) && std::fabs(money) < 9.0e18f ? static_cast<long long>(money) : 0;
    std::snprintf(text, sizeof text, "%lld", shown);
    g->RenderText(text, l + 67, textY + 1, kBlack);
    g->RenderText(text, l + 66, textY, kWhite);
    const bool hasGlider = mechanoid->GetConfigGlider() != nullptr;
    const float weight = mechanoid->GetGoodsWeight();
    const float maximum = mechanoid->GetMaxGoodsWeight();
    if (hasGlider)
    {
        std::snprintf(text, sizeof text, "%d / %d", int(weight), int(std::lround(maximum)));
        g->RenderText(text, l + w / 2 + 53, textY + 1, kBlack);
        g->RenderText(text, l + w / 2 + 52, textY, kWhite);
    }
    g->SetFade(1.0f);
    const int bar = CargoBarWidth(weight, maximum, hasGlider);
    if (bar > 0) DrawSprite(g, sheet, {l + 168, t + 4, l + 168 + bar, t + 49}, kBarX, 0);
}

void CPlayerInfoPanel::Render()
{
    XTRACE("CPlayerInfoPanel::Render");
    if (!m_bVisible || !m_pScreen || !m_pScreen->m_pGraphic) return;
    m_pScreen->m_pGraphic->SetFade(1.0f);
    if (m_bExpanded)
        RenderExpanded(GetMechanoid());
    else
        RenderFrame();
    RenderToolTip();
}
