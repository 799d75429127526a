// The network test game's map "net_test.mmp": the sample location under the
// network map's name, so that a network game on one machine flies over the
// same hills, buildings and roads. Its three files are the sample
// location's, copied byte for byte after they are written: the objects file
// "Data\Locs\net_test.mmo", the map "net_test.mmp" and the radar map
// "net_test.mmm" (each the map name with its last character replaced, as
// the world engine and the radar find them). The network game starts in one
// of the location's buildings of types 1, 4, 6 or 9: the sample's two halls
// are of type 1.
#include "platform/File.h"
#include "tools/mksample/SampleLocation.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
bool CopyBytes(const std::string& from, const std::string& to)
{
    std::FILE* in = plat::FOpen(from.c_str(), "rb");
    if (!in) return false;
    std::vector<char> bytes;
    char chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool read = !std::ferror(in);
    std::fclose(in);
    std::FILE* out = plat::FOpen(to.c_str(), "wb");
    if (!read || !out)
    {
        if (out) std::fclose(out);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}
} // namespace

bool CopySampleLocationAs(const std::string& root, const char* base)
{
    const std::string to = std::string("Data\\Locs\\") + base;
    const std::string pairs[][2] = {
        {"Data\\Locs\\sample.loo", to + ".mmo"},
        {"Data\\Locs\\sample.lop", to + ".mmp"},
        {"Data\\Locs\\sample.lom", to + ".mmm"},
    };
    for (const auto& pair : pairs)
    {
        if (!CopyBytes(root + "\\" + pair[0], root + "\\" + pair[1]))
        {
            std::fprintf(stderr, "mksample: cannot write %s\\%s\n", root.c_str(), pair[1].c_str());
            return false;
        }
    }
    return true;
}

// Called after the sample location's objects file, map and radar map exist.
bool WriteSampleNetMap(const std::string& root)
{
    return CopySampleLocationAs(root, "net_test");
}
