// The radar's drawing: the cockpit minimap layer and quad, the cockpit
// radar's blips, target and compass, and the big map with its marks.
#include "hud/radar/Radar.h"
#include "hud/radar/RadarDrawing.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "hud/Renderer.h"
#include "foundation/XString.h"
#include "graphics/Font.h"
#include "graphics/ResourceEngine.h"
#include "script/TextDB.h"
#include "script/game/TextDatabase.h"
#include "world/MMObject.h"
#include "world/ObjectList.h"
#include "world/TheThing.h"

#include <array>
#include <cmath>
#include <cstring>

namespace
{
using namespace plat::d3d;

constexpr float kPi = 3.14159265358979f;
constexpr int kTechniqueAlphaNoCull = 6;
constexpr int kTechniqueModulated = 19;
constexpr int kTechniqueFactorAlpha = 29;
constexpr int kTechniqueFactorSilhouette = 41;
constexpr int kTechniqueMinimapStages = 44;
constexpr int kTechniqueTexFactorAlpha = 56;
constexpr int kBlockRowBytes = 256; // 16 DXT3 blocks of 16 bytes: one block row of a tile
constexpr int kBlockRows = 16;

struct SQuadVertex
{
    float x, y, z, rhw;
    float u0, v0, u1, v1;
};
static_assert(sizeof(SQuadVertex) == 32);

// A screen quad from the model manager's builder (texels: s0, t0, texture
// width, texture height; null for the whole texture); its four vertices
// (corners left-top, right-top, left-bottom, right-bottom) to adjust.
SQuadVertex* BuildQuad(const plat::Rect& screen, const int* texels)
{
    if (!g_pModelManager) return nullptr;
    const int rect[4] = {screen.left, screen.top, screen.right, screen.bottom};
    CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(rect, texels, false);
    return quad ? reinterpret_cast<SQuadVertex*>(quad->m_pVertices) : nullptr;
}

void DrawBuiltQuad(int technique, CTexture* t0, CTexture* t1 = nullptr, CTexture* t2 = nullptr)
{
    if (!g_pModelManager || !g_pTexShaderManager) return;
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot,
                                                          &g_pModelManager->m_ScreenQuad);
    if (mesh) g_pTexShaderManager->ApplyStateBlock(technique, mesh, t0, t1, t2);
}

void Rotate(SQuadVertex* v, float cx, float cy, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    for (int i = 0; i < 4; ++i)
    {
        const float x = v[i].x - cx, y = v[i].y - cy;
        v[i].x = cx + c * x - s * y;
        v[i].y = cy + s * x + c * y;
    }
}

// A quad of texture (texels as BuildQuad), turned about its centre.
void DrawTurnedQuad(const plat::Rect& screen, const int* texels, float angle, int technique,
                    CTexture* texture)
{
    SQuadVertex* v = BuildQuad(screen, texels);
    if (!v) return;
    Rotate(v, float(screen.left + screen.right) * 0.5f - 0.5f,
           float(screen.top + screen.bottom) * 0.5f - 0.5f, angle);
    DrawBuiltQuad(technique, texture);
}

CTexture* TextureOf(int id)
{
    return g_pTextureManager && id >= 0 ? g_pTextureManager->GetTexture(id) : nullptr;
}

int ScreenWidth()
{
    return graph.m_nScreenWidth;
}

// Copies a 4096-byte tile into the 64 x 64 slot (slotX, slotY) of a locked
// DXT3 level: 16 block rows of 256 bytes.
void CopyTileRows(const std::uint8_t* tile, const SLockedRect& locked, int slotX, int slotY)
{
    auto* bits = static_cast<std::uint8_t*>(locked.pBits);
    for (int k = 0; k < kBlockRows; ++k)
        std::memcpy(bits + std::size_t(slotY * kBlockRows + k) * std::size_t(locked.Pitch) +
                        std::size_t(slotX * kBlockRowBytes),
                    tile + k * kBlockRowBytes, kBlockRowBytes);
}

