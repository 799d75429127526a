#include "units/TowerObject.h"
#include "world/ModelDraw.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/MemStream.h"
#include "foundation/Graphic.h"
#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "units/BuildingLinks.h"
#include "units/GliderObject.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

using namespace plat::d3d;

CTowerManager g_TowerManager;

namespace
{
constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kDegree = kPi / 180.0f;
constexpr float kGuardRadius = 1500.0f;
constexpr float kOrbitStep = 100.0f;

std::int32_t ModelId(const char* record, const char* key)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, key, name, sizeof name);
    return g_pModelManager && name[0] ? g_pModelManager->FindName(name) : -1;
}

std::int32_t GunIndex(const char* record, const char* key)
{
    char name[32] = {};
    g_ResourceDB.GetStringField(record, key, name, sizeof name);
    return name[0] ? g_GunManager.FindName(name) : -1;
}

float HorizontalSq(const CVector& a, const CVector& b)
{
    const float x = a.x - b.x, y = a.y - b.y;
    return x * x + y * y;
}

float Wrap2Pi(float a)
{
    a = std::fmod(a, 2.0f * kPi);
    return a < 0.0f ? a + 2.0f * kPi : a;
}

bool IsNight()
{
    const float hour = g_Environment.m_fTime;
    return (hour > 20.0f && hour < 24.0f) || (hour > 0.0f && hour < 5.0f);
}

void MountGun(CGun& gun, std::int32_t index, CMMObject* owner)
{
    if (index < 0) return;
    gun.Assign(STypeKey(index), 0);
    gun.m_bMounted = 1;
    gun.m_pOwner = owner;
}
} // namespace

// --- CTowerManager -----------------------------------------------------------

bool CTowerManager::Init(const char* section)
{
    XTRACE("CTowerManager::Init");
    const bool ok = InitRecords(section);
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        STowerType& t = m_Kinds[std::size_t(i)];
        const char* name = GetName(i);
        t.m_nHullModel = ModelId(name, "HULL_MODEL");
        t.m_nGunModel = ModelId(name, "GUN_MODEL");
        t.m_nHarmlessGun = GunIndex(name, "HARMLESS_GUN");
        t.m_nFightingGun = GunIndex(name, "FIGHTING_GUN");
        t.m_nPunitiveGun = GunIndex(name, "PUNITIVE_GUN");
        t.m_bFlight = g_ResourceDB.GetIntegerField(name, "FLIGHT", 0) != 0;
        t.m_fAngleUp = g_ResourceDB.GetFloatField(name, "ANGLE_UP", 0.0f) * kDegree;
        t.m_fAngleDown = g_ResourceDB.GetFloatField(name, "ANGLE_DOWN", 0.0f) * kDegree;
        t.m_fRadius = std::max(ModelRadius(t.m_nGunModel), ModelRadius(t.m_nHullModel));
        SObjectTypeHeader::SetId(t.Model, t.m_bFlight ? t.m_nHullModel : t.m_nGunModel);
    }
    m_fMaxViewDistance = std::max(kStationaryView, kFlyingView);
    m_fMaxSpyDistance = std::max(kStationarySpy, kFlyingSpy);
    // The distances are fixed; the messages stay for a table that would
    // ever set one to nothing.
    if (kStationaryView == 0.0f) g_ErrorLog.LogError("Max View Distance of stationary tower cannon is NULL");
    if (kFlyingView == 0.0f) g_ErrorLog.LogError("Max View Distance of flighting tower cannon is NULL");
    if (kStationarySpy == 0.0f) g_ErrorLog.LogError("Max Spy Distance of stationary tower cannon is NULL");
    if (kFlyingSpy == 0.0f) g_ErrorLog.LogError("Max Spy Distance of flighting tower cannon is NULL");
    if (m_fMaxViewDistance == 0.0f) g_ErrorLog.LogError("Max View Distance of tower cannon is NULL");
    if (m_fMaxSpyDistance == 0.0f) g_ErrorLog.LogError("Max Spy Distance of tower cannon is NULL");
    return ok;
}

CMMObject* CTowerManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    XTRACE("CTowerManager::CreateObject");
    auto* tower = new CTowerObject;
    tower->Init(*placement, typeName, gameId);
    g_ObjectList.AddObject(tower);
    return tower;
}

