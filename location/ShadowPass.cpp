#include "location/ShadowPass.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "location/EffectRenderManager.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "world/ModelDraw.h"

#include <algorithm>
#include <cmath>

using namespace plat::d3d;

namespace
{
constexpr int kTile = int(CEffectRenderManager::kModelTextureSize);
constexpr int kAtlas = CShadowPass::kAtlasSize;
constexpr int kColumns = kAtlas / kTile;
static_assert(kColumns * kColumns == CShadowPass::kTilesPerAtlas);

// One side of the picture's square: the points kept are those with
// sign * (coordinate - edge) >= 0 along axis (0 x, 1 y).
struct SEdge
{
    int axis;
    float edge, sign;
    float Side(const SEffectVertex& v) const { return sign * ((axis ? v.y : v.x) - edge); }
};

SEffectVertex Between(const SEffectVertex& a, const SEffectVertex& b, float t)
{
    SEffectVertex v = a;
    v.x = a.x + (b.x - a.x) * t;
    v.y = a.y + (b.y - a.y) * t;
    v.z = a.z + (b.z - a.z) * t;
    return v;
}
} // namespace

CShadowPass::~CShadowPass()
{
    // At program exit the device is gone: nothing is released through it.
    m_Atlas[0] = m_Atlas[1] = m_pPicture = nullptr;
}

bool CShadowPass::Seen(const SShadow& s) const
{
    // The patch's square on the ground.
    return graph.m_lpDevice && s.model && g_ViewCamera.IsSphereVisible(s.centre, s.radius * 1.5f + 20.0f);
}

bool CShadowPass::SPictureKey::operator==(const SPictureKey& o) const
{
    return model == o.model && animated == o.animated && std::equal(state, state + 4, o.state) &&
           broken == o.broken && size == o.size && std::equal(&view[0][0], &view[0][0] + 16, &o.view[0][0]);
}

CShadowPass::SPictureKey CShadowPass::KeyOf(const SShadow& s)
{
    SPictureKey k;
    k.model = s.model;
    k.animated = s.animated;
    if (s.animated) std::copy(s.state, s.state + 4, k.state);
    k.broken = s.broken;
    k.size = s.size;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            k.view[r][c] = s.view.m[r][c];
    return k;
}

Texture* CShadowPass::Atlas(int i)
{
    Texture*& t = m_Atlas[i];
    if (!t && graph.m_lpDevice)
    {
        if (plat::Failed(graph.m_lpDevice->CreateTexture(kAtlas, kAtlas, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                         D3DPOOL_DEFAULT, &t)))
            t = nullptr;
        // A new target holds no picture yet.
        std::fill(m_bTileKept + i * kTilesPerAtlas, m_bTileKept + (i + 1) * kTilesPerAtlas, false);
    }
    return t;
}

