// CMMApp_Music: the music by situation, a member of the application. Once a
// frame (AnalizeMusicSituation, from CMMApp::AnalizeSituation) it chooses
// the music for the player's situation: calm location tracks with long
// silences between them, battle music while groups attack the player, the
// death theme, and the menu states that the menus set (SetMenuState).
//
// Situation codes: -1 none yet, 0 silence, 1 the location's main track, 2 a
// track of the calm list, 3 and 4 menu states, 5 battle, 6 resume after the
// battle, 7 death.
//
// It reaches the music manager, the location's music names, the player's
// record and the groups through IMusicSituation, so that a test drives it
// with a controllable fake; the game's own (CGameMusicSituation) reads
// g_pMusicManager, the engine's location music, the world's player record
// and the groups' AIs. Draws go through the program's generator g_Random.
//
// CCockpitWarnings: the warning sounds of the cockpit on the rising edge of
// each condition, the looping alarms, and the HUD's warning code, computed
// from a snapshot of the player's state (SCockpitState) that the
// application fills each frame.
//
// Threads: main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CGliderObject;
class CGun;
class CMechGroup2;

// What the music needs of the game.
class IMusicSituation
{
public:
    virtual ~IMusicSituation() = default;
    // The music manager.
    virtual bool IsMusicOn() = 0;
    virtual bool IsPlayed() = 0;
    virtual float GetSilence() = 0;
    virtual bool IsRequestQueued() = 0;
    virtual void SetSilence(float seconds) = 0;
    virtual void Play(const char* name, float fadeIn, bool loop) = 0;
    virtual void Stop(float fadeOut) = 0;
    virtual void Pause(bool pause, float fade) = 0;
    virtual float GetLength() = 0;
    virtual float GetPosition() = 0;
    // The location's music: the main track, the battle list, the calm list.
    virtual std::string MainTrack() = 0;
    virtual std::vector<std::string> BattleTracks() = 0;
    virtual std::vector<std::string> CalmTracks() = 0;
    // The player's record is dead.
    virtual bool IsPlayerDead() = 0;
    // The group still attacks the player or retreats from the player.
    virtual bool IsEngaged(CMechGroup2* group) = 0;
};

// The game's: g_pMusicManager, the engine's location music, the world.
class CGameMusicSituation : public IMusicSituation
{
public:
    bool IsMusicOn() override;
    bool IsPlayed() override;
    float GetSilence() override;
    bool IsRequestQueued() override;
    void SetSilence(float seconds) override;
    void Play(const char* name, float fadeIn, bool loop) override;
    void Stop(float fadeOut) override;
    void Pause(bool pause, float fade) override;
    float GetLength() override;
    float GetPosition() override;
    std::string MainTrack() override;
    std::vector<std::string> BattleTracks() override;
    std::vector<std::string> CalmTracks() override;
    bool IsPlayerDead() override;
    bool IsEngaged(CMechGroup2* group) override;
};

class CMMApp_Music
{
public:
    // The game's situation when none is given.
    explicit CMMApp_Music(IMusicSituation* game = nullptr);
    void Reset();
    int GetState() const { return m_nCurrent; }
    int GetPrevious() const { return m_nPrevious; }
    // Only 3 and 4 are taken; not while the state is 4.
    void SetMenuState(int state);
    // An attacking glider's group joins the attackers (music on, not the
    // player's glider, its exclusion flag clear).
    void OnPlayerHit(CGliderObject* attacker);
    // A group joins the attackers (no duplicates).
    void AddAttacker(CMechGroup2* group);
    void AnalizeMusicSituation();

    std::vector<CMechGroup2*> m_Attackers;
    int m_nCurrent = -1;
    int m_nPrevious = -1;
    int m_nLastBattle = -1;
    int m_nLastCalm = -1;
    bool m_bBattleStarted = false;
    bool m_bCalmToggle = true;
    bool m_bPausedForBattle = false;

private:
    // An index of n never equal to last (0 for a list of at most one).
    static int PickIndex(int n, int last);
    void Remember();

    CGameMusicSituation m_Game;
    IMusicSituation* m_pGame;
};

// The player's state the warnings read, filled each frame.
struct SCockpitState
{
    bool alive = false; // a player record, a mechanoid, not dead
    // Guns 1 and 2: mounted, overheated, charge ratio, "TFIRE",
    // "RATEOFFIRE", item flagged, condition, state code.
    struct SGun
    {
        bool mounted = false;
        bool overheated = false;
        float chargeRatio = 1.0f;
        float fireTime = 0.0f;
        float rateOfFire = 0.0f;
        bool flagged = false;
        float condition = 1.0f;
        int stateCode = 0;
    } guns[2];
    float energy = 1.0f;
    // Damage ratios: first, third, second, fourth item, hull; the fourth
    // item fitted.
    float partDamage[5] = {};
    bool fourthFitted = false;
    float armour = 1.0f;
    bool watched = false;
    bool stasis = false;
    float shield = 1.0f;
    bool shieldHit = false;
    int anomalyZone = -1;
    bool anomalyDamage = false;
};

// A gun's part of the snapshot: not mounted without a weapon record; the
// charge is what is left of its firing time, the condition how far its
// reload has come, the state code the result of this frame's trigger.
SCockpitState::SGun ReadCockpitGun(const CGun& gun);

// What the warnings sound through.
class IWarningSounds
{
public:
    virtual ~IWarningSounds() = default;
    virtual void Play(const char* name, bool loop) = 0;
    virtual void Stop(const char* name) = 0;
};

class CCockpitWarnings
{
public:
    static constexpr std::uint32_t kLowEnergy = 0x1;
    static constexpr std::uint32_t kAnomalyLoop = 0x2;
    static constexpr std::uint32_t kAnomalyWarned = 0x4;
    static constexpr std::uint32_t kCriticalLoop = 0x8;
    static constexpr std::uint32_t kCoreBits = 0x1F0;
    static constexpr float kLowEnergyFraction = 0.24060151f;

    // bits: the application's warning set; lastShield its last shield
    // fraction. Returns the HUD warning code.
    static int Analize(const SCockpitState& s, std::uint32_t& bits, float& lastShield,
                       IWarningSounds& sounds);
    // Both looping alarms stop and their bits clear.
    static void StopLoops(std::uint32_t& bits, IWarningSounds& sounds);
};
