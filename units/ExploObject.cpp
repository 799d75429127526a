#include "units/ExploObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Random.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "units/Gun.h"
#include "units/KindManagers.h"
#include "units/SplinterObject.h"
#include "location/EffectRenderManager.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>

namespace
{

enum ELayerKind
{
    LAYER_SPRITE = 1,
    LAYER_FRAME = 2,
    LAYER_BURST = 5,
    LAYER_RING = 6,
    LAYER_SPRAY = 7,
    LAYER_SHOCK = 8,
    LAYER_SMOKE = 9,
    LAYER_CHILDREN = 10,
    LAYER_SPLINTERS = 11,
    LAYER_MODEL = 12,
};

constexpr float kPi = 3.14159265f;

constexpr float kGravity = 147.0f;

int Rand(int n)
{
    return g_Random.RandomInt(n);
}

// A random outward direction, mostly upward for the larger z term.
CVector ThrowDirection(float zBase, float zStep)
{
    const float r1 = float(Rand(10)), r2 = float(Rand(10)), r3 = float(Rand(10));
    return Normalize(CVector{2.0f - 0.4f * r3, 2.0f - 0.4f * r2, zBase - zStep * r1});
}

} // namespace

CExploObject::CExploObject()
{
    m_nType = OBJ_EXPLOSION;
    m_bMoving = 1;
    m_bAlive = 1;
    m_bShown = 1;
    m_bDeleteNotify = 1;
}

CExploObject::~CExploObject()
{
    for (CModelInstance& m : m_Models)
        m.Done();
}

void CExploObject::Init(const CMatrix& placement, std::int32_t type)
{
    XTRACE("CExploObject::Init");
    m_bSoundPlayed = 0;
    m_Frame.SetMatrix(placement, true);
    m_Frame.UpdateAxes();
    m_iType = type;
    m_pDesc = g_ExploManager.Param(type);
    m_fAge = 0.0f;
    m_fLifeTime = 0.5f;
    if (!m_pDesc) return;
    m_fRadius = m_pDesc->m_fRadius;
    for (int n = 0; n < kLayers; ++n)
        InitLayer(n);
    m_fSpeedFactor = float(Rand(100) + 100) * 0.006666667f;
    m_fHeight = m_Frame.m_vPosition.z - g_Location.GetHeight(m_Frame.m_vPosition, false);
    // With a light, the frame's drawing calls PreDraw (seen or not) for
    // its flash.
    m_bLightOn = m_pDesc->m_bLight;
    m_bPreDrawVisible = m_bPreDrawInvisible = m_bLightOn;
}

void CExploObject::PreDraw()
{
    if (!m_pDesc || !m_pDesc->m_bLight) return;
    if (m_fAge > 1.0f)
    {
        m_bLightOn = m_bPreDrawVisible = m_bPreDrawInvisible = 0;
        return;
    }
    // Swells as t^2 over the first tenth of a second, then dies as 1 / t^4.
    const float t = m_fAge * 10.0f;
    const float k = t < 1.0f ? t * t : 1.0f / (t * t * t * t);
    // The colour is kept with red and blue swapped: red is the low byte.
    const std::uint32_t c = m_pDesc->m_dwLightColor;
    const float f = 20.0f * k;
    const plat::d3d::SColorValue colour{float(c & 0xFF) / 255.0f * f, float((c >> 8) & 0xFF) / 255.0f * f,
                                        float((c >> 16) & 0xFF) / 255.0f * f, 1.0f};
    m_Light.Type = plat::d3d::D3DLIGHT_POINT;
    m_Light.Diffuse = m_Light.Specular = m_Light.Ambient = colour;
    const CVector& p = m_Frame.m_vPosition;
    m_Light.Position = {p.x, p.y, p.z};
    m_Light.Range = m_pDesc->m_fLightRadius;
    const float reach = 20.0f / m_Light.Range;
    m_Light.Attenuation0 = 1.0f;
    m_Light.Attenuation1 = 0.0f;
    m_Light.Attenuation2 = (t <= 1.0f ? std::sqrt(k) : 1.0f) * reach * reach;
    m_bLightOn = 1;
    g_LightWare.AddLight(&m_Light, 1.0f);
}

