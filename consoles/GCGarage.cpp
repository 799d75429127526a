#include "consoles/GCGarage.h"

#include "world/GameWorldState.h"
#include "consoles/ConsoleServices.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "graphics/ModelManager.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/UIMenu.h"
#include "menus/UIRenderObject.h"
#include "script/TextDB.h"
#include "script/game/TextDatabase.h"
#include "foundation/Name32.h"
#include "society/WorldMechanoid.h"
#include "ui/Controls.h"
#include "ui/markup/HTMLWnd.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "units/ModifManager.h"
#include "world/KindManagers.h"
#include "world/TypeManagers.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

float CGCGarage::s_fModelAngle = 0.0f;

namespace
{
std::uint32_t g_iCGCGarage = 0;

struct SSlotInfo
{
    int kind;
    const char* tooltip;
    int atlasX, atlasY;
};
constexpr SSlotInfo kSlotInfo[CGCGarage::kSlots] = {
    {12, "INT_GARAGE_TOOLTIP1", 385, 0},   {3, "INT_GARAGE_TOOLTIP2", 458, 0},
    {13, "INT_GARAGE_TOOLTIP3", 385, 75},  {11, "INT_GARAGE_TOOLTIP4", 458, 75},
    {14, "INT_GARAGE_TOOLTIP5", 385, 150}, {4, "INT_GARAGE_TOOLTIP6", 458, 150},
    {11, "INT_GARAGE_TOOLTIP7", 458, 75},  {14, "INT_GARAGE_TOOLTIP8", 385, 150},
    {5, "INT_GARAGE_TOOLTIP9", 458, 150},
};

struct SFilterInfo
{
    std::uint32_t mask;
    int picture;
    const char* tooltip;
};
constexpr SFilterInfo kFilterInfo[CGCGarage::kFilters] = {
    {0x0001, 70, "INT_GARAGE_TOOLTIP10"}, {0x0F00, 73, "INT_GARAGE_TOOLTIP11"},
    {0x00F0, 71, "INT_GARAGE_TOOLTIP12"}, {0xF000, 72, "INT_GARAGE_TOOLTIP13"},
    {0x1000, 88, "INT_GARAGE_TOOLTIP14"}, {0x2000, 89, "INT_GARAGE_TOOLTIP15"},
    {0x4000, 90, "INT_GARAGE_TOOLTIP16"}, {0x0100, 84, "INT_GARAGE_TOOLTIP17"},
    {0x0200, 85, "INT_GARAGE_TOOLTIP18"}, {0x0400, 86, "INT_GARAGE_TOOLTIP19"},
    {0x0800, 87, "INT_GARAGE_TOOLTIP20"},
};

CMenuButton* MakeButton(int left, int top, int width, int height, int command, int picture, IUI* screen)
{
    auto* b = new CMenuButton();
    b->Create(left, top, left + width, top + height, "", CButton::kPush, command);
    b->m_pScreen = screen;
    b->m_nPicture = picture;
    return b;
}

IBaseInterface* CreateGarage()
{
    return new (std::nothrow) CGCGarage();
}

// The clan configuration mechanoids are the player's configuration
// mechanoids: defence, attack, trade.
CMechanoid* ClanMechanoid(int index)
{
    IWorldMechanoid* w = index >= 0 && index < 3 ? g_pPlayerConfigs[index] : nullptr;
    auto* m = dynamic_cast<CWorldMechanoid*>(w);
    return m ? &m->m_Mechanoid : nullptr;
}

const SGliderParameters* ShownGliderType(const CMechanoid& m)
{
    return m.m_GliderData.GetIndex() >= 0 ? g_GliderManager.GetGlider(m.m_GliderData.GetIndex()) : nullptr;
}

CGun* PlayerGun(int n)
{
    return g_pPlayerGlider ? &g_pPlayerGlider->m_Guns[n] : nullptr;
}
} // namespace

void RegisterGarageClass()
{
    RegisterClassFactory(&g_iCGCGarage, CreateGarage, "IGUID_CGCGarage");
}

CGCGarage::CGCGarage()
{
    SetUnset(m_szGood);
    SetUnset(m_szModel);
    for (auto& name : m_SlotGoods)
        SetUnset(name);
}

