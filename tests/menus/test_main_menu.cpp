// The main and pause menus: the layout for a screen size, the questions
// (Escape in the main menu only, OK ending with 1001 or 1006), one dialog
// at a time in the dialog area, Save enabled by "OutsideSave", the items'
// pictures by look and their sounds; the new-game panel's video player and
// the credits' scrolling by the tick count.
#include "MenuTestKit.h"

#include "common/DataTree.h"
#include "foundation/ClassFactory.h"
#include "foundation/ResourceDB.h"
#include "graphics/VideoPlayer.h"
#include "menus/AuthorsDialog.h"
#include "menus/DialogButton.h"
#include "menus/MainMenuButton.h"
#include "menus/MainUI.h"
#include "menus/MenuDrawing.h"
#include "menus/NewGameGC.h"
#include "menus/QueryMessageBox.h"
#include "app/ScreenRequests.h"
#include "sound/SoundManager.h"
#include "ui/UICodes.h"
#include "ui/markup/HTMLObject.h"
#include "world/MMEngine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using menutest::CMenuTest;

constexpr int kEscape = 1;

// The save/load screen as the menus see it: the rectangle, mode and frame
// they gave it.
class CFakeSaveLoad : public CGroupControl, public ISaveLoadPanel
{
public:
    using CGroupControl::Init;
    void Init(const plat::Rect& rect, bool saveMode, IUI* screen) override
    {
        Init(rect, screen);
        m_Given = rect;
        m_bSave = saveMode;
    }
    void SetPanelRect(const plat::Rect& rect) override { m_Frame = rect; }
    plat::Rect GetPanelRect() const override { return m_Frame; }
    void OnCommand(int code, int param) override
    {
        if (code == uicode::kPopupResult) ++m_nAnswers;
        CGroupControl::OnCommand(code, param);
    }

    plat::Rect m_Given{}, m_Frame{};
    bool m_bSave = false;
    int m_nAnswers = 0;
};

// A video player that records what the panel asks of it.
class CFakePlayer : public IBinkPlayer
{
public:
    CFakePlayer() { ++s_nLive; }
    ~CFakePlayer() override { --s_nLive; }
    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    plat::HResult Init(plat::Window*) override { return 0; }
    plat::HResult InitWindow(plat::Window*) override { return 0; }
    plat::HResult InitFullscreen(plat::Window*, int, int, int) override { return 0; }
    plat::HResult InitOnScreen(plat::Window*, const plat::Rect& r) override
    {
        m_Rect = r;
        return 0;
    }
    void PlayBink(const char*, bool) override {}
    void Open(const char* file) override { m_sFile = file; }
    void ShowFrame(bool, bool) override { ++m_nFrames; }
    plat::HResult Done() override
    {
        ++s_nDone;
        return 0;
    }

    plat::Rect m_Rect{};
    std::string m_sFile;
    int m_nFrames = 0;
    static inline int s_nLive = 0;
    static inline int s_nDone = 0;
};

