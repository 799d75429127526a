// CBoundObject: a boundary post (type 23). Posts link to up to three
// neighbouring posts and form a shimmering fence between them that bounces
// gliders back and, for large fences (radius over 200), burns them.
//
// RebuildFence (after the links change, after this post moves, and for its
// neighbours when it moves) builds the fence mesh (nearly transparent at
// the post, opaque at each link's midpoint, up to 8 vertices and 18
// indices) and one ground-plane collision segment per link. The post draws
// its model and queues the fence for the effect pass (pass 0), where it is
// drawn with the boundary texture's 4 x 4 animation. The object list hands
// every collision with a post to OnCollision: a mover within reach of a
// segment is pushed away, mirrored when it flies into the fence.
//
// The glider's own collision reaction on a burning fence is the glider's
// (not here yet): only its damage is applied.
//
// Threads: main thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "world/MMObject.h"

#include <cstdint>

// One straight piece of a fence in the ground plane (z = 0).
struct CBoundSegment
{
    CVector m_vStart;
    CVector m_vEnd;
    CVector m_vDir;    // unit direction from start to end
    CVector m_vNormal; // unit normal in the ground plane
    float m_fLength = 0.0f;

    // The ground-plane offset (z = 0) from the segment's nearest point to p:
    // p is projected into the fence's vertical plane and the result clamped
    // to the segment's ends.
    void GetPushOffset(CVector* out, const CVector& p) const;
};

class CBoundObject : public CMMObject
{
public:
    static constexpr int kMaxLinks = 3;

    static constexpr int kFenceVertices = 8;
    static constexpr int kFenceIndices = 18;

    CBoundObject();

    void Init(const CMatrix* placement, const char* typeName, const char* gameId);
    // Links (or, when already linked, unlinks) other; with both, the same
    // from other's side. Gives both an object number when they have none.
    void Link(CBoundObject* other, bool both);
    bool IsLinked(const CMMObject* other) const;
    // Segments and half-length from the current links.
    void RebuildFence();

    void SetPosition(CVector v) override;
    // The post's model, then the fence queued for the effect pass.
    void Draw() override;
    void DrawEffect(int pass) override;
    // Pushes (and for large fences burns) a mover near the fence.
    bool OnCollision(CMMObject* mover, float dt) override;
    void ProcessDelete(CMMObject* deleted) override;
    void SaveGame(CMemStream& stream) override;
    // The base state, a count (at most 3) and that many object numbers,
    // resolved through the object list (type 23); then the fence.
    void LoadGame(CMemStream& stream) override;

    float m_fModelRadius = 1.0f;
    float m_fBaseRadius = 0.0f; // axis length x model radius
    CGeometryBuffer m_Fence;    // vertex format 578
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
    // The length of the placement's third row: the post's height scale.
    float AxisLength() const;
    bool Unlink(const CMMObject* other);
    void Append(CBoundObject* other);
};