CGCGarage::~CGCGarage()
{
    // The group only links its children: unlinked first, then deleted.
    if (m_pGoodsList) m_pGoodsList->ClearFilterButtons();
    for (auto& c : m_Owned)
        CGroupControl::RemoveControl(c.get());
    m_Owned.clear();
}

CGuidKey CGCGarage::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCGarage");
}

std::string CGCGarage::Text(const char* key)
{
    CXAnsiString text;
    if (!g_pTextDB || !g_pTextDB->GetText(STextKey(key), text)) return {};
    return text.GetText();
}

bool CGCGarage::IsSet(const char name[32])
{
    return FieldId(name) != -1;
}

void CGCGarage::SetUnset(char name[32])
{
    ClearName(name);
}

void CGCGarage::SetName(char name[32], const char* text)
{
    CopyName(name, text);
}

std::string CGCGarage::ModelName(std::int32_t id)
{
    const char* name = g_pModelManager && id >= 0 ? g_pModelManager->GetName(id) : nullptr;
    return name ? name : "";
}

void CGCGarage::Sound(const char* name)
{
    ConsoleEvents().Play2D(name);
}

CMechanoid* CGCGarage::PlayerMechanoid()
{
    return ::PlayerMechanoid();
}

CMechanoid* CGCGarage::ConfigMechanoid(int config)
{
    switch (config)
    {
    case 0:
        return PlayerMechanoid();
    case 1:
        return ClanMechanoid(0); // defence
    case 2:
        return ClanMechanoid(2); // trade
    default:
        return ClanMechanoid(1); // attack
    }
}

int CGCGarage::ItemKind(const char* name)
{
    std::int32_t index;
    if ((index = g_ModifManager.FindName(name)) >= 0)
    {
        const SModifParameters* m = g_ModifManager.GetModif(index);
        switch (m ? IModifierTable::GetModifType(m->m_dwUnicumId) : 0)
        {
        case 1:
        case 2:
            return kKindGlider;
        case 3:
            return kKindReactor;
        case 4:
            return kKindEngine;
        case 5:
            return kKindShield;
        default:
            return -1;
        }
    }
    if (g_GliderManager.FindName(name) >= 0) return kKindGlider;
    if ((index = g_GunManager.FindName(name)) >= 0)
        return g_GunManager.GetGun(index)->m_nType == 0 ? kKindGunLight : kKindGunHeavy;
    if ((index = g_EquipmentManager.FindName(name)) >= 0)
    {
        const SEquipmentParameters* e = g_EquipmentManager.GetEquipment(index);
        return 10 + (e ? e->m_nType : 0);
    }
    if (g_MissileManager.FindName(name) >= 0) return kKindMissile;
    return -1;
}

