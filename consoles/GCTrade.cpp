#include "consoles/GCTrade.h"

#include "consoles/ConsoleServices.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "graphics/GraphicInterface.h"
#include "menus/ControlList.h"
#include "menus/CountSelector.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/TextFormat.h"
#include "ui/Controls.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/CommandArgument.h"
#include "ui/markup/HTMLWnd.h"
#include "script/game/TextDatabase.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/MMEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace menus;

namespace
{
constexpr std::uint32_t kLineColour = 0xFFD09E41;
constexpr std::uint32_t kShadow = 0xCC000000;
constexpr int kBuyPicture = 37;
constexpr int kSellPicture = 38;
constexpr int kFilterSoldPicture = 74;
constexpr int kFilterBoughtPicture = 75;
// The goods' picture area carries this name ("Товар").
constexpr char kGoodsImageName[] = "\xD2\xEE\xE2\xE0\xF0";

// A fixed 32-character name as a terminated text.
std::string NameText(const char (&name)[32])
{
    return std::string(name, strnlen(name, sizeof name));
}

bool IsTradeGoodName(const char* name)
{
    return name && std::strstr(name, "TOV_") != nullptr;
}

// A cargo entry the console lists: a good of the goods or unique kind.
bool IsCargoGood(const SItemRec& e)
{
    return (e.m_nKind == ITEM_GOODS || e.m_nKind == ITEM_UNIQUE) && e.m_nCount != 0 &&
           IsTradeGoodName(NameText(e.m_szName).c_str());
}

std::int32_t Rounded(float value)
{
    return std::int32_t(std::lround(value));
}

float BuyPrice(SExBuildingTrade* trade, const char* good, std::int32_t count, std::int32_t level)
{
    float price = 0.0f;
    if (!trade || !trade->GetBuyPrice(good, count, &price, level)) return 0.0f;
    return price;
}

float SoldPrice(SExBuildingTrade* trade, const char* good, std::int32_t count, std::int32_t level)
{
    float price = 0.0f;
    if (!trade) return 0.0f;
    trade->GetSoldPrice(good, count, &price, level);
    return price;
}

float GoodsMass(const char* good)
{
    const SGoodsParameters* t = g_GoodsManager.FindGoods(good);
    return t ? t->m_fMass : 0.0f;
}
} // namespace

CGCTrade::CGCTrade()
{
    m_ClassID = MakeClassKey("CGCTrade", -1);
    std::memset(m_szShownGood, 0xFF, 4);
    std::memset(m_SelectedGood.m_szName, 0xFF, 4);
}

CGCTrade::~CGCTrade()
{
    for (auto& button : m_pFilterButtons)
        RemoveControl(button.get());
    if (m_pSoldList) m_pSoldList->ClearFilterButtons();
    for (CControl* c : std::initializer_list<CControl*>{
             m_pBuyButton.get(), m_pSellButton.get(), m_pGoodsImage.get(), m_pBuyList.get(), m_pSoldList.get(),
             m_pDealLog.get(), m_pDescription.get(), m_pBuyCount.get(), m_pSellCount.get()})
        RemoveControl(c);
}

CGuidKey CGCTrade::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCTrade");
}

