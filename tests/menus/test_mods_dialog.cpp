// The mods dialog over a temporary "DATA\MODS" folder: the descriptions'
// defaults and their faults, five mods in four rows with the scroll bar,
// Up and Down, and the load button writing "GameMod", handing the start
// script to the application and ending the main menu with a new game.
#include "MenuTestKit.h"

#include "menus/DialogButton.h"
#include "menus/ListRowButton.h"
#include "menus/MainUI.h"
#include "menus/ModsDialog.h"
#include "ui/markup/HTMLWnd.h"
#include "ui/markup/ScrollControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{
class ModsDialog : public menutest::CMenuTest
{
protected:
    void SetUp() override
    {
        CMenuTest::SetUp();
        m_Menu.SetClock(&m_Clock);
        m_Menu.Init(&m_Graphic, &m_Input);
    }
    void Mod(const char* file, const std::string& text)
    {
        Tree().WriteText(std::string("DATA/MODS/") + file, text);
    }
    // The main menu with its mods dialog open and drawn once (the folder is
    // read on the first frame drawn).
    CModsDialog& Open()
    {
        m_Menu.OnCommand(CMainUI::kMods, 0);
        CModsDialog* dialog = m_Menu.GetMods();
        EXPECT_NE(dialog, nullptr);
        m_Menu.Render();
        return *dialog;
    }

    CMainUI m_Menu;
};

TEST_F(ModsDialog, ADescriptionTakesItsDefaultsAndSaysWhatIsWrongWithIt)
{
    Mod("full.ini", "[COMMON]\nName=Storm\nText=Rain <b>all</b> day\nAutorun=storm.src\n");
    Mod("bare.ini", "[COMMON]\nOther=1\n");
    Mod("nosection.ini", "Name=Lost\n");
    Mod("long.ini", "[COMMON]\nName=Long\nAutorun=" + std::string(200, 'x') + ".src\n");
    struct SCase
    {
        const char* file;
        bool ok;
        const char* name;
        const char* text;
        const char* autorun;
    };
    const SCase cases[] = {
        {"full.ini", true, "Storm", "Rain <b>all</b> day", "storm.src"},
        {"bare.ini", true, "NoName", "NoDescription", "TARVOXII.src"},
        {"nosection.ini", false, "NoName", "NoDescription", "TARVOXII.src"},
        {"long.ini", false, "Long", "NoDescription", ""},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.file);
        SModInfo info;
        EXPECT_EQ(info.Load(c.file), c.ok);
        EXPECT_STREQ(info.name, c.name);
        EXPECT_STREQ(info.text, c.text);
        EXPECT_STREQ(info.autorun, c.autorun);
        EXPECT_STREQ(info.fileName, c.file);
        EXPECT_NE(std::string(info.path).find(std::string("DATA\\MODS\\") + c.file), std::string::npos);
    }
    const std::string log = Tree().ErrorLog();
    EXPECT_NE(log.find("nosection.ini\": no [COMMON] section"), std::string::npos) << log;
    EXPECT_NE(log.find("long.ini\": the start script"), std::string::npos) << log;
    EXPECT_EQ(log.find("full.ini"), std::string::npos) << log;
}

