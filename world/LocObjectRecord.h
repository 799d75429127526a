// The records of a location's objects file that the object-kind managers
// read, and their writers (the tools and the tests write objects files with
// these).
//
// Location object record (128 bytes, little-endian):
//   offset size field
//        0   64 placement matrix, 16 x f32, row-major, translation in row 3
//       64   32 type name: a record of the kind's database section
//       96   32 game id: the object's name (upper-cased, ASCII letters only,
//               when loaded)
//
// Location object block (after the section's 4-byte type code, which the
// world engine reads):
//        0    4 not read by the loaders (written as 0)
//        4    4 n, number of records (i32)
//        8  128n the records
//
// Boundary block (type 23): the same header, then per entry a record, an
// i32 count k and k i32 object numbers: the boundary's own number, then
// the numbers of the (at most 3) boundaries it links to.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <vector>

class CMemStream;

#pragma pack(push, 1)
struct SLocObjectRecord
{
    float matrix[16];
    char typeName[32];
    char gameId[32];
};

struct SLocObjectBlockHeader
{
    std::uint32_t unused;
    std::int32_t count;
};
#pragma pack(pop)
static_assert(sizeof(SLocObjectRecord) == 128);
static_assert(sizeof(SLocObjectBlockHeader) == 8);

constexpr int kMaxBoundaryLinks = 3;

// Whether a record's placement can stand in the world: every matrix value a
// number and the position within kMaxRecordCoordinate of the origin (the
// cell grid spans 40,960 units). A damaged file's other values would reach
// the float-to-int cell arithmetic of the object list and the terrain.
inline constexpr float kMaxRecordCoordinate = 1.0e7f;
bool IsRecordPlacementUsable(const SLocObjectRecord& record);
SLocObjectRecord MakeLocObjectRecord(const CMatrix& placement, const char* typeName, const char* gameId);
CMatrix GetRecordMatrix(const SLocObjectRecord& record);

// A boundary entry as the file holds it.
struct SBoundaryEntry
{
    SLocObjectRecord record;
    std::int32_t number;             // the boundary's own object number
    std::vector<std::int32_t> links; // object numbers of linked boundaries
};

// One section of an objects file: the type code, then the block.
void WriteObjectSection(CMemStream& out, std::int32_t typeCode, const std::vector<SLocObjectRecord>& records);
// The boundary section (type 23).
void WriteBoundarySection(CMemStream& out, const std::vector<SBoundaryEntry>& entries);