// Fills a 64 x 64 DXT3 image surface with a tile.
void FillSurface(Surface* surface, const std::uint8_t* tile)
{
    if (!surface) return;
    SLockedRect locked{};
    if (Failed(surface->LockRect(&locked, nullptr, 0))) return;
    CopyTileRows(tile, locked, 0, 0);
    surface->UnlockRect();
}

// Puts a tile into slot (slotX, slotY) of the minimap layer: straight into
// a dynamic layer, else through the staging texture and UpdateTexture.
void PutLayerTile(CTexture* layer, CTexture* staging, Surface* tileSurface, const std::uint8_t* tile,
                  int slotX, int slotY)
{
    if (!layer || !layer->m_lpTexture || !graph.m_lpDevice) return;
    if (layer->m_bDynamic || !staging || !staging->m_lpTexture)
    {
        SLockedRect locked{};
        if (Failed(layer->m_lpTexture->LockRect(0, &locked, nullptr, 0))) return;
        CopyTileRows(tile, locked, slotX, slotY);
        layer->m_lpTexture->UnlockRect(0);
        return;
    }
    Surface* level = nullptr;
    if (Failed(staging->m_lpTexture->GetSurfaceLevel(0, &level))) return;
    const plat::Point at{slotX * kRadarTileSize, slotY * kRadarTileSize};
    graph.m_lpDevice->CopyRects(tileSurface, nullptr, 0, level, &at);
    level->Release();
    const plat::Rect dirty{at.x, at.y, at.x + kRadarTileSize, at.y + kRadarTileSize};
    layer->m_lpTexture->AddDirtyRect(&dirty);
    if (Failed(graph.m_lpDevice->UpdateTexture(staging->m_lpTexture, layer->m_lpTexture)))
        g_ErrorLog.LogError("UpdateTexture fails");
}

// The animated frame of the radar-point sheet (4 x 4 frames of 32 x 32).
void RadarPointTexels(int frame, int* texels)
{
    texels[0] = (frame % 4) * 32;
    texels[1] = (frame / 4) * 32;
    texels[2] = 128;
    texels[3] = 128;
}

int AnimatedFrame()
{
    return int(g_fEngineTime * 16.0f) % 16;
}

// A 32 x 32 radar point centred on (x, y), clipped to bounds.
void DrawRadarPoint(float x, float y, const plat::Rect& bounds, int frame, int technique, CTexture* sheet)
{
    plat::Rect rect{int(x - 16.0f), int(y - 16.0f), int(x - 16.0f) + 32, int(y - 16.0f) + 32};
    int texels[4];
    RadarPointTexels(frame, texels);
    plat::Rect source{texels[0], texels[1], texels[0] + 32, texels[1] + 32};
    if (!radar::ClipRect(bounds, &rect, &source)) return;
    texels[0] = source.left;
    texels[1] = source.top;
    if (BuildQuad(rect, texels)) DrawBuiltQuad(technique, sheet);
}
} // namespace

float RadarHeadingOf(const CVector& forward)
{
    return std::atan2(forward.x, forward.y);
}

void CRadar::CreateLayer0()
{
    XTRACE("CRadar::CreateLayer0");
    const float px = m_vPlayer.x * 0.1f, py = m_vPlayer.y * 0.1f;
    const int ix = int(px - 192.0f), iy = int(py - 192.0f);
    m_nLayerColumn = ix >> 6; // floor for negative positions too
    m_nLayerRow = iy >> 6;
    m_fPlayerOffsetX = px - float((m_nLayerColumn + 3) * kRadarTileSize);
    m_fPlayerOffsetY = py - float((m_nLayerRow + 3) * kRadarTileSize);
    const int columns = m_nMapWidth / 8, rows = m_nMapHeight / 8;
    std::array<std::uint8_t, kRadarTileBytes> tile{};
    for (int j = 0; j < kLayerTiles; ++j)
        for (int i = 0; i < kLayerTiles; ++i)
        {
            const int c = m_nLayerColumn + i, r = m_nLayerRow + j;
            const int sx = radar::Slot(c, kLayerTiles), sy = radar::Slot(r, kLayerTiles);
            auto& cached = m_LayerCache[std::size_t(sy * kLayerTiles + sx)];
            if (cached[0] == c && cached[1] == r) continue;
            if (c >= 0 && c < columns && r >= 0 && r < rows && g_pRadarMapFile)
                g_pRadarMapFile->ReadTile(tile.data(), c, r);
            else
                tile.fill(0);
            ++m_nTileReads;
            FillSurface(m_pTileSurface, tile.data());
            PutLayerTile(m_pLayerTexture, m_pLayerStaging, m_pTileSurface, tile.data(), sx, sy);
            cached = {c, r};
        }
}

