// Terrain rendering: the per-frame visible-cell list and mesh requests, the
// device pool slots that keep block geometry in device memory across
// frames, and the draws of near blocks (one per land-type layer) and far
// cells through the terrain techniques.
#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/LandTypes.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/Environment.h"
#include "location/Location.h"
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

// Adds 0.5 to a positive value, takes 0.5 from any other, truncates.
int Nearest(float v)
{
    return v > 0.0f ? int(v + 0.5f) : int(v - 0.5f);
}

// The far view radius in cells: (VisibleRadius + 32) / 64.
float FarRadius()
{
    return float(g_Settings.VisibleRadius + 32) / 64.0f;
}

void SetLightsFor(const CVector& centre, float radius)
{
    if (g_pObjectView) g_pObjectView->SetLights(centre, radius);
}

// The texture manager as the terrain sees it.
class CManagerTextures : public ITerrainTextures
{
public:
    CTexture* GetTexture(std::int32_t id) override
    {
        return g_pTextureManager ? g_pTextureManager->GetTexture(id) : nullptr;
    }
    std::int32_t GetDefaultTexture() override
    {
        return g_pTextureManager ? g_pTextureManager->GetDefaultTexture() : -1;
    }
};
CManagerTextures g_ManagerTextures;

// The texture of a land-type layer: the type's (level 1: its level-1
// texture when it has one), else the default texture; null when neither
// can be had now.
CTexture* LayerTexture(ITerrainTextures& textures, int landType, int level)
{
    std::int32_t id = textures.GetDefaultTexture();
    if (landType >= 0 && g_pLandTypeManager)
    {
        if (const SLandType* type = g_pLandTypeManager->GetType(landType))
            id = level == 1 && type->textureFull != -1 ? type->textureFull : type->texture;
    }
    CTexture* texture = id != -1 ? textures.GetTexture(id) : nullptr;
    if (!texture && textures.GetDefaultTexture() != -1)
        texture = textures.GetTexture(textures.GetDefaultTexture());
    return texture;
}
} // namespace

ITerrainTextures& CLocation::Textures()
{
    return m_pTextures ? *m_pTextures : g_ManagerTextures;
}

void CLocation::PreRender()
{
    XTRACE("CLocation::PreRender");
    CycleSetVisibility();
    CycleLoad();
    CycleMakeWater();
}

