#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace plat;

namespace
{

struct SWaiterState
{
    Handle event = nullptr;
    std::atomic<int> passed{0};
};

std::uint32_t WaitOnce(void* param)
{
    auto* state = static_cast<SWaiterState*>(param);
    if (WaitForSingleObject(state->event, INFINITE) != WAIT_OBJECT_0) return 1;
    state->passed.fetch_add(1);
    return 0;
}

// Polls without a time limit that a test would assert on: a hang here is a
// failure of the test run's time-out, not a flaky timing check.
template <class Pred> void WaitUntil(Pred pred)
{
    while (!pred())
        Sleep(1);
}

TEST(PlatformThread, AutoResetEventReleasesOneWaiterPerSet)
{
    SWaiterState state;
    state.event = CreateEvent(false, false);
    ASSERT_NE(state.event, nullptr);
    Handle a = CreateThread(WaitOnce, &state, nullptr);
    Handle b = CreateThread(WaitOnce, &state, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    ASSERT_TRUE(SetEvent(state.event));
    WaitUntil([&] { return state.passed.load() >= 1; });
    Sleep(50);
    EXPECT_EQ(state.passed.load(), 1);
    // The set was consumed by the waiter it released.
    EXPECT_EQ(WaitForSingleObject(state.event, 0), WAIT_TIMEOUT);

    ASSERT_TRUE(SetEvent(state.event));
    EXPECT_EQ(WaitForSingleObject(a, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(state.passed.load(), 2);
    EXPECT_TRUE(CloseHandle(a));
    EXPECT_TRUE(CloseHandle(b));
    EXPECT_TRUE(CloseHandle(state.event));
}

TEST(PlatformThread, ManualResetEventStaysSetAndTimesOut)
{
    Handle event = CreateEvent(true, false);
    EXPECT_EQ(WaitForSingleObject(event, 20), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));

    Handle initiallySet = CreateEvent(false, true);
    EXPECT_EQ(WaitForSingleObject(initiallySet, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(initiallySet, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(initiallySet));
}

struct SWorker
{
    Handle go = nullptr;
    Handle done = nullptr;
    std::uint32_t seenId = 0;
};

std::uint32_t Work(void* param)
{
    auto* worker = static_cast<SWorker*>(param);
    worker->seenId = GetCurrentThreadId();
    WaitForSingleObject(worker->go, INFINITE);
    if (worker->done) SetEvent(worker->done);
    return 7;
}

TEST(PlatformThread, ExitCodeIdAndWait)
{
    SWorker worker;
    worker.go = CreateEvent(true, false);
    std::uint32_t id = 0;
    Handle thread = CreateThread(Work, &worker, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());

    std::uint32_t code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST));

    SetEvent(worker.go);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(worker.seenId, id); // the id handed out is the thread's own
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_TRUE(CloseHandle(worker.go));
}

TEST(PlatformThread, ClosingARunningThreadLetsItFinish)
{
    SWorker worker;
    worker.go = CreateEvent(true, false);
    worker.done = CreateEvent(true, false);
    Handle thread = CreateThread(Work, &worker, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    SetEvent(worker.go);
    EXPECT_EQ(WaitForSingleObject(worker.done, INFINITE), WAIT_OBJECT_0);
    CloseHandle(worker.go);
    CloseHandle(worker.done);
}

TEST(PlatformThread, BadHandlesAreRefused)
{
    Handle event = CreateEvent(true, true);
    ASSERT_TRUE(CloseHandle(event));
    // Closed, null or of the wrong kind: refused, never used.
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(nullptr));
    std::uint32_t code = 0;
    EXPECT_FALSE(GetExitCodeThread(nullptr, &code));
    EXPECT_EQ(CreateThread(nullptr, nullptr, nullptr), nullptr);

    Handle other = CreateEvent(false, false);
    EXPECT_FALSE(GetExitCodeThread(other, &code));
    EXPECT_FALSE(SetThreadPriority(other, THREAD_PRIORITY_NORMAL));
    CloseHandle(other);
}

} // namespace
