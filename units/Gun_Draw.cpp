// The gun's drawing: its model at the owner's mount, its muzzle light and
// the visible shot of each shoot type.

#include "units/Gun.h"
#include "world/ModelDraw.h"

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
#include "graphics/Model.h"
#include "units/GliderObject.h"
#include "world/Camera.h"
#include "world/ObjectFrame.h"

#include <algorithm>
#include <cmath>

using namespace plat::d3d;

namespace
{
constexpr std::uint32_t kFireLight = 10;

// A fire point's matrix in the gun model: the identity at the point (the
// model's origin when the point or the model is missing).
CMatrix PointMatrix(std::int32_t model, std::int32_t point)
{
    return point >= 0 ? GetMountMatrix(model, point) : CMatrix(1.0f);
}

// The frames of the flash model's texture animation (1 without one).
std::int32_t FlashFrames(CComplexObject& flash)
{
    for (std::int32_t i = 0; i < flash.GetPartCount(); ++i)
    {
        const SObjectPart& part = flash.GetPart(i);
        if (part.Type() == 0 && part.m_pModel)
            return std::max(1, CModel::FrameCount(part.m_pModel->m_iFrameGrid));
    }
    return 1;
}
constexpr int kMaxLightning = 99;

CMatrix Product(const CMatrix& a, const CMatrix& b)
{
    CMatrix out;
    MatrixMultiply(&out, &a, &b);
    return out;
}

CVector Translation(const CMatrix& m)
{
    return CVector{m.m[3][0], m.m[3][1], m.m[3][2]};
}

CTexture* ShootTexture(const char* field)
{
    const std::int32_t id = FieldId(field);
    return id >= 0 && g_pTextureManager ? g_pTextureManager->GetTexture(id) : nullptr;
}

std::uint32_t Argb(const float colour[4], float alpha)
{
    auto c = [](float v) { return std::uint32_t(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
    return c(alpha) << 24 | c(colour[0]) << 16 | c(colour[1]) << 8 | c(colour[2]);
}

// Frame n of an atlas of count frames in a strip.
void AtlasFrame(int count, int n)
{
    MakeAtlasFrameMatrix(count, 1, ((n % count) + count) % count);
}

// A mesh of the effect buffer, additive, in the weapon's colour.
void DrawAdditive(CMesh* mesh, CTexture* texture, const float colour[4], float alpha)
{
    if (!mesh || !g_pTexShaderManager) return;
    SetTextureFactor(Argb(colour, alpha), kFactorRenderState | kFactorPixelShader);
    g_pTexShaderManager->ApplyStateBlock(SHADER_ADD_EFFECT_FACTOR, mesh, texture);
}
} // namespace

void CGun::SetBarrelMatrices(const CMatrix& owner, const CMatrix& mount)
{
    m_GunMatrix = Product(mount, owner);
    CMatrix mirrored = mount;
    mirrored.m[3][0] = -mirrored.m[3][0];
    m_GunMatrix2 = Product(mirrored, owner);
}

bool CGun::PrepareFirePoints()
{
    if (!m_pRecord) return false;
    if (m_pRecord->m_bInitialized) return true;
    const std::int32_t index = m_Key.Index();
    g_GunManager.InitGun(index);
    if (!g_GunManager.GetGun(index)->m_bInitialized) return false;
    // A private copy takes the fire points of the record anew.
    if (m_dwModif != 0)
    {
        const float reload = m_fReload, ammo = m_fAmmo, heat = m_fHeat;
        const std::uint8_t hot = m_bOverheated;
        Assign(m_Key, m_dwModif);
        m_fReload = reload, m_fAmmo = ammo, m_fHeat = heat, m_bOverheated = hot;
    }
    return m_pRecord && m_pRecord->m_bInitialized;
}

void CGun::Draw(const CMatrix& owner, const CMatrix& mount, int detail, const CMatrix* alternative)
{
    XTRACE("CGun::Draw");
    (void)detail;
    if (!PrepareFirePoints() || !g_pModelManager) return;
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(m_pRecord->GetModelId()));
    if (!model) return;
    // The "FIRE" sub-object moves with the firing intensity.
    float state[4] = {};
    const std::int32_t fire = m_pRecord->m_iFireObject;
    if (fire >= 0 && fire < 4) state[fire] = std::min(m_fIntensity * 4.0f, 1.0f);
    CMatrix place = mount;
    if (alternative)
    {
        place = *alternative;
        place.SetTranslation(Translation(mount));
    }
    m_GunMatrix = Product(place, owner);
    SetWorldTransform(m_GunMatrix);
    model->Render(state, 0, -1);
    if (m_pRecord->m_bDoubleGun)
    {
        CMatrix second = place;
        if (alternative)
        {
            const CVector t = Translation(*alternative) * 2.0f - Translation(mount);
            second.SetTranslation(t);
        }
        second.m[3][0] = -second.m[3][0];
        m_GunMatrix2 = Product(second, owner);
        SetWorldTransform(m_GunMatrix2);
        model->Render(state, 0, -1);
    }
}

void CGun::SetFireLight(const CMatrix& owner, const CMatrix& mount)
{
    XTRACE("CGun::SetFireLight");
    Device* device = graph.m_lpDevice;
    if (!m_pRecord || !device) return;
    const SGunParameters& g = *m_pRecord;
    const bool flicker = g.m_nType == 0;
    const float intensity =
        flicker ? (m_LookRandom.Random(3.0f) + 4.0f) * m_fIntensity : (0.5f - m_fIntensity) * 8.0f;
    SLight l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {intensity * g.m_Color[0], intensity * g.m_Color[1], intensity * g.m_Color[2], 1.0f};
    l.Specular = l.Diffuse;
    l.Range = flicker ? 5.0f : 30.0f;
    l.Attenuation0 = 0.001f;
    l.Attenuation1 = flicker ? 1.0f : 0.2f;
    const CMatrix gun = Product(mount, owner);
    CVector point{g.m_vFirePoint[0], g.m_vFirePoint[1], g.m_vFirePoint[2]}, at;
    if (!(g.m_bDoubleGun && g.m_nType != 0 && m_nBarrel == 1))
    {
        VectorTransformCoord(&at, &gun, &point);
        l.Position = {at.x, at.y, at.z};
        device->SetLight(kFireLight, &l);
        device->LightEnable(kFireLight, true);
    }
    if (g.m_nType == 0 || (g.m_bDoubleGun && m_nBarrel == 1))
    {
        point.x = -point.x;
        VectorTransformCoord(&at, &gun, &point);
        l.Position = {at.x, at.y, at.z};
        device->SetLight(kFireLight + 1, &l);
        device->LightEnable(kFireLight + 1, true);
    }
}

int CGun::BarrelMatrices(int point, CMatrix barrels[2]) const
{
    const SGunParameters& g = *m_pRecord;
    const CMatrix at = PointMatrix(g.GetModelId(), g.m_FirePoints[point]);
    barrels[0] = Product(at, m_GunMatrix);
    barrels[1] = g.m_bDoubleGun ? Product(at, m_GunMatrix2) : barrels[0];
    return g.m_bDoubleGun ? 2 : 1;
}

void CGun::DrawEffect(bool matricesOnly, int detail)
{
    XTRACE("CGun::DrawEffect");
    (void)detail;
    if (!PrepareFirePoints()) return;
    const SGunParameters& g = *m_pRecord;
    // The player's own guns seen from the cockpit may have a flash of
    // their own.
    std::int32_t fx = FieldId(g.m_FxModel);
    if (IsPlayerGlider(m_pOwner) && g_CameraMode == 6 && FieldId(g.m_FxModel2) != -1)
        fx = FieldId(g.m_FxModel2);
    CComplexObject* flash = fx != -1 ? GetComplexModel(fx) : nullptr;
    CMatrix barrels[2];
    BarrelMatrices(0, barrels);
    if (flash)
    {
        const bool shows = g.m_bVType ? m_fIntensity > 0.0f : m_fSinceShot < g.m_fFxModelTime;
        // The barrel that fired shows the flash: a single barrel always;
        // of a double gun the one that fired last, or both for weapons of
        // other kinds than 1.
        const bool first = !(g.m_nType == 1 && g.m_bDoubleGun && m_nBarrel == 1);
        const bool second = g.m_bDoubleGun && !(g.m_nType == 1 && m_nBarrel == 0);
        int points = 0;
        for (int p = 0; p < 3; ++p)
        {
            if (g.m_FirePoints[p] < 0 && p > 0) break;
            ++points;
            CMatrix at[2];
            BarrelMatrices(p, at);
            if (matricesOnly || !shows) continue;
            const std::int32_t frames = FlashFrames(*flash);
            for (int b = 0; b < 2; ++b)
            {
                if (!(b == 0 ? first : second)) continue;
                flash->SetModelsParam(frames > 1 ? m_LookRandom.RandomInt(frames) : 0);
                SetWorldTransform(at[b]);
                flash->Render(nullptr, 0, -1);
            }
        }
        // The shot leaves from one of the fire points, chosen anew.
        if (points > 1) BarrelMatrices(m_LookRandom.RandomInt(points) == 0 ? 0 : 1, barrels);
    }
    if (!matricesOnly && IsShotVisible()) DrawShoot(g.m_nShootType, barrels[0], barrels[1]);
}

void CGun::DrawShoot(int type, const CMatrix& barrel1, const CMatrix& barrel2)
{
    XTRACE("CGun::DrawShoot");
    if (!m_pRecord || m_fBeamLength == 0.0f || !g_pTexShaderManager) return;
    const SGunParameters& g = *m_pRecord;
    const CVector eye = g_ViewCamera.m_vPosition;
    const CVector starts[2] = {Translation(barrel1), Translation(barrel2)};
    const int barrels = g.m_bDoubleGun ? 2 : 1;
    const double clock = g_FrameTimer.GetElapsed();
    CMatrix identity(1.0f);
    SetWorldTransform(identity);
    CTexture* tex0 = ShootTexture(g.m_ShootTex[0]);
    CTexture* tex1 = ShootTexture(g.m_ShootTex[1]);
    switch (type)
    {
    case 1:
    case 7:
    {
        if (m_fShotFlash <= 0.0f) break;
        const float alpha = m_nBurstFrames == 0 ? 0.5f : 2.0f * m_fIntensity;
        const int frames = type == 7 ? 8 : 4;
        const int frame = int(clock * 16.0) % 4;
        const int count = g.m_bDoubleGun && g.m_nType != 1 ? barrels : 1;
        // From the cockpit, where the hull is not drawn, the ribbon starts
        // behind the eye so that it runs out of the view's bottom.
        CVector back;
        if (auto* glider = dynamic_cast<CGliderObject*>(m_pOwner);
            glider && IsPlayerGlider(glider) && g_CameraMode == 0)
            back = glider->ForwardAxis() * -10.0f;
        for (int b = 0; b < count; ++b)
        {
            const CVector a = starts[b] + back;
            const CVector e = a + m_vDirection * m_fBeamLength;
            const float step = 1.0f / float(g.m_nXState + 1);
            AtlasFrame(frames, frame);
            DrawAdditive(
                CEffectRenderManager::GetShotMesh(a, e, g.m_fShootScale * 0.1f, eye, 0.0f, false, step, 0.0f),
                tex0, g.m_Color, alpha);
            if (type == 7)
            {
                AtlasFrame(8, frame + 4);
                DrawAdditive(CEffectRenderManager::GetShotMesh(a, e, g.m_fShootScale * 0.3f, eye, 0.0f, false,
                                                               step * 0.5f, 0.0f),
                             tex0, g.m_Color, alpha);
            }
        }
        break;
    }
    case 3:
    {
        if (!tex0) break;
        for (int r = 1; r >= 0; --r)
        {
            const CVector a = starts[r == 1 && barrels == 2 ? 1 : 0];
            const float phase = float(std::fmod(350.0 * r + 3000.0 * clock, 1000.0));
            DrawAdditive(CEffectRenderManager::GetRayMesh2(a, a + m_vDirection * m_fBeamLength,
                                                           g.m_fShootScale * 0.15f, eye, 700.0f, phase),
                         tex0, g.m_Color, 1.0f);
        }
        break;
    }
    case 6:
    {
        if (m_fSinceShot > 0.7f || !tex0) break;
        const int points = std::clamp(1 + int(m_fBeamLength * 0.1f), 1, kMaxLightning);
        const float alpha = m_fSinceShot < 0.6f ? 1.0f : (0.7f - m_fSinceShot) * 5.0f;
        const CVector end =
            barrels == 2 ? (m_vBeamEnd[0] + m_vBeamEnd[1]) * 0.5f : m_vBeamEnd[0] + m_vDirection * 3.0f;
        for (int b = 0; b < barrels; ++b)
        {
            CVector bolt[kMaxLightning + 1];
            const CVector a = starts[b];
            for (int i = 0; i <= points; ++i)
            {
                const float t = float(i) / float(points);
                bolt[i] = a + (end - a) * t;
                if (i == 0 || i == points) continue;
                const float r = g.m_fShootScale * 0.75f * float(points - i) / float(std::max(points - 1, 1));
                bolt[i] = bolt[i] + CVector{m_LookRandom.Random(2.0f * r) - r, m_LookRandom.Random(2.0f * r) - r,
                                            m_LookRandom.Random(2.0f * r) - r};
            }
            for (int i = 0; i < points; ++i)
            {
                AtlasFrame(8, m_LookRandom.RandomInt(8));
                DrawAdditive(CEffectRenderManager::GetRayMesh2(bolt[i], bolt[i + 1], 2.0f, eye, 0.0f, 0.0f),
                             tex0, g.m_Color, alpha);
            }
        }
        break;
    }
    case 8:
    case 10:
    {
        const float t = m_fSinceShot, fx = g.m_fFxTime > 0.0f ? g.m_fFxTime : 0.25f;
        if (t > fx || !tex0) break;
        const float w = t >= fx * 0.5f ? g.m_fShootScale * 2.0f * t / fx : g.m_fShootScale;
        for (int b = 0; b < barrels; ++b)
        {
            const CVector a = starts[b];
            const CVector e = barrels == 1 ? m_vBeamEnd[m_nBarrel & 1] : a + m_vDirection * m_fBeamLength;
            AtlasFrame(16, int(16.0f * t / fx));
            DrawAdditive(CEffectRenderManager::GetShotMesh(a, e, type == 8 ? w : w * 0.5f, eye, t / fx, false,
                                                           w * 0.1f, 0.0f),
                         tex0, g.m_Color, 1.0f);
            if (tex1)
            {
                AtlasFrame(8, int(8.0f * t / fx));
                DrawAdditive(CEffectRenderManager::GetBeamMesh(&a, &e, w, &eye, t / fx, 0.02f, t * -2.5f),
                             tex1, g.m_Color, 1.0f);
            }
        }
        break;
    }
    default:
        break;
    }
    DisableTextureTransform();
}
