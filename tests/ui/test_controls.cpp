// The standard controls: buttons, the edit field, the slider, the combo
// box and the lists; the class registration; the small shared operations.

#include "UITestKit.h"

#include "foundation/ClassFactory.h"
#include "ui/Controls.h"
#include "ui/ListControls.h"
#include "ui/SmallOps.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace
{
using namespace uitest;
using uicode::kLeftButton;

using Controls = CUITest;

int CountCode(const CRecordingScreen& screen, int code)
{
    int n = 0;
    for (const auto& c : screen.m_Commands)
        n += c.code == code;
    return n;
}

TEST_F(Controls, OkButtonEndsTheScreenAndNoCommandSendsNothing)
{
    CButton ok, none;
    ok.Create(10, 10, 90, 30, "OK", CButton::kPush, uicode::kOK);
    none.Create(100, 10, 180, 30, "None", CButton::kPush, uicode::kNoCommand);
    m_pMain->AddControl(&ok);
    m_pMain->AddControl(&none);
    Click(110, 20);
    EXPECT_EQ(CountCode(m_Screen, uicode::kClick), 2); // a press outside ok, then the click
    EXPECT_EQ(CountCode(m_Screen, uicode::kNoCommand), 0);
    EXPECT_FALSE(m_Screen.IsDone());
    Click(20, 20);
    EXPECT_TRUE(m_Screen.IsDone());
    EXPECT_EQ(m_Screen.GetResult(), uicode::kOK);

    // A disabled button does not click.
    CButton off;
    off.Create(200, 10, 280, 30, "Off", CButton::kPush, uicode::kCancel);
    m_pMain->AddControl(&off);
    off.Enable(0);
    m_Screen.m_bDone = 0;
    Click(210, 20);
    EXPECT_FALSE(m_Screen.IsDone());
}

TEST_F(Controls, CheckButtonFlipsOncePerClickPushButtonLooksPressedOnlyWhileHeld)
{
    CButton check, push;
    check.Create(10, 10, 30, 30, "Check", CButton::kCheck, 1234);
    push.Create(100, 10, 180, 30, "Push", CButton::kPush, uicode::kNoCommand);
    // A check box is a box of half the height with the caption to its right.
    EXPECT_EQ(check.m_Rect.top, 15);
    EXPECT_EQ(check.m_Rect.right, 20);
    EXPECT_EQ(check.m_iTextAlign, 1);
    m_pMain->AddControl(&check);
    m_pMain->AddControl(&push);

    Click(12, 17);
    EXPECT_TRUE(check.IsChecked());
    EXPECT_EQ(CountCode(m_Screen, 1234), 1);
    for (int i = 0; i < 5; ++i)
        Frame(12, 17);
    EXPECT_TRUE(check.IsChecked());
    Click(12, 17, 1.0);
    EXPECT_FALSE(check.IsChecked());

    Frame(120, 20);
    Press(120, 20);
    Frame(120, 20); // held
    EXPECT_EQ(push.m_bChecked, 1);
    Frame(300, 300); // still held, but the mouse left it
    EXPECT_EQ(push.m_bChecked, 0);
    Release(300, 300);
    Click(120, 20);
    EXPECT_EQ(push.m_bChecked, 0);
    EXPECT_EQ(m_Screen.m_bCapturing, 0);
}

TEST_F(Controls, ButtonDrawsHoverFillAndCentredCaption)
{
    CButton push;
    push.Create(10, 10, 90, 30, "OK", CButton::kPush, uicode::kOK);
    m_pMain->AddControl(&push);
    push.Render();
    ASSERT_FALSE(m_Graphic.m_Ops.empty());
    const SDrawOp& caption = m_Graphic.m_Ops.back();
    EXPECT_EQ(caption.text, "OK");
    EXPECT_EQ(caption.rect.left, 10 + (80 - 16) / 2);
    EXPECT_EQ(caption.rect.top, 10 + (20 - 16) / 2);
}

TEST_F(Controls, EditFieldKeys)
{
    struct SKey
    {
        bool character;
        int code;
    };
    struct
    {
        const char* start;
        std::vector<SKey> keys;
        const char* text;
        int cursor;
        bool focused;
    } cases[] = {
        {"ab", {{true, 'c'}}, "abc", 3, true},
        {"ab", {{false, uicode::kKeyBackspace}, {true, 8}}, "a", 1, true}, // Backspace's character is no text
        {"", {{false, uicode::kKeyBackspace}}, "", 0, true},
        {"abc", {{false, uicode::kKeyLeft}, {false, uicode::kKeyLeft}}, "abc", 1, true},
        {"a", {{false, uicode::kKeyLeft}, {false, uicode::kKeyLeft}}, "a", 0, true},
        {"abc", {{false, uicode::kKeyRight}}, "abc", 3, true},
        {"abc", {{false, uicode::kKeyLeft}, {true, 'd'}}, "abcd", 4, true}, // appended at the end
        {"\xCF\xF0\xE8", {{true, '\xE2'}}, "\xCF\xF0\xE8\xE2", 4, true},    // code page 1251 bytes
        {"ab", {{false, uicode::kKeyEnter}, {true, 'x'}}, "ab", 2, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        CEdit edit;
        edit.Create(10, 10, 200, 30, c.start);
        m_pMain->AddControl(&edit);
        Click(20, 20);
        ASSERT_EQ(edit.m_bFocused, 1);
        Frame(20, 20,
              [&]
              {
                  for (const SKey& k : c.keys)
                      if (k.character)
                          m_Input.Type(char(k.code));
                      else
                      {
                          m_Input.Press(k.code);
                          m_Input.Release(k.code);
                      }
              });
        EXPECT_EQ(std::string(edit.GetText().GetText()), c.text);
        EXPECT_EQ(edit.GetCursor(), c.cursor);
        EXPECT_EQ(edit.m_bFocused != 0, c.focused);
        m_pMain->RemoveControl(&edit);
    }
}

TEST_F(Controls, EditFieldIgnoresKeysWithoutFocusAndDrawsItsCursorOnlyWithText)
{
    CEdit edit;
    edit.Create(10, 10, 200, 30, "");
    m_pMain->AddControl(&edit);
    Frame(20, 20, [&] { m_Input.Type('q'); });
    EXPECT_TRUE(edit.GetText().IsEmpty());
    Click(20, 20);
    edit.Render();
    EXPECT_FALSE(m_Graphic.Filled(0xFF000000)); // empty and focused: no cursor line
    Frame(20, 20, [&] { m_Input.Type('q'); });
    m_Graphic.m_Ops.clear();
    edit.Render();
    bool cursorLine = false;
    for (const SDrawOp& op : m_Graphic.m_Ops)
        cursorLine |= op.kind == SDrawOp::kFill && op.colour == 0xFF000000 &&
                      op.rect.right - op.rect.left == 1 && op.rect.left == 12 + 8;
    EXPECT_TRUE(cursorLine);
    Frame(300, 300); // the mouse leaves: the focus goes
    EXPECT_EQ(edit.m_bFocused, 0);
}

TEST_F(Controls, SliderPositions)
{
    struct
    {
        int minimum, maximum, step;
        int count;
        int set;
        int pos;
        int value;
    } cases[] = {
        {0, 100, 10, 11, 5, 5, 50}, {0, 100, 10, 11, 11, 10, 100}, // clamps to the last position
        {0, 100, 10, 11, -3, 0, 0}, {0, 100, 0, 101, 7, 7, 7},     // step 0 counts as 1
        {5, 5, 1, 1, 3, 0, 5},      {10, 0, 5, 1, 2, 0, 10},       // no range: one position
        {-50, 50, 25, 5, 4, 4, 50},
    };
    for (const auto& c : cases)
    {
        CTrackBar slider;
        slider.Create(0, 0, 217, 20, c.minimum, c.maximum, c.step);
        EXPECT_EQ(slider.GetCount(), c.count) << c.minimum << ".." << c.maximum << " step " << c.step;
        slider.SetPos(c.set);
        EXPECT_EQ(slider.GetPos(), c.pos);
        EXPECT_EQ(slider.GetValue(), c.value);
        EXPECT_TRUE(std::isfinite(slider.m_dPixelsPerStep));
    }
}

TEST_F(Controls, SliderThumbFollowsTheCursorWhileHeldEvenOutside)
{
    CTrackBar slider;
    slider.Create(20, 100, 237, 120, 0, 100, 10); // track 28..228: 20 pixels per step
    m_pMain->AddControl(&slider);
    EXPECT_EQ(slider.m_Track.left, 28);
    EXPECT_DOUBLE_EQ(slider.m_dPixelsPerStep, 20.0);
    Frame(30, 110);
    Press(30, 110);
    Frame(30, 110); // held on it: the thumb drag begins, with the capture
    EXPECT_EQ(slider.m_bThumbDrag, 1);
    EXPECT_EQ(m_Screen.m_bCapturing, 1);
    Frame(97, 110); // (97 - 28) / 20 = 3.45
    EXPECT_EQ(slider.GetPos(), 3);
    Frame(99, 300); // 3.55, far below the slider
    EXPECT_EQ(slider.GetPos(), 4);
    Frame(500, 300);
    EXPECT_EQ(slider.GetPos(), 10);
    slider.Render();
    EXPECT_EQ(std::string(slider.m_ToolTip[0].GetText()), "100");
    Release(500, 300);
    EXPECT_EQ(slider.m_bThumbDrag, 0);
    EXPECT_EQ(m_Screen.m_bCapturing, 0);
    EXPECT_EQ(slider.m_Colours[3], CControl::kGrey); // it was told the mouse left
    // The thumb is half a line wide, centred on the position.
    EXPECT_EQ(slider.m_Thumb.left, 228 - 4);
    EXPECT_EQ(slider.m_Thumb.right, 228 + 4);
    slider.Move(0, 10);
    EXPECT_EQ(slider.m_Thumb.top, 110);
}

TEST_F(Controls, ComboBoxOpensGrowsAndSelects)
{
    CComboBox combo;
    combo.Create(10, 10, 210, 26, "pick");
    for (const char* item : {"a", "b", "c", "d", "e"})
        combo.AddString(item);
    m_pMain->AddControl(&combo);
    Click(20, 15);
    ASSERT_TRUE(combo.IsOpen());
    EXPECT_EQ(combo.m_Rect.bottom, 26 + 5 * 16);
    EXPECT_EQ(combo.m_ListRect.top, 26);

    // The current item follows the row under the cursor; the keys move it
    // and stop at the last.
    Frame(20, 26 + 2 * 16 + 3);
    EXPECT_EQ(combo.GetSelection(), 2);
    for (int i = 0; i < 4; ++i)
        Frame(20, 26 + 2 * 16 + 3, [&] { m_Input.Press(uicode::kKeyDown); });
    EXPECT_EQ(combo.GetSelection(), 4);
    EXPECT_EQ(std::string(combo.GetText().GetText()), "pick"); // only a click takes it

    // The open list is the hovered control, drawn over its neighbours.
    EXPECT_EQ(m_Screen.m_pHovered, &combo);
    Press(20, 26 + 16 + 3);
    Release(20, 26 + 16 + 3);
    EXPECT_FALSE(combo.IsOpen());
    EXPECT_EQ(combo.GetSelection(), 1);
    EXPECT_EQ(std::string(combo.GetText().GetText()), "b");
    EXPECT_EQ(combo.m_Rect.bottom, 26);

    // A release outside closes the list without a click and keeps the selection.
    Click(20, 15, 1.0);
    ASSERT_TRUE(combo.IsOpen());
    m_Screen.m_Commands.clear();
    Frame(400, 300);
    Press(400, 300);
    Release(400, 300);
    EXPECT_FALSE(combo.IsOpen());
    EXPECT_EQ(combo.GetSelection(), 1);
    EXPECT_EQ(CountCode(m_Screen, uicode::kClick), 0);
    EXPECT_EQ(m_Screen.m_bCapturing, 0);

    combo.SetSelection(9); // ignored
    EXPECT_EQ(combo.GetSelection(), 1);
    combo.SetSelection(3);
    EXPECT_EQ(std::string(combo.GetText().GetText()), "d");
}

TEST_F(Controls, GridListAddItemOutOfRangeAndClickBeforeSelection)
{
    CListCtrl grid;
    grid.Create(10, 10, 210, 110, 3, 2);
    EXPECT_TRUE(grid.AddItem(2, 1, "last"));
    EXPECT_FALSE(grid.AddItem(3, 0, "row = count"));
    EXPECT_FALSE(grid.AddItem(0, 2, "column = count"));
    EXPECT_FALSE(grid.AddItem(-1, 0, "negative"));
    EXPECT_STREQ(grid.GetItem(2, 1), "last");
    EXPECT_EQ(grid.GetItem(3, 0), nullptr);
    EXPECT_NE(ReadText("error.log").find("CListCtrl::AddItem() Out of Range"), std::string::npos);

    m_pMain->AddControl(&grid);
    int selectedAtClick = -2;
    m_Screen.m_OnCommand = [&](int code, int param)
    {
        if (code == uicode::kClick && param == kLeftButton) selectedAtClick = grid.m_iSelRow;
    };
    Click(150, 10 + 16 + 3); // row 1, column 1
    EXPECT_EQ(selectedAtClick, -1);
    EXPECT_EQ(grid.m_iSelRow, 1);
    EXPECT_EQ(grid.m_iSelColumn, 1);
    Click(20, 10 + 2 * 16 + 3, 1.0);
    EXPECT_EQ(selectedAtClick, 1);
    EXPECT_EQ(grid.m_iSelRow, 2);
    EXPECT_EQ(grid.m_iSelColumn, 0);

    grid.SetColumnWidth(0, 0.25f);
    EXPECT_EQ(grid.m_Cells[1].x, 50);
    grid.Clear();
    EXPECT_STREQ(grid.GetItem(2, 1), "");
    EXPECT_EQ(grid.m_bVisible, 1);
}

TEST_F(Controls, ListsSurviveAFontWithoutHeight)
{
    m_Graphic.m_nLineHeight = 0;
    CListCtrl grid;
    grid.Create(10, 10, 210, 110, 3, 2);
    CListBox list;
    list.Create(10, 120, 210, 220, 4, 16);
    list.AddString("x");
    CComboBox combo;
    combo.Create(300, 10, 400, 26, "c");
    combo.AddString("y");
    for (CControl* c :
         {static_cast<CControl*>(&grid), static_cast<CControl*>(&list), static_cast<CControl*>(&combo)})
        m_pMain->AddControl(c);
    Click(20, 20);
    Click(20, 130);
    Click(310, 15);
    Frame(310, 40);
    m_Screen.Render();
    SUCCEED();
}

TEST_F(Controls, ListBoxSelectsTheRowUnderTheCursorAndScrolls)
{
    CListBox list;
    list.Create(10, 10, 210, 58, 10, 16); // three rows fit
    for (const char* item : {"zero", "one", "two", "three"})
        list.AddString(item);
    m_pMain->AddControl(&list);
    Click(20, 10 + 16 + 2);
    EXPECT_EQ(list.GetSelection(), 1);
    EXPECT_STREQ(list.GetText().GetText(), "one");
    m_Graphic.m_Ops.clear();
    list.Render();
    EXPECT_EQ(m_Graphic.Texts(), (std::vector<std::string>{"zero", "one", "two"}));

    Frame(20, 20, [&] { m_Input.Press(uicode::kKeyDown); });
    EXPECT_EQ(list.m_iFirst, 1);
    EXPECT_EQ(list.GetSelection(), 2);
    m_Graphic.m_Ops.clear();
    list.Render();
    EXPECT_EQ(m_Graphic.Texts(), (std::vector<std::string>{"one", "two", "three"}));

    list.m_iFirst = 3;
    Click(20, 10 + 2 * 16 + 2, 1.0); // below the last item
    EXPECT_EQ(list.GetSelection(), -1);
    EXPECT_TRUE(list.GetText().IsEmpty());
}

TEST(UIRegistration, FactoryCreatesEveryUIClass)
{
    RegisterUIClasses();
    struct
    {
        const char* id;
        const char* guid;
    } cases[] = {
        {"IGUID_IUI", "IGUID_IUI"},
        {"IGUID_IControl", "IGUID_IControl"},
        {"IGUID_IGroupControl", "IGUID_IGroupControl"},
        {"IGUID_IWindow", "IGUID_IWindow"},
        {"IGUID_ITabPage", "IGUID_ITabPage"},
        {"IGUID_IEdit", "IGUID_IControl"}, // a plain control
    };
    for (const auto& c : cases)
    {
        CGuidKey key;
        MakeGuidKey(&key, c.id);
        IBaseInterface* object = CreateClassInstance(ResolveClassIndex(key));
        ASSERT_NE(object, nullptr) << c.id;
        EXPECT_STREQ(object->GetGUID().name, c.guid);
        EXPECT_GT(object->GetSize(), 0u);
        delete object;
    }
}

TEST(SmallOps, MakeGuidKeyKeepsAtMost31Characters)
{
    const std::string name31(31, 'n'), name32(32, 'm'), name40(40, 'k');
    struct
    {
        const std::string* name;
        std::size_t kept;
    } cases[] = {{&name31, 31}, {&name32, 31}, {&name40, 31}};
    for (const auto& c : cases)
    {
        CGuidKey key;
        std::memset(key.name, 0x55, sizeof key.name);
        key.id = 7;
        MakeGuidKey(&key, c.name->c_str());
        EXPECT_EQ(std::strlen(key.name), c.kept);
        EXPECT_EQ(key.name[31], 0);
        EXPECT_EQ(key.id, CGuidKey::kUnresolved);
    }
}

TEST_F(Controls, ThingContentsRefuseAnEleventhEntry)
{
    CThingContents contents;
    char name[32] = "MIS_ROCKET";
    for (std::uint32_t i = 0; i < 10; ++i)
    {
        name[10] = char('0' + i);
        EXPECT_TRUE(contents.AddContent(1, name, i + 2));
        EXPECT_EQ(contents.count, i + 1);
    }
    EXPECT_EQ(contents.entries[0].count, 2u);
    EXPECT_STREQ(contents.entries[9].name, "MIS_ROCKET9");
    const CThingContents before = contents;
    EXPECT_FALSE(contents.AddContent(2, name, 99));
    EXPECT_EQ(contents.count, 10u);
    EXPECT_EQ(std::memcmp(&before, &contents, sizeof contents), 0);
    EXPECT_NE(ReadText("error.log").find("CTheThing::AddContent"), std::string::npos);
}

TEST(SmallOps, Vector3NotEqualAndSetColorValue)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct
    {
        CVector a, b;
        int expected;
    } cases[] = {
        {{0, 0, 0}, {-0.0f, 0, 0}, 0}, {{1, 2, 3}, {1, 2, 3}, 0}, {{1, 2, 3}, {1, 2, 4}, 1},
        {{1, nan, 3}, {1, nan, 3}, 1}, {{9, 2, 3}, {1, 2, 3}, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Vector3NotEqual(c.a, c.b), c.expected);
    const plat::d3d::SColorValue v = SetColorValue(2.0f, -1.0f, 0.5f, 1.0f);
    EXPECT_EQ(v.r, 2.0f);
    EXPECT_EQ(v.g, -1.0f);
    EXPECT_EQ(v.b, 0.5f);
    EXPECT_EQ(v.a, 1.0f);
}
} // namespace
