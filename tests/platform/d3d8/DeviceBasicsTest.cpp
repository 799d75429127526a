#include "D3D8Fixture.h"

#include "platform/Window.h"

#include <filesystem>
#include <random>
#include <thread>

namespace d3dtest
{

TEST_F(CDeviceTest, ClearFillsTargetAndRectangles)
{
    ASSERT_EQ(m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0), D3D_OK);
    const SRect r{4, 4, 8, 8};
    ASSERT_EQ(m_dev->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    const auto f = Frame();
    EXPECT_TRUE(Near(f[0], 0xFF102030, 0));
    EXPECT_TRUE(Near(f[5 * kSize + 5], 0xFFFF0000, 0));
    EXPECT_TRUE(Near(f[8 * kSize + 8], 0xFF102030, 0));
    EXPECT_EQ(m_dev->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK); // no list: the whole target
    EXPECT_EQ(m_dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(CDeviceTest, PretransformedQuadCoversExactPixels)
{
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    DrawRhwQuad(3, 5, 7, 6, 0xFFFFFFFF);
    const auto f = Frame();
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x)
        {
            const bool inside = x >= 3 && x < 7 && y == 5;
            ASSERT_EQ(f[y * kSize + x], inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
}

// Programs built ahead of the draws that need them: a later draw with the
// same state compiles nothing; only the context owner compiles; what is
// compiled after the loading mark is counted apart.
TEST_F(CDeviceTest, PreparedProgramServesTheDraw)
{
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    HResult other = D3D_OK;
    std::thread([&] { other = m_dev->PrepareProgram(kRhwFvf); }).join();
    EXPECT_EQ(other, D3DERR_INVALIDCALL);
    const SDeviceStatistics start = m_dev->GetStatistics();
    ASSERT_EQ(m_dev->PrepareProgram(kRhwFvf), D3D_OK);
    const std::size_t prepared = m_dev->ProgramCount();
    EXPECT_EQ(m_dev->GetStatistics().programs, start.programs + 1);
    m_dev->MarkLoadingFinished();
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawRhwQuad(0, 0, kSize, kSize, 0xFF00FF00);
    EXPECT_EQ(m_dev->ProgramCount(), prepared);
    EXPECT_EQ(m_dev->GetStatistics().programsAfterLoading, 0u);
    EXPECT_TRUE(Near(Pixel(16, 16), 0xFF00FF00, 0));
    // A state nothing prepared: compiled in play, and counted.
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    DrawRhwQuad(0, 0, kSize, kSize, 0xFF00FF00);
    EXPECT_EQ(m_dev->GetStatistics().programsAfterLoading, 1u);
}

// A full-screen device is lost when its window loses the focus; a window
// that never had it (just shown, or on a display without a desktop) must
// not leave the device lost for ever.
TEST(CFullScreenDevice, WindowWithoutFocusYetIsNotLost)
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("tvx-fs-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    ASSERT_TRUE(plat::RegisterClass(plat::WindowClass{0, plat::DefWindowProc, "FullScreenTest", nullptr}));
    plat::Window* window =
        plat::CreateWindow("FullScreenTest", "", plat::WS_POPUP | plat::WS_VISIBLE, 0, 0, 64, 48);
    ASSERT_NE(window, nullptr);
    Direct3D* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    SPresentParameters p;
    p.BackBufferWidth = 64;
    p.BackBufferHeight = 48;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = 0;
    p.EnableAutoDepthStencil = 1;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    Device* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &dev),
              D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // The test hook still loses it, and a reset brings it back.
    dev->SimulateDeviceLoss(true);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Reset(&p), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(dev->Release(), 0u);
    d3d->Release();
    plat::ShutdownWindows();
    std::filesystem::remove_all(dir);
}

} // namespace d3dtest
