#include "graphics/Mesh.h"

#include "foundation/Color.h"
#include "foundation/ErrorLog.h"
#include "foundation/Fvf.h"
#include "foundation/Graphic.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Vector.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx/D3DX.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace plat::d3d;
using plat::Failed;
using plat::Succeeded;

std::uint32_t g_MeshCount = 0;
std::uint32_t g_MeshBytes = 0;
std::atomic<CMesh*> g_pCurrentMesh{nullptr};

namespace
{
std::uint32_t g_nCurrentFrameAnimation = 0;
std::uint32_t g_nCurrentFVF = 0;

std::uint32_t PositionBytes(std::uint32_t fvf)
{
    switch (fvf & D3DFVF_POSITION_MASK)
    {
    case D3DFVF_XYZ:
        return 12;
    case D3DFVF_XYZRHW:
    case D3DFVF_XYZB1:
        return 16;
    case D3DFVF_XYZB2:
        return 20;
    case D3DFVF_XYZB3:
        return 24;
    default:
        return 0;
    }
}

std::uint32_t TexSets(std::uint32_t fvf)
{
    return (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
}

// Locks both parts for the length of a scope: every data-touching
// operation works on locked buffers and unlocks on every path out.
class CMeshLock
{
public:
    explicit CMeshLock(CMesh& mesh) : m_mesh(mesh) { m_mesh.Lock(true, true); }
    ~CMeshLock() { m_mesh.Unlock(true, true); }
    CMeshLock(const CMeshLock&) = delete;
    CMeshLock& operator=(const CMeshLock&) = delete;

private:
    CMesh& m_mesh;
};

// The same for operations that only read: a buffer locked for writing is
// sent to the renderer again whole before its next draw, and the software
// rasteriser first finishes every queued draw that reads it.
class CMeshReadLock
{
public:
    explicit CMeshReadLock(CMesh& mesh) : m_mesh(mesh)
    {
        if (m_mesh.m_nMemoryType == MESH_MEMORY_HEAP) return;
        std::uint8_t* data = nullptr;
        if (m_mesh.m_pVB && Succeeded(m_mesh.m_pVB->Lock(0, 0, &data, D3DLOCK_READONLY))) m_mesh.m_pVertices = data;
        if (m_mesh.m_pIB && Succeeded(m_mesh.m_pIB->Lock(0, 0, &data, D3DLOCK_READONLY)))
            m_mesh.m_pIndices = reinterpret_cast<std::uint16_t*>(data);
    }
    ~CMeshReadLock() { m_mesh.Unlock(true, true); }
    CMeshReadLock(const CMeshReadLock&) = delete;
    CMeshReadLock& operator=(const CMeshReadLock&) = delete;

private:
    CMesh& m_mesh;
};
} // namespace

void AddMeshMemory(const CMesh* mesh)
{
    ++g_MeshCount;
    g_MeshBytes += mesh->m_nSize;
}

void SubMeshMemory(const CMesh* mesh)
{
    --g_MeshCount;
    g_MeshBytes -= mesh->m_nSize;
}

CMesh::CMesh(std::uint32_t memoryType, std::uint32_t fvf, std::int32_t vertexCount,
             std::uint32_t primitiveKind, std::int32_t indexCount)
{
    Allocate(memoryType, fvf, vertexCount, primitiveKind, indexCount, 0);
}

CMesh::~CMesh()
{
    Free(); // also forgets the binding: a new mesh at the same address must bind again
}

void CMesh::Free()
{
    if (m_nMemoryType != MESH_MEMORY_HEAP)
    {
        if (m_pVB) m_pVB->Release();
        if (m_pIB) m_pIB->Release();
        m_pVB = nullptr;
        m_pIB = nullptr;
        m_pVertices = nullptr;
        m_pIndices = nullptr;
    }
    else
    {
        delete[] m_pVertices;
        delete[] m_pIndices;
        m_pVertices = nullptr;
        m_pIndices = nullptr;
    }
    // A loader thread may free a mesh while the main thread binds another:
    // only forget the binding if it is still this mesh's.
    CMesh* self = this;
    g_pCurrentMesh.compare_exchange_strong(self, nullptr);
}

void CMesh::Allocate(std::uint32_t memoryType, std::uint32_t fvf, std::int32_t vertexCount,
                     std::uint32_t primitiveKind, std::int32_t indexCount, std::uint32_t extraUsage)
{
    Free();
    if (vertexCount < 0 || indexCount < 0) throw std::invalid_argument("CMesh::Allocate negative count");
    m_nVertexCount = vertexCount;
    m_nIndexCount = indexCount;
    m_nFVF = fvf;
    m_nPrimitiveKind = primitiveKind;
    m_nMemoryType = memoryType;
    m_nStartIndex = 0;
    m_nFirstVertex = 0;
    m_bFrameAnimation = 0;
    m_nAtlasRows = 0;
    m_nAtlasColumns = 0;
    m_nAtlasFrame = 0;
    m_nStride = GetFVFSize(fvf);

    if (memoryType == MESH_MEMORY_HEAP)
    {
        m_nSize = 0;
        m_pVertices = new std::uint8_t[std::size_t(m_nStride) * std::size_t(vertexCount)]();
        if (indexCount > 0) m_pIndices = new std::uint16_t[std::size_t(indexCount)]();
        return;
    }

    m_nSize = m_nStride * std::uint32_t(vertexCount) + 2 * std::uint32_t(indexCount) + 2048;
    Device* device = graph.m_lpDevice;
    if (!device) throw std::runtime_error("Mesh::Allocate can`t create vertex buffer");

    std::uint32_t usage = 0;
    std::uint32_t pool = graph.m_bHAL ? D3DPOOL_MANAGED : D3DPOOL_SYSTEMMEM;
    switch (memoryType)
    {
    case MESH_MEMORY_DYNAMIC:
        usage = D3DUSAGE_DYNAMIC;
        pool = graph.m_bHAL ? D3DPOOL_DEFAULT : D3DPOOL_SYSTEMMEM;
        break;
    case MESH_MEMORY_SOFTWARE:
        usage = D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING;
        pool = D3DPOOL_SYSTEMMEM;
        break;
    default:
        break;
    }
    if (!graph.m_bHardwareTnL) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    if (fvf & D3DFVF_XYZRHW) usage |= D3DUSAGE_DONOTCLIP;
    usage |= extraUsage;

    const std::uint32_t vbBytes = m_nStride * std::uint32_t(vertexCount);
    if (Failed(device->CreateVertexBuffer(vbBytes, usage | D3DUSAGE_WRITEONLY, fvf, pool, &m_pVB)))
    {
        g_ErrorLog.LogError("CMesh::Allocate Can`t create vertex buffer in videomemory");
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
        pool = D3DPOOL_SYSTEMMEM;
        m_pVB = nullptr;
        if (Failed(device->CreateVertexBuffer(vbBytes, usage, fvf, pool, &m_pVB)))
        {
            m_pVB = nullptr;
            g_ErrorLog.LogError("Mesh::Allocate can`t create vertex buffer");
            throw std::runtime_error("Mesh::Allocate can`t create vertex buffer");
        }
    }

    if (primitiveKind == 0) return;
    std::uint32_t ibUsage = usage;
    std::uint32_t ibPool = pool;
    if (memoryType == MESH_MEMORY_STATIC_SYSINDEX)
    {
        ibUsage |= D3DUSAGE_DYNAMIC;
        ibPool = D3DPOOL_SYSTEMMEM;
    }
    if (Failed(device->CreateIndexBuffer(2 * std::uint32_t(indexCount), ibUsage, D3DFMT_INDEX16, ibPool,
                                         &m_pIB)))
    {
        g_ErrorLog.LogError("CMesh::Allocate Can`t create index buffer in videomemory");
        ibUsage |= D3DUSAGE_SOFTWAREPROCESSING;
        if (memoryType != MESH_MEMORY_STATIC) ibUsage |= D3DUSAGE_DYNAMIC;
        m_pIB = nullptr;
        if (Failed(device->CreateIndexBuffer(2 * std::uint32_t(indexCount), ibUsage, D3DFMT_INDEX16,
                                             D3DPOOL_SYSTEMMEM, &m_pIB)))
        {
            m_pIB = nullptr;
            g_ErrorLog.LogError("Mesh::Allocate can`t create index buffer");
        }
    }
}

void CMesh::Lock(bool vertices, bool indices)
{
    if (m_nMemoryType == MESH_MEMORY_HEAP) return;
    const std::uint32_t flags = m_nMemoryType == MESH_MEMORY_DYNAMIC ? D3DLOCK_DISCARD : 0;
    if (vertices && m_pVB)
    {
        std::uint8_t* data = nullptr;
        if (Succeeded(m_pVB->Lock(0, 0, &data, flags))) m_pVertices = data;
    }
    if (indices && m_pIB)
    {
        std::uint8_t* data = nullptr;
        if (Succeeded(m_pIB->Lock(0, 0, &data, flags))) m_pIndices = reinterpret_cast<std::uint16_t*>(data);
    }
}

void CMesh::Unlock(bool vertices, bool indices)
{
    if (m_nMemoryType == MESH_MEMORY_HEAP) return;
    if (vertices && m_pVB) m_pVB->Unlock();
    if (indices && m_pIB) m_pIB->Unlock();
}

void CMesh::ResetCurrent()
{
    g_pCurrentMesh = nullptr;
}

std::uint32_t CMesh::PrimitiveCount() const
{
    if (m_nPrimitiveKind == 0) return std::uint32_t(m_nVertexCount);
    if (m_nPrimitiveKind == 1) return std::uint32_t(m_nIndexCount / 3);
    return m_nIndexCount > 2 ? std::uint32_t(m_nIndexCount - 2) : 0;
}

void CMesh::SetAtlasTransform()
{
    SMatrix m = IdentityMatrix();
    const int columns = std::max(m_nAtlasColumns, 1);
    const int rows = std::max(m_nAtlasRows, 1);
    m.m[0][0] = 1.0f / float(columns);
    m.m[1][1] = 1.0f / float(rows);
    m.m[2][0] = float(m_nAtlasFrame % columns) / float(columns);
    m.m[2][1] = float(m_nAtlasFrame / columns) / float(rows);
    graph.m_lpDevice->SetTransform(D3DTS_TEXTURE0, &m);
}

void CMesh::Render(bool bind)
{
    if (!m_pVB) return;
    Device* device = graph.m_lpDevice;
    if (bind)
    {
        if (g_pCurrentMesh == this)
        {
            if (g_nCurrentFrameAnimation != m_bFrameAnimation || g_nCurrentFVF != m_nFVF)
            {
                g_nCurrentFrameAnimation = m_bFrameAnimation;
                g_nCurrentFVF = m_nFVF;
                device->SetVertexShader(m_nFVF);
            }
        }
        else
        {
            device->SetVertexShader(m_nFVF);
            if (IsIndexed() && Failed(device->SetIndices(m_pIB, 0)))
                g_ErrorLog.LogError("Mesh::Render SetIndices fails");
            if (Failed(device->SetStreamSource(0, m_pVB, m_nStride)))
                g_ErrorLog.LogError("Mesh::Render SetStreamSource fails");
            g_nCurrentFrameAnimation = m_bFrameAnimation;
            g_nCurrentFVF = m_nFVF;
            g_pCurrentMesh = this;
        }
        // The atlas transform goes with every draw: the frame may have moved
        // on, and the stage's transform flags are switched off after each one.
        if (m_bFrameAnimation)
        {
            device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
            SetAtlasTransform();
        }
    }

    if (m_nPrimitiveKind == 0)
    {
        if (Failed(device->DrawPrimitive(D3DPT_POINTLIST, std::uint32_t(m_nFirstVertex),
                                         std::uint32_t(m_nVertexCount))))
            g_ErrorLog.LogError("Mesh::Render DrawPrimitive fails");
    }
    else
    {
        const std::uint32_t type = m_nPrimitiveKind == 1 ? D3DPT_TRIANGLELIST : D3DPT_TRIANGLESTRIP;
        const std::uint32_t count = PrimitiveCount();
        if (count > 0 && Failed(device->DrawIndexedPrimitive(type, std::uint32_t(m_nFirstVertex),
                                                             std::uint32_t(m_nVertexCount),
                                                             std::uint32_t(m_nStartIndex), count)))
            g_ErrorLog.LogError("Mesh::Render DrawIndexedPromitive fails");
    }
    if (m_bFrameAnimation) device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
}

void CMesh::StoreVertices(const SWorkVertex* source)
{
    if (!m_pVertices || !source) return;
    const std::uint32_t posBytes = PositionBytes(m_nFVF);
    const std::uint32_t sets = TexSets(m_nFVF);
    for (std::int32_t i = 0; i < m_nVertexCount; ++i)
    {
        const SWorkVertex& w = source[i];
        std::uint8_t* p = m_pVertices + std::size_t(i) * m_nStride;
        std::memcpy(p, w.position, posBytes);
        p += posBytes;
        if (m_nFVF & D3DFVF_NORMAL)
        {
            std::memcpy(p, w.normal, 12);
            p += 12;
        }
        if (m_nFVF & D3DFVF_PSIZE)
        {
            std::memcpy(p, &w.pointSize, 4);
            p += 4;
        }
        if (m_nFVF & D3DFVF_DIFFUSE)
        {
            std::memcpy(p, &w.diffuse, 4);
            p += 4;
        }
        if (m_nFVF & D3DFVF_SPECULAR)
        {
            std::memcpy(p, &w.specular, 4);
            p += 4;
        }
        if (sets >= 1) std::memcpy(p, w.tex0, 8);
        if (sets >= 2) std::memcpy(p + 8, w.tex1, 8);
        // Further sets are not in the work vertex: they start at 0.
        for (std::uint32_t s = 2; s < sets; ++s)
            std::memset(p + 8 * s, 0, 8);
    }
}

void CMesh::ExtractVertices(SWorkVertex** out)
{
    *out = nullptr;
    CMeshReadLock lock(*this);
    SWorkVertex* work = new SWorkVertex[std::size_t(std::max(m_nVertexCount, 0))]();
    *out = work;
    if (!m_pVertices) return;
    const std::uint32_t posBytes = PositionBytes(m_nFVF);
    const std::uint32_t sets = TexSets(m_nFVF);
    for (std::int32_t i = 0; i < m_nVertexCount; ++i)
    {
        SWorkVertex& w = work[i];
        const std::uint8_t* p = m_pVertices + std::size_t(i) * m_nStride;
        std::memcpy(w.position, p, posBytes);
        p += posBytes;
        if (m_nFVF & D3DFVF_NORMAL)
        {
            std::memcpy(w.normal, p, 12);
            p += 12;
        }
        if (m_nFVF & D3DFVF_PSIZE)
        {
            std::memcpy(&w.pointSize, p, 4);
            p += 4;
        }
        if (m_nFVF & D3DFVF_DIFFUSE)
        {
            std::memcpy(&w.diffuse, p, 4);
            p += 4;
        }
        if (m_nFVF & D3DFVF_SPECULAR)
        {
            std::memcpy(&w.specular, p, 4);
            p += 4;
        }
        if (sets >= 1) std::memcpy(w.tex0, p, 8);
        if (sets >= 2) std::memcpy(w.tex1, p + 8, 8);
    }
}

float CMesh::GetRadius()
{
    CMeshReadLock lock(*this);
    float best = 0.0f;
    if (!m_pVertices) return best;
    for (std::int32_t i = 0; i < m_nVertexCount; ++i)
    {
        float v[3];
        std::memcpy(v, m_pVertices + std::size_t(i) * m_nStride, 12);
        best = std::max(best, std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    }
    return best;
}

namespace
{
void Bounds(const CMesh& mesh, float lo[3], float hi[3])
{
    for (int a = 0; a < 3; ++a)
    {
        lo[a] = 1e10f;
        hi[a] = -1e10f;
    }
    if (!mesh.m_pVertices) return;
    for (std::int32_t i = 0; i < mesh.m_nVertexCount; ++i)
    {
        float v[3];
        std::memcpy(v, mesh.m_pVertices + std::size_t(i) * mesh.m_nStride, 12);
        for (int a = 0; a < 3; ++a)
        {
            lo[a] = std::min(lo[a], v[a]);
            hi[a] = std::max(hi[a], v[a]);
        }
    }
}
} // namespace

void CMesh::GetSize(float out[3])
{
    CMeshReadLock lock(*this);
    float lo[3], hi[3];
    Bounds(*this, lo, hi);
    for (int a = 0; a < 3; ++a)
        out[a] = hi[a] - lo[a];
}

void CMesh::GetCenter(float out[3])
{
    CMeshReadLock lock(*this);
    float lo[3], hi[3];
    Bounds(*this, lo, hi);
    for (int a = 0; a < 3; ++a)
        out[a] = (hi[a] + lo[a]) * 0.5f;
}

namespace
{
// One corner of the box of the vertex positions, the zero vector without
// vertices (rather than the bounds' starting values).
void Corner(CMesh& mesh, float out[3], bool largest)
{
    CMeshReadLock lock(mesh);
    float lo[3], hi[3];
    Bounds(mesh, lo, hi);
    const bool empty = !mesh.m_pVertices || mesh.m_nVertexCount <= 0;
    for (int a = 0; a < 3; ++a)
        out[a] = empty ? 0.0f : (largest ? hi[a] : lo[a]);
}
} // namespace

void CMesh::GetMinPoint(float out[3])
{
    Corner(*this, out, false);
}

void CMesh::GetMaxPoint(float out[3])
{
    Corner(*this, out, true);
}

void CMesh::Transform(const float matrix[16])
{
    CMeshLock lock(*this);
    if (!m_pVertices) return;
    const float(*m)[4] = reinterpret_cast<const float(*)[4]>(matrix);
    const std::uint32_t normalOffset = PositionBytes(m_nFVF);
    for (std::int32_t i = 0; i < m_nVertexCount; ++i)
    {
        std::uint8_t* p = m_pVertices + std::size_t(i) * m_nStride;
        float v[3], r[3];
        std::memcpy(v, p, 12);
        for (int c = 0; c < 3; ++c)
            r[c] = v[0] * m[0][c] + v[1] * m[1][c] + v[2] * m[2][c] + m[3][c];
        std::memcpy(p, r, 12);
        if (m_nFVF & D3DFVF_NORMAL)
        {
            std::memcpy(v, p + normalOffset, 12);
            CVector n;
            n.x = v[0] * m[0][0] + v[1] * m[1][0] + v[2] * m[2][0];
            n.y = v[0] * m[0][1] + v[1] * m[1][1] + v[2] * m[2][1];
            n.z = v[0] * m[0][2] + v[1] * m[1][2] + v[2] * m[2][2];
            n = Normalize(n);
            const float out[3] = {n.x, n.y, n.z};
            std::memcpy(p + normalOffset, out, 12);
        }
    }
}

// ------------------------------------------------------------ mesh file

bool CMesh::SaveToFile(std::FILE* file)
{
    if (!file) return false;
    CMeshReadLock lock(*this);
    const SMeshFileHeader header{m_nFVF, std::uint32_t(m_nVertexCount), std::uint32_t(m_nIndexCount)};
    bool ok = std::fwrite(&header, sizeof header, 1, file) == 1;
    const std::size_t vbytes = std::size_t(m_nStride) * std::size_t(m_nVertexCount);
    if (ok && vbytes) ok = m_pVertices && std::fwrite(m_pVertices, vbytes, 1, file) == 1;
    if (ok && m_nIndexCount > 0)
        ok = m_pIndices && std::fwrite(m_pIndices, 2 * std::size_t(m_nIndexCount), 1, file) == 1;
    if (!ok) g_ErrorLog.LogError("CMesh::SaveToFile write failed");
    return ok;
}

namespace
{
std::uint32_t ReadFromStream(void* source, void* buffer, std::uint32_t size)
{
    return static_cast<CPakStream*>(source)->ReadBytes(buffer, size);
}
} // namespace

bool CMesh::ReadBody(std::uint32_t (*read)(void*, void*, std::uint32_t), void* source,
                     std::uint32_t available, std::uint32_t memoryType, const char* where)
{
    auto fail = [&](const char* why)
    {
        g_ErrorLog.LogError("%s: %s (%s)", "CMesh::LoadFromStream", why, where);
        Free();
        m_nVertexCount = 0;
        m_nIndexCount = 0;
        return false;
    };
    SMeshFileHeader header{};
    if (available < sizeof header || read(source, &header, sizeof header) != sizeof header)
        return fail("truncated header");
    available -= std::uint32_t(sizeof header);
    const std::uint32_t stride = GetFVFSize(header.fvf);
    if (stride == 0 || PositionBytes(header.fvf) == 0) return fail("unknown vertex format");
    // 0 vertices is an empty mesh (a damage variant with nothing left).
    if (header.vertexCount > kMaxVertices) return fail("vertex count out of range");
    const std::uint64_t vbytes = std::uint64_t(stride) * header.vertexCount;
    const std::uint64_t ibytes = 2ull * header.indexCount;
    if (vbytes + ibytes > available) return fail("counts past end of file");

    // Read into scratch first: nothing is allocated on the device for a
    // file whose indices turn out to be bad.
    std::vector<std::uint8_t> vertices(vbytes);
    std::vector<std::uint16_t> indices(header.indexCount);
    if (read(source, vertices.data(), std::uint32_t(vbytes)) != vbytes) return fail("truncated vertices");
    if (ibytes && read(source, indices.data(), std::uint32_t(ibytes)) != ibytes)
        return fail("truncated indices");
    for (std::uint16_t index : indices)
        if (index >= header.vertexCount) return fail("index past vertex count");

    // An empty mesh takes no device buffers (there is nothing to put in
    // them); it draws nothing either way.
    Allocate(header.vertexCount == 0 ? std::uint32_t(MESH_MEMORY_HEAP) : memoryType, header.fvf,
             std::int32_t(header.vertexCount), header.indexCount > 0 ? 1u : 0u, std::int32_t(header.indexCount));
    CMeshLock lock(*this);
    if (m_pVertices && !vertices.empty()) std::memcpy(m_pVertices, vertices.data(), vertices.size());
    if (m_pIndices && !indices.empty()) std::memcpy(m_pIndices, indices.data(), ibytes);
    return true;
}

bool CMesh::LoadFromStream(CPakStream* stream, std::uint32_t memoryType)
{
    if (!stream || !stream->IsOpen())
    {
        g_ErrorLog.LogError("CMesh::LoadFromStream: stream not open");
        return false;
    }
    const std::uint32_t length = stream->GetLength();
    const std::uint32_t position = stream->Tell();
    const std::uint32_t available = position <= length ? length - position : 0;
    return ReadBody(ReadFromStream, stream, available, memoryType, stream->GetEntryName());
}

bool CMesh::LoadFromPakFile(std::uint32_t memoryType)
{
    return LoadFromStream(&GetPakFileSystem().GetCurrent(), memoryType);
}

// ------------------------------------------------------------ optimisation

void CMesh::Optimize(void*, const std::int32_t* vertexCount, const std::int32_t* indexCount)
{
    const std::int32_t nv = std::clamp(vertexCount ? *vertexCount : m_nVertexCount, 0, m_nVertexCount);
    const std::int32_t ni = std::clamp(indexCount ? *indexCount : m_nIndexCount, 0, m_nIndexCount);
    const std::uint32_t faces = std::uint32_t(ni / 3);
    if (faces == 0 || nv == 0 || !graph.m_lpDevice) return;
    CMeshLock lock(*this);
    if (!m_pVertices || !m_pIndices) return;

    Mesh* work = nullptr;
    if (Failed(
            D3DXCreateMeshFVF(faces, std::uint32_t(nv), D3DXMESH_SYSTEMMEM, m_nFVF, graph.m_lpDevice, &work)))
    {
        g_ErrorLog.LogError("CMesh::Optimize D3DXCreateMeshFVF fails");
        return;
    }
    std::uint8_t* data = nullptr;
    if (Succeeded(work->LockVertexBuffer(0, &data)))
    {
        std::memcpy(data, m_pVertices, std::size_t(nv) * m_nStride);
        work->UnlockVertexBuffer();
    }
    if (Succeeded(work->LockIndexBuffer(0, &data)))
    {
        std::memcpy(data, m_pIndices, std::size_t(faces) * 6);
        work->UnlockIndexBuffer();
    }
    std::vector<std::uint32_t> adjacency(std::size_t(faces) * 3);
    work->GenerateAdjacency(1e-6f, adjacency.data());
    if (Succeeded(work->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE, adjacency.data(),
                                        nullptr, nullptr, nullptr)))
    {
        const std::uint32_t newFaces = std::min<std::uint32_t>(work->GetNumFaces(), faces);
        const std::uint32_t newVertices = std::min<std::uint32_t>(work->GetNumVertices(), std::uint32_t(nv));
        m_nIndexCount = std::int32_t(newFaces * 3);
        m_nVertexCount = std::int32_t(newVertices);
        if (Succeeded(work->LockIndexBuffer(0, &data)))
        {
            std::memcpy(m_pIndices, data, std::size_t(newFaces) * 6);
            work->UnlockIndexBuffer();
        }
        if (Succeeded(work->LockVertexBuffer(0, &data)))
        {
            std::memcpy(m_pVertices, data, std::size_t(newVertices) * m_nStride);
            work->UnlockVertexBuffer();
        }
    }
    work->Release();
    g_pCurrentMesh = nullptr;
}

// ------------------------------------------------------------ sphere

CMesh* CreateSphereMesh(std::uint32_t fvf, float radius, int n, std::uint32_t topColour,
                        std::uint32_t horizonColour, std::uint32_t bottomColour, bool useLight,
                        const float lightDirection[3])
{
    n = std::max(n, 0);
    const int ringSize = n + 5;
    const int vertexCount = (n + 1) * ringSize + 2;
    const int indexCount = 3 * (2 * n * (n + 5) + 8);
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_STATIC, fvf, vertexCount, 1u, indexCount);
    std::vector<SWorkVertex> work(static_cast<std::size_t>(vertexCount));
    const float pi = 3.14159265358979f;
    const float zero[3] = {0, 0, 0};
    const float* light = lightDirection ? lightDirection : zero;
    auto shade = [&](const float d[3])
    { return std::fabs(light[0] * d[0] + light[1] * d[1] + light[2] * d[2]); };
    auto put = [&](SWorkVertex& w, const float d[3], float u, float v, std::uint32_t colour)
    {
        w = SWorkVertex{};
        for (int a = 0; a < 3; ++a)
        {
            w.position[a] = radius * d[a];
            w.normal[a] = d[a];
        }
        w.tex0[0] = u;
        w.tex0[1] = v;
        w.diffuse = colour;
    };

