// PrefetchLines: asks the cache for every line of a byte range, for a walk
// about to read records that lie apart on the heap. A hint only: it reads
// nothing and changes nothing, and any address may be given.
#pragma once

#include <cstdint>

inline void PrefetchLines(const void* begin, const void* end)
{
    const auto last = reinterpret_cast<std::uintptr_t>(end);
    for (auto at = reinterpret_cast<std::uintptr_t>(begin) & ~std::uintptr_t(63); at < last; at += 64)
        __builtin_prefetch(reinterpret_cast<const void*>(at));
}