class MainMenu : public CMenuTest
{
protected:
    void SetUp() override
    {
        CMenuTest::SetUp();
        ResetClassRegistry();
        m_savedOutsideSave = g_MMEngine.m_bOutsideSave;
        Text("INT_QUIT_CONFIRM1", "Leave the game?", "Exit");
        Text("INT_QUIT_CONFIRM2", "Progress since the last save is lost.");
        Text("INT_QUIT_CONFIRM3", "Back to the main menu?", "Main menu");
        Text("INT_QUIT_CONFIRM4", "The game ends.");
    }
    void TearDown() override
    {
        g_MMEngine.m_bOutsideSave = m_savedOutsideSave;
        ResetClassRegistry();
        CMenuTest::TearDown();
    }
    void Start(CMainUI& menu, plat::Point size = {1024, 768})
    {
        m_Graphic.m_Size = size;
        menu.Init(&m_Graphic, &m_Input);
        menu.SetClock(&m_Clock);
    }
    void ClickItem(CMainUI& menu, int command)
    {
        const plat::Rect& r = menu.FindItem(command)->m_Rect;
        Click(menu, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // Enter answers the open question with OK; the screen reads it a frame
    // later.
    void AnswerOK(CMainUI& menu)
    {
        Key(menu, uicode::kKeyEnter);
        Frame(menu);
    }

    std::uint8_t m_savedOutsideSave = 0;
};

TEST_F(MainMenu, TheLayoutFollowsTheScreenSize)
{
    struct SCase
    {
        plat::Point size;
        plat::Rect group, panel, area;
    };
    const SCase cases[] = {
        {{1024, 768}, {170, 130, 353, 529}, {166, 126, 357, 533}, {361, 126, 782, 533}},
        {{800, 600}, {132, 57, 315, 456}, {128, 53, 319, 460}, {323, 53, 744, 460}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.size.x);
        CMainUI menu;
        Start(menu, c.size);
        EXPECT_EQ(menu.m_pMainGroup->m_Rect, c.group);
        EXPECT_EQ(menu.GetPanelRect(), c.panel);
        EXPECT_EQ(menu.GetDialogArea(), c.area);
        // The items: 177 x 32, 15 apart, from 119 down in the group.
        for (int i = 0; i < CMainUI::kItems; ++i)
            EXPECT_EQ(menu.GetItem(i)->m_Rect, (plat::Rect{c.group.left + 3, c.group.top + 119 + 47 * i,
                                                           c.group.left + 180, c.group.top + 151 + 47 * i}));
        // The new-game panel covers the dialog area.
        ASSERT_NE(menu.GetNewGame(), nullptr);
        EXPECT_EQ(menu.GetNewGame()->m_Rect, c.area);
        EXPECT_EQ(menu.GetNewGame()->GetVideoRect(), c.area);
    }
    const int mainItems[] = {3941, 3942, 3944, 3943, 3945, 3946};
    const int pauseItems[] = {3950, 3942, 3947, 3943, 3948, 3946};
    CMainUI main;
    CEscUI pause;
    Start(main);
    Start(pause);
    for (int i = 0; i < CMainUI::kItems; ++i)
    {
        EXPECT_EQ(main.GetItem(i)->m_iCommand, mainItems[i]);
        EXPECT_EQ(pause.GetItem(i)->m_iCommand, pauseItems[i]);
        EXPECT_EQ(pause.GetItem(i)->m_iPicture, pauseItems[i]);
    }
    EXPECT_EQ(pause.GetNewGame(), nullptr);
    EXPECT_EQ(std::string(pause.GetGUID().name), "IGUID_CEscUI");
}

TEST_F(MainMenu, EscapeAsksToQuitInTheMainMenuOnly)
{
    CMainUI main;
    Start(main);
    Key(main, kEscape);
    ASSERT_NE(main.GetQuestion(), nullptr);
    EXPECT_EQ(main.m_pPopup, main.GetQuestion());
    EXPECT_EQ(main.GetPending(), CMainUI::kQuitQuestion);
    EXPECT_EQ(main.GetQuestion()->m_sBoxCaption, "Exit");
    EXPECT_EQ(main.GetQuestion()->m_Lines[0], "Leave the game?");
    // A second Escape goes to the box: Cancel.
    Key(main, kEscape);
    Frame(main);
    EXPECT_EQ(main.m_pPopup, nullptr);
    EXPECT_EQ(main.GetPending(), CMainUI::kNoQuestion);
    EXPECT_FALSE(main.IsDone());
    // And the next one asks again.
    Key(main, kEscape);
    EXPECT_EQ(main.GetPending(), CMainUI::kQuitQuestion);
    EXPECT_NE(main.m_pPopup, nullptr);

    CEscUI pause;
    Start(pause);
    Key(pause, kEscape);
    EXPECT_EQ(pause.m_pPopup, nullptr);
    EXPECT_EQ(pause.GetPending(), CMainUI::kNoQuestion);
}

TEST_F(MainMenu, OKEndsWithQuitOrMainMenuAndItemsEndWithTheirResults)
{
    struct SCase
    {
        bool pause;
        int command;
        bool asks;
        int result;
    };
    const SCase cases[] = {
        {false, CMainUI::kExit, true, 1001},   {true, CMainUI::kExit, true, 1001},
        {true, CMainUI::kMainMenu, true, 1006}, {false, CMainUI::kNewGame, false, 1005},
        {true, CMainUI::kContinue, false, 1000},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.command);
        CMainUI main;
        CEscUI pause;
        CMainUI& menu = c.pause ? pause : main;
        Start(menu);
        ClickItem(menu, c.command);
        if (c.asks)
        {
            ASSERT_NE(menu.m_pPopup, nullptr);
            EXPECT_FALSE(menu.IsDone());
            AnswerOK(menu);
        }
        EXPECT_TRUE(menu.IsDone());
        EXPECT_EQ(menu.GetResult(), c.result);
    }
}

TEST_F(MainMenu, OneDialogAtATimeInTheDialogArea)
{
    CMainUI menu;
    Start(menu);
    EXPECT_EQ(menu.CountDialogs(), 1);
    ASSERT_NE(menu.GetNewGame(), nullptr);

    ClickItem(menu, CMainUI::kAuthors);
    EXPECT_EQ(menu.GetNewGame(), nullptr);
    ASSERT_NE(menu.GetAuthors(), nullptr);
    EXPECT_EQ(menu.CountDialogs(), 1);
    EXPECT_EQ(menu.GetAuthors()->m_Frame, menu.GetDialogArea());
    EXPECT_EQ(menu.GetSelected(), menu.FindItem(CMainUI::kAuthors));
    EXPECT_TRUE(menu.FindItem(CMainUI::kAuthors)->IsOn());

    // Without a save/load screen the item opens nothing and says so.
    ClickItem(menu, CMainUI::kLoad);
    EXPECT_NE(menu.GetAuthors(), nullptr);
    EXPECT_EQ(menu.GetSelected(), menu.FindItem(CMainUI::kAuthors));
    EXPECT_NE(ReadText("debug.log").find("IGUID_CSaveLoadGC"), std::string::npos);

    std::uint32_t index = 0;
    RegisterClassFactory(&index, [] () -> IBaseInterface* { return new CFakeSaveLoad(); }, "IGUID_CSaveLoadGC");
    ClickItem(menu, CMainUI::kLoad);
    EXPECT_EQ(menu.GetAuthors(), nullptr);
    auto* panel = dynamic_cast<CFakeSaveLoad*>(menu.GetSaveLoad());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(menu.CountDialogs(), 1);
    EXPECT_FALSE(panel->m_bSave);
    EXPECT_EQ(panel->m_Given, (plat::Rect{191, 126, 612, 533}));
    EXPECT_EQ(panel->m_Frame, menu.GetDialogArea());
    EXPECT_FALSE(menu.FindItem(CMainUI::kAuthors)->IsOn());
    EXPECT_TRUE(menu.FindItem(CMainUI::kLoad)->IsOn());

    // An answer to the panel's own question (no menu question open) is the
    // panel's.
    menu.OnCommand(uicode::kPopupResult, 1);
    EXPECT_EQ(panel->m_nAnswers, 1);
    EXPECT_FALSE(menu.IsDone());

    // The result parameters the panel hands over before it ends the menu.
    SMenuParameters chosen{};
    std::strcpy(chosen.caption, "Before the storm");
    std::strcpy(chosen.file, "3.sav");
    menu.SetParameters(chosen);
    std::string caption, file;
    ASSERT_TRUE(menu.GetChosenSave(caption, file));
    EXPECT_EQ(caption, "Before the storm");
    EXPECT_EQ(file, "3.sav");
}

TEST_F(MainMenu, SaveIsEnabledByOutsideSave)
{
    std::uint32_t index = 0;
    RegisterClassFactory(&index, [] () -> IBaseInterface* { return new CFakeSaveLoad(); }, "IGUID_CSaveLoadGC");
    for (const std::uint8_t outside : {0, 1})
    {
        SCOPED_TRACE(int(outside));
        g_MMEngine.m_bOutsideSave = outside;
        CEscUI pause;
        Start(pause);
        EXPECT_EQ(pause.FindItem(CMainUI::kSave)->m_bEnabled, outside);
        pause.Rebuild();
        EXPECT_EQ(pause.FindItem(CMainUI::kSave)->m_bEnabled, outside);
        ClickItem(pause, CMainUI::kSave);
        auto* panel = dynamic_cast<CFakeSaveLoad*>(pause.GetSaveLoad());
        EXPECT_EQ(panel != nullptr, outside == 1);
        if (panel)
        {
            EXPECT_TRUE(panel->m_bSave);
        }
    }
}

TEST_F(MainMenu, ARebuildMakesANewGroupAndKeepsTheOpenDialog)
{
    CMainUI menu;
    Start(menu);
    ClickItem(menu, CMainUI::kAuthors);
    const CGroupControl* before = menu.m_pMainGroup;
    m_Graphic.m_Size = {800, 600};
    menu.Rebuild();
    EXPECT_NE(menu.m_pMainGroup, before);
    EXPECT_EQ(menu.m_pMainGroup->m_Rect, (plat::Rect{132, 57, 315, 456}));
    ASSERT_NE(menu.GetAuthors(), nullptr);
    EXPECT_EQ(menu.GetAuthors()->m_pParent, menu.m_pMainGroup);
    EXPECT_TRUE(menu.FindItem(CMainUI::kAuthors)->IsOn());
    EXPECT_EQ(menu.GetNewGame(), nullptr);
}

TEST_F(MainMenu, AnItemsLookPicksItsPicture)
{
    struct SCase
    {
        int id;
        bool on, hovered;
        int left, top;
    };
    const SCase cases[] = {
        {3941, false, false, 184, 357}, {3941, false, true, 540, 357}, {3941, true, true, 362, 357},
        {3943, false, false, 184, 456}, {3944, true, false, 362, 423}, {3946, false, true, 540, 522},
        {3947, false, false, 671, 152}, {3947, false, true, 671, 218}, {3947, true, false, 671, 185},
        {3948, false, true, 184, 646},  {3950, true, false, 492, 186}, {3950, false, false, 492, 153},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.id << " on " << c.on << " hovered " << c.hovered);
        CMainMenuButton item;
        item.SetPicture(c.id);
        item.SetOn(c.on);
        item.m_bHovered = c.hovered;
        int left = -1, top = -1;
        ASSERT_TRUE(item.PictureSource(&left, &top));
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(top, c.top);
    }
    // Held down counts as on; an id without a picture has none.
    CMainMenuButton held;
    held.SetPicture(3942);
    held.m_bChecked = 1;
    int left = 0, top = 0;
    ASSERT_TRUE(held.PictureSource(&left, &top));
    EXPECT_EQ(left, 362);
    held.SetPicture(3949);
    EXPECT_FALSE(held.PictureSource(&left, &top));

