#include "units/MissileObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "graphics/ModelManager.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/ExploObject.h"
#include "units/GliderObject.h"
#include "units/Gun.h"
#include "units/KindManagers.h"
#include "units/Mechanoid.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"
#include "world/Physics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr float kDegToRad = 0.017453292f;
constexpr char kDefaultName[] = "_DEFAULT_";

// An upper bound of the terrain height, water surfaces included, under p:
// the map's height bounds of the cell under p and of its neighbours in +x
// and +y (whose vertices close the cell's last row of triangles), and the
// highest water surface. A missile above it cannot meet the ground this
// frame, and the exact height (which walks the cell's full height data)
// need not be looked up. False outside the map.
bool TerrainCeiling(const CVector& p, float* out)
{
    const int ix = int(p.x * 0.1f), iy = int(p.y * 0.1f);
    if (p.x < 0.0f || p.y < 0.0f || ix >= g_Location.m_nWidth - 1 || iy >= g_Location.m_nHeight - 1) return false;
    const int cx = ix >> 6, cy = iy >> 6;
    float top = -1e30f;
    for (int y = cy; y <= cy + 1; ++y)
        for (int x = cx; x <= cx + 1; ++x)
            if (g_Location.IsInside(x, y)) top = std::max(top, g_Location.GetCell(x, y).m_vMax.z);
    for (const SWaterEntry& w : g_Location.m_Water)
        top = std::max(top, w.record.level);
    *out = top;
    return true;
}
} // namespace

CMissileObject::CMissileObject()
{
    m_nType = OBJ_MISSILE;
    m_fRadius = 1.0f;
    m_fMass = 0.0001f;
    // Moved by the object list's physics until it stops.
    m_bMoving = m_bPhysics = 1;
    m_bSphereCollider = 1;
    m_bPointCollider = 1;
    m_bCollidable = 0;
    // Told of what it hits by the collision pass: a hit is its explosion
    // (without the report it would only bounce off).
    m_bCollisionReport = 1;
    // Drawn (in the effect pass); kinds 1-3 also while out of view.
    m_bShown = 1;
    m_bDrawInvisible = 1;
    // Owner and target links are dropped when those objects go.
    m_bDeleteNotify = 1;
    m_fWobblePhase = g_Random.Random(6.2831853f);
}

CMissileObject::~CMissileObject()
{
    m_Tail.Done();
}

void CMissileObject::SetTailModel(std::int32_t model)
{
    m_bHasTail = model != -1;
    if (!m_bHasTail) return;
    m_Tail.Init(model, nullptr);
    m_Tail.SetParticlesMatrix(m_Frame.m_Matrix);
}

int CMissileObject::GetKind() const
{
    return m_pDesc ? m_pDesc->m_nKind : 0;
}

std::int32_t CMissileObject::GetTypeIndex() const
{
    std::int32_t index;
    std::memcpy(&index, m_TypeRef, sizeof index);
    return index;
}

