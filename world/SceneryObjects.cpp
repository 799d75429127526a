#include "world/SceneryObjects.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/Name32.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "world/KindManagers.h"
#include "world/LightWare.h"
#include "world/ObjectScene.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace plat::d3d;

namespace
{
constexpr int kTechniqueFlat = 6;
constexpr int kTechniqueLitDecal = 12;
constexpr int kTechniqueUnlit = 19;
// Position, a colour word, two texture pairs: what the terrain hands out.
constexpr std::uint32_t kPatchFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;

float AxisLength(const CMatrix& m)
{
    const auto& r = m.m[0];
    return std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
}

void SetWorld(const CMatrix& m)
{
    if (graph.m_lpDevice) graph.m_lpDevice->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&m));
}

} // namespace

void SetPatchColour(CGeometryBuffer& patch, std::uint32_t colour)
{
    for (std::uint32_t i = 0; i < patch.m_nVertexCount; ++i)
        std::memcpy(patch.m_pVertices + std::size_t(i) * patch.m_nStride + 12, &colour, 4);
}

float SceneryRadius(const CMatrix& placement, std::int32_t modelId)
{
    return AxisLength(placement) * (g_pModelManager ? g_pModelManager->GetModelScale(modelId) : 1.0f);
}

// --- helper ------------------------------------------------------------------

CHelperObject::CHelperObject()
{
    m_nType = OBJ_HELPER;
    m_bShown = 1;
    m_bCollidable = 0;
}

void CHelperObject::Init(const CMatrix& placement, const char* typeName)
{
    XTRACE("CHelperObject::Init");
    CopyName(m_TypeRef, typeName);
    SetMatrix(placement);
    const std::int32_t index = g_HelperManager.FindName(m_TypeRef);
    m_pType = index >= 0 ? static_cast<const SObjectTypeHeader*>(g_HelperManager.GetType(index)) : nullptr;
    m_fRadius = SceneryRadius(placement, GetModelId());
}

// --- road node ---------------------------------------------------------------

CRoadObject::CRoadObject()
{
    m_nType = OBJ_ROAD;
    m_bShown = 1;
    m_bCollidable = 0;
    m_bSphereCollider = 1;
    m_bDeleteNotify = 1;
    m_bQueueOnDelete = 1;
}

void CRoadObject::Init(const CMatrix& placement, const char* typeName)
{
    XTRACE("CRoadObject::Init");
    CopyName(m_TypeRef, typeName);
    SetMatrix(placement);
    std::int32_t index = g_RoadManager.FindName(m_TypeRef);
    if (index < 0) index = 0;
    m_pType = static_cast<const SObjectTypeHeader*>(g_RoadManager.GetType(index));
    m_fRadius = SceneryRadius(placement, GetModelId());
}

CMatrix CRoadObject::BandMatrix(const CVector& p, const CVector& q, float r)
{
    const CVector d = q - p;
    const float horizontal = std::sqrt(d.x * d.x + d.y * d.y);
    const float length = std::sqrt(horizontal * horizontal + d.z * d.z);
    CMatrix m(1.0f);
    if (horizontal <= 0.0f || !(length > 0.0f)) return CMatrix(0.0f);
    // Along: the segment's direction, scaled to the horizontal length.
    const CVector along = d * (horizontal / length);
    // Across: horizontal, perpendicular to the segment, the band's width.
    const CVector across{-d.y / horizontal * kBandWidth, d.x / horizontal * kBandWidth, 0.0f};
    // Up: unit normal of the band.
    CVector up{along.y * across.z - along.z * across.y, along.z * across.x - along.x * across.z,
               along.x * across.y - along.y * across.x};
    const float n = std::sqrt(up.x * up.x + up.y * up.y + up.z * up.z);
    if (n > 0.0f) up = up * (1.0f / n);
    const CVector mid = (p + q) * 0.5f;
    const CVector rows[4] = {along, across, up, {mid.x, mid.y, mid.z + r}};
    for (int i = 0; i < 4; ++i)
    {
        m.m[i][0] = rows[i].x;
        m.m[i][1] = rows[i].y;
        m.m[i][2] = rows[i].z;
    }
    return m;
}

void CRoadObject::Draw()
{
    XTRACE("CRoadObject::Draw");
    CMMObject::Draw();
    if (m_Links.empty() || !g_pModelManager || !g_pTexShaderManager || !graph.m_lpDevice) return;
    const CVector p = GetPosition();
    for (CRoadObject* link : m_Links)
    {
        const CMatrix band = BandMatrix(p, link->GetPosition(), m_fRadius);
        if (band.m[0][0] == 0.0f && band.m[0][1] == 0.0f && band.m[0][2] == 0.0f) continue; // same spot
        CGeometryBuffer* quad = g_pModelManager->SetBillboardQuad(1.0f, 1.0f, true);
        CMesh* mesh = quad ? g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iModelsSlot, quad) : nullptr;
        if (!mesh) return;
        SetWorld(band);
        g_pTexShaderManager->ApplyStateBlock(kTechniqueFlat, mesh, nullptr);
    }
}

void CRoadObject::ProcessDelete(CMMObject* deleted)
{
    m_Links.erase(std::remove(m_Links.begin(), m_Links.end(), deleted), m_Links.end());
}

// --- map cover ---------------------------------------------------------------

CMapCoverObject::CMapCoverObject()
{
    m_nType = OBJ_MAPCOVER;
    m_bShown = 1;
    m_bCollidable = 0;
    m_bSphereCollider = 0;
}

float CMapCoverObject::CoverRadius(float axisLength)
{
    return std::min(20.0f * axisLength, 150.0f);
}