    // Drawn from the sheet over the item's rectangle.
    CMainUI menu;
    Start(menu);
    m_Graphic.Clear();
    menu.Render();
    const plat::Rect& r = menu.FindItem(CMainUI::kLoad)->m_Rect;
    bool drawn = false;
    for (const menutest::SSprite& s : m_Graphic.From("TEX_INT_UI1"))
        if (s.screen == r)
        {
            drawn = true;
            EXPECT_EQ(s.source, (std::array<int, 4>{184, 390, 184 + 177, 390 + 32}));
        }
    EXPECT_TRUE(drawn);
}

// The sounds the menus play, by table index.
std::vector<std::int32_t> g_Heard;
void Hear(std::int32_t id)
{
    g_Heard.push_back(id);
}

TEST_F(MainMenu, TheToggleSoundPlaysOncePerArrival)
{
    const char* const section = "\xC7\xE2\xF3\xEA\xE8";
    std::ofstream("db.ini") << "[" << section << "]\nfilename=snd.ini\n";
    std::ofstream("snd.ini") << "[SND_I_OK]\nNAME=SND_I_OK\n[SND_I_MENU_TOGGLE]\nNAME=SND_I_MENU_TOGGLE\n"
                                "[SND_I_MENU_CLICK]\nNAME=SND_I_MENU_CLICK\n";
    ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
    CSoundManager2 sounds;
    sounds.InitMngr(section);
    g_pSoundManager = &sounds;
    const std::int32_t toggle = sounds.Lookup("SND_I_MENU_TOGGLE"), click = sounds.Lookup("SND_I_MENU_CLICK");
    const std::int32_t ok = sounds.Lookup("SND_I_OK");
    menus::SetSoundListener(Hear);
    g_Heard.clear();

    CMainUI menu;
    Start(menu);
    const plat::Rect a = menu.GetItem(0)->m_Rect, b = menu.GetItem(1)->m_Rect;
    for (int i = 0; i < 5; ++i)
        Frame(menu, a.left + 5, a.top + 5);
    EXPECT_EQ(g_Heard, (std::vector<std::int32_t>{toggle}));
    for (int i = 0; i < 3; ++i)
        Frame(menu, b.left + 5, b.top + 5);
    Frame(menu, a.left + 5, a.top + 5);
    EXPECT_EQ(g_Heard, (std::vector<std::int32_t>{toggle, toggle, toggle}));
    g_Heard.clear();
    ClickItem(menu, CMainUI::kAuthors);
    EXPECT_EQ(g_Heard, (std::vector<std::int32_t>{toggle, click}));

    // A dialog button clicks with "SND_I_OK" until told otherwise, hidden or not.
    CDialogButton button;
    EXPECT_EQ(button.m_iSound, ok);
    button.Hide();
    g_Heard.clear();
    button.OnMouseLClick();
    EXPECT_EQ(button.SetSound(click), click);
    button.OnMouseLClick();
    EXPECT_EQ(g_Heard, (std::vector<std::int32_t>{ok, click}));

    menus::SetSoundListener(nullptr);
    g_pSoundManager = nullptr;
}