void CExploObject::InitLayer(int n)
{
    const SExploLayer& l = m_pDesc->m_Layers[n];
    m_Texture[n] = Rand(l.m_nTextures);
    m_ModelVariant[n] = Rand(l.m_nModels);
    if (l.m_nKind == 0) return;
    m_fRadius = std::max({m_fRadius, l.m_fScale, l.m_fScale2});
    m_fLifeTime = std::max(m_fLifeTime, l.m_fDelay + l.m_fDuration);
    const CVector& pos = m_Frame.m_vPosition;
    m_FirstPoint[n] = m_nPoints;
    m_FirstItem[n] = m_nItems;
    const int freePairs = (kMaxPoints - m_nPoints) / 2;
    switch (l.m_nKind)
    {
    case LAYER_FRAME:
        m_LayerFrame[n] = Rand(l.m_nXState * l.m_nYState);
        [[fallthrough]];
    case LAYER_SPRITE:
        if (l.m_bRandomPhase) m_Phase[n] = int((g_Random.Next() >> 8) % 100);
        break;
    case LAYER_BURST:
    {
        int count = l.m_nNum != 0 ? l.m_nNum : Rand(3) + 1;
        const float camera = (g_ViewCamera.m_vPosition - pos).Length();
        if (camera > 100.0f) count /= 2;
        if (camera > 200.0f) count /= 4;
        if (camera > 300.0f) count = 0;
        count = std::min({count, freePairs, kMaxItems - m_nItems});
        for (int i = 0; i < count; ++i)
        {
            const CVector dir = ThrowDirection(4.0f, 0.4f);
            m_Points[m_nPoints++] = dir * (l.m_fSpeed * (0.5f + 0.1f * float(Rand(10))));
            m_Points[m_nPoints++] = pos;
            m_ItemFrame[m_nItems++] = Rand(l.m_nXState * l.m_nYState);
        }
        m_Count[n] = count;
        break;
    }
    case LAYER_RING:
    {
        const int count = std::min(l.m_nNum, freePairs);
        const float phase = float(Rand(100)) * 0.06283186f;
        for (int i = 0; i < count; ++i)
        {
            const float a = 2.0f * float(i) * 3.14159265f / float(count) + phase;
            CVector dir{std::cos(a), std::sin(a), 0.1f};
            VectorTransformNormal(&dir, &m_Frame.m_Matrix, &dir);
            m_Points[m_nPoints++] = dir * l.m_fSpeed;
            m_Points[m_nPoints++] = pos + dir * 0.1f;
        }
        m_Count[n] = count;
        break;
    }
    case LAYER_SPRAY:
    {
        const int count = std::min(l.m_nNum, freePairs);
        const float dt = g_FrameTimer.GetFrameTime();
        for (int i = 0; i < count; ++i)
        {
            CVector v;
            v.x = l.m_fSpeed * (1.0f - 0.02f * float(Rand(100)));
            v.y = l.m_fSpeed * (1.0f - 0.02f * float(Rand(100)));
            v.z = l.m_fSpeed * (1.0f - 0.02f * float(Rand(100)));
            v = v * (0.5f + 0.1f * float(Rand(10)));
            m_Points[m_nPoints++] = v;
            m_Points[m_nPoints++] = pos - v * (float(Rand(5) + 5) * dt * 0.1f);
        }
        m_Count[n] = count;
        break;
    }
    case LAYER_SHOCK:
    {
        const int count = std::min(l.m_nNum, kMaxPoints - m_nPoints);
        for (int i = 0; i < count; ++i)
        {
            const float r = float(i + 1) * 0.1f;
            m_Points[m_nPoints++] = CVector{l.m_fScale * r, 1.0f - r * r, 0.0f};
        }
        m_Count[n] = count;
        // The shell: a unit sphere turned to the camera, scaled per point.
        CEffectRenderManager::CreateSphereEx(&m_Meshes[n], 1.0f, 6, 0xFFFFFFFFu, g_ViewCamera.m_vForward,
                                             true);
        break;
    }
    case LAYER_SMOKE:
    {
        if (m_nPoints < kMaxPoints) ++m_nPoints;
        // A ring of smoke laid round the explosion on the ground, growing
        // from the start to the end scale over the layer.
        const std::uint32_t count = std::uint32_t(std::max(l.m_nNum, 1));
        const float scale = std::max(l.m_fScale, 0.001f);
        const float duration = std::max(l.m_fDuration, 0.001f);
        CExploParticles& smoke = m_Smoke[n];
        smoke.Init(3, count, &pos, float(count) / (scale * 2.0f * kPi), duration * 0.66f, l.m_fScale,
                   l.m_fScale2 / scale / duration);
        if (l.m_nAdd) smoke.m_nTechnique = CSmoke::kTechniqueFaded;
        const CMatrix& m = m_Frame.m_Matrix;
        const CVector lift = CVector{m.m[0][2], m.m[1][2], m.m[2][2]} * 0.1f;
        for (int k = 0; k <= 20; ++k)
        {
            const float a = float(k) * kPi / 10.0f;
            CVector d{std::cos(a) * l.m_fScale, std::sin(a) * l.m_fScale, 0.0f};
            VectorTransformNormal(&d, &m, &d);
            CVector at = pos + d + lift;
            at.z = g_Location.GetHeight(at, true) + l.m_fScale * 0.5f;
            smoke.AddPuff(at.x, at.y, at.z, 1.0f, 0xFFFFFFu, nullptr);
        }
        break;
    }
    case LAYER_MODEL:
    {
        const std::int32_t model = l.m_nModel[std::clamp(m_ModelVariant[n], 0, SExploLayer::kMaxModels - 1)];
        if (model != -1) m_Models[n].Init(model, nullptr);
        break;
    }
    default:
        break;
    }
}

