#include "LocationFixture.h"

#include "foundation/PakBuilder.h"
#include "foundation/PakReader.h"
#include "graphics/TextureManager.h"
#include "location/Environment.h"
#include "location/TerrainUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using testutil::Bytes;
using testutil::CLocationTest;
using testutil::MakeSource;

namespace
{
int CountLines(const std::string& text)
{
    return int(std::count(text.begin(), text.end(), '\n'));
}

std::vector<std::uint8_t> SomeBytes(std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = std::uint8_t(i * 37 + 11);
    return bytes;
}
} // namespace

struct SGridCase
{
    int width, height, cellsX, cellsY;
    bool shared;
};
void PrintTo(const SGridCase& c, std::ostream* os)
{
    *os << c.width << " x " << c.height << " -> " << c.cellsX << " x " << c.cellsY << " cells"
        << (c.shared ? ", one shared block" : "");
}

class MapGrid : public CLocationTest, public ::testing::WithParamInterface<SGridCase>
{
};

TEST_P(MapGrid, CellCountsFromTheGridSize)
{
    const SGridCase c = GetParam();
    SMapSource source = MakeSource(c.width, c.height);
    source.shareOneBlock = c.shared;
    ASSERT_TRUE(Open(source, false));
    EXPECT_EQ(m_location->m_nCellsX, c.cellsX);
    EXPECT_EQ(m_location->m_nCellsY, c.cellsY);
    EXPECT_EQ(m_location->m_nWidth, c.width);
    EXPECT_EQ(std::u16string(m_location->m_szName), u"Test");
    const MapCell& last = m_location->GetCell(c.cellsX - 1, c.cellsY - 1);
    EXPECT_FLOAT_EQ(last.m_vMin.x, 640.0f * float(c.cellsX - 1));
    EXPECT_FLOAT_EQ(last.m_fFactors[4], 1.0f);
    EXPECT_FLOAT_EQ(last.m_vCenter.x, (last.m_vMin.x + last.m_vMax.x) * 0.5f);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MapGrid,
                         ::testing::Values(SGridCase{65, 65, 1, 1, false}, SGridCase{129, 129, 2, 2, false},
                                           SGridCase{4097, 4097, 64, 64, true},
                                           SGridCase{100, 80, 2, 2, false}, SGridCase{66, 65, 2, 1, false}));

TEST_F(CLocationTest, SectionsSkipUnknownTypesAndWaterNamesBecomeTextureIds)
{
    TextureManager textures;
    textures.m_Names.Init(4, 64);
    textures.m_Names.Add("TEX_A");
    textures.m_Names.Add("TEX_WATER");
    g_pTextureManager = &textures;

    SMapSource source = MakeSource(65, 65);
    source.water = {MakeWaterRecord(0x102030, 5.0f, "TEX_WATER", "TEX_A"),
                    MakeWaterRecord(0x405060, 7.0f, "TEX_NONE", "")};
    source.extraSections = {{7, SomeBytes(333)}, {0, SomeBytes(1)}};
    SEnvSectionHeader env{};
    env.upperLimit = 500.0f;
    SEnvRecord record{};
    std::snprintf(reinterpret_cast<char*>(record.bytes + 96), 32, "TEX_A");
    source.environment = BuildEnvironmentSection(env, {record, record});
    source.cellWater = {1};
    const bool opened = Open(source);
    g_pTextureManager = nullptr;
    ASSERT_TRUE(opened);

    ASSERT_EQ(m_location->m_Water.size(), 2u);
    EXPECT_EQ(m_location->m_Water[0].GetTextureId(), 1);
    EXPECT_EQ(m_location->m_Water[0].GetTexture2Id(), 0);
    EXPECT_EQ(m_location->m_Water[1].GetTextureId(), -1);
    EXPECT_EQ(m_location->m_Water[0].record.color, 0x102030u);
    ASSERT_EQ(g_Environment.m_Records.size(), 2u);
    std::int32_t cloud;
    std::memcpy(&cloud, g_Environment.m_Records[1].bytes + 96, 4);
    EXPECT_EQ(cloud, 0);
    EXPECT_FLOAT_EQ(g_Environment.m_fUpperLimit, 500.0f);

    Load(0, 0, kLevelNear);
    EXPECT_EQ(m_location->GetCell(0, 0).m_pWater, &m_location->m_Water[1]);
    g_Environment.Clear();
}

