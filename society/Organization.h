// COrganization: one organisation of the world (a clan or faction) whose
// members are the world's mech records carrying its name. It counts its
// members and where they are, keeps a base building, earns money from the
// trade income of the buildings it owns, and dies as a clan when too few
// of its members stay active for too long. The organisation manager makes
// it (COrgManager::CreateOrganization); the caller owns it. It is the
// world's organisation (IWorldOrganization): the world makes one for each
// organisation location record through g_pfnCreateWorldOrganization, which
// RegisterTradeClasses fills, and binds it to that record (Bind).
//
// The clan configuration comes from the location record: transport and
// hunter shares from its two floats, the largest group sizes (transport,
// hunters, people) from its three further values, the configuration names
// of transport groups from its trade list, of hunters from its attack
// list, of people from its default list, and the fixed-base and immortal
// flags from its bytes 62 and 63.
//
// The world's statistics copy the second name as the clan leader's mech
// id, and the base building and the factor as their name and value.
//
// Member flags as the world's records hold them: present m_bAlive, deployed
// m_bAssigned, killed m_bDead, in-building m_bInBuilding, out of play
// (in a building's cluster) m_bInCluster, rank m_nGeneration (5 a leader),
// level m_nLevel.
//
// Death timer: 0 not running, above 0 the seconds left, -1 after the clan
// died. The timer starts (300 s) in an hour when no member is at home and
// fewer than six are active, and stops when six or more are. The clan dies
// when a running timer runs out, or at once when the timer runs and no
// member is active; a dead clan does not die again, and members at home
// keep it alive.
//
// Organisation stream (little-endian):
//     u32 version 4098 (a first word below 4096: an old stream without it,
//         the word is the first counter, no death timer and money follow)
//     8 x i32 counters (members, active, killed, garrison, idle, at home,
//         build target, keep target), char[32] base building, f32 factor,
//     group under construction: u8 idle, u32 kind, u32 planned size,
//         u32 n (at most 5), n x char[32] member ids, u32 c (at most 5),
//         c x u32 configuration indices,
//     char[32] second name, f32 death timer (4097 on), f32 money (4098 on)
// A damaged stream is refused whole with one error line.
//
// Group construction (Organization_Groups.cpp): a member added with
// AddMechToGroupConstruct gets a mechanoid of its slot's configuration
// and joins the group being assembled; when the planned size is reached
// the group is made with the kind's AI (a caravan between two buildings
// worth the run, hunters around one of the organisation's buildings,
// people from one), starting inside its building, and joins the world's
// group list. The buildings drawn from are the location's building objects.
//
// Recruiting (AssignMech): a free member in a building whose id a group
// description of the location carries gets that group back; any other
// joins the group being assembled when the clan can recruit, and the clan
// pays for its mechanoid. "ORG_PLAYER" recruits are copies of the player's
// configuration mechanoid for the group's kind.
//
// Threads: main thread only.
#pragma once

#include "world/WorldSeams.h"

#include <cstdint>

class CMech;
class CMechGroup2;
class CMemStream;
class COrgManager;
struct SOrgRecord;

// The clan's configuration (fixed-base and immortal flags, the transport
// and hunter shares, the largest group size and the configuration names
// per kind: transport, hunters, people).
struct SClanConfig
{
    std::uint8_t m_bFixedBase = 0;
    std::uint8_t m_bImmortal = 0;
    float m_fTransportShare = 0.0f;
    float m_fHunterShare = 0.0f;
    std::uint32_t m_nMaxSize[3] = {1, 1, 1};
    char m_Configs[3][3][32] = {};
    std::uint32_t m_nConfigs[3] = {};
};

struct SGroupConstruct
{
    static constexpr std::uint32_t kMaxMembers = 5;
    std::uint8_t m_bIdle = 1;
    std::uint32_t m_nKind = 0;
    std::uint32_t m_nPlanned = 0;
    CMech* m_pMembers[kMaxMembers] = {};
    std::uint32_t m_nMembers = 0;
    std::uint32_t m_nConfigs[kMaxMembers] = {};
    std::uint32_t m_nConfigCount = 0;
};

class COrganization : public IWorldOrganization
{
public:
    static constexpr std::uint32_t kStreamVersion = 4098;
    // The organisations exempt from clan death, and a leader's rank.
    static constexpr char kFree[] = "ORG_FREE";
    static constexpr char kPlayer[] = "ORG_PLAYER";
    static constexpr std::int32_t kLeaderRank = 5;
    static constexpr float kDeathDelay = 300.0f;

    COrganization(const char* name, const SOrgRecord* record, COrgManager* manager);
    ~COrganization() override = default;

