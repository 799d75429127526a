#include "menus/NetDialog.h"

#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "menus/DialogButton.h"
#include "menus/ListRowButton.h"
#include "net/NetClient.h"
#include "platform/Thread.h"
#include "ui/markup/PictureButton.h"
#include "ui/markup/ScrollControl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using plat::Rect;

namespace
{
constexpr int kSheetSpan = 1024;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr int kButtonWidth = 130;
constexpr int kButtonHeight = 26;
constexpr int kScrollWidth = 17;
// The shaded column of the list, from the frame's left edge.
constexpr int kColumnLeft = 3;
constexpr int kColumnRight = 196;
constexpr int kGridPitch = 30;
constexpr int kGridMark = 4;
// The wait after the games list arrived, for the server's follow-up
// messages to come in before the list is shown.
constexpr std::uint32_t kGameListSettle = 100;

struct SButtonSpec
{
    const char* caption;
    int command;
    int picture;
};
// The action button's caption follows the mode (UpdateCaptions).
const SButtonSpec kButtons[CNetDialog::kButtonCount] = {
    {nettext::kNewGame, CNetDialog::kCmdNewGame, 3958},
    {nettext::kFindServer, CNetDialog::kCmdFindServer, 3957},
    {"", CNetDialog::kCmdAction, 3955},
    {nettext::kCancel, CNetDialog::kCmdCancel, 3964},
};
} // namespace

std::uint32_t g_iCNetUI = 0;

CNetDialog::CNetDialog(CMMNetClient* client) : m_pClient(client) {}

CNetDialog::~CNetDialog()
{
    RefreshList();
    for (CDialogButton*& button : m_pButtons)
    {
        RemoveControl(button);
        delete button;
        button = nullptr;
    }
    RemoveControl(m_pTable);
    delete m_pTable;
    RemoveControl(m_pScroll);
    delete m_pScroll;
}

const char* CNetDialog::ModeTitle(int mode)
{
    switch (mode)
    {
    case kModeStart:
        return nettext::kNetworkGame;
    case kModeServers:
        return nettext::kServerList;
    case kModeGames:
        return nettext::kGameList;
    case kModeNetOptions:
        return nettext::kNetParameters;
    case kModeNewGame:
        return nettext::kNewGameParameters;
    default:
        return "";
    }
}

const char* CNetDialog::ModeActionCaption(int mode)
{
    switch (mode)
    {
    case kModeStart:
        return nettext::kNetSettings;
    case kModeServers:
        return nettext::kGameList;
    case kModeGames:
        return nettext::kJoin;
    case kModeNetOptions:
        return nettext::kOk;
    case kModeNewGame:
        return nettext::kCreate;
    default:
        return "";
    }
}

void CNetDialog::SetSearchAddress(const char* host, std::uint32_t port)
{
    m_sSearchHost = host ? host : "";
    m_nSearchPort = port;
}

CListRowButton* CNetDialog::GetRow(int index) const
{
    return index >= 0 && index < m_nRows ? m_Rows[index] : nullptr;
}

std::string CNetDialog::GetTitle() const
{
    return m_pTable ? std::string(m_pTable->GetTitle().GetText()) : std::string();
}

void CNetDialog::SetTitle(const char* text)
{
    if (m_pTable) m_pTable->SetTitle(text);
}

