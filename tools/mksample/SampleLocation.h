// The sample location's map: 4 x 4 cells (257 x 257 heights) of seeded
// rolling hills, cut where the roads run, with a lake in a valley (one
// water record) and an environment section with a day, a night and a rain
// record. Written with the engine's map writer; the location tests and the
// streaming benchmark build the same map.
#pragma once

#include "location/MapWriter.h"

#include <cstdint>
#include <string>
#include <vector>

// The map of the location file "sample.loc", beside its objects file
// "sample.loo".
inline constexpr const char* kSampleLocationMap = "Data\\Locs\\sample.lop";

// The land types of the map's vertices (GIDs; SampleTerrain.cpp writes
// their records): grass on the flats, shore round the lake, rock on the
// slopes, sand along the roads and on the squares before the buildings.
inline constexpr std::uint16_t kSampleLandGrass = 1, kSampleLandShore = 2, kSampleLandRock = 3,
                               kSampleLandSand = 4;

SMapSource MakeSampleLocation();

// The sample's road graph as it lies on the map: a 4 x 3 grid of nodes 200
// units apart (ids 101-112, row by row), each linking to its right and
// upper neighbour (the road loader adds the links back), and a side road
// from node 106 diagonally to node 111. The map cuts its hills along every
// link, so that the flat band drawn between two nodes lies over the ground.
struct SSampleRoadNode
{
    float x, y;
    std::int32_t id;
    std::vector<std::int32_t> links; // ids of the later nodes it links to
};
std::vector<SSampleRoadNode> SampleRoadGrid();
// The whole 64 x 64-cell grid (4097 x 4097 heights) of the sample's first
// cell repeated, every cell sharing that one block and no water: a large
// map that is small on disk, for the benchmarks.
SMapSource MakeTiledSampleLocation();
// root + "\" + kSampleLocationMap.
bool WriteSampleLocation(const std::string& root);
// The tunnel building of the sample location ("TUNNEL_EAST"), out east of
// the roads with a road node of its own at its door, and its way to the
// second location "north" (SampleTravel.cpp).
inline constexpr float kSampleTunnelX = 2300.0f, kSampleTunnelY = 1300.0f;

// The sample location's objects file, map and radar map copied byte for
// byte under another map name: "Data\Locs\<base>.mmo", ".mmp", ".mmm"
// (SampleNetMap.cpp; called once the three exist).
bool CopySampleLocationAs(const std::string& root, const char* base);
