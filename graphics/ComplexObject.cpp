// Complex objects: the model file, parts, drawing, look-ups and shapes.

#include "graphics/ComplexObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ParticleSystem.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

CMatrix CComplexObject::s_CameraMatrix(1.0f);

namespace
{
// Loaded, or deliberately without a texture: the part may be drawn.
bool Ready(std::int32_t id, CTexture*& texture)
{
    texture = nullptr;
    if (id == -1) return true;
    texture = g_pTextureManager ? g_pTextureManager->GetTexture(id) : nullptr;
    return texture != nullptr;
}

CVector Row(const CMatrix& m, int r)
{
    return CVector{m.m[r][0], m.m[r][1], m.m[r][2]};
}

void SetRow(CMatrix& m, int r, const CVector& v)
{
    m.m[r][0] = v.x;
    m.m[r][1] = v.y;
    m.m[r][2] = v.z;
}

void SetWorld(const CMatrix& world)
{
    if (graph.m_lpDevice) graph.m_lpDevice->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&world));
}

// Locks a buffer mesh's arrays for reading while it lives.
class CMeshReadLock
{
public:
    explicit CMeshReadLock(CMesh* mesh) : m_pMesh(mesh)
    {
        m_bLocked = mesh && mesh->m_nMemoryType != MESH_MEMORY_HEAP;
        if (m_bLocked) mesh->Lock(true, true);
    }
    ~CMeshReadLock()
    {
        if (m_bLocked) m_pMesh->Unlock(true, true);
    }
    CMeshReadLock(const CMeshReadLock&) = delete;
    CMeshReadLock& operator=(const CMeshReadLock&) = delete;

private:
    CMesh* m_pMesh;
    bool m_bLocked;
};
} // namespace

CComplexObject::CComplexObject() = default;

CComplexObject::~CComplexObject()
{
    Free();
}

void CComplexObject::Free()
{
    for (SObjectPart& part : m_Parts)
    {
        if (part.m_pModel) part.m_pModel->Free();
        part.m_pModel.reset();
        part.m_pParticles.reset();
    }
    m_Parts.clear();
    m_Shape.clear();
    m_Shape2.clear();
    m_nMeshBytes = 0;
    m_bSorted = false;
}

// ------------------------------------------------------------ file

void CComplexObject::Load(CPakStream& stream)
{
    XTRACE("CComplexObject::Load");
    Free();
    const auto fail = [&stream](const std::string& what, std::int32_t part) -> void
    {
        std::string message = std::string("CComplexObject::Load ") + stream.GetEntryName() + ": " + what;
        if (part >= 0) message += " (part " + std::to_string(part) + ")";
        message += " at byte " + std::to_string(stream.Tell());
        g_ErrorLog.LogError("%s", message.c_str());
        throw CComplexObjectError(message);
    };
    const auto left = [&stream]() -> std::uint32_t
    {
        const std::uint32_t length = stream.GetLength(), position = stream.Tell();
        return position <= length ? length - position : 0;
    };

    if (left() < kHeaderSize || stream.ReadBytes(m_Header, kHeaderSize) != kHeaderSize)
        fail("header truncated", -1);
    std::int32_t count = 0;
    std::memcpy(&count, m_Header, sizeof count);
    // Every part needs at least its record: a count the file cannot hold is
    // refused before the part array is sized by it.
    if (count < 0 || std::uint64_t(count) * sizeof(SModelFilePart) > left())
        fail("part count " + std::to_string(count) + " out of range", -1);
    m_Parts.reserve(std::size_t(count));

    for (std::int32_t i = 0; i < count; ++i)
    {
        SObjectPart part;
        if (left() < sizeof part.m_Record ||
            stream.ReadBytes(&part.m_Record, sizeof part.m_Record) != sizeof part.m_Record)
            fail("part record truncated", i);
        part.m_Record.name[sizeof part.m_Record.name - 1] = 0;
        for (auto& slot : part.m_Record.textures) slot[sizeof slot - 1] = 0;
        part.m_Record.object = 0;
        for (int t = 0; t < 4; ++t)
            part.m_iTextures[t] = g_pTextureManager ? g_pTextureManager->FindName(part.m_Record.textures[t]) : -1;

        switch (part.Type())
        {
        case 0:
        case 1:
            part.m_pModel = std::make_unique<CModel>();
            // CModel::Load has logged the reason already.
            if (!part.m_pModel->Load(stream, true)) fail("model block damaged", i);
            if (part.Type() == 0)
            {
                m_nMeshBytes += part.m_pModel->m_nMeshBytes;
                if (part.m_pModel->m_iSorting != 0) m_bSorted = true;
            }
            break;
        case 2:
        case 3:
            break;
        case 4:
            part.m_pParticles = std::make_unique<CParticleViewer>();
            try
            {
                part.m_pParticles->Load(stream);
            }
            catch (const std::exception& e)
            {
                fail(e.what(), i);
            }
            break;
        default:
            // "Загрузка типа не реализована", in code page 1251 as every text of the system.
            g_ErrorLog.LogError("CComplexObject::Load \xC7\xE0\xE3\xF0\xF3\xE7\xEA\xE0 \xF2\xE8\xEF\xE0 "
                                "\xED\xE5 \xF0\xE5\xE0\xEB\xE8\xE7\xEE\xE2\xE0\xED\xE0");
            fail("part type " + std::to_string(part.Type()) + " not read", i);
        }
        m_Parts.push_back(std::move(part));
    }
}

