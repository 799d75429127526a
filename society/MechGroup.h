// CMechGroup2: a group of up to five mech records that travel, fight, trade
// and enter buildings together, with the group AI (CGroupAI) that decides
// for them; CPlayerMechGroup2, the player's own group (no AI);
// CMechGroupList2, the world's list of groups (entry 0 the player's).
//
// Level of detail: far from the viewer a group is assembled (its members
// have no glider objects; the AI moves it as a point); within 0.95 x the
// view range (GetViewRange) it disassembles (every member gets a glider
// with a CBasicAI), and it assembles again beyond 1.1 x: between the two the
// state does not flip.
//
// Group stream (little-endian, packed):
//     0   4 name marker 0xFFEEDD4E (absent in older streams), then 32 name
//     0  12 centre             12  32 organisation name
//    44  32 building name      76   1 disbanded
//    77   1 active             78   1 0 (skipped on read)
//    79   1 in building        80   1 spare flag
//    81   1 assembled (1)      82   4 building timer (f32)
//    86   4 speed factor (f32) 90   4 spare value
//    94   4 member count n     98  32n member mech ids
//    then i32 AI kind (-1 none) and, unless -1, the AI's record.
// Offsets after the marker are from its end. The marker is a NaN as a
// float, which no saved centre is, so older streams read as before.
// A count outside 0..20 logs "Load error" and stops the load (the group
// has no members, no AI and no organisation); ids past the five slots are
// read past and logged; ids of no mech are skipped; an unknown organisation
// falls back to "ORG_FREE".
//
// Player's group stream: the same up to the member ids (no name marker),
// then the 32-byte id of the mech the player's glider has selected (first
// word -1: none); no AI.
//
// Mech record fields used: m_bDead (killed), m_bAlive (false: out of play),
// m_bAssigned (deployed: a glider was made for it), m_bInBuilding,
// m_szBuilding, m_pGroup, and its mechanoid: the glider's when it flies,
// else a CWorldMechanoid's (WorldMechanoid.h).
//
// Ownership: a group owns its AI, not its members (the world's). The list
// owns entries 1 on; entry 0, the player's group, is g_pPlayerGroup's.
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"
#include "society/GroupGrid.h"

#include <cstdint>
#include <memory>
#include <vector>

class CBasicAI;
class CBuildingObject;
class CGliderObject;
class CGroupAI;
class CMech;
class CMechanoid;
class CMemStream;
class IWorldOrganization;

// Aligned to a cache line: the fields a neighbour's judgement and a war
// power read lead the record (below), so that such a read costs one line.
class alignas(64) CMechGroup2
{
public:
    static constexpr int kMaxMembers = 5;
    static constexpr std::int32_t kMaxStoredMembers = 20;
    static constexpr float kBuildingStay = 33.0f;
    static constexpr std::uint32_t kNameMarker = 0xFFEEDD4Eu;

    CMechGroup2();
    virtual ~CMechGroup2();
    CMechGroup2(const CMechGroup2&) = delete;
    CMechGroup2& operator=(const CMechGroup2&) = delete;

    virtual void InitGroup(const char* org);
    virtual void Run(float dt);
    virtual void SpyGroups();
    // False (nothing changed) when the five slots are taken.
    virtual bool AddMech(CMech* mech);
    virtual void Disassemble(bool exact);
    virtual void Assemble();
    virtual void OnHit(CMechGroup2* attacker, float amount);
    virtual void OnKillMech(CMech* mech);
    virtual void MechEnterBuilding(CMech* mech, const char* building);
    virtual void OnBuilding();
    virtual void OnExitFromBuilding();
    virtual void RemoveMech(CMech* mech);
    virtual void C_FollowOn();
    virtual void C_Attack(CGliderObject* glider);
    virtual void C_FollowOff();
    virtual void C_ReactionLow();
    virtual void C_ReactionFull();
    virtual void C_LeaveMe();
    virtual void C_Help();
    virtual void C_PleaseAttack();
    virtual void C_TryKeepOff();
    virtual void C_Assign();
    virtual void C_Convict(CGliderObject* glider);
    virtual void C_Provocation(CGliderObject* glider);
    virtual void C_TryFuck(CGliderObject* glider);
    virtual void C_Suicide(CGliderObject* glider);
    virtual bool CheckBuilding(std::int32_t road);
    virtual void UpdateActive();
    virtual std::int32_t GetAIKind() const { return m_nAIKind; }
    virtual void SetAI(std::int32_t kind);
    // Throws CStreamError on a cut record (the fields read so far stay).
    virtual void LoadFromStream(CMemStream& stream);
    virtual void SaveToStream(CMemStream& stream);

