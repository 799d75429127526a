// The interfaces of the trade, equipment-trade and organisation objects
// that the world engine creates through the class factory and hands its
// blocks of the location's objects file.
//
// The equipment stock's interface is whole, and CEqpTrade (EqpTrade.h)
// implements it under "IGUID_IEqpTrade". Stand-in for the rest: the goods
// trade and organisation interfaces hold only the operations the world
// engine calls (and, of the organisation manager, the name look-up and the
// relation query of the building menu's music); their implementations
// (CMMTrade, COrgManager) come with
// the organisations and goods trade, under "IGUID_IMMTrade" and
// "IGUID_IOrgManager". Until then the engine runs without them.
#pragma once

#include "foundation/ClassFactory.h"

#include <cstdint>
#include <vector>

class CMemStream;

class IMMTrade : public IBaseInterface
{
public:
    // Block 2 of the objects file (and the saved game's "TRADE" record);
    // may throw on a damaged block.
    virtual void LoadFromStream(CMemStream& stream) = 0;
    // The saved game's "TRADE" record (written empty until the trade exists).
    virtual void SaveToStream(CMemStream& /*stream*/) {}
    // The step after loading (prices and stock brought up to date).
    virtual void AfterLoad() = 0;
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

class IOrgManager : public IBaseInterface
{
public:
    // The organisations' database section ("Организации").
    virtual bool InitFromDB(const char* section) = 0;
    // Its own set-up after the database.
    virtual void SetUp() = 0;
    // The organisation's index in the manager's list, -1 when unknown.
    virtual std::int32_t FindByName(const char* name) = 0;
    // The relation of organisation a towards b, -1 (war) to 1 (allies).
    virtual float GetRelation(std::int32_t a, std::int32_t b, int flag) = 0;
};
