// Fuzz target of the mod description reader: any bytes as a description in
// "DATA\MODS\". Whatever the file holds, every field ends within its
// record, and a description that is accepted names a start script that
// fits the application's.
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_mods_seeds DIR writes a description as the sample writes it (through
// the profile writer), plus damaged variants of it.
#include "menus/ModsDialog.h"
#include "platform/Ini.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

#ifndef TVX_FUZZ_WRITE_SEEDS

namespace
{
template <std::size_t N> void Terminated(const char (&field)[N])
{
    if (!std::memchr(field, 0, N)) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("mods") && std::filesystem::create_directories("DATA/MODS");
    (void)ready;
    if (!fuzz::WriteFile("DATA/MODS/fuzz.ini", data, size)) return 0;
    SModInfo info;
    const bool usable = info.Load("fuzz.ini");
    Terminated(info.name);
    Terminated(info.text);
    Terminated(info.autorun);
    Terminated(info.fileName);
    Terminated(info.path);
    if (usable && (!info.autorun[0] || std::strlen(info.autorun) >= 128)) std::abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_mods_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "mod.tmp";
    const char* const entries[][2] = {
        {"Name", "Storm"}, {"Text", "<b>Storm</b> over the valley"}, {"Autorun", "TARVOXII.src"}};
    for (const auto& e : entries)
        if (!plat::WritePrivateProfileString("COMMON", e[0], e[1], file.c_str())) return 1;
    fuzz::WriteSeeds(dir, "mod", fuzz::TakeFile(file));
    return 0;
}

#endif
