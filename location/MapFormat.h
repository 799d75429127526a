// On-disk records of a location map file ("Data\Locs\*"). All numbers are
// little-endian; the records are read in place.
//
//   offset                  size              field
//   0                       304               SMapHeader
//   304                     per section       SMapSectionHeader (12) + body, as many as the header counts
//   after the sections      76 x cells        SCellTableEntry, row by row (y outer, x inner)
//   anywhere                per cell          cell data block at the table entry's absolute offset
//
// Cells: cellsX = ((width - 2) >> 6) + 1 across, cellsY likewise down; a cell
// spans 64 x 64 quads, 65 x 65 vertices, neighbours share their edge
// vertices. The last column (row) of a map whose width (height) is not
// 64 n + 1 is short: cw = width - 64 x vertices (ch likewise).
//
// Cell data block (hw = (cw + 2) >> 1, hh = (ch + 2) >> 1):
//   u32 water-record index, 0xFFFFFFFF for none
//   far block:  4 layers of hw x hh u32, row by row (every second vertex)
//   near block: 5 layers of cw x ch u32, row by row
// Layer k of a vertex is word k of its SFarVertex / SNearVertex.
//
// Section types: 1 water records (body = n x 228 bytes), 2 environment
// (CEnvironment::Load reads the body), any other is skipped.
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "map records are read in place");

#pragma pack(push, 1)

struct SMapHeader
{
    std::uint32_t unused;      //   0: not read
    char16_t name[64];         //   4: location name, UTF-16, NUL-terminated
    std::int32_t width;        // 132: height grid width in vertices
    std::int32_t height;       // 136: height grid height in vertices
    std::int32_t sectionCount; // 140: sections that follow
    char horizonModel[160];    // 144: horizon model name, NUL-terminated
};
static_assert(sizeof(SMapHeader) == 304);

struct SMapSectionHeader
{
    std::uint32_t type;   // 0: 1 water, 2 environment, other skipped
    std::uint32_t unused; // 4: not read
    std::uint32_t size;   // 8: body bytes (this header excluded)
};
static_assert(sizeof(SMapSectionHeader) == 12);

// One water record. The two texture names become texture ids after
// loading: their first four bytes hold the id (-1 when unknown).
struct SWaterRecord
{
    std::uint32_t color;      //   0: 0xRRGGBB (high byte not read)
    float waveLength;         //   4: phase = (grid x + grid y) / wave length
    float waveFrequency;      //   8: radians per second
    float waveAmplitude;      //  12: world units, 0 = flat
    float fadeFactor;         //  16: opacity growth with depth
    float level;              //  20: world z of the surface
    char texture[32];         //  24: base texture name -> id
    std::int32_t frameCount;  //  56: 0 = no animation
    float framePeriod;        //  60: seconds
    float materialPower;      //  64
    std::int32_t surfaceKind; //  68: 0, 1 or 2
    std::uint8_t unused[60];  //  72: not read
    char texture2[96];        // 132: second texture name -> id
};
static_assert(sizeof(SWaterRecord) == 228);

struct SCellTableEntry
{
    std::uint32_t offset;    //  0: absolute file offset of the cell's data block
    float min[3];            //  4: lower corner of the bounding box
    float max[3];            // 16: upper corner
    std::uint8_t unused[48]; // 28: not read
};
static_assert(sizeof(SCellTableEntry) == 76);

// Near vertex: the five layer words of one vertex.
struct SNearVertex
{
    float height;           //  0: world z
    std::uint8_t dropMask;  //  4: bit 0/1/2 = left out of level-1/2/3 meshes
    std::uint8_t water;     //  5: non-zero under the cell's water surface
    std::uint16_t landType; //  6: land-type id
    std::uint32_t light;    //  8: 0xRRGGBB
    std::uint32_t shadow;   // 12: packed light fields (environment shadow masks)
    std::uint32_t normal;   // 16: i16 x low, i16 y high, / 32766
};
static_assert(sizeof(SNearVertex) == 20);

// Far vertex: the four layer words of every second vertex.
struct SFarVertex
{
    std::int16_t height;  //  0: whole world units
    std::uint8_t flags;   //  2: bit 3 = left out of the far mesh, others carried
    std::uint8_t water;   //  3: as the near water flag
    std::uint32_t light;  //  4: 0xRRGGBB
    std::uint32_t normal; //  8: packed as the near normal
    std::uint32_t shadow; // 12: as the near shadow texel
};
static_assert(sizeof(SFarVertex) == 16);

#pragma pack(pop)

inline constexpr std::uint32_t kMapSectionWater = 1;
inline constexpr std::uint32_t kMapSectionEnvironment = 2;
inline constexpr std::uint32_t kNoWater = 0xFFFFFFFFu;
inline constexpr int kCellQuads = 64;    // quads per cell side
inline constexpr int kCellVertices = 65; // near vertices per cell side
inline constexpr int kFarVertices = 33;  // far vertices per cell side

// Vertices of cell column x (row y) of a grid of n vertices: 65 except on a
// short last column of a map that is not 64 n + 1.
constexpr int CellVertexCount(int gridVertices, int cell)
{
    const int left = gridVertices - cell * kCellQuads;
    return left < kCellVertices ? left : kCellVertices;
}
constexpr int FarVertexCount(int cellVertices)
{
    return (cellVertices + 2) >> 1;
}
// Bytes of a cell's data block.
constexpr std::uint64_t CellBlockSize(int cw, int ch)
{
    return 4 + std::uint64_t(FarVertexCount(cw)) * FarVertexCount(ch) * 16 + std::uint64_t(cw) * ch * 20;
}
