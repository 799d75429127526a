// CModel: lifetime, work meshes, current mesh, update, drawing, markers.

#include "graphics/Model.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/Model_Internal.h"
#include "graphics/TexShaderManager.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace plat::d3d;

CMatrix g_ModelWorldMatrix(1.0f);

namespace
{
const SMaterial* g_pCurrentMaterial = nullptr;
SMaterial g_CurrentMaterial{};

constexpr float kPi = 3.14159265358979f;

CMatrix Translation(const CVector& t)
{
    CMatrix m(1.0f);
    m.SetTranslation(t);
    return m;
}
} // namespace

// ------------------------------------------------------------ mesh data copies

std::vector<std::uint8_t> CopyMeshVertices(CMesh& mesh)
{
    const std::size_t bytes = std::size_t(mesh.m_nStride) * std::size_t(std::max(0, mesh.m_nVertexCount));
    std::vector<std::uint8_t> out(bytes);
    if (mesh.m_nMemoryType == MESH_MEMORY_HEAP)
    {
        if (mesh.m_pVertices && bytes) std::memcpy(out.data(), mesh.m_pVertices, bytes);
        return out;
    }
    std::uint8_t* data = nullptr;
    if (mesh.m_pVB && Succeeded(mesh.m_pVB->Lock(0, 0, &data, D3DLOCK_READONLY)))
    {
        if (data && bytes) std::memcpy(out.data(), data, bytes);
        mesh.m_pVB->Unlock();
    }
    return out;
}

std::vector<std::uint16_t> CopyMeshIndices(CMesh& mesh)
{
    const std::size_t count = std::size_t(std::max(0, mesh.m_nIndexCount));
    std::vector<std::uint16_t> out(count);
    if (mesh.m_nMemoryType == MESH_MEMORY_HEAP)
    {
        if (mesh.m_pIndices && count) std::memcpy(out.data(), mesh.m_pIndices, count * 2);
        return out;
    }
    std::uint8_t* data = nullptr;
    if (mesh.m_pIB && Succeeded(mesh.m_pIB->Lock(0, 0, &data, D3DLOCK_READONLY)))
    {
        if (data && count) std::memcpy(out.data(), data, count * 2);
        mesh.m_pIB->Unlock();
    }
    return out;
}

void StoreMeshVertices(CMesh& mesh, const std::vector<std::uint8_t>& data)
{
    const std::size_t bytes =
        std::min(data.size(), std::size_t(mesh.m_nStride) * std::size_t(std::max(0, mesh.m_nVertexCount)));
    if (mesh.m_nMemoryType == MESH_MEMORY_HEAP)
    {
        if (mesh.m_pVertices && bytes) std::memcpy(mesh.m_pVertices, data.data(), bytes);
        return;
    }
    std::uint8_t* out = nullptr;
    const std::uint32_t flags = mesh.m_nMemoryType == MESH_MEMORY_DYNAMIC ? D3DLOCK_DISCARD : 0;
    if (mesh.m_pVB && Succeeded(mesh.m_pVB->Lock(0, 0, &out, flags)))
    {
        if (out && bytes) std::memcpy(out, data.data(), bytes);
        mesh.m_pVB->Unlock();
    }
}

void StoreMeshIndices(CMesh& mesh, const std::uint16_t* data, std::size_t count)
{
    count = std::min(count, std::size_t(std::max(0, mesh.m_nIndexCount)));
    if (!data || count == 0) return;
    if (mesh.m_nMemoryType == MESH_MEMORY_HEAP)
    {
        if (mesh.m_pIndices) std::memcpy(mesh.m_pIndices, data, count * 2);
        return;
    }
    std::uint8_t* out = nullptr;
    if (mesh.m_pIB && Succeeded(mesh.m_pIB->Lock(0, 0, &out, 0)))
    {
        if (out) std::memcpy(out, data, count * 2);
        mesh.m_pIB->Unlock();
    }
}

