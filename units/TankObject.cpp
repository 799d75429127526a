#include "units/TankObject.h"
#include "world/ModelDraw.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "location/EffectRenderManager.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

using namespace plat::d3d;

CTankManager g_TankManager;

namespace
{
constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kDegree = kPi / 180.0f;

std::int32_t ModelId(const char* record, const char* key)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, key, name, sizeof name);
    if (!g_pModelManager) return -1; // no model list to look in (tools, tests)
    const std::int32_t id = name[0] ? g_pModelManager->FindName(name) : -1;
    if (id < 0) g_ErrorLog.LogError("CTankManager::Init Model not found: %s", name);
    return id;
}

std::int32_t SoundId(const char* record, const char* key)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, key, name, sizeof name);
    return g_pSoundManager && name[0] ? g_pSoundManager->FindName(name) : -1;
}
} // namespace

// --- CTankManager ------------------------------------------------------------

bool CTankManager::Init(const char* section)
{
    XTRACE("CTankManager::Init");
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        STankType& t = m_Kinds[std::size_t(i)];
        const char* name = GetName(i);
        t.m_nGunModel = ModelId(name, "GUN_MODEL");
        t.m_nHullModel = ModelId(name, "HULL_MODEL");
        SObjectTypeHeader::SetId(t.Model, t.m_nHullModel);
        char gun[32] = {};
        g_ResourceDB.GetStringField(name, "FIGHTING_GUN", gun, sizeof gun);
        t.m_nFightingGun = gun[0] ? g_GunManager.FindName(gun) : -1;
        t.m_nEffectSound = SoundId(name, "EFFECT_SOUND");
        t.m_nIdleSound = SoundId(name, "IDLE_SOUND");
        t.m_fTurnRate = kPi / 4.0f;
        t.m_fRotateAngle = g_ResourceDB.GetFloatField(name, "ROTATE_ANGLE", 0.0f) * kDegree;
        t.m_fAngleUp = g_ResourceDB.GetFloatField(name, "ANGLE_UP", 0.0f) * kDegree;
        t.m_fAngleDown = g_ResourceDB.GetFloatField(name, "ANGLE_DOWN", 0.0f) * kDegree;
        InitTank(i);
    }
    return ok;
}

void CTankManager::InitTank(std::int32_t index)
{
    XTRACE("CTankManager::InitTank");
    STankType* t = GetKindForEdit(index);
    if (!t) return;
    t->m_nMuzzlePart = FindModelPart(t->m_nGunModel, "FX", &t->m_MuzzleTrans, &t->m_bMuzzleGeometry);
    t->m_vPivot = PartMinCorner(t->m_nHullModel, "PIVOT");
}

CMMObject* CTankManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    XTRACE("CTankManager::CreateObject");
    auto* tank = new CTankObject;
    tank->Init(*placement, typeName, gameId);
    g_ObjectList.AddObject(tank);
    return tank;
}

// --- CTankObject -------------------------------------------------------------

CTankObject::CTankObject()
{
    m_nType = OBJ_TANK;
    m_bMoving = 1;
    m_bCollidable = 1;
    m_bShown = 1;
    m_bDeleteNotify = 1;
    m_fIdleTimer = g_Random.Random(60.0f);
}

CTankObject::~CTankObject() = default;

void CTankObject::Init(const CMatrix& placement, const char* typeName, const char* gameId)
{
    XTRACE("CTankObject::Init");
    const CMatrix m = RemoveScale(placement);
    SetMatrix(m);
    CMatrix::InvertRotation(m, m_Frame2.m_Matrix);
    std::snprintf(m_szTypeName, sizeof m_szTypeName, "%s", typeName ? typeName : "");
    std::memcpy(m_TypeRef, m_szTypeName, sizeof m_TypeRef);
    if (gameId) std::snprintf(m_szGameId, sizeof m_szGameId, "%s", gameId);
    const std::int32_t index = g_TankManager.FindName(m_szTypeName);
    m_pKind = index >= 0 ? g_TankManager.GetKind(index) : nullptr;
    m_pType = m_pKind;
    m_Laying.m_fYaw = BaseYaw();
    if (!m_pKind) return;
    m_fRadius = std::max(ModelRadius(m_pKind->m_nHullModel), ModelRadius(m_pKind->m_nGunModel));
    if (m_pKind->m_nFightingGun >= 0)
    {
        m_Gun.Assign(STypeKey(m_pKind->m_nFightingGun), 0);
        m_Gun.m_bMounted = 1;
        m_Gun.m_pOwner = this;
    }
}

