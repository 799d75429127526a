// CMechConfigManager (g_MechConfigManager): the mechanoid configurations,
// complete fittings read from the section "Конфигурации" and its companion
// table "CfgEquipment", one SMechanoidEquipment per listed row.
//
// A configuration row gives "RATING", "NO_TRADING", the nine key columns
// "GLIDER", "LIGHTGUN1", "HEAVYGUN1", "REACTOR", "REACTOR2", "ENGINE",
// "ENGINE2", "SHIELD", "ARMOR" (names resolved through the glider, weapon
// and equipment tables; a name no row has is an empty key) and up to four
// missiles "NAME_MISSILE1".."4" with "COUNT_MISSILE1".."4". Each row of
// "CfgEquipment" not marked "DELETED" adds its equipment "EQP" to every
// configuration named by its "CFG". A configuration takes at most 35 such
// items and 4 missiles: the rest is refused with one error line each.
//
// The unit tables (glider, weapon, equipment, missile) are read first.
// Read once at start-up, read-only afterwards. Threads: as DefaultManager.
#pragma once

#include "foundation/DefaultManager.h"
#include "units/MechanoidEquipment.h"

#include <cstdint>
#include <vector>

class CMechConfigManager : public DefaultManager
{
public:
    bool Init(const char* section) override;
    // The configuration, or null outside the table.
    const SMechanoidEquipment* GetConfig(std::int32_t index) const;

    std::vector<SMechanoidEquipment> m_Configs;
};

extern CMechConfigManager g_MechConfigManager;

// The table name of each configuration key column, in key order.
extern const char* const g_MechConfigColumns[CFG_COUNT];
// The table that names the rows of a configuration key (glider, weapon or
// equipment table).
const DefaultManager& GetMechConfigTable(int slot);
