// The garage's commands, drops, per-frame input, activation, slot
// selection, repair and ammunition.
#include "consoles/GCGarage.h"

#include "consoles/ConsoleServices.h"
#include "world/GameWorldState.h"
#include "foundation/Input.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "menus/MenuButton.h"
#include "ui/UI.h"
#include "ui/markup/CommandArgument.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "world/World.h"

#include <cstring>

namespace
{
constexpr int kLeftClick = 257;
constexpr int kShiftKeys[2] = {42, 54};
constexpr int kAltKeys[2] = {56, 184};
} // namespace

int CGCGarage::GetSelectedSlot()
{
    for (int i = m_nSlots - 1; i >= 0; --i)
        if (m_apSlots[i]->m_bSelected || m_apSlots[i]->m_bDragging)
        {
            m_iSlot = i;
            return i;
        }
    return -1;
}

void CGCGarage::SelectSlot(int index)
{
    GetSelectedSlot();
    for (int i = 0; i < m_nSlots; ++i)
        m_apSlots[i]->m_bSelected = 0;
    if (index < 0 || index >= m_nSlots)
    {
        if (index == -1) m_iSlot = -1;
        return;
    }
    m_pGoodsList->SelectIndex(-1);
    m_pGliderList->SelectIndex(-1);
    m_apSlots[index]->m_bSelected = 1;
    GetSelectedSlot();
}

std::string CGCGarage::GetSelectedSlotName()
{
    for (int i = 0; i < m_nSlots; ++i)
        if (m_apSlots[i]->m_bSelected)
        {
            CopyName(m_szGood, m_SlotGoods[i]);
            m_dwModif = m_apSlots[i]->m_dwModifier;
            return m_apSlots[i]->HasModelName() ? std::string(m_apSlots[i]->m_szModel, strnlen(m_apSlots[i]->m_szModel, 32))
                                                : std::string();
        }
    return {};
}

bool CGCGarage::IsGliderReady()
{
    const CMechanoid* m = PlayerMechanoid();
    return m && m->m_GliderData.HasRecord() && (m->m_Engine.HasRecord() || m->m_Engine2.HasRecord()) &&
           (m->m_Reactor.HasRecord() || m->m_Reactor2.HasRecord());
}

void CGCGarage::OnCommand(int code, int param)
{
    XTRACE("CGCGarage::OnCommand");
    CMechanoid* player = PlayerMechanoid();
    switch (code)
    {
    case kDropped:
    {
        CControl* target = CommandArgument();
        const bool modifying = m_pModifButton->m_bVisible && m_pModifButton->m_bEnabled;
        int slot = -1;
        for (int i = 0; i < m_nSlots; ++i)
            if (target == m_apSlots[i]) slot = i;
        if (slot >= 0)
        {
            // One drop, one modification: the goods list's selection wins,
            // and the glider list's is used only without one.
            if (modifying)
                Send(kModify);
            else
                Send(kBuy);
        }
        else if (target == m_pGoodsList)
        {
            m_bChanged = true;
            Send(kRemove);
        }
        else if (target == m_pGliderList)
        {
            if (modifying)
                Send(kModify);
            else
            {
                m_bChanged = true;
                Send(kBuy);
            }
        }
        break;
    }
    case kPrevPage:
        m_iConfigPage = m_iConfigPage <= 0 ? m_nConfigPages : m_iConfigPage - 1;
        break;
    case kNextPage:
        m_iConfigPage = m_iConfigPage >= m_nConfigPages ? 0 : m_iConfigPage + 1;
        break;
    case kApplyConfig:
        if (m_iConfigPage == 0)
            SetGliderConfig(true);
        else
            SetClanConfig();
        break;
    case kBuy:
        if (!m_bGliderMenu)
            InstallEqp();
        else
        {
            ConvictMech(m_szGood);
            ShowGood();
        }
        if (player) player->UpdateEquipment();
        if (g_pPlayerGlider) g_pPlayerGlider->UpdateGliderConfig();
        break;
    case kRemove:
        if (!m_bGliderMenu)
        {
            RemoveEqp();
            if (player) player->UpdateEquipment();
        }
        else
            DropGoods();
        if (g_pPlayerGlider) g_pPlayerGlider->UpdateGliderConfig();
        ShowGood();
        break;
    case kAmmo:
        BuyAmmo();
        break;
    case kRepair:
        Repair();
        SetGliderConfig(true);
        break;
    case kModify:
        OnModification();
        break;
    default:
        CGMenu::OnCommand(code, param);
        break;
    }
}

