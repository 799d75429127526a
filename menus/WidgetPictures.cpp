#include "menus/WidgetPictures.h"

#include "graphics/GraphicInterface.h"
#include "ui/GroupControl.h"
#include "ui/UI.h"
#include "ui/markup/PictureButton.h"
#include "units/ModifManager.h"

#include <algorithm>

namespace
{
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

enum class EMark
{
    kNone,
    kUp,
    kDown,
    kLeft,
    kRight,
};

EMark MarkOf(int picture)
{
    switch (picture)
    {
    case 20:
    case 31:
    case 35:
        return EMark::kUp;
    case 21:
    case 32:
    case 36:
        return EMark::kDown;
    case 26:
    case 28:
        return EMark::kLeft;
    case 27:
    case 29:
        return EMark::kRight;
    default:
        return EMark::kNone;
    }
}

// A flat box per state and a triangle pointing the arrow's way; stands in
// for the sheets' pictures (see the header).
class CWidgetPicturePainter : public IPicturePainter
{
public:
    void DrawPicture(CPictureButton& button) override
    {
        IGraphicInterface* g = button.m_pScreen ? button.m_pScreen->m_pGraphic : nullptr;
        if (!g) return;
        const plat::Rect& r = button.m_Rect;
        std::uint32_t shade = 0x806890A8;
        if (!button.m_bEnabled)
            shade = 0x40A0A0A0;
        else if (button.m_bChecked || button.m_bSelected)
            shade = 0xFFE8F4FF;
        else if (button.m_bHovered)
            shade = 0xC0A0D0F0;
        Fill(g, r, shade);
        const std::uint32_t edge = button.m_bEnabled ? kWhite : 0x80FFFFFF;
        Fill(g, plat::Rect{r.left, r.top, r.right, r.top + 1}, edge);
        Fill(g, plat::Rect{r.left, r.bottom - 1, r.right, r.bottom}, edge);
        Fill(g, plat::Rect{r.left, r.top, r.left + 1, r.bottom}, edge);
        Fill(g, plat::Rect{r.right - 1, r.top, r.right, r.bottom}, edge);
        DrawMark(g, r, MarkOf(button.m_nPicture), button.m_bChecked ? 0xFF204060 : edge);
    }

private:
    static void Fill(IGraphicInterface* g, const plat::Rect& r, std::uint32_t colour)
    {
        const int rect[4] = {r.left, r.top, r.right, r.bottom};
        g->FillRect(rect, colour);
    }

    static void DrawMark(IGraphicInterface* g, const plat::Rect& r, EMark mark, std::uint32_t colour)
    {
        const int w = r.right - r.left, h = r.bottom - r.top;
        const int cx = r.left + w / 2, cy = r.top + h / 2;
        if (mark == EMark::kUp || mark == EMark::kDown)
        {
            const int rows = std::max(1, std::min(w / 2 - 2, h / 2 - 1));
            for (int i = 0; i < rows; ++i)
            {
                const int y = mark == EMark::kUp ? cy - rows / 2 + i : cy + rows / 2 - i;
                Fill(g, plat::Rect{cx - i, y, cx + i + 1, y + 1}, colour);
            }
        }
        else if (mark == EMark::kLeft || mark == EMark::kRight)
        {
            const int columns = std::max(1, std::min(h / 2 - 2, w / 2 - 1));
            for (int i = 0; i < columns; ++i)
            {
                const int x = mark == EMark::kLeft ? cx - columns / 2 + i : cx + columns / 2 - i;
                Fill(g, plat::Rect{x, cy - i, x + 1, cy + i + 1}, colour);
            }
        }
    }
};

CWidgetPicturePainter s_Painter;

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

void InstallWidgetPictures()
{
    SetPicturePainter(&s_Painter);
}

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
        DrawSheetPiece(graphic, kSheetUII, corner, 217, 0, 217 + kSheetSize, kSheetSize, technique);
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
