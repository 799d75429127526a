// The ground detail layer: within 200 units of the viewer a finer surface
// layer over the terrain, one batch per land type with a detail texture
// (and a second with its bump texture where the type asks for one), built
// anew each frame into the 20 system-memory spare buffers and drawn over
// the terrain with depth writes off. The layer fades out towards its rim
// and across land-type borders through its vertex alphas.
#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/LandTypes.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/TerrainUtil.h"
#include "location/TileTable.h"
#include "location/ViewCamera.h"
#include "world/LightWare.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

namespace
{
// The 40-byte "MAPDETAILS" vertex (FVF 0x1D2).
struct SDetailVertex
{
    float x, y, z;
    float nx, ny, nz;
    std::uint32_t diffuse;
    std::uint32_t specular;
    float u, v;
};
static_assert(sizeof(SDetailVertex) == 40);

// The middle vertices of a tile in code-bit order, (column, row).
constexpr int kMiddle[5][2] = {{1, 0}, {0, 1}, {1, 1}, {2, 1}, {1, 2}};

std::uint32_t Encode(const CVector& v)
{
    auto channel = [](float c) { return std::uint32_t(std::clamp(128.0f + 127.0f * c, 0.0f, 255.0f)); };
    return channel(v.x) << 16 | channel(v.y) << 8 | channel(v.z);
}
} // namespace

float CLocation::DetailWeight(float d2n)
{
    if (d2n < 0.5f) return 1.0f;
    if (d2n <= 1.0f) return 1.0f - 2.0f * (d2n - 0.5f);
    return 0.0f;
}

