#include "foundation/ErrorLog.h"
#include "foundation/XString.h"

#include "platform/File.h"

#include "common/LogDirTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{

// Lets one table of ASCII cases run over both string classes.
template <class S> struct STextOf;

template <> struct STextOf<CXAnsiString>
{
    using Char = char;
    static std::string Arg(const char* ascii) { return ascii; }
    static std::string Out(const CXAnsiString& s) { return s.GetText(); }
};

template <> struct STextOf<CXUniString>
{
    using Char = wchar_t;
    static std::wstring Arg(const char* ascii) { return std::wstring(ascii, ascii + std::strlen(ascii)); }
    static std::string Out(const CXUniString& s)
    {
        std::string out;
        for (const wchar_t* p = s.GetText(); *p; ++p)
            out += *p < 0x80 ? static_cast<char>(*p) : '#';
        return out;
    }
};

template <class S> S Make(const char* ascii)
{
    return S(STextOf<S>::Arg(ascii).c_str());
}

template <class S> S MakeNull()
{
    return S(static_cast<const typename STextOf<S>::Char*>(nullptr));
}

template <class S> std::string Out(const S& s)
{
    return STextOf<S>::Out(s);
}

// Points the global logger at a fresh directory, so that the index errors
// the tests provoke stay out of the working directory.
class CLogDirTest : public testutil::CLogDirTest
{
protected:
    std::string ErrorLogText() const { return ReadText("error.log"); }
};

template <class S> class XString : public CLogDirTest
{
};
using StringTypes = ::testing::Types<CXAnsiString, CXUniString>;
TYPED_TEST_SUITE(XString, StringTypes);

TYPED_TEST(XString, NullAndEmptyBuffersCompareApart)
{
    using S = TypeParam;
    const S null = MakeNull<S>();
    const S empty = Make<S>("");
    EXPECT_EQ(null.GetData(), nullptr);
    EXPECT_NE(empty.GetData(), nullptr);
    EXPECT_EQ(S(empty).GetData(), nullptr) << "a copy of an empty string has no buffer";
    EXPECT_EQ(S(typename STextOf<S>::Char('x'), 0).GetData(), nullptr);

    struct SCase
    {
        const char* left; // nullptr: no buffer
        const char* right;
        int n;
        int expected;
    };
    const SCase cases[] = {
        {nullptr, nullptr, 0, 0}, {"", "", 0, 0},        {"", nullptr, 0, 1},  {nullptr, "", 0, 1},
        {"a", nullptr, 0, 1},     {nullptr, "a", 0, 1},  {"a", "b", 0, -1},    {"b", "a", 0, 1},
        {"abc", "abd", 2, 0},     {"abc", "abd", 3, -1}, {"abc", "abc", 0, 0}, {"ab", "abc", 0, -1},
    };
    for (const SCase& c : cases)
    {
        const S left = c.left ? Make<S>(c.left) : MakeNull<S>();
        const S right = c.right ? Make<S>(c.right) : MakeNull<S>();
        const char* l = c.left ? c.left : "(null)";
        const char* r = c.right ? c.right : "(null)";
        EXPECT_EQ(left.Compare(right, c.n), c.expected) << l << " vs " << r << " n " << c.n;
        const auto rightText = STextOf<S>::Arg(c.right ? c.right : "");
        EXPECT_EQ(left.Compare(c.right ? rightText.c_str() : nullptr, c.n), c.expected) << l << " vs " << r;
        EXPECT_EQ(left.GetLength(), static_cast<int>(std::strlen(c.left ? c.left : "")));
    }
    EXPECT_TRUE(null == empty) << "equality compares texts";
}

