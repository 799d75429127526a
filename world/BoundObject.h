// CBoundObject: a boundary post (type 23). Posts link to up to three
// neighbouring posts; the fence between them bounces gliders back.
//
// What is here: initialisation, the links (Link, IsLinked, dropping a
// deleted neighbour), the link numbers the boundary loader resolves, the
// saved state, and the fence's ground segments and half-length that
// RebuildFence derives from the links. The fence mesh, its drawing and the
// collision response come with the boundary kind.
//
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

#include <cstdint>

struct CBoundSegment
{
    CVector m_vStart;
    CVector m_vEnd;
    CVector m_vDir;
    CVector m_vNormal;
    float m_fLength = 0.0f;
};

class CBoundObject : public CMMObject
{
public:
    static constexpr int kMaxLinks = 3;

    CBoundObject();

    void Init(const CMatrix* placement, const char* typeName, const char* gameId);
    // Links (or, when already linked, unlinks) other; with both, the same
    // from other's side. Gives both an object number when they have none.
    void Link(CBoundObject* other, bool both);
    bool IsLinked(const CMMObject* other) const;
    // Segments and half-length from the current links.
    void RebuildFence();

    void SetPosition(CVector v) override;
    void ProcessDelete(CMMObject* deleted) override;
    void SaveGame(CMemStream& stream) override;
    // The base state, a count (at most 3) and that many object numbers,
    // resolved through the object list (type 23); then the fence.
    void LoadGame(CMemStream& stream) override;

    float m_fModelRadius = 1.0f;
    float m_fHalfLength = 0.0f;
    std::uint8_t m_bLargeFence = 0;
    CBoundObject* m_Links[kMaxLinks] = {};
    std::int32_t m_nLinks = 0;
    CBoundSegment m_Segments[kMaxLinks];
    std::int32_t m_nSegments = 0;
    // Object numbers from the objects file, resolved by the boundary loader.
    std::int32_t m_LinkNumbers[kMaxLinks] = {};
    std::int32_t m_nLinkNumbers = 0;

private:
    bool Unlink(const CMMObject* other);
    void Append(CBoundObject* other);
};
