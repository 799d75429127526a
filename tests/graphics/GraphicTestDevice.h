// Test helpers shared by the graphics-device tests of test_foundation and
// test_graphics: a hidden window, the global device `graph` opened on it, a
// temporary directory that also receives the logs, and back-buffer reads.
#pragma once

#include "common/DataTree.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "platform/File.h"
#include "platform/Window.h"
#include "platform/d3d8/D3D8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace gfxtest
{

inline plat::Window* HiddenWindow(int width, int height)
{
    // Registered on every call: a test that shuts the windows down forgets
    // the classes, and a second registration of a known class is harmless.
    plat::RegisterClass(plat::WindowClass{0,
                                          [](plat::Window* w, std::uint32_t m, plat::WParam wp, plat::LParam lp)
                                          { return plat::DefWindowProc(w, m, wp, lp); },
                                          "GraphicTestWindow", nullptr});
    return plat::CreateWindow("GraphicTestWindow", "graphic test", plat::WS_OVERLAPPED, 0, 0, width, height);
}

// Display parameters of a windowed 32-bit device with the given filter.
inline SDisplayParameters WindowedParameters(int filterMode = 1, int anisotropy = 1)
{
    SDisplayParameters p;
    p.width = 1024;
    p.height = 768;
    p.windowed = 1;
    p.filterMode = filterMode;
    p.maxAnisotropy = anisotropy;
    return p;
}

// A temporary directory that receives error.log and debug.log: the common
// data tree (also the working directory while it lives).
class CTempDir : public testutil::CDataTree
{
public:
    explicit CTempDir(const char* tag) : CDataTree(tag) {}
};

// The back buffer of graph as A8R8G8B8 values (X8R8G8B8 back buffers).
inline std::vector<std::uint32_t> ReadBackBuffer(std::uint32_t* width = nullptr,
                                                 std::uint32_t* height = nullptr)
{
    using namespace plat::d3d;
    std::vector<std::uint32_t> out;
    Surface* back = nullptr;
    if (plat::Failed(graph.m_lpDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) return out;
    SSurfaceDesc desc{};
    back->GetDesc(&desc);
    Surface* image = nullptr;
    graph.m_lpDevice->CreateImageSurface(desc.Width, desc.Height, desc.Format, &image);
    EXPECT_EQ(graph.m_lpDevice->CopyRects(back, nullptr, 0, image, nullptr), D3D_OK);
    back->Release();
    SLockedRect locked{};
    EXPECT_EQ(image->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    out.resize(std::size_t(desc.Width) * desc.Height);
    for (std::uint32_t y = 0; y < desc.Height; ++y)
        std::memcpy(&out[std::size_t(y) * desc.Width],
                    static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch,
                    desc.Width * 4);
    image->UnlockRect();
    image->Release();
    if (width) *width = desc.Width;
    if (height) *height = desc.Height;
    return out;
}

// The picture graph's device presented last, as A8R8G8B8 values of the
// window's size.
inline std::vector<std::uint32_t> ReadFrontBuffer()
{
    using namespace plat::d3d;
    std::vector<std::uint32_t> out;
    const std::uint32_t width = std::uint32_t(graph.m_nScreenWidth), height = std::uint32_t(graph.m_nScreenHeight);
    Surface* image = nullptr;
    if (plat::Failed(graph.m_lpDevice->CreateImageSurface(width, height, D3DFMT_A8R8G8B8, &image))) return out;
    EXPECT_EQ(graph.m_lpDevice->GetFrontBuffer(image), D3D_OK);
    SLockedRect locked{};
    EXPECT_EQ(image->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    out.resize(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(&out[std::size_t(y) * width],
                    static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch, width * 4);
    image->UnlockRect();
    image->Release();
    return out;
}

// Opens graph on a hidden window for one test and closes it afterwards; the
// test runs in its own data tree.
class CGraphicDeviceTest : public testutil::CDataTreeTest
{
protected:
    bool OpenDevice(int width = 64, int height = 48, const SDisplayParameters& params = WindowedParameters())
    {
        m_pWindow = HiddenWindow(width, height);
        if (!m_pWindow || !graph.CreateDirect3D()) return false;
        return graph.CreateDevice(params, m_pWindow);
    }
    void TearDown() override
    {
        graph.SetDirect3DCalls(nullptr);
        graph.Release();
        if (m_pWindow) plat::DestroyWindow(m_pWindow);
        m_pWindow = nullptr;
    }

    plat::Window* m_pWindow = nullptr;
};

} // namespace gfxtest