    void UpdateCentre();
    float GetWarPower() const;
    void AssignToPlayer(bool assign);
    // Replaces the AI by one made elsewhere (a kind of its own).
    void SetAIObject(std::unique_ptr<CGroupAI> ai);
    // A new AI of the kind, not yet set up.
    void MakeAI(std::int32_t kind);
    CGroupAI* GetGroupAI() const { return m_pAI.get(); }
    int GetMemberCount() const { return m_nMembers; }
    CMech* GetMember(int i) const { return i >= 0 && i < m_nMembers ? m_Members[i] : nullptr; }
    // The AI of member i's glider, null without one.
    CBasicAI* GetMemberAI(int i) const;
    // The squared distance of the centre from the viewer.
    float GetViewerDistanceSq() const;

    // First, within the record's first line: what spying reads of every
    // group it considers or judges (centre, flags, organisation) and what a
    // war power reads (the members, the first three of them in that line).
    // With hundreds of groups the records no longer stay in the caches from
    // one spying pass to the next, and each judgement of a group reads them.
    CVector m_vCentre;
    std::uint8_t m_bDisbanded = 0;
    std::uint8_t m_bActive = 0;
    std::uint8_t m_bInBuilding = 0;
    // The group's two visibility flags (the byte and the word of the group
    // stream at offsets 80 and 90): the scripts' invisibility built-in sets
    // both, 1 shown and 0 hidden. A group no script has touched holds 0, as
    // saved games of before do. Nothing reads them yet.
    std::uint8_t m_bVisible = 0;
    std::uint8_t m_bAssembled = 1;
    std::int32_t m_nMembers = 0;
    IWorldOrganization* m_pOrg = nullptr;
    CMech* m_Members[kMaxMembers] = {};
    char m_szName[32] = {};
    char m_szOrg[32] = {};
    float m_fBuildingTimer = 0.0f;
    float m_fSpeedFactor = 0.5f;
    std::uint32_t m_nVisible = 0; // the second visibility flag (above)
    char m_szBuilding[32] = {};
    CBuildingObject* m_pBuilding = nullptr;
    std::unique_ptr<CGroupAI> m_pAI;
    std::int32_t m_nAIKind = 3;
    // The last load stopped at a bad member count (the stream is out of
    // step after it).
    std::uint8_t m_bLoadStopped = 0;

protected:
    // The fields up to the member ids; false after "Load error".
    bool ReadCommon(CMemStream& stream, char org[32]);
    void WriteCommon(CMemStream& stream);
    // The groups near this one that a neighbour-wide command reaches.
    std::vector<CMechGroup2*> Neighbours() const;
};

class CPlayerMechGroup2 : public CMechGroup2
{
public:
    void InitGroup(const char* org) override;
    void Run(float dt) override;
    void OnKillMech(CMech*) override {}
    void MechEnterBuilding(CMech* mech, const char* building) override;
    void LoadFromStream(CMemStream& stream) override;
    void SaveToStream(CMemStream& stream) override;
    void ResolveTarget();

    char m_szTarget[32] = {};
    std::uint8_t m_bCommanded = 0;
};

class CMechGroupList2
{
public:
    CMechGroupList2() { m_Groups.reserve(50); }
    // At the end of the program the mech records may be gone: the groups are
    // deleted without touching them.
    ~CMechGroupList2() { DeleteGroups(false); }

