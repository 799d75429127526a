#include "platform/Memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace plat
{

void* AllocLargePageBlock(std::size_t bytes)
{
    void* block = std::aligned_alloc(kLargePageBytes, bytes);
    if (!block) throw std::bad_alloc();
    (void)madvise(block, bytes, MADV_HUGEPAGE);
    std::memset(block, 0, bytes);
    return block;
}

void FreeLargePageBlock(void* block)
{
    std::free(block);
}

} // namespace plat
