// The interfaces of the trade, equipment-trade and organisation objects
// that the world engine creates through the class factory and hands its
// blocks of the location's objects file.
//
// Implementations, registered by RegisterTradeClasses in this order:
// CEqpTrade (EqpTrade.h, "IGUID_IEqpTrade"), CMMTrade (MMTrade.h,
// "IGUID_IMMTrade") and COrgManager (OrgManager.h, "IGUID_IOrgManager").
#pragma once

#include "foundation/ClassFactory.h"

#include <cstdint>
#include <vector>

class CMemStream;

struct STradeGood;
struct SExBuildingTrade;

// The goods trade of the location's buildings (CMMTrade in MMTrade.h,
// factory id "IGUID_IMMTrade"). Names are fixed names (32 bytes); a name
// whose first four bytes are all 0xFF is the invalid name.
class IMMTrade : public IBaseInterface
{
public:
    // The "TRADE" record (also block 2 of the objects file).
    virtual void SaveToStream(CMemStream& stream) = 0;
    // May throw CStreamError on a damaged stream; a damaged one changes
    // nothing.
    virtual void LoadFromStream(CMemStream& stream) = 0;
    // Every goods entry a random stock (run after a location's block).
    virtual void ResetStocks() = 0;
    virtual void RunEachHour() = 0;
    // A mechanoid's batch; no money moves here.
    virtual void SoldGoodToBuilding(const char* building, const char* good, std::int32_t count) = 0;
    virtual void BuyGoodFromBuilding(const char* building, const char* good, std::int32_t count) = 0;
    virtual float GetBuildingIncome(const char* building) = 0;
    virtual void SetGoodCount(const char* building, const char* good, std::int32_t count) = 0;
    // Writes 32 bytes: a "TOV" good some building sells, else the invalid name.
    virtual void GetRandomGood(char* out) = 0;
    virtual void GetGoodList(const char* building, std::vector<STradeGood>& list) = 0;
    virtual bool GetBuyPrice(const char* building, const char* good, float* price, std::int32_t count) = 0;
    virtual bool GetSoldPrice(const char* building, const char* good, float* price, std::int32_t count) = 0;
    virtual std::int32_t AddGood(const char* building, const char* good, std::int32_t count, std::int32_t mode) = 0;
    virtual std::int32_t AddGoodCount(const char* building, const char* good, std::int32_t count) = 0;
    virtual float GetProductionValue(const char* building) = 0;
    virtual bool IsTradeBuilding(const char* building) = 0;
    virtual SExBuildingTrade* FindBuilding(const char* building) = 0;
    // Null when the table is full.
    virtual SExBuildingTrade* AddBuilding(const char* building) = 0;
    virtual std::int32_t GetBuildingType(const char* building) = 0;
};

// An item of the stock (52 bytes; streams hold these bytes as they are).
struct SEqpItem
{
    char m_szName[32] = {};      // the item's row name in its table
    std::uint32_t m_dwKind = 0;  // 1 glider, 2 equipment, 3 weapon, 4 other item
    std::uint32_t m_dwModif = 0; // modifier word; 0 for a plain item
    float m_fPrice = 0.0f;       // price of one item with its modifiers
    std::int32_t m_nCount = 0;   // -1 unlimited
    float m_fRate = 0.0f;        // restock rate, 0 none
};
static_assert(sizeof(SEqpItem) == 52);

// An item of a building's offer as the garage console lists it (the first
// 48 bytes of a stock item).
struct SEqpConsoleItem
{
    char m_szName[32];
    std::uint32_t m_dwKind; // 1 glider, 2 equipment, 3 weapon, 4 other item
    std::uint32_t m_dwModif;
    float m_fPrice;
    std::int32_t m_nCount; // -1 unlimited
};
static_assert(sizeof(SEqpConsoleItem) == 48);