void CRadar::DrawMinimap()
{
    CreateLayer0();
    const float a = m_fPlayerHeading;
    const int w = ScreenWidth();
    const plat::Rect square{w - radar::kMinimapLeftFromRight, radar::kMinimapTop,
                            w - radar::kMinimapRightFromRight, radar::kMinimapBottom};
    const int texels[4] = {176, 176, 512, 512};
    SQuadVertex* v = BuildQuad(square, texels);
    if (!v) return;
    const float c = std::cos(a), s = std::sin(a);
    const float baseU = (m_fPlayerOffsetX + 192.0f) / 512.0f + float(m_nLayerColumn) * 0.125f;
    const float baseV = (m_fPlayerOffsetY + 192.0f) / 512.0f + float(m_nLayerRow) * 0.125f;
    for (int i = 0; i < 4; ++i)
    {
        const float du = 0.5f - v[i].u0, dv = 0.5f - v[i].v0;
        v[i].u0 = v[i].u1 = c * du + s * dv + baseU;
        v[i].v0 = v[i].v1 = -s * du + c * dv + baseV;
    }
    SetTextureFactorAlpha(0.95f, kFactorRenderState | kFactorPixelShader);
    if (g_pTexShaderManager) g_pTexShaderManager->SetTextureClamp(false, 0);
    DrawBuiltQuad(kTechniqueTexFactorAlpha, m_pLayerTexture);
}

