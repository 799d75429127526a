// Screenshots from the back buffer (JPEG and BMP, numbering), the BMP
// writer's bytes, Print Screen through the shell, and CLogWriter.

#include "graphics/GraphicTestDevice.h"

#include "foundation/Application.h"
#include "foundation/ImageWriters.h"
#include "foundation/LogWriter.h"
#include "foundation/Screenshot.h"
#include "foundation/Settings.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

namespace
{

using namespace plat::d3d;
using gfxtest::CTempDir;

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16) | std::uint32_t(b[at + 3]) << 24;
}

struct SJpegImage
{
    std::uint32_t width = 0, height = 0, components = 0;
    std::vector<std::uint8_t> rgb;
};

struct SDecodeError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// Decodes an open JPEG file with libjpeg; false when it is not one.
bool Decode(std::FILE* f, SJpegImage& image)
{
    jpeg_decompress_struct info;
    SDecodeError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = [](j_common_ptr c)
    { std::longjmp(reinterpret_cast<SDecodeError*>(c->err)->jump, 1); };
    if (setjmp(error.jump))
    {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, f);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    image.width = info.output_width;
    image.height = info.output_height;
    image.components = std::uint32_t(info.output_components);
    image.rgb.resize(std::size_t(image.width) * image.height * image.components);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = image.rgb.data() + std::size_t(info.output_scanline) * image.width * image.components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// The decoded file; an empty image when it is missing or not a JPEG.
SJpegImage DecodeJpeg(const std::string& path)
{
    SJpegImage image;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return image;
    const bool ok = Decode(f, image);
    std::fclose(f);
    return ok ? image : SJpegImage{};
}

// Runs each test with the device open and the temporary directory current,
// so that "SCREENS\..." lands there.
class Screenshot : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override { ASSERT_TRUE(OpenDevice(40, 30)); }

    // Top half one colour, bottom half another.
    void Paint(std::uint32_t top, std::uint32_t bottom)
    {
        const SRect upper{0, 0, 40, 15}, lower{0, 15, 40, 30};
        graph.m_lpDevice->Clear(1, &upper, D3DCLEAR_TARGET, top, 1.0f, 0);
        graph.m_lpDevice->Clear(1, &lower, D3DCLEAR_TARGET, bottom, 1.0f, 0);
    }

    // The fixture's data tree, the working directory during the test.
    testutil::CDataTree& m_Dir = Tree();
};

bool Near(const std::uint8_t* rgb, std::uint32_t colour, int tolerance)
{
    return std::abs(int(rgb[0]) - int(colour >> 16 & 255)) <= tolerance &&
           std::abs(int(rgb[1]) - int(colour >> 8 & 255)) <= tolerance &&
           std::abs(int(rgb[2]) - int(colour & 255)) <= tolerance;
}

TEST_F(Screenshot, JpegDecodesBackAsTheWindowPicture)
{
    Paint(0xFF3366CC, 0xFFE0A020);
    ASSERT_TRUE(SaveJpegScreenshot(95));
    const SJpegImage image = DecodeJpeg(m_Dir / "SCREENS/tarvox2_1.jpg");
    ASSERT_EQ(image.width, 40u);
    ASSERT_EQ(image.height, 30u);
    ASSERT_EQ(image.components, 3u);
    // Away from the edge between the halves, where JPEG blurs.
    EXPECT_TRUE(Near(&image.rgb[(4 * 40 + 10) * 3], 0x3366CC, 6));
    EXPECT_TRUE(Near(&image.rgb[(26 * 40 + 30) * 3], 0xE0A020, 6));
}

TEST_F(Screenshot, NumberingTakesTheFirstFreeNumber)
{
    ASSERT_TRUE(plat::CreateDirectory("SCREENS"));
    for (const char* name : {"SCREENS/tarvox2_1.jpg", "SCREENS/tarvox2_3.jpg", "SCREENS/tarvox2_2.bmp"})
        std::ofstream(m_Dir / name) << "taken";
    Paint(0xFF000000, 0xFFFFFFFF);
    ASSERT_TRUE(SaveJpegScreenshot(70));
    EXPECT_EQ(DecodeJpeg(m_Dir / "SCREENS/tarvox2_2.jpg").width, 40u);
    ASSERT_TRUE(SaveJpegScreenshot(70));
    EXPECT_EQ(DecodeJpeg(m_Dir / "SCREENS/tarvox2_4.jpg").width, 40u);
    // The files that were there are left alone.
    EXPECT_EQ(ReadFile(m_Dir / "SCREENS/tarvox2_3.jpg").size(), 5u);
    EXPECT_EQ(NextScreenshotPath("bmp"), "SCREENS\\tarvox2_1.bmp");
}

TEST_F(Screenshot, BitmapStoresTheBottomRowFirst)
{
    Paint(0xFFFF0000, 0xFF0000FF);
    ASSERT_TRUE(SaveBitmapScreenshot());
    const std::vector<std::uint8_t> bmp = ReadFile(m_Dir / "SCREENS/tarvox2_1.bmp");
    ASSERT_EQ(bmp.size(), 54u + 40 * 30 * 4);
    EXPECT_EQ(Le32(bmp, 18), 40u);
    EXPECT_EQ(Le32(bmp, 22), 30u);
    // Bytes B, G, R, X: the first stored row is the bottom (blue) one.
    EXPECT_EQ(Le32(bmp, 54) & 0x00FFFFFF, 0x0000FFu);
    EXPECT_EQ(Le32(bmp, bmp.size() - 4) & 0x00FFFFFF, 0xFF0000u);
}

