// The GDI-shaped font rasteriser: metrics as GDI gives them, the font box
// over the charset's characters, extents, kerning pairs, a Cyrillic glyph
// drawn into a memory bitmap and read back bottom-up.
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

namespace
{
namespace gdi = plat::gdi;

struct SFontDeleter
{
    void operator()(gdi::Font* f) const { gdi::DeleteFont(f); }
};
using FontPtr = std::unique_ptr<gdi::Font, SFontDeleter>;

FontPtr Make(int height, int weight)
{
    return FontPtr(gdi::CreateFont(height, weight, gdi::RUSSIAN_CHARSET, "DejaVu Sans"));
}

int Extent(gdi::Font* font, const wchar_t* text)
{
    int cx = -1;
    EXPECT_TRUE(gdi::GetTextExtentPoint32W(font, text, static_cast<int>(std::wcslen(text)), &cx, nullptr));
    return cx;
}
} // namespace

TEST(GdiFont, MetricsFollowTheRequestedHeight)
{
    EXPECT_EQ(gdi::PointsToPixels(10), 13);
    EXPECT_EQ(gdi::PointsToPixels(12), 16);
    EXPECT_EQ(gdi::PointsToPixels(16), 21);
    struct
    {
        int height, weight;
    } cases[] = {{-13, gdi::FW_NORMAL}, {-21, gdi::FW_BOLD}, {20, gdi::FW_NORMAL}};
    for (const auto& c : cases)
    {
        FontPtr font = Make(c.height, c.weight);
        ASSERT_TRUE(font) << c.height;
        gdi::TextMetrics tm{};
        ASSERT_TRUE(gdi::GetTextMetrics(font.get(), &tm));
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent) << c.height;
        EXPECT_GT(tm.tmAscent, tm.tmDescent) << c.height;
        EXPECT_GT(tm.tmDescent, 0) << c.height;
        if (c.height < 0)
            EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight + c.height) << c.height; // em = -height
        else
            EXPECT_NEAR(tm.tmHeight, c.height, 1) << c.height; // the cell height
        EXPECT_EQ(tm.tmWeight, c.weight);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
        EXPECT_EQ(tm.tmFirstChar, 0x20);
        EXPECT_EQ(tm.tmLastChar, 0xFF);
        EXPECT_EQ(tm.tmCharSet, gdi::RUSSIAN_CHARSET);
        // The box over code page 1251's characters: a pixel or two left of
        // the origin at most. The whole DejaVu face reaches some 23 pixels
        // further with combining marks, which glyph pages must not reserve.
        EXPECT_LE(gdi::GetFontBoxLeft(font.get()), 0);
        EXPECT_GE(gdi::GetFontBoxLeft(font.get()), -3) << c.height;
    }
    EXPECT_EQ(gdi::CreateFont(-13, gdi::FW_NORMAL, gdi::RUSSIAN_CHARSET, "/nonexistent/font.ttf"), nullptr);
    gdi::TextMetrics tm{};
    EXPECT_FALSE(gdi::GetTextMetrics(nullptr, &tm));
    EXPECT_EQ(gdi::GetKerningPairs(nullptr, 10, nullptr), 0);
}

TEST(GdiFont, ExtentsAddUpAndBoldIsWider)
{
    FontPtr regular = Make(-16, gdi::FW_NORMAL), bold = Make(-16, gdi::FW_BOLD);
    ASSERT_TRUE(regular && bold);
    const wchar_t* word = L"\x0422\x0435\x043A\x0441\x0442\x0443\x0440\x044B"; // "Текстуры"
    int sum = 0;
    for (const wchar_t* c = word; *c; ++c)
    {
        const wchar_t one[2] = {*c, 0};
        const int w = Extent(regular.get(), one);
        EXPECT_GT(w, 0);
        sum += w;
    }
    EXPECT_EQ(Extent(regular.get(), word), sum); // extents do not kern
    EXPECT_GT(Extent(bold.get(), word), Extent(regular.get(), word));
    int cx = -1, cy = -1;
    ASSERT_TRUE(gdi::GetTextExtentPoint32W(regular.get(), word, 0, &cx, &cy));
    gdi::TextMetrics tm{};
    gdi::GetTextMetrics(regular.get(), &tm);
    EXPECT_EQ(cx, 0);
    EXPECT_EQ(cy, tm.tmHeight);
}

