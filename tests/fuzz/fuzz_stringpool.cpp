// Fuzz target of the string-pool stream: any bytes as a saved pool. A pool
// that loads gives every string, grows, and saves to a stream that loads.
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "foundation/StringPool.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("stringpool");
    (void)ready;
    CMemStream stream;
    std::uint8_t* bytes = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size)
        std::memcpy(bytes, data, size);
    CStringPool pool;
    try
    {
        pool.LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        return 0;
    }
    std::size_t total = 0;
    for (std::uint32_t i = 0; i < pool.GetCount(); ++i)
        total += std::strlen(pool.Get(i));
    if (pool.GetCount())
        pool.Find(pool.Get(pool.GetCount() - 1));
    pool.Add("added by the fuzzer");
    CMemStream saved;
    pool.SaveToStream(saved);
    CMemStream again;
    std::uint8_t* copy = again.Allocate(saved.m_nPosition);
    std::memcpy(copy, saved.m_pData, saved.m_nPosition);
    CStringPool reloaded;
    try
    {
        reloaded.LoadFromStream(again);
    }
    catch (const CStreamError&)
    {
        // A pool must load what it saved, unless its buffer has grown past
        // what a stream may ask for.
        if (pool.m_nCharCapacity <= CStringPool::kMaxStreamCapacity)
            std::abort();
        return 0;
    }
    if (reloaded.GetCount() != pool.GetCount() || total > pool.m_nCharsUsed)
        std::abort();
    return 0;
}
