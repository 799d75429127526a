#include "world/Physics.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "world/DynamicObject.h"
#include "world/ObjectList.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <cmath>

namespace
{
CPhysics s_Physics;

constexpr float kTwoPi = 6.28318530718f;

bool IsNumber(float v)
{
    return !std::isnan(v) && !std::isinf(v);
}

bool IsNumber(const CVector& v)
{
    return IsNumber(v.x) && IsNumber(v.y) && IsNumber(v.z);
}
} // namespace

CPhysics* g_pPhysics = &s_Physics;
IWorldTerrain* g_pWorldTerrain = nullptr;
IWorldLocation* g_pWorldLocation = nullptr;

bool CPhysics::IsStateValid(CDynamicObject* o, const char* label)
{
    // Every component is checked, not only x: a NaN in y or z spreads into
    // x through the next rotation and is then found one step too late.
    if (IsNumber(o->m_vVelocity) && IsNumber(o->m_Frame.m_vPosition) && IsNumber(o->m_vSteps.x) &&
        IsNumber(o->m_vSteps.y) && IsNumber(o->m_vLevelling.x) && IsNumber(o->m_vLevelling.y) &&
        IsNumber(o->m_fStrafe) && IsNumber(o->m_vR.x) && IsNumber(o->m_vR.y) && IsNumber(o->m_fDrive))
        return true;
    g_ErrorLog.LogError("CPhysics::IsStateValid %s: invalid state of an object of type %d", label,
                        o->m_nType);
    if (o->m_nType != OBJ_GLIDER) g_ObjectList.DeleteObject(o);
    o->m_vVelocity = CVector{};
    o->m_fStrafe = 0.0f;
    o->m_fDrive = 0.0f;
    // The rates and steps are cleared too, or the next step fails again.
    o->m_vSteps = CVector{};
    o->m_vLevelling = CVector{};
    if (!IsNumber(o->m_vR)) o->m_vR = CVector{};
    return false;
}

void CPhysics::RollBy(CObjectFrame& frame, float angle)
{
    // Mixes the side and up columns: a turn about the forward column with
    // the heading turn's matrix, applied to the block as the pitch turn is.
    // A positive angle lowers the side axis, as a positive pitch lowers the
    // nose: the roll rate, which grows while the side axis points up, then
    // levels the object.
    CMatrix r(1.0f);
    const float c = std::cos(angle), s = std::sin(angle);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    frame.m_Matrix.MultiplyRotation(r);
}

float CPhysics::TerrainHeight(const CVector& point)
{
    if (!g_pWorldTerrain) return 0.0f;
    float h = 0.0f;
    if (g_pWorldTerrain->GetHeight(point, &h)) return h;
    return g_pWorldTerrain->GetRoughHeight(point, true);
}

float CPhysics::GetGroundHeight(const CVector* point, CMMObject* self)
{
    const float h = TerrainHeight(*point);
    const CVector origin{point->x, point->y, point->z + 5.0f};
    const CVector down{0.0f, 0.0f, -1.0f};
    CVector hitPoint;
    CMMObject* hit = nullptr;
    const float length = point->z - h + 10.0f;
    if (length > 0.0f && g_ObjectList.GetRayIntersection2(&origin, &down, length, &hitPoint, self, &hit))
    {
        m_bOnObject = 1;
        m_fObjectGround = hitPoint.z;
        m_vGroundNormal = CVector{0.0f, 0.0f, 1.0f};
        return std::max(h, hitPoint.z);
    }
    m_bOnObject = 0;
    return h;
}

CVector* CPhysics::GetMapLNormal(CVector* out, const CVector* point, bool limitSlope)
{
    XTRACE("CPhysics::GetMapLNormal");
    *out = CVector{0.0f, 0.0f, 1.0f};
    if (m_bOnObject) return out;
    CVector n;
    if (!g_pWorldTerrain || !g_pWorldTerrain->GetTriangleNormal(*point, &n)) return out;
    *out = n;
    if (limitSlope && n.z > 0.5f) *out = CVector{0.0f, 0.0f, n.z};
    return out;
}

CVector* CPhysics::GetHoverForce(CVector* out, const CVector* point, CDynamicObject*, float k, float ground)
{
    const float d = std::max(point->z - ground, 1.0f);
    CVector n;
    GetMapLNormal(&n, point, true);
    const float w = k / std::max(d, 6.0f * k);
    *out = n * (kHoverConstant * w * w);
    return out;
}

CVector* CPhysics::GetHoverForceAt(CVector* out, const CVector* point, CDynamicObject*, float k)
{
    const float g = TerrainHeight(*point);
    const float d = std::max(point->z - g, 3.5f * k);
    CVector n;
    GetMapLNormal(&n, point, false);
    const float w = d > 0.0f ? k / d : 0.0f;
    *out = n * (kHoverConstant * w * w);
    return out;
}

