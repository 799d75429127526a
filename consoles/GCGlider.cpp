#include "consoles/GCGlider.h"

#include "consoles/ConsoleServices.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "menus/ControlList.h"
#include "menus/MenuButton.h"
#include "units/Equipment.h"
#include "units/EquipmentManager.h"
#include "units/Mechanoid.h"
#include "units/ModifManager.h"
#include "units/UnitTypes.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <cstring>
#include <new>

std::uint32_t g_iCGCGlider = 0;

namespace
{
// The item of that name in the grid, or null: goods and mechminds are
// known by their name key, equipment, missiles and modifiers by their item
// name (their key is their model's).
CControlListItem* FindItem(CControlList* list, const char* name, bool byKey)
{
    for (int i = 0; list && i < list->GetItemCount(); ++i)
    {
        CControlListItem* item = list->GetItem(i);
        if (item && SameName(byKey ? item->m_ClassID.name : item->m_szName, name)) return item;
    }
    return nullptr;
}

IBaseInterface* CreateGlider()
{
    return new (std::nothrow) CGCGlider();
}
} // namespace

void RegisterGliderClass()
{
    RegisterClassFactory(&g_iCGCGlider, CreateGlider, "IGUID_CGCGlider");
}

CGuidKey CGCGlider::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCGlider");
}

void CGCGlider::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGCGlider::Init");
    CGCGarage::Init(rect, screen);
    m_pGoodsList->ClearFilterButtons();
    for (CMenuButton* b : m_apFilters)
        b->Hide();
    m_bGliderMenu = 1;
    const std::string captions[2] = {Text("INT_GLIDER_CAPTION_01"), Text("INT_GLIDER_CAPTION_02")};
    const plat::Rect& list = m_pGoodsList->m_Rect;
    const int right = list.right - m_Rect.left, top = list.bottom - m_Rect.top;
    const struct
    {
        int offset;
        std::uint32_t filter;
        int picture;
    } tabs[2] = {{173, kGoodsTab, 82}, {100, kMechTab, 83}};
    for (int i = 0; i < 2; ++i)
    {
        auto* b = new CMenuButton();
        b->Create(right - tabs[i].offset, top, right - tabs[i].offset + 70, top + 25, "", CButton::kPush,
                  kTabCommand);
        b->m_pScreen = screen;
        b->m_nPicture = tabs[i].picture;
        b->m_nValue = std::int32_t(tabs[i].filter);
        b->SetToolTip(captions[i].c_str());
        m_pGoodsList->AddFilterButton(b);
        b->SetClickSound(-1);
        m_Owned.emplace_back(b);
        AddControl(b);
        m_apTabs[i] = b;
    }
    m_pBuyButton->m_nPicture = 65;
    m_pRemoveButton->m_nPicture = 39;
    m_fPrice = 0.0f;
}

void CGCGlider::OnActivated()
{
    XTRACE("CGCGlider::OnActivated");
    CGCGarage::OnActivated();
    Refresh(0);
    m_pGoodsList->SetFilter(kGoodsTab, true);
    if (m_pGoodsList->GetCount() == 0) m_pGoodsList->SetFilter(kMechTab, true);
    m_pGoodsList->SelectIndex(0);
    ShowGood();
    OnMouseLClick();
    m_pAmmoButton->Hide();
    m_pRepairButton->Hide();
    UpdateGunSlots();
}

