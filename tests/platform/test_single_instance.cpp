// Single instance: a second process finds the first one's window by class,
// asks whether it is minimised and has it restored and raised.
#include "platform/Thread.h"
#include "platform/Window.h"
#include "platform/detail/WindowInternal.h"

#include <gtest/gtest.h>

// A second process is what this feature is about; fork() makes one that
// shares nothing with this one but the environment.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace
{

using namespace plat;

constexpr const char* kClass = "TVXWC0";

LResult QuietProc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class SingleInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("tarvox-instance-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_dir);
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        ASSERT_TRUE(RegisterClass(WindowClass{0, QuietProc, kClass, nullptr}));
        m_lockPath = detail::GetInstanceLockPath(kClass);
        m_socketPath = detail::GetInstanceSocketPath(kClass);
        ASSERT_FALSE(m_lockPath.empty());
    }

    void TearDown() override
    {
        ShutdownWindows();
        std::filesystem::remove_all(m_dir);
    }

    static Window* Create()
    {
        return CreateWindow(kClass, "Tarvox II", WS_OVERLAPPED | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT);
    }

    std::filesystem::path m_dir;
    std::string m_lockPath;
    std::string m_socketPath;
};

// What the engine's entry does when it finds itself second. Returns the
// exit code for the parent to check.
int RunSecondInstance()
{
    Window* first = FindWindow(kClass);
    if (!first) return 10;
    if (!IsIconic(first)) return 11;
    if (!ShowWindow(first, SW_RESTORE)) return 12;
    if (!SetForegroundWindow(first)) return 13;
    if (FindWindow("NoSuchClass")) return 14;
    return 0;
}

TEST_F(SingleInstanceTest, SecondProcessRestoresAndRaisesTheFirst)
{
    Window* hwnd = Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(FindWindow("tvxwc0"), hwnd); // this process finds its own window
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hwnd));
    const int restores = detail::GetRestoreRequestCount();
    const int raises = detail::GetRaiseRequestCount();

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(RunSecondInstance());

    // The child's requests are answered while this process pumps messages;
    // the bound only keeps a broken build from hanging the run.
    int status = 0;
    pid_t ended = 0;
    for (int round = 0; round < 20000; ++round)
    {
        Msg msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        if (ended == 0) ended = waitpid(child, &status, WNOHANG);
        if (ended != 0 && detail::GetRaiseRequestCount() > raises) break;
        Sleep(1);
    }
    if (ended == 0)
    {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the second process did not end";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(detail::GetRestoreRequestCount(), restores + 1);
    EXPECT_EQ(detail::GetRaiseRequestCount(), raises + 1);
    EXPECT_FALSE(IsIconic(hwnd));
}

TEST_F(SingleInstanceTest, FilesOfADeadOwnerAreIgnoredAndRemoved)
{
    // Left by a crash: a lock file nobody holds and a socket file.
    std::ofstream(m_lockPath) << "4242\n";
    std::ofstream(m_socketPath) << "";
    EXPECT_EQ(FindWindow(kClass), nullptr);
    EXPECT_FALSE(std::filesystem::exists(m_lockPath));
    EXPECT_FALSE(std::filesystem::exists(m_socketPath));

    // A socket file alone does not keep a new owner from answering.
    std::ofstream(m_socketPath) << "";
    EXPECT_EQ(FindWindow(kClass), nullptr);
    Window* hwnd = Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(std::filesystem::is_socket(m_socketPath));
    EXPECT_TRUE(std::filesystem::exists(m_lockPath));

    // The window going takes its files along.
    DestroyWindow(hwnd);
    EXPECT_FALSE(std::filesystem::exists(m_lockPath));
    EXPECT_FALSE(std::filesystem::exists(m_socketPath));
    EXPECT_EQ(FindWindow(kClass), nullptr);
    EXPECT_EQ(FindWindow("NoSuchClass"), nullptr);
}

} // namespace
