// What the game application keeps for the world's object code: the event
// sink's slots (CMMAppEvent, g_pAppEvent), the 32-byte game-state block,
// the player's glider, the camera object and the per-frame notes of hits on
// the player's glider.
//
// Stand-in: the event sink's slots do nothing (no scripts, message ring or
// player progress yet); the application installs it in g_pAppEvent from
// start-up to shutdown (CMMApp::CreateMainClasses) until the full sink
// replaces it. The player's glider and the camera object are plain
// variables that the game's location sets.
//
// Threads: main thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

class CGliderObject;
class CDynamicObject;
class CMech;
class CMMObject;
class CTheThing;

// The abstract event interface the sink implements.
class IMMAppEvent
{
public:
    virtual ~IMMAppEvent() = default;
    virtual void OnScriptEvent(const char* objectName, const char* eventName, const char argument[32]) = 0;
    virtual void OnCaptureLocation(const char* organisation, const char* locationName) = 0;
    virtual void ConvictMech(const char* mechId, const char* organisation) = 0;
    // An organisation took a building, or lost one.
    virtual void CaptureBuilding(const char* organisation, const char* building) = 0;
    virtual void LeaveBuilding(const char* organisation, const char* building) = 0;
    virtual void OnMechDie() = 0;
    virtual void OnPickUp(CTheThing* thing) = 0;
    virtual void OnSensor(const char* target, const char* mechanoidId, bool enter) = 0;
    // The player's glider damaged a machine (gatherer, flying machine) and
    // destroyed one.
    virtual void OnDamageObject(float amount, int weaponKind) = 0;
    virtual void OnDestroyMachine() = 0;
    // The player's glider was hit (attacker may be null); the player killed
    // the victim's mechanoid; a mechanoid was killed; a member of the
    // player's escort was hit by the named mechanoid; the player's glider
    // collided.
    virtual void OnPlayerHit(CMMObject* attacker) = 0;
    virtual void OnPlayerKill(CMech* victim) = 0;
    virtual void OnKill(CMech* mech) = 0;
    virtual void OnEscortHit(const char* mechName) = 0;
    virtual void OnCollision() = 0;
};

// The game-event sink; every slot does nothing here.
class CMMAppEvent : public IMMAppEvent
{
public:
    void OnScriptEvent(const char*, const char*, const char[32]) override {}
    void OnCaptureLocation(const char*, const char*) override {}
    void ConvictMech(const char*, const char*) override {}
    void CaptureBuilding(const char*, const char*) override {}
    void LeaveBuilding(const char*, const char*) override {}
    void OnMechDie() override {}
    void OnPickUp(CTheThing*) override {}
    void OnSensor(const char*, const char*, bool) override {}
    void OnDamageObject(float, int) override {}
    void OnDestroyMachine() override {}
    void OnPlayerHit(CMMObject*) override {}
    void OnPlayerKill(CMech*) override {}
    void OnKill(CMech*) override {}
    void OnEscortHit(const char*) override {}
    void OnCollision() override {}
};

inline CMMAppEvent* g_pAppEvent = nullptr;

// The game-state values the application keeps; the world saves them as
// "MMS_STATE" and a new game clears them.
struct SGameState
{
    std::uint8_t bytes[32] = {};

    void Clear() { std::memset(bytes, 0, sizeof bytes); }
};
static_assert(sizeof(SGameState) == 32);

inline SGameState g_GameState;

// Hits on the player's glider this frame: weapons raise the level (1 or 2)
// and set the flags, the situation analysis reads them, and the object
// list's run resets them at the start of every frame.
struct SPlayerHitNotes
{
    std::int32_t level = -1;
    std::uint8_t flags[4] = {};

    void Reset()
    {
        level = -1;
        std::memset(flags, 0, sizeof flags);
    }
};

inline SPlayerHitNotes g_PlayerHitNotes;

// The start-up screen's loading stage: set by the loader threads, read by
// the main thread's loading screen.
inline std::atomic<int> g_nLoadingStage{0};

// The player's glider (null when there is none) and the camera object.
inline CGliderObject* g_pPlayerGlider = nullptr;
inline CDynamicObject* g_pCameraObject = nullptr;
