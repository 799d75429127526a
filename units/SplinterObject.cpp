#include "units/SplinterObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Random.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "location/EffectRenderManager.h"
#include "location/ViewCamera.h"
#include "location/Location.h"
#include "world/LightWare.h"
#include "world/ModelDraw.h"
#include "world/ObjectList.h"
#include "world/Physics.h"

#include <algorithm>
#include <cmath>

namespace
{
// Under this height above the water surface the splinter meets the ground below.
constexpr float kWaterBand = 10.0f;
constexpr const char* kTrailModels[] = {"MOD_FX_BIG_FIRE_TAIL", "MOD_FX_SMALL_TAIL", "MOD_FX_OBJECT_TAIL"};
constexpr const char* kHitGroundModel = "MOD_FX_HIT_GROUND";

std::int32_t FxModel(const char* name)
{
    const DefaultManager* models = g_pModelManager;
    return models ? models->FindName(name) : -1;
}
} // namespace

CSplinterObject::~CSplinterObject()
{
    m_Tail.Done();
    m_HitGroundFx.Done();
}

CSplinterObject::CSplinterObject()
{
    m_nType = OBJ_SPLINTER;
    m_fRadius = 1.0f;
    m_fMass = 1.0f;
    m_fForwardFriction = m_fRisingFriction = m_fFallingFriction = m_fSideFriction = 1.3f;
    m_bGravity = 1;
    m_bGroundFollowing = m_bSteering = m_bLevelling = m_bGrip = 0;
    m_bMoving = m_bPhysics = 1;
    m_bSphereCollider = 1;
    m_bPointCollider = 1;
    m_bCollidable = 0;
    m_bShown = 1;
}

void CSplinterObject::Init(const CMatrix& placement, const STypeKey& model, int trail, CMMObject* carried)
{
    XTRACE("CSplinterObject::Init");
    m_Frame.SetMatrix(placement, true);
    m_Model = model;
    m_nTrail = trail;
    const float* row = placement.m[0];
    m_fScale = std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
    if (m_fScale <= 0.0f) m_fScale = 1.0f;
    NormalizeMatrixRows(&m_Frame.m_Matrix);

    std::int32_t tail = trail >= 1 && trail <= 3 ? FxModel(kTrailModels[trail - 1]) : -1;
    if (trail == kTrailCarry)
    {
        if (!carried)
        {
            g_ErrorLog.LogError("CSplinterObject::Init lpObject is NULL");
            m_bHasTail = 0;
        }
        else
        {
            m_pCarried = carried;
            tail = FxModel(kHitGroundModel);
            if (tail != -1)
            {
                m_HitGroundFx.Init(tail, nullptr);
                m_HitGroundFx.SetParticlesMatrix(m_Frame.m_Matrix);
            }
        }
        // A dropped thing lies on the ground for long; without it the
        // limit is the same, as the kind asks.
        m_fLifeLimit = kCarryLifeLimit;
    }
    m_bHasTail = tail != -1;
    if (m_bHasTail)
    {
        m_Tail.Init(tail, nullptr);
        m_Tail.SetParticlesMatrix(m_Frame.m_Matrix);
    }

    m_fAge = 0.0f;
    m_fRadius = g_pModelManager ? g_pModelManager->GetModelScale(m_Model.Index()) : 1.0f;
    if (m_pCarried) m_fRadius = std::max(m_fRadius, m_pCarried->m_fRadius);
    CVector p = m_Frame.m_vPosition;
    p.z += m_fRadius / 2.0f;
    SetPosition(p);

    for (float& rate : m_fTumbleRate)
        rate = float(g_Random.RandomInt(10) + 1) / m_fScale * 1.8849558f;
    for (float& angle : m_fTumble)
        angle = float(g_Random.RandomInt(10) + 1) * 0.1f;
}

void CSplinterObject::Run()
{
    XTRACE("CSplinterObject::Run");
    if (!m_bAlive) return;
    const float dt = g_FrameTimer.GetFrameTime();
    m_fAge += dt;
    if (m_fAge > m_fLifeLimit)
    {
        m_Tail.StopParticles();
        m_HitGroundFx.StopParticles();
        m_Tail.Done();
        m_HitGroundFx.Done();
        m_bHasTail = 0;
        m_bHitGround = 0;
        g_ObjectList.DeleteObject(this);
        return;
    }
    if (m_bMoving)
        RunMove(dt);
    else
        RunRest(dt);
    for (CModelInstance* fx : {&m_Tail, &m_HitGroundFx})
    {
        if (!fx->HasParticles()) continue;
        fx->SetParticlesMotion(m_Frame.m_Matrix, dt);
        fx->UpdateParticles(dt);
    }
    if (m_pCarried)
    {
        CVector p = m_Frame.m_vPosition;
        p.z += m_pCarried->m_fRadius / 2.0f;
        m_pCarried->SetPosition(p);
    }
}

