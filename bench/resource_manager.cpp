// The threaded resource-manager base under load: a few thousand small
// resources requested through a derived manager, loaded on its loader
// thread and released least recently used first under a budget.
//
// Reports requests per second (first requests, each queued and loaded;
// repeated requests of loaded resources, each only a last-use refresh) and
// the peak of the loaded bytes against the budget. The rule the manager
// follows: it releases after each load, while the total that already holds
// the new resource exceeds the budget, so the peak may pass the budget by
// the one resource being loaded and never by more: over_budget_bytes stays
// at or below resource_bytes.
#include "foundation/MTResourceManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace
{

constexpr std::uint32_t kResourceSize = 1024;
constexpr std::uint32_t kBudget = 256 * 1024;

class CBenchManager : public CMTResourceManager
{
public:
    ~CBenchManager() override
    {
        Done();
        Purge();
    }
    bool Start(std::int32_t count) { return InitSlots(count, 1); }

    void* MT_LoadResource(std::int32_t, std::uint32_t* size) override
    {
        *size = kResourceSize;
        const std::uint64_t live = m_uLive.fetch_add(kResourceSize) + kResourceSize;
        std::uint64_t peak = m_uPeak.load();
        while (live > peak && !m_uPeak.compare_exchange_weak(peak, live))
        {
        }
        return new std::uint8_t[kResourceSize];
    }
    void MT_UnloadResource(void* resource, std::int32_t) override
    {
        m_uLive.fetch_sub(kResourceSize);
        delete[] static_cast<std::uint8_t*>(resource);
    }
    bool MT_IsPermitUnload(std::int32_t) override { return true; }
    void MT_OnLoadResource(std::int32_t) override {}

    std::atomic<std::uint64_t> m_uLive{0};
    std::atomic<std::uint64_t> m_uPeak{0};
};

void BM_RequestAndLoad(benchmark::State& state)
{
    const auto count = static_cast<std::int32_t>(state.range(0));
    std::uint64_t peak = 0;
    for (auto _ : state)
    {
        CBenchManager manager;
        manager.Start(count);
        manager.SetMemoryLimit(kBudget);
        for (std::int32_t i = 0; i < count; ++i)
            manager.Request(i, 0);
        manager.WaitLoad();
        peak = std::max(peak, manager.m_uPeak.load());
        state.PauseTiming();
        manager.Done();
        manager.Purge();
        state.ResumeTiming();
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(count) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["budget_bytes"] = kBudget;
    state.counters["over_budget_bytes"] = peak > kBudget ? static_cast<double>(peak - kBudget) : 0.0;
    state.counters["resource_bytes"] = kResourceSize;
    if (peak > kBudget + kResourceSize) state.SkipWithError("the peak passed the budget by more than one resource");
}
BENCHMARK(BM_RequestAndLoad)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RequestLoaded(benchmark::State& state)
{
    const auto count = static_cast<std::int32_t>(state.range(0));
    CBenchManager manager;
    manager.Start(count);
    manager.SetMemoryLimit(count * kResourceSize);
    for (std::int32_t i = 0; i < count; ++i)
        manager.Request(i, 0);
    manager.WaitLoad();
    for (auto _ : state)
    {
        for (std::int32_t i = 0; i < count; ++i)
            manager.Request(i, 0);
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(count) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RequestLoaded)->Arg(4000);

} // namespace

BENCHMARK_MAIN();
