#include "world/Camera.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "world/DynamicObject.h"
#include "world/GameWorldState.h"
#include "world/Physics.h"
#include "world/WorldTerrain.h"

#include <cmath>
#include <cstring>

IViewCamera* g_pViewCamera = nullptr;
int g_CameraMode = 0;

namespace
{
constexpr float kPi = 3.14159265358979f;

CVector Horizontal(const CVector& v)
{
    return CVector{v.x, v.y, 0.0f};
}
} // namespace

// The physics values each mode sets, in field order.
struct CCamera::SValues
{
    float mass, forwardFriction, forwardScale; // scale < 0: unchanged
    float rising, falling, side;
    std::uint8_t gravity, ground, steering, levelling;
    float probe;
    float pitchStiffness, rollStiffness, steering_response;
};

namespace
{
constexpr float kUnchanged = -1.0f;
}

void CCamera::Apply(const SValues& v)
{
    m_fMass = v.mass;
    m_fForwardFriction = v.forwardFriction;
    if (v.forwardScale != kUnchanged) m_fForwardFrictionScale = v.forwardScale;
    m_fRisingFriction = v.rising;
    m_fFallingFriction = v.falling;
    m_fSideFriction = v.side;
    m_bGravity = v.gravity;
    m_bGroundFollowing = v.ground;
    m_bSteering = v.steering;
    m_bLevelling = v.levelling;
    m_fProbe1 = m_fProbe2 = m_fProbe3 = v.probe;
    m_fPitchStiffness = v.pitchStiffness;
    m_fRollStiffness = v.rollStiffness;
    m_fSteeringResponse = v.steering_response;
    m_fKindFloats[0] = m_fKindFloats[1] = 0.0f;
}

CCamera::CCamera()
{
    m_nType = OBJ_CAMERA;
    m_bPhysics = 1;
    m_bMoving = 1;
    m_bNumbered = 1;
    m_bCollidable = 0;
    m_bShown = 0;
    m_bGrip = 0;
    m_fDrive = 0.0f;
    m_fRadius = 2.5f;
    Apply({1.0f, 100.0f, 1.0f, 100.0f, 100.0f, 100.0f, 1, 1, 1, 1, 2.5f, 9.0f, 9.0f, 4.0f * kPi});
    m_Frame.UpdateAxes();
}

void CCamera::SetFollowMode(CMMObject* target)
{
    g_CameraMode = 0;
    Apply({0.03f, 4.0f, kUnchanged, 2.5f, 2.5f, 2.5f, 1, 1, 1, 1, 2.5f, 9.0f, 9.0f, 2.0f * kPi});
    m_pFollowTarget = target;
    m_bPhysics = target ? 1 : 0;
    if (target) m_pOwner = target;
}

void CCamera::SetOrbitMode(CMMObject* target)
{
    SetFollowMode(nullptr);
    m_pModeTarget = target;
    m_fModeParams[0] = 13.0f;
    m_fModeParams[1] = 10.0f;
    m_fModeParams[2] = 4.0f;
    if (target)
    {
        CObjectFrame f = target->m_Frame;
        f.UpdateAxes();
        const float r = target->m_fRadius;
        SetPosition(target->GetPosition() - f.m_vForward * (r * 13.0f * 0.3f) + f.m_vUp * (r * 4.0f * 0.3f));
        m_pOwner = target;
    }
    g_CameraMode = 1;
}

void CCamera::SetMode2(bool leashed)
{
    m_bLeashed = leashed;
    SetFollowMode(nullptr);
    Apply({0.03f, 100.0f, kUnchanged, 100.0f, 100.0f, 100.0f, 0, 0, 1, 0, 2.5f, 50.0f, 50.0f, kPi});
    m_pModeTarget = nullptr;
    m_fDrive = 0.0f;
    m_vVelocity = CVector{};
    m_bPhysics = 1;
    g_CameraMode = 2;
}

void CCamera::SetMode3(CMMObject* target)
{
    SetFollowMode(nullptr);
    Apply({0.03f, 100.0f, kUnchanged, 100.0f, 100.0f, 100.0f, 0, 0, 1, 0, 2.5f, 50.0f, 50.0f, kPi});
    m_pModeTarget = target;
    m_bPhysics = 0;
    g_CameraMode = 3;
}

void CCamera::SetMode4(CMMObject* target)
{
    SetFollowMode(nullptr);
    m_pModeTarget = target;
    m_bPhysics = 0;
    g_CameraMode = 4;
}

void CCamera::Attach(CMMObject* target)
{
    SetFollowMode(nullptr);
    m_pModeTarget = target;
    if (target)
    {
        CMatrix inverse(1.0f);
        InvertMatrix(target->m_Frame.m_Matrix, inverse);
        CVector offset;
        TransformNormal(&offset, inverse, GetPosition() - target->GetPosition());
        m_fModeParams[0] = offset.x;
        m_fModeParams[1] = offset.y;
        m_fModeParams[2] = offset.z;
        MatrixMultiply3x3(&m_mRelative, &m_Frame.m_Matrix, &inverse);
    }
    g_CameraMode = 5;
}

void CCamera::SetMode6(CMMObject* target)
{
    if (target)
    {
        target->m_bShown = 1;
        m_pOwner = target;
    }
    m_bPhysics = 0;
    m_pFollowTarget = target;
    g_CameraMode = 6;
}