void CGCTrade::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGCTrade::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCTrade", -1);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;

    m_pSoldList = std::make_unique<CControlList>();
    m_pSoldList->Create(12, 29, W - 12, 120, screen);
    m_pBuyList = std::make_unique<CControlList>();
    m_pBuyList->Create(12, H - 120, W - 12, H - 29, screen);
    const plat::Rect list1{12, 29, W - 12, 120}, list2{12, H - 120, W - 12, H - 29};

    m_GoodsFrame = plat::Rect{list1.left, list1.bottom + 34, list1.left + 231, list2.top - 12};
    m_pGoodsImage = std::make_unique<CImage>();
    m_pGoodsImage->Create(m_GoodsFrame.left + 12, m_GoodsFrame.top + 12, m_GoodsFrame.right - 2,
                          m_GoodsFrame.bottom - 2, kGoodsImageName);
    const int frameHeight = m_GoodsFrame.bottom - m_GoodsFrame.top;
    const plat::Rect describe{m_GoodsFrame.right + 12, list1.bottom + 12, m_GoodsFrame.right + 270,
                              list1.bottom + 34 + frameHeight};
    m_pDescription = std::make_unique<CHTMLScrollWnd>();
    m_pDescription->Init(describe.left, describe.top, describe.right, describe.bottom, screen);
    m_pDescription->SetTextDB(g_pTextDB);
    const plat::Rect log{describe.right + 12, describe.top + 77, W - 12, describe.bottom - 48};
    m_pDealLog = std::make_unique<CHTMLScrollWnd>();
    m_pDealLog->Init(log.left, log.top, log.right, log.bottom, screen);
    m_pDealLog->SetTextDB(g_pTextDB);

    m_pBuyCount = std::make_unique<CCountSelector>();
    m_pBuyCount->Init(log.left, describe.top + 24, log.left + 40, describe.top + 68, screen);
    m_pSellCount = std::make_unique<CCountSelector>();
    m_pSellCount->Init(log.left, log.bottom + 7, log.left + 40, log.bottom + 51, screen);

    auto makeDealButton = [&](const CCountSelector& beside, int command, int picture)
    {
        auto button = std::make_unique<CMenuButton>();
        const int left = beside.m_Rect.right + 5, top = beside.m_Rect.top + 10;
        button->Create(left, top, left + 95, top + 25, "", CButton::kPush, command);
        button->m_nPicture = picture;
        button->SetClickSound(-1); // the deal plays its own
        return button;
    };
    m_pBuyButton = makeDealButton(*m_pBuyCount, kBuyCommand, kBuyPicture);
    m_pSellButton = makeDealButton(*m_pSellCount, kSellCommand, kSellPicture);

    AddFilterButtons(list1.right, list1.bottom);
    for (auto& button : m_pFilterButtons)
        AddControl(button.get());
    AddControl(m_pBuyButton.get());
    AddControl(m_pSellButton.get());
    AddControl(m_pGoodsImage.get());
    AddControl(m_pBuyList.get());
    AddControl(m_pSoldList.get());
    AddControl(m_pDealLog.get());
    AddControl(m_pDescription.get());
    AddControl(m_pBuyCount.get());
    AddControl(m_pSellCount.get());
    // The frame moves with the console as the children did.
    m_GoodsFrame = plat::Rect{m_GoodsFrame.left + rect.left, m_GoodsFrame.top + rect.top,
                              m_GoodsFrame.right + rect.left, m_GoodsFrame.bottom + rect.top};
    OpenSide(true, false);
    OpenSide(false, false);
    Hide();
}

void CGCTrade::AddFilterButtons(int right, int bottom)
{
    struct SFilter
    {
        int left, right, picture;
        std::uint32_t filter;
        const char* tooltip;
    };
    const SFilter filters[2] = {
        {right - 100, right - 20, kFilterBoughtPicture, kBought, "INT_TRADE_TOOLTIP_01"},
        {right - 182, right - 102, kFilterSoldPicture, kSold, "INT_TRADE_TOOLTIP_02"},
    };
    for (int i = 0; i < 2; ++i)
    {
        auto button = std::make_unique<CMenuButton>();
        button->Create(filters[i].left, bottom, filters[i].right, bottom + 17, "", CButton::kPush, kNoCommand);
        button->m_nPicture = filters[i].picture;
        button->m_nValue = std::int32_t(filters[i].filter);
        button->SetToolTip(TextOf(filters[i].tooltip).c_str());
        button->SetClickSound(-1);
        m_pSoldList->AddFilterButton(button.get());
        m_pFilterButtons[i] = std::move(button);
    }
}

void CGCTrade::SetBuilding(const char* name)
{
    XTRACE("CGCTrade::SetBuilding");
    CGMenu::SetBuilding(name);
    m_pTrade = g_pTrade && HasBuilding() ? g_pTrade->FindBuilding(m_szBuilding) : nullptr;
    if (!m_pTrade) Enable(0);
    Refresh(false);
    SetCount();
    m_pTrade = g_pTrade && HasBuilding() ? g_pTrade->FindBuilding(m_szBuilding) : nullptr;
    if (!m_pSoldList) return;
    m_pSoldList->SetFilter(kSold, true);
    if (m_pSoldList->GetCount() == 0) m_pSoldList->SetFilter(kBought, true);
}

