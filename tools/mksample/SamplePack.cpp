// The sample pack, written with the engine's own pack builder.

#include "tools/mksample/SampleDatabase.h"

#include "foundation/PakBuilder.h"
#include "platform/File.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
bool WriteText(const std::string& path, const char* text)
{
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(text, std::strlen(text), 1, file) == 1;
    return std::fclose(file) == 0 && ok;
}
} // namespace

bool WriteSamplePack(const std::string& root)
{
    const std::string loose = root + "\\Data\\Pack.txt";
    const std::string source = root + "\\Data\\Pack.txt.source";
    const std::string pack = root + "\\Data\\sample.pak";
    if (!WriteText(loose, "the loose file: packs were not mounted\n") ||
        !WriteText(source, "the copy in Data\\sample.pak: packs come before loose files\n"))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", loose.c_str());
        return false;
    }
    const char* names[] = {"Data\\Pack.txt"};
    const char* paths[] = {source.c_str()};
    CPackBuilder builder;
    const bool built = builder.Build(pack.c_str(), names, paths, 1, 4096, 0x05, 0.0f, nullptr, nullptr);
    plat::DeleteFile(source.c_str());
    if (!built)
    {
        std::fprintf(stderr, "mksample: cannot build %s: %s\n", pack.c_str(), builder.GetLastError().c_str());
        return false;
    }
    return true;
}