void CNetDialog::Init(const Rect& rect, IUI* screen)
{
    CGroupControl::Init(rect, screen);
    m_ClassID = MakeClassKey("CNetDialog", -1);
    m_FrameRect = rect;
    const int right = rect.right - 10;
    m_ListRect = Rect{rect.left + kColumnLeft, rect.top + kListTop, right - kButtonWidth - 20 - kScrollWidth,
                      rect.bottom - 24};

    // The buttons in a column at the right; cancel at the bottom.
    for (int i = 0; i < kButtonCount; ++i)
    {
        auto* button = new CDialogButton();
        const int top = i == kCancelButton ? rect.bottom - 14 - kButtonHeight
                                           : rect.top + kListTop + i * (kButtonHeight + 8);
        button->Create(right - kButtonWidth, top, right, top + kButtonHeight, kButtons[i].caption,
                       CButton::kPush, kButtons[i].command);
        button->m_iTextAlign = 2;
        button->SetPicture(kButtons[i].picture);
        button->m_pScreen = screen;
        AddControlAt(button);
        m_pButtons[i] = button;
    }

    // The bar takes the right edge of an area given from the dialog's
    // corner, and moves with it to the list's top.
    m_pScroll = new CScrollControl();
    m_pScroll->Init(0, 0, m_ListRect.right + 3 + kScrollWidth - rect.left, m_ListRect.bottom - m_ListRect.top,
                    CScrollControl::kVertical, screen);
    AddControl(m_pScroll);
    m_pScroll->Move(0, m_ListRect.top - rect.top);

    // The table's header row: its title is the dialog's.
    m_pTable = new CListRowButton();
    m_pTable->Create(rect.left + 12, rect.top + 12, right - kButtonWidth - 10, rect.top + 44, "",
                     CButton::kPush, kCmdHeader);
    m_pTable->m_iKind = CButton::kRadio;
    m_pTable->m_pScreen = screen;
    AddControlAt(m_pTable);
    SetTitle(nettext::kServerList);

    CGuidKey texture;
    MakeGuidKey(&texture, "TEX_INT_UI1");
    SetUID(texture);

    RefreshList();
    // A message row until the network start has run.
    m_bListLocked = true;
    AddItem("", nettext::kInitialising);

    if (RunSetUpThread(&CNetDialog::LoadingThreadNetInit) == kFailure)
        AddItem(nettext::kInitError, "");
    else
        ServerList();
    UpdateCaptions();
}

std::uint32_t CNetDialog::RunSetUpThread(std::uint32_t (*proc)(void*))
{
    plat::Handle thread = plat::CreateThread(proc, this, nullptr);
    if (!thread)
    {
        g_ErrorLog.LogError("CNetDialog: the set-up thread cannot be started");
        return kFailure;
    }
    plat::SetThreadPriority(thread, plat::THREAD_PRIORITY_ABOVE_NORMAL);
    // Polled 1 ms apart, so that the caller may draw in between.
    while (plat::WaitForSingleObject(thread, 1) == plat::WAIT_TIMEOUT)
    {
        if (m_WaitFrame) m_WaitFrame();
    }
    std::uint32_t code = kFailure;
    plat::GetExitCodeThread(thread, &code);
    plat::CloseHandle(thread);
    return code;
}

std::uint32_t CNetDialog::SearchServers()
{
    const char* host = m_sSearchHost.empty() ? nullptr : m_sSearchHost.c_str();
    return plat::Failed(m_pClient->SetHost(host, m_nSearchPort)) ? kFailure : 0u;
}

std::uint32_t CNetDialog::LoadingThreadNetInit(void* param)
{
    auto* self = static_cast<CNetDialog*>(param);
    if (!self->m_pClient || plat::Failed(self->m_pClient->Init()))
    {
        g_ErrorLog.LogError("CNetDialog::LoadingThreadNetInit - Error Net Init");
        return kFailure;
    }
    // A search that finds nobody is not a failed start: the server list
    // then says that no server was found.
    self->SearchServers();
    return 0;
}

std::uint32_t CNetDialog::LoadingThreadFindServer(void* param)
{
    auto* self = static_cast<CNetDialog*>(param);
    if (!self->m_pClient || self->SearchServers() == kFailure)
    {
        g_ErrorLog.LogError("CNetDialog::LoadingThreadFindServer - Error Find Server");
        return kFailure;
    }
    return 0;
}

