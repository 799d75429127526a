// The menus' picture button, the rectangle mirrors and the money and cargo
// panel, drawn into a recorder: which sheet cell each state takes, where a
// tab's icon goes, the mirrored corners (inside their area), the money and
// the cargo bar.
#include "MenuTestKit.h"

#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/PlayerInfoPanel.h"
#include "units/Mechanoid.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

using menutest::CMenuTest;
using menutest::SSprite;

namespace
{
class MenuButton : public CMenuTest
{
protected:
    void SetUp() override
    {
        CMenuTest::SetUp();
        m_Screen.Init(&m_Graphic, &m_Input);
        m_Screen.SetClock(&m_Clock);
    }
    CMenuButton& Button(int picture, plat::Rect r = {100, 100, 170, 156})
    {
        m_Button.Create(r.left, r.top, r.right, r.bottom, "", CButton::kPush, 61450);
        m_Button.m_pScreen = &m_Screen;
        m_Button.m_nPicture = picture;
        return m_Button;
    }

    IUI m_Screen;
    CMenuButton m_Button;
};

TEST(MirrorRect, KeepsTheRectangleInsideItsAreaOnBothAxes)
{
    const plat::Rect area{100, 50, 300, 250};
    struct SCase
    {
        plat::Rect in, x, y;
    };
    const SCase cases[] = {
        // The top-left corner turns into the top-right (reversed: drawn
        // mirrored) and the bottom-left.
        {{100, 50, 122, 72}, {300, 50, 278, 72}, {100, 250, 122, 228}},
        {{150, 60, 160, 70}, {250, 60, 240, 70}, {150, 240, 160, 230}},
        // A rectangle spanning the area maps onto itself, reversed.
        {{100, 50, 300, 250}, {300, 50, 100, 250}, {100, 250, 300, 50}},
    };
    for (const SCase& c : cases)
    {
        const plat::Rect x = MirrorRectX(c.in, area), y = MirrorRectY(c.in, area);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
        for (const plat::Rect& r : {x, y})
        {
            EXPECT_GE(std::min(r.left, r.right), area.left);
            EXPECT_LE(std::max(r.left, r.right), area.right);
            EXPECT_GE(std::min(r.top, r.bottom), area.top);
            EXPECT_LE(std::max(r.top, r.bottom), area.bottom);
        }
        // Twice is the rectangle itself.
        EXPECT_EQ(MirrorRectX(x, area), c.in);
        EXPECT_EQ(MirrorRectY(y, area), c.in);
    }
}

TEST_F(MenuButton, AMirroredRectangleDrawsItsSpriteReversed)
{
    CGuidKey sheet = menus::TextureKey("TEX_INT_UI1");
    menus::DrawSprite(&m_Graphic, sheet, {10, 20, 32, 42}, 648, 0);
    menus::DrawSprite(&m_Graphic, sheet, MirrorRectX({10, 20, 32, 42}, {10, 20, 110, 120}), 648, 0);
    menus::DrawSprite(&m_Graphic, sheet, MirrorRectY({10, 20, 32, 42}, {10, 20, 110, 120}), 648, 0);
    ASSERT_EQ(m_Graphic.m_Sprites.size(), 3u);
    const SSprite& plain = m_Graphic.m_Sprites[0];
    EXPECT_EQ(plain.screen, (plat::Rect{10, 20, 32, 42}));
    EXPECT_EQ(plain.source, (std::array{648, 0, 670, 22}));
    const SSprite& right = m_Graphic.m_Sprites[1];
    EXPECT_EQ(right.screen, (plat::Rect{88, 20, 110, 42}));
    EXPECT_EQ(right.source, (std::array{670, 0, 648, 22}));
    const SSprite& below = m_Graphic.m_Sprites[2];
    EXPECT_EQ(below.screen, (plat::Rect{10, 98, 32, 120}));
    EXPECT_EQ(below.source, (std::array{648, 22, 670, 0}));
}

TEST_F(MenuButton, ASecondUserIdDoesNotReplaceTheFirst)
{
    CMenuButton& b = Button(45);
    CGuidKey first = menus::TextureKey("TEX_INT_UII"), second = menus::TextureKey("TEX_INT_UI1");
    first.id = 7;
    second.id = 8;
    b.SetUID(first);
    b.SetUID(second);
    EXPECT_EQ(b.GetUID().id, 7);
    EXPECT_STREQ(b.GetUID().name, "TEX_INT_UII");
}

TEST_F(MenuButton, ATabDrawsItsIconByStateInItsOwnBoxOrACentredOne)
{
    struct SCase
    {
        bool selected, hovered, enabled;
        int row;
    };
    const SCase cases[] = {{true, true, true, 849},
                           {false, true, true, 908},
                           {false, false, true, 790},
                           {false, false, false, 967}};
    for (const SCase& c : cases)
    {
        CMenuButton& b = Button(5);
        b.m_bSelected = c.selected;
        b.m_bHovered = c.hovered;
        b.m_bEnabled = c.enabled;
        m_Graphic.Clear();
        b.Render();
        const std::vector<SSprite> sprites = m_Graphic.From("TEX_INT_UII");
        ASSERT_FALSE(sprites.empty());
        const SSprite& icon = sprites.back();
        EXPECT_EQ(icon.source[0], 71 * 4);
        EXPECT_EQ(icon.source[1], c.row);
        EXPECT_EQ(icon.screen, (plat::Rect{100, 100, 170, 156}));
        // A selected tab's frame: its corner and the corner mirrored.
        EXPECT_EQ(sprites.size(), c.selected ? 3u : 1u);
        EXPECT_STREQ(b.GetUID().name, "TEX_INT_UII");
    }
    // A wider button centres a 70 x 56 icon.
    CMenuButton& wide = Button(1, {100, 100, 200, 170});
    EXPECT_EQ(wide.TabIconRect(), (plat::Rect{115, 107, 185, 163}));
    m_Graphic.Clear();
    wide.Render();
    EXPECT_EQ(m_Graphic.From("TEX_INT_UII").back().screen, (plat::Rect{115, 107, 185, 163}));
}

TEST_F(MenuButton, EachPictureRuleChoosesItsStateCell)
{
    // Picture 70: list row on UI1, columns 568 normal, 594 hovered, 620
    // selected at row 836.
    CMenuButton& row = Button(70, {0, 0, 26, 47});
    int x = 0, y = 0;
    const SMenuPicture* p70 = FindMenuPicture(70);
    ASSERT_NE(p70, nullptr);
    EXPECT_TRUE(p70->ui1);
    ASSERT_TRUE(row.ChooseCell(*p70, &x, &y));
    EXPECT_EQ(x, 568);
    EXPECT_EQ(y, 836);
    row.m_bHovered = 1;
    row.ChooseCell(*p70, &x, &y);
    EXPECT_EQ(x, 594);
    row.m_bSelected = 1;
    row.ChooseCell(*p70, &x, &y);
    EXPECT_EQ(x, 620);
    const SMenuPicture* p73 = FindMenuPicture(73);
    ASSERT_NE(p73, nullptr);
    EXPECT_EQ(p73->y, 977);

    // Picture 45 (the boxes' OK): ticked and enabled, else hovered, else
    // enabled, else disabled.
    const SMenuPicture* ok = FindMenuPicture(45);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->rule, EPictureRule::kTickHover);
    struct SCase
    {
        int checked, hovered, enabled, cell;
    };
    for (const SCase& c :
         {SCase{1, 1, 1, 2}, SCase{0, 1, 1, 1}, SCase{0, 0, 1, 0}, SCase{0, 0, 0, 3}, SCase{1, 1, 0, 3}})
    {
        CMenuButton& b = Button(45);
        b.m_bChecked = c.checked;
        b.m_bHovered = c.hovered;
        b.m_bEnabled = c.enabled;
        ASSERT_TRUE(b.ChooseCell(*ok, &x, &y));
        EXPECT_EQ(x, ok->x[c.cell]) << c.checked << c.hovered << c.enabled;
    }
    // 22 and 23 know hovered and normal only.
    const SMenuPicture* p22 = FindMenuPicture(22);
    ASSERT_NE(p22, nullptr);
    CMenuButton& stepper = Button(22);
    stepper.m_bSelected = 1;
    stepper.ChooseCell(*p22, &x, &y);
    EXPECT_EQ(x, p22->x[0]);

