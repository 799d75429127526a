#include "units/GathererObject.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/BuildingLinks.h"
#include "units/ExploObject.h"
#include "units/Gun.h"
#include "units/GunLaying.h"
#include "units/KindManagers.h"
#include "units/SplinterObject.h"
#include "units/TowerObject.h"
#include "world/LightWare.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/Physics.h"
#include "world/TheThing.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>

using namespace plat::d3d;

namespace
{
constexpr float kPi = std::numbers::pi_v<float>;
constexpr const char* kKind = "VIRTUAL_ID_GATHERER";
constexpr float kViaStep = 70.0f; // 280 x 0.25
constexpr float kCircleSpeed = 70.0f;

std::string Name32(const char* name)
{
    return std::string(name, strnlen(name, 32));
}

void WriteName(CMemStream& s, const char* name)
{
    char field[32] = {};
    if (name) std::memcpy(field, name, strnlen(name, sizeof field - 1));
    s.Write(field, sizeof field);
}

bool IsNight()
{
    const float hour = g_Environment.m_fTime;
    return (hour > 20.0f && hour < 24.0f) || (hour > 0.0f && hour < 5.0f);
}
} // namespace

// --- manager -----------------------------------------------------------------

void CGathererManager::CreateForGame()
{
    XTRACE("CGathererManager::CreateForGame");
    SPointerArray<CMMObject> buildings;
    g_ObjectList.GetObjectList(OBJ_BUILDING, buildings);
    for (int i = 0; i < buildings.count; ++i)
    {
        CMMObject* b = buildings.items[i];
        const SBuildingType* kind = GetBuildingKind(b);
        if (!kind || !b->m_bAlive || !(kind->m_nCluster != 0 || kind->m_nType == 3)) continue;
        auto* gatherer = new CGathererObject;
        gatherer->Init(b);
        g_ObjectList.AddObject(gatherer);
    }
}

// --- object ------------------------------------------------------------------

CGathererObject::CGathererObject()
{
    m_nType = OBJ_GATHERER;
    m_bMoving = 1;
    // It runs wherever the camera is: far from it the gatherer still works
    // by placement and comes back to play after an explosion.
    m_bAlwaysRun = 1;
    m_bPhysics = 1;
    m_bCollidable = 1;
    m_bShown = 1;
    m_bDamageable = 1;
    m_bDeleteNotify = 1;
    m_bSave = 1;
    m_fMass = 5000.0f;
    m_fSteeringResponse = kPi;
    m_fForwardFriction = 1.4f;
    m_fForwardFrictionScale = 5.0f;
    m_fRisingFriction = m_fFallingFriction = m_fSideFriction = 2.0f;
    m_fProbe1 = m_fProbe2 = m_fProbe3 = 1.0f;
    m_fPitchStiffness = m_fRollStiffness = 1.0f / 3.0f;
    m_Reserved.reserve(16);
}

CGathererObject::~CGathererObject()
{
    StopSound();
}

void CGathererObject::Init(CMMObject* building)
{
    XTRACE("CGathererObject::Init");
    m_pHome = building;
    if (building) std::memcpy(m_szGameId, building->m_szGameId, sizeof m_szGameId);
    std::memset(m_TypeRef, 0, sizeof m_TypeRef);
    std::strcpy(m_TypeRef, kKind);
    const std::int32_t index = g_GathererManager.FindName(kKind);
    if (index < 0)
        g_ErrorLog.LogError("CGathererObject::Init %s not found", kKind);
    else
        m_pType = static_cast<const SObjectTypeHeader*>(g_GathererManager.GetType(index));
    m_fRadius = ModelRadius(m_pType ? m_pType->GetModelId() : -1);
    m_fCircleRadius = (building ? building->m_fRadius : 0.0f) + 50.0f;
    m_vCircleCentre = building ? building->GetPosition() : GetPosition();
    m_vHomePoint = m_vCircleCentre + CVector{m_fCircleRadius, 0.0f, 0.0f};
    m_vHomePoint.z = CalculateHeight(m_vHomePoint, m_fRadius + kCruise, true);
    CMatrix m(1.0f);
    m.SetTranslation(m_vHomePoint);
    SetMatrix(m);
    m_fSearchTimer = g_Random.Random(kSearchPeriod);
}

