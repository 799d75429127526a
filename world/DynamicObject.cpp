#include "world/DynamicObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/MemStream.h"
#include "world/NetDescriptor.h"

#include <cmath>
#include <cstring>

namespace
{

void Put(float out[3], const CVector& v)
{
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

CVector Get(const float in[3])
{
    return CVector{in[0], in[1], in[2]};
}

} // namespace

void CDynamicObject::AddImpulse(const CVector& impulse)
{
    // A massless object takes no impulse rather than an infinite velocity.
    if (m_fMass == 0.0f) return;
    m_vVelocity += impulse * (1.0f / m_fMass);
    m_bChanged = 1;
}

void CDynamicObject::SetTraction(float t)
{
    const float drive = 25.0f * t;
    if (drive == m_fDrive) return;
    m_fDrive = drive;
    m_bChanged = 1;
}

void CDynamicObject::Jump(float strength)
{
    if (g_GameTime - double(m_fLastJump) <= kJumpLockout) return;
    m_fLastJump = float(g_GameTime);
    AddImpulse(CVector{0.0f, 0.0f, strength});
}

void CDynamicObject::SetRotationX(float x)
{
    if (std::isnan(x))
    {
        g_ErrorLog.LogError("m_vR.x is nan");
        x = 0.0f;
    }
    if (x == m_vR.x) return;
    m_vR.x = x;
    m_bChanged = 1;
}

void CDynamicObject::SetRotationY(float y)
{
    if (y == m_vR.y) return;
    m_vR.y = y;
    m_bChanged = 1;
}

void CDynamicObject::WriteNetDescriptor(void* buffer, int* size)
{
    CMMObject::WriteNetDescriptor(buffer, size);
    SDynamicNetDescriptor d;
    std::memcpy(&d, buffer, kNetDescriptorSize);
    m_Frame.UpdateAxes();
    Put(d.forward, m_Frame.m_vForward);
    Put(d.side, m_Frame.m_vSide);
    Put(d.up, m_Frame.m_vUp);
    d.drive = m_fDrive;
    d.strafe = m_fStrafe;
    d.grip = m_fGrip;
    Put(d.velocity, m_vVelocity);
    Put(d.levelling, m_vLevelling);
    Put(d.turn, m_vR);
    Put(d.steps, m_vSteps);
    d.shown = m_bShown;
    std::memcpy(static_cast<std::uint8_t*>(buffer) + kNetDescriptorSize,
                reinterpret_cast<const std::uint8_t*>(&d) + kNetDescriptorSize, kDynamicNetExtensionSize);
    *size += kDynamicNetExtensionSize;
}

void CDynamicObject::ReadNetDescriptor(const void* buffer, int* size)
{
    CMMObject::ReadNetDescriptor(buffer, size);
    SDynamicNetDescriptor d;
    std::memcpy(&d, buffer, sizeof d);
    m_Frame.m_vForward = Get(d.forward);
    m_Frame.m_vSide = Get(d.side);
    m_Frame.m_vUp = Get(d.up);
    m_Frame.RebuildMatrix();
    m_fDrive = d.drive;
    m_fStrafe = d.strafe;
    m_fGrip = d.grip;
    m_vVelocity = Get(d.velocity);
    m_vLevelling = Get(d.levelling);
    m_vR = Get(d.turn);
    m_vSteps = Get(d.steps);
    m_bShown = d.shown;
    *size += kDynamicNetExtensionSize;
}

void CDynamicObject::SaveToStream(CMemStream& stream, int* size, bool stateOnly)
{
    CMMObject::SaveToStream(stream, size, stateOnly);
    if (stateOnly)
    {
        stream.Advance(kStreamExtensionSize);
    }
    else
    {
        stream.Write(&m_fDrive, 4);
        stream.Write(&m_vVelocity, 12);
        stream.Write(&m_vLevelling, 12);
        stream.Write(&m_vR, 12);
    }
    *size += kStreamExtensionSize;
}

void CDynamicObject::LoadFromStream(CMemStream& stream, int* size, bool stateOnly)
{
    // Both parts are checked before anything is applied.
    const std::uint32_t start = stream.m_nPosition;
    std::uint8_t all[kStreamRecordSize + kStreamExtensionSize];
    ReadStreamBytes(stream, all, sizeof all, "dynamic object record");
    stream.m_nPosition = start;
    CMMObject::LoadFromStream(stream, size, stateOnly);
    const std::uint8_t* e = all + kStreamRecordSize;
    std::memcpy(&m_fDrive, e, 4);
    std::memcpy(&m_vVelocity, e + 4, 12);
    std::memcpy(&m_vLevelling, e + 16, 12);
    std::memcpy(&m_vR, e + 28, 12);
    stream.m_nPosition += kStreamExtensionSize;
    *size += kStreamExtensionSize;
}
