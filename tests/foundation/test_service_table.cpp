// The application's service table (order of start-up, shutdown and device
// loss, failure, loader rows) and the loading-screen runner (device work a
// loader thread hands to the main thread).

#include "foundation/LoaderThread.h"
#include "foundation/ServiceTable.h"

#include "common/DataTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

namespace
{

class ServiceTable : public testutil::CDataTreeTest
{
protected:
    // A service that writes "<step><name>" into the log.
    SService Logged(const char* name, bool ok = true, bool loader = false)
    {
        return {.name = name,
                .init = [this, name, ok] { m_log += std::string("+") + name; return ok; },
                .done = [this, name] { m_log += std::string("-") + name; },
                .invalidate = [this, name] { m_log += std::string("!") + name; },
                .reset = [this, name] { m_log += std::string("^") + name; },
                .loader = loader};
    }
    std::string m_log;
};

TEST_F(ServiceTable, StartsForwardsAndStopsAndLosesBackwards)
{
    CServiceTable table;
    table.Add(Logged("a"));
    table.Add(Logged("b"));
    table.Add(Logged("c"));
    ASSERT_TRUE(table.Start());
    table.Invalidate();
    table.Reset();
    table.Stop();
    table.Stop();
    EXPECT_EQ(m_log, "+a+b+c!c!b!a^a^b^c-c-b-a");
    EXPECT_EQ(table.GetEntered(), 0u);
}

TEST_F(ServiceTable, FailureStopsStartUpAndTheFailedServiceIsCleanedUp)
{
    struct
    {
        bool throws;
        const char* log;
    } rows[] = {{false, "+a+b-b-a"}, {true, "+a-b-a"}};
    for (const auto& r : rows)
    {
        m_log.clear();
        CServiceTable table;
        table.Add(Logged("a"));
        if (r.throws)
        {
            SService broken = Logged("b");
            broken.init = []() -> bool { throw std::runtime_error("broken"); };
            table.Add(broken);
        }
        else
            table.Add(Logged("b", false));
        table.Add(Logged("c"));
        if (r.throws)
        {
            EXPECT_THROW(table.Start(), std::runtime_error);
            char trace[256];
            g_ErrorLog.GetTrace(trace, sizeof trace);
            EXPECT_NE(std::string(trace).find("->b"), std::string::npos) << trace;
            g_ErrorLog.ResetTrace();
        }
        else
        {
            EXPECT_FALSE(table.Start());
            EXPECT_STREQ(table.GetFailed(), "b");
        }
        table.Stop();
        EXPECT_EQ(m_log, r.log);
    }
}

TEST_F(ServiceTable, AdjacentLoaderRowsRunTogetherOnTheLoader)
{
    CServiceTable table;
    table.Add(Logged("a"));
    table.Add(Logged("b", true, true));
    table.Add(Logged("c", true, true));
    table.Add(Logged("d"));
    int runs = 0;
    ASSERT_TRUE(table.Start(
        [&](const std::function<bool()>& work)
        {
            ++runs;
            m_log += "[";
            const bool ok = work();
            m_log += "]";
            return ok;
        }));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(m_log, "+a[+b+c]+d");
}

TEST_F(ServiceTable, LoaderHandsDeviceWorkToTheMainThread)
{
    const std::thread::id main = std::this_thread::get_id();
    std::atomic<int> redraws{0};
    std::thread::id ranOn;
    std::thread::id loaderOn;
    const bool ok = RunBehindLoadingScreen(
        [&]
        {
            loaderOn = std::this_thread::get_id();
            RunOnMainThread([&] { ranOn = std::this_thread::get_id(); });
            // An exception out of the main-thread work reaches the loader.
            EXPECT_THROW(RunOnMainThread([] { throw std::runtime_error("device"); }), std::runtime_error);
            return true;
        },
        [&] { ++redraws; }, 5);
    EXPECT_TRUE(ok);
    EXPECT_NE(loaderOn, main);
    EXPECT_EQ(ranOn, main);
    EXPECT_GE(redraws.load(), 1); // drawn at once
    // Outside a loading screen the work runs where it is called.
    std::thread::id here;
    RunOnMainThread([&] { here = std::this_thread::get_id(); });
    EXPECT_EQ(here, main);
}

TEST_F(ServiceTable, LoaderFailureIsReportedAndLogged)
{
    EXPECT_FALSE(RunBehindLoadingScreen([]() -> bool { throw std::runtime_error("no textures"); }, {}, 5));
    EXPECT_FALSE(RunBehindLoadingScreen([] { return false; }, {}, 5));
    EXPECT_NE(Tree().ErrorLog().find("no textures"), std::string::npos) << Tree().ErrorLog();
}

} // namespace