void CLocation::CycleSetVisibility()
{
    XTRACE("CLocation::CycleSetVisibility");
    m_nVisible = 0;
    m_nRequests = 0;
    const CVector& eye = g_ViewCamera.m_vPosition;
    m_vViewer = CVector{eye.x * 0.1f / 64.0f, eye.y * 0.1f / 64.0f, 0.0f};
    m_fViewerHeight = eye.z * 0.1f / 64.0f;
    const float radius = FarRadius();
    const float radius2 = radius * radius;
    const float near2 = (kNearRadius / 64.0f) * (kNearRadius / 64.0f);

    int x0 = std::max(Nearest(m_vViewer.x - radius), 0),
        x1 = std::min(Nearest(m_vViewer.x + radius), m_nCellsX);
    int y0 = std::max(Nearest(m_vViewer.y - radius), 0),
        y1 = std::min(Nearest(m_vViewer.y + radius), m_nCellsY);
    x0 = std::min(x0, m_nCellsX - 1);
    x1 = std::max(x1, 0);
    y0 = std::min(y0, m_nCellsY - 1);
    y1 = std::max(y1, 0);

    const float now = Now();
    for (int y = y0; y < y1; ++y)
    {
        for (int x = x0; x < x1; ++x)
        {
            const float dx = m_vViewer.x - float(x) - 0.5f, dy = m_vViewer.y - float(y) - 0.5f;
            const float d2 = dx * dx + dy * dy;
            if (d2 > radius2) continue;
            MapCell& cell = GetCell(x, y);
            if (cell.m_pNear) cell.m_pNear->m_fLastUse = now;
            if (cell.m_pFar) cell.m_pFar->m_fLastUse = now;
            const int level = d2 < near2 ? kLevelNear : kLevelFar;
            const bool visible = d2 <= 2.0f || g_ViewCamera.IsSphereVisible(cell.m_vCenter, cell.m_fRadius);
            // A full list refuses the cell: it is neither drawn nor requested.
            if (!visible || m_nVisible == kVisibleCells)
            {
                if (cell.m_pNear) cell.m_pNear->m_bVisible = 0;
                continue;
            }
            cell.m_nPrevLevel = cell.m_nLevel;
            cell.m_nLevel = level;
            if (cell.m_pNear) cell.m_pNear->m_bVisible = 1;
            if (level == kLevelFar && cell.m_pFar) cell.m_pFar->m_fLastUse = now;
            if (level == kLevelNear && cell.m_pNear) cell.m_pNear->m_fLastUse = now;
            m_Visible[m_nVisible] = SVisibleCell{d2, false, x, y, x, y};
            if ((level == kLevelNear && !cell.m_pNear) || (level == kLevelFar && !cell.m_pFar))
                RequestCell(x, y, level, m_nVisible);
            ++m_nVisible;
        }
    }

    for (int i = 0; i < m_nVisible; ++i)
    {
        const SVisibleCell& v = m_Visible[i];
        const MapCell& cell = GetCell(v.x, v.y);
        if (cell.m_nLevel == cell.m_nPrevLevel) continue;
        if ((cell.m_nLevel == kLevelFar && cell.m_pFar) || (cell.m_nLevel == kLevelNear && cell.m_pNear))
            UpdateBorder(unsigned(v.x), unsigned(v.y));
    }

    // Nearest first; equal distances keep their grid order.
    for (int n = m_nVisible; n > 1; --n)
    {
        bool swapped = false;
        for (int i = 0; i + 1 < n; ++i)
        {
            if (m_Visible[i + 1].distance2 < m_Visible[i].distance2)
            {
                std::swap(m_Visible[i], m_Visible[i + 1]);
                swapped = true;
            }
        }
        if (!swapped) break;
    }

    for (int r = 0; r < m_nRequests; ++r)
    {
        SRequest& request = m_Requests[r];
        for (int i = m_nVisible - 1; i >= 0; --i)
        {
            if (m_Visible[i].drawX == request.x && m_Visible[i].drawY == request.y)
            {
                request.index = i;
                break;
            }
        }
    }
}

void CLocation::SetTerrainStates()
{
    Device* d = graph.m_lpDevice;
    d->SetMaterial(&m_Material);
    d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    d->SetRenderState(D3DRS_SPECULARENABLE, 0);
    d->SetRenderState(D3DRS_NORMALIZENORMALS, 0);
    g_pTexShaderManager->InvalidateState();
}

void CLocation::RestoreTerrainStates()
{
    Device* d = graph.m_lpDevice;
    g_pTexShaderManager->RestoreState();
    d->SetRenderState(D3DRS_SPECULARENABLE, 1);
    d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
}

void CLocation::CycleRender()
{
    XTRACE("CLocation::CycleRender");
    if (!graph.m_lpDevice || !g_pTexShaderManager) return;
    for (int p = 0; p < kPools; ++p)
    {
        for (int i = 0; i < m_nDeviceSlots[p]; ++i)
            m_pDeviceSlots[p][i].m_bDrawn = 0;
    }
    g_Environment.SetFog(true, 1.0f, 0);
    SetTerrainStates();
    m_nWorldDirty = -1;
    for (int i = 0; i < m_nVisible; ++i)
    {
        const SVisibleCell& v = m_Visible[i];
        if (GetCell(v.drawX, v.drawY).m_nLevel != kLevelNear)
            RenderCell4(v.drawX, v.drawY);
        else
            RenderCell(v.drawX, v.drawY);
    }
    RestoreTerrainStates();
    if (m_bDrawDetails) RenderDetails();
    g_Environment.SetFog(false, 1.0f, 0);

    // Device slots not drawn from this frame go back to their pools.
    for (int p = 0; p < kPools; ++p)
    {
        for (int i = 0; i < m_nMeshSlots[p]; ++i)
        {
            SMeshSlot& mesh = m_pMeshSlots[p][i];
            if (mesh.m_pDevice && !mesh.m_pDevice->m_bDrawn)
            {
                mesh.m_pDevice->m_bTaken = 0;
                mesh.m_pDevice = nullptr;
            }
        }
    }
    graph.m_lpDevice->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
}

void CLocation::Render()
{
    XTRACE("CLocation::Render");
    CycleRender();
}