    // Numbers outside the sets draw no sprite.
    for (int picture : {0, 14, 19, 41, 47, 68, 96})
    {
        CMenuButton& b = Button(picture);
        m_Graphic.Clear();
        b.Render();
        EXPECT_TRUE(m_Graphic.m_Sprites.empty()) << picture;
    }
    // Every picture of the table has its cell on its sheet, and no two
    // pictures share a cell.
    int count = 0;
    const SMenuPicture* all = GetMenuPictures(&count);
    for (int i = 0; i < count; ++i)
        for (int s = 0; s < 4; ++s)
        {
            if (all[i].x[s] < 0) continue;
            EXPECT_LE(all[i].x[s] + all[i].width, 1024) << all[i].picture;
            EXPECT_LE(all[i].y + all[i].height, 1024) << all[i].picture;
            for (int j = i + 1; j < count; ++j)
                for (int t = 0; t < 4; ++t)
                    if (all[j].x[t] >= 0 && all[j].ui1 == all[i].ui1)
                    {
                        const bool apart = all[j].x[t] >= all[i].x[s] + all[i].width ||
                                           all[i].x[s] >= all[j].x[t] + all[j].width ||
                                           all[j].y >= all[i].y + all[i].height ||
                                           all[i].y >= all[j].y + all[j].height;
                        EXPECT_TRUE(apart) << all[i].picture << " and " << all[j].picture;
                    }
        }
}

