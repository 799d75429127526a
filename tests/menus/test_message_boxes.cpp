// The message boxes on a 1024 x 768 screen whose main group is the menu
// host's (170, 30, 970, 660): where each flag combination puts the box and
// its buttons, the answers of keys and buttons as the screen reports them
// (4151, then 4152), the input line, the fade, the script box's links and
// results, and the stand-alone box screen.
#include "MenuTestKit.h"

#include "menus/MenuButton.h"
#include "menus/QueryMessageBox.h"
#include "menus/SimpleMessageBox.h"
#include "menus/TextFormat.h"
#include "ui/markup/HTMLWnd.h"
#include "ui/markup/ScrollControl.h"
#include "world/Mech.h"
#include "world/World.h"

#include <gtest/gtest.h>

using menutest::CMenuTest;

namespace
{
constexpr int kEscape = 1;

class MessageBox : public CMenuTest
{
protected:
    void SetUp() override
    {
        CMenuTest::SetUp();
        m_Screen.Init(&m_Graphic, &m_Input);
        m_Screen.SetClock(&m_Clock);
        m_pMain = new CGroupControl();
        m_pMain->Init(plat::Rect{170, 30, 970, 660}, &m_Screen);
        m_Screen.SetMainGroup(m_pMain);
    }
    // A box laid out and shown as the screen's popup.
    CQueryMessageBox& Open(std::uint32_t flags, plat::Rect r = {0, 0, 350, 150})
    {
        m_Box.Init(r, &m_Screen, flags);
        m_pMain->AddControl(&m_Box);
        m_Screen.SetPopup(&m_Box);
        return m_Box;
    }
    // The answers the main group heard: 4151 and 4152 with their results.
    std::vector<std::pair<int, int>> Answers() const
    {
        std::vector<std::pair<int, int>> out;
        for (const auto& c : m_Screen.m_Commands)
            if (c.code == 4151 || c.code == 4152) out.emplace_back(c.code, c.param);
        return out;
    }

