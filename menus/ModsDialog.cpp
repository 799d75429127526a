#include "menus/ModsDialog.h"

#include "app/MMApp.h"
#include "foundation/ErrorLog.h"
#include "foundation/LogText.h"
#include "foundation/Settings.h"
#include "graphics/GraphicInterface.h"
#include "menus/DialogButton.h"
#include "menus/ListRowButton.h"
#include "menus/MenuDrawing.h"
#include "menus/NewGameGC.h"
#include "platform/File.h"
#include "platform/Ini.h"
#include "ui/UI.h"
#include "ui/markup/HTMLWnd.h"
#include "ui/markup/ScrollControl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

using namespace menus;

namespace
{
constexpr const char* kSection = "COMMON";
constexpr const char* kFolder = "DATA\\MODS\\";
constexpr const char* kDefaultAutorun = "TARVOXII.src";
constexpr int kCornerX = 831, kCornerY = 753;
constexpr int kSideWidth = 6;
constexpr int kGrid = 30;
constexpr int kScrollWidth = 17;
// "Загрузка мода" in code page 1251.
constexpr const char* kLoadCaption = "\xc7\xe0\xe3\xf0\xf3\xe7\xea\xe0 \xec\xee\xe4\xe0";

template <std::size_t N> void Copy(char (&field)[N], const std::string& text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

void Offset(plat::Rect& r, int dx, int dy)
{
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}
} // namespace

// ---- one description

SModInfo::SModInfo()
{
    Copy(name, "Name");
    Copy(text, "Description");
    autorun[0] = fileName[0] = path[0] = 0;
}

bool SModInfo::Load(const char* file)
{
    Copy(fileName, file ? file : "");
    const std::string full = GetEngineBaseDirectory() + kFolder + fileName;
    Copy(path, full);
    plat::GetPrivateProfileString(kSection, "Autorun", kDefaultAutorun, autorun, sizeof autorun, full.c_str());
    plat::GetPrivateProfileString(kSection, "Name", "NoName", name, sizeof name, full.c_str());
    plat::GetPrivateProfileString(kSection, "Text", "NoDescription", text, sizeof text, full.c_str());
    char section[8] = {};
    if (plat::GetPrivateProfileSection(kSection, section, sizeof section, full.c_str()) == 0)
    {
        g_ErrorLog.LogError("Mod \"%s%s\": no [COMMON] section (or an empty one); it is listed as \"%s\"",
                            kFolder, EscapeForLog(fileName).c_str(), EscapeForLog(name).c_str());
        return false;
    }
    if (full.size() >= sizeof path || std::strlen(autorun) >= sizeof(CMMApp::m_szScriptFile) || !autorun[0])
    {
        g_ErrorLog.LogError("Mod \"%s%s\": the start script \"%s\" is empty or too long; the mod cannot start",
                            kFolder, EscapeForLog(fileName).c_str(), EscapeForLog(autorun).c_str());
        autorun[0] = 0;
        return false;
    }
    return true;
}

// ---- the list

CModsList::CModsList()
{
    m_ClassID = MakeClassKey("CModsList", -1);
}

CModsList::~CModsList()
{
    Clear();
    if (m_pScroll) RemoveControl(m_pScroll.get());
}

void CModsList::Init(const plat::Rect& rect, IUI* screen)
{
    CGroupControl::Init(rect, screen);
    m_ClassID = MakeClassKey("CModsList", -1);
    m_Frame = rect;
    m_nRowWidth = rect.right - rect.left;
    m_pScroll = std::make_unique<CScrollControl>();
    m_pScroll->Init(rect.right - kScrollWidth - 2, rect.top + 5, rect.right - 2, rect.bottom - 5,
                    CScrollControl::kVertical, screen);
    m_pScroll->Enable(0);
    AddControlAt(m_pScroll.get());
    SetUID(TextureKey(kUI1));
}

void CModsList::Move(int dx, int dy)
{
    CGroupControl::Move(dx, dy);
    Offset(m_Frame, dx, dy);
    Offset(m_Highlight, dx, dy);
}

int CModsList::Clear()
{
    m_iSelected = -1;
    for (auto& row : m_Rows)
        RemoveControl(row.get());
    m_Rows.clear();
    m_Records.clear();
    return 0;
}

void CModsList::FindModsFiles()
{
    const std::string pattern = GetEngineBaseDirectory() + kFolder + "*.ini";
    plat::FindData data;
    plat::FindHandle search = plat::FindFirstFile(pattern.c_str(), &data);
    if (!search) return;
    do
    {
        if (data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY) continue;
        auto record = std::make_unique<SModInfo>();
        record->Load(data.name);
        const std::string name = record->name;
        m_Records.push_back(std::move(record));
        AddElement(name.c_str());
    } while (plat::FindNextFile(search, &data));
    plat::FindClose(search);
}

void CModsList::AddElement(const char* name)
{
    const int n = int(m_Rows.size());
    auto row = std::make_unique<CListRowButton>();
    const int top = m_Frame.top + 5 + (kRowHeight + kRowGap) * n;
    // Radio kind: the mark stays when the button is let go.
    row->Create(m_Frame.left + 5, top, m_Frame.left + m_nRowWidth - 20, top + kRowHeight, "", CButton::kRadio,
                kFirstCommand + n);
    row->SetTitle(name);
    row->SetUID(GetUID());
    AddControlAt(row.get());
    if (n == 0)
    {
        row->SetCheck(1);
        m_iSelected = 0;
    }
    m_Rows.push_back(std::move(row));
    const int count = n + 1;
    if (count > kVisibleRows)
    {
        m_Rows.back()->Hide();
        m_pScroll->SetMax(count - kVisibleRows);
        m_pScroll->SetThumbSize((m_Frame.bottom - m_Frame.top - 74) * kVisibleRows / count);
        m_pScroll->Enable(1);
    }
    else
    {
        m_pScroll->Enable(0);
    }
}

void CModsList::Refresh()
{
    Clear();
    FindModsFiles();
    Layout();
}

void CModsList::Layout()
{
    const int count = GetCount();
    m_iFirst = count ? std::clamp(m_pScroll->GetPos(), 0, std::max(0, m_pScroll->GetMax())) : -1;
    for (int i = 0; i < count; ++i)
    {
        CListRowButton& row = *m_Rows[std::size_t(i)];
        if (i < m_iFirst || i > m_iFirst + kVisibleRows - 1)
        {
            row.Hide();
            continue;
        }
        const int top = m_Frame.top + 5 + (kRowHeight + kRowGap) * (i - m_iFirst);
        row.m_Rect.top = top;
        row.m_Rect.bottom = top + kRowHeight;
        row.Show();
    }
    m_Highlight = plat::Rect{};
    if (m_iSelected >= 0 && m_iSelected < count && m_Rows[std::size_t(m_iSelected)]->m_bVisible)
    {
        m_Highlight = m_Rows[std::size_t(m_iSelected)]->m_Rect;
        if (!m_pScroll->m_bEnabled) m_Highlight.right = m_Frame.right - 5;
    }
}

void CModsList::Select(int row)
{
    for (int i = 0; i < GetCount(); ++i)
        m_Rows[std::size_t(i)]->SetCheck(i == row ? 1 : 0);
    m_iSelected = row;
}

void CModsList::OnCommand(int code, int param)
{
    CGroupControl::OnCommand(code, param);
    const int row = code - kFirstCommand;
    if (row < 0 || row >= GetCount()) return;
    Select(row);
    Layout();
}

void CModsList::ProcessMessages()
{
    CGroupControl::ProcessMessages();
    if (!m_pScroll) return;
    const int count = GetCount();
    if (count > 0 && m_iSelected >= 0)
    {
        if (Pressed(kKeyUp))
        {
            Select(std::max(0, m_iSelected - 1));
            if (m_iSelected < m_iFirst) m_pScroll->SetPos(m_iFirst - 1);
            Layout();
        }
        if (Pressed(kKeyDown))
        {
            Select(std::min(count - 1, m_iSelected + 1));
            if (m_iSelected > m_iFirst + kVisibleRows - 1) m_pScroll->SetPos(m_iFirst + 1);
            Layout();
        }
    }
    if (m_pScroll->TakePosChanged()) Layout();
}

const SModInfo* CModsList::GetRecord(int row) const
{
    return row >= 0 && row < int(m_Records.size()) ? m_Records[std::size_t(row)].get() : nullptr;
}

CListRowButton* CModsList::GetRow(int row) const
{
    return row >= 0 && row < GetCount() ? m_Rows[std::size_t(row)].get() : nullptr;
}

void CModsList::Render()
{
    if (m_bRefresh)
    {
        m_bRefresh = false;
        Refresh();
    }
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!m_bVisible || !graphic) return;
    const int L = m_Frame.left, T = m_Frame.top, R = m_Frame.right, B = m_Frame.bottom;
    // A rectangle with 7-pixel cut corners, framed in white.
    FillRect(graphic, {L, T + 7, R, B - 7}, kFill);
    FillRect(graphic, {L + 7, T, R - 7, T + 7}, kFill);
    FillRect(graphic, {L + 7, B - 7, R - 7, B}, kFill);
    FillRect(graphic, {L + 7, T, R - 7, T + 1}, kWhite);
    FillRect(graphic, {L + 7, B - 1, R - 7, B}, kWhite);
    FillRect(graphic, {L, T + 7, L + 1, B - 7}, kWhite);
    FillRect(graphic, {R - 1, T + 7, R, B - 7}, kWhite);
    if (m_Highlight.right > m_Highlight.left) FillRect(graphic, m_Highlight, kFill);
    CGroupControl::Render();
    CGuidKey sheet = TextureKey(kUI1);
    DrawSprite(graphic, sheet, {L, T, L + 9, T + 9}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {L, B, L + 9, B - 9}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {R, B, R - 9, B - 9}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {R, T, R - 9, T + 9}, kCornerX, kCornerY);
}

