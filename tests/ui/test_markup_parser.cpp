// The markup parser as a table of inputs and the elements they lay out, in
// a 400 x 300 document at (0, 0) with 8-pixel characters and 16-pixel lines.

#include "MarkupTestKit.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using uitest::CDrawRecorder;
using uitest::CTestDocument;

constexpr int kW = 8;   // character width
constexpr int kLH = 16; // line height

struct SExpect
{
    int type;
    std::string kind;
    std::string text;
    int left, top;
};

struct SCase
{
    const char* name;
    const char* markup;
    std::vector<SExpect> elements;
};

class MarkupParse : public uitest::CUITest, public ::testing::WithParamInterface<SCase>
{
};

TEST_P(MarkupParse, LaysOut)
{
    CTestDocument doc(0, 0, 400, 300, &m_Graphic);
    doc.m_Sizes["small.png"] = {100, 50};
    doc.m_Sizes["wide.png"] = {300, 40};
    doc.AddText(GetParam().markup, "B", "P:", true);
    const auto got = doc.Elements();
    const auto& want = GetParam().elements;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].Type, want[i].type);
        EXPECT_EQ(got[i].Kind, want[i].kind);
        EXPECT_EQ(got[i].Text, want[i].text);
        EXPECT_EQ(got[i].Left, want[i].left);
        EXPECT_EQ(got[i].Top, want[i].top);
        EXPECT_STREQ(got[i].BlockID, "B");
        EXPECT_EQ(got[i].Visible, 1);
    }
}

const SCase kCases[] = {
    {"BreakTag", "a<br>b", {{2, "", "a", 0, 0}, {2, "", "b", 0, kLH}}},
    {"BrAsWords", "a br b", {{2, "", "a br b", 0, 0}}},
    {"BrBetweenTags", "x<color>br<color>y", {{2, "", "x", 0, 0}, {2, "", "y", 0, kLH}}},
    {"HrefLinkThenText",
     "<a href=t1>two words</a> more",
     {{5, "P:t1", "two words", 0, 0}, {2, "", " more", 9 * kW, 0}}},
    {"LinkOneTag", "<link:Go=t2>", {{5, "P:t2", "Go", 0, 0}}},
    {"ReferenceOneTag", "<reference:Go=t2>", {{5, "P:t2", "Go", 0, 0}}},
    {"LinkWithoutTargetRefused", "<link:Go>x", {{2, "", "x", 0, 0}}},
    {"IconIndents",
     "<icon:POINT>ab<br>c",
     {{1, "icon", "POINT", 0, 0}, {2, "", "ab", 16, 0}, {2, "", "c", 13, kLH}}},
    {"IconScale", "<iconscale:OK>a", {{1, "icon", "OK", 0, 0}, {2, "", "a", kLH + 3, 0}}},
    {"Paragraph", "a<p>b", {{2, "", "a", 0, 0}, {6, "", " ", 2 * kW, 0}, {2, "", "b", 0, 24}}},
    {"NarrowImageFloatsRight", "<image:small.png>a", {{3, "image", "small.png", 300, 0}, {2, "", "a", 0, 0}}},
    {"WideImageCentred", "<image:wide.png>a", {{3, "image", "wide.png", 50, kLH}, {2, "", "a", 0, 56}}},
    {"MissingImageTakes200x150", "<image:none.png>", {{3, "image", "none.png", 200, 0}}},
    {"UnknownTagIsText", "<blink>", {{2, "", "blink", 0, 0}}},
    {"UnclosedRightAlign",
     "<halign=right>ab<color:red>cd",
     {{2, "", "ab", 400 - 4 * kW, 0}, {2, "", "cd", 400 - 2 * kW, 0}}},
    {"RightAlignLine",
     "x<halign=right>ab</halign>y",
     {{2, "", "x", 0, 0}, {2, "", "ab", 400 - 2 * kW, 0}, {2, "", "y", 0, kLH}}},
    {"SingleDelimiter", "<", {{2, "", "<", 0, 0}}},
    {"OnlyDelimiters", "<<>>", {}},
};

INSTANTIATE_TEST_SUITE_P(Markup, MarkupParse, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class Markup : public uitest::CUITest
{
};

TEST_F(Markup, ColoursAndFonts)
{
    CTestDocument doc(0, 0, 400, 300, &m_Graphic);
    doc.SetColors(0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666);
    doc.AddText("<color:ff0000>a<color>b<color:0xffffff>c<color:Red>d<color:red>e<color:000000>f"
                "<font:1>g<font:2>h<font>i<color=00ff00>j",
                nullptr, nullptr, true);
    const auto e = doc.Elements();
    ASSERT_EQ(e.size(), 10u);
    const std::uint32_t colours[] = {0x00FF0000, 0x111111, 0x111111, 0x111111, 0x00E41D30,
                                     0x111111,   0x111111, 0x111111, 0x111111, 0x0000FF00};
    const int fonts[] = {0, 0, 0, 0, 0, 0, 1, 2, 0, 0};
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_EQ(e[std::size_t(i)].Color, colours[i]) << i;
        EXPECT_EQ(e[std::size_t(i)].Font, fonts[i]) << i;
    }
    EXPECT_STREQ(e[0].BlockID, "EMPTY");
    // Link colours: link is the first link colour, href the second; with
    // link colours off both take the current colour.
    doc.Clear();
    doc.AddText("<link:a=x><reference:b=y><a link=z>c</a><a href=w>d</a>", "L", nullptr, true);
    EXPECT_EQ(doc.At(0).Color, 0x555555u);
    EXPECT_EQ(doc.At(1).Color, 0x222222u);
    EXPECT_EQ(doc.At(2).Color, 0x555555u);
    EXPECT_EQ(doc.At(3).Color, 0x222222u);
    // Magenta has a value of its own rather than garbage.
    doc.Clear();
    doc.AddText("<color:magenta>m", nullptr, nullptr, true);
    EXPECT_EQ(doc.At(0).Color, 0x00FF00FFu);
}

