// The glider's draw slots: the hull with its guns, the guns' shots queued
// for the effect pass, and the effect passes (stun sphere, shots, dust).

#include "units/GliderObject.h"
#include "world/ModelDraw.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TextureManager.h"
#include "foundation/Texture.h"
#include "graphics/TexShaderManager.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "units/EffectSprite.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/LightWare.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>

using namespace plat::d3d;

void CGliderObject::PreDraw()
{
    XTRACE("CGliderObject::PreDraw");
    RenderShadowPicture();
    if (!IsPlayer() || !m_bHeadlight) return;
    // Night vision doubles the light's reach factor.
    const float f = m_pMechanoid->IsFitted(EQP_NIGHTVISION) ? 2.0f : 1.0f;
    const float r = std::sqrt(f);
    const float base[3] = {0xE0 / 255.0f, 0xE0 / 255.0f, 0xFF / 255.0f};
    auto colour = [&base](float k) { return SColorValue{base[0] * k, base[1] * k, base[2] * k, k}; };
    const CVector p = GetPosition();
    SLight& h = m_Headlight;
    h = SLight{};
    h.Type = D3DLIGHT_SPOT;
    h.Diffuse = colour(r * 0.5f);
    h.Specular = colour(2.0f);
    h.Ambient = colour(1.0f);
    h.Position = {p.x, p.y, p.z + 5.0f};
    const CVector d = Normalize(ForwardAxis() - UpAxis() * 0.1f);
    h.Direction = {d.x, d.y, d.z};
    h.Range = r * 1500.0f;
    h.Falloff = 4.0f;
    h.Attenuation0 = 1.0f;
    h.Attenuation1 = 0.0f;
    h.Attenuation2 = (2.0f / h.Range) * (2.0f / h.Range) * 1.7320508f;
    const float cone = 1.0f + (f - 1.0f) * 0.5f;
    h.Phi = cone * 1.0471976f;
    h.Theta = cone * 0.3926991f;
    g_LightWare.AddLight(&h, 1.0f);
    SLight& g = m_GlowLight;
    g = SLight{};
    g.Type = D3DLIGHT_POINT;
    g.Diffuse = colour(0.5f);
    g.Specular = colour(0.5f);
    g.Position = {p.x, p.y, p.z};
    g.Range = r * 50.0f;
    g.Attenuation1 = 0.0f;
    g.Attenuation2 = 2.0f * (2.0f / g.Range) * (2.0f / g.Range);
    g_LightWare.AddLight(&g, 2.0f);
}

CMatrix GliderModelMatrix(const CVector& side, const CVector& up, const CVector& forward, const CVector& at)
{
    // The frame's axes in the rows, scaled by 4. The rows stay as the frame
    // has them: a negated side row would make the matrix a reflection, and
    // a reflected model shows its inside faces (the culling keeps the faces
    // turned away), so a hull looked lit on the side away from the sun.
    CMatrix m(1.0f);
    const CVector axes[3] = {side * 4.0f, up * 4.0f, forward * 4.0f};
    for (int r = 0; r < 3; ++r)
    {
        m.m[r][0] = axes[r].x;
        m.m[r][1] = axes[r].y;
        m.m[r][2] = axes[r].z;
    }
    m.SetTranslation(at);
    return m;
}

CMatrix CGliderObject::DrawingMatrix() const
{
    return GliderModelMatrix(SideAxis(), UpAxis(), ForwardAxis(), GetPosition());
}

