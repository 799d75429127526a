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
} // namespace

CMenuButton::CMenuButton()
{
    m_ClassID = MakeClassKey("CMenuButton", -1);
    m_nClickSound = SoundId("SND_I_OK");
}

void CMenuButton::SetUID(const CGuidKey& id)
{
    if (m_UID.id == CGuidKey::kNone) m_UID = id;
}

void CMenuButton::OnMouseLClick()
{
    PlaySound(m_nClickSound);
    CButton::OnMouseLClick();
}

bool CMenuButton::ChooseCell(const SMenuPicture& picture, int* x, int* y) const
{
    const int* cells = picture.x;
    int cell = -1;
    switch (picture.rule)
    {
    case EPictureRule::kSelectHover:
        cell = m_bSelected && cells[2] >= 0 ? 2 : (m_bHovered && cells[1] >= 0 ? 1 : 0);
        break;
    case EPictureRule::kTickHover:
        if (m_bChecked && m_bEnabled)
            cell = 2;
        else if (m_bHovered && m_bEnabled)
            cell = 1;
        else
            cell = m_bEnabled ? 0 : 3;
        break;
    case EPictureRule::kSingle:
        cell = m_bSelected && cells[2] >= 0 ? 2 : 0;
        break;
    }
    if (cell < 0 || cells[cell] < 0) return false;
    *x = cells[cell];
    *y = picture.y;
    return true;
}

plat::Rect CMenuButton::TabIconRect() const
{
    if (Width() <= kTabIconWidth) return m_Rect;
    const int left = m_Rect.left + (Width() - kTabIconWidth) / 2;
    const int top = m_Rect.top + (Height() - kTabIconHeight) / 2;
    return plat::Rect{left, top, left + kTabIconWidth, top + kTabIconHeight};
}

void CMenuButton::RenderTab()
{
    IGraphicInterface* g = m_pScreen->m_pGraphic;
    CGuidKey uii = TextureKey(kUII);
    m_UID = uii;
    const int l = m_Rect.left, t = m_Rect.top, r = m_Rect.right, b = m_Rect.bottom;
    if (m_bSelected)
    {
        // The frame, open at the bottom, that joins the console below.
        const plat::Rect corner{l, t, l + kTabCorner, t + kTabCorner};
        DrawSprite(g, uii, corner, kTabCornerX, 0);
        DrawSprite(g, uii, MirrorRectX(corner, m_Rect), kTabCornerX, 0);
        FillRect(g, {l + kTabCorner, t, r - kTabCorner, t + 1}, kWhite);
        FillRect(g, {l, t + kTabCorner, l + 1, b}, kWhite);
        FillRect(g, {r - 1, t + kTabCorner, r, b}, kWhite);
        FillRect(g, {l + 1, t + kTabCorner, r - 1, b}, kFrameFill);
        FillRect(g, {l + kTabCorner, t, r - kTabCorner, t + kTabCorner}, kFrameFill);
    }
    int row = kTabRowDisabled;
    if (m_bSelected)
        row = kTabRowSelected;
    else if (m_bHovered)
        row = kTabRowHovered;
    else if (m_bEnabled)
        row = kTabRowEnabled;
    DrawSprite(g, uii, TabIconRect(), kTabColumn * (m_nPicture - 1), row);
}

void CMenuButton::Render()
{
    XTRACE("CMenuButton::Render");
    if (!m_bVisible || !m_pScreen || !m_pScreen->m_pGraphic) return;
    IGraphicInterface* g = m_pScreen->m_pGraphic;
    g->SetFade(1.0f);
    if (m_nPicture >= 1 && m_nPicture <= kTabPictures)
        RenderTab();
    else if (const SMenuPicture* picture = FindMenuPicture(m_nPicture))
    {
        CGuidKey sheet = TextureKey(picture->ui1 ? kUI1 : kUII);
        m_UID = sheet;
        int x = 0, y = 0;
        if (ChooseCell(*picture, &x, &y))
        {
            // Only the tick rule has a disabled cell of its own.
            const bool dim = !m_bEnabled && picture->rule != EPictureRule::kTickHover;
            DrawSprite(g, sheet, m_Rect, x, y, kSpriteTechnique, dim ? kDisabledFade : 1.0f);
            g->SetFade(1.0f);
        }
    }
    RenderToolTip();
}
