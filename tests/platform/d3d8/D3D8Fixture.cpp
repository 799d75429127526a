#include "D3D8Fixture.h"

#include "platform/d3d8/Format.h"

#include <cstdio>
#include <cstdlib>

namespace d3dtest
{

Texture* CDeviceTest::SolidTexture(std::uint32_t argb, Format format, std::uint32_t size)
{
    return TextureFrom(std::vector<std::uint32_t>(size * size, argb), size, size, format);
}

Texture* CDeviceTest::TextureFrom(const std::vector<std::uint32_t>& argb, std::uint32_t w, std::uint32_t h,
                                  Format format)
{
    Texture* t = nullptr;
    EXPECT_EQ(m_dev->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &t), D3D_OK);
    if (!t) return nullptr;
    SLockedRect lr;
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_TRUE(EncodeFromArgb(format, argb.data(), w, h, static_cast<std::uint8_t*>(lr.pBits),
                               std::size_t(lr.Pitch)));
    EXPECT_EQ(t->UnlockRect(0), D3D_OK);
    m_keep.push_back(t);
    return t;
}

void CDeviceTest::DrawVertices(std::uint32_t fvf, std::uint32_t stride, const void* data, std::uint32_t count,
                               std::uint32_t primitive, std::uint32_t primitives)
{
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(m_dev->CreateVertexBuffer(stride * count, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb),
              D3D_OK);
    std::uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, data, stride * count);
    vb->Unlock();
    m_dev->SetVertexShader(fvf);
    m_dev->SetStreamSource(0, vb, stride);
    EXPECT_EQ(m_dev->DrawPrimitive(primitive, 0, primitives), D3D_OK);
    m_dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

void CDeviceTest::DrawRhwQuad(float x0, float y0, float x1, float y1, std::uint32_t diffuse,
                              std::uint32_t specular, float z)
{
    const SRhwVertex v[4] = {
        {x0 - 0.5f, y0 - 0.5f, z, 1.0f, diffuse, specular, 0, 0},
        {x1 - 0.5f, y0 - 0.5f, z, 1.0f, diffuse, specular, 1, 0},
        {x0 - 0.5f, y1 - 0.5f, z, 1.0f, diffuse, specular, 0, 1},
        {x1 - 0.5f, y1 - 0.5f, z, 1.0f, diffuse, specular, 1, 1},
    };
    DrawVertices(kRhwFvf, sizeof(SRhwVertex), v, 4, D3DPT_TRIANGLESTRIP, 2);
}

std::vector<std::uint32_t> CDeviceTest::Frame()
{
    Surface* bb = nullptr;
    EXPECT_EQ(m_dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    SSurfaceDesc d;
    bb->GetDesc(&d);
    std::vector<std::uint32_t> out(std::size_t(d.Width) * d.Height);
    SLockedRect lr;
    EXPECT_EQ(bb->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    DecodeToArgb(d.Format, static_cast<const std::uint8_t*>(lr.pBits), std::size_t(lr.Pitch), d.Width,
                 d.Height, out.data());
    bb->UnlockRect();
    bb->Release();
    return out;
}

std::uint32_t CDeviceTest::Pixel(std::uint32_t x, std::uint32_t y)
{
    return Frame()[y * kSize + x];
}

::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance)
{
    for (int s = 0; s < 32; s += 8)
    {
        const int a = int((actual >> s) & 255), e = int((expected >> s) & 255);
        if (std::abs(a - e) > tolerance)
        {
            char buf[96];
            std::snprintf(buf, sizeof(buf), "got %08X, expected %08X (tolerance %d)", actual, expected,
                          tolerance);
            return ::testing::AssertionFailure() << buf;
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace d3dtest
