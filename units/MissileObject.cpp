#include "units/MissileObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "units/GliderObject.h"
#include "units/KindManagers.h"
#include "units/Mechanoid.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr float kDegToRad = 0.017453292f;
constexpr char kDefaultName[] = "_DEFAULT_";
} // namespace

CMissileObject::CMissileObject()
{
    m_nType = OBJ_MISSILE;
    m_fRadius = 1.0f;
    m_fMass = 0.0001f;
    m_bMoving = 1;
    m_bSphereCollider = 1;
    m_bPointCollider = 1;
    m_bCollidable = 0;
    // Owner and target links are dropped when those objects go.
    m_bDeleteNotify = 1;
    m_fWobblePhase = g_Random.Random(6.2831853f);
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

    // No model scales are known here yet: the model manager's scale is 1.0.
    const float modelScale = 1.0f;
    switch (t.m_nKind)
    {
    case KIND_PLASMA: m_fRadius = t.m_fScale * 0.5f; break;
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
    case KIND_IMPULSE: m_fRadius = t.m_fScale; break;
    case KIND_PARTICLE:
        m_fRadius = t.m_fScale;
        m_bGravity = 1;
        m_bGroundFollowing = 1;
        m_bSteering = m_bLevelling = m_bGrip = 0;
        break;
    case KIND_IMPULSE2: m_bGravity = 1; break;
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
    default: break;
    }
    m_bHasTail = t.m_iTailModel != -1;
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
    if (!std::isfinite(m_vVelocity.x) || !std::isfinite(m_vVelocity.y) || !std::isfinite(m_vVelocity.z)) return;
    SetPosition(m_Frame.m_vPosition + m_vVelocity * t);
}

void CMissileObject::Run()
{
    XTRACE("CMissileObject::Run");
    if (!m_bAlive) return;
    const float dt = g_FrameTimer.GetFrameTime();
    // A NaN course would carry the missile nowhere for ever: end it.
    if (std::isnan(m_vVelocity.x) || std::isnan(m_vVelocity.y) || std::isnan(m_vVelocity.z))
    {
        g_ErrorLog.LogError("Invalid missile speed (code 0x01): missile %d ended", m_nObjectNumber);
        g_ObjectList.DeleteObject(this);
        return;
    }
    m_fAge += dt;
    if (m_bDetonating) return;
    m_fLifeTime -= dt;
    if (m_fLifeTime <= 0.0f) Explode();
}

void CMissileObject::Explode()
{
    // Explodes once; the explosion object itself comes later.
    if (m_bDetonating) return;
    m_bDetonating = 1;
    m_bActive = 0;
    g_ObjectList.DeleteObject(this);
}

void CMissileObject::Damage(float amount, CVector, int, CMMObject*, int, int)
{
    if (!m_bDamageable || m_bDetonating) return;
    m_fStrength -= amount;
    if (m_fStrength <= 0.0f) Explode();
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
    std::strncpy(name, typeName ? typeName : kDefaultName, sizeof name - 1);
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
