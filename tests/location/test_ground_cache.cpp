// The ground cache's records: held per cell until the capacity is reached,
// then the least recently used one goes to the new cell.
#include "location/GroundCache.h"

#include <gtest/gtest.h>

TEST(GroundCache, ReusesTheLeastRecentlyUsedRecordWhenFull)
{
    CGroundCache cache(2);
    auto fill = [&](int x, int y, float h)
    {
        SGroundCell* g = cache.Take(x, y);
        EXPECT_EQ(cache.Find(x, y), nullptr); // not held before Commit
        g->m_fHeights[0] = h;
        cache.Commit();
    };
    fill(0, 0, 1.0f);
    fill(5, 7, 2.0f);
    ASSERT_NE(cache.Find(0, 0), nullptr); // (5, 7) is now the older
    fill(63, 63, 3.0f);
    EXPECT_EQ(cache.GetCount(), 2);
    EXPECT_EQ(cache.Find(5, 7), nullptr);
    ASSERT_NE(cache.Find(0, 0), nullptr);
    EXPECT_EQ(cache.Find(0, 0)->Height(0, 0), 1.0f);
    ASSERT_NE(cache.Find(63, 63), nullptr);
    EXPECT_EQ(cache.Find(63, 63)->Height(0, 0), 3.0f);
    // A record taken but never committed (its cell failed to load) is not
    // held, and is the first one given again.
    SGroundCell* lost = cache.Take(1, 1);
    EXPECT_EQ(cache.Find(1, 1), nullptr);
    EXPECT_EQ(cache.Take(2, 2), lost);
    cache.Commit();
    cache.Clear();
    EXPECT_EQ(cache.Find(2, 2), nullptr);
    EXPECT_EQ(cache.Find(0, 0), nullptr);
}
