// The count selector: typed digits and editing keys in its field, the cut
// to the maximum with its 4150, one unit per click on the release, and the
// hold repeat whose step grows with the hold.

#include "ui/UITestKit.h"

#include "menus/CountSelector.h"
#include "ui/markup/CommandArgument.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <vector>

namespace
{
constexpr int kKeyUp = 0xC8, kKeyPageDown = 0xD1, kKeyHome = 0xC7, kKeyEnd = 0xCF, kKeyBackspace = 0x0E;
constexpr int kKeyPad7 = 0x47, kKeyPad0 = 0x52;

// The top row's key of a digit.
int Digit(int d)
{
    return d == 0 ? 0x0B : 0x01 + d;
}

class CountSelector : public uitest::CUITest
{
protected:
    void SetUp() override
    {
        CUITest::SetUp();
        m_Screen.m_OnCommand = [this](int code, int)
        {
            if (code == CCountField::kValueCut || code == CCountSelector::kChanged)
                m_Sent.push_back({code, CommandArgument()});
        };
        m_Selector.Init(100, 100, 140, 144, &m_Screen);
        m_pMain->AddControl(&m_Selector);
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_Selector);
        CUITest::TearDown();
    }
    CCountField& Field() { return *m_Selector.m_pField; }
    void Key(int code)
    {
        Frame(300, 300, [&] { m_Input.Press(code); });
        Frame(300, 300, [&] { m_Input.Release(code); });
    }
    int Count(int code) const
    {
        int n = 0;
        for (const auto& [c, control] : m_Sent)
            n += c == code;
        return n;
    }

    CCountSelector m_Selector;
    std::vector<std::pair<int, CControl*>> m_Sent;
};

TEST_F(CountSelector, TheChildrenStackInItsHeight)
{
    EXPECT_EQ(m_Selector.m_pUp->m_Rect.top, 100);
    EXPECT_EQ(m_Selector.m_pUp->m_Rect.bottom, 111);
    EXPECT_EQ(m_Selector.m_pDown->m_Rect.top, 133);
    EXPECT_EQ(Field().m_Rect.top, 112);
    EXPECT_EQ(Field().m_Rect.bottom, 131);
    EXPECT_EQ(m_Selector.m_pUp->m_nPicture, 35);
    EXPECT_EQ(m_Selector.m_pDown->m_nPicture, 36);
    EXPECT_EQ(Field().GetValue(), 1);
    EXPECT_STREQ(Field().GetText().GetText(), "  1");
}

TEST_F(CountSelector, TypedKeysEditTheCount)
{
    struct SCase
    {
        int maximum, start;
        std::vector<int> keys;
        int value;
    };
    const SCase cases[] = {
        {15, 1, {Digit(5)}, 15},
        {15, 1, {Digit(5), Digit(6)}, 6}, // 156 passes 15: the digit starts again
        {10, 1, {Digit(1), Digit(0)}, 10},
        {10, 1, {Digit(1), Digit(0), Digit(0)}, 1}, // 100 passes 10: back to 1
        {99, 1, {kKeyPad7}, 17},
        {99, 3, {kKeyPad0}, 30},
        {5, 5, {kKeyUp}, 1}, // past the top wraps to the bottom
        {50, 5, {kKeyPageDown}, 1},
        {50, 5, {kKeyEnd}, 50},
        {50, 42, {kKeyHome}, 1},
        {999, 457, {kKeyBackspace}, 45},
        // Digits appended to a large count compare without wrapping.
        {INT_MAX, 214748364, {Digit(8)}, 8},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.value);
        Field().m_nMaximum = c.maximum;
        Field().m_nValue = c.start;
        for (int key : c.keys)
            Key(key);
        EXPECT_EQ(Field().GetValue(), c.value);
    }
    // A disabled field reads no keys.
    Field().m_nMaximum = 99;
    Field().SetValue(3, false);
    Field().Enable(0);
    Key(Digit(4));
    EXPECT_EQ(Field().GetValue(), 3);
}

TEST_F(CountSelector, AValueAboveTheMaximumIsCutAndReported)
{
    Field().m_nMaximum = 20;
    Field().SetValue(25, true);
    EXPECT_EQ(Field().GetValue(), 20);
    ASSERT_EQ(Count(CCountField::kValueCut), 1);
    EXPECT_EQ(m_Sent[0].second, &Field());
    Field().SetValue(25, false);
    Field().SetValue(-4, true);
    EXPECT_EQ(Field().GetValue(), 1);
    EXPECT_EQ(Count(CCountField::kValueCut), 1);
    // With maximum 1 the field always shows 1 and never reports.
    Field().m_nMaximum = 1;
    Field().SetValue(7, true);
    EXPECT_EQ(Field().GetValue(), 1);
    EXPECT_EQ(Count(CCountField::kValueCut), 1);
    // A count whose text does not fit the 40-pixel field becomes 1.
    Field().m_nMaximum = 1000000;
    Field().SetValue(123456, true);
    EXPECT_EQ(Field().GetValue(), 1);
}

TEST_F(CountSelector, AClickStepsByOneOnItsRelease)
{
    Field().m_nMaximum = 10;
    Frame(120, 105);
    Frame(120, 105, [&] { m_Input.Press(uicode::kLeftButton); });
    EXPECT_EQ(Field().GetValue(), 1);
    Release(120, 105);
    EXPECT_EQ(Field().GetValue(), 2);
    ASSERT_EQ(Count(CCountSelector::kChanged), 1);
    EXPECT_EQ(m_Sent[0].second, &m_Selector);
    // Down twice from 2: 1, then a request for 0 that the field raises to
    // 1 but that still counts as a change.
    Click(120, 138);
    Click(120, 138);
    EXPECT_EQ(Field().GetValue(), 1);
    EXPECT_EQ(Count(CCountSelector::kChanged), 3);
    // An unchanged value sends nothing.
    m_Selector.SetValue(1);
    EXPECT_EQ(Count(CCountSelector::kChanged), 3);
}

TEST_F(CountSelector, HoldingRepeatsWithAGrowingStep)
{
    Field().m_nMaximum = 1000000;
    constexpr double kDt = 0.001;
    Frame(120, 105);
    Frame(120, 105, [&] { m_Input.Press(uicode::kLeftButton); }, kDt);
    // The value after holding for t seconds.
    double held = 0.0;
    auto holdUntil = [&](double t)
    {
        while (held + kDt / 2 < t)
        {
            Frame(120, 105, [] {}, kDt);
            held += kDt;
        }
        return Field().GetValue();
    };
    EXPECT_EQ(holdUntil(0.195), 1);
    EXPECT_EQ(holdUntil(0.21), 2) << "the first repeat after 0.2 s";
    // Units a second within each stage (a repeat waits for the first frame
    // past its time, so 1 ms frames come within a few percent of the full
    // rate): 1 every 0.2 s, 2 every 0.1 s, 5 every 0.04 s, 10 every 0.02 s.
    struct SStage
    {
        double from, to, rate;
    };
    for (const SStage& stage : {SStage{0.5, 1.9, 5.0}, SStage{2.2, 2.9, 20.0}, SStage{3.2, 4.9, 125.0},
                                SStage{5.2, 5.9, 500.0}})
    {
        const int start = holdUntil(stage.from);
        const int end = holdUntil(stage.to);
        EXPECT_NEAR(double(end - start) / (stage.to - stage.from), stage.rate, stage.rate * 0.08 + 1.0)
            << stage.from;
    }
    // The release adds one more unit.
    const int last = Field().GetValue();
    Release(120, 105);
    EXPECT_EQ(Field().GetValue(), last + 1);
}

} // namespace
