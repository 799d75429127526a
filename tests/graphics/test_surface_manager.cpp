// The surface manager drawing through the real device: whole images cut
// into tiles, the tile cache, a part of an image with its block alignment,
// and both ways of moving a tile into the work texture (direct copy and
// staging texture), checked by reading the back buffer.
#include "graphics/SurfaceManager.h"

#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TextureManager.h"
#include "platform/File.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace
{
using namespace plat::d3d;

// "Изображения" in code page 1251.
constexpr const char* kImageSection = "\xC8\xE7\xEE\xE1\xF0\xE0\xE6\xE5\xED\xE8\xFF";
constexpr int kImageTechnique = 19; // the loading screen's
constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// The test picture, 302 x 200: red left of x 128, green up to x 256, then
// blue above y 100 and white below. Every border falls on a DXT block edge
// and every colour survives RGB565, so the compressed tiles are exact.
std::uint32_t Picture(int x, int y)
{
    if (x < 128) return kRed;
    if (x < 256) return kGreen;
    return y < 100 ? kBlue : kWhite;
}

// A 24-bit bottom-up BMP.
void WriteBmp(const char* path, int w, int h, const std::function<std::uint32_t(int, int)>& pixel)
{
    const int row = (w * 3 + 3) & ~3;
    std::string b(54 + std::size_t(row) * h, '\0');
    auto put = [&](std::size_t at, std::uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            b[at + std::size_t(i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(2, std::uint32_t(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(w), 4);
    put(22, std::uint32_t(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            put(54 + std::size_t(h - 1 - y) * row + std::size_t(x) * 3, pixel(x, y), 3);
    std::ofstream(path, std::ios::binary) << b;
}

class SurfaceManagerDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(320, 240));
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.Path().c_str()));
        WriteBmp("picture.bmp", 302, 200, Picture);
        WriteBmp("square.bmp", 256, 256, [](int x, int) { return x < 128 ? kGreen : kBlue; });
        std::ofstream("db.ini") << "[" << kImageSection << "]\nfilename=images.ini\n";
        std::ofstream("images.ini") << "[PICTURE]\nFilename=picture.bmp\nWIDTH=0\n"
                                    << "[SQUARE]\nFilename=square.bmp\nWIDTH=0\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        // The texture manager's work textures, the techniques and the
        // "SCREEN" render buffer the images are drawn with.
        g_ResourceEngine.PreInit();
        ASSERT_NE(g_pSurfaceManager, nullptr);
    }
    void TearDown() override
    {
        g_Settings.DirectCopy = 1;
        g_ResourceEngine.GlobalDone();
        CMesh::ResetCurrent();
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        CGraphicDeviceTest::TearDown();
    }
    int Id(const char* name) { return g_pSurfaceManager->FindName(name); }
    // Draws on black and reads the back buffer, RGB only.
    std::vector<std::uint32_t> Frame(const std::function<void()>& draw)
    {
        Device* d = graph.m_lpDevice;
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        draw();
        d->EndScene();
        CMesh::ResetCurrent();
        std::uint32_t w = 0;
        std::vector<std::uint32_t> pixels = gfxtest::ReadBackBuffer(&w);
        EXPECT_EQ(w, 320u);
        for (std::uint32_t& p : pixels)
            p &= 0xFFFFFF;
        return pixels;
    }
    static std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y)
    {
        return pixels.at(std::size_t(y) * 320 + std::size_t(x));
    }

    gfxtest::CTempDir m_dir{"surfaces"};
    std::string m_previous;
};

TEST_F(SurfaceManagerDevice, DrawsAWideImageInTwoTilesByEitherCopy)
{
    // Both ways are taken only when the work texture is dynamic.
    ASSERT_TRUE(g_pTextureManager && g_pTextureManager->GetWorkTexture(0));
    ASSERT_TRUE(g_pTextureManager->GetWorkTexture(0)->m_bDynamic);
    for (std::uint8_t direct : {1, 0})
    {
        SCOPED_TRACE(direct ? "direct copy" : "staging texture");
        g_Settings.DirectCopy = direct;
        g_pSurfaceManager->m_pLastSurface = nullptr; // no tile cached from the other pass
        const std::uint32_t copies = g_pSurfaceManager->m_nTileCopies;
        const auto pixels = Frame([&] { g_pSurfaceManager->DrawSurface(Id("PICTURE"), kImageTechnique, 0, 0, 302, 200, nullptr); });
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(g_pSurfaceManager->m_nTileCopies - copies, 2u);
        // Away from the borders, where filtering may blend.
        for (const auto& [x, y] : {std::pair{10, 10}, {120, 190}, {136, 10}, {250, 150}, {262, 10}, {296, 90},
                                   {262, 110}, {296, 190}})
            EXPECT_EQ(At(pixels, x, y), Picture(x, y)) << "at " << x << ", " << y;
        EXPECT_EQ(At(pixels, 310, 100), 0u); // right of the image
        EXPECT_EQ(At(pixels, 100, 220), 0u); // below it
    }
}

TEST_F(SurfaceManagerDevice, TheTileCacheSkipsTheCopyOfTheSameTile)
{
    const int square = Id("SQUARE");
    const std::uint32_t copies = g_pSurfaceManager->m_nTileCopies;
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < 2; ++i)
        pixels = Frame([&] { g_pSurfaceManager->DrawSurface(square, kImageTechnique, 0, 0, 256, 256, nullptr); });
    EXPECT_EQ(g_pSurfaceManager->m_nTileCopies - copies, 1u);
    // The second frame drew from the tile the first left in the work texture.
    EXPECT_EQ(At(pixels, 60, 100), kGreen);
    EXPECT_EQ(At(pixels, 200, 100), kBlue);

    // Another image's tile replaces it; the square is copied again.
    Frame([&] { g_pSurfaceManager->DrawSurface(Id("PICTURE"), kImageTechnique, 0, 0, 302, 200, nullptr); });
    pixels = Frame([&] { g_pSurfaceManager->DrawSurface(square, kImageTechnique, 0, 0, 256, 256, nullptr); });
    EXPECT_EQ(g_pSurfaceManager->m_nTileCopies - copies, 4u);
    EXPECT_EQ(At(pixels, 200, 100), kBlue);
}

