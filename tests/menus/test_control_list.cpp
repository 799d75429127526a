// The goods grid: cell placement and gap, the filter and selection rules,
// the one copy of an item, SelectByName, the pull-back of the first visible
// cell, clicks, an empty grid, and a drop that reaches one target only.

#include "WidgetTestKit.h"

#include "menus/ControlList.h"
#include "ui/markup/CommandArgument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using widgettest::R;

class GoodsGrid : public widgettest::CWidgetTest
{
protected:
    void SetUp() override
    {
        CWidgetTest::SetUp();
        m_Screen.m_OnCommand = [this](int code, int)
        {
            if (code == CControlListItem::kDropped) m_Drops.push_back(CommandArgument());
        };
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_Grid);
        CWidgetTest::TearDown();
    }
    // A grid 400 x 100 at the screen's origin: 82-pixel cells, 4 of them
    // visible 10 pixels apart.
    void Build(int width = 400)
    {
        m_Grid.Create(0, 0, width, 100, &m_Screen);
        m_pMain->AddControl(&m_Grid);
    }
    // Plain items named A, B, ... with the given categories.
    void Fill(const std::vector<std::uint32_t>& categories)
    {
        for (std::size_t i = 0; i < categories.size(); ++i)
        {
            const std::string name(1, char('A' + i));
            CControlListItem* item = m_Grid.AddControl(name.c_str(), categories[i], 0);
            item->m_dwCategory = categories[i];
        }
        m_Grid.RecalcArray();
    }
    std::vector<std::string> Visible()
    {
        std::vector<std::string> out;
        for (int i = 0; i < m_Grid.GetItemCount(); ++i)
            if (m_Grid.GetItem(i)->m_bVisible) out.push_back(m_Grid.GetItem(i)->m_ClassID.name);
        return out;
    }

    CControlList m_Grid;
    std::vector<CControl*> m_Drops;
};

TEST_F(GoodsGrid, CellsArePlacedInARowWithTheGapSpread)
{
    Build();
    EXPECT_EQ(m_Grid.m_nCellWidth, 82);
    EXPECT_EQ(m_Grid.m_nVisibleCount, 4);
    EXPECT_EQ(m_Grid.m_nCellGap, 10);
    EXPECT_EQ(m_Grid.GetChild(0), m_Grid.m_pLeftButton);
    EXPECT_EQ(m_Grid.GetChild(2), m_Grid.m_pScroll);
    EXPECT_EQ(R(m_Grid.m_pRightButton->m_Rect), (std::array{384, 0, 400, 91}));
    Fill({1, 1, 1, 1, 1, 1});
    const int lefts[] = {21, 113, 205, 297};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(R(m_Grid.GetItem(i)->m_Rect), (std::array{lefts[i], 1, lefts[i] + 82, 83})) << i;
    EXPECT_EQ(Visible(), (std::vector<std::string>{"A", "B", "C", "D"}));
    // More items than cells: the bar shows the visible share.
    EXPECT_EQ(m_Grid.m_pScroll->m_bEnabled, 1);
    EXPECT_EQ(m_Grid.m_pScroll->m_pThumb->Width(), (381 - 19) * 4 / 6);
    EXPECT_EQ(m_Grid.m_pScroll->GetMax(), 2);
    m_Grid.ScrollRight();
    EXPECT_EQ(Visible(), (std::vector<std::string>{"B", "C", "D", "E"}));
    EXPECT_EQ(m_Grid.GetItem(1)->m_Rect.left, 21);
}

TEST_F(GoodsGrid, AGridOneCellWideHasNoGap)
{
    // The cell area holds exactly one cell (and a little): no space between
    // cells to spread anything over.
    Build(140);
    EXPECT_EQ(m_Grid.m_nVisibleCount, 1);
    EXPECT_EQ(m_Grid.m_nCellGap, 0);
    Fill({1, 1});
    EXPECT_EQ(Visible(), (std::vector<std::string>{"A"}));
    CControlList narrow;
    narrow.Create(0, 0, 100, 100, &m_Screen);
    EXPECT_EQ(narrow.m_nVisibleCount, 0);
    EXPECT_EQ(narrow.m_nCellGap, 0);
}

