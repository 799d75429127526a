// Reading every file of a pack of some 32 MB, against the same bytes read
// from loose files and against the bare LZO decompressor on the same blocks;
// and reading 10,000 entries of 256 bytes in random order from an LZO pack,
// against the same files loose; and the same random reads over 4,096
// entries of 2 KB, 8 MB in all: twice the reader's block cache, so that most
// reads decode a block again (the small case's blocks all stay cached).
//
// Targets: the stored pack at 0.8 or more of the loose files' speed, the
// LZO pack at 0.8 or more of the bare decompressor's. Compare the
// bytes_per_second of LooseFiles with PackStored, and of LzoDecompressOnly
// with PackLzo. Small entries: SmallPackLzo at 0.5 or more of
// SmallLooseFiles' items_per_second; its cache_bytes counter is the memory
// the reader's block cache holds. Beyond the cache: WideLooseFiles against
// WidePackLzo, whose working_set_bytes exceeds its cache_bytes. All files sit in the page cache after the
// first pass, so the comparison is of the readers, not of the disk.
#include "foundation/PakBuilder.h"
#include "foundation/PakFileSystem.h"
#include "foundation/PakReader.h"
#include "platform/File.h"

#include <benchmark/benchmark.h>
#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int kFiles = 64;
constexpr std::size_t kFileSize = 512 * 1024;
// paktool's default. Each block costs one read of the pack file: at 64 KB
// that overhead alone keeps stored reads near 0.6 of the loose files' speed.
constexpr std::uint32_t kBlockSize = 256 * 1024;

// Text-like data: words drawn from a small vocabulary, which LZO packs to
// roughly a third, as it does the game's models and texts.
std::string MakeContent(unsigned seed)
{
    static const char* const kWords[] = {"glider ", "mechanoid ", "trade ", "cargo ",  "tunnel ",
                                         "0.125 ",  "42 ",        "\n",     "vertex ", "texture ",
                                         "-3.5 ",   "clan ",      "tower ", "ore "};
    std::mt19937 random(seed);
    std::string text;
    text.reserve(kFileSize + 16);
    while (text.size() < kFileSize)
        text += kWords[random() % (sizeof(kWords) / sizeof(kWords[0]))];
    text.resize(kFileSize);
    return text;
}

struct SFixture
{
    fs::path dir;
    std::vector<std::string> names; // entry names, also the loose files below dir
    CPakFileSystem stored;
    CPakFileSystem lzo;
    std::vector<std::vector<std::uint8_t>> lzoBlocks; // encoded blocks of the LZO pack

    SFixture()
    {
        dir = fs::temp_directory_path() / ("tvx_bench_pak_" + std::to_string(std::random_device{}()));
        fs::remove_all(dir);
        fs::create_directories(dir / "stored");
        fs::create_directories(dir / "lzo");
        std::vector<std::string> paths;
        for (int i = 0; i < kFiles; ++i)
        {
            names.push_back("Data\\File" + std::to_string(i) + ".bin");
            paths.push_back((dir / names.back()).string());
            fs::create_directories(fs::path(plat::ResolvePath(paths.back().c_str())).parent_path());
            std::ofstream(plat::ResolvePath(paths.back().c_str()), std::ios::binary) << MakeContent(i);
        }
        std::vector<const char*> namePointers;
        std::vector<const char*> pathPointers;
        for (int i = 0; i < kFiles; ++i)
        {
            namePointers.push_back(names[i].c_str());
            pathPointers.push_back(paths[i].c_str());
        }
        CPackBuilder builder;
        const std::string storedPack = (dir / "stored" / "s.pak").string();
        const std::string lzoPack = (dir / "lzo" / "l.pak").string();
        if (!builder.Build(storedPack.c_str(), namePointers.data(), pathPointers.data(), kFiles, kBlockSize,
                           0, 0.0f, nullptr, nullptr) ||
            !builder.Build(lzoPack.c_str(), namePointers.data(), pathPointers.data(), kFiles, kBlockSize,
                           CPackCodec::kLzo, 0.0f, nullptr, nullptr))
            std::abort();
        stored.Mount((dir / "stored").c_str());
        lzo.Mount((dir / "lzo").c_str());

        ZREngine* reader = lzo.GetPack(0);
        std::FILE* file = plat::FOpen(lzoPack.c_str(), "rb");
        for (std::uint32_t b = 0; b < reader->GetBlockCount(); ++b)
        {
            std::uint32_t length = 0;
            std::fseek(file, static_cast<long>(reader->GetBlock(b).fileOffset), SEEK_SET);
            if (std::fread(&length, 4, 1, file) != 1) std::abort();
            lzoBlocks.emplace_back(length);
            if (std::fread(lzoBlocks.back().data(), length, 1, file) != 1) std::abort();
        }
        std::fclose(file);
        lzo_init();
    }
    ~SFixture() { fs::remove_all(dir); }
};

SFixture& Fixture()
{
    static SFixture fixture;
    return fixture;
}

