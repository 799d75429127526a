// Fuzz target of the game script manager's bindings file: any bytes as
// "DATA\CONFIG\objects.ini". The bindings read hold no control bytes, and
// events raised against them find their script or none (no script files
// exist here, so none runs).
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_objects_ini_seeds DIR writes binding files (prefix and exact
// objects, events, through the profile writer), plus damaged variants.
#include "platform/Ini.h"
#include "script/game/ScriptManager.h"
#include "tests/fuzz/FuzzCommon.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifndef TVX_FUZZ_WRITE_SEEDS

namespace
{
bool Clean(const char* text, std::size_t size)
{
    const std::size_t length = strnlen(text, size);
    return length < size &&
           std::none_of(text, text + length,
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("objects_ini");
    (void)ready;
    std::filesystem::create_directories("DATA/CONFIG");
    if (!fuzz::WriteFile("DATA/CONFIG/objects.ini", data, size)) return 0;
    CScriptManager manager;
    manager.SetBaseDirectory((fuzz::Directory().string() + "\\").c_str());
    if (!manager.Init()) std::abort();
    for (const auto* table : {&manager.GetObjects(), &manager.GetEvents()})
        for (const SScriptBinding& b : *table)
            if (!Clean(b.name, sizeof b.name) || !Clean(b.script, sizeof b.script)) std::abort();
    for (const char* object : {"SAMPLE_HALL", "BASE_1", ""})
        manager.RunEvent(object, "OnEnterBuild", nullptr);
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_objects_ini_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "objects.tmp";
    const char* const entries[][3] = {{"OBJECTS", "SAMPLE_HALL", "sample_hall"},
                                      {"OBJECTS", "BASE*", "sample_base"},
                                      {"EVENTS", "OnEnterBuild", "sample_clock"},
                                      {"EVENTS", "OnHour", "sample_clock"}};
    for (const auto& e : entries)
        if (!plat::WritePrivateProfileString(e[0], e[1], e[2], file.c_str())) return 1;
    const std::vector<std::uint8_t> bytes = fuzz::TakeFile(file);
    fuzz::WriteSeeds(dir, "objects", bytes);
    return 0;
}

#endif
