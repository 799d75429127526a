#include "world/BoundObject.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "foundation/Texture.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "world/DynamicObject.h"
#include "world/EffectQueue.h"
#include "world/MMEngine.h"
#include "graphics/ModelManager.h"
#include "world/ObjectList.h"
#include "world/ObjectManager.h"
#include "world/ObjectTypeRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

void CBoundSegment::GetPushOffset(CVector* out, const CVector& p) const
{
    const CVector& n = m_vNormal;
    const float t = (p.x - m_vStart.x) * n.x + (p.y - m_vStart.y) * n.y + (p.z - m_vStart.z) * n.z;
    const CVector projected = p - n * t;
    const float k = (projected.x - m_vStart.x) * m_vDir.x + (projected.y - m_vStart.y) * m_vDir.y;
    CVector nearest = projected;
    if (k < 0.0f)
        nearest = m_vStart;
    else if (k > m_fLength)
        nearest = m_vStart + m_vDir * m_fLength;
    *out = CVector{p.x - nearest.x, p.y - nearest.y, 0.0f};
}

using namespace plat::d3d;

namespace
{
bool IsPlayerGliderObject(const CMMObject* o)
{
    return g_pPlayerGlider.Object() && o == g_pPlayerGlider.Object();
}
} // namespace

CBoundObject::CBoundObject()
{
    m_nType = OBJ_BOUND;
    m_bShown = 1;
    m_bCollidable = 1;
    m_bSphereCollider = 0;
    m_bPhysics = 0;
    m_bMoving = 0;
    m_bPreDrawVisible = 0;
    m_bOwnCollision = 1;
    // Neighbours must hear of a post's deletion, or they would keep a
    // dangling link.
    m_bDeleteNotify = 1;
}

void CBoundObject::Init(const CMatrix* placement, const char* typeName, const char* gameId)
{
    SetMatrix(*placement);
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", typeName ? typeName : "");
    if (gameId) std::snprintf(m_szGameId, sizeof m_szGameId, "%s", gameId);
    const std::int32_t index = g_BoundaryManager.FindName(m_TypeRef);
    m_pType = index >= 0 ? static_cast<const SObjectTypeHeader*>(g_BoundaryManager.GetType(index)) : nullptr;
    m_fModelRadius = 1.0f;
    const std::int32_t model = GetModelId();
    if (model >= 0 && g_pModelManager)
    {
        const SModelRecord* record = g_pModelManager->GetRecord(model);
        if (record && record->m_fRadius > 0.0f) m_fModelRadius = record->m_fRadius;
    }
    m_fBaseRadius = m_fRadius = AxisLength() * m_fModelRadius;
    m_bLargeFence = m_fRadius > 200.0f;
    m_nLinks = 0;
    m_nSegments = 0;
    if (!m_Fence.m_pVertices) m_Fence.Allocate(578, kFenceVertices, kFenceIndices);
    m_Fence.m_nVertexCount = m_Fence.m_nIndexCount = 0;
    m_bMoving = m_pType && m_pType->GetAlphaModelId() != -1;
}

float CBoundObject::AxisLength() const
{
    const auto& r = m_Frame.m_Matrix.m[2];
    return std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
}

bool CBoundObject::IsLinked(const CMMObject* other) const
{
    return std::find(m_Links, m_Links + m_nLinks, other) != m_Links + m_nLinks;
}

bool CBoundObject::Unlink(const CMMObject* other)
{
    CBoundObject** end = m_Links + m_nLinks;
    CBoundObject** at = std::find(m_Links, end, other);
    if (at == end) return false;
    std::copy(at + 1, end, at);
    m_Links[--m_nLinks] = nullptr;
    return true;
}

void CBoundObject::Append(CBoundObject* other)
{
    if (m_nLinks < kMaxLinks) m_Links[m_nLinks++] = other;
}

void CBoundObject::Link(CBoundObject* other, bool both)
{
    if (!other || other == this) return;
    for (CBoundObject* post : {this, other})
        if (post->m_nObjectNumber == -1) post->m_nObjectNumber = ++g_ObjectList.m_nLastObjectNumber;
    if (!Unlink(other) && m_nLinks < kMaxLinks && (!both || other->m_nLinks < kMaxLinks)) Append(other);
    if (both)
    {
        // Mirrors this side: other links back only when this one linked.
        if (!other->Unlink(this) && IsLinked(other)) other->Append(this);
        other->RebuildFence();
    }
    RebuildFence();
}

namespace
{
struct SFenceVertex
{
    float x, y, z;
    std::uint32_t color;
    float u, v, u2, v2;
};
static_assert(sizeof(SFenceVertex) == 32);
} // namespace

