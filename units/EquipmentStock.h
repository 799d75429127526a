// IEquipmentStock: what the units ask of the buildings' equipment stock,
// which lives in the society (CEqpTrade): taking back an item that a
// mechanoid's new fitting displaced. The society hands its stock over
// through g_pfnEquipmentStock; without one nothing is given back.
//
// Threads: main thread only.
#pragma once

#include <cstdint>

class IEquipmentStock
{
public:
    virtual ~IEquipmentStock() = default;
    // count items of that name and modifier word sold to the building.
    virtual void OnSoldEqp(const char* building, const char* item, std::int32_t count,
                           std::uint32_t modif) = 0;
};

// The current world's equipment stock, or null.
inline IEquipmentStock* (*g_pfnEquipmentStock)() = nullptr;
