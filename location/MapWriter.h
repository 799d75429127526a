// The location map writer: builds a map file (MapFormat.h) from a height
// grid, the way the tests, the fuzz seeds and the sample data make maps.
//
// Per vertex the writer derives the packed normal from the heights, a grey
// light colour from the normal, the water flag from the cell's water record
// and takes the land type and drop mask from the source (0 when absent).
// Sections come in the order: water records, extra sections, environment.
// Pure functions; any thread.
#pragma once

#include "location/Environment.h"
#include "location/MapFormat.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct SMapSource
{
    int width = 65;
    int height = 65;
    std::vector<float> heights;           // width x height, row by row; empty = flat 0
    std::vector<std::uint16_t> landTypes; // optional, width x height
    std::vector<std::uint8_t> dropMasks;  // optional, width x height
    std::u16string name;
    std::string horizonModel;
    std::vector<SWaterRecord> water;       // empty: no water section
    std::vector<std::uint32_t> cellWater;  // cellsX x cellsY water indices; empty: no water anywhere
    // Optional, width x height: the vertices the water may cover (a hollow
    // under the level in a lake's cell but outside the lake stays dry);
    // empty: every vertex under its cell's level.
    std::vector<std::uint8_t> wetVertices;
    std::vector<std::uint8_t> environment; // body of the environment section; empty: no section
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> extraSections;
    // Every table entry addresses cell (0, 0)'s block: a map of many cells
    // in a few kilobytes (the grid must then be 64 n + 1 on both sides).
    bool shareOneBlock = false;
};

// Where the writer put things, for tests that damage a map on purpose.
struct SMapLayout
{
    std::vector<std::uint32_t> sectionOffsets; // of each section header
    std::uint32_t tableOffset = 0;
    std::vector<std::uint32_t> blockOffsets; // per cell, row by row
};

std::vector<std::uint8_t> BuildMap(const SMapSource& source, SMapLayout* layout = nullptr);
bool WriteMapFile(const char* path, const SMapSource& source);

// i16 x and y of a unit normal times 32766, x in the low half.
std::uint32_t PackNormal(float x, float y);
// An environment section body: header and records.
std::vector<std::uint8_t> BuildEnvironmentSection(const SEnvSectionHeader& header,
                                                  const std::vector<SEnvRecord>& records);
// A water record with the given colour, level and texture names.
SWaterRecord MakeWaterRecord(std::uint32_t color, float level, const char* texture, const char* texture2);
