#include "location/ShadowPass.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
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

CShadowPass::SCover CShadowPass::Cover(const SShadow& s)
{
    const SCover whole;
    if (!s.model || !(s.size > 0.0f)) return whole;
    // The box of what the model draws, in its own space.
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    bool any = false;
    for (SObjectPart& part : s.model->m_Parts)
    {
        if (part.Type() == 2 || part.Type() == 3) return whole;
        if (part.Type() != 0 || !part.m_pModel) continue;
        if (part.m_Record.flags & 1u) return whole;
        CModel& m = *part.m_pModel;
        // How far the animations can move a vertex along each axis: every
        // set's delta at most twice (the largest weight a set gets).
        float reach[3] = {};
        for (int a = 0; a < m.m_nAnimationCount && a < CModel::kMaxAnimations; ++a)
            for (const SAnimationSet& set : m.m_Animations[a].m_Sets)
            {
                float most[3] = {};
                for (std::size_t k = 0; k + 6 <= set.m_Deltas.size(); k += 6)
                    for (int c = 0; c < 3; ++c)
                        most[c] = std::max(most[c], std::fabs(set.m_Deltas[k + std::size_t(c)]));
                for (int c = 0; c < 3; ++c)
                    reach[c] += 2.0f * most[c];
            }
        auto add = [&](CMesh* mesh)
        {
            if (!mesh) return;
            float centre[3], size[3];
            mesh->GetCenter(centre);
            mesh->GetSize(size);
            if (!(size[0] >= 0.0f && size[1] >= 0.0f && size[2] >= 0.0f)) return; // no vertices
            for (int c = 0; c < 3; ++c)
            {
                lo[c] = std::min(lo[c], centre[c] - 0.5f * size[c] - reach[c]);
                hi[c] = std::max(hi[c], centre[c] + 0.5f * size[c] + reach[c]);
            }
            any = true;
        };
        add(m.m_pMesh.get());
        for (int d = 0; d < m.m_nDamageCount && d < CModel::kMaxDamages; ++d)
            add(m.m_Damages[d].m_pMesh.get());
    }
    if (!any) return whole;
    // Its corners through the picture's camera (DrawModelPicture's world
    // matrix, BeginModelPictures' view 1.44 above and its 90-degree view).
    CMatrix w = s.view;
    w.ScaleRotation(0.98f / s.size);
    SCover c{1.0f, 1.0f, 0.0f, 0.0f};
    for (int i = 0; i < 8; ++i)
    {
        const float p[3] = {i & 1 ? hi[0] : lo[0], i & 2 ? hi[1] : lo[1], i & 4 ? hi[2] : lo[2]};
        float q[3];
        for (int k = 0; k < 3; ++k)
            q[k] = p[0] * w.m[0][k] + p[1] * w.m[1][k] + p[2] * w.m[2][k] + w.m[3][k];
        const float depth = q[2] + 1.44f;
        if (!(depth > 0.05f)) return whole; // at or behind the camera
        const float u = 0.5f + 0.5f * q[0] / depth, v = 0.5f + 0.5f * q[1] / depth;
        c.u0 = std::min(c.u0, u), c.u1 = std::max(c.u1, u);
        c.v0 = std::min(c.v0, v), c.v1 = std::max(c.v1, v);
    }
    // Two texels wider: a filtered read reaches one texel past a covered
    // one; the second and the small relative step cover rounding.
    const float margin = 2.0f / float(kTile) + 1e-4f;
    c.u0 = std::max(0.0f, c.u0 - margin), c.v0 = std::max(0.0f, c.v0 - margin);
    c.u1 = std::min(1.0f, c.u1 + margin), c.v1 = std::min(1.0f, c.v1 + margin);
    if (!(c.u0 < c.u1 && c.v0 < c.v1)) return whole;
    return c;
}

Texture* CShadowPass::Atlas(int i)
{
    Texture*& t = m_Atlas[i];
    if (!t && graph.m_lpDevice)
    {
        if (plat::Failed(graph.m_lpDevice->CreateTexture(kAtlas, kAtlas, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                         D3DPOOL_DEFAULT, &t)))
            t = nullptr;
        // A new target holds no picture yet: cleared whole (the fast clear),
        // every tile transparent.
        Surface* surface = nullptr;
        if (t && t->GetSurfaceLevel(0, &surface) == D3D_OK && surface)
        {
            if (graph.PushRenderTarget(surface, nullptr))
            {
                graph.m_lpDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
                graph.PopRenderTarget();
            }
            surface->Release();
        }
        std::fill(m_bTileKept + i * kTilesPerAtlas, m_bTileKept + (i + 1) * kTilesPerAtlas, false);
        std::fill(m_Drawn + i * kTilesPerAtlas, m_Drawn + (i + 1) * kTilesPerAtlas, STexels{});
    }
    return t;
}