TEST(GdiFont, KerningPairsAreCodePageCharacters)
{
    FontPtr font = Make(-21, gdi::FW_NORMAL);
    ASSERT_TRUE(font);
    const int n = gdi::GetKerningPairs(font.get(), 65535, nullptr);
    ASSERT_GT(n, 0);
    std::vector<gdi::KerningPair> pairs(static_cast<std::size_t>(n));
    ASSERT_EQ(gdi::GetKerningPairs(font.get(), n, pairs.data()), n);
    bool av = false;
    for (const gdi::KerningPair& k : pairs)
    {
        EXPECT_GE(k.first, 0x20);
        EXPECT_LE(k.first, 0xFF);
        EXPECT_GE(k.second, 0x20);
        EXPECT_LE(k.second, 0xFF);
        EXPECT_NE(k.amount, 0);
        if (k.first == 'A' && k.second == 'V') av = k.amount < 0;
    }
    EXPECT_TRUE(av); // "AV" is drawn closer
    // At most max pairs are written.
    std::vector<gdi::KerningPair> few(3, gdi::KerningPair{0, 0, 0});
    EXPECT_EQ(gdi::GetKerningPairs(font.get(), 2, few.data()), 2);
    EXPECT_EQ(few[2].first, 0);
}

TEST(GdiFont, CyrillicGlyphInksItsCellAndReadsBackBottomUp)
{
    FontPtr font = Make(-21, gdi::FW_NORMAL);
    ASSERT_TRUE(font);
    gdi::TextMetrics tm{};
    gdi::GetTextMetrics(font.get(), &tm);
    const wchar_t zhe = 0x0416; // "Ж", symmetric left to right
    const int advance = Extent(font.get(), L"\x0416");
    constexpr int kSide = 48, kX = 10, kY = 6;
    gdi::Bitmap* b = gdi::CreateBitmap(kSide, kSide);
    ASSERT_NE(b, nullptr);
    gdi::FillRect(b, 0, 0, kSide, kSide, 0);
    ASSERT_TRUE(gdi::TextOutW(b, font.get(), kX, kY, &zhe, 1, 0x00FF0000));

    int ink = 0, outside = 0, left = 0, right = 0, minX = kSide, maxX = -1;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
        {
            const std::uint32_t p = b->pixels[static_cast<std::size_t>(y) * kSide + x];
            if (!p) continue;
            EXPECT_EQ(p & 0x00FFFF, 0u); // the text colour only: red
            ++ink;
            if (x < kX - 1 || x > kX + advance || y < kY || y >= kY + tm.tmAscent) ++outside;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
        }
    EXPECT_GT(ink, 40);
    EXPECT_EQ(outside, 0); // a capital: between the top of the cell and the baseline
    const int middle = (minX + maxX) / 2;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            if (b->pixels[static_cast<std::size_t>(y) * kSide + x]) ++(x < middle ? left : right);
    EXPECT_NEAR(left, right, ink / 5); // both halves of the letter drawn

    std::vector<std::uint32_t> dib(static_cast<std::size_t>(kSide) * kSide);
    ASSERT_EQ(gdi::GetDIBits(b, 0, kSide, dib.data()), kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            ASSERT_EQ(dib[static_cast<std::size_t>(kSide - 1 - y) * kSide + x],
                      b->pixels[static_cast<std::size_t>(y) * kSide + x]);
    EXPECT_EQ(gdi::GetDIBits(b, kSide - 2, 10, dib.data()), 2); // only the rows there are
    gdi::DeleteBitmap(b);
}