    const float top[3] = {0, 0, 1};
    put(work[0], top, 0.5f, 0.0f,
        useLight ? BlendColorARGB(topColour, topColour, 0.0f, shade(top)) : topColour);
    for (int k = 1; k <= n + 1; ++k)
    {
        const float p = float(k) * pi / float(n + 2);
        const float cp = std::cos(p);
        for (int i = 0; i <= n + 4; ++i)
        {
            const float t = 2.0f * pi * float(i) / float(n + 4);
            const float d[3] = {std::cos(t) * std::sin(p), std::sin(t) * std::sin(p), cp};
            const float s = shade(d);
            std::uint32_t colour;
            if (k == 1)
                colour = BlendColorARGB(topColour, horizonColour, cp, useLight ? s : cp);
            else if (cp > 0)
                colour = BlendColorARGB(topColour, horizonColour, cp,
                                        useLight ? std::max(0.0f, 1.5f * s - 0.5f) : cp);
            else
                colour = BlendColorARGB(bottomColour, horizonColour, -cp,
                                        useLight ? std::max(0.0f, 1.5f * s - 0.5f) : -cp);
            put(work[std::size_t(1 + (k - 1) * ringSize + i)], d, float(i) / float(n + 3),
                float(k) / float(n + 3), colour);
        }
    }
    const float bottom[3] = {0, 0, -1};
    const int bottomIndex = vertexCount - 1;
    put(work[std::size_t(bottomIndex)], bottom, 0.5f, 1.0f,
        useLight ? BlendColorARGB(bottomColour, bottomColour, 0.0f, shade(bottom)) : bottomColour);

    mesh->Lock(true, true);
    mesh->StoreVertices(work.data());
    if (std::uint16_t* out = mesh->m_pIndices)
    {
        auto tri = [&](int a, int b, int c)
        {
            *out++ = std::uint16_t(a);
            *out++ = std::uint16_t(b);
            *out++ = std::uint16_t(c);
        };
        for (int i = 0; i <= n + 3; ++i)
            tri(0, i + 1, i + 2);
        for (int k = 1; k <= n; ++k)
        {
            const int r1 = 1 + (k - 1) * ringSize;
            const int r2 = r1 + ringSize;
            for (int i = 0; i <= n + 3; ++i)
            {
                tri(r1 + i, r2 + i, r2 + i + 1);
                tri(r1 + i, r2 + i + 1, r1 + i + 1);
            }
        }
        const int last = 1 + n * ringSize;
        for (int i = 0; i <= n + 3; ++i)
            tri(last + i, bottomIndex, last + i + 1);
    }
    mesh->Unlock(true, true);
    return mesh.release();
}
