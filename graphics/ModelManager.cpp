// The model manager: model list and loading, render-buffer rings, quads.

#include "graphics/ModelManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/LogWriter.h"
#include "foundation/PakFileSystem.h"
#include "foundation/ResourceDB.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cstring>
#include <exception>

using namespace plat::d3d;

CModelManager* g_pModelManager = nullptr;

namespace
{
PFNCreateModelObject g_pCreateModelObject = nullptr;

IModelObject* CreateModelObject()
{
    // Model files are complex objects: their parts, render groups and
    // particle systems are read by the complex-object loader.
    if (g_pCreateModelObject) return g_pCreateModelObject();
    return new CComplexObject();
}

struct SScreenVertex
{
    float x, y, z, rhw;
    float u0, v0, u1, v1;
};
static_assert(sizeof(SScreenVertex) == 32);

struct SBillboardVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(SBillboardVertex) == 32);

constexpr std::uint32_t kScreenFvf = 0x204;
constexpr std::uint32_t kBillboardFvf = 0x112;
} // namespace

void SetModelObjectFactory(PFNCreateModelObject create)
{
    g_pCreateModelObject = create;
}

// ------------------------------------------------------------ stand-in object

CSingleModelObject::CSingleModelObject() = default;
CSingleModelObject::~CSingleModelObject() = default;

bool CSingleModelObject::LoadFromStream(CPakStream& stream)
{
    XTRACE("CSingleModelObject::LoadFromStream");
    m_Parts.clear();
    const auto left = [&stream]() -> std::uint32_t
    {
        const std::uint32_t length = stream.GetLength(), position = stream.Tell();
        return position <= length ? length - position : 0;
    };
    std::uint8_t header[kModelFileHeaderSize];
    if (left() < sizeof header || stream.ReadBytes(header, sizeof header) != sizeof header)
    {
        g_ErrorLog.LogError("Model file %s: header truncated", stream.GetEntryName());
        return false;
    }
    std::int32_t count = 0;
    std::memcpy(&count, header, sizeof count);
    // Every part needs at least its record: a count the file cannot hold is
    // refused before anything is sized by it.
    if (count < 0 || std::uint64_t(count) * sizeof(SModelFilePart) > left())
    {
        g_ErrorLog.LogError("Model file %s: part count %d out of range", stream.GetEntryName(), count);
        return false;
    }
    m_Parts.reserve(std::size_t(count));
    for (std::int32_t i = 0; i < count; ++i)
    {
        SPart part;
        if (left() < sizeof part.record ||
            stream.ReadBytes(&part.record, sizeof part.record) != sizeof part.record)
        {
            g_ErrorLog.LogError("Model file %s: part %d truncated", stream.GetEntryName(), i);
            m_Parts.clear();
            return false;
        }
        part.record.name[sizeof part.record.name - 1] = 0;
        const std::int32_t type = part.record.type;
        if (type == 0 || type == 1)
        {
            part.model = std::make_unique<CModel>();
            if (!part.model->Load(stream, true))
            {
                m_Parts.clear();
                return false;
            }
        }
        else if (type != 2 && type != 3)
        {
            g_ErrorLog.LogError("Model file %s: part %d of type %d is not read here", stream.GetEntryName(),
                                i, type);
            m_Parts.clear();
            return false;
        }
        m_Parts.push_back(std::move(part));
    }
    return true;
}

void CSingleModelObject::Run(float dt)
{
    for (SPart& part : m_Parts)
        if (part.record.type == 0 && part.model) part.model->Update(dt);
}

float CSingleModelObject::GetRadius()
{
    if (m_fRadius > 0.0f) return m_fRadius;
    float radius = 0.001f;
    for (SPart& part : m_Parts)
        if (part.record.type == 0 && part.model && part.model->m_pMesh)
            radius = std::max(radius, part.model->m_pMesh->GetRadius());
    return radius;
}

std::uint32_t CSingleModelObject::GetMemorySize()
{
    std::uint32_t bytes = sizeof(*this) + std::uint32_t(m_Parts.size() * sizeof(SPart));
    for (const SPart& part : m_Parts)
        if (part.model) bytes += sizeof(CModel) + part.model->m_nMeshBytes;
    return bytes;
}

CModel* CSingleModelObject::GetModel()
{
    for (SPart& part : m_Parts)
        if (part.record.type == 0 && part.model) return part.model.get();
    return nullptr;
}