bool CComplexObject::LoadFromStream(CPakStream& stream)
{
    const std::size_t trace = g_ErrorLog.GetTraceLength();
    try
    {
        Load(stream);
        return true;
    }
    catch (const std::exception&)
    {
        // Logged where it was thrown; the object is substituted, so its path
        // leaves the trace.
        g_ErrorLog.CutTrace(trace);
        return false;
    }
}

bool CComplexObject::Save(std::FILE* file)
{
    XTRACE("CComplexObject::Save");
    if (!file) return false;
    const std::int32_t count = std::int32_t(m_Parts.size());
    std::memcpy(m_Header, &count, sizeof count);
    if (std::fwrite(m_Header, kHeaderSize, 1, file) != 1) return false;
    for (SObjectPart& part : m_Parts)
    {
        SModelFilePart record = part.m_Record;
        record.object = 0;
        if (std::fwrite(&record, sizeof record, 1, file) != 1) return false;
        if (part.m_pModel && !part.m_pModel->Save(file)) return false;
        if (part.m_pParticles && !part.m_pParticles->Save(file)) return false;
    }
    return true;
}

std::uint32_t CComplexObject::GetMemorySize()
{
    return std::uint32_t(sizeof(*this) + m_Parts.size() * sizeof(SObjectPart)) + m_nMeshBytes;
}

// ------------------------------------------------------------ look-ups

std::int32_t CComplexObject::FindObject(const char* name) const
{
    if (!name) return -1;
    for (std::size_t i = 0; i < m_Parts.size(); ++i)
        if (std::strcmp(m_Parts[i].Name(), name) == 0) return std::int32_t(i);
    return -1;
}

std::int32_t CComplexObject::FindAnimation(const char* name) const
{
    if (m_Parts.empty() || !m_Parts[0].m_pModel) return -1;
    return m_Parts[0].m_pModel->FindAnimation(name);
}

float CComplexObject::GetRadius()
{
    float radius = 0.001f;
    for (SObjectPart& part : m_Parts)
    {
        if (part.Type() == 0 && part.m_pModel && part.m_pModel->m_pMesh)
            radius = std::max(radius, part.m_pModel->m_pMesh->GetRadius());
        // The emitter's size: the half size of its spawn cube.
        if (part.Type() == 4 && part.m_pParticles)
            radius = std::max(radius, part.m_pParticles->m_Params.jitter * 10.0f);
    }
    return radius;
}