void CMissileObject::Init(const CMatrix& placement, const STypeKey& type, std::uint32_t word)
{
    XTRACE("CMissileObject::Init");
    m_bActive = 1;
    m_Frame.SetMatrix(placement, true);
    m_vLaunch = m_Frame.m_vPosition;
    m_Frame.UpdateAxes();
    m_Frame.m_vForward = Normalize(m_Frame.m_vForward);
    m_Frame.m_vSide = Normalize(m_Frame.m_vSide);
    m_Frame.m_vUp = Normalize(m_Frame.m_vUp);
    m_Frame.RebuildMatrix();

    const std::int32_t index = type.Index();
    std::memcpy(m_TypeRef, &index, sizeof index);
    m_pDesc = g_MissileManager.Param(index);
    static const SMissileParameters kNone;
    const SMissileParameters& t = m_pDesc ? *m_pDesc : kNone;

    // The direction axis is the third column of the placement.
    const CVector dir{placement.m[0][2], placement.m[1][2], placement.m[2][2]};
    m_vVelocity = dir * t.m_fSpeed;
    if (std::isnan(m_vVelocity.x)) g_ErrorLog.LogError("Invalid missile speed (code 0x01)");

    m_fMass = t.m_fWeight;
    m_fForwardFriction = m_fRisingFriction = m_fFallingFriction = m_fSideFriction = t.m_fResistance;

    // The body model's size sizes the rockets, bombs, mines and model kinds.
    const float modelScale =
        g_pModelManager && m_pDesc ? g_pModelManager->GetModelScale(t.GetModelId()) : 1.0f;
    switch (t.m_nKind)
    {
    case KIND_PLASMA:
        m_fRadius = t.m_fScale * 0.5f;
        break;
    case KIND_ROCKET:
        m_bPointCollider = 0;
        m_fRadius = modelScale * 1.25f;
        m_bLevelling = 1;
        m_fSteeringResponse = t.m_fRotate != 0.0f ? t.m_fRotate * kDegToRad : kDefaultTurn;
        m_bKindByte2 = 1;
        m_fDrive = t.m_fWeight * t.m_fWobble;
        break;
    case KIND_HAOS:
        m_Frame.UpdateAxes();
        m_bPointCollider = 0;
        break;
    case KIND_BOMB:
        m_bPointCollider = 0;
        m_bCollidable = 1;
        m_fRadius = modelScale * 1.25f;
        m_fMass = t.m_fWeight;
        m_bGravity = 1;
        break;
    case KIND_IMPULSE:
        m_fRadius = t.m_fScale;
        break;
    case KIND_PARTICLE:
        m_fRadius = t.m_fScale;
        m_bGravity = 1;
        m_bGroundFollowing = 1;
        m_bSteering = m_bLevelling = m_bGrip = 0;
        m_Smoke.Init(2, 500, &m_Frame.m_vPosition, 1.0f, 1.0f, 8.0f, -0.5f);
        // The puffs drift apart by up to 2 either way.
        m_Smoke.m_fWobbleAmplitude = 2.0f;
        break;
    case KIND_IMPULSE2:
        m_bGravity = 1;
        break;
    case KIND_SPHERE:
        m_bCollidable = 0;
        m_fRadius = t.m_fScale * 0.5f;
        break;
    case KIND_MINE:
        m_bPointCollider = 0;
        m_bCollidable = 1;
        m_bSphereCollider = 1;
        m_bActive = 0;
        m_fRadius = 2.0f * modelScale;
        m_bGravity = 1;
        m_bDetonating = 0;
        m_fCountdown = t.m_fDetonationDelay;
        break;
    case KIND_MODEL:
        m_bPointCollider = 1;
        m_fRadius = modelScale;
        break;
    default:
        break;
    }
    SetTailModel(t.m_iTailModel);
    m_fFade = 0.5f;
    m_fStrength = t.m_fStrength;
    m_bDamageable = m_fStrength > 0.0f;
    m_fLifeTime = t.m_fLifeTime;
    m_fDirectHit = g_MissileManager.GetAddDirectHit(index, word);
}

void CMissileObject::ReInitFromType()
{
    Init(m_Frame.m_Matrix, STypeKey(GetTypeIndex()), 0);
}

void CMissileObject::LoadInit()
{
    if (!m_OwnerName[0]) return;
    for (CMMObject* o : g_ObjectList.m_Objects)
    {
        if (o->m_nType != OBJ_GLIDER || !o->m_bAlive) continue;
        auto* glider = dynamic_cast<CGliderObject*>(o);
        if (glider && glider->m_pMechanoid &&
            SameName(glider->m_pMechanoid->m_szName, m_OwnerName))
        {
            m_pOwner = glider;
            return;
        }
    }
}

void CMissileObject::SetOwner(CMMObject* owner)
{
    m_pOwner = owner;
    RefreshOwnerName();
}

void CMissileObject::SetTarget(CMMObject* target)
{
    m_pTarget = target;
    m_bHasTarget = target != nullptr;
}

void CMissileObject::RefreshOwnerName()
{
    auto* glider = dynamic_cast<CGliderObject*>(m_pOwner);
    if (glider && glider->m_pMechanoid)
        std::memcpy(m_OwnerName, glider->m_pMechanoid->m_szName, sizeof m_OwnerName);
}

