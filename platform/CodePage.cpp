#include "platform/CodePage.h"

#include <array>
#include <cstring>

namespace plat
{
namespace
{

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kRepl = kReplacement; // keeps the tables in columns

// Bytes 0x80..0xFF of code page 1251; 0x00..0x7F are ASCII.
// clang-format off
constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    kRepl , 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// Bytes 0x80..0x9F of code page 1252; 0xA0..0xFF equal their code points.
constexpr char16_t kCp1252C1[32] = {
    0x20AC, kRepl , 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, kRepl , 0x017D, kRepl ,  // 88
    kRepl , 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, kRepl , 0x017E, 0x0178,  // 98
};
// clang-format on

using ByteTable = std::array<char16_t, 256>;

constexpr ByteTable MakeTable1251()
{
    ByteTable t{};
    for (int i = 0; i < 128; ++i)
    {
        t[i] = static_cast<char16_t>(i);
        t[128 + i] = kCp1251High[i];
    }
    return t;
}

constexpr ByteTable MakeTable1252()
{
    ByteTable t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<char16_t>(i);
    for (int i = 0; i < 32; ++i)
        t[0x80 + i] = kCp1252C1[i];
    return t;
}

constexpr ByteTable kTable1251 = MakeTable1251();
constexpr ByteTable kTable1252 = MakeTable1252();

// Unicode -> byte for a single-byte code page. 0 marks "no byte" (U+0000
// itself is handled before the lookup).
using ReverseTable = std::array<std::uint8_t, 65536>;

ReverseTable MakeReverse(const ByteTable& forward)
{
    ReverseTable r{};
    for (int b = 1; b < 256; ++b)
        if (forward[b] != kReplacement) r[forward[b]] = static_cast<std::uint8_t>(b);
    return r;
}

const ReverseTable& Reverse1251()
{
    static const ReverseTable table = MakeReverse(kTable1251);
    return table;
}

const ReverseTable& Reverse1252()
{
    static const ReverseTable table = MakeReverse(kTable1252);
    return table;
}

// Upper/lower case pairs of code page 1251 outside ASCII and А-Я/а-я.
constexpr std::uint8_t kCasePairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

struct CaseTables
{
    std::array<std::uint8_t, 256> upper{};
    std::array<std::uint8_t, 256> lower{};
};

constexpr CaseTables MakeCaseTables()
{
    CaseTables t{};
    for (int i = 0; i < 256; ++i)
        t.upper[i] = t.lower[i] = static_cast<std::uint8_t>(i);
    for (int i = 'a'; i <= 'z'; ++i)
    {
        t.upper[i] = static_cast<std::uint8_t>(i - 32);
        t.lower[i - 32] = static_cast<std::uint8_t>(i);
    }
    for (int i = 0xE0; i <= 0xFF; ++i)
    {
        t.upper[i] = static_cast<std::uint8_t>(i - 32);
        t.lower[i - 32] = static_cast<std::uint8_t>(i);
    }
    for (const auto& pair : kCasePairs)
    {
        t.upper[pair[1]] = pair[0];
        t.lower[pair[0]] = pair[1];
    }
    return t;
}

constexpr CaseTables kCase = MakeCaseTables();

const ByteTable* ForwardTable(std::uint32_t codePage)
{
    switch (codePage)
    {
    case CP_ACP:
    case CP_1251:
        return &kTable1251;
    case CP_1252:
        return &kTable1252;
    default:
        return nullptr;
    }
}

const ReverseTable* ReverseFor(std::uint32_t codePage)
{
    switch (codePage)
    {
    case CP_ACP:
    case CP_1251:
        return &Reverse1251();
    case CP_1252:
        return &Reverse1252();
    default:
        return nullptr;
    }
}

// Decodes one UTF-8 sequence at s[i]. On a bad sequence returns -1 and skips
// the maximal subpart that could have begun a valid sequence, so that one bad
// sequence yields one replacement character.
std::int32_t DecodeUtf8(const unsigned char* s, std::size_t n, std::size_t& i)
{
    const unsigned char b0 = s[i++];
    if (b0 < 0x80) return b0;
    int need = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    std::int32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
    {
        need = 1;
        cp = b0 & 0x1F;
    }
    else if (b0 >= 0xE0 && b0 <= 0xEF)
    {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0)
            lo = 0xA0;
        else if (b0 == 0xED)
            hi = 0x9F; // no surrogates
    }
    else if (b0 >= 0xF0 && b0 <= 0xF4)
    {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0)
            lo = 0x90;
        else if (b0 == 0xF4)
            hi = 0x8F; // nothing past U+10FFFF
    }
    else
        return -1;
    for (int k = 0; k < need; ++k)
    {
        if (i >= n) return -1;
        const unsigned char b = s[i];
        if (b < lo || b > hi) return -1;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
        lo = 0x80;
        hi = 0xBF;
    }
    return cp;
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000)
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Multi-byte text to UTF-16 units; false for an unknown code page.
bool ToUtf16(std::uint32_t codePage, std::string_view src, std::u16string& out)
{
    out.clear();
    out.reserve(src.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(src.data());
    if (codePage == CP_UTF8)
    {
        std::size_t i = 0;
        while (i < src.size())
        {
            const std::int32_t cp = DecodeUtf8(bytes, src.size(), i);
            if (cp < 0)
                out += kReplacement;
            else if (cp >= 0x10000)
            {
                out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            }
            else
                out += static_cast<char16_t>(cp);
        }
        return true;
    }
    const ByteTable* table = ForwardTable(codePage);
    if (!table) return false;
    for (std::size_t i = 0; i < src.size(); ++i)
        out += (*table)[bytes[i]];
    return true;
}

// UTF-16 units to multi-byte text; false for an unknown code page.
bool FromUtf16(std::uint32_t codePage, std::u16string_view src, std::string& out)
{
    out.clear();
    out.reserve(src.size());
    if (codePage == CP_UTF8)
    {
        for (std::size_t i = 0; i < src.size(); ++i)
        {
            std::uint32_t cp = src[i];
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < src.size() && src[i + 1] >= 0xDC00 &&
                src[i + 1] <= 0xDFFF)
            {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (src[i + 1] - 0xDC00);
                ++i;
            }
            else if (cp >= 0xD800 && cp <= 0xDFFF)
                cp = kReplacement; // a lone surrogate has no UTF-8 form
            AppendUtf8(out, cp);
        }
        return true;
    }
    const ReverseTable* table = ReverseFor(codePage);
    if (!table) return false;
    for (char16_t unit : src)
    {
        if (unit == 0)
            out += '\0';
        else
        {
            const std::uint8_t b = (*table)[unit];
            out += b ? static_cast<char>(b) : '?';
        }
    }
    return true;
}

} // namespace

