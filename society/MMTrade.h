// CMMTrade: the goods trade of the location's buildings (interface IMMTrade
// in Trade.h, factory id "IGUID_IMMTrade", the one instance is g_pTrade).
// Up to kMaxBuildings trading buildings, each with a list of goods: a stock
// in mass units, a unit mass, a purchase price (the building buys) and a
// sale price (the building sells). Each unit of a batch is priced by an
// exponential rule of the stock, so scarce goods are dear and plentiful
// goods cheap; once per game hour every building consumes what it buys and
// produces what it sells (CalcBuilding).
//
// TRADE stream (little-endian; block 2 of the objects file and the saved
// game's "TRADE" record):
//     u32 version          2 when written; 0 empties the table; above 2 refused
//     u32 count            records (at most 60)
//     per record: char[32] name, u32 n, n x STradeGood (56 bytes),
//                 f32 turnover (version 2 and above)
// Reading takes the goods table's MASSA and PRICE for the goods it knows and
// drops entries without a price, a unit mass or a valid name. A damaged
// stream is refused whole with one error line; the table stays as it was.
//
// Building type: the "TYPE" of the building object (type code 11) of that
// name in the object list, 0 when there is none. 1, 3, 12 and 15 change the
// rules (3 does not trade hourly, 12 sells at a linear price).
//
// Threads: main thread only.
#pragma once

#include "world/Trade.h"

#include <cstdint>
#include <vector>

class CGarbage;
class CStreamReader;

#pragma pack(push, 1)
struct STradeGood
{
    char m_szName[32] = {};
    float m_fStock = 0.0f;     // mass units
    float m_fUnitMass = 0.0f;  // "MASSA"
    float m_fBuyPrice = 0.0f;  // the building pays; 0: it does not buy
    float m_fSellPrice = 0.0f; // the building asks; 0: it does not sell
    std::uint32_t m_nClass = 0; // goods class 0, 1 or 2
    std::uint8_t m_bNative = 0; // the building's own range
    std::uint8_t m_Pad[3] = {};

    std::int32_t Units() const;
};
#pragma pack(pop)
static_assert(sizeof(STradeGood) == 56);

// The field's first word is -1: it holds no name.
bool IsInvalidName(const char* name);

struct SExBuildingTrade
{
    float m_fTurnover = 0.0f;
    char m_szName[32] = {};
    std::uint8_t m_bRegistered = 0;
    std::vector<STradeGood> m_Goods;

    STradeGood* FindGood(const char* name);
    std::int32_t GetBuildingType() const;
    bool GetGoodPrice(const char* name, float* price);
    // What a buyer pays for count units; false (price unwritten) for an
    // unlisted good.
    bool GetBuyPrice(const char* name, std::int32_t count, float* price, std::int32_t discount);
    // What the building pays for count units.
    bool GetSoldPrice(const char* name, std::int32_t count, float* price, std::int32_t bonus);
    // The player's deals through the cargo hold: the buyer gets at most the
    // whole units in stock and pays for those only, and at most what the
    // money held pays for; the seller gives at most the units the hold has.
    // Return the units moved.
    std::int32_t BuyGoodFromBuilding(const char* name, std::int32_t count, std::int32_t discount, CGarbage& hold);
    std::int32_t SoldGoodToBuilding(const char* name, std::int32_t count, std::int32_t bonus, CGarbage& hold);
    // Mode 1 sets the purchase price of a new entry, 2 its sale price, 0
    // neither. Returns the units in stock, -1 for an invalid name.
    std::int32_t AddGood(const char* name, std::int32_t count, std::int32_t mode);
    std::int32_t AddGoodCount(const char* name, std::int32_t count);
    void GetGoodList(std::vector<STradeGood>& list);
    // Goods to bring (fewest units of what the building buys) and to take
    // away (most units of what it sells), n passes each.
    void GetHighPriceGoods(std::vector<STradeGood>& list, std::int32_t n);
    void GetLowPriceGoods(std::vector<STradeGood>& list, std::int32_t n);
};

class CMMTrade : public IMMTrade
{
public:
    static constexpr std::uint32_t kStreamVersion = 2;
    static constexpr std::uint32_t kMaxBuildings = 60;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(CMMTrade); }

    void SaveToStream(CMemStream& stream) override;
    void LoadFromStream(CMemStream& stream) override;
    void ResetStocks() override;
    void RunEachHour() override;
    void SoldGoodToBuilding(const char* building, const char* good, std::int32_t count) override;
    void BuyGoodFromBuilding(const char* building, const char* good, std::int32_t count) override;
    float GetBuildingIncome(const char* building) override;
    void SetGoodCount(const char* building, const char* good, std::int32_t count) override;
    void GetRandomGood(char* out) override;
    void GetGoodList(const char* building, std::vector<STradeGood>& list) override;
    bool GetBuyPrice(const char* building, const char* good, float* price, std::int32_t count) override;
    bool GetSoldPrice(const char* building, const char* good, float* price, std::int32_t count) override;
    std::int32_t AddGood(const char* building, const char* good, std::int32_t count, std::int32_t mode) override;
    std::int32_t AddGoodCount(const char* building, const char* good, std::int32_t count) override;
    float GetProductionValue(const char* building) override;
    bool IsTradeBuilding(const char* building) override;
    SExBuildingTrade* FindBuilding(const char* building) override;
    SExBuildingTrade* AddBuilding(const char* building) override;
    std::int32_t GetBuildingType(const char* building) override;

    // One building's hour of consumption and production.
    void CalcBuilding(const char* building);

    SExBuildingTrade m_Buildings[kMaxBuildings];
    std::uint32_t m_nCount = 0;
};

// The building type by name; null uses the object list (tests replace it).
inline std::int32_t (*g_pfnTradeBuildingType)(const char* building) = nullptr;
