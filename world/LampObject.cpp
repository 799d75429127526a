#include "world/LampObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "graphics/ModelManager.h"
#include "world/EffectQueue.h"
#include "world/KindManagers.h"
#include "world/LightWare.h"
#include "world/ObjectScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace plat::d3d;

CLampObject::CLampObject()
{
    m_nType = OBJ_LAMP;
    m_bPreDrawVisible = 1;
    m_bPreDrawInvisible = 1;
    m_bCollidable = 1;
    m_bSphereCollider = 1;
    m_bShown = 1;
    m_bPhysics = 0;
    m_bMoving = 0;
}

void CLampObject::Init(const CMatrix& placement, const char* typeName)
{
    XTRACE("CLandObject::Init");
    std::memset(m_TypeRef, 0, sizeof m_TypeRef);
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", typeName ? typeName : "");
    SetMatrix(placement);
    m_nTypeIndex = g_LampManager.FindName(m_TypeRef);
    m_pLampType = g_LampManager.GetKind(m_nTypeIndex);
    m_pType = m_pLampType;
    float modelRadius = 1.0f;
    const std::int32_t model = GetModelId();
    if (model >= 0 && g_pModelManager)
    {
        const SModelRecord* record = g_pModelManager->GetRecord(model);
        if (record) modelRadius = record->m_fRadius;
    }
    const auto& r = placement.m[0];
    m_fRadius = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) * modelRadius;
    m_bSphereCollider = m_fRadius < 20.0f;

    m_Light = SLight{};
    m_Light.Type = D3DLIGHT_POINT;
    const CVector p = GetPosition();
    m_Light.Position = {p.x, p.y, p.z + m_fRadius};
    m_Light.Range = m_pLampType ? m_pLampType->m_fRadius : 125.0f;
    m_Light.Attenuation0 = 1.0f;
    m_Light.Attenuation1 = 0.01f;
    m_Light.Attenuation2 = 0.001f;
    m_bCollidable = m_pLampType && m_pLampType->m_fScale > 0.5f;
}

float CLampObject::OnLevel(std::uint32_t ambient, std::uint32_t sun, float limit)
{
    float on = float(ambient & 0xFF) / 256.0f + float(sun & 0xFF) / 128.0f - (2.0f * limit + 1.0f);
    if (on >= 0.0f) return 0.0f;
    return std::min(1.0f, -4.0f * on);
}

void CLampObject::PreDraw()
{
    XTRACE("CLampObject::PreDraw");
    const CVector d = GetPosition() - GetViewerPosition();
    const float dist = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (dist > kNoLightBeyond)
    {
        m_fGlow = m_fHalo = m_fGround = 0.0f;
        return;
    }
    const float limit = m_pLampType ? m_pLampType->m_fLimit : 0.0f;
    // Without an environment it is full daylight.
    const std::uint32_t ambient = g_pEnvironmentLights ? g_pEnvironmentLights->GetLightColor(0) : 0xFFFFFFFFu;
    const std::uint32_t sun = g_pEnvironmentLights ? g_pEnvironmentLights->GetLightColor(1) : 0xFFFFFFFFu;
    m_fOn = OnLevel(ambient, sun, limit);
    m_fHalo = m_fOn <= 0.5f ? 0.0f : 2.0f * (m_fOn - 0.5f);
    m_fGround = m_fOn;
    if (m_fDistance > 400.0f)
        m_fGround = m_fOn * 0.5f;
    else if (m_fDistance > 200.0f)
        m_fGround = m_fOn * ((400.0f - m_fDistance) * 0.0025f + 0.5f);
    const float fade = dist < 500.0f ? 1.0f : (1000.0f - dist) * 0.002f;
    m_fGlow = float(std::sin(double(std::uint32_t(m_nObjectNumber)) + 2.0 * g_GameTime) + 3.0) * fade * m_fOn;
    if (m_fGlow < 0.001f) return;
    const float* c = m_pLampType ? m_pLampType->m_fColor : nullptr;
    const float rgb[3] = {c ? c[0] : 0.5f, c ? c[1] : 0.5f, c ? c[2] : 0.5f};
    m_Light.Diffuse = {rgb[0] * m_fGlow, rgb[1] * m_fGlow, rgb[2] * m_fGlow, 1.0f};
    m_Light.Specular = m_Light.Diffuse;
    m_Light.Ambient = {rgb[0] * m_fGlow * 0.25f, rgb[1] * m_fGlow * 0.25f, rgb[2] * m_fGlow * 0.25f, 1.0f};
    g_LightWare.AddLight(&m_Light, 1.0f);
}

void CLampObject::Draw()
{
    XTRACE("LampObject::Draw");
    // The base draw enables the nearest lights and dims the model.
    CMMObject::Draw();
    if (m_fHalo > 0.05f) QueueEffect(this, 0);
}

void CLampObject::DrawEffect(int)
{
    XTRACE("CLampObject::DrawEffect");
    if (m_pLampType && !m_pLampType->m_bPrepared) g_LampManager.InitLamp(m_nTypeIndex);
}
