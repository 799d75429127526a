// CTankManager and CTankObject: the ground turrets of a location (object
// type 27, section "TANKS"). A turret is a hull with a gun on a pivot that
// turns within ROTATE_ANGLE to either side of its mounting direction. It
// picks the fastest glider within 1000 units moving at 144 units/s or more,
// lays its gun on it and fires; a turret that is shot at locks onto its
// attacker until that glider leaves the range, is destroyed or deleted. It
// takes no damage.
//
// A turret sleeps (neither searches, turns nor fires) while the camera is
// farther than the view range.
//
// Ownership: the object list owns turrets; the kinds are the manager's.
// Threads: main thread (Init on the start-up loader thread).
#pragma once

#include "graphics/Model.h"
#include "units/Gun.h"
#include "units/GunLaying.h"
#include "world/KindManagers.h"
#include "world/MMObject.h"

#include <cstdint>

struct STankType : SObjectTypeHeader
{
    std::int32_t m_nHullModel = -1;   // "HULL_MODEL"
    std::int32_t m_nGunModel = -1;    // "GUN_MODEL"
    std::int32_t m_nFightingGun = -1; // "FIGHTING_GUN"
    std::int32_t m_nEffectSound = -1; // "EFFECT_SOUND"
    std::int32_t m_nIdleSound = -1;   // "IDLE_SOUND"
    std::int32_t m_nMuzzlePart = -1;  // the gun model's part "FX"
    STransData m_MuzzleTrans;
    std::uint8_t m_bMuzzleGeometry = 0;
    float m_fTurnRate = 0.7853982f;
    float m_fRotateAngle = 0.0f; // "ROTATE_ANGLE", radians
    CVector m_vPivot;            // the hull model's part "PIVOT"
    float m_fAngleUp = 0.0f;     // "ANGLE_UP", radians
    float m_fAngleDown = 0.0f;   // "ANGLE_DOWN", radians
};

class CTankManager : public CKindManager<STankType, true>
{
public:
    CTankManager() : CKindManager(OBJ_TANK) {}
    bool Init(const char* section) override;
    CMMObject* CreateObject(const char* typeName, const CMatrix* placement, const char* gameId) override;
    // The gun model's "FX" part and the hull model's "PIVOT" (models loaded
    // at once).
    void InitTank(std::int32_t index);
    STankType* GetKindForEdit(std::int32_t index)
    {
        return index >= 0 && index < std::int32_t(m_Kinds.size()) ? &m_Kinds[std::size_t(index)] : nullptr;
    }
};

class CTankObject : public CMMObject
{
public:
    static constexpr float kRange = 1000.0f;
    static constexpr float kMinSpeed = 144.0f;
    static constexpr float kFireError = 0.05235988f; // pi/60

    CTankObject();
    ~CTankObject() override;

    void Init(const CMatrix& placement, const char* typeName, const char* gameId);
    void Run() override;
    void Draw() override;
    void DrawEffect(int pass) override;
    void ProcessDelete(CMMObject* deleted) override;
    void Damage(float amount, CVector point, int flag, CMMObject* attacker, int kind,
                int weaponKind) override;

    void SearchTarget();
    void RotateBarrel();
    void Fire();
    bool InRange(const CMMObject* object) const;
    // The mounting direction: pi/2 - atan2(m00, m10) of the placement.
    float BaseYaw() const;

    char m_szTypeName[32] = {};
    const STankType* m_pKind = nullptr;
    CMMObject* m_pTarget = nullptr;
    std::uint8_t m_bLocked = 0;
    SGunLaying m_Laying;
    float m_fHullPhase = 0.0f;
    float m_fHullDirection = 1.0f;
    float m_fPause = 0.0f;
    CGun m_Gun;
    float m_fIdleTimer = 0.0f;

private:
    float PitchFraction() const;
    CMatrix PivotMatrix() const;
};

extern CTankManager g_TankManager;
