// CMainUI: the main menu (no game running) and, as CEscUI, the pause menu
// (the same screen with its pause flag set). Both are factory screens
// ("IGUID_CMainUI", "IGUID_CEscUI") that the application runs modally and
// whose result codes it acts on: 1000 continue, 1001 quit the program,
// 1003 load (file name of the result parameters), 1005 new game, 1006 back
// to the main menu, 1007 save (caption and file name).
//
// A panel of six CMainMenuButton items sits left of the middle, at
// x = int(w / 1024 * 170), y = int(h / 768 * 330 - 200) for a w x h screen:
//   main menu:  New game (3941, ends 1005), Load (3942), Mods (3944),
//               Settings (3943), Authors (3945), Exit (3946, asks)
//   pause menu: Continue (3950, ends 1000), Load (3942), Save (3947,
//               enabled only when "OutsideSave" was 1), Settings (3943),
//               Main menu (3948, asks), Exit (3946, asks)
// The items that open a dialog put it in the dialog area right of the
// panel, replacing any dialog open there (at most one at a time): the
// save/load screen (consoles/, through ISaveLoadPanel), the credits
// (CAuthorsDialog), the options (COptionDialog) and the mods dialog
// (CModsDialog). In the main menu the new-game panel with
// the menu video (CNewGameGC) fills the area until the first dialog opens.
// An animated glow frames the panel and the open dialog.
//
// The quit and main-menu questions are CQueryMessageBox popups; OK ends
// the screen with 1001 or 1006. In the main menu Escape asks the quit
// question (while it is open, Escape answers it with Cancel), except while
// the options' key page captures a key (the screen then is busy).
//
// A display-size change applied in the options dialog asks for the layout
// again (Hook2); it is rebuilt at the start of the next input pass, not
// from inside the dialog's own command, and the options dialog closes.
//
// Ownership: the screen owns its items, dialogs and question box; the main
// group (IUI) links them. Threads: main thread only.
#pragma once

#include "app/ScreenRequests.h"
#include "ui/UI.h"

#include <array>
#include <cstdint>
#include <memory>

class CAuthorsDialog;
class CGroupControl;
class CMainMenuButton;
class CModsDialog;
class COptionDialog;
class CNewGameGC;
class CQueryMessageBox;
class ISaveLoadPanel;

// What the save/load screen hands to the menu before it ends it with 1003
// or 1007.
struct SMenuParameters
{
    char caption[64];
    char file[260];
};

class CMainUI : public IUI, public ISavedGameChooser, public ISaveChoiceTaker
{
public:
    enum ECommand : int
    {
        kNewGame = 3941,
        kLoad = 3942,
        kSettings = 3943,
        kMods = 3944,
        kAuthors = 3945,
        kExit = 3946,
        kSave = 3947,
        kMainMenu = 3948,
        kReserved = 3949,
        kContinue = 3950,
    };
    enum EResult : int
    {
        kResultContinue = 1000,
        kResultQuit = 1001,
        kResultLoad = 1003,
        kResultNewGame = 1005,
        kResultMainMenu = 1006,
        kResultSave = 1007,
    };
    // The question open (m_iPending): none, quit, back to the main menu.
    enum EPending : int
    {
        kNoQuestion = -1,
        kQuitQuestion = 0,
        kMainMenuQuestion = 1,
    };
    static constexpr int kItems = 6;
    static constexpr int kGroupWidth = 183, kGroupHeight = 399;
    static constexpr int kDialogWidth = 421;
    static constexpr std::uint32_t kBackground = 0xA02E5A7B;
    static constexpr int kKeyEscape = 1;

    explicit CMainUI(bool pause = false);
    ~CMainUI() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(IGraphicInterface* graphic, IInput* input) override;
    // The options dialog's call after a display-mode change: the layout is
    // rebuilt at the start of the next input pass.
    void Hook2() override { m_bRebuildPending = true; }
    // Busy while the options' key page waits for a key.
    bool IsBusy() override;
    void Render() override;
    void ProcessMessages() override;
    void OnCommand(int code, int param) override;
    bool GetChosenSave(std::string& caption, std::string& file) override;

    // The layout for the current screen size again: a new group with new
    // items (and a new new-game panel in the main menu); a dialog open
    // stays open, the options dialog hidden.
    void Rebuild();
    void SetParameters(const SMenuParameters& parameters);
    // The save/load panel's choice, kept as the result parameters.
    void SetSaveInfo(const SSaveChoice& choice) override;
    void GetParameters(SMenuParameters& parameters) const;
    // The glow round the panel and the dialog shown (if any).
    void DrawGlowFrame();

    // The item group's helpers: the first hovered item (-1: none), the
    // number of items, and item n's hover flag set (with the mouse-over
    // notification).
    int GetHoveredItem() const;
    int GetItemCount() const { return kItems; }
    void HighlightItem(int n, bool on);

    bool IsPause() const { return m_bPause; }
    int GetPending() const { return m_iPending; }
    const plat::Rect& GetPanelRect() const { return m_Panel; }
    plat::Rect GetDialogArea() const;
    CMainMenuButton* GetItem(int row) const { return m_Items[std::size_t(row)].get(); }
    CMainMenuButton* FindItem(int command) const;
    CMainMenuButton* GetSelected() const { return m_pSelected; }
    CNewGameGC* GetNewGame() const { return m_pNewGame.get(); }
    CAuthorsDialog* GetAuthors() const { return m_pAuthors.get(); }
    COptionDialog* GetOptions() const { return m_pOptions.get(); }
    CModsDialog* GetMods() const { return m_pMods.get(); }
    bool IsRebuildPending() const { return m_bRebuildPending; }
    CGroupControl* GetSaveLoad() const { return m_pSaveLoad.get(); }
    CQueryMessageBox* GetQuestion() const { return m_pQuestion.get(); }
    // The dialogs that exist (0, or 1).
    int CountDialogs() const;

private:
    void Layout(bool rebuild);
    void Ask(int pending);
    void Select(CMainMenuButton* item);
    void CloseDialogs();
    void OpenSaveLoad(bool save, CMainMenuButton* item);
    void OpenAuthors(CMainMenuButton* item);
    void OpenOptions(CMainMenuButton* item);
    void OpenMods(CMainMenuButton* item);
    // The dialog area in the item group's coordinates.
    plat::Rect DialogAreaInGroup() const;
    void ShowDialog(CGroupControl* dialog);

    bool m_bPause;
    plat::Rect m_Panel{};
    int m_iPending = kNoQuestion;
    char m_szCaption[64] = {};
    char m_szFile[260] = {};
    std::array<std::unique_ptr<CMainMenuButton>, kItems> m_Items;
    std::unique_ptr<CQueryMessageBox> m_pQuestion;
    std::unique_ptr<CGroupControl> m_pSaveLoad;
    ISaveLoadPanel* m_pSaveLoadPanel = nullptr;
    std::unique_ptr<CAuthorsDialog> m_pAuthors;
    std::unique_ptr<CNewGameGC> m_pNewGame;
    std::unique_ptr<COptionDialog> m_pOptions;
    std::unique_ptr<CModsDialog> m_pMods;
    bool m_bRebuildPending = false;
    CMainMenuButton* m_pSelected = nullptr;
    bool m_bForwarding = false;
};

// The pause menu.
class CEscUI : public CMainUI
{
public:
    CEscUI() : CMainUI(true) {}
};

extern std::uint32_t g_iCMainUI;
extern std::uint32_t g_iCEscUI;
// Registers "IGUID_CMainUI" and "IGUID_CEscUI".
void RegisterMainMenuClasses();