void CComplexObject::GetMaxPoint(float out[3])
{
    out[0] = out[1] = out[2] = 0.0f;
    for (SObjectPart& part : m_Parts)
    {
        if (part.Type() != 0 || !part.m_pModel || !part.m_pModel->m_pMesh) continue;
        float size[3];
        part.m_pModel->m_pMesh->GetSize(size);
        for (int k = 0; k < 3; ++k) out[k] = std::max(out[k], size[k]);
    }
}

void CComplexObject::GetBoundingCenter(float out[3])
{
    if (m_vCentre[0] > 1000000.0f)
    {
        float lo[3] = {100000000.0f, 100000000.0f, 100000000.0f};
        float hi[3] = {-100000000.0f, -100000000.0f, -100000000.0f};
        for (SObjectPart& part : m_Parts)
        {
            if (part.Type() != 0) continue;
            float c[3] = {}, s[3] = {};
            if (part.m_pModel && part.m_pModel->m_pMesh)
            {
                part.m_pModel->m_pMesh->GetCenter(c);
                part.m_pModel->m_pMesh->GetSize(s);
            }
            for (int k = 0; k < 3; ++k)
            {
                lo[k] = std::min(lo[k], c[k] - s[k] * 0.5f);
                hi[k] = std::max(hi[k], c[k] + s[k] * 0.5f);
            }
        }
        for (int k = 0; k < 3; ++k) m_vCentre[k] = (lo[k] + hi[k]) * 0.5f;
    }
    std::memcpy(out, m_vCentre, sizeof m_vCentre);
}

// ------------------------------------------------------------ per-model calls

void CComplexObject::Update(float dt)
{
    for (SObjectPart& part : m_Parts)
        if (part.Type() == 0 && part.m_pModel &&
            (part.m_pModel->m_fPingPongPeriod != 0.0f || part.m_pModel->m_iFrameGrid != 0))
            part.m_pModel->Update(dt);
}

void CComplexObject::SetColor(float red, float green, float blue, float alpha)
{
    for (SObjectPart& part : m_Parts)
    {
        if (part.Type() != 0 || !part.m_pModel) continue;
        part.m_pModel->m_bColorOverride = true;
        const float colour[4] = {red, green, blue, alpha};
        std::memcpy(part.m_pModel->m_fOverrideColor, colour, sizeof colour);
    }
}

void CComplexObject::ResetColor()
{
    for (SObjectPart& part : m_Parts)
        if (part.Type() == 0 && part.m_pModel) part.m_pModel->m_bColorOverride = false;
}

void CComplexObject::SetModelsParam(std::int32_t frame)
{
    for (SObjectPart& part : m_Parts)
        if (part.Type() == 0 && part.m_pModel) part.m_pModel->m_iCurrentFrame = frame;
}

void CComplexObject::SetSortingByView(const CVector& direction, bool recordOnly)
{
    // The order is chosen as CModel chooses it; every model takes the same.
    static const CVector kAxes[6] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::int32_t order = 0;
    float best = std::max(direction.x, 0.0f);
    for (std::int32_t k = 1; k < 6; ++k)
    {
        const float d = kAxes[k].x * direction.x + kAxes[k].y * direction.y + kAxes[k].z * direction.z;
        if (d > best)
        {
            best = d;
            order = k;
        }
    }
    for (SObjectPart& part : m_Parts)
        if (part.Type() == 0 && part.m_pModel) part.m_pModel->SetSorting(order, recordOnly);
}

void CComplexObject::SetSortingMode(std::int32_t mode)
{
    for (SObjectPart& part : m_Parts)
        if (part.Type() == 0 && part.m_pModel) part.m_pModel->CreateSortedIndices(mode);
}

void CComplexObject::SetBlending(std::int32_t mode, std::int32_t profile)
{
    for (SObjectPart& part : m_Parts)
        if (part.Type() == 0 && part.m_pModel) part.m_pModel->SetBlending(mode, profile);
}

