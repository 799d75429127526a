// CEquipmentManager: the equipment table (section "Оборудование"):
// reactors, engines, shields, armour and the special devices.
//
// GetParam applies a reactor, engine or shield modifier word to a copy of a
// record; a word whose type does not match the record's kind changes
// nothing. Read-only after Init. Threads: the main thread.
#pragma once

#include "foundation/DefaultManager.h"
#include "units/UnitTypes.h"

#include <cstdint>
#include <vector>

struct SEquipmentParameters
{
    std::int32_t m_nType = 0;          // "TYPE"; 0 becomes 5 (a device)
    float m_fWeight = 0.0f;            // "WEIGHT"
    std::int32_t m_nStandard = 0;      // "STANDARD"
    char m_Model[32] = {};             // "MODEL", resolved to a model id
    char m_FxModel[32] = {};           // "FXMODEL", resolved to a model id
    float m_fPower = 0.0f;             // "POWER"
    float m_fValue1 = 0.0f;            // "VALUE1"
    float m_fValue2 = 0.0f;            // "VALUE2"
    float m_fValue3 = 0.0f;            // "VALUE3"
    float m_fDamage = 0.0f;            // "DAMAGE": durability
    std::uint8_t m_bManual = 0;        // "MANUAL"
    std::uint8_t m_bShowOnCockpit = 0; // "SHOWONCOCKPIT"
    float m_fPrice = 0.0f;             // "PRICE"
    std::uint8_t m_bNoTrade = 0;       // "NOTRADE"
    std::int32_t m_nIcon = 0;          // "ICON"
};

class CEquipmentManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    // The record, or null outside the table.
    const SEquipmentParameters* GetEquipment(std::int32_t index) const;
    // A copy of the record with the word's modifiers; an index outside the
    // table leaves out as it is.
    void GetParam(SEquipmentParameters* out, std::int32_t index, std::uint32_t word) const;
    // 0.1 x the modified price of the key's type.
    float GetRepairPrice(const STypeKey& key, std::uint32_t word) const;

    std::vector<SEquipmentParameters> m_Records;
};

extern CEquipmentManager g_EquipmentManager;
