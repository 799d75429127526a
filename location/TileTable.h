// The triangulation table of a 2 x 2-quad tile (3 x 3 vertices numbered
// 0 1 2 / 3 4 5 / 6 7 8). A tile's code is the 5-bit mask of its dropped
// non-corner vertices: 1 top middle (1), 2 middle left (3), 4 centre (4),
// 8 middle right (5), 16 bottom middle (7). The corners always stay; the
// centre stays unless all five are dropped, so codes 0-30 with bit 2 equal
// those without. Code 31 keeps the corners with the diagonal 2-6; entry 32
// is the same with the diagonal 0-8, used on tiles whose column + row is
// even so that corner-only tiles alternate like a chessboard.
//
// Each entry: the kept vertices in ascending order, a triangle list and a
// strip (repeated indices where it turns), both as positions in the kept
// list; every list ends with -1. Constant data; any thread.
#pragma once

#include <cstdint>

struct STileEntry
{
    std::int8_t kept[10];
    std::int8_t triangles[26];
    std::int8_t strip[26];
};

inline constexpr int kTileEntries = 33;

// Entry 0..32.
const STileEntry& GetTileEntry(int entry);
// The entry for a tile's code, with code 31 on an even tile becoming 32.
inline int TileEntryFor(int code, bool evenTile)
{
    return code == 31 && evenTile ? 32 : code;
}
