// The index sort by float keys: ascending order, strides, equal keys and
// NaN keys that never swap.
#include "foundation/SortIndices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

TEST(SortIndices, OrdersTheIndicesByTheirKeys)
{
    const float nan = std::nanf("");
    struct SCase
    {
        const char* name;
        std::vector<float> keys;
        int stride;
        std::vector<std::int32_t> order;
    };
    const SCase cases[] = {
        {"one", {5.0f}, 1, {0}},
        {"three", {3.0f, 1.0f, 2.0f}, 1, {1, 2, 0}},
        // Keys every third float: (9, 4, 6) with the others ignored.
        {"stride", {9.0f, -1.0f, -1.0f, 4.0f, 100.0f, 100.0f, 6.0f, 0.0f, 0.0f}, 3, {1, 2, 0}},
        // Equal keys never swap with each other, but a smaller key moved
        // past them by a wide gap leaves them out of their first order
        // (the sort is not stable).
        {"equal keys", {2.0f, 2.0f, 2.0f, 1.0f}, 1, {3, 0, 2, 1}},
        // A NaN compares false both ways: it never moves, nor does a key
        // past it across it.
        {"nan", {nan, 1.0f}, 1, {0, 1}},
        {"five", {500.0f, 100.0f, 300.0f, 200.0f, 400.0f}, 1, {1, 3, 2, 4, 0}},
    };
    for (const SCase& c : cases)
    {
        const int n = int(c.keys.size()) / c.stride;
        std::vector<std::int32_t> index;
        SortIndicesByFloat(c.keys.data(), c.stride, n, index);
        EXPECT_EQ(index, c.order) << c.name;
    }
}

TEST(SortIndices, WritesOnlyTheEntriesAsked)
{
    const float keys[] = {1.0f};
    std::int32_t index[3] = {7, 7, 7};
    SortIndicesByFloat(keys, 1, 1, index);
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[1], 7);
    std::vector<std::int32_t> none{4, 4};
    SortIndicesByFloat(keys, 1, 0, none);
    EXPECT_TRUE(none.empty());
}

TEST(SortIndices, ALargeTableIsNotCutAtAFixedSize)
{
    // Above the old shared table's 16384 entries.
    const int n = 20000;
    std::vector<float> keys(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        keys[std::size_t(i)] = float(n - i);
    std::vector<std::int32_t> index;
    SortIndicesByFloat(keys.data(), 1, n, index);
    ASSERT_EQ(index.size(), std::size_t(n));
    EXPECT_EQ(index.front(), n - 1);
    EXPECT_EQ(index.back(), 0);
}

} // namespace