void CGathererObject::UpdateFar()
{
    const float d2 = (GetPosition() - g_ViewCamera.m_vPosition).LengthSq();
    const float r = GetViewRange();
    m_bFar = d2 > r * r;
    m_bBeyondDouble = d2 > 2.0f * r * r;
}

float CGathererObject::CalculateHeight(const CVector& p, float offset, bool objects) const
{
    if (!m_bShown) return 0.0f;
    const float r = m_fRadius;
    const CVector around[5] = {p, p + CVector{r, 0.0f, 0.0f}, p + CVector{0.0f, r, 0.0f},
                               p + CVector{-r, 0.0f, 0.0f}, p + CVector{0.0f, -r, 0.0f}};
    float top = -FLT_MAX;
    for (const CVector& q : around)
    {
        float h = 0.0f;
        if (g_Location.m_nCellsX > 0) h = g_Location.GetRoughHeight(q);
        if (objects && g_pPhysics)
            h = std::max(h, g_pPhysics->GetGroundHeight(&q, const_cast<CGathererObject*>(this)));
        top = std::max(top, h);
    }
    return top + offset;
}

CVector CGathererObject::ConvToViaPoint(CVector point, float height, bool objects) const
{
    point.z = std::max(point.z, CalculateHeight(point, height, objects));
    const CVector to = point - GetPosition();
    const float length = to.Length();
    // A point nearer than a step is taken as it is.
    return length > kViaStep ? GetPosition() + to * (kViaStep / length) : point;
}

bool CGathererObject::IsReached(const CVector& point) const
{
    CVector q = point;
    if (q.z == 0.0f) q.z = GetPosition().z;
    return (q - GetPosition()).LengthSq() < 100.0f;
}

void CGathererObject::FlyTo(const CVector& point, float height, bool objects)
{
    height += m_fRadius;
    CVector p = GetPosition();
    if (!m_bShown || p.z == height) objects = false;
    CVector via = ConvToViaPoint(point, height, objects);
    if (m_bBeyondDouble)
    {
        SetPosition(via);
        return;
    }
    via = ConvToViaPoint(via, height, objects);
    if (p.z == height && via.z != height)
    {
        p.z = CalculateHeight(via, height, objects);
        SetPosition(p);
        via = ConvToViaPoint(point, height, objects);
    }
    else if (p.z != height && via.z == height)
    {
        p.z = 0.0f;
        SetPosition(p);
    }
    m_vForce = via - GetPosition();
    if (m_vForce.z >= -0.05f) m_vForce.z += 147.0f;
}

bool CGathererObject::FindByName(const char* name) const
{
    for (int i = 0; i < m_nCarried; ++i)
        if (m_pCarried[i] && SameName(m_pCarried[i]->m_szId, name)) return true;
    return false;
}

bool CGathererObject::ReservedHere(const CTheThing* thing) const
{
    return std::find(m_Reserved.begin(), m_Reserved.end(), thing) != m_Reserved.end();
}

void CGathererObject::Unreserve(CTheThing* thing)
{
    auto it = std::find(m_Reserved.begin(), m_Reserved.end(), thing);
    if (it == m_Reserved.end()) return;
    (*it)->m_bReserved = 0;
    m_Reserved.erase(it);
}

void CGathererObject::ReleaseReserved()
{
    for (CTheThing* t : m_Reserved)
    {
        t->m_bReserved = 0;
        t->m_bGathering = 0;
    }
    m_Reserved.clear();
}

void CGathererObject::StopSound()
{
    if (m_iFlightSound != -1 && g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_iFlightSound, false);
    m_iFlightSound = -1;
}

void CGathererObject::Pause(bool pause)
{
    if (pause) StopSound();
}

void CGathererObject::Run()
{
    XTRACE("CGathererObject::Run");
    UpdateFar();
    m_bExploded = m_bExploded && !m_bFar;
    m_bShown = !m_bExploded && !m_bBeyondDouble;
    if (m_bExploded)
    {
        m_bPhysics = 1;
        return;
    }
    m_fSearchTimer -= g_FrameTimer.GetFrameTime();
    TargetSearch();
    m_bPhysics = !(m_bFar && m_nState == 2 && !m_pTarget);

    const std::int32_t sound = m_pType ? m_pType->GetSoundIndex() : -1;
    if (sound == -1 || !g_pSoundManager) return;
    if (m_fAudibleSq < 0.0f)
    {
        const float d = g_pSoundManager->GetMaxDistance(sound);
        m_fAudibleSq = d < std::sqrt(FLT_MAX) ? d * d : FLT_MAX;
    }
    const CVector p = GetPosition();
    if ((p - g_ViewCamera.m_vPosition).LengthSq() > m_fAudibleSq)
    {
        StopSound();
        return;
    }
    const float at[3] = {p.x, p.y, p.z};
    const float v[3] = {m_vVelocity.x, m_vVelocity.y, m_vVelocity.z};
    g_pSoundManager->KeepLoopSndSrc(&m_iFlightSound, sound, at, v);
}

