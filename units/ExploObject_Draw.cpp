// How an explosion is drawn: Draw queues it for the effect pass, where
// DrawEffect draws each layer from its delay until its end, by kind.

#include "units/ExploObject.h"
#include "world/ModelDraw.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/EffectRenderManager.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "units/EffectSprite.h"
#include "world/ObjectFrame.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>

using namespace plat::d3d;

namespace
{
constexpr float kTwoPi = 6.2831853f;

CTexture* TextureOf(std::int32_t id)
{
    return id >= 0 && g_pTextureManager ? g_pTextureManager->GetTexture(id) : nullptr;
}

std::uint32_t Argb(float alpha, std::uint32_t rgb = 0xFFFFFFu)
{
    return std::uint32_t(std::clamp(alpha, 0.0f, 1.0f) * 255.0f) << 24 | (rgb & 0xFFFFFFu);
}

// The terrain colour under p, each channel / 255 x k + b (at most 1).
std::uint32_t GroundTint(const CVector& p, float k, float b)
{
    const std::uint32_t c = g_Location.m_nCellsX > 0 ? g_Location.GetColor(p.x, p.y) : 0xFFFFFFu;
    std::uint32_t out = 0;
    for (int shift : {16, 8, 0})
    {
        const float v = std::min(float((c >> shift) & 0xFF) / 255.0f * k + b, 1.0f);
        out |= std::uint32_t(v * 255.0f) << shift;
    }
    return out;
}

// Frame n of a columns x rows atlas (the whole texture for a 1 x 1 grid).
void Frame(int columns, int rows, int frame)
{
    if (columns * rows > 1)
        MakeAtlasFrameMatrix(columns, rows, std::clamp(frame, 0, columns * rows - 1));
    else
        DisableTextureTransform();
}
} // namespace

float CExploObject::GrowingScale(const SExploLayer& l, float t)
{
    if (l.m_fDuration <= 0.0f) return l.m_fScale2;
    return ((l.m_fDuration - t) * l.m_fScale + t * l.m_fScale2) / l.m_fDuration;
}

float CExploObject::FadeTerm(const SExploLayer& l, float t)
{
    if (l.m_fHideTime <= 0.0f) return 1.0f;
    const float start = l.m_fDuration - l.m_fHideTime;
    if (t < start) return 1.0f;
    return std::clamp(1.0f - (t - start) / l.m_fHideTime, 0.0f, 1.0f);
}

void CExploObject::Draw()
{
    XTRACE("CExploObject::Draw");
    g_EffectRenderManager.AddObject((GetPosition() - g_ViewCamera.m_vPosition).LengthSq(), this, 0);
}

void CExploObject::DrawEffect(int)
{
    XTRACE("CExploObject::DrawEffect");
    if (!m_pDesc || !graph.m_lpDevice) return;
    const float dt = g_FrameTimer.GetFrameTime();
    for (int n = 0; n < kLayers; ++n)
    {
        const SExploLayer& l = m_pDesc->m_Layers[n];
        if (l.m_nKind <= 0 || l.m_nKind > 13) continue;
        if (m_fAge < l.m_fDelay || m_fAge - dt > l.m_fDelay + l.m_fDuration) continue;
        DrawLayer(n);
    }
    DisableTextureTransform();
    SetWorldTransform(CMatrix(1.0f));
}

