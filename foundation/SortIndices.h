// SortIndicesByFloat: the order of records by a float key, as an index
// table, without moving the records. The garage orders its stock by unit
// price with it; the location and effect code order their lists the same
// way.
//
// Shell sort over the indices with the gap halved from n / 2: ascending
// keys; two equal keys keep their order relative to each other only where
// the gaps never cross them (they are never swapped with each other), and a
// comparison that involves a NaN key never swaps.
//
// The key of record i is keys[i x stride] (stride counted in floats).
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <vector>

// Fills index[0 .. n-1] and sorts it; the caller's table holds n entries.
void SortIndicesByFloat(const float* keys, int stride, int n, std::int32_t* index);
// The same into a table of exactly n entries (none for n <= 0).
void SortIndicesByFloat(const float* keys, int stride, int n, std::vector<std::int32_t>& index);