void CGliderObject::UpdateAnimWeights(double clock)
{
    for (float& w : m_fAnimWeights)
        w = 0.0f;
    const SGliderParameters* t = GetParams();
    if (!t) return;
    auto limited = [](float s) { return std::copysign(std::min(std::fabs(s) * 0.01f, 1.0f), s); };
    // Slots: 0 turn (lean), 1 forward, 2 jump, 3 strafe, 4 ambient cycle.
    if (t->m_nAnims[3] != -1) m_fAnimWeights[3] = limited(Dot(m_vVelocity, SideAxis()));
    if (t->m_nAnims[0] != -1)
    {
        const float w = m_vR.z;
        const float v = std::copysign(std::min(std::fabs(w * 5.0f), 1.0f), w) + m_fLean;
        m_fAnimWeights[0] = std::clamp(-v, -1.0f, 1.0f);
    }
    if (t->m_nAnims[1] != -1) m_fAnimWeights[1] = limited(Dot(m_vVelocity, ForwardAxis()));
    if (t->m_nAnims[4] != -1)
    {
        const double n = std::floor(clock * 0.25);
        m_fAnimWeights[4] = limited(float(2.0 * (n - clock * 0.25) + 1.0));
    }
    float sum = 0.0f;
    for (float w : m_fAnimWeights)
        sum += w;
    if (sum > 1.0f)
        for (float& w : m_fAnimWeights)
            w /= std::sqrt(sum);
}

void CGliderObject::AnimState(float state[4]) const
{
    for (int i = 0; i < 4; ++i)
        state[i] = 0.0f;
    const SGliderParameters* t = GetParams();
    if (!t) return;
    for (int slot = 0; slot < 5; ++slot)
        if (const std::int32_t a = t->m_nAnims[slot]; a >= 0 && a < 4) state[a] = m_fAnimWeights[slot];
}

bool CGliderObject::IsHidden() const
{
    // A mech record whose mechanoid is gone or dead is not drawn.
    return m_pMech && (m_pMech->m_bDead || !m_pMech->m_bAlive);
}

void CGliderObject::Draw()
{
    XTRACE("CGliderObject::Draw");
    {
        XTRACE("Init Glider");
        PrepareMounts();
    }
    if (IsHidden()) return;
    if (IsPlayer() && g_CameraMode == 0)
    {
        DrawNVisible();
        return;
    }
    CComplexObject* model = GetComplexModel(GetModelId());
    const CMatrix drawing = DrawingMatrix();
    g_LightWare.SetLights(GetPosition(), m_fRadius);
    {
        XTRACE("Render Guns");
        const CMatrix owner = FiringMatrix(m_vSight);
        for (int i = 0; i < 2; ++i)
            if (m_Guns[i].m_bMounted) m_Guns[i].Draw(owner, MountMatrix(i), m_nDetailLevel, nullptr);
    }
    if (model && !(IsPlayer() && g_CameraMode == 6))
    {
        SetWorldTransform(drawing);
        const float level = g_Location.m_nCellsX > 0 ? g_Location.GetBrightnessAt(GetPosition()) : 1.0f;
        model->SetColor(level, level, level, 1.0f);
        float state[4] = {};
        if (g_Settings.GliderAnimation)
        {
            UpdateAnimWeights(g_FrameTimer.GetElapsed());
            AnimState(state);
        }
        model->Render(g_Settings.GliderAnimation ? state : nullptr, m_dwBrokenParts, -1);
        model->ResetColor();
        // Not in the water's reflection: the picture's target is in use.
        if (m_nDetailLevel >= 0 && m_nDetailLevel <= 3 && !g_ObjectList.m_bWaterPass)
        {
            XTRACE("Render Shadows");
            DrawShadow(model, g_Settings.GliderAnimation ? state : nullptr);
        }
    }
    if (m_bShieldEffect) m_ShieldView.MakeEffects();
    DrawNVisible();
}

void CGliderObject::DrawNVisible()
{
    XTRACE("CGliderObject::DrawNVisible");
    if (IsHidden()) return;
    PrepareMounts();
    const CMatrix owner = FiringMatrix(m_vSight);
    for (int i = 0; i < 2; ++i)
        if (m_Guns[i].m_bMounted && m_Guns[i].IsShotVisible())
            m_Guns[i].SetBarrelMatrices(owner, MountMatrix(i));
    const float d2 = (GetPosition() - g_ViewCamera.m_vPosition).LengthSq();
    g_EffectRenderManager.AddObject(d2, this, 1);
    if (m_fStunTime != 0.0f) g_EffectRenderManager.AddObject(d2 - 1.0f, this, 1000);
}