void CGCTrade::OnActivated()
{
    XTRACE("CGCTrade::OnActivated");
    CGMenu::OnActivated();
    Refresh(false);
    SelectFirstGood();
}

void CGCTrade::SelectFirstGood()
{
    XTRACE("CGCTrade::SelectFirstGood");
    if (!m_pSoldList || !m_pBuyList) return;
    // One deal open at a time: a selection in one grid clears the other.
    m_pBuyList->SelectIndex(-1);
    m_pSoldList->SelectIndex(0);
    if (!GetGood())
    {
        m_pSoldList->SelectIndex(-1);
        m_pBuyList->SelectIndex(0);
    }
    ShowGood(GetGood());
}

const char* CGCTrade::ItemGood(const CControlListItem* item)
{
    return item ? item->m_ClassID.name : "";
}

SItemRec* CGCTrade::FindCargo(const char* name)
{
    CMechanoid* mech = PlayerMechanoid();
    if (!mech || !name) return nullptr;
    for (SItemRec& e : mech->m_Garbage.m_Items)
        if (IsCargoGood(e) && SameName(e.m_szName, name)) return &e;
    return nullptr;
}

bool CGCTrade::HasSelectedGood() const
{
    return !IsInvalidName(m_SelectedGood.m_szName);
}

const STradeGood* CGCTrade::GetGood()
{
    if (!m_pTrade || !m_pSoldList || !m_pBuyList) return nullptr;
    const std::int32_t level = PlayerRatingLevel();
    if (CControlListItem* item = m_pSoldList->GetSelected())
        if (const STradeGood* entry = m_pTrade->FindGood(ItemGood(item)))
        {
            m_SelectedGood = *entry;
            m_pSelectedItem = item;
            m_SelectedGood.m_fBuyPrice = BuyPrice(m_pTrade, entry->m_szName, 1, level);
            m_SelectedGood.m_fSellPrice = 0.0f;
            return &m_SelectedGood;
        }
    if (CControlListItem* item = m_pBuyList->GetSelected())
        if (const SItemRec* cargo = FindCargo(ItemGood(item)))
        {
            const float price = SoldPrice(m_pTrade, ItemGood(item), 1, level);
            m_SelectedGood = STradeGood{};
            CopyName(m_SelectedGood.m_szName, ItemGood(item));
            m_SelectedGood.m_fStock = float(cargo->m_nCount);
            m_SelectedGood.m_fUnitMass = 1.0f;
            m_SelectedGood.m_fBuyPrice = price;
            m_SelectedGood.m_fSellPrice = price;
            m_pSelectedItem = item;
            return &m_SelectedGood;
        }
    m_pSelectedItem = nullptr;
    return nullptr;
}

void CGCTrade::RecalcPrice()
{
    m_fBuyTotal = m_fSellTotal = 0.0f;
    if (!HasSelectedGood() || !m_pBuyList) return;
    const std::int32_t level = PlayerRatingLevel();
    const char* good = m_SelectedGood.m_szName;
    if (!m_pBuyList->GetSelected())
    {
        // What a unit costs before the rating; the total with it.
        m_fUnitPrice = BuyPrice(m_pTrade, good, 1, 0);
        m_fBuyTotal = BuyPrice(m_pTrade, good, m_pBuyCount->GetValue(), level);
    }
    else
    {
        m_fUnitPrice = SoldPrice(m_pTrade, good, 1, level);
        m_fSellTotal = SoldPrice(m_pTrade, good, m_pSellCount->GetValue(), level);
    }
}

