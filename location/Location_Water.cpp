// Water: the water meshes of near blocks and far cells (pool 4), the
// reflection of each visible water level (CycleMakeWater) and the water
// pass (CycleRenderWater), which swells the surface by blending between
// three world matrices (or, on the shader path, gives the same motion to
// the water program as constants) and binds the reflection texture.
//
// The water level is not in the vertices: the surface lies at z = 0 in the
// mesh and the world matrices (or the water program's constants) lift it.
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/TileTable.h"
#include "location/ViewCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

namespace
{
float Now()
{
    return static_cast<float>(g_GameTime);
}

// The 48-byte water vertex (FVF 0x15A).
struct SWaterVertex
{
    float x, y, z;
    float w1, w2, w3;
    float nx, ny, nz;
    std::uint32_t diffuse;
    float u, v;
};
static_assert(sizeof(SWaterVertex) == 48);

// The fade constant: 1 / fade factor, ten times that when the water
// technique has no passes. A fade factor of 0 (or less) fades nothing in:
// the limit of the formula, alpha 0 at every depth.
float FadeConstant(const SWaterRecord& water)
{
    if (!(water.fadeFactor > 0.0f)) return -1.0f;
    float k = 1.0f / water.fadeFactor;
    if (g_pTexShaderManager && g_pTexShaderManager->m_Techniques[SHADER_WATER].m_iPassCount == 0) k *= 10.0f;
    return k;
}

SWaterVertex MakeVertex(const SWaterRecord& water, float k, int gx, int gy, float h, float u, float v)
{
    SWaterVertex out{};
    out.x = 10.0f * float(gx);
    out.y = 10.0f * float(gy);
    const float phase = float(gx + gy) / water.waveLength;
    out.w1 = (std::cos(phase) * 0.5f + 1.0f) * 0.5f;
    out.w2 = (std::sin(phase) * 0.5f + 1.0f) * 0.5f;
    if (!std::isfinite(out.w1)) out.w1 = 0.75f; // wave length 0: no swell pattern
    if (!std::isfinite(out.w2)) out.w2 = 0.5f;
    out.nz = 1.0f;
    float a = 0.1f;
    if (h <= water.level) a = k < 0.0f ? 0.0f : 1.0f - k / (k + water.level - h);
    out.diffuse = (std::uint32_t(std::clamp(a, 0.0f, 1.0f) * 255.0f) << 24) | (water.color & 0xFFFFFF);
    out.u = u;
    out.v = v;
    return out;
}

// Appends one group (a quad of two triangles over the kept corners of
// entry) as a list, or as a strip joined to the previous one.
void AppendGroup(CGeometryBuffer& g, std::uint32_t& vertexCount, std::uint32_t& indexCount, bool strip,
                 const STileEntry& entry, const SWaterVertex corners[4])
{
    auto* vertices = reinterpret_cast<SWaterVertex*>(g.m_pVertices);
    const std::uint32_t first = vertexCount;
    for (int i = 0; i < 4; ++i)
        vertices[vertexCount++] = corners[i];
    if (!strip)
    {
        for (int i = 0; entry.triangles[i] >= 0; ++i)
            g.m_pIndices[indexCount++] = std::uint16_t(first + std::uint32_t(entry.triangles[i]));
        return;
    }
    if (indexCount > 0)
    {
        g.m_pIndices[indexCount] = g.m_pIndices[indexCount - 1];
        g.m_pIndices[indexCount + 1] = std::uint16_t(first + std::uint32_t(entry.strip[0]));
        indexCount += 2;
    }
    for (int i = 0; entry.strip[i] >= 0; ++i)
        g.m_pIndices[indexCount++] = std::uint16_t(first + std::uint32_t(entry.strip[i]));
}

// Room for one more group: 4 vertices and 6 list (or 6 strip) indices.
constexpr std::uint32_t kGroupVertices = 4;
constexpr std::uint32_t kGroupIndices = 6;

void StoreCounts(SMeshSlot* slot, std::uint32_t vertices, std::uint32_t indices, bool overflow)
{
    if (overflow)
    {
        // The builder stopped before the slot's end: what was written stays.
        if (vertices + kGroupVertices > std::uint32_t(CLocation::kPoolFormats[4].vertices))
            g_ErrorLog.LogError("VERTEX OVERFLOW");
        else
            g_ErrorLog.LogError("INDEX OVERFLOW");
    }
    slot->m_nVertexCount = std::int32_t(vertices);
    slot->m_nIndexCount = std::int32_t(indices);
    slot->m_Geometry.m_nVertexCount = vertices;
    slot->m_Geometry.m_nIndexCount = indices;
}

// Stage transform matrices: the identity with the 2-D offset and scale.
CMatrix TexMatrix(float su, float sv, float ou, float ov)
{
    CMatrix m(1.0f);
    m.m[0][0] = su;
    m.m[1][1] = sv;
    m.m[2][0] = ou;
    m.m[2][1] = ov;
    return m;
}

void SetStageTransform(int stage, const CMatrix& m)
{
    Device* d = graph.m_lpDevice;
    d->SetTransform(D3DTS_TEXTURE0 + std::uint32_t(stage), reinterpret_cast<const SMatrix*>(&m));
    d->SetTextureStageState(std::uint32_t(stage), D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
}

// The frame of an n-frame animation over period seconds at time t; 0 when
// there is no animation or the period is 0 (which would divide by zero).
int AnimationFrame(int frames, float period, double t)
{
    if (frames <= 0 || !(period > 0.0f)) return 0;
    const double f = std::floor(double(frames) * t / double(period));
    const double m = std::fmod(f, double(frames));
    return int(m < 0 ? m + frames : m);
}

// The texture of an id; an id without a texture gives the default one.
CTexture* WaterTexture(ITerrainTextures& textures, std::int32_t id)
{
    CTexture* texture = id >= 0 ? textures.GetTexture(id) : nullptr;
    if (!texture && textures.GetDefaultTexture() >= 0)
        texture = textures.GetTexture(textures.GetDefaultTexture());
    return texture;
}
} // namespace

std::uint8_t g_bWaterTexture2 = 0;
std::uint8_t g_bReflectionCaps = 0;

void DeriveWaterCaps()
{
    g_bWaterTexture2 = g_bReflectionCaps = 0;
    if (!g_pTexShaderManager) return;
    const STechnique& t = g_pTexShaderManager->m_Techniques[SHADER_WATER];
    for (int pass = 0; pass < t.m_iPassCount && pass < 3; ++pass)
        for (int stage = 0; stage < 5 && t.m_aStageTexture[pass][stage] >= 0; ++stage)
        {
            if (t.m_aStageTexture[pass][stage] == 1) g_bWaterTexture2 = 1;
            if (t.m_aStageTexture[pass][stage] == 2) g_bReflectionCaps = 1;
        }
}

SMeshSlot* CLocation::GenerateWater(int x, int y, int block, const SWaterEntry* water)
{
    XTRACE("CLocation::GenerateWater");
    if (!IsInside(x, y) || block < 0 || block > 3 || !water) return nullptr;
    SNearSlot* near = GetCell(x, y).m_pNear;
    if (!near) return nullptr;
    MapQuad& quad = near->m_Quads[block];
    ReleaseMeshSlot(quad.m_pWater);
    SMeshSlot* slot = GetMeshSlot(4);
    if (!slot) return nullptr;
    const float now = Now();
    quad.m_pWater = slot;
    slot->m_ppOwner = &quad.m_pWater;
    slot->m_nCellX = x;
    slot->m_nCellY = y;
    slot->m_nBlock = block;
    slot->m_bUsed = 1;
    slot->m_fLastUse = now;

    const SWaterRecord& record = water->record;
    const float k = FadeConstant(record);
    const int c0 = (block & 1) * 32, r0 = (block >> 1) * 32;
    CGeometryBuffer& g = slot->m_Geometry;
    const std::uint32_t vertexCap = std::min<std::uint32_t>(g.m_nVertexCapacity, 1024);
    const std::uint32_t indexCap = std::min<std::uint32_t>(g.m_nIndexCapacity, 1536);
    std::uint32_t vertices = 0, indices = 0;
    bool overflow = false;
    for (int gr = 0; gr < 8 && !overflow; ++gr)
    {
        for (int gc = 0; gc < 8; ++gc)
        {
            const int row = r0 + 4 * gr, column = c0 + 4 * gc;
            bool wet = false;
            for (int corner = 0; corner < 4 && !wet; ++corner)
                wet = near->At(row + 4 * (corner >> 1), column + 4 * (corner & 1)).water != 0;
            if (!wet) continue;
            if (vertices + kGroupVertices > vertexCap || indices + kGroupIndices + 2 > indexCap)
            {
                overflow = true;
                break;
            }
            const int entryIndex = record.waveAmplitude == 0.0f || ((gr + gc) & 1) == 0 ? 32 : 31;
            const STileEntry& entry = GetTileEntry(entryIndex);
            SWaterVertex corners[4];
            for (int i = 0; i < 4; ++i)
            {
                const int tr = entry.kept[i] / 3, tc = entry.kept[i] % 3; // table positions 0 or 2
                const int vr = row + 2 * tr, vc = column + 2 * tc;
                corners[i] = MakeVertex(record, k, 64 * x + vc, 64 * y + vr, near->At(vr, vc).height,
                                        float(gc & 7) * 0.125f + float(tc) * 0.0625f,
                                        float(gr & 7) * 0.125f + float(tr) * 0.0625f);
            }
            AppendGroup(g, vertices, indices, m_bStripMode, entry, corners);
        }
    }
    StoreCounts(slot, vertices, indices, overflow);
    return slot;
}

SMeshSlot* CLocation::GetWaterMesh(int x, int y, int block, const SWaterEntry* water)
{
    if (!IsInside(x, y) || block < 0 || block > 3) return nullptr;
    SNearSlot* near = GetCell(x, y).m_pNear;
    if (!near) return nullptr;
    near->m_fLastUse = Now();
    MapQuad& quad = near->m_Quads[block];
    if (quad.m_nLevel == 0) return nullptr;
    if (quad.m_pWater)
    {
        quad.m_pWater->m_fLastUse = Now();
        return quad.m_pWater;
    }
    return GenerateWater(x, y, block, water);
}

SMeshSlot* CLocation::GenerateWater4(int x, int y, const SWaterEntry* water)
{
    XTRACE("CLocation::GenerateWater4");
    if (!IsInside(x, y) || !water) return nullptr;
    SFarSlot* far = GetCell(x, y).m_pFar;
    if (!far) return nullptr;
    ReleaseMeshSlot(far->m_pWater);
    SMeshSlot* slot = GetMeshSlot(4);
    if (!slot) return nullptr;
    far->m_pWater = slot;
    slot->m_ppOwner = &far->m_pWater;
    slot->m_nCellX = x;
    slot->m_nCellY = y;
    slot->m_nBlock = 4;
    slot->m_bUsed = 1;
    slot->m_fLastUse = Now();

    const SWaterRecord& record = water->record;
    const float k = FadeConstant(record);
    const int fw = std::min(FarVertexCount(CellWidth(x)), kFarVertices);
    const int fh = std::min(FarVertexCount(CellHeight(y)), kFarVertices);
    CGeometryBuffer& g = slot->m_Geometry;
    const std::uint32_t vertexCap = std::min<std::uint32_t>(g.m_nVertexCapacity, 1024);
    const std::uint32_t indexCap = std::min<std::uint32_t>(g.m_nIndexCapacity, 1536);
    std::uint32_t vertices = 0, indices = 0;
    bool overflow = false;
    const STileEntry& entry = GetTileEntry(32);
    for (int gr = 0; gr < 8 && !overflow; ++gr)
    {
        for (int gc = 0; gc < 8; ++gc)
        {
            // Far vertices are every second vertex: a group of 8 x 8 quads
            // spans 4 x 4 far vertices.
            const int row = 4 * gr, column = 4 * gc;
            if (row + 4 >= fh + 1 || column + 4 >= fw + 1) continue;
            if (!far->At(row, column).water || !far->At(row + 4, column + 4).water) continue;
            if (vertices + kGroupVertices > vertexCap || indices + kGroupIndices + 2 > indexCap)
            {
                overflow = true;
                break;
            }
            SWaterVertex corners[4];
            for (int i = 0; i < 4; ++i)
            {
                const int tr = entry.kept[i] / 3, tc = entry.kept[i] % 3;
                const int fr = row + 2 * tr, fc = column + 2 * tc;
                corners[i] = MakeVertex(record, k, 64 * x + 2 * fc, 64 * y + 2 * fr,
                                        float(far->At(fr, fc).height), float(gc) * 0.25f + float(tc) * 0.125f,
                                        float(gr & 7) * 0.25f + float(tr) * 0.125f);
            }
            AppendGroup(g, vertices, indices, m_bStripMode, entry, corners);
        }
    }
    StoreCounts(slot, vertices, indices, overflow);
    return slot;
}

void CLocation::CycleMakeWater()
{
    XTRACE("CycleMakeWater");
    for (SWaterEntry& water : m_Water)
        water.reflection = -1;
    for (int i = 0; i < m_nVisible; ++i)
    {
        SWaterEntry* water = GetCell(m_Visible[i].drawX, m_Visible[i].drawY).m_pWater;
        if (!water || water->record.surfaceKind != 0 || water->reflection != -1) continue;
        if (!(g_ViewCamera.m_vPosition.z > water->record.level)) continue;
        // The device's view and viewport come back as they were.
        Device* d = graph.m_lpDevice;
        SMatrix view{};
        SViewport viewport{};
        if (d)
        {
            d->GetTransform(D3DTS_VIEW, &view);
            d->GetViewport(&viewport);
        }
        const CViewCamera saved = g_ViewCamera;
        g_ViewCamera.MirrorInPlane(water->record.level);
        if (d) d->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&g_ViewCamera.m_mView));
        water->reflection = g_EffectRenderManager.CreateReflection(water->record.level);
        g_ViewCamera = saved;
        if (d)
        {
            d->SetTransform(D3DTS_VIEW, &view);
            d->SetViewport(&viewport);
        }
    }
}

