// The game scripts' built-in functions (numbers 1-103) and what they need of
// the folders above the scripts.
//
// GameScriptBuiltIns() is the table the game script manager starts with
// (CScriptManager::SetBuiltIns replaces it in tests). Each entry acts on
// the world state (g_pWorld, g_ObjectList, g_RoadManager), the groups
// (g_MechGroupList2, g_pPlayerGroup), the units'
// tables and the player's mechanoid, the organisations (g_MMEngine's
// organisation manager), the trade (g_pTrade), the quest log
// (g_pQuestLog) and the sound cues (g_pSoundManager); whatever of these is
// not there makes the built-in log one line and do nothing.
//
// The radar (hud/) and the game cycle (app/) sit above the scripts: they
// reach the built-ins through g_ScriptGameCalls, a table of plain function
// pointers that those folders fill when they start. An unset entry logs
// "SCRIPT: <what> is not available" and the built-in does nothing more.
//
// Our reading of the fields the built-ins pass on (the units own their
// meaning): 56 answers the building type's "TYPE" and 91 its "SUBTYPE" of
// the building object with that game id (999 without one); 23's
// "selectable" buildings are those whose type has a "Cluster" value, the
// buildings that can have an owner. 60's two visibility flags are the
// group's m_bVisible and m_nVisible, which nothing reads yet. 77 guards
// the road node with the group's AI (CGroupAI::GuardPoint). 41, which
// names no mech, only logs. The copy of
// the player's mechanoid (100, 101) is kept by the world's player record
// (g_pWorld->GetPlayerMech(), made through g_pfnCreateWorldMechanoid).
//
// Threads: main thread only.
#pragma once

#include "script/game/ScriptManager.h"

#include <vector>

class CMechanoid;

struct SScriptGameCalls
{
    // The radar: mark an object (flag: the mark's second form), take the
    // mark off, clear the target.
    bool (*markObject)(const char* name, bool flag) = nullptr;
    void (*unmarkObject)(const char* name) = nullptr;
    void (*clearRadarTarget)() = nullptr;
    // The player's mechanoid; by default the glider of the building host's
    // player (units/BuildingObject.h), null without one.
    CMechanoid* (*playerMechanoid)() = nullptr;
    // The player's progress: rating kind 0, 1 or 2 changed by amount; the
    // player's name.
    void (*changeRating)(int kind, int amount) = nullptr;
    void (*setPlayerName)(const char* name) = nullptr;
    // The rating level (at least 0) of rating kind 0, 1 or 2.
    float (*ratingLevel)(int kind) = nullptr;
    // The location's info record: one more key (oneMore), else its
    // key-given flag set; whether it counts a key or has the flag.
    void (*addLocationKey)(const char* location, bool oneMore) = nullptr;
    bool (*locationHasKey)(const char* location) = nullptr;
    // The game cycle: travel to a location map and entry point (exit code
    // 3), end with an exit code, queue an end video (playNow: play the
    // queued ones now).
    void (*travel)(const char* map, const char* point) = nullptr;
    void (*endGame)(int exitCode) = nullptr;
    void (*queueVideo)(const char* name, bool playNow) = nullptr;
};

inline SScriptGameCalls g_ScriptGameCalls;

std::vector<SScriptBuiltIn> GameScriptBuiltIns();

// The parts of the table, one per file.
void AddScriptControlBuiltIns(std::vector<SScriptBuiltIn>& table); // results, variables, quests, radar, flow
void AddWorldBuiltIns(std::vector<SScriptBuiltIn>& table);         // objects, mechs, organisations
void AddPlayerBuiltIns(std::vector<SScriptBuiltIn>& table);        // the player's equipment and cargo
void AddGroupBuiltIns(std::vector<SScriptBuiltIn>& table);         // mechanoid groups

// Reading the parameters: null reads as "".
namespace scriptargs
{
inline const char* Text(const char* p)
{
    return p ? p : "";
}
int Number(const char* p); // decimal, 0 when none
float Real(const char* p); // 0 when none
inline bool Flag(const char* p)
{
    return p && p[0] == '1';
}
// Logs one line: "SCRIPT: <what> is not available".
void Unavailable(const char* what);
// The player's mechanoid (g_ScriptGameCalls or the building host's glider).
CMechanoid* PlayerMechanoid();
void PlaySound(const char* name);
} // namespace scriptargs