std::uint32_t NormalOffset(std::uint32_t fvf)
{
    switch (fvf & D3DFVF_POSITION_MASK)
    {
    case D3DFVF_XYZ: return 12;
    case D3DFVF_XYZRHW:
    case D3DFVF_XYZB1: return 16;
    case D3DFVF_XYZB2: return 20;
    case D3DFVF_XYZB3: return 24;
    default: return 0;
    }
}

// ------------------------------------------------------------ lifetime

CModel::CModel() = default;

CModel::~CModel()
{
    Free();
}

std::uint32_t CModel::MeshBytes(const CMesh* mesh)
{
    if (!mesh) return 0;
    return mesh->m_nStride * std::uint32_t(std::max(0, mesh->m_nVertexCount)) +
           2 * std::uint32_t(std::max(0, mesh->m_nIndexCount));
}

void CModel::ResetHardwareCache()
{
    // Entry 0 is the base mesh's own buffer; the others are ours.
    for (std::int32_t e = 1; e < m_nHardwareCount; ++e)
    {
        if (m_Hardware[e].m_pIB) m_Hardware[e].m_pIB->Release();
        m_Hardware[e] = SHardwareEntry{};
    }
    if (m_pMesh && m_nHardwareCount > 0 && m_pMesh->m_nDamageEntry != 0)
    {
        m_pMesh->m_pIB = m_Hardware[0].m_pIB;
        m_pMesh->m_nIndexCount = m_Hardware[0].m_nIndexCount;
    }
    m_Hardware[0] = SHardwareEntry{};
    m_nHardwareCount = 0;
    if (!m_pMesh) return;
    m_pMesh->m_nDamageEntry = 0;
    m_Hardware[0].m_pIB = m_pMesh->m_pIB;
    m_Hardware[0].m_nIndexCount = m_pMesh->m_nIndexCount;
    m_nHardwareCount = 1;
}

void CModel::CopyUndamagedIndices()
{
    for (auto& entry : m_Copies) entry = SCopyEntry{};
    m_nCopyCount = 0;
    if (!m_pMesh) return;
    m_Copies[0].m_Indices = CopyMeshIndices(*m_pMesh);
    m_Copies[0].m_nIndexCount = std::int32_t(m_Copies[0].m_Indices.size());
    m_nCopyCount = 1;
}

void CModel::ReleaseBaseMesh()
{
    ResetHardwareCache();
    for (auto& entry : m_Hardware) entry = SHardwareEntry{};
    m_nHardwareCount = 0;
    m_nMeshBytes -= std::min(m_nMeshBytes, MeshBytes(m_pMesh.get()) + MeshBytes(m_pWorkMesh.get()));
    m_pMesh.reset();
    m_pWorkMesh.reset();
    m_pSource.reset();
    m_SortedIndices.clear();
    m_AnimatedVertices.clear();
    m_BaseVertices.clear();
}

void CModel::Free()
{
    ReleaseBaseMesh();
    for (auto& entry : m_Copies) entry = SCopyEntry{};
    m_nCopyCount = 0;
    for (auto& anim : m_Animations) anim = SAnimation{};
    m_nAnimationCount = 0;
    m_bAnimated = false;
    for (auto& damage : m_Damages) damage = SDamageData{};
    m_nDamageCount = 0;
    m_nMeshBytes = 0;
    m_iCurrentOrder = 0;
    std::fill(std::begin(m_fLastState), std::end(m_fLastState), 0.0f);
}