// The equipment that buildings offer: a common list offered everywhere and
// each building's own list. Items are the same when name and modifier word
// are.
class IEqpTrade : public IBaseInterface
{
public:
    // The building's items, then the common ones, with prices computed
    // again; returns the count.
    virtual std::int32_t GetEqpList(const char* building, std::vector<SEqpConsoleItem>& list) = 0;
    // The hourly random change of the building items' counts.
    virtual void RestockEqp() = 0;
    virtual void OnSoldEqp(const char* building, const char* item, std::int32_t count,
                           std::uint32_t modif) = 0;
    virtual void OnBoughtEqp(const char* building, const char* item, std::int32_t count,
                             std::uint32_t modif) = 0;
    virtual void Clear() = 0;
    // The "TRADEEQP" record (also block 5 of the objects file).
    virtual void SaveToStream(CMemStream& stream) = 0;
    // May throw on a damaged block; a damaged one changes nothing.
    virtual void LoadFromStream(CMemStream& stream) = 0;
    // Offers every tradeable part of the configuration in the common list.
    virtual void AddConfig(const char* config) = 0;
    // Common list: a new item with that restock rate, or the rate added.
    virtual void AddEqp(const char* item, std::uint32_t modif, float rate) = 0;
    virtual void AddEqpToBuiding(const char* building, const char* item, std::int32_t count,
                                 std::uint32_t modif, float rate) = 0;
    // The price with modifiers and the kind; -1 for an item no table knows.
    virtual float GetEqpPrice(const char* item, std::uint32_t* kind, std::uint32_t modif) = 0;
    // Common list, unlimited.
    virtual void AddEqp(const char* item, std::uint32_t kind, std::uint32_t modif) = 0;
    // False, with a line in "EqpTrade.log", for a modified item that is
    // neither a plain equipment item nor a glider or weapon.
    virtual bool TestEqpList(const SEqpItem& item) = 0;
    virtual bool IsReady() { return true; }
    virtual void GetEqpCounts(std::int32_t* common, std::int32_t* buildings, std::int32_t* items) = 0;
};

class COrganization;
struct SOrgRecord;

// The organisations' table and the relations between them (COrgManager in
// OrgManager.h, factory id "IGUID_IOrgManager"). An organisation is its
// index in the table, -1 none. Relations are fractions from -1 (war) to 1
// (allies), the same for (i, j) and (j, i).
class IOrgManager : public IBaseInterface
{
public:
    // The "ORGREL" record.
    virtual void SaveToStream(CMemStream& stream) = 0;
    // A damaged or foreign record is refused with one error line; the
    // relations stay as they were.
    virtual void LoadFromStream(CMemStream& stream) = 0;
    // A new organisation bound to its name and record, null for a name the
    // table lacks; the caller owns it.
    virtual COrganization* CreateOrganization(const char* name) = 0;
    // Every pair's starting relation (a new game).
    virtual void InitRelations() = 0;
    virtual float GetRelation(std::int32_t i, std::int32_t j, bool standard) = 0;
    // A kill or deed of j against i; spread carries it to third parties.
    virtual void ChangePolitic(std::int32_t i, std::int32_t j, float change, bool spread) = 0;
    // Current relations move towards the standard ones over t game hours.
    virtual void RelaxRelations(float t) = 0;
    virtual void SetRelation(std::int32_t i, std::int32_t j, float value, bool current, bool standard) = 0;
    virtual float GetOrgFactor(std::int32_t index) = 0;
    // The organisations' database section ("Организации"); false when the
    // section cannot be read.
    virtual bool LoadTable(const char* section) = 0;
    // The organisation's index, -1 when unknown.
    virtual std::int32_t FindByName(const char* name) = 0;
    virtual std::int32_t GetOrgCount() = 0;
    // Null outside 0 .. count - 1.
    virtual const SOrgRecord* GetRecord(std::int32_t index) = 0;
    // The clan look of organisation index: its record's colour and icon
    // model (a model index, -1 none). Nothing outside 0 .. count - 1; a
    // manager without records ignores it.
    virtual void SetClanLook(std::int32_t /*index*/, std::uint32_t /*colour*/, std::int32_t /*iconModel*/) {}
};