void CGathererObject::TargetSearch()
{
    if (m_fSearchTimer <= 0.0f && m_nState < 5)
    {
        m_fSearchTimer = kSearchPeriod;
        m_pTarget = nullptr;
        if (m_nCarried < kMaxCarried)
        {
            SPointerArray<CMMObject> things;
            g_ObjectList.GetObjectList(OBJ_THING, things);
            float best = FLT_MAX;
            for (int i = 0; i < things.count; ++i)
            {
                auto* t = dynamic_cast<CTheThing*>(things.items[i]);
                if (!t || !t->m_bAlive || t->m_nKind != CTheThing::kKindMechmind || !t->m_bLying) continue;
                if (t->m_fAge <= kMinAge) continue;
                if (!t->m_bReserved)
                {
                    if (int(m_Reserved.size()) >= kMaxReserved) continue;
                    t->m_bReserved = 1;
                    m_Reserved.push_back(t);
                }
                else if (!ReservedHere(t))
                    continue;
                const float d2 = (t->GetPosition() - GetPosition()).LengthSq();
                if (d2 >= best) continue;
                best = d2;
                m_pTarget = t;
            }
            if (m_pTarget) m_pTarget->m_bGathering = 1;
        }
        m_bGathering = m_pTarget != nullptr;
    }
    if (m_pTarget && m_pTarget->m_bReserved && !ReservedHere(m_pTarget))
    {
        m_pTarget = nullptr;
        m_fSearchTimer = 0.0f;
    }
    if (!m_pTarget && m_nState != 6)
    {
        if (m_nState == 2)
            WaitingMovement();
        else
            MovementToHome();
    }
    else
        MovementToTarget();
}

void CGathererObject::MovementToTarget()
{
    switch (m_nState)
    {
    case 0:
    case 2:
    case 3:
        if (!m_pTarget)
        {
            MovementToHome();
            return;
        }
        m_nState = 1;
        m_vMovePoint = m_pTarget->GetPosition();
        m_vMovePoint.z = CalculateHeight(m_vMovePoint, m_fRadius + kCruise, false);
        return;
    case 1:
        if (!m_pTarget) return;
        if (!IsReached(m_vMovePoint))
        {
            m_fTurn = 0.0f;
            FlyTo(m_vMovePoint, kCruise, false);
            return;
        }
        if (m_pTarget->m_bReserved && !ReservedHere(m_pTarget))
        {
            m_pTarget = nullptr;
            m_fSearchTimer = 0.0f;
            m_nState = 0;
            return;
        }
        if (!ReservedHere(m_pTarget))
        {
            m_pTarget->m_bReserved = 1;
            m_Reserved.push_back(m_pTarget);
        }
        m_vMovePoint = m_vTargetPoint = m_pTarget->GetPosition();
        m_vMovePoint.z = CalculateHeight(m_vMovePoint, m_fRadius + 15.0f, true);
        m_fSinkTimer = 0.0f;
        m_nState = m_bShown ? 5 : 7;
        return;
    case 5:
        SinkingToTarget();
        return;
    case 6:
        LiftingFromTarget();
        return;
    case 7:
        RaiseTarget();
        return;
    default:
        g_ErrorLog.LogError("State of Gatherer is indefinably");
    }
}

void CGathererObject::SinkingToTarget()
{
    m_fTurn = 0.75f;
    m_vMovePoint.z = CalculateHeight(m_vMovePoint, m_fRadius + 15.0f, true);
    FlyTo(m_vMovePoint, 15.0f, true);
    m_fSinkTimer += g_FrameTimer.GetFrameTime();
    if (IsReached(m_vMovePoint) || m_fSinkTimer > 30.0f)
    {
        m_nState = 7;
        if (m_pTarget) m_vTargetPoint = m_pTarget->GetPosition();
    }
}