void CMissileObject::Advance(float t)
{
    if (!std::isfinite(m_vVelocity.x) || !std::isfinite(m_vVelocity.y) || !std::isfinite(m_vVelocity.z))
        return;
    SetPosition(m_Frame.m_vPosition + m_vVelocity * t);
}

void CMissileObject::Run()
{
    XTRACE("CMissileObject::Run");
    if (!m_bAlive) return;
    const float dt = g_FrameTimer.GetFrameTime();
    // A NaN course would carry the missile on for ever: end it.
    if (std::isnan(m_vVelocity.x) || std::isnan(m_vVelocity.y) || std::isnan(m_vVelocity.z))
    {
        g_ErrorLog.LogError("Invalid missile speed (code 0x01): missile %d ended", m_nObjectNumber);
        g_ObjectList.DeleteObject(this);
        return;
    }
    m_fAge += dt;
    m_fLifeTime = std::max(0.0f, m_fLifeTime - dt);
    const float far = 10.0f * float(g_Settings.VisibleRadius);
    if ((m_Frame.m_vPosition - g_ViewCamera.m_vPosition).LengthSq() > far * far) m_bActive = 0;
    if (m_bHasTail)
    {
        m_Tail.SetParticlesMotion(m_Frame.m_Matrix, dt);
        m_Tail.UpdateParticles(dt);
        // The trail stays visible while the missile itself is out of view.
        SPartSphere& sphere = m_PartSpheres[0];
        m_Tail.GetParticlesBounds(&sphere.m_vCentre, &sphere.m_fRadius);
        sphere.m_bUsed = sphere.m_fRadius > 0.0f;
        m_nPartSpheres = 1;
    }

    RunKind(dt);
    if (!m_bAlive) return;

    const int kind = GetKind();
    if (!m_bActive && (kind != KIND_MINE || m_bDetonating))
    {
        if (kind == KIND_MINE) return;
        if (kind == KIND_PLASMA)
        {
            m_fFade -= dt;
            if (m_fFade < 0.0f) g_ObjectList.DeleteObject(this);
            return;
        }
        if (m_bHasTail && m_Tail.HasParticles())
        {
            // The trail drifts on and fades before the missile goes.
            m_Tail.StopParticles();
            if (!m_Tail.AreParticlesFinished()) return;
        }
        g_ObjectList.DeleteObject(this);
        return;
    }
    if (kind == KIND_MINE && m_bActive) return;
    TerrainTest(dt);
}