int CShadowPass::RenderPicture(const SShadow& s, std::uint32_t pass)
{
    XTRACE("CShadowPass::RenderPicture");
    if (!Seen(s)) return kUnseen;
    if (pass != m_nPass)
    {
        // Pictures of the last pass that were never drawn are drawn now:
        // their tiles say they hold them.
        RenderPictures();
        m_nPass = pass;
        m_nTiles = 0;
    }
    if (m_nTiles >= kMaxPictures || !m_bAtlases) return kNoTile;
    const int tile = m_nTiles;
    if (!Atlas(tile / kTilesPerAtlas)) return kNoTile;
    ++m_nTiles;
    const SPictureKey key = KeyOf(s);
    if (m_bTileKept[tile] && pass - m_nTilePass[tile] < kKeepPasses && m_Tiles[tile] == key)
    {
        ++m_nKept;
        return tile;
    }
    // Drawn with the others of the pass by RenderPictures.
    m_Tiles[tile] = key;
    m_Covers[tile] = Cover(s);
    m_bTileKept[tile] = true;
    m_nTilePass[tile] = pass;
    m_Pending[m_nPending++] = SPending{tile, s};
    // Drawn at once, in the visibility pass (see the header on drawing
    // them in one batch).
    RenderPictures();
    return tile;
}

void CShadowPass::RenderPictures()
{
    if (m_nPending == 0) return;
    XTRACE("CShadowPass::RenderPictures");
    Device* d = graph.m_lpDevice;
    SViewport saved{};
    if (d) d->GetViewport(&saved);
    // Atlas by atlas: one target binding, the tiles' clears, then the
    // pictures. A clear of part of a target waits for the rasteriser to
    // finish what was drawn into it: cleared before any picture is drawn,
    // no tile waits for the pictures before it, and the pictures go to the
    // rasteriser in one go when the scene binds its own target.
    for (int a = 0; a < 2; ++a)
    {
        SRect rects[kTilesPerAtlas];
        int tiles[kTilesPerAtlas];
        int n = 0;
        for (int p = 0; p < m_nPending; ++p)
            if (m_Pending[p].tile / kTilesPerAtlas == a) tiles[n++] = p;
        if (n == 0) continue;
        Surface* surface = nullptr;
        bool pushed = false;
        if (d && m_Atlas[a] && m_Atlas[a]->GetSurfaceLevel(0, &surface) == D3D_OK && surface)
        {
            pushed = graph.PushRenderTarget(surface, nullptr);
            surface->Release();
        }
        if (!pushed)
        {
            // Nothing drawn: the tiles hold no picture.
            for (int i = 0; i < n; ++i)
                m_bTileKept[m_Pending[tiles[i]].tile] = false;
            continue;
        }
        // Outside the texels the last picture could reach a tile is still
        // transparent: only those and the ones the new picture can reach
        // are cleared (the hull reaches about a fifth of its square).
        for (int i = 0; i < n; ++i)
        {
            const int tile = m_Pending[tiles[i]].tile, k = tile % kTilesPerAtlas;
            const int x = (k % kColumns) * kTile, y = (k / kColumns) * kTile;
            const STexels reach = TexelsOf(m_Covers[tile]);
            const STexels& last = m_Drawn[tile];
            const STexels c = last.x0 < last.x1 ? STexels{std::min(last.x0, reach.x0), std::min(last.y0, reach.y0),
                                                          std::max(last.x1, reach.x1), std::max(last.y1, reach.y1)}
                                                : reach;
            rects[i] = SRect{x + c.x0, y + c.y0, x + c.x1, y + c.y1};
            m_Drawn[tile] = reach;
        }
        d->Clear(std::uint32_t(n), rects, D3DCLEAR_TARGET, 0, 1.0f, 0);
        // Each picture in its tile's viewport, with the same camera.
        g_EffectRenderManager.BeginModelPictures();
        for (int i = 0; i < n; ++i)
        {
            const SPending& p = m_Pending[tiles[i]];
            const int k = p.tile % kTilesPerAtlas;
            const SViewport viewport{std::uint32_t((k % kColumns) * kTile), std::uint32_t((k / kColumns) * kTile),
                                     std::uint32_t(kTile), std::uint32_t(kTile), 0.0f, 1.0f};
            d->SetViewport(&viewport);
            const SShadow& s = p.shadow;
            g_EffectRenderManager.DrawModelPicture(s.model, s.animated ? const_cast<float*>(s.state) : nullptr, -1,
                                                   s.broken, s.size, s.view);
            ++m_nPictures;
        }
        g_EffectRenderManager.EndModelPictures();
        graph.PopRenderTarget();
    }
    if (d) d->SetViewport(&saved);
    m_nPending = 0;
}