// ---- the new-game panel and the credits

TEST_F(MainMenu, TheNewGamePanelPlaysTheMenuVideoAndASecondInitReplacesThePlayer)
{
    RegisterClassFactory(&g_iIBinkPlayer, [] () -> IBaseInterface* { return new CFakePlayer(); },
                         "IGUID_IBinkPlayer");
    CFakePlayer::s_nDone = 0;
    {
        CMainUI menu;
        Start(menu);
        CNewGameGC& panel = *menu.GetNewGame();
        auto* player = dynamic_cast<CFakePlayer*>(panel.GetPlayer());
        ASSERT_NE(player, nullptr);
        EXPECT_EQ(player->m_sFile, "Data\\Video\\menu.bik");
        EXPECT_EQ(player->m_Rect, (plat::Rect{361, 126, 782, 533}));
        menu.Render();
        EXPECT_EQ(player->m_nFrames, 1);
        EXPECT_TRUE(m_Graphic.Filled(CMainUI::kBackground));

        panel.Init(plat::Rect{191, -4, 612, 403}, &menu);
        EXPECT_EQ(CFakePlayer::s_nDone, 1);
        EXPECT_EQ(CFakePlayer::s_nLive, 1);
        EXPECT_NE(panel.GetPlayer(), nullptr);
    }
    EXPECT_EQ(CFakePlayer::s_nLive, 0);
    EXPECT_EQ(CFakePlayer::s_nDone, 2);
}