void CLocation::CycleRenderWater()
{
    XTRACE("CLocation::CycleRenderWater");
    Device* d = graph.m_lpDevice;
    if (!d || !g_pTexShaderManager) return;
    DeriveWaterCaps();
    m_nWaterTechnique = -1;
    m_pCurrentWater = nullptr;
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    d->SetRenderState(D3DRS_SPECULARENABLE, 0);
    g_pTexShaderManager->InvalidateState();
    bool blending = false;
    for (int i = 0; i < m_nVisible; ++i)
    {
        const int x = m_Visible[i].drawX, y = m_Visible[i].drawY;
        MapCell& cell = GetCell(x, y);
        if (!cell.m_pWater) continue;
        const bool swell = cell.m_pWater->record.waveAmplitude != 0.0f;
        if (swell != blending)
        {
            d->SetRenderState(D3DRS_VERTEXBLEND, swell ? D3DVBF_2WEIGHTS : D3DVBF_DISABLE);
            blending = swell;
        }
        RenderWater(x, y, cell.m_nLevel, cell.m_pWater);
    }
    g_pTexShaderManager->RestoreState();
    if (blending) d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetRenderState(D3DRS_SPECULARENABLE, 1);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    CMesh::ResetCurrent();
}

float CLocation::WaterFogTerm()
{
    const float density = g_Environment.m_Work.fogDensity;
    const int radius = std::max(g_Settings.VisibleRadius, 1);
    const float floor = radius >= 512 ? 0.00025f : 512.0f / float(radius) * 0.00025f;
    const float d = std::max(density, floor);
    constexpr float kLn2 = 0.69314718f;
    return 2.25f * d * d / (kLn2 * kLn2);
}

