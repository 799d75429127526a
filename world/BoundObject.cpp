#include "world/BoundObject.h"

#include "foundation/MemStream.h"
#include "graphics/ModelManager.h"
#include "world/ObjectList.h"
#include "world/ObjectManager.h"
#include "world/ObjectTypeRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

CBoundObject::CBoundObject()
{
    m_nType = OBJ_BOUND;
    m_bShown = 1;
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
    const auto& r = placement->m[2];
    m_fRadius = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) * m_fModelRadius;
    m_bLargeFence = m_fRadius > 200.0f;
    m_nLinks = 0;
    m_nSegments = 0;
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

void CBoundObject::RebuildFence()
{
    m_nSegments = 0;
    m_fHalfLength = 0.0f;
    const CVector p = GetPosition();
    for (int k = 0; k < m_nLinks; ++k)
    {
        const CVector q = m_Links[k]->GetPosition();
        const CVector mid = (p + q) * 0.5f;
        m_fHalfLength = std::max(m_fHalfLength, (mid - p).Length());
        CBoundSegment& s = m_Segments[m_nSegments++];
        s.m_vStart = CVector{p.x, p.y, 0.0f};
        s.m_vEnd = CVector{mid.x, mid.y, 0.0f};
        s.m_fLength = (s.m_vEnd - s.m_vStart).Length();
        s.m_vDir = Normalize(s.m_vEnd - s.m_vStart);
        s.m_vNormal = CVector{-s.m_vDir.y, s.m_vDir.x, 0.0f};
    }
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