void CGCGarage::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGCGarage::Init");
    CGMenu::Init(rect, screen);
    // Console coordinates: the group's AddControl moves each child by the
    // console's top-left.
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    const int L = 0, T = 0, R = W;

    // Lists and panels first, the buttons are placed by them.
    const plat::Rect goods{L + 12, T + 29, L + W - 12, T + 120};
    const plat::Rect gliderList{L + 12, T + H - 125, L + W - 260, T + H - 34};
    const plat::Rect panel{goods.left, goods.bottom + 34, goods.left + 231, gliderList.top - 12};
    const plat::Rect info{panel.right + 7, goods.bottom + 12, gliderList.right,
                          goods.bottom + 12 + (panel.bottom - panel.top) + 22};
    const int h = (W - (info.right - L) - 234) / 2;
    const int buttonTop = info.top + 22;

    m_pBuyButton = MakeButton(info.right + 2 * h + 12, buttonTop, 95, 25, kBuy, 53, screen);
    m_pModifButton = MakeButton(info.right + 2 * h + 12, buttonTop, 95, 25, kModify, 37, screen);
    m_pRemoveButton = MakeButton(L + W - h - 107, buttonTop, 95, 25, kRemove, 54, screen);
    const int serviceLeft = (panel.left + panel.right) / 2 - 47;
    m_pAmmoButton = MakeButton(serviceLeft, info.bottom - 32, 95, 25, kAmmo, 55, screen);
    m_pRepairButton = MakeButton(serviceLeft, info.bottom - 32, 95, 25, kRepair, 56, screen);
    for (CMenuButton* b : {m_pBuyButton, m_pModifButton, m_pRemoveButton})
        b->SetClickSound(-1);
    m_pAmmoButton->SetClickSound(CPictureButton::SoundId("SND_I_AMMO"));
    m_pRepairButton->SetClickSound(CPictureButton::SoundId("SND_I_REPAIR"));
    m_pModifButton->SetToolTip(Text("INT_GARAGE_TOOLTIP34").c_str());
    m_pModifButton->Hide();

    m_pGoodsList = new CControlList();
    m_pGoodsList->Create(goods.left, goods.top, goods.right, goods.bottom, screen);
    m_pGliderList = new CControlList();
    m_pGliderList->Create(gliderList.left, gliderList.top, gliderList.right, gliderList.bottom, screen);

    m_pPricePanel = new CControl();
    m_pPricePanel->SetRectXY(panel.left, panel.top, panel.right, panel.bottom);
    m_pPricePanel->m_pScreen = screen;
    m_pPricePanel->Enable(0);
    const int side = (panel.right - panel.left) - 14;
    m_pPicture = new CImage();
    m_pPicture->Create(panel.left + 7, panel.top + 7, panel.left + 7 + side, panel.top + 7 + side,
                       "\xd2\xee\xe2\xe0\xf0"); // Товар
    m_pPicture->m_pScreen = screen;
    m_pPicture->Enable(0);
    m_pInfoWnd = new CHTMLScrollWnd();
    m_pInfoWnd->Init(info.left, info.top, info.right, info.bottom, screen);
    m_pHTML = m_pInfoWnd;

    // Slot bars: three rows of three.
    const int g = (W - (info.right - L) - 240) / 4;
    for (int i = 0; i < kSlots; ++i)
    {
        const int r = i / 3, c = i % 3;
        const int top = buttonTop + 25 + 11 + 84 * r;
        const int left = info.right + 16 + (g + 72 + 4 * r) * c - (r - 1) * g;
        auto* bar = new CAnimatedBar();
        bar->Create(left, top, left + 72, top + 74, screen);
        bar->m_nIconX = kSlotInfo[i].atlasX;
        bar->m_nIconY = kSlotInfo[i].atlasY;
        bar->SetToolTip(Text(kSlotInfo[i].tooltip).c_str());
        m_SlotKinds[i] = kSlotInfo[i].kind;
        m_apSlots[i] = bar;
    }
    m_nSlots = kSlots;

    // Filter buttons: groups below the list, sub-filters above it.
    const int groupLefts[4] = {220, 170, 120, 70};
    const int subLefts[kFilters] = {0, 0, 0, 0, 170, 120, 70, 220, 170, 120, 70};
    for (int i = 0; i < kFilters; ++i)
    {
        const int left = goods.right - (i < 4 ? groupLefts[i] : subLefts[i]);
        const int top = i < 4 ? goods.bottom : goods.top - 25;
        CMenuButton* b = MakeButton(left, top, 46, 25, 0xF000, kFilterInfo[i].picture, screen);
        b->m_nValue = std::int32_t(kFilterInfo[i].mask);
        b->SetToolTip(Text(kFilterInfo[i].tooltip).c_str());
        m_apFilters[i] = b;
        m_pGoodsList->AddFilterButton(b);
    }

    m_pPrevButton = MakeButton(gliderList.right + 66, gliderList.top + 45, 11, 40, kPrevPage, 33, screen);
    m_pNextButton = MakeButton(R - 92, gliderList.top + 45, 11, 40, kNextPage, 34, screen);
    m_pConfigButton = MakeButton(gliderList.right + 79, gliderList.top + 33, 96, 63, kApplyConfig, 40, screen);
    m_pConfigButton->SetToolTip(Text("INT_GARAGE_TOOLTIP21").c_str());

    auto own = [this](CControl* c)
    {
        m_Owned.emplace_back(c);
        CGroupControl::AddControl(c);
    };
    for (CControl* c : std::initializer_list<CControl*>{m_pBuyButton, m_pRemoveButton, m_pAmmoButton,
                                                        m_pRepairButton, m_pModifButton, m_pPricePanel,
                                                        m_pPicture, m_pGoodsList, m_pGliderList, m_pInfoWnd})
        own(c);
    for (CAnimatedBar* bar : m_apSlots)
        own(bar);
    for (CMenuButton* b : m_apFilters)
        own(b);
    for (CMenuButton* b : {m_pPrevButton, m_pNextButton, m_pConfigButton})
        own(b);

    for (int i = 0; i < kPageNames; ++i)
    {
        char key[32];
        std::snprintf(key, sizeof key, "INT_GARAGE_TOOLTIP%d", 23 + i);
        m_asPageNames[i] = Text(key);
    }
    m_nPageNames = kPageNames;
    m_sConfigTip = Text("INT_GARAGE_TOOLTIP22");
    m_iConfigPage = 0;
    m_bChanged = false;
    m_iModifMask = -1;
    m_iSlot = -1;
    m_dwModif = 0;
    m_fPrice = 0.0f;
    m_fRepairPrice = 0.0f;
    m_fAmmoPrice = kDefaultAmmoPrice;
    Hide();
}