TEST_F(Screenshot, ReleasingPrintScreenWritesOneJpeg)
{
    CApplication app;
    app.m_hWnd = m_pWindow;
    g_Settings.JPGQuality = 50;
    plat::Msg msg;
    while (plat::PeekMessage(&msg, nullptr, 0, 0, plat::PM_REMOVE))
    {
    }
    plat::PostMessage(m_pWindow, plat::WM_KEYDOWN, plat::VK_SNAPSHOT, 0);
    plat::PostMessage(m_pWindow, plat::WM_KEYUP, plat::VK_SNAPSHOT, 0);
    app.PumpMessages();
    app.m_bReady = 1;
    app.PumpMessages();
    EXPECT_EQ(DecodeJpeg(m_Dir / "SCREENS/tarvox2_1.jpg").width, 40u);
    EXPECT_FALSE(plat::FileExists("SCREENS\\tarvox2_2.jpg"));
    g_Settings.JPGQuality = 70;
}

TEST_F(Screenshot, WithoutADeviceNothingIsWritten)
{
    graph.Release();
    EXPECT_FALSE(SaveJpegScreenshot(70));
    EXPECT_FALSE(SaveBitmapScreenshot());
    EXPECT_FALSE(plat::DirectoryExists("SCREENS"));
    EXPECT_NE(m_Dir.ErrorLog().find("Screenshot: no graphics device"), std::string::npos);
}

TEST(ImageWriters, BitmapBytesAreExact)
{
    CTempDir dir("bmp");
    const std::uint8_t pixels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(SaveBitmapFile((dir / "p.bmp").c_str(), 2, 2, pixels, 3));
    const std::vector<std::uint8_t> b = ReadFile(dir / "p.bmp");
    ASSERT_EQ(b.size(), 54u + 12);
    // clang-format off
    const std::vector<std::uint8_t> header = {
        'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,              // file header
        40,  0,   0,  0, 2, 0, 0, 0, 2, 0, 0,  0, 1, 0, 24, 0,        // size, width, height, planes, bits
        0,   0,   0,  0, 12, 0, 0, 0,                                 // compression, image size
        0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};         // resolutions, colours
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + 54), header);
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 54, b.end()), std::vector<std::uint8_t>(pixels, pixels + 12));

    EXPECT_FALSE(SaveBitmapFile((dir / "no/such/dir/p.bmp").c_str(), 2, 2, pixels, 3));
    const std::uint8_t rgb[3] = {1, 2, 3};
    EXPECT_FALSE(WriteJpegFile((dir / "no/such/dir/p.jpg").c_str(), rgb, 1, 1, 70));
}

TEST(LogWriter, KeepsEachIdOnceAcrossRuns)
{
    CTempDir dir("logw");
    const std::string path = dir / "TextureManager_Log.txt";
    const std::string longId(600, 'x');
    {
        CLogWriter log;
        ASSERT_EQ(log.Init(path.c_str()), plat::S_OK);
        EXPECT_EQ(log.WriteToLog("TEX_A", "a.tm"), plat::S_OK);
        EXPECT_EQ(log.WriteToLog("TEX_A", "again"), plat::E_FAIL);
        EXPECT_EQ(log.WriteToLog("TEX_NULL", nullptr), plat::S_OK);
        EXPECT_EQ(log.WriteToLog(longId.c_str(), "long"), plat::S_OK);
        EXPECT_EQ(log.WriteToLog("two words", "v"), plat::S_OK);
        EXPECT_EQ(log.WriteToLog("tab\tid", "v"), plat::E_FAIL);
        EXPECT_EQ(log.WriteToLog(nullptr, "v"), plat::E_FAIL);
        EXPECT_EQ(log.RememberID(nullptr), plat::E_FAIL);
    }
    {
        CLogWriter log;
        ASSERT_EQ(log.Init(path.c_str()), plat::S_OK);
        EXPECT_EQ(log.WriteToLog("TEX_A", "later"), plat::E_FAIL);
        EXPECT_EQ(log.WriteToLog(longId.c_str(), "later"), plat::E_FAIL);
        EXPECT_EQ(log.WriteToLog("two words", "later"), plat::E_FAIL);
        EXPECT_EQ(log.WriteToLog("TEX_B", "b.tm"), plat::S_OK);
        log.Close();
        EXPECT_EQ(log.WriteToLog("TEX_C", "c"), plat::E_FAIL);
    }
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "TEX_A\ta.tm\nTEX_NULL\tNULL\n" + longId + "\tlong\ntwo words\tv\nTEX_B\tb.tm\n");

    CLogWriter nowhere;
    EXPECT_EQ(nowhere.Init((dir / "no/such/dir/log.txt").c_str()), plat::E_FAIL);
    EXPECT_EQ(nowhere.WriteToLog("TEX_A", "a"), plat::E_FAIL);
}

} // namespace
