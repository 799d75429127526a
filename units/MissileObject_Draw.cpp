// How a missile is drawn: queued by Draw for the effect pass, where
// DrawEffect picks the routine of its kind.

#include "units/MissileObject.h"
#include "world/ModelDraw.h"

#include "units/EffectSprite.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/EffectRenderManager.h"
#include "location/ViewCamera.h"
#include "world/LightWare.h"
#include "world/MMEngine.h"
#include "world/ObjectFrame.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>

using namespace plat::d3d;

namespace
{
// The device light that a triggered mine lights its body with (the guns'
// muzzle lights are 10 and 11).
constexpr std::uint32_t kMineLight = 12;

CTexture* TextureOf(std::int32_t id)
{
    return id >= 0 && g_pTextureManager ? g_pTextureManager->GetTexture(id) : nullptr;
}

double Clock()
{
    return g_FrameTimer.GetElapsed();
}

} // namespace

void CMissileObject::Draw()
{
    XTRACE("CMissileObject::Draw");
    g_EffectRenderManager.AddObject((GetPosition() - g_ViewCamera.m_vPosition).LengthSq(), this, 0);
}

void CMissileObject::DrawNVisible()
{
    const int kind = GetKind();
    if (kind == KIND_PLASMA || kind == KIND_ROCKET || kind == KIND_HAOS) Draw();
}

void CMissileObject::DrawEffect(int)
{
    XTRACE("CMissileObject::DrawEffect");
    if (!m_pDesc || !graph.m_lpDevice) return;
    CMatrix identity(1.0f);
    SetWorldTransform(identity);
    switch (GetKind())
    {
    case KIND_PLASMA:
        DrawPlasmaClot();
        break;
    case KIND_HAOS:
        DrawTail();
        DrawPlasmaClot();
        break;
    case KIND_ROCKET:
        if (m_bActive) DrawModel(1.0f, true);
        DrawTail();
        break;
    case KIND_BOMB:
        if (m_bActive) DrawModel(1.0f, false);
        DrawTail();
        break;
    case KIND_IMPULSE:
        DrawImpulse(0);
        break;
    case KIND_IMPULSE2:
        DrawImpulse(1);
        break;
    case KIND_PARTICLE:
        if (m_bActive)
            DrawFacingQuad(GetPosition(),
                           float(std::sin(Clock() * 50.0) * 0.1 + 0.9) * m_pDesc->m_fScale * 6.0f, 0.0f,
                           TextureOf(m_pDesc->m_nTexture2), 1.0f, true);
        m_Smoke.Render(g_MMEngine.m_nResourceIds[CMMEngine::kSmokeTexture], true);
        DrawTail();
        break;
    case KIND_SPHERE:
        DrawSphere();
        break;
    case KIND_MINE:
        DrawMine();
        break;
    case KIND_MODEL:
        DrawModel(std::max(m_fRadius, 0.01f), false);
        break;
    default:
        break;
    }
    DisableTextureTransform();
}

void CMissileObject::DrawTail()
{
    if (!m_bHasTail || !m_Tail.HasParticles()) return;
    // The particles were laid in the world; they face the camera.
    SetWorldTransform(CMatrix(1.0f));
    const CMatrix& camera = CComplexObject::s_CameraMatrix;
    m_Tail.Update(CMatrix(1.0f), CVector{camera.m[0][0], camera.m[0][1], camera.m[0][2]},
                  CVector{camera.m[1][0], camera.m[1][1], camera.m[1][2]});
    m_Tail.Render(nullptr, -1, false);
}

void CMissileObject::DrawPlasmaClot()
{
    const float scale = m_pDesc->m_fScale;
    const CVector p = GetPosition();
    const CVector eye = g_ViewCamera.m_vPosition;
    // The trace from the launch point, fading out in half a second.
    if (CTexture* trace = TextureOf(m_pDesc->m_nTexture2))
    {
        const float alpha = m_bActive ? 1.0f : std::max(0.0f, 2.0f * m_fFade);
        ApplyEffectMesh(CEffectRenderManager::GetClotMesh(&m_vLaunch, &p, scale * 0.25f, &eye, 0.0f), trace,
                        alpha, true);
    }
    CTexture* body = TextureOf(m_pDesc->m_nTexture);
    if (!m_bActive || !body) return;
    m_Frame.UpdateAxes();
    const CVector dir = m_vVelocity.LengthSq() > 1e-6f ? Normalize(m_vVelocity) : m_Frame.m_vForward;
    const double clock = Clock();
    for (int i = 3; i >= 0; --i)
    {
        const float size = (float(3 - i) * 0.15f + 1.0f) * scale;
        const float spin = i == 0 ? float(clock * 200.0) : 0.0f;
        DrawFacingQuad(p - dir * (float(i) * scale), size, spin, body, 1.0f, true);
    }
    DrawFacingQuad(p, float(std::sin(clock * 200.0) * 0.1 + 0.9) * scale * 5.0f, float(clock * 50.0), body,
                   1.0f, true);
}

