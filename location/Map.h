// Map: the location map file reader, the base of CLocation.
//
// Load reads the header, the typed sections and the per-cell table in one
// pass from the pack file system's current stream (the caller opened the
// map file there and set m_szMapPath for messages). Every count and offset
// from the file is checked before use: the grid must give at most 64 x 64
// cells, sections and the table must lie inside the file, each cell's data
// block must lie inside the file and its water index must name a water
// record, the environment section's count must fit its size. A damaged map
// throws CMapError ("Map file '<path>': <record>: <fault>") and leaves the
// map as it was; cell data is read later by CLocation::LoadCell.
//
// Maps whose width or height is not 64 n + 1 are read with a short last
// column (row) of cells (MapFormat.h).
//
// Threads: main thread only.
#pragma once

#include "location/LocationTypes.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

class CMapError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class Map
{
public:
    Map() = default;
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;

    void Load();

    MapCell& GetCell(int x, int y) { return m_Cells[y * kCellGridSize + x]; }
    const MapCell& GetCell(int x, int y) const { return m_Cells[y * kCellGridSize + x]; }
    bool IsInside(int x, int y) const { return x >= 0 && y >= 0 && x < m_nCellsX && y < m_nCellsY; }
    // Vertices across (down) cell column x (row y).
    int CellWidth(int x) const { return CellVertexCount(m_nWidth, x); }
    int CellHeight(int y) const { return CellVertexCount(m_nHeight, y); }

    char m_szMapPath[260] = {};
    char16_t m_szName[64] = {};
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    std::int32_t m_nCellsX = 0;
    std::int32_t m_nCellsY = 0;
    std::vector<SWaterEntry> m_Water;
    MapCell m_Cells[kCellGridSize * kCellGridSize];

protected:
    [[noreturn]] __attribute__((format(printf, 2, 3))) void Fail(const char* format, ...) const;
};
