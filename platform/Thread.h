// Threads, waitable events, critical sections.
//
// Handles are reference counted: CloseHandle drops the caller's reference and
// a running thread keeps its own, so closing the handle of a running thread
// lets it run on to its end, as on Windows. There is no forced termination:
// a thread is asked to end (a message or an event) and then waited for.
//
// A handle that was never made or is already closed is refused (false,
// WAIT_FAILED) rather than used. Every function may be called from any
// thread. Thread ids are small numbers from 1 up, never reused in a process;
// a thread gets its id when it is created here or, for other threads (the
// main thread), on its first GetCurrentThreadId.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <mutex>

namespace plat
{

class KernelObject;
using Handle = KernelObject*;

using ThreadProc = std::uint32_t (*)(void* param);

// Starts a thread at once; *threadId (when given) receives its id. Null on failure.
Handle CreateThread(ThreadProc proc, void* param, std::uint32_t* threadId);
bool GetExitCodeThread(Handle thread, std::uint32_t* exitCode); // STILL_ACTIVE while running
std::uint32_t GetCurrentThreadId();
// Priority is a hint the platform may ignore; kept so callers can state it.
bool SetThreadPriority(Handle thread, int priority);
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;

Handle CreateEvent(bool manualReset, bool initialState);
bool SetEvent(Handle event);
bool ResetEvent(Handle event);

// Events: signalled state (an auto-reset event is reset by the wait it
// releases); threads: ended. Returns WAIT_OBJECT_0, WAIT_TIMEOUT or
// WAIT_FAILED (null or invalid handle). INFINITE waits without limit.
std::uint32_t WaitForSingleObject(Handle object, std::uint32_t milliseconds);
bool CloseHandle(Handle object);

void Sleep(std::uint32_t milliseconds);

// A recursive lock, as a Windows critical section.
class CriticalSection
{
public:
    void Enter() { m_mutex.lock(); }
    bool TryEnter() { return m_mutex.try_lock(); }
    void Leave() { m_mutex.unlock(); }

    // For std::lock_guard and friends.
    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex m_mutex;
};

} // namespace plat
