#include "foundation/ErrorLog.h"
#include "foundation/MTResourceManager.h"
#include "foundation/ResourceDB.h"
#include "platform/File.h"
#include "platform/Thread.h"

#include "common/LogDirTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{

// A derived manager whose loads the test controls: the size of each
// resource, which loads fail, which resources may not be released, and a
// gate that holds the loader inside a load until the test opens it.
class CFakeManager : public CMTResourceManager
{
public:
    ~CFakeManager() override
    {
        Done();
        Purge();
    }

    bool Start(std::int32_t count, std::uint32_t keepNewest = 1) { return InitSlots(count, keepNewest); }

    void* MT_LoadResource(std::int32_t index, std::uint32_t* size) override
    {
        std::unique_lock lock(m_Mutex);
        m_Loads.push_back(index);
        m_PreviousSizes.push_back(*size);
        m_Gate.wait(lock, [this] { return m_bOpen; });
        if (m_Failing.count(index)) return nullptr;
        *size = m_uSize;
        ++m_nLive;
        return new std::int32_t(index);
    }
    void MT_UnloadResource(void* resource, std::int32_t index) override
    {
        std::lock_guard lock(m_Mutex);
        m_Unloads.push_back(index);
        --m_nLive;
        delete static_cast<std::int32_t*>(resource);
    }
    bool MT_IsPermitUnload(std::int32_t index) override
    {
        std::lock_guard lock(m_Mutex);
        return !m_Pinned.count(index);
    }
    void MT_OnLoadResource(std::int32_t index) override
    {
        std::lock_guard lock(m_Mutex);
        m_Notified.push_back(index);
    }

    void Open(bool open)
    {
        {
            std::lock_guard lock(m_Mutex);
            m_bOpen = open;
        }
        m_Gate.notify_all();
    }
    void SetSize(std::uint32_t size)
    {
        std::lock_guard lock(m_Mutex);
        m_uSize = size;
    }
    void Fail(std::int32_t index, bool fail)
    {
        std::lock_guard lock(m_Mutex);
        if (fail)
            m_Failing.insert(index);
        else
            m_Failing.erase(index);
    }
    void Pin(std::int32_t index)
    {
        std::lock_guard lock(m_Mutex);
        m_Pinned.insert(index);
    }
    std::vector<std::int32_t> Loads()
    {
        std::lock_guard lock(m_Mutex);
        return m_Loads;
    }
    std::vector<std::int32_t> Unloads()
    {
        std::lock_guard lock(m_Mutex);
        return m_Unloads;
    }
    std::vector<std::int32_t> Notified()
    {
        std::lock_guard lock(m_Mutex);
        return m_Notified;
    }
    std::vector<std::uint32_t> PreviousSizes()
    {
        std::lock_guard lock(m_Mutex);
        return m_PreviousSizes;
    }
    int Live()
    {
        std::lock_guard lock(m_Mutex);
        return m_nLive;
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Gate;
    bool m_bOpen = true;
    std::uint32_t m_uSize = 100;
    std::set<std::int32_t> m_Failing;
    std::set<std::int32_t> m_Pinned;
    std::vector<std::int32_t> m_Loads;
    std::vector<std::int32_t> m_Unloads;
    std::vector<std::int32_t> m_Notified;
    std::vector<std::uint32_t> m_PreviousSizes;
    int m_nLive = 0;
};

class ResourceManager : public testutil::CLogDirTest
{
protected:
    std::string Errors() const { return ReadText("error.log"); }

