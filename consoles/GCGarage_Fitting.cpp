// The money side of the garage: prices and kinds of a selection, repair
// costs, removal with its credit, and cargo thrown out as containers.
#include "consoles/GCGarage.h"

#include "consoles/ConsoleServices.h"
#include "world/GameWorldState.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/ErrorLog.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "world/Trade.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "units/ModifManager.h"
#include "units/SplinterObject.h"
#include "world/KindManagers.h"
#include "world/ObjectList.h"
#include "world/TheThing.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
const CEquipment* SlotEquipment(const CMechanoid& m, int slot)
{
    switch (slot)
    {
    case CGCGarage::kSlotShield:
        return &m.m_Shield;
    case CGCGarage::kSlotArmor:
        return &m.m_Armor;
    case CGCGarage::kSlotReactor:
        return &m.m_Reactor;
    case CGCGarage::kSlotEngine:
        return &m.m_Engine;
    case CGCGarage::kSlotReactor2:
        return &m.m_Reactor2;
    case CGCGarage::kSlotEngine2:
        return &m.m_Engine2;
    default:
        return nullptr;
    }
}

float GliderRepair(const CMechanoid& m)
{
    const CGliderData& g = m.m_GliderData;
    const SGliderParameters* type = g.GetIndex() >= 0 ? g_GliderManager.GetGlider(g.GetIndex()) : nullptr;
    if (!type || type->m_fDamage <= 0.0f) return 0.0f;
    return std::max(g.m_fDamage, 0.0f) / type->m_fDamage * g_GliderManager.GetTenthPrice(g.GetIndex(), g.m_dwModif);
}

float EquipmentRepair(const CEquipment& e)
{
    if (!e.HasRecord() || e.GetDurability() <= 0.0f) return 0.0f;
    return e.m_fDamage / e.GetDurability() * g_EquipmentManager.GetRepairPrice(e.m_Key, e.m_dwModif);
}

IEqpTrade* Stock()
{
    return g_pWorld ? g_pWorld->m_pEqpTrade : nullptr;
}
} // namespace

float CGCGarage::GetGoodPrice(const char* nameArg)
{
    XTRACE("CGCGarage::GetGoodPrice");
    float price = 0.0f;
    int kind = kKindConfig;
    if (!m_bGliderMenu) m_iModifMask = -1;
    const bool selection = !nameArg || FieldId(nameArg) == -1;
    char name[33] = {};
    CopyName(name, selection ? m_szGood : nameArg);
    if (FieldId(name) == -1)
    {
        if (selection) m_iGoodKind = kind;
        return 0.0f;
    }
    std::int32_t index;
    bool found = true;
    if ((index = g_ModifManager.FindName(name)) >= 0)
    {
        const SModifParameters* m = g_ModifManager.GetModif(index);
        price = m ? m->m_fPrice : 0.0f;
        m_iModifMask = m ? m->m_nMask : -1;
    }
    else if ((index = g_GliderManager.FindName(name)) >= 0 &&
             ((GetSelectedSlot() == kSlotGlider) || m_pGoodsList->GetSelected()))
    {
        kind = kKindGlider;
        SGliderParameters p;
        if (g_GliderManager.GetParam(p, index, m_dwModif) != 0) price = p.m_fPrice;
    }
    else if ((index = g_GunManager.FindName(name)) >= 0)
    {
        kind = g_GunManager.GetGun(index)->m_nType == 0 ? kKindGunLight : kKindGunHeavy;
        SGunParameters p;
        g_GunManager.GetParam(&p, index, m_dwModif, true);
        price = p.m_fPrice;
    }
    else if ((index = g_EquipmentManager.FindName(name)) >= 0)
    {
        SEquipmentParameters p;
        g_EquipmentManager.GetParam(&p, index, m_dwModif);
        kind = 10 + p.m_nType;
        price = p.m_fPrice;
    }
    else if ((index = g_MissileManager.FindName(name)) >= 0)
    {
        kind = kKindMissile;
        price = g_MissileManager.Param(index)->m_fPrice;
    }
    else if (const SGoodsParameters* goods = g_GoodsManager.FindGoods(name))
    {
        kind = kKindGoods;
        price = goods->m_fPrice;
    }
    else
        found = false;
    if (!found && m_iGoodKind != kKindConfig) kind = kKindUnknown;
    if (selection) m_iGoodKind = kind;
    return price;
}