bool CLocation::TakeDeviceSlot(SMeshSlot* mesh, int pool, bool ring)
{
    const int n = m_nDeviceSlots[pool];
    SDeviceSlot* slots = m_pDeviceSlots[pool].get();
    const int start = ring && n > 0 ? m_nRingStart[pool] % n : 0;
    for (int i = 0; i < n; ++i)
    {
        const int k = (start + i) % n;
        SDeviceSlot& slot = slots[k];
        if (slot.m_bTaken) continue;
        CMesh& target = slot.m_Mesh;
        target.Lock(true, true);
        if (!target.m_pVertices || !target.m_pIndices) return false;
        std::memcpy(target.m_pVertices, mesh->m_Geometry.m_pVertices,
                    std::size_t(mesh->m_nVertexCount) * mesh->m_Geometry.m_nStride);
        std::memcpy(target.m_pIndices, mesh->m_Geometry.m_pIndices, std::size_t(mesh->m_nIndexCount) * 2);
        target.Unlock(true, true);
        target.m_nVertexCount = mesh->m_nVertexCount;
        target.m_nIndexCount = mesh->m_nIndexCount;
        target.m_nFirstVertex = target.m_nStartIndex = 0;
        slot.m_bTaken = 1;
        slot.m_bDrawn = 1;
        mesh->m_pDevice = &slot;
        if (ring) m_nRingStart[pool] = k;
        return true;
    }
    return false;
}

void CLocation::DrawBlockLayers(SMeshSlot* mesh, int level)
{
    const int technique = m_bTerrainTechnique ? SHADER_MAP_NEAR : SHADER_MAP_NEAR_1;
    const std::int32_t buffer = m_iRenderBuffers[level == 3 ? 2 : 0];
    for (int j = 0; j < SMeshSlot::kSubsets && mesh->m_Subsets[j].landType > -2; ++j)
    {
        const SMeshSubset& layer = mesh->m_Subsets[j];
        if (layer.vertexCount < 1 || layer.indexCount < 1) continue;
        CMesh* target = nullptr;
        if (mesh->m_pDevice)
        {
            target = &mesh->m_pDevice->m_Mesh;
            target->m_nFirstVertex = layer.firstVertex;
            target->m_nVertexCount = layer.vertexCount;
            target->m_nStartIndex = layer.firstIndex;
            target->m_nIndexCount = layer.indexCount;
        }
        else if (g_pModelManager && buffer != -1)
        {
            CGeometryBuffer& piece = mesh->m_Geometry;
            piece.m_nFirstVertex = std::uint32_t(layer.firstVertex);
            piece.m_nVertexCount = std::uint32_t(layer.vertexCount);
            piece.m_nFirstIndex = std::uint32_t(layer.firstIndex);
            piece.m_nIndexCount = std::uint32_t(layer.indexCount);
            target = g_pModelManager->GetRenderSingleBufMesh(buffer, &piece);
        }
        if (!target) continue;
        CTexture* texture =
            LayerTexture(m_pTextures ? *m_pTextures : g_ManagerTextures, layer.landType, level);
        if (!texture || !texture->m_lpTexture)
        {
            graph.m_lpDevice->SetTexture(0, nullptr);
            g_TextureStageCache[0] = nullptr;
        }
        g_pTexShaderManager->ApplyStateBlock(technique, target, texture);
    }
}

void CLocation::RenderCell(int x, int y)
{
    XTRACE("CLocation::RenderCell");
    if (!PrepareQuads(unsigned(x), unsigned(y), false)) return;
    SNearSlot* near = GetCell(x, y).m_pNear;
    near->m_fLastUse = Now();
    for (int b = 0; b < near->m_nBlocksPerSide * near->m_nBlocksPerSide; ++b)
    {
        MapQuad& quad = near->m_Quads[b];
        if (!quad.m_bVisible) continue;
        if (m_nWorldDirty)
        {
            const SMatrix identity = IdentityMatrix();
            graph.m_lpDevice->SetTransform(D3DTS_WORLD, &identity);
            m_nWorldDirty = 0;
        }
        SetLightsFor(quad.m_vCenter, quad.m_fRadius);
        SMeshSlot* mesh = GetQuadObject(unsigned(x), unsigned(y), b, quad.m_nLevel);
        if (!mesh || quad.m_nLevel < 1 || quad.m_nLevel > 3) continue;
        const int pool = quad.m_nLevel - 1;
        if (mesh->m_pDevice)
        {
            ++m_Stats.slotHits[pool];
            mesh->m_pDevice->m_bDrawn = 1;
        }
        else if (!TakeDeviceSlot(mesh, pool, true))
            ++m_Stats.slotMisses[pool];
        DrawBlockLayers(mesh, quad.m_nLevel);
    }
}

