// Message queues: filters, ordering, WM_QUIT, thread queues, translation.
#include "platform/Thread.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace plat;

LResult QuietProc(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class MessageQueueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("tarvox-queue-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_dir);
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
        ASSERT_TRUE(RegisterClass(WindowClass{0, QuietProc, "QueueTest", nullptr}));
        m_first = CreateWindow("QueueTest", "first", WS_OVERLAPPED, 0, 0, 64, 64);
        m_second = CreateWindow("QueueTest", "second", WS_OVERLAPPED, 0, 0, 64, 64);
        ASSERT_NE(m_first, nullptr);
        ASSERT_NE(m_second, nullptr);
        // What creating the windows queued is not the subject here.
        Msg msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        {
        }
    }

    void TearDown() override
    {
        ShutdownWindows();
        std::filesystem::remove_all(m_dir);
    }

    // The ids of every message the filter takes, in order, removing them.
    static std::vector<std::uint32_t> TakeAll(Window* hwnd, std::uint32_t filterMin, std::uint32_t filterMax)
    {
        std::vector<std::uint32_t> ids;
        Msg msg;
        while (PeekMessage(&msg, hwnd, filterMin, filterMax, PM_REMOVE))
            ids.push_back(msg.message);
        return ids;
    }

    std::filesystem::path m_dir;
    Window* m_first = nullptr;
    Window* m_second = nullptr;
};

constexpr std::uint32_t kFirstA = WM_USER + 1;
constexpr std::uint32_t kThread = WM_USER + 2;
constexpr std::uint32_t kSecond = WM_USER + 3;
constexpr std::uint32_t kFirstB = WM_APP + 1;

TEST_F(MessageQueueTest, FiltersTakeOnlyTheirMessagesInOrder)
{
    struct SRow
    {
        const char* name;
        bool byFirstWindow;
        std::uint32_t filterMin;
        std::uint32_t filterMax;
        std::vector<std::uint32_t> taken;
        std::vector<std::uint32_t> left;
    };
    const SRow rows[] = {
        {"all", false, WM_USER, WM_APP + 10, {kFirstA, kThread, kSecond, kFirstB}, {}},
        {"window", true, WM_USER, WM_APP + 10, {kFirstA, kFirstB}, {kThread, kSecond}},
        {"range", false, WM_USER + 2, WM_USER + 3, {kThread, kSecond}, {kFirstA, kFirstB}},
        {"window and range", true, WM_APP, WM_APP + 10, {kFirstB}, {kFirstA, kThread, kSecond}},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(PostMessage(m_first, kFirstA, 0, 0));
        ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), kThread, 0, 0));
        ASSERT_TRUE(PostMessage(m_second, kSecond, 0, 0));
        ASSERT_TRUE(PostMessage(m_first, kFirstB, 0, 0));

        Window* hwnd = row.byFirstWindow ? m_first : nullptr;
        Msg peeked;
        ASSERT_TRUE(PeekMessage(&peeked, hwnd, row.filterMin, row.filterMax, PM_NOREMOVE));
        EXPECT_EQ(peeked.message, row.taken.front()); // and left for the takes below
        EXPECT_EQ(TakeAll(hwnd, row.filterMin, row.filterMax), row.taken);
        EXPECT_EQ(TakeAll(nullptr, WM_USER, WM_APP + 10), row.left);
    }
}

TEST_F(MessageQueueTest, MessagesCarryWindowTimeAndPayload)
{
    ASSERT_TRUE(PostMessage(m_second, kSecond, 11, -12));
    Msg msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, kSecond, kSecond, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, m_second);
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(msg.lParam, -12);
    EXPECT_NE(msg.time, 0u);

    // A null window posts to the calling thread.
    ASSERT_TRUE(PostMessage(nullptr, kThread, 0, 0));
    ASSERT_TRUE(PeekMessage(&msg, nullptr, kThread, kThread, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PeekMessage(&msg, m_first, kThread, kThread, PM_REMOVE));
}