void CGCTrade::ShowGood(const STradeGood* good)
{
    XTRACE("CGCTrade::ShowGood");
    if (!good || !m_pBuyList) return;
    // Shown as the lists stand now: a filtering of the console's own (a
    // refresh) asks no second showing at the player's next click, which
    // would put the count back to the largest and lose the one typed.
    if (m_pSoldList) m_pSoldList->TakeFilterChanged();
    const STradeGood shown = *good; // the copy may be rewritten below
    CMechanoid* mech = PlayerMechanoid();
    const float money = mech ? mech->m_Garbage.m_fMoney : 0.0f;
    const float room = mech ? mech->GetMaxGoodsWeight() : 0.0f;
    const float goodsWeight = mech ? mech->GetGoodsWeight() : 0.0f;
    const std::int32_t stockUnits =
        shown.m_fUnitMass == 0.0f ? 0 : std::int32_t(shown.m_fStock / shown.m_fUnitMass);
    const float freeWeight = room - goodsWeight;
    m_fUnitWeight = GoodsMass(shown.m_szName);
    if (!SameName(shown.m_szName, m_szShownGood))
    {
        CopyName(m_szShownGood, shown.m_szName);
        m_bDescribe = true;
    }
    std::int32_t n = stockUnits;
    if (m_fUnitWeight > 0.0f && float(n) * m_fUnitWeight > freeWeight)
        n = std::int32_t(std::max(0.0f, freeWeight) / m_fUnitWeight);
    n = std::max(n, 1);
    const bool selling = m_pBuyList->GetSelected() != nullptr;
    if (selling)
        n = std::min(m_pSelectedItem ? m_pSelectedItem->m_nCount : n, kMaxCount);
    else
    {
        if (m_fUnitWeight > 0.0f) n = std::min(n, std::int32_t(std::max(0.0f, room) / m_fUnitWeight));
        n = std::min(n, kMaxCount);
        // The largest count the money pays for (the price grows with the
        // count), at least 1.
        const std::int32_t level = PlayerRatingLevel();
        if (n > 1 && BuyPrice(m_pTrade, shown.m_szName, n, level) > money)
        {
            std::int32_t lo = 1, hi = n - 1;
            while (lo < hi)
            {
                const std::int32_t mid = lo + (hi - lo + 1) / 2;
                if (BuyPrice(m_pTrade, shown.m_szName, mid, level) > money)
                    hi = mid - 1;
                else
                    lo = mid;
            }
            n = lo;
        }
    }
    n = std::max(n, 1);
    m_fUnitPrice = 0.0f;
    if (m_bDescribe && m_pDescription)
    {
        m_bDescribe = false;
        m_pDescription->HTMLClear();
        const std::string heading = "<icon:MINUS>" + DisplayName(shown.m_szName);
        m_pDescription->AddEntry(TextOf(shown.m_szName).c_str(), heading.c_str(), shown.m_szName,
                                 CHTMLWnd::kNoUserValue, nullptr, false, false);
    }
    CCountSelector* open = selling ? m_pSellCount.get() : m_pBuyCount.get();
    open->m_pField->m_nMaximum = n;
    open->m_pField->SetValue(open->m_pField->GetValue(), false);
    open->SetValue(n);
    RecalcPrice();

    OpenSide(true, true);
    OpenSide(false, true);
    if (!m_pSoldList->GetSelected()) OpenSide(true, false);
    if (!selling) OpenSide(false, false);
    if (!selling && (goodsWeight + m_fUnitWeight >= room || m_fUnitPrice > money || stockUnits < n))
        OpenSide(true, false);
}

void CGCTrade::ResetCount(CCountSelector* selector)
{
    if (selector && selector->m_pField) selector->m_pField->SetValue(1, false);
}

void CGCTrade::OpenSide(bool buying, bool open)
{
    CMenuButton* button = buying ? m_pBuyButton.get() : m_pSellButton.get();
    CCountSelector* count = buying ? m_pBuyCount.get() : m_pSellCount.get();
    if (!button || !count) return;
    const int on = open ? 1 : 0;
    button->Enable(on);
    count->Enable(on);
    for (CControl* c : std::initializer_list<CControl*>{count->m_pField, count->m_pUp, count->m_pDown})
        if (c) c->Enable(on);
    count->m_bVisible = on;
    if (count->m_pField) count->m_pField->m_bVisible = on;
    if (!open) ResetCount(count);
}

