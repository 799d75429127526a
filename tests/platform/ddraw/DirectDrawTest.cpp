// The DirectDraw facade as the video player drives it: a frame copied into
// an off-screen surface and stretched into the window, the exclusive
// full-screen mode and its restoration, lost surfaces, argument errors, and
// living beside a 3-D device on the same window.
#include "platform/Window.h"
#include "platform/d3d8/D3D8.h"
#include "platform/ddraw/DDraw.h"
#include "platform/ddraw/Presenter.h"
#include "platform/detail/WindowInternal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

namespace
{

using namespace plat;
using namespace plat::ddraw;

LResult Proc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class CDirectDrawTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir =
            std::filesystem::temp_directory_path() / ("tvx-ddraw-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_dir);
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        ASSERT_TRUE(RegisterClass(WindowClass{0, Proc, "DDrawTest", nullptr}));
        m_window = CreateWindow("DDrawTest", "video", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 320, 240);
        ASSERT_NE(m_window, nullptr);
        ASSERT_EQ(DirectDrawCreate(nullptr, &m_dd, nullptr), DD_OK);
    }
    void TearDown() override
    {
        if (m_dd)
        {
            EXPECT_EQ(m_dd->Release(), 0u);
        }
        ShutdownWindows();
        std::filesystem::remove_all(m_dir);
    }
    static SSurfaceDesc Desc(std::uint32_t flags, std::uint32_t caps, std::uint32_t w = 0,
                             std::uint32_t h = 0)
    {
        SSurfaceDesc d;
        d.dwSize = sizeof(d);
        d.dwFlags = flags;
        d.ddsCaps.dwCaps = caps;
        d.dwWidth = w;
        d.dwHeight = h;
        return d;
    }
    DirectDrawSurface* Primary()
    {
        SSurfaceDesc d = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
        DirectDrawSurface* s = nullptr;
        EXPECT_EQ(m_dd->CreateSurface(&d, &s, nullptr), DD_OK);
        return s;
    }
    DirectDrawSurface* Offscreen(std::uint32_t w, std::uint32_t h)
    {
        SSurfaceDesc d = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, w, h);
        DirectDrawSurface* s = nullptr;
        EXPECT_EQ(m_dd->CreateSurface(&d, &s, nullptr), DD_OK);
        return s;
    }
    // Four quadrants of a w x h frame at (x, y) in the locked surface, as
    // the video library copies a frame.
    static void CopyFrame(DirectDrawSurface* s, std::uint32_t x0, std::uint32_t y0, std::uint32_t w,
                          std::uint32_t h)
    {
        SSurfaceDesc d = Desc(0, 0);
        ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        ASSERT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 32u);
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x)
            {
                const std::uint32_t c =
                    x < w / 2 ? (y < h / 2 ? 0xFFFF0000 : 0xFF00FF00) : (y < h / 2 ? 0xFF0000FF : 0xFFFFFFFF);
                std::memcpy(static_cast<std::uint8_t*>(d.lpSurface) + (y0 + y) * std::uint32_t(d.lPitch) +
                                (x0 + x) * 4,
                            &c, 4);
            }
        ASSERT_EQ(s->Unlock(nullptr), DD_OK);
    }
    std::uint32_t WindowPixel(float fx, float fy)
    {
        std::vector<std::uint32_t> px;
        int w = 0, h = 0;
        EXPECT_TRUE(m_dd->ReadWindow(&px, &w, &h));
        if (px.empty()) return 0;
        return px[std::size_t(int(fy * float(h))) * std::size_t(w) + std::size_t(int(fx * float(w)))] |
               0xFF000000u;
    }

    std::filesystem::path m_dir;
    Window* m_window = nullptr;
    DirectDraw* m_dd = nullptr;
};

} // namespace

