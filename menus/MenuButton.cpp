#include "menus/MenuButton.h"

#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "menus/MenuDrawing.h"
#include "ui/UI.h"

using namespace menus;

namespace
{
// A disabled picture without a cell of its own draws at this opacity.
constexpr float kDisabledFade = 0.5f;

CMenuPicturePainter s_Painter;
} // namespace

void InstallMenuPicturePainter()
{
    SetPicturePainter(&s_Painter);
}

bool CMenuPicturePainter::ChooseCell(const CPictureButton& button, const SMenuPicture& picture, int* x,
                                     int* y)
{
    const int* cells = picture.x;
    int cell = -1;
    switch (picture.rule)
    {
    case EPictureRule::kSelectHover:
        cell = button.m_bSelected && cells[2] >= 0 ? 2 : (button.m_bHovered && cells[1] >= 0 ? 1 : 0);
        break;
    case EPictureRule::kTickHover:
        if (button.m_bChecked && button.m_bEnabled)
            cell = 2;
        else if (button.m_bHovered && button.m_bEnabled)
            cell = 1;
        else
            cell = button.m_bEnabled ? 0 : 3;
        break;
    case EPictureRule::kSingle:
        cell = button.m_bSelected && cells[2] >= 0 ? 2 : 0;
        break;
    }
    if (cell < 0 || cells[cell] < 0) return false;
    *x = cells[cell];
    *y = picture.y;
    return true;
}

plat::Rect CMenuPicturePainter::TabIconRect(const CPictureButton& button)
{
    const plat::Rect& r = button.m_Rect;
    if (button.Width() <= CMenuButton::kTabIconWidth) return r;
    const int left = r.left + (button.Width() - CMenuButton::kTabIconWidth) / 2;
    const int top = r.top + (button.Height() - CMenuButton::kTabIconHeight) / 2;
    return plat::Rect{left, top, left + CMenuButton::kTabIconWidth, top + CMenuButton::kTabIconHeight};
}

void CMenuPicturePainter::DrawTab(CPictureButton& button)
{
    using B = CMenuButton;
    IGraphicInterface* g = button.m_pScreen->m_pGraphic;
    CGuidKey uii = TextureKey(kUII);
    button.m_UID = uii;
    const int l = button.m_Rect.left, t = button.m_Rect.top, r = button.m_Rect.right,
              b = button.m_Rect.bottom;
    if (button.m_bSelected)
    {
        // The frame, open at the bottom, that joins the console below.
        const plat::Rect corner{l, t, l + B::kTabCorner, t + B::kTabCorner};
        DrawSprite(g, uii, corner, B::kTabCornerX, 0);
        DrawSprite(g, uii, MirrorRectX(corner, button.m_Rect), B::kTabCornerX, 0);
        FillRect(g, {l + B::kTabCorner, t, r - B::kTabCorner, t + 1}, kWhite);
        FillRect(g, {l, t + B::kTabCorner, l + 1, b}, kWhite);
        FillRect(g, {r - 1, t + B::kTabCorner, r, b}, kWhite);
        FillRect(g, {l + 1, t + B::kTabCorner, r - 1, b}, kFrameFill);
        FillRect(g, {l + B::kTabCorner, t, r - B::kTabCorner, t + B::kTabCorner}, kFrameFill);
    }
    int row = B::kTabRowDisabled;
    if (button.m_bSelected)
        row = B::kTabRowSelected;
    else if (button.m_bHovered)
        row = B::kTabRowHovered;
    else if (button.m_bEnabled)
        row = B::kTabRowEnabled;
    DrawSprite(g, uii, TabIconRect(button), B::kTabColumn * (button.m_nPicture - 1), row);
}

void CMenuPicturePainter::DrawPicture(CPictureButton& button)
{
    XTRACE("CMenuPicturePainter::DrawPicture");
    if (!button.m_pScreen || !button.m_pScreen->m_pGraphic) return;
    IGraphicInterface* g = button.m_pScreen->m_pGraphic;
    g->SetFade(1.0f);
    if (button.m_nPicture >= 1 && button.m_nPicture <= CMenuButton::kTabPictures)
        DrawTab(button);
    else if (const SMenuPicture* picture = FindMenuPicture(button.m_nPicture))
    {
        CGuidKey sheet = TextureKey(picture->ui1 ? kUI1 : kUII);
        button.m_UID = sheet;
        int x = 0, y = 0;
        if (ChooseCell(button, *picture, &x, &y))
        {
            // Only the tick rule has a disabled cell of its own.
            const bool dim = !button.m_bEnabled && picture->rule != EPictureRule::kTickHover;
            DrawSprite(g, sheet, button.m_Rect, x, y, kSpriteTechnique, dim ? kDisabledFade : 1.0f);
            g->SetFade(1.0f);
        }
    }
}

CMenuButton::CMenuButton()
{
    m_ClassID = MakeClassKey("CMenuButton", -1);
}

void CMenuButton::Render()
{
    XTRACE("CMenuButton::Render");
    if (!m_bVisible) return;
    s_Painter.DrawPicture(*this);
    RenderToolTip();
}