TEST_F(CLocationTest, NearAndFarLayersSpreadIntoTheirSlots)
{
    SMapSource source = MakeSource(129, 129);
    source.landTypes.assign(source.heights.size(), 0);
    source.dropMasks.assign(source.heights.size(), 0);
    for (std::size_t i = 0; i < source.heights.size(); ++i)
    {
        source.landTypes[i] = std::uint16_t(i % 5);
        source.dropMasks[i] = std::uint8_t(i % 8);
    }
    source.water = {MakeWaterRecord(0, 200.0f, "", "")};
    source.cellWater = {kNoWater, 0, kNoWater, kNoWater};
    ASSERT_TRUE(Open(source));

    Load(1, 0, kLevelNear);
    const MapCell& cell = m_location->GetCell(1, 0);
    ASSERT_NE(cell.m_pNear, nullptr);
    EXPECT_EQ(cell.m_pWater, &m_location->m_Water[0]);
    const SNearSlot& near = *cell.m_pNear;
    for (int r : {0, 1, 33, 64})
    {
        for (int c : {0, 17, 64})
        {
            const std::size_t at = std::size_t(r * 129 + 64 + c);
            EXPECT_FLOAT_EQ(near.At(r, c).height, source.heights[at]);
            EXPECT_EQ(near.At(r, c).landType, source.landTypes[at]);
            EXPECT_EQ(near.At(r, c).dropMask, source.dropMasks[at]);
            EXPECT_EQ(near.At(r, c).water, source.heights[at] < 200.0f ? 1 : 0);
        }
    }
    // The box reaches the water level that lies above every height.
    EXPECT_FLOAT_EQ(near.m_vMin.x, 640.0f);
    EXPECT_FLOAT_EQ(near.m_vMax.x, 10.0f * (64 + 65));
    EXPECT_FLOAT_EQ(near.m_vMax.z, 200.0f);
    EXPECT_FLOAT_EQ(near.m_Quads[3].m_vMin.x, 640.0f + 320.0f);
    EXPECT_FLOAT_EQ(near.m_Quads[3].m_vMax.y, 320.0f + 330.0f);
    EXPECT_EQ(near.m_nBlocksPerSide, 2);

    Load(0, 1, kLevelFar);
    const MapCell& farCell = m_location->GetCell(0, 1);
    ASSERT_NE(farCell.m_pFar, nullptr);
    EXPECT_EQ(farCell.m_pWater, nullptr); // 0xFFFFFFFF
    const SFarSlot& far = *farCell.m_pFar;
    for (int r : {0, 5, 32})
    {
        for (int c : {0, 9, 32})
        {
            const float h = source.heights[std::size_t((64 + 2 * r) * 129 + 2 * c)];
            EXPECT_EQ(far.At(r, c).height, std::int16_t(std::lround(h)));
        }
    }
    float normal[3];
    UnpackNormal(normal, std::int32_t(far.At(5, 5).normal));
    EXPECT_NEAR(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2], 1.0f, 1e-3f);
    EXPECT_FLOAT_EQ(far.m_vMax.x, 10.0f * (65 + 1));
    EXPECT_EQ(far.m_nCellY, 1);
}

// A map that is not 64 n + 1: the short last column and row are read with
// their own width, and the slot repeats their last vertex.
TEST_F(CLocationTest, ShortEdgeCellsOfMapsThatAreNot64nPlus1)
{
    const SMapSource source = MakeSource(100, 80);
    ASSERT_TRUE(Open(source));
    Load(1, 1, kLevelNear);
    const SNearSlot& near = *m_location->GetCell(1, 1).m_pNear;
    const auto height = [&](int gx, int gy) { return source.heights[std::size_t(gy * 100 + gx)]; };
    EXPECT_FLOAT_EQ(near.At(0, 0).height, height(64, 64));
    EXPECT_FLOAT_EQ(near.At(15, 35).height, height(99, 79));
    EXPECT_FLOAT_EQ(near.At(64, 64).height, height(99, 79));
    EXPECT_FLOAT_EQ(near.At(3, 50).height, height(99, 67));
    EXPECT_FLOAT_EQ(near.m_vMax.x, 10.0f * (64 + 36));

    Load(1, 0, kLevelFar);
    const SFarSlot& far = *m_location->GetCell(1, 0).m_pFar;
    EXPECT_EQ(far.At(2, 17).height, std::int16_t(std::lround(height(64 + 34, 4))));
    EXPECT_EQ(far.At(2, 30).height, far.At(2, 18).height);
}

TEST_F(CLocationTest, MapInAPackLoadsItsCellsThroughThePack)
{
    const SMapSource source = MakeSource(129, 129);
    const std::string loose = WriteBytes("source.map", BuildMap(source));
    std::filesystem::create_directories(m_dir / "Data");
    const char* names[] = {"Locs\\packed.map"};
    const char* paths[] = {loose.c_str()};
    CPackBuilder builder;
    ASSERT_TRUE(builder.Build((m_dir / "Data" / "maps.pak").c_str(), names, paths, 1, 4096, 0x05, 0.0f,
                              nullptr, nullptr));
    ASSERT_EQ(GetPakFileSystem().Mount((m_dir / "Data").c_str()), 1);
    m_location->Init(0, 0);
    m_location->ClearCache();
    const bool opened = m_location->OpenMap("Locs\\packed.map");
    ASSERT_TRUE(opened);
    EXPECT_TRUE(m_location->m_CellStream.IsInPak());
    Load(1, 1, kLevelNear);
    Load(0, 1, kLevelFar);
    EXPECT_FLOAT_EQ(m_location->GetCell(1, 1).m_pNear->At(7, 9).height,
                    source.heights[std::size_t((64 + 7) * 129 + 64 + 9)]);
    EXPECT_EQ(m_location->GetCell(0, 1).m_pFar->At(1, 1).height,
              std::int16_t(std::lround(source.heights[std::size_t(66 * 129 + 2)])));
    m_location->m_CellStream.Close();
    GetPakFileSystem().Unmount();
}