bool CGCGarage::SelectSlotByName(const char* name)
{
    SetName(m_szGood, name);
    for (int i = 0; i < m_nSlots; ++i)
        if (m_apSlots[i]->m_bEnabled && IsSet(m_SlotGoods[i]) && SameName(m_SlotGoods[i], name))
        {
            SelectSlot(i);
            return true;
        }
    return false;
}

void CGCGarage::TakeGliderNames(const CMechanoid* m)
{
    const std::int32_t index = m ? m->m_GliderData.GetIndex() : -1;
    const SGliderParameters* type = index >= 0 ? g_GliderManager.GetGlider(index) : nullptr;
    if (!type)
    {
        SetUnset(m_szModel);
        SetUnset(m_szGood);
        return;
    }
    SetName(m_szModel, ModelName(type->GetModelId()).c_str());
    SetName(m_szGood, g_GliderManager.GetName(index));
}

void CGCGarage::OnMouseLClick()
{
    XTRACE("CGCGarage::OnMouseLClick");
    char oldGood[32];
    CopyName(oldGood, m_szGood);
    const std::uint32_t oldModif = m_dwModif;
    const int oldKind = m_iGoodKind;
    SetUnset(m_szGood);
    SetUnset(m_szModel);
    m_dwModif = 0;

    const plat::Point p = CursorPos();
    for (int i = 0; i < m_nSlots; ++i)
    {
        const plat::Rect& r = m_apSlots[i]->m_Rect;
        const bool inside = p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
        if (inside && (m_apSlots[i]->m_bHasModel || m_apSlots[i]->m_bDragging)) SelectSlot(i);
    }
    if (PointInRect(m_pGoodsList->m_Rect, p.x, p.y) && m_pGoodsList->FindItemAt(p.x, p.y))
    {
        SelectSlot(-1);
        m_pGliderList->SelectIndex(-1);
    }
    if (PointInRect(m_pGliderList->m_Rect, p.x, p.y) && m_pGliderList->FindItemAt(p.x, p.y))
    {
        SelectSlot(-1);
        m_pGoodsList->SelectIndex(-1);
    }
    if (CControlListItem* item = m_pGoodsList->GetSelected())
    {
        SetName(m_szModel, item->m_ClassID.name);
        SetName(m_szGood, item->m_szName);
        m_dwModif = item->m_dwModifier;
    }
    if (CControlListItem* item = m_pGliderList->GetSelected())
    {
        SetName(m_szModel, item->m_ClassID.name);
        SetName(m_szGood, item->m_szName);
    }
    bool sound = false;
    if (GetSelectedSlot() != -1)
    {
        const std::string model = GetSelectedSlotName();
        if (model.empty())
            SetUnset(m_szModel);
        else
            SetName(m_szModel, model.c_str());
        sound = !SameName(m_szGood, oldGood) || m_dwModif != oldModif || m_iGoodKind == kKindConfig;
        if (sound) Sound("SND_I_GLIDER_SELECT_DEVICE");
    }
    if (!IsSet(m_szGood) && !IsSet(m_szModel))
    {
        m_iGoodKind = kKindConfig;
        TakeGliderNames(ShownMechanoid());
    }
    else
        m_fPrice = GetGoodPrice();
    UpdateModifButton();
    if (!SameName(m_szGood, oldGood) || m_dwModif != oldModif || m_iGoodKind != oldKind || sound)
    {
        if (m_iGoodKind != kKindConfig)
        {
            m_fPrice = GetGoodPrice();
            m_fWeight = GetGoodWeight();
        }
        if (IsSet(m_szGood) && IsSet(m_szModel)) ShowGood();
    }
}

