// CEnvironment: the sky dome, glow band, clouds, sun, moon, horizon and the
// fog every other draw uses.
#include "location/Environment.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/EnvFX.h"
#include "location/ViewCamera.h"
#include "world/ObjectFrame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
using namespace plat::d3d;

constexpr float kTwoPi = 6.28318530717958f;
constexpr std::uint8_t kFactorAll = kFactorRenderState | kFactorPixelShader;


std::uint32_t FloatBits(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

SMatrix ToDevice(const CMatrix& m)
{
    SMatrix out;
    std::memcpy(&out, &m, sizeof(out));
    return out;
}

void SetRS(std::uint32_t state, std::uint32_t value)
{
    graph.m_lpDevice->SetRenderState(state, value);
}

void SetWorld(const CMatrix& m)
{
    const SMatrix d = ToDevice(m);
    graph.m_lpDevice->SetTransform(D3DTS_WORLD, &d);
}

void SetTextureMatrix(int stage, const CMatrix& m)
{
    const SMatrix d = ToDevice(m);
    graph.m_lpDevice->SetTransform(D3DTS_TEXTURE0 + std::uint32_t(stage), &d);
}

void SetTransformFlags(std::uint32_t flags)
{
    graph.m_lpDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, flags);
    graph.m_lpDevice->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, flags);
}

CTexture* TextureOf(std::int32_t id)
{
    return id != -1 && g_pTextureManager ? g_pTextureManager->GetTexture(id) : nullptr;
}

CMatrix Translation(const CVector& t)
{
    CMatrix m(1.0f);
    m.SetTranslation(t);
    return m;
}

void Apply(int technique, CMesh* mesh, CTexture* t0 = nullptr, CTexture* t1 = nullptr, CTexture* t2 = nullptr)
{
    if (g_pTexShaderManager && mesh) g_pTexShaderManager->ApplyStateBlock(technique, mesh, t0, t1, t2);
}

// Near and far distances of a perspective projection; the fallbacks when
// the matrix is not one.
void ProjectionDistances(const CMatrix& p, float& nearDistance, float& farDistance)
{
    const float q = p.m[2][2], r = p.m[3][2];
    if (p.m[2][3] != 1.0f || q == 0.0f || q == 1.0f) return;
    const float n = -r / q, f = -r / (q - 1.0f);
    if (n > 0.0f && f > n) nearDistance = n, farDistance = f;
}
} // namespace

CVector CEnvironment::ViewDirection() const
{
    const auto& m = g_ViewCamera.m_mView.m;
    return CVector{m[0][2], m[1][2], m[2][2]};
}

