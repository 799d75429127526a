// CMMAppEvent: the game-event sink (g_pAppEvent from start-up to shutdown,
// made and installed by CMMApp::CreateMainClasses). The world, the units,
// the organisations, the groups, the AIs and the scripts report every game
// event to this one object, which turns it into what the game shows: script
// events raised by name (the game script manager's RunEvent), lines in the
// message panel, sounds, the music's reaction to a hit on the player and the
// player's progress (g_GameData). After each script event it shows the
// messages the scripts produced (UpdateRuntimeScriptMessages).
//
// The side seams of the lower folders are thin adapters of this sink, in the
// same object and installed with it: the AIs' events (IAIEvents: view,
// talk, attack, retreat, drop become the slots of those names) and the
// groups' events (IGroupEvents: "OnEscortFar" and the other escort events
// become their slots, any other name a script event) and the guns' shots
// (IShotEvents: OnShoot and OnFireWeapon are the slots). The mech queries
// (IMechRegistry) stay with CWorldRecords, whose money sound comes here;
// the building host (CGameBuildingHost) reports spending here.
//
// Type-2 results (vital messages) are shown in a message box inside the
// running menu's console (ShowVitalResults, which the application sets);
// where no menu shows them (in flight), their texts go to the message
// panel so that nothing is lost.
//
// Everything the sink does outside itself goes through the protected
// virtual operations at the end, so that a test watches it by deriving.
//
// Threads: main thread only.
#pragma once

#include "society/BasicAI.h"
#include "society/GroupAI.h"
#include "units/Gun.h"
#include "world/GameWorldState.h"

#include <cstdint>
#include <functional>
#include <string>

class CMMApp_Music;
class CXAnsiString;

class CMMAppEvent : public IMMAppEvent, public IAIEvents, public IGroupEvents, public IShotEvents
{
public:
    // The colour index of the sink's message lines.
    static constexpr int kMessageColour = 1;
    // Special action 3: the draws of one pick-up's cell before it is left
    // out (a map with no flat ground far from the camera gives none).
    static constexpr int kMaxScatterDraws = 1000;

    // music: the application's music (a hit on the player starts the
    // battle music); may be null.
    explicit CMMAppEvent(CMMApp_Music* music = nullptr);
    ~CMMAppEvent() override;
    CMMAppEvent(const CMMAppEvent&) = delete;
    CMMAppEvent& operator=(const CMMAppEvent&) = delete;

    // g_pAppEvent, g_pAIEvents, g_pGroupEvents and g_pShotEvents become
    // this; the destructor clears those that still are.
    void Install();

    // The game events.
    void OnPickUp(CTheThing* thing) override;
    void OnHit(CGliderObject* glider) override;
    void OnPush(CGliderObject* glider) override;
    void OnView(CGliderObject* glider) override;
    void OnTalk(CGliderObject* glider) override;
    void OnMechSay(CGliderObject* glider, const char* text) override;
    void OnSay(CGliderObject* glider, const char* text) override;
    void OnEscortDie(const char* name) override;
    void OnEscortFar(const char* name) override;
    void OnEscortLeftBehind(const char* name) override;
    void OnEscortHit(const char* name) override;
    void OnPlayerHit(CMMObject* attacker) override;
    void OnDestroyMachine(CMMObject* object) override;
    void OnPlayerKill(CMech* victim) override;
    void OnKill(CMech* mech) override;
    void OnMechDie() override;
    void OnSensor(const char* sensor, const char* object, bool entered) override;
    void OnPlayerAttackSay(CGliderObject* glider) override;
    void OnRetreat(CGliderObject* glider) override;
    void OnFear(CGliderObject* glider) override;
    void OnDrop(CGliderObject* glider) override;
    void OnProvocation(CGliderObject* glider) override;
    void OnRobbing(CGliderObject* glider) override;
    void OnAcceptConviction(CGliderObject* glider) override;
    void OnPlayerAttackSafeZone(CGliderObject* glider) override;
    void OnScriptEvent(const char* object, const char* event, const char argument[32]) override;
    void OnAddMoney(float amount, int kind) override;
    void OnMoneySound() override;
    void OnCollision() override;
    void OnEnterBuilding(const char* buildingId) override;
    void CaptureBuilding(const char* organisation, const char* building) override;
    void LeaveBuilding(const char* organisation, const char* building) override;
    void OnCaptureLocation(const char* organisation, const char* location) override;
    void ConvictMech(const char* mechId, const char* organisation) override;
    void OnBuyGood(float price, int count) override;
    void OnSoldGood(float price, int count, bool secondKind) override;
    void OnFireWeapon(int weaponKind) override;
    void OnSpendMoney(float amount, int kind) override;
    void OnShoot(float amount, int gunType) override;
    void OnDamageObject(float damage, int gunType) override;

