#include "foundation/GrowArray.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/StreamReader.h"
#include "foundation/U32Array.h"
#include "foundation/Vector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

TEST(Name32, SetCutsAtThirtyOneAndKeepsTheTailOfAShortName)
{
    CName32 name;
    std::memset(name.name, 'z', sizeof name.name);
    const std::string forty(40, 'a');
    EXPECT_EQ(name.Set(forty.c_str()), &name);
    EXPECT_EQ(std::string(name.name), std::string(31, 'a'));
    EXPECT_EQ(name.name[31], '\0');

    std::memset(name.name, 'z', sizeof name.name);
    name.Set("Orion");
    EXPECT_STREQ(name.name, "Orion");
    EXPECT_EQ(name.name[6], 'z'); // bytes after the terminator keep their content

    EXPECT_STREQ(MakeName32(nullptr).name, "");
    EXPECT_EQ(MakeName32("Orion").name[6], '\0');
}

TEST(Name32, FieldHelpersCompareCopyAndMarkNone)
{
    CName32 name = MakeName32("Orion");
    EXPECT_TRUE(name.IsEqual("Orion"));
    EXPECT_FALSE(name.IsEqual("orion"));
    EXPECT_FALSE(name.IsEqual("Orion2"));
    EXPECT_FALSE(name.IsEqual(nullptr));
    EXPECT_FALSE(SameName(nullptr, nullptr));
    // A name filling all 32 bytes is compared within them.
    std::memset(name.name, 'x', sizeof name.name);
    EXPECT_TRUE(name.IsEqual(std::string(32, 'x').c_str()));
    EXPECT_TRUE(name.IsEqual(std::string(40, 'x').c_str()));

    char field[32];
    std::memset(field, 'q', sizeof field);
    CopyName(field, "AB");
    EXPECT_STREQ(field, "AB");
    EXPECT_EQ(std::string(field + 2, 30), std::string(30, '\0'));
    CopyName(field, field); // onto itself
    EXPECT_STREQ(field, "AB");
    CopyName(field, std::string(50, 'c').c_str());
    EXPECT_EQ(std::strlen(field), 31u);
    CopyName(field, nullptr);
    EXPECT_STREQ(field, "");

    EXPECT_FALSE(IsNameSet(field)); // empty
    CopyName(field, "AB");
    EXPECT_TRUE(IsNameSet(field));
    ClearName(field);
    EXPECT_FALSE(IsNameSet(field));
    EXPECT_EQ(static_cast<unsigned char>(field[3]), 0xFFu);
    EXPECT_EQ(field[4], '\0');
}

TEST(Name32, ArrayGrowsByItsStepFindsRemovesAndRoundTrips)
{
    CNameArray names(2, 3);
    EXPECT_EQ(names.Find("A"), -1); // empty
    names.AddUnique("A");
    names.AddUnique("B");
    names.AddUnique("A"); // once
    EXPECT_EQ(names.capacity, 2u);
    names.Add(MakeName32("C"));
    EXPECT_EQ(names.capacity, 5u); // by the step, not doubled
    EXPECT_EQ(names.GetCount(), 3);
    EXPECT_EQ(names.Find("C"), 2);
    EXPECT_EQ(names.Find("c"), -1);

    names.Remove("A");
    ASSERT_EQ(names.GetCount(), 2);
    EXPECT_STREQ(names[0], "B");
    EXPECT_STREQ(names[1], "C");

    CMemStream stream;
    names.SaveToStream(stream);
    EXPECT_EQ(stream.m_nPosition, 4u + 2u * 32u);
    stream.m_nCapacity = stream.m_nPosition;
    stream.m_nPosition = 0;
    CNameArray loaded(16, 8);
    CStreamReader in(stream, "names");
    loaded.LoadFromStream(in);
    EXPECT_EQ(loaded.capacity, 2u); // exactly the count
    EXPECT_EQ(loaded.step, 8u);     // the step stays
    EXPECT_EQ(loaded.Find("C"), 1);

    // A count the stream cannot hold leaves the array as it was.
    const std::uint8_t damaged[] = {9, 0, 0, 0, 'X', 0};
    CMemStream bad;
    std::memcpy(bad.Allocate(sizeof damaged), damaged, sizeof damaged);
    CStreamReader badIn(bad, "names");
    EXPECT_THROW(loaded.LoadFromStream(badIn), CStreamError);
    EXPECT_EQ(loaded.GetCount(), 2);
}

TEST(Name32, RecordArrayClearsWithoutShrinkingAndMoves)
{
    struct SRecord
    {
        std::int32_t value = 7;
        char name[32] = {};
    };
    SGrowArray<SRecord> records;
    records.Init(1, 2);
    EXPECT_EQ(records[0].value, 7); // storage default-constructed
    records.Append(SRecord{1, "one"});
    records.Append(SRecord{2, "two"});
    records.Append(SRecord{3, "three"});
    EXPECT_EQ(records.capacity, 3u);
    records.RemoveAt(0);
    records.RemoveAt(9); // past the count: nothing
    ASSERT_EQ(records.count, 2u);
    EXPECT_STREQ(records[0].name, "two");
    EXPECT_STREQ(records[1].name, "three");

    records.Clear();
    EXPECT_EQ(records.count, 0u);
    EXPECT_EQ(records.capacity, 3u);
    EXPECT_EQ(records[2].value, 0); // every byte zero

    SGrowArray<SRecord> moved = std::move(records);
    EXPECT_EQ(moved.capacity, 3u);
    EXPECT_EQ(records.data, nullptr);
    records.Append(SRecord{}); // the emptied source still grows
    EXPECT_EQ(records.count, 1u);
}

TEST(Name32, FloatSignOfZeroIsMinusOne)
{
    EXPECT_EQ(FloatSign(0.0f), -1.0f);
    EXPECT_EQ(FloatSign(-2.5f), -1.0f);
    EXPECT_EQ(FloatSign(1e-30f), 1.0f);
}

TEST(Name32, U32ArrayGrowsByItsStepFindsRemovesAndClearFrees)
{
    CU32Array ids(2, 3);
    for (std::uint32_t id : {7u, 9u, 11u})
        ids.Add(id);
    EXPECT_EQ(ids.capacity, 5u); // by the step, not doubled
    EXPECT_EQ(ids.Find(11), 2);
    EXPECT_EQ(ids.Find(8), -1);
    ids.RemoveAt(0);
    ASSERT_EQ(ids.GetCount(), 2u);
    EXPECT_EQ(ids[0], 9u);
    EXPECT_EQ(ids.Find(7), -1);

    ids.Clear();
    EXPECT_EQ(ids.GetCount(), 0u);
    EXPECT_EQ(ids.data, nullptr); // clearing frees the values
    ids.Add(4); // and the array grows again from nothing
    EXPECT_EQ(ids.Find(4), 0);
}

} // namespace
