// CGameData: the player's career beyond the world's objects (the one
// g_GameData, constructed before start-up and destroyed at exit): money
// flows, three ratings with their levels, kill and capture statistics,
// per-weapon accuracy, per-location records (statistics and SLocInfo:
// tickets, subscription, map, latest state file), the player's and the
// clan's names and the clan's icon and colour.
//
// The game-event sink forwards the world's and units' events to the
// virtual operations (slots 1-14, in the order declared); scripts and
// consoles call the queries and the rating operations directly, the
// scripts through the call table InstallGameDataCalls fills.
//
// Ratings: kind 0 (scripts), 1 (trade), 2 (combat), each {points, spent}.
// A level comes from the points (kind 1) or points - spent (kinds 0, 2)
// through the threshold table kRatingThresholds: SpotLevel is the level
// and its fraction, at least 1.0. After every rating change, a load and a
// new game the player's mech record (the world's entry 0) takes the combat
// level as its level and its dominant rating as its class.
//
// GAMEDATA chunk (little-endian, written as version 16):
//     u32 version
//     88   SGameCounters
//     u32 n, n x 44 SLocStatistics
//     u32 n, n x 36 SOrgKills
//     u32 n, n x 32 captured location names
//     u32 n, n x 12 SWeaponStatistics
//     32   current building name
//     u32 len, len characters   clan name
//     u32 len, len characters   player name
//     u32 n, n x 296 SLocInfo
//     32   clan icon model name ("_DEFAULT_" for none)
//     u32  clan colour
// Read back from version 0: below 6 only the counters and the four
// statistics arrays are emptied; 6-8 hold an 80-byte counter block
// (without counters 6 and 7); 6-9 may hold negative spent values (made
// positive); the names and location info from 7, the clan look from 8.
// Fields a version lacks keep their values. A damaged or newer chunk
// throws CStreamError and changes nothing.
//
// Threads: main thread only.
#pragma once

#include "foundation/GrowArray.h"
#include "foundation/Name32.h"
#include "foundation/XString.h"

#include <cstddef>
#include <cstdint>

class CMech;
class CMemStream;
class CMMObject;
class CPlayerMech;

struct SRatingPair
{
    float points = 0.0f;
    float spent = 0.0f;
};

// The 22 counters, stored verbatim in the chunk.
struct SGameCounters
{
    float goodsBought = 0.0f;             // 1: money paid for goods (OnBuyGood)
    float goodsSold = 0.0f;               // 2: money received for goods sold
    float goodsSoldSecond = 0.0f;         // 3: the same, second kind
    float spent1 = 0.0f;                  // 4: money spent of kind 1
    float configValue = 0.0f;             // 5: the player's glider configuration (statistics)
    float spent2 = 0.0f;                  // 6: money spent of kind 2
    float spent3 = 0.0f;                  // 7: money spent of kind 3
    SRatingPair ratings[3];               // 8-13
    std::uint32_t flyersDestroyed = 0;    // 14: object type 25
    std::uint32_t gatherersDestroyed = 0; // 15: object type 26
    std::uint32_t weaponsFired[3] = {};   // 16-18: weapon kinds 2, 4, 9
    std::uint32_t members = 0;            // 19: of the player's organisation
    std::uint32_t capturedLocations = 0;  // 20: (statistics)
    std::uint32_t mechDeaths = 0;         // 21
    std::uint32_t convicted = 0;          // 22
};
static_assert(sizeof(SGameCounters) == 88);
static_assert(offsetof(SGameCounters, ratings) == 28);
static_assert(offsetof(SGameCounters, flyersDestroyed) == 52);
static_assert(offsetof(SGameCounters, convicted) == 84);

// A location's statistics; the default name's first word is -1 (none).
struct SLocStatistics
{
    float playerShare = 0.0f;
    std::int32_t captured = 0;
    std::int32_t lost = 0;
    char location[32] = {'\xFF', '\xFF', '\xFF', '\xFF'};
};
static_assert(sizeof(SLocStatistics) == 44);

struct SOrgKills
{
    char organisation[32] = {};
    std::int32_t kills = 0;
};
static_assert(sizeof(SOrgKills) == 36);

// Gun types: 0 light, 1 heavy, 2 rocket, 3 bomb gun; 666 none.
struct SWeaponStatistics
{
    float shots = 0.0f;
    float damage = 0.0f;
    std::int32_t gunType = 666;
};
static_assert(sizeof(SWeaponStatistics) == 12);

// What the player holds for a location. The subscription (a key given for
// good) sits in the first of the three bytes older saves left zero.
struct SLocInfo
{
    char stateFile[256] = {}; // latest state file below "SAVES\LOCS\", "" none
    std::uint32_t tickets = 0;
    std::uint8_t mapBought = 0;
    std::uint8_t subscription = 0;
    std::uint8_t pad[2] = {};
    char location[32] = {};
};
static_assert(sizeof(SLocInfo) == 296);
static_assert(offsetof(SLocInfo, tickets) == 256);
static_assert(offsetof(SLocInfo, mapBought) == 260);
static_assert(offsetof(SLocInfo, location) == 264);

// The journal's statistics (GetStatistics).
struct SGameStatistics
{
    float money[7] = {};   // counters 1-7
    float ratings[6] = {}; // counters 8-13: points and spent of kinds 0, 1, 2
    std::uint32_t flyersDestroyed = 0;
    std::uint32_t gatherersDestroyed = 0;
    std::uint32_t weaponsFired[3] = {};
    float weaponRatios[5] = {}; // damage / shots of gun types 0-4
    float playerShare = 0.0f;
    std::int32_t buildingsCaptured = 0;
    std::int32_t buildingsLost = 0;
    std::uint32_t members = 0;
    std::uint32_t capturedLocations = 0;
    std::uint32_t mechDeaths = 0;
    std::uint32_t convicted = 0;
    const SGrowArray<SOrgKills>* kills = nullptr;
    std::uint32_t questsActive = 0;
    std::uint32_t questsCompleted = 0;
    std::uint32_t questsFailed = 0;
};