TYPED_TEST(XString, SlicesClampStartAndCount)
{
    using S = TypeParam;
    enum EOp
    {
        kMid,
        kMidFrom,
        kLeft,
        kRight
    };
    struct SCase
    {
        EOp op;
        const char* text;
        int a;
        int b;
        const char* expected;
    };
    const SCase cases[] = {
        {kMid, "abcdef", -3, 2, "ab"},
        {kMid, "abcdef", 4, 10, "ef"},
        {kMid, "abcdef", 7, 1, ""},
        {kMid, "abcdef", 0, 6, "abcdef"},
        {kMid, "abcdef", 2, -1, ""},
        {kMid, "abcdef", 6, 1, ""},
        {kMidFrom, "abcdef", 2, 0, "cdef"},
        {kMidFrom, "abcdef", -1, 0, "abcdef"},
        {kMidFrom, "abc", 9, 0, ""},
        {kLeft, "abc", 10, 0, "abc"},
        {kLeft, "abc", 2, 0, "ab"},
        {kLeft, "abc", -2, 0, ""},
        {kRight, "abc", 2, 0, "bc"},
        {kRight, "abc", 5, 0, "abc"},
        {kRight, "abc", -1, 0, ""},
        {kMid, "", 0, 3, ""},
        {kLeft, "", 1, 0, ""},
    };
    for (const SCase& c : cases)
    {
        const S s = Make<S>(c.text);
        S result;
        switch (c.op)
        {
        case kMid:
            result = s.Mid(c.a, c.b);
            break;
        case kMidFrom:
            result = s.Mid(c.a);
            break;
        case kLeft:
            result = s.Left(c.a);
            break;
        case kRight:
            result = s.Right(c.a);
            break;
        }
        EXPECT_EQ(Out(result), c.expected) << "op " << c.op << " on '" << c.text << "' " << c.a << "," << c.b;
    }
    EXPECT_EQ(Out(MakeNull<S>().Mid(1, 2)), "");
    EXPECT_EQ(Out(Make<S>("abcab").SpanIncluding(STextOf<S>::Arg("ba").c_str())), "ab");
    EXPECT_EQ(Out(Make<S>("abcab").SpanExcluding(STextOf<S>::Arg("c").c_str())), "ab");
    EXPECT_EQ(Out(MakeNull<S>().SpanExcluding(STextOf<S>::Arg("c").c_str())), "");
}

TYPED_TEST(XString, FindFromStart)
{
    using S = TypeParam;
    struct SCase
    {
        const char* text;
        const char* needle; // one character: the character overload
        int start;
        int expected;
    };
    const SCase cases[] = {
        {"abc", "c", 3, -1},    {"abc", "c", 2, 2},      {"abcabc", "b", 2, 4}, {"abc", "b", -5, 1},
        {"abc", "x", 0, -1},    {"", "a", 0, -1},        {"abc", "bc", 0, 1},   {"abcabc", "bc", 2, 4},
        {"abc", "abcd", 0, -1}, {"abcabc", "ca", 9, -1},
    };
    for (const SCase& c : cases)
    {
        const S s = Make<S>(c.text);
        const auto needle = STextOf<S>::Arg(c.needle);
        const int found = needle.size() == 1 ? s.Find(needle[0], c.start) : s.Find(needle.c_str(), c.start);
        EXPECT_EQ(found, c.expected) << "'" << c.needle << "' in '" << c.text << "' from " << c.start;
    }
    EXPECT_EQ(Make<S>("hello").FindOneOf(STextOf<S>::Arg("ol").c_str()), 2);
    EXPECT_EQ(Make<S>("hello").FindOneOf(STextOf<S>::Arg("xyz").c_str()), -1);
    EXPECT_EQ(MakeNull<S>().FindOneOf(STextOf<S>::Arg("a").c_str()), -1);
    EXPECT_EQ(Make<S>("a,b,,c").CountChar(','), 3);
}

TYPED_TEST(XString, TrimAndReverse)
{
    using S = TypeParam;
    struct SCase
    {
        const char* text;
        void (S::*op)();
        const char* expected;
    };
    const SCase cases[] = {
        {"ab  ", &S::TrimRight, "ab"},
        {"  ab  ", &S::Trim, "ab"},
        {"\t\n ab ", &S::TrimLeft, "ab "},
        {"   ", &S::Trim, ""},
        {"", &S::Trim, ""},
        {"ab", &S::TrimLeft, "ab"},
        {"abc", &S::MakeReverse, "cba"},
        {"ab", &S::MakeReverse, "ba"},
        {"", &S::MakeReverse, ""},
    };
    for (const SCase& c : cases)
    {
        S s = Make<S>(c.text);
        (s.*c.op)();
        EXPECT_EQ(Out(s), c.expected) << "'" << c.text << "'";
    }
    S null = MakeNull<S>();
    null.Trim();
    null.MakeReverse();
    EXPECT_EQ(null.GetData(), nullptr);
}

