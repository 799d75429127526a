// GetFrontBuffer: the last presented picture, after the gamma ramp, read
// into a system-memory image of the window's size.

#include "D3D8Fixture.h"

#include "platform/Window.h"

#include <thread>

namespace d3dtest
{

namespace
{

class CFrontBuffer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool registered =
            plat::RegisterClass(plat::WindowClass{0, plat::DefWindowProc, "FrontBufferTest", nullptr});
        ASSERT_TRUE(registered);
        m_pWindow = plat::CreateWindow("FrontBufferTest", "", plat::WS_OVERLAPPED, 0, 0, 40, 30);
        ASSERT_NE(m_pWindow, nullptr);
        plat::Rect client{};
        ASSERT_TRUE(plat::GetClientRect(m_pWindow, &client));
        m_nWidth = std::uint32_t(client.right - client.left);
        m_nHeight = std::uint32_t(client.bottom - client.top);
        m_d3d = Direct3DCreate8(D3D_SDK_VERSION);
        SPresentParameters p{};
        p.BackBufferWidth = m_nWidth;
        p.BackBufferHeight = m_nHeight;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = 1;
        ASSERT_EQ(m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, m_pWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                      &m_dev),
                  D3D_OK);
    }
    void TearDown() override
    {
        if (m_dev)
        {
            EXPECT_EQ(m_dev->Release(), 0u);
        }
        if (m_d3d) m_d3d->Release();
        if (m_pWindow) plat::DestroyWindow(m_pWindow);
    }

    // The front buffer as A8R8G8B8 values, row by row.
    std::vector<std::uint32_t> Front()
    {
        Surface* image = nullptr;
        EXPECT_EQ(m_dev->CreateImageSurface(m_nWidth, m_nHeight, D3DFMT_A8R8G8B8, &image), D3D_OK);
        EXPECT_EQ(m_dev->GetFrontBuffer(image), D3D_OK);
        std::vector<std::uint32_t> out(std::size_t(m_nWidth) * m_nHeight);
        SLockedRect locked{};
        EXPECT_EQ(image->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (std::uint32_t y = 0; y < m_nHeight; ++y)
            std::memcpy(&out[std::size_t(y) * m_nWidth],
                        static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch, m_nWidth * 4);
        image->UnlockRect();
        image->Release();
        return out;
    }

    plat::Window* m_pWindow = nullptr;
    Direct3D* m_d3d = nullptr;
    Device* m_dev = nullptr;
    std::uint32_t m_nWidth = 0, m_nHeight = 0;
};

} // namespace

TEST_F(CFrontBuffer, RefusesSurfacesThatCannotTakeThePicture)
{
    EXPECT_EQ(m_dev->GetFrontBuffer(nullptr), D3DERR_INVALIDCALL);
    Surface* wrongFormat = nullptr;
    Surface* wrongSize = nullptr;
    Surface* target = nullptr;
    Texture* texture = nullptr;
    Surface* level = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(m_nWidth, m_nHeight, D3DFMT_X8R8G8B8, &wrongFormat), D3D_OK);
    ASSERT_EQ(m_dev->CreateImageSurface(m_nWidth + 1, m_nHeight, D3DFMT_A8R8G8B8, &wrongSize), D3D_OK);
    ASSERT_EQ(m_dev->CreateRenderTarget(m_nWidth, m_nHeight, D3DFMT_A8R8G8B8, 0, true, &target), D3D_OK);
    ASSERT_EQ(m_dev->CreateTexture(m_nWidth, m_nHeight, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture),
              D3D_OK);
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    for (Surface* s : {wrongFormat, wrongSize, target, level})
        EXPECT_EQ(m_dev->GetFrontBuffer(s), D3DERR_INVALIDCALL);

    // Only the thread that owns the device reads the picture; a lost device
    // has none.
    Surface* image = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(m_nWidth, m_nHeight, D3DFMT_A8R8G8B8, &image), D3D_OK);
    HResult other = D3D_OK;
    std::thread([&] { other = m_dev->GetFrontBuffer(image); }).join();
    EXPECT_EQ(other, D3DERR_INVALIDCALL);
    m_dev->SimulateDeviceLoss(false);
    EXPECT_EQ(m_dev->GetFrontBuffer(image), D3DERR_DEVICELOST);

    for (Unknown* u : std::initializer_list<Unknown*>{wrongFormat, wrongSize, target, level, texture, image})
        u->Release();
}

TEST_F(CFrontBuffer, HoldsTheLastPresentedPictureThroughTheGammaRamp)
{
    // Nothing presented yet: black.
    for (std::uint32_t p : Front())
        ASSERT_EQ(p, 0xFF000000u);

    // One colour with another in the bottom right quarter, so a flipped or
    // mirrored copy shows; the first ramp inverts green only, the second is
    // the identity (the present takes its short way), then the first again.
    SGammaRamp invert{}, identity{};
    for (int i = 0; i < 256; ++i)
    {
        invert.red[i] = invert.blue[i] = std::uint16_t(i * 257);
        invert.green[i] = std::uint16_t((255 - i) * 257);
        identity.red[i] = identity.green[i] = identity.blue[i] = std::uint16_t(i * 257);
    }
    const std::int32_t w = std::int32_t(m_nWidth), h = std::int32_t(m_nHeight);
    for (const SGammaRamp* ramp : {&invert, &identity, &identity, &invert})
    {
        SCOPED_TRACE(ramp == &invert ? "inverting green" : "identity");
        m_dev->SetGammaRamp(0, ramp);
        ASSERT_EQ(m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0), D3D_OK);
        const SRect corner{w / 2, h / 2, w, h};
        ASSERT_EQ(m_dev->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFC0F010, 1.0f, 0), D3D_OK);
        ASSERT_EQ(m_dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

        // Drawing after the present does not change what is on the screen.
        ASSERT_EQ(m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
        const auto front = Front();
        auto at = [&](std::int32_t x, std::int32_t y)
        { return front[std::size_t(y) * m_nWidth + std::size_t(x)]; };
        const std::uint32_t base = ramp == &invert ? 0xFF20BF60 : 0xFF204060;
        const std::uint32_t quarter = ramp == &invert ? 0xFFC00F10 : 0xFFC0F010;
        EXPECT_TRUE(Near(at(1, 1), base, 1));
        EXPECT_TRUE(Near(at(w - 2, 1), base, 1));
        EXPECT_TRUE(Near(at(1, h - 2), base, 1));
        EXPECT_TRUE(Near(at(w - 2, h - 2), quarter, 1));
    }
}

// With the copying swap effect the back buffer keeps its picture through
// Present: presenting again without drawing shows the same frame.
TEST_F(CFrontBuffer, CopySwapKeepsTheBackBuffer)
{
    SPresentParameters p{};
    p.BackBufferWidth = m_nWidth;
    p.BackBufferHeight = m_nHeight;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_COPY;
    p.Windowed = 1;
    ASSERT_EQ(m_dev->Reset(&p), D3D_OK);
    ASSERT_EQ(m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF306090, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(m_dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    for (std::uint32_t pixel : Front())
        ASSERT_TRUE(Near(pixel, 0xFF306090, 0));
}

} // namespace d3dtest
