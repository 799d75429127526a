#include "menus/ControlList.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "graphics/ModelManager.h"
#include "script/TextDB.h"
#include "script/game/TextDatabase.h"
#include "sound/SoundManager.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "units/EquipmentManager.h"
#include "units/GunManager.h"
#include "units/ModifManager.h"
#include "units/UnitTypes.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
constexpr std::uint32_t kStripFill = 0x26FFFFFF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

void PlaySound(const char* name)
{
    if (g_pSoundManager) g_pSoundManager->Play2D(name, false);
}

bool NameMatches(const CControlListItem& item, const char* name)
{
    return SameName(item.m_szName, name) || SameName(item.m_ClassID.name, name);
}

// A text-database text with its number placeholders filled: "%d" (with
// flags or a width) and "%i" take the number, "%%" is a percent sign, and
// anything else stays as written. The text is never used as a format.
std::string FillNumber(const std::string& text, int number)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '%' || i + 1 >= text.size())
        {
            out += text[i];
            continue;
        }
        if (text[i + 1] == '%')
        {
            out += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < text.size() && std::strchr("-+ #0123456789", text[j]))
            ++j;
        if (j < text.size() && (text[j] == 'd' || text[j] == 'i'))
        {
            out += std::to_string(number);
            i = j;
        }
        else
            out += text[i];
    }
    return out;
}

std::uint32_t ModifierCategory(std::uint32_t type)
{
    switch (type)
    {
    case 1:
        return 0x00000001;
    case 2:
        return 0x000000F0;
    case 3:
        return 0x00000200;
    case 4:
        return 0x00000400;
    case 5:
        return 0x00000100;
    default:
        return 0;
    }
}

std::uint32_t EquipmentCategory(std::int32_t type)
{
    switch (type)
    {
    case 2:
    case 3:
        return 0x00000100;
    case 1:
        return 0x00000200;
    case 4:
        return 0x00000400;
    case 5:
        return 0x00000800;
    default:
        return 0x00000F00;
    }
}

std::uint32_t MissileCategory(std::int32_t kind)
{
    switch (kind)
    {
    case 9:
        return 0x00001000;
    case 2:
        return 0x00002000;
    case 4:
        return 0x00004000;
    default:
        return 0x0000F000;
    }
}

CGuidKey KeyOf(const char* name)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    return key;
}
} // namespace

CControlList::~CControlList()
{
    // The filter buttons are borrowed and may be gone: nothing is laid out.
    DeleteItems();
    DeleteFixedChildren();
}

void CControlList::DeleteFixedChildren()
{
    for (CControl* child : {static_cast<CControl*>(m_pLeftButton), static_cast<CControl*>(m_pRightButton),
                            static_cast<CControl*>(m_pScroll)})
    {
        CGroupControl::RemoveControl(child);
        delete child;
    }
    m_pLeftButton = m_pRightButton = nullptr;
    m_pScroll = nullptr;
}

template <class F> void CControlList::ForEachItem(F f) const
{
    int index = 0;
    for (SNode* node = m_pFirst; node;)
    {
        CControl* child = node->control;
        node = node->next;
        if (index++ < kFixedChildren) continue;
        if (auto* item = dynamic_cast<CControlListItem*>(child)) f(*item);
    }
}

CControlListItem* CControlList::GetItem(int index) const
{
    CControlListItem* found = nullptr;
    int i = 0;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (i++ == index) found = &item;
        });
    return found;
}

bool CControlList::Passes(const CControlListItem& item) const
{
    return m_dwFilter == 0 || (item.m_dwCategory & m_dwFilter) != 0;
}