void CGCGarage::AddInfo(const std::string& text, const char* captionKey)
{
    if (text.empty()) return;
    const std::string caption = Text(captionKey);
    if (!m_sShownText.empty()) m_sShownText += "\n";
    m_sShownText += caption + "|" + text;
    if (m_pInfoWnd)
        m_pInfoWnd->AddEntry(text.c_str(), caption.empty() ? nullptr : caption.c_str(), captionKey,
                             CHTMLWnd::kNoUserValue, nullptr, false, false);
}

void CGCGarage::ShowGood()
{
    XTRACE("CGCGarage::ShowGood");
    if (m_pInfoWnd) m_pInfoWnd->HTMLClear();
    m_sShownText.clear();
    if (!IsSet(m_szGood) || !IsSet(m_szModel))
    {
        if (m_iGoodKind != kKindConfig) return;
        TakeGliderNames(ShownMechanoid());
        m_fPrice = GetGoodPrice();
        m_fWeight = GetGoodWeight();
    }
    std::string modif;
    GetInfoModif(modif);
    if (!modif.empty())
    {
        AddInfo(modif, "INT_GARAGE_CAPTION1");
        return;
    }
    std::string text;
    CXAnsiString dbText, dbName;
    if (m_iGoodKind == kKindUnknown)
    {
        text = GetMechInfo(m_szGood);
        if (!text.empty())
        {
            CXAnsiString own;
            if (g_pTextDB && g_pTextDB->GetText(STextKey(m_szGood), own))
            {
                text = own.GetText();
                m_iGoodKind = kKindText;
            }
        }
        else
        {
            if (!g_pTextDB || !g_pTextDB->Lookup(STextKey(m_szModel), dbText, dbName))
            {
                m_iGoodKind = kKindConfig;
                ShowGood();
                m_iGoodKind = kKindUnknown;
                return;
            }
            text = dbText.GetText();
            AddInfo(std::string("<icon:MINUS>") + dbName.GetText(), "infogood");
        }
    }
    else if (m_iGoodKind != kKindConfig)
    {
        if (g_pTextDB) g_pTextDB->Lookup(STextKey(m_szGood), dbText, dbName);
        if (*dbName.GetText())
        {
            AddInfo(std::string("<icon:MINUS>") + dbName.GetText(), "infogood");
            if (m_pInfoWnd && m_iGoodKind != kKindGoods) m_pInfoWnd->CollapseBlock("infogood", true);
        }
    }

    std::string page;
    switch (m_iGoodKind)
    {
    case kKindGlider:
        ShowInfoGlider(page);
        break;
    case kKindGunLight:
    case kKindGunHeavy:
        ShowInfoGun(page);
        break;
    case kKindMissile:
        ShowInfoAmmo(page);
        break;
    case kKindReactor:
        ShowInfoReactor(page);
        break;
    case kKindShield:
        ShowInfoShield(page);
        break;
    case kKindArmor:
        ShowInfoArmor(page);
        break;
    case kKindEngine:
        ShowInfoEngine(page);
        break;
    case kKindAddEqp:
        ShowInfoAddEqp(page);
        break;
    case kKindConfig:
    {
        std::string speeds, weights, energy, defence;
        ShowInfoConfig(speeds, weights, energy, defence);
        AddInfo(defence, "INT_GARAGE_CAPTION2");
        AddInfo(speeds, "INT_GARAGE_CAPTION3");
        AddInfo(weights, "INT_GARAGE_CAPTION4");
        AddInfo(energy, "INT_GARAGE_CAPTION5");
        return;
    }
    default:
        page = text;
        break;
    }
    if (m_iGoodKind == kKindUnknown || m_iGoodKind == kKindText || m_iGoodKind == kKindGoods)
        page = text;
    AddInfo(page, m_iGoodKind == kKindUnknown ? "INT_GARAGE_CAPTION6"
                  : m_iGoodKind == kKindText  ? "INT_GARAGE_CAPTION7"
                                              : "INT_GARAGE_CAPTION8");
}

