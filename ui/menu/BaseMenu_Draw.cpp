// The menu base's own drawing: the tooltip box and the darkened game scene
// behind a menu.
#include "ui/menu/BaseMenu.h"

#include "foundation/ErrorLog.h"
#include "foundation/GeometryBuffer.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/Font.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"

#include <algorithm>

namespace
{
using namespace plat::d3d;

constexpr float kDimUp = 4.0f; // dim levels a second
constexpr float kDimDown = 8.0f;
constexpr std::uint32_t kDimColour = 0x8080B0;
constexpr int kTechniqueScreenTexture = 11;
constexpr std::uint32_t kScreenFvf = 0x204; // XYZRHW, two texture sets
constexpr float kIconSheet = 256.0f;        // "TEX_INT_ICONS" is 256 x 256

struct SScreenVertex
{
    float x, y, z, rhw;
    float u0, v0, u1, v1;
};
static_assert(sizeof(SScreenVertex) == 32);

CTexture* FindTexture(const char* name)
{
    if (!g_pTextureManager) return nullptr;
    return g_pTextureManager->GetTexture(g_pTextureManager->FindName(name));
}

// Appends the quad (left, top)-(right, bottom) with both texture sets from
// the texel rectangle of the icon sheet (one texel per pixel where the
// sizes agree; stretched where they do not).
void AddQuad(CGeometryBuffer& buffer, int left, int top, int right, int bottom, int s0, int t0, int s1, int t1)
{
    const std::uint32_t first = buffer.m_nVertexCount;
    auto* v = reinterpret_cast<SScreenVertex*>(buffer.m_pVertices) + first;
    for (int i = 0; i < 4; ++i)
    {
        const int cu = i % 2, cv = i / 2;
        // Pixel centres on texel centres.
        const float u = float(cu ? s1 : s0) / kIconSheet, w = float(cv ? t1 : t0) / kIconSheet;
        v[i] = SScreenVertex{float(cu ? right : left) - 0.5f, float(cv ? bottom : top) - 0.5f, 0.0f, 1.0f, u, w, u, w};
    }
    static constexpr std::uint16_t kQuad[6] = {0, 1, 2, 2, 1, 3};
    for (int i = 0; i < 6; ++i) buffer.m_pIndices[buffer.m_nIndexCount + std::uint32_t(i)] = std::uint16_t(first + kQuad[i]);
    buffer.m_nVertexCount += 4;
    buffer.m_nIndexCount += 6;
}

// Draws a full-screen quad of the screen slot with the device's current
// states; the second texture set repeats every `repeat1` pixels, the first
// every `repeat0` pixels shifted by (du, dv).
void DrawFullScreen(float repeat0, float du, float dv, float repeat1)
{
    if (!g_pModelManager) return;
    CGeometryBuffer quad;
    quad.Allocate(kScreenFvf, 4, 6);
    quad.m_nVertexCount = quad.m_nIndexCount = 0;
    AddQuad(quad, 0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight, 0, 0, 0, 0);
    auto* v = reinterpret_cast<SScreenVertex*>(quad.m_pVertices);
    const float w = float(graph.m_nScreenWidth), h = float(graph.m_nScreenHeight);
    for (int i = 0; i < 4; ++i)
    {
        const float cu = float(i % 2), cv = float(i / 2);
        v[i].u0 = cu * w / repeat0 + du;
        v[i].v0 = cv * h / repeat0 + dv;
        v[i].u1 = cu * w / repeat1;
        v[i].v1 = cv * h / repeat1;
    }
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, &quad);
    if (mesh) mesh->Render(true);
}
} // namespace