void CControlList::Create(int left, int top, int right, int bottom, IUI* screen)
{
    XTRACE("CControlList::Create");
    RemoveAll();
    DeleteFixedChildren();
    CGroupControl::Create(screen);
    m_ClassID = MakeClassKey("CControlList", -1);
    m_nCellWidth = m_nCellHeight = (bottom - top) - 18;
    m_nFrameWidth = 1;
    m_nTextHeight = LineHeight();
    SetStyle(0, 0, 0xFF35699E, 0xFF194B7F, 0xFF5094C6, 0xFFFFFFFF);
    m_dwFillColour = 0xFFD3D3D3;
    m_nButtonWidth = kScrollButtonWidth;
    m_nItemCount = 0;
    m_bLockCounted = 0;
    m_pDragSource = nullptr;
    m_Rect = m_SavedRect = plat::Rect{left, top, right, bottom};
    m_CellArea = plat::Rect{left + 19, top + 1, right - 21, bottom};

    const int areaWidth = m_CellArea.right - m_CellArea.left;
    m_nVisibleCount = m_nCellWidth > 0 ? std::max(0, areaWidth / m_nCellWidth) : 0;
    // With one cell (or none) there is no space between cells to spread
    // the rest over.
    m_nCellGap = m_nVisibleCount > 1
                     ? (areaWidth - m_nVisibleCount * m_nCellWidth - 2) / (m_nVisibleCount - 1)
                     : 0;

    const int width = right - left;
    m_pLeftButton = new CMenuButton();
    m_pRightButton = new CMenuButton();
    m_pLeftButton->SetClickSound(CMenuButton::SoundId("SND_I_SCROLL"));
    m_pRightButton->SetClickSound(CMenuButton::SoundId("SND_I_SCROLL"));
    m_pLeftButton->Create(0, 0, 16, 91, "", CButton::kPush, kScrollLeftCommand);
    m_pRightButton->Create(width - 16, 0, width, 91, "", CButton::kPush, kScrollRightCommand);
    m_pLeftButton->SetToolTip("");
    m_pRightButton->SetToolTip("");
    m_pLeftButton->m_nPicture = 26;
    m_pRightButton->m_nPicture = 27;
    CGroupControl::AddControl(m_pLeftButton);
    CGroupControl::AddControl(m_pRightButton);

    m_pScroll = new CScrollControl();
    m_pScroll->Init(m_CellArea.left, m_CellArea.top, m_CellArea.right, m_CellArea.bottom, CScrollControl::kStrip,
                    screen);
    CGroupControl::AddControl(m_pScroll);
    m_nFirstVisible = 0;
    m_LeftRect = m_pLeftButton->m_Rect;
    m_RightRect = m_pRightButton->m_Rect;
}

void CControlList::Move(int dx, int dy)
{
    CGroupControl::Move(dx, dy);
    for (plat::Rect* r : {&m_CellArea, &m_LeftRect, &m_RightRect})
        *r = plat::Rect{r->left + dx, r->top + dy, r->right + dx, r->bottom + dy};
}

void CControlList::Show()
{
    CControl::Show();
    int index = 0;
    bool shown = true;
    for (SNode* node = m_pFirst; node; node = node->next)
    {
        CControl* child = node->control;
        if (index++ < kFixedChildren)
        {
            child->Show();
            continue;
        }
        // The items up to the first disabled one.
        if (!child->m_bEnabled) shown = false;
        if (shown) child->Show();
    }
    RecalcArray();
}

void CControlList::SetScrollRange(int range)
{
    if (m_pScroll) m_pScroll->SetMax(std::max(range, 0));
}

void CControlList::PrepareItem(CControlListItem* item)
{
    item->m_Rect = plat::Rect{0, 0, m_nCellWidth, item->m_Rect.bottom - item->m_Rect.top};
    item->m_SavedRect = item->m_Rect;
}

void CControlList::AddControl(CControl* control)
{
    auto* item = dynamic_cast<CControlListItem*>(control);
    if (!item)
    {
        CGroupControl::AddControl(control);
        return;
    }
    PrepareItem(item);
    item->m_bDraggable = 1;
    CGroupControl::AddControl(item);
    ++m_nItemCount;
    item->m_bVisible = 0;
    item->m_bEnabled = 0;
    item->SetUID(m_UID);
    item->m_bSelected = 0;
    RecalcArray();
    SetScrollRange(m_nItemCount - m_nVisibleCount);
    if (m_dwFilter) SetFilter(m_dwFilter, true);
}

