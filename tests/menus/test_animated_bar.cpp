// The item tile: its fill gauge, a model flag without a model, the model's
// growth while dragged, its sheet, and a drop over overlapping targets.

#include "WidgetTestKit.h"

#include "menus/AnimatedBar.h"
#include "ui/markup/CommandArgument.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
class ItemTile : public widgettest::CWidgetTest
{
protected:
    void SetUp() override
    {
        CWidgetTest::SetUp();
        m_Tile.Create(10, 10, 74, 74, &m_Screen);
        m_pMain->AddControl(&m_Tile);
        m_Screen.m_OnCommand = [this](int code, int)
        {
            if (code == CAnimatedBar::kDropped) m_Drops.push_back(CommandArgument());
        };
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_Tile);
        CWidgetTest::TearDown();
    }

    CAnimatedBar m_Tile;
    std::vector<CControl*> m_Drops;
};

TEST_F(ItemTile, AQuarterFillIsASixteenPixelGaugeUnderTheGround)
{
    EXPECT_EQ(CAnimatedBar::GaugeHeight(64, 0.25f), 16);
    EXPECT_EQ(CAnimatedBar::GaugeHeight(64, 0.5f / 64.0f), 1) << "half a pixel rounds up";
    m_Tile.SetModel("MOD_TOV_ORE");
    m_Tile.m_bHasModel = 1;
    m_Tile.m_fFill = 0.25f;
    m_Tile.Render();
    const auto gauge = m_Sprites.From("TEX_INT_UI1");
    ASSERT_EQ(gauge.size(), 1u);
    EXPECT_EQ(gauge[0].screen, (plat::Rect{10, 58, 74, 74}));
    EXPECT_EQ(gauge[0].source, (std::array{371, 48, 435, 64}));
    EXPECT_EQ(gauge[0].size, (std::array{1024, 1024}));
    const auto ground = m_Sprites.From("TEX_INT_UII");
    ASSERT_EQ(ground.size(), 1u);
    EXPECT_EQ(ground[0].screen, (plat::Rect{10, 10, 74, 58}));
    EXPECT_EQ(ground[0].source, (std::array{72, 0, 136, 48}));
    // A tile that takes drops lies on the other ground.
    m_Sprites.Clear();
    m_Tile.m_bState2 = 1;
    m_Tile.m_fFill = 0.0f;
    m_Tile.Render();
    EXPECT_EQ(m_Sprites.From("TEX_INT_UII")[0].source, (std::array{144, 0, 208, 64}));
}

TEST_F(ItemTile, AModelFlagWithoutAModelDrawsNothingThenTheIcon)
{
    m_Tile.m_bHasModel = 1;
    m_Tile.m_nIconX = 500;
    m_Tile.m_nIconY = 600;
    m_Tile.m_bSelected = 1;
    m_Tile.Render();
    EXPECT_EQ(m_Tile.m_bHasModel, 0);
    EXPECT_TRUE(m_Sprites.m_Sprites.empty());
    m_Tile.Render();
    ASSERT_FALSE(m_Sprites.m_Sprites.empty());
    EXPECT_EQ(m_Sprites.m_Sprites[0].source, (std::array{500, 600, 564, 664}));
    EXPECT_EQ(m_Sprites.From("TEX_INT_UII").size(), 5u) << "the icon and the selection corners";
    // Disabled: the empty slot.
    m_Sprites.Clear();
    m_Tile.m_bEnabled = 0;
    m_Tile.Render();
    EXPECT_EQ(m_Sprites.m_Sprites[0].source, (std::array{292, 3, 343, 54}));
    EXPECT_EQ(m_Sprites.m_Sprites[0].screen, (plat::Rect{20, 21, 71, 72}));
}

TEST_F(ItemTile, TheUserIdAlwaysNamesTheWidgetSheet)
{
    CGuidKey other;
    MakeGuidKey(&other, "TEX_INT_UI1");
    m_Tile.SetUID(other);
    EXPECT_STREQ(m_Tile.GetUID().name, "TEX_INT_UII");
    EXPECT_EQ(m_Tile.GetUID().id, CGuidKey::kUnresolved);
}

TEST_F(ItemTile, TheModelGrowsOutWhileDraggedAndComesBack)
{
    m_Tile.m_bDragging = 1;
    for (int i = 0; i < 40; ++i)
        m_Tile.Animate(0.1f);
    EXPECT_NEAR(m_Tile.m_fInset, -30.0f, 0.1f);
    m_Tile.m_bDragging = 0;
    for (int i = 0; i < 40; ++i)
        m_Tile.Animate(0.1f);
    EXPECT_NEAR(m_Tile.m_fInset, 4.0f, 0.1f);
    // The turn never stops quite: its rate stays above 0.
    m_Tile.m_fSpinRate = 0.3f;
    for (int i = 0; i < 40; ++i)
        m_Tile.Animate(0.1f);
    EXPECT_FLOAT_EQ(m_Tile.m_fSpinRate, 0.0001f);
}

TEST_F(ItemTile, ADropOverTwoOverlappingTargetsReachesTheTopOneOnly)
{
    CControl under, over;
    under.SetRectXY(200, 200, 300, 300);
    over.SetRectXY(250, 250, 350, 350);
    under.m_bState1 = over.m_bState1 = 1;
    m_pMain->AddControl(&under);
    m_pMain->AddControl(&over);
    m_Tile.m_bDraggable = 1;
    for (int i = 0; i < 4; ++i)
        Frame(30, 30);
    Frame(30, 30, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(35, 35);
    ASSERT_EQ(m_Tile.m_bDragging, 1);
    Frame(270, 270);
    Release(270, 270);
    ASSERT_EQ(m_Drops.size(), 1u);
    EXPECT_EQ(m_Drops[0], &over);
    EXPECT_EQ(m_Tile.m_Rect.left, 10);
    m_pMain->RemoveControl(&under);
    m_pMain->RemoveControl(&over);
}

} // namespace
