// The groups' grid of centres: its walk meets, in index order, every group
// whose centre lies within the window, as a walk over the whole list does,
// through moves, a changed list, centres that are not numbers and far ones.
#include "foundation/Random.h"
#include "society/GroupGrid.h"
#include "society/MechGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace
{
std::vector<std::int32_t> Near(const CGroupGrid& grid, const std::vector<CMechGroup2*>& groups, const CVector& c,
                               float r)
{
    std::vector<std::int32_t> seen;
    grid.Walk(c, r,
              [&](std::int32_t i)
              {
                  const CVector d = groups[std::size_t(i)]->m_vCentre - c;
                  if (std::fabs(d.x) <= r && std::fabs(d.y) <= r) seen.push_back(i);
                  return true;
              });
    return seen;
}

std::vector<std::int32_t> Brute(const std::vector<CMechGroup2*>& groups, const CVector& c, float r)
{
    std::vector<std::int32_t> seen;
    for (std::size_t i = 0; i < groups.size(); ++i)
    {
        const CVector d = groups[i]->m_vCentre - c;
        if (std::fabs(d.x) <= r && std::fabs(d.y) <= r) seen.push_back(std::int32_t(i));
    }
    return seen;
}
} // namespace

TEST(GroupGrid, WalksTheGroupsNearAPointInIndexOrderThroughMoves)
{
    CRandom random(11);
    std::vector<std::unique_ptr<CMechGroup2>> owned;
    std::vector<CMechGroup2*> groups;
    auto place = [&](CMechGroup2* g)
    {
        g->m_vCentre = CVector{random.Random(8000.0f) - 1000.0f, random.Random(8000.0f) - 1000.0f, 0.0f};
    };
    for (int i = 0; i < 300; ++i)
    {
        owned.push_back(std::make_unique<CMechGroup2>());
        groups.push_back(owned.back().get());
        place(groups.back());
    }
    groups[7]->m_vCentre.x = std::numeric_limits<float>::quiet_NaN(); // never near, always walked
    groups[8]->m_vCentre = CVector{3e38f, -3e38f, 0.0f};
    CGroupGrid grid;
    grid.Sync(groups);
    for (int round = 0; round < 40; ++round)
    {
        // A few groups move within the run (updated one by one), others
        // between runs (found by the next Sync).
        for (int k = 0; k < 20; ++k)
        {
            const int i = int(random.RandomInt(300));
            if (i == 7 || i == 8) continue;
            place(groups[std::size_t(i)]);
            if (k % 2) grid.Update(i, groups[std::size_t(i)]);
        }
        grid.Sync(groups);
        const CVector c{random.Random(8000.0f) - 1000.0f, random.Random(8000.0f) - 1000.0f, 0.0f};
        EXPECT_EQ(Near(grid, groups, c, 1719.0f), Brute(groups, c, 1719.0f)) << "round " << round;
        // Told to stop, the walk has met the first of those a whole walk
        // meets, and no more.
        std::vector<std::int32_t> whole, first;
        grid.Walk(c, 1719.0f,
                  [&](std::int32_t i)
                  {
                      whole.push_back(i);
                      return true;
                  });
        grid.Walk(c, 1719.0f,
                  [&](std::int32_t i)
                  {
                      first.push_back(i);
                      return first.size() < 3;
                  });
        whole.resize(std::min<std::size_t>(whole.size(), 3));
        EXPECT_EQ(first, whole) << "round " << round;
    }
    // The walk meets the group that is nowhere, and stops when told to.
    std::vector<std::int32_t> all;
    grid.Walk(CVector{0, 0, 0}, 1e9f,
              [&](std::int32_t i)
              {
                  all.push_back(i);
                  return all.size() < 250;
              });
    ASSERT_EQ(all.size(), 250u);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i], std::int32_t(i));
    EXPECT_EQ(Near(grid, groups, CVector{3e38f, -3e38f, 0.0f}, 10.0f), std::vector<std::int32_t>{8});
    // Another list is indexed anew; an update of an entry that is not the
    // group leaves the grid out of date.
    groups.pop_back();
    grid.Sync(groups);
    EXPECT_TRUE(grid.IsInSync());
    grid.Update(5, groups[6]);
    EXPECT_FALSE(grid.IsInSync());
}