void CNetDialog::ServerList()
{
    SetTitle(nettext::kServerList);
    RefreshList();
    const int count = m_pClient ? m_pClient->GetServerCount() : 0;
    if (count == 0)
    {
        m_bListLocked = true;
        AddItem(nettext::kNoServers, "");
        m_iMode = kModeStart;
        return;
    }
    m_iMode = kModeServers;
    m_bListLocked = false;
    for (int i = 0; i < count; ++i)
    {
        const CMMNetClient::SServerEntry& server = m_pClient->GetServer(i);
        AddItem(server.sessionName, server.hostName);
    }
}

void CNetDialog::GameList()
{
    if (!m_pClient || m_pClient->m_iSelected < 0 || m_pClient->m_iSelected >= m_pClient->GetServerCount())
        return;
    SetTitle(nettext::kGameList);
    RefreshList();
    m_bListLocked = false;
    if (!m_pClient->GetGamesList())
    {
        // A message row: nothing to choose.
        m_bListLocked = true;
        AddItem("", nettext::kNoGames);
        return;
    }
    plat::Sleep(kGameListSettle);
    m_iMode = kModeGames;
    for (int i = 0; i < m_pClient->GetGameCount(); ++i)
    {
        const netmsg::SGameRecord& game = m_pClient->GetGame(i);
        AddItem(CMMNetClient::GameText(game, 1).c_str(), CMMNetClient::GameText(game, 2).c_str());
    }
}

void CNetDialog::Options()
{
    SetTitle(nettext::kNetParameters);
    RefreshList();
    m_bListLocked = false;
    AddItem(nettext::kIpAddress, "");
    AddItem(nettext::kPort, nettext::kDefaultPort);
    m_iMode = kModeNetOptions;
}

void CNetDialog::OptionsNewGame()
{
    SetTitle(nettext::kNewGameParameters);
    RefreshList();
    m_bListLocked = false;
    AddItem(nettext::kGameName, nettext::kDefaultGame);
    AddItem(nettext::kMap, nettext::kNetMap);
    AddItem(nettext::kPlayers, nettext::kDefaultPlayers);
    m_iMode = kModeNewGame;
}

void CNetDialog::CreateGame()
{
    if (!m_pClient) return;
    netmsg::SGameRecord record{};
    std::snprintf(record.text1, sizeof record.text1, "%s", nettext::kDefaultGame);
    std::snprintf(record.text2, sizeof record.text2, "%s", nettext::kNetMap);
    record.tail = 0xFFFFFFFFu;
    // The server answers a creation with the games' details, which carry
    // the player's id.
    if (!m_pClient->CreateGame(record) || !m_pClient->WaitForReply(netmsg::kGameDetails, 1000))
    {
        g_ErrorLog.LogError("CNetDialog: the game \"%s\" could not be created", nettext::kDefaultGame);
        return;
    }
    if (m_pScreen) m_pScreen->EndModal(kResultNetworkGame);
}

void CNetDialog::OnCommand(int code, int param)
{
    switch (code)
    {
    case kCmdCancel:
        m_iMode = kModeStart;
        break;
    case kCmdOptions:
        Options();
        break;
    case kCmdFindServer:
        RunSetUpThread(&CNetDialog::LoadingThreadFindServer);
        ServerList();
        break;
    case kCmdNewGame:
        OptionsNewGame();
        break;
    case kCmdAction:
        switch (m_iMode)
        {
        case kModeStart:
            Options();
            break;
        case kModeServers:
            GameList();
            break;
        case kModeNetOptions:
            m_iMode = kModeStart;
            break;
        case kModeNewGame:
            CreateGame();
            break;
        default:
            break; // joining is not offered
        }
        break;
    default:
        CGroupControl::OnCommand(code, param);
        break;
    }

    const int row = code - kCmdFirstRow;
    if (!m_bListLocked && row >= 0 && row < m_nRows)
    {
        for (int i = 0; i < m_nRows; ++i)
            m_Rows[i]->SetCheck(i == row);
        m_iSelectedRow = row;
        if (m_pClient) m_pClient->m_iSelected = row;
    }
    UpdateScroll();
}