TYPED_TEST(XString, ReplaceEveryOccurrence)
{
    using S = TypeParam;
    struct SCase
    {
        const char* text;
        const char* oldText;
        const char* newText;
        const char* expected;
        int count;
    };
    const SCase cases[] = {
        {"banana", "a", "xyz", "bxyznxyznxyz", 3},
        {"aaaa", "aa", "b", "bb", 2},
        {"aaa", "aa", "b", "ba", 1},
        {"banana", "an", "", "ba", 2},
        {"banana", "", "x", "banana", 0},
        {"banana", "q", "x", "banana", 0},
        {"abc", "abc", "", "", 1},
        {"a.b.c", ".", "::", "a::b::c", 2},
    };
    for (const SCase& c : cases)
    {
        S s = Make<S>(c.text);
        EXPECT_EQ(s.Replace(STextOf<S>::Arg(c.oldText).c_str(), STextOf<S>::Arg(c.newText).c_str()), c.count)
            << c.text << " " << c.oldText << "->" << c.newText;
        EXPECT_EQ(Out(s), c.expected);
    }
    S null = MakeNull<S>();
    EXPECT_EQ(null.Replace(STextOf<S>::Arg("a").c_str(), STextOf<S>::Arg("b").c_str()), 0);

    // The old text may be the string's own text.
    S self = Make<S>("abab");
    EXPECT_EQ(self.Replace(self.GetData() + 2, STextOf<S>::Arg("x").c_str()), 2);
    EXPECT_EQ(Out(self), "xx");
}

TYPED_TEST(XString, TokenizeTakesTokensOffTheFront)
{
    using S = TypeParam;
    struct SStep
    {
        const char* token;
        const char* rest;
    };
    struct SCase
    {
        const char* source;
        const char* delimiters;
        std::vector<SStep> steps;
    };
    const SCase cases[] = {
        {"a,b", ",", {{"a", ",b"}, {"b", ""}}},
        {"a", ",", {{"", ""}}},
        {",,x,y", ",", {{"x", ",y"}, {"y", ""}}},
        {",,,", ",", {{"", ""}}},
        {"key = value", " =", {{"key", " = value"}, {"value", ""}}},
        {"ab", "", {{"ab", ""}}},
        {"", ",", {{"", ""}}},
    };
    for (const SCase& c : cases)
    {
        S source = Make<S>(c.source);
        const S delimiters = Make<S>(c.delimiters);
        for (const SStep& step : c.steps)
        {
            EXPECT_EQ(Out(S::Tokenize(source, delimiters)), step.token) << "'" << c.source << "'";
            EXPECT_EQ(Out(source), step.rest) << "'" << c.source << "'";
        }
    }
}

TYPED_TEST(XString, ConcatenationAndSelfAssignment)
{
    using S = TypeParam;
    S s = Make<S>("ab");
    s += s;
    EXPECT_EQ(Out(s), "abab");
    s += STextOf<S>::Arg("c").c_str();
    s.AppendChar('d');
    s += 'e';
    EXPECT_EQ(Out(s), "ababcde");

    s = s.GetData() + 4; // its own tail
    EXPECT_EQ(Out(s), "cde");
    s.SetData(2, s.GetData() + 1);
    EXPECT_EQ(Out(s), "de");
    const S& same = s;
    s = same; // the same buffer: nothing happens
    EXPECT_EQ(Out(s), "de");

    const auto x = STextOf<S>::Arg("x");
    EXPECT_EQ(Out(s + x.c_str()), "dex");
    EXPECT_EQ(Out(x.c_str() + s), "xde");
    EXPECT_EQ(Out(s + s), "dede");
    EXPECT_TRUE(s == Make<S>("de"));
    EXPECT_FALSE(s == x.c_str());

    S null = MakeNull<S>();
    null += MakeNull<S>();
    EXPECT_EQ(null.GetData(), nullptr);
    null += 'z';
    EXPECT_EQ(Out(null), "z");

    S filled(typename STextOf<S>::Char('-'), 3);
    EXPECT_EQ(Out(filled), "---");
    filled.Empty();
    EXPECT_NE(filled.GetData(), nullptr) << "Empty keeps the buffer";
    EXPECT_TRUE(filled.IsEmpty());
}

TYPED_TEST(XString, IndexOutsideTheTextGivesTheFirstCharacter)
{
    using S = TypeParam;
    S s = Make<S>("abc");
    const S& cs = s;
    EXPECT_EQ(s[1], 'b');
    EXPECT_EQ(cs.GetAt(2), 'c');
    s.SetAt(3, 'x');
    s.SetAt(-1, 'x');
    EXPECT_EQ(Out(s), "abc");
    s.SetAt(0, 'z');
    EXPECT_EQ(Out(s), "zbc");

    // A write through an index on an empty string lands in scratch, not in
    // a null pointer or over the terminator.
    S null = MakeNull<S>();
    null[0] = 'q';
    null.GetAt(5) = 'q';
    EXPECT_EQ(null.GetData(), nullptr);
    S empty = Make<S>("");
    empty[0] = 'q';
    EXPECT_EQ(empty.GetLength(), 0);
    EXPECT_EQ(static_cast<const S&>(empty)[0], 0);
}