bool CGCTrade::IsBuyOpen() const
{
    return m_pBuyButton && m_pBuyButton->m_bEnabled;
}

bool CGCTrade::IsSellOpen() const
{
    return m_pSellButton && m_pSellButton->m_bEnabled;
}

void CGCTrade::AddDealLine(const char* icon, const char* titleKey, const char* good, std::int32_t count,
                           float price)
{
    if (!m_pDealLog) return;
    // Appended rather than "literal" + string: GCC 12 warns falsely of an
    // overlapping copy in that operator at -O2 (-Wrestrict).
    std::string deal = " ";
    deal += FormatGameText(TextOf("INT_TRADE_TEXT_11").c_str(), {int(count), int(Rounded(price))});
    deal += " <p>";
    const std::string entry = std::string(icon) + " " + TextOf(titleKey) + "<br>" + DisplayName(good) + deal;
    m_pDealLog->AddEntry(entry.c_str(), "", nullptr, CHTMLWnd::kNoUserValue, nullptr, false, false);
}

void CGCTrade::Buy()
{
    XTRACE("CGCTrade::Buy");
    const STradeGood* good = GetGood();
    CMechanoid* mech = PlayerMechanoid();
    if (good && mech && m_pTrade)
    {
        char name[33] = {};
        CopyName(name, good->m_szName);
        const std::int32_t count = m_pBuyCount->GetValue();
        const float before = mech->m_Garbage.m_fMoney;
        // The trade record delivers what the stock and the money allow and
        // charges for that only; the log and the sink hear what moved.
        const std::int32_t moved = m_pTrade->BuyGoodFromBuilding(name, count, PlayerRatingLevel(), mech->m_Garbage);
        const float paid = before - mech->m_Garbage.m_fMoney;
        if (moved > 0)
        {
            AddDealLine("<icon:BUY>", "INT_TRADE_TEXT_12", name, moved, paid);
            ConsoleEvents().Play2D("SND_I_MONEY");
            ConsoleEvents().OnBuyGood(paid / float(moved), moved);
        }
        else
            ConsoleEvents().Play2D("SND_I_NO");
        Refresh(false);
        m_pBuyList->SelectByName(name, false, 0);
    }
    else
        Refresh(false);
    SetCount();
    ShowGood(GetGood());
}

void CGCTrade::Sold()
{
    XTRACE("CGCTrade::Sold");
    const STradeGood* good = GetGood();
    CMechanoid* mech = PlayerMechanoid();
    if (!good || !mech || !m_pTrade) return;
    char name[33] = {};
    CopyName(name, good->m_szName);
    const float unitPrice = good->m_fBuyPrice;
    const std::int32_t count = m_pSellCount->GetValue();
    // The split of the report: the units counted apart in the hold's entry
    // go with the second flag.
    std::int32_t plain = 0, apart = 0;
    if (const SItemRec* entry = FindCargo(name))
    {
        plain = std::clamp(entry->m_nCount - entry->m_nCount2, 0, count);
        apart = count - plain;
    }
    const float before = mech->m_Garbage.m_fMoney;
    const std::int32_t moved = m_pTrade->SoldGoodToBuilding(name, count, PlayerRatingLevel(), mech->m_Garbage);
    if (moved > 0)
    {
        AddDealLine("<icon:SOLD>", "INT_TRADE_TEXT_13", name, moved, mech->m_Garbage.m_fMoney - before);
        // A cut sale takes the units counted apart last.
        apart = std::max(0, std::min(apart, moved - std::min(plain, moved)));
        plain = std::min(plain, moved);
        ConsoleEvents().Play2D("SND_I_MONEY");
        ConsoleEvents().OnSoldGood(unitPrice, plain, false);
        ConsoleEvents().OnSoldGood(unitPrice, apart, true);
    }
    else
        ConsoleEvents().Play2D("SND_I_NO");

    bool listed = false;
    for (int i = 0; i < m_pSoldList->GetItemCount(); ++i)
        listed = listed || SameName(ItemGood(m_pSoldList->GetItem(i)), name);
    if (!listed)
        if (CControlListItem* item = m_pSoldList->AddControl(name, CControlListItem::kGoods, 0))
        {
            item->m_dwCategory = kSold;
            item->m_pDragGuard = m_pBuyButton.get();
        }

    const int row = m_pBuyList->GetSelectedIndex();
    Refresh(false);
    SetCount();
    if (row >= 0) m_pBuyList->SelectIndex(row);
    m_pSoldList->SelectByName(name, m_pBuyList->GetSelected() == nullptr, 0);
    ShowGood(GetGood());
}