void CTowerManager::InitTower(std::int32_t index)
{
    XTRACE("CTowerManager::InitTower");
    STowerType* t = GetKindForEdit(index);
    if (!t || t->m_bMuzzleLooked) return;
    t->m_nMuzzlePart = FindModelPart(t->m_nGunModel, "FX", &t->m_MuzzleTrans, nullptr);
    t->m_bMuzzleLooked = 1;
}

// --- CTowerObject ------------------------------------------------------------

CTowerObject::CTowerObject()
{
    m_nType = OBJ_TOWER;
    // Run every frame wherever the camera is: the tower tests its own
    // awake range, which reaches beyond the object list's run range.
    m_bMoving = 1;
    m_bAlwaysRun = 1;
    m_bCollidable = 1;
    // Collides and is hit by rays with its hull's triangles, not as the
    // base's bounding sphere: the sphere round a tall, thin tower stops a
    // glider or a shot far from its walls.
    m_bSphereCollider = 0;
    m_bShown = 1;
    m_bDeleteNotify = 1;
    m_bSave = 1;
}

CTowerObject::~CTowerObject() = default;

void CTowerObject::Init(const CMatrix& placement, const char* typeName, const char* gameId)
{
    XTRACE("CTowerObject::Init");
    const CMatrix m = RemoveScale(placement);
    SetMatrix(m);
    CMatrix::InvertRotation(m, m_Frame2.m_Matrix);
    std::snprintf(m_szTypeName, sizeof m_szTypeName, "%s", typeName ? typeName : "");
    std::memcpy(m_TypeRef, m_szTypeName, sizeof m_TypeRef);
    if (gameId) std::snprintf(m_szGameId, sizeof m_szGameId, "%s", gameId);
    const std::int32_t index = g_TowerManager.FindName(m_szTypeName);
    m_pKind = index >= 0 ? g_TowerManager.GetKind(index) : nullptr;
    m_pType = m_pKind;
    m_vHome = GetPosition();
    if (!m_pKind) return;
    m_fRadius = m_pKind->m_fRadius;
    MountGun(m_HarmlessGun, m_pKind->m_nHarmlessGun, this);
    MountGun(m_FightingGun, m_pKind->m_nFightingGun, this);
    MountGun(m_PunitiveGun, m_pKind->m_nPunitiveGun, this);
    m_bFlying = m_pKind->m_bFlight;
    if (!m_bFlying) return;
    // A flying tower moves: the triangle test takes the other object as
    // standing still, and whether a pair meets as spheres or as triangles
    // would depend on which of the two the object list tests first.
    m_bSphereCollider = 1;
    m_fSpyDistance = CTowerManager::kFlyingSpy;
    m_fViewDistance = CTowerManager::kFlyingView;
    m_bPhysics = 1;
    m_fMass = 1000.0f;
    m_fForwardFriction = 1.4f;
    m_fForwardFrictionScale = 5.0f;
    m_fRisingFriction = m_fFallingFriction = m_fSideFriction = 2.0f;
    m_bGravity = m_bGroundFollowing = m_bSteering = 1;
    m_bLevelling = m_bGrip = 0;
    m_fProbe1 = m_fProbe2 = m_fProbe3 = 1.0f;
    m_fPitchStiffness = m_fRollStiffness = 1.0f / 3.0f;
    m_fSteeringResponse = kPi;
    m_fKindFloats[0] = m_fKindFloats[1] = 1.0f;
    m_fHoverHeight = 1.0f;
}

void CTowerObject::SetActive(bool active)
{
    m_bActive = active;
    if (!active) m_pTarget = nullptr;
}

bool CTowerObject::IsAwake() const
{
    const float r = GetViewRange();
    return (GetPosition() - g_ViewCamera.m_vPosition).LengthSq() <= 2.0f * r * r;
}