// ---- the dialog

CModsDialog::CModsDialog()
{
    m_ClassID = MakeClassKey("CModsDialog", -1);
}

CModsDialog::~CModsDialog()
{
    while (m_pFirst)
        RemoveControl(m_pFirst->control);
}

void CModsDialog::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CModsDialog::Init");
    CGroupControl::Create(screen);
    m_ClassID = MakeClassKey("CModsDialog", -1);
    m_Frame = rect;
    const plat::Rect list{rect.left + 19, rect.top + 20, rect.right - 15, rect.top + 200};
    m_pList = std::make_unique<CModsList>();
    m_pList->Init(list, screen);
    AddControl(m_pList.get());

    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    m_pLoad = std::make_unique<CDialogButton>();
    m_pLoad->Create(w - 90, h - 45, w + 72, h - 20, kLoadCaption, CButton::kPush, kLoad);
    m_pLoad->SetPicture(kLoadPicture);
    AddControl(m_pLoad.get());

    m_pDescription = std::make_unique<CHTMLScrollWnd>();
    m_pDescription->Init(209, 205, 598, 355, screen);
    AddControl(m_pDescription.get());
    SetUID(TextureKey(kUI1));
}

void CModsDialog::Move(int dx, int dy)
{
    CGroupControl::Move(dx, dy);
    Offset(m_Frame, dx, dy);
}