TEST_F(CDirectDrawTest, WindowedFrameIsStretchedIntoTheWindow)
{
    ASSERT_EQ(m_dd->SetCooperativeLevel(m_window, DDSCL_NORMAL), DD_OK);
    DirectDrawSurface* off = Offscreen(800, 600);
    DirectDrawSurface* primary = Primary();
    ASSERT_TRUE(off && primary);
    SSurfaceDesc d = Desc(0, 0);
    ASSERT_EQ(primary->GetSurfaceDesc(&d), DD_OK);
    EXPECT_EQ(d.dwWidth, 320u); // the window's client area
    EXPECT_EQ(d.dwHeight, 240u);
    SBltFx fill;
    fill.dwFillColor = 0;
    ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DD_OK);
    ASSERT_EQ(off->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DD_OK);
    CopyFrame(off, 0, 0, 800, 600);
    const Rect whole{0, 0, 800, 600};
    ASSERT_EQ(primary->Blt(nullptr, off, &whole, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(WindowPixel(0.25f, 0.25f), 0xFFFF0000u);
    EXPECT_EQ(WindowPixel(0.75f, 0.25f), 0xFF0000FFu);
    EXPECT_EQ(WindowPixel(0.25f, 0.75f), 0xFF00FF00u);
    EXPECT_EQ(WindowPixel(0.75f, 0.75f), 0xFFFFFFFFu);
    // A rectangle fill into part of the primary shows too.
    const Rect corner{0, 0, 160, 120};
    fill.dwFillColor = 0x00FFFF00;
    ASSERT_EQ(primary->Blt(&corner, nullptr, nullptr, DDBLT_COLORFILL, &fill), DD_OK);
    EXPECT_EQ(WindowPixel(0.1f, 0.1f), 0xFFFFFF00u);
    EXPECT_EQ(WindowPixel(0.75f, 0.75f), 0xFFFFFFFFu);
    off->Release();
    primary->Release();
}

TEST_F(CDirectDrawTest, FullScreenModeIsSetAndRestored)
{
    Rect before;
    GetClientRect(m_window, &before);
    EXPECT_EQ(m_dd->SetDisplayMode(800, 600, 32), DDERR_NOCOOPERATIVELEVELSET);
    ASSERT_EQ(m_dd->SetCooperativeLevel(m_window, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(m_dd->SetDisplayMode(800, 600, 32), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(m_dd->SetCooperativeLevel(m_window, DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    ASSERT_EQ(m_dd->SetCooperativeLevel(m_window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(m_dd->SetDisplayMode(800, 600, 32), DD_OK);
    DirectDrawSurface* primary = Primary();
    ASSERT_NE(primary, nullptr);
    SSurfaceDesc d = Desc(0, 0);
    primary->GetSurfaceDesc(&d);
    EXPECT_EQ(d.dwWidth, 800u);
    EXPECT_EQ(d.dwHeight, 600u);
    // Straight into the primary, centred, as the full-screen mode plays.
    // (The headless display keeps the window's first size whatever the
    // mode, so the pixels are checked in the surface here.)
    CopyFrame(primary, 80, 60, 640, 480);
    ASSERT_EQ(primary->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    const auto* px = static_cast<const std::uint32_t*>(d.lpSurface);
    EXPECT_EQ(px[180 * 800 + 240], 0xFFFF0000u);
    EXPECT_EQ(px[30 * 800 + 40], 0u);
    primary->Unlock(nullptr);
    primary->Release();
    EXPECT_EQ(m_dd->Release(), 0u); // leaving the mode puts the window back
    m_dd = nullptr;
    Rect after;
    GetClientRect(m_window, &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

// A mode the display has not got leaves a screen of another size: the
// mode's picture keeps its size in the middle of a larger screen and is
// scaled down, its shape kept, on a smaller one; black round it. A
// windowed picture fills the window. (The headless display takes every
// mode it is asked for, so the screens are windows of those sizes here.)
TEST_F(CDirectDrawTest, AFullScreenModeIsCentredOnAScreenOfAnotherSize)
{
    struct SCase
    {
        int w, h;
        CPresenter::SPlace place;
    } cases[] = {
        {1024, 768, {112, 84, 800, 600}}, {640, 240, {160, 0, 320, 240}}, {1280, 600, {240, 0, 800, 600}}};
    std::vector<std::uint32_t> frame(800 * 600);
    for (std::uint32_t y = 0; y < 600; ++y)
        for (std::uint32_t x = 0; x < 800; ++x)
            frame[y * 800 + x] = x < 400 ? 0xFFFF0000u : 0xFF0000FFu;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.w);
        Window* window = CreateWindow("DDrawTest", "video", WS_OVERLAPPED | WS_VISIBLE, 0, 0, c.w, c.h);
        ASSERT_NE(window, nullptr);
        CPresenter presenter(plat::detail::GetSdlWindow(window));
        presenter.SetLogicalMode(true);
        const CPresenter::SPlace p = presenter.Place(800, 600, c.w, c.h);
        EXPECT_EQ(p.x, c.place.x);
        EXPECT_EQ(p.y, c.place.y);
        EXPECT_EQ(p.w, c.place.w);
        EXPECT_EQ(p.h, c.place.h);
        std::vector<std::uint32_t> px;
        int w = 0, h = 0;
        ASSERT_TRUE(
            presenter.Show(reinterpret_cast<const std::uint8_t*>(frame.data()), 800, 600, 32, &px, &w, &h));
        ASSERT_EQ(w, c.w);
        ASSERT_EQ(h, c.h);
        const auto at = [&](int x, int y)
        { return px[std::size_t(y) * std::size_t(w) + std::size_t(x)] | 0xFF000000u; };
        const int midY = p.y + p.h / 2;
        if (p.x > 0)
        {
            EXPECT_EQ(at(p.x - 2, midY), 0xFF000000u);
            EXPECT_EQ(at(p.x + p.w + 1, midY), 0xFF000000u);
        }
        if (p.y > 0)
        {
            EXPECT_EQ(at(p.x + 10, p.y - 2), 0xFF000000u);
        }
        EXPECT_EQ(at(p.x + 2, midY), 0xFFFF0000u);
        EXPECT_EQ(at(p.x + p.w - 3, midY), 0xFF0000FFu);
        // Windowed, the picture fills the window.
        presenter.SetLogicalMode(false);
        ASSERT_TRUE(
            presenter.Show(reinterpret_cast<const std::uint8_t*>(frame.data()), 800, 600, 32, &px, &w, &h));
        EXPECT_EQ(at(1, h / 2), 0xFFFF0000u);
        EXPECT_EQ(at(w - 2, h / 2), 0xFF0000FFu);
        DestroyWindow(window);
    }
}

TEST_F(CDirectDrawTest, ArgumentsLocksAndLostSurfaces)
{
    SSurfaceDesc d = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    DirectDrawSurface* s = nullptr;
    EXPECT_EQ(m_dd->CreateSurface(&d, &s, nullptr), DDERR_NOCOOPERATIVELEVELSET);
    ASSERT_EQ(m_dd->SetCooperativeLevel(m_window, DDSCL_NORMAL), DD_OK);
    d.dwSize = 100;
    EXPECT_EQ(m_dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDPARAMS);
    DirectDrawSurface* primary = Primary();
    DirectDrawSurface* off = Offscreen(64, 32);
    ASSERT_TRUE(primary && off);
    d = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(m_dd->CreateSurface(&d, &s, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
    d = Desc(DDSD_CAPS | DDSD_WIDTH, DDSCAPS_OFFSCREENPLAIN, 8, 8);
    EXPECT_EQ(m_dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDPARAMS); // no height

    SSurfaceDesc ld = Desc(0, 0);
    const Rect sub{8, 4, 16, 8};
    ASSERT_EQ(off->Lock(&sub, &ld, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(ld.lPitch, 64 * 4);
    static_cast<std::uint32_t*>(ld.lpSurface)[0] = 0x00123456; // pixel (8, 4)
    EXPECT_EQ(off->Lock(nullptr, &ld, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(primary->Blt(nullptr, off, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    ASSERT_EQ(off->Unlock(nullptr), DD_OK);
    EXPECT_EQ(off->Unlock(nullptr), DDERR_NOTLOCKED);
    const Rect outside{60, 0, 70, 10};
    EXPECT_EQ(off->Lock(&outside, &ld, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
    const Rect pastPrimary{300, 0, 330, 10};
    EXPECT_EQ(primary->Blt(&pastPrimary, off, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    // Stretch one pixel of the frame over the whole primary.
    const Rect onePixel{8, 4, 9, 5};
    ASSERT_EQ(primary->Blt(nullptr, off, &onePixel, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(primary->Lock(nullptr, &ld, DDLOCK_WAIT | DDLOCK_READONLY, nullptr), DD_OK);
    EXPECT_EQ(static_cast<std::uint32_t*>(ld.lpSurface)[100], 0x00123456u);
    primary->Unlock(nullptr);

    m_dd->SimulateSurfaceLoss();
    EXPECT_EQ(off->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(off->Lock(nullptr, &ld, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Blt(nullptr, off, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    ASSERT_EQ(off->Restore(), DD_OK);
    ASSERT_EQ(primary->Restore(), DD_OK);
    ASSERT_EQ(off->Lock(nullptr, &ld, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(static_cast<std::uint32_t*>(ld.lpSurface)[4 * 64 + 8], 0u); // content went with the loss
    off->Unlock(nullptr);

    EXPECT_STREQ(DDErrorConstantName(DDERR_SURFACELOST), "DDERR_SURFACELOST");
    EXPECT_STREQ(DDErrorConstantName(DD_OK), "DD_OK");
    EXPECT_EQ(DDErrorConstantName(0x12345), nullptr);
    off->Release();
    primary->Release();
}

// The windowed player may run while the 3-D device exists (the end videos):
// showing a frame must leave the device's drawing alone.
TEST_F(CDirectDrawTest, DeviceKeepsDrawingAfterAFrame)
{
    using namespace plat::d3d;
    Direct3D* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    SPresentParameters p;
    p.Windowed = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    Device* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &dev),
              D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0), D3D_OK);

    ASSERT_EQ(m_dd->SetCooperativeLevel(m_window, DDSCL_NORMAL), DD_OK);
    DirectDrawSurface* primary = Primary();
    SBltFx fill;
    fill.dwFillColor = 0x00FF00FF;
    ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fill), DD_OK);
    EXPECT_EQ(WindowPixel(0.5f, 0.5f), 0xFFFF00FFu);
    primary->Release();

    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF405060, 1.0f, 0), D3D_OK);
    Surface* bb = nullptr;
    dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
    SLockedRect lr{};
    ASSERT_EQ(bb->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<const std::uint32_t*>(lr.pBits)[0] | 0xFF000000u, 0xFF405060u);
    bb->UnlockRect();
    bb->Release();
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev->Release(), 0u);
    d3d->Release();
}
