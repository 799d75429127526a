#include "foundation/LoaderThread.h"

#include "foundation/ErrorLog.h"
#include "platform/Thread.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace
{

// A piece of device work a loader thread waits for.
struct SQueued
{
    const std::function<void()>* fn = nullptr;
    std::exception_ptr error;
    bool done = false;
};

// The running loading screen: its thread, and what its loader asks of it.
struct SLoadingScreen
{
    std::mutex lock;
    std::condition_variable wake; // the main thread: work queued or the loader ended
    std::condition_variable ran;  // the loaders: queued work ran
    std::deque<SQueued*> queue;
    std::thread::id mainThread;
    bool running = false;
    bool loaderEnded = false;
};

SLoadingScreen g_Screen;

struct SLoaderArgs
{
    const std::function<bool()>* work = nullptr;
    bool ok = false;
};

bool RunWork(const std::function<bool()>& work)
{
    try
    {
        return work();
    }
    catch (const std::exception& e)
    {
        // The trace holds the step that failed; the caller ends start-up.
        g_ErrorLog.LogError("%s", e.what());
    }
    catch (...)
    {
        g_ErrorLog.LogError("The loader thread stopped with an unknown exception");
    }
    return false;
}

std::uint32_t LoaderProc(void* param)
{
    auto* args = static_cast<SLoaderArgs*>(param);
    args->ok = RunWork(*args->work);
    {
        std::lock_guard<std::mutex> guard(g_Screen.lock);
        g_Screen.loaderEnded = true;
    }
    g_Screen.wake.notify_all();
    return args->ok ? 0 : 1;
}

// Main thread, lock held: runs the queued work with the lock released.
void DrainQueue(std::unique_lock<std::mutex>& guard)
{
    while (!g_Screen.queue.empty())
    {
        SQueued* item = g_Screen.queue.front();
        g_Screen.queue.pop_front();
        guard.unlock();
        try
        {
            (*item->fn)();
        }
        catch (...)
        {
            item->error = std::current_exception();
        }
        guard.lock();
        item->done = true;
        g_Screen.ran.notify_all();
    }
}

} // namespace

bool RunBehindLoadingScreen(const std::function<bool()>& work, const std::function<void()>& redraw,
                            std::uint32_t periodMs)
{
    XTRACE("RunBehindLoadingScreen");
    {
        std::lock_guard<std::mutex> guard(g_Screen.lock);
        g_Screen.mainThread = std::this_thread::get_id();
        g_Screen.running = true;
        g_Screen.loaderEnded = false;
    }
    // Shown at once: a short load would otherwise end before the first redraw.
    if (redraw) redraw();
    SLoaderArgs args{&work, false};
    plat::Handle loader = plat::CreateThread(LoaderProc, &args, nullptr);
    if (!loader) args.ok = RunWork(work);

    std::unique_lock<std::mutex> guard(g_Screen.lock);
    while (loader && !g_Screen.loaderEnded)
    {
        const bool woken = g_Screen.wake.wait_for(guard, std::chrono::milliseconds(periodMs), [] {
            return g_Screen.loaderEnded || !g_Screen.queue.empty();
        });
        DrainQueue(guard);
        if (!woken && redraw)
        {
            guard.unlock();
            redraw();
            guard.lock();
        }
    }
    DrainQueue(guard);
    g_Screen.running = false;
    guard.unlock();
    if (loader)
    {
        plat::WaitForSingleObject(loader, plat::INFINITE);
        plat::CloseHandle(loader);
    }
    return args.ok;
}

void RunOnMainThread(const std::function<void()>& fn)
{
    std::unique_lock<std::mutex> guard(g_Screen.lock);
    if (!g_Screen.running || g_Screen.mainThread == std::this_thread::get_id())
    {
        guard.unlock();
        fn();
        return;
    }
    SQueued item;
    item.fn = &fn;
    g_Screen.queue.push_back(&item);
    g_Screen.wake.notify_all();
    g_Screen.ran.wait(guard, [&item] { return item.done; });
    guard.unlock();
    if (item.error) std::rethrow_exception(item.error);
}
