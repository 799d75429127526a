// CRadarMapFile: the location's top-down map picture, beside the location
// map file (same path, last character 'm'), read one 64 x 64-pixel DXT3
// tile at a time for the minimap layer and the big map.
//
// File (little-endian): u32 data offset, u32 (not read), u32 width and u32
// height in pixels (one pixel per grid step), then the tiles row by row,
// columns across, 4096 bytes each, tile (column, row) at
// data offset + (columns x row + column) x 4096.
//
// A missing file leaves the reader closed and every tile reads as zeros
// (a zero DXT3 block is black and fully transparent). A damaged header or a
// tile cut short gives one error line and zeros.
//
// Threads: main thread only.
#pragma once

#include "foundation/PakFileSystem.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kRadarTileSize = 64;     // pixels across a tile
inline constexpr int kRadarTileBytes = 4096;  // 16 x 16 DXT3 blocks of 16 bytes
inline constexpr int kRadarHeaderBytes = 16;

class CRadarMapFile
{
public:
    CRadarMapFile() = default;
    ~CRadarMapFile();
    CRadarMapFile(const CRadarMapFile&) = delete;
    CRadarMapFile& operator=(const CRadarMapFile&) = delete;

    // Closes the file open before, then opens path (a pack entry or a disk
    // file) and reads the header. False when the file is missing or its
    // header is damaged; the reader is closed then.
    bool Open(const char* path);
    // Fills buffer (kRadarTileBytes) with tile (column, row); the read's
    // result (1 for a whole tile), 0 with a zero tile when the reader is
    // closed, the tile lies outside the map or the file ends inside it.
    int ReadTile(std::uint8_t* buffer, int column, int row);
    void Close();

    bool IsOpen() const { return m_Stream.IsOpen(); }

    std::uint32_t m_nDataOffset = 0;
    CPakStream m_Stream;
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    char m_szPath[260] = {};
    std::int32_t m_nColumns = 0;
    std::int32_t m_nRows = 0;
};

extern CRadarMapFile* g_pRadarMapFile;

// The radar map path of a location map path: its last character becomes 'm'.
std::string RadarMapPathOf(const std::string& mapPath);

// The writer (tests, fuzz seeds and the sample tree): a width x height ARGB
// picture, row by row, as a radar map file. Each 4 x 4 block is one colour
// (the block's mean) with the mean's alpha; pixels past the picture's
// edge in the last tiles are zero.
std::vector<std::uint8_t> BuildRadarMapFile(int width, int height, const std::vector<std::uint32_t>& argb);
bool WriteRadarMapFile(const char* path, int width, int height, const std::vector<std::uint32_t>& argb);
