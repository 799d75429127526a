// The saved-game thumbnail through the real Direct3D 8 layer offscreen: the
// picture shown last, of any size, becomes the 128 x 128 picture (left half
// red, right half blue stays so); a copy that fails leaves the picture it had.
#include "app/MMApp.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

using namespace plat::d3d;

class Thumbnail : public gfxtest::CGraphicDeviceTest
{
protected:
    // The thumbnail's pixels (A8R8G8B8 values, alpha forced opaque).
    static std::vector<std::uint32_t> Read(Surface* surface)
    {
        SSurfaceDesc desc{};
        surface->GetDesc(&desc);
        EXPECT_EQ(desc.Width, 128u);
        EXPECT_EQ(desc.Height, 128u);
        EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
        std::vector<std::uint32_t> out(std::size_t(desc.Width) * desc.Height);
        SLockedRect locked{};
        EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (std::uint32_t y = 0; y < desc.Height; ++y)
            std::memcpy(&out[std::size_t(y) * desc.Width],
                        static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch,
                        desc.Width * 4);
        surface->UnlockRect();
        for (std::uint32_t& p : out)
            p |= 0xFF000000u;
        return out;
    }
    // Shows red on the left half, blue on the right; the back buffer is
    // then cleared green, as the next frame would begin.
    static void ShowHalves(int width, int height)
    {
        graph.Clear(D3DCLEAR_TARGET, 0xFF0000FFu);
        const SRect left{0, 0, width / 2, height};
        graph.m_lpDevice->Clear(1, &left, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0);
        ASSERT_EQ(graph.m_lpDevice->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        graph.Clear(D3DCLEAR_TARGET, 0xFF00FF00u);
    }
};

TEST_F(Thumbnail, AnyShownPictureBecomes128By128)
{
    for (const auto& [width, height] : {std::pair{1024, 768}, std::pair{800, 600}, std::pair{300, 500}})
    {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        ASSERT_TRUE(OpenDevice(width, height));
        ASSERT_EQ(graph.m_nScreenWidth, width);
        CMMApp app;
        app.CreateThumbnailSurfaces();
        ASSERT_NE(app.m_pThumbnail, nullptr);
        ShowHalves(width, height);
        app.MakeScreenShot();
        const std::vector<std::uint32_t> picture = Read(app.m_pThumbnail);
        // The aspect ratio is not kept: the halves stay halves.
        for (int y : {0, 64, 127})
        {
            EXPECT_EQ(picture[std::size_t(y) * 128 + 10], 0xFFFF0000u) << "row " << y;
            EXPECT_EQ(picture[std::size_t(y) * 128 + 117], 0xFF0000FFu) << "row " << y;
        }
        app.ReleaseThumbnailSurfaces();
        TearDown();
    }
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(Thumbnail, AFailedCopyKeepsThePreviousPicture)
{
    ASSERT_TRUE(OpenDevice(320, 240));
    CMMApp app;
    app.CreateThumbnailSurfaces();
    ASSERT_NE(app.m_pThumbnail, nullptr);
    // The picture a former shot left.
    SLockedRect locked{};
    ASSERT_EQ(app.m_pThumbnail->LockRect(&locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            static_cast<std::uint32_t*>(static_cast<void*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                           std::size_t(y) * locked.Pitch))[x] = 0xFF123456u;
    app.m_pThumbnail->UnlockRect();
    ShowHalves(320, 240);
    // A lost device (a full-screen window that lost its focus) has no
    // picture to hand out.
    graph.m_lpDevice->SimulateDeviceLoss(false);
    app.MakeScreenShot();
    for (std::uint32_t p : Read(app.m_pThumbnail))
        ASSERT_EQ(p, 0xFF123456u);
    EXPECT_NE(Tree().ErrorLog().find("Can`t copy rects from back buffer"), std::string::npos);
    app.ReleaseThumbnailSurfaces();
}

} // namespace
