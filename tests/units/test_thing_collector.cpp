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

// Rockets picked up join those in the launcher: the launcher is emptied
// into the stock, the pick-up counted, and the launcher loaded again; the
// glider carries the new weight.
TEST_F(ThingCollector, PickedRocketsJoinTheLaunchersAndTheWeightFollows)
{
    using namespace unit_sections;
    Write("missiles.ini", "[MIS_ROCKET]\nTYPE=2\nWEIGHT=2\n[MIS_BOMB]\nTYPE=4\nWEIGHT=3\n");
    ASSERT_TRUE(g_MissileManager.Init(kMissiles));
    const std::int32_t rocket = g_MissileManager.FindName("MIS_ROCKET");
    const std::int32_t bomb = g_MissileManager.FindName("MIS_BOMB");
    auto m = Fitted();
    Fly(*m);
    m_Glider.m_Guns[2].m_iMissile = rocket;
    m_Glider.m_Guns[2].m_fAmmo = 4.0f;
    ASSERT_TRUE(m_Collector.AddMissiles(&m_Glider, rocket, 5));
    EXPECT_EQ(m_Glider.m_Guns[2].m_iMissile, rocket);
    EXPECT_FLOAT_EQ(m_Glider.m_Guns[2].m_fAmmo, 9.0f);
    EXPECT_EQ(m->m_nMissileCount, 0u);
    ASSERT_TRUE(m_Collector.AddMissiles(&m_Glider, bomb, 3));
    EXPECT_EQ(m_Glider.m_Guns[3].m_iMissile, bomb);
    EXPECT_FLOAT_EQ(m_Glider.m_Guns[3].m_fAmmo, 3.0f);
    EXPECT_FLOAT_EQ(m_Glider.m_Guns[2].m_fAmmo, 9.0f);
    m_Glider.m_fMass = 1.0f;
    m_Collector.UpdateWeight(&m_Glider);
    EXPECT_FLOAT_EQ(m_Glider.m_fMass, m->GetSumWeight());
    EXPECT_GT(m_Glider.m_fMass, 1.0f);
}
