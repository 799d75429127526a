// The radar map reader over files the test writes with the radar map
// writer (and damaged copies of them), and the geometry buffer's append.

#include "common/DataTree.h"

#include "foundation/GeometryBuffer.h"
#include "hud/radar/RadarMapFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace
{
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kPositionOnly = 0x002; // 12-byte vertices

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// 65 x 10 pixels: the first column of pixels red, the 65th (alone in the
// second tile) opaque green.
Bytes TwoTileMap()
{
    std::vector<std::uint32_t> picture(65 * 10, 0xFFFF0000u);
    for (int y = 0; y < 10; ++y) picture[std::size_t(y) * 65 + 64] = 0xFF00FF00u;
    return BuildRadarMapFile(65, 10, picture);
}

class RadarMapFile : public testutil::CDataTreeTest
{
protected:
    Bytes Tile(int column, int row, int* result = nullptr)
    {
        Bytes tile(kRadarTileBytes, 0xCD);
        const int read = m_Map.ReadTile(tile.data(), column, row);
        if (result) *result = read;
        return tile;
    }
    CRadarMapFile m_Map;
};

TEST_F(RadarMapFile, ReadsTilesRowByRowFromTheDataOffset)
{
    Bytes file = TwoTileMap();
    // Move the tiles 16 bytes on: the reader must follow the header's offset.
    file[0] = 32;
    file.insert(file.begin() + kRadarHeaderBytes, 16, 0xEE);
    WriteBytes(Tree() / "map.lom", file);

    ASSERT_TRUE(m_Map.Open("map.lom"));
    EXPECT_EQ(m_Map.m_nWidth, 65);
    EXPECT_EQ(m_Map.m_nColumns, 2);
    EXPECT_EQ(m_Map.m_nRows, 1);
    int result = 0;
    const Bytes second = Tile(1, 0, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(0, std::memcmp(second.data(), file.data() + 32 + 4096, kRadarTileBytes));
    // The second tile's first block: a quarter of its pixels opaque green.
    EXPECT_EQ(second[0], 0x33);
    EXPECT_EQ(second[8] | second[9] << 8, (63 >> 2) << 5);
    EXPECT_EQ(0, std::memcmp(Tile(0, 0).data(), file.data() + 32, kRadarTileBytes));
}

TEST_F(RadarMapFile, TilesOutsideTheMapOrWithoutAFileAreZero)
{
    const Bytes zeros(kRadarTileBytes, 0);
    int result = 1;
    EXPECT_EQ(Tile(0, 0, &result), zeros) << "no file open";
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(m_Map.Open("missing.lom"));
    EXPECT_EQ(Tile(0, 0), zeros);

    WriteBytes(Tree() / "map.lom", TwoTileMap());
    ASSERT_TRUE(m_Map.Open("map.lom"));
    for (const auto& [column, row] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 1}})
    {
        EXPECT_EQ(Tile(column, row, &result), zeros) << column << "," << row;
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(RadarMapFile, OpeningASecondFileGivesUpTheFirst)
{
    WriteBytes(Tree() / "a.lom", TwoTileMap());
    WriteBytes(Tree() / "b.lom", BuildRadarMapFile(200, 130, std::vector<std::uint32_t>(200 * 130, 0xFFFFFFFFu)));
    ASSERT_TRUE(m_Map.Open("a.lom"));
    ASSERT_TRUE(m_Map.Open("b.lom"));
    EXPECT_EQ(m_Map.m_nColumns, 4);
    EXPECT_EQ(m_Map.m_nRows, 3);
    EXPECT_EQ(Tile(3, 0)[0], 0xFF) << "white, opaque";
    // An over-long path is cut to its field, and the reader stays closed.
    const std::string longPath(400, 'x');
    EXPECT_FALSE(m_Map.Open(longPath.c_str()));
    EXPECT_FALSE(m_Map.IsOpen());
    EXPECT_EQ(std::strlen(m_Map.m_szPath), sizeof(m_Map.m_szPath) - 1);
}

TEST_F(RadarMapFile, DamagedFilesGiveOneErrorLineAndZeros)
{
    const Bytes good = TwoTileMap();
    struct SCase
    {
        const char* name;
        Bytes bytes;
        bool opens;
        const char* error;
    };
    Bytes zeroWidth = good;
    std::memset(zeroWidth.data() + 8, 0, 4);
    Bytes hugeOffset = good;
    std::memset(hugeOffset.data(), 0xFF, 4);
    const SCase cases[] = {
        {"short header", Bytes(good.begin(), good.begin() + 10), false, "the header is cut short"},
        {"zero width", zeroWidth, false, "size 0 x 10 is out of range"},
        {"offset beyond reach", hugeOffset, false, "outside the file's reach"},
        {"second tile cut", Bytes(good.begin(), good.end() - 100), true, "tile (1, 0) is cut short"},
    };
    const Bytes zeros(kRadarTileBytes, 0);
    for (const SCase& c : cases)
    {
        testutil::CDataTree tree(c.name);
        WriteBytes(tree / "map.lom", c.bytes);
        CRadarMapFile map;
        EXPECT_EQ(map.Open("map.lom"), c.opens) << c.name;
        Bytes tile(kRadarTileBytes, 0xCD);
        EXPECT_EQ(map.ReadTile(tile.data(), 1, 0), 0) << c.name;
        EXPECT_EQ(tile, zeros) << c.name;
        map.Close();
        const std::string log = tree.ErrorLog();
        EXPECT_NE(log.find(c.error), std::string::npos) << c.name << ": " << log;
        EXPECT_NE(log.find("map.lom"), std::string::npos) << c.name;
    }
}

TEST(GeometryBuffer, AppendMovesIndicesAndChecksCapacity)
{
    CGeometryBuffer target;
    target.Allocate(kPositionOnly, 12, 18);
    target.m_nVertexCount = 4;
    target.m_nIndexCount = 6;
    CGeometryBuffer quads;
    std::uint16_t* indices = quads.Allocate(kPositionOnly, 8, 12);
    for (std::uint16_t i = 0; i < 12; ++i) indices[i] = std::uint16_t(i % 8);
    for (std::uint32_t i = 0; i < 8 * quads.m_nStride; ++i) quads.m_pVertices[i] = std::uint8_t(i);

    ASSERT_TRUE(target.Append(quads));
    EXPECT_EQ(target.m_nVertexCount, 12u);
    EXPECT_EQ(target.m_nIndexCount, 18u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(target.m_pIndices[6 + i], i % 8 + 4);
    EXPECT_EQ(0, std::memcmp(target.m_pVertices + 4 * target.m_nStride, quads.m_pVertices, 8 * quads.m_nStride));

    // Full: nothing more is copied.
    EXPECT_FALSE(target.Append(quads));
    EXPECT_EQ(target.m_nVertexCount, 12u);
    EXPECT_EQ(target.m_nIndexCount, 18u);
}
} // namespace

// The sample tree's writer (tools/mksample/SampleRadar.cpp).
bool WriteSampleRadar(const std::string& root);

namespace
{
TEST_F(RadarMapFile, TheSampleLocationHasAFourByFourTileMap)
{
    std::filesystem::create_directories(Tree().Path() / "Data" / "Locs");
    ASSERT_TRUE(WriteSampleRadar("."));
    ASSERT_TRUE(m_Map.Open(RadarMapPathOf("Data\\Locs\\sample.lop").c_str()));
    EXPECT_EQ(m_Map.m_nWidth, 256);
    EXPECT_EQ(m_Map.m_nColumns, 4);
    EXPECT_EQ(m_Map.m_nRows, 4);
    int result = 0;
    EXPECT_EQ(Tile(3, 3, &result)[0], 0xFF) << "opaque";
    EXPECT_EQ(result, 1);
}
} // namespace