void CPhysics::PreMove(CDynamicObject* o, float dt)
{
    XTRACE("CPhysics::PreMove");
    if (!IsStateValid(o, "PreMove1")) return;
    // The object list has added a remote object's lag to dt already.
    if (dt <= kMinStep) return;
    CObjectFrame& f = o->m_Frame;
    f.UpdateAxes();
    const float speed = o->m_vVelocity.Length();

    // Steering.
    float yawAngle = 0.0f;
    if (o->m_bSteering)
    {
        const float response = o->m_fSteeringResponse;
        o->m_vSteps.x += o->m_vR.x * response * dt * 0.75f;
        o->m_vSteps.y += o->m_vR.y * response * dt * 0.75f;
        const float limit = response * dt;
        float yaw = o->m_vSteps.x, pitch = o->m_vSteps.y;
        if (std::fabs(yaw) > limit) yaw = std::copysign(2.0f * limit, yaw);
        if (std::fabs(pitch) > limit) pitch = std::copysign(limit, pitch);
        yawAngle = yaw * (speed >= 50.0f ? 150.0f / (speed + 100.0f) : 1.0f);
        f.RotateZ(yawAngle);
        f.RotateX(pitch);
        f.UpdateAxes();
    }

    // Levelling: pitch and roll follow the hover forces at the probes.
    if (o->m_bLevelling && o->m_fProbe1 != 0.0f && o->m_fProbe2 != 0.0f)
    {
        const CVector p = f.m_vPosition;
        const float p1 = o->m_fProbe1, p2 = o->m_fProbe2;
        CVector a, b;
        const CVector back = p - f.m_vForward * p1, front = p + f.m_vForward * p1;
        GetHoverForceAt(&a, &back, o, o->m_fHoverHeight);
        GetHoverForceAt(&b, &front, o, o->m_fHoverHeight);
        const CVector d = b - a;
        o->m_vLevelling.x +=
            (o->m_fPitchStiffness / p1) * (f.m_vForward.z * p1 * 16.0f + Dot(f.m_vUp, -d) * 0.5f) * 0.1f * dt;
        f.RotateX(o->m_vLevelling.x * dt);
        f.UpdateAxes();
        const float s = f.m_vUp.z > 0.0f ? 1.0f : -1.0f;
        const CVector right = p + f.m_vSide * (s * p2), left = p - f.m_vSide * (s * p2);
        GetHoverForceAt(&a, &right, o, o->m_fHoverHeight);
        GetHoverForceAt(&b, &left, o, o->m_fHoverHeight);
        o->m_vLevelling.y +=
            (Dot(b - a, f.m_vUp) / p2 * 0.1f - (yawAngle / (dt * kTwoPi) - f.m_vSide.z) * 10.0f) *
            o->m_fRollStiffness * dt;
        RollBy(f, o->m_vLevelling.y * dt);
        f.UpdateAxes();
    }

    // Decay of the turn and of the levelling rates.
    if (o->m_bSteering)
    {
        DampValue(&o->m_vSteps.x, dt, 1e8f, 1e10f);
        DampValue(&o->m_vSteps.y, dt, 1e10f, 1e10f);
    }
    if (o->m_bLevelling)
    {
        DampValue(&o->m_vLevelling.x, dt, 3.0f, 1e10f);
        DampValue(&o->m_vLevelling.y, dt, 3.0f, 1e10f);
    }

    // Forces.
    CVector acc = o->m_vForce;
    const bool massive = o->m_fMass > 0.0f;
    float af =
        massive ? o->m_fDrive / o->m_fMass * (speed >= 100.0f ? 1.0f : 150.0f / (speed + 50.0f)) : 0.0f;
    float as = massive ? o->m_fStrafe / o->m_fMass : 0.0f;
    if (as != 0.0f)
    {
        const float vs = Dot(o->m_vVelocity, f.m_vSide);
        const float u = std::max(as > 0.0f ? -vs : vs, 0.0f);
        af *= 1.0f - 0.75f * std::fabs(f.m_vSide.z);
        as = 40.0f * as / (2.0f * u + 10.0f);
    }
    o->m_fStrafe = 0.0f;
    acc += f.m_vForward * af - f.m_vSide * as;
    if (o->m_nType == OBJ_GLIDER && acc.z > 0.0f) acc.z *= 0.25f;

    const CVector p = f.m_vPosition;
    float h = 15.0f;
    float ground = 0.0f;
    if (o->m_bGroundFollowing)
    {
        ground = GetGroundHeight(&p, o);
        h = p.z - ground;
    }
    if (o->m_bGravity) acc.z -= kGravity * o->m_fGravityFactor * (o->m_bGroundFollowing ? 1.0f : 0.25f);
    if (o->m_bGroundFollowing)
    {
        const CVector ahead = p + o->m_vVelocity * dt;
        CVector hover;
        GetHoverForce(&hover, &ahead, o, o->m_fHoverHeight, ground);
        acc += hover;
        if (h < 45.0f && o->m_vVelocity.z < 0.0f)
            DampValue(&o->m_vVelocity.z, dt, (4.0f - h / 15.0f) * 10.0f, 1e10f);
    }
    o->m_vVelocity += acc * dt;

    // The location's ceiling turns a climbing glider back.
    const float limit = g_pWorldTerrain ? g_pWorldTerrain->GetUpperLimit() : 0.0f;
    if (limit != 0.0f && o->m_nType == OBJ_GLIDER && p.z + o->m_vVelocity.z * dt > limit &&
        o->m_vVelocity.z > 0.0f)
        o->m_vVelocity.z = -o->m_vVelocity.z;

    // Friction along the frame's axes.
    float vf = Dot(o->m_vVelocity, f.m_vForward);
    float vu = Dot(o->m_vVelocity, f.m_vUp);
    float vs = Dot(o->m_vVelocity, f.m_vSide);
    if (vu <= 0.0f && o->m_fFallingFriction != 0.0f) DampValue(&vu, dt, o->m_fFallingFriction, 1e10f);
    if (vu > 0.0f && o->m_fRisingFriction != 0.0f) DampValue(&vu, dt, o->m_fRisingFriction, 1e10f);
    if (o->m_fSideFriction != 0.0f) DampValue(&vs, dt, o->m_fSideFriction, 1e10f);
    if (o->m_fForwardFriction != 0.0f) DampValue(&vf, dt, o->m_fForwardFriction, o->m_fForwardFrictionScale);

    // Grip: the motion turns the object towards its path. A positive
    // heading turn swings the nose away from the side axis and a positive
    // pitch lowers it, so speed along the side (or up) axis turns the other
    // way: the nose follows the motion instead of running from it.
    if (o->m_bGrip && o->m_fGrip != 0.0f)
    {
        if (o->m_bSteering && massive)
        {
            const float k = o->m_fSteeringResponse / o->m_fMass;
            const bool player = g_pPlayerGlider.Sight() && o == g_pPlayerGlider.Object();
            // The player's sight keeps its place in the turned frame.
            CVector sight;
            if (player)
            {
                const CVector& w = *g_pPlayerGlider.Sight();
                sight = CVector{Dot(w, f.m_vSide), Dot(w, f.m_vUp), Dot(w, f.m_vForward)};
            }
            f.RotateZ(-k * vf * vs * dt * (player ? 0.25f : 0.125f));
            f.RotateX(-k * vf * vu * dt * (player ? 0.125f : 0.075f));
            if (player) TransformNormal(g_pPlayerGlider.Sight(), f.m_Matrix, sight);
        }
        const float g = o->m_fGrip * 8.0f;
        DampValue(&vf, dt, g, 1e10f);
        DampValue(&vs, dt, g, 1e10f);
    }
    o->m_vVelocity = f.m_vSide * vs + f.m_vForward * vf + f.m_vUp * vu;
    f.UpdateAxes();
    IsStateValid(o, "PreMove2");
}

bool CPhysics::Move(CDynamicObject* o, float dt)
{
    XTRACE("CPhysics::Move");
    if (!IsStateValid(o, "Move1")) return false;
    CObjectFrame& f = o->m_Frame;
    CVector p = o->GetPosition() + o->m_vVelocity * dt;
    if (o->m_bGroundFollowing)
    {
        f.UpdateAxes();
        const CVector offsets[5] = {CVector{}, f.m_vSide * o->m_fProbe1, -(f.m_vSide * o->m_fProbe1),
                                    f.m_vForward * o->m_fProbe2, -(f.m_vForward * o->m_fProbe2)};
        for (const CVector& offset : offsets)
        {
            const CVector q = p + offset;
            const float g = GetGroundHeight(&q, o);
            if (q.z - g >= 0.0f) continue;
            CVector n;
            GetMapLNormal(&n, &q, false);
            if (n.z >= 0.1f) p += n * (-(q.z - g) / n.z);
            const float vn = Dot(o->m_vVelocity, n);
            if (vn < 0.0f) o->m_vVelocity += n * (-vn * 1.5f);
        }
    }
    o->SetPosition(p);
    return IsStateValid(o, "Move2");
}
