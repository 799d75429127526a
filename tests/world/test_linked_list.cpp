#include "world/LinkedList.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

struct SItem
{
    explicit SItem(int v, int* deaths = nullptr) : value(v), deaths(deaths) {}
    virtual ~SItem()
    {
        if (deaths) ++*deaths;
    }
    int value;
    int* deaths;
};

std::vector<int> Values(const CLinkedList<SItem>& list)
{
    std::vector<int> out;
    for (SItem* item : list)
        out.push_back(item->value);
    return out;
}

} // namespace

TEST(LinkedList, RemoveCurrentDuringAWalkRemovesTheItemJustTaken)
{
    SItem a(1), b(2), c(3), d(4);
    CLinkedList<SItem> list;
    for (SItem* item : {&a, &b, &c, &d})
        list.AddTail(item);
    list.AddTail(nullptr);
    EXPECT_EQ(list.GetCount(), 4);

    std::vector<int> seen;
    list.ResetCursor();
    while (SItem* item = list.GetNext())
    {
        seen.push_back(item->value);
        if (item->value % 2 == 0) list.RemoveCurrent();
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Values(list), (std::vector<int>{1, 3}));
    EXPECT_EQ(list.GetLast(), &c);

    // A second RemoveCurrent without a new take removes nothing more.
    list.RemoveCurrent();
    EXPECT_EQ(list.GetCount(), 2);
    list.ResetCursor();
    list.RemoveCurrent();
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(LinkedList, RemovingTheNextItemDuringAWalkKeepsTheWalkValid)
{
    SItem a(1), b(2), c(3);
    CLinkedList<SItem> list;
    list.AddTail(&a);
    list.AddTail(&b);
    list.AddTail(&c);
    std::vector<int> seen;
    list.ResetCursor();
    while (SItem* item = list.GetNext())
    {
        seen.push_back(item->value);
        if (item == &a)
        {
            EXPECT_TRUE(list.Remove(&b)); // the cursor stands on b
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 3}));
    EXPECT_FALSE(list.Remove(&b));
    EXPECT_TRUE(list.Contains(&c));
    EXPECT_EQ(list.GetFirst(), &a);
}

TEST(LinkedList, AnOwningListDestroysWhatItRemoves)
{
    int deaths = 0;
    {
        CLinkedList<SItem> list(true);
        for (int i = 0; i < 3; ++i)
            list.AddTail(new SItem(i, &deaths));
        SItem* first = list.GetFirst();
        EXPECT_TRUE(list.Remove(first));
        EXPECT_EQ(deaths, 1);
        list.RemoveAll();
        EXPECT_EQ(deaths, 3);
        EXPECT_TRUE(list.IsEmpty());
        list.AddTail(new SItem(9, &deaths));
    }
    EXPECT_EQ(deaths, 4); // the destructor empties the list

    SItem kept(1, &deaths);
    {
        CLinkedList<SItem> list;
        list.AddTail(&kept);
    }
    EXPECT_EQ(deaths, 4);
}
