// CGMenu: the base of every console shown inside a building, a tunnel or
// the glider menu (quest, trade, map, journal, garage, glider, cluster,
// clan, information, tunnel). It is a group control hosted by the in-game
// menu host (CUIMenu), which creates it by class id, calls Init with the
// console rectangle, SetBuilding once the building is known, Show and
// OnActivated when its tab is chosen, and OnCommand with every command it
// does not keep for itself.
//
// The base supplies what all consoles share:
// - the building it belongs to, and the first-activation hook
//   (OnFirstActivation), run once per console and host, the first time the
//   console comes to the front after its building is known (again only
//   through a "restart" link);
// - the frame bars between the host's corners (Render);
// - the link commands of the console's markup window (4141; forms in
//   menus/LinkText.h): "clear", "delete", "close", "restart", a text key
//   (its entry added as a block), else a script procedure of the link's
//   object (or the script manager's current one), whose results are shown
//   at once; the procedure "GetName" then opens the name box;
// - the name box and the clan-name box (CQueryMessageBox popups): OK
//   stores the typed name as the player's (and runs "ConfirmName") or as
//   the clan's name;
// - the display of script results inside the console (ViewScriptResult);
// - three information texts: the organisation page (ShowOrgInfo), the
//   mechanoid card (GetMechInfo) and the conviction of a mechanoid
//   (ConvictMech). Texts from the text database fill their numbers through
//   FormatGameText, never as printf formats.
//
// The console's markup window (m_pHTML) is made by the console class; the
// base reads its link texts and writes into it, and does nothing with it
// where there is none.
//
// Ownership: the console owns the boxes it opens; a box stays the
// console's until the screen has taken it off (4152), then the console
// destroys it. The markup window belongs to the console class. The host
// owns the console. Main thread only.
#pragma once

#include "ui/GroupControl.h"
#include "world/World.h"

#include <cstdint>
#include <memory>
#include <string>

class CHTMLWnd;
class CQueryMessageBox;
class CSimpleMessageBox;

class CGMenu : public CGroupControl
{
public:
    // Popup answers and removal (the screen to its main group).
    static constexpr int kPopupAnswered = 4151;
    static constexpr int kPopupRemoved = 4152;

    CGMenu();
    ~CGMenu() override;

    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Show() override { CGroupControl::Show(); }
    void Render() override;
    void OnActivated() override;
    // Handles 4141, 4151 and 4152; nothing else goes further (the host
    // passes every command down here, so none may go back up).
    void OnCommand(int code, int param) override;
    void Init(const plat::Rect& rect, IUI* screen) override;

    // Every console class supplies its own; empty here.
    virtual void OnFirstActivation() {}
    // The building's 32-character name.
    virtual void SetBuilding(const char* name);
    virtual void ShowOrgInfo(const char* organisation, bool flag);
    virtual void ConvictMech(const char* mechName);
    // The mechanoid card; empty for a mechanoid the world lacks.
    virtual std::string GetMechInfo(const char* mechName);
    virtual void ViewScriptResult();
    // The pending script results in the console's result box (inside the
    // console, 100 pixels in at the sides and 50 at the top and bottom),
    // made and shown as the screen's popup unless it is open already.
    void ShowResultBox();

    // The colour word of a relation on the organisation page: green above
    // 0, red below -0.5, yellow below -0.3, else white.
    static const char* RelationColour(float relation);
    // The link commands of a link text, left to right.
    void RunLink(const char* link);
    // Opens the name box (or, with clan, the clan-name box): OK, Cancel and
    // an input line, captioned with "INT_MENU_TEXT_01", as the screen's
    // popup; the popup open before it comes back after it.
    void OpenNameBox(bool clan);
    bool HasBuilding() const { return m_bBuildingSet != 0; }
    bool WasActivated() const { return m_bActivated != 0; }

    char m_szBuilding[32] = {};
    std::string m_sEnteredName;
    // The title and bottom text anchors: (x, top + 5) and (x, bottom), x the
    // console's horizontal middle.
    int m_TopAnchor[2] = {};
    int m_BottomAnchor[2] = {};
    SOrgStatistics m_OrgStats;
    std::uint8_t m_bGliderMenu = 0;
    std::uint8_t m_bClusterRestricted = 0;
    CGroupControl* m_pSavedPopup = nullptr;
    std::unique_ptr<CQueryMessageBox> m_pNameBox;
    std::unique_ptr<CQueryMessageBox> m_pClanNameBox;
    // The note and the script results of a conviction.
    std::unique_ptr<CQueryMessageBox> m_pNoteBox;
    std::unique_ptr<CSimpleMessageBox> m_pResultBox;
    char m_szScriptText[128] = {};
    CHTMLWnd* m_pHTML = nullptr;
    std::uint8_t m_bBuildingSet = 0;
    std::uint8_t m_bActivated = 0;

protected:
    // The script manager's current object, copied (the manager rewrites it).
    static std::string CurrentScriptObject();
    // Runs a procedure and shows its results.
    void RunScript(const std::string& object, const std::string& procedure, const std::string& argument);
    // Adds a plain line to the markup window.
    void AddLine(const std::string& text);
    void MakePopup(CGroupControl* box);
    // Destroys the boxes the screen has answered and taken off.
    void DropAnsweredBoxes();
};