void CLocation::RenderCell4(int x, int y)
{
    XTRACE("CLocation::RenderCell4");
    SFarSlot* far = GetCellMesh4(unsigned(x), unsigned(y));
    if (!far) return;
    SMeshSlot* mesh = GetQuadObject(unsigned(x), unsigned(y), 4, kLevelFar);
    if (!mesh) return;
    if (mesh->m_pDevice)
    {
        ++m_Stats.slotHits[3];
        mesh->m_pDevice->m_bDrawn = 1;
    }
    else if (!TakeDeviceSlot(mesh, 3, false))
        ++m_Stats.slotMisses[3];
    if (m_nWorldDirty)
    {
        const SMatrix identity = IdentityMatrix();
        graph.m_lpDevice->SetTransform(D3DTS_WORLD, &identity);
        m_nWorldDirty = 0;
    }
    SetLightsFor(far->m_vCenter, far->m_fRadius);
    CMesh* target = nullptr;
    if (mesh->m_pDevice)
    {
        target = &mesh->m_pDevice->m_Mesh;
        target->m_nFirstVertex = target->m_nStartIndex = 0;
        target->m_nVertexCount = mesh->m_nVertexCount;
        target->m_nIndexCount = mesh->m_nIndexCount;
    }
    else if (g_pModelManager && m_iRenderBuffers[3] != -1)
    {
        CGeometryBuffer& piece = mesh->m_Geometry;
        piece.m_nFirstVertex = piece.m_nFirstIndex = 0;
        piece.m_nVertexCount = std::uint32_t(mesh->m_nVertexCount);
        piece.m_nIndexCount = std::uint32_t(mesh->m_nIndexCount);
        target = g_pModelManager->GetRenderSingleBufMesh(m_iRenderBuffers[3], &piece);
    }
    if (target)
        g_pTexShaderManager->ApplyStateBlock(
            m_bTerrainTechnique ? SHADER_DIFFUSE2X_OPAQUE : SHADER_DIFFUSE_OPAQUE, target);
}

void CLocation::RenderForWater()
{
    XTRACE("CLocation::RenderForWater");
    if (!graph.m_lpDevice || !g_pTexShaderManager) return;
    g_Environment.SetFog(true, 1.0f, 0);
    SetTerrainStates();
    const CVector& eye = g_ViewCamera.m_vPosition;
    const float vx = eye.x * 0.1f / 64.0f, vy = eye.y * 0.1f / 64.0f;
    const float radius = FarRadius();
    const float limit2 =
        g_Settings.VisibleRadius <= 512 ? 0.25f * radius * radius : (0.75f * radius) * (0.75f * radius);
    const int x0 = std::clamp(Nearest(vx - radius), 0, m_nCellsX),
              x1 = std::clamp(Nearest(vx + radius), 0, m_nCellsX);
    const int y0 = std::clamp(Nearest(vy - radius), 0, m_nCellsY),
              y1 = std::clamp(Nearest(vy + radius), 0, m_nCellsY);
    m_nWorldDirty = -1;
    for (int y = y0; y < y1; ++y)
    {
        for (int x = x0; x < x1; ++x)
        {
            const float dx = vx - float(x) - 0.5f, dy = vy - float(y) - 0.5f;
            const float d2 = dx * dx + dy * dy;
            MapCell& cell = GetCell(x, y);
            if (d2 > limit2 || !g_ViewCamera.IsSphereVisible(cell.m_vCenter, cell.m_fRadius)) continue;
            const int level = d2 < 25.0f ? kLevelNear : kLevelFar;
            if (cell.m_nLevel != level) cell.m_nLevel = level;
            if (level == kLevelFar)
                RenderCell4(x, y);
            else
                RenderCell(x, y);
        }
    }
    g_pTexShaderManager->RestoreState();
    Device* d = graph.m_lpDevice;
    d->SetRenderState(D3DRS_SPECULARENABLE, 1);
    d->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
}
