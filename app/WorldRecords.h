// CWorldRecords: the application's answers to what the units and the
// groups ask of the world's records (g_pMechRegistry, g_pGroupEvents from
// start-up to shutdown).
//
// For a mechanoid handing captured mechanoids in at a building: the world
// mech of an id (its level, its generation as the class, its
// organisation), the organisation of the player's own record, the
// organisation told that a mech entered a building (and the record run
// once with a zero step), the game's difficulty (the engine's) and the
// money sound (the event sink's OnMoneySound). For the groups: each group event runs the
// script event of that name for the object (the game script manager).
//
// Every answer reads the current world (g_pWorld); without one no mech is
// found. Threads: main thread only.
#pragma once

#include "society/GroupAI.h"
#include "units/MechRegistry.h"

class CWorldRecords : public IMechRegistry, public IGroupEvents
{
public:
    // Sets both globals; the destructor clears those that are still this.
    void Install();
    ~CWorldRecords() override;

    bool FindMech(const char* id, SMechInfo* out) override;
    const char* GetPlayerOrganization() override;
    void OnMechBuilding(const char* id, const char* building) override;
    int GetDifficulty() override;
    void OnMoneySound(int amount) override;

    void OnGroupEvent(const char* event, const char* id) override;
};
