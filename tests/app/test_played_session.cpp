// A played session: the real application, started as the program starts it
// (RunApplication) over the sample tree, is played only through the
// platform's input seam, as a player plays it: keys and mouse events in the
// player's order, one read of the application's input at a time, on a fixed
// seed and a fixed frame time. The player starts a new game from the main
// menu, flies to the hall's door (it slides open as the glider waits before
// it) and in through it; in the hall's menu buys food on the trade console,
// fits a laser in place of the blaster on the garage console, takes the
// hall's quest on the quest console and buys tickets to the north and back
// at the information desk, each by clicks on the controls and links where
// the consoles show them; leaves by the exit tab, saves from the pause
// menu, quits to the main menu, loads the save (the loaded game is the
// saved one, record for record), flies to the tunnel building and in
// through its door, travels to the north (the journey ends in the north's
// tunnel building) and home again, leaves the tunnel building and quits
// from the pause menu: the program ends with code 0 and nothing in
// error.log. Every step is checked by what it did to the game (money,
// cargo, the gun, the quest log, the tickets, the location).
//
// A step that fails says which it was and writes the screen it left as a
// PNG next to the test program (the path is in the failure).
//
// It is the longest test of the application (about a minute and a half
// under the sanitizers, on the player's smallest screen): most of it is the
// flights, a frame of the whole game each (about 900 frames, half of them
// the flight from the hall to the tunnel), and the four location loads (the
// new game, the load and the two journeys).
#include "SampleAppTest.h"