    std::int32_t GetPower() override;
    virtual void OnBuildingGone(const char* building);
    // Reported to the game-event sink; the base building is chosen again
    // (fixed-base flag clear) or emptied, and the death timer stopped.
    virtual void OnGainBuilding(const char* building);
    // Reported to the game-event sink; a new base (fixed-base flag clear)
    // or none.
    virtual void OnLoseBuilding(const char* building);
    void OnMechBuilding(CMech* member, const char* building) override;
    // A member died: with more kept in buildings than the build target
    // allows, one comes out of the base or the weakest building is given
    // up; the others are alerted when the player holds over 0.55 of the
    // world.
    virtual void OnKillMech(CMech* member);
    // A group of the organisation reached its building: members stay in
    // the base up to its free places and the keep target; a caravan whose
    // stop is not worth keeping is sent on.
    virtual void OnGroupBuilding(CMechGroup2* group);
    virtual void OnMechStay(CMech* member);
    virtual bool IsRich();
    virtual void PayConvict(CMech* member);
    virtual bool CanRecruit();
    virtual void PayMechanoid(CMech* member);

    // The world's organisation: bound to its location record, which gives
    // the clan configuration.
    void Bind(SOrgData* data);
    const char* GetName() const override { return m_szName; }
    SOrgData* GetData() override { return m_pData; }
    void OnMechCluster(CMech* member) override { OnMechStay(member); }
    void OnClusterLeft(const char* building) override { OnLoseBuilding(building); }
    void OnCapture(const char* building) override { OnGainBuilding(building); }
    void OnOtherCapture(const char* building) override { OnBuildingGone(building); }
    void RemoveMech(CMech* member) override;
    void AddMech(CMech* member) override;
    // Funds x 0.01 / (members + 0.01) at least 9.
    bool CanConvict() override;
    // Pays the mech's conviction price (mode 3, with its group).
    void OnConvicted(CMech* member) override;
    // A free member in a building is taken when it has a described group
    // or the organisation can recruit.
    bool WantsMech(CMech* member) override;
    void AssignMech(CMech* member) override;
    void SetFunds(double funds) override { m_fMoney = float(funds); }
    double GetFunds() override { return m_fMoney; }
    // The record's colour; white without a record.
    std::uint32_t GetColour() override;
    void GetCounters(std::int32_t out[8]) override;
    const char* GetLeaderId() override { return m_szSecondName; }
    const char* GetStatName() override { return m_szBase; }
    float GetStatValue() override { return m_fFactor; }

    // The kind of the next group: transport while there are fewer caravans
    // than the transport share of the active members, then hunters by the
    // hunter share of the rest, else people.
    std::uint32_t ChooseGroupKind() const;
    // Starts assembling a group of that kind: 1 to m - 1 members (1 when
    // the kind's largest size m is 1 or 2), at most 5, each with a
    // configuration drawn from the kind's list (configuration 0, with an
    // error line, for a name the table lacks; none for "ORG_PLAYER").
    void StartGroupConstruct(std::uint32_t kind);
    // The member equipped and added to the group being assembled (started
    // first when none is); the group is made when it is complete.
    void AddMechToGroupConstruct(CMech* member);

    void UpdateMechInfo() override;
    std::int32_t GetIndex() const;
    // The hourly run (dt = 120 s of world time).
    void Run(float dt) override;
    void SaveToStream(CMemStream& stream) override;
    // Throws CStreamError (after its error line) on a damaged stream.
    void LoadFromStream(CMemStream& stream) override;

    std::int32_t m_nMembers = 0, m_nActive = 0, m_nKilled = 0, m_nGarrison = 0, m_nIdle = 0, m_nAtHome = 0;
    std::int32_t m_nBuildTarget = 0, m_nKeepTarget = 0;
    char m_szBase[32] = {};
    SGroupConstruct m_Construct;
    std::int32_t m_nGroupCounts[3] = {};
    SClanConfig m_Clan;
    char m_szName[32] = {};
    char m_szSecondName[32] = {};
    float m_fMoney = 0.0f;
    float m_fDeathTimer = 0.0f;
    float m_fFactor = 1.0f;
    const SOrgRecord* m_pRecord = nullptr;
    SOrgData* m_pData = nullptr;

private:
    void CreateConstructedGroup();
    void ClanDeath();
    // Picks a base among the buildings nobody holds whose 1 to 10 places
    // the build target can fill; empty when none.
    void ChooseBase();
    // A new base unless the base is fixed; else none.
    void RechooseBase();
    // Gives up the organisation's building of fewest places (below 100)
    // with no leader kept in it; its members there come out.
    void ReleaseWeakest();
    COrgManager* m_pManager = nullptr;
};
