// The mesh object: creation, locks, adjacency and in-place optimisation.
#include "platform/d3dx/D3DX.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <tuple>
#include <unordered_map>

namespace plat::d3d
{

std::uint32_t FvfStride(std::uint32_t fvf)
{
    std::uint32_t size = 0;
    switch (fvf & D3DFVF_POSITION_MASK)
    {
    case D3DFVF_XYZ:
        size = 12;
        break;
    case D3DFVF_XYZRHW:
        size = 16;
        break;
    case D3DFVF_XYZB1:
        size = 16;
        break;
    case D3DFVF_XYZB2:
        size = 20;
        break;
    case D3DFVF_XYZB3:
        size = 24;
        break;
    case D3DFVF_XYZB4:
        size = 28;
        break;
    case D3DFVF_XYZB5:
        size = 32;
        break;
    default:
        break;
    }
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_PSIZE) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    const std::uint32_t sets =
        std::min<std::uint32_t>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8);
    for (std::uint32_t i = 0; i < sets; ++i)
    {
        const std::uint32_t code = (fvf >> (16 + 2 * i)) & 3;
        size += (code == D3DFVF_TEXTUREFORMAT1   ? 1
                 : code == D3DFVF_TEXTUREFORMAT3 ? 3
                 : code == D3DFVF_TEXTUREFORMAT4 ? 4
                                                 : 2) *
                4;
    }
    return size;
}