void CEnvironment::SetFog(bool on, float scale, float add)
{
    Device* device = graph.m_lpDevice;
    if (!on)
    {
        if (!device) return;
        SetRS(D3DRS_FOGENABLE, 0);
        SetRS(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        SetRS(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
        if (m_Work.fogMode == 3)
        {
            SetRS(D3DRS_FOGSTART, FloatBits(10000.0f));
            SetRS(D3DRS_FOGEND, FloatBits(100000.0f));
        }
        else
            SetRS(D3DRS_FOGDENSITY, FloatBits(0.0f));
        return;
    }
    if (m_Work.fogMode == 0)
    {
        if (m_Work.fogDensity == 0.0f) m_Work.fogDensity = 0.0002f;
        m_Work.fogMode = 2;
    }
    const int radius = std::max(1, g_Settings.VisibleRadius);
    const float floor = radius < 512 ? 512.0f / float(radius) * 0.00025f : 0.00025f;
    const float density = std::max(floor, m_Work.fogDensity) * scale * m_fFogMultiplier + add;
    m_fLastFogDensity = density;
    if (!graph.m_bTableFog) m_Work.fogMode = 3;
    ProjectionDistances(g_ViewCamera.m_mProjection, m_fNearDistance, m_fFarDistance);
    if (m_Work.fogMode == 3 && density > 0.0f)
    {
        // Where squared-exponential fog of this density reaches 10 % and 99 %.
        m_Work.fogStart = std::sqrt(std::log(1.1111111f)) / density + m_fNearDistance;
        m_Work.fogEnd = std::min(std::sqrt(std::log(100.0f)) / density + m_fNearDistance, m_fFarDistance);
    }
    else if (m_Work.fogMode == 3)
    {
        // No density (a multiplier of 0): no fog, not a division by zero.
        m_Work.fogStart = 10000.0f;
        m_Work.fogEnd = 100000.0f;
    }
    const float k = (Dot(ViewDirection(), m_vSunDir) + 1.0f) * 0.5f;
    m_uFogColor = BlendColorRGB(m_Work.fogToSun, m_Work.fogFromSun, k);
    if (!device) return;
    if (graph.m_bTableFog)
    {
        SetRS(D3DRS_FOGTABLEMODE, std::uint32_t(m_Work.fogMode));
        SetRS(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    }
    else
    {
        if (graph.m_bRangeFog) SetRS(D3DRS_RANGEFOGENABLE, 1);
        SetRS(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
        SetRS(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    }
    if (m_Work.fogMode == 3)
    {
        SetRS(D3DRS_FOGSTART, FloatBits(m_Work.fogStart));
        SetRS(D3DRS_FOGEND, FloatBits(m_Work.fogEnd));
    }
    else
        SetRS(D3DRS_FOGDENSITY, FloatBits(density));
    SetRS(D3DRS_FOGENABLE, 1);
    SetRS(D3DRS_FOGCOLOR, m_uFogColor);
}

void CEnvironment::ClearScreen()
{
    if (!graph.m_lpDevice) return;
    if (ViewDirection().z < -0.05f)
        graph.Clear(D3DCLEAR_ZBUFFER, 0);
    else
        graph.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, m_uSkyColor);
}

void CEnvironment::RenderCloudLayer(std::int32_t texture, const CMatrix& matrix, float alpha)
{
    CTexture* t = TextureOf(texture);
    if (!t || !m_pSkyDome) return;
    SetTextureFactorAlpha(alpha, kFactorAll);
    SetTextureMatrix(0, matrix);
    // The same texture scrolls slower on the second stage.
    CMatrix second = matrix;
    second.m[2][0] *= 0.45454544f;
    second.m[2][1] *= 0.4f;
    SetTextureMatrix(1, second);
    Apply(SHADER_SKYLAYER, m_pSkyDome.get(), t);
}

void CEnvironment::RenderEnv()
{
    XTRACE("CEnvironment::RenderEnv");
    Device* device = graph.m_lpDevice;
    if (!device) return;
    SetFog(false, 1.0f, 0.0f);
    SetRS(D3DRS_ZENABLE, 1);
    SetRS(D3DRS_ZWRITEENABLE, 0);
    SetRS(D3DRS_LIGHTING, 0);
    SetRS(D3DRS_SPECULARENABLE, 0);

    const CVector view = ViewDirection();
    const CVector eye = g_ViewCamera.m_vPosition;
    const CVector h = Normalize(CVector{view.x, view.y, 0.0f});
    const bool level = std::fabs(view.z) < 0.9f;
    const int radius = g_Settings.VisibleRadius;

    // The band carries the sky textures: without one it is not drawn.
    if (level && m_pGlowBand && TextureOf(m_iSkyA))
    {
        // The band's centre (+y) turned into the view direction, stretched
        // up by 5, at the camera.
        CMatrix world(1.0f);
        world.m[0][0] = h.y, world.m[0][1] = -h.x;
        world.m[1][0] = h.x, world.m[1][1] = h.y;
        world.m[2][2] = 5.0f;
        world.SetTranslation(eye);
        SetWorld(world);
        const CVector s = Normalize(CVector{m_vSunDir.x, m_vSunDir.y, 0.0f});
        float angle = std::acos(std::clamp(s.x * h.x + s.y * h.y, -1.0f, 1.0f));
        if (s.x * h.y - s.y * h.x <= 0.0f) angle = -angle;
        CMatrix shift(1.0f);
        shift.m[2][0] = -angle / kTwoPi;
        SetTextureMatrix(0, shift);
        SetTextureMatrix(1, shift);
        SetTransformFlags(D3DTTFF_COUNT2);
        device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(1, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        SetRS(D3DRS_ZWRITEENABLE, 0);
        if (m_fSkyBlend == 0.0f)
            Apply(SHADER_ALPHA_EFFECT_NOLIGHT, m_pGlowBand.get(), TextureOf(m_iSkyA));
        else
        {
            SetTextureFactorAlpha(m_fSkyBlend, kFactorAll);
            Apply(SHADER_TEX2FACTOR_NOLIGHT, m_pGlowBand.get(), TextureOf(m_iSkyA), TextureOf(m_iSkyB));
        }
        device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        device->SetTextureStageState(1, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        SetTransformFlags(D3DTTFF_DISABLE);
    }

    const SEnvRecord* next = m_bChanging ? GetRecord(m_iNext) : nullptr;
    const float cloudFog = float(radius) * 0.00048828125f + 0.75f;
    const auto cloudLayer = [&](int layer, float fogScale)
    {
        const std::int32_t mine = SEnvRecord::TextureId(layer == 0 ? m_Work.cloud1 : m_Work.cloud2);
        const std::int32_t theirs =
            next ? SEnvRecord::TextureId(layer == 0 ? next->cloud1 : next->cloud2) : -1;
        if (mine == -1 && theirs == -1) return;
        SetWorld(Translation(eye));
        SetRS(D3DRS_CULLMODE, D3DCULL_NONE);
        SetFog(true, fogScale, 0.0f);
        SetTransformFlags(D3DTTFF_COUNT2);
        RenderCloudLayer(mine, m_mCloud[layer], next ? 1.0f - m_fChange : 1.0f);
        if (next) RenderCloudLayer(theirs, m_mNextCloud[layer], m_fChange);
        SetTransformFlags(D3DTTFF_DISABLE);
    };

    SetWorld(Translation(eye));
    cloudLayer(0, cloudFog * 0.6f);

    CMesh* sprite = m_pSprite.get();
    const auto placeSprite = [&](const CVector& direction, float distance)
    {
        CObjectFrame frame;
        frame.SetForward(direction);
        CMatrix world(1.0f);
        CMatrix::InvertRotation(frame.m_Matrix, world);
        world.ScaleRotation(2000.0f);
        world.SetTranslation(eye + direction * distance);
        SetWorld(world);
    };

    // Sun.
    const std::int32_t sunMine = SEnvRecord::TextureId(m_Work.sun);
    const std::int32_t sunNext = next ? SEnvRecord::TextureId(next->sun) : -1;
    if (sprite && m_vSunDir.z > -0.1f && (sunMine != -1 || sunNext != -1))
    {
        SetFog(true, 0.1f, 0.0f);
        placeSprite(m_vSunDir, 5000.0f * (m_vSunDir.z + 1.0f));
        if (!next)
            Apply(SHADER_ALPHA_EFFECT_NOLIGHT, sprite, TextureOf(sunMine));
        else if (sunMine != -1 && sunNext != -1)
        {
            SetTextureFactorAlpha(m_fChange, kFactorAll);
            SetRS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            SetRS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            Apply(SHADER_TEX2FACTOR_NOLIGHT, sprite, TextureOf(sunMine), TextureOf(sunNext));
        }
        else
            Apply(SHADER_ALPHA_EFFECT_NOLIGHT, sprite, TextureOf(sunMine != -1 ? sunMine : sunNext));
        SetRS(D3DRS_ZWRITEENABLE, 0);
    }

    // Moon.
    const std::int32_t moonMine = SEnvRecord::TextureId(m_Work.moon);
    const std::int32_t moonNext = next ? SEnvRecord::TextureId(next->moon) : -1;
    if (sprite && m_vMoonDir.z > -0.1f && (moonMine != -1 || moonNext != -1))
    {
        SetFog(true, 0.1f, 0.0f);
        placeSprite(m_vMoonDir, 6000.0f * (m_vMoonDir.z + 0.9f));
        if (!next)
            Apply(SHADER_ALPHA_EFFECT_NOLIGHT, sprite, TextureOf(moonMine));
        else if (moonMine == -1)
        {
            SetTextureFactorAlpha(m_fChange, kFactorAll);
            Apply(SHADER_TEXFACTOR_NOLIGHT, sprite, TextureOf(moonNext));
        }
        else
        {
            SetTextureFactorAlpha(1.0f - m_fChange, kFactorAll);
            Apply(SHADER_TEXFACTOR_NOLIGHT, sprite, TextureOf(moonMine));
        }
        SetRS(D3DRS_ZWRITEENABLE, 0);
    }

    SetRS(D3DRS_ZENABLE, 0);
    cloudLayer(1, cloudFog * 0.75f);

    SetRS(D3DRS_CULLMODE, D3DCULL_CCW);
    SetRS(D3DRS_LIGHTING, 1);
    SetRS(D3DRS_SPECULARENABLE, 1);
    SetRS(D3DRS_ZWRITEENABLE, 1);
    SetRS(D3DRS_ZENABLE, 1);

    // Horizon.
    auto* horizon = level && m_bHorizonEnabled && m_iHorizonModel != -1 && g_pModelManager
                        ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(m_iHorizonModel))
                        : nullptr;
    if (horizon && horizon->GetPartCount() > 0 && horizon->GetPart(0).m_pModel)
    {
        SObjectPart& part = horizon->GetPart(0);
        SetRS(D3DRS_SRCBLEND, D3DBLEND_ONE);
        SetRS(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        SetFog(true, 0.225f, 0.00008f);
        UpdateLights();
        SetWorld(Translation(eye));
        SetTextureFactor(m_uFogColor | 0xFF000000u, kFactorAll);
        device->SetMaterial(&part.m_pModel->m_Material);
        // The material keeps no texture scale of its own yet: 1.
        SetTextureMatrix(1, CMatrix(1.0f));
        CMatrix drift(1.0f);
        const double phase = g_GameTime * 0.01;
        drift.m[2][0] = float(phase - std::floor(phase));
        SetTextureMatrix(2, drift);
        Apply(SHADER_HORIZONT, m_HorizonFace.SelectFace(view), TextureOf(part.m_iTextures[0]),
              TextureOf(part.m_iTextures[1]), TextureOf(part.m_iTextures[2]));
        horizon->Render(nullptr, 0, -1);
        SetFog(true, 1.0f, 0.0f);
    }
}

void CEnvironment::RenderHorizonLimit()
{
    if (!graph.m_lpDevice) return;
    graph.Clear(D3DCLEAR_ZBUFFER, 0);
    if (!g_pModelManager) return;
    const std::int32_t id = g_pModelManager->FindName("MOD_HOR_LIMIT");
    auto* model = id != -1 ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id)) : nullptr;
    if (!model || model->GetPartCount() == 0 || !model->GetPart(0).m_pModel) return;
    const CVector view = ViewDirection();
    const float s = float(g_Settings.VisibleRadius - 32) * 10.0f * 0.01f;
    const float r = 1.5707963f - std::atan2(view.y, view.x);
    CMatrix world(1.0f);
    world.m[0][0] = std::cos(r) * s, world.m[0][1] = -std::sin(r) * s;
    world.m[1][0] = std::sin(r) * s, world.m[1][1] = std::cos(r) * s;
    world.m[2][2] = s;
    world.SetTranslation(g_ViewCamera.m_vPosition);
    SetWorld(world);
    Apply(SHADER_DEPTH_ONLY, model->GetPart(0).m_pModel->GetCurrentMesh(nullptr));
}

void CEnvironment::RenderFX(bool skipWeather)
{
    XTRACE("CEnvironment::RenderFX");
    if (!skipWeather && m_pEffect) m_pEffect->Render();
    if (!graph.m_lpDevice) return;
    SetRS(D3DRS_ZENABLE, 0);
    const SEnvRecord* next = m_bChanging ? GetRecord(m_iNext) : nullptr;
    const bool sun =
        SEnvRecord::TextureId(m_Work.sun) != -1 || (next && SEnvRecord::TextureId(next->sun) != -1);
    if (m_vSunDir.z >= 0.1f && sun && m_fGlare > 0.0f && g_pModelManager && g_pTextureManager)
    {
        CMesh* sprite = m_pSprite.get();
        CObjectFrame frame;
        frame.SetForward(m_vSunDir);
        CMatrix world(1.0f);
        CMatrix::InvertRotation(frame.m_Matrix, world);
        world.ScaleRotation(2000.0f * 5.0f);
        world.SetTranslation(g_ViewCamera.m_vPosition + m_vSunDir * 6000.0f);
        if (CTexture* back = TextureOf(g_pTextureManager->FindName("TEX_SUN_BACK")); back && sprite)
        {
            SetWorld(world);
            SetTextureFactorAlpha(m_fGlare * 0.5f, kFactorAll);
            Apply(SHADER_ADD_EFFECT_FACTOR, sprite, back);
        }
        const float q = Dot(ViewDirection(), m_vSunDir) * 8.0f - 7.0f;
        CTexture* front = TextureOf(g_pTextureManager->FindName("TEX_SUN_FRONT"));
        if (q > 0.0f && front && sprite)
        {
            world.ScaleRotation(0.15f);
            SetWorld(world);
            SetTextureFactorAlpha(q * m_fGlare * 0.5f, kFactorAll);
            Apply(SHADER_ADD_EFFECT_FACTOR, sprite, front);
        }
    }
    SetRS(D3DRS_ZENABLE, 1);
}

void CEnvironment::InitResources()
{
    XTRACE("CEnvironment::InitResources");
    UpdateHorizont();
    m_mCloud[0] = CMatrix(1.0f);
    m_mCloud[0].m[0][0] = m_mCloud[0].m[1][1] = m_Work.cloudScale1;
    m_mCloud[1] = CMatrix(1.0f);
    m_mCloud[1].m[0][0] = m_mCloud[1].m[1][1] = m_Work.cloudScale2;

    const std::uint32_t memory = graph.m_lpDevice ? MESH_MEMORY_STATIC : MESH_MEMORY_HEAP;
    if (m_pSkyDome) SubMeshMemory(m_pSkyDome.get());
    // A flat dome of 20 x 20 vertices, fading out towards its rim.
    m_pSkyDome = std::make_unique<CMesh>(memory, 578u, 400, 1u, 2166);
    m_pSkyDome->Lock(true, true);
    std::vector<SWorkVertex> dome(400);
    for (int k = 0; k < 400; ++k)
    {
        const int i = k % 20, j = k / 20;
        const float x0 = 750.0f * float(i) - 7500.0f, y0 = 750.0f * float(j) - 7500.0f;
        const float z0 = 200.0f - (x0 * x0 + y0 * y0) * 0.00002f;
        const float d = std::sqrt(x0 * x0 + y0 * y0 + z0 * z0);
        const std::uint32_t alpha = std::uint32_t(255.0f * std::clamp(2.0f - d * 0.001f, 0.0f, 1.0f));
        SWorkVertex& v = dome[std::size_t(k)];
        v = SWorkVertex{};
        v.position[0] = 4.0f * x0;
        v.position[1] = 4.0f * y0;
        v.position[2] = 8.0f * z0;
        v.diffuse = alpha << 24 | 0xFFFFFFu;
        v.tex0[0] = float(i - 10);
        v.tex0[1] = float(j - 10);
        v.tex1[0] = 0.3154574f * float(i - 10);
        v.tex1[1] = 0.3194888f * float(j - 10);
    }
    m_pSkyDome->StoreVertices(dome.data());
    std::uint16_t* index = m_pSkyDome->m_pIndices;
    for (int k = 0; k < 400 && index; ++k)
    {
        const int i = k % 20, j = k / 20;
        if (i >= 19 || j >= 19) continue;
        const std::uint16_t a = std::uint16_t(k);
        for (std::uint16_t v : {a, std::uint16_t(a + 1), std::uint16_t(a + 20), std::uint16_t(a + 20),
                                std::uint16_t(a + 1), std::uint16_t(a + 21)})
            *index++ = v;
    }
    m_pSkyDome->Unlock(true, true);
    AddMeshMemory(m_pSkyDome.get());

    // The unit quad the sun, the moon and the glare are drawn on, facing +z.
    m_pSprite = std::make_unique<CMesh>(memory, 578u, 4, 1u, 6);
    m_pSprite->Lock(true, true);
    SWorkVertex corners[4] = {};
    for (int v = 0; v < 4; ++v)
    {
        corners[v].position[0] = float(v % 2) - 0.5f;
        corners[v].position[1] = float(v / 2) - 0.5f;
        corners[v].diffuse = 0xFFFFFFFFu;
        corners[v].tex0[0] = corners[v].tex1[0] = float(v % 2);
        corners[v].tex0[1] = corners[v].tex1[1] = 1.0f - float(v / 2);
    }
    m_pSprite->StoreVertices(corners);
    const std::uint16_t spriteIndices[6] = {0, 2, 1, 1, 2, 3};
    if (m_pSprite->m_pIndices) std::memcpy(m_pSprite->m_pIndices, spriteIndices, sizeof spriteIndices);
    m_pSprite->Unlock(true, true);

    // The glow band: a flat quad (not drawn) and ten strips of 3.6 degrees
    // around +y, white below, blue above.
    m_pGlowBand = std::make_unique<CMesh>(memory, 322u, 44, 1u, 66);
    m_pGlowBand->Lock(true, true);
    std::vector<SWorkVertex> band(44);
    const float quad[4][2] = {
        {-40000.0f, -20000.0f}, {40000.0f, -20000.0f}, {-40000.0f, 20000.0f}, {40000.0f, 20000.0f}};
    for (int v = 0; v < 4; ++v)
    {
        band[std::size_t(v)] = SWorkVertex{};
        band[std::size_t(v)].position[0] = quad[v][0];
        band[std::size_t(v)].position[1] = quad[v][1];
        band[std::size_t(v)].position[2] = 400.0f;
        band[std::size_t(v)].diffuse = 0xFFFFFFFFu;
    }
    std::vector<std::uint16_t> bandIndices = {0, 2, 1, 1, 2, 3};
    for (int s = 0; s < 10; ++s)
    {
        const int b = 4 + 4 * s;
        for (int v = 0; v < 4; ++v)
        {
            const float step = float((v % 2) + s - 5);
            const float a = step * 0.06283186f;
            SWorkVertex& w = band[std::size_t(b + v)];
            w = SWorkVertex{};
            w.position[0] = 24000.0f * std::sin(a);
            w.position[1] = 6000.0f * std::cos(a);
            w.position[2] = 900.0f * float(v / 2);
            w.diffuse = v < 2 ? 0xFFFFFFFFu : 0xFF0000FFu;
            w.tex0[0] = step * 0.02f + 0.5f;
            w.tex0[1] = 1.0f - float(v / 2);
        }
        for (int i : {b, b + 1, b + 2, b + 1, b + 3, b + 2})
            bandIndices.push_back(std::uint16_t(i));
    }
    m_pGlowBand->StoreVertices(band.data());
    if (m_pGlowBand->m_pIndices)
        std::memcpy(m_pGlowBand->m_pIndices, bandIndices.data(), bandIndices.size() * 2);
    m_pGlowBand->Unlock(true, true);
    // Drawn range: the strips only.
    m_pGlowBand->m_nFirstVertex = 4;
    m_pGlowBand->m_nVertexCount = 40;
    m_pGlowBand->m_nStartIndex = 6;
    m_pGlowBand->m_nIndexCount = 60;
}

void CEnvironment::ReleaseResources()
{
    XTRACE("CEnvironment::ReleaseResources");
    if (m_pSkyDome) SubMeshMemory(m_pSkyDome.get());
    m_pSkyDome.reset();
    m_pGlowBand.reset();
    m_pSprite.reset();
    m_pEffect.reset();
}

void CEnvironment::UpdateHorizont()
{
    XTRACE("CEnvironment::UpdateHorizont");
    if (m_iHorizonModel == -1 || !g_pModelManager) return;
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModelForce(m_iHorizonModel));
    if (!model || model->GetPartCount() == 0 || !model->GetPart(0).m_pModel) return;
    CMesh* mesh = model->GetPart(0).m_pModel->GetCurrentMesh(nullptr);
    if (mesh) m_HorizonFace.Build(*mesh, graph.m_nScreenWidth, graph.m_nScreenHeight);
}