void CRadar::RenderObjects()
{
    XTRACE("CRadar::RenderObjects");
    UpdateFollow();
    const int w = ScreenWidth();
    const float cx = float(w - 98), cy = 102.0f;
    const float a = m_fPlayerHeading;
    const float ca = std::cos(a), sa = std::sin(a);
    const auto turn = [&](const CVector& p, float* rx, float* ry)
    {
        const float dx = (p.x - m_vPlayer.x) * 0.1f, dy = (p.y - m_vPlayer.y) * 0.1f;
        *rx = ca * dx - sa * dy;
        *ry = sa * dx + ca * dy;
    };

    // Gliders: the arrow sheet tinted by the colour their group's AI gives.
    SRadiusResult near;
    CObjectList::GetObjectsInRadius(&m_vPlayer, 1275.0f, OBJ_GLIDER, &near);
    for (int i = 0; i < near.count; ++i)
    {
        CMMObject* glider = near.objects[i];
        if (glider == m_pPlayerObject) continue;
        float rx, ry;
        turn(glider->GetPosition(), &rx, &ry);
        if (!radar::InRadarSquare(rx, ry)) continue;
        const std::uint32_t colour = m_pfnGliderColour ? m_pfnGliderColour(glider) : 0xFFFFFFFFu;
        SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
        const int left = int(cx - 3.0f - rx), top = int(cy - 3.0f - ry);
        DrawTurnedQuad(plat::Rect{left, top, left + 9, top + 9}, nullptr,
                       RadarHeadingOf(glider->m_Frame.m_vForward) - a, kTechniqueFactorSilhouette,
                       TextureOf(m_iTexArrow));
    }
    // Pick-up items (goods and mechminds, not money or wrecks): violet dots.
    CObjectList::GetObjectsInRadius(&m_vPlayer, 1260.0f, OBJ_THING, &near);
    SetTextureFactor(0xFF764BFCu, kFactorRenderState | kFactorPixelShader);
    for (int i = 0; i < near.count; ++i)
    {
        const auto* thing = static_cast<const CTheThing*>(near.objects[i]);
        if (thing->m_nKind > 514) continue;
        float rx, ry;
        turn(thing->GetPosition(), &rx, &ry);
        if (!radar::InRadarSquare(rx, ry)) continue;
        const int left = int(cx - rx - 1.0f), top = int(cy - ry - 1.0f);
        if (BuildQuad(plat::Rect{left, top, left + 2, top + 2}, nullptr))
            DrawBuiltQuad(kTechniqueFactorAlpha, nullptr);
    }
    // Missiles: red dots.
    CObjectList::GetObjectsInRadius(&m_vPlayer, 1260.0f, OBJ_MISSILE, &near);
    SetTextureFactor(0xFFFF0000u, kFactorRenderState | kFactorPixelShader);
    for (int i = 0; i < near.count; ++i)
    {
        float rx, ry;
        turn(near.objects[i]->GetPosition(), &rx, &ry);
        if (!radar::InRadarSquare(rx, ry)) continue;
        const int left = int(cx - rx - 1.0f), top = int(cy - ry - 1.0f);
        if (BuildQuad(plat::Rect{left, top, left + 2, top + 2}, nullptr))
            DrawBuiltQuad(kTechniqueFactorAlpha, nullptr);
    }

    if (m_bTargetSet)
    {
        float rx, ry;
        turn(m_vTarget, &rx, &ry);
        if (radar::InRadarSquare(rx, ry))
        {
            const plat::Rect square{w - radar::kMinimapLeftFromRight, radar::kMinimapTop,
                                    w - radar::kMinimapRightFromRight, radar::kMinimapBottom};
            DrawRadarPoint(cx - rx, cy - ry, square, AnimatedFrame(), kTechniqueAlphaNoCull,
                           TextureOf(m_iTexRadarPoint));
        }
        else
        {
            float ex, ey;
            radar::EdgePoint(rx, ry, &ex, &ey);
            const int left = int(cx - ex - 6.0f), top = int(cy - ey);
            const int texels[4] = {162, 126, 512, 512};
            DrawTurnedQuad(plat::Rect{left, top, left + 12, top + 16}, texels, std::atan2(ex, ey),
                           kTechniqueAlphaNoCull, TextureOf(g_pRenderer ? g_pRenderer->m_iTexAll : -1));
        }
    }

    // The compass labels round the square.
    struct SLabel
    {
        float base;
        int width, height, u, v;
    };
    static const SLabel kLabels[4] = {{0.0f, 7, 8, 11, 77},
                                      {-3.0f * kPi / 2.0f, 12, 8, 21, 77},
                                      {-kPi / 2.0f, 6, 8, 11, 86},
                                      {-kPi, 7, 9, 22, 86}};
    CTexture* sheet = TextureOf(g_pRenderer ? g_pRenderer->m_iTexUI1 : -1);
    for (const SLabel& label : kLabels)
    {
        const float angle = -a + label.base;
        float x = float(int(std::sin(angle) * 83.0f)), y = float(int(std::cos(angle) * 83.0f));
        const float m = std::fmax(std::fabs(x), std::fabs(y));
        if (m > 0.0f)
        {
            x = float(int(x * 83.0f / m));
            y = float(int(y * 83.0f / m));
        }
        const int left = int(x) - label.width / 2 + int(cx), top = int(y) - label.height / 2 + int(cy);
        const int texels[4] = {label.u, label.v, 1024, 1024};
        if (BuildQuad(plat::Rect{left, top, left + label.width, top + label.height}, texels))
            DrawBuiltQuad(kTechniqueAlphaNoCull, sheet);
    }
}

// --- The big map --------------------------------------------------------

