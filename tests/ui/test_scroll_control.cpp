// The scroll bar: its placements, the thumb's place for a position, the
// thumb's length limits, arrow steps on release, thumb drags with their one
// 4149, its looks enabled and disabled, and the split slider's text.

#include "UITestKit.h"

#include "common/DataTree.h"
#include "foundation/ResourceDB.h"
#include "sound/SoundManager.h"

#include "ui/markup/CommandArgument.h"
#include "ui/markup/ScrollControl.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <utility>
#include <vector>

namespace
{
std::array<int, 4> R(const plat::Rect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

class ScrollBar : public uitest::CUITest
{
protected:
    void SetUp() override
    {
        CUITest::SetUp();
        // Every scroll command with the control it names.
        m_Screen.m_OnCommand = [this](int code, int)
        {
            if (code >= CScrollControl::kStepBack && code <= CScrollControl::kDragged)
                m_Sent.emplace_back(code, CommandArgument());
        };
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_Bar);
        CUITest::TearDown();
    }
    void Build(int l, int t, int r, int b, int placement)
    {
        m_Bar.Init(l, t, r, b, placement, &m_Screen);
        m_pMain->AddControl(&m_Bar);
    }
    // Hover, press and hold at (x, y), then move with the button held.
    void Grab(int x, int y)
    {
        Frame(x, y);
        Frame(x, y, [&] { m_Input.Press(uicode::kLeftButton); });
    }
    void HeldAt(int x, int y)
    {
        Frame(x, y);
    }
    int Sent(int code) const
    {
        int n = 0;
        for (const auto& [c, control] : m_Sent)
            if (c == code)
            {
                EXPECT_EQ(control, &m_Bar) << "every command names the bar";
                ++n;
            }
        return n;
    }

    CScrollControl m_Bar;
    std::vector<std::pair<int, CControl*>> m_Sent;
};

TEST_F(ScrollBar, EachPlacementBuildsItsBarArrowsAndThumb)
{
    struct SCase
    {
        std::array<int, 4> given;
        int placement;
        std::array<int, 4> bar;
        bool arrows;
        std::array<int, 4> back, forward, thumb;
        int thumbPicture, backPicture, forwardPicture;
    };
    const SCase cases[] = {
        // A strip under a 100 x 40 area: its left end holds the thumb.
        {{10, 20, 110, 60}, 0, {19, 24, 120, 41}, false, {}, {}, {19, 24, 30, 41}, 25, 0, 0},
        {{0, 0, 100, 200}, 1, {83, 22, 100, 178}, true, {83, 0, 100, 22}, {83, 178, 100, 200}, {83, 22, 100, 33},
         24, 20, 21},
        {{0, 100, 200, 117}, 2, {22, 100, 178, 117}, true, {0, 100, 22, 117}, {178, 100, 200, 117},
         {22, 100, 33, 117}, 25, 28, 29},
        // A slider: a 15-pixel thumb in the middle of its height.
        {{5, 10, 230, 40}, 4, {5, 10, 230, 40}, false, {}, {}, {5, 17, 20, 32}, 30, 0, 0},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.placement);
        CScrollControl bar;
        bar.Init(c.given[0], c.given[1], c.given[2], c.given[3], c.placement, &m_Screen);
        EXPECT_EQ(R(bar.m_Rect), c.bar);
        ASSERT_EQ(bar.m_pBack != nullptr, c.arrows);
        ASSERT_EQ(bar.m_pForward != nullptr, c.arrows);
        ASSERT_NE(bar.m_pThumb, nullptr);
        EXPECT_EQ(R(bar.m_pThumb->m_Rect), c.thumb);
        EXPECT_EQ(bar.m_pThumb->m_nPicture, c.thumbPicture);
        if (c.arrows)
        {
            EXPECT_EQ(R(bar.m_pBack->m_Rect), c.back);
            EXPECT_EQ(R(bar.m_pForward->m_Rect), c.forward);
            EXPECT_EQ(bar.m_pBack->m_nPicture, c.backPicture);
            EXPECT_EQ(bar.m_pForward->m_nPicture, c.forwardPicture);
        }
        EXPECT_EQ(bar.GetPos(), 0);
        EXPECT_EQ(bar.GetMax(), 0);
    }
    // Added to an owner, the bar and its buttons move with it.
    CGroupControl owner;
    owner.Init(plat::Rect{300, 50, 400, 250}, &m_Screen);
    CScrollControl bar;
    bar.Init(0, 0, 100, 200, CScrollControl::kVertical, &m_Screen);
    owner.AddControl(&bar);
    EXPECT_EQ(R(bar.m_Rect), (std::array{383, 72, 400, 228}));
    EXPECT_EQ(R(bar.m_pForward->m_Rect), (std::array{383, 228, 400, 250}));
    owner.RemoveControl(&bar);
}

