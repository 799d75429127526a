// The glider's pilot as pick-up things see it: missiles into the stock,
// goods into the hold, the full-hold rule.
#include "MechanoidFixture.h"

#include "units/ThingCollector.h"

#include <gtest/gtest.h>

using unittest::CMechanoidTest;

namespace
{
class ThingCollector : public CMechanoidTest
{
protected:
    CThingCollector m_Collector;
};
} // namespace

TEST_F(ThingCollector, MissilesAddToTheirStockEntryOrAppendOne)
{
    auto m = Fitted();
    Fly(*m);
    const std::int32_t rocket = g_MissileManager.FindName("MIS_ROCKET");
    ASSERT_TRUE(m_Collector.AddMissiles(&m_Glider, rocket, 5));
    ASSERT_TRUE(m_Collector.AddMissiles(&m_Glider, rocket, 7));
    ASSERT_EQ(m->m_nMissileCount, 1u);
    EXPECT_EQ(m->m_Missiles[0].m_nCount, 12u);
    ASSERT_TRUE(m_Collector.AddMissiles(&m_Glider, rocket + 1, 2));
    ASSERT_EQ(m->m_nMissileCount, 2u);
    EXPECT_EQ(m->m_Missiles[1].m_Type.Index(), rocket + 1);

    // A sixteenth type has no room: refused with a line, the stock as it was.
    for (int i = 2; i < CMechanoid::kMaxMissiles; ++i)
        ASSERT_TRUE(m_Collector.AddMissiles(&m_Glider, rocket + i, 1));
    EXPECT_FALSE(m_Collector.AddMissiles(&m_Glider, rocket + 40, 1));
    EXPECT_EQ(m->m_nMissileCount, std::uint32_t(CMechanoid::kMaxMissiles));
    EXPECT_NE(ReadText("error.log").find("stocks 15 missile types already"), std::string::npos);
}

TEST_F(ThingCollector, GoodsFillTheHoldUntilItIsFull)
{
    auto m = Fitted();
    Fly(*m);
    EXPECT_TRUE(m_Collector.CanCollect(&m_Glider));
    EXPECT_FALSE(m_Collector.IsHoldFull(&m_Glider));
    m_Collector.AddGoods(&m_Glider, 0, "TOV_ORE", 3);
    ASSERT_EQ(m->m_Garbage.GetCount(), 1);
    EXPECT_EQ(m->m_Garbage.m_Items[0].m_nCount, 3);
    const float left = m->GetCapacity() - m->GetNettoWeight() - m->GetGoodsWeight();
    m_Collector.AddGoods(&m_Glider, 0, "TOV_ORE", std::uint32_t(left / 2.0f)); // 2 per unit
    EXPECT_TRUE(m_Collector.IsHoldFull(&m_Glider));
    m->m_bOutOfAction = 1;
    EXPECT_FALSE(m_Collector.CanCollect(&m_Glider));
}
