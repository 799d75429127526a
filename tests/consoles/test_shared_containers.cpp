// The consoles' small containers: the fixed lists refuse what does not
// fit, the growable arrays grow by their step, the key array's sizes, and
// the heading of a group on the map.
#include "common/ConsoleFixture.h"

#include "consoles/ConsoleContainers.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"

#include <gtest/gtest.h>

namespace
{

TEST(SharedContainers, TheFixedIntListRemovesInsideItsCountOnly)
{
    CFixedIntList list;
    for (int v : {7, 8, 9})
        ASSERT_TRUE(list.Add(v));
    ASSERT_TRUE(list.RemoveAt(0));
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list[0], 8);
    EXPECT_EQ(list[1], 9);
    for (int bad : {-1, 2, 35})
        EXPECT_FALSE(list.RemoveAt(bad)) << bad;
    EXPECT_EQ(list.GetCount(), 2);

    while (list.GetCount() < CFixedIntList::kCapacity)
        ASSERT_TRUE(list.Add(1));
    EXPECT_FALSE(list.Add(2));
    EXPECT_EQ(list.GetCount(), CFixedIntList::kCapacity);
}

TEST(SharedContainers, TheFixedStringListHoldsFour)
{
    CFixedStringList list;
    for (const char* s : {"a", "b", "c", "d"})
        ASSERT_TRUE(list.Add(CXAnsiString(s)));
    EXPECT_FALSE(list.Add(CXAnsiString("e")));
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_STREQ(list[3].GetText(), "d");
}

TEST(SharedContainers, GrowableArraysGrowByTheirStep)
{
    CPtrArray pointers;
    pointers.Init(2, 4);
    int values[3] = {};
    for (int& v : values)
        pointers.Append(&v);
    EXPECT_EQ(pointers.capacity, 6u);
    EXPECT_EQ(pointers.count, 3u);
    pointers.RemoveAt(0);
    EXPECT_EQ(pointers.count, 2u);
    EXPECT_EQ(pointers[0], &values[1]);
    pointers.RemoveAt(5); // past the count: nothing
    EXPECT_EQ(pointers.count, 2u);

    CStringPairArray pairs(1, 0); // a step of 0 grows by one
    pairs.Add(CXAnsiString("k1"), CXAnsiString("v1"));
    CXAnsiString changed("k2");
    pairs.Add(changed, CXAnsiString("v2"));
    changed = "other"; // the array keeps its own copies
    EXPECT_EQ(pairs.GetCount(), 2);
    EXPECT_EQ(pairs.GetCapacity(), 2);
    ASSERT_NE(pairs.GetAt(1), nullptr);
    EXPECT_STREQ(pairs.GetAt(1)->first.GetText(), "k2");
    EXPECT_EQ(pairs.GetAt(2), nullptr);

    CGuidKeyArray keys;
    keys.SetSize(3);
    EXPECT_EQ(keys.GetCount(), 3);
    EXPECT_EQ(keys[2].id, CGuidKey::kNone);
    keys.SetSize(0);
    EXPECT_EQ(keys.GetCount(), 0);
}

class GroupHeading : public consoletest::CConsoleTest
{
};

TEST_F(GroupHeading, FromTheAITargetThePlayersGliderOrAlongX)
{
    EXPECT_EQ(GetGroupHeading(nullptr).x, 1.0f);
    CMechGroup2 other;
    const CVector plain = GetGroupHeading(&other);
    EXPECT_EQ(plain.x, 1.0f);
    EXPECT_EQ(plain.y, 0.0f);

    CMechGroup2 players;
    m_Player.m_pGroup = &players;
    m_Glider.m_vVelocity = CVector{0.0f, 3.0f, 0.0f};
    EXPECT_EQ(GetGroupHeading(&players).y, 3.0f);
    m_Player.m_pGroup = nullptr;
}

} // namespace