bool CGliderObject::ShadowOf(CComplexObject* model, const float* state, CShadowPass::SShadow* out) const
{
    const CVector sun = g_Environment.m_vSunDir;
    if (!model || g_Environment.m_bShadowsOff || sun.z <= 0.05f || !g_pModelManager || !g_pTexShaderManager ||
        !graph.m_lpDevice || g_Location.m_nCellsX <= 0)
        return false;
    const CVector p = GetPosition();
    // The ground under the glider as its last step found it; the shadow is
    // darkest near the ground and gone 60 units above it.
    const float h = m_Sphere.m_bUsed ? std::max(0.0f, p.z - m_Sphere.m_vCentre.z) : 0.0f;
    const float alpha = std::clamp(2.5f * (1.0f - h / 60.0f), 0.0f, 1.0f);
    if (alpha <= 0.0f) return false;
    CShadowPass::SShadow& s = *out;
    s = CShadowPass::SShadow{};
    s.model = model;
    if (state)
    {
        s.animated = true;
        std::copy(state, state + 4, s.state);
    }
    s.broken = m_dwBrokenParts;
    // The hull from above: world z is turned over, so that the picture's
    // camera looks down at the hull in its own size.
    s.view = DrawingMatrix();
    for (int r = 0; r < 3; ++r)
        s.view.m[r][2] = -s.view.m[r][2];
    s.view.SetTranslation(CVector{});
    s.view.ScaleRotation(0.25f);
    s.size = std::max(m_fGliderRadius * 0.5f, 0.1f);
    // The picture covers the square of half width e round the hull (its
    // camera sees 90 degrees from 1.44 away; the hull is drawn 4 times its
    // own size), laid on the ground displaced along the light by the
    // glider's height.
    s.extent = 4.0f * 1.44f * s.size / 0.98f;
    s.centre = CVector{p.x - sun.x / sun.z * h, p.y - sun.y / sun.z * h, p.z - h};
    s.radius = 3.0f * m_fGliderRadius;
    s.alpha = alpha;
    return true;
}

void CGliderObject::RenderShadowPicture()
{
    // Only where Draw will lay a shadow: not in the water's reflection, not
    // for a hidden glider, not for the player's hull seen from inside.
    m_nShadowTile = CShadowPass::kNoTile;
    m_nShadowPass = m_nSeenPass;
    if (g_ObjectList.m_bWaterPass || IsHidden() || m_nDetailLevel < 0 || m_nDetailLevel > 3 ||
        (IsPlayer() && (g_CameraMode == 0 || g_CameraMode == 6)))
        return;
    CComplexObject* model = GetComplexModel(GetModelId());
    float state[4] = {};
    if (g_Settings.GliderAnimation && model)
    {
        UpdateAnimWeights(g_FrameTimer.GetElapsed());
        AnimState(state);
    }
    CShadowPass::SShadow s;
    if (!ShadowOf(model, g_Settings.GliderAnimation ? state : nullptr, &s))
    {
        m_nShadowTile = CShadowPass::kUnseen;
        return;
    }
    m_nShadowTile = g_EffectRenderManager.Shadows().RenderPicture(s, m_nShadowPass);
}

void CGliderObject::DrawShadow(CComplexObject* model, float* state)
{
    CShadowPass::SShadow s;
    if (!ShadowOf(model, state, &s)) return;
    CShadowPass& shadows = g_EffectRenderManager.Shadows();
    // The picture the visibility pass rendered; without one (too many
    // gliders in view, or no visibility pass) rendered now.
    if (m_nShadowPass != m_nSeenPass || m_nShadowTile == CShadowPass::kNoTile)
        shadows.DrawNow(s);
    else if (m_nShadowTile >= 0)
        shadows.LayPatch(s, m_nShadowTile);
}