// The arrows and the thumb click with "SND_I_SCROLL", a plain picture button
// with "SND_I_OK": ids of the sound table, which a click plays.
TEST_F(ScrollBar, ItsButtonsClickWithTheScrollSound)
{
    testutil::CDataTree tree;
    const char* const section = "\xC7\xE2\xF3\xEA\xE8";
    std::ofstream("db.ini") << "[" << section << "]\nfilename=snd.ini\n";
    std::ofstream("snd.ini") << "[SND_I_OK]\nNAME=SND_I_OK\n[SND_I_SCROLL]\nNAME=SND_I_SCROLL\n";
    ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
    CSoundManager2 sounds;
    sounds.InitMngr(section);
    g_pSoundManager = &sounds;
    const std::int32_t ok = sounds.Lookup("SND_I_OK"), scroll = sounds.Lookup("SND_I_SCROLL");
    ASSERT_GE(ok, 0);
    ASSERT_GE(scroll, 0);
    ASSERT_NE(ok, scroll);

    CPictureButton plain;
    EXPECT_EQ(plain.m_nClickSound, ok);
    CScrollControl bar;
    bar.Init(0, 0, 100, 200, CScrollControl::kVertical, &m_Screen);
    for (const CPictureButton* button : {bar.m_pBack, bar.m_pForward, bar.m_pThumb})
        EXPECT_EQ(button->m_nClickSound, scroll);
    g_pSoundManager = nullptr;
}

TEST_F(ScrollBar, TheThumbRoundsVerticallyAndTruncatesAcross)
{
    // 156 pixels of track, an 11-pixel thumb: 145 to move in.
    CScrollControl vertical;
    vertical.Init(0, 0, 100, 200, CScrollControl::kVertical, &m_Screen);
    vertical.SetMax(2);
    vertical.SetPos(1);
    EXPECT_EQ(vertical.m_pThumb->m_Rect.top, 95) << "22 + 72.5, half away from zero";
    EXPECT_EQ(vertical.m_pThumb->Height(), 11);
    CScrollControl across;
    across.Init(0, 100, 200, 117, CScrollControl::kHorizontal, &m_Screen);
    across.SetMax(2);
    across.SetPos(1);
    EXPECT_EQ(across.m_pThumb->m_Rect.left, 94) << "72.5 + 22, cut";
    EXPECT_EQ(across.m_pThumb->Width(), 11);

    // Outside the range: a negative position is 0, one above is the range.
    vertical.SetPos(-3);
    EXPECT_EQ(vertical.m_pThumb->m_Rect.top, 22);
    EXPECT_EQ(vertical.GetPos(), 0);
    vertical.SetPos(7);
    EXPECT_EQ(vertical.GetPos(), 2);
    EXPECT_EQ(vertical.m_pThumb->m_Rect.bottom, 178);
    // Range 0 never moves the thumb.
    vertical.SetMax(0);
    vertical.SetPos(1);
    EXPECT_EQ(vertical.GetPos(), 0);
}

TEST_F(ScrollBar, TheThumbIsAtLeastElevenAndAtMostTheTrack)
{
    CScrollControl vertical;
    vertical.Init(0, 0, 100, 200, CScrollControl::kVertical, &m_Screen);
    // Between the arrows: 178 - 22 - 2.
    const std::pair<int, int> cases[] = {{5, 11}, {40, 40}, {1000, 154}, {-5, 154}};
    for (const auto& [given, length] : cases)
    {
        vertical.SetThumbSize(given);
        EXPECT_EQ(vertical.m_pThumb->Height(), length) << given;
    }
    CScrollControl strip;
    strip.Init(0, 0, 100, 40, CScrollControl::kStrip, &m_Screen);
    strip.SetThumbSize(5000);
    EXPECT_EQ(strip.m_pThumb->Width(), strip.Width() - 2);
    strip.SetThumbSize(3);
    EXPECT_EQ(strip.m_pThumb->Width(), 11);
}

TEST_F(ScrollBar, AnArrowStepsOnceOnItsReleaseOnly)
{
    Build(0, 0, 100, 200, CScrollControl::kVertical);
    m_Bar.SetMax(5);
    const plat::Rect fwd = m_Bar.m_pForward->m_Rect;
    const int x = fwd.left + 5, y = fwd.top + 5;
    // Held for a second: nothing; the release steps once.
    Grab(x, y);
    for (int i = 0; i < 10; ++i)
        HeldAt(x, y);
    EXPECT_EQ(m_Bar.GetPos(), 0);
    Release(x, y);
    EXPECT_EQ(m_Bar.GetPos(), 1);
    EXPECT_EQ(Sent(CScrollControl::kStepForward), 1);
    // A press on the arrow that is released off it does not step.
    Grab(x, y);
    HeldAt(x, fwd.bottom + 30);
    Release(x, fwd.bottom + 30);
    EXPECT_EQ(m_Bar.GetPos(), 1);
    // The back arrow, and never below 0.
    const plat::Rect back = m_Bar.m_pBack->m_Rect;
    for (int i = 0; i < 3; ++i)
        Click(back.left + 5, back.top + 5);
    EXPECT_EQ(m_Bar.GetPos(), 0);
    EXPECT_EQ(Sent(CScrollControl::kStepBack), 3);
    EXPECT_EQ(Sent(CScrollControl::kStepForward), 1);
    EXPECT_EQ(m_Bar.m_bPressedInside, 1);
}