void CMissileObject::DrawModel(float scale, bool turned)
{
    if (!g_pModelManager) return;
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(m_pDesc->GetModelId()));
    if (!model) return;
    CObjectFrame frame;
    frame.m_Matrix = m_Frame.m_Matrix;
    frame.UpdateAxes();
    if (turned && m_vVelocity.LengthSq() > 1e-6f)
        frame.SetForward(Normalize(frame.m_vForward + Normalize(m_vVelocity)));
    // The missile's frame as the objects are drawn, scaled.
    CMatrix m = frame.m_Matrix;
    m.ScaleRotation(scale);
    m.SetTranslation(GetPosition());
    SetWorldTransform(m);
    g_LightWare.SetLights(GetPosition(), m_fRadius);
    model->SetColor(1.0f, 1.0f, 1.0f, 1.0f);
    model->Render(nullptr, 0, -1);
    model->ResetColor();
}

void CMissileObject::DrawImpulse(int mode)
{
    if (!m_bActive) return;
    CTexture* texture = TextureOf(m_pDesc->m_nTexture);
    if (!texture) return;
    const float scale = m_pDesc->m_fScale;
    const CVector p = GetPosition();
    const float flown = (p - m_vLaunch).Length();
    const float length = std::min(flown, (mode == 0 ? 15.0f : 125.0f) * scale);
    m_Frame.UpdateAxes();
    if (length > 1.0f)
    {
        const CVector back = p - Normalize(p - m_vLaunch) * length;
        // Two crossed ribbons in the frame's planes, the texture's left part
        // along them: u from 0 at the far end to 0.46 at the missile.
        MakeTextureWindowMatrix(0.46f, 1.0f, 0.0f, 0.0f);
        ApplyEffectMesh(
            CEffectRenderManager::GetRayMesh2(back, p, scale * 0.5f, p + m_Frame.m_vUp * 100.0f, 0.0f, 0.0f),
            texture, 1.0f, true);
        ApplyEffectMesh(CEffectRenderManager::GetRayMesh2(back, p, scale * 0.5f, p + m_Frame.m_vSide * 100.0f,
                                                          0.0f, 0.0f),
                        texture, 1.0f, true);
    }
    // The glow: the texture's right part.
    MakeTextureWindowMatrix(0.46f, 0.92f, 0.52f, 0.04f);
    const float glow = mode == 0 ? 1.3f : 0.66f;
    DrawFacingQuad(p, float(std::sin(Clock() * 50.0) * 0.1 + 0.9) * scale * glow * 4.0f, 0.0f, texture, 1.0f,
                   true);
    DisableTextureTransform();
}

void CMissileObject::DrawSphere()
{
    CTexture* texture = TextureOf(m_pDesc->m_nTexture);
    if (!texture || !g_pModelManager || m_fRadius <= 0.0f) return;
    // One sphere, its texture turned to the camera, drawn three times
    // growing along the line of flight; it fades with the lifetime left.
    static CGeometryBuffer sphere;
    const CVector p = GetPosition();
    CEffectRenderManager::CreateSphereEx(&sphere, m_fRadius, 8, 0xFFFFFFFFu, p - g_ViewCamera.m_vPosition,
                                         false);
    m_Frame.UpdateAxes();
    const float alpha = m_fLifeTime * 0.15f + 0.05f;
    for (int i = 0; i < 3; ++i)
    {
        CMatrix m(1.0f);
        m.ScaleRotation(1.0f + 0.25f * float(i));
        m.SetTranslation(p + m_Frame.m_vForward * (float(i) * m_fRadius));
        SetWorldTransform(m);
        ApplyEffectMesh(g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &sphere),
                        texture, alpha, true);
    }
    SetWorldTransform(CMatrix(1.0f));
}

void CMissileObject::DrawMine()
{
    // A triggered mine glows red: a small red light on its body and a
    // blinking red glow.
    const bool triggered = m_bDetonating != 0;
    if (triggered)
    {
        SLight red{};
        red.Type = D3DLIGHT_POINT;
        red.Diffuse = {0xB2 / 255.0f, 0x22 / 255.0f, 0x22 / 255.0f, 1.0f};
        red.Specular = red.Diffuse;
        const CVector p = GetPosition();
        red.Position = {p.x, p.y, p.z};
        red.Range = 5.0f;
        red.Attenuation0 = 0.001f;
        red.Attenuation1 = 1.0f;
        red.Attenuation2 = 0.0f;
        graph.m_lpDevice->SetLight(kMineLight, &red);
        graph.m_lpDevice->LightEnable(kMineLight, true);
    }
    DrawModel(1.0f, false);
    if (!triggered) return;
    graph.m_lpDevice->LightEnable(kMineLight, false);
    const float blink = float(std::sin(20.0 * double(m_fLifeTime)));
    SetWorldTransform(CMatrix(1.0f));
    if (CTexture* glow = TextureOf(m_pDesc->m_nGlowTexture); glow && blink > 0.0f)
        DrawFacingQuad(GetPosition(), 3.0f * m_fRadius, 0.0f, glow, blink, true);
}