    uitest::CRecordingScreen m_Screen;
    CGroupControl* m_pMain = nullptr;
    CQueryMessageBox m_Box;
};

TEST_F(MessageBox, EachFlagCombinationPlacesTheBoxAndItsButtons)
{
    struct SCase
    {
        std::uint32_t flags;
        plat::Rect box; // on the screen, after joining the main group
        int ok, cancel; // button lefts relative to the box (-1 none)
        bool input;
    };
    const SCase cases[] = {
        // Centred on the main group: across it, and (M.height - H) / 2
        // from the screen's top.
        {0x09, {395, 240, 745, 390}, 157, -1, false},
        {0x0B, {395, 240, 745, 390}, 121, 193, false},
        {0x0F, {395, 240, 745, 390}, 121, 193, true},
        // Centred on the whole screen.
        {0x13, {337, 309, 687, 459}, 121, 193, false},
    };
    for (const SCase& c : cases)
    {
        CQueryMessageBox box;
        box.Init({0, 0, 350, 150}, &m_Screen, c.flags);
        m_pMain->AddControl(&box);
        EXPECT_EQ(box.m_Rect, c.box) << c.flags;
        ASSERT_EQ(box.m_pOK != nullptr, true);
        EXPECT_EQ(box.m_pOK->m_Rect.left - box.m_Rect.left, c.ok);
        EXPECT_EQ(box.m_pOK->m_Rect.top - box.m_Rect.top, 150 - 43);
        EXPECT_EQ(box.m_pOK->Width(), 36);
        EXPECT_EQ(box.m_pOK->m_nPicture, 45);
        EXPECT_STREQ(box.m_pOK->GetUID().name, "TEX_INT_UI1");
        EXPECT_EQ(box.m_pCancel ? box.m_pCancel->m_Rect.left - box.m_Rect.left : -1, c.cancel);
        EXPECT_EQ(box.m_pInput != nullptr, c.input);
        if (c.input)
        {
            EXPECT_EQ(box.m_pOK->m_bEnabled, 0) << "OK waits for a name";
        }
        m_pMain->RemoveControl(&box);
    }
    // A box narrower than its two buttons keeps them beside it, not far off
    // the screen.
    CQueryMessageBox narrow;
    narrow.Init({0, 0, 80, 150}, &m_Screen, 0x03);
    EXPECT_EQ(narrow.m_pOK->m_Rect.left - narrow.m_Rect.left, -14);
    EXPECT_EQ(narrow.m_pCancel->m_Rect.left - narrow.m_Rect.left, 58);
}

TEST_F(MessageBox, EnterAndEscapeAnswerOKAndCancelThroughTheScreen)
{
    struct SCase
    {
        std::uint32_t flags;
        int key;
        int answer;
    };
    // Escape cancels also without a Cancel button.
    for (const SCase& c : {SCase{0x0B, uicode::kKeyEnter, 1}, SCase{0x0B, kEscape, 2},
                           SCase{0x09, kEscape, 2}, SCase{0x13, uicode::kKeyEnter, 1}})
    {
        m_Screen.m_Commands.clear();
        CQueryMessageBox& box = Open(c.flags);
        Key(m_Screen, c.key);
        EXPECT_EQ(box.GetResult(), c.answer);
        Frame(m_Screen);
        EXPECT_EQ(Answers(), (std::vector<std::pair<int, int>>{{4151, c.answer}, {4152, c.answer}}));
        EXPECT_EQ(m_Screen.m_pPopup, nullptr);
        EXPECT_EQ(m_pMain->GetChildCount(), 0) << "the screen took the box off";
    }
    // The buttons answer the same way.
    m_Screen.m_Commands.clear();
    CQueryMessageBox& box = Open(0x0B);
    const plat::Rect cancel = box.m_pCancel->m_Rect;
    Click(m_Screen, cancel.left + 5, cancel.top + 5);
    Frame(m_Screen);
    EXPECT_EQ(Answers(), (std::vector<std::pair<int, int>>{{4151, 2}, {4152, 2}}));
}

TEST_F(MessageBox, AnEmptyNameCannotBeConfirmed)
{
    CQueryMessageBox& box = Open(0x0F);
    Key(m_Screen, uicode::kKeyEnter);
    box.OnCommand(uicode::kOK, 0);
    EXPECT_EQ(box.GetResult(), 0) << "Enter and OK with an empty field leave the box open";
    Frame(m_Screen, 0, 0,
          [&]
          {
              m_Input.Type('R');
              m_Input.Type('e');
              m_Input.Type('x');
          });
    EXPECT_EQ(box.GetInputText(), "Rex");
    EXPECT_EQ(box.m_pOK->m_bEnabled, 1);
    for (int i = 0; i < 3; ++i)
        Key(m_Screen, uicode::kKeyBackspace);
    EXPECT_EQ(box.GetInputText(), "");
    EXPECT_EQ(box.m_pOK->m_bEnabled, 0);
    Frame(m_Screen, 0, 0, [&] { m_Input.Type('Z'); });
    Key(m_Screen, uicode::kKeyEnter);
    EXPECT_EQ(box.GetResult(), 1);
    EXPECT_EQ(box.GetInputText(), "Z");
}

TEST_F(MessageBox, ALongNameWidensTheFieldForGood)
{
    CQueryMessageBox& box = Open(0x0F);
    const plat::Rect before = box.m_pInput->m_Rect;
    ASSERT_EQ(before.right - before.left, 180);
    Frame(m_Screen, 0, 0,
          [&]
          {
              for (char ch : std::string(22, 'W'))
                  m_Input.Type(ch);
          });
    box.Render(); // the field takes its row
    box.m_pInput->Render();
    const plat::Rect wide = box.m_pInput->m_Rect;
    // 22 characters of 8 pixels: 176 > 180 - 12, so 176 + 12 wide, about
    // the same middle.
    EXPECT_EQ(wide.right - wide.left, 188);
    EXPECT_EQ(wide.left, before.left - 4);
    for (int i = 0; i < 22; ++i)
        Key(m_Screen, uicode::kKeyBackspace);
    box.m_pInput->Render();
    EXPECT_EQ(box.m_pInput->m_Rect.right - box.m_pInput->m_Rect.left, 188);
}

TEST_F(MessageBox, FiveLinesAtMostAndTheFadeMasksTheAlpha)
{
    CQueryMessageBox& box = Open(0x09);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(box.AddLine(("line " + std::to_string(i)).c_str()));
    EXPECT_FALSE(box.AddLine("a sixth line"));
    EXPECT_EQ(box.m_nLines, 5);
    box.ResetLines();
    EXPECT_EQ(box.m_nLines, 0);

    struct SCase
    {
        float fade;
        std::uint32_t back, band;
    };
    for (const SCase& c : {SCase{0.0f, 0xA12E5A7B, 0xCC000000}, SCase{1.0f, 0xA12E5A7B, 0xCC000000},
                           SCase{0.5f, 0x802E5A7B, 0x80000000}, SCase{0.1f, 0x002E5A7B, 0x08000000}})
    {
        box.m_fFade = c.fade;
        EXPECT_EQ(box.BackgroundColour(), c.back) << c.fade;
        EXPECT_EQ(box.CaptionBandColour(), c.band) << c.fade;
    }
}

TEST_F(MessageBox, ADestroyedBoxLeavesNothingBehind)
{
    auto box = std::make_unique<CQueryMessageBox>();
    box->Init({0, 0, 350, 150}, &m_Screen, 0x0B);
    m_pMain->AddControl(box.get());
    m_Screen.SetPopup(box.get());
    box.reset();
    EXPECT_EQ(m_Screen.m_pPopup, nullptr);
    EXPECT_EQ(m_pMain->GetChildCount(), 0);
    Frame(m_Screen);
}

// The script box as the popup of the screen.
class ScriptBox : public MessageBox
{
protected:
    void SetUp() override
    {
        MessageBox::SetUp();
        Text("INT_INFO", "Info text", "Info");
        Text("INT_JOURNAL_UPDATED", "Journal updated.");
        Text("INT_PLAYER_GOT_OBJECT", "Got %OBJECTNAME.");
        Text("INT_PLAYER_GOT_OBJECT_MULTY", "Got %OBJECTCOUNT of %OBJECTNAME (%OBJECTID).");
        Text("INT_PLAYER_GAVE_OBJECT", "Gave %OBJECTNAME.");
        Text("INT_PLAYER_ADD_BALANCE", "Paid %COUNT.");
        Text("TOV_CRYSTAL", "", "Crystal");
        Text("SPEECH", "Hello %NAME");
    }
    CSimpleMessageBox& OpenScriptBox()
    {
        m_pScript = std::make_unique<CSimpleMessageBox>(false);
        m_pScript->Init({200, 100, 800, 500}, &m_Screen);
        m_pMain->AddControlAt(m_pScript.get());
        m_Screen.SetPopup(m_pScript.get());
        return *m_pScript;
    }
    std::string Shown() const { return menutest::WindowText(*m_pScript->m_pText); }