TEST_F(GoodsGrid, TheFilterKeepsOneSelectionAndSelectsItsButton)
{
    Build();
    Fill({1, 2, 1, 4, 1});
    CMenuButton ones, fours;
    ones.m_nValue = 1;
    fours.m_nValue = 4;
    ones.SetClickSound(5);
    EXPECT_TRUE(m_Grid.AddFilterButton(&ones));
    EXPECT_TRUE(m_Grid.AddFilterButton(&fours));
    EXPECT_EQ(ones.m_nClickSound, -1);
    m_Grid.GetItem(2)->m_bSelected = 1;
    m_Grid.GetItem(4)->m_bSelected = 1;
    m_Grid.SetFilter(1, false);
    EXPECT_EQ(m_Grid.GetCount(), 3);
    EXPECT_EQ(m_Grid.GetItem(2)->m_bSelected, 1);
    EXPECT_EQ(m_Grid.GetItem(4)->m_bSelected, 0) << "the first selected one keeps it";
    EXPECT_EQ(ones.m_bSelected, 1);
    EXPECT_EQ(fours.m_bSelected, 0);
    EXPECT_TRUE(m_Grid.TakeFilterChanged());
    EXPECT_FALSE(m_Grid.TakeFilterChanged());
    EXPECT_EQ(Visible(), (std::vector<std::string>{"A", "C", "E"}));
    EXPECT_EQ(m_Grid.GetSelectedIndex(), 1);

    // The same filter again changes nothing; forced, it runs again.
    m_Grid.GetItem(4)->m_bSelected = 1;
    m_Grid.SetFilter(1, false);
    EXPECT_EQ(m_Grid.GetItem(4)->m_bSelected, 1);
    EXPECT_FALSE(m_Grid.TakeFilterChanged());
    m_Grid.SetFilter(1, true);
    EXPECT_EQ(m_Grid.GetItem(4)->m_bSelected, 0);

    // SelectIndex counts the items that pass and clears every other one.
    m_Grid.SelectIndex(7);
    EXPECT_EQ(m_Grid.GetSelected(), m_Grid.GetItem(4));
    EXPECT_EQ(m_Grid.GetItem(2)->m_bSelected, 0);
    m_Grid.SetFilter(4, false);
    EXPECT_EQ(m_Grid.GetSelected(), nullptr);
    EXPECT_EQ(fours.m_bSelected, 1);

    // Fifteen buttons at most.
    std::vector<CMenuButton> more(14);
    int added = 0;
    for (CMenuButton& b : more)
        added += m_Grid.AddFilterButton(&b);
    EXPECT_EQ(added, 13);
    m_Grid.ClearFilterButtons();
    EXPECT_EQ(m_Grid.GetFilter(), 0u);
    EXPECT_EQ(m_Grid.GetItem(1)->m_dwCategory, 1u);
    EXPECT_EQ(ones.m_bVisible, 0);
}

TEST_F(GoodsGrid, AnItemAddedTwiceIsTheOneThere)
{
    Build();
    CControlListItem* ore = m_Grid.AddControl("TOV_ORE", CControlListItem::kGoods, 0);
    ASSERT_NE(ore, nullptr);
    EXPECT_EQ(ore->m_dwCategory, CControlListItem::kGoods);
    EXPECT_EQ(ore->m_bDraggable, 1);
    EXPECT_EQ(m_Grid.AddControl("TOV_ORE", CControlListItem::kGoods, 0), ore);
    EXPECT_EQ(m_Grid.GetItemCount(), 1);
    // Another modifier is another item.
    CControlListItem* a = m_Grid.AddControl("GUN_UNKNOWN", CControlListItem::kEquipment, 0x2001);
    CControlListItem* b = m_Grid.AddControl("GUN_UNKNOWN", CControlListItem::kEquipment, 0x2002);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->m_dwModifier, 0x2001u);
    EXPECT_EQ(m_Grid.GetItemCount(), 3);
    // A mechanoid no world knows turns a random whole angle.
    CControlListItem* mech = m_Grid.AddControl("NOBODY", CControlListItem::kMechanoid, 0);
    EXPECT_EQ(mech->m_fAngle, std::floor(mech->m_fAngle));
    EXPECT_LT(mech->m_fAngle, 360.0f);
    EXPECT_STREQ(mech->m_szName, "NOBODY");
    m_Grid.RemoveAll();
    EXPECT_EQ(m_Grid.GetItemCount(), 0);
    EXPECT_EQ(m_Grid.GetChildCount(), 3);
}

TEST_F(GoodsGrid, SelectByNameBringsTheItemIntoViewAndSelectsIt)
{
    Build();
    Fill({1, 1, 1, 1, 1, 1, 1, 1});
    m_Grid.SelectByName("C", true, 0);
    EXPECT_EQ(m_Grid.m_nFirstVisible, 2);
    EXPECT_EQ(m_Grid.GetSelectedIndex(), 2);
    // Near the end the view is pulled back so that the last cells show.
    m_Grid.SelectByName("G", true, 0);
    EXPECT_EQ(m_Grid.m_nFirstVisible, 4);
    EXPECT_EQ(m_Grid.GetSelected(), m_Grid.GetItem(6));
    EXPECT_EQ(Visible(), (std::vector<std::string>{"E", "F", "G", "H"}));
    // A name nobody has, or another modifier, changes nothing.
    m_Grid.SelectByName("Z", true, 0);
    m_Grid.SelectByName("A", true, 5);
    EXPECT_EQ(m_Grid.GetSelected(), m_Grid.GetItem(6));
    EXPECT_EQ(m_Grid.m_nFirstVisible, 4);
}