float CMapCoverObject::GlowAlpha(std::uint32_t objectNumber, double clock, float period)
{
    if (period == 0.0f) return 1.0f;
    return float(std::sin(double(objectNumber) + clock / double(period) * 3.14159265358979) * 0.25 + 0.75);
}

void CMapCoverObject::Init(const CMatrix& placement, const char* typeName)
{
    XTRACE("CMapCoverObject::Init");
    CopyName(m_TypeRef, typeName);
    SetMatrix(placement);
    const std::int32_t index = g_MapCoverManager.FindName(m_TypeRef);
    m_pCoverType = index >= 0 ? g_MapCoverManager.GetKind(index) : nullptr;
    m_fRadius = CoverRadius(AxisLength(placement));
    m_nTexture = m_pCoverType ? m_pCoverType->m_nTexture : -1;
    // Texture space turned about its centre by the cover's heading:
    // (u, v, 1) x T with the translation in the third row.
    const float heading = std::atan2(placement.m[1][0], placement.m[0][0]);
    const float c = std::cos(heading), s = std::sin(heading);
    m_TextureMatrix = CMatrix(1.0f);
    m_TextureMatrix.m[0][0] = c;
    m_TextureMatrix.m[0][1] = s;
    m_TextureMatrix.m[1][0] = -s;
    m_TextureMatrix.m[1][1] = c;
    m_TextureMatrix.m[2][0] = -0.5f * c + 0.5f * s + 0.5f;
    m_TextureMatrix.m[2][1] = -0.5f * s - 0.5f * c + 0.5f;
    m_Patch.Allocate(kPatchFvf, kPatchVertices, kPatchIndices);
    m_Patch.m_nVertexCount = m_Patch.m_nIndexCount = 0;
    m_bPatchBuilt = 0;
}

void CMapCoverObject::SetPosition(CVector v)
{
    CMMObject::SetPosition(v);
    m_bPatchBuilt = 0;
}

void CMapCoverObject::Draw()
{
    XTRACE("CMapCoverObject::Draw");
    const int glowing = m_pCoverType ? m_pCoverType->m_nGlowing : 0;
    if (glowing != 0 && glowing != 1) return;
    const CMatrix identity(1.0f);
    SetWorld(identity);
    const CVector p = GetPosition();
    if (!m_bPatchBuilt && g_pObjectCells && m_Patch.m_pVertices)
    {
        // Cells whose ground is not loaded yet give nothing: ask again next frame.
        m_bPatchBuilt = g_pObjectCells->GetMapMesh(p.x, p.y, m_fRadius, &m_Patch) ? 1 : 0;
        SetPatchColour(m_Patch, 0xFFFFFFFFu);
    }
    Device* d = graph.m_lpDevice;
    if (!d || m_Patch.m_nIndexCount == 0 || !g_pModelManager || !g_pTexShaderManager || !g_pTextureManager) return;
    CTexture* tex = m_nTexture >= 0 ? g_pTextureManager->GetTexture(m_nTexture) : nullptr;
    if (!tex) return;
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    d->SetTransform(D3DTS_TEXTURE0, reinterpret_cast<const SMatrix*>(&m_TextureMatrix));
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Patch);
    if (mesh)
    {
        if (glowing == 0)
        {
            g_LightWare.SetLights(p, m_fRadius);
            d->SetMaterial(&g_DefaultMaterial);
            g_pTexShaderManager->ApplyStateBlock(kTechniqueLitDecal, mesh, tex);
        }
        else
        {
            const float period = m_pCoverType ? m_pCoverType->m_fPeriod : 0.0f;
            SetTextureFactorAlpha(GlowAlpha(std::uint32_t(m_nObjectNumber), g_GameTime, period), 3);
            g_pTexShaderManager->ApplyStateBlock(kTechniqueUnlit, mesh, tex);
        }
    }
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
}

// --- the managers' objects ---------------------------------------------------

CMMObject* CHelperManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* helper = new CHelperObject;
    if (gameId) std::snprintf(helper->m_szGameId, sizeof helper->m_szGameId, "%s", gameId);
    helper->Init(*placement, typeName);
    g_ObjectList.AddObject(helper);
    return helper;
}

CMMObject* CMapCoverManager::CreateObject(const char* typeName, const CMatrix* placement, const char* gameId)
{
    auto* cover = new CMapCoverObject;
    if (gameId) std::snprintf(cover->m_szGameId, sizeof cover->m_szGameId, "%s", gameId);
    cover->Init(*placement, typeName);
    g_ObjectList.AddObject(cover);
    return cover;
}

void CRoadManager::CreateRoadObjects()
{
    XTRACE("CRoadManager::CreateRoadObjects");
    std::vector<CRoadObject*> objects(m_Nodes.size(), nullptr);
    for (std::size_t i = 0; i < m_Nodes.size(); ++i)
    {
        const SNode& node = m_Nodes[i];
        CMatrix m(1.0f);
        m.SetTranslation(node.position);
        auto* road = new CRoadObject;
        std::snprintf(road->m_szGameId, sizeof road->m_szGameId, "%s", node.name);
        road->Init(m, node.type >= 0 ? GetName(node.type) : "");
        g_ObjectList.AddObject(road);
        objects[i] = road;
    }
    for (std::size_t i = 0; i < m_Nodes.size(); ++i)
        for (std::int32_t l = 0; l < m_Nodes[i].linkCount; ++l)
        {
            const std::size_t j = std::size_t(m_Nodes[i].links[l]);
            if (j > i && j < objects.size()) objects[i]->m_Links.push_back(objects[j]);
        }
}