std::uint32_t g_Ticks = 0;
std::uint32_t Ticks()
{
    return g_Ticks;
}

class Credits : public CMenuTest
{
protected:
    void Open(CAuthorsDialog& dialog)
    {
        m_Screen.Init(&m_Graphic, &m_Input);
        dialog.SetTicks(Ticks);
        dialog.Init(plat::Rect{361, 126, 782, 533}, &m_Screen);
    }
    static int Top(const CAuthorsDialog& dialog) { return dialog.GetDocument()->m_Elements[0].Top; }
    void At(CAuthorsDialog& dialog, std::uint32_t ticks)
    {
        g_Ticks = ticks;
        dialog.ProcessMessages();
    }

    IUI m_Screen;
};

// The document's words, in order.
std::string Words(const CAuthorsDialog& dialog)
{
    std::string out;
    const CHTMLObject* doc = dialog.GetDocument();
    for (int i = 0; i < doc->m_iStrNum; ++i)
    {
        const SHTMLElement& e = doc->m_Elements[std::size_t(i)];
        if (e.Type != SHTMLElement::kText || e.Text.empty() || e.Text == " ") continue;
        if (!out.empty()) out += ' ';
        out += e.Text;
    }
    return out;
}

TEST_F(Credits, MissingKeysAreSkippedAndTheBlanksFollow)
{
    Text("INT_AUTORS", "Sample team");
    Text("INT_AUTORS2", "Sample music");
    Text("INT_AUTORS5", "never");
    CAuthorsDialog dialog;
    Open(dialog);
    EXPECT_EQ(Words(dialog), "Sample team Sample music");
    // With none of the keys: the blanks alone, and it still cycles.
    m_Texts.m_Entries.clear();
    g_Ticks = 100;
    dialog.Init(plat::Rect{361, 126, 782, 533}, &m_Screen);
    EXPECT_EQ(Words(dialog), "");
    EXPECT_GT(dialog.GetDocument()->m_iStrNum, 0);
    At(dialog, 5100);
    EXPECT_TRUE(dialog.IsScrolling());
}