void CNetDialog::UpdateScroll()
{
    if (!m_pScroll) return;
    const int first = std::clamp(m_pScroll->GetPos(), 0, std::max(m_pScroll->GetMax(), 0));
    if (first == m_iFirstVisible) return;
    m_iFirstVisible = first;
    if (m_nRows < kVisibleRows) return;
    for (int i = 0; i < m_nRows; ++i)
    {
        CListRowButton* row = m_Rows[i];
        if (i < first || i >= first + kVisibleRows)
        {
            row->Hide();
            continue;
        }
        const int top = m_ListRect.top + (i - first) * kRowPitch;
        row->Move(0, top - row->m_Rect.top);
        row->m_Rect.bottom = row->m_Rect.top + kRowHeight;
        row->Show();
    }
}

void CNetDialog::AddItem(const char* left, const char* right)
{
    if (m_nRows >= kMaxRows) return;
    const int n = m_nRows;
    const int height = m_bListLocked ? kMessageRowHeight : kRowHeight;
    const int top =
        n == 0 ? m_FrameRect.top + kListTop : m_Rows[n - 1]->m_Rect.bottom + (kRowPitch - kRowHeight);
    auto* row = new CListRowButton();
    row->Create(m_ListRect.left, top, m_ListRect.right, top + height, "", CButton::kPush, kCmdFirstRow + n);
    row->m_iKind = CButton::kRadio;
    row->m_pScreen = m_pScreen;
    row->SetTitle(left);
    row->SetSubtitle(right);
    // A message row cannot be chosen.
    row->Enable(!m_bListLocked);
    row->SetUID(GetUID());
    AddControlAt(row);
    m_Rows[m_nRows++] = row;
    if (!m_bListLocked && n == 0)
    {
        m_iSelectedRow = 0;
        row->SetCheck(1);
    }
    if (m_nRows > kVisibleRows && m_pScroll)
    {
        row->Hide();
        m_pScroll->Enable(1);
        m_pScroll->SetMax(m_nRows - kVisibleRows);
        m_pScroll->SetThumbSize((m_FrameRect.bottom - m_FrameRect.top - 74) * kVisibleRows / m_nRows);
    }
}

void CNetDialog::RefreshList()
{
    for (int i = 0; i < m_nRows; ++i)
    {
        RemoveControl(m_Rows[i]);
        delete m_Rows[i];
        m_Rows[i] = nullptr;
    }
    m_nRows = 0;
    m_iSelectedRow = -1;
    m_iFirstVisible = 0;
    if (m_pScroll)
    {
        m_pScroll->SetMax(0);
        m_pScroll->SetPos(0);
        // Nothing to scroll until a ninth row comes.
        m_pScroll->Enable(0);
    }
}

void CNetDialog::UpdateCaptions()
{
    SetTitle(ModeTitle(m_iMode));
    if (m_pButtons[kActionButton]) m_pButtons[kActionButton]->SetText(ModeActionCaption(m_iMode));
    for (EButton which : {kNewGameButton, kFindServerButton})
    {
        CDialogButton* button = m_pButtons[which];
        if (!button) continue;
        if (m_iMode == kModeStart && !button->IsShown())
            button->Show();
        else if (m_iMode != kModeStart && button->IsShown())
            button->Hide();
    }
}

void CNetDialog::Render()
{
    if (!m_bVisible) return;
    UpdateCaptions();
    Fill(m_FrameRect, m_dwBackground);
    // The shaded column marks the chosen row.
    if (!m_bListLocked)
    {
        const CListRowButton* row = GetRow(m_iSelectedRow);
        if (row && row->m_bVisible)
            Fill(Rect{m_FrameRect.left + kColumnLeft, row->m_Rect.top, m_FrameRect.left + kColumnRight,
                      row->m_Rect.bottom},
                 kColumnShade);
    }
    DrawFrame();
    DrawGrid();
    CGroupControl::Render();
}

