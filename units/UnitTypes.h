// Shared types of the units: the 32-byte type key that items carry, the
// name fields of the type tables that become row indices, the modifier word
// layout and the database section names of the unit tables.
//
// A type key is passed and stored by value; its first 32-bit word is the
// row index in the owning table (-1 none) and the other 28 bytes travel
// with it unread. A name field of a table record is 32 bytes read as a name
// and, once the table is loaded, holds the resolved index in its first word.
#pragma once

#include <cstdint>
#include <cstring>

struct STypeKey
{
    std::uint8_t m_Bytes[32] = {};

    STypeKey() { SetIndex(-1); }
    explicit STypeKey(std::int32_t index) { SetIndex(index); }

    std::int32_t Index() const
    {
        std::int32_t index;
        std::memcpy(&index, m_Bytes, sizeof index);
        return index;
    }
    void SetIndex(std::int32_t index) { std::memcpy(m_Bytes, &index, sizeof index); }
};
static_assert(sizeof(STypeKey) == 32, "type keys are 32 bytes");

// The index held in the first word of a resolved 32-byte name field.
inline std::int32_t FieldId(const char* field)
{
    std::int32_t id;
    std::memcpy(&id, field, sizeof id);
    return id;
}
inline void SetFieldId(char* field, std::int32_t id)
{
    std::memcpy(field, &id, sizeof id);
}

// Modifier word: three 4-bit property levels (bits 0-3, 4-7, 8-11; level 0
// means not modified) and the item type in bits 12-15.
enum EModifType : std::uint32_t
{
    MODIF_WEAPON = 2,
    MODIF_REACTOR = 3,
    MODIF_ENGINE = 4,
    MODIF_SHIELD = 5,
};

// Equipment kinds ("TYPE" of the equipment table) that modifiers and the
// fitting rules know.
enum EEquipmentKind : std::int32_t
{
    EQK_REACTOR = 1,
    EQK_SHIELD = 2,
    EQK_ARMOR = 3,
    EQK_ENGINE = 4,
    EQK_DEVICE = 5,
};

// The name saved for a type index that names no row.
inline constexpr const char* kDefaultTypeName = "_DEFAULT_";

// Section names of the unit tables, code page 1251.
namespace unit_sections
{
inline constexpr const char* kWeapons = "\xce\xf0\xf3\xe6\xe8\xe5";                           // Оружие
inline constexpr const char* kEquipment = "\xce\xe1\xee\xf0\xf3\xe4\xee\xe2\xe0\xed\xe8\xe5"; // Оборудование
inline constexpr const char* kModifiers = "\xcc\xee\xe4\xe8\xf4\xe8\xea\xe0\xf2\xee\xf0\xfb"; // Модификаторы
inline constexpr const char* kGoods = "\xd2\xee\xe2\xe0\xf0\xfb";                             // Товары
inline constexpr const char* kGliders = "\xc3\xeb\xe0\xe9\xe4\xe5\xf0\xfb"; // Глайдеры
inline constexpr const char* kMissiles = "\xd1\xed\xe0\xf0\xff\xe4\xfb";    // Снаряды
inline constexpr const char* kExplosions = "\xc2\xe7\xf0\xfb\xe2\xfb";      // Взрывы
inline constexpr const char* kConfigurations =
    "\xca\xee\xed\xf4\xe8\xe3\xf3\xf0\xe0\xf6\xe8\xe8"; // Конфигурации
inline constexpr const char* kCfgEquipment = "CfgEquipment";
} // namespace unit_sections
