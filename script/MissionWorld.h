// IMissionWorld: what the mission script manager and its procedures need of
// the game outside the scripts: the environment's game clock and the
// engine's time, the sound manager's 2-D cues, the player's mechanoid
// (money, rating, organisation, glider type, equipment, cargo hold, damage),
// the world's objects, groups, system points and road nodes, the radar's
// marks, and the application's pause, special actions and event sink.
//
// The game's set-up hands the manager an implementation over the world,
// units and application objects (CMMScriptManager::SetWorld). Every
// operation here has a neutral default (nothing happens, zero, false, an
// empty name), which is also what the manager uses before one is set:
// a mission run without a world changes only the mission state.
//
// Threads: main thread only.
#pragma once

#include <string>

class IMissionWorld
{
public:
    virtual ~IMissionWorld() = default;

    // Clocks: the environment's running day count (days); the engine's
    // current time value (seconds) that stamps the script cache.
    virtual float GameClock() { return 0.0f; }
    virtual double EngineTime() { return 0.0; }
    // CSoundManager2::Play2D (name, no loop).
    virtual void PlaySound(const char* /*name*/) {}

    // The player's mechanoid.
    virtual float PlayerMoney() { return 0.0f; }
    virtual void AddPlayerMoney(float /*amount*/) {}
    // The rating level of the player's mech (1 and up).
    virtual int PlayerRatingLevel() { return 1; }
    // The key of the organisation the player belongs to ("ORG_PLAYER").
    virtual std::string PlayerOrganisation() { return std::string(); }
    // The glider type name ("GLIDER_..."), "" without a glider.
    virtual std::string PlayerGliderType() { return std::string(); }
    // The glider type, one of the three equipment types of the fixed slots
    // or the type of a fitted equipment item is the name.
    virtual bool PlayerHasEquipment(const char* /*name*/) { return false; }
    // Cargo entries of kind 2 (mechanoids): with that name, or all for null.
    virtual int CargoMechanoids(const char* /*name*/) { return 0; }
    // Units of the goods in the cargo hold, of either goods kind.
    virtual int CargoGoods(const char* /*name*/) { return 0; }
    // Gives the player a gun, glider, equipment, missile or goods type
    // (tried in that order); false when the name is none of them.
    virtual bool GiveObject(const char* /*name*/, int /*count*/) { return false; }
    virtual void RemoveGoods(const char* /*name*/, int /*count*/) {}
    virtual bool PlayerBadlyDamaged() { return false; }
    virtual bool PlayerDamaged() { return false; }
    // The glider's damage operation with 10000000000.0 from (0, 0, 1).
    virtual void KillPlayer() {}

    // The application.
    virtual bool IsPaused() { return false; }
    virtual void TogglePause() {}
    // CMMAppEvent::RunSpecialAction.
    virtual int RunSpecialAction(int /*action*/) { return 0; }
    // The settings switch TASKEXIST answers with.
    virtual bool TaskExistSwitch() { return false; }
    // The event sink shows the queued messages after a timer's procedure.
    virtual void OnTimerRun() {}

    // The world and the radar.
    enum EShowResult
    {
        kShowGroup,      // a group of that name was shown or hidden
        kShowEmptyGroup, // the group has no members
        kShowObject,     // the object with that game id was
        kShowNotFound,
    };
    virtual EShowResult ShowObject(const char* /*name*/, bool /*show*/) { return kShowNotFound; }
    // A group is marked as a building target, any other name as an object.
    virtual void Mark(const char* /*name*/) {}
    virtual void Unmark(const char* /*name*/) {}
    // A script sensor of the object with that game id for "PLAYER".
    virtual void AddSensor(const char* /*name*/) {}
    virtual bool HasSystemPoint(const char* /*name*/) { return false; }
    virtual bool HasGroup(const char* /*name*/) { return false; }
    virtual bool HasRoadNode(const char* /*name*/) { return false; }
};
