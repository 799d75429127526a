// CModel: damage index caches, sorted triangle orders, vertex blending.

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/Model_Internal.h"
#include "graphics/TextureManager.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>

using namespace plat::d3d;

namespace
{
constexpr float kDamageEntryAge = 10.0f;
}

void CModel::AddDamageData(const SDamageHeader& header, const std::uint16_t* triangles, CMesh* mesh)
{
    std::unique_ptr<CMesh> owned(mesh);
    if (m_nDamageCount >= kMaxDamages)
    {
        g_ErrorLog.LogError("CModel::AddDamageData more than 8 damage records");
        return;
    }
    const std::int32_t triangleCount = m_pMesh ? m_pMesh->m_nIndexCount / 3 : 0;
    if (header.removedCount < 0 || header.removedCount > triangleCount || (header.removedCount && !triangles))
    {
        g_ErrorLog.LogError("CModel::AddDamageData removed-triangle count out of range");
        return;
    }
    for (std::int32_t t = 0; t < header.removedCount; ++t)
        if (triangles[t] >= triangleCount)
        {
            g_ErrorLog.LogError("CModel::AddDamageData removed triangle past the index list");
            return;
        }
    SDamageData& damage = m_Damages[m_nDamageCount];
    damage.m_Header = header;
    damage.m_Triangles.assign(triangles, triangles + header.removedCount);
    m_nMeshBytes += MeshBytes(owned.get());
    damage.m_pMesh = std::move(owned);
    ++m_nDamageCount;
}

std::vector<std::uint16_t> CModel::CreateDamageIndexes(std::uint32_t mask, std::int32_t* count)
{
    XTRACE("CModel::CreateDamageIndexes");
    std::vector<std::uint16_t> undamaged;
    if (m_nCopyCount > 0)
        undamaged = m_Copies[0].m_Indices;
    else if (m_pMesh)
    {
        // The base mesh's own list, whatever damaged list it holds now.
        if (m_nHardwareCount > 0 && m_pMesh->m_nDamageEntry != 0)
        {
            IndexBuffer* held = m_pMesh->m_pIB;
            const std::int32_t heldCount = m_pMesh->m_nIndexCount;
            m_pMesh->m_pIB = m_Hardware[0].m_pIB;
            m_pMesh->m_nIndexCount = m_Hardware[0].m_nIndexCount;
            undamaged = CopyMeshIndices(*m_pMesh);
            m_pMesh->m_pIB = held;
            m_pMesh->m_nIndexCount = heldCount;
        }
        else
            undamaged = CopyMeshIndices(*m_pMesh);
    }
    if (undamaged.size() >= std::size_t(kMaxDamageIndices)) g_ErrorLog.LogError("m_Mesh->m_iNI<21000");
    const std::size_t triangles = undamaged.size() / 3;
    std::vector<bool> removed(triangles, false);
    for (std::int32_t d = 0; d < m_nDamageCount; ++d)
    {
        if (!(mask & (1u << d))) continue;
        for (std::uint16_t t : m_Damages[d].m_Triangles)
            if (t < triangles) removed[t] = true;
    }
    std::vector<std::uint16_t> out;
    out.reserve(undamaged.size());
    for (std::size_t t = 0; t < triangles; ++t)
        if (!removed[t]) out.insert(out.end(), &undamaged[t * 3], &undamaged[t * 3] + 3);
    if (count) *count = std::int32_t(out.size());
    return out;
}