void CMissileObject::RunKind(float dt)
{
    if (!m_pDesc) return;
    const SMissileParameters& t = *m_pDesc;
    switch (t.m_nKind)
    {
    case KIND_ROCKET:
        if (m_bActive) Homing();
        break;
    case KIND_HAOS:
        if (t.m_fRotate == 0.0f && t.m_fWobble != 0.0f)
        {
            m_vSteps = CVector{g_Random.Random(2.0f) - 1.0f, g_Random.Random(2.0f) - 1.0f,
                               g_Random.Random(2.0f) - 1.0f} *
                       t.m_fWobble;
        }
        else if (t.m_fRotate != 0.0f)
        {
            m_Frame.UpdateAxes();
            const float a = t.m_fRotate * m_fAge + m_fWobblePhase + 3.14159265f;
            m_vSteps = (m_Frame.m_vUp * std::cos(a) + m_Frame.m_vForward * std::sin(a)) * t.m_fWobble;
        }
        break;
    case KIND_BOMB:
        if (!m_bActive) break;
        if (t.m_nSubKind == 2)
        {
            m_fLifeTime = 1.0f;
            CVector n{0.0f, 0.0f, 1.0f};
            if (g_pPhysics) g_pPhysics->GetMapLNormal(&n, &m_Frame.m_vPosition, false);
            const float nv = Dot(n, m_vVelocity);
            if (nv < 0.0f)
            {
                m_vVelocity = m_vVelocity - n * (2.0f * nv);
                m_vVelocity *= n.z >= 0.9f ? 0.5f : 0.9f;
                if (std::isnan(m_vVelocity.x)) g_ErrorLog.LogError("Invalid missile speed (code 0x02)");
            }
        }
        else if (t.m_nSubKind == 3)
        {
            if (m_vVelocity.z < -5.0f && 10.0f - m_fLifeTime > 2.0f)
            {
                if (!IsNetworkCopy(this)) SplitMissile(t.m_nSubCount, 20.0f, t.m_iSubMissile);
                m_bActive = 0;
            }
        }
        break;
    case KIND_PARTICLE:
    {
        const bool aboutZ = (g_Random.Next() >> 8) & 1;
        const float angle = float(g_Random.RandomInt(100) - 50) * 0.001f;
        CMatrix turn(1.0f);
        if (aboutZ)
            turn.SetRotationZ(angle);
        else
            turn.SetRotationX(angle);
        VectorTransformNormal(&m_vVelocity, &turn, &m_vVelocity);
        if (std::isnan(m_vVelocity.x)) g_ErrorLog.LogError("Invalid missile speed (code 0x01)");
        // Its smoke trail: puffs laid along the way it flew, ageing after.
        if (m_bActive)
        {
            const CVector& p = m_Frame.m_vPosition;
            m_Smoke.Emit(p.x, p.y, p.z, 1.0f, 0xFFFFFFu, CVector{0.0f, 0.0f, 1.0f});
        }
        m_Smoke.Run(dt);
        break;
    }
    case KIND_MINE:
    {
        m_vR = CVector{5.0f, 5.0f, 5.0f};
        if (m_bActive && !m_bDetonating)
        {
            SRadiusResult gliders;
            CObjectList::GetObjectsInRadius(&m_Frame.m_vPosition, t.m_fDetonationDistance, OBJ_GLIDER,
                                            &gliders);
            if (!m_pOwner) LoadInit();
            bool trigger = false;
            for (int i = 0; i < gliders.count; ++i)
                if (gliders.objects[i] != m_pOwner) trigger = true;
            if (!trigger)
            {
                SRadiusResult flyers;
                CObjectList::GetObjectsInRadius(&m_Frame.m_vPosition, t.m_fDetonationDistance, OBJ_FLYTEH,
                                                &flyers);
                trigger = flyers.count > 0 || m_fLifeTime == 0.0f;
            }
            if (trigger)
            {
                m_bDetonating = 1;
                m_bActive = 0;
                if (g_pSoundManager)
                {
                    const CVector& p = m_Frame.m_vPosition;
                    const CVector& l = g_ViewCamera.m_vPosition;
                    const float at[3] = {p.x, p.y, p.z};
                    const float listener[3] = {l.x, l.y, l.z};
                    g_pSoundManager->Play3DMotionless("SND_GUN_LANDMINE_ALERT", at, listener, true);
                }
            }
            if (m_bActive) return;
        }
        if (m_bDetonating)
        {
            m_fCountdown -= dt;
            if (m_fCountdown <= 0.0f)
            {
                m_fCountdown = 0.0f;
                m_bDetonating = 0; // so that Explosion sees it unexploded
                Explosion(0);
                g_ObjectList.DeleteObject(this);
            }
        }
        break;
    }
    case KIND_MODEL:
        DampValue(&m_fRadius, dt, 0.1f, 1e10f);
        break;
    default:
        break;
    }
}

void CMissileObject::TerrainTest(float dt)
{
    const bool water = GetKind() != KIND_MINE;
    const CVector pos = m_Frame.m_vPosition;
    const float reach = 100.0f * dt + 5.0f;
    float ceiling;
    // High above the ground neither test below can hit: only the lifetime counts.
    const bool clear = TerrainCeiling(pos, &ceiling) && pos.z - reach >= ceiling;
    const float h = clear ? ceiling : g_Location.GetHeight(pos, water);
    if (pos.z < h)
    {
        CVector hit;
        const CVector from = pos - m_vVelocity * g_FrameTimer.GetPrevFrameTime();
        if (!g_Location.GetSegmentIntersection(from, pos, &hit, water)) hit = CVector{pos.x, pos.y, h};
        HitGround(hit);
        return;
    }
    if (pos.z - reach < h)
    {
        m_Frame.UpdateAxes();
        const float speed = m_vVelocity.Length();
        const CVector back{-m_Frame.m_Matrix.m[0][2], -m_Frame.m_Matrix.m[1][2], -m_Frame.m_Matrix.m[2][2]};
        CVector hit;
        if (speed * dt > 0.0f && g_Location.GetRayIntersection(pos, Normalize(back), speed * dt, &hit, water))
        {
            HitGround(hit);
            return;
        }
    }
    if (m_fLifeTime == 0.0f)
    {
        Stop();
        const int kind = GetKind();
        if (kind == KIND_ROCKET || kind == KIND_BOMB || kind == KIND_MINE) Explosion(1);
    }
}

