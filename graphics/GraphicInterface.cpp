#include "graphics/GraphicInterface.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "graphics/Font.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "platform/d3d8/D3D8.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

std::uint32_t g_iIGraphicInterface = 0;

namespace
{
// Blend colour and pixel-shader constant both.
constexpr std::uint8_t kFactorBoth = kFactorRenderState | kFactorPixelShader;

#pragma pack(push, 1)
struct SQuadVertex
{
    float x, y, z, rhw;
    std::uint32_t diffuse;
    float u, v;
};
#pragma pack(pop)
static_assert(sizeof(SQuadVertex) == 28);

IBaseInterface* CreateGraphicInterface()
{
    return new CGraphicInterface();
}

CTexture* TextureOf(int id)
{
    return g_pTextureManager && id >= 0 ? g_pTextureManager->GetTexture(id) : nullptr;
}

// Draws the geometry in the model manager's screen buffer.
void DrawScreenPiece(CGeometryBuffer* piece, int technique, CTexture* texture)
{
    if (!piece || !g_pModelManager || !g_pTexShaderManager) return;
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, piece);
    if (mesh) g_pTexShaderManager->ApplyStateBlock(technique, mesh, texture);
}

class CEngineCursorPainter : public ICursorPainter
{
public:
    bool IsAvailable(int texture) override { return TextureOf(texture) != nullptr; }
    bool DrawQuad(const int screen[4], int texture, int technique) override
    {
        CTexture* tex = TextureOf(texture);
        if (!tex || !g_pModelManager) return false;
        DrawScreenPiece(g_pModelManager->SetScreenQuad(screen, nullptr, false), technique, tex);
        return true;
    }
    void SetBlendFactor(float factor) override { SetTextureFactorAlpha(factor, kFactorBoth); }
    float GetEngineTime() override { return g_fEngineTime; }
};
} // namespace

void RegisterGraphicInterface()
{
    RegisterClassFactory(&g_iIGraphicInterface, CreateGraphicInterface, "IGUID_IGraphicInterface");
}

ICursorPainter* GetEngineCursorPainter()
{
    static CEngineCursorPainter painter;
    return &painter;
}

CGraphicInterface::~CGraphicInterface()
{
    ReleaseObjects();
}

CGuidKey CGraphicInterface::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IGraphicInterface");
}

void CGraphicInterface::Init(void*)
{
    CreateObjects();
}

void CGraphicInterface::Done()
{
    ReleaseObjects();
}

void CGraphicInterface::ReleaseObjects()
{
    delete m_pQuad;
    m_pQuad = nullptr;
}

void CGraphicInterface::CreateObjects()
{
    ReleaseObjects();
    m_pQuad = new CMesh(MESH_MEMORY_DYNAMIC, kQuadFVF, 4, 1, 6);
    m_pQuad->Allocate(MESH_MEMORY_DYNAMIC, kQuadFVF, 4, 1, 6);
    m_pQuad->Lock(false, true);
    if (m_pQuad->m_pIndices)
    {
        static const std::uint16_t kIndices[6] = {0, 1, 2, 2, 1, 3};
        std::memcpy(m_pQuad->m_pIndices, kIndices, sizeof kIndices);
    }
    m_pQuad->Unlock(false, true);
    SelectFont(0);
}

plat::Point CGraphicInterface::GetScreenSize()
{
    return plat::Point{graph.m_nScreenWidth, graph.m_nScreenHeight};
}

void CGraphicInterface::FillRect(const int rect[4], std::uint32_t colour)
{
    if (!m_pQuad) return;
    m_pQuad->Lock(true, false);
    if (m_pQuad->m_pVertices)
    {
        const float xs[2] = {float(rect[0]) - 0.5f, float(rect[2]) - 0.5f};
        const float ys[2] = {float(rect[1]) - 0.5f, float(rect[3]) - 0.5f};
        auto* v = reinterpret_cast<SQuadVertex*>(m_pQuad->m_pVertices);
        for (int i = 0; i < 4; ++i)
            v[i] = SQuadVertex{xs[i % 2], ys[i / 2], 0.0f, 0.1f, colour, 0.0f, 0.0f};
    }
    m_pQuad->Unlock(true, false);
    SetTextureFactor(colour, kFactorBoth);
    if (g_pTexShaderManager) g_pTexShaderManager->ApplyStateBlock(kFillTechnique, m_pQuad, nullptr);
}

CTexture* CGraphicInterface::ResolveTexture(CGuidKey& key)
{
    if (!g_pTextureManager) return nullptr;
    if (key.id == CGuidKey::kUnresolved) key.id = g_pTextureManager->FindName(key.name);
    // -1 (no such name) yields no texture rather than the default one.
    return key.id >= 0 ? g_pTextureManager->GetTexture(key.id) : nullptr;
}

CTexture* CGraphicInterface::DrawTexture(CGuidKey& texture, const int screen[4], const int textureRect[4],
                                         int technique)
{
    CTexture* tex = ResolveTexture(texture);
    if (!tex || !g_pModelManager) return tex;
    DrawScreenPiece(g_pModelManager->SetScreenQuad(screen, textureRect, false), EffectiveTechnique(technique),
                    tex);
    return tex;
}

CTexture* CGraphicInterface::DrawTextureUV(CGuidKey& texture, const int screen[4], const int textureSize[2],
                                           const int textureRect[4], int technique)
{
    CTexture* tex = ResolveTexture(texture);
    if (!tex || !g_pModelManager) return tex;
    // A negative width asks for the rotated quad.
    DrawScreenPiece(g_pModelManager->SetScreenQuadUV(screen, std::abs(textureSize[0]),
                                                     std::abs(textureSize[1]), textureRect,
                                                     textureSize[0] < 0),
                    EffectiveTechnique(technique), tex);
    return tex;
}

void CGraphicInterface::SetFade(float level)
{
    const std::uint32_t alpha = static_cast<std::uint32_t>(static_cast<int>(level * 255.0f)) & 0xFF;
    SetBlendColor(alpha << 24 | 0x00FFFFFF);
}

void CGraphicInterface::SetBlendColor(std::uint32_t colour)
{
    SetTextureFactor(colour, kFactorBoth);
}

void CGraphicInterface::SelectFont(int big)
{
    m_pFont = big ? g_pFontBig : g_pFontSmall;
}

void CGraphicInterface::RenderText(const char* text, int x, int y, std::uint32_t colour)
{
    if (m_pFont && text) m_pFont->RenderText(float(x), float(y), text, colour, 65535);
}

int CGraphicInterface::TextWidth(const char* text)
{
    return m_pFont && text ? m_pFont->TextWidth(text) : 0;
}

int CGraphicInterface::GetTextHeight()
{
    return m_pFont ? m_pFont->GetHeight(1.0f) : 0;
}

void CGraphicInterface::SetViewport(const int rect[4])
{
    if (!graph.m_lpDevice) return;
    const plat::d3d::SViewport viewport{std::uint32_t(rect[0]),
                                        std::uint32_t(rect[1]),
                                        std::uint32_t(rect[2] - rect[0]),
                                        std::uint32_t(rect[3] - rect[1]),
                                        0.0f,
                                        1.0f};
    graph.m_lpDevice->SetViewport(&viewport);
}

void CGraphicInterface::SetFullViewport()
{
    const int rect[4] = {0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight};
    SetViewport(rect);
}
