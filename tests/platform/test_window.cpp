// Windows: classes, creation and destruction, state and geometry, the
// default window procedure, and desktop events turned into messages.
#include "platform/Window.h"
#include "platform/detail/WindowInternal.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace
{

using namespace plat;

struct SSeen
{
    std::uint32_t message;
    WParam wParam;
};

std::vector<SSeen> g_seen;

LResult RecordingProc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    g_seen.push_back({message, wParam});
    if (message == WM_DESTROY) PostQuitMessage(7);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

LResult RefusingProc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    return message == WM_CREATE ? -1 : DefWindowProc(hwnd, message, wParam, lParam);
}

bool Seen(std::uint32_t message)
{
    for (const SSeen& s : g_seen)
        if (s.message == message) return true;
    return false;
}

// SDL's numbers, which the test hooks take.
constexpr int kScanA = 4;
constexpr int kScanReturn = 40;
constexpr int kScanF4 = 61;
constexpr int kScanF10 = 67;
constexpr int kScanPrintScreen = 70;
constexpr int kScanKpEnter = 88;
constexpr int kScanKp7 = 95;
constexpr int kScanRCtrl = 228;
constexpr int kScanUnknown = 0;
constexpr std::uint16_t kModLAlt = 0x0100;
constexpr std::uint16_t kModLCtrl = 0x0040;
constexpr std::uint16_t kModNum = 0x1000;

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Windows are findable by class through files in the runtime
        // directory; keep this run's files to itself.
        m_dir = std::filesystem::temp_directory_path() /
                ("tarvox-window-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_dir);
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        g_seen.clear();
        // The thread's queue outlives a test: a quit left by an earlier one goes.
        Drain(nullptr, 0, 0);
        ASSERT_TRUE(
            RegisterClass(WindowClass{CS_HREDRAW | CS_VREDRAW, RecordingProc, "TestWindow", nullptr}));
    }

    void TearDown() override
    {
        ShutdownWindows();
        std::filesystem::remove_all(m_dir);
    }

    static Window* Create(std::uint32_t style = WS_OVERLAPPED)
    {
        // The title is code page 1251, as every engine text.
        return CreateWindow("TestWindow", "\xCE\xEA\xED\xEE", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT);
    }

    // Takes and dispatches the waiting messages in the range.
    static std::vector<Msg> Drain(Window* hwnd, std::uint32_t filterMin, std::uint32_t filterMax)
    {
        std::vector<Msg> taken;
        Msg msg;
        while (PeekMessage(&msg, hwnd, filterMin, filterMax, PM_REMOVE))
        {
            taken.push_back(msg);
            DispatchMessage(&msg);
        }
        return taken;
    }

    std::filesystem::path m_dir;
};

TEST_F(WindowTest, ClassesAreCheckedAndNamedWithoutCase)
{
    EXPECT_FALSE(RegisterClass(WindowClass{0, RecordingProc, "TESTWINDOW", nullptr}));
    EXPECT_FALSE(RegisterClass(WindowClass{0, nullptr, "NoProc", nullptr}));
    EXPECT_FALSE(RegisterClass(WindowClass{0, RecordingProc, std::string(64, 'x').c_str(), nullptr}));
    EXPECT_EQ(CreateWindow("NoSuchClass", "", 0, 0, 0, 10, 10), nullptr);

    ASSERT_TRUE(RegisterClass(WindowClass{0, RefusingProc, "Refusing", nullptr}));
    EXPECT_EQ(CreateWindow("Refusing", "", 0, 0, 0, 10, 10), nullptr);

    Window* hwnd = Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(UnregisterClass("testwindow")); // a window of it lives
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_TRUE(UnregisterClass("testwindow"));
}

TEST_F(WindowTest, CloseDestroysAndQuits)
{
    Window* hwnd = Create(WS_OVERLAPPED | WS_MAXIMIZE);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.front().message, WM_CREATE);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(FindWindow("TESTWINDOW"), hwnd);
    EXPECT_EQ(detail::GetMainWindow(), hwnd);

    ASSERT_TRUE(PostMessage(hwnd, WM_CLOSE, 0, 0));
    // The quit posted by WM_DESTROY reaches even a pump filtered to the
    // window, so the engine's main loop sees it.
    const std::vector<Msg> taken = Drain(hwnd, WM_CLOSE, WM_CLOSE);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[1].message, WM_QUIT);
    EXPECT_EQ(taken[1].wParam, 7u);
    EXPECT_TRUE(Seen(WM_CLOSE));
    EXPECT_TRUE(Seen(WM_DESTROY));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(FindWindow("TestWindow"), nullptr);
    EXPECT_EQ(detail::GetMainWindow(), nullptr);
    // A device may still be bound to the destroyed window's surface.
    EXPECT_NE(detail::GetSdlWindow(hwnd), nullptr);
}