void CControlList::InsertControl(CControl* before, CControlListItem* item)
{
    SNode* at = FindNode(before);
    if (!at || !item) return;
    PrepareItem(item);
    item->Move(m_Rect.left, m_Rect.top);
    item->m_pScreen = m_pScreen;
    item->SetParent(this);
    SNode* node = new SNode{item, at, at->prev};
    if (at->prev)
        at->prev->next = node;
    else
        m_pFirst = node;
    at->prev = node;
    ++m_nItemCount;
    item->m_bVisible = 0;
    item->m_bEnabled = 0;
    item->SetUID(m_UID);
    RecalcArray();
    SetScrollRange(m_nItemCount - m_nVisibleCount);
}

void CControlList::RemoveControl(CControl* control)
{
    if (!control || !FindNode(control)) return;
    CGroupControl::RemoveControl(control);
    if (m_pDragSource == control) m_pDragSource = nullptr;
    if (m_pScreen) m_pScreen->m_pHovered = nullptr;
    if (dynamic_cast<CControlListItem*>(control)) --m_nItemCount;
    RecalcArray();
}

void CControlList::DetachControl(CControlListItem* item)
{
    if (!item || !FindNode(item)) return;
    CGroupControl::RemoveControl(item);
    if (m_pDragSource == item) m_pDragSource = nullptr;
    item->m_bVisible = 0;
    item->m_bEnabled = 0;
    item->m_bHovered = 0;
    --m_nItemCount;
    if (m_pScreen)
    {
        m_pScreen->m_pHovered = nullptr;
        if (m_pScreen->m_pMainGroup) m_pScreen->m_pMainGroup->AddControlAt(item);
    }
}

void CControlList::RemoveAll()
{
    DeleteItems();
    if (m_pScroll) RecalcArray();
}

void CControlList::DeleteItems()
{
    std::vector<CControlListItem*> items;
    ForEachItem([&](CControlListItem& item) { items.push_back(&item); });
    for (CControlListItem* item : items)
    {
        CGroupControl::RemoveControl(item);
        if (m_pScreen)
        {
            if (m_pScreen->m_pHovered == item) m_pScreen->m_pHovered = nullptr;
            if (m_pScreen->m_pDragged == item) m_pScreen->m_pDragged = nullptr;
        }
        delete item;
    }
    m_pDragSource = nullptr;
    m_nItemCount = 0;
}

void CControlList::ClearFilterButtons()
{
    for (int i = 0; i < m_nFilterButtons; ++i)
        m_FilterButtons[i]->Clear();
    m_dwFilter = 0;
    ForEachItem([](CControlListItem& item) { item.m_dwCategory = 1; });
    std::fill(std::begin(m_FilterButtons), std::end(m_FilterButtons), nullptr);
    m_nFilterButtons = 0;
}

int CControlList::GetCount()
{
    return m_dwFilter ? m_nFilteredCount : m_nItemCount;
}

void CControlList::SelectIndex(int index)
{
    int passing = 0;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (Passes(item)) ++passing;
        });
    if (passing == 0) return;
    const int k = std::min(passing - 1, index);
    int i = 0;
    ForEachItem(
        [&](CControlListItem& item)
        {
            const bool chosen = Passes(item) && i++ == k;
            item.m_bSelected = chosen ? 1 : 0;
        });
}

int CControlList::GetSelectedIndex()
{
    int i = 0, found = -1;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (found >= 0 || !Passes(item)) return;
            if (item.m_bSelected) found = i;
            ++i;
        });
    return found;
}

CControlListItem* CControlList::GetSelected()
{
    CControlListItem* found = nullptr;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (!found && Passes(item) && item.m_bSelected) found = &item;
        });
    return found;
}

