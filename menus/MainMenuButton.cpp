#include "menus/MainMenuButton.h"

#include "graphics/GraphicInterface.h"
#include "menus/MenuDrawing.h"
#include "ui/UI.h"
#include "ui/markup/PictureButton.h"

namespace
{
// The looks of an item picture: a column per look in one row, or a row per
// look in one column.
struct SItemPicture
{
    int id;
    bool rows;       // the looks are rows (top varies) rather than columns
    int fixed;       // the shared top (columns) or left (rows)
    int looks[3];    // on, hovered, normal
};

constexpr SItemPicture kPictures[] = {
    {3941, false, 357, {362, 540, 184}}, {3942, false, 390, {362, 540, 184}},
    {3943, false, 456, {362, 540, 184}}, {3944, false, 423, {362, 540, 184}},
    {3945, false, 489, {362, 540, 184}}, {3946, false, 522, {362, 540, 184}},
    {3947, true, 671, {185, 218, 152}},  {3948, true, 184, {613, 646, 580}},
    {3950, true, 492, {186, 219, 153}},
};
} // namespace

CMainMenuButton::CMainMenuButton()
{
    m_ClassID = MakeClassKey("CMainMenuButton", -1);
    m_iKind = kPush;
}

bool CMainMenuButton::PictureSource(int* left, int* top) const
{
    for (const SItemPicture& p : kPictures)
    {
        if (p.id != m_iPicture) continue;
        const int look = (m_bOn || m_bChecked) ? 0 : m_bHovered ? 1 : 2;
        *left = p.rows ? p.fixed : p.looks[look];
        *top = p.rows ? p.looks[look] : p.fixed;
        return true;
    }
    return false;
}

void CMainMenuButton::Render()
{
    if (!m_bVisible) return;
    int left = 0, top = 0;
    if (m_iPicture == 0 || !PictureSource(&left, &top))
    {
        CButton::Render();
        return;
    }
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!graphic) return;
    graphic->SetFade(m_bEnabled ? 1.0f : kDisabledFade);
    DrawSheetPiece(graphic, GetUID().name, m_Rect, left, top, left + menus::kSheetSize, top + menus::kSheetSize,
                   menus::kSpriteTechnique);
    graphic->SetFade(1.0f);
}

void CMainMenuButton::OnMouseOver()
{
    // Once per arrival: the control calls this every frame it is hovered.
    if (!m_bHovered) menus::PlaySound("SND_I_MENU_TOGGLE");
    CButton::OnMouseOver();
}

void CMainMenuButton::OnMouseLClick()
{
    menus::PlaySound("SND_I_MENU_CLICK");
    CButton::OnMouseLClick();
}