void CGliderObject::DrawFlames()
{
    XTRACE("Flames");
    const SGliderParameters* t = GetParams();
    if (!t || !t->m_bPrepared || !g_pModelManager || t->m_FirePoints[0].m_nPart < 0) return;
    if (!GetComplexModel(GetModelId())) return;
    // The flames burn once the common flame model is there; each is the
    // engine's own effect (ChangeID's instance).
    if (!GetComplexModel(g_pModelManager->FindName("MOD_GL_FIRE"))) return;
    CTexture* glow = nullptr;
    CTexture* flare = nullptr;
    if (g_pTextureManager)
    {
        const std::int32_t g = g_pTextureManager->FindName("TEX_GL_FIRE_GLOW");
        const std::int32_t f = g_pTextureManager->FindName("TEX_FIRE_GLOW2");
        glow = g >= 0 ? g_pTextureManager->GetTexture(g) : nullptr;
        flare = f >= 0 ? g_pTextureManager->GetTexture(f) : nullptr;
    }
    // The flame burns brighter with the flame value: 0.15 at 0.
    const float alpha = (1.0f - 7.0f / (m_fFlame * 3.33f + 10.0f)) * 0.5f;
    const float k = m_fThrottle > 0.0f ? 1.0f + m_fThrottle * 0.5f : 1.0f;
    const CMatrix drawing = DrawingMatrix();
    // The flame model stands along its y axis: turned about x it points
    // back along the glider, 6 wide and 1.5 long in its own units.
    CMatrix shape(1.0f);
    shape.m[0][0] = 6.0f;
    shape.m[1][1] = 0.0f;
    shape.m[1][2] = -6.0f;
    shape.m[2][1] = 1.5f;
    shape.m[2][2] = 0.0f;
    const double clock = g_FrameTimer.GetElapsed();
    for (int i = 0; i < SGliderParameters::kFirePoints; ++i)
    {
        const std::int32_t part = t->m_FirePoints[i].m_nPart;
        if (part == -1) break;
        if (m_dwLostFirePoints & (1u << i)) continue;
        CMatrix mount = GetMountMatrix(GetModelId(), part), at, flame;
        MatrixMultiply(&at, &mount, &drawing);
        MatrixMultiply(&flame, &shape, &at);
        const CVector point{at.m[3][0], at.m[3][1], at.m[3][2]};
        SetWorldTransform(flame);
        SetTextureFactorAlpha(std::clamp(alpha, 0.0f, 1.0f), kFactorRenderState | kFactorPixelShader);
        m_EngineFire.SetParticlesMatrix(flame);
        m_EngineFire.SetParticlesRange(k * k * 0.5f, k * k);
        m_EngineFire.Render(nullptr, -1, true);
        SetWorldTransform(CMatrix(1.0f));
        const float size = std::max(m_fGliderRadius, 1.0f);
        if (glow) DrawFacingQuad(point, size * 0.5f * k, 0.0f, glow, (k - 1.0f) * 0.75f + 0.25f, true);
        const float d = (point - g_ViewCamera.m_vPosition).Length();
        if (flare && d > 50.0f)
            DrawFacingQuad(point, size * 1.5f, 0.0f, flare,
                           std::min((d - 50.0f) * 0.01f, 1.0f) *
                               float(std::sin(clock * 3.14159265 * 20.0) * 0.2 + 0.8),
                           true);
    }
}

void CGliderObject::DrawEffect(int pass)
{
    XTRACE("CGliderObject::DrawEffect");
    if (pass == 1000)
    {
        CComplexObject* sphere = nullptr;
        if (g_pModelManager) sphere = GetComplexModel(g_pModelManager->FindName("MOD_EXP_ELECTRIC_SPHERE"));
        if (!sphere) return;
        CMatrix m = DrawingMatrix();
        m.ScaleRotation(3.5f / 4.0f);
        SetWorldTransform(m);
        sphere->Render(nullptr, 0, -1);
        return;
    }
    if (pass >= 2)
    {
        m_ShieldView.Render(std::uint32_t(pass - 2));
        return;
    }
    if (pass == 0 || pass == 1)
    {
        for (int i = 0; i < 2; ++i)
            if (m_Guns[i].m_bMounted) m_Guns[i].DrawEffect(false, m_nDetailLevel);
        m_bParticles = 1;
        if (pass == 1) DrawFlames();
        if (pass == 1 && m_nDetailLevel < 3 && g_pTextureManager)
        {
            const std::int32_t dust =
                g_pTextureManager->FindName(m_bOnWater ? "TEX_FX_WATER_DUST" : "TEX_FX_ROCKET_SMOKE");
            if (dust != -1)
            {
                m_Dust.MakeMesh();
                m_Dust.Render(dust, true);
            }
        }
    }
}
