// CWorld: the world state of the current location beyond its objects (the
// global g_pWorld): the building table and who owns each building, the
// organisations with their location records, every mechanoid's record
// (CMech; entry 0 is the player's record when one is set), the path
// finder over the road graph and the name generator. The world engine
// creates one for every location entered.
//
// Building record (68 bytes, also in files and saves): building name 32,
// owner organisation 32, u32 object pointer (meaningless on disk, set again
// after every read). At most kMaxBuildings records.
//
// Organisation location record (SOrgData) stream form, version 257: u32
// version (not checked on reading); the first 256 bytes (bytes 64-255
// written as zeros); then three name lists in the order trade, default,
// attack, each a u32 count (at most 3) and count x 32 bytes.
//
// Location data block (block 4 of the objects file): u32 N, N organisation
// records in the stream form, u32 B (at most 50), B building records. A
// damaged block is logged with its reason and byte offset; the records read
// whole before the damage are kept.
//
// Organisations are the society's, made through the world's organisation
// seam (WorldSeams.h) for each location record at generation. So are the
// groups (the society's CMechGroupList2) and the mechanoids the records
// own: the world makes, runs, reanimates and clears them through the group
// seams; without those it makes mech records only and runs no groups.
//
// Ownership: the world owns its mech records (but not the player's record
// in entry 0), its organisations and its equipment-trade object. Threads:
// main thread.
#pragma once

#include "world/Mech.h"
#include "world/NameGenerator.h"
#include "world/PathFinder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMech;
class CMechGroup2;
class CPlayerMech;
class CMMObject;
class CMemStream;
class CStreamReader;
class IArchive;
class IEqpTrade;
class IWorldOrganization;

#pragma pack(push, 1)
struct SBuildingRecord
{
    char name[32];
    char owner[32];
    std::uint32_t object; // CMMObject pointer in the original layout; unused on disk
};

struct SOrgData
{
    char name[32];
    std::int32_t mechCount;
    float values[2];
    std::uint32_t more[3];
    float baseLevel;
    std::uint8_t outOfLocation;
    std::uint8_t standing;
    std::uint8_t rest[194];
    char trade[3][32];
    std::int32_t tradeCount;
    char defaults[3][32];
    std::int32_t defaultCount;
    char attack[3][32];
    std::int32_t attackCount;
};
#pragma pack(pop)
static_assert(sizeof(SBuildingRecord) == 68);

// An organisation's statistics as the consoles and the HUD show them.
struct SOrgStatistics
{
    struct SRelation
    {
        char name[32];
        float relation;
    };
    // The clan leader's display name ("PLAYER" for the player's own).
    char leader[32] = {};
    // Members, active, killed, idle, at home, garrison, build target, keep
    // target.
    std::int32_t counters[8] = {};
    float power = 0.0f;
    char unused[32] = {};
    char name[32] = {};
    // To every other organisation with a member, in table order.
    std::vector<SRelation> relations;
    // Live members in groups by the group's state (0, 1, 2).
    std::int32_t groupStates[3] = {};
    std::int32_t buildings = 0;
    float tradeValue = 0.0f;
    // sqrt(funds / (members + 0.01) x 0.01), 0 to 10.
    float rating = 0.0f;
    std::uint8_t standing[2] = {};
    float value = 0.0f;
};
static_assert(sizeof(SOrgData) == 556);

class CWorld
{
public:
    static constexpr int kMaxBuildings = 50;
    static constexpr std::uint32_t kOrgDataVersion = 257;
    static constexpr float kFallShare = 0.55f;

    CWorld();
    virtual ~CWorld();
    CWorld(const CWorld&) = delete;
    CWorld& operator=(const CWorld&) = delete;

    // The equipment-trade object through the class factory; none (logged
    // once) when nobody registered the id.
    void CreateEqpTrade();
    // Block 4 of the objects file.
    void LoadLocationData(CMemStream& stream);

    IWorldOrganization* FindOrganization(const char* name) const;
    SBuildingRecord* FindBuilding(const char* name);
    // The first mech whose id or display name is s.
    CMech* FindMech(const char* s) const;
    CMech* FindMechByName(const char* name) const;
    // A new record of that id (and display name) appended to the table.
    CMech* AddMech(const char* id);
    bool HasGroupDesc(const char* name) const;
    void GenerateName(char* out);
    // The player's record (entry 0), null when none is set.
    CPlayerMech* GetPlayerMech() const { return m_pPlayerMech; }
    void SetPlayerMech(CPlayerMech* player);

    // False when the table is full and the building has no record.
    bool CaptureBuilding(const char* org, const char* building);
    void ReleaseBuilding(const char* building);
    void SetMechInBuilding(const char* mechId, const char* building);
    void SetMechInCluster(const char* mechId, const char* building);
    void MechLeaveBuilding(const char* mechId);
    void MechLeaveCluster(const char* mechId);
    void GetMechInBuilding(const char* building, const char* org, std::vector<std::string>& out) const;
    void GetMechInCluster(const char* building, const char* org, std::vector<std::string>& out) const;