void CGathererObject::RaiseTarget()
{
    CTheThing* target = m_pTarget;
    if (target)
    {
        target->PlayPickupSound();
        std::uint32_t kept = 0;
        for (std::uint32_t i = 0; i < target->m_nContents; ++i)
        {
            SThingContent& c = target->m_Contents[i];
            CMech* mech = nullptr;
            if (c.kind == 2 && m_nCarried < kMaxCarried && g_pWorld)
            {
                char name[33] = {};
                CopyName(name, c.name);
                mech = g_pWorld->FindMech(name);
            }
            if (mech)
                m_pCarried[m_nCarried++] = mech;
            else
                target->m_Contents[kept++] = c;
        }
        target->m_nContents = kept;
        if (m_nCarried == kMaxCarried)
        {
            m_bGathering = 0;
            ReleaseReserved();
        }
        else
            Unreserve(target);
        target->m_bGathering = 0;
        // An emptied container is gone; one with mechanoids left stays for
        // the next trip.
        if (kept == 0) g_ObjectList.DeleteObject(target);
    }
    m_pTarget = nullptr;
    m_vMovePoint = m_vTargetPoint;
    m_vMovePoint.z = CalculateHeight(m_vTargetPoint, m_fRadius + kCruise, false);
    m_nState = m_bShown ? 6 : 0;
}

void CGathererObject::LiftingFromTarget()
{
    m_fTurn = -0.2f;
    if (!IsReached(m_vMovePoint))
    {
        FlyTo(m_vMovePoint, kCruise, false);
        return;
    }
    m_nState = 3;
    m_fSearchTimer = m_nCarried == kMaxCarried ? kSearchPeriod : 0.0f;
}

void CGathererObject::MovementToHome()
{
    m_fTurn = 0.0f;
    if (!IsReached(m_vHomePoint))
    {
        FlyTo(m_vHomePoint, kCruise, false);
        return;
    }
    m_nState = 2;
    m_fHealth = kHealth;
    m_fCircleAngle = 0.0f;
    for (int i = 0; i < m_nCarried; ++i)
        if (m_pCarried[i] && m_pHome && g_pWorld)
            g_pWorld->SetMechInBuilding(m_pCarried[i]->m_szId, m_pHome->m_szGameId);
    std::fill(std::begin(m_pCarried), std::end(m_pCarried), nullptr);
    m_nCarried = 0;
}

void CGathererObject::WaitingMovement()
{
    m_fTurn = 0.2f;
    const float r = std::max(m_fCircleRadius, 1.0f);
    m_fCircleAngle += g_FrameTimer.GetFrameTime() / r * kCircleSpeed;
    if (m_fCircleAngle >= 2.0f * kPi) m_fCircleAngle -= 2.0f * kPi;
    CVector point = m_vCircleCentre + CVector{std::cos(m_fCircleAngle), std::sin(m_fCircleAngle), 0.0f} * r;
    if (m_bBeyondDouble)
    {
        point.z = GetPosition().z;
        SetPosition(point);
        return;
    }
    FlyTo(point, kCruise, false);
}

void CGathererObject::Damage(float amount, CVector, int, CMMObject* attacker, int, int weaponKind)
{
    XTRACE("CGathererObject::Damage");
    if (!attacker || m_bExploded) return;
    m_bPhysics = 1;
    if (IsPlayerGlider(attacker) && g_pAppEvent) g_pAppEvent->OnDamageObject(amount, weaponKind);
    SRadiusResult towers;
    const CVector from = attacker->GetPosition();
    CObjectList::GetObjectsInRadius(&from, g_TowerManager.GetMaxViewDistance(), OBJ_TOWER, &towers);
    for (int i = 0; i < towers.count; ++i)
    {
        auto* tower = dynamic_cast<CTowerObject*>(towers.objects[i]);
        if (!tower || !tower->IsActive()) continue;
        const float d = (tower->GetPosition() - GetPosition()).Length();
        if (tower->GetViewDistance() >= d) tower->SetTarget(attacker, 7.0f, true, true);
    }
    m_fHealth -= amount;
    if (m_fHealth <= 0.0f) Explosion();
}

