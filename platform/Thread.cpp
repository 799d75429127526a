#include "platform/Thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>
#include <unordered_set>

namespace plat
{

// What every handle points at. The reference count lets a running thread
// keep its object alive after the caller has closed the handle.
class KernelObject
{
public:
    enum class EKind
    {
        Thread,
        Event,
    };

    explicit KernelObject(EKind kind) : m_eKind(kind) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    EKind Kind() const { return m_eKind; }
    void AddRef() { m_nRefs.fetch_add(1, std::memory_order_relaxed); }
    void Release()
    {
        if (m_nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

    // Waits until the object is signalled; consumes the signal where the
    // kind says so (auto-reset events).
    std::uint32_t Wait(std::uint32_t milliseconds)
    {
        std::unique_lock lock(m_mutex);
        if (milliseconds == INFINITE)
            m_cond.wait(lock, [this] { return IsSignalled(); });
        else if (!m_cond.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [this] { return IsSignalled(); }))
            return WAIT_TIMEOUT;
        Consume();
        return WAIT_OBJECT_0;
    }

protected:
    virtual bool IsSignalled() const = 0;
    virtual void Consume() {}

    std::mutex m_mutex;
    std::condition_variable m_cond;

private:
    const EKind m_eKind;
    std::atomic<int> m_nRefs{1};
};

namespace
{

class CThreadObject final : public KernelObject
{
public:
    CThreadObject() : KernelObject(EKind::Thread) {}

    void Finish(std::uint32_t exitCode)
    {
        {
            std::lock_guard lock(m_mutex);
            m_nExitCode = exitCode;
            m_bEnded = true;
        }
        m_cond.notify_all();
    }

    std::uint32_t ExitCode()
    {
        std::lock_guard lock(m_mutex);
        return m_bEnded ? m_nExitCode : STILL_ACTIVE;
    }

private:
    bool IsSignalled() const override { return m_bEnded; }

    bool m_bEnded = false;
    std::uint32_t m_nExitCode = 0;
};

class CEventObject final : public KernelObject
{
public:
    CEventObject(bool manualReset, bool initialState)
        : KernelObject(EKind::Event), m_bManualReset(manualReset), m_bSignalled(initialState)
    {
    }

    void Set()
    {
        {
            std::lock_guard lock(m_mutex);
            m_bSignalled = true;
        }
        // An auto-reset event releases one waiter; the waiter clears it.
        if (m_bManualReset)
            m_cond.notify_all();
        else
            m_cond.notify_one();
    }

    void Reset()
    {
        std::lock_guard lock(m_mutex);
        m_bSignalled = false;
    }

private:
    bool IsSignalled() const override { return m_bSignalled; }
    void Consume() override
    {
        if (!m_bManualReset) m_bSignalled = false;
    }

    const bool m_bManualReset;
    bool m_bSignalled;
};

// Handles the caller holds. A handle not in this set (never made, or already
// closed) is refused instead of being dereferenced, as Windows refuses an
// invalid handle.
std::mutex g_handleMutex;
std::unordered_set<KernelObject*> g_handles;

Handle Register(KernelObject* object)
{
    std::lock_guard lock(g_handleMutex);
    g_handles.insert(object);
    return object;
}

// A counted reference to a live handle's object, or null.
class CObjectRef
{
public:
    explicit CObjectRef(Handle handle)
    {
        std::lock_guard lock(g_handleMutex);
        if (handle && g_handles.count(handle))
        {
            m_pObject = handle;
            m_pObject->AddRef();
        }
    }
    ~CObjectRef()
    {
        if (m_pObject) m_pObject->Release();
    }
    CObjectRef(const CObjectRef&) = delete;
    CObjectRef& operator=(const CObjectRef&) = delete;