// Damaged maps: one error line with the file, the record and the fault;
// the location is not entered.
struct SDamage
{
    const char* name;
    void (*damage)(Bytes& bytes, const SMapLayout& layout);
    const char* fault;
};

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    std::memcpy(bytes.data() + at, &value, 4);
}

const SDamage kDamages[] = {
    {"empty", [](Bytes& b, const SMapLayout&) { b.clear(); }, "header: needs bytes 0..304, the file has 0"},
    {"header cut", [](Bytes& b, const SMapLayout&) { b.resize(200); }, "header: needs bytes 0..304"},
    {"grid over 64 cells", [](Bytes& b, const SMapLayout&) { Put32(b, 132, 4098); },
     "gives 65 x 2 cells, at most 64 x 64"},
    {"grid of one vertex", [](Bytes& b, const SMapLayout&) { Put32(b, 136, 1); }, "grid of 129 x 1 vertices"},
    {"section past the end",
     [](Bytes& b, const SMapLayout& l) { Put32(b, l.sectionOffsets[1] + 8, 0x7FFFFFF0); },
     "section 1 (type 9): body of 2147483632 bytes"},
    {"water size", [](Bytes& b, const SMapLayout& l) { Put32(b, l.sectionOffsets[0] + 8, 229); },
     "section 0 (water): size 229 is not a multiple of 228"},
    {"environment count", [](Bytes& b, const SMapLayout& l) { Put32(b, l.sectionOffsets[2] + 12, 5); },
     "section 2 (environment): environment count 5 needs 2304 bytes, the section has 592"},
    {"table cut", [](Bytes& b, const SMapLayout& l) { b.resize(l.tableOffset + 100); },
     "cell table: needs bytes"},
    {"block past the end",
     [](Bytes& b, const SMapLayout& l) { Put32(b, l.tableOffset + 3 * 76, 0xFFFFFF00u); },
     "cell (1, 1): data block of"},
    {"file cut in the last block", [](Bytes& b, const SMapLayout&) { b.pop_back(); },
     "cell (1, 1): data block of 101928 bytes"},
    {"water index", [](Bytes& b, const SMapLayout& l) { Put32(b, l.blockOffsets[2], 1); },
     "cell (0, 1): water record 1, the map has 1"},
};

class MapDamaged : public CLocationTest, public ::testing::WithParamInterface<SDamage>
{
};

TEST_P(MapDamaged, OneErrorLineAndTheLocationIsNotEntered)
{
    SMapSource source = MakeSource(129, 129);
    source.water = {MakeWaterRecord(0, 1.0f, "", "")};
    source.cellWater = {0, kNoWater, kNoWater, 0};
    source.extraSections = {{9, SomeBytes(40)}};
    source.environment = BuildEnvironmentSection(SEnvSectionHeader{}, {SEnvRecord{}});
    SMapLayout layout;
    Bytes bytes = BuildMap(source, &layout);
    GetParam().damage(bytes, layout);
    const std::string path = WriteBytes("damaged.map", bytes);
    m_location->ClearCache();
    char before[CErrorLog::kTraceSize], after[CErrorLog::kTraceSize];
    g_ErrorLog.GetTrace(before, sizeof(before));
    EXPECT_FALSE(m_location->OpenMap(path.c_str()));
    EXPECT_EQ(m_location->m_nCellsX, 0);
    g_ErrorLog.GetTrace(after, sizeof(after));
    EXPECT_STREQ(after, before); // the line says it all
    const std::string log = ReadText("error.log");
    EXPECT_EQ(CountLines(log), 1) << log;
    EXPECT_NE(log.find("Map file '" + path + "'"), std::string::npos) << log;
    EXPECT_NE(log.find(GetParam().fault), std::string::npos) << log;
    EXPECT_NE(log.find("the location is not entered"), std::string::npos) << log;
    g_Environment.Clear();
}

INSTANTIATE_TEST_SUITE_P(Cases, MapDamaged, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<SDamage>& info)
                         {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

TEST_F(CLocationTest, MissingMapIsReportedAndNotEntered)
{
    EXPECT_FALSE(m_location->OpenMap(PathOf("none.map").c_str()));
    EXPECT_NE(ReadText("error.log").find("File not found"), std::string::npos);
}
