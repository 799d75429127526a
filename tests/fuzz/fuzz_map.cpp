// Fuzz target of the location map reader: any bytes as a map file; a map
// that opens has every cell read near and far, which also stitches their
// borders. Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed
// writer: fuzz_map_seeds DIR writes maps made by the map writer, plus
// damaged variants of each (cut short and with bytes changed).
#include "foundation/Settings.h"
#include "location/Location.h"
#include "location/MapWriter.h"
#include "tests/fuzz/FuzzCommon.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CLocation* location = []
    {
        fuzz::SetUp("map");
        g_Settings.VisibleRadius = 128;
        auto* made = new CLocation;
        made->m_bDetailObjects = false;
        made->Init(0, 0);
        return made;
    }();
    if (!fuzz::WriteFile("input.map", data, size)) return 0;
    location->ClearCache();
    if (!location->OpenMap("input.map")) return 0;
    for (int y = 0; y < location->m_nCellsY; ++y)
    {
        for (int x = 0; x < location->m_nCellsX; ++x)
        {
            for (int level : {kLevelFar, kLevelNear})
            {
                location->GetCell(x, y).m_nLevel = level;
                location->LoadCell(unsigned(x), unsigned(y));
            }
        }
    }
    location->m_CellStream.Close();
    return 0;
}

#else

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteSeed(const fs::path& dir, const std::string& name, const Bytes& seed)
{
    WriteAll(dir / (name + ".seed"), seed);
    std::mt19937 random(static_cast<unsigned>(seed.size()) * 2654435761u);
    for (std::size_t cut : {std::size_t{13}, std::size_t{310}, seed.size() / 2, seed.size() - 1})
    {
        if (cut < seed.size())
            WriteAll(dir / (name + ".cut" + std::to_string(cut)),
                     Bytes(seed.begin(), seed.begin() + long(cut)));
    }
    // Changed bytes in the header, the sections and the table, where the
    // counts and offsets lie.
    for (int variant = 0; variant < 8; ++variant)
    {
        Bytes damaged = seed;
        const std::size_t span = std::min<std::size_t>(damaged.size(), 2048);
        for (int k = 0; k <= variant % 3; ++k)
            damaged[random() % span] = static_cast<std::uint8_t>(random());
        WriteAll(dir / (name + ".flip" + std::to_string(variant)), damaged);
    }
}

SMapSource Source(int width, int height)
{
    SMapSource source;
    source.width = width;
    source.height = height;
    source.name = u"Seed";
    source.heights.resize(std::size_t(width * height));
    for (std::size_t i = 0; i < source.heights.size(); ++i)
        source.heights[i] = float((i * 37) % 101) * 0.5f;
    return source;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_map_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);

    SMapSource one = Source(65, 65);
    one.water = {MakeWaterRecord(0x204060, 10.0f, "TEX_WATER", "")};
    one.cellWater = {0};
    one.extraSections = {{7, Bytes(20, 0xAB)}};
    one.environment = BuildEnvironmentSection(SEnvSectionHeader{}, {SEnvRecord{}});
    WriteSeed(dir, "one_cell", BuildMap(one));

    SMapSource shortEdges = Source(100, 80);
    shortEdges.water = {MakeWaterRecord(0, 5.0f, "", ""), MakeWaterRecord(0, 20.0f, "", "")};
    shortEdges.cellWater = {kNoWater, 1, 0, kNoWater};
    WriteSeed(dir, "short_edges", BuildMap(shortEdges));

    SMapSource shared = Source(257, 257);
    shared.shareOneBlock = true;
    WriteSeed(dir, "shared_block", BuildMap(shared));
    std::printf("fuzz_map_seeds: seeds written to %s\n", dir.c_str());
    return 0;
}

#endif
