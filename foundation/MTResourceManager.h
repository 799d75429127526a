// CMTResourceManager: the threaded resource-manager base under the texture,
// model and sound managers.
//
// It lists a database section (DefaultManager) and keeps one slot per
// resource: {resource, last use, size, state}. States: 1 not loaded, -3
// queued, 0 loaded, -2 failed. A loader thread, driven by four registered
// thread messages ("MTResMngrThreadCreate", "MTResMngrLoadRes",
// "MTResMngrWaitLoad", "MTResMngrLoadComplete"), loads what Request queues,
// in order, and after each load releases the least recently used
// releasable resources while the total size exceeds the memory budget
// (1,000,000 bytes unless set). The derived manager supplies MT_LoadResource,
// MT_UnloadResource, MT_IsPermitUnload and MT_OnLoadResource.
//
// Threads: the owner thread (the one that called Init) requests, gets,
// waits and purges; the loader thread loads and releases. One lock guards
// every slot field, the total and the budget, on both threads. The four
// derived operations run on the loader thread (MT_UnloadResource also on the
// owner thread, from Purge) and outside the lock, except MT_IsPermitUnload,
// which the release scan calls with the lock held: it must not wait for the
// owner thread. A resource pointer from Get stays valid until the loader
// releases its slot, which it does only for slots MT_IsPermitUnload allows;
// a derived manager keeps in use what it must not lose that way.
//
// Lifecycle: construct, Init (thread running), use, Done (thread asked to
// end and joined; queued loads not yet started are dropped and their slots
// return to state 1). A derived manager must call Done in its own
// destructor, while its load operations still exist.
#pragma once

#include "foundation/DefaultManager.h"
#include "platform/Thread.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class CMTResourceManager : public DefaultManager
{
public:
    enum EState : std::int32_t
    {
        kNotLoaded = 1,
        kQueued = -3,
        kLoaded = 0,
        kFailed = -2,
    };
    static constexpr std::uint32_t kDefaultBudget = 1000000;
    static constexpr std::uint32_t kMinBudget = 1000;

    CMTResourceManager();
    ~CMTResourceManager() override;
    CMTResourceManager(const CMTResourceManager&) = delete;
    CMTResourceManager& operator=(const CMTResourceManager&) = delete;

    using DefaultManager::Init;
    // Lists the section, makes one slot per record and starts the loader
    // thread; returns once the thread runs. False (logged) when it could not
    // start; requests then fail instead of waiting.
    virtual bool Init(const char* section, std::uint32_t keepNewest);
    virtual void Done();
    // Ignored below 1,000 bytes.
    virtual void SetMemoryLimit(std::uint32_t bytes);
    // The slot's state; -1 for an index out of range.
    virtual std::int32_t GetState(std::int32_t index);
    // Refreshes the last use; a slot not loaded is queued for the loader
    // (notify: MT_OnLoadResource after the load). Returns at once.
    virtual void Request(std::int32_t index, std::uint8_t notify);
    // The resource, or null while not loaded; touch refreshes the last use.
    virtual void* Get(std::int32_t index, std::uint8_t touch);
    // The resource, loading it first and waiting when needed; null for a
    // failed load, an index out of range, or no loader thread (logged).
    virtual void* GetResourceForce(std::int32_t index);
    // Returns once every load requested before has finished; false (logged)
    // when there is no loader thread to wait for.
    virtual bool WaitLoad();
    // Unloads every loaded resource; the total becomes 0.
    virtual void Purge();

    // Loads resource index; *size holds the slot's previous size on entry
    // and receives the resource's size in bytes. Null on failure.
    virtual void* MT_LoadResource(std::int32_t index, std::uint32_t* size) = 0;
    virtual void MT_UnloadResource(void* resource, std::int32_t index) = 0;
    virtual bool MT_IsPermitUnload(std::int32_t index) = 0;
    // After a load requested with notify.
    virtual void MT_OnLoadResource(std::int32_t index) = 0;

    // A failed slot (-2) back to "not loaded", so that a later request loads
    // it again once the reason for the failure has gone. False when the
    // slot had not failed.
    bool ResetFailed(std::int32_t index);

    std::uint32_t GetOwnerThreadId() const { return m_uOwnerThreadId; }
    std::uint32_t GetMemoryLimit();
    std::uint32_t GetTotalSize();
    std::int32_t GetSlotCount();
    bool IsLoaderRunning();

protected:
    // Everything of Init after the section listing: count slots, all "not
    // loaded", and the loader thread. Managers whose list does not come
    // from the database (and tests) call it directly.
    bool InitSlots(std::int32_t count, std::uint32_t keepNewest);

private:
    struct SSlot
    {
        void* resource = nullptr;
        std::uint32_t lastUse = 0;
        std::uint32_t size = 0;
        std::int32_t state = kNotLoaded;
    };

    static std::uint32_t LoaderMain(void* param);
    void LoaderLoop();
    void LoadResource(std::int32_t index, bool notify);
    void Answer(std::uint32_t threadId);
    // Releases least recently used resources while the total, which already
    // holds the load of index, exceeds the budget.
    void IncRes(std::int32_t index);
    bool ValidIndex(std::int32_t index) const;

    // Guards the slots, the total, the budget and keepNewest.
    plat::CriticalSection m_Lock;
    std::vector<SSlot> m_Slots;
    std::uint32_t m_uKeepNewest = 0;

    std::uint32_t m_uMsgThreadCreate = 0;
    std::uint32_t m_uMsgLoadRes = 0;
    std::uint32_t m_uMsgWaitLoad = 0;
    std::uint32_t m_uMsgLoadComplete = 0;

    std::uint32_t m_uOwnerThreadId = 0;
    std::uint32_t m_uLoaderThreadId = 0;
    plat::Handle m_hLoaderThread = nullptr;

    std::uint32_t m_uBudget = kDefaultBudget;
    std::uint32_t m_uTotal = 0;

    // Posting to the loader and the loader's last look at its queue happen
    // under this lock, so no wait request is posted after that look and
    // left unanswered.
    std::mutex m_QueueLock;
    bool m_bLoaderAlive = false;
    std::atomic<bool> m_bStopping{false};
};