std::int32_t CSingleModelObject::FindPart(const char* name) const
{
    for (std::size_t i = 0; i < m_Parts.size(); ++i)
        if (name && std::strcmp(m_Parts[i].record.name, name) == 0) return std::int32_t(i);
    return -1;
}

// ------------------------------------------------------------ render buffer mesh

// A free slot: no buffers until a ring allocates it.
CRenderBufferMesh::CRenderBufferMesh() : CMesh(MESH_MEMORY_HEAP, 0x002, 0, 1, 0)
{
    Free();
}

// ------------------------------------------------------------ manager

CModelManager::CModelManager()
{
    static std::uint32_t s_nNextSerial = 0;
    m_nSerial = ++s_nNextSerial;
}

CModelManager::~CModelManager()
{
    Done();
    Purge();
    for (auto& slot : m_Slots)
    {
        if (slot && slot->m_pVB) SubMeshMemory(slot.get());
        slot.reset();
    }
    if (g_pModelManager == this) g_pModelManager = nullptr;
}

bool CModelManager::Init(const char* section, std::uint32_t keepNewest)
{
    XTRACE("CModelManager::Init");
    const bool started = CMTResourceManager::Init(section, keepNewest);
    SetMemoryLimit(kMemoryBudget);
    ReadRecords();
    for (std::int32_t i = 0; i < GetRecordCount(); ++i)
    {
        if (m_Records[std::size_t(i)].m_fRadius != 0.0f) continue;
        CTraceBoundary boundary;
        try
        {
            IModelObject* object = GetModelForce(i);
            const float radius = object ? object->GetRadius() : 1.0f;
            m_Records[std::size_t(i)].m_fRadius = radius;
            if (object) object->SetRadius(radius);
        }
        catch (const std::exception& e)
        {
            boundary.Handled(GetName(i) ? GetName(i) : "_DEFAULT_", e.what());
            g_ErrorLog.LogError("Model not founs");
        }
    }
    return started;
}

void CModelManager::ReadRecords()
{
    m_Records.assign(std::size_t(std::max(0, GetCount())), SModelRecord{});
    for (std::int32_t i = 0; i < GetCount(); ++i)
    {
        const char* name = GetName(i);
        SModelRecord& r = m_Records[std::size_t(i)];
        g_ResourceDB.GetStringField(name, "Filename", r.m_szFileName, sizeof r.m_szFileName);
        r.m_fRadius = g_ResourceDB.GetFloatField(name, "Radius", 0.0f);
    }
}

const SModelRecord* CModelManager::GetRecord(std::int32_t id) const
{
    if (id < 0 || id >= std::int32_t(m_Records.size())) return nullptr;
    return &m_Records[std::size_t(id)];
}

float CModelManager::GetModelScale(std::int32_t id) const
{
    const SModelRecord* record = GetRecord(id);
    return record ? record->m_fRadius : 1.0f;
}

void* CModelManager::MT_LoadResource(std::int32_t index, std::uint32_t* size)
{
    const SModelRecord* record = GetRecord(index);
    const char* name = GetName(index);
    if (!name) name = "_DEFAULT_";
    if (m_pLogWriter) m_pLogWriter->WriteToLog(name, record ? record->m_szFileName : "");
    const std::string path = g_ResourceDB.GetBaseDirectory() + (record ? record->m_szFileName : "");
    std::unique_ptr<IModelObject> object;
    CTraceBoundary boundary;
    try
    {
        object.reset(CreateModelObject());
        CPakStream stream;
        if (!record || !GetPakFileSystem().OpenStream(path.c_str(), stream))
        {
            g_ErrorLog.LogError("Model %s I = '%s' not found", path.c_str(), name);
            return nullptr;
        }
        if (graph.m_lpDevice) graph.m_lpDevice->ResourceManagerDiscardBytes(2000000);
        const bool ok = object->LoadFromStream(stream);
        stream.Close();
        if (!ok)
        {
            g_ErrorLog.LogError("Error in %s model", name);
            return nullptr;
        }
        object->SetRadius(record->m_fRadius);
    }
    catch (const std::exception& e)
    {
        boundary.Handled(path.c_str(), e.what());
        g_ErrorLog.LogError("Error in %s model", name);
        return nullptr;
    }
    if (size) *size = object->GetMemorySize();
    return object.release();
}

void CModelManager::MT_UnloadResource(void* resource, std::int32_t)
{
    delete static_cast<IModelObject*>(resource);
}

bool CModelManager::MT_IsPermitUnload(std::int32_t)
{
    return true;
}