void CModel::MakeWorkMesh()
{
    XTRACE("CModel::MakeWorkMesh");
    if (!m_pMesh) return;
    CMesh& base = *m_pMesh;
    m_BaseVertices = CopyMeshVertices(base);
    m_nMeshBytes -= std::min(m_nMeshBytes, MeshBytes(m_pWorkMesh.get()));
    m_pWorkMesh.reset();
    m_pSource.reset();
    m_AnimatedVertices.clear();
    const std::vector<std::uint16_t> indices = CopyMeshIndices(base);
    if (!m_bShared)
    {
        m_AnimatedVertices = m_BaseVertices;
        const std::uint32_t memory = base.m_nMemoryType == MESH_MEMORY_HEAP ? MESH_MEMORY_HEAP : MESH_MEMORY_DYNAMIC;
        m_pWorkMesh = std::make_unique<CMesh>(memory, base.m_nFVF, base.m_nVertexCount, base.m_nPrimitiveKind,
                                              base.m_nIndexCount);
        StoreMeshVertices(*m_pWorkMesh, m_AnimatedVertices);
        StoreMeshIndices(*m_pWorkMesh, indices.data(), indices.size());
        m_nMeshBytes += MeshBytes(m_pWorkMesh.get());
    }
    else
    {
        m_pSource = std::make_unique<CGeometryBuffer>();
        std::uint16_t* out = m_pSource->Allocate(base.m_nFVF, std::uint32_t(base.m_nVertexCount),
                                                 std::uint32_t(base.m_nIndexCount));
        if (!m_BaseVertices.empty()) std::memcpy(m_pSource->m_pVertices, m_BaseVertices.data(), m_BaseVertices.size());
        if (out && !indices.empty()) std::memcpy(out, indices.data(), indices.size() * 2);
    }
}

CMesh* CModel::GetRenderMesh()
{
    if (!m_pSource || !g_pModelManager) return nullptr;
    return g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iModelsSlot, m_pSource.get());
}

CMesh* CModel::GetCurrentMesh(float* state)
{
    if (!m_pMesh) return nullptr;
    if ((!state || m_nAnimationCount == 0) && !m_bPingPong) return m_pMesh.get();
    float local[4] = {};
    float* s = state ? state : local;
    if (m_bPingPong && m_iPingPongSlot >= 0 && m_iPingPongSlot < kMaxAnimations) s[m_iPingPongSlot] = m_fPingPongValue;
    if (m_nAnimationCount == 0) return m_pMesh.get();
    bool changed = false, animated = false;
    for (int i = 0; i < kMaxAnimations; ++i)
    {
        changed = changed || std::fabs(s[i] - m_fLastState[i]) > 0.001f;
        animated = animated || std::fabs(s[i]) > 0.005f;
    }
    if (!animated) return m_pMesh.get();
    if (changed) return GetAnimatedMesh(s, false);
    if (m_bShared) return GetRenderMesh();
    return m_pWorkMesh ? m_pWorkMesh.get() : m_pMesh.get();
}

// ------------------------------------------------------------ update

std::int32_t CModel::FrameCount(std::int32_t grid)
{
    const std::int32_t count = grid < 256 ? grid * grid : (grid % 256) * (grid / 256);
    return std::max(1, count);
}

void CModel::Update(float dt)
{
    if (m_bPingPong && m_fPingPongPeriod > 0.0f)
    {
        m_fPingPongClock += dt;
        const double t = double(m_fPingPongClock) / double(m_fPingPongPeriod);
        double value = t - 2.0 * std::floor(t / 2.0);
        if (value > 1.0) value = 2.0 - value;
        m_fPingPongValue = float(value);
    }
    m_fRunningTime += dt;
    if (m_iFrameGrid >= 1 && m_fFrameTime > 0.0f)
    {
        if (m_fRunningTime > m_fFrameTime)
        {
            ++m_iCurrentFrame;
            m_fRunningTime -= m_fFrameTime;
        }
        m_iCurrentFrame %= FrameCount(m_iFrameGrid);
    }
}

// ------------------------------------------------------------ drawing

