// CGroundCache: the terrain heights and water marks of map cells for the
// ground queries of the physics and of the objects (heights, triangle
// normals, zones), kept apart from the renderer's near cache.
//
// The near cache holds 200 cells with everything the renderer needs (84 KB
// a cell). Objects that spread over more cells than that made every physics
// probe reload whole cells and took slots the renderer was drawing from. A
// ground record holds only what the ground queries read: the 65 x 65
// heights as the map file has them (edges never bent to far neighbours, so
// the ground does not depend on what the renderer holds) and the water mark
// of every even vertex, about 18 KB. Up to kCells records are kept; beyond
// that the least recently used one is reused (the capacity is a constructor
// argument for tests).
//
// Ownership: the location owns one (CLocation::m_Ground) and fills records
// from its cell stream (CLocation::GetGround). Threads: main thread only.
#pragma once

#include "location/LocationTypes.h"
#include "platform/Memory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct SGroundCell
{
    static constexpr int kMarks = kCellVertices / 2 + 1; // even vertices per side

    float m_fHeights[kCellVertices * kCellVertices];
    // Non-zero where the cell's water covers the quad pair of even vertex
    // (2 i, 2 j): index i * kMarks + j.
    std::uint8_t m_Water[kMarks * kMarks];

    float Height(int row, int column) const { return m_fHeights[row * kCellVertices + column]; }
    // The mark of the even vertex at or before (row, column).
    bool Water(int row, int column) const { return m_Water[(row >> 1) * kMarks + (column >> 1)] != 0; }
};

class CGroundCache
{
public:
    static constexpr int kCells = 1024;

    explicit CGroundCache(int capacity = kCells);
    ~CGroundCache();
    CGroundCache(const CGroundCache&) = delete;
    CGroundCache& operator=(const CGroundCache&) = delete;

    // The record of grid cell (x, y) when it is held (its use stamped), else
    // null. x and y lie inside the 64 x 64 grid.
    const SGroundCell* Find(int x, int y)
    {
        const int cell = y * kCellGridSize + x;
        const SGroundCell* g = m_pCells[cell];
        if (g) m_nUses[cell] = ++m_nClock;
        return g;
    }
    // As Find, without stamping the use (a hint).
    const SGroundCell* Peek(int x, int y) const { return m_pCells[y * kCellGridSize + x]; }
    const SGroundCell* const* Entry(int x, int y) const { return &m_pCells[y * kCellGridSize + x]; }
    // The record of (x, y) to fill: a new one while fewer than the capacity exist,
    // else the least recently used one, taken from its cell. Find answers it
    // for (x, y) only after Commit.
    SGroundCell* Take(int x, int y);
    void Commit();
    // Forgets every cell (a new map); the records stay allocated.
    void Clear();
    int GetCount() const { return m_nRecords; }

private:
    static constexpr int kGrid = kCellGridSize * kCellGridSize;
    // Records are allocated together, as many as fill a 2 MB page (asked
    // for as a large page): the physics reads the heights under objects
    // spread over hundreds of cells, whose records span over a thousand
    // small pages that compete with the objects' own for the processor's
    // address translation caches.
    static constexpr std::size_t kChunkBytes = plat::kLargePageBytes;
    static constexpr int kChunk = int(kChunkBytes / sizeof(SGroundCell));

    struct SFreeChunk
    {
        void operator()(SGroundCell* chunk) const { plat::FreeLargePageBlock(chunk); }
    };
    using ChunkPtr = std::unique_ptr<SGroundCell[], SFreeChunk>;

    SGroundCell* Record(int i) const { return &m_Chunks[std::size_t(i / kChunk)][i % kChunk]; }

    // The held record of each grid cell (null: none) and its use stamp.
    SGroundCell* m_pCells[kGrid];
    std::uint64_t m_nUses[kGrid];
    std::vector<ChunkPtr> m_Chunks;
    std::vector<std::int32_t> m_Owners; // grid cell per record, -1 free
    int m_nCapacity;
    int m_nRecords = 0;
    std::uint64_t m_nClock = 0;
    std::int32_t m_nPending = -1; // the record Take gave, and its cell
    std::int32_t m_nPendingCell = -1;
};