void CModelManager::MT_OnLoadResource(std::int32_t) {}

IModelObject* CModelManager::GetModel(std::int32_t id)
{
    if (id == -1) return nullptr;
    if (void* resource = Get(id, 1)) return static_cast<IModelObject*>(resource);
    if (GetState(id) == kNotLoaded) Request(id, 0);
    return nullptr;
}

IModelObject* CModelManager::GetModelForce(std::int32_t id)
{
    if (id == -1) return nullptr;
    return static_cast<IModelObject*>(GetResourceForce(id));
}

void CModelManager::Run(float dt)
{
    for (std::int32_t i = 0; i < GetSlotCount(); ++i)
        if (void* resource = Get(i, 0)) static_cast<IModelObject*>(resource)->Run(dt);
}

// ------------------------------------------------------------ rings

bool CModelManager::Init()
{
    XTRACE("CModelManager::Init");
    m_iEffectSlot = CreateRenderBuffer("EFFECT", 0x242, 48000, 63356, 3, false);
    m_iEffectPointSlot = CreateRenderBuffer("EFFECTPOINT", 0x42, 16000, 0, 2, true);
    m_iScreenSlot = CreateRenderBuffer("SCREEN", kScreenFvf, 8192, 12288, 2, false);
    m_iModelsSlot = CreateRenderBuffer("MODELS", kBillboardFvf, 40000, 64000, 5, false);
    const bool ok =
        m_iEffectSlot != -1 && m_iEffectPointSlot != -1 && m_iScreenSlot != -1 && m_iModelsSlot != -1;
    if (!ok) g_ErrorLog.LogError("CModelManager::Init error while create render buffers");
    CreateVideoMeshes();
    return ok;
}

CRenderBufferMesh* CModelManager::GetSlot(std::int32_t slot)
{
    if (slot < 0 || slot >= kSlotCount) return nullptr;
    return m_Slots[slot].get();
}

std::int32_t CModelManager::GetRingPosition(std::int32_t slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_RingPosition[slot] : -1;
}

std::int32_t CModelManager::CreateRenderBuffer(const char* name, std::uint32_t fvf, std::int32_t vertexCount,
                                               std::int32_t indexCount, std::int32_t ringSize, bool points)
{
    XTRACE("CModelManager::CreateRenderBuffer");
    if (ringSize < 1 || !name) return -1;
    std::int32_t first = -1;
    for (std::int32_t s = 0; s + ringSize <= kSlotCount && first < 0; ++s)
    {
        bool free = true;
        for (std::int32_t k = 0; k < ringSize && free; ++k)
            free = !m_Slots[s + k] || !m_Slots[s + k]->m_pVB;
        if (free) first = s;
    }
    if (first < 0)
    {
        g_ErrorLog.LogError("CModelManager::CreateRenderBuffer no free slots for '%s'", name);
        return -1;
    }
    m_nSlotsUsed = std::max(m_nSlotsUsed, first + ringSize);
    m_RingPosition[first] = 0;
    for (std::int32_t k = 0; k < ringSize; ++k)
    {
        auto& mesh = m_Slots[first + k];
        if (!mesh) mesh = std::make_unique<CRenderBufferMesh>();
        if (points)
        {
            const std::uint32_t memory = graph.m_bPointSprites ? MESH_MEMORY_DYNAMIC : MESH_MEMORY_SOFTWARE;
            mesh->Allocate(memory, fvf, vertexCount, 0, 0, D3DUSAGE_POINTS | D3DUSAGE_WRITEONLY);
        }
        else
            mesh->Allocate(MESH_MEMORY_DYNAMIC, fvf, vertexCount, 1, indexCount, D3DUSAGE_WRITEONLY);
        std::snprintf(mesh->m_szName, sizeof mesh->m_szName, "%s", name);
        mesh->m_nVertexCapacity = vertexCount;
        mesh->m_nIndexCapacity = points ? 0 : indexCount;
        mesh->m_nRingSize = ringSize;
        mesh->m_nAppended = mesh->m_nRestarts = 0;
        mesh->m_nHighestIndex = mesh->m_nHighestVertex = 0;
        mesh->m_nStartIndex = mesh->m_nFirstVertex = 0;
        mesh->m_nVertexCount = 0;
        mesh->m_nIndexCount = 0;
        mesh->m_nFewestFrames = 100;
        mesh->m_nFrames = 0;
        mesh->m_bPoints = points;
        AddMeshMemory(mesh.get());
    }
    bool known = false;
    for (const SRingSpec& r : m_Rings)
        known = known || std::strcmp(r.name, name) == 0;
    if (!known)
    {
        SRingSpec spec{};
        std::snprintf(spec.name, sizeof spec.name, "%s", name);
        spec.fvf = fvf;
        spec.vertices = vertexCount;
        spec.indices = indexCount;
        spec.ringSize = ringSize;
        spec.points = points;
        m_Rings.push_back(spec);
    }
    return first;
}