    // Lets a tick of GetTickCount pass, so that the next use is strictly later.
    static void NextTick()
    {
        const std::uint32_t start = plat::GetTickCount();
        while (plat::GetTickCount() == start)
            plat::Sleep(1);
    }

};

TEST_F(ResourceManager, RequestQueuesOnceAndGetReturnsTheResource)
{
    CFakeManager manager;
    ASSERT_TRUE(manager.Start(3));
    EXPECT_EQ(manager.GetOwnerThreadId(), plat::GetCurrentThreadId());
    manager.Open(false);
    manager.Request(0, 0);
    EXPECT_EQ(manager.GetState(0), CMTResourceManager::kQueued);
    EXPECT_EQ(manager.Get(0, 1), nullptr);
    manager.Request(0, 0);
    manager.Request(0, 0);
    manager.Open(true);
    ASSERT_TRUE(manager.WaitLoad());
    EXPECT_EQ(manager.GetState(0), CMTResourceManager::kLoaded);
    ASSERT_NE(manager.Get(0, 0), nullptr);
    EXPECT_EQ(*static_cast<std::int32_t*>(manager.Get(0, 0)), 0);
    manager.Request(0, 0); // loaded: only the last use changes
    manager.WaitLoad();
    EXPECT_EQ(manager.Loads(), std::vector<std::int32_t>{0});

    EXPECT_EQ(manager.GetState(-1), -1);
    EXPECT_EQ(manager.GetState(3), -1);
    EXPECT_EQ(manager.Get(3, 1), nullptr);
    manager.Request(7, 0); // out of range: ignored
    EXPECT_EQ(manager.GetResourceForce(-2), nullptr);
}

TEST_F(ResourceManager, NotifyRunsAfterTheLoadOnly)
{
    CFakeManager manager;
    ASSERT_TRUE(manager.Start(3));
    manager.Request(1, 1);
    manager.Request(2, 0);
    manager.WaitLoad();
    EXPECT_EQ(manager.Notified(), std::vector<std::int32_t>{1});
}

TEST_F(ResourceManager, ForceOnAFailedLoadReturnsNullWithoutLoadingAgain)
{
    CFakeManager manager;
    ASSERT_TRUE(manager.Start(2));
    manager.Fail(1, true);
    EXPECT_EQ(manager.GetResourceForce(1), nullptr);
    EXPECT_EQ(manager.GetState(1), CMTResourceManager::kFailed);
    EXPECT_EQ(manager.GetResourceForce(1), nullptr);
    manager.Request(1, 0);
    manager.WaitLoad();
    EXPECT_EQ(manager.Loads(), std::vector<std::int32_t>{1});

    // Once the reason has gone, the slot can be asked for again.
    manager.Fail(1, false);
    EXPECT_FALSE(manager.ResetFailed(0));
    ASSERT_TRUE(manager.ResetFailed(1));
    void* resource = manager.GetResourceForce(1);
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(*static_cast<std::int32_t*>(resource), 1);
    EXPECT_EQ(manager.GetResourceForce(1), resource);
}

TEST_F(ResourceManager, BudgetReleasesTheLeastRecentlyUsed)
{
    CFakeManager manager;
    ASSERT_TRUE(manager.Start(4));
    manager.SetMemoryLimit(1000);
    manager.SetSize(400);
    manager.Request(0, 0);
    manager.Request(1, 0);
    manager.WaitLoad();
    NextTick();
    manager.Get(0, 1); // 0 is used again; 1 is now the oldest
    manager.Request(2, 0);
    manager.WaitLoad();
    EXPECT_EQ(manager.Unloads(), std::vector<std::int32_t>{1});
    EXPECT_EQ(manager.GetState(1), CMTResourceManager::kNotLoaded);
    EXPECT_EQ(manager.GetTotalSize(), 800u);
    EXPECT_EQ(manager.GetMemoryLimit(), 1000u);
}

TEST_F(ResourceManager, NewestAboveTheBudgetStaysAndRaisesIt)
{
    CFakeManager keep;
    ASSERT_TRUE(keep.Start(2, 1));
    keep.SetMemoryLimit(1000);
    keep.SetSize(5000);
    keep.Request(0, 0);
    keep.WaitLoad();
    EXPECT_EQ(keep.GetState(0), CMTResourceManager::kLoaded);
    EXPECT_EQ(keep.GetMemoryLimit(), 5000u);
    EXPECT_TRUE(keep.Unloads().empty());

    // Without keepNewest it goes at once.
    CFakeManager drop;
    ASSERT_TRUE(drop.Start(2, 0));
    drop.SetMemoryLimit(1000);
    drop.SetSize(5000);
    drop.Request(0, 0);
    drop.WaitLoad();
    EXPECT_EQ(drop.GetState(0), CMTResourceManager::kNotLoaded);
    EXPECT_EQ(drop.Unloads(), std::vector<std::int32_t>{0});
    EXPECT_EQ(drop.GetMemoryLimit(), 1000u);
    EXPECT_EQ(drop.GetTotalSize(), 0u);
}

TEST_F(ResourceManager, NoReleasableCandidateLeavesTheTotalAboveTheBudget)
{
    CFakeManager manager;
    ASSERT_TRUE(manager.Start(3));
    manager.SetMemoryLimit(1000);
    manager.SetSize(600);
    manager.Pin(0);
    manager.Pin(1);
    manager.Request(0, 0);
    manager.Request(1, 0);
    manager.WaitLoad();
    EXPECT_EQ(manager.GetTotalSize(), 1200u);
    EXPECT_EQ(manager.GetMemoryLimit(), 1000u);
    EXPECT_TRUE(manager.Unloads().empty());

    manager.SetMemoryLimit(999); // below the least budget: ignored
    EXPECT_EQ(manager.GetMemoryLimit(), 1000u);
    manager.SetMemoryLimit(5000);
    EXPECT_EQ(manager.GetMemoryLimit(), 5000u);
}

TEST_F(ResourceManager, PurgeUnloadsEverythingAndKeepsTheSizes)
{
    CFakeManager manager;
    ASSERT_TRUE(manager.Start(3));
    manager.SetSize(70);
    manager.Request(0, 0);
    manager.Request(2, 0);
    manager.WaitLoad();
    manager.Purge();
    EXPECT_EQ(manager.GetTotalSize(), 0u);
    EXPECT_EQ(manager.Live(), 0);
    EXPECT_EQ(manager.GetState(0), CMTResourceManager::kNotLoaded);
    std::vector<std::int32_t> unloads = manager.Unloads();
    std::sort(unloads.begin(), unloads.end());
    EXPECT_EQ(unloads, (std::vector<std::int32_t>{0, 2}));
    manager.Request(0, 0);
    manager.WaitLoad();
    // The loader hands the slot's previous size to the next load.
    EXPECT_EQ(manager.PreviousSizes(), (std::vector<std::uint32_t>{0, 0, 70}));
    EXPECT_EQ(manager.GetTotalSize(), 70u);
}

TEST_F(ResourceManager, WithoutALoaderThreadRequestsFailInsteadOfWaiting)
{
    CFakeManager never;
    EXPECT_FALSE(never.WaitLoad());
    EXPECT_FALSE(never.IsLoaderRunning());

    CFakeManager stopped;
    ASSERT_TRUE(stopped.Start(2));
    stopped.Done();
    stopped.Request(0, 0);
    EXPECT_EQ(stopped.GetState(0), CMTResourceManager::kNotLoaded);
    EXPECT_EQ(stopped.GetResourceForce(0), nullptr);
    EXPECT_FALSE(stopped.WaitLoad());
    EXPECT_NE(Errors().find("no loader thread"), std::string::npos) << Errors();
    EXPECT_TRUE(stopped.Loads().empty());

    // Started again, it loads.
    ASSERT_TRUE(stopped.Start(2));
    EXPECT_NE(stopped.GetResourceForce(0), nullptr);
}

TEST_F(ResourceManager, DoneJoinsTheLoaderAndLeavesNothingQueued)
{
    CFakeManager manager;
    ASSERT_TRUE(manager.Start(8));
    manager.Open(false);
    for (std::int32_t i = 0; i < 8; ++i)
        manager.Request(i, 0);
    while (manager.Loads().empty()) // the loader is inside the first load
        plat::Sleep(1);
    std::thread opener(
        [&]
        {
            plat::Sleep(20);
            manager.Open(true);
        });
    manager.Done(); // waits for the load in progress, drops the rest
    opener.join();
    EXPECT_FALSE(manager.IsLoaderRunning());
    const std::vector<std::int32_t> loads = manager.Loads();
    EXPECT_EQ(loads.front(), 0);
    for (std::int32_t i = 0; i < 8; ++i)
    {
        const bool loaded = std::find(loads.begin(), loads.end(), i) != loads.end();
        EXPECT_EQ(manager.GetState(i), loaded ? CMTResourceManager::kLoaded : CMTResourceManager::kNotLoaded)
            << i;
    }
}

TEST_F(ResourceManager, OwnerAndLoaderAgreeUnderLoad)
{
    // Requests, touches and purges on this thread while the loader loads and
    // releases under a tight budget; the accounting must match what lives.
    CFakeManager manager;
    constexpr std::int32_t kCount = 64;
    ASSERT_TRUE(manager.Start(kCount));
    manager.SetMemoryLimit(1000);
    manager.SetSize(100);
    for (int round = 0; round < 200; ++round)
    {
        for (std::int32_t i = 0; i < kCount; i += 3)
            manager.Request((i + round) % kCount, static_cast<std::uint8_t>(round & 1));
        manager.Get(round % kCount, 1);
        manager.GetState(round % kCount);
        if (round % 50 == 49) manager.Purge();
    }
    manager.WaitLoad();
    int loaded = 0;
    for (std::int32_t i = 0; i < kCount; ++i)
        loaded += manager.GetState(i) == CMTResourceManager::kLoaded ? 1 : 0;
    EXPECT_EQ(manager.Live(), loaded);
    EXPECT_EQ(manager.GetTotalSize(), static_cast<std::uint32_t>(loaded) * 100u);
    EXPECT_LE(manager.GetTotalSize(), manager.GetMemoryLimit());
    manager.Purge();
    EXPECT_EQ(manager.Live(), 0);
}

TEST_F(ResourceManager, InitListsTheSectionsRecords)
{
    // An INI-mode database in a directory of its own: the manager gets one
    // slot per record not marked deleted.
    std::ofstream(m_dir / "db.ini") << "[Textures]\nfilename=tex.ini\n";
    std::ofstream(m_dir / "tex.ini") << "[TEX_A]\nFile=a\n[TEX_B]\nDeleted=1\n[TEX_C]\nFile=c\n";
    // DefaultManager reads through the program-wide database, which takes
    // the working directory as its base.
    const std::string previous = plat::GetCurrentDirectory();
    ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
    ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
    CFakeManager manager;
    const bool started = manager.Init("Textures", 1);
    ASSERT_TRUE(plat::SetCurrentDirectory(previous.c_str()));
    ASSERT_TRUE(started);
    EXPECT_EQ(manager.GetSlotCount(), 2);
    EXPECT_STREQ(manager.GetName(1), "TEX_C");
    EXPECT_NE(manager.GetResourceForce(1), nullptr);
    EXPECT_EQ(manager.GetState(2), -1);
    g_ResourceDB.Done();
}

} // namespace