void CTowerObject::CollectNeighbours()
{
    m_bNeighboursCollected = 1;
    SPointerArray<CMMObject> towers;
    g_ObjectList.GetObjectList(OBJ_TOWER, towers);
    const float reach = 2.0f * std::max(kGuardRadius, g_TowerManager.GetMaxViewDistance());
    for (int i = 0; i < towers.count; ++i)
    {
        auto* other = dynamic_cast<CTowerObject*>(towers.items[i]);
        if (!other || other == this || !other->m_bAlive) continue;
        const float d2 = (other->GetPosition() - GetPosition()).LengthSq();
        const float own = 2.0f * std::max(m_fViewDistance, other->m_fViewDistance);
        if (d2 > reach * reach || d2 > own * own) continue;
        if (m_nNeighbours == kMaxNeighbours)
        {
            g_ErrorLog.LogError("Neighbouring array for Tower object is overflow");
            break;
        }
        m_pNeighbours[m_nNeighbours++] = other;
    }
}

void CTowerObject::FindGuardedBuilding()
{
    m_bBuildingFound = 1;
    m_pBuilding = nullptr;
    SPointerArray<CMMObject> buildings;
    g_ObjectList.GetObjectList(OBJ_BUILDING, buildings);
    float best = kGuardRadius * kGuardRadius;
    for (int i = 0; i < buildings.count; ++i)
    {
        CMMObject* b = buildings.items[i];
        const SBuildingType* kind = GetBuildingKind(b);
        if (!kind || !b->m_bAlive) continue;
        if (!(kind->m_nCluster != 0 || kind->m_nType == 3 || kind->m_nType == 5 || kind->m_nType == 11))
            continue;
        if ((b->GetPosition() - GetPosition()).LengthSq() > kGuardRadius * kGuardRadius) continue;
        const float h = HorizontalSq(b->GetPosition(), GetPosition());
        if (h > best && m_pBuilding) continue;
        best = h;
        m_pBuilding = b;
    }
    if (!m_pBuilding)
    {
        m_vHome = GetPosition();
        return;
    }
    m_fOrbitRadius = std::sqrt(best);
    m_vHome = m_pBuilding->GetPosition();
    if (m_bFlying) m_vHome.z = g_Location.GetRoughHeight(m_vHome) + CTowerManager::kFlightHeight;
    m_fOrbitAngle = std::atan2(GetPosition().y - m_vHome.y, GetPosition().x - m_vHome.x);
}

bool CTowerObject::GliderIsFire(const CGliderObject* glider)
{
    if (!glider) return false;
    for (const CGun& gun : glider->m_Guns)
        if (gun.IsFiring()) return true;
    return false;
}

void CTowerObject::Run()
{
    XTRACE("CTowerObject::Run");
    if (!m_bNeighboursCollected) CollectNeighbours();
    if (!m_bBuildingFound) FindGuardedBuilding();
    const bool awake = IsAwake();
    m_bPhysics = awake && m_bFlying;
    if (!awake) return;
    if (m_bActive)
    {
        {
            XTRACE("Invalid target object");
            if (auto* glider = dynamic_cast<CGliderObject*>(m_pTarget))
            {
                if (glider->m_bDestroyed)
                    m_pTarget = nullptr;
                else if (!glider->m_bMoving)
                    m_bWarning = 0;
            }
        }
        XTRACE("Process Target");
        if (m_pTarget)
        {
            const float d2 = (m_pTarget->GetPosition() - GetPosition()).LengthSq();
            if (d2 > m_fViewDistance * m_fViewDistance ||
                (d2 > m_fSpyDistance * m_fSpyDistance && m_fAlertLevel <= 0.0f))
                m_pTarget = nullptr;
        }
        const float r = GetViewRange();
        if ((!m_pTarget || m_fAlertLevel == 0.0f) &&
            (GetPosition() - g_ViewCamera.m_vPosition).LengthSq() <= r * r)
            FindTarget();
        if (m_bFlying) Patrol();
        RotateToTarget();
        if (m_fAlertLevel >= 2.0f) NeighbouringTowersNotify(m_pTarget, m_fAlertLevel, m_bWarning != 0);
        if (m_FightingGun.m_bMounted) m_FightingGun.Run();
        if (m_HarmlessGun.m_bMounted) m_HarmlessGun.Run();
        if (m_PunitiveGun.m_bMounted) m_PunitiveGun.Run();
    }
    m_bAlarmed = 0;
}

