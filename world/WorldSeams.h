// What the world state asks of the organisations and of a mech's equipped
// mechanoid, which live in higher folders (society/, units/): each is an
// interface here that those folders implement and hand to the world.
//
// The organisations are the society's (COrganization implements
// IWorldOrganization; RegisterTradeClasses fills
// g_pfnCreateWorldOrganization with the organisation manager's maker).
// The groups' maker (society/GroupMaker.h, RegisterGroupMaker) fills
// g_pfnCreateWorldMechanoid and the group seams below; without them no
// mechanoid is made, the records run, save and price without one, and the
// world has no groups.
//
// Threads: main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CMech;
class CMechGroup2;
class CMechGroupDesc;
class CPlayerMech;
class CMemStream;
struct SOrgData;

// An organisation as the world sees it. The world owns them, in the order
// of its organisation location records, and binds each to its record.
class IWorldOrganization
{
public:
    virtual ~IWorldOrganization() = default;
    virtual const char* GetName() const = 0;
    // The organisation's location record (the world's, bound at generation).
    virtual SOrgData* GetData() = 0;
    virtual int GetPower() = 0;
    virtual void UpdateMechInfo() = 0;
    virtual void OnMechBuilding(CMech* mech, const char* building) = 0;
    // A member joined its building's garrison (its building name is set).
    virtual void OnMechCluster(CMech* mech) = 0;
    // The garrison left the building; its record is gone.
    virtual void OnClusterLeft(const char* building) = 0;
    // This organisation captured the building; another one did.
    virtual void OnCapture(const char* building) = 0;
    virtual void OnOtherCapture(const char* building) = 0;
    virtual void RemoveMech(CMech* mech) = 0;
    // The mech (already carrying the organisation's name) becomes a free
    // member and is assigned.
    virtual void AddMech(CMech* mech) = 0;
    virtual bool CanConvict() = 0;
    virtual void OnConvicted(CMech* mech) = 0;
    virtual bool WantsMech(CMech* mech) = 0;
    virtual void AssignMech(CMech* mech) = 0;
    // The organisation's hourly run (dt is one game hour, 120 s).
    virtual void Run(float dt) = 0;
    virtual void SetFunds(double funds) = 0;
    virtual double GetFunds() = 0;
    // The organisation's colour (0x00RRGGBB).
    virtual std::uint32_t GetColour() = 0;
    // What the statistics copy: the eight member counters (members, active,
    // killed, garrison, idle, at home, build target, keep target), the mech
    // id of the clan's leader, and a name and a value of its own.
    virtual void GetCounters(std::int32_t out[8]) = 0;
    virtual const char* GetLeaderId() = 0;
    virtual const char* GetStatName() = 0;
    virtual float GetStatValue() = 0;
    // Its saved-game form (the world's "ORGS" record).
    virtual void SaveToStream(CMemStream& stream) = 0;
    virtual void LoadFromStream(CMemStream& stream) = 0;
};

// A mech record's equipped mechanoid.
class IWorldMechanoid
{
public:
    virtual ~IWorldMechanoid() = default;
    virtual void Run(float dt) = 0;
    virtual float GetPrice(bool withEquipment) = 0;
    virtual void SaveToStream(CMemStream& stream) = 0;
    virtual void LoadFromStream(CMemStream& stream) = 0;
    // The three values the player's record keeps for its glider.
    virtual void SetPendingValues(std::uint32_t a, std::uint32_t b, std::uint32_t c) = 0;
    virtual std::uint32_t GetStreamValue() = 0;
    // Fitted from the mechanoid configuration of that name (configuration
    // 0 when no configuration has it).
    virtual void InitConfig(const char* /*configName*/) {}
    // Cargo (the victim's hold after a kill decided away from the player):
    // every item of this hold, or only its mechminds (kind 2), appended to
    // the other's hold; and goods added by name, count and kind.
    virtual void CopyHoldTo(IWorldMechanoid& /*to*/, bool /*mechmindsOnly*/) {}
    virtual void AddGoods(const char* /*name*/, std::uint32_t /*count*/, std::uint32_t /*kind*/) {}
};

inline IWorldMechanoid* (*g_pfnCreateWorldMechanoid)() = nullptr;

// The player's three configuration mechanoids in the order default, attack,
// trade (saved as "MMS_C_CONFIG"); kept by the game application, null until
// it makes them. Whoever sets them owns them; a new game (the world's
// SetDefaultState) and a loaded game replace them (deleting the old ones).
inline IWorldMechanoid* g_pPlayerConfigs[3] = {};

// The organisation for a location record, made by the organisation manager
// (null for a name its table lacks) and bound to the record; without it the
// world generates no organisations.
inline IWorldOrganization* (*g_pfnCreateWorldOrganization)(SOrgData* data) = nullptr;

// The "Cluster" value of the kind of the building object with that game id
// (0 when there is none); filled by the building kind's manager.
inline std::int32_t (*g_pfnBuildingCluster)(const char* gameId) = nullptr;

// The groups (society/): the group of a location's group description with
// its new mech records (leader first), which it equips and takes in; the
// groups' step of the world's run; a mech's death told to every group.
// Without them CreateM1Group makes the mech records only and the world runs
// no groups.
inline void (*g_pfnCreateGroup)(const CMechGroupDesc& desc, const std::vector<CMech*>& mechs) = nullptr;
inline void (*g_pfnRunGroups)(float dt) = nullptr;
inline void (*g_pfnMechKilled)(CMech* mech) = nullptr;

// The state of the group a mech record points to, -1 for no group (or one
// no longer in the list): its AI's mode word (1 wait, 2 attack, 4 move, ...;
// the statistics count 0, 1, 2 and 4), -1 for a group without AI (the
// player's). Without it the statistics count no group.
inline std::int32_t (*g_pfnGroupState)(const void* group) = nullptr;

// The mech ids of the mechminds (items of kind 2) in the player's cargo
// hold, in hold order; filled by the units.
inline void (*g_pfnPlayerMechminds)(std::vector<std::string>& ids) = nullptr;

// The player's group (entry 0 of the groups): the previous one goes, a new
// one of "ORG_PLAYER" takes the player's record (none when null) and is
// swapped to the front of the list.
inline void (*g_pfnCreatePlayerGroup)(CPlayerMech* player) = nullptr;
// A dead mech of a group description comes back: a new group named after
// it, of its organisation, with a people AI; its mechanoid made again and
// fitted with the description's first configuration. Returns the group.
inline CMechGroup2* (*g_pfnReanimateGroup)(const CMechGroupDesc& desc, CMech* mech) = nullptr;
// Who of a killer's group takes the spoils of a kill decided away from the
// player: the member its AI names (null when none) and its first member;
// false without the group in the list or without its AI.
inline bool (*g_pfnGroupSpoils)(CMechGroup2* group, CMech** chosen, CMech** first) = nullptr;
// The members of the group a mech record points to (at most 5, into out),
// 0 for a group no longer in the list.
inline int (*g_pfnGroupMembers)(const void* group, CMech* out[5]) = nullptr;
// Every group deleted (the player's too) before the world deletes its mech
// records.
inline void (*g_pfnClearGroups)() = nullptr;
// The groups' saved-game form (the world's "GROUPS" record): every group
// written, the player's first; and read back after the mech records they
// name, replacing every group. A record that does not read as a whole list
// (a bad count, a damaged player's group, cut short) throws CStreamError
// and leaves the groups as they were; a damaged later group is dropped
// with its error line and the rest kept.
inline void (*g_pfnSaveGroups)(CMemStream& stream) = nullptr;
inline void (*g_pfnLoadGroups)(CMemStream& stream) = nullptr;
