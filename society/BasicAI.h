// CBasicAI: the per-mechanoid AI that flies one glider of the world. Every
// frame (Run, called by the glider) it turns the glider toward a point,
// sets its traction, strafe, brake and jumps, raises the view and talk
// events near the player, notices when it is stuck and works its way out,
// and fights: attack styles, retreat, facing a mech, hits and collisions
// (BasicAI_Combat.cpp). Its orders come from its group's AI (GroupAI.h).
//
// The AI keeps its own clock in tenths of a second from a random start of
// 0..100 s; "every N ticks" rules test the tick count modulo N. The game's
// difficulty (0..2, g_pMechRegistry) scales turning, fire range, facing
// needed to fire, jump, bomb and rocket periods.
//
// The glider's controls go through the protected Control* and SetBrake
// calls, so a test can record them instead of flying a glider. The brake is
// the glider's grip (1.0 stops it, 0 none).
//
// Stream (inside the group's members' records), 110 bytes, little-endian:
//     0   1 view flag           1   1 talk flag
//     2  12 reference point    14   4 mode
//    18   4 attack style       22   4 attack distance (f32)
//    26   4 clock seconds (f32) 30  4 clock tenths (i32)
//    34  12 destination
//    46  32 own mech id        78  32 target mech id (first word -1: none)
// Load reads every field and finds the target again by its id among the
// world's mech records (no target when the id is unknown). A cut-short or
// damaged stream throws CStreamError naming the record and the offset and
// leaves the AI as it was.
//
// Events (OnView, OnTalk, OnPlayerAttackSay, OnRetreat, OnDrop) go to the
// sink in g_pAIEvents, the application's; the player's glider comes from
// it too. Without a sink nothing is raised and there is no player.
//
// Ownership: the glider owns its AI; the mech records, groups and gliders
// are the world's. Threads: main thread.
#pragma once

#include "foundation/Vector.h"
#include "units/GliderAI.h"

#include <cstdint>

class CGliderObject;
class CGroupAI;
class CMech;
class CMechGroup2;
class CMechanoid;
class CMemStream;

enum EAIEvent
{
    AIEV_VIEW,
    AIEV_TALK,
    AIEV_PLAYER_ATTACK_SAY,
    AIEV_RETREAT,
    AIEV_DROP
};

class IAIEvents
{
public:
    virtual ~IAIEvents() = default;
    // The game event with the AI's own glider.
    virtual void OnAIEvent(EAIEvent event, CGliderObject* glider) = 0;
    virtual CGliderObject* GetPlayerGlider() = 0;
};

inline IAIEvents* g_pAIEvents = nullptr;

class CBasicAI : public IGliderAI
{
public:
    enum
    {
        MODE_WAIT = 1,
        MODE_ATTACK = 2,
        MODE_RETREAT = 3,
        MODE_MOVE = 4,
        MODE_FACE = 5,
        MODE_INSPECT = 6,
        MODE_BUILDING = 7,
        MODE_IDLE = 9
    };
    static constexpr int kStreamSize = 110;
    static constexpr float kViewDistance = 1500.0f;
    static constexpr float kTalkDistance = 250.0f;

    // Packed stream record.
#pragma pack(push, 1)
    struct SRecord
    {
        std::uint8_t view;
        std::uint8_t talk;
        float reference[3];
        std::int32_t mode;
        std::int32_t style;
        float attackDistance;
        float clockSeconds;
        std::int32_t clockTenths;
        float destination[3];
        char mechId[32];
        char targetId[32];
    };
#pragma pack(pop)
    static_assert(sizeof(SRecord) == kStreamSize);

    // The difficulty's values of the attack.
    struct SCombatValues
    {
        int jumpA;
        int jumpB;
        float gain;
        int bombPeriod;
        int rocketPeriod;
        float fireRangeSq;
    };

    CBasicAI();
    ~CBasicAI() override = default;

    // IGliderAI.
    void Run() override;
    void OnHit(CMech* attacker, float damage) override;
    void OnCollision(CMech* other) override;
    // Passes the hit to the group AI.
    bool OnGroupHit(CMech* attacker, float damage) override;

