// Fuzz target of the pack reader: any bytes as a pack file; every entry is
// looked up by name and read, clipped and unclipped, whole and in pieces.
#include "foundation/PakReader.h"
#include "tests/fuzz/FuzzCommon.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("pack");
    (void)ready;
    if (!fuzz::WriteFile("input.pak", data, size)) return 0;
    ZREngine reader;
    if (!reader.Init("input.pak")) return 0;
    std::vector<std::uint8_t> buffer;
    for (int i = 0; i < reader.GetFileCount() && i < 64; ++i)
    {
        const SPakFileEntry& entry = reader.GetEntry(i);
        const int found = reader.FindFile(entry.name);
        if (found < 0 || found > i) __builtin_trap(); // a stored name must find itself or an earlier twin
        const std::uint32_t size32 = entry.size < (1u << 20) ? entry.size : (1u << 20);
        buffer.assign(size32 + 100, 0);
        if (reader.ReadAt(i, 0, buffer.data(), size32, true) > size32) __builtin_trap();
        reader.ReadAt(i, size32 / 2, buffer.data(), size32 / 2 + 100, false);
        if (reader.OpenFile(entry.name))
        {
            std::uint8_t piece[37];
            while (reader.ReadBytes(piece, sizeof(piece)) == sizeof(piece) &&
                   reader.m_nReadPosition < (1u << 16))
            {
            }
        }
    }
    return 0;
}
