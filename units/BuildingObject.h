// CBuildingObject: a building placed in a location (object type 11). It
// draws its kind's model, opens and closes its door for arriving gliders,
// lets gliders enter and puts leaving gliders back on its exit. By its kind
// ("TYPE" of section "Здания") it turns and bobs (7), is seen from far (7,
// 11), repairs gliders over it (14, the service platform), pushes them
// along its Y axis (16) or brakes them (17).
//
// It lists the mechanoid groups on their way into it (the visitors, at most
// 20) and a second list of at most 5 groups; groups whose members are gone
// or already inside a building drop out each frame. A shot at it alarms the
// towers that watch it.
//
// Game-save record, after the object's own record (shown flag and
// position, 13 bytes):
//   u32 visitor count (0..20), count x 32-byte group name;
//   u32 second-list count (0..5), count x 32-byte group name.
// A name no group has any more loads as an empty entry that the next frame
// purges. A record with a count beyond its list, or cut short, is refused
// (CObjectStreamError naming the building and the fault) and the building
// keeps its lists.
//
// The groups, the player's glider, the application's building event and
// the towers are reached through IBuildingHost, which the application
// installs (without a host no glider enters and the lists stay empty).
//
// Ownership: the object list owns buildings; the model instance is the
// building's. Threads: main thread.
#pragma once

#include "world/KindManagers.h"
#include "world/MMObject.h"

#include <cstdint>

class CBuildingObject;
class CGliderObject;
class CMechGroup2;
class CModelInstance;
struct SBuildingType;

// The game's side of a building.
class IBuildingHost
{
public:
    virtual ~IBuildingHost() = default;
    // The glider the player flies, or null.
    virtual CGliderObject* GetPlayerGlider() = 0;
    // The glider's driver entered the building: its group is told; for the
    // player this opens the building, an AI mech is registered in the
    // building and its glider deleted.
    virtual void OnEnterBuilding(CBuildingObject& building, CGliderObject& glider) = 0;
    // A group's 32-character name, the group of a name (null when none),
    // and whether a listed group is done with (no active member left, or
    // inside a building already).
    virtual const char* GetGroupName(const CMechGroup2* group) = 0;
    virtual CMechGroup2* FindGroup(const char* name) = 0;
    virtual bool IsGroupDone(const CMechGroup2* group) = 0;
    // The player paid for a service (amount, kind 2 a repair).
    virtual void OnSpendMoney(float amount, int kind) = 0;
    // The icon model of an organisation ("ICO_MODEL"), -1 none.
    virtual std::int32_t GetOrgIconModel(const char* organisation) = 0;
    // Towers (object type 22): the farthest any tower sees, whether an
    // active tower's spy distance reaches the point, and its alarm
    // (target, level 5.0, warning, accumulated).
    virtual float GetTowerMaxViewDistance() = 0;
    virtual bool TowerWatches(CMMObject* tower, const CVector& point) = 0;
    virtual void AlarmTower(CMMObject* tower, CMMObject* attacker) = 0;
};
inline IBuildingHost* g_pBuildingHost = nullptr;

// A bounded list of group pointers with its count.
template <int N> struct SBuildingGroupList
{
    static constexpr int kMax = N;
    CMechGroup2* m_Groups[N] = {};
    std::int32_t m_nCount = 0;

    int Find(const CMechGroup2* group) const
    {
        for (int i = 0; i < m_nCount; ++i)
            if (m_Groups[i] == group) return i;
        return -1;
    }
    // Closes the gap; an index outside the list does nothing.
    void RemoveAt(int index)
    {
        if (index < 0 || index >= m_nCount) return;
        for (int i = index; i + 1 < m_nCount; ++i)
            m_Groups[i] = m_Groups[i + 1];
        m_Groups[--m_nCount] = nullptr;
    }
};
using SBuildingVisitors = SBuildingGroupList<20>;

class CBuildingObject : public CMMObject
{
public:
    // Kind codes acted on here.
    static constexpr std::int32_t kRotating = 7;
    static constexpr std::int32_t kFarSeen = 11;
    static constexpr std::int32_t kService = 14;
    static constexpr std::int32_t kAccelerator = 16;
    static constexpr std::int32_t kBrake = 17;
    // Door states.
    static constexpr std::int32_t kClosed = 0, kOpen = 1, kClosing = 2, kOpening = 3;
    static constexpr int kNameSize = 32;

    CBuildingObject();
    ~CBuildingObject() override;

    void Init(const CMatrix& placement, const char* typeName, const char* gameId);

    // Slots.
    void Draw() override;
    void Run() override;
    void DrawEffect(int pass) override;
    void ProcessDelete(CMMObject* deleted) override;
    void SaveGame(CMemStream& stream) override;
    void LoadGame(CMemStream& stream) override;
    void InvalidateResources() override;
    void Damage(float amount, CVector point, int flag, CMMObject* attacker, int kind,
                int weaponKind) override;
    const void* GetShapeData() override;

    // The door step (ordinary kinds).
    void ProcessDoors();
    // False when the group is listed already or 20 are.
    bool AddVisitor(CMechGroup2* group);
    // Puts a leaving glider back into the world; false while an AI glider
    // must wait for a free exit.
    bool ExitGlider(CGliderObject* glider);
    // World centre of the INTO box (0) or the INTO1 box (other); the zero
    // vector when that box is absent.
    CVector GetEntrancePoint(int which);

    const SBuildingType* GetKind() const { return m_pKind; }
    std::int32_t GetKindCode() const;

    char m_szTypeName[kNameSize] = {};
    SBuildingVisitors m_Visitors;
    SBuildingGroupList<5> m_Groups2;
    CGliderObject* m_pApproaching = nullptr;
    std::uint8_t m_bExitTaken[3] = {};
    float m_fExitTimer[3] = {};
    float m_fDoorOpening = 0.0f;
    float m_fDoorOpenTime = 0.0f;
    std::int32_t m_nDoorState = kClosed;
    float m_fAmbientTimer = 0.0f;
    float m_fHeightOffset = 0.0f;
    std::uint8_t m_bServicing = 0;
    CVector m_vEntrance;
    std::uint8_t m_bEntranceKnown = 0;
    // Set by the world's generation for a building that holds mechs (its
    // values 100), cleared for one that has an "_EXIT" twin.
    std::uint8_t m_bWorldFlags[3] = {};
    float m_fWorldValues[3] = {};

private:
    // The kind's model parts looked up (loading the model at once with
    // force); false while the model is not there.
    bool PrepareParts(bool force);
    void ComputeEntrance();
    void RunAmbientSound(float dt);
    void RunService(float dt);
    void RunPlatform(float dt);
    void PurgeGroups();
    // Model-space point through the placement.
    CVector ToWorld(const CVector& local) const;
    CMatrix DrawMatrix() const;
    void PlayDoorSound(const char* name);

    const SBuildingType* m_pKind = nullptr;
    std::int32_t m_nKindIndex = -1;
    CModelInstance* m_pInstance = nullptr;
    std::uint8_t m_bInstanceDrawn = 0;
    std::int32_t m_iRepairSound = -1;
};

// The save record's group name.
struct SBuildingSavedName
{
    char name[CBuildingObject::kNameSize];
};
static_assert(sizeof(SBuildingSavedName) == 32);

// Whether a point lies strictly inside the box (an absent box, min = max,
// holds nothing).
bool IsInsideBox(const SBox& box, const CVector& p);
bool IsBoxPresent(const SBox& box);