CMesh* CModelManager::GetRenderSingleBufMesh(std::int32_t slot, const CGeometryBuffer* piece)
{
    return CopyPiece(slot, piece, false);
}

CMesh* CModelManager::GetRenderSingleBufMeshPoints(std::int32_t slot, const CGeometryBuffer* piece)
{
    return CopyPiece(slot, piece, true);
}

CMesh* CModelManager::CopyPiece(std::int32_t slot, const CGeometryBuffer* piece, bool points)
{
    CRenderBufferMesh* first = GetSlot(slot);
    if (!first || !first->m_pVB) return nullptr;
    const std::int32_t ringSize = std::max(1, first->m_nRingSize);
    CRenderBufferMesh* r = GetSlot(slot + m_RingPosition[slot]);
    const bool indexed = !points;
    const std::int32_t pv = piece ? std::int32_t(piece->m_nVertexCount) : 0;
    const std::int32_t pi = piece && indexed ? std::int32_t(piece->m_nIndexCount) : 0;

    auto nothing = [r]()
    {
        r->m_nFirstVertex += r->m_nVertexCount;
        r->m_nStartIndex += r->m_nIndexCount;
        r->m_nVertexCount = 0;
        r->m_nIndexCount = 0;
        return r;
    };
    if (pv == 0 || (indexed && pi == 0) || !piece->m_pVertices || (indexed && !piece->m_pIndices))
        return nothing();
    // A piece no mesh of the ring can hold would be written past its end.
    if (pv > r->m_nVertexCapacity || pi > r->m_nIndexCapacity)
    {
        if (!r->m_bRefusedLogged)
            g_ErrorLog.LogError(
                "CModelManager::GetRenderSingleBufMesh piece of %d vertices, %d indices exceeds "
                "render buffer '%s'",
                int(pv), int(pi), r->m_szName);
        r->m_bRefusedLogged = true;
        return nothing();
    }
    if (piece->m_nStride != r->m_nStride)
    {
        g_ErrorLog.LogError("CModelManager::GetRenderSingleBufMesh vertex format differs from '%s'",
                            r->m_szName);
        return nothing();
    }

    r->m_nFirstVertex += r->m_nVertexCount;
    r->m_nStartIndex += r->m_nIndexCount;
    std::uint32_t flags = D3DLOCK_NOOVERWRITE;
    if (r->m_nFirstVertex + pv <= r->m_nVertexCapacity && r->m_nStartIndex + pi <= r->m_nIndexCapacity)
    {
        ++r->m_nAppended;
        r->m_nHighestIndex = std::max(r->m_nHighestIndex, r->m_nStartIndex + pi);
        r->m_nHighestVertex = std::max(r->m_nHighestVertex, r->m_nFirstVertex + pv);
    }
    else
    {
        m_RingPosition[slot] = (m_RingPosition[slot] + 1) % ringSize;
        r = GetSlot(slot + m_RingPosition[slot]);
        r->m_nFewestFrames = std::min(r->m_nFewestFrames, r->m_nFrames);
        r->m_nFrames = 0;
        r->m_nStartIndex = 0;
        r->m_nFirstVertex = 0;
        flags = D3DLOCK_DISCARD;
        ++r->m_nRestarts;
    }

    std::uint8_t* vertices = nullptr;
    const std::uint32_t stride = r->m_nStride;
    if (Failed(r->m_pVB->Lock(std::uint32_t(r->m_nFirstVertex) * stride, std::uint32_t(pv) * stride,
                              &vertices, flags)))
    {
        g_ErrorLog.LogError("CModelManager::GetRenderSingleBufMesh lock fails");
        r->m_nVertexCount = r->m_nIndexCount = 0;
        return r;
    }
    std::memcpy(vertices, piece->m_pVertices + std::size_t(piece->m_nFirstVertex) * stride,
                std::size_t(pv) * stride);
    r->m_pVB->Unlock();
    if (indexed)
    {
        std::uint8_t* bytes = nullptr;
        if (Failed(r->m_pIB->Lock(std::uint32_t(r->m_nStartIndex) * 2, std::uint32_t(pi) * 2, &bytes, flags)))
        {
            g_ErrorLog.LogError("CModelManager::GetRenderSingleBufMesh lock fails");
            r->m_nVertexCount = r->m_nIndexCount = 0;
            return r;
        }
        // The ring draws with base vertex 0: indices move with the piece.
        const std::uint16_t shift = std::uint16_t(r->m_nFirstVertex - std::int32_t(piece->m_nFirstVertex));
        std::uint16_t* out = reinterpret_cast<std::uint16_t*>(bytes);
        const std::uint16_t* in = piece->m_pIndices + piece->m_nFirstIndex;
        for (std::int32_t i = 0; i < pi; ++i)
            out[i] = std::uint16_t(in[i] + shift);
        r->m_pIB->Unlock();
    }
    r->m_nVertexCount = pv;
    r->m_nIndexCount = pi;
    return r;
}