int CShadowPass::RenderPicture(const SShadow& s, std::uint32_t pass)
{
    XTRACE("CShadowPass::RenderPicture");
    if (!Seen(s)) return kUnseen;
    if (pass != m_nPass)
    {
        m_nPass = pass;
        m_nTiles = 0;
    }
    if (m_nTiles >= kMaxPictures || !m_bAtlases) return kNoTile;
    const int tile = m_nTiles;
    Texture* atlas = Atlas(tile / kTilesPerAtlas);
    if (!atlas) return kNoTile;
    const SPictureKey key = KeyOf(s);
    if (m_bTileKept[tile] && pass - m_nTilePass[tile] < kKeepPasses && m_Tiles[tile] == key)
    {
        ++m_nTiles;
        ++m_nKept;
        return tile;
    }
    m_bTileKept[tile] = false;
    Surface* surface = nullptr;
    if (!atlas || atlas->GetSurfaceLevel(0, &surface) != D3D_OK || !surface) return kNoTile;
    Device* d = graph.m_lpDevice;
    SViewport saved{};
    d->GetViewport(&saved);
    const bool pushed = graph.PushRenderTarget(surface, nullptr);
    surface->Release();
    if (!pushed) return kNoTile;
    ++m_nTiles;
    // The tile cleared transparent, the picture in its viewport. Targets
    // are bound when drawn: the pictures of a pass go into the atlas one
    // after another, in one go of the rasteriser.
    const int k = tile % kTilesPerAtlas;
    const int x = (k % kColumns) * kTile, y = (k / kColumns) * kTile;
    const SRect rect{x, y, x + kTile, y + kTile};
    d->Clear(1, &rect, D3DCLEAR_TARGET, 0, 1.0f, 0);
    const SViewport viewport{std::uint32_t(x), std::uint32_t(y), std::uint32_t(kTile), std::uint32_t(kTile), 0.0f,
                             1.0f};
    d->SetViewport(&viewport);
    g_EffectRenderManager.BeginModelPictures();
    g_EffectRenderManager.DrawModelPicture(s.model, s.animated ? const_cast<float*>(s.state) : nullptr, -1,
                                           s.broken, s.size, s.view);
    g_EffectRenderManager.EndModelPictures();
    graph.PopRenderTarget();
    d->SetViewport(&saved);
    m_Tiles[tile] = key;
    m_bTileKept[tile] = true;
    m_nTilePass[tile] = pass;
    ++m_nPictures;
    return tile;
}

void CShadowPass::LayPatch(const SShadow& s, int tile)
{
    if (tile < 0 || tile >= m_nTiles) return;
    const int k = tile % kTilesPerAtlas;
    Texture* atlas = m_Atlas[tile / kTilesPerAtlas];
    if (!atlas) return;
    Lay(s, atlas, float((k % kColumns) * kTile) / float(kAtlas), float((k / kColumns) * kTile) / float(kAtlas),
        float(kTile) / float(kAtlas));
}

void CShadowPass::DrawNow(const SShadow& s)
{
    if (!Seen(s)) return;
    if (!m_pPicture &&
        plat::Failed(graph.m_lpDevice->CreateTexture(kTile, kTile, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                     D3DPOOL_DEFAULT, &m_pPicture)))
        m_pPicture = nullptr;
    if (!m_pPicture || !g_EffectRenderManager.RenderModelToTarget(
                           m_pPicture, s.model, s.animated ? const_cast<float*>(s.state) : nullptr, -1, s.broken,
                           s.size, s.view, false))
        return;
    ++m_nPictures;
    Lay(s, m_pPicture, 0.0f, 0.0f, 1.0f);
}

bool CShadowPass::ClipPatch(const SShadow& s)
{
    // The ground patch is made of whole quads and reaches past the picture;
    // its triangles are cut to the picture's square, so that no point of
    // it reads another tile of the atlas.
    const SEdge edges[4] = {{0, s.centre.x - s.extent, 1.0f},
                            {0, s.centre.x + s.extent, -1.0f},
                            {1, s.centre.y - s.extent, 1.0f},
                            {1, s.centre.y + s.extent, -1.0f}};
    const auto* in = reinterpret_cast<const SEffectVertex*>(m_Patch.m_pVertices);
    auto* out = reinterpret_cast<SEffectVertex*>(m_Clipped.m_pVertices);
    std::uint32_t nv = 0, ni = 0;
    for (std::uint32_t t = 0; t + 2 < m_Patch.m_nIndexCount; t += 3)
    {
        SEffectVertex poly[8], next[8];
        int count = 3;
        for (int k = 0; k < 3; ++k)
            poly[k] = in[m_Patch.m_pIndices[t + std::uint32_t(k)]];
        for (const SEdge& e : edges)
        {
            int m = 0;
            for (int k = 0; k < count; ++k)
            {
                const SEffectVertex& a = poly[k];
                const SEffectVertex& b = poly[(k + 1) % count];
                const float da = e.Side(a), db = e.Side(b);
                if (da >= 0.0f) next[m++] = a;
                if ((da >= 0.0f) != (db >= 0.0f)) next[m++] = Between(a, b, da / (da - db));
            }
            count = m;
            std::copy(next, next + count, poly);
            if (count < 3) break;
        }
        if (count < 3) continue;
        if (nv + std::uint32_t(count) > m_Clipped.m_nVertexCapacity ||
            ni + 3u * std::uint32_t(count - 2) > m_Clipped.m_nIndexCapacity)
            break;
        for (int k = 0; k < count; ++k)
            out[nv + std::uint32_t(k)] = poly[k];
        for (int k = 1; k + 1 < count; ++k)
        {
            m_Clipped.m_pIndices[ni++] = std::uint16_t(nv);
            m_Clipped.m_pIndices[ni++] = std::uint16_t(nv + std::uint32_t(k));
            m_Clipped.m_pIndices[ni++] = std::uint16_t(nv + std::uint32_t(k) + 1);
        }
        nv += std::uint32_t(count);
    }
    m_Clipped.m_nVertexCount = nv;
    m_Clipped.m_nIndexCount = ni;
    return ni > 0;
}