#include "app/GameData.h"
#include "app/GameStateDump.h"
#include "app/SavedGames.h"
#include "consoles/GCGarage.h"
#include "consoles/GCInfo.h"
#include "consoles/GCQuest.h"
#include "consoles/GCTrade.h"
#include "consoles/GCTunnel.h"
#include "consoles/SaveLoadGC.h"
#include "foundation/ClassFactory.h"
#include "foundation/InputDevice.h"
#include "graphics/PngWriter.h"
#include "menus/DialogButton.h"
#include "menus/MainMenuButton.h"
#include "menus/ControlList.h"
#include "menus/CountSelector.h"
#include "menus/MainUI.h"
#include "menus/MenuButton.h"
#include "menus/UIMenu.h"
#include "platform/Window.h"
#include "platform/dinput/ScriptedInputSource.h"
#include "script/game/QuestLog.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "foundation/MemStream.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace
{

// Where the glider waits for a building's door to open: this far before
// the middle of the entry zone (the door slides open for a glider that
// comes within ten units of it, and is five units further on).
constexpr float kDoorWait = 30.0f;
constexpr std::uint8_t kEscape = 0x01, kEnter = 0x1C, kForward = 0x11, kBrake = 0x2D, kLeft = 0xCB, kRight = 0xCD,
                       kHome = 0xC7, kNought = 0x0B;

// The desktop's side of the seam: the test's keyboard and mouse, and the one
// who acts on them before each read of the application's input.
plat::ScriptedInputSource g_Desk;
std::function<void()> g_Player;

// The application's own input device over the test's desk; the player acts
// before each of its reads (a frame of the game, a pass of a menu).
class CPlayedInput : public CInput
{
public:
    CPlayedInput() { SetInputSource(&g_Desk); }
    int Update() override
    {
        if (g_Player) g_Player();
        return CInput::Update();
    }
};

IBaseInterface* CreatePlayedInput()
{
    return new CPlayedInput;
}

// The program's classes, its input device the played one.
void RegisterPlayedClasses()
{
    RegisterGameClasses();
    RegisterClassFactory(&g_iIInput, &CreatePlayedInput, "IGUID_IInput");
}

CMMApp& App()
{
    return *dynamic_cast<CMMApp*>(g_pApplication);
}

// Every machine's record by its id but the player's, whose glider is made
// only after the load.
std::map<std::string, std::vector<std::uint8_t>> MachineRecords()
{
    std::map<std::string, std::vector<std::uint8_t>> records;
    for (CMech* mech : g_pWorld->m_Mechs)
    {
        if (mech == g_pWorld->GetPlayerMech()) continue;
        CMemStream stream;
        stream.Allocate(4096);
        mech->SaveToStream(stream);
        records[mech->m_szId].assign(stream.m_pData, stream.m_pData + stream.m_nPosition);
    }
    return records;
}

// The saves the menus ask for are the application's own; the game as it
// was saved and as the load put it in place are kept for the comparison.
class CWatchedSaves : public ISavedGames
{
public:
    bool SaveGame(const char* file, const char* caption, const char* extra) override
    {
        g_pSavedGames = nullptr;
        const bool saved = App().SaveGame(file, caption, extra);
        if (saved)
        {
            if (g_pPlayerGlider) m_SavedAt = g_pPlayerGlider->GetPosition();
            m_Saved = DumpGameState();
            m_SavedMachines = MachineRecords();
        }
        g_pSavedGames = this;
        return saved;
    }
    bool LoadGame(const char* file, bool headerOnly) override
    {
        g_pSavedGames = nullptr;
        const bool loaded = App().LoadGame(file, headerOnly);
        if (loaded && !headerOnly)
        {
            m_Loaded = DumpGameState();
            m_LoadedMachines = MachineRecords();
        }
        g_pSavedGames = this;
        return loaded;
    }
    std::vector<std::string> m_Saved, m_Loaded;
    CVector m_SavedAt;
    std::map<std::string, std::vector<std::uint8_t>> m_SavedMachines, m_LoadedMachines;
};

// A step of the session: what the player does at pass n of the step (its
// first read is 0); true once the step is over.
struct SStep
{
    const char* name;
    int maxPasses;
    std::function<bool(int)> act;
};

class PlayedSession : public apptest::CSteppedAppTest
{
protected:
    void SetUp() override
    {
        apptest::CSteppedAppTest::SetUp();
        AllowSavingOutside();
        // The player's smallest screen: the frames of the flights draw the
        // faster (the menus keep their 800 x 600 layout).
        std::string cfg = Tree().ReadText("Data/CONFIG/cfg.ini");
        for (const char* setting : {"ScreenWidth=1024", "ScreenHeight=768"})
        {
            const std::size_t at = cfg.find(setting);
            ASSERT_NE(at, std::string::npos) << setting;
            cfg.replace(at, std::strlen(setting), setting[6] == 'W' ? "ScreenWidth=800" : "ScreenHeight=600");
        }
        Tree().WriteText("Data/CONFIG/cfg.ini", cfg);
    }
    void TearDown() override
    {
        g_Player = nullptr;
        g_pSavedGames = nullptr;
        g_Desk.Attach(nullptr);
        apptest::CSteppedAppTest::TearDown();
    }

    // ---- what the player sees ----
    static IUI* Screen()
    {
        auto* dialog = dynamic_cast<CUIDialog*>(App().m_pDialog);
        return dialog ? dialog->m_pScreen : nullptr;
    }
    template <typename T> static T* ScreenAs() { return dynamic_cast<T*>(Screen()); }
    static bool InFlight() { return !App().m_pDialog && gametest::g_GameDriver.GetPlayerGlider(); }
    static CGliderObject* Glider() { return g_pPlayerGlider; }
    // ---- what the player does ----
    // A click: the pointer onto the point, the left button down the pass
    // after and up the pass after that; true once it is up.
    static bool ClickAt(plat::Point p, int pass)
    {
        if (pass == 0) plat::SetCursorPos(p.x, p.y);
        if (pass == 1) g_Desk.MouseButton(0, true);
        if (pass == 2) g_Desk.MouseButton(0, false);
        return pass >= 3;
    }
    static bool Click(const plat::Rect& r, int pass)
    {
        return ClickAt(plat::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, pass);
    }
    static bool Press(std::uint8_t key, int pass)
    {
        if (pass == 0) g_Desk.Key(key, true);
        if (pass == 1) g_Desk.Key(key, false);
        return pass >= 1;
    }
    // The keys of a flight towards the point: a turn key while the point
    // is off the nose, forward held while it is nearly ahead (thrust, when
    // false, leaves the glider to coast); true once the glider is within
    // reach of it.
    bool FlyTowards(const CVector& to, float reach, bool thrust = true)
    {
        CGliderObject* glider = Glider();
        if (!glider) return false;
        const CVector at = glider->GetPosition();
        const CVector nose = glider->ForwardAxis();
        const float dx = to.x - at.x, dy = to.y - at.y;
        const float distance = std::sqrt(dx * dx + dy * dy);
        m_fOff = std::atan2(nose.x * dy - nose.y * dx, nose.x * dx + nose.y * dy);
        const bool far = distance > reach;
        // Seen from above with y north and x east, the Left key turns the
        // nose clockwise.
        Hold(kRight, far && m_fOff > 0.04f);
        Hold(kLeft, far && m_fOff < -0.04f);
        Hold(kForward, far && thrust && std::fabs(m_fOff) < 0.6f);
        return !far;
    }
    void Hold(std::uint8_t key, bool down)
    {
        if (m_Held[key] == down) return;
        m_Held[key] = down;
        g_Desk.Key(key, down);
    }
    void LetGo()
    {
        for (int key = 0; key < 256; ++key)
            Hold(std::uint8_t(key), false);
    }
    // To a building's door, which faces south: round the building first
    // when the glider is beside or behind it, then to a point before the
    // door, the glider braked and turned to face the door, then at a walk
    // up to the door, where it waits; over once the door stands open.
    std::function<bool(int)> ToTheDoor(const char* id)
    {
        return [this, id, phase = 0](int) mutable
        {
            // Come in at once (the door open already, the glider too fast
            // to stop before it): the next step finds the menu there.
            if (ScreenAs<CUIMenu>())
            {
                LetGo();
                return true;
            }
            auto* building = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(id, OBJ_BUILDING));
            if (!building || !Glider() || Screen()) return false;
            // The middle of the doorway's entry zone.
            const CVector door = building->GetEntrancePoint(0);
            const CVector before{door.x, door.y - 70.0f, door.z};
            const CVector at = Glider()->GetPosition();
            const float speed = Glider()->m_vVelocity.Length();
            if (phase == 0)
            {
                // Beside or behind the building: out to the side of it first.
                const CVector side{door.x + (at.x < door.x ? -100.0f : 100.0f), before.y, door.z};
                if (at.y < before.y + 40.0f || std::fabs(at.x - door.x) > 100.0f ||
                    FlyTowards(side, 20.0f))
                    phase = 1;
            }
            if (phase == 1)
            {
                // Slower as the point comes near.
                const float left = std::hypot(before.x - at.x, before.y - at.y);
                if (FlyTowards(before, 6.0f, left > 60.0f || speed < 15.0f)) phase = 2;
            }
            // On the door's line: a point on it a little ahead.
            const CVector ahead{door.x, at.y + 25.0f, door.z};
            if (phase == 2)
            {
                FlyTowards(ahead, 0.0f, false);
                Hold(kBrake, true);
                if (speed < 3.0f && std::fabs(m_fOff) < 0.04f)
                {
                    Hold(kBrake, false);
                    phase = 3;
                }
            }
            // Forward only while slow, slower at the end; braked at the door.
            const float toDoor = door.y - kDoorWait - at.y;
            if (phase == 3) FlyTowards(ahead, 0.0f, speed < (toDoor > 15.0f ? 16.0f : 5.0f) && toDoor > 0.0f);
            if (phase == 3 && toDoor <= 0.0f)
            {
                LetGo();
                Hold(kBrake, true);
                if (building->m_nDoorState == CBuildingObject::kOpen && speed < 1.0f)
                {
                    LetGo();
                    return true;
                }
            }
            return false;
        };
    }
    // From before the open door at a walk through the doorway, kept on the
    // door's line, until the building's menu runs.
    std::function<bool(int)> InThroughTheDoor(const char* id)
    {
        return [this, id](int)
        {
            if (ScreenAs<CUIMenu>())
            {
                LetGo();
                return true;
            }
            auto* building = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(id, OBJ_BUILDING));
            if (!building || !Glider() || Screen()) return false;
            const CVector door = building->GetEntrancePoint(0);
            const CVector at = Glider()->GetPosition();
            Hold(kBrake, false);
            FlyTowards(CVector{door.x, at.y + 25.0f, door.z}, 0.0f, Glider()->m_vVelocity.Length() < 8.0f);
            return false;
        };
    }

    // ---- the building's menu, as the player sees it ----
    // A place to click on the screen, null while the screen does not show
    // it, or a key to press instead; what names it in a failure.
    struct STarget
    {
        const char* what;
        std::function<std::optional<plat::Rect>(CUIMenu&)> where;
        std::uint8_t key = 0;
    };
    static STarget Key(const char* what, std::uint8_t key) { return {what, {}, key}; }
    static STarget Tab(CUIMenu::ETab tab)
    {
        return {"a tab", [tab](CUIMenu& menu) -> std::optional<plat::Rect>
                {
                    CMenuButton* button = menu.GetTab(tab);
                    if (!button || !button->m_bVisible) return std::nullopt;
                    return button->m_Rect;
                }};
    }
    template <typename Console> static Console* ConsoleOf(CUIMenu& menu, CUIMenu::ETab tab)
    {
        return dynamic_cast<Console*>(menu.GetConsole(tab));
    }
    // A click on the first link holding part in one of the information
    // desk's windows (window: the desk's member that holds it).
    static auto InfoLink(auto window, std::string part)
    {
        return [window, part](CUIMenu& menu)
        {
            auto* info = ConsoleOf<CGCInfo>(menu, CUIMenu::kTabInfo);
            return LinkIn(info ? (info->*window).get() : nullptr, part);
        };
    }
    // The first link shown in the window whose target holds part.
    static std::optional<plat::Rect> LinkIn(const CHTMLWnd* window, const std::string& part)
    {
        const CHTMLObject* document = window ? window->GetDocument() : nullptr;
        if (!document) return std::nullopt;
        for (int i = 0; i < document->m_iStrNum; ++i)
        {
            const SHTMLElement& e = document->m_Elements[std::size_t(i)];
            if (e.Visible && e.Type == SHTMLElement::kLink && e.Right > e.Left &&
                e.Kind.find(part) != std::string::npos && e.Top >= document->m_Rect[1] &&
                e.Bottom <= document->m_Rect[3])
                return plat::Rect{e.Left, e.Top, e.Right, e.Bottom};
        }
        return std::nullopt;
    }
    // Clicks in the building's menu, one every four passes, each where the
    // screen shows its target at that pass; then done, until it says the
    // step is over.
    std::function<bool(int)> InTheMenu(std::vector<STarget> clicks, std::function<bool(CUIMenu&)> done)
    {
        return [clicks = std::move(clicks), done = std::move(done), at = std::optional<plat::Rect>()](int pass) mutable
        {
            auto* menu = ScreenAs<CUIMenu>();
            if (!menu)
            {
                ADD_FAILURE() << "the building's menu is not on the screen";
                return false;
            }
            const std::size_t click = std::size_t(pass / 4);
            if (click >= clicks.size()) return done(*menu);
            if (clicks[click].key)
            {
                Press(clicks[click].key, pass % 4);
                return false;
            }
            if (pass % 4 == 0) at = clicks[click].where(*menu);
            if (!at)
            {
                ADD_FAILURE() << "click " << click + 1 << ": " << clicks[click].what << " is not on the screen";
                return false;
            }
            Click(*at, pass % 4);
            return false;
        };
    }
    static CMechanoid& Player() { return *Glider()->m_pMechanoid; }
    static float Money() { return Player().m_Garbage.m_fMoney; }
    static std::int32_t Cargo(const char* goods)
    {
        std::int32_t n = 0;
        for (const SItemRec& e : Player().m_Garbage.m_Items)
            if (std::strcmp(e.m_szName, goods) == 0) n += e.m_nCount;
        return n;
    }
    static std::uint32_t Tickets(const char* location)
    {
        const SLocInfo* info = g_GameData.FindLocInfo(location);
        return info ? info->tickets : 0;
    }
    static std::string Location() { return g_pWorld ? g_pWorld->m_szLocationName : ""; }
    static std::string Gun(int mount)
    {
        const CGliderObject* glider = Glider();
        if (!glider || !glider->m_Guns[mount].m_bMounted) return "";
        const char* name = g_GunManager.GetName(glider->m_Guns[mount].m_Key.Index());
        return name ? name : "";
    }
    // In the tunnel building from, through its tunnel console to the
    // location: its line in the list, then the journey's link; over once
    // the journey has come out there, in the menu of the tunnel building
    // arrival (a journey ends in the destination's tunnel building).
    std::function<bool(int)> Journey(const char* from, const char* to, const char* arrival)
    {
        return [from, to, arrival,
                send = InTheMenu({Tab(CUIMenu::kTabTunnel),
                                  {"the destination's line",
                                   [to](CUIMenu& menu)
                                   {
                                       std::string link = "Loc";
                                       for (std::uint32_t i = 0; i < g_GameData.m_LocInfo.count; ++i)
                                           if (std::strcmp(g_GameData.m_LocInfo.data[i].location, to) == 0)
                                               link += std::to_string(i);
                                       auto* tunnel = ConsoleOf<CGCTunnel>(menu, CUIMenu::kTabTunnel);
                                       return LinkIn(tunnel ? tunnel->GetList() : nullptr, link);
                                   }},
                                  {"the journey's link",
                                   [](CUIMenu& menu)
                                   {
                                       auto* tunnel = ConsoleOf<CGCTunnel>(menu, CUIMenu::kTabTunnel);
                                       return LinkIn(tunnel ? tunnel->GetText() : nullptr, "sendto");
                                   }}},
                                 [](CUIMenu&) { return false; }),
                left = false](int pass) mutable
        {
            auto* menu = ScreenAs<CUIMenu>();
            if (menu && !left && std::strcmp(menu->GetBuildingName(), from) == 0)
            {
                send(pass);
                return false;
            }
            left = true;
            return menu && std::strcmp(menu->GetBuildingName(), arrival) == 0 && Location() == to;
        };
    }
    // Out of the building's menu by its exit tab: over once the glider flies.
    std::function<bool(int)> OutByTheExitTab()
    {
        return [leave = InTheMenu({Tab(CUIMenu::kTabExit)}, [](CUIMenu&) { return false; })](int pass) mutable
        {
            if (ScreenAs<CUIMenu>()) return leave(pass);
            return InFlight();
        };
    }
    // The item of the main menu (pause false) or the pause menu, a
    // question it asks answered with Enter; panel, when given, goes on once
    // the item's panel is open. Over once that menu has gone.
    std::function<bool(int)> MenuItem(bool pause, int command, std::function<void(CSaveLoadGC&, int)> panel = {})
    {
        return [pause, command, panel, clicked = -1, from = -1](int pass) mutable
        {
            auto* menu = ScreenAs<CMainUI>();
            if (!menu || menu->IsPause() != pause) return clicked >= 0;
            if (menu->m_pPopup)
            {
                Press(kEnter, pass % 2);
                return false;
            }
            auto* open = dynamic_cast<CSaveLoadGC*>(menu->GetSaveLoad());
            if (open && open->m_bVisible && panel)
            {
                if (from < 0) from = pass;
                panel(*open, pass - from);
                return false;
            }
            if (clicked < 0) clicked = pass;
            Click(menu->FindItem(command)->m_Rect, pass - clicked);
            return false;
        };
    }
    // Escape in flight: over once the pause menu runs.
    static bool OpenPauseMenu(int pass)
    {
        Press(kEscape, pass % 4);
        auto* menu = ScreenAs<CMainUI>();
        return menu && menu->IsPause();
    }

    // The session's steps, one at a time; a step that fails (an assertion
    // in it, or more passes than it may take) ends the program as a window
    // close does, after the screen was written out.
    void Play(std::vector<SStep> steps)
    {
        m_Steps = std::move(steps);
        g_Player = [this]
        {
            Tick();
            // A step that ends hands the same read to the next one.
            while (m_nStep < m_Steps.size())
            {
                const SStep& step = m_Steps[m_nStep];
                bool over = false;
                {
                    SCOPED_TRACE(std::string("step \"") + step.name + "\"");
                    over = step.act(m_nPass);
                }
                const bool failed = ::testing::Test::HasFailure();
                if (failed || (!over && m_nPass >= step.maxPasses)) return Abandon(step, failed);
                if (!over)
                {
                    ++m_nPass;
                    return;
                }
                ++m_nStep;
                m_nPass = 0;
            }
        };
    }
    void Abandon(const SStep& step, bool failed)
    {
        const std::filesystem::path png =
            gfxtest::PictureDirectory() / (std::string("played_session_failed.png"));
        const std::vector<std::uint32_t> pixels = gfxtest::ReadFrontBuffer();
        if (!pixels.empty())
            gfxtest::WritePng(png.c_str(), pixels, std::uint32_t(graph.m_nScreenWidth),
                              std::uint32_t(graph.m_nScreenHeight));
        ADD_FAILURE() << "the played session stopped at step \"" << step.name << "\" (pass " << m_nPass
                      << (failed ? ", an expectation failed" : ", the step did not end") << "); the screen: "
                      << png.string();
        m_nStep = m_Steps.size();
        g_Player = nullptr;
        LetGo();
        if (auto* dialog = dynamic_cast<CUIDialog*>(App().m_pDialog))
        {
            dialog->m_nResult = -1;
            dialog->m_bDone = 1;
        }
        App().OnQuitMessage();
    }

    std::vector<SStep> m_Steps;
    std::size_t m_nStep = 0;
    int m_nPass = 0;
    bool m_Held[256] = {};
    float m_fOff = 0.0f;
    CWatchedSaves m_Saves;
};