void CGCGarage::ProcessMessages()
{
    m_iCount = 1;
    if (m_iGoodKind == kKindMissile)
    {
        if (Held(kShiftKeys[0]) || Held(kShiftKeys[1])) m_iCount = 10;
        if (Held(kAltKeys[0]) || Held(kAltKeys[1])) m_iCount = 100;
    }
    CheckButtonsEnable();
    CGroupControl::ProcessMessages();
    if (m_pAmmoButton->m_bState1 && m_pAmmoButton->m_bState2)
        m_iNotice = 1;
    else if (m_pRepairButton->m_bState1 && m_pRepairButton->m_bState2)
        m_iNotice = 2;
    else
        m_iNotice = 0;
    if (Pressed(kLeftClick))
    {
        const plat::Point p = CursorPos();
        if (!PointInRect(m_pConfigButton->m_Rect, p.x, p.y))
            OnMouseLClick();
        else
            Sound("SND_I_GLIDER_CONFIG_TYPE");
    }
}

void CGCGarage::OnActivated()
{
    XTRACE("CGCGarage::OnActivated");
    CGMenu::OnActivated();
    m_pModifButton->Hide();
    const SBuildingRecord* building = g_pWorld && HasBuilding() ? g_pWorld->FindBuilding(m_szBuilding) : nullptr;
    if (building)
    {
        const CMech* player = g_pWorld->GetPlayerMech();
        const bool own = player && SameName(building->owner, player->m_szOrg);
        m_nConfigPages = own ? m_nPageNames - 1 : 0;
    }
    if (m_iConfigPage > m_nConfigPages) m_iConfigPage = 0;
    // Before the first filling the console shows nobody's configuration:
    // the buttons are checked against the player's, not against a clan
    // configuration that would be made for the purpose.
    if (m_iConfig < 0) m_iConfig = 0;
    CheckButtonsEnable();
    SetGliderConfig(false);
    Refresh(0);
}

void CGCGarage::SetBuilding(const char* name)
{
    XTRACE("CGCGarage::SetBuilding");
    CGMenu::SetBuilding(name);
    Refresh(7);
    m_pGoodsList->SetFilter(1, true);
    for (std::uint32_t mask : {0xF0u, 0xF00u, 0xF000u})
    {
        if (m_pGoodsList->GetCount() != 0) break;
        m_pGoodsList->SetFilter(mask, true);
    }
}

void CGCGarage::Repair()
{
    XTRACE("CGCGarage::Repair");
    CMechanoid* player = PlayerMechanoid();
    CMechanoid* m = ShownMechanoid();
    if (!player || !m) return;
    // Nothing is mended without the money for it.
    if (m_fRepairPrice > player->m_Garbage.m_fMoney)
    {
        Sound("SND_I_NO");
        return;
    }
    player->m_Garbage.m_fMoney -= m_fRepairPrice;
    ConsoleEvents().OnSpendMoney(m_fRepairPrice, 2);
    m_fRepairPrice = 0.0f;
    for (int slot : {kSlotGlider, kSlotArmor, kSlotReactor, kSlotEngine, kSlotReactor2, kSlotEngine2})
    {
        if (!m_apSlots[slot]->m_bSelected) continue;
        if (slot == kSlotGlider)
        {
            m->m_GliderData.ClearDamage();
            m->m_fArmor = m->GetArmor(2);
        }
        else
        {
            CEquipment* e = slot == kSlotArmor     ? &m->m_Armor
                            : slot == kSlotReactor ? &m->m_Reactor
                            : slot == kSlotEngine  ? &m->m_Engine
                            : slot == kSlotReactor2 ? &m->m_Reactor2
                                                    : &m->m_Engine2;
            e->ClearDamage();
        }
        return;
    }
    if (CControlListItem* item = m_pGliderList->GetSelected())
        for (int i = 0; i < m->m_nAddCount; ++i)
        {
            CEquipment* e = m->GetAddEquipment(i);
            if (e && e->m_bDestroyed &&
                SameName(g_EquipmentManager.GetName(e->GetIndex()), item->m_szName))
            {
                e->ClearDamage();
                return;
            }
        }
    if (m_iGoodKind == kKindConfig) m->Repair();
}

void CGCGarage::BuyAmmo()
{
    XTRACE("CGCGarage::BuyAmmo");
    CMechanoid* player = PlayerMechanoid();
    const int slot = GetSelectedSlot();
    CGun* gun = nullptr;
    if (g_pPlayerGlider && (slot == kSlotGun1 || slot == kSlotGun2))
        gun = &g_pPlayerGlider->m_Guns[slot == kSlotGun1 ? 0 : 1];
    const SGunParameters* desc = gun && gun->m_bMounted ? gun->GetGunDesc() : nullptr;
    m_pAmmoButton->m_bState1 = 0;
    m_pAmmoButton->m_bState2 = 0;
    m_pAmmoButton->Enable(0);
    if (m_pScreen && m_pScreen->m_pHovered == m_pAmmoButton) m_pScreen->m_pHovered = nullptr;
    // No gun to fill, or no money for it: nothing is charged.
    if (!desc || !player || player->m_Garbage.m_fMoney < m_fAmmoPrice)
    {
        Sound("SND_I_NO");
        return;
    }
    gun->m_fAmmo = desc->m_fSpare;
    player->m_Garbage.m_fMoney -= m_fAmmoPrice;
    ConsoleEvents().OnSpendMoney(m_fAmmoPrice, 3);
}