    virtual void GenerateEvents();
    virtual void SetMech(CMech* mech);
    virtual void SaveToStream(CMemStream& stream) const;
    virtual void LoadFromStream(CMemStream& stream);
    virtual void Inspect();
    virtual void Wait();
    virtual void MoveTo(float x, float y, float z);
    virtual void Attack(CMech* target);
    virtual void Retreat(CMech* from, const CVector& point);
    virtual void SetAttackStyle(int style);
    virtual void TurnTo(float x, float y, float z);
    virtual void FaceTarget(CMech* target);
    virtual CGliderObject* GetGlider() const;
    virtual void ProcessFaceTarget();
    virtual void ProcessInspect();
    virtual void ProcessAttack();
    virtual void ProcessMove();
    virtual void ProcessWait();
    virtual void ProcessRetreat();
    virtual void FixTrouble();
    virtual void OnTrouble();
    // Steering back toward the segment P-Q: -side x distance x 0.01, in
    // [-2, 2]; 0 for NaN.
    virtual float GetSideCorrection(const CVector& p, const CVector& q) const;
    // False when the ground 25 ahead is more than 7 above the ground here.
    bool CheckPath() const;

    // The difficulty's attack values with the mech's rank and level.
    static SCombatValues GetCombatValues(int difficulty, int rank, int level);
    // The turning limit factor: 0.8, 0.7, 0.6.
    static float GetTurnFactor(int difficulty);
    // The facing needed to fire: 0.9, 0.85, 0.8.
    static float GetFireFacing(int difficulty);
    // The gun scatter; a level below 1 counts as 1.
    static float GetDispersion(int difficulty, int rank, int level, bool invisibleTarget);

    CMechanoid* GetMechanoid() const;
    CMechGroup2* GetGroup() const;
    CGroupAI* GetGroupAI() const;
    // The game's setting as it is (the attack takes one outside 0..2 as 0).
    int GetDifficulty() const;

    std::int32_t m_nTicks = 0;
    float m_fClock = 0.0f;
    CVector m_vReference;
    std::int32_t m_nMode = MODE_IDLE;
    std::int32_t m_nAttackStyle = 0;
    float m_fAttackDistance = 0.0f;
    float m_fArrivalSq = 2500.0f;
    CMech* m_lpMech = nullptr;
    CMech* m_pTarget = nullptr;
    CVector m_vDestination;
    CVector m_vSegmentStart;
    std::uint8_t m_bArrived = 0;
    std::uint8_t m_bPickUp = 0;
    float m_fTroubleTimer = 0.0f;
    float m_fTroubleThreshold = 0.0f;
    float m_fTroubleStartSq = 0.0f;
    float m_fDamageSum = 0.0f;
    std::uint8_t m_bReverse = 0;
    std::uint8_t m_bReseed = 0;
    std::uint8_t m_bInTrouble = 0;
    CVector m_vHome;
    float m_fBestSq = 0.0f;
    float m_fNoProgress = 0.0f;
    float m_fSideStep = 0.0f;
    float m_fSlow = 0.0f;
    float m_fSpeedMul = 1.0f;
    float m_fWaitTimer = 0.0f;
    std::uint8_t m_bView = 0;
    std::uint8_t m_bTalk = 0;
    std::int32_t m_nWaitPattern = -1;
    std::int32_t m_nInspectPattern = 0;
    std::int32_t m_nStuckCount = 0;

protected:
    // The glider's controls (a test records them).
    virtual void ControlTraction(CGliderObject& g, float t);
    virtual void ControlStrafe(CGliderObject& g, float s);
    virtual void ControlJump(CGliderObject& g, float power);
    virtual void ControlRotation(CGliderObject& g, int axis, float value);
    virtual void ControlFire(CGliderObject& g, int gun, float dispersion, const CVector& target);
    virtual void SetBrake(CGliderObject& g, float brake);
    virtual float GetFrameTime() const;

    bool Every(int n) const
    {
        return n > 0 && m_nTicks % n == 0;
    }
    bool InRetreat() const;
    CGliderObject* GetPlayerGlider() const;
    bool IsPlayerMech(const CMech* mech) const;
    void Raise(EAIEvent event);
};

// The glider of a mech record, null without one.
CGliderObject* GetMechGlider(const CMech* mech);