void CExploObject::AttachTo(CMMObject* object)
{
    m_pOwner = object;
    m_bAttached = 1;
    m_vOffset = m_Frame.m_vPosition - (object ? object->GetPosition() : CVector{});
}

void CExploObject::ApplyVolumeDamage()
{
    if (!m_pDesc || (m_pDesc->m_fDamage == 0.0f && m_pDesc->m_fImpulse == 0.0f)) return;
    g_ObjectList.SetVolumeDamage(&m_Frame.m_vPosition, m_pDesc->m_fRadius, m_pDesc->m_fDamage,
                                 m_pDesc->m_fImpulse, m_pOwner, m_pDesc->m_bPlane != 0, m_nWeaponKind,
                                 m_pDesc->m_nDamageType - 1);
}

void CExploObject::ProcessDelete(CMMObject* deleted)
{
    if (deleted == m_pOwner) m_pOwner = nullptr;
}

void CExploObject::Run()
{
    XTRACE("CExploObject::Run");
    if (!m_bAlive) return;
    const float dt = g_FrameTimer.GetFrameTime();
    if (m_bAttached && m_pOwner) SetPosition(m_pOwner->GetPosition() + m_vOffset);
    if (!m_bSoundPlayed)
    {
        m_bSoundPlayed = 1;
        if (m_pDesc) PlayMotionless(m_pDesc->m_iSound, m_Frame.m_vPosition);
        if (!IsNetworkCopy(this)) ApplyVolumeDamage();
    }
    if (m_pDesc)
        for (int n = 0; n < kLayers; ++n)
            RunLayer(n, dt);
    m_fAge += dt * m_fSpeedFactor;
    m_fLifeTime -= dt * m_fSpeedFactor;
    if (m_fLifeTime <= 0.0f) g_ObjectList.DeleteObject(this);
}

