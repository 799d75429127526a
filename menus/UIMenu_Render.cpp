// The in-game menu host's drawing: the glow round the screen and the panel,
// the backdrop and its white frame, the console's frame joined to its tab,
// the controls, and the dimming round an open popup.
#include "menus/UIMenu.h"

#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "graphics/TextureManager.h"
#include "menus/GMenu.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/PlayerInfoPanel.h"
#include "ui/GroupControl.h"

#include <cmath>

using namespace menus;

namespace
{
constexpr int kCorner = 22;
constexpr int kCornerX = 648; // the console corner on the host's sheet
constexpr int kGlowBand = 32;
// The soft edge round a popup: black rings from the outermost inward.
constexpr std::uint8_t kHaloAlphas[10] = {161, 151, 139, 126, 112, 96, 78, 58, 36, 12};
constexpr std::uint32_t kHaloFill = 0xAA000000;
constexpr std::uint32_t kDimFill = 0xA0000000;
constexpr float kDimFade = 0.75f;

void Outline(IGraphicInterface* g, const plat::Rect& r, std::uint32_t colour)
{
    FillRect(g, {r.left, r.top, r.right, r.top + 1}, colour);
    FillRect(g, {r.left, r.bottom - 1, r.right, r.bottom}, colour);
    FillRect(g, {r.left, r.top + 1, r.left + 1, r.bottom - 1}, colour);
    FillRect(g, {r.right - 1, r.top + 1, r.right, r.bottom - 1}, colour);
}
} // namespace

void CUIMenu::DrawGlowFrame(int left, int top, int right, int bottom)
{
    if (!m_pGraphic) return;
    CGuidKey glow = TextureKey("TEX_INT_EFECTOR_SIDED_GLOW");
    const int cell = GlowCell();
    const int half = (right - left) / 2;
    const int t = half >= 300 ? 48 : 16;
    const int length = half + t * 5 / 4;
    const int b = kGlowBand / 2;
    for (int y : {top, bottom})
        for (int start : {left - t / 2, left - t / 2 + half})
            DrawGlowCell(m_pGraphic, glow, cell, {start, y - b, start + length, y + b}, false, m_fGlowFade);
    const int height = bottom - top;
    const int end = height / 15 + 16;
    const int upright = height + end * 5 / 4;
    for (int x : {left, right})
        DrawGlowCell(m_pGraphic, glow, cell, {x - b, top - end / 2, x + b, top - end / 2 + upright}, true,
                      m_fGlowFade);
}

void CUIMenu::RenderFrames()
{
    const plat::Rect& s = m_SavedRect;
    DrawGlowFrame(s.left, s.top, s.right, s.bottom);
    if (!m_bSmallScreen && m_pPanel)
    {
        const plat::Rect& p = m_pPanel->m_Rect;
        DrawGlowFrame(p.left, p.top, p.right, p.bottom);
    }
}

void CUIMenu::RenderConsoleFrame()
{
    IGraphicInterface* g = m_pGraphic;
    const plat::Rect& c = m_pCurrent->m_Rect;
    const int l = c.left, t = c.top, r = c.right, b = c.bottom;
    CGuidKey sheet = TextureKey(kUI1);
    const plat::Rect corner{l, t, l + kCorner, t + kCorner};
    if (m_pCurrent == m_pDefault)
    {
        // The first tab's console: its corner opens into the tab above.
        FillRect(g, {l + 12, t + 1, l + kCorner, t + 12}, kFrameFill);
        FillRect(g, {l, t + 1, l + 12, t + kCorner}, kFrameFill);
        FillRect(g, {l, t, l + 1, t + kCorner}, kWhite);
    }
    else
        DrawSprite(g, sheet, corner, kCornerX, 0);
    const plat::Rect topRight = MirrorRectX(corner, c);
    DrawSprite(g, sheet, topRight, kCornerX, 0);
    DrawSprite(g, sheet, MirrorRectY(topRight, c), kCornerX, 0);
    DrawSprite(g, sheet, MirrorRectY(corner, c), kCornerX, 0);
    FillRect(g, {l, t + kCorner, l + 1, b - kCorner}, kWhite);
    FillRect(g, {r - 1, t + kCorner, r, b - kCorner}, kWhite);

    const CMenuButton* selected = nullptr;
    for (int i = 0; i < kConsoleCount; ++i)
        if (m_pTabs[i] && m_pTabs[i]->m_bSelected) selected = m_pTabs[i].get();
    if (selected)
    {
        const plat::Rect& tab = selected->m_Rect;
        FillRect(g, {tab.left + 1, tab.bottom, tab.right - 1, t + 1}, kFrameFill);
        FillRect(g, {tab.left, tab.bottom, tab.left + 1, t + 1}, kWhite);
        FillRect(g, {tab.right - 1, tab.bottom, tab.right, t + 1}, kWhite);
        FillRect(g, {l + kCorner, t, tab.left, t + 1}, kWhite);
        FillRect(g, {tab.right, t, r - kCorner, t + 1}, kWhite);
    }
    FillRect(g, {l + kCorner, b - 1, r - kCorner, b}, kWhite);
}

void CUIMenu::RenderPopup()
{
    IGraphicInterface* g = m_pGraphic;
    const plat::Rect& s = m_SavedRect;
    const plat::Rect& p = m_pPopup->m_Rect;
    if (m_nPopupHalo == 0)
    {
        FillRect(g, s, kDimFill);
        m_fGlowFade = kDimFade;
        DrawGlowFrame(p.left, p.top, p.right, p.bottom);
        m_fGlowFade = 1.0f;
    }
    else
    {
        const plat::Rect grown{p.left - 10, p.top - 10, p.right + 10, p.bottom + 10};
        FillRect(g, {s.left, s.top, s.right, grown.top}, kHaloFill);
        FillRect(g, {s.left, grown.bottom, s.right, s.bottom}, kHaloFill);
        FillRect(g, {s.left, grown.top, grown.left, grown.bottom}, kHaloFill);
        FillRect(g, {grown.right, grown.top, s.right, grown.bottom}, kHaloFill);
        for (int i = 0; i < 10; ++i)
        {
            const int d = 10 - i;
            Outline(g, {p.left - d, p.top - d, p.right + d, p.bottom + d},
                    std::uint32_t(kHaloAlphas[i]) << 24);
        }
    }
    g->SetFade(1.0f);
    m_pPopup->Render();
}

void CUIMenu::Render()
{
    XTRACE("CUIMenu::Render");
    if (!m_pGraphic || !m_pMainGroup) return;
    IGraphicInterface* g = m_pGraphic;
    g->SetFade(1.0f);
    RenderFrames();
    g->SetFade(1.0f);
    FillRect(g, m_pMainGroup->m_Rect, kBackground);
    const plat::Rect& s = m_SavedRect;
    FillRect(g, {s.left + 2, s.top + 2, s.right - 2, s.top + 3}, kWhite);
    FillRect(g, {s.left + 2, s.bottom - 2, s.right - 2, s.bottom - 1}, kWhite);
    FillRect(g, {s.left + 2, s.top + 2, s.left + 3, s.bottom - 2}, kWhite);
    FillRect(g, {s.right - 2, s.top + 2, s.right - 1, s.bottom - 1}, kWhite);
    if (m_pCurrent) RenderConsoleFrame();
    IUI::Render();
    if (m_pPopup) RenderPopup();
}
