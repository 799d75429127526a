// The scenery kinds without a model instance: helper marks (type 7), road
// nodes with their bands (type 8) and map covers, decals laid on the
// terrain (type 12).
//
// A road node draws its model and one flat untextured band, 10 units wide,
// to every road object of its link list (filled by the road manager, one
// band per pair of linked nodes). A map cover takes the terrain triangles
// under it once (rebuilt after a move) and draws them with its texture,
// lit or, when glowing, unlit with a pulsing alpha.
//
// Ownership: a road node owns its link list (not the linked objects: they
// are objects of the same list and tell it when they go), a map cover its
// patch buffer. Threads: main thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "world/MMObject.h"

#include <vector>

struct SMapCoverType;

class CHelperObject : public CMMObject
{
public:
    CHelperObject();
    // Placement, type by name from the helper manager, radius.
    void Init(const CMatrix& placement, const char* typeName);
};

class CRoadObject : public CMMObject
{
public:
    static constexpr float kBandWidth = 10.0f;

    CRoadObject();
    // Placement, type by name from the road manager (an unknown name takes
    // type 0), radius.
    void Init(const CMatrix& placement, const char* typeName);
    void Draw() override;
    // A linked node that goes leaves the link list.
    void ProcessDelete(CMMObject* deleted) override;

    // The world transform of the band from p to q (this node's radius r):
    // a 1 x 1 quad scaled to the horizontal length and the band's width,
    // pitched and turned along p-q, at the midpoint raised by r.
    static CMatrix BandMatrix(const CVector& p, const CVector& q, float r);

    std::vector<CRoadObject*> m_Links;
};

class CMapCoverObject : public CMMObject
{
public:
    static constexpr std::uint32_t kPatchVertices = 2000;
    static constexpr std::uint32_t kPatchIndices = 6000;

    CMapCoverObject();
    // Placement, type by name from the map cover manager, radius (20 x the
    // axis length, at most 150), texture matrix, patch buffer.
    void Init(const CMatrix& placement, const char* typeName);
    void SetPosition(CVector v) override;
    void Draw() override;

    // 20 x axis length, at most 150.
    static float CoverRadius(float axisLength);
    // The alpha of a glowing cover: 1 without a period, else pulsing
    // within 0.5..1 out of phase by the object number.
    static float GlowAlpha(std::uint32_t objectNumber, double clock, float period);

    const SMapCoverType* m_pCoverType = nullptr;
    std::int32_t m_nTexture = -1;
    std::uint8_t m_bPatchBuilt = 0;
    CMatrix m_TextureMatrix{1.0f};
    CGeometryBuffer m_Patch;
};

// The radius of scenery from its placement's scale and the model's bounding
// radius (1 when the model is unknown).
float SceneryRadius(const CMatrix& placement, std::int32_t modelId);
// The colour word of every vertex of a ground patch (the terrain leaves it
// to the caller).
void SetPatchColour(CGeometryBuffer& patch, std::uint32_t colour);
