// CGathererObject: the rescue machine of a building (object type 26). It
// circles above its home building, searches the location every 30 s for
// containers of mechanoids (pick-up things of kind 257 older than 180 s),
// reserves up to 10 of them, flies to the nearest, sinks onto it, takes up
// to 5 mechanoids aboard, rises and, full or with nothing left, flies home
// where it puts them into the building. Shot down, it explodes, throws its
// load out as containers and starts again at home once the camera has been
// beyond the view range.
//
// States: 0 a target found or lost, 1 flying to it, 2 circling at home,
// 3 risen after a pick-up, 5 sinking onto it, 6 rising from it, 7 taking the
// mechanoids aboard. Out of sight (beyond twice the view range squared) the
// gatherer moves by placement alone and picks up at once.
//
// Save record (SaveGame, after the object's 13 bytes), version 2:
//   u32 version (2); u8 exploded; f32 health; f32[3] target point;
//   f32[3] move point; u32 state; f32 search timer; f32 sink timer;
//   char[32] target container; u32 reserved count n, n x char[32];
//   u32 carried count m, m x char[32] (mech ids).
// Version 1 (its first byte is 0 or 1: the exploded flag, no version word)
// holds 4 bytes in place of each name. LoadGame throws CStreamError naming
// the record and the offset on a short record or a count above 10 reserved
// or 5 carried; names are resolved by LoadInit.
//
// The home building is an object of type 11 (its kind from the building
// manager); containers are the world's CTheThing.
// Ownership: the object list owns gatherers; containers, buildings and the
// world's mech records are not owned. Threads: main thread.
#pragma once

#include "platform/d3d8/D3D8Types.h"
#include "world/DynamicObject.h"

#include <cstdint>
#include <string>
#include <vector>

class CMech;
class CTheThing;

class CGathererObject : public CDynamicObject
{
public:
    static constexpr int kMaxCarried = 5;
    static constexpr int kMaxReserved = 10;
    static constexpr float kHealth = 50000.0f;
    static constexpr float kSearchPeriod = 30.0f;
    static constexpr float kMinAge = 180.0f;
    static constexpr float kCruise = 400.0f;
    static constexpr std::uint32_t kSaveVersion = 2;

    CGathererObject();
    ~CGathererObject() override;

    void Init(CMMObject* building);
    void Run() override;
    void Draw() override;
    void PreDraw() override;
    void ProcessDelete(CMMObject* deleted) override;
    void SaveGame(CMemStream& stream) override;
    void LoadGame(CMemStream& stream) override;
    void LoadInit() override;
    void Pause(bool pause) override;
    void Damage(float amount, CVector point, int flag, CMMObject* attacker, int kind,
                int weaponKind) override;

    float CalculateHeight(const CVector& p, float offset, bool objects) const;
    void FlyTo(const CVector& point, float height, bool objects);
    CVector ConvToViaPoint(CVector point, float height, bool objects) const;
    bool IsReached(const CVector& point) const;
    bool FindByName(const char* name) const;

    void TargetSearch();
    void MovementToTarget();
    void SinkingToTarget();
    void RaiseTarget();
    void LiftingFromTarget();
    void MovementToHome();
    void WaitingMovement();
    void Explosion();
    void ReleaseReserved();
    void StopSound();

    std::uint8_t m_bExploded = 0;
    CMech* m_pCarried[kMaxCarried] = {};
    std::int32_t m_nCarried = 0;
    float m_fHealth = kHealth;
    CMMObject* m_pHome = nullptr;
    float m_fCircleRadius = 0.0f;
    CVector m_vCircleCentre;
    CVector m_vHomePoint;
    std::uint8_t m_bFar = 0;
    std::uint8_t m_bBeyondDouble = 0;
    std::vector<CTheThing*> m_Reserved;
    CTheThing* m_pTarget = nullptr;
    CVector m_vTargetPoint;
    CVector m_vMovePoint;
    std::int32_t m_nState = 2;
    float m_fCircleAngle = 0.0f;
    float m_fSearchTimer = 0.0f;
    std::int32_t m_iFlightSound = -1;
    float m_fSinkTimer = 0.0f;
    float m_fTurn = 0.0f;
    std::uint8_t m_bGathering = 0;
    plat::d3d::SLight m_Light{};
    // Names read by LoadGame, resolved by LoadInit.
    char m_szTargetName[32] = {};
    std::vector<std::string> m_ReservedNames;
    std::vector<std::string> m_CarriedNames;

private:
    bool ReservedHere(const CTheThing* thing) const;
    void Unreserve(CTheThing* thing);
    void UpdateFar();
    float m_fAudibleSq = -1.0f;
};
