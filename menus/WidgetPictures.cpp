#include "menus/WidgetPictures.h"

#include "graphics/GraphicInterface.h"
#include "ui/GroupControl.h"
#include "ui/UI.h"
#include "ui/markup/PictureButton.h"
#include "units/ModifManager.h"

namespace
{
CControl* FindIn(CGroupControl* group, const plat::Point& c, const CControl* dragged)
{
    CControl* found = nullptr;
    for (CGroupControl::SNode* node = group->m_pFirst; node; node = node->next)
    {
        CControl* child = node->control;
        if (!child->m_bVisible || child == dragged) continue;
        if (child->m_bState1 && PointInRect(child->m_Rect, c.x, c.y)) found = child;
        if (auto* inner = dynamic_cast<CGroupControl*>(child))
            if (CControl* deeper = FindIn(inner, c, dragged)) found = deeper;
    }
    return found;
}
} // namespace

namespace widgets
{
void DrawSelectionCorners(IGraphicInterface* graphic, const plat::Rect& rect, int inset, int technique)
{
    if (!graphic) return;
    const int l = rect.left + inset, t = rect.top + inset, r = rect.right - inset, b = rect.bottom - inset;
    const plat::Rect corners[4] = {
        plat::Rect{l, t, l + kCorner, t + kCorner},
        MirroredX(plat::Rect{r - kCorner, t, r, t + kCorner}),
        MirroredY(MirroredX(plat::Rect{r - kCorner, b - kCorner, r, b})),
        MirroredY(plat::Rect{l, b - kCorner, l + kCorner, b}),
    };
    for (const plat::Rect& corner : corners)
        DrawSheetPiece(graphic, kUII, corner, 217, 0, 217 + kSheetSize, kSheetSize, technique);
}

int StarX(int left, int width, int n, int k)
{
    return left + (width - kStarPitch * n) / 2 + kStarPitch * k;
}

int DrawModifierStars(IGraphicInterface* graphic, std::uint32_t modifier, const plat::Rect& rect, int y,
                      int technique)
{
    if (modifier == 0) return 0;
    std::uint32_t levels[3] = {};
    CModifManager::GetModifLevel(modifier, &levels[0], &levels[1], &levels[2]);
    int n = 0;
    for (std::uint32_t level : levels)
        if (level != 0) ++n;
    if (!graphic || n == 0) return n;
    graphic->SetFade(1.0f);
    const int width = rect.right - rect.left;
    int k = 0;
    for (int property = 0; property < 3; ++property)
    {
        const int level = int(levels[property]);
        if (level == 0) continue;
        const int x = StarX(rect.left, width, n, k++);
        const int sx = kStarWidth * level - 11, sy = kStarRows[property];
        DrawSheetPiece(graphic, kSheetStars, plat::Rect{x, y, x + kStarWidth, y + kStarHeight}, sx, sy,
                       sx + kStarsSheetSize, sy + kStarsSheetSize, technique);
    }
    return n;
}

CControl* FindDropTarget(IUI* screen, const CControl* dragged)
{
    if (!screen || !screen->m_pMainGroup) return nullptr;
    const plat::Point c{screen->m_nCursorX, screen->m_nCursorY};
    return FindIn(screen->m_pMainGroup, c, dragged);
}
} // namespace widgets