class CGameData
{
public:
    static constexpr std::uint32_t kVersion = 16;
    static constexpr int kRatingLevels = 11;
    static constexpr float kRatingThresholds[kRatingLevels] = {0.0f,      50.0f,      200.0f,     500.0f,
                                                               1500.0f,   5000.0f,    15000.0f,   50000.0f,
                                                               200000.0f, 1000000.0f, 10000000.0f};
    static constexpr std::int32_t kNoGun = 666;
    static constexpr char kPlayerOrg[] = "ORG_PLAYER";
    static constexpr char kNewPlayerName[] = "SMT5001";

    CGameData();
    virtual ~CGameData() = default;
    CGameData(const CGameData&) = delete;
    CGameData& operator=(const CGameData&) = delete;

    // The events (slots 1-14).
    virtual void OnMechDie();
    // A flying machine (type 25) costs 10 combat rating, a gatherer (26) 100.
    virtual void OnDestroyMachine(const CMMObject* object);
    virtual void OnPlayerKill(const CMech* victim);
    // For "ORG_PLAYER": the current location's statistics record counts
    // one more building captured (lost); nothing without that record.
    virtual void CaptureBuilding(const char* organisation, const char* building);
    virtual void LeaveBuilding(const char* organisation, const char* building);
    virtual void OnCaptureLocation(const char* location);
    virtual void OnLeaveLocation(const char* location);
    virtual void ConvictMech(const char* mechId, const char* organisation);
    // A count of 0 or less is no purchase (sale): nothing changes.
    virtual void OnBuyGood(float price, std::int32_t count);
    virtual void OnSoldGood(float price, std::int32_t count, bool secondKind);
    virtual void OnFireWeapon(std::int32_t weaponKind);
    virtual void OnSpendMoney(float amount, std::int32_t kind);
    virtual void OnShoot(float amount, std::int32_t gunType);
    virtual void OnDamageObject(float damage, std::int32_t gunType);

    // A new career; the building name and the clan look stay.
    void OnNewGame();
    void SaveToStream(CMemStream& stream) const;
    // Throws CStreamError ("GAMEDATA at byte ...") on a damaged chunk or a
    // version above kVersion, with nothing changed.
    void LoadFromStream(CMemStream& stream);

    // A negative amount is logged and changes nothing.
    void AddRating(SRatingPair& rating, float amount);
    // Never more than what remains: spent reaches points at most.
    void DeductRating(SRatingPair& rating, float amount);
    // Positive amounts add, others deduct their negation.
    void ChangeRating0(float amount) { ChangeRating(0, amount); }
    void ChangeRating1(float amount) { ChangeRating(1, amount); }
    void ChangeRating2(float amount) { ChangeRating(2, amount); }
    void ChangeRating(int kind, float amount);
    // At least 1.0 for kinds 0-2; 0 (logged) for any other kind.
    float GetRatingLevel(int kind) const;
    // The whole level of a rating pair: SpotLevel(points - spent) rounded.
    static std::int32_t SpotToRating(const SRatingPair& rating);
    // points = the threshold of level (1-11; other levels are brought into
    // that range, logged), spent 0. Other kinds are logged and ignored.
    void SetRatingLevel(int kind, int level);

    // The location's record, appended (zeroed, named) when there is none;
    // valid until the next append.
    SLocInfo& GetLocInfo(const char* location);
    // The location's record, null when there is none.
    SLocInfo* FindLocInfo(const char* location);
    void GetStatistics(const char* location, SGameStatistics& out, bool withRatios);
    // The clan colour and icon into the player organisation's record, when
    // the player's mech record and its organisation exist.
    void ApplyClanLook();
    void UpdatePlayerClass();
    static void SetMechLevel(CMech& record, float level);

    // Level 0-10 and the fraction towards the next (capped at 0.99; 1.0 at
    // the top); points <= 0 give 0 and 0.
    static void RatingToLevel(float points, std::int32_t& level, float& fraction);
    // Level + fraction, at least 1.0.
    static float SpotLevel(float points);

    CName32 m_BuildingName;
    CXAnsiString m_PlayerName;
    CXAnsiString m_ClanName;
    SGameCounters m_Counters;
    SGrowArray<SLocStatistics> m_LocStatistics;
    SGrowArray<SOrgKills> m_Kills;
    CNameArray m_CapturedLocations;
    SGrowArray<SWeaponStatistics> m_Weapons;
    SGrowArray<SLocInfo> m_LocInfo;
    std::int32_t m_nClanIcon = -1;
    std::uint32_t m_nClanColour = 0;

private:
    SLocStatistics* FindLocStatistics(const char* location);
    SWeaponStatistics* FindWeapon(std::int32_t gunType);
};

extern CGameData g_GameData;

// Fills the scripts' call-table entries that wait for the player's progress
// (ratings, the player's name, location keys), the script manager's name
// sources ("%NAME", "%MYCLANNAME", "%BUILDINGNAME", "%RATINGNAME",
// "%CLANNAME"), the text database's clan name for "ORG_PLAYER" and the
// radar's map-revealed note, all reading g_GameData. Call once the game
// script manager and the text database exist; RemoveGameDataCalls before
// they go.
void InstallGameDataCalls();
void RemoveGameDataCalls();
