// The stasis flash: a tint over the whole picture while the player's
// mechanoid is in stasis, strongest as stasis begins and ends.
#include "hud/Renderer.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"

#include <cmath>

namespace
{
constexpr float kPi = 3.14159265358979f;
constexpr int kTechniqueFactorAlpha = 29;
} // namespace

float StasisFlashStrength(float t)
{
    if (t > 9.75f) return 0.95f * std::sin(2.0f * kPi * (10.0f - t));
    if (t > 9.5f) return 0.95f - 0.7f * std::sin(2.0f * kPi * (9.75f - t));
    if (t > 2.0f) return 0.25f + (9.5f - t) * 0.0266667f;
    if (t > 1.0f) return 0.45f + 0.55f * std::sin((2.0f - t) * kPi / 2.0f);
    return 1.0f - 0.5f * std::sin((1.0f - t) * kPi / 2.0f);
}

std::uint32_t StasisFlashColour(float a)
{
    std::uint32_t red = 0x60, blue = 0xA0;
    if (a >= 0.5f)
    {
        const std::uint32_t k = std::uint32_t(2.0f * a - 1.0f);
        red += 159 * k * k;
        blue += 95 * k * k;
    }
    // A negative strength (the first instants of the curve's sine) is no tint.
    const float clamped = a < 0.0f ? 0.0f : (a > 1.0f ? 1.0f : a);
    const std::uint32_t alpha = std::uint32_t(255.0f * clamped);
    return alpha << 24 | red << 16 | red << 8 | blue;
}

void CRenderer::DrawStasisFlash(float t)
{
    XTRACE("CRenderer::DrawStasisFlash");
    plat::d3d::Device* device = graph.m_lpDevice;
    if (!device || !g_pModelManager || !g_pTexShaderManager) return;
    SetTextureFactor(StasisFlashColour(StasisFlashStrength(t)), kFactorRenderState | kFactorPixelShader);
    const int rect[4] = {0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight};
    CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(rect, nullptr, false);
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad);
    device->SetRenderState(plat::d3d::D3DRS_ZENABLE, 0);
    if (mesh) g_pTexShaderManager->ApplyStateBlock(kTechniqueFactorAlpha, mesh);
    device->SetRenderState(plat::d3d::D3DRS_ZENABLE, 1);
    CMesh::ResetCurrent();
}