void CSplinterObject::RunMove(float dt)
{
    m_fTumble[0] += dt * m_fTumbleRate[0];
    m_fTumble[1] += dt * m_fTumbleRate[1];
    const CVector& pos = m_Frame.m_vPosition;
    float h = g_Location.GetHeight(pos, true);
    if (pos.z - h < kWaterBand) h = g_Location.GetHeight(pos, false);
    const float depth = m_fRadius / 2.0f + h - pos.z;
    const float base = depth <= -10.0f ? 1.1f : 4.0f;
    DampValue(&m_fTumbleRate[0], dt, base, 1e10f);
    DampValue(&m_fTumbleRate[1], dt, base, 1e10f);

    const float speedSq = m_vVelocity.LengthSq();
    if (depth > 0.0f)
    {
        CVector n{0.0f, 0.0f, 1.0f};
        if (g_pPhysics) g_pPhysics->GetMapLNormal(&n, &pos, false);
        const float nv = Dot(n, m_vVelocity);
        if (nv < 0.0f && speedSq > 5.0f)
        {
            SetPosition(CVector{pos.x, pos.y, m_fRadius / 2.0f + h});
            m_vVelocity = (m_vVelocity - n * (1.5f * nv)) * 0.75f;
            m_bHitGround = 1;
        }
    }
    if ((speedSq < 5.0f && depth > -10.0f) || (depth > -2.0f && speedSq < 100.0f))
    {
        m_fRestTime += std::min(dt, 0.1f);
        if (m_fRestTime > 0.25f)
        {
            m_bMoving = m_bPhysics = 0;
            m_bFlying = 0;
            m_bHitGround = 1;
            m_Tail.StopParticles();
            PlaceCarried();
        }
    }
}

void CSplinterObject::RunRest(float dt)
{
    CVector p = m_Frame.m_vPosition;
    p.z -= dt;
    SetPosition(p);
}

void CSplinterObject::PlaceCarried()
{
    if (!m_pCarried) return;
    const CVector& pos = m_Frame.m_vPosition;
    const float water = g_Location.GetHeight(pos, true);
    const float ground = pos.z - water < kWaterBand ? water : g_Location.GetHeight(pos, false);
    CMatrix m = TumbleMatrix(1.0f);
    m.SetTranslation(CVector{pos.x, pos.y, std::max(pos.z, ground) + m_pCarried->m_fRadius / 2.0f});
    m_pCarried->SetMatrix(m);
}

CMatrix CSplinterObject::TumbleMatrix(float scale) const
{
    CMatrix m = m_Frame.m_Matrix;
    CMatrix turn(1.0f);
    turn.SetRotationZ(m_fTumble[0]);
    MatrixMultiply(&m, &turn, &m);
    CMatrix tilt(1.0f);
    tilt.SetRotationX(m_fTumble[1]);
    MatrixMultiply(&m, &tilt, &m);
    m.ScaleRotation(scale);
    m.SetTranslation(m_Frame.m_vPosition);
    return m;
}

void CSplinterObject::Draw()
{
    XTRACE("CSplinterObject::Draw");
    DrawNVisible();
    // Thrown from inside its maker: shown once it is out.
    if (m_fAge <= 0.05f) return;
    const CMatrix m = TumbleMatrix(m_fScale);
    if (CComplexObject* model = GetComplexModel(m_Model.Index()))
    {
        SetWorldTransform(m);
        g_LightWare.SetLights(GetPosition(), m_fRadius);
        model->Render(nullptr, 0, -1);
    }
    if (m_pCarried && m_bMoving)
    {
        // The carried thing tumbles with it, over the splinter's middle.
        CMatrix c = TumbleMatrix(1.0f);
        c.SetTranslation(m_pCarried->GetPosition());
        m_pCarried->SetMatrix(c);
        m_pCarried->Draw();
    }
}

void CSplinterObject::DrawNVisible()
{
    if (!m_bHasTail && !m_bHitGround) return;
    g_EffectRenderManager.AddObject((GetPosition() - g_ViewCamera.m_vPosition).LengthSq(), this, 1);
}

void CSplinterObject::DrawEffect(int)
{
    XTRACE("CSplinterObject::DrawEffect");
    // The particles live in the world and face the camera.
    SetWorldTransform(CMatrix(1.0f));
    const CMatrix& camera = CComplexObject::s_CameraMatrix;
    const CVector right{camera.m[0][0], camera.m[0][1], camera.m[0][2]};
    const CVector up{camera.m[1][0], camera.m[1][1], camera.m[1][2]};
    for (CModelInstance* fx : {&m_Tail, &m_HitGroundFx})
    {
        if (!fx->HasParticles()) continue;
        fx->Update(CMatrix(1.0f), right, up);
        fx->Render(nullptr, -1, false);
    }
}