void CLocation::GenerateDetailMesh(const float* centre, float r)
{
    XTRACE("CLocation::GenerateDetailMesh");
    m_nDetailBatches = 0;
    m_DetailBatches[0].mainTexture = -1;
    if (m_nCellsX <= 0 || m_nCellsY <= 0) return;
    const int x0 = int((centre[0] - r) * 0.1f - 0.5f) & ~1, y0 = int((centre[1] - r) * 0.1f - 0.5f) & ~1;
    const int x1 = int((centre[0] + r) * 0.1f + 0.5f), y1 = int((centre[1] + r) * 0.1f + 0.5f);
    const int cx0 = std::clamp(x0 >> 6, 0, m_nCellsX - 1), cx1 = std::clamp(x1 >> 6, 0, m_nCellsX - 1);
    const int cy0 = std::clamp(y0 >> 6, 0, m_nCellsY - 1), cy1 = std::clamp(y1 >> 6, 0, m_nCellsY - 1);
    const float r2 = r * r;

    // Tiles out of reach or out of view, over the quads from (x0, y0); tiles
    // past the mask (a radius over 200) are left out.
    std::memset(m_DetailSkip, 0, sizeof m_DetailSkip);
    std::uint16_t types[kDetailTypes];
    int typeCount = 0;
    auto eachTile = [&](auto&& body)
    {
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx)
            {
                SNearSlot* near = GetCell(cx, cy).m_pNear;
                if (!near || !near->m_bVisible) continue;
                const int qx0 = std::max(x0, cx * 64), qx1 = std::min(x1, cx * 64 + 64);
                const int qy0 = std::max(y0, cy * 64), qy1 = std::min(y1, cy * 64 + 64);
                for (int qy = qy0 + ((qy0 - y0) & 1); qy + 2 <= qy1; qy += 2)
                    for (int qx = qx0 + ((qx0 - x0) & 1); qx + 2 <= qx1; qx += 2)
                    {
                        const int mx = qx - x0, my = qy - y0;
                        if (mx < 0 || my < 0 || mx >= kDetailMask || my >= kDetailMask) continue;
                        body(*near, cx, cy, qx, qy, mx, my);
                    }
            }
    };
    eachTile(
        [&](SNearSlot& near, int cx, int cy, int qx, int qy, int mx, int my)
        {
            for (int i = 0; i < 4; ++i)
            {
                const std::uint16_t t = near.At(qy - cy * 64 + i / 2, qx - cx * 64 + i % 2).landType;
                if (typeCount < kDetailTypes && std::find(types, types + typeCount, t) == types + typeCount)
                    types[typeCount++] = t;
            }
            const float dx = float(qx + 1) * 10.0f - centre[0], dy = float(qy + 1) * 10.0f - centre[1];
            const float d2 = dx * dx + dy * dy;
            if (d2 > 1.2f * r2)
            {
                m_DetailSkip[my][mx] = 1;
                return;
            }
            if (d2 <= 1600.0f) return;
            static constexpr float kProbe[4][2] = {
                {-0.5f, -0.5f}, {2.5f, -0.5f}, {-0.5f, 2.5f}, {2.5f, 2.5f}};
            bool seen = false;
            for (int i = 0; i < 4 && !seen; ++i)
            {
                const int cr = qy - cy * 64 + (i / 2) * 2, cc = qx - cx * 64 + (i % 2) * 2;
                const CVector p{(float(qx) + kProbe[i][0]) * 10.0f, (float(qy) + kProbe[i][1]) * 10.0f,
                                near.At(cr, cc).height};
                seen = g_ViewCamera.IsPointVisible(p);
            }
            if (!seen) m_DetailSkip[my][mx] = 1;
        });

    const std::uint8_t dropBit = m_bDetailObjects ? 1 : 2;
    const CVector eye = g_ViewCamera.m_vPosition;
    const CVector sun = g_Environment.m_vSunDir;
    const float sunScale = g_Environment.m_fSunStrength;
    for (int ti = 0; ti < typeCount && m_nDetailBatches < kDetailBatches; ++ti)
    {
        const std::uint16_t landId = types[ti];
        bool flag = false;
        const int typeIndex =
            g_pLandTypeManager
                ? g_pLandTypeManager->FindTypeIndex(landId == 0 ? m_nDefaultLandType : landId, &flag)
                : -1;
        const SLandType* type = g_pLandTypeManager ? g_pLandTypeManager->GetType(typeIndex) : nullptr;
        if (!type) continue;
        const bool bump = type->specularDetail || type->diffuseBump;
        for (int pass = 0; pass < (bump ? 2 : 1) && m_nDetailBatches < kDetailBatches; ++pass)
        {
            const std::int32_t texture = pass == 0 ? type->textureDetail : type->textureBump;
            if (texture == -1) continue;
            SDetailBatch& batch = m_DetailBatches[m_nDetailBatches];
            CGeometryBuffer& g = m_SpareBuffers[m_nDetailBatches];
            auto* vertices = reinterpret_cast<SDetailVertex*>(g.m_pVertices);
            std::uint32_t nv = 0, ni = 0;
            bool full = !vertices;
            std::memset(m_DetailVertexMap, 0, sizeof m_DetailVertexMap);
            eachTile(
                [&](SNearSlot& near, int cx, int cy, int qx, int qy, int mx, int my)
                {
                    if (full || m_DetailSkip[my][mx]) return;
                    const int lr = qy - cy * 64, lc = qx - cx * 64;
                    int code = 0;
                    for (int bit = 0; bit < 5; ++bit)
                        if (near.At(lr + kMiddle[bit][1], lc + kMiddle[bit][0]).dropMask & dropBit)
                            code |= 1 << bit;
                    const STileEntry& entry =
                        GetTileEntry(TileEntryFor(code, (((qx >> 1) + (qy >> 1)) & 1) == 0));
                    bool ours = false;
                    for (int k = 0; entry.kept[k] >= 0 && !ours; ++k)
                        ours = near.At(lr + entry.kept[k] / 3, lc + entry.kept[k] % 3).landType == landId;
                    if (!ours) return;
                    if (nv + 9 > g.m_nVertexCapacity || ni + 24 > g.m_nIndexCapacity)
                    {
                        g_ErrorLog.LogError(nv + 9 > g.m_nVertexCapacity ? "DETAILS VERTEX OVERFLOW"
                                                                         : "DETAILS INDEX OVERFLOW");
                        full = true;
                        return;
                    }
                    int kept[9];
                    for (int k = 0; entry.kept[k] >= 0; ++k)
                    {
                        const int vr = lr + entry.kept[k] / 3, vc = lc + entry.kept[k] % 3;
                        const int gx = cx * 64 + vc, gy = cy * 64 + vr;
                        const int rx = gx - x0, ry = gy - y0;
                        std::uint16_t& slot = m_DetailVertexMap[std::clamp(ry, 0, 63)][std::clamp(rx, 0, 63)];
                        if (slot && rx >= 0 && ry >= 0 && rx < 64 && ry < 64)
                        {
                            kept[k] = slot - 1;
                            continue;
                        }
                        const SNearVertex& source = near.At(vr, vc);
                        SDetailVertex& out = vertices[nv];
                        out.x = float(gx) * 10.0f;
                        out.y = float(gy) * 10.0f;
                        out.z = source.height;
                        float n[3];
                        UnpackNormal(n, std::int32_t(source.normal));
                        out.nx = n[0];
                        out.ny = n[1];
                        out.nz = n[2];
                        out.u = float(rx) * 0.5f;
                        out.v = float(ry) * 0.5f;
                        const float dx = out.x - centre[0], dy = out.y - centre[1];
                        float w = DetailWeight((dx * dx + dy * dy) / r2);
                        if (source.landType != landId)
                            w = 0.0f;
                        else if (w != 0.0f)
                            w *= (std::sin((float(typeIndex) * 0.5f + float(gx)) * 0.7f) *
                                      std::cos((float(typeIndex) + float(gy)) * 0.59f) +
                                  2.0f) *
                                 0.33333f;
                        const std::uint32_t alpha = std::uint32_t(std::clamp(w, 0.0f, 1.0f) * 255.0f) << 24;
                        const float s = g_Environment.GetShadowLevel(source.shadow);
                        if (pass == 0)
                        {
                            int k = int((1.0f - s) * 255.0f + 63.0f);
                            if (m_bTerrainTechnique) k /= 2;
                            std::uint32_t diffuse = alpha;
                            for (int shift = 0; shift <= 16; shift += 8)
                                diffuse |= std::min<std::uint32_t>(
                                               ((source.light >> shift) & 0xFF) * std::uint32_t(k) / 256, 255)
                                           << shift;
                            out.diffuse = diffuse;
                            out.specular = 0;
                        }
                        else
                        {
                            const CVector toEye = Normalize(eye - CVector{out.x, out.y, out.z});
                            const CVector half = Normalize(toEye + sun) * sunScale;
                            CVector light = Normalize(CVector{sun.x, sun.y, sun.z - 0.2f}) * sunScale;
                            if (s != 0.0f) light = light * (((1.0f - s) * 255.0f + 63.0f) / 255.0f);
                            out.specular = Encode(half);
                            out.diffuse = alpha | Encode(light);
                        }
                        if (rx >= 0 && ry >= 0 && rx < 64 && ry < 64) slot = std::uint16_t(nv + 1);
                        kept[k] = int(nv++);
                    }
                    for (int i = 0; entry.triangles[i] >= 0; ++i)
                        g.m_pIndices[ni++] = std::uint16_t(kept[entry.triangles[i]]);
                });
            batch.vertexCount = nv;
            batch.indexCount = ni;
            batch.typeIndex = typeIndex;
            batch.texture = texture;
            batch.mainTexture = type->texture != -1 ? type->texture : 0;
            batch.bump = pass == 1;
            g.m_nVertexCount = nv;
            g.m_nIndexCount = ni;
            g.m_nFirstVertex = g.m_nFirstIndex = 0;
            ++m_nDetailBatches;
        }
    }
    if (m_nDetailBatches < kDetailBatches) m_DetailBatches[m_nDetailBatches].mainTexture = -1;
}