void CModel::Render(CMesh* mesh, CTexture* t0, CTexture* t1, CTexture* t2, CTexture* t3)
{
    XTRACE("CModel::Render");
    Device* device = graph.m_lpDevice;
    if (!mesh || !device) return;
    const STechnique* technique = (g_pTexShaderManager && m_iTechnique >= 0 && m_iTechnique < kTechniqueCount)
                                      ? &g_pTexShaderManager->m_Techniques[m_iTechnique]
                                      : nullptr;
    if (m_iMaterial != -1)
    {
        const bool specular4 = technique && technique->m_bSpecularX4;
        if (!m_bColorOverride && !specular4)
        {
            device->SetMaterial(&m_Material);
            g_CurrentMaterial = m_Material;
        }
        else
        {
            SMaterial copy = m_Material;
            if (m_bColorOverride)
            {
                copy.Ambient.r *= m_fOverrideColor[0];
                copy.Ambient.g *= m_fOverrideColor[1];
                copy.Ambient.b *= m_fOverrideColor[2];
                copy.Ambient.a *= m_fOverrideColor[3];
            }
            if (specular4)
            {
                copy.Specular.r *= 0.25f;
                copy.Specular.g *= 0.25f;
                copy.Specular.b *= 0.25f;
            }
            device->SetMaterial(&copy);
            g_CurrentMaterial = copy;
        }
        g_pCurrentMaterial = &g_CurrentMaterial;
    }

    mesh->m_bFrameAnimation = std::uint32_t(m_iFrameGrid);
    if (m_iFrameGrid < 256)
        mesh->m_nAtlasRows = mesh->m_nAtlasColumns = m_iFrameGrid;
    else
    {
        mesh->m_nAtlasRows = m_iFrameGrid / 256;
        mesh->m_nAtlasColumns = m_iFrameGrid % 256;
    }
    mesh->m_nAtlasFrame = m_iCurrentFrame;

    if (m_iBlend == 1 || m_iBlend == 2)
        device->SetRenderState(D3DRS_VERTEXBLEND, m_iBlend == 1 ? D3DVBF_1WEIGHTS : D3DVBF_2WEIGHTS);
    else if (m_iBlend != 0)
        g_ErrorLog.LogError("CModel::Render m_iBlend value error");

    if (m_iExtraType == 1)
    {
        CMatrix scale(m_fExtraValue);
        device->SetTransform(D3DTS_TEXTURE0 + 1, reinterpret_cast<const SMatrix*>(&scale));
    }
    else if (m_iExtraType != 0)
        g_ErrorLog.LogError("CModel::Render unknown type of additional paramater");

    const bool rotated = m_iRotationAxis != 0;
    if (rotated)
    {
        const float a = 2.0f * kPi * m_fRunningTime * m_fRotationSpeed;
        const float c = std::cos(a), s = std::sin(a);
        CMatrix r(1.0f);
        if (m_iRotationAxis == 1)
            r.m[0][0] = c, r.m[0][2] = -s, r.m[2][0] = s, r.m[2][2] = c;
        else if (m_iRotationAxis == 2)
            r.m[0][0] = c, r.m[0][1] = -s, r.m[1][0] = s, r.m[1][1] = c;
        else if (m_iRotationAxis == 3)
            r.m[1][1] = c, r.m[1][2] = -s, r.m[2][1] = s, r.m[2][2] = c;
        const CMatrix to = Translation(-m_vRotationPivot), back = Translation(m_vRotationPivot);
        CMatrix a1, a2, world;
        MatrixMultiply(&a1, &to, &r);
        MatrixMultiply(&a2, &a1, &back);
        MatrixMultiply(&world, &a2, &g_ModelWorldMatrix);
        device->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&world));
    }

    if (g_pTexShaderManager) g_pTexShaderManager->ApplyStateBlock(m_iTechnique, mesh, t0, t1, t2, t3);

    if (m_iBlend != 0) device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    if (rotated) device->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&g_ModelWorldMatrix));
}

void CModel::RenderState(float* state, CTexture* t0, CTexture* t1, CTexture* t2, CTexture* t3)
{
    if (CMesh* mesh = GetCurrentMesh(state)) Render(mesh, t0, t1, t2, t3);
}

void CModel::RenderBuffered(float* state, CTexture* t0, CTexture* t1, CTexture* t2, CTexture* t3)
{
    if (!m_pMesh) return;
    if (!m_pSource) MakeWorkMesh();
    float local[4] = {};
    float* s = state ? state : local;
    if (m_bPingPong && m_iPingPongSlot >= 0 && m_iPingPongSlot < kMaxAnimations) s[m_iPingPongSlot] = m_fPingPongValue;
    if (CMesh* mesh = GetRenderMesh()) Render(mesh, t0, t1, t2, t3);
}