// The dump's lines of the world's own records but the machines' (world
// true), or the lines outside the world's records.
std::vector<std::string> WorldPart(std::vector<std::string> dump, bool world)
{
    std::erase_if(dump,
                  [world](const std::string& line)
                  {
                      if (line.rfind("world MECH", 0) == 0) return true;
                      return (line.rfind("world ", 0) == 0) != world;
                  });
    return dump;
}

// The dump's lines that start with prefix (or, keep false, the others).
std::vector<std::string> Lines(std::vector<std::string> dump, const char* prefix, bool keep = true)
{
    std::erase_if(dump, [&](const std::string& line) { return (line.rfind(prefix, 0) == 0) != keep; });
    return dump;
}

TEST_F(PlayedSession, IntoTheHallTradeRefitQuestTicketsASaveALoadTheTunnelAndBack)
{
    g_pSavedGames = &m_Saves;
    // What the hall's consoles were before each deal.
    float money = 0.0f;
    std::int32_t food = 0;

    Play({
        {"new game from the main menu", 60, MenuItem(false, CMainUI::kNewGame)},
        {"fly to the hall's door", 400, ToTheDoor("SAMPLE_HALL")},
        {"into the hall through its door", 200, InThroughTheDoor("SAMPLE_HALL")},
        {"buy food on the trade console", 30,
         InTheMenu({{"the trade tab",
                     [&](CUIMenu& menu)
                     {
                         money = Money();
                         food = Cargo("TOV_FOOD");
                         return Tab(CUIMenu::kTabTrade).where(menu);
                     }},
                    // Ten of them: the count field's least, then a nought.
                    Key("Home on the count", kHome),
                    Key("0 on the count", kNought),
                    {"the buy button",
                     [](CUIMenu& menu) -> std::optional<plat::Rect>
                     {
                         auto* trade = ConsoleOf<CGCTrade>(menu, CUIMenu::kTabTrade);
                         if (!trade || !trade->IsBuyOpen()) return std::nullopt;
                         return trade->GetBuyButton()->m_Rect;
                     }}},
                   [&](CUIMenu&)
                   {
                       EXPECT_EQ(Cargo("TOV_FOOD"), food + 10) << "not the ten units of food in the hold";
                       EXPECT_LT(Money(), money) << "the food was not paid for";
                       return true;
                   })},
        {"fit a laser in place of the blaster on the garage console", 40,
         InTheMenu({{"the garage tab",
                     [&](CUIMenu& menu)
                     {
                         money = Money();
                         EXPECT_EQ(Gun(0), "GUN_BLASTER");
                         return Tab(CUIMenu::kTabGarage).where(menu);
                     }},
                    {"the weapons filter",
                     [](CUIMenu& menu) -> std::optional<plat::Rect>
                     {
                         auto* garage = ConsoleOf<CGCGarage>(menu, CUIMenu::kTabGarage);
                         if (!garage) return std::nullopt;
                         return garage->m_apFilters[2]->m_Rect;
                     }},
                    {"the laser in the stock",
                     [](CUIMenu& menu) -> std::optional<plat::Rect>
                     {
                         auto* garage = ConsoleOf<CGCGarage>(menu, CUIMenu::kTabGarage);
                         CControlList* list = garage ? garage->m_pGoodsList : nullptr;
                         for (int i = 0; list && i < list->GetItemCount(); ++i)
                             if (list->GetItem(i)->m_bVisible &&
                                 std::strcmp(list->GetItem(i)->m_szName, "GUN_LASER") == 0)
                                 return list->GetItem(i)->m_Rect;
                         return std::nullopt;
                     }},
                    {"the garage's buy button",
                     [](CUIMenu& menu) -> std::optional<plat::Rect>
                     {
                         auto* garage = ConsoleOf<CGCGarage>(menu, CUIMenu::kTabGarage);
                         if (!garage || !garage->m_pBuyButton->m_bEnabled) return std::nullopt;
                         return garage->m_pBuyButton->m_Rect;
                     }}},
                   [&](CUIMenu&)
                   {
                       EXPECT_EQ(Gun(0), "GUN_LASER");
                       EXPECT_LT(Money(), money) << "the laser was not paid for";
                       return true;
                   })},
        {"take the hall's quest on the quest console", 30,
         InTheMenu({Tab(CUIMenu::kTabQuest),
                    {"the quest's offer",
                     [](CUIMenu& menu)
                     {
                         auto* quest = ConsoleOf<CGCQuest>(menu, CUIMenu::kTabQuest);
                         return LinkIn(quest ? quest->GetQuestList() : nullptr, "OnQuest(Q_SAMPLE_HALL_OFFER)");
                     }}},
                   [](CUIMenu& menu)
                   {
                       auto* quest = ConsoleOf<CGCQuest>(menu, CUIMenu::kTabQuest);
                       const CHTMLObject* page = quest && quest->GetPage() ? quest->GetPage()->GetDocument() : nullptr;
                       EXPECT_TRUE(page && page->FindBlock("Q_SAMPLE_HALL_BRIEF") >= 0) << "no briefing";
                       const SQuestRecord* taken = g_pQuestLog ? g_pQuestLog->FindQuest("Q_SAMPLE_HALL") : nullptr;
                       EXPECT_TRUE(taken && taken->IsOpen()) << "the quest is not in the quest log";
                       return true;
                   })},
        {"buy tickets to the north and back at the information desk", 40,
         InTheMenu({{"the information tab",
                     [&](CUIMenu& menu)
                     {
                         money = Money();
                         return Tab(CUIMenu::kTabInfo).where(menu);
                     }},
                    {"the tickets' item", InfoLink(&CGCInfo::m_pMenu, "tickets")},
                    {"the north's offer", InfoLink(&CGCInfo::m_pList, "ticket(north)")},
                    {"buy a ticket", InfoLink(&CGCInfo::m_pPage, "buy")},
                    {"the way home's offer", InfoLink(&CGCInfo::m_pList, "ticket(sample)")},
                    {"buy a ticket home", InfoLink(&CGCInfo::m_pPage, "buy")}},
                   [&](CUIMenu&)
                   {
                       EXPECT_EQ(Tickets("north"), 1u);
                       EXPECT_EQ(Tickets("sample"), 1u);
                       EXPECT_NEAR(Money(), money - 2.0f * CGCInfo::kTicketPrice, 1.0f);
                       return true;
                   })},
        {"out of the hall by the exit tab", 20, OutByTheExitTab()},
        {"open the pause menu", 10, OpenPauseMenu},
        {"save from the pause menu", 40,
         MenuItem(true, CMainUI::kSave, [&](CSaveLoadGC& panel, int pass) { Click(panel.m_pSave->m_Rect, pass); })},
        {"the save is written", 5,
         [&](int)
         {
             if (!InFlight()) return false;
             EXPECT_FALSE(m_Saves.m_Saved.empty()) << "nothing was saved: " << Tree().ErrorLog();
             return true;
         }},
        {"open the pause menu again", 10, OpenPauseMenu},
        {"quit to the main menu", 40, MenuItem(true, CMainUI::kMainMenu)},
        {"load from the main menu", 40,
         MenuItem(false, CMainUI::kLoad,
                  [&](CSaveLoadGC& panel, int pass)
                  {
                      if (pass < 4)
                          Click(panel.GetRow(0)->m_Rect, pass);
                      else
                          Click(panel.m_pLoad->m_Rect, pass - 4);
                  })},
        {"the loaded game is the saved one", 200,
         [&](int)
         {
             if (!InFlight()) return false;
             EXPECT_EQ(App().m_nGameMode, CMMApp::kModeSavedGame);
             // Loaded in the application that saved it, over the game
             // played before, the save comes back whole: the world's
             // records as the load put them in place (by the first frame
             // the caching pass of the game's start has run the world for
             // eight frame times), every machine as saved (none gone into
             // a building by a loaded group's first move), and the rest as
             // the player finds it.
             EXPECT_EQ(FirstDifference(WorldPart(m_Saves.m_Saved, true), WorldPart(m_Saves.m_Loaded, true)), "");
             for (const auto& [id, record] : m_Saves.m_SavedMachines)
                 EXPECT_EQ(m_Saves.m_LoadedMachines[id], record) << "machine " << id;
             EXPECT_EQ(m_Saves.m_LoadedMachines.size(), m_Saves.m_SavedMachines.size());
             // The environment as the load put it in place: the sun's glare
             // follows the camera's view, which the load sets anew behind
             // the glider.
             EXPECT_EQ(FirstDifference(Lines(m_Saves.m_Saved, "ENV"), Lines(m_Saves.m_Loaded, "ENV")), "");
             EXPECT_EQ(FirstDifference(Lines(WorldPart(m_Saves.m_Saved, false), "ENV", false),
                                       Lines(WorldPart(DumpGameState(), false), "ENV", false)),
                       "");
             EXPECT_LT((Glider()->GetPosition() - m_Saves.m_SavedAt).Length(), 1.0f) << "not back where it was saved";
             // What the hall's consoles did came back with it.
             EXPECT_EQ(Gun(0), "GUN_LASER");
             EXPECT_GT(Cargo("TOV_FOOD"), 0);
             EXPECT_EQ(Tickets("north"), 1u);
             // The application's own saved games from here on: the
             // journeys store the location and carry the player's
             // mechanoid through them.
             g_pSavedGames = nullptr;
             money = Money();
             return true;
         }},
        {"fly to the tunnel's door", 900, ToTheDoor("TUNNEL_EAST")},
        {"into the tunnel building through its door", 200, InThroughTheDoor("TUNNEL_EAST")},
        {"through the tunnel to the north", 200, Journey("TUNNEL_EAST", "north", "TUNNEL_NORTH")},
        {"in the north with the laser, the food and the money", 1,
         [&](int)
         {
             EXPECT_EQ(Gun(0), "GUN_LASER");
             EXPECT_EQ(Cargo("TOV_FOOD"), 10);
             EXPECT_NEAR(Money(), money, 5.0f);
             EXPECT_EQ(Tickets("north"), 0u) << "the journey took the ticket";
             EXPECT_EQ(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING), nullptr);
             return true;
         }},
        {"through the tunnel home", 200, Journey("TUNNEL_NORTH", "sample", "TUNNEL_EAST")},
        {"home with the laser, the food and the money, the tickets used", 1,
         [&](int)
         {
             EXPECT_EQ(Gun(0), "GUN_LASER");
             EXPECT_EQ(Cargo("TOV_FOOD"), 10);
             EXPECT_NEAR(Money(), money, 5.0f);
             EXPECT_EQ(Tickets("sample"), 0u);
             EXPECT_NE(g_ObjectList.FindByGameId("SAMPLE_HALL", OBJ_BUILDING), nullptr);
             return true;
         }},
        {"out of the tunnel building by the exit tab", 20, OutByTheExitTab()},
        {"open the pause menu to quit", 10, OpenPauseMenu},
        {"quit from the pause menu", 40, MenuItem(true, CMainUI::kExit)},
    });

    std::string commandLine;
    g_Random.SetState(kStartState);
    const int code = RunApplication(&RegisterPlayedClasses, commandLine.data(), "played session");
    EXPECT_EQ(code, 0);
    // The last step ends the program: no read of the input comes after it.
    EXPECT_EQ(m_nStep + 1, m_Steps.size()) << "the program ended before the session's last step";
    EXPECT_EQ(Tree().ErrorLog(), "");
}

} // namespace

namespace
{

// Two starts of the application in one process, as the played session makes
// them: a game that the first start left (its window closed in play) is not
// taken for the second start's location, whose frames before a game are
// the empty engine frames.
using ApplicationRestart = apptest::CSteppedAppTest;

TEST_F(ApplicationRestart, TheSecondStartFindsNoLocationOfTheFirst)
{
    {
        apptest::CSampleApp first;
        ASSERT_TRUE(StartGame(first, "first start"));
        Tick();
        ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, nullptr));
        first.Done();
    }
    apptest::CSampleApp second;
    std::string commandLine;
    ASSERT_TRUE(second.Init(nullptr, nullptr, commandLine.data(), plat::SW_HIDE, 0, "second start"))
        << Tree().ErrorLog();
    gametest::g_GameDriver.Attach(&second);
    EXPECT_FALSE(gametest::g_GameDriver.IsEntered());
    Tick();
    second.Render(true);
    const std::vector<std::uint32_t> pixels = gfxtest::ReadFrontBuffer();
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(pixels[pixels.size() / 2] & 0xFFFFFFu, 0x182838u) << "not the empty frame of no location";
    second.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}

} // namespace
