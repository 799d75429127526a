// CGroupAI: the mind of one mechanoid group (CMechGroup2). It decides what
// the whole group does -- wait, move along the road net, attack, flee, face
// the player, inspect, pick things up, go into a building -- and passes the
// decision on to the CBasicAI of each member's glider. A disassembled group
// (members flying near the viewer) steers its gliders; an assembled one is a
// single point that the AI moves along the roads itself.
//
// Think clock: about ten ticks a second (9..11 x frame time), started at a
// random 0..1000 so groups think out of step. The plain kind (3) only moves,
// waits and faces; the other kinds spy on their neighbours every 10 ticks
// (20 assembled), look for things every 11 and re-issue orders every 100.
//
// Road following (GroupAI_Road.cpp): the route is a list of road-node
// indices (g_RoadManager) found by the world's path finder; the group
// ping-pongs along it, wanders by links when off it, makes a detour over
// side-net nodes (type 1) when a member is stuck, and goes into the
// buildings whose nodes it passes (not into the one it has just left).
//
// Relations and combat (GroupAI_Relations.cpp): a table of up to 40 groups
// seen, each with a relation value in [-1, 1] and a state; spying admits
// the groups within 0.95 x 1500 and drops those beyond 1500, and judging
// (DefineGroup) turns the organisations' relation, hits, war power and the
// group's reaction into an attack, a retreat or peace. Two assembled groups
// within 150 of each other fight by rolls of the shared generator.
//
// The far-combat loser is killed offline and its cargo passes to the
// winner's group.
//
// Game events (OnEscortFar, OnEscortLeftBehind, OnFear, ...) go to the sink
// in g_pGroupEvents; without one nothing is raised.
//
// Ownership: the group owns its AI; the route arrays are the AI's. Threads:
// main thread.
#pragma once

#include "foundation/Name32.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <vector>

class CBasicAI;
class CBuildingObject;
class CGliderObject;
class CMech;
class CMechGroup2;
class CMemStream;

// Game events of the groups, by their names ("OnEscortFar", ...), with the
// id of the mech or the glider concerned.
class IGroupEvents
{
public:
    virtual ~IGroupEvents() = default;
    virtual void OnGroupEvent(const char* event, const char* id) = 0;
};

inline IGroupEvents* g_pGroupEvents = nullptr;

// One known group. The saved form is SGroupRelationRecord (32 bytes, the
// pointer a 32-bit word written as 0).
struct SGroupRelation
{
    std::int32_t m_nIndex = -1;
    CMechGroup2* m_pGroup = nullptr;
    std::uint32_t m_nState = 0;
    float m_fDistance = 0.0f;
    float m_fLastSum = 0.0f;
    float m_fRelation = 0.0f;
    float m_fOrgFactor = 0.0f;
    std::uint8_t m_bTower = 0;
    std::uint8_t m_bSpare = 0;
    std::uint8_t m_bFromOrg = 1;
    std::uint8_t m_bKept = 0;

    // The colour of the state, alpha 0xAA under a watching tower.
    std::uint32_t GetColor() const;
};

#pragma pack(push, 1)
struct SGroupRelationRecord
{
    std::int32_t index;
    std::uint32_t group;
    std::uint32_t state;
    float distance;
    float lastSum;
    float relation;
    float orgFactor;
    std::uint8_t tower;
    std::uint8_t spare;
    std::uint8_t fromOrg;
    std::uint8_t kept;
};
#pragma pack(pop)
static_assert(sizeof(SGroupRelationRecord) == 32);

