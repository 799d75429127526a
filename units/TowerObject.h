// CTowerManager and CTowerObject: the towers of a location (object type 22,
// section "Tower"). A tower watches the gliders around it, picks one as its
// target (a firing glider first), lays its gun on it and fires one of three
// guns: the harmless gun for warning shots, the fighting gun from alert
// level 2 and the punitive gun from level 100. Damage to a tower, a
// neighbouring tower's alarm or a building under fire raise its level
// (SetTarget); the tower itself takes no damage. A flying tower circles the
// building it guards 400 units above the ground.
//
// A tower sleeps (neither searches, turns nor fires) while the camera is
// farther than sqrt(2) x the view range; it runs every frame to tell. The
// physics moves a flying tower only while it is awake.
//
// Collision: a standing tower collides and is hit by rays with its hull's
// triangles (GetShapeData); a flying one keeps the bounding sphere.
//
// Save record (SaveGame, after the object's 13 bytes): u8 active. LoadGame
// throws CObjectStreamError when the byte is missing (the object list
// writes the one error line).
//
// Buildings: the guarded building is found among the objects of type 11 by
// their type record in the building manager ("Cluster", "TYPE").
//
// Ownership: the object list owns towers; the kinds are the manager's.
// Threads: main thread (Init on the start-up loader thread).
#pragma once

#include "graphics/Model.h"
#include "platform/d3d8/D3D8Types.h"
#include "units/Gun.h"
#include "units/GunLaying.h"
#include "world/DynamicObject.h"
#include "world/KindManagers.h"

#include <cstdint>

class CGliderObject;

struct STowerType : SObjectTypeHeader
{
    std::int32_t m_nHullModel = -1;   // "HULL_MODEL"
    std::int32_t m_nGunModel = -1;    // "GUN_MODEL"
    std::int32_t m_nHarmlessGun = -1; // "HARMLESS_GUN"
    std::int32_t m_nFightingGun = -1; // "FIGHTING_GUN"
    std::int32_t m_nPunitiveGun = -1; // "PUNITIVE_GUN"
    std::int32_t m_nMuzzlePart = -1;  // the gun model's part "FX"
    STransData m_MuzzleTrans;
    std::uint8_t m_bMuzzleLooked = 0;
    std::uint8_t m_bFlight = 0; // "FLIGHT"
    float m_fTurnRate = 0.7853982f;
    float m_fRadius = 1.0f;
    float m_fAngleUp = 0.0f;   // "ANGLE_UP", radians
    float m_fAngleDown = 0.0f; // "ANGLE_DOWN", radians
    float m_fGunHeight = 30.0f;
};

class CTowerManager : public CKindManager<STowerType, true>
{
public:
    static constexpr float kStationaryView = 1500.0f;
    static constexpr float kStationarySpy = 500.0f;
    static constexpr float kFlightHeight = 400.0f;
    static constexpr float kFlyingView = 1901.3153f; // sqrt((1500^2 + 400^2) x 1.5)
    static constexpr float kFlyingSpy = 784.2194f;   // sqrt((500^2 + 400^2) x 1.5)

    CTowerManager() : CKindManager(OBJ_TOWER) {}
    bool Init(const char* section) override;
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // Finds the gun model's "FX" part of the kind once.
    void InitTower(std::int32_t index);
    float GetMaxViewDistance() const { return m_fMaxViewDistance; }
    float GetMaxSpyDistance() const { return m_fMaxSpyDistance; }
    STowerType* GetKindForEdit(std::int32_t index)
    {
        return index >= 0 && index < std::int32_t(m_Kinds.size()) ? &m_Kinds[std::size_t(index)] : nullptr;
    }

private:
    float m_fMaxViewDistance = kFlyingView;
    float m_fMaxSpyDistance = kFlyingSpy;
};

class CTowerObject : public CDynamicObject
{
public:
    static constexpr int kMaxNeighbours = 20;
    static constexpr float kFireError = 0.09817477f; // pi/32

    CTowerObject();
    ~CTowerObject() override;

    void Init(const CMatrix& placement, const char* typeName, const char* gameId);
    bool IsActive() const { return m_bActive != 0; }
    // Switching off drops the target.
    void SetActive(bool active);
    float GetSpyDistance() const { return m_fSpyDistance; }
    float GetViewDistance() const { return m_fViewDistance; }
    // The alarm entry point (damage, neighbours, buildings).
    void SetTarget(CMMObject* glider, float level, bool warning, bool accumulate);
    void NeighbouringTowersNotify(CMMObject* glider, float level, bool warning);

    void Run() override;
    void Draw() override;
    void PreDraw() override;
    void DrawEffect(int pass) override;
    void ProcessDelete(CMMObject* deleted) override;
    void SaveGame(CMemStream& stream) override;
    void LoadGame(CMemStream& stream) override;
    void Damage(float amount, CVector point, int flag, CMMObject* attacker, int kind,
                int weaponKind) override;
    const void* GetShapeData() override;

    void FindTarget();
    void RotateToTarget();
    void Fire();
    void Patrol();
    CVector GetNearOrbitPoint(const CVector& p) const;
    void FlyTo(const CVector& goal);
    float CalculateHeight(const CVector& p) const;
    static bool GliderIsFire(const CGliderObject* glider);
    // The guarded building's search (buildings within 1500 with a cluster
    // or TYPE 3, 5 or 11, nearest horizontally).
    void FindGuardedBuilding();
    // The neighbours' collection (towers within twice the larger view
    // distance, at most 20; the 21st is logged and skipped).
    void CollectNeighbours();
    // Whether the camera is within sqrt(2) x the view range.
    bool IsAwake() const;

    char m_szTypeName[32] = {};
    const STowerType* m_pKind = nullptr;
    std::uint8_t m_bActive = 1;
    float m_fSpyDistance = CTowerManager::kStationarySpy;
    float m_fViewDistance = CTowerManager::kStationaryView;
    CMMObject* m_pTarget = nullptr;
    float m_fAlertLevel = 0.0f;
    std::uint8_t m_bWarning = 0;
    float m_fCalmDown = 0.0f;
    std::uint8_t m_bFlying = 0;
    std::uint8_t m_bAlarmed = 0;
    std::int32_t m_nOrbitDirection = 1;
    SGunLaying m_Laying;
    CGun m_HarmlessGun;
    CGun m_FightingGun;
    CGun m_PunitiveGun;
    plat::d3d::SLight m_Searchlight{};
    CMMObject* m_pBuilding = nullptr;
    std::uint8_t m_bBuildingFound = 0;
    float m_fOrbitRadius = 0.0f;
    CVector m_vHome;
    float m_fOrbitAngle = 0.0f;
    CTowerObject* m_pNeighbours[kMaxNeighbours] = {};
    std::int32_t m_nNeighbours = 0;
    std::uint8_t m_bNeighboursCollected = 0;

private:
    float PitchFraction() const;
    CGun* GunToFire();
};

extern CTowerManager g_TowerManager;