TEST_F(ScrollBar, ADragEndsAtTheEndsAndReportsOnceUntilCleared)
{
    Build(0, 0, 100, 200, CScrollControl::kVertical);
    m_Bar.SetMax(10);
    const plat::Rect thumb = m_Bar.m_pThumb->m_Rect;
    const int x = thumb.left + 5;
    Grab(x, thumb.top + 5);
    ASSERT_EQ(m_Bar.m_bDragging, 1);
    HeldAt(x, 400);
    EXPECT_EQ(m_Bar.GetPos(), 10);
    EXPECT_EQ(m_Bar.m_pThumb->m_Rect.bottom, m_Bar.m_Rect.bottom);
    // The owner cannot move the thumb under the player's hand.
    m_Bar.SetPos(3);
    EXPECT_EQ(m_Bar.GetPos(), 10);
    HeldAt(x, -100);
    EXPECT_EQ(m_Bar.GetPos(), 0);
    EXPECT_EQ(m_Bar.m_pThumb->m_Rect.top, m_Bar.m_Rect.top);
    EXPECT_EQ(Sent(CScrollControl::kDragged), 1) << "one 4149 until the owner clears the byte";
    EXPECT_TRUE(m_Bar.TakePosChanged());
    HeldAt(x, 100);
    EXPECT_EQ(Sent(CScrollControl::kDragged), 2);
    const int there = m_Bar.GetPos();
    EXPECT_EQ(there, int(std::lround(double(100 - 5 - 22) / 145.0 * 10.0)));
    Release(x, 100);
    EXPECT_EQ(m_Bar.m_bDragging, 0);
    m_Bar.SetPos(3);
    EXPECT_EQ(m_Bar.GetPos(), 3);
}

TEST_F(ScrollBar, ADisabledVerticalBarShowsOnlyItsDecoratedTrack)
{
    Build(0, 0, 100, 200, CScrollControl::kVertical);
    auto fills = [&](std::uint32_t colour)
    {
        int n = 0;
        for (const uitest::SDrawOp& op : m_Graphic.m_Ops)
            n += op.kind == uitest::SDrawOp::kFill && op.colour == colour;
        return n;
    };
    m_Bar.Enable(0);
    m_Bar.Render();
    EXPECT_EQ(fills(CScrollControl::kTrackFill), 0);
    ASSERT_EQ(fills(0xFFFFFFFF), 3) << "the edge line and two ticks";
    EXPECT_EQ(R(m_Graphic.m_Ops[0].rect), (std::array{99, 7, 100, 193}));

    // The script-results box's arrows give the bar its colour.
    m_Graphic.m_Ops.clear();
    m_Bar.m_pForward->m_nPicture = 32;
    m_Bar.Render();
    EXPECT_EQ(fills(CScrollControl::kBoxLine), 3);

    m_Graphic.m_Ops.clear();
    m_Bar.m_pForward->m_nPicture = 21;
    m_Bar.Enable(1);
    m_Bar.Render();
    EXPECT_EQ(R(m_Graphic.m_Ops[0].rect), R(m_Bar.m_Rect));
    EXPECT_EQ(m_Graphic.m_Ops[0].colour, CScrollControl::kTrackFill);
    EXPECT_EQ(fills(CScrollControl::kTrackFill), 1 + (156 + 2) / 3) << "the track and its rungs";
    EXPECT_EQ(fills(0xFFFFFFFF), 2);
}

TEST_F(ScrollBar, TheSliderPrintsItsSplitOverItsThumbWithinItsEnds)
{
    CScrollControlEx slider;
    slider.InitSlider(0, 0, 230, 30, &m_Screen);
    slider.SetLabels("left", "right");
    slider.SetMax(100);
    slider.SetPos(30);
    slider.Render();
    const std::vector<std::string> texts = m_Graphic.Texts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[1], "70:30");
    // The thumb at 64; the text centred over it.
    auto textAt = [&](const char* text)
    {
        for (const uitest::SDrawOp& op : m_Graphic.m_Ops)
            if (op.kind == uitest::SDrawOp::kText && op.text == text && op.colour == 0xFFFFFFFF) return op.rect.left;
        return -1;
    };
    EXPECT_EQ(textAt("70:30"), 64 + 7 - 20);
    EXPECT_EQ(textAt("right"), 230 - 40);
    m_Graphic.m_Ops.clear();
    slider.SetPos(100);
    slider.Render();
    EXPECT_EQ(textAt("0:100"), 230 - 40) << "kept inside the slider";
}

} // namespace