void CGathererObject::Explosion()
{
    XTRACE("CGathererObject::Explosion");
    if (g_pAppEvent) g_pAppEvent->OnDestroyMachine(this);
    m_bShown = 0;
    m_bExploded = 1;
    m_fHealth = kHealth;
    if (m_pTarget) m_pTarget->m_bGathering = 0;
    m_pTarget = nullptr;
    ReleaseReserved();
    CMatrix at(1.0f);
    at.SetTranslation(GetPosition());
    const std::int32_t explo = g_ExploManager.FindName("EXP_GLIDER_2");
    if (explo >= 0)
        if (auto* e = dynamic_cast<CExploObject*>(g_ExploManager.CreateObject(explo, at)))
        {
            e->AttachTo(this);
            e->m_vInherited = m_vVelocity * 0.5f;
        }
    for (int i = 0; i < m_nCarried; ++i)
    {
        if (!m_pCarried[i]) continue;
        auto* thing = dynamic_cast<CTheThing*>(g_ThingManager.CreateObject("TT_MECHANOID", &at, nullptr));
        if (!thing) continue;
        thing->AddContent(2, m_pCarried[i]->m_szId, 1);
        auto* splinter = new CSplinterObject;
        splinter->Init(at, STypeKey(-1), CSplinterObject::kTrailCarry, thing);
        splinter->m_pOwner = this;
        const float r = float(g_Random.Next() % 10000);
        const CVector dir = Normalize(CVector{r * 0.0004f - 2.0f, r * 0.0004f - 2.0f, 1.0f});
        splinter->m_vVelocity = m_vVelocity + dir * (r * 0.0015f + 3.0f);
        g_ObjectList.AddObject(splinter);
    }
    std::fill(std::begin(m_pCarried), std::end(m_pCarried), nullptr);
    m_nCarried = 0;
    m_nState = 2;
    SetPosition(m_vHomePoint);
    StopSound();
}

void CGathererObject::ProcessDelete(CMMObject* deleted)
{
    if (deleted == m_pHome) m_pHome = nullptr;
    auto* thing = dynamic_cast<CTheThing*>(deleted);
    if (!thing || thing->m_nKind != CTheThing::kKindMechmind) return;
    if (thing == m_pTarget)
    {
        m_pTarget = nullptr;
        m_fSearchTimer = 0.0f;
        if (m_nState >= 5)
        {
            m_nState = m_bShown ? 6 : 0;
            m_vMovePoint = GetPosition();
            m_vMovePoint.z = CalculateHeight(m_vMovePoint, m_fRadius + kCruise, false);
        }
    }
    auto it = std::find(m_Reserved.begin(), m_Reserved.end(), thing);
    if (it != m_Reserved.end()) m_Reserved.erase(it);
}

void CGathererObject::SaveGame(CMemStream& s)
{
    CMMObject::SaveGame(s);
    const std::uint32_t version = kSaveVersion;
    s.Write(&version, 4);
    s.Write(&m_bExploded, 1);
    s.Write(&m_fHealth, 4);
    s.Write(&m_vTargetPoint, 12);
    s.Write(&m_vMovePoint, 12);
    s.Write(&m_nState, 4);
    s.Write(&m_fSearchTimer, 4);
    s.Write(&m_fSinkTimer, 4);
    WriteName(s, m_pTarget ? m_pTarget->m_szGameId : nullptr);
    const std::uint32_t reserved = std::uint32_t(m_Reserved.size());
    s.Write(&reserved, 4);
    for (CTheThing* t : m_Reserved)
        WriteName(s, t->m_szGameId);
    const std::uint32_t carried = std::uint32_t(m_nCarried);
    s.Write(&carried, 4);
    for (int i = 0; i < m_nCarried; ++i)
        WriteName(s, m_pCarried[i] ? m_pCarried[i]->m_szId : nullptr);
}

