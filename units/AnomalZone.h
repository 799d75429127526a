// CAnomalZone: the force of an anomaly, a system point of the object list
// (kind 20) made for each record of the anomaly block ("Anomal" types,
// whose "TYPE" is the zone level and "FORCE" its strength); its visible part
// is the world's CAnomalZoneObject.
//
// Each frame, while the camera is within sqrt(1.2) x (view range - radius),
// the zone hurts the live gliders within radius + 175: damage per second =
// the glider type's STANDARD x FORCE x ((1 - r) x 150 + 50) for r =
// distance^2 / (radius + 1)^2 up to 1, x 5 up to r = 1.44, nothing beyond.
// The player's glider inside also sets the frame's zone warning (level
// capped at 3; g_ZoneWarningLevel, world/ObjectList.h). The zone's sound
// loops while the camera is within its audible distance.
//
// Ownership: the object list's system-point list owns zones; the type
// record is the anomaly manager's. Threads: main thread.
#pragma once

#include "world/ObjectManager.h"
#include "world/SysObject.h"

#include <cfloat>
#include <cstdint>

class CAnomalZone : public CSysObject
{
public:
    static constexpr float kReach = 175.0f;
    static constexpr std::int32_t kMaxLevel = 3;

    CAnomalZone(const char* typeName, const CMatrix& placement, const char* name);
    ~CAnomalZone() override;
    void Run() override;
    // Damage per second at r = distance^2 / (radius + 1)^2 for a factor
    // STANDARD x FORCE of 1.
    static float DamageFactor(float r);
    void ReleaseSound();

    std::int32_t m_nTypeIndex = -1;
    const SAnomalType* m_pType = nullptr;
    std::int32_t m_iSoundSource = -1;
    float m_fHearingSq = FLT_MAX;

private:
    bool m_bHearingKnown = false;
};

// The maker the world's anomaly loader calls (through g_UnitKinds).
CSysObject* MakeAnomalZone(const char* typeName, const CMatrix& placement, const char* name);