TEST_F(ModsDialog, FiveModsScrollInFourRowsAndTheKeysMoveTheSelection)
{
    for (int i = 0; i < 5; ++i)
        Mod(("m" + std::to_string(i) + ".ini").c_str(),
            "[COMMON]\nName=Mod " + std::to_string(i) + "\nText=About " + std::to_string(i) + "\n");
    CModsDialog& dialog = Open();
    CModsList& list = *dialog.GetList();
    ASSERT_EQ(list.GetCount(), 5);
    EXPECT_FALSE(list.IsRefreshPending());
    EXPECT_EQ(std::string(list.GetRow(0)->GetTitle().GetText()), "Mod 0") << "the folder's order";
    EXPECT_EQ(list.GetSelected(), 0);
    EXPECT_TRUE(list.GetScroll()->m_bEnabled);
    EXPECT_EQ(list.GetScroll()->GetMax(), 1);
    auto visible = [&]
    {
        std::string out;
        for (int i = 0; i < list.GetCount(); ++i)
            out += list.GetRow(i)->m_bVisible ? '1' : '0';
        return out;
    };
    EXPECT_EQ(visible(), "11110");
    // The rows stack 45 pixels apart; the highlight is the selected row.
    EXPECT_EQ(list.GetRow(1)->m_Rect.top - list.GetRow(0)->m_Rect.top, 45);
    EXPECT_EQ(list.GetHighlight().top, list.GetRow(0)->m_Rect.top);

    // The description follows the selection.
    Frame(m_Menu);
    EXPECT_TRUE(menutest::HasBlock(*dialog.GetDescription(), "Mod 0"));

    struct SStep
    {
        int key;
        int selected, first;
        const char* rows;
    };
    const SStep steps[] = {
        {CModsList::kKeyUp, 0, 0, "11110"},   {CModsList::kKeyDown, 1, 0, "11110"},
        {CModsList::kKeyDown, 2, 0, "11110"}, {CModsList::kKeyDown, 3, 0, "11110"},
        {CModsList::kKeyDown, 4, 1, "01111"}, {CModsList::kKeyDown, 4, 1, "01111"},
        {CModsList::kKeyUp, 3, 1, "01111"},   {CModsList::kKeyUp, 2, 1, "01111"},
        {CModsList::kKeyDown, 3, 1, "01111"}, {CModsList::kKeyUp, 2, 1, "01111"},
        {CModsList::kKeyUp, 1, 1, "01111"},   {CModsList::kKeyUp, 0, 0, "11110"},
    };
    for (const SStep& s : steps)
    {
        SCOPED_TRACE(std::to_string(s.key) + " to " + std::to_string(s.selected));
        Key(m_Menu, s.key);
        EXPECT_EQ(list.GetSelected(), s.selected);
        EXPECT_EQ(list.GetFirstVisible(), s.first);
        EXPECT_EQ(visible(), s.rows);
        for (int i = 0; i < list.GetCount(); ++i)
            EXPECT_EQ(list.GetRow(i)->IsChecked(), i == s.selected) << i;
    }
    Frame(m_Menu);
    EXPECT_TRUE(menutest::HasBlock(*dialog.GetDescription(), "Mod 0"));

    // A click on a row selects it.
    Key(m_Menu, CModsList::kKeyDown);
    const plat::Rect r = list.GetRow(2)->m_Rect;
    Click(m_Menu, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_EQ(list.GetSelected(), 2);
    Frame(m_Menu);
    EXPECT_TRUE(menutest::HasBlock(*dialog.GetDescription(), "Mod 2"));
}

TEST_F(ModsDialog, LoadWritesTheChoiceAndStartsANewGameWithTheModsScript)
{
    Tree().WriteText("DATA/CONFIG/cfg.ini", "[CONFIG]\nScreenWidth=1024\n");
    Mod("a.ini", "[COMMON]\nName=First\nAutorun=first.src\n");
    Mod("b.ini", "[COMMON]\nName=Second\nAutorun=second.src\n");
    CModsDialog& dialog = Open();
    Key(m_Menu, CModsList::kKeyDown);
    ASSERT_EQ(dialog.GetList()->GetSelected(), 1);
    const plat::Rect r = dialog.GetLoadButton()->m_Rect;
    Click(m_Menu, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_TRUE(m_Menu.IsDone());
    EXPECT_EQ(m_Menu.GetResult(), CMainUI::kResultNewGame);
    const std::string cfg = Tree().ReadText("DATA/CONFIG/cfg.ini");
    EXPECT_NE(cfg.find("GameMod=DATA\\MODS\\b.ini"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("ScreenWidth=1024"), std::string::npos) << "the rest of the file stays";
}

TEST_F(ModsDialog, AnEmptyFolderListsNothingAndTheButtonDoesNothing)
{
    CModsDialog& dialog = Open();
    EXPECT_EQ(dialog.GetList()->GetCount(), 0);
    EXPECT_EQ(dialog.GetList()->GetSelected(), -1);
    EXPECT_FALSE(dialog.GetList()->GetScroll()->m_bEnabled);
    Key(m_Menu, CModsList::kKeyDown);
    dialog.OnCommand(CModsDialog::kLoad, 0);
    EXPECT_FALSE(m_Menu.IsDone());
    EXPECT_FALSE(dialog.LoadMods());
    EXPECT_EQ(Tree().ReadText("DATA/CONFIG/cfg.ini").find("GameMod"), std::string::npos);
}
} // namespace