void CGCGarage::UpdateModifButton()
{
    const bool isModifier = IsSet(m_szGood) && g_ModifManager.FindName(m_szGood) >= 0;
    if (!isModifier)
    {
        if (!m_bGliderMenu) m_pBuyButton->Show();
        m_pModifButton->Hide();
        return;
    }
    m_fPrice = GetGoodPrice();
    m_fWeight = GetGoodWeight();
    if (m_bGliderMenu) return;
    m_pBuyButton->Hide();
    m_pModifButton->Show();
    const CMechanoid* player = PlayerMechanoid();
    if (m_pGoodsList->GetSelected())
    {
        m_pModifButton->SetToolTip(Text("INT_GARAGE_TOOLTIP34").c_str());
        m_pModifButton->m_nPicture = 37;
        m_pModifButton->Enable(player && m_fPrice <= player->m_Garbage.m_fMoney);
    }
    else if (m_pGliderList->GetSelected())
    {
        m_pModifButton->SetToolTip(Text("INT_GARAGE_TOOLTIP35").c_str());
        m_pModifButton->m_nPicture = 95;
        m_pModifButton->Enable(IsEnableModification());
    }
}

void CGCGarage::UpdateGunSlots()
{
    for (int i : {kSlotGun1, kSlotReactor2, kSlotEngine2, kSlotGun2})
        m_apSlots[i]->Enable(0);
    m_fAmmoPrice = kDefaultAmmoPrice;
    const CMechanoid* m = ShownMechanoid();
    const SGliderParameters* type = m ? ShownGliderType(*m) : nullptr;
    if (!type) return;
    SGliderParameters p;
    if (g_GliderManager.GetParam(p, m->m_GliderData.GetIndex(), m->m_GliderData.m_dwModif) == 0) return;
    if (p.m_nStandard > 2)
    {
        m_apSlots[kSlotReactor2]->Enable(1);
        m_apSlots[kSlotEngine2]->Enable(1);
    }
    auto setGun = [&](int slot, std::uint32_t any, std::uint32_t light)
    {
        if (!(std::uint32_t(p.m_nGunMask) & any)) return;
        m_apSlots[slot]->Enable(1);
        const int kind = (std::uint32_t(p.m_nGunMask) & light) ? kKindGunLight : kKindGunHeavy;
        if (kind != m_SlotKinds[slot])
        {
            m_SlotKinds[slot] = kind;
            m_apSlots[slot]->SetToolTip(Text(kind == kKindGunLight ? "INT_GARAGE_TOOLTIP27" : "INT_GARAGE_TOOLTIP28").c_str());
        }
    };
    setGun(kSlotGun1, 0x003, 0x001);
    setGun(kSlotGun2, 0x300, 0x100);
}