float CGCGarage::GetGoodWeight()
{
    if (!IsSet(m_szModel)) return 0.0f;
    std::int32_t index;
    if ((index = g_GliderManager.FindName(m_szGood)) >= 0)
    {
        SGliderParameters p;
        if (g_GliderManager.GetParam(p, index, m_dwModif) != 0) return p.m_fWeight;
        return 0.0f;
    }
    if ((index = g_GunManager.FindName(m_szGood)) >= 0)
    {
        SGunParameters p;
        g_GunManager.GetParam(&p, index, m_dwModif, true);
        return p.m_fWeight;
    }
    if ((index = g_EquipmentManager.FindName(m_szGood)) >= 0)
    {
        SEquipmentParameters p;
        g_EquipmentManager.GetParam(&p, index, m_dwModif);
        return p.m_fWeight;
    }
    if ((index = g_MissileManager.FindName(m_szGood)) >= 0) return g_MissileManager.Param(index)->m_fWeight;
    m_iGoodKind = kKindUnknown;
    return 0.0f;
}

float CGCGarage::SlotRepairCost(const CMechanoid& m, int slot)
{
    if (slot == kSlotGlider)
        return m.m_GliderData.HasRecord() && m.m_GliderData.m_bDamaged ? GliderRepair(m) : 0.0f;
    if (slot == kSlotShield) return 0.0f;
    const CEquipment* e = SlotEquipment(m, slot);
    return e && e->HasRecord() && e->m_bDamaged ? EquipmentRepair(*e) : 0.0f;
}

float CGCGarage::WholeRepairCost(const CMechanoid& m)
{
    float sum = 0.0f;
    for (int slot : {kSlotGlider, kSlotArmor, kSlotReactor, kSlotEngine, kSlotReactor2, kSlotEngine2})
        sum += SlotRepairCost(m, slot);
    return sum;
}

