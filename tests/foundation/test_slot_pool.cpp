// The numbered record pool of the sound sources.

#include "foundation/SlotPool.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace
{

std::vector<int> Walk(const CSlotPool<int>& pool)
{
    std::vector<int> ids;
    for (int i = pool.First(); i > 0; i = pool.Next(i))
        ids.push_back(i);
    return ids;
}

TEST(SlotPool, HandsOutEveryIdOnceAndWalksInOrder)
{
    CSlotPool<int> pool;
    pool.Init(3);
    EXPECT_TRUE(Walk(pool).empty());
    EXPECT_EQ(pool.Alloc(), 1);
    EXPECT_EQ(pool.Alloc(), 2);
    EXPECT_EQ(pool.Alloc(), 3);
    EXPECT_EQ(pool.Alloc(), -1);
    pool.Free(2);
    EXPECT_EQ(Walk(pool), (std::vector<int>{1, 3}));
    EXPECT_EQ(pool.Alloc(), 2);
    EXPECT_EQ(Walk(pool), (std::vector<int>{1, 2, 3}));
    pool.Free(7); // not an id: ignored
    pool.Free(2);
    pool.Free(2); // twice: ignored
    EXPECT_EQ(pool.GetCount(), 2);
}

TEST(SlotPool, RandomTakesAndReturnsMatchASet)
{
    CSlotPool<int> pool;
    pool.Init(50);
    std::set<int> used;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step)
    {
        if (random() % 3 != 0)
        {
            const int id = pool.Alloc(step);
            if (used.size() == 50)
            {
                ASSERT_EQ(id, -1);
                continue;
            }
            ASSERT_GE(id, 1);
            ASSERT_LE(id, 50);
            ASSERT_TRUE(used.insert(id).second) << "id " << id << " handed out twice";
            ASSERT_EQ(pool[id], step);
        }
        else if (!used.empty())
        {
            auto it = used.begin();
            std::advance(it, random() % used.size());
            pool.Free(*it);
            used.erase(it);
        }
        ASSERT_EQ(Walk(pool), std::vector<int>(used.begin(), used.end())) << "step " << step;
    }
}

} // namespace
