#include "world/LampObject.h"
#include "world/ModelDraw.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "world/EffectQueue.h"
#include "world/KindManagers.h"
#include "world/LightWare.h"
#include "world/ObjectFrame.h"
#include "world/ObjectScene.h"
#include "world/SceneryObjects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace plat::d3d;

namespace
{
constexpr int kTechniqueFactorAlpha = 19;
constexpr int kTechniqueAddFactor = 38;
// Position, a colour word, two texture pairs: what the terrain hands out.
constexpr std::uint32_t kPatchFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
// A patch of 300 vertices holds the ground of about this radius.
constexpr float kPoolMaxRadius = 40.0f;

} // namespace

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
    m_fRadius = SceneryRadius(placement, GetModelId());
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
    m_bPatchBuilt = 0;
}

float CLampObject::PoolRadius() const
{
    return std::min(4.0f * m_fRadius, kPoolMaxRadius);
}

CVector CLampObject::LightPoint() const
{
    const CVector p = GetPosition();
    return {p.x, p.y, p.z + 0.8f * m_fRadius};
}

void CLampObject::DrawPool()
{
    if (!m_pLampType || m_pLampType->m_nShadow == -1 || m_fGlow <= 0.001f) return;
    if (!m_bPatchBuilt && m_fRadius < kPoolBelowRadius && g_pObjectCells)
    {
        if (!m_Patch.m_pVertices) m_Patch.Allocate(kPatchFvf, kPatchVertices, kPatchIndices);
        m_Patch.m_nVertexCount = m_Patch.m_nIndexCount = 0;
        const CVector p = GetPosition();
        // Cells whose ground is not loaded yet give nothing: ask again next frame.
        m_bPatchBuilt = g_pObjectCells->GetMapMesh(p.x, p.y, PoolRadius(), &m_Patch) ? 1 : 0;
        SetPatchColour(m_Patch, 0xFFFFFFFFu);
    }
    Device* d = graph.m_lpDevice;
    if (!d || m_Patch.m_nIndexCount == 0 || !g_pModelManager || !g_pTexShaderManager || !g_pTextureManager)
        return;
    CTexture* tex = g_pTextureManager->GetTexture(m_pLampType->m_nShadow);
    CMesh* mesh =
        tex ? g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Patch) : nullptr;
    if (!mesh) return;
    SetWorldTransform(CMatrix(1.0f));
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    SetTextureFactorAlpha(m_fGlow * 0.15f, 3);
    g_pTexShaderManager->ApplyStateBlock(kTechniqueFactorAlpha, mesh, tex);
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

void CLampObject::DrawBillboard(std::int32_t texture, const CVector& at, float scale, float alpha,
                                int technique)
{
    if (texture == -1 || !g_pModelManager || !g_pTexShaderManager || !g_pTextureManager) return;
    CTexture* tex = g_pTextureManager->GetTexture(texture);
    if (!tex) return;
    CGeometryBuffer* quad = g_pModelManager->SetBillboardQuad(1.0f, 1.0f, true);
    CMesh* mesh =
        quad ? g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iModelsSlot, quad) : nullptr;
    if (!mesh) return;
    CMatrix m(1.0f);
    BuildBillboardMatrix(at, GetViewerPosition(), m);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m.m[r][c] *= scale;
    SetWorldTransform(m);
    SetTextureFactorAlpha(alpha, 3);
    g_pTexShaderManager->ApplyStateBlock(technique, mesh, tex);
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
    DrawPool();
    // The base draw enables the nearest lights and dims the model.
    CMMObject::Draw();
    if (m_fHalo > 0.05f) QueueEffect(this, 0);
}

void CLampObject::DrawEffect(int)
{
    XTRACE("CLampObject::DrawEffect");
    if (m_pLampType && !m_pLampType->m_bPrepared) g_LampManager.InitLamp(m_nTypeIndex);
    const std::int32_t model = GetModelId();
    if (!m_pLampType || !m_pLampType->m_bPrepared || model < 0 || !g_pModelManager ||
        !g_pModelManager->GetModel(model))
        return;
    const float number = float(std::uint32_t(m_nObjectNumber));
    const CVector eye = GetViewerPosition();
    CVector at = LightPoint();
    if (m_pLampType->m_nFxPart != -1)
    {
        // The marker part's frame carried by the lamp's matrix.
        auto* complex = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(model));
        if (complex && m_pLampType->m_nFxPart < complex->GetPartCount())
        {
            SObjectPart& part = complex->GetPart(m_pLampType->m_nFxPart);
            if (part.m_pModel)
            {
                const STransData& t = m_pLampType->m_FxTrans;
                CMatrix marker(1.0f), world(1.0f);
                GetTransMatrix(&marker, part.m_pModel.get(), t.iOrigin, t.iForward, t.iRight, t.iTop,
                               nullptr);
                MatrixMultiply(&world, &marker, &m_Frame.m_Matrix);
                at = CVector{world.m[3][0], world.m[3][1], world.m[3][2]};
            }
        }
    }
    const CVector toEye = eye - at;
    const float distance = std::sqrt(Dot(toEye, toEye));
    const float alpha = float(std::sin(double(number) + g_GameTime * 5.0) * 0.2 + 0.8) * m_fHalo;
    if (m_pLampType->m_nGlow != -1)
    {
        // A little toward the camera, so the lamp's own model does not cut it.
        const CVector glowAt = distance > 0.0f ? at + toEye * (0.2f * m_fRadius / distance) : at;
        const float scale = float(std::sin(double(number) + g_GameTime * 50.0) * 0.01 + 1.0) *
                            m_pLampType->m_fScale * m_fRadius * 0.75f;
        DrawBillboard(m_pLampType->m_nGlow, glowAt, scale, alpha, kTechniqueFactorAlpha);
    }
    if (m_pLampType->m_nFlare != -1)
    {
        const float scale = std::max(0.5f * m_fRadius, std::sqrt(distance)) * m_pLampType->m_fScale;
        DrawBillboard(m_pLampType->m_nFlare, at, scale, alpha, kTechniqueAddFactor);
    }
}
