#include "foundation/MTResourceManager.h"

#include "foundation/ErrorLog.h"
#include "platform/Time.h"
#include "platform/Window.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace
{

// Retries of a post to a queue that exists but is full, 1 ms apart.
constexpr int kPostRetries = 1000;
// How long Done waits before it says that the loader is still busy (a long
// load finishes first; it is never cut off).
constexpr std::uint32_t kStopWarning = 1000;

std::uint32_t AddSaturated(std::uint32_t a, std::uint32_t b)
{
    return b > std::numeric_limits<std::uint32_t>::max() - a ? std::numeric_limits<std::uint32_t>::max()
                                                             : a + b;
}

} // namespace

CMTResourceManager::CMTResourceManager()
{
    m_uMsgThreadCreate = plat::RegisterWindowMessage("MTResMngrThreadCreate");
    m_uMsgLoadRes = plat::RegisterWindowMessage("MTResMngrLoadRes");
    m_uMsgWaitLoad = plat::RegisterWindowMessage("MTResMngrWaitLoad");
    m_uMsgLoadComplete = plat::RegisterWindowMessage("MTResMngrLoadComplete");
}

CMTResourceManager::~CMTResourceManager()
{
    Done();
}

bool CMTResourceManager::ValidIndex(std::int32_t index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < m_Slots.size();
}

bool CMTResourceManager::Init(const char* section, std::uint32_t keepNewest)
{
    XTRACE("CMTResourceManager::Init");
    Done();
    DefaultManager::Init(section);
    return InitSlots(GetCount(), keepNewest);
}