class CGroupAI
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
        MODE_PACK = 7,
        MODE_PICKUP = 8,
        MODE_NONE = 9
    };
    static constexpr std::int32_t kPlainKind = 3;
    static constexpr int kMaxRelations = 40;
    static constexpr float kEscortRadius = 4900.0f;

    CGroupAI();
    virtual ~CGroupAI();
    CGroupAI(const CGroupAI&) = delete;
    CGroupAI& operator=(const CGroupAI&) = delete;

    // The AI's defaults for its group, then the kind's first step (a
    // hunters' or a crowd's first move, which may already take the group
    // into a building).
    virtual void Init(CMechGroup2* group);
    // The defaults only: for an AI whose record is read next (a saved
    // game's group), which must not act on the world it is read into.
    virtual void Setup(CMechGroup2* group) { Init(group); }
    // The AI's record (version 4; the layout is above SaveToStream).
    virtual void SaveToStream(CMemStream& stream) const;
    // Versions 1 to 4. Throws CStreamError on a damaged record (a bad
    // version, a count past its bytes, more than 4096 route nodes or 40
    // relations), leaving the AI as it was.
    virtual void LoadFromStream(CMemStream& stream);
    virtual void Run(float dt);
    // Admits the groups near this one into the relation table (hint: a
    // group to admit whatever its distance) and prunes the far ones.
    virtual void SpyGroups(CMechGroup2* hint);
    virtual void PickUp(float x, float y, float z);
    virtual void Command();
    virtual void SetReaction(float x);
    // Relations are kept in [-1, 1].
    virtual void SetRelation(CMechGroup2* group, float value, bool fixed);
    virtual float GetRelation(const CMechGroup2* group) const;
    virtual void FixTrouble();
    virtual float GetReaction() const { return m_fReaction; }
    virtual void OnBuilding(const char* building);
    virtual void OnExitFromBuilding();
    virtual void OnHit(CMechGroup2* attacker, float amount, bool spread);
    virtual void OnTrouble(CMech* member);
    virtual float GetFear() const { return m_fFear; }
    virtual std::uint32_t GetColor() const;
    virtual void ProcessPickup();
    virtual void ProcessPackToBuilding();
    virtual void ProcessFaceTarget();
    virtual void ProcessAttack();
    virtual void ProcessInspect();
    virtual void ProcessMove(float dt);
    virtual void ProcessWait();
    virtual void ProcessRetreat(float dt);
    virtual std::int32_t GetNearestRoad();
    virtual void GetNextRoadItem();
    virtual void GetNextRoadItem2();
    virtual void GetNextRoadItemOnTrouble();
    virtual void FindThing();
    virtual void FindMines();
    virtual bool IsThingTaken(float x, float y, float z) const;
    virtual void Move(std::int32_t road);
    virtual void Move();
    virtual void TryKeepOff(CMechGroup2* group);
    virtual void TryFuck(CMech* robber);
    virtual void Provocation(CMechGroup2* group);
    virtual void Help(CMechGroup2* asking);
    virtual void Wait();
    virtual void FaceTarget(CMech* target);
    virtual void PackToBuilding();
    virtual void Inspect();
    virtual void Attack2(CMechGroup2* group, bool again);
    virtual void Attack1(CMech* target, bool order);
    virtual void Retreat(CMechGroup2* from);
    virtual void RestoreTarget();
    virtual bool IsNearDestination() const;
    virtual CMech* GetStrongestGlider(bool anyForm) const;
    virtual CMech* GetFastestGlider() const;
    virtual CMech* GetEmptyGlider() const;
    virtual CMech* GetEmptyMech() const;
    // A member's glider was hit (the member AI's hook): the hit reaches
    // OnHit with the attacker's group.
    virtual void OnMemberHit(CMech* attacker, float damage);

    void AssignToPlayer(bool assign);
    // Guards a point: the route becomes the zone of the named road node
    // within the radius (TakeZone), and the group moves along it as hunters
    // walk theirs (m_bGuarding), never stopping. False, nothing changed,
    // when the node is unknown (or there is no world).
    bool GuardPoint(const char* point, float radius);
    // The route becomes the path finder's zone of the named road node
    // within the radius, the node first; false, route unchanged, without one.
    bool TakeZone(const char* point, float radius);
    bool IsAttackingPlayer() const;
    bool IsRetreatingFromPlayer() const;
    void SetCurrentRoad(std::int32_t node);
    // Judges one entry of the relation table: its relation, the attitude
    // toward its group and the state; an attack or a retreat when the
    // attitude calls for one.
    void DefineGroup(int entry, bool fresh);

    // For the member AIs: the positions of the current and previous road
    // nodes (false without both) and the current node's type.
    bool GetRoadPoints(CVector* current, CVector* previous) const;
    std::int32_t GetRoadType() const;
    // The index of a group's entry, -1 when it has none.
    int FindRelation(const CMechGroup2* group) const;
    // Asks the cache for the fields a run reads, not the relation table
    // that only spying reads (a hint: it changes nothing).
    void PrefetchRun() const;
    bool IsOnRoute(std::int32_t node) const;

    std::int32_t m_nKind = kPlainKind;
    std::int32_t m_nTick = 0;
    float m_fThinkClock = 0.0f;
    float m_fModeTimer = 0.0f;
    float m_fAttackOrderTimer = 0.0f;
    std::int32_t m_nSpyCount = 0;
    std::uint8_t m_bTowerAlert = 0;
    std::uint8_t m_bFollow = 0;
    std::uint8_t m_bTalk = 0;
    char m_szTarget[32] = {};
    char m_szRouteStart[32] = {};
    char m_szRouteEnd[32] = {};
    std::int32_t m_nMode = MODE_NONE;
    CMech* m_pTarget = nullptr;
    CVector m_vDestination;
    std::vector<std::int32_t> m_Route;
    SGroupRelation m_Relations[kMaxRelations];
    std::int32_t m_nRelations = 0;
    float m_fThreat = 0.0f;
    std::uint8_t m_bOffRoute = 0;
    std::int32_t m_nCurrentRoad = -1;
    std::int32_t m_nPreviousRoad = -1;
    std::int32_t m_nTroubleCount = 0;
    float m_fFear = 0.0f;
    float m_fProgress = 0.0f;
    float m_fSegmentLength = 0.0f;
    std::int32_t m_nSpare = 0;
    std::uint8_t m_bForward = 1;
    char m_szLastBuilding[32] = {};
    std::uint8_t m_bEscortFar = 0;
    std::uint8_t m_bInTrouble = 0;
    std::uint8_t m_bStopAtEnd = 0;
    std::int32_t m_nSpare2 = -1;
    std::vector<std::int32_t> m_TroubleRoute;
    float m_fEscortRadius = 0.0f;
    CVector m_vSegment;
    CMechGroup2* m_pGroup = nullptr;
    float m_fReaction = 0.0f;
    std::uint8_t m_bAssigned = 0;
    float m_fPickupTimer = 0.0f;
    // The version of the last record read (0: none).
    std::uint32_t m_nLoadedVersion = 0;
    // Set by GuardPoint: the route is a zone, walked from a node to a linked
    // node of it (WalkZone) as hunters walk theirs; people roam as they
    // always do. Move to a node ends it. Not in the AI's record: a guard
    // loaded from a save walks its zone from end to end and back.
    std::uint8_t m_bGuarding = 0;

