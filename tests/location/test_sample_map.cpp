// The sample location that mksample writes loads and streams.
#include "LocationFixture.h"

#include "location/Environment.h"
#include "tools/mksample/SampleLocation.h"

#include <gtest/gtest.h>

using testutil::CLocationTest;

TEST_F(CLocationTest, SampleLocationLoadsWithItsLakeAndEnvironment)
{
    std::filesystem::create_directories(m_dir / "Data" / "Locs");
    ASSERT_TRUE(WriteSampleLocation(m_dir.string()));
    m_location->Init(0, 0);
    m_location->ClearCache();
    ASSERT_TRUE(m_location->OpenMap((m_dir.string() + "\\" + kSampleLocationMap).c_str()));
    EXPECT_EQ(m_location->m_nCellsX, 4);
    EXPECT_EQ(m_location->m_nCellsY, 4);
    ASSERT_EQ(m_location->m_Water.size(), 1u);
    ASSERT_EQ(g_Environment.m_Records.size(), 3u);
    EXPECT_EQ(g_Environment.m_Records[1].bytes[CEnvironment::kNightFlagOffset], 1);

    int waterCells = 0, waterVertices = 0;
    for (int y = 0; y < 4; ++y)
    {
        for (int x = 0; x < 4; ++x)
        {
            Load(x, y, (x + y) % 2 ? kLevelFar : kLevelNear);
            const MapCell& cell = m_location->GetCell(x, y);
            waterCells += cell.m_pWater != nullptr;
            if (cell.m_pNear)
                for (const SNearVertex& v : cell.m_pNear->m_Vertices)
                    waterVertices += v.water != 0;
            if (cell.m_pFar)
                for (const SFarVertex& v : cell.m_pFar->m_Vertices)
                    waterVertices += v.water != 0;
        }
    }
    EXPECT_GE(waterCells, 1);
    EXPECT_LE(waterCells, 4);
    EXPECT_GT(waterVertices, 0);
    g_Environment.Clear();
}