bool CMTResourceManager::InitSlots(std::int32_t count, std::uint32_t keepNewest)
{
    XTRACE("CMTResourceManager::Init");
    Done();
    // Resources of an earlier Init would be lost with their slots.
    Purge();
    m_uOwnerThreadId = plat::GetCurrentThreadId();
    {
        std::lock_guard lock(m_Lock);
        m_Slots.assign(static_cast<std::size_t>(std::max(count, 0)), SSlot());
        m_uKeepNewest = keepNewest;
        m_uTotal = 0;
    }

    // The loader's first post goes to this thread's queue: make it now.
    plat::Msg msg;
    plat::PeekMessage(&msg, nullptr, m_uMsgThreadCreate, m_uMsgThreadCreate, plat::PM_NOREMOVE);

    m_bStopping = false;
    {
        std::lock_guard queue(m_QueueLock);
        m_bLoaderAlive = true;
    }
    m_hLoaderThread = plat::CreateThread(&CMTResourceManager::LoaderMain, this, &m_uLoaderThreadId);
    if (!m_hLoaderThread)
    {
        {
            std::lock_guard queue(m_QueueLock);
            m_bLoaderAlive = false;
        }
        g_ErrorLog.LogError("Error created child thread");
        return false;
    }

    // Until the loader has its queue, posts to it would fail.
    bool quit = false;
    int quitCode = 0;
    for (;;)
    {
        if (plat::GetMessage(&msg, nullptr, m_uMsgThreadCreate, m_uMsgThreadCreate) == 0)
        {
            // A quit for this thread is taken whatever the filter; it is put
            // back once the loader runs, not lost.
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        if (msg.wParam == m_uLoaderThreadId) break;
    }
    if (quit) plat::PostQuitMessage(quitCode);
    return true;
}

std::uint32_t CMTResourceManager::LoaderMain(void* param)
{
    static_cast<CMTResourceManager*>(param)->LoaderLoop();
    return 1;
}

void CMTResourceManager::LoaderLoop()
{
    plat::Msg msg;
    plat::PeekMessage(&msg, nullptr, 0, 0, plat::PM_NOREMOVE); // this thread's queue
    // The thread's id goes with the announcement, so that an owner that
    // starts two managers in a row cannot take one's for the other's.
    const std::uint32_t self = plat::GetCurrentThreadId();
    while (!plat::PostThreadMessage(m_uOwnerThreadId, m_uMsgThreadCreate, self, 0))
        plat::Sleep(1);

    while (plat::GetMessage(&msg, nullptr, 0, 0) > 0)
    {
        if (msg.message == m_uMsgLoadRes)
        {
            // Done has been asked for: what is still queued is not started.
            if (!m_bStopping) LoadResource(static_cast<std::int32_t>(msg.wParam), msg.lParam != 0);
        }
        else if (msg.message == m_uMsgWaitLoad)
        {
            Answer(static_cast<std::uint32_t>(msg.wParam));
        }
    }

    // Last look at the queue: every wait posted before the loader was marked
    // gone gets its answer.
    std::lock_guard queue(m_QueueLock);
    m_bLoaderAlive = false;
    while (plat::PeekMessage(&msg, nullptr, m_uMsgWaitLoad, m_uMsgWaitLoad, plat::PM_REMOVE))
        Answer(static_cast<std::uint32_t>(msg.wParam));
}

void CMTResourceManager::Answer(std::uint32_t threadId)
{
    for (int i = 0; i < kPostRetries; ++i)
    {
        if (plat::PostThreadMessage(threadId, m_uMsgLoadComplete, 0, 0)) return;
        plat::Sleep(1);
    }
    g_ErrorLog.LogError("CMTResourceManager: thread %u that waits for loads cannot be answered", threadId);
}

void CMTResourceManager::LoadResource(std::int32_t index, bool notify)
{
    std::uint32_t size = 0;
    {
        std::lock_guard lock(m_Lock);
        if (!ValidIndex(index))
        {
            g_ErrorLog.LogError("Invalid resource ID=%d", index);
            return;
        }
        if (m_Slots[static_cast<std::size_t>(index)].resource) return;
        size = m_Slots[static_cast<std::size_t>(index)].size;
    }

    // The load itself runs unlocked: the owner thread keeps drawing meanwhile.
    void* resource = MT_LoadResource(index, &size);

    {
        std::lock_guard lock(m_Lock);
        SSlot& slot = m_Slots[static_cast<std::size_t>(index)];
        if (!resource)
        {
            slot.state = kFailed;
            return;
        }
        // Stored and counted in one step: a Purge between the two would
        // otherwise zero the total and then see this size added for a
        // resource it has already unloaded.
        slot.state = kLoaded;
        slot.resource = resource;
        slot.size = size;
        m_uTotal = AddSaturated(m_uTotal, size);
    }
    IncRes(index);
    if (notify) MT_OnLoadResource(index);
}

void CMTResourceManager::IncRes(std::int32_t index)
{
    XTRACE("CMTResourceManager::IncRes");
    std::unique_lock lock(m_Lock);
    while (m_uTotal > m_uBudget)
    {
        std::int32_t candidate = -1;
        for (std::size_t i = 0; i < m_Slots.size(); ++i)
        {
            const SSlot& slot = m_Slots[i];
            if (!slot.resource || !MT_IsPermitUnload(static_cast<std::int32_t>(i))) continue;
            if (candidate < 0 || slot.lastUse < m_Slots[static_cast<std::size_t>(candidate)].lastUse)
                candidate = static_cast<std::int32_t>(i);
        }
        if (candidate == index && m_uKeepNewest == 1)
        {
            // The newest stays even alone above the budget; the budget
            // follows it.
            m_uBudget = m_uTotal;
            break;
        }
        if (candidate < 0) break;
        SSlot& slot = m_Slots[static_cast<std::size_t>(candidate)];
        void* resource = std::exchange(slot.resource, nullptr);
        m_uTotal -= std::min(m_uTotal, slot.size);
        slot.size = 0;
        slot.state = kNotLoaded;
        lock.unlock();
        MT_UnloadResource(resource, candidate);
        lock.lock();
    }
}

void CMTResourceManager::Done()
{
    XTRACE("CMTResourceManager::Done");
    if (!m_hLoaderThread) return;
    m_bStopping = true;
    // The loader made its queue before it announced itself, so the post can
    // only fail when the thread has already ended.
    std::uint32_t exitCode = 0;
    while (!plat::PostThreadMessage(m_uLoaderThreadId, plat::WM_QUIT, 0, 0))
    {
        if (!plat::GetExitCodeThread(m_hLoaderThread, &exitCode) || exitCode != plat::STILL_ACTIVE) break;
        plat::Sleep(1);
    }
    if (plat::WaitForSingleObject(m_hLoaderThread, kStopWarning) == plat::WAIT_TIMEOUT)
    {
        // A slow disk or a busy machine, not a fault: the stop still waits
        // for the load to end, so this is a debug line, not an error.
        g_ErrorLog.LogDebug(
            "CMTResourceManager::Done: the loader thread is still loading after %u ms; waiting",
            kStopWarning);
        plat::WaitForSingleObject(m_hLoaderThread, plat::INFINITE);
    }
    plat::CloseHandle(m_hLoaderThread);
    m_hLoaderThread = nullptr;
    m_uLoaderThreadId = 0;

    // Loads that were queued and never started can be asked for again.
    std::lock_guard lock(m_Lock);
    for (SSlot& slot : m_Slots)
        if (slot.state == kQueued) slot.state = kNotLoaded;
}

void CMTResourceManager::SetMemoryLimit(std::uint32_t bytes)
{
    std::lock_guard lock(m_Lock);
    if (bytes != m_uBudget && bytes >= kMinBudget) m_uBudget = bytes;
}

std::int32_t CMTResourceManager::GetState(std::int32_t index)
{
    std::lock_guard lock(m_Lock);
    if (!ValidIndex(index)) return -1;
    return m_Slots[static_cast<std::size_t>(index)].state;
}

void CMTResourceManager::Request(std::int32_t index, std::uint8_t notify)
{
    {
        std::lock_guard lock(m_Lock);
        if (!ValidIndex(index)) return;
        SSlot& slot = m_Slots[static_cast<std::size_t>(index)];
        slot.lastUse = plat::GetTickCount();
        if (slot.state != kNotLoaded) return;
        slot.state = kQueued;
    }
    bool posted = false;
    {
        std::lock_guard queue(m_QueueLock);
        posted = m_bLoaderAlive && !m_bStopping &&
                 plat::PostThreadMessage(m_uLoaderThreadId, m_uMsgLoadRes, static_cast<plat::WParam>(index),
                                         notify);
    }
    if (!posted)
    {
        // Nobody will load it: the slot must not stay queued for ever.
        g_ErrorLog.LogError("CMTResourceManager::Request: resource %d not queued: no loader thread takes it",
                            index);
        std::lock_guard lock(m_Lock);
        SSlot& slot = m_Slots[static_cast<std::size_t>(index)];
        if (slot.state == kQueued) slot.state = kNotLoaded;
    }
}

void* CMTResourceManager::Get(std::int32_t index, std::uint8_t touch)
{
    std::lock_guard lock(m_Lock);
    if (!ValidIndex(index)) return nullptr;
    SSlot& slot = m_Slots[static_cast<std::size_t>(index)];
    if (touch) slot.lastUse = plat::GetTickCount();
    return slot.resource;
}

void* CMTResourceManager::GetResourceForce(std::int32_t index)
{
    XTRACE("CMTResourceManager::GetResourceForce");
    std::int32_t state = kFailed;
    {
        std::lock_guard lock(m_Lock);
        if (!ValidIndex(index)) return nullptr;
        const SSlot& slot = m_Slots[static_cast<std::size_t>(index)];
        if (slot.state == kLoaded) return slot.resource;
        state = slot.state;
    }
    if (state != kNotLoaded && state != kQueued) return nullptr;
    if (state == kNotLoaded) Request(index, 0);
    if (!WaitLoad()) return nullptr;
    return Get(index, 1);
}

bool CMTResourceManager::WaitLoad()
{
    plat::Msg msg;
    // The answer comes to this thread's queue.
    plat::PeekMessage(&msg, nullptr, m_uMsgLoadComplete, m_uMsgLoadComplete, plat::PM_NOREMOVE);
    const std::uint32_t self = plat::GetCurrentThreadId();
    bool posted = false;
    {
        std::lock_guard queue(m_QueueLock);
        for (int i = 0; m_bLoaderAlive && i < kPostRetries; ++i)
        {
            if ((posted = plat::PostThreadMessage(m_uLoaderThreadId, m_uMsgWaitLoad, self, 0))) break;
            plat::Sleep(1);
        }
    }
    if (!posted)
    {
        g_ErrorLog.LogError("CMTResourceManager::WaitLoad: no loader thread to wait for");
        return false;
    }
    bool quit = false;
    int quitCode = 0;
    while (plat::GetMessage(&msg, nullptr, m_uMsgLoadComplete, m_uMsgLoadComplete) == 0)
    {
        quit = true;
        quitCode = static_cast<int>(msg.wParam);
    }
    if (quit) plat::PostQuitMessage(quitCode);
    return true;
}

void CMTResourceManager::Purge()
{
    XTRACE("CMTResourceManager::Purge");
    std::vector<std::pair<void*, std::int32_t>> released;
    {
        std::lock_guard lock(m_Lock);
        for (std::size_t i = 0; i < m_Slots.size(); ++i)
        {
            SSlot& slot = m_Slots[i];
            if (!slot.resource) continue;
            released.emplace_back(std::exchange(slot.resource, nullptr), static_cast<std::int32_t>(i));
            slot.state = kNotLoaded;
        }
        m_uTotal = 0;
    }
    for (auto& [resource, index] : released)
        MT_UnloadResource(resource, index);
}

bool CMTResourceManager::ResetFailed(std::int32_t index)
{
    std::lock_guard lock(m_Lock);
    if (!ValidIndex(index) || m_Slots[static_cast<std::size_t>(index)].state != kFailed) return false;
    m_Slots[static_cast<std::size_t>(index)].state = kNotLoaded;
    return true;
}

std::uint32_t CMTResourceManager::GetMemoryLimit()
{
    std::lock_guard lock(m_Lock);
    return m_uBudget;
}

std::uint32_t CMTResourceManager::GetTotalSize()
{
    std::lock_guard lock(m_Lock);
    return m_uTotal;
}

std::int32_t CMTResourceManager::GetSlotCount()
{
    std::lock_guard lock(m_Lock);
    return static_cast<std::int32_t>(m_Slots.size());
}

bool CMTResourceManager::IsLoaderRunning()
{
    std::lock_guard queue(m_QueueLock);
    return m_bLoaderAlive;
}