void CModsDialog::ProcessMessages()
{
    CGroupControl::ProcessMessages();
    // The description follows the selection.
    const int selected = m_pList ? m_pList->GetSelected() : -1;
    if (selected == m_iShownRecord) return;
    m_iShownRecord = selected;
    m_pDescription->HTMLClear();
    if (const SModInfo* record = m_pList->GetRecord(selected))
        m_pDescription->AddEntry(record->text, nullptr, record->name, CHTMLWnd::kNoUserValue, nullptr, true, true);
}

void CModsDialog::OnCommand(int code, int)
{
    if (code != kLoad) return;
    const SModInfo* record = m_pList ? m_pList->GetRecord(m_pList->GetSelected()) : nullptr;
    if (!record) return;
    const std::string cfg = GetEngineBaseDirectory() + "DATA\\CONFIG\\cfg.ini";
    const std::string choice = std::string(kFolder) + record->fileName;
    plat::WritePrivateProfileString("CONFIG", "GameMod", choice.c_str(), cfg.c_str());
    LoadMods();
}

bool CModsDialog::LoadMods()
{
    const SModInfo* record = m_pList ? m_pList->GetRecord(m_pList->GetSelected()) : nullptr;
    if (!record || !record->autorun[0]) return false;
    // Load refused a start script longer than the application's field.
    if (auto* app = dynamic_cast<CMMApp*>(g_pApplication))
    {
        const std::size_t length = std::min(std::strlen(record->autorun), sizeof app->m_szScriptFile - 1);
        std::memcpy(app->m_szScriptFile, record->autorun, length);
        app->m_szScriptFile[length] = 0;
    }
    if (m_pScreen) m_pScreen->OnCommand(kMenuNewGame, 0);
    return true;
}

void CModsDialog::Render()
{
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!m_bVisible || !graphic) return;
    const plat::Rect& r = m_Frame;
    DrawDialogFrame(graphic, kUI1, r, m_uBackground, kSideWidth);
    for (int x = r.left + kGrid - 11; x < r.right - 23; x += kGrid)
        FillRect(graphic, {x, r.top + 4, x + 1, r.bottom - 4}, kGridColour);
    for (int y = r.top + kGrid - 11; y < r.bottom - 23; y += kGrid)
        FillRect(graphic, {r.left + 4, y, r.right - 4, y + 1}, kGridColour);
    CGroupControl::Render();
}
