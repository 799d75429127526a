// The sample's second location and the way there and back.
//
//   Data\Locs\north.mmp  the map of the location "north": the sample map
//                        mirrored east to west (the lake lies on the other
//                        side), written with the engine's map writer;
//   Data\Locs\north.mmo  its objects: a start point at the tunnel's mouth,
//                        the tunnel building "TUNNEL_NORTH" with a short
//                        road out of it, two stones and a pine; its five blocks (no groups, no trade, the
//                        theme as music, no organisations or buildings of
//                        its own, no equipment stock);
//   Data\Locs\north.mmm  its radar map, plain green;
//   Data\Locs\sample.mm? the first location under the map name a journey
//                        back to it asks for ("sample.mmp": a tunnel leads
//                        to the location's name followed by ".mmp").
//
// The first location's tunnel building "TUNNEL_EAST" stands in its own
// objects file (SampleWorld.cpp). A journey needs a ticket or a
// subscription for the destination (the information desk sells both).
#include "hud/radar/RadarMapFile.h"
#include "tools/mksample/SampleLocation.h"

#include "foundation/MemStream.h"
#include "platform/File.h"
#include "society/EqpTrade.h"
#include "society/MMTrade.h"
#include "world/LocMusic.h"
#include "world/LocObjectRecord.h"
#include "world/MechGroupList.h"
#include "world/ObjectFrame.h"
#include "world/ObjectTypes.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
constexpr float kTunnelX = 1300.0f, kTunnelY = 1300.0f;

CMatrix At(float x, float y, float z, float heading, float scale)
{
    CObjectFrame frame;
    frame.RotateZ(heading);
    frame.m_Matrix.ScaleRotation(scale);
    frame.SetPosition(CVector{x, y, z});
    return frame.m_Matrix;
}

// The sample map turned east to west.
SMapSource MakeNorthLocation()
{
    const SMapSource sample = MakeSampleLocation();
    SMapSource north = sample;
    north.name = u"north";
    const int w = sample.width, h = sample.height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const std::size_t to = std::size_t(y * w + x), from = std::size_t(y * w + (w - 1 - x));
            north.heights[to] = sample.heights[from];
            if (!north.landTypes.empty()) north.landTypes[to] = sample.landTypes[from];
        }
    const int cells = ((w - 2) >> 6) + 1;
    for (int y = 0; y < cells && !north.cellWater.empty(); ++y)
        for (int x = 0; x < cells; ++x)
            north.cellWater[std::size_t(y * cells + x)] =
                sample.cellWater[std::size_t(y * cells + (cells - 1 - x))];
    return north;
}

float Ground(const SMapSource& map, float x, float y)
{
    const int i = int(x * 0.1f + 0.5f), j = int(y * 0.1f + 0.5f);
    if (i < 0 || j < 0 || i >= map.width || j >= map.height) return 0.0f;
    return map.heights[std::size_t(j * map.width + i)];
}

void Block(CMemStream& out, const CMemStream& block)
{
    out.Write(&block.m_nPosition, 4);
    if (block.m_nPosition) out.Write(block.m_pData, block.m_nPosition);
}

bool WriteNorthObjects(const std::string& path, const SMapSource& map)
{
    auto ground = [&map](float x, float y) { return Ground(map, x, y); };
    CMemStream out;
    const std::uint32_t sections = 5;
    out.Write(&sections, 4);
    // A short road out of the tunnel: its first node bears the tunnel's id,
    // where a group that leaves the building comes out.
    auto node = [&](float x, float y, const char* name, std::int32_t id, std::vector<std::int32_t> links) {
        return SRoadEntry{MakeLocObjectRecord(At(x, y, ground(x, y), 0, 1), "MAIN", name), id,
                          std::move(links)};
    };
    WriteRoadSection(out, {node(kTunnelX - 60.0f, kTunnelY, "TUNNEL_NORTH", 101, {102}),
                           node(kTunnelX - 260.0f, kTunnelY, "ROAD2", 102, {})});
    WriteObjectSection(out, OBJ_HELPER,
                       {MakeLocObjectRecord(At(kTunnelX - 40.0f, kTunnelY,
                                               ground(kTunnelX - 40.0f, kTunnelY) + 10.0f, 3.1f, 1.0f),
                                            "START", "TUNNEL_NORTH")});
    WriteObjectSection(out, OBJ_BUILDING,
                       {MakeLocObjectRecord(At(kTunnelX, kTunnelY, ground(kTunnelX, kTunnelY), 0.0f, 1.0f),
                                            "TUNNEL_SAMPLE", "TUNNEL_NORTH")});
    WriteObjectSection(
        out, OBJ_STONE,
        {MakeLocObjectRecord(At(1200, 1250, ground(1200, 1250), 0.4f, 1.5f), "STONE_BIG", "north_stone"),
         MakeLocObjectRecord(At(1240, 1380, ground(1240, 1380), 1.2f, 1.0f), "STONE_BOX", "")});
    WriteObjectSection(
        out, OBJ_TREE,
        {MakeLocObjectRecord(At(1350, 1220, ground(1350, 1220), 0.0f, 14.0f), "TREE_PINE", "north_pine")});
    CMemStream groups;
    WriteMechGroupBlock(groups, {}, true);
    Block(out, groups);
    CMemStream trade;
    CMMTrade().SaveToStream(trade);
    Block(out, trade);
    CMemStream music;
    SLocMusic theme;
    std::snprintf(theme.m_szMusic, sizeof theme.m_szMusic, "MUS_THEME");
    theme.Save(music);
    Block(out, music);
    CMemStream world;
    CWorld::WriteLocationData(world, {}, {});
    Block(out, world);
    CMemStream stock;
    CEqpTrade().SaveToStream(stock);
    Block(out, stock);

    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(out.m_pData, out.m_nPosition, 1, file) == 1;
    return std::fclose(file) == 0 && ok;
}
} // namespace

// Called after the sample location's files are written.
bool WriteSampleTravel(const std::string& root)
{
    const std::string locs = root + "\\Data\\Locs\\";
    const SMapSource north = MakeNorthLocation();
    const std::vector<std::uint32_t> radar(std::size_t(north.width - 1) * std::size_t(north.height - 1),
                                           0xFF3C8C28u);
    const bool ok = CopySampleLocationAs(root, "sample") &&
                    WriteMapFile((locs + "north.mmp").c_str(), north) &&
                    WriteNorthObjects(locs + "north.mmo", north) &&
                    WriteRadarMapFile(RadarMapPathOf(locs + "north.mmp").c_str(), north.width - 1,
                                      north.height - 1, radar);
    if (!ok)
        std::fprintf(stderr, "mksample: cannot write the second location below %s\\Data\\Locs\n",
                     root.c_str());
    return ok;
}
