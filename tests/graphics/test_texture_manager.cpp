// Texture manager: the quality table and the format choice.

#include "graphics/TextureManager.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
TEST(TextureManagerQuality, TableOfTypeAndQuality)
{
    struct
    {
        int type, quality, bits, drop;
    } cases[] = {{0, 0, 32, 0}, {0, 1, 16, 0}, {0, 2, 32, 1}, {0, 3, 16, 1}, {0, 4, 16, 2}, {0, 7, 32, 0},
                 {1, 2, 16, 0}, {1, 4, 16, 1}, {3, 0, 16, 0}, {3, 4, 16, 2}, {3, -1, 32, 0}, {9, 4, 32, 0}};
    for (const auto& c : cases)
    {
        int bits = 0, drop = -1;
        TextureManager::ChooseQuality(c.type, c.quality, &bits, &drop);
        EXPECT_EQ(bits, c.bits) << c.type << "/" << c.quality;
        EXPECT_EQ(drop, c.drop) << c.type << "/" << c.quality;
    }
    // TEXTURETYPE 2 loads at 32 bits with nothing dropped at every quality.
    for (int q = -1; q < 8; ++q)
    {
        int bits = 0, drop = -1;
        TextureManager::ChooseQuality(2, q, &bits, &drop);
        EXPECT_EQ(bits, 32);
        EXPECT_EQ(drop, 0);
    }
}

TEST(TextureManagerFormats, SixteenBitsNeverPickAThirtyTwoBitFormat)
{
    const auto all = [](plat::d3d::Format) { return true; };
    const STextureFormats f16 = TextureManager::ChooseFormats(16, true, all);
    EXPECT_EQ(f16.rgb, 23u);
    EXPECT_EQ(f16.rgba, 26u);
    EXPECT_EQ(f16.rgba1, 25u);
    EXPECT_EQ(f16.bump, 60u);
    EXPECT_TRUE(f16.compression);
    const STextureFormats f32 = TextureManager::ChooseFormats(32, true, all);
    EXPECT_EQ(f32.rgb, 20u);
    EXPECT_EQ(f32.rgba, 21u);
    const std::set<plat::d3d::Format> some = {22, 23, 25};
    const STextureFormats few =
        TextureManager::ChooseFormats(32, true, [&](plat::d3d::Format f) { return some.count(f) != 0; });
    EXPECT_EQ(few.rgb, 22u);
    EXPECT_EQ(few.rgba, 0u);
    EXPECT_EQ(few.rgba1, 25u);
    EXPECT_EQ(few.bump, 0u);
    EXPECT_FALSE(few.compression);
}
} // namespace