bool CControlList::AddFilterButton(CMenuButton* button)
{
    if (!button) return false;
    if (m_nFilterButtons >= kMaxFilterButtons)
    {
        g_ErrorLog.LogError("CControlList::AddFilterButton: more than %d filter buttons", kMaxFilterButtons);
        return false;
    }
    m_FilterButtons[m_nFilterButtons++] = button;
    button->SetClickSound(-1);
    m_bFilterChanged = 0;
    return true;
}

bool CControlList::TakeFilterChanged()
{
    const bool changed = m_bFilterChanged != 0;
    m_bFilterChanged = 0;
    return changed;
}

void CControlList::EnableControls(bool scrollButtons)
{
    if (m_pLeftButton) m_pLeftButton->m_bEnabled = scrollButtons;
    if (m_pRightButton) m_pRightButton->m_bEnabled = scrollButtons;
    for (int i = 0; i < m_nFilterButtons; ++i)
        m_FilterButtons[i]->m_bEnabled = 1;
    m_bEnabled = 1;
}

bool CControlList::IsScrollEnabled()
{
    return m_pLeftButton && m_pLeftButton->m_bEnabled == 1;
}

void CControlList::RecalcArray()
{
    if (!m_pScroll) return;
    const int total = GetCount();
    m_CellArea = plat::Rect{m_Rect.left + m_nButtonWidth + 3, m_Rect.top + 1, m_Rect.right - m_nButtonWidth - 3,
                            m_Rect.bottom - 1};
    if (m_nFirstVisible + m_nVisibleCount > total) m_nFirstVisible = total - m_nVisibleCount;
    if (m_nFirstVisible < 0) m_nFirstVisible = 0;

    int passed = 0, shown = 0;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (!Passes(item))
            {
                item.m_bVisible = item.m_bEnabled = 0;
                return;
            }
            if (passed < m_nFirstVisible || shown == m_nVisibleCount)
            {
                item.m_bVisible = item.m_bEnabled = 0;
                ++passed;
                return;
            }
            const int left = m_CellArea.left + 2 + shown * (m_nCellWidth + m_nCellGap);
            const int top = m_Rect.top + 1;
            item.m_Rect = item.m_SavedRect = plat::Rect{left, top, left + m_nCellWidth, top + m_nCellHeight};
            item.m_bVisible = item.m_bEnabled = 1;
            item.m_bLocked = m_bLockCounted && item.m_nCount >= 0 ? 1 : 0;
            ++passed;
            ++shown;
        });

    if (shown < total)
    {
        m_pScroll->Enable(1);
        m_pScroll->SetThumbSize(int(std::int64_t(m_CellArea.right - m_CellArea.left) * shown / total));
    }
    else
        m_pScroll->Enable(0);
    if (m_pLeftButton) m_LeftRect = m_pLeftButton->m_Rect;
    if (m_pRightButton) m_RightRect = m_pRightButton->m_Rect;
    if (total == 0)
    {
        EnableControls(false);
        m_pScroll->ProcessMessages();
    }
    else
        EnableControls(true);
    m_pScroll->SetPos(m_nFirstVisible);
    if (m_pLeftButton) m_pLeftButton->m_bEnabled = m_pScroll->m_bEnabled;
    if (m_pRightButton) m_pRightButton->m_bEnabled = m_pScroll->m_bEnabled;
    SetUID(KeyOf("TEX_INT_UII"));
}

void CControlList::SetFilter(std::uint32_t mask, bool force)
{
    if (mask == m_dwFilter && !force) return;
    m_dwFilter = mask;
    int count = 0;
    bool selectionKept = false;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (!(item.m_dwCategory & mask)) return;
            if (item.m_bSelected)
            {
                if (selectionKept) item.m_bSelected = 0;
                selectionKept = true;
            }
            ++count;
        });
    m_nFilteredCount = count;
    if (m_nFilteredCount > m_nVisibleCount) SetScrollRange(m_nFilteredCount - m_nVisibleCount);
    for (int i = 0; i < m_nFilterButtons; ++i)
        m_FilterButtons[i]->m_bSelected = std::uint32_t(m_FilterButtons[i]->m_nValue) == m_dwFilter ? 1 : 0;
    RecalcArray();
    if (m_pScroll) m_pScroll->UpdateThumb();
    m_bFilterChanged = 1;
}