void CGCGlider::Refresh(std::uint32_t flags)
{
    XTRACE("CGCGlider::Refresh");
    if (flags != 0)
    {
        m_pGoodsList->RemoveAll();
        m_pGliderList->RemoveAll();
    }
    CMechanoid* player = PlayerMechanoid();
    if (player)
    {
        for (int a = 0; a < player->m_nAddCount; ++a)
        {
            const CEquipment* eqp = player->GetAddEquipment(a);
            const char* name = g_EquipmentManager.GetNameOrDefault(eqp ? eqp->GetIndex() : -1);
            if (!FindItem(m_pGliderList, name, false)) m_pGliderList->AddControl(name, kEquipment, 0);
        }
        for (std::uint32_t k = 0; k < player->m_nMissileCount && k < CMechanoid::kMaxMissiles; ++k)
        {
            const SMissileStock& stock = player->m_Missiles[k];
            if (stock.m_Type.Index() == -1) continue;
            const char* name = g_MissileManager.GetNameOrDefault(stock.m_Type.Index());
            CControlListItem* item = FindItem(m_pGliderList, name, false);
            if (!item)
            {
                item = m_pGliderList->AddControl(name, kEquipment, 0);
                if (!item) continue;
                item->m_dwModifier = kAmmoTag;
                m_iListMode = 2;
            }
            item->m_nCount = std::int32_t(stock.m_nCount);
        }
        for (const SItemRec& e : player->m_Garbage.m_Items)
        {
            const bool goods = e.m_nKind == ITEM_GOODS || e.m_nKind == ITEM_UNIQUE;
            const bool modif = e.m_nKind == ITEM_STACK;
            if (goods ? !g_GoodsManager.FindGoods(e.m_szName)
                      : (!modif || g_ModifManager.FindName(e.m_szName) < 0))
                continue;
            // A carried modification lives in the lower grid: it is found
            // there again, never added twice.
            CControlList* list = modif ? m_pGliderList : m_pGoodsList;
            CControlListItem* item = FindItem(list, e.m_szName, !modif);
            if (!item)
            {
                item = list->AddControl(e.m_szName, modif ? kEquipment : kGoodsTab, 0);
                if (!item) continue;
                if (modif)
                {
                    item->m_dwModifier = kAmmoTag;
                    item->m_dwCategory = kCarriedModif;
                    m_iListMode = 2;
                }
                else if (e.m_nKind == ITEM_UNIQUE)
                    item->m_bRemovable = 0;
            }
            item->m_nCount = e.m_nCount;
        }
        for (const SItemRec& e : player->m_Garbage.m_Items)
        {
            if (e.m_nKind != ITEM_MECHANOID || e.m_nCount == 0) continue;
            const std::string id = FieldText(e.m_szName).substr(0, 31);
            if (FindItem(m_pGoodsList, id.c_str(), true)) continue;
            CControlListItem* item = m_pGoodsList->AddControl(id.c_str(), kMechTab, kMechTab);
            if (!item) continue;
            item->m_dwCategory = kMechTab;
            const CMech* mech = g_pWorld ? g_pWorld->FindMech(id.c_str()) : nullptr;
            if (mech && mech->m_nGeneration > 5) item->m_bRemovable = 0;
        }
    }
    SetGliderConfig(false);
    ShowGood();
    m_pGoodsList->RecalcArray();
    m_pGliderList->RecalcArray();
}

void CGCGlider::OnMouseLClick()
{
    XTRACE("CGCGlider::OnMouseLClick");
    CGCGarage::OnMouseLClick();
    char good[32], model[32];
    CopyName(good, m_szGood);
    CopyName(model, m_szModel);
    CControlListItem* item = m_pGoodsList->GetSelected();
    if (!item) return;
    m_iModifMask = -1;
    if (m_pGoodsList->GetFilter() == kMechTab)
    {
        SetName(m_szGood, item->m_szName);
        CMech* mech = g_pWorld ? g_pWorld->FindMech(FieldText(m_szGood).c_str()) : nullptr;
        if (mech)
        {
            char name[32] = {};
            mech->GetMechmindModelName(name);
            SetName(m_szModel, name);
            std::int32_t id = -1;
            std::uint32_t colour = 0xFFFFFF;
            mech->GetMechmindModel(&id, &colour);
            m_iModifMask = std::int32_t(colour);
            m_fPrice = mech->GetConvictPrice(2, true);
            m_fWeight = 50.0f;
        }
        else
            SetName(m_szModel, "MOD_TOV_MECHMIND");
    }
    else
    {
        SetName(m_szGood, item->m_ClassID.name);
        if (const SGoodsParameters* g = g_GoodsManager.FindGoods(FieldText(m_szGood).c_str()))
        {
            SetName(m_szModel, FieldText(m_szGood).c_str());
            m_fWeight = g->m_fMass;
            m_fPrice = g->m_fPrice;
        }
    }
    if (!SameName(good, m_szGood) && !SameName(model, m_szModel))
    {
        m_fPrice = GetGoodPrice();
        if (m_fWeight == 0.0f) m_fWeight = GetGoodWeight();
    }
}

void CGCGlider::ProcessMessages()
{
    CGCGarage::ProcessMessages();
    if (m_pGoodsList->GetSelectedIndex() == -1)
    {
        m_pBuyButton->Enable(0);
        m_pRemoveButton->Enable(0);
        return;
    }
    m_pBuyButton->Enable(0);
    if (m_pGoodsList->GetFilter() == kMechTab && IsSet(m_szGood))
    {
        const CMech* mech = g_pWorld ? g_pWorld->FindMech(FieldText(m_szGood).c_str()) : nullptr;
        const CMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
        const CMechanoid* own = PlayerMechanoid();
        const bool canPay = own && m_fPrice <= own->m_Garbage.m_fMoney;
        if (mech && canPay && !(player && SameName(mech->m_szOrg, player->m_szOrg))) m_pBuyButton->Enable(1);
    }
    const CControlListItem* item = m_pGoodsList->GetSelected();
    m_pRemoveButton->Enable(item && item->m_bRemovable ? 1 : 0);
}
