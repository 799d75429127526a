// Fonts: .fdf metrics written in the test (width, height, fit, line feed,
// stretched spaces, long texts, damaged files) and the FreeType path
// measuring the Cyrillic word of the texture list.
#include "graphics/Font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
// An .fdf image: glyphs for "A".."Z", "a".."z", ' ' and 'Т', 'е' (as their
// UTF-16 units); each glyph advance w = 8 (stored 7), height 16.
std::vector<std::uint8_t> MakeFdf(std::uint32_t declaredCount = 0)
{
    std::vector<std::int32_t> chars;
    for (int c = 'A'; c <= 'Z'; ++c)
        chars.push_back(c);
    for (int c = 'a'; c <= 'z'; ++c)
        chars.push_back(c);
    chars.push_back(' ');
    chars.push_back(0x0422); // Т
    chars.push_back(0x0435); // е
    std::vector<std::uint8_t> f(128, 0);
    auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(f.data() + at, &v, 4); };
    put(60, 256);
    put(64, 256);
    put(68, declaredCount ? declaredCount : std::uint32_t(chars.size()));
    put(72 + 0, 16); // tmHeight
    put(72 + 8, 4);  // tmDescent
    put(72 + 12, 2); // tmInternalLeading
    int x = 0;
    for (std::int32_t c : chars)
    {
        const std::int32_t g[7] = {c, x, 0, x + 8 - 1, 16, 8 - 1, 16};
        const auto* p = reinterpret_cast<const std::uint8_t*>(g);
        f.insert(f.end(), p, p + sizeof(g));
        x += 8;
    }
    return f;
}

CFont& TestFont()
{
    static CFont font;
    static bool ready = false;
    if (!ready)
    {
        const std::vector<std::uint8_t> f = MakeFdf();
        font.ReadMetrics(f.data(), f.size(), "test.fdf");
        ready = true;
    }
    return font;
}
} // namespace

