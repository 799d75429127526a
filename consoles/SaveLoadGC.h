// CSaveLoadGC: the save/load panel of the main and pause screens. It lists
// the saved games of "SAVES\*.sav" newest first (by last-write time), shows
// the selected one's thumbnail (its SCREEN picture, else the frozen game
// frame) and three lines about it, and lets the player pick a save to load,
// a slot to save into (a new numbered file or an existing one) or a save to
// delete (asked first). It does not load or save: it hands its choice (row
// label and file name, SSaveChoice) to its screen and ends the screen with
// 1003 (load) or 1007 (save); the application does the rest.
//
// Save mode hides "autosave.sav" and puts a new-save row first, labelled
// with the current local time; the player may type another label into it.
// Eight rows are shown at a time; the scroll bar and the arrow keys move
// the view, Enter takes the action button.
//
// The rows are CSaveRow: the list row with its label as the subtitle (the
// text typed into the new-save row), the save's caption as the title, and
// the file name and three info strings of the save.
//
// Ownership: the panel owns its buttons, scroll bar, info window, rows and
// the delete question; the screen owns the panel. Threads: main thread.
#pragma once

#include "app/ScreenRequests.h"
#include "menus/ListRowButton.h"
#include "ui/GroupControl.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CDialogButton;
class CHTMLWnd;
class CQueryMessageBox;
class CScrollControl;

namespace plat::d3d
{
class Surface;
}

class CSaveRow : public CListRowButton
{
public:
    // The label (the subtitle; typed into on the new-save row).
    std::string Label() const { return GetSubtitle().GetText(); }
    // The player has typed a label other than the one the row was made with.
    bool IsEdited() const { return m_bNewSave && Label() != m_sOriginalLabel; }

    bool m_bNewSave = false;
    std::string m_sOriginalLabel;
    std::string m_sFile;
    // Location, place and player.
    std::string m_sInfo[3];
};

class CSaveLoadGC : public CGroupControl, public ISaveLoadPanel
{
public:
    static constexpr int kActionCommand = 3951;
    static constexpr int kLoadPicture = 3952;
    static constexpr int kSavePicture = 3953;
    static constexpr int kDeleteCommand = 3954;
    static constexpr int kRowCommand = 61540;
    static constexpr int kVisibleRows = 8;
    static constexpr int kRowStep = 45;
    static constexpr int kRowHeight = 38;
    static constexpr int kThumbnailSize = 128;
    static constexpr std::uint32_t kBackground = 0xFF000000;
    static constexpr const char* kAutosave = "autosave.sav";

    // What the thumbnail shows.
    enum EThumbnail
    {
        kThumbNone = 0,
        kThumbScreen = 1,   // the save's SCREEN record
        kThumbFallback = 2, // the frozen game frame
    };

    CSaveLoadGC();
    ~CSaveLoadGC() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Show() override;
    void Render() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;

    // ISaveLoadPanel
    using CGroupControl::Init;
    void Init(const plat::Rect& rect, bool saveMode, IUI* screen) override;
    void SetPanelRect(const plat::Rect& rect) override;
    plat::Rect GetPanelRect() const override { return m_Rect; }

    void RefreshList();
    // The number of files matching "SAVES\*.sav".
    int CountSaveFiles() const;
    void OnChange();
    void UpdateRows();
    void FindSaveFiles();
    CSaveRow* AddElement(const char* label, const char* caption);

    // The file a save would go to now: the selected row's, or for the
    // new-save row the first free "%d.sav" from CountSaveFiles() + 1.
    std::string ChosenFile() const;
    CSaveRow* GetRow(int index) const;
    int GetRowCount() const { return int(m_Rows.size()); }
    bool IsSaveMode() const { return m_bSaveMode; }

    // The folder of the saves with its trailing separator: the
    // application's "SAVES\" unless set (tests).
    std::string m_sSavesDir;
    // The picture used without a SCREEN record: the application's frozen
    // frame unless set (tests; 128 x 128 X8R8G8B8).
    plat::d3d::Surface* m_pFallbackPicture = nullptr;

    std::unique_ptr<CDialogButton> m_pLoad;
    std::unique_ptr<CDialogButton> m_pSave;
    std::unique_ptr<CDialogButton> m_pDelete;
    // The thumbnail: the picture's pixels (128 rows of 128 X8R8G8B8 words,
    // top down) and its DXT3 surface for drawing (null without a device).
    std::vector<std::uint32_t> m_ThumbnailPixels;
    int m_nThumbnail = kThumbNone;
    plat::d3d::Surface* m_pThumbnail = nullptr;
    std::unique_ptr<CScrollControl> m_pScroll;
    std::uint32_t m_dwBackground = kBackground;
    bool m_bSaveMode = false;
    int m_nFirstVisible = -1;
    int m_nSelection = -1;
    std::vector<CSaveRow*> m_Rows;
    std::unique_ptr<CHTMLWnd> m_pInfo;
    // The info window's lines of the selected row.
    std::vector<std::string> m_InfoLines;
    std::string m_sInfoMarkup;
    // The delete question while it is open or unanswered.
    std::unique_ptr<CQueryMessageBox> m_pDeleteBox;

private:
    std::string SavesDir() const;
    void ClearRows();
    void Select(int index);
    bool IsRowVisible(int index) const;
    void AskDelete();
    void TakeDeleteAnswer();
    void DeleteSelected();
    void TakeAction();
    void ShowInfo();
    void FillThumbnail(const std::uint8_t* pixels);
    bool FillFromFallback();
    void UploadThumbnail();
    void ButtonsForSelection();
};
