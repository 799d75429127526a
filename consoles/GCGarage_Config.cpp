// The garage's configurations: the player's glider or one of the clan's
// three stored configurations in the slot bars, fitting into the chosen
// one, and the rebuild of the two lists.
#include "consoles/GCGarage.h"

#include "consoles/ConsoleServices.h"
#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/SortIndices.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "world/Trade.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "units/ModifManager.h"
#include "world/TypeManagers.h"
#include "world/World.h"
#include "script/game/TextDatabase.h"

#include <cstring>

namespace
{
const char* const kSlotTooltips[CGCGarage::kSlots] = {
    "INT_GARAGE_TOOLTIP1", "INT_GARAGE_TOOLTIP2", "INT_GARAGE_TOOLTIP3", "INT_GARAGE_TOOLTIP4", "INT_GARAGE_TOOLTIP5",
    "INT_GARAGE_TOOLTIP6", "INT_GARAGE_TOOLTIP7", "INT_GARAGE_TOOLTIP8", "INT_GARAGE_TOOLTIP9",
};
} // namespace

void CGCGarage::FillSlot(int i, std::int32_t modelId, const char* typeName, std::uint32_t word, float damage,
                         bool filled)
{
    CAnimatedBar* bar = m_apSlots[i];
    if (!filled)
    {
        bar->Reset();
        bar->ClearModel();
        bar->m_dwModifier = 0;
        bar->m_fFill = 0.0f;
        bar->m_bSelected = 0;
        bar->SetToolTip(Text(kSlotTooltips[i]).c_str());
        SetUnset(m_SlotGoods[i]);
        return;
    }
    bar->SetModel(ModelName(modelId).c_str());
    bar->m_bHasModel = 1;
    bar->m_nSpare = -1;
    SetName(m_SlotGoods[i], typeName);
    bar->m_dwModifier = word;
    bar->m_fFill = damage;
    CXAnsiString tip;
    if (g_pTextDB && g_pTextDB->GetText(STextKey(typeName), tip)) bar->SetToolTip(tip.GetText());
}

void CGCGarage::FillSlots(CMechanoid& m)
{
    auto equipment = [&](int slot, const CEquipment& e, bool withWord)
    {
        const SEquipmentParameters* p = e.GetIndex() >= 0 ? g_EquipmentManager.GetEquipment(e.GetIndex()) : nullptr;
        if (!p)
        {
            FillSlot(slot, -1, "", 0, 0.0f, false);
            return;
        }
        FillSlot(slot, FieldId(p->m_Model), g_EquipmentManager.GetName(e.GetIndex()), withWord ? e.m_dwModif : 0,
                 e.GetDamageRatio(), true);
    };
    equipment(kSlotShield, m.m_Shield, true);
    const CGliderData& g = m.m_GliderData;
    const SGliderParameters* glider = g.GetIndex() >= 0 ? g_GliderManager.GetGlider(g.GetIndex()) : nullptr;
    if (glider)
        FillSlot(kSlotGlider, glider->GetModelId(), g_GliderManager.GetName(g.GetIndex()), g.m_dwModif,
                 glider->m_fDamage > 0.0f ? g.m_fDamage / glider->m_fDamage : 0.0f, true);
    else
        FillSlot(kSlotGlider, -1, "", 0, 0.0f, false);
    equipment(kSlotArmor, m.m_Armor, false);
    equipment(kSlotReactor, m.m_Reactor, true);
    equipment(kSlotEngine, m.m_Engine, true);
    equipment(kSlotReactor2, m.m_Reactor2, true);
    equipment(kSlotEngine2, m.m_Engine2, true);
    for (int slot : {kSlotGun1, kSlotGun2})
    {
        const SMechConfig& c = m.m_gEqp.m_Config[slot == kSlotGun1 ? CFG_LIGHTGUN : CFG_HEAVYGUN];
        const std::int32_t index = c.m_Key.Index();
        if (index >= 0 && index < std::int32_t(g_GunManager.m_Records.size()))
            FillSlot(slot, g_GunManager.GetGun(index)->GetModelId(), g_GunManager.GetName(index), c.m_dwModif, 0.0f,
                     true);
        else
            FillSlot(slot, -1, "", 0, 0.0f, false);
    }
}

void CGCGarage::SetGliderConfig(bool select)
{
    XTRACE("CGCGarage::SetGliderConfig");
    m_iConfig = 0;
    m_pGoodsList->RecalcArray();
    CMechanoid* m = PlayerMechanoid();
    if (m) FillSlots(*m);
    if (!select) return;
    SelectSlot(-1);
    m_pGoodsList->SelectIndex(-1);
    m_pGliderList->SelectIndex(-1);
    m_iGoodKind = kKindConfig;
    TakeGliderNames(m);
    ShowGood();
}

