// The dialogs' push button and list row: the picture of each state, the
// hidden button, and typing into a row.
#include "menus/DialogButton.h"
#include "menus/ListRowButton.h"
#include "ui/UITestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

class DialogRows : public uitest::CUITest
{
};

} // namespace

TEST_F(DialogRows, APictureButtonTakesItsLookFromItsIdAndState)
{
    CDialogButton button;
    button.Create(10, 10, 110, 36, "", CButton::kPush, 3952);
    struct SCase
    {
        int picture;
        bool enabled, pressed, hovered;
        int left, top; // -1: drawn plain
    };
    const SCase cases[] = {
        {3952, true, false, false, 376, 821},  {3952, true, false, true, 539, 821},
        {3952, true, true, false, 539, 899},   {3952, false, true, false, 376, 899},
        {3953, false, false, false, 376, 873}, {3954, true, false, true, 539, 847},
        {3966, true, true, false, 717, 252},   {3967, true, false, true, 621, 330},
        {61443, true, false, false, 492, 304}, {3955, true, false, false, -1, -1},
        {0, true, false, false, -1, -1},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.picture);
        button.SetPicture(c.picture);
        button.Enable(c.enabled);
        button.SetCheck(c.pressed);
        button.m_bHovered = c.hovered;
        int left = -1, top = -1;
        EXPECT_EQ(button.PictureSource(&left, &top), c.left >= 0);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(top, c.top);
    }
}

TEST_F(DialogRows, AHiddenDialogButtonIsNotDrawnAndSendsNothing)
{
    CDialogButton button;
    button.Create(10, 10, 110, 36, "Go", CButton::kPush, 3964);
    m_pMain->AddControl(&button);
    button.Hide();
    EXPECT_FALSE(button.IsShown());
    button.Render();
    EXPECT_TRUE(m_Graphic.m_Ops.empty());
    Click(50, 20);
    for (int code : m_Screen.Codes())
        EXPECT_NE(code, 3964);

    button.Show();
    Click(50, 20);
    const std::vector<int> codes = m_Screen.Codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), 3964), codes.end());
    button.Render();
    const std::vector<std::string> texts = m_Graphic.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Go"), texts.end()) << "shown again, it draws";
    m_pMain->RemoveControl(&button);
}

TEST_F(DialogRows, AnEditableRowTakesTypedCharactersWhileTheyFit)
{
    CListRowButton row;
    row.Create(0, 0, 60, 38, "", CButton::kPush, 61952);
    m_pMain->AddControl(&row);
    row.m_bEditable = 1;
    row.m_bRowFocused = 1;
    // 8 pixels a character, the row 60 wide: six characters fit (48 < 54).
    Frame(300, 300,
          [&]
          {
              for (char ch : std::string("abc def"))
                  m_Input.Type(ch);
          });
    EXPECT_EQ(std::string(row.GetSubtitle().GetText()), "abcdef") << "a space is not taken";
    EXPECT_TRUE(row.m_bTextChanged);
    Frame(300, 300, [&] { m_Input.Type('g'); });
    EXPECT_EQ(std::string(row.GetSubtitle().GetText()), "abcdef") << "full";
    EXPECT_FALSE(row.m_bTextChanged);
    Frame(300, 300,
          [&]
          {
              for (int i = 0; i < 8; ++i)
                  m_Input.Press(CListRowButton::kBackspace);
          });
    EXPECT_EQ(std::string(row.GetSubtitle().GetText()), "") << "backspace stops at empty";

    // A row without the focus or not editable takes nothing.
    row.m_bRowFocused = 0;
    Frame(300, 300, [&] { m_Input.Type('x'); });
    EXPECT_EQ(std::string(row.GetSubtitle().GetText()), "");
    m_pMain->RemoveControl(&row);
}
