// The records of the terrain cell grid and its caches: the grid cell
// (MapCell), the near and far cache slots with the near slot's four blocks
// (MapQuad), the cache-mesh and device pool slots and the detail slots.
//
// All of them live in arrays that CLocation allocates once (the grid with
// the location, the rest at CLocation::Init) and reuses in least-recently-
// used order; nothing here allocates per cell load. Links are two-way: a
// cell points at its slots and a slot names its cell; a mesh slot keeps the
// address of its owner's pointer to it, so taking the slot away clears that
// pointer. Main thread only.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "foundation/Vector.h"
#include "graphics/Mesh.h"
#include "location/MapFormat.h"
#include "world/LinkedList.h"
#include "world/ObjectScene.h"

#include <cstdint>
#include <memory>

struct SNearSlot;
struct SFarSlot;
struct SDeviceSlot;
struct SDetailSlot;

// One land-type run of a pool mesh: one draw.
struct SMeshSubset
{
    std::int32_t firstVertex;
    std::int32_t vertexCount;
    std::int32_t firstIndex;
    std::int32_t indexCount;
    std::int32_t landType; // -1 default texture, -2 ends the list
};
static_assert(sizeof(SMeshSubset) == 20);

// A cache-mesh pool slot: system-memory geometry a level-of-detail or water
// builder writes into.
struct SMeshSlot
{
    static constexpr int kSubsets = 16;

    CGeometryBuffer m_Geometry;
    std::int32_t m_nVertexCount = 0;
    std::int32_t m_nIndexCount = 0;
    float m_fLastUse = 0.0f;
    std::uint8_t m_bUsed = 0;
    std::int32_t m_nCellX = 0;
    std::int32_t m_nCellY = 0;
    std::int32_t m_nBlock = 0;
    std::int32_t m_nPool = 0;
    SDeviceSlot* m_pDevice = nullptr; // the device slot showing it, or null
    SMeshSlot** m_ppOwner = nullptr;  // the owner's pointer to this slot
    SMeshSubset m_Subsets[kSubsets] = {};
};

// A device pool slot: a device mesh a pool mesh is copied into for drawing.
struct SDeviceSlot
{
    SDeviceSlot();
    std::uint8_t m_bDrawn = 0; // in use this frame
    std::uint8_t m_bTaken = 0;
    CMesh m_Mesh;
};

// One detail object (a small model strewn over the near ground).
struct SDetailObject
{
    std::int32_t kind = 0;     // fade class 0, 1 or 2
    std::int32_t model = -1;   // model id
    float scale = 1.0f;
    float sine = 0.0f, cosine = 1.0f; // rotation about z
    CVector position;          // world units, z on the ground
    float radius = 0.0f;       // scale x the model's radius
    std::uint8_t onWater = 0;  // the ground under it is flagged water
    std::uint8_t tinted = 0;   // drawn with the terrain's colour
    std::uint32_t color = 0;   // terrain light colour at the spot, 0xRRGGBB
};

// A detail slot: the detail objects of one block (filled by the detail
// object builder). The object arrays are allocated when the slot is first
// taken and reused after; a block that loses its slot keeps its generator
// state and is regenerated identically.
struct SDetailSlot
{
    static constexpr int kMaxObjects = 8000;

    std::uint8_t m_bUsed = 0;
    float m_fTime = 0.0f;
    SDetailSlot** m_ppOwner = nullptr;       // the block's link to this slot
    std::uint8_t* m_pOwnerGenerated = nullptr; // the block's generated flag
    std::int32_t m_nCount = 0;
    std::unique_ptr<SDetailObject[]> m_pObjects;
    std::unique_ptr<std::uint16_t[]> m_pOrder; // by radius, ascending
};

// One 32 x 32-quad block of a near cell.
struct MapQuad
{
    // Gives the block's meshes back to their pools (see the .cpp); with
    // onlyIfUnused, a block whose stamp lies within maxAge seconds of the
    // game clock keeps them.
    void Release(bool onlyIfUnused, float maxAge);
    // Appends the tiles (2 x 2 quads) of [x0, x1) x [y0, y1) of this block
    // (block quad coordinates 0..32) to out as an unshared triangle list with
    // two identical texture pairs ((x - uOrigin) / scale, (y - vOrigin) /
    // scale); stops when out has 9 or fewer free vertices or 24 or fewer
    // free indices. out's FVF must hold a position and two texture pairs.
    void AppendTiles(CGeometryBuffer* out, int x0, int y0, int x1, int y1, float uOrigin, float vOrigin,
                     float scale) const;
    // Adds the block's detail objects that are in range and in view to the
    // location's detail-object list, generating them first when the block
    // has none (location/DetailObjects.cpp).
    void RenderDetails(class CLocation& location);

