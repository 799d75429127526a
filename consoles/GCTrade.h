// CGCTrade: the trade tab of the building menu. Two goods grids: the goods
// of the building (upper; items of kind 1 for what it sells, filter 1, and
// 2 for what it only buys, filter 2) and the goods in the player's cargo
// hold (lower; kind 2). A selection in one grid clears the other, so one
// deal is open at a time: buying from the building or selling from the
// hold, each with its count selector and deal button (or by dragging an
// item onto the other grid).
//
// The offered count is the largest that the stock, the free cargo weight,
// the player's money and the cap of 999 allow. Prices come from the
// building's trade record (SExBuildingTrade) at the player's rating level;
// the unit price shown for a purchase leaves the rating out, the totals
// include it. Each deal writes a block into the deal log, plays
// "SND_I_MONEY" and reports the units moved to the game-event sink
// (ConsoleEvents: OnBuyGood, or OnSoldGood split into the units counted
// apart in the hold (flag 1) and the rest (flag 0)).
//
// A deal moves what the trade record delivers: the money paid and the
// units reported are what actually moved (a count the stock or the money
// cannot cover is cut there, never charged in full). Deal-log texts fill
// their "%d" numbers as plain values (FormatGameText), never as printf
// formats.
//
// The trade tab raises no script event of its own.
//
// Ownership: the console owns its controls (children while it lives); the
// trade record belongs to the trade manager (g_pTrade). Main thread only.
#pragma once

#include "menus/GMenu.h"
#include "society/MMTrade.h"
#include "units/Garbage.h"

#include <cstdint>
#include <memory>
#include <string>

class CControlList;
class CControlListItem;
class CCountSelector;
class CImage;
class CMenuButton;
class CHTMLScrollWnd;

class CGCTrade : public CGMenu
{
public:
    static constexpr int kBuyCommand = 61470;
    static constexpr int kSellCommand = 61471;
    static constexpr int kNoCommand = 61440;
    static constexpr int kMaxCount = 999;
    // Item kinds and the building grid's filters.
    static constexpr std::uint32_t kSold = 1;   // the building sells it
    static constexpr std::uint32_t kBought = 2; // the building buys it; every cargo item
    static constexpr std::uint32_t kGreen = 0xFF00FF00;
    static constexpr std::uint32_t kYellow = 0xFFFFFF00;
    static constexpr std::uint32_t kRed = 0xFFFF0000;

    CGCTrade();
    ~CGCTrade() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnMouseLClick() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void SetBuilding(const char* name) override;

    virtual void SelectFirstGood();
    virtual void RecalcPrice();

    // The selected good (a copy; for a purchase its buying-price slot holds
    // the unit price with the rating, for a sale both price slots hold the
    // sold price of one unit), or null.
    const STradeGood* GetGood();
    void ShowGood(const STradeGood* good);
    // Item counts, tooltips and colours.
    void SetCount();
    // Items of goods gone are removed, new ones added (the building's only
    // when keepBuildingList is false).
    void Refresh(bool keepBuildingList);
    void Buy();
    void Sold();

    // The item colour of a building good: kind, in stock, and deal price
    // over reference price (clamped to 0..2).
    static std::uint32_t ItemColour(std::uint32_t kind, bool inStock, float ratio);

    // Read by the tests and the drawing.
    CControlList* GetBuildingList() const { return m_pSoldList.get(); }
    CControlList* GetCargoList() const { return m_pBuyList.get(); }
    CCountSelector* GetBuyCount() const { return m_pBuyCount.get(); }
    CCountSelector* GetSellCount() const { return m_pSellCount.get(); }
    CMenuButton* GetBuyButton() const { return m_pBuyButton.get(); }
    CMenuButton* GetSellButton() const { return m_pSellButton.get(); }
    CHTMLScrollWnd* GetDescription() const { return m_pDescription.get(); }
    CHTMLScrollWnd* GetDealLog() const { return m_pDealLog.get(); }
    SExBuildingTrade* GetTrade() const { return m_pTrade; }
    float GetUnitPrice() const { return m_fUnitPrice; }
    float GetBuyTotal() const { return m_fBuyTotal; }
    float GetSellTotal() const { return m_fSellTotal; }
    float GetUnitWeight() const { return m_fUnitWeight; }
    bool IsBuyOpen() const;
    bool IsSellOpen() const;

private:
    // The good an item stands for (its class-id name).
    static const char* ItemGood(const CControlListItem* item);
    // The first cargo entry of a good, or null.
    static SItemRec* FindCargo(const char* name);
    bool HasSelectedGood() const;
    void OpenSide(bool buying, bool open);
    void ResetCount(CCountSelector* selector);
    void AddDealLine(const char* icon, const char* titleKey, const char* good, std::int32_t count, float price);
    void AddFilterButtons(int right, int bottom);
    void CheckHighlighted();

    char m_szShownGood[32] = {};
    std::unique_ptr<CMenuButton> m_pBuyButton;
    std::unique_ptr<CMenuButton> m_pSellButton;
    SExBuildingTrade* m_pTrade = nullptr;
    std::unique_ptr<CCountSelector> m_pBuyCount;
    std::unique_ptr<CCountSelector> m_pSellCount;
    std::unique_ptr<CImage> m_pGoodsImage;
    std::unique_ptr<CHTMLScrollWnd> m_pDescription;
    std::unique_ptr<CHTMLScrollWnd> m_pDealLog;
    // The frame round the goods picture, drawn by the console (console
    // coordinates).
    plat::Rect m_GoodsFrame;
    std::unique_ptr<CControlList> m_pSoldList; // the building's goods
    std::unique_ptr<CControlList> m_pBuyList;  // the cargo hold
    std::unique_ptr<CMenuButton> m_pFilterButtons[2];
    STradeGood m_SelectedGood;
    float m_fUnitPrice = 0.0f;
    float m_fBuyTotal = 0.0f;
    float m_fSellTotal = 0.0f;
    float m_fUnitWeight = 0.0f;
    CControlListItem* m_pSelectedItem = nullptr;
    bool m_bDescribe = false;
};