void ReadPack(benchmark::State& state, CPakFileSystem& files)
{
    SFixture& f = Fixture();
    std::vector<std::uint8_t> buffer(kFileSize);
    for (auto _ : state)
    {
        for (const std::string& name : f.names)
        {
            CPakStream stream;
            if (!files.OpenStream(name.c_str(), stream) || !stream.IsInPak() ||
                stream.Read(buffer.data(), stream.GetLength()) == 0)
                state.SkipWithError("pack read failed");
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles * kFileSize);
}

void LooseFiles(benchmark::State& state)
{
    SFixture& f = Fixture();
    std::vector<std::uint8_t> buffer(kFileSize);
    for (auto _ : state)
    {
        for (const std::string& name : f.names)
        {
            std::FILE* file = plat::FOpen((f.dir.string() + "\\" + name).c_str(), "rb");
            if (!file || std::fread(buffer.data(), kFileSize, 1, file) != 1)
                state.SkipWithError("loose read failed");
            std::fclose(file);
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles * kFileSize);
}

void PackStored(benchmark::State& state)
{
    ReadPack(state, Fixture().stored);
}

void PackLzo(benchmark::State& state)
{
    ReadPack(state, Fixture().lzo);
}

void LzoDecompressOnly(benchmark::State& state)
{
    SFixture& f = Fixture();
    std::vector<std::uint8_t> block(kBlockSize);
    for (auto _ : state)
    {
        for (const std::vector<std::uint8_t>& encoded : f.lzoBlocks)
        {
            lzo_uint length = kBlockSize;
            if (lzo1x_decompress_safe(encoded.data(), encoded.size(), block.data(), &length, nullptr) !=
                LZO_E_OK)
                state.SkipWithError("decompression failed");
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * f.lzoBlocks.size() * kBlockSize);
}

// Entries read one by one in random order, loose and from an LZO pack.
struct SSmallFixture
{
    fs::path dir;
    std::vector<std::string> names; // entry names, also the loose files below dir
    std::vector<int> order;         // a random reading order
    std::size_t size;               // of each entry
    CPakFileSystem lzo;

    SSmallFixture(const char* tag, int count, std::size_t entrySize) : size(entrySize)
    {
        dir = fs::temp_directory_path() / (std::string("tvx_bench_") + tag + "_" + std::to_string(std::random_device{}()));
        fs::remove_all(dir);
        fs::create_directories(dir / "Small");
        fs::create_directories(dir / "lzo");
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
        {
            names.push_back("Small\\E" + std::to_string(i) + ".bin");
            paths.push_back((dir / names.back()).string());
            std::ofstream(plat::ResolvePath(paths.back().c_str()), std::ios::binary)
                << MakeContent(unsigned(i)).substr(0, size);
        }
        std::vector<const char*> namePointers;
        std::vector<const char*> pathPointers;
        for (int i = 0; i < count; ++i)
        {
            namePointers.push_back(names[i].c_str());
            pathPointers.push_back(paths[i].c_str());
        }
        CPackBuilder builder;
        const std::string pack = (dir / "lzo" / "small.pak").string();
        if (!builder.Build(pack.c_str(), namePointers.data(), pathPointers.data(), count, kBlockSize,
                           CPackCodec::kLzo, 0.0f, nullptr, nullptr))
            std::abort();
        lzo.Mount((dir / "lzo").c_str());
        order.resize(std::size_t(count));
        for (int i = 0; i < count; ++i) order[std::size_t(i)] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(7));
    }
    ~SSmallFixture() { fs::remove_all(dir); }
};

// Inside the block cache: 10,000 entries of 256 bytes.
SSmallFixture& SmallFixture()
{
    static SSmallFixture fixture("small", 10000, 256);
    return fixture;
}

// Twice the block cache: 4,096 entries of 2 KB.
SSmallFixture& WideFixture()
{
    static SSmallFixture fixture("wide", 4096, 2048);
    static_assert(4096 * 2048 >= 2 * ZREngine::kCacheBytes);
    return fixture;
}

void ReadLoose(benchmark::State& state, SSmallFixture& f)
{
    std::vector<char> buffer(f.size);
    for (auto _ : state)
    {
        for (int i : f.order)
        {
            std::FILE* file = plat::FOpen((f.dir.string() + "\\" + f.names[std::size_t(i)]).c_str(), "rb");
            if (!file || std::fread(buffer.data(), f.size, 1, file) != 1)
                state.SkipWithError("loose read failed");
            if (file) std::fclose(file);
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * std::int64_t(f.order.size()));
}

void ReadPackEntries(benchmark::State& state, SSmallFixture& f)
{
    std::vector<char> buffer(f.size);
    for (auto _ : state)
    {
        for (int i : f.order)
        {
            CPakStream stream;
            if (!f.lzo.OpenStream(f.names[std::size_t(i)].c_str(), stream) || !stream.IsInPak() ||
                stream.Read(buffer.data(), std::uint32_t(f.size)) == 0)
                state.SkipWithError("pack read failed");
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * std::int64_t(f.order.size()));
    state.counters["cache_bytes"] = double(f.lzo.GetPack(0)->GetCacheBytes());
    state.counters["pack_blocks"] = double(f.lzo.GetPack(0)->GetBlockCount());
    state.counters["working_set_bytes"] = double(f.order.size() * f.size);
}

void SmallLooseFiles(benchmark::State& state) { ReadLoose(state, SmallFixture()); }
void SmallPackLzo(benchmark::State& state) { ReadPackEntries(state, SmallFixture()); }
void WideLooseFiles(benchmark::State& state) { ReadLoose(state, WideFixture()); }
void WidePackLzo(benchmark::State& state) { ReadPackEntries(state, WideFixture()); }

BENCHMARK(LooseFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(PackStored)->Unit(benchmark::kMillisecond);
BENCHMARK(LzoDecompressOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(PackLzo)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallLooseFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallPackLzo)->Unit(benchmark::kMillisecond);
BENCHMARK(WideLooseFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(WidePackLzo)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