void CShadowPass::LayPatch(const SShadow& s, int tile)
{
    RenderPictures();
    if (tile < 0 || tile >= m_nTiles || !m_bTileKept[tile]) return;
    const int k = tile % kTilesPerAtlas;
    Texture* atlas = m_Atlas[tile / kTilesPerAtlas];
    if (!atlas) return;
    Lay(s, m_bCover ? m_Covers[tile] : SCover{}, atlas, float((k % kColumns) * kTile) / float(kAtlas),
        float((k / kColumns) * kTile) / float(kAtlas), float(kTile) / float(kAtlas));
}

void CShadowPass::DrawNow(const SShadow& s)
{
    if (!Seen(s)) return;
    RenderPictures();
    if (!m_pPicture &&
        plat::Failed(graph.m_lpDevice->CreateTexture(kTile, kTile, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                     D3DPOOL_DEFAULT, &m_pPicture)))
        m_pPicture = nullptr;
    if (!m_pPicture || !g_EffectRenderManager.RenderModelToTarget(
                           m_pPicture, s.model, s.animated ? const_cast<float*>(s.state) : nullptr, -1, s.broken,
                           s.size, s.view, false))
        return;
    ++m_nPictures;
    Lay(s, m_bCover ? Cover(s) : SCover{}, m_pPicture, 0.0f, 0.0f, 1.0f);
}

CShadowPass::STexels CShadowPass::TexelsOf(const SCover& c)
{
    // Whole texels round the rectangle: a filtered read at its edge reaches
    // no texel past them.
    auto lower = [](float t) { return std::clamp(int(std::floor(t * float(kTile))), 0, kTile); };
    auto upper = [](float t) { return std::clamp(int(std::ceil(t * float(kTile))), 0, kTile); };
    return STexels{lower(c.u0), lower(c.v0), upper(c.u1), upper(c.v1)};
}

bool CShadowPass::ClipPatch(const SShadow& s, const SCover& cover)
{
    // The ground patch is made of whole quads and reaches past the picture;
    // its triangles are cut to the picture's square, so that no point of
    // it reads another tile of the atlas, and to the part of it the hull
    // can cover. The picture's u runs along the ground's x, its v along y.
    auto at = [&s](float centre, float t) { return centre + (2.0f * t - 1.0f) * s.extent; };
    const SEdge edges[4] = {{0, at(s.centre.x, cover.u0), 1.0f},
                            {0, at(s.centre.x, cover.u1), -1.0f},
                            {1, at(s.centre.y, cover.v0), 1.0f},
                            {1, at(s.centre.y, cover.v1), -1.0f}};
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

void CShadowPass::Lay(const SShadow& s, const SCover& cover, Texture* texture, float u0, float v0, float scale)
{
    Device* d = graph.m_lpDevice;
    if (!g_pModelManager || !g_pTexShaderManager || g_Location.m_nCellsX <= 0) return;
    if (m_Patch.m_nVertexCapacity == 0) m_Patch.Allocate(CEffectRenderManager::kEffectFvf, 4000, 12000);
    if (m_Clipped.m_nVertexCapacity == 0) m_Clipped.Allocate(CEffectRenderManager::kEffectFvf, 4000, 12000);
    if (!g_Location.GetMapMesh(s.centre.x, s.centre.y, 0, s.radius, &m_Patch) || !ClipPatch(s, cover)) return;
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
    m_nPending = 0;
    std::fill(std::begin(m_bTileKept), std::end(m_bTileKept), false);
}
