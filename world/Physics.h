// CPhysics: the motion of dynamic objects (g_pPhysics), a hover-vehicle
// model. The object list calls PreMove for every moving object, then its
// collision pass, then Move, once per physics sub-step of at most 0.2 s.
//
// PreMove turns the object (steering, levelling to the ground) and updates
// its velocity from drive, strafe, gravity, the ground's hover force (an
// inverse-square push that balances gravity at 15 x hover height over flat
// ground) and per-axis friction; Move integrates the position and pushes
// the object out of the ground at five probes.
//
// The ground comes from the installed terrain (WorldTerrain.h; a flat plane
// at 0 without one) and from triangle-shaped objects under the point (the
// object list's downward ray). The state below is left by the last ground
// query and read by the next normal query.
//
// An invalid state (a NaN in velocity, position, steps, rates, inputs or
// drive) is repaired where it is found: velocity, strafe and drive become
// 0 and every object but a glider is deleted. A mass that is not positive
// takes no drive or strafe force.
//
// A test may install its own physics through g_pPhysics.
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>

class CDynamicObject;
class CMMObject;
class CObjectFrame;

class CPhysics
{
public:
    static constexpr float kGravity = 147.0f;
    // 15^2 x 147: the hover force's constant.
    static constexpr float kHoverConstant = 33075.0f;
    static constexpr float kMinStep = 0.000001f;

    virtual ~CPhysics() = default;
    virtual void PreMove(CDynamicObject* object, float dt);
    // False when the state is invalid.
    virtual bool Move(CDynamicObject* object, float dt);

    // Terrain height under point, raised to the top of a triangle-shaped
    // object below it other than self.
    float GetGroundHeight(const CVector* point, CMMObject* self);
    // The ground normal at point; with limitSlope slopes gentler than 60
    // degrees push straight up.
    CVector* GetMapLNormal(CVector* out, const CVector* point, bool limitSlope);
    CVector* GetHoverForce(CVector* out, const CVector* point, CDynamicObject* object, float hoverHeight,
                           float groundHeight);
    // The terrain's hover force alone at a sample point (levelling).
    CVector* GetHoverForceAt(CVector* out, const CVector* point, CDynamicObject* object, float hoverHeight);
    static float GetClearance(const CVector*) { return 15.0f; }
    bool IsStateValid(CDynamicObject* object, const char* label);
    // Turns the frame about its forward axis; a positive angle lowers the
    // side axis.
    static void RollBy(CObjectFrame& frame, float angle);

    // Left by the last ground query.
    float m_fObjectGround = 0.0f;
    std::uint8_t m_bOnObject = 0;
    CVector m_vGroundNormal{0.0f, 0.0f, 1.0f};

private:
    // The terrain alone: exact height, the rough one where there is no data.
    float TerrainHeight(const CVector& point);
};

// The physics the object list steps through (never null).
extern CPhysics* g_pPhysics;