TEST_F(Credits, WaitsFiveSecondsThenStepsEveryThirtyMillisecondsAcrossTheTickWrap)
{
    for (int i = 0; i < 40; ++i)
        Text(i == 0 ? "INT_AUTORS" : ("INT_AUTORS" + std::to_string(i % 9)).c_str(),
             "A long line of sample credits that the panel scrolls");
    CAuthorsDialog dialog;
    const std::uint32_t start = 0xFFFFF000u; // wraps 4096 ms later
    g_Ticks = start;
    Open(dialog);
    const int top = Top(dialog);
    At(dialog, start + 4999);
    EXPECT_FALSE(dialog.IsScrolling());
    At(dialog, start + 5000);
    EXPECT_TRUE(dialog.IsScrolling());
    EXPECT_EQ(Top(dialog), top);
    At(dialog, start + 5029);
    EXPECT_EQ(Top(dialog), top);
    At(dialog, start + 5030);
    const int once = Top(dialog);
    EXPECT_LT(once, top);
    // A long frame is still one step.
    At(dialog, start + 9000);
    EXPECT_EQ(top - Top(dialog), 2 * (top - once));
    // To the end, back to the top, and waiting again.
    std::uint32_t now = start + 9000;
    for (int i = 0; i < 100000 && dialog.IsScrolling(); ++i)
        At(dialog, now += 30);
    EXPECT_FALSE(dialog.IsScrolling());
    EXPECT_EQ(Top(dialog), top);
    At(dialog, now + 4999);
    EXPECT_FALSE(dialog.IsScrolling());
}
} // namespace
