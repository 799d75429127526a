// Memory blocks asked for on large pages.
//
// A block of records read all over during a frame (the terrain's heights
// under thousands of objects) spans fewer address translations on one 2 MB
// page than on five hundred small ones. The large page is a hint: where the
// system grants none the block works the same on small pages.
//
// Thread safety: any thread.
#pragma once

#include <cstddef>

namespace plat
{

// A zero-filled block of bytes (a multiple of kLargePageBytes), aligned to
// a large page; throws std::bad_alloc when there is no memory.
void* AllocLargePageBlock(std::size_t bytes);
// Frees a block from AllocLargePageBlock (null: nothing).
void FreeLargePageBlock(void* block);

inline constexpr std::size_t kLargePageBytes = std::size_t(2) << 20;

} // namespace plat