void CMissileObject::HitGround(const CVector& point)
{
    SetPosition(point);
    if (GetKind() == KIND_MINE && m_vSteps.LengthSq() == 0.0f)
    {
        m_bMoving = m_bPhysics = 0;
        m_bActive = 1; // armed
        if (m_bHasTail) m_Tail.StopParticles();
        return;
    }
    const bool onWater = g_Location.GetHeight(point, true) != g_Location.GetHeight(point, false);
    Explosion(onWater ? 2 : 0);
    Stop();
}

void CMissileObject::Stop()
{
    m_vVelocity = CVector{};
    m_fDrive = 0.0f;
    m_bMoving = m_bPhysics = 0;
    m_bActive = 0;
}

void CMissileObject::Homing()
{
    if (!m_pTarget) return;
    if (m_bClimb) m_vVelocity.z = 700.0f;
    const CVector d = m_pTarget->GetPosition() - m_Frame.m_vPosition;
    const float D = d.Length();
    if (D > 1.0f)
    {
        const CVector u = d * (1.0f / D);
        const CMatrix& m = m_Frame.m_Matrix;
        float a = (m.m[0][0] * u.x + m.m[1][0] * u.y + m.m[2][0] * u.z) * 1000.0f;
        float b = (m.m[0][1] * u.x + m.m[1][1] * u.y + m.m[2][1] * u.z) * 10000.0f;
        a = std::clamp(a, -1.0f, 1.0f);
        b = std::clamp(b, -1.0f, 1.0f);
        SetRotationX(-a);
        SetRotationY(-b);
    }
    const SMissileParameters& t = *m_pDesc;
    const float gap = D - m_pTarget->m_fRadius;
    if (t.m_nSubKind == 3 || t.m_nSubKind == 4)
    {
        if (gap < t.m_fDetonationDistance && t.m_fLifeTime - m_fLifeTime >= t.m_fDetonationDelay)
        {
            SplitMissile(t.m_nSubCount, 60.0f, t.m_iSubMissile);
            m_bActive = 0;
        }
    }
    else if (gap < t.m_fDetonationDistance && Dot(d, m_vVelocity) < 0.0f)
    {
        Explosion(0);
        m_bActive = 0;
    }
}

bool CMissileObject::SetColissionObject(CMMObject* other, CVector, CVector)
{
    if (!other || !m_pDesc) return false;
    // Damage may kill; the hit moves the missile and explodes. Arming a mine
    // changes nothing the collision pass keeps.
    bool changed = other->m_bDamageable != 0;
    if (other->m_bDamageable)
        other->Damage(m_pDesc->m_fDamage + m_fDirectHit, m_Frame.m_vPosition, 1, m_pOwner,
                      m_pDesc->m_nDamageType - 1, m_nWeaponKind);
    const int kind = GetKind();
    if (kind != KIND_MINE)
    {
        const float dt = g_FrameTimer.GetFrameTime();
        const float speed = m_vVelocity.Length();
        const CVector p0 = m_Frame.m_vPosition - m_vVelocity * (2.0f * dt);
        CVector at = p0;
        if (speed > 0.0f)
        {
            const CVector dir = m_vVelocity * (1.0f / speed);
            const float t =
                other->m_bSphereCollider
                    ? CObjectList::TestRaySphere(&p0, &dir, 6.0f * dt * speed, other, false)
                    : CObjectList::GetRayIntersectionPolygon(&p0, &dir, 6.0f * dt * speed, other, false);
            at = p0 + dir * std::max(t, 0.0f);
        }
        SetPosition(at);
        const bool cluster = (kind == KIND_ROCKET || kind == KIND_BOMB) &&
                             (m_pDesc->m_nSubKind == 3 || m_pDesc->m_nSubKind == 4);
        Explosion(cluster ? 1 : 0);
        Stop();
        changed = true;
    }
    else if (other->m_nType == OBJ_GLIDER || other->m_nType == OBJ_FLYTEH)
    {
        m_bActive = 1;
    }
    return changed;
}

