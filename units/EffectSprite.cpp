#include "units/EffectSprite.h"

#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "location/EffectRenderManager.h"
#include "location/ViewCamera.h"

#include <algorithm>
#include <cmath>

namespace
{
// The camera-facing square's mesh of the effect buffer (null for a size of
// 0 or less).
CMesh* FacingQuad(const CVector& p, float size, float angle)
{
    if (size <= 0.0f) return nullptr;
    const CMatrix& m = g_ViewCamera.m_Matrix;
    const CVector up{m.m[0][1], m.m[1][1], m.m[2][1]};
    const CVector side{m.m[0][0], m.m[1][0], m.m[2][0]};
    const CVector half = (up * std::cos(angle) + side * std::sin(angle)) * (size * 0.5f);
    return CEffectRenderManager::GetRayMesh2(p - half, p + half, size * 0.5f, g_ViewCamera.m_vPosition, 0.0f,
                                             0.0f);
}

int Technique(bool additive)
{
    return additive ? SHADER_ADD_EFFECT_FACTOR : SHADER_ALPHA_EFFECT_FACTOR;
}
} // namespace

void ApplyEffectMesh(CMesh* mesh, CTexture* texture, float alpha, bool additive)
{
    if (!mesh || !g_pTexShaderManager) return;
    SetTextureFactorAlpha(std::clamp(alpha, 0.0f, 1.0f), kFactorRenderState | kFactorPixelShader);
    g_pTexShaderManager->ApplyStateBlock(Technique(additive), mesh, texture);
}

void ApplyEffectMeshArgb(CMesh* mesh, CTexture* texture, std::uint32_t argb, bool additive)
{
    if (!mesh || !g_pTexShaderManager) return;
    SetTextureFactor(argb, kFactorRenderState | kFactorPixelShader);
    g_pTexShaderManager->ApplyStateBlock(Technique(additive), mesh, texture);
}

void DrawFacingQuad(const CVector& p, float size, float angle, CTexture* texture, float alpha, bool additive)
{
    ApplyEffectMesh(FacingQuad(p, size, angle), texture, alpha, additive);
}

void DrawFacingQuadArgb(const CVector& p, float size, float angle, CTexture* texture, std::uint32_t argb,
                        bool additive)
{
    ApplyEffectMeshArgb(FacingQuad(p, size, angle), texture, argb, additive);
}
