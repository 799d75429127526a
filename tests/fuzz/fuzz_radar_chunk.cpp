// Fuzz target of the radar's "RADAR" chunk reader. The first input byte
// chooses the map the chunk is read for (0 to 4 location cells square),
// the rest is the chunk. A chunk that loads is written again and must read
// back. Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed
// writer: fuzz_radar_chunk_seeds DIR writes chunks made by the radar's own
// writer, for their map size and for others, and cut short.
#include "foundation/MemStream.h"
#include "hud/radar/Radar.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("radar_chunk");
    (void)ready;
    if (size < 1) return 0;
    const int cells = data[0] % 5;
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size - 1));
    if (size > 1) std::memcpy(buffer, data + 1, size - 1);
    CRadar radar;
    radar.InitLocationMap("none.lom", cells, cells);
    if (!radar.LoadFromStream(stream)) return 0;
    radar.OpenMap(CVector{100.0f, 100.0f, 0.0f}, 500.0f, true);
    radar.IsMarked("FUZZ");
    CMemStream saved;
    radar.SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    CRadar again;
    again.InitLocationMap("none.lom", cells, cells);
    if (!again.LoadFromStream(saved)) std::abort(); // what the radar writes it must read
    return 0;
}

#else

#include <filesystem>
#include <fstream>

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void WriteAll(const fs::path& path, std::uint8_t cells, const Bytes& chunk, std::size_t keep)
{
    std::ofstream out(path, std::ios::binary);
    out.put(char(cells));
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(keep));
}

Bytes Chunk(int cells, bool withMarks)
{
    CRadar radar;
    radar.InitLocationMap("none.lom", cells, cells);
    radar.OpenMap(CVector{200.0f, 150.0f, 0.0f}, 640.0f, false);
    if (withMarks)
    {
        const CVector target{300.0f, 40.0f, 12.0f};
        radar.SetTarget(1, &target, false);
        radar.m_BuildingMarks.AddUnique("BUILDING");
        radar.m_PointMarks.AddUnique("POINT");
        radar.m_MechMarks.AddUnique("MECH");
        radar.m_ShownClans.AddUnique("ORG_CLAN");
    }
    CMemStream stream;
    radar.SaveToStream(stream);
    return Bytes(stream.m_pData, stream.m_pData + stream.m_nPosition);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_radar_chunk_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (int cells = 0; cells <= 2; ++cells)
        for (bool marks : {false, true})
        {
            const Bytes chunk = Chunk(cells, marks);
            const std::string name = "cells" + std::to_string(cells) + (marks ? "_marks" : "");
            WriteAll(dir / (name + ".seed"), std::uint8_t(cells), chunk, chunk.size());
            WriteAll(dir / (name + ".other_map"), std::uint8_t(cells + 1), chunk, chunk.size());
            WriteAll(dir / (name + ".cut"), std::uint8_t(cells), chunk, chunk.size() - 5);
        }
    std::printf("fuzz_radar_chunk_seeds: seeds written to %s\n", dir.c_str());
    return 0;
}

#endif
