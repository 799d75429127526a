// Document operations over laid-out blocks (8-pixel characters, 16-pixel
// lines): deleting, collapsing, scrolling, link selection, and the image
// cache with its files replaced by a table.

#include "MarkupTestKit.h"

#include "ui/markup/HTMLImageCache.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace
{
using uitest::CTestDocument;
constexpr int kLH = 16;

class MarkupDocument : public uitest::CUITest
{
protected:
    CTestDocument m_Doc{0, 100, 400, 200, &m_Graphic};

    // n one-line blocks "b0".."b{n-1}".
    void Lines(int n)
    {
        for (int i = 0; i < n; ++i)
            m_Doc.AddText(("line" + std::to_string(i)).c_str(), ("b" + std::to_string(i)).c_str(), nullptr,
                          true);
    }
};

TEST_F(MarkupDocument, SameIdTwiceGivesTwoBlocksAndDelBlockRemovesBoth)
{
    m_Doc.AddText("one", "X", nullptr, true);
    m_Doc.AddText("two words", "Y", nullptr, true);
    m_Doc.AddText("three", "X", nullptr, true);
    m_Doc.AddText("four", "Z", nullptr, true);
    ASSERT_EQ(m_Doc.GetBlockCount(), 4);
    m_Doc.SetBlockData("X", 7);
    EXPECT_EQ(m_Doc.GetBlocks()[0].userValue, 7u);
    EXPECT_EQ(m_Doc.GetBlocks()[2].userValue, 0u);
    EXPECT_EQ(m_Doc.GetBlockData("X"), 7u);
    EXPECT_EQ(m_Doc.GetBlockData("missing"), 0u);

    const int zTop = m_Doc.At(3).Top;
    m_Doc.DelBlock("X", false);
    ASSERT_EQ(m_Doc.GetBlockCount(), 2);
    EXPECT_EQ(m_Doc.m_iStrNum, 2);
    // Later blocks keep their fields with indices moved down.
    EXPECT_STREQ(m_Doc.GetBlocks()[0].id, "Y");
    EXPECT_EQ(m_Doc.GetBlocks()[0].first, 0);
    EXPECT_EQ(m_Doc.GetBlocks()[1].first, 1);
    EXPECT_EQ(m_Doc.GetBlocks()[1].last, 1);
    EXPECT_EQ(m_Doc.At(0).Text, "two words");
    EXPECT_EQ(m_Doc.At(1).Text, "four");
    // The document was not scrolled: the gap closes by moving the later
    // elements up, and the scroll back down is clamped at the top edge.
    EXPECT_EQ(m_Doc.At(0).Top, 100);
    EXPECT_EQ(m_Doc.At(1).Top, zTop - 2 * kLH);
    // Deleting the last block shortens the table.
    m_Doc.DelBlock("Z", false);
    EXPECT_EQ(m_Doc.m_iStrNum, 1);
    // From here: that block and all after it.
    Lines(3);
    m_Doc.DelBlock("b1", true);
    EXPECT_EQ(m_Doc.GetBlockCount(), 2);
    EXPECT_EQ(m_Doc.m_iStrNum, 2);
    m_Doc.DelBlock(nullptr, false);
    m_Doc.DelBlock("nothing", false);
    EXPECT_EQ(m_Doc.GetBlockCount(), 2);
}

TEST_F(MarkupDocument, CollapseMovesLaterEntriesAndBack)
{
    m_Doc.AddText("<icon:MINUS>HEAD", "E1", nullptr, true);
    m_Doc.AddText("body a<br>body b<br>body c", "E1", nullptr, true);
    m_Doc.AddText("<icon:MINUS>NEXT", "E2", nullptr, true);
    const int nextTop = m_Doc.At(5).Top;
    m_Doc.CollapseBlock("E1", true);
    EXPECT_EQ(m_Doc.At(0).Text, "PLUS");
    EXPECT_EQ(m_Doc.At(2).Visible, 0);
    EXPECT_EQ(m_Doc.At(4).Visible, 0);
    EXPECT_EQ(m_Doc.At(5).Top, nextTop - 3 * kLH);
    // Collapsing again is left alone (the icon already says PLUS).
    m_Doc.CollapseBlock("E1", true);
    EXPECT_EQ(m_Doc.At(5).Top, nextTop - 3 * kLH);
    m_Doc.CollapseBlock("E1", false);
    EXPECT_EQ(m_Doc.At(0).Text, "MINUS");
    EXPECT_EQ(m_Doc.At(3).Visible, 1);
    EXPECT_EQ(m_Doc.At(5).Top, nextTop);
    // A click on the heading icon toggles through SelRef.
    std::string target;
    EXPECT_TRUE(m_Doc.SelRef(target, 0, 0, 1));
    EXPECT_EQ(m_Doc.At(0).Text, "PLUS");
    EXPECT_EQ(m_Doc.At(5).Top, nextTop - 3 * kLH);
}

TEST_F(MarkupDocument, ScrollClamps)
{
    Lines(10); // 160 pixels of text in a 100-pixel window
    // Down past the end: the last line stops at the bottom edge.
    EXPECT_EQ(m_Doc.IsScroll(1000), 60);
    EXPECT_TRUE(m_Doc.Scroll(1000));
    EXPECT_EQ(m_Doc.At(9).Bottom, 200);
    // Up past the start: the first line stops at the top edge.
    EXPECT_EQ(m_Doc.IsScroll(-1000), -60);
    EXPECT_TRUE(m_Doc.Scroll(-1000));
    EXPECT_EQ(m_Doc.At(0).Top, 100);
    EXPECT_FALSE(m_Doc.Scroll(-5));
    // With line scrolling one line stays at the top.
    m_Doc.SetOptions(false, true, true);
    m_Doc.Scroll(1000);
    EXPECT_EQ(m_Doc.At(9).Top, 100);
    EXPECT_EQ(m_Doc.At(9).Bottom, 100 + kLH);
    // A short document does not scroll.
    m_Doc.Clear();
    m_Doc.SetOptions(false, true, false);
    Lines(2);
    EXPECT_FALSE(m_Doc.Scroll(50));
    EXPECT_FALSE(m_Doc.Scroll(-50));
    int total = 0, page = 0, position = 0;
    m_Doc.GetScrollRange(&total, &page, &position, false);
    EXPECT_EQ(total, 2 * kLH);
    EXPECT_EQ(page, 100);
    EXPECT_EQ(position, 0);
}

TEST_F(MarkupDocument, ScrollToTheLastEntryAlignsTheEnd)
{
    Lines(10);
    EXPECT_FALSE(m_Doc.ScrollToBlock("nope", false));
    EXPECT_TRUE(m_Doc.ScrollToBlock("b9", true));
    EXPECT_EQ(m_Doc.At(0).Top, 100);
    EXPECT_TRUE(m_Doc.ScrollToBlock("b9", false));
    EXPECT_EQ(m_Doc.At(9).Bottom, 200);
    EXPECT_TRUE(m_Doc.ScrollToBlock("b3", false));
    EXPECT_EQ(m_Doc.At(3).Top, 100);
}

TEST_F(MarkupDocument, SplitLinkCountsOnceAndIsVisitedWhole)
{
    m_Doc.SetColors(0x10, 0x20, 0x30, 0x40, 0x50, 0x60);
    // The first link wraps into two pieces.
    m_Doc.AddText(
        ("<link:" + std::string(45, 'a') + " bbbbbbbbbbbbbbbb=one> <link:second=two> <link:third=three>")
            .c_str(),
        "L", nullptr, true);
    ASSERT_EQ(m_Doc.At(0).Kind, "one");
    ASSERT_EQ(m_Doc.At(1).Kind, "one");
    EXPECT_NE(m_Doc.At(0).Top, m_Doc.At(1).Top);
    std::string target;
    EXPECT_TRUE(m_Doc.SelRef(target, -1, 0, 2));
    EXPECT_EQ(target, "two");
    target.clear();
    EXPECT_TRUE(m_Doc.SelRef(target, -1, 0, 1));
    EXPECT_EQ(target, "one");
    EXPECT_EQ(m_Doc.At(0).Color, 0x30u);
    EXPECT_EQ(m_Doc.At(1).Color, 0x30u);
    // Backward from the end the first candidate is the last link.
    target.clear();
    EXPECT_TRUE(m_Doc.SelRef(target, -1, 1, 1));
    EXPECT_EQ(target, "three");
    // Choosing an already visited link reports false.
    target = "one";
    EXPECT_FALSE(m_Doc.SelRef(target, -1, 0, 1));
    // Hit testing: the link under the point.
    int element = -1;
    EXPECT_TRUE(m_Doc.GetRef(m_Doc.At(1).Left + 1, m_Doc.At(1).Top + 1, target, &element));
    EXPECT_EQ(target, "one");
    EXPECT_EQ(element, 1);
    EXPECT_FALSE(m_Doc.GetRef(399, 199, target, &element));
}

// The image cache with the file system replaced: names listed in m_Files
// exist; fills fail for names in m_FailFill.
class CTableImageCache : public CHTMLImageCache
{
public:
    std::map<std::string, std::pair<int, int>> m_Files;
    std::set<std::string> m_FailFill;
    int m_nReads = 0;

protected:
    bool ReadInfo(const std::string& path, int* w, int* h) override
    {
        ++m_nReads;
        const std::string name = path.substr(path.rfind('\\') + 1);
        const auto it = m_Files.find(name);
        if (it == m_Files.end()) return false;
        *w = it->second.first;
        *h = it->second.second;
        return true;
    }
    bool Fill(SHTMLImage& record, const std::string&) override { return !m_FailFill.count(record.fileName); }
};

TEST_F(MarkupDocument, ImageCacheEvictsTheLeastRecentlyUsed)
{
    CTableImageCache cache;
    for (int i = 0; i < 11; ++i)
        cache.m_Files["p" + std::to_string(i) + ".png"] = {10 + i, 20};
    for (int i = 0; i < 10; ++i)
        ASSERT_NE(cache.Get(("p" + std::to_string(i) + ".png").c_str(), double(i)), nullptr);
    EXPECT_EQ(cache.GetCount(), 10);
    cache.Get("p0.png", 50.0); // p1 is now the least recently drawn
    const SHTMLImage* eleventh = cache.Get("p10.png", 60.0);
    ASSERT_NE(eleventh, nullptr);
    EXPECT_EQ(eleventh->width, 20);
    EXPECT_EQ(eleventh, &cache.Record(1));
    const int reads = cache.m_nReads;
    cache.Get("p0.png", 61.0);
    EXPECT_EQ(cache.m_nReads, reads); // still cached
    EXPECT_EQ(cache.Get("missing.png", 62.0), nullptr);
}

TEST_F(MarkupDocument, FailedFillIsNotKeptAsValid)
{
    CTableImageCache cache;
    cache.m_Files["bad.png"] = {64, 32};
    cache.m_FailFill.insert("bad.png");
    const SHTMLImage* r = cache.Get("bad.png", 1.0);
    ASSERT_NE(r, nullptr);
    EXPECT_FALSE(r->valid);
    EXPECT_EQ(r->width, 64); // the place is still known
    EXPECT_NE(ReadText("error.log").find("can`t load image file='bad.png'"), std::string::npos);
    // The next request tries the file again, in the same record.
    const int reads = cache.m_nReads;
    cache.m_FailFill.clear();
    r = cache.Get("bad.png", 2.0);
    EXPECT_EQ(cache.m_nReads, reads + 1);
    EXPECT_TRUE(r->valid);
    EXPECT_EQ(cache.GetCount(), 1);
    // A name longer than the record's field is kept cut and still found.
    const std::string longName(300, 'n');
    cache.m_Files[longName.substr(0, 259)] = {4, 4};
    ASSERT_NE(cache.Get(longName.c_str(), 3.0), nullptr);
    EXPECT_EQ(cache.Get(longName.c_str(), 4.0), &cache.Record(1));
}

} // namespace
