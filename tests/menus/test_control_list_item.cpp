// The goods grid's cell: its turn and inset over fixed frame times, the
// texts under its model, its stars, and a locked cell.

#include "WidgetTestKit.h"

#include "menus/ControlListItem.h"
#include "menus/WidgetPictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
using widgettest::R;

class GridCell : public widgettest::CWidgetTest
{
protected:
    void SetUp() override
    {
        CWidgetTest::SetUp();
        m_Cell.Create(plat::Rect{10, 10, 92, 92}, "", CButton::kPush, 0x00F0);
        m_Cell.m_pScreen = &m_Screen;
    }
    void Run(int frames, float dt = 0.1f)
    {
        for (int i = 0; i < frames; ++i)
            m_Cell.Animate(dt);
    }

    CControlListItem m_Cell;
};

TEST_F(GridCell, CreateSetsTheCellsDefaults)
{
    EXPECT_EQ(m_Cell.m_iCommand, 0x00F0);
    EXPECT_EQ(m_Cell.m_dwCategory, 0x00F0u);
    EXPECT_EQ(m_Cell.m_dwColour, CControlListItem::kNoColour);
    EXPECT_FLOAT_EQ(m_Cell.m_fAngle, float(std::cos(45.0)));
    EXPECT_FLOAT_EQ(m_Cell.m_fInset, 4.0f);
    EXPECT_EQ(m_Cell.m_nKind, -1);
    EXPECT_EQ(m_Cell.m_szName[0], 0);
}

TEST_F(GridCell, SelectedAndHoveredCellsTurnAndRestingOnesTurnBack)
{
    // Selected: faster by 0.8 a second up to 1.
    m_Cell.m_bSelected = 1;
    Run(1);
    EXPECT_FLOAT_EQ(m_Cell.m_fSpin, 0.08f);
    Run(20);
    EXPECT_FLOAT_EQ(m_Cell.m_fSpin, 1.0f);
    // Hovered only: it settles near 0.5, also at 200 frames a second,
    // where one frame adds less than the dead zone of a resting cell.
    m_Cell.m_bSelected = 0;
    m_Cell.m_bHovered = 1;
    m_Cell.m_fSpin = 0.0f;
    Run(400, 0.005f);
    EXPECT_NEAR(m_Cell.m_fSpin, 0.5f, 0.009f);
    // At rest it turns back, always the negative way, and stops within 0.1.
    m_Cell.m_bHovered = 0;
    m_Cell.m_fAngle = CControlListItem::RestAngle() + 2.0f;
    float last = m_Cell.m_fAngle;
    for (int i = 0; i < 100; ++i)
    {
        Run(1);
        EXPECT_LE(m_Cell.m_fAngle, last);
        last = m_Cell.m_fAngle;
    }
    EXPECT_EQ(m_Cell.m_fSpin, 0.0f);
    EXPECT_NEAR(m_Cell.m_fAngle, CControlListItem::RestAngle(), 0.1f);
    // A wrap that leaves the angle just below its rest angle turns on down
    // to the rest angle one wrap lower and stops there.
    m_Cell.m_fAngle = 0.05f;
    for (int i = 0; i < 400; ++i)
        Run(1);
    EXPECT_EQ(m_Cell.m_fSpin, 0.0f);
    EXPECT_NEAR(m_Cell.m_fAngle, CControlListItem::RestAngle() - CControlListItem::kAngleWrap, 0.1f);
    // A mechanoid at rest slows down instead, to 0.
    m_Cell.m_dwCategory = CControlListItem::kMechanoid;
    m_Cell.m_fSpin = 0.1f;
    Run(1);
    EXPECT_FLOAT_EQ(m_Cell.m_fSpin, 0.08f);
    Run(10);
    EXPECT_EQ(m_Cell.m_fSpin, 0.0f);
}

TEST_F(GridCell, TheModelGrowsWhileDraggedAndShrinksBack)
{
    m_Cell.m_bDragging = 1;
    Run(1);
    EXPECT_FLOAT_EQ(m_Cell.m_fInset, 4.0f - 34.0f * 0.3f);
    Run(29);
    EXPECT_EQ(m_Cell.DrawnInset(), -30);
    m_Cell.m_bDragging = 0;
    Run(30);
    EXPECT_EQ(m_Cell.DrawnInset(), 4);
}

