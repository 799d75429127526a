// What the world keeps for the game above it: the game-event interface the
// world, the units, the organisations and the scripts report through
// (IMMAppEvent, g_pAppEvent), the 32-byte game-state block, the player's
// glider, the camera object and the per-frame notes of hits on the player's
// glider.
//
// The interface is declarations only: the game application implements it
// (CMMAppEvent) and installs it in g_pAppEvent from start-up to shutdown.
// Every slot does nothing by default, so a test's sink overrides only what
// it watches. The player's glider is set by the application's player code
// (a CGliderObject, a dynamic object of the world); the world reaches it
// only as an object and through its sight vector.
//
// Threads: main thread only.
#pragma once

#include "foundation/Vector.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

class CGliderObject;
class CDynamicObject;
class CMech;
class CMMObject;
class CTheThing;

// The game's reactions to what happens in the world. The slots are listed
// in the order of the game's event table; "glider" is the glider of the
// mechanoid concerned, "object name" the script name of an object.
class IMMAppEvent
{
public:
    virtual ~IMMAppEvent() = default;
    // The player's glider took a pick-up thing.
    virtual void OnPickUp(CTheThing*) {}
    // An AI's glider was hit by, pushed by, saw or talks to the player.
    virtual void OnHit(CGliderObject*) {}
    virtual void OnPush(CGliderObject*) {}
    virtual void OnView(CGliderObject*) {}
    virtual void OnTalk(CGliderObject*) {}
    // A line spoken by a mechanoid; OnSay names the player for the player's
    // own glider.
    virtual void OnMechSay(CGliderObject*, const char* /*text*/) {}
    virtual void OnSay(CGliderObject*, const char* /*text*/) {}
    // A member of the player's escort (by its object name) died, is far,
    // was left behind or was hit.
    virtual void OnEscortDie(const char*) {}
    virtual void OnEscortFar(const char*) {}
    virtual void OnEscortLeftBehind(const char*) {}
    virtual void OnEscortHit(const char*) {}
    // The player's glider was hit (the attacker may be null).
    virtual void OnPlayerHit(CMMObject* /*attacker*/) {}
    // The player destroyed a machine (gatherer, flying machine).
    virtual void OnDestroyMachine(CMMObject*) {}
    // The player killed the victim's mechanoid; a mechanoid was killed; a
    // mechanoid of level 0 died by the player's hand.
    virtual void OnPlayerKill(CMech* /*victim*/) {}
    virtual void OnKill(CMech*) {}
    virtual void OnMechDie() {}
    // An object (its name, "PLAYER" for the player) entered or left a
    // script sensor.
    virtual void OnSensor(const char* /*sensor*/, const char* /*object*/, bool /*entered*/) {}
    // An AI's reactions to the player, by its glider.
    virtual void OnPlayerAttackSay(CGliderObject*) {}
    virtual void OnRetreat(CGliderObject*) {}
    virtual void OnFear(CGliderObject*) {}
    virtual void OnDrop(CGliderObject*) {}
    virtual void OnProvocation(CGliderObject*) {}
    virtual void OnRobbing(CGliderObject*) {}
    virtual void OnAcceptConviction(CGliderObject*) {}
    virtual void OnPlayerAttackSafeZone(CGliderObject*) {}
    // A script event by name for an object, with an optional argument.
    virtual void OnScriptEvent(const char* /*object*/, const char* /*event*/, const char /*argument*/[32]) {}
    // Money the player received (amount, kind), and its sound.
    virtual void OnAddMoney(float, int) {}
    virtual void OnMoneySound() {}
    // The player's glider collided.
    virtual void OnCollision() {}
    // The player's glider entered the building of that 32-character id.
    virtual void OnEnterBuilding(const char* /*buildingId*/) {}
    // An organisation took a building, lost one, took a location.
    virtual void CaptureBuilding(const char* /*organisation*/, const char* /*building*/) {}
    virtual void LeaveBuilding(const char* /*organisation*/, const char* /*building*/) {}
    virtual void OnCaptureLocation(const char* /*organisation*/, const char* /*location*/) {}
    // An organisation convicted a mechanoid (by its id).
    virtual void ConvictMech(const char* /*mechId*/, const char* /*organisation*/) {}
    // The player's trade, weapons and spending.
    virtual void OnBuyGood(float /*price*/, int /*count*/) {}
    virtual void OnSoldGood(float /*price*/, int /*count*/, bool /*secondKind*/) {}
    virtual void OnFireWeapon(int /*weaponKind*/) {}
    virtual void OnSpendMoney(float /*amount*/, int /*kind*/) {}
    virtual void OnShoot(float /*amount*/, int /*gunType*/) {}
    virtual void OnDamageObject(float /*amount*/, int /*gunType*/) {}

    // Shows the messages the scripts produced since the last call (message
    // lines with that colour index, or a message box).
    virtual void UpdateRuntimeScriptMessages(int /*colour*/) {}
    // A special action a script asked for; false when it did nothing.
    virtual bool RunSpecialAction(int /*action*/) { return false; }
};

inline IMMAppEvent* g_pAppEvent = nullptr;

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

// The player's glider (null when there is none). The folders above the
// world use it as the glider it is; the world sees only the object and the
// sight vector, which the assignment takes from the glider where its type
// is known.
class CPlayerGliderRef
{
public:
    operator CGliderObject*() const { return m_pGlider; }
    CGliderObject* operator->() const { return m_pGlider; }
    // The glider as an object of the world, and its sight (both null when
    // there is none).
    CDynamicObject* Object() const { return m_pObject; }
    CVector* Sight() const { return m_pSight; }

    CPlayerGliderRef& operator=(std::nullptr_t)
    {
        m_pGlider = nullptr;
        m_pObject = nullptr;
        m_pSight = nullptr;
        return *this;
    }
    template <class TGlider> CPlayerGliderRef& operator=(TGlider* glider)
    {
        m_pGlider = glider;
        m_pObject = glider;
        m_pSight = glider ? &glider->m_vSight : nullptr;
        return *this;
    }

private:
    CGliderObject* m_pGlider = nullptr;
    CDynamicObject* m_pObject = nullptr;
    CVector* m_pSight = nullptr;
};

inline CPlayerGliderRef g_pPlayerGlider;
inline CDynamicObject* g_pCameraObject = nullptr;