int CControlList::FindItemIndexAt(int x, int y)
{
    int i = 0, found = -1;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (found >= 0 || !item.m_bVisible) return;
            const plat::Rect& r = item.m_Rect;
            if (x >= std::min(r.left, r.right) && x <= std::max(r.left, r.right) && y >= std::min(r.top, r.bottom) &&
                y <= std::max(r.top, r.bottom))
                found = i;
            ++i;
        });
    return found;
}

CControlListItem* CControlList::FindItemAt(int x, int y)
{
    const int index = FindItemIndexAt(x, y);
    if (index < 0) return nullptr;
    int i = 0;
    CControlListItem* found = nullptr;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (item.m_bVisible && i++ == index) found = &item;
        });
    return found;
}

void CControlList::SelectByName(const char* name, bool select, std::uint32_t id)
{
    if (!name) return;
    CControlListItem* match = nullptr;
    for (SNode* node = m_pFirst; node && !match; node = node->next)
    {
        CControl* child = node->control;
        auto* item = dynamic_cast<CControlListItem*>(child);
        if (item ? NameMatches(*item, name) : SameName(child->m_ClassID.name, name))
        {
            // A fixed child of that name is no item to show.
            if (!item) return;
            match = item;
        }
    }
    if (!match || match->m_dwCategory == 0xFFFFFFFF) return;
    if (m_dwFilter) SetFilter(match->m_dwCategory, false);
    int position = 0, found = -1;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (found >= 0 || !Passes(item)) return;
            if (NameMatches(item, name) && item.m_dwModifier == id) found = position;
            ++position;
        });
    if (found < 0) return;
    m_nFirstVisible = found;
    RecalcArray();
    if (select)
    {
        SelectIndex(found);
        RecalcArray();
    }
}

void CControlList::SelectAtCursor()
{
    if (!m_pScreen) return;
    const plat::Point c = CursorPos();
    CControlListItem* hit = nullptr;
    ForEachItem(
        [&](CControlListItem& item)
        {
            if (item.m_bVisible && PointInRect(item.m_Rect, c.x, c.y)) hit = &item;
        });
    if (!hit) return;
    m_pScreen->m_pHovered = hit;
    CControlListItem* old = GetSelected();
    if (hit == old) return;
    if (!hit->m_bLocked) hit->m_bSelected = 1;
    if (old) old->m_bSelected = 0;
    PlaySound("SND_I_SELECT");
}

void CControlList::ScrollRight()
{
    ++m_nFirstVisible;
    RecalcArray();
}

void CControlList::ScrollLeft()
{
    --m_nFirstVisible;
    RecalcArray();
}

void CControlList::OnBeginDrag()
{
    m_bDragging = 1;
    m_pDragSource = m_pScreen ? m_pScreen->m_pHovered : nullptr;
}

void CControlList::OnDrop()
{
    m_bDragging = 0;
    m_pDragSource = nullptr;
}

void CControlList::OnMouseOver()
{
    const float frame = m_pScreen ? m_pScreen->GetClock()->GetFrameTime() : 0.0f;
    m_fHoverTime = m_bHovered ? m_fHoverTime + frame : 0.0f;
    m_bHovered = 1;
}

void CControlList::OnMouseOut()
{
    m_bHovered = 0;
    m_fHoverTime = 0.0f;
    m_fRestTime = 0.0f;
}

