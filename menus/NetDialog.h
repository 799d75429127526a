// CNetDialog: the network-game dialog. It sets the network client up on a
// worker thread, lists the servers that answered the search, fetches and
// lists the games of the chosen server, creates a game, and shows the
// network settings and the new-game settings as tables (shown, not read
// back). No menu opens it; the application hosts it in a CUIDialog through
// the screen CNetUI below.
//
// Modes: 0 start (the servers listed or none found), 2 server list shown,
// 3 game list shown, 4 network settings shown, 5 new-game settings shown.
// The action button walks them: 0 -> 4 -> 0, 2 -> 3 (the chosen server's
// games); in mode 5 it creates the game "NewGame" on "net_test.mmp" and,
// once the server has given the player its id, ends the screen with 1004
// (the menu result "network game"); in mode 3 (join) it does nothing.
//
// The list holds at most 30 rows, eight of them shown at a time under the
// scroll bar. A message row ("Инициализация", "Серверы не найдены...",
// "На сервере нет игр") locks the list: it cannot be chosen. A row chosen
// in an unlocked list becomes the client's selected index (the server for
// the next games list).
//
// What the application calls (the client is g_pNetClient, made at start-up
// by CreateNetClient, net/NetClient.h):
//   CUIDialog dialog;                         // or CUIMainDialog
//   dialog.SetUI(int(g_iCNetUI), false);      // the screen builds the dialog
//   const int result = RunDialog(&dialog, nullptr, 1, 1);
//   // 1004: a game was created; g_pNetClient->m_iSelected is the player id:
//   // mode 3 with the network map "net_test.mmp". 1000: left with Escape.
// Building the screen runs the network start before the dialog's first
// frame: the client's Init and the server search (about 2 s with the
// layer's default search), on a worker thread while the caller waits.
//
// Threads: the dialog lives on the main thread. Only the set-up thread
// procedures run on a worker thread, and only while the main thread waits
// for them in RunSetUpThread; they touch the client alone.
// Ownership: the dialog owns its buttons, scroll bar and rows; the client is
// borrowed (it may be null: the network start then fails).
#pragma once

#include "ui/GroupControl.h"
#include "ui/UI.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDialogButton;
class CListRowButton;

// The dialog's texts (code page 1251).
namespace nettext
{
inline constexpr const char* kNewGame = "\xcd\xee\xe2\xe0\xff \xe8\xe3\xf0\xe0"; // Новая игра
inline constexpr const char* kFindServer =
    "\xcf\xee\xe8\xf1\xea \xf1\xe5\xf0\xe2\xe5\xf0\xe0";           // Поиск сервера
inline constexpr const char* kCancel = "\xce\xf2\xec\xe5\xed\xe0"; // Отмена
inline constexpr const char* kNetworkGame = "\xd1\xe5\xf2\xe5\xe2\xe0\xff \xe8\xe3\xf0\xe0"; // Сетевая игра
inline constexpr const char* kNetSettings =
    "\xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8 \xf1\xe5\xf2\xe8"; // Настройки сети
inline constexpr const char* kServerList =
    "\xd1\xef\xe8\xf1\xee\xea \xf1\xe5\xf0\xe2\xe5\xf0\xee\xe2"; // Список серверов
inline constexpr const char* kGameList = "\xd1\xef\xe8\xf1\xee\xea \xe8\xe3\xf0"; // Список игр
inline constexpr const char* kJoin = "\xc2 \xe8\xe3\xf0\xf3";                     // В игру
inline constexpr const char* kNetParameters =
    "\xcf\xe0\xf0\xe0\xec\xe5\xf2\xf0\xfb \xf1\xe5\xf2\xe8:"; // Параметры сети:
inline constexpr const char* kNewGameParameters =
    "\xcf\xe0\xf0\xe0\xec\xe5\xf2\xf0\xfb \xed\xee\xe2\xee\xe9 \xe8\xe3\xf0\xfb:"; // Параметры новой игры:
inline constexpr const char* kCreate = "\xd1\xee\xe7\xe4\xe0\xf2\xfc"; // Создать
inline constexpr const char* kOk = "Ok";
inline constexpr const char* kInitialising =
    "\xc8\xed\xe8\xf6\xe8\xe0\xeb\xe8\xe7\xe0\xf6\xe8\xff"; // Инициализация
inline constexpr const char* kInitError =
    "\xc8\xed\xe8\xf6\xe8\xe0\xeb\xe8\xe7\xe0\xf6\xe8\xff.Error"; // Инициализация.Error
inline constexpr const char* kNoServers =
    "\xd1\xe5\xf0\xe2\xe5\xf0\xfb \xed\xe5 \xed\xe0\xe9\xe4\xe5\xed\xfb..."; // Серверы не найдены...
inline constexpr const char* kNoGames =
    "\xcd\xe0 \xf1\xe5\xf0\xe2\xe5\xf0\xe5 \xed\xe5\xf2 \xe8\xe3\xf0"; // На сервере нет игр
inline constexpr const char* kIpAddress = "IP \xe0\xe4\xf0\xe5\xf1";   // IP адрес
inline constexpr const char* kPort = "\xcf\xee\xf0\xf2";               // Порт
inline constexpr const char* kGameName = "\xcd\xe0\xe7\xe2\xe0\xed\xe8\xe5 \xe8\xe3\xf0\xfb"; // Название игры
inline constexpr const char* kMap = "\xca\xe0\xf0\xf2\xe0";                                   // Карта
inline constexpr const char* kPlayers =
    "\xca\xee\xeb\xe8\xf7\xe5\xf1\xf2\xe2\xee \xe8\xe3\xf0\xee\xea\xee\xe2"; // Количество игроков
inline constexpr const char* kDefaultGame = "NewGame";
inline constexpr const char* kNetMap = "net_test.mmp";
inline constexpr const char* kDefaultPort = "2609";
inline constexpr const char* kDefaultPlayers = "16";
} // namespace nettext
class CMMNetClient;
class CScrollControl;