void CNetDialog::DrawFrame()
{
    const int l = m_FrameRect.left, t = m_FrameRect.top, r = m_FrameRect.right, b = m_FrameRect.bottom;
    for (const Rect& line : {Rect{l + 4, t + 13, l + 5, t + 27}, Rect{l + 4, t + 154, l + 5, b - 13},
                             Rect{r - 5, t + 13, r - 4, b - 13}, Rect{l + 13, t + 4, l + 408, t + 5},
                             Rect{l + 13, b - 5, l + 408, b - 4}})
        Fill(line, kWhite);
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!graphic) return;
    const CGuidKey uid = GetUID();
    const char* texture = uid.name;
    graphic->SetFade(1.0f);
    // One corner piece, mirrored into the other three corners.
    for (const Rect& corner : {Rect{l + 4, t + 4, l + 13, t + 13}, Rect{l + 4, b - 4, l + 13, b - 13},
                               Rect{r - 4, b - 4, r - 13, b - 13}, Rect{r - 4, t + 4, r - 13, t + 13}})
        DrawSheetPiece(graphic, texture, corner, 831, 753, 831 + kSheetSpan, 753 + kSheetSpan, 0x13);
    DrawSheetPiece(graphic, texture, Rect{l + 3, t + 27, l + 9, t + 154}, 1018, 743, 1018 + kSheetSpan,
                   743 + kSheetSpan, 11);
}

void CNetDialog::DrawGrid()
{
    const int l = m_FrameRect.left, t = m_FrameRect.top, r = m_FrameRect.right, b = m_FrameRect.bottom;
    const Rect& list = m_ListRect;
    // Over the list a line is only a short mark at each frame edge.
    for (int x = l + 19; x < r - 23; x += kGridPitch)
    {
        if (x >= list.left && x < list.right)
        {
            Fill(Rect{x, t + 4, x + 1, t + 4 + kGridMark}, kGridColour);
            Fill(Rect{x, b - 4 - kGridMark, x + 1, b - 4}, kGridColour);
        }
        else
        {
            Fill(Rect{x, t + 4, x + 1, b - 4}, kGridColour);
        }
    }
    for (int y = t + 19; y < b - 23; y += kGridPitch)
    {
        if (y >= list.top && y < list.bottom)
        {
            Fill(Rect{l + 4, y, l + 4 + kGridMark, y + 1}, kGridColour);
            Fill(Rect{r - 4 - kGridMark, y, r - 4, y + 1}, kGridColour);
        }
        else
        {
            Fill(Rect{l + 4, y, r - 4, y + 1}, kGridColour);
        }
    }
}

// ---- CNetUI

CGuidKey CNetUI::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CNetUI");
}

void CNetUI::Init(IGraphicInterface* graphic, IInput* input)
{
    delete m_pMainGroup;
    IUI::Init(graphic, input);
    const plat::Point size = graphic ? graphic->GetScreenSize() : plat::Point{1024, 768};
    const int width = std::max(CNetDialog::kMinWidth, size.x / 2);
    const int height = std::max(CNetDialog::kMinHeight, size.y * 3 / 5);
    const int left = (size.x - width) / 2, top = (size.y - height) / 2;
    m_pDialog = new CNetDialog(g_pNetClient);
    SetMainGroup(m_pDialog);
    m_pDialog->Init(Rect{left, top, left + width, top + height}, this);
}

namespace
{
IBaseInterface* CreateNetUI()
{
    return new CNetUI();
}
} // namespace

void RegisterNetUIClass()
{
    RegisterClassFactory(&g_iCNetUI, &CreateNetUI, "IGUID_CNetUI");
}
