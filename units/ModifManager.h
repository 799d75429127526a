// CModifManager: the item modifier table (section "Модификаторы") and the
// operations on modifier words.
//
// An item is a type index plus a modifier word; a word carries up to three
// properties (0..2) at one level each and the item type in bits 12-15.
// Every record's "UNICUM_ID" is the word of exactly one property at one
// level. ApplyModif adds a record's factors to two parameters and a price
// against the plain table values, so several modifiers add up linearly.
//
// The table is read once at start-up and read-only afterwards. Threads: the
// main thread (and the start-up loader before the game runs).
#pragma once

#include "foundation/DefaultManager.h"
#include "world/TypeManagers.h"

#include <cstdint>
#include <vector>

struct SModifParameters
{
    std::uint32_t m_dwUnicumId = 0; // "UNICUM_ID"
    char m_Model[32] = {};          // "Model", resolved to a model id
    std::int32_t m_nMask = 0;       // "MASK"
    float m_fPrice = 0.0f;          // "PRICE"
    float m_fProbability = 0.0f;    // "PROBABILITY"
    float m_fKChangePrice = 0.0f;   // "K_CHANGE_PRICE"
    float m_fKIncrease1 = 0.0f;     // "K_INCREASE_1_PAR"
    float m_fKDecrease2 = 0.0f;     // "K_DECREASE_2_PAR"
};

// The world's type managers apply modifiers through IModifierTable.
class CModifManager : public DefaultManager, public IModifierTable
{
public:
    bool Init(const char* section) override;

    // The word with the property's level and the type replaced; level 0 is
    // refused (debug log) and gives 0.
    static std::uint32_t CreateModif(std::uint32_t word, std::uint32_t type, std::uint32_t property,
                                     std::uint32_t level);
    static std::uint32_t GetModifNibble(std::uint32_t word, std::uint32_t n)
    {
        return (word >> (4 * n)) & 0xf;
    }
    static void GetModifLevel(std::uint32_t word, std::uint32_t* l0, std::uint32_t* l1, std::uint32_t* l2);
    // type = bits 12-15; with exactly one level set, that property and level;
    // none set: level 0 (property untouched); two or more: type and level 0.
    static void GetProperties(std::uint32_t word, std::uint32_t* type, std::uint32_t* property,
                              std::uint32_t* level);

    // The first record whose identifier is the word, or -1.
    std::int32_t FindModif(std::uint32_t identifier) const;
    // Per property 0..2: the record of that property's level, -1 at level 0.
    void GetModifID(std::uint32_t word, std::int32_t* a, std::int32_t* b, std::int32_t* c) const override;
    // Adds one record's property to an item word; false when the item has a
    // different type or that property already.
    static bool UpgradeModif(std::uint32_t* itemWord, std::uint32_t identifier);
    // p1 += (K1 - 1) base1, p2 -= (1 - K2) base2, price += (Kp - 1) basePrice,
    // each then at least 0. An index outside the table does nothing.
    void ApplyModif(std::int32_t index, float base1, float* p1, float base2, float* p2, float basePrice,
                    float* price) const override;

    const SModifParameters* GetModif(std::int32_t index) const;

    std::vector<SModifParameters> m_Records;
};

extern CModifManager g_ModifManager;
