// Fuzz target of the radar map reader: any bytes as a radar map file; a
// file that opens has every tile read, and a few outside the map. Built
// with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_radar_seeds DIR writes maps made by the radar map writer, plus
// damaged variants of each (cut short and with header bytes changed).
#include "hud/radar/RadarMapFile.h"
#include "tests/fuzz/FuzzCommon.h"

#include <filesystem>
#include <fstream>
#include <random>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CRadarMapFile* map = []
    {
        fuzz::SetUp("radar");
        return new CRadarMapFile;
    }();
    if (!fuzz::WriteFile("input.lom", data, size)) return 0;
    std::uint8_t tile[kRadarTileBytes];
    if (map->Open("input.lom"))
    {
        // Big headers can name many tiles; the first rows and columns serve.
        for (int row = -1; row <= std::min(map->m_nRows, 8); ++row)
            for (int column = -1; column <= std::min(map->m_nColumns, 8); ++column)
                map->ReadTile(tile, column, row);
    }
    map->ReadTile(tile, 0, 0);
    map->Close();
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
    for (std::size_t cut : {std::size_t{3}, std::size_t{15}, std::size_t{16} + 4096, seed.size() - 1})
    {
        if (cut < seed.size())
            WriteAll(dir / (name + ".cut" + std::to_string(cut)), Bytes(seed.begin(), seed.begin() + long(cut)));
    }
    // Changed bytes in the header: offset, width and height.
    std::mt19937 random(static_cast<unsigned>(seed.size()));
    for (int variant = 0; variant < 6; ++variant)
    {
        Bytes damaged = seed;
        damaged[random() % 16] = static_cast<std::uint8_t>(random());
        WriteAll(dir / (name + ".flip" + std::to_string(variant)), damaged);
    }
}

Bytes Picture(int width, int height)
{
    std::vector<std::uint32_t> argb(std::size_t(width) * std::size_t(height));
    for (std::size_t i = 0; i < argb.size(); ++i) argb[i] = 0xFF000000u | std::uint32_t(i * 2654435761u >> 8);
    return BuildRadarMapFile(width, height, argb);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_radar_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);
    WriteSeed(dir, "one_tile", Picture(64, 64));
    WriteSeed(dir, "two_columns", Picture(65, 10));
    WriteSeed(dir, "sample_size", Picture(256, 256));
    std::printf("fuzz_radar_seeds: seeds written to %s\n", dir.c_str());
    return 0;
}

#endif