TYPED_TEST(XString, CopyToWritesTheTerminator)
{
    using S = TypeParam;
    using Char = typename STextOf<S>::Char;
    Char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), Char('#'));
    EXPECT_EQ(Make<S>("abc").CopyToBuffer(buffer), 3);
    EXPECT_EQ(buffer[2], Char('c'));
    EXPECT_EQ(buffer[3], Char(0));
    EXPECT_EQ(MakeNull<S>().CopyToBuffer(buffer), 0);
    EXPECT_EQ(buffer[0], Char(0));
}

// ---------------------------------------------------------------------------
// CXAnsiString only

using XAnsiStringLog = CLogDirTest;

TEST_F(XAnsiStringLog, InvalidIndexIsLoggedAndGivesTheFirstCharacter)
{
    CXAnsiString s("abc");
    EXPECT_EQ(s[1], 'b');
    EXPECT_EQ(s.GetAt(2), 'c');
    EXPECT_EQ(ErrorLogText(), "") << "valid indices log nothing";

    EXPECT_EQ(&s[-1], s.GetData());
    EXPECT_EQ(&s.GetAt(3), s.GetData());
    const std::string log = ErrorLogText();
    EXPECT_NE(log.find("CXAnsiString::[] invalid index"), std::string::npos) << log;
    EXPECT_NE(log.find("CXAnsiString::GetAt invalid index"), std::string::npos) << log;
}

TEST(XAnsiString, FormatCutsAtTheBufferAndFailsEmpty)
{
    CXAnsiString s;
    s.Format("%d-%s", 42, "x");
    EXPECT_STREQ(s.GetText(), "42-x");

    const std::string longText(5000, 'w');
    s.Format("%s", longText.c_str());
    EXPECT_EQ(s.GetLength(), CXAnsiString::kFormatBufferSize - 1);
    EXPECT_EQ(std::string(s.GetText()), longText.substr(0, 4095));

    // A wide character the C library cannot write in its 8-bit locale.
    s = "old";
    s.Format("%ls", L"\x0416");
    EXPECT_TRUE(s.IsEmpty());

    // The format may be the string itself.
    s = "%s and %s";
    s.FormatN(s, 2, "this", "that");
    EXPECT_STREQ(s.GetText(), "this and that");
    s.FormatWithString(CXAnsiString("<%s>"), CXAnsiString());
    EXPECT_STREQ(s.GetText(), "<>");
    s.FormatN(CXAnsiString(), 0);
    EXPECT_EQ(s.GetData(), nullptr);

    char* mine = CXAnsiString::GetFormatBuffer();
    char* other = nullptr;
    std::thread([&] { other = CXAnsiString::GetFormatBuffer(); }).join();
    EXPECT_NE(mine, other) << "each thread formats into its own buffer";
}

TEST(XAnsiString, CaseFollowsCodePage1251)
{
    // "Привет, Мир" / "ПРИВЕТ, МИР" / "привет, мир" in code page 1251.
    const char* mixed = "\xCF\xF0\xE8\xE2\xE5\xF2, \xCC\xE8\xF0";
    const char* upper = "\xCF\xD0\xC8\xC2\xC5\xD2, \xCC\xC8\xD0";
    const char* lower = "\xEF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0";
    const CXAnsiString s(mixed);
    EXPECT_STREQ(s.GetUpper().GetText(), upper);
    EXPECT_STREQ(s.GetLower().GetText(), lower);
    EXPECT_STREQ(s.GetText(), mixed) << "GetUpper leaves the string alone";

    EXPECT_EQ(s.CompareNoCase(upper), 0);
    EXPECT_EQ(s.CompareNoCase(lower), 0);
    EXPECT_NE(s.Compare(upper), 0);
    EXPECT_EQ(CXAnsiString("\xCF\xF0\xE8\xE2").CompareNoCase(upper, 4), 0);
    EXPECT_EQ(CXAnsiString("\xE0").Compare("a"), 1) << "bytes compare unsigned";
    EXPECT_EQ(CXAnsiString().CompareNoCase(""), 1);
}