TEST_F(WindowTest, ShowCommandsSetTheState)
{
    struct SRow
    {
        std::uint32_t style;
        std::vector<int> commands;
        bool visible;
        bool iconic;
        bool maximized;
    };
    const SRow rows[] = {
        {WS_OVERLAPPED, {SW_SHOWNORMAL}, true, false, false},
        // The show command of the process's start keeps a window made maximised.
        {WS_OVERLAPPED | WS_MAXIMIZE, {SW_SHOWNORMAL}, true, false, true},
        {WS_OVERLAPPED | WS_MAXIMIZE, {SW_SHOWNORMAL, SW_RESTORE}, true, false, false},
        // Restoring a minimised window gives back its maximised state.
        {WS_OVERLAPPED, {SW_SHOWMAXIMIZED, SW_MINIMIZE, SW_RESTORE}, true, false, true},
        {WS_OVERLAPPED, {SW_SHOW, SW_MINIMIZE}, true, true, false},
        {WS_OVERLAPPED | WS_VISIBLE, {SW_HIDE}, false, false, false},
    };
    for (const SRow& row : rows)
    {
        Window* hwnd = Create(row.style);
        ASSERT_NE(hwnd, nullptr);
        for (int command : row.commands)
            ShowWindow(hwnd, command);
        const std::uint32_t style = GetWindowStyle(hwnd);
        SCOPED_TRACE(testing::Message()
                     << "style " << std::hex << row.style << " commands " << row.commands.size());
        EXPECT_EQ((style & WS_VISIBLE) != 0, row.visible);
        EXPECT_EQ(IsIconic(hwnd), row.iconic);
        EXPECT_EQ((style & WS_MAXIMIZE) != 0, row.maximized);
        DestroyWindow(hwnd);
    }
}

TEST_F(WindowTest, StyleAndGeometry)
{
    Window* hwnd = Create();
    ASSERT_NE(hwnd, nullptr);
    Rect rect;
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(rect.right, 1024);
    EXPECT_EQ(rect.bottom, 768);
    // Overlapped windows get a caption; the engine removes it for a borderless one.
    EXPECT_EQ(GetWindowStyle(hwnd) & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW)); // it was hidden
    EXPECT_TRUE(ShowWindow(hwnd, SW_SHOW));

    ASSERT_TRUE(SetWindowStyle(hwnd, WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(GetWindowStyle(hwnd) & (WS_POPUP | WS_CAPTION | WS_VISIBLE), WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(SetWindowPos(hwnd, 10, 20, 800, 600));
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 800);
    EXPECT_EQ(rect.bottom, 600);
    Point pt{5, 6};
    ASSERT_TRUE(ClientToScreen(hwnd, &pt));
    EXPECT_EQ(pt.x, 15);
    EXPECT_EQ(pt.y, 26);
    ASSERT_TRUE(ScreenToClient(hwnd, &pt));
    EXPECT_EQ(pt.x, 5);
    EXPECT_EQ(pt.y, 6);

    ASSERT_TRUE(SetCursorPos(110, 120));
    ASSERT_TRUE(GetCursorPos(&pt));
    EXPECT_EQ(pt.x, 110);
    EXPECT_EQ(pt.y, 120);

    const Rect desktop = GetDesktopRect();
    EXPECT_GT(desktop.right, 0);
    EXPECT_GT(desktop.bottom, 0);
    EXPECT_FALSE(GetClientRect(nullptr, &rect));
}

TEST_F(WindowTest, KeysBecomeKeyMessages)
{
    Window* hwnd = Create(WS_OVERLAPPED | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    struct SRow
    {
        int scancode;
        bool down;
        bool repeat;
        std::uint16_t mod;
        std::uint32_t message; // 0: no message
        WParam vk;
        std::uint32_t lParam;
    };
    const SRow rows[] = {
        {kScanA, true, false, 0, WM_KEYDOWN, 'A', 0x001E0001},
        {kScanA, true, true, 0, WM_KEYDOWN, 'A', 0x401E0001},
        {kScanA, false, false, 0, WM_KEYUP, 'A', 0xC01E0001},
        {kScanA, true, false, kModLAlt, WM_SYSKEYDOWN, 'A', 0x201E0001},
        // Ctrl+Alt is AltGr on many layouts: an ordinary key.
        {kScanA, true, false, kModLAlt | kModLCtrl, WM_KEYDOWN, 'A', 0x001E0001},
        {kScanF10, true, false, 0, WM_SYSKEYDOWN, VK_F1 + 9, 0x00440001},
        {kScanKpEnter, true, false, 0, WM_KEYDOWN, VK_RETURN, 0x011C0001},
        {kScanRCtrl, true, false, 0, WM_KEYDOWN, VK_CONTROL, 0x011D0001},
        {kScanPrintScreen, false, false, 0, WM_KEYUP, VK_SNAPSHOT, 0xC1370001},
        {kScanKp7, true, false, kModNum, WM_KEYDOWN, VK_NUMPAD0 + 7, 0x00470001},
        {kScanKp7, true, false, 0, WM_KEYDOWN, VK_HOME, 0x00470001},
        {kScanUnknown, true, false, 0, 0, 0, 0},
    };
    Drain(nullptr, 0, 0);
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "scancode " << row.scancode << " mod " << row.mod);
        ASSERT_TRUE(detail::InjectKeyEvent(row.scancode, row.down, row.repeat, row.mod));
        const std::vector<Msg> taken = Drain(hwnd, WM_KEYDOWN, WM_SYSKEYUP);
        if (row.message == 0)
        {
            EXPECT_TRUE(taken.empty());
            continue;
        }
        ASSERT_EQ(taken.size(), 1u);
        EXPECT_EQ(taken[0].message, row.message);
        EXPECT_EQ(taken[0].wParam, row.vk);
        EXPECT_EQ(static_cast<std::uint32_t>(taken[0].lParam), row.lParam);
    }
}