void CGCGarage::CheckButtonsEnable()
{
    XTRACE("CGCGarage::CheckButtonsEnable");
    if (!g_pPlayerGlider) return;
    CMechanoid* player = PlayerMechanoid();
    // Ammunition waiting in the mechanoid goes into its gun.
    if (player)
        for (int i = 0; i < 2; ++i)
            if (player->m_fWaitingAmmo[i] > 0.0f)
            {
                g_pPlayerGlider->m_Guns[i].m_fAmmo = player->m_fWaitingAmmo[i];
                player->m_fWaitingAmmo[i] = 0.0f;
            }
    for (int i = 0; i < 2; ++i)
    {
        const CGun& gun = g_pPlayerGlider->m_Guns[i];
        const SGunParameters* desc = gun.GetGunDesc();
        const bool short_ = desc && desc->m_bTypeArms && desc->m_fSpare > 0.0f && gun.m_fAmmo < desc->m_fSpare;
        m_apSlots[i == 0 ? kSlotGun1 : kSlotGun2]->m_fFill = short_ ? 1.0f - gun.m_fAmmo / desc->m_fSpare : 0.0f;
    }
    // Tabs stay shut while the glider cannot fly.
    if (auto* host = dynamic_cast<CUIMenu*>(m_pScreen))
    {
        const bool ready = IsGliderReady();
        for (int t = 0; t < CUIMenu::kTabCount; ++t)
        {
            CMenuButton* tab = host->GetTab(CUIMenu::ETab(t));
            if (tab && t != CUIMenu::kTabGarage) tab->Enable(ready);
        }
    }
    // Disabled first; the ammunition and repair buttons are shown below
    // exactly when enabled (hidden and shown again only on a change, so that
    // a click in progress on them is kept).
    for (CMenuButton* b : {m_pBuyButton, m_pRemoveButton, m_pAmmoButton, m_pRepairButton})
        b->Enable(0);
    auto showEnabled = [](CMenuButton* b)
    {
        if (b->m_bEnabled && !b->m_bVisible) b->Show();
        if (!b->m_bEnabled && b->m_bVisible) b->Hide();
    };

    CMechanoid* shown = ShownMechanoid();
    if (!shown && g_pWorld)
    {
        g_pWorld->SetDefaultState();
        shown = ShownMechanoid();
    }
    if (!shown)
    {
        showEnabled(m_pAmmoButton);
        showEnabled(m_pRepairButton);
        return;
    }
    const float money = player ? player->m_Garbage.m_fMoney : 0.0f;

    if (m_pGoodsList->GetSelected())
    {
        const bool paid = m_iConfig != 0 || float(m_iCount) * m_fPrice <= money;
        if (paid)
        {
            if (m_iGoodKind == kKindGlider)
                m_pBuyButton->Enable(1);
            else if (player)
            {
                const float room = player->GetMaxGoodsWeight() - player->GetGoodsWeight();
                const SGliderParameters* type = ShownGliderType(*shown);
                bool ok = float(m_iCount) * m_fWeight < room && type;
                if (ok && m_iGoodKind == kKindGunHeavy) ok = (type->m_nGunMask & 0x202) != 0;
                if (ok && m_iGoodKind == kKindGunLight) ok = (type->m_nGunMask & 0x101) != 0;
                m_pBuyButton->Enable(ok);
            }
        }
    }
    else
        m_pRemoveButton->Enable(m_pGliderList->GetSelected() || GetSelectedSlot() != -1);

    if (m_iConfigPage == 0 && money >= m_fAmmoPrice)
    {
        const int slot = GetSelectedSlot();
        auto below = [](const CGun* gun)
        {
            const SGunParameters* d = gun ? gun->GetGunDesc() : nullptr;
            return d && gun->m_bMounted && gun->m_fAmmo < d->m_fSpare;
        };
        if ((slot == kSlotGun1 && below(PlayerGun(0))) || (slot == kSlotGun2 && below(PlayerGun(1))))
            m_pAmmoButton->Enable(1);
    }

    const int slot = GetSelectedSlot();
    m_fRepairPrice = slot >= 0 ? SlotRepairCost(*shown, slot) : 0.0f;
    m_pRepairButton->Enable(m_iConfigPage == 0 && m_fRepairPrice != 0.0f && money >= m_fRepairPrice);
    if (m_iConfigPage == 0 && m_iGoodKind == kKindConfig && player && player->IsDamaged())
    {
        m_fRepairPrice = WholeRepairCost(*player);
        m_pRepairButton->Enable(money >= m_fRepairPrice);
    }

    if (!m_bGliderMenu)
    {
        const std::uint32_t filter = m_pGoodsList->GetFilter();
        for (int i = 4; i < kFilters; ++i)
        {
            const std::uint32_t group = i < 7 ? 0xF000u : 0x0F00u;
            if (filter & group)
                m_apFilters[i]->Show();
            else
                m_apFilters[i]->Hide();
        }
    }
    showEnabled(m_pAmmoButton);
    showEnabled(m_pRepairButton);

    if (IsSet(m_szGood) && player && !player->IsFitted(EQP_CHAOS_GEN))
        for (const char* needs : {"EQP_DVIG_CHAOS", "EQP_REGENERATOR", "EQP_REPAIR_SYSTEM"})
            if (SameName(m_szGood, needs)) m_pBuyButton->Enable(0);
    UpdateGunSlots();
}