float CTankObject::BaseYaw() const
{
    const CMatrix& m = m_Frame.m_Matrix;
    return kPi / 2.0f - std::atan2(m.m[0][0], m.m[1][0]);
}

bool CTankObject::InRange(const CMMObject* object) const
{
    return object && (object->GetPosition() - GetPosition()).LengthSq() < kRange * kRange;
}

void CTankObject::Run()
{
    XTRACE("CTankObject::Run");
    const float r = GetViewRange();
    if ((GetPosition() - g_ViewCamera.m_vPosition).LengthSq() > r * r) return;
    const float dt = g_FrameTimer.GetFrameTime();
    m_fIdleTimer -= dt;
    if (m_fIdleTimer <= 0.0f)
    {
        m_fIdleTimer = g_Random.Random(60.0f);
        if (m_pKind) PlayMotionless(m_pKind->m_nIdleSound, GetPosition());
    }
    if (m_pTarget)
    {
        const auto* glider = dynamic_cast<const CGliderObject*>(m_pTarget);
        if (!InRange(m_pTarget) || (glider && glider->m_bDestroyed))
        {
            m_pTarget = nullptr;
            m_bLocked = 0;
        }
    }
    if (!m_bLocked) SearchTarget();
    if (m_pTarget) RotateBarrel();
    if (m_Gun.m_bMounted) m_Gun.Run();
}

void CTankObject::SearchTarget()
{
    XTRACE("CTankObject::SearchTarget");
    m_pTarget = nullptr;
    SRadiusResult found;
    const CVector at = GetPosition();
    CObjectList::GetObjectsInRadius(&at, kRange, OBJ_GLIDER, &found);
    float best = kMinSpeed * kMinSpeed;
    for (int i = 0; i < found.count; ++i)
    {
        auto* glider = dynamic_cast<CGliderObject*>(found.objects[i]);
        if (!glider || glider->m_bDestroyed) continue;
        const float speedSq = glider->m_vVelocity.LengthSq();
        if (speedSq < best) continue;
        best = speedSq;
        m_pTarget = glider;
    }
}

void CTankObject::Damage(float, CVector, int, CMMObject* attacker, int, int)
{
    if (m_bLocked || !attacker || attacker->m_nType != OBJ_GLIDER || !InRange(attacker)) return;
    m_bLocked = 1;
    m_pTarget = attacker;
}

void CTankObject::ProcessDelete(CMMObject* deleted)
{
    if (deleted != m_pTarget) return;
    m_pTarget = nullptr;
    m_bLocked = 0;
}

float CTankObject::PitchFraction() const
{
    if (!m_pKind) return 0.0f;
    const float span = m_pKind->m_fAngleUp - m_pKind->m_fAngleDown;
    return span != 0.0f ? (m_Laying.m_fPitch - m_pKind->m_fAngleDown) / span : 0.0f;
}

void CTankObject::RotateBarrel()
{
    XTRACE("CTankObject::RotateBarrel");
    if (!m_pKind) return;
    const float dt = g_FrameTimer.GetFrameTime();
    if (m_fPause == 0.0f)
    {
        m_fHullPhase += dt * m_fHullDirection * 0.5f;
        if (m_fHullPhase >= 1.0f || m_fHullPhase <= 0.0f)
        {
            m_fHullPhase = m_fHullPhase >= 1.0f ? 1.0f : 0.0f;
            m_fHullDirection = m_fHullPhase >= 1.0f ? -1.0f : 1.0f;
            m_fPause = g_Random.Random(5.0f);
        }
    }
    else
    {
        m_fPause = std::max(0.0f, m_fPause - dt);
        if (m_fPause == 0.0f) PlayMotionless(m_pKind->m_nEffectSound, GetPosition());
    }
    DampLaying(m_Laying, dt);
    if (!m_pTarget) return;
    CVector d = GetPosition() - m_pTarget->GetPosition();
    d.z += m_pKind->m_vPivot.z;
    const float r = m_pKind->m_fTurnRate;
    const float yawError = StepYaw(m_Laying, d, r, dt, kTankGains);
    const float base = BaseYaw();
    const float limit = std::fabs(m_pKind->m_fRotateAngle);
    m_Laying.m_fYaw = base + std::clamp(WrapPi(m_Laying.m_fYaw - base), -limit, limit);
    const float pitchError =
        StepPitch(m_Laying, d, r, dt, m_pKind->m_fAngleDown, m_pKind->m_fAngleUp, kTankGains);
    if (std::fabs(yawError) < kFireError && std::fabs(pitchError) < kFireError) Fire();
}