void CExploObject::RunLayer(int n, float dt)
{
    const SExploLayer& l = m_pDesc->m_Layers[n];
    const float t = m_fAge - l.m_fDelay;
    const float u = l.m_fDuration > 0.0f ? t / l.m_fDuration * m_fSpeedFactor : (t >= 0.0f ? 1.0f : 0.0f);
    CVector* points = m_Points + m_FirstPoint[n];
    switch (l.m_nKind)
    {
    case LAYER_CHILDREN:
    case LAYER_SPLINTERS:
    {
        if (u >= 1.0f || t < 0.0f) break;
        const int due = int(u * float(l.m_nNum) - 0.5f);
        for (; m_Made[n] < due; ++m_Made[n])
        {
            const CVector& pos = m_Frame.m_vPosition;
            if (l.m_nKind == LAYER_CHILDREN)
            {
                CVector d{float(Rand(100) - 50) * 0.02f, float(Rand(100) - 50) * 0.02f,
                          float(Rand(100) - 50) * 0.02f};
                if (d.LengthSq() > 1.0f) d = Normalize(d);
                const float k = std::clamp(t / std::max(l.m_fDuration, 1e-6f), 0.0f, 1.0f);
                d = d * (l.m_fScale + (l.m_fScale2 - l.m_fScale) * k);
                CMatrix m(1.0f);
                m.SetTranslation(pos + d);
                CExploObject* child = static_cast<CExploObject*>(g_ExploManager.CreateObject(l.m_iChild, m));
                if (!child) continue;
                child->m_bNetwork = m_bNetwork;
                child->m_bLocal = m_bLocal;
                child->m_nWeaponKind = m_nWeaponKind;
                if (m_bAttached) child->AttachTo(m_pOwner);
            }
            else
            {
                const float s = g_Random.Random(l.m_fScale2 - l.m_fScale) + l.m_fScale;
                CMatrix m(s);
                m.SetTranslation(pos + CVector{0.0f, 0.0f, l.m_fShift});
                auto* splinter = new CSplinterObject;
                const int variant = std::clamp(Rand(l.m_nModels), 0, SExploLayer::kMaxModels - 1);
                splinter->Init(m, STypeKey(l.m_nModel[variant]), l.m_nTrail, nullptr);
                g_ObjectList.AddObject(splinter);
                splinter->m_pOwner = m_pOwner;
                splinter->m_vVelocity =
                    ThrowDirection(1.5f, 0.05f) * (l.m_fSpeed * (0.25f + 0.1f * float(Rand(10)))) +
                    m_vInherited;
            }
        }
        break;
    }
    case LAYER_BURST:
        for (int i = 0; i < m_Count[n]; ++i)
        {
            points[2 * i].z -= 3.0f * kGravity * dt;
            points[2 * i + 1] += points[2 * i] * dt;
        }
        break;
    case LAYER_RING:
        for (int i = 0; i < m_Count[n]; ++i)
            points[2 * i + 1] += points[2 * i] * dt;
        break;
    case LAYER_SPRAY:
        for (int i = 0; i < m_Count[n]; ++i)
        {
            points[2 * i + 1] += points[2 * i] * dt;
            points[2 * i] *= 1.0f / std::pow(1.5f, dt);
            points[2 * i].z -= kGravity * dt;
        }
        break;
    case LAYER_SHOCK:
        if (t < 0.0f) break;
        for (int i = 0; i < m_Count[n]; ++i)
        {
            const float v = std::min(l.m_fDuration > 0.0f ? t / l.m_fDuration : 1.0f, 1.0f);
            const float a = 0.3f - 0.3f * float(i) / float(std::max(l.m_nNum, 1));
            points[i] = CVector{l.m_fScale * (a + (1.0f - a) * std::sqrt(v)), 1.0f - v, 0.0f};
        }
        break;
    case LAYER_SMOKE:
    {
        if (t < 0.0f) break;
        m_Smoke[n].Run(dt);
        const CVector centre = m_Frame.m_vPosition + CVector{0.0f, 0.0f, GrowingScale(l, t) * 0.5f};
        m_Smoke[n].Run(l.m_fSpeed * std::max(1.0f - u, 0.0f) * dt, &centre);
        break;
    }
    case LAYER_MODEL:
        if (t > 0.0f)
        {
            CMatrix m = m_Frame.m_Matrix;
            m.ScaleRotation(GrowingScale(l, t));
            m.SetTranslation(m_Frame.m_vPosition + CVector{0.0f, 0.0f, l.m_fShift});
            m_Models[n].SetParticlesMotion(m, dt);
            m_Models[n].UpdateParticles(dt);
        }
        break;
    default:
        break;
    }
}