void CComplexObject::Transform(const CMatrix& matrix)
{
    for (SObjectPart& part : m_Parts)
        if ((part.Type() == 0 || part.Type() == 1) && part.m_pModel) part.m_pModel->Transform(matrix);
}

void CComplexObject::FlipFaces()
{
    for (SObjectPart& part : m_Parts)
    {
        if (part.Type() != 0 || !part.m_pModel || !part.m_pModel->m_pMesh) continue;
        CMesh* mesh = part.m_pModel->m_pMesh.get();
        CMeshReadLock lock(mesh);
        if (!mesh->m_pIndices) continue;
        for (std::int32_t i = 0; i + 2 < mesh->m_nIndexCount; i += 3)
            std::swap(mesh->m_pIndices[i], mesh->m_pIndices[i + 1]);
    }
}

void CComplexObject::ResolveTextures(bool toNames)
{
    for (SObjectPart& part : m_Parts)
        for (int t = 0; t < 4; ++t)
        {
            char* name = part.m_Record.textures[t];
            if (!toNames)
            {
                part.m_iTextures[t] = g_pTextureManager ? g_pTextureManager->FindName(name) : -1;
                continue;
            }
            const std::int32_t id = part.m_iTextures[t];
            const char* known = nullptr;
            if (g_pTextureManager && id >= 0 && id < g_pTextureManager->GetCount())
                known = g_pTextureManager->GetName(id);
            std::snprintf(name, sizeof part.m_Record.textures[t], "%s", known ? known : "_DEFAULT_");
        }
}

// ------------------------------------------------------------ shapes

void CComplexObject::CreateShape(bool first)
{
    std::int32_t source = first ? FindObject("SHAPE") : FindObject("SHAPE2");
    if (!first && source < 0) source = FindObject("SHAPE");
    if (source < 0) source = 0;
    std::vector<SShapeTriangle>& target = first ? m_Shape : m_Shape2;
    target.clear();
    if (std::size_t(source) >= m_Parts.size()) return;
    SObjectPart& part = m_Parts[std::size_t(source)];
    if (part.Type() >= 2 || !part.m_pModel) return;
    CMesh* mesh = part.m_pModel->GetCurrentMesh(nullptr);
    if (!mesh) return;
    CMeshReadLock lock(mesh);
    if (!mesh->m_pIndices || !mesh->m_pVertices) return;

    const std::int32_t triangles = mesh->m_nIndexCount / 3;
    target.resize(std::size_t(triangles));
    for (std::int32_t t = 0; t < triangles; ++t)
    {
        SShapeTriangle& out = target[std::size_t(t)];
        for (int k = 0; k < 3; ++k)
        {
            const std::uint16_t index = mesh->m_pIndices[t * 3 + k];
            // An index past the vertices is damage: the corner stays at 0.
            if (index < mesh->m_nVertexCount)
                std::memcpy(&out.corners[k], mesh->m_pVertices + std::size_t(index) * mesh->m_nStride, 12);
        }
        const CVector a = out.corners[2] - out.corners[1];
        const CVector b = out.corners[0] - out.corners[1];
        CVector n;
        VectorCross(&n, &a, &b);
        out.normal = n.LengthSq() < 0.0001f ? CVector{0.0f, 0.0f, 1.0f} : Normalize(n);
        CVector lo = out.corners[0], hi = out.corners[0];
        for (int k = 1; k < 3; ++k)
        {
            lo = CVector{std::min(lo.x, out.corners[k].x), std::min(lo.y, out.corners[k].y),
                         std::min(lo.z, out.corners[k].z)};
            hi = CVector{std::max(hi.x, out.corners[k].x), std::max(hi.y, out.corners[k].y),
                         std::max(hi.z, out.corners[k].z)};
        }
        out.boxCentre = (lo + hi) * 0.5f;
        out.radiusSq = (hi - out.boxCentre).LengthSq();
    }
}

// ------------------------------------------------------------ drawing

bool CComplexObject::InGroup(const SObjectPart& part, std::int32_t group)
{
    if (group == -1) return true;
    if (group < 0 || group > 31) return false;
    return (part.m_Record.groupMask >> group) & 1u;
}