    std::uint8_t m_bVisible = 0;
    std::uint8_t m_bRandomCaptured = 0;
    float m_fRandomLast = 0.0f;
    std::uint32_t m_uRandomState = 0;
    std::int32_t m_nReserved = 0;
    std::int32_t m_nLevel = 0;
    CVector m_vMin, m_vMax;
    CVector m_vCenter;
    float m_fRadius = 0.0f;
    SNearSlot* m_pOwner = nullptr;
    SMeshSlot* m_pMesh[3] = {};
    std::int32_t m_nSector[3] = {-1, -1, -1};
    SMeshSlot* m_pWater = nullptr;
    std::int32_t m_nBlock = 0;
    float m_fReleaseStamp = 0.0f;
    std::uint8_t m_bDetail = 0; // detail objects generated
    SDetailSlot* m_pDetail = nullptr;
};

// A near cache slot: every vertex of one cell.
struct SNearSlot
{
    // Releases the four blocks with the same arguments, sets the block count
    // to 0 and stamps the slot with the game clock.
    void Release(bool onlyIfUnused, float maxAge);

    std::uint8_t m_bUsed = 0;
    std::uint8_t m_bVisible = 0;
    float m_fLastUse = 0.0f; // game clock
    float m_fReleaseStamp = 0.0f;
    std::int32_t m_nCellX = 0, m_nCellY = 0;
    CVector m_vMin, m_vMax;
    CVector m_vCenter;
    float m_fRadius = 0.0f;
    SNearVertex m_Vertices[kCellVertices * kCellVertices];
    std::int32_t m_nBlocksPerSide = 0;
    MapQuad m_Quads[4];
    // Left (x - 1), top (y - 1), right (x + 1), bottom (y + 1): set while
    // that edge is bent to a far neighbour.
    std::uint8_t m_bBorder[4] = {};
    // Heights of the odd vertices 1, 3, ..., 63 of column 0, row 0, column
    // 64 and row 64 as read from the file.
    float m_fEdgeHeights[4][32] = {};

    // The heights of m_Vertices again, packed four bytes a vertex: the
    // height and normal queries (every physics probe) read a cell's heights
    // at random places, and from the 20-byte records they would pull five
    // times the memory through the caches. Always equal to the records'
    // heights: write a height only through SetHeight.
    float m_fHeights[kCellVertices * kCellVertices] = {};

    SNearVertex& At(int row, int column) { return m_Vertices[row * kCellVertices + column]; }
    const SNearVertex& At(int row, int column) const { return m_Vertices[row * kCellVertices + column]; }
    float Height(int row, int column) const { return m_fHeights[row * kCellVertices + column]; }
    void SetHeight(int row, int column, float height)
    {
        m_Vertices[row * kCellVertices + column].height = height;
        m_fHeights[row * kCellVertices + column] = height;
    }
};

// A far cache slot: every second vertex of one cell.
struct SFarSlot
{
    std::uint8_t m_bUsed = 0;
    CVector m_vMin, m_vMax;
    CVector m_vCenter;
    float m_fRadius = 0.0f;
    float m_fLastUse = 0.0f;
    float m_fReleaseStamp = 0.0f;
    std::int32_t m_nCellX = 0, m_nCellY = 0;
    std::int32_t m_nSector = -1;
    SMeshSlot* m_pMesh = nullptr;  // pool 3
    SMeshSlot* m_pWater = nullptr; // pool 4
    SFarVertex m_Vertices[kFarVertices * kFarVertices];

    SFarVertex& At(int row, int column) { return m_Vertices[row * kFarVertices + column]; }
    const SFarVertex& At(int row, int column) const { return m_Vertices[row * kFarVertices + column]; }
};

// A water record as the location keeps it: the file's 228 bytes and the
// run-time reflection index.
struct SWaterEntry
{
    SWaterRecord record;
    std::int32_t reflection = -1;

    std::int32_t GetTextureId() const;
    std::int32_t GetTexture2Id() const;
};
static_assert(sizeof(SWaterEntry) == 232);

inline constexpr int kLevelNear = 0;
inline constexpr int kLevelFar = 4;

// One position of the 64 x 64 grid.
struct MapCell
{
    MapCell();
    ~MapCell();
    MapCell(const MapCell&) = delete;
    MapCell& operator=(const MapCell&) = delete;

    std::uint32_t m_nOffset = 0;
    SNearSlot* m_pNear = nullptr;
    SFarSlot* m_pFar = nullptr;
    float m_fFactors[5] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    SWaterEntry* m_pWater = nullptr;
    CVector m_vMin, m_vMax;
    CVector m_vCenter;
    float m_fRadius = 0.0f;
    std::int32_t m_nLevel = kLevelNear;
    std::int32_t m_nPrevLevel = kLevelNear;
    CLinkedList<CMMObject> m_Objects; // objects registered in this cell; never owned
    std::uint8_t m_bFlag = 1;
    std::uint32_t m_uWord = 0;
};
