// Land types and image records read from an INI-mode resource database
// written by the test; the image tiling plan.
#include "graphics/LandTypes.h"
#include "graphics/SurfaceManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"

#include "common/DataTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace
{
class ResourceLists : public testutil::CDataTreeTest
{
protected:
    void Write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    const fs::path m_dir = Tree().Path();
};

// A 24-bit BMP of the given size (black).
std::string Bmp(int w, int h)
{
    const int row = (w * 3 + 3) & ~3;
    std::string b(54 + row * h, '\0');
    auto put = [&](int at, std::uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            b[static_cast<std::size_t>(at + i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(2, static_cast<std::uint32_t>(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(w), 4);
    put(22, static_cast<std::uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return b;
}
} // namespace

TEST_F(ResourceLists, LandTypesDefaultsFlagBitAndDetailColumns)
{
    Write("main.ini", "[Lands]\nfilename=lands.ini\n");
    Write("lands.ini", "[GRASS]\nName=grass\nGID=5\nWidth=0.2\nIDHORIZONT=SAND\n"
                       "MODEL0=TREE\nFREQ0=0.5\nSCALE0=2\nTYPE0=1\nFREQ9=0.25\nTYPE1=7\nFREQ:=0.75\n"
                       "[SAND]\nName=sand\nGID=9\nHeight=3\n");
    ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
    CLandTypeManager lands;
    ASSERT_TRUE(lands.Init("Lands"));
    ASSERT_EQ(lands.GetCount(), 2);
    const SLandType* grass = lands.GetType(0);
    EXPECT_FLOAT_EQ(grass->height, 5.0f); // no "Height"
    EXPECT_FLOAT_EQ(grass->width, 0.5f);  // 0.2 raised
    EXPECT_EQ(grass->horizon, 1);
    EXPECT_EQ(grass->colour, 0xFF000000u);
    EXPECT_EQ(grass->texture, -1);
    EXPECT_FLOAT_EQ(lands.GetType(1)->height, 3.0f);
    EXPECT_EQ(lands.GetMaxGID(), 9);
    // Entry k comes from the columns ending in the digit k; "FREQ:" is not read.
    EXPECT_FLOAT_EQ(grass->details[0].frequency, 0.5f);
    EXPECT_FLOAT_EQ(grass->details[0].scale, 2.0f);
    EXPECT_EQ(grass->details[0].kind, 1);
    EXPECT_FLOAT_EQ(grass->details[9].frequency, 0.25f);
    EXPECT_EQ(grass->details[1].kind, 7); // kept, and logged
    EXPECT_NE(std::ifstream(m_dir / "error.log").peek(), EOF);
    const SLandDetail& empty = lands.GetType(1)->details[4];
    EXPECT_EQ(empty.model, -1);
    EXPECT_EQ(empty.frequency, 0.0f);
    EXPECT_EQ(empty.scale, 1.0f);
    EXPECT_EQ(empty.kind, 0);

    bool flag = false;
    EXPECT_EQ(lands.FindTypeIndex(0x8005, &flag), 0);
    EXPECT_TRUE(flag);
    EXPECT_EQ(lands.FindTypeIndex(5, &flag), 0);
    EXPECT_FALSE(flag);
    flag = true;
    EXPECT_EQ(lands.FindTypeIndex(-1, &flag), -1);
    EXPECT_EQ(lands.FindTypeIndex(77, &flag), -1);
    EXPECT_TRUE(flag); // untouched
}

TEST_F(ResourceLists, ImageRecordsTakeTheirSizeFromTheFile)
{
    Write("main.ini", "[Images]\nfilename=images.ini\n");
    Write("images.ini",
          "[PIC]\nFilename=pic.bmp\nWIDTH=0\n[FIXED]\nFilename=none.bmp\nWIDTH=40\nHEIGHT=30\n");
    Write("pic.bmp", Bmp(302, 200));
    ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
    CSurfaceManager images;
    ASSERT_TRUE(images.Init("Images"));
    int size[2];
    images.GetSurfaceSize(size, 0);
    EXPECT_EQ(size[0], 302);
    EXPECT_EQ(size[1], 200);
    images.GetSurfaceSize(size, 1);
    EXPECT_EQ(size[0], 40);
    images.GetSurfaceSize(size, -1);
    EXPECT_EQ(size[0], 0);
    EXPECT_EQ(size[1], 0);
    EXPECT_EQ(images.GetSurface(-1), nullptr);
}

TEST(SurfaceTiles, WideImageMakesTwoTilesWithARoundedEdge)
{
    const auto tiles = CSurfaceManager::PlanTiles(302, 200, plat::Rect{0, 0, 604, 400});
    ASSERT_EQ(tiles.size(), 2u);
    EXPECT_EQ(tiles[0].image.right, 256);
    EXPECT_EQ(tiles[1].image.left, 256);
    EXPECT_EQ(tiles[1].image.right - tiles[1].image.left, 46);
    EXPECT_EQ(tiles[1].copy.right, 304);
    EXPECT_EQ(tiles[1].copy.bottom, 200);
    EXPECT_EQ(tiles[0].screen.right, 512);
    EXPECT_EQ(tiles[1].screen.left, 512);
    EXPECT_EQ(tiles[1].screen.right, 604);
}
