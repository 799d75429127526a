// The string pool and the integer array: growth, lookups and their stream
// forms, with damaged pool streams refused.
#include "ScriptTestUtil.h"

#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "foundation/StringPool.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{
using namespace scripttest;

TEST(StringPoolScript, GrowsByHalfAndFitsLongTexts)
{
    CStringPool pool(2, 8);
    EXPECT_EQ(pool.Find("abc"), -1);
    EXPECT_EQ(pool.Add("abc"), 0u);
    EXPECT_EQ(pool.Add("de"), 1u);
    EXPECT_EQ(pool.m_nCharsUsed, 7u);
    EXPECT_EQ(pool.Add("f"), 2u);
    EXPECT_EQ(pool.m_nOffsetCapacity, 3u);
    EXPECT_EQ(pool.m_nCharCapacity, 12u);
    EXPECT_EQ(pool.Find("ab"), -1); // a prefix is no match
    const std::string huge(1000, 'h');
    EXPECT_EQ(pool.Add(huge.c_str()), 3u);
    EXPECT_EQ(pool.Get(3), huge);
    EXPECT_STREQ(pool.Get(1), "de");
    pool.Empty();
    EXPECT_EQ(pool.Find("de"), -1);
}

TEST(StringPoolScript, StreamRoundTripKeepsIndicesAndCapacities)
{
    CStringPool pool(4, 32);
    for (const char* s : {"one", "", "three", "one"})
        pool.Add(s);
    CMemStream out;
    pool.SaveToStream(out);
    CMemStream in;
    Fill(in, Written(out));
    CStringPool loaded(1, 1);
    loaded.LoadFromStream(in);
    EXPECT_EQ(loaded.GetCount(), 4u);
    EXPECT_EQ(loaded.m_nCharCapacity, 32u);
    EXPECT_EQ(loaded.m_nOffsetCapacity, 4u);
    EXPECT_EQ(loaded.Find("one"), 0);
    EXPECT_EQ(loaded.Find(""), 1);
    EXPECT_STREQ(loaded.Get(2), "three");
    EXPECT_EQ(loaded.Add("four"), 4u);
}

TEST(StringPoolScript, DamagedStreamsAreRefusedAndLoseNothing)
{
    CStringPool pool(2, 16);
    pool.Add("ab");
    pool.Add("cd");
    CMemStream out;
    pool.SaveToStream(out);
    const Bytes good = Written(out); // Q U C "ab\0cd\0" K o0 o1
    auto put = [](Bytes& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    struct SCase
    {
        const char* what;
        std::function<void(Bytes&)> damage;
        const char* reason;
    };
    const SCase cases[] = {
        {"used above capacity", [&](Bytes& b) { put(b, 4, 17); }, "17 bytes used of a 16-byte buffer"},
        {"huge capacity", [&](Bytes& b) { put(b, 0, 0xFFFFFFF0u); }, "buffer of"},
        {"count above slots", [&](Bytes& b) { put(b, 8, 3); }, "3 strings in 2 offset slots"},
        {"offset outside", [&](Bytes& b) { put(b, 22, 6); }, "string 0 at offset 6"},
        {"unterminated", [&](Bytes& b) { b[17] = 'x'; }, "last string not terminated"},
        {"first not at the start", [&](Bytes& b) { put(b, 22, 3); },
         "string 0 at offset 3, not at the start"},
        {"repeated offset", [&](Bytes& b) { put(b, 26, 0); },
         "string 1 at offset 0, not where string 0 ends (3)"},
        {"overlapping", [&](Bytes& b) { put(b, 26, 1); }, "string 1 at offset 1"},
        {"out of order", [&](Bytes& b) { put(b, 22, 3), put(b, 26, 0); }, "string 0 at offset 3"},
        {"bytes after the last", [&](Bytes& b) { put(b, 8, 1); }, "1 strings end at byte 3 of 6 used bytes"},
        {"slots past end", [&](Bytes& b) { put(b, 18, 1000); }, "offset count 1000"},
        {"cut short", [&](Bytes& b) { b.erase(b.end() - 2, b.end()); }, "left"},
    };
    for (const SCase& c : cases)
    {
        Bytes bytes = good;
        c.damage(bytes);
        CMemStream in;
        Fill(in, bytes);
        CStringPool target(1, 8);
        target.Add("kept");
        try
        {
            target.LoadFromStream(in);
            ADD_FAILURE() << c.what << " was accepted";
        }
        catch (const CStreamError& error)
        {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << c.what << ": " << error.what();
        }
        EXPECT_EQ(target.GetCount(), 1u) << c.what;
        EXPECT_STREQ(target.Get(0), "kept") << c.what;
    }
}

TEST(IntArrayScript, OperationsAndStreamForm)
{
    CIntArray array;
    EXPECT_EQ(array.Add(4), 1u);
    EXPECT_EQ(array.Add(5), 2u);
    *array.Grow(true, 2) = 9;
    EXPECT_EQ(array.m_nCount, 4u);
    EXPECT_EQ(array[2], 0u);
    EXPECT_EQ(array.Find(9), 3);
    array.RemoveAt(0);
    EXPECT_EQ(array.Find(4), -1);
    EXPECT_EQ(array[0], 5u);
    CMemStream out;
    array.SaveToStream(out);
    CMemStream in;
    Fill(in, Written(out));
    CIntArray loaded;
    loaded.LoadFromStream(in);
    ASSERT_EQ(loaded.m_nCount, 3u);
    EXPECT_EQ(loaded[2], 9u);
    loaded.SetSize(0);
    EXPECT_EQ(loaded.m_pData, nullptr);
    EXPECT_EQ(loaded.m_nCount, 0u);

    Bytes shortStream = {5, 0, 0, 0, 1, 0, 0, 0};
    CMemStream bad;
    Fill(bad, shortStream);
    EXPECT_THROW(array.LoadFromStream(bad), CStreamError);
    EXPECT_EQ(array.m_nCount, 3u);
}

} // namespace