TEST_F(GoodsGrid, TheFirstVisibleCellIsPulledBackWhenItemsGo)
{
    Build();
    Fill({1, 1, 1, 1, 1, 1, 1, 1});
    for (int i = 0; i < 6; ++i)
        m_Grid.ScrollRight();
    EXPECT_EQ(m_Grid.m_nFirstVisible, 4);
    for (int i = 0; i < 3; ++i)
    {
        CControlListItem* last = m_Grid.GetItem(m_Grid.GetItemCount() - 1);
        m_Grid.RemoveControl(last);
        delete last;
    }
    EXPECT_EQ(m_Grid.m_nFirstVisible, 1);
    EXPECT_EQ(Visible(), (std::vector<std::string>{"B", "C", "D", "E"}));
    for (int i = 0; i < 3; ++i)
        m_Grid.ScrollLeft();
    EXPECT_EQ(m_Grid.m_nFirstVisible, 0);
}

TEST_F(GoodsGrid, AClickSelectsButNeverALockedItem)
{
    Build();
    Fill({1, 1, 1});
    const plat::Rect a = m_Grid.GetItem(0)->m_Rect, b = m_Grid.GetItem(1)->m_Rect;
    Click(a.left + 10, a.top + 10);
    EXPECT_EQ(m_Grid.GetSelected(), m_Grid.GetItem(0));
    m_Grid.GetItem(1)->m_bLocked = 1;
    Click(b.left + 10, b.top + 10);
    EXPECT_EQ(m_Grid.GetSelected(), nullptr) << "the old selection goes all the same";
    // The lock flag of the grid locks every counted item.
    m_Grid.m_bLockCounted = 1;
    m_Grid.GetItem(2)->m_nCount = 0;
    m_Grid.GetItem(0)->m_nCount = -1;
    m_Grid.RecalcArray();
    EXPECT_EQ(m_Grid.GetItem(2)->m_bLocked, 1);
    EXPECT_EQ(m_Grid.GetItem(0)->m_bLocked, 0);
}

TEST_F(GoodsGrid, AnEmptyGridDisablesItsScrollButtonsOnly)
{
    Build();
    CMenuButton filter;
    filter.m_bEnabled = 0;
    m_Grid.AddFilterButton(&filter);
    m_Grid.RecalcArray();
    EXPECT_FALSE(m_Grid.IsScrollEnabled());
    EXPECT_EQ(m_Grid.m_pRightButton->m_bEnabled, 0);
    EXPECT_EQ(filter.m_bEnabled, 1);
    EXPECT_EQ(m_Grid.m_bEnabled, 1);
    Frame(50, 50);
    EXPECT_FALSE(m_Grid.IsScrollEnabled());
}

TEST_F(GoodsGrid, ADropReachesTheTopmostTargetOnly)
{
    Build();
    Fill({1, 1});
    // Two overlapping targets that take drops; the later one lies on top.
    CControl under, over;
    under.SetRectXY(100, 200, 300, 300);
    over.SetRectXY(150, 220, 350, 320);
    under.m_bState1 = over.m_bState1 = 1;
    m_pMain->AddControl(&under);
    m_pMain->AddControl(&over);

    CControlListItem* item = m_Grid.GetItem(0);
    const plat::Rect home = item->m_Rect;
    const int x = home.left + 20, y = home.top + 20;
    for (int i = 0; i < 4; ++i)
        Frame(x, y); // rest on it
    Frame(x, y, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(x + 5, y + 5);
    ASSERT_EQ(item->m_bDragging, 1);
    EXPECT_EQ(m_Grid.m_bDragging, 1);
    EXPECT_EQ(m_Grid.m_pDragSource, item);
    Frame(200, 260);
    item->m_nMovingCount = 3;
    Release(200, 260);
    ASSERT_EQ(m_Drops.size(), 1u) << "one drop, one target";
    EXPECT_EQ(m_Drops[0], &over);
    EXPECT_EQ(R(item->m_Rect), R(home)) << "back in its cell";
    EXPECT_EQ(item->m_nMovingCount, 0);
    EXPECT_EQ(m_Grid.m_bDragging, 0);

    // Dropped where nothing takes it: no command.
    m_Drops.clear();
    for (int i = 0; i < 4; ++i)
        Frame(x, y);
    Frame(x, y, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(x + 5, y + 5);
    Frame(500, 400);
    Release(500, 400);
    EXPECT_TRUE(m_Drops.empty());
    m_pMain->RemoveControl(&under);
    m_pMain->RemoveControl(&over);
}

} // namespace
