#include "units/FlyTehObject.h"
#include "world/ModelDraw.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Random.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "sound/SoundManager.h"
#include "units/ExploObject.h"
#include "units/Gun.h"
#include "units/GunLaying.h"
#include "units/KindManagers.h"
#include "units/SplinterObject.h"
#include "world/KindManagers.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/TheThing.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace plat::d3d;

namespace
{
float HorizontalLength(const CVector& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y);
}

// The turn input for an angle error with the frame's limit m.
float TurnInput(float input, float m)
{
    if (std::fabs(input) <= m) return input / (2.0f * m);
    return input < 0.0f ? -1.0f : 1.0f;
}
} // namespace

CFlyTehObject::CFlyTehObject()
{
    m_nType = OBJ_FLYTEH;
    // It runs wherever the camera is: it must see the camera go far to come
    // back in play.
    m_bMoving = 1;
    m_bAlwaysRun = 1;
    m_bPhysics = 1;
    m_bCollidable = 1;
    m_bShown = 1;
    m_bDamageable = 1;
    m_fMass = 10.0f;
    m_fForwardFriction = 1.4f;
    m_fForwardFrictionScale = 5.0f;
    m_fRisingFriction = m_fFallingFriction = m_fSideFriction = 2.0f;
    m_bSteering = 1;
    m_fSteeringResponse = 3.14159265f;
    m_fPitchStiffness = m_fRollStiffness = 1.0f / 3.0f;
}

CFlyTehObject::~CFlyTehObject()
{
    ReleaseEngineSound();
}

void CFlyTehObject::Init(const CMatrix& placement, const char* typeName)
{
    XTRACE("CFlyTehObject::Init");
    SetMatrix(placement);
    std::snprintf(m_szTypeName, sizeof m_szTypeName, "%s", typeName ? typeName : "");
    std::memcpy(m_TypeRef, m_szTypeName, sizeof m_TypeRef);
    const std::int32_t index = g_FlyTehManager.FindName(m_szTypeName);
    if (index < 0)
    {
        g_ErrorLog.LogError("CFlyTehObject::Init %s not found", m_szTypeName);
        m_pKind = nullptr;
    }
    else
    {
        m_pKind = static_cast<const SObjectTypeHeader*>(g_FlyTehManager.GetType(index));
        m_pType = m_pKind;
        m_fRadius = ModelRadius(m_pKind->GetModelId());
        CMatrix::InvertRotation(m_Frame.m_Matrix, m_Frame2.m_Matrix);
    }
    CRoadManager::SRadiusNodes near;
    g_RoadManager.GetNodesInRadius(GetPosition(), kNodeRadius, near);
    m_nRoadItem = near.count > 0 ? near.index[0] : -1;
    m_nPrevRoadItem = -1;
}

void CFlyTehObject::ReleaseEngineSound()
{
    if (m_iEngineSound != -1 && g_pSoundManager) g_pSoundManager->DeleteSndSrc(&m_iEngineSound, false);
    m_iEngineSound = -1;
}

void CFlyTehObject::Pause(bool pause)
{
    XTRACE("CFlyTehObject::Pause");
    if (pause) ReleaseEngineSound();
}

void CFlyTehObject::Run()
{
    XTRACE("CFlyTehObject::Run");
    const float r = GetViewRange();
    const bool far = (GetPosition() - g_ViewCamera.m_vPosition).LengthSq() > r * r;
    m_bDestroyed = m_bDestroyed && !far;
    m_bShown = m_bPhysics = !m_bDestroyed && !far;
    {
        XTRACE("Processing sound");
        const std::int32_t sound = m_pKind ? m_pKind->GetSoundIndex() : -1;
        if (sound != -1 && !m_bDestroyed && g_pSoundManager)
        {
            if (m_fAudibleSq < 0.0f)
            {
                const float d = g_pSoundManager->GetMaxDistance(sound);
                m_fAudibleSq = d < std::sqrt(FLT_MAX) ? d * d : FLT_MAX;
            }
            const CVector p = GetPosition();
            if ((p - g_ViewCamera.m_vPosition).LengthSq() > m_fAudibleSq)
                ReleaseEngineSound();
            else if (m_bPhysics)
            {
                const float at[3] = {p.x, p.y, p.z};
                const float v[3] = {m_vVelocity.x, m_vVelocity.y, m_vVelocity.z};
                g_pSoundManager->KeepLoopSndSrc(&m_iEngineSound, sound, at, v);
            }
        }
    }
    XTRACE("Analyse move");
    if (m_nRoadItem >= g_RoadManager.GetNodeCount() || m_nRoadItem < -1)
    {
        g_ErrorLog.LogError("CFlyTehObject::Run RoadPoint is invalid");
        // The table is not read past its end: the nearest node is taken again.
        CRoadManager::SRadiusNodes near;
        g_RoadManager.GetNodesInRadius(GetPosition(), kNodeRadius, near);
        m_nRoadItem = near.count > 0 ? near.index[0] : -1;
        m_nPrevRoadItem = -1;
    }
    if (m_nRoadItem == -1)
    {
        g_ObjectList.DeleteObject(this);
        return;
    }
    CVector goal = g_RoadManager.m_Nodes[std::size_t(m_nRoadItem)].position;
    goal.z += kNodeHeight;
    if ((goal - GetPosition()).LengthSq() < kReachedSq)
        GetNextRoadItem();
    else
        MoveTo(goal);
}

