#include "consoles/SaveLoadGC.h"

#include "app/MMApp.h"
#include "app/MenuHost.h"
#include "consoles/SaveRecords.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileArchive.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "foundation/ResourceDB.h"
#include "graphics/GraphicInterface.h"
#include "graphics/SurfaceManager.h"
#include "menus/DialogButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/QueryMessageBox.h"
#include "platform/File.h"
#include "platform/Time.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx/D3DX.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/HTMLWnd.h"
#include "ui/markup/ScrollControl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

using plat::Rect;

namespace
{
constexpr std::uint32_t kPartFill = 0x4E000206;
constexpr std::uint32_t kRowAreaFill = 0x26FFFFFF;
constexpr int kThumbnailTechnique = 0x27;
constexpr int kDeleteBoxWidth = 420;
constexpr int kDeleteBoxHeight = 150;
constexpr const char* kInfoLabels[3] = {"INT_SAVE_LABEL1", "INT_SAVE_LABEL2", "INT_SAVE_LABEL3"};

// A save found by the scan, before it becomes a row.
struct SSaveFile
{
    plat::SystemTime time;
    int key = 0;
    std::string file;
    SSaveSummary summary;
    std::string locationLabel;
    std::string placeLabel;
};

std::string Label(const plat::SystemTime& t)
{
    return FormatSaveLabel(t.hour, t.minute, t.day, t.month, t.year);
}

void SetShown(CControl* control, bool shown)
{
    if (!control) return;
    if (shown)
        control->Show();
    else
        control->Hide();
}
} // namespace

CSaveLoadGC::CSaveLoadGC()
{
    m_ClassID = MakeClassKey("CSaveLoadGC", -1);
    m_Rows.reserve(16);
}

CSaveLoadGC::~CSaveLoadGC()
{
    XTRACE("CSaveLoadGC::~CSaveLoadGC");
    if (m_pDeleteBox && m_pScreen && m_pScreen->m_pPopup == m_pDeleteBox.get()) m_pScreen->SetPopup(nullptr);
    m_pDeleteBox.reset();
    if (m_pThumbnail) m_pThumbnail->Release();
    m_pThumbnail = nullptr;
    ClearRows();
    for (CControl* child : {static_cast<CControl*>(m_pLoad.get()), static_cast<CControl*>(m_pSave.get()),
                            static_cast<CControl*>(m_pDelete.get()), static_cast<CControl*>(m_pScroll.get()),
                            static_cast<CControl*>(m_pInfo.get())})
        if (child) RemoveControl(child);
}

CGuidKey CSaveLoadGC::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CSaveLoadGC");
}

std::string CSaveLoadGC::SavesDir() const
{
    if (!m_sSavesDir.empty()) return m_sSavesDir;
    if (g_MenuHost.m_pApp) return g_MenuHost.m_pApp->m_SavedGames.SavePath("");
    return g_ResourceDB.GetBaseDirectory() + "SAVES\\";
}

void CSaveLoadGC::Init(const Rect& rect, bool saveMode, IUI* screen)
{
    XTRACE("CSaveLoadGC::Init()");
    CGroupControl::Init(rect, screen);
    m_ClassID = MakeClassKey("CSaveLoadGC", -1);
    const int left = rect.left, top = rect.top;
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;

    const auto button = [&](int picture, int command, int y0, int y1)
    {
        auto made = std::make_unique<CDialogButton>();
        made->Create(left + 19, top + y0, left + 181, top + y1, "", CButton::kPush, command);
        made->SetPicture(picture);
        made->m_pScreen = screen;
        AddControlAt(made.get());
        return made;
    };
    m_pLoad = button(kLoadPicture, kActionCommand, H - 72, H - 47);
    m_pSave = button(kSavePicture, kActionCommand, H - 72, H - 47);
    m_pDelete = button(kDeleteCommand, kDeleteCommand, H - 40, H - 15);
    m_pDelete->Enable(0);

    // The bar takes the right edge of the area, beside the rows.
    m_pScroll = std::make_unique<CScrollControl>();
    m_pScroll->Init(0, 22, W - 14, H - 30, CScrollControl::kVertical, screen);
    AddControl(m_pScroll.get());
    m_pScroll->SetMax(0);
    m_pScroll->SetThumbSize(CScrollControl::kThumbMinimum);

    m_pInfo = std::make_unique<CHTMLWnd>();
    m_pInfo->Init(left + 15, top + 166, left + 185, top + 336, screen);
    AddControlAt(m_pInfo.get());

    SetUID(menus::TextureKey(menus::kUI1));
    m_bSaveMode = saveMode;
    SetShown(m_pLoad.get(), !m_bSaveMode);
    SetShown(m_pSave.get(), m_bSaveMode);
    RefreshList();
}