void CTowerObject::FindTarget()
{
    XTRACE("CTowerObject::FindTarget");
    SRadiusResult found;
    {
        XTRACE("Set parameters");
        const CVector at = GetPosition();
        CObjectList::GetObjectsInRadius(&at, m_fSpyDistance, OBJ_GLIDER, &found);
    }
    XTRACE("Find and analyse");
    const float spySq = m_fSpyDistance * m_fSpyDistance;
    CGliderObject* best = nullptr;
    float bestKey = 0.0f;
    bool bestFiring = false;
    for (int i = 0; i < found.count; ++i)
    {
        auto* glider = dynamic_cast<CGliderObject*>(found.objects[i]);
        if (!glider || glider->m_bDestroyed) continue;
        const float d2 = (glider->GetPosition() - GetPosition()).LengthSq();
        if (d2 >= spySq) continue;
        const bool firing = GliderIsFire(glider);
        // A firing glider is preferred to any nearer quiet one.
        const float key = firing ? d2 * 1e-5f : d2;
        if (best && key >= bestKey) continue;
        best = glider;
        bestKey = key;
        bestFiring = firing;
    }
    if (!best) return;
    m_pTarget = best;
    m_bWarning = 1;
    m_fCalmDown = 1.0f;
    m_fAlertLevel = bestFiring ? 2.0f : 0.0f;
}

void CTowerObject::RotateToTarget()
{
    if (!m_pTarget || !m_pKind) return;
    const float dt = g_FrameTimer.GetFrameTime();
    if (!m_bWarning && m_fCalmDown != 0.0f)
    {
        m_fCalmDown = std::max(0.0f, m_fCalmDown - dt);
        m_fAlertLevel = 1.9f;
    }
    DampLaying(m_Laying, dt);
    CVector d = GetPosition() - m_pTarget->GetPosition();
    d.z += m_pKind->m_fGunHeight;
    const float r = m_pKind->m_fTurnRate;
    const float yawError = StepYaw(m_Laying, d, r, dt, kTowerGains);
    m_Laying.m_fYaw = WrapPi(m_Laying.m_fYaw);
    const float pitchError =
        StepPitch(m_Laying, d, r, dt, m_pKind->m_fAngleDown, m_pKind->m_fAngleUp, kTowerGains);
    if (std::fabs(yawError) < kFireError && std::fabs(pitchError) < kFireError && m_fAlertLevel >= 2.0f)
        Fire();
}

float CTowerObject::PitchFraction() const
{
    if (!m_pKind) return 0.0f;
    const float span = m_pKind->m_fAngleUp - m_pKind->m_fAngleDown;
    return span != 0.0f ? (m_Laying.m_fPitch - m_pKind->m_fAngleDown) / span : 0.0f;
}

CGun* CTowerObject::GunToFire()
{
    if (m_bWarning) return &m_HarmlessGun;
    if (m_fAlertLevel >= 100.0f && m_PunitiveGun.m_bMounted) return &m_PunitiveGun;
    return &m_FightingGun;
}

void CTowerObject::Fire()
{
    XTRACE("CTowerObject::Fire");
    if (!m_pTarget || !m_pKind) return;
    if (!m_pKind->m_bMuzzleLooked) g_TowerManager.InitTower(g_TowerManager.FindName(m_szTypeName));
    CGun* gun = GunToFire();
    const CMatrix yaw = YawMatrix(m_Laying.m_fYaw, GetPosition());
    // Without an "FX" part the shot leaves at the gun's height.
    const CMatrix mount =
        MuzzleMount(gun->m_bMounted ? m_pKind->m_nGunModel : -1, m_pKind->m_nMuzzlePart,
                    m_pKind->m_MuzzleTrans, PitchFraction(), CVector{0.0f, 0.0f, m_pKind->m_fGunHeight});
    const CVector local{mount.m[3][0], mount.m[3][1], mount.m[3][2]};
    CVector muzzle;
    VectorTransformCoord(&muzzle, &yaw, &local);
    CVector direction = m_pTarget->GetPosition() - muzzle;
    const float distance = direction.Length();
    if (distance > 0.0f) direction = direction * (1.0f / distance);
    if (!IsShotClear(muzzle, direction, distance, this, m_pTarget)) return;
    if (m_bWarning)
    {
        m_fCalmDown = 1.0f;
        m_fAlertLevel = 1.9f;
    }
    if (gun->m_bMounted) gun->Fire(&yaw, mount, direction, 0, 1.0f);
}