std::int32_t CFlyTehObject::GetNextRoadItem()
{
    XTRACE("CFlyTehObject::GetNextRoadItem");
    const CRoadManager::SNode& node = g_RoadManager.m_Nodes[std::size_t(m_nRoadItem)];
    std::int32_t choices[CRoadManager::kMaxLinks];
    int n = 0;
    const int links = std::min(node.linkCount, CRoadManager::kMaxLinks);
    for (int i = 0; i < links; ++i)
        if (node.links[i] != m_nPrevRoadItem) choices[n++] = node.links[i];
    std::int32_t next;
    if (n > 0)
        next = choices[g_Random.RandomInt(n)];
    else if (links > 0)
        next = m_nPrevRoadItem; // a dead end: back the way it came
    else
        next = GetNearRoadItem(m_nRoadItem);
    m_nPrevRoadItem = m_nRoadItem;
    m_nRoadItem = next;
    return next;
}

std::int32_t CFlyTehObject::GetNearRoadItem(std::int32_t exclude) const
{
    XTRACE("CFlyTehObject::GetNearRoadItem");
    CRoadManager::SRadiusNodes near;
    g_RoadManager.GetNodesInRadius(GetPosition(), kNodeRadius, near);
    if (near.count < 2) return -1;
    return near.index[1] == exclude ? near.index[0] : near.index[1];
}

void CFlyTehObject::MoveTo(const CVector& goal)
{
    XTRACE("CFlyTehObject::MoveTo");
    const float dt = g_FrameTimer.GetFrameTime();
    const CVector to = goal - GetPosition();
    const float distance = to.Length();
    if (m_bPhysics)
    {
        XTRACE("physics move");
        m_Frame.UpdateAxes();
        const CVector h = m_Frame.m_vForward;
        const CVector dir = distance > 0.0f ? to * (1.0f / distance) : CVector{};
        float m = std::max(dt * m_fSteeringResponse, 0.01f);
        if (std::isnan(m)) m = 1e-10f;
        const float yaw = std::asin(std::clamp(h.y * dir.x - h.x * dir.y, -1.0f, 1.0f));
        SetRotationX(TurnInput(yaw, m));
        float pitch =
            std::asin(std::clamp(h.z * HorizontalLength(dir) - dir.z * HorizontalLength(h), -1.0f, 1.0f));
        if (std::isnan(pitch)) pitch = 0.0f;
        SetRotationY(TurnInput(pitch, m));
        const float a = Dot(h, dir) > 0.8f ? 1.0f : 0.1f;
        const float b = distance > 200.0f ? 25.0f : distance > 100.0f ? 5.0f : 2.5f;
        SetTraction(a * b * 1.5f);
    }
    else if (distance > 1.0f)
    {
        XTRACE("not physics move");
        const float step = std::min(kPlacedSpeed * dt, distance);
        SetPosition(GetPosition() + to * (step / distance));
    }
}

void CFlyTehObject::Damage(float amount, CVector, int, CMMObject* attacker, int, int weaponKind)
{
    XTRACE("CFlyTehObject::Damage");
    if (m_bDestroyed) return;
    if (IsPlayerGlider(attacker) && g_pAppEvent)
    {
        g_pAppEvent->OnDamageObject(amount, weaponKind);
        g_pAppEvent->OnDestroyMachine(this);
    }
    Explosion();
}

void CFlyTehObject::Explosion()
{
    XTRACE("CFlyTehObject::Explosion");
    m_bShown = 0;
    m_bDestroyed = 1;
    CMatrix at(1.0f);
    at.SetTranslation(GetPosition());
    const std::int32_t explo = g_ExploManager.FindName("EXP_FLY");
    if (explo >= 0)
        if (auto* e = dynamic_cast<CExploObject*>(g_ExploManager.CreateObject(explo, at)))
        {
            // The explosion object does not move; its debris inherits half
            // of the machine's velocity.
            e->m_pOwner = this;
            e->m_vInherited = m_vVelocity * 0.5f;
        }
    // Money half of the time: bit 8 of the generator's next state.
    if (g_Random.Next() & 0x100)
    {
        if (auto* thing = dynamic_cast<CTheThing*>(g_ThingManager.CreateObject("TT_MONEY", &at, nullptr)))
        {
            thing->Hidden() = 1;
            thing->AddContent(3, "", 1);
            auto* splinter = new CSplinterObject;
            splinter->Init(at, STypeKey(-1), CSplinterObject::kTrailCarry, thing);
            splinter->m_pOwner = this;
            const CVector throwDir =
                Normalize(CVector{g_Random.Random(4.0f) - 2.0f, g_Random.Random(4.0f) - 2.0f, 1.0f});
            splinter->m_vVelocity = throwDir * (g_Random.Random(15.0f) + 3.0f) + m_vVelocity * 0.5f;
            g_ObjectList.AddObject(splinter);
        }
    }
    ReleaseEngineSound();
    if (g_pSoundManager) PlayMotionless(g_pSoundManager->FindName("SND_T_FLY_DEATH"), GetPosition());
}

void CFlyTehObject::Draw()
{
    XTRACE("CFlyTehObject::Draw");
    if (!m_pKind || !g_pModelManager) return;
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(m_pKind->GetModelId()));
    if (!model) return;
    const CMatrix& p = m_Frame.m_Matrix;
    CMatrix m(1.0f);
    for (int c = 0; c < 3; ++c)
    {
        m.m[0][c] = -p.m[0][c] * 4.0f;
        m.m[1][c] = p.m[2][c] * 4.0f;
        m.m[2][c] = p.m[1][c] * 4.0f;
    }
    m.SetTranslation(GetPosition());
    SetWorldTransform(m);
    const float b = g_Location.m_nCellsX > 0 ? g_Location.GetBrightnessAt(GetPosition()) : 1.0f;
    model->SetColor(b, b, b, b);
    model->Render(nullptr, 0, -1);
    model->ResetColor();
}
