// The main menu's mods dialog. A mod is an INI file in "DATA\MODS\" below
// the base directory; its [COMMON] section names it ("Name", default
// "NoName"), describes it ("Text", markup, default "NoDescription") and
// names the start script of a new game with it ("Autorun", default
// "TARVOXII.src").
//
// CModsList lists the files of the folder in the order the folder is
// enumerated, one CListRowButton each, four rows at a time with a scroll
// bar beside them; the first row is selected; Up and Down move the
// selection (the rows scroll to keep it in view), a click selects a row.
// The folder is read on the list's first frame drawn.
//
// CModsDialog shows the list, the selected mod's description and the
// button "Загрузка мода" (command 3970): it writes [CONFIG] "GameMod" =
// "DATA\MODS\" + the file's name into "cfg.ini", gives the mod's start
// script to the application and sends the menu 3941, which ends it with a
// new game (1005). Without a selection the button does nothing.
//
// A description file that cannot be used as it is says so in one error-log
// line: one without a [COMMON] section (its defaults are used), one whose
// start script does not fit the application's script name (the mod is
// listed but not started).
//
// Rectangles: Init takes the frame in the coordinates of the main menu's
// item group, which moves the dialog into place when it adds it.
//
// Ownership: the menu owns the dialog; the dialog its list, button and
// description; the list its rows, records and scroll bar.
// Threads: main thread only.
#pragma once

#include "ui/GroupControl.h"

#include <cstdint>
#include <memory>
#include <vector>

class CDialogButton;
class CHTMLScrollWnd;
class CListRowButton;
class CScrollControl;

struct SModInfo
{
    SModInfo();
    // Reads "DATA\MODS\" + fileName below the base directory; false (with
    // an error-log line) when the description is not usable as written.
    bool Load(const char* fileName);

    char name[1024];
    char text[1024];
    char autorun[260];
    char fileName[260];
    char path[260];
};

class CModsList : public CGroupControl
{
public:
    static constexpr int kFirstCommand = 61540;
    static constexpr int kVisibleRows = 4;
    static constexpr int kRowHeight = 38;
    static constexpr int kRowGap = 7;
    static constexpr std::uint32_t kFill = 0x4E000206;
    static constexpr int kKeyUp = 200, kKeyDown = 208;

    CModsList();
    ~CModsList() override;

    void Init(const plat::Rect& rect, IUI* screen) override;
    void Render() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;

    // Reads the folder (once more: Clear first) and lays the rows out.
    void Refresh();
    // Every row and record goes; no selection. Returns 0.
    int Clear() override;
    void FindModsFiles();
    void AddElement(const char* name);
    void Layout();

    int GetSelected() const { return m_iSelected; }
    int GetFirstVisible() const { return m_iFirst; }
    int GetCount() const { return int(m_Rows.size()); }
    const SModInfo* GetRecord(int row) const;
    CListRowButton* GetRow(int row) const;
    CScrollControl* GetScroll() const { return m_pScroll.get(); }
    const plat::Rect& GetHighlight() const { return m_Highlight; }
    bool IsRefreshPending() const { return m_bRefresh; }

    plat::Rect m_Frame{};

private:
    void Select(int row);

    int m_iSelected = -1;
    int m_iFirst = -1;
    int m_nRowWidth = 100;
    bool m_bRefresh = true;
    plat::Rect m_Highlight{};
    std::unique_ptr<CScrollControl> m_pScroll;
    std::vector<std::unique_ptr<CListRowButton>> m_Rows;
    std::vector<std::unique_ptr<SModInfo>> m_Records;
};

class CModsDialog : public CGroupControl
{
public:
    static constexpr int kLoad = 3970;
    static constexpr int kLoadPicture = 3952;
    static constexpr int kMenuNewGame = 3941;
    static constexpr std::uint32_t kGridColour = 0x26FFFFFF;

    CModsDialog();
    ~CModsDialog() override;

    void Init(const plat::Rect& rect, IUI* screen) override;
    void Render() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;

    // The selected mod's start script to the application; false when there
    // is none or it does not fit.
    bool LoadMods();

    CModsList* GetList() const { return m_pList.get(); }
    CHTMLScrollWnd* GetDescription() const { return m_pDescription.get(); }
    CDialogButton* GetLoadButton() const { return m_pLoad.get(); }

    std::uint32_t m_uBackground = 0x7F194B7F;
    plat::Rect m_Frame{};
    bool m_bShown = true;

private:
    std::unique_ptr<CHTMLScrollWnd> m_pDescription;
    std::unique_ptr<CDialogButton> m_pLoad;
    std::unique_ptr<CModsList> m_pList;
    int m_iShownRecord = -1;
};
