// Per-thread message queues: posting, peeking, waiting, dispatching.
#include "platform/detail/WindowObject.h"

#include "platform/CodePage.h"
#include "platform/Thread.h"
#include "platform/Time.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace plat
{
namespace
{

// Windows refuses posts beyond this many waiting messages; a thread that
// stopped reading its queue must not take all memory with it.
constexpr std::size_t kMaxPostedMessages = 10000;

// A thread that pumps SDL events cannot sleep on its queue alone: events
// arrive from the desktop, not through a post. It looks again this often.
constexpr auto kPumpInterval = std::chrono::milliseconds(5);

struct SMessageQueue
{
    std::uint32_t threadId = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Msg> posted;
    bool quitPending = false;
    int quitCode = 0;
};

struct SQueueTable
{
    std::mutex mutex;
    std::unordered_map<std::uint32_t, std::shared_ptr<SMessageQueue>> queues;
};

SQueueTable& Queues()
{
    // Never destroyed: thread-exit handlers of the main thread run late.
    static auto* table = new SQueueTable;
    return *table;
}

// The queue dies with its thread, so that a post to an ended thread fails as
// it does on Windows.
struct SQueueHolder
{
    std::shared_ptr<SMessageQueue> queue;

    ~SQueueHolder()
    {
        if (!queue) return;
        auto& table = Queues();
        std::lock_guard lock(table.mutex);
        auto it = table.queues.find(queue->threadId);
        if (it != table.queues.end() && it->second == queue) table.queues.erase(it);
    }
};

thread_local SQueueHolder t_queue;

SMessageQueue& CurrentQueue()
{
    if (!t_queue.queue)
    {
        auto queue = std::make_shared<SMessageQueue>();
        queue->threadId = GetCurrentThreadId();
        auto& table = Queues();
        std::lock_guard lock(table.mutex);
        table.queues[queue->threadId] = queue;
        t_queue.queue = std::move(queue);
    }
    return *t_queue.queue;
}

std::shared_ptr<SMessageQueue> FindQueue(std::uint32_t threadId)
{
    auto& table = Queues();
    std::lock_guard lock(table.mutex);
    auto it = table.queues.find(threadId);
    return it == table.queues.end() ? nullptr : it->second;
}

Msg MakeMsg(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    Msg msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    msg.pt = detail::GetLastCursorPos();
    return msg;
}

bool Enqueue(std::uint32_t threadId, const Msg& msg, bool front)
{
    auto queue = FindQueue(threadId);
    if (!queue) return false;
    {
        std::lock_guard lock(queue->mutex);
        if (queue->posted.size() >= kMaxPostedMessages)
        {
            detail::LogWindowError("message queue full; message dropped", nullptr, true);
            return false;
        }
        // Mouse moves are merged as on Windows: only the newest position
        // matters, and a pump that takes ten messages a frame would fall
        // behind a mouse that reports a thousand times a second.
        if (!front && msg.message == WM_MOUSEMOVE && !queue->posted.empty() &&
            queue->posted.back().message == WM_MOUSEMOVE && queue->posted.back().hwnd == msg.hwnd)
            queue->posted.back() = msg;
        else if (front)
            queue->posted.push_front(msg);
        else
            queue->posted.push_back(msg);
    }
    queue->wake.notify_all();
    return true;
}

bool Matches(const Msg& msg, Window* hwnd, std::uint32_t filterMin, std::uint32_t filterMax)
{
    if (hwnd && msg.hwnd != hwnd) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

// Caller holds the queue's lock. Posted messages come first; WM_QUIT from
// PostQuitMessage only when none of them is left for this call, whatever the
// filters, so that a quit never overtakes work posted before it.
bool TakeLocked(SMessageQueue& queue, Msg* msg, Window* hwnd, std::uint32_t filterMin,
                std::uint32_t filterMax, bool remove)
{
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it)
    {
        if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
        *msg = *it;
        if (remove) queue.posted.erase(it);
        return true;
    }
    if (queue.quitPending)
    {
        *msg = MakeMsg(nullptr, WM_QUIT, static_cast<WParam>(queue.quitCode), 0);
        if (remove) queue.quitPending = false;
        return true;
    }
    return false;
}

struct SRegisteredMessages
{
    std::mutex mutex;
    std::map<std::string, std::uint32_t> ids;
    std::uint32_t next = WM_REGISTERED_FIRST;
};

} // namespace

namespace detail
{

bool PostToWindow(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    if (!LiveWindow(hwnd)) return false;
    return Enqueue(hwnd->m_uOwnerThread, MakeMsg(hwnd, message, wParam, lParam), false);
}

void EnsureCurrentQueue()
{
    CurrentQueue();
}

void RemoveWindowMessages(Window* hwnd)
{
    std::vector<std::shared_ptr<SMessageQueue>> queues;
    {
        auto& table = Queues();
        std::lock_guard lock(table.mutex);
        for (auto& entry : table.queues)
            queues.push_back(entry.second);
    }
    for (auto& queue : queues)
    {
        std::lock_guard lock(queue->mutex);
        std::erase_if(queue->posted, [hwnd](const Msg& m) { return m.hwnd == hwnd; });
    }
}

} // namespace detail

bool PostMessage(Window* hwnd, std::uint32_t message, WParam wParam, LParam lParam)
{
    // A null window posts to the calling thread, as Windows does.
    if (!hwnd)
    {
        CurrentQueue();
        return Enqueue(GetCurrentThreadId(), MakeMsg(nullptr, message, wParam, lParam), false);
    }
    return detail::PostToWindow(hwnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode)
{
    SMessageQueue& queue = CurrentQueue();
    {
        std::lock_guard lock(queue.mutex);
        queue.quitPending = true;
        queue.quitCode = exitCode;
    }
    queue.wake.notify_all();
}

bool PostThreadMessage(std::uint32_t threadId, std::uint32_t message, WParam wParam, LParam lParam)
{
    return Enqueue(threadId, MakeMsg(nullptr, message, wParam, lParam), false);
}

bool PeekMessage(Msg* msg, Window* hwnd, std::uint32_t filterMin, std::uint32_t filterMax,
                 std::uint32_t remove)
{
    if (!msg) return false;
    SMessageQueue& queue = CurrentQueue();
    detail::PumpWindowEvents();
    std::lock_guard lock(queue.mutex);
    return TakeLocked(queue, msg, hwnd, filterMin, filterMax, (remove & PM_REMOVE) != 0);
}

int GetMessage(Msg* msg, Window* hwnd, std::uint32_t filterMin, std::uint32_t filterMax)
{
    if (!msg) return -1;
    SMessageQueue& queue = CurrentQueue();
    for (;;)
    {
        const bool pumping = detail::PumpWindowEvents();
        std::unique_lock lock(queue.mutex);
        if (TakeLocked(queue, msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? 0 : 1;
        if (pumping)
            queue.wake.wait_for(lock, kPumpInterval);
        else
            queue.wake.wait(lock);
    }
}

bool TranslateMessage(const Msg* msg)
{
    if (!msg) return false;
    switch (msg->message)
    {
    case WM_KEYDOWN:
        switch (msg->wParam)
        {
        case VK_BACK:
        case VK_TAB:
        case VK_RETURN:
        case VK_ESCAPE:
            // The character is read before anything already waiting, right
            // after its key, as on Windows.
            Enqueue(GetCurrentThreadId(), MakeMsg(msg->hwnd, WM_CHAR, msg->wParam, msg->lParam), true);
            break;
        default:
            break;
        }
        return true;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return true;
    default:
        return false;
    }
}

LResult DispatchMessage(const Msg* msg)
{
    if (!msg || !msg->hwnd || !detail::LiveWindow(msg->hwnd) || !msg->hwnd->m_pfnProc) return 0;
    return msg->hwnd->m_pfnProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

std::uint32_t RegisterWindowMessage(const char* name)
{
    if (!name || !*name) return 0;
    static auto* registered = new SRegisteredMessages;
    std::string key(name);
    for (char& c : key)
        c = CharLower1251(c);
    std::lock_guard lock(registered->mutex);
    auto it = registered->ids.find(key);
    if (it != registered->ids.end()) return it->second;
    if (registered->next > WM_REGISTERED_LAST) return 0;
    const std::uint32_t id = registered->next++;
    registered->ids.emplace(std::move(key), id);
    return id;
}

} // namespace plat