    std::unique_ptr<CSimpleMessageBox> m_pScript;
};

TEST_F(ScriptBox, ShowsThePendingResultsAndEmptiesTheTable)
{
    m_Scripts.Add(3, "INT_INFO");
    m_Scripts.Add(4, "Q1");
    m_Scripts.Add(7, "TOV_CRYSTAL", 1);
    m_Scripts.Add(7, "TOV_CRYSTAL", 3);
    m_Scripts.Add(8, "TOV_CRYSTAL", 0);
    m_Scripts.Add(9, "", 500);
    m_Scripts.Add(42, "NOTHING");
    CSimpleMessageBox& box = OpenScriptBox();
    EXPECT_EQ(m_Scripts.m_Results.m_iResultCount, 0);
    EXPECT_EQ(m_Scripts.m_Results.m_Results[0].type, 0) << "the records are cleared";
    EXPECT_TRUE(menutest::HasBlock(*box.m_pText, "INT_INFO"));
    const std::string shown = Shown();
    for (const char* part : {"Info text", "Journal updated.", "Got Crystal.",
                             "Got 3 of Crystal (TOV_CRYSTAL).", "Gave Crystal.", "Paid 500."})
        EXPECT_NE(shown.find(part), std::string::npos) << part << " in " << shown;
    EXPECT_EQ(shown.find("NOTHING"), std::string::npos);
    EXPECT_EQ(box.m_pOK->m_nPicture, 94);
    // The text window's arrows are the box's own, in its light blue.
    const CScrollControl* bar = box.m_pText->m_pScroll;
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->m_pBack, nullptr);
    EXPECT_EQ(bar->m_pBack->m_nPicture, 31);
    EXPECT_EQ(bar->m_pForward->m_nPicture, 32);
}