void CGCTrade::Refresh(bool keepBuildingList)
{
    XTRACE("CGCTrade::Refresh");
    if (!m_pSoldList || !m_pBuyList) return;
    CMechanoid* mech = PlayerMechanoid();
    auto prune = [&](CControlList& list, bool buildingList)
    {
        bool removed = false;
        for (int i = list.GetItemCount() - 1; i >= 0; --i)
        {
            CControlListItem* item = list.GetItem(i);
            const char* good = ItemGood(item);
            if (!IsTradeGoodName(good)) continue;
            const bool named = buildingList ? (m_pTrade && m_pTrade->FindGood(good)) : FindCargo(good) != nullptr;
            if (named) continue;
            if (m_pSelectedItem == item) m_pSelectedItem = nullptr;
            list.RemoveControl(item);
            delete item;
            removed = true;
        }
        if (removed) OpenSide(buildingList, false);
    };
    prune(*m_pSoldList, true);
    prune(*m_pBuyList, false);

    if (mech)
        for (const SItemRec& e : mech->m_Garbage.m_Items)
        {
            if (!IsCargoGood(e)) continue;
            // A single unit with nothing counted apart and no price is no
            // good to trade.
            if (e.m_nCount == 1 && e.m_nCount2 == 0 && e.m_fPrice == 0.0f) continue;
            if (CControlListItem* item = m_pBuyList->AddControl(NameText(e.m_szName).c_str(), CControlListItem::kGoods, 0))
                item->m_dwCategory = kBought;
        }

    if (!keepBuildingList && m_pTrade)
    {
        for (int pass = 0; pass < 2; ++pass)
            for (const STradeGood& g : m_pTrade->m_Goods)
            {
                if ((pass == 0 ? g.m_fSellPrice : g.m_fBuyPrice) <= 0.0f) continue;
                const int before = m_pSoldList->GetItemCount();
                CControlListItem* item = m_pSoldList->AddControl(NameText(g.m_szName).c_str(), CControlListItem::kGoods, 0);
                if (!item) continue;
                if (m_pSoldList->GetItemCount() != before) item->m_dwCategory = pass == 0 ? kSold : kBought;
                item->m_pDragGuard = m_pBuyButton.get();
            }
        m_pSoldList->SetFilter(m_pSoldList->GetFilter(), true);
        m_pBuyList->SetFilter(m_pBuyList->GetFilter(), true);
        m_pSoldList->RecalcArray();
        m_pBuyList->RecalcArray();
        SetCount();
    }
}

std::uint32_t CGCTrade::ItemColour(std::uint32_t kind, bool inStock, float ratio)
{
    if (!inStock) return kind == kBought ? kGreen : kRed;
    if (kind == kBought) return ratio > 1.4f ? kGreen : (ratio > 0.7f ? kYellow : kRed);
    return ratio > 1.4f ? kRed : (ratio > 0.7f ? kYellow : kGreen);
}

