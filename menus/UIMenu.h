// CUIMenu: the screen that runs while the player is inside a building, in a
// tunnel building or in the glider menu. It owns up to ten consoles (CGMenu
// subclasses), one tab button per console plus an exit tab, and the
// player's money and cargo panel; it switches between the consoles, drops
// those the building does not offer, forwards commands to the console in
// front, draws the frame round the console area and ends its modal run
// with a result code.
//
// Three thin subclasses choose the tabs: CBuildingUI (a trading building:
// quest, trade, map, journal, garage, cluster, clan, information),
// CTunnelUI (tunnel, map, journal; its tunnel console writes the destination
// and ends the screen with 1008) and CGliderUI (the glider menu opened from
// flight: glider, map, journal). They are made through the class factory
// under "IGUID_CBuildingUI", "IGUID_CTunnelUI" and "IGUID_CGliderUI".
//
// Consoles are found by class id through the factory (kConsoleClassIds):
// each console registers its own class; a tab whose console class nobody
// registered is not made, so a host opened before a console exists simply
// has no such tab.
//
// How the application runs one (a CUIBaseDialog for the building and
// tunnel menus, a CUIDialog for the glider menu): SetUI with the screen's
// class index (Init runs there), DoModal with the building's 32-character
// game id as the parameter (SetParam binds the building; the glider menu
// takes a pointer to a 32-bit page number instead: 0 glider, 1 map, 2
// journal). The run ends with 1000 (the exit tab, Escape through the
// dialog), 1008 (tunnel travel: GetDestination gives the location) or a
// console's own code; IsBusy tells the dialog host when Escape and F10
// must leave the screen alone.
//
// Layout: for a screen of w x h pixels, the main rectangle is (0, 0, 800,
// 600) up to w = 800, else 800 x 630 at (round(w / 1024 x 170), round(h /
// 768 x 345 - 315)); below w = 1000 the panel hides under the console area
// and slides in while the mouse is near the bottom edge.
//
// Ownership: the screen owns its tabs, consoles (also those dropped, which
// stay hidden children of the main group) and panel; the main group is the
// screen's (IUI). Popups belong to whoever opened them. Main thread only.
#pragma once

#include "app/ScreenRequests.h"
#include "ui/UI.h"

#include <cstdint>
#include <memory>

class CGMenu;
class CMenuButton;
class CPlayerInfoPanel;

class CUIMenu : public IUI, public IVitalResultsView
{
public:
    // Tabs and consoles in field order; the exit tab has no console.
    enum ETab
    {
        kTabGlider,
        kTabTunnel,
        kTabQuest,
        kTabTrade,
        kTabMap,
        kTabLog,
        kTabGarage,
        kTabCluster,
        kTabClan,
        kTabInfo,
        kTabExit,
        kTabCount
    };
    static constexpr int kConsoleCount = kTabExit;
    static constexpr int kResultLeave = 1000;
    static constexpr int kResultTunnel = 1008;
    static constexpr int kCommandExit = 61458;
    static constexpr std::uint32_t kBackground = 0xA12E5A7B;
    // The class ids under which the consoles register.
    static const char* const kConsoleClassIds[kConsoleCount];

    CUIMenu();
    ~CUIMenu() override;

    void Init(IGraphicInterface* graphic, IInput* input) override;
    // The building's 32-character game id.
    void SetParam(void* building) override;
    void Render() override;
    void ProcessMessages() override;
    void OnCommand(int code, int param) override;
    // A popup is open or the exit tab is disabled.
    bool IsBusy() override;
    // The script results in a box inside the console in front.
    bool ShowVitalResults() override;

    virtual void RenderFrames();
    virtual void DrawGlowFrame(int left, int top, int right, int bottom);
    // 0 dims the whole area behind a popup, 1 dims round it with a soft edge.
    virtual void SetPopupHalo(int flag) { m_nPopupHalo = flag; }
    virtual void LayoutTabs();

    void SetBuilding(const char* name);
    // Brings a console to the front (nothing for null or the current one).
    void ShowMenu(CGMenu* console);
    // Done, the result untouched; the player's mechanoid recomputes its
    // fitted equipment first.
    void Close();

    CGMenu* GetConsole(ETab tab) const { return tab < kConsoleCount ? m_pConsoles[tab] : nullptr; }
    CMenuButton* GetTab(ETab tab) const { return m_pTabs[tab].get(); }
    CGMenu* GetCurrent() const { return m_pCurrent; }
    CGMenu* GetDefault() const { return m_pDefault; }
    CPlayerInfoPanel* GetPanel() const { return m_pPanel.get(); }
    // The tab's command (trade: 61462 when the screen has a glider tab).
    int TabCommand(ETab tab) const;
    const char* GetBuildingName() const { return m_szBuilding; }

    float m_fScaleX = 0.0f;
    float m_fScaleY = 0.0f;
    std::uint8_t m_bSmallScreen = 0;
    std::int32_t m_nTabSpacing = 0;
    plat::Rect m_SavedRect;
    std::int32_t m_nPopupHalo = 0;

    // What SetBuilding needs to know of a building: whether an object
    // carries the game id (the last one that does), its type code, and
    // the world's cluster number (negative: none).
    struct SBuildingFacts
    {
        bool found = false;
        std::int32_t type = 0;
        std::int32_t cluster = 0;
    };

protected:
    // The building objects and the world; tests put their own buildings here.
    virtual SBuildingFacts ReadBuilding(const char* gameId);
    // The subclasses' tabs, made before Init.
    void CreateTab(ETab tab);
    // The console goes (its field null, its tab hidden); the object stays a
    // hidden child of the main group.
    void DropConsole(ETab tab);

    std::unique_ptr<CMenuButton> m_pTabs[kTabCount];
    CGMenu* m_pConsoles[kConsoleCount] = {};
    CGMenu* m_pCurrent = nullptr;
    CGMenu* m_pDefault = nullptr;
    std::unique_ptr<CPlayerInfoPanel> m_pPanel;
    char m_szBuilding[32] = {};

private:
    // The glow's opacity: 0.75 round a popup over the dimmed screen.
    float m_fGlowFade = 1.0f;
    void RenderConsoleFrame();
    void RenderPopup();
    std::unique_ptr<CGMenu> m_OwnedConsoles[kConsoleCount];
};

class CBuildingUI : public CUIMenu
{
public:
    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(IGraphicInterface* graphic, IInput* input) override;
};

// The application asks it for the destination after 1008
// (ITunnelDestination).
class CTunnelUI : public CUIMenu, public ITunnelDestination
{
public:
    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(IGraphicInterface* graphic, IInput* input) override;
    void GetDestination(char* out32) override;
    const char* GetDestination() override { return m_szDestination; }
    // Written by the tunnel console before it ends the screen with 1008.
    void SetDestination(const char* location);

    char m_szDestination[32] = {};
};

class CGliderUI : public CUIMenu
{
public:
    static constexpr int kExitPicture = 10;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(IGraphicInterface* graphic, IInput* input) override;
    // The page to show: a pointer to a 32-bit page number.
    void SetParam(void* page) override { ShowPage(static_cast<const std::int32_t*>(page)); }
    void ProcessMessages() override;
    // 0 the glider console, 1 the map, 2 the journal (activated a second
    // time); other values do nothing.
    void ShowPage(const std::int32_t* page);

    // The keys that open the glider menu from flight close it too: the
    // primary keys of the bindings "SHOWMAP", "SHOWHOLD" and "SHOWJOURNAL",
    // in that order (0: unbound). The input configuration sets them; until
    // it exists they are unbound.
    static std::int32_t s_CloseKeys[3];
};
