// What the world state asks of the organisations and of a mech's equipped
// mechanoid, which live in higher folders (society/, units/): each is an
// interface here that those folders implement and hand to the world.
//
// Stand-in until the organisations exist: only the operations the world's
// mech records and building table call. Nothing fills
// g_pfnCreateWorldMechanoid yet; without it no mechanoid is made and the
// records run, save and price without one.
//
// Threads: main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CMech;
class CMechGroupDesc;
class CMemStream;
struct SOrgData;

// An organisation as the world sees it. The world owns them, in the order
// of its organisation location records.
class IWorldOrganization
{
public:
    virtual ~IWorldOrganization() = default;
    virtual const char* GetName() const = 0;
    virtual SOrgData* GetData() = 0;
    virtual int GetPower() = 0;
    virtual void UpdateMechInfo() = 0;
    virtual void OnMechBuilding(CMech* mech, const char* building) = 0;
    virtual void OnMechInCluster(CMech* mech, const char* building) = 0;
    virtual void OnClusterLeft(const char* building) = 0;
    virtual void OnBuildingCaptured(const char* building) = 0;
    virtual void OnOtherCaptured(const char* building) = 0;
    virtual void RemoveMech(CMech* mech) = 0;
    virtual void AddMech(CMech* mech) = 0;
    virtual bool CanConvict() = 0;
    virtual void OnConvicted(CMech* mech) = 0;
    virtual bool WantsMech(CMech* mech) = 0;
    virtual void AssignMech(CMech* mech) = 0;
    // The organisation's hourly run (dt is one game hour, 120 s).
    virtual void Run(float dt) = 0;
    virtual void SetFunds(double funds) = 0;
    // The organisation's colour (0x00RRGGBB).
    virtual std::uint32_t GetColour() = 0;
    // Its saved-game form (the world's "ORGS" record); the stand-in
    // organisations keep nothing.
    virtual void SaveToStream(CMemStream& /*stream*/) {}
    virtual void LoadFromStream(CMemStream& /*stream*/) {}
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
};

inline IWorldMechanoid* (*g_pfnCreateWorldMechanoid)() = nullptr;

// The player's three configuration mechanoids in the order default, attack,
// trade (saved as "MMS_C_CONFIG"); kept by the game application, null until
// it makes them. Whoever sets them owns them; a loaded game replaces them
// (deleting the old ones).
inline IWorldMechanoid* g_pPlayerConfigs[3] = {};

// The organisation for a location record, made by the organisation manager;
// without it the world generates no organisations.
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

// The mech ids of the mechminds (items of kind 2) in the player's cargo
// hold, in hold order; filled by the units.
inline void (*g_pfnPlayerMechminds)(std::vector<std::string>& ids) = nullptr;
