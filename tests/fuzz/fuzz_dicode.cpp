// Fuzz target of the key-name table "Data\CONFIG\DICode.ini": any bytes as
// the file. A table either loads whole (every name terminated, at most 15
// characters) or is left empty.
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_dicode_seeds DIR writes tables written by WriteDICodeTable, plus
// damaged variants of each.
#include "foundation/DICodeTable.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("dicode");
    (void)ready;
    if (!fuzz::WriteFile("DICode.ini", data, size)) return 0;
    const bool loaded = LoadDICodeTableFrom("DICode.ini");
    if (loaded != (g_DICodeTable.count > 0)) std::abort();
    if (std::size_t(g_DICodeTable.count) != g_DICodeTable.entries.size()) std::abort();
    for (const SDICode& entry : g_DICodeTable.entries)
        if (std::strlen(entry.name) > 15) std::abort();
    FreeDICodeTable();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_dicode_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const SDICodeLine lines[] = {{"DIK_ESCAPE", 0x01, "ESCAPE"},
                                 {"DIK_W", 0x11, "W"},
                                 {"DIK_LCONTROL", 0x1D, "LCTRL"},
                                 {"MOUSE_0", 0x101, "MOUSE1"},
                                 {"JOY_31", 0x220, "JOY32"}};
    const std::filesystem::path file = dir / "table.tmp";
    if (!WriteDICodeTable(file.c_str(), lines, 5)) return 1;
    const std::vector<std::uint8_t> bytes = fuzz::TakeFile(file);
    fuzz::WriteSeeds(dir, "keys", bytes);
    return 0;
}

#endif