IndexBuffer* CModel::CreateDamageIndexBuffer(std::uint32_t mask, std::int32_t* count)
{
    const std::vector<std::uint16_t> list = CreateDamageIndexes(mask, count);
    Device* device = graph.m_lpDevice;
    if (!device || !m_pMesh || list.empty()) return nullptr;
    std::uint32_t usage = D3DUSAGE_WRITEONLY;
    if (!graph.m_bHardwareTnL || m_pMesh->m_nMemoryType == MESH_MEMORY_SOFTWARE) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    const std::uint32_t pool =
        (graph.m_bHAL && m_pMesh->m_nMemoryType != MESH_MEMORY_SOFTWARE) ? D3DPOOL_MANAGED : D3DPOOL_SYSTEMMEM;
    IndexBuffer* ib = nullptr;
    if (Failed(device->CreateIndexBuffer(std::uint32_t(list.size() * 2), usage, D3DFMT_INDEX16, pool, &ib)))
        return nullptr;
    std::uint8_t* data = nullptr;
    if (Succeeded(ib->Lock(0, 0, &data, 0)))
    {
        std::memcpy(data, list.data(), list.size() * 2);
        ib->Unlock();
    }
    return ib;
}

template <class Entry>
std::int32_t CModel::ChooseDamageEntry(Entry* entries, std::int32_t& count, std::int32_t current, std::uint32_t mask,
                                       bool* fresh)
{
    *fresh = false;
    if (mask == 0) return 0;
    const float now = g_fEngineTime;
    if (current > 0 && current < count && entries[current].m_nMask == mask)
    {
        entries[current].m_fLastUse = now;
        return current;
    }
    for (std::int32_t e = 1; e < count; ++e)
        if (entries[e].m_nMask == mask)
        {
            entries[e].m_fLastUse = now;
            return e;
        }
    *fresh = true;
    if (count <= 1)
    {
        count = 2;
        return 1;
    }
    std::int32_t lru = 1;
    for (std::int32_t e = 2; e < count; ++e)
        if (entries[e].m_fLastUse < entries[lru].m_fLastUse) lru = e;
    if (now - entries[lru].m_fLastUse > kDamageEntryAge && count < kCacheEntries) return count++;
    return lru;
}

void CModel::SetDamageData(CMesh* mesh, std::uint32_t mask)
{
    XTRACE("CModel::SetDamageData");
    if (!mesh || !m_pMesh) return;
    mask &= m_nDamageCount >= 32 ? ~0u : ((1u << m_nDamageCount) - 1);
    if (mesh != m_pMesh.get() || !m_pMesh->m_pIB || m_nHardwareCount == 0)
    {
        // A mesh whose index buffer is its own (a work mesh, heap arrays)
        // gets the damaged list written into it; only the base mesh's
        // buffer is ever swapped, so no buffer is released twice.
        if (m_nCopyCount == 0) CopyUndamagedIndices();
        bool fresh = false;
        const std::int32_t entry = ChooseDamageEntry(m_Copies, m_nCopyCount, mesh->m_nDamageEntry, mask, &fresh);
        SCopyEntry& e = m_Copies[entry];
        if (fresh)
        {
            e.m_Indices = CreateDamageIndexes(mask, &e.m_nIndexCount);
            e.m_nMask = mask;
            e.m_fLastUse = g_fEngineTime;
        }
        if (entry != mesh->m_nDamageEntry || fresh)
        {
            StoreMeshIndices(*mesh, e.m_Indices.data(), e.m_Indices.size());
            mesh->m_nIndexCount = e.m_nIndexCount;
        }
        mesh->m_nDamageEntry = entry;
        return;
    }
    bool fresh = false;
    const std::int32_t entry = ChooseDamageEntry(m_Hardware, m_nHardwareCount, mesh->m_nDamageEntry, mask, &fresh);
    SHardwareEntry& e = m_Hardware[entry];
    if (fresh)
    {
        if (entry > 0 && e.m_pIB) e.m_pIB->Release();
        e.m_pIB = CreateDamageIndexBuffer(mask, &e.m_nIndexCount);
        e.m_nMask = mask;
        e.m_fLastUse = g_fEngineTime;
    }
    mesh->m_pIB = e.m_pIB;
    mesh->m_nIndexCount = e.m_nIndexCount;
    mesh->m_nDamageEntry = entry;
}

