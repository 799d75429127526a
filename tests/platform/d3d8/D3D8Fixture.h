// Shared set-up of the Direct3D layer tests: a small off-screen device and
// helpers that draw quads and read pixels back.
#pragma once

#include "platform/d3d8/D3D8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace d3dtest
{

using namespace plat::d3d;

struct SRhwVertex
{
    float x, y, z, rhw;
    std::uint32_t diffuse;
    std::uint32_t specular;
    float u, v;
};
constexpr std::uint32_t kRhwFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

inline float F(std::uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline std::uint32_t U(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

class CDeviceTest : public ::testing::Test
{
protected:
    static constexpr std::uint32_t kSize = 32;

    void SetUp() override
    {
        m_d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(m_d3d, nullptr);
        m_params = SPresentParameters{};
        m_params.BackBufferWidth = kSize;
        m_params.BackBufferHeight = kSize;
        m_params.BackBufferFormat = D3DFMT_X8R8G8B8;
        m_params.BackBufferCount = 1;
        m_params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        m_params.Windowed = 1;
        m_params.EnableAutoDepthStencil = 1;
        m_params.AutoDepthStencilFormat = D3DFMT_D24S8;
        m_params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        ASSERT_EQ(m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
                                      &m_params, &m_dev),
                  D3D_OK);
    }

    void TearDown() override
    {
        for (auto* r : m_keep)
            r->Release();
        if (m_dev)
        {
            EXPECT_EQ(m_dev->Release(), 0u);
        }
        if (m_d3d) m_d3d->Release();
    }

    // A texture of one colour (A8R8G8B8 unless told otherwise), kept until tear-down.
    Texture* SolidTexture(std::uint32_t argb, Format format = D3DFMT_A8R8G8B8, std::uint32_t size = 4);
    Texture* TextureFrom(const std::vector<std::uint32_t>& argb, std::uint32_t w, std::uint32_t h,
                         Format format = D3DFMT_A8R8G8B8);

    // Draws a quad over the rectangle [x0,x1) x [y0,y1) in pixels, with the
    // pixel-centre offset Direct3D code uses.
    void DrawRhwQuad(float x0, float y0, float x1, float y1, std::uint32_t diffuse,
                     std::uint32_t specular = 0, float z = 0.5f);
    void DrawVertices(std::uint32_t fvf, std::uint32_t stride, const void* data, std::uint32_t count,
                      std::uint32_t primitive, std::uint32_t primitives);
    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y); // A8R8G8B8 of the back buffer (X as FF)
    std::vector<std::uint32_t> Frame();

    Direct3D* m_d3d = nullptr;
    Device* m_dev = nullptr;
    SPresentParameters m_params;
    std::vector<Unknown*> m_keep;
};

// Channel-wise comparison with a tolerance.
::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 3);

} // namespace d3dtest