TEST_F(WindowTest, AltF4ClosesThroughTheSystemCommand)
{
    Window* hwnd = Create(WS_OVERLAPPED | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(detail::InjectKeyEvent(kScanF4, true, false, kModLAlt));
    Drain(hwnd, 0, 0);
    EXPECT_TRUE(Seen(WM_SYSKEYDOWN));
    EXPECT_TRUE(Seen(WM_SYSCOMMAND));
    EXPECT_TRUE(Seen(WM_DESTROY));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, TextArrivesInCodePage1251)
{
    Window* hwnd = Create(WS_OVERLAPPED | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    // "a", Cyrillic Zhe, the euro sign, an emoji (not in 1251), "?".
    ASSERT_TRUE(detail::InjectTextEvent("a\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80?"));
    const std::vector<Msg> taken = Drain(hwnd, WM_CHAR, WM_CHAR);
    std::vector<WParam> chars;
    for (const Msg& m : taken)
        chars.push_back(m.wParam);
    EXPECT_EQ(chars, (std::vector<WParam>{'a', 0xC6, 0x88, '?'}));
}

TEST_F(WindowTest, WheelGivesDeltaPerNotch)
{
    Window* hwnd = Create(WS_OVERLAPPED | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(detail::InjectMouseWheel(1));
    ASSERT_TRUE(detail::InjectMouseWheel(-2));
    const std::vector<Msg> taken = Drain(hwnd, WM_MOUSEWHEEL, WM_MOUSEWHEEL);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(static_cast<std::int16_t>(taken[0].wParam >> 16), 120);
    EXPECT_EQ(static_cast<std::int16_t>(taken[1].wParam >> 16), -240);
}

TEST_F(WindowTest, InterruptSignalClosesTheMainWindow)
{
    Window* hwnd = Create(WS_OVERLAPPED | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    std::raise(SIGINT);
    const std::vector<Msg> taken = Drain(hwnd, WM_CLOSE, WM_CLOSE);
    ASSERT_FALSE(taken.empty());
    EXPECT_EQ(taken[0].message, WM_CLOSE);
    EXPECT_TRUE(Seen(WM_DESTROY));
}

TEST_F(WindowTest, HeadlessMessageBoxAndCursorCounter)
{
    ASSERT_NE(Create(), nullptr);
    // On a real display the box would wait for a click.
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && std::string(driver) == "offscreen")
    {
        EXPECT_EQ(
            MessageBox(nullptr, "Graphic initialization fail.", "Initialization error", MB_OK | MB_ICONERROR),
            static_cast<int>(IDOK));
        EXPECT_EQ(MessageBox(nullptr, "Quit?", "Question", MB_YESNO), IDYES);
    }

    const int hidden = ShowCursor(false);
    EXPECT_EQ(ShowCursor(true), hidden + 1);

    const int switches = GetKeyboardLayoutSwitchCount();
    ActivateNextKeyboardLayout();
    EXPECT_EQ(GetKeyboardLayoutSwitchCount(), switches + 1);
}

} // namespace
