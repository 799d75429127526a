#include "hud/Renderer.h"

#include "foundation/GeometryBuffer.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"

CRenderer* g_pRenderer = nullptr;

namespace
{
void DrawScreenQuad(const plat::Rect& screen, const plat::Rect* texture, int technique, CTexture* textureObject)
{
    if (!g_pModelManager || !g_pTexShaderManager) return;
    const int rect[4] = {screen.left, screen.top, screen.right, screen.bottom};
    int texels[4] = {};
    if (texture)
    {
        texels[0] = texture->left;
        texels[1] = texture->top;
        // The model manager takes the texture's size, not its far corner.
        texels[2] = texture->right - texture->left;
        texels[3] = texture->bottom - texture->top;
    }
    CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(rect, texture ? texels : nullptr, false);
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad);
    if (mesh) g_pTexShaderManager->ApplyStateBlock(technique, mesh, textureObject);
}
} // namespace

void ScaleSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture, int scaleX,
                 int scaleY, plat::Rect* outScreen, plat::Rect* outTexture)
{
    const plat::Point at = origin ? *origin : plat::Point{};
    outScreen->left = screen.left - at.x * scaleX;
    outScreen->top = screen.top - at.y * scaleY;
    outScreen->right = outScreen->left + (screen.right - screen.left) * scaleX;
    outScreen->bottom = outScreen->top + (screen.bottom - screen.top) * scaleY;
    outTexture->left = texture.left * scaleX;
    outTexture->top = texture.top * scaleY;
    outTexture->right = texture.right * scaleX;
    outTexture->bottom = texture.bottom * scaleY;
}

void CRenderer::DrawSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture,
                           int textureId, int scaleX, int scaleY, std::uint32_t colour)
{
    plat::Rect scaledScreen, scaledTexture;
    ScaleSprite(screen, origin, texture, scaleX, scaleY, &scaledScreen, &scaledTexture);
    DrawQuad(scaledScreen, &scaledTexture, textureId, colour);
}

void CRenderer::DrawQuad(const plat::Rect& screen, const plat::Rect* texture, int textureId, std::uint32_t colour)
{
    CTexture* textureObject = g_pTextureManager && textureId >= 0 ? g_pTextureManager->GetTexture(textureId) : nullptr;
    DrawQuad(screen, texture, textureObject, colour);
}

void CRenderer::DrawQuad(const plat::Rect& screen, const plat::Rect* texture, CTexture* textureObject,
                         std::uint32_t colour)
{
    if (!textureObject) return;
    if (colour == 0)
    {
        DrawScreenQuad(screen, texture, kTechniqueScreenTexture, textureObject);
        return;
    }
    SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
    DrawScreenQuad(screen, texture, kTechniqueScreenModulated, textureObject);
}

void CRenderer::FillQuad(const plat::Rect& screen, std::uint32_t colour)
{
    SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
    DrawScreenQuad(screen, nullptr, kTechniqueScreenColour, nullptr);
}