void CGCGarage::DrawPriceLine()
{
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!g || !m_pPricePanel) return;
    const plat::Rect& panel = m_pPricePanel->m_Rect;
    const CMechanoid* player = PlayerMechanoid();
    const float money = player ? player->m_Garbage.m_fMoney : 0.0f;
    char line[128];
    if (m_iNotice == 0)
    {
        const plat::Point p = CursorPos();
        const int slot = m_iSlot;
        CControlListItem* under =
            PointInRect(m_pGoodsList->m_Rect, p.x, p.y) ? m_pGoodsList->FindItemAt(p.x, p.y) : nullptr;
        bool compare = under && slot >= 0 && under->m_nKind == m_SlotKinds[slot];
        float itemPrice = 0.0f;
        if (compare)
        {
            if (m_SlotKinds[slot] == kKindGlider && ShownMechanoid())
                m_fRepairPrice = SlotRepairCost(*ShownMechanoid(), kSlotGlider);
            itemPrice = GetGoodPrice(under->m_szName);
        }
        if (m_fPrice != 0.0f)
        {
            const float shown = compare ? itemPrice - m_fPrice : m_fPrice;
            std::uint32_t colour = 0xFFFFFFFF;
            if (compare) colour = shown <= 0.0f ? 0xFF00FF00 : shown <= money ? 0xFFFFFF00 : 0xFFFF0000;
            std::string text = Text("INT_GARAGE_TOOLTIP29");
            std::snprintf(line, sizeof line, "%s %.0f", text.c_str(), double(std::round(shown)));
            menus::ShadowText(g, line, panel.left + 5, panel.top - 21, colour);
        }
        if (m_fWeight != 0.0f)
        {
            std::snprintf(line, sizeof line, "%s %.0f", Text("INT_GARAGE_TOOLTIP30").c_str(), double(m_fWeight));
            menus::ShadowText(g, line, panel.right - 10 - MeasureText(line), panel.top - 21, 0xFFFFFFFF);
        }
        return;
    }
    const bool repair = m_iNotice == 2;
    std::snprintf(line, sizeof line, "%s %.0f", Text(repair ? "INT_GARAGE_TOOLTIP31" : "INT_GARAGE_TOOLTIP32").c_str(),
                  double(std::round(repair ? m_fRepairPrice : m_fAmmoPrice)));
    menus::ShadowText(g, line, (panel.left + panel.right - MeasureText(line)) / 2, panel.top - 21,
                      repair ? 0xFFFF0000 : 0xFFFFFF00);
}

void CGCGarage::Render()
{
    XTRACE("CGCGarage::Render");
    CheckHighlighted();
    if (!m_bGliderMenu)
    {
        CXAnsiString name;
        m_sTitle = g_pTextDB && g_pTextDB->GetName(STextKey(m_szBuilding), name) ? name.GetText() : m_szBuilding;
    }
    else
        m_sTitle = Text("INT_GARAGE_TOOLTIP33");
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (g && m_pPricePanel)
    {
        const plat::Rect& panel = m_pPricePanel->m_Rect;
        const int step = std::max(1, (panel.bottom - panel.top) / 6);
        for (int x = panel.left + step / 2; x < panel.right; x += step)
            menus::FillRect(g, plat::Rect{x, panel.top, x + 1, panel.bottom}, menus::kFrameFill);
        for (int y = panel.top + step / 2; y < panel.bottom; y += step)
            menus::FillRect(g, plat::Rect{panel.left, y, panel.right, y + 1}, menus::kFrameFill);
    }
    if (m_pScreen && m_pScreen->GetClock()) s_fModelAngle += 0.3f * m_pScreen->GetClock()->GetFrameTime();
    DrawPriceLine();
    if (g)
    {
        menus::FillRect(g, plat::Rect{m_Rect.left + 24, m_Rect.bottom - 3, m_Rect.right - 24, m_Rect.bottom},
                        0xFF2DABD9);
        if (IsSet(m_szModel) && m_pPicture)
            UIRenderObject(SUIModelName(m_szModel), s_fModelAngle, m_pPicture->m_Rect, true);
        if (!m_sTitle.empty())
            menus::ShadowText(g, m_sTitle.c_str(), m_TopAnchor[0] - MeasureText(m_sTitle.c_str()) / 2,
                              m_TopAnchor[1], menus::kWhite);
        if (m_iConfigPage >= 0 && m_iConfigPage < kPageNames && m_pGliderList)
        {
            const std::string& page = m_asPageNames[m_iConfigPage];
            const int cx = (m_pGliderList->m_Rect.right + m_Rect.right) / 2;
            menus::ShadowText(g, page.c_str(), cx - MeasureText(page.c_str()) / 2, m_Rect.bottom - 8 - LineHeight(),
                              menus::kWhite);
        }
    }
    CGMenu::Render();
}