void CBaseMenu::RenderToolTips()
{
    XTRACE("CBaseMenu::RenderToolTips");
    if (!m_pToolTip || m_pToolTip->m_ToolTip.empty() || !g_pFontSmall) return;
    const char* text = m_pToolTip->m_ToolTip.c_str();
    const int width = g_pFontSmall->TextWidth(text) + 4;
    const int height = g_pFontSmall->GetHeight(1.0f) + 4;
    const plat::Point at = ToolTipBoxOrigin(m_Mouse.x, m_Mouse.y, width, height, graph.m_nScreenWidth);
    CTexture* icons = FindTexture("TEX_INT_ICONS");
    if (icons && g_pModelManager && g_pTexShaderManager)
    {
        // Nine pieces: the 2 x 2 corners, the edges stretching the 9 texels
        // between them, and the centre patch; the frame lies 2 pixels
        // around the box.
        CGeometryBuffer box;
        box.Allocate(kScreenFvf, 40, 60);
        box.m_nVertexCount = box.m_nIndexCount = 0;
        const int x0 = at.x, y0 = at.y, x1 = at.x + width, y1 = at.y + height;
        AddQuad(box, x0 - 2, y0 - 2, x0, y0, 1, 73, 3, 75);
        AddQuad(box, x0 - 2, y1, x0, y1 + 2, 1, 84, 3, 86);
        AddQuad(box, x1, y0 - 2, x1 + 2, y0, 12, 73, 14, 75);
        AddQuad(box, x1, y1, x1 + 2, y1 + 2, 12, 84, 14, 86);
        AddQuad(box, x0 - 2, y0, x0, y1, 1, 75, 3, 84);
        AddQuad(box, x1, y0, x1 + 2, y1, 12, 75, 14, 84);
        AddQuad(box, x0, y0 - 2, x1, y0, 3, 73, 12, 75);
        AddQuad(box, x0, y1, x1, y1 + 2, 3, 84, 12, 86);
        AddQuad(box, x0, y0, x1, y1, 3, 75, 12, 84);
        SetTextureFactorAlpha(1.0f, kFactorRenderState | kFactorPixelShader);
        CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, &box);
        if (mesh) g_pTexShaderManager->ApplyStateBlock(kTechniqueScreenTexture, mesh, icons);
        CMesh::ResetCurrent();
    }
    g_pFontSmall->RenderText(float(at.x + 3), float(at.y + 3), text, 0xFF000000u);
    g_pFontSmall->RenderText(float(at.x + 2), float(at.y + 2), text, 0xFFFFFF80u);
    CMesh::ResetCurrent();
}

void CBaseMenu::RenderMap(bool overlay)
{
    XTRACE("CBaseMenu::RenderMap");
    if (g_pMenuHost) g_pMenuHost->RenderScene(overlay);
    if (graph.m_lpDevice) graph.m_lpDevice->SetTexture(0, nullptr);
    g_TextureStageCache[0] = nullptr;
    if (!overlay) return;
    if (m_bDone)
        m_fDimLevel = std::max(m_fDimLevel - kDimDown * m_fFrameTime, 0.0f);
    else
        m_fDimLevel = std::min(m_fDimLevel + kDimUp * m_fFrameTime, 1.0f);
    RenderNoise(kDimColour, m_fDimLevel * 0.5f);
}

void CBaseMenu::RenderNoise(std::uint32_t colour, float strength)
{
    Device* d = graph.m_lpDevice;
    if (!d || !g_pModelManager) return;
    // Both layers multiply the frame: source zero, destination the colour;
    // the stages' own combiners (no pixel shader, no alpha test).
    d->SetPixelShader(0);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    CTexture* noise = strength < 1.0f ? FindTexture("TEX_INT_NOISE") : nullptr;
    if (noise && noise->m_lpTexture)
    {
        const int phase = int(32.0f * g_fEngineTime) % 4;
        const std::uint32_t alpha = std::uint32_t(std::clamp(255.0f * strength, 0.0f, 255.0f));
        SetTextureFactor((colour & 0x00FFFFFFu) | alpha << 24, kFactorRenderState | kFactorPixelShader);
        d->SetTexture(0, noise->m_lpTexture);
        g_TextureStageCache[0] = noise;
        d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BLENDFACTORALPHA);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
        DrawFullScreen(128.0f, 0.5f * float(phase % 2), 0.5f * float(phase / 2), 16.0f);
    }
    const float left = 1.0f - std::clamp(strength, 0.0f, 1.0f);
    const std::uint32_t c = std::uint32_t(float(colour & 0xFF) * left);
    SetTextureFactor(0xFF000000u | c << 16 | c << 8 | c, kFactorRenderState | kFactorPixelShader);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    DrawFullScreen(128.0f, 0.0f, 0.0f, 16.0f);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    CMesh::ResetCurrent();
}