TEST_F(GridCell, TheCellTextFollowsCountDragAndCategory)
{
    struct SCase
    {
        std::uint32_t category;
        int count, moving;
        bool dragged;
        bool hasText;
        const char* text;
    };
    const SCase cases[] = {
        {CControlListItem::kGoods, 7, 0, false, true, "7"},
        {CControlListItem::kGoods, 0, 0, false, true, "-"},
        {0x00F0, 0, 0, false, true, ""}, // equipment: no dash
        {0x00F0, -1, 0, false, true, ""},
        {CControlListItem::kGoods, 5, 2, true, true, "3"}, // what stays behind
        {CControlListItem::kGoods, 1, 1, true, false, ""}, // all of it moves
    };
    for (const SCase& c : cases)
    {
        m_Cell.m_dwCategory = c.category;
        m_Cell.m_nCount = c.count;
        m_Cell.m_nMovingCount = c.moving;
        m_Cell.m_bDragging = c.dragged;
        char text[16];
        EXPECT_EQ(m_Cell.CellText(text, sizeof text), c.hasText) << c.count << " " << c.moving;
        EXPECT_STREQ(text, c.text);
    }
}

TEST_F(GridCell, StarsStandCentredOnePerLevel)
{
    // Levels (0, 2, 3): two stars from the rows of the second and third
    // properties.
    const plat::Rect cell{10, 10, 92, 92};
    EXPECT_EQ(widgets::DrawModifierStars(&m_Sprites, 0x320, cell, 15, 19), 2);
    const auto stars = m_Sprites.From("TEX_INT_UI_STARS");
    ASSERT_EQ(stars.size(), 2u);
    const int first = 10 + (82 - 36) / 2;
    EXPECT_EQ(stars[0].screen, (plat::Rect{first, 15, first + 16, 29}));
    EXPECT_EQ(stars[1].screen, (plat::Rect{first + 18, 15, first + 34, 29}));
    EXPECT_EQ(stars[0].source, (std::array{16 * 2 - 11, 94, 16 * 2 + 5, 108}));
    EXPECT_EQ(stars[0].size, (std::array{256, 256}));
    EXPECT_EQ(stars[1].source, (std::array{16 * 3 - 11, 112, 16 * 3 + 5, 126}));
    // Three levels: three stars 18 apart; none without a level.
    EXPECT_EQ(widgets::DrawModifierStars(&m_Sprites, 0x111, cell, 15, 19), 3);
    EXPECT_EQ(widgets::StarX(10, 82, 3, 2) - widgets::StarX(10, 82, 3, 0), 36);
    EXPECT_EQ(widgets::StarX(10, 82, 3, 0), 10 + 14);
    EXPECT_EQ(widgets::DrawModifierStars(&m_Sprites, 0x3000, cell, 15, 19), 0) << "a type, no level";
}

TEST_F(GridCell, ALockedCellKeepsNoSelectionStartsNoDragAndIsVeiled)
{
    m_pMain->AddControl(&m_Cell);
    m_Cell.m_bLocked = 1;
    m_Cell.m_bSelected = 1;
    m_Cell.m_bDraggable = 1;
    m_Screen.m_pHovered = &m_Cell;
    m_Cell.OnBeginDrag();
    EXPECT_EQ(m_Cell.m_bDragging, 0);
    m_Cell.Render();
    EXPECT_EQ(m_Cell.m_bSelected, 0);
    EXPECT_TRUE(m_Sprites.Filled(CControlListItem::kLockedVeil));
    EXPECT_TRUE(m_Sprites.Filled(0x40FF0000u)) << "the locked ground";
    EXPECT_TRUE(m_Sprites.From("TEX_INT_UII").empty()) << "no selection corners";
    m_pMain->RemoveControl(&m_Cell);
}

TEST_F(GridCell, ASelectedCellShowsItsCornersInsideItsRectangle)
{
    m_pMain->AddControl(&m_Cell);
    m_Cell.m_bSelected = 1;
    m_Cell.m_dwColour = 0xFF123456;
    m_Cell.m_nCount = 12;
    m_Cell.Render();
    EXPECT_TRUE(m_Sprites.Filled(0x30123456u));
    const auto corners = m_Sprites.From("TEX_INT_UII");
    ASSERT_EQ(corners.size(), 4u);
    // One bracket, mirrored for the other three corners.
    EXPECT_EQ(corners[0].screen, (plat::Rect{11, 11, 35, 35}));
    EXPECT_EQ(corners[0].source, (std::array{217, 0, 241, 24}));
    EXPECT_EQ(corners[1].screen, (plat::Rect{67, 11, 91, 35}));
    EXPECT_EQ(corners[1].source, (std::array{241, 0, 217, 24}));
    EXPECT_EQ(corners[2].screen, (plat::Rect{67, 67, 91, 91}));
    EXPECT_EQ(corners[2].source, (std::array{241, 24, 217, 0}));
    EXPECT_EQ(corners[3].screen, (plat::Rect{11, 67, 35, 91}));
    EXPECT_EQ(corners[3].source, (std::array{217, 24, 241, 0}));
    // The count under the model in the cell's colour, over its shadow.
    const auto texts = m_Sprites.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "12");
    m_pMain->RemoveControl(&m_Cell);
}

} // namespace