void CSaveLoadGC::SetPanelRect(const Rect& rect)
{
    Move(rect.left - m_Rect.left, rect.top - m_Rect.top);
    m_Rect = rect;
}

void CSaveLoadGC::Show()
{
    CGroupControl::Show();
    SetShown(m_pLoad.get(), !m_bSaveMode);
    SetShown(m_pSave.get(), m_bSaveMode);
    UpdateRows();
}

// ---- the list -----------------------------------------------------------------------

void CSaveLoadGC::ClearRows()
{
    for (CSaveRow* row : m_Rows)
    {
        RemoveControl(row);
        delete row;
    }
    m_Rows.clear();
}

void CSaveLoadGC::RefreshList()
{
    XTRACE("CSaveLoadGC::RefreshList()");
    m_nSelection = -1;
    m_nFirstVisible = -1;
    ClearRows();
    if (m_pScroll)
    {
        m_pScroll->SetPos(0);
        m_pScroll->SetMax(0);
    }
    FindSaveFiles();
    OnChange();
    if (m_pScroll) m_pScroll->Show();
    UpdateRows();
}

int CSaveLoadGC::CountSaveFiles() const
{
    int count = 0;
    plat::FindData found;
    plat::FindHandle search = plat::FindFirstFile((SavesDir() + "*.sav").c_str(), &found);
    if (!search) return 0;
    do
    {
        if (!(found.attributes & plat::FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (plat::FindNextFile(search, &found));
    plat::FindClose(search);
    return count;
}

void CSaveLoadGC::FindSaveFiles()
{
    XTRACE("CSaveLoadGC::FindSaveFiles");
    const std::string dir = SavesDir();
    std::vector<SSaveFile> saves;
    saves.reserve(16);
    plat::FindData found;
    if (plat::FindHandle search = plat::FindFirstFile((dir + "*.sav").c_str(), &found))
    {
        do
        {
            if (found.attributes & plat::FILE_ATTRIBUTE_DIRECTORY) continue;
            SSaveFile save;
            save.file = found.name;
            plat::FileTime local = 0;
            if (!plat::FileTimeToLocalFileTime(found.lastWriteTime, &local) ||
                !plat::FileTimeToSystemTime(local, &save.time))
                save.time = plat::SystemTime{};
            save.key = SaveSortKey(found.lastWriteTime);
            FileArchive archive;
            const std::string path = dir + save.file;
            if (!archive.Open(path.c_str()))
            {
                g_ErrorLog.LogError("CSaveLoadGC::FindSaveFiles: '%s' is not an archive; it is not listed",
                                    path.c_str());
                continue;
            }
            const bool read = ReadSaveSummary(archive, path.c_str(), save.summary);
            archive.Close();
            if (!read) continue;
            if (save.summary.outside == 0) save.placeLabel = menus::NameOf(save.summary.building.c_str());
            save.locationLabel = menus::NameOf(save.summary.location.c_str());
            saves.push_back(std::move(save));
        } while (plat::FindNextFile(search, &found));
        plat::FindClose(search);
    }

    if (m_bSaveMode)
    {
        plat::SystemTime now;
        plat::GetLocalTime(&now);
        CSaveRow* row = AddElement(Label(now).c_str(), "");
        row->m_bNewSave = true;
        row->m_bEditable = 1;
        // Selected as the first row, it now takes typing.
        Select(m_nSelection);
    }
    if (saves.empty() && !m_bSaveMode) m_nSelection = -1;

    std::vector<int> keys;
    keys.reserve(saves.size());
    for (const SSaveFile& save : saves)
        keys.push_back(save.key);
    const std::vector<int> order = SortSaveIndices(keys);
    for (auto it = order.rbegin(); it != order.rend(); ++it)
    {
        const SSaveFile& save = saves[std::size_t(*it)];
        if (m_bSaveMode && save.file == kAutosave) continue;
        CSaveRow* row = AddElement(Label(save.time).c_str(), save.summary.caption.c_str());
        row->m_sInfo[0] = save.locationLabel;
        row->m_sInfo[1] = save.placeLabel;
        row->m_sInfo[2] = save.summary.player;
        row->m_sFile = save.file;
    }
    ButtonsForSelection();
}

CSaveRow* CSaveLoadGC::AddElement(const char* label, const char* caption)
{
    XTRACE("CSaveLoadGC::AddElement()");
    const int n = GetRowCount();
    auto* row = new CSaveRow();
    const int x = m_Rect.left + 193, y = m_Rect.top + 22 + kRowStep * n;
    // Made as a push button (a radio button's box would take half the row)
    // and then kept marked like a radio button.
    row->Create(x, y, x + 194, y + kRowHeight, "", CButton::kPush, kRowCommand + n);
    row->m_iKind = CButton::kRadio;
    row->m_pScreen = m_pScreen;
    row->SetSubtitle(label);
    row->SetTitle(caption);
    row->m_sOriginalLabel = label ? label : "";
    row->SetUID(menus::TextureKey(menus::kUI1));
    AddControlAt(row);
    m_Rows.push_back(row);
    if (n == 0) Select(0);

    const int rows = GetRowCount();
    if (rows > kVisibleRows)
    {
        row->Hide();
        m_pScroll->SetMax(rows - kVisibleRows);
        m_pScroll->SetThumbSize((Height() - 74) * kVisibleRows / rows);
        m_pScroll->Enable(1);
    }
    else if (m_pScroll)
    {
        m_pScroll->Enable(0);
    }
    if (m_nFirstVisible == -1) m_nFirstVisible = 1;
    return row;
}

CSaveRow* CSaveLoadGC::GetRow(int index) const
{
    return index >= 0 && index < GetRowCount() ? m_Rows[std::size_t(index)] : nullptr;
}

void CSaveLoadGC::UpdateRows()
{
    if (!m_pScroll) return;
    const int rows = GetRowCount();
    m_nFirstVisible = std::clamp(m_pScroll->GetPos(), 0, std::max(m_pScroll->GetMax(), 0));
    if (rows < kVisibleRows)
    {
        m_nFirstVisible = 0;
        return;
    }
    const int top = m_Rect.top + 22;
    for (int i = 0; i < rows; ++i)
    {
        CSaveRow* row = m_Rows[std::size_t(i)];
        const int slot = i - m_nFirstVisible;
        if (slot < 0 || slot >= kVisibleRows)
        {
            row->Hide();
            continue;
        }
        const int y = top + kRowStep * slot;
        row->Move(0, y - row->m_Rect.top);
        if (m_bVisible) row->Show();
    }
}

bool CSaveLoadGC::IsRowVisible(int index) const
{
    if (index < 0 || index >= GetRowCount()) return false;
    if (GetRowCount() < kVisibleRows) return true;
    return index >= m_nFirstVisible && index < m_nFirstVisible + kVisibleRows;
}

void CSaveLoadGC::Select(int index)
{
    for (int i = 0; i < GetRowCount(); ++i)
    {
        CSaveRow* row = m_Rows[std::size_t(i)];
        row->SetCheck(i == index);
        // Only the selected new-save row takes typing.
        row->m_bRowFocused = i == index && row->m_bNewSave;
    }
    m_nSelection = index;
}

void CSaveLoadGC::ButtonsForSelection()
{
    const CSaveRow* row = GetRow(m_nSelection);
    if (!row) return;
    const int enable = !row->Label().empty();
    m_pLoad->Enable(enable);
    m_pSave->Enable(enable);
}

// ---- the thumbnail -----------------------------------------------------------------

void CSaveLoadGC::FillThumbnail(const std::uint8_t* pixels)
{
    m_ThumbnailPixels.resize(std::size_t(kThumbnailSize) * kThumbnailSize);
    std::memcpy(m_ThumbnailPixels.data(), pixels, m_ThumbnailPixels.size() * 4);
}

bool CSaveLoadGC::FillFromFallback()
{
    plat::d3d::Surface* picture = m_pFallbackPicture;
    if (!picture && g_MenuHost.m_pApp) picture = g_MenuHost.m_pApp->m_pThumbnail;
    m_nThumbnail = kThumbFallback;
    m_ThumbnailPixels.assign(std::size_t(kThumbnailSize) * kThumbnailSize, 0xFF000000u);
    if (!picture) return false;
    plat::d3d::SLockedRect locked{};
    if (plat::Failed(picture->LockRect(&locked, nullptr, plat::d3d::D3DLOCK_READONLY))) return false;
    for (int y = 0; y < kThumbnailSize; ++y)
        std::memcpy(m_ThumbnailPixels.data() + y * kThumbnailSize,
                    static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch, kThumbnailSize * 4);
    picture->UnlockRect();
    return true;
}

void CSaveLoadGC::OnChange()
{
    XTRACE("CSaveLoadGC::OnChange()");
    const CSaveRow* row = GetRow(m_nSelection);
    if (!row) return;
    bool fromScreen = false;
    if (!row->m_sFile.empty())
    {
        FileArchive archive;
        const std::string path = SavesDir() + row->m_sFile;
        std::vector<std::uint8_t> pixels;
        if (archive.Open(path.c_str()) && ReadSaveScreen(archive, path.c_str(), pixels))
        {
            FillThumbnail(pixels.data());
            m_nThumbnail = kThumbScreen;
            fromScreen = true;
        }
        archive.Close();
    }
    if (!fromScreen) FillFromFallback();
    UploadThumbnail();
}

// The pixels into the DXT3 surface that Render draws; nothing without a
// device.
void CSaveLoadGC::UploadThumbnail()
{
    using namespace plat::d3d;
    Device* device = graph.m_lpDevice;
    if (!device || m_ThumbnailPixels.empty()) return;
    if (!m_pThumbnail &&
        plat::Failed(device->CreateImageSurface(kThumbnailSize, kThumbnailSize, D3DFMT_DXT3, &m_pThumbnail)))
    {
        m_pThumbnail = nullptr;
        g_ErrorLog.LogError("CSaveLoadGC::OnChange: the thumbnail surface could not be made");
        return;
    }
    Surface* source = nullptr;
    if (plat::Failed(device->CreateImageSurface(kThumbnailSize, kThumbnailSize, D3DFMT_X8R8G8B8, &source)))
        return;
    SLockedRect locked{};
    if (!plat::Failed(source->LockRect(&locked, nullptr, 0)))
    {
        for (int y = 0; y < kThumbnailSize; ++y)
            std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                        m_ThumbnailPixels.data() + y * kThumbnailSize, kThumbnailSize * 4);
        source->UnlockRect();
        D3DXLoadSurfaceFromSurface(m_pThumbnail, nullptr, nullptr, source, nullptr, nullptr, D3DX_DEFAULT, 0);
    }
    source->Release();
    // The image manager's tile cache may hold the old picture.
    if (g_pSurfaceManager) g_pSurfaceManager->ClearCache();
}

// ---- input and commands --------------------------------------------------------------

void CSaveLoadGC::ProcessMessages()
{
    XTRACE("CSaveLoadGC::ProcessMessages");
    // A delete question answered while the screen held it (the screen sends
    // the answer to its main group, which need not be this panel).
    TakeDeleteAnswer();

    const int before = m_nSelection;
    CGroupControl::ProcessMessages();
    IInput* input = m_pScreen ? m_pScreen->m_pInput : nullptr;
    const int rows = GetRowCount();
    if (input)
    {
        if (input->IsPressed(uicode::kKeyEnter) &&
            ((m_pLoad && m_pLoad->m_bEnabled) || (m_pSave && m_pSave->m_bEnabled)))
            OnCommand(kActionCommand, 0);
        if (input->IsPressed(uicode::kKeyUp) && rows > 0)
        {
            Select(m_nSelection < 0 ? 0 : std::max(m_nSelection - 1, 0));
            if (m_nSelection < m_nFirstVisible)
            {
                m_pScroll->SetPos(m_nSelection);
                UpdateRows();
            }
        }
        if (input->IsPressed(uicode::kKeyDown) && rows > 0 && m_nSelection >= 0)
        {
            Select(std::min(m_nSelection + 1, rows - 1));
            if (rows >= kVisibleRows && m_nSelection > m_nFirstVisible + kVisibleRows - 1)
            {
                m_pScroll->SetPos(m_nSelection - kVisibleRows + 1);
                UpdateRows();
            }
        }
    }
    if (m_nSelection != before) OnChange();

    ShowInfo();
    if (m_nSelection < 0 && rows > 0)
    {
        Select(0);
        OnChange();
    }
    const CSaveRow* selected = GetRow(m_nSelection);
    if (selected)
    {
        if (m_bSaveMode && selected->m_bNewSave) m_pDelete->Enable(0);
        ButtonsForSelection();
    }
    if (m_pScroll && m_pScroll->TakePosChanged()) UpdateRows();
}

void CSaveLoadGC::ShowInfo()
{
    m_InfoLines.clear();
    const CSaveRow* row = GetRow(m_nSelection);
    if (!row)
    {
        for (CControl* button : {static_cast<CControl*>(m_pLoad.get()), static_cast<CControl*>(m_pSave.get()),
                                 static_cast<CControl*>(m_pDelete.get())})
            button->Enable(0);
    }
    else
    {
        m_pLoad->Enable(1);
        m_pSave->Enable(1);
        m_pDelete->Enable(1);
        for (int i = 0; i < 3; ++i)
            if (!row->m_sInfo[i].empty())
                m_InfoLines.push_back(menus::TextOf(kInfoLabels[i]) + ": <color=green>" + row->m_sInfo[i] +
                                      "<color>");
    }
    // The window is filled again only when its lines change.
    std::string markup;
    for (const std::string& line : m_InfoLines)
        markup += line + "<br>";
    if (m_pInfo && markup != m_sInfoMarkup)
    {
        m_pInfo->HTMLClear();
        if (!markup.empty()) m_pInfo->AddEntry(markup.c_str(), nullptr, nullptr, 0, nullptr, false, false);
        m_sInfoMarkup = markup;
    }
}

void CSaveLoadGC::OnCommand(int code, int param)
{
    XTRACE("CSaveLoadGC::OnCommand()");
    if (code == uicode::kPopupResult || code == uicode::kPopupRemoved)
    {
        TakeDeleteAnswer();
        return;
    }
    CGroupControl::OnCommand(code, param);
    if (code >= kRowCommand && code < kRowCommand + GetRowCount())
    {
        const CSaveRow* selected = GetRow(m_nSelection);
        if (selected && !selected->IsEdited())
            Select(code - kRowCommand);
        else
            Select(m_nSelection); // the click's own mark undone
    }
    else if (code == kDeleteCommand)
    {
        AskDelete();
    }
    else if (code == kActionCommand)
    {
        TakeAction();
        return;
    }
    UpdateRows();
}

void CSaveLoadGC::AskDelete()
{
    if (!m_pScreen || !GetRow(m_nSelection) || GetRow(m_nSelection)->m_bNewSave) return;
    if (m_pDeleteBox) return;
    m_pDeleteBox = std::make_unique<CQueryMessageBox>();
    m_pDeleteBox->Init(Rect{0, 0, kDeleteBoxWidth, kDeleteBoxHeight}, m_pScreen,
                       CQueryMessageBox::kFlagOK | CQueryMessageBox::kFlagCancel |
                           CQueryMessageBox::kFlagCentreScreen);
    m_pDeleteBox->SetCaption(menus::NameOf("INT_SAVE_DELETE").c_str());
    m_pDeleteBox->AddLine(menus::TextOf("INT_SAVE_DELETE").c_str());
    AddControlAt(m_pDeleteBox.get());
    m_pScreen->SetPopup(m_pDeleteBox.get());
}

// The delete question's answer, taken once: from the screen's notices
// when they reach this panel, else at the next frame. Only an answer of
// this panel's own box counts, and only after the screen has let go of it.
void CSaveLoadGC::TakeDeleteAnswer()
{
    if (!m_pDeleteBox || m_pDeleteBox->GetResult() == 0) return;
    if (m_pScreen && m_pScreen->m_pPopup == m_pDeleteBox.get()) return;
    const bool yes = m_pDeleteBox->GetResult() == 1;
    if (m_pDeleteBox->m_pParent) m_pDeleteBox->m_pParent->RemoveControl(m_pDeleteBox.get());
    m_pDeleteBox.reset();
    if (yes) DeleteSelected();
}

void CSaveLoadGC::DeleteSelected()
{
    const CSaveRow* row = GetRow(m_nSelection);
    if (!row || row->m_sFile.empty()) return;
    const std::string path = SavesDir() + row->m_sFile;
    if (!plat::DeleteFile(path.c_str()))
        g_ErrorLog.LogError("CSaveLoadGC::OnCommand: saved game '%s' could not be deleted", path.c_str());
    RefreshList();
}

std::string CSaveLoadGC::ChosenFile() const
{
    const CSaveRow* row = GetRow(m_nSelection);
    if (!row) return {};
    if (!(m_bSaveMode && m_nSelection == 0)) return row->m_sFile;
    const std::string dir = SavesDir();
    int n = CountSaveFiles() + 1;
    for (;; ++n)
    {
        char name[32];
        std::snprintf(name, sizeof name, "%d.sav", n);
        if (!plat::FileExists((dir + name).c_str())) return name;
    }
}

void CSaveLoadGC::TakeAction()
{
    const CSaveRow* row = GetRow(m_nSelection);
    if (!row || !IsRowVisible(m_nSelection) || !m_pScreen) return;
    if (row->Label().empty()) return;
    SSaveChoice choice;
    std::snprintf(choice.label, sizeof choice.label, "%s", row->Label().c_str());
    std::snprintf(choice.file, sizeof choice.file, "%s", ChosenFile().c_str());
    if (auto* taker = dynamic_cast<ISaveChoiceTaker*>(m_pScreen)) taker->SetSaveInfo(choice);
    m_pScreen->EndModal(m_pLoad->IsShown() ? 1003 : 1007);
}

// ---- drawing ------------------------------------------------------------------------

void CSaveLoadGC::Render()
{
    XTRACE("CSaveLoadGC::Render");
    SetShown(m_pLoad.get(), !m_bSaveMode);
    SetShown(m_pSave.get(), m_bSaveMode);
    if (!m_bVisible) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (g)
    {
        const int l = m_Rect.left, t = m_Rect.top, r = m_Rect.right, b = m_Rect.bottom;
        menus::FillRect(g, m_Rect, m_dwBackground);
        // The picture and info column, and the rows.
        const Rect column{l + 6, t + 6, l + 190, b - 6};
        const Rect rowArea{l + 190, t + 6, r - 6, b - 6};
        menus::FillRect(g, column, kPartFill);
        menus::FillRect(g, rowArea, kPartFill);
        menus::FillRect(g, Rect{rowArea.left + 1, t + 20, rowArea.right - 1, b - 20}, kRowAreaFill);
        for (const Rect& part : {column, rowArea})
        {
            menus::FillRect(g, Rect{part.left, part.top, part.right, part.top + 1}, menus::kWhite);
            menus::FillRect(g, Rect{part.left, part.bottom - 1, part.right, part.bottom}, menus::kWhite);
            menus::FillRect(g, Rect{part.left, part.top, part.left + 1, part.bottom}, menus::kWhite);
            menus::FillRect(g, Rect{part.right - 1, part.top, part.right, part.bottom}, menus::kWhite);
        }
        if (GetRow(m_nSelection))
        {
            if (m_pThumbnail && g_pSurfaceManager)
                g_pSurfaceManager->RenderSurface(m_pThumbnail, kThumbnailSize, kThumbnailSize, kThumbnailTechnique,
                                                 Rect{l + 14, t + 26, l + 182, t + 152}, nullptr);
            menus::FillRect(g, Rect{l + 13, t + 25, l + 183, t + 26}, menus::kWhite);
            menus::FillRect(g, Rect{l + 13, t + 152, l + 183, t + 153}, menus::kWhite);
            menus::FillRect(g, Rect{l + 13, t + 25, l + 14, t + 153}, menus::kWhite);
            menus::FillRect(g, Rect{l + 182, t + 25, l + 183, t + 153}, menus::kWhite);
        }
    }
    CGroupControl::Render();
}