TEST(XAnsiString, EqualsTextExactly)
{
    const struct
    {
        const char* string; // null: no buffer
        const char* text;
        bool equal;
    } cases[] = {
        {"SMT5001", "SMT5001", true}, {"SMT5001", "smt5001", false}, {"SMT5001", "SMT500", false},
        {"\xCC\xE8\xF0", "\xEC\xE8\xF0", false}, {nullptr, "", true}, {"", nullptr, true}, {nullptr, "a", false},
    };
    for (const auto& c : cases)
    {
        const CXAnsiString s = c.string ? CXAnsiString(c.string) : CXAnsiString();
        EXPECT_EQ(StringEqualsText(s, c.text), c.equal) << (c.string ? c.string : "(none)") << " / " << (c.text ? c.text : "(null)");
    }
}

// ---------------------------------------------------------------------------
// CXUniString only

TEST(XUniString, ConvertsFromCodePage1251)
{
    const CXUniString fromBytes("\xCF\xF0\xE8\xE2\xE5\xF2 A");
    EXPECT_STREQ(fromBytes.GetText(), L"\x041F\x0440\x0438\x0432\x0435\x0442 A");
    EXPECT_NE(CXUniString(static_cast<const char*>(nullptr)).GetData(), nullptr);
    EXPECT_NE(CXUniString().GetData(), nullptr) << "a default wide string holds a terminator";
    EXPECT_EQ(CXUniString().GetLength(), 0);
}

TEST(XUniString, CaseGoesThroughCodePage1251)
{
    struct SCase
    {
        const wchar_t* text;
        const wchar_t* upper;
        const wchar_t* lower;
    };
    const SCase cases[] = {
        {L"\x043C\x0438\x0440 Ab", L"\x041C\x0418\x0420 AB", L"\x043C\x0438\x0440 ab"},
        {L"\x0451\x0401", L"\x0401\x0401", L"\x0451\x0451"},
        // Outside code page 1251: lost to '?', as the 8-bit round trip does.
        {L"\x00E4x", L"?X", L"?x"},
    };
    for (const SCase& c : cases)
    {
        const CXUniString s(c.text);
        EXPECT_STREQ(s.GetUpper().GetText(), c.upper);
        EXPECT_STREQ(s.GetLower().GetText(), c.lower);
    }
}

TEST(XUniString, FormatGrowsAndStopsOnFailure)
{
    CXUniString s;
    s.Format(L"%d:%ls", 7, L"ok");
    EXPECT_STREQ(s.GetText(), L"7:ok");

    const std::wstring longText(1000, L'w');
    s.Format(L"[%ls]", longText.c_str());
    EXPECT_EQ(s.GetLength(), 1002);

    // An 8-bit argument the C library cannot decode fails at every size.
    s = L"old";
    s.Format(L"%s", "\xFF\xFE");
    EXPECT_TRUE(s.IsEmpty());

    s.FormatWithString(CXUniString(L"<%ls>"), CXUniString(L"x"));
    EXPECT_STREQ(s.GetText(), L"<x>");
}

TEST(XUniString, ReplaceCharacters)
{
    CXUniString s(L"banana");
    EXPECT_EQ(s.Replace(L'a', L'o'), 3);
    EXPECT_STREQ(s.GetText(), L"bonono");
    EXPECT_EQ(s.Replace(L'o', L'o'), 0);
    EXPECT_EQ(s.Replace(L'q', L'o'), 0);
    EXPECT_STREQ(s.GetText(), L"bonono");
}

// ---------------------------------------------------------------------------
// Byte rectangles

TEST(ByteRows, CopyAndClearStayInsideTheirRows)
{
    // A 3x2 source with pitch 4 into a destination with pitch 5.
    const unsigned char src[] = {1, 2, 3, 9, 4, 5, 6, 9};
    unsigned char dst[10];
    std::memset(dst, 0xEE, sizeof(dst));
    CopyRows(dst, src, 3, 5, 4, 2);
    const unsigned char copied[] = {1, 2, 3, 0xEE, 0xEE, 4, 5, 6, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(dst, copied, sizeof(dst)), 0);

    // A negative source pitch walks the rows upwards: the copy is flipped.
    std::memset(dst, 0xEE, sizeof(dst));
    CopyRows(dst, src + 4, 3, 5, -4, 2);
    const unsigned char flipped[] = {4, 5, 6, 0xEE, 0xEE, 1, 2, 3, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(dst, flipped, sizeof(dst)), 0);

    ClearRows(dst, 2, 5, 2);
    const unsigned char cleared[] = {0, 0, 6, 0xEE, 0xEE, 0, 0, 3, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(dst, cleared, sizeof(dst)), 0);

    CopyRows(dst, src, 3, 5, 4, 0);
    ClearRows(dst, 3, 5, 0);
    EXPECT_EQ(std::memcmp(dst, cleared, sizeof(dst)), 0) << "no rows: nothing";
}

} // namespace