TEST_F(Markup, WrapsLongWordsAndSentences)
{
    CTestDocument doc(0, 0, 400, 300, &m_Graphic);
    // 60 characters (480 pixels) in a 400-pixel document: cut at the last
    // character that fits, the rest on the next line.
    doc.AddText(std::string(60, 'w').c_str(), "W", nullptr, true);
    auto e = doc.Elements();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].Text.size(), 50u);
    EXPECT_EQ(e[1].Text.size(), 10u);
    EXPECT_EQ(e[1].Top, kLH);
    EXPECT_EQ(e[0].LineEnd, 0);

    // A sentence is cut at its last fitting space, which is dropped.
    doc.Clear();
    std::string sentence;
    for (int i = 0; i < 12; ++i)
        sentence += "word" + std::to_string(i) + " ";
    doc.AddText(sentence.c_str(), "S", nullptr, true);
    e = doc.Elements();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].Text, "word0 word1 word2 word3 word4 word5 word6 word7");
    EXPECT_EQ(e[1].Text, "word8 word9 word10 word11 ");
    EXPECT_EQ(e[1].Left, 0);
    EXPECT_EQ(e[1].Top, kLH);
    for (const auto& x : e)
        EXPECT_LE(x.Right, 400);
}

TEST_F(Markup, GlyphWiderThanTheFreeWidthEnds)
{
    // The document is narrower than one character: every piece is one
    // character, and the wrapping ends.
    CTestDocument doc(0, 0, 5, 300, &m_Graphic);
    doc.AddText("abcdef", "G", nullptr, true);
    const auto e = doc.Elements();
    ASSERT_EQ(e.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(e[std::size_t(i)].Text, std::string(1, char('a' + i)));
    // A run that cannot be split (one character) moves down once and stops.
    doc.Clear();
    doc.AddText("x", "G", nullptr, true);
    EXPECT_EQ(doc.Elements().size(), 1u);
}

TEST_F(Markup, OneAddTextNeverPassesTheElementTable)
{
    CTestDocument doc(0, 0, 400, 300, &m_Graphic);
    std::string many;
    for (int i = 0; i < 5000; ++i)
        many += "a<br>";
    doc.AddText(many.c_str(), "M", nullptr, true);
    EXPECT_EQ(doc.m_iStrNum, CHTMLObject::kMaxElements);
    EXPECT_NE(ReadText("error.log").find("element table full"), std::string::npos);
    // Over the limit AddText takes nothing more.
    doc.AddText("more", "N", nullptr, true);
    EXPECT_EQ(doc.m_iStrNum, CHTMLObject::kMaxElements);
    EXPECT_EQ(doc.GetBlockCount(), 1);
    // A long wrapping run splits only into free slots.
    doc.Clear();
    std::string filler;
    for (int i = 0; i < CHTMLObject::kAddTextLimit; ++i)
        filler += "a<br>";
    doc.AddText(filler.c_str(), "F", nullptr, true);
    doc.AddText(std::string(20000, 'z').c_str(), "Z", nullptr, true);
    EXPECT_EQ(doc.m_iStrNum, CHTMLObject::kMaxElements);
}

TEST_F(Markup, AddTextWithoutNewLineContinuesTheLine)
{
    CTestDocument doc(0, 0, 400, 300, &m_Graphic);
    doc.AddText("first", "A", nullptr, true);
    doc.AddText("second", "B", nullptr, false);
    doc.AddText("third", "C", nullptr, true);
    const auto e = doc.Elements();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[1].Top, e[0].Top);
    EXPECT_EQ(e[1].Left, e[0].Right);
    EXPECT_EQ(e[2].Top, kLH);
    EXPECT_EQ(e[2].Left, 0);
    // A block id longer than 31 characters is logged and cut.
    doc.AddText("x", "0123456789012345678901234567890123456789", nullptr, true);
    EXPECT_STREQ(doc.GetLastBlock()->id, "0123456789012345678901234567890");
    EXPECT_NE(ReadText("error.log").find("exceed 32 symbols"), std::string::npos);
}

} // namespace