    void UpdateRuntimeScriptMessages(int colour) override;
    // 0 nothing; 1 the player's name becomes the mission scripts' current
    // text; 2 that text becomes the player's name; 3 pick-ups scattered over
    // the location; 4 and 5 end the game cycle with exit reason 7 or 6.
    bool RunSpecialAction(int action) override;

    // IAIEvents and IGroupEvents.
    void OnAIEvent(EAIEvent event, CGliderObject* glider) override;
    CGliderObject* GetPlayerGlider() override;
    void OnGroupEvent(const char* event, const char* id) override;
    // IShotEvents: the target the player locked (the player's glider's).
    CMMObject* GetLockedTarget() override;

    // The object that hit the player's glider last (OnPlayerHit), found
    // again by its object number and type: null when none or gone.
    CMMObject* FindLastAttacker() const;
    void ForgetLastAttacker() { m_nLastAttacker = -1; }

    // Messages on or off (UpdateRuntimeScriptMessages does nothing while
    // off). A CQuietMessages keeps them off for its scope and turns them on
    // again however the scope ends.
    bool m_bMessagesEnabled = true;
    class CQuietMessages
    {
    public:
        explicit CQuietMessages(CMMAppEvent* sink);
        ~CQuietMessages();
        CQuietMessages(const CQuietMessages&) = delete;
        CQuietMessages& operator=(const CQuietMessages&) = delete;

    private:
        CMMAppEvent* m_pSink;
        bool m_bWas;
    };

    // A text of the text database with the one value it carries put in the
    // place of its first "%s" or "%d" (any other '%' stays as it is); a text
    // without a placeholder gets nothing added.
    static std::string FillPlaceholder(const char* text, const char* value);

    // Shows the vital results in a message box; key is the first vital
    // entry's text key. False when nothing showed them.
    std::function<bool(const char* key)> ShowVitalResults;

protected:
    // What the sink does outside itself.
    virtual void RunEvent(const char* object, const char* event, const char* argument);
    virtual void AddMessage(const char* line, int colour);
    virtual void PlaySound2D(const char* name, bool loop);
    virtual bool IsSoundPlaying(const char* name);
    // The text database's text and name text of a key; false when absent.
    virtual bool GetText(const char* key, std::string& text);
    virtual bool GetName(const char* key, std::string& name);
    // The script manager's name substitution.
    virtual std::string FillNames(const std::string& text);
    // Special action 3's view of the location: the map's grid size, the
    // ground at (x, z) (false when none), the camera's position, and the
    // pick-up made there. The ground plane is (x, y); up is the normal's
    // z.
    virtual void GetMapSize(int* width, int* height);
    virtual bool GetGround(float x, float y, float* height, float* up);
    virtual CVector GetCameraPosition();
    virtual void CreatePickUp(const char* type, const CVector& at);
    // Special actions 4 and 5: the game cycle ends with that reason.
    virtual void EndCycle(int reason);
    // The input configuration's force-feedback jolt of a collision.
    virtual void PlayCollisionEffect();

private:
    void RunAndShow(const char* object, const char* event, const char* argument);
    void RunForGlider(CGliderObject* glider, const char* event);
    void SayLine(CGliderObject* glider, const char* text, bool player);
    void ScatterPickUps();

    CMMApp_Music* m_pMusic;
    std::int32_t m_nLastAttacker = -1;
    std::int32_t m_nLastAttackerType = 0;
};