void CGCGarage::RemoveEqp()
{
    XTRACE("CGCGarage::RemoveEqp");
    const int slot = GetSelectedSlot();
    CMechanoid* player = PlayerMechanoid();
    const float before = player ? player->GetPrice(true) : 0.0f;
    CMechanoid* m = ShownMechanoid();
    if (!m) return;
    const bool own = m_iConfig == 0;
    bool removed = false;
    int removedSlot = -1;

    if (slot == -1)
    {
        // A glider item: additional equipment, then missiles, then cargo.
        for (int i = 0; i < m->m_nAddCount && !removed; ++i)
        {
            const CEquipment* e = m->GetAddEquipment(i);
            if (e && SameName(g_EquipmentManager.GetName(e->GetIndex()), m_szGood))
                removed = m->RemoveAddEquipment(i);
        }
        const std::int32_t missile = g_MissileManager.FindName(m_szGood);
        if (!removed && missile >= 0)
            for (std::uint32_t i = 0; i < m->m_nMissileCount;)
            {
                SMissileStock& s = m->m_Missiles[i];
                if (s.m_Type.Index() != missile)
                {
                    ++i;
                    continue;
                }
                removed = true;
                const std::int64_t left = std::int64_t(s.m_nCount) - m_iCount;
                if (left > 0)
                {
                    s.m_nCount = std::uint32_t(left);
                    ++i;
                    continue;
                }
                m_iCount += std::int32_t(left); // only what was there
                for (std::uint32_t j = i + 1; j < m->m_nMissileCount; ++j)
                    m->m_Missiles[j - 1] = m->m_Missiles[j];
                m->m_Missiles[--m->m_nMissileCount] = SMissileStock{};
                m_pGoodsList->SelectByName(m_szGood, false, m_dwModif);
            }
        if (!removed)
            for (std::size_t i = 0; i < m->m_Garbage.m_Items.size(); ++i)
            {
                SItemRec& r = m->m_Garbage.m_Items[i];
                if (r.m_nKind != ITEM_STACK || !SameName(r.m_szName, m_szGood)) continue;
                removed = true;
                if (--r.m_nCount <= 0) m->m_Garbage.m_Items.RemoveAt(i);
                m_pGoodsList->SelectByName(m_szGood, false, m_dwModif);
                break;
            }
        if (removed && own && player) player->m_Garbage.m_fMoney += float(m_iCount) * m_fPrice;
    }
    if (!removed && m_iSlot >= 0)
    {
        const int s = m_iSlot;
        auto credit = [&](float amount)
        {
            if (own && player) player->m_Garbage.m_fMoney += amount;
        };
        auto chargeRepair = [&](float amount)
        {
            if (!own || !player) return;
            m_fRepairPrice = amount;
            player->m_Garbage.m_fMoney -= m_fRepairPrice;
            m_fRepairPrice = 0.0f;
        };
        switch (s)
        {
        case kSlotShield:
        case kSlotArmor:
        case kSlotReactor:
        case kSlotEngine:
        case kSlotReactor2:
        case kSlotEngine2:
        {
            CEquipment* e = const_cast<CEquipment*>(SlotEquipment(*m, s));
            if (!e->HasRecord()) break;
            if (s != kSlotShield && s != kSlotArmor) chargeRepair(EquipmentRepair(*e));
            credit(e->GetPrice());
            e->Assign(STypeKey(-1), 0);
            e->ClearDamage();
            const EMechConfigSlot cfg = s == kSlotShield    ? CFG_SHIELD
                                        : s == kSlotArmor   ? CFG_ARMOR
                                        : s == kSlotReactor ? CFG_REACTOR
                                        : s == kSlotEngine  ? CFG_ENGINE
                                        : s == kSlotReactor2 ? CFG_REACTOR2
                                                             : CFG_ENGINE2;
            m->m_gEqp.m_Config[cfg] = SMechConfig{};
            removed = true;
            break;
        }
        case kSlotGlider:
        {
            if (!m->m_GliderData.HasRecord()) break;
            if (own && player && m->m_GliderData.m_bDamaged)
            {
                chargeRepair(GliderRepair(*m));
                m->Repair();
            }
            SGliderParameters p;
            if (g_GliderManager.GetParam(p, m->m_GliderData.GetIndex(), m->m_GliderData.m_dwModif) != 0)
                credit(p.m_fPrice);
            m->m_GliderData.Assign(STypeKey(-1), 0);
            m->m_gEqp.m_Config[CFG_GLIDER] = SMechConfig{};
            if (own && g_pPlayerGlider && g_pPlayerGlider->m_pMechanoid == m)
                g_pPlayerGlider->AssignMechanoid(g_pPlayerGlider->m_pMech, m, false);
            removed = true;
            break;
        }
        case kSlotGun1:
        case kSlotGun2:
        {
            const EMechConfigSlot cfg = s == kSlotGun1 ? CFG_LIGHTGUN : CFG_HEAVYGUN;
            const std::int32_t gun = m->m_gEqp.m_Config[cfg].m_Key.Index();
            if (gun < 0) break;
            SGunParameters p;
            g_GunManager.GetParam(&p, gun, m->m_gEqp.m_Config[cfg].m_dwModif, true);
            credit(p.m_fPrice);
            if (own && g_pPlayerGlider && g_pPlayerGlider->m_pMechanoid == m)
                g_pPlayerGlider->m_Guns[s == kSlotGun1 ? 0 : 1].Assign(STypeKey(-1), 0);
            m->m_gEqp.m_Config[cfg] = SMechConfig{};
            removed = true;
            break;
        }
        default:
            break;
        }
        if (removed) removedSlot = s;
        m_bChanged = true;
    }
    // The building takes back only what was really removed.
    if (own && removed && player)
    {
        if (IEqpTrade* stock = Stock()) stock->OnSoldEqp(m_szBuilding, m_szGood, m_iCount, m_dwModif);
        ConsoleEvents().OnSpendMoney(player->GetPrice(true) - before, 1);
    }
    if (removedSlot == kSlotGlider)
        Sound("SND_I_GLIDER_NEW");
    else if (removedSlot != kSlotGun2)
        Sound("SND_I_DEVICE_INSTALL");

    Refresh(2);
    if (!m_pGliderList->GetSelected()) m_bChanged = true;
    m_pGoodsList->SelectByName(m_szGood, m_bChanged, m_dwModif);
    GetGoodPrice();
    m_bChanged = false;
    if (g_pPlayerGlider) g_pPlayerGlider->UpdateGliderConfig();
}

