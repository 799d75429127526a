#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <locale>
#include <string>

using namespace plat;

namespace
{

TEST(PlatformCodePage, Cp1251RoundTripsEveryByte)
{
    for (int b = 1; b < 256; ++b)
    {
        const std::string byte(1, static_cast<char>(b));
        const std::wstring wide = Cp1251ToWide(byte);
        ASSERT_EQ(wide.size(), 1u);
        const std::string utf8 = Cp1251ToUtf8(byte);
        if (b == 0x98)
        {
            // The one byte without a character: replacement character, back as '?'.
            EXPECT_EQ(wide[0], L'\xFFFD');
            EXPECT_EQ(utf8, "\xEF\xBF\xBD");
            EXPECT_EQ(WideToCp1251(wide), "?");
            EXPECT_EQ(Utf8ToCp1251(utf8), "?");
            continue;
        }
        EXPECT_EQ(WideToCp1251(wide), byte) << "byte " << b;
        EXPECT_EQ(Utf8ToCp1251(utf8), byte) << "byte " << b;
        std::string exact;
        EXPECT_TRUE(TryUtf8ToCp1251(utf8, exact));
        EXPECT_EQ(exact, byte);
    }
}

TEST(PlatformCodePage, KnownCharacters)
{
    struct SCase
    {
        unsigned char byte;
        wchar_t wide;
    };
    const SCase cases[] = {
        {0x41, L'A'},   {0xC0, 0x0410}, {0xDF, 0x042F}, {0xE0, 0x0430}, {0xFF, 0x044F},
        {0xA8, 0x0401}, {0xB8, 0x0451}, {0x80, 0x0402}, {0x88, 0x20AC}, {0xB9, 0x2116},
        {0xA0, 0x00A0}, {0xBD, 0x0405}, {0x96, 0x2013},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(Cp1251ToWide(std::string(1, static_cast<char>(c.byte)))[0], c.wide) << int(c.byte);
    // Characters the code page lacks become '?'.
    EXPECT_EQ(WideToCp1251(L"a\u00E9\u4E2Dz"), "a??z");
    EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    std::string out = "unchanged";
    EXPECT_FALSE(TryUtf8ToCp1251("caf\xC3\xA9", out)); // é is not in 1251
    EXPECT_FALSE(TryUtf8ToCp1251("\xFF", out));        // not UTF-8
    EXPECT_EQ(out, "unchanged");
}

TEST(PlatformCodePage, WindowsLengthConventions)
{
    wchar_t wide[16] = {};
    char narrow[16] = {};
    // -1 counts the terminator; a null or empty destination asks for the size.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, "\xC0\xC1", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, "\xC0\xC1", -1, wide, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, "\xC0\xC1", -1, wide, 16), 3);
    EXPECT_EQ(wide[0], 0x0410);
    EXPECT_EQ(wide[1], 0x0411);
    EXPECT_EQ(wide[2], 0);
    // An explicit length has no terminator.
    EXPECT_EQ(MultiByteToWideChar(CP_1251, "abc", 2, wide, 16), 2);
    // Failures give 0 and write nothing.
    wide[0] = L'x';
    EXPECT_EQ(MultiByteToWideChar(CP_1251, "abc", -1, wide, 3), 0);
    EXPECT_EQ(wide[0], L'x');
    EXPECT_EQ(MultiByteToWideChar(CP_1251, "abc", 0, wide, 16), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_1251, nullptr, -1, wide, 16), 0);
    EXPECT_EQ(MultiByteToWideChar(866, "abc", -1, wide, 16), 0);

    const wchar_t text[] = {0x042F, 0x20AC, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, text, -1, nullptr, 0), 3);
    EXPECT_EQ(WideCharToMultiByte(CP_1251, text, -1, narrow, 16), 3);
    EXPECT_STREQ(narrow, "\xDF\x88");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, text, -1, nullptr, 0), 6);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, text, -1, narrow, 16), 6);
    EXPECT_STREQ(narrow, "\xD0\xAF\xE2\x82\xAC");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, text, -1, narrow, 5), 0);
    EXPECT_EQ(WideCharToMultiByte(1250, text, -1, narrow, 16), 0);

    // Code page 1252 has its own upper half.
    EXPECT_EQ(MultiByteToWideChar(CP_1252, "\x80\xE9\x81", 3, wide, 16), 3);
    EXPECT_EQ(wide[0], 0x20AC);
    EXPECT_EQ(wide[1], 0x00E9);
    EXPECT_EQ(wide[2], 0xFFFD);
    const wchar_t latin[] = {0x00E9, 0x0410, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_1252, latin, -1, narrow, 16), 3);
    EXPECT_STREQ(narrow, "\xE9?");
}

