// On-disk records of pack files ("*.pak"). All integers little-endian.
//
//   offset                      size          field
//   0                           22            SPakHeader
//   22                          88 x files    SPakFileEntry table
//   22 + 88 x files             12 x blocks   SPakBlockEntry table
//   after the block table       variable      block records, in block order
//
// The files' contents, concatenated in table order without padding, form
// one unpacked stream cut into blocks of blockSize bytes (the last block
// may be partial). A block record is a u32 stored length n and n bytes: the
// block itself (method 0) or its encoded form (PackCodec.h).
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "pack records are read in place");

#pragma pack(push, 1)

struct SPakHeader
{
    char magic[4];           // 0: "SGZR"
    std::uint8_t zero[2];    // 4: 0, ignored
    std::uint32_t files;     // 6: file table entries
    std::uint32_t blocks;    // 10: block table entries
    std::uint32_t blockSize; // 14: unpacked bytes per block
    std::uint32_t reserved;  // 18: 0, ignored
};
static_assert(sizeof(SPakHeader) == 22);

struct SPakFileEntry
{
    static constexpr int kNameSize = 80;
    char name[kNameSize]; // 0: path relative to the base directory, NUL-terminated
    std::uint32_t offset; // 80: first byte in the unpacked stream
    std::uint32_t size;   // 84: bytes
};
static_assert(sizeof(SPakFileEntry) == 88);

struct SPakBlockEntry
{
    std::uint32_t checksum;   // 0: sum of the block's unpacked bytes
    std::uint32_t method;     // 4: codec method code
    std::uint32_t fileOffset; // 8: file offset of the block record
};
static_assert(sizeof(SPakBlockEntry) == 12);

#pragma pack(pop)

inline constexpr char kPakMagic[4] = {'S', 'G', 'Z', 'R'};