void CModel::SetDamageData(CGeometryBuffer& source, std::uint32_t mask)
{
    XTRACE("CModel::SetDamageData");
    mask &= m_nDamageCount >= 32 ? ~0u : ((1u << m_nDamageCount) - 1);
    if (m_nCopyCount == 0) CopyUndamagedIndices();
    if (m_nCopyCount == 0) return;
    bool fresh = false;
    const std::int32_t entry = ChooseDamageEntry(m_Copies, m_nCopyCount, m_iCopyEntry, mask, &fresh);
    SCopyEntry& e = m_Copies[entry];
    if (fresh)
    {
        e.m_Indices = CreateDamageIndexes(mask, &e.m_nIndexCount);
        e.m_nMask = mask;
        e.m_fLastUse = g_fEngineTime;
    }
    m_iCopyEntry = entry;
    source.m_pIndices = e.m_Indices.data();
    source.m_nIndexCount = std::uint32_t(e.m_nIndexCount);
}

void CModel::RenderDamaged(float* state, std::uint32_t mask, CTexture* t0, CTexture* t1, CTexture* t2, CTexture* t3)
{
    if (!m_pMesh) return;
    mask &= m_nDamageCount >= 32 ? ~0u : ((1u << m_nDamageCount) - 1);
    CMesh* mesh = nullptr;
    if (m_bShared && m_nAnimationCount > 0 && state)
    {
        if (!m_pSource) MakeWorkMesh();
        std::uint16_t* own = m_pSource->m_pIndices;
        const std::uint32_t ownCount = m_pSource->m_nIndexCount;
        SetDamageData(*m_pSource, mask);
        m_pSource->m_nFirstIndex = 0;
        mesh = GetCurrentMesh(state);
        m_pSource->m_pIndices = own;
        m_pSource->m_nIndexCount = ownCount;
    }
    else
    {
        mesh = GetCurrentMesh(state);
        if (mesh && (mesh == m_pMesh.get() || !m_bShared))
        {
            SetDamageData(mesh, mask);
            CMesh::ResetCurrent();
        }
    }
    if (!mesh) return;
    Render(mesh, t0, t1, t2, t3);
    for (std::int32_t d = 0; d < m_nDamageCount; ++d)
        if ((mask & (1u << d)) && m_Damages[d].m_pMesh) Render(m_Damages[d].m_pMesh.get(), t0, t1, t2, t3);
}

// ------------------------------------------------------------ sorted orders

void CModel::CreateSortedIndices(std::int32_t mode)
{
    m_SortedIndices.clear();
    m_iSorting = (mode == 1 || mode == 2) ? mode : 0;
    m_iCurrentOrder = 0;
    if (m_iSorting == 0 || !m_pMesh) return;
    const std::vector<std::uint16_t> indices = CreateDamageIndexes(0, nullptr);
    const std::vector<std::uint8_t> vertices = CopyMeshVertices(*m_pMesh);
    const std::size_t triangles = indices.size() / 3;
    const std::uint32_t stride = m_pMesh->m_nStride;
    std::vector<CVector> centre(triangles);
    for (std::size_t t = 0; t < triangles; ++t)
    {
        CVector sum;
        for (int c = 0; c < 3; ++c)
        {
            CVector p;
            const std::uint16_t v = indices[t * 3 + std::size_t(c)];
            if (v < m_pMesh->m_nVertexCount) std::memcpy(&p, vertices.data() + std::size_t(v) * stride, 12);
            sum += p;
        }
        centre[t] = sum * (1.0f / 3.0f);
    }
    static const CVector kDirections[6] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const float sign = m_iSorting == 1 ? 1.0f : -1.0f;
    m_SortedIndices.reserve(indices.size() * 6);
    for (const CVector& d : kDirections)
    {
        std::vector<std::size_t> order(triangles);
        std::iota(order.begin(), order.end(), 0);
        std::vector<float> key(triangles);
        for (std::size_t t = 0; t < triangles; ++t)
            key[t] = sign * (d.x * centre[t].x + d.y * centre[t].y + d.z * centre[t].z);
        // Adjacent exchanges until none is left: a stable ascending order.
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key[a] < key[b]; });
        for (std::size_t t : order) m_SortedIndices.insert(m_SortedIndices.end(), &indices[t * 3], &indices[t * 3] + 3);
    }
}

