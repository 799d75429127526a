// CDynamicObject: an object the physics moves (gliders, missiles, tanks,
// the camera, ...). It adds mass, friction and drive values, velocity, turn
// inputs and the force gathered for the next physics step, and replaces the
// network descriptor (137 bytes) and the stream record (68 + 40 bytes:
// drive, velocity, levelling rates, turn input).
//
// Setters that change what the descriptor carries set m_bChanged.
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

class CDynamicObject : public CMMObject
{
public:
    static constexpr int kStreamExtensionSize = 40;
    static constexpr double kJumpLockout = 2.0; // seconds of game clock

    CDynamicObject() = default;

    void WriteNetDescriptor(void* buffer, int* size) override;
    void ReadNetDescriptor(const void* buffer, int* size) override;
    void SaveToStream(CMemStream& stream, int* size, bool stateOnly) override;
    void LoadFromStream(CMemStream& stream, int* size, bool stateOnly) override;

    // velocity += impulse / mass. An override must change nothing but the
    // velocity: the collision pass keeps copies of the other fields.
    virtual void AddImpulse(const CVector& impulse);
    // Sideways push (the camera fills it).
    virtual void SidePush(float /*v*/) {}
    // drive = 25 t.
    virtual void SetTraction(float t);
    // An upward impulse, at most once per 2 s of game clock.
    virtual void Jump(float strength);

    // Yaw input; a NaN is logged and taken as 0.
    void SetRotationX(float x);
    // Pitch input.
    void SetRotationY(float y);

    std::int32_t m_nDynWord = 0;
    float m_fLastJump = -1e10f;
    float m_fMass = 1.0f;
    float m_fForwardFriction = 0.0f;
    float m_fForwardFrictionScale = 0.0f;
    float m_fRisingFriction = 0.0f;
    float m_fFallingFriction = 0.0f;
    float m_fSideFriction = 0.0f;
    std::uint8_t m_bGravity = 0;
    std::uint8_t m_bGroundFollowing = 0;
    std::uint8_t m_bSteering = 0;
    std::uint8_t m_bLevelling = 0;
    std::uint8_t m_bGrip = 0;
    float m_fProbe1 = 0.0f;
    float m_fProbe2 = 0.0f;
    float m_fProbe3 = 0.0f;
    float m_fPitchStiffness = 0.0f;
    float m_fRollStiffness = 0.0f;
    float m_fSteeringResponse = 0.0f;
    float m_fKindFloats[2] = {0.0f, 0.0f};
    float m_fGravityFactor = 1.0f;
    float m_fHoverHeight = 1.0f;
    float m_fLagTime = 0.0f;
    float m_fDrive = 0.0f;
    float m_fStrafe = 0.0f;
    float m_fGrip = 0.0f;
    CVector m_vVelocity;
    CVector m_vLevelling;
    CVector m_vR;
    CVector m_vSteps;
    CVector m_vForce;
};