CMatrix CTankObject::PivotMatrix() const
{
    CVector pivot;
    const CVector local = m_pKind ? m_pKind->m_vPivot : CVector{};
    VectorTransformCoord(&pivot, &m_Frame.m_Matrix, &local);
    return YawMatrix(m_Laying.m_fYaw, pivot);
}

void CTankObject::Fire()
{
    XTRACE("CTankObject::Fire");
    if (!m_pTarget || !m_pKind || !m_Gun.m_bMounted) return;
    const CMatrix yaw = PivotMatrix();
    const std::int32_t part = m_pKind->m_bMuzzleGeometry ? m_pKind->m_nMuzzlePart : -1;
    const CMatrix mount =
        MuzzleMount(m_pKind->m_nGunModel, part, m_pKind->m_MuzzleTrans, PitchFraction(), CVector{});
    const CVector local{mount.m[3][0], mount.m[3][1], mount.m[3][2]};
    CVector muzzle;
    VectorTransformCoord(&muzzle, &yaw, &local);
    CVector direction = m_pTarget->GetPosition() - muzzle;
    const float distance = direction.Length();
    if (distance > 0.0f) direction = direction * (1.0f / distance);
    {
        XTRACE("CTankObject::Fire - bFlag1");
        if (!IsShotClear(muzzle, direction, distance, this, m_pTarget)) return;
    }
    XTRACE("CTankObject::Fire - bFlag2");
    m_Gun.Fire(&yaw, mount, direction, 0, 1.0f);
}

void CTankObject::Draw()
{
    XTRACE("CTankObject::Draw");
    if (!m_pKind) return;
    g_LightWare.SetLights(GetPosition(), m_fRadius);
    const float level = g_Location.m_nCellsX > 0 ? g_Location.GetBrightnessAt(GetPosition()) : 1.0f;
    if (CComplexObject* hull = GetComplexModel(m_pKind->m_nHullModel))
    {
        SetWorldTransform(m_Frame.m_Matrix);
        float state[4] = {m_fHullPhase, 0.0f, 0.0f, 0.0f};
        hull->SetColor(level, level, level, 1.0f);
        hull->Render(state, 0, -1);
        hull->ResetColor();
    }
    const CMatrix yaw = PivotMatrix();
    if (CComplexObject* gunModel = GetComplexModel(m_pKind->m_nGunModel))
    {
        SetWorldTransform(yaw);
        float state[4] = {std::clamp(PitchFraction(), 0.0f, 1.0f), 0.0f, 0.0f, 0.0f};
        gunModel->SetColor(level, level, level, 1.0f);
        gunModel->Render(state, 0, -1);
        gunModel->ResetColor();
    }
    if (m_Gun.m_bMounted)
    {
        const std::int32_t part = m_pKind->m_bMuzzleGeometry ? m_pKind->m_nMuzzlePart : -1;
        const CMatrix mount =
            MuzzleMount(m_pKind->m_nGunModel, part, m_pKind->m_MuzzleTrans, PitchFraction(), CVector{});
        DrawLaidGun(m_Gun, yaw, mount, m_nDetailLevel);
    }
    g_EffectRenderManager.AddObject((GetPosition() - g_ViewCamera.m_vPosition).LengthSq(), this, 1);
}

void CTankObject::DrawEffect(int)
{
    if (m_Gun.m_bMounted) m_Gun.DrawEffect(false, m_nDetailLevel);
}