protected:
    // The member AIs of the members whose mechanoid and glider exist; live
    // ones only (mechanoid not killed) when asked.
    std::vector<CBasicAI*> MemberAIs(bool liveOnly) const;
    CGliderObject* GetPlayerGlider() const;
    CMech* GetPlayerMech() const;
    bool IsPlayerMech(const CMech* mech) const;
    void Raise(const char* event, const char* id) const;
    // The building of a road node's name for this group (CheckBuilding),
    // not the one it just left.
    bool IsBuildingNode(std::int32_t node);
    void EnterNodeBuilding();
    // The next node of a zone: a random one linked to the current node and
    // on the route, not the one just left; else back to that one; else the
    // way to the nearest road (GetNextRoadItem2).
    void WalkZone();
    // The base move, then, flying disassembled on its own, at the next node
    // the kind's next node (GetNextRoadItem) and on unless it packs into a
    // building: the move of the kinds that roam (hunters, people).
    void ProcessRoamingMove(float dt);
    // An entry's group, resolved from its index on first use (judged then).
    CMechGroup2* ResolveEntry(int entry);
    // Whether an active tower watches the point: within factor x its spy
    // distance, towers searched within factor x the farthest spy distance.
    static bool TowerWatches(const CVector& point, float factor, bool viewRange);
    virtual float GetFrameTime() const;

private:
    // This group's war power for judging an entry. Within a spying pass it
    // is taken once: judging changes nothing it depends on, unless the
    // judgement starts a fight or raises a game event (DefineGroup then
    // forgets it, and the other groups' that the list keeps).
    float OwnWarPower();
    void ForgetWarPowers();
    float m_fPassPower = 0.0f;
    bool m_bPassPowerKnown = false;
    bool m_bInPass = false;
};

// A road guard that answers hits at once: it travels its route like any
// group AI of the hunter kind, and turns on whoever hurts one of its members
// (with a glider, from outside the group) until the attacker is gone, killed
// or farther than 1500 from the group; then it goes back to its road.
class CPatrolGroupAI : public CGroupAI
{
public:
    CPatrolGroupAI() { m_nKind = 1; }
    void OnMemberHit(CMech* attacker, float damage) override;
    void Attack1(CMech* target, bool order) override;
    void ProcessAttack() override;
};