void CExploObject::DrawLayer(int n)
{
    const SExploLayer& l = m_pDesc->m_Layers[n];
    const float t = m_fAge - l.m_fDelay;
    const int kind = l.m_nKind;
    CTexture* texture = TextureOf(l.m_nTexture[std::clamp(m_Texture[n], 0, SExploLayer::kMaxTextures - 1)]);
    if ((kind <= 9 || kind == 13) && !texture) return; // still loading: next frame
    const bool additive = l.m_nAdd != 0;
    const int columns = std::max(l.m_nXState, 1), rows = std::max(l.m_nYState, 1);
    const int frames = columns * rows;
    const CVector& pos = m_Frame.m_vPosition;
    const CVector* points = m_Points + m_FirstPoint[n];
    SetWorldTransform(CMatrix(1.0f));
    switch (kind)
    {
    case 1:
    case 2:
    {
        int frame = m_LayerFrame[n];
        if (kind == 1)
        {
            const float shown = l.m_fDuration - l.m_fHideTime;
            frame = shown > 0.0f ? std::min(int(float(frames) * t / shown), frames - 1) : frames - 1;
        }
        const float angle = l.m_bRandomPhase ? float(m_Phase[n]) * kTwoPi / 100.0f : 0.0f;
        const std::uint32_t colour =
            l.m_nMapColor ? GroundTint(pos, 0.7f, 0.3f) | 0xFF000000u : Argb(FadeTerm(l, t));
        Frame(columns, rows, frame);
        DrawFacingQuadArgb(pos + CVector{0.0f, 0.0f, l.m_fShift}, GrowingScale(l, t), angle, texture, colour,
                           additive);
        break;
    }
    case 3:
    case 4:
        DrawDecal(n, t);
        break;
    case 5:
    {
        const int count = m_Count[n];
        const float alpha = additive ? 1.0f : FadeTerm(l, t);
        for (int i = 0; i < count; ++i)
        {
            const float size = (float(count - i) * l.m_fScale2 + float(i) * l.m_fScale) / float(count);
            const float spin = (0.5f - float(i % 2)) * float(i + 2) * 4.0f * m_fLifeTime - float(i);
            Frame(columns, rows, m_ItemFrame[m_FirstItem[n] + i]);
            DrawFacingQuadArgb(points[2 * i + 1], size, spin, texture, Argb(alpha), additive);
        }
        break;
    }
    case 6:
    {
        const int frame =
            l.m_fDuration > 0.0f ? std::min(int(float(frames) * t / l.m_fDuration), frames - 1) : frames - 1;
        const std::uint32_t colour =
            l.m_nMapColor ? GroundTint(pos, 1.5f, 0.3f) | 0xFF000000u : Argb(FadeTerm(l, t));
        Frame(columns, rows, frame);
        for (int i = 0; i < m_Count[n]; ++i)
            DrawFacingQuadArgb(points[2 * i + 1] + CVector{0.0f, 0.0f, l.m_fScale * 0.5f}, l.m_fScale, 0.0f,
                               texture, colour, additive);
        break;
    }
    case 7:
    {
        const float left = l.m_fDuration > 0.0f
                               ? 2.0f * (1.0f - (m_fAge - l.m_fDelay * m_fSpeedFactor) / l.m_fDuration)
                               : 0.0f;
        if (left <= 0.0f) break;
        Frame(columns, rows, 0);
        for (int i = 0; i < m_Count[n]; ++i)
        {
            const CVector& v = points[2 * i];
            const float speed = v.Length();
            if (speed <= 0.0f) continue;
            // Stretched along the flight: the faster, the longer.
            const float stretch = std::clamp(speed * 0.01f, 0.25f, 1.0f);
            const CVector half = v * (l.m_fScale * (1.0f + stretch) * 0.5f / speed);
            const CVector& p = points[2 * i + 1];
            ApplyEffectMeshArgb(CEffectRenderManager::GetRayMesh2(p - half, p + half, l.m_fScale * 0.5f,
                                                                  g_ViewCamera.m_vPosition, 0.0f, 0.0f),
                                texture, Argb(std::min(left, 1.0f)), true);
        }
        break;
    }
    case 8:
        if (t >= 0.0f) DrawShock(n);
        break;
    case 9:
        if (t >= 0.0f && texture)
        {
            DisableTextureTransform();
            m_Smoke[n].Render(l.m_nTexture[std::clamp(m_Texture[n], 0, SExploLayer::kMaxTextures - 1)], true);
        }
        break;
    case 12:
    case 13:
        DrawModelLayer(n, t);
        break;
    default:
        break;
    }
}

void CExploObject::DrawDecal(int n, float t)
{
    const SExploLayer& l = m_pDesc->m_Layers[n];
    if (m_fHeight > l.m_fScale * 0.5f || !g_pModelManager || g_Location.m_nCellsX <= 0) return;
    CTexture* texture = TextureOf(l.m_nTexture[std::clamp(m_Texture[n], 0, SExploLayer::kMaxTextures - 1)]);
    if (!texture) return;
    const CVector& p = m_Frame.m_vPosition;
    const float r = l.m_fScale * 0.5f;
    CGeometryBuffer& mesh = m_Meshes[n];
    if (mesh.m_nVertexCount == 0)
    {
        // Cut once from the ground under the explosion and kept.
        if (mesh.m_nVertexCapacity == 0) mesh.Allocate(CEffectRenderManager::kEffectFvf, 2000, 6000);
        if (!g_Location.GetMapMesh(p.x, p.y, 0, r, &mesh)) return;
        auto* v = reinterpret_cast<SEffectVertex*>(mesh.m_pVertices);
        for (std::uint32_t i = 0; i < mesh.m_nVertexCount; ++i)
        {
            v[i].color = 0xFFFFFFFFu;
            v[i].u = 0.5f + (v[i].x - p.x) / (2.0f * r);
            v[i].v = 0.5f + (v[i].y - p.y) / (2.0f * r);
            v[i].z += 0.05f; // above the ground it lies on
        }
    }
    float alpha;
    if (l.m_fHideTime > 0.0f && t < l.m_fHideTime)
        alpha = t / l.m_fHideTime;
    else
    {
        const float rest = l.m_fDuration - l.m_fHideTime;
        alpha = rest > 0.0f ? std::max(1.0f - (t - l.m_fHideTime) / rest, 0.0f) : 0.0f;
    }
    const int columns = std::max(l.m_nXState, 1), rows = std::max(l.m_nYState, 1);
    const float shown = l.m_fDuration - l.m_fHideTime;
    const float progress = shown > 0.0f ? std::min(t / shown, 0.99f) : 0.99f;
    Frame(columns, rows, int(float(columns * rows) * progress));
    // The ground reaches past the picture's edge: the picture is not
    // repeated there.
    Device* d = graph.m_lpDevice;
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    SetWorldTransform(CMatrix(1.0f));
    ApplyEffectMeshArgb(g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &mesh),
                        texture, Argb(alpha), l.m_nAdd != 0);
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