class CNetDialog : public CGroupControl
{
public:
    enum EMode
    {
        kModeStart = 0,
        kModeServers = 2,
        kModeGames = 3,
        kModeNetOptions = 4,
        kModeNewGame = 5,
    };
    enum EButton
    {
        kNewGameButton,
        kFindServerButton,
        kActionButton,
        kCancelButton,
        kButtonCount
    };

    static constexpr int kCmdCancel = 3955;
    static constexpr int kCmdOptions = 3956;
    static constexpr int kCmdFindServer = 3957;
    static constexpr int kCmdNewGame = 3958;
    static constexpr int kCmdAction = 3964;
    static constexpr int kCmdHeader = 61440;
    static constexpr int kCmdFirstRow = 61952;
    static constexpr int kMaxRows = 30;
    static constexpr int kVisibleRows = 8;
    static constexpr int kRowHeight = 38;
    static constexpr int kMessageRowHeight = 20;
    static constexpr int kRowPitch = 45;
    static constexpr int kListTop = 50;
    static constexpr std::uint32_t kFailure = 0x80004005u;
    static constexpr std::uint32_t kBackground = 0x7F194B7F;
    static constexpr std::uint32_t kColumnShade = 0x33CCCCCC;
    static constexpr std::uint32_t kGridColour = 0x26FFFFFF;
    // The smallest frame that holds the eight rows and the buttons.
    static constexpr int kMinWidth = 480;
    static constexpr int kMinHeight = 440;
    // The menu result of a created game.
    static constexpr int kResultNetworkGame = 1004;

    explicit CNetDialog(CMMNetClient* client);
    ~CNetDialog() override;

    // Builds the controls over rect and runs the network start.
    void Init(const plat::Rect& rect, IUI* screen) override;
    void OnCommand(int code, int param) override;
    void Render() override;

    void Options();
    void OptionsNewGame();
    void GameList();
    void ServerList();
    // Nothing once the list holds 30 rows.
    void AddItem(const char* left, const char* right);
    // Removes and deletes every row.
    void RefreshList();
    // The set-up thread procedures (param: the dialog): 0, or kFailure.
    static std::uint32_t LoadingThreadNetInit(void* dialog);
    static std::uint32_t LoadingThreadFindServer(void* dialog);

    // The address the server search asks: none and 0 (the default) search
    // the [NET] host, else the local network, on port 2609. The nethost
    // tool's users and the tests give the host's address.
    void SetSearchAddress(const char* host, std::uint32_t port);
    // Called between the polls while a set-up thread runs (the application
    // may draw a frame); none: the main thread only waits.
    std::function<void()> m_WaitFrame;

    int GetMode() const { return m_iMode; }
    int GetRowCount() const { return m_nRows; }
    CListRowButton* GetRow(int index) const;
    int GetSelectedRow() const { return m_iSelectedRow; }
    int GetFirstVisibleRow() const { return m_iFirstVisible; }
    bool IsListLocked() const { return m_bListLocked; }
    std::string GetTitle() const;
    CDialogButton* GetButton(EButton which) const { return m_pButtons[which]; }
    CScrollControl* GetScroll() const { return m_pScroll; }
    const plat::Rect& GetListRect() const { return m_ListRect; }
    // The title and the action button's caption of a mode.
    static const char* ModeTitle(int mode);
    static const char* ModeActionCaption(int mode);

private:
    // Runs proc on a worker thread (one step above normal priority) and
    // waits for it, calling m_WaitFrame between polls; its exit code.
    std::uint32_t RunSetUpThread(std::uint32_t (*proc)(void*));
    std::uint32_t SearchServers();
    void UpdateCaptions();
    void UpdateScroll();
    void CreateGame();
    void SetTitle(const char* text);
    void DrawFrame();
    void DrawGrid();

    CMMNetClient* m_pClient = nullptr;
    int m_iMode = kModeStart;
    CDialogButton* m_pButtons[kButtonCount] = {};
    CListRowButton* m_pTable = nullptr;
    CScrollControl* m_pScroll = nullptr;
    std::uint32_t m_dwBackground = kBackground;
    plat::Rect m_FrameRect{};
    plat::Rect m_ListRect{};
    int m_iSelectedRow = -1;
    int m_iFirstVisible = 0;
    bool m_bListLocked = false;
    CListRowButton* m_Rows[kMaxRows] = {};
    int m_nRows = 0;
    std::string m_sSearchHost;
    std::uint32_t m_nSearchPort = 0;
};

// The screen that hosts the network-game dialog over the whole screen's
// middle, on g_pNetClient. Class id "IGUID_CNetUI" (registered by
// RegisterMenusClasses).
class CNetUI : public IUI
{
public:
    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    // Builds the dialog (which runs the network start) as the main group.
    void Init(IGraphicInterface* graphic, IInput* input) override;

    CNetDialog* GetDialog() const { return m_pDialog; }

private:
    CNetDialog* m_pDialog = nullptr;
};

extern std::uint32_t g_iCNetUI;
void RegisterNetUIClass();
