// The options' key-binding page: capturing a key (duplicates cleared, the
// row's own keys swapped or kept, Escape putting the row back, the console
// key waiting, mouse and joystick buttons), Delete's order, the selection
// and the rows in view, and the bindings through "cfg.ini".
#include "OptionsTestKit.h"

#include "menus/OptionControlList.h"
#include "menus/OptionControls.h"
#include "menus/OptionKeyRows.h"

#include <gtest/gtest.h>

namespace
{
using options::SKeyPair;

class OptionKeys : public optiontest::COptionsTest
{
protected:
    void SetUp() override
    {
        COptionsTest::SetUp();
        m_List.Create(plat::Rect{211, 48, 581, 346}, &m_Screen);
        m_List.FillCaptions();
        m_pMain->AddControl(&m_List);
    }
    void TearDown() override
    {
        m_pMain->RemoveControl(&m_List);
        COptionsTest::TearDown();
    }

    COptionControlList m_List;
};

TEST_F(OptionKeys, ACaptureTakesTheFirstCodePressedAndClearsItElsewhere)
{
    constexpr std::uint16_t W = 0x11, S = 0x1F, Q = 0x10, E = 0x12, Escape = 1, Mouse1 = 257, Joy1 = 513;
    struct SCase
    {
        const char* what;
        SKeyPair row0, row6;
        std::uint16_t pressed;
        SKeyPair expect0, expect6;
    };
    const SCase cases[] = {
        {"another row's secondary", {W, S}, {Q, E}, E, {E, W}, {Q, 0}},
        {"the row's own secondary swaps the two", {W, S}, {Q, E}, S, {S, W}, {Q, E}},
        {"the row's own primary stays, the secondary goes", {W, S}, {Q, E}, W, {W, 0}, {Q, E}},
        {"Escape puts both back", {W, S}, {Q, E}, Escape, {W, S}, {Q, E}},
        {"a mouse button", {W, S}, {Mouse1, 0}, Mouse1, {Mouse1, W}, {0, 0}},
        {"a joystick button", {W, 0}, {Q, Joy1}, Joy1, {Joy1, W}, {Q, 0}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_List.m_Keys.fill(SKeyPair{});
        m_List.m_Keys[0] = c.row0;
        m_List.m_Keys[6] = c.row6;
        m_List.SetSelected(0);
        Key(COptionControlList::kKeyEnter);
        ASSERT_TRUE(m_List.IsCapturing());
        EXPECT_TRUE(m_Screen.m_bCapturing) << "the list holds the screen's capture";
        EXPECT_EQ(m_List.m_Keys[0].secondary, c.row0.primary) << "the primary shows in the second column";
        Key(c.pressed);
        EXPECT_FALSE(m_List.IsCapturing());
        EXPECT_FALSE(m_Screen.m_bCapturing);
        EXPECT_EQ(m_List.m_Keys[0], c.expect0);
        EXPECT_EQ(m_List.m_Keys[6], c.expect6);
    }
}

TEST_F(OptionKeys, TheConsoleKeyHeldOrNothingPressedKeepsTheCaptureWaiting)
{
    m_List.m_Keys[3] = SKeyPair{0x1E, 0};
    m_List.SetSelected(3);
    m_List.StartCapture();
    Frame(0, 0);
    EXPECT_TRUE(m_List.IsCapturing());
    Frame(0, 0,
          [&]
          {
              m_Input.Press(COptionControlList::kKeyConsole);
              m_Input.Press(0x10);
          });
    EXPECT_TRUE(m_List.IsCapturing()) << "the console key is held";
    Frame(0, 0,
          [&]
          {
              m_Input.Release(COptionControlList::kKeyConsole);
              m_Input.Press(0x30);
              m_Input.Press(0x10);
          });
    EXPECT_FALSE(m_List.IsCapturing());
    EXPECT_EQ(m_List.m_Keys[3], (SKeyPair{0x10, 0x1E})) << "the lowest code pressed";
}

TEST_F(OptionKeys, DeleteClearsThePrimaryFirstThenTheSecondary)
{
    m_List.m_Keys[2] = SKeyPair{0x11, 0x1F};
    m_List.SetSelected(2);
    Key(COptionControlList::kKeyDelete);
    EXPECT_EQ(m_List.m_Keys[2], (SKeyPair{0, 0x1F}));
    Key(COptionControlList::kKeyDelete);
    EXPECT_EQ(m_List.m_Keys[2], (SKeyPair{0, 0}));
}

TEST_F(OptionKeys, UpAndDownStayInTheListAndTheRowsInViewFollow)
{
    m_List.SetSelected(0);
    Key(COptionControlList::kKeyUp);
    EXPECT_EQ(m_List.GetSelected(), 0);
    EXPECT_EQ(m_List.GetFirstVisible(), 0);
    for (int i = 0; i < 10; ++i)
        Key(COptionControlList::kKeyDown);
    EXPECT_EQ(m_List.GetSelected(), 10);
    EXPECT_EQ(m_List.GetFirstVisible(), 0) << "rows 0-10 in view";
    Key(COptionControlList::kKeyDown);
    EXPECT_EQ(m_List.GetSelected(), 11);
    EXPECT_EQ(m_List.GetFirstVisible(), 1) << "rows 1-11 in view";
    for (int i = 0; i < 20; ++i)
        Key(COptionControlList::kKeyDown);
    EXPECT_EQ(m_List.GetSelected(), 26);
    EXPECT_EQ(m_List.GetFirstVisible(), 16);
    EXPECT_EQ(m_List.GetScroll()->GetPos(), 16) << "the scroll bar follows";

    // The scroll bar's arrow moves the rows, a click picks the row under it.
    m_List.GetScroll()->SetPos(3);
    Frame(0, 0);
    EXPECT_EQ(m_List.GetFirstVisible(), 3);
    Click(300, 48 + 2 * COptionControlList::kRowHeight + 5);
    EXPECT_EQ(m_List.GetSelected(), 5);
    // Well apart from that click, two more make a double click.
    for (int i = 0; i < 4; ++i)
        Frame(300, 48 + 5);
    Frame(300, 48 + 5, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(300, 48 + 5, [&] { m_Input.Release(uicode::kLeftButton); });
    Frame(300, 48 + 5, [&] { m_Input.Press(uicode::kLeftButton); });
    Frame(300, 48 + 5, [&] { m_Input.Release(uicode::kLeftButton); });
    EXPECT_EQ(m_List.GetSelected(), 3);
    EXPECT_TRUE(m_List.IsCapturing()) << "a double click starts a capture";
}

TEST_F(OptionKeys, TheRowsDrawTheirKeyNamesAndTheCaptureBlinks)
{
    m_List.m_Keys[0] = SKeyPair{0x11, 0};
    m_List.m_Keys[1] = SKeyPair{0x7F, 0x1F}; // 0x7F has no name
    m_List.Render();
    std::vector<std::string> texts = m_Graphic.Texts();
    auto count = [&](const char* text) { return std::count(texts.begin(), texts.end(), std::string(text)); };
    EXPECT_EQ(count("W"), 2) << "with its shadow";
    EXPECT_EQ(count("S"), 2);
    EXPECT_EQ(count("INT_OPTIONS_KEY_01"), 2);
    EXPECT_EQ(count("INT_OPTIONS_KEY_12"), 0) << "row 11 is out of view";

    m_List.SetSelected(0);
    m_List.StartCapture();
    std::vector<int> shown;
    for (int frame = 0; frame < 6; ++frame)
    {
        m_Graphic.m_Ops.clear();
        m_List.Render();
        texts = m_Graphic.Texts();
        shown.push_back(int(count("???") > 0));
        m_Clock.Advance(0.15);
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 1, 0, 0, 1, 1})) << "a switch once 0.2 s have passed";
}

TEST_F(OptionKeys, TheBindingsGoThroughTheFileAndTheRowlessKeysKeepTheirValues)
{
    std::array<SKeyPair, options::kKeyRows> keys{};
    SInputOptions input;
    COptionControlList::LoadOptionKeys("cfg.ini", keys, input);
    EXPECT_EQ(keys[0], (SKeyPair{0x11, 0xC8}));
    EXPECT_EQ(keys[6], (SKeyPair{257, 0x1D}));
    EXPECT_EQ(keys[25], (SKeyPair{0x2E, 0x13})) << "the cruise row";
    EXPECT_FLOAT_EQ(input.MouseSensitivity, 6.0f);

    // The live table's FIRE3 is what stays in the file; CRUISE2 holds the
    // cruise row's secondary.
    g_InputConfig.m_Keys[CInputConfig::KEY_FIRE3] = 258;
    keys[25].secondary = 0x10;
    COptionControlList::SaveOptionKeys("cfg.ini", keys, input);
    EXPECT_TRUE(Has(Cfg(), "FIRE3=MOUSE2"));
    EXPECT_TRUE(Has(Cfg(), "CRUISE2=Q"));
    EXPECT_TRUE(Has(Cfg(), "FORWARD=W"));

    // The rows and the slots agree both ways.
    std::uint16_t slots[CInputConfig::kKeyCount] = {};
    options::RowsToSlots(keys, slots);
    std::array<SKeyPair, options::kKeyRows> back{};
    options::SlotsToRows(slots, back);
    EXPECT_EQ(back, keys);
    for (int row = 0; row < options::kKeyRows; ++row)
    {
        EXPECT_GE(options::KeySlot(row, false), 0) << row;
        EXPECT_GE(options::KeySlot(row, true), 0) << row;
    }
}
} // namespace