void CTowerObject::SetTarget(CMMObject* glider, float level, bool warning, bool accumulate)
{
    if (!glider || glider->m_nType != OBJ_GLIDER || !m_bActive) return;
    if ((glider->GetPosition() - GetPosition()).LengthSq() > m_fViewDistance * m_fViewDistance) return;
    const float r = GetViewRange();
    if ((glider->GetPosition() - g_ViewCamera.m_vPosition).LengthSq() > r * r) return;
    if (glider == m_pTarget && accumulate)
        level = (g_FrameTimer.GetFrameTime() + 1.0f) * m_fAlertLevel + level;
    if (m_pTarget && level <= m_fAlertLevel && (!m_bWarning || warning || glider != m_pTarget)) return;
    m_fAlertLevel = level;
    if (glider != m_pTarget)
    {
        m_fCalmDown = 1.0f;
        m_pTarget = glider;
        m_bWarning = warning;
    }
    else if (!m_bWarning)
        warning = false;
    else if (!warning)
        m_fAlertLevel = 1.9f;
    m_bWarning = m_bWarning && warning;
    m_bAlarmed = 1;
}

void CTowerObject::NeighbouringTowersNotify(CMMObject* glider, float level, bool warning)
{
    if (!glider || level < 2.0f) return;
    for (int i = 0; i < m_nNeighbours; ++i)
        m_pNeighbours[i]->SetTarget(glider, level, warning, false);
}

void CTowerObject::Damage(float, CVector, int, CMMObject* attacker, int, int)
{
    if (!m_bActive || !attacker) return;
    SetTarget(attacker, 5.0f, true, true);
    NeighbouringTowersNotify(attacker, 5.0f, true);
}

void CTowerObject::Patrol()
{
    if (!m_pBuilding || m_fOrbitRadius < 1.0f) return;
    const CVector p = GetPosition();
    m_fOrbitAngle = Wrap2Pi(std::atan2(p.y - m_vHome.y, p.x - m_vHome.x));
    const float next = Wrap2Pi(m_fOrbitAngle + float(m_nOrbitDirection) * kOrbitStep / m_fOrbitRadius);
    CVector goal{m_vHome.x + m_fOrbitRadius * std::cos(next), m_vHome.y + m_fOrbitRadius * std::sin(next),
                 0.0f};
    goal.z = CalculateHeight(goal);
    FlyTo(goal);
}

CVector CTowerObject::GetNearOrbitPoint(const CVector& p) const
{
    const float a = std::atan2(p.y - m_vHome.y, p.x - m_vHome.x);
    CVector out{m_vHome.x + m_fOrbitRadius * std::cos(a), m_vHome.y + m_fOrbitRadius * std::sin(a), 0.0f};
    out.z = CalculateHeight(out);
    return out;
}

void CTowerObject::FlyTo(const CVector& goal)
{
    constexpr float h = CTowerManager::kFlightHeight;
    CVector p = GetPosition();
    if (p.z == h && goal.z != h)
    {
        p.z = goal.z;
        SetPosition(p);
    }
    else if (p.z != h && goal.z == h)
    {
        p.z = 0.0f;
        SetPosition(p);
    }
    m_vForce = goal - GetPosition();
    if (m_vForce.z >= -0.05f) m_vForce.z += 147.0f;
}

float CTowerObject::CalculateHeight(const CVector& p) const
{
    if (!m_bPhysics) return 0.0f;
    return g_Location.GetRoughHeight(p) + CTowerManager::kFlightHeight;
}

void CTowerObject::ProcessDelete(CMMObject* deleted)
{
    if (deleted == m_pTarget) m_pTarget = nullptr;
    if (deleted == m_pBuilding)
    {
        m_vForce = CVector{};
        m_pBuilding = nullptr;
        m_bBuildingFound = 0;
    }
    // A deleted neighbour must not be alarmed later.
    for (int i = 0; i < m_nNeighbours; ++i)
        if (m_pNeighbours[i] == deleted)
        {
            m_pNeighbours[i] = m_pNeighbours[--m_nNeighbours];
            m_pNeighbours[m_nNeighbours] = nullptr;
            break;
        }
}

void CTowerObject::SaveGame(CMemStream& stream)
{
    CMMObject::SaveGame(stream);
    stream.Write(&m_bActive, 1);
}