void CComplexObject::Render(float* state, std::uint32_t damageMask, std::int32_t group)
{
    XTRACE("CComplexObject::Render");
    const CMatrix world = g_ModelWorldMatrix;
    for (std::size_t i = 0; i < m_Parts.size(); ++i)
    {
        SObjectPart& part = m_Parts[i];
        if (!InGroup(part, group)) continue;
        if (part.Type() == 2 || part.Type() == 3)
        {
            RenderSprite(i, world);
            continue;
        }
        if (part.Type() != 0 || !part.m_pModel) continue; // 1 and 4 are not drawn here
        CTexture* textures[3];
        if (!Ready(part.m_iTextures[0], textures[0]) || !Ready(part.m_iTextures[1], textures[1]) ||
            !Ready(part.m_iTextures[2], textures[2]))
            continue; // still loading: next frame
        const bool billboard = part.m_Record.flags & 1u;
        if (billboard)
        {
            // Turn to the camera, pulled a quarter radius towards the viewer.
            const float k = Row(world, 0).Length();
            const CMatrix& v = s_CameraMatrix;
            CMatrix facing(1.0f);
            SetRow(facing, 0, Row(v, 0) * k);
            SetRow(facing, 1, Row(v, 2) * -k);
            SetRow(facing, 2, Row(v, 1) * k);
            SetRow(facing, 3, Row(world, 3) - Row(v, 2) * (k * m_fRadius * 0.25f));
            g_ModelWorldMatrix = facing;
            SetWorld(facing);
        }
        part.m_pModel->RenderDamaged(state, damageMask, textures[0], textures[1], textures[2], nullptr);
        if (billboard)
        {
            g_ModelWorldMatrix = world;
            SetWorld(world);
        }
    }
}

void CComplexObject::RenderSprite(std::size_t index, const CMatrix& world)
{
    SObjectPart& part = m_Parts[index];
    // A sprite after a model draws with that model's material.
    if (index > 0)
    {
        SObjectPart& previous = m_Parts[index - 1];
        if (previous.Type() == 0 && previous.m_pModel && previous.m_pModel->m_iMaterial != -1 && graph.m_lpDevice)
            graph.m_lpDevice->SetMaterial(&previous.m_pModel->m_Material);
    }
    CTexture* texture = nullptr;
    if (part.m_iTextures[0] < 0 || !Ready(part.m_iTextures[0], texture) || !texture) return;
    if (!g_pModelManager || !g_pTexShaderManager) return;
    std::int32_t w = 0, h = 0;
    texture->GetSize(&w, &h);
    const float m = float(std::max(std::max(w, h), 1));
    CGeometryBuffer* quad = g_pModelManager->SetBillboardQuad(float(h) / m * m_fRadius, float(w) / m * m_fRadius, false);
    CMesh* mesh = quad ? g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iModelsSlot, quad) : nullptr;
    if (!mesh) return;
    const float k = Row(world, 0).Length();
    CMatrix facing(1.0f);
    for (int r = 0; r < 3; ++r) SetRow(facing, r, Row(s_CameraMatrix, r) * k);
    SetRow(facing, 3, Row(world, 3));
    SetWorld(facing);
    g_pTexShaderManager->ApplyStateBlock(part.Type() == 2 ? 6 : 8, mesh, texture);
    SetWorld(world);
}

void CComplexObject::RenderGroup(float* state, std::int32_t group)
{
    for (SObjectPart& part : m_Parts)
    {
        if (part.Type() != 0 || !part.m_pModel || !InGroup(part, group)) continue;
        CTexture* textures[3];
        if (!Ready(part.m_iTextures[0], textures[0]) || !Ready(part.m_iTextures[1], textures[1]) ||
            !Ready(part.m_iTextures[2], textures[2]))
            continue;
        part.m_pModel->RenderBuffered(state, textures[0], textures[1], textures[2], nullptr);
    }
}