int MultiByteToWideChar(std::uint32_t codePage, const char* src, int srcLen, wchar_t* dst, int dstLen)
{
    if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0) return 0;
    const std::size_t length = srcLen == -1 ? std::strlen(src) + 1 : static_cast<std::size_t>(srcLen);
    std::u16string units;
    if (!ToUtf16(codePage, std::string_view(src, length), units)) return 0;
    const int needed = static_cast<int>(units.size());
    if (!dst || dstLen == 0) return needed;
    if (needed > dstLen) return 0;
    for (int i = 0; i < needed; ++i)
        dst[i] = static_cast<wchar_t>(units[i]);
    return needed;
}

int WideCharToMultiByte(std::uint32_t codePage, const wchar_t* src, int srcLen, char* dst, int dstLen)
{
    if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0) return 0;
    std::size_t length = 0;
    if (srcLen == -1)
    {
        while (src[length] != 0)
            ++length;
        ++length;
    }
    else
        length = static_cast<std::size_t>(srcLen);
    // wchar_t is 32 bits here but holds UTF-16 units; anything wider than a
    // unit cannot be represented and is replaced.
    std::u16string units(length, u'\0');
    for (std::size_t i = 0; i < length; ++i)
        units[i] = static_cast<std::uint32_t>(src[i]) > 0xFFFF ? kReplacement : static_cast<char16_t>(src[i]);
    std::string bytes;
    if (!FromUtf16(codePage, units, bytes)) return 0;
    const int needed = static_cast<int>(bytes.size());
    if (!dst || dstLen == 0) return needed;
    if (needed > dstLen) return 0;
    std::memcpy(dst, bytes.data(), bytes.size());
    return needed;
}

std::wstring Cp1251ToWide(std::string_view text)
{
    std::wstring out(text.size(), L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<wchar_t>(kTable1251[static_cast<unsigned char>(text[i])]);
    return out;
}

std::string WideToCp1251(std::wstring_view text)
{
    std::u16string units(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        units[i] =
            static_cast<std::uint32_t>(text[i]) > 0xFFFF ? kReplacement : static_cast<char16_t>(text[i]);
    std::string out;
    FromUtf16(CP_1251, units, out);
    return out;
}

std::string Cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text)
        AppendUtf8(out, kTable1251[static_cast<unsigned char>(c)]);
    return out;
}

std::string Utf8ToCp1251(std::string_view text)
{
    std::u16string units;
    ToUtf16(CP_UTF8, text, units);
    std::string out;
    FromUtf16(CP_1251, units, out);
    return out;
}

bool TryUtf8ToCp1251(std::string_view text, std::string& out)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const ReverseTable& reverse = Reverse1251();
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size())
    {
        const std::int32_t cp = DecodeUtf8(bytes, text.size(), i);
        if (cp < 0 || cp > 0xFFFF) return false;
        if (cp == 0)
            result += '\0';
        else if (const std::uint8_t b = reverse[cp])
            result += static_cast<char>(b);
        else
            return false;
    }
    out = std::move(result);
    return true;
}

char CharUpper1251(char c)
{
    return static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]);
}

char CharLower1251(char c)
{
    return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]);
}

void CharUpperBuff(char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        text[i] = CharUpper1251(text[i]);
}

void CharLowerBuff(char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        text[i] = CharLower1251(text[i]);
}

char* CharUpper(char* text)
{
    if (text) CharUpperBuff(text, std::strlen(text));
    return text;
}

char* CharLower(char* text)
{
    if (text) CharLowerBuff(text, std::strlen(text));
    return text;
}

int CompareNoCase1251(const char* a, const char* b)
{
    return CompareNoCase1251(a, b, static_cast<std::size_t>(-1));
}

int CompareNoCase1251(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
    {
        const int ca = kCase.lower[static_cast<unsigned char>(a[i])];
        const int cb = kCase.lower[static_cast<unsigned char>(b[i])];
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
    }
    return 0;
}

} // namespace plat
