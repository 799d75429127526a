// IMechRegistry: what a mechanoid asks of the world's mech records when it
// hands captured mechanoids in at a building (CMechanoid::CheckHeads).
//
// The game installs the implementation in g_pMechRegistry (the world's mech
// records and organisations, the difficulty setting and the game-event
// sink); without one no captured mech is found, no money sound plays and
// the difficulty is the lowest. Threads: the main thread.
#pragma once

#include <cstdint>

struct SMechInfo
{
    std::int32_t m_nLevel = 0;
    std::int32_t m_nClass = 0;
    char m_szOrganization[32] = {};
};

class IMechRegistry
{
public:
    virtual ~IMechRegistry() = default;
    // The world mech of that id; false when there is none.
    virtual bool FindMech(const char* id, SMechInfo* out) = 0;
    // The organisation of the player's own mech record.
    virtual const char* GetPlayerOrganization() = 0;
    // The mech's organisation learns that it entered the building, and the
    // mech record runs once with a zero time step.
    virtual void OnMechBuilding(const char* id, const char* building) = 0;
    // The game's difficulty, 0..2.
    virtual int GetDifficulty() = 0;
    // Money received: the money sound.
    virtual void OnMoneySound(int amount) = 0;
};

inline IMechRegistry* g_pMechRegistry = nullptr;
