#include "menus/ControlListItem.h"

#include "foundation/Name32.h"
#include "graphics/GraphicInterface.h"
#include "graphics/ModelManager.h"
#include "menus/UIRenderObject.h"
#include "menus/WidgetPictures.h"
#include "ui/GroupControl.h"
#include "ui/UI.h"
#include "ui/markup/CommandArgument.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/World.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kFreeColour = 0xFFFFFFFE;
constexpr std::uint32_t kOwnColour = 0xFF00FF00;
constexpr std::uint32_t kOtherColour = 0xFFFF0000;

plat::Rect Inset(const plat::Rect& r, int by)
{
    return plat::Rect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}
} // namespace

CControlListItem::CControlListItem()
{
    m_fAngle = RestAngle();
}

float CControlListItem::RestAngle()
{
    return float(std::cos(45.0));
}

void CControlListItem::SetName(const char* name)
{
    CopyName(m_szName, name);
}

void CControlListItem::Create(const plat::Rect& rect, const char* caption, int buttonKind, std::uint32_t kind)
{
    CButton::Create(rect.left, rect.top, rect.right, rect.bottom, caption, buttonKind, int(kind & 0xFFFF));
    m_dwCategory = kind & 0xFFFF;
    m_dwColour = kNoColour;
    SetName("");
    m_fAngle = RestAngle();
    m_nMovingCount = 0;
    m_bSelected = 0;
    m_nKind = -1;
    m_fInset = kRestInset;
    m_fSpin = 0.0f;
    m_nCount = 0;
    m_pDragGuard = nullptr;
}

void CControlListItem::SetToolTip(const char* text)
{
    CButton::SetToolTip(text);
    if (!std::strstr(m_ClassID.name, "TOV_")) return;
    // The goods' model names the picture the cell draws.
    const SGoodsParameters* goods = g_GoodsManager.FindGoods(m_ClassID.name);
    if (goods && goods->m_nModel >= 0 && g_pModelManager) SetName(g_pModelManager->GetName(goods->m_nModel));
}

void CControlListItem::OnBeginDrag()
{
    if (m_bLocked) return;
    CControl::OnBeginDrag();
    if (!m_bDragging) return;
    if (m_pDragGuard && !(m_pDragGuard->m_bVisible && m_pDragGuard->m_bEnabled))
    {
        m_bDragging = 0;
        if (m_pScreen) m_pScreen->m_pDragged = nullptr;
        return;
    }
    if (m_pParent) m_pParent->OnBeginDrag();
}

void CControlListItem::OnDrop()
{
    if (m_bLocked) return;
    CControl::OnDrop();
    m_nMovingCount = 0;
    if (m_pParent) m_pParent->OnDrop();
    if (!m_pScreen) return;
    // One drop, one target: the topmost that takes drops.
    if (CControl* target = widgets::FindDropTarget(m_pScreen, this))
    {
        CCommandArgument scope(target);
        m_pScreen->OnCommand(kDropped, 0);
    }
    else
        m_pScreen->m_pHovered = this;
}

void CControlListItem::UpdateMechanoidColour()
{
    if (!g_pWorld) return;
    const CMech* mech = g_pWorld->FindMech(m_szName);
    if (!mech) return;
    const CMech* player = g_pWorld->GetPlayerMech();
    if (std::strcmp(mech->m_szOrg, "ORG_FREE") == 0)
        m_dwColour = kFreeColour;
    else if (player && std::strcmp(mech->m_szOrg, player->m_szOrg) == 0)
        m_dwColour = kOwnColour;
    else
        m_dwColour = kOtherColour;
}

void CControlListItem::Animate(float dt)
{
    if (m_bLocked) m_bSelected = 0;
    while (m_fAngle < -kAngleWrap)
        m_fAngle += kAngleWrap;
    while (m_fAngle > kAngleWrap)
        m_fAngle -= kAngleWrap;
    if (m_bSelected) m_fSpin = std::min(m_fSpin + 0.8f * dt, 1.0f);
    if (m_bHovered)
    {
        const float spin = m_fSpin + 0.8f * dt;
        m_fSpin = !m_bSelected && spin > 0.5f ? spin - 1.6f * dt : spin;
    }
    if (!m_bHovered && !m_bSelected)
    {
        if (IsMechanoid())
            m_fSpin = std::max(m_fSpin - 0.2f * dt, 0.0f);
        else
        {
            // Back to the rest angle, always turning the negative way: an
            // angle below the rest angle (after a wrap) goes on down to the
            // rest angle one wrap lower, where it stops, instead of turning
            // away from it for ever.
            float d = m_fAngle - RestAngle();
            if (d < -kRestTolerance) d += kAngleWrap;
            m_fSpin = d > kRestTolerance && d <= kAngleWrap ? -d : 0.0f;
        }
    }
    // The dead zone stops a resting turn; a hovered or selected cell's turn
    // grows through it, which at more than 80 frames a second (0.8 dt
    // below 0.01) it could not otherwise do.
    if (!m_bHovered && !m_bSelected && m_fSpin > -0.01f && m_fSpin < 0.01f) m_fSpin = 0.0f;
    const float target = m_bDragging ? kDragInset : kRestInset;
    m_fInset += (target - m_fInset) * dt * 3.0f;
    m_fAngle += dt * m_fSpin;
}