TEST_F(ScriptBox, AllIsExactWhileLinkWordsIgnoreCase)
{
    m_Scripts.Add(3, "INT_INFO");
    CSimpleMessageBox& box = OpenScriptBox();
    ASSERT_TRUE(menutest::HasBlock(*box.m_pText, "INT_INFO"));
    // "all" is not "ALL": the block of that id (none) is deleted.
    m_Scripts.Add(5, "all");
    box.CViewScriptResults();
    EXPECT_TRUE(menutest::HasBlock(*box.m_pText, "INT_INFO"));
    m_Scripts.Add(5, "INT_INFO");
    box.CViewScriptResults();
    EXPECT_FALSE(menutest::HasBlock(*box.m_pText, "INT_INFO"));
    m_Scripts.Add(3, "INT_INFO");
    m_Scripts.Add(5, "ALL");
    box.CViewScriptResults();
    EXPECT_EQ(box.m_pText->GetDocument()->GetBlockCount(), 0);

    // Link words in any case: "Clear" empties, "INT_INFO" adds the entry,
    // "EXIT" ends the run of the screen holding the popup with 0.
    box.RunLink("INT_INFO");
    EXPECT_TRUE(menutest::HasBlock(*box.m_pText, "INT_INFO"));
    box.RunLink("Clear,close");
    EXPECT_EQ(box.m_pText->GetDocument()->GetBlockCount(), 0);
    m_Screen.m_iResult = 77;
    box.RunLink("EXIT");
    EXPECT_TRUE(m_Screen.IsDone());
    EXPECT_EQ(m_Screen.GetResult(), 0);
}

TEST_F(ScriptBox, ALinkRunsAScriptProcedureAndShowsItsResults)
{
    CSimpleMessageBox& box = OpenScriptBox();
    m_Scripts.m_OnRun = [this](const menutest::CScriptRecorder::SCall&) { m_Scripts.Add(9, "", 25); };
    box.RunLink("sample_base#Reward(TOV_CRYSTAL)");
    box.RunLink("Thanks");
    ASSERT_EQ(m_Scripts.m_Calls.size(), 2u);
    EXPECT_EQ(m_Scripts.m_Calls[0].script, "sample_base");
    EXPECT_EQ(m_Scripts.m_Calls[0].procedure, "Reward");
    EXPECT_EQ(m_Scripts.m_Calls[0].object, "TOV_CRYSTAL");
    // Without an object: the one the manager ran last, with no argument.
    EXPECT_EQ(m_Scripts.m_Calls[1].script, "sample_base");
    EXPECT_EQ(m_Scripts.m_Calls[1].procedure, "Thanks");
    EXPECT_EQ(m_Scripts.m_Calls[1].object, "");
    EXPECT_NE(Shown().find("Paid 25."), std::string::npos);
    // A part past its bounds is refused whole, with a line in the log.
    box.RunLink(("Proc(" + std::string(40, 'a') + ")").c_str());
    box.RunLink((std::string(250, 'x')).c_str());
    EXPECT_EQ(m_Scripts.m_Calls.size(), 2u);
    EXPECT_NE(ReadText("error.log").find("argument longer than 31"), std::string::npos);
}