// ------------------------------------------------------------ geometry changes

void CModel::Transform(const CMatrix& matrix)
{
    if (!m_pMesh) return;
    m_pMesh->Transform(&matrix.m[0][0]);
    for (std::int32_t a = 0; a < m_nAnimationCount; ++a)
        for (SAnimationSet& set : m_Animations[a].m_Sets)
            for (std::size_t k = 0; k + 3 <= set.m_Deltas.size(); k += 3)
            {
                CVector v{set.m_Deltas[k], set.m_Deltas[k + 1], set.m_Deltas[k + 2]}, r;
                VectorTransformNormal(&r, &matrix, &v);
                set.m_Deltas[k] = r.x, set.m_Deltas[k + 1] = r.y, set.m_Deltas[k + 2] = r.z;
            }
    for (std::int32_t d = 0; d < m_nDamageCount; ++d)
        if (m_Damages[d].m_pMesh) m_Damages[d].m_pMesh->Transform(&matrix.m[0][0]);
    MakeWorkMesh();
}

void CModel::SetMesh(CMesh* mesh)
{
    ReleaseBaseMesh();
    m_pMesh.reset(mesh);
    m_nMeshBytes += MeshBytes(mesh);
    ResetHardwareCache();
    if (m_bShared) CopyUndamagedIndices();
    // The deltas belonged to the old vertices: without them the animations
    // move nothing.
    for (SAnimation& anim : m_Animations)
        for (SAnimationSet& set : anim.m_Sets) set = SAnimationSet{};
}

// ------------------------------------------------------------ markers

namespace
{
bool MarkerPositions(CModel* model, float* state, const std::int32_t index[4], CVector out[4])
{
    CMesh* mesh = model ? model->GetCurrentMesh(state) : nullptr;
    if (!mesh) return false;
    const std::vector<std::uint8_t> data = CopyMeshVertices(*mesh);
    for (int k = 0; k < 4; ++k)
    {
        if (index[k] < 0 || index[k] >= mesh->m_nVertexCount || data.empty())
        {
            g_ErrorLog.LogError("GetTransMatrix marker vertex %d out of range", int(index[k]));
            return false;
        }
        std::memcpy(&out[k], data.data() + std::size_t(index[k]) * mesh->m_nStride, 12);
    }
    return true;
}
} // namespace

bool CreateTransData(CModel* model, STransData* out)
{
    if (!out) return false;
    *out = STransData{};
    CMesh* mesh = model ? model->GetCurrentMesh(nullptr) : nullptr;
    if (!mesh || mesh->m_nVertexCount < 9)
    {
        g_ErrorLog.LogError("mesh->m_iNV<9");
        return false;
    }
    const std::vector<std::uint8_t> data = CopyMeshVertices(*mesh);
    struct SPoint
    {
        CVector p;
        std::int32_t first;
        std::int32_t count;
    };
    std::vector<SPoint> points;
    for (std::int32_t v = 0; v < 9; ++v)
    {
        CVector p;
        std::memcpy(&p, data.data() + std::size_t(v) * mesh->m_nStride, 12);
        int nearest = -1;
        float best = 0.0001f;
        for (std::size_t k = 0; k < points.size(); ++k)
        {
            const float d = (points[k].p - p).LengthSq();
            if (d < best) best = d, nearest = int(k);
        }
        if (nearest >= 0)
            ++points[std::size_t(nearest)].count;
        else
            points.push_back(SPoint{p, v, 1});
    }
    if (points.size() != 4) return false;
    int origin = -1;
    for (int k = 0; k < 4; ++k)
        if (points[std::size_t(k)].count == 3) origin = k;
    if (origin < 0) return false;
    int forward = -1, top = -1, right = -1;
    float far = -1.0f;
    for (int k = 0; k < 4; ++k)
    {
        if (k == origin) continue;
        const float d = (points[std::size_t(k)].p - points[std::size_t(origin)].p).LengthSq();
        if (d > far) far = d, forward = k;
    }
    float dz = -1.0f;
    for (int k = 0; k < 4; ++k)
    {
        if (k == origin || k == forward) continue;
        const float z = std::fabs(points[std::size_t(k)].p.z - points[std::size_t(origin)].p.z);
        if (z >= dz) dz = z, top = k;
    }
    for (int k = 0; k < 4; ++k)
        if (k != origin && k != forward && k != top) right = k;
    if (forward < 0) g_ErrorLog.LogError("v.iForward!=NOID");
    if (top < 0) g_ErrorLog.LogError("v.iTop!=NOID");
    if (right < 0) g_ErrorLog.LogError("v.iRight!=NOID");
    if (forward < 0 || top < 0 || right < 0) return false;
    out->iOrigin = points[std::size_t(origin)].first;
    out->iForward = points[std::size_t(forward)].first;
    out->iRight = points[std::size_t(right)].first;
    out->iTop = points[std::size_t(top)].first;
    return true;
}