void CMissileObject::Explosion(int choice)
{
    XTRACE("CMissileObject::Explosion");
    std::int32_t type = -1;
    if (choice == 0)
        type = m_pDesc ? m_pDesc->m_iExplo : -1;
    else
        type = g_ExploManager.FindName(choice == 1 ? "EXP_DEFAULT" : "EXP_WATER");
    if (choice == 2)
    {
        const CVector p = m_Frame.m_vPosition;
        m_Frame.SetMatrix(CMatrix(1.0f), false);
        SetPosition(p);
    }
    if (HasExploded()) return;
    // Even without an explosion type the missile counts as exploded: it
    // must not try again.
    m_bDetonating = 1;
    m_fCountdown = 0.0f;
    if (type < 0) return;
    CExploObject* explo = static_cast<CExploObject*>(g_ExploManager.CreateObject(type, m_Frame.m_Matrix));
    if (!explo) return;
    explo->m_nWeaponKind = m_nWeaponKind;
    explo->m_pOwner = m_pOwner;
    explo->m_bNetwork = m_bNetwork;
    explo->m_bLocal = m_bLocal;
}

void CMissileObject::SplitMissile(int count, float spread, std::int32_t subType)
{
    XTRACE("CMissileObject::SplitMissile");
    if (g_MissileManager.Param(subType))
        for (int i = 0; i < count; ++i)
        {
            CMissileObject* child = static_cast<CMissileObject*>(
                g_MissileManager.CreateMissile(subType, m_Frame.m_Matrix, nullptr, 0));
            child->m_nWeaponKind = m_nWeaponKind;
            const DefaultManager* models = g_pModelManager;
            const std::int32_t tail = models ? models->FindName("MOD_FX_CLUSTER_SPLINTER_SMOKE") : -1;
            if (tail != -1) child->SetTailModel(tail);
            g_Random.Next();
            g_Random.Next();
            g_Random.Next();
            const float r = float(g_Random.GetState() % 10000) * 0.0002f;
            child->m_vVelocity =
                CVector{m_vVelocity.x + (r - 1.0f) * spread, m_vVelocity.y + (r - 1.0f) * spread, r * spread};
            if (std::isnan(child->m_vVelocity.x)) g_ErrorLog.LogError("Invalid missile speed (code 0x03)");
            child->m_pOwner = m_pOwner;
            std::memcpy(child->m_OwnerName, m_OwnerName, sizeof m_OwnerName);
            child->m_pTarget = m_pTarget;
            child->m_bHasTarget = 1;
            child->m_bNetwork = m_bNetwork;
            child->m_bLocal = m_bLocal;
            if (child->m_bLocal) g_ObjectList.AddNetObject(child);
        }
    Explosion(0);
}

void CMissileObject::Damage(float amount, CVector, int, CMMObject*, int, int)
{
    const bool mine = GetKind() == KIND_MINE;
    if (!(m_fStrength > 0.0f) || (mine && !m_bActive)) return;
    m_fStrength -= amount;
    if (m_fStrength > 0.0f) return;
    m_bDamageable = 0;
    m_bMoving = m_bPhysics = 0;
    m_bActive = 0;
    if (!mine)
    {
        Explosion(0);
    }
    else
    {
        m_bDetonating = 1;
        m_fCountdown = 0.0f;
    }
}

void CMissileObject::ProcessDelete(CMMObject* deleted)
{
    if (deleted == m_pOwner)
    {
        RefreshOwnerName();
        m_pOwner = nullptr;
    }
    if (deleted == m_pTarget) SetTarget(nullptr);
}