void CGCGarage::SetClanConfig()
{
    XTRACE("CGCGarage::SetClanConfig");
    m_iConfig = m_iConfigPage;
    m_pGoodsList->RecalcArray();
    CMechanoid* m = ConfigMechanoid(m_iConfig);
    if (!m) return;
    FillSlots(*m);
    SelectSlot(-1);
    m_pGoodsList->SelectIndex(-1);
    m_pGliderList->SelectIndex(-1);
    m_iGoodKind = kKindConfig;
    TakeGliderNames(m);
    ShowGood();
}

int CGCGarage::SlotOfItem(const char* name)
{
    for (int i = 0; i < m_nSlots; ++i)
        if (IsSet(m_SlotGoods[i]) && SameName(m_SlotGoods[i], name)) return i;
    return -1;
}

void CGCGarage::InstallEqp()
{
    XTRACE("CGCGarage::InstallEqp");
    const bool own = m_iConfig == 0;
    CMechanoid* target = ConfigMechanoid(m_iConfig);
    CMechanoid* player = PlayerMechanoid();
    if (!target || !player) return;
    const float before = player->GetPrice(true);
    if (m_iGoodKind == kKindGlider && own)
    {
        // The old glider is repaired first, and paid for.
        const CGliderData& g = target->m_GliderData;
        const SGliderParameters* type = g.GetIndex() >= 0 ? g_GliderManager.GetGlider(g.GetIndex()) : nullptr;
        if (type && g.m_bDamaged && type->m_fDamage > 0.0f)
            m_fRepairPrice = g_GliderManager.GetTenthPrice(g.GetIndex(), g.m_dwModif) *
                             std::max(g.m_fDamage, 0.0f) / type->m_fDamage;
        player->m_Garbage.m_fMoney -= m_fRepairPrice;
        m_fRepairPrice = 0.0f;
        target->Repair();
    }
    const float result = target->AddToConfig(m_szGood, m_szBuilding, m_iCount, m_dwModif, own);
    if (!own)
    {
        // Clan configurations cost nothing and sell nothing.
        SetClanConfig();
        if (g_pPlayerGlider) g_pPlayerGlider->UpdateGliderConfig();
        return;
    }
    if (result == -1.0f)
    {
        Sound("SND_I_NO");
        if (g_pPlayerGlider) g_pPlayerGlider->UpdateGliderConfig();
        return;
    }
    player->m_Garbage.m_fMoney += result - float(m_iCount) * m_fPrice;
    if (m_iGoodKind == kKindMissile) ConsoleEvents().OnSpendMoney(float(m_iCount) * m_fPrice, 3);
    if (IEqpTrade* stock = g_pWorld ? g_pWorld->m_pEqpTrade : nullptr)
        stock->OnBoughtEqp(m_szBuilding, m_szGood, m_iCount, m_dwModif);
    ConsoleEvents().OnSpendMoney(player->GetPrice(true) - before, 1);
    Sound(g_GliderManager.FindName(m_szGood) >= 0 ? "SND_I_GLIDER_NEW" : "SND_I_DEVICE_INSTALL");
    Refresh(7);
    if (m_iListMode != 2 && !m_bChanged)
    {
        const int slot = SlotOfItem(m_szGood);
        if (slot >= 0) SelectSlot(slot);
    }
    else
    {
        m_pGliderList->SelectByName(m_szGood, true, 0);
        if (m_bChanged) m_pGoodsList->SelectIndex(-1);
    }
    if (g_pPlayerGlider) g_pPlayerGlider->UpdateGliderConfig();
}