void CControlList::ProcessMessages()
{
    XTRACE("CControlList::ProcessMessages");
    if (!m_pScroll) return;
    const plat::Point c = CursorPos();
    if (Released(uicode::kLeftButton) && m_pDragSource) OnDrop();
    CGroupControl::ProcessMessages();
    if (m_nItemCount == 0)
    {
        EnableControls(false);
        m_pScroll->ProcessMessages();
    }
    else
        EnableControls(true);
    if (Pressed(uicode::kLeftButton) && m_bVisible)
    {
        if (PointInRect(m_Rect, c.x, c.y)) SelectAtCursor();
        if (PointInRect(m_LeftRect, c.x, c.y)) ScrollLeft();
        if (PointInRect(m_RightRect, c.x, c.y)) ScrollRight();
        for (int i = 0; i < m_nFilterButtons; ++i)
        {
            CMenuButton* button = m_FilterButtons[i];
            if (!button->m_bVisible || !PointInRect(button->m_Rect, c.x, c.y)) continue;
            const std::uint32_t mask = std::uint32_t(button->m_nValue);
            if (mask != m_dwFilter) PlaySound("SND_I_FOLDER_MIN");
            SetFilter(mask, false);
        }
    }
    if (m_pLeftButton) m_pLeftButton->m_bEnabled = m_pScroll->m_bEnabled;
    if (m_pRightButton) m_pRightButton->m_bEnabled = m_pScroll->m_bEnabled;
}

void CControlList::FillBackground()
{
    Fill(m_Rect, m_Colours[2]);
    const int f = m_nFrameWidth;
    Fill(plat::Rect{m_Rect.left + f, m_Rect.top + f, m_Rect.right - f, m_Rect.bottom - f}, m_dwFillColour);
}

void CControlList::RenderBackground()
{
    const plat::Rect& a = m_CellArea;
    Fill(plat::Rect{m_Rect.left, a.top - 1, m_Rect.left + kStripWidth, a.bottom + 1}, kStripFill);
    Fill(plat::Rect{a.right, a.top - 1, a.right + kStripWidth, a.bottom + 1}, kStripFill);
    const int w = m_bState1 || m_bState2 ? 2 : 1;
    const std::uint32_t colour = m_bState1 ? kDropHighlight : kWhite;
    const int top = m_Rect.top;
    const int bottom = m_pScroll ? m_pScroll->m_Rect.top : a.bottom;
    Fill(plat::Rect{a.left, top, a.right, top + w}, colour);
    Fill(plat::Rect{a.left, bottom - w, a.right, bottom}, colour);
    Fill(plat::Rect{a.left, top, a.left + w, bottom}, colour);
    Fill(plat::Rect{a.right - w, top, a.right, bottom}, colour);
}

void CControlList::Render()
{
    if (!m_bVisible || !m_pScroll) return;
    m_nFirstVisible = m_pScroll->GetPos();
    if (m_pScroll->TakePosChanged()) RecalcArray();
    CGroupControl::Render();
    RenderBackground();
    RenderToolTip();
}

