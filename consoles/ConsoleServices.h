// What every console asks of the game around it, in one place so that the
// consoles' tests can stand in for it:
// - the game-event sink's deal and spending slots and the interface sounds
//   (IConsoleEvents; the game's own, CGameConsoleEvents, is used while no
//   other is installed);
// - the player's mechanoid (the player's glider's), the player's rating
//   level for prices, a building's type code;
// - GetGroupHeading, the heading of a mechanoid group on the map.
//
// CGameConsoleEvents hands purchases, sales and spending to the game's
// event sink (g_pAppEvent), or straight to the game data (g_GameData) where
// no sink is installed.
//
// Main thread only.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <string>

class CMechanoid;
class CMechGroup2;

class IConsoleEvents
{
public:
    virtual ~IConsoleEvents() = default;
    // An interface sound by name, once, in 2-D.
    virtual void Play2D(const char* sound) = 0;
    // A purchase in a building: the unit price and the units bought.
    virtual void OnBuyGood(float unitPrice, std::int32_t count) = 0;
    // A sale: the units counted apart in the cargo hold go with secondKind.
    virtual void OnSoldGood(float unitPrice, std::int32_t count, bool secondKind) = 0;
    // Money spent: kind 1 equipment, 2 repair, 3 ammunition and missiles.
    virtual void OnSpendMoney(float amount, std::int32_t kind) = 0;
};

class CGameConsoleEvents : public IConsoleEvents
{
public:
    void Play2D(const char* sound) override;
    void OnBuyGood(float unitPrice, std::int32_t count) override;
    void OnSoldGood(float unitPrice, std::int32_t count, bool secondKind) override;
    void OnSpendMoney(float amount, std::int32_t kind) override;
};

// The installed events, or the game's.
IConsoleEvents& ConsoleEvents();
// Null puts the game's back.
void SetConsoleEvents(IConsoleEvents* events);

// The player's glider's mechanoid, or null.
CMechanoid* PlayerMechanoid();
// The text of a 32-byte name field (never read past its 32 bytes).
std::string FieldText(const char* field);
// CGameData's rating level of kind 1, truncated, as the prices take it.
std::int32_t PlayerRatingLevel();

// The type code of the building object with that game id (the last one of
// the object list that has it); found false and 0 when there is none.
std::int32_t BuildingType(const char* gameId, bool* found = nullptr);
// Tests replace the object list's answer (null: the object list).
inline std::int32_t (*g_pfnConsoleBuildingType)(const char* gameId, bool* found) = nullptr;

// The heading of a group on the map: its position minus its AI's target
// point; for the player's group without an AI the player's glider's
// direction of motion; else (1, 0, 0).
CVector GetGroupHeading(const CMechGroup2* group);