void CRadar::InitBigMap(int viewWidth, int viewHeight)
{
    DoneBigMap();
    m_nViewWidth = viewWidth;
    m_nViewHeight = viewHeight;
    m_nCanvasWidth = radar::CanvasSize(graph.m_nScreenWidth);
    m_nCanvasHeight = radar::CanvasSize(graph.m_nScreenHeight);
    m_nCanvasColumns = std::min(m_nCanvasWidth / kRadarTileSize, int(kCanvasColumns));
    m_nCanvasRows = std::min(m_nCanvasHeight / kRadarTileSize, int(kCanvasRows));
    if (graph.m_lpDevice)
    {
        if (Failed(graph.m_lpDevice->CreateImageSurface(std::uint32_t(m_nCanvasWidth),
                                                        std::uint32_t(m_nCanvasHeight), D3DFMT_DXT3,
                                                        &m_pCanvasSurface)))
            g_ErrorLog.LogError("CRadar::InitBigMap failed to create image surface");
        m_pSmallTexture = new CTexture;
        m_pSmallTexture->CreateTexture(8, 8, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
        graph.m_lpDevice->CreateImageSurface(kRadarTileSize, kRadarTileSize, D3DFMT_DXT3, &m_pScratchSurface);
    }
    for (auto& entry : m_CanvasCache)
        entry = {-100, -100};
}

void CRadar::DoneBigMap()
{
    ResetLayerCache();
    if (m_pCanvasSurface) m_pCanvasSurface->Release();
    if (m_pScratchSurface) m_pScratchSurface->Release();
    m_pCanvasSurface = m_pScratchSurface = nullptr;
    delete m_pSmallTexture;
    m_pSmallTexture = nullptr;
}

void CRadar::SetBMVector(const CVector& centre)
{
    XTRACE("CRadar::SetBMVector");
    if (m_nCanvasColumns <= 0 || m_nCanvasRows <= 0) return;
    const float px = centre.x * 0.1f, py = centre.y * 0.1f;
    const float cornerX = px - float(m_nViewWidth / 2) / m_fZoom;
    const float cornerY = py - float(m_nViewHeight / 2) / m_fZoom;
    m_nFirstColumn = int(cornerX) >> 6;
    m_nFirstRow = int(cornerY) >> 6;
    m_vViewOffset = CVector{cornerX - float(m_nFirstColumn * kRadarTileSize),
                            cornerY - float(m_nFirstRow * kRadarTileSize), centre.z * 0.1f};
    std::array<std::uint8_t, kRadarTileBytes> tile{};
    for (int j = 0; j < m_nCanvasRows; ++j)
        for (int i = 0; i < m_nCanvasColumns; ++i)
        {
            const int c = m_nFirstColumn + i, r = m_nFirstRow + j;
            const int sx = radar::Slot(c, m_nCanvasColumns), sy = radar::Slot(r, m_nCanvasRows);
            auto& cached = m_CanvasCache[std::size_t(sy * kCanvasColumns + sx)];
            if (cached[0] == c && cached[1] == r) continue;
            if (g_pRadarMapFile)
                g_pRadarMapFile->ReadTile(tile.data(), c, r);
            else
                tile.fill(0);
            ++m_nTileReads;
            if (m_pScratchSurface && m_pCanvasSurface)
            {
                FillSurface(m_pScratchSurface, tile.data());
                const plat::Point at{sx * kRadarTileSize, sy * kRadarTileSize};
                if (Failed(graph.m_lpDevice->CopyRects(m_pScratchSurface, nullptr, 0, m_pCanvasSurface, &at)))
                    g_ErrorLog.LogError("CRadar::SetBMVector copy rect fails");
            }
            cached = {c, r};
        }
}

void CRadar::BigMapPixel(const CVector& p, float* sx, float* sy) const
{
    *sx = m_fZoom * (p.x * 0.1f - (float(m_nFirstColumn * kRadarTileSize) + m_vViewOffset.x));
    *sy = m_fZoom * (p.y * 0.1f - (float(m_nFirstRow * kRadarTileSize) + m_vViewOffset.y));
}

plat::Rect CRadar::BigMapTileRect(int column, int row) const
{
    const float size = float(kRadarTileSize) * m_fZoom;
    const float left =
        m_fZoom * float((column - m_nFirstColumn) * kRadarTileSize) - m_fZoom * m_vViewOffset.x;
    const float top = m_fZoom * float((row - m_nFirstRow) * kRadarTileSize) - m_fZoom * m_vViewOffset.y;
    return plat::Rect{int(left + 0.5f), int(top + 0.5f), int(left + size + 0.5f), int(top + size + 0.5f)};
}

void CRadar::RenderBigMap(int x0, int y0, float alpha)
{
    XTRACE("CRadar::RenderBigMap");
    if (!m_pLayerTexture || !m_pLayerTexture->m_lpTexture || !graph.m_lpDevice) return;
    graph.m_lpDevice->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    SetTextureFactorAlpha(alpha, kFactorRenderState | kFactorPixelShader);
    if (g_pTexShaderManager) g_pTexShaderManager->InvalidateState();
    // The layer texture now holds canvas tiles: the minimap reloads it.
    ResetLayerCache();
    const int columns = m_nMapWidth / 8, rows = m_nMapHeight / 8;
    const plat::Rect view{0, 0, m_nViewWidth, m_nViewHeight};
    CTexture* back = TextureOf(m_iTexMinimapBack);
    for (int j = 0; j < m_nCanvasRows; ++j)
        for (int i = 0; i < m_nCanvasColumns; ++i)
        {
            const auto& cached = m_CanvasCache[std::size_t(j * kCanvasColumns + i)];
            const int c = cached[0], r = cached[1];
            if (c <= -10 && r <= -10) continue;
            plat::Rect rect = BigMapTileRect(c, r);
            const int lx = i % kLayerTiles, ly = j % kLayerTiles;
            plat::Rect source{lx * kRadarTileSize, ly * kRadarTileSize, 0, 0};
            const plat::Rect whole = rect;
            if (!radar::ClipRect(view, &rect, &source)) continue;
            // The texture moves by the cut in screen pixels over the zoom.
            const float cutLeft = float(rect.left - whole.left) / m_fZoom;
            const float cutTop = float(rect.top - whole.top) / m_fZoom;
            const float cutRight = float(whole.right - rect.right) / m_fZoom;
            const float cutBottom = float(whole.bottom - rect.bottom) / m_fZoom;

            // "Update Textures": the canvas slot into layer slot (lx, ly).
            if (m_pCanvasSurface)
            {
                std::array<std::uint8_t, kRadarTileBytes> tile{};
                SLockedRect locked{};
                const plat::Rect slot{i * kRadarTileSize, j * kRadarTileSize, (i + 1) * kRadarTileSize,
                                      (j + 1) * kRadarTileSize};
                if (!Failed(m_pCanvasSurface->LockRect(&locked, &slot, D3DLOCK_READONLY)))
                {
                    for (int k = 0; k < kBlockRows; ++k)
                        std::memcpy(tile.data() + k * kBlockRowBytes,
                                    static_cast<const std::uint8_t*>(locked.pBits) +
                                        std::size_t(k) * std::size_t(locked.Pitch),
                                    kBlockRowBytes);
                    m_pCanvasSurface->UnlockRect();
                }
                FillSurface(m_pTileSurface, tile.data());
                PutLayerTile(m_pLayerTexture, m_pLayerStaging, m_pTileSurface, tile.data(), lx, ly);
            }
            // "Update alpha": the explored map of the tile fades it in.
            bool any = false;
            if (m_pSmallTexture && m_pSmallTexture->m_lpTexture)
            {
                SLockedRect locked{};
                if (!Failed(m_pSmallTexture->m_lpTexture->LockRect(0, &locked, nullptr, 0)))
                {
                    const bool inside = c >= 0 && c < columns && r >= 0 && r < rows;
                    for (int b = 0; b < 8; ++b)
                        for (int a = 0; a < 8; ++a)
                        {
                            const std::uint8_t value = inside ? ExploredAt(c * 8 + a, r * 8 + b) : 0;
                            any = any || value != 0;
                            auto* row =
                                reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                                 std::size_t(b) * std::size_t(locked.Pitch));
                            row[a] = std::uint32_t(value) << 24;
                        }
                    m_pSmallTexture->m_lpTexture->UnlockRect(0);
                }
            }
            if (!any) continue;
            // "Rendering": the layer slot over the background, through the mask.
            const plat::Rect screen{x0 + rect.left, y0 + rect.top, x0 + rect.right, y0 + rect.bottom};
            SQuadVertex* v = BuildQuad(screen, nullptr);
            if (!v) continue;
            const float u0 = (float(lx * kRadarTileSize) + cutLeft) / 512.0f;
            const float u1 = (float((lx + 1) * kRadarTileSize) - cutRight) / 512.0f;
            const float v0 = (float(ly * kRadarTileSize) + cutTop) / 512.0f;
            const float v1 = (float((ly + 1) * kRadarTileSize) - cutBottom) / 512.0f;
            for (int k = 0; k < 4; ++k)
            {
                const bool right = k % 2 != 0, bottom = k / 2 != 0;
                v[k].u0 = right ? u1 : u0;
                v[k].v0 = bottom ? v1 : v0;
                v[k].u1 = right ? 1.0f - cutRight / 64.0f : cutLeft / 64.0f;
                v[k].v1 = bottom ? 1.0f - cutBottom / 64.0f : cutTop / 64.0f;
            }
            DrawBuiltQuad(kTechniqueMinimapStages, m_pLayerTexture, back, m_pSmallTexture);
        }

    // "Rendering other objects".
    DrawBigMapPlayer(x0, y0, m_vPlayer);
    if (m_bTargetSet)
    {
        CTexture* sheet = TextureOf(m_iTexRadarPoint);
        const plat::Rect bounds{x0, y0, x0 + m_nViewWidth, y0 + m_nViewHeight};
        const int frame = AnimatedFrame();
        float sx, sy;
        BigMapPixel(m_vTarget, &sx, &sy);
        if (radar::BigMapPointShown(sx, sy, m_nViewWidth, m_nViewHeight))
            DrawRadarPoint(float(x0) + sx, float(y0) + sy, bounds, frame, kTechniqueAlphaNoCull, sheet);
        SetTextureFactorAlpha(0.5f, kFactorRenderState | kFactorPixelShader);
        for (int k = 0; k < m_Route.GetCount(); ++k)
        {
            BigMapPixel(m_Route.At(k), &sx, &sy);
            if (radar::BigMapPointShown(sx, sy, m_nViewWidth, m_nViewHeight))
                DrawRadarPoint(float(x0) + sx, float(y0) + sy, bounds, frame, kTechniqueModulated, sheet);
        }
    }
    if (g_pTexShaderManager) g_pTexShaderManager->RestoreState();
}

