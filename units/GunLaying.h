// What towers and ground turrets share: laying a gun on a point by yaw and
// pitch rates, the placement without its scale, the muzzle matrix from a gun
// model's "FX" part, and the clear-shot test.
//
// The turning rules are one pair of damped second-order steps; towers and
// turrets differ only in their gains (SLayingGains).
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"
#include "graphics/Model.h"

#include <cstdint>

class CGun;

class CMMObject;

// The gun's aim state: angles in radians, rates in radians per second.
struct SGunLaying
{
    float m_fYaw = 0.0f;
    float m_fPitch = 0.0f;
    float m_fPitchRate = 0.0f;
    float m_fYawRate = 0.0f;
};

struct SLayingGains
{
    float yawNear; // gain on the error while |error| <= 0.1 r
    float yawFar;  // rate step (times r) beyond
    float pitchNear;
    float pitchFar;
};
inline constexpr SLayingGains kTowerGains{0.8f, 8.0f, 0.5f, 5.0f};
inline constexpr SLayingGains kTankGains{0.1f, 1.0f, 0.5f, 5.0f};

// Both rates damped: pitch by 2^(20 dt (1 + |rate| 1e-10)), yaw by
// 2^(30 dt (1 + |rate| 1e-10)).
void DampLaying(SGunLaying& s, float dt);

// The yaw step toward d (gun position - point): returns the yaw error
// before the step (brought into [-3.1730084, 3.1730084]). The yaw is not
// wrapped here.
float StepYaw(SGunLaying& s, const CVector& d, float r, float dt, const SLayingGains& g);

// The pitch step toward d within [down, up]; returns goal - new pitch, 0
// when |d|^2 <= 1 (nothing done).
float StepPitch(SGunLaying& s, const CVector& d, float r, float dt, float down, float up,
                const SLayingGains& g);

// a brought into [-pi, pi] by steps of 2 pi.
float WrapPi(float a);

// The placement with its three axis rows divided by the length of row 0.
CMatrix RemoveScale(const CMatrix& placement);

// Rotation about z by yaw with the translation at.
CMatrix YawMatrix(float yaw, const CVector& at);

// The muzzle mount of a gun model part at animation fraction k (the part's
// transform at that state): identity with translation fallback when the
// model or part is missing.
CMatrix MuzzleMount(std::int32_t model, std::int32_t part, const STransData& trans, float k,
                    const CVector& fallback);

// A laid gun at its mount on the turning part yaw: the muzzle light for half a second after a shot
// (device lights 10 and 11 off otherwise), the barrels, the gun model.
void DrawLaidGun(CGun& gun, const CMatrix& yaw, const CMatrix& mount, int detailLevel);

// The part named name of a model (-1 when the model or the part is
// missing); trans filled when the part has geometry (then *geometry 1).
std::int32_t FindModelPart(std::int32_t model, const char* name, STransData* trans, std::uint8_t* geometry);

// The lowest corner of a model part (the zero vector when the model or
// part is missing); the model is loaded at once.
CVector PartMinCorner(std::int32_t model, const char* name);

// The radius the model list gives a model (1.0 for a missing model).
float ModelRadius(std::int32_t model);

// Whether a shot from muzzle to target flies clear: the terrain does not
// block it and the first object along it within distance + 10 (self
// excluded) is the target.
bool IsShotClear(const CVector& muzzle, const CVector& direction, float distance, CMMObject* self,
                 CMMObject* target);
