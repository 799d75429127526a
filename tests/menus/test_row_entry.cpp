// A list row's text entry over time: the caret's blink while focused and
// a held Backspace that, after 0.3 s, takes two characters per repeat.
#include "menus/ListRowButton.h"
#include "ui/UITestKit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
class RowEntry : public uitest::CUITest
{
protected:
    void SetUp() override
    {
        CUITest::SetUp();
        m_Row.Create(0, 0, 200, 38, "", CButton::kPush, 61952);
        m_pMain->AddControl(&m_Row);
        m_Row.m_bEditable = 1;
        m_Row.m_bRowFocused = 1;
        m_Row.SetSubtitle("abcdefgh");
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_Row);
        CUITest::TearDown();
    }
    std::string Text() const { return m_Row.GetSubtitle().GetText(); }

    CListRowButton m_Row;
};

TEST_F(RowEntry, AHeldBackspaceRepeatsTwiceAsFastAfterAThirdOfASecond)
{
    // Down at 0 s, the system's repeats 0.2 s apart, then let go and
    // pressed again.
    struct SStep
    {
        bool press, release;
        const char* text;
    };
    const SStep steps[] = {
        {true, false, "abcdefg"}, {true, false, "abcdef"}, {true, false, "abcd"},
        {true, false, "ab"},      {false, true, "ab"},     {true, false, "a"},
    };
    for (const SStep& s : steps)
    {
        SCOPED_TRACE(s.text);
        Frame(300, 300,
              [&]
              {
                  if (s.press) m_Input.Press(CListRowButton::kBackspace);
                  if (s.release) m_Input.Release(CListRowButton::kBackspace);
              },
              0.2);
        EXPECT_EQ(Text(), s.text);
    }
}

TEST_F(RowEntry, TheCaretBlinksEveryHalfSecondOnlyWhileFocused)
{
    std::vector<int> caret;
    for (int frame = 0; frame < 8; ++frame)
    {
        m_Clock.Advance(0.2);
        m_Row.Render();
        caret.push_back(m_Row.m_bCaretOn);
    }
    // 0.2, 0.4, 0.6 (over 0.5: on, 0), 0.2, 0.4, 0.6 (off), ...
    EXPECT_EQ(caret, (std::vector<int>{0, 0, 1, 1, 1, 0, 0, 0}));
    m_Row.m_bRowFocused = 0;
    m_Clock.Advance(0.6);
    m_Row.Render();
    EXPECT_EQ(m_Row.m_bCaretOn, 0);
}
} // namespace
