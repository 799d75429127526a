// CMech: the world record of one mechanoid of the location, alive, in a
// building or dead; CPlayerMech: the player's own record (entry 0 of the
// world's mech table, one object for the whole program).
//
// CMech::Run makes a free mechanoid grow in level (one level per 43200
// seconds at its base level, faster below it, much slower above), brings a
// dead one back after its comeback timer or loses it, lets the owner of the
// building it waits in convict it, and lets its organisation assign it.
//
// Stream form (little-endian): u8 version (3 when written); id, display
// name, organisation, building (32 bytes each); five u8 flags (alive,
// assigned, dead, in-building, in-cluster); f32 comeback timer; f32
// organisation timer; f32 float level; i32 generation; i32 level; i32 base
// level; u8 has mechanoid; i32 comeback count; then, with has mechanoid,
// the mechanoid's own stream. CPlayerMech adds, by version: 1: two u32
// glider values; 2: one u32 mechanoid value; 3: u8 has backup, then the
// backup mechanoid. A cut-short stream throws CStreamError naming the
// record and offset.
//
// The mechanoid is an IWorldMechanoid and the group an opaque pointer (both
// the society's, reached through WorldSeams.h).
//
// Ownership: a record owns its mechanoid (and the player's its backup).
// Threads: main thread.
#pragma once

#include <cstdint>

class CMMObject;
class CMechGroup2;
class CMemStream;
class IWorldMechanoid;
class IWorldOrganization;

class CMech
{
public:
    static constexpr float kOrgTimer = 1800.0f;
    static constexpr float kSecondsPerLevel = 43200.0f;
    static constexpr std::uint8_t kStreamVersion = 3;

    CMech();
    virtual ~CMech();
    CMech(const CMech&) = delete;
    CMech& operator=(const CMech&) = delete;

    virtual void LoadFromStream(CMemStream& stream);
    virtual void SaveToStream(CMemStream& stream);

    void CreateMechanoid();
    void DeleteMechanoid();
    void Run(float dt);
    // The mech dies; with a killer the victim's organisation's relation to
    // the killer's falls (0.1 for the player, 0.01 for anyone else).
    void Kill(CMech* killer);
    // A kill decided away from the player by a group: the member its AI
    // names (chosen) gets every item of the victim's hold, or without one
    // the group's first member gets only its mechminds; then the first
    // member gets one mechmind of the victim. Nothing without a first
    // member.
    void KillOffline(CMech* chosen, CMech* first);
    // The same for the killer's group: its AI names the member (or none);
    // nothing without the group or its AI.
    void KillOffline(CMechGroup2* killerGroup);
    float GetConvictPrice(std::int32_t mode, bool withGroup);
    // The mech's glider was destroyed: its mechanoid goes (the player's
    // record keeps its own). Telling the groups waits for the groups.
    void OnKill();
    // The model name of the mech's mechmind: "MOD_EQP_ORGANIC_HACK" for
    // generation 6, "MOD_TOV_MECHMIND_L5" for 5, else "MOD_TOV_MECHMIND_<level
    // clamped to 1..10>".
    void GetMechmindModelName(char out[32]) const;
    // Its model id (-1 when unknown) and its organisation's colour
    // (0xFFFFFF without one).
    void GetMechmindModel(std::int32_t* model, std::uint32_t* colour) const;

    // First what the society reads of every member of a group it judges
    // (alive, dead, its mechanoid and object), in one cache line: hundreds
    // of groups are judged a frame and their records no longer stay in the
    // caches from one frame to the next.
    IWorldMechanoid* m_pMechanoid = nullptr;
    // The mech's group (not owned; the society's, WorldSeams.h).
    void* m_pGroup = nullptr;
    // The mechanoid's object in the location, null when it has none.
    CMMObject* m_pObject = nullptr;
    std::uint8_t m_bAlive = 1;
    std::uint8_t m_bAssigned = 0;
    std::uint8_t m_bDead = 0;
    std::uint8_t m_bInBuilding = 0;
    std::uint8_t m_bInCluster = 0;
    char m_szId[32] = {};
    char m_szName[32] = {};
    char m_szOrg[32] = {};
    std::int32_t m_nComebackCount = 0;
    float m_fComebackTimer = 0.0f;
    float m_fOrgTimer = kOrgTimer;
    std::int32_t m_nGeneration = 4;
    char m_szBuilding[32] = {};
    std::int32_t m_nLevel = 0;
    std::uint8_t m_nVersion = kStreamVersion;
    std::int32_t m_nBaseLevel = 0;
    float m_fLevel = 0.0f;
    // The player's dominant rating (0, 1, 2), kept by the player's progress.
    std::int32_t m_nRatingClass = 0;

protected:
    void ReadBase(CMemStream& stream);
    void WriteBase(CMemStream& stream);
};

class CPlayerMech : public CMech
{
public:
    ~CPlayerMech() override;
    void LoadFromStream(CMemStream& stream) override;
    void SaveToStream(CMemStream& stream) override;
    // Whether the player may take one more group under command, given the
    // groups already under it.
    bool CanAssign(int groupsUnderCommand) const;
    // The mechanoid copied into a new backup through its stream form, and
    // back into the same mechanoid (whoever holds it keeps a valid
    // pointer); nothing happens without a mechanoid (or backup) or a maker.
    void StoreBackup();
    void RestoreBackup();

    std::int32_t m_nGroupMode = 0;
    IWorldMechanoid* m_pBackup = nullptr;
    // The player's glider's two values, written with the record.
    std::uint32_t m_GliderValues[2] = {};
};