void CGCGarage::Refresh(std::uint32_t flags)
{
    XTRACE("CGCGarage::Refresh");
    m_iListMode = 0;
    const int goodsSelected = m_pGoodsList->GetSelectedIndex();
    const int gliderSelected = m_pGliderList->GetSelectedIndex();
    m_Goods.clear();
    if (IEqpTrade* stock = g_pWorld ? g_pWorld->m_pEqpTrade : nullptr) stock->GetEqpList(m_szBuilding, m_Goods);

    auto inStock = [&](const CControlListItem& item)
    {
        for (const SEqpConsoleItem& g : m_Goods)
            if (SameName(g.m_szName, item.m_szName) && g.m_dwModif == item.m_dwModifier && g.m_nCount != 0)
                return true;
        return false;
    };
    if (flags & 1)
    {
        for (int i = m_pGoodsList->GetItemCount() - 1; i >= 0; --i)
        {
            CControlListItem* item = m_pGoodsList->GetItem(i);
            if (item && !inStock(*item))
            {
                m_pGoodsList->RemoveControl(item);
                delete item;
            }
        }
        m_pGoodsList->RecalcArray();
        if (m_pGoodsList->GetFilter()) m_pGoodsList->SetFilter(m_pGoodsList->GetFilter(), true);
        ShowGood();
    }
    CMechanoid* player = PlayerMechanoid();
    if ((flags & 2) && player)
    {
        for (int i = m_pGliderList->GetItemCount() - 1; i >= 0; --i)
        {
            CControlListItem* item = m_pGliderList->GetItem(i);
            if (!item) continue;
            bool keep = false;
            for (int a = 0; a < player->m_nAddCount && !keep; ++a)
                keep = SameName(g_EquipmentManager.GetName(player->GetAddEquipment(a)->GetIndex()), item->m_szName);
            for (std::uint32_t k = 0; k < player->m_nMissileCount && !keep; ++k)
                if (SameName(g_MissileManager.GetName(player->m_Missiles[k].m_Type.Index()), item->m_szName))
                {
                    keep = true;
                    item->m_nCount = std::int32_t(player->m_Missiles[k].m_nCount);
                }
            for (const SItemRec& r : player->m_Garbage.m_Items)
                if (!keep && r.m_nKind == ITEM_STACK && SameName(r.m_szName, item->m_szName))
                {
                    keep = true;
                    item->m_nCount = r.m_nCount;
                }
            if (!keep)
            {
                m_pGliderList->RemoveControl(item);
                delete item;
            }
        }
        m_pGliderList->RecalcArray();
    }

    // Stock additions, cheapest first.
    static_assert(sizeof(SEqpConsoleItem) == 12 * sizeof(float));
    std::vector<std::int32_t> order;
    SortIndicesByFloat(m_Goods.empty() ? nullptr : &m_Goods[0].m_fPrice, 12, int(m_Goods.size()), order);
    for (std::int32_t i : order)
    {
        const SEqpConsoleItem& g = m_Goods[std::size_t(i)];
        if (g.m_nCount == 0) continue;
        CControlListItem* found = nullptr;
        for (int k = 0; k < m_pGoodsList->GetItemCount() && !found; ++k)
        {
            CControlListItem* item = m_pGoodsList->GetItem(k);
            if (item && SameName(item->m_szName, g.m_szName) && item->m_dwModifier == g.m_dwModif) found = item;
        }
        if (found)
        {
            found->m_nCount = g.m_nCount;
            continue;
        }
        char name[33] = {};
        CopyName(name, g.m_szName);
        CControlListItem* item = m_pGoodsList->AddControl(name, CControlListItem::kEquipment, g.m_dwModif);
        if (!item) continue;
        item->m_nKind = ItemKind(name);
        item->m_nCount = g.m_nCount;
        item->m_pDragGuard = m_pBuyButton;
        m_iListMode = 1;
    }

    if (flags & 4)
    {
        if (m_iConfig == 0)
            SetGliderConfig(false);
        else if (m_iConfig == 1)
            SetClanConfig();
    }

    if (player)
    {
        auto findGlider = [&](const char* name) -> CControlListItem*
        {
            for (int k = 0; k < m_pGliderList->GetItemCount(); ++k)
            {
                CControlListItem* item = m_pGliderList->GetItem(k);
                if (item && SameName(item->m_szName, name)) return item;
            }
            return nullptr;
        };
        auto add = [&](const char* name, int kind, int count)
        {
            CControlListItem* item = m_pGliderList->AddControl(name, CControlListItem::kEquipment, 0);
            if (!item) return;
            item->m_nKind = kind;
            item->m_nCount = count;
            m_iListMode = 2;
        };
        for (int a = 0; a < player->m_nAddCount; ++a)
        {
            const char* name = g_EquipmentManager.GetName(player->GetAddEquipment(a)->GetIndex());
            if (name && !findGlider(name)) add(name, kKindAddEqp, 0);
        }
        for (std::uint32_t k = 0; k < player->m_nMissileCount; ++k)
        {
            const char* name = g_MissileManager.GetName(player->m_Missiles[k].m_Type.Index());
            if (!name) continue;
            if (CControlListItem* item = findGlider(name))
                item->m_nCount = std::int32_t(player->m_Missiles[k].m_nCount);
            else
                add(name, kKindMissile, std::int32_t(player->m_Missiles[k].m_nCount));
        }
        for (const SItemRec& r : player->m_Garbage.m_Items)
        {
            if (r.m_nKind != ITEM_STACK) continue;
            char name[33] = {};
            CopyName(name, r.m_szName);
            if (CControlListItem* item = findGlider(name))
                item->m_nCount = r.m_nCount;
            else
                add(name, kKindAddEqp, r.m_nCount);
        }
    }

    ShowGood();
    m_fPrice = GetGoodPrice();
    m_fWeight = GetGoodWeight();
    m_pGoodsList->RecalcArray();
    m_pGliderList->RecalcArray();
    m_pGoodsList->SelectIndex(goodsSelected);
    m_pGliderList->SelectIndex(gliderSelected);
}