void CLocation::RenderDetails()
{
    XTRACE("CLocation::RenderDetails");
    Device* d = graph.m_lpDevice;
    const CVector eye = g_ViewCamera.m_vPosition;
    const float centre[3] = {eye.x, eye.y, eye.z};
    GenerateDetailMesh(centre, 200.0f);
    if (!d || !g_pTexShaderManager || m_nDetailBatches == 0) return;
    g_LightWare.SetLights(eye, 200.0f);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    d->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d->SetRenderState(D3DRS_SPECULARENABLE, 0);
    d->SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, std::bit_cast<std::uint32_t>(-0.3f));
    g_Environment.SetFog(true, 1.0f, 0.0f);
    const SMatrix identity = IdentityMatrix();
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetMaterial(&m_Material);
    g_pTexShaderManager->InvalidateState();
    ITerrainTextures& textures = Textures();
    for (int i = 0; i < m_nDetailBatches && m_DetailBatches[i].mainTexture != -1; ++i)
    {
        const SDetailBatch& batch = m_DetailBatches[i];
        if (batch.vertexCount == 0 || batch.indexCount == 0) continue;
        if (!g_pModelManager || m_iRenderBuffers[1] == -1) break;
        CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(m_iRenderBuffers[1], &m_SpareBuffers[i]);
        CTexture* texture = textures.GetTexture(batch.texture);
        if (!mesh || !texture) continue;
        const SLandType* type = g_pLandTypeManager ? g_pLandTypeManager->GetType(batch.typeIndex) : nullptr;
        if (!batch.bump)
        {
            const bool pulse = type && type->selfIllum;
            if (pulse)
            {
                const float a = type->selfIllumForce;
                const float e =
                    type->selfIllumPeriod == 0.0f
                        ? 1.0f
                        : (1.0f - a) + a * 0.5f +
                              std::sin(float(g_GameTime) / type->selfIllumPeriod * 3.14159265f) * a * 0.5f;
                SMaterial glow{};
                glow.Diffuse = glow.Ambient = SColorValue{0.5f, 0.5f, 0.5f, 0.5f};
                glow.Emissive = SColorValue{e, e, e, e};
                d->SetMaterial(&glow);
            }
            g_pTexShaderManager->ApplyStateBlock(SHADER_ALPHA_LIGHT, mesh, texture);
            if (pulse) d->SetMaterial(&m_Material);
        }
        else
        {
            if (type && type->specularDetail)
                g_pTexShaderManager->ApplyStateBlock(SHADER_BUMPMAP_SPEC, mesh, texture);
            if (type && type->diffuseBump)
                g_pTexShaderManager->ApplyStateBlock(SHADER_BUMP_DIFFUSE, mesh, texture);
        }
    }
    g_pTexShaderManager->RestoreState();
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    d->SetRenderState(D3DRS_SPECULARENABLE, 1);
    d->SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, 0);
}
