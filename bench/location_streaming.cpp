// Terrain cell streaming.
//
// FlyAcrossSampleMap: the camera flies across the sample location (4 x 4
// cells) from an empty cache; cells near the camera are read near, the rest
// far, and a cell that changes level is queued and loaded as the renderer
// would. FlyAcrossLargeMap: the same over 64 x 64 cells (every table entry
// sharing one block, so the file stays small) with the view reaching 4500
// units, where the 200 near and 200 far slots are reused all the time.
// Both report cell loads per second of loading and allocations per cell
// load (target: 0 once the location is initialised).
//
// LoadCellAgainstRead: loading one cell from a pack against reading the
// same bytes from the pack; the counter "read_over_load" must be 0.5 or more.
// The pack's block cache is emptied before each read and each load, and the
// two take turns at going first, so that neither is timed over blocks the
// other decoded (the file itself stays in the page cache). Its
// allocs_per_load therefore counts the block cache's buffers, made again
// after each emptying; the flights report the location's own.
//
// Allocations are counted by a replaced operator new (this program only).
#include "foundation/PakBuilder.h"
#include "foundation/PakFileSystem.h"
#include "foundation/PakReader.h"
#include "foundation/Settings.h"
#include "foundation/GameTime.h"
#include "location/Location.h"
#include "tools/mksample/SampleLocation.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <random>

namespace
{
std::atomic<long> g_nAllocations{0};
} // namespace