TEST_F(SurfaceManagerDevice, DrawsAPartOfAnImageFromUnalignedSourceEdges)
{
    // Source x L..L+160, y 50..150 into 160 x 100 at the origin: 1:1. The
    // copy starts at the block edge x 128; the L - 128 pixels before the
    // wanted ones are skipped in the texture, so the green/blue border of
    // the image (x 256) moves left by one pixel for each pixel L grows.
    int border[2] = {};
    for (int left : {128, 131})
    {
        SCOPED_TRACE("source left " + std::to_string(left));
        const std::uint32_t copies = g_pSurfaceManager->m_nTileCopies;
        auto draw = [&]
        {
            g_pSurfaceManager->DrawSurfaceEx(Id("PICTURE"), kImageTechnique, plat::Rect{0, 0, 160, 100},
                                             plat::Rect{left, 50, left + 160, 150}, false);
        };
        const auto pixels = Frame(draw);
        ASSERT_FALSE(pixels.empty());
        for (const auto& [x, y] : {std::pair{5, 5}, {120, 45}, {5, 95}, {120, 55}})
            EXPECT_EQ(At(pixels, x, y), kGreen) << "at " << x << ", " << y;
        for (const auto& [x, y] : {std::pair{134, 5}, {155, 45}})
            EXPECT_EQ(At(pixels, x, y), kBlue) << "at " << x << ", " << y;
        for (const auto& [x, y] : {std::pair{134, 55}, {155, 95}})
            EXPECT_EQ(At(pixels, x, y), kWhite) << "at " << x << ", " << y;
        EXPECT_EQ(At(pixels, 165, 50), 0u);
        // Image y 100 (blue above, white below) lands at y 50 or next to it.
        EXPECT_EQ(At(pixels, 140, 48), kBlue);
        EXPECT_EQ(At(pixels, 140, 52), kWhite);
        int& b = border[left == 131];
        while (b < 160 && (At(pixels, b, 5) & 0xFF) <= ((At(pixels, b, 5) >> 8) & 0xFF))
            ++b;
        // A part is copied on every draw, cached tile or not.
        Frame(draw);
        EXPECT_EQ(g_pSurfaceManager->m_nTileCopies - copies, 2u);
    }
    EXPECT_EQ(border[0] - border[1], 3);
}

} // namespace