void CShadowPass::Lay(const SShadow& s, Texture* texture, float u0, float v0, float scale)
{
    Device* d = graph.m_lpDevice;
    if (!g_pModelManager || !g_pTexShaderManager || g_Location.m_nCellsX <= 0) return;
    if (m_Patch.m_nVertexCapacity == 0) m_Patch.Allocate(CEffectRenderManager::kEffectFvf, 4000, 12000);
    if (m_Clipped.m_nVertexCapacity == 0) m_Clipped.Allocate(CEffectRenderManager::kEffectFvf, 4000, 12000);
    if (!g_Location.GetMapMesh(s.centre.x, s.centre.y, 0, s.radius, &m_Patch) || !ClipPatch(s)) return;
    auto* v = reinterpret_cast<SEffectVertex*>(m_Clipped.m_pVertices);
    for (std::uint32_t i = 0; i < m_Clipped.m_nVertexCount; ++i)
    {
        v[i].color = 0xFFFFFFFFu;
        const float u = std::clamp(0.5f + (v[i].x - s.centre.x) / (2.0f * s.extent), 0.0f, 1.0f);
        const float w = std::clamp(0.5f + (v[i].y - s.centre.y) / (2.0f * s.extent), 0.0f, 1.0f);
        v[i].u = u0 + u * scale;
        v[i].v = v0 + w * scale;
    }
    SetWorldTransform(CMatrix(1.0f));
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Clipped);
    if (!mesh) return;
    // Borrows the texture for the one draw; the object never releases it,
    // and the stage cache forgets it.
    struct SLent : CTexture
    {
        explicit SLent(Texture* t) { m_lpTexture = t; }
        ~SLent()
        {
            for (CTexture*& cached : g_TextureStageCache)
                if (cached == this) cached = nullptr;
            m_lpTexture = nullptr;
        }
    } lent(texture);
    // The picture's shape in black at the alpha; clamped, the square's edge
    // reads the tile's transparent edge texels, never the next tile.
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    // Cut triangles lie in the ground's planes but not exactly on its
    // depths: a step toward the viewer keeps them in front of it.
    d->SetRenderState(D3DRS_ZBIAS, 1);
    SetTextureFactor(std::uint32_t(s.alpha * 255.0f) << 24, kFactorRenderState | kFactorPixelShader);
    g_pTexShaderManager->ApplyStateBlock(SHADER_ALPHA_EFFECT_FACTOR, mesh, &lent);
    d->SetRenderState(D3DRS_ZBIAS, 0);
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    ++m_nDrawn;
}

void CShadowPass::InvalidateResources()
{
    for (Texture** t : {&m_Atlas[0], &m_Atlas[1], &m_pPicture})
    {
        if (*t) (*t)->Release();
        *t = nullptr;
    }
    m_nTiles = 0;
    std::fill(std::begin(m_bTileKept), std::end(m_bTileKept), false);
}