TEST(Font, MetricsFromTheFile)
{
    CFont& font = TestFont();
    const SGlyph* a = font.FindGlyph('A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->right - a->left, 8); // stored one smaller
    EXPECT_EQ(a->advance, 8);
    EXPECT_EQ(font.GetHeight(1.0f), 21);
    // Each glyph adds right - left - 1, the text one more.
    EXPECT_EQ(font.TextWidth("AB"), 15);
    EXPECT_EQ(font.TextWidth(""), 0);
    EXPECT_EQ(font.TextWidth("\x01\x02"), 1); // no glyphs
    // Code page 1251 "Те": Cyrillic bytes reach their glyphs.
    EXPECT_EQ(font.TextWidth("\xD2\xE5"), 15);
}

TEST(Font, FitTextKeepsTheTail)
{
    CFont& font = TestFont();
    std::string out;
    EXPECT_FALSE(font.FitText("abc", out, 100, 2));
    EXPECT_EQ(out, "abc");
    // Eight letters into the width of five: first letters, "..", last two.
    EXPECT_TRUE(font.FitText("abcdefgh", out, font.TextWidth("abcde"), 2));
    EXPECT_EQ(out.substr(out.size() - 4), "..gh");
    EXPECT_LE(font.TextWidth(out.c_str()), font.TextWidth("abcde"));
}

TEST(Font, LineFeedReturnsToTheStartAndLongTextsBatch)
{
    CFont& font = TestFont();
    const std::wstring text = L"AB\nC";
    std::size_t consumed = 0;
    float px = 10 - 0.5f, py = 20 - 0.5f, sum = 0;
    int added = 0;
    ASSERT_EQ(font.BuildQuads(text, 10, 20, 0, &consumed, &px, &py, &sum, &added), 3u);
    const float* v = reinterpret_cast<const float*>(font.m_Quads.m_pVertices);
    EXPECT_FLOAT_EQ(v[8 * 8 + 0], 9.5f);       // C starts at x - 0.5
    EXPECT_FLOAT_EQ(v[8 * 8 + 1], 19.5f + 21); // one line lower
    EXPECT_FLOAT_EQ(v[8 * 4 + 0], 9.5f + 7);   // B after A's right - left - 1

    // 2,048 characters make two batches of at most 1,024 quads.
    const std::wstring longText(2048, L'A');
    consumed = 0;
    px = py = sum = 0;
    EXPECT_EQ(font.BuildQuads(longText, 0, 0, 0, &consumed, &px, &py, &sum, &added), 1024u);
    EXPECT_EQ(font.BuildQuads(longText, 0, 0, 0, &consumed, &px, &py, &sum, &added), 1024u);
    EXPECT_EQ(consumed, longText.size());
}

TEST(Font, StretchedSpacesRoundTheRunningSum)
{
    CFont& font = TestFont();
    const std::wstring text = L"a b c d";
    std::size_t consumed = 0;
    float px = 0, py = 0, sum = 0;
    int added = 0;
    font.BuildQuads(text, 0, 0, 1.5f, &consumed, &px, &py, &sum, &added);
    // Three spaces: sums 1.5, 3.0, 4.5 round to 2, 3, 5: five pixels added.
    EXPECT_EQ(added, 5);
    EXPECT_FLOAT_EQ(px, 7 * 7 + 5.0f);
}

TEST(Font, DamagedFilesAreRefused)
{
    struct SCase
    {
        std::vector<std::uint8_t> bytes;
        const char* reason;
    };
    std::vector<std::uint8_t> cut = MakeFdf();
    cut.resize(cut.size() - 5);
    const SCase cases[] = {
        {std::vector<std::uint8_t>(100, 0), "header cut short"},
        {cut, "glyph table cut short"},
        {MakeFdf(0x7FFFFFFF), "glyph count out of range"},
    };
    for (const SCase& c : cases)
    {
        CFont font;
        try
        {
            font.ReadMetrics(c.bytes.data(), c.bytes.size(), "bad.fdf");
            ADD_FAILURE() << c.reason;
        }
        catch (const std::exception& e)
        {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
}

TEST(Font, FreeTypePathMeasuresCyrillicAndSurvivesTheFileForm)
{
    CFont font;
    font.Init("DejaVu Sans", 12, 0, 0, 1, 1.0f, 0);
    ASSERT_GT(font.m_Metrics.tmHeight, 10);
    const char* word = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB"; // "Текстуры" in 1251
    const int width = font.TextWidth(word);
    EXPECT_GT(width, 8 * 4);
    EXPECT_LT(width, 8 * 16);
    // The page holds ink where the glyph of 'Т' is.
    const SGlyph* t = font.FindGlyph(0x0422);
    ASSERT_NE(t, nullptr);
    int ink = 0;
    for (int y = t->top; y < t->bottom; ++y)
        for (int x = t->left; x < t->right; ++x)
            ink += font.m_Page[static_cast<std::size_t>(y) * 512 + x] >> 12;
    EXPECT_GT(ink, 0);

    // Saved and read back, the metrics measure the same.
    const auto dir = std::filesystem::temp_directory_path() / "tvx_font";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(font.SaveFiles((dir / "small").string().c_str()));
    std::FILE* f = std::fopen((dir / "small.fdf").string().c_str(), "rb");
    ASSERT_TRUE(f);
    std::vector<std::uint8_t> bytes(1 << 16);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    CFont back;
    back.ReadMetrics(bytes.data(), bytes.size(), "small.fdf");
    EXPECT_EQ(back.TextWidth(word), width);
    EXPECT_EQ(back.GetHeight(1.0f), font.GetHeight(1.0f));
    std::filesystem::remove_all(dir);
}

TEST(Font, SampleFontsHaveEveryCharacterInkedInsideThePage)
{
    // The sample fonts of the data tool; every letter of code page 1251
    // must have a glyph whose whole box lies on the page and holds ink.
    struct
    {
        int points, bold;
    } samples[] = {{10, 0}, {16, 1}};
    for (const auto& s : samples)
    {
        CFont font;
        font.Init("DejaVu Sans", s.points, s.bold, 0, 1, 1.0f, 0);
        ASSERT_EQ(font.m_Page.size(), 512u * 512u);
        for (int c = 0x20; c <= 0xFF; ++c)
        {
            const char byte[2] = {static_cast<char>(c), 0};
            const std::wstring w = FontTextToWide(byte);
            if (w.size() != 1 || w[0] == 0xFFFD || c == 0x98) continue; // no character in the code page
            const SGlyph* g = font.FindGlyph(w[0]);
            ASSERT_NE(g, nullptr) << s.points << "pt, byte " << c;
            EXPECT_GE(g->left, 0) << s.points << "pt, byte " << c;
            EXPECT_GE(g->top, 0) << s.points << "pt, byte " << c;
            EXPECT_LE(g->left + g->advance, 512) << s.points << "pt, byte " << c;
            EXPECT_LE(g->top + g->height, 512) << s.points << "pt, byte " << c;
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0;
            if (!letter) continue;
            int ink = 0;
            for (int y = std::max(g->top, 0); y < std::min(g->top + g->height, 512); ++y)
                for (int x = std::max(g->left, 0); x < std::min(g->left + g->advance, 512); ++x)
                    ink += font.m_Page[static_cast<std::size_t>(y) * 512 + x] >> 12;
            EXPECT_GT(ink, 0) << s.points << "pt, byte " << c;
        }
    }
}