// The replacements pair malloc with free; the compiler cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace
{
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct SFixture
{
    fs::path dir;
    std::string sampleMap, largeMap;
    std::unique_ptr<CLocation> location;

    SFixture()
    {
        dir = fs::temp_directory_path() / ("tvx_bench_location_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir / "Data");
        sampleMap = (dir / "sample.map").string();
        WriteMapFile(sampleMap.c_str(), MakeSampleLocation());
        SMapSource large = MakeSampleLocation();
        large.width = large.height =
            4097; // heights beyond 257 repeat the last; the one block is cell (0, 0)'s
        std::vector<float> heights(std::size_t(4097) * 4097);
        for (int y = 0; y < 4097; ++y)
            for (int x = 0; x < 4097; ++x)
                heights[std::size_t(y) * 4097 + x] =
                    large.heights[std::size_t(std::min(y, 256) * 257 + std::min(x, 256))];
        large.heights = std::move(heights);
        large.landTypes.clear();
        large.cellWater.assign(64 * 64, kNoWater);
        large.shareOneBlock = true;
        largeMap = (dir / "large.map").string();
        WriteMapFile(largeMap.c_str(), large);

        const char* names[] = {"Locs\\sample.lop"};
        const char* paths[] = {sampleMap.c_str()};
        CPackBuilder builder;
        builder.Build((dir / "Data" / "maps.pak").c_str(), names, paths, 1, 4096, 0x05, 0.0f, nullptr,
                      nullptr);

        g_Settings.VisibleRadius = 256;
        location = std::make_unique<CLocation>();
        location->Init(0, 0);
    }
    ~SFixture()
    {
        location->m_CellStream.Close();
        location.reset();
        GetPakFileSystem().Unmount();
        fs::remove_all(dir);
    }
};

SFixture& Fixture()
{
    static SFixture fixture;
    return fixture;
}

// One frame of the renderer's cell choice at camera position (px, py):
// near within nearRadius, far within farRadius, else not wanted; a wanted
// cell whose slot for its level is missing is queued; a level change with
// the slot present re-stitches. Returns the cells queued.
int StreamFrame(CLocation& location, float px, float py, float nearRadius, float farRadius)
{
    int queued = 0;
    for (int y = 0; y < location.m_nCellsY; ++y)
    {
        for (int x = 0; x < location.m_nCellsX; ++x)
        {
            MapCell& cell = location.GetCell(x, y);
            const float dx = 640.0f * float(x) + 320.0f - px, dy = 640.0f * float(y) + 320.0f - py;
            if (dx * dx + dy * dy >= farRadius * farRadius) continue;
            const int wanted = dx * dx + dy * dy < nearRadius * nearRadius ? kLevelNear : kLevelFar;
            const bool missing = wanted == kLevelNear ? !cell.m_pNear : !cell.m_pFar;
            const bool changed = cell.m_nLevel != wanted;
            cell.m_nPrevLevel = cell.m_nLevel;
            cell.m_nLevel = wanted;
            if (missing)
            {
                location.RequestCell(x, y, wanted);
                ++queued;
            }
            else if (changed)
                location.UpdateBorder(unsigned(x), unsigned(y));
        }
    }
    return queued;
}

void ReportStreaming(benchmark::State& state, long loads, long allocations, double seconds)
{
    state.counters["cell_loads"] = double(loads);
    state.counters["loads_per_s"] = seconds > 0 ? double(loads) / seconds : 0.0;
    state.counters["allocs_per_load"] = loads ? double(allocations) / double(loads) : 0.0;
}

void FlyAcrossSampleMap(benchmark::State& state)
{
    CLocation& location = *Fixture().location;
    long loads = 0, allocations = 0;
    double seconds = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        location.ClearCache();
        location.OpenMap(Fixture().sampleMap.c_str());
        state.ResumeTiming();
        // Corner to corner and back, 20 units a frame.
        for (int frame = 0; frame <= 256; ++frame)
        {
            const float t = float(frame < 128 ? frame : 256 - frame) / 128.0f;
            g_GameTime += 0.02;
            loads += StreamFrame(location, 2560.0f * t, 2560.0f * t, 700.0f, 1e9f);
            const long before = g_nAllocations.load();
            const auto start = Clock::now();
            location.CycleLoad();
            seconds += std::chrono::duration<double>(Clock::now() - start).count();
            allocations += g_nAllocations.load() - before;
        }
    }
    ReportStreaming(state, loads, allocations, seconds);
}
BENCHMARK(FlyAcrossSampleMap)->Unit(benchmark::kMillisecond);

void FlyAcrossLargeMap(benchmark::State& state)
{
    CLocation& location = *Fixture().location;
    location.ClearCache();
    location.OpenMap(Fixture().largeMap.c_str());
    long loads = 0, allocations = 0;
    double seconds = 0;
    int frame = 0;
    for (auto _ : state)
    {
        // A square circuit inside the map, 60 units a frame.
        const float s = float(frame++ % 2400) * 60.0f / 36000.0f; // 0..4 around the square
        const int side = int(s);
        const float f = s - float(side);
        const float a = 4000.0f, b = 36000.0f;
        const float px = side == 0 ? a + (b - a) * f : side == 1 ? b : side == 2 ? b - (b - a) * f : a;
        const float py = side == 0 ? a : side == 1 ? a + (b - a) * f : side == 2 ? b : b - (b - a) * f;
        g_GameTime += 0.02;
        loads += StreamFrame(location, px, py, 1600.0f, 4500.0f);
        const long before = g_nAllocations.load();
        const auto start = Clock::now();
        location.CycleLoad();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        allocations += g_nAllocations.load() - before;
    }
    ReportStreaming(state, loads, allocations, seconds);
}
BENCHMARK(FlyAcrossLargeMap)->Unit(benchmark::kMicrosecond);

void LoadCellAgainstRead(benchmark::State& state)
{
    SFixture& fixture = Fixture();
    CLocation& location = *fixture.location;
    GetPakFileSystem().Mount((fixture.dir / "Data").c_str());
    location.ClearCache();
    location.OpenMap("Locs\\sample.lop");
    CPakStream raw;
    GetPakFileSystem().OpenStream("Locs\\sample.lop", raw);
    const std::uint32_t blockSize = std::uint32_t(CellBlockSize(65, 65));
    std::vector<std::uint8_t> buffer(blockSize);
    ZREngine* pack = GetPakFileSystem().GetPack(0);
    const std::size_t capacity = pack->GetCacheCapacity();
    double loadSeconds = 0, readSeconds = 0;
    long allocations = 0, loads = 0;
    int i = 0;
    for (auto _ : state)
    {
        const int x = i % 4, y = (i / 4) % 4;
        ++i;
        MapCell& cell = location.GetCell(x, y);
        const auto read = [&]
        {
            pack->SetCacheCapacity(capacity);
            const auto start = Clock::now();
            raw.Seek(std::int32_t(cell.m_nOffset), 0);
            raw.ReadBytes(buffer.data(), blockSize);
            readSeconds += std::chrono::duration<double>(Clock::now() - start).count();
            benchmark::DoNotOptimize(buffer.data());
        };
        const auto load = [&]
        {
            pack->SetCacheCapacity(capacity);
            const long before = g_nAllocations.load();
            const auto start = Clock::now();
            location.LoadCell(unsigned(x), unsigned(y));
            loadSeconds += std::chrono::duration<double>(Clock::now() - start).count();
            allocations += g_nAllocations.load() - before;
        };
        if (i % 2)
            read(), load();
        else
            load(), read();
        ++loads;
    }
    state.counters["read_over_load"] = loadSeconds > 0 ? readSeconds / loadSeconds : 0.0;
    state.counters["allocs_per_load"] = loads ? double(allocations) / double(loads) : 0.0;
    raw.Close();
    location.m_CellStream.Close();
    GetPakFileSystem().Unmount();
}
BENCHMARK(LoadCellAgainstRead)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