void CGathererObject::LoadGame(CMemStream& stream)
{
    CMMObject::LoadGame(stream);
    CStreamReader r(stream, "gatherer record");
    std::uint8_t first = 0;
    if (r.Left() < 1) r.Fail("record cut short");
    first = stream.m_pData[stream.m_nPosition];
    const std::uint32_t version = first > 1 ? r.U32() : 1;
    if (version > kSaveVersion) r.Fail("unknown version %u", version);
    const std::uint32_t nameSize = version >= 2 ? 32 : 4;
    const std::uint8_t exploded = r.U8();
    float health;
    CVector target, move;
    std::int32_t state;
    float search, sink;
    r.Bytes(&health, 4);
    r.Bytes(&target, 12);
    r.Bytes(&move, 12);
    state = r.I32();
    r.Bytes(&search, 4);
    r.Bytes(&sink, 4);
    char name[32] = {};
    r.Bytes(name, nameSize);
    if (version < 2) std::memset(name, 0, sizeof name);
    const std::uint32_t reserved = r.Count(nameSize, "reserved count");
    if (reserved > std::uint32_t(kMaxReserved)) r.Fail("reserved count %u above %d", reserved, kMaxReserved);
    std::vector<std::string> reservedNames;
    for (std::uint32_t i = 0; i < reserved; ++i)
    {
        char n[32] = {};
        r.Bytes(n, nameSize);
        if (version >= 2) reservedNames.push_back(Name32(n));
    }
    const std::uint32_t carried = r.Count(32, "carried count");
    if (carried > std::uint32_t(kMaxCarried)) r.Fail("carried count %u above %d", carried, kMaxCarried);
    std::vector<std::string> carriedNames;
    for (std::uint32_t i = 0; i < carried; ++i)
    {
        char n[32] = {};
        r.Bytes(n, 32);
        carriedNames.push_back(Name32(n));
    }
    // Whole and valid: applied.
    m_bExploded = exploded;
    m_fHealth = health;
    m_vTargetPoint = target;
    m_vMovePoint = move;
    m_nState = state;
    m_fSearchTimer = search;
    m_fSinkTimer = sink;
    std::memcpy(m_szTargetName, name, sizeof name);
    m_ReservedNames = std::move(reservedNames);
    m_CarriedNames = std::move(carriedNames);
}

void CGathererObject::LoadInit()
{
    UpdateFar();
    ReleaseReserved();
    m_pTarget = nullptr;
    if (!m_bFar)
    {
        SPointerArray<CMMObject> things;
        g_ObjectList.GetObjectList(OBJ_THING, things);
        for (const std::string& name : m_ReservedNames)
            for (int i = 0; i < things.count; ++i)
            {
                auto* t = dynamic_cast<CTheThing*>(things.items[i]);
                if (!t || Name32(t->m_szGameId) != name || ReservedHere(t)) continue;
                t->m_bReserved = 1;
                m_Reserved.push_back(t);
                if (name == Name32(m_szTargetName)) m_pTarget = t;
                break;
            }
    }
    std::fill(std::begin(m_pCarried), std::end(m_pCarried), nullptr);
    m_nCarried = 0;
    for (const std::string& name : m_CarriedNames)
        if (CMech* mech = g_pWorld ? g_pWorld->FindMech(name.c_str()) : nullptr)
            if (m_nCarried < kMaxCarried) m_pCarried[m_nCarried++] = mech;
    m_ReservedNames.clear();
    m_CarriedNames.clear();
}

void CGathererObject::PreDraw()
{
    if (!m_pTarget || (m_nState != 5 && m_nState != 7) || !IsNight()) return;
    SLight& l = m_Light;
    l = SLight{};
    l.Type = D3DLIGHT_SPOT;
    const float r = 0x64 / 255.0f, g = 0x95 / 255.0f, b = 0xED / 255.0f;
    l.Diffuse = {r * 2.0f, g * 2.0f, b * 2.0f, 1.0f};
    l.Specular = {r, g, b, 1.0f};
    l.Ambient = {r * 0.5f, g * 0.5f, b * 0.5f, 1.0f};
    const CVector p = GetPosition();
    const CVector d = Normalize(m_pTarget->GetPosition() - p);
    l.Position = {p.x, p.y, p.z};
    l.Direction = {d.x, d.y, d.z};
    l.Range = 400.0f;
    l.Attenuation0 = 1.0f;
    l.Attenuation2 = 0.00005f;
    l.Theta = 10.0f * kPi / 180.0f;
    l.Phi = 20.0f * kPi / 180.0f;
    g_LightWare.AddLight(&l, 2.0f);
}

void CGathererObject::Draw()
{
    if (!m_bShown || !m_pType || !g_pModelManager) return;
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(m_pType->GetModelId()));
    if (!model) return;
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&m_Frame.m_Matrix));
    g_LightWare.SetLights(GetPosition(), m_fRadius);
    const float b = g_Location.m_nCellsX > 0 ? g_Location.GetBrightnessAt(GetPosition()) : 1.0f;
    model->SetColor(b, b, b, 1.0f);
    model->Render(nullptr, 0, -1);
    model->ResetColor();
}