void CModel::SetSorting(std::int32_t order, bool recordOnly)
{
    XTRACE("CModel::SetSorting");
    if (m_iSorting == 0 || order == m_iCurrentOrder || order < 0 || order > 5 || !m_pMesh) return;
    const std::size_t length = std::size_t(m_pMesh->m_nIndexCount);
    if (m_SortedIndices.size() < length * 6) return;
    m_iCurrentOrder = order;
    const std::uint16_t* list = &m_SortedIndices[length * std::size_t(order)];
    if (m_bShared && m_pSource && m_pSource->m_pIndices)
        std::memcpy(m_pSource->m_pIndices, list, std::min<std::size_t>(length, m_pSource->m_nIndexCapacity) * 2);
    if (recordOnly) return;
    StoreMeshIndices(*m_pMesh, list, length);
    if (m_pWorkMesh) StoreMeshIndices(*m_pWorkMesh, list, length);
}

void CModel::SetSortingByView(const CVector& d, bool recordOnly)
{
    static const CVector kDirections[6] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::int32_t best = 0;
    float bestDot = std::max(d.x, 0.0f);
    for (std::int32_t k = 1; k < 6; ++k)
    {
        const float dot = d.x * kDirections[k].x + d.y * kDirections[k].y + d.z * kDirections[k].z;
        if (dot > bestDot) bestDot = dot, best = k;
    }
    SetSorting(best, recordOnly);
}

// ------------------------------------------------------------ blending

void CModel::SetBlending(std::int32_t mode, std::int32_t profile)
{
    XTRACE("CModel::SetBlending");
    if (mode < 0 || mode > 2 || !m_pMesh) return;
    CMesh& old = *m_pMesh;
    SWorkVertex* raw = nullptr;
    old.ExtractVertices(&raw);
    std::unique_ptr<SWorkVertex[]> vertices(raw);
    static const std::uint32_t kPosition[3] = {D3DFVF_XYZ, D3DFVF_XYZB1, D3DFVF_XYZB3};
    const std::uint32_t fvf = (old.m_nFVF & ~D3DFVF_POSITION_MASK) | kPosition[mode];
    const float r = old.GetRadius();
    for (std::int32_t v = 0; v < old.m_nVertexCount && r > 0.0f; ++v)
    {
        const float z = vertices[v].position[2];
        if (profile == 1)
            vertices[v].position[3] = 1.0f - z * z / (r * r);
        else if (profile == 2)
            vertices[v].position[3] = 1.0f - std::pow(std::fabs(z), 1.5f) / std::pow(r, 1.5f);
    }
    const std::vector<std::uint16_t> indices = CreateDamageIndexes(0, nullptr);
    const std::uint32_t memory = old.m_nMemoryType == MESH_MEMORY_HEAP ? MESH_MEMORY_HEAP : MESH_MEMORY_STATIC;
    auto mesh = std::make_unique<CMesh>(memory, fvf, old.m_nVertexCount, old.m_nPrimitiveKind,
                                        std::int32_t(indices.size()));
    mesh->Lock(true, false);
    mesh->StoreVertices(vertices.get());
    mesh->Unlock(true, false);
    StoreMeshIndices(*mesh, indices.data(), indices.size());

    ResetHardwareCache();
    m_nMeshBytes -= std::min(m_nMeshBytes, MeshBytes(m_pMesh.get()));
    m_pMesh = std::move(mesh);
    m_nMeshBytes += MeshBytes(m_pMesh.get());
    ResetHardwareCache();
    if (m_bShared) CopyUndamagedIndices();
    m_iBlend = mode;
    m_iBlendProfile = profile;
    MakeWorkMesh();
}