void CTowerObject::LoadGame(CMemStream& stream)
{
    CMMObject::LoadGame(stream);
    std::uint8_t active = 1;
    ReadStreamBytes(stream, &active, 1, "tower record");
    SetActive(active != 0);
}

void CTowerObject::PreDraw()
{
    if (!m_pTarget || !IsNight()) return;
    if ((GetPosition() - g_ViewCamera.m_vPosition).LengthSq() > kGuardRadius * kGuardRadius) return;
    SLight& l = m_Searchlight;
    l = SLight{};
    l.Type = D3DLIGHT_SPOT;
    const float r = 224.0f / 255.0f, g = 224.0f / 255.0f, b = 1.0f;
    l.Diffuse = {r * 2.0f, g * 2.0f, b * 2.0f, 2.0f};
    l.Specular = {r, g, b, 1.0f};
    l.Ambient = {r * 0.5f, g * 0.5f, b * 0.5f, 0.5f};
    const CVector p = GetPosition();
    l.Position = {p.x, p.y, p.z};
    const float yaw = m_Laying.m_fYaw - kPi / 2.0f, pitch = m_Laying.m_fPitch;
    l.Direction = {std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw), -std::sin(pitch)};
    l.Range = 500.0f;
    l.Falloff = 1.0f;
    l.Attenuation0 = 1.0f;
    l.Attenuation1 = 0.0f;
    l.Attenuation2 = 1.6e-5f;
    l.Theta = 0.31415927f;
    l.Phi = 0.448799f;
    g_LightWare.AddLight(&l, 1.0f);
}

void CTowerObject::Draw()
{
    XTRACE("CTowerObject::Draw");
    if (!m_pKind) return;
    if (!m_pKind->m_bMuzzleLooked) g_TowerManager.InitTower(g_TowerManager.FindName(m_szTypeName));
    g_LightWare.SetLights(GetPosition(), m_fRadius);
    {
        XTRACE("DrawHull");
        if (CComplexObject* hull = GetComplexModel(m_pKind->m_nHullModel))
        {
            SetWorldTransform(m_Frame.m_Matrix);
            const float level = g_Location.m_nCellsX > 0 ? g_Location.GetBrightnessAt(GetPosition()) : 1.0f;
            hull->SetColor(level, level, level, 1.0f);
            hull->Render(nullptr, 0, -1);
            hull->ResetColor();
        }
    }
    XTRACE("DrawGun");
    const CMatrix yaw = YawMatrix(m_Laying.m_fYaw, GetPosition());
    if (CComplexObject* gunModel = GetComplexModel(m_pKind->m_nGunModel))
    {
        SetWorldTransform(yaw);
        float state[4] = {std::clamp(PitchFraction(), 0.0f, 1.0f), 0.0f, 0.0f, 0.0f};
        const float level = g_Location.m_nCellsX > 0 ? g_Location.GetBrightnessAt(GetPosition()) : 1.0f;
        gunModel->SetColor(level, level, level, 1.0f);
        gunModel->Render(state, 0, -1);
        gunModel->ResetColor();
    }
    CGun& gun = m_bWarning ? m_HarmlessGun : m_FightingGun;
    if (gun.m_bMounted)
    {
        const CMatrix mount =
            MuzzleMount(m_pKind->m_nGunModel, m_pKind->m_nMuzzlePart, m_pKind->m_MuzzleTrans, PitchFraction(),
                        CVector{0.0f, 0.0f, m_pKind->m_fGunHeight});
        DrawLaidGun(gun, yaw, mount, m_nDetailLevel);
    }
    g_EffectRenderManager.AddObject((GetPosition() - g_ViewCamera.m_vPosition).LengthSq(), this, 1);
}

void CTowerObject::DrawEffect(int)
{
    if (m_FightingGun.m_bMounted) m_FightingGun.DrawEffect(false, m_nDetailLevel);
    if (m_HarmlessGun.m_bMounted) m_HarmlessGun.DrawEffect(false, m_nDetailLevel);
}

const void* CTowerObject::GetShapeData()
{
    if (!m_pKind) return nullptr;
    CComplexObject* model =
        GetComplexModel(m_pKind->m_nHullModel >= 0 ? m_pKind->m_nHullModel : m_pKind->m_nGunModel);
    if (!model) return nullptr;
    if (model->m_Shape.empty()) model->CreateShape(true);
    return &model->m_Shape;
}