std::vector<int> CGCGarage::SplitDrop(int count, int kind, float massa)
{
    std::vector<int> out;
    int per = 1;
    if (kind != ITEM_MECHANOID) per = std::max(1, int(std::lround(99.0f / std::max(massa, 10.0f))));
    while (count > 0)
    {
        const int n = count >= per ? per : 1;
        out.push_back(n);
        count -= n;
    }
    return out;
}

void CGCGarage::DropGoods()
{
    XTRACE("CGCGarage::DropGoods");
    CMechanoid* player = PlayerMechanoid();
    std::vector<SItemRec>* items = player ? &player->m_Garbage.m_Items : nullptr;
    std::size_t at = 0;
    if (items)
        while (at < items->size() && !SameName((*items)[at].m_szName, m_szGood))
            ++at;
    if (items && at < items->size() && g_pPlayerGlider)
    {
        const SItemRec rec = (*items)[at];
        Sound("SND_I_DROP");
        const SGoodsParameters* goods = g_GoodsManager.FindGoods(rec.m_szName);
        const char* type = rec.m_nKind == ITEM_MECHANOID ? "TT_MECHANOID" : "TT_CONTAINER";
        CMatrix placement(1.0f);
        placement.SetTranslation(g_pPlayerGlider->GetPosition());
        for (int n : SplitDrop(rec.m_nCount, rec.m_nKind, goods ? goods->m_fMass : 1.0f))
        {
            auto* thing = new CTheThing;
            thing->Init(&placement, type, nullptr);
            if (g_pPlayerGlider->m_bRemote)
            {
                thing->m_bNetwork = 1;
                thing->m_bLocal = 1;
            }
            thing->AddContent(std::uint32_t(rec.m_nKind), m_szGood, std::uint32_t(n));
            g_ObjectList.AddObject(thing);
            auto* carrier = new CSplinterObject;
            carrier->Init(placement, STypeKey(-1), CSplinterObject::kTrailCarry, thing);
            carrier->m_pOwner = g_pPlayerGlider;
            const float a = 2.0f - 0.4f * float(g_Random.RandomInt(10));
            const float b = 2.0f - 0.4f * float(g_Random.RandomInt(10));
            const float speed = 0.1f * float(g_Random.RandomInt(10)) + 0.5f;
            const float r = float(g_Random.Next() % 10000) * 0.01f;
            carrier->m_vVelocity =
                Normalize(CVector{b, a, 1.0f}) * (20.0f * speed) + g_pPlayerGlider->m_vVelocity * (150.0f + r);
            g_ObjectList.AddObject(carrier);
        }
        items->erase(items->begin() + std::ptrdiff_t(at));
        const int selected = m_pGoodsList->GetSelectedIndex();
        Refresh(1);
        m_pGoodsList->SelectIndex(selected);
        ShowGood();
        m_pGoodsList->SetFilter(m_pGoodsList->GetFilter(), true);
    }
    OnMouseLClick();
    GetGoodPrice();
}
