// Bump-map conversion on plain memory levels.

#include "graphics/BumpMap.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <cstring>
#include <vector>

namespace
{
using plat::d3d::Format;

// A level of 32-bit texels whose first byte is the height.
std::vector<std::uint8_t> Heights(const std::vector<int>& h)
{
    std::vector<std::uint8_t> texels(h.size() * 4, 0);
    for (std::size_t i = 0; i < h.size(); ++i) texels[i * 4] = std::uint8_t(h[i]);
    return texels;
}

struct SHeightCase
{
    const char* what;
    std::vector<int> heights; // width x height
    std::uint32_t width, height;
    Format format;
    std::uint32_t texel;      // which texel to check
    std::vector<std::uint8_t> expected;
};
void PrintTo(const SHeightCase& c, std::ostream* os)
{
    *os << c.what;
}

class HeightToBump : public ::testing::TestWithParam<SHeightCase>
{
};

TEST_P(HeightToBump, GivesTheTableValues)
{
    const SHeightCase& c = GetParam();
    const std::vector<std::uint8_t> src = Heights(c.heights);
    const std::uint32_t bytes = c.format == 62 ? 4 : 2;
    std::vector<std::uint8_t> dst(c.width * c.height * bytes + 16, 0xEE);
    const SBumpLevel level{src.data(), c.width * 4, dst.data(), c.width * bytes, c.width, c.height};
    ASSERT_TRUE(ConvertHeightLevel(level, c.format)) << c.what;
    for (std::size_t i = 0; i < c.expected.size(); ++i)
        EXPECT_EQ(dst[c.texel * bytes + i], c.expected[i]) << c.what << " byte " << i;
    // Nothing written past the level.
    for (std::size_t i = c.width * c.height * bytes; i < dst.size(); ++i) EXPECT_EQ(dst[i], 0xEE) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeightToBump,
    ::testing::Values(
        SHeightCase{"flat map is zero", {7, 7, 7, 7, 7, 7, 7, 7, 7}, 3, 3, 60, 4, {0, 0}},
        // A pit of 10 between 30 and 20: the steeper side, 20.
        SHeightCase{"pit takes the steeper side", {30, 10, 20}, 3, 1, 60, 1, {20, 0}},
        SHeightCase{"slope is left minus right", {50, 40, 20}, 3, 1, 60, 1, {30, 0}},
        SHeightCase{"dv is up minus down", {0, 90, 0, 0, 50, 0, 0, 10, 0}, 3, 3, 60, 4, {0, 80}},
        SHeightCase{"edge rows repeat themselves", {0, 90, 0, 0, 50, 0}, 3, 2, 60, 1, {0, 40}},
        // c = 255, du = 255 (left 255, right 0), dv = 0: 0xFC1F.
        SHeightCase{"L6V5U5 packing", {255, 255, 0}, 3, 1, 61, 1, {0x1F, 0xFC}},
        SHeightCase{"X8L8V8U8 keeps the height", {60, 40, 20}, 3, 1, 62, 1, {40, 0, 40, 0}},
        SHeightCase{"single texel reads only itself", {33}, 1, 1, 62, 0, {0, 0, 33, 0}}),
    [](const auto& info)
    {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(NormalToBump, EveryFormatIsWritten)
{
    std::vector<std::uint8_t> src = {0, 0, 200, 0, 9, 127, 128, 0};
    for (Format f : {Format(60), Format(61), Format(62)})
    {
        std::vector<std::uint8_t> dst(8, 0xEE);
        const std::uint32_t bytes = f == 62 ? 4 : 2;
        const SBumpLevel level{src.data(), 8, dst.data(), 2 * bytes, 2, 1};
        ASSERT_TRUE(ConvertNormalLevel(level, f));
        if (f == 60)
        {
            EXPECT_EQ(dst[0], 128);
            EXPECT_EQ(dst[1], std::uint8_t(200 + 128));
            EXPECT_EQ(dst[2], 255);
            EXPECT_EQ(dst[3], 0);
        }
        else
            EXPECT_NE(dst[0], 0xEE) << "format " << f;
    }
}

TEST(BumpConversion, RefusesWhatItCannotDo)
{
    std::vector<std::uint8_t> src(16, 0), dst(16, 0);
    EXPECT_FALSE(ConvertHeightLevel(SBumpLevel{src.data(), 8, dst.data(), 4, 2, 2}, 21));
    EXPECT_FALSE(ConvertHeightLevel(SBumpLevel{nullptr, 8, dst.data(), 4, 2, 2}, 60));
    EXPECT_FALSE(ConvertNormalLevel(SBumpLevel{src.data(), 8, dst.data(), 4, 0, 2}, 60));
    CTexture* out = reinterpret_cast<CTexture*>(1);
    EXPECT_FALSE(CreateBumpMapFromHeight(&out, nullptr, 60));
    EXPECT_EQ(out, nullptr);
}
} // namespace