void CRadar::DrawBigMapPlayer(int x0, int y0, const CVector& position)
{
    float sx, sy;
    BigMapPixel(position, &sx, &sy);
    if (sx < 2.0f || sx > float(m_nViewWidth - 2) || sy < 2.0f || sy > float(m_nViewHeight - 2)) return;
    const int left = int(float(x0) + sx - 7.0f), top = int(float(y0) + sy - 7.0f);
    SQuadVertex* v = BuildQuad(plat::Rect{left, top, left + 16, top + 16}, nullptr);
    if (!v) return;
    Rotate(v, float(x0) + sx, float(y0) + sy, m_fPlayerHeading + kPi);
    DrawBuiltQuad(kTechniqueAlphaNoCull, TextureOf(m_iTexArrow));
}

void CRadar::DrawBigMapPoint(int x0, int y0, const CVector* position)
{
    if (!position) return;
    float sx, sy;
    BigMapPixel(*position, &sx, &sy);
    if (!radar::BigMapPointShown(sx, sy, m_nViewWidth, m_nViewHeight)) return;
    const plat::Rect bounds{x0, y0, x0 + m_nViewWidth, y0 + m_nViewHeight};
    DrawRadarPoint(float(x0) + sx, float(y0) + sy, bounds, 0, kTechniqueAlphaNoCull,
                   TextureOf(m_iTexRadarPoint));
}