    KernelObject* Get() const { return m_pObject; }
    template <class T> T* As(KernelObject::EKind kind) const
    {
        return m_pObject && m_pObject->Kind() == kind ? static_cast<T*>(m_pObject) : nullptr;
    }

private:
    KernelObject* m_pObject = nullptr;
};

std::atomic<std::uint32_t> g_nextThreadId{1};
thread_local std::uint32_t t_threadId = 0;

// Threads are joined, not detached, once they have ended: a detached thread
// may still be unwinding (thread-local destructors, the C library's own
// clean-up) when the process exits, and leak checkers that stop the world at
// exit crash on such a thread. Ended threads are joined when the next thread
// starts and at exit; threads still running at exit are let go.
class CThreadReaper
{
public:
    ~CThreadReaper()
    {
        std::lock_guard lock(m_mutex);
        for (SEntry& e : m_threads)
        {
            if (e.object->ExitCode() != STILL_ACTIVE)
                e.thread.join();
            else
                e.thread.detach();
            e.object->Release();
        }
        m_threads.clear();
    }

    void Add(std::thread thread, CThreadObject* object)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_threads.begin(); it != m_threads.end();)
        {
            if (it->object->ExitCode() != STILL_ACTIVE)
            {
                it->thread.join();
                it->object->Release();
                it = m_threads.erase(it);
            }
            else
            {
                ++it;
            }
        }
        object->AddRef();
        m_threads.push_back(SEntry{std::move(thread), object});
    }

private:
    struct SEntry
    {
        std::thread thread;
        CThreadObject* object;
    };
    std::mutex m_mutex;
    std::vector<SEntry> m_threads;
};

CThreadReaper& Reaper()
{
    static CThreadReaper reaper;
    return reaper;
}

} // namespace

Handle CreateThread(ThreadProc proc, void* param, std::uint32_t* threadId)
{
    if (!proc) return nullptr;
    auto* object = new CThreadObject;
    const std::uint32_t id = g_nextThreadId.fetch_add(1);
    object->AddRef(); // the thread's own reference
    try
    {
        Reaper().Add(std::thread(
                         [object, proc, param, id]
                         {
                             t_threadId = id;
                             object->Finish(proc(param));
                             object->Release();
                         }),
                     object);
    }
    catch (const std::system_error&)
    {
        object->Release();
        object->Release();
        return nullptr;
    }
    if (threadId) *threadId = id;
    return Register(object);
}

bool GetExitCodeThread(Handle thread, std::uint32_t* exitCode)
{
    CObjectRef ref(thread);
    auto* object = ref.As<CThreadObject>(KernelObject::EKind::Thread);
    if (!object || !exitCode) return false;
    *exitCode = object->ExitCode();
    return true;
}

std::uint32_t GetCurrentThreadId()
{
    if (t_threadId == 0) t_threadId = g_nextThreadId.fetch_add(1);
    return t_threadId;
}

bool SetThreadPriority(Handle thread, int priority)
{
    // Raising priority needs privileges a game does not have on Linux; the
    // threads that ask for it only need to wake on time, which they do.
    (void)priority;
    CObjectRef ref(thread);
    return ref.As<CThreadObject>(KernelObject::EKind::Thread) != nullptr;
}

Handle CreateEvent(bool manualReset, bool initialState)
{
    return Register(new CEventObject(manualReset, initialState));
}

bool SetEvent(Handle event)
{
    CObjectRef ref(event);
    auto* object = ref.As<CEventObject>(KernelObject::EKind::Event);
    if (!object) return false;
    object->Set();
    return true;
}

bool ResetEvent(Handle event)
{
    CObjectRef ref(event);
    auto* object = ref.As<CEventObject>(KernelObject::EKind::Event);
    if (!object) return false;
    object->Reset();
    return true;
}

std::uint32_t WaitForSingleObject(Handle object, std::uint32_t milliseconds)
{
    CObjectRef ref(object);
    if (!ref.Get()) return WAIT_FAILED;
    return ref.Get()->Wait(milliseconds);
}

bool CloseHandle(Handle object)
{
    {
        std::lock_guard lock(g_handleMutex);
        if (!object || g_handles.erase(object) == 0) return false;
    }
    object->Release();
    return true;
}

void Sleep(std::uint32_t milliseconds)
{
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace plat