    void AddGroup(CMechGroup2* group) { m_Groups.push_back(group); }
    // By name from entry 1 on; null when none (never the player's group).
    CMechGroup2* FindGroup(const char* name) const;
    // Whether a pointer (a mech record's untyped group) is one of the list's.
    CMechGroup2* FindByPointer(const void* group) const;
    int IndexOf(const CMechGroup2* group) const;
    void Run(float dt);
    void OnKillMech(CMech* mech);
    void RestoreTargets();
    // Deletes entries 1 on, their members left without a group (clear the
    // list before the world deletes its mech records).
    void Clear() { DeleteGroups(true); }
    void Reset() { Clear(); }
    // u32 count (the player's group included), then each group's stream in
    // list order (entry 0 the player's group stream).
    void SaveToStream(CMemStream& stream);
    // Replaces the list: a new player's group (g_pPlayerGroup, owned by the
    // caller from then on) and the groups read. A count outside 1..kMaxGroups
    // is refused whole (the list stays); a damaged player's group throws
    // with the list emptied; a group that cannot be read whole, or has no
    // organisation after reading, is dropped with one error line and the
    // groups after it are still read when the damage left the stream in
    // step. Throws CStreamError when the stream ends early.
    void LoadFromStream(CMemStream& stream);
    static constexpr std::int32_t kMaxGroups = 4096;
    int GetCount() const { return int(m_Groups.size()); }
    // visit(index) in ascending index order, until it returns false, for
    // the groups that may lie within r of c along x and y: a superset taken
    // from the grid of centres (GroupGrid.h), which agrees with the centres
    // inside Run and is brought into agreement here when asked from
    // elsewhere. The caller tests the distances.
    template <class F>
    void WalkGroupsNear(const CVector& c, float r, F&& visit)
    {
        if (!m_bRunning || !m_Grid.IsInSync()) m_Grid.Sync(m_Groups);
        m_Grid.Walk(c, r, visit);
    }
    CMechGroup2* GetGroup(int i) const { return i >= 0 && i < GetCount() ? m_Groups[size_t(i)] : nullptr; }

    // The war power of the group at a list index, for judging it. Within
    // Run each group's is taken at most once until something may change it:
    // its own run (the running group's is always taken anew, and forgotten
    // after its run), or a change another run makes, which says so with
    // ForgetWarPowers or a CWarPowerChange. Outside Run, or for an index that
    // is not the group's, it is the group's own GetWarPower.
    float WarPowerOf(const CMechGroup2* group, int index);
    void ForgetWarPowers();
    // For as long as it lives (a fight, a game event, a member leaving or
    // joining: whatever may change mechanoids or memberships during the
    // run) no war power is taken from those kept, and none kept before it
    // is used after it.
    class CWarPowerChange
    {
    public:
        CWarPowerChange();
        ~CWarPowerChange();
        CWarPowerChange(const CWarPowerChange&) = delete;
        CWarPowerChange& operator=(const CWarPowerChange&) = delete;
    };

    std::vector<CMechGroup2*> m_Groups;

private:
    void DeleteGroups(bool detachMembers);
    // A run reads the group's record and its AI's, which hundreds of groups
    // no longer keep in the cache from one frame to the next: asked for a
    // little ahead of entry i's run, they arrive while the runs before work.
    void PrefetchRuns(std::size_t i) const;
    CGroupGrid m_Grid;
    bool m_bRunning = false; // inside Run's walk: the grid is kept up by it
    // The war powers taken in this run, by list index: valid while their
    // stamp is the current one (never 0).
    struct SWarPower
    {
        float power = 0.0f;
        std::uint32_t stamp = 0;
    };
    std::vector<SWarPower> m_WarPowers;
    std::uint32_t m_nWarPowerStamp = 1;
    int m_nRunningIndex = -1; // the group whose run it is
    int m_nChanges = 0;       // CWarPowerChange scopes open
};

// In the header: spying asks for it on every judgement, and a kept power is
// a few compares.
inline float CMechGroupList2::WarPowerOf(const CMechGroup2* group, int index)
{
    const std::size_t i = std::size_t(index);
    if (!m_bRunning || m_nChanges > 0 || index < 0 || index == m_nRunningIndex || i >= m_WarPowers.size() ||
        i >= m_Groups.size() || m_Groups[i] != group)
        return group->GetWarPower();
    SWarPower& w = m_WarPowers[i];
    if (w.stamp != m_nWarPowerStamp)
    {
        w.power = group->GetWarPower();
        w.stamp = m_nWarPowerStamp;
    }
    return w.power;
}

inline CMechGroupList2 g_MechGroupList2;
inline CPlayerMechGroup2* g_pPlayerGroup = nullptr;

// The group of a mech record, null without one.
CMechGroup2* GetMechGroup(const CMech* mech);
// A mech's mechanoid: its glider's, else the world record's own.
CMechanoid* GetMechMechanoid(const CMech* mech);
// The glider of a member (through its mechanoid), null without one.
CGliderObject* GetMemberGlider(const CMech* mech);