TEST_F(MessageQueueTest, QuitComesAfterEverythingPostedBeforeAndAfterIt)
{
    ASSERT_TRUE(PostMessage(m_first, kFirstA, 0, 0));
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessage(m_first, kFirstB, 0, 0));

    Msg msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kFirstA);
    // The window filter does not hide the quit, so a pump filtered to its
    // main window still ends.
    ASSERT_TRUE(PeekMessage(&msg, m_first, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kFirstB);
    ASSERT_TRUE(PeekMessage(&msg, m_first, WM_USER, WM_USER, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), 0);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, ThreadQueueExistsOnlyWhileItsThreadUsesIt)
{
    const std::uint32_t ping = RegisterWindowMessage("TestPing");
    const std::uint32_t pong = RegisterWindowMessage("TestPong");
    const std::uint32_t mainThread = GetCurrentThreadId();
    std::atomic<std::uint32_t> workerThread{0};
    std::promise<void> start;
    std::shared_future<void> started = start.get_future().share();

    std::thread worker(
        [&]
        {
            workerThread = GetCurrentThreadId();
            started.wait();
            Msg msg;
            PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
            PostThreadMessage(mainThread, pong, 0, 0);
            while (GetMessage(&msg, nullptr, 0, 0) > 0)
                if (msg.message == ping) PostThreadMessage(mainThread, pong, msg.wParam + 1, 0);
            PostThreadMessage(mainThread, pong, 999, 0);
        });
    while (workerThread == 0)
        std::this_thread::yield();
    const std::uint32_t workerId = workerThread;
    EXPECT_FALSE(PostThreadMessage(workerId, ping, 1, 0)); // no queue yet

    start.set_value();
    Msg msg;
    ASSERT_EQ(GetMessage(&msg, nullptr, pong, pong), 1);
    EXPECT_EQ(msg.wParam, 0u);
    ASSERT_TRUE(PostThreadMessage(workerId, ping, 41, 0));
    ASSERT_EQ(GetMessage(&msg, nullptr, pong, pong), 1);
    EXPECT_EQ(msg.wParam, 42u);
    ASSERT_TRUE(PostThreadMessage(workerId, WM_QUIT, 0, 0));
    ASSERT_EQ(GetMessage(&msg, nullptr, pong, pong), 1);
    EXPECT_EQ(msg.wParam, 999u);
    worker.join();
    EXPECT_FALSE(PostThreadMessage(workerId, ping, 1, 0)); // gone with its thread
}

TEST_F(MessageQueueTest, RegisteredMessagesShareIdsByName)
{
    const std::uint32_t load = RegisterWindowMessage("MTResMngrLoadRes");
    EXPECT_GE(load, WM_REGISTERED_FIRST);
    EXPECT_LE(load, WM_REGISTERED_LAST);
    EXPECT_EQ(RegisterWindowMessage("mtresmngrloadres"), load);
    EXPECT_NE(RegisterWindowMessage("MTResMngrWaitLoad"), load);
    std::uint32_t fromThread = 0;
    std::thread([&] { fromThread = RegisterWindowMessage("MTResMngrLoadRes"); }).join();
    EXPECT_EQ(fromThread, load);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
    EXPECT_EQ(RegisterWindowMessage(nullptr), 0u);
}

TEST_F(MessageQueueTest, TranslateTypesControlCharactersOnly)
{
    struct SRow
    {
        std::uint32_t message;
        WParam vk;
        bool typesChar;
    };
    const SRow rows[] = {
        {WM_KEYDOWN, VK_RETURN, true}, {WM_KEYDOWN, VK_BACK, true}, {WM_KEYDOWN, VK_TAB, true},
        {WM_KEYDOWN, VK_ESCAPE, true}, {WM_KEYDOWN, 'A', false},    {WM_KEYUP, VK_RETURN, false},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "vk " << row.vk << " message " << row.message);
        // Already waiting: the character must come before it, right after its key.
        ASSERT_TRUE(PostMessage(m_first, kFirstB, 0, 0));
        Msg key;
        key.hwnd = m_first;
        key.message = row.message;
        key.wParam = row.vk;
        key.lParam = 0x001C0001;
        EXPECT_TRUE(TranslateMessage(&key));
        Msg msg;
        ASSERT_TRUE(PeekMessage(&msg, m_first, 0, 0, PM_REMOVE));
        if (row.typesChar)
        {
            EXPECT_EQ(msg.message, WM_CHAR);
            EXPECT_EQ(msg.wParam, row.vk);
            EXPECT_EQ(msg.lParam, 0x001C0001);
            ASSERT_TRUE(PeekMessage(&msg, m_first, 0, 0, PM_REMOVE));
        }
        EXPECT_EQ(msg.message, kFirstB);
    }
}

TEST_F(MessageQueueTest, MouseMovesMergeAndAFullQueueRefuses)
{
    for (int x = 0; x < 3; ++x)
        ASSERT_TRUE(PostMessage(m_first, WM_MOUSEMOVE, 0, x));
    Msg msg;
    ASSERT_TRUE(PeekMessage(&msg, m_first, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(msg.lParam, 2);
    EXPECT_FALSE(PeekMessage(&msg, m_first, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));

    int posted = 0;
    while (posted < 20000 && PostThreadMessage(GetCurrentThreadId(), kThread, 0, 0))
        ++posted;
    EXPECT_LT(posted, 20000);
    EXPECT_EQ(TakeAll(nullptr, kThread, kThread).size(), static_cast<std::size_t>(posted));
}

} // namespace