int CControlListItem::DrawnInset() const
{
    return int(std::lround(m_fInset));
}

bool CControlListItem::CellText(char* out, std::size_t size) const
{
    out[0] = 0;
    if (m_bDragging)
    {
        if (m_nMovingCount >= m_nCount) return false;
        std::snprintf(out, size, "%d", m_nCount - m_nMovingCount);
        return true;
    }
    if (m_nCount > 0)
        std::snprintf(out, size, "%d", m_nCount);
    else if (!(m_dwCategory & kTypeModelCategories))
        std::snprintf(out, size, "-");
    return true;
}

void CControlListItem::DrawModel(const char* modelName, const plat::Rect& rect, int inset) const
{
    // An empty name names no model (its zero bytes would read as index 0).
    if (!*modelName) return;
    UIRenderObject(SUIModelName(modelName), m_fAngle, Inset(rect, inset), false);
}

void CControlListItem::DrawCellText(const char* text, const plat::Rect& rect) const
{
    if (!*text) return;
    const int x = rect.left + ((rect.right - rect.left) - MeasureText(text)) / 2;
    const int y = rect.bottom - (LineHeight() - 2);
    DrawText(text, x + 1, y + 1, kBlack);
    DrawText(text, x, y, m_dwColour);
}

void CControlListItem::Render()
{
    if (!m_bVisible) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    // One step per frame, however often the cell is drawn in it.
    const double now = m_pScreen ? m_pScreen->GetClock()->GetElapsedTicks() : 0.0;
    if (now != m_dLastStep)
    {
        m_dLastStep = now;
        Animate(m_pScreen ? m_pScreen->GetClock()->GetFrameTime() : 0.0f);
    }
    if (IsMechanoid()) UpdateMechanoidColour();

    const plat::Rect& home = m_SavedRect;
    std::uint32_t background = (m_dwColour & 0xFFFFFF) + 0x30000000;
    if (m_dwColour == kNoColour) background = 0x40000000;
    if (m_bLocked) background = 0x40FF0000;
    Fill(home, background);

    if (m_bSelected && (!m_bDragging || (!IsMechanoid() && m_nMovingCount < m_nCount)))
        widgets::DrawSelectionCorners(g, home, 1, widgets::kBlendTechnique);

    if (g)
    {
        if (IsMechanoid() && m_dwModelColour != 0xFFFFFF)
            g->SetBlendColor(0xFF000000 | m_dwModelColour);
        else
            g->SetFade(1.0f);
    }
    const int inset = DrawnInset();
    if (IsMechanoid())
    {
        UIRenderObject(SUIModelName::FromIndex(m_nModelIndex), m_fAngle, Inset(m_Rect, inset), false);
    }
    else
    {
        if (m_dwCategory & kTypeModelCategories)
        {
            if (m_bDragging) DrawModel(m_ClassID.name, home, 4);
            DrawModel(m_ClassID.name, m_Rect, inset);
        }
        char text[16];
        if (CellText(text, sizeof text))
        {
            DrawModel(m_szName, home, 4);
            DrawCellText(text, home);
        }
        if (m_bDragging && m_nMovingCount != 0)
        {
            DrawModel(m_szName, m_Rect, inset);
            if (m_nMovingCount != 1)
            {
                std::snprintf(text, sizeof text, "%d", m_nMovingCount);
                DrawCellText(text, m_Rect);
            }
        }
    }
    if (m_bLocked) Fill(home, kLockedVeil);
    widgets::DrawModifierStars(g, m_dwModifier, home, home.top + 5, widgets::kSpriteTechnique);
    RenderToolTip();
}