TEST_F(ScriptBox, SpeechNeedsItsMechanoidAndTypeTenSwitchesClosing)
{
    CWorld world;
    struct SRestore
    {
        CWorld* saved = g_pWorld;
        ~SRestore() { g_pWorld = saved; }
    } restore;
    g_pWorld = &world;
    CMech* mech = world.AddMech("MECH_7");
    std::snprintf(mech->m_szName, sizeof mech->m_szName, "Bolt");
    m_Scripts.AddSpeech("SPEECH", "MECH_7");
    m_Scripts.AddSpeech("SPEECH", "MECH_NONE");
    m_Scripts.Add(10, "", 1);
    CSimpleMessageBox& box = OpenScriptBox();
    EXPECT_NE(Shown().find("Bolt:"), std::string::npos) << Shown();
    EXPECT_NE(Shown().find("Hello Rex"), std::string::npos) << "the names are substituted";
    EXPECT_EQ(Shown().find("Hello Rex"), Shown().rfind("Hello Rex")) << "no line for a missing mechanoid";

    // Not closable: OK is hidden and Enter and Escape are inert.
    Key(m_Screen, uicode::kKeyEnter);
    Key(m_Screen, kEscape);
    EXPECT_EQ(box.GetResult(), 0);
    EXPECT_EQ(box.m_pOK->m_bVisible, 0);
    m_Scripts.Add(10, "", 0);
    box.CViewScriptResults();
    Key(m_Screen, uicode::kKeyEnter);
    EXPECT_EQ(box.GetResult(), 1);
    EXPECT_EQ(box.m_pOK->m_bVisible, 1);
}

TEST_F(ScriptBox, TheBoxScreenIsCentredAndEndsWithOneResult)
{
    struct SCase
    {
        plat::Point screen;
        plat::Rect box;
    };
    for (const SCase& c : {SCase{{1024, 768}, {209, 151, 815, 617}}, SCase{{800, 600}, {197, 142, 602, 457}},
                           SCase{{1600, 1200}, {400, 300, 1200, 900}}})
    {
        m_Graphic.m_Size = c.screen;
        CBoxUI screen;
        screen.Init(&m_Graphic, &m_Input);
        ASSERT_NE(screen.m_pBox, nullptr);
        EXPECT_EQ(screen.m_pMainGroup, screen.m_pBox);
        EXPECT_EQ(screen.m_pBox->m_Rect, c.box) << c.screen.x;
    }
    m_Graphic.m_Size = {1024, 768};
    CBoxUI screen;
    screen.Init(&m_Graphic, &m_Input);
    screen.SetClock(&m_Clock);
    char key[32] = "INT_INFO";
    screen.SetParam(key);
    EXPECT_TRUE(menutest::HasBlock(*screen.m_pBox->m_pText, "INT_INFO"));
    Key(screen, uicode::kKeyEnter);
    EXPECT_TRUE(screen.IsDone());
    EXPECT_EQ(screen.GetResult(), 1);
    // The command reaching the screen itself: 1, not 61441 after it.
    CBoxUI other;
    other.Init(&m_Graphic, &m_Input);
    other.OnCommand(uicode::kOK, 0);
    EXPECT_EQ(other.GetResult(), 1);
}

TEST(TextFormat, FillsConversionsWithoutTrustingTheText)
{
    struct SCase
    {
        const char* pattern;
        std::string expected;
    };
    const SCase cases[] = {
        {"%d days", "12 days"},
        {"%3.2f", "3.50"},
        {"%s and %d", "Rex and 12"},
        {"100%%", "100%"},
        // A text that asks for more than is given keeps the rest as written.
        {"%d %d %d %d", "12 3 0 %d"},
        {"%s%s%s%s%n", "Rex123.5%s%n"},
        {"%999999999d", "%999999999d"},
        {"trailing %", "trailing %"},
        {"%ld", "12"},
    };
    for (const SCase& c : cases)
    {
        std::string got;
        const std::string pattern = c.pattern;
        if (pattern == "%3.2f")
            got = FormatGameText(c.pattern, {3.5});
        else if (pattern.rfind("%s", 0) == 0)
            got = FormatGameText(c.pattern, {"Rex", 12, 3.5});
        else
            got = FormatGameText(c.pattern, {12, 3, 0.0f});
        EXPECT_EQ(got, c.expected) << c.pattern;
    }
}
} // namespace