CControlListItem* CControlList::MakeItem(const char* name, std::uint32_t kind, std::uint32_t value)
{
    auto* item = new CControlListItem();
    item->Create(plat::Rect{m_Rect.left, m_Rect.top, m_Rect.left + m_nCellWidth - 1, m_Rect.top + m_nCellWidth - 1},
                 "", CButton::kPush, kind);
    ITextDB* db = m_pTextDB ? m_pTextDB : g_pTextDB;
    CXAnsiString text, title;
    if (db) db->Lookup(STextKey(name), text, title);
    item->m_ClassID = KeyOf(name);

    if (kind == CControlListItem::kMechanoid)
    {
        item->SetName(name);
        const CMech* mech = g_pWorld ? g_pWorld->FindMech(name) : nullptr;
        if (mech)
        {
            CXAnsiString org, caption;
            if (db) db->GetText(STextKey(mech->m_szOrg), org);
            if (db) db->GetText(STextKey("INT_CLUSTER_CAPTION1"), caption);
            item->SetToolTip(mech->m_szName);
            item->m_ToolTip[1] = org.GetText();
            item->m_ToolTip[2] = FillNumber(caption.GetText(), mech->m_nLevel).c_str();
            item->m_nToolTipLines = 3;
            std::int32_t model = -1;
            std::uint32_t colour = 0xFFFFFF;
            mech->GetMechmindModel(&model, &colour);
            item->m_nModelIndex = model;
            item->m_dwModelColour = colour;
        }
        else
        {
            item->m_dwModelColour = 0xFFFFFF;
            item->m_nModelIndex = g_pModelManager ? g_pModelManager->FindName("MOD_TOV_MECHMIND") : -1;
        }
        item->m_fAngle = float(g_Random.Next() % 360);
    }
    else if (kind == CControlListItem::kEquipment)
    {
        std::int32_t model = -1;
        std::int32_t index;
        if ((index = g_ModifManager.FindName(name)) >= 0)
        {
            const SModifParameters* modif = g_ModifManager.GetModif(index);
            item->m_dwCategory = ModifierCategory(IModifierTable::GetModifType(modif ? modif->m_dwUnicumId : 0));
            model = modif ? FieldId(modif->m_Model) : -1;
            item->SetName(name);
        }
        else if ((index = g_GliderManager.FindName(name)) >= 0)
        {
            const SGliderParameters* glider = g_GliderManager.GetGlider(index);
            item->m_dwCategory = 0x00000001;
            model = glider ? glider->GetModelId() : -1;
            item->SetName(g_GliderManager.GetName(index));
        }
        else if ((index = g_GunManager.FindName(name)) >= 0)
        {
            const SGunParameters* gun = g_GunManager.GetGun(index);
            item->m_dwCategory = 0x000000F0;
            model = gun ? gun->GetModelId() : -1;
            item->SetName(g_GunManager.GetName(index));
        }
        else if ((index = g_EquipmentManager.FindName(name)) >= 0)
        {
            const SEquipmentParameters* equipment = g_EquipmentManager.GetEquipment(index);
            item->m_dwCategory = EquipmentCategory(equipment ? equipment->m_nType : 0);
            model = equipment ? FieldId(equipment->m_Model) : -1;
            item->SetName(g_EquipmentManager.GetName(index));
        }
        else if ((index = g_MissileManager.FindName(name)) >= 0)
        {
            const SMissileParameters* missile = g_MissileManager.Param(index);
            item->m_dwCategory = MissileCategory(missile ? missile->m_nKind : 0);
            model = missile ? missile->GetModelId() : -1;
            item->SetName(g_MissileManager.GetName(index));
        }
        item->m_dwModifier = value;
        if (index >= 0)
        {
            const char* modelName = g_pModelManager ? g_pModelManager->GetName(model) : nullptr;
            item->m_ClassID = KeyOf(modelName && *modelName ? modelName : "_DEFAULT_");
        }
        item->SetToolTip(text.GetText());
    }
    else
    {
        item->SetToolTip(text.GetText());
        if (kind == CControlListItem::kGoods)
        {
            item->m_dwModelColour = 0xFFFFFF;
            // SetToolTip named the goods' model; a key the goods table does
            // not know leaves the name empty.
            item->m_dwCategory = CControlListItem::kGoods;
            item->m_nKind = int(CControlListItem::kGoods);
        }
    }
    return item;
}

CControlListItem* CControlList::AddControl(const char* name, std::uint32_t kind, std::uint32_t value)
{
    XTRACE("CControlList::AddControl");
    if (!name) name = "";
    CControlListItem* item = MakeItem(name, kind, value);
    CControlListItem* existing = nullptr;
    ForEachItem(
        [&](CControlListItem& other)
        {
            if (!existing && other.m_ClassID == item->m_ClassID && SameName(other.m_szName, item->m_szName) &&
                other.m_dwModifier == item->m_dwModifier)
                existing = &other;
        });
    if (existing)
    {
        delete item;
        return existing;
    }
    AddControl(static_cast<CControl*>(item));
    return item;
}