HResult D3DXCreateMeshFVF(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options,
                          std::uint32_t fvf, Device* device, Mesh** mesh)
{
    if (!device || !mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    const std::uint32_t stride = FvfStride(fvf);
    const bool wide = (options & D3DXMESH_32BIT) != 0;
    // 16-bit indices address at most 65536 vertices.
    if (faces == 0 || vertices == 0 || (fvf & D3DFVF_POSITION_MASK) == 0 || (!wide && vertices > 65536) ||
        std::uint64_t(faces) * 3 * (wide ? 4 : 2) > 0x7FFFFFFFu ||
        std::uint64_t(vertices) * stride > 0x7FFFFFFFu)
        return D3DERR_INVALIDCALL;
    auto pool = [](std::uint32_t systemmem, std::uint32_t managed) {
        return systemmem ? D3DPOOL_SYSTEMMEM : managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT;
    };
    auto usage = [&](std::uint32_t writeOnly, std::uint32_t dynamic, std::uint32_t software)
    {
        std::uint32_t u = 0;
        if (options & writeOnly) u |= D3DUSAGE_WRITEONLY;
        if (options & dynamic) u |= D3DUSAGE_DYNAMIC;
        if (options & software) u |= D3DUSAGE_SOFTWAREPROCESSING;
        if (options & D3DXMESH_DONOTCLIP) u |= D3DUSAGE_DONOTCLIP;
        if (options & D3DXMESH_POINTS) u |= D3DUSAGE_POINTS;
        return u;
    };
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    HResult hr = device->CreateVertexBuffer(
        vertices * stride, usage(D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC, D3DXMESH_VB_SOFTWAREPROCESSING),
        fvf, pool(options & D3DXMESH_VB_SYSTEMMEM, options & D3DXMESH_VB_MANAGED), &vb);
    if (Failed(hr)) return hr;
    hr = device->CreateIndexBuffer(
        faces * 3 * (wide ? 4 : 2),
        usage(D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC, D3DXMESH_IB_SOFTWAREPROCESSING),
        wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
        pool(options & D3DXMESH_IB_SYSTEMMEM, options & D3DXMESH_IB_MANAGED), &ib);
    if (Failed(hr))
    {
        vb->Release();
        return hr;
    }
    *mesh = new Mesh(faces, vertices, options, fvf, stride, vb, ib);
    return D3D_OK;
}

Mesh::Mesh(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options, std::uint32_t fvf,
           std::uint32_t stride, VertexBuffer* vb, IndexBuffer* ib)
    : m_nFaces(faces), m_nVertices(vertices), m_nOptions(options), m_nFvf(fvf), m_nStride(stride), m_pVb(vb),
      m_pIb(ib)
{
}

Mesh::~Mesh()
{
    m_pVb->Release();
    m_pIb->Release();
}

HResult Mesh::GetVertexBuffer(VertexBuffer** vb)
{
    if (!vb) return D3DERR_INVALIDCALL;
    m_pVb->AddRef();
    *vb = m_pVb;
    return D3D_OK;
}

HResult Mesh::GetIndexBuffer(IndexBuffer** ib)
{
    if (!ib) return D3DERR_INVALIDCALL;
    m_pIb->AddRef();
    *ib = m_pIb;
    return D3D_OK;
}

HResult Mesh::LockVertexBuffer(std::uint32_t flags, std::uint8_t** data)
{
    return m_pVb->Lock(0, m_nVertices * m_nStride, data, flags);
}

HResult Mesh::UnlockVertexBuffer()
{
    return m_pVb->Unlock();
}

HResult Mesh::LockIndexBuffer(std::uint32_t flags, std::uint8_t** data)
{
    return m_pIb->Lock(0, m_nFaces * 3 * ((m_nOptions & D3DXMESH_32BIT) ? 4 : 2), data, flags);
}

HResult Mesh::UnlockIndexBuffer()
{
    return m_pIb->Unlock();
}

bool Mesh::Read(std::vector<std::uint8_t>* vertices, std::vector<std::uint32_t>* indices)
{
    std::uint8_t* p = nullptr;
    if (vertices)
    {
        if (Failed(LockVertexBuffer(D3DLOCK_READONLY, &p))) return false;
        vertices->assign(p, p + std::size_t(m_nVertices) * m_nStride);
        UnlockVertexBuffer();
    }
    if (Failed(LockIndexBuffer(D3DLOCK_READONLY, &p))) return false;
    indices->resize(std::size_t(m_nFaces) * 3);
    for (std::size_t i = 0; i < indices->size(); ++i)
    {
        if (m_nOptions & D3DXMESH_32BIT)
            std::memcpy(&(*indices)[i], p + i * 4, 4);
        else
        {
            std::uint16_t v;
            std::memcpy(&v, p + i * 2, 2);
            (*indices)[i] = v;
        }
    }
    UnlockIndexBuffer();
    return true;
}

bool Mesh::Write(const std::vector<std::uint8_t>& vertices, const std::vector<std::uint32_t>& indices)
{
    std::uint8_t* p = nullptr;
    if (Failed(m_pVb->Lock(0, 0, &p, 0))) return false;
    std::memcpy(p, vertices.data(), vertices.size());
    m_pVb->Unlock();
    if (Failed(m_pIb->Lock(0, 0, &p, 0))) return false;
    for (std::size_t i = 0; i < indices.size(); ++i)
    {
        if (m_nOptions & D3DXMESH_32BIT)
            std::memcpy(p + i * 4, &indices[i], 4);
        else
        {
            const auto v = std::uint16_t(indices[i]);
            std::memcpy(p + i * 2, &v, 2);
        }
    }
    m_pIb->Unlock();
    return true;
}

namespace
{

// Each vertex mapped to the first vertex whose position lies within epsilon
// of it on every axis. Positions are put in a grid of epsilon-sized cells,
// so only the 27 cells around a vertex are searched.
std::vector<std::uint32_t> PointReps(const std::vector<std::uint8_t>& vertices, std::uint32_t count,
                                     std::uint32_t stride, float epsilon)
{
    auto pos = [&](std::uint32_t v, int axis)
    {
        float f;
        std::memcpy(&f, vertices.data() + std::size_t(v) * stride + std::size_t(axis) * 4, 4);
        return f == 0.0f ? 0.0f : f; // -0 is 0
    };
    const double cell = std::max(double(epsilon), 1e-30);
    auto cellOf = [&](float f) -> std::int64_t
    {
        const double c = std::floor(double(f) / cell);
        if (!std::isfinite(c) || std::fabs(c) > 4e18)
        {
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            return std::int64_t(bits) | (std::int64_t(1) << 62); // far from any real cell
        }
        return std::int64_t(c);
    };
    struct SCellHash
    {
        std::size_t operator()(const std::tuple<std::int64_t, std::int64_t, std::int64_t>& k) const
        {
            const auto [x, y, z] = k;
            return std::size_t(std::uint64_t(x) * 73856093u ^ std::uint64_t(y) * 19349663u ^
                               std::uint64_t(z) * 83492791u);
        }
    };
    std::unordered_map<std::tuple<std::int64_t, std::int64_t, std::int64_t>, std::vector<std::uint32_t>,
                       SCellHash>
        grid;
    grid.reserve(count);
    std::vector<std::uint32_t> rep(count);
    for (std::uint32_t v = 0; v < count; ++v)
    {
        const float p[3] = {pos(v, 0), pos(v, 1), pos(v, 2)};
        const std::int64_t c[3] = {cellOf(p[0]), cellOf(p[1]), cellOf(p[2])};
        rep[v] = v;
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
                for (std::int64_t dz = -1; dz <= 1; ++dz)
                {
                    auto it = grid.find({std::int64_t(std::uint64_t(c[0]) + std::uint64_t(dx)),
                                         std::int64_t(std::uint64_t(c[1]) + std::uint64_t(dy)),
                                         std::int64_t(std::uint64_t(c[2]) + std::uint64_t(dz))});
                    if (it == grid.end()) continue;
                    for (std::uint32_t u : it->second)
                        if (rep[u] < rep[v] && std::fabs(p[0] - pos(u, 0)) <= epsilon &&
                            std::fabs(p[1] - pos(u, 1)) <= epsilon && std::fabs(p[2] - pos(u, 2)) <= epsilon)
                            rep[v] = rep[u];
                }
        grid[{c[0], c[1], c[2]}].push_back(v);
    }
    return rep;
}

void Adjacency(const std::vector<std::uint32_t>& indices, const std::vector<std::uint32_t>& rep,
               std::uint32_t* adjacency)
{
    const std::size_t faces = indices.size() / 3;
    auto key = [](std::uint32_t a, std::uint32_t b) { return (std::uint64_t(a) << 32) | b; };
    // Directed edge -> faces that have it.
    std::unordered_multimap<std::uint64_t, std::uint32_t> edges;
    edges.reserve(indices.size());
    auto corner = [&](std::size_t f, int k)
    {
        const std::uint32_t i = indices[f * 3 + std::size_t(k)];
        return i < rep.size() ? rep[i] : i;
    };
    for (std::size_t f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k)
            edges.emplace(key(corner(f, k), corner(f, (k + 1) % 3)), std::uint32_t(f));
    for (std::size_t f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k)
        {
            const std::uint32_t a = corner(f, k), b = corner(f, (k + 1) % 3);
            std::uint32_t found = kNoNeighbour;
            if (a != b)
            {
                // A neighbour runs along the edge the other way; failing
                // that (a flipped face), the same way.
                for (std::uint64_t k2 : {key(b, a), key(a, b)})
                {
                    auto [lo, hi] = edges.equal_range(k2);
                    for (auto it = lo; it != hi && found == kNoNeighbour; ++it)
                        if (it->second != f) found = it->second;
                    if (found != kNoNeighbour) break;
                }
            }
            adjacency[f * 3 + std::size_t(k)] = found;
        }
}

} // namespace

HResult Mesh::GenerateAdjacency(float epsilon, std::uint32_t* adjacency)
{
    if (!adjacency || epsilon < 0) return D3DERR_INVALIDCALL;
    std::vector<std::uint8_t> vertices;
    std::vector<std::uint32_t> indices;
    if (!Read(&vertices, &indices)) return D3DERR_INVALIDCALL;
    Adjacency(indices, PointReps(vertices, m_nVertices, m_nStride, epsilon), adjacency);
    return D3D_OK;
}

HResult Mesh::OptimizeInplace(std::uint32_t flags, const std::uint32_t* adjacencyIn,
                              std::uint32_t* adjacencyOut, std::uint32_t* faceRemap,
                              std::vector<std::uint32_t>* vertexRemap)
{
    std::vector<std::uint8_t> vertices;
    std::vector<std::uint32_t> indices;
    if (!Read(&vertices, &indices)) return D3DERR_INVALIDCALL;
    // faceOrder[new] = old face.
    std::vector<std::uint32_t> faceOrder;
    for (std::uint32_t f = 0; f < m_nFaces; ++f)
    {
        const bool valid = indices[f * 3] < m_nVertices && indices[f * 3 + 1] < m_nVertices &&
                           indices[f * 3 + 2] < m_nVertices;
        if (valid || !(flags & D3DXMESHOPT_COMPACT)) faceOrder.push_back(f);
    }
    if (faceOrder.empty()) return D3DERR_INVALIDCALL; // nothing would be left to draw
    if ((flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) &&
        std::all_of(faceOrder.begin(), faceOrder.end(),
                    [&](std::uint32_t f)
                    {
                        return indices[f * 3] < m_nVertices && indices[f * 3 + 1] < m_nVertices &&
                               indices[f * 3 + 2] < m_nVertices;
                    }))
    {
        std::vector<std::uint32_t> list, sorted(faceOrder.size() * 3);
        for (std::uint32_t f : faceOrder)
            for (int k = 0; k < 3; ++k)
                list.push_back(indices[f * 3 + std::size_t(k)]);
        meshopt_optimizeVertexCache(sorted.data(), list.data(), list.size(), m_nVertices);
        // The optimiser returns triangles, not face numbers: faces are found
        // again by their corners (it keeps each triangle's corner order).
        std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::vector<std::uint32_t>>
            byCorners;
        for (std::size_t i = faceOrder.size(); i-- > 0;)
        {
            const std::uint32_t f = faceOrder[i];
            byCorners[{indices[f * 3], indices[f * 3 + 1], indices[f * 3 + 2]}].push_back(f);
        }
        std::vector<std::uint32_t> reordered;
        for (std::size_t t = 0; t < faceOrder.size(); ++t)
        {
            const std::uint32_t a = sorted[t * 3], b = sorted[t * 3 + 1], c = sorted[t * 3 + 2];
            std::vector<std::uint32_t>* slot = nullptr;
            for (auto corners :
                 {std::make_tuple(a, b, c), std::make_tuple(b, c, a), std::make_tuple(c, a, b)})
            {
                auto it = byCorners.find(corners);
                if (it != byCorners.end() && !it->second.empty())
                {
                    slot = &it->second;
                    break;
                }
            }
            if (!slot) return D3DERR_INVALIDCALL; // cannot happen: the optimiser only reorders
            reordered.push_back(slot->back());
            slot->pop_back();
        }
        faceOrder.swap(reordered);
    }
    std::vector<std::uint32_t> newIndices;
    newIndices.reserve(faceOrder.size() * 3);
    for (std::uint32_t f : faceOrder)
        for (int k = 0; k < 3; ++k)
            newIndices.push_back(indices[f * 3 + std::size_t(k)]);
    // vertexOrder[new] = old vertex.
    std::vector<std::uint32_t> vertexOrder;
    if (!(flags & D3DXMESHOPT_IGNOREVERTS) && (flags & (D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE)))
    {
        // Vertices in order of first use; unused ones drop out.
        std::vector<std::uint32_t> newOf(m_nVertices, kNoNeighbour);
        for (std::uint32_t& i : newIndices)
        {
            if (i >= m_nVertices) continue;
            if (newOf[i] == kNoNeighbour)
            {
                newOf[i] = std::uint32_t(vertexOrder.size());
                vertexOrder.push_back(i);
            }
            i = newOf[i];
        }
        if (!(flags & D3DXMESHOPT_COMPACT))
            for (std::uint32_t v = 0; v < m_nVertices; ++v)
                if (newOf[v] == kNoNeighbour) vertexOrder.push_back(v); // kept, after the used ones
    }
    else
    {
        vertexOrder.resize(m_nVertices);
        std::iota(vertexOrder.begin(), vertexOrder.end(), 0u);
    }
    std::vector<std::uint8_t> newVertices(vertexOrder.size() * m_nStride);
    for (std::size_t v = 0; v < vertexOrder.size(); ++v)
        std::memcpy(newVertices.data() + v * m_nStride,
                    vertices.data() + std::size_t(vertexOrder[v]) * m_nStride, m_nStride);
    if (!Write(newVertices, newIndices)) return D3DERR_INVALIDCALL;
    const std::uint32_t oldFaces = m_nFaces;
    m_nFaces = std::uint32_t(faceOrder.size());
    m_nVertices = std::uint32_t(vertexOrder.size());
    if (faceRemap) std::copy(faceOrder.begin(), faceOrder.end(), faceRemap);
    if (vertexRemap) *vertexRemap = vertexOrder;
    if (adjacencyOut)
    {
        if (adjacencyIn)
        {
            std::vector<std::uint32_t> newFaceOf(oldFaces, kNoNeighbour);
            for (std::uint32_t f = 0; f < m_nFaces; ++f)
                newFaceOf[faceOrder[f]] = f;
            for (std::uint32_t f = 0; f < m_nFaces; ++f)
                for (int k = 0; k < 3; ++k)
                {
                    const std::uint32_t n = adjacencyIn[std::size_t(faceOrder[f]) * 3 + std::size_t(k)];
                    adjacencyOut[std::size_t(f) * 3 + std::size_t(k)] =
                        n < oldFaces ? newFaceOf[n] : kNoNeighbour;
                }
        }
        else
            Adjacency(newIndices, PointReps(newVertices, m_nVertices, m_nStride, 0.0f), adjacencyOut);
    }
    return D3D_OK;
}

} // namespace plat::d3d