void CGCTrade::SetCount()
{
    XTRACE("CGCTrade::SetCount");
    if (!m_pTrade || !m_pSoldList || !m_pBuyList) return;
    const std::int32_t level = PlayerRatingLevel();
    auto line = [](const char* key, const char* format, double value)
    {
        char number[64];
        std::snprintf(number, sizeof number, format, value);
        return CXAnsiString((TextOf(key) + number).c_str());
    };
    for (int i = 0; i < m_pBuyList->GetItemCount(); ++i)
    {
        CControlListItem* item = m_pBuyList->GetItem(i);
        const SItemRec* cargo = FindCargo(ItemGood(item));
        if (!cargo) continue;
        const float sold = SoldPrice(m_pTrade, ItemGood(item), 1, level);
        item->m_nCount = cargo->m_nCount;
        item->m_ToolTip[1] = (TextOf("INT_TRADE_TEXT_03") + std::to_string(Rounded(cargo->m_fPrice))).c_str();
        item->m_ToolTip[2] = (TextOf("INT_TRADE_TEXT_04") + std::to_string(Rounded(sold))).c_str();
        item->m_nToolTipLines = 3;
        item->m_dwColour = sold > cargo->m_fPrice ? kGreen : kRed;
    }
    for (int i = 0; i < m_pSoldList->GetItemCount(); ++i)
    {
        CControlListItem* item = m_pSoldList->GetItem(i);
        const char* good = ItemGood(item);
        const STradeGood* entry = m_pTrade->FindGood(good);
        if (!entry) continue;
        float reference = 0.0f;
        m_pTrade->GetGoodPrice(good, &reference);
        const float buy = BuyPrice(m_pTrade, good, 1, level);
        const float sold = SoldPrice(m_pTrade, good, 1, level);
        const float deal = item->m_dwCategory == kBought ? sold : buy;
        const float ratio = reference > 0.0f ? std::clamp(deal / reference, 0.0f, 2.0f) : 0.0f;
        int lines = 0;
        item->m_ToolTip[lines++] = (TextOf("INT_TRADE_TEXT_05") + DisplayName(good)).c_str();
        item->m_ToolTip[lines++] = line("INT_TRADE_TEXT_06", "%3.1f", reference);
        if (buy > 0.0f)
        {
            item->m_ToolTip[lines++] = line("INT_TRADE_TEXT_07", "%3.1f", sold);
            item->m_ToolTip[lines++] = line("INT_TRADE_TEXT_08", "%3.1f", buy);
            item->m_ToolTip[lines++] =
                line("INT_TRADE_TEXT_09", "%3.1f%%", reference > 0.0f ? (buy / reference - 1.0f) * 100.0f : 0.0f);
        }
        else
            item->m_ToolTip[lines++] = TextOf("INT_TRADE_TEXT_10").c_str();
        item->m_nToolTipLines = lines;
        item->m_bHasToolTip = 1;
        const bool inStock = !(entry->m_fStock < entry->m_fUnitMass);
        item->m_nCount = !inStock || entry->m_fUnitMass <= 0.0f ? 0 : std::int32_t(entry->m_fStock / entry->m_fUnitMass);
        item->m_dwColour = ItemColour(item->m_dwCategory, inStock, ratio);
    }
}

void CGCTrade::OnCommand(int code, int param)
{
    XTRACE("CGCTrade::OnCommand");
    switch (code)
    {
    case CCountSelector::kChanged:
        RecalcPrice();
        return;
    case CControlListItem::kDropped:
    {
        CControl* target = CommandArgument();
        if (target && target == m_pSoldList.get())
            OnCommand(kSellCommand, 0);
        else if (target && target == m_pBuyList.get())
            OnCommand(kBuyCommand, 0);
        return;
    }
    case CCountField::kValueCut:
        ConsoleEvents().Play2D("SND_I_NO");
        return;
    case kBuyCommand:
        if (m_pSoldList && m_pSoldList->m_bEnabled)
        {
            Buy();
            if (m_pScreen) m_pScreen->m_pHovered = nullptr;
        }
        return;
    case kSellCommand:
        if (m_pBuyList && m_pBuyList->m_bEnabled)
        {
            Sold();
            if (m_pScreen) m_pScreen->m_pHovered = nullptr;
        }
        return;
    default:
        CGMenu::OnCommand(code, param);
    }
}

void CGCTrade::ProcessMessages()
{
    CGMenu::ProcessMessages();
    if (m_bVisible && Pressed(uicode::kLeftButton)) OnMouseLClick();
}

