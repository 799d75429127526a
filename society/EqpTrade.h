// CEqpTrade: the equipment that buildings offer for sale (interface
// IEqpTrade in Trade.h, factory id "IGUID_IEqpTrade"): a common list of
// items offered everywhere and a list per building, each item a name, a
// kind, a modifier word, a price, a count (-1 unlimited) and a restock
// rate. The world owns the one instance: the location's objects file
// fills it (block 5), the saved game keeps it ("TRADEEQP"), the world's
// game hour restocks it, and mechanoids give displaced items back to it
// (IEquipmentStock).
//
// Prices come from the unit tables: the modifier records by name, then the
// glider, equipment, weapon and missile tables (kinds 1 to 4; missiles are
// the "other items"). A modifier word adds (K_CHANGE_PRICE - 1) x base for
// each of its property records, as the equipment tables' own prices do.
//
// TRADEEQP stream (little-endian):
//     u32 version (3; above 3 refused with an error line, nothing read)
//     u32 c, c items     (52 bytes each; 48, without the rate, before 2)
//     u32 b, then per building: char[32] name, u32 n, n items
// Before version 3 an item named by a modifier record gets the rate
// 19 x PROBABILITY / level^0.8. A damaged stream is refused whole with one
// error line and the lists stay as they were.
//
// Restocking, once per game hour, for each building item with a positive
// rate: one draw of the generator takes one item away with chance 1 in 8
// (bits 8 to 10 all set); a second draw adds one with chance 1 in n, n =
// int(120 / rate) and at least 1, so that rates of 120 and more restock
// every hour. Unlimited items never change.
//
// Threads: main thread only.
#pragma once

#include "world/Trade.h"
#include "units/EquipmentStock.h"

#include <cstdint>
#include <vector>

class CEqpTrade : public IEqpTrade, public IEquipmentStock
{
public:
    static constexpr std::uint32_t kStreamVersion = 3;

    struct SBuilding
    {
        char m_szName[32] = {};
        std::vector<SEqpItem> m_Items;
    };

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return 36; }

    std::int32_t GetEqpList(const char* building, std::vector<SEqpConsoleItem>& list) override;
    void RestockEqp() override;
    void OnSoldEqp(const char* building, const char* item, std::int32_t count, std::uint32_t modif) override;
    void OnBoughtEqp(const char* building, const char* item, std::int32_t count,
                     std::uint32_t modif) override;
    void Clear() override;
    void SaveToStream(CMemStream& stream) override;
    void LoadFromStream(CMemStream& stream) override;
    void AddConfig(const char* config) override;
    void AddEqp(const char* item, std::uint32_t modif, float rate) override;
    void AddEqpToBuiding(const char* building, const char* item, std::int32_t count, std::uint32_t modif,
                         float rate) override;
    float GetEqpPrice(const char* item, std::uint32_t* kind, std::uint32_t modif) override;
    void AddEqp(const char* item, std::uint32_t kind, std::uint32_t modif) override;
    bool TestEqpList(const SEqpItem& item) override;
    void GetEqpCounts(std::int32_t* common, std::int32_t* buildings, std::int32_t* items) override;

    // The item of that name and word in a list, or null.
    static SEqpItem* Find(std::vector<SEqpItem>& items, const char* name, std::uint32_t modif);
    SBuilding* FindBuilding(const char* name);

    std::vector<SEqpItem> m_Common;
    std::vector<SBuilding> m_Buildings;

private:
    SBuilding& GetOrAddBuilding(const char* name);
    // A new item of known price, or false for a name no table knows.
    bool MakeItem(SEqpItem* out, const char* name, std::uint32_t modif, std::int32_t count, float rate);
};

// Registers the society's classes with the class factory
// ("IGUID_IEqpTrade", "IGUID_IMMTrade", "IGUID_IOrgManager"), hands the
// units the world's equipment stock and the world its organisations' maker.
void RegisterTradeClasses();