namespace
{
void FillAxes(CMatrix* out, const CVector& r, const CVector& f, const CVector& t, const CVector& origin)
{
    *out = CMatrix(1.0f);
    out->m[0][0] = -r.x, out->m[0][1] = f.x, out->m[0][2] = t.x;
    out->m[1][0] = -r.y, out->m[1][1] = f.y, out->m[1][2] = t.y;
    out->m[2][0] = -r.z, out->m[2][1] = f.z, out->m[2][2] = t.z;
    out->m[3][0] = origin.x, out->m[3][1] = origin.y, out->m[3][2] = origin.z;
}
} // namespace

void GetTransMatrix(CMatrix* out, CModel* model, std::int32_t origin, std::int32_t forward, std::int32_t right,
                    std::int32_t top, float* state)
{
    if (!out) return;
    *out = CMatrix(1.0f);
    const std::int32_t idx[4] = {origin, forward, right, top};
    CVector p[4];
    if (!MarkerPositions(model, state, idx, p)) return;
    FillAxes(out, Normalize(p[2] - p[0]), Normalize(p[1] - p[0]), Normalize(p[3] - p[0]), p[0]);
}

void GetTransMatrixCentered(CMatrix* out, CModel* model, std::int32_t origin, std::int32_t forward,
                            std::int32_t right, std::int32_t top, float* state)
{
    if (!out) return;
    *out = CMatrix(1.0f);
    const std::int32_t idx[4] = {origin, forward, right, top};
    CVector p[4];
    if (!MarkerPositions(model, state, idx, p)) return;
    const CVector ef = p[1] - p[0], er = p[2] - p[0], et = p[3] - p[0];
    FillAxes(out, Normalize(er), Normalize(ef), Normalize(et), p[0] + (ef + er + et) * 0.5f);
}

void GetTransMatrixNormalized(CMatrix* out, CModel* model, std::int32_t origin, std::int32_t forward,
                              std::int32_t right, std::int32_t top, float* state, float lengths[3])
{
    if (!out) return;
    *out = CMatrix(1.0f);
    const std::int32_t idx[4] = {origin, forward, right, top};
    CVector p[4];
    if (!MarkerPositions(model, state, idx, p)) return;
    const CVector ef = p[1] - p[0], er = p[2] - p[0], et = p[3] - p[0];
    // The right axis is mirrored for a marker of the other handedness, so
    // the three axes always form the same kind of frame.
    CVector cross;
    VectorCross(&cross, &ef, &et);
    const float triple = cross.x * er.x + cross.y * er.y + cross.z * er.z;
    const CVector r = triple >= 0.0f ? Normalize(er) : -Normalize(er);
    FillAxes(out, r, Normalize(ef), Normalize(et), p[0]);
    if (lengths)
    {
        lengths[0] = er.Length();
        lengths[1] = ef.Length();
        lengths[2] = et.Length();
    }
}
