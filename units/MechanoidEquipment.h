// SMechanoidEquipment: a complete fitting, the configuration record a
// mechanoid is fitted from and the mechanoid's own record of its fitting.
//
// Each of the nine configuration keys holds a row index of its table in
// the key's first word (-1 empty) and the item's modifier word: the glider
// table for the glider, the weapon table for the two guns, the equipment
// table for the other six. While a record is written or read its keys hold
// the rows' names instead (CMechanoid::ConvertIds); the equipment and
// missile lists always hold indices.
//
// Stream form (little-endian), written and read by SaveToStream and
// LoadFromStream; the configuration's name is not part of it:
//     u32       rating
//     u8        not traded
//     9 x 36    configuration keys: name char[32], modifier word u32
//     u32 a     equipment count, at most 35
//     a x 32    equipment keys (the index in the first word)
//     u32 b     missile type count, at most 4
//     b x 32    missile type keys (the index in the first word)
//     u32 c     missile count count, at most 4
//     c x u32   missile counts
// The in-memory record (1736 bytes, the name first) is the network image.
#pragma once

#include "units/UnitTypes.h"

#include <cstdint>

class CMemStream;
class CStreamReader;

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
    static constexpr std::uint32_t kImageSize = 1736;

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

    // The record as it stands (the caller converts the keys to names first).
    void SaveToStream(CMemStream& stream) const;
    // Reads a whole record into this one; a short record or a count above
    // its limit throws CStreamError and leaves this record as it was.
    void LoadFromStream(CStreamReader& in);

    // The 1736-byte in-memory image (padding bytes zero) and its reader,
    // which checks the three counts against their limits.
    void WriteImage(CMemStream& stream) const;
    void ReadImage(CStreamReader& in);
};
static_assert(sizeof(SMechanoidEquipment) == SMechanoidEquipment::kImageSize,
              "the network image is the in-memory record");