TEST(PlatformCodePage, Utf8DecodingOfBadAndWideInput)
{
    struct SCase
    {
        const char* utf8;
        std::u16string units;
    };
    const SCase cases[] = {
        {"\xC3\x28", u"\uFFFD("},                          // bad continuation
        {"\xE2\x82", u"\uFFFD"},                           // cut short: one replacement
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},             // beyond the BMP: a surrogate pair
        {"a\xD0\x96z", u"a\u0416z"},
    };
    for (const SCase& c : cases)
    {
        wchar_t wide[16] = {};
        const int n = MultiByteToWideChar(CP_UTF8, c.utf8, static_cast<int>(std::strlen(c.utf8)), wide, 16);
        ASSERT_EQ(n, static_cast<int>(c.units.size())) << c.utf8;
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(static_cast<char16_t>(wide[i]), c.units[i]) << c.utf8 << " unit " << i;
    }
    // A surrogate pair goes back to one four-byte sequence; a lone surrogate
    // cannot and is replaced.
    const wchar_t pair[] = {0xD83D, 0xDE00, 0xD800, L'x'};
    char out[16] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, pair, 4, out, 16), 8);
    EXPECT_EQ(std::string(out, 8), "\xF0\x9F\x98\x80\xEF\xBF\xBDx");
}

TEST(PlatformCodePage, CaseMappingPairs)
{
    struct SCase
    {
        unsigned char upper;
        unsigned char lower;
    };
    const SCase pairs[] = {
        {'A', 'a'},   {'Z', 'z'},   {0xC0, 0xE0}, {0xDF, 0xFF}, {0xA8, 0xB8}, {0x80, 0x90},
        {0x81, 0x83}, {0x8A, 0x9A}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
        {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
    };
    for (const SCase& c : pairs)
    {
        EXPECT_EQ(static_cast<unsigned char>(CharUpper1251(static_cast<char>(c.lower))), c.upper)
            << int(c.lower);
        EXPECT_EQ(static_cast<unsigned char>(CharLower1251(static_cast<char>(c.upper))), c.lower)
            << int(c.upper);
    }
    // Not letters with a pair in the code page: unchanged.
    for (int same : {0x31, 0x5F, 0xB5, 0xB9, 0x98, 0xA0})
    {
        EXPECT_EQ(static_cast<unsigned char>(CharUpper1251(static_cast<char>(same))), same);
        EXPECT_EQ(static_cast<unsigned char>(CharLower1251(static_cast<char>(same))), same);
    }
    char text[] = "\xB8\xeb\xea\xe0 Ab";
    EXPECT_STREQ(CharUpper(text), "\xA8\xCB\xCA\xC0 AB");
    EXPECT_STREQ(CharLower(text), "\xB8\xeb\xea\xe0 ab");
    char part[] = "abcd";
    CharUpperBuff(part, 2);
    EXPECT_STREQ(part, "ABcd");
}

TEST(PlatformCodePage, CaseMappingAgreesWithUnicode)
{
    // Every byte against the C library's Unicode case tables: a byte changes
    // exactly when its character's other case also exists in 1251.
    std::locale utf8;
    try
    {
        utf8 = std::locale("C.UTF-8");
    }
    catch (const std::runtime_error&)
    {
        GTEST_SKIP() << "no C.UTF-8 locale";
    }
    const auto& ctype = std::use_facet<std::ctype<wchar_t>>(utf8);
    for (int b = 0; b < 256; ++b)
    {
        const char c = static_cast<char>(b);
        const wchar_t w = Cp1251ToWide(std::string(1, c))[0];
        const std::string upper = WideToCp1251(std::wstring(1, ctype.toupper(w)));
        const std::string lower = WideToCp1251(std::wstring(1, ctype.tolower(w)));
        EXPECT_EQ(CharUpper1251(c), upper == "?" ? c : upper[0]) << "byte " << b;
        EXPECT_EQ(CharLower1251(c), lower == "?" ? c : lower[0]) << "byte " << b;
    }
}

TEST(PlatformCodePage, CompareNoCase)
{
    EXPECT_EQ(CompareNoCase1251("\xA8\xEB\xEA\xE0", "\xB8\xCB\xCA\xC0"), 0); // Ёлка / ёЛКА
    EXPECT_EQ(CompareNoCase1251("Data\\DB.dat", "DATA\\db.DAT"), 0);
    EXPECT_LT(CompareNoCase1251("abc", "ABD"), 0);
    EXPECT_GT(CompareNoCase1251("abcd", "ABC"), 0);
    EXPECT_LT(CompareNoCase1251("z", "\xE0"), 0); // bytes compare unsigned
    EXPECT_EQ(CompareNoCase1251("ABCx", "abcy", 3), 0);
    EXPECT_NE(CompareNoCase1251("ABCx", "abcy", 4), 0);
}

} // namespace