void CLocation::RenderWater(int x, int y, int level, SWaterEntry* water)
{
    XTRACE("CLocation::RenderWater");
    Device* d = graph.m_lpDevice;
    if (!d || !water || !IsInside(x, y)) return;
    const SWaterRecord& record = water->record;
    const double time = g_GameTime;

    // 1. Textures.
    std::int32_t first = water->GetTextureId();
    std::int32_t second = g_bWaterTexture2 ? water->GetTexture2Id() : -1;
    CTexture* reflection = nullptr;
    if (g_bReflectionCaps && water->reflection != 0 && water->reflection != -1)
        reflection = g_EffectRenderManager.LendSlotTexture(water->reflection - 1);

    // 2. Technique.
    const int technique = record.surfaceKind == 0   ? SHADER_WATER
                          : record.surfaceKind == 1 ? SHADER_ALPHA_NORMAL_NOCULL
                                                    : SHADER_DETAIL_BLEND;
    const CMatrix& projection = g_ViewCamera.m_mProjection;
    if (technique != m_nWaterTechnique)
    {
        m_nWaterTechnique = technique;
        m_bWaterShaderPath = (g_pTexShaderManager->GetTechniqueCaps(technique) & 2) != 0;
        if (!m_bWaterShaderPath)
        {
            if (technique == SHADER_WATER && g_bReflectionCaps)
            {
                // Camera-space position to the screen-space reflection texture.
                CMatrix m(1.0f);
                m.m[0][0] = projection.m[0][0] * 0.5f;
                m.m[1][1] = projection.m[1][1] * 0.5f;
                m.m[2][0] = 0.5f;
                m.m[2][1] = 0.5f;
                d->SetTransform(D3DTS_TEXTURE0 + 1, reinterpret_cast<const SMatrix*>(&m));
            }
        }
        else
            SetVertexShaderConstant4(kVSReflectionScale, projection.m[0][0] * 0.5f, projection.m[1][1] * 0.5f,
                                     20.0f, 0.0f);
    }

    // 3. Texture animation of the water technique.
    if (technique == SHADER_WATER && record.frameCount > 0)
    {
        const int frame = AnimationFrame(record.frameCount, record.framePeriod, time);
        first += frame;
        if (second != -1) second += frame;
    }
    CTexture* firstTexture = WaterTexture(Textures(), first);
    CTexture* secondTexture = second != -1 ? WaterTexture(Textures(), second) : nullptr;

    // 4. Surface set-up, once per water record.
    if (water != m_pCurrentWater)
    {
        m_pCurrentWater = water;
        const int n = record.frameCount;
        const bool atlas = n > 0 && record.framePeriod > 0.0f;
        const int frame = atlas ? AnimationFrame(n * n, record.framePeriod, time) : 0;
        const float inv = atlas ? 1.0f / float(n) : 1.0f;
        const float ou = atlas ? float(frame % n) / float(n) : 0.0f;
        const float ov = atlas ? float(frame / n) / float(n) : 0.0f;
        const float wave = float(time) * record.waveFrequency;
        const float a = std::cos(wave) * record.waveAmplitude;
        const float b = -std::sin(wave) * record.waveAmplitude;
        const float lift = -(a + b) * (std::sin(wave) + 2.0f);
        if (!m_bWaterShaderPath)
        {
            SMaterial material{};
            material.Diffuse = material.Ambient = material.Specular = SColorValue{1.0f, 1.0f, 1.0f, 1.0f};
            material.Power = record.materialPower;
            d->SetMaterial(&material);
            bool lastSet = false;
            CMatrix last(1.0f);
            if (record.surfaceKind == 2)
            {
                SetStageTransform(
                    0, TexMatrix(1.0f, 1.0f, std::sin(float(time) * 0.01f), std::cos(float(time) * 0.017f)));
                last = TexMatrix(1.0f, 1.0f, std::sin(float(time) * 0.01f), std::cos(float(time) * 0.017f));
                lastSet = true;
                if (atlas)
                {
                    last = TexMatrix(inv, inv, ou, ov);
                    SetStageTransform(1, last);
                }
            }
            else if (atlas)
            {
                last = TexMatrix(inv, inv, ou, ov);
                SetStageTransform(0, last);
                lastSet = true;
            }
            if (g_bWaterTexture2 && lastSet) SetStageTransform(2, last);
            const float z[3] = {record.level + 4.0f * a, record.level + 4.0f * b, record.level + lift};
            for (std::uint32_t i = 0; i < 3; ++i)
            {
                CMatrix world(1.0f);
                world.m[3][2] = z[i];
                d->SetTransform(D3DTS_WORLDMATRIX(i), reinterpret_cast<const SMatrix*>(&world));
            }
        }
        else
        {
            SetVertexShaderConstant4(kVSFog, ou, ov, inv, WaterFogTerm());
            CMatrix world(1.0f);
            world.m[3][2] = record.level;
            CMatrix combined, frame;
            MatrixMultiply(&combined, &world, &g_ViewCamera.m_mViewProjection);
            MatrixMultiply(&frame, &world, &g_ViewCamera.m_mView);
            SetVertexShaderMatrices(&combined.m[0][0], &frame.m[0][0]);
            SetVertexShaderConstant4(kVSWaveWeights, 4.0f * a, -4.0f * b, lift, record.level);
            // The environment keeps no water tint of its own: white.
            SetVertexShaderConstant4(12, 1.0f, 1.0f, 1.0f, 1.0f);
            const CVector& eye = g_ViewCamera.m_vPosition;
            SetVertexShaderConstant4(kVSEye, eye.x, eye.y, eye.z + 40.0f, -1.5f);
        }
        g_Environment.SetFog(true, 1.25f, 0.0f);
    }

    auto draw = [&](SMeshSlot* mesh)
    {
        if (!mesh || mesh->m_nVertexCount < 1 || mesh->m_nIndexCount < 1) return;
        if (!g_pModelManager || m_iRenderBuffers[2] == -1) return;
        CGeometryBuffer& piece = mesh->m_Geometry;
        piece.m_nFirstVertex = piece.m_nFirstIndex = 0;
        piece.m_nVertexCount = std::uint32_t(mesh->m_nVertexCount);
        piece.m_nIndexCount = std::uint32_t(mesh->m_nIndexCount);
        CMesh* target = g_pModelManager->GetRenderSingleBufMesh(m_iRenderBuffers[2], &piece);
        if (!target) return;
        g_pTexShaderManager->ApplyStateBlock(technique, target, firstTexture, secondTexture, reflection);
        ++m_nWaterDraws;
    };

    const float now = Now();
    if (level == kLevelNear)
    {
        SNearSlot* near = GetCell(x, y).m_pNear;
        if (!near) return;
        near->m_fLastUse = now;
        for (int b = 0; b < near->m_nBlocksPerSide * near->m_nBlocksPerSide; ++b)
        {
            if (!near->m_Quads[b].m_bVisible) continue;
            draw(GetWaterMesh(x, y, b, water));
        }
    }
    else
    {
        SFarSlot* far = GetCell(x, y).m_pFar;
        if (!far) return;
        far->m_fLastUse = now;
        if (!far->m_pWater) GenerateWater4(x, y, water);
        draw(far->m_pWater);
    }
    // The stage cache must not keep naming the lent reflection.
    if (reflection)
        for (CTexture*& cached : g_TextureStageCache)
            if (cached == reflection) cached = nullptr;
}
