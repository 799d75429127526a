// The sample location's map: 4 x 4 cells (257 x 257 heights) of seeded
// rolling hills with a lake in a valley (one water record) and an
// environment section with a day, a night and a rain record. Written with
// the engine's map writer; the location tests and the streaming benchmark
// build the same map.
#pragma once

#include "location/MapWriter.h"

#include <string>

// The map of the location file "sample.loc", beside its objects file
// "sample.loo".
inline constexpr const char* kSampleLocationMap = "Data\\Locs\\sample.lop";

SMapSource MakeSampleLocation();
// The whole 64 x 64-cell grid (4097 x 4097 heights) of the sample's first
// cell repeated, every cell sharing that one block and no water: a large
// map that is small on disk, for the benchmarks.
SMapSource MakeTiledSampleLocation();
// root + "\" + kSampleLocationMap.
bool WriteSampleLocation(const std::string& root);