// The panel over a mechanoid of the test's own.
class CTestPanel : public CPlayerInfoPanel
{
public:
    CMechanoid* GetMechanoid() override { return m_pMechanoid; }
    CMechanoid* m_pMechanoid = nullptr;
};

TEST(PlayerInfoPanel, TheCargoBarIsAtMost52PixelsWide)
{
    struct SCase
    {
        float weight, maximum;
        bool glider;
        int width;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const SCase& c :
         {SCase{100.0f, 100.0f, true, 52}, SCase{150.0f, 100.0f, true, 52}, SCase{50.0f, 100.0f, true, 26},
          SCase{1.0f, 100.0f, true, 0}, SCase{50.0f, 100.0f, false, 0}, SCase{10.0f, 0.0f, true, 0},
          SCase{nan, 100.0f, true, 0}, SCase{-5.0f, 100.0f, true, 0}})
        EXPECT_EQ(CPlayerInfoPanel::CargoBarWidth(c.weight, c.maximum, c.glider), c.width)
            << c.weight << " of " << c.maximum;
}

TEST_F(MenuButton, ThePanelShowsTheMoneyTruncatedAndNoCargoWithoutAGlider)
{
    CMechanoid mechanoid;
    mechanoid.m_Garbage.m_fMoney = 1234.9f;
    CTestPanel panel;
    panel.Init(100, 600, 446, 654, &m_Screen);
    panel.m_pMechanoid = &mechanoid;
    panel.SetUID(menus::TextureKey("TEX_INT_UI1"));
    EXPECT_EQ(panel.m_bEnabled, 0) << "the panel takes no input";
    EXPECT_TRUE(panel.Toggle());
    panel.Render();
    EXPECT_EQ(m_Graphic.Texts(), (std::vector<std::string>{"1234", "1234"}));
    // The background, and no bar.
    ASSERT_EQ(m_Graphic.m_Sprites.size(), 1u);
    EXPECT_EQ(m_Graphic.m_Sprites[0].source[1], CPlayerInfoPanel::kBackgroundY);

    // Collapsed: four corners and no text.
    EXPECT_FALSE(panel.Toggle());
    m_Graphic.Clear();
    panel.Render();
    EXPECT_TRUE(m_Graphic.Texts().empty());
    EXPECT_EQ(m_Graphic.m_Sprites.size(), 4u);
    for (const SSprite& corner : m_Graphic.m_Sprites)
    {
        EXPECT_GE(corner.screen.left, 100);
        EXPECT_LE(corner.screen.right, 446);
        EXPECT_GE(corner.screen.top, 600);
        EXPECT_LE(corner.screen.bottom, 654);
    }
}
} // namespace