void CMissileObject::WriteNetDescriptor(void* buffer, int* size)
{
    CDynamicObject::WriteNetDescriptor(buffer, size);
    auto* out = static_cast<std::uint8_t*>(buffer) + *size;
    const std::uint32_t ownerId = m_pOwner ? m_pOwner->m_nNetId : 0;
    std::memcpy(out, &ownerId, 4);
    out[4] = m_bActive;
    *size += kNetExtraSize;
    m_bChanged = 0;
}

void CMissileObject::ReadNetDescriptor(const void* buffer, int* size)
{
    CDynamicObject::ReadNetDescriptor(buffer, size);
    const auto* in = static_cast<const std::uint8_t*>(buffer) + *size;
    std::uint32_t ownerId;
    std::memcpy(&ownerId, in, 4);
    m_bActive = in[4];
    if (!m_pOwner && ownerId != 0) m_pOwner = g_ObjectList.FindNetObject(int(ownerId));
    *size += kNetExtraSize;
}

void CMissileObject::SaveGame(CMemStream& stream)
{
    CDynamicObject::SaveGame(stream);
    RefreshOwnerName();
    const std::uint32_t version = kSaveVersion;
    stream.Write(&version, 4);
    char name[32] = {};
    const char* typeName = GetTypeIndex() >= 0 && GetTypeIndex() < g_MissileManager.m_nCount
                               ? g_MissileManager.GetName(GetTypeIndex())
                               : nullptr;
    CopyName(name, typeName ? typeName : kDefaultName);
    stream.Write(name, 32);
    stream.Write(m_OwnerName, 32);
    stream.Write(&m_fStrength, 4);
    stream.Write(&m_bDetonating, 1);
    stream.Write(&m_fCountdown, 4);
    stream.Write(&m_fDirectHit, 4);
    stream.Write(&m_fLifeTime, 4);
    stream.Write(&m_fAge, 4);
    stream.Write(&m_dwSpare, 4);
    stream.Write(&m_bActive, 1);
    stream.Write(&m_nWeaponKind, 4);
    stream.Write(&m_vVelocity, sizeof(CVector));
}

void CMissileObject::LoadGame(CMemStream& stream)
{
    XTRACE("CMissileObject::LoadGame");
    CDynamicObject::LoadGame(stream);
    std::uint32_t version = 0;
    ReadStreamBytes(stream, &version, 4, "missile record version");
    if (version < 1 || version > kSaveVersion) throw CObjectStreamError("missile record: unknown version");
    char name[33] = {};
    ReadStreamBytes(stream, name, 32, "missile type name");
    char owner[32] = {};
    if (version > 1) ReadStreamBytes(stream, owner, 32, "missile owner name");
    // Fixed part after the names: strength .. weapon kind (30 bytes).
    std::uint8_t rec[30];
    ReadStreamBytes(stream, rec, sizeof rec, "missile state");
    CVector velocity;
    if (version >= 3) ReadStreamBytes(stream, &velocity, sizeof velocity, "missile velocity");

    float strength, countdown, bonus, life;
    std::memcpy(&strength, rec + 0, 4);
    const std::uint8_t detonating = rec[4];
    std::memcpy(&countdown, rec + 5, 4);
    std::memcpy(&bonus, rec + 9, 4);
    std::memcpy(&life, rec + 13, 4);
    std::memcpy(&m_fAge, rec + 17, 4);
    std::memcpy(&m_dwSpare, rec + 21, 4);
    const std::uint8_t active = rec[25];
    std::memcpy(&m_nWeaponKind, rec + 26, 4);
    std::memcpy(m_OwnerName, owner, sizeof m_OwnerName);

    Init(m_Frame.m_Matrix, STypeKey(g_MissileManager.FindName(name)), 0);
    if (version >= 3)
    {
        // A newer record carries the flight state that Init would reset.
        m_fStrength = strength;
        m_bDamageable = m_pDesc && m_pDesc->m_fStrength > 0.0f;
        m_fDirectHit = bonus;
        m_fLifeTime = life;
        m_bDetonating = detonating;
        m_fCountdown = countdown;
        m_bActive = active;
        m_vVelocity = velocity;
    }
}