void CModelManager::AgeRenderBuffers()
{
    for (auto& slot : m_Slots)
        if (slot) slot->m_nFirstVertex = slot->m_nVertexCapacity;
}

void CModelManager::NewFrame()
{
    for (auto& slot : m_Slots)
        if (slot) ++slot->m_nFrames;
}

void CModelManager::InvalidateDeviceObjects()
{
    AgeRenderBuffers();
    for (auto& slot : m_Slots)
    {
        if (!slot || !slot->m_pVB) continue;
        SubMeshMemory(slot.get());
        slot->Free();
    }
}

void CModelManager::RestoreDeviceObjects()
{
    XTRACE("CModelManager::RestoreDeviceObjects");
    const std::vector<SRingSpec> rings = m_Rings;
    for (const SRingSpec& r : rings)
    {
        const std::int32_t slot =
            CreateRenderBuffer(r.name, r.fvf, r.vertices, r.indices, r.ringSize, r.points);
        if (std::strcmp(r.name, "SCREEN") == 0) m_iScreenSlot = slot;
        if (std::strcmp(r.name, "MODELS") == 0) m_iModelsSlot = slot;
        if (std::strcmp(r.name, "EFFECT") == 0) m_iEffectSlot = slot;
        if (std::strcmp(r.name, "EFFECTPOINT") == 0) m_iEffectPointSlot = slot;
    }
    CreateVideoMeshes();
}

// ------------------------------------------------------------ quads

void CModelManager::CreateVideoMeshes()
{
    std::uint16_t* indices = m_BillboardQuad.Allocate(kBillboardFvf, 4, 6);
    auto* bb = reinterpret_cast<SBillboardVertex*>(m_BillboardQuad.m_pVertices);
    for (int i = 0; i < 4; ++i)
    {
        const float u = float(i % 2), v = float(i / 2);
        bb[i] = SBillboardVertex{u - 0.5f, v, 0.0f, 0.0f, 1.0f, 0.0f, u, v};
    }
    const std::uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(indices, quad, sizeof quad);

    indices = m_ScreenQuad.Allocate(kScreenFvf, 32, 48);
    auto* sq = reinterpret_cast<SScreenVertex*>(m_ScreenQuad.m_pVertices);
    std::memset(sq, 0, 32 * sizeof(SScreenVertex));
    for (int i = 0; i < 4; ++i)
    {
        const float u = float(i % 2), v = float(i / 2);
        sq[i] = SScreenVertex{u - 0.5f, v - 0.5f, 0.0f, 1e-5f, u, v, u, v};
    }
    for (int q = 0; q < 8; ++q)
        for (int k = 0; k < 6; ++k)
            indices[q * 6 + k] = std::uint16_t(4 * q + quad[k]);
    m_ScreenQuad.m_nVertexCount = 4;
    m_ScreenQuad.m_nIndexCount = 6;
}

