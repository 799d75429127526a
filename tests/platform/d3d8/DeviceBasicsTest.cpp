#include "D3D8Fixture.h"

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
    EXPECT_EQ(m_dev->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
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

} // namespace d3dtest