    // A script event through the game-event sink (nothing without one);
    // the argument is up to 31 characters.
    static void RaiseScriptEvent(const char* object, const char* event, const char* argument);

    float GetOrgShare(const char* org) const;
    // False when the organisation does not exist.
    bool GetOrgStatistics(const char* org, SOrgStatistics* out);
    void AlertOrganizations(const char* org);
    void OnTryConvict(const char* mechId, const char* org);
    // The conviction attempt of a dead mech waiting in a building.
    void TryConvictInBuilding(CMech* mech);

    // One world step: every mech record, the clock, "OnTen" on every 20
    // seconds passed and, on every game hour (120 s), the organisations'
    // run and "OnHour".
    void RunWorld(float dt);
    // Runs the world ahead in steps of 30 seconds (whole steps only), the
    // view camera moved far off the map first (and left there).
    void SimulateTime(float seconds);
    // The location's world: path finder, the building objects that hold
    // mechs (their state flags set, those with an "_EXIT" twin cleared),
    // the organisation records "ORG_FREE" and "ORG_PLAYER", the
    // organisations, the buildings' objects, the units' machines; with
    // newGame also NewGame.
    void GenerateWorld(bool newGame);
    // The mechs of a new game, from the organisation records' counts.
    void NewGame();
    // Makes whichever of the player's three configuration mechanoids
    // (g_pPlayerConfigs: default, attack, trade) is missing, fitted from the
    // first name of the "ORG_PLAYER" record's matching list, else
    // "CFG_PLAYER_DEF", "CFG_PLAYER_AT", "CFG_PLAYER_TRADE"; nothing (logged)
    // without that organisation.
    void SetDefaultState();
    // Empties the world at the end of a game (the player's record stays).
    void DoneWorld();
    std::int32_t GetBuildingCluster(const char* gameId) const;

    // Special mechs (generation 5 and more) whose mechminds the player
    // carries leave the world into the program-wide pending list (across a
    // location change), and come back into the next world.
    void ExcludeMechanoids();
    void IncludeMechanoids();
    static std::vector<CMech*>& GetPendingMechs();

    // The mech records of a group description (its leader and members);
    // false when the location has no description of that name.
    bool CreateM1Group(const char* name, bool mechsOnly);
    // A dead mech of a group description back in a new group of its own
    // (named after it, with a people AI); null (logged) when the location
    // has no description of its id, or without the groups.
    CMechGroup2* ReanimateM1Mech(CMech* mech);
    // The player's group, entry 0 of the groups, with the player's record.
    void CreatePlayerGroup();

    static void WriteOrgData(CMemStream& out, const SOrgData& data);
    // One organisation record in its stream form; throws CStreamError.
    static void ReadOrgData(CStreamReader& in, SOrgData& out);

    // The world's records of a saved game (World_Save.cpp), in this order:
    // "MECH" (u32 n, n mech records, entry 0 the player's), "GROUPS",
    // "ORGDATA" (u32 n, n organisation records), "BUILDS" (u32 n <= 50, n
    // building records), "ORGS" (u32 n, each organisation's own form),
    // "TRADE", "TRADEEQP", "OBJECTS" (the object list's stream),
    // "MMS_STATE" (the 32-byte game-state block), "MMS_C_CONFIG" (the
    // player's three configuration mechanoids, only when all three exist),
    // "MMS_WORLD_DATA" (f32 world clock). False when the archive failed to
    // take a record.
    bool SaveGame(IArchive* archive);
    // Reads the records back by key, in any order in the archive; a record
    // the archive lacks leaves its part of the world as it is. A damaged
    // record is logged (record, offset, reason): the mech table, building
    // table, game state, configuration mechanoids and clock are replaced
    // only by a whole record; the organisation records read before the
    // damage stay; the objects follow the object list's rule. Old mech
    // records are deleted (the player's stays). Saved buildings whose
    // object the location no longer has are dropped. Records past the
    // world's organisations are read past.
    void LoadGame(IArchive* archive);
    static void WriteLocationData(CMemStream& out, const std::vector<SOrgData>& orgs,
                                  const std::vector<SBuildingRecord>& buildings);

    float m_fTime = 0.0f;
    std::vector<SOrgData> m_OrgData;
    SBuildingRecord m_Buildings[kMaxBuildings] = {};
    std::int32_t m_nBuildings = 0;
    std::vector<CMMObject*> m_BuildingObjects;
    std::vector<std::unique_ptr<IWorldOrganization>> m_Organizations;
    // Entry 0 is the player's record when one is set; it is not owned.
    std::vector<CMech*> m_Mechs;
    CPathFinder m_PathFinder;
    char m_szLocationName[32] = "undefined";
    std::int32_t m_nLocationNumber = -1;
    CNameGenerator m_NameGenerator;
    IEqpTrade* m_pEqpTrade = nullptr;
    // The script manager's world setting that lets organisations other than
    // the player's convict (above 1); 1 until the script manager sets it.
    std::int32_t m_nConvictSetting = 1;

private:
    CPlayerMech* m_pPlayerMech = nullptr;
    void RemoveBuildingRecord(std::int32_t index);
    void LoadMechs(CMemStream& stream);
};

extern CWorld* g_pWorld;