CGeometryBuffer* CModelManager::SetScreenQuad(const int screen[4], const int* texture, bool inset)
{
    if (!m_ScreenQuad.m_pVertices) CreateVideoMeshes();
    m_ScreenQuad.m_nVertexCount = 4;
    m_ScreenQuad.m_nIndexCount = 6;
    m_ScreenQuad.m_nFirstIndex = m_ScreenQuad.m_nFirstVertex = 0;
    auto* v = reinterpret_cast<SScreenVertex*>(m_ScreenQuad.m_pVertices);
    const float xs[2] = {float(screen[0]) - 0.5f, float(screen[2]) - 0.5f};
    const float ys[2] = {float(screen[1]) - 0.5f, float(screen[3]) - 0.5f};
    const float width = float(screen[2] - screen[0]);
    const float height = float(screen[3] - screen[1]);
    for (int i = 0; i < 4; ++i)
    {
        const int cu = i % 2, cv = i / 2;
        v[i].x = xs[cu];
        v[i].y = ys[cv];
        v[i].z = 0.0f;
        v[i].rhw = 1e-5f;
        float u = float(cu), w = float(cv);
        if (texture && texture[2] != 0 && texture[3] != 0)
        {
            // One screen pixel is one texel: texture[0..1] is the source
            // corner, texture[2..3] the texture's size.
            u = (float(texture[0]) + float(cu) * width) / float(texture[2]);
            w = (float(texture[1]) + float(cv) * height) / float(texture[3]);
            if (inset)
            {
                const float su = width < 0 ? -1.0f : 1.0f, sv = height < 0 ? -1.0f : 1.0f;
                u += (cu ? -0.5f : 0.5f) * su / float(texture[2]);
                w += (cv ? -0.5f : 0.5f) * sv / float(texture[3]);
            }
        }
        v[i].u0 = v[i].u1 = u;
        v[i].v0 = v[i].v1 = w;
    }
    return &m_ScreenQuad;
}

CGeometryBuffer* CModelManager::SetScreenQuadUV(const int screen[4], int textureWidth, int textureHeight,
                                                const int* texture, bool rotate)
{
    if (!m_ScreenQuad.m_pVertices) CreateVideoMeshes();
    m_ScreenQuad.m_nVertexCount = 4;
    m_ScreenQuad.m_nIndexCount = 6;
    auto* v = reinterpret_cast<SScreenVertex*>(m_ScreenQuad.m_pVertices);
    const float corners[4][2] = {{float(screen[0]) - 0.5f, float(screen[1]) - 0.5f},
                                 {float(screen[2]) - 0.5f, float(screen[1]) - 0.5f},
                                 {float(screen[0]) - 0.5f, float(screen[3]) - 0.5f},
                                 {float(screen[2]) - 0.5f, float(screen[3]) - 0.5f}};
    // Turned a quarter clockwise, the corners go to vertices 2, 0, 3, 1.
    static const int kPlain[4] = {0, 1, 2, 3}, kRotated[4] = {2, 0, 3, 1};
    const int* to = rotate ? kRotated : kPlain;
    for (int c = 0; c < 4; ++c)
    {
        v[to[c]].x = corners[c][0];
        v[to[c]].y = corners[c][1];
    }
    const float w = float(textureWidth ? textureWidth : 1), h = float(textureHeight ? textureHeight : 1);
    for (int i = 0; i < 4; ++i)
    {
        const int cu = i % 2, cv = i / 2;
        if (texture)
        {
            v[i].u0 = float(cu ? texture[2] : texture[0]) / w;
            v[i].v0 = float(cv ? texture[3] : texture[1]) / h;
        }
        else
        {
            v[i].u0 = float(cu);
            v[i].v0 = float(cv);
        }
        v[i].u1 = float(cu);
        v[i].v1 = float(cv);
    }
    return &m_ScreenQuad;
}

CGeometryBuffer* CModelManager::SetBillboardQuad(float heightScale, float widthScale, bool centred)
{
    if (!m_BillboardQuad.m_pVertices) CreateVideoMeshes();
    m_BillboardQuad.m_nVertexCount = 4;
    m_BillboardQuad.m_nIndexCount = 6;
    auto* v = reinterpret_cast<SBillboardVertex*>(m_BillboardQuad.m_pVertices);
    for (int i = 0; i < 4; ++i)
    {
        v[i].x = (float(i % 2) - 0.5f) * widthScale;
        v[i].y = centred ? (float(i / 2) - 0.5f) * heightScale : (1.0f - float(i / 2)) * heightScale;
    }
    return &m_BillboardQuad;
}

void CModelManager::DrawTexturedRect(int left, int top, int right, int bottom, int texLeft, int texTop,
                                     int texRight, int texBottom, CTexture* texture, int technique)
{
    const int screen[4] = {left, top, right, bottom};
    const int rect[4] = {texLeft, texTop, texRight, texBottom};
    CGeometryBuffer* quad = SetScreenQuad(screen, rect, false);
    CMesh* mesh = GetRenderSingleBufMesh(m_iScreenSlot, quad);
    if (mesh && g_pTexShaderManager) g_pTexShaderManager->ApplyStateBlock(technique, mesh, texture);
}