void CCamera::RestoreMode()
{
    CMMObject* glider = g_pPlayerGlider.Object();
    switch (g_CameraMode)
    {
    case 0:
        SetFollowMode(glider);
        break;
    case 1:
        SetOrbitMode(glider);
        break;
    case 2:
        SetMode2();
        break;
    case 3:
        SetMode3(glider);
        break;
    case 4:
        SetMode4(glider);
        break;
    case 5:
        Attach(glider);
        break;
    case 6:
        SetMode6(glider);
        break;
    default:
        break;
    }
}

void CCamera::ProcessDelete(CMMObject* deleted)
{
    if (m_pFollowTarget == deleted) m_pFollowTarget = nullptr;
    if (m_pModeTarget == deleted) m_pModeTarget = nullptr;
    if (m_pOwner == deleted) m_pOwner = nullptr;
}

void CCamera::SidePush(float v)
{
    if (m_fMass <= 0.0f) return;
    m_Frame.UpdateAxes();
    m_vVelocity = m_Frame.m_vSide * (-v * (3.0f / m_fMass));
}

void CCamera::Run()
{
    XTRACE("CCamera::Run");
    if (g_CameraMode == 1 && m_pModeTarget)
    {
        CObjectFrame t = m_pModeTarget->m_Frame;
        t.UpdateAxes();
        const float r = m_pModeTarget->m_fRadius;
        CVector d = Horizontal(t.m_vForward);
        if (d.LengthSq() > 0.0001f) d = Normalize(d);
        SetPosition(m_pModeTarget->GetPosition() - d * (r * m_fModeParams[0] * 0.3f) +
                    CVector{0.0f, 0.0f, r * m_fModeParams[2] * 0.3f});
    }
    if (g_CameraMode == 5 && m_pModeTarget)
    {
        const CMatrix& tm = m_pModeTarget->m_Frame.m_Matrix;
        CVector offset;
        TransformNormal(&offset, tm, CVector{m_fModeParams[0], m_fModeParams[1], m_fModeParams[2]});
        SetPosition(m_pModeTarget->GetPosition() + offset);
        CMatrix rotation;
        MatrixMultiply3x3(&rotation, &m_mRelative, &tm);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                m_Frame.m_Matrix.m[r][c] = rotation.m[r][c];
    }

    // Never below the ground: the position is raised directly.
    CVector& p = m_Frame.m_vPosition;
    float g = 0.0f;
    if (g_pWorldTerrain && g_pWorldTerrain->GetHeight(p, &g) && p.z < g + kGroundClearance)
    {
        p.z = g + kGroundClearance;
        m_Frame.m_Matrix.m[3][2] = p.z;
    }

    if (g_CameraMode == 2 && g_pPlayerGlider.Object())
    {
        const CVector glider = g_pPlayerGlider.Object()->GetPosition();
        const CVector away = GetPosition() - glider;
        const float distance = away.Length();
        if (m_bLeashed && distance > kFreeRange) SetPosition(glider + away * (kFreeRange / distance));
        const CVector above{p.x, p.y, p.z + 100.0f};
        const float h = g_pPhysics->GetGroundHeight(&above, this);
        if (p.z < h + kGroundClearance)
        {
            p.z = h + kGroundClearance;
            m_Frame.m_Matrix.m[3][2] = p.z;
        }
    }
}

void CCamera::UpdateView()
{
    switch (g_CameraMode)
    {
    case 0:
    case 6:
        if (m_pFollowTarget) m_Frame.CopyTransform(m_pFollowTarget->m_Frame);
        break;
    case 1:
        if (m_pModeTarget)
        {
            CObjectFrame t = m_pModeTarget->m_Frame;
            t.UpdateAxes();
            CVector d = Horizontal(t.m_vForward);
            if (d.x == 0.0f && d.y == 0.0f) d = CVector{0.0f, 1.0f, 0.0f};
            const CVector p = GetPosition();
            m_Frame.m_Matrix = CMatrix(1.0f);
            m_Frame.SetPosition(p);
            if (d.LengthSq() >= 1e-6f) m_Frame.SetForward(Normalize(d));
        }
        break;
    case 4:
        if (m_pModeTarget)
        {
            CVector d = m_pModeTarget->GetPosition() - GetPosition();
            if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) d = CVector{0.0f, 1.0f, 0.0f};
            m_Frame.SetForward(Normalize(d));
        }
        break;
    default:
        break;
    }
    m_Frame.m_Matrix.SetTranslation(m_Frame.m_vPosition);
    if (g_pViewCamera) g_pViewCamera->TakeCameraFrame(m_Frame);
}

void CCamera::SaveToStream(CMemStream& stream, int* size, bool stateOnly)
{
    *size = 0;
    CDynamicObject::SaveToStream(stream, size, stateOnly);
    const std::uint32_t mode = std::uint32_t(g_CameraMode);
    stream.Write(&mode, 4);
    stream.Write(m_fModeParams, 12);
    *size += kModeRecordSize;
}

void CCamera::LoadFromStream(CMemStream& stream, int* size, bool stateOnly)
{
    // The whole record is checked before anything is applied.
    const std::uint32_t start = stream.m_nPosition;
    std::uint8_t all[kStreamRecordSize + kStreamExtensionSize + kModeRecordSize];
    ReadStreamBytes(stream, all, sizeof all, "camera record");
    stream.m_nPosition = start;
    *size = 0;
    CDynamicObject::LoadFromStream(stream, size, stateOnly);
    std::uint32_t mode = 0;
    stream.Read(&mode, 4);
    stream.Read(m_fModeParams, 12);
    *size += kModeRecordSize;
    g_CameraMode = int(mode);
    const CVector position = GetPosition();
    const std::uint8_t physics = m_bPhysics;
    RestoreMode();
    m_Frame.SetPosition(position);
    m_bPhysics = physics;
}