void CBoundObject::RebuildFence()
{
    m_nSegments = 0;
    m_fHalfLength = 0.0f;
    m_Fence.m_nVertexCount = m_Fence.m_nIndexCount = 0;
    const CVector p = GetPosition();
    auto* vertices = reinterpret_cast<SFenceVertex*>(m_Fence.m_pVertices);
    const float h = AxisLength() * m_fModelRadius;
    if (vertices && m_nLinks > 0)
    {
        vertices[0] = SFenceVertex{p.x, p.y, p.z - m_fModelRadius, 0x10FFFFFFu, 0, 0, 0, 0};
        vertices[1] = SFenceVertex{p.x, p.y, p.z + h, 0x10FFFFFFu, 0, 0.1f * h * 0.3f, 0, 0};
    }
    for (int k = 0; k < m_nLinks; ++k)
    {
        const CVector q = m_Links[k]->GetPosition();
        const CVector mid = (p + q) * 0.5f;
        const float half = (mid - p).Length();
        m_fHalfLength = std::max(m_fHalfLength, half);
        if (vertices)
        {
            const float linked = m_Links[k]->AxisLength() * m_fModelRadius;
            const float u = float(int(0.1f * half)) * 0.3f;
            vertices[2 * k + 2] = SFenceVertex{mid.x, mid.y, mid.z - m_fModelRadius, 0xFFFFFFFFu, u, 0, 0, 0};
            vertices[2 * k + 3] = SFenceVertex{mid.x, mid.y, mid.z + (linked + h) * 0.5f, 0xFFFFFFFFu, u,
                                               (linked + h) * 0.1f * 0.15f, 0, 0};
            const std::uint16_t a = std::uint16_t(2 * k + 2), b = std::uint16_t(2 * k + 3);
            const std::uint16_t triangles[6] = {0, 1, a, a, 1, b};
            std::copy(std::begin(triangles), std::end(triangles), m_Fence.m_pIndices + 6 * k);
        }
        CBoundSegment& s = m_Segments[m_nSegments++];
        s.m_vStart = CVector{p.x, p.y, 0.0f};
        s.m_vEnd = CVector{mid.x, mid.y, 0.0f};
        s.m_fLength = (s.m_vEnd - s.m_vStart).Length();
        s.m_vDir = Normalize(s.m_vEnd - s.m_vStart);
        s.m_vNormal = CVector{-s.m_vDir.y, s.m_vDir.x, 0.0f};
    }
    if (vertices && m_nLinks > 0)
    {
        m_Fence.m_nVertexCount = std::uint32_t(2 * m_nLinks + 2);
        m_Fence.m_nIndexCount = std::uint32_t(6 * m_nLinks);
    }
    // The fence widens the post's reach; rebuilt from the post's own
    // radius so that repeated rebuilds do not keep growing it.
    m_fRadius = m_fBaseRadius + m_fHalfLength;
}

void CBoundObject::Draw()
{
    XTRACE("CBoundObject::Draw");
    CMMObject::Draw();
    if (m_Fence.m_nIndexCount) QueueEffect(this, 0);
}

void CBoundObject::DrawEffect(int)
{
    Device* d = graph.m_lpDevice;
    if (!d || !g_pModelManager || !g_pTexShaderManager || !g_pTextureManager || !m_Fence.m_nIndexCount) return;
    const std::int32_t id = g_MMEngine.m_nResourceIds[CMMEngine::kBoundaryTexture];
    CTexture* texture = id >= 0 ? g_pTextureManager->GetTexture(id) : nullptr;
    if (!texture) return;
    const CMatrix identity(1.0f);
    d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&identity));
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iEffectSlot, &m_Fence);
    if (!mesh) return;
    MakeAtlasFrameMatrix(4, 4, int(g_GameTime * 16.0) % 16);
    g_pTexShaderManager->ApplyStateBlock(SHADER_ALPHA_VCOLOR_NOLIGHT, mesh, texture);
    DisableTextureTransform();
}

bool CBoundObject::OnCollision(CMMObject* mover, float dt)
{
    if (!mover || !mover->m_bPhysics) return false;
    // Only the burn may change more than the mover's velocity.
    bool burned = false;
    CVector& v = static_cast<CDynamicObject*>(mover)->m_vVelocity;
    for (int k = 0; k < m_nSegments; ++k)
    {
        CVector d;
        m_Segments[k].GetPushOffset(&d, mover->GetPosition());
        const float r = d.Length();
        const float reach = v.Length() * dt + (m_bLargeFence ? 50.0f : 25.0f);
        if (!(r > 0.1f && r < reach)) continue;
        const CVector n = d * (1.0f / r);
        const float strength = r < reach * 0.5f ? 1.0f : 2.0f * (reach - r) / reach;
        if (m_bLargeFence && mover->m_nType == OBJ_GLIDER)
        {
            const float burn = IsPlayerGliderObject(mover) ? 1000000.0f : 10000.0f;
            mover->Damage(burn * dt / (r * r), mover->GetPosition(), 0, this, 0, 0);
            burned = true;
        }
        const float into = Dot(v, n);
        if (into < 0.0f) v = v - n * (2.0f * into);
        v = v + n * (strength * dt * (m_bLargeFence ? 1000.0f : 300.0f));
    }
    return burned;
}

void CBoundObject::SetPosition(CVector v)
{
    CMMObject::SetPosition(v);
    RebuildFence();
    for (int k = 0; k < m_nLinks; ++k)
        m_Links[k]->RebuildFence();
}

void CBoundObject::ProcessDelete(CMMObject* deleted)
{
    if (Unlink(deleted)) RebuildFence();
}

void CBoundObject::SaveGame(CMemStream& stream)
{
    CMMObject::SaveGame(stream);
    const std::uint32_t n = std::uint32_t(m_nLinks);
    stream.Write(&n, 4);
    for (int k = 0; k < m_nLinks; ++k)
    {
        const std::uint32_t number = std::uint32_t(m_Links[k]->m_nObjectNumber);
        stream.Write(&number, 4);
    }
}

void CBoundObject::LoadGame(CMemStream& stream)
{
    CMMObject::LoadGame(stream);
    std::uint32_t n = 0;
    ReadStreamBytes(stream, &n, 4, "boundary link count");
    // A post has room for three links; a larger count is a damaged record.
    if (n > std::uint32_t(kMaxLinks))
        throw CObjectStreamError("boundary link count " + std::to_string(n) + " above 3");
    std::int32_t numbers[kMaxLinks];
    ReadStreamBytes(stream, numbers, n * 4, "boundary links");
    m_nLinks = 0;
    for (std::uint32_t k = 0; k < n; ++k)
    {
        CMMObject* o = g_ObjectList.FindByNumberAndType(numbers[k], OBJ_BOUND);
        if (o && o != this) Append(static_cast<CBoundObject*>(o));
    }
    RebuildFence();
}