void CGCTrade::OnMouseLClick()
{
    XTRACE("CGCTrade::OnMouseLClick");
    if (!m_pSoldList || !m_pBuyList) return;
    const plat::Point p = CursorPos();
    auto inside = [&](const CControl& c)
    {
        return p.x >= c.m_Rect.left && p.x < c.m_Rect.right && p.y >= c.m_Rect.top && p.y < c.m_Rect.bottom;
    };
    bool counted = true;
    if (inside(*m_pBuyList))
        m_pSoldList->SelectIndex(-1);
    else if (inside(*m_pSoldList))
        m_pBuyList->SelectIndex(-1);
    else
        counted = m_pSoldList->GetSelected() && m_pSoldList->TakeFilterChanged();
    if (!counted) return;
    ShowGood(GetGood());
    if (m_pSelectedItem) m_pSelectedItem->m_nMovingCount = m_pBuyCount->GetValue();
}

void CGCTrade::CheckHighlighted()
{
    if (!m_pSoldList || !m_pBuyList) return;
    const plat::Point p = CursorPos();
    CControlList* lists[2] = {m_pSoldList.get(), m_pBuyList.get()};
    for (CControlList* list : lists)
        list->m_bState1 = list->m_bState2 = 0;
    for (int i = 0; i < 2; ++i)
    {
        if (!lists[i]->m_bDragging) continue;
        CControlList* other = lists[1 - i];
        other->m_bState1 = 1;
        const plat::Rect& r = other->m_Rect;
        other->m_bState2 = p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom ? 1 : 0;
    }
}

void CGCTrade::Render()
{
    XTRACE("CGCTrade::Render");
    if (!m_bVisible) return;
    CheckHighlighted();
    if (!m_pSelectedItem || !m_pSelectedItem->m_bVisible) SelectFirstGood();
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const plat::Rect& f = m_GoodsFrame;
    for (const CControl* c : std::initializer_list<const CControl*>{m_pSoldList.get(), m_pBuyList.get(),
                                                                     m_pDescription.get(), m_pDealLog.get()})
        if (c) FillRect(g, c->m_Rect, kFrameFill);
    // The goods frame, tiled with squares of a ninth of its height.
    const int side = std::max(1, (f.bottom - f.top) / 9);
    for (int y = f.top; y + side <= f.bottom; y += side)
        for (int x = f.left + ((y - f.top) / side % 2) * side; x + side <= f.right; x += 2 * side)
            FillRect(g, {x, y, x + side, y + side}, kFrameFill);
    if (g)
    {
        g->SelectFont(1);
        const std::string building = DisplayName(m_szBuilding);
        g->RenderText(building.c_str(), m_TopAnchor[0] - g->TextWidth(building.c_str()) / 2, m_TopAnchor[1],
                      kLineColour);
        g->SelectFont(0);
        char text[96];
        if (m_fUnitPrice != 0.0f && m_fUnitPrice != -1.0f)
        {
            std::snprintf(text, sizeof text, "%5.0f %s", double(m_fUnitPrice), TextOf("INT_TRADE_TEXT_01").c_str());
            g->RenderText(text, f.left, f.top - g->GetTextHeight() - 2, 0xFFFFFFFF);
        }
        if (m_fUnitWeight != 0.0f && m_fUnitWeight != -1.0f)
        {
            std::snprintf(text, sizeof text, "%5.0f %s", double(m_fUnitWeight), TextOf("INT_TRADE_TEXT_02").c_str());
            g->RenderText(text, f.right - g->TextWidth(text), f.top - g->GetTextHeight() - 2, 0xFFFFFFFF);
        }
        const struct
        {
            const CMenuButton* button;
            float total;
        } totals[2] = {{m_pBuyButton.get(), m_fBuyTotal}, {m_pSellButton.get(), m_fSellTotal}};
        for (const auto& t : totals)
        {
            if (!t.button) continue;
            std::snprintf(text, sizeof text, "%5.0f", double(t.total));
            const int x = t.button->m_Rect.left, y = t.button->m_Rect.bottom + 4;
            ShadowText(g, text, x, y, 0xFFFFFFFF);
        }
    }
    FillRect(g, {f.left, f.top - 1, f.right, f.top}, kLineColour);
    CGMenu::Render();
}