void CRadar::DrawBigMapArrow(int x0, int y0, const CVector* position, const CVector* direction, int texture,
                             float scale, std::uint32_t colour)
{
    if (!position || !direction) return;
    float sx, sy;
    BigMapPixel(*position, &sx, &sy);
    if (!(8.0f < sx && sx < float(m_nViewWidth - 8) && 8.0f < sy && sy < float(m_nViewHeight - 8))) return;
    const int left = int(float(x0) + sx - 5.0f), top = int(float(y0) + sy - 8.0f);
    const int texels[4] = {0, 77, 1024, 1024};
    SQuadVertex* v = BuildQuad(plat::Rect{left, top, left + 9, top + 15}, texels);
    if (!v) return;
    const float cx = float(left) + 4.5f - 0.5f, cy = float(top) + 7.5f - 0.5f;
    for (int k = 0; k < 4; ++k)
    {
        v[k].x = cx + (v[k].x - cx) * scale;
        v[k].y = cy + (v[k].y - cy) * scale;
    }
    Rotate(v, cx, cy, std::atan2(direction->x, direction->y) + kPi);
    SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
    DrawBuiltQuad(kTechniqueModulated, TextureOf(texture));
}

void CRadar::DrawBigMapBuilding(int x0, int y0, const CMMObject* building, int /*flag*/, int textureId)
{
    if (!building || !g_pRenderer) return;
    float sx, sy;
    BigMapPixel(building->GetPosition(), &sx, &sy);
    const float size = building->m_fRadius * 0.1f * m_fZoom;
    int s = std::max(30, int(size > 0.0f ? size + 0.5f : size - 0.5f));
    s &= ~1;
    if (!(float(-s) < sx && sx < float(m_nViewWidth + s) && float(-s) < sy && sy < float(m_nViewHeight + s)))
        return;
    const int cx = int(float(x0) + sx), cy = int(float(y0) + sy);
    const plat::Point origin{s, s};
    const int scales[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    const plat::Rect corner{0, 0, 1024, 1024};
    for (const auto& scale : scales)
        g_pRenderer->DrawSprite(plat::Rect{cx, cy, cx + 27, cy + 27}, &origin, corner, textureId, scale[0],
                                scale[1], 0);
    if ((s - 32) / 2 > 0)
    {
        // The edges between the corners: a one-texel strip stretched, from
        // 5 pixels past each corner.
        const plat::Rect strip{29, 0, 29 + 1024, 1024};
        const int from = -s + 27 + 5, to = s - 27 - 5;
        g_pRenderer->DrawQuad(plat::Rect{cx + from, cy - s, cx + to, cy - s + 27}, &strip, textureId, 0);
        g_pRenderer->DrawQuad(plat::Rect{cx + from, cy + s, cx + to, cy + s - 27}, &strip, textureId, 0);
        const plat::Rect row{0, 29, 1024, 29 + 1024};
        g_pRenderer->DrawQuad(plat::Rect{cx - s, cy + from, cx - s + 27, cy + to}, &row, textureId, 0);
        g_pRenderer->DrawQuad(plat::Rect{cx + s, cy + from, cx + s - 27, cy + to}, &row, textureId, 0);
    }
    // The pulsing pointer above the mark.
    const int pulse = int(10.0f * std::sin(3.0f * g_fEngineTime));
    const plat::Rect pointer{56, 0, 56 + 1024, 1024};
    g_pRenderer->DrawQuad(plat::Rect{cx - 8, cy - s - 24 + pulse, cx + 8, cy - s - 8 + pulse}, &pointer,
                          textureId, 0);
    if (g_pFontSmall)
    {
        std::string name = building->m_szGameId;
        if (g_pTextDB)
        {
            CXAnsiString text;
            g_pTextDB->GetName(STextKey(building->m_szGameId), text);
            if (text.GetData()) name = text.GetData();
        }
        const float x = float(cx - 20 - g_pFontSmall->TextWidth(name.c_str()) / 2);
        const float y = float(cy + s + 4);
        g_pFontSmall->RenderText(x, y, name.c_str(), 0xFF000000u);
        g_pFontSmall->RenderText(x - 1.0f, y - 1.0f, name.c_str(), 0xFFFFFFFFu);
    }
}