void CExploObject::DrawShock(int n)
{
    const SExploLayer& l = m_pDesc->m_Layers[n];
    CGeometryBuffer& sphere = m_Meshes[n];
    if (!g_pModelManager || sphere.m_nVertexCount == 0) return;
    CTexture* texture = TextureOf(l.m_nTexture[std::clamp(m_Texture[n], 0, SExploLayer::kMaxTextures - 1)]);
    const CVector* points = m_Points + m_FirstPoint[n];
    DisableTextureTransform();
    for (int i = 0; i < m_Count[n]; ++i)
    {
        const float radius = points[i].x, opacity = points[i].y * l.m_fOpacity;
        if (radius <= 0.0f || opacity <= 0.0f) continue;
        CMatrix m(radius);
        m.m[3][3] = 1.0f;
        m.SetTranslation(m_Frame.m_vPosition);
        SetWorldTransform(m);
        ApplyEffectMeshArgb(g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &sphere),
                            texture, Argb(opacity), l.m_nAdd != 0);
    }
    SetWorldTransform(CMatrix(1.0f));
}

void CExploObject::DrawModelLayer(int n, float t)
{
    const SExploLayer& l = m_pDesc->m_Layers[n];
    CMatrix m = m_Frame.m_Matrix;
    m.ScaleRotation(GrowingScale(l, t));
    m.SetTranslation(m_Frame.m_vPosition + CVector{0.0f, 0.0f, l.m_fShift});
    if (l.m_nKind == 12)
    {
        SetWorldTransform(m);
        // The particles live in the world; the model at the explosion.
        const CMatrix& camera = CComplexObject::s_CameraMatrix;
        m_Models[n].Update(CMatrix(1.0f), CVector{camera.m[0][0], camera.m[0][1], camera.m[0][2]},
                           CVector{camera.m[1][0], camera.m[1][1], camera.m[1][2]});
        if (CComplexObject* model = m_Models[n].GetModel()) model->Render(nullptr, 0, -1);
        SetWorldTransform(CMatrix(1.0f));
        m_Models[n].Render(nullptr, -1, false);
        return;
    }
    // Kind 13: the model variant with the layer's texture, its frames at 32
    // a second, fading over the second half.
    const std::int32_t id = l.m_nModel[std::clamp(m_ModelVariant[n], 0, SExploLayer::kMaxModels - 1)];
    CComplexObject* model = GetComplexModel(id);
    CTexture* texture = TextureOf(l.m_nTexture[std::clamp(m_Texture[n], 0, SExploLayer::kMaxTextures - 1)]);
    if (!model || !texture) return;
    const float u = l.m_fDuration > 0.0f ? t / l.m_fDuration : 1.0f;
    const float opacity = u < 0.5f ? 1.0f : (2.0f * (1.0f - u)) * (2.0f * (1.0f - u));
    const int columns = std::max(l.m_nXState, 1), rows = std::max(l.m_nYState, 1);
    const int frame = int(std::max(t, 0.0f) * 32.0f) % (columns * rows);
    SetWorldTransform(m);
    SetTextureFactorAlpha(std::clamp(opacity, 0.0f, 1.0f), kFactorRenderState | kFactorPixelShader);
    for (std::int32_t i = 0; i < model->GetPartCount(); ++i)
    {
        SObjectPart& part = model->GetPart(i);
        if (part.Type() != 0 || !part.m_pModel) continue;
        CModel& mesh = *part.m_pModel;
        const std::int32_t grid = mesh.m_iFrameGrid, current = mesh.m_iCurrentFrame;
        mesh.m_iFrameGrid = columns == rows ? columns : rows * 256 + columns;
        mesh.m_iCurrentFrame = frame;
        mesh.RenderDamaged(nullptr, 0, texture);
        mesh.m_iFrameGrid = grid;
        mesh.m_iCurrentFrame = current;
    }
    SetWorldTransform(CMatrix(1.0f));
}
