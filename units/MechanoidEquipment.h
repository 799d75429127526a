// SMechanoidEquipment: a complete fitting, the configuration record a
// mechanoid is fitted from and the mechanoid's own record of its fitting.
//
// Each of the nine configuration keys holds a row index of its table in
// the key's first word (-1 empty) and the item's modifier word. Reading the
// configurations table and the record's stream are not here yet.
#pragma once

#include "units/UnitTypes.h"

#include <cstdint>

struct SMechConfig
{
    STypeKey m_Key;
    std::uint32_t m_dwModif = 0;
};
static_assert(sizeof(SMechConfig) == 36);

// The nine keys, in this order.
enum EMechConfigSlot
{
    CFG_GLIDER = 0,
    CFG_LIGHTGUN = 1,
    CFG_HEAVYGUN = 2,
    CFG_REACTOR = 3,
    CFG_REACTOR2 = 4,
    CFG_ENGINE = 5,
    CFG_ENGINE2 = 6,
    CFG_SHIELD = 7,
    CFG_ARMOR = 8,
    CFG_COUNT = 9,
};

struct SMechanoidEquipment
{
    static constexpr int kMaxEquipment = 35;
    static constexpr int kMaxMissiles = 4;

    char m_szName[128] = {};
    std::int32_t m_nRating = 0;
    std::uint8_t m_bNoTrading = 0;
    SMechConfig m_Config[CFG_COUNT];
    STypeKey m_Equipment[kMaxEquipment];
    std::int32_t m_nEquipmentCount = 0;
    STypeKey m_MissileTypes[kMaxMissiles];
    std::int32_t m_nMissileTypeCount = 0;
    std::int32_t m_MissileCounts[kMaxMissiles] = {};
    std::int32_t m_nMissileCountCount = 0;
};
